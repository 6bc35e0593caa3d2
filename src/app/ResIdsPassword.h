// Ids of the bitmaps and texts the password prompt loads from the resource
// bundle (IDB_ bitmaps, IDS_ string-table texts).
#pragma once

constexpr int IDB_PASSWORD_LABEL = 2004;
constexpr int IDB_PASSWORD_BUTTON = 2009;
constexpr int IDB_PASSWORD_BACK = 2013;

constexpr int IDS_PASSWORD_PROMPT = 5487;
constexpr int IDS_PASSWORD_OK = 5541;
constexpr int IDS_PASSWORD_CANCEL = 5542;
