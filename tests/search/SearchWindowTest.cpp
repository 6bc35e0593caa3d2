// The remote search window offscreen, against the recorder simulator: the
// calendar - day - timeline - Play - reopen flow, the date-time Play, the
// camera mask, Cancel, refusals, rights changes, and the pop-ups.
#include "../WidgetInput.h"
#include "SearchRenders.h"
#include "SearchTestSupport.h"

#include "RecorderSim.h"
#include "SimCatalogue.h"
#include "SimLive.h"
#include "SimSearch.h"
#include "SimTransfer.h"
#include "net/NetClient.h"
#include "net/NetMessages.h"
#include "platform/ResourceLibrary.h"
#include "search/BackupFlow.h"
#include "search/BackupTimeline.h"
#include "search/EventPages.h"
#include "search/InfoPages.h"
#include "search/RemoteLog.h"
#include "search/RemoteSearchDlg.h"
#include "search/SearchPages.h"
#include "search/SearchPopups.h"
#include "search/SearchTabPage.h"
#include "ui/SkinListCtrl.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <unistd.h>

using k5sim::Bytes;
using k5sim::RecorderSim;
using namespace std::chrono_literals;

class SearchWindow : public SearchSessionTest
{
protected:
    SearchWindow() { rightsByRoundTrip = true; }

    void DateTimePlay(std::uint8_t minor, bool twoRows);
    void EventListPlay(std::uint8_t minor);
};

TEST_F(SearchWindow, CalendarDayTimelinePlayAndReopen)
{
    Start();
    auto dlg = Open();
    ASSERT_EQ(dlg->OpenTab(), SearchTab::Search);
    EXPECT_NE(dlg->Page(SearchSlot::SearchDateTime), nullptr);
    EXPECT_EQ(dlg->m_nChannelMask, 0xFFFFu);

    // Calendar: the month request, pending until the answer; tabs inert meanwhile.
    dlg->TabPage()->OnButton(2);
    EXPECT_TRUE(dlg->RequestPending());
    dlg->ShowBackupTab();
    EXPECT_EQ(dlg->OpenTab(), SearchTab::Search);
    ASSERT_TRUE(PumpUntil([&] { return dlg->Page(SearchSlot::SearchCalendar) != nullptr; }));
    EXPECT_FALSE(dlg->RequestPending());
    auto* calendar = static_cast<CSearchCalendarPage*>(dlg->Page(SearchSlot::SearchCalendar));
    EXPECT_EQ(calendar->Model().Year(), 2008);
    EXPECT_EQ(calendar->Model().Month(), 2);
    EXPECT_TRUE(calendar->Model().DayHasData(1));
    EXPECT_FALSE(calendar->Model().DayHasData(0));

    // A day: its body, then the timeline with the catalogue's bars.
    calendar->OnDayClicked(1);
    ASSERT_TRUE(PumpUntil([&] { return dlg->Page(SearchSlot::SearchTimeline) != nullptr; }));
    const auto dayReqs = sim->ReceivedOf(k5sim::id::PLAY_INFO_DAY_REQ);
    ASSERT_EQ(dayReqs.size(), 1u);
    EXPECT_EQ(dayReqs[0].payload, (Bytes{0, 0, 0x07, 0xD8, 3, 2, 0, 0}));
    auto* timeline = static_cast<CSearchTimelinePage*>(dlg->Page(SearchSlot::SearchTimeline));
    const auto intervals = search->Catalogue().DayIntervals(2008, 3, 2);
    const std::vector<TimelineBar> bars = timeline->Bars();
    ASSERT_EQ(bars.size(), intervals.size());
    for (std::size_t i = 0; i < bars.size(); ++i) {
        EXPECT_EQ(bars[i].row, intervals[i].channel);
        EXPECT_EQ(bars[i].kind,
                  CTimelineView::BarKind(intervals[i].kinds,
                                         (1u << intervals[i].channel) |
                                             (intervals[i].flag ? 1u << (16 + intervals[i].channel) : 0),
                                         intervals[i].channel));
    }
    // The grab shows a bar where the model puts it.
    const QImage grab = timeline->grab().toImage();
    const TimelineBar& first = bars.front();
    const QColor bar = grab.pixelColor((first.x1 + first.x2) / 2, (first.Top() + first.Bottom()) / 2);
    const QColor empty = grab.pixelColor((first.x1 + first.x2) / 2, first.Top() - 4);
    EXPECT_NE(bar, empty);

    // Play at 06:10 (a gap): the recorder plays from 06:30 for the cameras it holds.
    timeline->View().SetPicked(6 * 3600 + 10 * 60);
    timeline->OnPlay();
    ASSERT_TRUE(PumpUntil([&] { return dlg->Ended(); }));
    ASSERT_TRUE(sim->WaitForCount(k5sim::id::PLAY_ON_REQ, 1));
    const Bytes play = sim->ReceivedOf(k5sim::id::PLAY_ON_REQ)[0].payload;
    ASSERT_EQ(play.size(), 24u);
    EXPECT_EQ(k5sim::GetBE32(play, 0), 0xFFFFu);
    EXPECT_EQ(k5sim::GetBE32(play, 16), k5sim::RecorderTime(2008, 3, 2, 6, 10));
    EXPECT_EQ(k5sim::GetBE32(play, 20), 0u);
    ASSERT_TRUE(PumpUntil([&] { return live->PlayRunning(); }));
    EXPECT_EQ(live->Play().startTime, k5sim::RecorderTime(2008, 3, 2, 6, 30));
    EXPECT_EQ(live->Play().channels, 0x1Fu);
    const PlayHandOver block = main.client->SearchKeep().HandOver();
    EXPECT_EQ(block.active, 1);
    EXPECT_EQ(block.view, 2);
    EXPECT_EQ(block.startTime, k5sim::RecorderTime(2008, 3, 2, 6, 10));
    EXPECT_EQ(main.stripRedraws, 1);
    main.viewMode = 2;
    Close(dlg);

    // The next window restores the timeline without asking again.
    const std::size_t months = sim->Count(k5sim::id::PLAY_INFO_MONTH_REQ);
    const std::size_t days = sim->Count(k5sim::id::PLAY_INFO_DAY_REQ);
    auto again = Open();
    ASSERT_NE(again->Page(SearchSlot::SearchTimeline), nullptr);
    auto* restored = static_cast<CSearchTimelinePage*>(again->Page(SearchSlot::SearchTimeline));
    EXPECT_EQ(restored->View().Picked(), 6 * 3600 + 10 * 60);
    EXPECT_EQ(restored->Day().day, 1);
    EXPECT_EQ(restored->Bars().size(), bars.size());
    EXPECT_FALSE(again->RequestPending());
    QApplication::processEvents();
    EXPECT_EQ(sim->Count(k5sim::id::PLAY_INFO_MONTH_REQ), months);
    EXPECT_EQ(sim->Count(k5sim::id::PLAY_INFO_DAY_REQ), days);
    // Close during the playback keeps the block.
    again->OnCloseButton();
    EXPECT_TRUE(main.client->SearchKeep().HandOverActive());
    Close(again);
}

