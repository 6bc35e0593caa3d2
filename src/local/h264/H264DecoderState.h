// Internal state of the parse-only decoder (one per channel).
#pragma once

#include "local/h264/H264BitReader.h"
#include "local/h264/H264Observer.h"
#include "local/h264/WatermarkCheck.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace h264 {

// The largest frame any level allows (level 5.1 and above).
constexpr int kMaxFrameMbs = 36864;

struct Sps
{
    int profileIdc = 0;
    int levelIdc = 0;
    int chromaFormatIdc = 1;
    int separateColourPlane = 0;
    int bitDepthLuma = 8;
    int bitDepthChroma = 8;
    int transformBypass = 0;
    int log2MaxFrameNum = 4;
    int pocType = 0;
    int log2MaxPocLsb = 4;
    int deltaPicOrderAlwaysZero = 0;
    int offsetForNonRefPic = 0;
    int offsetForTopToBottomField = 0;
    int numRefFramesInPocCycle = 0;
    int numRefFrames = 0;
    int gapsAllowed = 0;
    int mbWidth = 0;
    int mbHeightMapUnits = 0;
    int frameMbsOnly = 1;
    int mbAdaptiveFrameField = 0;
    int direct8x8Inference = 0;
    int cropLeft = 0, cropRight = 0, cropTop = 0, cropBottom = 0;
    int scalingMatrixPresent = 0;
    std::uint8_t scaling4x4[6][16] = {};
    std::uint8_t scaling8x8[2][64] = {};
};

struct Pps
{
    int spsId = 0;
    int cabac = 0;
    int picOrderPresent = 0;
    int numSliceGroups = 1;
    int sliceGroupMapType = 0;
    int numRefIdxDefault[2] = {1, 1};
    int weightedPred = 0;
    int weightedBipredIdc = 0;
    int picInitQp = 26;
    int picInitQs = 26;
    int chromaQpOffset[2] = {0, 0};
    int deblockingControl = 0;
    int constrainedIntraPred = 0;
    int redundantPicCntPresent = 0;
    int transform8x8 = 0;
    std::uint8_t scaling4x4[6][16] = {};
    std::uint8_t scaling8x8[2][64] = {};
};

// Stored per macroblock of the picture store, indexed by macroblock address.
struct MbRecord
{
    std::uint32_t slice = 0; // 0: never written
    std::uint32_t type = 0;
    std::int8_t qp = 0;
    std::uint8_t field = 0;
    std::uint8_t nzLuma[16] = {};  // by luma4x4BlkIdx
    std::uint8_t nzChroma[2][4] = {};
    std::int16_t mv[16][2] = {};   // list 0, raster 4x4
    std::int8_t ref[4] = {-1, -1, -1, -1};
};

struct SliceState
{
    int nalUnitType = 0;
    int nalRefIdc = 0;
    int firstMb = 0;
    int type = 0; // 0 P, 1 B, 2 I, 3 SP, 4 SI
    int ppsId = 0;
    int frameNum = 0;
    int fieldPic = 0;
    int bottomField = 0;
    int mbaff = 0;
    int idrPicId = 0;
    int pocLsb = 0;
    int deltaPocBottom = 0;
    int deltaPoc[2] = {0, 0};
    int redundantPicCnt = 0;
    int directSpatial = 0;
    int numRefIdxActive[2] = {0, 0};
    int qp = 0;
    int disableDeblocking = 0;
    int dataPartitioned = 0;
};

struct DecoderState
{
    DecoderState();

    WatermarkContext* wm = nullptr;
    IParseObserver* observer = nullptr;

    std::array<std::unique_ptr<Sps>, 32> sps;
    std::array<std::unique_ptr<Pps>, 256> pps;
    Sps activeSps;
    Pps activePps;
    // Unescaped RBSPs: others, partition A, B and C. A partition's RBSP must
    // survive the NAL units that follow it until partition C arrives.
    std::vector<std::uint8_t> unescape[4];

    // Picture store.
    int mbWidth = 0;
    int mbHeight = 0; // frame height in macroblocks
    int width = 0, height = 0;
    std::vector<MbRecord> mbs;
    bool havePicture = false;
    bool haveLastPicture = false;
    std::uint32_t sliceCount = 0; // accepted slice headers; also the slice number
    int lastSliceType = -1;
    int encoderBuild = -1;

    SliceState slice;
    H264BitReader reader;      // the slice's own data (partition A)
    H264BitReader readerIntra; // partition B
    H264BitReader readerInter; // partition C
    bool havePartB = false;
    bool pendingPartitionSlice = false;

    // Coverage of the picture being checked in this call.
    bool coverageOpen = false;
    SliceState coverageKey;
    std::vector<std::uint8_t> covered;
    int coveredCount = 0;
    int coverageSize = 0;
    // A first field whose second field has not come yet in this call (1 top, 2 bottom).
    int pendingField = 0;
    int pendingFrameNum = 0;
};

// NAL loop; returns the position where it stopped, or -1.
int DecodeNalUnits(DecoderState& s, const std::uint8_t* buf, int len);
// 0 accepted, -1 refused.
int DecodeSliceHeader(DecoderState& s, H264BitReader& br);
// Parses the current slice; reports how it ended.
SliceEnd ParseSliceData(DecoderState& s, int* mbCount);
// residual_block_cavlc() for nC (-1 chroma DC) and maxNumCoeff: false on a
// refused code. With coeffs (maxNum entries, zeroed by the caller) the levels
// are placed by coefficient index; total receives TotalCoeff.
bool ParseResidualBlock(H264BitReader& br, int nC, int maxNum, int* coeffs, int* total);
bool ParseSps(DecoderState& s, H264BitReader& br);
bool ParsePps(DecoderState& s, H264BitReader& br);
void ParseSei(DecoderState& s, H264BitReader& br);

} // namespace h264
