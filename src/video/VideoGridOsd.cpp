#include "video/VideoGridOsd.h"

#include <cstdio>
#include <cstring>

void CopyBounded(char* dst, std::size_t size, std::string_view text)
{
    if (!dst || size == 0)
        return;
    const std::size_t n = text.size() < size - 1 ? text.size() : size - 1;
    std::memcpy(dst, text.data(), n);
    dst[n] = '\0';
}

int OsdWidthTable::Measure(std::string_view text) const
{
    int width = 0;
    for (unsigned char c : text)
        width += m_advance[c];
    return width;
}

OsdTextMeasurer OsdWidthTable::Measurer() const
{
    // The table is copied into the measurer, so it outlives this object.
    auto table = std::make_shared<const OsdWidthTable>(*this);
    return [table](std::string_view text) { return table->Measure(text); };
}

std::string FitOsdCaption(std::string_view text, int channel, bool localName, int cellWidth,
                          const OsdTextMeasurer& measure)
{
    std::string out;
    if (localName) {
        char prefix[16];
        std::snprintf(prefix, sizeof prefix, "CH%d ", channel + 1);
        out = prefix;
    }
    out.append(text.data(), text.size());
    if (out.size() > kMaxCaptionChars)
        out.resize(kMaxCaptionChars);
    if (!measure)
        return out;

    const int limit = cellWidth - 95;
    if (measure(out) < limit)
        return out;
    // Recorder names are single-byte text: one character is one byte.
    do {
        out.pop_back();
    } while (!out.empty() && measure(out) > limit);
    while (out.size() + 3 > kMaxCaptionChars)
        out.pop_back();
    out += "...";
    return out;
}

int OsdFontPointsFromPixels(int pixelHeight)
{
    const double lfHeight = -static_cast<double>(pixelHeight);
    return static_cast<int>((lfHeight + 0.5) * (-1.0 / 1.33));
}

std::vector<OsdIconBlit> LayoutOsdIcons(const OsdCellState& s, int cw, int ch)
{
    std::vector<OsdIconBlit> icons;
    if (s.osdMode != 0)
        return icons;
    const int bottom = ch - 18;

    if (s.soundDevice && (s.audioMark == 0 || s.audioMark == 1) && s.audioOffset != 0)
        icons.push_back({s.audioMark == 0 ? OsdIcon::kAudioPlayed : OsdIcon::kAudioOther, 0, OsdIcon::kSize,
                         s.audioOffset, s.audioTop ? 3 : bottom});

    if (s.viewMode == 1 && s.ptzShown && s.ptzMode != 0)
        icons.push_back(
            {s.ptzMode == 2 ? OsdIcon::kPtzState2 : OsdIcon::kPtzState1, 0, OsdIcon::kSize, 100, bottom});

    if ((s.viewMode == 2 || s.viewMode == 3) && cw > 190) {
        const int x = s.speedOffset;
        const int y = s.speedTop ? 3 : bottom;
        const int code = s.speedCode;
        if (code == 0) {
            icons.push_back({OsdIcon::kSpeedPause, 0, OsdIcon::kSize, x, y});
        } else if (code == 1) {
            icons.push_back({OsdIcon::kSpeedForward, 0, OsdIcon::kSize, x, y});
        } else if (code >= 2 && code <= 6) {
            // One more arrow for each step of speed, 7 pixels apart.
            for (int i = 0; i < code; ++i)
                icons.push_back({OsdIcon::kSpeedForward, 5, 12 + 7 * i, x + 5 + 7 * i, y});
        } else if (code == -1) {
            icons.push_back({OsdIcon::kSpeedBackward, 0, OsdIcon::kSize, x, y});
        } else if (code <= -2 && code >= -6) {
            for (int i = 0; i < -code; ++i)
                icons.push_back({OsdIcon::kSpeedBackward, 4, 11 + 7 * i, x + 4 + 7 * i, y});
        } else if (code == 10 || code == 11) {
            icons.push_back({code == 10 ? OsdIcon::kStepBack : OsdIcon::kStepForward, 4, 11, x + 4, y});
        }
    }

    if (s.viewMode == 3 && cw > 240 && s.watermarkState != -1)
        icons.push_back({s.watermarkState == 0 ? OsdIcon::kWatermarkNotVerified : OsdIcon::kWatermarkChecked, 0,
                         OsdIcon::kSize, s.watermarkOffset, bottom});
    return icons;
}

int SecondCaptionTop(int cellHeight, int fontPixelHeight)
{
    return -fontPixelHeight + cellHeight - 5;
}

std::string VideoLossText(int channel, int osdMode)
{
    char text[40];
    if (osdMode == 0)
        std::snprintf(text, sizeof text, "CH%d  Video Loss", channel + 1);
    else if (osdMode == 1)
        std::snprintf(text, sizeof text, "CH%d", channel + 1);
    else
        return {};
    return text;
}
