// NAL units of one buffer, emulation prevention, parameter sets and SEI.
#include "local/h264/H264DecoderState.h"

#include <cstdio>
#include <cstring>

namespace h264 {

DecoderState::DecoderState() = default;

namespace {

int TrailingBits(std::uint8_t last)
{
    if (last == 0)
        return 0;
    int n = 1;
    while (!(last & 1)) {
        last >>= 1;
        ++n;
    }
    return n;
}

// Finds the end of the NAL unit that starts at `pos` (its header byte) and
// unescapes it when needed. `consumed` counts the input bytes, header included.
bool Unescape(DecoderState& s, const std::uint8_t* buf, int pos, int len, int kind,
              const std::uint8_t** rbsp, int* rbspLen, int* consumed)
{
    const int start = pos + 1;
    int end = start;
    bool escaped = false;
    for (; end + 2 < len; ++end) {
        if (buf[end] != 0) {
            // Most bytes are not zero: memchr finds the next one far faster.
            const auto* zero = static_cast<const std::uint8_t*>(
                std::memchr(buf + end, 0, static_cast<std::size_t>(len - 2 - end)));
            if (!zero) {
                end = len - 2;
                break;
            }
            end = static_cast<int>(zero - buf);
        }
        if (buf[end + 1] == 0 && buf[end + 2] <= 3) {
            if (buf[end + 2] != 3)
                break; // the next start code (or a forbidden 00 00 0x) ends the unit
            escaped = true;
            end += 2;
        }
    }
    if (end + 2 >= len)
        end = len;
    *consumed = end - pos;
    if (!escaped) {
        *rbsp = buf + start;
        *rbspLen = end - start;
        return true;
    }
    std::vector<std::uint8_t>& out = s.unescape[kind];
    const std::size_t need = static_cast<std::size_t>(end - start) + 32;
    if (out.size() < need) {
        try {
            out.resize(need > out.size() * 17 / 16 + 32 ? need : out.size() * 17 / 16 + 32);
        } catch (...) {
            return false;
        }
    }
    int n = 0;
    for (int i = start; i < end; ++i) {
        if (i + 2 < end && buf[i] == 0 && buf[i + 1] == 0 && buf[i + 2] == 3) {
            out[static_cast<std::size_t>(n++)] = 0;
            out[static_cast<std::size_t>(n++)] = 0;
            i += 2;
            continue;
        }
        out[static_cast<std::size_t>(n++)] = buf[i];
    }
    *rbsp = out.data();
    *rbspLen = n;
    return true;
}

bool SamePicture(const SliceState& a, const SliceState& b)
{
    return a.frameNum == b.frameNum && a.ppsId == b.ppsId && a.fieldPic == b.fieldPic &&
           a.bottomField == b.bottomField && (a.nalRefIdc == 0) == (b.nalRefIdc == 0) &&
           (a.nalUnitType == 5) == (b.nalUnitType == 5) && a.idrPicId == b.idrPicId &&
           a.pocLsb == b.pocLsb && a.deltaPocBottom == b.deltaPocBottom &&
           a.deltaPoc[0] == b.deltaPoc[0] && a.deltaPoc[1] == b.deltaPoc[1];
}

void CannotVerify(DecoderState& s)
{
    if (s.wm)
        s.wm->m_bCannotVerify = 1;
}

void CloseCoverage(DecoderState& s)
{
    if (s.coverageOpen && s.coveredCount < s.coverageSize && s.wm)
        s.wm->m_bCannotVerify = 1;
    s.coverageOpen = false;
}

// A shown slice of a new picture closes the previous picture's coverage.
void NoteShownSlice(DecoderState& s)
{
    if (s.coverageOpen && SamePicture(s.coverageKey, s.slice))
        return;
    CloseCoverage(s);
    // A frame is shown with both its fields: a field without its pair in the
    // same buffer leaves half of the frame unchecked.
    const int parity = s.slice.fieldPic ? 1 + s.slice.bottomField : 0;
    if (s.pendingField) {
        if (parity != 0 && parity != s.pendingField && s.slice.frameNum == s.pendingFrameNum) {
            s.pendingField = 0; // the second field completes the frame
        } else {
            CannotVerify(s);
            s.pendingField = parity;
            s.pendingFrameNum = s.slice.frameNum;
        }
    } else if (parity) {
        s.pendingField = parity;
        s.pendingFrameNum = s.slice.frameNum;
    }
    s.coverageOpen = true;
    s.coverageKey = s.slice;
    s.coverageSize = s.mbWidth * (s.slice.fieldPic ? s.mbHeight / 2 : s.mbHeight);
    s.covered.assign(static_cast<std::size_t>(s.coverageSize), 0);
    s.coveredCount = 0;
}

void MarkCovered(DecoderState& s, int firstAddr, int count)
{
    // Slices cover consecutive addresses: in MBAFF frames pairs, both counted.
    const int first = s.slice.mbaff ? firstAddr * 2 : firstAddr;
    for (int i = 0; i < count; ++i) {
        const int a = first + i;
        if (a < 0 || a >= s.coverageSize)
            break;
        if (!s.covered[static_cast<std::size_t>(a)]) {
            s.covered[static_cast<std::size_t>(a)] = 1;
            ++s.coveredCount;
        }
    }
}

void HandleSlice(DecoderState& s, const std::uint8_t* rbsp, int bytes, int bits, int nalType,
                 int refIdc)
{
    WatermarkContext* wm = s.wm;
    s.reader.Reset(rbsp, static_cast<std::size_t>(bytes), static_cast<std::size_t>(bits));
    s.slice.nalUnitType = nalType;
    s.slice.nalRefIdc = refIdc;
    s.slice.dataPartitioned = nalType == 2;
    if (DecodeSliceHeader(s, s.reader) < 0) {
        CannotVerify(s);
        if (s.observer)
            s.observer->OnSliceRefused(nalType);
        return;
    }
    if (nalType == 2) {
        // Partitions are parsed but never compared: the verdict cannot rest on them.
        CannotVerify(s);
        s.reader.Ue(); // slice_id; the slice data follows
        s.havePartB = false;
        s.pendingPartitionSlice = s.slice.redundantPicCnt == 0;
        return;
    }
    if (wm && wm->m_bEnable) {
        if (!wm->m_bInitialised)
            InitWatermarkContext(*wm);
        RekeyWatermark(*wm);
    }
    if (s.slice.redundantPicCnt > 0)
        return; // a decoder shows the primary picture only
    NoteShownSlice(s);
    int count = 0;
    SliceEnd end = SliceEnd::NotParsed;
    if (!s.activePps.cabac && s.slice.type != 3 && s.slice.type != 4) {
        if (wm) {
            wm->m_nSliceMismatches = 0;
            wm->m_nSliceMatches = 0;
        }
        end = ParseSliceData(s, &count);
    }
    if (s.observer)
        s.observer->OnSliceEnd(end, count, s.reader.Pos(), s.reader.BitLength());
    if (end != SliceEnd::Clean) {
        CannotVerify(s);
        return;
    }
    if (wm && wm->m_bEnable) {
        wm->m_nMismatches += wm->m_nSliceMismatches;
        wm->m_nMatches += wm->m_nSliceMatches;
        ++wm->m_nCleanSlices;
        MarkCovered(s, s.slice.firstMb, count);
    }
}

} // namespace

int DecodeNalUnits(DecoderState& s, const std::uint8_t* buf, int len)
{
    int pos = 0;
    s.pendingField = 0;
    s.coverageOpen = false;
    // Partitions of one slice come in one buffer; nothing of an earlier buffer is kept.
    s.pendingPartitionSlice = false;
    s.havePartB = false;
    for (;;) {
        while (pos + 3 < len && !(buf[pos] == 0 && buf[pos + 1] == 0 && buf[pos + 2] == 1))
            ++pos;
        if (pos + 3 >= len)
            break;
        pos += 3;
        const int nalType = buf[pos] & 0x1F;
        const int refIdc = (buf[pos] >> 5) & 3;
        const std::uint8_t* rbsp = nullptr;
        int rbspLen = 0;
        int consumed = 0;
        const int kind = nalType >= 2 && nalType <= 4 ? nalType - 1 : 0;
        if (!Unescape(s, buf, pos, len, kind, &rbsp, &rbspLen, &consumed))
            return -1;
        while (rbspLen > 0 && rbsp[rbspLen - 1] == 0)
            --rbspLen;
        const int bits = rbspLen > 0 ? 8 * rbspLen - TrailingBits(rbsp[rbspLen - 1]) : 0;
        pos += consumed;

        switch (nalType) {
        case 1:
        case 5:
        case 2:
            s.pendingPartitionSlice = false; // a new slice ends any partitioned one
            HandleSlice(s, rbsp, rbspLen, bits, nalType, refIdc);
            break;
        case 3:
            CannotVerify(s); // partitions are never compared
            s.readerIntra.Reset(rbsp, static_cast<std::size_t>(rbspLen), static_cast<std::size_t>(bits));
            s.readerIntra.Ue(); // slice_id
            if (s.activePps.redundantPicCntPresent)
                s.readerIntra.Ue();
            s.havePartB = true;
            break;
        case 4:
            CannotVerify(s);
            s.readerInter.Reset(rbsp, static_cast<std::size_t>(rbspLen), static_cast<std::size_t>(bits));
            s.readerInter.Ue(); // slice_id
            if (s.activePps.redundantPicCntPresent)
                s.readerInter.Ue();
            if (s.pendingPartitionSlice && s.havePartB) {
                int count = 0;
                const SliceEnd end = ParseSliceData(s, &count);
                if (s.observer)
                    s.observer->OnSliceEnd(end, count, s.reader.Pos(), s.reader.BitLength());
            }
            s.pendingPartitionSlice = false;
            break;
        case 6: {
            H264BitReader br(rbsp, static_cast<std::size_t>(rbspLen), static_cast<std::size_t>(bits));
            ParseSei(s, br);
            break;
        }
        case 7:
        case 8: {
            if (s.wm && s.wm->m_bEnable && !s.wm->m_bInitialised)
                InitWatermarkContext(*s.wm);
            H264BitReader br(rbsp, static_cast<std::size_t>(rbspLen), static_cast<std::size_t>(bits));
            if (nalType == 7)
                ParseSps(s, br);
            else
                ParsePps(s, br);
            break;
        }
        default:
            break;
        }
    }
    CloseCoverage(s);
    if (s.pendingField)
        CannotVerify(s);
    s.pendingField = 0;
    return pos;
}

// ---- parameter sets ------------------------------------------------------

namespace {

const std::uint8_t kDefault4x4Intra[16] = {6, 13, 13, 20, 20, 20, 28, 28, 28, 28, 32, 32, 32, 37, 37, 42};
const std::uint8_t kDefault4x4Inter[16] = {10, 14, 14, 20, 20, 20, 24, 24, 24, 24, 27, 27, 27, 30, 30, 34};

// scaling_list(): the syntax decides the parse position, the values are kept
// in scan order for completeness. A delta_scale outside -128..127 refuses the
// parameter set.
bool ScalingList(H264BitReader& br, std::uint8_t* list, int size, const std::uint8_t* fallback,
                 const std::uint8_t* def)
{
    if (!br.U1()) {
        std::memcpy(list, fallback, static_cast<std::size_t>(size));
        return true;
    }
    int last = 8;
    int next = 8;
    for (int j = 0; j < size; ++j) {
        if (next != 0) {
            const int delta = br.Se();
            if (delta < -128 || delta > 127 || br.Failed())
                return false;
            next = (last + delta + 256) & 255;
            if (j == 0 && next == 0) {
                std::memcpy(list, def, static_cast<std::size_t>(size));
                return true;
            }
        }
        list[j] = static_cast<std::uint8_t>(next == 0 ? last : next);
        last = list[j];
    }
    return true;
}

bool ScalingMatrices(H264BitReader& br, std::uint8_t (*l4)[16], std::uint8_t (*l8)[64], int count8,
                     const std::uint8_t (*fb4)[16], const std::uint8_t (*fb8)[64])
{
    static std::uint8_t def8Intra[64], def8Inter[64];
    static const bool init = [] {
        std::memset(def8Intra, 16, 64);
        std::memset(def8Inter, 16, 64);
        return true;
    }();
    (void)init;
    for (int i = 0; i < 6; ++i) {
        const std::uint8_t* fallback = (i == 0 || i == 3) ? fb4[i] : l4[i - 1];
        if (!ScalingList(br, l4[i], 16, fallback, i < 3 ? kDefault4x4Intra : kDefault4x4Inter))
            return false;
    }
    for (int i = 0; i < count8; ++i) {
        std::uint8_t scratch[64];
        const std::uint8_t* fallback = i < 2 ? fb8[i] : l8[(i - 2) & 1];
        if (!ScalingList(br, i < 2 ? l8[i] : scratch, 64, fallback, (i & 1) ? def8Inter : def8Intra))
            return false;
    }
    return true;
}

bool HrdParameters(H264BitReader& br)
{
    const std::uint32_t cpbCnt = br.Ue() + 1;
    if (cpbCnt > 32 || br.Failed())
        return false;
    br.U(4);
    br.U(4);
    for (std::uint32_t i = 0; i < cpbCnt; ++i) {
        br.Ue();
        br.Ue();
        br.U1();
    }
    br.U(5);
    br.U(5);
    br.U(5);
    br.U(5);
    return !br.Failed();
}

bool Vui(H264BitReader& br)
{
    if (br.U1()) {
        const std::uint32_t idc = br.U(8);
        if (idc == 255) {
            br.U(16);
            br.U(16);
        } else if (idc > 16) {
            return true; // illegal aspect ratio: the rest of the VUI is not read
        }
    }
    if (br.U1())
        br.U1();
    if (br.U1()) {
        br.U(3);
        br.U1();
        if (br.U1())
            br.U(24);
    }
    if (br.U1()) {
        br.Ue();
        br.Ue();
    }
    if (br.U1()) {
        br.U(32);
        br.U(32);
        br.U1();
    }
    const int nal = static_cast<int>(br.U1());
    if (nal && !HrdParameters(br))
        return false;
    const int vcl = static_cast<int>(br.U1());
    if (vcl && !HrdParameters(br))
        return false;
    if (nal || vcl)
        br.U1();
    br.U1(); // pic_struct_present_flag
    if (br.U1()) {
        br.U1();
        for (int i = 0; i < 6; ++i)
            br.Ue();
    }
    return !br.Failed();
}

bool HighProfile(int p)
{
    return p >= 100 || p == 44 || p == 83 || p == 86;
}

} // namespace

bool ParseSps(DecoderState& s, H264BitReader& br)
{
    Sps sps; // parsed apart and stored only when accepted
    sps.profileIdc = static_cast<int>(br.U(8));
    br.U(8); // constraint flags, reserved bits
    sps.levelIdc = static_cast<int>(br.U(8));
    const std::uint32_t id = br.Ue();
    if (id >= 32 || br.Failed())
        return false;
    std::memset(sps.scaling4x4, 16, sizeof sps.scaling4x4);
    std::memset(sps.scaling8x8, 16, sizeof sps.scaling8x8);
    if (HighProfile(sps.profileIdc)) {
        const std::uint32_t cf = br.Ue();
        if (cf > 3)
            return false;
        sps.chromaFormatIdc = static_cast<int>(cf);
        if (cf == 3)
            sps.separateColourPlane = static_cast<int>(br.U1());
        const std::uint32_t dl = br.Ue();
        const std::uint32_t dc = br.Ue();
        if (dl > 6 || dc > 6)
            return false;
        sps.bitDepthLuma = static_cast<int>(dl) + 8;
        sps.bitDepthChroma = static_cast<int>(dc) + 8;
        sps.transformBypass = static_cast<int>(br.U1());
        if (br.U1()) {
            sps.scalingMatrixPresent = 1;
            std::uint8_t def4[6][16];
            std::uint8_t def8[2][64];
            for (int i = 0; i < 6; ++i)
                std::memcpy(def4[i], i < 3 ? kDefault4x4Intra : kDefault4x4Inter, 16);
            std::memset(def8, 16, sizeof def8);
            if (!ScalingMatrices(br, sps.scaling4x4, sps.scaling8x8, cf == 3 ? 6 : 2, def4, def8))
                return false;
        }
    }
    const std::uint32_t log2Fn = br.Ue();
    if (log2Fn > 12)
        return false;
    sps.log2MaxFrameNum = static_cast<int>(log2Fn) + 4;
    const std::uint32_t pocType = br.Ue();
    if (pocType > 2)
        return false;
    sps.pocType = static_cast<int>(pocType);
    if (pocType == 0) {
        const std::uint32_t l = br.Ue();
        if (l > 12)
            return false;
        sps.log2MaxPocLsb = static_cast<int>(l) + 4;
    } else if (pocType == 1) {
        sps.deltaPicOrderAlwaysZero = static_cast<int>(br.U1());
        sps.offsetForNonRefPic = br.Se();
        sps.offsetForTopToBottomField = br.Se();
        const std::uint32_t cycle = br.Ue();
        if (cycle > 255 || br.Failed())
            return false;
        sps.numRefFramesInPocCycle = static_cast<int>(cycle);
        for (std::uint32_t i = 0; i < cycle; ++i)
            br.Se();
    }
    const std::uint32_t refs = br.Ue();
    if (refs > 30)
        return false;
    sps.numRefFrames = static_cast<int>(refs);
    sps.gapsAllowed = static_cast<int>(br.U1());
    const std::uint32_t w = br.Ue() + 1;
    const std::uint32_t h = br.Ue() + 1;
    sps.frameMbsOnly = static_cast<int>(br.U1());
    if (br.Failed() || w > kMaxFrameMbs || h > kMaxFrameMbs)
        return false;
    const std::uint64_t frameMbs = std::uint64_t{w} * h * (sps.frameMbsOnly ? 1u : 2u);
    // Larger than any level's frame: refused before anything is sized by it.
    if (frameMbs > kMaxFrameMbs)
        return false;
    const std::uint64_t pw = 16ull * w, ph = 16ull * h * (sps.frameMbsOnly ? 1 : 2);
    if ((pw + 128) * (ph + 128) >= 0x1FFFFFFFull)
        return false;
    sps.mbWidth = static_cast<int>(w);
    sps.mbHeightMapUnits = static_cast<int>(h);
    if (!sps.frameMbsOnly)
        sps.mbAdaptiveFrameField = static_cast<int>(br.U1());
    sps.direct8x8Inference = static_cast<int>(br.U1());
    if (br.U1()) {
        sps.cropLeft = static_cast<int>(br.Ue());
        sps.cropRight = static_cast<int>(br.Ue());
        sps.cropTop = static_cast<int>(br.Ue());
        sps.cropBottom = static_cast<int>(br.Ue());
        // The cropped picture must keep some of the coded one.
        const std::uint64_t cw = static_cast<std::uint64_t>(static_cast<std::uint32_t>(sps.cropLeft)) +
                                 static_cast<std::uint32_t>(sps.cropRight);
        const std::uint64_t ch = static_cast<std::uint64_t>(static_cast<std::uint32_t>(sps.cropTop)) +
                                 static_cast<std::uint32_t>(sps.cropBottom);
        if (br.Failed() || cw >= 8ull * w || ch >= 8ull * h * (sps.frameMbsOnly ? 1 : 2))
            return false;
    }
    if (br.U1() && !Vui(br))
        return false;
    if (br.Failed())
        return false;
    if (!s.sps[id])
        s.sps[id] = std::make_unique<Sps>();
    *s.sps[id] = sps;
    return true;
}

bool ParsePps(DecoderState& s, H264BitReader& br)
{
    Pps pps;
    const std::uint32_t id = br.Ue();
    if (id >= 256 || br.Failed())
        return false;
    const std::uint32_t spsId = br.Ue();
    if (spsId >= 32 || !s.sps[spsId] || br.Failed())
        return false;
    const Sps& sps = *s.sps[spsId];
    pps.spsId = static_cast<int>(spsId);
    pps.cabac = static_cast<int>(br.U1());
    pps.picOrderPresent = static_cast<int>(br.U1());
    const std::uint32_t groups = br.Ue() + 1;
    if (groups > 8 || br.Failed())
        return false;
    pps.numSliceGroups = static_cast<int>(groups);
    if (groups > 1) {
        // Slices of such a picture are refused, but the fields after the
        // slice-group syntax must still be read from their own place.
        const std::uint32_t mapType = br.Ue();
        if (mapType > 6)
            return false;
        pps.sliceGroupMapType = static_cast<int>(mapType);
        if (mapType == 0) {
            for (std::uint32_t i = 0; i < groups; ++i)
                br.Ue();
        } else if (mapType == 2) {
            for (std::uint32_t i = 0; i + 1 < groups; ++i) {
                br.Ue();
                br.Ue();
            }
        } else if (mapType >= 3 && mapType <= 5) {
            br.U1();
            br.Ue();
        } else if (mapType == 6) {
            const std::uint32_t units = br.Ue() + 1;
            if (units > kMaxFrameMbs || br.Failed())
                return false;
            int bits = 0;
            while ((1u << bits) < groups)
                ++bits;
            for (std::uint32_t i = 0; i < units && !br.Overread(); ++i)
                br.U(bits);
        }
    }
    const std::uint32_t r0 = br.Ue() + 1;
    const std::uint32_t r1 = br.Ue() + 1;
    if (r0 > 32 || r1 > 32)
        return false;
    pps.numRefIdxDefault[0] = static_cast<int>(r0);
    pps.numRefIdxDefault[1] = static_cast<int>(r1);
    pps.weightedPred = static_cast<int>(br.U1());
    pps.weightedBipredIdc = static_cast<int>(br.U(2));
    const int qp = br.Se();
    const int qs = br.Se();
    const int cqp = br.Se();
    if (qp < -26 || qp > 25 || qs < -26 || qs > 25 || cqp < -12 || cqp > 12 || pps.weightedBipredIdc > 2)
        return false;
    pps.picInitQp = 26 + qp;
    pps.picInitQs = 26 + qs;
    pps.chromaQpOffset[0] = pps.chromaQpOffset[1] = cqp;
    pps.deblockingControl = static_cast<int>(br.U1());
    pps.constrainedIntraPred = static_cast<int>(br.U1());
    pps.redundantPicCntPresent = static_cast<int>(br.U1());
    std::memcpy(pps.scaling4x4, sps.scaling4x4, sizeof pps.scaling4x4);
    std::memcpy(pps.scaling8x8, sps.scaling8x8, sizeof pps.scaling8x8);
    if (br.MoreData()) {
        pps.transform8x8 = static_cast<int>(br.U1());
        if (br.U1()) {
            const int count8 = pps.transform8x8 ? (sps.chromaFormatIdc == 3 ? 6 : 2) : 0;
            if (!ScalingMatrices(br, pps.scaling4x4, pps.scaling8x8, count8, sps.scaling4x4, sps.scaling8x8))
                return false;
        }
        const int second = br.Se();
        if (second < -12 || second > 12)
            return false;
        pps.chromaQpOffset[1] = second;
    }
    if (br.Failed())
        return false;
    if (!s.pps[id])
        s.pps[id] = std::make_unique<Pps>();
    *s.pps[id] = pps;
    return true;
}

void ParseSei(DecoderState& s, H264BitReader& br)
{
    while (br.BitsLeft() > 16) {
        std::uint32_t type = 0;
        std::uint32_t size = 0;
        std::uint32_t b;
        do {
            b = br.U(8);
            type += b;
        } while (b == 255 && !br.Overread());
        do {
            b = br.U(8);
            size += b;
        } while (b == 255 && !br.Overread());
        // A payload can never be longer than what is left of the NAL unit.
        if (br.Overread() || std::size_t{size} * 8 > br.BitsLeft())
            return;
        if (type == 5) {
            if (size < 16)
                return;
            char text[272];
            const std::uint32_t take = size < 271 ? size : 271;
            for (std::uint32_t i = 0; i < take; ++i)
                text[i] = static_cast<char>(br.U(8));
            text[take] = 0;
            int build = -1;
            if (take > 16 && std::sscanf(text + 16, "x264 - core %d", &build) == 1 && build >= 0)
                s.encoderBuild = build;
            br.Skip(std::size_t{size - take} * 8);
        } else {
            br.Skip(std::size_t{size} * 8);
        }
        br.AlignByte();
    }
}

} // namespace h264
