// The date and time page of the search and backup windows (and of the local
// search): the start and end date-times picked cell by cell, the cells'
// texts, the list and time picks with the start-before-end rule. No widgets.
#pragma once

#include "net/TimeUtil.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

enum class DateField
{
    Year,
    Month,
    Day,
};

// What differs between the search page and its backup twin.
struct DateTimeVariant
{
    bool backup = false; // always two rows; end today 23:59:59; cells wait while pending
};

class CSearchDateTimeModel
{
public:
    // `today` is the PC's local date (year, month 0-11, day 0-30).
    CSearchDateTimeModel(const DateTimeVariant& variant, int todayYear, int todayMonth, int todayDay);

    void SetWithEnd(bool withEnd) { m_bWithEnd = variant().backup || withEnd; }
    bool WithEnd() const { return m_bWithEnd; }
    void SetDateFormat(int format) { m_nDateFormat = format; }
    int DateFormat() const { return m_nDateFormat; }
    const DateTimeVariant& variant() const { return m_variant; }

    const Usertime& Start() const { return m_time[0]; }
    const Usertime& End() const { return m_time[1]; }
    Usertime& Row(int row) { return m_time[row == 0 ? 0 : 1]; }

    // The field of a date cell position (0-2) under the date format.
    DateField FieldAt(int position) const;
    // Item ids: 0-2 start (or the one row) date cells, 4-6 end date cells,
    // 3 start time, 7 end time; the one-row time cell is 0 too.
    static int RowOfItem(int itemId) { return itemId >= 4 ? 1 : 0; }
    // Text of a date cell ("%04d." / "%02d.") and of a row's time cell.
    std::string DateCellText(int row, int position) const;
    std::string TimeCellText(int row) const;

    // The list a date cell opens: its texts, width and four-per-row flag.
    struct ListSpec
    {
        std::vector<std::string> items;
        int width = 0;
        bool fourPerRow = false;
    };
    ListSpec ListFor(int itemId) const;

    // A list pick. False when refused (start would not be before end); the
    // value then stays. The row's day is clamped to its month first, so the
    // check sees the date that would be sent.
    bool OnListPicked(int itemId, int index);
    // A time pick; false when refused.
    bool OnTimePicked(int itemId, int hour, int minute, int second);

    // The start strictly before the end (calendar times as UTC fields).
    bool IsStartBeforeEnd() const;

    // Recorder seconds of a row.
    std::int64_t RowSeconds(int row) const;

private:
    DateTimeVariant m_variant;
    bool m_bWithEnd = false;
    int m_nDateFormat = 0;
    std::array<Usertime, 2> m_time{};
};
