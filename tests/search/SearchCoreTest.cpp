// Tables for the search window's headless cores: request bodies, calendar,
// timeline, date and time rules, camera rule, hand-over, archive gate and
// pop-up geometry.
#include "net/TimeUtil.h"
#include "search/SearchCalendar.h"
#include "search/SearchDateTime.h"
#include "search/SearchRequests.h"
#include "search/SearchRules.h"
#include "search/TimelineView.h"
#include "ui/ChannelRows.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <vector>

namespace {

std::vector<std::uint8_t> V(std::initializer_list<int> bytes)
{
    std::vector<std::uint8_t> out;
    for (int b : bytes)
        out.push_back(static_cast<std::uint8_t>(b));
    return out;
}

template <std::size_t N> std::vector<std::uint8_t> V(const std::array<std::uint8_t, N>& a)
{
    return std::vector<std::uint8_t>(a.begin(), a.end());
}

} // namespace

TEST(SearchRequests, BodyEncoders)
{
    EXPECT_EQ(V(MakeDayRequestBody(2008, 3, 2)), V({0x00, 0x00, 0x07, 0xD8, 0x03, 0x02, 0x00, 0x00}));
    EXPECT_EQ(V(MakeDayRequestBody(2024, 3, 7)), V({0x00, 0x00, 0x07, 0xE8, 0x03, 0x07, 0x00, 0x00}));
    const RangeRequestBody play = MakeRangeRequestBody(0x0000000F, 0, 0x47CA0E40, 0);
    EXPECT_EQ(V(play),
              V({0, 0, 0, 0x0F, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x47, 0xCA, 0x0E, 0x40, 0, 0, 0, 0}));
    const RangeRequestBody ranged = MakeRangeRequestBody(0x00010003, kAllEventKinds, 1, 0xFFFFFFFE);
    EXPECT_EQ(V(ranged),
              V({0, 1, 0, 3, 0x3F, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0xFF, 0xFF, 0xFF, 0xFE}));
}

namespace {

class RecordingSender : public ISearchSender
{
public:
    bool SendSearchMessage(std::uint16_t id, const void* payload, std::size_t length) override
    {
        const auto* p = static_cast<const std::uint8_t*>(payload);
        sent.push_back({id, std::vector<std::uint8_t>(p, p + length)});
        return connected;
    }
    bool Connected() const override { return connected; }
    bool connected = true;
    std::vector<std::pair<std::uint16_t, std::vector<std::uint8_t>>> sent;
};

} // namespace

TEST(SearchRequests, SendersUseTheirMessages)
{
    RecordingSender sender;
    CSearchRequests requests(sender);
    requests.SendPlayInfoMonthReq();
    requests.SendTransInfoDayReq(2008, 3, 2);
    requests.SendCapaCalCancel();
    requests.SendEventTimeReq(3, 7, 10, 20);
    ASSERT_EQ(sender.sent.size(), 4u);
    EXPECT_EQ(sender.sent[0].first, 260);
    EXPECT_TRUE(sender.sent[0].second.empty());
    EXPECT_EQ(sender.sent[1].first, 291);
    EXPECT_EQ(sender.sent[1].second, V({0, 0, 7, 0xD8, 3, 2, 0, 0}));
    EXPECT_EQ(sender.sent[2].first, 299);
    EXPECT_TRUE(sender.sent[2].second.empty()); // header only
    EXPECT_EQ(sender.sent[3].first, 335);
    EXPECT_EQ(sender.sent[3].second[4], 7);
}

// ---- Calendar -----------------------------------------------------------------

namespace {

YearRecord Year(int year, std::initializer_list<std::pair<int, int>> days)
{
    YearRecord r;
    r.year = static_cast<std::uint32_t>(year);
    for (auto [m, d] : days)
        r.dayFlags[static_cast<std::size_t>(m * 31 + d)] = 1;
    return r;
}

} // namespace

TEST(SearchCalendar, WeekdayOfTheFirstAgreesWithTheCLibrary)
{
    for (int year : {1999, 2000, 2001, 2008, 2024, 2037, 2040}) {
        for (int month = 0; month < 12; ++month) {
            std::tm tm{};
            tm.tm_year = year - 1900;
            tm.tm_mon = month;
            tm.tm_mday = 1;
            std::time_t t = timegm(&tm);
            std::tm out{};
            gmtime_r(&t, &out);
            EXPECT_EQ(MonthStartAndLength(year, month).firstWeekday, out.tm_wday) << year << "-" << month;
        }
    }
    EXPECT_EQ(MonthStartAndLength(2000, 1).length, 29);
    EXPECT_EQ(MonthStartAndLength(2001, 1).length, 28);
    EXPECT_EQ(MonthStartAndLength(2000, 0).firstWeekday, 6); // Saturday
}

