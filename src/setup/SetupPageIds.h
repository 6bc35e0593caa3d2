// The template ids by which the setup window opens its pages.
#pragma once

namespace SetupPage {
constexpr int kCameraColor = 155;
constexpr int kCameraCovert = 156;
constexpr int kCameraName = 157;
constexpr int kSpotSequence = 159;
constexpr int kOsdSetup = 160;
constexpr int kEmpty = 161;
constexpr int kCameraEnable = 1027;
constexpr int kRecordConfig = 162;
constexpr int kPlainRecord = 163;
constexpr int kSensorRecord = 164;
constexpr int kMotionRecord = 165;
constexpr int kScheduleRecord = 166;
constexpr int kSensitivityRecord = 167;
constexpr int kRecordDays = 168;
constexpr int kRecordModeRank = 169;
constexpr int kMotionGrid = 170;
constexpr int kEventRegion = 995;
constexpr int kWeeklySchedule = 171;
constexpr int kAlarmPreset = 998;
constexpr int kSensorLink = 10031;
constexpr int kAudioInput = 10032;
constexpr int kBasicSetup = 172;
constexpr int kClientAccount = 175;
constexpr int kAccountChannel = 1002;
constexpr int kSensorSetup = 177;
constexpr int kAutoDelete = 178;
constexpr int kPtzSetup = 180;
constexpr int kPtzLimit = 182;
constexpr int kPtzController = 181;
constexpr int kDstSetup = 183;
constexpr int kNtpSetup = 982;
constexpr int kBasicChannel = 984;
constexpr int kSmartSetup = 999;
constexpr int kEtcSetup = 184;
constexpr int kSerialSetup = 10029;
constexpr int kMailSetup = 185;
constexpr int kMailSchedule = 1003;
constexpr int kEventNotify = 186;
constexpr int kMailImage = 1004;
constexpr int kEventActionA = 187;
constexpr int kEventActionB = 188;
} // namespace SetupPage
