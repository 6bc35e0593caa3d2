// The remote search window as the operator sees it, against the recorder
// simulator: the window on screen, every tab's column of buttons shown and
// reached by a click at its place after any switch (also one made by a
// rights change), each button's request sent; a backup only for the range
// that was sized; Event with the list open shows that list again.
#include "../ShownControls.h"
#include "../WidgetInput.h"
#include "SearchTestSupport.h"

#include "RecorderSim.h"
#include "SimCatalogue.h"
#include "SimLive.h"
#include "SimLog.h"
#include "SimSearch.h"
#include "SimTransfer.h"
#include "net/NetClient.h"
#include "net/NetMessages.h"
#include "platform/ResourceLibrary.h"
#include "search/BackupFlow.h"
#include "search/BackupTimeline.h"
#include "search/EventPages.h"
#include "search/RemoteSearchDlg.h"
#include "search/SearchPages.h"
#include "search/SearchPopups.h"
#include "search/SearchTabPage.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <unistd.h>

using k5sim::Bytes;
using k5sim::RecorderSim;
using namespace std::chrono_literals;

namespace {

// The layout: tab buttons 71 x 65 from x 22 at y 1; the column at (14, 74)
// with its buttons 170 x 35 at x 2; content pages at (197, 83).
QPoint TabButtonAt(int tab)
{
    return QPoint(22 + 71 * tab + 35, 1 + 32);
}
const QPoint kColumn(14, 74);
const QPoint kContent(197, 83);
const int kColumnTops[4][7] = {{1, 41, 81, 395, -1, -1, -1},
                               {1, 41, 81, 395, -1, -1, -1},
                               {1, 41, 81, 121, 161, 201, 241},
                               {1, 41, -1, -1, -1, -1, -1}};
QPoint ColumnButtonAt(int tab, int k)
{
    return kColumn + QPoint(2 + 85, kColumnTops[tab][k] + 17);
}

// A click at `pos` of the window: lands on whatever the operator sees there.
::testing::AssertionResult ClickAt(QWidget* window, QPoint pos)
{
    if (!window->rect().contains(pos))
        return ::testing::AssertionFailure() << "(" << pos.x() << ", " << pos.y() << ") is off the window";
    QWidget* target = ControlAt(window, pos);
    ClickWidget(target, target->mapFrom(window, pos));
    QApplication::processEvents();
    return ::testing::AssertionSuccess();
}

} // namespace

class SearchTabsShown : public SearchSessionTest
{
protected:
    SearchTabsShown()
    {
        serveBackups = true;
        // The archive password prompt is cancelled.
        main.archiveConfirmed = false;
    }
    void TearDown() override
    {
        SetBackupNamePrompt(nullptr);
        SearchSessionTest::TearDown();
    }
    bool Idle(CRemoteSearchDlg& dlg)
    {
        return PumpUntil([&] { return !dlg.RequestPending(); });
    }
    // The open tab's column: every button on screen at its place, nothing
    // in the window left hidden by accident.
    void ExpectColumnShown(CRemoteSearchDlg& dlg, int tab, int buttons)
    {
        SCOPED_TRACE(tab);
        ASSERT_EQ(static_cast<int>(dlg.OpenTab()), tab + 1);
        CSearchTabPage* column = dlg.TabPage();
        ASSERT_NE(column, nullptr);
        EXPECT_TRUE(column->isVisible());
        ASSERT_EQ(column->ButtonCount(), buttons);
        for (int k = 0; k < buttons; ++k) {
            CSkinTextButton* b = column->Button(k);
            EXPECT_TRUE(b->isVisible()) << "button " << k;
            EXPECT_EQ(ControlAt(&dlg, ColumnButtonAt(tab, k)), b) << "button " << k;
        }
        const std::vector<std::string> hidden = ControlsLeftHidden(&dlg);
        EXPECT_TRUE(hidden.empty()) << hidden.front();
    }
};