TEST(SearchCalendar, YearAndMonthChoice)
{
    struct Case
    {
        const char* name;
        std::vector<YearRecord> records;
        int pcYear;
        bool found;
        int year, month;
    };
    const std::vector<Case> cases = {
        {"March and November of this year", {Year(2030, {{2, 4}, {10, 9}})}, 2030, true, 2030, 10},
        {"only 2036 with the PC in 2030", {Year(2036, {{5, 0}})}, 2030, true, 2036, 5},
        {"no records", {}, 2030, false, 2030, 0},
        {"zero day bytes", {Year(2030, {})}, 2030, false, 2030, 0},
        {"bytes past February's end never count", {Year(2023, {{1, 28}, {1, 30}})}, 2023, false, 2023, 0},
        {"PC year 1999 starts at 2000", {Year(2000, {{0, 0}})}, 1999, true, 2000, 0},
        {"PC year 2040 starts at 2037", {Year(2037, {{3, 3}}), Year(2001, {{1, 1}})}, 2040, true, 2037, 3},
        {"PC year 2040, nothing: ends", {Year(1990, {{3, 3}})}, 2040, false, 2037, 0},
        {"two records of one year are joined",
         {Year(2008, {{2, 1}}), Year(2008, {{6, 5}})},
         2008,
         true,
         2008,
         6},
    };
    for (const Case& c : cases) {
        CSearchCalendarModel model;
        EXPECT_EQ(model.Init(c.records, c.pcYear), c.found) << c.name;
        EXPECT_EQ(model.Year(), c.year) << c.name;
        EXPECT_EQ(model.Month(), c.month) << c.name;
    }

    // March and November: those enabled, the rest grey; November shown.
    CSearchCalendarModel model;
    ASSERT_TRUE(model.Init({Year(2030, {{2, 4}, {10, 9}})}, 2030));
    for (int m = 0; m < 12; ++m)
        EXPECT_EQ(model.MonthStates()[m], m == 10 ? kCalSelected : (m == 2 ? kCalNormal : kCalDisabled)) << m;

    // Two records of one year: day marks of both.
    CSearchCalendarModel joined;
    ASSERT_TRUE(joined.Init({Year(2008, {{2, 1}}), Year(2008, {{2, 20}})}, 2008));
    ASSERT_TRUE(joined.OnMonthClicked(2) || joined.Month() == 2);
    EXPECT_TRUE(joined.DayHasData(1));
    EXPECT_TRUE(joined.DayHasData(20));
}

TEST(SearchCalendar, DayGridAndClicks)
{
    CSearchCalendarModel model;
    // 2030: March 2030 starts on a Friday; a 31-day month starting Saturday
    // fills six rows (August 2026 starts on a Saturday).
    ASSERT_TRUE(model.Init({Year(2026, {{7, 4}, {2, 4}})}, 2026));
    EXPECT_EQ(model.Month(), 7);
    std::vector<CalendarDayCell> cells = model.DayCells();
    ASSERT_EQ(cells.size(), 31u);
    EXPECT_EQ(cells[0].x, 6 * 57 + 4);
    EXPECT_EQ(cells[0].y, 107);
    EXPECT_EQ(cells[30].y, 257);
    EXPECT_TRUE(cells[4].hasData);
    EXPECT_EQ(cells[4].state, kCalSelected);
    EXPECT_FALSE(cells[5].hasData);

    EXPECT_FALSE(model.OnMonthClicked(7)); // the shown month
    EXPECT_FALSE(model.OnMonthClicked(5)); // no recordings
    EXPECT_TRUE(model.OnMonthClicked(2));
    EXPECT_FALSE(model.PickDay(5)); // unmarked
    EXPECT_TRUE(model.PickDay(4));
    EXPECT_EQ(model.Day(), 4);

    // A year without recordings: January shown, nothing marked or clickable.
    EXPECT_FALSE(model.OnYearPicked(26)); // the shown year
    EXPECT_TRUE(model.OnYearPicked(10));
    EXPECT_EQ(model.Year(), 2010);
    EXPECT_EQ(model.Month(), 0);
    EXPECT_EQ(model.DayCells().size(), 31u);
    EXPECT_FALSE(model.PickDay(0));
    EXPECT_EQ(BuildYearNames().front(), "2000");
    EXPECT_EQ(BuildYearNames().back(), "2037");
}

