// The live and playback path end to end: the connection against the
// simulator's generated H.264 streams, with the video library's decode
// workers and the real decoder library feeding picture buffers. Every picture
// must be its frame (the counter and the channel's colour band), of the
// stream's size, in order; stopping must leave no worker behind.
#include "SessionRig.h"
#include "SimLive.h"
#include "SimLiveStreams.h"
#include "TestHost.h"
#include "net/NetClient.h"
#include "video/decodeworker_fakes.h"

#include <gtest/gtest.h>

#include <map>
#include <mutex>

namespace {

using namespace std::chrono_literals;
using decodeworkertest::FakeEnv;
using decodeworkertest::ProbeMisses;

DecoderLibrary& Decoder()
{
    static DecoderLibrary lib;
    if (!lib.IsLoaded())
        lib.Load(std::string(K5_BINARY_DIR) + "/bin/libH264_D1.so");
    return lib;
}

k5streams::StreamSpec SpecOf(int channel, int frames)
{
    k5streams::StreamSpec s;
    // Four sizes and both scan types among the channels.
    switch (channel % 4) {
    case 0:
        s.width = 704;
        s.height = 576;
        s.interlaced = channel == 4;
        break;
    case 1:
        s.width = 704;
        s.height = 288;
        break;
    default:
        s.width = 352;
        s.height = 288;
        break;
    }
    s.gop = 5;
    s.frames = frames;
    s.channel = channel;
    return s;
}

// The streams are made once for the whole run (encoding is the slow part).
const k5sim::SimStream& StreamOf(int channel, int frames)
{
    static std::mutex m;
    static std::map<std::pair<int, int>, k5sim::SimStream> cache;
    std::lock_guard<std::mutex> lock(m);
    auto key = std::make_pair(channel, frames);
    auto it = cache.find(key);
    if (it == cache.end()) {
        const auto spec = SpecOf(channel, frames);
        it = cache.emplace(key, k5sim::MakePatternStream(channel, spec.width, spec.height, frames, spec.gop,
                                                         spec.interlaced))
                 .first;
    }
    return it->second;
}

// The audio player as the connection sees it, recording the blocks.
class FakeAudio : public IAudioWorker
{
public:
    struct Log
    {
        std::mutex m;
        std::condition_variable cv;
        std::vector<std::vector<std::uint8_t>> blocks;
        int created = 0;
        int stopped = 0;
        int flushes = 0;
    };
    explicit FakeAudio(std::shared_ptr<Log> log) : m_log(std::move(log))
    {
        std::lock_guard<std::mutex> lock(m_log->m);
        ++m_log->created;
    }
    bool PutBlock(const std::uint8_t* data, std::size_t length) override
    {
        {
            std::lock_guard<std::mutex> lock(m_log->m);
            m_log->blocks.emplace_back(data, data + length);
        }
        m_log->cv.notify_all();
        return true;
    }
    void Flush() override
    {
        std::lock_guard<std::mutex> lock(m_log->m);
        ++m_log->flushes;
    }
    void Resume() override {}
    bool WaitQueueDrained(std::chrono::milliseconds) override { return true; }
    void Stop() override
    {
        {
            std::lock_guard<std::mutex> lock(m_log->m);
            ++m_log->stopped;
        }
        m_log->cv.notify_all();
    }

private:
    std::shared_ptr<Log> m_log;
};

// The main window's part: the test host, with the grid the workers publish
// to, the decode workers' factory and live view asked as the main window asks.
class LiveHost : public TestHost
{
public:
    VideoGridSink* VideoGrid() override { return &pictures; }
    void RequestLiveStart() override
    {
        TestHost::RequestLiveStart();
        if (auto c = client.lock())
            c->SendLiveReq();
    }
    std::unique_ptr<NetWorker> CreateAudioPlayer(bool) override { return std::make_unique<FakeAudio>(audio); }
    void OnStreamStarting(int viewMode, int layout, int, const std::array<int, 15>&) override
    {
        startedMode = viewMode;
        startedLayout = layout;
    }

