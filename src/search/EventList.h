// The events of an event answer (or of downloaded index files) as the event
// list pages show them: one entry per record, numbered within its kind, the
// kinds on three tabs, times in the chosen date order. No widgets here.
#pragma once

#include "net/SearchAnswers.h"

#include <cstdint>
#include <string>
#include <vector>

// The three event kinds as the recorder numbers them.
inline constexpr std::uint8_t kEventAlarm = 1, kEventMotion = 2, kEventAudio = 4;
// The most entries a list holds (what the 2,400,000-byte answer buffer fits).
inline constexpr int kMaxEventEntries = 100000;

struct EventEntry
{
    std::uint32_t channelMask = 0; // bit i camera i + 1 (not filled by the local scan)
    std::uint8_t kind = 0;         // 1, 2, 4, or another value that no tab shows
    int index = -1;                // position within its kind, -1 for other kinds
    std::int32_t start = 0;        // local wall-clock seconds, as the recorder counts them
    std::int32_t end = 0;
};

class CEventEntries
{
public:
    void Clear();
    // Appends one event, numbered within its kind; false once the list is full.
    bool Add(std::uint32_t channelMask, std::uint8_t kind, std::int32_t start, std::int32_t end);

    int Count() const { return static_cast<int>(m_entries.size()); }
    // Entries of kind 1, 2 or 4 (0 for any other value).
    int KindCount(int kind) const;
    // The first entry of `kind` with that index within its kind, or null.
    const EventEntry* Find(int kind, int index) const;
    // Kind 1, 2 or 4: the first that has entries, kind 1 when none has.
    int FirstKindWithEntries() const;
    const std::vector<EventEntry>& All() const { return m_entries; }

private:
    std::vector<EventEntry> m_entries;
    int m_nKindCount[3] = {0, 0, 0};
};

// 0, 1, 2 for kinds 1, 2, 4; -1 for any other value.
int EventKindSlot(int kind);
// The kind of tab 0, 1, 2.
int EventKindOfSlot(int slot);
// The entries of an event answer's records, in order.
void BuildEventEntries(const std::vector<DayIntervalRecord>& records, CEventEntries& out);
// "%02d " of each camera set in bits 0-15: cameras 1, 3 and 16 read "01 03 16 ".
std::string EventCameraText(std::uint32_t channelMask);
// A recorder time in the date order (0 year first, 1 month first, 2 day
// first); no zone correction, since the time already is wall-clock seconds;
// a negative time reads as 0; another order gives an empty text.
std::string FormatEventTime(std::int64_t t, int dateFormat);
// The tab a hand-over block's event kind reopens: 1 -> kind 2, 2 -> kind 4, else kind 1.
int EventKindOfHandOver(int handOverKind);
// The hand-over's event kind of an entry kind: 1 -> 0, 2 -> 1, 4 -> 2.
int HandOverKindOfEvent(int kind);
