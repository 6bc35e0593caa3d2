// The local event list and file list over download folders written by the
// real download writer: which sets and events are listed and in what order,
// Play against remote and local playback, the remembered row on reopening,
// and offscreen renders probed at the layout's positions.
#include "LocalTestData.h"
#include "LocalWindowFixture.h"

#include "local/LocalListPages.h"
#include "local/LocalLists.h"
#include "local/LocalMenus.h"
#include "net/Wire.h"
#include "platform/Skin.h"
#include "search/EventList.h"
#include "streams/LocalSetBuilder.h"
#include "ui/SkinColors.h"
#include "ui/UiMessages.h"

#include <QDir>
#include <filesystem>

using namespace k5streams;

namespace {

constexpr std::uint32_t T0 = 0x50000000;

// Segments of the given event kinds on camera 1, 3 seconds each, 10 seconds apart.
std::string Time(std::uint32_t t)
{
    return FormatEventTime(static_cast<std::int32_t>(t), 0);
}

class LocalListPages : public LocalWindowTest
{
protected:
    std::string Folder() const { return main.location + "/Download"; }

    std::array<std::string, 3> Write(const char* name, std::uint32_t start,
                                     const std::vector<std::uint8_t>& kinds, bool servedModel = true)
    {
        std::filesystem::create_directories(Folder());
        LocalSetOptions o;
        o.folder = Folder();
        o.name = name;
        o.servedModel = servedModel;
        const auto files = WriteLocalSets(o, Events(start, kinds));
        EXPECT_EQ(files.size(), 1u) << name;
        return files.empty() ? std::array<std::string, 3>{} : files[0];
    }

    // The folder the lists' edge cases need. "a_newer" is found first
    // although it is the newest; "c_other" is the sibling model's; "d_caps"
    // names the family in capitals; "b_older" holds an event of type 3 and
    // one whose end equals its start.
    void WriteMixedFolder()
    {
        Write("a_newer", T0 + 1000, {1, 2, 1});
        const auto older = Write("b_older", T0, {4, 3, 1, 1});
        Write("c_other", T0 + 2000, {1}, false);
        const auto caps = Write("d_caps", T0 + 500, {1});
        ASSERT_TRUE(PatchFile(caps[0], 0, {'K', 'O', 'L', 'A', '5', '5', '0', '0'}));
        ASSERT_TRUE(PatchFile(older[0], 192 + 256 * 3 + 28, LE(T0 + 30)));
    }

    static QStringList Column(const CSkinListCtrl& list, int column)
    {
        QStringList out;
        for (int r = 0; r < list.GetItemCount(); ++r)
            out << list.GetItemText(r, column);
        return out;
    }

    static QStringList Times(std::initializer_list<std::uint32_t> times)
    {
        QStringList out;
        for (std::uint32_t t : times)
            out << QString::fromStdString(Time(t));
        return out;
    }

    CLocalEventPage* EventPage(CLocalSearchDlg& dlg)
    {
        return static_cast<CLocalEventPage*>(dlg.Page(LocalSlot::Event));
    }
    CLocalFileListPage* FilePage(CLocalSearchDlg& dlg)
    {
        return static_cast<CLocalFileListPage*>(dlg.Page(LocalSlot::FileList));
    }
};

} // namespace

