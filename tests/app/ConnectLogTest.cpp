#include "TestSupport.h"

#include "app/ConnectLog.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace {

constexpr std::time_t kNow = 1215000000;

// An independent reader of the file: raw little-endian words at fixed offsets.
struct LogFile
{
    std::string bytes;

    std::uint32_t Word(std::size_t offset) const
    {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data()) + offset;
        return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
               std::uint32_t(p[3]) << 24;
    }
    std::uint32_t Wrapped() const { return Word(0); }
    std::uint32_t Next() const { return Word(4); }
    std::size_t Slot(int s) const { return 8 + 184u * static_cast<std::size_t>(s); }
    std::uint32_t Index(int s) const { return Word(Slot(s)); }
    std::uint32_t Size(int s) const { return Word(Slot(s) + 4); }
    std::uint32_t Type(int s) const { return Word(Slot(s) + 8); }
    std::uint32_t Subtype(int s) const { return Word(Slot(s) + 12); }
    std::uint32_t Time(int s) const { return Word(Slot(s) + 16); }
    std::uint32_t Reserved(int s) const { return Word(Slot(s) + 20); }
    std::string Address(int s) const { return bytes.substr(Slot(s) + 24, 128); }
    std::string User(int s) const { return bytes.substr(Slot(s) + 152, 32); }
};

LogFile Read(const CConnectLog& log)
{
    return LogFile{ReadFileBytes(log.FilePath())};
}

std::string Le32(std::uint32_t v)
{
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}

// A record as the file holds it, with a marker in its address.
std::string RecordBytes(std::uint32_t slot, std::uint32_t time, const std::string& mark)
{
    std::string r = Le32(slot) + Le32(184) + Le32(2) + Le32(1) + Le32(time) + Le32(0);
    std::string address(128, '\0');
    address.replace(0, mark.size(), mark);
    return r + address + std::string(32, '\0');
}

class ConnectLogTest : public ::testing::Test
{
protected:
    ConnectLogTest() : log([] { return kNow; })
    {
        log.SetLocation(dir.Path());
        log.SetZoneOffset(3600 + 30 * 60);
    }
    void MakeFile(const std::string& bytes)
    {
        ASSERT_TRUE(std::filesystem::create_directories(dir.Path() + "/Log") ||
                    std::filesystem::exists(dir.Path() + "/Log"));
        WriteFileBytes(log.FilePath(), bytes);
    }

    ScratchDir dir;
    CConnectLog log;
};

TEST_F(ConnectLogTest, FirstRecordTakesSlotZero)
{
    ASSERT_TRUE(log.Write(184, 2, 1, "admin", "192.168.0.10"));
    EXPECT_EQ(log.FilePath(), dir.Path() + "/Log/KOLA5500.log");
    const LogFile f = Read(log);
    ASSERT_EQ(f.bytes.size(), 8u + 184u);
    EXPECT_EQ(f.Wrapped(), 0u);
    EXPECT_EQ(f.Next(), 1u);
    EXPECT_EQ(f.Index(0), 0u);
    EXPECT_EQ(f.Size(0), 184u);
    EXPECT_EQ(f.Type(0), 2u);
    EXPECT_EQ(f.Subtype(0), 1u);
    EXPECT_EQ(f.Time(0), static_cast<std::uint32_t>(kNow + 5400)) << "UTC plus the zone offset";
    EXPECT_EQ(f.Reserved(0), 0u);
    EXPECT_EQ(f.Address(0), std::string("192.168.0.10") + std::string(116, '\0'));
    EXPECT_EQ(f.User(0), std::string("admin") + std::string(27, '\0'));
}

TEST_F(ConnectLogTest, FieldsAreCutAndNotTerminatedWhenFull)
{
    const std::string address128(128, 'a');
    const std::string address200 = std::string(128, 'b') + std::string(72, 'c');
    const std::string user40(40, 'u');
    ASSERT_TRUE(log.Write(184, 2, 4, user40.c_str(), address128.c_str()));
    ASSERT_TRUE(log.Write(184, 2, 4, nullptr, address200.c_str()));
    ASSERT_TRUE(log.Write(184, 1, 1, nullptr, nullptr));
    const LogFile f = Read(log);
    EXPECT_EQ(f.Address(0), address128);
    EXPECT_EQ(f.User(0), std::string(32, 'u'));
    EXPECT_EQ(f.Address(1), std::string(128, 'b'));
    EXPECT_EQ(f.User(1), std::string(32, '\0'));
    EXPECT_EQ(f.Address(2), std::string(128, '\0'));
}

