// What the remote search window's tests against the recorder simulator share:
// a main window fake, the test host that also delivers the connection's
// posts, and a fixture that starts the simulator, logs in and opens the
// window.
#pragma once

#include "../BuiltBundle.h"
#include "../WidgetInput.h"
#include "SimSession.h"
#include "TestHost.h"

#include "RecorderSim.h"
#include "SimCatalogue.h"
#include "SimLive.h"
#include "SimSearch.h"
#include "SimTransfer.h"
#include "net/NetClient.h"
#include "net/NetMessages.h"
#include "platform/ResourceLibrary.h"
#include "search/RemoteSearchDlg.h"
#include "search/SearchHost.h"
#include "ui/GridStatic.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

// The main window as the search window sees it, on 20 March 2008 at noon,
// noting what the window asks of it.
class FakeSearchMain : public ISearchMainWindow
{
public:
    QWidget* MainWidget() override { return nullptr; }
    WndHandle MainHandle() const override { return WndHandle(); }
    std::shared_ptr<CNetClient> NetClient() const override { return client; }
    int DateFormat() const override { return 0; }
    std::uint8_t Opacity(int) const override { return opacity; }
    std::string LoadResString(int id) const override
    {
        return ResourceLibrary::Current().LoadResString(id).toLatin1().toStdString();
    }
    std::int64_t DiskSpace() const override { return diskSpace; }
    std::string DownloadFolder() const override { return downloadFolder; }
    bool LocalPlayerRunning() const override { return false; }
    int ViewMode() const override { return viewMode; }
    void Notify(int code, int sub, WndHandle) override { notes.push_back(code << 16 | sub); }
    void InvalidatePlaybackStrip() override { ++stripRedraws; }
    // The operator types `archiveTyped` and confirms, or (archiveConfirmed
    // false) cancels the prompt.
    bool PromptArchivePassword(std::string& typed, const std::function<void(WndHandle)>&) override
    {
        ++archivePrompts;
        if (!archiveConfirmed) {
            typed.clear();
            return false;
        }
        typed = archiveTyped;
        return true;
    }
    std::time_t Now() const override
    {
        return static_cast<std::time_t>(k5sim::RecorderTime(2008, 3, 20, 12));
    }
    // With grabStills, every channel is on screen and hands a small grey
    // picture, as its decoder would.
    int GrabStillForMotionGrid(CMotionGridStatic* grid, int channel) override
    {
        if (!grabStills)
            return ISearchMainWindow::GrabStillForMotionGrid(grid, channel);
        grabs.push_back(channel);
        std::vector<BYTE> pixels(64 * 48 * 3, 0x80);
        grid->SetImage(nullptr, pixels.data(), 0, 64, 48);
        grid->m_bShowStill = 1;
        return 1;
    }

    std::shared_ptr<CNetClient> client;
    std::uint8_t opacity = 255;
    int viewMode = 1;
    std::int64_t diskSpace = 100000;
    std::string downloadFolder;
    bool archiveConfirmed = true;
    std::string archiveTyped;
    bool grabStills = false;
    std::vector<int> notes;
    int stripRedraws = 0;
    int archivePrompts = 0;
    std::vector<int> grabs;
};

// The test host, with the connection's posts also delivered for real, as
// the main window's host does.
class DeliveringHost : public TestHost
{
public:
    void PostMessageTo(WndHandle target, UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        TestHost::PostMessageTo(target, msg, wParam, lParam);
        PostMessage(target, msg, wParam, lParam);
    }
};

// An emptied scratch folder of this test process in the build tree.
inline std::string ScratchFolder(const std::string& name)
{
    const std::string dir =
        std::string(K5_BINARY_DIR) + "/scratch-search-" + std::to_string(::getpid()) + "-" + name;
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    std::filesystem::create_directories(dir, ec);
    return dir;
}