TEST_F(LocalListPages, ListsShowTheFamilysSetsAndTheirEventsNewestFirst)
{
    WriteMixedFolder();
    auto dlg = Open();
    dlg->ShowFileListPage();
    CLocalFileListPage* files = FilePage(*dlg);
    ASSERT_NE(files, nullptr);
    EXPECT_EQ(Column(files->m_list, 0), QStringList({"a_newer", "d_caps", "b_older"}));
    EXPECT_EQ(Column(files->m_list, 1), Times({T0 + 1000, T0 + 500, T0}));
    EXPECT_EQ(Column(files->m_list, 2), Times({T0 + 1022, T0 + 502, T0 + 32}));
    EXPECT_EQ(files->m_list.columnCount(), 3);
    EXPECT_EQ(files->m_list.columnWidth(0), 200);
    EXPECT_EQ(files->m_list.columnWidth(1), 145);
    EXPECT_FALSE(files->m_btnPlay.m_bEnabled);

    dlg->ShowEventPage();
    EXPECT_EQ(dlg->Page(LocalSlot::FileList), nullptr);
    CLocalEventPage* events = EventPage(*dlg);
    ASSERT_NE(events, nullptr);
    CEventListPanel& panel = events->Panel();
    EXPECT_TRUE(panel.m_btnPrev.isHidden());
    EXPECT_EQ(panel.m_list.columnCount(), 2);
    const struct
    {
        int kind;
        QStringList starts;
    } kinds[] = {
        // Type 3 and the entry ending at its start are in no tab.
        {1, Times({T0 + 1020, T0 + 1000, T0 + 500, T0 + 20})},
        {2, Times({T0 + 1010})},
        {4, Times({T0})},
    };
    for (const auto& k : kinds) {
        SendMessage(panel.Handle(), WM_COMMAND, MakeCommandWParam(470 + EventKindSlot(k.kind), BN_CLICKED),
                    0);
        EXPECT_EQ(panel.CurKind(), k.kind);
        EXPECT_EQ(Column(panel.m_list, 0), k.starts) << k.kind;
    }
    EXPECT_TRUE(main.notes.empty());
    EXPECT_TRUE(main.skipped.empty());
}

TEST_F(LocalListPages, AnIndexGoneAfterTheScanGivesNoEvents)
{
    WriteMixedFolder();
    const auto sets = SortByFirstTime(ScanDownloadFolder(Folder(), LocalScan::Event).sets);
    ASSERT_EQ(sets.size(), 3u);
    std::filesystem::remove(Folder() + "/a_newer.idx");
    const LocalEventList list = BuildLocalEvents(sets);
    EXPECT_EQ(list.Count(1), 2);
    EXPECT_EQ(list.Count(2), 0);
    EXPECT_EQ(list.Count(4), 1);
}

TEST_F(LocalListPages, NothingFoundStillOpensAndADamagedSetIsToldOncePerWindow)
{
    // An empty folder: each page says so and opens empty.
    {
        auto dlg = Open();
        dlg->ShowEventPage();
        ASSERT_NE(EventPage(*dlg), nullptr);
        EXPECT_EQ(EventPage(*dlg)->Panel().CurKind(), 1);
        dlg->ShowFileListPage();
        ASSERT_NE(FilePage(*dlg), nullptr);
        EXPECT_EQ(FilePage(*dlg)->m_list.GetItemCount(), 0);
        EXPECT_EQ(main.notes, (std::vector<std::pair<int, int>>{{17, 0}, {17, 0}}));
    }
    // A summary counting more entries than the file holds: the reads stop at
    // the file's end, the set is left out and named once per window.
    main.notes.clear();
    Write("e_good", T0, {1, 2});
    const auto bad = Write("f_count", T0 + 100, {1});
    ASSERT_TRUE(PatchFile(bad[0], 96, LE(1000)));
    for (int window = 0; window < 2; ++window) {
        auto dlg = Open();
        dlg->ShowEventPage();
        dlg->ShowFileListPage();
        dlg->ShowEventPage();
        EXPECT_EQ(EventPage(*dlg)->Panel().m_list.GetItemCount(), 1);
    }
    EXPECT_EQ(main.skipped, (std::vector<std::string>{"f_count", "f_count"}));
    EXPECT_TRUE(main.notes.empty());
}

