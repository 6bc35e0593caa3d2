#include "platform/TcpSocket.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

using Clock = std::chrono::steady_clock;

int ToWsaError(int e)
{
    switch (e) {
    case 0:
        return 0;
    case EINTR:
        return 10004;
    case EBADF:
        return 10009;
    case EACCES:
        return 10013;
    case EFAULT:
        return 10014;
    case EINVAL:
        return 10022;
    case EMFILE:
        return 10024;
    case EAGAIN:
        return WSAEWOULDBLOCK;
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
        return WSAEWOULDBLOCK;
#endif
    case EINPROGRESS:
        return 10036;
    case EALREADY:
        return 10037;
    case ENOTSOCK:
        return 10038;
    case EDESTADDRREQ:
        return 10039;
    case EMSGSIZE:
        return 10040;
    case EPROTOTYPE:
        return 10041;
    case ENOPROTOOPT:
        return 10042;
    case EPROTONOSUPPORT:
        return 10043;
    case ESOCKTNOSUPPORT:
        return 10044;
    case EOPNOTSUPP:
        return 10045;
    case EPFNOSUPPORT:
        return 10046;
    case EAFNOSUPPORT:
        return 10047;
    case EADDRINUSE:
        return 10048;
    case EADDRNOTAVAIL:
        return WSAEADDRNOTAVAIL;
    case ENETDOWN:
        return 10050;
    case ENETUNREACH:
        return WSAEHOSTUNREACH;
    case ENETRESET:
        return 10052;
    case ECONNABORTED:
        return 10053;
    case ECONNRESET:
        return 10054;
    case EPIPE:
        return 10054; // a send after the peer's reset is WSAECONNRESET there too
    case ENOBUFS:
        return 10055;
    case EISCONN:
        return 10056;
    case ENOTCONN:
        return 10057;
    case ESHUTDOWN:
        return 10058;
    case ETIMEDOUT:
        return WSAETIMEDOUT;
    case ECONNREFUSED:
        return WSAECONNREFUSED;
    case EHOSTDOWN:
        return 10064;
    case EHOSTUNREACH:
        return WSAEHOSTUNREACH;
    default:
        return 10000 + e;
    }
}

namespace {

// Milliseconds left until the deadline, rounded up so a wait never spins on 0.
int RemainingMs(Clock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0)
        return 0;
    return static_cast<int>(std::min<long long>(left, INT_MAX));
}

Clock::time_point DeadlineAfter(std::chrono::milliseconds limit)
{
    // Ten years stands for "no limit" without overflowing the clock.
    constexpr auto kMax = std::chrono::hours(24 * 365 * 10);
    if (limit < std::chrono::milliseconds::zero())
        limit = std::chrono::milliseconds::zero();
    return Clock::now() + std::min<std::chrono::milliseconds>(limit, kMax);
}

void Signal(int eventFd)
{
    if (eventFd < 0)
        return;
    const std::uint64_t one = 1;
    ssize_t n;
    do {
        n = ::write(eventFd, &one, sizeof(one));
    } while (n < 0 && errno == EINTR);
}

void Drain(int eventFd)
{
    if (eventFd < 0)
        return;
    std::uint64_t value = 0;
    ssize_t n;
    do {
        n = ::read(eventFd, &value, sizeof(value));
    } while (n < 0 && errno == EINTR);
}

int SocketError(int fd)
{
    int err = 0;
    socklen_t len = sizeof(err);
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0)
        return errno;
    return err;
}

// A silent peer ends the connection in bounded time (see kTcpUserTimeout).
void LimitDeadPeer(int fd)
{
    const int on = 1;
    const int idle = static_cast<int>(kTcpKeepAliveIdle.count());
    const int interval = static_cast<int>(kTcpKeepAliveInterval.count());
    const int probes = kTcpKeepAliveProbes;
    const unsigned userTimeout = static_cast<unsigned>(kTcpUserTimeout.count());
    ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof(on));
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof(idle));
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof(interval));
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof(probes));
    ::setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &userTimeout, sizeof(userTimeout));
}

struct AddrInfoDeleter
{
    void operator()(addrinfo* p) const { ::freeaddrinfo(p); }
};

} // namespace

