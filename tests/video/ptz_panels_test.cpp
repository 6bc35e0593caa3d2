// The PTZ panels with a fake connection and a fake main window: the channel
// answer switching the buttons, presses becoming requests, the keypad with
// its Learn mode, the dome menu, and placement beside the video grid.
#include "net/Wire.h"
#include "ui/UiMessages.h"
#include "video/PtzPanels.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Sent
{
    std::uint16_t id;
    Bytes payload;
};

class FakeConnection : public IPtzConnection
{
public:
    bool closed = false;
    int account = 0;
    std::uint32_t loss = 0;
    std::vector<Sent> sent;
    CPtzState state;
    bool SendPtzMessage(std::uint16_t id, const void* payload, std::size_t length) override
    {
        if (closed)
            return false;
        const auto* p = static_cast<const std::uint8_t*>(payload);
        sent.push_back({id, Bytes(p, p + length)});
        return true;
    }
    CPtzState& PtzState() override { return state; }
    int HelloAccount() const override { return account; }
    std::uint32_t VideoLossMask() const override { return loss; }
    bool IsLiveOn() const override { return true; }
};

// The main window as the panels see it: it hears WM_PTZ_MOVE and
// WM_PTZ_PRESET and toggles the direction panel like its Pan and Zoom buttons.
class FakeMainWindow : public Wnd, public IPtzHost
{
public:
    CPtzPanels panels{*this};
    bool hasGrid = false;
    QRect grid;
    std::uint32_t visible = 0xFFFF;
    std::array<int, 16> cells{};
    std::vector<std::pair<int, int>> buttonStates;

    FakeMainWindow()
    {
        for (int i = 0; i < 16; ++i)
            cells[static_cast<std::size_t>(i)] = i;
    }

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == WM_PTZ_MOVE)
            panels.OnPtzMove(wParam, lParam);
        else if (msg == WM_PTZ_PRESET)
            panels.OnPtzPreset(wParam, lParam);
        return 0;
    }

    void Toggle(int mode)
    {
        if (!panels.IsControlOpen()) {
            panels.ShowPtzControl(mode);
            panels.EnableDirections(true);
        } else if (panels.ControlMode() == mode) {
            panels.ClosePtzPreset();
            panels.ClosePtzMenu();
            panels.ClosePtzControl();
        } else {
            panels.ShowPtzControl(mode);
        }
    }

    WndHandle MainWindow() const override { return Handle(); }
    void SetPtzButtons(int pan, int zoom) override { buttonStates.emplace_back(pan, zoom); }
    void TogglePtzPan() override { Toggle(kPtzModePan); }
    void TogglePtzZoom() override { Toggle(kPtzModeZoom); }
    QRect MainClientRect() const override { return QRect(100, 50, 928, 698); }
    bool VideoGridRect(QRect& r) const override
    {
        r = grid;
        return hasGrid;
    }
    bool VideoGridCells(std::uint32_t& v, std::array<int, 16>& c) const override
    {
        v = visible;
        c = cells;
        return true;
    }
    BYTE PanelOpacity() const override { return 230; }
};

void Pump()
{
    // Posted messages and the panels' queued clean-up.
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

void Click(Wnd* panel, int id)
{
    SendMessage(panel->Handle(), WM_COMMAND, MakeCommandWParam(id, BN_CLICKED), 0);
}

void Press(CPtzControlDlg* panel, const CSkinButton& button, int released)
{
    SendMessage(panel->Handle(), WM_BUTTON_UPDOWN, button.Handle().Id(), released);
}

class PtzPanelsTest : public testing::Test
{
protected:
    void SetUp() override
    {
        connection = std::make_shared<FakeConnection>();
        main.panels.SetConnection(connection);
    }

    CPtzControlDlg* OpenControl(int mode)
    {
        main.Toggle(mode);
        CPtzControlDlg* panel = main.panels.Control();
        EXPECT_NE(panel, nullptr);
        connection->sent.clear();
        return panel;
    }

    // Types the digits into the keypad and presses OK.
    void KeypadEnter(CPtzPresetDlg* keypad, std::initializer_list<int> digits)
    {
        for (int d : digits)
            Click(keypad, d == 0 ? CPtzPresetDlg::IDC_DIGIT0 : CPtzPresetDlg::IDC_DIGIT1 + d - 1);
        Click(keypad, CPtzPresetDlg::IDC_OK);
    }

    std::shared_ptr<FakeConnection> connection;
    FakeMainWindow main;
};

} // namespace

