// The standard-change rebuild, the language table and the account rules.
#include "setup/SystemRules.h"
#include "SetupTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using setuptest::DiffersExactlyAt;
using setuptest::ImageBuilder;

// Every record block, channels x standard x EventMode x sub product 6: the
// rates follow the 4CIF share, resolutions go to 4CIF, EventModeValue follows
// the budget, and nothing else of the image changes.
TEST(StandardRebuild, EveryCombination)
{
    using namespace SetupDb;
    for (int channels : {4, 8, 16})
        for (int standard : {0, 1})
            for (int mode : {0, 1, 2, 7})
                for (bool sub6 : {false, true}) {
                    SetupDbImage before =
                        ImageBuilder().Byte(EventMode.offset, static_cast<std::uint8_t>(mode)).Build();
                    SetupDbImage after = before;
                    RebuildRatesForStandard(ImageRef(after), standard, channels, sub6);
                    const int budget = standard == 1 ? 200 : 240;
                    const int groups = channels;
                    const int weight = mode == 0 ? 4 : (mode == 1 ? 2 : 1);
                    std::set<std::size_t> changed;
                    const auto expect = [&](std::size_t off, int v) {
                        ASSERT_EQ(after[off], v)
                            << "offset " << off << " ch " << channels << " std " << standard;
                        if (before[off] != v)
                            changed.insert(off);
                    };
                    expect(VideoStandard.offset, standard);
                    expect(EventModeValue.offset, budget / (groups * weight));
                    int total = 0;
                    for (int c = 0; c < channels; ++c) {
                        const int rate = FullSizeDefaultRate(standard, channels, c);
                        total += rate;
                        for (const Field& f : {PlainResolution, MotionResolution, ScheduleResolution,
                                               SensitivityResolution, DaysResolution})
                            expect(f.At(c), 0);
                        for (const Field& f : {PlainRate, MotionRate, ScheduleRate, SensitivityRate})
                            expect(f.At(c), rate);
                        if (sub6) {
                            for (int k = 0; k < 4; ++k) {
                                expect(ProfileResolution.At(k) + c, 0);
                                expect(ProfileRate.At(k) + c, rate);
                            }
                        } else {
                            expect(SensorResolution.At(c), 0);
                            expect(SensorRate.At(c), rate);
                        }
                    }
                    EXPECT_EQ(total, budget / 4);
                    EXPECT_TRUE(DiffersExactlyAt(before.data(), after.data(), before.size(), changed));
                }
}

TEST(StandardRebuild, RateTable)
{
    struct Case
    {
        int channels, standard;
        std::vector<int> rates;
    } cases[] = {
        {4, 0, {15, 15, 15, 15}},
        {4, 1, {13, 13, 12, 12}},
        {8, 0, {8, 8, 8, 8, 7, 7, 7, 7}},
        {8, 1, {7, 7, 6, 6, 6, 6, 6, 6}},
        {16, 0, {4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 3, 3, 3, 3}},
        {16, 1, {4, 4, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3}},
    };
    for (const Case& c : cases)
        for (int ch = 0; ch < c.channels; ++ch)
            EXPECT_EQ(FullSizeDefaultRate(c.standard, c.channels, ch), c.rates[static_cast<std::size_t>(ch)])
                << c.channels << " " << c.standard << " " << ch;
    // The Part's two cases of EventModeValue.
    SetupDbImage img = ImageBuilder().Byte(SetupDb::EventMode.offset, 1).Build();
    RebuildRatesForStandard(ImageRef(img), 1, 8, false);
    EXPECT_EQ(img[SetupDb::EventModeValue.offset], 12);
    img = ImageBuilder().Byte(SetupDb::EventMode.offset, 2).Build();
    RebuildRatesForStandard(ImageRef(img), 0, 16, false);
    EXPECT_EQ(img[SetupDb::EventModeValue.offset], 15);
}

QString Translate(int i)
{
    return QStringLiteral("L%1").arg(i);
}

void SetName(RecorderCaps& caps, int entry, const char* name, std::size_t n)
{
    std::memcpy(caps.sysEtcInfoEx.bytes + 16 * entry, name, n);
}

TEST(Languages, NamesAndEntries)
{
    RecorderCaps caps;
    // Built-in ids with a gap: entries 0 and 2 used, 5 an id without a name.
    caps.sysEtcInfo.bytes[0] = 1;
    caps.sysEtcInfo.bytes[2] = 4;
    caps.sysEtcInfo.bytes[5] = 77;
    std::vector<LanguageEntry> e = LanguageEntries(caps, Translate);
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[0].entry, 0);
    EXPECT_EQ(e[0].name, "English");
    EXPECT_EQ(e[1].entry, 2); // position 1 stands for entry 2
    EXPECT_EQ(e[1].name, "German");
    EXPECT_EQ(e[2].entry, 5);
    EXPECT_EQ(e[2].name, "77");
    EXPECT_EQ(LanguageLabel(caps, 1, Translate), "1");     // an empty entry shows its number
    EXPECT_EQ(LanguageLabel(caps, 200, Translate), "200"); // beyond the table

    // The recorder's own names: case ignored, unknown names as sent, a full
    // 16-byte slot without its NUL cut to 15.
    caps.hasSysEtcInfoEx = true;
    SetName(caps, 1, "german", 7);
    SetName(caps, 3, "Greek", 6);
    SetName(caps, 4, "ABCDEFGHIJKLMNOP", 16);
    SetName(caps, 6, "cHiNeSe(BiG5)", 14);
    e = LanguageEntries(caps, Translate);
    ASSERT_EQ(e.size(), 4u);
    EXPECT_EQ(e[0].entry, 1);
    EXPECT_EQ(e[0].name, "L2");
    EXPECT_EQ(e[1].name, "Greek");
    EXPECT_EQ(e[2].name, "ABCDEFGHIJKLMNO");
    EXPECT_EQ(e[3].name, "L14");
    EXPECT_EQ(LanguageLabel(caps, 0, Translate), "0");

    struct Case
    {
        const char* name;
        int index;
    } cases[] = {{"English", 0}, {"PERSIAN", 18}, {"s.chinese", 13},
                 {"Korean", 11}, {"Chinese", -1}, {"", -1}};
    for (const Case& c : cases)
        EXPECT_EQ(LocalisedLanguageIndex(QString::fromLatin1(c.name)), c.index) << c.name;
    EXPECT_EQ(BuiltInLanguageName(13), "Japanese");
    EXPECT_EQ(BuiltInLanguageName(0), "");
    EXPECT_EQ(BuiltInLanguageName(14), "");
}

