// The local calendar and day timeline over download folders written by the
// real download writer: the year search, day marks by kind, the hand-over of
// a day's list to the timeline, its bars, Play's decisions, the remembered
// search and the pop-ups of both pages.
#include "LocalTestData.h"
#include "local/LocalCalendarPages.h"
#include "LocalWindowFixture.h"
#include "local/LocalFileSet.h"
#include "local/LocalMenus.h"
#include "net/TimeUtil.h"
#include "search/ResIds.h"
#include "search/SearchPopups.h"
#include "streams/LocalSetBuilder.h"
#include "ui/SliderPickerPopup.h"

#include <QDir>
#include <filesystem>
#include <set>

using namespace k5streams;

namespace {

std::unique_ptr<LocalDayInterval> Node(std::uint32_t mask, BYTE kind, std::uint32_t start, std::uint32_t end)
{
    auto n = std::make_unique<LocalDayInterval>();
    n->channel_mask = mask;
    n->kind = kind;
    n->start_time = start;
    n->end_time = end;
    return n;
}

std::unique_ptr<LocalDayInterval> Chain(std::vector<std::unique_ptr<LocalDayInterval>> nodes)
{
    std::unique_ptr<LocalDayInterval> head;
    for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) {
        (*it)->next = std::move(head);
        head = std::move(*it);
    }
    return head;
}

void SaveRender(QWidget& w, const char* name)
{
    const QString dir = QString(K5_BINARY_DIR) + "/renders";
    QDir().mkpath(dir);
    w.grab().save(dir + "/" + name);
}

class LocalCalendarPages : public ::testing::Test
{
protected:
    void SetUp() override
    {
        UseBuiltBundle();
        main.location = LocalScratch();
        folder = LocalDownloadFolder(main.location, false, std::string());
        std::filesystem::create_directories(folder);
    }
    std::unique_ptr<CLocalSearchDlg> Open()
    {
        auto dlg = std::make_unique<CLocalSearchDlg>(&main, 255);
        dlg->Create();
        QApplication::processEvents();
        return dlg;
    }
    // One set of `seconds` seconds of the cameras in `mask` from `start`, all of event kind `kind`.
    std::vector<std::array<std::string, 3>> WriteSet(const std::string& name, std::uint32_t start, BYTE kind,
                                                     std::uint16_t mask = 0x1, int seconds = 3)
    {
        LocalSetOptions o;
        o.folder = folder;
        o.name = name;
        auto frames = MakeLocalRun(start, seconds, mask, 1, 0, 1);
        for (auto& f : frames)
            f.eventKind = kind;
        auto sets = WriteLocalSets(o, frames);
        EXPECT_EQ(sets.size(), 1u) << name;
        return sets;
    }
    CLocalCalendarPage* Calendar(CLocalSearchDlg& dlg)
    {
        dlg.ShowCalendarPage();
        QApplication::processEvents();
        return dynamic_cast<CLocalCalendarPage*>(dlg.Page(LocalSlot::Calendar));
    }
    CLocalTimelinePage* Timeline(CLocalSearchDlg& dlg)
    {
        return dynamic_cast<CLocalTimelinePage*>(dlg.Page(LocalSlot::Timeline));
    }

    FakeLocalMain main;
    std::string folder;
};

} // namespace

TEST_F(LocalCalendarPages, AnEmptyFolderGivesTheNoDataNoticeOnce)
{
    auto dlg = Open();
    CLocalCalendarPage* page = Calendar(*dlg);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(main.notes, (std::vector<std::pair<int, int>>{{17, 0}}));
    EXPECT_FALSE(page->Model().HasYear());
    EXPECT_EQ(page->m_lblYear.GetWindowText(), "2008");
    for (const CCalendarButton& b : page->m_btnMonth)
        EXPECT_FALSE(b.isEnabled());
    for (const CCalendarButton& b : page->m_btnDay)
        EXPECT_TRUE(b.isHidden());
    EXPECT_EQ(page->YearMap().year, 0);
}