// Every tab, reached by its tab button, then every button of its column by
// position: the request it must send and the page that shows the answer.
TEST_F(SearchTabsShown, EveryTabsButtonsShowAndSendAfterASwitch)
{
    Start();
    // A log of every kind and a status with one disk, as the demo recorder has.
    k5sim::SearchScript script;
    script.log = k5sim::BuildLog(k5sim::EveryKindLog(k5sim::RecorderTime(2008, 3, 19)));
    k5sim::StatusFields status;
    status.totalMB = 2000 * 1024;
    status.freeMB = 750 * 1024;
    script.status = k5sim::BuildStatus(status);
    search->SetScript(script);
    auto dlg = Open();
    ASSERT_TRUE(dlg->isVisible());
    ASSERT_TRUE(Idle(*dlg));
    ExpectColumnShown(*dlg, 0, 4);

    constexpr std::uint16_t kNone = 0;
    struct Step
    {
        int tab;    // tab button pressed first (-1: stay)
        int button; // column button pressed (-1: only the tab)
        std::uint16_t request;
        SearchSlot page;
        int logFilter; // -1: not a log page
    };
    const Step steps[] = {
        // Backup: its first view, then Event, Calendar, Select Channel, Date/Time.
        {1, -1, kNone, SearchSlot::BackupDateTime, -1},
        {-1, 1, k5sim::id::EVENT_INFO_REQ, SearchSlot::BackupEvent, -1},
        {-1, 2, k5sim::id::TRANS_INFO_MONTH_REQ, SearchSlot::BackupCalendar, -1},
        {-1, 3, kNone, SearchSlot::BackupChannel, -1},
        {-1, 0, kNone, SearchSlot::BackupDateTime, -1},
        // Log: All asks on opening; each filter shows its own list.
        {2, -1, k5sim::id::LOG_INFO_REQ, SearchSlot::LogAll, 0},
        {-1, 1, kNone, SearchSlot::LogPower, 1},
        {-1, 2, kNone, SearchSlot::LogRecord, 2},
        {-1, 3, kNone, SearchSlot::LogOperation, 3},
        {-1, 4, kNone, SearchSlot::LogClient, 4},
        {-1, 5, kNone, SearchSlot::LogEvent, 5},
        {-1, 0, k5sim::id::LOG_INFO_REQ, SearchSlot::LogAll, 0},
        // Info: System Info first, then Status Info asks the recorder.
        {3, -1, kNone, SearchSlot::SystemInfo, -1},
        {-1, 1, k5sim::id::STATUS_INFO_REQ, SearchSlot::StatusInfo, -1},
        {-1, 0, kNone, SearchSlot::SystemInfo, -1},
        // Back to Search: its column again, every button working.
        {0, -1, kNone, SearchSlot::SearchDateTime, -1},
        {-1, 2, k5sim::id::PLAY_INFO_MONTH_REQ, SearchSlot::SearchCalendar, -1},
        {-1, 1, k5sim::id::EVENT_INFO_REQ, SearchSlot::SearchEvent, -1},
        {-1, 3, kNone, SearchSlot::SearchChannel, -1},
        {-1, 0, kNone, SearchSlot::SearchDateTime, -1},
    };
    const int kButtons[4] = {4, 4, 7, 2};
    int tab = 0;
    for (const Step& s : steps) {
        SCOPED_TRACE(::testing::Message() << "tab " << (s.tab < 0 ? tab : s.tab) << " button " << s.button);
        const std::size_t before = s.request == kNone ? 0 : sim->ReceivedOf(s.request).size();
        if (s.tab >= 0) {
            tab = s.tab;
            ASSERT_TRUE(ClickAt(dlg.get(), TabButtonAt(tab)));
        }
        if (s.button >= 0) {
            ASSERT_TRUE(ClickAt(dlg.get(), ColumnButtonAt(tab, s.button)));
        }
        if (s.request != kNone) {
            ASSERT_TRUE(sim->WaitForCount(s.request, before + 1));
        }
        ASSERT_TRUE(PumpUntil([&] { return dlg->Page(s.page) != nullptr; }));
        ASSERT_TRUE(Idle(*dlg));
        EXPECT_TRUE(dlg->Page(s.page)->isVisible());
        if (s.logFilter >= 0) {
            EXPECT_EQ(dlg->m_nLogFilter, s.logFilter);
        }
        ExpectColumnShown(*dlg, tab, kButtons[tab]);
    }
    // The Log column's Archive button (the recorder offers the archive log)
    // opens the first account's password prompt.
    ASSERT_TRUE(ClickAt(dlg.get(), TabButtonAt(2)));
    ASSERT_TRUE(sim->WaitForCount(k5sim::id::LOG_INFO_REQ, 3));
    ASSERT_TRUE(Idle(*dlg));
    ASSERT_TRUE(ClickAt(dlg.get(), ColumnButtonAt(2, 6)));
    EXPECT_EQ(main.archivePrompts, 1);
    EXPECT_EQ(sim->ReceivedOf(k5sim::id::STATUS_INFO_REQ).size(), 1u);
    Close(dlg);
}

