// YuvToRgb24 against libswscale's YUV 4:2:0 to BGR24 on one 704 x 576
// picture, both single-threaded. Prints the ratio of the two times.
#include "video/YuvToRgb.h"

#include "BenchRatio.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

extern "C" {
#include <libswscale/swscale.h>
}

namespace {

constexpr int kWidth = 704;
constexpr int kHeight = 576;

struct Picture
{
    std::vector<std::uint8_t> yuv = std::vector<std::uint8_t>(kWidth * kHeight * 3 / 2);
    std::vector<std::uint8_t> bgr = std::vector<std::uint8_t>(kWidth * kHeight * 3 + 1);
    Picture()
    {
        std::mt19937 rng(7);
        for (auto& b : yuv)
            b = static_cast<std::uint8_t>(rng());
    }
    const std::uint8_t* Y() const { return yuv.data(); }
    const std::uint8_t* U() const { return yuv.data() + kWidth * kHeight; }
    const std::uint8_t* V() const { return yuv.data() + kWidth * kHeight * 5 / 4; }
};

void BM_YuvToRgb24(benchmark::State& state)
{
    Picture p;
    for (auto _ : state) {
        YuvToRgb24(p.bgr.data(), kWidth, p.Y(), p.U(), p.V(), kWidth, kWidth / 2, kWidth, kHeight);
        benchmark::DoNotOptimize(p.bgr.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_YuvToRgb24);

void BM_YuvToRgb24Portable(benchmark::State& state)
{
    Picture p;
    for (auto _ : state) {
        YuvToRgb24Portable(p.bgr.data(), kWidth, p.Y(), p.U(), p.V(), kWidth, kWidth / 2, kWidth, kHeight);
        benchmark::DoNotOptimize(p.bgr.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_YuvToRgb24Portable);

// flags: the default (fast unscaled path) or accurate rounding.
void BM_Swscale(benchmark::State& state)
{
    Picture p;
    const int flags = SWS_BILINEAR | static_cast<int>(state.range(0));
    SwsContext* sws = sws_getContext(kWidth, kHeight, AV_PIX_FMT_YUV420P, kWidth, kHeight, AV_PIX_FMT_BGR24,
                                     flags, nullptr, nullptr, nullptr);
    if (!sws) {
        state.SkipWithError("sws_getContext failed");
        return;
    }
    const std::uint8_t* src[3] = {p.Y(), p.U(), p.V()};
    const int srcStride[3] = {kWidth, kWidth / 2, kWidth / 2};
    std::uint8_t* dst[1] = {p.bgr.data()};
    const int dstStride[1] = {kWidth * 3};
    for (auto _ : state) {
        sws_scale(sws, src, srcStride, 0, kHeight, dst, dstStride);
        benchmark::DoNotOptimize(p.bgr.data());
        benchmark::ClobberMemory();
    }
    sws_freeContext(sws);
}
BENCHMARK(BM_Swscale)->Arg(0)->Arg(SWS_ACCURATE_RND);

} // namespace

int main(int argc, char** argv)
{
    const BenchTimes t = RunBenchmarks(&argc, argv);
    PrintRatio(t, "BM_YuvToRgb24", "BM_Swscale/0", 2);
    PrintRatio(t, "BM_YuvToRgb24", "BM_Swscale/" + std::to_string(SWS_ACCURATE_RND), 2);
    PrintRatio(t, "BM_YuvToRgb24Portable", "BM_Swscale/0", 2);
    return 0;
}