TEST_F(LocalCalendarPages, YearSearchMarksDaysByKindAndReportsASkippedSetOnce)
{
    // Nothing in 2008 and 2007: the search goes back to 2006.
    WriteSet("a_kind1", At(2006, 3, 2, 10), 1);
    WriteSet("b_kind3", At(2006, 3, 10, 10), 3);
    WriteSet("c_kind6", At(2006, 5, 5, 10), 6);
    WriteSet("d_kind9", At(2006, 7, 7, 10), 9);
    const auto damaged = WriteSet("e_damaged", At(2006, 3, 2, 12), 1);
    ASSERT_TRUE(TruncateFile(damaged[0][0], 100));

    auto dlg = Open();
    CLocalCalendarPage* page = Calendar(*dlg);
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(main.notes.empty());
    EXPECT_EQ(main.skipped.size(), 1u);
    EXPECT_EQ(page->Model().Year(), 2006);
    EXPECT_EQ(page->m_lblYear.GetWindowText(), "2006");
    // Kind 6 makes May choosable (and the latest month), its day stays unmarked.
    EXPECT_EQ(page->Model().Month(), 4);
    EXPECT_FALSE(page->m_btnDay[4].isHidden());
    EXPECT_EQ(page->m_btnDay[4].m_bHasData, 0);
    EXPECT_FALSE(page->Model().DayHasData(4));
    // Kind 9 enables nothing.
    EXPECT_FALSE(page->m_btnMonth[6].isEnabled());
    EXPECT_TRUE(page->m_btnMonth[2].isEnabled());
    EXPECT_EQ(page->m_btnMonth[4].m_nState, kCalSelected);
    // Its interval is still in the day's list.
    EXPECT_EQ(page->YearMap().days[6][6].size(), 1u);

    ClickWidget(&page->m_btnMonth[2]);
    QApplication::processEvents();
    ASSERT_EQ(page->Model().Month(), 2);
    for (int d = 0; d < 31; ++d) {
        SCOPED_TRACE(d);
        const bool marked = d == 1 || d == 9;
        EXPECT_EQ(page->m_btnDay[d].m_bHasData, marked ? 1 : 0);
        EXPECT_EQ(page->m_btnDay[d].m_nState, marked ? kCalSelected : kCalNormal);
    }
    // The render: a marked day's cell differs from an unmarked one's.
    SaveRender(*page, "local-calendar-135.png");
    const QImage grab = page->grab().toImage();
    auto probe = [&](int d) {
        const QRect r = page->m_btnDay[d].geometry();
        return grab.pixelColor(r.left() + 3, r.top() + 3);
    };
    EXPECT_NE(probe(1), probe(2));
    EXPECT_EQ(probe(1), probe(9));
    EXPECT_EQ(probe(2), probe(3));

    // Another year from the pop-up scans again; the skipped set is not told twice.
    page->OnListPicked(0, 8);
    EXPECT_EQ(page->Model().Year(), 2008);
    EXPECT_EQ(page->YearMap().year, 0);
    EXPECT_EQ(main.skipped.size(), 1u);
    page->OnListPicked(0, 6);
    EXPECT_EQ(page->YearMap().year, 2006);
    EXPECT_EQ(main.skipped.size(), 1u);
}

