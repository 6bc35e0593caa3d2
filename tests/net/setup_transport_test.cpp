// The setup database exchange: the reassembly and update arithmetic on its
// own, then the connection against the simulator's setup database.
#include "SimSession.h"
#include "TestHost.h"

#include "RecorderSim.h"
#include "SimSetup.h"
#include "net/NetClient.h"
#include "net/NetMessages.h"
#include "net/SetupTransport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <numeric>

using k5sim::Bytes;
using k5sim::RecorderSim;
using k5sim::SimSetup;
using namespace std::chrono_literals;

namespace {

constexpr WndHandle kSetupWindow{3000};

Bytes Payload(const Bytes& image)
{
    Bytes p = k5sim::BE32(k5sim::SimCrc32(image.data(), image.size()));
    p.insert(p.end(), image.begin(), image.end());
    return p;
}

// Feeds `payload` in fragments of `fragment` bytes.
CSetupDbAssembler::Result FeedAll(CSetupDbAssembler& a, const Bytes& payload, std::size_t fragment)
{
    CSetupDbAssembler::Result r = CSetupDbAssembler::Result::More;
    std::size_t off = 0;
    do {
        const std::size_t n = std::min(fragment, payload.size() - off);
        r = a.Feed(payload.data() + off, n, off + n >= payload.size());
        off += n;
    } while (off < payload.size());
    return r;
}

} // namespace

TEST(SetupAssembler, CrcIsZlibsAndMatchesTheSimulatorsOwn)
{
    const Bytes data = k5sim::PatternedSetupImage(5000, 4, 6);
    EXPECT_EQ(SetupDbCrc32(data.data(), data.size()), k5sim::SimCrc32(data.data(), data.size()));
    const char* check = "123456789";
    EXPECT_EQ(SetupDbCrc32(reinterpret_cast<const std::uint8_t*>(check), 9), 0xCBF43926u);
}

TEST(SetupAssembler, ImagesOfEverySizeRoundTrip)
{
    struct Case
    {
        std::size_t size, fragment, toWindow;
    } cases[] = {{7000, 1460, 7000}, {9000, 1460, 8176}, {8176, 8180, 8176}, {1, 1460, 1}, {0, 1460, 0}};
    // One assembler for all, as a session keeps one: a shorter image after a
    // longer one brings back nothing of the longer one.
    CSetupDbAssembler a;
    for (const Case& c : cases) {
        a.Begin();
        const Bytes image = k5sim::PatternedSetupImage(c.size, 4, 6);
        ASSERT_EQ(FeedAll(a, Payload(image), c.fragment), CSetupDbAssembler::Result::Ready) << c.size;
        EXPECT_EQ(a.ImageLength(), c.toWindow);
        // The window edits its 8176 bytes: the first one, say.
        std::vector<std::uint8_t> window(kSetupDbSize, 0);
        std::memcpy(window.data(), a.Payload() + 4, a.ImageLength());
        if (c.size > 0)
            window[0] ^= 0x80;
        const std::vector<std::uint8_t> update = a.BuildUpdate(window.data());
        ASSERT_EQ(update.size(), c.size + 4) << c.size;
        Bytes expected = image;
        if (c.size > 0)
            expected[0] ^= 0x80;
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), update.begin() + 4)) << c.size;
        EXPECT_EQ(k5sim::GetBE32(Bytes(update.begin(), update.end()), 0),
                  k5sim::SimCrc32(expected.data(), expected.size()));
    }
}

