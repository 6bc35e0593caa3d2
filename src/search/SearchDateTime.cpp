#include "search/SearchDateTime.h"

#include "search/SearchCalendar.h"

#include <algorithm>
#include <cstdio>

CSearchDateTimeModel::CSearchDateTimeModel(const DateTimeVariant& variant, int todayYear, int todayMonth,
                                           int todayDay)
    : m_variant(variant)
{
    m_time[0] = Usertime{todayYear, todayMonth, todayDay, 0, 0, 0};
    if (variant.backup)
        m_time[1] = Usertime{todayYear, todayMonth, todayDay, 23, 59, 59};
    else
        m_time[1] = Usertime{2037, 11, 30, 23, 59, 59};
    m_bWithEnd = variant.backup;
}

DateField CSearchDateTimeModel::FieldAt(int position) const
{
    static constexpr DateField kTable[3][3] = {
        {DateField::Year, DateField::Month, DateField::Day},
        {DateField::Month, DateField::Day, DateField::Year},
        {DateField::Day, DateField::Month, DateField::Year},
    };
    const int f = m_nDateFormat == 0 ? 0 : (m_nDateFormat == 1 ? 1 : 2);
    return kTable[f][std::clamp(position, 0, 2)];
}

std::string CSearchDateTimeModel::DateCellText(int row, int position) const
{
    const Usertime& u = m_time[row == 0 ? 0 : 1];
    char text[16];
    switch (FieldAt(position)) {
    case DateField::Year:
        std::snprintf(text, sizeof text, "%04d.", u.year);
        break;
    case DateField::Month:
        std::snprintf(text, sizeof text, "%02d.", u.month + 1);
        break;
    case DateField::Day:
        std::snprintf(text, sizeof text, "%02d.", u.day + 1);
        break;
    }
    return text;
}

std::string CSearchDateTimeModel::TimeCellText(int row) const
{
    const Usertime& u = m_time[row == 0 ? 0 : 1];
    char text[32];
    std::snprintf(text, sizeof text, "%02d : %02d : %02d", u.hour, u.minute, u.second);
    return text;
}

CSearchDateTimeModel::ListSpec CSearchDateTimeModel::ListFor(int itemId) const
{
    ListSpec spec;
    const Usertime& u = m_time[RowOfItem(itemId)];
    char text[16];
    switch (FieldAt(itemId % 4)) {
    case DateField::Year:
        for (int i = 0; i < kCalendarYears; ++i) {
            std::snprintf(text, sizeof text, "%04d", kCalendarFirstYear + i);
            spec.items.push_back(text);
        }
        spec.width = 210;
        spec.fourPerRow = true;
        break;
    case DateField::Month:
        for (int i = 0; i < 12; ++i) {
            std::snprintf(text, sizeof text, "%02d", i + 1);
            spec.items.push_back(text);
        }
        spec.width = 50;
        break;
    case DateField::Day:
        for (int i = 0; i < DaysInMonth(u.year, u.month); ++i) {
            std::snprintf(text, sizeof text, "%02d", i + 1);
            spec.items.push_back(text);
        }
        spec.width = 180;
        spec.fourPerRow = true;
        break;
    }
    return spec;
}

bool CSearchDateTimeModel::OnListPicked(int itemId, int index)
{
    if (index < 0)
        return false;
    const int row = RowOfItem(itemId);
    Usertime& u = m_time[static_cast<std::size_t>(row)];
    const Usertime old = u;
    switch (FieldAt(itemId % 4)) {
    case DateField::Year:
        if (index >= kCalendarYears)
            return false;
        u.year = kCalendarFirstYear + index;
        break;
    case DateField::Month:
        if (index > 11)
            return false;
        u.month = index;
        break;
    case DateField::Day:
        if (index > 30)
            return false;
        u.day = index;
        break;
    }
    // Clamp the day to the row's month before the check, so that what is
    // checked is what will be sent.
    u.day = std::min(u.day, DaysInMonth(u.year, u.month) - 1);
    if (m_bWithEnd && !IsStartBeforeEnd()) {
        u = old;
        return false;
    }
    return true;
}

bool CSearchDateTimeModel::OnTimePicked(int itemId, int hour, int minute, int second)
{
    // The one-row layout changes the start; id 3 the start, others the end.
    const int row = !m_bWithEnd || itemId == 3 ? 0 : 1;
    Usertime& u = m_time[static_cast<std::size_t>(row)];
    const Usertime old = u;
    u.hour = std::clamp(hour, 0, 23);
    u.minute = std::clamp(minute, 0, 59);
    u.second = std::clamp(second, 0, 59);
    if (m_bWithEnd && !IsStartBeforeEnd()) {
        u = old;
        return false;
    }
    return true;
}

bool CSearchDateTimeModel::IsStartBeforeEnd() const
{
    return UsertimeAsUtc(m_time[0]) < UsertimeAsUtc(m_time[1]);
}

std::int64_t CSearchDateTimeModel::RowSeconds(int row) const
{
    return UsertimeToTime_t(m_time[row == 0 ? 0 : 1]);
}
