// Ids of the bitmaps and texts the local windows load from the resource bundle.
#pragma once

// Caption of the local search window's Cancel button.
constexpr int IDS_LOCAL_SEARCH_CANCEL = 5542;
