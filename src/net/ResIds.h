// Ids of the bitmaps and texts the protocol client's windows load from the
// resource bundle. IDB_ names are bitmaps, IDS_ names string-table texts; a
// _FIRST/_LAST pair declares every id in between.
#pragma once

// --- Connect dialog -----------------------------------------------------------
constexpr int IDB_CONNECT_BACK = 2000;
// Label plates of the five fields (address, port, ID, password, description).
constexpr int IDB_CONNECT_LABEL_FIRST = 2001;
constexpr int IDB_CONNECT_LABEL_LAST = 2005;
// The OK / Cancel face shared by the skinned dialogs.
constexpr int IDB_DIALOG_BUTTON = 2009;
// The face of the two port buttons.
constexpr int IDB_CONNECT_PORT_BUTTON = 2010;
// Opens the address book.
constexpr int IDB_CONNECT_BOOK_BUTTON = 2014;

constexpr int IDS_CONNECT_ADDRESS = 5497;
constexpr int IDS_CONNECT_PORT = 5540;
constexpr int IDS_CONNECT_ID = 5486;
constexpr int IDS_CONNECT_PASSWORD = 5487;
constexpr int IDS_CONNECT_DESCRIPTION = 5881;
constexpr int IDS_CONNECT_DEFAULT_PORT = 5495;
constexpr int IDS_CONNECT_CHOOSE_PORT = 5543;
constexpr int IDS_DIALOG_OK = 5541;
constexpr int IDS_DIALOG_CANCEL = 5542;

// --- Address book -------------------------------------------------------------
constexpr int IDB_BOOK_BACK = 2015;

constexpr int IDS_BOOK_SAVE = 5016;
constexpr int IDS_BOOK_EDIT = 5241;
constexpr int IDS_BOOK_DELETE = 5242;
constexpr int IDS_BOOK_IMPORT = 6110;
constexpr int IDS_BOOK_EXPORT = 6111;
// Asked at the first imported server the book already holds.
constexpr int IDS_BOOK_OVERWRITE_ALL = 6112;
// Asked per duplicate, under its address and port.
constexpr int IDS_BOOK_OVERWRITE_ONE = 6113;
// An import that met the 2000-server limit: each line follows a number
// (how many were left out; the limit).
constexpr int IDS_BOOK_LEFT_OUT = 6114;
constexpr int IDS_BOOK_LIMIT = 6115;
// A book file that was cut off or had a damaged header.
constexpr int IDS_BOOK_DAMAGED = 6116;
constexpr int IDS_BOOK_DAMAGED_KEPT = 6117;

// --- Firmware upgrade dialog ----------------------------------------------------
constexpr int IDB_FW_PROGRESS_BACK = 1644;
constexpr int IDB_FW_PROGRESS_BAR = 1645;
constexpr int IDB_FW_BACK = 1646;
constexpr int IDB_FW_CHECK_ON = 1692;
constexpr int IDB_FW_CHECK_OFF = 1693;
constexpr int IDB_FW_CHECK_MASK = 1694;
constexpr int IDB_FW_LABEL = 1700;
constexpr int IDB_FW_STATUS_LINE = 2011;
constexpr int IDB_FW_BUTTON = 2012;
// Row names: boot loader and the components of types 3, 4, 5, 6.
constexpr int IDS_FW_NAME_BOOT = 5180;
constexpr int IDS_FW_NAME_TYPE3 = 5181;
constexpr int IDS_FW_NAME_TYPE4 = 5182;
constexpr int IDS_FW_NAME_TYPE5 = 5184;
constexpr int IDS_FW_NAME_TYPE6 = 5185;
constexpr int IDS_FW_UPLOADING = 5186;
constexpr int IDS_FW_WRITING = 5187;
constexpr int IDS_FW_CLOSE = 5188;
constexpr int IDS_FW_STOPPED = 5190;
constexpr int IDS_FW_REFUSED_17 = 5191;
constexpr int IDS_FW_REFUSED_18 = 5192;
constexpr int IDS_FW_FAILED = 5193;
constexpr int IDS_FW_DONE = 5194;
constexpr int IDS_FW_START = 5420;
constexpr int IDS_FW_STOP = 5027;
constexpr int IDS_FW_REFUSED = 5083;
