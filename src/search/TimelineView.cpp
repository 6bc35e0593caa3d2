#include "search/TimelineView.h"

#include "net/TimeUtil.h"

#include <algorithm>
#include <cstdio>
#include <utility>

void CTimelineView::SetPicked(int seconds)
{
    m_nPicked = std::clamp(seconds, 0, kDaySeconds);
}

void CTimelineView::SetView(int start, int end)
{
    start = std::clamp(start, 0, kDaySeconds - kTimelinePixels);
    end = std::clamp(end, start + kTimelinePixels, kDaySeconds);
    m_nViewStart = start;
    m_nViewEnd = end;
    m_nSecPerPixel = std::max(1, (end - start) / kTimelinePixels);
}

void CTimelineView::Click(int x)
{
    SetPicked(T(ClampX(x)));
}

bool CTimelineView::DragZoom(int from, int to)
{
    from = ClampX(from);
    to = ClampX(to);
    if (from == to || m_nViewEnd - m_nViewStart <= kTimelinePixels)
        return false;
    const int lo = std::min(from, to), hi = std::max(from, to);
    int start = T(lo), end = T(hi);
    const int span = end - start;
    const bool rightwards = from < to;
    auto pinned = [&](int width) {
        if (rightwards) {
            end = start + width;
            if (end > kDaySeconds) {
                end = kDaySeconds;
                start = kDaySeconds - width;
            }
        } else {
            start = end - width;
            if (start < 0) {
                start = 0;
                end = width;
            }
        }
    };
    if (span >= 576) {
        m_nSecPerPixel = span / kTimelinePixels;
    } else if (span >= 432) {
        pinned(576);
        m_nSecPerPixel = 2;
    } else {
        pinned(288);
        m_nSecPerPixel = 1;
    }
    m_nViewStart = start;
    m_nViewEnd = end;
    return true;
}

bool CTimelineView::ZoomOut()
{
    if (m_nViewStart == 0 && m_nViewEnd == kDaySeconds)
        return false;
    const int half = (m_nViewEnd - m_nViewStart) / 2;
    int start = m_nViewStart - half, end = m_nViewEnd + half;
    if (start < 0) {
        end = std::min(kDaySeconds, end - start);
        start = 0;
    }
    if (end > kDaySeconds) {
        start = std::max(0, start - (end - kDaySeconds));
        end = kDaySeconds;
    }
    m_nViewStart = start;
    m_nViewEnd = end;
    m_nSecPerPixel = std::max(1, (end - start) / kTimelinePixels);
    return true;
}

bool CTimelineView::Wheel(int delta)
{
    const int span = m_nViewEnd - m_nViewStart;
    if (delta > 0) {
        if (m_nViewEnd + m_nSecPerPixel > kDaySeconds) {
            m_nViewEnd = kDaySeconds;
            m_nViewStart = kDaySeconds - span;
            return false;
        }
        m_nViewStart += m_nSecPerPixel;
        m_nViewEnd += m_nSecPerPixel;
    } else {
        if (m_nViewStart - m_nSecPerPixel < 0) {
            m_nViewStart = 0;
            m_nViewEnd = span;
            return false;
        }
        m_nViewStart -= m_nSecPerPixel;
        m_nViewEnd -= m_nSecPerPixel;
    }
    return true;
}

void CTimelineView::StepPicked(bool later)
{
    SetPicked(m_nPicked + (later ? m_nSecPerPixel : -m_nSecPerPixel));
}

std::array<std::string, 4> CTimelineView::TimeLabels() const
{
    std::array<std::string, 4> out;
    for (int k = 0; k < 4; ++k) {
        const int t = m_nViewStart + 72 * m_nSecPerPixel * k;
        const int h = t / 3600, m = (t % 3600) / 60, s = t % 60;
        char text[32];
        if (m == 0 && s == 0)
            std::snprintf(text, sizeof text, "%d", h);
        else if (s == 0)
            std::snprintf(text, sizeof text, "%d:%d", h, m);
        else
            std::snprintf(text, sizeof text, "%d:%d:%d", h, m, s);
        out[static_cast<std::size_t>(k)] = text;
    }
    return out;
}

