// Placement rules of the two floating bars, apart from their windows.
#pragma once

#include <QPoint>
#include <QSize>

// A rectangle as left, top, right, bottom with right and bottom exclusive, the
// way the video grid's view rectangle is kept.
struct BarRect
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// The transfer bar snaps onto an edge of the video grid when it comes within
// 20 pixels of it and cannot leave the grid's area. `proposed` is the top-left
// corner the bar is being moved to, `grid` the grid's area, both in screen
// coordinates.
constexpr int kTransferSnap = 20;
QPoint SnapTransferBar(QPoint proposed, QSize bar, const BarRect& grid);

// The split bar sits centred at the bottom edge of the monitor.
QPoint SplitBarPosition(const BarRect& monitor, QSize bar);
