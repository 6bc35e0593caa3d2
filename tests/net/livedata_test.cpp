// The live and playback data path without a socket: reassembly, frame checks,
// audio blocks, speed codes, resume decisions, frame credits, pacing and
// stream numbers.
#include "net/LiveData.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void PutLE(Bytes& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = std::uint8_t(v >> (8 * i));
}

// A frame as the recorder builds it, written here from the header layout (not
// with the client's own parser): header, `video` bytes, `audio` bytes.
struct FrameSpec
{
    std::uint32_t marker = 511;
    int channel = 0;
    std::uint32_t video = 100;
    std::uint32_t audio = 0;
    // Declared sizes; by default the real ones.
    std::int64_t declaredVideo = -1;
    std::int64_t declaredAudio = -1;
    std::uint16_t audioSource = 0; // word 24 low half
    int singleAudio = 0;           // word 8 bits 4-7
    bool audioMask = false;        // audio-select code 1
};

Bytes BuildFrame(const FrameSpec& s)
{
    Bytes b(40 + s.video + s.audio, 0);
    PutLE(b, 0, s.marker);
    PutLE(b, 8, (std::uint32_t(s.channel) & 0xF) | (std::uint32_t(s.singleAudio & 0xF) << 4) | (1u << 8));
    PutLE(b, 12, 1199145600u);
    PutLE(b, 16, 1u << 23);
    const std::uint32_t dv = s.declaredVideo >= 0 ? std::uint32_t(s.declaredVideo) : s.video;
    const std::uint32_t da = s.declaredAudio >= 0 ? std::uint32_t(s.declaredAudio) : s.audio;
    PutLE(b, 20, (dv & 0xFFFFF) | (da << 20));
    PutLE(b, 24, s.audioSource);
    PutLE(b, 28, 1u | (s.audioMask ? 1u << 18 : 0u));
    for (std::size_t i = 40; i < b.size(); ++i)
        b[i] = std::uint8_t(i * 13);
    return b;
}

Bytes WithPrefix(const Bytes& frame, const std::string& stem, std::uint32_t captionFlag = 0,
                 const Bytes& caption = {})
{
    Bytes p(192 + frame.size(), 0);
    std::memcpy(p.data(), stem.data(), std::min<std::size_t>(stem.size(), 192));
    PutLE(p, 20, captionFlag);
    std::copy(caption.begin(), caption.end(), p.begin() + 96);
    std::copy(frame.begin(), frame.end(), p.begin() + 192);
    return p;
}

// ---------------------------------------------------------------------------

TEST(StreamAssembler, JoinsFragmentsOfAnySize)
{
    const Bytes frame = BuildFrame({.video = 5000, .audio = 2048});
    for (std::size_t piece : {std::size_t(1), std::size_t(7), std::size_t(1000), std::size_t(4096), frame.size()}) {
        CStreamAssembler a(8192);
        bool whole = false;
        for (std::size_t at = 0; at < frame.size(); at += piece) {
            const std::size_t n = std::min(piece, frame.size() - at);
            const bool last = at + n == frame.size();
            whole = a.Append(frame.data() + at, n, last);
            EXPECT_EQ(whole, last) << "piece " << piece;
        }
        ASSERT_TRUE(whole);
        ASSERT_EQ(a.Length(), frame.size());
        EXPECT_EQ(0, std::memcmp(a.Data(), frame.data(), frame.size())) << "piece " << piece;
    }
}