TEST_F(PtzPanelsTest, OpeningAsksForTheChannelOfTheFirstVisibleCellWithVideo)
{
    connection->state.m_nPtzChannel = 5;
    main.visible = 0x0001; // only cell 0, which shows channel 3
    main.cells[0] = 3;
    main.Toggle(kPtzModeZoom);
    CPtzControlDlg* panel = main.panels.Control();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(connection->state.m_nPtzChannel.load(), 3);
    ASSERT_EQ(connection->sent.size(), 1u);
    EXPECT_EQ(connection->sent[0].id, PTZ_CHANNEL_REQ);
    EXPECT_EQ(connection->sent[0].payload, (Bytes{3, 1, 0, 0}));
    // Slot 22 names the panel; it sits beside the main window.
    EXPECT_EQ(connection->state.m_hPtzControlDlg.load(), panel->Handle());
    EXPECT_EQ(panel->pos(), QPoint(100 + 730, 50 + 550));
    EXPECT_EQ(main.buttonStates.back(), std::make_pair(0, 1));
    EXPECT_TRUE(panel->m_btnPresetZoom.isVisibleTo(panel));
    EXPECT_FALSE(panel->m_btnPresetPan.isVisibleTo(panel));

    // Zoom again closes it; the slot empties once the window is gone.
    main.Toggle(kPtzModeZoom);
    Pump();
    EXPECT_FALSE(main.panels.IsControlOpen());
    EXPECT_TRUE(connection->state.m_hPtzControlDlg.load().IsNull());
    EXPECT_EQ(connection->state.m_nPtzMode.load(), kPtzStateNoPanel);
    EXPECT_EQ(main.buttonStates.back(), std::make_pair(0, 0));
}

TEST_F(PtzPanelsTest, ChannelAnswerSwitchesTheSixButtonsOnTheGuiThread)
{
    CPtzControlDlg* panel = OpenControl(kPtzModePan);
    const CSkinButton* six[] = {&panel->m_btnUp,    &panel->m_btnDown,      &panel->m_btnLeft,
                                &panel->m_btnRight, &panel->m_btnPresetPan, &panel->m_btnPresetZoom};
    struct Case
    {
        Bytes payload;
        bool enabled;
        int mode;
    };
    const Case cases[] = {
        {{0}, false, kPtzStateNoPtz}, {{1, 0, 0, 0}, true, kPtzStateHasPtz},
        {{}, false, kPtzStateNoPtz}, // an empty answer is no PTZ
        {{1}, true, kPtzStateHasPtz}, {{2}, false, kPtzStateNoPtz},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "payload size " << c.payload.size());
        // As the receive thread would: the state changes at once, the
        // buttons when the GUI thread takes the posted message.
        connection->state.OnChannelAck(c.payload.data(), c.payload.size());
        EXPECT_EQ(connection->state.m_nPtzMode.load(), c.mode);
        Pump();
        for (const CSkinButton* b : six)
            EXPECT_EQ(b->m_bEnabled, c.enabled);
    }
    // Pan and Zoom themselves are never switched off.
    EXPECT_TRUE(panel->m_btnPan.m_bEnabled);
    EXPECT_TRUE(panel->m_btnZoom.m_bEnabled);
}