    std::weak_ptr<CNetClient> client;
    decodeworkertest::FakeGrid pictures;
    std::shared_ptr<FakeAudio::Log> audio = std::make_shared<FakeAudio::Log>();
    std::atomic<int> startedMode{0};
    std::atomic<int> startedLayout{-1};
};

class LivePathTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!k5streams::HasH264Encoder())
            GTEST_SKIP() << "libavcodec offers no libx264 encoder";
        ASSERT_TRUE(Decoder().IsLoaded());
        sim.OnHello([](k5sim::RecorderSim& s) {
            k5sim::UserRow row;
            row.name = "admin";
            row.password = "1234";
            s.Send(k5sim::id::RIGHT_CHANGE, k5sim::BuildRightChange({row}));
        });
    }
    void TearDown() override
    {
        if (client)
            client->DestroyWindow();
    }

    // Connects with the decode workers checking every picture they publish.
    void Connect(int channelCount = 16)
    {
        sim.Settings().hello.channelNum = static_cast<std::uint8_t>(channelCount);
        ASSERT_TRUE(sim.Start());
        client = CNetClient::Create(host);
        host.client = client;
        client->SetDecodeWorkerFactory([this](int channel) -> std::unique_ptr<IDecodeWorker> {
            DecodeWorkerOptions options;
            options.modeLabels = {"Live", "Remote", "Local"};
            options.onPublished = [this](int ch, std::chrono::steady_clock::time_point) { Check(ch); };
            return std::make_unique<CVideoDecodeThread>(channel, host.pictures, env,
                                                        DecoderEntryPoints::From(Decoder()), options);
        });
        client->SetConnectInfo("127.0.0.1", sim.Port(), "admin", "1234");
        ASSERT_TRUE(client->Connect());
    }

    // On the worker's thread, right after it published: the latest picture
    // is the one just published.
    void Check(int channel)
    {
        std::vector<std::uint8_t> copy;
        int w = 0, h = 0, f = 0;
        if (!host.pictures.pictures[channel]->CopyLatest(copy, w, h, f))
            return;
        const auto spec = SpecOf(channel, frames);
        {
            // The picture must be a whole frame of the pattern (its own
            // counter, the channel's band), and follow the one before it.
            std::lock_guard<std::mutex> lock(checkLock);
            const int counter = decodeworkertest::PictureCounter(copy.data(), spec);
            int& index = pictureIndex[channel];
            sizeMisses[channel] += (w != spec.width || h != spec.height) ? 1 : 0;
            probeMisses[channel] += ProbeMisses(copy.data(), f, spec, counter);
            gaps[channel] += counter != index % frames ? 1 : 0;
            // A worker that falls behind sheds up to the next key frame: a
            // skip is right only onto one.
            badGaps[channel] += counter != index % frames && counter % spec.gop != 0 ? 1 : 0;
            index = counter + 1;
            ++checkedCount[channel];
            counters[channel].push_back(counter);
        }
        checked.notify_all();
    }
    // Waits until n pictures of the channel were checked.
    bool WaitChecked(int channel, int n)
    {
        std::unique_lock<std::mutex> lock(checkLock);
        return checked.wait_for(lock, 60s, [&] { return checkedCount[channel] >= n; });
    }

    int frames = 10;
    k5sim::RecorderSim sim;
    k5sim::SimLive live{sim};
    LiveHost host;
    FakeEnv env;
    std::shared_ptr<CNetClient> client;
    std::mutex checkLock;
    std::condition_variable checked;
    std::map<int, int> pictureIndex, checkedCount, sizeMisses, probeMisses, gaps, badGaps;
    std::map<int, std::vector<int>> counters;
};

TEST_F(LivePathTest, SixteenChannelsShowTheirPicturesAndLiveStopEndsCleanly)
{
    for (int ch = 0; ch < 16; ++ch) {
        ASSERT_EQ(StreamOf(ch, frames).frames.size(), std::size_t(frames));
        live.SetStream(ch, StreamOf(ch, frames));
    }
    live.Live().fps = 100;
    live.Live().fragment = 4000;
    live.Live().frameLimit = std::size_t(frames);
    Connect();

    for (int ch = 0; ch < 16; ++ch)
        ASSERT_TRUE(WaitChecked(ch, frames)) << "channel " << ch;
    EXPECT_TRUE(client->m_bLive.load());
    EXPECT_EQ(host.startedMode.load(), 1);
    EXPECT_EQ(host.startedLayout.load(), 14);
    {
        std::lock_guard<std::mutex> lock(checkLock);
        for (int ch = 0; ch < 16; ++ch) {
            EXPECT_EQ(checkedCount[ch], frames) << "channel " << ch;
            EXPECT_EQ(sizeMisses[ch], 0) << "channel " << ch;
            EXPECT_EQ(probeMisses[ch], 0) << "channel " << ch;
            EXPECT_EQ(gaps[ch], 0) << "channel " << ch;
        }
    }
    EXPECT_EQ(client->FramesDropped(), 0u);

    client->SendLiveStop();
    EXPECT_TRUE(sim.WaitForCount(k5sim::id::LIVE_STOP, 1));
    EXPECT_FALSE(client->m_bLive.load());
    for (int ch = 0; ch < 16; ++ch)
        EXPECT_FALSE(client->HasWorker(ch)) << ch;
    EXPECT_EQ(host.EventsOf(HostEvent::LiveStopped).size(), 1u);
    // The audio mark of every channel was cleared as its worker ended.
    for (int ch = 0; ch < 16; ++ch)
        EXPECT_EQ(host.pictures.audioMark[ch].load(), -1) << ch;
}