// A rights change that switches the tab itself leaves that tab's column
// whole, and its buttons work.
TEST_F(SearchTabsShown, RightsChangeSwitchesToATabWithItsButtons)
{
    Start();
    auto dlg = Open();
    ASSERT_TRUE(Idle(*dlg));
    ASSERT_TRUE(ClickAt(dlg.get(), TabButtonAt(3)));
    ASSERT_TRUE(Idle(*dlg));

    SetRights(0, 1);
    ASSERT_TRUE(PumpUntil([&] { return dlg->OpenTab() == SearchTab::Backup; }));
    ASSERT_TRUE(Idle(*dlg));
    ExpectColumnShown(*dlg, 1, 4);
    ASSERT_TRUE(ClickAt(dlg.get(), ColumnButtonAt(1, 1)));
    ASSERT_TRUE(sim->WaitForCount(k5sim::id::EVENT_INFO_REQ, 1));
    ASSERT_TRUE(PumpUntil([&] { return dlg->Page(SearchSlot::BackupEvent) != nullptr; }));
    ASSERT_TRUE(Idle(*dlg));

    SetRights(1, 0);
    ASSERT_TRUE(PumpUntil([&] { return dlg->OpenTab() == SearchTab::Search; }));
    ASSERT_TRUE(Idle(*dlg));
    ExpectColumnShown(*dlg, 0, 4);
    ASSERT_TRUE(ClickAt(dlg.get(), ColumnButtonAt(0, 2)));
    ASSERT_TRUE(sim->WaitForCount(k5sim::id::PLAY_INFO_MONTH_REQ, 1));
    ASSERT_TRUE(PumpUntil([&] { return dlg->Page(SearchSlot::SearchCalendar) != nullptr; }));
    Close(dlg);
}

