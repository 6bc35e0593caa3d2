// slice_header(): choice of parameter sets, picture geometry and start, and
// the syntax whose counts come from the stream (reordering, weights, marking).
#include "local/h264/H264DecoderState.h"

namespace h264 {

namespace {

bool Reordering(H264BitReader& br, int activeRefs, std::uint32_t maxPicNum, bool field)
{
    if (!br.U1())
        return true;
    for (int index = 0;; ++index) {
        const std::uint32_t idc = br.Ue();
        if (br.Failed())
            return false;
        if (idc == 3)
            return true;
        if (idc > 3 || index >= activeRefs)
            return false;
        const std::uint32_t v = br.Ue();
        if (idc < 2 && v + 1 > maxPicNum)
            return false;
        if (idc == 2 && (field ? v >> 1 : v) > 31)
            return false;
    }
}

bool WeightTable(H264BitReader& br, const SliceState& sl, int lists)
{
    if (br.Ue() > 7)
        return false;
    if (br.Ue() > 7) // chroma: always present for 4:2:0
        return false;
    for (int list = 0; list < lists; ++list) {
        for (int i = 0; i < sl.numRefIdxActive[list]; ++i) {
            if (br.U1()) {
                const int w = br.Se(), o = br.Se();
                if (w < -128 || w > 127 || o < -128 || o > 127)
                    return false;
            }
            if (br.U1()) {
                for (int c = 0; c < 2; ++c) {
                    const int w = br.Se(), o = br.Se();
                    if (w < -128 || w > 127 || o < -128 || o > 127)
                        return false;
                }
            }
            if (br.Failed())
                return false;
        }
    }
    return true;
}

bool RefPicMarking(H264BitReader& br, bool idr)
{
    if (idr) {
        br.U1();
        br.U1();
        return !br.Failed();
    }
    if (!br.U1())
        return true;
    for (int i = 0; i < 66; ++i) {
        const std::uint32_t op = br.Ue();
        if (br.Failed() || op > 6)
            return false; // the fields after it cannot be found
        if (op == 0)
            return true;
        if (op == 1 || op == 3)
            br.Ue();
        if (op == 2 && br.Ue() > 63)
            return false;
        if ((op == 3 || op == 6) && br.Ue() > 31)
            return false;
        if (op == 4 && br.Ue() > 32)
            return false;
    }
    return false;
}

bool SetUpPictureStore(DecoderState& s, const Sps& sps)
{
    const int w = sps.mbWidth;
    const int h = sps.mbHeightMapUnits * (2 - sps.frameMbsOnly);
    if (s.havePicture && w == s.mbWidth && h == s.mbHeight)
        return true;
    try {
        s.mbs.assign(static_cast<std::size_t>(w) * h, MbRecord{});
    } catch (...) {
        s.mbs.clear();
        s.havePicture = false;
        return false;
    }
    s.mbWidth = w;
    s.mbHeight = h;
    s.width = 16 * w - 2 * (sps.cropRight < 7 ? sps.cropRight : 7);
    s.height = sps.frameMbsOnly ? 16 * h - 2 * (sps.cropBottom < 7 ? sps.cropBottom : 7)
                                : 16 * h - 4 * (sps.cropBottom < 3 ? sps.cropBottom : 3);
    // A new or resized store starts its first picture as after open.
    s.havePicture = false;
    s.haveLastPicture = false;
    return true;
}

} // namespace

int DecodeSliceHeader(DecoderState& s, H264BitReader& br)
{
    SliceState sl;
    sl.nalUnitType = s.slice.nalUnitType;
    sl.nalRefIdc = s.slice.nalRefIdc;
    sl.dataPartitioned = s.slice.dataPartitioned;
    const std::uint32_t firstMb = br.Ue();
    std::uint32_t type = br.Ue();
    if (type > 9 || br.Failed())
        return -1;
    if (type >= 5)
        type -= 5;
    sl.type = static_cast<int>(type);
    if (sl.type == 1 && !s.haveLastPicture)
        return -1; // B picture before any references
    const std::uint32_t ppsId = br.Ue();
    if (ppsId >= 256 || !s.pps[ppsId] || br.Failed())
        return -1;
    const Pps& pps = *s.pps[ppsId];
    if (!s.sps[pps.spsId])
        return -1;
    const Sps& sps = *s.sps[pps.spsId];
    // What the macroblock layer here parses: 4:2:0 8-bit, one slice group.
    if (sps.chromaFormatIdc != 1 || sps.bitDepthLuma != 8 || sps.bitDepthChroma != 8 ||
        pps.numSliceGroups != 1)
        return -1;
    s.activePps = pps;
    s.activeSps = sps;
    sl.ppsId = static_cast<int>(ppsId);
    if (!SetUpPictureStore(s, sps))
        return -1;

    sl.frameNum = static_cast<int>(br.U(sps.log2MaxFrameNum));
    if (!sps.frameMbsOnly) {
        sl.fieldPic = static_cast<int>(br.U1());
        if (sl.fieldPic)
            sl.bottomField = static_cast<int>(br.U1());
    }
    sl.mbaff = sps.mbAdaptiveFrameField && !sl.fieldPic;

    if (!s.havePicture || s.sliceCount == 0) {
        s.havePicture = true;
        if (sl.type != 2 && sl.nalRefIdc != 0)
            s.haveLastPicture = true;
    }

    const std::uint32_t picSize = static_cast<std::uint32_t>(s.mbWidth * (sl.fieldPic ? s.mbHeight / 2 : s.mbHeight));
    if ((sl.mbaff ? std::uint64_t{firstMb} * 2 : std::uint64_t{firstMb}) >= picSize)
        return -1;
    sl.firstMb = static_cast<int>(firstMb);
    const std::uint32_t maxPicNum = sl.fieldPic ? 1u << (sps.log2MaxFrameNum + 1) : 1u << sps.log2MaxFrameNum;

    if (sl.nalUnitType == 5) {
        const std::uint32_t idr = br.Ue();
        if (idr > 65535)
            return -1;
        sl.idrPicId = static_cast<int>(idr);
    }
    if (sps.pocType == 0) {
        sl.pocLsb = static_cast<int>(br.U(sps.log2MaxPocLsb));
        if (pps.picOrderPresent && !sl.fieldPic)
            sl.deltaPocBottom = br.Se();
    } else if (sps.pocType == 1 && !sps.deltaPicOrderAlwaysZero) {
        sl.deltaPoc[0] = br.Se();
        if (pps.picOrderPresent && !sl.fieldPic)
            sl.deltaPoc[1] = br.Se();
    }
    if (pps.redundantPicCntPresent) {
        const std::uint32_t r = br.Ue();
        if (r > 127)
            return -1;
        sl.redundantPicCnt = static_cast<int>(r);
    }
    sl.numRefIdxActive[0] = pps.numRefIdxDefault[0];
    sl.numRefIdxActive[1] = pps.numRefIdxDefault[1];
    const bool isP = sl.type == 0 || sl.type == 3;
    const bool isB = sl.type == 1;
    if (isB)
        sl.directSpatial = static_cast<int>(br.U1());
    if (isP || isB) {
        if (br.U1()) {
            const std::uint32_t r0 = br.Ue() + 1;
            const std::uint32_t r1 = isB ? br.Ue() + 1 : 1;
            if (r0 > 32 || r1 > 32)
                return -1;
            sl.numRefIdxActive[0] = static_cast<int>(r0);
            sl.numRefIdxActive[1] = static_cast<int>(r1);
        }
    }
    if (!isB)
        sl.numRefIdxActive[1] = 0;
    if (!isP && !isB)
        sl.numRefIdxActive[0] = 0;
    if (isP || isB) {
        if (!Reordering(br, sl.numRefIdxActive[0], maxPicNum, sl.fieldPic))
            return -1;
        if (isB && !Reordering(br, sl.numRefIdxActive[1], maxPicNum, sl.fieldPic))
            return -1;
    }
    if ((pps.weightedPred && isP) || (pps.weightedBipredIdc == 1 && isB)) {
        if (!WeightTable(br, sl, isB ? 2 : 1))
            return -1;
    }
    if (sl.nalRefIdc != 0 && !RefPicMarking(br, sl.nalUnitType == 5))
        return -1;
    if (pps.cabac && sl.type != 2 && sl.type != 4) {
        if (br.Ue() > 2)
            return -1;
    }
    // 64-bit sums: a delta of up to 2^31-1 must not overflow before the check.
    const std::int64_t qp = std::int64_t{pps.picInitQp} + br.Se();
    if (qp < 0 || qp > 51)
        return -1;
    sl.qp = static_cast<int>(qp);
    if (sl.type == 3)
        br.U1();
    if (sl.type == 3 || sl.type == 4) {
        const std::int64_t qs = std::int64_t{pps.picInitQs} + br.Se();
        if (qs < 0 || qs > 51)
            return -1;
    }
    if (pps.deblockingControl) {
        const std::uint32_t idc = br.Ue();
        if (idc > 2)
            return -1;
        sl.disableDeblocking = static_cast<int>(idc);
        if (idc != 1) {
            const int a = br.Se(), b = br.Se();
            if (a < -6 || a > 6 || b < -6 || b > 6)
                return -1;
        }
    }
    if (br.Failed())
        return -1;

    s.slice = sl;
    s.lastSliceType = sl.type;
    // Slice numbers tell which stored macroblocks belong to the slice being
    // parsed; a wrapped number could match a stale one, so start over instead.
    if (s.sliceCount == 0xFFFFFFFEu) {
        for (MbRecord& m : s.mbs)
            m.slice = 0;
        s.sliceCount = 0;
    }
    ++s.sliceCount;
    if (s.observer) {
        SliceHeaderInfo info;
        info.nalUnitType = sl.nalUnitType;
        info.nalRefIdc = sl.nalRefIdc;
        info.firstMb = sl.firstMb;
        info.sliceType = sl.type;
        info.ppsId = sl.ppsId;
        info.frameNum = sl.frameNum;
        info.fieldPic = sl.fieldPic;
        info.bottomField = sl.bottomField;
        info.mbaff = sl.mbaff;
        info.idrPicId = sl.idrPicId;
        info.pocLsb = sl.pocLsb;
        info.deltaPocBottom = sl.deltaPocBottom;
        info.redundantPicCnt = sl.redundantPicCnt;
        info.directSpatial = sl.directSpatial;
        info.numRefIdxActive[0] = sl.numRefIdxActive[0];
        info.numRefIdxActive[1] = sl.numRefIdxActive[1];
        info.qp = sl.qp;
        info.disableDeblocking = sl.disableDeblocking;
        info.sliceDataBit = static_cast<int>(br.Pos());
        s.observer->OnSliceHeader(info);
    }
    return 0;
}

} // namespace h264
