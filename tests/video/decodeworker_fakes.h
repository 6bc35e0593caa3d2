// Fakes for the decode worker's tests: a grid that keeps real picture
// buffers and records what the worker asked of it, an environment with
// settable answers, and a scripted decoder library.
#pragma once

#include "streams/TestStreams.h"
#include "video/PictureBuffer.h"
#include "video/VideoDecodeThread.h"
#include "video/YuvToRgb.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace decodeworkertest {

using namespace std::chrono_literals;
constexpr auto kWait = 10s; // an upper bound for waits that normally end at once

// ---------------------------------------------------------------------------

class FakeGrid : public GridSink
{
public:
    explicit FakeGrid(int format = PictureBuffer::kFormatYuv420, int viewMode = 1) : format(format), viewMode(viewMode)
    {
        for (auto& p : pictures)
            p = std::make_unique<PictureBuffer>();
    }

    // VideoGridSink
    void SetChannelBlocked(int, bool) override {}
    bool IsChannelBlocked(int) const override { return false; }
    void SetActiveChannels(std::uint32_t, bool) override {}
    void Repaint(bool) override {}
    void LeaveFullScreen() override {}
    int SingleViewChannel() const override { return singleView; }

    // GridSink
    int GetPictureFormat() const override { return format; }
    PictureBuffer* GetPicture(int channel) override
    {
        return channel >= 0 && channel < 16 ? pictures[channel].get() : nullptr;
    }
    void ClearPicture(int channel) override
    {
        Note("clear");
        pictures[channel]->ClearWrite();
    }
    void FlipPicture(int channel, int width, int height, bool servedModel) override
    {
        Note("flip");
        std::vector<std::uint8_t> scratch;
        FlipRgbPicture(pictures[channel]->WriteBuffer(), width, height,
                       PictureHasSplitFields(height, viewMode, servedModel), scratch);
    }
    void DeinterlacePicture(int, int, int, bool rgb, int method) override
    {
        Note(std::string("deinterlace ") + (rgb ? "rgb " : "yuv ") + std::to_string(method));
    }
    void PrepareYuvPicture(int, int, int, bool, bool doubleLines) override
    {
        Note(doubleLines ? "yuv double" : "yuv");
    }
    int GetViewMode() const override { return viewMode; }
    int GetOsdMode() const override { return osdMode; }
    void GetOsdFont(int& points, int& weight, std::string& face) const override
    {
        points = 13;
        weight = 700;
        face = "Arial Bold";
    }
    bool GetCellSize(int, int& width, int& height) const override
    {
        width = cellWidth.load();
        height = 140;
        return true;
    }
    std::string FitOsdText(int, int width, std::string_view text, bool localName) const override
    {
        ++fits;
        return (localName ? "L:" : "") + std::string(text) + "@" + std::to_string(width);
    }
    int GetFrameRate(int) const override { return 25; }
    void SetSpeedIconPos(int, int offset, bool) override { speedIcon = offset; }
    void SetWatermarkIconPos(int, int offset, bool) override { watermarkIcon = offset; }
    void SetAudioMark(int channel, int mark, int, bool) override { audioMark[channel] = mark; }
    void SetWatermarkState(int, int) override {}
    bool PublishPicture(int channel, const GridFrame& frame) override
    {
        if (!pictures[channel]->Publish(frame.width, frame.height, format))
            return false;
        {
            std::lock_guard<std::mutex> lock(m);
            frames.push_back({channel, frame});
            ++published[channel];
        }
        cv.notify_all();
        return true;
    }
    void ClearZoom() override { zoomCleared = true; }

    // Waits until `n` pictures of the channel were published.
    bool WaitPublished(int channel, int n)
    {
        std::unique_lock<std::mutex> lock(m);
        return cv.wait_for(lock, kWait, [&] { return published[channel] >= n; });
    }
    int Published(int channel)
    {
        std::lock_guard<std::mutex> lock(m);
        return published[channel];
    }
    std::vector<std::pair<int, GridFrame>> Frames()
    {
        std::lock_guard<std::mutex> lock(m);
        return frames;
    }
    std::vector<std::string> Notes()
    {
        std::lock_guard<std::mutex> lock(m);
        return notes;
    }

    std::atomic<int> format;
    std::atomic<int> viewMode;
    std::atomic<int> singleView{-1};
    std::atomic<int> osdMode{0};
    std::atomic<int> cellWidth{176};
    mutable std::atomic<int> fits{0};
    std::atomic<int> speedIcon{0};
    std::atomic<int> watermarkIcon{0};
    std::array<std::atomic<int>, 16> audioMark{};
    std::atomic<bool> zoomCleared{false};
    std::array<std::unique_ptr<PictureBuffer>, 16> pictures;

private:
    void Note(const std::string& s)
    {
        std::lock_guard<std::mutex> lock(m);
        notes.push_back(s);
    }

