// The bars of the local timeline: a day's downloaded recordings drawn on the
// shared day timeline.
#pragma once

#include "local/LocalRecords.h"
#include "search/TimelineView.h"

#include <cstdint>
#include <vector>

// The bar kind of a downloaded recording for one camera. The local kind is a
// number, not a set of bits as in a recorder's day answer. Kinds 1 and 2 draw
// as 0 when the camera's flag bit 16 + c is set. Kinds above 5 have no bar
// (and mark no calendar day): -1.
int LocalBarKind(std::uint8_t kind, std::uint32_t mask, int camera);

// The bars of the chain from `head` on `day`, in list order, every camera of
// each node's mask (the page has no channel filter).
std::vector<TimelineBar> LocalTimelineBars(const CTimelineView& view, const LocalDayInterval* head,
                                           const TimelineDay& day);
