// The search window's answers: the assembler on its own (a table of fragment
// sequences) and the connection against the simulator's catalogue.
#include "SimSession.h"
#include "TestHost.h"

#include "RecorderSim.h"
#include "SimCatalogue.h"
#include "SimLive.h"
#include "SimSearch.h"
#include "net/NetClient.h"
#include "net/NetMessages.h"
#include "net/SearchAnswers.h"

#include <gtest/gtest.h>

using k5sim::Bytes;
using k5sim::RecorderSim;
using namespace std::chrono_literals;

namespace {

Bytes YearBytes(std::uint32_t year, int month, int day)
{
    Bytes b(kYearRecordBytes, 0);
    k5sim::PutBE32(b, 0, year);
    b[static_cast<std::size_t>(4 + month * 31 + day)] = 1;
    return b;
}

Bytes Join(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

struct Fragment
{
    SearchAnswerKind kind;
    Bytes bytes;
    bool last;
};

struct AssemblerCase
{
    const char* name;
    std::vector<Fragment> fragments;
    // What each step gave: P partial, C complete, D dropped.
    std::string steps;
    // Records of each completed answer, in completion order.
    std::vector<std::size_t> records;
};

std::size_t RecordCount(const SearchAnswer& a)
{
    switch (a.kind) {
    case SearchAnswerKind::PlayMonth:
    case SearchAnswerKind::TransMonth:
        return a.years.size();
    case SearchAnswerKind::PlayDay:
    case SearchAnswerKind::TransDay:
    case SearchAnswerKind::Event:
        return a.days.size();
    default:
        return a.raw.size();
    }
}

} // namespace

TEST(SearchAnswerAssembler, FragmentSequences)
{
    using K = SearchAnswerKind;
    const Bytes month = Join({YearBytes(2008, 2, 1), YearBytes(2009, 0, 0)}); // 752 bytes
    const Bytes half1(month.begin(), month.begin() + 500), half2(month.begin() + 500, month.end());
    const Bytes big(60000, 0);
    std::vector<Fragment> oversize;
    for (std::size_t sum = 0; sum <= kSearchAnswerLimit; sum += big.size())
        oversize.push_back({K::Log, big, false});
    oversize.push_back({K::Log, big, true});
    oversize.push_back({K::Log, Bytes(10, 7), true}); // the next answer is whole again

    const std::vector<AssemblerCase> cases = {
        {"month of 752 bytes in two fragments",
         {{K::PlayMonth, half1, false}, {K::PlayMonth, half2, true}},
         "PC",
         {2}},
        {"day of 50 bytes: two records, the tail dropped", {{K::PlayDay, Bytes(50, 1), true}}, "C", {2}},
        {"month shorter than a record completes empty", {{K::PlayMonth, Bytes(375, 1), true}}, "C", {0}},
        {"empty event answer", {{K::Event, Bytes(), true}}, "C", {0}},
        {"status between two month fragments stays apart",
         {{K::PlayMonth, half1, false}, {K::Status, Bytes(16, 3), true}, {K::PlayMonth, half2, true}},
         "PCC",
         {16, 2}},
        {"oversize answer dropped, next one whole",
         oversize,
         std::string(oversize.size() - 2, 'P') + "DC",
         {10}},
    };
    for (const AssemblerCase& c : cases) {
        CSearchAnswerAssembler assembler;
        std::string steps;
        std::vector<std::size_t> records;
        for (const Fragment& f : c.fragments) {
            std::unique_ptr<SearchAnswer> out;
            switch (assembler.Add(f.kind, f.bytes.data(), f.bytes.size(), f.last, out)) {
            case CSearchAnswerAssembler::Step::Partial:
                steps += 'P';
                break;
            case CSearchAnswerAssembler::Step::Complete:
                steps += 'C';
                ASSERT_TRUE(out);
                EXPECT_EQ(out->kind, f.kind) << c.name;
                records.push_back(RecordCount(*out));
                break;
            case CSearchAnswerAssembler::Step::Dropped:
                steps += 'D';
                break;
            }
        }
        EXPECT_EQ(steps, c.steps) << c.name;
        EXPECT_EQ(records, c.records) << c.name;
    }
}

TEST(SearchAnswerAssembler, DecodesFieldsInHostOrder)
{
    const Bytes day = k5sim::BuildDayIntervalRecord(0x00020002u, 0x06, 1204416000u, 1204419600u);
    const std::vector<DayIntervalRecord> d = DecodeDayRecords(day.data(), day.size());
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].channelMask, 0x00020002u);
    EXPECT_EQ(d[0].eventKinds, 0x06);
    EXPECT_EQ(d[0].startTime, 1204416000u);
    EXPECT_EQ(d[0].endTime, 1204419600u);
    EXPECT_EQ(EncodeDayRecord(d[0]), std::vector<std::uint8_t>(day.begin(), day.end()));

    const Bytes year = YearBytes(2008, 2, 1);
    const std::vector<YearRecord> y = DecodeYearRecords(year.data(), year.size());
    ASSERT_EQ(y.size(), 1u);
    EXPECT_EQ(y[0].year, 2008u);
    EXPECT_NE(y[0].DayFlag(2, 1), 0);
    EXPECT_EQ(y[0].DayFlag(2, 2), 0);
    EXPECT_EQ(y[0].DayFlag(12, 0), 0); // out of range reads as nothing
}

