#include "video/VideoGridPainter.h"

#include "video/YuvToRgb.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#define K5_GRID_SSE2 1
#endif

namespace GridPainter {

namespace {

// Source sample and weight (in 1/256) for each target column or row: the
// target pixel's centre mapped into the source, clamped to its edges.
struct Tap
{
    int index;
    int weight; // of the sample after index
};

void MakeTaps(int srcLen, int dstLen, std::vector<Tap>& taps)
{
    taps.resize(static_cast<std::size_t>(dstLen));
    const std::int64_t maxPos = std::int64_t(srcLen - 1) * 256;
    for (int i = 0; i < dstLen; ++i) {
        std::int64_t pos = ((2 * std::int64_t(i) + 1) * srcLen * 256) / (2 * std::int64_t(dstLen)) - 128;
        pos = std::clamp<std::int64_t>(pos, 0, maxPos);
        int index = static_cast<int>(pos >> 8);
        int weight = static_cast<int>(pos & 255);
        if (srcLen > 1 && index >= srcLen - 1) {
            index = srcLen - 2;
            weight = 256;
        }
        if (srcLen == 1) {
            index = 0;
            weight = 0;
        }
        taps[static_cast<std::size_t>(i)] = Tap{index, weight};
    }
}

// out[i] = a[i] x w0 + b[i] x w1 for 8-bit samples and weights summing to 256.
void BlendRows(const std::uint8_t* __restrict a, const std::uint8_t* __restrict b, int w0, int w1,
               std::uint16_t* __restrict out, int count)
{
    int i = 0;
#if K5_GRID_SSE2
    const __m128i zero = _mm_setzero_si128();
    const __m128i m0 = _mm_set1_epi16(static_cast<short>(w0));
    const __m128i m1 = _mm_set1_epi16(static_cast<short>(w1));
    for (; i + 16 <= count; i += 16) {
        const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
        const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
        // 255 x 256 fits the unsigned 16 bits; the low half of the products is all of them.
        const __m128i lo = _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(va, zero), m0),
                                         _mm_mullo_epi16(_mm_unpacklo_epi8(vb, zero), m1));
        const __m128i hi = _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(va, zero), m0),
                                         _mm_mullo_epi16(_mm_unpackhi_epi8(vb, zero), m1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), lo);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), hi);
    }
#endif
    for (; i < count; ++i)
        out[i] = static_cast<std::uint16_t>(a[i] * w0 + b[i] * w1);
}

} // namespace

void ScaleBgr24(const std::uint8_t* src, std::ptrdiff_t stride, int width, int height, QImage& dst)
{
    const int dw = dst.width();
    const int dh = dst.height();
    if (!src || width <= 0 || height <= 0 || dw <= 0 || dh <= 0)
        return;
    thread_local std::vector<Tap> xs;
    thread_local std::vector<Tap> ys;
    thread_local std::vector<std::uint16_t> row;
    MakeTaps(width, dw, xs);
    MakeTaps(height, dh, ys);
    const int line = width * 3;
    // One spare pixel so the right tap of the last column stays inside.
    row.resize(static_cast<std::size_t>(line) + 3);
    std::uint16_t* const blended = row.data();
    for (int y = 0; y < dh; ++y) {
        // Vertical pass: the two source rows blended into 16-bit samples
        // (x 256), a plain loop the compiler turns into vector code.
        const Tap ty = ys[static_cast<std::size_t>(y)];
        const std::uint8_t* r0 = src + stride * ty.index;
        const std::uint8_t* r1 = height > 1 ? r0 + stride : r0;
        const int wy1 = ty.weight;
        const int wy0 = 256 - wy1;
        BlendRows(r0, r1, wy0, wy1, blended, line);
        blended[line] = blended[line - 3];
        blended[line + 1] = blended[line - 2];
        blended[line + 2] = blended[line - 1];

        // Horizontal pass: two taps per target pixel.
        auto* out = reinterpret_cast<std::uint32_t*>(dst.scanLine(y));
        for (int x = 0; x < dw; ++x) {
            const Tap tx = xs[static_cast<std::size_t>(x)];
            const int wx1 = tx.weight;
            const int wx0 = 256 - wx1;
            const std::uint16_t* a = blended + 3 * tx.index;
            const std::uint32_t b = (std::uint32_t(a[0] * wx0 + a[3] * wx1) + 32768u) >> 16;
            const std::uint32_t g = (std::uint32_t(a[1] * wx0 + a[4] * wx1) + 32768u) >> 16;
            const std::uint32_t r = (std::uint32_t(a[2] * wx0 + a[5] * wx1) + 32768u) >> 16;
            out[x] = 0xFF000000u | (r << 16) | (g << 8) | b;
        }
    }
}

