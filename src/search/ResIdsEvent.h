// Bitmaps and texts of the event list (shared with the local event list).
#pragma once

constexpr int IDB_EVENT_TAB_FIRST = 2252; // alarm, motion, audio tabs
constexpr int IDB_EVENT_TAB_LAST = 2254;
constexpr int IDB_EVENT_LIST_BACKGROUND = 1751;
constexpr int IDS_EVENT_ALARM = 5130;
constexpr int IDS_EVENT_MOTION = 5131;
constexpr int IDS_EVENT_AUDIO = 5030;
constexpr int IDS_EVENT_PLAY = 5563;
constexpr int IDS_EVENT_PREV = 5583;
constexpr int IDS_EVENT_CALCULATE = 5582;
constexpr int IDS_EVENT_BACKUP = 5585;
