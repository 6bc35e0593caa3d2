// The skinned buttons: their state tables, the frames and captions they draw,
// and what they tell their parent.
#include "TestSupport.h"

#include "ui/SkinButton.h"
#include "ui/UiMessages.h"

#include <QTest>
#include <gtest/gtest.h>
#include <memory>

using namespace uitest;

namespace {

class ButtonTest : public ::testing::Test
{
protected:
    TestBundle bundle;
    RecordingWnd parent;
};

// Steps that drive a button, as a tiny script.
enum class Step
{
    Hover,
    Leave,
    Set0,
    Set1,
    Set3,
    Set4,
    Set9,
    Disable,
    Enable
};

void RunSteps(CSkinButton& b, const std::vector<Step>& steps)
{
    for (Step s : steps) {
        switch (s) {
        case Step::Hover:
            Move(&b, QPoint(5, 5));
            break;
        case Step::Leave:
            Leave(&b);
            break;
        case Step::Set0:
            b.SetState(0);
            break;
        case Step::Set1:
            b.SetState(1);
            break;
        case Step::Set3:
            b.SetState(3);
            break;
        case Step::Set4:
            b.SetState(4);
            break;
        case Step::Set9:
            b.SetState(9);
            break;
        case Step::Disable:
            b.Enable(false);
            break;
        case Step::Enable:
            b.Enable(true);
            break;
        }
    }
}

struct StateCase
{
    const char* name;
    std::vector<Step> steps;
    int picture;      // CSkinButton
    int text;         // CSkinTextButton
    int calendar;     // CCalendarButton without recordings
    int calendarData; // CCalendarButton with m_bHasData 1
};

} // namespace

TEST_F(ButtonTest, StateTablesOfTheThreePictureButtons)
{
    using S = Step;
    const std::vector<StateCase> cases = {
        {"fresh", {}, 0, 0, 0, 0},
        {"hover from normal", {S::Hover}, 2, 2, 0, 0},
        {"hover then leave", {S::Hover, S::Leave}, 0, 0, 0, 0},
        {"selected ignores hover", {S::Set1, S::Hover}, 1, 1, 1, 2},
        {"selected hover leave", {S::Set1, S::Hover, S::Leave}, 1, 1, 1, 1},
        {"second set hover", {S::Set4, S::Hover}, 6, 4, 4, 4},
        {"second set leave", {S::Set4, S::Hover, S::Leave}, 4, 4, 4, 4},
        {"disabled look", {S::Disable}, 3, 3, 3, 3},
        {"disabled ignores SetState", {S::Disable, S::Set1}, 3, 3, 3, 3},
        {"disabled ignores hover", {S::Disable, S::Hover}, 3, 3, 3, 3},
        {"enable returns to 0", {S::Set1, S::Disable, S::Enable}, 0, 0, 0, 0},
        {"SetState after enable", {S::Disable, S::Enable, S::Set1}, 1, 1, 1, 1},
        {"state 3 ignores hover", {S::Set3, S::Hover}, 3, 3, 3, 3},
    };
    for (const StateCase& c : cases) {
        SCOPED_TRACE(c.name);
        CSkinButton pic(&parent);
        CSkinTextButton text(&parent);
        CCalendarButton cal(&parent);
        CCalendarButton calData(&parent);
        calData.m_bHasData = 1;
        for (CSkinButton* b : {static_cast<CSkinButton*>(&pic), static_cast<CSkinButton*>(&text),
                               static_cast<CSkinButton*>(&cal), static_cast<CSkinButton*>(&calData)}) {
            b->resize(20, 10);
            RunSteps(*b, c.steps);
        }
        EXPECT_EQ(pic.m_nState, c.picture);
        EXPECT_EQ(text.m_nState, c.text);
        EXPECT_EQ(cal.m_nState, c.calendar);
        EXPECT_EQ(calData.m_nState, c.calendarData);
    }
}

TEST_F(ButtonTest, EachStateDrawsItsFrameOfTheStrip)
{
    CSkinButton b(&parent);
    ASSERT_TRUE(b.SetBitmap(ids::kStrip8));
    EXPECT_EQ(b.size(), QSize(160, 10)); // the whole strip until the owner sizes it
    b.resize(20, 10);
    for (int state = 0; state <= 7; ++state) {
        b.SetState(state);
        EXPECT_EQ(Pixel(Render(&b), 10, 5), FrameColour(state)) << "state " << state;
    }
    b.SetState(9);
    EXPECT_EQ(Pixel(Render(&b), 10, 5), FrameColour(0)) << "a state outside 0-7 draws frame 0";

    EXPECT_FALSE(b.SetBitmap(4242));
    EXPECT_TRUE(b.m_bmpStrip.isNull());
}

TEST_F(ButtonTest, PressAndReleaseReachTheParentBeforeTheClick)
{
    CSkinButton b(&parent);
    b.SetDlgCtrlID(421);
    b.resize(20, 10);
    const auto h = static_cast<WPARAM>(b.Handle().Id());

    Press(&b, QPoint(5, 5));
    Release(&b, QPoint(6, 6));
    const std::vector<Msg> expected = {
        {WM_BUTTON_UPDOWN, h, 0},
        {WM_BUTTON_UPDOWN, h, 1},
        {WM_COMMAND, MakeCommandWParam(421, BN_CLICKED), static_cast<LPARAM>(h)},
    };
    EXPECT_EQ(parent.log, expected);

    // Released outside: both halves of the press, no click.
    parent.log.clear();
    Press(&b, QPoint(5, 5));
    Release(&b, QPoint(50, 5));
    EXPECT_EQ(parent.Of(WM_BUTTON_UPDOWN).size(), 2u);
    EXPECT_TRUE(parent.Of(WM_COMMAND).empty());

    // Disabled: nothing at all.
    parent.log.clear();
    b.m_bEnabled = false;
    Press(&b, QPoint(5, 5));
    Release(&b, QPoint(5, 5));
    EXPECT_TRUE(parent.log.empty());
}

