// The frame budget and the record-block model without widgets: the refill
// table, the edge cases of a rate move, the mended faults, and a seeded walk
// of moves that must never take a block over its total.
#include "../SetupTestSupport.h"

#include "setup/record/RecordBlock.h"
#include "setup/record/RecordBudget.h"

#include <random>

using namespace setuptest;

namespace {

RecorderCaps RecCaps(int channels, bool connected, int minor = 1, bool flag3 = false, bool sub6 = false)
{
    RecorderCaps c;
    c.channelCount = channels;
    c.hasConnection = connected;
    c.subProductMinor = minor;
    c.helloFlag3 = flag3;
    c.subProduct6 = sub6;
    c.subProductMajor = sub6 ? 6 : 0;
    return c;
}

struct Fixture
{
    SetupDbImage image = ImageBuilder().Build();
    ImageRef Ref() { return ImageRef(image); }
    void Standard(int v) { image[SetupDb::VideoStandard.offset] = static_cast<std::uint8_t>(v); }
    void Rates(const SetupDb::Field& f, std::vector<int> rates)
    {
        for (size_t i = 0; i < rates.size(); ++i)
            image[f.offset + i] = static_cast<std::uint8_t>(rates[i]);
    }
    void Fill(const SetupDb::Field& f, int v)
    {
        for (std::uint32_t i = 0; i < f.count; ++i)
            image[f.offset + i] = static_cast<std::uint8_t>(v);
    }
    int Sum(const SetupDb::Field& rate, const SetupDb::Field& res, int n)
    {
        int s = 0;
        for (int i = 0; i < n; ++i)
            s += image[rate.offset + i] * RecordBudget::Weight(image[res.offset + i]);
        return s;
    }
};

std::vector<int> Expand(std::initializer_list<std::pair<int, int>> runs)
{
    std::vector<int> out;
    for (auto [rate, n] : runs)
        out.insert(out.end(), static_cast<size_t>(n), rate);
    return out;
}

} // namespace

TEST(RecordBudget, WeightsTotalsAndBudget)
{
    EXPECT_EQ(RecordBudget::Weight(0), 4);
    EXPECT_EQ(RecordBudget::Weight(1), 2);
    EXPECT_EQ(RecordBudget::Weight(2), 1);
    // A byte beyond the table is shown as 4CIF and costs as much.
    EXPECT_EQ(RecordBudget::Weight(3), 4);
    EXPECT_EQ(RecordBudget::Weight(255), 4);
    EXPECT_EQ(RecordBudget::ShownResolution(7), 0);
    EXPECT_EQ(RecordBudget::Total(0), 240);
    EXPECT_EQ(RecordBudget::Total(1), 200);
    EXPECT_EQ(RecordBudget::Total(9), 200);
    EXPECT_EQ(RecordBudget::GetRateBudget(240, 4, 1, 224), 4);
    EXPECT_EQ(RecordBudget::GetRateBudget(240, 4, 2, 208), 4);
    EXPECT_EQ(RecordBudget::GetRateBudget(200, 1, 1, 75), 125);
    // Over the total already: 0, never a negative rate.
    EXPECT_EQ(RecordBudget::GetRateBudget(240, 4, 1, 400), 0);
    EXPECT_EQ(RecordBudget::GetRateBudget(240, 0, 1, 0), 0);
}

TEST(RecordBudget, DefaultRatesTable)
{
    struct Row
    {
        int channels, standard, resolution;
        std::vector<int> rates;
    };
    const Row rows[] = {
        {4, 0, 0, Expand({{15, 4}})},
        {4, 0, 1, Expand({{30, 4}})},
        {4, 0, 2, Expand({{30, 4}})},
        {4, 1, 0, Expand({{13, 2}, {12, 2}})},
        {4, 1, 1, Expand({{25, 4}})},
        {4, 1, 2, Expand({{25, 4}})},
        {8, 0, 0, Expand({{8, 4}, {7, 4}})},
        {8, 0, 1, Expand({{15, 8}})},
        {8, 0, 2, Expand({{30, 8}})},
        {8, 1, 0, Expand({{7, 2}, {6, 6}})},
        {8, 1, 1, Expand({{13, 4}, {12, 4}})},
        {8, 1, 2, Expand({{25, 8}})},
        {16, 0, 0, Expand({{4, 12}, {3, 4}})},
        {16, 0, 1, Expand({{8, 8}, {7, 8}})},
        {16, 0, 2, Expand({{15, 16}})},
        {16, 1, 0, Expand({{4, 2}, {3, 14}})},
        {16, 1, 1, Expand({{7, 4}, {6, 12}})},
        {16, 1, 2, Expand({{13, 8}, {12, 8}})},
        // Other channel counts write nothing; a resolution beyond the table
        // refills as 4CIF.
        {5, 0, 0, {}},
        {0, 0, 2, {}},
        {16, 0, 7, Expand({{4, 12}, {3, 4}})},
    };
    for (const Row& r : rows)
        EXPECT_EQ(RecordBudget::DefaultRates(r.channels, r.standard, r.resolution), r.rates)
            << r.channels << " ch, standard " << r.standard << ", resolution " << r.resolution;
}

