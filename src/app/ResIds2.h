// Ids of the bitmaps and texts that the notification box, the clocks, the
// transfer bar and the split bar load from the resource bundle. IDB_ names are
// bitmaps, IDS_ names are string-table texts; a _FIRST/_LAST pair declares
// every id in between. The res tests check each one exists.
#pragma once

// Notification box: background, the three line plates, the OK/Cancel strip.
constexpr int IDB_MSGBOX_BACK = 1640;
constexpr int IDB_MSGBOX_LINE_TOP = 1641;
constexpr int IDB_MSGBOX_LINE_MIDDLE = 1642;
constexpr int IDB_MSGBOX_LINE_BOTTOM = 1643;
constexpr int IDB_MSGBOX_BUTTON = 2009;

// Transfer bar.
constexpr int IDB_XFERBAR_BACK = 1634;
constexpr int IDB_XFERBAR_PROGRESS_BACK = 1635;
constexpr int IDB_XFERBAR_PROGRESS_FILL = 1636;
constexpr int IDB_XFERBAR_STOP = 1625;

// Split bar: background, the nine layout buttons (the main window's own split
// buttons) and the Esc button.
constexpr int IDB_SPLITBAR_BACK = 1536;
constexpr int IDB_SPLITBAR_LAYOUT_FIRST = 1510;
constexpr int IDB_SPLITBAR_LAYOUT_LAST = 1518;
constexpr int IDB_SPLITBAR_ESC = 1537;

// Clock digit strips.
constexpr int IDB_CLOCK_MAIN_DATE = 1590;
constexpr int IDB_CLOCK_MAIN_TIME = 1591;
constexpr int IDB_CLOCK_PLAY_DATE = 1592;
constexpr int IDB_CLOCK_PLAY_TIME = 1593;
constexpr int IDB_CLOCK_PLAY_MARK = 1594;

// Notification texts.
constexpr int IDS_NOTIFY_DB_CRC_ERROR = 5050;
constexpr int IDS_NOTIFY_DB_REASON_LOCKED = 5051;
constexpr int IDS_NOTIFY_BACKUP_NO_SPACE_RECORDER = 5052;
constexpr int IDS_NOTIFY_CONNECT_REFUSED = 5053;
constexpr int IDS_NOTIFY_NACK_NOT_READY = 5054;
constexpr int IDS_NOTIFY_NACK_DISK = 5055;
constexpr int IDS_NOTIFY_DB_REASON_INVALID = 5056;
constexpr int IDS_NOTIFY_BYE_USER_LIMIT = 5057;
constexpr int IDS_NOTIFY_FW_REASON_WRITE = 5058;
constexpr int IDS_NOTIFY_FW_REASON_IMAGE = 5059;
constexpr int IDS_NOTIFY_BYE_SHUTDOWN = 5060;
constexpr int IDS_NOTIFY_BACKUP_NO_SPACE_LOCAL = 5061;
constexpr int IDS_NOTIFY_BYE_REBOOT = 5062;
constexpr int IDS_NOTIFY_FW_FAILED = 5063;
constexpr int IDS_NOTIFY_FW_DONE = 5064;
constexpr int IDS_NOTIFY_REC_DISK = 5065;
constexpr int IDS_NOTIFY_BYE_SETUP = 5066;
constexpr int IDS_NOTIFY_FW_FOUND = 5067;
constexpr int IDS_NOTIFY_FW_NONE = 5068;
constexpr int IDS_NOTIFY_NO_DATA = 5069;
// A downloaded set left out by a local scan or playback; its name follows.
constexpr int IDS_NOTIFY_SET_SKIPPED = 5549;
constexpr int IDS_NOTIFY_NACK_OTHER_USER = 5070;
constexpr int IDS_NOTIFY_BYE_LOGIN = 5071;
constexpr int IDS_NOTIFY_FW_REASON_TRANSFER = 5072;
constexpr int IDS_NOTIFY_BYE_TIMEOUT = 5073;
constexpr int IDS_NOTIFY_NACK_UPGRADING = 5074;
// A recorder answer that could not be taken (too large or malformed).
constexpr int IDS_NOTIFY_NACK_ANSWER_DROPPED = 5995;
constexpr int IDS_NOTIFY_DB_UPDATE_REFUSED = 5075;
constexpr int IDS_NOTIFY_DB_UPDATED = 5076;
constexpr int IDS_NOTIFY_REBOOT_ASK = 5077;
constexpr int IDS_NOTIFY_TRY_AGAIN = 5078;
constexpr int IDS_NOTIFY_DISCONNECTED = 5079;
constexpr int IDS_NOTIFY_SOCKET_FAILED = 5080;
constexpr int IDS_NOTIFY_NACK_NOT_ALLOWED = 5081;
constexpr int IDS_NOTIFY_BYE_ADMIN = 5082;
constexpr int IDS_NOTIFY_REFUSED = 5083;
constexpr int IDS_NOTIFY_BUSY = 5084;
constexpr int IDS_NOTIFY_LISTEN_IN_USE = 5085;
constexpr int IDS_NOTIFY_LISTEN_NO_AUDIO = 5086;
constexpr int IDS_NOTIFY_CONNECT_TIMEOUT = 5087;
constexpr int IDS_NOTIFY_FW_REASON_VERIFY = 5088;
constexpr int IDS_NOTIFY_FW_REASON_VERSION = 5089;
// Its own text: 5090 names the action (the Basic page's button, the log entry).
constexpr int IDS_NOTIFY_DB_INIT_ASK = 5996;
constexpr int IDS_NOTIFY_DB_INIT_WARN = 5091;
constexpr int IDS_NOTIFY_NACK_STREAMS = 5092;
constexpr int IDS_NOTIFY_NO_PERMISSION = 5093;
constexpr int IDS_NOTIFY_VERSION = 5410;
constexpr int IDS_NOTIFY_OK = 5541;
constexpr int IDS_NOTIFY_CANCEL = 5542;
constexpr int IDS_NOTIFY_RESET_ASK = 5821;
constexpr int IDS_NOTIFY_RESET_WARN = 5822;
constexpr int IDS_NOTIFY_RESET_REBOOT = 5823;
constexpr int IDS_NOTIFY_SIZE_NEEDED = 5840;
constexpr int IDS_NOTIFY_SIZE_FREE = 5841;
constexpr int IDS_NOTIFY_DOWNLOAD_STOPPED = 7001;
constexpr int IDS_NOTIFY_PICTURE_NOT_SAVED = 7002;
constexpr int IDS_NOTIFY_CAUSE_DISK_FULL = 7003;
constexpr int IDS_NOTIFY_CAUSE_NOT_CREATABLE = 7004;
constexpr int IDS_NOTIFY_CAUSE_WRITE_ERROR = 7005;
constexpr int IDS_NOTIFY_FILES_KEPT = 7006;
constexpr int IDS_NOTIFY_DOWNLOAD_SAVED_AS = 7007;
constexpr int IDS_NOTIFY_FRAMES_LEFT_OUT = 7008;
