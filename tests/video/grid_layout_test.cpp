// The grid's layouts, geometry, page tables and paging, without a window.
#include "video/VideoGridModel.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>

namespace {

std::uint16_t Bits(std::initializer_list<int> cells)
{
    std::uint32_t m = 0;
    for (int c : cells)
        m |= 1u << c;
    return static_cast<std::uint16_t>(m);
}

std::uint16_t RangeBits(int first, int last)
{
    std::uint32_t m = 0;
    for (int c = first; c <= last; ++c)
        m |= 1u << c;
    return static_cast<std::uint16_t>(m);
}

VideoGridModel AllActive(int channels = 16)
{
    VideoGridModel m;
    m.SetChannelCount(channels);
    m.SetActiveChannels(0xFFFF, false);
    return m;
}

TEST(GridLayout, PositionsMatchTheWorkedExamples)
{
    EXPECT_EQ(GridLayout::PositionRect(14, 5, 1200, 960, 1), (GridCellRect{301, 241, 599, 479}));
    EXPECT_EQ(GridLayout::PositionRect(2, 0, 1200, 960, 1), (GridCellRect{2, 2, 799, 639}));
    // The main window's grid: 815 x 548, border 1.
    EXPECT_EQ(GridLayout::PositionRect(0, 0, 815, 548, 1), (GridCellRect{2, 2, 813, 546}));
    EXPECT_EQ(GridLayout::PositionRect(14, 0, 815, 548, 1), (GridCellRect{2, 2, 202, 136}));
    EXPECT_EQ(GridLayout::PositionRect(14, 15, 815, 548, 1), (GridCellRect{610, 412, 813, 546}));
    EXPECT_EQ(GridLayout::PositionRect(6, 4, 815, 548, 1), (GridCellRect{272, 183, 541, 363}));
}

// With no border every layout tiles the view exactly: no overlaps, no holes.
// This catches a wrong span in any row of the layout table.
TEST(GridLayout, EveryLayoutTilesTheViewWithoutBorder)
{
    const int counts[kVideoGridLayouts] = {1, 4, 6, 7, 7, 8, 9, 10, 10, 10, 10, 13, 13, 13, 16};
    for (int layout = 0; layout < kVideoGridLayouts; ++layout) {
        SCOPED_TRACE(layout);
        ASSERT_EQ(GridLayout::PositionCount(layout), counts[layout]);
        const int w = 1200, h = 960;
        long area = 0;
        for (int p = 0; p < counts[layout]; ++p) {
            const GridCellRect r = GridLayout::PositionRect(layout, p, w, h, 0);
            EXPECT_FALSE(r.IsEmpty());
            EXPECT_GE(r.left, 0);
            EXPECT_GE(r.top, 0);
            EXPECT_LE(r.right, w);
            EXPECT_LE(r.bottom, h);
            area += long(r.Width()) * r.Height();
            for (int q = 0; q < p; ++q)
                EXPECT_FALSE(r.Intersects(GridLayout::PositionRect(layout, q, w, h, 0)))
                    << p << " meets " << q;
        }
        EXPECT_EQ(area, long(w) * h);
    }
}

TEST(GridLayout, CellPositions)
{
    // Cell c at position c mod n ...
    EXPECT_EQ(GridLayout::CellPosition(2, 2, 13), 1);
    EXPECT_EQ(GridLayout::CellPosition(7, 1, 15), 5);
    EXPECT_EQ(GridLayout::CellPosition(13, 1, 15), 2);
    // ... except the nine-way layout past page 0: cells 7-15 fill all nine places.
    for (int cell = 7; cell < 16; ++cell)
        EXPECT_EQ(GridLayout::CellPosition(6, 1, cell), cell - 7);
    EXPECT_EQ(GridLayout::CellPosition(6, 0, 7), 7);
    EXPECT_EQ(GridLayout::CellPosition(6, 0, 8), 8);
}

TEST(GridLayout, PageCountsByChannelCount)
{
    std::array<int, kVideoGridLayouts> counts{};
    ASSERT_TRUE(GridLayout::PageCounts(4, counts));
    EXPECT_EQ(counts, (std::array<int, kVideoGridLayouts>{4, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    ASSERT_TRUE(GridLayout::PageCounts(5, counts));
    EXPECT_EQ(counts, (std::array<int, kVideoGridLayouts>{8, 2, 2, 2, 2, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0}));
    ASSERT_TRUE(GridLayout::PageCounts(8, counts));
    EXPECT_EQ(counts[6], 1);
    ASSERT_TRUE(GridLayout::PageCounts(9, counts));
    EXPECT_EQ(counts, (std::array<int, kVideoGridLayouts>{16, 4, 3, 3, 3, 2, 2, 2, 2, 2, 2, 2, 2, 2, 1}));
    EXPECT_FALSE(GridLayout::PageCounts(17, counts));
    EXPECT_EQ(counts[0], 16) << "more than 16 channels leaves the table";
}

TEST(GridLayout, VisibleCellsOfPages)
{
    struct Case
    {
        int layout, page, channels;
        std::uint16_t cells;
    };
    const Case cases[] = {
        {0, 5, 16, Bits({5})},          {1, 3, 16, RangeBits(12, 15)}, {2, 1, 16, RangeBits(6, 11)},
        {2, 2, 16, RangeBits(12, 15)},  {2, 1, 8, Bits({6, 7})},       {3, 1, 16, RangeBits(7, 13)},
        {4, 2, 16, Bits({14, 15})},     {5, 1, 16, RangeBits(8, 15)},  {6, 0, 16, RangeBits(0, 8)},
        {6, 1, 16, RangeBits(7, 15)},   {7, 1, 16, RangeBits(10, 15)}, {10, 0, 8, RangeBits(0, 7)},
        {11, 1, 16, RangeBits(13, 15)}, {13, 0, 16, RangeBits(0, 12)}, {14, 0, 4, 0xFFFF},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GridLayout::VisibleCells(c.layout, c.page, c.channels), c.cells)
            << "layout " << c.layout << " page " << c.page << " channels " << c.channels;
}

TEST(GridLayout, PagePlansFillUnusedPositionsWithTheEmptyPicture)
{
    struct Case
    {
        int layout, page;
        std::uint16_t cells, empty;
    };
    const Case cases[] = {
        {1, 5, RangeBits(12, 15), 0},
        {2, 2, RangeBits(12, 15), Bits({4, 5})},
        {3, 2, Bits({14, 15}), RangeBits(2, 6)},
        {6, 1, RangeBits(7, 15), 0},
        {8, 1, RangeBits(10, 15), RangeBits(6, 9)},
        {12, 1, RangeBits(13, 15), RangeBits(3, 12)},
        {14, 0, 0xFFFF, 0},
    };
    for (const Case& c : cases) {
        const GridLayout::PagePlan plan = GridLayout::PlanPage(c.layout, c.page);
        EXPECT_EQ(plan.cells, c.cells) << "layout " << c.layout << " page " << c.page;
        EXPECT_EQ(plan.emptyPositions, c.empty) << "layout " << c.layout << " page " << c.page;
        // Cells and empty places never share a position.
        std::uint32_t used = plan.emptyPositions;
        for (int cell = 0; cell < 16; ++cell) {
            if (!(plan.cells & (1u << cell)))
                continue;
            const int pos = GridLayout::CellPosition(c.layout, c.page, cell);
            EXPECT_FALSE(used & (1u << pos)) << "layout " << c.layout << " cell " << cell;
            used |= 1u << pos;
        }
    }
}

TEST(GridPaging, ChoosingTheSameLayoutTurnsPagesWhenNotHeld)
{
    VideoGridModel m = AllActive();
    m.SetHoldPage(false);
    ASSERT_TRUE(m.SetLayout(2));
    EXPECT_EQ(m.VisibleCells(), RangeBits(0, 5));
    ASSERT_TRUE(m.SetLayout(2));
    EXPECT_EQ(m.VisibleCells(), RangeBits(6, 11));
    ASSERT_TRUE(m.SetLayout(2));
    EXPECT_EQ(m.VisibleCells(), RangeBits(12, 15));
    EXPECT_EQ(GridLayout::PlanPage(2, m.Page()).emptyPositions, Bits({4, 5}));
    ASSERT_TRUE(m.SetLayout(2));
    EXPECT_EQ(m.VisibleCells(), RangeBits(0, 5));

    // Held, the page stays.
    m.SetHoldPage(true);
    ASSERT_TRUE(m.SetLayout(2));
    EXPECT_EQ(m.Page(), 0);
}

TEST(GridPaging, EightChannels)
{
    VideoGridModel m = AllActive(8);
    m.SetHoldPage(false);
    m.SetLayout(2);
    EXPECT_EQ(m.VisibleCells(), RangeBits(0, 5));
    m.SetLayout(2);
    EXPECT_EQ(m.VisibleCells(), Bits({6, 7}));
    m.SetLayout(2);
    EXPECT_EQ(m.Page(), 0);
    // Layouts 7 to 14 have no pages here and stay on page 0.
    for (int layout = 7; layout < 15; ++layout) {
        m.SetLayout(layout);
        m.SetLayout(layout);
        EXPECT_EQ(m.Page(), 0) << layout;
    }
}

TEST(GridPaging, TurnsToAPageWithAnActiveChannel)
{
    VideoGridModel m;
    m.SetActiveChannels(Bits({14}), false);
    ASSERT_TRUE(m.SetLayout(1));
    EXPECT_EQ(m.Page(), 3);
    EXPECT_EQ(m.VisibleCells(), RangeBits(12, 15));

    // The map decides: channel 14 dragged into cell 2 is found on page 0.
    VideoGridModel dragged;
    dragged.SetActiveChannels(Bits({14}), false);
    dragged.SwapCells(2, 14);
    ASSERT_TRUE(dragged.SetLayout(1));
    EXPECT_EQ(dragged.Page(), 0);
}

TEST(GridPaging, GivesUpAfterSeventeenTurnsOnPageZero)
{
    // Four channels: layout 2 has no pages and shows cells 0-3; an active
    // channel 5 never appears.
    VideoGridModel m;
    m.SetChannelCount(4);
    m.SetActiveChannels(Bits({5}), false);
    EXPECT_TRUE(m.SetLayout(2));
    EXPECT_EQ(m.Page(), 0);
    EXPECT_EQ(m.VisibleCells(), RangeBits(0, 3));
}

TEST(GridPaging, NoActiveChannelChangesLayoutButAnswersFalse)
{
    VideoGridModel m;
    m.SetHoldPage(false);
    EXPECT_FALSE(m.SetLayout(1));
    EXPECT_EQ(m.Layout(), 1);
    EXPECT_FALSE(m.SetLayout(1));
    EXPECT_EQ(m.Page(), 1);
}

TEST(GridPaging, SingleViewOfAChannelFindsItsCell)
{
    VideoGridModel m = AllActive();
    EXPECT_FALSE(VideoGridModel().ShowSingleChannel(3)) << "inactive channel";
    m.SwapCells(0, 5);
    m.SetHoldPage(false);
    ASSERT_TRUE(m.ShowSingleChannel(5));
    EXPECT_EQ(m.Layout(), kVideoLayoutSingle);
    EXPECT_EQ(m.Page(), 0);
    EXPECT_EQ(m.VisibleCells(), Bits({0}));
    EXPECT_EQ(m.ShownChannels(), 0);
    EXPECT_TRUE(m.HoldPage());
}

TEST(GridLayout, CellFramesOnlyForTheSplitButtonLayouts)
{
    std::array<GridCellRect, 16> frames;
    for (int layout : {4, 8, 9, 10, 11, 12})
        EXPECT_EQ(GridLayout::CellFrameRects(layout, 815, 548, 1, frames), 0) << layout;
    ASSERT_EQ(GridLayout::CellFrameRects(14, 815, 548, 1, frames), 16);
    EXPECT_EQ(frames[0], (GridCellRect{1, 1, 204, 138}));
    ASSERT_EQ(GridLayout::CellFrameRects(13, 815, 548, 1, frames), 16);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(frames[13 + i], frames[i]);
    EXPECT_EQ(GridLayout::CellFrameRects(0, 815, 548, 1, frames), 1);
}

TEST(GridLayout, SplitButtons)
{
    EXPECT_EQ(GridLayout::SplitButtonOfLayout(0), 0);
    EXPECT_EQ(GridLayout::SplitButtonOfLayout(5), 4);
    EXPECT_EQ(GridLayout::SplitButtonOfLayout(14), 8);
    EXPECT_EQ(GridLayout::SplitButtonOfLayout(4), -1);
}

} // namespace
