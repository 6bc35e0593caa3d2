// Bitmaps and texts of the list and slider pop-ups.
#pragma once

// The nine frame pieces: top-left, top, top-right, left, centre, right,
// bottom-left, bottom, bottom-right.
constexpr int IDB_PICKER_FRAME_FIRST = 1710;
constexpr int IDB_PICKER_FRAME_LAST = 1718;
// A row strip: left cap, middle, right cap.
constexpr int IDB_PICKER_ROW_FIRST = 1654;
constexpr int IDB_PICKER_ROW_LAST = 1656;
// The body of every cell and label.
constexpr int IDB_PICKER_CELL = 1700;

// Names of the time sliders.
constexpr int IDS_PICKER_HOUR = 5350;
constexpr int IDS_PICKER_MINUTE = 5351;
constexpr int IDS_PICKER_SECOND = 5341;
