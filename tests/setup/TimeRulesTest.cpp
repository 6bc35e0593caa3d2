// The calendar of the DST rule, the recorder clock's bounds, the zone table
// and the zone clock, all on fixed inputs.
#include "setup/DateRules.h"
#include "setup/SetupImage.h"
#include "setup/TimeClient.h"

#include <gtest/gtest.h>

#include <ctime>

namespace {

std::int64_t At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
{
    return WallSeconds(WallTime{y, mo, d, h, mi, s});
}

struct RuleImage
{
    SetupDbImage bytes{};
    ImageRef Ref() { return ImageRef(bytes); }
    // mode, start {month, week, weekday, day0, hour, minute}, end, offset
    RuleImage& Rule(int mode, std::array<int, 6> s, std::array<int, 6> e, int offH, int offM)
    {
        ImageRef r = Ref();
        r.Set(SetupDb::DstMode, static_cast<std::uint32_t>(mode));
        for (int i = 0; i < 6; ++i) {
            r.Set(SetupDb::DstStart, i, static_cast<std::uint32_t>(s[static_cast<std::size_t>(i)]));
            r.Set(SetupDb::DstEnd, i, static_cast<std::uint32_t>(e[static_cast<std::size_t>(i)]));
        }
        r.Set(SetupDb::DstOffsetHours, static_cast<std::uint32_t>(offH));
        r.Set(SetupDb::DstOffsetMinutes, static_cast<std::uint32_t>(offM));
        return *this;
    }
};

TEST(DateRules, CasesOfTheRule)
{
    struct Case
    {
        int year, month, week, weekday, day;
    } cases[] = {
        {2021, 9, 4, 0, 31}, // last Sunday of October 2021, the 31st
        {2021, 2, 0, 1, 1},  // first Monday of March 2021, which starts on a Monday
        {2024, 1, 4, 4, 29}, // last Thursday of February 2024 is the leap day
        {2023, 1, 4, 2, 28}, // last Tuesday of February 2023
        {2026, 2, 1, 0, 8},  // second Sunday of March 2026
        {2026, 10, 0, 0, 1}, // first Sunday of November 2026
        {1900, 1, 3, 3, 28}, // fourth Wednesday of February 1900 (not leap)
    };
    for (const Case& c : cases)
        EXPECT_EQ(NthWeekdayDay(c.year, c.month, c.week, c.weekday), c.day)
            << c.year << "/" << c.month << " w" << c.week << " d" << c.weekday;

    struct DayCase
    {
        int year, month, day0, week, weekday;
    } days[] = {
        {2026, 3, 6, 0, 2},  // 7 April 2026, a Tuesday: first
        {2026, 3, 20, 2, 2}, // 21 April: third
        {2023, 1, 27, 4, 2}, // 28 February 2023: last
        {2024, 1, 27, 4, 3}, // 28 February 2024: the last Wednesday (the 29th is a Thursday)
        {2024, 1, 21, 3, 4}, // 22 February 2024: fourth Thursday, not the last
    };
    for (const DayCase& c : days) {
        const WeekAndWeekday w = DayToWeekAndWeekday(c.year, c.month, c.day0);
        EXPECT_EQ(w.week, c.week) << c.year << "/" << c.month << "/" << c.day0;
        EXPECT_EQ(w.weekday, c.weekday) << c.year << "/" << c.month << "/" << c.day0;
    }
    EXPECT_EQ(DaysInRuleMonth(1, 2023), 28);
    EXPECT_EQ(DaysInRuleMonth(1, 2024), 29);
    EXPECT_EQ(DaysInRuleMonth(1, 1900), 28);
    EXPECT_EQ(DaysInRuleMonth(1, 2000), 29);
}

// Every day of a leap, a common and two century years: the weekday agrees
// with the C library, and the day found from (week, weekday) is the day again.
TEST(DateRules, RoundTripEveryDay)
{
    for (int year : {2024, 2023, 1900, 2000}) {
        for (int month = 0; month < 12; ++month) {
            for (int day0 = 0; day0 < DaysInRuleMonth(month, year); ++day0) {
                const std::time_t t = static_cast<std::time_t>(At(year, month + 1, day0 + 1));
                std::tm tm{};
                gmtime_r(&t, &tm);
                const WeekAndWeekday w = DayToWeekAndWeekday(year, month, day0);
                ASSERT_EQ(w.weekday, tm.tm_wday) << year << "/" << month << "/" << day0;
                ASSERT_EQ(NthWeekdayDay(year, month, w.week, w.weekday), day0 + 1)
                    << year << "/" << month << "/" << day0;
            }
        }
    }
}

// Image bytes beyond their ranges read as the nearest valid value.
TEST(DateRules, InputsOutOfRangeAreClamped)
{
    EXPECT_EQ(DaysInRuleMonth(200, 2023), 31); // December
    EXPECT_EQ(DaysInRuleMonth(-1, 2023), 31);  // January
    const int d = NthWeekdayDay(2023, 255, 255, 255);
    EXPECT_EQ(d, NthWeekdayDay(2023, 11, 4, 6));
    const WeekAndWeekday w = DayToWeekAndWeekday(2023, 1, 200);
    EXPECT_EQ(w.week, 4);
    EXPECT_EQ(NthWeekdayDay(2023, 1, w.week, w.weekday), 28);
}

TEST(RecorderClock, ClampBounds)
{
    struct Case
    {
        std::uint32_t answer;
        int zone;
        std::int64_t expected;
    } cases[] = {
        {0x80000000u, 3600, 3600},             // negative: raised to the offset
        {0xFFFFFFFFu, 32400, 32400},           // -1 likewise
        {2114380801u, 0, kLatestRecorderTime}, // beyond 2037
        {0x7FFFFFFFu, 0, kLatestRecorderTime}, //
        {2114380800u, 0, kLatestRecorderTime}, // the bound itself stays
        {1000, 3600, 3600},                    // below the offset
        {1700000000u, 3600, 1700000000},       // inside
        {0x80000000u, -18000, 0},              // west of Greenwich: never below 0
        {100, -18000, 100},                    //
    };
    for (const Case& c : cases)
        EXPECT_EQ(ClampRecorderTime(c.answer, c.zone), c.expected) << c.answer << " zone " << c.zone;
}

// The rule ends 31 October 03:00 with an offset of 1:30: the clock overlaps
// from 01:30 to 03:00, both ends counting.
TEST(RecorderClock, OverlapBounds)
{
    RuleImage img;
    img.Rule(1, {2, 0, 0, 0, 2, 0}, {9, 4, 0, 30, 3, 0}, 1, 30);
    const std::int64_t end = At(2027, 10, 31, 3, 0, 0);
    EXPECT_TRUE(InDstOverlap(end, img.Ref()));
    EXPECT_TRUE(InDstOverlap(end - 5400, img.Ref()));
    EXPECT_FALSE(InDstOverlap(end - 5401, img.Ref()));
    EXPECT_FALSE(InDstOverlap(end + 1, img.Ref()));
    // Offset 0: only the end itself.
    img.Rule(1, {2, 0, 0, 0, 2, 0}, {9, 4, 0, 30, 3, 0}, 0, 0);
    EXPECT_TRUE(InDstOverlap(end, img.Ref()));
    EXPECT_FALSE(InDstOverlap(end - 1, img.Ref()));
}

TEST(ZoneClock, ZoneTableAndLists)
{
    EXPECT_EQ(ZoneOffsetSeconds(0), 0);
    EXPECT_EQ(ZoneOffsetSeconds(1), 0);
    EXPECT_EQ(ZoneOffsetSeconds(10), 9 * 3600);
    EXPECT_EQ(ZoneOffsetSeconds(14), -11 * 3600);
    EXPECT_EQ(ZoneOffsetSeconds(23), -2 * 3600);
    EXPECT_EQ(ZoneOffsetSeconds(24), 34200);
    EXPECT_EQ(ZoneOffsetSeconds(25), 0);
    EXPECT_EQ(ZoneOffsetSeconds(255), 0);

    EXPECT_FALSE(UsesZoneList25(4, 1));
    EXPECT_TRUE(UsesZoneList25(4, 2));
    EXPECT_TRUE(UsesZoneList25(5, 0));
    EXPECT_EQ(ZoneListOrder(false).size(), 24u);
    EXPECT_EQ(ZoneListOrder(true).size(), 25u);
    struct Case
    {
        bool list25;
        int position, zone;
    } cases[] = {{true, 10, 10},  {true, 11, 24},  {true, 12, 11},  {true, 24, 23}, {true, 25, -1},
                 {false, 11, 11}, {false, 23, 23}, {false, 24, -1}, {false, -1, -1}};
    for (const Case& c : cases)
        EXPECT_EQ(ZoneFromListPosition(c.position, c.list25), c.zone) << c.position << " " << c.list25;

    EXPECT_EQ(ZoneHighlightOf(0, true).bitmap, 0);
    EXPECT_EQ(ZoneHighlightOf(25, true).bitmap, 0);
    EXPECT_EQ(ZoneHighlightOf(1, false).bitmap, 1783);
    EXPECT_EQ(ZoneHighlightOf(11, false).bitmap, 1793);
    EXPECT_EQ(ZoneHighlightOf(11, true).bitmap, 1807);
    EXPECT_EQ(ZoneHighlightOf(24, true).bitmap, 1806);
    EXPECT_EQ(ZoneHighlightOf(24, true).rect, ZoneMapRect(11));
    EXPECT_EQ(ZoneMapRect(14), QRect(QPoint(234, 97), QPoint(243, 296)));
    for (int z = 1; z <= 23; ++z)
        EXPECT_TRUE(kWorldMapRect.contains(ZoneMapRect(z))) << z;
}

TEST(ZoneClock, ZonedServerTime)
{
    RuleImage none;
    const DstInfo noPresets{};
    const std::int64_t server = At(2026, 6, 10, 0, 30, 0);
    // Zone 14 (-11) at 00:30 UTC: 13:30 of the day before.
    EXPECT_EQ(ZonedServerTime(13, server, 0, none.Ref(), noPresets), At(2026, 6, 9, 13, 30, 0));
    // Zone 24: +9:30.
    EXPECT_EQ(ZonedServerTime(23, server, 0, none.Ref(), noPresets), At(2026, 6, 10, 10, 0, 0));
    // No answer: the PC's clock instead.
    EXPECT_EQ(ZonedServerTime(0, kTimeBadAnswer, server, none.Ref(), noPresets), server);
    // A zone beyond the table: no offset.
    EXPECT_EQ(ZonedServerTime(40, server, 0, none.Ref(), noPresets), server);

    // User rule 1 March 02:00 to 1 November 02:00, offset 1:00.
    RuleImage user;
    user.Rule(1, {2, 0, 0, 0, 2, 0}, {10, 0, 0, 0, 2, 0}, 1, 0);
    struct Case
    {
        std::int64_t wall;
        bool inForce;
    } cases[] = {
        {At(2026, 3, 1, 2, 0, 0), true},
        {At(2026, 3, 1, 1, 59, 59), false},
        {At(2026, 11, 1, 2, 0, 0), false},
        {At(2026, 11, 1, 1, 59, 59), true},
        {At(2026, 7, 1), true},
        {At(2026, 1, 1), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ZonedServerTime(0, c.wall, 0, user.Ref(), noPresets), c.wall + (c.inForce ? 3600 : 0))
            << c.wall;

    // Southern summer: start October, end March.
    RuleImage south;
    south.Rule(1, {9, 0, 0, 0, 2, 0}, {2, 0, 0, 0, 3, 0}, 0, 30);
    EXPECT_EQ(ZonedServerTime(0, At(2026, 1, 15), 0, south.Ref(), noPresets), At(2026, 1, 15) + 1800);
    EXPECT_EQ(ZonedServerTime(0, At(2026, 6, 15), 0, south.Ref(), noPresets), At(2026, 6, 15));

    // Preset 3 (mode 5): second Sunday of March 02:00 to first Sunday of
    // November 02:00; the image's offset applies.
    DstInfo presets{};
    const std::uint8_t rule[12] = {2, 1, 0, 2, 0, 10, 0, 0, 2, 0, 0, 0};
    std::copy(rule, rule + 12, presets.bytes + 12 * 3);
    RuleImage preset;
    preset.Rule(5, {0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}, 1, 0);
    EXPECT_EQ(ZonedServerTime(0, At(2026, 3, 8, 2, 0, 0), 0, preset.Ref(), presets), At(2026, 3, 8, 3, 0, 0));
    EXPECT_EQ(ZonedServerTime(0, At(2026, 3, 8, 1, 0, 0), 0, preset.Ref(), presets), At(2026, 3, 8, 1, 0, 0));
    EXPECT_EQ(ZonedServerTime(0, At(2026, 11, 1, 2, 0, 0), 0, preset.Ref(), presets),
              At(2026, 11, 1, 2, 0, 0));
    // A preset the recorder never sent (all zeros) and one beyond the table:
    // no DST.
    EXPECT_EQ(ZonedServerTime(0, At(2026, 7, 1), 0, preset.Ref(), noPresets), At(2026, 7, 1));
    RuleImage beyond;
    beyond.Rule(102, {2, 0, 0, 0, 2, 0}, {10, 0, 0, 0, 2, 0}, 1, 0);
    EXPECT_EQ(ZonedServerTime(0, At(2026, 7, 1), 0, beyond.Ref(), presets), At(2026, 7, 1));
    beyond.Rule(255, {2, 0, 0, 0, 2, 0}, {10, 0, 0, 0, 2, 0}, 1, 0);
    EXPECT_EQ(ZonedServerTime(0, At(2026, 7, 1), 0, beyond.Ref(), presets), At(2026, 7, 1));

    // The injected source: the server first, the PC clock when it fails.
    TimeSource src{[] { return std::int64_t(1000); }, [] { return std::int64_t(5000); }};
    EXPECT_EQ(ZonedServerTime(1, src, none.Ref(), noPresets), 1000 + 3600);
    src.server = [] { return kTimeConnectFailed; };
    EXPECT_EQ(ZonedServerTime(1, src, none.Ref(), noPresets), 5000 + 3600);
}

TEST(ZoneClock, FormatZoneClock)
{
    const std::int64_t last2030 = At(2030, 12, 31, 23, 59, 59);
    EXPECT_EQ(FormatZoneClock(last2030, 0), "2030-12-31  23:59:59");
    EXPECT_EQ(FormatZoneClock(last2030, 1), "12-31-2030  23:59:59");
    EXPECT_EQ(FormatZoneClock(last2030, 2), "31-12-2030  23:59:59");
    EXPECT_EQ(FormatZoneClock(last2030, 7), "2030-12-31  23:59:59");
    EXPECT_EQ(FormatZoneClock(At(2026, 2, 3, 4, 5, 6), 2), "03-02-2026  04:05:06");
}

TEST(TimeAnswer, Epoch)
{
    const std::uint8_t epoch[4] = {0x83, 0xAA, 0x7E, 0x80}; // 2208988800
    EXPECT_EQ(TimeFromAnswer(epoch), 0);
    const std::uint8_t later[4] = {0xEC, 0x8C, 0x4A, 0x00};
    EXPECT_EQ(TimeFromAnswer(later), 0xEC8C4A00LL - 2208988800LL);
    // Before 1970 wraps forward, as the protocol's counter does after 2036.
    const std::uint8_t zero[4] = {0, 0, 0, 0};
    EXPECT_EQ(TimeFromAnswer(zero), 4294967296LL - 2208988800LL);
}

} // namespace