TcpSocket::TcpSocket()
{
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    m_closeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

TcpSocket::TcpSocket(int fd) : TcpSocket()
{
    if (fd >= 0) {
        m_ownedFd = fd;
        m_fd.store(fd);
    }
}

TcpSocket::TcpSocket(MemoryTag, const void* data, std::size_t size)
    : m_memory(true), m_feed(static_cast<const unsigned char*>(data)), m_feedSize(data ? size : 0)
{
}

std::unique_ptr<TcpSocket> TcpSocket::FromBytes(const void* data, std::size_t size)
{
    return std::unique_ptr<TcpSocket>(new TcpSocket(MemoryTag{}, data, size));
}

TcpSocket::~TcpSocket()
{
    Close();
    if (m_ownedFd >= 0)
        ::close(m_ownedFd);
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
    if (m_closeFd >= 0)
        ::close(m_closeFd);
}

int TcpSocket::Connect(const std::string& host, std::uint16_t port, std::chrono::milliseconds timeout)
{
    auto fail = [this](int wsa) {
        m_lastError.store(wsa);
        return wsa;
    };
    if (m_closed.load())
        return fail(ToWsaError(ENOTSOCK));
    if (m_ownedFd >= 0)
        return fail(ToWsaError(EISCONN));

    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* raw = nullptr;
    const std::string service = std::to_string(port);
    if (::getaddrinfo(host.c_str(), service.c_str(), &hints, &raw) != 0 || raw == nullptr)
        return fail(WSAHOST_NOT_FOUND);
    std::unique_ptr<addrinfo, AddrInfoDeleter> list(raw);

    const auto deadline = DeadlineAfter(timeout);
    int lastErrno = ETIMEDOUT;
    for (addrinfo* ai = list.get(); ai != nullptr; ai = ai->ai_next) {
        const int fd =
            ::socket(ai->ai_family, ai->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, ai->ai_protocol);
        if (fd < 0) {
            lastErrno = errno;
            continue;
        }
        int err = 0;
        if (::connect(fd, ai->ai_addr, ai->ai_addrlen) != 0) {
            err = errno;
            while (err == EINPROGRESS || err == EINTR) {
                const int ms = RemainingMs(deadline);
                if (ms == 0) {
                    err = ETIMEDOUT;
                    break;
                }
                pollfd fds[2] = {{fd, POLLOUT, 0}, {m_closeFd, POLLIN, 0}};
                const int rc = ::poll(fds, 2, ms);
                if (rc < 0 && errno != EINTR) {
                    err = errno;
                    break;
                }
                if (m_closed.load()) {
                    err = EINTR;
                    break;
                }
                if (rc > 0 && fds[0].revents != 0)
                    err = SocketError(fd);
                else
                    err = EINPROGRESS;
            }
        }
        if (err != 0) {
            ::close(fd);
            lastErrno = err;
            if (err == EINTR || err == ETIMEDOUT)
                break; // closed by another thread, or no time left for the next address
            continue;
        }
        // Every later call passes MSG_DONTWAIT itself; a blocking descriptor is
        // what anyone handed Fd() expects.
        const int flags = ::fcntl(fd, F_GETFL);
        if (flags >= 0)
            ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
        LimitDeadPeer(fd);
        m_ownedFd = fd;
        m_fd.store(fd);
        // A Close that ran while we connected saw no descriptor yet: honour it.
        if (m_closed.load()) {
            const int published = m_fd.exchange(-1);
            if (published >= 0)
                ::shutdown(published, SHUT_RDWR);
            return fail(ToWsaError(EINTR));
        }
        m_lastError.store(0);
        return 0;
    }
    return fail(ToWsaError(lastErrno));
}

void TcpSocket::Close()
{
    m_closed.store(true);
    const int fd = m_fd.exchange(-1);
    if (fd >= 0)
        ::shutdown(fd, SHUT_RDWR);
    Signal(m_closeFd);
    Signal(m_wakeFd);
}

void TcpSocket::Wake()
{
    Signal(m_wakeFd);
}

bool TcpSocket::SendAll(const void* data, std::size_t size)
{
    return SendAll2(data, size, nullptr, 0);
}

bool TcpSocket::SendAll2(const void* head, std::size_t headSize, const void* body, std::size_t bodySize)
{
    if ((headSize > 0 && head == nullptr) || (bodySize > 0 && body == nullptr))
        return false;
    std::lock_guard lock(m_sendMutex);
    if (m_memory)
        return !m_closed.load();
    const int fd = m_fd.load();
    if (fd < 0 || m_closed.load())
        return false;

    iovec iov[2];
    int count = 0;
    if (headSize > 0)
        iov[count++] = {const_cast<void*>(head), headSize};
    if (bodySize > 0)
        iov[count++] = {const_cast<void*>(body), bodySize};
    iovec* cur = iov;
    const auto deadline = DeadlineAfter(std::chrono::milliseconds(m_sendLimitMs.load()));

    while (count > 0) {
        if (m_closed.load())
            return false;
        msghdr msg{};
        msg.msg_iov = cur;
        msg.msg_iovlen = static_cast<std::size_t>(count);
        const ssize_t n = ::sendmsg(fd, &msg, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0) {
            const int err = errno;
            if (err == EINTR)
                continue;
            if (err != EAGAIN && err != EWOULDBLOCK) {
                m_lastError.store(ToWsaError(err));
                return false;
            }
            // The socket's buffer is full: wait until it drains, we are
            // closed or the limit has passed. The caller may be the GUI thread.
            const int ms = RemainingMs(deadline);
            if (ms == 0) {
                m_lastError.store(WSAETIMEDOUT);
                Close(); // wakes the receive loop, which ends the session
                return false;
            }
            pollfd fds[2] = {{fd, POLLOUT, 0}, {m_closeFd, POLLIN, 0}};
            if (::poll(fds, 2, ms) < 0 && errno != EINTR) {
                m_lastError.store(ToWsaError(errno));
                return false;
            }
            continue;
        }
        // A partial send leaves the rest for the next round, in order.
        auto sent = static_cast<std::size_t>(n);
        while (count > 0 && sent >= cur->iov_len) {
            sent -= cur->iov_len;
            ++cur;
            --count;
        }
        if (count > 0) {
            cur->iov_base = static_cast<char*>(cur->iov_base) + sent;
            cur->iov_len -= sent;
        }
    }
    return true;
}

RecvResult TcpSocket::RecvExact(void* buffer, std::size_t size, const std::atomic<bool>* stop,
                                std::chrono::milliseconds limit)
{
    if (m_memory) {
        if (m_closed.load())
            return RecvResult::Closed;
        if (size == 0)
            return RecvResult::Ok;
        if (buffer == nullptr)
            return RecvResult::Error;
        if (stop && stop->load())
            return RecvResult::Stopped;
        // A message cut off by the end of the bytes is a peer that closed.
        if (m_feedSize - m_feedPos < size) {
            m_feedPos = m_feedSize;
            return RecvResult::Closed;
        }
        std::memcpy(buffer, m_feed + m_feedPos, size);
        m_feedPos += size;
        return RecvResult::Ok;
    }
    const int fd = m_fd.load();
    if (fd < 0 || m_closed.load())
        return RecvResult::Closed;
    if (size == 0)
        return RecvResult::Ok;
    if (buffer == nullptr)
        return RecvResult::Error;
    auto* out = static_cast<char*>(buffer);
    const auto deadline = DeadlineAfter(limit);
    std::size_t got = 0;
    while (got < size) {
        if (stop && stop->load())
            return RecvResult::Stopped;
        if (m_closed.load())
            return RecvResult::Closed;
        const ssize_t n = ::recv(fd, out + got, size - got, MSG_DONTWAIT);
        if (n > 0) {
            got += static_cast<std::size_t>(n);
            continue;
        }
        if (n == 0)
            return RecvResult::Closed; // the peer closed: no more bytes will come
        const int err = errno;
        if (err == EINTR)
            continue;
        if (err != EAGAIN && err != EWOULDBLOCK) {
            if (m_closed.load())
                return RecvResult::Closed;
            m_lastError.store(ToWsaError(err));
            return RecvResult::Error;
        }
        const int ms = RemainingMs(deadline);
        if (ms == 0)
            return RecvResult::TimedOut;
        pollfd fds[3] = {{fd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}, {m_closeFd, POLLIN, 0}};
        const int rc = ::poll(fds, 3, ms);
        if (rc < 0) {
            if (errno == EINTR)
                continue;
            m_lastError.store(ToWsaError(errno));
            return RecvResult::Error;
        }
        if (fds[1].revents & POLLIN) {
            if (stop && stop->load())
                return RecvResult::Stopped;
            if (m_closed.load())
                return RecvResult::Closed;
            Drain(m_wakeFd); // a wake that was not for us
        }
    }
    return RecvResult::Ok;
}

bool TcpSocket::WaitReadable(std::chrono::milliseconds timeout, const std::atomic<bool>* stop)
{
    const int fd = m_fd.load();
    if (fd < 0)
        return false;
    const auto deadline = DeadlineAfter(timeout);
    while (true) {
        if (stop && stop->load())
            return false;
        if (m_closed.load())
            return false;
        pollfd fds[3] = {{fd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}, {m_closeFd, POLLIN, 0}};
        const int rc = ::poll(fds, 3, RemainingMs(deadline));
        if (rc < 0) {
            if (errno == EINTR)
                continue;
            m_lastError.store(ToWsaError(errno));
            return false;
        }
        if (stop && stop->load())
            return false;
        if (m_closed.load())
            return false;
        if (fds[0].revents & (POLLIN | POLLHUP))
            return true;
        if (fds[0].revents & (POLLERR | POLLNVAL)) {
            m_lastError.store(ToWsaError(SocketError(fd)));
            return false;
        }
        if (fds[1].revents & POLLIN)
            Drain(m_wakeFd);
        if (rc == 0 || RemainingMs(deadline) == 0)
            return false;
    }
}

bool TcpSocket::SetKeepAlive(std::chrono::seconds idle, std::chrono::seconds interval)
{
    const int fd = m_fd.load();
    if (fd < 0)
        return false;
    const int on = 1;
    const int idleS = static_cast<int>(std::clamp<long long>(idle.count(), 1, 32767));
    const int intervalS = static_cast<int>(std::clamp<long long>(interval.count(), 1, 32767));
    const int probes = kTcpKeepAliveProbes;
    if (::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof(on)) != 0 ||
        ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idleS, sizeof(idleS)) != 0 ||
        ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &intervalS, sizeof(intervalS)) != 0 ||
        ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof(probes)) != 0) {
        m_lastError.store(ToWsaError(errno));
        return false;
    }
    return true;
}