TEST_F(LocalCalendarPages, ADayClickMovesExactlyThatDaysListToTheTimeline)
{
    WriteSet("a", At(2008, 3, 2, 10), 1, 0x3);
    WriteSet("b", At(2008, 3, 2, 14), 2, 0x4);
    WriteSet("c", At(2008, 3, 3, 10), 1);
    auto dlg = Open();
    CLocalCalendarPage* page = Calendar(*dlg);
    ASSERT_NE(page, nullptr);
    ASSERT_EQ(page->Model().Month(), 2);

    // An unmarked day only closes the open pop-up.
    page->OnYearClicked();
    ASSERT_NE(dlg->ListPicker(), nullptr);
    page->OnDayClicked(0);
    QApplication::processEvents();
    EXPECT_EQ(dlg->ListPicker(), nullptr);
    EXPECT_EQ(Timeline(*dlg), nullptr);

    page->OnDayClicked(1);
    QApplication::processEvents();
    CLocalTimelinePage* timeline = Timeline(*dlg);
    ASSERT_NE(timeline, nullptr);
    EXPECT_EQ(dlg->Page(LocalSlot::Calendar), nullptr);
    EXPECT_EQ(timeline->Day().year, 2008);
    EXPECT_EQ(timeline->Day().month, 2);
    EXPECT_EQ(timeline->Day().day, 1);
    std::vector<std::pair<std::uint32_t, int>> got;
    for (const LocalDayInterval* n = timeline->Intervals(); n; n = n->next.get())
        got.emplace_back(n->start_time, n->kind);
    EXPECT_EQ(got,
              (std::vector<std::pair<std::uint32_t, int>>{{At(2008, 3, 2, 10), 1}, {At(2008, 3, 2, 14), 2}}));
    // Cameras 1, 2 and 3: three bars.
    EXPECT_EQ(timeline->Bars().size(), 3u);

    // Prev: the calendar again, scanned afresh (the moved list is back).
    timeline->OnPrev();
    QApplication::processEvents();
    EXPECT_EQ(Timeline(*dlg), nullptr);
    auto* again = dynamic_cast<CLocalCalendarPage*>(dlg->Page(LocalSlot::Calendar));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->YearMap().days[2][1].size(), 2u);
}

TEST_F(LocalCalendarPages, TimelineBarsTakeTheKindAsANumberAndClipByTheWholeDate)
{
    auto dlg = Open();
    const std::uint32_t day = At(2008, 3, 2);
    std::vector<std::unique_ptr<LocalDayInterval>> nodes;
    nodes.push_back(Node(0x1, 3, day + 10 * 3600, day + 14 * 3600)); // camera 1, kind 3
    nodes.push_back(Node(0x2, 0, day + 10 * 3600, day + 14 * 3600)); // camera 2, kind 0
    nodes.push_back(Node(0x4, 7, day + 10 * 3600, day + 14 * 3600)); // camera 3, kind 7: nothing
    // Camera 4: from the same day of the month before: starts at midnight.
    nodes.push_back(Node(0x8, 0, At(2008, 2, 2, 10), day + 5 * 3600));
    // Camera 5: kind 1 with its flag: drawn as 0.
    nodes.push_back(Node(0x10 | (0x10u << 16), 1, day + 10 * 3600, day + 14 * 3600));
    // Camera 6: the same day of the next month: nothing on this day.
    nodes.push_back(Node(0x20, 2, At(2008, 4, 2, 10), At(2008, 4, 2, 11)));
    dlg->ShowTimelinePage(2008, 2, 1, Chain(std::move(nodes)));
    CLocalTimelinePage* page = Timeline(*dlg);
    ASSERT_NE(page, nullptr);

    const std::vector<TimelineBar> bars = page->Bars();
    std::vector<std::array<int, 2>> rowsKinds;
    for (const TimelineBar& b : bars)
        rowsKinds.push_back({b.row, b.kind});
    EXPECT_EQ(rowsKinds, (std::vector<std::array<int, 2>>{{0, 3}, {1, 0}, {3, 0}, {4, 0}, {5, 2}}));
    EXPECT_EQ(bars[2].x1, kTimelineLeft);
    EXPECT_EQ(bars[2].x2, page->View().X(5 * 3600));
    // After the day: a sliver at the right end, as the remote page draws it.
    EXPECT_GE(bars[4].x1, kTimelineRight - 2);
    // The remote day answer reads the byte 3 as bits 0 and 1: kind 0.
    EXPECT_EQ(CTimelineView::BarKind(3, 0x1, 0), 0);

    SaveRender(*page, "local-timeline-136.png");
    const QImage grab = page->grab().toImage();
    const int x = page->View().X(12 * 3600);
    auto mid = [&](int row) { return grab.pixelColor(x, 76 + 18 * row + 5); };
    const QImage kind3 = ResourceLibrary::Current().LoadBitmap(IDB_TIMELINE_BAR_FIRST + 3);
    ASSERT_FALSE(kind3.isNull());
    EXPECT_NE(mid(0), mid(1)); // kind 3 is not drawn as kind 0
    EXPECT_EQ(mid(1), mid(4)); // flagged kind 1 is
    // Kind 7 leaves its row as empty as before the bars start.
    EXPECT_EQ(mid(2), grab.pixelColor(page->View().X(8 * 3600), 76 + 18 * 2 + 5));
    EXPECT_NE(mid(0), mid(2));
}

