// PTZ end to end: the real main window, connected through its connect
// dialog to the simulator, opens the PTZ panels with its Pan and Zoom
// buttons; the channel request, the recorder's answer, the direction moves
// and the keypad's presets are checked on the wire and on the panels.
#include "MainWindowSim.h"
#include "SimPtz.h"

#include "app/NotifyTable.h"
#include "net/NetRecords.h"

#include <gtest/gtest.h>

namespace {

using namespace mainsim;
using k5sim::Bytes;
using k5sim::PtzAnswer;
namespace sid = k5sim::id;

constexpr std::array<std::uint8_t, 8> kAllRights = {1, 1, 1, 1, 1, 1, 1, 1};
constexpr std::array<std::uint8_t, 8> kNoPtzRight = {1, 1, 1, 1, 0, 1, 1, 1};

class PtzSim : public ::testing::Test
{
protected:
    // Starts the main window, which connects at start through its dialog,
    // and waits for the recorder's rights table; live view is then on.
    void Start(std::array<std::uint8_t, 8> rights = kAllRights)
    {
        sim.OnHello(
            [rights](k5sim::RecorderSim& s) { s.Send(sid::RIGHT_CHANGE, RightsFor("admin", rights)); });
        ASSERT_TRUE(sim.Start());
        dialog->script = TypeServer("127.0.0.1", sim.Port(), "admin", "pw", "Yard");
        dlg = std::make_unique<MainWindow>(dialog);
        ASSERT_TRUE(dlg->Create());
        ASSERT_TRUE(dlg->IsConnected());
        ASSERT_TRUE(RunUntil([&] { return Net().HasRight(RIGHT_SEARCH); }));
        // The live start lays the grid out on the GUI thread after it sent
        // LIVE_REQ. A layout change while the direction panel is open asks
        // for the PTZ channel again, as it should: so the panel is opened
        // only once that layout is done, and every request the tests count
        // is one they caused.
        ASSERT_TRUE(RunUntil([&] { return sim.Count(sid::LIVE_REQ) >= 1; }, 60s));
        SyncReceive();
        // Live view itself is the live path's; here it is simply on.
        Net().m_bLive = true;
    }
    void TearDown() override
    {
        if (dlg)
            dlg->Close();
        dlg.reset();
    }

    CNetClient& Net() { return *dlg->m_pNetClient; }
    CPtzPanels& Panels() { return dlg->PtzPanels(); }
    CPtzControlDlg* Panel() { return Panels().Control(); }

    // Whatever the client sent before has reached the simulator.
    void Fence()
    {
        const std::size_t n = sim.Count(sid::ALIVE_REQ);
        ASSERT_TRUE(Net().Send(sid::ALIVE_REQ));
        ASSERT_TRUE(sim.WaitForCount(sid::ALIVE_REQ, n + 1));
    }

    // Everything the receive thread handed to the GUI thread before this
    // returns has been handled there: the simulator's message 257 is posted
    // to the main window after whatever came before it.
    void SyncReceive()
    {
        const std::size_t n = dlg->Count(WM_BRING_TO_FRONT);
        ASSERT_TRUE(sim.Send(sid::MSG_257, Bytes(12, 0)));
        ASSERT_TRUE(RunUntil([&] { return dlg->Count(WM_BRING_TO_FRONT) > n; }));
    }

    // The six buttons the channel answer switches, all in one state.
    bool AnswerButtons(bool enabled)
    {
        CPtzControlDlg* p = Panel();
        if (!p)
            return false;
        for (const CSkinButton* b : {&p->m_btnUp, &p->m_btnDown, &p->m_btnLeft, &p->m_btnRight,
                                     &p->m_btnPresetPan, &p->m_btnPresetZoom}) {
            if (b->m_bEnabled != enabled)
                return false;
        }
        return true;
    }

    // Opens the direction panel with its button; waits for the answer that
    // the channel has PTZ.
    void OpenWithPtz(int mode)
    {
        mode == kPtzModePan ? dlg->TogglePtzPan() : dlg->TogglePtzZoom();
        ASSERT_TRUE(Panel());
        ASSERT_TRUE(RunUntil([&] { return Net().m_ptz.m_nPtzMode == kPtzStateHasPtz; }));
        SyncReceive();
        ASSERT_TRUE(AnswerButtons(true));
    }

    void Press(CSkinButton& button, bool released)
    {
        ASSERT_TRUE(Panel());
        ASSERT_TRUE(Panel()->OnButtonPress(button.Handle().Id(), released ? 1 : 0));
    }

    std::vector<Bytes> MovePayloads() const
    {
        std::vector<Bytes> out;
        for (const k5sim::Message& m : sim.ReceivedOf(sid::PTZ_MOVE_REQ))
            out.push_back(m.payload);
        return out;
    }

