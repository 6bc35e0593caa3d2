// The connection against the recorder simulator on loopback: connect, hello,
// keep-alive, disconnect, the dispatcher and the recorder's state messages.
#include "SimSession.h"
#include "TestHost.h"

#include "RecorderSim.h"
#include "net/NetClient.h"
#include "net/NetMessages.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using k5sim::Bytes;
using k5sim::RecorderSim;
using namespace std::chrono_literals;

constexpr WndHandle kSearchFrame{2000};
constexpr WndHandle kArchivePrompt{2001};
constexpr WndHandle kSetupDlg{3000};
constexpr WndHandle kPasswordPrompt{4000};

class NetClientTest : public ::testing::Test
{
protected:
    void SetUp() override { CNetClient::ResetHiddenCopyForTesting(); }
    void TearDown() override { EndSession(client, sim); }

    void StartSim(const RecorderSim::Config& config = RecorderSim::Config())
    {
        sim = std::make_unique<RecorderSim>(config);
        sim->SetHandler(kRoundTripRequest, [](RecorderSim& s, const k5sim::Message&) {
            s.Send(k5sim::id::MSG_257, Bytes(12, 0));
        });
        ASSERT_TRUE(sim->Start());
    }

    void ConnectClient(const std::string& user = "Admin", const std::string& password = "PassWord",
                       const NetTimings& timings = QuietTimings(), const std::string& address = "127.0.0.1")
    {
        client = CNetClient::Create(host, timings);
        client->SetConnectInfo(address, sim->Port(), user, password);
        ASSERT_TRUE(client->Connect());
    }

    // Connects and waits until the hello answer was accepted.
    void LogIn(const RecorderSim::Config& config = RecorderSim::Config(), const std::string& user = "Admin")
    {
        StartSim(config);
        ConnectClient(user);
        ASSERT_TRUE(host.WaitForKind(HostEvent::LiveStart));
        ASSERT_TRUE(sim->WaitForCount(k5sim::id::ALIVE_REQ, 1));
    }

    // Everything the sim sent before this has been handled once it returns.
    // Every header carries the audio bit: `sub` keeps it as the test needs.
    void Fence(std::uint8_t sub = 0)
    {
        const std::size_t before = host.PostsOf(WM_BRING_TO_FRONT).size();
        ASSERT_TRUE(sim->Send(k5sim::id::MSG_257, Bytes(12, 0), 0, sub));
        ASSERT_TRUE(host.WaitFor([&](const std::vector<HostEvent>& all) {
            return static_cast<std::size_t>(std::count_if(all.begin(), all.end(), [](const HostEvent& e) {
                       return e.kind == HostEvent::Post && e.msg == WM_BRING_TO_FRONT;
                   })) > before;
        }));
    }

    // Every answer the sim gave to the client's earlier requests has been
    // handled once it returns: the sim answers in order.
    void RoundTrip()
    {
        const std::size_t before = host.PostsOf(WM_BRING_TO_FRONT).size();
        ASSERT_TRUE(client->Send(kRoundTripRequest));
        ASSERT_TRUE(host.WaitFor([&](const std::vector<HostEvent>& all) {
            return static_cast<std::size_t>(std::count_if(all.begin(), all.end(), [](const HostEvent& e) {
                       return e.kind == HostEvent::Post && e.msg == WM_BRING_TO_FRONT;
                   })) > before;
        }));
    }
    static constexpr std::uint16_t kRoundTripRequest = 299; // answered by the sim with message 257

    std::vector<LPARAM> NotificationsSince(std::size_t mark) const
    {
        std::vector<LPARAM> out;
        for (const HostEvent& e : host.EventsSince(mark)) {
            if (e.kind == HostEvent::Notify)
                out.push_back(e.lParam);
        }
        return out;
    }

    int LastButtonState(int id) const
    {
        int state = -1;
        for (const HostEvent& e : host.EventsOf(HostEvent::Button)) {
            if (e.a == id)
                state = e.b;
        }
        return state;
    }

    TestHost host;
    std::unique_ptr<RecorderSim> sim;
    std::shared_ptr<CNetClient> client;
};

std::array<std::array<std::uint8_t, 16>, 8> AllAllowed()
{
    std::array<std::array<std::uint8_t, 16>, 8> a{};
    for (auto& u : a)
        u.fill(1);
    return a;
}

// --- Connect and hello ------------------------------------------------------

TEST_F(NetClientTest, HelloCarriesLowerCasedPaddedCredentials)
{
    StartSim();
    ConnectClient("AdMin", "PaSS1234");
    ASSERT_TRUE(sim->WaitForCount(k5sim::id::HELLO, 1));
    const k5sim::Message hello = sim->ReceivedOf(k5sim::id::HELLO).front();
    EXPECT_EQ(hello.length, 32);
    EXPECT_EQ(hello.sub, 0);
    EXPECT_EQ(hello.flags, 0);
    Bytes expected(32, 0);
    std::memcpy(expected.data(), "admin", 5);
    std::memcpy(expected.data() + 16, "pass1234", 8);
    EXPECT_EQ(hello.payload, expected);
    // The hello timer runs from before HELLO went out.
    const auto starts = host.EventsOf(HostEvent::HelloTimerStart);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].a, 60000);
}

TEST_F(NetClientTest, SessionFieldsAreCutToTheirLimits)
{
    StartSim();
    client = CNetClient::Create(host, QuietTimings());
    client->SetConnectInfo(std::string(200, '1'), 1, "ABCDEFGHIJKLMNOPQRST", std::string(40, 'p'),
                           std::string(400, 'd'));
    EXPECT_EQ(client->Address().size(), 127u);
    EXPECT_EQ(client->UserId(), "ABCDEFGHIJKLMNO");
    EXPECT_EQ(client->Password(), std::string(15, 'p'));
    EXPECT_EQ(client->Description().size(), 259u);

    // The cut user ID fills 15 bytes of its 16-byte field and keeps a terminator.
    client = CNetClient::Create(host, QuietTimings());
    client->SetConnectInfo("127.0.0.1", sim->Port(), "ABCDEFGHIJKLMNOPQRST", std::string(40, 'P'));
    // The login password is kept lower-cased from the start, as the prompts see it.
    EXPECT_EQ(client->Password(), std::string(15, 'p'));
    ASSERT_TRUE(client->Connect());
    ASSERT_TRUE(sim->WaitForCount(k5sim::id::HELLO, 1));
    const Bytes payload = sim->ReceivedOf(k5sim::id::HELLO).front().payload;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(payload.data())), "abcdefghijklmno");
    EXPECT_EQ(payload[15], 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(payload.data() + 16)), std::string(15, 'p'));
    EXPECT_EQ(payload[31], 0);
}