TEST_F(ConnectLogTest, RingWrapsAfterSlot2499)
{
    // 2499 records written, the next goes to the last slot.
    std::string file = Le32(0) + Le32(2499);
    for (std::uint32_t s = 0; s < 2499; ++s)
        file += RecordBytes(s, 1000 + s, "old" + std::to_string(s));
    MakeFile(file);

    ASSERT_TRUE(log.Write(184, 8, 1, nullptr, "last"));
    LogFile f = Read(log);
    EXPECT_EQ(f.bytes.size(), static_cast<std::size_t>(kConnectLogFileSize));
    EXPECT_EQ(f.Wrapped(), 1u);
    EXPECT_EQ(f.Next(), 0u);
    EXPECT_EQ(f.Index(2499), 2499u);
    EXPECT_EQ(f.Address(2499).substr(0, 4), "last");

    ASSERT_TRUE(log.Write(184, 8, 2, nullptr, "first-again"));
    f = Read(log);
    EXPECT_EQ(f.Wrapped(), 1u);
    EXPECT_EQ(f.Next(), 1u);
    EXPECT_EQ(f.Index(0), 0u);
    EXPECT_EQ(f.Address(0).substr(0, 11), "first-again");
    EXPECT_EQ(f.Address(1).substr(0, 4), "old1");
    EXPECT_EQ(f.bytes.size(), static_cast<std::size_t>(kConnectLogFileSize))
        << "the file never grows past the ring";
}

TEST_F(ConnectLogTest, FullRunThroughTheRing)
{
    for (int i = 0; i < kConnectLogSlots + 3; ++i)
        ASSERT_TRUE(log.Write(184, 2, 1, nullptr, std::to_string(i).c_str()));
    const LogFile f = Read(log);
    EXPECT_EQ(f.bytes.size(), static_cast<std::size_t>(kConnectLogFileSize));
    EXPECT_EQ(f.Wrapped(), 1u);
    EXPECT_EQ(f.Next(), 3u);
    EXPECT_EQ(f.Address(0).c_str(), std::string("2500"));
    EXPECT_EQ(f.Address(2).c_str(), std::string("2502"));
    EXPECT_EQ(f.Address(3).c_str(), std::string("3"));
    EXPECT_EQ(f.Address(2499).c_str(), std::string("2499"));
}

struct BadHeaderCase
{
    const char* name;
    std::string header;  // the bytes at offset 0
    int validRecords;    // records 0..n-1 behind it
    std::string trailer; // bytes after the records
    std::uint32_t expectSlot;
};

class ConnectLogBadHeaderTest : public ConnectLogTest, public ::testing::WithParamInterface<BadHeaderCase>
{
};

TEST_P(ConnectLogBadHeaderTest, RecordGoesAfterTheKeptRecords)
{
    const BadHeaderCase& c = GetParam();
    std::string file = c.header;
    for (int s = 0; s < c.validRecords; ++s)
        file += RecordBytes(static_cast<std::uint32_t>(s), 100 + s, "kept" + std::to_string(s));
    file += c.trailer;
    MakeFile(file);

    ASSERT_TRUE(log.Write(184, 1, 1, nullptr, "new"));
    const LogFile f = Read(log);
    EXPECT_EQ(f.Wrapped(), 0u);
    EXPECT_EQ(f.Next(), c.expectSlot + 1);
    EXPECT_EQ(f.Index(static_cast<int>(c.expectSlot)), c.expectSlot);
    EXPECT_EQ(f.Address(static_cast<int>(c.expectSlot)).substr(0, 3), "new");
    for (int s = 0; s < c.validRecords && s < static_cast<int>(c.expectSlot); ++s)
        EXPECT_EQ(f.bytes.substr(f.Slot(s), 184), RecordBytes(s, 100 + s, "kept" + std::to_string(s))) << s;
    EXPECT_LT(f.bytes.size(), static_cast<std::size_t>(kConnectLogFileSize)) << "no jump to a far offset";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConnectLogBadHeaderTest,
    ::testing::Values(BadHeaderCase{"NextFarBeyondTheRing", Le32(0) + Le32(1000000), 5, "", 5},
                      BadHeaderCase{"NextAt2500", Le32(0) + Le32(2500), 3, "", 3},
                      BadHeaderCase{"NegativeNext", Le32(0) + Le32(0xFFFFFFFFu), 4, "", 4},
                      BadHeaderCase{"NextBeyondTheRecordsHeld", Le32(0) + Le32(40), 6, "", 6},
                      BadHeaderCase{"WrappedNotZeroOrOne", Le32(7) + Le32(2), 6, "", 6},
                      BadHeaderCase{"WrappedButShortFile", Le32(1) + Le32(2), 6, "", 6},
                      BadHeaderCase{"TruncatedHeader", std::string("\x01\x02\x03", 3), 0, "", 0},
                      BadHeaderCase{"GarbageAfterKeptRecords", Le32(9) + Le32(9), 2, std::string(184, '\x5A'),
                                    2},
                      // A header that lags behind its records (cut off between
                      // the record's write and its own) must not let the new
                      // record overwrite the records after it.
                      BadHeaderCase{"HeaderBehindItsRecords", Le32(0) + Le32(4), 7, "", 7},
                      BadHeaderCase{"HeaderAtItsLastRecord", Le32(0) + Le32(0), 1, "", 1}),
    [](const ::testing::TestParamInfo<BadHeaderCase>& info) { return std::string(info.param.name); });

