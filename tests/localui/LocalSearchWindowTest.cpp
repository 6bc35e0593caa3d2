// The local search window's frame: tabs, the read-only layout, the Search
// column's first view, the log loaded afresh per Log tab, and what the tabs
// do to the remembered search.
#include "LocalWindowFixture.h"

#include "local/LocalMenus.h"
#include "net/ConnectLog.h"

#include <QDir>
#include <QImage>
#include <filesystem>
#include <fstream>

namespace {

void WriteLog(const std::string& location, int records)
{
    std::string bytes;
    MemoryConnectLogStorage storage(bytes);
    for (int i = 0; i < records; ++i) {
        ConnectLogRecord r;
        r.size = kConnectLogRecordSize;
        r.type = 4;
        r.subtype = 1 + (i & 1);
        r.time = 1205971200u + static_cast<std::uint32_t>(i);
        ASSERT_TRUE(AppendConnectLogRecord(storage, r));
    }
    std::filesystem::create_directories(location + "/Log");
    std::ofstream(location + "/Log/KOLA5500.log", std::ios::binary) << bytes;
}

} // namespace

TEST(LocalSearchFirstView, FromTheMediaAndTheLastSearch)
{
    struct Case
    {
        bool readOnly;
        BYTE valid;
        BYTE page;
        int view;
    } const cases[] = {
        {true, 1, 1, 452}, {true, 0, 0, 452}, {false, 0, 1, 450}, {false, 1, 1, 451},
        {false, 1, 2, 452}, {false, 1, 4, 454}, {false, 1, 3, 450}, {false, 1, 0, 450},
    };
    for (const Case& c : cases) {
        LastLocalSearch last;
        last.bValid = c.valid;
        last.nPage = c.page;
        EXPECT_EQ(LocalSearchFirstView(c.readOnly, &last), c.view) << c.readOnly << int(c.valid) << int(c.page);
    }
    EXPECT_EQ(LocalSearchFirstView(false, nullptr), 450);
}

TEST_F(LocalWindowTest, OpensOnTheSearchTabWithThreeTabsInPlace)
{
    auto dlg = Open();
    EXPECT_EQ(dlg->size(), QSize(618, 546));
    EXPECT_EQ(dlg->OpenTab(), LocalTab::Search);
    EXPECT_EQ(dlg->m_btnSearch.geometry(), QRect(22, 1, 71, 65));
    EXPECT_EQ(dlg->m_btnLog.geometry(), QRect(93, 1, 71, 65));
    EXPECT_EQ(dlg->m_btnInfo.geometry(), QRect(164, 1, 71, 65));
    EXPECT_FALSE(dlg->m_btnLog.isHidden());
    EXPECT_TRUE(dlg->m_btnOk.isHidden());
    EXPECT_EQ(dlg->m_btnCancel.geometry(), QRect(501, 516, 97, 22));
    EXPECT_EQ(dlg->m_btnClose.geometry(), QRect(580, 12, 26, 26));
    ASSERT_NE(dlg->MenuPage(), nullptr);
    EXPECT_EQ(dlg->MenuPage()->geometry(), QRect(14, 74, 174, 430));
    for (int id : {450, 451, 452, 454})
        ASSERT_NE(dlg->MenuPage()->Button(id), nullptr) << id;
    EXPECT_EQ(dlg->MenuPage()->Button(454)->geometry(), QRect(2, 121, 170, 35));
    EXPECT_EQ(dlg->MenuPage()->Button(450)->m_nState, 1);
}

TEST_F(LocalWindowTest, ReadOnlyMediaHidesTheLogTabAndOpensTheCalendarView)
{
    main.readOnly = true;
    auto dlg = Open();
    EXPECT_TRUE(dlg->m_btnLog.isHidden());
    EXPECT_EQ(dlg->m_btnInfo.geometry(), QRect(93, 1, 71, 65));
    ASSERT_NE(dlg->MenuPage(), nullptr);
    EXPECT_EQ(dlg->MenuPage()->Button(452)->m_nState, 1);
    EXPECT_EQ(dlg->MenuPage()->Button(450)->m_nState, 0);
}

