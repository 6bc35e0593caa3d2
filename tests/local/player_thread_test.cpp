// CLocalPlayer with its play thread over a set written by the download
// writer: the run's log records, the workers made before the thread, the
// pause on a tampered picture with its mark, and the stop sequence.
#include "LocalTestDir.h"
#include "local/LocalPlayer.h"
#include "local/LocalPlaylist.h"
#include "streams/LocalSetBuilder.h"

#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <string>

using namespace k5streams;

namespace {

class CountingWorker : public IDecodeWorker
{
public:
    bool Queue(std::unique_ptr<QueuedFrame>) override
    {
        if (discard)
            return false;
        ++queued;
        return true;
    }
    void SetDiscard(bool d) override { discard = d; }
    bool IsDiscarding() const override { return discard; }
    int QueueCount() const override { return 2; }
    bool WaitDrained(std::chrono::milliseconds) override { return true; }
    int Channel() const override { return 0; }
    void Stop() override { stopped = true; }
    std::atomic<bool> discard{false};
    std::atomic<int> queued{0};
    std::atomic<bool> stopped{false};
};

class Host : public ILocalHost
{
public:
    WndHandle HostHandle() const override { return WndHandle(); }
    std::string DataLocation() const override { return {}; }
    void PostNotifyEvent(int, int) override {}
    void WriteConnectLog(int, int type, int sub, int, const char*, const char*) override
    {
        std::lock_guard<std::mutex> lock(m);
        logs.emplace_back(type, sub);
    }
    void SetVideoViewMode(int mode) override
    {
        // Workers are made after the grid shows local playback.
        EXPECT_TRUE(mode != 3 || made == 0);
        viewMode = mode;
    }
    void SetLastChannelMask(int) override {}
    std::unique_ptr<IDecodeWorker> CreateLocalWorker(int) override
    {
        ++made;
        auto w = std::make_unique<CountingWorker>();
        workers.push_back(w.get());
        return w;
    }
    bool WatermarkOn() override { return true; }
    void SetWatermarkState(int channel, int state) override
    {
        std::lock_guard<std::mutex> lock(m);
        if (channel == 0 && state >= 0 && (marks.empty() || marks.back() != state))
            marks.push_back(state);
        cv.notify_all();
    }
    void LocalPlayEnded() override { ended = true; }

    std::mutex m;
    std::condition_variable cv;
    std::vector<std::pair<int, int>> logs;
    std::vector<int> marks;
    std::vector<CountingWorker*> workers;
    int made = 0;
    std::atomic<int> viewMode{0};
    std::atomic<bool> ended{false};
};

} // namespace

