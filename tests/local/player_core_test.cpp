// The player's engine pass by pass over sets written by the real download
// writer, with a fake clock (waits advance it at once) and fake workers,
// grid and audio: states and their ends, pacing, seeks into gaps and past the
// ends, step states, check marks, skipped nodes, audio against its closing.
#include "streams/LocalSetBuilder.h"
#include "LocalTestDir.h"
#include "local/LocalPlayCore.h"
#include "local/LocalPlaylist.h"

#include <gtest/gtest.h>
#include <map>
#include <thread>

using namespace k5streams;

namespace {

constexpr std::uint32_t T0 = 0x50000000;
const int t0 = static_cast<int>(T0);

class FakeClock : public ILocalPlayClock
{
public:
    std::int64_t NowMs() override { return now; }
    void WaitFor(int ms) override { now += std::max(ms, 1); }
    void Wake() override {}
    std::int64_t now = 1000000;
    std::uint64_t order = 0; // queueing order over all workers
};

class FakeWorker : public IDecodeWorker
{
public:
    explicit FakeWorker(int ch, FakeClock& c) : channel(ch), clock(c) {}
    bool Queue(std::unique_ptr<QueuedFrame> frame) override
    {
        FrameInfo info;
        WireHeader h;
        const std::uint8_t* data = nullptr;
        std::size_t size = 0;
        if (!ReadQueuedItem(frame->item.data(), frame->item.size(), info, h, data, size))
            return false;
        frames.push_back({info.time_sec, info.time_msec, info.frame_type, clock.now, h.word[0] & 0xFFFF,
                          (h.word[1] >> 22) & 0xF, clock.order++});
        return true;
    }
    void SetDiscard(bool d) override { discard = d; }
    bool IsDiscarding() const override { return discard; }
    int QueueCount() const override { return 2; }
    bool WaitDrained(std::chrono::milliseconds) override { return true; }
    int Channel() const override { return channel; }
    void Stop() override {}
    struct Got
    {
        std::uint32_t sec, msec, type;
        std::int64_t at;
        std::uint32_t code, channel;
        std::uint64_t order;
    };
    std::vector<Got> frames;
    int channel;
    FakeClock& clock;
    bool discard = false;
};

class FakeAudio : public IAudioWorker
{
public:
    explicit FakeAudio(std::atomic<int>& n) : blocks(n) {}
    bool PutBlock(const std::uint8_t*, std::size_t length) override
    {
        bytes = length;
        ++blocks;
        return true;
    }
    void Flush() override {}
    void Resume() override {}
    bool WaitQueueDrained(std::chrono::milliseconds) override { return true; }
    void Stop() override {}
    std::atomic<int>& blocks;
    std::size_t bytes = 0;
};

class FakeSink : public ILocalPlaySink
{
public:
    explicit FakeSink(FakeClock& c)
    {
        for (int ch = 0; ch < 16; ++ch)
            workers.push_back(std::make_unique<FakeWorker>(ch, c));
        marks.fill(-9);
    }
    IDecodeWorker* Worker(int channel) override { return workers[static_cast<std::size_t>(channel)].get(); }
    std::uint16_t VisibleChannels() override { return visible; }
    int SingleViewChannel(std::uint16_t mask, int& index) override
    {
        index = 0;
        return single >= 0 && (mask & (1u << single)) ? single : -1;
    }
    bool WatermarkOn() override { return watermark; }
    void SetWatermarkState(int channel, int state) override
    {
        marks[static_cast<std::size_t>(channel)] = state;
        if (state >= 0)
            markLog.emplace_back(channel, state);
    }
    void ChainSetup(std::uint32_t mask, int highest, bool same, int sliderMax) override
    {
        chains.push_back({mask, highest, same, sliderMax});
    }
    void SetSliderPos(int pos) override { slider = pos; }
    void SetPlaybackTime(std::uint32_t time) override { playTime = time; }
    void CommandDone(int command) override { commands.push_back(command); }
    void ReportSkippedSet(const std::string& name) override { skipped.push_back(name); }
    void PlayEnded() override {}
    std::unique_ptr<IAudioWorker> CreateAudio() override { return std::make_unique<FakeAudio>(audioBlocks); }