void SearchWindow::DateTimePlay(std::uint8_t minor, bool twoRows)
{
    Start(1, minor);
    auto dlg = Open();
    auto* page = static_cast<CSearchDateTimePage*>(dlg->Page(SearchSlot::SearchDateTime));
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->Model().WithEnd(), twoRows);
    // Camera 1 off through the channel page.
    dlg->TabPage()->OnButton(3);
    auto* channels = static_cast<CSearchChannelPage*>(dlg->Page(SearchSlot::SearchChannel));
    ASSERT_NE(channels, nullptr);
    EXPECT_EQ(dlg->Page(SearchSlot::SearchDateTime), nullptr);
    channels->OnOnOff(0, false);
    EXPECT_EQ(dlg->m_nChannelMask, 0xFFFEu);
    dlg->TabPage()->OnButton(0);
    page = static_cast<CSearchDateTimePage*>(dlg->Page(SearchSlot::SearchDateTime));
    ASSERT_NE(page, nullptr);
    page->OnTimePicked(twoRows ? 3 : 0, 10, 0, 0);
    // Play with the time pop-up open sends the time the pop-up shows.
    page->OnTimeCellClicked(twoRows ? 3 : 0);
    ASSERT_NE(dlg->TimePicker(), nullptr);
    EXPECT_EQ(dlg->TimePicker()->m_sliders[0].GetPos(), 10);
    dlg->TimePicker()->m_sliders[0].SetPos(11);
    dlg->TimePicker()->OnSliderMoved(0, 11);
    page->OnPlay();
    ASSERT_TRUE(sim->WaitForCount(k5sim::id::PLAY_ON_REQ, 1));
    const Bytes play = sim->ReceivedOf(k5sim::id::PLAY_ON_REQ)[0].payload;
    EXPECT_EQ(k5sim::GetBE32(play, 0), 0xFFFEu);
    EXPECT_EQ(play[4], 0x3F);
    EXPECT_EQ(k5sim::GetBE32(play, 16), k5sim::RecorderTime(2008, 3, 20, 11));
    EXPECT_EQ(k5sim::GetBE32(play, 20), twoRows ? k5sim::RecorderTime(2037, 12, 31, 23, 59, 59) : 0u);
    ASSERT_TRUE(PumpUntil([&] { return dlg->Ended(); }));
    Close(dlg);
    // The window's cameras became the connection's.
    EXPECT_EQ(main.client->m_nChannelMask, 0xFFFEu);
}

TEST_F(SearchWindow, DateTimePlayOneRowWithTheCameraMask)
{
    DateTimePlay(0, false);
}

TEST_F(SearchWindow, DateTimePlayTwoRowsWithTheCameraMask)
{
    DateTimePlay(1, true);
}

TEST_F(SearchWindow, CancelRefusalsAndRights)
{
    Start();
    k5sim::SearchScript script;
    script.logRefuse = 86;
    script.statusRefuse = 83;
    search->SetScript(script);
    auto dlg = Open();

    // A log refusal leaves the window open and the next button working.
    dlg->ShowLogTab();
    ASSERT_EQ(dlg->OpenTab(), SearchTab::Log);
    ASSERT_TRUE(sim->WaitForCount(k5sim::id::LOG_INFO_REQ, 1));
    ASSERT_TRUE(PumpUntil([&] { return !dlg->RequestPending(); }));
    EXPECT_FALSE(dlg->Ended());
    dlg->TabPage()->OnButton(0);
    ASSERT_TRUE(sim->WaitForCount(k5sim::id::LOG_INFO_REQ, 2));
    ASSERT_TRUE(PumpUntil([&] { return !dlg->RequestPending(); }));

    // Rights: backup only -> the Backup tab; search only -> back to Search; none -> closed.
    SetRights(0, 1);
    ASSERT_TRUE(PumpUntil([&] { return dlg->OpenTab() == SearchTab::Backup; }));
    EXPECT_FALSE(dlg->m_btnTab[0].m_bEnabled);
    SetRights(1, 0);
    ASSERT_TRUE(PumpUntil([&] { return dlg->OpenTab() == SearchTab::Search; }));
    EXPECT_FALSE(dlg->m_btnTab[1].m_bEnabled);
    EXPECT_TRUE(dlg->m_btnTab[2].m_bEnabled);

    // Cancel: one CAPA_CAL_CANCEL, header only, even with nothing pending.
    dlg->OnCancelButton();
    ASSERT_TRUE(sim->WaitForCount(k5sim::id::CAPA_CAL_CANCEL, 1));
    EXPECT_TRUE(sim->ReceivedOf(k5sim::id::CAPA_CAL_CANCEL)[0].payload.empty());
    EXPECT_TRUE(dlg->Ended());
    Close(dlg);

    auto last = Open();
    SetRights(0, 0);
    ASSERT_TRUE(PumpUntil([&] { return last->Ended(); }));
    Close(last);
}

TEST_F(SearchWindow, WithoutConnectionTheTabButtonsDoNotWait)
{
    FakeSearchMain none;
    CRemoteSearchDlg dlg(none);
    dlg.Create();
    EXPECT_EQ(dlg.OpenTab(), SearchTab::None);
    dlg.ShowSearchTab();
    ASSERT_NE(dlg.TabPage(), nullptr);
    dlg.TabPage()->OnButton(2);
    EXPECT_FALSE(dlg.RequestPending());
    dlg.TabPage()->OnButton(1);
    EXPECT_FALSE(dlg.RequestPending());
    dlg.DestroyWindow();
}

TEST_F(SearchWindow, PopUps)
{
    FakeSearchMain none;
    CRemoteSearchDlg dlg(none);
    dlg.Create();
    auto* page = static_cast<CSearchDateTimePage*>(dlg.ShowPage(SearchSlot::SearchDateTime));
    ASSERT_NE(page, nullptr);

    struct ListCase
    {
        int count;
        bool four;
        int innerHeight;
    };
    for (const ListCase c : {ListCase{38, true, 210}, ListCase{12, false, 252}, ListCase{8, true, 63},
                             ListCase{39, false, 819}}) {
        auto request = std::make_unique<ListPickerRequest>();
        std::memset(request.get(), 0, sizeof *request);
        request->Count = c.count;
        for (int i = 0; i < c.count; ++i)
            SetListPickerItem(*request, i, std::to_string(i).c_str());
        request->Width = 210;
        dlg.OpenListPicker(page, 0, *request, 2, c.four);
        auto* popup = static_cast<CSearchListPickerPopup*>(dlg.ListPicker());
        ASSERT_NE(popup, nullptr);
        EXPECT_EQ(popup->height(), c.innerHeight + 10) << c.count;
        EXPECT_EQ(popup->Count(), c.count);
        // Cells before the first selectable one ignore clicks.
        popup->OnSearchCellClicked(1);
        EXPECT_EQ(dlg.ListPicker(), popup);
        dlg.ClosePickers();
        EXPECT_EQ(dlg.ListPicker(), nullptr);
    }
    // A pick goes to the page that opened the pop-up (one row: year list).
    auto request = std::make_unique<ListPickerRequest>();
    std::memset(request.get(), 0, sizeof *request);
    request->Count = 38;
    request->Width = 210;
    dlg.OpenListPicker(page, 0, *request, 0, true);
    static_cast<CSearchListPickerPopup*>(dlg.ListPicker())->OnSearchCellClicked(10);
    EXPECT_EQ(dlg.ListPicker(), nullptr);
    EXPECT_EQ(page->Model().Start().year, 2010);

    // Time pop-up: a second one reports the first one's values first; it
    // never reports past 24:00:00.
    SliderPickerRequest time{};
    time.Count = 3;
    time.Value1 = 24;
    time.Value2 = 30;
    time.Value3 = 15;
    time.Width = 358;
    dlg.OpenTimePicker(page, 0, time);
    ASSERT_NE(dlg.TimePicker(), nullptr);
    dlg.TimePicker()->m_sliders[1].SetPos(45);
    dlg.TimePicker()->OnSliderMoved(1, 45);
    time.Value1 = 1;
    dlg.OpenTimePicker(page, 0, time);
    // 24:30:15 opened as 24:00:00; the date page holds hours to 0-23.
    EXPECT_EQ(page->Model().Start().hour, 23);
    EXPECT_EQ(page->Model().Start().minute, 0);
    dlg.ClosePickers();

    // Play with an open time pop-up sends the pop-up's time (no connection:
    // the hand-over is still written to nobody, the window still ends).
    dlg.OpenTimePicker(page, 0, time);
    dlg.TimePicker()->m_sliders[0].SetPos(7);
    dlg.TimePicker()->OnSliderMoved(0, 7);
    page->OnPlay();
    EXPECT_EQ(page->Model().Start().hour, 7);
    EXPECT_EQ(dlg.TimePicker(), nullptr);

    // A page closed while its pop-up is open receives nothing.
    page = static_cast<CSearchDateTimePage*>(dlg.ShowPage(SearchSlot::SearchDateTime));
    ASSERT_NE(page, nullptr);
    dlg.OpenTimePicker(page, 0, time);
    dlg.ShowPage(SearchSlot::SearchChannel);
    EXPECT_EQ(dlg.TimePicker(), nullptr);
    dlg.DestroyWindow();
}

