// Local Play from the date and time page with the real main window as host,
// connected to the recorder simulator: live view is stopped on the recorder
// (LIVE_STOP) before the downloaded set plays, a remote playback keeps the
// local Play off, and the Log tab then lists the local playback's start and end.
// A watermarked set written by the download writer plays checked and pauses
// on its tampered picture.
#include "../net/app/MainWindowSim.h"
#include "LocalWindowFixture.h"
#include "SimLive.h"

#include "app/ClockWnd.h"
#include "local/LocalDateTimePage.h"
#include "local/LocalLogPages.h"
#include "local/LocalPlayer.h"
#include "streams/LocalSetBuilder.h"

#include <QDir>
#include <mutex>

namespace {

using namespace mainsim;
namespace sid = k5sim::id;

ClientDeps DepsWithLogAndTexts(const std::shared_ptr<FakeConnectDialog>& dialog, bool decoding = false)
{
    ClientDeps d = decoding ? DecodingDeps(dialog) : QuietDeps(dialog);
    d.createConnectLog = [] { return std::make_unique<CConnectLog>(); };
    d.loadResources = []() -> std::unique_ptr<ResourceLibrary> {
        auto lib = std::make_unique<ResourceLibrary>();
        lib->Load(K5_BINARY_DIR "/bin/MiraRes.rcc");
        return lib;
    };
    return d;
}

// 2008-07-01 10:00:00 UTC.
constexpr std::uint32_t kSetStart = 1214906400u;

} // namespace

