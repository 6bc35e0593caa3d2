// The time source of the audio path. The player's pause after its first write,
// the silent output's pacing, the reopen interval of a lost device and the
// playback resynchronisation all read it, so tests can run them on a clock of
// their own instead of waiting in real time.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>

class CAudioClock
{
public:
    virtual ~CAudioClock() = default;

    // Milliseconds on a monotonic scale.
    virtual std::int64_t NowMs() = 0;

    // Waits on cv (lock held, as with condition_variable::wait) until wake()
    // holds or the clock has reached deadlineMs. Whoever makes wake() true
    // notifies cv, so a stop request ends the wait at once. Answers wake().
    virtual bool WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                           std::int64_t deadlineMs, const std::function<bool()>& wake) = 0;

    // Stamp of the playback resynchronisation: taken when the first playback
    // output on this clock starts, renewed every time it resynchronises. All
    // outputs of the program share the system clock, so the stamp is
    // program-wide, as the resynchronisation period is.
    static constexpr std::int64_t NO_STAMP = std::numeric_limits<std::int64_t>::min();
    std::atomic<std::int64_t> m_nResyncStamp{NO_STAMP};
};

// The steady system clock, one for the whole program.
std::shared_ptr<CAudioClock> SystemAudioClock();
