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

constexpr int IDB_RECORD_BACK_RANK = 1670;
constexpr int IDB_RECORD_BACK_SCHEDULE = 1671;
constexpr int IDS_RECORD_DAY_FIRST = 5426; // Sunday .. Saturday
constexpr int IDS_RECORD_DAY_LAST = 5432;
constexpr int IDS_RECORD_BACK = 5583;
constexpr int IDS_RECORD_RANK_FIRST = 5467;
constexpr int IDS_RECORD_RANK_LAST = 5471;
constexpr int IDS_RECORD_MODE_NONE = 5144;
constexpr int IDS_RECORD_MODE_NORMAL = 6050;
constexpr int IDS_RECORD_MODE_CONTINUOUS = 5208;
constexpr int IDS_RECORD_MODE_SENSOR = 5130;
constexpr int IDS_RECORD_MODE_MOTION = 5131;
constexpr int IDS_RECORD_MODE_SENSITIVITY = 5132;
constexpr int IDS_RECORD_MODE_SCHEDULE = 5209;
constexpr int IDS_RECORD_MODE_DAYS = 5210;

constexpr int IDB_RECORD_BACK_CONFIG = 1751;
constexpr int IDS_RECORD_TITLE_EVENT_MODE = 5460;
constexpr int IDS_RECORD_TITLE_SWITCH_A = 5461;
constexpr int IDS_RECORD_TITLE_SWITCH_B = 5462;
constexpr int IDS_RECORD_TITLE_EVENT_RATE = 5463;
constexpr int IDS_RECORD_TITLE_PRE = 5464;
constexpr int IDS_RECORD_TITLE_POST = 5465;
constexpr int IDS_RECORD_TITLE_CHOICE = 5466;
constexpr int IDS_RECORD_SECONDS = 5341;
constexpr int IDS_RECORD_TITLE_CONFIG = 5920;
constexpr int IDS_RECORD_CONFIG_MODE_FIRST = 5692;
constexpr int IDS_RECORD_CONFIG_MODE_LAST = 5693;
constexpr int IDS_RECORD_CHOICE_FIRST = 5204;
constexpr int IDS_RECORD_CHOICE_LAST = 5206;