    std::vector<const FakeWorker::Got*> All() const
    {
        std::vector<const FakeWorker::Got*> v;
        for (const auto& w : workers)
            for (const auto& g : w->frames)
                v.push_back(&g);
        std::sort(v.begin(), v.end(), [](auto* a, auto* b) { return a->order < b->order; });
        return v;
    }
    std::size_t Count() const
    {
        std::size_t n = 0;
        for (const auto& w : workers)
            n += w->frames.size();
        return n;
    }

    std::vector<std::unique_ptr<FakeWorker>> workers;
    std::uint16_t visible = 0xFFFF;
    int single = -1;
    bool watermark = true;
    std::array<int, 16> marks{};
    std::vector<std::pair<int, int>> markLog;
    struct Chain
    {
        std::uint32_t mask;
        int highest;
        bool same;
        int sliderMax;
    };
    std::vector<Chain> chains;
    int slider = -1;
    std::uint32_t playTime = 0;
    std::vector<int> commands;
    std::vector<std::string> skipped;
    std::atomic<int> audioBlocks{0};
};

struct Rig
{
    explicit Rig(const std::vector<std::vector<LocalFrameSpec>>& sets, int start = t0)
        : dir(LocalScratch()), sink(clock), core(sink, clock)
    {
        int i = 0;
        for (const auto& frames : sets) {
            LocalSetOptions o;
            o.folder = dir;
            o.name = "set" + std::to_string(i++);
            files.push_back(WriteLocalSets(o, frames).at(0));
        }
        auto ordered = OrderAndChainSets(ScanDownloadFolder(dir, LocalScan::Play).sets);
        const auto res = BuildLocalPlaylist(ordered, {0, start, 0}, list);
        core.m_nPlayState = 3;
        core.m_nSpeed = 0;
        core.SetPlaylist(&list, res.current);
        core.SetPlayCommand(3);
    }
    // Passes until the condition holds (bounded).
    template <class F> bool RunUntil(F done, int limit = 20000)
    {
        for (int i = 0; i < limit; ++i) {
            if (done())
                return true;
            if (!core.Pass())
                return done();
        }
        return false;
    }
    std::string dir;
    std::vector<std::array<std::string, 3>> files;
    Playlist list;
    FakeClock clock;
    FakeSink sink;
    CLocalPlayCore core;
};

std::vector<LocalFrameSpec> Concat(std::vector<std::vector<LocalFrameSpec>> parts)
{
    std::vector<LocalFrameSpec> out;
    for (auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// Entries at seconds 0-9 and 20-29 of channels 0 and 1, 2 frames a second.
std::vector<LocalFrameSpec> GapSet(int gop = 2)
{
    return Concat({MakeLocalRun(T0, 10, 0x3, 2, 0, 1, gop), MakeLocalRun(T0 + 20, 10, 0x3, 2, 0, 2, gop)});
}

} // namespace

TEST(LocalPlayCore, ForwardPlayQueuesEveryFrameInOrderAndPausesAtTheEnd)
{
    Rig rig({GapSet()});
    ASSERT_TRUE(rig.core.Begin());
    ASSERT_TRUE(rig.RunUntil([&] { return rig.core.m_nPlayState == 4; }));
    EXPECT_EQ(rig.sink.Count(), 80u);
    EXPECT_EQ(rig.core.m_nSpeed.load(), 7);
    EXPECT_EQ(rig.sink.commands.back(), 4);
    const auto all = rig.sink.All();
    for (std::size_t i = 1; i < all.size(); ++i)
        ASSERT_LE(all[i - 1]->sec * 1000 + all[i - 1]->msec, all[i]->sec * 1000 + all[i]->msec);
    // The queued form: code 0x0901 and the channel in the flags.
    EXPECT_EQ(all[0]->code, 0x0901u);
    EXPECT_EQ(rig.sink.workers[1]->frames[0].channel, 1u);
    // Layout for channels 0-1 and the slider over the entry.
    ASSERT_FALSE(rig.sink.chains.empty());
    EXPECT_EQ(rig.sink.chains[0].highest, 1);
    EXPECT_EQ(rig.sink.chains[0].sliderMax, 9);
    // The next entry starts a new chain: its first frame re-bases the timing.
    for (std::size_t i = 1; i + 1 < all.size(); ++i) {
        if (all[i]->sec == T0 + 20 && all[i - 1]->sec == T0 + 9) {
            EXPECT_EQ(all[i + 1]->at - all[i]->at, 100);
        }
    }
    // Normal pacing: the second entry's frames are 500 ms apart.
    const auto& ch0 = rig.sink.workers[0]->frames;
    EXPECT_EQ(ch0[30].at - ch0[29].at, 500);
}

TEST(LocalPlayCore, AGapInsideAnEntryIsCutToThreeSeconds)
{
    // One segment, so one entry, with 10 seconds without frames inside.
    Rig rig({Concat({MakeLocalRun(T0, 3, 0x1, 2, 0, 1), MakeLocalRun(T0 + 13, 3, 0x1, 2, 0, 1)})});
    ASSERT_EQ(rig.list.size(), 1u);
    ASSERT_TRUE(rig.core.Begin());
    ASSERT_TRUE(rig.RunUntil([&] { return rig.core.m_nPlayState == 4; }));
    const auto& f = rig.sink.workers[0]->frames;
    ASSERT_EQ(f.size(), 12u);
    // A frame is queued first and the wait for its time follows.
    EXPECT_GE(f[7].at - f[6].at, 3000);
    EXPECT_LE(f[7].at - f[6].at, 3002);
    // Playback goes on from the later frame's time.
    EXPECT_EQ(f[8].at - f[7].at, 500);
}

TEST(LocalPlayCore, FastSpeedsShowThinnedKeyFramesAndBackwardPausesAtTheStart)
{
    Rig rig({MakeLocalRun(T0, 12, 0x1, 4, 0, 1, 1)});
    rig.core.SetPlayCommand(3);
    rig.core.SetPlayCommand(3);
    rig.core.SetPlayCommand(3); // speed 4: every 3rd key frame
    ASSERT_EQ(rig.core.m_nSpeed.load(), 4);
    ASSERT_TRUE(rig.core.Begin());
    ASSERT_TRUE(rig.RunUntil([&] { return rig.core.m_nPlayState == 4; }));
    const auto& f = rig.sink.workers[0]->frames;
    EXPECT_EQ(f.size(), 16u); // 48 frames
    // Each due (t - reference) / 16 ms after the reference tick.
    auto ms = [](const FakeWorker::Got& g) { return static_cast<std::int64_t>(g.sec - T0) * 1000 + g.msec; };
    EXPECT_EQ(ms(f.front()), 500); // the third key frame is the first shown
    EXPECT_EQ(rig.core.m_stats.lastDelay, (ms(f.back()) - (ms(f.front()) - 100)) >> 4);

    rig.sink.workers[0]->frames.clear();
    rig.core.SetPlayCommand(2);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.core.m_nPlayState == 4; }));
    EXPECT_EQ(rig.core.m_nSpeed.load(), 0);
    const auto& b = rig.sink.workers[0]->frames;
    ASSERT_FALSE(b.empty());
    EXPECT_EQ(b.back().sec, T0);
    EXPECT_EQ(b.back().msec, 0u);
    for (std::size_t i = 1; i < b.size(); ++i)
        ASSERT_GE(b[i - 1].sec * 1000 + b[i - 1].msec, b[i].sec * 1000 + b[i].msec);
}

