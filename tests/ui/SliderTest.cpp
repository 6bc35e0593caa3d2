// The skinned slider: mapping, clamping, and the messages of press, drag and
// release.
#include "TestSupport.h"

#include "ui/SkinSlider.h"
#include "ui/UiMessages.h"

#include <gtest/gtest.h>

using namespace uitest;

namespace {

class SliderTest : public ::testing::Test
{
protected:
    TestBundle bundle;
    RecordingWnd parent;
    CSkinSlider slider{&parent};

    void SetUp() override
    {
        slider.SetDlgCtrlID(420);
        ASSERT_TRUE(slider.SetChannelBitmaps(ids::kChannel, ids::kActive, false, 0, 0, 0));
    }
    std::vector<Msg> Posted()
    {
        Pump();
        std::vector<Msg> out = parent.log;
        parent.log.clear();
        return out;
    }
    Msg M(UINT msg, int pos) const { return Msg{msg, 420, pos}; }
};

} // namespace

TEST_F(SliderTest, ChannelSizesTheSliderAndSetPosClamps)
{
    EXPECT_EQ(slider.size(), QSize(200, 8));
    EXPECT_EQ(slider.m_rcClient, QRect(0, 0, 200, 8));
    const struct
    {
        int in, out;
    } cases[] = {{150, 100}, {-5, 0}, {0, 0}, {100, 100}, {37, 37}};
    for (const auto& c : cases) {
        slider.SetPos(c.in);
        EXPECT_EQ(slider.m_nPos, c.out) << c.in;
    }
    // SetRange leaves the position as it is.
    slider.SetPos(80);
    slider.SetRange(0, 50, true);
    EXPECT_EQ(slider.m_nPos, 80);
    EXPECT_TRUE(Posted().empty()) << "SetPos posts nothing";
}

TEST_F(SliderTest, MappingBetweenPositionsAndPixels)
{
    ASSERT_TRUE(slider.SetThumbBitmaps(ids::kThumb, ids::kThumbDrag, true, 0xFF000000, 0, 0));
    slider.SetMargin(4, 0, 6, 0);
    // travel = 200 - 6 - 10 - 4 = 180, from pixel 4 + 5 = 9
    EXPECT_EQ(slider.PosToPixel(0), 9);
    EXPECT_EQ(slider.PosToPixel(100), 189);
    EXPECT_EQ(slider.PosToPixel(33), 9 + 59); // 59.4 truncated
    EXPECT_EQ(slider.PixelToPos(9), 0);
    EXPECT_EQ(slider.PixelToPos(189), 100);
    EXPECT_EQ(slider.PixelToPos(10), 0); // 0.55 truncated

    // An empty range keeps the thumb at the start.
    slider.SetRange(5, 5, false);
    EXPECT_EQ(slider.PosToPixel(5), 9);
}

TEST_F(SliderTest, ClickAwayFromTheThumbMovesThenPresses)
{
    ASSERT_TRUE(slider.SetThumbBitmaps(ids::kThumb, 0, true, 0xFF000000, 0, 0));
    // travel 190 from pixel 5: x 100 is position 50
    Press(&slider, QPoint(100, 4));
    EXPECT_EQ(slider.m_nPos, 50);
    EXPECT_EQ(Posted(), (std::vector<Msg>{M(WM_SLIDER_MOVED, 50), M(WM_SLIDER_PRESSED, 50)}));
    EXPECT_EQ(slider.m_nGrabOffset, 0);

    // A click on the thumb keeps it under the pointer: no move.
    Release(&slider, QPoint(100, 4));
    Posted();
    Press(&slider, QPoint(102, 4));
    EXPECT_EQ(slider.m_nGrabOffset, 2);
    EXPECT_EQ(Posted(), (std::vector<Msg>{M(WM_SLIDER_PRESSED, 50)}));
}

