#include "setup/DateRules.h"

#include "setup/SetupImage.h"

#include <algorithm>
#include <ctime>

namespace {
int ClampInt(int v, int lo, int hi)
{
    return std::min(std::max(v, lo), hi);
}
int Mod7(long long v)
{
    const long long m = v % 7;
    return static_cast<int>(m < 0 ? m + 7 : m);
}
// Years the breakdown handles; the rule only ever sees the PC's or the
// recorder's year, both well inside.
int ClampYear(int year)
{
    return ClampInt(year, 1, 9999);
}
} // namespace

int DaysInRuleMonth(int month, int year)
{
    return DaysInMonth(year, ClampInt(month, 0, 11));
}

int FirstWeekdayOfMonth(int year, int month)
{
    return MonthStartAndLength(ClampYear(year), ClampInt(month, 0, 11)).firstWeekday;
}

int NthWeekdayDay(int year, int month, int week, int weekday)
{
    week = ClampInt(week, 0, 4);
    weekday = ClampInt(weekday, 0, 6);
    const int w1 = FirstWeekdayOfMonth(year, month);
    if (week == 4) {
        const int length = DaysInRuleMonth(month, year);
        const int wl = Mod7(w1 + length - 1);
        return length - Mod7(wl - weekday);
    }
    return 7 * week + Mod7(weekday - w1) + 1;
}

WeekAndWeekday DayToWeekAndWeekday(int year, int month, int day0)
{
    const int length = DaysInRuleMonth(month, year);
    day0 = ClampInt(day0, 0, length - 1);
    WeekAndWeekday r;
    r.weekday = Mod7(FirstWeekdayOfMonth(year, month) + day0);
    r.week = day0 / 7;
    if (r.week == 3 && day0 + 7 >= length)
        r.week = 4;
    return r;
}

std::int64_t WallSeconds(const WallTime& t)
{
    std::tm tm{};
    tm.tm_year = ClampYear(t.year) - 1900;
    tm.tm_mon = t.month - 1;
    tm.tm_mday = t.day;
    tm.tm_hour = t.hour;
    tm.tm_min = t.minute;
    tm.tm_sec = t.second;
    return static_cast<std::int64_t>(timegm(&tm));
}

bool BreakDownWall(std::int64_t seconds, WallTime& out)
{
    const std::time_t tt = static_cast<std::time_t>(seconds);
    std::tm tm{};
    if (gmtime_r(&tt, &tm) == nullptr)
        return false;
    out.year = tm.tm_year + 1900;
    out.month = tm.tm_mon + 1;
    out.day = tm.tm_mday;
    out.hour = tm.tm_hour;
    out.minute = tm.tm_min;
    out.second = tm.tm_sec;
    return true;
}

std::int64_t ClampRecorderTime(std::uint32_t answer, int zoneOffsetSeconds)
{
    std::int64_t t = static_cast<std::int32_t>(answer);
    if (t < zoneOffsetSeconds)
        t = zoneOffsetSeconds;
    if (t > kLatestRecorderTime)
        t = kLatestRecorderTime;
    // A PC west of Greenwich has a negative offset; a time before 1970 has
    // no breakdown the page can use.
    return std::max<std::int64_t>(t, 0);
}

bool InDstOverlap(std::int64_t clock, const ImageRef& image)
{
    WallTime now;
    if (!BreakDownWall(clock, now))
        return false;
    const auto b = [&](int i) { return static_cast<int>(image.Get(SetupDb::DstEnd, i)); };
    WallTime end;
    end.year = now.year;
    end.month = ClampInt(b(0), 0, 11) + 1;
    end.day = ClampInt(b(3), 0, 30) + 1;
    end.hour = ClampInt(b(4), 0, 23);
    end.minute = ClampInt(b(5), 0, 59);
    end.second = 0;
    const std::int64_t offset = static_cast<std::int64_t>(image.Get(SetupDb::DstOffsetHours)) * 3600 +
                                static_cast<std::int64_t>(image.Get(SetupDb::DstOffsetMinutes)) * 60;
    const std::int64_t d = WallSeconds(end) - clock;
    return d >= 0 && d <= offset;
}
