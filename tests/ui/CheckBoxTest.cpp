// The mask-shaped check box: kinds, clicks, radio groups, looks.
#include "TestSupport.h"

#include "ui/SkinCheckBox.h"
#include "ui/UiMessages.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace uitest;

namespace {

class CheckBoxTest : public ::testing::Test
{
protected:
    TestBundle bundle;
    RecordingWnd parent;

    void Skin(CSkinCheckBox& box)
    {
        ASSERT_TRUE(box.SetBitmaps(ids::kCheckOff, ids::kCheckOn, ids::kCheckOver, ids::kCheckOff,
                                   ids::kCheckOff, ids::kCheckMask, 0, 0, 0));
    }
};

} // namespace

TEST_F(CheckBoxTest, KindComesFromTheStyleOfTheReplacedControl)
{
    const struct
    {
        UINT style;
        int kind;
    } cases[] = {
        {BS_AUTOCHECKBOX, CSkinCheckBox::KindCheck},
        {BS_AUTORADIOBUTTON, CSkinCheckBox::KindRadio},
        {BS_CHECKBOX, CSkinCheckBox::KindPush},
        {BS_RADIOBUTTON, CSkinCheckBox::KindPush},
        {BS_AUTO3STATE, CSkinCheckBox::KindPush},
        {BS_3STATE, CSkinCheckBox::KindPush},
        {BS_PUSHBUTTON, CSkinCheckBox::KindPush},
        {0x50010003, CSkinCheckBox::KindCheck}, // only the low byte counts
    };
    for (const auto& c : cases)
        EXPECT_EQ(CSkinCheckBox::KindOfStyle(c.style), c.kind) << "style " << c.style;
}

TEST_F(CheckBoxTest, MaskShapesAndSizesTheBox)
{
    CSkinCheckBox box(&parent);
    box.resize(40, 40);
    Skin(box);
    EXPECT_EQ(box.size(), QSize(15, 15));
    EXPECT_EQ(box.mask(), QRegion(2, 2, 11, 11));
    EXPECT_EQ(box.m_nDrawMode, 0);

    // Draw modes are clamped, margins never negative.
    box.SetBitmaps(ids::kCheckOff, 0, 0, 0, 0, 0, 7, 0, -3);
    EXPECT_EQ(box.m_nDrawMode, 2);
    EXPECT_EQ(box.m_nFocusMargin, 0);
}

TEST_F(CheckBoxTest, AClickTogglesBeforeTheParentHearsIt)
{
    CSkinCheckBox box(&parent);
    box.SetDlgCtrlID(490);
    Skin(box);
    std::vector<int> seen;
    parent.onMessage = [&](const Msg& m) {
        if (m.msg == WM_COMMAND)
            seen.push_back(box.GetCheck());
    };
    Press(&box, QPoint(7, 7));
    Release(&box, QPoint(7, 7));
    Press(&box, QPoint(7, 7));
    Release(&box, QPoint(7, 7));
    EXPECT_EQ(seen, (std::vector<int>{1, 0}));
    ASSERT_EQ(parent.Of(WM_COMMAND).size(), 2u);
    EXPECT_EQ(parent.Of(WM_COMMAND)[0].wParam, MakeCommandWParam(490, BN_CLICKED));
}

TEST_F(CheckBoxTest, PressMoveOutAndReleaseOutsideChangesNothing)
{
    CSkinCheckBox box(&parent);
    Skin(box);
    Press(&box, QPoint(7, 7));
    Move(&box, QPoint(30, 7), Qt::LeftButton);
    Release(&box, QPoint(30, 7));
    EXPECT_EQ(box.GetCheck(), 0);
    EXPECT_TRUE(parent.Of(WM_COMMAND).empty());

    // Outside the mask counts as outside too.
    Press(&box, QPoint(7, 7));
    Move(&box, QPoint(0, 0), Qt::LeftButton);
    Release(&box, QPoint(0, 0));
    EXPECT_EQ(box.GetCheck(), 0);
}

TEST_F(CheckBoxTest, SpaceTogglesAFocusedBox)
{
    CSkinCheckBox box(&parent);
    Skin(box);
    QTest::keyClick(&box, Qt::Key_Space);
    EXPECT_EQ(box.GetCheck(), 1);
    EXPECT_EQ(parent.Of(WM_COMMAND).size(), 1u);
}

TEST_F(CheckBoxTest, CheckMessagesByKind)
{
    CSkinCheckBox push(&parent, BS_PUSHBUTTON);
    EXPECT_EQ(SendMessage(push.Handle(), BM_SETCHECK, 1, 0), 0);
    EXPECT_EQ(SendMessage(push.Handle(), BM_GETCHECK, 0, 0), 0) << "a push button stays unchecked";

    CSkinCheckBox check(&parent);
    SendMessage(check.Handle(), BM_SETCHECK, 5, 0);
    EXPECT_EQ(SendMessage(check.Handle(), BM_GETCHECK, 0, 0), 1);
    SendMessage(check.Handle(), WM_UNCHECK_BUTTON, 0, 0);
    EXPECT_EQ(check.m_bChecked, 0);
}

TEST_F(CheckBoxTest, CheckingARadioClearsItsGroupByPostedMessages)
{
    // Two groups: a, b, c and then d, e (d starts the second group).
    CSkinCheckBox a(&parent, BS_AUTORADIOBUTTON), b(&parent, BS_AUTORADIOBUTTON),
        c(&parent, BS_AUTORADIOBUTTON), d(&parent, BS_AUTORADIOBUTTON), e(&parent, BS_AUTORADIOBUTTON);
    a.SetGroupStart(true);
    d.SetGroupStart(true);
    for (CSkinCheckBox* box : {&a, &b, &c, &d, &e})
        Skin(*box);
    a.SetCheck(1);
    d.SetCheck(1);
    Pump();
    c.SetCheck(1);
    Pump();
    EXPECT_EQ(a.GetCheck(), 0);
    EXPECT_EQ(c.GetCheck(), 1);
    EXPECT_EQ(d.GetCheck(), 1) << "another group";

    Press(&b, QPoint(7, 7));
    Release(&b, QPoint(7, 7));
    EXPECT_EQ(b.GetCheck(), 1);
    EXPECT_EQ(c.GetCheck(), 1) << "cleared only when the posted message arrives";
    Pump();
    EXPECT_EQ(c.GetCheck(), 0);
    EXPECT_EQ(d.GetCheck(), 1);

    // Clicking a checked radio keeps it checked.
    Press(&b, QPoint(7, 7));
    Release(&b, QPoint(7, 7));
    EXPECT_EQ(b.GetCheck(), 1);
}

TEST_F(CheckBoxTest, LooksFollowCheckHoverAndPress)
{
    CSkinCheckBox box(&parent);
    Skin(box);
    EXPECT_EQ(Pixel(Render(&box), 7, 7), kCheckOffColour);
    Move(&box, QPoint(7, 7));
    EXPECT_EQ(Pixel(Render(&box), 7, 7), kCheckOverColour);
    Press(&box, QPoint(7, 7));
    EXPECT_EQ(Pixel(Render(&box), 7, 7), kCheckOnColour) << "pushed shows the down look";
    Move(&box, QPoint(30, 7), Qt::LeftButton);
    EXPECT_NE(Pixel(Render(&box), 7, 7), kCheckOnColour) << "not pushed while the cursor is away";
    Move(&box, QPoint(7, 7), Qt::LeftButton);
    Release(&box, QPoint(7, 7));
    Leave(&box);
    EXPECT_EQ(Pixel(Render(&box), 7, 7), kCheckOnColour) << "checked";
}