    Scratch scratch;
    k5sim::RecorderSim sim;
    k5sim::SimPtz ptz{sim};
    std::shared_ptr<FakeConnectDialog> dialog = std::make_shared<FakeConnectDialog>();
    std::unique_ptr<MainWindow> dlg;
};

TEST_F(PtzSim, OpeningAsksForTheFirstVisibleChannelWithVideoInThePanelsMode)
{
    Start();
    struct Case
    {
        const char* name;
        bool singleCellShowingChannel3;
        std::uint32_t videoLoss;
        int mode;
        int channel; // -1: no request
    };
    const Case cases[] = {
        {"all cells, all video", false, 0x0000, kPtzModePan, 0},
        {"channel 0 lost", false, 0x0001, kPtzModeZoom, 1},
        {"cell 0 shows channel 3", true, 0x0007, kPtzModePan, 3},
        {"every channel lost", false, 0xFFFF, kPtzModePan, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CVideoGridDlg& grid = *dlg->m_pVideoWnd;
        grid.ResetCellMap();
        grid.SetLayout(14);
        if (c.singleCellShowingChannel3) {
            grid.SwapCells(0, 3);
            grid.SetLayout(0);
        }
        Net().m_nLiveMask = c.videoLoss;
        const std::size_t before = sim.Count(sid::PTZ_CHANNEL_REQ);

        dlg->TogglePtz(c.mode);
        ASSERT_TRUE(Panel());
        EXPECT_EQ(Panel()->m_nMode, c.mode);
        EXPECT_EQ(dlg->m_btnPan.m_nState, c.mode == kPtzModePan ? 1 : 0);
        EXPECT_EQ(dlg->m_btnZoom.m_nState, c.mode == kPtzModeZoom ? 1 : 0);
        if (c.channel >= 0) {
            ASSERT_TRUE(sim.WaitForCount(sid::PTZ_CHANNEL_REQ, before + 1));
            const k5sim::Message req = sim.ReceivedOf(sid::PTZ_CHANNEL_REQ).back();
            EXPECT_EQ(req.length, 4);
            EXPECT_EQ(req.payload, (Bytes{std::uint8_t(c.channel), std::uint8_t(c.mode), 0, 0}));
            EXPECT_EQ(Net().m_ptz.m_nPtzChannel.load(), c.channel);
            ASSERT_TRUE(RunUntil([&] { return Net().m_ptz.m_nPtzMode == kPtzStateHasPtz; }));
        } else {
            Fence();
            EXPECT_EQ(sim.Count(sid::PTZ_CHANNEL_REQ), before);
        }

        // The lit button closes the panel again.
        dlg->TogglePtz(c.mode);
        ASSERT_TRUE(RunUntil([&] { return Panel() == nullptr && Panels().m_pPtzControlDlg == nullptr; }));
        EXPECT_EQ(dlg->m_btnPan.m_nState, 0);
        EXPECT_EQ(dlg->m_btnZoom.m_nState, 0);
        EXPECT_EQ(Net().m_ptz.m_nPtzMode.load(), kPtzStateNoPanel);
        EXPECT_TRUE(Net().m_ptz.m_hPtzControlDlg.load().IsNull());
    }
}

TEST_F(PtzSim, ChannelAnswerSwitchesTheSixButtons)
{
    Start();
    const struct
    {
        PtzAnswer answer;
        bool enabled;
        int ptzMode;
    } cases[] = {
        {PtzAnswer::HasPtz, true, kPtzStateHasPtz},
        {PtzAnswer::NoPtz, false, kPtzStateNoPtz},
        {PtzAnswer::Empty, false, kPtzStateNoPtz},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.answer));
        ptz.SetAll(c.answer);
        dlg->TogglePtzPan();
        ASSERT_TRUE(RunUntil([&] { return Net().m_ptz.m_nPtzMode == c.ptzMode; }));
        SyncReceive();
        EXPECT_TRUE(AnswerButtons(c.enabled));
        dlg->TogglePtzPan();
        ASSERT_TRUE(RunUntil([&] { return Panels().m_pPtzControlDlg == nullptr; }));
    }
}

TEST_F(PtzSim, DirectionPressesAndReleasesGoOutAsMoveAndStop)
{
    Start();
    OpenWithPtz(kPtzModePan);
    Press(Panel()->m_btnUp, false);
    Press(Panel()->m_btnUp, true);
    // Zoom switches the open panel; the same button now means another move.
    dlg->TogglePtzZoom();
    ASSERT_TRUE(Panel());
    EXPECT_EQ(Panel()->m_nMode, kPtzModeZoom);
    Press(Panel()->m_btnLeft, false);
    Press(Panel()->m_btnLeft, true);
    // Without live view the panel's presses send nothing.
    Net().m_bLive = false;
    Press(Panel()->m_btnRight, false);
    Fence();

    std::vector<std::pair<std::uint16_t, Bytes>> moves;
    std::vector<std::uint16_t> lengths;
    for (const k5sim::Message& m : sim.Received()) {
        if (m.id == sid::PTZ_MOVE_REQ || m.id == sid::PTZ_MOVE_STOP) {
            moves.emplace_back(m.id, m.payload);
            lengths.push_back(m.length);
        }
    }
    const std::vector<std::pair<std::uint16_t, Bytes>> expected = {
        {sid::PTZ_MOVE_REQ, {2, 0, 0, 0}},
        {sid::PTZ_MOVE_STOP, {}},
        {sid::PTZ_MOVE_REQ, {7, 0, 0, 0}},
        {sid::PTZ_MOVE_STOP, {}},
    };
    EXPECT_EQ(moves, expected);
    EXPECT_EQ(lengths, (std::vector<std::uint16_t>{4, 0, 4, 0}));
    EXPECT_EQ(sim.Count(sid::PTZ_CHANNEL_REQ), 1u) << "switching the mode asks nothing";
}

