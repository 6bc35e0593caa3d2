// Bitmaps and texts of the remote search window and its pages.
#pragma once

constexpr int IDB_SEARCH_BACKGROUND = 1650;
constexpr int IDB_SEARCH_CLOSE = 1651;
constexpr int IDB_SEARCH_TAB_FIRST = 2160; // Search, Backup, Log, Info
constexpr int IDB_SEARCH_TAB_LAST = 2163;
constexpr int IDB_SEARCH_TEXT_BUTTON = 2260;
constexpr int IDB_SEARCH_TAB_PAGE = 1652;
constexpr int IDB_SEARCH_TAB_BUTTON_FIRST = 2164;
constexpr int IDB_SEARCH_TAB_BUTTON_LAST = 2167;
constexpr int IDB_LOG_TAB_BUTTON_FIRST = 2170;
constexpr int IDB_LOG_TAB_BUTTON_LAST = 2177;
constexpr int IDB_CALENDAR_BACKGROUND = 1752;
constexpr int IDB_CALENDAR_DAY = 1753;
constexpr int IDB_CALENDAR_MONTH = 2212;
constexpr int IDB_TIMELINE_BACKGROUND = 1757;
constexpr int IDB_TIMELINE_GRID = 1756;
constexpr int IDB_TIMELINE_BAR_FIRST = 1763; // kinds 0-5
constexpr int IDB_TIMELINE_BAR_LAST = 1768;
constexpr int IDB_TIMELINE_SWATCH_FIRST = 1704;
constexpr int IDB_TIMELINE_SWATCH_LAST = 1709;
constexpr int IDB_TIMELINE_LEGEND_FIRST = 2330;
constexpr int IDB_TIMELINE_LEGEND_LAST = 2335;
constexpr int IDB_CHANNEL_BACKGROUND = 1721;
constexpr int IDB_CHANNEL_ON = 2136;
constexpr int IDB_CHANNEL_OFF = 2137;
constexpr int IDB_DATETIME_ONE_ROW = 1747;
constexpr int IDB_DATETIME_TWO_ROWS = 1748;
constexpr int IDB_BACKUP_DATETIME = 1758;
// Shared with the pickers and other windows (defined with them).
constexpr int kBmpCellBody = 1700;
constexpr int kBmpRowButton = 2258;
constexpr int kBmpCheckOn = 1692, kBmpCheckOff = 1693, kBmpCheckMask = 1694;

constexpr int IDS_SEARCH_OK = 5541;
constexpr int IDS_SEARCH_CANCEL = 5542;
constexpr int IDS_SEARCH_WAITING = 5810;
constexpr int IDS_SEARCH_DATE_TIME = 5560;
constexpr int IDS_SEARCH_EVENT = 5451;
constexpr int IDS_SEARCH_CALENDAR = 5561;
constexpr int IDS_SEARCH_SELECT_CHANNEL = 5562;
constexpr int IDS_LOG_ALL = 5600;
constexpr int IDS_LOG_POWER = 5601;
constexpr int IDS_LOG_RECORD = 5026;
constexpr int IDS_LOG_OPERATION = 5602;
constexpr int IDS_LOG_CLIENT = 5603;
constexpr int IDS_LOG_ARCHIVE = 5585;
constexpr int IDS_INFO_SYSTEM = 5620;
constexpr int IDS_INFO_STATUS = 5621;
constexpr int IDS_MONTH_FIRST = 5290; // January .. December
constexpr int IDS_MONTH_LAST = 5301;
constexpr int IDS_CAL_YEAR = 5424;
constexpr int IDS_CAL_MONTH = 5425;
constexpr int IDS_WEEKDAY_FIRST = 5426; // Sunday first
constexpr int IDS_WEEKDAY_LAST = 5432;
constexpr int IDS_DT_START = 5420;
constexpr int IDS_DT_END = 5421;
constexpr int IDS_DT_DATE = 5422;
constexpr int IDS_DT_TIME = 5423;
constexpr int IDS_SEARCH_PLAY = 5563;
constexpr int IDS_SEARCH_PREV = 5583;
constexpr int IDS_CHANNEL_ON = 5344;
constexpr int IDS_CHANNEL_OFF = 5340;
constexpr int IDS_LEGEND_FIRST = 5130; // with 5131, 5132, 5208, 5209, 5210
constexpr int IDS_LEGEND_LAST = 5132;
constexpr int IDS_LEGEND_0 = 5208, IDS_LEGEND_3 = 5209, IDS_LEGEND_5 = 5210;
// Shared with the pickers (defined with them).
constexpr int kStrCameraPrefix = 5152;
constexpr int kStrCheckAll = 5640, kStrClearAll = 5641;
// Ours: the time pop-up's 5350 reads Hour, which cannot head a camera column.
constexpr int IDS_TIMELINE_CAMERA = 7341;