TEST(LocalPlayCore, SeeksLandOnTheRightFrameTable)
{
    // Second 5 of the first entry holds no record.
    auto first = MakeLocalRun(T0, 10, 0x1, 2, 0, 1, 1);
    first.erase(std::remove_if(first.begin(), first.end(), [](const LocalFrameSpec& s) { return s.time == T0 + 5; }),
                first.end());
    const auto frames = Concat({first, MakeLocalRun(T0 + 20, 10, 0x1, 2, 0, 2, 1)});
    struct Case
    {
        const char* name;
        int from;   // play to this second first
        int state;  // 3 forward, 2 backward, 4 paused
        int target; // seconds from T0
        int shown;  // second of the first frame after the seek
    };
    const std::vector<Case> cases = {
        {"into the gap from before", 2, 3, 15, 20},
        {"into the gap from after", 25, 3, 15, 20},
        {"into the gap backward", 25, 2, 15, 20},
        {"before the first entry", 4, 3, -30, 0},
        {"into a missing second", 1, 3, 5, 6},
        {"into a missing second from after", 8, 3, 5, 6},
        {"past the end", 3, 3, 400, 29},
        {"within the second entry", 2, 3, 27, 27},
        {"backward within the first entry", 25, 2, 3, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig({frames});
        ASSERT_TRUE(rig.core.Begin());
        ASSERT_TRUE(rig.RunUntil([&] { return rig.core.m_nPlayState == 4 || rig.sink.playTime >= T0 + c.from; }));
        if (c.state == 2)
            rig.core.SetPlayCommand(2);
        rig.sink.workers[0]->frames.clear();
        rig.core.m_nSeekTime = t0 + c.target;
        rig.core.m_nSeekState = 3;
        ASSERT_TRUE(rig.RunUntil([&] { return !rig.sink.workers[0]->frames.empty(); }, 2000));
        EXPECT_EQ(rig.core.m_nSeekState.load(), 0);
        EXPECT_EQ(static_cast<int>(rig.sink.workers[0]->frames.front().sec - T0), c.shown);
        // Play goes on from the sought frame in the state's direction.
        ASSERT_TRUE(rig.RunUntil([&] { return rig.sink.workers[0]->frames.size() >= 2 || rig.core.m_nPlayState == 4; }));
        if (rig.sink.workers[0]->frames.size() >= 2) {
            const auto& a = rig.sink.workers[0]->frames[0];
            const auto& b = rig.sink.workers[0]->frames[1];
            if (c.state == 2)
                EXPECT_LE(b.sec * 1000 + b.msec, a.sec * 1000 + a.msec);
            else
                EXPECT_GE(b.sec * 1000 + b.msec, a.sec * 1000 + a.msec);
        }
    }
}

TEST(LocalPlayCore, StepsShowOneFrameOfEachVisibleChannel)
{
    Rig rig({MakeLocalRun(T0, 6, 0xF, 2, 0, 1, 1)});
    ASSERT_TRUE(rig.core.Begin());
    ASSERT_TRUE(rig.RunUntil([&] { return rig.sink.Count() >= 8; }));
    rig.core.SetPlayCommand(4);
    for (auto& w : rig.sink.workers)
        w->frames.clear();
    rig.core.SetPlayCommand(7);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.core.m_nPlayState == 4; }));
    EXPECT_EQ(rig.sink.Count(), 4u);
    for (int ch = 0; ch < 4; ++ch)
        EXPECT_EQ(rig.sink.workers[static_cast<std::size_t>(ch)]->frames.size(), 1u);
    const auto firstStep = rig.sink.All();
    // The next step starts with the frame that completed this one.
    rig.core.SetPlayCommand(7);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.core.m_nPlayState == 4; }));
    EXPECT_EQ(rig.sink.Count(), 8u);
    // Hidden channels are not stepped; backward steps show one key frame each.
    rig.sink.visible = 0x3;
    for (auto& w : rig.sink.workers)
        w->frames.clear();
    rig.core.SetPlayCommand(1);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.core.m_nPlayState == 4; }));
    EXPECT_EQ(rig.sink.Count(), 2u);
    EXPECT_EQ(rig.sink.workers[0]->frames.size(), 1u);
    EXPECT_EQ(rig.sink.workers[1]->frames.size(), 1u);
}