TEST_F(SearchWindow, LayoutAndWaitingText)
{
    FakeSearchMain none;
    CRemoteSearchDlg dlg(none);
    dlg.Create();
    EXPECT_EQ(dlg.size(), QSize(618, 546));
    EXPECT_EQ(dlg.m_btnTab[0].geometry(), QRect(22, 1, 71, 65));
    EXPECT_EQ(dlg.m_btnTab[3].geometry(), QRect(235, 1, 71, 65));
    EXPECT_EQ(dlg.m_btnCancel.geometry(), QRect(501, 516, 97, 22));
    EXPECT_EQ(dlg.m_btnClose.geometry(), QRect(580, 12, 26, 26));
    EXPECT_FALSE(dlg.m_btnOk.isVisible());
    const QImage idle = dlg.grab().toImage();
    dlg.SetPending(PendingKind::Month);
    const QImage waiting = dlg.grab().toImage();
    dlg.ClearPending();
    const QImage after = dlg.grab().toImage();
    const QRect text(194, 78, 409, 423);
    EXPECT_NE(idle.copy(text), waiting.copy(text));
    EXPECT_EQ(idle.copy(text), after.copy(text));
    dlg.DestroyWindow();
}

TEST_F(SearchWindow, DayAnswersWithoutRecordsOrCalendar)
{
    Start();
    auto dlg = Open();
    dlg->TabPage()->OnButton(2);
    ASSERT_TRUE(PumpUntil([&] { return dlg->Page(SearchSlot::SearchCalendar) != nullptr; }));
    auto* calendar = static_cast<CSearchCalendarPage*>(dlg->Page(SearchSlot::SearchCalendar));

    // A day answer without one whole record: the no-data notice, the calendar stays.
    k5sim::SearchScript script;
    script.truncateTo = 20;
    search->SetScript(script);
    calendar->OnDayClicked(1);
    ASSERT_TRUE(PumpUntil([&] { return !dlg->RequestPending(); }));
    EXPECT_EQ(dlg->Page(SearchSlot::SearchCalendar), calendar);
    EXPECT_EQ(dlg->Page(SearchSlot::SearchTimeline), nullptr);
    EXPECT_EQ(main.notes, (std::vector<int>{NetNotify::NO_DATA << 16}));

    // A day answer after its calendar went: dropped, nothing pending.
    script.truncateTo = 0;
    script.silent = true;
    search->SetScript(script);
    calendar->OnDayClicked(1);
    ASSERT_TRUE(dlg->RequestPending());
    calendar->DestroyWindow();
    auto answer = std::make_unique<SearchAnswer>();
    answer->kind = SearchAnswerKind::PlayDay;
    answer->days.resize(2);
    dlg->Link()->DeliverAnswer(std::move(answer));
    ASSERT_TRUE(PumpUntil([&] { return !dlg->RequestPending(); }));
    EXPECT_EQ(dlg->Page(SearchSlot::SearchTimeline), nullptr);

    // An answer the window never asked for is dropped.
    auto stray = std::make_unique<SearchAnswer>();
    stray->kind = SearchAnswerKind::TransMonth;
    dlg->Link()->DeliverAnswer(std::move(stray));
    QApplication::processEvents();
    EXPECT_EQ(dlg->Page(SearchSlot::BackupCalendar), nullptr);
    Close(dlg);
}

namespace {

class SizePage : public CSearchPage
{
public:
    using CSearchPage::CSearchPage;
    void OnBackupSizeAnswer(std::uint32_t kb) override { got = kb; }
    std::uint32_t got = 0;
};

} // namespace

TEST_F(SearchWindow, BackupSizeGoesToTheOpenBackupPage)
{
    FakeSearchMain none;
    CRemoteSearchDlg dlg(none);
    dlg.Create();
    RegisterSearchPage(SearchSlot::BackupTimeline, [](CRemoteSearchDlg& h, const SearchPageArgs&) {
        return new SizePage(h, SearchSlot::BackupTimeline);
    });
    auto* page = static_cast<SizePage*>(dlg.ShowPage(SearchSlot::BackupTimeline));
    ASSERT_NE(page, nullptr);
    dlg.SetPending(PendingKind::Size);
    dlg.Link()->DeliverBackupSize(4096);
    ASSERT_TRUE(PumpUntil([&] { return !dlg.RequestPending(); }));
    EXPECT_EQ(page->got, 4096u);

    // With no backup page open the size is dropped; the window waits no more.
    page->DestroyWindow();
    dlg.SetPending(PendingKind::Size);
    dlg.Link()->DeliverBackupSize(1);
    ASSERT_TRUE(PumpUntil([&] { return !dlg.RequestPending(); }));
    RegisterSearchPage(SearchSlot::BackupTimeline, nullptr);
    EXPECT_EQ(dlg.ShowPage(SearchSlot::BackupTimeline), nullptr);
    dlg.DestroyWindow();
    RegisterBackupPages(); // the real backup timeline for the tests that follow
}

TEST_F(SearchWindow, LogListCellsTakeLongTextsWhole)
{
    CSkinListCtrl list;
    CRemoteSearchDlg::InitLogListColumns(list, 3, 80, 120, 200, 0, 0);
    EXPECT_EQ(list.columnCount(), 3);
    const std::string longText(300, 'x');
    CRemoteSearchDlg::AddLogListItem(list, 1, "no row yet"); // nothing to set
    CRemoteSearchDlg::AddLogListItem(list, 0, "first");
    CRemoteSearchDlg::AddLogListItem(list, 2, longText);
    CRemoteSearchDlg::AddLogListItem(list, 0, "second");
    ASSERT_EQ(list.GetItemCount(), 2);
    EXPECT_EQ(list.GetItemText(0, 2).size(), 300);
    EXPECT_EQ(list.GetItemText(1, 0), "second");
    EXPECT_TRUE(list.GetItemText(1, 2).isEmpty());
}

