// libH264_D1.so: the H.264 decoder library the decode workers load at run
// time, over libavcodec. One frame's Annex B bytes in, one picture of that
// frame out, written straight into the caller's picture buffer.
//
// Context words (twelve 32-bit words, zeroed by the caller):
//   0, 1  the decoder state's address (low half, high half; word 1 is 0 where
//         an address has 32 bits); valid only while word 4 is non-zero
//   4     1 while the library holds resources
//   5     the caller's (1 before the first Init); not read
//   6     output format: 0 planar Y, U, V; 3 packed B, G, R, top line first
//   7, 8  expected picture width and height, set by PT_H264dec_SetOutput
//   9     capacity of the picture buffer in bytes, set by PT_H264dec_SetOutput
//   2, 3, 10, 11  unused
// Words 5-9 survive Uninit and Init, so a worker that re-initialises after -5
// keeps its output settings.
//
// Results of PT_H264dec_GetOneFrame:
//   0   a picture was written
//   2   the frame was taken but gave no picture: a frame that follows no key
//       frame (a picture without its references is never shown)
//   3   the frame could not be decoded: damaged, empty, no picture slice in
//       it (parameter sets alone), sampling other than 4:2:0
//   4   a picture was decoded but not written: its size is not the expected
//       one, the buffer is too small, no output was set or the format word is
//       unknown
//  -5   the context holds no decoder: uninitialise, initialise, call again
// Result 1 (call again) is never returned: a picture that libavcodec holds
// back is collected within the same call.
#include "platform/DecoderLibrary.h"
#include "video/YuvToRgb.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/log.h>
#include <libavutil/pixfmt.h>
}

#define K5_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr int kWordStateLow = 0;
constexpr int kWordStateHigh = 1;
constexpr int kWordHeld = 4;
constexpr int kWordFormat = 6;
constexpr int kWordWidth = 7;
constexpr int kWordHeight = 8;
constexpr int kWordCapacity = 9;

constexpr std::uint32_t kFormatYuv = 0;
constexpr std::uint32_t kFormatBgr = 3;

enum Result : int
{
    kPicture = 0,
    kNoPicture = 2,
    kBadFrame = 3,
    kNoFit = 4,
    kReinit = -5,
};

