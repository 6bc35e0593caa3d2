// The day timeline shared by the search, backup and local timelines: the
// visible part of the day, pixel-time mapping, picking, drag zoom, zoom out,
// wheel scrolling, time labels and the bars of a day's intervals. No widgets.
#pragma once

#include "net/SearchAnswers.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

inline constexpr int kDaySeconds = 86400;
inline constexpr int kTimelineLeft = 113, kTimelineTop = 70, kTimelineRight = 402, kTimelineBottom = 359;
inline constexpr int kTimelinePixels = 288;
// Bars paint the 288 pixels from the left edge on and stop short of the
// grid's right border line at x 401.
inline constexpr int kTimelineBarEdge = kTimelineLeft + kTimelinePixels;

struct TimelineBar
{
    int row = 0;        // camera 0-15
    int kind = 0;       // 0-5
    int x1 = 0, x2 = 0; // painted columns x1 .. x2 - 1
    int Top() const { return 76 + 18 * row; }
    int Bottom() const { return 84 + 18 * row; }
};

// The date of the page's day: year, month 0-11, day 0-30.
struct TimelineDay
{
    int year = 2000;
    int month = 0;
    int day = 0;
};

class CTimelineView
{
public:
    int ViewStart() const { return m_nViewStart; }
    int ViewEnd() const { return m_nViewEnd; }
    int SecPerPixel() const { return m_nSecPerPixel; }
    int Picked() const { return m_nPicked; }
    void SetPicked(int seconds);
    void SetView(int start, int end); // for tests and restoring

    int X(int t) const { return kTimelineLeft + (t - m_nViewStart) / m_nSecPerPixel; }
    int T(int x) const { return (x - kTimelineLeft) * m_nSecPerPixel + m_nViewStart; }
    static int ClampX(int x)
    {
        return x < kTimelineLeft ? kTimelineLeft : (x > kTimelineRight - 1 ? kTimelineRight - 1 : x);
    }
    static bool InTimeline(int x, int y)
    {
        return x >= kTimelineLeft && x < kTimelineRight && y >= kTimelineTop && y <= kTimelineBottom;
    }

    // A click at pixel x picks its time.
    void Click(int x);
    // The end of a drag from `from` to `to` (pixels); false when nothing zoomed.
    bool DragZoom(int from, int to);
    // Right button: false at the whole day.
    bool ZoomOut();
    // One wheel message; false when pinned at an end (nothing redrawn).
    bool Wheel(int delta);
    // Arrow keys: one pixel's worth of seconds, within 0 .. 86400.
    void StepPicked(bool later);

    // Label texts of the four ticks, one every 72 pixels.
    std::array<std::string, 4> TimeLabels() const;
    // The cursor pixel of the picked time, or -1 when it lies outside; the
    // grid is drawn from GridFrom() on (right: none).
    int CursorX() const;
    int GridFrom() const;

    // Bars drawn so far in one drawing: a bar joins the previous bar of its
    // row only within the same drawing.
    struct Rows
    {
        std::array<int, 16> rowEnd{};
        std::vector<TimelineBar> bars;
    };
    // Adds the bars of one interval (recorder seconds) on `day` for the
    // cameras of bits 0-15 of `cameras`; kindOf(camera) gives the bar's kind
    // 0-5, or -1 when the camera draws none.
    void AddBars(Rows& rows, std::uint32_t startTime, std::uint32_t endTime, const TimelineDay& day,
                 std::uint32_t cameras, const std::function<int(int)>& kindOf) const;

    // The bars of `records` on `day` for the cameras of `channelMask`.
    std::vector<TimelineBar> Bars(const std::vector<DayIntervalRecord>& records, const TimelineDay& day,
                                  std::uint32_t channelMask) const;
    // The bar's kind: lowest of bits 0-5, kinds 1 and 2 drawn as 0 when the
    // camera's flag bit 16 + c is set; -1 when no bit is set.
    static int BarKind(std::uint8_t kinds, std::uint32_t mask, int camera);

private:
    int m_nViewStart = 0;
    int m_nViewEnd = kDaySeconds;
    int m_nSecPerPixel = 300;
    int m_nPicked = 0;
};

// "%02d : %02d : %02d" of a time of day (24:00:00 at the end of the day).
std::string FormatTimeOfDay(int seconds);