TEST_F(SearchWindow, BackupDateTimeButtonsRunTheAttachedFlow)
{
    FakeSearchMain none;
    CRemoteSearchDlg dlg(none);
    dlg.Create();
    int calculated = 0, started = 0;
    std::uint32_t size = 0;
    AttachBackupDateTimeFlow({[&](CSearchDateTimePage&) { ++calculated; },
                              [&](CSearchDateTimePage&) { ++started; },
                              [&](CSearchDateTimePage&, std::uint32_t kb) { size = kb; }});
    auto* page = static_cast<CSearchDateTimePage*>(dlg.ShowPage(SearchSlot::BackupDateTime));
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(page->Model().WithEnd());
    EXPECT_FALSE(page->m_btnPlay.m_bEnabled); // Backup waits for a size
    SendMessage(page->Handle(), WM_COMMAND, 480, 0);
    SendMessage(page->Handle(), WM_COMMAND, 482, 0);
    dlg.SetPending(PendingKind::Size);
    dlg.Link()->DeliverBackupSize(77);
    ASSERT_TRUE(PumpUntil([&] { return !dlg.RequestPending(); }));
    EXPECT_EQ(calculated, 1);
    EXPECT_EQ(started, 1);
    EXPECT_EQ(size, 77u);
    AttachDefaultBackupDateTimeFlow();
    dlg.DestroyWindow();
}

TEST_F(SearchWindow, UnreadableLogAndStatusAnswersAreNoticedAndDropped)
{
    Start();
    k5sim::SearchScript script;
    script.log = k5sim::Bytes(5, 0x11);    // not even a record size
    script.status = k5sim::Bytes(15, 0x22); // under the short form
    search->SetScript(script);
    auto dlg = Open();

    dlg->ShowLogTab();
    ASSERT_TRUE(sim->WaitForCount(k5sim::id::LOG_INFO_REQ, 1));
    ASSERT_TRUE(PumpUntil([&] { return !main.notes.empty(); }));
    EXPECT_FALSE(dlg->RequestPending());
    EXPECT_FALSE(dlg->Ended());
    EXPECT_EQ(dlg->Page(SearchSlot::LogAll), nullptr);
    EXPECT_EQ(main.notes, (std::vector<int>{NetNotify::NACK << 16 | kNackAnswerUnreadable}));

    dlg->ShowInfoTab();
    dlg->TabPage()->OnButton(1);
    ASSERT_TRUE(sim->WaitForCount(k5sim::id::STATUS_INFO_REQ, 1));
    ASSERT_TRUE(PumpUntil([&] { return main.notes.size() == 2; }));
    EXPECT_EQ(main.notes[1], NetNotify::NACK << 16 | kNackAnswerUnreadable);
    EXPECT_EQ(dlg->Page(SearchSlot::StatusInfo), nullptr);
    EXPECT_FALSE(dlg->Ended());
    Close(dlg);
}

TEST_F(SearchWindow, StatusAndSystemPagesListTheirRows)
{
    Start();
    k5sim::SearchScript script;
    script.status = k5sim::Bytes{0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 1, 244, 0, 0, 0, 200,
                                 1, 0, 0, 0, 5, 0, 0, 0, 1, 0, 0, 0};
    search->SetScript(script);
    auto dlg = Open();
    dlg->ShowInfoTab();
    dlg->TabPage()->OnButton(1);
    ASSERT_TRUE(PumpUntil([&] { return dlg->Page(SearchSlot::StatusInfo) != nullptr; }));
    auto* status = static_cast<CInfoListPage*>(dlg->Page(SearchSlot::StatusInfo));
    const int channels = main.client->ChannelCount();
    // Three sizes, a gap, the cameras, a gap, one disk of two rows.
    ASSERT_EQ(status->m_lstInfo.GetItemCount(), 4 + channels + 1 + 2);
    EXPECT_EQ(status->m_lstInfo.GetItemText(1, 1), "  300 MByte");
    // A second press shows the open page without asking again.
    dlg->TabPage()->OnButton(1);
    EXPECT_EQ(sim->ReceivedOf(k5sim::id::STATUS_INFO_REQ).size(), 1u);

    dlg->TabPage()->OnButton(0);
    ASSERT_NE(dlg->Page(SearchSlot::SystemInfo), nullptr);
    auto* system = static_cast<CInfoListPage*>(dlg->Page(SearchSlot::SystemInfo));
    EXPECT_EQ(system->m_lstInfo.GetItemCount(), 10);
    EXPECT_EQ(system->m_lstInfo.GetItemText(1, 1), QString::number(main.client->Port()));
    Close(dlg);
}

// ---------------------------------------------------------------------------
// Event pages and the backup flow

TEST_F(SearchWindow, EventRangePageSendsTheRangeAndTheListOpensOnTheKindFound)
{
    Start(1, 5);
    auto dlg = Open();
    dlg->RequestSearchEvents();
    auto* range = static_cast<CEventTimeRangePage*>(dlg->Page(SearchSlot::EventTimeRange));
    ASSERT_NE(range, nullptr);
    EXPECT_TRUE(sim->ReceivedOf(k5sim::id::EVENT_INFO_REQ).empty());
    EXPECT_EQ(range->KindMask(), 7);
    EXPECT_TRUE(range->m_chkKind[2]->isHidden());
    SaveRender(*range, "event-range-1005");
    // Both visible kinds cleared: the hidden audio kind stays chosen.
    for (int k = 0; k < 2; ++k) {
        range->m_chkKind[k]->SetCheck(0);
        range->OnKindToggled(490 + k);
    }
    EXPECT_EQ(range->KindMask(), 4);
    range->Model().Row(0) = Usertime{2008, 2, 0, 0, 0, 0};
    range->Model().Row(1) = Usertime{2008, 2, 30, 23, 59, 59};
    ASSERT_TRUE(range->RequestEventTime());
    ASSERT_TRUE(sim->WaitForCount(k5sim::id::EVENT_TIME_REQ, 1));
    const Bytes body = sim->ReceivedOf(k5sim::id::EVENT_TIME_REQ)[0].payload;
    ASSERT_EQ(body.size(), 24u);
    EXPECT_EQ(k5sim::GetBE32(body, 0), 0xFFFFu);
    EXPECT_EQ(body[4], 4);
    EXPECT_EQ(k5sim::GetBE32(body, 16), k5sim::RecorderTime(2008, 3, 1));
    EXPECT_EQ(k5sim::GetBE32(body, 20), k5sim::RecorderTime(2008, 3, 31, 23, 59, 59));
    ASSERT_TRUE(PumpUntil([&] { return dlg->Page(SearchSlot::SearchEvent) != nullptr; }));
    EXPECT_EQ(dlg->Page(SearchSlot::EventTimeRange), nullptr);
    auto* list = static_cast<CSearchEventPage*>(dlg->Page(SearchSlot::SearchEvent));
    EXPECT_EQ(list->Panel().CurKind(), 4);
    EXPECT_EQ(list->Panel().m_list.GetItemCount(), 1);
    EXPECT_FALSE(list->Panel().m_btnPrev.isHidden());
    SaveRender(*list, "event-list-225");
    // Prev: the range page again, with its defaults.
    list->OnEventPrev();
    ASSERT_NE(dlg->Page(SearchSlot::EventTimeRange), nullptr);
    EXPECT_EQ(static_cast<CEventTimeRangePage*>(dlg->Page(SearchSlot::EventTimeRange))->KindMask(), 7);
    Close(dlg);
}

