// What the simulated recorder has on its disk: per-camera recordings and an
// event list, with the queries its search, playback and backup answers are
// built from.
//
// Times are recorder seconds (the recorder's wall clock read as UTC), so day
// boundaries are plain UTC days. Answer records are written here from the
// protocol, big-endian, independent of the client's decoders.
#pragma once

#include "RecorderSim.h"

#include <cstdint>
#include <vector>

namespace k5sim {

inline constexpr std::size_t kYearRecordSize = 376; // u32 year, 12 x 31 day flags
inline constexpr std::size_t kDayRecordSize = 24;   // mask, kinds, reserved, start, end

// One stretch of recording of one camera.
struct CatalogueInterval
{
    int channel = 0;        // 0-15
    std::uint32_t start = 0; // recorder seconds
    std::uint32_t end = 0;   // exclusive
    std::uint8_t kinds = 1; // six kind bits 0-5
    bool flag = false;      // sets bit 16 + channel in the record's mask
};

// One event of the event list (kind 1 alarm, 2 motion, 4 audio).
struct CatalogueEvent
{
    std::uint32_t mask = 0;
    std::uint8_t kind = 1;
    std::uint32_t start = 0;
    std::uint32_t end = 0;
};

// One picture of a backup or playback stream: whose and when.
struct CatalogueFrame
{
    int channel = 0;
    std::uint32_t time = 0;
};

// A 24-byte record as the recorder sends it.
Bytes BuildDayIntervalRecord(std::uint32_t mask, std::uint8_t kinds, std::uint32_t start, std::uint32_t end);
// Recorder seconds of a date and time (month 1-12, day 1-31), and back.
std::uint32_t RecorderTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
void SplitRecorderTime(std::uint32_t time, int& year, int& month, int& day);

class SimCatalogue
{
public:
    SimCatalogue() = default;

    // A fixed catalogue over one month (month 1-12), the one the tests know:
    //  day 2:  camera 1 00:00-06:00 kinds 0x01, 06:30-12:00 kinds 0x02 (hour
    //          gap), 12:10-12:40 kinds 0x04 (minute gap), 23:00-01:30 of
    //          day 3 kinds 0x01 (across midnight);
    //          camera 2 08:00-09:15 kinds 0x06 with its flag, 20:00-21:00
    //          kinds 0x08;
    //  day 5:  camera 3 10:00-11:00 kinds 0x10; camera 4 14:00-14:20 kinds 0x20;
    //  day 12: camera 5 00:00-24:00 kinds 0x01;
    //  events: kind 1 camera 1 day 2 07:00-07:01, kind 2 camera 2 day 2
    //          08:30-08:32, kind 4 camera 3 day 5 10:15-10:16.
    static SimCatalogue Standard(int year, int month);
    // The demo recorder: the standard catalogue over the month of `now` and
    // the month before it.
    static SimCatalogue Demo(std::uint32_t now);

    void AddInterval(const CatalogueInterval& interval);
    void AddEvent(const CatalogueEvent& event);
    void Add(const SimCatalogue& other);
    const std::vector<CatalogueInterval>& Intervals() const { return m_intervals; }
    const std::vector<CatalogueEvent>& Events() const { return m_events; }

    // Month answer: one YearRecord per year that holds a recording, years
    // ascending. With `splitYears` each year's days come in two records (the
    // first half of the months, then the rest), as some recorders send them.
    Bytes YearRecords(bool splitYears = false) const;
    // Day answer: a record for every interval that touches the day (month
    // 1-12, day 1-31), in start order, times as recorded (not cut at midnight).
    Bytes DayRecords(int year, int month, int day) const;
    // The intervals behind DayRecords.
    std::vector<CatalogueInterval> DayIntervals(int year, int month, int day) const;
    // EVENT_INFO_REQ: every event.
    Bytes AllEvents() const;
    // EVENT_TIME_REQ: events of a camera in `mask`, whose kind is in `kinds`,
    // overlapping [start, end) (end 0: no end).
    Bytes EventsIn(std::uint32_t mask, std::uint8_t kinds, std::uint32_t start, std::uint32_t end) const;

    // Cameras of `mask` recorded at or after `start`.
    std::uint32_t RecordedFrom(std::uint32_t mask, std::uint32_t start) const;
    // The first recorded second at or after `start` of the cameras in `mask`;
    // false when nothing follows.
    bool FirstRecorded(std::uint32_t mask, std::uint32_t start, std::uint32_t& first) const;
    // Recorded seconds of the cameras of `mask` within [start, end) (end 0:
    // no end), summed over the cameras; only stretches recorded with one of
    // `kinds`.
    std::uint64_t RecordedSeconds(std::uint32_t mask, std::uint32_t start, std::uint32_t end,
                                  std::uint8_t kinds = 0xFF) const;
    // TRANS_ON_REQ: the backup's size in KB, `kbPerSecond` for every camera
    // and recorded second of the range; an event's kind (a single kind bit)
    // counts only the stretches recorded with that kind. Saturates at u32.
    std::uint32_t BackupSizeKB(std::uint32_t mask, std::uint32_t start, std::uint32_t end,
                               std::uint8_t kinds = 0x3F, std::uint32_t kbPerSecond = 64) const;
    // TRANS_DATA_REQ / playback: the pictures of the range in time order,
    // `perSecond` per recorded second and camera, at most `limit` (0: all).
    std::vector<CatalogueFrame> Frames(std::uint32_t mask, std::uint32_t start, std::uint32_t end,
                                       int perSecond = 1, std::size_t limit = 0) const;

private:
    std::vector<CatalogueInterval> m_intervals;
    std::vector<CatalogueEvent> m_events;
};

} // namespace k5sim
