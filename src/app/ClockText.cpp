#include "app/ClockText.h"

#include "app/ResIds2.h"

#include <algorithm>
#include <cstdio>

namespace {

ClockFields FromTm(const std::tm& t)
{
    ClockFields f;
    f.year = t.tm_year + 1900;
    f.month = t.tm_mon + 1;
    f.day = t.tm_mday;
    f.hour = t.tm_hour;
    f.minute = t.tm_min;
    f.second = t.tm_sec;
    return f;
}

int DigitAt(const std::string& text, std::size_t pos)
{
    if (pos >= text.size())
        return 0;
    const int d = text[pos] - '0';
    return d >= 0 && d <= 9 ? d : 0;
}

// Cell rectangle from its left, top, width and height.
QRect Cell(int left, int top, int width, int height)
{
    return QRect(left, top, width, height);
}

} // namespace

ClockFields ClockFieldsUtc(std::int64_t seconds)
{
    const std::time_t t = static_cast<std::time_t>(seconds < 0 ? 0 : seconds);
    std::tm broken{};
    if (!gmtime_r(&t, &broken))
        return ClockFields{};
    return FromTm(broken);
}

ClockFields ClockFieldsLocal(std::time_t moment)
{
    std::tm broken{};
    if (!localtime_r(&moment, &broken))
        return ClockFields{};
    return FromTm(broken);
}

std::string ClockTimeText(const ClockFields& f)
{
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", f.hour, f.minute, f.second);
    return text;
}

std::string ClockDateText(const ClockFields& f)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", f.year, f.month, f.day);
    return text;
}

ClockDigits SetClockDigits(const std::string& timeText, const std::string& dateText, int hourSystem)
{
    ClockDigits d;
    d.h1 = DigitAt(timeText, 0);
    d.h2 = DigitAt(timeText, 1);
    d.m1 = DigitAt(timeText, 3);
    d.m2 = DigitAt(timeText, 4);
    d.s1 = DigitAt(timeText, 6);
    d.s2 = DigitAt(timeText, 7);
    d.y1 = DigitAt(dateText, 0);
    d.y2 = DigitAt(dateText, 1);
    d.y3 = DigitAt(dateText, 2);
    d.y4 = DigitAt(dateText, 3);
    d.o1 = DigitAt(dateText, 5);
    d.o2 = DigitAt(dateText, 6);
    d.d1 = DigitAt(dateText, 8);
    d.d2 = DigitAt(dateText, 9);

    if (hourSystem != kHour12) {
        d.mark = kClockBlank;
        return d;
    }
    const int hour = d.h1 * 10 + d.h2;
    d.mark = hour < 12 ? kClockMarkAm : kClockMarkPm;
    int shown = hour % 12;
    if (shown == 0)
        shown = 12;
    d.h1 = shown >= 10 ? 1 : kClockBlank;
    d.h2 = shown % 10;
    return d;
}

std::vector<ClockCell> MainClockCells(const ClockDigits& d, int dateFormat)
{
    std::vector<ClockCell> cells;
    const int timeFrames[9] = {d.mark, d.h1, d.h2, kClockColon, d.m1, d.m2, kClockColon, d.s1, d.s2};
    for (int k = 0; k < 9; ++k)
        cells.push_back({IDB_CLOCK_MAIN_TIME, timeFrames[k], Cell(66 + 13 * k, 643, 13, 18)});

    const int sep = kClockSeparator;
    int dateFrames[10];
    switch (dateFormat) {
    case kDateYmd: {
        const int f[10] = {d.y1, d.y2, d.y3, d.y4, sep, d.o1, d.o2, sep, d.d1, d.d2};
        std::copy(f, f + 10, dateFrames);
        break;
    }
    case kDateMdy: {
        const int f[10] = {d.o1, d.o2, sep, d.d1, d.d2, sep, d.y1, d.y2, d.y3, d.y4};
        std::copy(f, f + 10, dateFrames);
        break;
    }
    case kDateDmy: {
        const int f[10] = {d.d1, d.d2, sep, d.o1, d.o2, sep, d.y1, d.y2, d.y3, d.y4};
        std::copy(f, f + 10, dateFrames);
        break;
    }
    default:
        return cells; // no date
    }
    for (int k = 0; k < 10; ++k)
        cells.push_back({IDB_CLOCK_MAIN_DATE, dateFrames[k], Cell(111 + 7 * k, 663, 7, 11)});
    return cells;
}

std::vector<ClockCell> PlaybackClockCells(const ClockDigits& d, int dateFormat)
{
    constexpr int top = 632;
    constexpr int height = 9;
    std::vector<ClockCell> cells;

    // The playback strip has its own blank (frame 11) and marks in a strip of
    // their own: morning, afternoon, 24-hour.
    const int markFrame = d.mark == kClockMarkAm ? 0 : d.mark == kClockMarkPm ? 1 : 2;
    cells.push_back({IDB_CLOCK_PLAY_MARK, markFrame, Cell(518, top, 18, height)});

    constexpr int playColon = 10;
    constexpr int playBlank = 11;
    const int h1 = d.h1 == kClockBlank ? playBlank : d.h1;
    const struct
    {
        int frame;
        int left;
    } timeCells[8] = {{h1, 538},   {d.h2, 545},      {playColon, 551}, {d.m1, 557},
                      {d.m2, 564}, {playColon, 570}, {d.s1, 576},      {d.s2, 583}};
    for (const auto& c : timeCells)
        cells.push_back({IDB_CLOCK_PLAY_TIME, c.frame, Cell(c.left, top, 7, height)});

    const int sep = kClockSeparator;
    struct DateCell
    {
        int frame;
        int left;
    };
    std::vector<DateCell> date;
    switch (dateFormat) {
    case kDateYmd:
        date = {{d.y1, 600}, {d.y2, 607}, {d.y3, 614}, {d.y4, 621}, {sep, 627},
                {d.o1, 633}, {d.o2, 640}, {sep, 646},  {d.d1, 652}, {d.d2, 659}};
        break;
    case kDateMdy:
        date = {{d.o1, 600}, {d.o2, 607}, {sep, 613},  {d.d1, 619}, {d.d2, 626},
                {sep, 632},  {d.y1, 638}, {d.y2, 645}, {d.y3, 652}, {d.y4, 659}};
        break;
    case kDateDmy:
        date = {{d.d1, 600}, {d.d2, 607}, {sep, 613},  {d.o1, 619}, {d.o2, 626},
                {sep, 632},  {d.y1, 638}, {d.y2, 645}, {d.y3, 652}, {d.y4, 659}};
        break;
    default:
        break; // no date
    }
    for (const DateCell& c : date)
        cells.push_back({IDB_CLOCK_PLAY_DATE, c.frame, Cell(c.left, top, 7, height)});
    return cells;
}

QRect ClockArea(int mode)
{
    if (mode == 0)
        return QRect(QPoint(66, 643), QPoint(66 + 13 * 9 - 1, 674 - 1));
    return QRect(QPoint(518, 632), QPoint(666 - 1, 641 - 1));
}
