#include "TestSupport.h"

#include "SkinBundle.h"
#include "app/BookmarkDlg.h"
#include "app/ClientApp.h"
#include "app/ClientDlg.h"
#include "app/ClientNetHost.h"
#include "app/ConnectLog.h"
#include "app/LocalSetupPages.h"
#include "app/MainLayout.h"
#include "app/NotifyTable.h"
#include "app/ResIds.h"
#include "local/LocalPlayer.h"
#include "local/LocalSearchDlg.h"
#include "platform/RegKey.h"
#include "platform/Skin.h"

#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

using Events = std::vector<std::string>;

class FakeMixer : public MasterMixer
{
public:
    FakeMixer(Events& events, int volume, bool mute) : m_events(events), m_volume(volume), m_mute(mute) {}
    bool IsReal() const override { return false; }
    int GetVolume() override { return m_volume; }
    bool SetVolume(int volume) override
    {
        m_events.push_back("mixer:volume " + std::to_string(volume));
        m_volume = volume;
        return true;
    }
    bool GetMute() override { return m_mute; }
    bool SetMute(bool mute) override
    {
        m_events.push_back(std::string("mixer:mute ") + (mute ? "1" : "0"));
        m_mute = mute;
        return true;
    }

private:
    Events& m_events;
    int m_volume;
    bool m_mute;
};

class RecordingLog : public CConnectLog
{
public:
    explicit RecordingLog(Events& events)
        : CConnectLog([] { return std::time_t(1215000000); }), m_events(events)
    {
    }
    bool Write(std::uint32_t size, int type, int subtype, const char* user, const char* address) override
    {
        const bool written = CConnectLog::Write(size, type, subtype, user, address);
        m_events.push_back("log:" + std::to_string(type) + "/" + std::to_string(subtype) +
                           (written ? "" : " dropped"));
        return written;
    }

private:
    Events& m_events;
};

std::string BundleFile()
{
    return std::string(K5_BINARY_DIR) + "/bin/MiraRes.rcc";
}

// Every outside service replaced by a fake that records its calls.
ClientDeps FakeDeps(Events& events, const ScratchDir& dir, bool readOnly, bool withBundle = false)
{
    ClientDeps d;
    d.inhibitScreenSaver = [&events] {
        events.push_back("screensaver:inhibit");
        return std::shared_ptr<void>(new int(0), [&events](void* p) {
            events.push_back("screensaver:release");
            delete static_cast<int*>(p);
        });
    };
    d.hasSoundDevice = [&events] {
        events.push_back("sound");
        return false;
    };
    d.loadDecoder = [&events]() -> std::unique_ptr<DecoderLibrary> {
        events.push_back("decoder:missing");
        return nullptr;
    };
    d.loadResources = [&events, withBundle]() -> std::unique_ptr<ResourceLibrary> {
        events.push_back("resources");
        if (!withBundle)
            return nullptr;
        auto lib = std::make_unique<ResourceLibrary>();
        if (!lib->Load(BundleFile()))
            return nullptr;
        return lib;
    };
    d.createMixer = [&events] {
        events.push_back("mixer:create");
        return std::unique_ptr<MasterMixer>(new FakeMixer(events, 12345, true));
    };
    d.enumMonitors = [&events] {
        events.push_back("monitors");
        std::array<MonitorInfo, 4> m{};
        m[0].monitor = m[0].workArea = QRect(0, 0, 1920, 1080);
        m[0].valid = m[0].primary = true;
        return m;
    };
    d.isReadOnlyMedia = [readOnly] { return readOnly; };
    d.createConnectLog = [&events] { return std::unique_ptr<CConnectLog>(new RecordingLog(events)); };
    d.now = [] { return std::time_t(1215000000); };
    d.findSettingsFile = [] { return std::string(); };
    d.userLanguageId = [] { return WORD(1033); };
    d.startConnection = [&events](const ConnectRequest& r) {
        events.push_back("connect:" + r.address + "|" + std::to_string(r.port) + "|" + r.user + "|" +
                         r.password);
        return true;
    };
    // The connect dialog's window is not shown: its run is recorded and cancelled.
    d.runConnectDialog = [&events](QWidget*, IConnectDlgHost&, IConnectTarget&, BYTE) {
        events.push_back("connect-dialog");
        return false;
    };
    (void)dir;
    return d;
}

