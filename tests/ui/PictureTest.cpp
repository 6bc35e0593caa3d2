// The picture static's loader on small BMP, JPEG and TIFF files written here.
#include "TestSupport.h"

#include "ui/PictureStatic.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace uitest;

namespace {

class PictureTest : public ::testing::Test
{
protected:
    QTemporaryDir dir{QDir::tempPath() + "/k5-picture-XXXXXX"};

    QString Path(const QString& name) const { return dir.filePath(name); }

    QImage Sample() const
    {
        QImage img(5, 3, QImage::Format_RGB32);
        img.fill(QColor(200, 40, 10));
        img.setPixel(0, 0, qRgb(1, 2, 3));
        img.setPixel(4, 2, qRgb(255, 255, 255));
        return img;
    }

    bool WriteRgbaTiff(const QString& path, int w, int h, const std::vector<QRgb>& px) const
    {
        QImage img(w, h, QImage::Format_ARGB32);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                img.setPixel(x, y, px[static_cast<std::size_t>(y * w + x)]);
        return WriteTiff(path, img);
    }
};

} // namespace

TEST(PictureFileRules, KindByTheLowerCasePath)
{
    using PictureFile::Kind;
    const struct
    {
        const char* path;
        Kind kind;
    } cases[] = {
        {"a.bmp", Kind::BmpJpeg},    {"IMG.JPG", Kind::BmpJpeg}, {"a.tif", Kind::Tiff},
        {"a.TIFF", Kind::Tiff},      {"a.jpeg", Kind::None},     {"a.png", Kind::None},
        {"x.tif/a.png", Kind::Tiff}, // a folder name sends everything in it to TIFF
    };
    for (const auto& c : cases)
        EXPECT_EQ(PictureFile::KindOfPath(c.path), c.kind) << c.path;
}

TEST(PictureFileRules, PremultiplyKeepsOpaquePixelsAndBlackensClearOnes)
{
    for (int v = 0; v <= 255; ++v) {
        ASSERT_EQ(PictureFile::Premultiply(v, 255), v) << v;
        ASSERT_EQ(PictureFile::Premultiply(v, 0), 0) << v;
    }
    EXPECT_EQ(PictureFile::Premultiply(200, 128), 100); // 100.39 rounded
    EXPECT_EQ(PictureFile::Premultiply(255, 128), 128);
    EXPECT_EQ(PictureFile::DibRowBytes(3), 12);
    EXPECT_EQ(PictureFile::DibRowBytes(4), 12);
    EXPECT_EQ(PictureFile::DibRowBytes(720), 2160);
}

TEST_F(PictureTest, BmpAndJpegLoadWhateverTheCaseOfTheirName)
{
    ASSERT_TRUE(Sample().save(Path("shot.bmp"), "BMP"));
    ASSERT_TRUE(Sample().save(Path("IMG.JPG"), "JPEG", 100));
    const QImage bmp = PictureFile::Load(Path("shot.bmp"));
    ASSERT_FALSE(bmp.isNull());
    EXPECT_EQ(bmp.size(), QSize(5, 3));
    EXPECT_EQ(bmp.pixel(0, 0) & 0xFFFFFF, 0x010203u);
    const QImage jpg = PictureFile::Load(Path("IMG.JPG"));
    ASSERT_FALSE(jpg.isNull());
    EXPECT_EQ(jpg.size(), QSize(5, 3));
    EXPECT_NEAR(qRed(jpg.pixel(2, 1)), 200, 12);

    // The content decides the reader, the name only which readers may try.
    QFile::copy(Path("shot.bmp"), Path("renamed.jpg"));
    EXPECT_FALSE(PictureFile::Load(Path("renamed.jpg")).isNull());
    ASSERT_TRUE(Sample().save(Path("real.png.bmp"), "PNG"));
    EXPECT_TRUE(PictureFile::Load(Path("real.png.bmp")).isNull()) << "PNG content is not read";
}

