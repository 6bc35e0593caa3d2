// The decoder library libH264_D1.so, built into the target from its source:
// arbitrary bytes as frames, with the output set to changing sizes, both
// output formats, an unknown format and buffers too small, too large or
// absent. The picture buffer is exactly the capacity given to the library
// and followed by a guard region that ASan watches and that is checked for
// changes after every call, so no write past the capacity goes unnoticed.
//
// Input: a sequence of frames, each
//   u8 setup, u16 width, u16 height, u16 length, then `length` bytes
// setup bits 0-1: output format 0 planar, 1 packed B,G,R, 2 and 3 unknown;
// bits 2-4: capacity (exact, one byte short, 17 bytes more, none, half, one
// byte, no buffer at all, exact after a re-initialisation); bit 5 keeps the
// previous output setting.
#include "FuzzSupport.h"

#include "platform/DecoderLibrary.h"

#include <cstring>
#include <memory>
#include <vector>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#include <sanitizer/asan_interface.h>
#define K5_POISON(p, n) __asan_poison_memory_region((p), (n))
#define K5_UNPOISON(p, n) __asan_unpoison_memory_region((p), (n))
#endif
#endif
#ifndef K5_POISON
#define K5_POISON(p, n) ((void)(p), (void)(n))
#define K5_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

extern "C" {
int PT_H264dec_Init(H264DecContext* ctx);
int PT_H264dec_Uninit(H264DecContext* ctx);
int PT_H264dec_GetOneFrame(H264DecContext* ctx, const std::uint8_t* data, int length, std::uint8_t* picture);
int PT_H264dec_SetOutput(H264DecContext* ctx, int width, int height, int capacity);
}

namespace {

constexpr std::size_t kGuard = 256;
constexpr std::uint8_t kGuardByte = 0xCD;

// `capacity` bytes for the library, then the guard.
class GuardedBuffer
{
public:
    explicit GuardedBuffer(std::size_t capacity)
        : m_capacity(capacity), m_bytes(new std::uint8_t[capacity + kGuard])
    {
        std::memset(m_bytes.get() + capacity, kGuardByte, kGuard);
        K5_POISON(m_bytes.get() + capacity, kGuard);
    }
    ~GuardedBuffer() { K5_UNPOISON(m_bytes.get() + m_capacity, kGuard); }
    GuardedBuffer(const GuardedBuffer&) = delete;
    GuardedBuffer& operator=(const GuardedBuffer&) = delete;

    std::uint8_t* Data() { return m_bytes.get(); }
    bool GuardIntact()
    {
        K5_UNPOISON(m_bytes.get() + m_capacity, kGuard);
        bool intact = true;
        for (std::size_t i = 0; i < kGuard; ++i)
            intact = intact && m_bytes[m_capacity + i] == kGuardByte;
        K5_POISON(m_bytes.get() + m_capacity, kGuard);
        return intact;
    }

private:
    std::size_t m_capacity;
    std::unique_ptr<std::uint8_t[]> m_bytes;
};

std::int64_t PictureBytes(int format, int width, int height)
{
    const std::int64_t w = width;
    const std::int64_t h = height;
    if (format == 1)
        return w * h * 3;
    return w * h + 2 * ((w + 1) / 2) * ((h + 1) / 2);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    H264DecContext ctx{};
    ctx.word[5] = 1;
    K5_FUZZ_CHECK(PT_H264dec_Init(&ctx) == 0);
    K5_FUZZ_CHECK(ctx.word[4] != 0);

    k5fuzz::Reader in(data, size);
    int width = 0;
    int height = 0;
    int capacity = 0;
    int frames = 0;
    while (in.Left() > 0 && frames++ < 64) {
        const std::uint8_t setup = in.U8();
        const int newWidth = in.U16() % 1024;
        const int newHeight = in.U16() % 1024;
        const std::size_t length = in.U16();
        const std::string frame = in.Bytes(length);

        const int format = setup & 3;
        ctx.word[6] = format == 1 ? 3u : format == 0 ? 0u : static_cast<std::uint32_t>(format == 2 ? 1 : 0x103);
        const int sizing = (setup >> 2) & 7;
        if (!(setup & 0x20)) {
            width = newWidth;
            height = newHeight;
            const std::int64_t need = PictureBytes(format, width, height);
            switch (sizing) {
            case 1: capacity = static_cast<int>(need > 0 ? need - 1 : 0); break;
            case 2: capacity = static_cast<int>(need + 17); break;
            case 3: capacity = 0; break;
            case 4: capacity = static_cast<int>(need / 2); break;
            case 5: capacity = 1; break;
            default: capacity = static_cast<int>(need); break;
            }
            K5_FUZZ_CHECK(PT_H264dec_SetOutput(&ctx, width, height, capacity) == 0);
        }
        if (sizing == 7) {
            K5_FUZZ_CHECK(PT_H264dec_Uninit(&ctx) == 0);
            K5_FUZZ_CHECK(PT_H264dec_GetOneFrame(&ctx, nullptr, 0, nullptr) == -5);
            K5_FUZZ_CHECK(PT_H264dec_Init(&ctx) == 0);
            K5_FUZZ_CHECK(ctx.word[7] == static_cast<std::uint32_t>(width));
            K5_FUZZ_CHECK(ctx.word[9] == static_cast<std::uint32_t>(capacity));
        }

        // The frame in a block of its own size, so that a read past it shows.
        std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[frame.size() ? frame.size() : 1]);
        std::memcpy(bytes.get(), frame.data(), frame.size());
        const int result = [&] {
            if (sizing == 6)
                return PT_H264dec_GetOneFrame(&ctx, bytes.get(), static_cast<int>(frame.size()), nullptr);
            GuardedBuffer picture(static_cast<std::size_t>(capacity));
            const int r = PT_H264dec_GetOneFrame(&ctx, bytes.get(), static_cast<int>(frame.size()), picture.Data());
            K5_FUZZ_CHECK(picture.GuardIntact());
            return r;
        }();
        K5_FUZZ_CHECK(result == 0 || result == 2 || result == 3 || result == 4);
        if (result == 0) {
            K5_FUZZ_CHECK(sizing != 6 && format <= 1);
            K5_FUZZ_CHECK(PictureBytes(format, width, height) <= capacity);
        }
        if (frame.empty())
            K5_FUZZ_CHECK(result == 3);
    }
    K5_FUZZ_CHECK(PT_H264dec_Uninit(&ctx) == 0);
    K5_FUZZ_CHECK(ctx.word[4] == 0);
    return 0;
}
