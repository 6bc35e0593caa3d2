// The main window's commands end to end: the real main window, connected
// through its connect dialog to the recorder simulator, pressed like the
// operator presses it; what reaches the recorder is checked on the wire.
#include "MainWindowSim.h"
#include "SimLive.h"

#include "app/ClientNetHost.h"
#include "app/MainLayout.h"
#include "app/NotifyTable.h"
#include "app/PasswordDlg.h"
#include "app/SkinMessageDlg.h"
#include "net/NetRecords.h"
#include "ui/UiMessages.h"

#include <QTimer>
#include <bitset>
#include <gtest/gtest.h>

namespace {

using namespace mainsim;
using k5sim::Bytes;
namespace sid = k5sim::id;

constexpr std::uint16_t kPlayViewCh = 80;

class CommandsSim : public ::testing::Test
{
protected:
    // Starts the main window, which connects at start through its dialog
    // and asks for live view of every channel once the hello is answered.
    void Start()
    {
        sim.OnHello([](k5sim::RecorderSim& s) { s.Send(sid::RIGHT_CHANGE, RightsFor("admin")); });
        ASSERT_TRUE(sim.Start());
        dialog->script = TypeServer("127.0.0.1", sim.Port(), "admin", "pw", "Yard");
        dlg = std::make_unique<MainWindow>(dialog);
        // The shutdown's pauses are noted with what the recorder had got by then.
        dlg->Commands().SetPause(0ms, [this](std::chrono::milliseconds) { NotePause(); });
        ASSERT_TRUE(dlg->Create());
        ASSERT_TRUE(dlg->IsConnected());
        // The Live button is lit by a call the live start queued for the GUI
        // thread: it may come after the recorder's answer.
        ASSERT_TRUE(RunUntil([&] {
            return Net().HasRight(RIGHT_SEARCH) && Net().m_bLive && dlg->m_btnLive.m_nState == kButtonSelected;
        }));
        ASSERT_TRUE(sim.WaitForCount(sid::LIVE_REQ, 1));
    }
    void TearDown() override
    {
        if (dlg)
            dlg->Close();
        dlg.reset();
    }

    CNetClient& Net() { return *dlg->m_pNetClient; }

    // Whatever the client sent before has reached the simulator.
    void Fence()
    {
        const std::size_t n = sim.Count(sid::ALIVE_REQ);
        ASSERT_TRUE(Net().Send(sid::ALIVE_REQ));
        ASSERT_TRUE(sim.WaitForCount(sid::ALIVE_REQ, n + 1));
    }

    // The masks of every LIVE_REQ (or PLAY_VIEW_CH) from `from` on.
    std::vector<std::uint32_t> Masks(std::uint16_t msgId, std::size_t from = 0)
    {
        std::vector<std::uint32_t> out;
        const auto all = sim.ReceivedOf(msgId);
        for (std::size_t i = from; i < all.size(); ++i)
            out.push_back(all[i].payload.size() == 4 ? k5sim::GetBE32(all[i].payload, 0) : 0xDEAD);
        return out;
    }

    // The message ids the client sent, keep-alives left out.
    std::vector<std::uint16_t> Sent()
    {
        std::vector<std::uint16_t> ids;
        for (const auto& m : sim.Received())
            if (m.id != sid::ALIVE_REQ)
                ids.push_back(m.id);
        return ids;
    }

    void NotePause()
    {
        // The request before the pause has gone out before it.
        sim.WaitFor([&](const std::vector<k5sim::Message>& all) { return all.size() > m_seen; }, 2s);
        const std::vector<std::uint16_t> ids = Sent();
        m_seen = sim.Received().size();
        pauses.push_back(ids.empty() ? 0 : ids.back());
    }

    // Answers the next password prompt with `text` (or cancels it), from
    // inside its modal run.
    void AnswerPrompt(std::optional<std::string> text)
    {
        QTimer::singleShot(0, dlg.get(), [this, text] {
            CPasswordDlg* prompt = dlg->m_pPasswordDlg;
            ASSERT_NE(prompt, nullptr);
            if (text)
                prompt->m_editPassword.SetWindowText(QString::fromStdString(*text));
            PostMessage(prompt->Handle(), WM_COMMAND, MakeCommandWParam(text ? 1 : 2, BN_CLICKED), 1);
        });
    }