TEST_F(LocalCalendarPages, PlayDecisionTable)
{
    WriteSet("a", At(2008, 3, 2, 10), 1, 0x1, 20);
    const int picked = 9 * 3600 + 30 * 60;
    const Usertime u{2008, 2, 1, 9, 30, 0};
    const int t = static_cast<int>(UsertimeToTime_t(u));
    struct Case
    {
        const char* name;
        bool remoteRuns, remoteBusy;
        bool running;
        int nodeEnd; // running playlist's one node ends at t + nodeEnd
        bool ended;
        int closes;
        std::size_t starts;
        bool remembered;
        bool playEnabled;
    };
    const Case cases[] = {
        {"no player", false, false, false, 0, true, 0, 1, true, true},
        {"player with a node after t", false, false, true, 100, true, 1, 1, true, true},
        {"player without a node after t", false, false, true, -100, true, 0, 0, true, true},
        {"remote playback runs", true, true, false, 0, false, 0, 0, false, false},
        {"a remote answer awaited", false, true, false, 0, true, 0, 1, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        main.ClearLastLocalSearch();
        main.SetRemote(c.remoteRuns, c.remoteBusy);
        main.running = c.running;
        main.playlist.clear();
        main.closes = 0;
        main.startTimes.clear();
        if (c.running) {
            PlaylistNode& n = main.playlist.emplace_back();
            n.nEntryStart = t + c.nodeEnd - 50;
            n.nEntryEnd = t + c.nodeEnd;
        }
        auto dlg = Open();
        std::vector<std::unique_ptr<LocalDayInterval>> nodes;
        nodes.push_back(Node(0x1, 1, At(2008, 3, 2, 10), At(2008, 3, 2, 10) + 19));
        nodes.push_back(Node(0x2, 2, At(2008, 3, 2, 11), At(2008, 3, 2, 12)));
        dlg->ShowTimelinePage(2008, 2, 1, Chain(std::move(nodes)));
        CLocalTimelinePage* page = Timeline(*dlg);
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(page->m_btnPlay.isEnabled(), c.playEnabled);
        page->View().SetPicked(picked);
        page->OnPlay();
        if (c.ended) {
            ASSERT_TRUE(WaitFor([&] { return dlg->Ended(); }));
        }
        QApplication::processEvents();
        EXPECT_EQ(dlg->Ended(), c.ended);
        EXPECT_EQ(main.closes, c.closes);
        EXPECT_EQ(main.startTimes.size(), c.starts);
        if (c.starts == 1) {
            EXPECT_EQ(main.startTimes[0], static_cast<int>(At(2008, 3, 2, 10)));
        }
        EXPECT_EQ(main.last.bValid, c.remembered ? 1 : 0);
        if (c.remembered) {
            EXPECT_EQ(main.last.nPage, 2);
            EXPECT_EQ(main.last.nTime, t);
            EXPECT_EQ(main.last.Count(), 2);
            ASSERT_TRUE(main.last.pHead && main.last.pHead->next);
            EXPECT_EQ(main.last.pHead->next->kind, 2);
            EXPECT_EQ(main.last.pTail, main.last.pHead->next.get());
        }
        EXPECT_EQ(main.notes, (std::vector<std::pair<int, int>>{}));
    }
}

TEST_F(LocalCalendarPages, TheCalendarButtonReopensTheRememberedDayTimeAndBars)
{
    WriteSet("a", At(2008, 3, 2, 10), 1, 0x3, 20);
    {
        auto dlg = Open();
        CLocalCalendarPage* page = Calendar(*dlg);
        ASSERT_NE(page, nullptr);
        page->OnDayClicked(1);
        QApplication::processEvents();
        CLocalTimelinePage* timeline = Timeline(*dlg);
        ASSERT_NE(timeline, nullptr);
        timeline->View().SetPicked(10 * 3600 + 5);
        timeline->OnPlay();
        ASSERT_TRUE(WaitFor([&] { return dlg->Ended(); }));
    }
    ASSERT_EQ(main.last.bValid, 1);
    auto dlg = Open();
    // Whatever opened first, the Calendar button brings the remembered day back.
    dlg->ShowEventPage();
    ClickWidget(dlg->MenuPage()->Button(452));
    QApplication::processEvents();
    CLocalTimelinePage* timeline = Timeline(*dlg);
    ASSERT_NE(timeline, nullptr);
    EXPECT_EQ(dlg->Page(LocalSlot::Calendar), nullptr);
    EXPECT_EQ(timeline->Day().year, 2008);
    EXPECT_EQ(timeline->Day().month, 2);
    EXPECT_EQ(timeline->Day().day, 1);
    EXPECT_EQ(timeline->View().Picked(), 10 * 3600 + 5);
    EXPECT_EQ(timeline->m_lblTime.GetWindowText(), "10 : 00 : 05");
    EXPECT_EQ(timeline->Bars().size(), 2u);
}

TEST_F(LocalCalendarPages, TheYearListOpensTenRowsFourToARow)
{
    WriteSet("a", At(2008, 3, 2, 10), 1);
    auto dlg = Open();
    CLocalCalendarPage* page = Calendar(*dlg);
    ASSERT_NE(page, nullptr);
    ClickWidget(&page->m_lblYear);
    QApplication::processEvents();
    auto* popup = dynamic_cast<CSearchListPickerPopup*>(dlg->ListPicker());
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->Count(), 38);
    EXPECT_TRUE(popup->FourPerRow());
    std::set<int> xs, ys;
    for (int i = 0; i < popup->Count(); ++i) {
        xs.insert(popup->Cell(i).geometry().x());
        ys.insert(popup->Cell(i).geometry().y());
    }
    EXPECT_EQ(xs.size(), 4u);
    EXPECT_EQ(ys.size(), 10u);
    EXPECT_EQ(popup->Cell(37).GetWindowText(), "2037");
    SaveRender(*popup, "local-calendar-years-137.png");
    popup->OnSearchCellClicked(7);
    QApplication::processEvents();
    EXPECT_EQ(dlg->ListPicker(), nullptr);
    EXPECT_EQ(page->Model().Year(), 2007);
    EXPECT_EQ(page->m_lblYear.GetWindowText(), "2007");
}

