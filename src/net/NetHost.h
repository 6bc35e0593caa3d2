// What the connection needs of the main window and of the windows it feeds,
// as narrow interfaces, so that the connection can run against a test host.
//
// Threads: the connection calls NetHost from its connect, receive and
// keep-alive threads as well as from the GUI thread. Every call must return
// without waiting for the GUI thread; whatever touches a widget is carried to
// the GUI thread by the implementation (a posted message), in the order the
// calls were made.
#pragma once

#include "net/SearchAnswers.h"
#include "platform/Messages.h"
#include "platform/Types.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

// Main-window buttons the connection lights, enables or resets.
constexpr int kButtonRecord = 344;
constexpr int kButtonConnect = 360;
constexpr int kButtonLive = 369;
constexpr int kButtonAudio = 378;
// Button states (as the skinned buttons number them).
constexpr int kButtonNormal = 0;
constexpr int kButtonSelected = 1;
constexpr int kButtonDisabled = 3;

// Connection-log records the connection writes: type 2, these subtypes.
constexpr int kLogTypeConnection = 2;
constexpr int kLogConnected = 1;
constexpr int kLogDisconnected = 2;
constexpr int kLogConnectFailed = 4;

// The video grid as the connection's receive thread uses it. Every call may
// come from the receive thread; a repaint is a request that the grid
// coalesces and carries out on the GUI thread.
class VideoGridSink
{
public:
    virtual ~VideoGridSink() = default;
    virtual void SetChannelBlocked(int channel, bool blocked) = 0;
    virtual bool IsChannelBlocked(int channel) const = 0;
    // Active and shown channels := mask; with reset and mask 0 the cells
    // return to their default channels.
    virtual void SetActiveChannels(std::uint32_t mask, bool reset) = 0;
    virtual void Repaint(bool erase) = 0;
    // GUI thread only (the disconnect).
    virtual void LeaveFullScreen() = 0;

    // What the live and playback data path reads (any thread). The channel
    // the grid shows alone (layout 0), -1 when it shows several cells.
    virtual int SingleViewChannel() const { return -1; }
    // Channels whose cells are on the current page.
    virtual std::uint32_t VisibleChannels() const { return 0xFFFF; }
    // Forgets which channels delivered a picture (a stream set starts).
    virtual void ClearReceivedChannels() {}
};

// A worker the connection owns in a slot (decode workers 0-15, the audio
// player 16, the download writer 17). Stop ends it and returns once its
// thread has ended.
class NetWorker
{
public:
    virtual ~NetWorker() = default;
    virtual void Stop() = 0;
};

// An open remote search frame (slot 19). The frame keeps the object alive as
// long as it shows; the connection may still hold it a moment longer, so the
// object must stay safe to call after its window is gone.
class SearchFrameLink
{
public:
    virtual ~SearchFrameLink() = default;
    virtual WndHandle Frame() const = 0;
    // The frame's open archive password prompt, or a null handle.
    virtual WndHandle ArchivePasswordPrompt() const = 0;
    // Lets the frame accept clicks again after an answer or a refusal.
    virtual void ClearRequestPending() = 0;
    // An empty event list (the frame's day records count becomes 0).
    virtual void ClearDayRecords() = 0;
    // A complete answer, owned from here on; any thread. The frame takes it
    // on the GUI thread and drops an answer it did not ask for.
    virtual void DeliverAnswer(std::unique_ptr<SearchAnswer> answer) { (void)answer; }
    // The size of a backup range in KB (TRANS_ON_ACK); any thread.
    virtual void DeliverBackupSize(uint32_t kb) { (void)kb; }
    // MB that a refused backup would have left on the download drive.
    virtual int SpaceLeftMB() const { return 0; }
};

// How a backup download ended, for the operator's closing notice.
struct DownloadSummary
{
    std::string askedName;          // the name as typed (may be empty)
    std::string setName;            // the first set's name as made (no folder, no extension)
    std::uint64_t framesWritten = 0;
    std::uint64_t framesDropped = 0; // frames that arrived damaged and were left out
    bool failed = false;            // a file error ended it (its own notice says so)
};

