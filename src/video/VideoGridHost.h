// What the video grid asks of the main window while it paints and changes
// layout: the state of the connection and of the local player, the buttons it
// lights, and the PTZ channel request. Called on the GUI thread only. Without
// a host the grid behaves as with no connection and no sound device.
#pragma once

#include "video/VideoGridModel.h"

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
};

// The main window's button indices the grid lights.
constexpr int kGridChannelButtonFirst = 0;
constexpr int kGridSplitButtonFirst = 16;
