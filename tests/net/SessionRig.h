// A logged-in session against the recorder simulator with its live and
// playback streams, and the test host in place of the main window.
#pragma once

#include "SimLive.h"
#include "SimSession.h"
#include "TestHost.h"
#include "net/NetClient.h"
#include "net/NetMessages.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

namespace sessionrig {

using namespace std::chrono_literals;

// Waits for a condition with a generous deadline.
inline bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = 10s)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

// Frame bytes that stand for H.264 (nobody decodes them here); only the
// first frame is a key frame, so a move to any time goes back to frame 0.
inline k5sim::SimStream PlainStream(int frames)
{
    k5sim::SimStream s;
    for (int i = 0; i < frames; ++i) {
        k5sim::SimFrame f;
        f.key = i == 0;
        f.data.assign(300, static_cast<std::uint8_t>(i));
        s.frames.push_back(std::move(f));
    }
    return s;
}

// One session; the object ends it.
struct Session
{
    Session() = default;
    explicit Session(TestHost& h) : hostOf(&h) {}
    ~Session()
    {
        if (client)
            client->DestroyWindow();
        client.reset();
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    TestHost& Host() { return hostOf ? *hostOf : host; }

    void LogIn()
    {
        ASSERT_TRUE(sim.Start());
        client = CNetClient::Create(Host(), QuietTimings());
        client->SetConnectInfo("127.0.0.1", sim.Port(), "admin", "pw");
        ASSERT_TRUE(client->Connect());
        ASSERT_TRUE(WaitUntil([&] { return client->m_bLogin.load(); }));
        ASSERT_TRUE(sim.WaitForCount(k5sim::id::ALIVE_REQ, 1));
    }

    // Starts remote playback the way the search pages ask for it.
    void StartPlayback()
    {
        const std::uint8_t body[24] = {};
        ASSERT_TRUE(client->Send(k5sim::id::PLAY_ON_REQ, body, sizeof body));
        ASSERT_TRUE(WaitUntil([&] { return client->m_bPlay.load(); }));
        ASSERT_TRUE(sim.WaitForCount(k5sim::id::PLAY_FRAME_REQ, 1));
    }

    k5sim::RecorderSim sim;
    k5sim::SimLive live{sim};
    TestHost host;
    TestHost* hostOf = nullptr;
    std::shared_ptr<CNetClient> client;
};

} // namespace sessionrig
