#include "video/YuvToRgb.h"

#include <cstddef>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define K5_YUV_X86 1
#endif

namespace {

// Source rows of destination row pair r: luma rows 2r and 2r + 1 and chroma
// row r, or counted from the bottom for a negative height.
struct RowPair
{
    const std::uint8_t* y0;
    const std::uint8_t* y1;
    const std::uint8_t* u;
    const std::uint8_t* v;
};

RowPair SourceRows(int r, int rows, bool flipped, const std::uint8_t* y, const std::uint8_t* u,
                   const std::uint8_t* v, int yStride, int uvStride)
{
    const std::ptrdiff_t ys = yStride;
    const std::ptrdiff_t cs = uvStride;
    if (!flipped)
        return {y + ys * (2 * r), y + ys * (2 * r + 1), u + cs * r, v + cs * r};
    const int chroma = rows / 2 - 1 - r;
    return {y + ys * (rows - 1 - 2 * r), y + ys * (rows - 2 - 2 * r), u + cs * chroma, v + cs * chroma};
}

// Eight pixels of both rows, starting at column x.
inline void ConvertGroupOf8(const RowPair& s, int x, std::uint8_t* d0, std::uint8_t* d1)
{
    for (int i = x; i < x + 8; i += 2) {
        const int cu = s.u[i / 2];
        const int cv = s.v[i / 2];
        YuvPixelToBgr(s.y0[i], cu, cv, d0 + 3 * i);
        YuvPixelToBgr(s.y0[i + 1], cu, cv, d0 + 3 * i + 3);
        YuvPixelToBgr(s.y1[i], cu, cv, d1 + 3 * i);
        YuvPixelToBgr(s.y1[i + 1], cu, cv, d1 + 3 * i + 3);
    }
}

#if K5_YUV_X86

// Interleaves 16 blue, green and red bytes into 48 bytes B, G, R.
__attribute__((target("ssse3"))) inline void StoreBgr16(std::uint8_t* d, __m128i b, __m128i g, __m128i r)
{
    // Output byte k is channel k % 3 of pixel k / 3; -1 (0x80) selects zero.
    const __m128i b0 = _mm_setr_epi8(0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1, 5);
    const __m128i g0 = _mm_setr_epi8(-1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1);
    const __m128i r0 = _mm_setr_epi8(-1, -1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1);
    const __m128i b1 = _mm_setr_epi8(-1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, 10, -1);
    const __m128i g1 = _mm_setr_epi8(5, -1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, 10);
    const __m128i r1 = _mm_setr_epi8(-1, 5, -1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1);
    const __m128i b2 = _mm_setr_epi8(-1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1, -1);
    const __m128i g2 = _mm_setr_epi8(-1, -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1);
    const __m128i r2 = _mm_setr_epi8(10, -1, -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15);
    const __m128i o0 =
        _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(b, b0), _mm_shuffle_epi8(g, g0)), _mm_shuffle_epi8(r, r0));
    const __m128i o1 =
        _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(b, b1), _mm_shuffle_epi8(g, g1)), _mm_shuffle_epi8(r, r1));
    const __m128i o2 =
        _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(b, b2), _mm_shuffle_epi8(g, g2)), _mm_shuffle_epi8(r, r2));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), o0);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 16), o1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 32), o2);
}

