// Record settings of the simulator's setup image, set by name: the event
// settings, the plain, schedule and days blocks, the weekly schedule, the
// mode ranking, the audio inputs and the camera switches. Multi-byte fields
// go big-endian, as the recorder sends them; any byte may be given out of
// its range, as a faulty recorder would.
#pragma once

#include "SimSetup.h"

#include <array>
#include <cstdint>

namespace k5sim {

namespace recoff {
constexpr std::size_t VideoStandard = 2;
constexpr std::size_t EventMode = 644, EventSwitchA = 645, EventSwitchB = 646, EventModeValue = 647;
constexpr std::size_t PreEvent = 648, PostEvent = 650, EventListChoice = 652; // 16-bit at 648, 650
constexpr std::size_t PlainRate = 656, PlainAudio = 672, ScheduleRate = 2352, ScheduleAudio = 2368;
constexpr std::size_t MotionRate = 720, MotionResolution = 4076;
constexpr std::size_t WeeklySchedule = 2384, DaysRecordOn = 2616, DaysAudio = 2632, DaysValue = 2648;
constexpr std::size_t RecordModeRank = 2652;
constexpr std::size_t PlainResolution = 4044, ScheduleResolution = 4092, DaysResolution = 4124;
constexpr std::size_t NonEventRate = 4453, RecordConfigMode = 4456, EventListChoiceB = 4517; // 32-bit at 4456
constexpr std::size_t CameraEnable = 6776, AudioInputChannel = 6988;
} // namespace recoff

struct SimRecordSettings
{
    using Channels = std::array<std::uint8_t, 16>;
    std::uint8_t videoStandard = 0;
    std::uint8_t eventMode = 1, eventSwitchA = 1, eventSwitchB = 1, eventModeValue = 3;
    std::uint16_t preEvent = 10, postEvent = 30;
    std::uint8_t eventListChoice = 0;
    std::array<std::uint8_t, 3> nonEventRate{{1, 2, 3}};
    std::uint32_t recordConfigMode = 0;
    std::uint8_t eventListChoiceB = 0;
    Channels plainRate{}, plainAudio{}, plainResolution{};
    Channels scheduleRate{}, scheduleAudio{}, scheduleResolution{};
    Channels motionRate{}, motionResolution{};
    Channels daysRecordOn{}, daysAudio{}, daysResolution{};
    std::uint8_t days = 30;
    std::array<std::uint8_t, 5> rank{{0, 1, 2, 3, 6}};
    std::array<std::uint8_t, 7 * 24> schedule{};
    Channels cameraEnable{};
    std::array<std::uint8_t, 4> audioInputs{{0, 1, 2, 3}};

    // Plausible settings of a recorder with `channels` channels: every block
    // at CIF with the even share of the NTSC budget, audio on channel 0,
    // recording on weekdays from 8 to 18.
    static SimRecordSettings Plausible(int channels);
};

void SetRecordSettings(SimSetup& setup, const SimRecordSettings& settings);

} // namespace k5sim
