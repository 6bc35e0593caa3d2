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