// One row of 16 pixels, given the chroma terms already doubled to one per
// pixel. 16-bit saturating arithmetic: only the blue sum can pass 32767, and
// then the pixel is 255 either way.
__attribute__((target("ssse3"))) inline void ConvertRow16(const std::uint8_t* y, std::uint8_t* d, __m128i bLo,
                                                          __m128i bHi, __m128i gLo, __m128i gHi, __m128i rLo,
                                                          __m128i rHi)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i k16 = _mm_set1_epi16(16);
    const __m128i k74 = _mm_set1_epi16(74);
    const __m128i luma = _mm_loadu_si128(reinterpret_cast<const __m128i*>(y));
    const __m128i cLo = _mm_mullo_epi16(_mm_sub_epi16(_mm_unpacklo_epi8(luma, zero), k16), k74);
    const __m128i cHi = _mm_mullo_epi16(_mm_sub_epi16(_mm_unpackhi_epi8(luma, zero), k16), k74);
    const __m128i b = _mm_packus_epi16(_mm_srai_epi16(_mm_adds_epi16(cLo, bLo), 6),
                                       _mm_srai_epi16(_mm_adds_epi16(cHi, bHi), 6));
    const __m128i g = _mm_packus_epi16(_mm_srai_epi16(_mm_subs_epi16(cLo, gLo), 6),
                                       _mm_srai_epi16(_mm_subs_epi16(cHi, gHi), 6));
    const __m128i r = _mm_packus_epi16(_mm_srai_epi16(_mm_adds_epi16(cLo, rLo), 6),
                                       _mm_srai_epi16(_mm_adds_epi16(cHi, rHi), 6));
    StoreBgr16(d, b, g, r);
}

// Sixteen pixels of both rows per step, reading each chroma pair once.
__attribute__((target("ssse3"))) void ConvertRowPairSsse3(const RowPair& s, int x, int width,
                                                          std::uint8_t* d0, std::uint8_t* d1)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i k128 = _mm_set1_epi16(128);
    const __m128i k129 = _mm_set1_epi16(129);
    const __m128i k25 = _mm_set1_epi16(25);
    const __m128i k52 = _mm_set1_epi16(52);
    const __m128i k102 = _mm_set1_epi16(102);
    for (; x + 16 <= width; x += 16) {
        const __m128i u8 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(s.u + x / 2));
        const __m128i v8 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(s.v + x / 2));
        const __m128i d = _mm_sub_epi16(_mm_unpacklo_epi8(u8, zero), k128);
        const __m128i e = _mm_sub_epi16(_mm_unpacklo_epi8(v8, zero), k128);
        const __m128i bu = _mm_mullo_epi16(d, k129);
        const __m128i guv = _mm_add_epi16(_mm_mullo_epi16(d, k25), _mm_mullo_epi16(e, k52));
        const __m128i rv = _mm_mullo_epi16(e, k102);
        const __m128i bLo = _mm_unpacklo_epi16(bu, bu);
        const __m128i bHi = _mm_unpackhi_epi16(bu, bu);
        const __m128i gLo = _mm_unpacklo_epi16(guv, guv);
        const __m128i gHi = _mm_unpackhi_epi16(guv, guv);
        const __m128i rLo = _mm_unpacklo_epi16(rv, rv);
        const __m128i rHi = _mm_unpackhi_epi16(rv, rv);
        ConvertRow16(s.y0 + x, d0 + 3 * x, bLo, bHi, gLo, gHi, rLo, rHi);
        ConvertRow16(s.y1 + x, d1 + 3 * x, bLo, bHi, gLo, gHi, rLo, rHi);
    }
    if (x + 8 <= width)
        ConvertGroupOf8(s, x, d0, d1);
}