TEST(LocalPlayCore, CheckMarksTable)
{
    struct Case
    {
        const char* name;
        std::uint8_t check;
        bool watermarkOn;
        int speedCommands; // extra command 3s: speed 1 + n
        std::vector<int> marks; // distinct marks of channel 0 in order
        bool pauses;
    };
    const std::vector<Case> cases = {
        {"watermark verified then tampered", 2, true, 0, {1, 2}, true},
        {"checksum right then wrong", 3, true, 0, {1, 2}, true},
        {"no check kind", 0, true, 0, {0}, false},
        {"watermark setting off", 2, false, 0, {}, false},
        {"speed 2 checks nothing", 2, true, 1, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto frames = MakeLocalRun(T0, 4, 0x1, 2, c.check, 1, 1);
        frames[5].tampered = true; // second 2
        Rig rig({frames});
        rig.sink.watermark = c.watermarkOn;
        for (int i = 0; i < c.speedCommands; ++i)
            rig.core.SetPlayCommand(3);
        ASSERT_TRUE(rig.core.Begin());
        ASSERT_TRUE(rig.RunUntil([&] { return rig.core.m_nPlayState == 4; }));
        std::vector<int> seen;
        for (auto [ch, m] : rig.sink.markLog)
            if (ch == 0 && (seen.empty() || seen.back() != m))
                seen.push_back(m);
        EXPECT_EQ(seen, c.marks);
        if (c.pauses) {
            // Paused on the tampered picture, not at the end.
            EXPECT_EQ(rig.sink.workers[0]->frames.back().sec, T0 + 2);
            EXPECT_EQ(rig.sink.marks[0], 2);
        } else if (c.marks.empty()) {
            EXPECT_EQ(rig.sink.marks[0], -1);
        }
    }
}

TEST(LocalPlayCore, UnreadableNodeIsSkippedAndToldOnce)
{
    const auto a = MakeLocalRun(T0, 3, 0x1, 2, 0, 1, 1);
    const auto b = MakeLocalRun(T0 + 10, 3, 0x1, 2, 0, 1, 1);
    const auto c = MakeLocalRun(T0 + 20, 3, 0x1, 2, 0, 1, 1);
    Rig rig({a, b, c});
    ASSERT_EQ(rig.list.size(), 3u);
    std::filesystem::remove(rig.files[1][2]);
    ASSERT_TRUE(rig.core.Begin());
    ASSERT_TRUE(rig.RunUntil([&] { return rig.core.m_nPlayState == 4; }));
    EXPECT_EQ(rig.sink.skipped, std::vector<std::string>{"set1"});
    EXPECT_EQ(rig.sink.Count(), 12u);
    EXPECT_EQ(rig.sink.workers[0]->frames.back().sec, T0 + 22);
}

TEST(LocalPlayCore, StopEndsThePassInEveryState)
{
    for (int command : {3, 2, 4, 7, 1, 10, 11}) {
        SCOPED_TRACE(command);
        Rig rig({MakeLocalRun(T0, 4, 0x1, 2, 0, 1, 1)});
        ASSERT_TRUE(rig.core.Begin());
        ASSERT_TRUE(rig.RunUntil([&] { return rig.sink.Count() >= 3; }));
        rig.core.SetPlayCommand(4);
        rig.core.SetPlayCommand(command);
        rig.core.Pass();
        rig.core.RequestStop();
        EXPECT_FALSE(rig.core.Pass());
    }
}

TEST(LocalPlayCore, AudioFollowsTheSingleViewAndSurvivesClosingUnderStress)
{
    auto frames = MakeLocalRun(T0, 40, 0x3, 25, 0, 1, 1);
    for (auto& f : frames) {
        f.audio = 2048;
        f.audioMask = 1;
    }
    Rig rig({frames});
    rig.sink.single = 0;
    ASSERT_TRUE(rig.core.Begin());
    std::atomic<bool> done{false};
    std::thread closer([&] {
        while (!done)
            rig.core.CloseAudio();
    });
    rig.RunUntil([&] { return rig.core.m_nPlayState == 4; }, 200000);
    done = true;
    closer.join();
    EXPECT_GT(rig.sink.audioBlocks.load(), 0);
    EXPECT_EQ(rig.list.front().nAudioSelection.load(), 0xFFFF);
}
