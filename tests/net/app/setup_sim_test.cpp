// Remote setup end to end: the real main window against the simulator's
// setup database. Setup is pressed like the operator presses it, the setup
// window is worked from inside its modal run, and what reaches the recorder
// is checked on the wire.
#include "MainWindowSim.h"
#include "SetupWindowSim.h"
#include "SimSetup.h"

#include "app/MainLayout.h"
#include "app/NotifyTable.h"
#include "app/PasswordDlg.h"
#include "net/NetRecords.h"
#include "setup/BasicSetupPage.h"
#include "setup/CameraColorPage.h"
#include "setup/CameraEnablePage.h"
#include "setup/CameraNamePage.h"
#include "setup/EventActionPage.h"
#include "setup/OsdSetupPage.h"
#include "setup/ChannelOnOffPage.h"
#include "setup/ClientAccountPage.h"
#include "setup/DstSetupPage.h"
#include "setup/NtpSetupPage.h"
#include "setup/RemoteSetupDlg.h"
#include "setup/SetupMenuPage.h"
#include "setup/SetupPageIds.h"
#include "ui/ListPickerPopup.h"
#include "ui/SliderPickerPopup.h"
#include "ui/UiMessages.h"

#include "SimTimeServer.h"
#include "setup/DateRules.h"
#include "setup/SystemRules.h"
#include "setup/TimeClient.h"
#include <QApplication>
#include <QTest>
#include <QTimer>
#include <ctime>
#include <gtest/gtest.h>
#include <optional>
#include <set>

namespace {

using namespace mainsim;
using k5sim::Bytes;
namespace sid = k5sim::id;

std::set<std::size_t> Diff(const Bytes& a, const Bytes& b)
{
    std::set<std::size_t> out;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        if (a[i] != b[i])
            out.insert(i);
    return out;
}

class SetupSim : public ::testing::Test
{
protected:
    void Start(std::uint8_t subMajor = 0, std::array<std::uint8_t, 8> rights = {1, 1, 1, 1, 1, 1, 1, 1},
               std::function<void(k5sim::RecorderSim::Config&)> adjust = {})
    {
        k5sim::RecorderSim::Config config;
        config.hello.subMajor = subMajor;
        if (adjust)
            adjust(config);
        sim = std::make_unique<k5sim::RecorderSim>(config);
        setup = std::make_unique<k5sim::SimSetup>(*sim, 7000);
        // The covert bytes of channels 1-5 start off.
        for (std::size_t off = 72; off < 77; ++off)
            setup->SetByte(off, 0);
        sim->OnHello(
            [rights](k5sim::RecorderSim& s) { s.Send(sid::RIGHT_CHANGE, RightsFor("admin", rights)); });
        ASSERT_TRUE(sim->Start());
        dialog->script = TypeServer("127.0.0.1", sim->Port(), "admin", "pw", "Yard");
        dlg = std::make_unique<MainWindow>(dialog);
        dlg->Commands().SetPause(0ms, [](std::chrono::milliseconds) {});
        ASSERT_TRUE(dlg->Create());
        ASSERT_TRUE(dlg->IsConnected());
        ASSERT_TRUE(RunUntil([&] { return Net().m_bLogin && Net().HasRight(RIGHT_SEARCH); }));
    }
    void TearDown() override
    {
        if (dlg)
            dlg->Close();
        dlg.reset();
    }
    CNetClient& Net() { return *dlg->m_pNetClient; }

