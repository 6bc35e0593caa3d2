// The recorder's answers to the remote search window: month lists, day and
// event intervals, log, system and status bytes.
//
// Each kind of answer is gathered on its own from its fragments, bounded, and
// completed by the fragment that carries the last-fragment flag; a complete
// answer is decoded with its bounds checked and handed over as one owned
// object, so nothing the receive thread writes is ever shared with a window
// that may be freeing it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// An answer larger than this is dropped whole.
inline constexpr std::size_t kSearchAnswerLimit = 2400000;
inline constexpr std::size_t kYearRecordBytes = 376;
inline constexpr std::size_t kDayRecordBytes = 24;

// One year of the month answer, in host order: for month m (0-11) and day d
// (0-30), DayFlag(m, d) is non-zero when the recorder holds recordings then.
struct YearRecord
{
    std::uint32_t year = 0;
    std::array<std::uint8_t, 12 * 31> dayFlags{};

    std::uint8_t DayFlag(int month, int day) const
    {
        if (month < 0 || month > 11 || day < 0 || day > 30)
            return 0;
        return dayFlags[static_cast<std::size_t>(month * 31 + day)];
    }
};

// One interval of a day or event answer, in host order.
struct DayIntervalRecord
{
    std::uint32_t channelMask = 0; // bit i camera i + 1; bits 16 + i per-camera flags
    std::uint8_t eventKinds = 0;   // day answers: six kind bits; event answers: 1, 2 or 4
    std::uint32_t startTime = 0;   // recorder seconds
    std::uint32_t endTime = 0;
};

enum class SearchAnswerKind
{
    PlayMonth,
    TransMonth,
    PlayDay,
    TransDay,
    Event,
    Log,
    System,
    Status,
};
inline constexpr std::size_t kSearchAnswerKinds = 8;

// A complete answer, owned by whoever holds it.
struct SearchAnswer
{
    SearchAnswerKind kind = SearchAnswerKind::PlayMonth;
    std::vector<YearRecord> years;       // month answers
    std::vector<DayIntervalRecord> days; // day and event answers
    std::vector<std::uint8_t> raw;       // log, system and status answers as received
};

// Whole records only; a partial tail is left out.
std::vector<YearRecord> DecodeYearRecords(const std::uint8_t* data, std::size_t size);
std::vector<DayIntervalRecord> DecodeDayRecords(const std::uint8_t* data, std::size_t size);
// The wire form (big-endian) of the same records, for tests and the kept copies.
std::vector<std::uint8_t> EncodeYearRecord(const YearRecord& record);
std::vector<std::uint8_t> EncodeDayRecord(const DayIntervalRecord& record);

// The answer kind of a message id, false for other messages.
bool SearchAnswerKindOf(std::uint16_t msgId, SearchAnswerKind& kind);
// The window message that announces an answer of this kind.
unsigned SearchAnswerMessage(SearchAnswerKind kind);

// Gathers the fragments of every kind of answer apart from the others.
class CSearchAnswerAssembler
{
public:
    enum class Step
    {
        Partial,  // more fragments to come
        Complete, // `out` holds the answer
        Dropped,  // the answer outgrew the limit; its fragments are gone
    };

    // Adds one fragment. A fragment that would take the answer past the
    // limit marks it dropped: the rest of its fragments are read and thrown
    // away, and the last one reports Dropped once.
    Step Add(SearchAnswerKind kind, const std::uint8_t* data, std::size_t size, bool last,
             std::unique_ptr<SearchAnswer>& out);
    // Forgets every partial answer (a new window, a closed one).
    void Reset();
    std::size_t Pending(SearchAnswerKind kind) const;

private:
    struct Part
    {
        std::vector<std::uint8_t> bytes;
        bool dropped = false;
    };
    std::array<Part, kSearchAnswerKinds> m_parts;
};
