// The seven log lists through the real window against the recorder
// simulator: a long fragmented log, the filtered pages, Play from an alarm
// entry and the reopening after it, refusals, and the printouts to PDF.
#include "../WidgetInput.h"
#include "../PdfTools.h"
#include "SearchTestSupport.h"

#include "RecorderSim.h"
#include "SimCatalogue.h"
#include "SimLive.h"
#include "SimLog.h"
#include "SimSearch.h"
#include "net/NetClient.h"
#include "net/NetMessages.h"
#include "platform/ResourceLibrary.h"
#include "search/InfoPages.h"
#include "search/LogPages.h"
#include "search/LogViewers.h"
#include "search/RemoteLog.h"
#include "search/RemoteSearchDlg.h"
#include "search/SearchTabPage.h"
#include "ui/SkinListCtrl.h"

#include <QApplication>
#include <QFile>
#include <QPrinter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>

using k5sim::Bytes;
using k5sim::RecorderSim;
using namespace std::chrono_literals;

class LogWindow : public SearchSessionTest
{
protected:
    // The alarm pages' motion grids show each channel's picture.
    LogWindow()
    {
        rightsByRoundTrip = true;
        main.grabStills = true;
    }
};

namespace {

CLogListPage* LogPage(CRemoteSearchDlg& dlg, SearchSlot slot)
{
    return static_cast<CLogListPage*>(dlg.Page(slot));
}

// The row of the list showing entry `number`, -1 when none.
int RowOf(const CLogListPage& page, int number)
{
    const QString text = QString::asprintf("%05d", number);
    for (int row = 0; row < page.m_lstLog.GetItemCount(); ++row) {
        if (page.m_lstLog.GetItemText(row, 0) == text)
            return row;
    }
    return -1;
}

} // namespace

