// Edge cases of the NAL loop, parameter sets, slice headers and the front end.
#include "H264TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace k5streams;

namespace {

WmStream Small(int count = 12)
{
    WmStream s;
    s.pictures.push_back(WmSimplePicture(count, WmKind::INxN));
    return s;
}

std::vector<std::uint8_t> Bytes(const WmStream& s)
{
    return WriteWatermarkStream(s).bytes;
}

// Replaces every 4-byte start code by a 3-byte one.
std::vector<std::uint8_t> ShortStartCodes(const std::vector<std::uint8_t>& in)
{
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (i + 3 < in.size() && in[i] == 0 && in[i + 1] == 0 && in[i + 2] == 0 && in[i + 3] == 1)
            continue;
        out.push_back(in[i]);
    }
    return out;
}

std::vector<std::uint8_t> Nal(int header, std::vector<std::uint8_t> payload)
{
    payload.insert(payload.begin(), {0, 0, 0, 1, static_cast<std::uint8_t>(header)});
    return payload;
}

std::vector<std::uint8_t> Cat(std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

TEST(NalLoop, StartCodesJunkAndEscapes)
{
    struct
    {
        const char* name;
        std::vector<std::uint8_t> bytes;
        WatermarkVerdict verdict;
    } cases[] = {
        {"4-byte start codes", Bytes(Small()), WatermarkVerdict::Verified},
        {"3-byte start codes", ShortStartCodes(Bytes(Small())), WatermarkVerdict::Verified},
        {"five junk bytes first", [] { WmStream s = Small(); s.junkBefore = 5; return Bytes(s); }(),
         WatermarkVerdict::Verified},
        {"SEI payload with an escape, then the picture",
         Cat(Nal(0x06, {0x05, 0x14, 0, 0, 3, 0, 0, 0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0x80}),
             Bytes(Small())),
         WatermarkVerdict::Verified},
        {"user-data SEI of 10 bytes", Cat(Nal(0x06, {0x05, 0x0A, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0x80}), Bytes(Small())),
         WatermarkVerdict::Verified},
        {"SEI payload longer than its NAL unit", Cat(Nal(0x06, {0x01, 0xFF, 0xFF, 0xFF, 0x40, 1, 2, 0x80}), Bytes(Small())),
         WatermarkVerdict::Verified},
        {"SEI type of 255 bytes without end", Nal(0x06, std::vector<std::uint8_t>(300, 0xFF)),
         WatermarkVerdict::CannotVerify},
        {"junk only", {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE}, WatermarkVerdict::CannotVerify},
        {"start code in the last three bytes", {0x12, 0x34, 0x00, 0x00, 0x01}, WatermarkVerdict::CannotVerify},
        {"unknown NAL unit types", Cat(Nal(0x00, {1, 2, 3}), Cat(Nal(0x18, {4, 5, 6}), Bytes(Small()))),
         WatermarkVerdict::Verified},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Checker ck;
        const int r = ck.Decode(c.bytes);
        EXPECT_EQ(r, static_cast<int>(c.bytes.size()));
        EXPECT_EQ(ck.wm.m_nMismatches, 0);
        EXPECT_EQ(ck.Verdict(), c.verdict);
    }
    // The escapes of I_PCM samples are taken out before the samples are read.
    WmStream pcm = Small();
    for (auto& m : pcm.pictures[0].slices[0].mbs)
        m.kind = WmKind::Pcm;
    pcm.pictures[0].slices[0].mbs[3].kind = WmKind::INxN;
    const std::vector<std::uint8_t> b = Bytes(pcm);
    const std::uint8_t esc[] = {0, 0, 3};
    EXPECT_NE(std::search(b.begin(), b.end(), std::begin(esc), std::end(esc)), b.end());
    Checker ck;
    ck.Decode(b);
    EXPECT_EQ(ck.Verdict(), WatermarkVerdict::Verified);
}

TEST(FrontEnd, Calls)
{
    // Unknown call type.
    EXPECT_EQ(CallH264Decoder(3, nullptr, nullptr), -1);
    EXPECT_EQ(CallH264Decoder(-1, nullptr, nullptr), -1);
    // Open into no slot.
    EXPECT_EQ(CallH264Decoder(kH264Open, nullptr, nullptr), -1);

    // Decode without a decoder.
    WatermarkContext wm;
    wm.m_nMismatches = 5;
    H264DecodeIo io;
    io.m_pWatermark = &wm;
    io.m_nLength = 4;
    const std::uint8_t four[4] = {0, 0, 1, 5};
    io.m_pData = four;
    EXPECT_EQ(CallH264Decoder(kH264Decode, nullptr, &io), -1);
    EXPECT_EQ(io.m_nResult, -1);
    EXPECT_EQ(GetWatermarkVerdict(wm), WatermarkVerdict::CannotVerify);

    // An empty buffer: result 0, and a verdict of its own (nothing checked).
    Checker ck;
    ck.Decode(WriteWatermarkStream([] {
                  WmStream s;
                  s.pictures.push_back(WmSimplePicture(12, WmKind::INxN));
                  s.pictures[0].slices[0].mbs[5].keyed = 1;
                  return s;
              }())
                  .bytes);
    EXPECT_EQ(ck.wm.m_nMismatches, 1);
    EXPECT_EQ(ck.Decode({}), 0);
    EXPECT_EQ(ck.lastIoResult, 0);
    EXPECT_EQ(ck.wm.m_nMismatches, 0);
    EXPECT_EQ(ck.Verdict(), WatermarkVerdict::CannotVerify);

    // The count covers one call: a genuine frame after a tampered one verifies.
    ck.Decode(Bytes(Small()));
    EXPECT_EQ(ck.Verdict(), WatermarkVerdict::Verified);

    // Close and reopen: the new decoder knows no parameter sets.
    WmStream noSets = Small();
    noSets.paramSets = false;
    H264DecoderHandle* h = ck.Handle();
    Checker again;
    again.Decode(Bytes(Small()));
    again.Decode(Bytes(noSets));
    EXPECT_EQ(again.Verdict(), WatermarkVerdict::Verified); // same decoder: sets kept
    Checker fresh;
    fresh.Decode(Bytes(noSets));
    EXPECT_EQ(fresh.Verdict(), WatermarkVerdict::CannotVerify);
    (void)h;
}

TEST(ParameterSets, RefusedSetKeepsTheStoredOne)
{
    WmStream bad = Small();
    bad.numRefFrames = 31; // refused SPS, same id
    Checker ck;
    ck.Decode(Bytes(Small()));
    ASSERT_EQ(ck.Verdict(), WatermarkVerdict::Verified);
    ck.Decode(Bytes(bad));
    EXPECT_EQ(ck.Verdict(), WatermarkVerdict::Verified);

    Checker fresh;
    fresh.Decode(Bytes(bad));
    EXPECT_EQ(fresh.Verdict(), WatermarkVerdict::CannotVerify);
}

TEST(ParameterSets, LargestFrameAcceptedOneMoreRefused)
{
    struct
    {
        int w, h;
        int accepted;
    } cases[] = {{192, 192, 1}, {193, 192, 0}, {36864, 1, 1}, {36865, 1, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.w);
        WmStream s = Small();
        s.spsWidthMbs = c.w;
        s.spsHeightMapUnits = c.h;
        Checker ck;
        CountingObserver obs;
        ck.Observe(&obs);
        ck.Decode(Bytes(s));
        EXPECT_EQ(obs.accepted, c.accepted);
        EXPECT_EQ(ck.Verdict(), WatermarkVerdict::CannotVerify); // the slices cover 12 macroblocks only
    }
}

TEST(ParameterSets, ScalingListDeltaOutsideItsRangeRefusesTheSet)
{
    // Each list is whole: the first delta, then zeros up to 16 values, or -8
    // alone, which selects the default list and ends it.
    auto list = [](std::vector<int> head) {
        if (head != std::vector<int>{-8})
            head.resize(16, 0);
        return head;
    };
    struct
    {
        std::vector<int> deltas;
        bool accepted;
    } cases[] = {
        {list({-128}), true},        {list({127}), true},          {list({-8}), true},
        {list({128}), false},        {list({-129}), false},        {list({0, 200}), false},
        {list({2147483647}), false}, {list({-2147483647}), false},
    };
    for (bool inPps : {false, true})
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message()
                         << (inPps ? "PPS " : "SPS ") << c.deltas[0] << "," << c.deltas[1 % c.deltas.size()]);
            WmStream s = Small();
            s.profile = 100;
            s.transform8x8 = inPps;
            (inPps ? s.ppsScaling : s.spsScaling) = c.deltas;
            Checker ck;
            ck.Decode(Bytes(s));
            EXPECT_EQ(ck.Verdict(), c.accepted ? WatermarkVerdict::Verified : WatermarkVerdict::CannotVerify);
        }
}

