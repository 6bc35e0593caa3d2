// A time-protocol (RFC 868) server on loopback for the NTP page's clock: on
// each connection it sends the seconds since 1900 as four big-endian bytes
// and closes, or misbehaves as a test asks.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

namespace k5sim {

class SimTimeServer
{
public:
    enum class Mode
    {
        Answer,         // 4 bytes, then close
        OneByteAtATime, // the 4 bytes in four sends, then close
        ThreeThenClose, // 3 bytes, then close
        Silent,         // accept and send nothing until stopped
    };

    SimTimeServer() = default;
    ~SimTimeServer() { Stop(); }
    SimTimeServer(const SimTimeServer&) = delete;
    SimTimeServer& operator=(const SimTimeServer&) = delete;

    // Listens on 127.0.0.1 at `port` (0: any free port).
    bool Start(std::uint16_t port = 0);
    void Stop();
    std::uint16_t Port() const { return m_port; }

    void SetMode(Mode mode) { m_mode.store(mode); }
    // The time served, in seconds since 1970 UTC; kNow: the machine's clock.
    static constexpr std::int64_t kNow = -1;
    void SetTime(std::int64_t unixSeconds) { m_time.store(unixSeconds); }
    int Connections() const { return m_connections.load(); }

private:
    void Run();
    void Serve(int fd);

    int m_listenFd = -1;
    int m_wakeFd = -1;
    std::uint16_t m_port = 0;
    std::atomic<Mode> m_mode{Mode::Answer};
    std::atomic<std::int64_t> m_time{0};
    std::atomic<int> m_connections{0};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace k5sim
