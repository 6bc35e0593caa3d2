// Records the main window keeps for local playback: the playlist of played
// index entries and the memory of the last local search that led to a play.
#pragma once

#include "platform/Types.h"

#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <string>

// One played index entry of a downloaded file set.
struct PlaylistNode
{
    // The play thread writes the audio selection while the main window reads it.
    std::atomic<BYTE> bAudio{0}; // 1: the entry carries audio (its audio selection is valid)
    int nEntryIndex = 0;      // number of the entry in its .idx file
    std::string strVihPath;   // full path of the set's .vih file
    std::string strVidPath;   // full path of the set's .vid file
    std::string strIdxPath;   // full path of the set's .idx file
    int nEntryStart = 0;      // recorder seconds
    int nPlayStart = 0;       // time of the first record to play
    int nEntryEnd = 0;
    int nFirstPlayRecord = 0;       // .vih offset where playback of the node begins
    std::uint32_t nChannelMask = 0; // bit i = channel i
    std::atomic<int> nAudioSelection{0};
    int nEntryFirstRecord = 0; // .vih offset of the entry's first record
    int nEntryRecordsEnd = 0;  // .vih offset just past the entry's last record
    int nCutKind = 0;          // 0 from a start time; 1 whole, 2 cut at start, 3 cut at end
    BYTE bContinuesPrev = 0;
    BYTE bContinuesNext = 0;
};

// The playlist, linked both ways; the player keeps its own position in it.
using Playlist = std::list<PlaylistNode>;

// One downloaded recording on one day, as the local calendar builds it.
struct LocalDayInterval
{
    LocalDayInterval() = default;
    LocalDayInterval(const LocalDayInterval&) = delete;
    LocalDayInterval& operator=(const LocalDayInterval&) = delete;
    // Frees the rest of the chain without recursing once per node.
    ~LocalDayInterval();

    std::uint32_t channel_mask = 0;
    BYTE kind = 0;
    std::uint32_t start_time = 0;
    std::uint32_t end_time = 0;
    std::unique_ptr<LocalDayInterval> next;
};

// The last local search that led to a local play, so that the search menu can
// reopen it. The record owns its result list.
struct LastLocalSearch
{
    BYTE bValid = 0;
    BYTE nPage = 0; // 1 event list, 2 calendar and timeline, 4 file list
    BYTE nMode = 0; // event kind 1, 2 or 4 on page 1
    int nSelectedRow = 0;
    int nTime = 0; // picked start time, recorder seconds
    std::unique_ptr<LocalDayInterval> pHead;
    LocalDayInterval* pTail = nullptr;

    // Frees the result list and zeroes every field.
    void Clear();
    // Appends a node at the tail of the result list.
    void Append(std::unique_ptr<LocalDayInterval> node);
    int Count() const;
};