TEST(LocalListPlayDecision, RemoteFirstThenTheRunningPlaylist)
{
    Playlist list;
    PlaylistNode& n = list.emplace_back();
    n.nEntryStart = 100;
    n.nEntryEnd = 200;
    const Playlist empty;
    const struct
    {
        bool remoteRuns;
        bool chosen;
        const Playlist* running;
        int t;
        LocalListPlay expected;
    } cases[] = {
        {true, true, nullptr, 50, LocalListPlay::Ignored},
        {true, false, &list, 50, LocalListPlay::Ignored},
        {false, false, nullptr, 50, LocalListPlay::CloseOnly},
        {false, true, nullptr, 500, LocalListPlay::PlayAndClose},
        {false, true, &empty, 500, LocalListPlay::PlayAndClose},
        {false, true, &list, 50, LocalListPlay::PlayAndClose},  // before the node
        {false, true, &list, 150, LocalListPlay::PlayAndClose}, // inside it
        {false, true, &list, 200, LocalListPlay::CloseOnly},    // at its end
        {false, true, &list, 500, LocalListPlay::CloseOnly},    // after every node
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecideLocalListPlay(c.remoteRuns, c.chosen, c.running, c.t), c.expected)
            << c.remoteRuns << c.chosen << c.t;
}

TEST(RemotePlaybackStateRules, BusyAndRunning)
{
    const struct
    {
        RemotePlaybackState s;
        bool busy, runs;
    } cases[] = {
        {{}, false, false},
        {{false, true, true, true, true}, false, false}, // no connection object
        {{true, true, false, false, false}, false, false},
        {{true, false, true, false, false}, true, false},
        {{true, true, true, false, false}, true, true},
        {{true, true, false, true, false}, true, false},
        {{true, true, false, false, true}, true, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.s.Busy(), c.busy);
        EXPECT_EQ(c.s.Runs(), c.runs);
    }
}

TEST_F(LocalListPages, SelectionWhileRemotePlaybackIsBusyLeavesPlayDisabled)
{
    WriteMixedFolder();
    const struct
    {
        bool play, live, playReq;
    } busy[] = {{true, false, false}, {false, true, false}, {false, false, true}};
    for (const auto& b : busy) {
        main.remote = RemotePlaybackState{true, true, b.play, b.live, b.playReq};
        auto dlg = Open();
        dlg->ShowEventPage();
        CEventListPanel& panel = EventPage(*dlg)->Panel();
        panel.SelectRow(1);
        EXPECT_EQ(panel.Selected(), 2);
        EXPECT_FALSE(panel.m_btnPlay.m_bEnabled) << b.play << b.live << b.playReq;
        dlg->ShowFileListPage();
        CLocalFileListPage* files = FilePage(*dlg);
        files->SelectRow(0);
        EXPECT_EQ(files->Selected(), 2);
        EXPECT_FALSE(files->m_btnPlay.m_bEnabled);
    }
    // Logged in without playback: Play follows the row.
    main.remote = RemotePlaybackState{true, true, false, false, false};
    auto dlg = Open();
    dlg->ShowFileListPage();
    CLocalFileListPage* files = FilePage(*dlg);
    files->SelectRow(2);
    EXPECT_EQ(files->Selected(), 0);
    EXPECT_TRUE(files->m_btnPlay.m_bEnabled);
    files->m_list.clearSelection();
    EXPECT_EQ(files->Selected(), -1);
    EXPECT_FALSE(files->m_btnPlay.m_bEnabled);
}

TEST_F(LocalListPages, FileListPlayThenReopenSelectsTheSameRow)
{
    WriteMixedFolder();
    {
        auto dlg = Open();
        dlg->ShowFileListPage();
        CLocalFileListPage* files = FilePage(*dlg);
        files->SelectRow(1); // d_caps
        ASSERT_TRUE(files->m_btnPlay.m_bEnabled);
        ClickWidget(&files->m_btnPlay);
        EXPECT_TRUE(WaitFor([&] { return dlg->Ended() && !main.startTimes.empty(); }));
        EXPECT_EQ(dlg->m_nSearchMode, 0);
    }
    ASSERT_EQ(main.startTimes.size(), 1u);
    EXPECT_EQ(main.startTimes[0], static_cast<int>(T0 + 500));
    EXPECT_EQ(main.last.bValid, 1);
    EXPECT_EQ(main.last.nPage, 4);
    EXPECT_EQ(main.last.nSelectedRow, 1);
    // The Search tab comes back to the file list on that row.
    auto dlg = Open();
    EXPECT_EQ(dlg->MenuPage()->Button(454)->m_nState, 1);
    EXPECT_EQ(dlg->MenuPage()->Button(454)->m_strText, "File List");
    CLocalFileListPage* files = FilePage(*dlg);
    ASSERT_NE(files, nullptr);
    EXPECT_EQ(files->m_list.GetFocusedItem(), 1);
    EXPECT_EQ(files->Selected(), 1);
    EXPECT_TRUE(files->m_btnPlay.m_bEnabled);
}

