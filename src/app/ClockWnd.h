// The date-and-time readout near the bottom of the main window, drawn from
// the digit strips of the resource bundle. Mode 0 is the main clock (the PC's
// time while the video grid is idle, the shown pictures' time otherwise);
// mode 1 is a playback clock (the playback position's time).
//
// The clock is a small transparent child of the main window over the
// readout's area, refreshed by a GUI-thread timer every 100 ms; it repaints
// only when a digit changed. Other threads (decode workers, the receive
// thread, the local player) write the time to show into m_nTime.
#pragma once

#include "app/ClockText.h"
#include "platform/Wnd.h"

#include <QImage>
#include <atomic>
#include <cstdint>
#include <ctime>

// What the clock reads of the main window.
class IClockHost
{
public:
    virtual ~IClockHost() = default;
    // The window the clock sits on (928 x 698 client area).
    virtual QWidget* ClockSurface() = 0;
    virtual int ClockHourSystem() = 0; // 0 12-hour, 1 24-hour
    virtual int ClockDateFormat() = 0; // 0 Y-M-D, 1 M-D-Y, 2 D-M-Y
    // The video grid's view mode; 0 when there is no grid or it is idle.
    virtual int ClockViewMode() = 0;
};

class CClockWnd : public Wnd
{
    Q_OBJECT
public:
    static constexpr UINT kTimerId = 21100;
    static constexpr UINT kIntervalMs = 100;

    CClockWnd(IClockHost* pMainDlg, BYTE nMode);
    ~CClockWnd() override;

    // Stops the refresh and hides the readout; the owner deletes the object.
    bool DestroyWindow() override;

    // Recorder seconds to show (read as UTC). Any thread may write it.
    std::atomic<std::int32_t> m_nTime{0};

    BYTE Mode() const { return m_nMode; }
    const ClockDigits& Digits() const { return m_digits; }
    const std::vector<ClockCell>& Cells() const { return m_cells; }

    // One pass: the fields of this moment (or of m_nTime), the digits and the
    // cells; repaints when they changed. The timer calls it with the PC's time.
    void Tick(std::time_t now);

protected:
    void OnTimer(UINT id) override;
    void paintEvent(QPaintEvent* e) override;

private:
    ClockDigits FormatMainTime(std::time_t now);
    ClockDigits FormatPlaybackTime();
    const QImage& Strip(int bitmapId) const;

    IClockHost* m_pMainDlg;
    BYTE m_nMode;
    QRect m_rcArea;
    ClockDigits m_digits;
    std::vector<ClockCell> m_cells;
    QImage m_bmpMainTime, m_bmpMainDate, m_bmpPlayTime, m_bmpPlayDate, m_bmpPlayMark;
};