// Event while the tab's list is open (a recorder that answers ranges): the
// same list shown again, nothing sent, the range page not rebuilt. Then the
// backup by event runs to its download, all by clicks.
TEST_F(SearchTabsShown, EventWithTheListOpenShowsItAgainAndABackupByEventDownloads)
{
    Start(1, 5);
    main.downloadFolder = ScratchFolder("tabs-event") + "/Download";
    int prompts = 0;
    SetBackupNamePrompt([&](QWidget*, std::uint8_t, std::string& name) {
        ++prompts;
        name = "by-event";
        return true;
    });
    auto dlg = Open();
    ASSERT_TRUE(Idle(*dlg));
    std::size_t ranged = 0;
    for (const int tab : {0, 1}) {
        SCOPED_TRACE(tab);
        const SearchSlot listSlot = tab == 0 ? SearchSlot::SearchEvent : SearchSlot::BackupEvent;
        ASSERT_TRUE(ClickAt(dlg.get(), TabButtonAt(tab)));
        ASSERT_TRUE(Idle(*dlg));
        ASSERT_TRUE(ClickAt(dlg.get(), ColumnButtonAt(tab, 1)));
        auto* range = static_cast<CEventTimeRangePage*>(dlg->Page(SearchSlot::EventTimeRange));
        ASSERT_NE(range, nullptr);
        range->Model().Row(0) = Usertime{2008, 2, 0, 0, 0, 0};
        range->Model().Row(1) = Usertime{2008, 2, 30, 23, 59, 59};
        ASSERT_TRUE(ClickAt(dlg.get(), kContent + QPoint(304 + 48, 396 + 11))); // Next
        ASSERT_TRUE(sim->WaitForCount(k5sim::id::EVENT_TIME_REQ, ++ranged));
        ASSERT_TRUE(PumpUntil([&] { return dlg->Page(listSlot) != nullptr; }));
        ASSERT_TRUE(Idle(*dlg));
        auto* list = static_cast<CSearchEventPage*>(dlg->Page(listSlot));
        QPointer<CSearchEventPage> alive(list);
        const int kind = list->Panel().CurKind();
        const int rows = list->Panel().m_list.GetItemCount();
        ASSERT_GT(rows, 0);

        ASSERT_TRUE(ClickAt(dlg.get(), ColumnButtonAt(tab, 1)));
        ASSERT_TRUE(alive);
        EXPECT_EQ(dlg->Page(listSlot), list);
        EXPECT_TRUE(list->isVisible());
        EXPECT_EQ(dlg->Page(SearchSlot::EventTimeRange), nullptr);
        EXPECT_FALSE(dlg->RequestPending());
        EXPECT_EQ(list->Panel().CurKind(), kind);
        EXPECT_EQ(list->Panel().m_list.GetItemCount(), rows);
        ExpectColumnShown(*dlg, tab, 4);
        if (tab == 0) {
            // Anything the second Event sent would be in before the month request.
            ASSERT_TRUE(ClickAt(dlg.get(), ColumnButtonAt(tab, 2)));
            ASSERT_TRUE(sim->WaitForCount(k5sim::id::PLAY_INFO_MONTH_REQ, 1));
            ASSERT_TRUE(PumpUntil([&] { return dlg->Page(SearchSlot::SearchCalendar) != nullptr; }));
            ASSERT_TRUE(Idle(*dlg));
            EXPECT_EQ(sim->ReceivedOf(k5sim::id::EVENT_TIME_REQ).size(), ranged);
        }
    }

    // The backup list: a row, Calculate, the size, Backup, the download.
    auto* list = static_cast<CSearchEventPage*>(dlg->Page(SearchSlot::BackupEvent));
    CSkinListCtrl& rows = list->Panel().m_list;
    const QRect first = rows.visualItemRect(rows.topLevelItem(0));
    QWidget* viewport = rows.viewport();
    ASSERT_TRUE(ClickAt(dlg.get(), viewport->mapTo(dlg.get(), first.center())));
    ASSERT_NE(list->Panel().SelectedEntry(), nullptr);
    ASSERT_TRUE(list->Panel().m_btnCalculate.m_bEnabled);
    ASSERT_TRUE(ClickAt(dlg.get(), kContent + QPoint(2 + 48, 396 + 11))); // Calculate
    ASSERT_TRUE(sim->WaitForCount(k5sim::id::TRANS_ON_REQ, 1));
    // Nothing but the size request went out since the list opened.
    EXPECT_EQ(sim->ReceivedOf(k5sim::id::EVENT_TIME_REQ).size(), ranged);
    EXPECT_TRUE(sim->ReceivedOf(k5sim::id::EVENT_INFO_REQ).empty());
    ASSERT_TRUE(Idle(*dlg));
    ASSERT_TRUE(PumpUntil([&] { return list->Panel().m_btnPlay.m_bEnabled; }));
    ASSERT_TRUE(ClickAt(dlg.get(), kContent + QPoint(304 + 48, 396 + 11))); // Backup
    ASSERT_TRUE(sim->WaitForCount(k5sim::id::TRANS_DATA_REQ, 1));
    EXPECT_EQ(prompts, 1);
    const Bytes on = sim->ReceivedOf(k5sim::id::TRANS_ON_REQ)[0].payload;
    const Bytes data = sim->ReceivedOf(k5sim::id::TRANS_DATA_REQ)[0].payload;
    EXPECT_EQ(data[4], 0);
    EXPECT_EQ(k5sim::GetBE32(data, 16), k5sim::GetBE32(on, 16));
    EXPECT_EQ(k5sim::GetBE32(data, 20), k5sim::GetBE32(on, 20));
    ASSERT_TRUE(PumpUntil([&] { return dlg->Ended(); }));
    EXPECT_TRUE(PumpUntil([&] {
        std::error_code ec;
        return std::filesystem::exists(main.downloadFolder + "/by-event.idx", ec);
    }));
    Close(dlg);
}

// Backup with the end time's pop-up still open: the click closes the pop-up,
// whose value widens the range past the size that was answered. Nothing
// starts (no prompt, no TRANS_DATA_REQ), and sizing the wider range meets
// the free-space check it would have bypassed. Both pages with time pop-ups.
struct BackupPageKind
{
    const char* name;
    bool timeline;
};

