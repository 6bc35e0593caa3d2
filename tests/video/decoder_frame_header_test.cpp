// Generated frames in the recorder's framing: the header the stream helper
// writes is read back by the client's own frame-header parser (both written
// from the header's table), and the bytes after the header are what the
// decode worker hands to the decoder.
#include "decoder_fixture.h"

#include "net/Wire.h"

#include <gtest/gtest.h>

#include <cstring>

namespace decodertest {
namespace {

TEST(DecoderFrameHeaderTest, ParserReadsTheGeneratedHeaders)
{
    const struct
    {
        int width, height, channel;
        bool key;
    } cases[] = {
        {704, 576, 0, true},  {704, 480, 15, false}, {704, 288, 7, true},
        {704, 240, 3, false}, {352, 288, 9, true},   {352, 240, 12, false},
    };
    k5streams::EncodedFrame frame;
    frame.data.assign(1234, 0x42);
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.width << " x " << c.height << " channel " << c.channel);
        frame.key = c.key;
        const auto bytes = k5streams::WrapFrame(frame, c.channel, c.width, c.height, 1199145600u, 480);
        ASSERT_EQ(bytes.size(), kFrameHeaderSize + frame.data.size());
        FrameHeaderFields fields;
        ParseFrameHeader(bytes.data(), fields);
        FrameInfo info;
        MakeFrameInfo(fields, info);
        EXPECT_EQ(fields.marker, kFrameMarker);
        EXPECT_EQ(info.channel, c.channel);
        EXPECT_EQ(info.width, c.width);
        EXPECT_EQ(info.height, c.height);
        EXPECT_EQ(info.frame_type, c.key ? 1 : 0);
        EXPECT_EQ(info.data_size, frame.data.size());
        EXPECT_EQ(info.frame_size, frame.data.size() + kFrameHeaderSize);
        EXPECT_EQ(info.audio_size, 0u);
        EXPECT_EQ(info.audio_channel, 0xFFFF) << "no audio source";
        EXPECT_EQ(info.time_sec, 1199145600u);
        EXPECT_EQ(info.time_msec, 480u);
        EXPECT_EQ(0, std::memcmp(bytes.data() + kFrameHeaderSize, frame.data.data(), frame.data.size()));
    }
}

// What follows a wrapped frame's header decodes as the frame itself.
TEST(DecoderFrameHeaderTest, BytesAfterTheHeaderDecode)
{
    ASSERT_TRUE(Library().IsLoaded());
    if (!k5streams::HasH264Encoder())
        GTEST_SKIP() << "libavcodec offers no libx264 encoder";
    k5streams::StreamSpec spec;
    spec.width = 704;
    spec.height = 288;
    spec.frames = 3;
    spec.gop = 3;
    const auto& frames = Stream(spec);
    ASSERT_EQ(frames.size(), 3u);
    Session s(kYuv);
    for (const auto& f : frames) {
        const auto bytes = k5streams::WrapFrame(f, 4, spec.width, spec.height, 0);
        FrameHeaderFields fields;
        ParseFrameHeader(bytes.data(), fields);
        FrameInfo info;
        MakeFrameInfo(fields, info);
        ASSERT_EQ(s.SetOutput(info.width, info.height), 0);
        EXPECT_EQ(
            s.Decode(bytes.data() + kFrameHeaderSize, static_cast<int>(info.frame_size - kFrameHeaderSize)),
            0);
    }
}

} // namespace
} // namespace decodertest
