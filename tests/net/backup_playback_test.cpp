// A backup from the recorder simulator played back with its check on, end to
// end: the receive path, the download writer, the folder scan, the playlist
// and the local player with the real decode workers and decoder library. The
// simulator records watermarked pictures, as a recorder does, so every
// channel must show its pictures with the lock, and playback must run to the
// end of the download without stopping on a frame.
#include "BackupFrames.h"
#include "BackupSession.h"
#include "TestHost.h"

#include "RecorderSim.h"
#include "SimBackupStreams.h"
#include "SimTransfer.h"
#include "local/LocalPlayer.h"
#include "local/LocalPlaylist.h"
#include "net/NetClient.h"
#include "net/NetMessages.h"
#include "platform/DecoderLibrary.h"
#include "video/VideoDecodeThread.h"
#include "video/decodeworker_fakes.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>

namespace {

using k5sim::Bytes;
using k5sim::SimTransfer;
using namespace std::chrono_literals;

constexpr int kSeconds = 4;

DecoderLibrary& Decoder()
{
    static DecoderLibrary lib;
    if (!lib.IsLoaded())
        lib.Load(std::string(K5_BINARY_DIR) + "/bin/libH264_D1.so");
    return lib;
}

// The main window as the local player sees it: real decode workers into a
// grid of picture buffers, the check on, and every mark and command noted.
class PlayHost : public ILocalHost
{
public:
    PlayHost() : grid(PictureBuffer::kFormatYuv420, 3) {}

    WndHandle HostHandle() const override { return WndHandle(); }
    std::string DataLocation() const override { return {}; }
    void PostNotifyEvent(int, int) override {}
    void WriteConnectLog(int, int, int, int, const char*, const char*) override {}
    void SetVideoViewMode(int mode) override { grid.viewMode = mode; }
    void SetLastChannelMask(int) override {}
    std::unique_ptr<IDecodeWorker> CreateLocalWorker(int channel) override
    {
        return std::make_unique<CVideoDecodeThread>(channel, grid, env, DecoderEntryPoints::From(Decoder()));
    }
    bool WatermarkOn() override { return true; }
    void SetWatermarkState(int channel, int state) override
    {
        std::lock_guard<std::mutex> lock(m);
        ++marks[static_cast<std::size_t>(channel & 15)][static_cast<std::size_t>(state + 1) % 4];
    }
    void SetLocalPlaybackTime(std::uint32_t time) override
    {
        std::lock_guard<std::mutex> lock(m);
        lastTime = time;
    }
    void LocalCommandDone(int command) override
    {
        {
            std::lock_guard<std::mutex> lock(m);
            commands.push_back(command);
        }
        cv.notify_all();
    }

    bool WaitCommand(int command)
    {
        std::unique_lock<std::mutex> lock(m);
        return cv.wait_for(lock, 60s, [&] {
            return std::find(commands.begin(), commands.end(), command) != commands.end();
        });
    }
    // How often the channel was marked with `state` (-1 not checked, 0 no
    // verdict, 1 verified, 2 tampered).
    int Marks(int channel, int state)
    {
        std::lock_guard<std::mutex> lock(m);
        return marks[static_cast<std::size_t>(channel)][static_cast<std::size_t>(state + 1)];
    }

    decodeworkertest::FakeGrid grid;
    decodeworkertest::FakeEnv env;
    std::mutex m;
    std::condition_variable cv;
    std::array<std::array<int, 4>, 16> marks{};
    std::vector<int> commands;
    std::uint32_t lastTime = 0;
};

class BackupPlaybackTest : public BackupSessionTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Decoder().IsLoaded());
        StartSession(BackupScratchRoot() / "backup_playback", [](SimTransfer& transfer) {
            transfer.Config().segmentEvery = 16; // several index entries, so several playlist nodes
            k5sim::ServeWatermarkedBackups(transfer);
        });
    }
};

} // namespace

TEST_F(BackupPlaybackTest, DownloadPlaysWithItsPicturesVerified)
{
    // Two cameras, five pictures a second each, downloaded as "yard".
    const Bytes range = SimTransfer::RangeBody(0x3, kStart, kStart + kSeconds);
    const std::size_t sent = transfer->FrameCount(range);
    ASSERT_EQ(sent, 2u * 5u * kSeconds);
    BackupSetOptions o;
    o.folder = (dir / "Download").string();
    o.name = "yard";
    std::array<std::uint8_t, 24> body{};
    std::copy(range.begin(), range.end(), body.begin());
    ASSERT_TRUE(client->StartBackup(100, o, body));
    ASSERT_TRUE(transfer->WaitStreamEnd());
    ASSERT_TRUE(host.WaitFor(
        [](const std::vector<HostEvent>& all) {
            return std::count_if(all.begin(), all.end(), [](const HostEvent& e) {
                       return e.kind == HostEvent::Post && e.msg == WM_TRANSFER_END;
                   }) >= 2;
        },
        60s));
    ASSERT_EQ(transfer->FramesSent(), sent);

    // The local search's scan and playlist from the download's start.
    const LocalScanResult scan = ScanDownloadFolder(o.folder, LocalScan::Play);
    ASSERT_EQ(scan.sets.size(), 1u);
    Playlist list;
    const auto built =
        BuildLocalPlaylist(OrderAndChainSets(scan.sets), {0, static_cast<int>(kStart), 0}, list);
    ASSERT_NE(built.current, list.end());
    EXPECT_GE(list.size(), 2u);

    PlayHost play;
    {
        CLocalPlayer player(&play);
        player.SetPlaylist(&list, built.current);
        ASSERT_TRUE(player.Start());
        player.SetPlayCommand(3);
        // Playback pauses by itself only at the end of the download, or on a
        // tampered picture.
        ASSERT_TRUE(play.WaitCommand(4));
        {
            std::lock_guard<std::mutex> lock(play.m);
            EXPECT_EQ(play.lastTime, kStart + kSeconds - 1) << "paused before the end";
        }
        for (int ch = 0; ch < 2; ++ch) {
            SCOPED_TRACE(ch);
            EXPECT_EQ(play.Marks(ch, 2), 0) << "no picture of the download is tampered";
            EXPECT_EQ(play.Marks(ch, 0), 0) << "no picture without a verdict";
            EXPECT_EQ(play.Marks(ch, 1), static_cast<int>(sent / 2)) << "every picture carries the lock";
            // The workers decoded the pictures, at the size recorded.
            EXPECT_TRUE(play.grid.WaitPublished(ch, 1));
            const auto frames = play.grid.Frames();
            const auto it =
                std::find_if(frames.begin(), frames.end(), [ch](const auto& f) { return f.first == ch; });
            ASSERT_NE(it, frames.end());
            EXPECT_EQ(it->second.width, 352);
            EXPECT_EQ(it->second.height, 288);
        }
        EXPECT_EQ(play.grid.Published(2), 0);
        player.DestroyWindow();
        player.Stop();
    }
}
