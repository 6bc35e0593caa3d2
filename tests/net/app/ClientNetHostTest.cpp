// The main window as the connection's host: StartConnection, the hello
// time-out and the disconnect, against the recorder simulator.
#include "app/ClientNetHost.h"
#include "RecorderSim.h"
#include "app/ClientDlg.h"
#include "app/ConnectLog.h"
#include "app/NotifyTable.h"
#include "net/NetClient.h"
#include "ui/SkinButton.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <functional>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

ClientDeps QuietDeps()
{
    ClientDeps d;
    d.createConnectLog = [] { return std::unique_ptr<CConnectLog>(); };
    d.findSettingsFile = [] { return std::string(); };
    d.userLanguageId = [] { return WORD(1033); };
    d.now = [] { return std::time_t(1215000000); };
    d.hasSoundDevice = [] { return false; };
    return d;
}

// The main window with its messages recorded.
class RecordingDlg : public CClientDlg
{
public:
    RecordingDlg() : CClientDlg(nullptr, QuietDeps()) {}
    std::vector<std::pair<UINT, LPARAM>> messages;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        messages.emplace_back(msg, lParam);
        // Notifications are only noted: their boxes would wait for a click.
        if (msg == WM_NOTIFY_EVENT)
            return 0;
        return CClientDlg::WindowProc(msg, wParam, lParam);
    }
    bool Got(UINT msg, LPARAM lParam) const
    {
        return std::find(messages.begin(), messages.end(), std::make_pair(msg, lParam)) != messages.end();
    }
};

// Runs the GUI thread's events until the condition holds.
bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = 10s)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

int DeadPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    ::close(fd);
    return ntohs(addr.sin_port);
}

TEST(ClientNetHost, ConnectsLogsInAndDisconnects)
{
    k5sim::RecorderSim sim;
    ASSERT_TRUE(sim.Start());
    RecordingDlg dlg;
    CSkinButton live(&dlg);
    live.SetDlgCtrlID(kButtonLive);
    live.Enable(false);

    ASSERT_TRUE(dlg.StartConnection("127.0.0.1", sim.Port(), "Admin", "pw"));
    ASSERT_TRUE(dlg.IsConnected());
    bool liveAsked = false;
    QObject::connect(dlg.ConnectionHost(), &CClientNetHost::liveStartRequested, [&] { liveAsked = true; });
    ASSERT_TRUE(RunUntil([&] { return liveAsked; }));
    EXPECT_TRUE(dlg.m_pNetClient->m_bLogin);
    // The answer stopped the hello timer; the Live button is usable and lit,
    // since live view of every channel was asked for at once.
    ASSERT_TRUE(RunUntil([&] { return live.m_bEnabled && !dlg.ConnectionHost()->IsHelloTimerRunning(); }));
    ASSERT_TRUE(sim.WaitForCount(k5sim::id::LIVE_REQ, 1));
    ASSERT_TRUE(RunUntil([&] { return live.m_nState == kButtonSelected; }));

    dlg.Disconnect();
    EXPECT_FALSE(dlg.IsConnected());
    ASSERT_TRUE(sim.WaitForCount(k5sim::id::BYE48, 1));
    // The end of the receive loop still reports; the session is gone already.
    ASSERT_TRUE(RunUntil([&] { return dlg.Got(WM_NOTIFY_EVENT, 0x20000); }));
    EXPECT_FALSE(dlg.IsConnected());
}

TEST(ClientNetHost, RefusedConnectDisconnectsOnTheGuiThreadThenReports)
{
    RecordingDlg dlg;
    ASSERT_TRUE(dlg.StartConnection("127.0.0.1", DeadPort(), "a", "b"));
    ASSERT_TRUE(RunUntil([&] { return dlg.Got(WM_NOTIFY_EVENT, 0x10001); }));
    EXPECT_FALSE(dlg.IsConnected());
}

TEST(ClientNetHost, HelloTimeOutReportsAndDisconnects)
{
    k5sim::RecorderSim::Config config;
    config.hello.reply = k5sim::HelloConfig::Reply::NoAnswer;
    k5sim::RecorderSim sim(config);
    ASSERT_TRUE(sim.Start());
    RecordingDlg dlg;
    ASSERT_TRUE(dlg.StartConnection("127.0.0.1", sim.Port(), "a", "b"));
    ASSERT_TRUE(sim.WaitForCount(k5sim::id::HELLO, 1));
    ASSERT_TRUE(RunUntil([&] { return dlg.ConnectionHost()->IsHelloTimerRunning(); }));
    // The 60 s of the session, shortened: the same timer restarted.
    dlg.ConnectionHost()->StartHelloTimer(10ms);
    ASSERT_TRUE(RunUntil([&] { return dlg.Got(WM_NOTIFY_EVENT, 0x10004); }));
    EXPECT_FALSE(dlg.IsConnected());
    ASSERT_TRUE(sim.WaitForCount(k5sim::id::BYE48, 1));
}

TEST(ClientNetHost, ModelCheckBoxNeverHoldsTheSession)
{
    k5sim::RecorderSim::Config config;
    config.hello.productNumber = 2;
    k5sim::RecorderSim sim(config);
    ASSERT_TRUE(sim.Start());
    RecordingDlg dlg;
    ASSERT_TRUE(dlg.StartConnection("127.0.0.1", sim.Port(), "a", "b"));
    ASSERT_TRUE(RunUntil([&] { return dlg.Got(WM_NOTIFY_EVENT, 0x20000); }));
    QMessageBox* box = nullptr;
    ASSERT_TRUE(RunUntil([&] {
        box = dlg.findChild<QMessageBox*>();
        return box != nullptr;
    }));
    EXPECT_EQ(box->text(), "Not MIRA3100 !");
    // The notification's disconnect belongs to the main window's notification
    // handler; the connection itself is still responsive to it.
    dlg.Disconnect();
    EXPECT_FALSE(dlg.IsConnected());
    ASSERT_TRUE(sim.WaitForCount(k5sim::id::BYE48, 1));
}

} // namespace
