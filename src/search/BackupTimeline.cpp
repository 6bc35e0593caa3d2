#include "search/BackupTimeline.h"

#include "net/TimeUtil.h"
#include "platform/ResourceLibrary.h"
#include "platform/Skin.h"
#include "search/RemoteSearchDlg.h"
#include "search/ResIds.h"
#include "search/ResIdsEvent.h"
#include "ui/SkinDraw.h"
#include "ui/UiMessages.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

// ---------------------------------------------------------------------------
// The markers

bool CBackupMarkers::Set(int marker, int seconds)
{
    if (seconds < 0 || seconds > kDaySeconds)
        return false;
    if (marker == 0 ? seconds > m_nEnd : seconds < m_nStart)
        return false;
    (marker == 0 ? m_nStart : m_nEnd) = seconds;
    return true;
}

bool CBackupMarkers::Click(const CTimelineView& view, int x, bool pending)
{
    if (pending)
        return false;
    x = std::clamp(x, kTimelineLeft, kLastPixel);
    const int xs = view.X(m_nStart), xe = view.X(m_nEnd);
    if (m_nActive == 0 ? x > xe : x < xs)
        return false;
    // Clicks compare pixels; the time is then kept in order too, so an end
    // click on the start's own pixel never puts the end before the start.
    int t = std::clamp(view.T(x), 0, kDaySeconds);
    t = m_nActive == 0 ? std::min(t, m_nEnd) : std::max(t, m_nStart);
    if (t == (m_nActive == 0 ? m_nStart : m_nEnd))
        return false;
    return Set(m_nActive, t);
}

bool CBackupMarkers::Step(int secPerPixel, bool later, bool pending)
{
    if (pending)
        return false;
    const int now = m_nActive == 0 ? m_nStart : m_nEnd;
    return Set(m_nActive, later ? now + secPerPixel : now - secPerPixel);
}

bool CBackupMarkers::Pick(int seconds, bool pending)
{
    if (pending || seconds == (m_nActive == 0 ? m_nStart : m_nEnd))
        return false;
    return Set(m_nActive, seconds);
}

// ---------------------------------------------------------------------------
// The page

namespace {

constexpr COLORREF kButtonText[4] = {0xFFFFFF, 0xF1EB62, 0xF1EB62, 0xBEB9B3};

void PlaceButton(CSkinTextButton& b, QWidget* parent, int id, const QString& text, const QRect& rect)
{
    b.setParent(parent);
    b.SetDlgCtrlID(id);
    SetupCaptionButton(b, kBmpRowButton, text, kButtonText);
    b.setGeometry(rect);
    b.show();
}

void PlaceLabel(CSkinLabel& label, QWidget* parent, int id, const QRect& rect, bool clickable)
{
    label.setParent(parent);
    label.SetDlgCtrlID(id);
    label.SetNotify(true);
    label.SetBitmap(0, kBmpCellBody);
    label.SetStyle(clickable ? 0xE6D200 : 0x783C3C, 0x783C3C, 0, clickable ? 1 : 0, true, 9, "Arial Bold");
    label.setGeometry(rect);
    label.show();
}

} // namespace

CBackupTimelinePage::CBackupTimelinePage(CRemoteSearchDlg& host, int year, int month, int day)
    : CSearchTimelinePage(host, SearchSlot::BackupTimeline, year, month, day)
{
}