TEST(RecordBudget, RateMoveEdgeCases)
{
    struct Case
    {
        const char* name;
        int channels, standard;
        bool connected;
        int minor;
        bool flag3;
        int resolution;         // every channel
        std::vector<int> rates; // before
        std::vector<int> checked;
        int channel, position;
        int expectRate;
        std::vector<int> expectChannels;
    };
    const std::vector<int> refilled16 = Expand({{4, 12}, {3, 4}});
    const Case cases[] = {
        {"16 ch NTSC refilled, ch 0 to 5", 16, 0, true, 1, false, 0, refilled16, {}, 0, 5, 4, {0}},
        {"ch 0 and 1 checked, ch 0 to 10", 16, 0, true, 1, false, 0, refilled16, {0, 1}, 0, 10, 4, {0, 1}},
        {"only the checked row's own box counts", 16, 0, true, 1, false, 0, refilled16, {1, 2}, 0, 3, 3, {0}},
        {"4 ch PAL CIF at 25: the slider is the limit",
         4,
         1,
         true,
         1,
         false,
         2,
         {25, 25, 25, 25},
         {},
         2,
         25,
         25,
         {2}},
        {"grouped path: all zero gives 1", 4, 0, true, 0, false, 2, {0, 0, 0, 0}, {}, 1, 0, 1, {1}},
        {"grouped path ignores flag 3", 4, 0, true, 0, true, 2, {0, 0, 0, 0}, {}, 1, 0, 1, {1}},
        {"plain path, flag 3 clear: 1", 4, 0, true, 1, false, 2, {0, 0, 0, 0}, {}, 1, 0, 1, {1}},
        {"plain path, flag 3 set: 0", 4, 0, true, 1, true, 2, {0, 0, 0, 0}, {}, 1, 0, 0, {1}},
        {"no connection: 0", 16, 0, false, 0, false, 2, Expand({{0, 16}}), {}, 1, 0, 0, {1}},
        {"another channel records: 0 stays", 4, 0, true, 0, false, 2, {0, 0, 0, 3}, {}, 1, 0, 0, {1}},
        {"group mode, ch 5 to 20 fits",
         16,
         0,
         true,
         0,
         false,
         2,
         Expand({{10, 16}}),
         {},
         5,
         20,
         20,
         {4, 5, 6, 7}},
        {"group mode, ch 5 to 20 over: (240 - U) / 4",
         16,
         0,
         true,
         0,
         false,
         2,
         Expand({{15, 16}}),
         {},
         5,
         20,
         15,
         {4, 5, 6, 7}},
        {"grouped path at 4CIF is no group mode",
         16,
         0,
         true,
         0,
         false,
         0,
         Expand({{1, 16}}),
         {3},
         3,
         9,
         9,
         {3}},
        {"over the total already: 0, then the row rule",
         4,
         0,
         true,
         1,
         true,
         0,
         {30, 30, 30, 30},
         {},
         0,
         20,
         0,
         {0}},
        {"position above the slider range is held to it",
         4,
         1,
         true,
         1,
         false,
         2,
         {1, 1, 1, 1},
         {},
         0,
         200,
         25,
         {0}},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.Standard(c.standard);
        f.Fill(SetupDb::PlainResolution, c.resolution);
        f.Fill(SetupDb::PlainRate, 0);
        f.Rates(SetupDb::PlainRate, c.rates);
        f.Fill(SetupDb::PlainAudio, 1);
        CRecordBlockModel model(f.Ref(), RecCaps(c.channels, c.connected, c.minor, c.flag3),
                                PlainRecordBlock());
        ChannelRows rows(c.channels);
        for (int r : c.checked)
            rows.SetChecked(r, true);
        const auto move = model.MoveRate(c.channel, c.position, rows);
        EXPECT_EQ(move.rate, c.expectRate) << c.name;
        EXPECT_EQ(move.channels, c.expectChannels) << c.name;
        for (int ch : c.expectChannels) {
            EXPECT_EQ(f.image[SetupDb::PlainRate.offset + ch], c.expectRate) << c.name;
            EXPECT_EQ(f.image[SetupDb::PlainAudio.offset + ch], c.expectRate == 0 ? 0 : 1) << c.name;
        }
    }
}