// The search window over a session with the recorder simulator, which
// serves the standard catalogue of March 2008.
class SearchSessionTest : public ::testing::Test
{
protected:
    void SetUp() override { UseBuiltBundle(); }
    // The simulator of product version major.minor with its catalogue, not
    // started yet: a test adds the services it needs first.
    void MakeSim(std::uint8_t major = 1, std::uint8_t minor = 0)
    {
        CNetClient::ResetHiddenCopyForTesting();
        k5sim::RecorderSim::Config config;
        config.hello.productMajor = major;
        config.hello.productMinor = minor;
        sim = std::make_unique<k5sim::RecorderSim>(config);
        search = std::make_unique<k5sim::SimSearch>(*sim, k5sim::SimCatalogue::Standard(2008, 3));
    }
    // The catalogue's recordings played back.
    void AddPlayback()
    {
        live = std::make_unique<k5sim::SimLive>(*sim);
        search->AttachPlayback(*live);
    }
    // Backups of the catalogue's recordings.
    void AddTransfer()
    {
        transfer = std::make_unique<k5sim::SimTransfer>(*sim);
        transfer->SetCatalogue(&search->Catalogue());
    }
    void StartAndLogIn()
    {
        ASSERT_TRUE(sim->Start());
        ASSERT_TRUE(LogIn(main.client, host, sim->Port()));
    }
    // The simulator with playback (and backups when serveBackups), logged
    // in with every right.
    void Start(std::uint8_t major = 1, std::uint8_t minor = 0)
    {
        MakeSim(major, minor);
        AddPlayback();
        if (serveBackups)
            AddTransfer();
        ASSERT_NO_FATAL_FAILURE(StartAndLogIn());
        SetRights(1, 1);
    }
    // The rights table naming the user with these rights. Waited for until
    // the connection holds both, or with rightsByRoundTrip until a round
    // trip behind the table is answered: every effect of the table handled.
    void SetRights(std::uint8_t searchRight, std::uint8_t backupRight)
    {
        const k5sim::UserRow row{"admin", "password", 1, {{1, 1, searchRight, backupRight, 1, 1, 1, 1}}};
        if (!rightsByRoundTrip) {
            sim->Send(k5sim::id::RIGHT_CHANGE, k5sim::BuildRightChange({row}));
            ASSERT_TRUE(PumpUntil([&] {
                return main.client->HasRight(RIGHT_SEARCH) == (searchRight != 0) &&
                       main.client->HasRight(RIGHT_BACKUP) == (backupRight != 0);
            }));
            return;
        }
        const std::size_t before = host.EventsOf(HostEvent::Post).size();
        sim->Send(k5sim::id::RIGHT_CHANGE, k5sim::BuildRightChange({row}));
        sim->Send(k5sim::id::MSG_257, k5sim::Bytes(12, 0)); // posts WM_BRING_TO_FRONT once handled
        ASSERT_TRUE(host.WaitFor([&](const std::vector<HostEvent>& all) {
            return static_cast<std::size_t>(std::count_if(all.begin(), all.end(), [](const HostEvent& e) {
                       return e.kind == HostEvent::Post;
                   })) > before;
        }));
        ASSERT_TRUE(PumpUntil([&] { return main.client->HasRight(2) == (searchRight != 0); }));
    }
    std::unique_ptr<CRemoteSearchDlg> Open()
    {
        auto dlg = std::make_unique<CRemoteSearchDlg>(main);
        main.client->SetSearchFrame(dlg->Link());
        dlg->Create();
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
        transfer.reset();
        live.reset();
        search.reset();
        if (sim)
            sim->Stop();
    }

    DeliveringHost host;
    FakeSearchMain main;
    std::unique_ptr<k5sim::RecorderSim> sim;
    std::unique_ptr<k5sim::SimSearch> search;
    std::unique_ptr<k5sim::SimLive> live;
    std::unique_ptr<k5sim::SimTransfer> transfer;
    bool serveBackups = false;
    bool rightsByRoundTrip = false;
};
