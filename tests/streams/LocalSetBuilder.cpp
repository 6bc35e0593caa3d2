#include "LocalSetBuilder.h"

#include "TestStreams.h"
#include "WatermarkWriter.h"
#include "net/BackupWriter.h"
#include "net/Wire.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <unistd.h>

namespace k5streams {

namespace {

void Put32(std::uint8_t* p, std::uint32_t v)
{
    WriteLE32(p, v);
}

// A chain of items, each (first byte & 7) x 2 + 2 bytes long, that fills
// exactly `count` bytes.
std::vector<std::uint8_t> ItemChain(std::uint32_t count, std::uint32_t seed)
{
    std::vector<std::uint8_t> v(count, 0);
    std::uint32_t x = seed * 2654435761u + 7;
    std::size_t at = 0;
    while (at < count) {
        x = x * 1103515245u + 12345u;
        std::size_t len = ((x >> 16) & 7) * 2 + 2;
        const std::size_t left = count - at;
        if (len > left)
            len = left & ~static_cast<std::size_t>(1);
        const std::uint8_t first =
            static_cast<std::uint8_t>(((x >> 8) & 0xF8) | static_cast<std::uint8_t>((len - 2) / 2));
        v[at] = left == 1 ? static_cast<std::uint8_t>(x >> 8) : first;
        for (std::size_t i = 1; i < len && at + i < count; ++i)
            v[at + i] = static_cast<std::uint8_t>(x >> (i % 24));
        at += len == 0 ? 1 : len;
    }
    return v;
}

} // namespace

std::vector<std::uint8_t> MakeLocalVideo(const LocalFrameSpec& s)
{
    if (s.check == 2) {
        // A whole picture of the size the frame header states, so that the
        // player's decoder shows it as well as the check reading it.
        WmStream w;
        w.mbWidth = std::max(1, s.width / 16);
        w.mbHeight = std::max(1, s.height / 16);
        const int mbs = w.mbWidth * w.mbHeight;
        w.paramSets = s.key;
        if (s.key) {
            w.pictures.push_back(WmSimplePicture(mbs, WmKind::INxN));
        } else {
            w.pictures.push_back(WmSimplePicture(mbs, WmKind::P16x16, 0, false, 1));
        }
        if (s.tampered)
            w.pictures[0].slices[0].mbs[5].keyed = 1; // macroblock 5 expects an even level
        w.seed = s.time * 31u + static_cast<std::uint32_t>(s.channel);
        return WriteWatermarkStream(w).bytes;
    }
    if (s.payload)
        return *s.payload;
    return ItemChain(s.video, s.time * 16u + static_cast<std::uint32_t>(s.channel) + s.msec);
}

std::vector<std::uint8_t> MakeLocalFrame(const LocalFrameSpec& s)
{
    const std::vector<std::uint8_t> video = MakeLocalVideo(s);
    const std::uint32_t dataSize = static_cast<std::uint32_t>(video.size());
    const std::uint32_t stored = 40 + dataSize + s.audio;
    std::vector<std::uint8_t> f(192 + stored, 0);
    std::memcpy(f.data(), "kola5500", 8);
    if (s.title != nullptr) {
        Put32(&f[20], 1);
        std::strncpy(reinterpret_cast<char*>(&f[96]), s.title, 31);
    }
    Put32(&f[24], s.time);
    Put32(&f[40], s.segment);
    f[50] = s.eventKind;
    f[51] = s.check;
    if (s.check == 3) {
        std::uint16_t sum = ComputeItemChecksum(video.data(), video.size());
        if (s.tampered)
            sum = static_cast<std::uint16_t>(sum ^ 0x5A5A);
        f[92] = static_cast<std::uint8_t>(sum);
        f[93] = static_cast<std::uint8_t>(sum >> 8);
    }
    FrameHeader h = MakeFrameHeader(s.channel, s.width, s.height, dataSize, s.key, s.time, s.msec);
    std::uint8_t* b = h.bytes;
    Put32(b + 8, ReadLE32(b + 8) & 0xFFF);
    Put32(b + 8, ReadLE32(b + 8) | (stored << 12));
    Put32(b + 20, (dataSize & 0xFFFFF) | (s.audio << 20));
    if (s.audioMask != 0) {
        Put32(b + 24, (ReadLE32(b + 24) & 0xFFFF0000u) | s.audioMask);
        if (s.multiAudio)
            Put32(b + 28, ReadLE32(b + 28) | (1u << 18));
        else
            Put32(b + 8, ReadLE32(b + 8) | ((static_cast<std::uint32_t>(s.channel) & 0xF) << 4));
    }
    std::memcpy(&f[192], b, 40);
    if (!video.empty())
        std::memcpy(&f[232], video.data(), video.size());
    for (std::uint32_t i = 0; i < s.audio; ++i)
        f[232 + dataSize + i] = static_cast<std::uint8_t>(0x80 + (i % 32));
    return f;
}

std::vector<LocalFrameSpec> MakeLocalRun(std::uint32_t start, int seconds, std::uint16_t mask, int fps,
                                         std::uint8_t check, std::uint32_t segment, int gop)
{
    std::vector<LocalFrameSpec> out;
    int n = 0;
    for (int sec = 0; sec < seconds; ++sec) {
        for (int f = 0; f < fps; ++f, ++n) {
            for (int ch = 0; ch < 16; ++ch) {
                if ((mask & (1u << ch)) == 0)
                    continue;
                LocalFrameSpec s;
                s.time = start + static_cast<std::uint32_t>(sec);
                s.msec = static_cast<std::uint16_t>(f * 1000 / fps);
                s.channel = ch;
                s.key = gop <= 1 || n % gop == 0;
                s.check = check;
                s.segment = segment;
                out.push_back(s);
            }
        }
    }
    return out;
}

std::vector<std::array<std::string, 3>> WriteLocalSets(const LocalSetOptions& o,
                                                       const std::vector<LocalFrameSpec>& frames)
{
    BackupSetOptions opt;
    opt.folder = o.folder;
    opt.name = o.name;
    opt.servedModel = o.servedModel;
    if (o.splitSize != 0)
        opt.splitSize = o.splitSize;
    std::uint32_t clock = o.clock;
    opt.clock = [clock]() mutable { return clock++; };
    CBackupSetWriter writer(opt);
    if (!writer.Open())
        return {};
    for (const LocalFrameSpec& s : frames) {
        const std::vector<std::uint8_t> f = MakeLocalFrame(s);
        if (!writer.WriteFrame(f.data(), f.size()))
            return {};
    }
    writer.Close();
    if (writer.Failure() != BackupFailure::None)
        return {};
    return writer.SetFiles();
}

bool TruncateFile(const std::string& path, std::uint64_t size)
{
    return ::truncate(path.c_str(), static_cast<off_t>(size)) == 0;
}

bool PatchFile(const std::string& path, std::uint64_t at, const std::vector<std::uint8_t>& bytes)
{
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    if (!f)
        return false;
    f.seekp(static_cast<std::streamoff>(at));
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(f);
}

} // namespace k5streams
