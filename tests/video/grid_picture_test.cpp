// The channel picture store between a decode worker and the painter, and the
// picture preparation done on the picture being written.
#include "video/PictureBuffer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

namespace {

constexpr int kYuv = PictureBuffer::kFormatYuv420;
constexpr int kRgb = PictureBuffer::kFormatBgr24;

TEST(GridPictureBuffer, SizesThatFit)
{
    EXPECT_EQ(PictureBuffer::kCapacity, 1244160u);
    EXPECT_EQ(PictureBuffer::PictureBytes(704, 576, kYuv), 608256u);
    EXPECT_EQ(PictureBuffer::PictureBytes(720, 576, kRgb), 1244160u);
    EXPECT_EQ(PictureBuffer::PictureBytes(720, 577, kRgb), 0u);
    EXPECT_EQ(PictureBuffer::PictureBytes(353, 288, kYuv), 0u) << "odd YUV width";
    EXPECT_EQ(PictureBuffer::PictureBytes(352, 288, 7), 0u);
    EXPECT_EQ(PictureBuffer::PictureBytes(0, 288, kRgb), 0u);
    EXPECT_EQ(PictureBuffer::PictureBytes(1920, 1080, kYuv), 0u);
}

TEST(GridPictureBuffer, PublishedPictureIsWhatWasWritten)
{
    PictureBuffer pb;
    EXPECT_EQ(pb.Acquire().data, nullptr) << "nothing published yet";

    std::memset(pb.WriteBuffer(), 1, 352 * 288 * 3 / 2);
    ASSERT_TRUE(pb.Publish(352, 288, kYuv));
    std::memset(pb.WriteBuffer(), 2, 352 * 288 * 3 / 2);
    ASSERT_TRUE(pb.Publish(352, 240, kYuv));
    EXPECT_FALSE(pb.Publish(351, 240, kYuv));

    PictureBuffer::View v = pb.Acquire();
    ASSERT_NE(v.data, nullptr);
    EXPECT_EQ(v.data[0], 2) << "the latest of two publications";
    EXPECT_EQ(v.width, 352);
    EXPECT_EQ(v.height, 240);
    EXPECT_EQ(v.serial, 2u);
    EXPECT_EQ(pb.PublishCount(), 2u);

    // Writing the next picture never touches the one being painted.
    std::memset(pb.WriteBuffer(), 3, PictureBuffer::kCapacity);
    EXPECT_EQ(v.data[0], 2);
    EXPECT_EQ(pb.Acquire().serial, 2u) << "no new picture: the same one again";
    ASSERT_TRUE(pb.Publish(352, 288, kYuv));
    std::memset(pb.WriteBuffer(), 4, PictureBuffer::kCapacity);
    EXPECT_EQ(v.data[0], 2);

    std::vector<std::uint8_t> copy;
    int w = 0, h = 0, f = 0;
    ASSERT_TRUE(pb.CopyLatest(copy, w, h, f));
    EXPECT_EQ(copy.size(), 352u * 288 * 3 / 2);
    EXPECT_EQ(copy[0], 3);
    EXPECT_EQ(f, kYuv);
    EXPECT_EQ(pb.Acquire().data[0], 3);

    pb.ClearWrite();
    EXPECT_EQ(pb.WriteBuffer()[0], 0);
}

// A worker publishing as fast as it can while the painter reads: every
// picture the painter gets is whole (one value in every byte) and pictures
// only move forward.
TEST(GridPictureBuffer, PainterNeverSeesAHalfWrittenPicture)
{
    PictureBuffer pb;
    constexpr int kW = 176, kH = 144;
    constexpr std::size_t kBytes = kW * kH * 3 / 2;
    constexpr int kPictures = 3000;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int k = 1; k <= kPictures; ++k) {
            std::uint8_t* p = pb.WriteBuffer();
            for (std::size_t i = 0; i < kBytes; ++i)
                p[i] = static_cast<std::uint8_t>(k);
            pb.Publish(kW, kH, kYuv);
        }
        done = true;
    });
    std::uint64_t last = 0;
    int torn = 0;
    int reads = 0;
    while (!done || last < kPictures) {
        const PictureBuffer::View v = pb.Acquire();
        if (!v.data)
            continue;
        ASSERT_GE(v.serial, last);
        last = v.serial;
        const std::uint8_t value = v.data[0];
        for (std::size_t i = 0; i < kBytes; ++i)
            if (v.data[i] != value) {
                ++torn;
                break;
            }
        EXPECT_EQ(value, static_cast<std::uint8_t>(v.serial));
        ++reads;
    }
    worker.join();
    EXPECT_EQ(torn, 0);
    EXPECT_GT(reads, 0);
    EXPECT_EQ(last, std::uint64_t(kPictures));
}

// Rows of a 2-pixel-wide RGB picture numbered r + 1, in the low and high
// bytes of each pair of bytes.
std::vector<std::uint8_t> NumberedRows(int height, int width = 2)
{
    const std::size_t line = std::size_t(width) * 3;
    std::vector<std::uint8_t> pic(line * height);
    for (int r = 0; r < height; ++r)
        for (std::size_t i = 0; i < line; ++i)
            pic[line * r + i] = static_cast<std::uint8_t>(i % 2 ? (r + 1) >> 8 : (r + 1) & 0xFF);
    return pic;
}

