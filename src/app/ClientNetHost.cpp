#include "app/ClientNetHost.h"

#include "app/ClientDlg.h"
#include "app/NotifyTable.h"
#include "net/NetClient.h"
#include "net/NetMessages.h"
#include "ui/SkinButton.h"

#include <QMessageBox>

namespace {

constexpr int kConnectLogRecordSize = 184;
constexpr int kViewIdle = 0;
constexpr int kViewLocalPlayback = 3;

} // namespace

// ---------------------------------------------------------------------------
// Grid state

void CClientGridState::SetChannelBlocked(int channel, bool blocked)
{
    if (channel >= 0 && channel < 16)
        m_blocked[channel] = blocked;
}

bool CClientGridState::IsChannelBlocked(int channel) const
{
    return channel >= 0 && channel < 16 && m_blocked[channel].load();
}

void CClientGridState::SetActiveChannels(std::uint32_t mask, bool)
{
    // The cell map, which a reset returns to identity, comes with the grid's cells.
    m_activeMask = mask;
}

void CClientGridState::Repaint(bool)
{
    // Requests coalesce: one repaint answers every request made before it.
    if (m_repaintQueued.exchange(true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_repaintQueued = false;
            if (m_dlg.m_pVideoWnd)
                m_dlg.m_pVideoWnd->update();
        },
        Qt::QueuedConnection);
}

void CClientGridState::LeaveFullScreen()
{
    // The grid has no full-screen view yet; it stays in the main window.
}

// ---------------------------------------------------------------------------
// Host

CClientNetHost::CClientNetHost(CClientDlg& dlg) : m_dlg(dlg), m_grid(dlg)
{
    m_helloTimer.setSingleShot(true);
    connect(&m_helloTimer, &QTimer::timeout, this, [this] { OnHelloTimeout(); });
}

CClientNetHost::~CClientNetHost()
{
    // The session this object served ends with it: no thread may call a
    // host that is gone.
    if (m_dlg.m_pNetClient) {
        m_dlg.m_pNetClient->DestroyWindow();
        m_dlg.m_pNetClient.reset();
    }
}

WndHandle CClientNetHost::MainWindow() const
{
    return m_dlg.Handle();
}

void CClientNetHost::PostMessageTo(WndHandle target, UINT msg, WPARAM wParam, LPARAM lParam)
{
    PostMessage(target, msg, wParam, lParam);
}

void CClientNetHost::PostNotify(LPARAM lParam, WndHandle owner)
{
    // Through the same queue as the disconnect requests, so that a failed
    // connect disconnects before its box is shown.
    const WndHandle main = m_dlg.Handle();
    const WPARAM wParam = owner ? owner.Id() : main.Id();
    Queue([main, wParam, lParam] { PostMessage(main, WM_NOTIFY_EVENT, wParam, lParam); });
}

void CClientNetHost::RequestDisconnect(std::uint32_t session)
{
    Queue([this, session] {
        if (m_dlg.m_pNetClient && m_dlg.m_pNetClient->Session() == session)
            m_dlg.Disconnect();
    });
}

void CClientNetHost::ShowPlainMessage(const std::string& text)
{
    Queue([this, text] {
        // Shown without a nested loop: the disconnect that follows goes on meanwhile.
        auto* box = new QMessageBox(QMessageBox::Warning, QString(), QString::fromLatin1(text.c_str()),
                                    QMessageBox::Ok, &m_dlg);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    });
}

void CClientNetHost::StartHelloTimer(std::chrono::milliseconds timeout)
{
    Queue([this, timeout] { m_helloTimer.start(static_cast<int>(timeout.count())); });
}

void CClientNetHost::KillHelloTimer()
{
    Queue([this] { m_helloTimer.stop(); });
}

void CClientNetHost::OnHelloTimeout()
{
    PostMessage(m_dlg.Handle(), WM_NOTIFY_EVENT, m_dlg.Handle().Id(),
                MakeNotifyParam(NOTIFY_CONNECT_FAILED, 4));
    m_dlg.Disconnect();
}

void CClientNetHost::WriteConnectLog(int type, int subtype, const std::string& user,
                                     const std::string& address)
{
    m_dlg.WriteConnectLog(kConnectLogRecordSize, type, subtype, 0, user.c_str(), address.c_str());
}

void CClientNetHost::SetButtonState(int buttonId, int state)
{
    Queue([this, buttonId, state] {
        for (CSkinButton* button : m_dlg.findChildren<CSkinButton*>()) {
            if (button->GetDlgCtrlID() != buttonId)
                continue;
            if (state == kButtonDisabled) {
                button->Enable(false);
            } else {
                button->Enable(true);
                button->SetState(state);
            }
        }
    });
}

bool CClientNetHost::IsLocalPlaybackRunning() const
{
    return m_dlg.m_pVideoWnd && m_dlg.m_pVideoWnd->m_nViewMode.load() == kViewLocalPlayback;
}

bool CClientNetHost::HasSoundDevice() const
{
    return m_dlg.m_bSoundDevice != 0;
}

void CClientNetHost::RequestLiveStart()
{
    Queue([this] { emit liveStartRequested(); });
}

void CClientNetHost::SetAudioChannel(int channel)
{
    m_dlg.m_nAudioChannel = channel;
}

WndHandle CClientNetHost::PasswordPrompt() const
{
    return m_hPasswordPrompt.load();
}

void CClientNetHost::ClosePtzPanel(int mode)
{
    // The panels live on the GUI thread; the main window closes them there.
    Queue([this, mode] { m_dlg.ClosePtzPanel(mode); });
}

void CClientNetHost::DestroyTransferBar()
{
    // The main window deletes the bar on WM_TRANSFER_END; a second one finds
    // it gone.
    PostMessage(m_dlg.Handle(), WM_TRANSFER_END, 0, 0);
}

void CClientNetHost::OnLiveStopped()
{
    Queue([this] {
        if (m_dlg.m_pVideoWnd) {
            m_dlg.m_pVideoWnd->m_nViewMode = kViewIdle;
            m_dlg.m_pVideoWnd->update();
        }
    });
    SetButtonState(kButtonLive, kButtonNormal);
}

void CClientNetHost::OnRemotePlayStopped()
{
    Queue([this] {
        if (m_dlg.m_pVideoWnd) {
            m_dlg.m_pVideoWnd->m_nViewMode = kViewIdle;
            m_dlg.m_pVideoWnd->update();
        }
    });
}

std::unique_ptr<NetWorker> CClientNetHost::CreateAudioPlayer(bool)
{
    // The connection's audio player joins with the live audio path.
    return nullptr;
}
