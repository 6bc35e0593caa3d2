// The motion sensitivity of a channel as its four-position slider shows it:
// stored 0, 1, 2, 3 sit at positions 3, 2, 1, 0; a drag stores the level of
// the position it reached and leaves the thumb one step further right.
#pragma once

#include <cstdint>

namespace Sensitivity {

constexpr int kMinPos = 0;
constexpr int kMaxPos = 3;

// The slider position of a stored value (values above 3 clamp to 0).
int PositionOf(std::uint8_t stored);
// The level text shown at a slider position: 5204-5206, or 0 (empty).
int TextIdOf(int position);

struct Drag
{
    std::uint8_t stored; // 0-2
    int thumb;           // 1-3
    int textId;          // 5204-5206
};
// A drag of the slider to position p. The top position has no level of its
// own: it counts as the highest (stored 0), so no value outside 0-3 is ever
// written.
Drag DragTo(int p);

} // namespace Sensitivity
