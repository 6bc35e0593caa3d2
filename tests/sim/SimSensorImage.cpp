#include "SimSensorImage.h"

namespace k5sim {

void ServeSensorPageFields(SimSetup& setup, std::uint32_t recordConfigMode)
{
    using namespace sensorimage;
    setup.SetBE32(kRecordConfigMode, recordConfigMode);
    for (int s = 0; s < 16; ++s) {
        for (int k = 0; k < 4; ++k) {
            // Sensor s names camera s + 1 in its first entry only.
            setup.SetByte(kPresetCamera + 4 * s + k, static_cast<std::uint8_t>(k == 0 ? s % 16 + 1 : 0));
            setup.SetByte(kPresetAction + 4 * s + k, static_cast<std::uint8_t>(k % 3));
            setup.SetBE16(kPresetNumber + 8 * s + 2 * k, PresetNumber(s, k));
        }
    }
    for (int s = 0; s < 4; ++s)
        for (int ch = 0; ch < 16; ++ch)
            setup.SetByte(kSensorLink + 16 * s + ch, static_cast<std::uint8_t>((s + ch) % 2));
    // A value other than 0 and 1: shown as Off, kept until pressed.
    setup.SetByte(kSensorLink + 16 * 2 + 1, 7);
    for (int ch = 0; ch < 16; ++ch) {
        const std::size_t block = kMotionGrid + 99 * static_cast<std::size_t>(ch);
        for (int r = 0; r < 9; ++r) {
            for (int c = 0; c < 11; ++c) {
                std::uint8_t v = CellValue(ch, r, c);
                if (c == 10)
                    v = ColumnMarker(ch);
                else if (r == 8)
                    v = RowMarker(ch);
                setup.SetByte(block + 11 * static_cast<std::size_t>(r) + static_cast<std::size_t>(c), v);
            }
        }
    }
}

} // namespace k5sim