    k5sim::RecorderSim sim;
    k5sim::SimLive live{sim};
    std::shared_ptr<FakeConnectDialog> dialog = std::make_shared<FakeConnectDialog>();
    std::unique_ptr<MainWindow> dlg;
    std::vector<std::uint16_t> pauses;
    std::size_t m_seen = 0;
};

TEST_F(CommandsSim, LiveButtonStopsAndRestartsLiveView)
{
    Start();
    EXPECT_EQ(Masks(sid::LIVE_REQ), std::vector<std::uint32_t>{0xFFFF});
    EXPECT_EQ(dlg->m_btnLive.m_nState, kButtonSelected);

    dlg->OnButton(IDC_LIVE);
    EXPECT_FALSE(Net().m_bLive);
    ASSERT_TRUE(sim.WaitForCount(sid::LIVE_STOP, 1));
    ASSERT_TRUE(RunUntil([&] { return dlg->m_btnLive.m_nState == kButtonNormal; }));
    EXPECT_EQ(dlg->m_pVideoWnd->m_nViewMode, 0);

    dlg->OnButton(IDC_LIVE);
    ASSERT_TRUE(sim.WaitForCount(sid::LIVE_REQ, 2));
    EXPECT_EQ(Masks(sid::LIVE_REQ), (std::vector<std::uint32_t>{0xFFFF, 0xFFFF}));
    ASSERT_TRUE(RunUntil([&] { return Net().m_bLive.load(); }));
    ASSERT_TRUE(RunUntil([&] { return dlg->m_pVideoWnd->m_nViewMode == 1; }));
}

TEST_F(CommandsSim, SplitAndChannelButtonsSendTheChannelsShown)
{
    Start();
    ASSERT_TRUE(RunUntil([&] { return dlg->m_pVideoWnd->GetActiveChannels() == 0xFFFF; }));

    // Each press asks for exactly the channels the grid shows after it
    // (which page a split shows depends on the channels the recorder
    // reported since, so the shown mask is read back from the grid).
    std::vector<std::uint32_t> shown;
    const auto press = [&](int id) {
        dlg->OnButton(id);
        shown.push_back(dlg->m_pVideoWnd->GetVisibleChannels());
    };
    press(IDC_CHANNEL_FIRST + 5);
    EXPECT_EQ(dlg->m_btnChannel[5].m_nState, kButtonSelected);
    press(IDC_SPLIT_FIRST + 1);
    EXPECT_EQ(dlg->m_btnSplit[1].m_nState, kButtonSelected);
    EXPECT_EQ(dlg->m_btnChannel[5].m_nState, kButtonNormal);
    press(IDC_SPLIT_LAST);
    Fence();
    EXPECT_EQ(Masks(sid::LIVE_REQ, 1), shown);
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0], 0x0020u);
    EXPECT_EQ(std::bitset<16>(shown[1]).count(), 4u);
    EXPECT_EQ(shown[2], 0xFFFFu);
    EXPECT_EQ(sim.Count(kPlayViewCh), 0u); // no PLAY_VIEW_CH outside a playback
    EXPECT_EQ(dlg->m_btnSplit[8].m_nState, kButtonSelected);
    EXPECT_EQ(dlg->m_btnSplit[1].m_nState, kButtonNormal);
}

TEST_F(CommandsSim, SplitDuringRemotePlaybackSendsPlayViewChannels)
{
    Start();
    Net().m_nChannelMask = 0x0005;
    ASSERT_TRUE(Net().Send(sid::PLAY_ON_REQ));
    ASSERT_TRUE(RunUntil([&] { return Net().m_bPlay.load(); }));
    const std::size_t liveReqs = sim.Count(sid::LIVE_REQ);
    dlg->OnButton(IDC_SPLIT_FIRST + 1);
    Fence();
    const auto views = sim.ReceivedOf(kPlayViewCh);
    ASSERT_EQ(views.size(), 1u);
    EXPECT_EQ(k5sim::GetBE32(views[0].payload, 0), 0x0005u);
    EXPECT_EQ(sim.Count(sid::LIVE_REQ), liveReqs);
}

