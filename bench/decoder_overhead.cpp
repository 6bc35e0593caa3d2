// The decoder library against libavcodec's own single-thread decode of the
// same 704 x 576 interlaced stream, noisy like a camera's: what the library adds (packet copy, picture copy,
// colour conversion) on top of decoding. Prints the ratios.
#include "platform/DecoderLibrary.h"
#include "streams/TestStreams.h"

#include "BenchRatio.h"

#include <memory>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace {

const std::vector<k5streams::EncodedFrame>& TestStream()
{
    static const std::vector<k5streams::EncodedFrame> frames = [] {
        k5streams::StreamSpec spec;
        spec.frames = 50;
        spec.gop = 25;
        spec.interlaced = true;
        spec.noise = true;
        return k5streams::MakeH264Stream(spec);
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

void BM_Libavcodec(benchmark::State& state)
{
    const auto& frames = TestStream();
    const AVCodec* codec = avcodec_find_decoder_by_name("h264");
    AVCodecContext* c = avcodec_alloc_context3(codec);
    c->thread_count = 1;
    c->flags |= AV_CODEC_FLAG_LOW_DELAY;
    if (frames.empty() || avcodec_open2(c, codec, nullptr) < 0) {
        avcodec_free_context(&c);
        state.SkipWithError("no stream or no decoder");
        return;
    }
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    std::vector<std::vector<std::uint8_t>> padded;
    for (const auto& f : frames) {
        padded.push_back(f.data);
        padded.back().resize(f.data.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
    }
    for (auto _ : state) {
        for (std::size_t i = 0; i < frames.size(); ++i) {
            packet->data = padded[i].data();
            packet->size = static_cast<int>(frames[i].data.size());
            avcodec_send_packet(c, packet);
            while (avcodec_receive_frame(c, frame) >= 0)
                av_frame_unref(frame);
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(frames.size()));
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&c);
}
BENCHMARK(BM_Libavcodec)->Unit(benchmark::kMillisecond);

// format: 0 planar YUV, 3 packed B, G, R.
void BM_DecoderLibrary(benchmark::State& state)
{
    const auto& frames = TestStream();
    DecoderLibrary& lib = Library();
    if (frames.empty() || !lib.IsLoaded()) {
        state.SkipWithError("no stream or no libH264_D1.so beside the benchmark");
        return;
    }
    H264DecContext ctx{};
    ctx.word[5] = 1;
    ctx.word[6] = static_cast<std::uint32_t>(state.range(0));
    lib.Uninit(&ctx);
    lib.Init(&ctx);
    std::vector<std::uint8_t> picture(720 * 576 * 3);
    lib.SetOutput(&ctx, 704, 576, static_cast<int>(picture.size()));
    int failures = 0;
    for (auto _ : state) {
        for (const auto& f : frames)
            failures +=
                lib.GetOneFrame(&ctx, f.data.data(), static_cast<int>(f.data.size()), picture.data()) != 0;
    }
    lib.Uninit(&ctx);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(frames.size()));
    if (failures)
        state.SkipWithError("a frame gave no picture");
}
BENCHMARK(BM_DecoderLibrary)->Arg(0)->Arg(3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    const BenchTimes t = RunBenchmarks(&argc, argv);
    for (const char* ours : {"BM_DecoderLibrary/0", "BM_DecoderLibrary/3"})
        PrintRatio(t, ours, "BM_Libavcodec", 3);
    return 0;
}
