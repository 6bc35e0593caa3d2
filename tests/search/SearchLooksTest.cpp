// What the operator sees of the remote search window, shown offscreen and
// driven against the recorder simulator: the window's shape, the day
// timelines' captions and bars, the words on the backup and archive buttons,
// and the log and information lists' rows.
#include "../WidgetInput.h"
#include "../WindowPixels.h"
#include "SearchTestSupport.h"

#include "RecorderSim.h"
#include "SimCatalogue.h"
#include "SimLog.h"
#include "SimSearch.h"
#include "net/NetClient.h"
#include "platform/ResourceLibrary.h"
#include "platform/Skin.h"
#include "search/BackupTimeline.h"
#include "search/EventPages.h"
#include "search/InfoPages.h"
#include "search/LogPages.h"
#include "search/RemoteSearchDlg.h"
#include "search/ResIds.h"
#include "search/ResIdsEvent.h"
#include "search/SearchPages.h"
#include "search/SearchTabPage.h"
#include "ui/SkinListCtrl.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QImage>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>

using k5sim::Bytes;
using k5sim::RecorderSim;
using namespace std::chrono_literals;

namespace {

QString Res(int id)
{
    return ResourceLibrary::Current().LoadResString(id);
}

// Pixels inside `rect` of `img` that differ from `background` there.
int InkPixels(const QImage& img, const QImage& background, const QRect& rect)
{
    int n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if (img.pixel(x, y) != background.pixel(x, y))
                ++n;
    return n;
}

} // namespace

class SearchLooks : public SearchSessionTest
{
protected:
    SearchLooks()
    {
        main.opacity = 230;
        main.archiveTyped = "1234";
    }
    // A recorder of product version 2.0 without playback, the user with
    // these rights.
    void Start(std::uint8_t searchRight = 1, std::uint8_t backupRight = 1)
    {
        MakeSim(2, 0);
        ASSERT_NO_FATAL_FAILURE(StartAndLogIn());
        SetRights(searchRight, backupRight);
    }
    // The window as the main window runs it: created, then shown.
    std::unique_ptr<CRemoteSearchDlg> Open()
    {
        auto dlg = SearchSessionTest::Open();
        dlg->show();
        QApplication::processEvents();
        return dlg;
    }
    // Opens the day timeline of 2 March 2008 through the calendar.
    template <typename Page>
    Page* OpenDay(CRemoteSearchDlg& dlg, SearchSlot calendarSlot, SearchSlot timelineSlot)
    {
        EXPECT_TRUE(PumpUntil([&] { return dlg.Page(calendarSlot) != nullptr; }));
        auto* calendar = static_cast<CSearchCalendarPage*>(dlg.Page(calendarSlot));
        if (!calendar)
            return nullptr;
        ClickWidget(&calendar->m_btnDay[1], QPoint(10, 10));
        EXPECT_TRUE(PumpUntil([&] { return dlg.Page(timelineSlot) != nullptr; }));
        QApplication::processEvents();
        return static_cast<Page*>(dlg.Page(timelineSlot));
    }
};

TEST_F(SearchLooks, TheShownWindowHasNoKeyColourPixel)
{
    Start();
    auto dlg = Open();
    ASSERT_TRUE(dlg->isVisible());
    const QImage seen = OperatorView(*dlg);
    EXPECT_EQ(KeyPixels(seen), 0);
    // The rounded corners are holes; the rest is the window, with its opacity.
    for (const QPoint corner : {QPoint(0, 0), QPoint(617, 0), QPoint(0, 545), QPoint(617, 545)})
        EXPECT_FALSE(dlg->mask().contains(corner)) << corner.x() << "," << corner.y();
    EXPECT_TRUE(dlg->mask().contains(QPoint(309, 273)));
    EXPECT_TRUE(dlg->mask().contains(QPoint(600, 527)));
    EXPECT_NEAR(dlg->windowOpacity(), 230 / 255.0, 0.01);
    Close(dlg);
}

namespace {

struct CaptionWant
{
    int id;
    QRect rect;
    QString text;
};

// Each caption: its id, place and text as laid out, drawn on the page (ink
// over the page's background) and whole within its width.
void ExpectCaptions(CSearchTimelinePage& page, int backgroundId, const std::vector<CaptionWant>& want)
{
    const QImage background =
        ResourceLibrary::Current().LoadBitmap(backgroundId).convertToFormat(QImage::Format_RGB32);
    const QImage seen = page.grab().toImage().convertToFormat(QImage::Format_RGB32);
    for (std::size_t i = 0; i < want.size(); ++i) {
        SCOPED_TRACE(want[i].id);
        const CSkinLabel& label = page.m_lblCaption[i];
        EXPECT_EQ(label.GetDlgCtrlID(), want[i].id);
        EXPECT_TRUE(label.isVisible());
        EXPECT_EQ(label.geometry(), want[i].rect);
        EXPECT_FALSE(want[i].text.trimmed().isEmpty());
        EXPECT_EQ(label.GetWindowText(), want[i].text);
        EXPECT_GT(InkPixels(seen, background, want[i].rect), 10);
        EXPECT_LE(QFontMetrics(label.m_font).horizontalAdvance(want[i].text), want[i].rect.width());
    }
}

} // namespace

