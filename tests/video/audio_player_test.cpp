// The audio player: write units of AudioBuf + 3 blocks, blocks of any length,
// the pause after the first write, flushing, the queue's count and bound, and
// stopping. A fake clock drives the pause; a capture sink keeps the writes.
#include "audio_fakes.h"

#include "video/AudioPlayer.h"
#include "video/MuLaw.h"

#include <gtest/gtest.h>

using namespace audiotest;

namespace {

struct PlayerRig
{
    std::shared_ptr<FakeAudioClock> clock = std::make_shared<FakeAudioClock>();
    std::shared_ptr<SinkLog> log = std::make_shared<SinkLog>();
    std::unique_ptr<CAudioPlayer> player;
    std::int64_t t0 = clock->NowMs();

    explicit PlayerRig(int bufferSetting)
    {
        AudioPlayerOptions options;
        options.pClock = clock;
        options.pOutput = std::make_unique<CaptureSink>(log);
        options.stopBound = kBound;
        player = std::make_unique<CAudioPlayer>(bufferSetting, false, std::move(options));
    }

    // Puts blocks with ids [first, first + count) and returns their expected PCM.
    std::vector<std::int16_t> Put(int first, int count)
    {
        std::vector<std::int16_t> pcm;
        for (int id = first; id < first + count; ++id) {
            const auto block = Block(id);
            EXPECT_TRUE(player->PutBlock(block.data(), block.size()));
            AppendExpected(pcm, block);
        }
        return pcm;
    }
};

TEST(AudioPlayer, WriteUnitFollowsAudioBuf)
{
    for (int setting : {2, 5, 64}) {
        SCOPED_TRACE(setting);
        PlayerRig rig(setting);
        const int blocks = setting + 3;
        EXPECT_EQ(rig.player->Blocks(), blocks);
        EXPECT_EQ(AudioUnitBytes(setting), static_cast<DWORD>(blocks * 1024));
        EXPECT_EQ(AudioUnitMs(setting), blocks * 64);

        auto expected = rig.Put(0, blocks - 1);
        ASSERT_TRUE(rig.player->WaitQueueDrained(kBound));
        EXPECT_EQ(rig.log->Count(), 0u) << "nothing is written before a whole unit has arrived";
        const auto last = rig.Put(blocks - 1, 1);
        expected.insert(expected.end(), last.begin(), last.end());
        ASSERT_TRUE(rig.log->WaitWrites(1));
        EXPECT_EQ(rig.log->Write(0), expected);
    }
}

TEST(AudioPlayer, BlocksOfAnyLengthMakeWholeBlocks)
{
    // Seven blocks per unit; each is played as 512 samples whatever length it came with.
    PlayerRig rig(4);
    const std::size_t lengths[] = {0, 1, 100, 511, 512, 513, 700};
    std::vector<std::int16_t> expected;
    int id = 0;
    for (std::size_t length : lengths) {
        const auto block = Block(id++, length);
        EXPECT_TRUE(rig.player->PutBlock(block.data(), block.size()));
        AppendExpected(expected, block);
    }
    EXPECT_FALSE(rig.player->PutBlock(nullptr, 10));
    ASSERT_TRUE(rig.log->WaitWrites(1));
    EXPECT_EQ(rig.log->Write(0), expected);
}

TEST(AudioPlayer, PausesOnceAfterTheFirstWrite)
{
    PlayerRig rig(2);
    const auto first = rig.Put(0, 5);
    ASSERT_TRUE(rig.log->WaitWrites(1));
    EXPECT_EQ(rig.log->Write(0), first);

    // The player now waits 100 ms; blocks arriving meanwhile stay queued.
    ASSERT_EQ(rig.clock->NextDeadline(), rig.t0 + CAudioPlayer::FIRST_WRITE_PAUSE_MS);
    EXPECT_EQ(rig.player->WriteCount(), 1);
    const auto second = rig.Put(5, 5);
    EXPECT_EQ(rig.player->QueueCount(), 2 + 5);
    rig.clock->AdvanceTo(rig.t0 + CAudioPlayer::FIRST_WRITE_PAUSE_MS);
    ASSERT_TRUE(rig.log->WaitWrites(2));
    EXPECT_EQ(rig.log->Write(1), second);
    EXPECT_EQ(rig.player->QueueCount(), 2);

    // No further pause: later units are written without the clock moving.
    const auto third = rig.Put(10, 5);
    ASSERT_TRUE(rig.log->WaitWrites(3));
    EXPECT_EQ(rig.log->Write(2), third);
    const auto fourth = rig.Put(15, 5);
    ASSERT_TRUE(rig.log->WaitWrites(4));
    EXPECT_EQ(rig.log->Write(3), fourth);
}

TEST(AudioPlayer, FlushDropsEverythingAndPausesAgain)
{
    PlayerRig rig(2);
    rig.Put(0, 5);
    ASSERT_TRUE(rig.log->WaitWrites(1));
    const auto pauseEnd = rig.clock->NextDeadline();
    ASSERT_TRUE(pauseEnd.has_value());
    rig.clock->AdvanceTo(*pauseEnd);

    rig.Put(5, 3); // part of a unit collected...
    ASSERT_TRUE(rig.player->WaitQueueDrained(kBound));
    rig.player->Flush();
    EXPECT_EQ(rig.player->QueueCount(), 2);
    EXPECT_EQ(rig.log->clears, 1);
    EXPECT_EQ(rig.player->WriteCount(), 0);
    const auto refused = Block(8);
    EXPECT_FALSE(rig.player->PutBlock(refused.data(), refused.size())) << "blocks are dropped while flushing";
    EXPECT_EQ(rig.player->QueueCount(), 2);

    rig.player->Resume();
    const auto fresh = rig.Put(20, 5);
    ASSERT_TRUE(rig.log->WaitWrites(2));
    EXPECT_EQ(rig.log->Write(1), fresh) << "the partly collected unit was discarded";
    // The first write after a flush is followed by the pause again.
    const std::int64_t now = rig.clock->NowMs();
    EXPECT_EQ(rig.clock->NextDeadline(), now + CAudioPlayer::FIRST_WRITE_PAUSE_MS);
}

TEST(AudioPlayer, QueueKeepsAtMostOneRingOfAudio)
{
    PlayerRig rig(2); // 5 blocks per unit, 80 blocks in the ring
    rig.Put(0, 5);
    ASSERT_TRUE(rig.log->WaitWrites(1));
    ASSERT_TRUE(rig.clock->NextDeadline().has_value()); // paused
    rig.Put(100, 90);
    EXPECT_EQ(rig.player->QueueCount(), 2 + 80);

    rig.clock->Advance(CAudioPlayer::FIRST_WRITE_PAUSE_MS);
    ASSERT_TRUE(rig.log->WaitWrites(1 + 16));
    std::vector<std::int16_t> expected;
    for (int id = 110; id < 115; ++id)
        AppendExpected(expected, Block(id));
    EXPECT_EQ(rig.log->Write(1), expected) << "the oldest ten blocks were shed";
    EXPECT_EQ(rig.player->QueueCount(), 2);
}

TEST(AudioPlayer, StopEndsThePauseAtOnce)
{
    PlayerRig rig(2);
    rig.Put(0, 5);
    ASSERT_TRUE(rig.log->WaitWrites(1));
    ASSERT_TRUE(rig.clock->NextDeadline().has_value()); // paused, and the clock never moves
    rig.Put(5, 7);
    EXPECT_TRUE(rig.player->Stop());
    const auto late = Block(20);
    EXPECT_FALSE(rig.player->PutBlock(late.data(), late.size()));
    EXPECT_EQ(rig.log->Count(), 1u);
}

} // namespace
