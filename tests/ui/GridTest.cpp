// The area grids: cell bytes, drag and click rules, region bounds, schedule
// values, stills, and the thin widgets over them.
#include "TestSupport.h"

#include "ui/GridStatic.h"

#include <array>
#include <gtest/gtest.h>

using namespace uitest;

namespace {

// The motion page's layout: 10 x 8 cells of 36 pixels.
void MotionCells(CGridModel& g)
{
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 10; ++c)
            g.AddCell(c * 36, r * 36, c * 36 + 36, r * 36 + 36);
}

void RegionCells(CRegionGridModel& g)
{
    for (int r = 0; r < g.Rows(); ++r)
        for (int c = 0; c < 89; ++c)
            g.AddCell(c * 4, r * 4, c * 4 + 4, r * 4 + 4);
}

void ScheduleCells(CGridModel& g)
{
    for (int d = 0; d < 7; ++d)
        for (int h = 0; h < 24; ++h)
            g.AddCell(d * 50, h * 15, d * 50 + 50, h * 15 + 15);
}

int Count(const BYTE* bytes, std::size_t n, BYTE v)
{
    return static_cast<int>(std::count(bytes, bytes + n, v));
}

} // namespace

TEST(MotionGrid, CellsWriteTheirByteOfTheChannelsBlock)
{
    std::array<BYTE, 1584> cells{};
    CMotionGridModel g;
    g.m_pCells = cells.data();
    g.m_nChannel = 5;
    MotionCells(g);
    g.SelectCell({3 * 36, 2 * 36, 4 * 36, 3 * 36});
    EXPECT_EQ(cells[520], 1) << "(5 x 9 + 2) x 11 + 3";
    EXPECT_EQ(Count(cells.data(), cells.size(), 1), 1);
    EXPECT_EQ(g.ByteIndex(9 * 36, 7 * 36), (5 * 9 + 7) * 11 + 9);

    // A cell outside the 11 x 9 layout (or a channel beyond 16) writes nothing.
    EXPECT_EQ(g.ByteIndex(11 * 36, 0), -1);
    EXPECT_EQ(g.ByteIndex(-1, 0), -1);
    g.m_nChannel = 16;
    EXPECT_EQ(g.ByteIndex(0, 0), -1);
}

TEST(MotionGrid, ADragFlipsEveryTouchedCellAndAClickTheFirstUnderIt)
{
    std::array<BYTE, 1584> cells{};
    CMotionGridModel g;
    g.m_pCells = cells.data();
    MotionCells(g);
    g.SelectCell({0, 0, 36, 36});
    g.SelectCell({36, 0, 72, 36});

    // Dragged right to left over columns 0-2 of row 0 only (not touching
    // row 1, whose top edge is at 36).
    const GridRect band{100, 35, 10, 5};
    g.Press(100, 35, &band);
    EXPECT_EQ(g.ValueOf({0, 0, 36, 36}), 0);
    EXPECT_EQ(g.ValueOf({36, 0, 72, 36}), 0);
    EXPECT_EQ(g.ValueOf({72, 0, 108, 36}), 1);
    EXPECT_EQ(g.ValueOf({0, 36, 36, 72}), 0);
    EXPECT_EQ(cells[2], 1);

    // A band that ends where it started is a click.
    const GridRect still{40, 40, 40, 40};
    g.Press(40, 40, &still);
    EXPECT_EQ(g.ValueOf({36, 36, 72, 72}), 1);
    g.Press(40, 40, nullptr);
    EXPECT_EQ(g.ValueOf({36, 36, 72, 72}), 0);

    // A flat band touches nothing.
    const GridRect flat{0, 10, 200, 10};
    g.Press(0, 10, &flat);
    EXPECT_EQ(Count(cells.data(), cells.size(), 1), 1);

    g.SelectAll();
    EXPECT_EQ(Count(cells.data(), 99, 1), 80) << "column 10 and row 8 are never shown";
    g.DeselectAll();
    EXPECT_EQ(Count(cells.data(), cells.size(), 1), 0);
}

TEST(MotionGrid, ReadOnlyIgnoresPressesButLoadsTheArray)
{
    std::array<BYTE, 99> cells{};
    cells[(0 * 9 + 1) * 11 + 2] = 1;
    CMotionGridModel g;
    g.m_pCells = cells.data();
    g.m_bReadOnly = 1;
    MotionCells(g);
    g.LoadFromArray();
    EXPECT_EQ(g.ValueOf({72, 36, 108, 72}), 1);
    g.Press(80, 40, nullptr);
    const GridRect band{0, 0, 300, 200};
    g.Press(0, 0, &band);
    EXPECT_EQ(g.ValueOf({72, 36, 108, 72}), 1);
    EXPECT_EQ(g.ValueOf({0, 0, 36, 36}), 0);
}