    // Runs `act` on the setup window once its modal run has started.
    void WhenSetupOpens(std::function<void(CRemoteSetupDlg&)> act)
    {
        mainsim::WhenSetupOpens(dlg.get(), std::move(act));
    }
    // Presses Setup; true once the setup window has come and gone.
    bool PressSetup()
    {
        bool opened = false;
        const std::size_t fetches = sim->Count(sid::DB_INFO_REQ);
        WhenSetupOpens([&opened](CRemoteSetupDlg& s) {
            opened = true;
            s.WindowProc(WM_COMMAND, MakeCommandWParam(CRemoteSetupDlg::kIdCancel, BN_CLICKED), 0);
        });
        dlg->Commands().OnButton(IDC_REMOTE_SETUP);
        return RunUntil([&] { return opened && !OpenSetupWindow(); }) &&
               sim->Count(sid::DB_INFO_REQ) > fetches;
    }
    // Answers the next password prompt with `text`.
    void AnswerPrompt(const std::string& text) { AnswerPasswordPrompt(*dlg, QString::fromStdString(text)); }
    void Fence()
    {
        const std::size_t n = sim->Count(sid::ALIVE_REQ);
        ASSERT_TRUE(Net().Send(sid::ALIVE_REQ));
        ASSERT_TRUE(sim->WaitForCount(sid::ALIVE_REQ, n + 1));
    }

    std::unique_ptr<k5sim::RecorderSim> sim;
    std::unique_ptr<k5sim::SimSetup> setup;
    std::shared_ptr<FakeConnectDialog> dialog = std::make_shared<FakeConnectDialog>();
    std::unique_ptr<MainWindow> dlg;
};

} // namespace

TEST_F(SetupSim, CovertRowsOnOkReachTheRecorder)
{
    Start();
    const Bytes served = setup->Image();
    WhenSetupOpens([](CRemoteSetupDlg& s) {
        s.Menu(0)->OnMenuButton(451);
        auto* page = static_cast<CChannelOnOffPage*>(s.Page(SetupPage::kCameraCovert));
        ASSERT_NE(page, nullptr);
        for (int r : {0, 2, 3})
            page->m_rowCheck[r].SetCheck(1);
        page->OnRowOn(2);
        s.WindowProc(WM_COMMAND, MakeCommandWParam(CRemoteSetupDlg::kIdOk, BN_CLICKED), 0);
    });
    dlg->Commands().OnButton(IDC_REMOTE_SETUP);
    ASSERT_TRUE(RunUntil([&] { return dlg->Notified(0xA0000); }));
    EXPECT_FALSE(Net().m_bDbBusy);
    const auto updates = setup->Updates();
    ASSERT_EQ(updates.size(), 1u);
    ASSERT_EQ(updates[0].payload.size(), served.size() + 4);
    EXPECT_TRUE(updates[0].crcOk);
    const Bytes sent(updates[0].payload.begin() + 4, updates[0].payload.end());
    EXPECT_EQ(Diff(served, sent), (std::set<std::size_t>{72, 74, 75}));
    EXPECT_EQ(Net().m_hSetupDlg.load(), WndHandle());
}

TEST_F(SetupSim, CancelSendsNothingAndTheNextOpeningShowsTheRecordersImage)
{
    Start();
    WhenSetupOpens([](CRemoteSetupDlg& s) {
        s.Menu(0)->OnMenuButton(451);
        static_cast<CChannelOnOffPage*>(s.Page(SetupPage::kCameraCovert))->OnRowOn(0);
        EXPECT_EQ(s.Image().U8(72), 1);
        s.WindowProc(WM_COMMAND, MakeCommandWParam(CRemoteSetupDlg::kIdCancel, BN_CLICKED), 0);
    });
    dlg->Commands().OnButton(IDC_REMOTE_SETUP);
    ASSERT_TRUE(RunUntil(
        [&] { return sim->Count(sid::DB_INFO_REQ) == 1 && !OpenSetupWindow() && !Net().m_bDbBusy; }));
    Fence();
    EXPECT_EQ(sim->Count(sid::DB_UPDATE_REQ), 0u);

    int shown = -1;
    WhenSetupOpens([&shown](CRemoteSetupDlg& s) {
        shown = s.Image().U8(72);
        s.WindowProc(WM_COMMAND, MakeCommandWParam(CRemoteSetupDlg::kIdCancel, BN_CLICKED), 0);
    });
    dlg->Commands().OnButton(IDC_REMOTE_SETUP);
    ASSERT_TRUE(RunUntil([&] { return shown >= 0 && !OpenSetupWindow(); }));
    EXPECT_EQ(shown, 0);
}

