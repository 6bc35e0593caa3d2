// The PTZ protocol tables: named and numbered forms, free entries and the
// position each list line stands for, bounded lookups of bytes the recorder
// or the image may hold.
#include "setup/PtzProtocolTable.h"
#include "net/NetRecords.h"
#include "setup/RecorderCaps.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {
SysEtcInfoEx NamedInfo(int namesAt, int countsAt, std::vector<std::pair<const char*, int>> entries)
{
    SysEtcInfoEx info{};
    for (std::size_t p = 0; p < entries.size(); ++p) {
        std::strncpy(reinterpret_cast<char*>(info.bytes + namesAt + 16 * p), entries[p].first, 16);
        info.bytes[countsAt + p] = static_cast<std::uint8_t>(entries[p].second);
    }
    return info;
}

SysEtcInfo NumberedInfo(int at, std::vector<std::pair<int, int>> pairs)
{
    SysEtcInfo info{};
    for (std::size_t p = 0; p < pairs.size(); ++p) {
        info.bytes[at + 2 * p] = static_cast<std::uint8_t>(pairs[p].first);
        info.bytes[at + 2 * p + 1] = static_cast<std::uint8_t>(pairs[p].second);
    }
    return info;
}
} // namespace

TEST(PtzProtocolTable, TablesGiveNamesCountsAndLinePositions)
{
    struct Case
    {
        const char* what;
        PtzProtocolTable table;
        std::vector<QString> names; // positions 0-4
        std::vector<int> counts;
        std::vector<QString> lines;
        std::vector<int> positions;
    } cases[] = {
        {"named camera, a gap at 1",
         PtzProtocolTable::Named(NamedInfo(1024, 2048, {{"ALPHA", 3}, {"", 9}, {"GAMMA", 0}, {"DELTA", 255}}),
                                 PtzDevice::Camera),
         {"ALPHA", "", "GAMMA", "DELTA", ""},
         {3, 9, 0, 255, 0},
         {"ALPHA", "GAMMA", "DELTA"},
         {0, 2, 3}},
        {"named keyboard, entry 0 free",
         PtzProtocolTable::Named(NamedInfo(2112, 3136, {{"", 2}, {"KEYS", 4}}), PtzDevice::Keyboard),
         {"", "KEYS", "", "", ""},
         {2, 4, 0, 0, 0},
         {"KEYS"},
         {1}},
        {"numbered camera: free, unknown and far name numbers",
         PtzProtocolTable::Numbered(NumberedInfo(64, {{1, 4}, {0, 3}, {6, 2}, {7, 1}, {200, 5}}),
                                    PtzDevice::Camera),
         {"Pelco-P", "", "Vitek", "", ""},
         {4, 3, 2, 1, 5},
         {"Pelco-P", "Vitek"},
         {0, 2}},
        {"numbered keyboard",
         PtzProtocolTable::Numbered(NumberedInfo(192, {{2, 1}, {1, 0}, {3, 6}}), PtzDevice::Keyboard),
         {"Vista KBD", "RKB-2000", "", "", ""},
         {1, 0, 6, 0, 0},
         {"Vista KBD", "RKB-2000"},
         {0, 1}},
        {"never sent: all free",
         PtzProtocolTable::Numbered(SysEtcInfo{}, PtzDevice::Camera),
         {"", "", "", "", ""},
         {0, 0, 0, 0, 0},
         {},
         {}},
    };
    for (const Case& c : cases) {
        for (int p = 0; p < 5; ++p) {
            EXPECT_EQ(c.table.Name(p), c.names[p]) << c.what << " position " << p;
            EXPECT_EQ(c.table.MaxBaud(p), c.counts[p]) << c.what << " position " << p;
        }
        EXPECT_EQ(c.table.Lines(), c.lines) << c.what;
        EXPECT_EQ(c.table.LinePositions(), c.positions) << c.what;
        // Positions outside the 64 entries (an image byte up to 255) read empty.
        for (int p : {-1, 64, 100, 255}) {
            EXPECT_TRUE(c.table.Name(p).isEmpty()) << c.what;
            EXPECT_EQ(c.table.MaxBaud(p), 0) << c.what;
        }
    }
}

TEST(PtzProtocolTable, NamesWithoutTheirNulEndAtTheSlot)
{
    SysEtcInfoEx info{};
    std::memset(info.bytes + 1024, 'N', 32); // entries 0 and 1 fill their slots
    const PtzProtocolTable t = PtzProtocolTable::Named(info, PtzDevice::Camera);
    EXPECT_EQ(t.Name(0), QString(16, 'N'));
    EXPECT_EQ(t.Name(1), QString(16, 'N'));
    std::memset(info.bytes + 1024, 'N', 1024); // every camera slot full, up to the counts
    const PtzProtocolTable full = PtzProtocolTable::Named(info, PtzDevice::Camera);
    EXPECT_EQ(full.Name(63), QString(16, 'N'));
    EXPECT_EQ(full.Lines().size(), 64u);
}

TEST(PtzProtocolTable, BaudTextsAndLines)
{
    EXPECT_EQ(PtzProtocolTable::BaudText(0), "2400 bps");
    EXPECT_EQ(PtzProtocolTable::BaudText(4), "38400 bps");
    EXPECT_EQ(PtzProtocolTable::BaudText(5), "76800 bps");
    for (int i : {-1, 6, 63, 64, 255})
        EXPECT_TRUE(PtzProtocolTable::BaudText(i).isEmpty()) << i;
    EXPECT_TRUE(PtzProtocolTable::BaudLines(0).empty());
    EXPECT_EQ(PtzProtocolTable::BaudLines(4),
              (std::vector<QString>{"2400 bps", "4800 bps", "9600 bps", "19200 bps"}));
    // A count beyond the texts gives empty lines, never beyond the 64 slots.
    EXPECT_EQ(PtzProtocolTable::BaudLines(8).size(), 8u);
    EXPECT_TRUE(PtzProtocolTable::BaudLines(8)[7].isEmpty());
    EXPECT_EQ(PtzProtocolTable::BaudLines(255).size(), 64u);
}

TEST(PtzProtocolTable, TheNamedTableHoldsOnceSent)
{
    RecorderCaps caps;
    caps.sysEtcInfo = NumberedInfo(64, {{2, 3}});
    caps.sysEtcInfoEx = NamedInfo(1024, 2048, {{"NAMED", 1}});
    EXPECT_EQ(PtzProtocolTable::FromCaps(caps, PtzDevice::Camera).Name(0), "Pelco-D");
    caps.hasSysEtcInfoEx = true;
    const PtzProtocolTable t = PtzProtocolTable::FromCaps(caps, PtzDevice::Camera);
    EXPECT_TRUE(t.IsNamed());
    EXPECT_EQ(t.Name(0), "NAMED");
    EXPECT_EQ(t.MaxBaud(0), 1);
}
