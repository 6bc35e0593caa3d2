// Writer streams with known contents through the front end: exact mismatch
// counts and verdicts.
#include "H264TestSupport.h"
#include "streams/TestStreams.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace k5streams;

namespace {

// Key 0x5A1C39E7: macroblock n of a slice expects bit 31 - n:
//   n:  0 1 2 3 4 5 6 7 8 9 10 11
//   bit 0 1 0 1 1 0 1 0 0 0 0  1
WmStream IFrame(int count = 12, WmKind kind = WmKind::INxN)
{
    WmStream s;
    s.pictures.push_back(WmSimplePicture(count, kind));
    return s;
}

WmStream WithKeyed(std::vector<std::pair<int, int>> levels, WmKind kind = WmKind::INxN)
{
    WmStream s = IFrame(12, kind);
    for (auto [mb, level] : levels)
        s.pictures[0].slices[0].mbs[static_cast<std::size_t>(mb)].keyed = level;
    return s;
}

// An I picture, then a P picture built by `fill`.
WmStream IThenP(const std::function<void(std::vector<WmMacroblock>&)>& fill)
{
    WmStream s = IFrame();
    WmPicture p = WmSimplePicture(12, WmKind::P16x16, 0, false, 1);
    fill(p.slices[0].mbs);
    s.pictures.push_back(p);
    return s;
}

// Key bits of macroblocks 0-11: the 1-bits fall on 1, 3, 4, 6 and 11.
bool KeyBitOne(std::size_t n)
{
    return (kWatermarkKey >> (31 - n)) & 1;
}

// Coded macroblocks of `kind` only where the key bit is 0, with their keyed
// level absent, and I_PCM where it is 1: no mismatch, and nothing matched.
WmStream ZeroBitsOnly(WmKind kind)
{
    WmStream s = IFrame();
    auto& m = s.pictures[0].slices[0].mbs;
    for (std::size_t n = 0; n < m.size(); ++n) {
        m[n].kind = KeyBitOne(n) ? WmKind::Pcm : kind;
        m[n].keyed = 0;
    }
    return s;
}

WmStream TwoSlices(int split, int flipMb)
{
    WmStream s;
    WmPicture p;
    WmSlice a, b;
    a.mbs.assign(static_cast<std::size_t>(split), WmMacroblock{});
    b.firstMb = split;
    b.mbs.assign(static_cast<std::size_t>(12 - split), WmMacroblock{});
    if (flipMb >= 0 && flipMb < split)
        a.mbs[static_cast<std::size_t>(flipMb)].keyed = 7; // macroblock 5 expects 0
    p.slices = {a, b};
    s.pictures.push_back(p);
    return s;
}

WmStream Fields(int flipMb)
{
    WmStream s;
    s.frameMbsOnly = false;
    s.mbHeight = 4; // 2 rows per field
    for (int f = 1; f <= 2; ++f) {
        WmPicture p = WmSimplePicture(8, WmKind::INxN, 2, f == 1, 0);
        p.structure = f;
        s.pictures.push_back(p);
    }
    if (flipMb >= 0)
        s.pictures[1].slices[0].mbs[static_cast<std::size_t>(flipMb)].keyed = 2; // MB 1 expects 1
    return s;
}

struct Case
{
    const char* name;
    std::function<WmStream()> make;
    int count;
    WatermarkVerdict verdict;
    std::uint32_t key = kWatermarkKey;
};

const WatermarkVerdict V = WatermarkVerdict::Verified;
const WatermarkVerdict T = WatermarkVerdict::Tampered;
const WatermarkVerdict C = WatermarkVerdict::CannotVerify;

std::vector<Case> Cases()
{
    return {
        {"genuine I_NxN", [] { return IFrame(); }, 0, V},
        {"genuine mixed kinds",
         [] {
             WmStream s = IFrame();
             auto& m = s.pictures[0].slices[0].mbs;
             m[0].kind = WmKind::I16NoAc; // bit 0 due: absent counts as even
             m[1].kind = WmKind::I16;
             m[2].kind = WmKind::Pcm;
             m[3].kind = WmKind::I16;
             m[6].kind = WmKind::Pcm;
             return s;
         },
         0, V},
        {"one flipped parity", [] { return WithKeyed({{5, 1}}); }, 1, T},
        {"three flipped parities", [] { return WithKeyed({{0, 3}, {2, 5}, {7, -1}}); }, 3, T},
        {"absent keyed level where 1 is due", [] { return WithKeyed({{1, 0}}); }, 1, T},
        {"even keyed level where 1 is due", [] { return WithKeyed({{3, 4}}); }, 1, T},
        {"level -3 where 1 is due", [] { return WithKeyed({{4, -3}}); }, 0, V},
        {"level -3 where 0 is due", [] { return WithKeyed({{0, -3}}); }, 1, T},
        {"Intra 16x16 without AC where 1 is due",
         [] {
             WmStream s = IFrame();
             s.pictures[0].slices[0].mbs[1].kind = WmKind::I16NoAc;
             return s;
         },
         1, T},
        {"Intra 16x16 AC flipped", [] { return WithKeyed({{6, 2}}, WmKind::I16); }, 1, T},
        {"I_PCM among coded macroblocks is not compared",
         [] {
             WmStream s = IFrame();
             s.pictures[0].slices[0].mbs[1].kind = WmKind::Pcm; // bit 1 due, nothing read
             s.pictures[0].slices[0].mbs[3].kind = WmKind::Pcm;
             return s;
         },
         0, V},
        {"P coded_block_pattern 0 where 1 is due",
         [] { return IThenP([](auto& m) { m[1].noResidual = true; }); }, 1, T},
        {"P coded_block_pattern 0 where 0 is due",
         [] { return IThenP([](auto& m) { m[2].noResidual = true; }); }, 0, V},
        {"P skip run takes bits",
         [] {
             return IThenP([](auto& m) {
                 m[0].kind = m[1].kind = m[2].kind = WmKind::PSkip;
                 m[3].keyed = 2; // bit 28 is 1
             });
         },
         1, T},
        {"P vector differences at their limits",
         [] { return IThenP([](auto& m) { m[1].mvd[0] = -32768, m[1].mvd[1] = 32767; }); }, 0, V},
        {"P all skipped", [] { return IThenP([](auto& m) { for (auto& x : m) x.kind = WmKind::PSkip; }); }, 0, V},
        {"P mixed intra and skips",
         [] {
             return IThenP([](auto& m) {
                 m[0].kind = WmKind::INxN;
                 m[4].kind = m[5].kind = WmKind::PSkip;
                 m[7].kind = WmKind::I16;
                 m[11].kind = WmKind::PSkip;
             });
         },
         0, V},
        {"key bits 21-22 give position 12", [] { return IFrame(); }, 0, V, kWatermarkKey | 0x00600000u},
        {"position 12 flipped", [] { return WithKeyed({{1, 2}}); }, 1, T, kWatermarkKey | 0x00600000u},
        {"33rd macroblock expects bit 31 again (odd)",
         [] {
             WmStream s;
             s.mbWidth = 8;
             s.mbHeight = 5;
             s.pictures.push_back(WmSimplePicture(40, WmKind::INxN));
             s.pictures[0].slices[0].mbs[32].keyed = 1;
             return s;
         },
         1, T},
        {"33rd macroblock expects bit 31 again (even)",
         [] {
             WmStream s;
             s.mbWidth = 8;
             s.mbHeight = 5;
             s.pictures.push_back(WmSimplePicture(40, WmKind::INxN));
             s.pictures[0].slices[0].mbs[32].keyed = 2;
             return s;
         },
         0, V},
        {"trailing SEI keeps the count",
         [] {
             WmStream s = WithKeyed({{5, 1}});
             s.seiAfter = true;
             return s;
         },
         1, T},
        {"tampered first of two slices", [] { return TwoSlices(6, 5); }, 1, T},
        {"two slices, the second mid-row", [] { return TwoSlices(5, -1); }, 0, V},
        {"field pair", [] { return Fields(-1); }, 0, V},
        {"field pair, bottom field flipped", [] { return Fields(1); }, 1, T},
        {"a field without its pair", [] {
             WmStream s = Fields(-1);
             s.pictures.pop_back();
             return s;
         }, 0, C},
        {"8x8 transform",
         [] {
             WmStream s = IFrame();
             s.profile = 100;
             s.transform8x8 = true;
             for (auto& m : s.pictures[0].slices[0].mbs)
                 m.dct8 = true;
             s.pictures[0].slices[0].mbs[3].dct8 = false;
             return s;
         },
         0, V},
        {"8x8 transform flipped",
         [] {
             WmStream s = WithKeyed({{5, 1}, {6, 4}});
             s.profile = 100;
             s.transform8x8 = true;
             for (auto& m : s.pictures[0].slices[0].mbs)
                 m.dct8 = true;
             return s;
         },
         2, T},
        {"POC type 1",
         [] {
             WmStream s = IFrame();
             s.pocType = 1;
             return s;
         },
         0, V},
        {"POC type 2",
         [] {
             WmStream s = IFrame();
             s.pocType = 2;
             return s;
         },
         0, V},
        {"redundant slice is not compared",
         [] {
             WmStream s = IFrame();
             s.redundantPresent = true;
             WmSlice r = s.pictures[0].slices[0];
             r.redundantPicCnt = 1;
             r.mbs[0].keyed = 1;
             s.pictures[0].slices.push_back(r);
             return s;
         },
         0, V},
        {"user-data SEI and junk before",
         [] {
             WmStream s = IFrame();
             s.seiBefore = true;
             s.junkBefore = 5;
             return s;
         },
         0, V},
        {"slice_type 7", [] {
             WmStream s = IFrame();
             s.pictures[0].slices[0].typePlus5 = true;
             return s;
         }, 0, V},
        {"slice QP 51", [] {
             WmStream s = IFrame();
             s.pictures[0].slices[0].qpDelta = 25;
             return s;
         }, 0, V},
        {"30 reference frames", [] {
             WmStream s = IFrame();
             s.numRefFrames = 30;
             return s;
         }, 0, V},
        {"cropped by 4 lines", [] {
             WmStream s = IFrame();
             s.cropBottom = 2;
             return s;
         }, 0, V},
        {"I and P pictures in one buffer",
         [] { return IThenP([](auto&) {}); }, 0, V},

        // Nothing compared, or not all of it: never genuine.
        {"all I_PCM: nothing compared", [] { return IFrame(12, WmKind::Pcm); }, 0, C},
        {"absent keyed levels on the 0-bits, I_PCM on the 1-bits",
         [] { return ZeroBitsOnly(WmKind::INxN); }, 0, C},
        {"Intra 16x16 without AC on the 0-bits, I_PCM on the 1-bits",
         [] { return ZeroBitsOnly(WmKind::I16NoAc); }, 0, C},
        {"one present keyed level among absent ones is evidence",
         [] {
             WmStream s = ZeroBitsOnly(WmKind::INxN);
             s.pictures[0].slices[0].mbs[0].keyed = 2;
             return s;
         },
         0, V},
        {"CABAC", [] {
             WmStream s = IFrame();
             s.cabac = true;
             return s;
         }, 0, C},
        {"no parameter sets", [] {
             WmStream s = IFrame();
             s.paramSets = false;
             return s;
         }, 0, C},
        {"SP slice", [] {
             WmStream s = IFrame();
             s.pictures.push_back(WmSimplePicture(12, WmKind::P16x16, 3, false, 1));
             return s;
         }, 0, C},
        {"SI slice", [] {
             WmStream s = IFrame();
             s.pictures[0].slices[0].type = 4;
             return s;
         }, 0, C},
        {"data partition", [] {
             WmStream s = IFrame();
             s.pictures.push_back(WmSimplePicture(12, WmKind::PSkip, 0, false, 1));
             s.pictures[1].slices[0].partitioned = true;
             return s;
         }, 0, C},
        {"slice groups", [] {
             WmStream s = IFrame();
             s.fmo = true;
             return s;
         }, 0, C},
        {"4:2:2", [] {
             WmStream s = IFrame();
             s.profile = 122;
             s.chromaFormat = 2;
             return s;
         }, 0, C},
        {"10-bit", [] {
             WmStream s = IFrame();
             s.profile = 110;
             s.bitDepth = 10;
             return s;
         }, 0, C},
        {"monochrome", [] {
             WmStream s = IFrame();
             s.profile = 100;
             s.chromaFormat = 0;
             return s;
         }, 0, C},
        {"truncated slice", [] {
             WmStream s = IFrame();
             s.pictures[0].slices[0].truncateBytes = 3;
             return s;
         }, 0, C},
        {"truncated slice with a flip: its mismatches do not count", [] {
             WmStream s = WithKeyed({{0, 1}, {2, 1}});
             s.pictures[0].slices[0].truncateBytes = 2;
             return s;
         }, 0, C},
        {"flip in a clean slice beside a truncated one", [] {
             WmStream s = TwoSlices(6, 5);
             s.pictures[0].slices[1].truncateBytes = 2;
             return s;
         }, 1, T},
        {"uncovered macroblocks", [] { return IFrame(6); }, 0, C},
        {"second slice dropped", [] {
             WmStream s = TwoSlices(6, -1);
             s.pictures[0].slices.pop_back();
             return s;
         }, 0, C},
        {"mb_type too large", [] {
             WmStream s = IFrame();
             s.pictures[0].slices[0].mbs[4].kind = WmKind::BadMbType;
             return s;
         }, 0, C},
        {"coded_block_pattern too large", [] {
             WmStream s = IFrame();
             s.pictures[0].slices[0].mbs[4].kind = WmKind::BadCbp;
             return s;
         }, 0, C},
        {"16 coefficients in a 15-coefficient block", [] {
             WmStream s = IFrame();
             s.pictures[0].slices[0].mbs[2].kind = WmKind::BadTotalCoeff;
             return s;
         }, 0, C},
        {"mb_qp_delta 26", [] {
             WmStream s = IFrame();
             s.pictures[0].slices[0].mbs[2].qpDelta = 26;
             return s;
         }, 0, C},
        {"31 reference frames", [] {
             WmStream s = IFrame();
             s.numRefFrames = 31;
             return s;
         }, 0, C},
        {"vector difference beyond its range", [] { return IThenP([](auto& m) { m[1].mvd[0] = 32768; }); }, 0, C},
        {"vector difference 2^31-1", [] { return IThenP([](auto& m) { m[5].mvd[1] = 2147483647; }); }, 0, C},
        {"slice_qp_delta 2^31-1", [] {
             WmStream s = IFrame();
             s.pictures[0].slices[0].qpDelta = 2147483647;
             return s;
         }, 0, C},
        {"slice QP 52", [] {
             WmStream s = IFrame();
             s.pictures[0].slices[0].qpDelta = 26;
             return s;
         }, 0, C},
        {"first_mb_in_slice outside the picture", [] {
             WmStream s = IFrame();
             WmSlice extra;
             extra.firstMb = 12;
             extra.mbs.assign(1, WmMacroblock{});
             s.pictures[0].slices.push_back(extra);
             return s;
         }, 0, C},
        {"crop offset beyond the picture", [] {
             WmStream s = IFrame();
             s.cropBottom = 0xFFFFFFF0u;
             return s;
         }, 0, C},
        {"SPS larger than any level's frame", [] {
             WmStream s = IFrame();
             s.spsWidthMbs = 200;
             s.spsHeightMapUnits = 200;
             return s;
         }, 0, C},
    };
}

} // namespace

