// The DrawMode setting changed again and again while live pictures and the
// recorder's state messages keep coming: the receive thread, the decode
// workers and the GUI thread all keep using the one grid, which must never
// be freed under them (run under AddressSanitizer to see a use after free).
#include "MainWindowSim.h"
#include "SimLive.h"
#include "SimLiveStreams.h"
#include "streams/TestStreams.h"
#include "video/PictureBuffer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

using namespace mainsim;
namespace sid = k5sim::id;

// The main window with the real decoder library; notifications are noted,
// never shown (a box would wait for a click).
class DecodingWindow : public MainWindow
{
public:
    explicit DecodingWindow(const std::shared_ptr<FakeConnectDialog>& dialog) : MainWindow(DecodingDeps(dialog)) {}
};

TEST(DrawModeSim, FlippingTheDrawModeKeepsTheGridThatEveryThreadUses)
{
    if (!k5streams::HasH264Encoder())
        GTEST_SKIP() << "libavcodec has no libx264 encoder";
    Scratch scratch;
    k5sim::RecorderSim sim;
    k5sim::SimLive live{sim};
    constexpr std::uint16_t kChannels = 0x000F;
    for (int ch = 0; ch < 4; ++ch)
        live.SetStream(ch, k5sim::MakePatternStream(ch, 352, 288, 10, 5));
    live.Live().channels = kChannels;
    live.Live().fps = 50;
    sim.OnHello([](k5sim::RecorderSim& s) { s.Send(sid::RIGHT_CHANGE, RightsFor("admin")); });
    ASSERT_TRUE(sim.Start());
    auto dialog = std::make_shared<FakeConnectDialog>();
    dialog->script = TypeServer("127.0.0.1", sim.Port(), "admin", "pw", "Yard");
    DecodingWindow dlg(dialog);
    ASSERT_TRUE(dlg.Create());
    ASSERT_TRUE(dlg.m_hDecoderDll) << "the decoder library did not load";
    CVideoGridDlg* grid = dlg.m_pVideoWnd.get();
    ASSERT_NE(grid, nullptr);

    auto published = [&] {
        std::uint64_t n = 0;
        for (int ch = 0; ch < 4; ++ch)
            n += dlg.m_pVideoWnd->GetPaintStats(ch).published;
        return n;
    };
    ASSERT_TRUE(
        RunUntil([&] { return dlg.m_pNetClient && dlg.m_pNetClient->m_bLive && published() >= 8; }, 30s));

    // The recorder's state messages, which the receive thread applies to the
    // grid (blocked channels, masks, repaints), as fast as they go.
    std::atomic<bool> stop{false};
    std::thread pusher;
    struct JoinAtEnd
    {
        std::atomic<bool>& stop;
        std::thread& thread;
        ~JoinAtEnd()
        {
            stop = true;
            if (thread.joinable())
                thread.join();
        }
    } joinAtEnd{stop, pusher};
    pusher = std::thread([&] {
        std::array<std::array<std::uint8_t, 16>, 8> allowed{};
        for (auto& user : allowed)
            user.fill(1);
        k5sim::DbChangeConfig db;
        for (int k = 0; !stop.load(); ++k) {
            db.hidden[static_cast<std::size_t>(k % 4)] = static_cast<std::uint8_t>(k & 1);
            sim.Send(sid::DB_CHANGE, k5sim::BuildDbChange(db));
            sim.Send(sid::NETLIVE_CH_CHANGE, k5sim::BuildNetliveChChange(allowed));
            std::this_thread::sleep_for(2ms);
        }
    });

    int mode = 0;
    for (int flip = 0; flip < 8; ++flip) {
        SCOPED_TRACE(flip);
        mode = 1 - mode;
        dlg.m_LocalSetup.DrawMode = static_cast<BYTE>(mode);
        dlg.ApplyLocalSetup();
        EXPECT_EQ(dlg.m_pVideoWnd.get(), grid) << "the grid was replaced under the threads that hold it";
        EXPECT_EQ(grid->IsDirectDraw(), mode == 0);
        EXPECT_EQ(grid->GetPictureFormat(),
                  mode == 0 ? PictureBuffer::kFormatYuv420 : PictureBuffer::kFormatBgr24);
        // Live view comes back and pictures flow again before the next flip.
        const std::uint64_t before = published();
        ASSERT_TRUE(RunUntil([&] { return dlg.m_pNetClient->m_bLive && published() >= before + 8; }, 30s));
    }
}

} // namespace
