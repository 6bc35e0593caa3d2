// DrawBitmap: frame selection, stretching, clipping and the null bitmap.
#include "ui/SkinDraw.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace {

constexpr QRgb kBackground = 0xff102030;

// A strip whose every pixel tells its own source column and row.
QImage Strip(int width, int height)
{
    QImage img(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            img.setPixel(x, y, qRgb(x & 0xff, y & 0xff, 0x80 | (x >> 8)));
    return img;
}

int SourceColumn(QRgb c)
{
    return qRed(c) | ((qBlue(c) & 0x7f) << 8);
}

QImage Canvas()
{
    QImage canvas(200, 60, QImage::Format_RGB32);
    canvas.fill(kBackground);
    return canvas;
}

TEST(SkinDraw, FrameTwoOfFourCopiesColumns68To101)
{
    const QImage strip = Strip(4 * 34, 34);
    QImage canvas = Canvas();
    {
        QPainter p(&canvas);
        DrawBitmap(p, strip, 10, 5, 44, 39, false, 2);
    }
    for (int x = 0; x < 34; ++x)
        for (int y = 0; y < 34; ++y) {
            const QRgb c = canvas.pixel(10 + x, 5 + y);
            ASSERT_EQ(SourceColumn(c), 68 + x) << x << "," << y;
            ASSERT_EQ(qGreen(c), y);
        }
    // Nothing outside the rectangle is touched.
    EXPECT_EQ(canvas.pixel(9, 5), kBackground);
    EXPECT_EQ(canvas.pixel(44, 5), kBackground);
    EXPECT_EQ(canvas.pixel(10, 39), kBackground);
}

TEST(SkinDraw, UnstretchedPieceIsClippedToTheBitmap)
{
    const QImage strip = Strip(4 * 34, 34);
    const struct Case
    {
        const char* what;
        QRect rect; // left, top, width, height on the canvas
        int frame;
        int drawnWidth;  // columns copied from the left of the rectangle
        int drawnHeight; // rows copied from the top
        int firstColumn; // source column of the first copied pixel
    } cases[] = {
        {"frame 0, small rectangle: top-left part", QRect(0, 0, 20, 10), 0, 20, 10, 0},
        {"last frame", QRect(0, 0, 34, 34), 3, 34, 34, 102},
        {"rectangle taller than the bitmap", QRect(0, 0, 34, 50), 1, 34, 34, 34},
        {"piece running past the end", QRect(0, 0, 50, 34), 2, 36, 34, 100},
        {"frame past the strip", QRect(0, 0, 34, 34), 4, 0, 0, 0},
        {"negative frame", QRect(0, 0, 34, 34), -1, 0, 0, 0},
    };
    for (const Case& c : cases) {
        QImage canvas = Canvas();
        {
            QPainter p(&canvas);
            DrawBitmap(p, strip, c.rect.left(), c.rect.top(), c.rect.left() + c.rect.width(),
                       c.rect.top() + c.rect.height(), false, c.frame);
        }
        for (int y = 0; y < c.rect.height(); ++y)
            for (int x = 0; x < c.rect.width(); ++x) {
                const QRgb got = canvas.pixel(c.rect.left() + x, c.rect.top() + y);
                if (x < c.drawnWidth && y < c.drawnHeight)
                    ASSERT_EQ(SourceColumn(got), c.firstColumn + x) << c.what << " at " << x << "," << y;
                else
                    ASSERT_EQ(got, kBackground) << c.what << " at " << x << "," << y;
            }
    }
}

TEST(SkinDraw, StretchDrawsTheWholeBitmapIntoTheRectangle)
{
    const QImage strip = Strip(40, 20);
    QImage canvas = Canvas();
    {
        QPainter p(&canvas);
        // Twice the size; the frame index is ignored when stretching.
        DrawBitmap(p, strip, 20, 10, 100, 50, true, 3);
    }
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 80; ++x) {
            const QRgb got = canvas.pixel(20 + x, 10 + y);
            ASSERT_EQ(SourceColumn(got), x / 2) << x << "," << y;
            ASSERT_EQ(qGreen(got), y / 2) << x << "," << y;
        }
    EXPECT_EQ(canvas.pixel(100, 10), kBackground);
    EXPECT_EQ(canvas.pixel(19, 10), kBackground);
}

TEST(SkinDraw, NullBitmapOrPainterDrawsNothing)
{
    QImage canvas = Canvas();
    {
        QPainter p(&canvas);
        DrawBitmap(p, QImage(), 0, 0, 50, 50, false, 0);
        DrawBitmap(p, QImage(), 0, 0, 50, 50, true, 0);
        DrawBitmap(p, Strip(10, 10), 30, 30, 20, 40, false, 0); // empty rectangle
        DrawBitmap(static_cast<QPainter*>(nullptr), Strip(10, 10), 0, 0, 10, 10, false, 0);
    }
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            ASSERT_EQ(canvas.pixel(x, y), kBackground);
}

} // namespace
