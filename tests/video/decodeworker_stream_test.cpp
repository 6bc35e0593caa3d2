// The decode worker with the real decoder library on generated streams: every
// picture the grid receives is the frame it should be, in both formats.
#include "decoder_fixture.h"
#include "decodeworker_fakes.h"

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

namespace {

using namespace decodeworkertest;

struct StreamCase
{
    k5streams::StreamSpec spec;
    int format;
};

class DecodeWorkerStream : public ::testing::TestWithParam<StreamCase>
{
};

TEST_P(DecodeWorkerStream, EveryPictureMatchesItsFrame)
{
    const StreamCase& c = GetParam();
    if (!k5streams::HasH264Encoder())
        GTEST_SKIP() << "libavcodec offers no libx264 encoder";
    ASSERT_TRUE(decodertest::Library().IsLoaded());
    const auto& frames = decodertest::Stream(c.spec);
    ASSERT_EQ(static_cast<int>(frames.size()), c.spec.frames);

    FakeGrid grid(c.format, 1);
    FakeEnv env;
    env.deinterlace = false;
    std::mutex m;
    std::vector<int> misses;
    DecodeWorkerOptions options;
    // Runs on the worker's thread before it takes the next frame: the
    // published picture is still the latest one.
    options.onPublished = [&](int channel, std::chrono::steady_clock::time_point) {
        std::vector<std::uint8_t> copy;
        int w = 0, h = 0, f = 0;
        ASSERT_TRUE(grid.pictures[channel]->CopyLatest(copy, w, h, f));
        EXPECT_EQ(w, c.spec.width);
        EXPECT_EQ(h, c.spec.height);
        EXPECT_EQ(f, c.format);
        std::lock_guard<std::mutex> lock(m);
        const int index = static_cast<int>(misses.size());
        misses.push_back(ProbeMisses(copy.data(), c.format, c.spec, index));
    };
    CVideoDecodeThread worker(c.spec.channel, grid, env, DecoderEntryPoints::From(decodertest::Library()),
                              options);
    for (const auto& f : frames)
        ASSERT_TRUE(worker.Queue(QueuedFromStream(f, c.spec, 1)));
    ASSERT_TRUE(worker.WaitDrained(kWait));
    worker.Stop();
    EXPECT_EQ(worker.GetStats().published, frames.size());
    std::lock_guard<std::mutex> lock(m);
    EXPECT_EQ(misses, std::vector<int>(frames.size(), 0));
}

k5streams::StreamSpec Spec(int w, int h, bool interlaced, int frames, int channel)
{
    k5streams::StreamSpec s;
    s.width = w;
    s.height = h;
    s.interlaced = interlaced;
    s.gop = 5;
    s.frames = frames;
    s.channel = channel;
    return s;
}

INSTANTIATE_TEST_SUITE_P(Streams, DecodeWorkerStream,
                         ::testing::Values(StreamCase{Spec(352, 288, false, 12, 3), PictureBuffer::kFormatYuv420},
                                           StreamCase{Spec(352, 288, false, 12, 9), PictureBuffer::kFormatBgr24},
                                           StreamCase{Spec(704, 288, false, 6, 1), PictureBuffer::kFormatYuv420},
                                           StreamCase{Spec(704, 576, true, 6, 14), PictureBuffer::kFormatYuv420}));

} // namespace
