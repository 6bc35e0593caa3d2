// The bounded bit reader: exact reads, Exp-Golomb codes, and nothing read
// outside its bytes however far a corrupt stream sends it.
#include "local/h264/H264BitReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Bits given as a string of '0' and '1', packed MSB first.
std::vector<std::uint8_t> Pack(const std::string& bits)
{
    std::vector<std::uint8_t> v((bits.size() + 7) / 8, 0);
    for (std::size_t i = 0; i < bits.size(); ++i)
        if (bits[i] == '1')
            v[i / 8] |= static_cast<std::uint8_t>(0x80 >> (i % 8));
    return v;
}

} // namespace

TEST(BitReader, ExpGolombCodes)
{
    struct
    {
        std::string bits;
        std::uint32_t ue;
        bool bad;
    } cases[] = {
        {"1", 0, false},
        {"010", 1, false},
        {"011", 2, false},
        {"00111", 6, false},
        {"0001000", 7, false},
        {std::string(31, '0') + "1" + std::string(31, '1'), 0xFFFFFFFEu, false},
        {std::string(32, '0') + "1" + std::string(32, '0'), 0, true},
        {std::string(70, '0') + "1", 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bits.size());
        const auto bytes = Pack(c.bits);
        H264BitReader br(bytes.data(), bytes.size(), c.bits.size());
        EXPECT_EQ(br.Ue(), c.ue);
        EXPECT_EQ(br.BadCode(), c.bad);
        if (!c.bad) {
            EXPECT_EQ(br.Pos(), c.bits.size());
            EXPECT_FALSE(br.Failed());
        }
    }
    const auto se = Pack("1" "010" "011" "00100" "00101");
    H264BitReader br(se.data(), se.size(), 17);
    EXPECT_EQ(br.Se(), 0);
    EXPECT_EQ(br.Se(), 1);
    EXPECT_EQ(br.Se(), -1);
    EXPECT_EQ(br.Se(), 2);
    EXPECT_EQ(br.Se(), -2);
    const auto te = Pack("0" "1" "011");
    H264BitReader tr(te.data(), te.size(), 5);
    EXPECT_EQ(tr.Te(1), 0u); // nothing read
    EXPECT_EQ(tr.Te(2), 1u); // one inverted bit
    EXPECT_EQ(tr.Te(2), 0u);
    EXPECT_EQ(tr.Te(3), 2u);
    EXPECT_FALSE(tr.Failed());
}

TEST(BitReader, PastTheEndGivesZerosAndMarksOverread)
{
    const std::vector<std::uint8_t> one = {0xA5};
    // The reader gets a copy of exactly one byte: ASan sees any read beyond it.
    H264BitReader br(one.data(), 1, 8);
    EXPECT_EQ(br.U(4), 0xAu);
    EXPECT_FALSE(br.Overread());
    EXPECT_EQ(br.U(4), 0x5u);
    EXPECT_FALSE(br.Overread());
    EXPECT_FALSE(br.MoreData());
    EXPECT_EQ(br.U(8), 0u);
    EXPECT_TRUE(br.Overread());
    for (int i = 0; i < 1000; ++i) {
        EXPECT_EQ(br.U(32), 0u);
        br.Ue();
    }
    EXPECT_TRUE(br.Failed());

    // Data beyond the stop bit is not slice data: reading it is an overread.
    const std::vector<std::uint8_t> two = {0xFF, 0x80};
    H264BitReader sr(two.data(), 2, 8);
    sr.U(8);
    EXPECT_FALSE(sr.Overread());
    sr.U1();
    EXPECT_TRUE(sr.Overread());

    // An empty reader.
    H264BitReader empty(nullptr, 0, 0);
    EXPECT_EQ(empty.U(16), 0u);
    EXPECT_TRUE(empty.Overread());
}
