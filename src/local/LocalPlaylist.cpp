#include "local/LocalPlaylist.h"

#include <algorithm>
#include <cstdint>

using namespace BackupFormat;

std::vector<LocalPlaySet> OrderAndChainSets(std::vector<LocalSetRef> sets)
{
    std::stable_sort(sets.begin(), sets.end(),
                     [](const LocalSetRef& a, const LocalSetRef& b) { return a.firstTime < b.firstTime; });
    // Chaining: a set with an end stamp pulls the first later set whose start
    // stamp equals it to the place right after it.
    for (std::size_t i = 0; i + 1 < sets.size(); ++i) {
        if (sets[i].endStamp == 0)
            continue;
        for (std::size_t j = i + 1; j < sets.size(); ++j) {
            if (sets[j].startStamp == sets[i].endStamp) {
                if (j != i + 1) {
                    LocalSetRef moved = std::move(sets[j]);
                    sets.erase(sets.begin() + static_cast<std::ptrdiff_t>(j));
                    sets.insert(sets.begin() + static_cast<std::ptrdiff_t>(i + 1), std::move(moved));
                }
                break;
            }
        }
    }
    std::vector<LocalPlaySet> out(sets.size());
    for (std::size_t i = 0; i < sets.size(); ++i) {
        out[i].ref = std::move(sets[i]);
    }
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (i > 0 && out[i].ref.startStamp != 0 && out[i].ref.startStamp == out[i - 1].ref.endStamp)
            out[i].continuesPrev = true;
        if (i + 1 < out.size() && out[i].ref.endStamp != 0 && out[i].ref.endStamp == out[i + 1].ref.startStamp)
            out[i].continuesNext = true;
    }
    return out;
}