int CTimelineView::CursorX() const
{
    const int x = X(m_nPicked);
    return x >= kTimelineLeft && x < kTimelineRight ? x : -1;
}

int CTimelineView::GridFrom() const
{
    const int x = X(m_nPicked);
    return x < kTimelineLeft ? kTimelineLeft : x;
}

int CTimelineView::BarKind(std::uint8_t kinds, std::uint32_t mask, int camera)
{
    int k = -1;
    for (int b = 0; b < 6; ++b) {
        if (kinds & (1u << b)) {
            k = b;
            break;
        }
    }
    if ((k == 1 || k == 2) && (mask >> (16 + camera)) & 1u)
        k = 0;
    return k;
}

namespace {

// Seconds of `time` within `day`: before it 0, after it 86399, the time of
// day when it falls on that very date (year, month and day compared).
int SecondsOnDay(std::uint32_t time, const TimelineDay& day, bool isEnd)
{
    // Times are signed on the recorder; one before 1970 counts as 1970.
    std::int64_t t = static_cast<std::int32_t>(time);
    if (t < 0)
        t = 0;
    Usertime u{};
    if (!GetTime_tToUsertime(t, u))
        return isEnd ? kDaySeconds - 1 : 0;
    const long have = u.year * 372L + u.month * 31L + u.day;
    const long want = day.year * 372L + day.month * 31L + day.day;
    if (have < want)
        return 0;
    if (have > want)
        return kDaySeconds - 1;
    return u.hour * 3600 + u.minute * 60 + u.second;
}

} // namespace

void CTimelineView::AddBars(Rows& rows, std::uint32_t startTime, std::uint32_t endTime, const TimelineDay& day,
                            std::uint32_t cameras, const std::function<int(int)>& kindOf) const
{
    const int s = SecondsOnDay(startTime, day, false);
    const int e = SecondsOnDay(endTime, day, true);
    for (int c = 0; c < 16; ++c) {
        if (!((cameras >> c) & 1u))
            continue;
        const int k = kindOf(c);
        if (k < 0)
            continue;
        int x1 = s < m_nViewStart ? kTimelineLeft : X(s);
        x1 = std::max(x1, kTimelineLeft);
        int x2 = e > m_nViewEnd ? kTimelineBarEdge : X(e);
        x2 = std::min(x2, kTimelineBarEdge);
        if (x1 == x2) {
            x2 = x1 + 1;
            // A sliver at the window's very end goes on its last pixel.
            if (x2 > kTimelineBarEdge) {
                x1 = kTimelineBarEdge - 1;
                x2 = kTimelineBarEdge;
            }
        }
        int& rowEnd = rows.rowEnd[static_cast<std::size_t>(c)];
        if (x1 == rowEnd + 1)
            x1 -= 1;
        rowEnd = x2;
        if (x1 <= x2)
            rows.bars.push_back({c, k, x1, x2});
    }
}

std::vector<TimelineBar> CTimelineView::Bars(const std::vector<DayIntervalRecord>& records,
                                             const TimelineDay& day, std::uint32_t channelMask) const
{
    Rows rows;
    for (const DayIntervalRecord& r : records)
        AddBars(rows, r.startTime, r.endTime, day, r.channelMask & channelMask,
                [&r](int c) { return BarKind(r.eventKinds, r.channelMask, c); });
    return std::move(rows.bars);
}

std::string FormatTimeOfDay(int seconds)
{
    seconds = std::clamp(seconds, 0, kDaySeconds);
    char text[32];
    std::snprintf(text, sizeof text, "%02d : %02d : %02d", seconds / 3600, (seconds % 3600) / 60,
                  seconds % 60);
    return text;
}
