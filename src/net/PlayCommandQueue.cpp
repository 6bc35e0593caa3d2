#include "net/PlayCommandQueue.h"

#include <utility>

CPlayCommandQueue::~CPlayCommandQueue()
{
    Stop();
}

bool CPlayCommandQueue::Post(int key, Job job)
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_bStop || !job)
            return false;
        // A second click while the first still waits for its turn.
        if (!m_jobs.empty() && m_jobs.back().first == key)
            return false;
        m_jobs.emplace_back(key, std::move(job));
        if (!m_thread.joinable())
            m_thread = std::thread([this] { Run(); });
    }
    m_wake.notify_all();
    return true;
}

void CPlayCommandQueue::Cancel()
{
    std::unique_lock<std::mutex> lock(m_lock);
    m_jobs.clear();
    m_done.wait(lock, [this] { return !m_bRunning; });
}

void CPlayCommandQueue::Stop()
{
    std::thread thread;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_bStop = true;
        m_jobs.clear();
        thread = std::move(m_thread);
    }
    m_wake.notify_all();
    if (thread.joinable())
        thread.join();
}

bool CPlayCommandQueue::WaitIdle(std::chrono::milliseconds timeout)
{
    const Clock::time_point end = Clock::now() + timeout;
    std::unique_lock<std::mutex> lock(m_lock);
    while (true) {
        if (m_jobs.empty() && !m_bRunning) {
            const Clock::time_point ready = m_readyAt;
            if (Clock::now() >= ready)
                return true;
            if (ready > end)
                return false;
            m_done.wait_until(lock, ready);
            continue;
        }
        if (m_done.wait_until(lock, end) == std::cv_status::timeout && Clock::now() >= end)
            return false;
    }
}

std::uint64_t CPlayCommandQueue::Runs() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_nRuns;
}

void CPlayCommandQueue::Run()
{
    std::unique_lock<std::mutex> lock(m_lock);
    while (!m_bStop) {
        if (m_jobs.empty()) {
            m_wake.wait(lock);
            continue;
        }
        // The previous command's pause first; a stop cuts it short.
        if (Clock::now() < m_readyAt) {
            m_wake.wait_until(lock, m_readyAt);
            continue;
        }
        Job job = std::move(m_jobs.front().second);
        m_jobs.pop_front();
        m_bRunning = true;
        lock.unlock();
        const std::chrono::milliseconds pause = job();
        lock.lock();
        m_bRunning = false;
        ++m_nRuns;
        m_readyAt = Clock::now() + pause;
        m_done.notify_all();
    }
    m_done.notify_all();
}