TEST_F(SetupSim, WithoutTheRightNothingIsAsked)
{
    Start(0, {1, 0, 1, 1, 1, 1, 1, 1});
    dlg->Commands().OnButton(IDC_REMOTE_SETUP);
    ASSERT_TRUE(RunUntil([&] { return dlg->Notified(0xF0000); }));
    Fence();
    EXPECT_EQ(sim->Count(sid::DB_INFO_REQ), 0u);
}

TEST_F(SetupSim, RightsWithdrawnOrTheSessionEndingCloseTheWindowAsCancel)
{
    Start();
    WhenSetupOpens([this](CRemoteSetupDlg&) {
        sim->Send(sid::RIGHT_CHANGE, RightsFor("admin", {1, 0, 1, 1, 1, 1, 1, 1}));
    });
    dlg->Commands().OnButton(IDC_REMOTE_SETUP);
    ASSERT_TRUE(RunUntil(
        [&] { return sim->Count(sid::DB_INFO_REQ) == 1 && !OpenSetupWindow() && !Net().m_bDbBusy; }));
    Fence();
    EXPECT_EQ(sim->Count(sid::DB_UPDATE_REQ), 0u);
    sim->Send(sid::RIGHT_CHANGE, RightsFor("admin"));
    ASSERT_TRUE(RunUntil([&] { return Net().HasRight(RIGHT_REMOTE_SETUP); }));

    // The session ends while the window is open.
    bool opened = false;
    WhenSetupOpens([this, &opened](CRemoteSetupDlg&) {
        opened = true;
        dlg->Commands().Disconnect();
    });
    dlg->Commands().OnButton(IDC_REMOTE_SETUP);
    ASSERT_TRUE(RunUntil([&] { return opened && !OpenSetupWindow(); }));
    EXPECT_FALSE(dlg->IsConnected());
    EXPECT_EQ(sim->Count(sid::DB_UPDATE_REQ), 0u);
}

TEST_F(SetupSim, APromptOnSubProduct5TakesThePasswordInAnyCase)
{
    Start(5);
    AnswerPrompt("PW");
    ASSERT_TRUE(PressSetup());
    // A wrong password asks for nothing.
    AnswerPrompt("px");
    dlg->Commands().OnButton(IDC_REMOTE_SETUP);
    Fence();
    EXPECT_EQ(sim->Count(sid::DB_INFO_REQ), 1u);
}

TEST_F(SetupSim, CameraOffOnSubProduct6ZeroesExactlyTheListedBytes)
{
    Start(6);
    for (std::uint32_t off : CameraOffZeroedOffsets(2, true))
        setup->SetByte(off, 0x55);
    setup->SetByte(6776 + 2, 1);
    const Bytes served = setup->Image();
    AnswerPrompt("pw");
    WhenSetupOpens([](CRemoteSetupDlg& s) {
        s.Menu(0)->OnMenuButton(455);
        auto* page = static_cast<CCameraEnablePage*>(s.Page(SetupPage::kCameraEnable));
        ASSERT_NE(page, nullptr);
        page->OpenChoice(2);
        ASSERT_NE(s.ListPicker(), nullptr);
        s.ListPicker()->OnCellClicked(0);
        s.WindowProc(WM_COMMAND, MakeCommandWParam(CRemoteSetupDlg::kIdOk, BN_CLICKED), 0);
    });
    dlg->Commands().OnButton(IDC_REMOTE_SETUP);
    // The simulator notes an update once its handler has run.
    ASSERT_TRUE(RunUntil([&] { return setup->Updates().size() == 1; }));
    const auto updates = setup->Updates();
    ASSERT_EQ(updates.size(), 1u);
    const Bytes sent(updates[0].payload.begin() + 4, updates[0].payload.end());
    std::set<std::size_t> expected{6776 + 2};
    for (std::uint32_t off : CameraOffZeroedOffsets(2, true))
        expected.insert(off);
    EXPECT_EQ(Diff(served, sent), expected);
}