TEST_F(CommandsSim, RecordStartsAtOnceAndStopsAfterThePassword)
{
    Start();
    dlg->OnButton(IDC_RECORD);
    ASSERT_TRUE(RunUntil([&] { return Net().m_bRecord.load(); }));
    EXPECT_EQ(sim.Count(sid::REC_ON_REQ), 1u);

    // Another password, then a cancelled prompt: nothing is sent.
    AnswerPrompt("PX");
    dlg->OnButton(IDC_RECORD);
    AnswerPrompt(std::nullopt);
    dlg->OnButton(IDC_RECORD);
    EXPECT_EQ(dlg->m_pPasswordDlg, nullptr);
    Fence();
    EXPECT_EQ(sim.Count(sid::REC_OFF_REQ), 0u);

    // The login password in other letters stops recording.
    AnswerPrompt("PW");
    dlg->OnButton(IDC_RECORD);
    ASSERT_TRUE(sim.WaitForCount(sid::REC_OFF_REQ, 1));
    ASSERT_TRUE(RunUntil([&] { return !Net().m_bRecord; }));
}

TEST_F(CommandsSim, DisconnectClosesAnOpenPasswordPrompt)
{
    Start();
    dlg->OnButton(IDC_RECORD);
    ASSERT_TRUE(RunUntil([&] { return Net().m_bRecord.load(); }));
    // The Connect button disconnects while the prompt waits for the password.
    QTimer::singleShot(0, dlg.get(), [this] {
        ASSERT_NE(dlg->m_pPasswordDlg, nullptr);
        dlg->m_pPasswordDlg->m_editPassword.SetWindowText(QStringLiteral("pw"));
        dlg->OnButton(IDC_CONNECT);
    });
    dlg->OnButton(IDC_RECORD);
    EXPECT_EQ(dlg->m_pPasswordDlg, nullptr);
    EXPECT_FALSE(dlg->IsConnected());
    ASSERT_TRUE(sim.WaitForCount(sid::BYE48, 1));
    EXPECT_EQ(sim.Count(sid::REC_OFF_REQ), 0u);
    EXPECT_FALSE(dlg->m_btnLive.m_bEnabled);
}

TEST_F(CommandsSim, HelloTimeOutEndsWithItsConnection)
{
    sim.Settings().hello.reply = k5sim::HelloConfig::Reply::NoAnswer;
    ASSERT_TRUE(sim.Start());
    dialog->script = TypeServer("127.0.0.1", sim.Port(), "admin", "pw", "Yard");
    dlg = std::make_unique<MainWindow>(dialog);
    ASSERT_TRUE(dlg->Create());
    ASSERT_TRUE(sim.WaitForCount(sid::HELLO, 1));
    ASSERT_TRUE(RunUntil([&] { return dlg->ConnectionHost()->IsHelloTimerRunning(); }));
    dlg->OnButton(IDC_CONNECT);
    EXPECT_FALSE(dlg->ConnectionHost()->IsHelloTimerRunning());
    // Nothing of that connection reports later.
    ASSERT_TRUE(sim.WaitForCount(sid::BYE48, 1));
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_FALSE(dlg->ConnectionHost()->IsHelloTimerRunning());
    EXPECT_FALSE(dlg->Notified(MakeNotifyParam(NOTIFY_CONNECT_FAILED, 4)));
}

TEST_F(CommandsSim, RebootAsksThePasswordAndTheConfirmation)
{
    Start();
    dlg->OnButton(IDC_REBOOT);
    ASSERT_TRUE(RunUntil([&] { return dlg->Notified(MakeNotifyParam(NOTIFY_REBOOT, 0)); }));

    // The notification as the main window runs it: the prompt, then the box.
    AnswerPrompt("pw");
    QTimer boxWatch;
    QObject::connect(&boxWatch, &QTimer::timeout, [&] {
        if (!dlg->m_pMessageDlg)
            return;
        boxWatch.stop();
        PostMessage(dlg->m_pMessageDlg->Handle(), WM_COMMAND, MakeCommandWParam(kNotifyBoxOk, BN_CLICKED), 1);
    });
    boxWatch.start(10);
    dlg->NotifyHandler().OnNotifyEvent(dlg->Handle(), NOTIFY_REBOOT, 0);
    ASSERT_TRUE(sim.WaitForCount(sid::REBOOT_REQ, 1));

    // A wrong password ends it without the box.
    AnswerPrompt("nope");
    dlg->NotifyHandler().OnNotifyEvent(dlg->Handle(), NOTIFY_REBOOT, 0);
    Fence();
    EXPECT_EQ(sim.Count(sid::REBOOT_REQ), 1u);
}

