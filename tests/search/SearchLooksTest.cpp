// What the operator sees of the remote search window, shown offscreen and
// driven against the recorder simulator: the window's shape, the day
// timelines' captions and bars, the words on the backup and archive buttons,
// and the log and information lists' rows.
#include "../WidgetInput.h"
#include "TestHost.h"

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

class LooksMain : public ISearchMainWindow
{
public:
    QWidget* MainWidget() override { return nullptr; }
    WndHandle MainHandle() const override { return WndHandle(); }
    std::shared_ptr<CNetClient> NetClient() const override { return client; }
    int DateFormat() const override { return 0; }
    std::uint8_t Opacity(int) const override { return 230; }
    std::string LoadResString(int id) const override
    {
        return ResourceLibrary::Current().LoadResString(id).toLatin1().toStdString();
    }
    std::int64_t DiskSpace() const override { return 100000; }
    std::string DownloadFolder() const override { return {}; }
    bool LocalPlayerRunning() const override { return false; }
    int ViewMode() const override { return 1; }
    void Notify(int, int, WndHandle) override {}
    void InvalidatePlaybackStrip() override {}
    bool PromptArchivePassword(std::string& typed, const std::function<void(WndHandle)>&) override
    {
        typed = "1234";
        return true;
    }
    std::time_t Now() const override
    {
        return static_cast<std::time_t>(k5sim::RecorderTime(2008, 3, 20, 12));
    }

    std::shared_ptr<CNetClient> client;
};

// The test host, with the connection's posts also delivered for real.
class LooksHost : public TestHost
{
public:
    void PostMessageTo(WndHandle target, UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        TestHost::PostMessageTo(target, msg, wParam, lParam);
        PostMessage(target, msg, wParam, lParam);
    }
};

void UseBundle()
{
    static ResourceLibrary lib;
    if (!lib.IsLoaded()) {
        lib.Load(K5_BINARY_DIR "/bin/MiraRes.rcc");
        ResourceLibrary::SetCurrent(&lib);
    }
}

// The window as it reaches the screen: its drawing, inside its shape only.
// Pixels the shape leaves out belong to whatever lies behind the window and
// come back transparent. (The offscreen platform keeps the shape but does
// not cut the drawing by it; a desktop does.)
QImage OperatorView(QWidget& window)
{
    QImage img = window.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QRegion shape = window.mask();
    if (shape.isEmpty())
        return img;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (!shape.contains(QPoint(x, y)))
                img.setPixel(x, y, 0);
    return img;
}

int KeyPixels(const QImage& img)
{
    const QRgb key = fromColorRef(kColorKey).rgb();
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(img.pixel(x, y)) != 0 && img.pixel(x, y) == key)
                ++n;
    return n;
}

NetTimings Fast()
{
    NetTimings t;
    t.keepAlive = std::chrono::hours(1);
    t.receiveLimit = 5s;
    t.connectTimeout = 5s;
    t.idleWait = 200ms;
    return t;
}

} // namespace

class SearchLooks : public ::testing::Test
{
protected:
    void SetUp() override { UseBundle(); }
    void Start(std::uint8_t searchRight = 1, std::uint8_t backupRight = 1)
    {
        CNetClient::ResetHiddenCopyForTesting();
        RecorderSim::Config config;
        sim = std::make_unique<RecorderSim>(config);
        search = std::make_unique<k5sim::SimSearch>(*sim, k5sim::SimCatalogue::Standard(2008, 3));
        ASSERT_TRUE(sim->Start());
        main.client = CNetClient::Create(host, Fast());
        main.client->SetConnectInfo("127.0.0.1", sim->Port(), "Admin", "PassWord");
        ASSERT_TRUE(main.client->Connect());
        ASSERT_TRUE(host.WaitForKind(HostEvent::LiveStart));
        k5sim::UserRow row{"admin", "password", 1, {{1, 1, searchRight, backupRight, 1, 1, 1, 1}}};
        sim->Send(k5sim::id::RIGHT_CHANGE, k5sim::BuildRightChange({row}));
        ASSERT_TRUE(PumpUntil([&] {
            return main.client->HasRight(RIGHT_SEARCH) == (searchRight != 0) &&
                   main.client->HasRight(RIGHT_BACKUP) == (backupRight != 0);
        }));
    }
    // The window as the main window runs it: created, then shown.
    std::unique_ptr<CRemoteSearchDlg> Open()
    {
        auto dlg = std::make_unique<CRemoteSearchDlg>(main);
        main.client->SetSearchFrame(dlg->Link());
        dlg->Create();
        dlg->show();
        QApplication::processEvents();
        return dlg;
    }
    void Close(std::unique_ptr<CRemoteSearchDlg>& dlg)
    {
        main.client->SetSearchFrame(nullptr);
        dlg->DestroyWindow();
        dlg.reset();
        QApplication::processEvents();
    }
    void TearDown() override
    {
        if (main.client)
            main.client->DestroyWindow();
        main.client.reset();
        search.reset();
        if (sim)
            sim->Stop();
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

    LooksHost host;
    LooksMain main;
    std::unique_ptr<RecorderSim> sim;
    std::unique_ptr<k5sim::SimSearch> search;
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
