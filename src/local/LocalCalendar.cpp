#include "local/LocalCalendar.h"

#include "net/TimeUtil.h"
#include "search/SearchCalendar.h"

LocalInterval IntervalFromEntry(const LocalIdxEntry& e)
{
    LocalInterval v;
    v.channel_mask = e.channelMask & 0xFFFF;
    if (e.cameraFlags != 0) {
        const std::uint16_t high =
            e.eventType != 0 ? e.cameraFlags : static_cast<std::uint16_t>(~e.cameraFlags & 0xFFFF);
        v.channel_mask |= static_cast<std::uint32_t>(high) << 16;
    }
    v.kind = e.eventType != 0 || e.cameraFlags == 0 ? e.eventType : e.kind2;
    v.start_time = e.start;
    v.end_time = e.end;
    return v;
}

void MarkEntryDays(LocalYearMap& map, int year, const LocalIdxEntry& e)
{
    Usertime s{}, t{};
    // A negative time has no date; it must not borrow another entry's.
    if (!GetTime_tToUsertime(static_cast<std::int32_t>(e.start), s) ||
        !GetTime_tToUsertime(static_cast<std::int32_t>(e.end), t))
        return;
    if (s.year > year || t.year < year)
        return;
    const int sm = s.year < year ? 0 : s.month;
    const int sd = s.year < year ? 0 : s.day;
    const int em = t.year > year ? 11 : t.month;
    const int ed = t.year > year ? 30 : t.day;
    map.year = year;
    const std::uint8_t mask = e.eventType < 8 ? static_cast<std::uint8_t>(1u << e.eventType) : 0;
    const LocalInterval interval = IntervalFromEntry(e);
    auto mark = [&](int m, int d) {
        map.day_flags[static_cast<std::size_t>(m)][static_cast<std::size_t>(d)] |= mask;
        map.days[static_cast<std::size_t>(m)][static_cast<std::size_t>(d)].push_back(interval);
    };
    if (sm == em) {
        for (int d = sd; d <= ed; ++d)
            mark(sm, d);
        return;
    }
    for (int m = sm; m <= em; ++m) {
        const int length = MonthStartAndLength(year, m).length;
        const int from = m == sm ? sd : 0;
        const int to = m == em ? ed : length - 1;
        for (int d = from; d <= to && d < 31; ++d)
            mark(m, d);
    }
}

LocalScanResult ScanRecordedDays(const std::string& folder, int year, LocalYearMap& map)
{
    map = LocalYearMap();
    LocalScanResult scan = ScanDownloadFolder(folder, LocalScan::Calendar);
    for (const LocalSetRef& ref : scan.sets) {
        CLocalFileSet set;
        if (set.OpenFiles(ref.idxPath) != LocalSetFault::None)
            continue;
        const int n = set.EntryCount();
        for (int k = 0; k < n; ++k) {
            LocalIdxEntry e;
            // Entries past the end of the file add nothing.
            if (!set.ReadEntry(k, e))
                break;
            MarkEntryDays(map, year, e);
        }
    }
    return scan;
}

bool LocalMonthHasData(const LocalYearMap& map, int year, int month0)
{
    if (map.year == 0 || month0 < 0 || month0 > 11)
        return false;
    const int length = MonthStartAndLength(year, month0).length;
    for (int d = 0; d < length && d < 31; ++d)
        if (map.day_flags[static_cast<std::size_t>(month0)][static_cast<std::size_t>(d)] != 0)
            return true;
    return false;
}

bool LocalDayMarked(const LocalYearMap& map, int month0, int day0)
{
    if (month0 < 0 || month0 > 11 || day0 < 0 || day0 > 30)
        return false;
    return (map.day_flags[static_cast<std::size_t>(month0)][static_cast<std::size_t>(day0)] & 0x3F) != 0;
}

std::unique_ptr<LocalDayInterval> TakeDayIntervals(LocalYearMap& map, int month0, int day0)
{
    if (month0 < 0 || month0 > 11 || day0 < 0 || day0 > 30)
        return nullptr;
    auto& list = map.days[static_cast<std::size_t>(month0)][static_cast<std::size_t>(day0)];
    std::unique_ptr<LocalDayInterval> head;
    LocalDayInterval* tail = nullptr;
    for (const LocalInterval& v : list) {
        auto node = std::make_unique<LocalDayInterval>();
        node->channel_mask = v.channel_mask;
        node->kind = v.kind;
        node->start_time = v.start_time;
        node->end_time = v.end_time;
        LocalDayInterval* raw = node.get();
        if (tail)
            tail->next = std::move(node);
        else
            head = std::move(node);
        tail = raw;
    }
    list.clear();
    return head;
}
