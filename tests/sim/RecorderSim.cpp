#include "RecorderSim.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace k5sim {

// ---------------------------------------------------------------------------
// Codec and record builders

void PutBE32(Bytes& out, std::size_t offset, std::uint32_t value)
{
    if (out.size() < offset + 4)
        out.resize(offset + 4);
    out[offset] = std::uint8_t(value >> 24);
    out[offset + 1] = std::uint8_t(value >> 16);
    out[offset + 2] = std::uint8_t(value >> 8);
    out[offset + 3] = std::uint8_t(value);
}

std::uint32_t GetBE32(const Bytes& in, std::size_t offset)
{
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i)
        v = (v << 8) | (offset + i < in.size() ? in[offset + i] : 0);
    return v;
}

Bytes BE32(std::uint32_t value)
{
    Bytes b;
    PutBE32(b, 0, value);
    return b;
}

Bytes EncodeHeader(std::uint16_t msgId, std::uint16_t length, std::uint16_t flags, std::uint8_t sub)
{
    Bytes h(16, 0);
    PutBE32(h, 0, (std::uint32_t(msgId & 0x1FF) << 7) | (sub & 0x7F));
    PutBE32(h, 4, (std::uint32_t(flags) << 16) | length);
    return h;
}

Bytes EncodeMessage(std::uint16_t msgId, const Bytes& payload, std::uint16_t flags, std::uint8_t sub)
{
    Bytes m = EncodeHeader(msgId, static_cast<std::uint16_t>(payload.size()), flags, sub);
    m.insert(m.end(), payload.begin(), payload.end());
    return m;
}

Bytes BuildHello(const HelloConfig& c)
{
    Bytes r(768, 0);
    r[0] = c.protocolMajor;
    r[1] = c.protocolMinor;
    r[2] = c.productNumber;
    r[3] = c.productMajor;
    r[4] = c.productMinor;
    r[5] = c.frontVersion;
    r[6] = c.channelNum;
    r[7] = c.account;
    std::copy(c.mac.begin(), c.mac.end(), r.begin() + 8);
    r[14] = c.subMajor;
    r[15] = c.subMinor;
    r[16] = c.flags;
    r[17] = c.flags2;
    for (std::size_t i = 0; i < c.firmware.size() && i < 20; ++i) {
        const std::string& name = c.firmware[i].first;
        std::memcpy(r.data() + 48 + 32 * i, name.data(), std::min<std::size_t>(name.size(), 32));
        PutBE32(r, 688 + 4 * i, c.firmware[i].second);
    }
    r.resize(c.length, 0);
    return r;
}

Bytes BuildRightChange(const std::vector<UserRow>& users)
{
    Bytes r(584, 0);
    for (std::size_t u = 0; u < users.size() && u < 8; ++u) {
        for (std::size_t k = 0; k < 8; ++k)
            r[8 * k + u] = users[u].rights[k];
        r[64 + u] = users[u].level;
        std::memcpy(r.data() + 72 + 32 * u, users[u].name.data(),
                    std::min<std::size_t>(users[u].name.size(), 32));
        std::memcpy(r.data() + 328 + 32 * u, users[u].password.data(),
                    std::min<std::size_t>(users[u].password.size(), 32));
    }
    return r;
}

Bytes BuildDbChange(const DbChangeConfig& c)
{
    Bytes r(596, 0);
    PutBE32(r, 0, c.head);
    std::copy(c.hidden.begin(), c.hidden.end(), r.begin() + 4);
    for (std::size_t ch = 0; ch < 16; ++ch) {
        std::uint8_t* name = r.data() + 20 + 32 * ch;
        if (c.fullNames) {
            std::memset(name, 'A' + int(ch), 32);
        } else {
            std::memcpy(name, c.cameraNames[ch].data(), std::min<std::size_t>(c.cameraNames[ch].size(), 31));
        }
    }
    r[540] = c.audioChannel;
    std::memcpy(r.data() + 541, c.archivePass.data(), std::min<std::size_t>(c.archivePass.size(), 8));
    return r;
}

