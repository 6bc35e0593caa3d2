// The decode worker with a scripted decoder and a fake grid: key-frame
// gating, backlog shedding, the decoder's result codes, the output settings,
// stop and discard with frames queued, and captions.
#include "decodeworker_fakes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <thread>

namespace {

using namespace decodeworkertest;

struct Rig
{
    explicit Rig(int format = PictureBuffer::kFormatYuv420, int viewMode = 1, bool library = true)
        : grid(format, viewMode)
    {
        DecodeWorkerOptions options;
        options.modeLabels = {"Live", "Remote", "Local"};
        options.queueLimit = queueLimit;
        worker = std::make_unique<CVideoDecodeThread>(3, grid, env, decoder.Entries(library), options);
    }
    // Queues frames of (kind, tag) in one generation.
    void QueueAll(const std::vector<std::pair<int, std::uint8_t>>& frames, std::uint32_t generation = 1)
    {
        for (const auto& [kind, tag] : frames)
            ASSERT_TRUE(worker->Queue(MakeFrame(3, kind, generation, tag)));
    }
    // The tags the decoder was called with, in order.
    std::vector<int> DecodedTags()
    {
        std::vector<int> tags;
        for (const DecoderCall& c : decoder.Calls())
            tags.push_back(c.firstByte);
        return tags;
    }
    bool Idle() { return worker->WaitDrained(kWait); }