TEST_F(LivePathTest, EightChannelRecorderGetsEightWorkersAndVideoLossIsKept)
{
    for (int ch = 0; ch < 16; ++ch)
        live.SetStream(ch, StreamOf(ch, frames));
    live.Live().fps = 100;
    live.Live().frameLimit = std::size_t(frames);
    live.Live().videoLoss = 1u << 5;
    Connect(8);
    for (int ch = 0; ch < 8; ++ch) {
        if (ch != 5) {
            ASSERT_TRUE(host.pictures.WaitPublished(ch, frames)) << "channel " << ch;
        }
    }
    EXPECT_EQ(host.startedLayout.load(), 6);
    for (int ch = 0; ch < 16; ++ch)
        EXPECT_EQ(client->HasWorker(ch), ch < 8) << ch;
    EXPECT_EQ(client->m_nLiveMask.load(), 1u << 5);
    EXPECT_EQ(host.pictures.Published(5), 0);
    EXPECT_EQ(host.pictures.Published(12), 0);
}

TEST_F(LivePathTest, AudioOfTheChannelShownAloneReachesThePlayer)
{
    live.SetStream(3, StreamOf(3, frames));
    live.Live().fps = 50;
    live.Live().audioChannel = 3;
    host.soundDevice = true;
    host.pictures.singleView = 3;
    Connect();
    ASSERT_TRUE(host.pictures.WaitPublished(3, 1));
    EXPECT_TRUE(client->SendAudioOnReq());
    {
        std::unique_lock<std::mutex> lock(host.audio->m);
        ASSERT_TRUE(host.audio->cv.wait_for(lock, 60s, [&] { return host.audio->blocks.size() >= 3; }));
        for (const auto& block : host.audio->blocks) {
            ASSERT_EQ(block.size(), 512u);
            EXPECT_EQ(block[1], 0x43); // the fourth block of the section, at 1536
        }
        EXPECT_EQ(host.audio->created, 1);
    }
    EXPECT_TRUE(client->m_bAudio.load());

    // The grid shows several cells: the player is stopped and waits.
    host.pictures.singleView = -1;
    {
        std::unique_lock<std::mutex> lock(host.audio->m);
        ASSERT_TRUE(host.audio->cv.wait_for(lock, 60s, [&] { return host.audio->stopped >= 1; }));
    }
    EXPECT_TRUE(client->m_bAudioReset.load());
    EXPECT_FALSE(client->HasWorker(kSlotAudioPlayer));
}

