// G.711 mu-law expansion: the recorder's audio is 8-bit mu-law, 8000 samples
// per second, one channel; the sound output takes 16-bit linear PCM.
#pragma once

#include "platform/Types.h"

#include <array>
#include <cstddef>
#include <cstdint>

// The mu-law byte that decodes to silence; short audio blocks are padded with it.
constexpr BYTE MULAW_SILENCE = 0xFF;

// Expansion of one byte by the G.711 rule (bias 132): the complemented byte
// holds sign, 3-bit segment and 4-bit step. The result lies in -32124..32124.
constexpr std::int16_t MuLawExpand(BYTE code)
{
    const int u = static_cast<BYTE>(~code);
    const int t = (((u & 0x0F) << 3) + 132) << ((u >> 4) & 0x07);
    return static_cast<std::int16_t>((u & 0x80) ? 132 - t : t - 132);
}

// All 256 expansions, built once at compile time; decoding is one look-up per byte.
inline constexpr std::array<std::int16_t, 256> g_arrMuLawTable = [] {
    std::array<std::int16_t, 256> table{};
    for (int i = 0; i < 256; ++i)
        table[static_cast<std::size_t>(i)] = MuLawExpand(static_cast<BYTE>(i));
    return table;
}();

inline std::int16_t MuLawToLinear(BYTE code)
{
    return g_arrMuLawTable[code];
}

// Decodes count mu-law bytes into count 16-bit samples.
void MuLawDecode(const BYTE* src, std::size_t count, std::int16_t* dst);