TEST_F(NetClientTest, AcceptedHelloTakesTwelveChannelsAsSixteen)
{
    RecorderSim::Config config;
    config.hello.channelNum = 12;
    LogIn(config);
    EXPECT_TRUE(client->m_bLogin);
    EXPECT_EQ(client->Hello().channel_num, 16);
    EXPECT_EQ(client->ChannelCount(), 16);
    EXPECT_EQ(client->m_nModelKind, 3);
    EXPECT_TRUE(client->m_bServedModel);
    EXPECT_EQ(host.EventsOf(HostEvent::HelloTimerKill).size(), 1u);
    EXPECT_EQ(LastButtonState(kButtonLive), kButtonNormal);
    EXPECT_EQ(LastButtonState(kButtonConnect), kButtonSelected);
    const auto logs = host.EventsOf(HostEvent::Log);
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_EQ(logs[0].a, 2);
    EXPECT_EQ(logs[0].b, 1);
    EXPECT_TRUE(host.PlainMessage().empty());

    // The firmware list is re-ordered for the firmware pages, versions in host order.
    const HelloRecord h = client->Hello();
    const struct
    {
        int slot;
        const char* name;
        std::uint32_t version;
    } firmware[] = {{0, "boot", 1199145600u},
                    {1, "", 0},
                    {2, "", 0},
                    {3, "app", 1199318400u},
                    {4, "font", 1199577600u},
                    {5, "front", 1199404800u},
                    {6, "fpga", 1199491200u},
                    {7, "", 0},
                    {19, "", 0}};
    for (const auto& f : firmware) {
        EXPECT_STREQ(h.FirmName[f.slot], f.name) << f.slot;
        EXPECT_EQ(h.FirmVer[f.slot], f.version) << f.slot;
    }
}

TEST_F(NetClientTest, LocalPlaybackKeepsLiveFromStarting)
{
    host.localPlayback = true;
    StartSim();
    ConnectClient();
    ASSERT_TRUE(sim->WaitForCount(k5sim::id::ALIVE_REQ, 1));
    EXPECT_TRUE(host.EventsOf(HostEvent::LiveStart).empty());
    EXPECT_EQ(LastButtonState(kButtonLive), kButtonNormal);
}

TEST_F(NetClientTest, ModelRefusals)
{
    struct Case
    {
        const char* name;
        std::uint8_t product;
        std::uint8_t flags2;
        std::size_t length;
        const char* box;
    };
    const Case cases[] = {
        {"another family", 2, 0x04, 768, "Not MIRA3100 !"},
        {"family 0", 0, 0x04, 768, "Not MIRA3100 !"},
        {"served-model bit clear", 4, 0x03, 768, "Not KOLA5500 !"},
        {"700-byte answer is dropped", 4, 0x04, 700, "Not MIRA3100 !"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host.Clear();
        RecorderSim::Config config;
        config.hello.productNumber = c.product;
        config.hello.flags2 = c.flags2;
        config.hello.length = c.length;
        StartSim(config);
        ConnectClient();
        ASSERT_TRUE(host.WaitForKind(HostEvent::PlainMessage));
        ASSERT_TRUE(host.WaitForNotify(0x20000));
        EXPECT_EQ(host.PlainMessage(), c.box);
        // The box is only asked for: the receive thread goes on and the
        // disconnect that follows finds it responsive.
        EXPECT_TRUE(host.EventsOf(HostEvent::LiveStart).empty());
        client->DestroyWindow();
        EXPECT_TRUE(sim->WaitForCount(k5sim::id::BYE48, 1));
        EXPECT_EQ(sim->Count(k5sim::id::ALIVE_REQ), 0u);
        client.reset();
        sim->Stop();
    }
}

TEST_F(NetClientTest, VersionAndFeatureFlags)
{
    struct Case
    {
        std::uint8_t major, minor, flags, flags2, subMajor, subMinor;
        bool v11, v12, archive, flag1, sub6, flag2, flag3, sub52, subOther, f2b0, f2b1, flag6;
    };
    const Case cases[] = {
        {1, 0, 0x00, 0x04, 0, 0, false, false, false, false, false, false, false, false, true, false, false,
         false},
        {1, 1, 0x01, 0x05, 5, 2, true, false, true, false, false, false, false, true, false, true, false,
         false},
        {2, 0, 0x4E, 0x06, 6, 0, true, true, false, true, true, false, true, false, false, false, true, true},
        {1, 2, 0x04, 0x07, 5, 1, true, true, false, false, false, true, false, false, false, true, true,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.major) << "." << int(c.minor));
        host.Clear();
        RecorderSim::Config config;
        config.hello.productMajor = c.major;
        config.hello.productMinor = c.minor;
        config.hello.flags = c.flags;
        config.hello.flags2 = c.flags2;
        config.hello.subMajor = c.subMajor;
        config.hello.subMinor = c.subMinor;
        LogIn(config);
        EXPECT_EQ(client->m_bProductVer11, c.v11);
        EXPECT_EQ(client->m_bProductVer12, c.v12);
        EXPECT_EQ(client->m_bArchiveSupport, c.archive);
        EXPECT_EQ(client->m_bHelloFlag1, c.flag1);
        EXPECT_EQ(client->m_bSubProduct6, c.sub6);
        EXPECT_EQ(client->m_nHelloFlag2, c.flag2);
        EXPECT_EQ(client->m_bHelloFlag3, c.flag3);
        EXPECT_EQ(client->m_bSubProduct52, c.sub52);
        EXPECT_EQ(client->m_bSubProductOther, c.subOther);
        EXPECT_EQ(client->m_bHelloFlag2Bit0, c.f2b0);
        EXPECT_EQ(client->m_bHelloFlag2Bit1, c.f2b1);
        EXPECT_EQ(client->m_bHelloFlag6, c.flag6);
        client->DestroyWindow();
        client.reset();
        sim->Stop();
    }
}

TEST_F(NetClientTest, KeepAliveCadence)
{
    NetTimings timings = QuietTimings();
    timings.keepAlive = 30ms;
    StartSim();
    ConnectClient("Admin", "PassWord", timings);
    ASSERT_TRUE(sim->WaitForCount(k5sim::id::ALIVE_REQ, 4));
    const auto alive = sim->ReceivedOf(k5sim::id::ALIVE_REQ);
    // Arrival times carry scheduling noise on a loaded machine: one late
    // message may arrive close to the next, but the run as a whole keeps the
    // cadence (a sender that did not wait would send them all at once).
    ASSERT_GE(alive.size(), 4u);
    EXPECT_GE(alive.back().time - alive.front().time, (alive.size() - 2) * 30ms);
    for (const auto& m : alive) {
        EXPECT_EQ(m.length, 0);
        EXPECT_EQ(m.sub, 0);
    }
    // The recorder's echoes are drained silently.
    Fence();
    EXPECT_TRUE(host.Notifications().empty());
    // The keep-alive thread has ended before BYE48 goes out: nothing follows it.
    client->DestroyWindow();
    ASSERT_TRUE(sim->WaitForSessionsEnded(1));
    const auto all = sim->Received();
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(all.back().id, k5sim::id::BYE48);
}

