// What the end-to-end benchmarks share: the process's CPU clocks and a video
// grid of picture buffers without anything that draws, and the plain
// libavcodec yardstick they measure against.
#pragma once

#include "streams/TestStreams.h"
#include "video/GridSink.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <ctime>
#include <memory>
#include <string>
#include <string_view>
#include <sys/resource.h>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

inline double CpuSeconds(int who)
{
    rusage u{};
    getrusage(who, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

inline double ThreadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// The picture buffers and nothing that draws.
class HeadlessGrid : public GridSink
{
public:
    // The grid's view mode: 1 live, 3 local playback.
    explicit HeadlessGrid(int viewMode = 1) : m_viewMode(viewMode)
    {
        for (auto& p : m_pictures)
            p = std::make_unique<PictureBuffer>();
    }
    // Live audio plays only for the channel the grid shows alone.
    void SetSingleView(int channel) { m_singleView = channel; }
    int SingleViewChannel() const override { return m_singleView; }
    void SetChannelBlocked(int, bool) override {}
    bool IsChannelBlocked(int) const override { return false; }
    void SetActiveChannels(std::uint32_t, bool) override {}
    void Repaint(bool) override {}
    void LeaveFullScreen() override {}
    int GetPictureFormat() const override { return PictureBuffer::kFormatYuv420; }
    PictureBuffer* GetPicture(int channel) override
    {
        return channel >= 0 && channel < 16 ? m_pictures[channel].get() : nullptr;
    }
    void ClearPicture(int channel) override { m_pictures[channel]->ClearWrite(); }
    void FlipPicture(int, int, int, bool) override {}
    void DeinterlacePicture(int, int, int, bool, int) override {}
    void PrepareYuvPicture(int, int, int, bool, bool) override {}
    int GetViewMode() const override { return m_viewMode; }
    int GetOsdMode() const override { return 0; }
    void GetOsdFont(int& points, int& weight, std::string& face) const override
    {
        points = 13;
        weight = 700;
        face = "Arial Bold";
    }
    bool GetCellSize(int, int& width, int& height) const override
    {
        width = 200;
        height = 135;
        return true;
    }
    std::string FitOsdText(int, int, std::string_view text, bool) const override { return std::string(text); }
    int GetFrameRate(int) const override { return 25; }
    void SetSpeedIconPos(int, int, bool) override {}
    void SetWatermarkIconPos(int, int, bool) override {}
    void SetAudioMark(int, int, int, bool) override {}
    void SetWatermarkState(int, int) override {}
    bool PublishPicture(int channel, const GridFrame& frame) override
    {
        return m_pictures[channel]->Publish(frame.width, frame.height, PictureBuffer::kFormatYuv420);
    }
    void ClearZoom() override {}

private:
    std::array<std::unique_ptr<PictureBuffer>, 16> m_pictures;
    std::atomic<int> m_singleView{-1};
    int m_viewMode;
};

// Plain libavcodec in one thread (and, with `toGridFormat`, the conversion into
// the grid's picture format): CPU seconds per frame over `count` frames,
// looping the stream.
inline double YardstickPerFrame(const std::vector<k5streams::EncodedFrame>& frames, std::size_t count,
                                bool toGridFormat)
{
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
    AVCodecContext* c = avcodec_alloc_context3(codec);
    c->thread_count = 1;
    c->flags |= AV_CODEC_FLAG_LOW_DELAY;
    if (avcodec_open2(c, codec, nullptr) < 0)
        return 0;
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    std::vector<std::vector<std::uint8_t>> padded;
    for (const auto& f : frames) {
        padded.push_back(f.data);
        padded.back().resize(f.data.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
    }
    SwsContext* sws = nullptr;
    std::vector<std::uint8_t> picture;
    std::size_t decoded = 0;
    const double start = ThreadCpuSeconds();
    for (std::size_t i = 0; i < count; ++i) {
        auto& p = padded[i % padded.size()];
        packet->data = p.data();
        packet->size = static_cast<int>(frames[i % frames.size()].data.size());
        if (avcodec_send_packet(c, packet) != 0)
            continue;
        while (avcodec_receive_frame(c, frame) == 0) {
            ++decoded;
            if (!toGridFormat) {
                av_frame_unref(frame);
                continue;
            }
            sws = sws_getCachedContext(sws, frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                                       frame->width, frame->height, AV_PIX_FMT_YUV420P, SWS_POINT, nullptr,
                                       nullptr, nullptr);
            const int size = av_image_get_buffer_size(AV_PIX_FMT_YUV420P, frame->width, frame->height, 1);
            picture.resize(static_cast<std::size_t>(std::max(size, 0)));
            std::uint8_t* planes[4] = {};
            int strides[4] = {};
            av_image_fill_arrays(planes, strides, picture.data(), AV_PIX_FMT_YUV420P, frame->width, frame->height,
                                 1);
            if (sws)
                sws_scale(sws, frame->data, frame->linesize, 0, frame->height, planes, strides);
            av_frame_unref(frame);
        }
    }
    const double spent = ThreadCpuSeconds() - start;
    sws_freeContext(sws);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&c);
    return decoded > 0 ? spent / double(decoded) : 0;
}
