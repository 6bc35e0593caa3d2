#include "setup/record/Sensitivity.h"

#include "setup/record/ResIdsSensorPages.h"

#include <algorithm>

namespace Sensitivity {

int PositionOf(std::uint8_t stored)
{
    return std::clamp(kMaxPos - static_cast<int>(stored), kMinPos, kMaxPos);
}

int TextIdOf(int position)
{
    switch (position) {
    case 1:
        return IDS_SENSITIVITY_FIRST + 2;
    case 2:
        return IDS_SENSITIVITY_FIRST + 1;
    case 3:
        return IDS_SENSITIVITY_FIRST;
    default:
        return 0;
    }
}

Drag DragTo(int p)
{
    const int q = std::clamp(p, kMinPos, kMaxPos - 1);
    Drag d;
    d.stored = static_cast<std::uint8_t>(2 - q);
    d.thumb = q + 1;
    d.textId = TextIdOf(d.thumb);
    return d;
}

} // namespace Sensitivity
