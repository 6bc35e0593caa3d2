#include "video/GridInteraction.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

// The pointer must leave the press point by more than this to count as moved.
constexpr int kMoveSlop = 2;

} // namespace

GridViewTell ViewTellFor(bool connected, bool live, bool playback, std::uint32_t visible,
                         std::uint32_t requested)
{
    GridViewTell tell;
    if (!connected)
        return tell;
    if (live) {
        tell.kind = GridViewTell::Live;
        tell.mask = visible;
    } else if (playback) {
        tell.kind = GridViewTell::Playback;
        tell.mask = visible & requested;
    }
    return tell;
}

std::array<std::uint8_t, 4> ViewMaskPayload(std::uint32_t mask)
{
    return {static_cast<std::uint8_t>(mask >> 24), static_cast<std::uint8_t>(mask >> 16),
            static_cast<std::uint8_t>(mask >> 8), static_cast<std::uint8_t>(mask)};
}

bool GridInteraction::Press(const VideoGridModel& model, int x, int y, bool domeMenu)
{
    m_drag.dragCell = -1;
    if (model.Layout() == kVideoLayoutSingle || domeMenu)
        return false;
    m_drag.pressX = m_drag.lastX = x;
    m_drag.pressY = m_drag.lastY = y;
    m_drag.moved = false;
    m_drag.dragCell = model.ActiveCellAt(x, y);
    if (m_drag.dragCell < 0) {
        m_drag.dragging = false;
        return true;
    }
    const GridCellRect cell = model.CellRect(m_drag.dragCell);
    m_drag.image = GridCellRect{cell.left + 1, cell.top + 1, cell.right - 1, cell.bottom - 1};
    if (m_drag.image.IsEmpty()) {
        // Nothing to carry: the drag is abandoned, the click still counts.
        m_drag.dragging = false;
        return true;
    }
    m_drag.dragging = true;
    m_drag.hotX = x - m_drag.image.left;
    m_drag.hotY = y - m_drag.image.top;
    m_drag.imageX = m_drag.image.left;
    m_drag.imageY = m_drag.image.top;
    return true;
}

void GridInteraction::NoteMove(int x, int y)
{
    m_drag.lastX = x;
    m_drag.lastY = y;
    if (std::abs(x - m_drag.pressX) > kMoveSlop || std::abs(y - m_drag.pressY) > kMoveSlop)
        m_drag.moved = true;
}

bool GridInteraction::Move(int x, int y)
{
    NoteMove(x, y);
    if (!m_drag.dragging)
        return false;
    m_drag.imageX = x - m_drag.hotX;
    m_drag.imageY = y - m_drag.hotY;
    return true;
}

void GridInteraction::Cancel()
{
    m_drag.dragging = false;
    m_drag.imageX = m_drag.imageY = 0;
}

GridReleaseResult GridInteraction::Release(const VideoGridModel& model, int x, int y, bool domeMenu,
                                           const GridLinkState& link)
{
    GridReleaseResult result;
    if (!m_drag.dragging)
        return result;
    result.handled = true;
    NoteMove(x, y);
    Cancel();
    // The dome menu owns the mouse: the drag ends, nothing is dropped.
    if (domeMenu)
        return result;

    const int dw = m_drag.image.Width();
    const int dh = m_drag.image.Height();
    const int dropX = x + dw / 2 - m_drag.hotX;
    const int dropY = y + dh / 2 - m_drag.hotY;
    const int target = model.ActiveCellAt(dropX, dropY);
    if (target >= 0 && m_drag.dragCell >= 0) {
        result.swapFrom = m_drag.dragCell;
        result.swapTo = target;
        if (target == m_drag.dragCell && link.connected && link.ptzPanelOpen && link.live) {
            const int channel = model.GetCellChannel(target);
            if (channel >= 0 && channel != link.ptzChannel)
                result.ptzChannel = channel;
        }
    }
    result.redrawFrames = m_drag.moved;
    return result;
}

GridZoomResult GridInteraction::DoubleClick(const VideoGridModel& model, bool domeMenu, bool zoomed)
{
    GridZoomResult result;
    if (domeMenu)
        return result;
    if (!zoomed) {
        const int cell = m_drag.dragCell;
        if (cell < 0 || cell >= kVideoGridCells || model.Layout() == kVideoLayoutSingle)
            return result;
        m_nSavedLayout = model.Layout();
        m_nSavedPage = model.Page();
        result.kind = GridZoomResult::ZoomIn;
        result.channel = model.GetCellChannel(cell);
        return result;
    }
    result.kind = GridZoomResult::ZoomOut;
    result.layout = m_nSavedLayout;
    result.page = m_nSavedPage;
    result.splitButton = GridLayout::SplitButtonOfLayout(m_nSavedLayout);
    return result;
}

GridCellRect RevealZone(int viewWidth, int viewHeight, int barWidth, int barHeight)
{
    const int left = (viewWidth - barWidth) / 2;
    return GridCellRect{left, viewHeight - barHeight, left + barWidth, viewHeight};
}

bool InRevealZone(int viewWidth, int viewHeight, int barWidth, int barHeight, int x, int y)
{
    if (barWidth <= 0 || barHeight <= 0)
        return false;
    return RevealZone(viewWidth, viewHeight, barWidth, barHeight).Contains(x, y);
}

int SplitBarLayout(int buttonId)
{
    const int k = buttonId - 400;
    if (k < 0 || k >= static_cast<int>(GridLayout::kSplitLayouts.size()))
        return -1;
    return GridLayout::kSplitLayouts[static_cast<std::size_t>(k)];
}

std::uint16_t SnapshotChannels(const VideoGridModel& model)
{
    const std::uint16_t cells = model.VisibleCells() & model.ActiveCells();
    std::uint32_t channels = 0;
    for (int cell = 0; cell < kVideoGridCells; ++cell)
        if (cells & (1u << cell))
            channels |= 1u << model.GetCellChannel(cell);
    return static_cast<std::uint16_t>(channels);
}

std::string SnapshotTimeText(int frameTime, int dateFormat)
{
    const std::time_t t = frameTime < 0 ? 0 : static_cast<std::time_t>(frameTime);
    std::tm tm{};
    gmtime_r(&t, &tm);
    const int year = tm.tm_year + 1900;
    const int month = tm.tm_mon + 1;
    char text[64];
    switch (dateFormat) {
    case 1:
        std::snprintf(text, sizeof text, "%02d-%02d-%04d  %02d:%02d:%02d", month, tm.tm_mday, year,
                      tm.tm_hour, tm.tm_min, tm.tm_sec);
        break;
    case 2:
        std::snprintf(text, sizeof text, "%02d-%02d-%04d  %02d:%02d:%02d", tm.tm_mday, month, year,
                      tm.tm_hour, tm.tm_min, tm.tm_sec);
        break;
    default:
        std::snprintf(text, sizeof text, "%04d-%02d-%02d  %02d:%02d:%02d", year, month, tm.tm_mday,
                      tm.tm_hour, tm.tm_min, tm.tm_sec);
        break;
    }
    return text;
}