TEST(LocalPlayMainWindow, PlayStopsLiveThenPlaysIsIgnoredInRemotePlaybackAndTheLogListsStartAndEnd)
{
    Scratch scratch;
    k5sim::RecorderSim sim;
    k5sim::SimLive live{sim};
    live.SetStream(0, PlainStream(500));
    live.Play().channels = 0x0001;
    live.Play().fps = 25;
    live.Play().startTime = kSetStart;
    sim.OnHello([](k5sim::RecorderSim& s) { s.Send(sid::RIGHT_CHANGE, RightsFor("admin")); });
    ASSERT_TRUE(sim.Start());

    k5streams::LocalSetOptions set;
    set.folder = scratch.Location() + "/Download";
    set.name = "yard";
    std::filesystem::create_directories(set.folder);
    ASSERT_FALSE(k5streams::WriteLocalSets(set, k5streams::MakeLocalRun(kSetStart, 30, 0x0001, 4)).empty());

    auto dialog = std::make_shared<FakeConnectDialog>();
    dialog->script = TypeServer("127.0.0.1", sim.Port(), "admin", "pw", "Yard");
    MainWindow dlg(DepsWithLogAndTexts(dialog));
    ASSERT_TRUE(dlg.Create());
    ASSERT_TRUE(RunUntil([&] { return dlg.m_pNetClient && dlg.m_pNetClient->m_bLive.load(); }));
    ASSERT_TRUE(RunUntil([&] { return !dlg.m_pNetClient->m_bLiveReqPending.load(); }));
    EXPECT_EQ(sim.Count(sid::LIVE_STOP), 0u);
    ASSERT_TRUE(dlg.isVisible());
    // The play bar's area of the idle window, to compare after Stop.
    const QRect playBar(250, 630, 428, 15);
    const QImage idleBar = dlg.grab(playBar).toImage();
    EXPECT_FALSE(dlg.m_sliderPosition.isVisible());

    // Live view on: Play stops it on the recorder, then the set plays.
    {
        CLocalSearchDlg search(&dlg, 255);
        search.Create();
        QApplication::processEvents();
        auto* page = dynamic_cast<CLocalDateTimePage*>(search.Page(LocalSlot::DateTime));
        ASSERT_NE(page, nullptr);
        EXPECT_TRUE(page->m_btnPlay.m_bEnabled);
        page->Model().Row(0) = Usertime{2008, 6, 0, 9, 59, 0};
        ClickWidget(&page->m_btnPlay);
        ASSERT_TRUE(RunUntil([&] { return search.Ended(); }));
    }
    ASSERT_TRUE(sim.WaitForCount(sid::LIVE_STOP, 1));
    ASSERT_NE(dlg.RunningPlaylist(), nullptr) << "the local playback runs";
    EXPECT_FALSE(dlg.m_pNetClient->m_bLive.load());
    EXPECT_EQ(dlg.RunningPlaylist()->front().nEntryStart, static_cast<int>(kSetStart));
    EXPECT_TRUE(dlg.m_sliderPosition.isVisible());
    EXPECT_NE(dlg.grab(playBar).toImage(), idleBar) << "the play bar and its slider are drawn";
    // The operator's Stop: the player goes, and the window looks idle again,
    // without the position slider.
    CSkinButton* stop = dlg.Button(IDC_STOP);
    ASSERT_NE(stop, nullptr);
    ASSERT_TRUE(stop->isVisible());
    ClickWidget(stop, QPoint(stop->width() / 2, stop->height() / 2));
    ASSERT_TRUE(RunUntil([&] { return dlg.RunningPlaylist() == nullptr; }));
    EXPECT_FALSE(dlg.m_sliderPosition.isVisible());
    EXPECT_EQ(dlg.grab(playBar).toImage(), idleBar) << "the slider's area is repainted idle";

    // The Log tab lists the playback's start (4/1) and end (4/2), newest first.
    {
        CLocalSearchDlg search(&dlg, 255);
        search.Create();
        QApplication::processEvents();
        search.ShowLogMenu();
        auto* page = dynamic_cast<CLocalLogPage*>(search.Page(LocalSlot::Log));
        ASSERT_NE(page, nullptr);
        ASSERT_GE(page->m_lstLog.GetItemCount(), 2);
        EXPECT_EQ(page->m_lstLog.GetItemText(0, 2).toStdString(), " " + search.PageText(5366));
        EXPECT_EQ(page->m_lstLog.GetItemText(1, 2).toStdString(), " " + search.PageText(5365));
        EXPECT_EQ(page->m_lstLog.GetItemText(0, 3), QString())
            << "a local playback record shows only its kind";
    }

    // Remote playback: Play is off, and a Play reaching the page anyway is ignored.
    const std::uint8_t body[24] = {};
    ASSERT_TRUE(dlg.m_pNetClient->Send(sid::PLAY_ON_REQ, body, sizeof body));
    ASSERT_TRUE(RunUntil([&] { return dlg.m_pNetClient->m_bPlay.load(); }));
    {
        CLocalSearchDlg search(&dlg, 255);
        search.Create();
        QApplication::processEvents();
        auto* page = dynamic_cast<CLocalDateTimePage*>(search.Page(LocalSlot::DateTime));
        ASSERT_NE(page, nullptr);
        EXPECT_FALSE(page->m_btnPlay.m_bEnabled);
        page->Model().Row(0) = Usertime{2008, 6, 0, 9, 59, 0};
        SendMessage(page->Handle(), WM_COMMAND, 482, 0);
        for (int i = 0; i < 20; ++i)
            QApplication::processEvents();
        EXPECT_FALSE(search.Ended()) << "the window stays open";
        EXPECT_EQ(dlg.RunningPlaylist(), nullptr) << "no local playback";
    }
    EXPECT_TRUE(dlg.m_pNetClient->m_bPlay.load()) << "the remote playback goes on";
    ASSERT_TRUE(dlg.m_pNetClient->SendRPlayStop());
    dlg.Close();
}

namespace {

// The real main window, with the marks the player hands to the grid noted.
class MarkingWindow : public MainWindow
{
public:
    using MainWindow::MainWindow;
    void SetWatermarkState(int channel, int state) override
    {
        {
            std::lock_guard<std::mutex> lock(m_marks);
            if (channel == 0 && (marks.empty() || marks.back() != state))
                marks.push_back(state);
        }
        MainWindow::SetWatermarkState(channel, state);
    }
    std::vector<int> Marks()
    {
        std::lock_guard<std::mutex> lock(m_marks);
        return marks;
    }

private:
    std::mutex m_marks;
    std::vector<int> marks;
};

} // namespace