class BackupSizedRange : public SearchTabsShown, public ::testing::WithParamInterface<BackupPageKind>
{
protected:
    // The page, for 2 March: the whole day marked.
    CSearchPage* OpenPage(CRemoteSearchDlg& dlg)
    {
        if (!GetParam().timeline) {
            auto* page = static_cast<CSearchDateTimePage*>(dlg.Page(SearchSlot::BackupDateTime));
            if (page) {
                page->Model().Row(0) = Usertime{2008, 2, 1, 0, 0, 0};
                page->Model().Row(1) = Usertime{2008, 2, 1, 23, 59, 59};
            }
            return page;
        }
        if (!ClickAt(&dlg, ColumnButtonAt(1, 2)) || !sim->WaitForCount(k5sim::id::TRANS_INFO_MONTH_REQ, 1) ||
            !PumpUntil([&] { return dlg.Page(SearchSlot::BackupCalendar) != nullptr; }) || !Idle(dlg))
            return nullptr;
        static_cast<CSearchCalendarPage*>(dlg.Page(SearchSlot::BackupCalendar))->OnDayClicked(1);
        PumpUntil([&] { return dlg.Page(SearchSlot::BackupTimeline) != nullptr; });
        return dlg.Page(SearchSlot::BackupTimeline);
    }
    QWidget* EndTime(CSearchPage* p) const
    {
        if (GetParam().timeline)
            return &static_cast<CBackupTimelinePage*>(p)->m_lblTimeEnd;
        return &static_cast<CSearchDateTimePage*>(p)->m_lblCell[13];
    }
    CSkinButton* Calculate(CSearchPage* p) const
    {
        if (GetParam().timeline)
            return &static_cast<CBackupTimelinePage*>(p)->m_btnCalculate;
        return &static_cast<CSearchDateTimePage*>(p)->m_btnCalculate;
    }
    CSkinButton* Backup(CSearchPage* p) const
    {
        if (GetParam().timeline)
            return &static_cast<CBackupTimelinePage*>(p)->m_btnBackup;
        return &static_cast<CSearchDateTimePage*>(p)->m_btnPlay;
    }
};

