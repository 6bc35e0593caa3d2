// Tables for the log and information cores: the log parser and its faults,
// the seven lists' filters, cells, buttons and re-selection, the status
// reader, the disk sizes and the status and system rows.
#include "search/RemoteLog.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct Rec
{
    std::uint32_t number = 1, category = 0, sub = 0, time = 0, camera = 0;
    std::string text, text2;
};

void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v)
{
    b[at] = v >> 24, b[at + 1] = (v >> 16) & 0xFF, b[at + 2] = (v >> 8) & 0xFF, b[at + 3] = v & 0xFF;
}

std::vector<std::uint8_t> Log(const std::vector<Rec>& recs, std::uint32_t recordSize = 200)
{
    std::vector<std::uint8_t> out;
    for (const Rec& r : recs) {
        std::vector<std::uint8_t> b(std::max<std::size_t>(recordSize, 200), 0);
        Put32(b, 0, r.number), Put32(b, 4, recordSize), Put32(b, 8, r.category), Put32(b, 12, r.sub);
        Put32(b, 16, r.time), Put32(b, 20, r.camera);
        std::memcpy(b.data() + 24, r.text.data(), std::min<std::size_t>(r.text.size(), 128));
        std::memcpy(b.data() + 152, r.text2.data(), std::min<std::size_t>(r.text2.size(), 48));
        out.insert(out.end(), b.begin(), b.begin() + recordSize);
    }
    return out;
}

std::vector<RemoteLogRecord> Parse(const std::vector<std::uint8_t>& bytes)
{
    std::vector<RemoteLogRecord> out;
    EXPECT_EQ(ParseRemoteLog(bytes.data(), bytes.size(), out), LogParse::Ok);
    return out;
}

std::string Id(int id)
{
    return " #" + std::to_string(id);
}

LogViewContext Ctx(bool archive = false, int user = 0, bool player = false)
{
    LogViewContext c;
    c.connected = true;
    c.archiveSupport = archive;
    c.userIndex = user;
    c.localPlayer = player;
    c.spaced = Id;
    return c;
}

} // namespace

TEST(RemoteLog, ParserBoundsAndFaults)
{
    std::vector<RemoteLogRecord> out;
    EXPECT_EQ(ParseRemoteLog(nullptr, 0, out), LogParse::Ok);
    EXPECT_TRUE(out.empty());
    for (std::size_t n : {1u, 7u}) {
        std::vector<std::uint8_t> b(n, 1);
        EXPECT_EQ(ParseRemoteLog(b.data(), b.size(), out), LogParse::Malformed) << n;
    }
    std::vector<std::uint8_t> zero = Log({Rec{}}, 200);
    Put32(zero, 4, 0);
    EXPECT_EQ(ParseRemoteLog(zero.data(), zero.size(), out), LogParse::Malformed);
    std::vector<std::uint8_t> big = Log({Rec{}}, 200);
    Put32(big, 4, 300);
    EXPECT_EQ(ParseRemoteLog(big.data(), big.size(), out), LogParse::Malformed);

    // 1,000 bytes of 300-byte records: three, the tail dropped.
    std::vector<std::uint8_t> b300 = Log({Rec{1, 0, 0, 0, 0, "", ""}, Rec{2, 0, 0, 0, 0, "", ""}, Rec{3, 0, 0, 0, 0, "", ""}, Rec{4, 0, 0, 0, 0, "", ""}}, 300);
    b300.resize(1000);
    EXPECT_EQ(Parse(b300).size(), 3u);
    // 180-byte records: bytes 180-199 of the block stay 0.
    const auto r180 = Parse(Log({Rec{7, 1, 1, 0, 0, "a", std::string(48, 'x')}}, 180));
    ASSERT_EQ(r180.size(), 1u);
    EXPECT_EQ(r180[0].Text2(), std::string(28, 'x'));
    // A small record size would declare far more than the table holds.
    std::vector<std::uint8_t> tiny(8 * 4000, 0);
    for (std::size_t i = 0; i < 4000; ++i)
        Put32(tiny, i * 8, static_cast<std::uint32_t>(i)), Put32(tiny, i * 8 + 4, 8);
    const auto capped = Parse(tiny);
    ASSERT_EQ(capped.size(), kLogRecordLimit);
    EXPECT_EQ(capped[0].category, 0u);      // missing fields 0
    EXPECT_EQ(capped[2499].number, 2499u);  // the first 2500 kept
    // A 128-byte text without NUL stays inside its cell.
    const auto full = Parse(Log({Rec{1, 2, 1, 0, 0, std::string(128, 'T'), "b"}}));
    EXPECT_EQ(full[0].Text().size(), kLogCellLimit);
}