TEST(StreamAssembler, FrameLongerThanTheBufferIsDroppedWholeAndTheNextOneStartsClean)
{
    CStreamAssembler a(1000);
    // 3 x 400 bytes: the third fragment does not fit.
    const Bytes big(400, 0xEE);
    EXPECT_FALSE(a.Append(big.data(), big.size(), false));
    EXPECT_FALSE(a.Append(big.data(), big.size(), false));
    EXPECT_EQ(a.Reserve(400), nullptr);
    a.Commit(400); // a caller that drained the bytes still ends the fragment
    EXPECT_EQ(a.Length(), 0u);
    // Further fragments of the same frame are drained too, even small ones.
    EXPECT_EQ(a.Reserve(10), nullptr);
    EXPECT_FALSE(a.EndFragment(true));
    EXPECT_EQ(a.OversizeFrames(), 1u);

    const Bytes next = BuildFrame({.video = 200});
    EXPECT_FALSE(a.Append(next.data(), 100, false));
    ASSERT_TRUE(a.Append(next.data() + 100, next.size() - 100, true));
    ASSERT_EQ(a.Length(), next.size());
    EXPECT_EQ(0, std::memcmp(a.Data(), next.data(), next.size()));
}

// The buffer grows with the frames: a frame of nearly the whole capacity in
// network-sized pieces arrives intact, the one after it too, and a frame one
// byte over the capacity is still dropped.
TEST(StreamAssembler, GrowsToTheLargestFrameAndKeepsItsBytes)
{
    Bytes big(CStreamAssembler::kCapacity - 7);
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<std::uint8_t>(i * 2654435761u >> 13);
    CStreamAssembler a;
    for (const Bytes* frame : {&big, &big}) {
        bool whole = false;
        for (std::size_t at = 0; at < frame->size(); at += 1460) {
            const std::size_t n = std::min<std::size_t>(1460, frame->size() - at);
            whole = a.Append(frame->data() + at, n, at + n == frame->size());
        }
        ASSERT_TRUE(whole);
        ASSERT_EQ(a.Length(), frame->size());
        EXPECT_EQ(0, std::memcmp(a.Data(), frame->data(), frame->size()));
        a.Reset();
    }
    const Bytes over(CStreamAssembler::kCapacity + 1, 3);
    EXPECT_FALSE(a.Append(over.data(), 1000, false));
    EXPECT_FALSE(a.Append(over.data() + 1000, over.size() - 1000, true));
    EXPECT_EQ(a.OversizeFrames(), 1u);
    const Bytes small(100, 9);
    ASSERT_TRUE(a.Append(small.data(), small.size(), true));
    EXPECT_EQ(0, std::memcmp(a.Data(), small.data(), small.size()));
}

TEST(StreamAssembler, ExactlyFullBufferFits)
{
    CStreamAssembler a(1000);
    const Bytes b(1000, 1);
    EXPECT_TRUE(a.Append(b.data(), b.size(), true));
    EXPECT_EQ(a.Length(), 1000u);
    a.Reset();
    EXPECT_EQ(a.Length(), 0u);
}

// ---------------------------------------------------------------------------

TEST(LiveFrame, ChecksMarkerChannelAndSizes)
{
    struct Case
    {
        const char* name;
        FrameSpec spec;
        int channels;
        std::size_t cut; // bytes removed from the end
        FrameCheck expect;
    } cases[] = {
        {"plain", {.channel = 3, .video = 100}, 16, 0, FrameCheck::Ok},
        {"with audio", {.channel = 3, .video = 100, .audio = 2048}, 16, 0, FrameCheck::Ok},
        {"wrong marker", {.marker = 510}, 16, 0, FrameCheck::BadMarker},
        {"channel 12 of 8", {.channel = 12}, 8, 0, FrameCheck::BadChannel},
        {"channel 7 of 8", {.channel = 7}, 8, 0, FrameCheck::Ok},
        {"video longer than arrived", {.video = 100, .declaredVideo = 101}, 16, 0, FrameCheck::BadSizes},
        {"audio past the end", {.video = 100, .audio = 2048}, 16, 1, FrameCheck::BadSizes},
        {"huge declared video", {.video = 10, .declaredVideo = 0xFFFFF}, 16, 0, FrameCheck::BadSizes},
        {"huge declared audio", {.video = 10, .declaredAudio = 0xFFF}, 16, 0, FrameCheck::BadSizes},
    };
    for (const Case& c : cases) {
        Bytes b = BuildFrame(c.spec);
        b.resize(b.size() - c.cut);
        ParsedFrame p;
        EXPECT_EQ(ParseLiveFrame(b.data(), b.size(), c.channels, p), c.expect) << c.name;
        if (c.expect == FrameCheck::Ok) {
            EXPECT_EQ(p.frame, b.data()) << c.name;
            EXPECT_EQ(p.frameSize, 40 + c.spec.video) << c.name;
            EXPECT_EQ(p.audio, b.data() + 40 + c.spec.video) << c.name;
            EXPECT_EQ(p.info.channel, c.spec.channel) << c.name;
            EXPECT_EQ(p.info.frame_size, 40 + c.spec.video) << c.name;
            EXPECT_EQ(p.info.audio_size, c.spec.audio) << c.name;
        }
    }
    ParsedFrame p;
    const Bytes tiny(30, 0);
    EXPECT_EQ(ParseLiveFrame(tiny.data(), tiny.size(), 16, p), FrameCheck::TooShort);
}

