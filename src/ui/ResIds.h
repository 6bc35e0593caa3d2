// Ids of the bitmaps and texts the control kit loads from the resource
// bundle, and of the shared slider and check-box bitmaps every window hands
// its kit controls. IDB_ names are bitmaps, IDS_ names string-table texts; a
// _FIRST/_LAST pair declares every id in between.
#pragma once

// The per-row check box of every window: SetBitmaps(1693, 1692, 1693, 1693,
// 1693, 1694, 0, 0, 0).
constexpr int IDB_CHECK_DOWN = 1692;
constexpr int IDB_CHECK_NORMAL = 1693;
constexpr int IDB_CHECK_MASK = 1694;

// Sliders of the setup pages (channel and the active part left of the
// position), a long and a short one.
constexpr int IDB_SETUP_SLIDER_CHANNEL = 1695;
constexpr int IDB_SETUP_SLIDER_ACTIVE = 1696;
constexpr int IDB_SETUP_SLIDER_SHORT_CHANNEL = 1697;
constexpr int IDB_SETUP_SLIDER_SHORT_ACTIVE = 1698;

// Schedule grid: value 1 and value 0 (also the background) of the two-value
// grids; the looks of values 0-3 of the record-mode grids.
constexpr int IDB_SCHEDULE_ON = 1770;
constexpr int IDB_SCHEDULE_OFF = 1771;
constexpr int IDB_SCHEDULE_VALUE_FIRST = 1772;
constexpr int IDB_SCHEDULE_VALUE_LAST = 1775;

// Name-entry prompt: label plate, OK button strip, background.
constexpr int IDB_PROMPT_LABEL = 2004;
constexpr int IDB_PROMPT_BUTTON = 2009;
constexpr int IDB_PROMPT_BACK = 2013;

// Area grids without a still: background and selected-cell look.
constexpr int IDB_MOTION_GRID_BACK = 2320;
constexpr int IDB_MOTION_GRID_SEL = 2321;
constexpr int IDB_REGION_GRID_NTSC_BACK = 2322;
constexpr int IDB_REGION_GRID_NTSC_SEL = 2323;
constexpr int IDB_REGION_GRID_PAL_BACK = 2324;
constexpr int IDB_REGION_GRID_PAL_SEL = 2325;

// The OK caption of the prompts.
constexpr int IDS_OK = 5541;
