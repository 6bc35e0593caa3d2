// The remote setup window as the main window runs it: the fetched image is
// copied into the main window's buffer, the recorder's description is taken
// once, and the window edits the buffer in place until OK or Cancel.
#include "app/ClientDlg.h"
#include "app/MainCommandHost.h"
#include "app/NotifyTable.h"
#include "net/NetClient.h"
#include "setup/RemoteSetupDlg.h"

namespace {

class CRemoteSetupWindow : public IMainModalWindow, public ISetupHost
{
public:
    CRemoteSetupWindow(CClientDlg& main, const std::shared_ptr<CNetClient>& net)
        : m_main(main), m_dlg(&main, main.m_SetupDb.data(), main.m_arrOpacity[2],
                              RecorderCaps::FromConnection(net.get()), RecorderLink(net), this)
    {
    }
    int Run() override { return m_dlg.DoModal(); }
    WndHandle Handle() const override { return m_dlg.Handle(); }
    void PostNotifyToMain(WndHandle owner, int code, int sub) override
    {
        const WndHandle main = m_main.Handle();
        PostMessage(main, WM_NOTIFY_EVENT, owner ? owner.Id() : main.Id(), MakeNotifyParam(code, sub));
    }
    int GrabStillForMotionGrid(CMotionGridStatic* grid, int channel) override
    {
        return m_main.GrabStillForMotionGrid(grid, channel);
    }

private:
    CClientDlg& m_main;
    CRemoteSetupDlg m_dlg;
};

} // namespace

std::unique_ptr<IMainModalWindow> CClientCommandHost::CreateRemoteSetupWindow()
{
    const std::shared_ptr<CNetClient> net = m_dlg.m_pNetClient;
    if (!net)
        return nullptr;
    // The receive thread is done with the image it posted about; a short image
    // leaves no bytes of an earlier one behind.
    if (net->CopySetupImage(m_dlg.m_SetupDb.data(), m_dlg.m_SetupDb.size()) == 0)
        return nullptr;
    return std::make_unique<CRemoteSetupWindow>(m_dlg, net);
}
