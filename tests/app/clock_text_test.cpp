// The clock's digits and cells: both hour systems, the three date formats,
// and the two layouts.
#include "app/ClockText.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

ClockDigits DigitsAt(int year, int month, int day, int hour, int minute, int second, int hourSystem)
{
    ClockFields f;
    f.year = year;
    f.month = month;
    f.day = day;
    f.hour = hour;
    f.minute = minute;
    f.second = second;
    return SetClockDigits(ClockTimeText(f), ClockDateText(f), hourSystem);
}

std::vector<int> Frames(const std::vector<ClockCell>& cells, int bitmapId)
{
    std::vector<int> frames;
    for (const ClockCell& c : cells)
        if (c.bitmapId == bitmapId)
            frames.push_back(c.frame);
    return frames;
}

constexpr int B = kClockBlank;
constexpr int AM = kClockMarkAm;
constexpr int PM = kClockMarkPm;

TEST(ClockText, Texts)
{
    const ClockFields f = ClockFieldsUtc(1204848309); // 2008-03-07 00:05:09 UTC
    EXPECT_EQ(ClockTimeText(f), "00:05:09");
    EXPECT_EQ(ClockDateText(f), "2008-03-07");
    // Negative recorder seconds count as 0.
    const ClockFields zero = ClockFieldsUtc(-5);
    EXPECT_EQ(ClockTimeText(zero), "00:00:00");
    EXPECT_EQ(ClockDateText(zero), "1970-01-01");
}

TEST(ClockText, HourDigitsOfBothHourSystems)
{
    struct Case
    {
        int hour;
        int h1_24, h2_24;
        int h1_12, h2_12, mark12;
    };
    const Case cases[] = {
        {0, 0, 0, 1, 2, AM},  {1, 0, 1, B, 1, AM},  {9, 0, 9, B, 9, AM},  {10, 1, 0, 1, 0, AM},
        {11, 1, 1, 1, 1, AM}, {12, 1, 2, 1, 2, PM}, {13, 1, 3, B, 1, PM}, {19, 1, 9, B, 7, PM},
        {20, 2, 0, B, 8, PM}, {21, 2, 1, B, 9, PM}, {22, 2, 2, 1, 0, PM}, {23, 2, 3, 1, 1, PM},
    };
    for (const Case& c : cases) {
        const ClockDigits d24 = DigitsAt(2008, 3, 7, c.hour, 30, 0, kHour24);
        EXPECT_EQ(d24.mark, B) << c.hour;
        EXPECT_EQ(d24.h1, c.h1_24) << c.hour;
        EXPECT_EQ(d24.h2, c.h2_24) << c.hour;
        const ClockDigits d12 = DigitsAt(2008, 3, 7, c.hour, 30, 0, kHour12);
        EXPECT_EQ(d12.mark, c.mark12) << c.hour;
        EXPECT_EQ(d12.h1, c.h1_12) << c.hour;
        EXPECT_EQ(d12.h2, c.h2_12) << c.hour;
        // Minutes and seconds are the same on both clocks.
        EXPECT_EQ(d12.m1, 3);
        EXPECT_EQ(d12.m2, 0);
    }
}

TEST(ClockText, MainTimeCells)
{
    const auto main24 = MainClockCells(DigitsAt(2008, 3, 7, 0, 5, 9, kHour24), kDateYmd);
    EXPECT_EQ(Frames(main24, 1591), (std::vector<int>{B, 0, 0, 12, 0, 5, 12, 0, 9}));
    const auto main12 = MainClockCells(DigitsAt(2008, 3, 7, 0, 5, 9, kHour12), kDateYmd);
    EXPECT_EQ(Frames(main12, 1591), (std::vector<int>{AM, 1, 2, 12, 0, 5, 12, 0, 9}));
    const auto pm = MainClockCells(DigitsAt(2008, 3, 7, 13, 0, 0, kHour12), kDateYmd);
    EXPECT_EQ(Frames(pm, 1591), (std::vector<int>{PM, B, 1, 12, 0, 0, 12, 0, 0}));

    // Nine 13 x 18 cells from x 66, then ten 7 x 11 date cells from x 111.
    ASSERT_EQ(main24.size(), 19u);
    EXPECT_EQ(main24[0].rect, QRect(66, 643, 13, 18));
    EXPECT_EQ(main24[8].rect, QRect(170, 643, 13, 18));
    EXPECT_EQ(main24[9].rect, QRect(111, 663, 7, 11));
    EXPECT_EQ(main24[18].rect, QRect(174, 663, 7, 11));
    for (const ClockCell& c : main24)
        EXPECT_TRUE(ClockArea(0).contains(c.rect));
}

