// libH264_D1.so through the platform's DecoderLibrary, on streams generated
// at test time: pictures in both output formats, the bytes written, size
// changes, pictures that do not fit, and damaged or out-of-order input.
#include "decoder_fixture.h"

#include "video/YuvToRgb.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace decodertest {
namespace {

using k5streams::EncodedFrame;
using k5streams::StreamSpec;

// Coding leaves flat areas within a few steps of the source; a wrong frame
// or channel is off by far more (counter bits 219 apart, bands 8 apart in
// chroma).
constexpr int kYuvTolerance = 4;
constexpr int kBgrTolerance = 10;

class DecoderLibraryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Library().IsLoaded()) << "libH264_D1.so not found in " K5_BINARY_DIR "/bin";
        ASSERT_NE(Library().Init, nullptr);
        ASSERT_NE(Library().Uninit, nullptr);
        ASSERT_NE(Library().GetOneFrame, nullptr);
        ASSERT_NE(Library().SetOutput, nullptr);
        if (!k5streams::HasH264Encoder())
            GTEST_SKIP() << "libavcodec offers no libx264 encoder";
    }
};

const std::vector<EncodedFrame>& StreamOf(const StreamSpec& spec)
{
    const auto& frames = Stream(spec);
    EXPECT_EQ(static_cast<int>(frames.size()), spec.frames) << "the encoder failed";
    return frames;
}

// Checks the probe points of the picture in `s` against the pattern of
// frame `index`.
void ExpectProbes(const Session& s, const StreamSpec& spec, int index, Format format)
{
    const int w = spec.width;
    const int h = spec.height;
    const std::uint8_t* pic = s.picture.data();
    for (const k5streams::Probe& p : k5streams::ExpectedProbes(spec, index)) {
        SCOPED_TRACE(::testing::Message() << "frame " << index << " probe (" << p.x << ", " << p.y << ")");
        if (format == kYuv) {
            const std::uint8_t* u = pic + w * h;
            const std::uint8_t* v = u + (w / 2) * (h / 2);
            EXPECT_NEAR(pic[p.y * w + p.x], p.Y, kYuvTolerance);
            EXPECT_NEAR(u[(p.y / 2) * (w / 2) + p.x / 2], p.U, kYuvTolerance);
            EXPECT_NEAR(v[(p.y / 2) * (w / 2) + p.x / 2], p.V, kYuvTolerance);
        } else {
            std::uint8_t bgr[3];
            YuvPixelToBgr(p.Y, p.U, p.V, bgr);
            const std::uint8_t* q = pic + (static_cast<std::size_t>(p.y) * w + p.x) * 3;
            EXPECT_NEAR(q[0], bgr[0], kBgrTolerance) << "blue";
            EXPECT_NEAR(q[1], bgr[1], kBgrTolerance) << "green";
            EXPECT_NEAR(q[2], bgr[2], kBgrTolerance) << "red";
        }
    }
}

struct StreamCase
{
    int width;
    int height;
    bool interlaced;
    Format format;
};

std::string CaseName(const ::testing::TestParamInfo<StreamCase>& info)
{
    const StreamCase& c = info.param;
    return std::to_string(c.width) + "x" + std::to_string(c.height) +
           (c.interlaced ? "_mbaff" : "_progressive") + (c.format == kYuv ? "_yuv" : "_bgr");
}

class DecoderStreamTest : public DecoderLibraryTest, public ::testing::WithParamInterface<StreamCase>
{
};