TEST_F(LocalListPages, EventPlayAgainstRemoteAndLocalPlayback)
{
    WriteMixedFolder();
    // Remote playback of a logged-in connection: nothing at all.
    main.remote = RemotePlaybackState{true, true, true, false, false};
    {
        auto dlg = Open();
        dlg->ShowEventPage();
        CLocalEventPage* page = EventPage(*dlg);
        page->Panel().SelectRow(0);
        page->OnPlay();
        QApplication::processEvents();
        EXPECT_FALSE(dlg->Ended());
        EXPECT_EQ(main.last.bValid, 0);
        EXPECT_TRUE(main.startTimes.empty());
    }
    main.remote = RemotePlaybackState{};
    // A local playlist ending before the event: it goes on, the window closes
    // and the search is remembered.
    main.running = true;
    main.playlist.emplace_back().nEntryStart = static_cast<int>(T0);
    main.playlist.back().nEntryEnd = static_cast<int>(T0 + 10);
    {
        auto dlg = Open();
        dlg->ShowEventPage();
        CEventListPanel& panel = EventPage(*dlg)->Panel();
        SendMessage(panel.Handle(), WM_COMMAND, MakeCommandWParam(471, BN_CLICKED), 0);
        panel.SelectRow(0);
        ClickWidget(&panel.m_btnPlay);
        EXPECT_TRUE(WaitFor([&] { return dlg->Ended(); }));
    }
    EXPECT_TRUE(main.running);
    EXPECT_EQ(main.closes, 0);
    EXPECT_TRUE(main.startTimes.empty());
    EXPECT_EQ(main.last.bValid, 1);
    EXPECT_EQ(main.last.nPage, 1);
    EXPECT_EQ(main.last.nMode, 2);
    EXPECT_EQ(main.last.nSelectedRow, 0);
    // A playlist with a node after the event: closed, and the event plays.
    main.playlist.back().nEntryEnd = static_cast<int>(T0 + 3000);
    {
        auto dlg = Open();
        CLocalEventPage* page = EventPage(*dlg);
        ASSERT_NE(page, nullptr) << "the remembered event view";
        CEventListPanel& panel = page->Panel();
        EXPECT_EQ(panel.CurKind(), 2);
        EXPECT_EQ(panel.m_btnTab[1].m_nState, 1);
        EXPECT_EQ(panel.Selected(), 0);
        SendMessage(panel.Handle(), WM_COMMAND, MakeCommandWParam(470, BN_CLICKED), 0);
        // Another tab forgets the row.
        EXPECT_EQ(panel.Selected(), -1);
        EXPECT_FALSE(panel.m_btnPlay.m_bEnabled);
        panel.SelectRow(2); // d_caps's event
        page->OnPlay();
        EXPECT_TRUE(WaitFor([&] { return dlg->Ended() && !main.startTimes.empty(); }));
    }
    EXPECT_EQ(main.closes, 1);
    ASSERT_EQ(main.startTimes.size(), 1u);
    EXPECT_EQ(main.startTimes[0], static_cast<int>(T0 + 500));
    EXPECT_EQ(main.last.nMode, 1);
    EXPECT_EQ(main.last.nSelectedRow, 2);
}

