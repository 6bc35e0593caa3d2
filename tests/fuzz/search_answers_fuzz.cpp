// The search window's answers without the socket: fragment sequences of the
// eight answer kinds gathered by the assembler, then each month answer fed to
// the calendar model and each day answer to the timeline's bars under a view
// the input picks. Answers must hold exactly their whole records, the
// calendar must stay in its years and cells, and every bar inside the
// timeline. Event answers also become the event list's entries: numbered
// within their kinds, with texts of bounded length.
//
// Input: per step a control byte (bits 0-2 kind, bit 3 last fragment, bits
// 4-7 an action for the models; 15 repeats the fragment), a 16-bit length,
// the bytes.
#include "FuzzSupport.h"

#include "net/SearchAnswers.h"
#include "search/EventList.h"
#include "search/SearchCalendar.h"
#include "search/TimelineView.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <sanitizer/asan_interface.h>

namespace {

struct Reader
{
    const std::uint8_t* p;
    std::size_t n;
    bool Take(std::size_t k, const std::uint8_t*& out)
    {
        if (n < k)
            return false;
        out = p;
        p += k;
        n -= k;
        return true;
    }
};

void CheckCalendar(std::vector<YearRecord> years, int pcYear, int action)
{
    CSearchCalendarModel model;
    model.Init(std::move(years), pcYear);
    K5_FUZZ_CHECK(model.Year() >= kCalendarFirstYear && model.Year() < kCalendarFirstYear + kCalendarYears);
    model.OnMonthClicked(action % 12);
    model.OnYearPicked(action % kCalendarYears);
    const std::vector<CalendarDayCell> cells = model.DayCells();
    K5_FUZZ_CHECK(cells.empty() ||
                  static_cast<int>(cells.size()) == DaysInMonth(model.Year(), model.Month()));
    for (const CalendarDayCell& c : cells) {
        K5_FUZZ_CHECK(c.x >= 4 && c.x + c.width <= 403);
        K5_FUZZ_CHECK(c.y >= 107 && c.y <= 257);
    }
}

void CheckBars(const std::vector<DayIntervalRecord>& days, int action, std::uint32_t seed)
{
    CTimelineView view;
    view.SetView(static_cast<int>(seed % kDaySeconds),
                 static_cast<int>(seed % kDaySeconds) + 288 * (1 + action));
    const TimelineDay day{2000 + static_cast<int>(seed % 38), static_cast<int>(seed % 12),
                          static_cast<int>(seed % 28)};
    for (const TimelineBar& b : view.Bars(days, day, seed | 1u)) {
        K5_FUZZ_CHECK(b.row >= 0 && b.row < 16);
        K5_FUZZ_CHECK(b.kind >= 0 && b.kind < 6);
        K5_FUZZ_CHECK(b.x1 >= kTimelineLeft - 1 && b.x1 <= b.x2 && b.x2 <= kTimelineRight + 1);
    }
    view.DragZoom(kTimelineLeft + action, kTimelineLeft + static_cast<int>(seed % 300));
    K5_FUZZ_CHECK(view.ViewStart() >= 0 && view.ViewEnd() <= kDaySeconds);
    K5_FUZZ_CHECK(view.ViewEnd() - view.ViewStart() >= 288 && view.SecPerPixel() >= 1);
    view.ZoomOut();
    view.Wheel(action - 8);
    K5_FUZZ_CHECK(view.ViewStart() >= 0 && view.ViewEnd() <= kDaySeconds);
}

void CheckEvents(const std::vector<DayIntervalRecord>& days, int action)
{
    CEventEntries entries;
    BuildEventEntries(days, entries);
    K5_FUZZ_CHECK(entries.Count() == static_cast<int>(std::min<std::size_t>(days.size(), kMaxEventEntries)));
    K5_FUZZ_CHECK(entries.KindCount(1) + entries.KindCount(2) + entries.KindCount(4) <= entries.Count());
    const int kind = entries.FirstKindWithEntries();
    K5_FUZZ_CHECK(EventKindSlot(kind) >= 0);
    for (int i = 0; i < entries.KindCount(kind); ++i) {
        const EventEntry* e = entries.Find(kind, i);
        K5_FUZZ_CHECK(e && e->kind == kind && e->index == i);
        K5_FUZZ_CHECK(FormatEventTime(e->start, action % 4).size() <= 19);
        K5_FUZZ_CHECK(EventCameraText(e->channelMask).size() <= 48);
        if (i > 64)
            break;
    }
}

// Room for a fragment of `length` bytes, the same block from input to input
// (a repeated fragment is up to a megabyte, mapped afresh each time
// otherwise). Everything past the fragment is poisoned, so that a read past
// it is still caught as with a block of exactly its size.
std::uint8_t* Room(std::size_t length)
{
    static std::unique_ptr<std::uint8_t[]> block;
    static std::size_t capacity = 0;
    const std::size_t need = length ? length : 1;
    if (need > capacity) {
        if (block)
            ASAN_UNPOISON_MEMORY_REGION(block.get(), capacity);
        capacity = std::max(need, capacity * 2);
        block.reset(new std::uint8_t[capacity]);
    }
    ASAN_UNPOISON_MEMORY_REGION(block.get(), need);
    ASAN_POISON_MEMORY_REGION(block.get() + need, capacity - need);
    return block.get();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Reader in{data, size};
    CSearchAnswerAssembler assembler;
    std::array<std::size_t, kSearchAnswerKinds> gathered{};
    const std::uint8_t* head = nullptr;
    while (in.Take(3, head)) {
        const int kindIndex = head[0] & 7;
        const bool last = (head[0] & 8) != 0;
        const int action = head[0] >> 4;
        std::size_t length = static_cast<std::size_t>(head[1]) | static_cast<std::size_t>(head[2]) << 8;
        length = std::min(length, in.n);
        const std::uint8_t* bytes = nullptr;
        in.Take(length, bytes);
        // Action 15 repeats the fragment 300 times, so that answers reach the
        // limit. Exactly the fragment's bytes, so that a read past them is caught.
        const std::size_t repeat = action == 15 ? 300 : 1;
        const std::size_t piece = length;
        length *= repeat;
        std::uint8_t* copy = Room(length);
        for (std::size_t r = 0; r < repeat && piece; ++r)
            std::memcpy(copy + r * piece, bytes, piece);
        const auto kind = static_cast<SearchAnswerKind>(kindIndex);
        gathered[static_cast<std::size_t>(kindIndex)] += length;
        std::unique_ptr<SearchAnswer> answer;
        const CSearchAnswerAssembler::Step step = assembler.Add(kind, copy, length, last, answer);
        if (step == CSearchAnswerAssembler::Step::Partial) {
            K5_FUZZ_CHECK(!last && !answer);
            continue;
        }
        const std::size_t total = gathered[static_cast<std::size_t>(kindIndex)];
        gathered[static_cast<std::size_t>(kindIndex)] = 0;
        if (step == CSearchAnswerAssembler::Step::Dropped) {
            K5_FUZZ_CHECK(total > kSearchAnswerLimit && !answer);
            continue;
        }
        K5_FUZZ_CHECK(answer && answer->kind == kind && total <= kSearchAnswerLimit);
        switch (kind) {
        case SearchAnswerKind::PlayMonth:
        case SearchAnswerKind::TransMonth:
            K5_FUZZ_CHECK(answer->years.size() == total / kYearRecordBytes);
            CheckCalendar(std::move(answer->years), 1990 + action * 4, action);
            break;
        case SearchAnswerKind::PlayDay:
        case SearchAnswerKind::TransDay:
        case SearchAnswerKind::Event:
            K5_FUZZ_CHECK(answer->days.size() == total / kDayRecordBytes);
            CheckBars(answer->days, action, total > 0 ? copy[0] * 2654435761u : 7u);
            if (kind == SearchAnswerKind::Event)
                CheckEvents(answer->days, action);
            break;
        default:
            K5_FUZZ_CHECK(answer->raw.size() == total);
            break;
        }
    }
    return 0;
}
