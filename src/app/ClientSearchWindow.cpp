#include "app/ClientSearchWindow.h"

#include "app/ClientDlg.h"
#include "app/NotifyTable.h"
#include "app/PasswordDlg.h"
#include "search/RemoteSearchDlg.h"
#include "video/VideoGridDlg.h"

QWidget* CClientSearchMain::MainWidget()
{
    return &m_dlg;
}

WndHandle CClientSearchMain::MainHandle() const
{
    return m_dlg.Handle();
}

std::shared_ptr<CNetClient> CClientSearchMain::NetClient() const
{
    return m_dlg.m_pNetClient;
}

int CClientSearchMain::DateFormat() const
{
    return m_dlg.m_nDateFormat;
}

std::uint8_t CClientSearchMain::Opacity(int index) const
{
    return index >= 0 && index < static_cast<int>(m_dlg.m_arrOpacity.size())
               ? m_dlg.m_arrOpacity[static_cast<std::size_t>(index)]
               : 255;
}

std::string CClientSearchMain::LoadResString(int id) const
{
    return CClientDlg::LoadResString(id).toLatin1().toStdString();
}

std::int64_t CClientSearchMain::DiskSpace() const
{
    int free = 0, total = 0;
    return m_dlg.GetDiskSpace(&free, &total) ? free : 0;
}

std::string CClientSearchMain::DownloadFolder() const
{
    return m_dlg.DataLocation() + "/Download";
}

bool CClientSearchMain::LocalPlayerRunning() const
{
    return m_dlg.m_pLocalPlayer != nullptr;
}

int CClientSearchMain::ViewMode() const
{
    return m_dlg.m_pVideoWnd ? m_dlg.m_pVideoWnd->m_nViewMode.load() : 0;
}

void CClientSearchMain::Notify(int code, int sub, WndHandle owner)
{
    PostMessage(m_dlg.Handle(), WM_NOTIFY_EVENT, (owner ? owner : m_dlg.Handle()).Id(),
                MakeNotifyParam(code, sub));
}

void CClientSearchMain::InvalidatePlaybackStrip()
{
    m_dlg.update(QRect(QPoint(250, 630), QPoint(676, 643)));
}

bool CClientSearchMain::PromptArchivePassword(std::string& typed,
                                              const std::function<void(WndHandle)>& opened)
{
    // On the heap and known by handle while it runs: a rights change or the
    // disconnect closes it by that handle, never through a pointer.
    auto prompt = std::make_unique<CPasswordDlg>(&m_dlg, m_dlg.m_arrOpacity[0]);
    if (opened)
        opened(prompt->Handle());
    const int result = prompt->DoModal();
    if (opened)
        opened(WndHandle());
    if (result != CPromptDlg::kIdOk)
        return false;
    typed = prompt->m_strPassword.toLatin1().toStdString();
    return true;
}

int CClientSearchMain::GrabStillForMotionGrid(CMotionGridStatic* grid, int channel)
{
    return m_dlg.GrabStillForMotionGrid(grid, channel);
}

namespace {

class CRemoteSearchModal : public IMainModalWindow
{
public:
    explicit CRemoteSearchModal(CClientDlg& dlg) : m_main(dlg), m_dlg(CreateRemoteSearchDlg(m_main)) {}
    ~CRemoteSearchModal() override
    {
        if (m_dlg && !m_dlg->IsDestroyed())
            m_dlg->DestroyWindow();
    }
    int Run() override
    {
        const int result = m_dlg->DoModal();
        m_dlg->DestroyWindow();
        return result;
    }
    WndHandle Handle() const override { return m_dlg->Handle(); }
    std::shared_ptr<SearchFrameLink> SearchLink() override { return m_dlg->Link(); }

private:
    CClientSearchMain m_main;
    std::unique_ptr<CRemoteSearchDlg> m_dlg;
};

} // namespace

std::unique_ptr<IMainModalWindow> MakeRemoteSearchWindow(CClientDlg& dlg)
{
    return std::make_unique<CRemoteSearchModal>(dlg);
}
