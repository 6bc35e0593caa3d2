// The rules of the preset-on-alarm table without its widgets: which form a
// recorder gets, what a typed preset number stores and which camera picks an
// entry refuses. Sensor s (0-15) has four entries k (0-3).
#pragma once

#include "setup/RecorderCaps.h"
#include "setup/SetupImage.h"

#include <QString>
#include <cstdint>

namespace AlarmPreset {

constexpr int kEntries = 4;
constexpr int kSensors = 16;
constexpr int kMinPreset = 1;
constexpr int kMaxPreset = 999;

// The extended form (row labels, a third action): sub product 6 recorders
// with an image of format 5.2 or later.
bool Extended(const RecorderCaps& caps, SetupVersion version);

// A typed preset number: the decimal number 1-999 it spells, anything else
// (empty, 0, out of range, too many digits, not a number) 1.
std::uint16_t ParsePreset(const QString& text);

// Picking camera `camera` for entry k of sensor s is refused when another
// entry of the sensor already holds it; "no camera" (0) never is.
bool CameraRefused(const ImageRef& image, int s, int k, int camera);

// Image offsets of entry k of sensor s.
std::uint32_t CameraOffset(int s, int k);
std::uint32_t ActionOffset(int s, int k);
std::uint32_t NumberOffset(int s, int k);

} // namespace AlarmPreset