TEST_F(SearchLooks, DayTimelineShowsItsThreeCaptionsAndKeepsBarsInsideTheGrid)
{
    Start();
    auto dlg = Open();
    ClickWidget(dlg->TabPage()->Button(2), QPoint(40, 15)); // Search tab: Calendar
    auto* day = OpenDay<CSearchTimelinePage>(*dlg, SearchSlot::SearchCalendar, SearchSlot::SearchTimeline);
    ASSERT_NE(day, nullptr);
    ASSERT_TRUE(day->isVisible());
    ExpectCaptions(*day, IDB_TIMELINE_BACKGROUND,
                   {{790, QRect(15, 9, 70, 14), Res(IDS_DT_DATE)},
                    {791, QRect(15, 32, 70, 14), Res(IDS_DT_TIME)},
                    {792, QRect(32, 55, 70, 14), Res(IDS_TIMELINE_CAMERA)}});
    // The camera column's heading is not the time pop-up's "Hour".
    EXPECT_NE(day->m_lblCaption[2].GetWindowText(), Res(5350));

    // Zoomed into a long recorded stretch: the bars that run on past the
    // visible window stop at the grid's last pixel column (400) and leave its
    // border line (x 401) alone.
    const auto intervals = search->Catalogue().DayIntervals(2008, 3, 2);
    ASSERT_FALSE(intervals.empty());
    const auto longest =
        *std::max_element(intervals.begin(), intervals.end(),
                          [](const auto& a, const auto& b) { return a.end - a.start < b.end - b.start; });
    ASSERT_GT(longest.end - longest.start, 60u + 600u + 1u);
    const int from = static_cast<int>(longest.start - k5sim::RecorderTime(2008, 3, 2)) + 60;
    day->View().SetView(from, from + 600);
    day->update();
    const std::vector<TimelineBar> bars = day->Bars();
    ASSERT_FALSE(bars.empty());
    int atTheEdge = 0;
    for (const TimelineBar& b : bars) {
        EXPECT_GE(b.x1, kTimelineLeft);
        EXPECT_LE(b.x2, kTimelineLeft + kTimelinePixels);
        atTheEdge += b.x2 == kTimelineLeft + kTimelinePixels ? 1 : 0;
    }
    ASSERT_GT(atTheEdge, 0);
    // Column 400 shows the last bar drawn over it; column 401 stays the
    // border line, as on a row without recordings (camera 16).
    const QImage seen = day->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRgb border = seen.pixel(401, TimelineBar{15}.Top() + 4);
    std::map<int, int> lastKindAt400;
    for (const TimelineBar& b : bars)
        if (b.x1 <= 400 && b.x2 > 400)
            lastKindAt400[b.row] = b.kind;
    ASSERT_FALSE(lastKindAt400.empty());
    for (const auto& [row, kind] : lastKindAt400) {
        const int y = TimelineBar{row}.Top() + 4;
        const QRgb fill = ResourceLibrary::Current()
                              .LoadBitmap(IDB_TIMELINE_BAR_FIRST + kind)
                              .convertToFormat(QImage::Format_RGB32)
                              .pixel(4, 4);
        EXPECT_EQ(seen.pixel(400, y), fill) << "row " << row;
        EXPECT_EQ(seen.pixel(401, y), border) << "row " << row;
        EXPECT_NE(border, fill);
    }
    Close(dlg);
}

TEST_F(SearchLooks, BackupTimelineShowsStartEndAndTheCameraHeading)
{
    Start(0, 1); // the backup right alone: the window opens on the Backup tab
    auto dlg = Open();
    ASSERT_EQ(dlg->OpenTab(), SearchTab::Backup);
    ClickWidget(dlg->TabPage()->Button(2), QPoint(40, 15)); // Calendar
    auto* range = OpenDay<CBackupTimelinePage>(*dlg, SearchSlot::BackupCalendar, SearchSlot::BackupTimeline);
    ASSERT_NE(range, nullptr);
    ASSERT_TRUE(range->isVisible());
    ExpectCaptions(*range, IDB_BACKUP_TIMELINE_BACKGROUND,
                   {{790, QRect(15, 9, 70, 14), Res(IDS_DT_START)},
                    {791, QRect(15, 32, 70, 14), Res(IDS_DT_END)},
                    {792, QRect(32, 55, 70, 14), Res(IDS_TIMELINE_CAMERA)}});
    Close(dlg);
}

