// What other windows and workers ask of the main window, without the window:
// the still of a channel that setup pages put under their motion and region
// grids, whether a channel carries the audio being played (the decode
// workers' audio mark), and the free and total space of the data folder's
// drive (the backup pages).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------
// Picture grab

// A still as the grid controls take it: bottom-up rows of width x 3 bytes
// (blue, green, red).
struct GridStill
{
    std::vector<std::uint8_t> pixels;
    int width = 0;
    int height = 0;
};

// Whether the channel's picture may be grabbed in this view mode: live view
// and remote playback need the channel active and on the current page, local
// playback needs it active; an idle grid gives nothing.
bool MayGrabChannel(int viewMode, std::uint16_t activeChannels, std::uint16_t visibleChannels, int channel);

// Makes the still of a published picture (`format`: PictureBuffer's YUV
// 4:2:0 or bottom-up B, G, R): the picture without its top 8 lines, w x
// (h - 8). False, and `out` untouched, when there is nothing to show: a
// picture of 8 lines or fewer, no width, or fewer bytes than its size needs.
bool MakeGridStill(const std::vector<std::uint8_t>& picture, int width, int height, int format, GridStill& out);

// ---------------------------------------------------------------------------
// Audio channel state (the decode workers ask from their own threads)

enum AudioSource
{
    AUDIO_SOURCE_LIVE = 1,
    AUDIO_SOURCE_REMOTE_PLAYBACK = 2,
    AUDIO_SOURCE_LOCAL_PLAYBACK = 3,
};

struct AudioChannelFacts
{
    bool connection = false;       // a connection object exists
    std::uint32_t soloChannel = 0; // its audio-channel mask of the last audio frame
    bool localPlayer = false;      // a local player exists
    bool playlistAudio = false;    // the playlist's first node carries an audio mask
    std::uint32_t playlistMask = 0;
    int audioChannel = -1;         // the channel whose audio is played
};

// -1: no such source; 0: the channel carries no audio, or (IsAudioChannel)
// carries audio that is not played; 1 (GetChannelState): carries audio that
// is not played; 2: its audio is played.
int IsAudioChannel(const AudioChannelFacts& facts, int source, int channel);
int GetChannelState(const AudioChannelFacts& facts, int source, int channel);

// ---------------------------------------------------------------------------
// Disk space

struct DiskFacts
{
    bool cdrom = false; // an optical disc's file system
    std::uint64_t freeBytes = 0;
    std::uint64_t totalBytes = 0;
};
// Examines the file system that holds `path` (or its nearest existing
// parent); false when it cannot be examined.
using DiskProbe = std::function<bool(const std::string& path, DiskFacts& out)>;
bool ProbeDisk(const std::string& path, DiskFacts& out);

// The unit of the backup pages' sizes.
constexpr std::uint64_t kDiskSpaceUnit = 1024000;

// Free and total space of the data folder's drive in units of 1,024,000
// bytes, truncated. False, both left untouched, when the folder lies on an
// optical disc or its drive cannot be examined.
bool GetDiskSpaceUnits(const std::string& location, int* freeUnits, int* totalUnits,
                       const DiskProbe& probe = ProbeDisk);