TEST(PlayFrame, PlainOrWithAPrefixWhoseStemMatchesExactly)
{
    const Bytes frame = BuildFrame({.channel = 2, .video = 64});
    const Bytes prefixed = WithPrefix(frame, "kola5500");
    struct Case
    {
        const char* name;
        Bytes bytes;
        FrameCheck expect;
    } cases[] = {
        {"plain", frame, FrameCheck::Ok},
        {"kola5500", prefixed, FrameCheck::Ok},
        {"mira3140", WithPrefix(frame, "mira3140"), FrameCheck::Ok},
        {"capital stem", WithPrefix(frame, "KOLA5500"), FrameCheck::BadStem},
        {"longer stem", WithPrefix(frame, "kola55001"), FrameCheck::BadStem},
        {"shorter stem", WithPrefix(frame, "kola550"), FrameCheck::BadStem},
        {"unterminated", WithPrefix(frame, std::string(40, 'k')), FrameCheck::BadStem},
        {"prefix, wrong marker", WithPrefix(BuildFrame({.marker = 7}), "kola5500"), FrameCheck::BadStem},
        {"prefix cut", Bytes(prefixed.begin(), prefixed.begin() + 150), FrameCheck::TooShort},
        {"header cut", Bytes(prefixed.begin(), prefixed.begin() + 220), FrameCheck::TooShort},
    };
    for (const Case& c : cases) {
        ParsedFrame p;
        EXPECT_EQ(ParsePlayFrame(c.bytes.data(), c.bytes.size(), 16, p), c.expect) << c.name;
        if (c.expect == FrameCheck::Ok) {
            const bool recorded = c.bytes.size() > frame.size();
            EXPECT_EQ(p.recorded, recorded) << c.name;
            EXPECT_EQ(p.frame, c.bytes.data() + (recorded ? 192 : 0)) << c.name;
            EXPECT_STREQ(p.info.caption, "CH3") << c.name;
        }
    }
}

TEST(PlayFrame, PrefixCaptionIsBoundedAndTerminated)
{
    const Bytes frame = BuildFrame({.channel = 0, .video = 10});
    ParsedFrame p;
    // 32 caption bytes with no terminator: 31 kept.
    Bytes full = WithPrefix(frame, "mira3140", 1, Bytes(32, 'Z'));
    ASSERT_EQ(ParsePlayFrame(full.data(), full.size(), 16, p), FrameCheck::Ok);
    EXPECT_EQ(std::string(p.info.caption), std::string(31, 'Z'));

    Bytes named = WithPrefix(frame, "mira3140", 1, Bytes{'G', 'a', 't', 'e', 0, 'x'});
    ASSERT_EQ(ParsePlayFrame(named.data(), named.size(), 16, p), FrameCheck::Ok);
    EXPECT_STREQ(p.info.caption, "Gate");

    Bytes flagOff = WithPrefix(frame, "mira3140", 0, Bytes{'G', 'a', 't', 'e', 0});
    ASSERT_EQ(ParsePlayFrame(flagOff.data(), flagOff.size(), 16, p), FrameCheck::Ok);
    EXPECT_STREQ(p.info.caption, "CH1");
}

// ---------------------------------------------------------------------------

