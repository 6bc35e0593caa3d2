#include "ui/PickerLayout.h"

#include <algorithm>

namespace {

PickerPiece Piece(int l, int t, int r, int b, bool stretch)
{
    PickerPiece p;
    p.left = l;
    p.top = t;
    p.right = r;
    p.bottom = b;
    p.stretch = stretch;
    return p;
}

PickerStrip Strip(int left, int right, int top)
{
    const int bottom = top + kPickerRowHeight;
    return {Piece(left, top, left + 5, bottom, false), Piece(left + 5, top, right - 6, bottom, true),
            Piece(right - 6, top, right, bottom, false)};
}

} // namespace

std::array<PickerPiece, 9> PickerFramePieces(int w, int h)
{
    const int b = kPickerBorder;
    return {Piece(0, 0, b, b, false),
            Piece(b, 0, w - b, b, true),
            Piece(w - b, 0, w, b, false),
            Piece(0, b, b, h + b, true),
            Piece(b, b, w - b, h + b, true),
            Piece(w - b, b, w, h + b, true),
            Piece(0, h + b, b, h + 2 * b, false),
            Piece(b, h + b, w - b, h + 2 * b, true),
            Piece(w - b, h + b, w, h + 2 * b, false)};
}

int ClampPickerWidth(int width)
{
    return std::clamp(width, kPickerMinWidth, kPickerMaxWidth);
}

int ListPickerShownCount(int count)
{
    return std::clamp(count, 0, kListPickerMaxCells);
}

int ListPickerRows(int shown, int nColumnsMode)
{
    shown = ListPickerShownCount(shown);
    if (nColumnsMode == 0)
        return shown;
    return shown / 4 + (shown % 4 != 0 ? 1 : 0);
}

PickerStrip ListPickerStripRect(int i, int w, int nColumnsMode)
{
    if (nColumnsMode == 0)
        return Strip(5, w - 5, 5 + kPickerRowHeight * i);
    const int g = (w - 13) / 4;
    const int c = i % 4;
    const int r = i / 4;
    const int h = (g + 1) * c;
    // Left cap h+5..h+10, middle to h+g-1, right cap to h+g+5.
    return Strip(h + 5, h + g + 5, 5 + kPickerRowHeight * r);
}

QRect ListPickerCellRect(int i, int w, int nColumnsMode)
{
    if (nColumnsMode == 0)
        return QRect(w / 4, 9 + kPickerRowHeight * i, w * 5 / 8, 14);
    const int g = (w - 13) / 4;
    const int c = i % 4;
    const int r = i / 4;
    return QRect((g + 1) * c + 13, kPickerRowHeight * r + 9, g - 16, 14);
}

QPoint PickerPlacement(const PickerRect& anchor, int clickX, int clickY, int w, int totalHeight,
                       const QRect& screen)
{
    // Wide enough arithmetic: the anchor comes from the caller's record.
    long long x = static_cast<long long>(clickX) + anchor.left - w / 2 + 1;
    long long y = static_cast<long long>(clickY) + anchor.top + 1;
    if (!screen.isEmpty()) {
        x = std::min<long long>(x, static_cast<long long>(screen.left()) + screen.width() - w);
        x = std::max<long long>(x, screen.left());
        y = std::min<long long>(y, static_cast<long long>(screen.top()) + screen.height() - totalHeight);
        y = std::max<long long>(y, screen.top());
    }
    x = std::clamp<long long>(x, -1000000, 1000000);
    y = std::clamp<long long>(y, -1000000, 1000000);
    return QPoint(static_cast<int>(x), static_cast<int>(y));
}

int SliderPickerShownRows(int count)
{
    return std::clamp(count, 0, kSliderPickerMaxRows);
}

std::array<PickerStrip, 2> SliderPickerStrips(int i, int w, bool bTimeMode, int* pStripCount)
{
    const int top = 5 + kPickerRowHeight * i;
    if (!bTimeMode) {
        if (pStripCount)
            *pStripCount = 1;
        return {Strip(5, w - 5, top), PickerStrip{}};
    }
    if (pStripCount)
        *pStripCount = 2;
    // Name part 5-71 (middle 10-65), slider part 73 to w-5.
    PickerStrip name = {Piece(5, top, 10, top + kPickerRowHeight, false),
                        Piece(10, top, 65, top + kPickerRowHeight, true),
                        Piece(65, top, 71, top + kPickerRowHeight, false)};
    return {name, Strip(73, w - 5, top)};
}

QRect SliderPickerNameRect(int i)
{
    return QRect(18, 9 + kPickerRowHeight * i, 44, 14);
}

QRect SliderPickerValueRect(int i, bool bTimeMode)
{
    return bTimeMode ? QRect(313, 9 + kPickerRowHeight * i, 32, 14)
                     : QRect(278, 9 + kPickerRowHeight * i, 37, 14);
}

QRect SliderPickerSliderRect(int i, bool bTimeMode)
{
    return QRect(bTimeMode ? 110 : 40, 10 + kPickerRowHeight * i, 190, 9);
}

int SliderPickerMinus(int pos, int minimum)
{
    return pos <= minimum ? minimum : pos - 1;
}

int SliderPickerPlus(int pos, int maximum)
{
    return pos >= maximum ? maximum : pos + 1;
}
