// Placement rules of the transfer bar (snapping to the grid) and the split
// bar (centred at the bottom of the monitor).
#include "app/BarGeometry.h"

#include <gtest/gtest.h>

namespace {

TEST(BarGeometry, TransferBarSnapsToGridEdges)
{
    const BarRect grid{100, 200, 968, 820}; // L, T, R, B
    const QSize bar(354, 40);
    struct Case
    {
        QPoint proposed;
        QPoint expected;
    };
    const Case cases[] = {
        {{400, 500}, {400, 500}},                              // well inside: unchanged
        {{119, 500}, {100, 500}},                              // 19 px from the left edge: snaps
        {{120, 500}, {120, 500}},                              // 20 px: stays
        {{50, 500}, {100, 500}},                               // beyond the left edge
        {{400, 219}, {400, 200}},                              // top
        {{400, 220}, {400, 220}}, {{595, 500}, {614, 500}},    // right edge 19 px away: flush
        {{594, 500}, {594, 500}},                              // 20 px away: stays
        {{900, 500}, {614, 500}},                              // beyond the right edge
        {{400, 761}, {400, 780}},                              // bottom
        {{400, 760}, {400, 760}}, {{-3000, 5000}, {100, 780}}, // far off: the bottom-left corner
    };
    for (const Case& c : cases)
        EXPECT_EQ(SnapTransferBar(c.proposed, bar, grid), c.expected)
            << c.proposed.x() << "," << c.proposed.y();
}

TEST(BarGeometry, SplitBarCentredAtTheBottom)
{
    const QSize bar(350, 44);
    EXPECT_EQ(SplitBarPosition({0, 0, 1280, 1024}, bar), QPoint(465, 980));
    EXPECT_EQ(SplitBarPosition({1280, 0, 2560, 1024}, bar), QPoint(1745, 980));
    EXPECT_EQ(SplitBarPosition({0, 0, 1920, 1080}, bar), QPoint(785, 1036));
    // Odd room: integer division.
    EXPECT_EQ(SplitBarPosition({0, 0, 1025, 768}, bar), QPoint(337, 724));
    // A monitor left of the primary one.
    EXPECT_EQ(SplitBarPosition({-1280, 0, 0, 1024}, bar), QPoint(-815, 980));
}

} // namespace