TEST_F(LogWindow, FragmentedLogFillsTheListsAndPlayHandsOver)
{
    Start();
    const std::uint32_t t0 = k5sim::RecorderTime(2008, 3, 2, 8);
    const std::vector<k5sim::LogEntry> entries = k5sim::LongLog(t0, 2500);
    k5sim::SearchScript script;
    script.log = k5sim::BuildLog(entries); // 500 KB
    script.fragment = 65535;
    search->SetScript(script);
    auto dlg = Open();

    dlg->ShowLogTab();
    ASSERT_TRUE(PumpUntil([&] { return dlg->Page(SearchSlot::LogAll) != nullptr; }));
    EXPECT_FALSE(dlg->RequestPending());
    CLogListPage* all = LogPage(*dlg, SearchSlot::LogAll);
    ASSERT_EQ(dlg->m_arrLogRecord.size(), 2500u);
    // With archive support the first user does not see archive entries in
    // the All list; the last entry comes first.
    const auto archived = [](const k5sim::LogEntry& e) { return e.category == 4 && e.subKind == 1u << 9; };
    const auto archiveCount = std::count_if(entries.begin(), entries.end(), archived);
    ASSERT_GT(archiveCount, 0);
    ASSERT_EQ(all->m_lstLog.GetItemCount(), 2500 - archiveCount);
    EXPECT_EQ(all->m_lstLog.GetItemText(0, 0), "02500");
    const int lastRow = all->m_lstLog.GetItemCount() - 1;
    EXPECT_EQ(all->m_lstLog.GetItemText(lastRow, 0), "00001");
    EXPECT_EQ(all->m_lstLog.GetItemText(lastRow, 1), "2008-03-02 08:00:00");
    EXPECT_EQ(main.client->SearchKeep().KeptLog().size(), 2500u);
    EXPECT_FALSE(all->m_btnDetails.m_bEnabled);
    EXPECT_FALSE(all->m_btnPlay.m_bEnabled);

    // Each filtered page lists its category from the same table.
    struct Case
    {
        SearchSlot slot;
        int filter;
        std::uint32_t bit;
    } cases[] = {{SearchSlot::LogPower, 1, 1},
                 {SearchSlot::LogRecord, 2, 2},
                 {SearchSlot::LogOperation, 3, 4},
                 {SearchSlot::LogClient, 4, 8},
                 {SearchSlot::LogEvent, 5, 16}};
    for (const Case& c : cases) {
        const int want =
            static_cast<int>(std::count_if(entries.begin(), entries.end(), [&](const k5sim::LogEntry& e) {
                return (e.category & c.bit) != 0 && !(c.bit == 4 && archived(e));
            }));
        dlg->TabPage()->OnButton(c.filter);
        CLogListPage* page = LogPage(*dlg, c.slot);
        ASSERT_NE(page, nullptr) << c.filter;
        EXPECT_EQ(dlg->Page(SearchSlot::LogAll), nullptr);
        EXPECT_EQ(page->m_lstLog.GetItemCount(), want) << c.filter;
    }
    EXPECT_EQ(sim->ReceivedOf(k5sim::id::LOG_INFO_REQ).size(), 1u);
    dlg->ShowLogPage(SearchSlot::LogArchive, 6);
    ASSERT_NE(dlg->Page(SearchSlot::LogArchive), nullptr);
    EXPECT_EQ(LogPage(*dlg, SearchSlot::LogArchive)->m_lstLog.GetItemCount(), archiveCount);
    dlg->TabPage()->OnButton(5);

    // Play on an alarm entry with cameras 1, 3 and 16.
    CLogListPage* events = LogPage(*dlg, SearchSlot::LogEvent);
    int number = -1;
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        if (it->category == 16 && it->camera == 0x8005) {
            number = static_cast<int>(it->number);
            break;
        }
    }
    const int row = RowOf(*events, number);
    ASSERT_GE(row, 0);
    EXPECT_EQ(events->m_lstLog.GetItemText(row, 4), "01 03 16 ");
    events->m_lstLog.setCurrentItem(events->m_lstLog.topLevelItem(row));
    ASSERT_TRUE(events->m_btnPlay.m_bEnabled);
    EXPECT_FALSE(events->m_btnDetails.isVisible());
    events->OnPlay();
    EXPECT_TRUE(main.client->m_bPlayReqPending);
    ASSERT_TRUE(PumpUntil([&] { return dlg->Ended(); }));
    ASSERT_TRUE(sim->WaitForCount(k5sim::id::PLAY_ON_REQ, 1));
    const Bytes play = sim->ReceivedOf(k5sim::id::PLAY_ON_REQ)[0].payload;
    ASSERT_EQ(play.size(), 24u);
    EXPECT_EQ(k5sim::GetBE32(play, 0), 0x8005u);
    EXPECT_EQ(play[4], 0);
    EXPECT_EQ(k5sim::GetBE32(play, 16), entries[static_cast<std::size_t>(number - 1)].time);
    EXPECT_EQ(k5sim::GetBE32(play, 20), 0u);
    const PlayHandOver block = main.client->SearchKeep().HandOver();
    EXPECT_EQ(block.active, 1);
    EXPECT_EQ(block.fromLog, 1);
    EXPECT_EQ(block.logPage, 1);
    EXPECT_EQ(block.channelMask, 0xFFFFu);
    EXPECT_EQ(block.startTime, entries[static_cast<std::size_t>(number - 1)].time);
    EXPECT_GE(main.stripRedraws, 1);
    Close(dlg);

    // Reopened during that playback: the Log tab, the Event page from the
    // connection's copy, no new request.
    dlg = Open();
    EXPECT_EQ(dlg->OpenTab(), SearchTab::Log);
    ASSERT_NE(dlg->Page(SearchSlot::LogEvent), nullptr);
    const auto alarms = std::count_if(entries.begin(), entries.end(),
                                      [](const k5sim::LogEntry& e) { return (e.category & 16) != 0; });
    EXPECT_EQ(LogPage(*dlg, SearchSlot::LogEvent)->m_lstLog.GetItemCount(), alarms);
    EXPECT_EQ(sim->ReceivedOf(k5sim::id::LOG_INFO_REQ).size(), 1u);
    Close(dlg);
}

