// Drawing skin bitmaps and loading skin resources through the current
// resource library.
#pragma once

#include <QImage>
#include <QString>

class QPainter;

// Draws a bitmap, or one frame of a horizontal strip of equal frames, into the
// rectangle (left, top) - (right, bottom), right and bottom exclusive.
// - A null bitmap (or painter) draws nothing.
// - stretch: the whole bitmap is scaled into the rectangle.
// - otherwise: a piece of the rectangle's size is copied 1:1 from source
//   x = (right - left) x frame, y = 0, so a strip shows its frame `frame`;
//   frame 0 with a rectangle smaller than the bitmap shows its top-left part.
//   Only the part of that piece that lies inside the bitmap is drawn.
// Pixels are copied as they are (no blending), as the skin's key colours must
// reach the window unchanged.
void DrawBitmap(QPainter& painter, const QImage& bitmap, int left, int top, int right, int bottom,
                bool stretch, int frame);
void DrawBitmap(QPainter* painter, const QImage& bitmap, int left, int top, int right, int bottom,
                bool stretch, int frame);

// Bitmap `id` of the current resource library; null when it lacks the id.
QImage LoadSkinBitmap(int id);

// Text `id` of the current resource library; empty when it lacks the id.
QString LoadResString(int id);

// One blank followed by text `id` (list texts of the search and log pages);
// just the blank when the library lacks the id.
QString LoadResStringSpaced(int id);
