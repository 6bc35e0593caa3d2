// What the video grid asks of the main window while it paints and changes
// layout: the state of the connection and of the local player, the buttons it
// lights, and the PTZ channel request. Called on the GUI thread only. Without
// a host the grid behaves as with no connection and no sound device.
#pragma once

#include "video/VideoGridModel.h"

#include <QRect>
#include <QSize>
#include <cstdint>
#include <memory>

class Wnd;

// The split-layout bar of full screen as the grid drives it. Its buttons post
// WM_SPLIT_SELECT (WM_USER + 20000, wParam the button id) to the grid.
class GridSplitBar
{
public:
    virtual ~GridSplitBar() = default;
    // Places the bar at the bottom of the monitor with the opacity.
    virtual void PopupAt(const QRect& monitor, int alpha) = 0;
    // 0 hides the bar; any other value shows it for a while.
    virtual void ShowAutoHide(int show) = 0;
    // The bar's client size (the reveal zone's size).
    virtual QSize BarSize() const = 0;
};

class VideoGridHost
{
public:
    virtual ~VideoGridHost() = default;

    // The connection's state as the grid decides and draws by it.
    virtual GridLinkState LinkState() const = 0;
    // The PC has a sound output device (audio marks are drawn only then).
    virtual bool HasSoundDevice() const = 0;
    // The play-speed code to show in remote (view mode 2) or local (3)
    // playback; false when neither the connection nor the player is there
    // (the last code stays).
    virtual bool GetPlaySpeed(int viewMode, int& code) = 0;
    // Makes the channel the PTZ channel and sends the PTZ channel request.
    virtual void RequestPtzChannel(int channel) = 0;
    // A highlightable main-window button: 0-15 the channel buttons, 16-24 the
    // split buttons; state 0 normal, 1 lit.
    virtual void SetGridButton(int index, int state) = 0;
    // The two-second frame-rate tick.
    virtual void OnVideoTick() = 0;

    // --- What the operator does on the grid (defaults: no main window)
    // The PTZ panel's dome menu has the mouse: presses, drops and double
    // clicks on the grid are ignored.
    virtual bool DomeMenuOpen() const { return false; }
    // The main window's single view of a channel (keep: the zoom stays).
    virtual void SelectChannel(int /*channel*/, bool /*keep*/) {}
    // The main window's choice of a layout (the split buttons).
    virtual void SetScreenSplit(int /*layout*/) {}
    // Tells the recorder which channels are on view: LIVE_REQ in live view,
    // PLAY_VIEW_CH (limited to the channels asked for) in remote playback.
    virtual void TellRecorderView(std::uint32_t /*visible*/) {}
    // The split bar of full screen, owned by the grid (null: none).
    virtual std::unique_ptr<GridSplitBar> CreateSplitBar(Wnd* /*owner*/) { return nullptr; }
    // Full screen ended: the main window shows itself again.
    virtual void ShowMainWindow() {}
};

// The main window's button indices the grid lights.
constexpr int kGridChannelButtonFirst = 0;
constexpr int kGridSplitButtonFirst = 16;
