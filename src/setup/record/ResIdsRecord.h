// Bitmaps and texts of the record pages.
#pragma once

constexpr int IDB_RECORD_TAB3_FIRST = 2252;
constexpr int IDB_RECORD_TAB3_LAST = 2254;
constexpr int IDB_RECORD_TAB4_FIRST = 2255;
constexpr int IDB_RECORD_TAB4_LAST = 2257;
constexpr int IDB_RECORD_BACK = 1720;
constexpr int IDB_RECORD_BACK_DAYS = 1722;
constexpr int IDB_RECORD_SLIDER_CHANNEL = 1695;
constexpr int IDB_RECORD_SLIDER_ACTIVE = 1696;

constexpr int IDS_RECORD_DAYS = 5342;
constexpr int IDS_RECORD_FPS = 5643;
constexpr int IDS_RECORD_TAB_RESOLUTION = 5682;
constexpr int IDS_RECORD_TAB_RATE = 5683;
constexpr int IDS_RECORD_TAB_SENSITIVITY = 5684;
constexpr int IDS_RECORD_SET = 5686;
constexpr int IDS_RECORD_TAB_RECORD = 5687;
constexpr int IDS_RECORD_4CIF = 5688;
constexpr int IDS_RECORD_2CIF = 5689;
constexpr int IDS_RECORD_CIF = 5690;
constexpr int IDS_RECORD_TAB_AUDIO = 5030;
constexpr int IDS_RECORD_DAYS_LINE1 = 5884;
constexpr int IDS_RECORD_DAYS_LINE2 = 5885;
