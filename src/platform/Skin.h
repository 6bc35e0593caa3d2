// Colours, fonts and layered-window helpers in the units the skin is written in.
#pragma once

#include "platform/Types.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRegion>
#include <string>

class QWidget;

QColor fromColorRef(COLORREF c);
COLORREF toColorRef(const QColor& c);

// The skin's colour key: pixels of this colour are holes in layered windows.
constexpr COLORREF kColorKey = 0xFF00FF;

// Skin fonts are given in points; the pixel size is int(points x 1.33 + 0.5).
// Arial, "Arial Bold" and Tahoma map to Liberation Sans (metric-compatible).
int FontPixelHeight(double points);
QFont MakeSkinFont(const std::string& face, double points, int weight = 400);

// Makes a top-level window translucent with the given alpha (255 opaque) and
// cuts out every pixel of colour key 0xFF00FF in the image it paints as its
// background (pass a null image when the window has no key pixels: its shape
// is then left alone). Returns false when the window is not top-level.
bool SetTransparent(QWidget* window, int alpha, const QImage& background = QImage());

// The region of every pixel of the image that is NOT the key colour.
QRegion RegionWithoutColor(const QImage& image, COLORREF key);