// ---- Timeline -----------------------------------------------------------------

namespace {

std::uint32_t At(int y, int mo, int d, int h, int mi = 0, int s = 0)
{
    return static_cast<std::uint32_t>(UsertimeAsUtc(Usertime{y, mo - 1, d - 1, h, mi, s}));
}

} // namespace

TEST(SearchTimeline, BarsOfADay)
{
    const TimelineDay day{2008, 2, 1}; // 2 March 2008
    struct Case
    {
        const char* name;
        DayIntervalRecord record;
        std::uint32_t windowMask;
        std::vector<TimelineBar> bars;
    };
    const std::vector<Case> cases = {
        {"from the previous day at 00:00",
         {1, 1, At(2008, 3, 1, 22), At(2008, 3, 2, 1)},
         0xFFFF,
         {{0, 0, 113, 125}}},
        {"to the next day at 23:59:59",
         {1, 1, At(2008, 3, 2, 23), At(2008, 3, 3, 1)},
         0xFFFF,
         {{0, 0, 389, 400}}},
        {"same day number of another month is another day",
         {1, 1, At(2008, 4, 2, 6), At(2008, 4, 2, 7)},
         0xFFFF,
         {{0, 0, 400, 401}}},
        {"no kind bit draws nothing", {1, 0x40, At(2008, 3, 2, 6), At(2008, 3, 2, 7)}, 0xFFFF, {}},
        {"bits 1 and 3 draw kind 1",
         {2, 0x0A, At(2008, 3, 2, 6), At(2008, 3, 2, 7)},
         0xFFFF,
         {{1, 1, 185, 197}}},
        {"kind 2 with the camera's flag draws kind 0",
         {0x00020002u, 0x04, At(2008, 3, 2, 6), At(2008, 3, 2, 7)},
         0xFFFF,
         {{1, 0, 185, 197}}},
        {"camera outside the window's mask", {4, 1, At(2008, 3, 2, 6), At(2008, 3, 2, 7)}, 0x3, {}},
        {"shorter than a pixel still one pixel",
         {1, 1, At(2008, 3, 2, 6), At(2008, 3, 2, 6, 0, 10)},
         0xFFFF,
         {{0, 0, 185, 186}}},
        {"negative times count as 1970", {1, 1, 0x80000000u, At(2008, 3, 2, 1)}, 0xFFFF, {{0, 0, 113, 125}}},
    };
    CTimelineView view;
    for (const Case& c : cases) {
        const std::vector<TimelineBar> bars = view.Bars({c.record}, day, c.windowMask);
        ASSERT_EQ(bars.size(), c.bars.size()) << c.name;
        for (std::size_t i = 0; i < bars.size(); ++i) {
            EXPECT_EQ(bars[i].row, c.bars[i].row) << c.name;
            EXPECT_EQ(bars[i].kind, c.bars[i].kind) << c.name;
            EXPECT_EQ(bars[i].x1, c.bars[i].x1) << c.name;
            EXPECT_EQ(bars[i].x2, c.bars[i].x2) << c.name;
        }
    }
    // Two intervals whose pixels touch join; drawing twice gives the same bars.
    const std::vector<DayIntervalRecord> touching = {{1, 1, At(2008, 3, 2, 6), At(2008, 3, 2, 7)},
                                                     {1, 1, At(2008, 3, 2, 7, 5), At(2008, 3, 2, 8)}};
    const std::vector<TimelineBar> first = view.Bars(touching, day, 0xFFFF);
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(first[1].x1, first[0].x2);
    const std::vector<TimelineBar> again = view.Bars(touching, day, 0xFFFF);
    EXPECT_EQ(again[0].x1, first[0].x1);
}