TEST(ClockText, DateOrderOfTheThreeFormats)
{
    const ClockDigits d = DigitsAt(2008, 3, 7, 12, 0, 0, kHour24);
    const int S = kClockSeparator;
    struct Case
    {
        int format;
        std::vector<int> frames;
        std::vector<int> playLefts;
    };
    const Case cases[] = {
        {kDateYmd, {2, 0, 0, 8, S, 0, 3, S, 0, 7}, {600, 607, 614, 621, 627, 633, 640, 646, 652, 659}},
        {kDateMdy, {0, 3, S, 0, 7, S, 2, 0, 0, 8}, {600, 607, 613, 619, 626, 632, 638, 645, 652, 659}},
        {kDateDmy, {0, 7, S, 0, 3, S, 2, 0, 0, 8}, {600, 607, 613, 619, 626, 632, 638, 645, 652, 659}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Frames(MainClockCells(d, c.format), 1590), c.frames) << c.format;
        const auto play = PlaybackClockCells(d, c.format);
        EXPECT_EQ(Frames(play, 1592), c.frames) << c.format;
        std::vector<int> lefts;
        for (const ClockCell& cell : play)
            if (cell.bitmapId == 1592)
                lefts.push_back(cell.rect.left());
        EXPECT_EQ(lefts, c.playLefts) << c.format;
    }
    // Any other format draws no date.
    EXPECT_TRUE(Frames(MainClockCells(d, 3), 1590).empty());
    EXPECT_TRUE(Frames(PlaybackClockCells(d, -1), 1592).empty());
}

TEST(ClockText, PlaybackTimeCells)
{
    struct Case
    {
        int hour;
        int hourSystem;
        int markFrame;
        std::vector<int> time;
    };
    const Case cases[] = {
        {0, kHour24, 2, {0, 0, 10, 0, 5, 10, 0, 9}},
        {0, kHour12, 0, {1, 2, 10, 0, 5, 10, 0, 9}},
        {21, kHour12, 1, {11, 9, 10, 0, 5, 10, 0, 9}}, // blank tens: the strip's frame 11
        {22, kHour12, 1, {1, 0, 10, 0, 5, 10, 0, 9}},
    };
    for (const Case& c : cases) {
        const auto cells = PlaybackClockCells(DigitsAt(2008, 3, 7, c.hour, 5, 9, c.hourSystem), kDateYmd);
        EXPECT_EQ(Frames(cells, 1594), (std::vector<int>{c.markFrame})) << c.hour;
        EXPECT_EQ(Frames(cells, 1593), c.time) << c.hour;
    }
    const auto cells = PlaybackClockCells(DigitsAt(2008, 3, 7, 0, 5, 9, kHour24), kDateYmd);
    EXPECT_EQ(cells[0].rect, QRect(518, 632, 18, 9));
    std::vector<int> lefts;
    for (const ClockCell& c : cells)
        if (c.bitmapId == 1593)
            lefts.push_back(c.rect.left());
    EXPECT_EQ(lefts, (std::vector<int>{538, 545, 551, 557, 564, 570, 576, 583}));
    for (const ClockCell& c : cells)
        EXPECT_TRUE(ClockArea(1).contains(c.rect));
}

} // namespace
