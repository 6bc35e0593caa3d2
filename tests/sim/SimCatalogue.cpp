#include "SimCatalogue.h"

#include <algorithm>
#include <ctime>
#include <map>

namespace k5sim {

namespace {

constexpr std::uint32_t kDay = 86400;

std::uint32_t DayStart(std::uint32_t time) { return time - time % kDay; }

bool InMask(std::uint32_t mask, int channel) { return channel >= 0 && channel < 32 && (mask >> channel) & 1u; }

std::uint32_t RecordMask(const CatalogueInterval& interval)
{
    std::uint32_t mask = 1u << interval.channel;
    if (interval.flag)
        mask |= 1u << (16 + interval.channel);
    return mask;
}

// The overlap of [a0, a1) with [b0, b1), b1 0 meaning no end.
std::uint64_t Overlap(std::uint32_t a0, std::uint32_t a1, std::uint32_t b0, std::uint32_t b1)
{
    std::uint32_t lo = std::max(a0, b0);
    std::uint32_t hi = b1 == 0 ? a1 : std::min(a1, b1);
    return hi > lo ? hi - lo : 0;
}

} // namespace

Bytes BuildDayIntervalRecord(std::uint32_t mask, std::uint8_t kinds, std::uint32_t start, std::uint32_t end)
{
    Bytes out(kDayRecordSize, 0);
    PutBE32(out, 0, mask);
    out[4] = kinds;
    PutBE32(out, 16, start);
    PutBE32(out, 20, end);
    return out;
}

std::uint32_t RecorderTime(int year, int month, int day, int hour, int minute, int second)
{
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    return static_cast<std::uint32_t>(timegm(&tm));
}

void SplitRecorderTime(std::uint32_t time, int& year, int& month, int& day)
{
    std::time_t t = static_cast<std::time_t>(time);
    std::tm tm{};
    gmtime_r(&t, &tm);
    year = tm.tm_year + 1900;
    month = tm.tm_mon + 1;
    day = tm.tm_mday;
}

SimCatalogue SimCatalogue::Standard(int year, int month)
{
    auto at = [&](int day, int hour, int minute) { return RecorderTime(year, month, day, hour, minute); };
    SimCatalogue c;
    c.AddInterval({0, at(2, 0, 0), at(2, 6, 0), 0x01, false});
    c.AddInterval({0, at(2, 6, 30), at(2, 12, 0), 0x02, false});
    c.AddInterval({0, at(2, 12, 10), at(2, 12, 40), 0x04, false});
    c.AddInterval({0, at(2, 23, 0), at(3, 1, 30), 0x01, false});
    c.AddInterval({1, at(2, 8, 0), at(2, 9, 15), 0x06, true});
    c.AddInterval({1, at(2, 20, 0), at(2, 21, 0), 0x08, false});
    c.AddInterval({2, at(5, 10, 0), at(5, 11, 0), 0x10, false});
    c.AddInterval({3, at(5, 14, 0), at(5, 14, 20), 0x20, false});
    c.AddInterval({4, at(12, 0, 0), at(13, 0, 0), 0x01, false});
    c.AddEvent({1u << 0, 1, at(2, 7, 0), at(2, 7, 1)});
    c.AddEvent({1u << 1, 2, at(2, 8, 30), at(2, 8, 32)});
    c.AddEvent({1u << 2, 4, at(5, 10, 15), at(5, 10, 16)});
    return c;
}

SimCatalogue SimCatalogue::Demo(std::uint32_t now)
{
    int year = 0, month = 0, day = 0;
    SplitRecorderTime(now, year, month, day);
    int prevYear = month == 1 ? year - 1 : year;
    int prevMonth = month == 1 ? 12 : month - 1;
    SimCatalogue c = Standard(prevYear, prevMonth);
    c.Add(Standard(year, month));
    return c;
}

void SimCatalogue::AddInterval(const CatalogueInterval& interval)
{
    if (interval.channel < 0 || interval.channel >= 16 || interval.end <= interval.start)
        return;
    m_intervals.push_back(interval);
    std::stable_sort(m_intervals.begin(), m_intervals.end(),
                     [](const CatalogueInterval& a, const CatalogueInterval& b) { return a.start < b.start; });
}

void SimCatalogue::AddEvent(const CatalogueEvent& event)
{
    m_events.push_back(event);
    std::stable_sort(m_events.begin(), m_events.end(),
                     [](const CatalogueEvent& a, const CatalogueEvent& b) { return a.start < b.start; });
}

void SimCatalogue::Add(const SimCatalogue& other)
{
    for (const CatalogueInterval& i : other.m_intervals)
        AddInterval(i);
    for (const CatalogueEvent& e : other.m_events)
        AddEvent(e);
}

Bytes SimCatalogue::YearRecords(bool splitYears) const
{
    // year -> month 0-11 x day 0-30 flags
    std::map<int, std::vector<std::uint8_t>> years;
    for (const CatalogueInterval& i : m_intervals) {
        for (std::uint32_t d = DayStart(i.start); d < i.end; d += kDay) {
            int y = 0, m = 0, dd = 0;
            SplitRecorderTime(d, y, m, dd);
            std::vector<std::uint8_t>& flags = years[y];
            flags.resize(12 * 31, 0);
            flags[static_cast<std::size_t>((m - 1) * 31 + (dd - 1))] = 1;
        }
    }
    Bytes out;
    for (const auto& entry : years) {
        // Plain names: older compilers refuse structured bindings captured by a lambda.
        const auto year = entry.first;
        const auto& flags = entry.second;
        auto emit = [&](int firstMonth, int endMonth) {
            Bytes record(kYearRecordSize, 0);
            PutBE32(record, 0, static_cast<std::uint32_t>(year));
            for (int m = firstMonth; m < endMonth; ++m)
                for (int d = 0; d < 31; ++d)
                    record[static_cast<std::size_t>(4 + m * 31 + d)] = flags[static_cast<std::size_t>(m * 31 + d)];
            out.insert(out.end(), record.begin(), record.end());
        };
        if (splitYears) {
            emit(0, 6);
            emit(6, 12);
        } else {
            emit(0, 12);
        }
    }
    return out;
}

std::vector<CatalogueInterval> SimCatalogue::DayIntervals(int year, int month, int day) const
{
    std::uint32_t from = RecorderTime(year, month, day);
    std::uint32_t to = from + kDay;
    std::vector<CatalogueInterval> out;
    for (const CatalogueInterval& i : m_intervals)
        if (i.start < to && i.end > from)
            out.push_back(i);
    return out;
}

Bytes SimCatalogue::DayRecords(int year, int month, int day) const
{
    Bytes out;
    for (const CatalogueInterval& i : DayIntervals(year, month, day)) {
        Bytes r = BuildDayIntervalRecord(RecordMask(i), i.kinds, i.start, i.end);
        out.insert(out.end(), r.begin(), r.end());
    }
    return out;
}

Bytes SimCatalogue::AllEvents() const { return EventsIn(0xFFFFFFFFu, 0xFF, 0, 0); }

Bytes SimCatalogue::EventsIn(std::uint32_t mask, std::uint8_t kinds, std::uint32_t start, std::uint32_t end) const
{
    Bytes out;
    for (const CatalogueEvent& e : m_events) {
        if ((e.mask & mask & 0xFFFFu) == 0 || (e.kind & kinds) == 0)
            continue;
        if (e.end <= start || (end != 0 && e.start >= end))
            continue;
        Bytes r = BuildDayIntervalRecord(e.mask, e.kind, e.start, e.end);
        out.insert(out.end(), r.begin(), r.end());
    }
    return out;
}

std::uint32_t SimCatalogue::RecordedFrom(std::uint32_t mask, std::uint32_t start) const
{
    std::uint32_t out = 0;
    for (const CatalogueInterval& i : m_intervals)
        if (InMask(mask, i.channel) && i.end > start)
            out |= 1u << i.channel;
    return out;
}

bool SimCatalogue::FirstRecorded(std::uint32_t mask, std::uint32_t start, std::uint32_t& first) const
{
    bool found = false;
    for (const CatalogueInterval& i : m_intervals) {
        if (!InMask(mask, i.channel) || i.end <= start)
            continue;
        std::uint32_t t = std::max(i.start, start);
        if (!found || t < first)
            first = t;
        found = true;
    }
    return found;
}

std::uint64_t SimCatalogue::RecordedSeconds(std::uint32_t mask, std::uint32_t start, std::uint32_t end,
                                            std::uint8_t kinds) const
{
    std::uint64_t total = 0;
    for (const CatalogueInterval& i : m_intervals)
        if (InMask(mask, i.channel) && (i.kinds & kinds) != 0)
            total += Overlap(i.start, i.end, start, end);
    return total;
}

std::uint32_t SimCatalogue::BackupSizeKB(std::uint32_t mask, std::uint32_t start, std::uint32_t end,
                                         std::uint8_t kinds, std::uint32_t kbPerSecond) const
{
    std::uint64_t kb = RecordedSeconds(mask, start, end, kinds) * kbPerSecond;
    return kb > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<std::uint32_t>(kb);
}

std::vector<CatalogueFrame> SimCatalogue::Frames(std::uint32_t mask, std::uint32_t start, std::uint32_t end,
                                                 int perSecond, std::size_t limit) const
{
    std::vector<CatalogueFrame> out;
    std::uint32_t t = 0;
    if (perSecond <= 0 || !FirstRecorded(mask, start, t))
        return out;
    std::uint32_t last = 0;
    for (const CatalogueInterval& i : m_intervals)
        if (InMask(mask, i.channel))
            last = std::max(last, i.end);
    if (end != 0)
        last = std::min(last, end);
    while (t < last) {
        std::uint32_t channels = 0;
        std::uint32_t next = last;
        for (const CatalogueInterval& i : m_intervals) {
            if (!InMask(mask, i.channel))
                continue;
            if (i.start <= t && t < i.end)
                channels |= 1u << i.channel;
            else if (i.start > t)
                next = std::min(next, i.start);
        }
        if (channels == 0) {
            t = next; // skip the gap at once
            continue;
        }
        for (int k = 0; k < perSecond; ++k)
            for (int c = 0; c < 16; ++c)
                if ((channels >> c) & 1u) {
                    out.push_back({c, t});
                    if (limit != 0 && out.size() >= limit)
                        return out;
                }
        ++t;
    }
    return out;
}

} // namespace k5sim
