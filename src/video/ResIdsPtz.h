// Ids of the bitmaps and texts of the three PTZ panels. IDB_ names are
// bitmaps, IDS_ names string-table texts; a _FIRST/_LAST pair declares every
// id in between.
#pragma once

// --- Direction panel -----------------------------------------------------------
constexpr int IDB_PTZ_PAN = 1557;
constexpr int IDB_PTZ_ZOOM = 1558;
constexpr int IDB_PTZ_CLOSE = 1559;
constexpr int IDB_PTZ_UP = 1560;
constexpr int IDB_PTZ_RIGHT = 1561;
constexpr int IDB_PTZ_DOWN = 1562;
constexpr int IDB_PTZ_LEFT = 1563;
constexpr int IDB_PTZ_BACK = 1730;
constexpr int IDB_PTZ_PRESET_PAN = 1731;
constexpr int IDB_PTZ_PRESET_ZOOM = 1732;

// --- Dome menu panel -----------------------------------------------------------
constexpr int IDB_PTZ_MENU_BACK = 1737;
constexpr int IDB_PTZ_MENU_SEL = 1739;
constexpr int IDB_PTZ_MENU_PREV = 1740;
constexpr int IDB_PTZ_MENU_CLOSE = 1741;

// --- Preset keypad ---------------------------------------------------------------
constexpr int IDB_PTZ_KEYPAD_BACK = 1821;
constexpr int IDB_PTZ_KEYPAD_CLOSE = 1822;
// Digits 1 to 9, then 0.
constexpr int IDB_PTZ_DIGIT_FIRST = 1830;
constexpr int IDB_PTZ_DIGIT_LAST = 1839;
constexpr int IDB_PTZ_TOUR = 1840;
constexpr int IDB_PTZ_KEYPAD_BUTTON = 2232;

constexpr int IDS_PTZ_OK = 5541;
constexpr int IDS_PTZ_SET = 5686;
constexpr int IDS_PTZ_PRESET_MODE = 5760;
constexpr int IDS_PTZ_LEARN_MODE = 5761;
constexpr int IDS_PTZ_CALL = 5762;
constexpr int IDS_PTZ_DOME = 5831;