TEST(RecordBudget, CheckedRowsAtOtherResolutionsStayWithinTheTotal)
{
    // An image written elsewhere: ch 0 at CIF, the checked ch 1 at 4CIF.
    Fixture f;
    f.Standard(0);
    f.Fill(SetupDb::PlainRate, 0);
    f.Fill(SetupDb::PlainResolution, 2);
    f.image[SetupDb::PlainResolution.offset + 1] = 0;
    f.image[SetupDb::PlainRate.offset + 2] = 30; // CIF, 30 units
    CRecordBlockModel model(f.Ref(), RecCaps(4, true), PlainRecordBlock());
    ChannelRows rows(4);
    rows.SetChecked(0, true);
    rows.SetChecked(1, true);
    const auto move = model.MoveRate(0, 30, rows);
    // (240 - 30) / (1 + 4) = 42, held to the slider's 30: 30 + 120 + 30 = 180.
    EXPECT_EQ(move.rate, 30);
    f.image[SetupDb::PlainRate.offset + 2] = 120; // out of the slider's range but stored
    const auto second = model.MoveRate(0, 30, rows);
    // (240 - 120) / 5 = 24: 24 + 96 + 120 = 240, not 30 + 120 + 120.
    EXPECT_EQ(second.rate, 24);
    EXPECT_LE(f.Sum(SetupDb::PlainRate, SetupDb::PlainResolution, 4), 240);
}

TEST(RecordBudget, ResolutionByteBeyondTheTableWeighsAs4Cif)
{
    Fixture f;
    f.Standard(0);
    f.Fill(SetupDb::PlainRate, 0);
    f.Fill(SetupDb::PlainResolution, 9);
    f.image[SetupDb::PlainRate.offset + 1] = 30; // 120 units at weight 4
    CRecordBlockModel model(f.Ref(), RecCaps(4, true), PlainRecordBlock());
    EXPECT_EQ(model.MoveRate(0, 30, ChannelRows(4)).rate, 30);
    EXPECT_EQ(model.MoveRate(2, 30, ChannelRows(4)).rate, 0);
    EXPECT_EQ(model.ShownResolution(0), 0);
}

TEST(RecordBudget, SecondRateSetAndNoClamp)
{
    // Dual-rate view: an unchanged channel counts with the larger of its two.
    for (int set : {0, 1}) {
        Fixture f;
        f.Standard(0);
        f.Fill(SetupDb::MotionResolution, 0);
        f.Fill(SetupDb::MotionRate, 0);
        f.Fill(SetupDb::SensitivityRate, 0);
        f.image[SetupDb::MotionRate.offset + 1] = 10;
        f.image[SetupDb::SensitivityRate.offset + 1] = 50;
        CRecordBlockModel model(f.Ref(), RecCaps(16, true), MotionDualRateBlock(set));
        EXPECT_EQ(model.MoveRate(2, 30, ChannelRows(16)).rate, 10) << "set " << set;
        const SetupDb::Field written = set == 0 ? SetupDb::MotionRate : SetupDb::SensitivityRate;
        EXPECT_EQ(f.image[written.offset + 2], 10);
        // The refill writes both sets.
        model.SetResolution(2);
        EXPECT_EQ(f.image[SetupDb::MotionRate.offset + 15], 15);
        EXPECT_EQ(f.image[SetupDb::SensitivityRate.offset + 15], 15);
    }
    // The no-clamp exception holds on the plain handler only.
    Fixture f;
    f.Standard(0);
    f.Fill(SetupDb::MotionResolution, 0);
    f.Fill(SetupDb::MotionRate, 15);
    CRecordBlockModel model(f.Ref(), RecCaps(16, true, 1), MotionRecordBlock());
    model.SetNoClamp(true);
    EXPECT_EQ(model.MoveRate(0, 25, ChannelRows(16), false).rate, 25);
    EXPECT_EQ(model.MoveRate(1, 25, ChannelRows(16), true).rate, 0);
}