TEST_F(SetupSim, ARefusedUpdateIsSentAgainFromItsBox)
{
    Start();
    setup->SetUpdateNack(81);
    WhenSetupOpens([](CRemoteSetupDlg& s) {
        s.WindowProc(WM_COMMAND, MakeCommandWParam(CRemoteSetupDlg::kIdOk, BN_CLICKED), 0);
    });
    dlg->Commands().OnButton(IDC_REMOTE_SETUP);
    ASSERT_TRUE(RunUntil([&] { return dlg->Notified(0x70001); }));
    setup->SetUpdateNack(0);
    // What the box's OK does: the same image again.
    dlg->SendDBUpdateReq();
    ASSERT_TRUE(RunUntil([&] { return setup->Updates().size() == 2; }));
    const auto updates = setup->Updates();
    ASSERT_EQ(updates.size(), 2u);
    EXPECT_EQ(updates[0].payload, updates[1].payload);
    ASSERT_TRUE(RunUntil([&] { return dlg->Notified(0xA0000); }));
}

TEST_F(SetupSim, AResetClosesTheOpenWindowAndTheRecorderStartsAgainFromItsFactoryImage)
{
    Start();
    setup->SetFactory();
    setup->SetByte(72, 1); // a setting made since
    WhenSetupOpens([this](CRemoteSetupDlg& s) {
        EXPECT_EQ(s.Image().U8(72), 1);
        // What the reset confirmation's OK does while a window is open.
        dlg->SendDBInitReq();
    });
    dlg->Commands().OnButton(IDC_REMOTE_SETUP);
    ASSERT_TRUE(RunUntil(
        [&] { return sim->Count(sid::DB_INIT_REQ) == 1 && !OpenSetupWindow() && !Net().m_bDbBusy; }));
    Fence();
    EXPECT_EQ(sim->Count(sid::DB_UPDATE_REQ), 0u);
    EXPECT_EQ(setup->Image()[72], 0);
}

