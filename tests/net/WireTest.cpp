// Framing, frame headers and the small shared helpers.
#include "net/Wire.h"
#include "platform/Skin.h"
#include "platform/System.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Two connected stream sockets: `a` wrapped for the code under test, `peer`
// a plain descriptor the test drives.
struct SocketPair
{
    std::unique_ptr<TcpSocket> a;
    int peer = -1;
    SocketPair()
    {
        int fds[2];
        EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
        a = std::make_unique<TcpSocket>(fds[0]);
        peer = fds[1];
    }
    ~SocketPair()
    {
        if (peer >= 0)
            ::close(peer);
    }
    void Write(const Bytes& b) const { ASSERT_EQ(::write(peer, b.data(), b.size()), ssize_t(b.size())); }
    Bytes Read(std::size_t n) const
    {
        Bytes out(n);
        std::size_t got = 0;
        while (got < n) {
            const ssize_t r = ::read(peer, out.data() + got, n - got);
            if (r <= 0)
                break;
            got += std::size_t(r);
        }
        out.resize(got);
        return out;
    }
    void ClosePeer()
    {
        ::close(peer);
        peer = -1;
    }
};

TEST(WireHeader, GoesOutAsFourBigEndianWords)
{
    struct Case
    {
        WireHeader header;
        Bytes payload;
        Bytes expected;
    };
    const Case cases[] = {
        {WireHeader::Make(LIVE_REQ, 4),
         {0x00, 0x00, 0xFF, 0xFF},
         {0, 0, 0x08, 0x00, 0, 0, 0, 0x04, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x00, 0xFF, 0xFF}},
        {WireHeader::Make(ALIVE_REQ), {}, {0, 0, 0xFF, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {WireHeader::Make(AUDIO_ONOFF_REQ, 0, kSubAudio),
         {},
         {0, 0, 0x0B, 0x88, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {WireHeader::Make(HELLO, 3, 0, kFlagLastFragment),
         {1, 2, 3},
         {0, 0, 0x00, 0x80, 0x40, 0x00, 0x00, 0x03, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3}},
    };
    for (const Case& c : cases) {
        SocketPair sp;
        ASSERT_TRUE(SendPacket(*sp.a, c.header, c.payload.data(), c.payload.size()));
        EXPECT_EQ(sp.Read(c.expected.size()), c.expected) << "code 0x" << std::hex << c.header.code();
        const WireHeader back = DecodeHeader(c.expected.data());
        EXPECT_EQ(back.cmd(), c.header.cmd());
        EXPECT_EQ(back.sub(), c.header.sub());
        EXPECT_EQ(back.length(), c.payload.size());
        EXPECT_EQ(back.flags(), c.header.flags());
    }
    EXPECT_EQ(MessageCode(LIVE_REQ), 0x0800);
    EXPECT_EQ(MessageCode(ALIVE_REQ), 0xFF80);
    EXPECT_EQ(MessageCode(TRANS_OFF_REQ), 0x3300);
}

TEST(WireHeader, ChannelGoesIntoFlagsBits6To9AndKeepsTheRest)
{
    WireHeader h = WireHeader::Make(LIVE_DATA, 100, 0, kFlagLastFragment | 0x0015);
    SetHeaderChannel(h, 13);
    EXPECT_EQ(HeaderChannel(h), 13);
    EXPECT_EQ(h.flags(), kFlagLastFragment | 0x0015 | (13 << 6));
    EXPECT_EQ(h.length(), 100);
    SetHeaderChannel(h, 2);
    EXPECT_EQ(h.flags(), kFlagLastFragment | 0x0015 | (2 << 6));
}

// A 40-byte frame header from its words (little-endian).
Bytes FrameHeaderBytes(std::uint32_t w8, std::uint32_t time, std::uint32_t w16, std::uint32_t w20,
                       std::uint32_t w24, std::uint32_t w28, std::uint32_t marker = kFrameMarker)
{
    Bytes b(40, 0);
    WriteLE32(b.data(), marker);
    WriteLE32(b.data() + 8, w8);
    WriteLE32(b.data() + 12, time);
    WriteLE32(b.data() + 16, w16);
    WriteLE32(b.data() + 20, w20);
    WriteLE32(b.data() + 24, w24);
    WriteLE32(b.data() + 28, w28);
    return b;
}

TEST(FrameHeader, DecodesIntoFrameInfo)
{
    struct Case
    {
        const char* name;
        Bytes header;
        int channel, frameType, audioChannel, width, height, audioSelect;
        std::uint32_t dataSize, audioSize, timeMsec;
    };
    const std::uint32_t pal = 1u << 23;
    const Case cases[] = {
        // channel 5, single audio source 3 (bits 4-7) named by a non-zero u16 at 24
        {"single audio", FrameHeaderBytes(0x35 | (1 << 8), 1000, pal, 12345 | (2048u << 20), 0x01F40001, 1),
         5, 1, 3, 704, 576, 0, 12345, 2048, 500},
        // audio-select 1: the u16 at 24 is a channel mask
        {"audio mask", FrameHeaderBytes(0x02 | (9 << 8), 1, 0, 77, 0x00000005, 2 | (1u << 18)), 2, 2, 0x0005,
         704, 240, 1, 77, 0, 0},
        // no audio source at all
        {"no audio", FrameHeaderBytes(0xF | (6 << 8), 1, pal, 10, 0, 0), 15, 0, 0xFFFF, 352, 288, 0, 10, 0,
         0},
        {"max data size", FrameHeaderBytes(0x0 | (8 << 8), 1, 0, 0xFFFFF | (0xFFFu << 20), 0, 3), 0, 3,
         0xFFFF, 704, 480, 0, 0xFFFFF, 0xFFF, 0},
    };
    for (const Case& c : cases) {
        FrameHeaderFields f;
        ParseFrameHeader(c.header.data(), f);
        FrameInfo info;
        std::memset(&info, 0xAB, sizeof info);
        MakeFrameInfo(f, info);
        SCOPED_TRACE(c.name);
        EXPECT_EQ(f.marker, kFrameMarker);
        EXPECT_EQ(info.channel, c.channel);
        EXPECT_EQ(info.frame_type, c.frameType);
        EXPECT_EQ(info.audio_channel, c.audioChannel);
        EXPECT_EQ(info.width, c.width);
        EXPECT_EQ(info.height, c.height);
        EXPECT_EQ(info.audio_select, c.audioSelect);
        EXPECT_EQ(info.data_size, c.dataSize);
        EXPECT_EQ(info.audio_size, c.audioSize);
        EXPECT_EQ(info.frame_size, c.dataSize + 40);
        EXPECT_EQ(info.time_msec, c.timeMsec);
        EXPECT_EQ(info.stream_seq, 0u);
        EXPECT_EQ(info.caption[0], 0);
    }
}

TEST(FrameHeader, PictureSizeByCodeAndStandard)
{
    for (int code = 0; code < 16; ++code) {
        for (bool line576 : {false, true}) {
            std::uint16_t w = 0, h = 0;
            FramePictureSize(std::uint8_t(code), line576, w, h);
            const bool full = code == 1 || code == 2 || code == 3 || code == 4 || code == 8;
            const bool half = code == 5 || code == 9;
            EXPECT_EQ(w, full || half ? 704 : 352) << code;
            EXPECT_EQ(h, full ? (line576 ? 576 : 480) : (line576 ? 288 : 240)) << code;
        }
    }
    // The body size of a recorded frame: word 8 bits 12-31.
    FrameHeaderFields f;
    const Bytes b = FrameHeaderBytes(0x3 | (1 << 8) | (54321u << 12), 0, 0, 0, 0, 0);
    ParseFrameHeader(b.data(), f);
    EXPECT_EQ(f.body_size, 54321u);
    EXPECT_EQ(f.channel, 3);
}

TEST(QueuedItem, HoldsInfoHostOrderHeaderWithChannelThenFrame)
{
    FrameInfo info{};
    info.channel = 9;
    info.data_size = 3;
    const WireHeader h = WireHeader::Make(LIVE_DATA, 43, 0, kFlagLastFragment);
    const Bytes frame = {1, 2, 3, 4, 5};
    const std::vector<std::uint8_t> item = MakeQueuedItem(info, h, frame.data(), frame.size());
    ASSERT_EQ(item.size(), 88u + frame.size());
    FrameInfo backInfo;
    WireHeader backHeader;
    const std::uint8_t* backFrame = nullptr;
    std::size_t backSize = 0;
    ASSERT_TRUE(ReadQueuedItem(item.data(), item.size(), backInfo, backHeader, backFrame, backSize));
    EXPECT_EQ(backInfo.channel, 9);
    EXPECT_EQ(backHeader.cmd(), LIVE_DATA);
    EXPECT_EQ(HeaderChannel(backHeader), 9);
    EXPECT_EQ(backHeader.flags() & kFlagLastFragment, kFlagLastFragment);
    EXPECT_EQ(Bytes(backFrame, backFrame + backSize), frame);
    // The header copy sits at bytes 72-87 as four host-order words.
    std::uint32_t word0;
    std::memcpy(&word0, item.data() + 72, 4);
    EXPECT_EQ(word0, 0x0900u);
    EXPECT_FALSE(ReadQueuedItem(item.data(), 87, backInfo, backHeader, backFrame, backSize));
}

TEST(AddressText, DigitsAndDotsOnly)
{
    const struct
    {
        const char* text;
        bool ok;
    } cases[] = {{"192.168.0.1", true}, {"", true},    {"192.168.0.1 ", false},
                 {"10.0.0.x", false},   {"...", true}, {"-1.2.3.4", false}};
    for (const auto& c : cases)
        EXPECT_EQ(IsIPAddressText(c.text), c.ok) << '"' << c.text << '"';
}

TEST(AddressText, Normalises)
{
    const struct
    {
        const char* in;
        const char* out;
    } cases[] = {
        {"192.168.001.010", "192.168.1.10"},
        {"0.0.0.0", ""},
        {"", ""},
        {"256.1.2.3", "0.1.2.3"}, // each part keeps its low 8 bits
        {"256.0.0.0", ""},        // ... which may leave all four zero
        {"10.1", "10.1.0.0"},     // missing parts read as 0
        {"1.2.3.4.5", "1.2.3.4"}, // the last part is read like atoi: "4.5" -> 4
        {"-1.0.0.1", "255.0.0.1"},
        {"99999999999999999999.1.1.1", "255.1.1.1"}, // no overflow
        {" 7.8.9.10", "7.8.9.10"},
        {"localhost", ""},
    };
    for (const auto& c : cases) {
        std::string s = c.in;
        NormalizeIPAddress(s);
        EXPECT_EQ(s, c.out) << c.in;
        EXPECT_LE(s.size(), 15u);
    }
}

TEST(AddressText, ConnectNormalisesOnlyDottedQuads)
{
    const struct
    {
        const char* in;
        const char* out;
    } cases[] = {
        {"192.168.001.010", "192.168.1.10"},
        {"127.0.0.1", "127.0.0.1"},
        {"256.1.2.3", "0.1.2.3"}, // each part keeps its low 8 bits
        {"0.0.0.0", ""},          // names no host
        {"", ""},
        // Digits and dots that are no dotted quad name no address at all.
        {"10.1", ""},
        {"10", ""},
        {"1.2.3.4.5", ""},
        {"1..2.3", ""},
        {"1.2.3.", ""},
        {".1.2.3", ""},
        // Names go to the resolver as typed: no part of them is read as a number.
        {"3com.example.invalid", "3com.example.invalid"},
        {"recorder-7", "recorder-7"},
        {"localhost", "localhost"},
        {" 7.8.9.10", " 7.8.9.10"},
        {"-1.0.0.1", "-1.0.0.1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AddressForConnect(c.in), c.out) << '"' << c.in << '"';
}

TEST(VideoSize, AcceptedPairs)
{
    const int widths[] = {176, 180, 352, 360, 704, 720, 0, 640, 1280};
    const int heights[] = {120, 144, 240, 288, 480, 576, 0, 360, 720};
    for (int w : widths) {
        for (int h : heights) {
            bool expected = false;
            if (w == 176 || w == 180)
                expected = h == 120 || h == 144;
            else if (w == 352 || w == 360)
                expected = h == 240 || h == 288;
            else if (w == 704 || w == 720)
                expected = h == 240 || h == 288 || h == 480 || h == 576;
            EXPECT_EQ(IsValidVideoSize(w, h), expected) << w << "x" << h;
        }
    }
    EXPECT_TRUE(IsValidVideoSize(720, 576));
    EXPECT_FALSE(IsValidVideoSize(720, 120));
    EXPECT_TRUE(IsValidVideoSize(360, 288));
}

TEST(ItemChecksum, SumsFirstByteOfEachItem)
{
    // Items of (first & 7) * 2 + 2 bytes: 0x01 -> 4 bytes, 0x00 -> 2, 0x07 -> 16.
    const Bytes chain = {0x01, 9, 9, 9, 0x00, 9, 0xFF, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 0x02};
    EXPECT_EQ(ComputeItemChecksum(chain.data(), 0), 0);
    EXPECT_EQ(ComputeItemChecksum(chain.data(), 4), 0x01);
    EXPECT_EQ(ComputeItemChecksum(chain.data(), 6), 0x01);
    EXPECT_EQ(ComputeItemChecksum(chain.data(), 7), 0x01 + 0xFF);
    EXPECT_EQ(ComputeItemChecksum(chain.data(), chain.size()), 0x01 + 0xFF + 0x02);
    // The sum wraps at 16 bits.
    const Bytes big(2 * 300, 0xF8); // every item 2 bytes, first byte 0xF8
    EXPECT_EQ(ComputeItemChecksum(big.data(), big.size()), std::uint16_t(300 * 0xF8));
}

TEST(OsVersion, ClassificationTable)
{
    const struct
    {
        int platform, major, minor;
        const char* sp;
        int expected;
    } cases[] = {
        {2, 5, 0, "", 1},    {2, 5, 1, "Service Pack 2", 2},
        {2, 5, 2, "", 0},    {2, 6, 0, "", 0},
        {2, 4, 0, "", 0},    {1, 4, 10, "", 4},
        {1, 4, 10, " A", 5}, {1, 4, 10, "A", 4},
        {1, 4, 90, "", 6},   {1, 4, 0, "", 3},
        {1, 5, 10, "", 3},   {0, 3, 1, "", 7},
        {-1, 0, 0, "", 7},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ClassifyOSVersion(c.platform, c.major, c.minor, c.sp), c.expected)
            << c.platform << " " << c.major << "." << c.minor << " '" << c.sp << "'";
    EXPECT_EQ(GetOSVersion(), 0);
}

TEST(SmallHelpers, VersionFontAndCopy)
{
    std::array<std::uint16_t, 4> v{};
    ASSERT_TRUE(GetProgramVersion(v));
    EXPECT_EQ(v, ProgramVersion());

    const QFont f = BuildBoldLogFont(9);
    EXPECT_EQ(f.weight(), QFont::Bold);
    EXPECT_EQ(f.pixelSize(), FontPixelHeight(9));
    EXPECT_EQ(f.pixelSize(), 12);

    char dst[8] = {};
    MemCopy(dst, "abcdefg", 8);
    EXPECT_STREQ(dst, "abcdefg");
    MemCopy(nullptr, nullptr, 0);
}

// --- Receiving and sending over a socket pair ---------------------------------

TEST(LoopReceive, GathersPiecesIntoExactCount)
{
    SocketPair sp;
    sp.Write({1, 2, 3});
    std::thread writer([&] {
        sp.Write({4, 5});
        sp.Write({6, 7, 8, 9, 10});
    });
    std::uint8_t buf[8] = {};
    ASSERT_TRUE(LoopReceive(*sp.a, buf, 8));
    writer.join();
    EXPECT_EQ(Bytes(buf, buf + 8), (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
    // The rest stays for the next read.
    std::uint8_t rest[2] = {};
    ASSERT_TRUE(LoopReceive(*sp.a, rest, 2));
    EXPECT_EQ(rest[1], 10);
}

TEST(LoopReceive, PeerCloseFailsAtOnce)
{
    SocketPair sp;
    sp.Write({1, 2, 3});
    sp.ClosePeer();
    std::uint8_t buf[16];
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(LoopReceive(*sp.a, buf, sizeof buf, nullptr, std::chrono::seconds(60)));
    // A close must not hold the caller until the limit.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

TEST(LoopReceive, StopFlagWakesTheWait)
{
    SocketPair sp;
    std::atomic<bool> stop{false};
    std::atomic<bool> result{true};
    std::thread reader([&] {
        std::uint8_t buf[4];
        result = LoopReceive(*sp.a, buf, sizeof buf, &stop, std::chrono::seconds(60));
    });
    stop = true;
    sp.a->Wake();
    reader.join();
    EXPECT_FALSE(result);
}

TEST(LoopReceive, GivesUpAtTheLimit)
{
    SocketPair sp;
    sp.Write({1});
    std::uint8_t buf[4];
    EXPECT_FALSE(LoopReceive(*sp.a, buf, sizeof buf, nullptr, std::chrono::milliseconds(20)));
}

TEST(SendAll, LargeMessageThroughAFullBufferArrivesWhole)
{
    SocketPair sp;
    const int small = 4096;
    ::setsockopt(sp.a->Fd(), SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
    ::setsockopt(sp.peer, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    Bytes payload(65535);
    for (std::size_t i = 0; i < payload.size(); ++i)
        payload[i] = std::uint8_t(i * 31 + 7);
    std::atomic<bool> sent{false};
    std::thread sender([&] {
        sent = SendPacket(*sp.a, WireHeader::Make(DB_UPDATE_REQ, 65535), payload.data(), payload.size());
    });
    const Bytes got = sp.Read(16 + payload.size());
    sender.join();
    EXPECT_TRUE(sent);
    ASSERT_EQ(got.size(), 16 + payload.size());
    EXPECT_EQ(DecodeHeader(got.data()).length(), 65535);
    EXPECT_TRUE(std::equal(payload.begin(), payload.end(), got.begin() + 16));
}

TEST(SendAll, TwoThreadsNeverInterleaveMessages)
{
    SocketPair sp;
    const int small = 4096;
    ::setsockopt(sp.a->Fd(), SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
    const int perThread = 40;
    const std::size_t size = 20000;
    auto worker = [&](std::uint8_t fill) {
        Bytes body(size, fill);
        for (int i = 0; i < perThread; ++i)
            SendPacket(*sp.a, WireHeader::Make(FW_DATA, std::uint16_t(size)), body.data(), body.size());
    };
    std::thread t1(worker, 0x11), t2(worker, 0x22);
    for (int i = 0; i < 2 * perThread; ++i) {
        const Bytes head = sp.Read(16);
        ASSERT_EQ(head.size(), 16u);
        ASSERT_EQ(DecodeHeader(head.data()).cmd(), FW_DATA);
        const Bytes body = sp.Read(size);
        ASSERT_EQ(body.size(), size);
        EXPECT_TRUE(std::all_of(body.begin(), body.end(), [&](std::uint8_t b) { return b == body[0]; }));
    }
    t1.join();
    t2.join();
}

TEST(SendAll, FailsOnceClosed)
{
    SocketPair sp;
    sp.a->Close();
    const std::uint8_t b = 1;
    EXPECT_FALSE(SendAll(*sp.a, &b, 1));
    EXPECT_FALSE(SendPacket(*sp.a, WireHeader::Make(ALIVE_REQ)));
}

TEST(RecvReply, ReasonCodesAndBoundaries)
{
    const Bytes marker = {0xEE, 0xDD};
    struct Case
    {
        const char* name;
        Bytes payload;
        int reason;
    };
    const Case cases[] = {
        {"empty", {}, kReplyNoPayload},
        {"four", {0, 0, 0, 0x53}, 83},
        {"negative", {0xFF, 0xFF, 0xFF, 0xFE}, -2},
        {"one byte", {0x01}, 0x01000000}, // missing bytes count as zero
        {"three bytes", {0, 0, 0x57}, 0x5700},
        {"longer", {0, 0, 0, 1, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SocketPair sp;
        Bytes wire = c.payload;
        wire.insert(wire.end(), marker.begin(), marker.end());
        sp.Write(wire);
        const WireHeader h = WireHeader::Make(LIVE_NACK, std::uint16_t(c.payload.size()));
        std::uint8_t extra[8] = {};
        EXPECT_EQ(RecvReply(*sp.a, h, extra), c.reason);
        // Exactly the payload was read: the marker comes next.
        std::uint8_t next[2] = {};
        ASSERT_TRUE(LoopReceive(*sp.a, next, 2));
        EXPECT_EQ(Bytes(next, next + 2), marker);
        EXPECT_EQ(Bytes(extra, extra + 8), Bytes(8, 0));
    }
}

TEST(RecvReply, TwelveBytePayloadHandsOnTheTwoFurtherWords)
{
    SocketPair sp;
    sp.Write({0, 0, 0, 0x57, 0, 0, 0, 2, 0, 0, 0, 5});
    std::uint8_t extra[8] = {};
    EXPECT_EQ(RecvReply(*sp.a, WireHeader::Make(TRANS_ON_NACK, 12), extra), 87);
    EXPECT_EQ(Bytes(extra, extra + 8), (Bytes{0, 0, 0, 2, 0, 0, 0, 5}));

    sp.Write({0, 0, 0, 0x57, 0, 0, 0, 2, 0, 0, 0, 5});
    EXPECT_EQ(RecvReply(*sp.a, WireHeader::Make(TRANS_ON_NACK, 12), nullptr), 87);
}

TEST(RecvReply, FailedReceiveIsMinus99)
{
    SocketPair sp;
    sp.Write({0, 0});
    sp.ClosePeer();
    EXPECT_EQ(RecvReply(*sp.a, WireHeader::Make(LIVE_NACK, 4), nullptr), kReplyRecvFailed);
}

} // namespace