TEST(SearchTimeline, PickZoomScroll)
{
    CTimelineView view;
    view.Click(401);
    EXPECT_EQ(view.Picked(), 86400); // 24:00:00
    EXPECT_EQ(FormatTimeOfDay(view.Picked()), "24 : 00 : 00");
    view.StepPicked(true);
    EXPECT_EQ(view.Picked(), 86400);
    view.SetPicked(0);
    view.StepPicked(false);
    EXPECT_EQ(view.Picked(), 0);
    EXPECT_EQ(view.TimeLabels(), (std::array<std::string, 4>{"0", "6", "12", "18"}));

    struct Zoom
    {
        const char* name;
        int viewStart, viewEnd;
        int from, to;
        int start, end, spp;
    };
    const std::vector<Zoom> zooms = {
        {"100 pixels at the full day", 0, 86400, 113, 213, 0, 30000, 104},
        {"one pixel rightwards", 0, 86400, 213, 214, 30000, 30288, 1},
        {"one pixel leftwards", 0, 86400, 214, 213, 30000 - 288 + 300, 30300, 1},
        {"last pixel rightwards", 0, 86400, 400, 401, 86100, 86388, 1},
        {"rightwards past the end pins", 85000, 86400, 400, 401, 86112, 86400, 1},
        {"leftwards before the start pins", 0, 1400, 114, 113, 0, 288, 1},
        {"two pixels: 600 seconds", 0, 86400, 213, 215, 30000, 30600, 2},
        {"span of 450 seconds: 576 at 2", 10000, 53200, 213, 216, 25000, 25576, 2},
    };
    for (const Zoom& z : zooms) {
        CTimelineView v;
        v.SetView(z.viewStart, z.viewEnd);
        EXPECT_TRUE(v.DragZoom(z.from, z.to)) << z.name;
        EXPECT_EQ(v.ViewStart(), z.start) << z.name;
        EXPECT_EQ(v.ViewEnd(), z.end) << z.name;
        EXPECT_EQ(v.SecPerPixel(), z.spp) << z.name;
    }
    CTimelineView finest;
    finest.SetView(1000, 1288);
    EXPECT_FALSE(finest.DragZoom(120, 200)); // nothing to zoom at 288 seconds
    EXPECT_TRUE(finest.ZoomOut());
    EXPECT_EQ(finest.ViewStart(), 856);
    EXPECT_EQ(finest.ViewEnd(), 1432);
    EXPECT_FALSE(view.ZoomOut()); // the whole day

    CTimelineView wheel;
    wheel.SetView(0, 288);
    EXPECT_FALSE(wheel.Wheel(-120));
    EXPECT_TRUE(wheel.Wheel(120));
    EXPECT_EQ(wheel.ViewStart(), 1);
    wheel.SetView(86112, 86400);
    EXPECT_FALSE(wheel.Wheel(120));

    // Cursor and grid: before the window whole grid, no cursor.
    CTimelineView cur;
    cur.SetView(3600, 3600 + 288 * 10);
    cur.SetPicked(3600 - 11);
    EXPECT_EQ(cur.CursorX(), -1);
    EXPECT_EQ(cur.GridFrom(), 113);
    cur.SetPicked(3600 - 9);
    EXPECT_EQ(cur.CursorX(), 113);
    cur.SetPicked(3600 + 288 * 10);
    EXPECT_EQ(cur.CursorX(), 401); // the window's end is its last pixel
    cur.SetPicked(3600 + 289 * 10);
    EXPECT_EQ(cur.CursorX(), -1);
    EXPECT_EQ(cur.GridFrom(), 402);
}

// ---- Date and time --------------------------------------------------------------

