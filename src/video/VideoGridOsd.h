// What the grid draws over a cell, without a window: the caption lines and
// how a title is fitted to a cell, and where the audio, PTZ, play-speed and
// watermark icons go.
#pragma once

#include "platform/Types.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// A caption line holds at most this many characters; longer text is cut.
constexpr std::size_t kMaxCaptionChars = 259;

// Copies at most size - 1 bytes of text into a fixed buffer and always ends
// it with a zero. Nothing is written for a null buffer or size 0.
void CopyBounded(char* dst, std::size_t size, std::string_view text);

// The width in pixels of a text in the caption font. Recorder and local
// names are byte strings shown as Latin-1.
using OsdTextMeasurer = std::function<int(std::string_view)>;

// Per-character advances of a font for the 256 Latin-1 characters, so that
// any thread can measure without touching the font.
class OsdWidthTable
{
public:
    explicit OsdWidthTable(const std::array<int, 256>& advances) : m_advance(advances) {}
    int Measure(std::string_view text) const;
    OsdTextMeasurer Measurer() const;

private:
    std::array<int, 256> m_advance;
};

// Fits a title to a cell. A channel with a local camera name is prefixed
// "CH<channel + 1> ". A text narrower than cellWidth - 95 stays; otherwise
// characters come off the end until it is at most that wide (or empty) and
// "..." is appended. The result never exceeds kMaxCaptionChars.
std::string FitOsdCaption(std::string_view text, int channel, bool localName, int cellWidth,
                          const OsdTextMeasurer& measure);

// Point size the grid reports for its caption font: the pixel height made
// from the points, turned back the way the client always has (13 gives 12).
int OsdFontPointsFromPixels(int pixelHeight);

// Skin bitmap pairs of the icons (the mask's id names the pair).
namespace OsdIcon {
constexpr int kSpeedPause = 1600;    // speed code 0
constexpr int kSpeedForward = 1602;  // codes 1 to 6
constexpr int kSpeedSpare = 1604;    // loaded, never drawn
constexpr int kSpeedBackward = 1606; // codes -1 to -6
constexpr int kAudioPlayed = 1610;   // mark 0
constexpr int kAudioOther = 1612;    // mark 1
constexpr int kPtzState2 = 1733;
constexpr int kPtzState1 = 1735;
constexpr int kStepBack = 2289;     // speed code 10
constexpr int kStepForward = 2291;  // speed code 11
constexpr int kWatermarkChecked = 2300;     // states 1 and 2
constexpr int kWatermarkNotVerified = 2302; // state 0
constexpr int kSize = 16;
} // namespace OsdIcon

// What the overlays of one cell depend on.
struct OsdCellState
{
    int viewMode = 0; // 0 idle, 1 live, 2 remote playback, 3 local playback
    int osdMode = 0;  // 0 full, 1 titles only, 2 nothing
    int channel = 0;
    bool soundDevice = false;
    int audioMark = -1; // -1 none, 0 played, 1 has audio that is not played
    int audioOffset = 157;
    bool audioTop = false;
    bool ptzShown = false; // the connection's PTZ mode is not 0 and this is the PTZ channel
    int ptzMode = 0;
    int speedCode = 0;
    int speedOffset = 117;
    bool speedTop = false;
    int watermarkState = -1;
    int watermarkOffset = 0;
};

// One icon blit: columns [srcX, srcX + width) of the pair, 16 rows, at (x, y)
// relative to the cell's top-left corner.
struct OsdIconBlit
{
    int pair = 0;
    int srcX = 0;
    int width = OsdIcon::kSize;
    int x = 0;
    int y = 0;
    friend bool operator==(const OsdIconBlit&, const OsdIconBlit&) = default;
};

// The icons of a cell of width cw and height ch, in drawing order.
std::vector<OsdIconBlit> LayoutOsdIcons(const OsdCellState& s, int cw, int ch);

// Captions: line 1 at (7, 3); line 2 (OSD mode 0 only) at (7, ch - h - 5)
// for a font of pixel height h. Both are the top of the text.
constexpr int kCaptionX = 7;
constexpr int kCaptionY = 3;
int SecondCaptionTop(int cellHeight, int fontPixelHeight);
// Whether captions are drawn at all, and whether line 2 is.
inline bool OsdShowsCaptions(int osdMode)
{
    return osdMode == 0 || osdMode == 1;
}
inline bool OsdShowsSecondLine(int osdMode)
{
    return osdMode == 0;
}

// The text of a video-loss cell: "CH%d  Video Loss" in OSD mode 0, "CH%d" in
// mode 1 (channel + 1), none otherwise.
std::string VideoLossText(int channel, int osdMode);
