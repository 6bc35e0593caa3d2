// Setup image recipes for the sensor and motion record sub-pages: preset
// tables (numbers big-endian as on the wire), sensor links with a stray
// value, and motion grids whose used cells hold 0, 1 and 2 and whose unused
// column 10 and row 8 carry markers a client must never touch.
#pragma once

#include "SimSetup.h"

#include <cstddef>
#include <cstdint>

namespace k5sim {

namespace sensorimage {
constexpr std::size_t kSensorLink = 6208;
constexpr std::size_t kPresetCamera = 6272;
constexpr std::size_t kPresetAction = 6336;
constexpr std::size_t kPresetNumber = 6400;
constexpr std::size_t kMotionGrid = 768;
constexpr std::size_t kRecordConfigMode = 4456;
// The marker of channel ch in its unused column 10 and row 8.
constexpr std::uint8_t ColumnMarker(int ch)
{
    return static_cast<std::uint8_t>(0xC0 + ch);
}
constexpr std::uint8_t RowMarker(int ch)
{
    return static_cast<std::uint8_t>(0xE0 + ch);
}
// What the recipe puts in used cell (r, c) of channel ch: 0, 1 or 2.
constexpr std::uint8_t CellValue(int ch, int r, int c)
{
    return static_cast<std::uint8_t>((ch + r * 3 + c) % 3);
}
// Preset number of entry k of sensor s.
constexpr std::uint16_t PresetNumber(int s, int k)
{
    return static_cast<std::uint16_t>(100 + 4 * s + k);
}
} // namespace sensorimage

// Writes the recipe into the served image; `recordConfigMode` goes big-endian
// into its u32.
void ServeSensorPageFields(SimSetup& setup, std::uint32_t recordConfigMode = 0);

} // namespace k5sim
