#include "SimEvent.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace k5sim {

struct SimTestMail::State
{
    mutable std::mutex lock;
    Answer answer = Answer::Ack;
    std::int32_t reason = 1;
    std::vector<Bytes> requests;
};

SimTestMail::SimTestMail(RecorderSim& sim) : m_state(std::make_shared<State>())
{
    std::shared_ptr<State> st = m_state;
    sim.SetHandler(id::SEND_TEST_MAIL_REQ, [st](RecorderSim& s, const Message& m) {
        Answer answer;
        std::int32_t reason;
        {
            std::lock_guard<std::mutex> lock(st->lock);
            st->requests.push_back(m.payload);
            answer = st->answer;
            reason = st->reason;
        }
        if (answer == Answer::Ack)
            s.Send(id::SEND_TEST_MAIL_ACK);
        else if (answer == Answer::Nack)
            s.SendReason(id::SEND_TEST_MAIL_NACK, reason);
    });
}

void SimTestMail::SetAnswer(Answer answer, std::int32_t reason)
{
    std::lock_guard<std::mutex> lock(m_state->lock);
    m_state->answer = answer;
    m_state->reason = reason;
}

std::vector<Bytes> SimTestMail::Requests() const
{
    std::lock_guard<std::mutex> lock(m_state->lock);
    return m_state->requests;
}

Bytes BuildSysEtcInfo(const std::vector<NumberedEntry>& camera, const std::vector<NumberedEntry>& keyboard,
                      const std::vector<std::uint8_t>& languages)
{
    Bytes out(320, 0);
    for (std::size_t i = 0; i < std::min<std::size_t>(languages.size(), 64); ++i)
        out[i] = languages[i];
    for (std::size_t p = 0; p < std::min<std::size_t>(camera.size(), 64); ++p) {
        out[64 + 2 * p] = camera[p].first;
        out[64 + 2 * p + 1] = camera[p].second;
    }
    for (std::size_t p = 0; p < std::min<std::size_t>(keyboard.size(), 64); ++p) {
        out[192 + 2 * p] = keyboard[p].first;
        out[192 + 2 * p + 1] = keyboard[p].second;
    }
    return out;
}

namespace {
void PutName(Bytes& out, std::size_t at, const std::string& name)
{
    std::memcpy(out.data() + at, name.data(), std::min<std::size_t>(name.size(), 16));
}
} // namespace

Bytes BuildSysEtcInfoEx(const std::vector<NamedEntry>& camera, const std::vector<NamedEntry>& keyboard,
                        const std::vector<std::string>& languages)
{
    Bytes out(3200, 0);
    for (std::size_t i = 0; i < std::min<std::size_t>(languages.size(), 64); ++i)
        PutName(out, 16 * i, languages[i]);
    for (std::size_t p = 0; p < std::min<std::size_t>(camera.size(), 64); ++p) {
        PutName(out, 1024 + 16 * p, camera[p].first);
        out[2048 + p] = camera[p].second;
    }
    for (std::size_t p = 0; p < std::min<std::size_t>(keyboard.size(), 64); ++p) {
        PutName(out, 2112 + 16 * p, keyboard[p].first);
        out[3136 + p] = keyboard[p].second;
    }
    return out;
}

} // namespace k5sim
