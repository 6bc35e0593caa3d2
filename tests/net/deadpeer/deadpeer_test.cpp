// A recorder that stops answering at the TCP level: its packets are lost
// (the namespace's loopback goes down), nothing closes the connection. The
// session must end through its normal disconnect path, with the Disconnected
// notice, within 30 s, although the client's ALIVE_REQ keeps data in flight.
#include "NetNamespace.h"
#include "RecorderSim.h"
#include "TestHost.h"
#include "net/NetClient.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <thread>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

int IntOption(int fd, int level, int name)
{
    int value = -1;
    socklen_t len = sizeof(value);
    if (::getsockopt(fd, level, name, &value, &len) != 0)
        return -1;
    return value;
}

// The promise of the session's socket, as far as its options tell it.
void ExpectDeadPeerLimits(const TcpSocket& socket)
{
    const int fd = socket.Fd();
    ASSERT_GE(fd, 0);
    EXPECT_EQ(IntOption(fd, IPPROTO_TCP, TCP_USER_TIMEOUT), 15000);
    EXPECT_EQ(IntOption(fd, SOL_SOCKET, SO_KEEPALIVE), 1);
    EXPECT_EQ(IntOption(fd, IPPROTO_TCP, TCP_KEEPIDLE), 3);
    EXPECT_EQ(IntOption(fd, IPPROTO_TCP, TCP_KEEPINTVL), 2);
    EXPECT_EQ(IntOption(fd, IPPROTO_TCP, TCP_KEEPCNT), 5);
}

class DeadPeer : public ::testing::Test
{
protected:
    void TearDown() override
    {
        SetLoopbackUp(true);
        if (client)
            client->DestroyWindow();
        client.reset();
    }

    // Logs in with the session's real intervals (ALIVE_REQ every 10 s).
    void LogIn()
    {
        ASSERT_TRUE(sim.Start());
        client = CNetClient::Create(host);
        client->SetConnectInfo("127.0.0.1", sim.Port(), "admin", "pw");
        ASSERT_TRUE(client->Connect());
        ASSERT_TRUE(host.WaitForKind(HostEvent::LiveStart));
        ASSERT_TRUE(sim.WaitForCount(k5sim::id::ALIVE_REQ, 1));
    }

    k5sim::RecorderSim sim;
    TestHost host;
    std::shared_ptr<CNetClient> client;
};

TEST_F(DeadPeer, ASilentRecorderEndsTheSessionWithTheDisconnectedNotice)
{
    LogIn();
    ExpectDeadPeerLimits(*client->Socket());
    if (!InPrivateNetwork()) {
        // No namespace of our own here: the loopback is the machine's and
        // stays up; the socket options above are all this run can check.
        std::printf("[ NOTICE   ] no private network namespace on this machine: "
                    "only the socket options were checked\n");
        return;
    }
    constexpr LPARAM kDisconnected = 0x20000;
    ASSERT_FALSE(host.WaitForNotify(kDisconnected, 200ms));

    // The recorder's packets are lost from here on; the client's keep-alive
    // requests stay unacknowledged in its send queue.
    const Clock::time_point lost = Clock::now();
    ASSERT_TRUE(SetLoopbackUp(false));
    ASSERT_TRUE(host.WaitForNotify(kDisconnected, 40s)) << "the session still hangs on a silent peer";
    const auto took = Clock::now() - lost;
    EXPECT_LE(took, 30s) << std::chrono::duration_cast<std::chrono::seconds>(took).count() << " s";
    // The receive loop has ended: the session is over as after a close.
    EXPECT_TRUE(client->m_bStopRecv.load());
    EXPECT_EQ(host.Notifications(), std::vector<LPARAM>{kDisconnected});
}

} // namespace