TEST_F(SearchWindow, EventRangePageKeepsTheRangeRules)
{
    Start(2, 0);
    auto dlg = Open();
    dlg->RequestBackupEvents();
    auto* range = static_cast<CEventTimeRangePage*>(dlg->Page(SearchSlot::EventTimeRange));
    ASSERT_NE(range, nullptr);
    // 31 January, then February: the day follows the month's end.
    const struct
    {
        int year;
        int lastDay;
    } cases[] = {{2007, 28}, {2008, 29}, {2000, 29}};
    for (const auto& c : cases) {
        range->Model().Row(0) = Usertime{c.year, 0, 30, 0, 0, 0};
        range->OnListPicked(1, 1); // date format 0: the second cell is the month
        EXPECT_EQ(range->Model().Start().month, 1) << c.year;
        EXPECT_EQ(range->Model().Start().day + 1, c.lastDay) << c.year;
        EXPECT_EQ(range->m_lblCell[2].GetWindowText(), QString::asprintf("%02d.", c.lastDay));
    }
    // An end year before the start year stays as it was.
    range->Model().Row(0) = Usertime{2010, 0, 0, 0, 0, 0};
    range->OnListPicked(4, 5); // 2005
    EXPECT_EQ(range->Model().End().year, 2037);
    EXPECT_FALSE(sim->ReceivedOf(k5sim::id::EVENT_INFO_REQ).size());
    Close(dlg);
}

void SearchWindow::EventListPlay(std::uint8_t minor)
{
    {
        Start(1, minor);
        auto dlg = Open();
        dlg->RequestSearchEvents();
        EXPECT_EQ(dlg->Page(SearchSlot::EventTimeRange), nullptr);
        ASSERT_TRUE(PumpUntil([&] { return dlg->Page(SearchSlot::SearchEvent) != nullptr; }));
        EXPECT_EQ(sim->ReceivedOf(k5sim::id::EVENT_INFO_REQ).size(), 1u);
        auto* list = static_cast<CSearchEventPage*>(dlg->Page(SearchSlot::SearchEvent));
        CEventListPanel& panel = list->Panel();
        EXPECT_TRUE(panel.m_btnPrev.isHidden());
        EXPECT_EQ(panel.CurKind(), 1);
        EXPECT_EQ(panel.Entries().Count(), 3);
        // The motion tab, its one event.
        SendMessage(panel.Handle(), WM_COMMAND, MakeCommandWParam(471, BN_CLICKED), 0);
        ASSERT_EQ(panel.m_list.GetItemCount(), 1);
        panel.SelectRow(0);
        ASSERT_TRUE(panel.m_btnPlay.m_bEnabled);
        SendMessage(panel.Handle(), WM_COMMAND, MakeCommandWParam(482, BN_CLICKED), 0);
        ASSERT_TRUE(sim->WaitForCount(k5sim::id::PLAY_ON_REQ, 1));
        const Bytes play = sim->ReceivedOf(k5sim::id::PLAY_ON_REQ)[0].payload;
        EXPECT_EQ(play[4], 0x04);
        EXPECT_EQ(k5sim::GetBE32(play, 16), k5sim::RecorderTime(2008, 3, 2, 8, 30));
        EXPECT_EQ(k5sim::GetBE32(play, 20), minor == 0 ? k5sim::RecorderTime(2008, 3, 2, 8, 32) : 0u);
        ASSERT_TRUE(PumpUntil([&] { return dlg->Ended(); }));
        const PlayHandOver block = main.client->SearchKeep().HandOver();
        EXPECT_EQ(block.view, 1);
        EXPECT_EQ(block.eventKind, 1);
        Close(dlg);

        // Reopened: the motion tab, the same entries, no new request.
        auto again = Open();
        auto* reopened = static_cast<CSearchEventPage*>(again->Page(SearchSlot::SearchEvent));
        ASSERT_NE(reopened, nullptr);
        EXPECT_EQ(reopened->Panel().CurKind(), 2);
        EXPECT_EQ(reopened->Panel().Entries().Count(), 3);
        QApplication::processEvents();
        EXPECT_EQ(sim->ReceivedOf(k5sim::id::EVENT_INFO_REQ).size(), 1u);
        Close(again);
    }
}

TEST_F(SearchWindow, OldRecorderEventListPlaysWithTheEventsEnd)
{
    EventListPlay(0);
}

TEST_F(SearchWindow, OldRecorderEventListPlaysWithoutAnEndAfterOnePointZero)
{
    EventListPlay(1);
}

TEST_F(SearchWindow, EventAnswersAllMotionOrEmpty)
{
    Start(1, 4);
    k5sim::SearchScript script;
    script.eventRefuse = 83;
    search->SetScript(script);
    auto dlg = Open();
    dlg->RequestSearchEvents();
    ASSERT_TRUE(PumpUntil([&] { return dlg->Page(SearchSlot::SearchEvent) != nullptr; }));
    auto* list = static_cast<CSearchEventPage*>(dlg->Page(SearchSlot::SearchEvent));
    EXPECT_EQ(list->Panel().CurKind(), 1);
    EXPECT_EQ(list->Panel().m_list.GetItemCount(), 0);
    Close(dlg);

    // All of kind 2: the second tab.
    auto dlg2 = Open();
    dlg2->SetDayRecords({DayIntervalRecord{1, 2, 100, 200}, DayIntervalRecord{2, 2, 300, 400}});
    dlg2->ShowPage(SearchSlot::BackupEvent);
    auto* backup = static_cast<CSearchEventPage*>(dlg2->Page(SearchSlot::BackupEvent));
    ASSERT_NE(backup, nullptr);
    EXPECT_EQ(backup->Panel().CurKind(), 2);
    EXPECT_EQ(backup->Panel().m_list.GetItemCount(), 2);
    Close(dlg2);
}

