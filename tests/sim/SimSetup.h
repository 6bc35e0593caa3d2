// The setup database on the recorder simulator: a full image (its size,
// format version and any named byte settable; the bytes no one sets carry a
// recognisable pattern), DB_INFO_ACK in fragments of a chosen size with the
// last flagged 0x4000, DB_UPDATE_REQ checked against its CRC, stored (the
// next fetch returns it) and acknowledged, DB_INIT_REQ restoring the factory
// image, and the refusals and faults a test scripts.
#pragma once

#include "RecorderSim.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace k5sim {

namespace id {
constexpr std::uint16_t DB_INFO_REQ = 112, DB_INFO_ACK = 113, DB48_INFO_NACK = 114;
constexpr std::uint16_t DB_UPDATE_REQ = 115, DB_UPDATE_ACK = 116, DB_UPDATE_NACK = 117;
constexpr std::uint16_t DB_INIT_REQ = 336, DB_INIT_ACK = 337, DB_INIT_NACK = 338;
} // namespace id

// CRC-32 (reflected, polynomial 0xEDB88320, start and end inverted), the
// simulator's own.
std::uint32_t SimCrc32(const std::uint8_t* data, std::size_t length);

// An image of `size` bytes: version major.minor in bytes 0 and 1, every other
// byte i = (i * 7 + seed) & 0xFF.
Bytes PatternedSetupImage(std::size_t size, std::uint8_t major, std::uint8_t minor, std::uint8_t seed = 0x5A);

class SimSetup
{
public:
    enum class InfoFault
    {
        None,
        BadCrc,   // the CRC word does not match
        Short,    // a payload of 3 bytes
        Oversize, // `oversize` bytes of payload in 65535-byte fragments
        Silent,   // no answer at all
    };

    // Registers the handlers on `sim`; the factory image is PatternedSetupImage.
    SimSetup(RecorderSim& sim, std::size_t imageSize = 7000, std::uint8_t major = 4, std::uint8_t minor = 6);
    ~SimSetup();
    SimSetup(const SimSetup&) = delete;
    SimSetup& operator=(const SimSetup&) = delete;

    // The served image (a copy) and its edits; SetFactory makes the current
    // image the one DB_INIT_REQ restores.
    Bytes Image() const;
    void SetImage(const Bytes& image);
    void SetByte(std::size_t offset, std::uint8_t value);
    void SetBE16(std::size_t offset, std::uint16_t value);
    void SetBE32(std::size_t offset, std::uint32_t value);
    void SetText(std::size_t offset, std::size_t width, const std::string& text);
    void SetFactory();

    // Script.
    void SetFragmentSize(std::size_t size);
    void SetInfoFault(InfoFault fault, std::size_t oversize = 70000);
    // A reason > 0 refuses the request with it (0: answer normally).
    void SetInfoNack(std::int32_t reason);
    void SetUpdateNack(std::int32_t reason);
    void SetInitNack(std::int32_t reason);
    // Without the setup right a fetch and an update are refused with reason 1.
    void SetSetupRight(bool granted);
    // A DB_UPDATE_REQ whose CRC does not match is refused with this reason
    // (default 97) and not stored.
    void SetBadCrcReason(std::int32_t reason);

    // What arrived: DB_UPDATE_REQ payloads (CRC word first) and whether their
    // CRC matched.
    struct Update
    {
        Bytes payload;
        bool crcOk = false;
    };
    std::vector<Update> Updates() const;
    std::size_t InitRequests() const;

private:
    struct State;
    RecorderSim& m_sim;
    std::shared_ptr<State> m_state;
};

} // namespace k5sim
