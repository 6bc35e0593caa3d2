// MSB-first bit reader over one RBSP that never reads outside its bytes: past
// the end it delivers zero bits and remembers that it overran. `bits` is the
// length of the meaningful data (up to the stop bit); reading beyond it counts
// as an overread too, since no syntax element of a valid stream lies there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

class H264BitReader
{
public:
    H264BitReader() = default;
    H264BitReader(const std::uint8_t* data, std::size_t bytes, std::size_t bits)
    {
        Reset(data, bytes, bits);
    }

    void Reset(const std::uint8_t* data, std::size_t bytes, std::size_t bits)
    {
        m_pData = data;
        m_nBytes = bytes;
        m_nBits = bits < bytes * 8 ? bits : bytes * 8;
        m_nPos = 0;
        m_bBadCode = false;
    }

    // Takes up the position of a copy of this reader. Only the fields a read
    // changes are stored, one by one: a whole-object copy back is read as
    // wider words than were just written and stalls on every residual block.
    void ResumeFrom(const H264BitReader& copy)
    {
        m_nPos = copy.m_nPos;
        m_bBadCode = copy.m_bBadCode;
    }

    std::size_t Pos() const { return m_nPos; }
    std::size_t BitLength() const { return m_nBits; }
    std::size_t BitsLeft() const { return m_nPos < m_nBits ? m_nBits - m_nPos : 0; }
    bool Overread() const { return m_nPos > m_nBits; }
    bool BadCode() const { return m_bBadCode; }
    bool Failed() const { return m_bBadCode || m_nPos > m_nBits; }
    bool MoreData() const { return m_nPos < m_nBits; }

    // Up to 32 bits, without moving.
    std::uint32_t Peek(int n) const
    {
        if (n <= 0)
            return 0;
        // Away from the end, one unaligned load holds at least 57 bits from
        // the position: no cached window whose refills the branch predictor
        // cannot foresee.
        const std::size_t byte = m_nPos >> 3;
        if (byte + 8 <= m_nBytes) [[likely]] {
            std::uint64_t w;
            std::memcpy(&w, m_pData + byte, 8);
            w = __builtin_bswap64(w) << (m_nPos & 7);
            return static_cast<std::uint32_t>(w >> (64 - n));
        }
        return static_cast<std::uint32_t>(Peek64() >> (64 - n));
    }
    void Skip(std::size_t n) { m_nPos += n; }

    std::uint32_t U(int n)
    {
        const std::uint32_t v = Peek(n);
        m_nPos += static_cast<std::size_t>(n > 0 ? n : 0);
        return v;
    }
    std::uint32_t U1() { return U(1); }

    // Exp-Golomb; a code with more than 31 leading zeros is not a valid code.
    __attribute__((always_inline)) std::uint32_t Ue()
    {
        // Away from the end one load holds at least 57 bits from the
        // position: every code of up to 28 leading zeros.
        const std::size_t byte = m_nPos >> 3;
        if (byte + 8 <= m_nBytes) [[likely]] {
            std::uint64_t w;
            std::memcpy(&w, m_pData + byte, 8);
            w = __builtin_bswap64(w) << (m_nPos & 7);
            const int zeros = w ? __builtin_clzll(w) : 64;
            if (zeros <= 28) [[likely]] {
                const int len = 2 * zeros + 1;
                m_nPos += static_cast<std::size_t>(len);
                return static_cast<std::uint32_t>((w >> (64 - len)) - 1);
            }
        }
        return UeSlow();
    }
    std::int32_t Se()
    {
        const std::uint32_t k = Ue();
        const std::int64_t v = (k & 1) ? (static_cast<std::int64_t>(k) + 1) / 2
                                       : -static_cast<std::int64_t>(k / 2);
        return static_cast<std::int32_t>(v);
    }
    std::uint32_t UeSlow()
    {
        int zeros = 0;
        const std::uint64_t w = Peek64();
        if (w == 0) {
            m_bBadCode = true;
            m_nPos += 33;
            return 0;
        }
        zeros = __builtin_clzll(w);
        if (zeros > 31) {
            m_bBadCode = true;
            m_nPos += static_cast<std::size_t>(zeros);
            return 0;
        }
        m_nPos += static_cast<std::size_t>(zeros) + 1;
        const std::uint32_t rest = U(zeros);
        return static_cast<std::uint32_t>((std::uint64_t{1} << zeros) - 1 + rest);
    }
    // te(v) with `range` allowed values 0..range-1.
    std::uint32_t Te(int range)
    {
        if (range <= 1)
            return 0;
        if (range == 2)
            return U1() ^ 1u;
        return Ue();
    }
    void AlignByte() { m_nPos = (m_nPos + 7) & ~std::size_t{7}; }
    bool ByteAligned() const { return (m_nPos & 7) == 0; }