TEST_F(ButtonTest, TextAndCalendarButtonsOnlyClick)
{
    CSkinTextButton text(&parent);
    text.SetDlgCtrlID(1);
    CCalendarButton cal(&parent);
    cal.SetDlgCtrlID(700);
    for (CSkinButton* b : {static_cast<CSkinButton*>(&text), static_cast<CSkinButton*>(&cal)}) {
        b->resize(40, 20);
        Press(b, QPoint(7, 9));
        Release(b, QPoint(7, 9));
    }
    const std::vector<Msg> expected = {
        {WM_COMMAND, MakeCommandWParam(1, BN_CLICKED), static_cast<LPARAM>(text.Handle().Id())},
        {WM_COMMAND, MakeCommandWParam(700, BN_CLICKED), static_cast<LPARAM>(cal.Handle().Id())},
    };
    EXPECT_EQ(parent.log, expected);
    EXPECT_EQ(text.m_ptClick, QPoint(7, 9));
}

TEST_F(ButtonTest, SpaceClicksAFocusedButton)
{
    CSkinButton b(&parent);
    b.SetDlgCtrlID(5);
    b.resize(20, 10);
    QTest::keyClick(&b, Qt::Key_Space);
    ASSERT_EQ(parent.Of(WM_COMMAND).size(), 1u);
    EXPECT_TRUE(parent.Of(WM_BUTTON_UPDOWN).empty());
}

TEST_F(ButtonTest, TextButtonCaptionFollowsMarginAndCentring)
{
    CSkinTextButton b(&parent);
    ASSERT_TRUE(b.SetBitmap(ids::kStrip4));
    b.resize(160, 26);
    b.SetFont(9, 0, 700, "Arial Bold");
    const COLORREF white[4] = {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF};
    std::copy(std::begin(white), std::end(white), b.m_crText);

    auto firstInk = [](const QImage& img) {
        for (int x = 0; x < img.width(); ++x)
            for (int y = 0; y < img.height(); ++y)
                if (qGreen(img.pixel(x, y)) > 0x80)
                    return x;
        return -1;
    };
    b.SetText(34, "Wg", false);
    const int left = firstInk(Render(&b));
    EXPECT_GE(left, 34);
    EXPECT_LE(left, 37);

    b.SetText(0, "Wg", true);
    const int centred = firstInk(Render(&b));
    EXPECT_GT(centred, 60);
    EXPECT_LT(centred, 80);

    // Each of states 0-3 has its colour; other states take state 0's.
    b.m_crText[3] = 0x0000FF;
    b.SetText(0, "WWWWWWWW", true);
    b.Enable(false);
    const QImage disabled = Render(&b);
    bool red = false;
    for (int x = 0; x < disabled.width(); ++x)
        red = red || (qRed(disabled.pixel(x, 13)) > 0xC0 && qGreen(disabled.pixel(x, 13)) < 0x60);
    EXPECT_TRUE(red);
}

TEST_F(ButtonTest, CalendarDotsShowOnlyOnDaysWithRecordings)
{
    CCalendarButton cal(&parent);
    ASSERT_TRUE(cal.SetBitmap(ids::kStrip4));
    cal.resize(160, 26);
    cal.m_bMark[0] = cal.m_bMark[2] = 1;
    const QRgb back = FrameColour(0);
    EXPECT_EQ(Pixel(Render(&cal), 11, 21), back);
    EXPECT_EQ(cal.cursor().shape(), Qt::ArrowCursor);

    cal.m_bHasData = 1;
    const QImage img = Render(&cal);
    EXPECT_EQ(Pixel(img, 11, 21), 0xffff0000u); // red
    EXPECT_EQ(Pixel(img, 21, 21), back);        // no green flag
    EXPECT_EQ(Pixel(img, 31, 21), 0xff0000ffu); // blue
    Move(&cal, QPoint(3, 3));
    EXPECT_EQ(cal.cursor().shape(), Qt::PointingHandCursor);

    // States 1 and 2 share frame 1.
    cal.SetState(1);
    EXPECT_EQ(Pixel(Render(&cal), 2, 2), FrameColour(1));
    Move(&cal, QPoint(3, 3));
    EXPECT_EQ(cal.m_nState, 2);
    EXPECT_EQ(Pixel(Render(&cal), 2, 2), FrameColour(1));
}

TEST_F(ButtonTest, CursorsFollowTheEnabledState)
{
    CSkinButton b(&parent);
    EXPECT_EQ(b.cursor().shape(), Qt::PointingHandCursor);
    b.Enable(false);
    EXPECT_EQ(b.cursor().shape(), Qt::ForbiddenCursor);
    CSkinTextButton t(&parent);
    EXPECT_EQ(t.cursor().shape(), Qt::ArrowCursor);
}
