#include "setup/record/AlarmPreset.h"

#include <algorithm>

namespace AlarmPreset {

namespace {
int Clamp(int v, int hi)
{
    return std::clamp(v, 0, hi);
}
} // namespace

bool Extended(const RecorderCaps& caps, SetupVersion version)
{
    return caps.subProductMajor == 6 && version.AtLeast(5, 2);
}

std::uint16_t ParsePreset(const QString& text)
{
    // Only the digits of a number 1-999 count; a long run of digits is not
    // read past what could still be in range.
    const QString t = text.trimmed();
    qsizetype first = 0;
    while (first < t.size() && t[first] == QLatin1Char('0'))
        ++first;
    const QString digits = t.mid(first);
    if (t.isEmpty() || digits.size() > 3)
        return kMinPreset;
    int value = 0;
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return kMinPreset;
        value = value * 10 + (c.unicode() - '0');
    }
    if (value < kMinPreset || value > kMaxPreset)
        return kMinPreset;
    return static_cast<std::uint16_t>(value);
}

std::uint32_t CameraOffset(int s, int k)
{
    return SetupDb::PresetCamera.At(static_cast<std::uint32_t>(Clamp(s, kSensors - 1))) +
           static_cast<std::uint32_t>(Clamp(k, kEntries - 1));
}

std::uint32_t ActionOffset(int s, int k)
{
    return SetupDb::PresetAction.At(static_cast<std::uint32_t>(Clamp(s, kSensors - 1))) +
           static_cast<std::uint32_t>(Clamp(k, kEntries - 1));
}

std::uint32_t NumberOffset(int s, int k)
{
    return SetupDb::PresetNumber.At(
        static_cast<std::uint32_t>(Clamp(s, kSensors - 1) * kEntries + Clamp(k, kEntries - 1)));
}

bool CameraRefused(const ImageRef& image, int s, int k, int camera)
{
    if (camera <= 0)
        return false;
    for (int other = 0; other < kEntries; ++other)
        if (other != k && image.U8(CameraOffset(s, other)) == camera)
            return true;
    return false;
}

} // namespace AlarmPreset
