// The local timeline's bars from a day's chain of downloaded recordings: the
// kind is a number, clipping compares whole dates, kinds without a bitmap draw
// nothing.
#include "LocalTestData.h"
#include "local/LocalTimeline.h"

#include <ctime>
#include <gtest/gtest.h>
#include <memory>

namespace {

struct Node
{
    std::uint32_t mask;
    std::uint8_t kind;
    std::uint32_t start, end;
};

std::unique_ptr<LocalDayInterval> Chain(const std::vector<Node>& nodes)
{
    std::unique_ptr<LocalDayInterval> head;
    LocalDayInterval* tail = nullptr;
    for (const Node& n : nodes) {
        auto node = std::make_unique<LocalDayInterval>();
        node->channel_mask = n.mask;
        node->kind = n.kind;
        node->start_time = n.start;
        node->end_time = n.end;
        LocalDayInterval* raw = node.get();
        (tail ? tail->next : head) = std::move(node);
        tail = raw;
    }
    return head;
}

TEST(LocalTimeline, BarsOfADaysChain)
{
    const TimelineDay day{2008, 2, 1}; // 2 March 2008
    struct Case
    {
        const char* name;
        Node node;
        std::vector<TimelineBar> bars;
    };
    const std::vector<Case> cases = {
        {"kind 3 is the kind-3 bar, not bits 0 and 1", {0x1, 3, At(2008, 3, 2, 6), At(2008, 3, 2, 7)},
         {{0, 3, 185, 197}}},
        {"kind 5", {0x2, 5, At(2008, 3, 2, 6), At(2008, 3, 2, 7)}, {{1, 5, 185, 197}}},
        {"kind 1 with the camera's flag draws 0",
         {0x00020003u, 1, At(2008, 3, 2, 6), At(2008, 3, 2, 7)},
         {{0, 1, 185, 197}, {1, 0, 185, 197}}},
        {"kind 4 keeps its kind with the flag", {0x00010001u, 4, At(2008, 3, 2, 6), At(2008, 3, 2, 7)},
         {{0, 4, 185, 197}}},
        {"kinds above 5 draw nothing", {0x1, 6, At(2008, 3, 2, 6), At(2008, 3, 2, 7)}, {}},
        {"kind 255", {0xFFFF, 255, At(2008, 3, 2, 6), At(2008, 3, 2, 7)}, {}},
        // The same day of another month lies before or after the page's day.
        {"start on 2 February clips to the day's start",
         {0x1, 0, At(2008, 2, 2, 6), At(2008, 3, 2, 1)},
         {{0, 0, 113, 125}}},
        {"end on 2 April clips to the day's end", {0x1, 0, At(2008, 3, 2, 23), At(2008, 4, 2, 1)},
         {{0, 0, 389, 400}}},
        {"start and end a year apart on the same date",
         {0x1, 0, At(2007, 3, 2, 12), At(2009, 3, 2, 1)},
         {{0, 0, 113, 400}}},
    };
    CTimelineView view;
    for (const Case& c : cases) {
        const auto head = Chain({c.node});
        const std::vector<TimelineBar> bars = LocalTimelineBars(view, head.get(), day);
        ASSERT_EQ(bars.size(), c.bars.size()) << c.name;
        for (std::size_t i = 0; i < bars.size(); ++i) {
            EXPECT_EQ(bars[i].row, c.bars[i].row) << c.name;
            EXPECT_EQ(bars[i].kind, c.bars[i].kind) << c.name;
            EXPECT_EQ(bars[i].x1, c.bars[i].x1) << c.name;
            EXPECT_EQ(bars[i].x2, c.bars[i].x2) << c.name;
        }
    }
    EXPECT_TRUE(LocalTimelineBars(view, nullptr, day).empty());
}

TEST(LocalTimeline, NeighboursJoinInListOrder)
{
    const auto head = Chain({{0x1, 0, At(2008, 3, 2, 6), At(2008, 3, 2, 7)},
                             {0x1, 2, At(2008, 3, 2, 7, 5), At(2008, 3, 2, 8)}});
    CTimelineView view;
    const std::vector<TimelineBar> bars = LocalTimelineBars(view, head.get(), TimelineDay{2008, 2, 1});
    ASSERT_EQ(bars.size(), 2u);
    EXPECT_EQ(bars[1].x1, bars[0].x2);
    EXPECT_EQ(bars[1].kind, 2);
}

} // namespace