TEST_F(SearchWindow, BackupEventCalculateSizeAndStart)
{
    Start();
    k5sim::SimTransfer transfer(*sim);
    transfer.SetCatalogue(&search->Catalogue());
    main.downloadFolder = ScratchFolder("event") + "/Download";
    std::string prompted;
    SetBackupNamePrompt([&](QWidget*, std::uint8_t, std::string& name) {
        name = std::string(150, 'e');
        prompted = "yes";
        return true;
    });
    auto dlg = Open();
    dlg->ShowBackupTab();
    dlg->RequestBackupEvents();
    ASSERT_TRUE(PumpUntil([&] { return dlg->Page(SearchSlot::BackupEvent) != nullptr; }));
    auto* page = static_cast<CSearchEventPage*>(dlg->Page(SearchSlot::BackupEvent));
    CEventListPanel& panel = page->Panel();
    // Each tab's event, sized by its own kind's recording at 64 KB a second:
    // one minute of camera 1, two of camera 2, one of camera 3.
    const std::pair<int, std::uint8_t> kinds[] = {{470, 0x02}, {471, 0x04}, {472, 0x10}};
    const std::uint32_t sizes[] = {60 * 64, 120 * 64, 60 * 64};
    for (std::size_t i = 0; i < 3; ++i) {
        SendMessage(panel.Handle(), WM_COMMAND, MakeCommandWParam(kinds[i].first, BN_CLICKED), 0);
        panel.SelectRow(0);
        ASSERT_TRUE(panel.m_btnCalculate.m_bEnabled);
        SendMessage(panel.Handle(), WM_COMMAND, MakeCommandWParam(480, BN_CLICKED), 0);
        EXPECT_TRUE(dlg->RequestPending());
        EXPECT_FALSE(panel.m_btnCalculate.m_bEnabled);
        ASSERT_TRUE(sim->WaitForCount(k5sim::id::TRANS_ON_REQ, i + 1));
        EXPECT_EQ(sim->ReceivedOf(k5sim::id::TRANS_ON_REQ)[i].payload[4], kinds[i].second);
        ASSERT_TRUE(PumpUntil([&] { return !dlg->RequestPending(); }));
        EXPECT_TRUE(PumpUntil([&] { return page->Backup().m_nSizeKB == sizes[i]; }))
            << page->Backup().m_nSizeKB;
        EXPECT_EQ(page->Backup().m_nSizeKB,
                  transfer.AnswerKB(sim->ReceivedOf(k5sim::id::TRANS_ON_REQ)[i].payload));
    }
    EXPECT_FALSE(panel.m_lblSize.GetWindowText().isEmpty());
    SaveRender(*page, "backup-event-list-229");
    const bool sized = page->Backup().m_nSizeKB > 0;
    ASSERT_TRUE(sized);
    EXPECT_TRUE(panel.m_btnPlay.m_bEnabled);
    {
        SendMessage(panel.Handle(), WM_COMMAND, MakeCommandWParam(482, BN_CLICKED), 0);
        ASSERT_TRUE(sim->WaitForCount(k5sim::id::TRANS_DATA_REQ, 1));
        EXPECT_TRUE(main.client->HasWorker(kSlotBackupWriter));
        EXPECT_TRUE(main.client->m_bTrans);
        const Bytes data = sim->ReceivedOf(k5sim::id::TRANS_DATA_REQ)[0].payload;
        EXPECT_EQ(data[4], 0);
        EXPECT_EQ(k5sim::GetBE32(data, 16),
                  k5sim::GetBE32(sim->ReceivedOf(k5sim::id::TRANS_ON_REQ)[2].payload, 16));
        ASSERT_TRUE(PumpUntil([&] { return dlg->Ended(); }));
        // The typed name was cut to its first 100 characters.
        ASSERT_TRUE(PumpUntil([&] {
            std::error_code ec;
            return std::filesystem::exists(main.downloadFolder + "/" + std::string(100, 'e') + ".idx", ec);
        }));
    }
    EXPECT_EQ(prompted, "yes");
    SetBackupNamePrompt(nullptr);
    Close(dlg);
}

TEST_F(SearchWindow, BackupSizeRefusedOnASmallDiskStartsNothing)
{
    Start();
    k5sim::SimTransfer transfer(*sim);
    transfer.SetCatalogue(&search->Catalogue());
    main.diskSpace = 50;
    auto dlg = Open();
    dlg->ShowBackupTab();
    auto* page = static_cast<CSearchDateTimePage*>(dlg->Page(SearchSlot::BackupDateTime));
    ASSERT_NE(page, nullptr);
    page->Model().Row(0) = Usertime{2008, 2, 1, 0, 0, 0};
    page->Model().Row(1) = Usertime{2008, 2, 1, 12, 0, 0};
    SendMessage(page->Handle(), WM_COMMAND, 480, 0);
    ASSERT_TRUE(sim->WaitForCount(k5sim::id::TRANS_ON_REQ, 1));
    EXPECT_EQ(sim->ReceivedOf(k5sim::id::TRANS_ON_REQ)[0].payload[4], 0x3F);
    ASSERT_TRUE(PumpUntil([&] { return !dlg->RequestPending(); }));
    const int note = 13 << 16;
    ASSERT_TRUE(PumpUntil([&] { return std::count(main.notes.begin(), main.notes.end(), note) == 1; }));
    // 00:00-12:00 of day 2: 41,400 s of camera 1 and 4,500 of camera 2.
    EXPECT_EQ(page->m_backup.m_nSizeKB, 45900u * 64);
    const std::int64_t need = page->m_backup.m_nSizeKB >> 10;
    EXPECT_EQ(need, 2868);
    EXPECT_EQ(dlg->m_nSpaceLeftMB, 50 - need);
    EXPECT_EQ(dlg->Link()->SpaceLeftMB(), 50 - need);
    EXPECT_EQ(main.client->m_nTransNackInfo[0].load(), need);
    EXPECT_EQ(main.client->m_nTransNackInfo[1].load(), -50);
    EXPECT_TRUE(page->m_lblSize.GetWindowText().isEmpty());
    EXPECT_TRUE(page->m_btnCalculate.m_bEnabled);
    EXPECT_FALSE(page->m_btnPlay.m_bEnabled);
    EXPECT_TRUE(sim->ReceivedOf(k5sim::id::TRANS_DATA_REQ).empty());
    Close(dlg);
}

TEST_F(SearchWindow, BackupSizeNackLeavesCalculateOffAndASizeWithoutBackupPageIsDropped)
{
    Start();
    k5sim::SimTransfer transfer(*sim);
    auto dlg = Open();
    dlg->ShowBackupTab();
    auto* page = static_cast<CSearchDateTimePage*>(dlg->Page(SearchSlot::BackupDateTime));
    ASSERT_NE(page, nullptr);
    // Both refusal forms: the reason alone, and reason 87 with needed and free
    // MByte. Either ends the wait, reaches no page and leaves Calculate off
    // until the page's reset; only the long form stores the two sizes.
    struct Form
    {
        std::uint32_t needMB, freeMB;
    };
    const Form forms[] = {{0, 0}, {900, 120}};
    std::size_t asked = 0;
    for (const Form& f : forms) {
        SCOPED_TRACE(f.needMB);
        transfer.Config().refuseReason = 87;
        transfer.Config().nackNeededMB = f.needMB;
        transfer.Config().nackFreeMB = f.freeMB;
        const std::size_t boxes = host.Notifications().size();
        ASSERT_TRUE(page->m_btnCalculate.m_bEnabled);
        SendMessage(page->Handle(), WM_COMMAND, 480, 0);
        ASSERT_TRUE(sim->WaitForCount(k5sim::id::TRANS_ON_REQ, ++asked));
        ASSERT_TRUE(PumpUntil([&] { return !dlg->RequestPending(); }));
        ASSERT_TRUE(host.WaitFor([&](const std::vector<HostEvent>& all) {
            return static_cast<std::size_t>(std::count_if(all.begin(), all.end(), [](const HostEvent& e) {
                       return e.kind == HostEvent::Notify;
                   })) > boxes;
        }));
        const std::vector<LPARAM> notes = host.Notifications();
        ASSERT_EQ(notes.size(), boxes + 1);
        EXPECT_EQ(notes.back(), 0x60005);
        QApplication::processEvents();
        EXPECT_FALSE(page->m_btnCalculate.m_bEnabled);
        EXPECT_FALSE(page->m_btnPlay.m_bEnabled);
        EXPECT_TRUE(page->m_lblSize.GetWindowText().isEmpty());
        EXPECT_EQ(main.client->m_nTransNackInfo[0].load(), static_cast<std::int32_t>(f.needMB));
        EXPECT_EQ(main.client->m_nTransNackInfo[1].load(), static_cast<std::int32_t>(f.freeMB));
        // The page's reset: a new pick.
        page->OnTimePicked(3, 1, 0, 0);
        EXPECT_TRUE(page->m_btnCalculate.m_bEnabled);
    }
    EXPECT_TRUE(sim->ReceivedOf(k5sim::id::TRANS_DATA_REQ).empty());

    // A size answer with no backup page open: dropped.
    dlg->ShowSearchTab();
    dlg->Link()->DeliverBackupSize(4096);
    QApplication::processEvents();
    EXPECT_EQ(dlg->Page(SearchSlot::BackupDateTime), nullptr);
    Close(dlg);
}

