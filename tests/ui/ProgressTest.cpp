// The skinned progress bar: its percent text and which pieces of the fill it
// shows.
#include "TestSupport.h"

#include "ui/SkinProgress.h"

#include <gtest/gtest.h>

using namespace uitest;

TEST(ProgressText, PercentWithOneDecimal)
{
    const struct
    {
        int lower, upper, pos;
        const char* text;
    } cases[] = {
        {0, 200, 25, "12.5 %"}, {0, 100, 100, "100.0 %"}, {0, 100, 0, "0.0 %"}, {10, 20, 15, "50.0 %"},
        {0, 3, 1, "33.3 %"},    {7, 7, 7, "0.0 %"}, // equal ends: nothing to measure, no division by zero
    };
    for (const auto& c : cases)
        EXPECT_EQ(CSkinProgress::PercentText(c.lower, c.upper, c.pos).toStdString(), c.text)
            << c.lower << ".." << c.upper << " at " << c.pos;
}

TEST(ProgressText, RangePosAndTextFollowEachOther)
{
    CSkinProgress bar;
    EXPECT_EQ(bar.m_strText, "0.00%");
    bar.SetRange(0, 200, false);
    EXPECT_EQ(bar.m_strText, "0 %");
    bar.SetPos(25);
    EXPECT_EQ(bar.m_strText, "0 %") << "the text is off";
    bar.SetTextStyle(true, 0xFEFE);
    bar.SetPos(25);
    EXPECT_EQ(bar.m_strText, "12.5 %");
    EXPECT_FLOAT_EQ(bar.m_fPercent, 12.5f);
    bar.SetPos(500);
    EXPECT_EQ(bar.m_nPos, 200);
    bar.SetPos(-1);
    EXPECT_EQ(bar.m_nPos, 0);

    bar.SetRange(5, 5, false);
    bar.SetPos(5);
    EXPECT_EQ(bar.m_strText, "0.0 %");
    EXPECT_FLOAT_EQ(bar.m_fPercent, 0.0f);
}

TEST(ProgressPaint, FillPiecesByPosition)
{
    TestBundle bundle;
    CSkinProgress bar;
    ASSERT_TRUE(bar.SetBackBitmap(ids::kProgBack));
    ASSERT_TRUE(bar.SetBarBitmap(ids::kProgBar));
    bar.resize(100, 10);
    bar.SetRange(0, 100, false);
    // Sample the left cap, the middle and the right cap.
    auto look = [&] {
        const QImage img = Render(&bar);
        return std::vector<QRgb>{Pixel(img, 2, 5), Pixel(img, 50, 5), Pixel(img, 97, 5)};
    };
    EXPECT_EQ(look(), (std::vector<QRgb>{BackColour(0), BackColour(1), BackColour(2)})) << "at lower";
    bar.SetPos(1);
    EXPECT_EQ(look(), (std::vector<QRgb>{BarColour(0), BackColour(1), BackColour(2)})) << "lower + 1";
    bar.SetPos(60);
    EXPECT_EQ(look(), (std::vector<QRgb>{BarColour(0), BarColour(1), BackColour(2)})) << "part way";
    bar.SetPos(100);
    EXPECT_EQ(look(), (std::vector<QRgb>{BarColour(0), BarColour(1), BarColour(2)})) << "at upper";

    // The middle of the fill ends at 6 + (pos - lower) / (range + 2) x (W - 6).
    EXPECT_EQ(CSkinProgress::FillRight(0, 100, 60, 100, 6), 6 + 55);
    EXPECT_EQ(CSkinProgress::FillRight(0, 100, 99, 100, 6), 94);
}
