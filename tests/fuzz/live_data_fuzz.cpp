// The live and playback data path without the socket: fragments of frames
// reassembled in a buffer of a chosen capacity, each whole frame checked as
// a live or a played-back frame, and the audio block of each accepted frame
// chosen. Every section the checks hand out must lie inside the frame that
// arrived, and a chosen audio block inside the frame's audio section.
//
// Input: channel count byte, 16-bit capacity (0: the real one), mode byte
// (bit 0: played-back frames, bit 1: copy fragments with Append, bits 4-7:
// the channel the grid shows alone, 15 = several cells), then fragments:
// flags byte (bit 0 last), 16-bit length, the bytes.
#include "FuzzSupport.h"

#include "net/LiveData.h"

#include <cstring>
#include <memory>
#include <optional>

namespace {

void CheckFrame(const std::uint8_t* bytes, std::size_t length, int channelCount, bool play, int single)
{
    // Exactly the frame's bytes, so that a read past them is caught.
    std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[length ? length : 1]);
    if (length)
        std::memcpy(copy.get(), bytes, length);
    const std::uint8_t* begin = copy.get();
    const std::uint8_t* end = begin + length;

    ParsedFrame out;
    const FrameCheck check = play ? ParsePlayFrame(begin, length, channelCount, out)
                                  : ParseLiveFrame(begin, length, channelCount, out);
    if (check != FrameCheck::Ok)
        return;
    K5_FUZZ_CHECK(out.info.channel < channelCount);
    K5_FUZZ_CHECK(out.frame == begin + (out.recorded ? kRecordedPrefixSize : 0));
    K5_FUZZ_CHECK(out.recorded == false || play);
    K5_FUZZ_CHECK(out.frameSize == kFrameHeaderSize + out.info.data_size);
    K5_FUZZ_CHECK(out.info.frame_size == out.frameSize);
    K5_FUZZ_CHECK(out.audio == out.frame + out.frameSize);
    K5_FUZZ_CHECK(out.audio <= end && static_cast<std::size_t>(end - out.audio) >= out.info.audio_size);
    K5_FUZZ_CHECK(IsValidVideoSize(out.info.width, out.info.height));
    K5_FUZZ_CHECK(::strnlen(out.info.caption, sizeof out.info.caption) < sizeof out.info.caption);
    if (play && !out.recorded)
        K5_FUZZ_CHECK(std::strncmp(out.info.caption, "CH", 2) == 0);

    const AudioChoice audio = ChooseAudioBlock(out.info, single);
    if (audio.play) {
        K5_FUZZ_CHECK(audio.length > 0);
        K5_FUZZ_CHECK(audio.offset + audio.length <= out.info.audio_size);
        K5_FUZZ_CHECK(audio.audioChannel >= 0 && audio.audioChannel < 16);
        // The player copies the block: every byte of it is readable.
        unsigned sum = 0;
        for (std::size_t i = 0; i < audio.length; ++i)
            sum += out.audio[audio.offset + i];
        (void)sum;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    k5fuzz::Reader in(data, size);
    const int channelCount = in.U8() % 20;
    const std::uint16_t cap = in.U16();
    const std::uint8_t mode = in.U8();
    const bool play = (mode & 1) != 0;
    const bool append = (mode & 2) != 0;
    const int shown = mode >> 4;
    const int single = shown == 15 ? -1 : shown;

    // The real buffer is large: one serves every input (a fresh one each
    // time costs more than the input), started afresh as the stream would.
    static CStreamAssembler real;
    std::optional<CStreamAssembler> small;
    if (cap != 0)
        small.emplace(cap);
    CStreamAssembler& assembler = cap == 0 ? real : *small;
    assembler.Reset();
    std::uint64_t frames = 0;
    while (in.Left() > 0) {
        const bool last = (in.U8() & 1) != 0;
        const std::size_t want = in.U16();
        const std::string fragment = in.Bytes(want);
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(fragment.data());
        bool whole = false;
        if (append) {
            whole = assembler.Append(bytes, fragment.size(), last);
        } else if (std::uint8_t* room = assembler.Reserve(fragment.size())) {
            // The receive loop fills what it reserved, then commits.
            std::memcpy(room, bytes, fragment.size());
            assembler.Commit(fragment.size());
            whole = assembler.EndFragment(last);
        } else {
            whole = assembler.EndFragment(last);
        }
        K5_FUZZ_CHECK(assembler.Length() <= assembler.Capacity());
        if (!whole)
            continue;
        ++frames;
        CheckFrame(assembler.Data(), assembler.Length(), channelCount, play, single);
        assembler.Reset();
    }
    (void)frames;
    return 0;
}