// The main window with a hook on its messages, so that a test acts once
// start-up has fully run.
class TestClientDlg : public CClientDlg
{
public:
    using CClientDlg::CClientDlg;
    std::function<void(TestClientDlg&, UINT, LPARAM)> onMessage;
    std::vector<std::pair<UINT, LPARAM>> messages;
    // Notification boxes are answered OK at once instead of waiting for a user.
    std::vector<MessageBoxContent> boxes;
    int RunNotifyBox(WndHandle, const MessageBoxContent& content) override
    {
        boxes.push_back(content);
        return kNotifyBoxOk;
    }

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        messages.emplace_back(msg, lParam);
        const LRESULT r = CClientDlg::WindowProc(msg, wParam, lParam);
        if (onMessage)
            onMessage(*this, msg, lParam);
        return r;
    }
};

class ClientDlgTest : public ::testing::Test
{
protected:
    ClientDlgTest() : reg(dir)
    {
        // The data folder of the run lies in the scratch folder.
        RegKey key;
        key.Create(std::string(CLocalSettings::kRegistryRoot) + "Location");
        key.SetString("Location", Location());
    }
    std::string Location() const { return dir.File("data"); }
    std::string LogPath() const { return Location() + "/Log/KOLA5500.log"; }

    ScratchDir dir;
    ScopedRegistry reg;
    Events events;
};

TEST_F(ClientDlgTest, StartupAndShutdownRunInOrder)
{
    TestClientDlg dlg(nullptr, FakeDeps(events, dir, false));
    dlg.onMessage = [this](TestClientDlg& d, UINT msg, LPARAM) {
        if (msg != WM_OPEN_LOCAL_SEARCH)
            return;
        events.push_back("started");
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(d.size(), QSize(928, 698));
        EXPECT_EQ(d.windowTitle(), QStringLiteral("H264K5"));
        ASSERT_TRUE(d.m_pVideoWnd);
        EXPECT_EQ(d.m_pVideoWnd->geometry(), QRect(53, 72, 815, 548));
        EXPECT_EQ(d.m_pVideoWnd->Background(), 0x969696u);
        EXPECT_EQ(d.m_pVideoWnd->Border(), 1);
        EXPECT_EQ(d.m_pVideoWnd->CellCount(), 16);
        EXPECT_EQ(d.m_pVideoWnd->m_nSelectedLayout, 14);
        EXPECT_TRUE(d.m_pVideoWnd->GetMonitors()[0].valid);
        EXPECT_TRUE(d.m_pClockWnd);
        EXPECT_EQ(d.m_pMixer->GetVolume(), 40000);
        EXPECT_FALSE(d.m_pMixer->GetMute());
        EXPECT_EQ(d.m_nSavedVolume, 12345);
        EXPECT_EQ(d.m_bSavedMute, 1);
        EXPECT_EQ(d.m_nAudioChannel.load(), -1);
        EXPECT_FALSE(d.m_hDecoderDll) << "a missing decoder does not stop start-up";
        EXPECT_STREQ(d.m_LocalSetup.Location, Location().c_str());
        EXPECT_TRUE(std::filesystem::is_directory(Location() + "/Upgrade"));
        d.OnQuit();
    };
    const int result = dlg.DoModal();
    events.push_back("modal ended");
    dlg.DestroyWindow();
    EXPECT_EQ(result, 1);

    const Events expected = {
        "screensaver:inhibit",
        "sound",
        "decoder:missing",
        "resources",
        "mixer:create",
        "mixer:mute 0",
        "mixer:volume 40000",
        "monitors",
        "log:1/1",
        "connect-dialog", // no command line: the Connect button's action
        "started",
        "modal ended",
        "log:1/2",
        "mixer:volume 12345",
        "mixer:mute 1",
        "screensaver:release",
    };
    EXPECT_EQ(events, expected);
    EXPECT_FALSE(dlg.m_pVideoWnd) << "Quit destroys the video grid";
    EXPECT_FALSE(dlg.m_pMixer);

    // The log file holds the start and the exit record, in that order.
    const std::string bytes = ReadFileBytes(LogPath());
    ASSERT_EQ(bytes.size(), 8u + 2 * 184u);
    EXPECT_EQ(bytes[8 + 8], 1);
    EXPECT_EQ(bytes[8 + 12], 1);
    EXPECT_EQ(bytes[8 + 184 + 8], 1);
    EXPECT_EQ(bytes[8 + 184 + 12], 2);
}

