#include "net/TimeUtil.h"

#include "platform/Trace.h"

#include <mutex>

namespace {

std::mutex g_zoneLock;
ZoneOffset g_zone;

// Days since 1970-01-01 of a proleptic Gregorian date (month 1-12).
std::int64_t DaysFromCivil(std::int64_t y, std::int64_t m, std::int64_t d)
{
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// Seconds of broken-down fields read as UTC. The month may lie outside 0-11
// and the day, hour, minute and second outside their ranges; they carry over
// the way mktime carries them.
std::int64_t FieldsAsUtc(std::int64_t year, std::int64_t month0, std::int64_t mday, std::int64_t hour,
                         std::int64_t minute, std::int64_t second)
{
    year += month0 / 12;
    month0 %= 12;
    if (month0 < 0) {
        month0 += 12;
        year -= 1;
    }
    const std::int64_t days = DaysFromCivil(year, month0 + 1, 1) + (mday - 1);
    return days * 86400 + hour * 3600 + minute * 60 + second;
}

} // namespace

ZoneOffset ComputeZoneOffset(std::time_t now)
{
    std::tm local{};
    std::tm utc{};
    localtime_r(&now, &local);
    gmtime_r(&now, &utc);
    utc.tm_isdst = 0;
    const long d = static_cast<long>(std::mktime(&local) - std::mktime(&utc));
    ZoneOffset zone;
    zone.hour = static_cast<int>(d / 3600);
    zone.minute = static_cast<int>((d % 3600) / 60);
    zone.second = static_cast<int>(d % 60);
    return zone;
}

void SetClientZoneOffset(const ZoneOffset& zone)
{
    std::lock_guard<std::mutex> lock(g_zoneLock);
    g_zone = zone;
}

ZoneOffset ClientZoneOffset()
{
    std::lock_guard<std::mutex> lock(g_zoneLock);
    return g_zone;
}

bool GetTime_tToUsertime(std::int64_t time, Usertime& usertime)
{
    if (time < 0) {
        TRACE("GetTime_tToUsertime: negative time %lld\n", static_cast<long long>(time));
        return false;
    }
    const std::time_t t = static_cast<std::time_t>(time);
    std::tm tm{};
    if (gmtime_r(&t, &tm) == nullptr) {
        TRACE("GetTime_tToUsertime: time out of range\n");
        return false;
    }
    usertime.year = tm.tm_year + 1900;
    usertime.month = tm.tm_mon;
    usertime.day = tm.tm_mday - 1;
    usertime.hour = tm.tm_hour;
    usertime.minute = tm.tm_min;
    usertime.second = tm.tm_sec;
    return true;
}

std::int64_t UsertimeAsUtc(const Usertime& u)
{
    return FieldsAsUtc(u.year, u.month, std::int64_t(u.day) + 1, u.hour, u.minute, u.second);
}

std::int64_t UsertimeToTime_t(const Usertime& u, const ZoneOffset& zone)
{
    std::tm tm{};
    tm.tm_year = u.year - 1900;
    tm.tm_mon = u.month;
    tm.tm_mday = u.day + 1;
    tm.tm_hour = u.hour;
    tm.tm_min = u.minute;
    tm.tm_sec = u.second;
    tm.tm_isdst = -1;
    const std::time_t t = std::mktime(&tm); // tm now holds the normalised local fields
    std::tm check{};
    localtime_r(&t, &check);
    std::int64_t result = static_cast<std::int64_t>(t) + (check.tm_isdst > 0 ? 3600 : 0) + zone.Seconds();
    // A wall-clock time inside the hour the PC's clock skips never existed
    // locally, and mktime moved it by that hour. The recorder's clock may well
    // show it, so take the move back out: the answer stays the fields' own time.
    const std::int64_t moved = FieldsAsUtc(std::int64_t(check.tm_year) + 1900, check.tm_mon, check.tm_mday,
                                           check.tm_hour, check.tm_min, check.tm_sec) -
                               UsertimeAsUtc(u);
    result -= moved;
    return result;
}

std::int64_t UsertimeToTime_t(const Usertime& usertime)
{
    return UsertimeToTime_t(usertime, ClientZoneOffset());
}