TEST(ParameterSets, SizeChangeInAnOpenDecoderStartsANewPicture)
{
    Checker ck;
    ck.Decode(Bytes(Small()));
    ASSERT_EQ(ck.Verdict(), WatermarkVerdict::Verified);
    WmStream big;
    big.mbWidth = 8;
    big.mbHeight = 6;
    big.pictures.push_back(WmSimplePicture(48, WmKind::I16));
    ck.Decode(Bytes(big));
    EXPECT_EQ(ck.Verdict(), WatermarkVerdict::Verified);
    ck.Decode(Bytes(Small()));
    EXPECT_EQ(ck.Verdict(), WatermarkVerdict::Verified);
}

TEST(SliceHeader, QpAndSliceNumbers)
{
    // mb_qp_delta 25 at QP 40 wraps to 13.
    WmStream s = Small();
    s.pictures[0].slices[0].qpDelta = 14;
    s.pictures[0].slices[0].mbs[0].qpDelta = 25;
    s.pictures[0].slices[0].mbs[0].kind = WmKind::I16;
    Checker ck;
    CountingObserver obs;
    obs.keepMbs = true;
    ck.Observe(&obs);
    ck.Decode(Bytes(s));
    ASSERT_FALSE(obs.mbInfo.empty());
    EXPECT_EQ(obs.headers.at(0).qp, 40);
    EXPECT_EQ(obs.mbInfo[0].qp, 13);
    EXPECT_EQ(obs.mbInfo[1].qp, 13);

    // A later picture parses into the same store; stale macroblocks of the
    // first picture's slices are never taken as neighbours (nC would differ
    // and the verdict break).
    for (int i = 0; i < 5; ++i) {
        WmStream t = Small();
        t.seed = static_cast<std::uint32_t>(100 + i);
        t.pictures[0].slices[0].mbs.resize(5);
        WmSlice second;
        second.firstMb = 5;
        second.mbs.assign(7, WmMacroblock{WmKind::I16, kDue, false});
        t.pictures[0].slices.push_back(second);
        ck.Decode(Bytes(t));
        EXPECT_EQ(ck.Verdict(), WatermarkVerdict::Verified);
    }
}