TEST(AudioBlock, OffsetsBySourceAndGridView)
{
    struct Case
    {
        const char* name;
        std::uint16_t source;
        int single;
        bool mask;
        std::uint32_t audioSize;
        int shownAlone; // -1: several cells
        bool play;
        std::size_t offset;
        int index;
    } cases[] = {
        {"single channel shown alone", 0x0008, 3, false, 2048, 3, true, 1536, 0},
        {"single channel, four-way layout", 0x0008, 3, false, 2048, -1, false, 0, 0},
        {"single channel, other channel shown", 0x0008, 3, false, 2048, 5, false, 0, 0},
        {"no audio source", 0x0000, 3, false, 2048, 3, false, 0, 0},
        {"mask 0x0005, channel 2 shown", 0x0005, 0, true, 2048, 2, true, 1024, 1},
        {"mask 0x0005, channel 0 shown", 0x0005, 0, true, 2048, 0, true, 1536, 0},
        {"mask 0x000F, channel 3 shown", 0x000F, 0, true, 2048, 3, true, 0, 3},
        {"mask 0x0005, channel 1 shown", 0x0005, 0, true, 2048, 1, false, 0, 0},
        {"mask, four-way layout", 0x0005, 0, true, 2048, -1, false, 0, 0},
        {"fifth channel of a mask has no block", 0x001F, 0, true, 2048, 4, false, 0, 4},
        {"audio section too short", 0x0008, 3, false, 1024, 3, false, 1536, 0},
    };
    for (const Case& c : cases) {
        FrameSpec s{.video = 10, .audio = c.audioSize, .audioSource = c.source, .singleAudio = c.single,
                    .audioMask = c.mask};
        const Bytes b = BuildFrame(s);
        ParsedFrame p;
        ASSERT_EQ(ParseLiveFrame(b.data(), b.size(), 16, p), FrameCheck::Ok) << c.name;
        const AudioChoice a = ChooseAudioBlock(p.info, c.shownAlone);
        EXPECT_EQ(a.play, c.play) << c.name;
        if (c.play) {
            EXPECT_EQ(a.offset, c.offset) << c.name;
            EXPECT_EQ(a.length, c.audioSize / 4) << c.name;
            EXPECT_LE(a.offset + a.length, c.audioSize) << c.name;
        }
        if (c.mask) {
            EXPECT_EQ(a.soloChannel, c.source) << c.name;
            if (c.play) {
                EXPECT_EQ(a.audioIndex, c.index) << c.name;
            }
        } else {
            EXPECT_EQ(a.soloChannel, 0xFFFFu) << c.name;
        }
    }
}

// ---------------------------------------------------------------------------

TEST(PlaySpeed, CodeTables)
{
    const int ver12[18] = {0, 0, 0, 0, -6, -5, -4, -3, -2, -1, 0, 1, 2, 3, 4, 5, 6, 0};
    for (int code = 0; code < 18; ++code)
        EXPECT_EQ(SpeedFromCodeVer12(code), ver12[code]) << code;
    EXPECT_EQ(SpeedFromCodeVer12(63), 0);

    EXPECT_EQ(SpeedFromCodeOld(11, 3), 1);
    EXPECT_EQ(SpeedFromCodeOld(12, 3), 2);
    EXPECT_EQ(SpeedFromCodeOld(13, 3), 0);
    EXPECT_FALSE(SpeedFromCodeOld(11, 1).has_value());
    EXPECT_FALSE(SpeedFromCodeOld(13, 1).has_value());

    struct Shown
    {
        bool busy, ver12;
        int state, speed, expect;
    } shown[] = {
        {true, true, 3, 4, 0},   {false, true, 3, 4, 4},  {false, true, 3, -3, -2}, {false, true, 1, 0, 0},
        {false, false, 3, 2, 2}, {false, false, 3, 3, 0}, {false, false, 2, 1, -1}, {false, false, 1, 1, 0},
    };
    for (const Shown& s : shown)
        EXPECT_EQ(ShownPlaySpeed(s.busy, s.ver12, s.state, s.speed), s.expect)
            << s.busy << s.ver12 << " " << s.state << " " << s.speed;
}