TEST_F(SetupSim, DisplayPagesAndTheSecondActionReachTheRecorderOnOk)
{
    Start();
    setup->SetByte(1, 7); // format 4.7: the action's duration through the slider
    setup->SetBE32(4464, 30);
    const Bytes served = setup->Image();
    bool onColour = false;
    WhenSetupOpens([&onColour](CRemoteSetupDlg& s) {
        auto* colour = dynamic_cast<CCameraColorPage*>(s.CurrentPage());
        onColour = colour != nullptr;
        if (colour) {
            // Brightness of the checked rows 2 and 6 from row 2's slider.
            colour->WindowProc(WM_COMMAND, MakeCommandWParam(473, BN_CLICKED), 0);
            colour->m_rowCheck[1].SetCheck(1);
            colour->m_rowCheck[5].SetCheck(1);
            colour->m_slider[1].SetPos(77);
            colour->OnSliderMoved(511);
            s.Menu(0)->OnMenuButton(452);
            auto* names = dynamic_cast<CCameraNamePage*>(s.Page(SetupPage::kCameraName));
            names->m_edit[2].selectAll();
            QTest::keyClicks(&names->m_edit[2], "dock");
            s.Menu(0)->OnMenuButton(454);
            auto* osd = dynamic_cast<COsdSetupPage*>(s.Page(SetupPage::kOsdSetup));
            osd->OpenListRow(COsdSetupPage::kRowA);
            s.ListPicker()->OnCellClicked(3);
            s.OnTab(3);
            s.Menu(3)->OnMenuButton(453);
            auto* action = dynamic_cast<CEventActionPage*>(s.Page(SetupPage::kEventActionB));
            action->OnNo(CEventActionPage::kDurationRow);
            s.SliderPicker()->OnPlus();
        }
        // OK closes the slider first: its 31 lands before the image goes.
        s.WindowProc(WM_COMMAND, MakeCommandWParam(CRemoteSetupDlg::kIdOk, BN_CLICKED), 0);
    });
    dlg->Commands().OnButton(IDC_REMOTE_SETUP);
    ASSERT_TRUE(RunUntil([&] { return dlg->Notified(0xA0000); }));
    EXPECT_TRUE(onColour) << "Setup opens on the colour page";
    const auto updates = setup->Updates();
    ASSERT_EQ(updates.size(), 1u);
    ASSERT_EQ(updates[0].payload.size(), served.size() + 4);
    const Bytes sent(updates[0].payload.begin() + 4, updates[0].payload.end());
    Bytes expected = served;
    expected[56 + 1] = 77;
    expected[56 + 5] = 77;
    const char* name = "DOCK";
    for (int i = 0; i < 5; ++i)
        expected[152 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(name[i]);
    expected[636] = 3;
    expected[4464] = 0;
    expected[4465] = 0;
    expected[4466] = 0;
    expected[4467] = 31; // big-endian on the wire
    EXPECT_EQ(Diff(served, sent), Diff(served, expected));
    EXPECT_EQ(sent, expected);
}

TEST_F(SetupSim, ATypedNameLeftWithCancelIsNotSent)
{
    Start();
    WhenSetupOpens([](CRemoteSetupDlg& s) {
        s.Menu(0)->OnMenuButton(452);
        auto* names = dynamic_cast<CCameraNamePage*>(s.Page(SetupPage::kCameraName));
        QTest::keyClicks(&names->m_edit[0], "x");
        s.WindowProc(WM_COMMAND, MakeCommandWParam(CRemoteSetupDlg::kIdCancel, BN_CLICKED), 0);
    });
    dlg->Commands().OnButton(IDC_REMOTE_SETUP);
    ASSERT_TRUE(RunUntil(
        [&] { return sim->Count(sid::DB_INFO_REQ) == 1 && !OpenSetupWindow() && !Net().m_bDbBusy; }));
    Fence();
    EXPECT_EQ(sim->Count(sid::DB_UPDATE_REQ), 0u);
}

// The DST page asks the recorder for its clock with the header the recorder
// knows (words 1 and 2 not zero) and keeps what comes back within bounds.
TEST_F(SetupSim, TheDstPageAsksForTheRecordersClock)
{
    struct Case
    {
        bool answer;
        std::uint32_t time;
        bool changes;
        std::int64_t expected; // with the PC's zone offset 0
    } cases[] = {
        {true, 1700000000u, true, 1700000000}, {true, 0, false, 0},  {true, 0x80000000u, true, 0},
        {true, 2114380801u, true, 2114380800}, {false, 0, false, 0},
    };
    CDstSetupPage::PcClock clock;
    clock.utcNow = [] { return std::int64_t(1500000000); };
    clock.zoneOffset = [] { return 0; };
    CDstSetupPage::SetPcClockForTesting(clock);
    for (const Case& c : cases) {
        Start(0, {1, 1, 1, 1, 1, 1, 1, 1}, [c](k5sim::RecorderSim::Config& config) {
            config.recorderTime = c.time;
            config.answerTime = c.answer;
        });
        std::int64_t seen = -1;
        // The page's clock goes on by a second at each of its ticks: a slow
        // run may read it a tick or more later.
        std::int64_t ticks = 0;
        WhenSetupOpens([&](CRemoteSetupDlg& s) {
            const auto opened = std::chrono::steady_clock::now();
            s.OnTab(2);
            s.Menu(2)->OnMenuButton(456);
            auto* page = dynamic_cast<CDstSetupPage*>(s.Page(SetupPage::kDstSetup));
            ASSERT_NE(page, nullptr);
            EXPECT_TRUE(sim->WaitForCount(sid::DVR_TIME_REQ, 1, 10s)) << sim->Received().size();
            if (c.answer) {
                Fence(); // the answer went out before the fence's echo
                // Its post reaches the page with the next events.
                for (int i = 0; i < 5; ++i)
                    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            }
            RunUntil([&] { return !c.changes || page->ClockNow() != 1500000000; }, 10s);
            seen = page->ClockNow();
            ticks = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - opened).count();
            s.WindowProc(WM_COMMAND, MakeCommandWParam(CRemoteSetupDlg::kIdCancel, BN_CLICKED), 0);
        });
        dlg->Commands().OnButton(IDC_REMOTE_SETUP);
        ASSERT_TRUE(RunUntil([&] { return seen >= 0 && !OpenSetupWindow(); }));
        const auto requests = sim->ReceivedOf(sid::DVR_TIME_REQ);
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].header, (Bytes{0x00, 0x00, 0x3F, 0x00, 0x00, 0x3F, 0x00, 0x00, 0x00, 0x3F, 0x00,
                                             0x00, 0x00, 0x00, 0x00, 0x00}));
        const std::int64_t due = c.changes ? c.expected : 1500000000;
        EXPECT_GE(seen, due) << c.time;
        EXPECT_LE(seen, due + ticks) << c.time;
        // An answer after the page closed goes nowhere.
        EXPECT_TRUE(sim->Send(sid::DVR_TIME_ACK, k5sim::BE32(1700000000u)));
        Fence();
        TearDown();
        setup.reset();
        sim.reset();
    }
    CDstSetupPage::SetPcClockForTesting({});
}