TEST_F(PtzPanelsTest, PressesAndReleasesBecomeMovesAndStops)
{
    CPtzControlDlg* panel = OpenControl(kPtzModeZoom);
    Press(panel, panel->m_btnLeft, 0);
    Press(panel, panel->m_btnLeft, 1);
    Press(panel, panel->m_btnUp, 0);
    // Pan, Zoom and X have no direction code: nothing is sent for them.
    Press(panel, panel->m_btnPan, 0);
    ASSERT_EQ(connection->sent.size(), 3u);
    EXPECT_EQ(connection->sent[0].id, PTZ_MOVE_REQ);
    EXPECT_EQ(connection->sent[0].payload, (Bytes{7, 0, 0, 0}));
    EXPECT_EQ(connection->sent[1].id, PTZ_MOVE_STOP);
    EXPECT_TRUE(connection->sent[1].payload.empty());
    EXPECT_EQ(connection->sent[2].payload, (Bytes{4, 0, 0, 0}));

    // Switching to pan mode through the panel's Pan button.
    Click(panel, CPtzControlDlg::IDC_PAN);
    EXPECT_EQ(panel->m_nMode, kPtzModePan);
    Press(panel, panel->m_btnUp, 0);
    EXPECT_EQ(connection->sent.back().payload, (Bytes{2, 0, 0, 0}));
}

TEST_F(PtzPanelsTest, LearnModeSetIsStoredByTheNextPresetPress)
{
    CPtzControlDlg* panel = OpenControl(kPtzModePan);
    main.panels.ShowPtzPreset(1);
    CPtzPresetDlg* keypad = main.panels.Keypad();
    ASSERT_NE(keypad, nullptr);
    EXPECT_EQ(connection->state.m_hPtzPresetDlg.load(), keypad->Handle());
    EXPECT_EQ(keypad->m_nMode, 1);
    EXPECT_FALSE(keypad->m_btnTour.isVisibleTo(keypad));
    Click(keypad, CPtzPresetDlg::IDC_SET);
    KeypadEnter(keypad, {7, 5});

    ASSERT_EQ(connection->sent.size(), 1u);
    EXPECT_EQ(connection->sent[0].payload, (Bytes{10, 5, 0, 0})); // Learn mode: the last digit
    EXPECT_TRUE(connection->state.m_bPresetPending.load());
    EXPECT_EQ(connection->state.m_nPresetValue.load(), 5);
    EXPECT_EQ(panel->m_btnPresetPan.m_nState, 4);
    Pump();
    EXPECT_EQ(main.panels.Keypad(), nullptr); // a Set closes the keypad
    EXPECT_TRUE(connection->state.m_hPtzPresetDlg.load().IsNull());

    // The preset button again: the Set is completed, no keypad opens.
    Press(panel, panel->m_btnPresetPan, 0);
    ASSERT_EQ(connection->sent.size(), 2u);
    EXPECT_EQ(connection->sent[1].id, PTZ_MOVE_REQ);
    EXPECT_EQ(connection->sent[1].payload, (Bytes{11, 5, 0, 0}));
    EXPECT_FALSE(connection->state.m_bPresetPending.load());
    EXPECT_EQ(connection->state.m_nPresetValue.load(), 0);
    EXPECT_EQ(panel->m_btnPresetPan.m_nState, 0);
    EXPECT_EQ(main.panels.Keypad(), nullptr);

    // Without a pending Set the preset button opens the keypad in Preset mode.
    Press(panel, panel->m_btnPresetPan, 0);
    ASSERT_NE(main.panels.Keypad(), nullptr);
    EXPECT_EQ(main.panels.Keypad()->m_nMode, 0);
}

TEST_F(PtzPanelsTest, ClosingThePanelCompletesAPendingSet)
{
    OpenControl(kPtzModePan);
    main.panels.ShowPtzPreset(1);
    CPtzPresetDlg* keypad = main.panels.Keypad();
    ASSERT_NE(keypad, nullptr);
    Click(keypad, CPtzPresetDlg::IDC_SET);
    KeypadEnter(keypad, {9});
    Pump();
    main.Toggle(kPtzModePan);
    ASSERT_EQ(connection->sent.size(), 2u);
    EXPECT_EQ(connection->sent[1].payload, (Bytes{11, 9, 0, 0}));
    EXPECT_FALSE(connection->state.m_bPresetPending.load());
    Pump();
    EXPECT_FALSE(main.panels.IsControlOpen());
}

