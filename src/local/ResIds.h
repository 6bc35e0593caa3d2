// Ids of the bitmaps and texts the local windows load from the resource bundle.
#pragma once

// Caption of the local search window's Cancel button.
constexpr int IDS_LOCAL_SEARCH_CANCEL = 5542;

// Kinds of the connection log's connection events (type 2: login accepted,
// disconnected, connecting failed).
constexpr int IDS_LOCAL_LOG_LOGIN = 7343;
constexpr int IDS_LOCAL_LOG_DISCONNECTED = 7344;
constexpr int IDS_LOCAL_LOG_CONNECT_FAILED = 7345;