TEST_F(SetupSim, InitializeAsksTheMainWindowWhichSendsTheReset)
{
    Start();
    setup->SetFactory();
    WhenSetupOpens([this](CRemoteSetupDlg& s) {
        s.OnTab(2);
        auto* page = dynamic_cast<CBasicSetupPage*>(s.Page(SetupPage::kBasicSetup));
        ASSERT_NE(page, nullptr);
        page->OnInitialize();
        ASSERT_TRUE(RunUntil([&] { return dlg->Notified(0x100000); }));
        // The confirmation's OK.
        dlg->SendDBInitReq();
    });
    dlg->Commands().OnButton(IDC_REMOTE_SETUP);
    ASSERT_TRUE(RunUntil([&] { return sim->Count(sid::DB_INIT_REQ) == 1 && !OpenSetupWindow(); }));
    EXPECT_EQ(sim->Count(sid::DB_UPDATE_REQ), 0u);
}

// Through the menus: a language from a table with a gap, the standard on 8
// channels, an account's level, a DST rule, the NTP server name and the zone;
// the update differs from the served image in exactly those bytes.
TEST_F(SetupSim, SystemPagesThroughTheMenusReachTheRecorder)
{
    sim = nullptr;
    k5sim::RecorderSim::Config config;
    config.hello.channelNum = 8;
    sim = std::make_unique<k5sim::RecorderSim>(config);
    setup = std::make_unique<k5sim::SimSetup>(*sim, 7000, 4, 8);
    for (std::size_t off : {2u, 2660u, 4140u, 4141u, 4144u, 3204u, 3205u, 5691u})
        setup->SetByte(off, 0);
    setup->SetByte(4141, 1);
    setup->SetByte(4144, 1);
    setup->SetByte(644, 0);
    sim->OnHello([](k5sim::RecorderSim& s) {
        s.Send(sid::RIGHT_CHANGE, RightsFor("admin"));
        s.Send(sid::SYS_ETC_INFO, k5sim::BuildSysEtcInfo({1, 0, 4, 3}));
    });
    ASSERT_TRUE(sim->Start());
    k5sim::SimTimeServer timeServer;
    ASSERT_TRUE(timeServer.Start());
    timeServer.SetTime(1800000000);
    TimeServerConfig tc;
    tc.host1 = "127.0.0.1";
    tc.port = timeServer.Port();
    CNtpSetupPage::SetTimeServerForTesting(tc);
    int confirms = 0;
    CDstSetupPage::SetConfirmForTesting([&confirms] {
        ++confirms;
        return false;
    });
    dialog->script = TypeServer("127.0.0.1", sim->Port(), "admin", "pw", "Yard");
    // The pages' value cells need their texts: the built bundle.
    dlg = std::make_unique<MainWindow>(BundledDeps(dialog));
    dlg->Commands().SetPause(0ms, [](std::chrono::milliseconds) {});
    ASSERT_TRUE(dlg->Create());
    ASSERT_TRUE(RunUntil([&] { return Net().m_bLogin && Net().HasRight(RIGHT_SEARCH); }));
    const Bytes served = setup->Image();

    WhenSetupOpens([](CRemoteSetupDlg& s) {
        s.OnTab(2); // the basic page opens first
        auto* basic = dynamic_cast<CBasicSetupPage*>(s.Page(SetupPage::kBasicSetup));
        ASSERT_NE(basic, nullptr);
        basic->OnLanguage();
        ASSERT_NE(s.ListPicker(), nullptr);
        EXPECT_EQ(s.ListPicker()->Request().Count, 3);
        ASSERT_NE(s.ListPicker(), nullptr) << s.Caps().userIndex << s.Caps().userMatched;
        s.ListPicker()->OnCellClicked(1); // German, entry 2
        basic->OnVideoStandard();
        ASSERT_NE(s.ListPicker(), nullptr) << s.Caps().userIndex << s.Caps().userMatched;
        s.ListPicker()->OnCellClicked(1); // PAL
        s.Menu(2)->OnMenuButton(451);
        auto* account = dynamic_cast<CClientAccountPage*>(s.Page(SetupPage::kClientAccount));
        ASSERT_NE(account, nullptr);
        account->OpenPicker(CClientAccountPage::kUser);
        ASSERT_NE(s.ListPicker(), nullptr) << s.Caps().userIndex << s.Caps().userMatched;
        s.ListPicker()->OnCellClicked(3);
        account->OpenPicker(CClientAccountPage::kLevel);
        ASSERT_NE(s.ListPicker(), nullptr) << s.Caps().userIndex << s.Caps().userMatched;
        s.ListPicker()->OnCellClicked(1);
        s.Menu(2)->OnMenuButton(456);
        auto* dst = dynamic_cast<CDstSetupPage*>(s.Page(SetupPage::kDstSetup));
        ASSERT_NE(dst, nullptr);
        dst->OpenItem(CDstSetupPage::kMode);
        ASSERT_NE(s.ListPicker(), nullptr) << s.Caps().userIndex << s.Caps().userMatched;
        s.ListPicker()->OnCellClicked(1); // user rule, weekday form
        s.Menu(2)->OnMenuButton(457);
        auto* ntp = dynamic_cast<CNtpSetupPage*>(s.Page(SetupPage::kNtpSetup));
        ASSERT_NE(ntp, nullptr);
        ntp->m_edit.SetWindowText("ntp.invalid");
        ntp->ShowZoneTab();
        ntp->OpenItem(CNtpSetupPage::kZone);
        ASSERT_NE(s.ListPicker(), nullptr) << s.Caps().userIndex << s.Caps().userMatched;
        s.ListPicker()->OnCellClicked(9); // +8:00
        s.WindowProc(WM_COMMAND, MakeCommandWParam(CRemoteSetupDlg::kIdOk, BN_CLICKED), 0);
    });
    dlg->Commands().OnButton(IDC_REMOTE_SETUP);
    ASSERT_TRUE(RunUntil([&] { return dlg->Notified(0xA0000); }));
    CNtpSetupPage::SetTimeServerForTesting(std::nullopt);
    CDstSetupPage::SetConfirmForTesting({});
    EXPECT_EQ(confirms, 0);
    const auto updates = setup->Updates();
    ASSERT_EQ(updates.size(), 1u);
    const Bytes sent(updates[0].payload.begin() + 4, updates[0].payload.end());

    // What each change should have written, on a copy of the served image.
    SetupDbImage expected{};
    std::copy_n(served.begin(), std::min(served.size(), expected.size()), expected.begin());
    ConvertDbToHost(expected.data());
    ImageRef e(expected);
    e.Set(SetupDb::Language, 2);
    RebuildRatesForStandard(e, 1, 8, false);
    e.Set(SetupDb::UserLevel, 3, 1);
    e.Set(SetupDb::DstMode, 1);
    e.Set(SetupDb::DstRuleForm, 0);
    {
        std::time_t now = std::time(nullptr);
        std::tm tm{};
        localtime_r(&now, &tm);
        const int year = tm.tm_year + 1900;
        for (const SetupDb::Field* f : {&SetupDb::DstStart, &SetupDb::DstEnd}) {
            const int day = NthWeekdayDay(year, static_cast<int>(e.Get(*f, 0)),
                                          static_cast<int>(e.Get(*f, 1)), static_cast<int>(e.Get(*f, 2)));
            e.Set(*f, 3, static_cast<std::uint32_t>(day - 1));
        }
    }
    e.SetText(SetupDb::NtpServerName, 0, "ntp.invalid");
    e.Set(SetupDb::TimeZoneIndex, 9);
    ConvertDbToNetwork(expected.data());
    EXPECT_EQ(Diff(Bytes(expected.begin(), expected.end()), sent), std::set<std::size_t>{});
    EXPECT_FALSE(Diff(served, sent).empty());
}