TEST_F(ClientDlgTest, QuitClosesTheLocalPlayerBeforeTheExitRecord)
{
    TestClientDlg dlg(nullptr, FakeDeps(events, dir, false));
    dlg.onMessage = [this](TestClientDlg& d, UINT msg, LPARAM) {
        if (msg != WM_OPEN_LOCAL_SEARCH)
            return;
        d.m_pLocalPlayer = std::make_unique<CLocalPlayer>(&d);
        d.m_Playlist.resize(3);
        ASSERT_TRUE(d.m_pLocalPlayer->Start());
        EXPECT_EQ(d.m_pVideoWnd->m_nViewMode.load(), 3);
        auto node = std::make_unique<LocalDayInterval>();
        node->start_time = 5;
        d.m_LastLocalSearch.Append(std::move(node));
        d.m_LastLocalSearch.bValid = 1;
        d.OnQuit();
        EXPECT_FALSE(d.m_pLocalPlayer);
        EXPECT_TRUE(d.m_Playlist.empty());
    };
    dlg.DoModal();
    EXPECT_EQ(dlg.m_LastLocalSearch.Count(), 1) << "kept until the clean-up";
    dlg.DestroyWindow();
    EXPECT_EQ(dlg.m_LastLocalSearch.Count(), 0);
    EXPECT_EQ(dlg.m_LastLocalSearch.bValid, 0);

    std::vector<std::string> logs;
    for (const std::string& e : events)
        if (e.rfind("log:", 0) == 0)
            logs.push_back(e);
    const std::vector<std::string> expected = {"log:1/1", "log:4/1", "log:4/2", "log:1/2"};
    EXPECT_EQ(logs, expected);
}

TEST_F(ClientDlgTest, CommandLineConnectsAtOnce)
{
    TestClientDlg dlg(nullptr, FakeDeps(events, dir, false));
    dlg.SetCommandLine("192.168.0.10 8000 admin my secret");
    dlg.onMessage = [](TestClientDlg& d, UINT msg, LPARAM) {
        if (msg == WM_OPEN_LOCAL_SEARCH)
            d.OnQuit();
    };
    dlg.DoModal();
    dlg.DestroyWindow();
    EXPECT_NE(std::find(events.begin(), events.end(), "connect:192.168.0.10|8000|admin|my secret"),
              events.end());
    EXPECT_EQ(dlg.LastConnectRequest().password, "my secret");
}

TEST_F(ClientDlgTest, ReadOnlyMediaWritesNothingButStillConnectsAndOpensLocalSearch)
{
    TestClientDlg dlg(nullptr, FakeDeps(events, dir, true));
    dlg.SetCommandLine("10.0.0.1 secret");
    // The local search opens on its calendar, which finds no downloaded data
    // and says so; the operator closes the window, then quits.
    bool calendarShown = false;
    dlg.onMessage = [&calendarShown](TestClientDlg& d, UINT msg, LPARAM lParam) {
        if (msg != WM_NOTIFY_EVENT || NotifyCodeOf(lParam) != NOTIFY_NO_LOCAL_DATA || !d.m_pLocalSearchDlg)
            return;
        calendarShown = d.m_pLocalSearchDlg->Page(LocalSlot::Calendar) != nullptr;
        PostMessage(d.m_pLocalSearchDlg->Handle(), WM_CLOSE, 0, 0);
        QTimer::singleShot(0, &d, [&d] { d.OnQuit(); });
    };
    dlg.DoModal();
    dlg.DestroyWindow();

    EXPECT_TRUE(calendarShown);
    EXPECT_NE(std::find(events.begin(), events.end(), "connect:10.0.0.1|0||secret"), events.end());
    EXPECT_EQ(dlg.m_bReadOnlyMedia, 1);
    EXPECT_EQ(dlg.m_LocalSetup.Location[0], '\0');
    EXPECT_FALSE(std::filesystem::exists(Location())) << "no log, no Upgrade folder";
    EXPECT_EQ(std::count_if(events.begin(), events.end(),
                            [](const std::string& e) { return e.rfind("log:", 0) == 0; }),
              0);
    // The Connect button does nothing on read-only media.
    dlg.OnConnect();
    EXPECT_EQ(std::count_if(events.begin(), events.end(),
                            [](const std::string& e) { return e.rfind("connect:", 0) == 0; }),
              1);
    EXPECT_EQ(std::count(events.begin(), events.end(), "connect-dialog"), 0);

    // Settings confirmed on read-only media change this run only.
    dlg.m_LocalSetup.SaveFormat = 2;
    dlg.ApplyLocalSetup();
    EXPECT_EQ(dlg.m_nSaveFormat, 2);
    RegKey key;
    std::uint32_t v = 0;
    EXPECT_FALSE(key.Open(std::string(CLocalSettings::kRegistryRoot) + "SaveFormat") &&
                 key.QueryDword("SaveFormat", v))
        << "nothing is saved on read-only media";
}