TEST_F(LogWindow, RefusedAndMalformedLogsKeepTheWindowOpen)
{
    Start();
    struct Case
    {
        std::int32_t refuse;
        Bytes log;
    };
    const Bytes one = k5sim::BuildLog({k5sim::LogEntry{}});
    Bytes zeroSize = one;
    k5sim::PutBE32(zeroSize, 4, 0);
    const Case cases[] = {{1, {}},          {83, {}},      {86, {}},
                          {0, Bytes(7, 1)}, {0, zeroSize}, {0, Bytes(one.begin(), one.begin() + 150)}};
    auto dlg = Open();
    std::size_t requests = 0;
    for (const Case& c : cases) {
        k5sim::SearchScript script;
        script.logRefuse = c.refuse;
        script.log = c.log;
        search->SetScript(script);
        const std::size_t notes = main.notes.size();
        dlg->ShowLogTab();
        dlg->TabPage()->OnButton(0);
        ASSERT_TRUE(sim->WaitForCount(k5sim::id::LOG_INFO_REQ, ++requests));
        // A refusal is the connection's notice; an unreadable answer the window's.
        if (c.refuse == 0) {
            ASSERT_TRUE(PumpUntil([&] { return main.notes.size() > notes; }));
        }
        ASSERT_TRUE(PumpUntil([&] { return !dlg->RequestPending(); })) << c.refuse;
        EXPECT_FALSE(dlg->Ended());
        EXPECT_EQ(dlg->Page(SearchSlot::LogAll), nullptr);
        if (c.refuse == 0) {
            EXPECT_EQ(main.notes.back(), NetNotify::NACK << 16 | kNackAnswerUnreadable);
        }
    }
    // Later traffic still framed: a good log opens the list.
    k5sim::SearchScript script;
    script.log = k5sim::BuildLog(k5sim::EveryKindLog(1000), 180);
    search->SetScript(script);
    dlg->TabPage()->OnButton(0);
    ASSERT_TRUE(PumpUntil([&] { return dlg->Page(SearchSlot::LogAll) != nullptr; }));
    EXPECT_EQ(static_cast<std::size_t>(LogPage(*dlg, SearchSlot::LogAll)->m_lstLog.GetItemCount()),
              k5sim::EveryKindLog(1000).size() - 1); // the archive entry is not the All list's
    Close(dlg);
}

class LogPrintPages : public LogWindow
{
protected:
    void SetUp() override
    {
        LogWindow::SetUp();
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath(QStringLiteral("log.pdf"));
        CLogPrint::SetPrinterFactory([this] {
            auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(path);
            return printer;
        });
    }
    void TearDown() override
    {
        CLogPrint::SetPrinterFactory({});
        LogWindow::TearDown();
    }
    // The page of `list` over the records, printed.
    int Print(CRemoteSearchDlg& dlg, LogList list, const std::vector<k5sim::LogEntry>& entries)
    {
        QFile::remove(path);
        const Bytes bytes = k5sim::BuildLog(entries);
        dlg.m_arrLogRecord.clear();
        ParseRemoteLog(bytes.data(), bytes.size(), dlg.m_arrLogRecord);
        CLogListPage page(dlg, LogSlotOf(list), list);
        page.FillLogList();
        EXPECT_EQ(page.PrintLog(), CLogPrint::Result::Printed);
        return QFile::exists(path) ? pdftools::Pages(path) : 0;
    }
    QTemporaryDir dir;
    QString path;
};

