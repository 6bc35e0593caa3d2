// What the local search window and the local player use of the main window.
// The main window implements it; tests use a fake.
#pragma once

#include "platform/Messages.h"

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

    // The notification the local search raises when the download folder
    // holds no file set (the main window's NOTIFY_NO_LOCAL_DATA).
    static constexpr int kNotifyNoLocalData = 17;
};
