// The setup database on the wire, without the socket: reassembly of the
// DB_INFO_ACK fragments into one bounded buffer, the CRC-32 check of the
// joined payload, and the DB_UPDATE_REQ payload built from the edited image
// and the received tail. Plain data; the connection feeds it and the fuzz
// target drives it in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The image the main window edits.
inline constexpr std::size_t kSetupDbSize = 8176;
// The reassembly buffer: the most a fetched payload may hold.
inline constexpr std::size_t kSetupDbBufferSize = 1244160;
// One update message carries the whole payload, and a header length has 16 bits.
inline constexpr std::size_t kSetupDbMaxPayload = 0xFFFF;

// zlib's CRC-32, started from 0.
std::uint32_t SetupDbCrc32(const std::uint8_t* data, std::size_t length);

class CSetupDbAssembler
{
public:
    enum class State
    {
        Idle,     // no fetch outstanding
        Fetching, // fragments being joined
        Overflow, // a fragment did not fit: the rest of the fetch is drained
    };
    enum class Result
    {
        More,       // not the last fragment yet
        Ready,      // checked: Image() holds the bytes
        CrcError,   // CRC mismatch, or a payload too short to hold its CRC word
        TooLarge,   // more than one update message can carry: dropped unchecked
        Unexpected, // no fetch outstanding: nothing kept
    };

    CSetupDbAssembler();

    // A fetch starts: the buffer is emptied.
    void Begin();
    // The exchange ends without a new image (refusal, disconnect).
    void Abort() { m_state = State::Idle; }
    State GetState() const { return m_state; }
    bool Fetching() const { return m_state != State::Idle; }

    // Where the next fragment of `length` bytes goes, or null when it does not
    // fit (or no fetch is outstanding): the caller then drains it and still
    // calls Complete.
    std::uint8_t* Reserve(std::size_t length);
    // The fragment's bytes have been written to what Reserve returned (or
    // drained). Last: the fragment carried the last-fragment flag.
    Result Complete(std::size_t length, bool last);

    // After Ready: the received payload (CRC word first) and its length. Its
    // length stays the length of the next update until the next fetch.
    std::size_t Length() const { return m_nDbLen; }
    // After TooLarge: how many bytes the dropped payload had.
    std::size_t DroppedLength() const { return m_nSeen; }
    const std::uint8_t* Payload() const { return m_buffer.data(); }
    // The image bytes that reach the main window: min(length - 4, 8176).
    std::size_t ImageLength() const;

    // The DB_UPDATE_REQ payload for `image` (kSetupDbSize bytes, network
    // order): length - 4 image bytes, the received tail beyond 8176 kept,
    // the CRC in front. Empty when no image has been received.
    std::vector<std::uint8_t> BuildUpdate(const std::uint8_t* image) const;

    // Feeds one whole fragment (Reserve, copy, Complete) - for tests and fuzzing.
    Result Feed(const std::uint8_t* data, std::size_t length, bool last);

private:
    std::vector<std::uint8_t> m_buffer;
    std::size_t m_nDbLen = 0;   // bytes joined so far; then the payload length
    std::size_t m_nGoodLen = 0; // length of the last checked payload (0 none)
    std::size_t m_nSeen = 0;    // bytes of this fetch, drained ones included
    State m_state = State::Idle;
    bool m_bOverflow = false;
};
