// Setup-change decoders, region and schedule unpacking: tables of records
// with the bytes each case sets.
#include "search/LogDetail.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

RemoteLogRecord Rec(int subKind, std::vector<std::pair<std::size_t, std::uint8_t>> bytes,
                    std::uint32_t camera = 0)
{
    std::uint8_t block[200] = {};
    const std::uint32_t fields[6] = {42, 200, 4, 1u << subKind, 0, camera};
    for (int f = 0; f < 6; ++f) {
        for (int i = 0; i < 4; ++i)
            block[f * 4 + i] = static_cast<std::uint8_t>(fields[f] >> (24 - 8 * i));
    }
    for (const auto& [at, v] : bytes)
        block[at] = v;
    return RemoteLogRecord::FromBlock(block, 200);
}

LogDetailContext Ctx(bool connected = true, int major = 1, bool flag2 = false, bool sub6 = false)
{
    LogDetailContext c;
    c.connected = connected;
    c.subProductMajor = major;
    c.helloFlag2Bit0 = flag2;
    c.subProduct6 = sub6;
    c.spaced = [](int id) { return std::string(" #").append(std::to_string(id)); };
    c.plain = [](int id) { return std::string("#").append(std::to_string(id)); };
    return c;
}

// The label and value of each row after the entry's own row and the gap.
std::vector<std::pair<std::string, std::string>> Items(const LogDetail& d)
{
    std::vector<std::pair<std::string, std::string>> out;
    for (std::size_t i = 2; i < d.rows.size(); ++i)
        out.emplace_back(d.rows[i][1], d.rows[i][2]);
    return out;
}

using Rows = std::vector<std::pair<std::string, std::string>>;

