// The calendar of the daylight-saving rule and the recorder clock: months
// 0-11, weekdays 0 Sunday-6 Saturday, weeks 0-3 and 4 for the last, days of
// the month stored minus one. Every input is clamped to its range, so a
// damaged image byte gives a date, never a read out of a table.
//
// Clock values are naive wall-clock seconds: a date-time counted as if it
// were UTC, with no zone rules of the PC applied, so a rule's start and end
// compare with a clock the same way on every machine.
#pragma once

#include "search/SearchCalendar.h" // IsLeapYear, the month lengths and first weekdays

#include <cstdint>

class ImageRef;

// Length of month 0-11 in `year`.
int DaysInRuleMonth(int month, int year);
// Weekday (0 Sunday) of the first day of month 0-11.
int FirstWeekdayOfMonth(int year, int month);
// The day of the month (from 1) of the n-th (week 0-3) or last (week 4)
// weekday of the month.
int NthWeekdayDay(int year, int month, int week, int weekday);
struct WeekAndWeekday
{
    int week = 0;
    int weekday = 0;
};
// The week and weekday of day0 (day minus one); a fourth weekday that is also
// the month's last comes back as the last.
WeekAndWeekday DayToWeekAndWeekday(int year, int month, int day0);

struct WallTime
{
    int year = 1970;
    int month = 1; // 1-12
    int day = 1;   // 1-31
    int hour = 0;
    int minute = 0;
    int second = 0;
};
// Naive seconds of a wall-clock date-time; fields past their range carry over
// (day 31 of a 30-day month is the 1st of the next).
std::int64_t WallSeconds(const WallTime& t);
// The reverse; false for a value with no breakdown.
bool BreakDownWall(std::int64_t seconds, WallTime& out);

// 1 January 2037, 00:00:00: the latest recorder time the DST page accepts.
inline constexpr std::int64_t kLatestRecorderTime = 2114380800;
// The recorder's clock as the DST page keeps it: the answer read as signed
// 32 bits, raised to the PC's zone offset, lowered to 2037 and never below 0.
std::int64_t ClampRecorderTime(std::uint32_t answer, int zoneOffsetSeconds);

// True when `clock` lies in the stretch that repeats when daylight saving
// ends: the rule's end in the clock's year is 0 to offset seconds after the
// clock, both ends counting.
bool InDstOverlap(std::int64_t clock, const ImageRef& image);
