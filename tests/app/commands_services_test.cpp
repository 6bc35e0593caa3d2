// The main window's services: the still for the grid controls, the audio
// state of a channel and the data folder's disk space.
#include "app/MainServices.h"
#include "video/PictureBuffer.h"
#include "video/YuvToRgb.h"

#include <gtest/gtest.h>

namespace {

constexpr int kYuv = PictureBuffer::kFormatYuv420;
constexpr int kRgb = PictureBuffer::kFormatBgr24;

// A bottom-up RGB picture whose every byte names its row from the top of
// the picture, modulo 256 (row r from the top is memory row h - 1 - r).
std::vector<std::uint8_t> RgbRows(int w, int h)
{
    std::vector<std::uint8_t> p(std::size_t(w) * h * 3);
    for (int m = 0; m < h; ++m)
        std::fill_n(&p[std::size_t(m) * w * 3], w * 3, static_cast<std::uint8_t>(h - 1 - m));
    return p;
}

TEST(MainServicesGrab, RgbPictureLosesItsTopEightLines)
{
    const int w = 720, h = 576;
    GridStill still;
    ASSERT_TRUE(MakeGridStill(RgbRows(w, h), w, h, kRgb, still));
    EXPECT_EQ(still.width, 720);
    EXPECT_EQ(still.height, 568);
    ASSERT_EQ(still.pixels.size(), std::size_t(720) * 568 * 3);
    // Bottom-up: the last memory row is picture row 8 (from the top).
    EXPECT_EQ(still.pixels.front(), static_cast<std::uint8_t>(h - 1));
    EXPECT_EQ(still.pixels.back(), 8);
}

TEST(MainServicesGrab, YuvPictureIsConvertedAndTurnedBottomUp)
{
    // Luminance rows of distinct grey levels, neutral chrominance; a width
    // that is not a multiple of 8 covers the columns the converter leaves.
    const int w = 36, h = 20;
    std::vector<std::uint8_t> yuv(std::size_t(w) * h * 3 / 2, 128);
    for (int r = 0; r < h; ++r)
        std::fill_n(&yuv[std::size_t(r) * w], w, static_cast<std::uint8_t>(40 + 8 * r));
    GridStill still;
    ASSERT_TRUE(MakeGridStill(yuv, w, h, kYuv, still));
    ASSERT_EQ(still.height, h - 8);
    for (int k = 0; k < still.height; ++k) {
        // Memory row k shows picture row h - 1 - k.
        std::uint8_t expect[3];
        YuvPixelToBgr(40 + 8 * (h - 1 - k), 128, 128, expect);
        for (int x : {0, 31, 32, 35}) {
            const std::uint8_t* px = &still.pixels[(std::size_t(k) * w + x) * 3];
            EXPECT_EQ(px[0], expect[0]) << k << "," << x;
            EXPECT_EQ(px[2], expect[2]) << k << "," << x;
        }
    }
}

TEST(MainServicesGrab, NothingIsGrabbedOfPicturesTooSmallOrShorterThanTheirSize)
{
    struct Case
    {
        const char* name;
        std::size_t bytes;
        int w, h, format;
    };
    const Case cases[] = {
        {"eight lines", 64 * 8 * 3, 64, 8, kRgb},
        {"no width", 100, 0, 100, kRgb},
        {"negative height", 100, 10, -20, kRgb},
        {"bytes missing", 64 * 20 * 3 - 1, 64, 20, kRgb},
        {"yuv bytes missing", 64 * 20 * 3 / 2 - 1, 64, 20, kYuv},
        {"larger than any picture", PictureBuffer::kCapacity + 3000, 800, 600, kRgb},
        {"unknown format", 64 * 20 * 3, 64, 20, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GridStill still;
        still.width = 5;
        EXPECT_FALSE(MakeGridStill(std::vector<std::uint8_t>(c.bytes), c.w, c.h, c.format, still));
        EXPECT_EQ(still.width, 5);
        EXPECT_TRUE(still.pixels.empty());
    }
    GridStill nine;
    EXPECT_TRUE(MakeGridStill(std::vector<std::uint8_t>(64 * 10 * 3), 64, 10, kRgb, nine));
    EXPECT_EQ(nine.height, 2);
}

TEST(MainServicesGrab, WhichChannelsMayBeGrabbed)
{
    // Live view: active and on the page; local playback: active.
    EXPECT_TRUE(MayGrabChannel(1, 0x0008, 0x0008, 3));
    EXPECT_FALSE(MayGrabChannel(1, 0x0008, 0x000F & ~0x0008, 3)); // active but not on the page
    EXPECT_FALSE(MayGrabChannel(2, 0x0000, 0xFFFF, 3));
    EXPECT_TRUE(MayGrabChannel(3, 0x0008, 0x0000, 3));
    EXPECT_FALSE(MayGrabChannel(0, 0xFFFF, 0xFFFF, 3));
    EXPECT_FALSE(MayGrabChannel(1, 0xFFFF, 0xFFFF, 16));
}

TEST(MainServicesAudio, ChannelStateBySource)
{
    AudioChannelFacts f;
    f.connection = true;
    f.soloChannel = 0x000A; // channels 1 and 3 carry audio
    f.audioChannel = 3;
    f.localPlayer = true;
    f.playlistAudio = true;
    f.playlistMask = 0x0004;

    struct Case
    {
        int source, channel, isAudio, state;
    };
    const Case cases[] = {
        {1, 3, 2, 2},  // carries audio and is played
        {2, 1, 0, 1},  // carries audio, not played
        {1, 0, 0, 0},  // no audio
        {3, 2, 0, 1},  // local: in the playlist's mask, not the played channel
        {3, 3, 0, 0},  // local: not in the mask
        {4, 3, -1, -1}, // unknown source
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.source << "/" << c.channel);
        EXPECT_EQ(IsAudioChannel(f, c.source, c.channel), c.isAudio);
        EXPECT_EQ(GetChannelState(f, c.source, c.channel), c.state);
    }

    AudioChannelFacts none;
    EXPECT_EQ(IsAudioChannel(none, 1, 0), -1);
    EXPECT_EQ(GetChannelState(none, 3, 0), -1);
    none.localPlayer = true;
    none.playlistMask = 0xFFFF; // a mask that is not valid for audio
    EXPECT_EQ(GetChannelState(none, 3, 0), 0);
}

TEST(MainServicesDisk, SpaceInUnitsAndNothingOfAnOpticalDisc)
{
    DiskFacts facts;
    facts.freeBytes = 1024000000;
    facts.totalBytes = 1024000000ull * 3 + 1023999;
    const auto probe = [&](const std::string&, DiskFacts& out) {
        out = facts;
        return true;
    };
    int freeUnits = -1, totalUnits = -1;
    ASSERT_TRUE(GetDiskSpaceUnits("/data", &freeUnits, &totalUnits, probe));
    EXPECT_EQ(freeUnits, 1000);
    EXPECT_EQ(totalUnits, 3000);

    facts.cdrom = true;
    freeUnits = totalUnits = -1;
    EXPECT_FALSE(GetDiskSpaceUnits("/media/cd", &freeUnits, &totalUnits, probe));
    EXPECT_EQ(freeUnits, -1);
    EXPECT_EQ(totalUnits, -1);

    EXPECT_FALSE(GetDiskSpaceUnits("/x", &freeUnits, &totalUnits,
                                   [](const std::string&, DiskFacts&) { return false; }));

    // The machine's own probe on a folder that does not exist yet answers for its parent.
    DiskFacts real;
    ASSERT_TRUE(ProbeDisk("/tmp/clientk5-no-such-folder/x", real));
    EXPECT_GT(real.totalBytes, 0u);
    EXPECT_FALSE(real.cdrom);
}

} // namespace