class NetHost
{
public:
    virtual ~NetHost() = default;

    // The main window: target of notifications and of the connection's other
    // messages to it.
    virtual WndHandle MainWindow() const = 0;
    // Posts a message to any window (a post to a closed window is dropped).
    virtual void PostMessageTo(WndHandle target, UINT msg, WPARAM wParam, LPARAM lParam) = 0;
    // Posts WM_NOTIFY_EVENT to the main window with lParam = code << 16 | sub;
    // wParam is `owner` (the window the box belongs to), or the main window.
    virtual void PostNotify(LPARAM lParam, WndHandle owner = WndHandle()) = 0;

    // The main window is to run its Disconnect for connection `session`
    // (ignored when another connection has replaced it meanwhile).
    virtual void RequestDisconnect(std::uint32_t session) = 0;
    // The plain message box of the hello's model checks; never waits for it.
    virtual void ShowPlainMessage(const std::string& text) = 0;

    // The hello time-out: on expiry the main window reports "No response to
    // hello!" and disconnects. Start and kill come from any thread and take
    // effect in the order they were made.
    virtual void StartHelloTimer(std::chrono::milliseconds timeout) = 0;
    virtual void KillHelloTimer() = 0;

    // A connection-log record; user and address as the connection holds them.
    virtual void WriteConnectLog(int type, int subtype, const std::string& user,
                                 const std::string& address) = 0;

    // A main-window button's skin state (kButton... ids and states).
    virtual void SetButtonState(int buttonId, int state) = 0;

    virtual bool IsLocalPlaybackRunning() const = 0;
    virtual bool HasSoundDevice() const = 0;
    // Live view for every channel, asked once the hello is accepted.
    virtual void RequestLiveStart() = 0;
    // The main window's channel whose audio is played (-1 none).
    virtual void SetAudioChannel(int channel) = 0;

    // The main window's open password prompt, or a null handle.
    virtual WndHandle PasswordPrompt() const = 0;
    // Closes the PTZ direction panel the way its toggle button does: mode 0
    // pan/tilt, 1 zoom.
    virtual void ClosePtzPanel(int mode) = 0;
    // GUI thread (the disconnect): destroys the transfer bar and empties its slot.
    virtual void DestroyTransferBar() = 0;

    // The video grid, or null before it exists.
    virtual VideoGridSink* VideoGrid() = 0;

    // GUI-side effects after live view or remote playback stopped (buttons,
    // grid layout and view mode); carried to the GUI thread by the host.
    virtual void OnLiveStopped() = 0;
    virtual void OnRemotePlayStopped() = 0;

    // The audio player of the connection's live (or remote-playback) audio,
    // or null when the PC has no sound output. The receive thread feeds it
    // through IAudioWorker (net/DecodeQueue.h); a player that is not one gets
    // no blocks.
    virtual std::unique_ptr<NetWorker> CreateAudioPlayer(bool live) = 0;

    // --- Live view and remote playback (the defaults show nothing) --------
    // GUI-side effects as live view (view mode 1) or remote playback (2)
    // starts: the grid's view mode, the layout for the recorder's channel
    // count with its split button lit and the others normal, the page counts
    // per layout; for playback also the playback buttons and the playback
    // clock. Carried to the GUI thread by the host.
    virtual void OnStreamStarting(int viewMode, int layout, int splitButton, const std::array<int, 15>& pageCounts)
    {
        (void)viewMode;
        (void)layout;
        (void)splitButton;
        (void)pageCounts;
    }
    // The time the playback clock shows (recorder seconds); any thread.
    virtual void SetPlaybackClockTime(std::uint32_t time) { (void)time; }

    // A backup download has ended and its files are closed; any thread. The
    // default tells nobody.
    virtual void OnDownloadClosed(const DownloadSummary& summary) { (void)summary; }
};
