// Bitmap and string ids the video folder loads from the resource bundle.
#pragma once

// --- Video grid: icon pairs, each a mask (black where the icon shows) and
// an image (the icon on black), 16 x 16.
// Play speed: 1600/1601 pause (code 0), 1602/1603 forward (codes 1 to 6),
// 1604/1605 a spare pair, 1606/1607 backward (codes -1 to -6).
constexpr int IDB_GRID_SPEED_FIRST = 1600;
constexpr int IDB_GRID_SPEED_LAST = 1607;
// Audio: 1610/1611 the channel being heard, 1612/1613 a channel with audio.
constexpr int IDB_GRID_AUDIO_FIRST = 1610;
constexpr int IDB_GRID_AUDIO_LAST = 1613;
// PTZ: 1733/1734 PTZ state 2, 1735/1736 PTZ state 1.
constexpr int IDB_GRID_PTZ_FIRST = 1733;
constexpr int IDB_GRID_PTZ_LAST = 1736;
// Single steps: 2289/2290 back (code 10), 2291/2292 forward (code 11).
constexpr int IDB_GRID_STEP_FIRST = 2289;
constexpr int IDB_GRID_STEP_LAST = 2292;
// Watermark: 2300/2301 checked (states 1 and 2), 2302/2303 not verified (state 0).
constexpr int IDB_GRID_WATERMARK_FIRST = 2300;
constexpr int IDB_GRID_WATERMARK_LAST = 2303;

// The warning shown across a cell whose recording failed its watermark check.
constexpr int IDS_GRID_WATERMARK_WARNING = 6062;
