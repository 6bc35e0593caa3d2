// Ids of the bitmaps and texts of the local setup window, its pages and list
// pop-up, the bookmark bar and the settings-not-saved notice. IDB_ names are
// bitmaps, IDS_ names string-table texts; a _FIRST/_LAST pair declares every
// id in between. The res tests check each one exists.
#pragma once

// Frame: background (also the setup and search windows'), Close, menu
// background, Set, menu buttons, OK and Cancel face.
constexpr int IDB_LSETUP_BACK = 1650;
constexpr int IDB_LSETUP_CLOSE = 1651;
constexpr int IDB_LSETUP_MENU_BACK = 1652;
constexpr int IDB_LSETUP_SET = 2150;
constexpr int IDB_LSETUP_MENU_BUTTON = 2151;
constexpr int IDB_LSETUP_OK = 2260;

// List pop-up: the nine frame pieces and the three row pieces; the cells'
// (and the value labels') body.
constexpr int IDB_POPUP_FRAME_FIRST = 1710;
constexpr int IDB_POPUP_FRAME_LAST = 1718;
constexpr int IDB_POPUP_ROW_FIRST = 1654;
constexpr int IDB_POPUP_ROW_LAST = 1656;
constexpr int IDB_VALUE_BODY = 1700;

// Pages: backgrounds, the Global page's row stripe, the all-check buttons,
// the On and Off buttons.
constexpr int IDB_LSETUP_GLOBAL_BACK = 1751;
constexpr int IDB_LSETUP_ROW_STRIPE = 1691;
constexpr int IDB_LSETUP_OPACITY_BACK = 1743;
constexpr int IDB_LSETUP_AUDIOBUF_BACK = 1744;
constexpr int IDB_LSETUP_CAMNAME_BACK = 1657;
constexpr int IDB_LSETUP_DEINTERLACE_BACK = 1721;
constexpr int IDB_ALL_CHECK_BUTTON = 2258;
constexpr int IDB_ON_BUTTON = 2136;
constexpr int IDB_OFF_BUTTON = 2137;

// Bookmark bar: background pieces (2283 is loaded, not drawn) and the five
// button strips 1011-1015.
constexpr int IDB_BOOKMARK_BACK_FIRST = 2280;
constexpr int IDB_BOOKMARK_BACK_LAST = 2283;
constexpr int IDB_BOOKMARK_BUTTON_FIRST = 2284;
constexpr int IDB_BOOKMARK_BUTTON_LAST = 2288;

// Texts.
constexpr int IDS_LSETUP_MENU_GLOBAL = 5680;
constexpr int IDS_LSETUP_MENU_OPACITY = 5750;
constexpr int IDS_LSETUP_MENU_AUDIOBUF = 5751;
constexpr int IDS_LSETUP_MENU_CAMNAME = 5452;
constexpr int IDS_LSETUP_MENU_DEINTERLACE = 5832;
constexpr int IDS_LSETUP_OK = 5541;
constexpr int IDS_LSETUP_CANCEL = 5542;
constexpr int IDS_ALL_CHECK = 5640;
constexpr int IDS_CLEAR_ALL = 5641;
constexpr int IDS_CHANNEL_PREFIX = 5152;
constexpr int IDS_OFF = 5340;
constexpr int IDS_ON = 5344;
constexpr int IDS_FOLDER_TITLE = 5380;
constexpr int IDS_DATE_YMD = 5381;
constexpr int IDS_DATE_MDY = 5382;
constexpr int IDS_DATE_DMY = 5383;
constexpr int IDS_NAME_DRAWMODE = 5384;
constexpr int IDS_NAME_DATEFORMAT = 5385;
constexpr int IDS_NAME_SAVEFORMAT = 5386;
constexpr int IDS_NAME_LOCATION = 5387;
constexpr int IDS_NAME_HOURSYSTEM = 6072;
constexpr int IDS_HOUR_12 = 6073;
constexpr int IDS_HOUR_24 = 6074;
constexpr int IDS_NAME_WATERMARK = 5461;
constexpr int IDS_NAME_MAXALARM = 6172;
// Opacity rows 0-8 and audio buffer rows 0-2.
constexpr int IDS_OPACITY_SMALL = 5388;
constexpr int IDS_OPACITY_REMOTE_SEARCH = 5001;
constexpr int IDS_OPACITY_REMOTE_SETUP = 5002;
constexpr int IDS_OPACITY_LOCAL_SEARCH = 5003;
constexpr int IDS_OPACITY_LOCAL_SETUP = 5004;
constexpr int IDS_OPACITY_BARS = 5389;
constexpr int IDS_OPACITY_FIRMWARE = 5007;
constexpr int IDS_OPACITY_SPARE = 5390;
constexpr int IDS_OPACITY_MESSAGES = 5391;
constexpr int IDS_AUDIOBUF_FIRST = 5392;
constexpr int IDS_AUDIOBUF_LAST = 5394;
// A chosen data folder that does not fit the 259-byte field.
constexpr int IDS_FOLDER_TOO_LONG = 7222;
constexpr int IDS_FOLDER_TOO_LONG_2 = 7223;
// The settings confirmed with OK could not be saved.
constexpr int IDS_NOTIFY_SETTINGS_NOT_SAVED = 7220;
constexpr int IDS_NOTIFY_SETTINGS_THIS_RUN = 7221;
