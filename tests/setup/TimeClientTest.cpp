// The time-protocol client against a loopback server of the test's own.
#include "setup/TimeClient.h"
#include "SimTimeServer.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <future>
#include <thread>

namespace {

using k5sim::SimTimeServer;

TimeServerConfig LoopbackConfig(std::uint16_t port)
{
    TimeServerConfig c;
    c.host1 = "127.0.0.1";
    c.host2 = "127.0.0.1";
    c.port = port;
    return c;
}

// A loopback port with nobody listening: bound, never listened on.
struct ClosedPort
{
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    std::uint16_t port = 0;
    ClosedPort()
    {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
        port = ntohs(a.sin_port);
    }
    ~ClosedPort() { ::close(fd); }
};

TEST(TimeClient, AnswerKinds)
{
    SimTimeServer server;
    ASSERT_TRUE(server.Start());
    server.SetTime(1781000000);
    struct Case
    {
        SimTimeServer::Mode mode;
        std::int64_t expected;
    } cases[] = {
        {SimTimeServer::Mode::Answer, 1781000000},
        {SimTimeServer::Mode::OneByteAtATime, 1781000000},
        {SimTimeServer::Mode::ThreeThenClose, kTimeBadAnswer},
    };
    for (const Case& c : cases) {
        server.SetMode(c.mode);
        EXPECT_EQ(QueryTimeServer(LoopbackConfig(server.Port())), c.expected) << int(c.mode);
    }
}

TEST(TimeClient, RefusedAndUnresolvable)
{
    ClosedPort closed;
    EXPECT_EQ(QueryTimeServer(LoopbackConfig(closed.port)), kTimeConnectFailed);

    TimeServerConfig none;
    none.host1 = "time-one.invalid";
    none.host2 = "time-two.invalid";
    none.port = closed.port;
    EXPECT_EQ(QueryTimeServer(none), kTimeNoHost);

    // The second host is asked only when the first does not resolve.
    SimTimeServer server;
    ASSERT_TRUE(server.Start());
    server.SetTime(1700000000);
    TimeServerConfig second = LoopbackConfig(server.Port());
    second.host1 = "time-one.invalid";
    EXPECT_EQ(QueryTimeServer(second), 1700000000);
    EXPECT_EQ(server.Connections(), 1);
}

TEST(TimeClient, SilentServerTimesOutOrStops)
{
    SimTimeServer server;
    ASSERT_TRUE(server.Start());
    server.SetMode(SimTimeServer::Mode::Silent);
    TimeServerConfig c = LoopbackConfig(server.Port());
    c.readTimeout = std::chrono::milliseconds(200);
    EXPECT_EQ(QueryTimeServer(c), kTimeBadAnswer);

    // A stop ends the wait long before the read time-out.
    c.readTimeout = std::chrono::minutes(10);
    TimeQueryCancel cancel;
    auto result = std::async(std::launch::async, [&] { return QueryTimeServer(c, &cancel); });
    ASSERT_TRUE([&] {
        for (int i = 0; i < 20000 && server.Connections() < 2; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return server.Connections() >= 2;
    }());
    cancel.Cancel();
    ASSERT_EQ(result.wait_for(std::chrono::seconds(60)), std::future_status::ready);
    EXPECT_EQ(result.get(), kTimeBadAnswer);
}

} // namespace