    // The 64 bits from bit `pos` on, zeros past the end of the bytes.
    static std::uint64_t Load64(const std::uint8_t* data, std::size_t bytes, std::size_t pos)
    {
        const std::size_t byte = pos >> 3;
        const int shift = static_cast<int>(pos & 7);
        std::uint64_t w = 0;
        if (byte + 9 <= bytes) {
            std::memcpy(&w, data + byte, 8);
            w = __builtin_bswap64(w);
            if (shift)
                w = (w << shift) | (data[byte + 8] >> (8 - shift));
            return w;
        }
        for (int i = 0; i < 9; ++i) {
            const std::size_t b = byte + static_cast<std::size_t>(i);
            const std::uint64_t v = b < bytes && b >= byte ? data[b] : 0;
            if (i < 8)
                w = (w << 8) | v;
            else if (shift)
                w = (w << shift) | (v >> (8 - shift));
        }
        return w;
    }

private:
    friend class H264BitCache;

    std::uint64_t Peek64() const { return Load64(m_pData, m_nBytes, m_nPos); }

    const std::uint8_t* m_pData = nullptr;
    std::size_t m_nBytes = 0;
    std::size_t m_nBits = 0;
    std::size_t m_nPos = 0;
    bool m_bBadCode = false;
};

// The reader's next bits held in a register, for the residual blocks: a
// symbol costs a shift and a table lookup, and memory is read again only
// when fewer than 32 bits are left. Every symbol of a residual block is at
// most 28 bits long, so Fill() before each one suffices. Positions past the
// end read as zero bits, as with the reader; the reader takes up the final
// position with Store().
class H264BitCache
{
public:
    explicit H264BitCache(const H264BitReader& r) : m_pData(r.m_pData), m_nBytes(r.m_nBytes), m_nPos(r.m_nPos)
    {
        Load();
    }
    void Store(H264BitReader& r) const { r.m_nPos = m_nPos; }

    void Fill()
    {
        if (m_nValid < 32) [[unlikely]]
            Load();
    }
    // The next 64 bits, MSB first; only the first 32 are certain to be data.
    std::uint64_t Bits() const { return m_cache; }
    // 1 to 32 bits, without moving.
    std::uint32_t Peek(int n) const { return static_cast<std::uint32_t>(m_cache >> (64 - n)); }
    void Skip(int n)
    {
        m_cache <<= n;
        m_nValid -= n;
        m_nPos += static_cast<std::size_t>(n);
    }
    std::size_t Pos() const { return m_nPos; }

private:
    void Load()
    {
        const std::size_t byte = m_nPos >> 3;
        const int shift = static_cast<int>(m_nPos & 7);
        if (byte + 8 <= m_nBytes) [[likely]] {
            std::uint64_t w;
            std::memcpy(&w, m_pData + byte, 8);
            m_cache = __builtin_bswap64(w) << shift;
            m_nValid = 64 - shift;
        } else {
            m_cache = H264BitReader::Load64(m_pData, m_nBytes, m_nPos);
            m_nValid = 64;
        }
    }

    const std::uint8_t* m_pData;
    std::size_t m_nBytes;
    std::size_t m_nPos;
    std::uint64_t m_cache = 0;
    int m_nValid = 0;
};