namespace {

struct NodeValues
{
    int entryIndex = 0;
    std::int64_t entryStart = 0, playStart = 0, entryEnd = 0;
    std::uint32_t firstPlay = 0, entryFirst = 0, entryEndRec = 0;
    std::uint32_t mask = 0;
    bool audio = false;
    bool contPrev = false, contNext = false;
    int cut = 0;
};

void AddPlaylistNode(Playlist& list, const CLocalFileSet& set, const NodeValues& v)
{
    PlaylistNode& n = list.emplace_back();
    n.bAudio = v.audio ? 1 : 0;
    n.nEntryIndex = v.entryIndex;
    n.strIdxPath = set.IdxPath();
    n.strVihPath = set.VihPath();
    n.strVidPath = set.VidPath();
    n.nEntryStart = static_cast<int>(v.entryStart);
    n.nPlayStart = static_cast<int>(v.playStart);
    n.nEntryEnd = static_cast<int>(v.entryEnd);
    n.nFirstPlayRecord = static_cast<int>(v.firstPlay);
    n.nChannelMask = v.mask;
    n.nAudioSelection = v.audio ? 1 : 0;
    n.nEntryFirstRecord = static_cast<int>(v.entryFirst);
    n.nEntryRecordsEnd = static_cast<int>(v.entryEndRec);
    n.nCutKind = v.cut;
    n.bContinuesPrev = v.contPrev ? 1 : 0;
    n.bContinuesNext = v.contNext ? 1 : 0;
}

// Walks the entry's second items from its first until the predicate accepts a
// record's time. Gives the record's offset and time; a walk that finds none
// (or reads nothing) gives the end of the entry's records and its end time.
template <class Accept>
void WalkItems(const CLocalFileSet& set, const LocalIdxEntry& e, std::uint32_t recordsEnd, Accept accept,
               std::uint32_t& offset, std::int64_t& time)
{
    offset = recordsEnd;
    time = e.end;
    std::uint8_t record[kPrefixSize];
    for (std::uint64_t pos = e.itemPos;; pos += kItemSize) {
        std::uint32_t at = 0;
        if (!set.ReadItem(pos, at) || at >= recordsEnd || !set.ReadRecord(at, record))
            return;
        const std::int64_t t = ReadLE32(record + kRecTimeAt);
        if (accept(t)) {
            offset = at;
            time = t;
            return;
        }
    }
}

struct BuildState
{
    bool startFound = false;
    bool endFound = false;
};

bool AddSetNodes(const LocalPlaySet& ps, bool isLast, const LocalPlayRequest& rq, BuildState& st, Playlist& list)
{
    CLocalFileSet set;
    if (set.OpenFiles(ps.ref.idxPath) != LocalSetFault::None)
        return false;
    std::uint8_t header[kHeaderSize];
    if (!set.m_idx.ReadAt(0, header, sizeof header) || ReadLE32(header + kMagicAt) != kHeaderMagic)
        return false;
    const int n = set.EntryCount();
    const std::vector<std::uint32_t> bounds = set.EntryRecordBounds();
    const std::int64_t start = rq.nStart;
    const std::int64_t end = rq.nEnd;
    for (int k = 0; k < n; ++k) {
        LocalIdxEntry e;
        std::uint32_t firstItem = 0;
        if (!set.ReadEntry(k, e))
            break;
        // A slot past the entries the writer filled has no items.
        if (!set.ReadItem(e.itemPos, firstItem))
            continue;
        NodeValues v;
        v.entryIndex = k;
        v.entryStart = e.start;
        v.entryEnd = e.end;
        v.mask = e.channelMask;
        v.audio = (e.audioWord & 1) != 0;
        v.entryFirst = bounds[static_cast<std::size_t>(k)];
        v.entryEndRec = bounds[static_cast<std::size_t>(k) + 1];
        v.contPrev = k == 0 && ps.continuesPrev;
        v.contNext = k == n - 1 && ps.continuesNext;
        v.playStart = e.start;
        v.firstPlay = v.entryFirst;
        if (rq.nSearchMode == 0) {
            if (!st.startFound && v.entryStart <= start && start <= v.entryEnd) {
                st.startFound = true;
                std::int64_t t = 0;
                WalkItems(set, e, v.entryEndRec, [start](std::int64_t rt) { return rt >= start; }, v.firstPlay, t);
                v.playStart = start;
            }
            v.cut = 0;
        } else {
            if (!(v.entryStart < end && v.entryEnd > start))
                continue;
            if (!st.startFound && v.entryStart <= start) {
                st.startFound = true;
                WalkItems(set, e, v.entryEndRec, [start](std::int64_t rt) { return rt >= start; }, v.firstPlay,
                          v.playStart);
                v.cut = 2;
            } else if (!st.endFound && (end <= v.entryEnd || (isLast && k == n - 1))) {
                st.endFound = true;
                if (end > v.entryEnd) {
                    v.playStart = v.entryEnd;
                    v.firstPlay = v.entryEndRec;
                } else {
                    WalkItems(set, e, v.entryEndRec, [end](std::int64_t rt) { return rt > end; }, v.firstPlay,
                              v.playStart);
                }
                v.cut = 3;
            } else {
                v.cut = 1;
            }
        }
        AddPlaylistNode(list, set, v);
    }
    return true;
}

} // namespace

LocalPlaylistResult BuildLocalPlaylist(const std::vector<LocalPlaySet>& sets, const LocalPlayRequest& request,
                                       Playlist& list)
{
    list.clear();
    LocalPlaylistResult result;
    BuildState state;
    for (std::size_t i = 0; i < sets.size(); ++i) {
        if (!AddSetNodes(sets[i], i + 1 == sets.size(), request, state, list)) {
            if (result.skipped++ == 0)
                result.firstSkipped = sets[i].ref.name;
        }
    }
    // The current node: the first one that does not end at or before the start.
    const std::int64_t start = request.nStart;
    auto it = list.begin();
    while (it != list.end() && it->nEntryStart <= start && it->nEntryEnd <= start)
        ++it;
    result.current = it;
    return result;
}