TEST(RecordBudget, ProfileBlocksAreTheirOwnBudget)
{
    Fixture f;
    f.Standard(0);
    for (int p = 0; p < 4; ++p) {
        const RecordBlock b = SensorProfileBlock(p);
        EXPECT_EQ(b.rate.offset, 6860u + 16u * p);
        EXPECT_EQ(b.audio.offset, 6924u + 16u * p);
        EXPECT_EQ(b.resolution.offset, 6796u + 16u * p);
    }
    CRecordBlockModel p0(f.Ref(), RecCaps(16, true), SensorProfileBlock(0));
    p0.SetResolution(0);
    CRecordBlockModel p1(f.Ref(), RecCaps(16, true), SensorProfileBlock(1));
    p1.SetResolution(0);
    const SetupDbImage before = f.image;
    // Profile 1's whole budget is still there with profile 0 full.
    EXPECT_EQ(p1.MoveRate(0, 4, ChannelRows(16)).rate, 4);
    EXPECT_TRUE(DiffersExactlyAt(before.data(), f.image.data(), before.size(), {}));
    EXPECT_EQ(p1.MoveRate(0, 0, ChannelRows(16)).rate, 0);
    EXPECT_TRUE(DiffersExactlyAt(before.data(), f.image.data(), before.size(), {6876, 6940}));
}

TEST(RecordBudget, ResolutionWritesShownChannelsAndRefills)
{
    Fixture f;
    f.Standard(1);
    const SetupDbImage before = f.image;
    CRecordBlockModel model(f.Ref(), RecCaps(8, true), PlainRecordBlock());
    model.SetResolution(1);
    std::set<std::size_t> changed;
    for (std::size_t i = 0; i < 8; ++i) {
        changed.insert(4044 + i);
        changed.insert(656 + i);
    }
    std::set<std::size_t> expected;
    for (std::size_t o : changed)
        if (before[o] != f.image[o])
            expected.insert(o);
    EXPECT_TRUE(DiffersExactlyAt(before.data(), f.image.data(), before.size(), expected));
    EXPECT_EQ(std::vector<int>(f.image.begin() + 656, f.image.begin() + 664),
              (std::vector<int>{13, 13, 13, 13, 12, 12, 12, 12}));
}

TEST(RecordBudget, SeededWalkNeverLeavesTheBudget)
{
    std::mt19937 rng(20261211);
    for (int run = 0; run < 200; ++run) {
        Fixture f;
        const int channels = std::array<int, 3>{4, 8, 16}[rng() % 3];
        const int standard = static_cast<int>(rng() % 2);
        f.Standard(standard);
        RecorderCaps caps = RecCaps(channels, rng() % 4 != 0, static_cast<int>(rng() % 2), rng() % 2 == 0);
        CRecordBlockModel model(f.Ref(), caps, PlainRecordBlock());
        model.SetResolution(static_cast<int>(rng() % 3));
        // Some images come with mixed resolutions written elsewhere.
        // (their rates start at 0 so that the block starts within its total).
        if (rng() % 2)
            for (int ch = 1; ch < channels; ++ch) {
                f.image[SetupDb::PlainResolution.offset + ch] = static_cast<std::uint8_t>(rng() % 4);
                f.image[SetupDb::PlainRate.offset + ch] = 0;
            }
        const int total = RecordBudget::Total(standard);
        ASSERT_LE(f.Sum(SetupDb::PlainRate, SetupDb::PlainResolution, channels), total);
        for (int step = 0; step < 60; ++step) {
            ChannelRows rows(channels);
            for (int ch = 0; ch < channels; ++ch)
                rows.SetChecked(ch, rng() % 3 == 0);
            const int ch = static_cast<int>(rng() % static_cast<unsigned>(channels));
            const int pos = static_cast<int>(rng() % 31);
            const auto move = model.MoveRate(ch, pos, rows);
            ASSERT_LE(f.Sum(SetupDb::PlainRate, SetupDb::PlainResolution, channels), total)
                << "run " << run << " step " << step;
            ASSERT_GE(move.rate, 0);
            ASSERT_LE(move.rate, RecordBudget::MaxRate(standard));
        }
    }
}

