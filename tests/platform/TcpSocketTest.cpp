#include "platform/TcpSocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;

// A listening socket on a free loopback port.
class Listener
{
public:
    explicit Listener(int backlog = 16)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
        socklen_t len = sizeof(addr);
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&addr), &len);
        m_port = ntohs(addr.sin_port);
        if (backlog >= 0)
            ::listen(m_fd, backlog);
    }
    ~Listener() { ::close(m_fd); }
    std::uint16_t Port() const { return m_port; }
    int Accept() { return ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC); }

private:
    int m_fd = -1;
    std::uint16_t m_port = 0;
};

// A connected loopback pair: our TcpSocket and the raw peer descriptor.
struct LoopbackPair
{
    Listener listener;
    TcpSocket client;
    int peer = -1;
    LoopbackPair()
    {
        EXPECT_EQ(client.Connect("127.0.0.1", listener.Port(), 2000ms), 0);
        peer = listener.Accept();
        EXPECT_GE(peer, 0);
    }
    ~LoopbackPair()
    {
        if (peer >= 0)
            ::close(peer);
    }
};

std::unique_ptr<TcpSocket> SocketPair(int& peer)
{
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
        return nullptr;
    peer = fds[1];
    return std::make_unique<TcpSocket>(fds[0]);
}

