#include "search/SearchCalendar.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month0)
{
    static constexpr int kLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month0 < 0 || month0 > 11)
        return 31;
    return month0 == 1 && IsLeapYear(year) ? 29 : kLengths[month0];
}

MonthStart MonthStartAndLength(int year, int month0)
{
    MonthStart out;
    month0 = std::clamp(month0, 0, 11);
    long days = 365L * year - 364 + (year - 1) / 4 - (year - 1) / 100 + (year - 1) / 400;
    for (int m = 0; m < month0; ++m)
        days += DaysInMonth(year, m);
    out.firstWeekday = static_cast<int>(((days % 7) + 7) % 7);
    out.length = DaysInMonth(year, month0);
    return out;
}

std::vector<std::string> BuildYearNames()
{
    std::vector<std::string> names;
    for (int i = 0; i < kCalendarYears; ++i)
        names.push_back(std::to_string(kCalendarFirstYear + i));
    return names;
}

std::array<std::uint8_t, 372> CSearchCalendarModel::YearDays(bool& found) const
{
    if (m_source) {
        found = true;
        return m_sourceDays;
    }
    std::array<std::uint8_t, 372> days{};
    found = false;
    for (const YearRecord& r : m_records) {
        if (static_cast<int>(r.year) != m_nYear)
            continue;
        found = true;
        // Four flags at a time: a month answer may hold hundreds of records.
        for (std::size_t i = 0; i < days.size(); i += 4) {
            std::uint32_t a = 0, b = 0;
            std::memcpy(&a, days.data() + i, 4);
            std::memcpy(&b, r.dayFlags.data() + i, 4);
            a |= b;
            std::memcpy(days.data() + i, &a, 4);
        }
    }
    return days;
}

int CSearchCalendarModel::FillMonths()
{
    if (m_source) {
        m_sourceDays.fill(0);
        if (!m_source(m_nYear, m_sourceDays))
            m_sourceDays.fill(0);
    }
    bool found = false;
    const std::array<std::uint8_t, 372> days = YearDays(found);
    if (!found) {
        // No record of the year: every month is empty (the search for a year
        // with recordings tries up to 38 years).
        m_monthData.fill(false);
        m_monthStates.fill(kCalDisabled);
        return -1;
    }
    int last = -1;
    for (int m = 0; m < 12; ++m) {
        const int length = DaysInMonth(m_nYear, m);
        bool any = false;
        for (int d = 0; d < length && !any; ++d)
            any = days[static_cast<std::size_t>(m * 31 + d)] != 0;
        m_monthData[m] = any;
        m_monthStates[m] = any ? kCalNormal : kCalDisabled;
        if (any)
            last = m;
    }
    return last;
}

bool CSearchCalendarModel::Init(YearDaysSource source, int pcYear, std::uint8_t dayMask)
{
    m_source = std::move(source);
    m_dayMask = dayMask;
    return Init(std::vector<YearRecord>(), pcYear);
}

bool CSearchCalendarModel::Init(std::vector<YearRecord> records, int pcYear)
{
    m_records = std::move(records);
    // A PC clock outside the list starts the search at the nearest end of it;
    // each of the 38 years is tried once.
    const int first = std::clamp(pcYear, kCalendarFirstYear, kCalendarFirstYear + kCalendarYears - 1);
    m_nYear = first;
    int k = FillMonths();
    for (int tried = 1; k == -1 && tried < kCalendarYears; ++tried) {
        m_nYear = m_nYear <= kCalendarFirstYear ? m_nYear + kCalendarYears - 1 : m_nYear - 1;
        k = FillMonths();
    }
    if (k == -1) {
        m_nYear = first;
        m_nYearIndex = first - kCalendarFirstYear;
        m_nMonth = 0;
        m_bYearShown = false;
        m_monthStates.fill(kCalDisabled);
        m_monthData.fill(false);
        return false;
    }
    m_nMonth = k;
    m_monthStates[k] = kCalSelected;
    m_nYearIndex = m_nYear - kCalendarFirstYear;
    m_bYearShown = true;
    return true;
}

std::vector<CalendarDayCell> CSearchCalendarModel::DayCells() const
{
    std::vector<CalendarDayCell> cells;
    if (!m_bYearShown)
        return cells;
    const MonthStart ms = MonthStartAndLength(m_nYear, m_nMonth);
    for (int j = 0; j < ms.length; ++j) {
        CalendarDayCell cell;
        const int c = ms.firstWeekday + j;
        cell.day = j;
        cell.x = (c % 7) * 57 + 4;
        cell.y = (c / 7) * 30 + 107;
        cell.hasData = DayHasData(j);
        cell.state = cell.hasData ? kCalSelected : kCalNormal;
        cells.push_back(cell);
    }
    return cells;
}

bool CSearchCalendarModel::DayHasData(int day0) const
{
    if (!m_bYearShown || day0 < 0 || day0 >= DaysInMonth(m_nYear, m_nMonth))
        return false;
    bool found = false;
    const std::array<std::uint8_t, 372> days = YearDays(found);
    return (days[static_cast<std::size_t>(m_nMonth * 31 + day0)] & m_dayMask) != 0;
}

bool CSearchCalendarModel::OnMonthClicked(int month0)
{
    if (!m_bYearShown || month0 < 0 || month0 > 11 || month0 == m_nMonth || !m_monthData[month0])
        return false;
    for (int m = 0; m < 12; ++m)
        m_monthStates[m] = !m_monthData[m] ? kCalDisabled : (m == month0 ? kCalSelected : kCalNormal);
    m_nMonth = month0;
    return true;
}

bool CSearchCalendarModel::OnYearPicked(int index)
{
    if (index < 0 || index >= kCalendarYears || (m_bYearShown && index == m_nYearIndex))
        return false;
    m_nYearIndex = index;
    m_nYear = kCalendarFirstYear + index;
    const int k = FillMonths();
    // A year without recordings still shows January's days, none marked.
    m_bYearShown = true;
    if (k == -1) {
        m_nMonth = 0;
        m_monthStates.fill(kCalDisabled);
    } else {
        m_nMonth = k;
        m_monthStates[k] = kCalSelected;
    }
    return true;
}

bool CSearchCalendarModel::PickDay(int day0)
{
    if (!DayHasData(day0))
        return false;
    m_nDay = day0;
    return true;
}