TEST_F(ConnectLogTest, BadHeaderOnFullRingContinuesAtTheOldest)
{
    // A full ring whose newest record is in slot 699: times drop at slot 700.
    std::string file = Le32(3) + Le32(77777);
    for (std::uint32_t s = 0; s < 2500; ++s)
        file += RecordBytes(s, s < 700 ? 5000 + s : 1000 + s, "r");
    MakeFile(file);
    ASSERT_TRUE(log.Write(184, 1, 1, nullptr, "new"));
    const LogFile f = Read(log);
    EXPECT_EQ(f.Wrapped(), 1u);
    EXPECT_EQ(f.Next(), 701u);
    EXPECT_EQ(f.Address(700).substr(0, 3), "new");
}

TEST_F(ConnectLogTest, TwoThreadsLoseNoRecord)
{
    constexpr int kPerThread = 300;
    auto writer = [this](char who) {
        for (int i = 0; i < kPerThread; ++i) {
            const std::string mark = std::string(1, who) + std::to_string(i);
            log.Write(184, 2, 1, nullptr, mark.c_str());
        }
    };
    std::thread a(writer, 'a');
    std::thread b(writer, 'b');
    a.join();
    b.join();

    const LogFile f = Read(log);
    EXPECT_EQ(f.Wrapped(), 0u);
    ASSERT_EQ(f.Next(), 2u * kPerThread);
    std::set<std::string> marks;
    for (int s = 0; s < 2 * kPerThread; ++s) {
        EXPECT_EQ(f.Index(s), static_cast<std::uint32_t>(s));
        marks.insert(f.Address(s).c_str());
    }
    EXPECT_EQ(marks.size(), 2u * kPerThread) << "every record kept, none overwritten";
}

TEST_F(ConnectLogTest, ReadOnlyMediaWritesNothing)
{
    log.SetReadOnly(true);
    EXPECT_FALSE(log.Write(184, 1, 1, nullptr, nullptr));
    struct stat st
    {
    };
    EXPECT_NE(::stat((dir.Path() + "/Log").c_str(), &st), 0) << "not even the folder";
}

TEST_F(ConnectLogTest, UnusableFolderDropsTheRecord)
{
    WriteFileBytes(dir.File("blocker"), "x");
    log.SetLocation(dir.File("blocker"));
    EXPECT_FALSE(log.Write(184, 1, 1, nullptr, nullptr));
}

TEST(ConnectLogRecordCodec, RoundTripIsByteExact)
{
    ConnectLogRecord r;
    r.index = 7;
    r.size = 184;
    r.type = 2;
    r.subtype = 4;
    r.time = 0x01020304;
    std::memcpy(r.address, "10.1.1.1", 8);
    std::memcpy(r.user, "op", 2);
    const auto bytes = EncodeConnectLogRecord(r);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data()), 24),
              Le32(7) + Le32(184) + Le32(2) + Le32(4) + Le32(0x01020304) + Le32(0));
    const ConnectLogRecord back = DecodeConnectLogRecord(bytes.data());
    EXPECT_EQ(back.time, 0x01020304u);
    EXPECT_STREQ(back.address, "10.1.1.1");
    EXPECT_STREQ(back.user, "op");
}

} // namespace
