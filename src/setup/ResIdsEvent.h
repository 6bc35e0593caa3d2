// Bitmaps and texts of the Event tab pages.
#pragma once

constexpr int IDB_EVENT_BACK = 1751;
constexpr int IDB_EVENT_ROW_BAR = 1691;

constexpr int IDS_EVENT_ROW_FIRST = 5130; // 5130-5132: sensor, motion, sensitivity
constexpr int IDS_EVENT_ROW_LAST = 5132;
// The first row's text (5133, video loss) is the log pages' own.
constexpr int IDS_EVENT_ROW_DISK = 5502;
constexpr int IDS_EVENT_ROW_SMART = 5837;
constexpr int IDS_EVENT_YES = 5735;
constexpr int IDS_EVENT_NO = 5736;
constexpr int IDS_EVENT_DURATION = 5669;
constexpr int IDS_EVENT_DURATION_ZERO = 6050;
constexpr int IDS_EVENT_SECONDS = 5341;
constexpr int IDS_EVENT_ATTACH_IMAGE = 6051;
constexpr int IDS_EVENT_MODEL_ROW = 6080;

// Mail pages.
constexpr int IDB_MAIL_BACK = 1689;
constexpr int IDB_MAIL_SCHEDULE_BAR = 2262;
constexpr int IDS_MAIL_MODE_FIRST = 5200; // 5200-5202
constexpr int IDS_MAIL_MODE_LAST = 5202;
constexpr int IDS_MAIL_SENDER = 5500;
constexpr int IDS_MAIL_MODE = 5501;
constexpr int IDS_MAIL_TEST = 5734;

// PTZ and sensor pages.
constexpr int IDB_SENSOR_KIND = 2140;
constexpr int IDS_SENSOR_KIND_NO = 5709;
constexpr int IDS_SENSOR_KIND_NC = 5710;
constexpr int IDS_PTZ_PROTOCOL = 5711;
constexpr int IDS_PTZ_BAUD = 5712;
constexpr int IDS_PTZ_LIMIT_FIRST = 5720; // 5720-5723: pan low, pan high, tilt low, tilt high
constexpr int IDS_PTZ_LIMIT_LAST = 5723;