    std::mutex m;
    std::condition_variable cv;
    std::array<int, 16> published{};
    std::vector<std::pair<int, GridFrame>> frames;
    std::vector<std::string> notes;
};

// ---------------------------------------------------------------------------

class FakeEnv : public DecodeEnv
{
public:
    bool DropLiveFrame(int) const override { return dropLive; }
    std::uint32_t PlaybackClockTime(int) const override { return playClock; }
    void SetMainClockTime(std::uint32_t time) override { mainClock = time; }
    std::string LocalCameraName(int) const override
    {
        std::lock_guard<std::mutex> lock(m);
        return localName;
    }
    std::string RecorderCameraName(int) const override
    {
        std::lock_guard<std::mutex> lock(m);
        return recorderName;
    }
    bool DeinterlaceOn(int) const override { return deinterlace; }
    bool ServedModel() const override { return served; }
    AudioMarkInputs AudioMarkState(int, int, bool) const override { return AudioMarkInputs{}; }
    void ReportDecoderInitError() override { ++initErrors; }

    void SetNames(const std::string& local, const std::string& recorder)
    {
        std::lock_guard<std::mutex> lock(m);
        localName = local;
        recorderName = recorder;
    }

    std::atomic<bool> dropLive{false};
    std::atomic<std::uint32_t> playClock{0};
    std::atomic<std::uint32_t> mainClock{0};
    std::atomic<bool> deinterlace{true};
    std::atomic<bool> served{true};
    std::atomic<int> initErrors{0};

private:
    mutable std::mutex m;
    std::string localName;
    std::string recorderName = "CAM";
};

// ---------------------------------------------------------------------------
// A scripted decoder library. The entry points are plain functions (as the
// real library's are), so the script is one object for the whole process;
// ScriptedDecoder::Use makes a test's script the current one.

struct DecoderCall
{
    std::uint32_t format = 0; // context word 6 at the call
    int length = 0;
    std::uint8_t firstByte = 0;
};

class ScriptedDecoder
{
public:
    ScriptedDecoder() { Current() = this; }
    ~ScriptedDecoder() { Current() = nullptr; }

    static ScriptedDecoder*& Current()
    {
        static ScriptedDecoder* current = nullptr;
        return current;
    }

    DecoderEntryPoints Entries(bool withLibrary = true) const
    {
        if (!withLibrary)
            return {};
        return {&InitFn, &UninitFn, &GetOneFrameFn, &SetOutputFn};
    }

    // Results of the next calls in order; once used up, `fallback`.
    void Script(std::vector<int> results, int fallbackResult = 0)
    {
        std::lock_guard<std::mutex> lock(m);
        script.assign(results.begin(), results.end());
        fallback = fallbackResult;
    }
    // The next call blocks until Release (the worker is then busy).
    void HoldNextCall()
    {
        std::lock_guard<std::mutex> lock(m);
        hold = true;
        held = false;
    }
    bool WaitHeld()
    {
        std::unique_lock<std::mutex> lock(m);
        return cv.wait_for(lock, kWait, [&] { return held; });
    }
    void Release()
    {
        {
            std::lock_guard<std::mutex> lock(m);
            hold = false;
        }
        cv.notify_all();
    }
    std::vector<DecoderCall> Calls()
    {
        std::lock_guard<std::mutex> lock(m);
        return calls;
    }
    std::vector<std::array<int, 3>> Outputs()
    {
        std::lock_guard<std::mutex> lock(m);
        return outputs;
    }

    std::atomic<int> initResult{0};
    std::atomic<int> inits{0};
    std::atomic<int> uninits{0};

private:
    static int InitFn(H264DecContext* ctx)
    {
        ScriptedDecoder* d = Current();
        ++d->inits;
        if (d->initResult != 0)
            return d->initResult;
        ctx->word[4] = 1;
        return 0;
    }
    static int UninitFn(H264DecContext* ctx)
    {
        ScriptedDecoder* d = Current();
        ++d->uninits;
        ctx->word[4] = 0;
        return 0;
    }
    static int SetOutputFn(H264DecContext*, int width, int height, int capacity)
    {
        ScriptedDecoder* d = Current();
        std::lock_guard<std::mutex> lock(d->m);
        d->outputs.push_back({width, height, capacity});
        return 0;
    }
    static int GetOneFrameFn(H264DecContext* ctx, const std::uint8_t* data, int length, std::uint8_t* picture)
    {
        ScriptedDecoder* d = Current();
        std::unique_lock<std::mutex> lock(d->m);
        d->calls.push_back({ctx->word[6], length, length > 0 ? data[0] : std::uint8_t(0)});
        if (d->hold) {
            d->held = true;
            d->cv.notify_all();
            d->cv.wait(lock, [&] { return !d->hold; });
        }
        int r = d->fallback;
        if (!d->script.empty()) {
            r = d->script.front();
            d->script.pop_front();
        }
        if (r == 0 && length > 0)
            picture[0] = data[0]; // the picture carries the frame's first byte
        return r;
    }

