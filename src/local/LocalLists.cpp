#include "local/LocalLists.h"

#include <algorithm>

int LocalEventList::Count(int kind) const
{
    switch (kind) {
    case 1:
        return kindCount[0];
    case 2:
        return kindCount[1];
    case 4:
        return kindCount[2];
    default:
        return 0;
    }
}

const LocalEvent* LocalEventList::Find(int kind, int indexInKind) const
{
    for (const LocalEvent& e : entries)
        if (e.kind == kind && e.indexInKind == indexInKind)
            return &e;
    return nullptr;
}

std::vector<LocalSetRef> SortByFirstTime(std::vector<LocalSetRef> sets)
{
    std::stable_sort(sets.begin(), sets.end(), [](const LocalSetRef& a, const LocalSetRef& b) {
        return static_cast<std::int32_t>(a.firstTime) < static_cast<std::int32_t>(b.firstTime);
    });
    return sets;
}

LocalEventList BuildLocalEvents(const std::vector<LocalSetRef>& sortedSets, std::size_t limit)
{
    LocalEventList list;
    for (const LocalSetRef& ref : sortedSets) {
        CLocalFileSet set;
        if (set.OpenFiles(ref.idxPath) != LocalSetFault::None)
            continue;
        const int n = set.EntryCount();
        for (int k = 0; k < n; ++k) {
            LocalIdxEntry e;
            if (!set.ReadEntry(k, e))
                break; // the file ends before its count
            const std::int32_t start = static_cast<std::int32_t>(e.start);
            const std::int32_t end = static_cast<std::int32_t>(e.end);
            const int slot = e.eventType == 1 ? 0 : e.eventType == 2 ? 1 : e.eventType == 4 ? 2 : -1;
            if (slot < 0 || start < 0 || end < 0 || start >= end)
                continue;
            if (list.entries.size() >= limit)
                return list;
            LocalEvent ev;
            ev.kind = e.eventType;
            ev.indexInKind = list.kindCount[static_cast<std::size_t>(slot)]++;
            ev.start = start;
            ev.end = end;
            list.entries.push_back(ev);
        }
    }
    return list;
}

int FirstLocalEventKind(const LocalEventList& list, bool remembered, int mode)
{
    if (remembered)
        return mode == 2 ? 2 : mode == 4 ? 4 : 1;
    for (int kind : {1, 2, 4})
        if (list.Count(kind) > 0)
            return kind;
    return 1;
}

bool LocalPlayStartsNew(bool playerRuns, const Playlist* list, int t)
{
    if (!playerRuns || list == nullptr || list->empty())
        return true;
    for (const PlaylistNode& n : *list)
        if (t < n.nEntryStart || t < n.nEntryEnd)
            return true;
    return false;
}

LocalListPlay DecideLocalListPlay(bool remoteRuns, bool chosen, const Playlist* running, int t)
{
    if (remoteRuns)
        return LocalListPlay::Ignored;
    if (!chosen)
        return LocalListPlay::CloseOnly;
    return LocalPlayStartsNew(running != nullptr, running, t) ? LocalListPlay::PlayAndClose
                                                              : LocalListPlay::CloseOnly;
}
