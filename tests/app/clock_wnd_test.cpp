// The clock readout on the main window: which time it shows in each mode,
// that it follows the settings, that it stops cleanly, and a render.
#include "app/ClockWnd.h"

#include "SkinBundle.h"
#include "platform/ResourceLibrary.h"

#include <QDateTime>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

// A stand-in for the main window: the skin's frame pieces as its background.
class Surface : public QWidget, public IClockHost
{
public:
    Surface()
    {
        resize(928, 698);
        const ResourceLibrary& res = ResourceLibrary::Current();
        for (int k = 0; k < 9; ++k)
            m_frame[k] = res.LoadBitmap(1500 + k);
        m_playBar = res.LoadBitmap(1584);
    }
    QWidget* ClockSurface() override { return this; }
    int ClockHourSystem() override { return hourSystem; }
    int ClockDateFormat() override { return dateFormat; }
    int ClockViewMode() override { return viewMode; }

    int hourSystem = 1;
    int dateFormat = 0;
    int viewMode = 0;
    bool playback = false;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        const int xs[4] = {0, 86, 841, 928};
        const int ys[4] = {0, 58, 626, 698};
        for (int k = 0; k < 9; ++k)
            p.drawImage(QPoint(xs[k % 3], ys[k / 3]), m_frame[k]);
        if (playback)
            p.drawImage(QPoint(250, 630), m_playBar);
    }

private:
    QImage m_frame[9];
    QImage m_playBar;
};

class ClockWndTest : public testing::Test
{
protected:
    void SetUp() override { UseBundle(); }
};

ClockDigits Expected(const QDateTime& t, int hourSystem)
{
    ClockFields f;
    f.year = t.date().year();
    f.month = t.date().month();
    f.day = t.date().day();
    f.hour = t.time().hour();
    f.minute = t.time().minute();
    f.second = t.time().second();
    return SetClockDigits(ClockTimeText(f), ClockDateText(f), hourSystem);
}

TEST_F(ClockWndTest, MainClockFollowsThePcWhileTheGridIsIdle)
{
    Surface main;
    CClockWnd clock(&main, 0);
    EXPECT_EQ(clock.parentWidget(), &main);
    EXPECT_EQ(clock.geometry(), QRect(66, 643, 117, 31));
    EXPECT_TRUE(clock.HasTimer(CClockWnd::kTimerId));

    const std::time_t now = 1700000000;
    clock.m_nTime = 1204848309; // ignored while idle
    clock.Tick(now);
    EXPECT_EQ(clock.Digits(), Expected(QDateTime::fromSecsSinceEpoch(now).toLocalTime(), 1));

    // With pictures shown the picture time counts, read as UTC.
    main.viewMode = 1;
    clock.Tick(now);
    EXPECT_EQ(clock.Digits(), Expected(QDateTime::fromSecsSinceEpoch(1204848309, Qt::UTC), 1));
}

TEST_F(ClockWndTest, SettingsTakeEffectOnTheNextPass)
{
    Surface main;
    main.viewMode = 2;
    CClockWnd clock(&main, 0);
    clock.m_nTime = 1204902000; // 2008-03-07 15:00:00
    clock.Tick(0);
    EXPECT_EQ(clock.Digits().mark, kClockBlank);
    EXPECT_EQ(clock.Cells()[1].frame, 1);
    EXPECT_EQ(clock.Cells()[2].frame, 5);

    main.hourSystem = 0;
    main.dateFormat = 2;
    clock.Tick(0);
    EXPECT_EQ(clock.Cells()[0].frame, kClockMarkPm);
    EXPECT_EQ(clock.Cells()[1].frame, kClockBlank);
    EXPECT_EQ(clock.Cells()[2].frame, 3);
    // Day first: 0 7 - 0 3 - 2 0 0 8.
    EXPECT_EQ(clock.Cells()[9].frame, 0);
    EXPECT_EQ(clock.Cells()[10].frame, 7);
    EXPECT_EQ(clock.Cells()[11].frame, kClockSeparator);
}

TEST_F(ClockWndTest, PlaybackClockShowsItsTimeAndClampsNegative)
{
    Surface main;
    CClockWnd clock(&main, 1);
    EXPECT_EQ(clock.geometry(), QRect(518, 632, 148, 9));
    clock.m_nTime = -100;
    clock.Tick(1700000000);
    EXPECT_EQ(clock.m_nTime.load(), 0);
    EXPECT_EQ(clock.Digits(), Expected(QDateTime::fromSecsSinceEpoch(0, Qt::UTC), 1));

    clock.m_nTime = 1204848309;
    clock.Tick(0);
    EXPECT_EQ(clock.Digits(), Expected(QDateTime::fromSecsSinceEpoch(1204848309, Qt::UTC), 1));
}

TEST_F(ClockWndTest, DestroyStopsTheRefresh)
{
    Surface main;
    auto* clock = new CClockWnd(&main, 0);
    EXPECT_TRUE(clock->DestroyWindow());
    EXPECT_FALSE(clock->HasTimer(CClockWnd::kTimerId));
    EXPECT_FALSE(clock->isVisible());
    delete clock;
    // A clock destroyed right after construction with events still pending.
    auto* again = new CClockWnd(&main, 1);
    again->DestroyWindow();
    delete again;
    QCoreApplication::processEvents();
}

TEST_F(ClockWndTest, RenderToPng)
{
    Surface main;
    main.playback = true;
    main.hourSystem = 0;
    main.viewMode = 1;
    CClockWnd mainClock(&main, 0);
    CClockWnd playClock(&main, 1);
    mainClock.m_nTime = 1204902009; // 2008-03-07 15:00:09
    playClock.m_nTime = 1204848309; // 2008-03-07 00:05:09
    mainClock.Tick(0);
    playClock.Tick(0);
    const QImage image = main.grab(QRect(40, 620, 660, 70)).toImage();
    const QString dir = RenderDir();
    EXPECT_TRUE(image.scaled(image.size() * 2).save(dir + "/clock_main_and_playback.png"));
}

} // namespace
