#include "local/h264/WatermarkCheck.h"

void InitWatermarkContext(WatermarkContext& ctx)
{
    ctx.m_nBitIndex = 31;
    ctx.m_bJudged = 0;
    ctx.m_nBlockIndex = static_cast<int>((ctx.m_dwKey >> 23) & 15);
    ctx.m_nCoeffSelect = static_cast<int>((ctx.m_dwKey >> 21) & 3);
    ctx.m_nCoeffColumn = 3 - ctx.m_nCoeffSelect;
    ctx.m_nCoeffRow = ctx.m_nCoeffSelect;
    ctx.m_bInitialised = 1;
}

void RekeyWatermark(WatermarkContext& ctx)
{
    ctx.m_nBitIndex = 31;
    ctx.m_bJudged = 0;
}

void NextWatermarkBit(WatermarkContext& ctx)
{
    ctx.m_nExpectedBit = static_cast<int>((ctx.m_dwKey >> ctx.m_nBitIndex) & 1);
    ctx.m_nBitIndex = ctx.m_nBitIndex == 0 ? 31 : ctx.m_nBitIndex - 1;
    ctx.m_bJudged = 0;
}

void ResetWatermarkCall(WatermarkContext& ctx)
{
    ctx.m_nMismatches = 0;
    ctx.m_nCleanSlices = 0;
    ctx.m_bCannotVerify = 0;
    ctx.m_nSliceMismatches = 0;
    ctx.m_nMatches = 0;
    ctx.m_nSliceMatches = 0;
    ctx.m_bKeyedBlock = 0;
}

void CompareWatermarkBlock(WatermarkContext& ctx, const int* record16)
{
    if (!ctx.m_bEnable || !ctx.m_bKeyedBlock)
        return;
    const int level = record16[WatermarkKeyedPosition(ctx)];
    if (level == 0)
        return;
    ctx.m_bJudged = 1;
    if ((level & 1) != ctx.m_nExpectedBit)
        ++ctx.m_nSliceMismatches;
    else
        ++ctx.m_nSliceMatches;
}

void EndWatermarkMacroblock(WatermarkContext& ctx)
{
    if (!ctx.m_bEnable || ctx.m_bJudged)
        return;
    ctx.m_bJudged = 1;
    if (ctx.m_nExpectedBit == 1)
        ++ctx.m_nSliceMismatches;
}

WatermarkVerdict GetWatermarkVerdict(const WatermarkContext& ctx)
{
    if (ctx.m_nMismatches > 0)
        return WatermarkVerdict::Tampered;
    if (ctx.m_bCannotVerify || ctx.m_nCleanSlices == 0 || ctx.m_nMatches == 0)
        return WatermarkVerdict::CannotVerify;
    return WatermarkVerdict::Verified;
}

const char* WatermarkVerdictName(WatermarkVerdict v)
{
    switch (v) {
    case WatermarkVerdict::Verified: return "Verified";
    case WatermarkVerdict::Tampered: return "Tampered";
    case WatermarkVerdict::CannotVerify: return "CannotVerify";
    }
    return "?";
}