// The same with 256-bit registers: 32 pixels of both rows per step. The
// in-lane unpacks pair luma samples 0-7 and 16-23 with chroma 0-3 and 8-11,
// and packing puts the pixels back in order, so the 16-pixel shuffle masks
// serve each half; the halves are then stored in order.
__attribute__((target("avx2"))) inline void ConvertRow32(const std::uint8_t* y, std::uint8_t* d, __m256i bLo,
                                                         __m256i bHi, __m256i gLo, __m256i gHi, __m256i rLo,
                                                         __m256i rHi)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i k16 = _mm256_set1_epi16(16);
    const __m256i k74 = _mm256_set1_epi16(74);
    const __m256i luma = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(y));
    const __m256i cLo = _mm256_mullo_epi16(_mm256_sub_epi16(_mm256_unpacklo_epi8(luma, zero), k16), k74);
    const __m256i cHi = _mm256_mullo_epi16(_mm256_sub_epi16(_mm256_unpackhi_epi8(luma, zero), k16), k74);
    const __m256i b = _mm256_packus_epi16(_mm256_srai_epi16(_mm256_adds_epi16(cLo, bLo), 6),
                                          _mm256_srai_epi16(_mm256_adds_epi16(cHi, bHi), 6));
    const __m256i g = _mm256_packus_epi16(_mm256_srai_epi16(_mm256_subs_epi16(cLo, gLo), 6),
                                          _mm256_srai_epi16(_mm256_subs_epi16(cHi, gHi), 6));
    const __m256i r = _mm256_packus_epi16(_mm256_srai_epi16(_mm256_adds_epi16(cLo, rLo), 6),
                                          _mm256_srai_epi16(_mm256_adds_epi16(cHi, rHi), 6));
    const __m256i b0 = _mm256_setr_epi8(0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1, 5, 0, -1, -1,
                                        1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1, 5);
    const __m256i g0 = _mm256_setr_epi8(-1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1, -1, 0, -1,
                                        -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1);
    const __m256i r0 = _mm256_setr_epi8(-1, -1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1, -1, 0,
                                        -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1);
    const __m256i b1 = _mm256_setr_epi8(-1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, 10, -1, -1, -1, 6,
                                        -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, 10, -1);
    const __m256i g1 = _mm256_setr_epi8(5, -1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, 10, 5, -1, -1,
                                        6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, 10);
    const __m256i r1 = _mm256_setr_epi8(-1, 5, -1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, -1, 5, -1,
                                        -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1);
    const __m256i b2 = _mm256_setr_epi8(-1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1, -1, -1,
                                        11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1, -1);
    const __m256i g2 = _mm256_setr_epi8(-1, -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1, -1,
                                        -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1);
    const __m256i r2 = _mm256_setr_epi8(10, -1, -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, 10,
                                        -1, -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15);
    // o0 holds output bytes 0-15 and 48-63, o1 16-31 and 64-79, o2 32-47 and 80-95.
    const __m256i o0 = _mm256_or_si256(
        _mm256_or_si256(_mm256_shuffle_epi8(b, b0), _mm256_shuffle_epi8(g, g0)), _mm256_shuffle_epi8(r, r0));
    const __m256i o1 = _mm256_or_si256(
        _mm256_or_si256(_mm256_shuffle_epi8(b, b1), _mm256_shuffle_epi8(g, g1)), _mm256_shuffle_epi8(r, r1));
    const __m256i o2 = _mm256_or_si256(
        _mm256_or_si256(_mm256_shuffle_epi8(b, b2), _mm256_shuffle_epi8(g, g2)), _mm256_shuffle_epi8(r, r2));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d), _mm256_permute2x128_si256(o0, o1, 0x20));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 32), _mm256_permute2x128_si256(o2, o0, 0x30));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 64), _mm256_permute2x128_si256(o1, o2, 0x31));
}

