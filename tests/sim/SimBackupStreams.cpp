#include "SimBackupStreams.h"

#include "streams/LocalSetBuilder.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>

namespace k5sim {

namespace {

// Writing a picture costs more than sending it: a channel's pictures repeat
// every kRepeat seconds, so that an hour's download streams at network pace.
constexpr std::uint32_t kRepeat = 16;

struct PictureCache
{
    std::mutex m;
    std::map<std::tuple<int, std::uint32_t, bool>, std::shared_ptr<const std::vector<std::uint8_t>>> pictures;

    std::shared_ptr<const std::vector<std::uint8_t>> Get(const k5streams::LocalFrameSpec& frame)
    {
        const auto key = std::make_tuple(frame.channel, frame.time % kRepeat, frame.key);
        std::lock_guard<std::mutex> lock(m);
        auto it = pictures.find(key);
        if (it == pictures.end()) {
            k5streams::LocalFrameSpec s = frame;
            s.time = frame.time % kRepeat;
            it = pictures
                     .emplace(key,
                              std::make_shared<const std::vector<std::uint8_t>>(k5streams::MakeLocalVideo(s)))
                     .first;
        }
        return it->second;
    }
};

} // namespace

void ServeWatermarkedBackups(SimTransfer& transfer, int width, int height)
{
    auto cache = std::make_shared<PictureCache>();
    transfer.SetFrameMaker(
        [&transfer, cache, width, height](const CatalogueFrame& where, std::size_t n, int inSecond) {
            const TransferConfig& c = transfer.Config();
            const int fps = std::max(c.fps, 1);
            k5streams::LocalFrameSpec s;
            s.time = where.time;
            s.msec = static_cast<std::uint16_t>(std::min(inSecond, fps - 1) * 1000 / fps);
            s.channel = where.channel;
            s.key = inSecond == 0;
            s.width = width;
            s.height = height;
            s.check = 2;
            s.segment = static_cast<std::uint32_t>(1000 + n / std::max<std::size_t>(c.segmentEvery, 1));
            s.eventKind = static_cast<std::uint8_t>(1u << ((n / std::max<std::size_t>(c.kindEvery, 1)) % 3));
            // The frame around a cached picture: written as a frame without a
            // check, then marked as the watermarked one it is.
            s.payload = cache->Get(s);
            s.check = 0;
            std::vector<std::uint8_t> f = k5streams::MakeLocalFrame(s);
            f[51] = 2;
            std::memset(f.data(), 0, 16);
            std::memcpy(f.data(), c.stem.data(), std::min<std::size_t>(c.stem.size(), 16));
            f[48] = static_cast<std::uint8_t>(n);
            f[49] = static_cast<std::uint8_t>(n >> 8);
            return f;
        });
}

} // namespace k5sim