TEST_F(LogPrintPages, RowCountsPagesTitleAndFaces)
{
    Start();
    auto dlg = Open();
    auto power = [](std::size_t n) {
        std::vector<k5sim::LogEntry> e(n);
        for (std::size_t i = 0; i < n; ++i) {
            e[i].number = static_cast<std::uint32_t>(i + 1);
            e[i].category = 1;
            e[i].subKind = 2;
            e[i].text = "power";
        }
        return e;
    };
    EXPECT_EQ(Print(*dlg, LogList::Power, power(0)), 0);
    EXPECT_EQ(Print(*dlg, LogList::Power, power(33)), 1);
    EXPECT_EQ(Print(*dlg, LogList::Power, power(34)), 2);
    const QString text = pdftools::Text(path);
    const QString title = QString::fromStdString(main.LoadResString(5524));
    EXPECT_TRUE(text.startsWith(title) || text.contains(title)) << text.toStdString();
    EXPECT_TRUE(pdftools::Squeezed(text).contains("-2/2-"));
    // Last entry first, as the list shows them.
    EXPECT_LT(text.indexOf("00034"), text.indexOf("00033"));
    EXPECT_LT(text.indexOf("00002"), text.indexOf("00001"));
    EXPECT_EQ(pdftools::Fonts(path), QStringList{"LiberationSans-Bold"});
    // A second print is the same.
    const QString first = pdftools::Text(path);
    EXPECT_EQ(Print(*dlg, LogList::Power, power(34)), 2);
    EXPECT_EQ(pdftools::Text(path), first);
    // The All list without the archive entries the first user does not see.
    std::vector<k5sim::LogEntry> plain = k5sim::LongLog(1000, 2500 + 2500 / 47 + 1);
    plain.erase(
        std::remove_if(plain.begin(), plain.end(),
                       [](const k5sim::LogEntry& e) { return e.category == 4 && e.subKind == 1u << 9; }),
        plain.end());
    plain.resize(2500);
    EXPECT_EQ(Print(*dlg, LogList::All, plain), 76);
    // The archive list prints in the regular face under a bold title.
    std::vector<k5sim::LogEntry> archive(3);
    for (std::size_t i = 0; i < archive.size(); ++i) {
        archive[i].number = static_cast<std::uint32_t>(i + 1);
        archive[i].category = 4;
        archive[i].subKind = 1u << 9;
    }
    EXPECT_EQ(Print(*dlg, LogList::Archive, archive), 1);
    EXPECT_EQ(pdftools::Fonts(path), (QStringList{"LiberationSans", "LiberationSans-Bold"}));
    Close(dlg);
}

