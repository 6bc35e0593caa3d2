// Bitmaps and texts of the alarm preset, sensor link and motion grid pages
// and of the sensitivity view.
#pragma once

constexpr int IDB_PRESET_BACK = 1675;
constexpr int IDB_PRESET_BACK_EXT = 1676;
constexpr int IDB_MOTION_GRID_BACK = 1661;
constexpr int IDB_MOTION_GRID_CHANNEL = 2084;
constexpr int IDB_MOTION_GRID_PLAIN = 2320;
constexpr int IDB_MOTION_GRID_SELECTED = 2321;

constexpr int IDS_PRESET_CAMERA = 5009;
constexpr int IDS_PRESET_NONE = 5340;
constexpr int IDS_SENSOR_TAB = 5489;
constexpr int IDS_PAGE_BACK = 5583;
constexpr int IDS_PRESET_ACTION_PRESET = 5760;
constexpr int IDS_PRESET_ACTION_TOUR = 5767;
constexpr int IDS_PRESET_ROW_TOP = 6161;
constexpr int IDS_PRESET_ROW_NEXT = 6162;
constexpr int IDS_SENSITIVITY_FIRST = 5204;
constexpr int IDS_SENSITIVITY_LAST = 5206;
constexpr int IDB_PROFILE_PREV = 2213;
constexpr int IDB_PROFILE_NEXT = 2214;
constexpr int IDB_SENSITIVITY_ACTIVE = 1660;
constexpr int IDS_MOTION_REGION = 5685;
