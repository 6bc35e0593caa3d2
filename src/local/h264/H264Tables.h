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
    // total_zeros for TotalCoeff 1, next 9 bits; by TotalCoeff 2..15, whose
    // codes are at most 6 bits long, next 6 bits.
    std::uint16_t totalZeros1[1 << 9];
    std::uint16_t totalZeros[16][1 << 6];
    // chroma DC total_zeros by TotalCoeff 1..3, next 3 bits.
    std::uint16_t chromaDcTotalZeros[4][1 << 3];
    // run_before by min(zerosLeft, 7) 1..7, next 3 bits. The longer codes
    // of zerosLeft above 6 (runs 7 to 14) are a run of zeros and a one,
    // decoded by counting the zeros; their windows hold length 0 here.
    std::uint16_t runBefore[8][1 << 3];
};

const CavlcTables& GetCavlcTables();

extern const std::uint8_t kZigzag4x4[16];
extern const std::uint8_t kFieldScan4x4[16];
extern const std::uint8_t kCbpIntra[48];
extern const std::uint8_t kCbpInter[48];

} // namespace h264