    int queueLimit = 96;
    ScriptedDecoder decoder;
    FakeGrid grid;
    FakeEnv env;
    std::unique_ptr<CVideoDecodeThread> worker;
};

// ---------------------------------------------------------------------------

TEST(DecodeWorkerGating, PredictedFramesWaitForAKeyFrameOfTheirStream)
{
    Rig rig;
    // kinds: 1 key, 0 and 2 predicted, 3 never decoded
    rig.QueueAll({{0, 1}, {2, 2}, {1, 3}, {0, 4}, {2, 5}, {3, 6}, {0, 7}});
    ASSERT_TRUE(rig.Idle());
    EXPECT_EQ(rig.DecodedTags(), (std::vector<int>{3, 4, 5, 7}));
    auto s = rig.worker->GetStats();
    EXPECT_EQ(s.waitingKey, 2u);
    EXPECT_EQ(s.notDecoded, 1u);
    EXPECT_EQ(s.published, 4u);

    // A new stream generation: its predicted frames wait for its key frame.
    rig.QueueAll({{0, 10}, {1, 11}, {0, 12}}, 2);
    ASSERT_TRUE(rig.Idle());
    EXPECT_EQ(rig.DecodedTags(), (std::vector<int>{3, 4, 5, 7, 11, 12}));
    EXPECT_EQ(rig.worker->GetStats().waitingKey, 3u);
}

TEST(DecodeWorkerGating, NewPictureSizeCostsTheNextGroup)
{
    Rig rig;
    rig.QueueAll({{1, 1}, {0, 2}});
    ASSERT_TRUE(rig.worker->Queue(MakeFrame(3, 1, 1, 3, 704, 576)));
    ASSERT_TRUE(rig.worker->Queue(MakeFrame(3, 0, 1, 4, 704, 576)));
    ASSERT_TRUE(rig.worker->Queue(MakeFrame(3, 1, 1, 5, 704, 576)));
    ASSERT_TRUE(rig.worker->Queue(MakeFrame(3, 0, 1, 6, 704, 576)));
    ASSERT_TRUE(rig.Idle());
    // The key frame of the new size is decoded, the frame after it waits for
    // the following key frame.
    EXPECT_EQ(rig.DecodedTags(), (std::vector<int>{1, 2, 3, 5, 6}));
    // Each stream start tells the decoder the picture size and the buffer's capacity.
    const auto outputs = rig.decoder.Outputs();
    ASSERT_EQ(outputs.size(), 3u);
    EXPECT_EQ(outputs[0], (std::array<int, 3>{352, 288, int(PictureBuffer::kCapacity)}));
    EXPECT_EQ(outputs[1], (std::array<int, 3>{704, 576, int(PictureBuffer::kCapacity)}));
}

TEST(DecodeWorkerGating, LiveFramesOfAChannelWithoutPicturesAreFreedAndNeedAKeyFrame)
{
    Rig rig;
    rig.QueueAll({{1, 1}, {0, 2}});
    ASSERT_TRUE(rig.Idle());
    rig.env.dropLive = true;
    rig.QueueAll({{0, 3}, {1, 4}});
    ASSERT_TRUE(rig.Idle());
    rig.env.dropLive = false;
    rig.QueueAll({{0, 5}, {1, 6}, {0, 7}});
    ASSERT_TRUE(rig.Idle());
    EXPECT_EQ(rig.DecodedTags(), (std::vector<int>{1, 2, 6, 7}));
    EXPECT_EQ(rig.worker->GetStats().dropLive, 2u);
}

// ---------------------------------------------------------------------------

// The worker is held in its first frame while `waiting` frames queue up.
std::vector<int> DecodedAfterBacklog(int waiting, std::uint64_t& shed)
{
    Rig rig;
    rig.decoder.HoldNextCall();
    EXPECT_TRUE(rig.worker->Queue(MakeFrame(3, 1, 1, 0)));
    EXPECT_TRUE(rig.decoder.WaitHeld());
    for (int i = 1; i <= waiting; ++i)
        EXPECT_TRUE(rig.worker->Queue(MakeFrame(3, 0, 1, std::uint8_t(i))));
    EXPECT_TRUE(rig.worker->Queue(MakeFrame(3, 1, 1, 200)));
    EXPECT_TRUE(rig.worker->Queue(MakeFrame(3, 0, 1, 201)));
    EXPECT_EQ(rig.worker->QueueCount(), 2 + waiting + 2);
    rig.decoder.Release();
    EXPECT_TRUE(rig.Idle());
    shed = rig.worker->GetStats().shed;
    return rig.DecodedTags();
}

TEST(DecodeWorkerBacklog, MoreThanTwentyEightWaitingShedsPredictedFramesUntilTheNextKey)
{
    std::uint64_t shed = 0;
    // 27 predicted frames + the key and its follower: 29 waiting when the
    // first predicted one is taken (31 entries with the two fixed ones).
    std::vector<int> tags = DecodedAfterBacklog(27, shed);
    EXPECT_EQ(tags, (std::vector<int>{0, 200, 201}));
    EXPECT_EQ(shed, 27u);

    // 26 + 2 = 28 waiting: nothing is shed.
    tags = DecodedAfterBacklog(26, shed);
    EXPECT_EQ(tags.size(), 1u + 26u + 2u);
    EXPECT_EQ(shed, 0u);
}

TEST(DecodeWorkerBacklog, QueueIsBoundedAndResumesAtAKeyFrame)
{
    Rig rig;
    rig.decoder.HoldNextCall();
    ASSERT_TRUE(rig.worker->Queue(MakeFrame(3, 1, 1, 0)));
    ASSERT_TRUE(rig.decoder.WaitHeld());
    // 96 frames fill the queue; the 97th cuts it.
    for (int i = 1; i <= 97; ++i)
        ASSERT_TRUE(rig.worker->Queue(MakeFrame(3, 0, 1, std::uint8_t(i))));
    EXPECT_EQ(rig.worker->QueueCount(), 3);
    rig.QueueAll({{0, 150}, {1, 151}, {0, 152}});
    rig.decoder.Release();
    ASSERT_TRUE(rig.Idle());
    // The frames after the cut lack their references: skipped up to the key.
    EXPECT_EQ(rig.DecodedTags(), (std::vector<int>{0, 151, 152}));
    EXPECT_EQ(rig.worker->GetStats().shed, 96u + 2u);
}

// ---------------------------------------------------------------------------

TEST(DecodeWorkerResults, EachResultCodeAndTheCallCap)
{
    struct Case
    {
        const char* name;
        std::vector<int> script;
        int fallback;
        std::size_t calls;
        int reinits;
        bool picture;
    } cases[] = {
        {"0 picture", {0}, 0, 1, 0, true},
        {"5 picture", {5}, 0, 1, 0, true},
        {"1 then picture", {1, 1, 0}, 0, 3, 0, true},
        {"1 for ever", {}, 1, 11, 0, false},
        {"-5 then picture", {-5, 0}, 0, 2, 1, true},
        {"-5 for ever", {}, -5, 11, 11, false},
        {"2 no key", {2}, 0, 1, 0, false},
        {"3 bad", {3}, 0, 1, 0, false},
        {"4 no fit", {4}, 0, 1, 0, false},
        {"7 unknown", {7}, 0, 1, 0, false},
        {"-1 unknown", {-1}, 0, 1, 0, false},
    };
    for (const Case& c : cases) {
        Rig rig;
        rig.decoder.Script(c.script, c.fallback);
        rig.QueueAll({{1, 42}});
        ASSERT_TRUE(rig.Idle()) << c.name;
        EXPECT_EQ(rig.decoder.Calls().size(), c.calls) << c.name;
        EXPECT_EQ(rig.worker->GetStats().reinits, std::uint64_t(c.reinits)) << c.name;
        // One initialisation at the start, one per re-initialisation.
        EXPECT_EQ(rig.decoder.inits.load(), 1 + c.reinits) << c.name;
        // A re-initialised decoder is told the output again.
        EXPECT_EQ(rig.decoder.Outputs().size(), 1u + std::size_t(c.reinits)) << c.name;
        EXPECT_EQ(rig.grid.Published(3), c.picture ? 1 : 0) << c.name;
        // The next frame is decoded as usual.
        rig.decoder.Script({0}, 0);
        rig.QueueAll({{0, 43}});
        ASSERT_TRUE(rig.Idle()) << c.name;
        EXPECT_EQ(rig.grid.Published(3), c.picture ? 2 : 1) << c.name;
    }
}

TEST(DecodeWorkerResults, InitFailureIsReportedOnceAndDecodingGoesOn)
{
    Rig rig;
    // A second worker whose Init fails from the start.
    rig.worker.reset();
    rig.decoder.initResult = -1;
    FakeEnv env;
    DecodeWorkerOptions options;
    options.modeLabels = {"a", "b", "c"};
    CVideoDecodeThread worker(5, rig.grid, env, rig.decoder.Entries(), options);
    ASSERT_TRUE(worker.Queue(MakeFrame(5, 1, 1, 1)));
    ASSERT_TRUE(worker.Queue(MakeFrame(5, 0, 1, 2)));
    ASSERT_TRUE(worker.WaitDrained(kWait));
    EXPECT_EQ(env.initErrors.load(), 1);
    EXPECT_EQ(worker.GetStats().decoderCalls, 2u);
}

TEST(DecodeWorkerResults, WithoutALibraryEveryFrameShowsTheClearedPicture)
{
    Rig rig(PictureBuffer::kFormatYuv420, 1, false);
    rig.QueueAll({{0, 1}, {1, 2}, {0, 3}});
    ASSERT_TRUE(rig.Idle());
    EXPECT_EQ(rig.grid.Published(3), 2);
    EXPECT_EQ(rig.decoder.inits.load(), 0);
    EXPECT_EQ(rig.worker->GetStats().decoderCalls, 0u);
}

// ---------------------------------------------------------------------------

TEST(DecodeWorkerOutput, FormatComesFromTheGridAtEachKeyFrame)
{
    Rig rig(PictureBuffer::kFormatBgr24);
    rig.env.served = false;
    rig.worker->Queue(MakeFrame(3, 1, 1, 1, 704, 576));
    rig.worker->Queue(MakeFrame(3, 0, 1, 2, 704, 576));
    ASSERT_TRUE(rig.Idle());
    // The grid changes what it draws (a rebuilt grid): the next stream follows.
    rig.grid.format = PictureBuffer::kFormatYuv420;
    rig.worker->Queue(MakeFrame(3, 1, 2, 3, 704, 576));
    ASSERT_TRUE(rig.Idle());
    const auto calls = rig.decoder.Calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].format, 3u);
    EXPECT_EQ(calls[1].format, 3u);
    EXPECT_EQ(calls[2].format, 0u);
    // RGB pictures are flipped and line-doubled (576 lines, live, not the
    // served model, Deinterlace on); YUV pictures go to the grid's preparation.
    const auto notes = rig.grid.Notes();
    const std::vector<std::string> expect = {"clear", "flip", "deinterlace rgb 0", "flip", "deinterlace rgb 0",
                                             "clear", "yuv double"};
    EXPECT_EQ(notes, expect);
}

