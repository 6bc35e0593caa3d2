// What the operator does on the video grid with mouse and keyboard, without
// a window: the press that may start a drag, the moves, the release that
// drops (swap two cells) or clicks (choose the PTZ channel), the double click
// that zooms into one channel and back, the zone at the bottom of a full
// screen view that reveals the split bar, and the snapshot's choice of
// channels and time texts. The window (CVideoGridDlg) feeds it the model it
// holds and carries out the actions it answers.
#pragma once

#include "video/VideoGridModel.h"

#include <array>
#include <cstdint>
#include <string>

// The drag in progress, kept between press, moves and release.
struct GridDragState
{
    int dragCell = -1;     // the cell the last press hit (-1 none)
    bool dragging = false; // a drag image follows the pointer
    bool moved = false;    // the pointer left the press point by more than 2 pixels
    int pressX = 0, pressY = 0;
    int lastX = 0, lastY = 0;
    GridCellRect image;         // the drag image: the cell shrunk by one pixel
    int hotX = 0, hotY = 0;     // the press point inside the image
    int imageX = 0, imageY = 0; // where the image's top-left is drawn now
};

// What a release asks the window to do.
struct GridReleaseResult
{
    bool handled = false; // a drag ended
    int swapFrom = -1;    // cells to trade (both -1 when nothing is dropped)
    int swapTo = -1;
    int ptzChannel = -1; // the channel to make the PTZ channel (-1 none)
    bool redrawFrames = false;
};

// What a double click asks the window to do.
struct GridZoomResult
{
    enum Kind
    {
        None,
        ZoomIn, // single view of `channel`, keeping the zoom
        ZoomOut // back to `layout` and `page`
    };
    Kind kind = None;
    int channel = -1;
    int layout = 0;
    int page = 0;
    int splitButton = -1; // ZoomOut: the split button to light (-1 none)
};

// Whom the recorder is told about after a zoom: LIVE_REQ with the visible
// mask in live view, PLAY_VIEW_CH with the visible mask limited to the
// channels asked for in remote playback.
struct GridViewTell
{
    enum Kind
    {
        None,
        Live,
        Playback
    };
    Kind kind = None;
    std::uint32_t mask = 0;
};
GridViewTell ViewTellFor(bool connected, bool live, bool playback, std::uint32_t visible,
                         std::uint32_t requested);
// The 4-byte payload of both messages: the mask as a big-endian word.
std::array<std::uint8_t, 4> ViewMaskPayload(std::uint32_t mask);

class GridInteraction
{
public:
    // Left press at (x, y). False when the press is ignored (layout 0, dome
    // menu); then the drag cell is -1 and nothing else changes. A press on
    // no active visible cell leaves the drag idle.
    bool Press(const VideoGridModel& model, int x, int y, bool domeMenu);
    // A move: true when the drag image moved (the window repaints).
    bool Move(int x, int y);
    // Left release. A drag always ends here, also while the dome menu is open
    // (nothing is dropped then), so no image or grab is left behind.
    GridReleaseResult Release(const VideoGridModel& model, int x, int y, bool domeMenu,
                              const GridLinkState& link);
    // Double click (after its press). `zoomed` is the window's zoom flag
    // (others clear it too); the result says whether to zoom in or out, and
    // the layout and page a zoom-in left are remembered here.
    GridZoomResult DoubleClick(const VideoGridModel& model, bool domeMenu, bool zoomed);
    // Ends a drag without dropping (the window loses the mouse).
    void Cancel();

    const GridDragState& Drag() const { return m_drag; }
    int SavedLayout() const { return m_nSavedLayout; }
    int SavedPage() const { return m_nSavedPage; }

private:
    void NoteMove(int x, int y);

    GridDragState m_drag;
    int m_nSavedLayout = kVideoLayout16;
    int m_nSavedPage = 0;
};

// The reveal zone of full screen: the bar's size centred at the bottom of a
// W x H view (halves truncated).
GridCellRect RevealZone(int viewWidth, int viewHeight, int barWidth, int barHeight);
bool InRevealZone(int viewWidth, int viewHeight, int barWidth, int barHeight, int x, int y);

// The split bar's buttons 400-408 choose these layouts; any other id leaves
// full screen (-1).
int SplitBarLayout(int buttonId);

// The channels a snapshot saves: bit k for every channel whose cell is
// visible and shows an active channel.
std::uint16_t SnapshotChannels(const VideoGridModel& model);

// A picture's time as the snapshot captions it, by the DateFormat setting
// (0 Y-M-D, 1 M-D-Y, 2 D-M-Y); negative times count as 0 (UTC).
std::string SnapshotTimeText(int frameTime, int dateFormat);
