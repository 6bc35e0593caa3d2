// The sound output's ring: when play starts, the lead rules of live and
// played-back audio, resets and what they drop, the silent sink's pacing,
// device errors, and stopping. A fake clock drives the time and a fake device
// paced by it keeps what was played.
#include "audio_fakes.h"

#include "video/AudioPlayer.h"
#include "video/SoundOutput.h"

#include <gtest/gtest.h>

#include <cerrno>

using namespace audiotest;

namespace {

constexpr DWORD kBlock = AudioUnitBytes(2); // 5120 bytes: 2560 frames, 320 ms
constexpr unsigned long kFrames = kBlock / 2;
constexpr std::int64_t kUnitMs = 320;

struct Rig
{
    std::shared_ptr<FakeAudioClock> clock = std::make_shared<FakeAudioClock>();
    std::shared_ptr<DeviceLog> log = std::make_shared<DeviceLog>();
    std::unique_ptr<CSoundOutput> out;
    std::int64_t t0 = clock->NowMs();

    struct Config
    {
        bool playback = false;
        bool device = true;
        unsigned long chunk = 1ul << 20;
        unsigned long buffer = 0; // frames the device holds ahead of what is heard
        int reopenMs = 2000;
        bool openOk = true;
    };

    explicit Rig(Config c)
    {
        log->openOk = c.openOk;
        SoundOutputOptions options;
        options.pClock = clock;
        options.nReopenMs = c.reopenMs;
        options.stopBound = kBound;
        if (c.device)
            options.pDevice = std::make_unique<FakeSoundDevice>(clock, log, c.chunk, c.buffer);
        else
            options.bSilent = true;
        out = std::make_unique<CSoundOutput>(c.playback, std::move(options));
        EXPECT_EQ(out->CreateBuffer(kBlock), 0);
    }

    // A unit whose every sample is `value`.
    bool Write(std::int16_t value)
    {
        const std::vector<std::int16_t> unit(kFrames, value);
        return out->Write(kBlock, reinterpret_cast<const BYTE*>(unit.data()));
    }

    // Advances to the next deadline, which must be `expected`, and waits for
    // the unit then ending to be counted.
    void PlayUntil(std::int64_t expected, std::int64_t unitsPlayed)
    {
        ASSERT_TRUE(clock->WaitForDeadline(expected)) << "nothing plays until " << expected;
        clock->AdvanceTo(expected);
        ASSERT_TRUE(out->WaitUnitsPlayed(unitsPlayed, kBound));
    }

    // The device's frames as one value per unit (-1 for a unit that is not uniform).
    std::vector<int> PlayedUnits()
    {
        std::lock_guard<std::mutex> lock(log->cs);
        std::vector<int> units;
        for (std::size_t at = 0; at < log->frames.size(); at += kFrames) {
            const std::size_t end = std::min(at + kFrames, log->frames.size());
            const bool uniform =
                end - at == kFrames && std::all_of(log->frames.begin() + at, log->frames.begin() + end,
                                                   [&](std::int16_t v) { return v == log->frames[at]; });
            units.push_back(uniform ? log->frames[at] : -1);
        }
        return units;
    }