Bytes BuildNetliveChChange(const std::array<std::array<std::uint8_t, 16>, 8>& allowed)
{
    Bytes r(128, 0);
    for (std::size_t u = 0; u < 8; ++u)
        std::copy(allowed[u].begin(), allowed[u].end(), r.begin() + 16 * u);
    return r;
}

void GrantOperator(RecorderSim& sim, const std::string& user, const std::string& password)
{
    UserRow row;
    row.name = user;
    row.password = password;
    sim.Send(id::RIGHT_CHANGE, BuildRightChange({row}));
    std::array<std::array<std::uint8_t, 16>, 8> allowed{};
    for (auto& u : allowed)
        u.fill(1);
    sim.Send(id::NETLIVE_CH_CHANGE, BuildNetliveChChange(allowed));
}

Bytes BuildRecStatus(std::uint32_t status, std::uint32_t state)
{
    Bytes r(16, 0);
    PutBE32(r, 0, status);
    PutBE32(r, 4, state);
    return r;
}

Bytes Filled(std::size_t size, std::uint8_t seed)
{
    Bytes r(size);
    for (std::size_t i = 0; i < size; ++i)
        r[i] = std::uint8_t(seed + i * 7);
    return r;
}

// ---------------------------------------------------------------------------
// Server

namespace {

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Exactly `size` bytes, or false on close, error or stop.
bool ReadAll(int fd, int wakeFd, const std::atomic<bool>& stop, std::uint8_t* data, std::size_t size)
{
    while (size > 0) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
        const int rc = ::poll(fds, 2, -1);
        if (rc < 0 && errno != EINTR)
            return false;
        if (stop.load())
            return false;
        if (rc <= 0 || !(fds[0].revents & (POLLIN | POLLHUP | POLLERR)))
            continue;
        const ssize_t n = ::recv(fd, data, size, 0);
        if (n == 0)
            return false;
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

RecorderSim::RecorderSim() : RecorderSim(Config()) {}

RecorderSim::RecorderSim(const Config& config) : m_config(config)
{
    InstallDefaults();
}

RecorderSim::~RecorderSim()
{
    Stop();
}

void RecorderSim::InstallDefaults()
{
    m_handlers[id::HELLO] = [](RecorderSim& sim, const Message&) {
        if (sim.m_config.hello.reply == HelloConfig::Reply::NoAnswer)
            return;
        sim.Send(id::HELLO48_ACK, BuildHello(sim.m_config.hello));
        Hook hook;
        {
            std::lock_guard<std::mutex> lock(sim.m_lock);
            hook = sim.m_onHello;
        }
        if (hook)
            hook(sim);
    };
    m_handlers[id::ALIVE_REQ] = [](RecorderSim& sim, const Message&) {
        if (sim.m_config.answerAlive)
            sim.Send(id::ALIVE_REQ);
    };
    m_handlers[id::REC_ON_REQ] = [](RecorderSim& sim, const Message&) {
        sim.Send(id::REC_ON_ACK, BE32(std::uint32_t(sim.m_config.recOnValue)));
    };
    m_handlers[id::REC_OFF_REQ] = [](RecorderSim& sim, const Message&) {
        sim.Send(id::REC_OFF_ACK, BE32(std::uint32_t(sim.m_config.recOffValue)));
    };
    m_handlers[id::REBOOT_REQ] = [](RecorderSim& sim, const Message&) { sim.Send(id::REBOOT_ACK); };
    m_handlers[id::DVR_TIME_REQ] = [](RecorderSim& sim, const Message&) {
        if (sim.m_config.answerTime)
            sim.Send(id::DVR_TIME_ACK, BE32(sim.m_config.recorderTime));
    };
    m_handlers[id::BYE48] = [](RecorderSim& sim, const Message&) {
        if (sim.m_config.closeOnBye)
            sim.CloseClient();
    };
}

bool RecorderSim::Start()
{
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listenFd < 0)
        return false;
    const int on = 1;
    ::setsockopt(m_listenFd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(m_config.port);
    if (::bind(m_listenFd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(m_listenFd, 4) != 0) {
        ::close(m_listenFd);
        m_listenFd = -1;
        return false;
    }
    socklen_t len = sizeof addr;
    ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&addr), &len);
    m_port = ntohs(addr.sin_port);
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC);
    m_stop = false;
    m_acceptThread = std::thread([this] { AcceptLoop(); });
    return true;
}

