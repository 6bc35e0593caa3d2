// A logged-in session with the recorder simulator serving backups, every
// right held and the search frame linked: where the backup tests start.
#pragma once

#include "BackupFrames.h"
#include "SimSession.h"
#include "TestHost.h"

#include "RecorderSim.h"
#include "SimTransfer.h"
#include "net/NetClient.h"
#include "net/NetMessages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

class BackupSessionTest : public ::testing::Test
{
protected:
    static constexpr WndHandle kSearchFrame{2000};
    // 2008-01-01 00:00:00, where the simulator's recordings start.
    static constexpr std::uint32_t kStart = 1199145600u;
    static constexpr std::uint16_t kRoundTripRequest = 299;

    static k5sim::UserRow Row(const std::string& name, std::array<std::uint8_t, 8> rights)
    {
        k5sim::UserRow r;
        r.name = name;
        r.rights = rights;
        r.password = "pw";
        return r;
    }

    // The session over the emptied scratch folder `folder`; `serve` sets the
    // simulator's backups up before it starts.
    void StartSession(const std::filesystem::path& folder,
                      const std::function<void(k5sim::SimTransfer&)>& serve = nullptr)
    {
        using namespace std::chrono_literals;
        CNetClient::ResetHiddenCopyForTesting();
        dir = folder;
        std::filesystem::remove_all(dir);
        sim = std::make_unique<k5sim::RecorderSim>();
        transfer = std::make_unique<k5sim::SimTransfer>(*sim);
        sim->SetHandler(kRoundTripRequest, [](k5sim::RecorderSim& s, const k5sim::Message&) {
            s.Send(k5sim::id::MSG_257, k5sim::Bytes(12, 0));
        });
        if (serve)
            serve(*transfer);
        ASSERT_TRUE(sim->Start());
        // A backup's answers may pause longer than a quiet session allows.
        NetTimings t = QuietTimings();
        t.receiveLimit = 20s;
        t.connectTimeout = 20s;
        ASSERT_TRUE(LogIn(client, host, sim->Port(), t));
        // The backup right is held once the rights table names the user.
        sim->Send(270, k5sim::BuildRightChange({Row("admin", {{1, 1, 1, 1, 1, 1, 1, 1}})}));
        ASSERT_NO_FATAL_FAILURE(RoundTrip());
        frame = std::make_shared<TestSearchFrame>(kSearchFrame);
        client->SetSearchFrame(frame);
    }
    void TearDown() override
    {
        EndSession(client, sim);
        transfer.reset();
        std::filesystem::remove_all(dir);
    }

    // Every message the simulator sent before this has been handled.
    void RoundTrip()
    {
        const std::size_t before = host.PostsOf(WM_BRING_TO_FRONT).size();
        ASSERT_TRUE(client->Send(kRoundTripRequest));
        ASSERT_TRUE(host.WaitFor(
            [&](const std::vector<HostEvent>& all) {
                return static_cast<std::size_t>(std::count_if(all.begin(), all.end(), [](const HostEvent& e) {
                           return e.kind == HostEvent::Post && e.msg == WM_BRING_TO_FRONT;
                       })) > before;
            },
            std::chrono::seconds(30)));
    }

    std::filesystem::path dir;
    TestHost host;
    std::unique_ptr<k5sim::RecorderSim> sim;
    std::unique_ptr<k5sim::SimTransfer> transfer;
    std::shared_ptr<CNetClient> client;
    std::shared_ptr<TestSearchFrame> frame;
};