TEST_F(PtzPanelsTest, PresetModeCallStaysOpenAndSetCloses)
{
    OpenControl(kPtzModePan);
    main.panels.ShowPtzPreset(0);
    CPtzPresetDlg* keypad = main.panels.Keypad();
    ASSERT_NE(keypad, nullptr);
    KeypadEnter(keypad, {3, 0, 0});
    EXPECT_EQ(connection->sent.back().payload, (Bytes{9, 0x2C, 0, 1}));
    EXPECT_EQ(keypad->m_nNumber, 0);
    Pump();
    ASSERT_EQ(main.panels.Keypad(), keypad);

    // OK with no number does nothing.
    Click(keypad, CPtzPresetDlg::IDC_OK);
    EXPECT_EQ(connection->sent.size(), 1u);

    Click(keypad, CPtzPresetDlg::IDC_TOUR);
    KeypadEnter(keypad, {6, 2});
    EXPECT_EQ(connection->sent.back().payload, (Bytes{17, 2, 0, 0}));
    Pump();
    EXPECT_EQ(main.panels.Keypad(), nullptr);
}

TEST_F(PtzPanelsTest, KeypadSetIsOffForARestrictedAccount)
{
    connection->account = 1;
    OpenControl(kPtzModePan);
    main.panels.ShowPtzPreset(0);
    CPtzPresetDlg* keypad = main.panels.Keypad();
    ASSERT_NE(keypad, nullptr);
    EXPECT_FALSE(keypad->m_btnSet.m_bEnabled);
    Click(keypad, CPtzPresetDlg::IDC_SET);
    EXPECT_EQ(keypad->m_nAction, 1);
}

TEST_F(PtzPanelsTest, DomeMenuKeysGoThroughTheConnection)
{
    CPtzControlDlg* control = OpenControl(kPtzModeZoom);
    main.panels.ShowPtzPreset(0);
    Click(main.panels.Keypad(), CPtzPresetDlg::IDC_DOME);
    ASSERT_FALSE(connection->sent.empty());
    EXPECT_EQ(connection->sent[0].payload, (Bytes{13, 0, 0, 0}));
    CPtzMenuDlg* menu = main.panels.Menu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(connection->state.m_hPtzMenuDlg.load(), menu->Handle());
    EXPECT_EQ(control->m_bDomeMenu, 1);
    EXPECT_EQ(control->m_nMode, kPtzModePan); // the menu is steered in pan mode
    EXPECT_EQ(menu->pos(), QPoint(100 + 928 - 201, 50 + 698 - 200));

    connection->sent.clear();
    Click(menu, CPtzMenuDlg::IDC_SEL);
    Click(menu, CPtzMenuDlg::IDC_PREV);
    Click(menu, CPtzMenuDlg::IDC_CLOSE);
    ASSERT_EQ(connection->sent.size(), 3u);
    EXPECT_EQ(connection->sent[0].payload, (Bytes{14, 0, 0, 0}));
    EXPECT_EQ(connection->sent[1].payload, (Bytes{15, 0, 0, 0}));
    EXPECT_EQ(connection->sent[2].payload, (Bytes{16, 0, 0, 0}));
    EXPECT_EQ(control->m_bDomeMenu, 0);
    Pump();
    EXPECT_EQ(main.panels.Menu(), nullptr);
    EXPECT_TRUE(connection->state.m_hPtzMenuDlg.load().IsNull());
}

TEST_F(PtzPanelsTest, AClosedOrGoneConnectionSendsNothing)
{
    OpenControl(kPtzModePan);
    main.panels.ShowPtzPreset(0);
    CPtzPresetDlg* keypad = main.panels.Keypad();
    connection->closed = true;
    Click(keypad, CPtzPresetDlg::IDC_DOME);
    EXPECT_TRUE(connection->sent.empty());

    // Once the connection object is gone the keypad's OK only closes it.
    connection->closed = false;
    main.panels.ShowPtzPreset(0);
    keypad = main.panels.Keypad();
    ASSERT_NE(keypad, nullptr);
    connection.reset();
    KeypadEnter(keypad, {4});
    Pump();
    EXPECT_EQ(main.panels.Keypad(), nullptr);
}

