// The skinned label and the report list.
#include "TestSupport.h"

#include "ui/SkinLabel.h"
#include "ui/SkinListCtrl.h"
#include "ui/UiMessages.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace uitest;

TEST(SkinLabel, HoverBitmapsShortenTheBodyByTheEndPiece)
{
    TestBundle bundle;
    RecordingWnd parent;
    CSkinLabel label(&parent);
    ASSERT_TRUE(label.SetBitmap(1, ids::kLabelEnd));
    ASSERT_TRUE(label.SetBitmap(0, ids::kLabelBody));
    label.resize(100, 12);
    label.SetStyle(0x00FF00, 0x783C3C, 0, 1, true, 9, "Arial Bold");

    QImage img = Render(&label);
    EXPECT_EQ(Pixel(img, 95, 1), kLabelBodyColour) << "away: the body over all 100 pixels";
    Move(&label, QPoint(10, 5));
    EXPECT_EQ(label.m_bHover, 1);
    img = Render(&label);
    EXPECT_EQ(Pixel(img, 90, 1), kLabelBodyColour);
    EXPECT_EQ(Pixel(img, 91, 1), kLabelEndColour);
    EXPECT_EQ(Pixel(img, 99, 1), kLabelEndColour);
    Leave(&label);
    EXPECT_EQ(label.m_bHover, 0);

    // Without the hover-bitmap flag the body stays whole.
    label.m_bHoverBitmaps = 0;
    Move(&label, QPoint(10, 5));
    EXPECT_EQ(Pixel(Render(&label), 95, 1), kLabelBodyColour);
}

TEST(SkinLabel, StyleKeepsTheBoldFaceWhateverItIsTold)
{
    CSkinLabel label;
    label.SetLabelStyle(0x111111, 0x222222, 0, 0, false, 11, "Courier");
    EXPECT_EQ(label.m_font.family(), "Liberation Sans");
    EXPECT_EQ(label.m_font.weight(), QFont::Bold);
    EXPECT_EQ(label.m_font.pixelSize(), 15); // int(11 x 1.33 + 0.5)
    EXPECT_EQ(label.m_nFontHeight, -15);
    EXPECT_EQ(label.m_crHover, 0x111111u);
    EXPECT_EQ(label.m_crText, 0x222222u);
}

TEST(SkinLabel, ClicksKeepThePointAndTellTheParent)
{
    RecordingWnd parent;
    CSkinLabel label(&parent);
    label.SetDlgCtrlID(601);
    label.resize(80, 17);
    QTest::mouseClick(&label, Qt::LeftButton, Qt::NoModifier, QPoint(23, 4));
    EXPECT_EQ(label.m_ptClick, QPoint(23, 4));
    ASSERT_EQ(parent.Of(WM_COMMAND).size(), 1u);
    EXPECT_EQ(parent.Of(WM_COMMAND)[0].wParam, MakeCommandWParam(601, STN_CLICKED));

    // Without the notify style the mouse goes through to the window behind.
    label.SetNotify(false);
    EXPECT_TRUE(label.testAttribute(Qt::WA_TransparentForMouseEvents));
}

namespace {

struct ListFixture
{
    RecordingWnd parent;
    CSkinListCtrl list{&parent};

    ListFixture()
    {
        list.setGeometry(0, 0, 300, 120);
        list.setHeaderHidden(true);
        for (int c = 0; c < 5; ++c)
            list.InsertColumn(c, QString("C%1").arg(c), 60);
        for (int r = 0; r < 4; ++r) {
            list.InsertItem(r, QString("WWW%1").arg(r));
            for (int c = 1; c < 5; ++c)
                list.SetItemText(r, c, "WWWWW");
        }
        list.SetStyle(3, 0x783C3C, true, 9, "Arial Bold");
        list.setSelectionMode(QAbstractItemView::ExtendedSelection);
    }
};

} // namespace

TEST(SkinListCtrl, OnlyTheFocusedRowLooksSelectedInAFocusedList)
{
    ListFixture f;
    f.parent.show();
    f.list.topLevelItem(1)->setSelected(true);
    f.list.topLevelItem(2)->setSelected(true);
    f.list.setCurrentItem(f.list.topLevelItem(2), 0, QItemSelectionModel::NoUpdate);
    f.list.setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.list.hasFocus(); }));
    EXPECT_FALSE(f.list.DrawsSelected(1));
    EXPECT_TRUE(f.list.DrawsSelected(2));

    const QImage img = f.list.viewport()->grab().toImage();
    const QRect row1 = f.list.visualItemRect(f.list.topLevelItem(1));
    const QRect row2 = f.list.visualItemRect(f.list.topLevelItem(2));
    EXPECT_EQ(Pixel(img, 295, row2.center().y()), 0xff2f9bffu) << "the accent";
    EXPECT_EQ(Pixel(img, 295, row1.center().y()), 0xffeef0f3u);

    // Without the focus: the focused row, and the selected ones only with
    // show-selection-always.
    f.list.clearFocus();
    EXPECT_TRUE(f.list.DrawsSelected(2));
    EXPECT_FALSE(f.list.DrawsSelected(1));
    f.list.SetShowSelAlways(true);
    EXPECT_TRUE(f.list.DrawsSelected(1));
    EXPECT_FALSE(f.list.DrawsSelected(0));
}

TEST(SkinListCtrl, ColumnsBeyondTheStyleCountStayEmpty)
{
    ListFixture f;
    f.parent.show();
    const QImage img = f.list.viewport()->grab().toImage();
    const QRect row = f.list.visualItemRect(f.list.topLevelItem(0));
    auto inked = [&](int x0, int x1) {
        for (int x = x0; x < x1; ++x)
            for (int y = row.top(); y <= row.bottom(); ++y)
                if (qBlue(img.pixel(x, y)) < 0xB0)
                    return true;
        return false;
    };
    EXPECT_TRUE(inked(120, 180)) << "column 2 has text";
    EXPECT_FALSE(inked(180, img.width())) << "columns 3 and 4 are filled but empty";
    EXPECT_EQ(f.list.columnWidth(0), 60);
    EXPECT_EQ(f.list.GetItemText(0, 4), "WWWWW");
    EXPECT_EQ(f.list.GetItemCount(), 4);
    f.list.DeleteAllItems();
    EXPECT_EQ(f.list.GetItemCount(), 0);
}