// Data partitions: parsed only when B and C follow A in the same buffer, never
// from the RBSP of an earlier buffer, and never verified.
TEST(NalLoop, DataPartitions)
{
    WmStream s;
    s.pictures.push_back(WmSimplePicture(12, WmKind::INxN));
    s.pictures.push_back(WmSimplePicture(12, WmKind::PSkip, 0, false, 1));
    s.pictures[1].slices[0].partitioned = true;
    const std::vector<std::uint8_t> a = Bytes(s);
    const std::vector<std::uint8_t> bc = Cat(Nal(0x06, {0x01, 0x01, 0x00, 0x80}),
                                             Cat(Nal(0x03, {0x80}), Nal(0x04, {0x80})));
    Checker same;
    CountingObserver obs;
    same.Observe(&obs);
    same.Decode(Cat(a, bc));
    EXPECT_EQ(same.Verdict(), WatermarkVerdict::CannotVerify);
    EXPECT_EQ(obs.accepted, 2);
    EXPECT_EQ(obs.clean, 2); // the I slice and the partitioned one, parsed to its end

    Checker split;
    CountingObserver obs2;
    split.Observe(&obs2);
    split.Decode(a);
    const int ends = obs2.clean + obs2.unclean;
    split.Decode(bc); // the partition A of the previous buffer is gone
    EXPECT_EQ(obs2.clean + obs2.unclean, ends);
    EXPECT_EQ(split.Verdict(), WatermarkVerdict::CannotVerify);
}

// A partition B or C alone is still a partitioned slice: nothing to verify by.
TEST(NalLoop, LonePartitionCannotVerify)
{
    for (int type : {3, 4}) {
        Checker ck;
        ck.Decode(Cat(Bytes(Small()), Nal(type, {0x80})));
        EXPECT_EQ(ck.Verdict(), WatermarkVerdict::CannotVerify) << type;
    }
}
