// The connection-log viewer over logs written by the real log writer: order
// before and after the ring wraps, damaged headers and record sizes, the date
// formats and the columns of each kind.
#include "LocalTestDir.h"
#include "local/LocalLogModel.h"
#include "local/ResIds.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <gtest/gtest.h>

namespace {

// A log of `count` appended records, record i at time base + i.
std::string WrittenLog(int count, std::uint32_t base = 1262217600)
{
    std::string bytes;
    MemoryConnectLogStorage storage(bytes);
    for (int i = 0; i < count; ++i) {
        ConnectLogRecord r;
        r.size = kConnectLogRecordSize;
        r.type = i % 2 == 0 ? 2 : 4;
        r.subtype = 1;
        r.time = base + static_cast<std::uint32_t>(i);
        std::snprintf(r.address, sizeof r.address, "10.0.0.%d", i % 250);
        std::snprintf(r.user, sizeof r.user, "user%d", i);
        EXPECT_TRUE(AppendConnectLogRecord(storage, r));
    }
    return bytes;
}

std::string Kind(int id)
{
    return " k" + std::to_string(id);
}

void PutLe(std::string& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i));
}

} // namespace

TEST(LocalLog, OrderNumbersAndColumnsTable)
{
    struct Case
    {
        const char* name;
        int written;
        std::function<void(std::string&)> damage;
        std::size_t rows;
        std::string firstNumber, lastNumber;
        std::uint32_t newestTime, oldestTime; // offsets from the base
    };
    const std::vector<Case> cases = {
        {"three records", 3, nullptr, 3, "0003", "0001", 2, 0},
        {"wrapped with next index 10", 2510, nullptr, 2500, "2500", "0001", 2509, 10},
        {"next index past the ring reads as not wrapped", 2510, [](std::string& b) { PutLe(b, 4, 99999); }, 2500,
         "2500", "0001", 2499 /* slot 2499 */, 2500 /* slot 0 */},
        {"record size field zero", 3, [](std::string& b) { PutLe(b, 12, 0); }, 3, "0003", "0001", 2, 0},
        {"record size field huge", 3, [](std::string& b) { PutLe(b, 12, 0x7FFFFFFF); }, 3, "0003", "0001", 2, 0},
        {"a cut last record is left out", 3, [](std::string& b) { b.resize(b.size() - 10); }, 2, "0002", "0001", 1,
         0},
        {"a header alone", 0, [](std::string& b) { b.assign(8, '\0'); }, 0, "", "", 0, 0},
        {"shorter than a header", 0, [](std::string& b) { b.assign(5, '\x01'); }, 0, "", "", 0, 0},
    };
    const std::uint32_t base = 1262217600; // 2009-12-31 00:00:00 UTC
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string bytes = WrittenLog(c.written);
        if (c.damage)
            c.damage(bytes);
        const auto records = ParseConnectLog(bytes);
        const auto rows = BuildLocalLogRows(records, 0, Kind);
        ASSERT_EQ(rows.size(), c.rows);
        if (rows.empty())
            continue;
        EXPECT_EQ(rows.front().cells[0], c.firstNumber);
        EXPECT_EQ(rows.back().cells[0], c.lastNumber);
        EXPECT_EQ(records.back().time, base + c.newestTime);
        EXPECT_EQ(records.front().time, base + c.oldestTime);
    }
}

