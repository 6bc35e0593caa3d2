// The demo recorder's setup image: a whole configuration an installed
// recorder of a given kind might hold, so that every page of the setup
// window opens on sensible values - named cameras and accounts, frame rates
// within each record block's budget, office-hours schedules, mail texts, PTZ
// settings, sensor links, presets and motion areas. Built field by field from
// the client's named offsets, so it follows the layout the pages read.
#pragma once

#include "RecorderSim.h"

#include <cstdint>
#include <string>

namespace k5sim {

struct DemoSetupKind
{
    int channels = 16;    // 4, 8 or 16; any other count is taken as 16
    int subMajor = 0;     // the hello's sub product major (3 and 4 keep four-value schedules, 4 a
                          // second motion rate set, 6 record profiles and four audio inputs)
    int versionMajor = 4; // the image's format version
    int versionMinor = 6;
    int videoStandard = 0; // 0 NTSC (budget 240), 1 PAL (budget 200)
    std::size_t size = 7000;
    // Account 0, the one the demo logs in with (a password of digits).
    std::string user = "admin";
    std::string password = "1234";
    // The recorder's clock (its local wall-clock seconds); the summer-time
    // rule's dates are those of its year.
    std::uint32_t recorderTime = 1735732800; // 1 January 2025, 12:00
};

// The image in network order, `kind.size` bytes (at least the bytes the
// client uses).
Bytes PlausibleSetupImage(const DemoSetupKind& kind);

// The name the demo image gives camera `channel` (0-15).
std::string DemoCameraName(int channel);

} // namespace k5sim
