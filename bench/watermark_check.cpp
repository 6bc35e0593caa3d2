// The watermark check through the client's parse-only decoder against the
// full decode of the same frames by libH264_D1.so (planar output, one
// thread): about 1,000 frames of 704 x 576 CAVLC with sensor noise, half
// progressive and half MBAFF. Prints decode time / check time.
#include "local/h264/H264Decoder.h"
#include "platform/DecoderLibrary.h"
#include "streams/TestStreams.h"

#include "BenchRatio.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

const std::vector<k5streams::EncodedFrame>& Frames()
{
    static const std::vector<k5streams::EncodedFrame> frames = [] {
        std::vector<k5streams::EncodedFrame> all;
        for (bool interlaced : {false, true}) {
            k5streams::StreamSpec spec;
            spec.frames = 500;
            spec.gop = 25;
            spec.interlaced = interlaced;
            spec.noise = true;
            spec.x264 = std::getenv("WM_X264") ? std::getenv("WM_X264") : "cabac=0";
            const auto part = k5streams::MakeH264Stream(spec);
            all.insert(all.end(), part.begin(), part.end());
        }
        return all;
    }();
    return frames;
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
    const auto& frames = Frames();
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
BENCHMARK(BM_WatermarkCheck)->Unit(benchmark::kMillisecond);

void BM_DecoderLibrary(benchmark::State& state)
{
    const auto& frames = Frames();
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
BENCHMARK(BM_DecoderLibrary)->Unit(benchmark::kMillisecond);

} // namespace

// The streams' size, so that a ratio can be read against the bitrate it was
// measured at (the check's cost grows with the coded bits, a decode's far less).
void PrintStreamSize()
{
    const auto& frames = Frames();
    if (frames.empty())
        return;
    double bytes = 0;
    for (const auto& f : frames)
        bytes += static_cast<double>(f.data.size());
    const double perFrame = bytes / static_cast<double>(frames.size());
    std::printf("stream: %zu frames, %.0f bytes/frame, %.2f Mbit/s at 25 fps\n", frames.size(), perFrame,
                perFrame * 8 * 25 / 1e6);
}

int main(int argc, char** argv)
{
    const BenchTimes t = RunBenchmarks(&argc, argv);
    PrintStreamSize();
    // At least 5: the check costs a fifth of a decode or less.
    PrintRatio(t, "BM_DecoderLibrary", "BM_WatermarkCheck", 2);
    return 0;
}