void RecorderSim::Stop()
{
    if (m_wakeFd < 0)
        return;
    m_stop = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t w = ::write(m_wakeFd, &one, sizeof one);
    DropClient();
    if (m_acceptThread.joinable())
        m_acceptThread.join();
    for (auto& t : m_sessionThreads) {
        if (t.joinable())
            t.join();
    }
    m_sessionThreads.clear();
    if (m_listenFd >= 0)
        ::close(m_listenFd);
    m_listenFd = -1;
    ::close(m_wakeFd);
    m_wakeFd = -1;
}

void RecorderSim::AcceptLoop()
{
    while (!m_stop) {
        pollfd fds[2] = {{m_listenFd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR)
            return;
        if (m_stop)
            return;
        if (!(fds[0].revents & POLLIN))
            continue;
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        {
            // One session at a time: a client that comes while one is served
            // is closed at once.
            std::lock_guard<std::mutex> lock(m_lock);
            if (m_clientFd >= 0) {
                ::close(fd);
                ++m_turned;
                m_changed.notify_all();
                continue;
            }
        }
        // A session that was closed from here may still be finishing the
        // message it was handling; it ends before the next one begins, so
        // nothing of it reaches the next client.
        JoinEndedSessions();
        const int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        if (m_config.deadPeerLimit.count() > 0) {
            const unsigned limit = static_cast<unsigned>(m_config.deadPeerLimit.count());
            ::setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &limit, sizeof limit);
        }
        Hook hook;
        bool last;
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_clientFd = fd;
            ++m_connections;
            last = m_config.sessionLimit != 0 && m_connections >= m_config.sessionLimit;
            hook = m_onConnect;
        }
        if (last) {
            // Further clients are refused, as by a recorder that is gone.
            ::close(m_listenFd);
            m_listenFd = -1;
        }
        m_changed.notify_all();
        if (hook)
            hook(*this);
        m_sessionThreads.emplace_back([this, fd] { SessionLoop(fd); });
        if (last)
            return;
    }
}

void RecorderSim::JoinEndedSessions()
{
    for (auto& t : m_sessionThreads) {
        if (t.joinable())
            t.join();
    }
    m_sessionThreads.clear();
}

void RecorderSim::SessionLoop(int fd)
{
    for (;;) {
        std::uint8_t head[16];
        if (!ReadAll(fd, m_wakeFd, m_stop, head, sizeof head))
            break;
        Bytes h(head, head + 16);
        Message m;
        const std::uint32_t w0 = GetBE32(h, 0);
        const std::uint32_t w1 = GetBE32(h, 4);
        m.id = static_cast<std::uint16_t>((w0 >> 7) & 0x1FF);
        m.sub = static_cast<std::uint8_t>(w0 & 0x7F);
        m.length = static_cast<std::uint16_t>(w1 & 0xFFFF);
        m.flags = static_cast<std::uint16_t>(w1 >> 16);
        m.header = h;
        m.payload.resize(m.length);
        if (m.length > 0 && !ReadAll(fd, m_wakeFd, m_stop, m.payload.data(), m.length))
            break;
        m.time = Clock::now();
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_received.push_back(m);
        }
        m_changed.notify_all();
        Dispatch(m);
    }
    {
        // No send may be writing to the descriptor while it is released.
        std::lock_guard<std::mutex> send(m_sendLock);
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_clientFd == fd) {
            ::shutdown(fd, SHUT_RDWR);
            m_clientFd = -1;
        }
        ::close(fd);
    }
    {
        // Held while the hooks run, so that an owner that removed its hook
        // may be destroyed right after.
        std::lock_guard<std::mutex> hooks(m_sessionEndLock);
        for (const auto& entry : m_onSessionEnd)
            entry.second(*this);
    }
    {
        std::lock_guard<std::mutex> lock(m_lock);
        ++m_sessionsEnded;
    }
    m_changed.notify_all();
}

