#include "SimPtz.h"

namespace k5sim {

Bytes PtzAckPayload(PtzAnswer answer)
{
    switch (answer) {
    case PtzAnswer::HasPtz:
        return Bytes{1, 0, 0, 0};
    case PtzAnswer::NoPtz:
        return Bytes{0, 0, 0, 0};
    default:
        return Bytes();
    }
}

std::vector<PtzChannelRequest> PtzChannelRequests(const RecorderSim& sim)
{
    std::vector<PtzChannelRequest> out;
    for (const Message& m : sim.ReceivedOf(id::PTZ_CHANNEL_REQ)) {
        PtzChannelRequest r;
        r.length = m.payload.size();
        if (m.payload.size() >= 2) {
            r.channel = m.payload[0];
            r.mode = m.payload[1];
        }
        out.push_back(r);
    }
    return out;
}

SimPtz::SimPtz(RecorderSim& sim, PtzAnswer all) : m_sim(sim), m_script(std::make_shared<Script>())
{
    m_script->answers.fill(all);
    std::shared_ptr<Script> script = m_script;
    m_sim.SetHandler(id::PTZ_CHANNEL_REQ, [script](RecorderSim& s, const Message& m) {
        // A request too short to name its channel gets no answer.
        if (m.payload.empty())
            return;
        PtzAnswer answer = PtzAnswer::Silent;
        {
            std::lock_guard<std::mutex> lock(script->lock);
            if (m.payload[0] < script->answers.size())
                answer = script->answers[m.payload[0]];
        }
        if (answer != PtzAnswer::Silent)
            s.Send(id::PTZ_CHANNEL_ACK, PtzAckPayload(answer));
    });
}

SimPtz::~SimPtz()
{
    m_sim.SetHandler(id::PTZ_CHANNEL_REQ, RecorderSim::Handler());
}

void SimPtz::SetAll(PtzAnswer answer)
{
    std::lock_guard<std::mutex> lock(m_script->lock);
    m_script->answers.fill(answer);
}

void SimPtz::SetAnswer(int channel, PtzAnswer answer)
{
    if (channel < 0 || channel >= 16)
        return;
    std::lock_guard<std::mutex> lock(m_script->lock);
    m_script->answers[static_cast<std::size_t>(channel)] = answer;
}

} // namespace k5sim
