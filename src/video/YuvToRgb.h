// Planar YUV 4:2:0 to packed 24-bit B, G, R: the client's one colour
// conversion, for stills taken from YUV pictures. Limited-range BT.601 in
// fixed point with 6 fraction bits; every implementation gives the same bytes.
#pragma once

#include <cstdint>

// Converts width x |height| pixels. Destination rows are 3 x dstStride bytes,
// each pixel B, G, R. U and V hold (width / 2) x (height / 2) samples, one
// pair for each 2 x 2 block of pixels (no interpolation). Only whole groups
// of 8 columns and whole pairs of rows are written; the last width mod 8
// columns and an odd last row stay as they were. A negative height reads the
// source from its last row upward, so the picture lands upside down.
void YuvToRgb24(std::uint8_t* dst, int dstStride, const std::uint8_t* y, const std::uint8_t* u,
                const std::uint8_t* v, int yStride, int uvStride, int width, int height);

// The same conversion without vector instructions (YuvToRgb24 falls back to
// it on processors without them).
void YuvToRgb24Portable(std::uint8_t* dst, int dstStride, const std::uint8_t* y, const std::uint8_t* u,
                        const std::uint8_t* v, int yStride, int uvStride, int width, int height);

// One pixel of the conversion, for callers that must fill the columns
// YuvToRgb24 leaves.
inline void YuvPixelToBgr(int y, int u, int v, std::uint8_t* bgr)
{
    const int c = 74 * (y - 16);
    const int d = u - 128;
    const int e = v - 128;
    auto clamp = [](int x) { return static_cast<std::uint8_t>(x < 0 ? 0 : (x > 255 ? 255 : x)); };
    bgr[0] = clamp((c + 129 * d) >> 6);
    bgr[1] = clamp((c - (25 * d + 52 * e)) >> 6);
    bgr[2] = clamp((c + 102 * e) >> 6);
}