TEST_F(SearchWindow, BackupTimelineMarkersCalculateAndBackup)
{
    Start();
    k5sim::SimTransfer transfer(*sim);
    transfer.SetCatalogue(&search->Catalogue());
    // Small pictures, one a second: the backed-up hour streams to its end quickly.
    transfer.Config().fps = 1;
    transfer.Config().videoBytes = 400;
    main.downloadFolder = ScratchFolder("timeline") + "/Download";
    SetBackupNamePrompt([](QWidget*, std::uint8_t, std::string& name) {
        name = "day2";
        return true;
    });
    auto dlg = Open();
    dlg->ShowBackupTab();
    dlg->RequestTransInfoMonth();
    ASSERT_TRUE(PumpUntil([&] { return dlg->Page(SearchSlot::BackupCalendar) != nullptr; }));
    auto* calendar = static_cast<CSearchCalendarPage*>(dlg->Page(SearchSlot::BackupCalendar));
    calendar->OnDayClicked(1);
    ASSERT_TRUE(PumpUntil([&] { return dlg->Page(SearchSlot::BackupTimeline) != nullptr; }));
    auto* page = static_cast<CBackupTimelinePage*>(dlg->Page(SearchSlot::BackupTimeline));
    EXPECT_EQ(page->StartX(), 113);
    EXPECT_EQ(page->EndX(), 400);
    EXPECT_TRUE(page->m_btnCalculate.m_bEnabled);
    EXPECT_FALSE(page->m_btnBackup.m_bEnabled);
    SaveRender(*page, "backup-timeline-1021");

    struct Range
    {
        int start, end;
        std::uint32_t kb; // 64 KB for every camera and recorded second
    };
    // Zero length; 07:00-09:00 (two hours of camera 1, one of camera 2); to
    // 24:00:00 (camera 1's hour from 23:00, camera 2 ended at 21:00).
    const Range ranges[] = {
        {8 * 3600, 8 * 3600, 0}, {7 * 3600, 9 * 3600, 10800 * 64}, {22 * 3600, 86400, 3600 * 64}};
    std::size_t asked = 0;
    for (const Range& r : ranges) {
        page->OnMarkerSelector(1);
        page->OnTimePicked(3, 23, 59, 59);
        page->OnMarkerSelector(0);
        page->OnTimePicked(1, r.start / 3600, (r.start % 3600) / 60, r.start % 60);
        page->OnMarkerSelector(1);
        if (r.end == 86400) {
            QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
            page->OnTimePicked(3, 23, 55, 0);
            QApplication::sendEvent(page, &right);
        } else {
            page->OnTimePicked(3, r.end / 3600, (r.end % 3600) / 60, r.end % 60);
        }
        ASSERT_EQ(page->Markers().Start(), r.start);
        ASSERT_EQ(page->Markers().End(), r.end);
        SendMessage(page->Handle(), WM_COMMAND, 480, 0);
        ASSERT_TRUE(sim->WaitForCount(k5sim::id::TRANS_ON_REQ, ++asked));
        const Bytes body = sim->ReceivedOf(k5sim::id::TRANS_ON_REQ)[asked - 1].payload;
        EXPECT_EQ(k5sim::GetBE32(body, 0), 0xFFFFu);
        EXPECT_EQ(body[4], 0x3F);
        EXPECT_EQ(k5sim::GetBE32(body, 16),
                  k5sim::RecorderTime(2008, 3, 2) + static_cast<std::uint32_t>(r.start));
        EXPECT_EQ(k5sim::GetBE32(body, 20),
                  k5sim::RecorderTime(2008, 3, 2) + static_cast<std::uint32_t>(r.end));
        // While the size is asked the markers stay.
        page->OnTimePicked(3, 23, 59, 58);
        EXPECT_EQ(page->Markers().End(), r.end);
        ASSERT_TRUE(PumpUntil([&] { return !dlg->RequestPending(); }));
        EXPECT_TRUE(PumpUntil([&] { return page->Backup().m_nSizeKB == r.kb; })) << page->Backup().m_nSizeKB;
        EXPECT_EQ(page->Backup().m_nSizeKB, transfer.AnswerKB(body));
        EXPECT_EQ(page->m_btnBackup.m_bEnabled, page->Backup().m_nSizeKB > 0);
    }
    const std::uint32_t shownKB = page->Backup().m_nSizeKB;
    ASSERT_GT(shownKB, 0u);
    // Backup: the writer exists before TRANS_DATA_REQ, with the same body.
    SendMessage(page->Handle(), WM_COMMAND, 482, 0);
    EXPECT_TRUE(main.client->HasWorker(kSlotBackupWriter));
    ASSERT_TRUE(sim->WaitForCount(k5sim::id::TRANS_DATA_REQ, 1));
    EXPECT_EQ(sim->ReceivedOf(k5sim::id::TRANS_DATA_REQ)[0].payload,
              sim->ReceivedOf(k5sim::id::TRANS_ON_REQ)[2].payload);
    ASSERT_TRUE(PumpUntil([&] { return dlg->Ended(); }));
    ASSERT_TRUE(PumpUntil([&] {
        std::error_code ec;
        return std::filesystem::exists(main.downloadFolder + "/day2.idx", ec);
    }));

    // The transfer bar, run by the main window on these posts: opened on the
    // size the page showed, moved forward while the hour is written, at the
    // written total when the stream has ended, then closed.
    ASSERT_TRUE(transfer.WaitStreamEnd());
    ASSERT_TRUE(PumpUntil([&] { return !main.client->m_bTrans && !main.client->HasWorker(kSlotBackupWriter); },
                          60s));
    ASSERT_TRUE(host.WaitFor([](const std::vector<HostEvent>& all) {
        return std::any_of(all.begin(), all.end(),
                           [](const HostEvent& e) { return e.kind == HostEvent::Post && e.msg == WM_TRANSFER_END; });
    }));
    std::vector<HostEvent> bar;
    for (const HostEvent& e : host.EventsOf(HostEvent::Post)) {
        if (e.msg == WM_TRANSFER_START || e.msg == WM_TRANSFER_PROGRESS || e.msg == WM_TRANSFER_END)
            bar.push_back(e);
    }
    ASSERT_GE(bar.size(), 4u);
    EXPECT_EQ(bar.front().msg, static_cast<UINT>(WM_TRANSFER_START));
    EXPECT_EQ(bar.front().wParam, shownKB);
    std::size_t at = 1;
    WPARAM shown = 0;
    for (; at < bar.size() && bar[at].msg == WM_TRANSFER_PROGRESS; ++at) {
        EXPECT_GT(bar[at].wParam, shown);
        shown = bar[at].wParam;
    }
    EXPECT_GE(at, 3u) << "the bar moved fewer than twice";
    std::uint64_t written = 0;
    for (const Bytes& f : transfer.GoodFrames())
        written += f.size();
    EXPECT_EQ(transfer.GoodFrames().size(), 3600u);
    EXPECT_EQ(shown, written >> 10);
    // Nothing moves the bar after the end.
    for (; at < bar.size(); ++at)
        EXPECT_EQ(bar[at].msg, static_cast<UINT>(WM_TRANSFER_END));
    SetBackupNamePrompt(nullptr);
    Close(dlg);
}

