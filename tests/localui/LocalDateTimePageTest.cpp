// The local date and time page: always two rows, cells that never wait, and
// what Play does against a running local playlist and a remote playback.
#include "LocalWindowFixture.h"

#include "local/LocalDateTimePage.h"
#include "search/SearchPopups.h"

#include <QDir>
#include <QImage>

namespace {

// A main window with a connection whose remote playback state a test sets.
class RemoteStateMain : public FakeLocalMain
{
public:
    void CloseLocalPlayer() override
    {
        events.push_back("close");
        FakeLocalMain::CloseLocalPlayer();
    }
    std::vector<std::string> events;
};

// The window, with the play requests it receives recorded.
class RecordingSearchDlg : public CLocalSearchDlg
{
public:
    explicit RecordingSearchDlg(RemoteStateMain& main) : CLocalSearchDlg(&main, 255), m_main(main) {}
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == WM_LOCAL_PLAY) {
            plays.emplace_back(static_cast<std::uint32_t>(wParam), static_cast<std::int64_t>(lParam));
            modes.push_back(m_nSearchMode);
            m_main.events.push_back("play");
        }
        return CLocalSearchDlg::WindowProc(msg, wParam, lParam);
    }
    std::vector<std::pair<std::uint32_t, std::int64_t>> plays;
    std::vector<int> modes;

private:
    RemoteStateMain& m_main;
};

class LocalDateTimeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        UseBuiltBundle();
        main.location = LocalScratch();
    }
    std::unique_ptr<RecordingSearchDlg> Open()
    {
        auto dlg = std::make_unique<RecordingSearchDlg>(main);
        dlg->Create();
        QApplication::processEvents();
        return dlg;
    }
    static CLocalDateTimePage* PageOf(CLocalSearchDlg& dlg)
    {
        return dynamic_cast<CLocalDateTimePage*>(dlg.Page(LocalSlot::DateTime));
    }
    void RunPlaylist(int entryStart, int entryEnd)
    {
        PlaylistNode& n = main.playlist.emplace_back();
        n.nEntryStart = entryStart;
        n.nEntryEnd = entryEnd;
        n.nPlayStart = entryStart;
        main.running = true;
    }

    RemoteStateMain main;
};

// 2037-12-31 23:59:59 as recorder seconds.
constexpr std::int64_t kNoEnd = 0x7FE8177F;

} // namespace

TEST_F(LocalDateTimeTest, OpensWithTwoRowsFromTodayToTheNoEndAndCellsThatNeverWait)
{
    main.dateFormat = 2;
    auto dlg = Open();
    CLocalDateTimePage* page = PageOf(*dlg);
    ASSERT_NE(page, nullptr) << "Date/Time is the Search column's first view";
    EXPECT_EQ(page->geometry(), QRect(197, 83, 403, 417));
    EXPECT_TRUE(page->Model().WithEnd());
    EXPECT_EQ(page->Model().RowSeconds(1), kNoEnd);
    const Usertime& start = page->Model().Start();
    EXPECT_EQ(start.year, 2008);
    EXPECT_EQ(start.month, 2);
    EXPECT_EQ(start.day, 19);
    EXPECT_EQ(start.hour + start.minute + start.second, 0);
    // Day first, then month, then year; the end row below it.
    EXPECT_EQ(page->CellOf(0)->GetWindowText(), "20.");
    EXPECT_EQ(page->CellOf(1)->GetWindowText(), "03.");
    EXPECT_EQ(page->CellOf(2)->GetWindowText(), "2008.");
    EXPECT_EQ(page->CellOf(6)->GetWindowText(), "2037.");
    EXPECT_EQ(page->m_lblCell[13].GetWindowText(), "23 : 59 : 59");
    EXPECT_TRUE(page->m_btnPlay.m_bEnabled);

    // Nothing is ever awaited: the cells open their pop-ups at once.
    ClickWidget(page->CellOf(4));
    ASSERT_TRUE(WaitFor([&] { return dlg->ListPicker() != nullptr; }));
    ClickWidget(&page->m_lblCell[9]);
    ASSERT_TRUE(WaitFor([&] { return dlg->TimePicker() != nullptr; }));
    EXPECT_EQ(dlg->ListPicker(), nullptr) << "one pop-up at a time";
    dlg->OnSliderPicked(page, 3, 7, 8, 9);
    EXPECT_EQ(page->m_lblCell[9].GetWindowText(), "07 : 08 : 09");

    QDir().mkpath(QString(K5_BINARY_DIR) + "/renders");
    const QImage render = page->grab().toImage();
    render.save(QString(K5_BINARY_DIR) + "/renders/local-datetime-140.png");
    ASSERT_EQ(render.size(), QSize(403, 417));
    // The two rows' cells (body bitmap over the background) and Play at the bottom right.
    const QColor background = render.pixelColor(110, 70);
    for (const QPoint p :
         {QPoint(142, 32), QPoint(142, 105), QPoint(182, 55), QPoint(182, 128), QPoint(306, 398)})
        EXPECT_NE(render.pixelColor(p), background) << p.x() << "," << p.y();
}

