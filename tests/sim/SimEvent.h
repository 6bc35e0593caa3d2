// The recorder's side of the Event and PTZ setup pages: the test mail
// (SEND_TEST_MAIL_REQ recorded and answered with ACK, NACK with a scripted
// reason, or nothing) and the protocol lists it announces after the hello
// (SYS_ETC_INFO with numbered pairs, SYS_ETC_INFO_EX with named tables,
// gaps and baud counts).
#pragma once

#include "RecorderSim.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace k5sim {

namespace id {
constexpr std::uint16_t SEND_TEST_MAIL_REQ = 339, SEND_TEST_MAIL_ACK = 340, SEND_TEST_MAIL_NACK = 341;
} // namespace id

class SimTestMail
{
public:
    enum class Answer
    {
        Ack,
        Nack,
        Silent,
    };
    // Registers the handler on `sim`; answers ACK until told otherwise.
    explicit SimTestMail(RecorderSim& sim);
    void SetAnswer(Answer answer, std::int32_t reason = 1);
    // Payloads of the requests that arrived, in order.
    std::vector<Bytes> Requests() const;

private:
    struct State;
    std::shared_ptr<State> m_state;
};

// SYS_ETC_INFO (320 bytes): language ids, then 64 camera and 64 keyboard
// pairs (name number, maximum baud count); missing entries are zero (free).
using NumberedEntry = std::pair<std::uint8_t, std::uint8_t>;
Bytes BuildSysEtcInfo(const std::vector<NumberedEntry>& camera, const std::vector<NumberedEntry>& keyboard,
                      const std::vector<std::uint8_t>& languages = {});
// SYS_ETC_INFO_EX (3200 bytes): 64 language names, 64 camera names and their
// baud counts, 64 keyboard names and theirs; an empty name is a free entry.
// A name of 16 characters or more fills its slot without a NUL.
using NamedEntry = std::pair<std::string, std::uint8_t>;
Bytes BuildSysEtcInfoEx(const std::vector<NamedEntry>& camera, const std::vector<NamedEntry>& keyboard,
                        const std::vector<std::string>& languages = {});

} // namespace k5sim
