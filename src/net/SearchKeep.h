// What the connection keeps of the remote search for the next search window:
// the playback hand-over, the last month and day answers (live lists), the
// copies taken when a playback started (kept lists) and the kept log records.
// One lock guards all of it: the receive thread replaces the live lists, the
// GUI thread writes the hand-over, and the rights change clears it.
#pragma once

#include "net/SearchAnswers.h"

#include <cstdint>
#include <mutex>
#include <vector>

// The note a Play of the search window leaves for the next one.
struct PlayHandOver
{
    std::uint8_t active = 0;    // 1 after a Play
    std::uint8_t fromLog = 0;   // 1 from a log page
    std::uint8_t view = 0;      // 0 date and time, 1 event list, 2 day timeline
    std::uint8_t logPage = 0;   // 0 All, 1 Event
    std::uint8_t eventKind = 0; // 0 alarm, 1 motion, 2 audio
    std::uint32_t startTime = 0;
    std::uint32_t channelMask = 0;

    bool operator==(const PlayHandOver&) const = default;
};

inline constexpr std::size_t kKeptLogLimit = 2500;

class CSearchKeep
{
public:
    PlayHandOver HandOver() const;
    bool HandOverActive() const;
    // Zeroes the block and writes `block`; with `keepLists` and a live day
    // list that is not empty, the kept lists become copies of the live ones.
    void WriteHandOver(const PlayHandOver& block, bool keepLists);
    void ClearHandOver();
    // The block and both kept lists (a rights change without search, a
    // hand-over of the other kind, the no-data choice).
    void ClearHandOverAndKept();
    void ClearKept();

    void SetLiveMonth(std::vector<YearRecord> records);
    void SetLiveDay(std::vector<DayIntervalRecord> records);
    std::vector<YearRecord> LiveMonth() const;
    std::vector<DayIntervalRecord> LiveDay() const;
    std::vector<YearRecord> KeptMonth() const;
    std::vector<DayIntervalRecord> KeptDay() const;

    // Log records as received (at most kKeptLogLimit).
    void SetKeptLog(std::vector<std::vector<std::uint8_t>> records);
    std::vector<std::vector<std::uint8_t>> KeptLog() const;
    void ClearKeptLog();

    // Everything (the disconnect).
    void Clear();

private:
    mutable std::mutex m_lock;
    PlayHandOver m_handOver;
    std::vector<YearRecord> m_liveMonth, m_keptMonth;
    std::vector<DayIntervalRecord> m_liveDay, m_keptDay;
    std::vector<std::vector<std::uint8_t>> m_keptLog;
};