TEST(LogDetail, DecodersTable)
{
    struct Case
    {
        const char* name;
        RemoteLogRecord rec;
        int sub;
        LogDetailContext ctx;
        Rows want;
    };
    const Case cases[] = {
        {"kind4 group 1", Rec(4, {{185, 0x05}}), 4, Ctx(), {{" #5026", " #5680"}, {" #5026", " #5130"}}},
        {"kind4 major 3 and 5",
         Rec(4, {{185, 0x02}, {186, 0x80}}),
         4,
         Ctx(true, 3),
         {{" #5026", " #6050"}, {" #5894", " #5834"}}},
        {"kind4 system 6", Rec(4, {{186, 0x80}}), 4, Ctx(true, 6), {{" #5894", " #6093"}}},
        {"kind4 no connection",
         Rec(4, {{185, 0x02}, {186, 0x80}}),
         4,
         Ctx(false, 3),
         {{" #5026", " #5208"}, {" #5894", " #5834"}}},
        {"kind9",
         Rec(9, {{184, 9}, {185, 1}, {186, 0x81}, {195, 1}, {199, 2}}),
         9,
         Ctx(),
         {{" #5899", " PC"},
          {" #5492", " AVI"},
          {" #5420", " 1970-01-01 00:00:01"},
          {" #5421", " 1970-01-01 00:00:02"},
          {" #5152", " 01 08"}}},
        {"kind9 other medium",
         Rec(9, {{184, 8}, {185, 0}, {187, 0x02}}),
         9,
         Ctx(),
         {{" #5899", " #6091"},
          {" #5492", " #5693"},
          {" #5420", " 1970-01-01 00:00:00"},
          {" #5421", " 1970-01-01 00:00:00"},
          {" #5152", " 10"}}},
        {"kind13",
         Rec(13, {{88, 'A'}, {120, 'B'}, {121, 'C'}}),
         13,
         Ctx(),
         {{" #5937", " A"}, {" #5936", " BC"}}},
        // Each side from its own byte: 1 -> 2 is On --> On, not On --> Off.
        {"kind14 switch", Rec(14, {{88, 1}, {120, 2}}), 14, Ctx(), {{" #5462", " #5344 --> #5344"}}},
        {"kind14 switch off", Rec(14, {{88, 1}, {120, 0}}), 14, Ctx(), {{" #5462", " #5344 --> #5340"}}},
        {"kind14 event mode", Rec(14, {{92, 3}, {124, 5}}), 14, Ctx(), {{" #5920", " #5693 --> #5693"}}},
        {"kind14 event mode sub6",
         Rec(14, {{124, 0}, {92, 1}}),
         14,
         Ctx(true, 1, false, true),
         {{" Event Mode", " #5693 --> #5692"}}},
        {"kind14 fps", Rec(14, {{93, 7}, {125, 15}}), 14, Ctx(), {{" Non-Event FPS", " (4CIF) 7 --> 15"}}},
        {"kind14 fps no connection",
         Rec(14, {{93, 7}, {125, 15}}),
         14,
         Ctx(false),
         {{" Non-Motion FPS", " (4CIF) 7 --> 15"}}},
        {"kind14 durations",
         Rec(14, {{89, 5}, {121, 6}, {100, 1}, {132, 2}}),
         14,
         Ctx(true, 1, true),
         {{"Post Event Duration", " 5 --> 6"}, {"Pre Event Duration", " 1 --> 2"}}},
        {"kind14 audio",
         Rec(14, {{91, 0}, {123, 3}, {97, 2}, {129, 4}}),
         14,
         Ctx(),
         {{" #5030", " #515201 --> #515204"}, {" #5030 2", " CH 3 --> CH 5"}}},
        {"kind16",
         Rec(16, {{88, 1}, {120, 2}, {92, 9}}),
         16,
         Ctx(),
         {{" #5467", "  #5130  ->   #5131"},
          {" #5468", "  #5208  ->   #5208"},
          {" #5469", "  #5208  ->   #5208"},
          {" #5470", "  #5208  ->   #5208"},
          {" #5471", " 9  ->   #5208"}}},
        {"kind17 type 0",
         Rec(17, {{88, 0}, {89, 0}, {120, 2}, {91, 1}, {122, 7}}),
         17,
         Ctx(),
         {{" #5208", ""}, {" #5682", " 4CIF --> CIF"}, {" #5030", " #5344 --> 7"}}},
        {"kind17 type 1",
         Rec(17, {{88, 1}, {151, 2}, {112, 1}, {143, 0}, {108, 0}, {139, 1}, {120, 1}}),
         17,
         Ctx(),
         {{" #5130", ""},
          {" #5489", " 2 profile"},
          {" #5686", " #5344 --> #5340"},
          {" #5686", " #5340 --> #5344"},
          {" #5682", " 4CIF --> 2CIF"}}},
        {"kind17 type 5",
         Rec(17, {{88, 5}, {92, 3}, {123, 4}, {93, 1}, {124, 0}}),
         17,
         Ctx(),
         {{" #5210", ""}, {" #5342", " 3 --> 4"}, {" #5687", " #5344 --> #5340"}}},
        {"kind17 type 4",
         Rec(17, {{88, 4}, {92, 1}, {123, 9}}),
         17,
         Ctx(),
         {{" #5132", ""}, {" #5684", " #5934 --> 9"}}},
        {"kind18",
         Rec(18, {{88, 2}, {92, 3}, {93, 1}, {94, 0x2C}, {95, 0x01}, {123, 0}, {124, 7}}),
         18,
         Ctx(),
         {{" #5130", ""},
          {" #5935", " #5489 3"},
          {"", " #5937"},
          {"", " Cam03 - #5767 - 300"},
          {"", " #5340 - #5760 - 000"},
          {"", " #5340 - #5760 - 000"},
          {"", " #5340 - #5760 - 000"},
          {"", " #5936"},
          {"", " #5340 - 7 - 000"},
          {"", " #5340 - #5760 - 000"},
          {"", " #5340 - #5760 - 000"},
          {"", " #5340 - #5760 - 000"}}},
    };
    for (const Case& c : cases) {
        const LogDetail d = DecodeSetupChange(c.rec, c.sub, c.ctx);
        ASSERT_GE(d.rows.size(), 2u) << c.name;
        EXPECT_EQ(d.rows[0][0], "00042") << c.name;
        EXPECT_EQ(Items(d), c.want) << c.name;
    }
}

