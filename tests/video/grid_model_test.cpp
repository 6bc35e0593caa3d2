// The grid's channel map, masks, the choice of what a cell shows, the PTZ
// channel after a page change, and the frame-rate counter.
#include "video/PictureBuffer.h"
#include "video/VideoGridModel.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

bool IsPermutation(const VideoGridModel& m)
{
    std::array<int, 16> seen{};
    for (int cell = 0; cell < 16; ++cell) {
        const int ch = m.GetCellChannel(cell);
        if (ch < 0 || ch > 15 || seen[ch]++)
            return false;
    }
    return true;
}

TEST(GridMap, ResetOnlyWhenAskedWithAnEmptyMask)
{
    VideoGridModel m;
    m.SwapCells(0, 9);
    m.SwapCells(9, 3);
    ASSERT_TRUE(IsPermutation(m));
    EXPECT_EQ(m.GetCellChannel(0), 9);
    EXPECT_EQ(m.GetCellChannel(9), 3);
    EXPECT_EQ(m.FindChannelCell(9), 0);

    EXPECT_FALSE(m.SetActiveChannels(0, false)) << "the mask did not change";
    EXPECT_EQ(m.GetCellChannel(0), 9) << "(0, 0) keeps the arrangement";
    EXPECT_TRUE(m.SetActiveChannels(0x00F0, true));
    EXPECT_EQ(m.GetCellChannel(0), 9) << "a reset with channels keeps it too";
    EXPECT_TRUE(m.SetActiveChannels(0, true));
    for (int cell = 0; cell < 16; ++cell)
        EXPECT_EQ(m.GetCellChannel(cell), cell);

    m.SwapCells(-1, 3);
    m.SwapCells(3, 16);
    EXPECT_TRUE(IsPermutation(m));
}

TEST(GridMasks, ActiveShownReceived)
{
    VideoGridModel m;
    EXPECT_TRUE(m.SetActiveChannels(0x0003, false));
    EXPECT_EQ(m.ShownChannels(), 0x0003);
    m.MarkChannelVideo(7);
    EXPECT_EQ(m.ActiveChannels(), 0x0083);
    EXPECT_EQ(m.ShownChannels(), 0x0083);
    EXPECT_EQ(m.ReceivedChannels(), 0x0080);
    m.MarkChannelVideo(16);
    EXPECT_EQ(m.ActiveChannels(), 0x0083);
    m.ClearReceivedChannels();
    EXPECT_EQ(m.ReceivedChannels(), 0);

    m.SetChannelBlocked(4, true);
    EXPECT_TRUE(m.IsChannelBlocked(4));
    EXPECT_FALSE(m.IsChannelBlocked(5));
    EXPECT_FALSE(m.IsChannelBlocked(99));
}

TEST(GridMasks, VisibleChannelsFollowTheMap)
{
    VideoGridModel m;
    m.SetActiveChannels(0xFFFF, false);
    m.SwapCells(1, 12);
    m.SetLayout(1);
    EXPECT_EQ(m.VisibleCells(), 0x000F);
    EXPECT_EQ(m.VisibleChannels(), (1u << 0) | (1u << 12) | (1u << 2) | (1u << 3));
}

