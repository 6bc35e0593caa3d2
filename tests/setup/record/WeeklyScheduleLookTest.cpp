// The weekly schedule page on offscreen renders: the hours in the strip
// beside the grid, a line between every two cells even where they hold the
// same value, and paint buttons that show the colour they paint.
#include "RecordTestSupport.h"

#include "setup/record/WeeklySchedulePage.h"

#include <functional>

using namespace rectest;

namespace {

class WeeklyScheduleLook : public RecordWindow
{
protected:
    CWeeklySchedulePage* OpenWeekly(int major, const std::function<std::uint8_t(int day, int hour)>& value)
    {
        SetupDbImage im = PageImage(4, 6);
        for (int d = 0; d < 7; ++d)
            for (int h = 0; h < 24; ++h)
                im[SetupDb::WeeklySchedule.offset + 24 * d + h] = value(d, h);
        Open(Kind(16, major), im);
        return Show<CWeeklySchedulePage>(SetupPage::kWeeklySchedule);
    }
};

} // namespace

TEST_F(WeeklyScheduleLook, HoursStandInTheStripBesideTheirRows)
{
    for (int major : {0, 3}) {
        CWeeklySchedulePage* p = OpenWeekly(major, [](int, int) { return 1; });
        ASSERT_NE(p, nullptr);
        const QImage shot = p->grab().toImage();
        const QColor ground = shot.pixelColor(1, 30);
        // Each row's stretch of the strip holds a text of its own.
        std::vector<QImage> glyphs;
        for (int h = 0; h < 24; ++h) {
            const QRect row(0, 30 + 15 * h, 53, 15);
            int ink = 0;
            for (int y = row.top(); y <= row.bottom(); ++y)
                for (int x = row.left(); x <= row.right(); ++x)
                    ink += Contrast(shot.pixelColor(x, y), ground) > 2.0;
            EXPECT_GT(ink, 20) << "hour " << h << ", form " << major;
            glyphs.push_back(shot.copy(row));
        }
        for (int a = 0; a < 24; ++a)
            for (int b = a + 1; b < 24; ++b)
                EXPECT_NE(glyphs[a], glyphs[b]) << "hours " << a << " and " << b << " look alike";
        // Nothing above the first row or below the last: the strip is the scale.
        for (int x = 1; x < 53; ++x) {
            EXPECT_LT(Contrast(shot.pixelColor(x, 28), ground), 1.5) << x;
            EXPECT_LT(Contrast(shot.pixelColor(x, 391), ground), 1.5) << x;
        }
    }
}

TEST_F(WeeklyScheduleLook, EqualNeighboursStaySeparateCells)
{
    for (int major : {0, 3, 4}) {
        for (std::uint8_t v : {std::uint8_t(0), std::uint8_t(1), std::uint8_t(2), std::uint8_t(3)}) {
            if (major == 0 && v > 1)
                continue;
            CWeeklySchedulePage* p = OpenWeekly(major, [v](int, int) { return v; });
            ASSERT_NE(p, nullptr);
            const QImage grid = p->m_grid.grab().toImage();
            for (int d = 0; d < 7; ++d) {
                const int x = 50 * d + 25;
                for (int h = 1; h < 24; ++h) {
                    // The boundary between hour h - 1 and h is darker than both cells.
                    const double line = Luminance(grid.pixelColor(x, 15 * h));
                    EXPECT_LT(line, Luminance(grid.pixelColor(x, 15 * h - 7)) * 0.9)
                        << "form " << major << ", value " << int(v) << ", day " << d << ", hour " << h;
                    EXPECT_LT(line, Luminance(grid.pixelColor(x, 15 * h + 7)) * 0.9)
                        << "form " << major << ", value " << int(v) << ", day " << d << ", hour " << h;
                }
                if (d > 0) {
                    const double edge = Luminance(grid.pixelColor(50 * d, 15 * 5 + 7));
                    EXPECT_LT(edge, Luminance(grid.pixelColor(50 * d + 25, 15 * 5 + 7)) * 0.9)
                        << "form " << major << ", day " << d;
                }
            }
        }
    }
}

TEST_F(WeeklyScheduleLook, PaintButtonsShowTheColourTheyPaint)
{
    for (int major : {3, 4}) {
        // Day d holds value d % 4 in every hour.
        CWeeklySchedulePage* p =
            OpenWeekly(major, [](int d, int) { return static_cast<std::uint8_t>(d % 4); });
        ASSERT_NE(p, nullptr);
        const QImage grid = p->m_grid.grab().toImage();
        QColor shown[4];
        for (int v = 0; v < 4; ++v) {
            CSchedulePaintButton& b = p->m_btn[v];
            const QImage face = b.grab().toImage();
            shown[v] = face.pixelColor(b.width() / 2, CSchedulePaintButton::kBarTop + 1);
            // The bar is the colour of a cell holding v (the first hour's: the
            // cells shade a little from top to bottom).
            EXPECT_EQ(shown[v], grid.pixelColor(50 * v + 25, 7)) << "form " << major << ", value " << v;
            // And stands out from the face it sits on.
            EXPECT_GT(Contrast(shown[v], face.pixelColor(3, CSchedulePaintButton::kBarTop + 1)), 1.4)
                << "form " << major << ", value " << v;
        }
        for (int a = 0; a < 4; ++a)
            for (int b = a + 1; b < 4; ++b)
                EXPECT_NE(shown[a], shown[b]) << "values " << a << " and " << b;
        // Pressing a paint button by its bar's place chooses what a drag paints.
        Click(&p->m_btn[2], QPoint(p->m_btn[2].width() / 2, CSchedulePaintButton::kBarTop + 1));
        EXPECT_EQ(p->m_grid.m_nBrush, 2);
        EXPECT_EQ(p->m_btn[2].m_nState, 1);
        EXPECT_EQ(p->m_btn[0].m_nState, 0);
    }
    // The on/off form's buttons act at once and carry no colour.
    CWeeklySchedulePage* p = OpenWeekly(0, [](int, int) { return 0; });
    ASSERT_NE(p, nullptr);
    for (const CSchedulePaintButton& b : p->m_btn)
        EXPECT_FALSE(b.ValueColour().isValid());
}