TEST_F(LogWindow, DetailsRegionScheduleAndPrev)
{
    Start();
    const std::vector<k5sim::LogEntry> entries = k5sim::EveryKindLog(k5sim::RecorderTime(2008, 3, 2, 8));
    k5sim::SearchScript script;
    script.log = k5sim::BuildLog(entries);
    search->SetScript(script);
    auto dlg = Open();
    dlg->ShowLogTab();
    ASSERT_TRUE(PumpUntil([&] { return dlg->Page(SearchSlot::LogAll) != nullptr; }));
    auto number = [&](std::uint32_t sub) {
        for (const k5sim::LogEntry& e : entries) {
            if (e.category == 4 && e.subKind == 1u << sub)
                return static_cast<int>(e.number);
        }
        return -1;
    };
    auto select = [&](int n) {
        CLogListPage* all = LogPage(*dlg, SearchSlot::LogAll);
        const int row = RowOf(*all, n);
        EXPECT_GE(row, 0);
        all->m_lstLog.setCurrentItem(all->m_lstLog.topLevelItem(row));
        return all;
    };

    // Sub-kind 14: the detail viewer lists the entry, a gap and the 13 items.
    CLogListPage* all = select(number(14));
    ASSERT_TRUE(all->m_btnDetails.m_bEnabled);
    EXPECT_FALSE(all->m_btnPlay.m_bEnabled);
    all->ShowDetails();
    auto* detail = static_cast<CLogDetailPage*>(dlg->Page(SearchSlot::LogDetail));
    ASSERT_NE(detail, nullptr);
    EXPECT_EQ(dlg->Page(SearchSlot::LogAll), nullptr);
    EXPECT_EQ(detail->m_lstLog.GetItemText(0, 0), QString::asprintf("%05d", number(14)));
    EXPECT_EQ(detail->m_lstLog.GetItemCount(), 2 + 13);
    EXPECT_FALSE(detail->m_btnRegion.isVisible());

    // Prev asks again, once while waiting, and the new list selects the entry.
    detail->OnPrev();
    EXPECT_TRUE(dlg->RequestPending());
    EXPECT_EQ(dlg->m_nLogSelected, number(14));
    ASSERT_TRUE(sim->WaitForCount(k5sim::id::LOG_INFO_REQ, 2));
    ASSERT_TRUE(PumpUntil([&] { return dlg->Page(SearchSlot::LogAll) != nullptr; }));
    all = LogPage(*dlg, SearchSlot::LogAll);
    ASSERT_GE(all->m_model.SelectedRecord(), 0);
    EXPECT_EQ(
        static_cast<int>(dlg->m_arrLogRecord[static_cast<std::size_t>(all->m_model.SelectedRecord())].number),
        number(14));
    EXPECT_EQ(all->m_lstLog.currentItem(), all->m_lstLog.topLevelItem(RowOf(*all, number(14))));
    EXPECT_TRUE(all->m_btnDetails.m_bEnabled);

    // Sub-kind 17 of a motion region: Region over the camera's picture.
    select(number(17))->ShowDetails();
    detail = static_cast<CLogDetailPage*>(dlg->Page(SearchSlot::LogDetail));
    ASSERT_NE(detail, nullptr);
    EXPECT_TRUE(detail->m_btnRegion.isVisibleTo(detail));
    detail->OnRegion();
    auto* region = static_cast<CLogRegionPage*>(dlg->Page(SearchSlot::LogRegion));
    ASSERT_NE(region, nullptr);
    const RemoteLogRecord& rec = dlg->m_arrLogRecord[static_cast<std::size_t>(number(17) - 1)];
    const auto before = UnpackRegion(rec, 93), after = UnpackRegion(rec, 124);
    auto shows = [&](const std::array<std::uint8_t, kRegionTableBytes>& table) {
        for (int row = 0; row < 8; ++row) {
            for (int col = 0; col < 10; ++col) {
                const GridRect cell{col * 36, row * 36, col * 36 + 36, row * 36 + 36};
                if (region->m_grid.ValueOf(cell) != table[static_cast<std::size_t>(row * 11 + col)])
                    return false;
            }
        }
        return true;
    };
    EXPECT_EQ(region->m_grid.CellCount(), 80u);
    EXPECT_TRUE(region->m_bShowNew);
    EXPECT_TRUE(shows(after));
    region->OnOldRegion();
    EXPECT_TRUE(shows(before));
    EXPECT_NE(before, after);
    // The picture follows the camera: the grab runs on every tick.
    const std::size_t grabs = main.grabs.size();
    ASSERT_TRUE(PumpUntil([&] { return main.grabs.size() >= grabs + 3; }));
    EXPECT_EQ(main.grabs.back(), RegionChannel(rec));
    EXPECT_EQ(region->m_grid.m_bShowStill, 1);
    const QImage shot = region->grab().toImage();
    EXPECT_FALSE(shot.isNull());

    // Sub-kind 15: the schedule viewer, after the change first.
    dlg->TabPage()->OnButton(0);
    ASSERT_TRUE(PumpUntil([&] { return dlg->Page(SearchSlot::LogAll) != nullptr; }));
    select(number(15))->ShowDetails();
    auto* schedule = static_cast<CLogSchedulePage*>(dlg->Page(SearchSlot::LogSchedule));
    ASSERT_NE(schedule, nullptr);
    const RemoteLogRecord& srec = dlg->m_arrLogRecord[static_cast<std::size_t>(number(15) - 1)];
    const auto sAfter = UnpackSchedule(srec, 120), sBefore = UnpackSchedule(srec, 88);
    ASSERT_EQ(schedule->m_grid.CellCount(), 168u);
    for (int day = 0; day < 7; ++day) {
        for (int hour = 0; hour < 24; ++hour) {
            const GridRect cell{day * 50, hour * 15, day * 50 + 50, hour * 15 + 15};
            ASSERT_EQ(schedule->m_grid.ValueOf(cell), sAfter[static_cast<std::size_t>(day * 24 + hour)]);
        }
    }
    schedule->OnOldSchedule();
    EXPECT_EQ(schedule->m_grid.ValueOf(GridRect{0, 15, 50, 30}), sBefore[1]);
    EXPECT_FALSE(schedule->m_bShowNew);
    Close(dlg);
}