TEST(SetupAssembler, FaultsEndTheFetchWithoutAnImage)
{
    using R = CSetupDbAssembler::Result;
    struct Case
    {
        const char* name;
        Bytes payload;
        std::size_t fragment;
        R result;
    } cases[] = {
        {"bad crc",
         [] {
             Bytes p = Payload(k5sim::PatternedSetupImage(100, 4, 6));
             p[5] ^= 1;
             return p;
         }(),
         40, R::CrcError},
        {"no crc word", Bytes{1, 2, 3}, 10, R::CrcError},
        // Too large is not corrupt: a good CRC and a bad one end the same way.
        {"one byte too long for one update", Payload(k5sim::PatternedSetupImage(65532, 4, 6)), 65535,
         R::TooLarge},
        {"too long, bad crc",
         [] {
             Bytes p = Payload(k5sim::PatternedSetupImage(70000, 4, 6));
             p[0] ^= 1;
             return p;
         }(),
         1460, R::TooLarge},
        {"beyond the buffer", Bytes(kSetupDbBufferSize + 10, 0), 65535, R::TooLarge},
    };
    for (const Case& c : cases) {
        CSetupDbAssembler a;
        a.Begin();
        EXPECT_EQ(FeedAll(a, c.payload, c.fragment), c.result) << c.name;
        if (c.result == R::TooLarge)
            EXPECT_EQ(a.DroppedLength(), c.payload.size()) << c.name << ": the size the trace names";
        EXPECT_EQ(a.ImageLength(), 0u) << c.name;
        std::vector<std::uint8_t> window(kSetupDbSize, 0);
        EXPECT_TRUE(a.BuildUpdate(window.data()).empty()) << c.name;
        EXPECT_FALSE(a.Fetching()) << c.name;
    }
    // No fetch outstanding: the bytes go nowhere.
    CSetupDbAssembler idle;
    const Bytes p = Payload(k5sim::PatternedSetupImage(10, 4, 6));
    EXPECT_EQ(idle.Feed(p.data(), p.size(), true), CSetupDbAssembler::Result::Unexpected);
    EXPECT_EQ(idle.ImageLength(), 0u);
}

// ---------------------------------------------------------------------------
// Against the simulator

namespace {

class SetupExchange : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CNetClient::ResetHiddenCopyForTesting();
        sim = std::make_unique<RecorderSim>();
        setup = std::make_unique<SimSetup>(*sim, 7000);
        ASSERT_TRUE(sim->Start());
        ASSERT_TRUE(LogIn(client, host, sim->Port()));
    }
    void TearDown() override
    {
        client->DestroyWindow();
        client.reset();
        setup.reset();
        sim->Stop();
    }
    bool WaitPost(UINT msg, std::size_t count = 1)
    {
        return host.WaitFor([&](const std::vector<HostEvent>& all) {
            return static_cast<std::size_t>(std::count_if(all.begin(), all.end(), [&](const HostEvent& e) {
                       return e.kind == HostEvent::Post && e.msg == msg;
                   })) >= count;
        });
    }
    bool WaitNotify(LPARAM lParam)
    {
        return host.WaitFor([&](const std::vector<HostEvent>& all) {
            return std::any_of(all.begin(), all.end(), [&](const HostEvent& e) {
                return e.kind == HostEvent::Notify && e.lParam == lParam;
            });
        });
    }
    bool WaitBusy(bool busy)
    {
        for (int i = 0; i < 1000; ++i) {
            if (client->m_bDbBusy == busy)
                return true;
            std::this_thread::sleep_for(5ms);
        }
        return false;
    }
    std::vector<std::uint8_t> Fetch()
    {
        const std::size_t before = host.PostsOf(WM_SETUP_DB_READY).size();
        EXPECT_TRUE(client->SendDBInfoReq());
        EXPECT_TRUE(WaitPost(WM_SETUP_DB_READY, before + 1));
        std::vector<std::uint8_t> image(kSetupDbSize, 0xEE);
        client->CopySetupImage(image.data(), image.size());
        return image;
    }

    TestHost host;
    std::unique_ptr<RecorderSim> sim;
    std::unique_ptr<SimSetup> setup;
    std::shared_ptr<CNetClient> client;
};

} // namespace

