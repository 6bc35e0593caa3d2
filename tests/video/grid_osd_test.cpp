// Caption fitting with a fixed-width measurer, bounded copies, the caption
// font's reported size and where the icons go.
#include "video/VideoGridOsd.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// Every character 10 pixels wide.
int Fixed10(std::string_view text)
{
    return static_cast<int>(text.size()) * 10;
}

TEST(GridCaption, LocalNamesGetTheChannelPrefix)
{
    EXPECT_EQ(FitOsdCaption("Gate", 2, true, 400, Fixed10), "CH3 Gate");
    EXPECT_EQ(FitOsdCaption("Gate", 15, true, 400, Fixed10), "CH16 Gate");
    EXPECT_EQ(FitOsdCaption("Gate", 2, false, 400, Fixed10), "Gate");
}

TEST(GridCaption, CutUntilItFitsThenEllipsis)
{
    // A 200-pixel cell leaves 105 pixels: ten characters.
    const std::string fitted = FitOsdCaption("Parking lot north", 2, true, 200, Fixed10);
    EXPECT_EQ(fitted, "CH3 Parkin...");
    EXPECT_LE(Fixed10(fitted.substr(0, fitted.size() - 3)), 105);

    // Narrower than the limit stays; exactly as wide loses a character.
    EXPECT_EQ(FitOsdCaption("123456789", 0, false, 195, Fixed10), "123456789");
    EXPECT_EQ(FitOsdCaption("1234567890", 0, false, 195, Fixed10), "123456789...");
    // A cell too small for anything keeps only the ellipsis.
    EXPECT_EQ(FitOsdCaption("Lobby", 0, false, 50, Fixed10), "...");
}

TEST(GridCaption, LongNamesStayWithinTheCaptionLimit)
{
    const std::string name(259, 'N');
    // Wide enough to need no cut: the prefixed name is bounded.
    const std::string wide = FitOsdCaption(name, 15, true, 5000, Fixed10);
    EXPECT_EQ(wide.size(), kMaxCaptionChars);
    EXPECT_EQ(wide.substr(0, 5), "CH16 ");
    // Cut to the cell: ellipsis included, still within the limit.
    const std::string cut = FitOsdCaption(name, 15, true, 2000, Fixed10);
    EXPECT_LE(cut.size(), kMaxCaptionChars);
    EXPECT_EQ(cut.substr(cut.size() - 3), "...");
    EXPECT_EQ(cut.substr(0, 5), "CH16 ");
}

TEST(GridCaption, BoundedCopyIntoRecorderSizedBuffers)
{
    // A recorder's 31-character name fitted and prefixed no longer fits its
    // 32-byte buffer: the copy stops at 31 characters and never writes past.
    struct
    {
        char name[32];
        char guard[8];
    } record;
    std::memset(&record, 0x5A, sizeof record);
    const std::string fitted = FitOsdCaption(std::string(31, 'x'), 9, true, 1000, Fixed10);
    ASSERT_GT(fitted.size(), 31u);
    CopyBounded(record.name, sizeof record.name, fitted);
    EXPECT_EQ(std::strlen(record.name), 31u);
    EXPECT_EQ(std::string(record.name), fitted.substr(0, 31));
    for (char g : record.guard)
        EXPECT_EQ(g, 0x5A);

    char one[1] = {'q'};
    CopyBounded(one, 1, "abc");
    EXPECT_EQ(one[0], '\0');
}

TEST(GridCaption, WidthTableMeasuresBytes)
{
    std::array<int, 256> advances{};
    advances['A'] = 7;
    advances[0xE9] = 5; // é in Latin-1
    OsdWidthTable table(advances);
    EXPECT_EQ(table.Measure("AA\xE9"), 19);
    EXPECT_EQ(table.Measurer()("A"), 7);
}

TEST(GridCaption, FontPointsComeBackAsTheClientReportsThem)
{
    EXPECT_EQ(OsdFontPointsFromPixels(17), 12); // 13 points made 17 pixels
    EXPECT_EQ(SecondCaptionTop(135, 17), 113);
}

TEST(GridCaption, VideoLossText)
{
    EXPECT_EQ(VideoLossText(0, 0), "CH1  Video Loss");
    EXPECT_EQ(VideoLossText(11, 1), "CH12");
    EXPECT_EQ(VideoLossText(3, 2), "");
}

OsdCellState Playback(int code)
{
    OsdCellState s;
    s.viewMode = 2;
    s.speedCode = code;
    s.speedOffset = 117;
    return s;
}

std::vector<int> Xs(const std::vector<OsdIconBlit>& blits)
{
    std::vector<int> xs;
    for (const auto& b : blits)
        xs.push_back(b.x);
    return xs;
}

