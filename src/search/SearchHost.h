// What the remote search window needs of the main window, as one narrow
// interface that a test fakes.
#pragma once

#include "platform/Messages.h"

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>

class CMotionGridStatic;
class CNetClient;
class QWidget;

class ISearchMainWindow
{
public:
    virtual ~ISearchMainWindow() = default;

    // The widget the window is modal over (centred on its screen).
    virtual QWidget* MainWidget() = 0;
    virtual WndHandle MainHandle() const = 0;
    // The connection, or null.
    virtual std::shared_ptr<CNetClient> NetClient() const = 0;

    // 0 year-month-day, 1 month-day-year, 2 day-month-year.
    virtual int DateFormat() const = 0;
    // Entry `index` of the main window's opacity table.
    virtual std::uint8_t Opacity(int index) const = 0;
    // Texts of the resource library (titles, and list texts with a blank).
    virtual std::string LoadResString(int id) const = 0;
    virtual std::string LoadResStringSpaced(int id) const { return " " + LoadResString(id); }
    // Free space of the download folder's drive, in units of 1,024,000 bytes.
    virtual std::int64_t DiskSpace() const = 0;
    // The folder downloads are written to (the data folder's "Download").
    virtual std::string DownloadFolder() const { return std::string(); }
    virtual bool LocalPlayerRunning() const = 0;
    // 0 idle, 1 live, 2 remote playback, 3 local playback.
    virtual int ViewMode() const = 0;
    // WM_NOTIFY_EVENT with code and sub-code; `owner` the window the box belongs to.
    virtual void Notify(int code, int sub, WndHandle owner) = 0;
    // The playback strip of the main window (250, 630)-(677, 644) is redrawn.
    virtual void InvalidatePlaybackStrip() = 0;
    // The archive log's password prompt (modal). `opened` is called with the
    // prompt's handle as it opens, so that a rights change can close it.
    // False when it was cancelled or closed.
    virtual bool PromptArchivePassword(std::string& typed, const std::function<void(WndHandle)>& opened) = 0;
    // "Now" for the calendars and date pages.
    virtual std::time_t Now() const { return std::time(nullptr); }
    // Puts the channel's current picture under a motion grid (under the
    // decoder's lock) when the channel is on screen; 0 when it is not.
    virtual int GrabStillForMotionGrid(CMotionGridStatic* grid, int channel)
    {
        (void)grid, (void)channel;
        return 0;
    }
};
