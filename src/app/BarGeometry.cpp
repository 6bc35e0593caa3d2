#include "app/BarGeometry.h"

QPoint SnapTransferBar(QPoint proposed, QSize bar, const BarRect& grid)
{
    int x = proposed.x();
    int y = proposed.y();
    if (x < grid.left + kTransferSnap)
        x = grid.left;
    if (y < grid.top + kTransferSnap)
        y = grid.top;
    if (x + bar.width() + kTransferSnap > grid.right)
        x = grid.right - bar.width();
    if (y + bar.height() + kTransferSnap > grid.bottom)
        y = grid.bottom - bar.height();
    return QPoint(x, y);
}

QPoint SplitBarPosition(const BarRect& monitor, QSize bar)
{
    return QPoint(monitor.left + (monitor.right - monitor.left - bar.width()) / 2,
                  monitor.bottom - bar.height());
}
