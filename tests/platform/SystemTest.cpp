#include "platform/System.h"

#include <QGuiApplication>
#include <QScreen>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

TEST(System, InProcessMixerKeepsClampedValues)
{
    auto mixer = CreateInProcessMixer(1000, true);
    EXPECT_FALSE(mixer->IsReal());
    EXPECT_EQ(mixer->GetVolume(), 1000);
    EXPECT_TRUE(mixer->GetMute());
    EXPECT_TRUE(mixer->SetVolume(70000));
    EXPECT_EQ(mixer->GetVolume(), 65535);
    EXPECT_TRUE(mixer->SetVolume(-5));
    EXPECT_EQ(mixer->GetVolume(), 0);
    EXPECT_TRUE(mixer->SetMute(false));
    EXPECT_FALSE(mixer->GetMute());
}

struct FakeRealMixer : MasterMixer
{
    bool IsReal() const override { return true; }
    int GetVolume() override { return 1; }
    bool SetVolume(int) override { return true; }
    bool GetMute() override { return false; }
    bool SetMute(bool) override { return true; }
};

TEST(System, MasterMixerComesFromTheFactoryOrFallsBackInProcess)
{
    SetMixerFactory(nullptr);
    EXPECT_FALSE(CreateMasterMixer()->IsReal());
    SetMixerFactory([]() -> std::unique_ptr<MasterMixer> { return std::make_unique<FakeRealMixer>(); });
    EXPECT_TRUE(CreateMasterMixer()->IsReal());
    // A factory that finds no card.
    SetMixerFactory([]() -> std::unique_ptr<MasterMixer> { return nullptr; });
    auto fallback = CreateMasterMixer();
    ASSERT_NE(fallback, nullptr);
    EXPECT_FALSE(fallback->IsReal());
    EXPECT_EQ(fallback->GetVolume(), 65535);
    SetMixerFactory(nullptr);
}

TEST(System, ProgramVersionComesFromTheBuild)
{
    const auto v = ProgramVersion();
    EXPECT_EQ(v[0], CLIENTK5_VERSION_MAJOR);
    EXPECT_EQ(v[1], CLIENTK5_VERSION_MINOR);
    EXPECT_EQ(v[2], CLIENTK5_VERSION_PATCH);
    EXPECT_EQ(v[3], CLIENTK5_VERSION_TWEAK + 0);
}

TEST(System, MonitorsListTheScreensAndClearTheRest)
{
    const auto monitors = EnumMonitors();
    const auto screens = QGuiApplication::screens();
    ASSERT_FALSE(screens.isEmpty());
    const auto n = std::min<qsizetype>(screens.size(), 4);
    for (qsizetype i = 0; i < 4; ++i) {
        const auto& m = monitors[static_cast<std::size_t>(i)];
        if (i < n) {
            EXPECT_TRUE(m.valid);
            EXPECT_EQ(m.monitor, screens[i]->geometry());
            EXPECT_EQ(m.primary, screens[i] == QGuiApplication::primaryScreen());
        } else {
            EXPECT_FALSE(m.valid);
            EXPECT_TRUE(m.monitor.isNull());
        }
    }
}

TEST(System, ScreenSaverInhibitorWithoutASessionBusDoesNothing)
{
    // The session bus is opened on first use: point it at nothing first.
    setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/k5-no-bus", 1);
    ScreenSaverInhibitor inhibitor;
    EXPECT_FALSE(inhibitor.IsActive());
}

long ResidentKb()
{
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

// What a finished thread freed stays resident in its arena (a block above it
// keeps the arena from shrinking at its end) until it is handed back.
TEST(System, ReleaseFreedMemoryHandsBackWhatAFinishedThreadFreed)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizer's allocator keeps its own memory";
#endif
    constexpr std::size_t kBlocks = 16384;
    constexpr std::size_t kBlock = 4000; // 64 MB in all
    void* keep = nullptr;
    std::thread([&] {
        std::vector<void*> blocks(kBlocks);
        for (void*& b : blocks) {
            b = std::malloc(kBlock);
            std::memset(b, 1, kBlock);
        }
        keep = std::malloc(kBlock);
        for (void* b : blocks)
            std::free(b);
    }).join();
    const long before = ResidentKb();
    ReleaseFreedMemory();
    const long after = ResidentKb();
    std::free(keep);
    EXPECT_GT(before - after, 32 * 1024) << before << " kB -> " << after << " kB";
}

} // namespace
