// The parse-only H.264 decoder and its watermark check: a sequence of frames,
// each fed to one open decoder as the playback engine feeds a channel's.
//
// Input: frames, each u16 length then `length` bytes (the rest when shorter).
// The decoder is opened once, every frame decoded with a fresh watermark
// context state, and closed at the end. Every call must return a byte count
// within the frame and a verdict; the context's count must match it.
#include "FuzzSupport.h"

#include "local/h264/H264Decoder.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    k5fuzz::Reader in(data, size);
    H264DecoderHandle* h = nullptr;
    K5_FUZZ_CHECK(CallH264Decoder(kH264Open, nullptr, &h) == 0 && h);
    WatermarkContext wm;
    while (in.Left() > 0) {
        const std::size_t len = in.U16();
        // A copy of exactly the frame's size, so that ASan sees any read past it.
        std::vector<std::uint8_t> frame(in.Here(), in.Here() + (len < in.Left() ? len : in.Left()));
        in.Skip(len);
        wm.m_bEnable = 1;
        wm.m_dwKey = kWatermarkKey;
        wm.m_bInitialised = 0;
        H264DecodeIo io;
        io.m_pData = frame.empty() ? nullptr : frame.data();
        io.m_nLength = static_cast<int>(frame.size());
        io.m_pWatermark = &wm;
        const int r = CallH264Decoder(kH264Decode, h, &io);
        K5_FUZZ_CHECK(r >= 0 && r <= static_cast<int>(frame.size()));
        K5_FUZZ_CHECK(io.m_nResult == 0);
        K5_FUZZ_CHECK(wm.m_nMismatches >= 0);
        const WatermarkVerdict v = GetWatermarkVerdict(wm);
        K5_FUZZ_CHECK((v == WatermarkVerdict::Tampered) == (wm.m_nMismatches > 0));
        K5_FUZZ_CHECK(v != WatermarkVerdict::Verified ||
                      (!frame.empty() && wm.m_nCleanSlices > 0 && wm.m_nMatches > 0));
    }
    K5_FUZZ_CHECK(CallH264Decoder(kH264Close, h, nullptr) == 0);
    return 0;
}