TEST_F(LocalListPages, PlayWithoutARowOnlyRemembersAndCloses)
{
    WriteMixedFolder();
    auto dlg = Open();
    dlg->ShowEventPage();
    EventPage(*dlg)->OnPlay();
    EXPECT_TRUE(WaitFor([&] { return dlg->Ended(); }));
    EXPECT_TRUE(main.startTimes.empty());
    EXPECT_EQ(main.last.bValid, 1);
    EXPECT_EQ(main.last.nSelectedRow, 4) << "the kind's count";
}

TEST_F(LocalListPages, ReopenedEventListScrollsTheRowToTheTop)
{
    Write("long", T0, std::vector<std::uint8_t>(60, 1));
    main.last.bValid = 1;
    main.last.nPage = 1;
    main.last.nMode = 1;
    main.last.nSelectedRow = 10;
    auto dlg = Open();
    CLocalEventPage* page = EventPage(*dlg);
    ASSERT_NE(page, nullptr);
    CEventListPanel& panel = page->Panel();
    ASSERT_EQ(panel.m_list.GetItemCount(), 60);
    EXPECT_EQ(panel.Selected(), 49);
    EXPECT_EQ(panel.SelectedEntry()->start, static_cast<int>(T0 + 490));
    QApplication::processEvents();
    QTreeWidgetItem* top = panel.m_list.itemAt(QPoint(4, 4));
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(panel.m_list.indexOfTopLevelItem(top), 10);
}

TEST_F(LocalListPages, RendersOfBothPagesAtTheirPositions)
{
    WriteMixedFolder();
    main.last.bValid = 1;
    main.last.nPage = 1;
    main.last.nMode = 1;
    main.last.nSelectedRow = 0;
    auto dlg = Open();
    const QString dir = QStringLiteral(K5_BINARY_DIR "/renders");
    QDir().mkpath(dir);
    const QImage background = ResourceLibrary::Current().LoadBitmap(1751);
    ASSERT_FALSE(background.isNull());
    const QRgb rowFill = fromColorRef(SkinColor::Highlight()).rgb();

    CLocalEventPage* events = EventPage(*dlg);
    ASSERT_NE(events, nullptr);
    EXPECT_EQ(events->geometry(), QRect(197, 83, 403, 417));
    CEventListPanel& panel = events->Panel();
    EXPECT_EQ(panel.m_btnTab[0].geometry(), QRect(2, 0, 133, 24));
    EXPECT_EQ(panel.m_btnTab[2].geometry(), QRect(268, 0, 133, 24));
    EXPECT_EQ(panel.m_list.geometry(), QRect(2, 26, 399, 366));
    EXPECT_EQ(panel.m_btnPlay.geometry(), QRect(304, 396, 97, 22));
    const QImage ev = events->grab().toImage();
    ev.save(dir + "/local-event-list-139.png");
    // The chosen tab is drawn unlike the others; the remembered row is lit;
    // the background shows between the list and Play, Play covers its place.
    EXPECT_NE(ev.pixel(68, 3), ev.pixel(201, 3));
    EXPECT_EQ(ev.pixel(201, 3), ev.pixel(334, 3));
    EXPECT_EQ(ev.pixel(300, 30), rowFill);
    EXPECT_EQ(ev.pixel(150, 394), background.pixel(150, 394));
    EXPECT_NE(ev.pixel(352, 407), background.pixel(352, 407));

    dlg->ShowFileListPage();
    CLocalFileListPage* files = FilePage(*dlg);
    ASSERT_NE(files, nullptr);
    EXPECT_EQ(files->m_list.geometry(), QRect(2, 2, 399, 390));
    EXPECT_EQ(files->m_btnPlay.geometry(), QRect(304, 396, 97, 22));
    files->SelectRow(0);
    const QImage fl = files->grab().toImage();
    fl.save(dir + "/local-file-list-10028.png");
    EXPECT_EQ(fl.pixel(300, 6), rowFill);
    EXPECT_NE(fl.pixel(300, 6 + files->m_list.visualItemRect(files->m_list.topLevelItem(1)).top()), rowFill);
    EXPECT_EQ(fl.pixel(150, 394), background.pixel(150, 394));
    EXPECT_NE(fl.pixel(352, 407), background.pixel(352, 407));
}
