// Test-only CAVLC writer of watermarked H.264 streams, written from the
// standard's syntax and code tables with nothing taken from the client's
// parser. Each stream comes with the mismatch count and verdict that a correct
// check must give for it.
#pragma once

#include <cstdint>
#include <vector>

namespace k5streams {

enum class WmKind
{
    INxN,       // Intra 4x4 (or 8x8 with dct8), DC prediction everywhere
    I16,        // Intra 16x16 with AC
    I16NoAc,    // Intra 16x16, luma DC only
    Pcm,        // I_PCM
    PSkip,      // P_Skip (P slices)
    P16x16,     // P_L0_16x16, zero vector difference (P slices)
    // Syntax errors a parser must refuse.
    BadMbType,     // mb_type 26 in an I slice
    BadCbp,        // I_NxN with coded_block_pattern codeNum 48
    BadTotalCoeff, // Intra 16x16 whose first AC block claims 16 coefficients
};

// The level written at the keyed coefficient: kDue writes the key's bit
// (1 for an odd bit, 2 for an even one); any other value is written as given,
// 0 leaving the coefficient out.
constexpr int kDue = 0x7FFF;

struct WmMacroblock
{
    WmKind kind = WmKind::INxN;
    int keyed = kDue;
    bool dct8 = false; // INxN: the 8x8 transform (needs WmStream::transform8x8)
    int qpDelta = 0;   // mb_qp_delta when one is written
    bool noResidual = false; // coded_block_pattern 0 (INxN, P16x16)
    int mvd[2] = {0, 0};     // P16x16: mvd_l0 in quarter samples
};

struct WmSlice
{
    int type = 2;   // 0 P, 2 I, 3 SP, 4 SI
    int firstMb = 0;
    int redundantPicCnt = 0;
    std::vector<WmMacroblock> mbs;
    int truncateBytes = 0; // cut from the end of the NAL unit's payload
    bool partitioned = false; // sent as data partition A (nal_unit_type 2), P skips only
    int qpDelta = 0;          // slice_qp_delta (QP 26 + this)
    bool typePlus5 = false;   // slice_type 5-9
};

struct WmPicture
{
    bool idr = true;
    int frameNum = 0;
    int structure = 0; // 0 frame, 1 top field, 2 bottom field
    std::vector<WmSlice> slices;
};

struct WmStream
{
    int mbWidth = 4;
    int mbHeight = 3; // frame height in macroblocks
    std::uint32_t key = 0x5A1C39E7u;
    int profile = 66;
    int pocType = 0;
    bool frameMbsOnly = true;
    int chromaFormat = 1;
    int bitDepth = 8;
    bool cabac = false;
    bool fmo = false;
    bool redundantPresent = false;
    bool transform8x8 = false;
    bool paramSets = true;
    int junkBefore = 0;       // bytes of junk before the first start code
    bool seiAfter = false;    // an SEI NAL unit after the pictures
    bool seiBefore = false;   // an x264-style user-data SEI before the pictures
    std::uint32_t seed = 1;   // the other coefficients
    int numRefFrames = 1;
    int spsWidthMbs = 0;      // written in the SPS instead of the real size when set
    int spsHeightMapUnits = 0;
    std::uint32_t cropBottom = 0; // frame_cropping with this bottom offset when non-zero
    // delta_scale values of the first scaling list, written as given (the
    // caller makes them a whole list), in the SPS (profile 100 and up) or in
    // the PPS (with transform8x8); empty: no matrices.
    std::vector<int> spsScaling;
    std::vector<int> ppsScaling;
    std::vector<WmPicture> pictures;
};

enum class WmVerdict
{
    Verified,
    Tampered,
    CannotVerify,
};

struct WmResult
{
    std::vector<std::uint8_t> bytes;
    int mismatches = 0;
    int matches = 0; // compared macroblocks whose keyed level is present and right
    WmVerdict verdict = WmVerdict::CannotVerify;
};

WmResult WriteWatermarkStream(const WmStream& spec);

// A picture of one slice of `count` macroblocks of one kind.
WmPicture WmSimplePicture(int count, WmKind kind, int sliceType = 2, bool idr = true, int frameNum = 0);

// The writer's CAVLC code words as strings of '0' and '1' ("" where the
// standard has none), for checking a decoder's tables against them.
// nC -1 is chroma DC.
const char* WmCoeffTokenCode(int nC, int totalCoeff, int trailingOnes);
const char* WmTotalZerosCode(bool chromaDc, int totalCoeff, int totalZeros);
const char* WmRunBeforeCode(int zerosLeft, int runBefore);

} // namespace k5streams
