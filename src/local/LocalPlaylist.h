// The playlist of a local play request: the sets of the download folder in
// play order (by first time, a split backup's parts back to back) and one node
// per played index entry, cut to the request's start time or range.
#pragma once

#include "local/LocalFileSet.h"
#include "local/LocalRecords.h"

#include <string>
#include <vector>

// A set in play order with its continuation flags.
struct LocalPlaySet
{
    LocalSetRef ref;
    bool continuesPrev = false;
    bool continuesNext = false;
};

// Orders by first time (stable: equal times keep the scan's order), then moves
// each set that continues a split backup right behind the set it continues,
// and marks the continuations.
std::vector<LocalPlaySet> OrderAndChainSets(std::vector<LocalSetRef> sets);

struct LocalPlayRequest
{
    int nSearchMode = 0; // 0 from the start time, 1 the range start..end
    int nStart = 0;
    int nEnd = 0;
};

struct LocalPlaylistResult
{
    // The node playback begins with; list.end() when nothing is left to play.
    Playlist::iterator current;
    int skipped = 0;          // sets that could not be read at build time
    std::string firstSkipped; // the first of them, by name
};

// Builds the nodes of every set into `list` (emptied first).
LocalPlaylistResult BuildLocalPlaylist(const std::vector<LocalPlaySet>& sets, const LocalPlayRequest& request,
                                       Playlist& list);