TEST_F(ClientDlgTest, EnterEscAndAltF4DoNotEndTheWindow)
{
    TestClientDlg dlg(nullptr, FakeDeps(events, dir, false));
    bool keysSent = false;
    dlg.onMessage = [&keysSent](TestClientDlg& d, UINT msg, LPARAM) {
        if (msg != WM_OPEN_LOCAL_SEARCH)
            return;
        for (const auto& [key, mods] :
             {std::pair{Qt::Key_Return, Qt::NoModifier}, std::pair{Qt::Key_Escape, Qt::NoModifier},
              std::pair{Qt::Key_F4, Qt::AltModifier}}) {
            QKeyEvent press(QEvent::KeyPress, key, mods);
            QCoreApplication::sendEvent(&d, &press);
        }
        PostMessage(d.Handle(), WM_COMMAND, 2, 0);
        PostMessage(d.Handle(), WM_CLOSE, 0, 0);
        keysSent = true;
        // Quit after the posted messages above have been handled.
        QTimer::singleShot(0, &d, [&d] { QTimer::singleShot(0, &d, [&d] { d.OnQuit(); }); });
    };
    const int result = dlg.DoModal();
    dlg.DestroyWindow();
    EXPECT_TRUE(keysSent);
    EXPECT_EQ(result, 1) << "only Quit ends the window";
}

TEST_F(ClientDlgTest, LocalSetupOkKeepsTheGridAndSwitchesItsDrawingPath)
{
    TestClientDlg dlg(nullptr, FakeDeps(events, dir, false));
    ASSERT_TRUE(dlg.Create());
    CVideoGridDlg* grid = dlg.m_pVideoWnd.get();
    grid->setObjectName(QStringLiteral("first grid"));

    std::strcpy(dlg.m_LocalSetup.CameraName[0], "Gate");
    dlg.ApplyLocalSetup();
    EXPECT_EQ(dlg.m_pVideoWnd->objectName(), QStringLiteral("first grid")) << "names alone keep the grid";
    EXPECT_EQ(dlg.m_strCameraName[0], "Gate");

    // Other threads hold the grid: a new drawing path keeps it.
    dlg.m_LocalSetup.DrawMode = 1;
    dlg.ApplyLocalSetup();
    ASSERT_EQ(dlg.m_pVideoWnd.get(), grid);
    EXPECT_EQ(dlg.m_pVideoWnd->objectName(), QStringLiteral("first grid"));
    EXPECT_EQ(dlg.m_pVideoWnd->geometry(), QRect(53, 72, 815, 548));
    EXPECT_EQ(dlg.m_pVideoWnd->DrawPathSelected(), CVideoGridDlg::DrawGdi);
    EXPECT_EQ(dlg.m_nActiveDrawMode, 0) << "the first grid's draw mode is remembered";

    // Saved: a fresh read of the settings sees the change.
    CLocalSettings fresh;
    fresh.LoadClientFile("", 1033, 0);
    fresh.LoadLocalSetup();
    EXPECT_EQ(fresh.m_nDrawMode, 1);
    EXPECT_EQ(fresh.m_strCameraName[0], "Gate");
    EXPECT_EQ(std::count(events.begin(), events.end(), "log:8/1"), 2);

    // Cancel gives back the working values.
    dlg.m_LocalSetup.SaveFormat = 2;
    dlg.ResetLocalSetup();
    EXPECT_EQ(dlg.m_LocalSetup.SaveFormat, 0);
    dlg.DestroyWindow();
}

TEST(ClientDlgSkin, CornerRegionTakesOnlyKeyPixelsInTheCorners)
{
    QImage image(928, 698, QImage::Format_RGB32);
    image.fill(QColor(40, 40, 40));
    const QColor key = fromColorRef(CClientDlg::kCornerKey);
    for (QPoint p : {QPoint(0, 0), QPoint(53, 50), QPoint(927, 697), QPoint(869, 642), QPoint(1, 0)})
        image.setPixelColor(p, key);
    // Inside the central bands: never holes.
    for (QPoint p : {QPoint(54, 10), QPoint(868, 10), QPoint(10, 51), QPoint(10, 641), QPoint(400, 300)})
        image.setPixelColor(p, key);
    const QRegion r = CClientDlg::CornerKeyRegion(image);
    for (QPoint p : {QPoint(0, 0), QPoint(53, 50), QPoint(927, 697), QPoint(869, 642), QPoint(1, 0)})
        EXPECT_TRUE(r.contains(p)) << p.x() << "," << p.y();
    for (QPoint p :
         {QPoint(54, 10), QPoint(868, 10), QPoint(10, 51), QPoint(10, 641), QPoint(400, 300), QPoint(2, 0)})
        EXPECT_FALSE(r.contains(p)) << p.x() << "," << p.y();
}

