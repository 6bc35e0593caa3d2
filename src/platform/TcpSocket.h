// A TCP socket with one send lock held across whole messages and receives that
// honour a stop flag, a peer close and a time limit without polling in sleeps.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

// Windows socket error numbers the client reports, mapped from errno.
constexpr int WSAETIMEDOUT = 10060;
constexpr int WSAECONNREFUSED = 10061;
constexpr int WSAEADDRNOTAVAIL = 10049;
constexpr int WSAEHOSTUNREACH = 10065;
constexpr int WSAEWOULDBLOCK = 10035;
constexpr int WSAHOST_NOT_FOUND = 11001; // the name did not resolve
// 0 stays 0; errno values without a Windows twin become 10000 + errno.
int ToWsaError(int errnoValue);

enum class RecvResult { Ok, Closed, Error, Stopped, TimedOut };

// How long a connected socket waits for a silent peer. Sent data that stays
// unacknowledged this long ends the connection (a periodic request keeps data
// in flight, so keep-alive probes alone would never run); while nothing is in
// flight, keep-alive probes end it after the idle time and the probes.
inline constexpr std::chrono::milliseconds kTcpUserTimeout{15000};
inline constexpr std::chrono::seconds kTcpKeepAliveIdle{3};
inline constexpr std::chrono::seconds kTcpKeepAliveInterval{2};
inline constexpr int kTcpKeepAliveProbes = 5;
// The longest a send waits for room in the socket's buffer.
inline constexpr std::chrono::milliseconds kTcpSendLimit{20000};

class TcpSocket
{
public:
    TcpSocket();
    explicit TcpSocket(int fd); // adopts a connected descriptor (tests: socketpair)
    // A socket without a descriptor: its receives read `size` bytes from
    // `data` (not copied: they must outlive the socket) and then find the
    // peer closed; its sends succeed and go nowhere. The receive path run
    // straight from memory, with no system call (fuzz targets).
    static std::unique_ptr<TcpSocket> FromBytes(const void* data, std::size_t size);
    ~TcpSocket();
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    // Resolves host (name or dotted address) and connects. 0 on success, else
    // a Windows socket error number (10060, 10061, ...).
    int Connect(const std::string& host, std::uint16_t port, std::chrono::milliseconds timeout);
    bool IsOpen() const { return m_fd.load() >= 0 || (m_memory && !m_closed.load()); }
    int Fd() const { return m_fd.load(); }

    // Shuts the socket down and wakes every waiting receive; idempotent and safe
    // from any thread. The descriptor is released by the destructor, so it is
    // never reused while another thread may still name it.
    void Close();
    // Wakes waiting receives without closing (they re-check their stop flag).
    void Wake();

    // Sends every byte of the buffers in order, continuing partial sends, under
    // the send lock. False once the socket is closed or on any error. A peer
    // that takes nothing for the send limit closes the socket (part of a
    // message may have gone out, so the stream is lost) and fails the send
    // with WSAETIMEDOUT.
    bool SendAll(const void* data, std::size_t size);
    bool SendAll2(const void* head, std::size_t headSize, const void* body, std::size_t bodySize);
    // SendAll and SendAll2 take this lock themselves: never call them while
    // holding it (it is not recursive).
    std::mutex& SendMutex() { return m_sendMutex; }

    // Receives exactly `size` bytes. Closed when the peer closed (0 bytes),
    // Stopped when *stop became true, TimedOut after `limit` in total.
    RecvResult RecvExact(void* buffer, std::size_t size, const std::atomic<bool>* stop,
                         std::chrono::milliseconds limit = std::chrono::seconds(180));
    // Waits until data can be read (true; a peer's close counts, the next
    // receive reports it) or the stop flag, a close, an error or the time-out
    // ends the wait (false).
    bool WaitReadable(std::chrono::milliseconds timeout, const std::atomic<bool>* stop);

    // TCP keep-alive: first probe after `idle`, then every `interval`; the
    // connection ends after kTcpKeepAliveProbes unanswered probes. Connect
    // sets the defaults above together with the user time-out.
    bool SetKeepAlive(std::chrono::seconds idle, std::chrono::seconds interval);
    // Tests shorten the send limit.
    void SetSendLimit(std::chrono::milliseconds limit) { m_sendLimitMs.store(limit.count()); }

    int LastError() const { return m_lastError.load(); }

private:
    struct MemoryTag
    {
    };
    TcpSocket(MemoryTag, const void* data, std::size_t size);

    std::atomic<int> m_fd{-1};
    int m_ownedFd = -1;
    int m_wakeFd = -1;  // eventfd that breaks a receive's poll (Wake, Close)
    int m_closeFd = -1; // eventfd set once by Close, never cleared
    std::atomic<bool> m_closed{false};
    std::atomic<int> m_lastError{0};
    std::atomic<long long> m_sendLimitMs{kTcpSendLimit.count()};
    std::mutex m_sendMutex;
    // FromBytes: the bytes the receives hand out, and how many they took.
    bool m_memory = false;
    const unsigned char* m_feed = nullptr;
    std::size_t m_feedSize = 0;
    std::size_t m_feedPos = 0;
};
