// Requests of the remote search window: the two request bodies, the senders
// and the one-request-outstanding rule.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

class CNetClient;

// The 24-byte body of PLAY_ON_REQ, TRANS_ON_REQ, TRANS_DATA_REQ and
// EVENT_TIME_REQ: mask, kinds, 11 zero bytes, start, end (0: no end); the
// words big-endian.
using RangeRequestBody = std::array<std::uint8_t, 24>;
RangeRequestBody MakeRangeRequestBody(std::uint32_t channelMask, std::uint8_t kinds, std::uint32_t start,
                                      std::uint32_t end);
// The 8-byte body of the two day requests: year (big-endian), month 1-12,
// day 1-31, two zero bytes.
using DayRequestBody = std::array<std::uint8_t, 8>;
DayRequestBody MakeDayRequestBody(int year, int month1, int day1);

inline constexpr std::uint8_t kAllEventKinds = 0x3F;

// Where the window's requests go: the connection, or a test.
class ISearchSender
{
public:
    virtual ~ISearchSender() = default;
    // False when the message could not be sent (no connection).
    virtual bool SendSearchMessage(std::uint16_t id, const void* payload, std::size_t length) = 0;
    // Whether a connection object exists now.
    virtual bool Connected() const = 0;
};

// The senders of the window and its pages, over any ISearchSender.
class CSearchRequests
{
public:
    explicit CSearchRequests(ISearchSender& sender) : m_sender(sender) {}

    bool SendPlayInfoMonthReq();
    bool SendTransInfoMonthReq();
    bool SendPlayInfoDayReq(int year, int month1, int day1);
    bool SendTransInfoDayReq(int year, int month1, int day1);
    bool SendEventInfoReq();
    bool SendEventTimeReq(std::uint32_t mask, std::uint8_t kinds, std::uint32_t start, std::uint32_t end);
    bool SendLogInfoReq();
    bool SendStatusInfoReq();
    bool SendCapaCalCancel();
    bool SendPlayOnReq(std::uint32_t mask, std::uint8_t kinds, std::uint32_t start, std::uint32_t end);
    bool SendTransOnReq(const RangeRequestBody& body);
    bool SendTransDataReq(const RangeRequestBody& body);
    bool Connected() const { return m_sender.Connected(); }

private:
    ISearchSender& m_sender;
};

// The connection as a sender, held weakly: once the connection is gone every
// send fails instead of reaching a freed object.
class CNetSearchSender : public ISearchSender
{
public:
    explicit CNetSearchSender(std::weak_ptr<CNetClient> client) : m_client(std::move(client)) {}
    bool SendSearchMessage(std::uint16_t id, const void* payload, std::size_t length) override;
    bool Connected() const override { return !m_client.expired(); }

private:
    std::weak_ptr<CNetClient> m_client;
};

// What the window waits for. One request at a time: while one is pending the
// tab switches, the tab buttons and the pages' own requests do nothing.
enum class PendingKind
{
    None,
    Month,  // PLAY_ or TRANS_INFO_MONTH_REQ
    Day,    // PLAY_ or TRANS_INFO_DAY_REQ
    Event,  // EVENT_INFO_REQ, EVENT_TIME_REQ
    Log,    // LOG_INFO_REQ
    Size,   // TRANS_ON_REQ
    Button, // a button pressed before its request went (or without connection)
};

class CSearchPending
{
public:
    bool IsSet() const { return m_kind != PendingKind::None; }
    PendingKind Kind() const { return m_kind; }
    void Set(PendingKind kind) { m_kind = kind; }
    void Clear() { m_kind = PendingKind::None; }

private:
    PendingKind m_kind = PendingKind::None;
};
