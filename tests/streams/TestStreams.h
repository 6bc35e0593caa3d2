// H.264 test streams made at test time with libavcodec's libx264 encoder.
//
// Each picture shows a pattern from which a decoded frame can be told apart:
//   top half      the frame's counter, bit i (least significant first) in the
//                 i-th of eight columns: white (Y 235) when set, black (Y 16)
//   third quarter a flat band whose colour (U, V) names the channel
//   last quarter  a bright bar that moves 16 pixels per frame over a dark band,
//                 so that predicted frames carry motion
// Probe points sit in the middle of the flat areas, where the coding leaves
// the values within a few steps of the source.
#pragma once

#include "net/Wire.h"

#include <cstdint>
#include <string>
#include <vector>

namespace k5streams {

struct StreamSpec
{
    int width = 704;
    int height = 576;
    bool interlaced = false; // MBAFF
    int gop = 10;            // a key frame every gop frames, the first one included
    int frames = 10;
    int channel = 0;        // 0-15: the colour of the channel band
    int firstIndex = 0;     // counter drawn into the first frame
    bool chroma422 = false; // 4:2:2 sampling, which the client's decoder does not take
    // Sensor-like noise over the whole picture, new in every frame, so that a
    // stream costs as much to decode as a camera's. The probes no longer hold.
    bool noise = false;
    // Every picture is the first one: a scene where nothing moves.
    bool still = false;
    // Further x264 options ("key=value:key=value"), applied after the ones
    // above: e.g. "cabac=0:8x8dct=1", "bframes=2:weightb=1:direct=temporal".
    std::string x264;
    // x264's profile ("baseline", "high", ...); empty leaves it to x264.
    std::string profile;
    // Slices per picture (x264's slice-max-mbs); 0 for one.
    int sliceMaxMbs = 0;
};

struct EncodedFrame
{
    std::vector<std::uint8_t> data; // one access unit, Annex B
    bool key = false;
    int index = 0; // the counter drawn into it
};

// True when libavcodec offers the libx264 encoder.
bool HasH264Encoder();

// Encodes spec.frames pictures; empty when the encoder fails.
std::vector<EncodedFrame> MakeH264Stream(const StreamSpec& spec);

// The source picture with counter `index`, planar 4:2:0: Y (width x height),
// then U, then V ((width / 2) x (height / 2) each).
std::vector<std::uint8_t> DrawPattern(const StreamSpec& spec, int index);

struct Probe
{
    int x = 0;
    int y = 0;
    std::uint8_t Y = 0;
    std::uint8_t U = 0;
    std::uint8_t V = 0;
};

// The expected samples at the probe points of the picture with counter
// `index`: eight counter columns, then the channel band.
std::vector<Probe> ExpectedProbes(const StreamSpec& spec, int index);

// The channel band's chroma.
std::uint8_t ChannelU(int channel);
std::uint8_t ChannelV(int channel);

// The frame header's size code and standard bit for a picture size.
int SizeCodeFor(int width, int height);
bool IsLine576(int height);

// A 40-byte frame header as the recorder sends it before each frame.
FrameHeader MakeFrameHeader(int channel, int width, int height, std::uint32_t dataSize, bool key,
                            std::uint32_t timeSec, std::uint16_t timeMsec);
// The header followed by the frame's bytes.
std::vector<std::uint8_t> WrapFrame(const EncodedFrame& frame, int channel, int width, int height,
                                    std::uint32_t timeSec, std::uint16_t timeMsec = 0);

// Writes the frames back to back (a raw .h264 elementary stream); false on an
// I/O error.
bool WriteAnnexB(const std::vector<EncodedFrame>& frames, const std::string& path);

} // namespace k5streams
