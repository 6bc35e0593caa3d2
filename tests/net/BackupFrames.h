// Backed-up frames as the recorder sends them, for the writer's tests: the
// 192-byte prefix (stem, time, segment, bytes 48-51) and the stored frame
// (40-byte header, video, audio) with recognisable contents.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

// A scratch folder of this test process (under K5_TEST_TMP when set).
inline std::filesystem::path BackupScratchRoot()
{
    const char* root = std::getenv("K5_TEST_TMP");
    const std::filesystem::path base = root != nullptr && root[0] != 0
                                           ? std::filesystem::path(root)
                                           : std::filesystem::path(K5_BINARY_DIR) / "testtmp";
    return base / ("p" + std::to_string(::getpid()));
}

struct BackupFrameSpec
{
    std::uint32_t time = 0x40000000;
    std::uint32_t segment = 7;
    std::uint8_t kind = 1;
    int channel = 0;
    std::uint32_t video = 1000;
    std::uint32_t audio = 0;
    std::uint8_t b48 = 0, b49 = 0, b51 = 0;
    std::uint32_t seed = 1;
};

inline void PutLE32Test(std::uint8_t* p, std::uint32_t v)
{
    const std::uint8_t b[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                               static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
    std::memcpy(p, b, 4);
}

inline std::vector<std::uint8_t> MakeBackupFrame(const BackupFrameSpec& s)
{
    const std::uint32_t stored = 40 + s.video + s.audio;
    std::vector<std::uint8_t> f(192 + stored, 0);
    std::memcpy(f.data(), "kola5500", 8);
    PutLE32Test(&f[20], 1);
    PutLE32Test(&f[24], s.time);
    PutLE32Test(&f[40], s.segment);
    f[48] = s.b48;
    f[49] = s.b49;
    f[50] = s.kind;
    f[51] = s.b51;
    std::uint8_t* h = &f[192];
    PutLE32Test(h + 0, 511);
    PutLE32Test(h + 8, static_cast<std::uint32_t>(s.channel & 0xF) | (stored << 12));
    PutLE32Test(h + 12, s.time);
    PutLE32Test(h + 20, (s.video & 0xFFFFF) | (s.audio << 20));
    std::uint32_t x = s.seed * 2654435761u + 1;
    for (std::size_t i = 232; i < f.size(); ++i) {
        x = x * 1103515245u + 12345u;
        f[i] = static_cast<std::uint8_t>(x >> 16);
    }
    return f;
}