bool RenderPicture(const PictureBuffer::View& picture, QImage& cell, std::vector<std::uint8_t>& scratch)
{
    if (!picture.data || cell.isNull() || cell.format() != QImage::Format_RGB32)
        return false;
    const int w = picture.width;
    const int h = picture.height;
    if (PictureBuffer::PictureBytes(w, h, picture.format) == 0)
        return false;
    int first = 0;
    int rows = 0;
    PictureCropRows(h, first, rows);
    // A cell at most half as tall as the shown rows reads every other row:
    // half the work, and one field of an interlaced picture, free of combing.
    const int step = cell.height() * 2 <= rows ? 2 : 1;
    int outRows = rows / step;
    if (outRows <= 0)
        return false;

    if (picture.format == PictureBuffer::kFormatBgr24) {
        // Stored bottom-up: picture row r is memory row h - 1 - r.
        const std::ptrdiff_t line = std::ptrdiff_t(w) * 3;
        const std::uint8_t* top = picture.data + line * (h - 1 - first);
        ScaleBgr24(top, -line * step, w, outRows, cell);
        return true;
    }

    // YUV 4:2:0: convert the shown rows (first is even, so the chroma rows
    // line up) into B, G, R rows, then scale as above.
    const std::size_t line = std::size_t(w) * 3;
    scratch.resize(line * std::size_t(outRows) + 1);
    const std::uint8_t* y = picture.data;
    const std::uint8_t* u = y + std::size_t(w) * h;
    const std::uint8_t* v = u + std::size_t(w / 2) * (h / 2);
    const std::uint8_t* y0 = y + std::size_t(w) * first;
    const std::uint8_t* u0 = u + std::size_t(w / 2) * (first / 2);
    const std::uint8_t* v0 = v + std::size_t(w / 2) * (first / 2);
    const int yStride = w * step;
    const int uvStride = (w / 2) * step;
    const int pairs = outRows & ~1;
    YuvToRgb24(scratch.data(), w, y0, u0, v0, yStride, uvStride, w, pairs);
    // The conversion leaves the last width mod 8 columns and an odd last row.
    const int done = w & ~7;
    for (int r = 0; r < pairs; ++r) {
        const std::uint8_t* yr = y0 + std::size_t(yStride) * r;
        const std::uint8_t* ur = u0 + std::size_t(uvStride) * (r / 2);
        const std::uint8_t* vr = v0 + std::size_t(uvStride) * (r / 2);
        std::uint8_t* d = scratch.data() + line * r;
        for (int x = done; x < w; ++x)
            YuvPixelToBgr(yr[x], ur[x / 2], vr[x / 2], d + 3 * x);
    }
    if (outRows > pairs) {
        if (pairs > 0)
            std::memcpy(scratch.data() + line * pairs, scratch.data() + line * (pairs - 1), line);
        else
            for (int x = 0; x < w; ++x)
                YuvPixelToBgr(y0[x], u0[x / 2], v0[x / 2], scratch.data() + 3 * x);
    }
    ScaleBgr24(scratch.data(), std::ptrdiff_t(line), w, outRows, cell);
    return true;
}

QImage CombineIconPair(const QImage& mask, const QImage& image)
{
    if (image.isNull())
        return {};
    const QImage img = image.convertToFormat(QImage::Format_RGB32);
    const QImage msk = mask.isNull() ? QImage() : mask.convertToFormat(QImage::Format_RGB32);
    QImage out(img.size(), QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < img.height(); ++y) {
        const auto* src = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        const auto* m =
            msk.isNull() || y >= msk.height() ? nullptr : reinterpret_cast<const QRgb*>(msk.constScanLine(y));
        auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            // Where the mask is white the picture stays; where it is black the
            // image replaces it. The image is already dark where it is thin.
            int alpha = 255;
            if (m && x < msk.width())
                alpha = 255 - qGray(m[x]);
            const int r = std::min(qRed(src[x]), alpha);
            const int g = std::min(qGreen(src[x]), alpha);
            const int b = std::min(qBlue(src[x]), alpha);
            dst[x] = qRgba(r, g, b, alpha);
        }
    }
    return out;
}

} // namespace GridPainter