TEST_F(SetupExchange, FragmentsJoinAndTheUpdateIsAsLongAsTheImage)
{
    setup->SetFragmentSize(1460);
    std::vector<std::uint8_t> image = Fetch();
    const Bytes served = setup->Image();
    EXPECT_TRUE(std::equal(served.begin(), served.end(), image.begin()));
    // A short image leaves zeros after its end, not bytes of anything earlier.
    EXPECT_TRUE(std::all_of(image.begin() + 7000, image.end(), [](std::uint8_t b) { return b == 0; }));
    EXPECT_TRUE(client->m_bDbBusy);
    // A second fetch while busy does nothing.
    EXPECT_FALSE(client->SendDBInfoReq());

    image[72] = 1;
    ASSERT_TRUE(client->SendDBUpdateReq(image.data()));
    ASSERT_TRUE(WaitNotify(NetNotify::Param(NetNotify::DB_UPDATED, 0)));
    EXPECT_TRUE(WaitBusy(false));
    const auto updates = setup->Updates();
    ASSERT_EQ(updates.size(), 1u);
    EXPECT_EQ(updates[0].payload.size(), 7004u);
    EXPECT_TRUE(updates[0].crcOk);
    EXPECT_EQ(setup->Image()[72], 1);
}

TEST_F(SetupExchange, ALongImageKeepsItsTailOnTheWayBack)
{
    setup->SetImage(k5sim::PatternedSetupImage(9000, 4, 7, 0x33));
    std::vector<std::uint8_t> image = Fetch();
    ASSERT_TRUE(client->SendDBUpdateReq(image.data()));
    // The simulator's handler has stored it once its answer has arrived.
    ASSERT_TRUE(WaitNotify(NetNotify::Param(NetNotify::DB_UPDATED, 0)));
    const auto updates = setup->Updates();
    ASSERT_EQ(updates.size(), 1u);
    ASSERT_EQ(updates[0].payload.size(), 9004u);
    const Bytes served = k5sim::PatternedSetupImage(9000, 4, 7, 0x33);
    EXPECT_TRUE(std::equal(served.begin(), served.end(), updates[0].payload.begin() + 4));
}

TEST_F(SetupExchange, BadCrcIsReportedAndTheNextFetchWorks)
{
    setup->SetInfoFault(SimSetup::InfoFault::BadCrc);
    ASSERT_TRUE(client->SendDBInfoReq());
    ASSERT_TRUE(WaitNotify(NetNotify::Param(NetNotify::DB_CRC_ERROR, 0)));
    EXPECT_TRUE(WaitBusy(false));
    EXPECT_TRUE(host.PostsOf(WM_SETUP_DB_READY).empty());
    setup->SetInfoFault(SimSetup::InfoFault::None);
    const std::vector<std::uint8_t> image = Fetch();
    EXPECT_EQ(image[0], 4);
}

TEST_F(SetupExchange, PayloadsThatCannotBeAnImageEndTheFetch)
{
    // A short payload is corrupt; one larger than an update can carry back is
    // an answer the client drops, and it says so rather than blaming the CRC.
    const LPARAM crcError = NetNotify::Param(NetNotify::DB_CRC_ERROR, 0);
    const LPARAM dropped = NetNotify::Param(NetNotify::NACK, NetNotify::NACK_ANSWER_DROPPED);
    EXPECT_EQ(dropped, 0x60008);
    struct Case
    {
        SimSetup::InfoFault fault;
        std::size_t oversize;
        LPARAM notify;
    } cases[] = {
        {SimSetup::InfoFault::Short, 0, crcError},
        {SimSetup::InfoFault::Oversize, 70000, dropped},
        {SimSetup::InfoFault::Oversize, kSetupDbBufferSize + 100, dropped},
    };
    int n = 0;
    for (const Case& c : cases) {
        setup->SetInfoFault(c.fault, c.oversize);
        const std::size_t mark = host.EventsSince(0).size();
        ASSERT_TRUE(client->SendDBInfoReq()) << n;
        ASSERT_TRUE(host.WaitFor([&](const std::vector<HostEvent>& all) {
            for (std::size_t i = mark; i < all.size(); ++i)
                if (all[i].kind == HostEvent::Notify && all[i].lParam == c.notify)
                    return true;
            return false;
        })) << n;
        EXPECT_TRUE(WaitBusy(false)) << n;
        const auto events = host.EventsSince(mark);
        EXPECT_EQ(std::count_if(events.begin(), events.end(),
                                [](const HostEvent& e) { return e.kind == HostEvent::Notify; }),
                  1)
            << n << ": one notice, no CRC failure beside the dropped answer";
        ++n;
    }
    EXPECT_TRUE(host.PostsOf(WM_SETUP_DB_READY).empty());
    // The stream stayed in step: a good fetch follows.
    setup->SetInfoFault(SimSetup::InfoFault::None);
    EXPECT_EQ(Fetch()[1], 6);
}

