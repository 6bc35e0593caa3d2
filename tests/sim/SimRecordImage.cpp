#include "SimRecordImage.h"

#include <algorithm>

namespace k5sim {

SimRecordSettings SimRecordSettings::Plausible(int channels)
{
    SimRecordSettings s;
    const int n = std::clamp(channels, 1, 16);
    // 240 CIF frames a second shared evenly, at most 30 each.
    const int share = std::min(30, 240 / n);
    for (int ch = 0; ch < 16; ++ch) {
        const bool shown = ch < n;
        for (auto* block : {&s.plainRate, &s.scheduleRate, &s.motionRate})
            (*block)[ch] = static_cast<std::uint8_t>(shown ? share : 0);
        for (auto* block :
             {&s.plainResolution, &s.scheduleResolution, &s.motionResolution, &s.daysResolution})
            (*block)[ch] = 2;
        s.daysRecordOn[ch] = shown ? 1 : 0;
        s.cameraEnable[ch] = 1;
    }
    s.plainAudio[0] = 1;
    s.scheduleAudio[0] = 1;
    s.daysAudio[0] = 1;
    for (int day = 1; day <= 5; ++day)
        for (int hour = 8; hour < 18; ++hour)
            s.schedule[static_cast<std::size_t>(day * 24 + hour)] = 1;
    return s;
}

void SetRecordSettings(SimSetup& setup, const SimRecordSettings& s)
{
    using namespace recoff;
    auto channels = [&setup](std::size_t offset, const SimRecordSettings::Channels& v) {
        for (std::size_t i = 0; i < v.size(); ++i)
            setup.SetByte(offset + i, v[i]);
    };
    setup.SetByte(VideoStandard, s.videoStandard);
    setup.SetByte(EventMode, s.eventMode);
    setup.SetByte(EventSwitchA, s.eventSwitchA);
    setup.SetByte(EventSwitchB, s.eventSwitchB);
    setup.SetByte(EventModeValue, s.eventModeValue);
    setup.SetBE16(PreEvent, s.preEvent);
    setup.SetBE16(PostEvent, s.postEvent);
    setup.SetByte(EventListChoice, s.eventListChoice);
    for (std::size_t i = 0; i < 3; ++i)
        setup.SetByte(NonEventRate + i, s.nonEventRate[i]);
    setup.SetBE32(RecordConfigMode, s.recordConfigMode);
    setup.SetByte(EventListChoiceB, s.eventListChoiceB);
    channels(PlainRate, s.plainRate);
    channels(PlainAudio, s.plainAudio);
    channels(PlainResolution, s.plainResolution);
    channels(ScheduleRate, s.scheduleRate);
    channels(ScheduleAudio, s.scheduleAudio);
    channels(ScheduleResolution, s.scheduleResolution);
    channels(MotionRate, s.motionRate);
    channels(MotionResolution, s.motionResolution);
    channels(DaysRecordOn, s.daysRecordOn);
    channels(DaysAudio, s.daysAudio);
    channels(DaysResolution, s.daysResolution);
    setup.SetByte(DaysValue, s.days);
    for (std::size_t i = 0; i < s.rank.size(); ++i)
        setup.SetByte(RecordModeRank + i, s.rank[i]);
    for (std::size_t i = 0; i < s.schedule.size(); ++i)
        setup.SetByte(WeeklySchedule + i, s.schedule[i]);
    channels(CameraEnable, s.cameraEnable);
    for (std::size_t i = 0; i < s.audioInputs.size(); ++i)
        setup.SetByte(AudioInputChannel + i, s.audioInputs[i]);
}

} // namespace k5sim