TEST_F(NetClientTest, IdleDisconnectSendsOnlyBye)
{
    RecorderSim::Config config;
    config.closeOnBye = false; // the client must close by itself
    LogIn(config);
    client->SetSearchFrame(std::make_shared<TestSearchFrame>(kSearchFrame));
    client->m_hSetupDlg = kSetupDlg;
    host.passwordPrompt = kPasswordPrompt;
    sim->ClearReceived();
    const std::size_t mark = host.Mark();
    client->DestroyWindow();
    ASSERT_TRUE(sim->WaitForSessionsEnded(1));
    const auto received = sim->Received();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].id, k5sim::id::BYE48);
    EXPECT_EQ(received[0].length, 0);

    const auto events = host.EventsSince(mark);
    auto has = [&](HostEvent::Kind kind, UINT msg, WndHandle target) {
        return std::any_of(events.begin(), events.end(), [&](const HostEvent& e) {
            return e.kind == kind && e.msg == msg && e.target == target;
        });
    };
    EXPECT_TRUE(has(HostEvent::Post, WM_CLOSE, kSearchFrame));
    EXPECT_TRUE(has(HostEvent::Post, WM_CLOSE, kSetupDlg));
    EXPECT_TRUE(has(HostEvent::Post, WM_CLOSE, kPasswordPrompt));
    EXPECT_TRUE(has(HostEvent::HelloTimerKill, 0, WndHandle()));
    EXPECT_TRUE(has(HostEvent::Notify, 0, TestHost::kMain)); // the receive loop's end
    EXPECT_EQ(host.grid.LeaveFullScreenCalls(), 1);
    EXPECT_EQ(LastButtonState(kButtonConnect), kButtonNormal);
    const auto logs = host.EventsOf(HostEvent::Log);
    ASSERT_FALSE(logs.empty());
    EXPECT_EQ(logs.back().b, kLogDisconnected);
    EXPECT_FALSE(client->m_bLogin);

    // A send after the close fails; a second disconnect does nothing.
    EXPECT_FALSE(client->SendRecOnReq());
    const std::size_t mark2 = host.Mark();
    client->DestroyWindow();
    EXPECT_TRUE(host.EventsSince(mark2).empty());
}

TEST_F(NetClientTest, DisconnectDuringBackupStopsTheTransferFirst)
{
    LogIn();
    std::atomic<int> stops{0};
    client->SetWorker(kSlotBackupWriter, std::make_unique<TestWorker>(stops));
    client->m_bTrans = true;
    sim->ClearReceived();
    client->DestroyWindow();
    ASSERT_TRUE(sim->WaitForCount(k5sim::id::BYE48, 1));
    const auto received = sim->Received();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].id, k5sim::id::TRANS_OFF_REQ);
    EXPECT_EQ(received[1].id, k5sim::id::BYE48);
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(host.EventsOf(HostEvent::DestroyTransferBar).size(), 1u);
    EXPECT_EQ(host.PostsOf(WM_TRANSFER_END).size(), 1u);
}

TEST_F(NetClientTest, RefusedPortReportsAndAsksTheMainWindowToDisconnect)
{
    // A port nobody listens on.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    const int port = ntohs(addr.sin_port);
    ::close(fd);

    client = CNetClient::Create(host, QuietTimings());
    client->SetConnectInfo("127.000.000.001", port, "AdMin", "x");
    ASSERT_TRUE(client->Connect());
    ASSERT_TRUE(host.WaitForNotify(0x10001));
    ASSERT_TRUE(host.WaitForKind(HostEvent::Log));
    const auto disconnects = host.EventsOf(HostEvent::Disconnect);
    ASSERT_EQ(disconnects.size(), 1u);
    EXPECT_EQ(static_cast<std::uint32_t>(disconnects[0].a), client->Session());
    const auto log = host.EventsOf(HostEvent::Log).front();
    EXPECT_EQ(log.a, 2);
    EXPECT_EQ(log.b, 4);
    EXPECT_EQ(log.text, "admin@127.0.0.1");
    // The disconnect asked for comes first, then the notification.
    const auto all = host.Events();
    const auto d = std::find_if(all.begin(), all.end(),
                                [](const HostEvent& e) { return e.kind == HostEvent::Disconnect; });
    const auto n =
        std::find_if(all.begin(), all.end(), [](const HostEvent& e) { return e.kind == HostEvent::Notify; });
    EXPECT_LT(d - all.begin(), n - all.begin());
    // The main window's disconnect joins the connect thread; no receive loop ran.
    client->DestroyWindow();
    EXPECT_EQ(host.Notifications(), std::vector<LPARAM>{0x10001});
}

TEST_F(NetClientTest, AddressThatIsNoNumberFailsAsUnassignable)
{
    StartSim();
    // None of these may become an address of its own: not 127.1.0.0 from a
    // short form, not 127.0.0.0 from a name that starts with digits.
    for (const char* address : {"0.0.0.0", "127.1", "127.0.0.1.1", "127.recorder.invalid"}) {
        SCOPED_TRACE(address);
        host.Clear();
        client = CNetClient::Create(host, QuietTimings());
        client->SetConnectInfo(address, sim->Port(), "a", "b");
        ASSERT_TRUE(client->Connect());
        ASSERT_TRUE(host.WaitForKind(HostEvent::Log, 1, 60s));
        EXPECT_EQ(host.Notifications(), std::vector<LPARAM>{0x10002});
        client->DestroyWindow();
    }
    EXPECT_EQ(sim->Connections(), 0u);
}

TEST_F(NetClientTest, PeerCloseEndsTheSession)
{
    LogIn();
    sim->CloseClient();
    ASSERT_TRUE(host.WaitForNotify(0x20000));
    EXPECT_EQ(LastButtonState(kButtonAudio), kButtonNormal);
    EXPECT_TRUE(client->m_bStopRecv);
}

TEST_F(NetClientTest, MessageCutInTheMiddleEndsTheSessionAtOnce)
{
    LogIn();
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(sim->SendCutAndClose(k5sim::id::DB_CHANGE, Bytes(596, 1), 100));
    ASSERT_TRUE(host.WaitForNotify(0x20000));
    // The receive limit (5 s here) is not waited out.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 4s);
}