TEST_F(LocalDateTimeTest, PlayDecisions)
{
    struct Case
    {
        const char* name;
        bool endMoved; // end moved one second back from the no-end value
        int running;   // 0 none, 1 all before the start, 2 a node after it
        bool posted;
        int mode;
        std::int64_t lParam;
        int closes;
    };
    const Case cases[] = {
        {"end left at the no-end value", false, 0, true, 0, 0, 0},
        {"end moved to 23:59:58", true, 0, true, 1, kNoEnd - 1, 0},
        {"playlist all before the start", false, 1, false, 0, 0, 0},
        {"playlist with a node ending after the start", false, 2, true, 0, 0, 1},
        {"empty running playlist", false, 3, true, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        main.playlist.clear();
        main.running = false;
        main.closes = 0;
        main.events.clear();
        auto dlg = Open();
        CLocalDateTimePage* page = PageOf(*dlg);
        ASSERT_NE(page, nullptr);
        const int start = static_cast<int>(page->Model().RowSeconds(0));
        if (c.running == 1) {
            RunPlaylist(start - 7200, start - 3600);
            RunPlaylist(start - 3600, start);
        } else if (c.running == 2) {
            RunPlaylist(start - 7200, start - 3600);
            RunPlaylist(start - 60, start + 60);
        } else if (c.running == 3) {
            main.running = true;
        }
        if (c.endMoved)
            dlg->OnSliderPicked(page, 7, 23, 59, 58);
        ClickWidget(&page->m_btnPlay);
        ASSERT_TRUE(WaitFor([&] { return dlg->Ended(); })) << "Play closes the window";
        QApplication::processEvents();
        EXPECT_EQ(main.closes, c.closes);
        if (!c.posted) {
            EXPECT_TRUE(dlg->plays.empty());
            EXPECT_TRUE(main.running) << "the running playback goes on";
            continue;
        }
        ASSERT_EQ(dlg->plays.size(), 1u);
        EXPECT_EQ(dlg->plays[0].first, static_cast<std::uint32_t>(start));
        EXPECT_EQ(dlg->plays[0].second, c.lParam);
        EXPECT_EQ(dlg->modes[0], c.mode);
        if (c.closes > 0) {
            const std::vector<std::string> order{"close", "play"};
            EXPECT_EQ(main.events, order) << "the running playback ends before the play request";
        }
    }
}

TEST_F(LocalDateTimeTest, RemotePlaybackDisablesPlayAndAPlayReachingThePageIsIgnored)
{
    main.SetRemote(true, true);
    auto dlg = Open();
    CLocalDateTimePage* page = PageOf(*dlg);
    ASSERT_NE(page, nullptr);
    EXPECT_FALSE(page->m_btnPlay.m_bEnabled);
    ClickWidget(page->CellOf(0));
    ASSERT_TRUE(WaitFor([&] { return dlg->ListPicker() != nullptr; }));
    SendMessage(page->Handle(), WM_COMMAND, 482, 0);
    QApplication::processEvents();
    EXPECT_EQ(dlg->ListPicker(), nullptr) << "Play closes the pop-ups first";
    EXPECT_TRUE(dlg->plays.empty());
    EXPECT_FALSE(dlg->Ended()) << "the window stays open";
    EXPECT_EQ(main.closes, 0);

    // Only waiting for an answer: Play is off, but a Play that arrives plays.
    main.SetRemote(false, true);
    auto again = Open();
    page = PageOf(*again);
    ASSERT_NE(page, nullptr);
    EXPECT_FALSE(page->m_btnPlay.m_bEnabled);
    SendMessage(page->Handle(), WM_COMMAND, 482, 0);
    ASSERT_TRUE(WaitFor([&] { return again->Ended(); }));
    EXPECT_EQ(again->plays.size(), 1u);
}
