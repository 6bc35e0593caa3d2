#include "local/LocalTimeline.h"

#include <utility>

int LocalBarKind(std::uint8_t kind, std::uint32_t mask, int camera)
{
    // Only six bar bitmaps exist; drawing an unknown kind as plain recording
    // would claim what the set does not say.
    if (kind > 5)
        return -1;
    if ((kind == 1 || kind == 2) && (mask >> (16 + camera)) & 1u)
        return 0;
    return kind;
}

std::vector<TimelineBar> LocalTimelineBars(const CTimelineView& view, const LocalDayInterval* head,
                                           const TimelineDay& day)
{
    CTimelineView::Rows rows;
    for (const LocalDayInterval* n = head; n != nullptr; n = n->next.get())
        view.AddBars(rows, n->start_time, n->end_time, day, n->channel_mask & 0xFFFFu,
                     [n](int c) { return LocalBarKind(n->kind, n->channel_mask, c); });
    return std::move(rows.bars);
}
