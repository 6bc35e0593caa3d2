#include "app/ClockWnd.h"

#include "app/ResIds2.h"
#include "platform/ResourceLibrary.h"

#include <QPaintEvent>
#include <QPainter>

CClockWnd::CClockWnd(IClockHost* pMainDlg, BYTE nMode)
    : Wnd(pMainDlg ? pMainDlg->ClockSurface() : nullptr, Qt::Widget), m_pMainDlg(pMainDlg),
      m_nMode(nMode == 0 ? 0 : 1), m_rcArea(ClockArea(m_nMode))
{
    const ResourceLibrary& res = ResourceLibrary::Current();
    m_bmpMainTime = res.LoadBitmap(IDB_CLOCK_MAIN_TIME);
    m_bmpMainDate = res.LoadBitmap(IDB_CLOCK_MAIN_DATE);
    m_bmpPlayTime = res.LoadBitmap(IDB_CLOCK_PLAY_TIME);
    m_bmpPlayDate = res.LoadBitmap(IDB_CLOCK_PLAY_DATE);
    m_bmpPlayMark = res.LoadBitmap(IDB_CLOCK_PLAY_MARK);

    // A readout painted over the main window's skin: no background of its own,
    // and clicks fall through to the window below.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAutoFillBackground(false);
    setGeometry(m_rcArea);
    Tick(std::time(nullptr));
    if (parentWidget())
        show();
    SetTimer(kTimerId, kIntervalMs);
}

CClockWnd::~CClockWnd() = default;

bool CClockWnd::DestroyWindow()
{
    KillTimer(kTimerId);
    return Wnd::DestroyWindow();
}

void CClockWnd::OnTimer(UINT id)
{
    if (id == kTimerId)
        Tick(std::time(nullptr));
}

ClockDigits CClockWnd::FormatMainTime(std::time_t now)
{
    // While pictures are shown the clock follows their time, otherwise the PC's.
    const int viewMode = m_pMainDlg ? m_pMainDlg->ClockViewMode() : 0;
    const ClockFields f = viewMode > 0 ? ClockFieldsUtc(m_nTime.load()) : ClockFieldsLocal(now);
    const int hourSystem = m_pMainDlg ? m_pMainDlg->ClockHourSystem() : kHour24;
    return SetClockDigits(ClockTimeText(f), ClockDateText(f), hourSystem);
}

ClockDigits CClockWnd::FormatPlaybackTime()
{
    std::int32_t t = m_nTime.load();
    if (t < 0) {
        t = 0;
        m_nTime.store(0);
    }
    const ClockFields f = ClockFieldsUtc(t);
    const int hourSystem = m_pMainDlg ? m_pMainDlg->ClockHourSystem() : kHour24;
    return SetClockDigits(ClockTimeText(f), ClockDateText(f), hourSystem);
}

void CClockWnd::Tick(std::time_t now)
{
    const int dateFormat = m_pMainDlg ? m_pMainDlg->ClockDateFormat() : kDateYmd;
    m_digits = m_nMode == 0 ? FormatMainTime(now) : FormatPlaybackTime();
    std::vector<ClockCell> cells =
        m_nMode == 0 ? MainClockCells(m_digits, dateFormat) : PlaybackClockCells(m_digits, dateFormat);
    if (cells == m_cells)
        return;
    m_cells = std::move(cells);
    update();
}

const QImage& CClockWnd::Strip(int bitmapId) const
{
    switch (bitmapId) {
    case IDB_CLOCK_MAIN_TIME:
        return m_bmpMainTime;
    case IDB_CLOCK_MAIN_DATE:
        return m_bmpMainDate;
    case IDB_CLOCK_PLAY_TIME:
        return m_bmpPlayTime;
    case IDB_CLOCK_PLAY_DATE:
        return m_bmpPlayDate;
    default:
        return m_bmpPlayMark;
    }
}

void CClockWnd::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    for (const ClockCell& cell : m_cells) {
        const QImage& strip = Strip(cell.bitmapId);
        if (strip.isNull())
            continue;
        // Frame n of a strip of equal cells, copied 1:1.
        const QRect target = cell.rect.translated(-m_rcArea.topLeft());
        const QRect source(cell.rect.width() * cell.frame, 0, cell.rect.width(), cell.rect.height());
        p.drawImage(target, strip, source);
    }
}
