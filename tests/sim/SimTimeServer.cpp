#include "SimTimeServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <ctime>
#include <vector>

namespace k5sim {

bool SimTimeServer::Start(std::uint16_t port)
{
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listenFd < 0)
        return false;
    int one = 1;
    ::setsockopt(m_listenFd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (::bind(m_listenFd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(m_listenFd, 8) != 0 ||
        ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        ::close(m_listenFd);
        m_listenFd = -1;
        return false;
    }
    m_port = ntohs(addr.sin_port);
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC);
    m_stop.store(false);
    m_thread = std::thread([this] { Run(); });
    return true;
}

void SimTimeServer::Stop()
{
    if (!m_thread.joinable())
        return;
    m_stop.store(true);
    const std::uint64_t v = 1;
    (void)!::write(m_wakeFd, &v, sizeof v);
    m_thread.join();
    ::close(m_listenFd);
    ::close(m_wakeFd);
    m_listenFd = m_wakeFd = -1;
}

void SimTimeServer::Run()
{
    std::vector<int> held; // silent connections, closed at the end
    while (!m_stop.load()) {
        pollfd fds[2] = {{m_listenFd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0)
            continue;
        if (fds[1].revents != 0)
            break;
        if ((fds[0].revents & POLLIN) == 0)
            continue;
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        m_connections.fetch_add(1);
        if (m_mode.load() == Mode::Silent) {
            held.push_back(fd);
            continue;
        }
        Serve(fd);
        ::close(fd);
    }
    for (int fd : held)
        ::close(fd);
}

void SimTimeServer::Serve(int fd)
{
    const std::int64_t t =
        m_time.load() == kNow ? static_cast<std::int64_t>(std::time(nullptr)) : m_time.load();
    const auto v = static_cast<std::uint32_t>(t + 2208988800LL);
    const std::uint8_t b[4] = {static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16),
                               static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    switch (m_mode.load()) {
    case Mode::Answer:
        (void)!::send(fd, b, 4, MSG_NOSIGNAL);
        break;
    case Mode::OneByteAtATime:
        for (const std::uint8_t& byte : b)
            (void)!::send(fd, &byte, 1, MSG_NOSIGNAL);
        break;
    case Mode::ThreeThenClose:
        (void)!::send(fd, b, 3, MSG_NOSIGNAL);
        break;
    case Mode::Silent:
        break;
    }
}

} // namespace k5sim