TEST(LocalPlayerThread, PausesOnATamperedPictureAndStopsCleanly)
{
    const std::string dir = LocalScratch();
    auto frames = MakeLocalRun(0x50000000, 2, 0x1, 4, 3, 1, 1);
    frames[2].tampered = true; // 500 ms in
    LocalSetOptions o;
    o.folder = dir;
    o.name = "s";
    ASSERT_EQ(WriteLocalSets(o, frames).size(), 1u);
    Playlist list;
    const auto built = BuildLocalPlaylist(OrderAndChainSets(ScanDownloadFolder(dir, LocalScan::Play).sets),
                                          {0, 0x50000000, 0}, list);
    ASSERT_NE(built.current, list.end());

    Host host;
    CLocalPlayer player(&host);
    player.SetPlaylist(&list, built.current);
    ASSERT_TRUE(player.Start());
    player.SetPlayCommand(3);
    EXPECT_EQ(host.made, 16);
    EXPECT_EQ(host.viewMode.load(), 3);
    {
        std::unique_lock<std::mutex> lock(host.m);
        ASSERT_TRUE(host.cv.wait_for(lock, std::chrono::seconds(30), [&] { return host.marks.size() >= 2; }));
        EXPECT_EQ(host.marks, (std::vector<int>{1, 2}));
    }
    // The pause is the engine's own command 4, after the queued picture.
    for (int i = 0; i < 3000 && player.m_nPlayState != 4; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(player.m_nPlayState.load(), 4);
    EXPECT_EQ(host.workers[0]->queued.load(), 3);

    player.DestroyWindow();
    player.Stop();
    EXPECT_TRUE(host.ended.load());
    EXPECT_EQ(host.viewMode.load(), 0);
    EXPECT_EQ(player.Channel(0), nullptr);
    std::lock_guard<std::mutex> lock(host.m);
    EXPECT_EQ(host.logs, (std::vector<std::pair<int, int>>{{4, 1}, {4, 2}}));
}

namespace {

// One ordered record of what the player did to the host and its clock.
class EventHost : public Host
{
public:
    void ShowBookmarkBar(int mode) override { Add("bar " + std::to_string(mode)); }
    void EndBookmarkBar() override { Add("bar end"); }
    void ClearReceivedChannels() override { Add("received cleared"); }
    void SetLocalPlaybackButtons(bool enabled) override { Add(enabled ? "buttons on" : "buttons off"); }
    void WriteConnectLog(int size, int type, int sub, int r, const char* user, const char* address) override
    {
        Host::WriteConnectLog(size, type, sub, r, user, address);
        Add("log " + std::to_string(type) + "/" + std::to_string(sub));
    }
    void LocalPlayEnded() override
    {
        Add("ended");
        {
            std::lock_guard<std::mutex> lock(m);
            Host::LocalPlayEnded();
        }
        cv.notify_all();
    }
    void Add(const std::string& e)
    {
        std::lock_guard<std::mutex> lock(eventLock);
        events.push_back(e);
    }
    std::vector<std::string> Events()
    {
        std::lock_guard<std::mutex> lock(eventLock);
        return events;
    }
    std::mutex eventLock;
    std::vector<std::string> events;
};

// Waits return at once; the time moves on by what was waited.
class InstantClock : public ILocalPlayClock
{
public:
    explicit InstantClock(EventHost& host) : m_host(host) {}
    std::int64_t NowMs() override { return m_now; }
    void WaitFor(int ms) override
    {
        m_host.Add("wait " + std::to_string(ms));
        m_now += ms;
    }
    void Wake() override {}

private:
    EventHost& m_host;
    std::atomic<std::int64_t> m_now{0};
};

// A wait that lasts until it is woken, whatever it asked for.
class HeldClock : public ILocalPlayClock
{
public:
    std::int64_t NowMs() override { return 0; }
    void WaitFor(int ms) override
    {
        std::unique_lock<std::mutex> lock(m);
        asked = ms;
        cv.notify_all();
        cv.wait(lock, [this] { return woken; });
        woken = false;
    }
    void Wake() override
    {
        std::lock_guard<std::mutex> lock(m);
        woken = true;
        cv.notify_all();
    }
    std::mutex m;
    std::condition_variable cv;
    int asked = 0;
    bool woken = false;
};

} // namespace

TEST(LocalPlayerThread, StartPausesThenShowsTheBarAndStopPutsTheButtonsAway)
{
    EventHost host;
    InstantClock clock(host);
    CLocalPlayer player(&host, &clock);
    ASSERT_TRUE(player.Start());
    {
        std::unique_lock<std::mutex> lock(host.m);
        ASSERT_TRUE(host.cv.wait_for(lock, std::chrono::seconds(30), [&] { return host.ended.load(); }));
    }
    player.DestroyWindow();
    player.Stop();
    EXPECT_EQ(host.Events(), (std::vector<std::string>{"buttons on", "log 4/1", "received cleared", "wait 200", "bar 1", "ended",
                                                       "log 4/2", "bar end", "buttons off"}));
}

TEST(LocalPlayerThread, StopCutsTheStartPauseShort)
{
    EventHost host;
    HeldClock clock;
    CLocalPlayer player(&host, &clock);
    ASSERT_TRUE(player.Start());
    {
        std::unique_lock<std::mutex> lock(clock.m);
        ASSERT_TRUE(clock.cv.wait_for(lock, std::chrono::seconds(30), [&] { return clock.asked != 0; }));
        EXPECT_EQ(clock.asked, 200);
    }
    // Returns only once the thread has ended: the held wait was woken.
    player.DestroyWindow();
    EXPECT_FALSE(player.IsThreadRunning());
    EXPECT_TRUE(host.ended.load());
    player.Stop();
    const auto events = host.Events();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back(), "buttons off");
}