    std::mutex m;
    std::condition_variable cv;
    std::deque<int> script;
    int fallback = 0;
    bool hold = false;
    bool held = false;
    std::vector<DecoderCall> calls;
    std::vector<std::array<int, 3>> outputs;
};

// ---------------------------------------------------------------------------

// A queued frame of `kind` with `size` bytes of data; its first data byte is
// `tag` (the scripted decoder copies it into the picture).
inline std::unique_ptr<QueuedFrame> MakeFrame(int channel, int kind, std::uint32_t generation, std::uint8_t tag,
                                              int width = 352, int height = 288, std::size_t size = 64)
{
    FrameInfo info{};
    info.channel = static_cast<std::uint8_t>(channel);
    info.frame_type = static_cast<std::uint8_t>(kind);
    info.width = static_cast<std::uint16_t>(width);
    info.height = static_cast<std::uint16_t>(height);
    info.stream_seq = generation;
    info.data_size = static_cast<std::uint32_t>(size);
    info.frame_size = static_cast<std::uint32_t>(size + kFrameHeaderSize);
    info.time_sec = 1199145600u + tag;
    info.audio_channel = 0xFFFF;
    std::vector<std::uint8_t> frame(kFrameHeaderSize + size, 0);
    frame[kFrameHeaderSize] = tag;
    return QueuedFrame::Make(info, WireHeader::Make(LIVE_DATA), frame.data(), frame.size());
}

} // namespace decodeworkertest

namespace decodeworkertest {

// Probe points of a picture that miss the pattern of frame `index` (YUV
// planar, or B, G, R lines stored bottom-up).
inline int ProbeMisses(const std::uint8_t* picture, int format, const k5streams::StreamSpec& spec, int index)
{
    constexpr int kYuvTolerance = 4;
    constexpr int kBgrTolerance = 10;
    const int w = spec.width;
    const int h = spec.height;
    int misses = 0;
    for (const k5streams::Probe& p : k5streams::ExpectedProbes(spec, index)) {
        if (format == PictureBuffer::kFormatYuv420) {
            const std::uint8_t* u = picture + w * h;
            const std::uint8_t* v = u + (w / 2) * (h / 2);
            misses += std::abs(int(picture[p.y * w + p.x]) - p.Y) > kYuvTolerance;
            misses += std::abs(int(u[(p.y / 2) * (w / 2) + p.x / 2]) - p.U) > kYuvTolerance;
            misses += std::abs(int(v[(p.y / 2) * (w / 2) + p.x / 2]) - p.V) > kYuvTolerance;
        } else {
            std::uint8_t bgr[3];
            YuvPixelToBgr(p.Y, p.U, p.V, bgr);
            const std::uint8_t* q = picture + (std::size_t(h - 1 - p.y) * w + p.x) * 3;
            for (int c = 0; c < 3; ++c)
                misses += std::abs(int(q[c]) - int(bgr[c])) > kBgrTolerance;
        }
    }
    return misses;
}

// The frame counter a planar YUV picture shows (read at the probe points of
// the counter columns).
inline int PictureCounter(const std::uint8_t* picture, const k5streams::StreamSpec& spec)
{
    int counter = 0;
    const auto probes = k5streams::ExpectedProbes(spec, 0);
    for (int bit = 0; bit < 8; ++bit) {
        const k5streams::Probe& p = probes[std::size_t(bit)];
        if (picture[p.y * spec.width + p.x] > 128)
            counter |= 1 << bit;
    }
    return counter;
}

// A frame of a generated stream as the receive thread queues it.
inline std::unique_ptr<QueuedFrame> QueuedFromStream(const k5streams::EncodedFrame& f, const k5streams::StreamSpec& spec,
                                                     std::uint32_t generation)
{
    const std::vector<std::uint8_t> bytes =
        k5streams::WrapFrame(f, spec.channel, spec.width, spec.height, 1199145600u + std::uint32_t(f.index));
    FrameHeaderFields fields;
    ParseFrameHeader(bytes.data(), fields);
    FrameInfo info;
    MakeFrameInfo(fields, info);
    info.stream_seq = generation;
    return QueuedFrame::Make(info, WireHeader::Make(LIVE_DATA), bytes.data(), bytes.size());
}

} // namespace decodeworkertest