TEST(LocalPlayMainWindow, ASetFromTheDownloadWriterPlaysCheckedAndPausesOnItsTamperedPicture)
{
    Scratch scratch;
    k5streams::LocalSetOptions set;
    set.folder = scratch.Location() + "/Download";
    set.name = "gate";
    std::filesystem::create_directories(set.folder);
    // Watermarked H.264 pictures, four a second; the third is tampered (500 ms in).
    auto frames = k5streams::MakeLocalRun(kSetStart, 3, 0x0001, 4, 2, 1, 1);
    frames[2].tampered = true;
    ASSERT_FALSE(k5streams::WriteLocalSets(set, frames).empty());

    k5sim::RecorderSim sim;
    k5sim::SimLive live{sim};
    live.SetStream(0, PlainStream(500));
    sim.OnHello([](k5sim::RecorderSim& s) { s.Send(sid::RIGHT_CHANGE, RightsFor("admin")); });
    ASSERT_TRUE(sim.Start());
    auto dialog = std::make_shared<FakeConnectDialog>();
    dialog->script = TypeServer("127.0.0.1", sim.Port(), "admin", "pw", "Yard");
    MarkingWindow dlg(DepsWithLogAndTexts(dialog, true));
    ASSERT_TRUE(dlg.Create());
    ASSERT_TRUE(RunUntil([&] { return dlg.m_pNetClient && dlg.m_pNetClient->m_bLive.load(); }));
    dlg.m_nWatermark = 1;
    {
        CLocalSearchDlg search(&dlg, 255);
        search.Create();
        QApplication::processEvents();
        auto* page = dynamic_cast<CLocalDateTimePage*>(search.Page(LocalSlot::DateTime));
        ASSERT_NE(page, nullptr);
        page->Model().Row(0) = Usertime{2008, 6, 0, 9, 59, 0};
        ClickWidget(&page->m_btnPlay);
        ASSERT_TRUE(RunUntil([&] { return search.Ended(); }));
    }
    ASSERT_NE(dlg.m_pLocalPlayer, nullptr);
    ASSERT_NE(dlg.m_pVideoWnd, nullptr);
    ASSERT_TRUE(RunUntil([&] { return dlg.m_pLocalPlayer->m_nPlayState.load() == 4; }, 30s))
        << "the tampered picture pauses playback";
    // No verdict at the start, checked pictures, then the tampered one.
    ASSERT_TRUE(RunUntil([&] { return dlg.Marks().size() >= 3; }, 10s));
    EXPECT_EQ(dlg.Marks(), (std::vector<int>{-1, 1, 2}));
    // Both clocks show the played pictures' time, not the PC's nor 1970.
    ASSERT_NE(dlg.m_pPlayClockWnd, nullptr);
    EXPECT_GE(dlg.m_pPlayClockWnd->m_nTime.load(), static_cast<std::int32_t>(kSetStart));
    EXPECT_LE(dlg.m_pPlayClockWnd->m_nTime.load(), static_cast<std::int32_t>(kSetStart + 3));
    ASSERT_NE(dlg.m_pClockWnd, nullptr);
    EXPECT_GE(dlg.m_pClockWnd->m_nTime.load(), static_cast<std::int32_t>(kSetStart));
    QDir().mkpath(QString(K5_BINARY_DIR) + "/renders");
    const QImage shot = dlg.m_pVideoWnd->grab().toImage();
    shot.save(QString(K5_BINARY_DIR) + "/renders/local-play-tampered.png");
    // The played channel's cell shows the decoded picture under the red
    // warning; an idle cell shows neither.
    auto census = [&shot](const QRect& cell, int& red, int& bright) {
        red = bright = 0;
        for (int y = cell.top(); y <= cell.bottom(); y += 2) {
            for (int x = cell.left(); x <= cell.right(); x += 2) {
                const QColor c = shot.pixelColor(x, y);
                red += c.red() > 190 && c.green() < 70 && c.blue() < 70;
                bright += c.green() > 150 || c.blue() > 150;
            }
        }
    };
    const int w = shot.width() / 2, h = shot.height() / 2;
    int red = 0, bright = 0;
    census(QRect(0, 0, w, h), red, bright);
    EXPECT_GT(red, 100) << "the warning";
    EXPECT_GT(bright, w * h / 40) << "the picture";
    census(QRect(w, h, w, h), red, bright);
    EXPECT_EQ(red, 0);

    dlg.CloseLocalPlayer();
    EXPECT_EQ(dlg.m_pPlayClockWnd, nullptr) << "the playback clock goes with the player";
    dlg.Close();
}