TEST_F(ClientDlgTest, RendersTheFramePiecesAndCutsTheCorners)
{
    ASSERT_TRUE(std::filesystem::exists(BundleFile())) << BundleFile();
    TestClientDlg dlg(nullptr, FakeDeps(events, dir, false, true));
    ASSERT_TRUE(dlg.Create());
    ASSERT_TRUE(dlg.m_hResDll) << "the bundle loads";
    const QImage shot = dlg.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QString out = QStringLiteral(K5_BINARY_DIR) + QStringLiteral("/testtmp/app");
    QDir().mkpath(out);
    EXPECT_TRUE(shot.save(out + QStringLiteral("/main-window.png")));

    const ResourceLibrary& res = *dlg.m_hResDll;
    const QRect grid(53, 72, 815, 548);
    const QRect clock = dlg.m_pClockWnd ? dlg.m_pClockWnd->geometry() : QRect();
    const QRect logo = dlg.m_bmpLogo.isNull() ? QRect() : dlg.m_rcLogo;
    const QRgb keyRgb = fromColorRef(CClientDlg::kCornerKey).rgb() & 0xFFFFFF;
    for (int k = 0; k < 9; ++k) {
        const QImage piece = res.LoadBitmap(IDB_MAIN_FRAME_FIRST + k).convertToFormat(QImage::Format_RGB32);
        ASSERT_FALSE(piece.isNull()) << "bitmap " << IDB_MAIN_FRAME_FIRST + k;
        const QRect rect = dlg.m_rcFrame[k];
        int compared = 0, equal = 0;
        for (int y = 0; y < rect.height() && y < piece.height(); y += 3) {
            for (int x = 0; x < rect.width() && x < piece.width(); x += 3) {
                const QPoint at = rect.topLeft() + QPoint(x, y);
                // Controls are children drawn over the skin.
                if (grid.contains(at) || clock.contains(at) || logo.contains(at) || dlg.childAt(at))
                    continue;
                const QRgb want = piece.pixel(x, y) & 0xFFFFFF;
                if (want == keyRgb)
                    continue;
                ++compared;
                equal += (shot.pixel(at) & 0xFFFFFF) == want;
            }
        }
        EXPECT_GT(compared, 0) << "piece " << k;
        EXPECT_EQ(equal, compared) << "piece " << k << " drawn at its rectangle";
    }
    // The video grid at its place, framed by its border colour.
    ASSERT_NE(dlg.m_pVideoWnd, nullptr);
    EXPECT_EQ(dlg.m_pVideoWnd->geometry(), grid);
    EXPECT_EQ(shot.pixel(53, 72) & 0xFFFFFF, 0x969696u);

    // The skin's corners carry the cut key: the window is cut once.
    EXPECT_EQ(dlg.m_bRegionPending, 0);
    EXPECT_FALSE(dlg.mask().contains(QPoint(0, 0)));
    EXPECT_TRUE(dlg.mask().contains(QPoint(464, 349)));
    dlg.DestroyWindow();
}

TEST_F(ClientDlgTest, SkinWithoutKeyPixelsStaysRectangular)
{
    TestClientDlg dlg(nullptr, FakeDeps(events, dir, false));
    ASSERT_TRUE(dlg.Create());
    QImage plain(928, 698, QImage::Format_RGB32);
    plain.fill(Qt::darkGray);
    dlg.CutWindowRegion(plain);
    EXPECT_EQ(dlg.m_bRegionPending, 1) << "scanned again at the next paint";
    EXPECT_TRUE(dlg.mask().isEmpty());
    dlg.DestroyWindow();
}