TEST_F(SliderTest, DragStopsAtBothEnds)
{
    slider.SetPos(40);
    Press(&slider, QPoint(80, 4));
    Move(&slider, QPoint(-300, 4), Qt::LeftButton);
    EXPECT_EQ(slider.m_nPos, 0);
    Move(&slider, QPoint(900, 4), Qt::LeftButton);
    EXPECT_EQ(slider.m_nPos, 100);
    Release(&slider, QPoint(900, 4));
    const std::vector<Msg> msgs = Posted();
    ASSERT_FALSE(msgs.empty());
    EXPECT_EQ(msgs.back(), M(WM_SLIDER_RELEASED, 100));
    EXPECT_EQ(slider.m_bDragging, 0);
}

TEST_F(SliderTest, EveryPixelOfADragIsPostedEvenWhenThePositionStays)
{
    // No thumb: 200 pixels of travel for 0..100.
    Press(&slider, QPoint(100, 4));
    ASSERT_EQ(slider.m_nPos, 50);
    Posted();
    Move(&slider, QPoint(101, 4), Qt::LeftButton);
    EXPECT_EQ(slider.m_nPos, 50);
    EXPECT_EQ(Posted(), (std::vector<Msg>{M(WM_SLIDER_MOVED, 50)}));
    Move(&slider, QPoint(100, 4), Qt::LeftButton);
    EXPECT_TRUE(Posted().empty()) << "the pixel of the current position is no news";

    // Without a press nothing follows the mouse.
    Release(&slider, QPoint(101, 4));
    Posted();
    Move(&slider, QPoint(150, 4));
    EXPECT_TRUE(Posted().empty());
}

TEST_F(SliderTest, ReleaseAlwaysReportsAndDropsTheFocusRectangle)
{
    slider.SetPos(30);
    slider.setFocus();
    slider.m_bHasFocus = 1;
    Release(&slider, QPoint(150, 4));
    EXPECT_EQ(Posted(), (std::vector<Msg>{M(WM_SLIDER_RELEASED, 30)}));
    EXPECT_EQ(slider.m_bHasFocus, 0);
}

TEST_F(SliderTest, ActivePartEndsAtThePosition)
{
    slider.SetPos(25); // pixel 50 without a thumb
    const QImage img = Render(&slider);
    EXPECT_EQ(Pixel(img, 49, 4), kBlue);
    EXPECT_EQ(Pixel(img, 50, 4), kGrey);
    // At both ends one of the two parts is empty.
    slider.SetPos(0);
    EXPECT_EQ(Pixel(Render(&slider), 0, 4), kGrey);
    EXPECT_EQ(Pixel(Render(&slider), 199, 4), kGrey);
    slider.SetPos(100);
    EXPECT_EQ(Pixel(Render(&slider), 0, 4), kBlue);
    EXPECT_EQ(Pixel(Render(&slider), 199, 4), kBlue);
}

TEST_F(SliderTest, TransparentThumbShowsTheChannelAroundIt)
{
    ASSERT_TRUE(slider.SetThumbBitmaps(ids::kThumb, ids::kThumbDrag, true, 0xFF000000, 0, 0));
    slider.SetPos(0); // thumb over pixels 0-9, the active part up to its centre
    const QImage img = Render(&slider);
    EXPECT_EQ(Pixel(img, 0, 0), kBlue) << "the key colour is a hole";
    EXPECT_EQ(Pixel(img, 9, 0), kGrey);
    EXPECT_EQ(Pixel(img, 4, 3), 0xffffffffu);
    Press(&slider, QPoint(5, 3));
    EXPECT_EQ(Pixel(Render(&slider), 4, 3), 0xffffff00u) << "dragged thumb";

    // A failing active bitmap unloads the normal one too.
    EXPECT_FALSE(slider.SetThumbBitmaps(ids::kThumb, 4242, true, 0xFF000000, 0, 0));
    EXPECT_EQ(slider.m_bThumbSet, 0);
    EXPECT_TRUE(slider.m_bmpThumb.isNull());
}