TEST_F(SearchWindow, BackupStartsNothingWithoutTheRightOrWhileATransferRuns)
{
    Start();
    k5sim::SimTransfer transfer(*sim);
    transfer.SetCatalogue(&search->Catalogue());
    main.downloadFolder = ScratchFolder("refused") + "/Download";
    auto dlg = Open();
    dlg->ShowBackupTab();
    auto* page = static_cast<CSearchDateTimePage*>(dlg->Page(SearchSlot::BackupDateTime));
    ASSERT_NE(page, nullptr);
    // An hour of 2 March, sized.
    auto sizeAnHour = [&](CRemoteSearchDlg& window, CSearchDateTimePage& p, std::size_t asked) {
        p.Model().Row(0) = Usertime{2008, 2, 1, 0, 0, 0};
        p.Model().Row(1) = Usertime{2008, 2, 1, 1, 0, 0};
        SendMessage(p.Handle(), WM_COMMAND, 480, 0);
        ASSERT_TRUE(sim->WaitForCount(k5sim::id::TRANS_ON_REQ, asked));
        ASSERT_TRUE(PumpUntil([&] { return !window.RequestPending() && p.m_backup.m_nSizeKB > 0; }));
    };
    sizeAnHour(*dlg, *page, 1);
    ASSERT_TRUE(page->m_btnPlay.m_bEnabled);
    // The prompt ran while the rights went away.
    SetBackupNamePrompt([&](QWidget*, std::uint8_t, std::string&) {
        SetRights(1, 0);
        return false;
    });
    SendMessage(page->Handle(), WM_COMMAND, 482, 0);
    EXPECT_FALSE(main.client->HasWorker(kSlotBackupWriter));
    Close(dlg);

    // With the right back but a transfer marked running: no second range goes out.
    SetRights(1, 1);
    main.client->m_bTrans = true;
    SetBackupNamePrompt([](QWidget*, std::uint8_t, std::string& name) {
        name = "second";
        return true;
    });
    auto again = Open();
    again->ShowBackupTab();
    auto* second = static_cast<CSearchDateTimePage*>(again->Page(SearchSlot::BackupDateTime));
    ASSERT_NE(second, nullptr);
    sizeAnHour(*again, *second, 2);
    EXPECT_FALSE(second->m_btnPlay.m_bEnabled);
    SendMessage(second->Handle(), WM_COMMAND, 482, 0);
    EXPECT_FALSE(main.client->HasWorker(kSlotBackupWriter));
    ASSERT_TRUE(PumpUntil([&] { return again->Ended(); }));
    main.client->m_bTrans = false;
    SetBackupNamePrompt(nullptr);
    Close(again);
    QApplication::processEvents();
    EXPECT_TRUE(sim->ReceivedOf(k5sim::id::TRANS_DATA_REQ).empty());
}

TEST_F(SearchWindow, BackupDateTimeAcrossMidnightEmptyCamerasAndAnEscapedName)
{
    Start();
    k5sim::SimTransfer transfer(*sim);
    transfer.SetCatalogue(&search->Catalogue());
    main.downloadFolder = ScratchFolder("datetime") + "/Download";
    SetBackupNamePrompt([](QWidget*, std::uint8_t, std::string&) { return false; }); // Esc
    auto dlg = Open();
    dlg->ShowBackupTab();
    auto* page = static_cast<CSearchDateTimePage*>(dlg->Page(SearchSlot::BackupDateTime));
    ASSERT_NE(page, nullptr);
    SaveRender(*page, "backup-datetime-228");
    page->Model().Row(0) = Usertime{2008, 2, 1, 23, 0, 0};
    page->Model().Row(1) = Usertime{2008, 2, 2, 1, 0, 0};

    // A camera without recordings first: 0 KByte, Calculate stays, Backup off.
    dlg->m_nChannelMask = 1u << 10;
    SendMessage(page->Handle(), WM_COMMAND, 480, 0);
    ASSERT_TRUE(sim->WaitForCount(k5sim::id::TRANS_ON_REQ, 1));
    ASSERT_TRUE(PumpUntil([&] { return !dlg->RequestPending(); }));
    EXPECT_EQ(page->m_backup.m_nSizeKB, 0u);
    EXPECT_EQ(page->m_lblSize.GetWindowText(), "0 KByte");
    EXPECT_TRUE(page->m_btnCalculate.m_bEnabled);
    EXPECT_FALSE(page->m_btnPlay.m_bEnabled);

    // 23:00 to 01:00 of the next day: the end carried into the next day.
    dlg->m_nChannelMask = 0xFFFF;
    SendMessage(page->Handle(), WM_COMMAND, 480, 0);
    ASSERT_TRUE(sim->WaitForCount(k5sim::id::TRANS_ON_REQ, 2));
    const Bytes body = sim->ReceivedOf(k5sim::id::TRANS_ON_REQ)[1].payload;
    EXPECT_EQ(k5sim::GetBE32(body, 16), k5sim::RecorderTime(2008, 3, 2, 23));
    EXPECT_EQ(k5sim::GetBE32(body, 20), k5sim::RecorderTime(2008, 3, 3, 1));
    ASSERT_TRUE(PumpUntil([&] { return !dlg->RequestPending(); }));
    // Two hours of camera 1 (recorded 23:00-01:30) at 64 KB a second.
    EXPECT_TRUE(PumpUntil([&] { return page->m_backup.m_nSizeKB == 7200u * 64; })) << page->m_backup.m_nSizeKB;
    EXPECT_EQ(page->m_backup.m_nSizeKB, transfer.AnswerKB(body));
    ASSERT_TRUE(page->m_btnPlay.m_bEnabled);

    // Backup with the prompt escaped: the writer names the set itself.
    SendMessage(page->Handle(), WM_COMMAND, 482, 0);
    EXPECT_TRUE(main.client->HasWorker(kSlotBackupWriter));
    ASSERT_TRUE(sim->WaitForCount(k5sim::id::TRANS_DATA_REQ, 1));
    const Bytes data = sim->ReceivedOf(k5sim::id::TRANS_DATA_REQ)[0].payload;
    EXPECT_EQ(data, body);
    ASSERT_TRUE(PumpUntil([&] { return dlg->Ended(); }));
    ASSERT_TRUE(PumpUntil([&] {
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(main.downloadFolder, ec))
            if (e.path().extension() == ".idx")
                return true;
        return false;
    }));
    SetBackupNamePrompt(nullptr);
    Close(dlg);
}