TEST_F(NetClientTest, ByeReasons)
{
    LogIn();
    const struct
    {
        std::int32_t reason;
        LPARAM expected; // -1: nothing shown
    } cases[] = {{1, 0x30000},  {2, 0x30001},  {3, 0x30002},  {33, 0x30003}, {34, 0x30004}, {35, 0x30005},
                 {36, 0x30006}, {-2, 0x30007}, {37, 0xF0000}, {5, -1},       {0, -1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        const std::size_t mark = host.Mark();
        ASSERT_TRUE(sim->SendBye(c.reason));
        Fence();
        const auto notes = NotificationsSince(mark);
        if (c.expected < 0)
            EXPECT_TRUE(notes.empty());
        else
            EXPECT_EQ(notes, std::vector<LPARAM>{c.expected});
        const auto events = host.EventsSince(mark);
        EXPECT_TRUE(std::any_of(events.begin(), events.end(), [](const HostEvent& e) {
            return e.kind == HostEvent::Log && e.a == 2 && e.b == 4;
        }));
        EXPECT_TRUE(std::any_of(events.begin(), events.end(),
                                [](const HostEvent& e) { return e.kind == HostEvent::HelloTimerKill; }));
        EXPECT_FALSE(client->m_bLogin);
    }
}

// The refusal table as the protocol states it: reason -> notification, and
// the handlers that know it.
struct RefusalRow
{
    std::int32_t reason;
    LPARAM lParam;
    std::vector<std::uint16_t> knownBy;
};

const std::vector<RefusalRow>& RefusalTable()
{
    enum : std::uint16_t
    {
        LIVE_NACK = 19,
        LIVE_STOP_NACK = 22,
        REC_ON_NACK = 34,
        REC_OFF_NACK = 37,
        PLAY_ON_NACK = 54,
        PLAY_OFF_NACK = 57,
        TRANS_ON_NACK = 102,
        TRANS_OFF_NACK = 105,
        DB48_INFO_NACK = 114,
        DB_UPDATE_NACK = 117,
        PLAY_INFO_MONTH_NACK = 262,
        PLAY_INFO_DAY_NACK = 265,
        PLAY_ON_FAIL = 267,
        A_LISTEN_NACK = 274,
        TRANS_INFO_MONTH_NACK = 290,
        TRANS_INFO_DAY_NACK = 293,
        TRANS_ON_FAIL = 298,
        LOG_INFO_NACK = 322,
        SYSTEM_INFO_NACK = 325,
        STATUS_INFO_NACK = 328,
        EVENT_INFO_NACK = 331,
        DB_INIT_NACK = 338,
        SEND_TEST_MAIL_NACK = 341,
        REBOOT_NACK = 344,
        POWEROFF_NACK = 347,
    };
    static const std::vector<RefusalRow> table = {
        {1, 0x50000, {LIVE_NACK, LIVE_STOP_NACK, REC_ON_NACK, REC_OFF_NACK}},
        {1, 0x60000, {PLAY_ON_NACK,   PLAY_OFF_NACK,         TRANS_ON_NACK,       TRANS_OFF_NACK,
                      DB48_INFO_NACK, PLAY_INFO_MONTH_NACK,  PLAY_INFO_DAY_NACK,  PLAY_ON_FAIL,
                      A_LISTEN_NACK,  TRANS_INFO_MONTH_NACK, TRANS_INFO_DAY_NACK, TRANS_ON_FAIL,
                      LOG_INFO_NACK,  SYSTEM_INFO_NACK,      STATUS_INFO_NACK,    EVENT_INFO_NACK,
                      DB_INIT_NACK,   SEND_TEST_MAIL_NACK,   REBOOT_NACK,         POWEROFF_NACK}},
        {1, 0x70000, {DB_UPDATE_NACK}},
        {2,
         0x60001,
         {DB_INIT_NACK, PLAY_OFF_NACK, TRANS_OFF_NACK, DB48_INFO_NACK, REBOOT_NACK, POWEROFF_NACK,
          A_LISTEN_NACK}},
        {51, 0x70002, {DB_UPDATE_NACK}},
        {53,
         0x60004,
         {PLAY_INFO_MONTH_NACK, EVENT_INFO_NACK, PLAY_INFO_DAY_NACK, PLAY_ON_NACK, PLAY_ON_FAIL,
          TRANS_INFO_MONTH_NACK, TRANS_INFO_DAY_NACK, TRANS_ON_NACK, TRANS_ON_FAIL, A_LISTEN_NACK}},
        {54, 0xC0000, {A_LISTEN_NACK}},
        {55, 0xC0001, {A_LISTEN_NACK}},
        {65, 0x50001, {REC_ON_NACK, REC_OFF_NACK}},
        {66, 0x50002, {REC_ON_NACK, REC_OFF_NACK}},
        {81, 0x70001, {DB_UPDATE_NACK}},
        {83,
         0x40000,
         {EVENT_INFO_NACK, PLAY_INFO_DAY_NACK, PLAY_ON_NACK, PLAY_ON_FAIL, TRANS_INFO_DAY_NACK, TRANS_ON_NACK,
          TRANS_ON_FAIL, DB48_INFO_NACK, LOG_INFO_NACK, SYSTEM_INFO_NACK, STATUS_INFO_NACK}},
        {86,
         0x60003,
         {PLAY_INFO_MONTH_NACK, PLAY_ON_FAIL, TRANS_INFO_MONTH_NACK, TRANS_INFO_DAY_NACK, TRANS_ON_NACK,
          TRANS_ON_FAIL, DB48_INFO_NACK, LOG_INFO_NACK, SYSTEM_INFO_NACK, STATUS_INFO_NACK}},
        {87, 0x60005, {TRANS_ON_NACK}},
        {97, 0x60007, {DB_INIT_NACK}},
        {97, 0x70003, {DB_UPDATE_NACK}},
        {98,
         0x60006,
         {DB_INIT_NACK, PLAY_INFO_MONTH_NACK, EVENT_INFO_NACK, PLAY_INFO_DAY_NACK, PLAY_ON_NACK, PLAY_ON_FAIL,
          TRANS_INFO_MONTH_NACK, TRANS_INFO_DAY_NACK, TRANS_ON_NACK, TRANS_ON_FAIL, A_LISTEN_NACK}},
    };
    return table;
}

TEST_F(NetClientTest, RefusalTable)
{
    LogIn();
    std::vector<std::uint16_t> handlers;
    std::vector<std::int32_t> reasons = {0, 3, 999, -1};
    for (const RefusalRow& row : RefusalTable()) {
        reasons.push_back(row.reason);
        for (std::uint16_t id : row.knownBy) {
            if (std::find(handlers.begin(), handlers.end(), id) == handlers.end())
                handlers.push_back(id);
        }
    }
    ASSERT_EQ(handlers.size(), 25u);
    for (std::uint16_t id : handlers) {
        for (std::int32_t reason : reasons) {
            LPARAM expected = -1;
            for (const RefusalRow& row : RefusalTable()) {
                if (row.reason == reason &&
                    std::find(row.knownBy.begin(), row.knownBy.end(), id) != row.knownBy.end())
                    expected = row.lParam;
            }
            const std::size_t mark = host.Mark();
            ASSERT_TRUE(sim->SendReason(id, reason));
            Fence();
            const auto notes = NotificationsSince(mark);
            if (expected < 0)
                EXPECT_TRUE(notes.empty()) << "id " << id << " reason " << reason;
            else
                EXPECT_EQ(notes, std::vector<LPARAM>{expected}) << "id " << id << " reason " << reason;
        }
    }
    // An empty refusal payload is reason -100, which nothing knows.
    const std::size_t mark = host.Mark();
    ASSERT_TRUE(sim->Send(19));
    Fence();
    EXPECT_TRUE(NotificationsSince(mark).empty());
    // The stream stayed in step throughout.
    EXPECT_FALSE(client->m_bStopRecv);
}

TEST_F(NetClientTest, RefusalSideEffects)
{
    LogIn();
    auto frame = std::make_shared<TestSearchFrame>(kSearchFrame, kArchivePrompt);
    client->SetSearchFrame(frame);

    // A month without recordings is an empty answer, not a box, and not the
    // records of an older answer.
    std::size_t mark = host.Mark();
    sim->SendReason(262, 83);
    Fence();
    EXPECT_TRUE(NotificationsSince(mark).empty());
    ASSERT_EQ(frame->Answers().size(), 1u);
    EXPECT_EQ(frame->Answers()[0].kind, SearchAnswerKind::PlayMonth);
    EXPECT_TRUE(frame->Answers()[0].years.empty());
    EXPECT_EQ(frame->clearedPending, 1);

    // The event list's box belongs over the frame; the frame gets an empty list.
    mark = host.Mark();
    sim->SendReason(331, 83);
    Fence();
    const auto events = host.EventsSince(mark);
    const auto note = std::find_if(events.begin(), events.end(),
                                   [](const HostEvent& e) { return e.kind == HostEvent::Notify; });
    ASSERT_NE(note, events.end());
    EXPECT_EQ(note->lParam, 0x40000);
    EXPECT_EQ(note->target, kSearchFrame);
    EXPECT_EQ(frame->clearedDays, 1);
    EXPECT_EQ(host.PostsOf(WM_EVENT_INFO_ACK).size(), 1u);

    // Reason 87 with a 12-byte answer keeps the two sizes.
    Bytes nack = k5sim::BE32(87);
    k5sim::PutBE32(nack, 4, 2048);
    k5sim::PutBE32(nack, 8, 512);
    sim->Send(102, nack);
    Fence();
    EXPECT_EQ(client->m_nTransNackInfo[0], 2048);
    EXPECT_EQ(client->m_nTransNackInfo[1], 512);

    // Log, system and status refusals leave the frame open and let it accept
    // clicks again.
    for (std::uint16_t refusal : {322, 325, 328}) {
        const int before = frame->clearedPending;
        sim->SendReason(refusal, 86);
        Fence();
        EXPECT_EQ(frame->clearedPending, before + 1) << refusal;
    }
    EXPECT_TRUE(host.PostsOf(WM_CLOSE).empty());

    // The setup exchange ends with its refusal.
    client->m_bDbBusy = true;
    sim->SendReason(117, 51);
    Fence();
    EXPECT_FALSE(client->m_bDbBusy);

    // WM_ALISTEN_NACK goes before the box for reasons 2, 53, 55, 98, not for 54.
    mark = host.Mark();
    sim->SendReason(274, 2);
    sim->SendReason(274, 54);
    Fence();
    std::vector<std::string> order;
    for (const HostEvent& e : host.EventsSince(mark)) {
        if (e.kind == HostEvent::Notify)
            order.push_back("notify " + std::to_string(e.lParam));
        else if (e.kind == HostEvent::Post && e.msg == WM_ALISTEN_NACK)
            order.push_back("alisten nack");
    }
    EXPECT_EQ(order, (std::vector<std::string>{"alisten nack", "notify " + std::to_string(0x60001),
                                               "notify " + std::to_string(0xC0000)}));

    // A refused live request logs the session out of live.
    sim->SendReason(19, 1);
    Fence();
    EXPECT_FALSE(client->m_bLogin);
}

TEST_F(NetClientTest, FirmwareAnswersGoToTheFirmwareDialog)
{
    LogIn();
    const WndHandle fw{5000};
    client->m_hFirmwareDlg = fw;
    sim->Send(145);
    sim->SendReason(304, 17);
    sim->Send(305, Bytes(3, 9)); // a payload where none is expected is drained
    sim->SendReason(306, 4);
    sim->Send(307);
    sim->SendReason(308, 5);
    Fence();
    const struct
    {
        UINT msg;
        WPARAM reason;
    } expected[] = {{WM_FW_UPDATE_ACK, 0},   {WM_FW_UPDATE_NACK, 17}, {WM_FW_DATA_RX_DONE, 0},
                    {WM_FW_DATA_RX_FAIL, 4}, {WM_FW_UPDATE_DONE, 0},  {WM_FW_UPDATE_FAIL, 5}};
    std::vector<HostEvent> posts;
    for (const HostEvent& e : host.EventsOf(HostEvent::Post)) {
        if (e.target == fw)
            posts.push_back(e);
    }
    ASSERT_EQ(posts.size(), 6u);
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(posts[i].msg, expected[i].msg) << i;
        EXPECT_EQ(posts[i].wParam, expected[i].reason) << i;
    }
}

