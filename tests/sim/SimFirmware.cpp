#include "SimFirmware.h"

#include <thread>

namespace k5sim {

SimFirmware::SimFirmware(RecorderSim& sim) : m_sim(sim)
{
    m_sim.SetHandler(id::FW_UPDATE_REQ, [this](RecorderSim& s, const Message& m) { OnRequest(s, m); });
    m_sim.SetHandler(id::FW_DATA, [this](RecorderSim& s, const Message& m) { OnData(s, m); });
}

SimFirmware::~SimFirmware()
{
    m_sim.SetHandler(id::FW_UPDATE_REQ, nullptr);
    m_sim.SetHandler(id::FW_DATA, nullptr);
}

void SimFirmware::SetAnswer(int type, FirmwareAnswer answer)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_answers[type] = answer;
}

void SimFirmware::SetDefault(FirmwareAnswer answer)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_default = answer;
}

FirmwareAnswer SimFirmware::AnswerFor(int type) const
{
    auto it = m_answers.find(type);
    return it != m_answers.end() ? it->second : m_default;
}

std::map<int, Bytes> SimFirmware::Images() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_images;
}

std::vector<int> SimFirmware::RequestedTypes() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_requested;
}

std::size_t SimFirmware::ChunksReceived() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_chunks;
}

void SimFirmware::OnRequest(RecorderSim& sim, const Message& m)
{
    const int type = m.payload.size() > 16 ? m.payload[16] : -1;
    FirmwareAnswer a;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_requested.push_back(type);
        a = AnswerFor(type);
        m_current = a.refuseReason == 0 ? type : -1;
        m_buffer.clear();
    }
    std::this_thread::sleep_for(a.delay);
    if (a.refuseReason != 0)
        sim.SendReason(id::FW_UPDATE_NACK, a.refuseReason);
    else
        sim.Send(id::FW_UPDATE_ACK);
}

void SimFirmware::OnData(RecorderSim& sim, const Message& m)
{
    FirmwareAnswer a;
    int type = -1;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        ++m_chunks;
        if (m_current < 0)
            return;
        m_buffer.insert(m_buffer.end(), m.payload.begin(), m.payload.end());
        if ((m.flags & 0x4000) == 0)
            return;
        type = m_current;
        m_images[type] = m_buffer;
        m_buffer.clear();
        m_current = -1;
        a = AnswerFor(type);
    }
    std::this_thread::sleep_for(a.delay);
    switch (a.end) {
    case FirmwareAnswer::Done:
        sim.Send(id::FW_DATA_RX_DONE);
        sim.Send(id::FW_UPDATE_DONE);
        break;
    case FirmwareAnswer::RxFail:
        sim.SendReason(id::FW_DATA_RX_FAIL, a.reason);
        break;
    case FirmwareAnswer::UpdateFail:
        sim.Send(id::FW_DATA_RX_DONE);
        sim.SendReason(id::FW_UPDATE_FAIL, a.reason);
        break;
    case FirmwareAnswer::Silence:
        break;
    }
}

} // namespace k5sim