TEST_F(PictureTest, OtherNamesAndMissingFilesGiveNothing)
{
    ASSERT_TRUE(Sample().save(Path("a.jpeg"), "JPEG"));
    ASSERT_TRUE(Sample().save(Path("a.png"), "PNG"));
    EXPECT_TRUE(PictureFile::Load(Path("a.jpeg")).isNull());
    EXPECT_TRUE(PictureFile::Load(Path("a.png")).isNull());
    EXPECT_TRUE(PictureFile::Load(Path("missing.bmp")).isNull());
    EXPECT_TRUE(PictureFile::Load(QString()).isNull());
    QFile junk(Path("junk.tif"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a tiff at all");
    junk.close();
    EXPECT_TRUE(PictureFile::Load(Path("junk.tif")).isNull());

    CPictureStatic pic;
    ASSERT_TRUE(Sample().save(Path("ok.bmp"), "BMP"));
    EXPECT_TRUE(pic.LoadPicture(Path("ok.bmp")));
    EXPECT_EQ(pic.m_nWidth, 5);
    EXPECT_EQ(pic.m_nHeight, 3);
    EXPECT_GT(pic.m_nBitsPixel, 0);
    EXPECT_FALSE(pic.LoadPicture(Path("a.png"))) << "only a loaded picture answers true";
    EXPECT_EQ(pic.m_nWidth, 0);
    EXPECT_EQ(pic.m_nHeight, 0);
    EXPECT_EQ(pic.m_nBitsPixel, 0);
    EXPECT_TRUE(pic.m_hBitmap.isNull());
}

TEST_F(PictureTest, TiffPixelsComeOutPremultipliedAndUpright)
{
    // 3 x 2: an opaque top row of distinct colours, a bottom row with a clear
    // pixel and a half-transparent one.
    const std::vector<QRgb> px = {
        qRgba(250, 2, 130, 255), qRgba(1, 254, 77, 255),  qRgba(9, 8, 7, 255),
        qRgba(0, 0, 0, 0),       qRgba(64, 32, 128, 128), qRgba(255, 255, 255, 255),
    };
    ASSERT_TRUE(WriteRgbaTiff(Path("still.tif"), 3, 2, px));
    int bits = 0;
    const QImage img = PictureFile::Load(Path("still.tif"), &bits);
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(bits, 24);
    ASSERT_EQ(img.size(), QSize(3, 2));
    EXPECT_EQ(img.pixel(0, 0) & 0xFFFFFF, 0xFA0282u) << "opaque pixels keep their colour";
    EXPECT_EQ(img.pixel(1, 0) & 0xFFFFFF, 0x01FE4Du);
    EXPECT_EQ(img.pixel(2, 0) & 0xFFFFFF, 0x090807u);
    EXPECT_EQ(img.pixel(0, 1) & 0xFFFFFF, 0x000000u) << "a clear pixel is black";
    EXPECT_EQ(img.pixel(2, 1) & 0xFFFFFF, 0xFFFFFFu);

    // The same raster by hand: rows of 9 bytes padded to 12.
    std::vector<uint32_t> raster = {
        // libtiff's raster starts with the bottom row
        0x00000000u, 0x80802040u, 0xFFFFFFFFu, 0xFF8202FAu, 0xFF4DFE01u, 0xFF070809u,
    };
    const std::vector<uint8_t> dib = PictureFile::RasterToDib(raster.data(), 3, 2);
    ASSERT_EQ(dib.size(), 24u);
    EXPECT_EQ(std::vector<uint8_t>(dib.begin(), dib.begin() + 12),
              (std::vector<uint8_t>{0, 0, 0, 64, 16, 32, 255, 255, 255, 0, 0, 0}));
    EXPECT_EQ(std::vector<uint8_t>(dib.begin() + 12, dib.begin() + 15), (std::vector<uint8_t>{130, 2, 250}));

    CPictureStatic pic;
    EXPECT_TRUE(pic.LoadPicture(Path("still.tif")));
    EXPECT_EQ(pic.m_nWidth, 3);
    EXPECT_EQ(pic.m_nBitsPixel, 24);
}