TEST_F(PtzSim, KeypadCallsAndALearnModeSetCompletedTwoWays)
{
    Start();
    OpenWithPtz(kPtzModePan);

    // The preset button opens the keypad; Call 300 goes out with its high byte.
    Press(Panel()->m_btnPresetPan, false);
    CPtzPresetDlg* keypad = Panels().Keypad();
    ASSERT_TRUE(keypad);
    for (int digit : {3, 0, 0})
        keypad->OnDigit(digit);
    keypad->OnOK();
    ASSERT_TRUE(Panels().Keypad()) << "the keypad stays for the next call";

    // Learn mode: Set 5 is sent and left pending; the preset buttons say so.
    keypad->OnLearnMode();
    keypad->OnSet();
    keypad->OnDigit(5);
    keypad->OnOK();
    ASSERT_TRUE(RunUntil([&] { return Panels().m_pPtzPresetDlg == nullptr; }));
    EXPECT_TRUE(Net().m_ptz.m_bPresetPending.load());
    EXPECT_EQ(Panel()->m_btnPresetPan.m_nState, 4);

    // The next press of the preset button completes it instead of opening the keypad.
    Press(Panel()->m_btnPresetPan, false);
    EXPECT_EQ(Panels().Keypad(), nullptr);
    EXPECT_FALSE(Net().m_ptz.m_bPresetPending.load());
    EXPECT_EQ(Panel()->m_btnPresetPan.m_nState, 0);

    // A second Learn-mode Set is completed by closing the panel.
    Press(Panel()->m_btnPresetPan, false);
    keypad = Panels().Keypad();
    ASSERT_TRUE(keypad);
    keypad->OnLearnMode();
    keypad->OnSet();
    keypad->OnDigit(7);
    keypad->OnOK();
    dlg->TogglePtzPan();
    ASSERT_TRUE(RunUntil(
        [&] { return Panels().m_pPtzControlDlg == nullptr && Panels().m_pPtzPresetDlg == nullptr; }));
    EXPECT_FALSE(Net().m_ptz.m_bPresetPending.load());
    Fence();

    const std::vector<Bytes> expected = {
        {9, 0x2C, 0, 0x01}, // Call 300
        {10, 5, 0, 0},      // Learn-mode Set 5
        {11, 5, 0, 0},      // its completion
        {10, 7, 0, 0},      {11, 7, 0, 0},
    };
    EXPECT_EQ(MovePayloads(), expected);
}

TEST_F(PtzSim, WithdrawnPtzRightClosesThePanelAndSaysSo)
{
    Start();
    OpenWithPtz(kPtzModeZoom);
    const LPARAM noPermission = MakeNotifyParam(NOTIFY_NO_PERMISSION, 0);
    ASSERT_TRUE(sim.Send(sid::RIGHT_CHANGE, RightsFor("admin", kNoPtzRight)));
    ASSERT_TRUE(
        RunUntil([&] { return Panels().m_pPtzControlDlg == nullptr && dlg->Notified(noPermission); }));
    EXPECT_EQ(dlg->m_btnZoom.m_nState, 0);

    // Pan without the right opens nothing and says so again.
    dlg->notifications.clear();
    dlg->TogglePtzPan();
    EXPECT_EQ(Panel(), nullptr);
    ASSERT_TRUE(RunUntil([&] { return dlg->Notified(noPermission); }));
}

TEST_F(PtzSim, LiveStopAndDisconnectCloseThePanels)
{
    Start();
    OpenWithPtz(kPtzModePan);
    Press(Panel()->m_btnPresetPan, false);
    ASSERT_TRUE(Panels().Keypad());
    Net().SendLiveStop();
    ASSERT_TRUE(RunUntil(
        [&] { return Panels().m_pPtzControlDlg == nullptr && Panels().m_pPtzPresetDlg == nullptr; }));
    EXPECT_EQ(dlg->m_btnPan.m_nState, 0);
    // Live view off: Pan does nothing.
    dlg->TogglePtzPan();
    EXPECT_EQ(Panel(), nullptr);

    Net().m_bLive = true;
    OpenWithPtz(kPtzModePan);
    dlg->Disconnect();
    ASSERT_TRUE(RunUntil([&] { return Panels().m_pPtzControlDlg == nullptr; }));
    EXPECT_EQ(dlg->m_btnPan.m_nState, 0);
}

} // namespace
