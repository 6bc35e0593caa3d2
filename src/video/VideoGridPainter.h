// Turning a channel's picture into the pixels of its cell. Both drawing
// modes go through here: a YUV picture is converted to B, G, R rows first, an
// RGB picture is read bottom-up as it is stored; then the same crop and the
// same scaling apply, so the two modes look alike.
#pragma once

#include "video/PictureBuffer.h"

#include <QImage>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace GridPainter {

// Draws the picture's shown rows (PictureCropRows) scaled to the whole of
// `cell`, which must be a Format_RGB32 image of the cell's size. scratch
// holds the converted rows of a YUV picture. False when the picture is empty
// or its size does not fit its format.
bool RenderPicture(const PictureBuffer::View& picture, QImage& cell, std::vector<std::uint8_t>& scratch);

// Bilinear scaling of B, G, R rows (stride in bytes, negative for rows stored
// bottom-up) into a Format_RGB32 image of any size.
void ScaleBgr24(const std::uint8_t* src, std::ptrdiff_t stride, int width, int height, QImage& dst);

// One icon from its skin pair: the mask (black where the icon shows) and the
// image (the icon on black), as a premultiplied image that draws the same as
// the mask ANDed and the image ORed onto the picture.
QImage CombineIconPair(const QImage& mask, const QImage& image);

} // namespace GridPainter
