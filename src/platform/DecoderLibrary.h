// The H.264 decoder library (libH264_D1.so), opened at run time. Its absence
// leaves the entry points null and the client starts all the same.
#pragma once

#include <cstdint>
#include <string>

// The decoder's 48-byte context: twelve 32-bit words, zeroed by the caller.
// Word 4: non-zero while the library holds resources. Word 5: 1 before the
// first Init. Word 6: output format (0 planar Y, U, V; 3 packed B, G, R).
struct H264DecContext
{
    std::uint32_t word[12];
};
static_assert(sizeof(H264DecContext) == 48);

extern "C" {
using PT_H264dec_Init_t = int (*)(H264DecContext* ctx);
using PT_H264dec_Uninit_t = int (*)(H264DecContext* ctx);
using PT_H264dec_GetOneFrame_t = int (*)(H264DecContext* ctx, const std::uint8_t* data, int length,
                                         std::uint8_t* picture);
using PT_H264dec_SetOutput_t = int (*)(H264DecContext* ctx, int width, int height, int capacity);
}

class DecoderLibrary
{
public:
    DecoderLibrary() = default;
    ~DecoderLibrary() { Unload(); }
    DecoderLibrary(const DecoderLibrary&) = delete;
    DecoderLibrary& operator=(const DecoderLibrary&) = delete;

    // dlopen of the file (default: libH264_D1.so beside the executable) and
    // look-up of the entry points; false when the file or an entry is missing.
    bool Load(const std::string& file = DefaultFile());
    void Unload();
    bool IsLoaded() const { return m_handle != nullptr; }

    PT_H264dec_Init_t Init = nullptr;
    PT_H264dec_Uninit_t Uninit = nullptr;
    PT_H264dec_GetOneFrame_t GetOneFrame = nullptr;
    PT_H264dec_SetOutput_t SetOutput = nullptr;

    static std::string DefaultFile();

private:
    void* m_handle = nullptr;
};
