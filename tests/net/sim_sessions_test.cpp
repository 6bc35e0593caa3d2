// The recorder simulator serves one session after another, whichever way the
// last one ended, with the same streams and state; a client that comes while
// a session runs is closed at once; a one-session simulator refuses the next.
#include "RecorderSim.h"
#include "SimLive.h"
#include "SimSetup.h"
#include "TestHost.h"
#include "net/NetClient.h"
#include "net/NetMessages.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <optional>

namespace {

using k5sim::Bytes;
using namespace std::chrono_literals;
namespace sid = k5sim::id;

// A loopback client that reads whole messages and tells how its end came.
class RawClient
{
public:
    explicit RawClient(std::uint16_t port)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_ok = ::connect(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    ~RawClient() { Close(); }
    bool Ok() const { return m_ok; }
    void Close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }
    void Send(std::uint16_t id, const Bytes& payload = {})
    {
        const Bytes m = k5sim::EncodeMessage(id, payload);
        ASSERT_EQ(::send(m_fd, m.data(), m.size(), MSG_NOSIGNAL), ssize_t(m.size()));
    }
    // The id of the next message; nullopt when the connection ended (see
    // End) or nothing came for 10 s.
    std::optional<std::uint16_t> Next()
    {
        std::uint8_t head[16];
        if (!Read(head, 16))
            return std::nullopt;
        const std::uint32_t w0 = (std::uint32_t(head[0]) << 24) | (std::uint32_t(head[1]) << 16) |
                                 (std::uint32_t(head[2]) << 8) | head[3];
        const std::size_t length = (std::size_t(head[6]) << 8) | head[7];
        Bytes payload(length);
        if (length > 0 && !Read(payload.data(), length))
            return std::nullopt;
        return static_cast<std::uint16_t>((w0 >> 7) & 0x1FF);
    }
    // Reads until `id` arrives; the ids before it go to `before`.
    bool ReadUntil(std::uint16_t id, std::vector<std::uint16_t>* before = nullptr)
    {
        for (;;) {
            const auto next = Next();
            if (!next)
                return false;
            if (*next == id)
                return true;
            if (before)
                before->push_back(*next);
        }
    }
    // How the connection ended (None while it has not).
    enum class End
    {
        None,
        Closed,
        Reset,
        TimedOut
    };
    End WaitEnd()
    {
        while (m_end == End::None) {
            std::uint8_t b[4096];
            if (!Read(b, sizeof b, true))
                break;
        }
        return m_end;
    }

private:
    bool Read(std::uint8_t* p, std::size_t n, bool any = false)
    {
        while (n > 0) {
            pollfd pfd{m_fd, POLLIN, 0};
            if (::poll(&pfd, 1, 10000) <= 0) {
                m_end = End::TimedOut;
                return false;
            }
            const ssize_t r = ::recv(m_fd, p, n, 0);
            if (r == 0) {
                m_end = End::Closed;
                return false;
            }
            if (r < 0) {
                m_end = errno == ECONNRESET ? End::Reset : End::TimedOut;
                return false;
            }
            if (any)
                return true;
            p += r;
            n -= std::size_t(r);
        }
        return true;
    }

    int m_fd = -1;
    bool m_ok = false;
    End m_end = End::None;
};

k5sim::SimStream SmallStream()
{
    k5sim::SimStream s;
    for (int i = 0; i < 4; ++i)
        s.frames.push_back(k5sim::SimFrame{Bytes(500, std::uint8_t(i)), i == 0});
    return s;
}

Bytes Hello()
{
    Bytes b(32, 0);
    const char user[] = "admin";
    std::copy(user, user + 5, b.begin());
    return b;
}

enum class Ending
{
    ClientBye,
    ClientClose,
    RecorderClose,
    RecorderReset,
};

TEST(SimSessions, EachSessionFollowsTheLastHoweverItEndedAndASecondClientIsTurnedAway)
{
    k5sim::RecorderSim sim;
    k5sim::SimLive live(sim);
    for (int ch = 0; ch < 16; ++ch)
        live.SetStream(ch, SmallStream());
    ASSERT_TRUE(sim.Start());

    const struct
    {
        Ending ending;
        RawClient::End seen; // by the client of the ended session
        const char* name;
    } cases[] = {
        {Ending::ClientBye, RawClient::End::Closed, "client BYE48"},
        {Ending::ClientClose, RawClient::End::None, "client closes"},
        {Ending::RecorderClose, RawClient::End::Closed, "recorder closes"},
        {Ending::RecorderReset, RawClient::End::Reset, "recorder resets"},
    };
    std::size_t sessions = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RawClient a(sim.Port());
        ASSERT_TRUE(a.Ok());
        a.Send(sid::HELLO, Hello());
        // The new session starts clean: nothing of the last one's live view
        // arrives before the hello answer, nor before live view is asked.
        std::vector<std::uint16_t> before;
        ASSERT_TRUE(a.ReadUntil(sid::HELLO48_ACK, &before));
        EXPECT_TRUE(before.empty());
        ASSERT_TRUE(sim.WaitForConnections(++sessions));
        a.Send(sid::LIVE_REQ, k5sim::BE32(0xFFFF));
        before.clear();
        ASSERT_TRUE(a.ReadUntil(sid::LIVE_DATA, &before));
        EXPECT_EQ(std::count(before.begin(), before.end(), sid::LIVE_CHANNEL_INFO), 1);

        // A second client while the session runs is closed at once; the
        // session goes on.
        const std::size_t turned = sim.Turned();
        {
            RawClient b(sim.Port());
            ASSERT_TRUE(b.Ok());
            EXPECT_EQ(b.WaitEnd(), RawClient::End::Closed);
        }
        EXPECT_EQ(sim.Turned(), turned + 1);
        EXPECT_EQ(sim.Connections(), sessions);
        ASSERT_TRUE(a.ReadUntil(sid::LIVE_DATA));

        switch (c.ending) {
        case Ending::ClientBye:
            a.Send(sid::BYE48);
            break;
        case Ending::ClientClose:
            a.Close();
            break;
        case Ending::RecorderClose:
            sim.CloseClient();
            break;
        case Ending::RecorderReset:
            sim.ResetClient();
            break;
        }
        if (c.seen != RawClient::End::None) {
            EXPECT_EQ(a.WaitEnd(), c.seen);
        }
        ASSERT_TRUE(sim.WaitForSessionsEnded(sessions));
        EXPECT_FALSE(live.LiveRunning()) << "live view ends with its session";
    }
    // And once more after the last way of ending.
    RawClient d(sim.Port());
    d.Send(sid::HELLO, Hello());
    std::vector<std::uint16_t> before;
    ASSERT_TRUE(d.ReadUntil(sid::HELLO48_ACK, &before));
    EXPECT_TRUE(before.empty());
    d.Send(sid::LIVE_REQ, k5sim::BE32(1));
    ASSERT_TRUE(d.ReadUntil(sid::LIVE_DATA));
}