TEST(SearchDateTime, CellsPicksAndChecks)
{
    struct Format
    {
        int format;
        std::array<std::string, 3> cells;
    };
    for (const Format& f : {Format{0, {"2024.", "03.", "15."}}, Format{1, {"03.", "15.", "2024."}},
                            Format{2, {"15.", "03.", "2024."}}}) {
        CSearchDateTimeModel m(DateTimeVariant{}, 2024, 2, 14);
        m.SetDateFormat(f.format);
        for (int p = 0; p < 3; ++p)
            EXPECT_EQ(m.DateCellText(0, p), f.cells[static_cast<std::size_t>(p)]) << f.format << p;
    }
    CSearchDateTimeModel search(DateTimeVariant{}, 2024, 2, 14);
    search.SetWithEnd(true);
    EXPECT_EQ(search.DateCellText(1, 0), "2037.");
    EXPECT_EQ(search.TimeCellText(1), "23 : 59 : 59");
    CSearchDateTimeModel backup(DateTimeVariant{true}, 2024, 2, 14);
    EXPECT_TRUE(backup.WithEnd());
    EXPECT_EQ(backup.DateCellText(1, 2), "15.");
    EXPECT_EQ(backup.TimeCellText(1), "23 : 59 : 59");

    // Day clamp: 31 January -> February of a leap and a common year.
    CSearchDateTimeModel clamp(DateTimeVariant{}, 2024, 0, 30);
    clamp.SetWithEnd(true);
    EXPECT_TRUE(clamp.OnListPicked(1, 1));
    EXPECT_EQ(clamp.Start().day, 28);
    EXPECT_EQ(clamp.ListFor(2).items.size(), 29u);
    EXPECT_TRUE(clamp.OnListPicked(0, 23)); // 2023
    EXPECT_TRUE(clamp.OnListPicked(1, 0));  // January
    EXPECT_TRUE(clamp.OnListPicked(2, 30)); // 31st
    EXPECT_TRUE(clamp.OnListPicked(1, 1));  // February 2023
    EXPECT_EQ(clamp.Start().day, 27);

    // The clamp comes before the check: end 1 March, start 31 January moved
    // to February becomes 28/29 February, still before the end, not 2/3 March.
    CSearchDateTimeModel order(DateTimeVariant{true}, 2024, 0, 30);
    ASSERT_TRUE(order.OnListPicked(5, 2)); // end month March (end 31 March)
    ASSERT_TRUE(order.OnListPicked(6, 0)); // end day 1 March
    EXPECT_TRUE(order.OnListPicked(1, 1)); // start month February
    EXPECT_EQ(order.Start().month, 1);
    EXPECT_EQ(order.Start().day, 28);
    EXPECT_TRUE(order.IsStartBeforeEnd());

    // Refusals: an end time equal to the start, a start year after the end.
    CSearchDateTimeModel refuse(DateTimeVariant{true}, 2024, 2, 14);
    EXPECT_FALSE(refuse.OnTimePicked(7, 0, 0, 0));
    EXPECT_EQ(refuse.TimeCellText(1), "23 : 59 : 59");
    EXPECT_FALSE(refuse.OnListPicked(0, 30));
    EXPECT_EQ(refuse.Start().year, 2024);
    // A month pick whose clamped day would pass the end is refused whole.
    CSearchDateTimeModel revert(DateTimeVariant{true}, 2024, 0, 30); // start = end day 31 Jan
    EXPECT_FALSE(revert.OnListPicked(1, 1));
    EXPECT_EQ(revert.Start().month, 0);
    EXPECT_EQ(revert.Start().day, 30);

    // One row: no check; the time goes to the start.
    CSearchDateTimeModel one(DateTimeVariant{}, 2024, 2, 14);
    EXPECT_TRUE(one.OnTimePicked(0, 12, 30, 5));
    EXPECT_EQ(one.TimeCellText(0), "12 : 30 : 05");
}

// ---- Rules ----------------------------------------------------------------------

TEST(SearchRules, CameraRule)
{
    ChannelRows rows(16);
    rows.SetChecked(1, true);
    rows.SetChecked(3, true);
    EXPECT_EQ(ApplyCameraOnOff(0xFFFF, rows, 1, false), 0xFFFFu & ~0xAu); // checked: every checked row
    EXPECT_EQ(ApplyCameraOnOff(0xFFFF, rows, 0, false), 0xFFFEu);         // unchecked: that row alone
    ChannelRows four(4);
    four.CheckAll();
    EXPECT_EQ(ApplyCameraOnOff(0, four, 2, true), 0xFu);
    EXPECT_EQ(ApplyCameraOnOff(0xF0F0, four, 5, true), 0xF0F0u);  // a hidden row
    EXPECT_EQ(ApplyCameraOnOff(0xF0F1, four, 0, false), 0xF0F0u); // bits past the rows kept
    EXPECT_EQ(ApplyCameraOnOff(0xF, four, 1, false), 0u);         // every camera off: 0
    EXPECT_EQ(CameraRowCount(false, 4), 16);
    EXPECT_EQ(CameraRowCount(true, 4), 4);
    EXPECT_EQ(CameraRowCount(true, 8), 8);
}

