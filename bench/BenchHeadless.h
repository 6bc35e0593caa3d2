// What the end-to-end benchmarks share: the process's CPU clocks and a video
// grid of picture buffers without anything that draws.
#pragma once

#include "video/GridSink.h"

#include <array>
#include <atomic>
#include <ctime>
#include <memory>
#include <string>
#include <string_view>
#include <sys/resource.h>

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