TEST_F(CommandsSim, QuitDuringLiveViewStopsItThenSaysBye)
{
    Start();
    m_seen = sim.Received().size();
    dlg->OnButton(IDC_QUIT);
    EXPECT_FALSE(dlg->IsConnected());
    ASSERT_TRUE(sim.WaitForCount(sid::BYE48, 1));
    const std::vector<std::uint16_t> sent = Sent();
    const std::vector<std::uint16_t> tail(sent.end() - 2, sent.end());
    EXPECT_EQ(tail, (std::vector<std::uint16_t>{sid::LIVE_STOP, sid::BYE48}));
    // A pause after LIVE_STOP, then one after the grid went (BYE48 had gone by then).
    EXPECT_EQ(pauses, (std::vector<std::uint16_t>{sid::LIVE_STOP, sid::BYE48}));
    EXPECT_EQ(dlg->m_pVideoWnd, nullptr);
}

TEST_F(CommandsSim, QuitDuringRemotePlaybackAndATransferStopsBothInOrder)
{
    Start();
    ASSERT_TRUE(Net().Send(sid::PLAY_ON_REQ));
    ASSERT_TRUE(RunUntil([&] { return Net().m_bPlay.load() && !Net().m_bLive; }));
    // A backup download runs beside the playback.
    Net().m_bTrans = true;
    m_seen = sim.Received().size();
    dlg->OnButton(IDC_QUIT);
    ASSERT_TRUE(sim.WaitForCount(sid::BYE48, 1));
    const std::vector<std::uint16_t> sent = Sent();
    const std::vector<std::uint16_t> tail(sent.end() - 3, sent.end());
    EXPECT_EQ(tail, (std::vector<std::uint16_t>{sid::RPLAY_STOP, sid::TRANS_OFF_REQ, sid::BYE48}));
    EXPECT_EQ(pauses, (std::vector<std::uint16_t>{sid::RPLAY_STOP, sid::TRANS_OFF_REQ, sid::BYE48}));
}

TEST_F(CommandsSim, QuitDuringATransferOnly)
{
    Start();
    dlg->OnButton(IDC_LIVE);
    ASSERT_TRUE(sim.WaitForCount(sid::LIVE_STOP, 1));
    Net().m_bTrans = true;
    m_seen = sim.Received().size();
    dlg->OnButton(IDC_QUIT);
    ASSERT_TRUE(sim.WaitForCount(sid::BYE48, 1));
    const std::vector<std::uint16_t> sent = Sent();
    const std::vector<std::uint16_t> tail(sent.end() - 2, sent.end());
    EXPECT_EQ(tail, (std::vector<std::uint16_t>{sid::TRANS_OFF_REQ, sid::BYE48}));
    EXPECT_EQ(pauses, (std::vector<std::uint16_t>{sid::TRANS_OFF_REQ, sid::BYE48}));
}

TEST_F(CommandsSim, PlayOnFailFromTheRecorderEndsTheBookmarkBar)
{
    Start();
    Net().m_nChannelMask = 0x0001;
    ASSERT_TRUE(Net().Send(sid::PLAY_ON_REQ));
    ASSERT_TRUE(RunUntil([&] { return Net().m_bPlay.load(); }));
    // A bar is up when the remote playback ends in failure.
    PostMessage(dlg->Handle(), WM_SHOW_BOOKMARK_BAR, 1, 0);
    ASSERT_TRUE(RunUntil([&] { return dlg->m_pBookmarkDlg != nullptr; }));
    sim.Send(k5sim::id::PLAY_ON_FAIL, k5sim::BE32(1));
    // The receive thread asks for the bar's end; the GUI thread carries it out.
    ASSERT_TRUE(RunUntil([&] { return dlg->m_pBookmarkDlg == nullptr; }));
    ASSERT_TRUE(RunUntil([&] { return !Net().m_bPlay.load(); }));
}

} // namespace
