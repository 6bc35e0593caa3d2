// The clock's arithmetic, apart from any window: the time fields of a moment,
// the two texts, the digit bytes with the hour system applied, and the cells
// (strip, frame, rectangle) that the main and playback layouts draw.
#pragma once

#include <QRect>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

struct ClockFields
{
    int year = 1970;
    int month = 1; // 1-12
    int day = 1;
    int hour = 0; // 0-23
    int minute = 0;
    int second = 0;
};

// Recorder seconds read as UTC; a negative value counts as 0.
ClockFields ClockFieldsUtc(std::int64_t seconds);
// The PC's local time of a moment.
ClockFields ClockFieldsLocal(std::time_t moment);

// "%02d:%02d:%02d" and "%04d-%02d-%02d".
std::string ClockTimeText(const ClockFields& f);
std::string ClockDateText(const ClockFields& f);

// Frames of the time strips that are not digits.
constexpr int kClockMarkAm = 10;
constexpr int kClockMarkPm = 11;
constexpr int kClockColon = 12;
constexpr int kClockBlank = 13;     // also the mark of the 24-hour clock
constexpr int kClockSeparator = 10; // date strips

// Hour systems (the HourSystem setting) and date formats (DateFormat).
constexpr int kHour12 = 0;
constexpr int kHour24 = 1;
constexpr int kDateYmd = 0;
constexpr int kDateMdy = 1;
constexpr int kDateDmy = 2;

struct ClockDigits
{
    int h1 = 0, h2 = 0, m1 = 0, m2 = 0, s1 = 0, s2 = 0;
    int mark = kClockBlank;
    int y1 = 0, y2 = 0, y3 = 0, y4 = 0;
    int o1 = 0, o2 = 0; // month
    int d1 = 0, d2 = 0;
    bool operator==(const ClockDigits&) const = default;
};

// The digit bytes from the two texts; the 12-hour clock rewrites the hour
// digits and sets the morning or afternoon mark (a leading zero is blank).
ClockDigits SetClockDigits(const std::string& timeText, const std::string& dateText, int hourSystem);

struct ClockCell
{
    int bitmapId = 0;
    int frame = 0;
    QRect rect; // in the main window's client area
    bool operator==(const ClockCell&) const = default;
};

// Mode 0: the large time readout and the date under it.
std::vector<ClockCell> MainClockCells(const ClockDigits& d, int dateFormat);
// Mode 1: the small playback readout beside the position slider.
std::vector<ClockCell> PlaybackClockCells(const ClockDigits& d, int dateFormat);

// The rectangle that holds every cell a mode can draw.
QRect ClockArea(int mode);
