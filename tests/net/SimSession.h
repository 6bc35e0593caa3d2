// What a test against the recorder simulator logs in with and ends with.
#pragma once

#include "RecorderSim.h"
#include "TestHost.h"
#include "net/NetClient.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

// Timings for a session on loopback: one ALIVE_REQ at the start only, and
// waits short enough that a peer gone quiet fails the test, not the run.
inline NetTimings QuietTimings()
{
    using namespace std::chrono_literals;
    NetTimings t;
    t.keepAlive = std::chrono::hours(1);
    t.receiveLimit = 5s;
    t.connectTimeout = 5s;
    t.idleWait = 200ms;
    return t;
}

// Connects `client` (made here, kept even on failure so that the test's end
// closes it) to the simulator at `port` as the operator does, and waits for
// the login's live start to reach the host.
inline ::testing::AssertionResult LogIn(std::shared_ptr<CNetClient>& client, TestHost& host, std::uint16_t port,
                                        const NetTimings& timings = QuietTimings())
{
    client = CNetClient::Create(host, timings);
    client->SetConnectInfo("127.0.0.1", port, "Admin", "PassWord");
    if (!client->Connect())
        return ::testing::AssertionFailure() << "no connection to the simulator";
    if (!host.WaitForKind(HostEvent::LiveStart))
        return ::testing::AssertionFailure() << "no live start after the login";
    return ::testing::AssertionSuccess();
}

// The connection's window closes first, so that no session thread of the
// simulator still answers a client that is going away.
inline void EndSession(std::shared_ptr<CNetClient>& client, std::unique_ptr<k5sim::RecorderSim>& sim)
{
    if (client)
        client->DestroyWindow();
    client.reset();
    if (sim)
        sim->Stop();
}
