// What every test of the local search window needs: the built resource
// bundle, a main window fake with a data folder, and waiting for posted
// messages without sleeping on a clock.
#pragma once

#include "../BuiltBundle.h"
#include "../WidgetInput.h"
#include "LocalTestDir.h"
#include "local/LocalHost.h"
#include "local/LocalSearchDlg.h"
#include "platform/ResourceLibrary.h"

#include <QApplication>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

class FakeLocalMain : public ILocalHost
{
public:
    WndHandle HostHandle() const override { return WndHandle(); }
    std::string DataLocation() const override { return location; }
    void PostNotifyEvent(int code, int subCode) override { notes.emplace_back(code, subCode); }
    void WriteConnectLog(int, int, int, int, const char*, const char*) override {}
    void SetVideoViewMode(int) override {}
    void SetLastChannelMask(int) override {}
    bool ReadOnlyMedia() const override { return readOnly; }
    LastLocalSearch* LastSearch() override { return &last; }
    int LocalDateFormat() const override { return dateFormat; }
    const Playlist* RunningPlaylist() const override { return running ? &playlist : nullptr; }
    std::time_t LocalNow() const override { return now; }
    void CloseLocalPlayer() override
    {
        ++closes;
        running = false;
        playlist.clear();
    }
    bool StartLocalPlayer(Playlist& list, Playlist::iterator current) override
    {
        startTimes.push_back(current->nPlayStart);
        playlist.splice(playlist.end(), list);
        running = true;
        return true;
    }
    void ReportSkippedSet(const std::string& name) override { skipped.push_back(name); }
    RemotePlaybackState RemotePlayback() const override { return remote; }
    // A connection that plays back (`runs`) or only awaits a live answer (`busy`).
    void SetRemote(bool runs, bool busy)
    {
        remote = RemotePlaybackState();
        remote.connected = runs || busy;
        remote.login = remote.play = runs;
        remote.liveReqPending = busy && !runs;
    }

    std::string location;
    bool readOnly = false;
    int dateFormat = 0;
    std::time_t now = 1205971200; // 2008-03-20 00:00:00
    LastLocalSearch last;
    Playlist playlist;
    bool running = false;
    int closes = 0;
    std::vector<int> startTimes;
    std::vector<std::pair<int, int>> notes;
    std::vector<std::string> skipped;
    RemotePlaybackState remote;
};

inline bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(10))
{
    return PumpUntil(done, limit);
}

class LocalWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        UseBuiltBundle();
        main.location = LocalScratch();
    }
    // The window, initialised and shown as DoModal would, without its loop.
    std::unique_ptr<CLocalSearchDlg> Open()
    {
        auto dlg = std::make_unique<CLocalSearchDlg>(&main, 255);
        dlg->Create();
        QApplication::processEvents();
        return dlg;
    }

    FakeLocalMain main;
};