TEST(LocalLog, KindsUserColumnsAndDateFormats)
{
    std::vector<ConnectLogRecord> recs(6);
    const std::uint32_t kinds[6][2] = {{2, 1}, {4, 1}, {4, 2}, {1, 2}, {8, 1}, {16, 1}};
    for (std::size_t i = 0; i < recs.size(); ++i) {
        recs[i].type = kinds[i][0];
        recs[i].subtype = kinds[i][1];
        recs[i].time = 1262303999; // 2009-12-31 23:59:59
        std::strcpy(recs[i].user, "admin");
        std::strcpy(recs[i].address, "192.168.0.9");
    }
    const auto rows = BuildLocalLogRows(recs, 0, Kind);
    // Newest first: the type-16 record has no kind.
    EXPECT_EQ(rows[0].cells[2], "");
    EXPECT_EQ(rows[1].cells[2], " k5004");
    EXPECT_EQ(rows[2].cells[2], " k5361");
    EXPECT_EQ(rows[3].cells[2], " k5366");
    EXPECT_EQ(rows[4].cells[2], " k5365");
    EXPECT_EQ(rows[4].cells[3], "") << "local playback shows only its kind";
    EXPECT_EQ(rows[5].cells[2], " k" + std::to_string(IDS_LOCAL_LOG_LOGIN));
    EXPECT_EQ(rows[5].cells[3], "admin");
    EXPECT_EQ(rows[5].cells[4], "192.168.0.9");
    EXPECT_EQ(ConnectLogKindStringId(2, 4), IDS_LOCAL_LOG_CONNECT_FAILED);
    EXPECT_EQ(ConnectLogKindStringId(1, 4), 0);
    EXPECT_EQ(ConnectLogKindStringId(0, 1), 0);

    EXPECT_EQ(FormatLogTime(1262303999, 0), "2009-12-31 23:59:59");
    EXPECT_EQ(FormatLogTime(1262303999, 1), "12-31-2009 23:59:59");
    EXPECT_EQ(FormatLogTime(1262303999, 2), "31-12-2009 23:59:59");
    EXPECT_EQ(FormatLogTime(0xFFFFFFF0u, 0), "1970-01-01 00:00:00");
}

// The hand-written digits against printf over the whole range of times,
// and rows refilled in place equal rows built afresh (a refill after a longer
// log must leave no cell of the longer one behind).
TEST(LocalLog, TimesNumbersAndRefilledRowsMatchTheirPrintfForms)
{
    for (std::uint32_t t = 0; t < 0x80000000u; t += 0x00F3C2A7u) {
        std::time_t tt = static_cast<std::time_t>(t);
        std::tm tm{};
        gmtime_r(&tt, &tm);
        char want[64];
        std::snprintf(want, sizeof want, "%02d-%02d-%04d %02d:%02d:%02d", tm.tm_mday, tm.tm_mon + 1,
                      tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
        EXPECT_EQ(FormatLogTime(t, 2), want) << t;
    }
    for (int k : {0, 1, 9, 10, 999, 2500, 10000, 123456}) {
        char want[16];
        std::snprintf(want, sizeof want, "%04d", k);
        EXPECT_EQ(LogRowNumber(k), want);
    }

    std::vector<ConnectLogRecord> many(5), few(2);
    for (std::size_t i = 0; i < many.size(); ++i) {
        many[i].type = 2;
        many[i].subtype = 1;
        many[i].time = 1262303999 - static_cast<std::uint32_t>(i);
        std::snprintf(many[i].user, sizeof many[i].user, "a-rather-long-user-name-%zu", i);
        std::snprintf(many[i].address, sizeof many[i].address, "host-%zu.example.invalid", i);
    }
    few[0].type = 8; // local playback: kind only
    few[0].subtype = 1;
    few[1].type = 1;
    few[1].subtype = 1;
    std::vector<LocalLogRow> rows;
    for (const auto* records : {&many, &few, &many}) {
        BuildLocalLogRows(*records, 1, Kind, rows);
        const auto fresh = BuildLocalLogRows(*records, 1, Kind);
        ASSERT_EQ(rows.size(), fresh.size());
        for (std::size_t r = 0; r < rows.size(); ++r)
            EXPECT_EQ(rows[r].cells, fresh[r].cells) << r;
    }
}

TEST(LocalLog, LoadsTheFileUnderTheWritersLock)
{
    const std::string dir = LocalScratch();
    CConnectLog log([] { return std::time_t(1262217600); });
    log.SetLocation(dir);
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(log.Write(184, 4, 1 + i % 2, nullptr, nullptr));
    std::string bytes;
    ASSERT_TRUE(LoadConnectLogFile(log.FilePath(), bytes));
    const auto records = ParseConnectLog(bytes);
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[3].subtype, 2u);
    EXPECT_FALSE(LoadConnectLogFile(dir + "/none.log", bytes));
    EXPECT_TRUE(bytes.empty());
    ASSERT_TRUE(LoadConnectLogFile(log.FilePath(), bytes, 8 + 184 * 2 + 5));
    EXPECT_EQ(ParseConnectLog(bytes).size(), 2u);
}
