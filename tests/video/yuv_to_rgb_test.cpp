// YuvToRgb24: the fixed bytes of the conversion (against a per-pixel
// reference written from the arithmetic, not from the code under test), the
// columns and rows it must leave alone, the upside-down form, and a check of
// the colour coefficients against libswscale.
#include "video/YuvToRgb.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

extern "C" {
#include <libswscale/swscale.h>
}

namespace {

using Convert = void (*)(std::uint8_t*, int, const std::uint8_t*, const std::uint8_t*, const std::uint8_t*,
                         int, int, int, int);

struct Planes
{
    int width;
    int height; // rows the planes hold
    int yStride;
    int uvStride;
    std::vector<std::uint8_t> y, u, v;

    Planes(int w, int h, int yPad = 0, int uvPad = 0)
        : width(w), height(h), yStride(w + yPad), uvStride((w + 1) / 2 + uvPad),
          y(static_cast<std::size_t>(yStride) * h), u(static_cast<std::size_t>(uvStride) * ((h + 1) / 2)),
          v(u.size())
    {
    }
    void Randomize(unsigned seed)
    {
        std::mt19937 rng(seed);
        for (auto* plane : {&y, &u, &v})
            for (auto& b : *plane)
                b = static_cast<std::uint8_t>(rng());
    }
};

// 16-bit saturating arithmetic step by step, as the vector form does it.
std::uint8_t Sat8(int x)
{
    return static_cast<std::uint8_t>(std::clamp(x, 0, 255));
}
int Sat16(int x)
{
    return std::clamp(x, -32768, 32767);
}
void ReferencePixel(int Y, int U, int V, std::uint8_t* bgr)
{
    const int c = Y - 16;
    const int d = U - 128;
    const int e = V - 128;
    const int yc = 74 * c;
    bgr[0] = Sat8(Sat16(yc + 129 * d) >> 6);
    bgr[1] = Sat8(Sat16(yc - Sat16(25 * d + 52 * e)) >> 6);
    bgr[2] = Sat8(Sat16(yc + 102 * e) >> 6);
}

// The expected destination: starts as a copy of `dst` and changes only the
// pixels the conversion must write.
std::vector<std::uint8_t> Reference(const std::vector<std::uint8_t>& dst, int dstStride, const Planes& p,
                                    int width, int height)
{
    std::vector<std::uint8_t> out = dst;
    const bool flipped = height < 0;
    const int rows = flipped ? -height : height;
    for (int r = 0; r < rows / 2; ++r) {
        for (int k = 0; k < 2; ++k) {
            const int dstRow = 2 * r + k;
            const int srcRow = flipped ? rows - 1 - dstRow : dstRow;
            const int chromaRow = flipped ? rows / 2 - 1 - r : r;
            for (int x = 0; x < (width & ~7); ++x) {
                const int Y = p.y[static_cast<std::size_t>(srcRow) * p.yStride + x];
                const int U = p.u[static_cast<std::size_t>(chromaRow) * p.uvStride + x / 2];
                const int V = p.v[static_cast<std::size_t>(chromaRow) * p.uvStride + x / 2];
                ReferencePixel(Y, U, V, &out[(static_cast<std::size_t>(dstRow) * dstStride + x) * 3]);
            }
        }
    }
    return out;
}

const struct
{
    const char* name;
    Convert fn;
} kImplementations[] = {{"YuvToRgb24", &YuvToRgb24}, {"YuvToRgb24Portable", &YuvToRgb24Portable}};

TEST(YuvToRgb24Test, GivesTheDocumentedBytesForFlatColours)
{
    const struct
    {
        int y, u, v;
        std::uint8_t b, g, r;
    } cases[] = {
        {16, 128, 128, 0, 0, 0},        {235, 128, 128, 253, 253, 253}, {81, 90, 240, 0, 0, 253},
        {128, 128, 128, 129, 129, 129}, {255, 255, 255, 255, 123, 255}, {0, 0, 0, 0, 135, 0},
    };
    for (const auto& impl : kImplementations) {
        for (const auto& c : cases) {
            SCOPED_TRACE(::testing::Message() << impl.name << " Y " << c.y << " U " << c.u << " V " << c.v);
            // 32 columns reach the widest vector step as well as the narrow ones.
            Planes p(40, 2);
            std::fill(p.y.begin(), p.y.end(), c.y);
            std::fill(p.u.begin(), p.u.end(), c.u);
            std::fill(p.v.begin(), p.v.end(), c.v);
            std::vector<std::uint8_t> dst(40 * 2 * 3 + 1, 0x5A);
            impl.fn(dst.data(), 40, p.y.data(), p.u.data(), p.v.data(), p.yStride, p.uvStride, 40, 2);
            for (int i = 0; i < 80; ++i) {
                ASSERT_EQ(dst[i * 3 + 0], c.b) << "pixel " << i;
                ASSERT_EQ(dst[i * 3 + 1], c.g) << "pixel " << i;
                ASSERT_EQ(dst[i * 3 + 2], c.r) << "pixel " << i;
            }
            EXPECT_EQ(dst.back(), 0x5A) << "wrote past the picture";
        }
    }
}

// Every chroma pair against many luma values: U runs along the columns and V
// down the rows, so the sums that overflow 16 bits are all reached.
TEST(YuvToRgb24Test, MatchesTheReferenceOverAllChromaPairs)
{
    const int w = 512;
    const int h = 512;
    Planes p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.y[static_cast<std::size_t>(y) * w + x] = static_cast<std::uint8_t>(x * 7 + y * 13);
    for (int r = 0; r < h / 2; ++r)
        for (int c = 0; c < w / 2; ++c) {
            p.u[static_cast<std::size_t>(r) * p.uvStride + c] = static_cast<std::uint8_t>(c);
            p.v[static_cast<std::size_t>(r) * p.uvStride + c] = static_cast<std::uint8_t>(r);
        }
    const std::vector<std::uint8_t> blank(static_cast<std::size_t>(w) * h * 3, 0);
    const std::vector<std::uint8_t> expected = Reference(blank, w, p, w, h);
    for (const auto& impl : kImplementations) {
        std::vector<std::uint8_t> dst = blank;
        impl.fn(dst.data(), w, p.y.data(), p.u.data(), p.v.data(), p.yStride, p.uvStride, w, h);
        EXPECT_TRUE(dst == expected) << impl.name;
    }
}

// Sizes, strides and heights that leave parts of the destination alone.
TEST(YuvToRgb24Test, WritesOnlyWholeGroupsOfEightColumnsAndPairsOfRows)
{
    const struct
    {
        int width, height, dstStride, yPad, uvPad;
    } cases[] = {
        {720, 576, 720, 0, 0}, // the grid's full picture: 288 row pairs of 90 steps
        {704, 288, 704, 0, 0}, {8, 2, 8, 0, 0},     {24, 4, 24, 0, 0},
        {40, 6, 48, 8, 4},     {356, 6, 356, 0, 0}, // the last 4 columns stay
        {100, 5, 104, 12, 2},                       // the odd last row stays as well
        {16, -4, 16, 0, 0},                         // rows from source rows 3, 2, 1, 0
        {360, -10, 364, 4, 6}, {4, 4, 4, 0, 0},     {48, 1, 48, 0, 0},
    };
    for (const auto& c : cases) {
        const int rows = std::abs(c.height);
        Planes p(c.width, rows, c.yPad, c.uvPad);
        p.Randomize(static_cast<unsigned>(c.width * 31 + c.height));
        std::vector<std::uint8_t> before(static_cast<std::size_t>(c.dstStride) * rows * 3 + 1);
        std::mt19937 rng(99);
        for (auto& b : before)
            b = static_cast<std::uint8_t>(rng());
        const std::vector<std::uint8_t> expected = Reference(before, c.dstStride, p, c.width, c.height);
        for (const auto& impl : kImplementations) {
            SCOPED_TRACE(::testing::Message() << impl.name << " " << c.width << " x " << c.height);
            std::vector<std::uint8_t> dst = before;
            impl.fn(dst.data(), c.dstStride, p.y.data(), p.u.data(), p.v.data(), p.yStride, p.uvStride,
                    c.width, c.height);
            ASSERT_EQ(dst.size(), expected.size());
            std::size_t firstDiff = dst.size();
            for (std::size_t i = 0; i < dst.size() && firstDiff == dst.size(); ++i)
                if (dst[i] != expected[i])
                    firstDiff = i;
            EXPECT_EQ(firstDiff, dst.size()) << "first differing byte: pixel " << firstDiff / 3 << " of row "
                                             << firstDiff / 3 / c.dstStride;
        }
    }
}

TEST(YuvToRgb24Test, NegativeHeightTurnsThePictureUpsideDown)
{
    const int w = 16;
    Planes p(w, 4);
    p.Randomize(5);
    std::vector<std::uint8_t> upright(w * 4 * 3);
    std::vector<std::uint8_t> flipped(w * 4 * 3);
    YuvToRgb24(upright.data(), w, p.y.data(), p.u.data(), p.v.data(), w, w / 2, w, 4);
    YuvToRgb24(flipped.data(), w, p.y.data(), p.u.data(), p.v.data(), w, w / 2, w, -4);
    // Luma rows swap places; each chroma row still serves the same two luma
    // rows, so whole destination rows come out mirrored top to bottom.
    for (int row = 0; row < 4; ++row)
        EXPECT_TRUE(std::equal(flipped.begin() + row * w * 3, flipped.begin() + (row + 1) * w * 3,
                               upright.begin() + (3 - row) * w * 3))
            << "row " << row;
}

// An independent check of the coefficients and the byte order: libswscale's
// BT.601 limited-range conversion of flat 8 x 8 blocks (so chroma filtering
// plays no part) agrees within the rounding of 6 fraction bits.
TEST(YuvToRgb24Test, AgreesWithLibswscaleOnLegalColours)
{
    const int w = 256;
    const int h = 64;
    Planes p(w, h);
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> luma(16, 235);
    std::uniform_int_distribution<int> chroma(16, 240);
    for (int by = 0; by < h / 8; ++by)
        for (int bx = 0; bx < w / 8; ++bx) {
            const auto Y = static_cast<std::uint8_t>(luma(rng));
            const auto U = static_cast<std::uint8_t>(chroma(rng));
            const auto V = static_cast<std::uint8_t>(chroma(rng));
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x)
                    p.y[static_cast<std::size_t>(by * 8 + y) * w + bx * 8 + x] = Y;
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < 4; ++x) {
                    p.u[static_cast<std::size_t>(by * 4 + y) * p.uvStride + bx * 4 + x] = U;
                    p.v[static_cast<std::size_t>(by * 4 + y) * p.uvStride + bx * 4 + x] = V;
                }
        }
    std::vector<std::uint8_t> ours(static_cast<std::size_t>(w) * h * 3);
    YuvToRgb24(ours.data(), w, p.y.data(), p.u.data(), p.v.data(), w, p.uvStride, w, h);

    std::vector<std::uint8_t> theirs(ours.size());
    SwsContext* sws =
        sws_getContext(w, h, AV_PIX_FMT_YUV420P, w, h, AV_PIX_FMT_BGR24,
                       SWS_POINT | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr, nullptr);
    ASSERT_NE(sws, nullptr);
    const std::uint8_t* src[3] = {p.y.data(), p.u.data(), p.v.data()};
    const int srcStride[3] = {w, p.uvStride, p.uvStride};
    std::uint8_t* dst[1] = {theirs.data()};
    const int dstStride[1] = {w * 3};
    sws_scale(sws, src, srcStride, 0, h, dst, dstStride);
    sws_freeContext(sws);

    int worst = 0;
    // Block centres only: the edges of a block may see its neighbour's chroma
    // through the library's filters.
    for (int by = 0; by < h / 8; ++by)
        for (int bx = 0; bx < w / 8; ++bx)
            for (int y = 2; y < 6; ++y)
                for (int x = 2; x < 6; ++x)
                    for (int ch = 0; ch < 3; ++ch) {
                        const std::size_t i =
                            (static_cast<std::size_t>(by * 8 + y) * w + bx * 8 + x) * 3 + ch;
                        worst = std::max(worst, std::abs(int(ours[i]) - int(theirs[i])));
                    }
    EXPECT_LE(worst, 4);
}

} // namespace