// The logged-in index is the row of the recorder's rights table that matched
// the login: rows 0 and 1 may change live channels, rows 2 and 6 may not.
TEST_F(SetupSim, TheMatchedRightsRowDecidesWhoEditsAccounts)
{
    for (int row : {0, 1, 2, 6}) {
        k5sim::RecorderSim::Config config;
        sim = std::make_unique<k5sim::RecorderSim>(config);
        setup = std::make_unique<k5sim::SimSetup>(*sim, 7000, 5, 0);
        for (std::size_t u = 0; u < 8; ++u)
            setup->SetByte(6616 + 16 * u, 1); // every account may watch channel 1
        sim->OnHello([row](k5sim::RecorderSim& s) {
            std::vector<k5sim::UserRow> rows(7);
            for (int u = 0; u < 7; ++u) {
                rows[static_cast<std::size_t>(u)].name = "user" + std::to_string(u);
                rows[static_cast<std::size_t>(u)].password = "pw" + std::to_string(u);
            }
            rows[static_cast<std::size_t>(row)].name = "admin";
            rows[static_cast<std::size_t>(row)].password = "pw";
            s.Send(sid::RIGHT_CHANGE, k5sim::BuildRightChange(rows));
        });
        ASSERT_TRUE(sim->Start());
        dialog->script = TypeServer("127.0.0.1", sim->Port(), "admin", "pw", "Yard");
        dlg = std::make_unique<MainWindow>(dialog);
        dlg->Commands().SetPause(0ms, [](std::chrono::milliseconds) {});
        ASSERT_TRUE(dlg->Create());
        ASSERT_TRUE(RunUntil([&] { return Net().m_bLogin && Net().UserMatched(); }));
        int logged = -2;
        WhenSetupOpens([&logged](CRemoteSetupDlg& s) {
            s.OnTab(2);
            s.Menu(2)->OnMenuButton(451);
            auto* account = dynamic_cast<CClientAccountPage*>(s.Page(SetupPage::kClientAccount));
            ASSERT_NE(account, nullptr);
            logged = account->LoggedIn();
            account->OnLiveChannels();
            auto* live = dynamic_cast<CChannelOnOffPage*>(s.Page(SetupPage::kAccountChannel));
            ASSERT_NE(live, nullptr);
            // The account page opened on the logged-in account itself.
            live->OnRowOff(0);
            s.WindowProc(WM_COMMAND, MakeCommandWParam(CRemoteSetupDlg::kIdOk, BN_CLICKED), 0);
        });
        dlg->Commands().OnButton(IDC_REMOTE_SETUP);
        ASSERT_TRUE(RunUntil([&] { return logged != -2 && !OpenSetupWindow(); }));
        EXPECT_EQ(logged, row);
        Fence();
        const auto updates = setup->Updates();
        ASSERT_EQ(updates.size(), 1u) << row;
        const Bytes sent(updates[0].payload.begin() + 4, updates[0].payload.end());
        const std::size_t channel1 = 6616 + 16 * static_cast<std::size_t>(row);
        EXPECT_EQ(sent[channel1], row <= 1 ? 0 : 1) << row;
        TearDown();
        setup.reset();
        sim.reset();
    }
}