TEST(Accounts, Permissions)
{
    struct Case
    {
        bool newFormat;
        int loggedIn, user;
        bool name, level, logout, rights;
    } cases[] = {
        {true, 0, 0, true, false, true, true},     {true, 0, 3, true, true, true, true},
        {true, 1, 1, false, false, false, false},  {true, 1, 3, true, true, true, true},
        {true, 2, 3, false, false, false, false},  {true, -1, 3, false, false, false, false},
        {false, 0, 0, false, false, false, true},  {false, 1, 1, true, true, false, true},
        {false, 2, 3, false, false, false, false}, {false, 6, 3, false, false, false, false},
    };
    for (const Case& c : cases) {
        AccountAccess a;
        a.loggedIn = c.loggedIn;
        a.newFormat = c.newFormat;
        EXPECT_EQ(a.CanName(c.user), c.name) << c.newFormat << " L" << c.loggedIn << " u" << c.user;
        EXPECT_EQ(a.CanLevel(c.user), c.level) << c.newFormat << " L" << c.loggedIn << " u" << c.user;
        EXPECT_EQ(a.CanLogout(c.user), c.logout) << c.newFormat << " L" << c.loggedIn << " u" << c.user;
        EXPECT_EQ(a.CanRights(c.user), c.rights) << c.newFormat << " L" << c.loggedIn << " u" << c.user;
    }
    AccountAccess a;
    a.loggedIn = 1;
    EXPECT_EQ(a.PickableUsers(), (std::vector<int>{1, 2, 3, 4, 5}));
    a.loggedIn = 0;
    EXPECT_EQ(a.PickableUsers().size(), 6u);
    a.loggedIn = 2;
    EXPECT_TRUE(a.PickableUsers().empty());

    // The logged-in index comes from the matched rights row; none matched or
    // no connection: nothing allowed.
    RecorderCaps caps;
    caps.hasConnection = true;
    caps.userIndex = 0;
    caps.userMatched = false;
    EXPECT_EQ(AccountAccess::From(caps, true).loggedIn, -1);
    EXPECT_FALSE(CanEditLiveChannels(caps));
    caps.userMatched = true;
    EXPECT_EQ(AccountAccess::From(caps, true).loggedIn, 0);
    for (int l : {0, 1, 2, 6}) {
        caps.userIndex = l;
        EXPECT_EQ(CanEditLiveChannels(caps), l <= 1) << l;
    }
    caps.hasConnection = false;
    caps.userIndex = 0;
    EXPECT_FALSE(CanEditLiveChannels(caps));
}

TEST(Accounts, ApplyChecks)
{
    struct Ready
    {
        const char *name, *pw, *confirm;
        bool reservedAllowed, ready;
    } ready[] = {
        {"bob", "1234", "1234", false, true},  {"", "1234", "1234", false, false},
        {"bob", "", "", false, false},         {"bob", "1234", "1235", false, false},
        {"bob", "8350", "8350", false, false}, {"bob", "6047", "6047", false, false},
        {"bob", "8350", "8350", true, true},
    };
    for (const Ready& r : ready)
        EXPECT_EQ(AccountApplyReady(r.name, r.pw, r.confirm, r.reservedAllowed), r.ready) << r.name << r.pw;

    SetupDbImage img{};
    ImageRef ref(img);
    ref.SetText(SetupDb::UserName, 2, "Alice");
    ref.SetText(SetupDb::UserPassword, 1, "1111");
    ref.SetText(SetupDb::UserName, 7, "Slot7");
    ref.SetText(SetupDb::UserPassword, 7, "7777");
    struct Case
    {
        int user;
        const char *name, *pw;
        bool mayRepeat;
        AccountRefusal result;
    } cases[] = {
        {4, "ALICE", "2222", false, AccountRefusal::Name},
        {2, "alice", "2222", false, AccountRefusal::None}, // its own name
        {3, "Carol", "1111", false, AccountRefusal::Password},
        {3, "Carol", "1111", true, AccountRefusal::None},
        {3, "Slot7", "7777", false, AccountRefusal::None}, // slots 6 and 7 are not compared
        {3, "", "2222", false, AccountRefusal::Empty},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CheckAccountApply(ref, c.user, c.name, c.pw, c.pw, c.mayRepeat), c.result)
            << c.user << c.name;
    EXPECT_EQ(CheckAccountApply(ref, 3, "Dave", "2222", "", false), AccountRefusal::Empty);
}

} // namespace
