// The local event list and file list as data: the events of kinds 1, 2 and 4
// in the downloaded sets' index entries, the sets themselves, both in the
// order of the sets' first times, and the decision whether a Play starts a
// new local playback.
#pragma once

#include "local/LocalFileSet.h"
#include "local/LocalRecords.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

constexpr std::size_t kLocalEventLimit = 100000;

struct LocalEvent
{
    int kind = 0;        // 1, 2 or 4
    int indexInKind = 0; // its number among the events of its kind
    int start = 0;
    int end = 0;
};

struct LocalEventList
{
    std::vector<LocalEvent> entries;
    std::array<int, 3> kindCount{}; // kinds 1, 2, 4
    int Count(int kind) const;
    // The entry of the kind with that index, or null.
    const LocalEvent* Find(int kind, int indexInKind) const;
};

// The scan's sets ordered by first time (equal times keep the scan's order).
std::vector<LocalSetRef> SortByFirstTime(std::vector<LocalSetRef> sets);

// Entries whose event type is 1, 2 or 4 and whose start lies before the end
// (neither time negative), set by set; the first `limit` are kept.
LocalEventList BuildLocalEvents(const std::vector<LocalSetRef>& sortedSets, std::size_t limit = kLocalEventLimit);

// The event list's kind to show first: the remembered mode, else the first
// kind with entries, else 1.
int FirstLocalEventKind(const LocalEventList& list, bool remembered, int mode);

// A row index of a newest-first list and the array index it stands for.
inline int NewestFirstIndex(int count, int row)
{
    return count - row - 1;
}

// Play on an event or a file set at time `t`: a new local playback starts
// when none runs or the playlist is empty, else only when some node starts or
// ends after `t`; otherwise the running playback goes on.
bool LocalPlayStartsNew(bool playerRuns, const Playlist* list, int t);

// What Play on the local event list or file list does.
enum class LocalListPlay
{
    Ignored,      // remote playback runs: nothing happens, the window stays
    CloseOnly,    // the last search is remembered and the window closes
    PlayAndClose, // the running local playback ends, the new one is asked for, then as CloseOnly
};
// `remoteRuns`: a logged-in connection plays back. `chosen`: a row's entry or
// set was found. `running`: the running local playlist, null when none runs.
// `t`: the chosen event's start or the set's first time.
LocalListPlay DecideLocalListPlay(bool remoteRuns, bool chosen, const Playlist* running, int t);
