#include "search/EventList.h"

#include <cstdio>
#include <ctime>

void CEventEntries::Clear()
{
    m_entries.clear();
    m_nKindCount[0] = m_nKindCount[1] = m_nKindCount[2] = 0;
}

bool CEventEntries::Add(std::uint32_t channelMask, std::uint8_t kind, std::int32_t start, std::int32_t end)
{
    if (Count() >= kMaxEventEntries)
        return false;
    EventEntry e;
    e.channelMask = channelMask;
    e.kind = kind;
    e.start = start;
    e.end = end;
    const int slot = EventKindSlot(kind);
    e.index = slot >= 0 ? m_nKindCount[slot]++ : -1;
    m_entries.push_back(e);
    return true;
}

int CEventEntries::KindCount(int kind) const
{
    const int slot = EventKindSlot(kind);
    return slot >= 0 ? m_nKindCount[slot] : 0;
}

const EventEntry* CEventEntries::Find(int kind, int index) const
{
    if (EventKindSlot(kind) < 0 || index < 0)
        return nullptr;
    for (const EventEntry& e : m_entries)
        if (e.kind == kind && e.index == index)
            return &e;
    return nullptr;
}

int CEventEntries::FirstKindWithEntries() const
{
    for (int slot = 0; slot < 3; ++slot)
        if (m_nKindCount[slot] > 0)
            return EventKindOfSlot(slot);
    return kEventAlarm;
}

int EventKindSlot(int kind)
{
    switch (kind) {
    case kEventAlarm:
        return 0;
    case kEventMotion:
        return 1;
    case kEventAudio:
        return 2;
    default:
        return -1;
    }
}

int EventKindOfSlot(int slot)
{
    return slot == 1 ? kEventMotion : slot == 2 ? kEventAudio : kEventAlarm;
}

void BuildEventEntries(const std::vector<DayIntervalRecord>& records, CEventEntries& out)
{
    out.Clear();
    for (const DayIntervalRecord& r : records) {
        if (!out.Add(r.channelMask, r.eventKinds, static_cast<std::int32_t>(r.startTime),
                     static_cast<std::int32_t>(r.endTime)))
            break;
    }
}

std::string EventCameraText(std::uint32_t channelMask)
{
    std::string text;
    char cell[8];
    for (int i = 0; i < 16; ++i) {
        if (channelMask & (1u << i)) {
            std::snprintf(cell, sizeof cell, "%02d ", i + 1);
            text += cell;
        }
    }
    return text;
}

std::string FormatEventTime(std::int64_t t, int dateFormat)
{
    const std::time_t tt = static_cast<std::time_t>(t < 0 ? 0 : t);
    std::tm tm{};
    if (!gmtime_r(&tt, &tm))
        return std::string();
    const int y = tm.tm_year + 1900, mo = tm.tm_mon + 1, d = tm.tm_mday;
    char text[64];
    switch (dateFormat) {
    case 0:
        std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", y, mo, d, tm.tm_hour, tm.tm_min,
                      tm.tm_sec);
        break;
    case 1:
        std::snprintf(text, sizeof text, "%02d-%02d-%04d %02d:%02d:%02d", mo, d, y, tm.tm_hour, tm.tm_min,
                      tm.tm_sec);
        break;
    case 2:
        std::snprintf(text, sizeof text, "%02d-%02d-%04d %02d:%02d:%02d", d, mo, y, tm.tm_hour, tm.tm_min,
                      tm.tm_sec);
        break;
    default:
        return std::string();
    }
    return text;
}

int EventKindOfHandOver(int handOverKind)
{
    return handOverKind == 1 ? kEventMotion : handOverKind == 2 ? kEventAudio : kEventAlarm;
}

int HandOverKindOfEvent(int kind)
{
    return kind == kEventMotion ? 1 : kind == kEventAudio ? 2 : 0;
}
