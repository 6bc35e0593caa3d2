// The table-driven residual block parser against a straightforward one that
// reads bit by bit and matches the writer's own code words: every
// coeff_token of every nC class, followed by many tails (level escapes,
// total_zeros and run_before of every length, refusals, the end of the data).
// Both must agree on acceptance, position, TotalCoeff and every level.
#include "local/h264/H264DecoderState.h"
#include "streams/WatermarkWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using k5streams::WmCoeffTokenCode;
using k5streams::WmRunBeforeCode;
using k5streams::WmTotalZerosCode;

// Bits past the end read as zeros, as with the decoder's reader.
class SlowBits
{
public:
    explicit SlowBits(const std::string& bits) : m_bits(bits) {}
    int Bit(std::size_t at) const { return at < m_bits.size() && m_bits[at] == '1'; }
    int Read() { return Bit(m_pos++); }
    std::uint32_t Read(int n)
    {
        std::uint32_t v = 0;
        for (int i = 0; i < n; ++i)
            v = v << 1 | static_cast<std::uint32_t>(Read());
        return v;
    }
    // The code among `codes` (prefix-free) that the next bits spell, or -1;
    // moves past it only when one matches.
    int Match(const std::vector<std::string>& codes)
    {
        for (std::size_t k = 0; k < codes.size(); ++k) {
            const std::string& c = codes[k];
            if (c.empty())
                continue;
            bool same = true;
            for (std::size_t i = 0; i < c.size() && same; ++i)
                same = Bit(m_pos + i) == (c[i] == '1');
            if (same) {
                m_pos += c.size();
                return static_cast<int>(k);
            }
        }
        return -1;
    }
    std::size_t Pos() const { return m_pos; }
    void Seek(std::size_t pos) { m_pos = pos; }

private:
    const std::string& m_bits;
    std::size_t m_pos = 0;
};

struct Parsed
{
    bool ok = false;
    std::size_t pos = 0;
    int total = 0;
    int coeffs[16] = {};
};

// residual_block_cavlc() as the standard writes it.
Parsed SlowParse(const std::string& bits, int nC, int maxNum)
{
    Parsed p;
    SlowBits b(bits);
    std::vector<std::string> tokens;
    for (int tc = 0; tc <= 16; ++tc)
        for (int t1 = 0; t1 < 4; ++t1)
            tokens.emplace_back(WmCoeffTokenCode(nC, tc, t1));
    const int token = b.Match(tokens);
    auto done = [&](bool ok) {
        p.ok = ok;
        p.pos = b.Pos();
        return p;
    };
    if (token < 0)
        return done(false);
    const int tc = token / 4;
    const int t1 = token % 4;
    p.total = tc;
    if (tc == 0)
        return done(true);
    if (tc > maxNum)
        return done(false);
    int level[16] = {};
    int suffixLength = tc > 10 && t1 < 3 ? 1 : 0;
    for (int i = 0; i < tc; ++i) {
        if (i < t1) {
            level[i] = b.Read() ? -1 : 1;
            continue;
        }
        int prefix = 0;
        while (prefix <= 16 && !b.Bit(b.Pos() + static_cast<std::size_t>(prefix)))
            ++prefix;
        if (prefix > 15) // longer prefixes belong to other profiles
            return done(false);
        b.Seek(b.Pos() + static_cast<std::size_t>(prefix) + 1);
        int suffixSize = suffixLength;
        if (prefix == 14 && suffixLength == 0)
            suffixSize = 4;
        if (prefix >= 15)
            suffixSize = prefix - 3;
        int code = (std::min(15, prefix) << suffixLength) + static_cast<int>(b.Read(suffixSize));
        if (prefix >= 15 && suffixLength == 0)
            code += 15;
        if (i == t1 && t1 < 3)
            code += 2;
        level[i] = code % 2 == 0 ? (code + 2) / 2 : (-code - 1) / 2;
        if (suffixLength == 0)
            suffixLength = 1;
        if (std::abs(level[i]) > (3 << (suffixLength - 1)) && suffixLength < 6)
            ++suffixLength;
    }
    int zerosLeft = 0;
    if (tc < maxNum) {
        std::vector<std::string> codes;
        for (int z = 0; z < 16; ++z)
            codes.emplace_back(WmTotalZerosCode(nC < 0, tc, z));
        zerosLeft = b.Match(codes);
        if (zerosLeft < 0)
            return done(false);
        if (zerosLeft > maxNum - tc)
            return done(false);
    }
    int run[16] = {};
    for (int i = 0; i < tc - 1; ++i) {
        if (zerosLeft == 0)
            break;
        std::vector<std::string> codes;
        for (int r = 0; r < 16; ++r)
            codes.emplace_back(WmRunBeforeCode(zerosLeft, r));
        const std::size_t at = b.Pos();
        run[i] = b.Match(codes);
        if (run[i] < 0 || run[i] > zerosLeft) {
            b.Seek(at);
            return done(false);
        }
        zerosLeft -= run[i];
    }
    run[tc - 1] = zerosLeft;
    int coeffNum = -1;
    for (int i = tc - 1; i >= 0; --i) {
        coeffNum += run[i] + 1;
        p.coeffs[coeffNum] = level[i];
    }
    return done(true);
}