TEST_F(SearchLooks, BackupButtonsSayBackupAndTheLogTabKeepsItsArchive)
{
    Start(0, 1);
    auto dlg = Open();
    ASSERT_EQ(dlg->OpenTab(), SearchTab::Backup);
    const QString backup = Res(IDS_BACKUP_BUTTON);
    EXPECT_EQ(backup, "Backup");
    EXPECT_NE(backup, Res(IDS_LOG_ARCHIVE));
    // The window opens the backup date-time page first: its download button.
    auto* dateTime = static_cast<CSearchDateTimePage*>(dlg->Page(SearchSlot::BackupDateTime));
    ASSERT_NE(dateTime, nullptr);
    EXPECT_TRUE(dateTime->m_btnPlay.isVisible());
    EXPECT_EQ(dateTime->m_btnPlay.m_strText, backup);
    // The backup timeline's.
    ClickWidget(dlg->TabPage()->Button(2), QPoint(40, 15));
    auto* range = OpenDay<CBackupTimelinePage>(*dlg, SearchSlot::BackupCalendar, SearchSlot::BackupTimeline);
    ASSERT_NE(range, nullptr);
    EXPECT_TRUE(range->m_btnBackup.isVisible());
    EXPECT_EQ(range->m_btnBackup.m_strText, backup);
    Close(dlg);
}

TEST_F(SearchLooks, LogKindsFitTheirColumnAndTheListsShowNoHeaderStrip)
{
    Start();
    k5sim::SearchScript script;
    script.log = k5sim::BuildLog(k5sim::EveryKindLog(k5sim::RecorderTime(2008, 3, 1)));
    search->SetScript(script);
    auto dlg = Open();
    ClickWidget(&dlg->m_btnTab[2], QPoint(30, 30)); // Log: the All list first
    ASSERT_TRUE(PumpUntil([&] { return dlg->Page(SearchSlot::LogAll) != nullptr; }));
    QApplication::processEvents();
    auto* page = static_cast<CLogListPage*>(dlg->Page(SearchSlot::LogAll));
    ASSERT_TRUE(page->isVisible());
    CSkinListCtrl& list = page->m_lstLog;
    ASSERT_GT(list.GetItemCount(), 40);

    // The columns keep their widths; every kind text is whole in its column,
    // measured with the font the list draws its rows in.
    const int widths[5] = {50, 150, 120, 70, 336};
    for (int c = 0; c < 5; ++c)
        EXPECT_EQ(list.columnWidth(c), widths[c]) << c;
    const QFontMetrics metrics(list.m_font);
    std::set<QString> kinds;
    for (int row = 0; row < list.GetItemCount(); ++row) {
        const QString kind = list.GetItemText(row, 2);
        kinds.insert(kind);
        EXPECT_LE(metrics.horizontalAdvance(kind), list.columnWidth(2)) << kind.toStdString();
    }
    // Every Operation kind is among them, the setup initialisation too.
    EXPECT_EQ(kinds.count(" " + Res(5090)), 1u);
    EXPECT_GE(kinds.size(), 40u);

    // No header strip: the first row starts at the list's top.
    auto expectNoStrip = [](CSkinListCtrl& l) {
        EXPECT_FALSE(l.header()->isVisible());
        EXPECT_EQ(l.viewport()->geometry().top(), 0);
        ASSERT_GT(l.GetItemCount(), 0);
        EXPECT_EQ(l.visualItemRect(l.topLevelItem(0)).top(), 0);
    };
    expectNoStrip(list);

    // The Log tab's archive button keeps the archive log's word.
    CSkinTextButton* archive = dlg->TabPage()->Button(6);
    ASSERT_NE(archive, nullptr);
    EXPECT_EQ(archive->m_strText, Res(IDS_LOG_ARCHIVE));

    // The information lists: System Info opens with the Info tab.
    ClickWidget(&dlg->m_btnTab[3], QPoint(30, 30));
    ASSERT_TRUE(PumpUntil([&] { return dlg->Page(SearchSlot::SystemInfo) != nullptr; }));
    auto* info = static_cast<CInfoListPage*>(dlg->Page(SearchSlot::SystemInfo));
    ASSERT_TRUE(info->isVisible());
    expectNoStrip(info->m_lstInfo);
    Close(dlg);
}