namespace {
// How many handlers this thread is running: a handler may replace handlers
// itself, and must not wait for its own end.
thread_local int t_handlerDepth = 0;
} // namespace

void RecorderSim::Dispatch(const Message& message)
{
    Handler handler;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        auto it = m_handlers.find(message.id);
        if (it == m_handlers.end() || !it->second)
            return;
        handler = it->second;
        ++m_running[message.id];
    }
    ++t_handlerDepth;
    handler(*this, message);
    --t_handlerDepth;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        --m_running[message.id];
    }
    m_handlerIdle.notify_all();
}

void RecorderSim::SetHandler(std::uint16_t msgId, Handler handler)
{
    std::unique_lock<std::mutex> lock(m_lock);
    // Bounded: a handler that a test keeps blocked must not hang the test.
    if (t_handlerDepth == 0)
        m_handlerIdle.wait_for(lock, std::chrono::seconds(30), [&] { return m_running[msgId] == 0; });
    m_handlers[msgId] = std::move(handler);
}

void RecorderSim::Refuse(std::uint16_t requestId, std::uint16_t nackId, std::int32_t reason)
{
    SetHandler(requestId,
               [nackId, reason](RecorderSim& sim, const Message&) { sim.SendReason(nackId, reason); });
}

void RecorderSim::OnHello(Hook hook)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_onHello = std::move(hook);
}

void RecorderSim::OnConnect(Hook hook)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_onConnect = std::move(hook);
}

void RecorderSim::OnSessionEnd(const void* owner, Hook hook)
{
    std::lock_guard<std::mutex> lock(m_sessionEndLock);
    if (hook)
        m_onSessionEnd[owner] = std::move(hook);
    else
        m_onSessionEnd.erase(owner);
}

bool RecorderSim::SendLocked(const Bytes& bytes)
{
    std::lock_guard<std::mutex> send(m_sendLock);
    int fd;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        fd = m_clientFd;
    }
    if (fd < 0)
        return false;
    return WriteAll(fd, bytes.data(), bytes.size());
}

bool RecorderSim::Send(std::uint16_t msgId, const Bytes& payload, std::uint16_t flags, std::uint8_t sub)
{
    return SendLocked(EncodeMessage(msgId, payload, flags, sub));
}

bool RecorderSim::SendReason(std::uint16_t msgId, std::int32_t reason)
{
    return Send(msgId, BE32(static_cast<std::uint32_t>(reason)));
}

bool RecorderSim::SendRaw(const Bytes& bytes)
{
    return SendLocked(bytes);
}

bool RecorderSim::SendDeclared(std::uint16_t msgId, std::uint16_t declared, const Bytes& payload)
{
    Bytes m = EncodeHeader(msgId, declared);
    m.insert(m.end(), payload.begin(), payload.end());
    return SendLocked(m);
}

bool RecorderSim::SendCutAndClose(std::uint16_t msgId, const Bytes& payload, std::size_t cut)
{
    Bytes m = EncodeMessage(msgId, payload);
    m.resize(std::min(cut, m.size()));
    const bool ok = SendLocked(m);
    CloseClient();
    return ok;
}

