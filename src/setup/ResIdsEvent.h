// Bitmaps and texts of the Event tab pages.
#pragma once

constexpr int IDB_EVENT_BACK = 1751;
constexpr int IDB_EVENT_ROW_BAR = 1691;

constexpr int IDS_EVENT_ROW_FIRST = 5130; // 5130-5133: sensor, motion, sensitivity, video loss
constexpr int IDS_EVENT_ROW_LAST = 5133;
constexpr int IDS_EVENT_ROW_DISK = 5502;
constexpr int IDS_EVENT_ROW_SMART = 5837;
constexpr int IDS_EVENT_YES = 5735;
constexpr int IDS_EVENT_NO = 5736;
constexpr int IDS_EVENT_DURATION = 5669;
constexpr int IDS_EVENT_DURATION_ZERO = 6050;
constexpr int IDS_EVENT_SECONDS = 5341;
constexpr int IDS_EVENT_ATTACH_IMAGE = 6051;
constexpr int IDS_EVENT_MODEL_ROW = 6080;
