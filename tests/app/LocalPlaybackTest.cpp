#include "TestSupport.h"

#include "local/LocalPlayer.h"
#include "local/LocalRecords.h"
#include "local/LocalSearchDlg.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <vector>

namespace {

class FakeHost : public ILocalHost
{
public:
    WndHandle HostHandle() const override { return WndHandle(); }
    std::string DataLocation() const override { return location; }
    void PostNotifyEvent(int code, int subCode) override { notes.emplace_back(code, subCode); }
    void WriteConnectLog(int, int nType, int nSubType, int, const char*, const char*) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        logs.emplace_back(nType, nSubType);
    }
    void SetVideoViewMode(int mode) override { viewMode = mode; }
    void SetLastChannelMask(int mask) override { channelMask = mask; }

    std::string location;
    std::vector<std::pair<int, int>> notes;
    std::mutex mutex;
    std::vector<std::pair<int, int>> logs;
    int viewMode = 0;
    int channelMask = -1;
};

TEST(LocalPlayerTest, StartRunsThePlaybackUntilDestroyed)
{
    FakeHost host;
    {
        CLocalPlayer player(&host);
        ASSERT_TRUE(player.Start());
        EXPECT_EQ(host.viewMode, 3);
        EXPECT_EQ(host.channelMask, 0);
        EXPECT_EQ(player.m_nPlayState.load(), 3);
        EXPECT_TRUE(player.IsThreadRunning());
        EXPECT_TRUE(player.DestroyWindow());
        EXPECT_FALSE(player.IsThreadRunning());
        player.Stop();
        EXPECT_EQ(host.viewMode, 0);
    }
    const std::vector<std::pair<int, int>> expected = {{4, 1}, {4, 2}};
    EXPECT_EQ(host.logs, expected);
}

struct CommandStep
{
    int command;
    int state;
    int speed;
    int playSpeed; // GetPlaySpeed afterwards
};

TEST(LocalPlayerTest, PlayCommandsStepStateAndSpeed)
{
    FakeHost host;
    CLocalPlayer player(&host);
    player.m_nPlayState = 3;
    player.m_nSpeed = 0;
    const CommandStep steps[] = {
        {3, 3, 1, 1},   {3, 3, 2, 2},     {3, 3, 3, 3},   {3, 3, 4, 4},   {3, 3, 5, 5},   {3, 3, 6, 6},
        {3, 3, 1, 1},   {3, 3, 2, 2},     {4, 4, 7, 0},   {7, 7, 7, 0},   {2, 2, -2, -1}, {2, 2, -3, -2},
        {2, 2, -4, -3}, {2, 2, -5, -4},   {2, 2, -6, -5}, {2, 2, -2, -1}, {4, 4, 0, 0},   {10, 10, 10, 10},
        {4, 4, 0, 0},   {11, 11, 11, 11}, {1, 1, 11, 0},  {99, 1, 11, 0},
    };
    int n = 0;
    for (const CommandStep& s : steps) {
        player.SetPlayCommand(s.command);
        EXPECT_EQ(player.m_nPlayState.load(), s.state) << "step " << n;
        EXPECT_EQ(player.m_nSpeed.load(), s.speed) << "step " << n;
        EXPECT_EQ(player.GetPlaySpeed(), s.playSpeed) << "step " << n;
        ++n;
    }
}

TEST(LocalPlayerTest, PauseFromFastForwardAsksForARedraw)
{
    FakeHost host;
    CLocalPlayer player(&host);
    player.m_nPlayState = 3;
    player.m_nSpeed = 1;
    player.m_bRedraw = 0;
    player.SetPlayCommand(4);
    EXPECT_EQ(player.m_bRedraw.load(), 0) << "normal speed: the picture is current";
    player.m_nPlayState = 3;
    player.m_nSpeed = 4;
    player.SetPlayCommand(4);
    EXPECT_EQ(player.m_bRedraw.load(), 1);
    EXPECT_EQ(player.m_nSpeed.load(), 7);
}

TEST(LastLocalSearchTest, ClearFreesALongListAndZeroesTheRecord)
{
    LastLocalSearch last;
    last.bValid = 1;
    last.nPage = 2;
    last.nTime = 1234;
    for (int i = 0; i < 200000; ++i) {
        auto node = std::make_unique<LocalDayInterval>();
        node->start_time = static_cast<std::uint32_t>(i);
        last.Append(std::move(node));
    }
    EXPECT_EQ(last.Count(), 200000);
    EXPECT_EQ(last.pTail->start_time, 199999u);
    last.Clear();
    EXPECT_EQ(last.Count(), 0);
    EXPECT_EQ(last.pTail, nullptr);
    EXPECT_EQ(last.bValid, 0);
    EXPECT_EQ(last.nPage, 0);
    EXPECT_EQ(last.nTime, 0);
}

} // namespace
