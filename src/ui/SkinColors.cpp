#include "ui/SkinColors.h"

namespace SkinColor {

namespace {
constexpr COLORREF ToRef(unsigned rgb)
{
    return RGB(static_cast<int>((rgb >> 16) & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
               static_cast<int>(rgb & 0xFF));
}
} // namespace

COLORREF WindowText()
{
    return ToRef(kText);
}
COLORREF ButtonFace()
{
    return ToRef(kSurface);
}
COLORREF ButtonText()
{
    return ToRef(kText);
}
COLORREF Window()
{
    return ToRef(0xeef0f3);
}
COLORREF Highlight()
{
    return ToRef(kAccent);
}
COLORREF HighlightText()
{
    return ToRef(0xffffff);
}
COLORREF Hilite3D()
{
    return ToRef(kHilite);
}
COLORREF GrayText()
{
    return ToRef(kDisabled);
}
COLORREF EditBack()
{
    return ToRef(0xffffff);
}

} // namespace SkinColor
