// Small builders the local tests share: times, event runs and byte images.
#pragma once

#include "net/Wire.h"
#include "streams/LocalSetBuilder.h"

#include <cstdint>
#include <ctime>
#include <vector>

// Recorder seconds of a calendar time (no zone).
inline std::uint32_t At(int y, int mo, int d, int h = 0, int mi = 0)
{
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    return static_cast<std::uint32_t>(timegm(&tm));
}

// One three-second run of channel 1 per kind, ten seconds apart, each its own segment.
inline std::vector<k5streams::LocalFrameSpec> Events(std::uint32_t start, const std::vector<std::uint8_t>& kinds)
{
    std::vector<k5streams::LocalFrameSpec> out;
    std::uint32_t segment = 1;
    for (std::uint8_t kind : kinds) {
        auto run = k5streams::MakeLocalRun(start, 3, 0x1, 1, 0, segment++);
        for (auto& f : run)
            f.eventKind = kind;
        out.insert(out.end(), run.begin(), run.end());
        start += 10;
    }
    return out;
}

inline std::vector<std::uint8_t> LE(std::uint32_t v)
{
    std::vector<std::uint8_t> b(4);
    WriteLE32(b.data(), v);
    return b;
}