struct CodecContextFree
{
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct PacketFree
{
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FrameFree
{
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct BufferFree
{
    void operator()(AVBufferRef* b) const { av_buffer_unref(&b); }
};

struct Output
{
    std::uint32_t format;
    std::int64_t width;
    std::int64_t height;
    std::int64_t capacity;
};

class Decoder
{
public:
    static std::unique_ptr<Decoder> Create();
    int Decode(const std::uint8_t* data, int length, const Output& out, std::uint8_t* picture);

private:
    bool FillPacket(const std::uint8_t* data, int length);
    int WritePicture(const Output& out, std::uint8_t* picture) const;

    std::unique_ptr<AVCodecContext, CodecContextFree> m_codec;
    std::unique_ptr<AVPacket, PacketFree> m_packet;
    std::unique_ptr<AVFrame, FrameFree> m_frame;
    // The packet's bytes; reused while libavcodec holds no reference to it.
    std::unique_ptr<AVBufferRef, BufferFree> m_bytes;
};

std::unique_ptr<Decoder> Decoder::Create()
{
    const AVCodec* codec = avcodec_find_decoder_by_name("h264");
    if (!codec)
        codec = avcodec_find_decoder(AV_CODEC_ID_H264);
    if (!codec)
        return nullptr;
    std::unique_ptr<Decoder> d(new (std::nothrow) Decoder);
    if (!d)
        return nullptr;
    d->m_codec.reset(avcodec_alloc_context3(codec));
    d->m_packet.reset(av_packet_alloc());
    d->m_frame.reset(av_frame_alloc());
    if (!d->m_codec || !d->m_packet || !d->m_frame)
        return nullptr;
    AVCodecContext* c = d->m_codec.get();
    // Each frame's picture leaves with that frame; sixteen channels decode
    // side by side, one thread each. A picture whose references were never
    // decoded (a stream joined after its key frame) is not shown.
    c->flags |= AV_CODEC_FLAG_LOW_DELAY;
    c->flags &= ~AV_CODEC_FLAG_OUTPUT_CORRUPT;
    c->thread_count = 1;
    c->thread_type = FF_THREAD_SLICE;
    if (avcodec_open2(c, codec, nullptr) < 0)
        return nullptr;
    return d;
}

bool Decoder::FillPacket(const std::uint8_t* data, int length)
{
    const std::size_t need = static_cast<std::size_t>(length) + AV_INPUT_BUFFER_PADDING_SIZE;
    AVBufferRef* bytes = m_bytes.get();
    if (!bytes || !av_buffer_is_writable(bytes) || bytes->size < need) {
        // Grow in steps so a stream of slowly growing key frames does not
        // reallocate every time.
        std::size_t size = bytes && bytes->size > 0 ? bytes->size : 64 * 1024;
        while (size < need)
            size *= 2;
        m_bytes.reset(av_buffer_alloc(size));
        bytes = m_bytes.get();
        if (!bytes)
            return false;
    }
    std::memcpy(bytes->data, data, static_cast<std::size_t>(length));
    std::memset(bytes->data + length, 0, AV_INPUT_BUFFER_PADDING_SIZE);
    AVPacket* p = m_packet.get();
    av_packet_unref(p);
    p->buf = av_buffer_ref(bytes);
    if (!p->buf)
        return false;
    p->data = bytes->data;
    p->size = length;
    return true;
}

int Decoder::Decode(const std::uint8_t* data, int length, const Output& out, std::uint8_t* picture)
{
    if (!data || length <= 0)
        return kBadFrame;
    if (!FillPacket(data, length))
        return kBadFrame;
    AVCodecContext* c = m_codec.get();
    int sent = avcodec_send_packet(c, m_packet.get());
    if (sent == AVERROR(EAGAIN)) {
        // A picture of an earlier frame was never collected: it is stale now.
        while (avcodec_receive_frame(c, m_frame.get()) >= 0)
            av_frame_unref(m_frame.get());
        sent = avcodec_send_packet(c, m_packet.get());
    }
    av_packet_unref(m_packet.get());
    if (sent == AVERROR_EOF || sent == AVERROR(EAGAIN))
        return kReinit;

    int result = sent < 0 ? kBadFrame : kNoPicture;
    // Normally at most one picture; should a frame yield more, the last one
    // that fits is what the buffer keeps.
    while (avcodec_receive_frame(c, m_frame.get()) >= 0) {
        const int written = WritePicture(out, picture);
        if (result != kPicture)
            result = written;
        av_frame_unref(m_frame.get());
    }
    return result;
}

int Decoder::WritePicture(const Output& out, std::uint8_t* picture) const
{
    const AVFrame* f = m_frame.get();
    if (f->format != AV_PIX_FMT_YUV420P && f->format != AV_PIX_FMT_YUVJ420P)
        return kBadFrame;
    if (!picture || out.width <= 0 || out.height <= 0)
        return kNoFit;
    if (f->width != out.width || f->height != out.height)
        return kNoFit;
    const int w = f->width;
    const int h = f->height;
    const int cw = (w + 1) / 2;
    const int ch = (h + 1) / 2;
    std::int64_t need = 0;
    if (out.format == kFormatYuv)
        need = std::int64_t{w} * h + 2 * std::int64_t{cw} * ch;
    else if (out.format == kFormatBgr)
        need = std::int64_t{w} * h * 3;
    else
        return kNoFit;
    if (need > out.capacity)
        return kNoFit;

    if (out.format == kFormatYuv) {
        std::uint8_t* d = picture;
        const int widths[3] = {w, cw, cw};
        const int heights[3] = {h, ch, ch};
        for (int plane = 0; plane < 3; ++plane) {
            const std::uint8_t* s = f->data[plane];
            for (int row = 0; row < heights[plane]; ++row) {
                std::memcpy(d, s + static_cast<std::ptrdiff_t>(row) * f->linesize[plane],
                            static_cast<std::size_t>(widths[plane]));
                d += widths[plane];
            }
        }
        return kPicture;
    }

    // B, G, R lines top first, no padding between lines.
    YuvToRgb24(picture, w, f->data[0], f->data[1], f->data[2], f->linesize[0], f->linesize[1], w, h);
    // YuvToRgb24 leaves the columns beyond the last group of eight and an
    // odd last row; fill them the same way.
    auto pixel = [&](int x, int y) {
        const std::uint8_t* ys = f->data[0] + static_cast<std::ptrdiff_t>(y) * f->linesize[0];
        const std::uint8_t* us = f->data[1] + static_cast<std::ptrdiff_t>(y / 2) * f->linesize[1];
        const std::uint8_t* vs = f->data[2] + static_cast<std::ptrdiff_t>(y / 2) * f->linesize[2];
        YuvPixelToBgr(ys[x], us[x / 2], vs[x / 2], picture + (static_cast<std::ptrdiff_t>(y) * w + x) * 3);
    };
    const int fullColumns = w & ~7;
    const int pairRows = h & ~1;
    for (int y = 0; y < pairRows; ++y)
        for (int x = fullColumns; x < w; ++x)
            pixel(x, y);
    for (int y = pairRows; y < h; ++y)
        for (int x = 0; x < w; ++x)
            pixel(x, y);
    return kPicture;
}

Decoder* StateOf(const H264DecContext* ctx)
{
    if (ctx->word[kWordHeld] == 0)
        return nullptr;
    const std::uint64_t address = (std::uint64_t{ctx->word[kWordStateHigh]} << 32) | ctx->word[kWordStateLow];
    return reinterpret_cast<Decoder*>(static_cast<std::uintptr_t>(address));
}

void StoreState(H264DecContext* ctx, Decoder* d)
{
    const std::uint64_t address = reinterpret_cast<std::uintptr_t>(d);
    ctx->word[kWordStateLow] = static_cast<std::uint32_t>(address);
    ctx->word[kWordStateHigh] = static_cast<std::uint32_t>(address >> 32);
    ctx->word[kWordHeld] = d ? 1 : 0;
}

void Release(H264DecContext* ctx)
{
    delete StateOf(ctx);
    StoreState(ctx, nullptr);
}

} // namespace

K5_EXPORT int PT_H264dec_Init(H264DecContext* ctx)
{
    if (!ctx)
        return -1;
    try {
        Release(ctx);
        // The library's messages would only flood the terminal of a client
        // that decodes sixteen damaged streams. Workers initialise at the
        // same time; the level is set once.
        static std::once_flag quiet;
        std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });
        std::unique_ptr<Decoder> d = Decoder::Create();
        if (!d)
            return -1;
        StoreState(ctx, d.release());
        return 0;
    } catch (...) {
        return -1;
    }
}

K5_EXPORT int PT_H264dec_Uninit(H264DecContext* ctx)
{
    if (!ctx)
        return -1;
    Release(ctx);
    return 0;
}

K5_EXPORT int PT_H264dec_SetOutput(H264DecContext* ctx, int width, int height, int capacity)
{
    if (!ctx || width < 0 || height < 0 || capacity < 0)
        return -1;
    ctx->word[kWordWidth] = static_cast<std::uint32_t>(width);
    ctx->word[kWordHeight] = static_cast<std::uint32_t>(height);
    ctx->word[kWordCapacity] = static_cast<std::uint32_t>(capacity);
    return 0;
}

K5_EXPORT int PT_H264dec_GetOneFrame(H264DecContext* ctx, const std::uint8_t* data, int length,
                                     std::uint8_t* picture)
{
    if (!ctx)
        return kBadFrame;
    Decoder* d = StateOf(ctx);
    if (!d)
        return kReinit;
    const Output out{ctx->word[kWordFormat], ctx->word[kWordWidth], ctx->word[kWordHeight],
                     ctx->word[kWordCapacity]};
    try {
        return d->Decode(data, length, out, picture);
    } catch (...) {
        return kBadFrame;
    }
}