TEST(ClientAppTest, UnsupportedOsIsRefused)
{
    for (int os : {3, 4, 6, 7}) {
        CClientApp app("a b c d");
        app.m_osVersion = [os] { return os; };
        QString shown;
        bool ran = false;
        app.m_messageBox = [&shown](const QString& text) { shown = text; };
        app.m_runMainWindow = [&ran](const std::string&) { ran = true; };
        EXPECT_FALSE(app.InitInstance());
        EXPECT_EQ(shown, QStringLiteral("Unsupported OS version !")) << os;
        EXPECT_FALSE(ran) << os;
    }
    for (int os : {0, 1, 2}) {
        CClientApp app("a b c d");
        app.m_osVersion = [os] { return os; };
        std::string ranWith;
        app.m_messageBox = [](const QString&) { ADD_FAILURE() << "no message box"; };
        app.m_runMainWindow = [&ranWith](const std::string& line) { ranWith = line; };
        EXPECT_FALSE(app.InitInstance());
        EXPECT_EQ(ranWith, "a b c d") << os;
    }
    EXPECT_EQ(CClientApp::GetOSVersion(), 0);
}

TEST(ClientAppTest, X11ChosenOnlyWhenNoPlatformIsSetAndADisplayExists)
{
    {
        ScopedEnv platform("QT_QPA_PLATFORM", nullptr);
        ScopedEnv display("DISPLAY", ":0");
        CClientApp::SelectQtPlatform();
        EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), QByteArray("xcb"));
    }
    {
        ScopedEnv platform("QT_QPA_PLATFORM", "offscreen");
        ScopedEnv display("DISPLAY", ":0");
        CClientApp::SelectQtPlatform();
        EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), QByteArray("offscreen"));
    }
    {
        ScopedEnv platform("QT_QPA_PLATFORM", nullptr);
        ScopedEnv display("DISPLAY", nullptr);
        CClientApp::SelectQtPlatform();
        EXPECT_TRUE(qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"));
    }
}

TEST_F(ClientDlgTest, AFailedSettingsSaveIsReportedAndNotLogged)
{
    TestClientDlg dlg(nullptr, FakeDeps(events, dir, false, true));
    ASSERT_TRUE(dlg.Create());
    // A file stands where the store's folder should be: the save fails.
    WriteFileBytes(dir.File("blocked"), "a file");
    RegKey::SetStoreFileForTesting(dir.File("blocked") + "/KOLA5500.conf");
    dlg.m_LocalSetup.SaveFormat = 1;
    dlg.ApplyLocalSetup();
    EXPECT_EQ(dlg.m_nSaveFormat, 1) << "the settings hold for this run";
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(std::count(events.begin(), events.end(), "log:8/1"), 0);
    ASSERT_EQ(dlg.boxes.size(), 1u);
    EXPECT_EQ(dlg.boxes[0].text[0], "The settings could not be saved.");
    EXPECT_NE(std::find(dlg.messages.begin(), dlg.messages.end(),
                        std::make_pair(WM_NOTIFY_EVENT,
                                       MakeNotifyParam(NOTIFY_WRITE_FAILED, WRITE_FAILED_SETTINGS))),
              dlg.messages.end());
    dlg.DestroyWindow();
}

