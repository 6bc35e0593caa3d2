#include "streams/TestStreams.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
}

namespace k5streams {

namespace {

constexpr std::uint8_t kBitSet = 235;
constexpr std::uint8_t kBitClear = 16;
constexpr std::uint8_t kBandLuma = 110;
constexpr std::uint8_t kMotionDark = 40;
constexpr std::uint8_t kMotionBright = 220;
constexpr int kCounterBits = 8;
constexpr int kBarStep = 16;

struct CodecContextFree
{
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFree
{
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree
{
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};

// Draws the picture with counter `index` into planes whose chroma has
// `chromaRows` rows (height / 2 for 4:2:0, height for 4:2:2).
void DrawInto(const StreamSpec& spec, int index, std::uint8_t* const planes[3], const int strides[3],
              int chromaRows)
{
    const int w = spec.width;
    const int h = spec.height;
    const int cellWidth = w / kCounterBits;
    const int barX = (index * kBarStep) % w;
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = planes[0] + static_cast<std::ptrdiff_t>(y) * strides[0];
        for (int x = 0; x < w; ++x) {
            std::uint8_t value;
            if (y < h / 2) {
                const int bit = std::min(x / cellWidth, kCounterBits - 1);
                value = (index >> bit) & 1 ? kBitSet : kBitClear;
            } else if (y < 3 * h / 4) {
                value = kBandLuma;
            } else {
                const int dx = (x - barX + w) % w;
                value = dx < cellWidth ? kMotionBright : kMotionDark;
            }
            row[x] = value;
        }
    }
    if (spec.noise) {
        std::uint32_t state = 0x9E3779B9u * static_cast<std::uint32_t>(index + 1);
        for (int y = 0; y < h; ++y) {
            std::uint8_t* row = planes[0] + static_cast<std::ptrdiff_t>(y) * strides[0];
            for (int x = 0; x < w; ++x) {
                state = state * 1664525u + 1013904223u;
                const int v = row[x] + static_cast<int>(state >> 29) - 4;
                row[x] = static_cast<std::uint8_t>(std::clamp(v, 0, 255));
            }
        }
    }
    const int cw = w / 2;
    for (int cy = 0; cy < chromaRows; ++cy) {
        // The picture row that this chroma row covers.
        const int y = cy * h / chromaRows;
        const bool band = y >= h / 2 && y < 3 * h / 4;
        std::uint8_t* u = planes[1] + static_cast<std::ptrdiff_t>(cy) * strides[1];
        std::uint8_t* v = planes[2] + static_cast<std::ptrdiff_t>(cy) * strides[2];
        std::memset(u, band ? ChannelU(spec.channel) : 128, static_cast<std::size_t>(cw));
        std::memset(v, band ? ChannelV(spec.channel) : 128, static_cast<std::size_t>(cw));
    }
}

void PutLE32(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

bool Collect(AVCodecContext* c, AVPacket* packet, std::vector<EncodedFrame>& out, int& nextIndex)
{
    for (;;) {
        const int r = avcodec_receive_packet(c, packet);
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF)
            return true;
        if (r < 0)
            return false;
        EncodedFrame f;
        f.data.assign(packet->data, packet->data + packet->size);
        f.key = (packet->flags & AV_PKT_FLAG_KEY) != 0;
        f.index = nextIndex++;
        out.push_back(std::move(f));
        av_packet_unref(packet);
    }
}

} // namespace

std::uint8_t ChannelU(int channel)
{
    return static_cast<std::uint8_t>(60 + 8 * (channel & 15));
}

std::uint8_t ChannelV(int channel)
{
    return static_cast<std::uint8_t>(200 - 8 * (channel & 15));
}

bool HasH264Encoder()
{
    return avcodec_find_encoder_by_name("libx264") != nullptr;
}

std::vector<EncodedFrame> MakeH264Stream(const StreamSpec& spec)
{
    std::vector<EncodedFrame> out;
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (!codec || spec.width <= 0 || spec.height <= 0 || spec.frames <= 0 || spec.gop <= 0)
        return out;
    av_log_set_level(AV_LOG_ERROR);
    std::unique_ptr<AVCodecContext, CodecContextFree> ctx(avcodec_alloc_context3(codec));
    std::unique_ptr<AVFrame, FrameFree> frame(av_frame_alloc());
    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    if (!ctx || !frame || !packet)
        return out;
    AVCodecContext* c = ctx.get();
    c->width = spec.width;
    c->height = spec.height;
    c->time_base = AVRational{1, 25};
    c->framerate = AVRational{25, 1};
    c->pix_fmt = spec.chroma422 ? AV_PIX_FMT_YUV422P : AV_PIX_FMT_YUV420P;
    c->gop_size = spec.gop;
    c->max_b_frames = 0;
    c->thread_count = 1; // the same bytes on every run
    if (spec.interlaced) {
        c->flags |= AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME;
        c->field_order = AV_FIELD_TT;
    }
    av_opt_set(c->priv_data, "preset", "veryfast", 0);
    av_opt_set(c->priv_data, "crf", "16", 0);
    char params[128];
    std::snprintf(params, sizeof params, "keyint=%d:min-keyint=%d:scenecut=0:bframes=0:rc-lookahead=0",
                  spec.gop, spec.gop);
    std::string all = params;
    if (spec.sliceMaxMbs > 0)
        all += ":slice-max-mbs=" + std::to_string(spec.sliceMaxMbs);
    if (!spec.x264.empty())
        all += ":" + spec.x264;
    av_opt_set(c->priv_data, "x264-params", all.c_str(), 0);
    if (!spec.profile.empty())
        av_opt_set(c->priv_data, "profile", spec.profile.c_str(), 0);
    if (avcodec_open2(c, codec, nullptr) < 0)
        return out;

    AVFrame* f = frame.get();
    f->format = c->pix_fmt;
    f->width = c->width;
    f->height = c->height;
    if (av_frame_get_buffer(f, 0) < 0)
        return out;
    const int chromaRows = spec.chroma422 ? spec.height : spec.height / 2;
    int nextIndex = spec.firstIndex;
    for (int i = 0; i < spec.frames; ++i) {
        if (av_frame_make_writable(f) < 0)
            return {};
        DrawInto(spec, spec.firstIndex + (spec.still ? 0 : i), f->data, f->linesize, chromaRows);
        f->pts = i;
        f->pict_type = i % spec.gop == 0 ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
        f->interlaced_frame = spec.interlaced ? 1 : 0;
        f->top_field_first = spec.interlaced ? 1 : 0;
        if (avcodec_send_frame(c, f) < 0 || !Collect(c, packet.get(), out, nextIndex))
            return {};
    }
    if (avcodec_send_frame(c, nullptr) < 0 || !Collect(c, packet.get(), out, nextIndex))
        return {};
    if (static_cast<int>(out.size()) != spec.frames || !out.front().key)
        return {};
    return out;
}

std::vector<std::uint8_t> DrawPattern(const StreamSpec& spec, int index)
{
    const int w = spec.width;
    const int h = spec.height;
    std::vector<std::uint8_t> picture(static_cast<std::size_t>(w) * h * 3 / 2);
    std::uint8_t* planes[3] = {picture.data(), picture.data() + w * h, picture.data() + w * h * 5 / 4};
    const int strides[3] = {w, w / 2, w / 2};
    DrawInto(spec, index, planes, strides, h / 2);
    return picture;
}

std::vector<Probe> ExpectedProbes(const StreamSpec& spec, int index)
{
    std::vector<Probe> probes;
    const int w = spec.width;
    const int h = spec.height;
    const int cellWidth = w / kCounterBits;
    for (int bit = 0; bit < kCounterBits; ++bit) {
        Probe p;
        p.x = bit * cellWidth + cellWidth / 2;
        p.y = h / 4;
        p.Y = (index >> bit) & 1 ? kBitSet : kBitClear;
        p.U = 128;
        p.V = 128;
        probes.push_back(p);
    }
    Probe band;
    band.x = w / 2;
    band.y = 5 * h / 8;
    band.Y = kBandLuma;
    band.U = ChannelU(spec.channel);
    band.V = ChannelV(spec.channel);
    probes.push_back(band);
    return probes;
}

int SizeCodeFor(int width, int height)
{
    if (width >= 704)
        return height >= 480 ? 1 : 5;
    return 0;
}

bool IsLine576(int height)
{
    return height == 576 || height == 288 || height == 144;
}

FrameHeader MakeFrameHeader(int channel, int width, int height, std::uint32_t dataSize, bool key,
                            std::uint32_t timeSec, std::uint16_t timeMsec)
{
    FrameHeader h{};
    std::uint8_t* b = h.bytes;
    PutLE32(b + 0, kFrameMarker);
    const std::uint32_t stored = (static_cast<std::uint32_t>(kFrameHeaderSize) + dataSize) & 0xFFFFF;
    PutLE32(b + 8, (static_cast<std::uint32_t>(channel) & 0xF) |
                       (static_cast<std::uint32_t>(SizeCodeFor(width, height)) << 8) | (stored << 12));
    PutLE32(b + 12, timeSec);
    PutLE32(b + 16, IsLine576(height) ? 1u << 23 : 0u);
    PutLE32(b + 20, dataSize & 0xFFFFF);
    PutLE32(b + 24, static_cast<std::uint32_t>(timeMsec) << 16);
    PutLE32(b + 28, key ? 1u : 0u);
    return h;
}

std::vector<std::uint8_t> WrapFrame(const EncodedFrame& frame, int channel, int width, int height,
                                    std::uint32_t timeSec, std::uint16_t timeMsec)
{
    const FrameHeader h = MakeFrameHeader(
        channel, width, height, static_cast<std::uint32_t>(frame.data.size()), frame.key, timeSec, timeMsec);
    std::vector<std::uint8_t> out(kFrameHeaderSize + frame.data.size());
    std::memcpy(out.data(), h.bytes, kFrameHeaderSize);
    if (!frame.data.empty())
        std::memcpy(out.data() + kFrameHeaderSize, frame.data.data(), frame.data.size());
    return out;
}

bool WriteAnnexB(const std::vector<EncodedFrame>& frames, const std::string& path)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    for (const EncodedFrame& f : frames)
        file.write(reinterpret_cast<const char*>(f.data.data()), static_cast<std::streamsize>(f.data.size()));
    file.close();
    return !file.fail();
}

} // namespace k5streams