// Every frame of a stream gives its own picture, exactly the picture's bytes
// long: the last byte is written, the next one is not.
TEST_P(DecoderStreamTest, WritesEachFramesPictureAndNothingBeyond)
{
    const StreamCase& c = GetParam();
    StreamSpec spec;
    spec.width = c.width;
    spec.height = c.height;
    spec.interlaced = c.interlaced;
    spec.gop = 5;
    spec.frames = 8;
    spec.channel = 5;
    spec.firstIndex = 0x5A;
    const auto& frames = StreamOf(spec);
    ASSERT_FALSE(frames.empty());

    Session s(c.format);
    ASSERT_EQ(s.initResult, 0);
    ASSERT_EQ(s.SetOutput(c.width, c.height), 0);
    const auto size = static_cast<std::size_t>(PictureSize(c.width, c.height, c.format));
    for (const EncodedFrame& f : frames) {
        SCOPED_TRACE(::testing::Message() << "frame " << f.index << (f.key ? " (key)" : ""));
        s.ClearPicture();
        ASSERT_EQ(s.Decode(f), 0);
        EXPECT_NE(s.picture[size - 1], kUntouched) << "the picture's last byte was not written";
        EXPECT_TRUE(s.Untouched(size)) << "bytes written past the picture";
        ExpectProbes(s, spec, f.index, c.format);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Streams, DecoderStreamTest,
    ::testing::Values(StreamCase{704, 576, false, kYuv}, StreamCase{704, 576, false, kBgr},
                      StreamCase{704, 576, true, kYuv}, StreamCase{704, 576, true, kBgr},
                      StreamCase{704, 288, false, kYuv}, StreamCase{704, 288, true, kBgr},
                      StreamCase{352, 288, false, kBgr}, StreamCase{352, 288, true, kYuv}),
    CaseName);

// The RGB picture is the client's own conversion of the YUV picture, so both
// drawing modes show the same colours; a width that is no multiple of 8 is
// converted to its last column.
TEST_F(DecoderLibraryTest, RgbPictureIsTheConversionOfTheYuvPicture)
{
    const struct
    {
        int width, height;
        bool interlaced;
    } cases[] = {{352, 288, false}, {352, 288, true}, {356, 290, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.width << " x " << c.height << (c.interlaced ? " mbaff" : ""));
        StreamSpec spec;
        spec.width = c.width;
        spec.height = c.height;
        spec.interlaced = c.interlaced;
        spec.gop = 4;
        spec.frames = 6;
        spec.channel = 2;
        const auto& frames = StreamOf(spec);
        Session yuv(kYuv);
        Session bgr(kBgr);
        ASSERT_EQ(yuv.SetOutput(c.width, c.height), 0);
        ASSERT_EQ(bgr.SetOutput(c.width, c.height), 0);
        const int w = c.width;
        const int h = c.height;
        std::vector<std::uint8_t> expected(static_cast<std::size_t>(w) * h * 3);
        for (const EncodedFrame& f : frames) {
            ASSERT_EQ(yuv.Decode(f), 0);
            ASSERT_EQ(bgr.Decode(f), 0);
            const std::uint8_t* y = yuv.picture.data();
            const std::uint8_t* u = y + w * h;
            const std::uint8_t* v = u + (w / 2) * (h / 2);
            for (int row = 0; row < h; ++row)
                for (int x = 0; x < w; ++x)
                    YuvPixelToBgr(y[row * w + x], u[(row / 2) * (w / 2) + x / 2],
                                  v[(row / 2) * (w / 2) + x / 2],
                                  &expected[(static_cast<std::size_t>(row) * w + x) * 3]);
            EXPECT_TRUE(std::equal(expected.begin(), expected.end(), bgr.picture.begin()))
                << "frame " << f.index;
            EXPECT_TRUE(bgr.Untouched(expected.size()));
        }
    }
}

// A new picture size needs the new expected size first: until then the
// picture is refused and the buffer keeps the old one.
TEST_F(DecoderLibraryTest, SizeChangeIsWrittenOnlyOnceTheOutputMatches)
{
    StreamSpec big;
    big.frames = 3;
    big.gop = 3;
    StreamSpec small = big;
    small.width = 352;
    small.height = 288;
    small.firstIndex = 40;
    small.channel = 9;
    const auto& a = StreamOf(big);
    const auto& b = StreamOf(small);

    Session s(kYuv);
    ASSERT_EQ(s.SetOutput(704, 576), 0);
    ASSERT_EQ(s.Decode(a[0]), 0);
    const std::vector<std::uint8_t> before = s.picture;

    EXPECT_EQ(s.Decode(b[0]), 4);
    EXPECT_TRUE(s.picture == before) << "a refused picture changed the buffer";

    ASSERT_EQ(s.SetOutput(352, 288), 0);
    s.ClearPicture();
    ASSERT_EQ(s.Decode(b[0]), 0);
    ExpectProbes(s, small, b[0].index, kYuv);
    ASSERT_EQ(s.Decode(b[1]), 0);
    ExpectProbes(s, small, b[1].index, kYuv);
    EXPECT_TRUE(s.Untouched(352 * 288 * 3 / 2));

    ASSERT_EQ(s.SetOutput(704, 576), 0);
    ASSERT_EQ(s.Decode(a[0]), 0);
    ExpectProbes(s, big, a[0].index, kYuv);
}

// Result 4 and an untouched buffer whenever the picture does not fit what the
// caller said; an exact capacity is enough.
TEST_F(DecoderLibraryTest, RefusesPicturesThatDoNotFitTheOutput)
{
    StreamSpec spec;
    spec.frames = 1;
    const EncodedFrame& key = StreamOf(spec).at(0);
    const int yuvSize = 704 * 576 * 3 / 2;
    const int bgrSize = 704 * 576 * 3;
    const struct
    {
        const char* what;
        std::uint32_t format;
        bool setOutput;
        int width, height, capacity;
        int result;
    } cases[] = {
        {"no output set", kYuv, false, 0, 0, 0, 4},
        {"no output set, RGB", kBgr, false, 0, 0, 0, 4},
        {"other height", kYuv, true, 704, 480, kPictureBytes, 4},
        {"other width", kBgr, true, 352, 576, kPictureBytes, 4},
        {"zero size", kYuv, true, 0, 0, kPictureBytes, 4},
        {"YUV one byte short", kYuv, true, 704, 576, yuvSize - 1, 4},
        {"RGB one byte short", kBgr, true, 704, 576, bgrSize - 1, 4},
        {"RGB in a YUV-sized buffer", kBgr, true, 704, 576, yuvSize, 4},
        {"unknown format word", 1, true, 704, 576, kPictureBytes, 4},
        {"YUV exact capacity", kYuv, true, 704, 576, yuvSize, 0},
        {"RGB exact capacity", kBgr, true, 704, 576, bgrSize, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Session s(static_cast<Format>(c.format));
        if (c.setOutput) {
            ASSERT_EQ(s.SetOutput(c.width, c.height, c.capacity), 0);
        }
        EXPECT_EQ(s.Decode(key), c.result);
        if (c.result == 0) {
            EXPECT_TRUE(s.Untouched(static_cast<std::size_t>(c.capacity)));
        } else {
            EXPECT_TRUE(s.Untouched());
        }
    }
    Session s(kYuv);
    EXPECT_NE(s.SetOutput(-1, 576), 0);
    EXPECT_NE(s.SetOutput(704, 576, -1), 0);
}

// The bytes of an access unit before its first picture slice (start codes
// included); empty when it has none.
std::vector<std::uint8_t> ParameterSetsOf(const std::vector<std::uint8_t>& unit)
{
    for (std::size_t i = 0; i + 3 < unit.size(); ++i) {
        if (unit[i] != 0 || unit[i + 1] != 0 || unit[i + 2] != 1)
            continue;
        const int type = unit[i + 3] & 0x1F;
        if (type == 1 || type == 5) {
            const std::size_t start = i > 0 && unit[i - 1] == 0 ? i - 1 : i;
            return std::vector<std::uint8_t>(unit.begin(), unit.begin() + static_cast<std::ptrdiff_t>(start));
        }
    }
    return {};
}

// Frames that depend on a key frame the decoder never saw give no picture,
// and leave the buffer alone; the next key frame starts the stream.
TEST_F(DecoderLibraryTest, PredictedFramesWithoutTheirKeyFrameGiveNoPicture)
{
    StreamSpec spec;
    spec.gop = 4;
    spec.frames = 6;
    const auto& frames = StreamOf(spec);
    ASSERT_TRUE(frames[4].key);
    // The key frame's parameter sets without its picture: what is left of a
    // key frame whose slices were lost.
    const std::vector<std::uint8_t> parameterSets = ParameterSetsOf(frames[0].data);
    ASSERT_FALSE(parameterSets.empty());
    ASSERT_LT(parameterSets.size(), frames[0].data.size());
    for (const bool withParameterSets : {false, true})
        for (const Format format : {kYuv, kBgr}) {
            SCOPED_TRACE(withParameterSets ? "parameter sets known" : "nothing known");
            Session s(format);
            ASSERT_EQ(s.SetOutput(704, 576), 0);
            if (withParameterSets) {
                const int r = s.Decode(parameterSets);
                EXPECT_TRUE(r == 2 || r == 3) << "parameter sets alone gave " << r;
            }
            for (int i = 1; i < 4; ++i) {
                const int r = s.Decode(frames[i]);
                EXPECT_TRUE(r == 2 || r == 3) << "frame " << i << " gave " << r;
            }
            EXPECT_TRUE(s.Untouched());
            ASSERT_EQ(s.Decode(frames[4]), 0);
            ExpectProbes(s, spec, frames[4].index, format);
            ASSERT_EQ(s.Decode(frames[5]), 0);
            ExpectProbes(s, spec, frames[5].index, format);
        }
}

// A truncated frame (a fragment lost on the way) is decoded as far as it
// goes or refused, never written past the picture; the stream recovers at
// the next key frame at the latest.
TEST_F(DecoderLibraryTest, TruncatedFramesAreSurvived)
{
    StreamSpec spec;
    spec.gop = 4;
    spec.frames = 8;
    spec.interlaced = true;
    const auto& frames = StreamOf(spec);
    const std::size_t size = 704 * 576 * 3;
    // The length kept: a fraction of the frame, a number of bytes from its
    // start, or all but a number of bytes from its end.
    const struct
    {
        const char* what;
        int frame;
        double fraction;
        std::size_t keep;
        std::size_t drop;
    } cases[] = {
        {"key frame, half", 0, 0.5, 0, 0},         {"key frame, 12 bytes", 0, 0, 12, 0},
        {"key frame, all but 1 byte", 0, 0, 0, 1}, {"P frame, half", 1, 0.5, 0, 0},
        {"P frame, 3 bytes", 1, 0, 3, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Session s(kBgr);
        ASSERT_EQ(s.SetOutput(704, 576), 0);
        for (int i = 0; i < 4; ++i) {
            const auto& data = frames[i].data;
            std::size_t length = data.size();
            if (i == c.frame)
                length = c.fraction > 0 ? static_cast<std::size_t>(data.size() * c.fraction)
                                        : (c.keep > 0 ? c.keep : data.size() - c.drop);
            const int r = s.Decode(data.data(), static_cast<int>(length));
            EXPECT_TRUE(r == 0 || r == 2 || r == 3) << "frame " << i << " gave " << r;
            EXPECT_TRUE(s.Untouched(size));
        }
        ASSERT_EQ(s.Decode(frames[4]), 0);
        ExpectProbes(s, spec, frames[4].index, kBgr);
        ASSERT_EQ(s.Decode(frames[5]), 0);
        ExpectProbes(s, spec, frames[5].index, kBgr);
    }
}

// Bytes that are no H.264 at all, empty frames and bad lengths: no picture,
// no write, and the decoder still works afterwards.
TEST_F(DecoderLibraryTest, GarbageGivesNoPictureAndDoesNotHurtTheDecoder)
{
    StreamSpec spec;
    spec.frames = 2;
    spec.gop = 2;
    const auto& frames = StreamOf(spec);
    std::mt19937 rng(2024);
    auto random = [&](std::size_t n) {
        std::vector<std::uint8_t> v(n);
        for (auto& b : v)
            b = static_cast<std::uint8_t>(rng());
        return v;
    };
    std::vector<std::vector<std::uint8_t>> inputs;
    inputs.push_back(random(5000));
    inputs.push_back(std::vector<std::uint8_t>(1000, 0));
    inputs.push_back({0, 0, 0, 1});
    for (const std::uint8_t nal : {0x65, 0x41, 0x67, 0x68, 0x06}) {
        // A start code and a NAL header of a slice, parameter set or SEI,
        // followed by noise.
        std::vector<std::uint8_t> v{0, 0, 0, 1, nal};
        const auto tail = random(3000);
        v.insert(v.end(), tail.begin(), tail.end());
        inputs.push_back(v);
    }
    // The key frame's parameter sets with a corrupted slice after them.
    std::vector<std::uint8_t> damaged = frames[0].data;
    for (std::size_t i = damaged.size() / 2; i < damaged.size(); i += 7)
        damaged[i] ^= 0x5A;
    inputs.push_back(damaged);

    for (const Format format : {kYuv, kBgr}) {
        Session s(format);
        ASSERT_EQ(s.SetOutput(704, 576), 0);
        for (std::size_t i = 0; i + 1 < inputs.size(); ++i) {
            const int r = s.Decode(inputs[i]);
            EXPECT_TRUE(r == 2 || r == 3) << "input " << i << " gave " << r;
        }
        EXPECT_TRUE(s.Untouched());
        // A damaged key frame may still give a concealed picture.
        const int r = s.Decode(inputs.back());
        EXPECT_TRUE(r == 0 || r == 2 || r == 3) << "damaged key frame gave " << r;
        EXPECT_TRUE(s.Untouched(static_cast<std::size_t>(PictureSize(704, 576, format))));
        s.ClearPicture();
        EXPECT_EQ(s.Decode(nullptr, 100), 3);
        EXPECT_EQ(s.Decode(frames[0].data.data(), 0), 3);
        EXPECT_EQ(s.Decode(frames[0].data.data(), -5), 3);
        EXPECT_TRUE(s.Untouched());

        ASSERT_EQ(s.Decode(frames[0]), 0);
        ExpectProbes(s, spec, frames[0].index, format);
        ASSERT_EQ(s.Decode(frames[1]), 0);
        ExpectProbes(s, spec, frames[1].index, format);
    }
}

// 4:2:2 pictures are not what the picture buffer holds: refused, not written.
TEST_F(DecoderLibraryTest, RefusesSamplingOtherThan420)
{
    StreamSpec spec;
    spec.width = 352;
    spec.height = 288;
    spec.frames = 1;
    spec.chroma422 = true;
    const auto& frames = StreamOf(spec);
    ASSERT_FALSE(frames.empty());
    Session s(kYuv);
    ASSERT_EQ(s.SetOutput(352, 288), 0);
    EXPECT_EQ(s.Decode(frames[0]), 3);
    EXPECT_TRUE(s.Untouched());
}

// The context's life as the decode worker leads it: uninitialise a zeroed
// context, initialise, re-initialise on -5, uninitialise at the end. The
// output settings belong to the context and survive re-initialising.
TEST_F(DecoderLibraryTest, ContextLifecycleAndReinitialising)
{
    StreamSpec spec;
    spec.frames = 2;
    spec.gop = 2;
    const auto& frames = StreamOf(spec);
    DecoderLibrary& lib = Library();

    Session s(kYuv, /*init=*/false);
    EXPECT_EQ(lib.Uninit(&s.ctx), 0) << "uninitialising a zeroed context";
    EXPECT_EQ(s.ctx.word[4], 0u);
    ASSERT_EQ(s.SetOutput(704, 576), 0);
    EXPECT_EQ(s.Decode(frames[0]), -5) << "a context without a decoder asks to be initialised";
    EXPECT_TRUE(s.Untouched());

    // The worker's loop: at most 11 calls, re-initialising on -5.
    int calls = 0;
    int r = -5;
    while (calls < 11) {
        r = s.Decode(frames[0]);
        ++calls;
        if (r != -5)
            break;
        lib.Uninit(&s.ctx);
        ASSERT_EQ(lib.Init(&s.ctx), 0);
    }
    EXPECT_EQ(r, 0);
    EXPECT_EQ(calls, 2);
    EXPECT_NE(s.ctx.word[4], 0u) << "word 4 marks held resources";
    EXPECT_EQ(s.ctx.word[5], 1u) << "word 5 is the caller's";
    EXPECT_EQ(s.ctx.word[6], static_cast<std::uint32_t>(kYuv)) << "word 6 is the caller's";

    // Initialising an initialised context starts afresh.
    ASSERT_EQ(lib.Init(&s.ctx), 0);
    r = s.Decode(frames[1]);
    EXPECT_TRUE(r == 2 || r == 3) << "a fresh decoder has no key frame yet, got " << r;
    ASSERT_EQ(s.Decode(frames[0]), 0);

    EXPECT_EQ(lib.Uninit(&s.ctx), 0);
    EXPECT_EQ(s.ctx.word[4], 0u);
    EXPECT_EQ(s.Decode(frames[0]), -5);
    EXPECT_EQ(lib.Uninit(&s.ctx), 0) << "uninitialising twice";

    EXPECT_NE(lib.Init(nullptr), 0);
    EXPECT_NE(lib.Uninit(nullptr), 0);
    EXPECT_NE(lib.SetOutput(nullptr, 704, 576, kPictureBytes), 0);
    EXPECT_EQ(lib.GetOneFrame(nullptr, frames[0].data.data(), static_cast<int>(frames[0].data.size()),
                              s.picture.data()),
              3);
}

// Sixteen workers decode side by side, each with its own context.
TEST_F(DecoderLibraryTest, ContextsDecodeIndependentlyOnSeveralThreads)
{
    constexpr int kThreads = 4;
    std::vector<StreamSpec> specs(kThreads);
    for (int t = 0; t < kThreads; ++t) {
        specs[t].width = 352;
        specs[t].height = 288;
        specs[t].frames = 6;
        specs[t].gop = 3;
        specs[t].channel = t * 4;
        specs[t].firstIndex = t * 50;
        specs[t].interlaced = t % 2 == 1;
        ASSERT_EQ(static_cast<int>(StreamOf(specs[t]).size()), 6);
    }
    std::vector<int> failures(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            Session s(t % 2 ? kBgr : kYuv);
            s.SetOutput(352, 288);
            const auto& frames = Stream(specs[t]);
            for (int round = 0; round < 3; ++round)
                for (const EncodedFrame& f : frames)
                    failures[t] += s.Decode(f) != 0;
            // The last picture is the last frame of this thread's stream.
            const auto probes = k5streams::ExpectedProbes(specs[t], frames.back().index);
            for (const auto& p : probes) {
                if (t % 2 == 0) {
                    failures[t] += std::abs(int(s.picture[p.y * 352 + p.x]) - int(p.Y)) > kYuvTolerance;
                } else {
                    std::uint8_t bgr[3];
                    YuvPixelToBgr(p.Y, p.U, p.V, bgr);
                    const std::uint8_t* q = s.picture.data() + (p.y * 352 + p.x) * 3;
                    for (int ch = 0; ch < 3; ++ch)
                        failures[t] += std::abs(int(q[ch]) - int(bgr[ch])) > kBgrTolerance;
                }
            }
        });
    }
    for (auto& th : threads)
        th.join();
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(failures[t], 0) << "thread " << t;
}

} // namespace
} // namespace decodertest
