// The local calendar's year map from index entries: spans across month and
// year ends, kinds that mark and kinds that only enable, negative times, the
// day lists in reading order, and a scan of written sets.
#include "LocalTestData.h"
#include "streams/LocalSetBuilder.h"
#include "LocalTestDir.h"
#include "local/LocalCalendar.h"
#include "net/TimeUtil.h"

#include <gtest/gtest.h>

using namespace k5streams;

namespace {

LocalIdxEntry Entry(std::uint32_t start, std::uint32_t end, std::uint8_t kind = 1)
{
    LocalIdxEntry e;
    e.start = start;
    e.end = end;
    e.eventType = kind;
    e.channelMask = 0x5;
    return e;
}

int MarkedDays(const LocalYearMap& map)
{
    int n = 0;
    for (int m = 0; m < 12; ++m)
        for (int d = 0; d < 31; ++d)
            n += map.days[static_cast<std::size_t>(m)][static_cast<std::size_t>(d)].empty() ? 0 : 1;
    return n;
}

} // namespace

TEST(LocalCalendar, SpansKindsAndTimesTable)
{
    struct Case
    {
        const char* name;
        int year;
        LocalIdxEntry entry;
        int days;                                   // days holding the interval
        std::vector<std::pair<int, int>> marked;    // (month0, day0) marked
        std::vector<std::pair<int, int>> notMarked; // (month0, day0) not marked
        int monthWithData;                          // -1 none
    };
    const std::vector<Case> cases = {
        {"new year's eve, 2024 shown", 2024, Entry(At(2023, 12, 31, 23), At(2024, 1, 1, 1)), 1, {{0, 0}}, {{11, 30}}, 0},
        {"new year's eve, 2023 shown", 2023, Entry(At(2023, 12, 31, 23), At(2024, 1, 1, 1)), 1, {{11, 30}}, {{0, 0}}, 11},
        {"10 March to 2 April", 2023, Entry(At(2023, 3, 10), At(2023, 4, 2, 5)), 24, {{2, 9}, {2, 30}, {3, 1}},
         {{2, 8}, {3, 2}}, 2},
        {"the whole year and more", 2024, Entry(At(2023, 6, 1), At(2025, 2, 1)), 366, {{0, 0}, {1, 28}, {11, 30}}, {},
         0},
        {"kind 6 enables but does not mark", 2023, Entry(At(2023, 5, 5), At(2023, 5, 5, 2), 6), 1, {}, {{4, 4}}, 4},
        {"kind 9 neither", 2023, Entry(At(2023, 5, 5), At(2023, 5, 5, 2), 9), 1, {}, {{4, 4}}, -1},
        {"negative start time", 2023, Entry(0x80000010u, At(2023, 5, 5)), 0, {}, {{4, 4}}, -1},
        {"another year", 2022, Entry(At(2023, 5, 5), At(2023, 5, 6)), 0, {}, {}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LocalYearMap map;
        MarkEntryDays(map, c.year, c.entry);
        EXPECT_EQ(MarkedDays(map), c.days);
        for (auto [m, d] : c.marked)
            EXPECT_TRUE(LocalDayMarked(map, m, d)) << m << "/" << d;
        for (auto [m, d] : c.notMarked)
            EXPECT_FALSE(LocalDayMarked(map, m, d)) << m << "/" << d;
        int first = -1;
        for (int m = 0; m < 12 && first < 0; ++m)
            if (LocalMonthHasData(map, c.year, m))
                first = m;
        EXPECT_EQ(first, c.monthWithData);
    }
}

TEST(LocalCalendar, IntervalMasksAndKinds)
{
    LocalIdxEntry e = Entry(1, 2, 2);
    e.cameraFlags = 0x0003;
    EXPECT_EQ(IntervalFromEntry(e).channel_mask, 0x00030005u);
    EXPECT_EQ(IntervalFromEntry(e).kind, 2);
    e.eventType = 0;
    e.kind2 = 4;
    EXPECT_EQ(IntervalFromEntry(e).channel_mask, 0xFFFC0005u);
    EXPECT_EQ(IntervalFromEntry(e).kind, 4);
    e.cameraFlags = 0;
    EXPECT_EQ(IntervalFromEntry(e).channel_mask, 0x5u);
    EXPECT_EQ(IntervalFromEntry(e).kind, 0);
}

TEST(LocalCalendar, ScanOfWrittenSetsKeepsReadingOrderPerDay)
{
    const std::string dir = LocalScratch();
    const std::uint32_t day = At(2024, 2, 29, 10);
    for (const char* name : {"a", "b"}) {
        LocalSetOptions o;
        o.folder = dir;
        o.name = name;
        auto frames = MakeLocalRun(day + (name[0] == 'a' ? 0 : 3600), 3, 0x1, 1, 0, 1);
        for (auto& f : frames)
            f.eventKind = name[0] == 'a' ? 1 : 2;
        ASSERT_EQ(WriteLocalSets(o, frames).size(), 1u);
    }
    LocalSetOptions other;
    other.folder = dir;
    other.name = "c_other";
    other.servedModel = false;
    ASSERT_EQ(WriteLocalSets(other, MakeLocalRun(day, 3, 0x1, 1, 0, 1)).size(), 1u);

    LocalYearMap map;
    ScanRecordedDays(dir, 2024, map);
    EXPECT_EQ(map.year, 2024);
    EXPECT_EQ(map.day_flags[1][28], 0x6);
    auto chain = TakeDayIntervals(map, 1, 28);
    ASSERT_TRUE(chain);
    EXPECT_EQ(chain->start_time, day);
    ASSERT_TRUE(chain->next);
    EXPECT_EQ(chain->next->start_time, day + 3600);
    EXPECT_FALSE(chain->next->next);
    EXPECT_TRUE(map.days[1][28].empty());

    ScanRecordedDays(dir, 2023, map);
    EXPECT_EQ(map.year, 0);
}