TEST_F(SetupExchange, AnAnswerWithoutAFetchChangesNothing)
{
    std::vector<std::uint8_t> image = Fetch();
    // The recorder sends an image on its own while the window edits.
    const Bytes other = k5sim::PatternedSetupImage(7000, 9, 9, 0x77);
    ASSERT_TRUE(sim->Send(k5sim::id::DB_INFO_ACK, Payload(other), 0x4000));
    // The time answer comes after the stray image: once it is handled, so is the image.
    client->m_hSetupDlg = kSetupWindow;
    ASSERT_TRUE(client->SendDvrTimeReq());
    ASSERT_TRUE(WaitPost(WM_DVR_TIME_ACK));
    std::vector<std::uint8_t> again(kSetupDbSize, 0);
    client->CopySetupImage(again.data(), again.size());
    EXPECT_EQ(again, image);
    EXPECT_EQ(host.PostsOf(WM_SETUP_DB_READY).size(), 1u);
}

TEST_F(SetupExchange, RefusalsAndTheReset)
{
    struct Case
    {
        std::int32_t reason;
        LPARAM notify;
    } updateCases[] = {{1, 0x70000}, {81, 0x70001}, {51, 0x70002}, {97, 0x70003}};
    for (const Case& c : updateCases) {
        std::vector<std::uint8_t> image = Fetch();
        setup->SetUpdateNack(c.reason);
        ASSERT_TRUE(client->SendDBUpdateReq(image.data()));
        ASSERT_TRUE(WaitNotify(c.notify)) << c.reason;
        EXPECT_TRUE(WaitBusy(false)) << c.reason;
        setup->SetUpdateNack(0);
    }
    struct InfoCase
    {
        std::int32_t reason;
        LPARAM notify;
    } infoCases[] = {{1, 0x60000}, {2, 0x60001}, {83, 0x40000}, {86, 0x60003}};
    for (const InfoCase& c : infoCases) {
        setup->SetInfoNack(c.reason);
        ASSERT_TRUE(client->SendDBInfoReq());
        ASSERT_TRUE(WaitNotify(c.notify)) << c.reason;
        EXPECT_TRUE(WaitBusy(false)) << c.reason;
    }
    setup->SetInfoNack(0);

    // Reset: DB_INIT_REQ, and the open window is told to close.
    client->m_hSetupDlg = kSetupWindow;
    setup->SetByte(72, 1);
    ASSERT_TRUE(client->SendDBInitReq());
    ASSERT_TRUE(sim->WaitForCount(k5sim::id::DB_INIT_REQ, 1));
    const auto closes = host.PostsOf(WM_CLOSE);
    EXPECT_TRUE(std::any_of(closes.begin(), closes.end(),
                            [](const HostEvent& e) { return e.target == kSetupWindow; }));
    client->m_hSetupDlg = WndHandle();
    setup->SetInitNack(98);
    ASSERT_TRUE(client->SendDBInitReq());
    ASSERT_TRUE(WaitNotify(0x60006));
}

TEST_F(SetupExchange, NoUpdateWithoutAReceivedImage)
{
    std::vector<std::uint8_t> image(kSetupDbSize, 0);
    EXPECT_FALSE(client->SendDBUpdateReq(image.data()));
    setup->SetInfoFault(SimSetup::InfoFault::BadCrc);
    ASSERT_TRUE(client->SendDBInfoReq());
    ASSERT_TRUE(WaitNotify(NetNotify::Param(NetNotify::DB_CRC_ERROR, 0)));
    EXPECT_FALSE(client->SendDBUpdateReq(image.data()));
    // Everything the client sent before the time request has arrived with it.
    ASSERT_TRUE(client->SendDvrTimeReq());
    ASSERT_TRUE(sim->WaitForCount(k5sim::id::DVR_TIME_REQ, 1));
    EXPECT_EQ(sim->Count(k5sim::id::DB_UPDATE_REQ), 0u);
}
