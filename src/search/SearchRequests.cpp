#include "search/SearchRequests.h"

#include "net/NetClient.h"
#include "net/Wire.h"
#include "platform/Trace.h"

RangeRequestBody MakeRangeRequestBody(std::uint32_t channelMask, std::uint8_t kinds, std::uint32_t start,
                                      std::uint32_t end)
{
    RangeRequestBody body{};
    WriteBE32(body.data(), channelMask);
    body[4] = kinds;
    WriteBE32(body.data() + 16, start);
    WriteBE32(body.data() + 20, end);
    return body;
}

DayRequestBody MakeDayRequestBody(int year, int month1, int day1)
{
    DayRequestBody body{};
    WriteBE32(body.data(), static_cast<std::uint32_t>(year));
    body[4] = static_cast<std::uint8_t>(month1);
    body[5] = static_cast<std::uint8_t>(day1);
    return body;
}

bool CSearchRequests::SendPlayInfoMonthReq()
{
    TRACE("Send...PLAY_INFO_MONTH_REQ...\n");
    return m_sender.SendSearchMessage(PLAY_INFO_MONTH_REQ, nullptr, 0);
}

bool CSearchRequests::SendTransInfoMonthReq()
{
    TRACE("Send...TRANS_INFO_MONTH_REQ...\n");
    return m_sender.SendSearchMessage(TRANS_INFO_MONTH_REQ, nullptr, 0);
}

bool CSearchRequests::SendPlayInfoDayReq(int year, int month1, int day1)
{
    TRACE("Send... PLAY_INFO_DAY_REQ... %d %d %d\n", year, month1, day1);
    const DayRequestBody body = MakeDayRequestBody(year, month1, day1);
    return m_sender.SendSearchMessage(PLAY_INFO_DAY_REQ, body.data(), body.size());
}

bool CSearchRequests::SendTransInfoDayReq(int year, int month1, int day1)
{
    TRACE("Send... TRANS_INFO_DAY_REQ... %d %d %d\n", year, month1, day1);
    const DayRequestBody body = MakeDayRequestBody(year, month1, day1);
    return m_sender.SendSearchMessage(TRANS_INFO_DAY_REQ, body.data(), body.size());
}

bool CSearchRequests::SendEventInfoReq()
{
    TRACE("Send...EVENT_INFO_REQ...\n");
    return m_sender.SendSearchMessage(EVENT_INFO_REQ, nullptr, 0);
}

bool CSearchRequests::SendEventTimeReq(std::uint32_t mask, std::uint8_t kinds, std::uint32_t start,
                                       std::uint32_t end)
{
    TRACE("Send...EVENT_TIME_REQ...%d...%u %u\n", int(kinds), start, end);
    const RangeRequestBody body = MakeRangeRequestBody(mask, kinds, start, end);
    return m_sender.SendSearchMessage(EVENT_TIME_REQ, body.data(), body.size());
}

bool CSearchRequests::SendLogInfoReq()
{
    TRACE("Send...LOG_INFO_REQ...\n");
    return m_sender.SendSearchMessage(LOG_INFO_REQ, nullptr, 0);
}

bool CSearchRequests::SendStatusInfoReq()
{
    TRACE("Send...STATUS_INFO_REQ...\n");
    return m_sender.SendSearchMessage(STATUS_INFO_REQ, nullptr, 0);
}

bool CSearchRequests::SendCapaCalCancel()
{
    TRACE("Send...CAPA_CAL_CANCEL...\n");
    return m_sender.SendSearchMessage(CAPA_CAL_CANCEL, nullptr, 0);
}

bool CSearchRequests::SendPlayOnReq(std::uint32_t mask, std::uint8_t kinds, std::uint32_t start,
                                    std::uint32_t end)
{
    const RangeRequestBody body = MakeRangeRequestBody(mask, kinds, start, end);
    return m_sender.SendSearchMessage(PLAY_ON_REQ, body.data(), body.size());
}

bool CSearchRequests::SendTransOnReq(const RangeRequestBody& body)
{
    TRACE("Send... TRANS_ON_REQ...\n");
    return m_sender.SendSearchMessage(TRANS_ON_REQ, body.data(), body.size());
}

bool CSearchRequests::SendTransDataReq(const RangeRequestBody& body)
{
    TRACE("Send... TRANS_DATA_REQ...\n");
    return m_sender.SendSearchMessage(TRANS_DATA_REQ, body.data(), body.size());
}

bool CNetSearchSender::SendSearchMessage(std::uint16_t id, const void* payload, std::size_t length)
{
    const std::shared_ptr<CNetClient> client = m_client.lock();
    return client && client->Send(id, payload, length);
}
