#include "video/MuLaw.h"

void MuLawDecode(const BYTE* src, std::size_t count, std::int16_t* dst)
{
    for (std::size_t i = 0; i < count; ++i)
        dst[i] = g_arrMuLawTable[src[i]];
}