TEST_P(BackupSizedRange, BackupWithATimePopUpOpenStartsNothingForTheUnsizedRange)
{
    Start();
    // Small pictures: the day's download stays short.
    transfer->Config().fps = 1;
    transfer->Config().videoBytes = 400;
    main.downloadFolder = ScratchFolder(std::string("tabs-") + GetParam().name) + "/Download";
    int prompts = 0;
    SetBackupNamePrompt([&](QWidget*, std::uint8_t, std::string& name) {
        ++prompts;
        name = "range";
        return true;
    });
    auto dlg = Open();
    ASSERT_TRUE(Idle(*dlg));
    ASSERT_TRUE(ClickAt(dlg.get(), TabButtonAt(1)));
    ASSERT_TRUE(Idle(*dlg));
    CSearchPage* page = OpenPage(*dlg);
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(Idle(*dlg));
    auto at = [&](QWidget* control) { return control->mapTo(dlg.get(), control->rect().center()); };
    // The end's hour through its pop-up: 0 or 23.
    auto pickEndHour = [&](bool last) {
        ASSERT_TRUE(ClickAt(dlg.get(), at(EndTime(page))));
        CSliderPickerPopup* popup = dlg->TimePicker();
        ASSERT_NE(popup, nullptr);
        ASSERT_TRUE(popup->isVisible());
        // The hour's thumb dragged out past the slider's end.
        CSkinSlider& hour = popup->m_sliders[0];
        const int y = hour.height() / 2;
        const QPoint from(hour.width() / 2, y), to(last ? hour.width() + 40 : -40, y);
        QMouseEvent press(QEvent::MouseButtonPress, from, hour.mapToGlobal(from), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&hour, &press);
        QMouseEvent move(QEvent::MouseMove, to, hour.mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(&hour, &move);
        QMouseEvent release(QEvent::MouseButtonRelease, to, hour.mapToGlobal(to), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&hour, &release);
        ASSERT_TRUE(PumpUntil([&] { return popup->Result(0) == (last ? 23 : 0); }));
    };
    auto backupOn = [&] { return Backup(page)->m_bEnabled; };

    // 00:00:00 - 00:59:59, sized; then the drive holds exactly that much more.
    ASSERT_NO_FATAL_FAILURE(pickEndHour(false));
    ASSERT_TRUE(ClickAt(dlg.get(), QPoint(400, 40))); // the window's background closes the pop-up
    ASSERT_EQ(dlg->TimePicker(), nullptr);
    ASSERT_TRUE(ClickAt(dlg.get(), at(Calculate(page))));
    ASSERT_TRUE(sim->WaitForCount(k5sim::id::TRANS_ON_REQ, 1));
    const Bytes narrow = sim->ReceivedOf(k5sim::id::TRANS_ON_REQ)[0].payload;
    EXPECT_EQ(k5sim::GetBE32(narrow, 20) - k5sim::GetBE32(narrow, 16), 3599u);
    ASSERT_TRUE(Idle(*dlg));
    ASSERT_TRUE(PumpUntil(backupOn));
    const std::uint32_t narrowKB = transfer->AnswerKB(narrow);
    ASSERT_GT(narrowKB >> 10, 0u);
    main.diskSpace = (narrowKB >> 10) + 100;

    // The end's pop-up moved to 23:59:59 and left open; Backup.
    ASSERT_NO_FATAL_FAILURE(pickEndHour(true));
    ASSERT_TRUE(ClickAt(dlg.get(), at(Backup(page))));
    EXPECT_EQ(dlg->TimePicker(), nullptr);
    EXPECT_EQ(prompts, 0);
    EXPECT_FALSE(dlg->Ended());
    EXPECT_FALSE(backupOn());
    EXPECT_FALSE(main.client->HasWorker(kSlotBackupWriter));
    EXPECT_FALSE(main.client->m_bTrans);

    // Sizing the whole day now: the drive is too small, Backup stays off.
    ASSERT_TRUE(ClickAt(dlg.get(), at(Calculate(page))));
    ASSERT_TRUE(sim->WaitForCount(k5sim::id::TRANS_ON_REQ, 2));
    const Bytes wide = sim->ReceivedOf(k5sim::id::TRANS_ON_REQ)[1].payload;
    EXPECT_EQ(k5sim::GetBE32(wide, 20) - k5sim::GetBE32(wide, 16), 86399u);
    ASSERT_TRUE(Idle(*dlg));
    ASSERT_TRUE(PumpUntil([&] { return std::count(main.notes.begin(), main.notes.end(), 13 << 16) == 1; }));
    EXPECT_FALSE(backupOn());
    ASSERT_TRUE(ClickAt(dlg.get(), at(Backup(page))));
    EXPECT_EQ(prompts, 0);
    // Everything sent so far is in by the time a later request arrives.
    main.diskSpace = 100000;
    ASSERT_TRUE(ClickAt(dlg.get(), at(Calculate(page))));
    ASSERT_TRUE(sim->WaitForCount(k5sim::id::TRANS_ON_REQ, 3));
    EXPECT_TRUE(sim->ReceivedOf(k5sim::id::TRANS_DATA_REQ).empty());

    // With room on the drive the whole day downloads, as sized.
    ASSERT_TRUE(Idle(*dlg));
    ASSERT_TRUE(PumpUntil(backupOn));
    ASSERT_TRUE(ClickAt(dlg.get(), at(Backup(page))));
    ASSERT_TRUE(sim->WaitForCount(k5sim::id::TRANS_DATA_REQ, 1));
    EXPECT_EQ(prompts, 1);
    EXPECT_EQ(sim->ReceivedOf(k5sim::id::TRANS_DATA_REQ)[0].payload, wide);
    ASSERT_TRUE(PumpUntil([&] { return dlg->Ended(); }));
    Close(dlg);
}

INSTANTIATE_TEST_SUITE_P(Pages, BackupSizedRange,
                         ::testing::Values(BackupPageKind{"datetime", false},
                                           BackupPageKind{"timeline", true}),
                         [](const ::testing::TestParamInfo<BackupPageKind>& info) {
                             return std::string(info.param.name);
                         });