TEST_F(LogWindow, StatusFormsAndUnaskedSystemAnswers)
{
    Start();
    auto dlg = Open();
    const int channels = main.client->ChannelCount();
    dlg->ShowInfoTab();

    // Pushed unasked, the system answers change nothing; what follows is
    // still read in step.
    sim->Send(k5sim::id::SYSTEM_INFO_ACK, Bytes(40, 0x33));
    sim->SendReason(k5sim::id::SYSTEM_INFO_NACK, 1);
    k5sim::StatusFields fields;
    fields.disks = false;
    fields.totalMB = 100;
    fields.freeMB = 300; // more free than total: nothing used
    k5sim::SearchScript script;
    script.status = k5sim::BuildStatus(fields);
    search->SetScript(script);
    const std::size_t before = sim->Received().size();
    dlg->TabPage()->OnButton(0); // System Info: from what the connection knows
    ASSERT_NE(dlg->Page(SearchSlot::SystemInfo), nullptr);
    dlg->TabPage()->OnButton(1);
    ASSERT_TRUE(PumpUntil([&] { return dlg->Page(SearchSlot::StatusInfo) != nullptr; }));
    const auto received = sim->Received();
    ASSERT_EQ(received.size(), before + 1);
    EXPECT_EQ(received.back().id, k5sim::id::STATUS_INFO_REQ);
    EXPECT_FALSE(dlg->Ended());
    auto* status = static_cast<CInfoListPage*>(dlg->Page(SearchSlot::StatusInfo));
    ASSERT_EQ(status->m_lstInfo.GetItemCount(), 4 + channels);
    EXPECT_EQ(status->m_lstInfo.GetItemText(1, 1), "    0 MByte");
    Close(dlg);

    // The 28-byte form adds the disks; a refusal leaves the window open.
    fields.disks = true;
    fields.present = {1, 0, 1, 0};
    fields.state = {0, 0, 7, 0};
    script.status = k5sim::BuildStatus(fields);
    search->SetScript(script);
    dlg = Open();
    dlg->ShowInfoTab();
    dlg->TabPage()->OnButton(1);
    ASSERT_TRUE(PumpUntil([&] { return dlg->Page(SearchSlot::StatusInfo) != nullptr; }));
    status = static_cast<CInfoListPage*>(dlg->Page(SearchSlot::StatusInfo));
    ASSERT_EQ(status->m_lstInfo.GetItemCount(), 4 + channels + 1 + 4);
    EXPECT_EQ(status->m_lstInfo.GetItemText(4 + channels + 4, 2), "7"); // a state past the known ones
    Close(dlg);

    script.statusRefuse = 83;
    search->SetScript(script);
    dlg = Open();
    dlg->ShowInfoTab();
    dlg->TabPage()->OnButton(1);
    ASSERT_TRUE(sim->WaitForCount(k5sim::id::STATUS_INFO_REQ, 3));
    ASSERT_TRUE(PumpUntil([&] { return !dlg->RequestPending(); }));
    QApplication::processEvents();
    EXPECT_EQ(dlg->Page(SearchSlot::StatusInfo), nullptr);
    EXPECT_FALSE(dlg->Ended());
    Close(dlg);
}

