#include "platform/Skin.h"

#include <QPainter>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

TEST(Skin, ColorRefIsBlueGreenRed)
{
    struct Case
    {
        COLORREF ref;
        int r, g, b;
    };
    const Case cases[] = {
        {0x000000FF, 255, 0, 0},     {0x0000FF00, 0, 255, 0},        {0x00FF0000, 0, 0, 255},
        {0x00969696, 150, 150, 150}, {0x00AA6432, 0x32, 0x64, 0xAA}, {kColorKey, 255, 0, 255},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ref);
        const QColor color = fromColorRef(c.ref);
        EXPECT_EQ(color.red(), c.r);
        EXPECT_EQ(color.green(), c.g);
        EXPECT_EQ(color.blue(), c.b);
        EXPECT_EQ(color.alpha(), 255);
        EXPECT_EQ(toColorRef(color), c.ref);
        EXPECT_EQ(RGB(c.r, c.g, c.b), c.ref);
    }
    // The unused top byte does not leak into the colour.
    EXPECT_EQ(toColorRef(fromColorRef(0xFF123456)), 0x00123456u);
}

TEST(Skin, FontPixelHeightRoundsPointsTimesOnePointThreeThree)
{
    struct Case
    {
        double points;
        int pixels;
    };
    const Case cases[] = {{7, 9},   {7.5, 10}, {8, 11},  {9, 12},  {10, 13}, {11, 15},
                          {12, 16}, {14, 19},  {16, 21}, {20, 27}, {36, 48}};
    for (const auto& c : cases)
        EXPECT_EQ(FontPixelHeight(c.points), c.pixels) << c.points << " pt";
}

TEST(Skin, SkinFontsMapToLiberationSans)
{
    struct Case
    {
        const char* face;
        int weight;
        const char* family;
        int expectWeight;
    };
    const Case cases[] = {
        {"Arial", 400, "Liberation Sans", 400},
        {"Arial Bold", 400, "Liberation Sans", 700},
        {"Tahoma", 700, "Liberation Sans", 700},
        {"Courier New", 400, "Courier New", 400},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.face);
        const QFont f = MakeSkinFont(c.face, 9, c.weight);
        EXPECT_EQ(f.family(), QString::fromLatin1(c.family));
        EXPECT_EQ(f.pixelSize(), 12);
        EXPECT_EQ(f.weight(), c.expectWeight);
    }
}

QImage KeyedImage()
{
    // 20 x 10, key colour in the top-left 3 x 2 corner and in one pixel at (10, 5).
    QImage img(20, 10, QImage::Format_RGB888);
    img.fill(QColor(40, 40, 40));
    const QColor key = fromColorRef(kColorKey);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            img.setPixelColor(x, y, key);
    img.setPixelColor(10, 5, key);
    return img;
}

TEST(Skin, RegionWithoutColorLeavesOutEveryKeyPixel)
{
    const QImage img = KeyedImage();
    const QRegion region = RegionWithoutColor(img, kColorKey);
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            const bool isKey = toColorRef(img.pixelColor(x, y)) == kColorKey;
            ASSERT_EQ(region.contains(QPoint(x, y)), !isKey) << x << "," << y;
        }
    }
    EXPECT_TRUE(RegionWithoutColor(QImage(), kColorKey).isEmpty());
    QImage allKey(4, 4, QImage::Format_RGB32);
    allKey.fill(fromColorRef(kColorKey));
    EXPECT_TRUE(RegionWithoutColor(allKey, kColorKey).isEmpty());
}

TEST(Skin, SetTransparentSetsOpacityAndCutsKeyPixels)
{
    QWidget window;
    window.resize(20, 10);
    auto* child = new QWidget(&window);
    EXPECT_FALSE(SetTransparent(child, 200));
    EXPECT_FALSE(SetTransparent(nullptr, 200));

    EXPECT_TRUE(SetTransparent(&window, 204, KeyedImage()));
    window.show();
    EXPECT_NEAR(window.windowOpacity(), 0.8, 0.01);
    EXPECT_FALSE(window.mask().contains(QPoint(0, 0)));
    EXPECT_FALSE(window.mask().contains(QPoint(10, 5)));
    EXPECT_TRUE(window.mask().contains(QPoint(19, 9)));

    // A new opacity alone keeps the shape.
    EXPECT_TRUE(SetTransparent(&window, 255));
    EXPECT_NEAR(window.windowOpacity(), 1.0, 0.01);
    EXPECT_FALSE(window.mask().contains(QPoint(0, 0)));

    // A background without key pixels cuts nothing.
    QImage plain(20, 10, QImage::Format_RGB32);
    plain.fill(Qt::gray);
    EXPECT_TRUE(SetTransparent(&window, 128, plain));
    EXPECT_TRUE(window.mask().isEmpty());
}

} // namespace