__attribute__((target("avx2"))) void ConvertRowPairAvx2(const RowPair& s, int width, std::uint8_t* d0,
                                                        std::uint8_t* d1)
{
    const __m256i k128 = _mm256_set1_epi16(128);
    const __m256i k129 = _mm256_set1_epi16(129);
    const __m256i k25 = _mm256_set1_epi16(25);
    const __m256i k52 = _mm256_set1_epi16(52);
    const __m256i k102 = _mm256_set1_epi16(102);
    int x = 0;
    for (; x + 32 <= width; x += 32) {
        const __m128i u16 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.u + x / 2));
        const __m128i v16 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.v + x / 2));
        const __m256i d = _mm256_sub_epi16(_mm256_cvtepu8_epi16(u16), k128);
        const __m256i e = _mm256_sub_epi16(_mm256_cvtepu8_epi16(v16), k128);
        const __m256i bu = _mm256_mullo_epi16(d, k129);
        const __m256i guv = _mm256_add_epi16(_mm256_mullo_epi16(d, k25), _mm256_mullo_epi16(e, k52));
        const __m256i rv = _mm256_mullo_epi16(e, k102);
        const __m256i bLo = _mm256_unpacklo_epi16(bu, bu);
        const __m256i bHi = _mm256_unpackhi_epi16(bu, bu);
        const __m256i gLo = _mm256_unpacklo_epi16(guv, guv);
        const __m256i gHi = _mm256_unpackhi_epi16(guv, guv);
        const __m256i rLo = _mm256_unpacklo_epi16(rv, rv);
        const __m256i rHi = _mm256_unpackhi_epi16(rv, rv);
        ConvertRow32(s.y0 + x, d0 + 3 * x, bLo, bHi, gLo, gHi, rLo, rHi);
        ConvertRow32(s.y1 + x, d1 + 3 * x, bLo, bHi, gLo, gHi, rLo, rHi);
    }
    if (x < width)
        ConvertRowPairSsse3(s, x, width, d0, d1);
}

enum class Simd
{
    None,
    Ssse3,
    Avx2
};

Simd DetectSimd()
{
    static const Simd level = __builtin_cpu_supports("avx2")    ? Simd::Avx2
                              : __builtin_cpu_supports("ssse3") ? Simd::Ssse3
                                                                : Simd::None;
    return level;
}

#endif

enum class Path
{
    Portable,
    Ssse3,
    Avx2
};

template <Path P>
void Convert(std::uint8_t* dst, int dstStride, const std::uint8_t* y, const std::uint8_t* u,
             const std::uint8_t* v, int yStride, int uvStride, int width, int height)
{
    if (!dst || !y || !u || !v || width < 8 || height == 0)
        return;
    const bool flipped = height < 0;
    const int rows = flipped ? -height : height;
    const std::ptrdiff_t dstRow = static_cast<std::ptrdiff_t>(dstStride) * 3;
    for (int r = 0; r < rows / 2; ++r) {
        const RowPair s = SourceRows(r, rows, flipped, y, u, v, yStride, uvStride);
        std::uint8_t* d0 = dst + dstRow * (2 * r);
        std::uint8_t* d1 = d0 + dstRow;
#if K5_YUV_X86
        if constexpr (P == Path::Avx2) {
            ConvertRowPairAvx2(s, width, d0, d1);
            continue;
        } else if constexpr (P == Path::Ssse3) {
            ConvertRowPairSsse3(s, 0, width, d0, d1);
            continue;
        }
#endif
        for (int x = 0; x + 8 <= width; x += 8)
            ConvertGroupOf8(s, x, d0, d1);
    }
}

} // namespace

void YuvToRgb24Portable(std::uint8_t* dst, int dstStride, const std::uint8_t* y, const std::uint8_t* u,
                        const std::uint8_t* v, int yStride, int uvStride, int width, int height)
{
    Convert<Path::Portable>(dst, dstStride, y, u, v, yStride, uvStride, width, height);
}

void YuvToRgb24(std::uint8_t* dst, int dstStride, const std::uint8_t* y, const std::uint8_t* u,
                const std::uint8_t* v, int yStride, int uvStride, int width, int height)
{
#if K5_YUV_X86
    switch (DetectSimd()) {
    case Simd::Avx2:
        Convert<Path::Avx2>(dst, dstStride, y, u, v, yStride, uvStride, width, height);
        return;
    case Simd::Ssse3:
        Convert<Path::Ssse3>(dst, dstStride, y, u, v, yStride, uvStride, width, height);
        return;
    case Simd::None:
        break;
    }
#endif
    Convert<Path::Portable>(dst, dstStride, y, u, v, yStride, uvStride, width, height);
}