// The end of a download, as the connection reports it from its thread: a
// box only when the set's name is not the one typed or frames were left out.
TEST_F(ClientDlgTest, ADownloadUnderAnotherNameOrWithDroppedFramesIsNoticed)
{
    TestClientDlg dlg(nullptr, FakeDeps(events, dir, false, true));
    ASSERT_TRUE(dlg.Create());
    // The main window's side of a connection (made here: none is open).
    CClientNetHost connectionSide(dlg);
    CClientNetHost* host = &connectionSide;
    struct Case
    {
        DownloadSummary summary;
        std::vector<QString> lines; // empty: no box
    };
    const auto summary = [](const char* asked, const char* made, std::uint64_t dropped, bool failed) {
        DownloadSummary s;
        s.askedName = asked;
        s.setName = made;
        s.framesDropped = dropped;
        s.failed = failed;
        return s;
    };
    const Case cases[] = {
        {summary("park", "park", 0, false), {}},
        {summary("", "5f000000", 0, false), {}},
        {summary("park", "park-2", 0, true), {}},
        {summary("park", "park-2", 0, false), {"The download was saved as:", "park-2"}},
        {summary("a/b", "ab", 0, false), {"The download was saved as:", "ab"}},
        {summary("", "5f000000", 3, false),
         {"The download was saved as:", "5f000000", "Damaged frames left out: 3"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.summary.askedName + " -> " + c.summary.setName);
        dlg.boxes.clear();
        std::thread([host, &c] { host->OnDownloadClosed(c.summary); }).join();
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
        if (c.lines.empty()) {
            EXPECT_TRUE(dlg.boxes.empty());
            continue;
        }
        ASSERT_EQ(dlg.boxes.size(), 1u);
        ASSERT_EQ(dlg.boxes[0].lineCount, static_cast<int>(c.lines.size()));
        for (std::size_t i = 0; i < c.lines.size(); ++i)
            EXPECT_EQ(dlg.boxes[0].text[i], c.lines[i]);
    }
    dlg.DestroyWindow();
}

TEST_F(ClientDlgTest, BookmarkBarIsReplacedSteppedLitAndEndedOnTheGuiThread)
{
    TestClientDlg dlg(nullptr, FakeDeps(events, dir, false, true));
    ASSERT_TRUE(dlg.Create());
    auto pump = [] {
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
    };
    dlg.m_arrOpacity[5] = 180;
    PostMessage(dlg.Handle(), WM_SHOW_BOOKMARK_BAR, 1, 0);
    pump();
    CBookmarkDlg* bar = dlg.m_pBookmarkDlg;
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->Mode(), 1);
    EXPECT_EQ(bar->size(), QSize(162, 54));
    EXPECT_EQ(bar->m_nOpacity, 180);
    // The start position goes through the snapping: the video area ends at
    // y 620 of the client area, so the bar sits on its bottom edge.
    const QPoint origin = dlg.mapToGlobal(QPoint(0, 0));
    const QPoint start = origin + QPoint(295, 620 - 54);
    EXPECT_EQ(bar->pos(), start);
    EXPECT_TRUE(bar->m_btn[0].isVisible());
    EXPECT_FALSE(bar->m_btn[2].isVisible());
    // Probes of the render: the middle piece, the key-coloured last column.
    const QImage one = bar->grab().toImage();
    bar->grab().save(RenderDir() + "/bookmark_mode1.png");
    EXPECT_NE(one.pixelColor(100, 2), fromColorRef(kColorKey));
    EXPECT_EQ(one.pixelColor(161, 30), fromColorRef(kColorKey));

    // Keys do nothing.
    QTest::keyClick(bar, Qt::Key_Escape);
    QTest::keyClick(bar, Qt::Key_Return);
    QTest::keyClick(bar, Qt::Key_F4, Qt::AltModifier);
    pump();
    ASSERT_EQ(dlg.m_pBookmarkDlg, bar);
    EXPECT_FALSE(bar->IsDestroyed());

    // Moved, then replaced: the new bar opens at the start position again.
    bar->MoveBar(origin + QPoint(20, 300));
    EXPECT_EQ(bar->pos(), origin + QPoint(53, 300)) << "not left of the video area";
    PostMessage(dlg.Handle(), WM_SHOW_BOOKMARK_BAR, 0, 0);
    pump();
    ASSERT_NE(dlg.m_pBookmarkDlg, nullptr);
    EXPECT_EQ(dlg.m_pBookmarkDlg->Mode(), 0);
    EXPECT_EQ(dlg.m_pBookmarkDlg->size(), QSize(55, 54));
    EXPECT_EQ(dlg.m_pBookmarkDlg->pos(), origin + QPoint(384, 620 - 54));
    EXPECT_TRUE(dlg.m_pBookmarkDlg->m_btn[2].isVisible());
    const QImage zero = dlg.m_pBookmarkDlg->grab().toImage();
    dlg.m_pBookmarkDlg->grab().save(RenderDir() + "/bookmark_mode0.png");
    EXPECT_NE(zero.pixelColor(7, 2), fromColorRef(kColorKey));
    EXPECT_NE(zero.pixelColor(27, 27), zero.pixelColor(7, 2)) << "the 1013 button sits on the bar";

    // Step back without a local player does nothing.
    PostMessage(dlg.Handle(), WM_SHOW_BOOKMARK_BAR, 1, 0);
    pump();
    bar = dlg.m_pBookmarkDlg;
    QTest::mouseClick(&bar->m_btn[0], Qt::LeftButton, Qt::NoModifier, QPoint(30, 15));
    pump();
    EXPECT_EQ(bar->m_btn[0].m_nState, 0);

    // With one: command 10, and the player lights 1011 from its side.
    dlg.m_pLocalPlayer = std::make_unique<CLocalPlayer>(&dlg);
    QTest::mouseClick(&bar->m_btn[0], Qt::LeftButton, Qt::NoModifier, QPoint(30, 15));
    pump();
    EXPECT_EQ(dlg.m_pLocalPlayer->m_nPlayState.load(), 10);
    EXPECT_EQ(bar->m_btn[0].m_nState, 1);
    EXPECT_EQ(bar->m_btn[1].m_nState, 0);
    // A request from another thread reaches the bar on the GUI thread.
    std::thread([&dlg] { dlg.m_pLocalPlayer->SetPlayCommand(11); }).join();
    pump();
    EXPECT_EQ(bar->m_btn[0].m_nState, 0);
    EXPECT_EQ(bar->m_btn[1].m_nState, 1);
    std::thread([&dlg] { dlg.m_pLocalPlayer->SetPlayCommand(4); }).join();
    pump();
    EXPECT_EQ(bar->m_btn[1].m_nState, 0);

    // The player's end ends the bar; a later request for it is dropped.
    dlg.CloseLocalPlayer();
    pump();
    EXPECT_EQ(dlg.m_pBookmarkDlg, nullptr);
    dlg.SetBookmarkButtons(1, 1);
    dlg.EndBookmarkBar();
    pump();
    EXPECT_EQ(dlg.m_pBookmarkDlg, nullptr);

    // The player's start enables the playback buttons (not the recorder's
    // record button) and shows the bar after its pause.
    const auto playButtons = [&dlg](bool enabled) {
        for (int id = IDC_PLAY_FIRST; id <= IDC_PLAY_LAST; ++id) {
            if (id != IDC_RECORD && dlg.Button(id)) {
                EXPECT_EQ(dlg.Button(id)->m_bEnabled, enabled) << "button " << id;
            }
        }
    };
    for (int id = IDC_PLAY_FIRST; id <= IDC_PLAY_LAST; ++id)
        if (dlg.Button(id))
            dlg.Button(id)->Enable(false);
    dlg.m_pLocalPlayer = std::make_unique<CLocalPlayer>(&dlg);
    ASSERT_TRUE(dlg.m_pLocalPlayer->Start());
    playButtons(true);
    if (dlg.Button(IDC_RECORD)) {
        EXPECT_FALSE(dlg.Button(IDC_RECORD)->m_bEnabled);
    }
    for (int i = 0; i < 10000 && !dlg.m_pBookmarkDlg; ++i) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_NE(dlg.m_pBookmarkDlg, nullptr);
    EXPECT_EQ(dlg.m_pBookmarkDlg->Mode(), 1);
    dlg.CloseLocalPlayer();
    pump();
    EXPECT_EQ(dlg.m_pBookmarkDlg, nullptr);
    playButtons(false);
    dlg.DestroyWindow();
}

