// Test doubles of the audio path: a clock that moves only when the test says
// so, a sound device paced by that clock that keeps every frame it is given,
// may hold a buffer as a card does and can fail on request, and a sink that
// records the player's writes.
#pragma once

#include "video/AudioClock.h"
#include "video/AudioPlayer.h"
#include "video/MuLaw.h"
#include "video/SoundOutput.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace audiotest {

// Bound on every wait of a test for the threads under test: only reached when
// the code under test is broken.
inline constexpr std::chrono::milliseconds kBound{5000};

// A block of mu-law bytes that all decode to non-zero samples, distinct per id,
// so padding (silence) and misplaced bytes show.
inline std::vector<BYTE> Block(int id, std::size_t length = AUDIO_BLOCK_BYTES)
{
    std::vector<BYTE> block(length);
    for (std::size_t j = 0; j < length; ++j)
        block[j] = static_cast<BYTE>((id * 29 + j) % 0x7F);
    return block;
}

// The PCM a block should become: its first 512 bytes decoded, silence after.
inline void AppendExpected(std::vector<std::int16_t>& pcm, const std::vector<BYTE>& block)
{
    for (std::size_t j = 0; j < AUDIO_BLOCK_BYTES; ++j)
        pcm.push_back(j < block.size() ? MuLawToLinear(block[j]) : 0);
}

class FakeAudioClock final : public CAudioClock
{
public:
    std::int64_t NowMs() override
    {
        std::lock_guard<std::mutex> lock(m_cs);
        return m_now;
    }

    bool WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, std::int64_t deadlineMs,
                   const std::function<bool()>& wake) override
    {
        const Waiter me{lock.mutex(), &cv, deadlineMs, ++m_nextId};
        {
            std::lock_guard<std::mutex> g(m_cs);
            m_waiters.push_back(me);
            m_cvTest.notify_all();
        }
        while (!wake() && NowMs() < deadlineMs)
            cv.wait(lock);
        {
            std::lock_guard<std::mutex> g(m_cs);
            m_waiters.erase(std::remove_if(m_waiters.begin(), m_waiters.end(),
                                           [&](const Waiter& w) { return w.id == me.id; }),
                            m_waiters.end());
            m_cvTest.notify_all();
        }
        return wake();
    }

    void AdvanceTo(std::int64_t t)
    {
        std::vector<Waiter> waiters;
        {
            std::lock_guard<std::mutex> g(m_cs);
            m_now = std::max(m_now, t);
            waiters = m_waiters;
        }
        // Taking each waiter's lock before notifying means a waiter that has
        // just read the old time is already waiting when the notice comes.
        for (const Waiter& w : waiters) {
            std::lock_guard<std::mutex> g(*w.mutex);
            w.cv->notify_all();
        }
    }
    void Advance(std::int64_t ms) { AdvanceTo(NowMs() + ms); }

    // Waits until a thread waits for a time still to come and answers the
    // earliest such deadline; nothing when no thread does within the bound.
    std::optional<std::int64_t> NextDeadline(std::chrono::milliseconds bound = kBound)
    {
        std::unique_lock<std::mutex> lock(m_cs);
        std::optional<std::int64_t> next;
        m_cvTest.wait_for(lock, bound, [&] {
            next.reset();
            for (const Waiter& w : m_waiters)
                if (w.deadline > m_now && (!next || w.deadline < *next))
                    next = w.deadline;
            return next.has_value();
        });
        return next;
    }

    // Waits until a thread waits for exactly time t (still to come).
    bool WaitForDeadline(std::int64_t t, std::chrono::milliseconds bound = kBound)
    {
        std::unique_lock<std::mutex> lock(m_cs);
        return m_cvTest.wait_for(lock, bound, [&] {
            return t > m_now && std::any_of(m_waiters.begin(), m_waiters.end(),
                                            [&](const Waiter& w) { return w.deadline == t; });
        });
    }

    // Waits until no thread waits for time t any more.
    bool WaitDeadlineGone(std::int64_t t, std::chrono::milliseconds bound = kBound)
    {
        std::unique_lock<std::mutex> lock(m_cs);
        return m_cvTest.wait_for(lock, bound, [&] {
            return std::none_of(m_waiters.begin(), m_waiters.end(), [&](const Waiter& w) { return w.deadline == t; });
        });
    }

private:
    struct Waiter
    {
        std::mutex* mutex;
        std::condition_variable* cv;
        std::int64_t deadline;
        std::uint64_t id;
    };
    std::mutex m_cs;
    std::condition_variable m_cvTest;
    std::int64_t m_now = 1000;
    std::vector<Waiter> m_waiters;
    std::atomic<std::uint64_t> m_nextId{0};
};

