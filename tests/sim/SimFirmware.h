// Firmware uploads on the recorder simulator: FW_UPDATE_REQ answered per
// component with FW_UPDATE_ACK or FW_UPDATE_NACK(reason); the FW_DATA chunks
// that follow reassembled and kept; at the last chunk FW_DATA_RX_DONE and
// FW_UPDATE_DONE, or FW_DATA_RX_FAIL / FW_UPDATE_FAIL with a reason, or
// nothing at all; answers optionally delayed.
#pragma once

#include "RecorderSim.h"

#include <chrono>
#include <map>
#include <mutex>
#include <vector>

namespace k5sim {

namespace id {
constexpr std::uint16_t FW_UPDATE_REQ = 144, FW_UPDATE_ACK = 145, FW_DATA = 146;
constexpr std::uint16_t FW_UPDATE_NACK = 304, FW_DATA_RX_DONE = 305, FW_DATA_RX_FAIL = 306;
constexpr std::uint16_t FW_UPDATE_DONE = 307, FW_UPDATE_FAIL = 308;
} // namespace id

struct FirmwareAnswer
{
    enum End
    {
        Done,       // RX_DONE, then UPDATE_DONE
        RxFail,     // RX_FAIL(reason)
        UpdateFail, // RX_DONE, then UPDATE_FAIL(reason)
        Silence,    // nothing after the last chunk
    };
    std::int32_t refuseReason = 0; // non-zero: FW_UPDATE_NACK(reason)
    End end = Done;
    std::int32_t reason = 0;
    std::chrono::milliseconds delay{0}; // before each answer
};

class SimFirmware
{
public:
    explicit SimFirmware(RecorderSim& sim);
    ~SimFirmware();

    // Per component type (the request's byte 16); others get the default.
    void SetAnswer(int type, FirmwareAnswer answer);
    void SetDefault(FirmwareAnswer answer);

    // Images received whole, by component type, in the order they ended.
    std::map<int, Bytes> Images() const;
    std::vector<int> RequestedTypes() const;
    std::size_t ChunksReceived() const;

private:
    void OnRequest(RecorderSim& sim, const Message& m);
    void OnData(RecorderSim& sim, const Message& m);
    FirmwareAnswer AnswerFor(int type) const;

    RecorderSim& m_sim;
    mutable std::mutex m_lock;
    std::map<int, FirmwareAnswer> m_answers;
    FirmwareAnswer m_default;
    int m_current = -1;
    Bytes m_buffer;
    std::map<int, Bytes> m_images;
    std::vector<int> m_requested;
    std::size_t m_chunks = 0;
};

} // namespace k5sim