TEST_F(NetClientTest, UnknownIdsAndStrayPayloadsAreDrained)
{
    LogIn();
    const std::size_t mark = host.Mark();
    sim->Send(254, Bytes(6, 0x77));              // code 0x7F00, unknown
    sim->Send(21, Bytes(10, 0x55));              // LIVE_STOP_ACK reads no payload
    sim->Send(511, Bytes(3, 0x33));              // the recorder's keep-alive echo
    sim->Send(256, Bytes(12, 0));                // REC_STATUS of the wrong length
    sim->Send(258, Bytes(600, 1));               // DB_CHANGE longer than its record
    sim->Send(258, Bytes(10, 1));                // ... and shorter
    sim->Send(270, Bytes(583, 1));               // RIGHT_CHANGE one byte short
    sim->Send(5000 & 0x1FF, Bytes(65535, 0xAB)); // the largest payload
    sim->Send(33, k5sim::BE32(51));              // then a message that must be read in step
    Fence();
    EXPECT_EQ(LastButtonState(kButtonRecord), kButtonSelected);
    EXPECT_TRUE(client->m_bRecord);
    EXPECT_TRUE(NotificationsSince(mark).empty());
    EXPECT_FALSE(client->m_bStopRecv);
}

TEST_F(NetClientTest, RecordingState)
{
    LogIn();
    const struct
    {
        std::uint16_t msgId;
        Bytes payload;
        bool recording;
    } steps[] = {
        {33, k5sim::BE32(51), true},
        {33, k5sim::BE32(50), false},
        {33, k5sim::BE32(49), true},
        {36, k5sim::BE32(50), false},
        {36, k5sim::BE32(49), true},
        {36, k5sim::BE32(52), false},
        {256, k5sim::BuildRecStatus(0, 5), true},
        {256, k5sim::BuildRecStatus(0, 6), false},
        {256, Bytes(12, 0), false},  // another length changes nothing
        {33, Bytes{0, 0, 0}, false}, // missing bytes count as 0
        {36, Bytes{}, true},         // 0 is not a stop value
        {256, k5sim::BuildRecStatus(0, 0xFFFFFFFF), false},
    };
    for (const auto& s : steps) {
        sim->Send(s.msgId, s.payload);
        Fence();
        EXPECT_EQ(client->m_bRecord, s.recording) << s.msgId;
        EXPECT_EQ(LastButtonState(kButtonRecord), s.recording ? kButtonSelected : kButtonNormal) << s.msgId;
    }
    // The requests and the recorder's answers.
    ASSERT_TRUE(client->SendRecOnReq());
    RoundTrip();
    EXPECT_TRUE(client->m_bRecord);
    ASSERT_TRUE(client->SendRecOffReq());
    RoundTrip();
    EXPECT_FALSE(client->m_bRecord);
}