// What a FakeSoundDevice did; the test keeps it after the device is handed over.
struct DeviceLog
{
    std::mutex cs;
    std::condition_variable cv;
    std::vector<std::int16_t> frames; // every frame written, in order
    std::vector<std::size_t> dropsAt; // frame counts at each Drop
    int opens = 0;
    int closes = 0;
    int recovers = 0;
    bool openOk = true;
    bool recoverOk = true;
    std::deque<long> failures; // errors the next writes answer, one each
};

// A device that plays 8 frames per millisecond of the clock. Without a buffer
// each Write returns when the clock has passed the playing time of its frames;
// with one, as soon as no more than bufferFrames wait to be heard, and those
// count as queued until the clock has played them.
class FakeSoundDevice final : public CSoundDevice
{
public:
    FakeSoundDevice(std::shared_ptr<FakeAudioClock> clock, std::shared_ptr<DeviceLog> log,
                    unsigned long chunkFrames = 1ul << 20, unsigned long bufferFrames = 0)
        : m_clock(std::move(clock)), m_log(std::move(log)), m_chunk(chunkFrames),
          m_bufferMs(static_cast<std::int64_t>(bufferFrames / 8))
    {
    }

    bool Open() override
    {
        std::lock_guard<std::mutex> lock(m_log->cs);
        ++m_log->opens;
        m_open = m_log->openOk;
        return m_open;
    }
    void Close() override
    {
        std::lock_guard<std::mutex> lock(m_log->cs);
        ++m_log->closes;
        m_open = false;
    }
    bool IsOpen() const override { return m_open; }
    long Write(const std::int16_t* frames, unsigned long count) override
    {
        std::unique_lock<std::mutex> lock(m_log->cs);
        if (m_interrupted)
            return -5; // EIO
        if (!m_log->failures.empty()) {
            const long error = m_log->failures.front();
            m_log->failures.pop_front();
            return error;
        }
        m_log->frames.insert(m_log->frames.end(), frames, frames + count);
        m_log->cv.notify_all();
        m_busyUntil = std::max(m_busyUntil, m_clock->NowMs()) + static_cast<std::int64_t>(count / 8);
        m_clock->WaitUntil(lock, m_cvWrite, m_busyUntil - m_bufferMs, [&] { return m_interrupted; });
        return m_interrupted ? -5 : static_cast<long>(count);
    }
    bool Recover(long) override
    {
        std::lock_guard<std::mutex> lock(m_log->cs);
        ++m_log->recovers;
        return m_log->recoverOk;
    }
    void Drop() override
    {
        std::lock_guard<std::mutex> lock(m_log->cs);
        m_log->dropsAt.push_back(m_log->frames.size());
        m_busyUntil = 0;
    }
    unsigned long ChunkFrames() const override { return m_chunk; }
    int QueuedFrames() override
    {
        std::lock_guard<std::mutex> lock(m_log->cs);
        return static_cast<int>(std::max<std::int64_t>(0, m_busyUntil - m_clock->NowMs()) * 8);
    }
    void Interrupt() override
    {
        std::lock_guard<std::mutex> lock(m_log->cs);
        m_interrupted = true;
        m_cvWrite.notify_all();
    }

private:
    std::shared_ptr<FakeAudioClock> m_clock;
    std::shared_ptr<DeviceLog> m_log;
    const unsigned long m_chunk;
    const std::int64_t m_bufferMs;
    std::condition_variable m_cvWrite;
    std::int64_t m_busyUntil = 0;
    bool m_open = false;
    bool m_interrupted = false;
};

// What the player wrote to its output.
struct SinkLog
{
    std::mutex cs;
    std::condition_variable cv;
    std::vector<std::vector<std::int16_t>> writes;
    int clears = 0;

    bool WaitWrites(std::size_t n)
    {
        std::unique_lock<std::mutex> lock(cs);
        return cv.wait_for(lock, kBound, [&] { return writes.size() >= n; });
    }
    std::vector<std::int16_t> Write(std::size_t i)
    {
        std::lock_guard<std::mutex> lock(cs);
        return i < writes.size() ? writes[i] : std::vector<std::int16_t>{};
    }
    std::size_t Count()
    {
        std::lock_guard<std::mutex> lock(cs);
        return writes.size();
    }
};

class CaptureSink final : public CSoundSink
{
public:
    explicit CaptureSink(std::shared_ptr<SinkLog> log) : m_log(std::move(log)) {}
    bool Write(DWORD count, const BYTE* data) override
    {
        std::vector<std::int16_t> pcm(count / 2);
        std::memcpy(pcm.data(), data, count);
        std::lock_guard<std::mutex> lock(m_log->cs);
        m_log->writes.push_back(std::move(pcm));
        m_log->cv.notify_all();
        return true;
    }
    bool Clear() override
    {
        std::lock_guard<std::mutex> lock(m_log->cs);
        ++m_log->clears;
        return true;
    }

private:
    std::shared_ptr<SinkLog> m_log;
};

} // namespace audiotest
