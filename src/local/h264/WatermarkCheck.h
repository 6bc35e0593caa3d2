// The watermark of downloaded recordings: in every coded macroblock the parity
// of one CAVLC luma level equals one bit of a 32-bit key. The parse-only H.264
// decoder calls these steps at fixed points of its parse.
#pragma once

#include <cstdint>

constexpr std::uint32_t kWatermarkKey = 0x5A1C39E7u;

struct WatermarkContext
{
    int m_bEnable = 0;
    std::uint32_t m_dwKey = 0;
    int m_nBitIndex = 0;
    int m_nExpectedBit = 0;
    int m_nBlockIndex = 0;
    int m_nCoeffSelect = 0;
    int m_nCoeffColumn = 0;
    int m_nCoeffRow = 0;
    int m_bJudged = 0;
    int m_bInitialised = 0;
    // Mismatching macroblocks of the call's compared slices that ended cleanly.
    int m_nMismatches = 0;
    std::uint8_t m_bKeyedBlock = 0;

    // What the verdict needs beyond the count; the decoder fills these in every
    // decode call.
    int m_nCleanSlices = 0;     // compared slices that ended at their stop bit
    int m_bCannotVerify = 0;    // something shown was not compared, or ended badly
    int m_nSliceMismatches = 0; // running count of the slice being parsed
    // Macroblocks whose keyed level was present and of the expected parity:
    // a picture is genuine only on such evidence, never for want of a
    // mismatch (a still scene of skips, I_PCM or absent levels proves nothing).
    int m_nMatches = 0;      // of the call's compared slices that ended cleanly
    int m_nSliceMatches = 0; // running count of the slice being parsed
};

enum class WatermarkVerdict
{
    Verified,
    Tampered,
    CannotVerify,
};

void InitWatermarkContext(WatermarkContext& ctx);
void RekeyWatermark(WatermarkContext& ctx);
void NextWatermarkBit(WatermarkContext& ctx);

// Start of a decode call: nothing compared yet.
void ResetWatermarkCall(WatermarkContext& ctx);

// Raster position (column + 4 * row) of the keyed coefficient in its 4x4 block.
inline int WatermarkKeyedPosition(const WatermarkContext& ctx)
{
    return ctx.m_nCoeffColumn + 4 * ctx.m_nCoeffRow;
}

// Compares the keyed block's recorded level (raster positions) with the
// expected bit; does nothing unless the block being closed is the keyed one.
void CompareWatermarkBlock(WatermarkContext& ctx, const int* record16);

// After the luma residual of a coded macroblock: an absent keyed level counts
// as even.
void EndWatermarkMacroblock(WatermarkContext& ctx);

WatermarkVerdict GetWatermarkVerdict(const WatermarkContext& ctx);
const char* WatermarkVerdictName(WatermarkVerdict v);