TEST(LogDetail, HeadRowRegionButtonAndType80)
{
    // Several sub-kind bits: the highest among 0-18 names the entry.
    RemoteLogRecord r = Rec(17, {{88, 2}});
    r.sub_kind |= 1u << 18;
    EXPECT_EQ(DecodeSetupChange(r, 17, Ctx()).rows[0][2], " Preset on Alarm Set");
    r.sub_kind = (1u << 14) | (1u << 2);
    EXPECT_EQ(DecodeSetupChange(r, 17, Ctx()).rows[0][2], " #5680");
    EXPECT_TRUE(DecodeSetupChange(r, 17, Ctx()).rows[1][0].empty());

    // Type 2: Region shows only when one of the 13 bytes of each side differs.
    EXPECT_FALSE(DecodeSetupChange(Rec(17, {{88, 2}, {93, 5}, {124, 5}}), 17, Ctx()).region);
    EXPECT_TRUE(DecodeSetupChange(Rec(17, {{88, 2}, {105, 1}}), 17, Ctx()).region);
    EXPECT_FALSE(DecodeSetupChange(Rec(17, {{88, 3}, {105, 1}}), 17, Ctx()).region);

    const Rows type80 =
        Items(DecodeSetupChange(Rec(17, {{88, 0x80}, {89, 1}, {92, 4}, {120, 5}}), 17, Ctx()));
    ASSERT_EQ(type80.size(), 11u);
    EXPECT_EQ(type80[0], (std::pair<std::string, std::string>{" #5833", " #5937"}));
    EXPECT_EQ(type80[1].second, " Left : 1");
    EXPECT_EQ(type80[4].second, " Bottom : 4");
    EXPECT_EQ(type80[5].second, "");
    EXPECT_EQ(type80[6].second, " #5936");
    EXPECT_EQ(type80[7].second, " Left : 5");
}

TEST(LogDetail, RegionAndScheduleUnpacking)
{
    const RemoteLogRecord r = Rec(17, {{93, 0x01}, {124, 0x03}, {103, 0xFF}, {134, 0xFF}, {102, 0x80}});
    const auto before = UnpackRegion(r, 93);
    const auto after = UnpackRegion(r, 124);
    EXPECT_EQ(before[0], 1);
    EXPECT_EQ(before[1], 0);
    EXPECT_EQ(after[0], 1);
    EXPECT_EQ(after[1], 1);
    // Cell 79 (row 7, column 9) is bit 7 of the tenth byte.
    EXPECT_EQ(before[7 * 11 + 9], 1);
    // Bytes past the tenth never reach the grid; columns 10 and row 8 stay 0.
    int set = 0;
    for (std::uint8_t v : before)
        set += v;
    EXPECT_EQ(set, 2);
    for (int row = 0; row < 9; ++row)
        EXPECT_EQ(before[static_cast<std::size_t>(row * 11 + 10)], 0);

    const RemoteLogRecord s = Rec(15, {{88, 0x80}, {140, 0x80}});
    const auto old = UnpackSchedule(s, 88);
    // Bit 7: day 0, hour 1.
    EXPECT_EQ(old[0 * 24 + 1], 1);
    int marks = 0;
    for (std::uint8_t v : old)
        marks += v;
    EXPECT_EQ(marks, 1);
    // Bit 167 (the last): day 167 mod 7 = 6, hour 23.
    EXPECT_EQ(UnpackSchedule(s, 120)[6 * 24 + 23], 1);

    RemoteLogRecord cam = r;
    for (const auto& [camera, channel] : {std::pair<std::uint32_t, int>{0, 0}, {1, 0}, {16, 15}, {17, 0}}) {
        cam.camera = camera;
        EXPECT_EQ(RegionChannel(cam), channel) << camera;
    }
}

} // namespace
