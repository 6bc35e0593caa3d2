#include "video/MuLaw.h"

#include <gtest/gtest.h>

#include <array>

namespace {

// Reconstruction levels of G.711 mu-law, taken from the standard's segment
// structure rather than from the expansion formula: in the 14-bit scale,
// segment s starts at 33 x 2^s - 33 and its 16 steps are 2^(s+1) apart. The
// 16-bit output is four times the 14-bit value. A code is sent inverted; its
// top bit set (after inversion: clear) means positive.
int ReferenceLevel(int code)
{
    static constexpr std::array<int, 8> kSegmentStart = {0, 33, 99, 231, 495, 1023, 2079, 4191};
    const int u = ~code & 0xFF;
    const int segment = (u >> 4) & 7;
    const int step = u & 15;
    const int magnitude = 4 * (kSegmentStart[segment] + step * (2 << segment));
    return (u & 0x80) ? -magnitude : magnitude;
}

TEST(MuLaw, KnownCodes)
{
    struct Case
    {
        BYTE code;
        int value;
    };
    // Values worked out by hand from the segment table above.
    const Case cases[] = {
        {0xFF, 0},      {0x7F, 0},      {0x00, -32124}, {0x80, 32124}, {0xFE, 8},     {0x7E, -8},
        {0xF0, 120},    {0x70, -120},   {0xEF, 132},    {0x6F, -132},  {0xDF, 396},   {0xCF, 924},
        {0xBF, 1980},   {0xAF, 4092},   {0xA0, 7932},   {0x9F, 8316},  {0x8F, 16764}, {0x81, 31100},
        {0x01, -31100}, {0x0F, -16764}, {0x10, -15996}, {0x55, -716},  {0xD5, 716},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MuLawToLinear(c.code), c.value) << "code 0x" << std::hex << int(c.code);
}

TEST(MuLaw, WholeTableMatchesTheSegmentLevels)
{
    for (int code = 0; code < 256; ++code) {
        EXPECT_EQ(MuLawToLinear(static_cast<BYTE>(code)), ReferenceLevel(code)) << code;
        // The sign bit only mirrors the value.
        EXPECT_EQ(MuLawToLinear(static_cast<BYTE>(code)), -MuLawToLinear(static_cast<BYTE>(code ^ 0x80)));
    }
    // Within each sign, a smaller code is a larger magnitude.
    for (int code = 1; code < 128; ++code)
        EXPECT_LT(MuLawToLinear(static_cast<BYTE>(code - 1)), MuLawToLinear(static_cast<BYTE>(code)));
}

TEST(MuLaw, DecodeFillsEverySample)
{
    std::array<BYTE, 256> codes{};
    for (int i = 0; i < 256; ++i)
        codes[i] = static_cast<BYTE>(255 - i);
    std::array<std::int16_t, 257> pcm{};
    pcm[256] = 0x1234; // a guard: nothing is written past the count
    MuLawDecode(codes.data(), codes.size(), pcm.data());
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(pcm[i], ReferenceLevel(255 - i));
    EXPECT_EQ(pcm[256], 0x1234);
}

} // namespace
