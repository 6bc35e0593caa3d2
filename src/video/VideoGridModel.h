// The video grid without a window: its fifteen layouts and their geometry,
// paging, the channel-to-cell map, the channel masks, blocked channels, the
// frame-rate counters and the decision of what each cell shows. The window
// (CVideoGridDlg) guards one model with a lock and paints from it; the
// arithmetic is tested here without a display.
#pragma once

#include "platform/Types.h"

#include <array>
#include <atomic>
#include <cstdint>

constexpr int kVideoGridLayouts = 15;
constexpr int kVideoGridCells = 16;
constexpr int kVideoLayoutSingle = 0;
constexpr int kVideoLayout16 = 14;

// A rectangle as the grid stores it: right and bottom exclusive.
struct GridCellRect
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool Intersects(const GridCellRect& o) const
    {
        return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
    }
    friend bool operator==(const GridCellRect&, const GridCellRect&) = default;
};

namespace GridLayout {

// Number of positions of a layout (1 to 16); 0 for an unknown layout.
int PositionCount(int layout);
// The rectangle of a position for a view of width w and height h with a
// border of v pixels.
GridCellRect PositionRect(int layout, int position, int w, int h, int border);
// The position a cell is drawn at on a page (-1 when the cell has none).
int CellPosition(int layout, int page, int cell);
// Page counts of the fifteen layouts for a channel count; false (and the
// table untouched) for more than 16 channels.
bool PageCounts(int channelCount, std::array<int, kVideoGridLayouts>& counts);
// Cells on a page (bit c for cell c).
std::uint16_t VisibleCells(int layout, int page, int channelCount);

// What a page paints: its cells, and the positions that have no cell there
// and show the empty picture.
struct PagePlan
{
    std::uint16_t cells = 0;
    std::uint16_t emptyPositions = 0;
};
PagePlan PlanPage(int layout, int page);

// The split buttons: the layouts they choose (button k selects
// kSplitLayouts[k]) and the button of a layout (-1 for layouts no button
// selects).
constexpr std::array<int, 9> kSplitLayouts = {0, 1, 2, 3, 5, 6, 7, 13, 14};
int SplitButtonOfLayout(int layout);

// Frames drawn around the cells after a rearrangement: the count written
// into out, each the position grown by one pixel left and top and by two
// right and bottom. Layouts no split button selects draw none.
int CellFrameRects(int layout, int w, int h, int border, std::array<GridCellRect, 16>& out);

} // namespace GridLayout

// What a cell shows when its channel has no picture to show.
enum class CellShow
{
    Picture,
    Empty,
    VideoLoss,
    Blocked
};

// What the grid reads of the connection, the local player and the main
// window when it decides and draws (a snapshot; the defaults mean "no
// connection").
struct GridLinkState
{
    bool connected = false;          // a connection object exists
    bool live = false;               // live view is on
    bool remotePlayback = false;     // remote playback is on
    bool subProductOther = false;    // the recorder's sub-product flag
    bool servedModel = false;        // the recorder is of the served model
    std::uint16_t videoLossMask = 0; // channels without a video signal
    std::uint16_t camerasInUse = 0;  // bit c: camera c is in use on the recorder
    bool ptzPanelOpen = false;
    int ptzMode = 0;    // 0 none, 1 or 2
    int ptzChannel = 0; // the PTZ channel
};

// The grid's state. Not thread-safe: the window guards it.
class VideoGridModel
{
public:
    VideoGridModel();

    // --- Layout and paging
    void SetChannelCount(int count);
    int ChannelCount() const { return m_nChannelCount; }
    const std::array<int, kVideoGridLayouts>& PageCounts() const { return m_arrPageCount; }
    void SetPageCounts(const std::array<int, kVideoGridLayouts>& counts) { m_arrPageCount = counts; }

