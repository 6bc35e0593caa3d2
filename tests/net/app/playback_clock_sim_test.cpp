// Remote playback on the real main window: the playback clock appears as
// playback starts, shows the played frames' time while they come, and goes
// with the playback.
#include "MainWindowSim.h"
#include "SimLive.h"

#include "app/ClockWnd.h"

#include <gtest/gtest.h>

namespace {

using namespace mainsim;
namespace sid = k5sim::id;

TEST(PlaybackClockSim, TheClockShowsThePlayedTimeWhilePlaybackRuns)
{
    Scratch scratch;
    k5sim::RecorderSim sim;
    k5sim::SimLive live{sim};
    live.SetStream(0, PlainStream(500));
    live.Play().channels = 0x0001;
    live.Play().fps = 25;
    // 2008-01-01 10:20:30 UTC.
    const std::uint32_t start = 1199182830u;
    live.Play().startTime = start;
    sim.OnHello([](k5sim::RecorderSim& s) { s.Send(sid::RIGHT_CHANGE, RightsFor("admin")); });
    ASSERT_TRUE(sim.Start());
    auto dialog = std::make_shared<FakeConnectDialog>();
    dialog->script = TypeServer("127.0.0.1", sim.Port(), "admin", "pw", "Yard");
    MainWindow dlg(dialog);
    ASSERT_TRUE(dlg.Create());
    ASSERT_TRUE(RunUntil([&] { return dlg.m_pNetClient && dlg.m_pNetClient->m_bLive.load(); }));
    EXPECT_EQ(dlg.m_pPlayClockWnd, nullptr);

    const std::uint8_t body[24] = {};
    ASSERT_TRUE(dlg.m_pNetClient->Send(sid::PLAY_ON_REQ, body, sizeof body));
    ASSERT_TRUE(RunUntil([&] { return dlg.m_pPlayClockWnd != nullptr; }));
    CClockWnd& clock = *dlg.m_pPlayClockWnd;
    EXPECT_EQ(clock.Mode(), 1);
    EXPECT_EQ(dlg.m_pNetClient->m_hClockWnd.load(), clock.Handle());

    // The time follows the frames: their seconds pass on the readout.
    ASSERT_TRUE(RunUntil([&] { return clock.m_nTime.load() >= std::int32_t(start + 2); }, 20s));
    clock.Tick(0);
    const ClockDigits d = clock.Digits();
    EXPECT_EQ((std::array<int, 4>{d.y1, d.y2, d.y3, d.y4}), (std::array<int, 4>{2, 0, 0, 8}));
    EXPECT_EQ((std::array<int, 4>{d.o1, d.o2, d.d1, d.d2}), (std::array<int, 4>{0, 1, 0, 1}));
    EXPECT_EQ((std::array<int, 2>{d.m1, d.m2}), (std::array<int, 2>{2, 0}));
    const int seconds = d.s1 * 10 + d.s2;
    EXPECT_GE(seconds, 32);
    EXPECT_LE(seconds, 59);

    // The clock goes with the playback.
    ASSERT_TRUE(dlg.m_pNetClient->SendRPlayStop());
    ASSERT_TRUE(RunUntil([&] { return dlg.m_pPlayClockWnd == nullptr; }));
    dlg.Close();
}

} // namespace
