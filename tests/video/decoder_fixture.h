// Shared pieces of the decoder tests: the decoder library loaded once from
// the build's bin folder, one decoder context per test, and generated streams
// kept for the whole run (encoding is the slow part).
#pragma once

#include "platform/DecoderLibrary.h"
#include "streams/TestStreams.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace decodertest {

// The picture buffer of one channel, as the video grid allocates it.
inline constexpr int kPictureBytes = 720 * 576 * 3;
inline constexpr std::uint8_t kUntouched = 0xA5;

enum Format : std::uint32_t
{
    kYuv = 0,
    kBgr = 3,
};

inline DecoderLibrary& Library()
{
    static DecoderLibrary lib;
    if (!lib.IsLoaded())
        lib.Load(std::string(K5_BINARY_DIR) + "/bin/libH264_D1.so");
    return lib;
}

inline const std::vector<k5streams::EncodedFrame>& Stream(const k5streams::StreamSpec& spec)
{
    using Key = std::tuple<int, int, bool, int, int, int, int, bool, bool>;
    static std::map<Key, std::vector<k5streams::EncodedFrame>> cache;
    const Key key{spec.width,   spec.height,     spec.interlaced, spec.gop,  spec.frames,
                  spec.channel, spec.firstIndex, spec.chroma422,  spec.noise};
    auto it = cache.find(key);
    if (it == cache.end())
        it = cache.emplace(key, k5streams::MakeH264Stream(spec)).first;
    return it->second;
}

inline std::int64_t PictureSize(int width, int height, Format format)
{
    return format == kYuv ? std::int64_t{width} * height * 3 / 2 : std::int64_t{width} * height * 3;
}

// One decoder context, set up as a decode worker does it, released at the end.
class Session
{
public:
    explicit Session(Format format, bool init = true)
    {
        ctx.word[5] = 1;
        ctx.word[6] = format;
        if (init && Library().Init) {
            Library().Uninit(&ctx);
            initResult = Library().Init(&ctx);
        }
    }
    ~Session()
    {
        if (Library().Uninit)
            Library().Uninit(&ctx);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    int SetOutput(int width, int height, int capacity = kPictureBytes)
    {
        return Library().SetOutput(&ctx, width, height, capacity);
    }
    int Decode(const std::uint8_t* data, int length)
    {
        return Library().GetOneFrame(&ctx, data, length, picture.data());
    }
    int Decode(const std::vector<std::uint8_t>& data)
    {
        return Decode(data.data(), static_cast<int>(data.size()));
    }
    int Decode(const k5streams::EncodedFrame& frame) { return Decode(frame.data); }
    void ClearPicture() { std::fill(picture.begin(), picture.end(), kUntouched); }
    bool Untouched(std::size_t from = 0) const
    {
        for (std::size_t i = from; i < picture.size(); ++i)
            if (picture[i] != kUntouched)
                return false;
        return true;
    }

    H264DecContext ctx{};
    int initResult = -1;
    // A guard beyond the grid's buffer shows writes past its end.
    std::vector<std::uint8_t> picture = std::vector<std::uint8_t>(kPictureBytes + 4096, kUntouched);
};

} // namespace decodertest