std::vector<std::uint8_t> Pack(const std::string& bits, std::size_t padBytes)
{
    std::vector<std::uint8_t> v((bits.size() + 7) / 8 + padBytes, 0);
    for (std::size_t i = 0; i < bits.size(); ++i)
        if (bits[i] == '1')
            v[i / 8] |= static_cast<std::uint8_t>(0x80 >> (i % 8));
    return v;
}

} // namespace

TEST(ResidualBlock, TablesAgreeWithBitByBitDecodingOfEveryCoeffToken)
{
    std::mt19937 rng(20261211);
    // nC of each class, with the maxNumCoeff values that class is used with.
    const struct
    {
        int nC;
        std::vector<int> maxNums;
    } classes[] = {{-1, {4}}, {0, {16, 15}}, {1, {15}}, {2, {16, 15}}, {5, {16, 15}}, {8, {16, 15}}, {13, {15}}};
    int parsed = 0, refused = 0, overread = 0;
    for (const auto& cls : classes) {
        for (int tc = 0; tc <= 16; ++tc)
            for (int t1 = 0; t1 < 4; ++t1) {
                const std::string token = WmCoeffTokenCode(cls.nC, tc, t1);
                if (token.empty())
                    continue;
                for (int maxNum : cls.maxNums)
                    for (int tail = 0; tail < 240; ++tail) {
                        // Tails from fair bits to mostly zeros (long prefixes,
                        // escapes, long runs and invalid codes), of lengths
                        // that end inside the block as well as past it.
                        static const double kZeroBias[] = {0.5, 0.7, 0.9, 0.97};
                        std::bernoulli_distribution one(1.0 - kZeroBias[tail % 4]);
                        const std::size_t tailLen = rng() % 2 ? 400 : rng() % 120;
                        std::string bits = token;
                        for (std::size_t i = 0; i < tailLen; ++i)
                            bits += one(rng) ? '1' : '0';
                        SCOPED_TRACE("nC " + std::to_string(cls.nC) + " maxNum " + std::to_string(maxNum) +
                                     " bits " + bits);
                        const Parsed want = SlowParse(bits, cls.nC, maxNum);
                        for (std::size_t pad : {std::size_t{0}, std::size_t{9}}) {
                            const auto bytes = Pack(bits, pad);
                            for (bool store : {true, false}) {
                                H264BitReader br(bytes.data(), bytes.size(), bits.size());
                                int coeffs[16] = {};
                                int total = -1;
                                const bool ok = h264::ParseResidualBlock(br, cls.nC, maxNum,
                                                                         store ? coeffs : nullptr, &total);
                                ASSERT_EQ(ok, want.ok) << "store " << store;
                                ASSERT_EQ(br.Pos(), want.pos) << "store " << store;
                                ASSERT_EQ(br.Overread(), want.pos > bits.size());
                                if (!ok)
                                    continue;
                                ASSERT_EQ(total, want.total);
                                if (store) {
                                    ASSERT_EQ(0, std::memcmp(coeffs, want.coeffs, sizeof coeffs));
                                }
                            }
                        }
                        ++parsed;
                        refused += !want.ok;
                        overread += want.pos > bits.size();
                    }
            }
    }
    // The tails reached refusals and the end of the data, not only clean blocks.
    EXPECT_GT(refused, parsed / 20);
    EXPECT_GT(overread, parsed / 50);
    EXPECT_GT(parsed - refused, parsed / 4);
}