TEST(GridIcons, SpeedStripsWidenByStep)
{
    auto fast = LayoutOsdIcons(Playback(3), 300, 200);
    EXPECT_EQ(Xs(fast), (std::vector<int>{117 + 5, 117 + 12, 117 + 19}));
    ASSERT_EQ(fast.size(), 3u);
    EXPECT_EQ(fast[2], (OsdIconBlit{OsdIcon::kSpeedForward, 5, 26, 136, 182}));

    auto back = LayoutOsdIcons(Playback(-3), 300, 200);
    EXPECT_EQ(Xs(back), (std::vector<int>{117 + 4, 117 + 11, 117 + 18}));
    EXPECT_EQ(back[1].srcX, 4);
    EXPECT_EQ(back[1].width, 18);

    EXPECT_EQ(LayoutOsdIcons(Playback(0), 300, 200),
              (std::vector<OsdIconBlit>{{OsdIcon::kSpeedPause, 0, 16, 117, 182}}));
    EXPECT_EQ(LayoutOsdIcons(Playback(-1), 300, 200)[0].pair, OsdIcon::kSpeedBackward);
    EXPECT_EQ(LayoutOsdIcons(Playback(11), 300, 200),
              (std::vector<OsdIconBlit>{{OsdIcon::kStepForward, 4, 11, 121, 182}}));
    EXPECT_TRUE(LayoutOsdIcons(Playback(7), 300, 200).empty());
    EXPECT_TRUE(LayoutOsdIcons(Playback(3), 190, 200).empty()) << "narrow cells show no speed";

    OsdCellState top = Playback(1);
    top.speedTop = true;
    EXPECT_EQ(LayoutOsdIcons(top, 300, 200)[0].y, 3);
    OsdCellState live = Playback(1);
    live.viewMode = 1;
    EXPECT_TRUE(LayoutOsdIcons(live, 300, 200).empty());
}

TEST(GridIcons, AudioPtzAndWatermark)
{
    OsdCellState s;
    s.viewMode = 1;
    s.audioMark = 0;
    s.audioOffset = 157;
    EXPECT_TRUE(LayoutOsdIcons(s, 200, 135).empty()) << "no sound device, no audio mark";
    s.soundDevice = true;
    EXPECT_EQ(LayoutOsdIcons(s, 200, 135),
              (std::vector<OsdIconBlit>{{OsdIcon::kAudioPlayed, 0, 16, 157, 117}}));
    s.audioMark = 1;
    s.audioTop = true;
    EXPECT_EQ(LayoutOsdIcons(s, 200, 135), (std::vector<OsdIconBlit>{{OsdIcon::kAudioOther, 0, 16, 157, 3}}));
    s.audioOffset = 0;
    EXPECT_TRUE(LayoutOsdIcons(s, 200, 135).empty());

    // The PTZ mark: live view, the PTZ channel, a PTZ state.
    OsdCellState ptz;
    ptz.viewMode = 1;
    ptz.ptzShown = true;
    ptz.ptzMode = 2;
    EXPECT_EQ(LayoutOsdIcons(ptz, 200, 135),
              (std::vector<OsdIconBlit>{{OsdIcon::kPtzState2, 0, 16, 100, 117}}));
    ptz.ptzMode = 1;
    EXPECT_EQ(LayoutOsdIcons(ptz, 200, 135)[0].pair, OsdIcon::kPtzState1);
    ptz.viewMode = 2;
    ptz.speedCode = 99;
    EXPECT_TRUE(LayoutOsdIcons(ptz, 200, 135).empty()) << "playback shows no PTZ mark";
    ptz.viewMode = 1;
    ptz.ptzShown = false;
    EXPECT_TRUE(LayoutOsdIcons(ptz, 200, 135).empty());

    OsdCellState wm;
    wm.viewMode = 3;
    wm.speedCode = 99;
    wm.watermarkState = 0;
    wm.watermarkOffset = 80;
    EXPECT_EQ(LayoutOsdIcons(wm, 241, 135),
              (std::vector<OsdIconBlit>{{OsdIcon::kWatermarkNotVerified, 0, 16, 80, 117}}));
    wm.watermarkState = 2;
    EXPECT_EQ(LayoutOsdIcons(wm, 241, 135)[0].pair, OsdIcon::kWatermarkChecked);
    EXPECT_TRUE(LayoutOsdIcons(wm, 240, 135).empty());
    wm.osdMode = 1;
    EXPECT_TRUE(LayoutOsdIcons(wm, 400, 135).empty()) << "titles-only OSD shows no icons";
}

} // namespace
