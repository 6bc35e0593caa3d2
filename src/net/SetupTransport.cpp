#include "net/SetupTransport.h"

#include "net/Wire.h"

#include <algorithm>
#include <cstring>
#include <zlib.h>

std::uint32_t SetupDbCrc32(const std::uint8_t* data, std::size_t length)
{
    uLong crc = crc32(0L, Z_NULL, 0);
    // zlib takes the length as uInt: feed big blocks in pieces.
    while (length > 0) {
        const uInt n = static_cast<uInt>(std::min<std::size_t>(length, 1u << 30));
        crc = crc32(crc, data, n);
        data += n;
        length -= n;
    }
    return static_cast<std::uint32_t>(crc);
}

CSetupDbAssembler::CSetupDbAssembler() = default;

void CSetupDbAssembler::Begin()
{
    // Allocated on the first fetch; a session that never opens setup pays
    // nothing. Not cleared for the next fetch: only the bytes a fetch
    // received are ever read (Complete, ImageLength and BuildUpdate stay
    // within them), and clearing 1.2 MB per fetch costs more than the rest.
    if (m_buffer.size() != kSetupDbBufferSize)
        m_buffer.assign(kSetupDbBufferSize, 0);
    m_nDbLen = 0;
    m_nGoodLen = 0;
    m_nSeen = 0;
    m_bOverflow = false;
    m_state = State::Fetching;
}

std::uint8_t* CSetupDbAssembler::Reserve(std::size_t length)
{
    if (m_state != State::Fetching)
        return nullptr;
    if (length > m_buffer.size() - m_nDbLen) {
        m_state = State::Overflow;
        return nullptr;
    }
    return m_buffer.data() + m_nDbLen;
}

CSetupDbAssembler::Result CSetupDbAssembler::Complete(std::size_t length, bool last)
{
    if (m_state == State::Idle)
        return Result::Unexpected;
    if (m_state == State::Fetching)
        m_nDbLen += length;
    m_nSeen += length;
    if (!last)
        return Result::More;
    const bool overflow = m_state == State::Overflow;
    m_state = State::Idle;
    // A payload that could never be sent back in one message is not an image
    // the client can edit. It is not corrupt either: it is dropped as too
    // large, whatever its CRC says.
    if (overflow || m_nDbLen > kSetupDbMaxPayload) {
        m_nDbLen = 0;
        return Result::TooLarge;
    }
    if (m_nDbLen < 4) {
        m_nDbLen = 0;
        return Result::CrcError;
    }
    const std::uint32_t stored = ReadBE32(m_buffer.data());
    if (SetupDbCrc32(m_buffer.data() + 4, m_nDbLen - 4) != stored) {
        m_nDbLen = 0;
        return Result::CrcError;
    }
    m_nGoodLen = m_nDbLen;
    return Result::Ready;
}

std::size_t CSetupDbAssembler::ImageLength() const
{
    return m_nGoodLen < 4 ? 0 : std::min(m_nGoodLen - 4, kSetupDbSize);
}

std::vector<std::uint8_t> CSetupDbAssembler::BuildUpdate(const std::uint8_t* image) const
{
    std::vector<std::uint8_t> out;
    if (m_nGoodLen < 4 || image == nullptr)
        return out;
    const std::size_t n = m_nGoodLen - 4;
    out.assign(n + 4, 0);
    if (n > kSetupDbSize) {
        std::memcpy(out.data() + 4, image, kSetupDbSize);
        std::memcpy(out.data() + 4 + kSetupDbSize, m_buffer.data() + 4 + kSetupDbSize, n - kSetupDbSize);
    } else {
        std::memcpy(out.data() + 4, image, n);
    }
    WriteBE32(out.data(), SetupDbCrc32(out.data() + 4, n));
    return out;
}

CSetupDbAssembler::Result CSetupDbAssembler::Feed(const std::uint8_t* data, std::size_t length, bool last)
{
    if (std::uint8_t* dst = Reserve(length); dst && length > 0)
        std::memcpy(dst, data, length);
    return Complete(length, last);
}