TEST_F(LivePathTest, RemotePlaybackDecodesRecordedFramesAndAsksForMore)
{
    for (int ch = 0; ch < 2; ++ch)
        live.SetStream(ch, StreamOf(ch, frames));
    live.Play().fps = 200;
    live.Play().channels = 0x0003;
    live.Play().recordedPrefix = true;
    live.Play().caption = "Yard";
    live.Play().frames = 2 * std::size_t(frames) * 6; // 120 frames
    live.Live().fps = 100;
    live.Live().frameLimit = std::size_t(frames);
    Connect();
    // Live view runs first; playback then starts its streams at frame 0.
    ASSERT_TRUE(WaitChecked(0, frames));
    ASSERT_TRUE(WaitChecked(1, frames));
    host.pictures.osdMode = 1;
    host.pictures.viewMode = 2;
    client->Send(PLAY_ON_REQ, std::vector<std::uint8_t>(24, 0).data(), 24);

    ASSERT_TRUE(sim.WaitFor([](const std::vector<k5sim::Message>& all) {
        return std::any_of(all.begin(), all.end(), [](const k5sim::Message& m) { return m.id == 45; });
    }, 60s)) << "no pause after PLAY_ON_DONE";
    EXPECT_TRUE(client->m_bPlay.load());
    EXPECT_FALSE(client->m_bLive.load());
    EXPECT_EQ(host.startedMode.load(), 2);
    std::vector<std::uint32_t> asked;
    for (const auto& m : sim.ReceivedOf(61))
        asked.push_back(k5sim::GetBE32(m.payload, 0));
    // 93 at the start, 48 more at the 49th and the 97th frame.
    EXPECT_EQ(asked, (std::vector<std::uint32_t>{93, 48, 48}));
    EXPECT_EQ(client->FramesDropped(), 0u);
    // Playback workers were made anew; their pictures carry the recorded caption.
    const auto published = host.pictures.Frames();
    ASSERT_FALSE(published.empty());
    EXPECT_EQ(published.back().second.line1, "Yard@176");
    EXPECT_EQ(published.back().second.line2, "Remote  25");
    EXPECT_EQ(client->GetPlaySpeed(), 0); // paused at the end: a command is due
    EXPECT_TRUE(client->SendRPlayStop());
    for (int ch = 0; ch < 16; ++ch)
        EXPECT_FALSE(client->HasWorker(ch)) << ch;
    std::lock_guard<std::mutex> lock(checkLock);
    for (const auto& [ch, misses] : probeMisses)
        EXPECT_EQ(misses, 0) << "channel " << ch;
    // At 200 frames a second a slow machine's workers fall behind and shed:
    // pictures may skip, but only onto a key frame.
    for (const auto& [ch, n] : badGaps)
        EXPECT_EQ(n, 0) << "channel " << ch;
}

} // namespace

namespace {

TEST_F(LivePathTest, PauseAndPlayAgainResumeFromThePausedFrame)
{
    live.SetStream(0, StreamOf(0, frames));
    live.Live().channels = 0;
    live.Play().fps = 200;
    live.Play().channels = 0x0001;
    Connect();
    ASSERT_TRUE(sim.WaitForCount(k5sim::id::LIVE_REQ, 1));
    host.pictures.viewMode = 2;
    client->Send(PLAY_ON_REQ, std::vector<std::uint8_t>(24, 0).data(), 24);
    ASSERT_TRUE(WaitChecked(0, 12));

    client->PlayControl(4); // pause
    ASSERT_TRUE(client->WaitPlayCommandsIdle(10s));
    EXPECT_EQ(client->m_nPlayPending.load(), 1);
    EXPECT_EQ(client->GetPlaySpeed(), 0);
    ASSERT_TRUE(sim.WaitForCount(45, 1));
    const std::uint32_t pausedAt = client->m_nPlayClockTime;
    int shown = 0;
    {
        std::lock_guard<std::mutex> lock(checkLock);
        shown = checkedCount[0];
    }

    client->PlayControl(3); // forward play from the paused frame
    ASSERT_TRUE(sim.WaitForCount(44, 1));
    const auto play = sim.ReceivedOf(44);
    ASSERT_EQ(play.back().payload.size(), 24u);
    EXPECT_EQ(k5sim::GetBE32(play.back().payload, 16), pausedAt);
    EXPECT_EQ(play.back().payload[5], 1); // a version 1.1 recorder
    EXPECT_EQ(sim.Count(45), 2u);
    // The frames at or after the paused one end the resume: pictures go on.
    // (Pictures still queued from before the pause may be shown first.)
    ASSERT_TRUE(sessionrig::WaitUntil([&] { return client->m_nPlayPending.load() == 0; }, 60s));
    {
        std::lock_guard<std::mutex> lock(checkLock);
        shown = checkedCount[0];
    }
    ASSERT_TRUE(WaitChecked(0, shown + 5));
    EXPECT_EQ(client->m_nPlayState.load(), 3);
    std::lock_guard<std::mutex> lock(checkLock);
    EXPECT_EQ(probeMisses[0], 0);
    // Wherever the pictures skip frames while paused and resuming, the next
    // one is a key frame's (every fifth), never one predicted from frames the
    // decoder did not see (the speed code's return to normal play starts a
    // new stream). Whether any frame is passed over depends on where the
    // pause fell: a resume that joins on seamlessly is as right.
    const std::vector<int>& seen = counters[0];
    for (std::size_t i = 1; i < seen.size(); ++i) {
        if (seen[i] != (seen[i - 1] + 1) % frames) {
            EXPECT_EQ(seen[i] % 5, 0) << "picture " << i << " is frame " << seen[i] << " after " << seen[i - 1];
        }
    }
}

} // namespace
