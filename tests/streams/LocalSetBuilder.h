// Downloaded file sets for the local side's tests, the benchmark and the demo,
// written through the real download writer: frames with watermarks (check
// kind 2) or 16-bit checksums (kind 3), tampered frames at chosen times,
// split pairs, gaps between entries, sets of the sibling model and damaged
// sets. The simulator's backup stream serves the same frames.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace k5streams {

struct LocalFrameSpec
{
    std::uint32_t time = 0x50000000; // recorder seconds
    std::uint16_t msec = 0;
    int channel = 0;
    bool key = true;
    int width = 352;
    int height = 288;
    std::uint8_t check = 0;   // 2 watermark, 3 checksum, else none
    bool tampered = false;    // the check fails
    std::uint32_t segment = 1; // a new segment starts a new index entry
    std::uint8_t eventKind = 0;
    std::uint32_t video = 200; // bytes of video (kinds other than 2)
    std::uint32_t audio = 0;   // bytes of the audio area
    std::uint16_t audioMask = 0; // 0 none
    bool multiAudio = false;     // audioMask is a channel mask
    const char* title = nullptr;
    // The video bytes as they stand (kinds other than 2), e.g. a real H.264
    // picture; shared, since a run repeats a few pictures many times.
    std::shared_ptr<const std::vector<std::uint8_t>> payload;
};

// The video bytes of the frame `spec` describes (a watermarked H.264 picture for
// kind 2, a checksummed item chain for kind 3, else a pattern).
std::vector<std::uint8_t> MakeLocalVideo(const LocalFrameSpec& spec);
// The frame as the writer takes it: the 192-byte prefix and the stored frame.
std::vector<std::uint8_t> MakeLocalFrame(const LocalFrameSpec& spec);

// Frames of the channels in `mask`, `fps` per second for `seconds` seconds
// from `start`, key frames every `gop` frames of a channel.
std::vector<LocalFrameSpec> MakeLocalRun(std::uint32_t start, int seconds, std::uint16_t mask, int fps = 2,
                                         std::uint8_t check = 0, std::uint32_t segment = 1, int gop = 2);

struct LocalSetOptions
{
    std::string folder;
    std::string name;          // empty: the writer names by time
    bool servedModel = true;   // false: the sibling model's stem
    std::uint64_t splitSize = 0; // 0: the writer's own
    std::uint32_t clock = 0x60000000; // the PC time for names and stamps
};

// Writes the frames as one download; gives each set's files (.idx, .vih,
// .vid). Empty on a write error.
std::vector<std::array<std::string, 3>> WriteLocalSets(const LocalSetOptions& options,
                                                       const std::vector<LocalFrameSpec>& frames);

// Damages a written file: cuts it to `size` bytes, or writes `bytes` at `at`.
bool TruncateFile(const std::string& path, std::uint64_t size);
bool PatchFile(const std::string& path, std::uint64_t at, const std::vector<std::uint8_t>& bytes);

} // namespace k5streams
