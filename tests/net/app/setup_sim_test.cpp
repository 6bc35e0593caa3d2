// Remote setup end to end: the real main window against the simulator's
// setup database. Setup is pressed like the operator presses it, the setup
// window is worked from inside its modal run, and what reaches the recorder
// is checked on the wire.
#include "MainWindowSim.h"
#include "SimSetup.h"

#include "app/MainLayout.h"
#include "app/NotifyTable.h"
#include "app/PasswordDlg.h"
#include "net/NetRecords.h"
#include "setup/CameraColorPage.h"
#include "setup/CameraEnablePage.h"
#include "setup/CameraNamePage.h"
#include "setup/EventActionPage.h"
#include "setup/OsdSetupPage.h"
#include "setup/ChannelOnOffPage.h"
#include "setup/RemoteSetupDlg.h"
#include "setup/SetupMenuPage.h"
#include "setup/SetupPageIds.h"
#include "ui/ListPickerPopup.h"
#include "ui/SliderPickerPopup.h"
#include "ui/UiMessages.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <optional>
#include <set>

namespace {

using namespace mainsim;
using k5sim::Bytes;
namespace sid = k5sim::id;

CRemoteSetupDlg* OpenSetupWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<CRemoteSetupDlg*>(w); d && d->IsModalRunning() && !d->IsDestroyed())
            return d;
    return nullptr;
}

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
    void Start(std::uint8_t subMajor = 0, std::array<std::uint8_t, 8> rights = {1, 1, 1, 1, 1, 1, 1, 1})
    {
        k5sim::RecorderSim::Config config;
        config.hello.subMajor = subMajor;
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
        auto* timer = new QTimer(dlg.get());
        timer->setInterval(10);
        QObject::connect(timer, &QTimer::timeout, [timer, act] {
            if (CRemoteSetupDlg* s = OpenSetupWindow()) {
                timer->stop();
                timer->deleteLater();
                // A window the test fails to end must not hang the run.
                QTimer::singleShot(10000, s, [s] {
                    ADD_FAILURE() << "the setup window was still open";
                    PostMessage(s->Handle(), WM_CLOSE, 0, 0);
                });
                act(*s);
            }
        });
        timer->start();
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
    void AnswerPrompt(const std::string& text)
    {
        QTimer::singleShot(0, dlg.get(), [this, text] {
            CPasswordDlg* prompt = dlg->m_pPasswordDlg;
            ASSERT_NE(prompt, nullptr);
            prompt->m_editPassword.SetWindowText(QString::fromStdString(text));
            PostMessage(prompt->Handle(), WM_COMMAND, MakeCommandWParam(1, BN_CLICKED), 1);
        });
    }
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
