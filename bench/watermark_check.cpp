// The watermark check through the client's parse-only decoder against the
// full decode of the same frames by libH264_D1.so (planar output, one
// thread): about 1,000 frames of 704 x 576 CAVLC with sensor noise, half
// progressive and half MBAFF. Prints decode time / check time for two codings
// of the same pictures, with their bitrates: x264 at constant quality 16
// (about 16.6 Mbit/s at 25 fps, several times what a recorder writes for D1)
// and x264 held to 4 Mbit/s, the upper end of a recorder's D1 rates. The
// check's cost follows the coded bits, a decode's much less.
// bench/entropy_share.py sets the check against the part of this decode that
// reads the same bits: libavcodec's CAVLC entropy decoding.
#include "local/h264/H264Decoder.h"
#include "platform/DecoderLibrary.h"
#include "streams/TestStreams.h"

#include "BenchRatio.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct StreamSet
{
    const char* name;
    const char* x264;
};
const StreamSet kSets[] = {
    {"constant quality 16", "cabac=0"},
    {"4 Mbit/s", "cabac=0:bitrate=4000:vbv-maxrate=4000:vbv-bufsize=4000"},
};
constexpr int kSetCount = static_cast<int>(sizeof kSets / sizeof kSets[0]);

std::vector<k5streams::EncodedFrame> MakeSet(const StreamSet& set)
{
    std::vector<k5streams::EncodedFrame> all;
    for (bool interlaced : {false, true}) {
        k5streams::StreamSpec spec;
        spec.frames = 500;
        spec.gop = 25;
        spec.interlaced = interlaced;
        spec.noise = true;
        spec.x264 = set.x264;
        const auto part = k5streams::MakeH264Stream(spec);
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

// Made when a benchmark first asks for them.
std::vector<k5streams::EncodedFrame> g_frames[kSetCount];
bool g_made[kSetCount] = {};

const std::vector<k5streams::EncodedFrame>& Frames(int set)
{
    if (!g_made[set]) {
        g_frames[set] = MakeSet(kSets[set]);
        g_made[set] = true;
    }
    return g_frames[set];
}

DecoderLibrary& Library()
{
    static DecoderLibrary lib;
    if (!lib.IsLoaded())
        lib.Load();
    return lib;
}

void BM_WatermarkCheck(benchmark::State& state)
{
    const auto& frames = Frames(static_cast<int>(state.range(0)));
    if (frames.empty()) {
        state.SkipWithError("no stream");
        return;
    }
    H264DecoderHandle* h = nullptr;
    if (CallH264Decoder(kH264Open, nullptr, &h) != 0) {
        state.SkipWithError("open failed");
        return;
    }
    WatermarkContext wm;
    long tampered = 0;
    for (auto _ : state) {
        for (const auto& f : frames) {
            wm.m_bEnable = 1;
            wm.m_dwKey = kWatermarkKey;
            wm.m_bInitialised = 0;
            H264DecodeIo io;
            io.m_pData = f.data.data();
            io.m_nLength = static_cast<int>(f.data.size());
            io.m_pWatermark = &wm;
            CallH264Decoder(kH264Decode, h, &io);
            tampered += GetWatermarkVerdict(wm) == WatermarkVerdict::Tampered;
        }
    }
    CallH264Decoder(kH264Close, h, nullptr);
    // The encoder's frames carry no watermark: every one must be caught.
    if (tampered != static_cast<long>(state.iterations() * static_cast<std::int64_t>(frames.size())))
        state.SkipWithError("a frame was not parsed to a verdict");
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(frames.size()));
}
BENCHMARK(BM_WatermarkCheck)->DenseRange(0, kSetCount - 1)->Unit(benchmark::kMillisecond);

void BM_DecoderLibrary(benchmark::State& state)
{
    const auto& frames = Frames(static_cast<int>(state.range(0)));
    DecoderLibrary& lib = Library();
    if (frames.empty() || !lib.IsLoaded()) {
        state.SkipWithError("no stream or no libH264_D1.so beside the benchmark");
        return;
    }
    H264DecContext ctx{};
    ctx.word[5] = 1; // one thread
    ctx.word[6] = 0; // planar
    lib.Uninit(&ctx);
    lib.Init(&ctx);
    std::vector<std::uint8_t> picture(720 * 576 * 3);
    lib.SetOutput(&ctx, 704, 576, static_cast<int>(picture.size()));
    for (auto _ : state) {
        for (const auto& f : frames)
            lib.GetOneFrame(&ctx, f.data.data(), static_cast<int>(f.data.size()), picture.data());
    }
    lib.Uninit(&ctx);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(frames.size()));
}
BENCHMARK(BM_DecoderLibrary)->DenseRange(0, kSetCount - 1)->Unit(benchmark::kMillisecond);

} // namespace

// The streams' size, so that a ratio can be read against the bitrate it was
// measured at (the check's cost grows with the coded bits, a decode's far less).
void PrintStreamSize(int set)
{
    const auto& frames = g_frames[set];
    if (frames.empty())
        return;
    double bytes = 0;
    for (const auto& f : frames)
        bytes += static_cast<double>(f.data.size());
    const double perFrame = bytes / static_cast<double>(frames.size());
    std::printf("/%d: x264 %s: %zu frames, %.0f bytes/frame, %.2f Mbit/s at 25 fps\n", set, kSets[set].name,
                frames.size(), perFrame, perFrame * 8 * 25 / 1e6);
}

int main(int argc, char** argv)
{
    const BenchTimes t = RunBenchmarks(&argc, argv);
    // At least 5: the check costs a fifth of a decode or less.
    for (int set = 0; set < kSetCount; ++set) {
        PrintStreamSize(set);
        const std::string n = "/" + std::to_string(set);
        PrintRatio(t, "BM_DecoderLibrary" + n, "BM_WatermarkCheck" + n, 2);
    }
    return 0;
}