TEST_F(LocalWindowTest, TheLogTabReadsTheLogAfreshAndForgetsTheLastSearch)
{
    WriteLog(main.location, 3);
    main.last.bValid = 1;
    main.last.nPage = 1;
    auto dlg = Open();
    EXPECT_EQ(dlg->MenuPage()->Button(451)->m_nState, 1) << "the remembered event view";
    dlg->ShowLogMenu();
    EXPECT_EQ(dlg->OpenTab(), LocalTab::Log);
    EXPECT_EQ(main.last.bValid, 0);
    EXPECT_EQ(dlg->m_nLogRecordCount, 3);
    EXPECT_EQ(dlg->m_nLogLength, 0u) << "the log page parsed the bytes and let them go";
    WriteLog(main.location, 5);
    dlg->ShowSearchMenu();
    EXPECT_EQ(dlg->MenuPage()->Button(450)->m_nState, 1) << "nothing remembered: Date/Time";
    dlg->ShowLogMenu();
    EXPECT_EQ(dlg->m_nLogRecordCount, 5);
    // A log that is gone by then lists nothing.
    std::filesystem::remove(main.location + "/Log/KOLA5500.log");
    dlg->ShowInfoMenu();
    dlg->ShowLogMenu();
    EXPECT_EQ(dlg->m_nLogRecordCount, 0);
}

TEST_F(LocalWindowTest, CloseCancelAndAPagesCloseEndTheWindowAsCancelled)
{
    for (int way = 0; way < 3; ++way) {
        auto dlg = Open();
        if (way == 0)
            ClickWidget(&dlg->m_btnClose);
        else if (way == 1)
            ClickWidget(&dlg->m_btnCancel);
        else
            PostMessage(dlg->Handle(), WM_CLOSE, 0, 0);
        EXPECT_TRUE(WaitFor([&] { return dlg->Ended(); })) << way;
    }
}

TEST_F(LocalWindowTest, TabsRenderTheirStatesAndReadOnlyMediaPutsInfoInTheLogPlace)
{
    QDir().mkpath(QString(K5_BINARY_DIR) + "/renders");
    auto dlg = Open();
    auto shoot = [&](const char* name) {
        QApplication::processEvents();
        QImage img = dlg->grab().toImage().convertToFormat(QImage::Format_RGB32);
        img.save(QString(K5_BINARY_DIR) + "/renders/local-search-" + name + ".png");
        return img;
    };
    const QImage search = shoot("search");
    dlg->ShowLogMenu();
    const QImage log = shoot("log");
    dlg->ShowInfoMenu();
    const QImage info = shoot("info");
    const QRect tabs[3] = {QRect(22, 1, 71, 65), QRect(93, 1, 71, 65), QRect(164, 1, 71, 65)};
    const QImage* shots[3] = {&search, &log, &info};
    // Each tab looks pressed only in its own shot, and alike in the other two.
    for (int t = 0; t < 3; ++t) {
        const int a = (t + 1) % 3, b = (t + 2) % 3;
        EXPECT_NE(shots[t]->copy(tabs[t]), shots[a]->copy(tabs[t])) << t;
        EXPECT_EQ(shots[a]->copy(tabs[t]), shots[b]->copy(tabs[t])) << t;
    }
    // The content area shows the window's text only where no page covers it:
    // each tab's first view covers it.
    EXPECT_NE(dlg->Page(LocalSlot::Info), nullptr);

    main.readOnly = true;
    dlg = Open();
    const QImage readOnly = shoot("read-only");
    EXPECT_EQ(readOnly.copy(tabs[1]), search.copy(tabs[2])) << "Info, not pressed, in the Log tab's place";
    EXPECT_NE(readOnly.copy(tabs[2]), search.copy(tabs[2])) << "nothing left at Info's own place";
}
