// A shaped window's pixels as they reach the operator's screen.
#pragma once

#include "platform/Skin.h"

#include <QImage>
#include <QRegion>
#include <QWidget>

// The window's drawing inside its shape only. Pixels the shape leaves out
// belong to whatever lies behind the window and come back transparent. (The
// offscreen platform keeps the shape but does not cut the drawing by it; a
// desktop does.)
inline QImage OperatorView(QWidget& window)
{
    QImage img = window.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QRegion shape = window.mask();
    if (shape.isEmpty())
        return img;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (!shape.contains(QPoint(x, y)))
                img.setPixel(x, y, 0);
    return img;
}

// Shown pixels in the skin's key colour: the colour that should have been cut away.
inline int KeyPixels(const QImage& img)
{
    const QRgb key = fromColorRef(kColorKey).rgb();
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(img.pixel(x, y)) != 0 && img.pixel(x, y) == key)
                ++n;
    return n;
}
