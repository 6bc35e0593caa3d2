// PTZ on the recorder simulator: PTZ_CHANNEL_REQ answered with PTZ_CHANNEL_ACK
// as scripted per channel (the channel has PTZ, has none, or an empty answer,
// or no answer at all). PTZ_MOVE_REQ and PTZ_MOVE_STOP need no answer; like
// every message they are recorded by the simulator, and the helpers below
// read them back.
#pragma once

#include "RecorderSim.h"

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace k5sim {

namespace id {
constexpr std::uint16_t PTZ_CHANNEL_REQ = 282, PTZ_CHANNEL_ACK = 283, PTZ_MOVE_REQ = 284, PTZ_MOVE_STOP = 285;
} // namespace id

enum class PtzAnswer
{
    HasPtz, // {1, 0, 0, 0}
    NoPtz,  // {0, 0, 0, 0}
    Empty,  // a header with no payload
    Silent  // no answer
};
Bytes PtzAckPayload(PtzAnswer answer);

// A PTZ_CHANNEL_REQ as received: channel and panel mode (bytes 0 and 1).
struct PtzChannelRequest
{
    int channel = -1;
    int mode = -1;
    std::size_t length = 0;
};
std::vector<PtzChannelRequest> PtzChannelRequests(const RecorderSim& sim);

class SimPtz
{
public:
    // Registers the PTZ_CHANNEL_REQ handler on `sim`; every channel answers
    // `all` until scripted otherwise.
    explicit SimPtz(RecorderSim& sim, PtzAnswer all = PtzAnswer::HasPtz);
    // Removes the handler (an answer under way finishes on its own state).
    ~SimPtz();
    SimPtz(const SimPtz&) = delete;
    SimPtz& operator=(const SimPtz&) = delete;

    void SetAll(PtzAnswer answer);
    void SetAnswer(int channel, PtzAnswer answer);

private:
    struct Script
    {
        std::mutex lock;
        std::array<PtzAnswer, 16> answers{};
    };
    RecorderSim& m_sim;
    // Shared with the handler, which may still run while this object goes.
    std::shared_ptr<Script> m_script;
};

} // namespace k5sim