TEST(PtzKeypad, NumberEntry)
{
    struct Case
    {
        const char* name;
        int mode;
        int action;
        std::vector<int> digits;
        int number;
    };
    const Case cases[] = {
        {"last three digits count", 0, 1, {1, 2, 3, 4}, 234},
        {"a leading 0 is ignored", 0, 1, {0, 0, 7}, 7},
        {"0 alone stays 0", 0, 0, {0}, 0},
        {"Tour takes 1 to 4", 0, 2, {3}, 3},
        {"Tour refuses 5 to 9 and 0", 0, 2, {3, 5}, 0},
        {"Tour keeps only the last", 0, 2, {2, 4}, 4},
        {"Learn keeps the last digit", 1, 1, {4, 8}, 8},
        {"Learn Set too", 1, 0, {1, 2, 3}, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int number = 0;
        for (int d : c.digits)
            number = KeypadNumberAfterDigit(c.mode, c.action, number, d);
        EXPECT_EQ(number, c.number);
    }
    EXPECT_EQ(KeypadActionCode(0, 0), kPresetSet);
    EXPECT_EQ(KeypadActionCode(0, 1), kPresetCall);
    EXPECT_EQ(KeypadActionCode(0, 2), kPresetTour);
    EXPECT_EQ(KeypadActionCode(1, 0), kPresetLearnSet);
    EXPECT_EQ(KeypadActionCode(1, 1), kPresetLearnCall);
}

TEST(PtzPlacement, PanelsSnapToTheGridAndStayInside)
{
    const QRect grid(53, 72, 868, 620); // right 921, bottom 692
    struct Case
    {
        const char* name;
        QRect proposed;
        QPoint expected;
    };
    const Case cases[] = {
        {"well inside stays", QRect(300, 300, 147, 171), QPoint(300, 300)},
        {"within 20 of the left edge snaps", QRect(70, 300, 147, 171), QPoint(53, 300)},
        {"20 away does not", QRect(73, 300, 147, 171), QPoint(73, 300)},
        {"beyond the top is kept inside", QRect(300, -40, 147, 171), QPoint(300, 72)},
        {"near the right edge snaps", QRect(760, 300, 147, 171), QPoint(921 - 147, 300)},
        {"past the bottom right corner", QRect(900, 650, 147, 171), QPoint(921 - 147, 692 - 171)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ClampPanelToGrid(c.proposed, grid), c.expected);
    }
}

TEST(PtzPlacement, DomeMenuDocksBesideTheDirectionPanel)
{
    const QRect grid(0, 0, 1000, 700);
    const QRect direction(400, 300, 147, 171); // right 547, bottom 471
    struct Case
    {
        const char* name;
        QRect proposed;
        QPoint expected;
    };
    const Case cases[] = {
        {"close on the right", QRect(560, 320, 54, 171), QPoint(547, 300)},
        {"far on the right stays", QRect(600, 320, 54, 171), QPoint(600, 320)},
        {"close on the left", QRect(330, 350, 54, 171), QPoint(400 - 54, 300)},
        {"overlapping, right of centre", QRect(500, 350, 54, 171), QPoint(547, 300)},
        {"overlapping, left of centre", QRect(410, 350, 54, 171), QPoint(346, 300)},
        {"not level with it", QRect(560, 100, 54, 171), QPoint(560, 100)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DockMenuPanel(c.proposed, &direction, grid), c.expected);
    }
    // No room on the chosen side: the other side.
    const QRect atRight(900, 300, 100, 171);
    EXPECT_EQ(DockMenuPanel(QRect(960, 350, 54, 171), &atRight, grid), QPoint(900 - 54, 300));
    const QRect atLeft(0, 300, 100, 171);
    EXPECT_EQ(DockMenuPanel(QRect(10, 350, 54, 171), &atLeft, grid), QPoint(100, 300));
    EXPECT_EQ(DockMenuPanel(QRect(560, 320, 54, 171), nullptr, grid), QPoint(560, 320));
}

TEST_F(PtzPanelsTest, DraggedPanelsAreKeptInsideTheGrid)
{
    main.hasGrid = true;
    main.grid = QRect(153, 122, 868, 620);
    CPtzControlDlg* panel = OpenControl(kPtzModePan);
    // Opening at (830, 600) would pass the grid's bottom: it is kept inside.
    EXPECT_EQ(panel->pos(), QPoint(830, 122 + 620 - 171));
    panel->move(160, 400);
    EXPECT_EQ(panel->pos(), QPoint(153, 400));
}