TEST(DecodeWorkerOutput, ServedModelAndLocalPlaybackKeepTheirFields)
{
    struct Case
    {
        int viewMode;
        bool served;
        bool deinterlace;
        int height;
        bool expectDeinterlace;
    } cases[] = {
        {1, false, true, 576, true}, {1, true, true, 576, false}, {2, false, true, 480, true},
        {3, false, true, 576, false}, {1, false, false, 576, false}, {1, false, true, 288, false},
    };
    for (const Case& c : cases) {
        Rig rig(PictureBuffer::kFormatBgr24, c.viewMode);
        rig.env.served = c.served;
        rig.env.deinterlace = c.deinterlace;
        rig.worker->Queue(MakeFrame(3, 1, 1, 1, 704, c.height));
        ASSERT_TRUE(rig.Idle());
        const auto notes = rig.grid.Notes();
        const bool deinterlaced = std::find(notes.begin(), notes.end(), "deinterlace rgb 0") != notes.end();
        EXPECT_EQ(deinterlaced, c.expectDeinterlace) << c.viewMode << c.served << c.deinterlace << c.height;
    }
}

// ---------------------------------------------------------------------------

TEST(DecodeWorkerStop, DiscardFreesQueuedFramesAndStopEndsTheThread)
{
    Rig rig;
    rig.decoder.HoldNextCall();
    rig.QueueAll({{1, 1}});
    ASSERT_TRUE(rig.decoder.WaitHeld());
    rig.QueueAll({{0, 2}, {0, 3}, {0, 4}, {1, 5}, {0, 6}});
    EXPECT_EQ(rig.worker->QueueCount(), 7);

    rig.worker->SetDiscard(true);
    EXPECT_FALSE(rig.worker->Queue(MakeFrame(3, 1, 1, 7)));
    EXPECT_FALSE(rig.worker->WaitDrained(std::chrono::milliseconds(0)));
    rig.decoder.Release();
    ASSERT_TRUE(rig.worker->WaitDrained(kWait));
    EXPECT_EQ(rig.worker->QueueCount(), 2);
    auto s = rig.worker->GetStats();
    EXPECT_EQ(s.discarded, 5u);
    EXPECT_EQ(s.refused, 1u);
    // The frame being decoded was finished; nothing queued was decoded.
    EXPECT_EQ(rig.DecodedTags(), (std::vector<int>{1}));

    rig.worker->Stop();
    EXPECT_FALSE(rig.worker->IsRunning());
    EXPECT_EQ(rig.decoder.uninits.load(), 2); // before the first Init, and at the end
    EXPECT_EQ(rig.grid.audioMark[3].load(), -1);
    EXPECT_FALSE(rig.worker->Queue(MakeFrame(3, 1, 1, 8)));
    rig.worker->Stop(); // again: nothing happens
}