TEST(SimSessions, AOneSessionSimulatorRefusesTheNextClient)
{
    k5sim::RecorderSim::Config config;
    config.sessionLimit = 1;
    k5sim::RecorderSim sim(config);
    ASSERT_TRUE(sim.Start());
    {
        RawClient a(sim.Port());
        ASSERT_TRUE(a.Ok());
        a.Send(sid::HELLO, Hello());
        ASSERT_TRUE(a.ReadUntil(sid::HELLO48_ACK));
        a.Send(sid::BYE48);
        EXPECT_EQ(a.WaitEnd(), RawClient::End::Closed);
    }
    ASSERT_TRUE(sim.WaitForSessionsEnded(1));
    RawClient b(sim.Port());
    EXPECT_FALSE(b.Ok());
    EXPECT_EQ(sim.Connections(), 1u);
}

// The state a session changed is what the next one finds: the setup image
// as the last update left it.
TEST(SimSessions, TheNextSessionReadsTheSetupImageAsTheLastOneUpdatedIt)
{
    k5sim::RecorderSim sim;
    k5sim::SimSetup setup(sim, 7000);
    ASSERT_TRUE(sim.Start());
    NetTimings timings;
    timings.keepAlive = std::chrono::hours(1);
    timings.receiveLimit = 5s;
    timings.connectTimeout = 5s;
    timings.idleWait = 200ms;

    auto session = [&](TestHost& host) {
        auto client = CNetClient::Create(host, timings);
        client->SetConnectInfo("127.0.0.1", sim.Port(), "admin", "pw");
        EXPECT_TRUE(client->Connect());
        EXPECT_TRUE(host.WaitForKind(HostEvent::LiveStart));
        EXPECT_TRUE(client->SendDBInfoReq());
        EXPECT_TRUE(host.WaitFor([](const std::vector<HostEvent>& all) {
            return std::any_of(all.begin(), all.end(), [](const HostEvent& e) {
                return e.kind == HostEvent::Post && e.msg == WM_SETUP_DB_READY;
            });
        }));
        return client;
    };

    TestHost first;
    auto client = session(first);
    std::vector<std::uint8_t> image(kSetupDbSize, 0);
    ASSERT_GT(client->CopySetupImage(image.data(), image.size()), 0u);
    const std::uint8_t edited = static_cast<std::uint8_t>(image[72] ^ 0x5A);
    image[72] = edited;
    ASSERT_TRUE(client->SendDBUpdateReq(image.data()));
    ASSERT_TRUE(first.WaitFor([](const std::vector<HostEvent>& all) {
        return std::any_of(all.begin(), all.end(), [](const HostEvent& e) {
            return e.kind == HostEvent::Notify && e.lParam == NetNotify::Param(NetNotify::DB_UPDATED, 0);
        });
    }));
    client->DestroyWindow();
    client.reset();
    ASSERT_TRUE(sim.WaitForSessionsEnded(1));

    TestHost second;
    client = session(second);
    std::vector<std::uint8_t> again(kSetupDbSize, 0);
    ASSERT_GT(client->CopySetupImage(again.data(), again.size()), 0u);
    EXPECT_EQ(again[72], edited);
    client->DestroyWindow();
}

} // namespace