TEST_F(LogWindow, PagesRenderOffscreen)
{
    Start();
    k5sim::SearchScript script;
    script.log = k5sim::BuildLog(k5sim::EveryKindLog(k5sim::RecorderTime(2008, 3, 2, 8)));
    search->SetScript(script);
    auto dlg = Open();
    dlg->ShowLogTab();
    ASSERT_TRUE(PumpUntil([&] { return dlg->Page(SearchSlot::LogAll) != nullptr; }));
    // The page's own background bitmap where no control lies.
    const QColor background = ResourceLibrary::Current().LoadBitmap(1751).pixelColor(200, 393);
    // Every list: the background between the list and the buttons, the
    // Print button over it, rows in the list.
    for (const auto& [slot, filter] : std::vector<std::pair<SearchSlot, int>>{{SearchSlot::LogAll, 0},
                                                                              {SearchSlot::LogPower, 1},
                                                                              {SearchSlot::LogRecord, 2},
                                                                              {SearchSlot::LogOperation, 3},
                                                                              {SearchSlot::LogClient, 4},
                                                                              {SearchSlot::LogEvent, 5},
                                                                              {SearchSlot::LogArchive, 6}}) {
        if (filter != 0)
            dlg->ShowLogPage(slot, filter);
        CLogListPage* page = LogPage(*dlg, slot);
        ASSERT_NE(page, nullptr) << filter;
        const QImage shot = page->grab().toImage();
        ASSERT_EQ(shot.size(), QSize(403, 417));
        EXPECT_EQ(shot.pixelColor(200, 393), background) << filter;
        EXPECT_NE(shot.pixelColor(50, 407), background) << filter;
        EXPECT_EQ(page->m_btnPrint.geometry(), QRect(2, 396, 97, 22));
        EXPECT_EQ(page->m_lstLog.geometry(), QRect(2, 2, 399, 389));
        EXPECT_EQ(page->m_btnPlay.isVisibleTo(page), filter == 0 || filter == 5) << filter;
        EXPECT_EQ(page->m_btnDetails.isVisibleTo(page), filter == 0 || filter == 3 || filter == 6) << filter;
        if (page->m_btnDetails.isVisibleTo(page)) {
            EXPECT_EQ(page->m_btnDetails.geometry().x(), filter == 0 ? 205 : 304);
        }
    }

    // The region viewer: selected cells in the selected look of the still,
    // the others in the still itself.
    dlg->ShowLogPage(SearchSlot::LogOperation, 3);
    CLogListPage* ops = LogPage(*dlg, SearchSlot::LogOperation);
    int row = -1;
    for (int r = 0; r < ops->m_lstLog.GetItemCount(); ++r) {
        const RemoteLogRecord& rec =
            dlg->m_arrLogRecord[static_cast<std::size_t>(ops->m_model.Rows()[r].record)];
        if (rec.sub_kind == 1u << 17)
            row = r;
    }
    ASSERT_GE(row, 0);
    ops->m_lstLog.setCurrentItem(ops->m_lstLog.topLevelItem(row));
    ops->ShowDetails();
    auto* detail = static_cast<CLogDetailPage*>(dlg->Page(SearchSlot::LogDetail));
    ASSERT_NE(detail, nullptr);
    EXPECT_EQ(detail->grab().toImage().pixelColor(200, 393), background);
    detail->OnRegion();
    auto* region = static_cast<CLogRegionPage*>(dlg->Page(SearchSlot::LogRegion));
    ASSERT_NE(region, nullptr);
    const QImage shot = region->grab().toImage();
    const auto& cells = region->m_newCells;
    QColor on, off;
    for (int k = 0; k < 80; ++k) {
        const int r = k / 10, c = k % 10;
        const QColor px = shot.pixelColor(21 + c * 36 + 18, 72 + r * 36 + 18);
        (cells[static_cast<std::size_t>(r * 11 + c)] ? on : off) = px;
    }
    ASSERT_TRUE(on.isValid() && off.isValid());
    EXPECT_NE(on, off);
    EXPECT_EQ(off, QColor(0x80, 0x80, 0x80));
    Close(dlg);
}
