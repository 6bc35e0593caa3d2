// Setup-change entries of the recorder's log decoded into rows: the entry
// once more, then one row per changed item with its label and the value
// before --> after. Bytes that name no known value show their number.
#pragma once

#include "search/RemoteLog.h"

#include <array>
#include <string>
#include <vector>

struct LogDetailContext
{
    bool connected = false;
    int subProductMajor = 0;     // hello record
    bool helloFlag2Bit0 = false; // "Pre/Post Event Duration" wording
    bool subProduct6 = false;
    int dateFormat = 0;
    ResText spaced; // ids with one leading blank
    ResText plain;
};

using LogDetailRow = std::array<std::string, 5>;

struct LogDetail
{
    std::vector<LogDetailRow> rows;
    bool region = false; // a motion region changed: the Region button shows
};

// The sub-kinds the viewer decodes: 4, 9, 13, 14, 16, 17, 18.
LogDetail DecodeSetupChange(const RemoteLogRecord& r, int subKind, const LogDetailContext& ctx);

// The 13 region bytes of each side that the detail viewer compares.
std::array<std::uint8_t, 13> RegionBefore(const RemoteLogRecord& r);
std::array<std::uint8_t, 13> RegionAfter(const RemoteLogRecord& r);

// The region grid's table: 9 rows of 11 cells (row x 11 + column), of which
// rows 0-7 and columns 0-9 come from the 10 bytes at `offset` (93 before,
// 124 after), least significant bit first.
inline constexpr std::size_t kRegionTableBytes = 99;
std::array<std::uint8_t, kRegionTableBytes> UnpackRegion(const RemoteLogRecord& r, std::size_t offset);
// The schedule grid's table (day x 24 + hour) from the 21 bytes at
// `offset` (88 before, 120 after): bit k is day k mod 7, hour k div 7.
inline constexpr std::size_t kScheduleTableBytes = 168;
std::array<std::uint8_t, kScheduleTableBytes> UnpackSchedule(const RemoteLogRecord& r, std::size_t offset);

// The channel whose picture lies under the region grid.
inline int RegionChannel(const RemoteLogRecord& r)
{
    return r.camera >= 1 && r.camera <= 16 ? static_cast<int>(r.camera) - 1 : 0;
}