TEST(WatermarkTable, WriterStreamsGiveExactCountsAndVerdicts)
{
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        WmStream spec = c.make();
        spec.key = c.key;
        const WmResult w = WriteWatermarkStream(spec);
        // The writer's own model of the check agrees with the table.
        EXPECT_EQ(w.mismatches, c.count);
        EXPECT_EQ(ToVerdict(w.verdict), c.verdict);

        Checker ck;
        ck.key = c.key;
        const int r = ck.Decode(w.bytes);
        EXPECT_EQ(r, static_cast<int>(w.bytes.size()));
        EXPECT_EQ(ck.lastIoResult, 0);
        EXPECT_EQ(ck.wm.m_nMismatches, c.count);
        if (c.verdict != C) {
            EXPECT_EQ(ck.wm.m_nMatches, w.matches);
        }
        EXPECT_EQ(ck.Verdict(), c.verdict) << WatermarkVerdictName(ck.Verdict());
    }
}

// The playback engine decodes one picture per call, so each picture must
// carry its own evidence: a picture that compared nothing, or only absent
// levels where the key bit is 0, is no more genuine than a frozen copy.
TEST(WatermarkEvidence, EachPictureNeedsAMatchingLevel)
{
    auto pPicture = [](const std::function<void(std::vector<WmMacroblock>&)>& fill) {
        WmStream s;
        s.paramSets = false; // they came with the key picture
        s.pictures.push_back(WmSimplePicture(12, WmKind::P16x16, 0, false, 1));
        fill(s.pictures[0].slices[0].mbs);
        return WriteWatermarkStream(s).bytes;
    };
    struct Step
    {
        const char* name;
        std::vector<std::uint8_t> bytes;
        WatermarkVerdict verdict;
    };
    const std::vector<Step> steps = {
        {"genuine key picture", WriteWatermarkStream(IFrame()).bytes, V},
        {"all-skip P picture", pPicture([](auto& m) { for (auto& x : m) x.kind = WmKind::PSkip; }), C},
        {"P picture, no residual on the 0-bits and skips on the 1-bits",
         pPicture([](auto& m) {
             for (std::size_t n = 0; n < m.size(); ++n) {
                 m[n].kind = KeyBitOne(n) ? WmKind::PSkip : WmKind::P16x16;
                 m[n].noResidual = true;
             }
         }),
         C},
        {"P picture, absent keyed levels on the 0-bits",
         pPicture([](auto& m) {
             for (std::size_t n = 0; n < m.size(); ++n) {
                 m[n].kind = KeyBitOne(n) ? WmKind::PSkip : WmKind::P16x16;
                 m[n].keyed = 0;
             }
         }),
         C},
        {"all-I_PCM picture", WriteWatermarkStream(IFrame(12, WmKind::Pcm)).bytes, C},
        {"genuine P picture with coded detail", pPicture([](auto&) {}), V},
        {"genuine P picture, one coded macroblock among skips",
         pPicture([](auto& m) {
             for (std::size_t n = 1; n < m.size(); ++n)
                 m[n].kind = WmKind::PSkip;
         }),
         V},
        {"P picture with a flipped level", pPicture([](auto& m) { m[5].keyed = 1; }), T},
    };
    Checker ck;
    for (const Step& st : steps) {
        SCOPED_TRACE(st.name);
        ck.Decode(st.bytes);
        EXPECT_EQ(ck.lastIoResult, 0);
        EXPECT_EQ(ck.Verdict(), st.verdict) << WatermarkVerdictName(ck.Verdict());
    }
}