// ---------------------------------------------------------------------------
// The connection against the simulator's catalogue.

namespace {

const WndHandle kFrame = WndHandle(0x5E00);

} // namespace

class SearchAnswersFlow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CNetClient::ResetHiddenCopyForTesting();
        sim = std::make_unique<RecorderSim>();
        search = std::make_unique<k5sim::SimSearch>(*sim, k5sim::SimCatalogue::Standard(2008, 3));
        ASSERT_TRUE(sim->Start());
        ASSERT_TRUE(LogIn(client, host, sim->Port()));
        frame = std::make_shared<TestSearchFrame>(kFrame);
        client->SetSearchFrame(frame);
    }
    void TearDown() override
    {
        client->DestroyWindow();
        client.reset();
        search.reset();
        sim->Stop();
    }
    // Every answer to requests sent so far has been handled.
    void RoundTrip()
    {
        const std::size_t before = host.PostsOf(WM_BRING_TO_FRONT).size();
        sim->SetHandler(
            299, [](RecorderSim& s, const k5sim::Message&) { s.Send(k5sim::id::MSG_257, Bytes(12, 0)); });
        ASSERT_TRUE(client->Send(299));
        ASSERT_TRUE(host.WaitFor([&](const std::vector<HostEvent>& all) {
            return static_cast<std::size_t>(std::count_if(all.begin(), all.end(), [](const HostEvent& e) {
                       return e.kind == HostEvent::Post && e.msg == WM_BRING_TO_FRONT;
                   })) > before;
        }));
    }
    std::vector<LPARAM> Notifications() const
    {
        std::vector<LPARAM> out;
        for (const HostEvent& e : host.EventsOf(HostEvent::Notify))
            out.push_back(e.lParam);
        return out;
    }

    TestHost host;
    std::unique_ptr<RecorderSim> sim;
    std::unique_ptr<k5sim::SimSearch> search;
    std::shared_ptr<CNetClient> client;
    std::shared_ptr<TestSearchFrame> frame;
};

TEST_F(SearchAnswersFlow, MonthAndDayAnswersMatchTheCatalogue)
{
    k5sim::SearchScript script;
    script.fragment = 500; // two fragments for two years' records
    script.splitYears = true;
    search->SetScript(script);
    ASSERT_TRUE(client->Send(PLAY_INFO_MONTH_REQ));
    const std::uint8_t day[8] = {0, 0, 0x07, 0xD8, 3, 2, 0, 0};
    ASSERT_TRUE(client->Send(PLAY_INFO_DAY_REQ, day, sizeof day));
    RoundTrip();

    const std::vector<SearchAnswer> answers = frame->Answers();
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_EQ(answers[0].kind, SearchAnswerKind::PlayMonth);
    ASSERT_EQ(answers[0].years.size(), 2u); // one year in two records
    EXPECT_NE(answers[0].years[0].DayFlag(2, 1) | answers[0].years[1].DayFlag(2, 1), 0);
    EXPECT_EQ(answers[1].kind, SearchAnswerKind::PlayDay);
    const auto expected = search->Catalogue().DayIntervals(2008, 3, 2);
    ASSERT_EQ(answers[1].days.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(answers[1].days[i].startTime, expected[i].start);
        EXPECT_EQ(answers[1].days[i].endTime, expected[i].end);
        EXPECT_EQ(answers[1].days[i].eventKinds, expected[i].kinds);
    }
    // The connection keeps the live lists for the next window.
    EXPECT_EQ(client->SearchKeep().LiveMonth().size(), 2u);
    EXPECT_EQ(client->SearchKeep().LiveDay().size(), expected.size());
    EXPECT_TRUE(Notifications().empty());
}