std::vector<int> RowIds(const std::vector<std::uint8_t>& pic, int height, int width = 2)
{
    const std::size_t line = std::size_t(width) * 3;
    std::vector<int> ids;
    for (int r = 0; r < height; ++r)
        ids.push_back((pic[line * r] | pic[line * r + 1] << 8) - 1);
    return ids;
}

TEST(GridPicturePrep, FlipTurnsBottomUpAndWeavesSplitFields)
{
    std::vector<std::uint8_t> scratch;
    auto pic = NumberedRows(6);
    FlipRgbPicture(pic.data(), 2, 6, false, scratch);
    EXPECT_EQ(RowIds(pic, 6), (std::vector<int>{5, 4, 3, 2, 1, 0}));

    // Upper half rows 0-2 are the first field, lower rows 3-5 the second:
    // memory (bottom-up) rows 5, 3, 1 and 4, 2, 0.
    pic = NumberedRows(6);
    FlipRgbPicture(pic.data(), 2, 6, true, scratch);
    EXPECT_EQ(RowIds(pic, 6), (std::vector<int>{5, 2, 4, 1, 3, 0}));
}

TEST(GridPicturePrep, SplitFieldsByHeightViewAndModel)
{
    EXPECT_TRUE(PictureHasSplitFields(576, 0, true));
    EXPECT_TRUE(PictureHasSplitFields(480, 1, false));
    EXPECT_FALSE(PictureHasSplitFields(480, 1, true));
    EXPECT_TRUE(PictureHasSplitFields(576, 2, false));
    EXPECT_FALSE(PictureHasSplitFields(576, 3, false)) << "local playback";
    EXPECT_FALSE(PictureHasSplitFields(288, 1, false));
}

TEST(GridPicturePrep, DeinterlaceDoublesOrAverages)
{
    auto pic = NumberedRows(5);
    DeinterlacePicture(pic.data(), 2, 5, true, 0);
    EXPECT_EQ(RowIds(pic, 5), (std::vector<int>{0, 0, 2, 2, 4}));

    pic = NumberedRows(5);
    DeinterlacePicture(pic.data(), 2, 5, true, 1);
    // Rows 1 and 3 become the mean of their neighbours: (1 + 3) / 2 = 2 ->
    // id 1, (3 + 5) / 2 = 4 -> id 3; so only rounding shows.
    EXPECT_EQ(pic[6], (1 + 3) >> 1);
    EXPECT_EQ(pic[18], (3 + 5) >> 1);

    // A 576-line RGB picture from the decoder: woven while flipped, then line
    // doubled, every odd memory row equals the even row before it.
    std::vector<std::uint8_t> scratch;
    pic = NumberedRows(576);
    FlipRgbPicture(pic.data(), 2, 576, true, scratch);
    auto woven = RowIds(pic, 576);
    EXPECT_EQ(woven[0] - woven[1], 288) << "the fields alternate before deinterlacing";
    DeinterlacePicture(pic.data(), 2, 576, true, 0);
    auto ids = RowIds(pic, 576);
    for (int r = 0; r + 1 < 576; r += 2)
        ASSERT_EQ(ids[r + 1], ids[r]) << r;
}

TEST(GridPicturePrep, YuvFieldsWovenOrDoubled)
{
    // 4 x 8 YUV: Y rows 0-7, U and V 4 rows each; every row tagged.
    const int w = 4, h = 8;
    std::vector<std::uint8_t> pic(w * h * 3 / 2);
    auto tag = [&] {
        for (int r = 0; r < h; ++r)
            std::memset(pic.data() + w * r, 10 + r, w);
        for (int r = 0; r < h / 2; ++r) {
            std::memset(pic.data() + w * h + (w / 2) * r, 50 + r, w / 2);
            std::memset(pic.data() + w * h + (w / 2) * (h / 2) + (w / 2) * r, 90 + r, w / 2);
        }
    };
    auto yRows = [&] {
        std::vector<int> v;
        for (int r = 0; r < h; ++r)
            v.push_back(pic[w * r] - 10);
        return v;
    };
    auto vRows = [&] {
        std::vector<int> v;
        for (int r = 0; r < h / 2; ++r)
            v.push_back(pic[w * h + (w / 2) * (h / 2) + (w / 2) * r] - 90);
        return v;
    };
    std::vector<std::uint8_t> scratch;
    tag();
    WeaveYuvFields(pic.data(), w, h, false, scratch);
    EXPECT_EQ(yRows(), (std::vector<int>{0, 4, 1, 5, 2, 6, 3, 7}));
    EXPECT_EQ(vRows(), (std::vector<int>{0, 2, 1, 3}));
    tag();
    WeaveYuvFields(pic.data(), w, h, true, scratch);
    EXPECT_EQ(yRows(), (std::vector<int>{0, 0, 1, 1, 2, 2, 3, 3}));
}

} // namespace
