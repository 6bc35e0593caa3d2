// Recorder time and the six-field date-time record of the user interface.
//
// The recorder counts time as 32-bit seconds of its own wall-clock date and
// time read as if it were UTC. The user interface works in Usertime records.
#pragma once

#include <cstdint>
#include <ctime>

struct Usertime
{
    std::int32_t year;  // four digits
    std::int32_t month; // 0-11
    std::int32_t day;   // 0-30: the calendar day minus 1
    std::int32_t hour;  // 0-23
    std::int32_t minute;
    std::int32_t second;
};
static_assert(sizeof(Usertime) == 24);

// The PC's standard time-zone offset (local standard time minus UTC, without
// daylight saving); a zone west of Greenwich has negative parts.
struct ZoneOffset
{
    int hour = 0;
    int minute = 0;
    int second = 0;

    constexpr long Seconds() const { return hour * 3600L + minute * 60L + second; }
};

// The offset as the main window computes it at start: local and UTC broken-down
// times of `now` both given to mktime, the UTC one without daylight saving.
ZoneOffset ComputeZoneOffset(std::time_t now);

// The program-wide offset that the main window fills at start and every
// conversion without an explicit offset uses.
void SetClientZoneOffset(const ZoneOffset& zone);
ZoneOffset ClientZoneOffset();

// Splits recorder seconds by calendar arithmetic without any zone. A negative
// time leaves the record unchanged and returns false.
bool GetTime_tToUsertime(std::int64_t time, Usertime& usertime);

// Recorder seconds for the six fields: read as local time with the platform
// deciding daylight saving, one hour added while it is in force, then the
// standard zone offset added. With the PC's own offset this equals the fields
// read as UTC. Fields out of range are normalised the way mktime does.
std::int64_t UsertimeToTime_t(const Usertime& usertime, const ZoneOffset& zone);
std::int64_t UsertimeToTime_t(const Usertime& usertime);

// Seconds since 1970 of the fields read as UTC (days may overflow months).
std::int64_t UsertimeAsUtc(const Usertime& usertime);