TEST(PlayResume, DecisionTable)
{
    const std::uint32_t mask = 0x00F0;
    const std::vector<PlaySend> back = {{45, 0}, {42, 0}, {62, mask}, {61, 1}};
    const std::vector<PlaySend> fwd = {{45, 0}, {46, 0}, {62, mask}, {61, 1}};
    const std::vector<PlaySend> more = {{61, 16}};
    struct Case
    {
        int prevKind, state;
        std::int64_t F, L;
        int credit;
        ResumeAction expect;
    } cases[] = {
        // prev kind 0, state 3 or 7
        {0, 3, 100, 200, 0, {}},
        {0, 3, 200, 200, 0, {false, true, false, {}}},
        {0, 3, 300, 200, 0, {true, true, false, {}}},
        {0, 7, 300, 200, 0, {true, true, false, fwd}},
        {0, 7, 200, 200, 0, {false, true, false, fwd}},
        // prev kind 0, other states
        {0, 1, 200, 200, 0, {false, true, false, back}},
        {0, 2, 100, 200, 0, {false, true, false, {}}},
        {0, 1, 300, 200, 0, {false, false, true, more}},
        {0, 1, 300, 200, 5, {}},
        {0, 2, 300, 200, 0, {}},
        // prev kind 1
        {1, 3, 200, 200, 0, {true, true, false, {}}},
        {1, 7, 250, 200, 0, {true, true, false, fwd}},
        {1, 7, 100, 200, 0, {false, false, true, more}},
        {1, 7, 100, 200, 1, {}},
        {1, 1, 100, 200, 0, {}},
        // prev kind 2
        {2, 1, 200, 200, 0, {true, true, false, back}},
        {2, 2, 100, 200, 0, {true, true, false, {}}},
        {2, 1, 300, 200, -3, {false, false, true, more}},
        {2, 3, 300, 200, 0, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DecideResume(c.prevKind, c.state, c.F, c.L, c.credit, 16, mask), c.expect)
            << "kind " << c.prevKind << " state " << c.state << " F " << c.F << " L " << c.L << " credit "
            << c.credit;
    }
}

TEST(PlayCommand, BodyLayout)
{
    const auto b = PlayCommandBody(0x0000A005, true, 0x47A1B2C3);
    const std::array<std::uint8_t, 24> expect = {0x00, 0x00, 0xA0, 0x05, 0, 1, 0, 0, 0, 0, 0, 0,
                                                 0,    0,    0,    0,    0x47, 0xA1, 0xB2, 0xC3, 0, 0, 0, 0};
    EXPECT_EQ(b, expect);
    EXPECT_EQ(PlayCommandBody(1, false, 0)[5], 0);
}

TEST(FrameCredits, FortyEightMoreAfterEveryFortyEight)
{
    CFrameCredits c;
    std::vector<int> asked;
    for (int frame = 1; frame <= 150; ++frame) {
        // Frames 60-69 arrive while a command is busy: neither counted nor asked for.
        const bool busy = frame >= 60 && frame < 70;
        if (const std::uint32_t n = c.OnFrame(busy)) {
            EXPECT_EQ(n, 48u);
            asked.push_back(frame);
        }
    }
    // The 49th counted frame asks; frames 60-69 do not count.
    EXPECT_EQ(asked, (std::vector<int>{49, 107}));
    c.Reset();
    EXPECT_EQ(c.Count(), 0);
}

// ---------------------------------------------------------------------------

struct FakeClock
{
    std::int64_t now = 50000;
    int sleeps = 0;
    CPlayPacer Pacer()
    {
        return CPlayPacer([this] { return now; },
                          [this](int ms) {
                              ++sleeps;
                              now += ms;
                          });
    }
};