TEST(GridMasks, SingleViewChannelForAudio)
{
    VideoGridModel m;
    m.SetActiveChannels(0xFFFF, false);
    int index = -7;
    EXPECT_EQ(m.GetSingleViewChannel(0xFFFF, index), -1) << "not in single view";
    m.SwapCells(2, 6);
    ASSERT_TRUE(m.ShowSingleChannel(6));
    EXPECT_EQ(m.GetSingleViewChannel(0b1100'0110, index), 6);
    EXPECT_EQ(index, 2) << "channels 1 and 2 of the mask come before it";
    EXPECT_EQ(m.GetSingleViewChannel(0b0000'0110, index), -1);
    EXPECT_TRUE(m.IsSingleViewChannel(6, 0xFFFF));
    EXPECT_FALSE(m.IsSingleViewChannel(2, 0xFFFF));
    EXPECT_FALSE(m.IsSingleViewChannel(6, 0x0004));
}

TEST(GridCells, WhatACellShows)
{
    GridLinkState none;
    GridLinkState live;
    live.connected = true;
    live.live = true;
    GridLinkState playback;
    playback.connected = true;
    playback.remotePlayback = true;
    GridLinkState playbackOther = playback;
    playbackOther.subProductOther = true;

    struct Case
    {
        const char* what;
        const GridLinkState& link;
        bool shown, received, blocked, loss, visible;
        CellShow expected;
    };
    const Case cases[] = {
        {"idle, never received", none, true, false, false, false, true, CellShow::Empty},
        {"local playback picture", none, true, true, false, false, true, CellShow::Picture},
        {"live picture", live, true, true, false, false, true, CellShow::Picture},
        {"live, blocked though received", live, true, true, true, false, true, CellShow::Blocked},
        {"live, no picture, video loss", live, true, false, false, true, true, CellShow::VideoLoss},
        {"live, no picture yet", live, true, false, false, false, true, CellShow::Empty},
        {"live, not shown, loss", live, false, true, true, true, true, CellShow::VideoLoss},
        {"live, not shown, blocked", live, false, true, true, false, true, CellShow::Blocked},
        {"playback picture", playback, true, true, true, false, true, CellShow::Picture},
        {"playback of the other product, blocked", playbackOther, true, true, true, false, true,
         CellShow::Blocked},
        {"playback other, not shown", playbackOther, false, false, true, false, true, CellShow::Blocked},
        {"playback, not shown", playback, false, false, true, false, true, CellShow::Empty},
        {"not visible", none, true, true, false, false, false, CellShow::Empty},
    };
    for (const Case& c : cases) {
        VideoGridModel m;
        m.SetLayout(1); // cells 0-3 visible
        GridLinkState link = c.link;
        const int channel = 2;
        const int cell = c.visible ? 0 : 8;
        m.SwapCells(cell, channel);
        if (c.received)
            m.MarkChannelVideo(channel);
        m.SetShownChannels(c.shown ? static_cast<std::uint16_t>(1u << channel) : 0);
        m.SetChannelBlocked(channel, c.blocked);
        if (c.loss)
            link.videoLossMask = 1u << channel;
        EXPECT_EQ(m.DecideCell(cell, link), c.expected) << c.what;
    }
}

// The PTZ channel is asked for again when its own cell is visible and has
// video; channel 0 and cell 0 have nothing to do with it.
TEST(GridPtz, RequestFollowsThePtzChannelsOwnCell)
{
    GridLinkState link;
    link.connected = true;
    link.live = true;
    link.ptzPanelOpen = true;
    link.ptzChannel = 6;

    VideoGridModel m;
    m.SetActiveChannels(0xFFFF, false);
    m.SetLayout(14);

    link.videoLossMask = 0x0001; // channel 0 has no signal, channel 6 has
    EXPECT_EQ(m.PtzChannelToRequest(link), 6);

    link.videoLossMask = 0x0040; // the PTZ channel lost its signal
    EXPECT_EQ(m.PtzChannelToRequest(link), 0);

    // The PTZ channel's cell is not on the page: the first visible channel
    // with video takes over, even though channel 0 has video.
    link.videoLossMask = 0;
    m.SetLayout(1); // cells 0-3
    EXPECT_EQ(m.PtzChannelToRequest(link), 0);
    link.videoLossMask = 0x0003;
    EXPECT_EQ(m.PtzChannelToRequest(link), 2);

    // Dragged onto the page, it stays the PTZ channel.
    m.SwapCells(3, 6);
    EXPECT_EQ(m.PtzChannelToRequest(link), 6);

    link.ptzPanelOpen = false;
    EXPECT_EQ(m.PtzChannelToRequest(link), -1);
    link.ptzPanelOpen = true;
    link.live = false;
    EXPECT_EQ(m.PtzChannelToRequest(link), -1);
}

TEST(GridFrameRate, HalfTheCountRoundedUp)
{
    FrameRateCounter counter;
    for (int i = 0; i < 31; ++i)
        counter.Count(3);
    counter.Count(5);
    counter.Count(-1);
    counter.Count(16);
    EXPECT_EQ(counter.Rate(3), 0) << "rates change only at the tick";
    counter.Tick();
    EXPECT_EQ(counter.Rate(3), 16);
    EXPECT_EQ(counter.Rate(5), 1);
    EXPECT_EQ(counter.Rate(0), 0);
    counter.Tick();
    EXPECT_EQ(counter.Rate(3), 0) << "a period without pictures";
}

TEST(GridCrop, ShownRowsByPictureHeight)
{
    struct Case
    {
        int height, first, count;
    };
    const Case cases[] = {{576, 16, 552}, {480, 16, 456}, {288, 8, 276},
                          {240, 8, 228},  {144, 8, 132},  {8, 0, 8}};
    for (const Case& c : cases) {
        int first = -1, count = -1;
        PictureCropRows(c.height, first, count);
        EXPECT_EQ(first, c.first) << c.height;
        EXPECT_EQ(count, c.count) << c.height;
    }
    // 704 x 576 shows rows 16-567, 352 x 288 rows 8-283.
    int first = 0, count = 0;
    PictureCropRows(576, first, count);
    EXPECT_EQ(first + count - 1, 567);
    PictureCropRows(288, first, count);
    EXPECT_EQ(first + count - 1, 283);
}

} // namespace