TEST(RegionGrid, ADragSelectsTheRectangleAndStoresItsBounds)
{
    for (BYTE pal : {BYTE(0), BYTE(1)}) {
        SCOPED_TRACE(pal ? "PAL" : "NTSC");
        const int rows = pal ? 73 : 61;
        std::vector<BYTE> cells(16u * 89 * rows);
        std::array<BYTE, 64> bounds{};
        CRegionGridModel g;
        g.m_bPal = pal;
        g.m_pCells = cells.data();
        g.m_pBounds = bounds.data();
        g.m_nChannel = 3;
        RegionCells(g);

        // Columns 10-14, rows 20-22.
        const GridRect band{41, 81, 58, 90};
        g.Press(41, 81, &band);
        EXPECT_EQ(Count(cells.data(), cells.size(), 1), 15);
        EXPECT_EQ(cells[(3 * rows + 20) * 89 + 10], 1);
        EXPECT_EQ(bounds[3], 10);
        EXPECT_EQ(bounds[3 + 16], 14);
        EXPECT_EQ(bounds[3 + 32], 20);
        EXPECT_EQ(bounds[3 + 48], 22);

        // A new drag starts from nothing.
        const GridRect other{0, 0, 9, 9};
        g.Press(0, 0, &other);
        EXPECT_EQ(Count(cells.data(), cells.size(), 1), 9);
        EXPECT_EQ(bounds[3 + 16], 2);

        // One column wide: no region at all.
        const GridRect column{41, 0, 43, 40};
        g.Press(41, 0, &column);
        EXPECT_EQ(Count(cells.data(), cells.size(), 1), 0);
        EXPECT_EQ(bounds[3] + bounds[19] + bounds[35] + bounds[51], 0);

        // A click selects one cell, which is no region either.
        bounds[3] = 7;
        g.Press(50, 50, nullptr);
        EXPECT_EQ(Count(cells.data(), cells.size(), 1), 0);
        EXPECT_EQ(bounds[3], 0);
    }
}

TEST(RegionGrid, APressOutsideEveryCellClearsButKeepsTheBounds)
{
    std::vector<BYTE> cells(16u * 89 * 61);
    std::array<BYTE, 64> bounds{};
    CRegionGridModel g;
    g.m_pCells = cells.data();
    g.m_pBounds = bounds.data();
    RegionCells(g);
    const GridRect band{4, 4, 20, 20};
    g.Press(4, 4, &band);
    ASSERT_EQ(bounds[0], 1);
    ASSERT_EQ(bounds[16], 4);
    const GridRect outside{400, 300, 420, 320};
    g.Press(400, 300, &outside);
    EXPECT_EQ(Count(cells.data(), cells.size(), 1), 0);
    EXPECT_EQ(bounds[0], 1);
    EXPECT_EQ(bounds[16], 4);

    g.SelectRect({8, 8, 17, 17}); // wholly inside: columns and rows 2-3
    EXPECT_EQ(Count(cells.data(), cells.size(), 1), 4);
}

TEST(ScheduleGrid, ValuesByModeForDragsAndClicks)
{
    std::array<BYTE, 168> cells{};
    CScheduleGridModel g;
    g.m_pCells = cells.data();
    ScheduleCells(g);
    EXPECT_EQ(g.ByteIndex(2 * 50, 5 * 15), 2 * 24 + 5);

    // Record-mode grid: a drag paints the brush, a click steps 0..3.
    g.m_nMode = 3;
    g.m_nBrush = 2;
    const GridRect band{60, 20, 140, 40}; // days 1-2, hours 1-2
    g.Press(60, 20, &band);
    EXPECT_EQ(Count(cells.data(), cells.size(), 2), 4);
    EXPECT_EQ(cells[1 * 24 + 1], 2);
    g.SetCell({0, 0, 50, 15}, 3);
    EXPECT_EQ(cells[0], 3);
    g.Press(10, 10, nullptr);
    EXPECT_EQ(cells[0], 0) << "3 wraps to 0";
    g.Press(10, 10, nullptr);
    EXPECT_EQ(cells[0], 1);

    // Two-value grid: drags paint 1, clicks toggle.
    g.m_nMode = 0;
    g.m_nBrush = 3;
    const GridRect day6{310, 0, 320, 359};
    g.Press(310, 0, &day6);
    EXPECT_EQ(Count(cells.data() + 6 * 24, 24, 1), 24);
    g.Press(310, 5, nullptr);
    EXPECT_EQ(cells[6 * 24], 0);

    g.m_bReadOnly = 1;
    g.Press(310, 5, nullptr);
    EXPECT_EQ(cells[6 * 24], 0);

    // Reading back from the array keeps every value.
    std::array<BYTE, 168> stored{};
    stored[5] = 3;
    g.m_pCells = stored.data();
    g.LoadFromArray();
    EXPECT_EQ(g.ValueOf({0, 75, 50, 90}), 3);
}

