// The local calendar's data: which days of one year the downloaded
// recordings cover, by kind, and for each day the recordings that cover it,
// read from the index files of the download folder.
#pragma once

#include "local/LocalFileSet.h"
#include "local/LocalRecords.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One downloaded recording on one day (the values of a LocalDayInterval).
struct LocalInterval
{
    std::uint32_t channel_mask = 0;
    std::uint8_t kind = 0;
    std::uint32_t start_time = 0;
    std::uint32_t end_time = 0;
};

struct LocalYearMap
{
    int year = 0; // the year once an entry touches it, else 0
    std::array<std::array<std::uint8_t, 31>, 12> day_flags{};
    std::array<std::array<std::vector<LocalInterval>, 31>, 12> days;
};

// The interval an index entry gives: channel words ANDed, bits 16-31 from the
// per-camera flag word (as it stands for an event kind, complemented for
// kind 0); kind from byte 50, or byte 60 when 50 is 0 and flags are set.
LocalInterval IntervalFromEntry(const LocalIdxEntry& entry);

// Marks the days of `year` the entry covers (entries with a negative time are
// left out) and adds the entry's interval to each.
void MarkEntryDays(LocalYearMap& map, int year, const LocalIdxEntry& entry);

// Scans the folder's sets for `year`. Gives the scan's skipped-set report.
LocalScanResult ScanRecordedDays(const std::string& folder, int year, LocalYearMap& map);

// A month holds recordings when any day byte of it is set; a day is marked
// (clickable) when any of bits 0-5 is.
bool LocalMonthHasData(const LocalYearMap& map, int year, int month0);
bool LocalDayMarked(const LocalYearMap& map, int month0, int day0);

// The day's intervals moved out of the map into a chain the timeline owns.
std::unique_ptr<LocalDayInterval> TakeDayIntervals(LocalYearMap& map, int month0, int day0);