TEST(DecodeWorkerStop, StopWithFramesStillQueuedFreesThem)
{
    Rig rig;
    rig.decoder.HoldNextCall();
    rig.QueueAll({{1, 1}});
    ASSERT_TRUE(rig.decoder.WaitHeld());
    rig.QueueAll({{0, 2}, {0, 3}});
    // Release the held decode only once the stop is requested, so the frames
    // still queued are freed, not decoded.
    const CVideoDecodeThread* worker = rig.worker.get();
    std::thread releaser([&] {
        while (!worker->IsStopRequested())
            std::this_thread::yield();
        rig.decoder.Release();
    });
    rig.worker.reset(); // the destructor stops, joins and frees what waits
    releaser.join();
    EXPECT_EQ(rig.DecodedTags(), (std::vector<int>{1}));
}

TEST(DecodeWorkerStop, DiscardSetBeforeTheFirstPassIsKept)
{
    ScriptedDecoder decoder;
    FakeGrid grid;
    FakeEnv env;
    CVideoDecodeThread worker(0, grid, env, decoder.Entries(), {});
    worker.SetDiscard(true);
    EXPECT_FALSE(worker.Queue(MakeFrame(0, 1, 1, 1)));
    EXPECT_TRUE(worker.WaitDrained(kWait));
    worker.SetDiscard(false);
    EXPECT_TRUE(worker.Queue(MakeFrame(0, 1, 1, 2)));
    EXPECT_TRUE(grid.WaitPublished(0, 1));
}

// ---------------------------------------------------------------------------