TEST(PlayPacer, DelayBySpeed)
{
    FakeClock clock;
    CPlayPacer pacer = clock.Pacer();
    pacer.Anchor(10000); // reference 9900 ms
    EXPECT_EQ(pacer.RefMs(), 9900);
    EXPECT_EQ(pacer.RefTick(), 50000);
    struct Case
    {
        int speed;
        std::int64_t frame;
        std::int64_t delay;
    } cases[] = {
        {1, 10900, 1000}, {2, 10900, 500},  {3, 10900, 250}, {4, 10900, 62},  {5, 10900, 15}, {6, 10900, 3},
        {0, 99999, 3},    {-1, 99999, 3},   {-2, 8900, 500}, {-3, 8900, 250}, {-4, 8900, 62}, {-5, 8900, 15},
        {-6, 8900, 3},    {1, 9800, -100},
    };
    for (const Case& c : cases)
        EXPECT_EQ(pacer.DelayFor(c.frame, c.speed), c.delay) << c.speed << " " << c.frame;
}

TEST(PlayPacer, WaitsInMillisecondStepsUntilDue)
{
    FakeClock clock;
    CPlayPacer pacer = clock.Pacer();
    pacer.Anchor(10000);
    EXPECT_EQ(pacer.WaitDue(10400, 1, [] { return true; }), CPlayPacer::Wait::Due);
    EXPECT_EQ(clock.now, 50500);
    EXPECT_EQ(clock.sleeps, 500);

    // A frame already late goes at once.
    clock.sleeps = 0;
    EXPECT_EQ(pacer.WaitDue(10100, 1, [] { return true; }), CPlayPacer::Wait::Due);
    EXPECT_EQ(clock.sleeps, 0);

    // A changed speed or a busy command ends the wait.
    int asked = 0;
    EXPECT_EQ(pacer.WaitDue(12000, 1, [&] { return ++asked < 5; }), CPlayPacer::Wait::Interrupted);
    EXPECT_EQ(asked, 5);
}

TEST(PlayPacer, ReanchorsAfterThreeSeconds)
{
    FakeClock clock;
    CPlayPacer pacer = clock.Pacer();
    pacer.Anchor(10000);
    // Due 60 s later: after 3000 ms of waiting the anchor moves to this frame.
    EXPECT_EQ(pacer.WaitDue(70000, 1, [] { return true; }), CPlayPacer::Wait::Reanchored);
    EXPECT_EQ(clock.now, 50000 + 3001);
    EXPECT_EQ(pacer.RefMs(), 70000);
    EXPECT_EQ(pacer.RefTick(), clock.now);
    // The next frame 40 ms on is due 40 ms after the new anchor.
    EXPECT_EQ(pacer.WaitDue(70040, 1, [] { return true; }), CPlayPacer::Wait::Due);
    EXPECT_EQ(clock.now, 50000 + 3001 + 40);
}

// ---------------------------------------------------------------------------

TEST(StreamSeq, PlayNumbersPerChannel)
{
    PlaySeqArray s{};
    BumpPlaySeq(s);          // normal forward play starts: every channel
    BumpPlaySeq(s, 0x0005);  // a resync: channels 0 and 2 were shown
    EXPECT_EQ(s[0].load(), 1u);
    EXPECT_EQ(s[1].load(), 2u);
    EXPECT_EQ(s[2].load(), 1u);
    EXPECT_EQ(s[15].load(), 2u);
    ResetPlaySeq(s);
    EXPECT_EQ(s[1].load(), 0u);
}

TEST(StartLayout, ByChannelCount)
{
    EXPECT_EQ(LayoutForChannelCount(4).layout, 1);
    EXPECT_EQ(LayoutForChannelCount(4).splitButton, 17);
    EXPECT_EQ(LayoutForChannelCount(8).layout, 6);
    EXPECT_EQ(LayoutForChannelCount(8).pageCounts[1], 2);
    EXPECT_EQ(LayoutForChannelCount(16).layout, 14);
    EXPECT_EQ(LayoutForChannelCount(16).pageCounts,
              (std::array<int, 15>{16, 4, 3, 3, 3, 2, 2, 2, 2, 2, 2, 2, 2, 2, 1}));
}

} // namespace