TEST_F(NetClientTest, RequestSendersAndRefusedRequests)
{
    RecorderSim::Config config;
    LogIn(config);
    sim->Refuse(k5sim::id::REBOOT_REQ, k5sim::id::REBOOT_NACK, 2);
    sim->Refuse(k5sim::id::REC_ON_REQ, k5sim::id::REC_ON_NACK, 66);
    ASSERT_TRUE(client->SendRebootReq());
    ASSERT_TRUE(host.WaitForNotify(0x60001));
    ASSERT_TRUE(client->SendRecOnReq());
    ASSERT_TRUE(host.WaitForNotify(0x50002));
    EXPECT_FALSE(client->m_bRecord);
    ASSERT_TRUE(client->SendPowerOffReq());
    ASSERT_TRUE(client->SendAListenReq());
    client->SendAListenStop();
    ASSERT_TRUE(sim->WaitForCount(272, 1));
    ASSERT_TRUE(sim->WaitForCount(345, 1));
    host.soundDevice = false;
    EXPECT_FALSE(client->SendAListenReq());
    for (const auto& m : sim->Received()) {
        if (m.id != k5sim::id::HELLO) {
            EXPECT_EQ(m.length, 0) << m.id;
        }
    }
}

TEST_F(NetClientTest, RecorderTimeGoesToTheOpenSetupWindow)
{
    LogIn();
    ASSERT_TRUE(client->SendDvrTimeReq());
    RoundTrip();
    EXPECT_TRUE(host.PostsOf(WM_DVR_TIME_ACK).empty()); // no setup window
    // The window hands the time to its time page when one is open.
    client->m_hSetupDlg = kSetupDlg;
    ASSERT_TRUE(client->SendDvrTimeReq());
    RoundTrip();
    const auto posts = host.PostsOf(WM_DVR_TIME_ACK);
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].target, kSetupDlg);
    EXPECT_EQ(posts[0].wParam, 1199145600u);
}

TEST_F(NetClientTest, KeptRecordsBySize)
{
    LogIn();
    sim->Send(259, k5sim::Filled(320, 3));
    sim->Send(24, k5sim::Filled(3200, 5));
    sim->Send(125, k5sim::Filled(1204, 7));
    Fence();
    EXPECT_EQ(std::memcmp(client->SysEtcInfoRecord().bytes, k5sim::Filled(320, 3).data(), 320), 0);
    EXPECT_EQ(std::memcmp(client->SysEtcInfoExRecord().bytes, k5sim::Filled(3200, 5).data(), 3200), 0);
    EXPECT_TRUE(client->m_bHasSysEtcInfoEx);
    const DstInfo dst = client->DstInfoRecord();
    EXPECT_EQ(dst.head, k5sim::GetBE32(k5sim::Filled(1204, 7), 0));
    EXPECT_EQ(std::memcmp(dst.bytes, k5sim::Filled(1204, 7).data() + 4, 1200), 0);

    // Wrong lengths: the first two are cleared, the flag stays, DST_INFO is kept.
    sim->Send(259, k5sim::Filled(319, 3));
    sim->Send(24, k5sim::Filled(10, 5));
    sim->Send(125, k5sim::Filled(1200, 9));
    sim->Send(153, Bytes(127, 0)); // NETLIVE_CH_CHANGE of the wrong length keeps the old record
    Fence();
    const SysEtcInfo zero{};
    EXPECT_EQ(std::memcmp(client->SysEtcInfoRecord().bytes, zero.bytes, 320), 0);
    const SysEtcInfoEx zeroEx{};
    EXPECT_EQ(std::memcmp(client->SysEtcInfoExRecord().bytes, zeroEx.bytes, 3200), 0);
    EXPECT_TRUE(client->m_bHasSysEtcInfoEx);
    EXPECT_EQ(client->DstInfoRecord().head, dst.head);
    EXPECT_EQ(client->NetliveRecord().allowed[7][15], 1);
}

TEST_F(NetClientTest, CameraUseChangesTheActiveMaskWhileLive)
{
    LogIn();
    Bytes cam(16, 0);
    cam[0] = 1;
    cam[5] = 2;
    sim->Send(352, cam);
    Fence();
    EXPECT_TRUE(host.grid.ActiveCalls().empty()); // live is not running
    EXPECT_EQ(host.grid.Repaints(), 1);
    client->m_bLive = true;
    sim->Send(352, cam);
    sim->Send(352, Bytes(15, 1)); // wrong length keeps the record, still applies it
    Fence();
    client->m_bLive = false;
    const auto calls = host.grid.ActiveCalls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0], std::make_pair(std::uint32_t(0x21), false));
    EXPECT_EQ(calls[1], std::make_pair(std::uint32_t(0x21), false));
    EXPECT_EQ(host.grid.Repaints(), 3);
}

TEST_F(NetClientTest, AudioBitFollowsLiveStream)
{
    RecorderSim::Config config;
    config.answerAlive = false; // its echo would carry a cleared audio bit
    LogIn(config);
    // Ignored while nothing streams.
    sim->Send(511, {}, 0, 8);
    Fence();
    EXPECT_FALSE(client->m_bAudio);
    client->m_bLive = true;
    sim->Send(511, {}, 0, 8);
    sim->Send(511, {}, 0, 8);
    Fence(8);
    EXPECT_TRUE(client->m_bAudio);
    const auto events = host.Events();
    const auto selected = std::count_if(events.begin(), events.end(), [](const HostEvent& e) {
        return e.kind == HostEvent::Button && e.a == kButtonAudio && e.b == kButtonSelected;
    });
    EXPECT_EQ(selected, 1);
    sim->Send(511);
    Fence();
    EXPECT_FALSE(client->m_bAudio);
    EXPECT_EQ(LastButtonState(kButtonAudio), kButtonNormal);
    client->m_bLive = false;
}

// --- Rights ---------------------------------------------------------------

k5sim::UserRow Row(const std::string& name, std::array<std::uint8_t, 8> rights = {{1, 1, 1, 1, 1, 1, 1, 1}},
                   std::uint8_t level = 1, const std::string& password = "pw")
{
    k5sim::UserRow r;
    r.name = name;
    r.rights = rights;
    r.level = level;
    r.password = password;
    return r;
}

TEST_F(NetClientTest, RightChangeFindsTheUserCaseBlind)
{
    LogIn(RecorderSim::Config(), "ADMIN");
    EXPECT_FALSE(client->HasRight(RIGHT_REMOTE_SETUP)); // nothing before a table
    sim->Send(270, k5sim::BuildRightChange({Row("guest"), Row("other"),
                                            Row("Admin", {{1, 0, 1, 0, 1, 0, 1, 1}}, 2, "SecretPassword")}));
    Fence();
    EXPECT_EQ(client->UserIndex(), 2);
    EXPECT_EQ(client->Password(), "secretpa");
    EXPECT_TRUE(client->HasRight(RIGHT_STOP_RECORD));
    EXPECT_FALSE(client->HasRight(RIGHT_REMOTE_SETUP));
    EXPECT_TRUE(client->HasRight(RIGHT_SEARCH));
    EXPECT_FALSE(client->HasRight(RIGHT_BACKUP));
    EXPECT_TRUE(client->HasRight(RIGHT_REBOOT));

    // A table without the user's name keeps row 2 and applies its rights.
    client->m_hSetupDlg = kSetupDlg;
    const std::size_t mark = host.Mark();
    sim->Send(
        270, k5sim::BuildRightChange({Row("guest"), Row("other"), Row("third", {{1, 0, 0, 0, 0, 0, 1, 0}})}));
    Fence();
    EXPECT_EQ(client->UserIndex(), 2);
    EXPECT_FALSE(client->HasRight(RIGHT_SEARCH));
    EXPECT_FALSE(client->HasRight(RIGHT_REBOOT));
    const auto events = host.EventsSince(mark);
    EXPECT_TRUE(std::any_of(events.begin(), events.end(), [](const HostEvent& e) {
        return e.kind == HostEvent::Post && e.msg == WM_CLOSE && e.target == kSetupDlg;
    }));

    // A table of the wrong length leaves no rights until the next one.
    sim->Send(270, Bytes(100, 1));
    Fence();
    EXPECT_FALSE(client->HasRight(RIGHT_STOP_RECORD));
    EXPECT_EQ(client->Rights().level[2], 0);
}

