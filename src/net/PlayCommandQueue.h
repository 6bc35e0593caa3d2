// The playback buttons' commands on their way to the recorder. The recorder
// wants a pause after each command (100 ms or 500 ms) before the next one;
// the queue keeps that spacing on a thread of its own, so the GUI thread
// never sleeps through it. A command runs whole (its state changes and its
// controls) when its turn comes, so the receive thread never sees the state
// of a command whose controls have not gone out yet.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class CPlayCommandQueue
{
public:
    // Runs one command and returns the pause that must pass before the next.
    using Job = std::function<std::chrono::milliseconds()>;

    CPlayCommandQueue() = default;
    ~CPlayCommandQueue();
    CPlayCommandQueue(const CPlayCommandQueue&) = delete;
    CPlayCommandQueue& operator=(const CPlayCommandQueue&) = delete;

    // Queues `job`; it runs at once when the previous command's pause has
    // passed. A repeat of the command that waits last in the queue (the same
    // key) is absorbed: false, and nothing is queued. False after Stop.
    bool Post(int key, Job job);
    // Drops the commands that wait and returns once none runs (the pause of
    // the last one still holds back the next). Not from inside a job.
    void Cancel();
    // Cancel, then ends the thread; no command is taken afterwards.
    void Stop();
    // True once nothing waits or runs and the last pause has passed.
    bool WaitIdle(std::chrono::milliseconds timeout);
    // Commands run so far.
    std::uint64_t Runs() const;

private:
    using Clock = std::chrono::steady_clock;
    void Run();

    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    std::deque<std::pair<int, Job>> m_jobs;
    bool m_bRunning = false;
    bool m_bStop = false;
    std::uint64_t m_nRuns = 0;
    Clock::time_point m_readyAt{};
    std::thread m_thread;
};