TEST_F(SearchAnswersFlow, FaultsDropCleanlyAndTheStreamStaysFramed)
{
    // An answer larger than the limit: drained, dropped, pending cleared, one notice.
    const Bytes chunk(60000, 0x11);
    for (std::size_t sent = 0; sent <= kSearchAnswerLimit; sent += chunk.size())
        sim->Send(LOG_INFO_ACK, chunk);
    sim->Send(LOG_INFO_ACK, chunk, k5sim::kLastFragment);
    RoundTrip();
    EXPECT_TRUE(frame->Answers().empty());
    EXPECT_EQ(frame->clearedPending, 1);
    EXPECT_EQ(Notifications(), (std::vector<LPARAM>{NetNotify::Param(NetNotify::NACK, 8)}));

    // Interleaved: a status answer between two fragments of a month answer.
    const Bytes month = search->Catalogue().YearRecords(true);
    ASSERT_EQ(month.size(), 2 * kYearRecordBytes);
    sim->Send(PLAY_INFO_MONTH_ACK, Bytes(month.begin(), month.begin() + 400));
    sim->Send(STATUS_INFO_ACK, Bytes(16, 9), k5sim::kLastFragment);
    sim->Send(PLAY_INFO_MONTH_ACK, Bytes(month.begin() + 400, month.end()), k5sim::kLastFragment);
    // A 50-byte day answer.
    sim->Send(PLAY_INFO_DAY_ACK, Bytes(50, 2), k5sim::kLastFragment);
    RoundTrip();
    const std::vector<SearchAnswer> answers = frame->Answers();
    ASSERT_EQ(answers.size(), 3u);
    EXPECT_EQ(answers[0].kind, SearchAnswerKind::Status);
    EXPECT_EQ(answers[0].raw, Bytes(16, 9));
    EXPECT_EQ(answers[1].kind, SearchAnswerKind::PlayMonth);
    EXPECT_EQ(answers[1].years.size(), 2u);
    EXPECT_EQ(answers[2].days.size(), 2u);

    // An answer after the window closed is drained; a new window does not
    // get the first window's half answer completed into it.
    sim->Send(PLAY_INFO_MONTH_ACK, Bytes(month.begin(), month.begin() + 400));
    RoundTrip();
    client->SetSearchFrame(nullptr);
    sim->Send(PLAY_INFO_MONTH_ACK, Bytes(10, 0));
    RoundTrip();
    auto second = std::make_shared<TestSearchFrame>(kFrame);
    client->SetSearchFrame(second);
    sim->Send(PLAY_INFO_MONTH_ACK, Bytes(month.begin() + 400, month.end()), k5sim::kLastFragment);
    RoundTrip();
    ASSERT_EQ(second->Answers().size(), 1u);
    EXPECT_TRUE(second->Answers()[0].years.empty()); // 352 bytes: no whole record
    EXPECT_EQ(frame->Answers().size(), 3u);
    EXPECT_FALSE(client->m_bStopRecv);
}

TEST_F(SearchAnswersFlow, RightsAndDisconnectClearWhatTheConnectionKeeps)
{
    auto fill = [&] {
        client->SearchKeep().SetLiveMonth(std::vector<YearRecord>(1));
        client->SearchKeep().SetLiveDay(std::vector<DayIntervalRecord>(3));
        PlayHandOver block;
        block.active = 1;
        block.view = 2;
        client->SearchKeep().WriteHandOver(block, true);
    };
    struct Case
    {
        std::uint8_t search, backup;
        bool kept;
    };
    for (const Case c : {Case{1, 1, true}, Case{0, 1, false}, Case{1, 0, true}, Case{0, 0, false}}) {
        fill();
        k5sim::UserRow row{"admin", "password", 1, {{1, 1, c.search, c.backup, 1, 1, 1, 1}}};
        sim->Send(k5sim::id::RIGHT_CHANGE, k5sim::BuildRightChange({row}));
        RoundTrip();
        EXPECT_EQ(client->SearchKeep().HandOverActive(), c.kept) << int(c.search) << int(c.backup);
        EXPECT_EQ(client->SearchKeep().KeptDay().size(), c.kept ? 3u : 0u);
    }
    fill();
    client->DestroyWindow();
    EXPECT_FALSE(client->SearchKeep().HandOverActive());
    EXPECT_TRUE(client->SearchKeep().KeptDay().empty());
    EXPECT_TRUE(client->SearchKeep().LiveMonth().empty());
}
