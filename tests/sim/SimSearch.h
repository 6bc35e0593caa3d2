// Search answers of the recorder simulator, built from a SimCatalogue: month
// lists, day intervals, event lists, scripted log and status payloads, and
// the playback's fit to the catalogue. Faults a test can script: answers with
// no whole record, a 50-byte day, an oversize answer, an answer sent after
// the client closed its window, and two answers' fragments interleaved.
#pragma once

#include "RecorderSim.h"
#include "SimCatalogue.h"

#include <cstdint>
#include <memory>
#include <mutex>

namespace k5sim {

class SimLive;

namespace id {
constexpr std::uint16_t PLAY_INFO_MONTH_REQ = 260, PLAY_INFO_MONTH_ACK = 261, PLAY_INFO_MONTH_NACK = 262;
constexpr std::uint16_t PLAY_INFO_DAY_REQ = 263, PLAY_INFO_DAY_ACK = 264, PLAY_INFO_DAY_NACK = 265;
constexpr std::uint16_t TRANS_INFO_MONTH_REQ = 288, TRANS_INFO_MONTH_ACK = 289, TRANS_INFO_MONTH_NACK = 290;
constexpr std::uint16_t TRANS_INFO_DAY_REQ = 291, TRANS_INFO_DAY_ACK = 292, TRANS_INFO_DAY_NACK = 293;
constexpr std::uint16_t CAPA_CAL_CANCEL = 299;
constexpr std::uint16_t LOG_INFO_REQ = 320, LOG_INFO_ACK = 321, LOG_INFO_NACK = 322;
constexpr std::uint16_t SYSTEM_INFO_ACK = 324, SYSTEM_INFO_NACK = 325;
constexpr std::uint16_t STATUS_INFO_REQ = 326, STATUS_INFO_ACK = 327, STATUS_INFO_NACK = 328;
constexpr std::uint16_t EVENT_INFO_REQ = 329, EVENT_INFO_ACK = 330, EVENT_INFO_NACK = 331;
constexpr std::uint16_t EVENT_TIME_REQ = 335;
} // namespace id

struct SearchScript
{
    std::size_t fragment = 4096; // payload bytes per answer message
    bool splitYears = false;     // two YearRecords per year
    Bytes log;                   // LOG_INFO_ACK payload
    Bytes status;                // STATUS_INFO_ACK payload
    // Refusal reasons instead of answers (0: answer).
    std::int32_t monthRefuse = 0, dayRefuse = 0, eventRefuse = 0, logRefuse = 0, statusRefuse = 0;
    // Faults.
    bool silent = false;        // record requests, answer nothing
    std::size_t truncateTo = 0; // non-zero: every buffered answer cut to this many bytes
};

// Sends `payload` as message `msgId` in fragments of `fragment` bytes with
// the last-fragment flag on the last (an empty payload: one flagged message).
bool SendFragmented(RecorderSim& sim, std::uint16_t msgId, const Bytes& payload, std::size_t fragment);

class SimSearch
{
public:
    SimSearch(RecorderSim& sim, SimCatalogue catalogue);
    ~SimSearch();
    SimSearch(const SimSearch&) = delete;
    SimSearch& operator=(const SimSearch&) = delete;

    void SetScript(const SearchScript& script);
    SearchScript Script() const;
    const SimCatalogue& Catalogue() const { return m_catalogue; }
    // Playback from the body's start for the recorded cameras of its mask,
    // refused with 83 when nothing follows.
    void AttachPlayback(SimLive& live);

private:
    void Answer(const Message& m);

    RecorderSim& m_sim;
    const SimCatalogue m_catalogue;
    mutable std::mutex m_lock;
    SearchScript m_script;
};

} // namespace k5sim
