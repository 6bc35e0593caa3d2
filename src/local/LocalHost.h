// What the local search window and the local player use of the main window.
// The main window implements it; tests use a fake.
#pragma once

#include "local/LocalRecords.h"
#include "net/DecodeQueue.h"
#include "platform/Messages.h"

#include <cstdint>
#include <ctime>
#include <memory>

#include <string>

class ILocalHost
{
public:
    virtual ~ILocalHost() = default;

    // The window that notifications and player messages are posted to.
    virtual WndHandle HostHandle() const = 0;
    // The data folder (Location); the downloaded file sets lie in its "Download" folder.
    virtual std::string DataLocation() const = 0;
    // Posts a notification (code, sub-code) to the main window. Any thread.
    virtual void PostNotifyEvent(int code, int subCode) = 0;
    // Appends a record to the connection log. Any thread; user and address are
    // zero-terminated texts or null.
    virtual void WriteConnectLog(int nSize, int nType, int nSubType, int nReserved, const char* pUser,
                                 const char* pAddress) = 0;
    // The video grid's view mode (0 idle, 1 live, 2 remote playback, 3 local playback). GUI thread.
    virtual void SetVideoViewMode(int mode) = 0;
    // The channel mask last requested or shown. Any thread.
    virtual void SetLastChannelMask(int mask) = 0;
    // The bookmark bar of local playback: shown (mode 1), its step buttons
    // lit (state 1) or not (0), ended. Any thread; carried out on the GUI
    // thread, dropped when no bar exists by then.
    virtual void ShowBookmarkBar(int /*mode*/) {}
    virtual void SetBookmarkButtons(int /*back*/, int /*forward*/) {}
    virtual void EndBookmarkBar() {}
    // The main window's playback buttons of local playback: enabled when the
    // player starts (the record button keeps its state); at the end the three
    // lit ones go back to normal and all are disabled. GUI thread.
    virtual void SetLocalPlaybackButtons(bool /*enabled*/) {}

    // What the local player needs of the main window and its grid. The play
    // thread calls these; a main window posts what touches a widget.
    // The channel's decode worker of local playback (view mode 3 is set first).
    virtual std::unique_ptr<IDecodeWorker> CreateLocalWorker(int /*channel*/) { return nullptr; }
    // The audio output of local playback (the local audio-buffer setting);
    // null without a sound device.
    virtual std::unique_ptr<IAudioWorker> CreateLocalAudio() { return nullptr; }
    virtual std::uint16_t VisibleChannels() { return 0xFFFF; }
    // The grid's single-view channel among `mask` (its index among the mask's
    // channels into `index`), or -1.
    virtual int SingleViewChannel(std::uint16_t /*mask*/, int& /*index*/) { return -1; }
    virtual bool WatermarkOn() { return false; }
    virtual void SetWatermarkState(int /*channel*/, int /*state*/) {}
    // A new chain of nodes: the split for its highest channel and the slider's range.
    virtual void LocalChainSetup(std::uint32_t /*mask*/, int /*highest*/, bool /*sameLayout*/, int /*sliderMax*/) {}
    virtual void SetLocalSliderPos(int /*pos*/) {}
    virtual void SetLocalPlaybackTime(std::uint32_t /*time*/) {}
    // Playback buttons after a command, and the grid's repaint a little later
    // for the states that show a still picture.
    virtual void LocalCommandDone(int /*command*/) {}
    // A downloaded set that could not be read was left out (once per run).
    virtual void ReportSkippedSet(const std::string& /*name*/) { PostNotifyEvent(kNotifyNoLocalData, 1); }
    // The play thread has ended: the grid goes back to idle.
    virtual void LocalPlayEnded() {}

    // The program runs from media that is not a fixed disk: the download
    // folder is then the current directory's.
    virtual bool ReadOnlyMedia() const { return false; }
    // Ends a running local playback and frees its playlist. GUI thread.
    virtual void CloseLocalPlayer() {}
    // Takes the built playlist over (its nodes keep their addresses), stops
    // live view and starts a local player at `current`. GUI thread.
    virtual bool StartLocalPlayer(Playlist& /*list*/, Playlist::iterator /*current*/) { return false; }

    // What the local search window reads of the main window.
    // The last local search that led to a play (owned by the main window).
    virtual LastLocalSearch* LastSearch() { return nullptr; }
    virtual void ClearLastLocalSearch()
    {
        if (LastLocalSearch* last = LastSearch())
            last->Clear();
    }
    // 0 year-month-day, 1 month-day-year, 2 day-month-year.
    virtual int LocalDateFormat() const { return 0; }
    // The running local playback's playlist, or null when none runs. GUI thread.
    virtual const Playlist* RunningPlaylist() const { return nullptr; }
    // A connection in remote playback, or waiting for a live or playback
    // answer: local Play is not offered then.
    virtual bool RemotePlaybackBusy() const { return false; }
    // Logged in and in remote playback: a local Play is ignored.
    virtual bool RemotePlaybackRuns() const { return false; }
    // The connection log file the log page reads.
    virtual std::string ConnectLogFile() const { return DataLocation() + "/Log/KOLA5500.log"; }
    // "Now" for the calendar and the date-time page.
    virtual std::time_t LocalNow() const { return std::time(nullptr); }

    // The notification the local search raises when the download folder
    // holds no file set (the main window's NOTIFY_NO_LOCAL_DATA).
    static constexpr int kNotifyNoLocalData = 17;
    // Nothing of the download folder covers the requested time.
    static constexpr int kNotifyNoData = 4;
};