void RecorderSim::DropClient(bool reset)
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_clientFd >= 0) {
        if (reset) {
            // A zero linger time makes the release send RST instead of FIN;
            // the shutdown would send FIN first, so it is left out.
            const linger hard{1, 0};
            ::setsockopt(m_clientFd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
            // Wakes the session's read, which then releases the descriptor.
            ::shutdown(m_clientFd, SHUT_RD);
        } else {
            ::shutdown(m_clientFd, SHUT_RDWR);
        }
        m_clientFd = -1;
    }
}

void RecorderSim::CloseClient()
{
    DropClient();
    m_changed.notify_all();
}

void RecorderSim::ResetClient()
{
    DropClient(true);
    m_changed.notify_all();
}

std::vector<Message> RecorderSim::Received() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_received;
}

std::size_t RecorderSim::Count(std::uint16_t msgId) const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return static_cast<std::size_t>(std::count_if(m_received.begin(), m_received.end(),
                                                  [msgId](const Message& m) { return m.id == msgId; }));
}

std::vector<Message> RecorderSim::ReceivedOf(std::uint16_t msgId) const
{
    std::vector<Message> out;
    for (const Message& m : Received()) {
        if (m.id == msgId)
            out.push_back(m);
    }
    return out;
}

void RecorderSim::ClearReceived()
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_received.clear();
}

bool RecorderSim::WaitFor(const std::function<bool(const std::vector<Message>&)>& predicate,
                          std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(m_lock);
    return m_changed.wait_for(lock, timeout, [&] { return predicate(m_received); });
}

bool RecorderSim::WaitForCount(std::uint16_t msgId, std::size_t count, std::chrono::milliseconds timeout)
{
    return WaitFor(
        [&](const std::vector<Message>& all) {
            return static_cast<std::size_t>(std::count_if(
                       all.begin(), all.end(), [msgId](const Message& m) { return m.id == msgId; })) >= count;
        },
        timeout);
}

bool RecorderSim::WaitForConnections(std::size_t n, std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(m_lock);
    return m_changed.wait_for(lock, timeout, [&] { return m_connections >= n; });
}

bool RecorderSim::WaitForClientGone(std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(m_lock);
    return m_changed.wait_for(lock, timeout, [&] { return m_clientFd < 0; });
}

bool RecorderSim::WaitForSessionsEnded(std::size_t n, std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(m_lock);
    return m_changed.wait_for(lock, timeout, [&] { return m_sessionsEnded >= n; });
}

bool RecorderSim::ClientConnected() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_clientFd >= 0;
}

std::size_t RecorderSim::Connections() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_connections;
}

std::size_t RecorderSim::Turned() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_turned;
}

} // namespace k5sim

namespace k5sim {

Bytes BuildDstInfo(const std::vector<std::array<std::uint8_t, 12>>& rules)
{
    Bytes out(1204, 0);
    PutBE32(out, 0, static_cast<std::uint32_t>(std::min<std::size_t>(rules.size(), 100)));
    for (std::size_t i = 0; i < rules.size() && i < 100; ++i)
        std::copy(rules[i].begin(), rules[i].end(), out.begin() + 4 + 12 * static_cast<std::ptrdiff_t>(i));
    return out;
}

Bytes BuildSysEtcInfo(const std::vector<std::uint8_t>& languageIds)
{
    Bytes out(320, 0);
    for (std::size_t i = 0; i < languageIds.size() && i < 64; ++i)
        out[i] = languageIds[i];
    return out;
}

Bytes BuildSysEtcInfoEx(const std::vector<std::string>& languageNames)
{
    Bytes out(3200, 0);
    for (std::size_t i = 0; i < languageNames.size() && i < 64; ++i)
        std::copy_n(languageNames[i].begin(), std::min<std::size_t>(languageNames[i].size(), 16),
                    out.begin() + 16 * static_cast<std::ptrdiff_t>(i));
    return out;
}

} // namespace k5sim