    CSoundOutput::Status Status() const { return out->GetStatus(); }
};

TEST(SoundOutput, BufferAndWriteLimits)
{
    SoundOutputOptions options;
    options.bSilent = true;
    CSoundOutput out(false, std::move(options));
    const std::vector<BYTE> data(kBlock + 2, 0);
    EXPECT_FALSE(out.Write(kBlock, data.data())) << "no ring yet";
    EXPECT_EQ(out.CreateBuffer(0), -1);
    EXPECT_EQ(out.CreateBuffer(5121), -1) << "half a frame";
    EXPECT_EQ(out.CreateBuffer(kBlock), 0);
    EXPECT_EQ(out.CreateBuffer(kBlock), -1) << "a second ring";
    EXPECT_EQ(out.BlockSize(), kBlock);
    EXPECT_FALSE(out.Write(kBlock + 2, data.data())) << "more than one unit";
    EXPECT_TRUE(out.Clear());
    EXPECT_TRUE(out.StopThread());
}

TEST(SoundOutput, LiveStartsAtOnceAndKeepsOneUnitAhead)
{
    Rig rig({});
    ASSERT_TRUE(rig.Write(1));
    ASSERT_TRUE(rig.Write(2)); // the next unit arrives while the first plays
    rig.PlayUntil(rig.t0 + kUnitMs, 1);
    EXPECT_TRUE(rig.Status().bPlaying);
    ASSERT_TRUE(rig.Write(3));
    rig.PlayUntil(rig.t0 + 2 * kUnitMs, 2);
    rig.PlayUntil(rig.t0 + 3 * kUnitMs, 3);

    // Nothing written for the next boundary: an underrun resets the output,
    // and the audio the device holds is not cut.
    auto status = rig.Status();
    EXPECT_FALSE(status.bPlaying);
    EXPECT_EQ(status.arrResets[CSoundOutput::RESET_UNDERRUN], 1);
    EXPECT_EQ(status.nUnitsPlayed, 3);

    // The next write plays at once where it is written.
    rig.clock->Advance(50);
    ASSERT_TRUE(rig.Write(4));
    rig.PlayUntil(rig.t0 + 3 * kUnitMs + 50 + kUnitMs, 4);
    EXPECT_EQ(rig.PlayedUnits(), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(rig.Status().arrResets[CSoundOutput::RESET_LEAD], 0);
    std::lock_guard<std::mutex> lock(rig.log->cs);
    EXPECT_TRUE(rig.log->dropsAt.empty());
}

// A card with a buffer takes a unit's last frames 100 ms before they are
// heard. The lead is judged when the unit has been heard: a live stream whose
// next unit comes within those 100 ms plays on without a reset, and a writer
// that stops still underruns, once its last unit has been heard and without
// cutting it.
TEST(SoundOutput, LiveLeadIsJudgedWhenTheCardHasPlayedTheUnit)
{
    constexpr int kUnits = 12;
    Rig rig({.chunk = 400, .buffer = 800});
    ASSERT_TRUE(rig.Write(1));
    std::int16_t next = 2;
    std::int64_t writeAt = rig.t0 + kUnitMs - 50; // 50 ms before the unit playing ends
    const std::int64_t lastHeard = rig.t0 + kUnits * kUnitMs;
    for (;;) {
        const auto deadline = rig.clock->NextDeadline();
        ASSERT_TRUE(deadline.has_value()) << "the output stopped playing at " << rig.clock->NowMs();
        if (next <= kUnits && writeAt <= *deadline) {
            rig.clock->AdvanceTo(writeAt);
            ASSERT_TRUE(rig.Write(next++));
            writeAt += kUnitMs;
        } else if (*deadline < lastHeard) {
            rig.clock->AdvanceTo(*deadline);
        } else {
            ASSERT_EQ(*deadline, lastHeard);
            break;
        }
    }
    auto status = rig.Status();
    EXPECT_EQ(status.arrResets, (std::array<int, CSoundOutput::RESET_REASONS>{}));
    EXPECT_TRUE(status.bPlaying);
    EXPECT_EQ(status.nUnitsPlayed, kUnits);

    // The writer has stopped: the underrun comes when the last unit has been heard.
    ASSERT_TRUE(rig.clock->WaitForDeadline(lastHeard));
    rig.clock->AdvanceTo(lastHeard);
    ASSERT_TRUE(rig.clock->WaitDeadlineGone(lastHeard));
    status = rig.Status();
    EXPECT_FALSE(status.bPlaying);
    EXPECT_EQ(status.arrResets[CSoundOutput::RESET_UNDERRUN], 1);
    std::vector<int> expected;
    for (int v = 1; v <= kUnits; ++v)
        expected.push_back(v);
    EXPECT_EQ(rig.PlayedUnits(), expected);
    std::lock_guard<std::mutex> lock(rig.log->cs);
    EXPECT_TRUE(rig.log->dropsAt.empty());
}

TEST(SoundOutput, LiveTwoUnitsDuringOneResetAndDropWhatWaits)
{
    Rig rig({});
    ASSERT_TRUE(rig.Write(1));
    ASSERT_TRUE(rig.clock->NextDeadline().has_value()); // unit 1 is playing
    ASSERT_TRUE(rig.Write(2));
    ASSERT_TRUE(rig.Write(3)); // two units while one plays
    EXPECT_EQ(rig.Status().nLead, 2);
    rig.PlayUntil(rig.t0 + kUnitMs, 1);
    EXPECT_FALSE(rig.Status().bPlaying);
    EXPECT_EQ(rig.Status().arrResets[CSoundOutput::RESET_LEAD], 1);

    // The next unit starts at once; 2 and 3 were dropped.
    ASSERT_TRUE(rig.Write(4));
    rig.PlayUntil(rig.t0 + 2 * kUnitMs, 2);
    EXPECT_EQ(rig.PlayedUnits(), (std::vector<int>{1, 4}));
    std::lock_guard<std::mutex> lock(rig.log->cs);
    EXPECT_EQ(rig.log->dropsAt, (std::vector<std::size_t>{kFrames}));
}

TEST(SoundOutput, PlaybackStartsAfterSilenceAndMayLeadByTheRing)
{
    Rig rig({.playback = true});
    ASSERT_TRUE(rig.Write(1));
    ASSERT_TRUE(rig.clock->WaitForDeadline(rig.t0 + kUnitMs)); // the silent unit plays
    for (std::int16_t v = 2; v <= SOUND_UNITS; ++v)
        ASSERT_TRUE(rig.Write(v)) << v;
    EXPECT_EQ(rig.Status().nLead, SOUND_UNITS);
    for (int i = 1; i <= SOUND_UNITS + 1; ++i)
        rig.PlayUntil(rig.t0 + i * kUnitMs, i);

    std::vector<int> expected{0};
    for (int v = 1; v <= SOUND_UNITS; ++v)
        expected.push_back(v);
    EXPECT_EQ(rig.PlayedUnits(), expected);
    auto status = rig.Status();
    EXPECT_EQ(status.arrResets[CSoundOutput::RESET_UNDERRUN], 1);
    EXPECT_EQ(status.arrResets[CSoundOutput::RESET_LEAD] + status.arrResets[CSoundOutput::RESET_OVERRUN], 0);

    // After the reset the next start again begins with silence.
    ASSERT_TRUE(rig.Write(40));
    rig.PlayUntil(rig.t0 + (SOUND_UNITS + 2) * kUnitMs, SOUND_UNITS + 2);
    rig.PlayUntil(rig.t0 + (SOUND_UNITS + 3) * kUnitMs, SOUND_UNITS + 3);
    expected.push_back(0);
    expected.push_back(40);
    EXPECT_EQ(rig.PlayedUnits(), expected);
}

TEST(SoundOutput, WriteOverAnUnplayedUnitRestarts)
{
    Rig rig({.playback = true});
    ASSERT_TRUE(rig.Write(1));
    ASSERT_TRUE(rig.clock->NextDeadline().has_value()); // the silent unit is playing
    for (std::int16_t v = 2; v <= SOUND_UNITS; ++v)
        ASSERT_TRUE(rig.Write(v));
    EXPECT_EQ(rig.Status().arrResets[CSoundOutput::RESET_OVERRUN], 0);
    ASSERT_TRUE(rig.Write(17)); // its slot still holds unit 1, not yet played
    EXPECT_EQ(rig.Status().arrResets[CSoundOutput::RESET_OVERRUN], 1);
    for (int i = 1; i <= 3; ++i)
        rig.PlayUntil(rig.t0 + i * kUnitMs, i);
    EXPECT_EQ(rig.PlayedUnits(), (std::vector<int>{0, 0, 17}));
}

TEST(SoundOutput, PlaybackResynchronisesEveryThirtySeconds)
{
    Rig rig({.playback = true});
    ASSERT_TRUE(rig.Write(1));
    std::int16_t next = 2;
    std::int64_t resyncAt = 0;
    for (int i = 1; i <= 200 && resyncAt == 0; ++i) {
        ASSERT_TRUE(rig.Write(next++)); // data flows evenly: one unit per unit played
        rig.PlayUntil(rig.t0 + i * kUnitMs, i);
        if (rig.Status().arrResets[CSoundOutput::RESET_RESYNC] != 0)
            resyncAt = rig.clock->NowMs();
    }
    // The first boundary more than 30 s after the output started.
    EXPECT_EQ(resyncAt, rig.t0 + 94 * kUnitMs);
    auto status = rig.Status();
    EXPECT_FALSE(status.bPlaying);
    EXPECT_EQ(status.arrResets[CSoundOutput::RESET_UNDERRUN], 0);

    // The stamp is renewed: the next resynchronisation comes 30 s later.
    const std::int64_t restart = rig.clock->NowMs();
    ASSERT_TRUE(rig.Write(next++));
    for (int i = 1; i <= 200 && rig.Status().arrResets[CSoundOutput::RESET_RESYNC] == 1; ++i) {
        ASSERT_TRUE(rig.Write(next++));
        rig.PlayUntil(restart + i * kUnitMs, status.nUnitsPlayed + i);
    }
    EXPECT_EQ(rig.Status().arrResets[CSoundOutput::RESET_RESYNC], 2);
    EXPECT_GT(rig.clock->NowMs() - resyncAt, PLAYBACK_RESYNC_MS);
    EXPECT_LE(rig.clock->NowMs() - resyncAt, PLAYBACK_RESYNC_MS + kUnitMs);
}

TEST(SoundOutput, ClearSilencesAtOnce)
{
    // Without a device the unit in flight is abandoned the moment Clear comes.
    {
        Rig rig({.device = false});
        ASSERT_TRUE(rig.Write(1));
        ASSERT_TRUE(rig.clock->WaitForDeadline(rig.t0 + kUnitMs));
        rig.clock->Advance(100);
        EXPECT_TRUE(rig.out->Clear());
        EXPECT_FALSE(rig.Status().bPlaying);
        EXPECT_EQ(rig.Status().arrResets[CSoundOutput::RESET_CLEAR], 1);
        ASSERT_TRUE(rig.Write(2));
        rig.PlayUntil(rig.t0 + 100 + kUnitMs, 1);
        EXPECT_EQ(rig.Status().nUnitsPlayed, 1);
    }
    // On a device the unit stops at the next chunk and the device is dropped.
    {
        Rig rig({.chunk = 512});
        ASSERT_TRUE(rig.Write(1));
        ASSERT_TRUE(rig.clock->WaitForDeadline(rig.t0 + 64));
        EXPECT_TRUE(rig.out->Clear());
        rig.clock->AdvanceTo(rig.t0 + 64);
        ASSERT_TRUE(rig.Write(2));
        for (std::int64_t t = rig.t0 + 128; t <= rig.t0 + 64 + kUnitMs; t += 64) {
            ASSERT_TRUE(rig.clock->WaitForDeadline(t));
            rig.clock->AdvanceTo(t);
        }
        ASSERT_TRUE(rig.out->WaitUnitsPlayed(1, kBound));
        std::lock_guard<std::mutex> lock(rig.log->cs);
        EXPECT_EQ(rig.log->dropsAt, (std::vector<std::size_t>{512}));
        ASSERT_EQ(rig.log->frames.size(), 512 + kFrames);
        EXPECT_EQ(rig.log->frames[511], 1);
        EXPECT_EQ(rig.log->frames[512], 2);
    }
}

TEST(SoundOutput, SilentSinkKeepsTheUnitsTime)
{
    Rig rig({.device = false});
    ASSERT_TRUE(rig.Write(1));
    ASSERT_TRUE(rig.Write(2));
    ASSERT_TRUE(rig.clock->WaitForDeadline(rig.t0 + kUnitMs));
    // A late wake-up does not stretch the timing: unit 2 still ends one unit
    // after unit 1 did.
    rig.clock->AdvanceTo(rig.t0 + kUnitMs + 30);
    ASSERT_TRUE(rig.out->WaitUnitsPlayed(1, kBound));
    ASSERT_TRUE(rig.Write(3));
    rig.PlayUntil(rig.t0 + 2 * kUnitMs, 2);
    rig.PlayUntil(rig.t0 + 3 * kUnitMs, 3);
    EXPECT_EQ(rig.Status().arrResets[CSoundOutput::RESET_UNDERRUN], 1);
    EXPECT_FALSE(rig.Status().bDeviceOpen);
}

TEST(SoundOutput, DeviceErrorsRecoverOrReopen)
{
    Rig rig({.reopenMs = 500, .openOk = false});
    // The device cannot be opened: the units are paced by the clock.
    ASSERT_TRUE(rig.Write(1));
    ASSERT_TRUE(rig.clock->WaitForDeadline(rig.t0 + kUnitMs));
    {
        std::lock_guard<std::mutex> lock(rig.log->cs);
        rig.log->openOk = true;
        rig.log->failures = {-EPIPE}; // the first write after the reopen underruns
    }
    ASSERT_TRUE(rig.Write(2));
    rig.PlayUntil(rig.t0 + kUnitMs, 1); // the reopen is not due yet: unit 2 is silent
    ASSERT_TRUE(rig.Write(3));
    rig.PlayUntil(rig.t0 + 2 * kUnitMs, 2); // reopened; unit 3 recovers from the underrun in place
    ASSERT_TRUE(rig.Write(4));
    ASSERT_TRUE(rig.clock->WaitForDeadline(rig.t0 + 3 * kUnitMs)); // unit 3 is in the device
    {
        std::lock_guard<std::mutex> lock(rig.log->cs);
        rig.log->recoverOk = false;
        rig.log->failures = {-ENODEV}; // the device is gone when unit 4 comes
    }
    rig.PlayUntil(rig.t0 + 3 * kUnitMs, 3);
    ASSERT_TRUE(rig.Write(5));
    rig.PlayUntil(rig.t0 + 4 * kUnitMs, 4); // unit 4 keeps its time without the device
    ASSERT_TRUE(rig.Write(6));
    rig.PlayUntil(rig.t0 + 5 * kUnitMs, 5); // unit 5: the reopen is not due yet
    rig.PlayUntil(rig.t0 + 6 * kUnitMs, 6); // unit 6: reopened and heard

    EXPECT_EQ(rig.PlayedUnits(), (std::vector<int>{3, 6}));
    const auto status = rig.Status();
    EXPECT_EQ(status.nRecoveries, 1);
    EXPECT_EQ(status.nDeviceErrors, 1);
    EXPECT_EQ(status.nOpens, 2);
    EXPECT_TRUE(status.bDeviceOpen);
    std::lock_guard<std::mutex> lock(rig.log->cs);
    EXPECT_EQ(rig.log->opens, 3);
    EXPECT_EQ(rig.log->closes, 1);
}

TEST(SoundOutput, StopWakesEveryWait)
{
    {
        Rig rig({.device = false}); // waiting for the clock
        ASSERT_TRUE(rig.Write(1));
        ASSERT_TRUE(rig.clock->NextDeadline().has_value());
        EXPECT_TRUE(rig.out->StopThread());
    }
    {
        Rig rig({}); // blocked in a device write
        ASSERT_TRUE(rig.Write(1));
        ASSERT_TRUE(rig.clock->NextDeadline().has_value());
        EXPECT_TRUE(rig.out->StopThread());
        std::lock_guard<std::mutex> lock(rig.log->cs);
        EXPECT_EQ(rig.log->closes, 1);
    }
    {
        Rig rig({}); // idle
        EXPECT_TRUE(rig.out->StopThread());
    }
}

} // namespace