void CBackupTimelinePage::OnInitPage()
{
    CSearchTimelinePage::OnInitPage();
    CRemoteSearchDlg& host = Host();
    auto text = [&](int id) { return QString::fromStdString(host.Main().LoadResString(id)); };
    m_bmpBackground = ResourceLibrary::Current().LoadBitmap(IDB_BACKUP_TIMELINE_BACKGROUND);
    m_btnPlay.SetDlgCtrlID(481);
    m_btnPlay.hide();
    m_btnPrev.setGeometry(205, 396, 97, 22);
    PlaceButton(m_btnCalculate, this, 480, text(IDS_EVENT_CALCULATE), QRect(2, 396, 97, 22));
    PlaceButton(m_btnBackup, this, 482, text(IDS_BACKUP_BUTTON), QRect(304, 396, 97, 22));
    m_btnBackup.Enable(false);
    // The two rows above the timeline are the range's start and end.
    const int captions[2] = {IDS_DT_START, IDS_DT_END};
    for (int i = 0; i < 2; ++i) {
        m_lblCaption[i].SetText(text(captions[i]));
        auto* box = new CSkinCheckBox(this);
        box->SetDlgCtrlID(490 + i);
        box->SetBitmaps(kBmpCheckOff, kBmpCheckOn, kBmpCheckOff, kBmpCheckOff, kBmpCheckOff, kBmpCheckMask, 0,
                        0, 0);
        box->setGeometry(105, 7 + 23 * i, 15, 15);
        box->SetCheck(i == 0 ? 1 : 0);
        box->show();
        m_chkMarker[i] = box;
    }
    m_lblDate.setGeometry(130, 8, 120, 14);
    m_lblDate.SetStyle(0x783C3C, 0x783C3C, 0, 0, true, 9, "Arial Bold");
    m_lblTime.setGeometry(260, 8, 130, 14);
    PlaceLabel(m_lblDateEnd, this, 817, QRect(130, 31, 120, 14), false);
    m_lblDateEnd.SetText(m_lblDate.GetWindowText());
    PlaceLabel(m_lblTimeEnd, this, 818, QRect(260, 31, 130, 14), true);
    PlaceLabel(m_lblSize, this, 819, QRect(103, 400, 97, 14), false);
    m_backup.calculate = &m_btnCalculate;
    m_backup.backup = &m_btnBackup;
    m_backup.size = &m_lblSize;
    m_lblTime.SetText(QString::fromStdString(FormatTimeOfDay(m_markers.Start())));
    m_lblTimeEnd.SetText(QString::fromStdString(FormatTimeOfDay(m_markers.End())));
}

BackupRange CBackupTimelinePage::Range() const
{
    auto at = [&](int s) {
        // 24:00:00 carries into the next day's midnight.
        const Usertime u{m_day.year, m_day.month, m_day.day, s / 3600, (s % 3600) / 60, s % 60};
        return static_cast<std::uint32_t>(UsertimeToTime_t(u));
    };
    BackupRange r;
    r.start = at(m_markers.Start());
    r.end = at(m_markers.End());
    return r;
}

void CBackupTimelinePage::MarkerChanged()
{
    m_lblTime.SetText(QString::fromStdString(FormatTimeOfDay(m_markers.Start())));
    m_lblTimeEnd.SetText(QString::fromStdString(FormatTimeOfDay(m_markers.End())));
    CBackupFlow::ResetSize(m_backup);
    update(QRect(QPoint(kTimelineLeft, kTimelineTop), QPoint(kTimelineRight, kTimelineBottom)));
}

void CBackupTimelinePage::OnTimelineClick(int x)
{
    if (m_markers.Click(m_view, x, Host().RequestPending()))
        MarkerChanged();
}

void CBackupTimelinePage::OnTimePicked(int, int hour, int minute, int second)
{
    if (m_markers.Pick(hour * 3600 + minute * 60 + second, Host().RequestPending()))
        MarkerChanged();
}

void CBackupTimelinePage::OnMarkerSelector(int marker)
{
    m_markers.SetActive(marker);
    for (int i = 0; i < 2; ++i)
        if (m_chkMarker[i])
            m_chkMarker[i]->SetCheck(i == marker ? 1 : 0);
}

void CBackupTimelinePage::OnMarkerLabel(int marker)
{
    OnMarkerSelector(marker);
    CSkinLabel& label = marker == 0 ? m_lblTime : m_lblTimeEnd;
    const int t = marker == 0 ? m_markers.Start() : m_markers.End();
    SliderPickerRequest r{};
    r.Count = 3;
    r.Value1 = t / 3600;
    r.Value2 = (t % 3600) / 60;
    r.Value3 = t % 60;
    r.AnchorRect = ScreenRect(label);
    r.ClickX = label.m_ptClick.x();
    r.ClickY = label.m_ptClick.y();
    r.Width = 358;
    Host().OpenTimePicker(this, marker == 0 ? 1 : 3, r);
}