bool ReadAll(int fd, void* buf, std::size_t size)
{
    auto* p = static_cast<char*>(buf);
    while (size > 0) {
        const ssize_t n = ::read(fd, p, size);
        if (n <= 0)
            return false;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

TEST(TcpSocket, ErrnoMapsToWindowsSocketErrors)
{
    struct Case
    {
        int err;
        int wsa;
    };
    const Case cases[] = {{0, 0},
                          {ETIMEDOUT, 10060},
                          {ECONNREFUSED, 10061},
                          {EADDRNOTAVAIL, 10049},
                          {EHOSTUNREACH, 10065},
                          {ENETUNREACH, 10065},
                          {EAGAIN, 10035},
                          {ECONNRESET, 10054}};
    for (const auto& c : cases)
        EXPECT_EQ(ToWsaError(c.err), c.wsa) << c.err;
    EXPECT_NE(ToWsaError(ENOMEM), 0);
}

TEST(TcpSocket, ConnectsOverLoopbackAndExchangesBytes)
{
    LoopbackPair pair;
    ASSERT_TRUE(pair.client.IsOpen());
    EXPECT_TRUE(pair.client.SetKeepAlive(3s, 2s));
    ASSERT_TRUE(pair.client.SendAll2("head", 4, "body", 4));
    char got[8];
    ASSERT_TRUE(ReadAll(pair.peer, got, sizeof(got)));
    EXPECT_EQ(std::string(got, 8), "headbody");

    ASSERT_EQ(::write(pair.peer, "answer", 6), 6);
    EXPECT_TRUE(pair.client.WaitReadable(2000ms, nullptr));
    char answer[6];
    EXPECT_EQ(pair.client.RecvExact(answer, sizeof(answer), nullptr, 2000ms), RecvResult::Ok);
    EXPECT_EQ(std::string(answer, 6), "answer");
    EXPECT_FALSE(pair.client.WaitReadable(1ms, nullptr)); // nothing more
}

TEST(TcpSocket, ConnectReportsRefusalAndTimeout)
{
    {
        Listener bound(-1); // bound, not listening: the port refuses
        TcpSocket s;
        EXPECT_EQ(s.Connect("127.0.0.1", bound.Port(), 2000ms), WSAECONNREFUSED);
        EXPECT_EQ(s.LastError(), WSAECONNREFUSED);
        EXPECT_FALSE(s.IsOpen());
    }
    {
        // A listener whose accept queue is full drops further handshakes.
        Listener full(0);
        std::vector<std::unique_ptr<TcpSocket>> sockets;
        int result = 0;
        for (int i = 0; i < 8 && result == 0; ++i) {
            sockets.push_back(std::make_unique<TcpSocket>());
            result = sockets.back()->Connect("127.0.0.1", full.Port(), 50ms);
        }
        EXPECT_EQ(result, WSAETIMEDOUT);
    }
}

TEST(TcpSocket, RecvExactEndsAtOnceWhenThePeerCloses)
{
    int peer = -1;
    auto s = SocketPair(peer);
    ASSERT_TRUE(s);
    ASSERT_EQ(::write(peer, "abc", 3), 3);
    ::close(peer); // three of the ten bytes, then the close
    char buf[10];
    // The long limit would turn a missed close into TimedOut.
    EXPECT_EQ(s->RecvExact(buf, sizeof(buf), nullptr, 60s), RecvResult::Closed);
}

TEST(TcpSocket, RecvExactStopsOnTheStopFlagAndOnClose)
{
    int peer = -1;
    auto s = SocketPair(peer);
    ASSERT_TRUE(s);
    std::atomic<bool> stop{false};
    std::atomic<bool> started{false};
    RecvResult result = RecvResult::Ok;
    std::thread receiver([&] {
        char buf[4];
        started = true;
        result = s->RecvExact(buf, sizeof(buf), &stop, 60s);
    });
    while (!started.load())
        std::this_thread::yield();
    stop = true;
    s->Wake();
    receiver.join();
    EXPECT_EQ(result, RecvResult::Stopped);

    // A wake that finds no stop flag set is not an end: the receive goes on.
    stop = false;
    s->Wake();
    std::thread late([&] { ::write(peer, "wxyz", 4); });
    char buf[4];
    EXPECT_EQ(s->RecvExact(buf, sizeof(buf), &stop, 5s), RecvResult::Ok);
    late.join();

    std::thread closer([&] {
        char b[4];
        result = s->RecvExact(b, sizeof(b), &stop, 60s);
    });
    s->Close();
    closer.join();
    EXPECT_EQ(result, RecvResult::Closed);
    ::close(peer);
}

TEST(TcpSocket, RecvExactTimesOutAfterItsLimit)
{
    int peer = -1;
    auto s = SocketPair(peer);
    ASSERT_TRUE(s);
    ASSERT_EQ(::write(peer, "ab", 2), 2); // partial data does not reset the limit
    char buf[4];
    EXPECT_EQ(s->RecvExact(buf, sizeof(buf), nullptr, 20ms), RecvResult::TimedOut);
    std::atomic<bool> stop{false};
    EXPECT_FALSE(s->WaitReadable(10ms, &stop));
    stop = true;
    ASSERT_EQ(::write(peer, "c", 1), 1);
    EXPECT_FALSE(s->WaitReadable(1000ms, &stop)); // the stop wins over data
    ::close(peer);
}

TEST(TcpSocket, PartialSendsAreContinuedToTheLastByte)
{
    LoopbackPair pair;
    const int small = 4096;
    ::setsockopt(pair.client.Fd(), SOL_SOCKET, SO_SNDBUF, &small, sizeof(small));

    std::vector<unsigned char> head(16), body(2 * 1024 * 1024);
    for (std::size_t i = 0; i < head.size(); ++i)
        head[i] = static_cast<unsigned char>(0xA0 + i);
    for (std::size_t i = 0; i < body.size(); ++i)
        body[i] = static_cast<unsigned char>((i * 7 + i / 251) & 0xFF);

    bool sent = false;
    std::thread sender(
        [&] { sent = pair.client.SendAll2(head.data(), head.size(), body.data(), body.size()); });
    // A slow reader: small reads, so the sender meets a full buffer many times.
    std::vector<unsigned char> got;
    got.reserve(head.size() + body.size());
    unsigned char chunk[997];
    while (got.size() < head.size() + body.size()) {
        const ssize_t n = ::read(pair.peer, chunk, sizeof(chunk));
        ASSERT_GT(n, 0);
        got.insert(got.end(), chunk, chunk + n);
    }
    sender.join();
    EXPECT_TRUE(sent);
    ASSERT_EQ(got.size(), head.size() + body.size());
    EXPECT_TRUE(std::equal(head.begin(), head.end(), got.begin()));
    EXPECT_TRUE(std::equal(body.begin(), body.end(), got.begin() + static_cast<std::ptrdiff_t>(head.size())));
}

TEST(TcpSocket, TwoSendingThreadsNeverInterleaveTheirMessages)
{
    LoopbackPair pair;
    const int small = 4096;
    ::setsockopt(pair.client.Fd(), SOL_SOCKET, SO_SNDBUF, &small, sizeof(small));

    constexpr int kMessages = 1500;
    auto sendMany = [&](std::uint8_t who) {
        std::vector<std::uint8_t> body;
        for (int i = 0; i < kMessages; ++i) {
            const std::uint32_t len = 1 + static_cast<std::uint32_t>((i * 131) % 5000);
            body.assign(len, who);
            std::uint8_t head[8] = {who, 0, 0, 0};
            std::memcpy(head + 4, &len, 4);
            std::memcpy(head + 1, &i, 3);
            if (!pair.client.SendAll2(head, sizeof(head), body.data(), body.size()))
                return false;
        }
        return true;
    };
    bool okA = false, okB = false;
    std::thread a([&] { okA = sendMany(0x11); });
    std::thread b([&] { okB = sendMany(0x22); });

    int next[2] = {0, 0};
    std::vector<std::uint8_t> body;
    for (int m = 0; m < 2 * kMessages; ++m) {
        std::uint8_t head[8];
        ASSERT_TRUE(ReadAll(pair.peer, head, sizeof(head)));
        ASSERT_TRUE(head[0] == 0x11 || head[0] == 0x22) << "message " << m;
        const int who = head[0] == 0x11 ? 0 : 1;
        int seq = 0;
        std::memcpy(&seq, head + 1, 3);
        ASSERT_EQ(seq, next[who]++);
        std::uint32_t len = 0;
        std::memcpy(&len, head + 4, 4);
        ASSERT_GE(len, 1u);
        ASSERT_LE(len, 5000u);
        body.resize(len);
        ASSERT_TRUE(ReadAll(pair.peer, body.data(), len));
        ASSERT_TRUE(std::all_of(body.begin(), body.end(), [&](std::uint8_t c) { return c == head[0]; }))
            << "bytes of another message inside message " << m;
    }
    a.join();
    b.join();
    EXPECT_TRUE(okA);
    EXPECT_TRUE(okB);
}

TEST(TcpSocket, CloseWakesABlockedSenderAndKeepsTheDescriptorReserved)
{
    LoopbackPair pair;
    const int small = 4096;
    ::setsockopt(pair.client.Fd(), SOL_SOCKET, SO_SNDBUF, &small, sizeof(small));
    const int fd = pair.client.Fd();

    // Nobody reads: the send blocks on a full buffer until Close.
    std::vector<char> big(8 * 1024 * 1024, 'x');
    std::atomic<bool> done{false};
    bool sent = true;
    std::thread sender([&] {
        sent = pair.client.SendAll(big.data(), big.size());
        done = true;
    });
    // Bytes at the peer mean the sender is under way; 8 MiB cannot fit the
    // buffers, so it ends up waiting for room.
    int queued = 0;
    while (queued == 0 && !done.load()) {
        std::this_thread::yield();
        ::ioctl(pair.peer, FIONREAD, &queued);
    }
    EXPECT_FALSE(done.load());
    pair.client.Close();
    sender.join();
    EXPECT_FALSE(sent);
    EXPECT_FALSE(pair.client.IsOpen());
    EXPECT_EQ(pair.client.Fd(), -1);
    EXPECT_FALSE(pair.client.SendAll("x", 1));
    char b;
    EXPECT_EQ(pair.client.RecvExact(&b, 1, nullptr, 1s), RecvResult::Closed);
    pair.client.Close(); // idempotent
    // The number stays taken until the object dies.
    EXPECT_NE(::fcntl(fd, F_GETFD), -1);
    EXPECT_NE(pair.client.Connect("127.0.0.1", pair.listener.Port(), 100ms), 0);
}

int IntOption(int fd, int level, int name)
{
    int value = -1;
    socklen_t len = sizeof(value);
    if (::getsockopt(fd, level, name, &value, &len) != 0)
        return -1;
    return value;
}

TEST(TcpSocket, AConnectedSocketEndsASilentPeerInBoundedTime)
{
    LoopbackPair pair;
    const int fd = pair.client.Fd();
    // Unacknowledged data ends the connection after the user time-out; with
    // nothing in flight, keep-alive probes do (3 s idle, 2 s apart, 5 probes).
    EXPECT_EQ(IntOption(fd, IPPROTO_TCP, TCP_USER_TIMEOUT), 15000);
    EXPECT_EQ(IntOption(fd, SOL_SOCKET, SO_KEEPALIVE), 1);
    EXPECT_EQ(IntOption(fd, IPPROTO_TCP, TCP_KEEPIDLE), 3);
    EXPECT_EQ(IntOption(fd, IPPROTO_TCP, TCP_KEEPINTVL), 2);
    EXPECT_EQ(IntOption(fd, IPPROTO_TCP, TCP_KEEPCNT), 5);
    // The session's own keep-alive setting keeps the probe count.
    EXPECT_TRUE(pair.client.SetKeepAlive(3s, 2s));
    EXPECT_EQ(IntOption(fd, IPPROTO_TCP, TCP_KEEPCNT), 5);
    EXPECT_EQ(IntOption(fd, IPPROTO_TCP, TCP_USER_TIMEOUT), 15000);
}

TEST(TcpSocket, ASendToAPeerThatTakesNothingEndsAtTheLimit)
{
    LoopbackPair pair;
    const int small = 4096;
    ::setsockopt(pair.client.Fd(), SOL_SOCKET, SO_SNDBUF, &small, sizeof(small));
    pair.client.SetSendLimit(300ms);
    // Nobody reads: without a limit the send would wait for ever.
    std::vector<char> big(8 * 1024 * 1024, 'x');
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(pair.client.SendAll(big.data(), big.size()));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 300ms);
    EXPECT_EQ(pair.client.LastError(), WSAETIMEDOUT);
    // Part of the message may have gone: the stream is lost, the socket closed
    // and a waiting receive woken.
    EXPECT_FALSE(pair.client.IsOpen());
    char b;
    EXPECT_EQ(pair.client.RecvExact(&b, 1, nullptr, 1s), RecvResult::Closed);
}

} // namespace