TEST(RemoteLog, KindTextsCellsAndTime)
{
    struct Case
    {
        Rec rec;
        std::string kind, col5;
    } cases[] = {
        {{1, 1, 2, 0, 0, "p", ""}, " #5111", "p"},
        {{1, 1, 1, 0, 0, "p", ""}, " #5110", ""},
        {{1, 2, 16, 0, 0, "r", ""}, " #5117", "r"},
        {{1, 4, 1u << 9, 0, 0, "a", ""}, " #5585", "a"},
        {{1, 4, 1u << 8, 0, 0, "x", ""}, " #5891", ""},
        {{1, 4, 1u << 13, 0, 3, "n", ""}, " Cam03 Name", "n"},
        {{1, 4, 1u << 17, 0, 12, "", ""}, " Cam12 Rec", ""},
        {{1, 4, 1u << 18, 0, 0, "", ""}, " Preset on Alarm", ""},
        {{1, 4, 1u << 19, 0, 0, "", ""}, " #6150", ""},
        {{1, 8, 128, 0, 0, "c", ""}, " #5129", "c"},
        {{1, 16, 4, 0, 0x8005, "", ""}, " #5132", "01 03 16 "},
        {{1, 16, 0, 0, 0, "", ""}, "", ""},
        {{1, 0, 1, 0, 0, "t", "u"}, "", ""},
    };
    for (const Case& c : cases) {
        CLogListModel m(LogList::All);
        const auto table = Parse(Log({c.rec}));
        m.Build(table, Ctx());
        ASSERT_EQ(m.Rows().size(), 1u);
        EXPECT_EQ(m.Rows()[0].cells[2], c.kind) << c.rec.category << "/" << c.rec.sub;
        EXPECT_EQ(m.Rows()[0].cells[4], c.col5) << c.rec.category << "/" << c.rec.sub;
    }
    EXPECT_EQ(FormatLogTime(0x80000000u, 0), "1970-01-01 00:00:00");
    EXPECT_EQ(FormatLogTime(86400 * 31 + 3661, 1), "02-01-1970 01:01:01");
    EXPECT_EQ(FormatLogTime(86400 * 31 + 3661, 2), "01-02-1970 01:01:01");
}

TEST(RemoteLog, FiltersButtonsAndReselection)
{
    const auto table = Parse(Log({
        {1, 2, 1, 0, 0, "", ""},        // 0 record
        {2, 4, 1u << 9, 0, 0, "", ""},  // 1 archive
        {3, 4, 1u << 15, 0, 0, "", ""}, // 2 schedule
        {4, 16, 2, 0, 1, "", ""},       // 3 motion event
        {5, 16, 8, 0, 1, "", ""},       // 4 event sub-kind 3
        {6, 4, 1u << 4, 0, 0, "", ""},  // 5 operation sub-kind 4
    }));
    auto records = [](const CLogListModel& m) {
        std::vector<int> v;
        for (const LogRow& r : m.Rows())
            v.push_back(r.record);
        return v;
    };
    CLogListModel all(LogList::All);
    all.Build(table, Ctx());
    EXPECT_EQ(records(all), (std::vector<int>{5, 4, 3, 2, 1, 0}));
    all.Build(table, Ctx(true, 0));
    EXPECT_EQ(records(all), (std::vector<int>{5, 4, 3, 2, 0}));
    all.Build(table, Ctx(true, 1));
    EXPECT_EQ(records(all), (std::vector<int>{5, 4, 3}));
    CLogListModel archive(LogList::Archive);
    archive.Build(table, Ctx(true, 0));
    EXPECT_EQ(records(archive), (std::vector<int>{1}));
    archive.Build(table, Ctx(false, 0));
    EXPECT_TRUE(archive.Rows().empty());

    all.Build(table, Ctx());
    all.Select(all.RowOfNumber(table, 3), table, false); // schedule
    EXPECT_TRUE(all.DetailsEnabled());
    EXPECT_EQ(all.DetailTarget(table), LogDetailTarget::Schedule);
    all.Select(all.RowOfNumber(table, 4), table, false);
    EXPECT_TRUE(all.PlayEnabled());
    EXPECT_FALSE(all.DetailsEnabled());
    all.Select(all.RowOfNumber(table, 4), table, true);
    EXPECT_FALSE(all.PlayEnabled());
    all.Select(all.RowOfNumber(table, 5), table, false);
    EXPECT_FALSE(all.PlayEnabled());
    all.Select(all.RowOfNumber(table, 6), table, false);
    EXPECT_EQ(all.DetailKind(), 4);
    EXPECT_EQ(all.DetailTarget(table), LogDetailTarget::Detail);

    // A filtered page does not show the remembered entry: nothing selected.
    CLogListModel power(LogList::Event);
    power.Build(table, Ctx());
    EXPECT_EQ(power.RowOfNumber(table, 3), -1);
    EXPECT_EQ(power.RowOfNumber(table, 5), 0);
    power.Select(-1, table, false);
    EXPECT_EQ(power.SelectedRecord(), -1);
}

