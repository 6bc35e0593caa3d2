#include "app/MainServices.h"

#include "platform/Paths.h"
#include "video/PictureBuffer.h"
#include "video/YuvToRgb.h"

#include <climits>
#include <cstring>
#include <filesystem>
#include <sys/vfs.h>

namespace {

// The grid controls show the picture without its top lines.
constexpr int kCutTopLines = 8;

// File-system magic numbers of optical discs.
constexpr long kIso9660Magic = 0x9660;
constexpr long kUdfMagic = 0x15013346;

int ClampUnits(std::uint64_t bytes)
{
    const std::uint64_t units = bytes / kDiskSpaceUnit;
    return units > static_cast<std::uint64_t>(INT_MAX) ? INT_MAX : static_cast<int>(units);
}

} // namespace

// ---------------------------------------------------------------------------
// Picture grab

bool MayGrabChannel(int viewMode, std::uint16_t activeChannels, std::uint16_t visibleChannels, int channel)
{
    if (channel < 0 || channel >= 16)
        return false;
    const std::uint16_t bit = static_cast<std::uint16_t>(1u << channel);
    switch (viewMode) {
    case 1:
    case 2:
        return (activeChannels & bit) && (visibleChannels & bit);
    case 3:
        return (activeChannels & bit) != 0;
    default:
        return false;
    }
}

bool MakeGridStill(const std::vector<std::uint8_t>& picture, int width, int height, int format, GridStill& out)
{
    // A picture of 8 lines or fewer has nothing left to show, and no more is
    // read than the picture's own bytes.
    if (width <= 0 || height <= kCutTopLines)
        return false;
    const std::size_t need = PictureBuffer::PictureBytes(width, height, format);
    if (need == 0 || picture.size() < need)
        return false;

    const std::size_t row = std::size_t(width) * 3;
    const int rows = height - kCutTopLines;
    std::vector<std::uint8_t> pixels(row * std::size_t(rows));

    if (format == PictureBuffer::kFormatYuv420) {
        const std::uint8_t* y = picture.data();
        const std::uint8_t* u = y + std::size_t(width) * height;
        const std::uint8_t* v = u + std::size_t(width / 2) * (height / 2);
        std::vector<std::uint8_t> rgb(row * std::size_t(height));
        YuvToRgb24(rgb.data(), width, y, u, v, width, width / 2, width, height);
        // The conversion leaves the columns beyond the last whole group of 8.
        for (int x = width & ~7; x < width; ++x) {
            for (int r = 0; r < height; ++r) {
                const std::size_t c = std::size_t(r / 2) * (width / 2) + x / 2;
                YuvPixelToBgr(y[std::size_t(r) * width + x], u[c], v[c], &rgb[std::size_t(r) * row + std::size_t(x) * 3]);
            }
        }
        // Top-down rows 8 .. h - 1 become bottom-up rows.
        for (int k = 0; k < rows; ++k)
            std::memcpy(&pixels[std::size_t(rows - 1 - k) * row], &rgb[std::size_t(kCutTopLines + k) * row], row);
    } else {
        // Bottom-up already: the first rows in memory are the picture's bottom.
        std::memcpy(pixels.data(), picture.data(), pixels.size());
    }
    out.pixels = std::move(pixels);
    out.width = width;
    out.height = rows;
    return true;
}

// ---------------------------------------------------------------------------
// Audio channel state

namespace {

// -1 no source, 0 no audio on the channel, 1 audio on it.
int CarriesAudio(const AudioChannelFacts& f, int source, int channel)
{
    if (channel < 0 || channel >= 32)
        return 0;
    const std::uint32_t bit = 1u << channel;
    switch (source) {
    case AUDIO_SOURCE_LIVE:
    case AUDIO_SOURCE_REMOTE_PLAYBACK:
        if (!f.connection)
            return -1;
        return (f.soloChannel & bit) ? 1 : 0;
    case AUDIO_SOURCE_LOCAL_PLAYBACK:
        if (!f.localPlayer)
            return -1;
        return (f.playlistAudio && (f.playlistMask & bit)) ? 1 : 0;
    default:
        return -1;
    }
}

} // namespace

int IsAudioChannel(const AudioChannelFacts& facts, int source, int channel)
{
    const int carries = CarriesAudio(facts, source, channel);
    if (carries <= 0)
        return carries;
    return channel == facts.audioChannel ? 2 : 0;
}

int GetChannelState(const AudioChannelFacts& facts, int source, int channel)
{
    const int carries = CarriesAudio(facts, source, channel);
    if (carries <= 0)
        return carries;
    return channel == facts.audioChannel ? 2 : 1;
}

// ---------------------------------------------------------------------------
// Disk space

bool ProbeDisk(const std::string& path, DiskFacts& out)
{
    if (path.empty())
        return false;
    // The nearest folder that exists: the data folder may not be made yet.
    std::error_code ec;
    std::filesystem::path p(path);
    while (!p.empty() && !std::filesystem::exists(p, ec)) {
        const std::filesystem::path parent = p.parent_path();
        if (parent == p)
            break;
        p = parent;
    }
    if (p.empty())
        return false;
    struct statfs fs
    {
    };
    if (::statfs(p.c_str(), &fs) != 0)
        return false;
    DiskFacts facts;
    facts.cdrom = fs.f_type == kIso9660Magic || fs.f_type == kUdfMagic;
    if (!Paths::GetDiskSpace(p.string(), facts.freeBytes, facts.totalBytes))
        return false;
    out = facts;
    return true;
}

bool GetDiskSpaceUnits(const std::string& location, int* freeUnits, int* totalUnits, const DiskProbe& probe)
{
    DiskFacts facts;
    if (!probe || !probe(location, facts) || facts.cdrom)
        return false;
    if (freeUnits)
        *freeUnits = ClampUnits(facts.freeBytes);
    if (totalUnits)
        *totalUnits = ClampUnits(facts.totalBytes);
    return true;
}
