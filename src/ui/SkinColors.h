// The colours the kit paints with where no skin bitmap decides: the one look
// of the client (dark graphite surfaces, one accent colour, light text), in
// the roles the controls were designed around.
#pragma once

#include "platform/Types.h"

#include <QColor>

namespace SkinColor {

// The skin's palette (screen order, 0xRRGGBB), the same values the skin
// bitmaps are drawn with.
constexpr unsigned kWindow = 0x16181c;
constexpr unsigned kSurface = 0x23262c;
constexpr unsigned kRaised = 0x2e3239;
constexpr unsigned kSunken = 0x121418;
constexpr unsigned kEdge = 0x3d424b;
constexpr unsigned kHilite = 0x4a505a;
constexpr unsigned kAccent = 0x2f9bff;
constexpr unsigned kAccentDim = 0x1f5f9a;
constexpr unsigned kText = 0xe6e8eb;
constexpr unsigned kTextDim = 0x9aa0a8;
constexpr unsigned kDisabled = 0x5a5f68;

inline QColor Of(unsigned rgb)
{
    return QColor::fromRgb(0xff000000u | rgb);
}

// Roles of the platform's system colours, as COLORREF values (0x00BBGGRR) so
// they can sit in the COLORREF members the owners read and write.
COLORREF WindowText(); // text of labels and list rows before the owner sets one
COLORREF ButtonFace(); // a control's own background when it has no bitmap
COLORREF ButtonText(); // check box captions
COLORREF Window();     // list rows and fields: the light data surface
COLORREF Highlight();  // selected list rows
COLORREF HighlightText();
COLORREF Hilite3D(); // the raised part of a disabled caption
COLORREF GrayText(); // disabled captions
COLORREF EditBack(); // edit boxes keep a white background

} // namespace SkinColor