TEST(RecordBudget, ViewsLockAudioAndRows)
{
    Fixture f;
    f.Standard(0);
    f.Fill(SetupDb::CameraEnable, 1);
    f.image[SetupDb::CameraEnable.offset + 4] = 0;
    f.Fill(SetupDb::PlainRate, 5);
    f.image[SetupDb::PlainRate.offset + 2] = 0;
    f.Fill(SetupDb::PlainAudio, 1);
    CRecordBlockModel model(f.Ref(), RecCaps(16, true, 1, false, true), PlainRecordBlock());
    EXPECT_EQ(model.LockRates(), std::vector<int>{4});
    EXPECT_EQ(f.image[SetupDb::PlainRate.offset + 4], 0);
    EXPECT_FALSE(model.CanCheckOnRateView(4));
    EXPECT_TRUE(model.CanCheckOnRateView(3));
    EXPECT_FALSE(model.CanCheckOnAudioView(2));
    // Inputs on channels 0-3: the rest may not carry audio.
    const auto enabled = model.NormaliseAudio(true, [](int ch) { return ch < 4; });
    for (int ch = 0; ch < 16; ++ch) {
        const bool expect = ch < 4 && ch != 2;
        EXPECT_EQ(enabled[static_cast<size_t>(ch)], expect) << ch;
        EXPECT_EQ(f.image[SetupDb::PlainAudio.offset + ch], expect ? 1 : 0) << ch;
    }
    // The single switch touches channel 0 only.
    Fixture g;
    g.Fill(SetupDb::PlainRate, 0);
    g.Fill(SetupDb::PlainAudio, 1);
    CRecordBlockModel single(g.Ref(), RecCaps(16, false), PlainRecordBlock());
    const auto one = single.NormaliseAudio(false, nullptr);
    EXPECT_FALSE(one[0]);
    EXPECT_EQ(g.image[SetupDb::PlainAudio.offset], 0);
    EXPECT_EQ(g.image[SetupDb::PlainAudio.offset + 1], 1);
}

TEST(RecordBudget, RecordSwitchBlockMergesGroupsAtCif)
{
    struct Case
    {
        int channels;
        bool connected;
        int minor;
        int value;
        std::vector<int> on;
        std::vector<int> expectOn;
    };
    const Case cases[] = {
        {16, true, 0, 2, {5}, {4, 5, 6, 7}}, {4, true, 0, 2, {2}, {0, 1, 2, 3}}, {16, true, 0, 0, {5}, {5}},
        {16, true, 1, 2, {5}, {5}},          {16, false, 0, 2, {5}, {5}},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.Fill(SetupDb::DaysRecordOn, 0);
        for (int ch : c.on)
            f.image[SetupDb::DaysRecordOn.offset + ch] = 1;
        const SetupDbImage before = f.image;
        CRecordBlockModel model(f.Ref(), RecCaps(c.channels, c.connected, c.minor), RecordDaysBlock());
        model.SetResolution(c.value);
        std::vector<int> on;
        for (int ch = 0; ch < 16; ++ch)
            if (f.image[SetupDb::DaysRecordOn.offset + ch] == 1)
                on.push_back(ch);
        EXPECT_EQ(on, c.expectOn) << c.channels << " ch, value " << c.value;
        // No rate anywhere.
        EXPECT_TRUE(std::equal(before.begin() + 656, before.begin() + 768, f.image.begin() + 656));
    }
    for (auto [pos, days] : std::vector<std::pair<int, int>>{{0, 5},
                                                             {5, 5},
                                                             {6, 10},
                                                             {10, 10},
                                                             {14, 10},
                                                             {15, 20},
                                                             {24, 20},
                                                             {84, 80},
                                                             {85, 90},
                                                             {90, 90},
                                                             {200, 90}})
        EXPECT_EQ(SnapRecordDays(pos), days) << pos;
}