TEST_F(NetClientTest, RightChangeWithoutAMatchGrantsNothing)
{
    LogIn(RecorderSim::Config(), "nobody");
    client->m_hSetupDlg = kSetupDlg;
    client->SetSearchFrame(std::make_shared<TestSearchFrame>(kSearchFrame));
    // Row 0 holds every right, but it is not this user's.
    sim->Send(270, k5sim::BuildRightChange({Row("admin"), Row("guest")}));
    Fence();
    for (int k = 0; k < 8; ++k)
        EXPECT_FALSE(client->HasRight(k)) << k;
    const auto closes = host.PostsOf(WM_CLOSE);
    EXPECT_TRUE(
        std::any_of(closes.begin(), closes.end(), [](const HostEvent& e) { return e.target == kSetupDlg; }));
    EXPECT_TRUE(std::any_of(closes.begin(), closes.end(),
                            [](const HostEvent& e) { return e.target == kSearchFrame; }));
    EXPECT_FALSE(client->m_bStopRecv);
}

TEST_F(NetClientTest, RightChangeRefusesUserWithoutAdmissionOrLevel)
{
    const struct
    {
        const char* name;
        std::array<std::uint8_t, 8> rights;
        std::uint8_t level;
    } cases[] = {{"level 0", {{1, 1, 1, 1, 1, 1, 1, 1}}, 0}, {"no admission", {{1, 1, 1, 1, 1, 1, 0, 1}}, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        host.Clear();
        LogIn();
        sim->Send(270, k5sim::BuildRightChange({Row("admin", c.rights, c.level)}));
        ASSERT_TRUE(host.WaitForNotify(0x20000));
        const auto notes = host.Notifications();
        ASSERT_EQ(notes.size(), 2u);
        EXPECT_EQ(notes[0], 0xF0000);
        EXPECT_EQ(notes[1], 0x20000);
        ASSERT_TRUE(sim->WaitForSessionsEnded(1));
        client->DestroyWindow();
        client.reset();
        sim->Stop();
    }
}

TEST_F(NetClientTest, RightChangeSearchAndBackupTable)
{
    struct Case
    {
        const char* name;
        std::uint8_t search, backup;
        bool play, trans, archive;
        std::vector<std::pair<WndHandle, UINT>> posts; // in order, WM_RIGHT_CHANGE's wParam checked apart
        WPARAM rightChange;                            // -1: none
        bool transOff;
    };
    const WPARAM none = WPARAM(-1);
    const Case cases[] = {
        {"neither",
         0,
         0,
         true,
         true,
         false,
         {{kSearchFrame, WM_CLOSE}, {kPasswordPrompt, WM_CLOSE}, {TestHost::kMain, WM_STOP_PLAYBACK}},
         none,
         true},
        {"neither, archive prompt",
         0,
         0,
         false,
         false,
         true,
         {{kArchivePrompt, WM_CLOSE}, {kSearchFrame, WM_CLOSE}},
         none,
         false},
        {"backup only",
         0,
         1,
         true,
         false,
         true,
         {{TestHost::kMain, WM_STOP_PLAYBACK}, {kArchivePrompt, WM_CLOSE}, {kSearchFrame, WM_RIGHT_CHANGE}},
         1,
         false},
        {"search only", 1, 0, false, true, false, {{kSearchFrame, WM_RIGHT_CHANGE}}, 2, true},
        {"both", 1, 1, true, true, false, {{kSearchFrame, WM_RIGHT_CHANGE}}, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host.Clear();
        RecorderSim::Config config;
        config.hello.flags = c.archive ? 0x01 : 0x00;
        LogIn(config);
        host.passwordPrompt = kPasswordPrompt;
        client->SetSearchFrame(std::make_shared<TestSearchFrame>(kSearchFrame, kArchivePrompt));
        client->m_bPlay = c.play;
        client->m_bTrans = c.trans;
        const std::size_t mark = host.Mark();
        sim->Send(270, k5sim::BuildRightChange({Row("admin", {{1, 1, c.search, c.backup, 1, 1, 1, 1}})}));
        Fence();
        std::vector<std::pair<WndHandle, UINT>> posts;
        WPARAM rightChange = none;
        for (const HostEvent& e : host.EventsSince(mark)) {
            if (e.kind != HostEvent::Post || e.msg == WM_BRING_TO_FRONT || e.msg == WM_TRANSFER_END)
                continue;
            posts.emplace_back(e.target, e.msg);
            if (e.msg == WM_RIGHT_CHANGE)
                rightChange = e.wParam;
        }
        EXPECT_EQ(posts, c.posts);
        EXPECT_EQ(rightChange, c.rightChange);
        RoundTrip(); // whatever the client sent before has reached the sim
        EXPECT_EQ(sim->Count(k5sim::id::TRANS_OFF_REQ), c.transOff ? 1u : 0u);
        client->m_bPlay = false;
        client->m_bTrans = false;
        client->DestroyWindow();
        client.reset();
        sim->Stop();
    }
}

TEST_F(NetClientTest, RightChangeWithoutPtzRightClosesThePanel)
{
    LogIn();
    client->m_ptz.m_hPtzControlDlg = WndHandle(7000);
    client->m_ptz.m_nPanelMode = 1;
    sim->Send(270, k5sim::BuildRightChange({Row("admin", {{1, 1, 1, 1, 0, 1, 1, 1}})}));
    Fence();
    const auto closes = host.EventsOf(HostEvent::ClosePtz);
    ASSERT_EQ(closes.size(), 1u);
    EXPECT_EQ(closes[0].a, 1);
}

TEST_F(NetClientTest, PtzChannelAnswerSetsThePtzModeOnlyWhileThePanelIsOpen)
{
    LogIn();
    struct Case
    {
        bool panelOpen;
        Bytes answer;
        int mode;
    };
    Bytes longAnswer(300, 0xEE);
    longAnswer[0] = 1;
    const Case cases[] = {
        {false, {1, 0, 0, 0}, kPtzStateNoPanel}, // read and ignored
        {true, {1, 0, 0, 0}, kPtzStateHasPtz},
        {true, {0, 0, 0, 0}, kPtzStateNoPtz},
        {true, {2}, kPtzStateNoPtz},
        {true, {}, kPtzStateNoPtz},          // empty: no PTZ
        {true, longAnswer, kPtzStateHasPtz}, // read whole; the next message is in step
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "open " << c.panelOpen << " size " << c.answer.size());
        client->m_ptz.m_nPtzMode = kPtzStateNoPanel;
        client->m_ptz.m_hPtzControlDlg = c.panelOpen ? WndHandle(7000) : WndHandle();
        sim->Send(283, c.answer);
        Fence();
        EXPECT_EQ(client->m_ptz.m_nPtzMode.load(), c.mode);
        EXPECT_FALSE(client->m_bStopRecv);
    }
}

TEST_F(NetClientTest, LiveStopClosesAnOpenPtzPanelThroughTheMainWindow)
{
    LogIn();
    client->m_bLive = true;
    client->SendLiveStop();
    EXPECT_TRUE(host.EventsOf(HostEvent::ClosePtz).empty()) << "no panel, nothing to close";

    client->m_bLive = true;
    client->m_ptz.m_hPtzControlDlg = WndHandle(7000);
    client->m_ptz.m_nPanelMode = kPtzModeZoom;
    client->SendLiveStop();
    const auto closes = host.EventsOf(HostEvent::ClosePtz);
    ASSERT_EQ(closes.size(), 1u);
    EXPECT_EQ(closes[0].a, kPtzModeZoom);
}

// --- Blocked channels ------------------------------------------------------

TEST_F(NetClientTest, DbChangeBlocksHiddenAndDeniedChannels)
{
    RecorderSim::Config config;
    config.hello.channelNum = 8;
    LogIn(config);
    auto allowed = AllAllowed();
    allowed[0][1] = 0; // user 0 may not watch channel 1 live
    allowed[0][9] = 0;
    sim->Send(153, k5sim::BuildNetliveChChange(allowed));
    k5sim::DbChangeConfig db;
    db.hidden[2] = 1;
    db.hidden[10] = 1;
    db.fullNames = true;
    db.archivePass = "ABCDEFGH";
    db.audioChannel = 6;
    // Without any rights table the hidden-camera right is not held.
    sim->Send(258, k5sim::BuildDbChange(db));
    Fence();
    std::array<bool, 16> expected{};
    expected[1] = expected[2] = true; // 8 channels only: 9 and 10 are left alone
    EXPECT_EQ(host.grid.Blocked(), expected);
    EXPECT_EQ(client->BlockedState(1), 1);
    EXPECT_EQ(client->BlockedState(10), 0);
    EXPECT_EQ(host.grid.Repaints(), 1);
    // Names filling all 32 bytes are kept whole and terminated; 8 of them.
    EXPECT_EQ(client->CameraName(0), std::string(32, 'A'));
    EXPECT_EQ(client->CameraName(7), std::string(32, 'H'));
    EXPECT_EQ(client->CameraName(8), "");
    EXPECT_EQ(client->ArchivePassword(), "ABCDEFGH");
    EXPECT_TRUE(host.EventsOf(HostEvent::AudioChannel).empty()); // no audio plays

    // With the hidden-camera right only the live denial blocks.
    sim->Send(270, k5sim::BuildRightChange({Row("admin")}));
    db.fullNames = false;
    db.cameraNames[0] = "Gate";
    db.archivePass = "xy";
    sim->Send(258, k5sim::BuildDbChange(db));
    Fence();
    expected[2] = false;
    EXPECT_EQ(host.grid.Blocked(), expected);
    EXPECT_EQ(client->CameraName(0), "Gate");
    EXPECT_EQ(client->ArchivePassword(), "xy");
    // The same state again repaints nothing.
    const int repaints = host.grid.Repaints();
    sim->Send(258, k5sim::BuildDbChange(db));
    Fence();
    EXPECT_EQ(host.grid.Repaints(), repaints);
}

TEST_F(NetClientTest, RightChangeWithoutHiddenRightKeepsLiveDenials)
{
    LogIn();
    auto allowed = AllAllowed();
    allowed[0][4] = 0;
    sim->Send(153, k5sim::BuildNetliveChChange(allowed));
    k5sim::DbChangeConfig db;
    db.hidden[3] = 1;
    sim->Send(258, k5sim::BuildDbChange(db));
    sim->Send(270, k5sim::BuildRightChange({Row("admin", {{1, 1, 1, 1, 1, 0, 1, 1}})}));
    Fence();
    std::array<bool, 16> expected{};
    expected[3] = true; // hidden
    expected[4] = true; // may not be watched live: the rights change must not free it
    EXPECT_EQ(host.grid.Blocked(), expected);
}

TEST_F(NetClientTest, SameHiddenFlagsDoNotRestartStreamsAcrossConnections)
{
    k5sim::DbChangeConfig db;
    db.hidden[5] = 1;
    const Bytes rights = k5sim::BuildRightChange({Row("admin", {{1, 1, 1, 1, 1, 0, 1, 1}})});
    std::vector<std::size_t> resets;
    for (int connection = 0; connection < 2; ++connection) {
        host.Clear();
        host.grid.Reset();
        LogIn();
        sim->Send(258, k5sim::BuildDbChange(db));
        sim->Send(270, rights);
        sim->Send(270, rights);
        Fence();
        resets.push_back(host.grid.ActiveCalls().size());
        client->DestroyWindow();
        client.reset();
        sim->Stop();
    }
    // The first table of the run renumbers once; every later one finds the same flags.
    EXPECT_EQ(resets, (std::vector<std::size_t>{1, 0}));
}

TEST_F(NetClientTest, AudioChannelFollowsDbChangeWhileAudioPlays)
{
    LogIn();
    client->m_bAudio = true;
    k5sim::DbChangeConfig db;
    db.audioChannel = 6;
    sim->Send(258, k5sim::BuildDbChange(db));
    Fence();
    client->m_bAudio = false;
    const auto calls = host.EventsOf(HostEvent::AudioChannel);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].a, 6);
}

