// CAVLC code tables of the parse-only decoder, built once per process on first
// use (thread-safe) and shared read-only by every decoder.
#pragma once

#include <cstdint>

namespace h264 {

// Each lookup entry: symbol << 8 | code length; length 0 marks an invalid code.
struct CavlcTables
{
    // coeff_token for nC 0-7, indexed by the count of leading zeros (up to
    // 15) and the 3 bits after the first one: every code of these tables has
    // at most 3 bits after its first one. symbol = TotalCoeff << 2 | TrailingOnes.
    std::uint16_t coeffToken[3][16 << 3];
    // coeff_token for nC 8 and above: 6-bit fixed-length codes.
    std::uint16_t coeffTokenFlc[1 << 6];
    // chroma DC (nC = -1), next 8 bits.
    std::uint16_t chromaDcCoeffToken[1 << 8];
    // total_zeros, [0] luma by TotalCoeff 1..15, [1] chroma DC by TotalCoeff
    // 1..3: the table at totalZeros + totalZerosAt[k][tc], indexed by the
    // next totalZerosBits[k][tc] bits (9 for TotalCoeff 1, whose codes are
    // the longest, 6 for the other luma ones, 3 for chroma DC).
    std::uint16_t totalZeros[(1 << 9) + 14 * (1 << 6) + 3 * (1 << 3)];
    std::uint16_t totalZerosAt[2][16];
    std::uint8_t totalZerosBits[2][16];
    // run_before by min(zerosLeft, 7): the table at runBefore +
    // runBeforeAt[zl], indexed by the next 11 bits shifted right by
    // runBeforeShift[zl] (3 bits for zerosLeft 1..6, all 11 above, whose
    // codes are up to 11 bits long).
    std::uint16_t runBefore[6 * (1 << 3) + (1 << 11)];
    std::uint16_t runBeforeAt[8];
    std::uint8_t runBeforeShift[8];
};

const CavlcTables& GetCavlcTables();

extern const std::uint8_t kZigzag4x4[16];
extern const std::uint8_t kFieldScan4x4[16];
extern const std::uint8_t kCbpIntra[48];
extern const std::uint8_t kCbpInter[48];

} // namespace h264
