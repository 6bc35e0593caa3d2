// The month calendar of the search and backup windows (and of the local
// search): which years, months and days hold recordings, and where the day
// cells go. No widgets here; the calendar page draws what this decides.
#pragma once

#include "net/SearchAnswers.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

inline constexpr int kCalendarFirstYear = 2000;
inline constexpr int kCalendarYears = 38; // 2000-2037

bool IsLeapYear(int year);
int DaysInMonth(int year, int month0);
// Weekday of the first of month0 (0 Sunday - 6 Saturday) and the month's length.
struct MonthStart
{
    int firstWeekday = 0;
    int length = 0;
};
MonthStart MonthStartAndLength(int year, int month0);
// "2000" .. "2037".
std::vector<std::string> BuildYearNames();

// Month button states as the skinned buttons number them.
inline constexpr int kCalNormal = 0, kCalSelected = 1, kCalDisabled = 3;

struct CalendarDayCell
{
    int day = 0; // 0-30
    int x = 0, y = 0, width = 52, height = 25;
    bool hasData = false;
    int state = 0;
};

class CSearchCalendarModel
{
public:
    // Chooses the year and month to show from `records` with the PC's year
    // `pcYear`. False when no year holds recordings (the no-data state: the
    // caller shows its notice).
    bool Init(std::vector<YearRecord> records, int pcYear);
    // The 12 x 31 day bytes of a year, from wherever the caller keeps them
    // (the local calendar reads the download folder for each year asked);
    // false when nothing of that year is known.
    using YearDaysSource = std::function<bool(int year, std::array<std::uint8_t, 372>& days)>;
    // As above over `source`, asked once for every year tried. A day is
    // marked when its byte has a bit of `dayMask`; a month holds recordings
    // when any byte of its days is non-zero.
    bool Init(YearDaysSource source, int pcYear, std::uint8_t dayMask);

    int Year() const { return m_nYear; }
    int Month() const { return m_nMonth; }
    int Day() const { return m_nDay; }
    int YearIndex() const { return m_nYearIndex; }
    bool HasYear() const { return m_bYearShown; }
    const std::array<int, 12>& MonthStates() const { return m_monthStates; }
    bool MonthHasData(int month0) const { return month0 >= 0 && month0 < 12 && m_monthData[month0]; }
    // The visible day cells of the shown month.
    std::vector<CalendarDayCell> DayCells() const;
    bool DayHasData(int day0) const;

    // A month button; false when nothing changes.
    bool OnMonthClicked(int month0);
    // A pick in the year pop-up; false when nothing changes.
    bool OnYearPicked(int index);
    // Remembers the day a request was sent for; false when the day holds no
    // recordings.
    bool PickDay(int day0);

private:
    // The highest month with recordings in m_nYear, or -1; sets month states.
    int FillMonths();
    // All records of m_nYear joined: a day holds recordings when any of them
    // says so.
    std::array<std::uint8_t, 372> YearDays(bool& found) const;

    std::vector<YearRecord> m_records;
    YearDaysSource m_source;
    std::array<std::uint8_t, 372> m_sourceDays{};
    std::uint8_t m_dayMask = 0xFF;
    int m_nYear = 0;
    int m_nMonth = 0;
    int m_nDay = 0;
    int m_nYearIndex = 0;
    bool m_bYearShown = false;
    std::array<int, 12> m_monthStates{};
    std::array<bool, 12> m_monthData{};
};
