#include "net/SearchAnswers.h"

#include "net/NetMessages.h"
#include "net/Wire.h"

#include <cstring>

std::vector<YearRecord> DecodeYearRecords(const std::uint8_t* data, std::size_t size)
{
    std::vector<YearRecord> out;
    if (data == nullptr)
        return out;
    const std::size_t n = size / kYearRecordBytes;
    out.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t* p = data + i * kYearRecordBytes;
        out[i].year = ReadBE32(p);
        std::memcpy(out[i].dayFlags.data(), p + 4, out[i].dayFlags.size());
    }
    return out;
}

std::vector<DayIntervalRecord> DecodeDayRecords(const std::uint8_t* data, std::size_t size)
{
    std::vector<DayIntervalRecord> out;
    if (data == nullptr)
        return out;
    const std::size_t n = size / kDayRecordBytes;
    out.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t* p = data + i * kDayRecordBytes;
        out[i].channelMask = ReadBE32(p);
        out[i].eventKinds = p[4];
        out[i].startTime = ReadBE32(p + 16);
        out[i].endTime = ReadBE32(p + 20);
    }
    return out;
}

std::vector<std::uint8_t> EncodeYearRecord(const YearRecord& record)
{
    std::vector<std::uint8_t> out(kYearRecordBytes, 0);
    WriteBE32(out.data(), record.year);
    std::memcpy(out.data() + 4, record.dayFlags.data(), record.dayFlags.size());
    return out;
}

std::vector<std::uint8_t> EncodeDayRecord(const DayIntervalRecord& record)
{
    std::vector<std::uint8_t> out(kDayRecordBytes, 0);
    WriteBE32(out.data(), record.channelMask);
    out[4] = record.eventKinds;
    WriteBE32(out.data() + 16, record.startTime);
    WriteBE32(out.data() + 20, record.endTime);
    return out;
}

bool SearchAnswerKindOf(std::uint16_t msgId, SearchAnswerKind& kind)
{
    switch (msgId) {
    case PLAY_INFO_MONTH_ACK:
        kind = SearchAnswerKind::PlayMonth;
        return true;
    case TRANS_INFO_MONTH_ACK:
        kind = SearchAnswerKind::TransMonth;
        return true;
    case PLAY_INFO_DAY_ACK:
        kind = SearchAnswerKind::PlayDay;
        return true;
    case TRANS_INFO_DAY_ACK:
        kind = SearchAnswerKind::TransDay;
        return true;
    case EVENT_INFO_ACK:
        kind = SearchAnswerKind::Event;
        return true;
    case LOG_INFO_ACK:
        kind = SearchAnswerKind::Log;
        return true;
    case SYSTEM_INFO_ACK:
        kind = SearchAnswerKind::System;
        return true;
    case STATUS_INFO_ACK:
        kind = SearchAnswerKind::Status;
        return true;
    default:
        return false;
    }
}

unsigned SearchAnswerMessage(SearchAnswerKind kind)
{
    switch (kind) {
    case SearchAnswerKind::PlayMonth:
        return WM_PLAY_INFO_MONTH_ACK;
    case SearchAnswerKind::TransMonth:
        return WM_TRANS_INFO_MONTH_ACK;
    case SearchAnswerKind::PlayDay:
        return WM_PLAY_INFO_DAY_ACK;
    case SearchAnswerKind::TransDay:
        return WM_TRANS_INFO_DAY_ACK;
    case SearchAnswerKind::Event:
        return WM_EVENT_INFO_ACK;
    case SearchAnswerKind::Log:
        return WM_LOG_INFO_ACK;
    case SearchAnswerKind::System:
        return WM_SYSTEM_INFO_ACK;
    case SearchAnswerKind::Status:
        return WM_STATUS_INFO_ACK;
    }
    return 0;
}

CSearchAnswerAssembler::Step CSearchAnswerAssembler::Add(SearchAnswerKind kind, const std::uint8_t* data,
                                                         std::size_t size, bool last,
                                                         std::unique_ptr<SearchAnswer>& out)
{
    const std::size_t k = static_cast<std::size_t>(kind);
    if (k >= m_parts.size())
        return Step::Dropped;
    Part& part = m_parts[k];
    if (!part.dropped) {
        if (size > kSearchAnswerLimit - part.bytes.size()) {
            part.dropped = true;
            std::vector<std::uint8_t>().swap(part.bytes);
        } else if (size > 0 && data != nullptr) {
            part.bytes.insert(part.bytes.end(), data, data + size);
        }
    }
    if (!last)
        return Step::Partial;
    if (part.dropped) {
        part = Part();
        return Step::Dropped;
    }
    auto answer = std::make_unique<SearchAnswer>();
    answer->kind = kind;
    switch (kind) {
    case SearchAnswerKind::PlayMonth:
    case SearchAnswerKind::TransMonth:
        answer->years = DecodeYearRecords(part.bytes.data(), part.bytes.size());
        break;
    case SearchAnswerKind::PlayDay:
    case SearchAnswerKind::TransDay:
    case SearchAnswerKind::Event:
        answer->days = DecodeDayRecords(part.bytes.data(), part.bytes.size());
        break;
    default:
        answer->raw = std::move(part.bytes);
        break;
    }
    part = Part();
    out = std::move(answer);
    return Step::Complete;
}

void CSearchAnswerAssembler::Reset()
{
    for (Part& p : m_parts)
        p = Part();
}

std::size_t CSearchAnswerAssembler::Pending(SearchAnswerKind kind) const
{
    const std::size_t k = static_cast<std::size_t>(kind);
    return k < m_parts.size() ? m_parts[k].bytes.size() : 0;
}