TEST_F(ClientDlgTest, TheLocalSetupButtonRunsTheWindowOverTheEditCopy)
{
    TestClientDlg dlg(nullptr, FakeDeps(events, dir, false, true));
    ASSERT_TRUE(dlg.Create());
    dlg.m_arrOpacity[4] = 200;
    int opened = 0;
    auto openAndPress = [&](std::function<void(CLocalSetupDlg&)> act) {
        QTimer::singleShot(0, &dlg, [&dlg, &opened, act] {
            CLocalSetupDlg* w = dlg.m_pLocalSetupDlg;
            ASSERT_NE(w, nullptr);
            ++opened;
            act(*w);
        });
        dlg.OnButton(IDC_LOCAL_SETUP);
        EXPECT_EQ(dlg.m_pLocalSetupDlg, nullptr);
    };
    // Opacity row 4 to its lowest, then OK: in force, saved, on the next window.
    openAndPress([](CLocalSetupDlg& w) {
        EXPECT_EQ(w.m_nOpacity, 200);
        w.ShowOpacityPage();
        QTest::mouseClick(&w.m_pOpacityPage->m_slider[4], Qt::LeftButton, Qt::NoModifier, QPoint(0, 4));
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
        QTest::mouseClick(&w.m_btnOk, Qt::LeftButton, Qt::NoModifier, QPoint(40, 10));
    });
    EXPECT_EQ(dlg.m_arrOpacity[4], 100);
    EXPECT_EQ(std::count(events.begin(), events.end(), "log:8/1"), 1);
    // Cancel forgets the edits: the copy is refilled from what is in force.
    openAndPress([](CLocalSetupDlg& w) {
        EXPECT_EQ(w.m_nOpacity, 100) << "the new opacity shows on the next window";
        w.m_pRecord->SaveFormat = 2;
        QTest::mouseClick(&w.m_btnClose, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    });
    EXPECT_EQ(opened, 2);
    EXPECT_EQ(dlg.m_LocalSetup.SaveFormat, 0);
    EXPECT_EQ(dlg.m_nSaveFormat, 0);
    dlg.DestroyWindow();
}

} // namespace
