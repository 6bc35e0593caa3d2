// Where each field of the recorder's setup image lies: offset, width of one
// element, element count and, for arrays of records, the stride. Pages
// address the image only through these names. The image stays a flat byte
// array; its multi-byte fields are in host order while the setup window is
// open (SetupImage.h converts them).
#pragma once

#include <cstddef>
#include <cstdint>

namespace SetupDb {

inline constexpr std::size_t kImageSize = 8176;
inline constexpr int kChannels = 16;

struct Field
{
    std::uint32_t offset;
    std::uint32_t width; // bytes of one element (1, 2, 4, or a text slot)
    std::uint32_t count; // elements
    constexpr std::uint32_t Size() const { return width * count; }
    constexpr std::uint32_t End() const { return offset + Size(); }
    constexpr std::uint32_t At(std::uint32_t i) const { return offset + width * i; }
};

// --- Header -----------------------------------------------------------------
inline constexpr Field VersionMajor{0, 1, 1};
inline constexpr Field VersionMinor{1, 1, 1};
inline constexpr Field VideoStandard{2, 1, 1};
inline constexpr Field DeviceNumber{3, 1, 1};
inline constexpr Field RecorderTime{4, 4, 1};

// --- Display pages ----------------------------------------------------------
inline constexpr Field Hue{8, 1, 16};
inline constexpr Field Saturation{24, 1, 16};
inline constexpr Field Contrast{40, 1, 16};
inline constexpr Field Brightness{56, 1, 16};
inline constexpr Field Covert{72, 1, 16};
inline constexpr Field CameraName{88, 32, 16};
inline constexpr Field SpotMode{600, 1, 1};
inline constexpr Field SpotDwell{604, 1, 16};
inline constexpr Field SpotEvent{620, 1, 16};
inline constexpr Field OsdChoiceA{636, 1, 1};
inline constexpr Field OsdSwitchA{637, 1, 1};
inline constexpr Field OsdSwitchB{638, 1, 1};
inline constexpr Field OsdNumber{639, 1, 1};
inline constexpr Field OsdChoiceB{6536, 1, 1};
inline constexpr Field OsdMinutesA{6537, 1, 1};
inline constexpr Field OsdMinutesB{6538, 1, 1};
inline constexpr Field CameraEnable{6776, 1, 16};

// --- Record pages -----------------------------------------------------------
inline constexpr Field EventMode{644, 1, 1};
inline constexpr Field EventSwitchA{645, 1, 1};
inline constexpr Field EventSwitchB{646, 1, 1};
inline constexpr Field EventModeValue{647, 1, 1};
inline constexpr Field PreEventDuration{648, 2, 1};
inline constexpr Field PostEventDuration{650, 2, 1};
inline constexpr Field EventListChoice{652, 1, 1};
inline constexpr Field PlainRate{656, 1, 16};
inline constexpr Field PlainAudio{672, 1, 16};
inline constexpr Field SensorRate{688, 1, 16};
inline constexpr Field SensorAudio{704, 1, 16};
inline constexpr Field MotionRate{720, 1, 16};
inline constexpr Field MotionAudio{736, 1, 16};
inline constexpr Field MotionSensitivity{752, 1, 16};
inline constexpr Field MotionGrid{768, 99, 16}; // cell (row, col) at ch x 99 + row x 11 + col
inline constexpr Field ScheduleRate{2352, 1, 16};
inline constexpr Field ScheduleAudio{2368, 1, 16};
inline constexpr Field WeeklySchedule{2384, 24, 7}; // day x 24 + hour
inline constexpr Field SensitivityRate{2552, 1, 16};
inline constexpr Field SensitivityAudio{2568, 1, 16};
inline constexpr Field SensitivitySensitivity{2584, 1, 16};
inline constexpr Field DaysRecordOn{2616, 1, 16};
inline constexpr Field DaysAudio{2632, 1, 16};
inline constexpr Field DaysValue{2648, 1, 1};
inline constexpr Field RecordModeRank{2652, 1, 5};
inline constexpr Field PlainResolution{4044, 1, 16};
inline constexpr Field SensorResolution{4060, 1, 16};
inline constexpr Field MotionResolution{4076, 1, 16};
inline constexpr Field ScheduleResolution{4092, 1, 16};
inline constexpr Field SensitivityResolution{4108, 1, 16};
inline constexpr Field DaysResolution{4124, 1, 16};
inline constexpr Field NonEventRate{4453, 1, 3};
inline constexpr Field RecordConfigMode{4456, 4, 1};
inline constexpr Field EventListChoiceB{4517, 1, 1};
inline constexpr Field RegionLeft{4520, 1, 16};
inline constexpr Field RegionRight{4536, 1, 16};
inline constexpr Field RegionTop{4552, 1, 16};
inline constexpr Field RegionBottom{4568, 1, 16};
inline constexpr Field SensorLink{6208, 16, 4};   // sensor k, channel c at 16k + c
inline constexpr Field PresetCamera{6272, 4, 16}; // sensor s, entry e at 4s + e
inline constexpr Field PresetAction{6336, 4, 16};
inline constexpr Field PresetNumber{6400, 2, 64}; // 16-bit, entry 4s + e
inline constexpr Field ProfileSensorFlag{6792, 1, 4};
inline constexpr Field ProfileResolution{6796, 16, 4}; // profile k, channel c at 16k + c
inline constexpr Field ProfileRate{6860, 16, 4};
inline constexpr Field ProfileAudio{6924, 16, 4};
inline constexpr Field AudioInputChannel{6988, 1, 4};

// --- Event pages ------------------------------------------------------------
inline constexpr Field MailAddress{3512, 128, 4};
inline constexpr Field MailMode{4024, 1, 1};
inline constexpr Field NotifyOnEvent{4028, 1, 4};
inline constexpr Field ActionAOnEvent{4032, 1, 4};
inline constexpr Field ActionBOnEvent{4036, 1, 4};
inline constexpr Field SmtpId{4224, 32, 1};
inline constexpr Field SmtpPassword{4256, 64, 1};
inline constexpr Field ActionADuration{4460, 4, 1};
inline constexpr Field ActionBDuration{4464, 4, 1};
inline constexpr Field NotifyOnEventExt{6531, 1, 1};
inline constexpr Field ActionAOnEventExt{6532, 1, 1};
inline constexpr Field ActionBOnEventExt{6533, 1, 1};
inline constexpr Field ActionBExtraRow{6612, 1, 1};
inline constexpr Field MailTime1{6744, 1, 3};
inline constexpr Field MailTime2{6747, 1, 3};
inline constexpr Field MailTime3{6750, 1, 3};
inline constexpr Field MailDay{6753, 1, 1};
inline constexpr Field MailTime4{6754, 1, 3};
inline constexpr Field MailImageAttach{6760, 1, 16};
// The payload of SEND_TEST_MAIL_REQ: bytes 3512-4027.
inline constexpr Field TestMailPayload{3512, 1, 516};

// --- System, time and PTZ pages -----------------------------------------------
inline constexpr Field Language{2660, 1, 1};
inline constexpr Field DateFormat{2661, 1, 1};
inline constexpr Field BasicState{2668, 1, 1};
inline constexpr Field SensorKind{3088, 1, 16};
inline constexpr Field AutoDeleteDays{3104, 1, 1};
inline constexpr Field PtzId{3108, 1, 16};
inline constexpr Field PtzProtocol{3124, 1, 16};
inline constexpr Field PtzBaud{3140, 1, 16};
inline constexpr Field KeyboardId{3156, 1, 16};
inline constexpr Field KeyboardProtocol{3172, 1, 16};
inline constexpr Field KeyboardBaud{3188, 1, 16};
inline constexpr Field DstMode{3204, 1, 1};
inline constexpr Field DstRuleForm{3205, 1, 1};
inline constexpr Field DstStart{3206, 1, 6};
inline constexpr Field DstEnd{3212, 1, 6};
inline constexpr Field DstOffsetHours{3218, 1, 1};
inline constexpr Field DstOffsetMinutes{3219, 1, 1};
inline constexpr Field DstConfirm{3220, 1, 1};
inline constexpr Field TimeZoneIndex{4140, 1, 1};
inline constexpr Field NtpEnable{4141, 1, 1};
inline constexpr Field NtpServerChoice{4144, 1, 1};
inline constexpr Field NtpServerFixedName{4148, 32, 1};
inline constexpr Field NtpServerAddress{4180, 1, 4};
inline constexpr Field NtpServerName{4184, 32, 1};
inline constexpr Field PanLow{4320, 2, 16};
inline constexpr Field PanHigh{4352, 2, 16};
inline constexpr Field TiltLow{4384, 2, 16};
inline constexpr Field TiltHigh{4416, 2, 16};
inline constexpr Field EtcChoiceC{4516, 1, 1};
inline constexpr Field EtcChoiceA{4518, 1, 1};
inline constexpr Field EtcChoiceB{4519, 1, 1};
inline constexpr Field BasicChannelFlag{4584, 1, 16};
inline constexpr Field UserRight{5624, 8, 8}; // right array k, user u at 8k + u
inline constexpr Field UserLevel{5688, 1, 8};
inline constexpr Field UserName{5696, 32, 8};
inline constexpr Field UserPassword{5952, 32, 8};
inline constexpr Field SmartEnable{6528, 1, 1};
inline constexpr Field SmartValue{6529, 1, 1};
inline constexpr Field SmartOption{6530, 1, 1};
inline constexpr Field ArchiveLogPassword{6540, 32, 1};
inline constexpr Field UserLogoutA{6596, 1, 8};
inline constexpr Field UserLogoutB{6604, 1, 8};
inline constexpr Field Rs485Use{6613, 1, 1};
inline constexpr Field UserLiveChannel{6616, 16, 8}; // user u, channel c at 16u + c

// --- Converted, otherwise untouched -----------------------------------------
inline constexpr Field Reserved3504{3504, 4, 1};
inline constexpr Field Reserved3508{3508, 4, 1};
inline constexpr Field Reserved4216{4216, 2, 1};
inline constexpr Field Reserved4218{4218, 2, 1};
inline constexpr Field Reserved4448{4448, 4, 1};
inline constexpr Field Reserved4600{4600, 2, 512};

// The highest byte the client uses, plus one.
inline constexpr std::uint32_t kUsedEnd = 6992;

// Every named field once, for the layout checks below and in the tests.
// The test-mail payload overlaps the mail fields by design and is left out.
inline constexpr Field kAllFields[] = {VersionMajor,
                                       VersionMinor,
                                       VideoStandard,
                                       DeviceNumber,
                                       RecorderTime,
                                       Hue,
                                       Saturation,
                                       Contrast,
                                       Brightness,
                                       Covert,
                                       CameraName,
                                       SpotMode,
                                       SpotDwell,
                                       SpotEvent,
                                       OsdChoiceA,
                                       OsdSwitchA,
                                       OsdSwitchB,
                                       OsdNumber,
                                       EventMode,
                                       EventSwitchA,
                                       EventSwitchB,
                                       EventModeValue,
                                       PreEventDuration,
                                       PostEventDuration,
                                       EventListChoice,
                                       PlainRate,
                                       PlainAudio,
                                       SensorRate,
                                       SensorAudio,
                                       MotionRate,
                                       MotionAudio,
                                       MotionSensitivity,
                                       MotionGrid,
                                       ScheduleRate,
                                       ScheduleAudio,
                                       WeeklySchedule,
                                       SensitivityRate,
                                       SensitivityAudio,
                                       SensitivitySensitivity,
                                       DaysRecordOn,
                                       DaysAudio,
                                       DaysValue,
                                       RecordModeRank,
                                       Language,
                                       DateFormat,
                                       BasicState,
                                       SensorKind,
                                       AutoDeleteDays,
                                       PtzId,
                                       PtzProtocol,
                                       PtzBaud,
                                       KeyboardId,
                                       KeyboardProtocol,
                                       KeyboardBaud,
                                       DstMode,
                                       DstRuleForm,
                                       DstStart,
                                       DstEnd,
                                       DstOffsetHours,
                                       DstOffsetMinutes,
                                       DstConfirm,
                                       Reserved3504,
                                       Reserved3508,
                                       MailAddress,
                                       MailMode,
                                       NotifyOnEvent,
                                       ActionAOnEvent,
                                       ActionBOnEvent,
                                       PlainResolution,
                                       SensorResolution,
                                       MotionResolution,
                                       ScheduleResolution,
                                       SensitivityResolution,
                                       DaysResolution,
                                       TimeZoneIndex,
                                       NtpEnable,
                                       NtpServerChoice,
                                       NtpServerFixedName,
                                       NtpServerAddress,
                                       NtpServerName,
                                       Reserved4216,
                                       Reserved4218,
                                       SmtpId,
                                       SmtpPassword,
                                       PanLow,
                                       PanHigh,
                                       TiltLow,
                                       TiltHigh,
                                       Reserved4448,
                                       NonEventRate,
                                       RecordConfigMode,
                                       ActionADuration,
                                       ActionBDuration,
                                       EtcChoiceC,
                                       EventListChoiceB,
                                       EtcChoiceA,
                                       EtcChoiceB,
                                       RegionLeft,
                                       RegionRight,
                                       RegionTop,
                                       RegionBottom,
                                       BasicChannelFlag,
                                       Reserved4600,
                                       UserRight,
                                       UserLevel,
                                       UserName,
                                       UserPassword,
                                       SensorLink,
                                       PresetCamera,
                                       PresetAction,
                                       PresetNumber,
                                       SmartEnable,
                                       SmartValue,
                                       SmartOption,
                                       NotifyOnEventExt,
                                       ActionAOnEventExt,
                                       ActionBOnEventExt,
                                       OsdChoiceB,
                                       OsdMinutesA,
                                       OsdMinutesB,
                                       ArchiveLogPassword,
                                       UserLogoutA,
                                       UserLogoutB,
                                       ActionBExtraRow,
                                       Rs485Use,
                                       UserLiveChannel,
                                       MailTime1,
                                       MailTime2,
                                       MailTime3,
                                       MailDay,
                                       MailTime4,
                                       MailImageAttach,
                                       CameraEnable,
                                       ProfileSensorFlag,
                                       ProfileResolution,
                                       ProfileRate,
                                       ProfileAudio,
                                       AudioInputChannel};

constexpr bool Overlap(const Field& a, const Field& b)
{
    return a.offset < b.End() && b.offset < a.End();
}
constexpr bool FieldsInside()
{
    for (const Field& f : kAllFields)
        if (f.Size() == 0 || f.End() > kUsedEnd)
            return false;
    return true;
}
constexpr bool FieldsApart()
{
    constexpr std::size_t n = sizeof kAllFields / sizeof kAllFields[0];
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = i + 1; j < n; ++j)
            if (Overlap(kAllFields[i], kAllFields[j]))
                return false;
    return true;
}
static_assert(kUsedEnd <= kImageSize);
static_assert(FieldsInside(), "a field reaches beyond the bytes the client uses");
static_assert(FieldsApart(), "two fields share bytes");
static_assert(TestMailPayload.End() == MailMode.End() + 3);

} // namespace SetupDb