TEST_F(LocalCalendarPages, ATimePopUpClosedOnTheTimelineBackgroundReportsToTheTimeline)
{
    auto dlg = Open();
    dlg->ShowTimelinePage(2008, 2, 1, nullptr);
    CLocalTimelinePage* page = Timeline(*dlg);
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(page->Bars().empty());
    ClickWidget(&page->m_lblTime);
    QApplication::processEvents();
    CSliderPickerPopup* popup = dlg->TimePicker();
    ASSERT_NE(popup, nullptr);
    SaveRender(*popup, "local-timeline-time-138.png");
    popup->OnSliderMoved(0, 7);
    popup->OnSliderMoved(1, 8);
    popup->OnSliderMoved(2, 9);
    ClickWidget(page, QPoint(60, 30));
    ASSERT_TRUE(WaitFor([&] { return dlg->TimePicker() == nullptr; }));
    EXPECT_EQ(page->View().Picked(), 7 * 3600 + 8 * 60 + 9);
    EXPECT_EQ(page->m_lblTime.GetWindowText(), "07 : 08 : 09");
}

TEST(LocalCalendarYearSearch, AsksOnceForEveryYearTriedInOrder)
{
    struct Case
    {
        const char* name;
        int pcYear;
        int dataYear; // 0 none
        std::vector<int> asked;
        bool found;
    };
    std::vector<int> all = {2008, 2007, 2006, 2005, 2004, 2003, 2002, 2001, 2000};
    for (int y = 2037; y > 2008; --y)
        all.push_back(y);
    const std::vector<Case> cases = {
        {"this year", 2008, 2008, {2008}, true},
        {"two years back", 2008, 2006, {2008, 2007, 2006}, true},
        {"a later year",
         2008,
         2036,
         {2008, 2007, 2006, 2005, 2004, 2003, 2002, 2001, 2000, 2037, 2036},
         true},
        {"nothing anywhere", 2008, 0, all, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<int> asked;
        CSearchCalendarModel model;
        const bool found = model.Init(
            [&](int year, std::array<std::uint8_t, 372>& days) {
                asked.push_back(year);
                if (year != c.dataYear)
                    return false;
                days[2 * 31 + 4] = 0x40; // kind 6: the month only
                days[1 * 31 + 9] = 0x02;
                return true;
            },
            c.pcYear, 0x3F);
        EXPECT_EQ(found, c.found);
        EXPECT_EQ(asked, c.asked);
        if (found) {
            EXPECT_EQ(model.Year(), c.dataYear);
            EXPECT_EQ(model.Month(), 2);
            EXPECT_FALSE(model.DayHasData(4));
            // A month click lays the days out from what was read.
            ASSERT_TRUE(model.OnMonthClicked(1));
            EXPECT_TRUE(model.DayHasData(9));
            EXPECT_EQ(asked.size(), c.asked.size());
        }
    }
}

TEST_F(LocalCalendarPages, DamagedIndexCountsAndNegativeTimesMarkNothingElse)
{
    // A count past the entries the file holds: the set is left out and told once.
    const auto big = WriteSet("a_count", At(2008, 3, 2, 10), 1);
    ASSERT_TRUE(PatchFile(big[0][0], 96, {50, 0, 0, 0}));
    // An entry starting before 1970 has no date: it marks no day of its end's year.
    const auto negative = WriteSet("b_negative", At(2008, 3, 5, 10), 2);
    ASSERT_TRUE(PatchFile(negative[0][0], 192 + 24, {0x10, 0x00, 0x00, 0x80}));
    WriteSet("c_good", At(2008, 3, 7, 10), 1);

    auto dlg = Open();
    CLocalCalendarPage* page = Calendar(*dlg);
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(main.notes.empty());
    EXPECT_EQ(main.skipped.size(), 1u);
    ASSERT_EQ(page->Model().Year(), 2008);
    std::size_t days = 0;
    for (int m = 0; m < 12; ++m)
        for (int d = 0; d < 31; ++d)
            days += page->YearMap().days[static_cast<std::size_t>(m)][static_cast<std::size_t>(d)].size();
    EXPECT_EQ(days, 1u);
    EXPECT_EQ(page->YearMap().days[2][6].size(), 1u);
    for (int d = 0; d < 31; ++d)
        EXPECT_EQ(page->m_btnDay[d].m_bHasData, d == 6 ? 1 : 0) << d;
}
