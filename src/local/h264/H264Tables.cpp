#include "local/h264/H264Tables.h"

#include <cstring>
#include <memory>

namespace h264 {

const std::uint8_t kZigzag4x4[16] = {0, 1, 4, 8, 5, 2, 3, 6, 9, 12, 13, 10, 7, 11, 14, 15};
const std::uint8_t kFieldScan4x4[16] = {0, 4, 1, 8, 12, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15};

// coded_block_pattern by codeNum for 4:2:0 and 4:2:2 (Intra_4x4/8x8 and Inter columns).
const std::uint8_t kCbpIntra[48] = {47, 31, 15, 0,  23, 27, 29, 30, 7,  11, 13, 14, 39, 43, 45, 46,
                                    16, 3,  5,  10, 12, 19, 21, 26, 28, 35, 37, 42, 44, 1,  2,  4,
                                    8,  17, 18, 20, 24, 6,  9,  22, 25, 32, 33, 34, 36, 40, 38, 41};
const std::uint8_t kCbpInter[48] = {0,  16, 1,  2,  4,  8,  32, 3,  5,  10, 12, 15, 47, 7,  11, 13,
                                    14, 6,  9,  31, 35, 37, 42, 44, 33, 34, 36, 40, 39, 43, 45, 46,
                                    17, 18, 20, 24, 19, 21, 26, 28, 23, 27, 29, 30, 22, 25, 38, 41};

namespace {

// coeff_token lengths and codes, [TotalCoeff * 4 + TrailingOnes], for the
// nC ranges 0-1, 2-3, 4-7 and 8 and above.
const std::uint8_t kCoeffTokenLen[4][4 * 17] = {
    {1,  0,  0,  0,  6,  2,  0,  0,  8,  6,  3,  0,  9,  8,  7,  5,  10, 9,  8,  6,  11, 10, 9,
     7,  13, 11, 10, 8,  13, 13, 11, 9,  13, 13, 13, 10, 14, 14, 13, 11, 14, 14, 14, 13, 15, 15,
     14, 14, 15, 15, 15, 14, 16, 15, 15, 15, 16, 16, 16, 15, 16, 16, 16, 16, 16, 16, 16, 16},
    {2,  0,  0,  0,  6,  2,  0,  0,  6,  5,  3,  0,  7,  6,  6,  4,  8,  6,  6,  4,  8,  7,  7,
     5,  9,  8,  8,  6,  11, 9,  9,  6,  11, 11, 11, 7,  12, 11, 11, 9,  12, 12, 12, 11, 12, 12,
     12, 11, 13, 13, 13, 12, 13, 13, 13, 13, 13, 14, 13, 13, 14, 14, 14, 13, 14, 14, 14, 14},
    {4,  0,  0,  0, 6,  4,  0,  0, 6, 5, 4, 0, 6, 5, 5, 4, 7,  5,  5,  4,  7,  5,  5,
     4,  7,  6,  6, 4,  7,  6,  6, 4, 8, 7, 7, 5, 8, 8, 7, 6, 9,  8,  8,  7,  9,  9,
     8,  8,  9,  9, 9,  8,  10, 9, 9, 9, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10},
    {6, 0, 0, 0, 6, 6, 0, 0, 6, 6, 6, 0, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6,
     6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6,
     6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6},
};
const std::uint8_t kCoeffTokenBits[4][4 * 17] = {
    {1,  0,  0, 0,  5,  1,  0, 0,  7,  4,  1, 0,  7,  6,  5,  3, 7,  6,  5,  3,  7,  6,  5,
     4,  15, 6, 5,  4,  11, 14, 5, 4,  8,  10, 13, 4, 15, 14, 9, 4,  11, 10, 13, 12, 15, 14,
     9,  12, 11, 10, 13, 8,  15, 1, 9,  12, 11, 14, 13, 8, 7,  10, 9,  12, 4,  6,  5,  8},
    {3,  0,  0,  0,  11, 2,  0,  0,  7,  7,  3,  0, 7,  10, 9, 5,  7,  6,  5,  4,  4,  6,  5,
     6,  7,  6,  5,  8,  15, 6,  5,  4,  11, 14, 13, 4, 15, 10, 9, 4,  11, 14, 13, 12, 8,  10,
     9,  8,  15, 14, 13, 12, 11, 10, 9,  12, 7,  11, 6, 8,  9,  8, 10, 1,  7,  6,  5,  4},
    {15, 0,  0,  0,  15, 14, 0,  0,  11, 15, 13, 0,  8,  12, 14, 12, 15, 10, 11, 11, 11, 8,  9,
     10, 9,  14, 13, 9,  8,  10, 9,  8,  15, 14, 13, 13, 11, 14, 10, 12, 15, 10, 13, 12, 11, 14,
     9,  12, 8,  10, 13, 8,  13, 7,  9,  12, 9,  12, 11, 10, 5,  8,  7,  6,  1,  4,  3,  2},
    {3,  0,  0,  0,  0,  1,  0,  0,  4,  5,  6,  0,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18,
     19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41,
     42, 43, 44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63},
};
const std::uint8_t kChromaDcCoeffTokenLen[4 * 5] = {2, 0, 0, 0, 6, 1, 0, 0, 6, 6,
                                                    3, 0, 6, 7, 7, 6, 6, 8, 8, 7};
const std::uint8_t kChromaDcCoeffTokenBits[4 * 5] = {1, 0, 0, 0, 7, 1, 0, 0, 4, 6,
                                                     1, 0, 3, 3, 2, 5, 2, 3, 2, 0};

const std::uint8_t kTotalZerosLen[15][16] = {
    {1, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 9}, {3, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 6, 6, 6, 6},
    {4, 3, 3, 3, 4, 4, 3, 3, 4, 5, 5, 6, 5, 6},       {5, 3, 4, 4, 3, 3, 3, 4, 3, 4, 5, 5, 5},
    {4, 4, 4, 3, 3, 3, 3, 3, 4, 5, 4, 5},             {6, 5, 3, 3, 3, 3, 3, 3, 4, 3, 6},
    {6, 5, 3, 3, 3, 2, 3, 4, 3, 6},                   {6, 4, 5, 3, 2, 2, 3, 3, 6},
    {6, 6, 4, 2, 2, 3, 2, 5},                         {5, 5, 3, 2, 2, 2, 4},
    {4, 4, 3, 3, 1, 3},                               {4, 4, 2, 1, 3},
    {3, 3, 1, 2},                                     {2, 2, 1},
    {1, 1},
};
const std::uint8_t kTotalZerosBits[15][16] = {
    {1, 3, 2, 3, 2, 3, 2, 3, 2, 3, 2, 3, 2, 3, 2, 1}, {7, 6, 5, 4, 3, 5, 4, 3, 2, 3, 2, 3, 2, 1, 0},
    {5, 7, 6, 5, 4, 3, 4, 3, 2, 3, 2, 1, 1, 0},       {3, 7, 5, 4, 6, 5, 4, 3, 3, 2, 2, 1, 0},
    {5, 4, 3, 7, 6, 5, 4, 3, 2, 1, 1, 0},             {1, 1, 7, 6, 5, 4, 3, 2, 1, 1, 0},
    {1, 1, 5, 4, 3, 3, 2, 1, 1, 0},                   {1, 1, 1, 3, 3, 2, 2, 1, 0},
    {1, 0, 1, 3, 2, 1, 1, 1},                         {1, 0, 1, 3, 2, 1, 1},
    {0, 1, 1, 2, 1, 3},                               {0, 1, 1, 1, 1},
    {0, 1, 1, 1},                                     {0, 1, 1},
    {0, 1},
};
const std::uint8_t kChromaDcTotalZerosLen[3][4] = {{1, 2, 3, 3}, {1, 2, 2, 0}, {1, 1, 0, 0}};
const std::uint8_t kChromaDcTotalZerosBits[3][4] = {{1, 1, 1, 0}, {1, 1, 0, 0}, {1, 0, 0, 0}};

const std::uint8_t kRunLen[7][16] = {
    {1, 1},          {1, 2, 2},          {2, 2, 2, 2}, {2, 2, 2, 3, 3}, {2, 2, 3, 3, 3, 3},
    {2, 3, 3, 3, 3, 3, 3}, {3, 3, 3, 3, 3, 3, 3, 4, 5, 6, 7, 8, 9, 10, 11},
};
const std::uint8_t kRunBits[7][16] = {
    {1, 0},          {1, 1, 0},          {3, 2, 1, 0}, {3, 2, 1, 1, 0}, {3, 2, 3, 2, 1, 0},
    {3, 0, 1, 3, 2, 5, 4}, {7, 6, 5, 4, 3, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1},
};

// Fills every window of `bits` bits that starts with the code.
void Put(std::uint16_t* table, int bits, int len, int code, int symbol)
{
    if (len <= 0 || len > bits)
        return;
    const int first = code << (bits - len);
    const int count = 1 << (bits - len);
    for (int i = 0; i < count; ++i)
        table[first + i] = static_cast<std::uint16_t>(symbol << 8 | len);
}

std::unique_ptr<CavlcTables> Build()
{
    auto t = std::make_unique<CavlcTables>();
    std::memset(t.get(), 0, sizeof(CavlcTables));
    for (int tab = 0; tab < 3; ++tab)
        for (int i = 0; i < 4 * 17; ++i) {
            const int len = kCoeffTokenLen[tab][i];
            const int code = kCoeffTokenBits[tab][i];
            if (len == 0)
                continue;
            int zeros = 0;
            while (zeros < len && !((code >> (len - 1 - zeros)) & 1))
                ++zeros;
            const int restLen = len - zeros - 1; // 0 to 3
            const int rest = code & ((1 << restLen) - 1);
            for (int k = 0; k < (1 << (3 - restLen)); ++k)
                t->coeffToken[tab][(zeros << 3) + (rest << (3 - restLen)) + k] =
                    static_cast<std::uint16_t>(i << 8 | len);
        }
    for (int i = 0; i < 4 * 17; ++i)
        Put(t->coeffTokenFlc, 6, kCoeffTokenLen[3][i], kCoeffTokenBits[3][i], i);
    for (int i = 0; i < 4 * 5; ++i)
        Put(t->chromaDcCoeffToken, 8, kChromaDcCoeffTokenLen[i], kChromaDcCoeffTokenBits[i], i);
    int at = 0;
    for (int tc = 1; tc <= 15; ++tc) {
        const int bits = tc == 1 ? 9 : 6;
        t->totalZerosAt[0][tc] = static_cast<std::uint16_t>(at);
        t->totalZerosBits[0][tc] = static_cast<std::uint8_t>(bits);
        for (int z = 0; z <= 16 - tc; ++z)
            Put(t->totalZeros + at, bits, kTotalZerosLen[tc - 1][z], kTotalZerosBits[tc - 1][z], z);
        at += 1 << bits;
    }
    for (int tc = 1; tc <= 3; ++tc) {
        t->totalZerosAt[1][tc] = static_cast<std::uint16_t>(at);
        t->totalZerosBits[1][tc] = 3;
        for (int z = 0; z <= 4 - tc; ++z)
            Put(t->totalZeros + at, 3, kChromaDcTotalZerosLen[tc - 1][z], kChromaDcTotalZerosBits[tc - 1][z], z);
        at += 1 << 3;
    }
    at = 0;
    for (int zl = 1; zl <= 7; ++zl) {
        const int bits = zl < 7 ? 3 : 11;
        t->runBeforeAt[zl] = static_cast<std::uint16_t>(at);
        t->runBeforeShift[zl] = static_cast<std::uint8_t>(11 - bits);
        for (int r = 0; r < 16; ++r)
            Put(t->runBefore + at, bits, kRunLen[zl - 1][r], kRunBits[zl - 1][r], r);
        at += 1 << bits;
    }
    return t;
}

} // namespace

const CavlcTables& GetCavlcTables()
{
    static const std::unique_ptr<CavlcTables> tables = Build();
    return *tables;
}

} // namespace h264
