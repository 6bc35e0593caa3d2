// The setup image: byte-order conversion, field reads and writes by name,
// bounded texts and the version tests.
#include "SetupTestSupport.h"

#include "setup/SetupImage.h"

#include <algorithm>
#include <cstring>

using namespace setuptest;

namespace {

// Bytes that the conversion may touch.
std::set<std::size_t> ConvertedBytes()
{
    std::set<std::size_t> out;
    auto add = [&](std::size_t off, std::size_t width) {
        for (std::size_t i = 0; i < width; ++i)
            out.insert(off + i);
    };
    add(4, 4);
    add(648, 2);
    add(650, 2);
    add(3504, 4);
    add(3508, 4);
    add(4216, 2);
    add(4218, 2);
    add(4320, 128);
    add(4448, 4);
    add(4456, 4);
    add(4460, 4);
    add(4464, 4);
    add(4600, 1024);
    add(6400, 128);
    return out;
}

} // namespace

TEST(SetupImage, ConversionThereAndBackIsIdentityOnRandomImages)
{
    for (std::uint32_t seed : {1u, 2u, 3u, 77u, 4096u}) {
        const SetupDbImage original = ImageBuilder().Random(seed).Build();
        SetupDbImage image = original;
        ConvertDbToHost(image.data());
        // Only the listed fields move.
        for (std::size_t i : DiffOffsets(original.data(), image.data(), image.size()))
            EXPECT_TRUE(ConvertedBytes().count(i)) << "byte " << i << " seed " << seed;
        ConvertDbToNetwork(image.data());
        EXPECT_EQ(image, original) << "seed " << seed;
    }
}

TEST(SetupImage, FieldsReadInHostOrderWhileOpen)
{
    SetupDbImage image = ImageBuilder()
                             .Bytes(4320, {0x01, 0x02})
                             .Bytes(4, {0x12, 0x34, 0x56, 0x78})
                             .Bytes(6400 + 2 * 63, {0xAB, 0xCD})
                             .Bytes(4460, {0, 0, 0x03, 0xE7})
                             .Build();
    ConvertDbToHost(image.data());
    const ImageRef ref(image);
    EXPECT_EQ(ref.Get(SetupDb::PanLow, 0), 258u);
    EXPECT_EQ(ref.Get(SetupDb::RecorderTime), 0x12345678u);
    EXPECT_EQ(ref.Get(SetupDb::PresetNumber, 63), 0xABCDu);
    EXPECT_EQ(ref.Get(SetupDb::ActionADuration), 999u);
    ConvertDbToNetwork(image.data());
    EXPECT_EQ(image[4320], 0x01);
    EXPECT_EQ(image[4321], 0x02);
}

TEST(SetupImage, AccessStaysInsideFieldsAndImage)
{
    SetupDbImage image{};
    ImageRef ref(image);
    ref.Set(SetupDb::Covert, 16, 9); // beyond the 16 channels: nothing
    ref.Set(SetupDb::Covert, -1, 9);
    EXPECT_EQ(std::count(image.begin(), image.end(), 9), 0);
    EXPECT_EQ(ref.Get(SetupDb::Covert, 99), 0u);
    EXPECT_EQ(ref.U32(SetupDb::kImageSize - 2), 0u);
    ref.SetU32(SetupDb::kImageSize - 2, 0xFFFFFFFF);
    EXPECT_EQ(image[SetupDb::kImageSize - 2], 0);
    ref.SetByteOf(SetupDb::UserLiveChannel, 3, 4, 1);
    EXPECT_EQ(image[6616 + 48 + 4], 1);
    ref.SetByteOf(SetupDb::UserLiveChannel, 3, 16, 1); // past the record
    EXPECT_EQ(image[6616 + 64], 0);
    ImageRef null;
    EXPECT_EQ(null.U8(0), 0);
    null.SetU8(0, 1);
}

TEST(SetupImage, TextsAreBoundedLatin1)
{
    SetupDbImage image{};
    std::memset(image.data() + 88, 0xAA, 32 * 16);
    ImageRef ref(image);
    // Camera 1 fills its slot with no NUL: the read stops at the slot's end.
    std::memset(image.data() + 88, 'A', 32);
    EXPECT_EQ(ref.Text(SetupDb::CameraName, 0), QString(32, 'A'));
    // A write keeps its NUL within the slot and zero-pads the rest.
    ref.SetText(SetupDb::CameraName, 1, QString::fromLatin1("Caf\xe9 \xfc"), 30);
    EXPECT_EQ(ref.Text(SetupDb::CameraName, 1), QString::fromLatin1("Caf\xe9 \xfc"));
    EXPECT_EQ(image[88 + 32 + 3], 0xE9);
    for (int i = 6; i < 32; ++i)
        EXPECT_EQ(image[88 + 32 + i], 0) << i;
    EXPECT_EQ(image[88 + 64], 0xAA); // the next slot is untouched
    ref.SetText(SetupDb::CameraName, 2, QString(40, 'x'));
    EXPECT_EQ(ref.Text(SetupDb::CameraName, 2).size(), 31);
    EXPECT_EQ(image[88 + 64 + 31], 0);
    ref.SetText(SetupDb::CameraName, 3, QString(QChar(0x4E2D)));
    EXPECT_EQ(image[88 + 96], '?');
}

TEST(SetupImage, VersionTests)
{
    struct Case
    {
        int major, minor;
        bool later46, atLeast46, major5;
    } cases[] = {
        {4, 6, false, true, false},  {4, 7, true, true, false}, {5, 0, true, true, true},
        {4, 5, false, false, false}, {4, 9, true, true, false}, {3, 9, false, false, false},
    };
    for (const Case& c : cases) {
        const SetupVersion v{c.major, c.minor};
        EXPECT_EQ(v.LaterThan(4, 6), c.later46) << c.major << "." << c.minor;
        EXPECT_EQ(v.AtLeast(4, 6), c.atLeast46) << c.major << "." << c.minor;
        EXPECT_EQ(v.MajorAtLeast(5), c.major5) << c.major << "." << c.minor;
    }
    SetupDbImage image = ImageBuilder().Version(4, 7).Build();
    EXPECT_TRUE(ImageRef(image).Version().LaterThan(4, 6));
}