TEST(DecodeWorkerCaptions, LinesTitleAndIcons)
{
    Rig rig;
    rig.QueueAll({{1, 1}});
    ASSERT_TRUE(rig.Idle());
    auto frames = rig.grid.Frames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].second.line1, "CAM@176 360x288");
    EXPECT_EQ(frames[0].second.line2, "Live  25");
    EXPECT_EQ(frames[0].second.frameTime, int(1199145600u + 1));
    EXPECT_EQ(rig.env.mainClock.load(), 1199145600u + 1);
    const int w = int(13 * 0.85); // character width of the 13-point caption font
    EXPECT_EQ(rig.grid.speedIcon.load(), 8 * w + 5);
    EXPECT_EQ(rig.grid.watermarkIcon.load(), 8 * w + 80);
    EXPECT_TRUE(rig.grid.zoomCleared.load());

    // The title is fitted again only when its text or the cell changes.
    const int fits = rig.grid.fits;
    rig.QueueAll({{0, 2}});
    ASSERT_TRUE(rig.Idle());
    EXPECT_EQ(rig.grid.fits.load(), fits);
    rig.env.SetNames("Gate", "CAM");
    rig.grid.cellWidth = 352;
    rig.grid.osdMode = 1;
    rig.QueueAll({{0, 3}});
    ASSERT_TRUE(rig.Idle());
    frames = rig.grid.Frames();
    EXPECT_EQ(frames.back().second.line1, "L:Gate@352");
    rig.grid.osdMode = 2;
    rig.QueueAll({{0, 4}});
    ASSERT_TRUE(rig.Idle());
    EXPECT_EQ(rig.grid.Frames().back().second.line1, "");
}

TEST(DecodeWorkerCaptions, PlaybackTitleIsTheFramesOwnCaptionBounded)
{
    Rig rig(PictureBuffer::kFormatYuv420, 2);
    rig.env.playClock = 1234;
    auto frame = MakeFrame(3, 1, 1, 1);
    FrameInfo info;
    std::memcpy(&info, frame->item.data(), sizeof info);
    std::memset(info.caption, 'x', sizeof info.caption); // no terminator
    std::memcpy(frame->item.data(), &info, sizeof info);
    ASSERT_TRUE(rig.worker->Queue(std::move(frame)));
    ASSERT_TRUE(rig.Idle());
    const auto frames = rig.grid.Frames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].second.line1, std::string(32, 'x') + "@176 360x288");
    EXPECT_EQ(frames[0].second.line2, "Remote  25");
    EXPECT_EQ(frames[0].second.frameTime, 1234);
}

TEST(DecodeWorkerCaptions, AudioMarkDecisions)
{
    struct Case
    {
        int mode;
        bool multi;
        AudioMarkInputs in;
        std::optional<int> mark; // nullopt: left alone
        int offset;
    } cases[] = {
        {1, false, {false, 1, 0, 0, 2}, std::nullopt, 0},
        {1, false, {true, 0, 0, 0, 2}, -1, 99},
        {1, true, {true, 0, 0, 0, 2}, -1, 0},
        {1, false, {true, 0xFFFF, 0, 0, 2}, 0, 99},
        {1, false, {true, 0xFFFF, 0, 0, 1}, 1, 99},
        {1, false, {true, 0xFFFF, 0, 0, 0}, -1, 99},
        {1, false, {true, 0xFFFF, 0, 0, 7}, std::nullopt, 0},
        {1, true, {true, 0xFFFF, 0, 0, 7}, -1, 99},
        {2, false, {true, 5, 3, 1, 2}, 0, 99},
        {2, false, {true, 5, 3, 2, 2}, -1, 99},
        {2, false, {true, 0, 3, 1, 2}, -1, 99},
        {3, false, {true, 0, 3, 1, 1}, 1, 99},
        {3, true, {true, 0, 1, 1, 1}, -1, 0},
        {0, false, {true, 5, 3, 1, 2}, -1, 0},
    };
    for (const Case& c : cases) {
        const auto m = DecideAudioMark(c.mode, c.multi, c.in, 99);
        ASSERT_EQ(m.has_value(), c.mark.has_value()) << c.mode << c.multi << c.in.answer;
        if (m) {
            EXPECT_EQ(m->mark, *c.mark) << c.mode << c.multi << c.in.answer;
            EXPECT_EQ(m->offset, c.offset) << c.mode << c.multi << c.in.answer;
        }
    }
    EXPECT_EQ(ShownPictureWidth(352), 360);
    EXPECT_EQ(ShownPictureWidth(704), 720);
    EXPECT_EQ(ShownPictureWidth(176), 180);
    EXPECT_EQ(ShownPictureWidth(640), 640);
}

} // namespace