    // Takes the layout (page 0) or, for the same layout with the page not
    // held, turns to the next page; then turns pages, at most 17 times, until
    // the page shows an active channel (page 0 when none does). False when no
    // channel is active.
    bool SetLayout(int layout);
    // Single view of a channel; false unless it is active.
    bool ShowSingleChannel(int channel);
    int Layout() const { return m_nLayout; }
    int Page() const { return m_nPage; }
    void SetPage(int layout, int page); // a saved layout and page coming back
    bool HoldPage() const { return m_bHoldPage; }
    void SetHoldPage(bool hold) { m_bHoldPage = hold; }
    // Recomputes the visible cells of the current layout and page.
    void UpdateVisibleCells();
    std::uint16_t VisibleCells() const { return m_wVisibleCells; }

    // --- Geometry
    void SetViewSize(int width, int height, int border);
    int ViewWidth() const { return m_nViewWidth; }
    int ViewHeight() const { return m_nViewHeight; }
    int Border() const { return m_nBorder; }
    // The rectangle of a cell in the current layout and page (client
    // coordinates of the grid window).
    GridCellRect CellRect(int cell) const;
    GridCellRect CellRectIn(int layout, int page, int cell) const;
    GridCellRect PositionRect(int position) const;
    // The cell that contains a point: visible, showing an active channel
    // (cells 0-15 in order); -1 when none does.
    int ActiveCellAt(int x, int y) const;

    // --- Masks, map and blocked channels
    // Active and shown := mask; with reset and mask 0 the map returns to
    // identity. True when the active mask changed.
    bool SetActiveChannels(std::uint16_t mask, bool reset);
    std::uint16_t ActiveChannels() const { return m_wActiveChannels; }
    void SetShownChannels(std::uint16_t mask) { m_wShownChannels = mask; }
    std::uint16_t ShownChannels() const { return m_wShownChannels; }
    std::uint16_t ReceivedChannels() const { return m_wReceivedChannels; }
    void ClearReceivedChannels() { m_wReceivedChannels = 0; }
    // A picture arrived: active, shown and received.
    void MarkChannelVideo(int channel);
    // Cells whose channel is active.
    std::uint16_t ActiveCells() const;
    // Bit c set when the cell showing channel c is visible.
    std::uint16_t VisibleChannels() const;

    int GetCellChannel(int cell) const;
    int FindChannelCell(int channel) const;
    void ResetCellMap();
    // Trades the channels of two cells (a drag that rearranges the grid).
    void SwapCells(int a, int b);

    // In single view: the channel shown when it is in mask, and in index the
    // number of mask bits below it; otherwise -1.
    int GetSingleViewChannel(std::uint16_t mask, int& index) const;
    bool IsSingleViewChannel(int channel, std::uint16_t mask) const;

    bool IsChannelBlocked(int channel) const;
    void SetChannelBlocked(int channel, bool blocked);

    // What a cell shows, from its channel's masks and the connection.
    CellShow DecideCell(int cell, const GridLinkState& link) const;

    // The PTZ channel to ask for after the visible cells changed, or -1 when
    // none is to be asked for. The PTZ channel itself is asked for again when
    // its own cell is visible and it has video; otherwise the channel of the
    // first visible cell with video takes its place.
    int PtzChannelToRequest(const GridLinkState& link) const;

private:
    int NextPage() const;

    std::array<int, kVideoGridLayouts> m_arrPageCount{};
    int m_nChannelCount = 16;
    int m_nLayout = kVideoLayout16;
    int m_nPage = 0;
    bool m_bHoldPage = true;
    int m_nViewWidth = 815;
    int m_nViewHeight = 548;
    int m_nBorder = 1;
    std::uint16_t m_wVisibleCells = 0;
    std::uint16_t m_wActiveChannels = 0;
    std::uint16_t m_wShownChannels = 0;
    std::uint16_t m_wReceivedChannels = 0;
    std::array<int, kVideoGridCells> m_arrCellChannel{};
    std::array<bool, kVideoGridCells> m_arrBlocked{};
};

// Pictures per channel: every decoded picture counts once, and every two
// seconds the counts become the rates (pictures per second, halves rounded
// up). Counting is safe from any thread.
class FrameRateCounter
{
public:
    void Count(int channel);
    // The period ended: rate := (count + 1) / 2, count := 0.
    void Tick();
    int Rate(int channel) const;

private:
    std::array<std::atomic<int>, kVideoGridCells> m_count{};
    std::array<std::atomic<int>, kVideoGridCells> m_rate{};
};