// A scene where nothing moves, encoded by an ordinary encoder: no watermark,
// and its predicted pictures are almost all skips. None of them is genuine.
TEST(WatermarkEvidence, StillSceneWithoutWatermarkIsNeverVerified)
{
    if (!HasH264Encoder())
        GTEST_SKIP() << "no libx264 encoder";
    StreamSpec spec;
    spec.width = 352;
    spec.height = 288;
    spec.frames = 25;
    spec.gop = 25;
    spec.still = true;
    spec.x264 = "cabac=0";
    spec.profile = "baseline";
    const std::vector<EncodedFrame> frames = MakeH264Stream(spec);
    ASSERT_EQ(frames.size(), 25u);
    Checker ck;
    CountingObserver obs;
    ck.Observe(&obs);
    int cannot = 0;
    for (const EncodedFrame& f : frames) {
        SCOPED_TRACE(f.index);
        obs = CountingObserver{};
        ck.Decode(f.data);
        EXPECT_EQ(obs.unclean, 0);
        EXPECT_GT(obs.clean, 0); // compared, not refused
        EXPECT_NE(ck.Verdict(), V);
        cannot += ck.Verdict() == C;
    }
    EXPECT_GE(cannot, 20); // the skipped pictures: nothing to judge either way
}

// Many coefficient patterns (escapes, long runs, chroma) must all read back.
TEST(WatermarkTable, GenuineStreamsVerifyForManySeeds)
{
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(seed);
        WmStream s;
        s.seed = seed;
        s.mbWidth = 6;
        s.mbHeight = 4;
        s.profile = seed % 2 ? 66 : 100;
        s.transform8x8 = seed % 2 == 0;
        WmPicture i = WmSimplePicture(24, WmKind::INxN);
        for (std::size_t k = 0; k < 24; ++k) {
            const WmKind kinds[] = {WmKind::INxN, WmKind::I16, WmKind::INxN, WmKind::Pcm, WmKind::I16};
            i.slices[0].mbs[k].kind = kinds[(k + seed) % 5];
            i.slices[0].mbs[k].dct8 = s.transform8x8 && (k + seed) % 3 == 0;
        }
        s.pictures.push_back(i);
        WmPicture p = WmSimplePicture(24, WmKind::P16x16, 0, false, 1);
        for (std::size_t k = 0; k < 24; ++k) {
            const WmKind kinds[] = {WmKind::P16x16, WmKind::PSkip, WmKind::PSkip, WmKind::INxN, WmKind::I16,
                                    WmKind::P16x16};
            p.slices[0].mbs[k].kind = kinds[(k * 7 + seed) % 6];
        }
        s.pictures.push_back(p);
        const WmResult w = WriteWatermarkStream(s);
        ASSERT_EQ(w.verdict, WmVerdict::Verified);
        Checker ck;
        ck.Decode(w.bytes);
        EXPECT_EQ(ck.wm.m_nMismatches, 0);
        EXPECT_EQ(ck.Verdict(), WatermarkVerdict::Verified);
    }
}
