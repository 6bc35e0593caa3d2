// Bitmaps and texts of the event list (shared with the local event list).
#pragma once

constexpr int IDB_EVENT_TAB_FIRST = 2252; // alarm, motion, audio tabs
constexpr int IDB_EVENT_TAB_LAST = 2254;
constexpr int IDB_EVENT_LIST_BACKGROUND = 1751;
constexpr int IDB_EVENT_BACKUP_LIST_BACKGROUND = 1759;
constexpr int IDB_EVENT_RANGE_BACKGROUND = 1750;
constexpr int IDB_BACKUP_TIMELINE_BACKGROUND = 1762;
constexpr int IDS_EVENT_NEXT = 5584;
constexpr int IDS_EVENT_KINDS = 5492;
constexpr int IDS_EVENT_ALARM = 5130;
constexpr int IDS_EVENT_MOTION = 5131;
constexpr int IDS_EVENT_AUDIO = 5030;
constexpr int IDS_EVENT_PLAY = 5563;
constexpr int IDS_EVENT_PREV = 5583;
constexpr int IDS_EVENT_CALCULATE = 5582;
// Ours: 5585 is the archive log's word, which does not name a download.
constexpr int IDS_BACKUP_BUTTON = 7340;