TEST(StatusInfo, ReaderSizesAndRows)
{
    struct Size
    {
        std::uint32_t total, free;
        const char *t, *u, *f;
    } sizes[] = {
        {500, 200, "  500 MByte", "  300 MByte", "  200 MByte"},
        {1048575, 0, " 1023 GByte", " 1023 GByte", "    0 MByte"},
        {1048576, 1048576, "  1.00 TByte", "    0 MByte", "  1.00 TByte"},
        {3000000, 0, "  2.86 TByte", "  2.86 TByte", "    0 MByte"},
        {100, 200, "  100 MByte", "    0 MByte", "  200 MByte"},
    };
    for (const Size& s : sizes) {
        const DiskSizeTexts t = FormatDiskSize(s.total, s.free);
        EXPECT_EQ(t.total, s.t);
        EXPECT_EQ(t.used, s.u);
        EXPECT_EQ(t.free, s.f);
    }
    StatusInfoRecord r;
    const std::uint8_t shortAnswer[15] = {};
    EXPECT_FALSE(ReadStatusRecord(shortAnswer, sizeof shortAnswer, r));
    const std::uint8_t s16[16] = {0, 0, 0, 5, 0, 0, 0, 1};
    ASSERT_TRUE(ReadStatusRecord(s16, sizeof s16, r));
    auto rows = StatusRows(r, 8, Id);
    ASSERT_EQ(rows.size(), 4u + 8u);
    EXPECT_EQ(rows[4][1], " #5139");
    EXPECT_EQ(rows[5][1], " #5144");
    EXPECT_EQ(rows[6][1], " #5139");
    const std::uint8_t s28[28] = {0, 0, 0, 1, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0,
                                  1, 0, 1, 0, 9, 0, 0, 0, 2, 0, 7, 0};
    ASSERT_TRUE(ReadStatusRecord(s28, sizeof s28, r));
    rows = StatusRows(r, 1, Id);
    ASSERT_EQ(rows.size(), 4u + 1u + 1u + 4u);
    EXPECT_EQ(rows[4][1], " #5142"); // state 3 takes 5142
    EXPECT_EQ(rows[6][0], " #58801");
    EXPECT_EQ(rows[6][2], "9  #5871");
    EXPECT_EQ(rows[7][2], " #5874");
    EXPECT_EQ(rows[8][2], " #5872");
    EXPECT_EQ(rows[9][2], "7"); // a state without a text shows its number
}

TEST(SystemInfo, Rows)
{
    SystemInfoInput in;
    EXPECT_TRUE(SystemRows(in, Id).empty());
    in.connected = true;
    in.address = "127.0.0.1";
    in.port = 9000;
    in.mac = {0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e};
    in.firmName[3] = std::string(32, 'F');
    in.firmVer[4] = 0x80000000u;
    const auto rows = SystemRows(in, Id);
    ASSERT_EQ(rows.size(), 10u);
    EXPECT_EQ(rows[1][1], "9000");
    EXPECT_EQ(rows[3][1], "00:1A:2B:3C:4D:5E");
    EXPECT_EQ(rows[5][1], "1970  0101  0000");
    EXPECT_EQ(rows[6][2], std::string(32, 'F'));
    EXPECT_EQ(rows[7][1], "1970  0101  0000");
}