void CBackupTimelinePage::CalculateBackupSize()
{
    CBackupFlow::Calculate(Host(), kBackupTimelineTraits, m_backup, [this] { return Range(); });
}

void CBackupTimelinePage::StartBackup()
{
    CBackupFlow::Start(Host(), kBackupTimelineTraits, m_backup, [this] { return Range(); });
}

void CBackupTimelinePage::OnBackupSizeAnswer(std::uint32_t kb)
{
    CBackupFlow::SizeAnswer(Host(), m_backup, kb, [this] { return Range(); });
}

void CBackupTimelinePage::OnBackupPrev()
{
    CRemoteSearchDlg& host = Host();
    host.ClosePickers();
    if (host.RequestPending())
        return;
    if (CSearchPage* calendar = host.Page(SearchSlot::BackupCalendar)) {
        calendar->show();
        host.ClearPending();
        DestroyWindow();
        return;
    }
    host.ShowPage(SearchSlot::BackupCalendar);
}

void CBackupTimelinePage::OnCommand(int id, int code)
{
    if (code != BN_CLICKED)
        return;
    switch (id) {
    case 480:
        CalculateBackupSize();
        break;
    case 482:
        StartBackup();
        break;
    case 483:
        OnBackupPrev();
        break;
    case 490:
    case 491:
        OnMarkerSelector(id - 490);
        break;
    case 816:
    case 818:
        OnMarkerLabel(id == 816 ? 0 : 1);
        break;
    case 815:
    case 817:
    case 819:
        Host().ClosePickers();
        break;
    default:
        break;
    }
}

void CBackupTimelinePage::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    DrawBitmap(p, m_bmpBackground, 0, 0, 403, 417, false, 0);
    const int xs = StartX(), xe = EndX();
    const int from = std::max(xs, kTimelineLeft), to = std::min(xe, CBackupMarkers::kLastPixel + 1);
    if (from < to && !m_bmpGrid.isNull())
        p.drawImage(QPoint(from, kTimelineTop), m_bmpGrid,
                    QRect(from - kTimelineLeft, 0, to - from, m_bmpGrid.height()));
    for (const TimelineBar& bar : Bars())
        DrawBitmap(p, m_bmpBars[static_cast<std::size_t>(bar.kind)], bar.x1, bar.Top(), bar.x2, bar.Bottom(),
                   true, 0);
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    const int right = CBackupMarkers::kLastPixel + 1;
    if (xs >= kTimelineLeft && xs <= right) {
        p.setPen(QPen(fromColorRef(0xFFFF00), 1));
        p.drawLine(xs, kTimelineTop, xs, kTimelineBottom);
    }
    if (xe >= kTimelineLeft && xe <= right) {
        p.setPen(QPen(fromColorRef(0x00FFFF), 1));
        p.drawLine(xe, kTimelineTop, xe, kTimelineBottom);
    }
    if (m_nDragRectLeft >= 0) {
        p.setPen(QPen(fromColorRef(0x0000FF), 2));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRect(QPoint(std::min(m_nDragRectLeft, m_nDragRectRight), kTimelineTop),
                         QPoint(std::max(m_nDragRectLeft, m_nDragRectRight), kTimelineBottom)));
    }
}

void CBackupTimelinePage::mousePressEvent(QMouseEvent* e)
{
    // While the size is asked the timeline takes no clicks (nor drags).
    if (e->button() == Qt::LeftButton && Host().RequestPending())
        return;
    CSearchTimelinePage::mousePressEvent(e);
}

void CBackupTimelinePage::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Left || e->key() == Qt::Key_Right) {
        if (m_markers.Step(m_view.SecPerPixel(), e->key() == Qt::Key_Right, Host().RequestPending()))
            MarkerChanged();
        return;
    }
    CSearchTimelinePage::keyPressEvent(e);
}