TEST(SearchRules, TabsAndHandOver)
{
    PlayHandOver none;
    PlayHandOver timeline{1, 0, 2, 0, 0, 1000, 0x5};
    PlayHandOver fromLogEvent{1, 1, 0, 1, 0, 1000, 0x3};
    struct Case
    {
        const char* name;
        SearchRights rights;
        PlayHandOver handOver;
        SearchTab tab;
        bool close;
    };
    const std::vector<Case> cases = {
        {"no connection", {false, true, true, false}, none, SearchTab::None, false},
        {"both rights", {true, true, true, false}, none, SearchTab::Search, false},
        {"backup only", {true, false, true, false}, none, SearchTab::Backup, false},
        {"backup only during a transfer", {true, false, true, true}, none, SearchTab::None, true},
        {"from a log page", {true, true, true, false}, fromLogEvent, SearchTab::Log, false},
        {"from the timeline", {true, true, false, false}, timeline, SearchTab::Search, false},
    };
    for (const Case& c : cases) {
        bool close = false;
        EXPECT_EQ(InitialSearchTab(c.rights, c.handOver, close), c.tab) << c.name;
        EXPECT_EQ(close, c.close) << c.name;
    }
    EXPECT_EQ(SearchTabsEnabled({true, false, true, false}),
              (std::array<bool, 4>{false, true, false, false}));
    EXPECT_EQ(SearchTabsEnabled({true, true, false, false}), (std::array<bool, 4>{true, false, true, true}));
    EXPECT_EQ(SearchTabsEnabled({true, true, true, true}), (std::array<bool, 4>{true, false, true, true}));

    EXPECT_EQ(InitialChannelMask(none, 4), 0xFu);
    EXPECT_EQ(InitialChannelMask(timeline, 16), 0x5u);
    bool forget = false;
    EXPECT_EQ(SearchTabFirstView(timeline, forget), SearchView::Timeline);
    EXPECT_FALSE(forget);
    EXPECT_EQ(SearchTabFirstView(fromLogEvent, forget), SearchView::DateTime);
    EXPECT_TRUE(forget);
    EXPECT_EQ(LogTabFirstView(fromLogEvent, forget), 1);
    EXPECT_FALSE(forget);
    EXPECT_EQ(LogTabFirstView(timeline, forget), 0);
    EXPECT_TRUE(forget);
}

TEST(SearchRules, ArchiveGate)
{
    std::array<char, 9> pass{};
    std::memcpy(pass.data(), "Arch1234", 8);
    std::array<char, 9> shortPass{};
    std::memcpy(shortPass.data(), "ab", 2);
    struct Case
    {
        const char* name;
        ArchiveGateInput in;
        bool open;
    };
    const std::vector<Case> cases = {
        {"no connection", {false, 0, false, false, false, "", pass}, true},
        {"another account, no prompt", {true, 2, false, false, false, "", pass}, true},
        {"exact eight bytes", {true, 0, true, true, true, "Arch1234", pass}, true},
        {"case differs", {true, 0, true, true, true, "arch1234", pass}, false},
        {"a ninth byte typed", {true, 0, true, true, true, "Arch12345", pass}, false},
        {"cancelled", {true, 0, false, true, true, "Arch1234", pass}, false},
        {"not logged in", {true, 0, true, false, true, "Arch1234", pass}, false},
        {"no search right", {true, 0, true, true, false, "Arch1234", pass}, false},
        {"short password", {true, 0, true, true, true, "ab", shortPass}, true},
        {"prefix of it", {true, 0, true, true, true, "a", shortPass}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ArchiveGateOpen(c.in), c.open) << c.name;
}

TEST(SearchRules, PopupGeometry)
{
    EXPECT_EQ(SearchListInnerHeight(38, true), 210);
    EXPECT_EQ(SearchListInnerHeight(12, false), 252);
    EXPECT_EQ(SearchListInnerHeight(8, true), 63); // an empty third row
    EXPECT_EQ(SearchListInnerHeight(60, false), 39 * 21);
    EXPECT_EQ(SearchListCount(40), 39);
    EXPECT_EQ(PopupWindowRect({100, 200, 30, 7}, 210, 210), (PopupRect{100 + 30 - 105 + 1, 208, 210, 220}));
    EXPECT_EQ(SearchListCellRect(5, 210, true), (PopupRect{13 + 1 * 50, 9 + 21, 33, 14}));
    EXPECT_EQ(SearchListCellRect(2, 50, false), (PopupRect{12, 51, 31, 14}));
    EXPECT_EQ(KeepOnScreen({1900, 1000, 210, 220}, {0, 0, 1920, 1080}), (PopupRect{1710, 860, 210, 220}));
    EXPECT_EQ(KeepOnScreen({-10, 5, 50, 50}, {0, 0, 1920, 1080}), (PopupRect{0, 5, 50, 50}));
    EXPECT_EQ(ClampTimeResult(24, 30, 10), (TimeOfDay{24, 0, 0}));
    EXPECT_EQ(ClampTimeResult(25, 70, -1), (TimeOfDay{24, 0, 0}));
    EXPECT_EQ(ClampTimeResult(23, 59, 59), (TimeOfDay{23, 59, 59}));
}
