// The simulator's live and playback streams read by a plain socket client
// and put together with the client's reassembly and frame checks: fragments,
// flags, every channel's frames byte for byte, video loss, audio sections,
// frame credits and the playback forms.
#include "SimLive.h"
#include "net/LiveData.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <optional>

namespace {

using k5sim::Bytes;

// A blocking loopback client that reads whole messages.
class RawClient
{
public:
    explicit RawClient(std::uint16_t port)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_ok = ::connect(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    ~RawClient()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool Ok() const { return m_ok; }

    void Send(std::uint16_t id, const Bytes& payload = {}, std::uint8_t sub = 0)
    {
        const Bytes m = k5sim::EncodeMessage(id, payload, 0, sub);
        ASSERT_EQ(::send(m_fd, m.data(), m.size(), MSG_NOSIGNAL), ssize_t(m.size()));
    }

    struct Msg
    {
        WireHeader header;
        Bytes payload;
    };
    // The next message, or nullopt after 5 s without one.
    std::optional<Msg> Read()
    {
        std::uint8_t head[16];
        if (!ReadExact(head, 16))
            return std::nullopt;
        Msg m;
        m.header = DecodeHeader(head);
        m.payload.resize(m.header.length());
        if (!ReadExact(m.payload.data(), m.payload.size()))
            return std::nullopt;
        return m;
    }

private:
    bool ReadExact(std::uint8_t* p, std::size_t n)
    {
        while (n > 0) {
            pollfd pfd{m_fd, POLLIN, 0};
            if (::poll(&pfd, 1, 5000) <= 0)
                return false;
            const ssize_t r = ::recv(m_fd, p, n, 0);
            if (r <= 0)
                return false;
            p += r;
            n -= std::size_t(r);
        }
        return true;
    }

    int m_fd = -1;
    bool m_ok = false;
};

// Frame bytes that stand for H.264: the simulator does not look inside.
k5sim::SimStream FakeStream(int channel, int frames)
{
    k5sim::SimStream s;
    s.width = channel % 2 ? 704 : 352;
    s.height = s.width == 704 && channel % 3 == 0 ? 576 : 288;
    for (int i = 0; i < frames; ++i) {
        k5sim::SimFrame f;
        f.key = i % 3 == 0;
        f.data.resize(std::size_t(700 + 211 * i + 37 * channel));
        for (std::size_t k = 0; k < f.data.size(); ++k)
            f.data[k] = std::uint8_t(channel * 16 + i + k * 3);
        s.frames.push_back(std::move(f));
    }
    return s;
}

struct Rig
{
    Rig()
    {
        EXPECT_TRUE(sim.Start());
        for (int ch = 0; ch < 16; ++ch)
            live.SetStream(ch, FakeStream(ch, 4));
    }
    k5sim::RecorderSim sim;
    k5sim::SimLive live{sim};
};

TEST(SimLiveData, EveryChannelsFramesArriveInFragmentsAndReassembleWhole)
{
    Rig rig;
    rig.live.Live().fps = 500;
    rig.live.Live().fragment = 1000;
    rig.live.Live().frameLimit = 6;
    rig.live.Live().videoLoss = 1u << 5;
    RawClient c(rig.sim.Port());
    ASSERT_TRUE(c.Ok());
    c.Send(LIVE_REQ, k5sim::BE32(0xFFFF));

    auto info = c.Read();
    ASSERT_TRUE(info);
    ASSERT_EQ(info->header.cmd(), LIVE_CHANNEL_INFO);
    EXPECT_EQ(ReadBE32(info->payload.data()), (0x0020u << 16) | 0xFFFFu);

    CStreamAssembler assembler;
    std::map<int, int> frames;
    int total = 0;
    while (total < 15 * 6) {
        auto m = c.Read();
        ASSERT_TRUE(m) << "after " << total << " frames";
        ASSERT_EQ(m->header.cmd(), LIVE_DATA);
        EXPECT_LE(m->header.length(), 1000);
        EXPECT_EQ(m->header.sub() & kSubAudio, 0);
        EXPECT_EQ(m->header.flags() & ~kFlagLastFragment, 0);
        if (!assembler.Append(m->payload.data(), m->payload.size(), m->header.IsLastFragment()))
            continue;
        ParsedFrame p;
        ASSERT_EQ(ParseLiveFrame(assembler.Data(), assembler.Length(), 16, p), FrameCheck::Ok);
        const int ch = p.info.channel;
        const int n = frames[ch]++;
        const k5sim::SimStream s = FakeStream(ch, 4);
        const k5sim::SimFrame& f = s.frames[std::size_t(n) % 4];
        EXPECT_EQ(p.info.width, s.width);
        EXPECT_EQ(p.info.height, s.height);
        EXPECT_EQ(p.info.frame_type, f.key ? 1 : 0);
        EXPECT_EQ(p.info.audio_size, 0u);
        EXPECT_EQ(p.info.time_sec, 1199145600u + std::uint32_t(n / 500));
        ASSERT_EQ(p.frameSize, 40 + f.data.size());
        EXPECT_EQ(0, std::memcmp(p.frame + 40, f.data.data(), f.data.size())) << "channel " << ch << " frame " << n;
        // The stored size of word 8 covers header, video and audio.
        EXPECT_EQ(ReadLE32(p.frame + 8) >> 12, 40 + f.data.size());
        assembler.Reset();
        ++total;
    }
    EXPECT_EQ(frames.count(5), 0u); // video loss: nothing sent
    for (int ch = 0; ch < 16; ++ch) {
        if (ch != 5) {
            EXPECT_EQ(frames[ch], 6) << ch;
        }
    }

    c.Send(LIVE_STOP);
    auto ack = c.Read();
    ASSERT_TRUE(ack);
    EXPECT_EQ(ack->header.cmd(), LIVE_STOP_ACK);
}

TEST(SimLiveData, AudioOnAddsTheSubBitAndTheAudioSection)
{
    Rig rig;
    rig.live.Live().fps = 200;
    rig.live.Live().channels = 0x0004;
    rig.live.Live().audioSelect = true;
    rig.live.Live().audioMask = 0x0005;
    RawClient c(rig.sim.Port());
    c.Send(AUDIO_ONOFF_REQ, {}, kSubAudio);
    c.Send(LIVE_REQ, k5sim::BE32(0xFFFF));
    auto info = c.Read();
    ASSERT_TRUE(info);
    EXPECT_EQ(ReadBE32(info->payload.data()), 0x0004u);
    CStreamAssembler assembler;
    for (;;) {
        auto m = c.Read();
        ASSERT_TRUE(m);
        EXPECT_EQ(m->header.sub() & kSubAudio, kSubAudio);
        if (assembler.Append(m->payload.data(), m->payload.size(), m->header.IsLastFragment()))
            break;
    }
    ParsedFrame p;
    ASSERT_EQ(ParseLiveFrame(assembler.Data(), assembler.Length(), 16, p), FrameCheck::Ok);
    EXPECT_EQ(p.info.audio_size, 2048u);
    EXPECT_EQ(p.info.audio_select, 1);
    EXPECT_EQ(p.info.audio_channel, 0x0005);
    // Channel 2 shown alone: its block is the second of the mask, at 1024.
    const AudioChoice a = ChooseAudioBlock(p.info, 2);
    ASSERT_TRUE(a.play);
    EXPECT_EQ(a.offset, 1024u);
    EXPECT_EQ(p.audio[a.offset + 1], 0x42);
}

TEST(SimPlayData, FramesOnlyAsTheClientAsksWithPrefixAndSpeedCode)
{
    Rig rig;
    rig.live.Play().fps = 500;
    rig.live.Play().channels = 0x0003;
    rig.live.Play().recordedPrefix = true;
    rig.live.Play().caption = "Door";
    rig.live.Play().speedCode = 13;
    rig.live.Play().frames = 5;
    RawClient c(rig.sim.Port());
    c.Send(PLAY_ON_REQ, Bytes(24, 0));
    auto ack = c.Read();
    ASSERT_TRUE(ack);
    EXPECT_EQ(ack->header.cmd(), PLAY_ON_ACK);

    c.Send(PLAY_FRAME_REQ, k5sim::BE32(3));
    CStreamAssembler assembler;
    int got = 0;
    auto readFrame = [&]() -> std::optional<ParsedFrame> {
        for (;;) {
            auto m = c.Read();
            if (!m)
                return std::nullopt;
            if (m->header.cmd() != PLAY_ON_DATA) {
                EXPECT_EQ(m->header.cmd(), PLAY_ON_DONE);
                return std::nullopt;
            }
            EXPECT_EQ(m->header.flags() & 0x3F, 13);
            if (!assembler.Append(m->payload.data(), m->payload.size(), m->header.IsLastFragment()))
                continue;
            ParsedFrame p;
            EXPECT_EQ(ParsePlayFrame(assembler.Data(), assembler.Length(), 16, p), FrameCheck::Ok);
            assembler.Reset();
            return p;
        }
    };
    for (; got < 3; ++got) {
        auto p = readFrame();
        ASSERT_TRUE(p);
        EXPECT_TRUE(p->recorded);
        EXPECT_STREQ(p->info.caption, "Door");
    }
    // No credit left: nothing more until the client asks.
    EXPECT_EQ(rig.live.PlayFramesSent(), 3u);
    EXPECT_EQ(rig.live.PlayCredits(), 0);
    c.Send(PLAY_FRAME_REQ, k5sim::BE32(48));
    for (; got < 5; ++got)
        ASSERT_TRUE(readFrame());
    // The fifth frame ends the playback.
    EXPECT_FALSE(readFrame());
    EXPECT_FALSE(rig.live.PlayRunning());
}

TEST(SimPlayData, RefusedOrFailedPlayback)
{
    Rig rig;
    rig.live.Play().refuseReason = 83;
    RawClient c(rig.sim.Port());
    c.Send(PLAY_ON_REQ, Bytes(24, 0));
    auto nack = c.Read();
    ASSERT_TRUE(nack);
    EXPECT_EQ(nack->header.cmd(), PLAY_ON_NACK);
    EXPECT_EQ(ReadBE32(nack->payload.data()), 83u);

    rig.live.Play().refuseReason = 0;
    rig.live.Play().failReason = 86;
    rig.live.Play().frames = 1;
    rig.live.Play().honourCredits = false;
    c.Send(PLAY_ON_REQ, Bytes(24, 0));
    std::vector<std::uint16_t> ids;
    for (int i = 0; i < 8; ++i) {
        auto m = c.Read();
        if (!m)
            break;
        ids.push_back(m->header.cmd());
        if (m->header.cmd() == PLAY_ON_FAIL) {
            EXPECT_EQ(ReadBE32(m->payload.data()), 86u);
            break;
        }
    }
    ASSERT_FALSE(ids.empty());
    EXPECT_EQ(ids.front(), PLAY_ON_ACK);
    EXPECT_EQ(ids.back(), PLAY_ON_FAIL);
    c.Send(RPLAY_STOP);
    auto off = c.Read();
    ASSERT_TRUE(off);
    EXPECT_EQ(off->header.cmd(), PLAY_OFF_ACK);
}

} // namespace
