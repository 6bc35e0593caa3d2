// The local event and file lists over written sets, and the Play decision.
#include "LocalTestData.h"
#include "streams/LocalSetBuilder.h"
#include "LocalTestDir.h"
#include "local/LocalLists.h"
#include "net/Wire.h"

#include <gtest/gtest.h>

using namespace k5streams;

namespace {

constexpr std::uint32_t T0 = 0x50000000;

// Segments of the given event kinds, 3 seconds each, 10 seconds apart.
} // namespace

TEST(LocalLists, EventsAndFilesInTimeOrder)
{
    const std::string dir = LocalScratch();
    // "a" is the newer set although it is found first.
    LocalSetOptions o;
    o.folder = dir;
    o.name = "a_newer";
    ASSERT_EQ(WriteLocalSets(o, Events(T0 + 1000, {1, 2, 1})).size(), 1u);
    o.name = "b_older";
    const auto older = WriteLocalSets(o, Events(T0, {4, 3, 1}));
    ASSERT_EQ(older.size(), 1u);
    o.name = "c_other";
    o.servedModel = false;
    ASSERT_EQ(WriteLocalSets(o, Events(T0, {1})).size(), 1u);

    const auto sets = SortByFirstTime(ScanDownloadFolder(dir, LocalScan::FileList).sets);
    ASSERT_EQ(sets.size(), 2u);
    EXPECT_EQ(sets[0].name, "b_older");
    EXPECT_EQ(sets[1].firstTime, T0 + 1000);
    EXPECT_EQ(sets[1].lastTime, T0 + 1022);

    const LocalEventList events = BuildLocalEvents(sets);
    EXPECT_EQ(events.Count(1), 3);
    EXPECT_EQ(events.Count(2), 1);
    EXPECT_EQ(events.Count(4), 1);
    // Newest first: row 0 of kind 1 is the newer set's last kind-1 event.
    const LocalEvent* newest = events.Find(1, NewestFirstIndex(events.Count(1), 0));
    ASSERT_NE(newest, nullptr);
    EXPECT_EQ(newest->start, static_cast<int>(T0 + 1020));
    EXPECT_EQ(events.Find(1, 0)->start, static_cast<int>(T0 + 20));
    EXPECT_EQ(FirstLocalEventKind(events, false, 0), 1);
    EXPECT_EQ(FirstLocalEventKind(events, true, 4), 4);
    EXPECT_EQ(FirstLocalEventKind(LocalEventList(), false, 0), 1);

    // The limit keeps the first events in set order.
    const LocalEventList capped = BuildLocalEvents(sets, 2);
    ASSERT_EQ(capped.entries.size(), 2u);
    EXPECT_EQ(capped.entries[0].kind, 4);

    // A negative time or an end not after the start is left out.
    ASSERT_TRUE(PatchFile(older[0][0], 192 + 24, LE(0x80000000)));
    ASSERT_TRUE(PatchFile(older[0][0], 192 + 256 * 2 + 28, LE(T0 + 20)));
    const LocalEventList patched = BuildLocalEvents(sets);
    EXPECT_EQ(patched.Count(4), 0);
    EXPECT_EQ(patched.Count(1), 2);
}

TEST(LocalLists, PlayStartsNewOnlyWhenAPlaylistNodeLiesAfterTheTime)
{
    Playlist list;
    auto& n = list.emplace_back();
    n.nEntryStart = 100;
    n.nEntryEnd = 200;
    struct Case
    {
        bool runs;
        const Playlist* list;
        int t;
        bool expected;
    };
    const Playlist empty;
    const Case cases[] = {
        {false, &list, 500, true}, {true, nullptr, 500, true}, {true, &empty, 500, true},
        {true, &list, 150, true},  {true, &list, 50, true},    {true, &list, 200, false},
        {true, &list, 500, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LocalPlayStartsNew(c.runs, c.list, c.t), c.expected) << c.t;
}
