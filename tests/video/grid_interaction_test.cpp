// The grid's interaction without a window: hit test, drag and drop, click to
// choose the PTZ channel, double click zoom and what the recorder is told,
// the reveal zone, the snapshot's channels and its time texts.
#include "video/GridInteraction.h"

#include <gtest/gtest.h>

namespace {

// Layout 14 on the default 815 x 548 view, border 1: cell 0 is
// (2, 2)-(202, 136), cell 1 (204, 2)-(405, 136), cell 4 starts at y 138.
VideoGridModel Grid16(std::uint16_t active = 0xFFFF)
{
    VideoGridModel m;
    m.SetActiveChannels(active, false);
    return m;
}

GridLinkState LivePtz(int ptzChannel)
{
    GridLinkState link;
    link.connected = true;
    link.live = true;
    link.ptzPanelOpen = true;
    link.ptzChannel = ptzChannel;
    return link;
}

TEST(GridInteraction, PressHitsTheFirstActiveVisibleCell)
{
    struct Case
    {
        int x, y;
        std::uint16_t active;
        int cell;
        bool dragging;
    };
    const Case cases[] = {
        {50, 50, 0xFFFF, 0, true},    {300, 50, 0xFFFF, 1, true},   {1, 1, 0xFFFF, -1, false}, // the border
        {203, 50, 0xFFFF, -1, false}, {300, 50, 0xFFFD, -1, false}, // channel 1 inactive
        {50, 140, 0xFFFF, 4, true},
    };
    for (const Case& c : cases) {
        const VideoGridModel m = Grid16(c.active);
        GridInteraction gi;
        EXPECT_TRUE(gi.Press(m, c.x, c.y, false));
        EXPECT_EQ(gi.Drag().dragCell, c.cell) << c.x << "," << c.y;
        EXPECT_EQ(gi.Drag().dragging, c.dragging) << c.x << "," << c.y;
    }
    // The drag image is the cell shrunk by one pixel, the hot spot the press
    // point inside it.
    GridInteraction gi;
    gi.Press(Grid16(), 50, 60, false);
    EXPECT_EQ(gi.Drag().image, (GridCellRect{3, 3, 201, 135}));
    EXPECT_EQ(gi.Drag().hotX, 47);
    EXPECT_EQ(gi.Drag().hotY, 57);
}

TEST(GridInteraction, PressIgnoredInSingleViewAndUnderTheDomeMenu)
{
    VideoGridModel single = Grid16();
    ASSERT_TRUE(single.ShowSingleChannel(3));
    GridInteraction gi;
    EXPECT_FALSE(gi.Press(single, 100, 100, false));
    EXPECT_EQ(gi.Drag().dragCell, -1);
    EXPECT_FALSE(gi.Drag().dragging);
    EXPECT_FALSE(gi.Press(Grid16(), 50, 50, true));
    EXPECT_EQ(gi.Drag().dragCell, -1);
}

TEST(GridInteraction, ReleaseDropsClicksOrDoesNothing)
{
    struct Case
    {
        const char* what;
        int pressX, pressY, releaseX, releaseY;
        std::uint16_t active;
        GridLinkState link;
        int swapFrom, swapTo, ptz;
        bool frames;
    };
    const Case cases[] = {
        // The drop point is the image's centre: (300 + 99 - 47, 50 + 66 - 47) lies in cell 1.
        {"drag to the next cell", 50, 50, 300, 50, 0xFFFF, {}, 0, 1, -1, true},
        {"drag down a row", 50, 50, 50, 190, 0xFFFF, LivePtz(0), 0, 4, -1, true},
        {"drop on an inactive cell", 50, 50, 300, 50, 0xFFFD, {}, -1, -1, -1, true},
        {"drop outside the view", 50, 50, 2000, 2000, 0xFFFF, {}, -1, -1, -1, true},
        {"click, PTZ panel open in live", 50, 50, 51, 52, 0xFFFF, LivePtz(5), 0, 0, 0, false},
        {"click on the PTZ channel already", 50, 50, 50, 50, 0xFFFF, LivePtz(0), 0, 0, -1, false},
        {"click without a PTZ panel", 50, 50, 50, 50, 0xFFFF, GridLinkState{true, true}, 0, 0, -1, false},
    };
    for (const Case& c : cases) {
        const VideoGridModel m = Grid16(c.active);
        GridInteraction gi;
        gi.Press(m, c.pressX, c.pressY, false);
        gi.Move(c.releaseX, c.releaseY);
        const GridReleaseResult r = gi.Release(m, c.releaseX, c.releaseY, false, c.link);
        EXPECT_TRUE(r.handled) << c.what;
        EXPECT_EQ(r.swapFrom, c.swapFrom) << c.what;
        EXPECT_EQ(r.swapTo, c.swapTo) << c.what;
        EXPECT_EQ(r.ptzChannel, c.ptz) << c.what;
        EXPECT_EQ(r.redrawFrames, c.frames) << c.what;
        EXPECT_FALSE(gi.Drag().dragging) << c.what;
    }
}

TEST(GridInteraction, ClickChoosesTheChannelTheCellShows)
{
    VideoGridModel m = Grid16();
    m.SwapCells(0, 9);
    GridInteraction gi;
    gi.Press(m, 50, 50, false);
    const GridReleaseResult r = gi.Release(m, 50, 50, false, LivePtz(0));
    EXPECT_EQ(r.ptzChannel, 9);
}

TEST(GridInteraction, ReleaseUnderTheDomeMenuStillEndsTheDrag)
{
    const VideoGridModel m = Grid16();
    GridInteraction gi;
    gi.Press(m, 50, 50, false);
    gi.Move(300, 50);
    EXPECT_TRUE(gi.Drag().dragging);
    const GridReleaseResult r = gi.Release(m, 300, 50, true, {});
    EXPECT_TRUE(r.handled);
    EXPECT_EQ(r.swapFrom, -1);
    EXPECT_FALSE(gi.Drag().dragging);
    // A second release finds nothing to end.
    EXPECT_FALSE(gi.Release(m, 300, 50, false, {}).handled);
}

TEST(GridInteraction, MovesFollowThePointerAndCountAsMovedPastTwoPixels)
{
    const VideoGridModel m = Grid16();
    GridInteraction gi;
    gi.Press(m, 50, 50, false);
    EXPECT_TRUE(gi.Move(52, 48));
    EXPECT_FALSE(gi.Drag().moved);
    EXPECT_EQ(gi.Drag().imageX, 52 - 47);
    EXPECT_TRUE(gi.Move(50, 53));
    EXPECT_TRUE(gi.Drag().moved);
    // Without a drag nothing follows.
    GridInteraction idle;
    idle.Press(m, 1, 1, false);
    EXPECT_FALSE(idle.Move(100, 100));
}

// Double click on layout 14 zooms into the cell's channel and back; what the
// recorder hears each time.
TEST(GridInteraction, DoubleClickZoomsInAndBack)
{
    VideoGridModel m = Grid16();
    GridInteraction gi;
    gi.Press(m, 300, 190, false); // cell 5
    gi.Release(m, 300, 190, false, {});
    const GridZoomResult in = gi.DoubleClick(m, false, false);
    ASSERT_EQ(in.kind, GridZoomResult::ZoomIn);
    EXPECT_EQ(in.channel, 5);
    EXPECT_EQ(gi.SavedLayout(), 14);
    EXPECT_EQ(gi.SavedPage(), 0);

    ASSERT_TRUE(m.ShowSingleChannel(5)); // the main window's single view
    GridViewTell tell = ViewTellFor(true, true, false, m.VisibleChannels(), 0);
    EXPECT_EQ(tell.kind, GridViewTell::Live);
    EXPECT_EQ(ViewMaskPayload(tell.mask), (std::array<std::uint8_t, 4>{0, 0, 0x00, 0x20}));

    // In single view the press is ignored, the double click zooms out.
    EXPECT_FALSE(gi.Press(m, 300, 190, false));
    const GridZoomResult out = gi.DoubleClick(m, false, true);
    ASSERT_EQ(out.kind, GridZoomResult::ZoomOut);
    EXPECT_EQ(out.layout, 14);
    EXPECT_EQ(out.page, 0);
    EXPECT_EQ(out.splitButton, 8); // button 24
    m.SetPage(out.layout, out.page);
    m.UpdateVisibleCells();
    tell = ViewTellFor(true, true, false, m.VisibleChannels(), 0);
    EXPECT_EQ(ViewMaskPayload(tell.mask), (std::array<std::uint8_t, 4>{0, 0, 0xFF, 0xFF}));
}

TEST(GridInteraction, DoubleClickIgnoredInLayoutZeroDomeMenuAndOffCells)
{
    VideoGridModel single = Grid16();
    single.ShowSingleChannel(2);
    GridInteraction gi;
    gi.Press(single, 100, 100, false);
    EXPECT_EQ(gi.DoubleClick(single, false, false).kind, GridZoomResult::None);

    const VideoGridModel m = Grid16();
    gi.Press(m, 50, 50, false);
    EXPECT_EQ(gi.DoubleClick(m, true, false).kind, GridZoomResult::None);
    gi.Press(m, 1, 1, false);
    EXPECT_EQ(gi.DoubleClick(m, false, false).kind, GridZoomResult::None);
}

TEST(GridInteraction, RecorderToldByViewMode)
{
    struct Case
    {
        bool connected, live, playback;
        std::uint32_t visible, requested;
        GridViewTell::Kind kind;
        std::uint32_t mask;
    };
    const Case cases[] = {
        {true, true, false, 0x00F0, 0x000F, GridViewTell::Live, 0x00F0},
        {true, false, true, 0x00F0, 0x0030, GridViewTell::Playback, 0x0030},
        {true, false, false, 0x00F0, 0x0030, GridViewTell::None, 0},
        {false, true, false, 0x00F0, 0, GridViewTell::None, 0},
    };
    for (const Case& c : cases) {
        const GridViewTell t = ViewTellFor(c.connected, c.live, c.playback, c.visible, c.requested);
        EXPECT_EQ(t.kind, c.kind);
        EXPECT_EQ(t.mask, c.mask);
    }
    EXPECT_EQ(ViewMaskPayload(0x12345678), (std::array<std::uint8_t, 4>{0x12, 0x34, 0x56, 0x78}));
}

TEST(GridInteraction, RevealZoneIsTheBarCentredAtTheBottom)
{
    struct Case
    {
        int w, h, x, y;
        bool in;
    };
    const Case cases[] = {
        {1920, 1080, 785, 1036, true},   {1920, 1080, 784, 1036, false}, {1920, 1080, 1134, 1079, true},
        {1920, 1080, 1135, 1079, false}, {1920, 1080, 960, 1035, false}, {1921, 1080, 785, 1050, true},
        {1921, 1080, 784, 1050, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(InRevealZone(c.w, c.h, 350, 44, c.x, c.y), c.in) << c.w << " " << c.x << "," << c.y;
    EXPECT_FALSE(InRevealZone(1920, 1080, 0, 0, 960, 1079)) << "no bar, no zone";
}

TEST(GridInteraction, SplitBarButtonsChooseLayouts)
{
    const int expected[] = {0, 1, 2, 3, 5, 6, 7, 13, 14};
    for (int k = 0; k < 9; ++k)
        EXPECT_EQ(SplitBarLayout(400 + k), expected[k]);
    EXPECT_EQ(SplitBarLayout(409), -1);
    EXPECT_EQ(SplitBarLayout(399), -1);
}

TEST(GridInteraction, SnapshotTakesVisibleActiveChannels)
{
    VideoGridModel m = Grid16(0xFFFB); // channel 2 not active
    ASSERT_TRUE(m.SetLayout(1));       // four cells: 0-3
    EXPECT_EQ(SnapshotChannels(m), 0x000B) << "three workers: channels 0, 1 and 3";
    m.SwapCells(2, 9);
    EXPECT_EQ(SnapshotChannels(m), 0x020B) << "the channel the cell shows";
    ASSERT_TRUE(m.ShowSingleChannel(3));
    EXPECT_EQ(SnapshotChannels(m), 0x0008);
}

TEST(GridInteraction, SnapshotTimeTextsByDateFormat)
{
    const int t = 1199243045; // 2008-01-02 03:04:05 UTC
    EXPECT_EQ(SnapshotTimeText(t, 0), "2008-01-02  03:04:05");
    EXPECT_EQ(SnapshotTimeText(t, 1), "01-02-2008  03:04:05");
    EXPECT_EQ(SnapshotTimeText(t, 2), "02-01-2008  03:04:05");
    EXPECT_EQ(SnapshotTimeText(-5, 0), "1970-01-01  00:00:00");
}

} // namespace
