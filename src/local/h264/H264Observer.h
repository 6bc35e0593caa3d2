// What the parser found, for tests that compare it with another decoder. The
// playback path installs none.
#pragma once

#include <cstdint>

namespace h264 {

// Macroblock-type flag word.
enum MbTypeFlags : std::uint32_t
{
    kMbIntra4x4 = 0x1,
    kMbIntra16x16 = 0x2,
    kMbIntraPcm = 0x4,
    kMb16x16 = 0x8,
    kMb16x8 = 0x10,
    kMb8x16 = 0x20,
    kMb8x8 = 0x40,
    kMbInterlaced = 0x80,
    kMbDirect = 0x100,
    kMbRef0 = 0x200,
    kMbSkip = 0x800,
    kMbP0L0 = 0x1000,
    kMbP1L0 = 0x2000,
    kMbP0L1 = 0x4000,
    kMbP1L1 = 0x8000,
    kMb8x8Dct = 0x1000000,
};

enum class SliceEnd
{
    Clean,      // ended exactly at the bit before its stop bit
    Error,      // a syntax error, or data left over at the end of the picture
    Overread,   // read past its data
    NotParsed,  // header accepted, data not parsed (CABAC, SP/SI, redundant, ...)
};

struct SliceHeaderInfo
{
    int nalUnitType = 0;
    int nalRefIdc = 0;
    int firstMb = 0;
    int sliceType = 0; // 0-4 (P, B, I, SP, SI)
    int ppsId = 0;
    int frameNum = 0;
    int fieldPic = 0;
    int bottomField = 0;
    int mbaff = 0;
    int idrPicId = 0;
    int pocLsb = 0;
    int deltaPocBottom = 0;
    int redundantPicCnt = 0;
    int directSpatial = 0;
    int numRefIdxActive[2] = {0, 0};
    int qp = 0;
    int disableDeblocking = 0;
    int sliceDataBit = 0; // bit offset of slice_data() in the RBSP
};

struct MacroblockInfo
{
    int mbX = 0;
    int mbY = 0;
    std::uint32_t type = 0;
    int qp = 0;
    int field = 0;
    int cbp = 0;
    // list 0 vectors per 4x4 block (raster within the macroblock) and
    // reference indices per 8x8 block; valid in P slices for inter macroblocks.
    bool hasMotion = false;
    std::int16_t mv[16][2] = {};
    std::int8_t ref[4] = {};
};

class IParseObserver
{
public:
    virtual ~IParseObserver() = default;
    virtual void OnSliceHeader(const SliceHeaderInfo&) {}
    virtual void OnSliceRefused(int /*nalUnitType*/) {}
    virtual void OnMacroblock(const MacroblockInfo&) {}
    virtual void OnSliceEnd(SliceEnd /*end*/, int /*mbCount*/, std::size_t /*bitPos*/, std::size_t /*bitLength*/) {}
};

} // namespace h264

struct H264DecoderHandle;
namespace h264 {
// Installs (or with null removes) the observer of an open decoder.
void SetParseObserver(H264DecoderHandle* handle, IParseObserver* observer);
} // namespace h264