TEST_F(NetClientTest, HelloTimerIsKilledByTheDisconnectWhenNoAnswerCame)
{
    RecorderSim::Config config;
    config.hello.reply = k5sim::HelloConfig::Reply::NoAnswer;
    StartSim(config);
    ConnectClient();
    ASSERT_TRUE(sim->WaitForCount(k5sim::id::HELLO, 1));
    EXPECT_TRUE(host.EventsOf(HostEvent::HelloTimerKill).empty());
    client->DestroyWindow();
    const auto events = host.Events();
    const auto start = std::find_if(events.begin(), events.end(),
                                    [](const HostEvent& e) { return e.kind == HostEvent::HelloTimerStart; });
    const auto kill = std::find_if(events.begin(), events.end(),
                                   [](const HostEvent& e) { return e.kind == HostEvent::HelloTimerKill; });
    ASSERT_NE(kill, events.end());
    EXPECT_LT(start - events.begin(), kill - events.begin());
    EXPECT_TRUE(host.EventsOf(HostEvent::LiveStart).empty());
}

TEST_F(NetClientTest, ObjectOutlivesNothing)
{
    // Dropping the last reference without a disconnect still ends every thread.
    LogIn();
    std::weak_ptr<CNetClient> weak = client;
    client.reset();
    EXPECT_TRUE(weak.expired());
    ASSERT_TRUE(sim->WaitForSessionsEnded(1));
}

} // namespace