TEST(MotionGridStatic, StillsUpTo720By576AndTheirTint)
{
    CMotionGridStatic grid;
    std::vector<BYTE> big(721u * 576 * 3, 0x40);
    EXPECT_FALSE(grid.SetImage(nullptr, big.data(), 0, 721, 576)) << "wider than the buffer";
    EXPECT_FALSE(grid.SetImage(nullptr, big.data(), 0, 720, 577)) << "taller than the buffer";
    EXPECT_EQ(grid.m_nStillWidth, 0);

    // One bottom-up row of two pixels: (b, g, r) = (10, 200, 100), (200, 10, 250).
    const BYTE px[] = {10, 200, 100, 200, 10, 250};
    ASSERT_TRUE(grid.SetImage(nullptr, px, 0, 2, 1));
    EXPECT_EQ(grid.m_nStillWidth, 2);
    const std::vector<BYTE> tinted(grid.m_pStillSel.begin(), grid.m_pStillSel.begin() + 6);
    EXPECT_EQ(tinted, (std::vector<BYTE>{0, 255, 180, 120, 90, 255}));
    EXPECT_EQ(grid.m_bShowStill, 0) << "the owner sets it";

    ASSERT_TRUE(grid.SetImage(nullptr, big.data(), 0, 720, 576));
    EXPECT_EQ(grid.m_imgStill.size(), QSize(720, 576));
}

TEST(MotionGridStatic, MouseDragsThroughTheWidget)
{
    TestBundle bundle;
    std::array<BYTE, 1584> cells{};
    CMotionGridStatic grid;
    grid.resize(360, 288);
    grid.LoadBitmaps();
    grid.m_pCells = cells.data();
    MotionCells(grid);

    Press(&grid, QPoint(10, 10));
    Move(&grid, QPoint(80, 50), Qt::LeftButton);
    Release(&grid, QPoint(80, 50));
    EXPECT_EQ(Count(cells.data(), 99, 1), 6) << "3 columns x 2 rows";

    const QImage img = Render(&grid);
    EXPECT_EQ(Pixel(img, 18, 18), 0xff3060c0u) << "selected look";
    EXPECT_EQ(Pixel(img, 18 + 108, 18), 0xff202020u) << "background";
    EXPECT_EQ(Pixel(img, 35, 18), 0xff3060c0u) << "the cell itself";
    EXPECT_EQ(Pixel(img, 36, 18), 0xff000000u) << "outline one pixel outside the cell";

    grid.m_bReadOnly = 1;
    Press(&grid, QPoint(200, 200));
    Release(&grid, QPoint(200, 200));
    EXPECT_EQ(Count(cells.data(), 99, 1), 6);
}

TEST(RegionAndScheduleStatics, PaintTheirLooks)
{
    TestBundle bundle;
    std::vector<BYTE> cells(16u * 89 * 61);
    std::array<BYTE, 64> bounds{};
    CRegionGridStatic region;
    region.resize(356, 244);
    region.LoadBitmaps();
    region.m_pCells = cells.data();
    region.m_pBounds = bounds.data();
    RegionCells(region);
    region.SelectRect({0, 0, 40, 40});
    QImage img = Render(&region);
    EXPECT_EQ(Pixel(img, 20, 20), 0xff3060c0u);
    EXPECT_EQ(Pixel(img, 60, 60), 0xff202020u);

    // With a still the selected cells are black.
    std::vector<BYTE> still(356u * 244 * 3, 0xFF);
    ASSERT_TRUE(region.SetImage(still.data(), 0, 356, 244));
    region.m_bShowStill = 1;
    img = Render(&region);
    EXPECT_EQ(Pixel(img, 20, 20), 0xff000000u);
    EXPECT_EQ(Pixel(img, 60, 60), 0xffffffffu);

    std::array<BYTE, 168> sched{};
    CScheduleGridStatic schedule;
    schedule.resize(350, 360);
    schedule.LoadBitmaps(ResourceLibrary::Current(), 4);
    schedule.m_pCells = sched.data();
    ScheduleCells(schedule);
    schedule.SetCell({50, 0, 100, 15}, 2);
    schedule.SetCell({100, 0, 150, 15}, 7);
    img = Render(&schedule);
    EXPECT_EQ(Pixel(img, 75, 7), FrameColour(6)) << "look of value 2";
    EXPECT_EQ(Pixel(img, 125, 7), FrameColour(4)) << "other values show the background";
}
