#include "search/SearchPages.h"
#include "search/InfoPages.h"
#include "search/LogPages.h"
#include "search/LogViewers.h"

#include "net/NetClient.h"
#include "net/NetMessages.h"
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
#include <QWheelEvent>
#include <cstdio>
#include <memory>

namespace {

constexpr COLORREF kPlayText[4] = {0xFFFFFF, 0xF1EB62, 0xF1EB62, 0xBEB9B3};

QString Text(const ISearchPageHost& host, int id)
{
    return QString::fromStdString(host.PageText(id));
}

void Caption(CSkinLabel& label, QWidget* parent, int id, const QString& text, const QRect& rect,
             COLORREF colour = 0x785A5A)
{
    label.setParent(parent);
    label.SetDlgCtrlID(id);
    label.SetNotify(false);
    label.SetStyle(colour, colour, 0, 0, true, 9, "Arial Bold");
    label.SetText(text);
    label.setGeometry(rect);
    label.show();
}

void Cell(CSkinLabel& label, QWidget* parent, int id, const QRect& rect)
{
    label.setParent(parent);
    label.SetDlgCtrlID(id);
    label.SetNotify(true);
    label.SetBitmap(0, kBmpCellBody);
    label.SetStyle(0xE6D200, 0x783C3C, 0, 1, true, 9, "Arial Bold");
    label.setGeometry(rect);
    label.show();
}

void TextButton(CSkinTextButton& button, QWidget* parent, int id, const QString& text, const QRect& rect)
{
    button.setParent(parent);
    button.SetDlgCtrlID(id);
    SetupCaptionButton(button, kBmpRowButton, text, kPlayText);
    button.setGeometry(rect);
    button.show();
}

int PcYear(const ISearchPageHost& host)
{
    const std::time_t now = host.PageNow();
    std::tm tm{};
    localtime_r(&now, &tm);
    return tm.tm_year + 1900;
}

BackupDateTimeFlow& BackupFlow()
{
    static BackupDateTimeFlow flow;
    return flow;
}

} // namespace

PickerRect ScreenRect(const QWidget& w)
{
    const QPoint tl = w.mapToGlobal(QPoint(0, 0));
    return PickerRect{tl.x(), tl.y(), tl.x() + w.width(), tl.y() + w.height()};
}

void OpenDateCellList(CSearchPage& page, ISearchPageHost& host, int itemId, const CSkinLabel& cell,
                      const CSearchDateTimeModel::ListSpec& list)
{
    auto request = std::make_unique<ListPickerRequest>();
    std::memset(request.get(), 0, sizeof *request);
    request->Count = static_cast<int>(list.items.size());
    for (int i = 0; i < request->Count; ++i)
        SetListPickerItem(*request, i, list.items[static_cast<std::size_t>(i)].c_str());
    request->AnchorRect = ScreenRect(cell);
    request->ClickX = cell.m_ptClick.x();
    request->ClickY = cell.m_ptClick.y();
    request->Width = list.width;
    host.OpenListPicker(&page, itemId, *request, 0, list.fourPerRow);
}

void AttachBackupDateTimeFlow(BackupDateTimeFlow flow)
{
    BackupFlow() = std::move(flow);
}

// ===========================================================================
// Calendar

CSearchCalendarPage::CSearchCalendarPage(CRemoteSearchDlg& host, bool backup)
    : CSearchPage(host, backup ? SearchSlot::BackupCalendar : SearchSlot::SearchCalendar), m_bBackup(backup)
{
}

CSearchCalendarPage::CSearchCalendarPage(ISearchPageHost& host, int slot)
    : CSearchPage(host, slot), m_bBackup(false)
{
}

bool CSearchCalendarPage::ChooseYear(int pcYear)
{
    return m_model.Init(Host().YearRecords(), pcYear);
}

void CSearchCalendarPage::ReportNoData()
{
    Host().Main().Notify(NetNotify::NO_DATA, 0, Host().Handle());
}

void CSearchCalendarPage::OpenDay(int day0)
{
    Host().SendDayRequest(m_bBackup, m_model.Year(), m_model.Month() + 1, day0 + 1);
}

void CSearchCalendarPage::OnInitPage()
{
    ISearchPageHost& host = PageHost();
    m_bmpBackground = ResourceLibrary::Current().LoadBitmap(IDB_CALENDAR_BACKGROUND);
    Caption(m_lblCaption[0], this, 790, Text(host, IDS_CAL_YEAR), QRect(15, 9, 70, 14));
    Caption(m_lblCaption[1], this, 791, Text(host, IDS_CAL_MONTH), QRect(15, 32, 70, 14));
    for (int c = 0; c < 7; ++c)
        Caption(m_lblCaption[2 + c], this, 792 + c, Text(host, IDS_WEEKDAY_FIRST + c),
                QRect(14 + 57 * c, 89, 57, 14), c == 0 ? 0x0000FF : 0x785A5A);
    Cell(m_lblYear, this, 799, QRect(140, 8, 70, 14));
    for (int m = 0; m < 12; ++m) {
        CCalendarButton& b = m_btnMonth[m];
        b.setParent(this);
        b.SetDlgCtrlID(890 + m);
        b.SetBitmap(IDB_CALENDAR_MONTH);
        b.SetFont(9, 700, "Arial Bold");
        const COLORREF colours[4] = {0x783C3C, 0xEFAE00, 0xEFAE00, 0xCDBCBC};
        std::copy(std::begin(colours), std::end(colours), b.m_crText);
        b.SetCaption(Text(host, IDS_MONTH_FIRST + m));
        b.setGeometry(94 + 51 * (m % 6), m < 6 ? 28 : 51, 49, 19);
        b.show();
    }
    for (int d = 0; d < 31; ++d) {
        CCalendarButton& b = m_btnDay[d];
        b.setParent(this);
        b.SetDlgCtrlID(840 + d);
        b.SetBitmap(IDB_CALENDAR_DAY);
        const COLORREF colours[4] = {0x783C3C, 0xFFFFFF, 0x0000FF, 0xCDBCBC};
        std::copy(std::begin(colours), std::end(colours), b.m_crText);
        b.SetCaption(QString::number(d + 1));
        b.hide();
    }
    if (!ChooseYear(PcYear(host)))
        ReportNoData();
    Refresh();
}

void CSearchCalendarPage::Refresh()
{
    m_lblYear.SetText(QString::number(kCalendarFirstYear + m_model.YearIndex()));
    for (int m = 0; m < 12; ++m) {
        CCalendarButton& b = m_btnMonth[m];
        const int state = m_model.MonthStates()[m];
        b.m_bHasData = m_model.MonthHasData(m) ? 1 : 0;
        b.Enable(state != kCalDisabled);
        b.SetState(state);
    }
    for (CCalendarButton& b : m_btnDay)
        b.hide();
    for (const CalendarDayCell& cell : m_model.DayCells()) {
        CCalendarButton& b = m_btnDay[cell.day];
        b.setGeometry(cell.x, cell.y, cell.width, cell.height);
        b.m_bHasData = cell.hasData ? 1 : 0;
        b.SetState(cell.state);
        b.show();
    }
}

void CSearchCalendarPage::OnCommand(int id, int code)
{
    if (id == 799 && code == STN_CLICKED)
        OnYearClicked();
    else if (id >= 890 && id <= 901 && code == BN_CLICKED)
        OnMonthClicked(id - 890);
    else if (id >= 840 && id <= 870 && code == BN_CLICKED)
        OnDayClicked(id - 840);
}

void CSearchCalendarPage::OnYearClicked()
{
    if (PageHost().RequestPending())
        return;
    auto request = std::make_unique<ListPickerRequest>();
    std::memset(request.get(), 0, sizeof *request);
    const std::vector<std::string> names = BuildYearNames();
    request->Count = static_cast<int>(names.size());
    for (int i = 0; i < request->Count; ++i)
        SetListPickerItem(*request, i, names[static_cast<std::size_t>(i)].c_str());
    request->AnchorRect = ScreenRect(m_lblYear);
    request->ClickX = m_lblYear.m_ptClick.x();
    request->ClickY = m_lblYear.m_ptClick.y();
    request->Width = 210;
    PageHost().OpenListPicker(this, 0, *request, 0, true);
}

void CSearchCalendarPage::OnListPicked(int itemId, int index)
{
    if (itemId == 0 && m_model.OnYearPicked(index))
        Refresh();
}

void CSearchCalendarPage::OnMonthClicked(int month0)
{
    if (PageHost().RequestPending() || !m_model.OnMonthClicked(month0))
        return;
    Refresh();
}

void CSearchCalendarPage::OnDayClicked(int day0)
{
    PageHost().ClosePickers();
    if (PageHost().RequestPending() || !m_model.DayHasData(day0))
        return;
    m_model.PickDay(day0);
    OpenDay(day0);
}

bool CSearchCalendarPage::CalendarDay(int& year, int& month, int& day) const
{
    year = m_model.Year();
    month = m_model.Month();
    day = m_model.Day();
    return true;
}

void CSearchCalendarPage::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    DrawBitmap(p, m_bmpBackground, 0, 0, 403, 417, true, 0);
}

// ===========================================================================
// Day timeline

CSearchTimelinePage::CSearchTimelinePage(CRemoteSearchDlg& host, int year, int month, int day)
    : CSearchTimelinePage(host, SearchSlot::SearchTimeline, year, month, day)
{
}

CSearchTimelinePage::CSearchTimelinePage(CRemoteSearchDlg& host, SearchSlot slot, int year, int month, int day)
    : CSearchPage(host, slot), m_day{year, month, day}
{
    setFocusPolicy(Qt::StrongFocus);
}

CSearchTimelinePage::CSearchTimelinePage(ISearchPageHost& host, int slot, int year, int month, int day)
    : CSearchPage(host, slot), m_day{year, month, day}
{
    setFocusPolicy(Qt::StrongFocus);
}

bool CSearchTimelinePage::RestoredTime(std::int64_t& time) const
{
    // Back from a playback: the picked time of that playback.
    if (const std::shared_ptr<CNetClient> client = Host().Client()) {
        const PlayHandOver h = client->SearchKeep().HandOver();
        if (h.active) {
            time = static_cast<std::int32_t>(h.startTime);
            return true;
        }
    }
    return false;
}

bool CSearchTimelinePage::PlayEnabled() const
{
    return !Host().Main().LocalPlayerRunning();
}

void CSearchTimelinePage::OnTimelineClick(int x)
{
    m_view.Click(x);
    ShowPicked();
}

void CSearchTimelinePage::OnInitPage()
{
    ISearchPageHost& host = PageHost();
    const ResourceLibrary& res = ResourceLibrary::Current();
    m_bmpBackground = res.LoadBitmap(IDB_TIMELINE_BACKGROUND);
    m_bmpGrid = res.LoadBitmap(IDB_TIMELINE_GRID);
    for (int k = 0; k < 6; ++k)
        m_bmpBars[static_cast<std::size_t>(k)] = res.LoadBitmap(IDB_TIMELINE_BAR_FIRST + k);
    TextButton(m_btnPlay, this, 482, Text(host, IDS_SEARCH_PLAY), QRect(304, 396, 97, 22));
    TextButton(m_btnPrev, this, 483, Text(host, IDS_SEARCH_PREV), QRect(2, 396, 97, 22));
    Caption(m_lblCaption[0], this, 790, Text(host, IDS_DT_DATE), QRect(15, 9, 70, 14));
    Caption(m_lblCaption[1], this, 791, Text(host, IDS_DT_TIME), QRect(15, 32, 70, 14));
    Caption(m_lblCaption[2], this, 792, Text(host, IDS_TIMELINE_CAMERA), QRect(32, 55, 70, 14));
    const QString prefix = Text(host, kStrCameraPrefix);
    for (int r = 0; r < 16; ++r)
        Caption(m_lblRows[r], this, 793 + r, prefix + QString::asprintf("%02d", r + 1),
                QRect(32, 75 + 18 * r, 70, 14));
    Cell(m_lblDate, this, 815, QRect(150, 8, 210, 14));
    Cell(m_lblTime, this, 816, QRect(150, 31, 210, 14));
    for (int k = 0; k < 4; ++k)
        Caption(m_lblTicks[k], this, 820 + k, QString(), QRect(109 + 72 * k, 54, 55, 14), 0x848484);
    // The legend: kinds 0, 1, 2, 3 and 5 in five places (kind 4 is not shown).
    static constexpr int kLegendTips[6] = {IDS_LEGEND_0, 5130, 5131, IDS_LEGEND_3, 5132, IDS_LEGEND_5};
    for (int k = 0; k < 6; ++k) {
        CSkinLabel& swatch = m_lblSwatch[k];
        swatch.setParent(this);
        swatch.SetDlgCtrlID(809 + k);
        swatch.SetBitmap(0, static_cast<UINT>(IDB_TIMELINE_SWATCH_FIRST + k));
        swatch.setGeometry(k == 5 ? 287 : 11 + 69 * k, 363, 36, 8);
        swatch.setToolTip(Text(host, kLegendTips[k]));
        CSkinLabel& legend = m_lblLegend[k];
        legend.setParent(this);
        legend.SetDlgCtrlID(824 + k);
        legend.SetNotify(false);
        legend.SetBitmap(0, static_cast<UINT>(IDB_TIMELINE_LEGEND_FIRST + k));
        legend.setGeometry(k == 5 ? 276 : 69 * k, 375, 57, 12);
        swatch.setVisible(k != 4);
        legend.setVisible(k != 4);
    }
    char date[48];
    const int fmt = host.PageDateFormat();
    if (fmt == 0)
        std::snprintf(date, sizeof date, "%04d - %02d - %02d", m_day.year, m_day.month + 1, m_day.day + 1);
    else if (fmt == 1)
        std::snprintf(date, sizeof date, "%02d - %02d - %04d", m_day.month + 1, m_day.day + 1, m_day.year);
    else
        std::snprintf(date, sizeof date, "%02d - %02d - %04d", m_day.day + 1, m_day.month + 1, m_day.year);
    m_lblDate.SetText(QString::fromLatin1(date));
    std::int64_t start = 0;
    if (RestoredTime(start)) {
        Usertime u{};
        if (GetTime_tToUsertime(start < 0 ? 0 : start, u))
            m_view.SetPicked(u.hour * 3600 + u.minute * 60 + u.second);
    }
    ShowPicked();
    ShowTicks();
    m_btnPlay.Enable(PlayEnabled());
}

std::vector<TimelineBar> CSearchTimelinePage::Bars() const
{
    return m_view.Bars(Host().DayRecords(), m_day, Host().m_nChannelMask);
}

void CSearchTimelinePage::ShowPicked()
{
    m_lblTime.SetText(QString::fromStdString(FormatTimeOfDay(m_view.Picked())));
    update();
}

void CSearchTimelinePage::ShowTicks()
{
    const std::array<std::string, 4> ticks = m_view.TimeLabels();
    for (int k = 0; k < 4; ++k)
        m_lblTicks[k].SetText(QString::fromStdString(ticks[static_cast<std::size_t>(k)]));
}

void CSearchTimelinePage::OnCommand(int id, int code)
{
    if (id == 482 && code == BN_CLICKED)
        OnPlay();
    else if (id == 483 && code == BN_CLICKED)
        OnPrev();
    else if (id == 816 && code == STN_CLICKED)
        OnTimeLabelClick();
    else if (id == 815 && code == STN_CLICKED)
        PageHost().ClosePickers();
}

void CSearchTimelinePage::OnTimeLabelClick()
{
    SliderPickerRequest r{};
    r.Count = 3;
    const int t = m_view.Picked();
    r.Value1 = t / 3600;
    r.Value2 = (t % 3600) / 60;
    r.Value3 = t % 60;
    r.AnchorRect = ScreenRect(m_lblTime);
    r.ClickX = m_lblTime.m_ptClick.x();
    r.ClickY = m_lblTime.m_ptClick.y();
    r.Width = 358;
    PageHost().OpenTimePicker(this, 1, r);
}

void CSearchTimelinePage::OnTimePicked(int, int hour, int minute, int second)
{
    m_view.SetPicked(hour * 3600 + minute * 60 + second);
    ShowPicked();
}

void CSearchTimelinePage::OnPlay()
{
    // An open time pop-up hands its time over first.
    Host().ClosePickers();
    const int t = m_view.Picked();
    const Usertime u{m_day.year, m_day.month, m_day.day, t / 3600, (t % 3600) / 60, t % 60};
    PlayHandOver block;
    block.active = 1;
    block.view = 2;
    block.startTime = static_cast<std::uint32_t>(UsertimeToTime_t(u));
    block.channelMask = Host().m_nChannelMask;
    Host().PlayAndHandOver(block, 0, 0, true);
}

void CSearchTimelinePage::OnPrev()
{
    CRemoteSearchDlg& host = Host();
    host.ClosePickers();
    if (CSearchPage* calendar = host.Page(SearchSlot::SearchCalendar)) {
        calendar->show();
        host.ClearPending();
        DestroyWindow();
        return;
    }
    host.ShowPage(SearchSlot::SearchCalendar);
}

void CSearchTimelinePage::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    DrawBitmap(p, m_bmpBackground, 0, 0, 403, 417, false, 0);
    const int from = m_view.GridFrom();
    if (from < kTimelineRight && !m_bmpGrid.isNull())
        p.drawImage(QPoint(from, kTimelineTop), m_bmpGrid,
                    QRect(from - kTimelineLeft, 0, m_bmpGrid.width(), m_bmpGrid.height()));
    for (const TimelineBar& bar : Bars())
        DrawBitmap(p, m_bmpBars[static_cast<std::size_t>(bar.kind)], bar.x1, bar.Top(), bar.x2, bar.Bottom(),
                   true, 0);
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    const int x = m_view.CursorX();
    if (x >= 0) {
        p.setPen(QPen(fromColorRef(0xFFFF00), 1));
        p.drawLine(x, kTimelineTop, x, kTimelineBottom);
    }
    if (m_nDragRectLeft >= 0) {
        p.setPen(QPen(fromColorRef(0x0000FF), 2));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRect(QPoint(std::min(m_nDragRectLeft, m_nDragRectRight), kTimelineTop),
                         QPoint(std::max(m_nDragRectLeft, m_nDragRectRight), kTimelineBottom)));
    }
}

void CSearchTimelinePage::mousePressEvent(QMouseEvent* e)
{
    PageHost().ClosePickers();
    const QPoint pos = e->position().toPoint();
    if (e->button() == Qt::LeftButton && CTimelineView::InTimeline(pos.x(), pos.y())) {
        m_nDragStart = CTimelineView::ClampX(pos.x());
        grabMouse();
    } else if (e->button() == Qt::LeftButton) {
        m_nDragStart = -1;
    }
    setFocus();
}

void CSearchTimelinePage::mouseReleaseEvent(QMouseEvent* e)
{
    const QPoint pos = e->position().toPoint();
    if (e->button() == Qt::RightButton) {
        if (m_view.ZoomOut()) {
            m_nDragRectLeft = m_nDragRectRight = -1;
            ShowTicks();
            update();
        }
        return;
    }
    if (e->button() != Qt::LeftButton || m_nDragStart == -1)
        return;
    releaseMouse();
    const int x = CTimelineView::ClampX(pos.x());
    if (x == m_nDragStart) {
        m_nDragRectLeft = m_nDragRectRight = -1;
        OnTimelineClick(x);
    } else if (m_nDragRectLeft >= 0) {
        m_view.DragZoom(m_nDragStart, x);
        m_nDragRectLeft = m_nDragRectRight = -1;
        ShowTicks();
        update();
    }
    m_nDragStart = -1;
}

void CSearchTimelinePage::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint pos = e->position().toPoint();
    setCursor(CTimelineView::InTimeline(pos.x(), pos.y()) ? Qt::PointingHandCursor : Qt::ArrowCursor);
    if (m_nDragStart == -1 || !(e->buttons() & Qt::LeftButton)) {
        PageHost().ClosePickers();
        return;
    }
    m_nDragRectLeft = m_nDragStart;
    m_nDragRectRight = CTimelineView::ClampX(pos.x());
    update();
}

void CSearchTimelinePage::wheelEvent(QWheelEvent* e)
{
    if (m_view.Wheel(e->angleDelta().y())) {
        m_nDragRectLeft = m_nDragRectRight = -1;
        ShowTicks();
        update();
    }
}

void CSearchTimelinePage::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Left || e->key() == Qt::Key_Right) {
        m_view.StepPicked(e->key() == Qt::Key_Right);
        ShowPicked();
        return;
    }
    CSearchPage::keyPressEvent(e);
}

// ===========================================================================
// Camera selection

CSearchChannelPage::CSearchChannelPage(CRemoteSearchDlg& host, bool backup)
    : CSearchPage(host, backup ? SearchSlot::BackupChannel : SearchSlot::SearchChannel)
{
    const std::shared_ptr<CNetClient> client = host.Client();
    m_rows = ChannelRows(CameraRowCount(client != nullptr, client ? client->ChannelCount() : 16));
}

void CSearchChannelPage::OnInitPage()
{
    CRemoteSearchDlg& host = Host();
    m_bmpBackground = ResourceLibrary::Current().LoadBitmap(IDB_CHANNEL_BACKGROUND);
    const QString prefix = Text(host, kStrCameraPrefix);
    for (int i = 0; i < 16; ++i) {
        m_chkRow[i] = new CSkinCheckBox(this);
        m_chkRow[i]->SetDlgCtrlID(490 + i);
        m_chkRow[i]->SetBitmaps(kBmpCheckOff, kBmpCheckOn, kBmpCheckOff, kBmpCheckOff, kBmpCheckOff,
                                kBmpCheckMask, 0, 0, 0);
        m_chkRow[i]->setGeometry(6, 7 + 23 * i, 15, 15);
        Caption(m_lblRow[i], this, 790 + i, prefix + QString::asprintf("%02d", i + 1),
                QRect(28, 9 + 23 * i, 60, 14));
        for (int k = 0; k < 2; ++k) {
            CSkinTextButton& b = k == 0 ? m_btnOn[i] : m_btnOff[i];
            b.setParent(this);
            b.SetDlgCtrlID((k == 0 ? 550 : 570) + i);
            b.SetBitmap(k == 0 ? IDB_CHANNEL_ON : IDB_CHANNEL_OFF);
            b.SetFont(9, 0, 700, "Arial Bold");
            b.SetText(38, Text(host, k == 0 ? IDS_CHANNEL_ON : IDS_CHANNEL_OFF), false);
            b.setGeometry(k == 0 ? 135 : 236, 6 + 23 * i, 100, 17);
        }
        const bool shown = m_rows.IsShown(i);
        m_chkRow[i]->setVisible(shown);
        m_lblRow[i].setVisible(shown);
        m_btnOn[i].setVisible(shown);
        m_btnOff[i].setVisible(shown);
    }
    TextButton(m_btnCheckAll, this, 480, Text(host, kStrCheckAll), QRect(2, 396, 97, 22));
    TextButton(m_btnClearAll, this, 481, Text(host, kStrClearAll), QRect(103, 396, 97, 22));
    ShowStates();
}

void CSearchChannelPage::ShowStates()
{
    for (int i = 0; i < 16; ++i) {
        const bool on = (Host().m_nChannelMask >> i) & 1u;
        m_btnOn[i].SetState(on ? 1 : 0);
        m_btnOff[i].SetState(on ? 0 : 1);
    }
}

void CSearchChannelPage::OnOnOff(int row, bool on)
{
    for (int i = 0; i < 16; ++i)
        m_rows.SetChecked(i, m_chkRow[i] && m_chkRow[i]->GetCheck() != 0);
    Host().m_nChannelMask = ApplyCameraOnOff(Host().m_nChannelMask, m_rows, row, on);
    ShowStates();
}

void CSearchChannelPage::OnCommand(int id, int code)
{
    if (code != BN_CLICKED)
        return;
    if (id == 480 || id == 481) {
        for (int i = 0; i < m_rows.Count(); ++i)
            m_chkRow[i]->SetCheck(id == 480 ? 1 : 0);
    } else if (id >= 550 && id < 566) {
        OnOnOff(id - 550, true);
    } else if (id >= 570 && id < 586) {
        OnOnOff(id - 570, false);
    }
}

void CSearchChannelPage::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    DrawBitmap(p, m_bmpBackground, 0, 0, 403, 417, true, 0);
}

// ===========================================================================
// Date and time

CSearchDateTimePage::CSearchDateTimePage(CRemoteSearchDlg& host, bool backup)
    : CSearchPage(host, backup ? SearchSlot::BackupDateTime : SearchSlot::SearchDateTime), m_bBackup(backup),
      m_model(DateTimeVariant{backup}, 2000, 0, 0)
{
    const std::time_t now = host.Main().Now();
    std::tm tm{};
    localtime_r(&now, &tm);
    m_model = CSearchDateTimeModel(DateTimeVariant{backup}, tm.tm_year + 1900, tm.tm_mon, tm.tm_mday - 1);
}

CSearchDateTimePage::CSearchDateTimePage(ISearchPageHost& host, int slot)
    : CSearchPage(host, slot), m_bBackup(false), m_model(DateTimeVariant{false}, 2000, 0, 0)
{
    const std::time_t now = host.PageNow();
    std::tm tm{};
    localtime_r(&now, &tm);
    m_model = CSearchDateTimeModel(DateTimeVariant{false}, tm.tm_year + 1900, tm.tm_mon, tm.tm_mday - 1);
}

bool CSearchDateTimePage::WithEndRow() const
{
    const std::shared_ptr<CNetClient> client = Host().Client();
    return client && client->m_bProductVer11;
}

bool CSearchDateTimePage::PlayEnabled() const
{
    return !Host().Main().LocalPlayerRunning();
}

void CSearchDateTimePage::OnInitPage()
{
    ISearchPageHost& host = PageHost();
    m_model.SetWithEnd(WithEndRow());
    m_model.SetDateFormat(host.PageDateFormat());
    const ResourceLibrary& res = ResourceLibrary::Current();
    m_bmpBackground = res.LoadBitmap(
        m_bBackup ? IDB_BACKUP_DATETIME : (m_model.WithEnd() ? IDB_DATETIME_TWO_ROWS : IDB_DATETIME_ONE_ROW));
    for (int i = 0; i < 14; ++i) {
        m_lblCell[i].setParent(this);
        m_lblCell[i].SetDlgCtrlID(790 + i);
        m_lblCell[i].hide();
    }
    if (m_model.WithEnd()) {
        const int captions[6] = {IDS_DT_START, IDS_DT_DATE, IDS_DT_TIME,
                                 IDS_DT_END,   IDS_DT_DATE, IDS_DT_TIME};
        const int ys[6] = {9, 32, 55, 80, 103, 126};
        for (int i = 0; i < 6; ++i)
            Caption(m_lblCell[i], this, 790 + i, Text(host, captions[i]), QRect(15, ys[i], 70, 14));
        for (int p = 0; p < 3; ++p) {
            Cell(m_lblCell[6 + p], this, 796 + p, QRect(140 + 75 * p, 30, 70, 14));
            Cell(m_lblCell[10 + p], this, 800 + p, QRect(140 + 75 * p, 103, 70, 14));
        }
        Cell(m_lblCell[9], this, 799, QRect(180, 53, 190, 14));
        Cell(m_lblCell[13], this, 803, QRect(180, 126, 190, 14));
    } else {
        Caption(m_lblCell[0], this, 790, Text(host, IDS_DT_DATE), QRect(15, 9, 70, 14));
        Caption(m_lblCell[1], this, 791, Text(host, IDS_DT_TIME), QRect(15, 32, 70, 14));
        for (int p = 0; p < 3; ++p)
            Cell(m_lblCell[2 + p], this, 792 + p, QRect(140 + 75 * p, 8, 70, 14));
        Cell(m_lblCell[5], this, 795, QRect(180, 31, 190, 14));
    }
    if (m_bBackup) {
        TextButton(m_btnCalculate, this, 480, Text(host, IDS_EVENT_CALCULATE), QRect(2, 396, 97, 22));
        TextButton(m_btnPlay, this, 482, Text(host, IDS_BACKUP_BUTTON), QRect(304, 396, 97, 22));
        m_btnPlay.Enable(false);
        Cell(m_lblSize, this, 804, QRect(103, 400, 97, 14));
    } else {
        TextButton(m_btnPlay, this, 482, Text(host, IDS_SEARCH_PLAY), QRect(304, 396, 97, 22));
        m_btnPlay.Enable(PlayEnabled());
    }
    ShowTexts();
}

CSkinLabel* CSearchDateTimePage::CellOf(int itemId)
{
    if (!m_model.WithEnd())
        return itemId >= 0 && itemId < 3 ? &m_lblCell[2 + itemId] : nullptr;
    if (itemId >= 0 && itemId < 3)
        return &m_lblCell[6 + itemId];
    if (itemId >= 4 && itemId < 7)
        return &m_lblCell[10 + itemId - 4];
    return nullptr;
}

void CSearchDateTimePage::ShowTexts()
{
    for (int row = 0; row < (m_model.WithEnd() ? 2 : 1); ++row)
        for (int p = 0; p < 3; ++p)
            if (CSkinLabel* cell = CellOf(row * 4 + p))
                cell->SetText(QString::fromStdString(m_model.DateCellText(row, p)));
    if (m_model.WithEnd()) {
        m_lblCell[9].SetText(QString::fromStdString(m_model.TimeCellText(0)));
        m_lblCell[13].SetText(QString::fromStdString(m_model.TimeCellText(1)));
    } else {
        m_lblCell[5].SetText(QString::fromStdString(m_model.TimeCellText(0)));
    }
}

bool CSearchDateTimePage::CellsWait() const
{
    // The one-row search page's cells react even while a request waits.
    return PageHost().RequestPending() && (m_bBackup || m_model.WithEnd());
}

void CSearchDateTimePage::OnCommand(int id, int code)
{
    if (code == BN_CLICKED && (id == 480 || id == 482)) {
        if (!m_bBackup) {
            if (id == 482)
                OnPlay();
            return;
        }
        PageHost().ClosePickers();
        const BackupDateTimeFlow& flow = BackupFlow();
        if (id == 480 && flow.calculate)
            flow.calculate(*this);
        else if (id == 482 && flow.start)
            flow.start(*this);
        return;
    }
    if (code != STN_CLICKED)
        return;
    if (m_model.WithEnd()) {
        if (id >= 796 && id <= 798)
            OnDateCellClicked(id - 796);
        else if (id >= 800 && id <= 802)
            OnDateCellClicked(4 + id - 800);
        else if (id == 799)
            OnTimeCellClicked(3);
        else if (id == 803)
            OnTimeCellClicked(7);
        else if (id == 804 && !PageHost().RequestPending())
            PageHost().ClosePickers();
    } else {
        if (id >= 792 && id <= 794)
            OnDateCellClicked(id - 792);
        else if (id == 795)
            OnTimeCellClicked(0);
    }
}

void CSearchDateTimePage::OnDateCellClicked(int itemId)
{
    CSkinLabel* cell = CellOf(itemId);
    if (CellsWait() || !cell || cell->GetWindowText().isEmpty())
        return;
    OpenDateCellList(*this, PageHost(), itemId, *cell, m_model.ListFor(itemId));
}

void CSearchDateTimePage::OnTimeCellClicked(int itemId)
{
    if (CellsWait())
        return;
    CSkinLabel& cell = m_model.WithEnd() ? m_lblCell[itemId == 3 ? 9 : 13] : m_lblCell[5];
    const Usertime& u = m_model.WithEnd() && itemId == 7 ? m_model.End() : m_model.Start();
    SliderPickerRequest r{};
    r.Count = 3;
    r.Value1 = u.hour;
    r.Value2 = u.minute;
    r.Value3 = u.second;
    r.AnchorRect = ScreenRect(cell);
    r.ClickX = cell.m_ptClick.x();
    r.ClickY = cell.m_ptClick.y();
    r.Width = 358;
    PageHost().OpenTimePicker(this, itemId, r);
}

void CSearchDateTimePage::AfterPick()
{
    ShowTexts();
    if (m_bBackup) {
        m_lblSize.SetText(QString());
        m_btnCalculate.Enable(true);
        m_btnPlay.Enable(false);
    }
}

void CSearchDateTimePage::OnListPicked(int itemId, int index)
{
    m_model.OnListPicked(itemId, index);
    AfterPick();
}

void CSearchDateTimePage::OnTimePicked(int itemId, int hour, int minute, int second)
{
    m_model.OnTimePicked(itemId, hour, minute, second);
    AfterPick();
}

void CSearchDateTimePage::OnBackupSizeAnswer(std::uint32_t kb)
{
    const BackupDateTimeFlow& flow = BackupFlow();
    if (m_bBackup && flow.size)
        flow.size(*this, kb);
}

void CSearchDateTimePage::OnPlay()
{
    Host().ClosePickers();
    PlayHandOver block;
    block.active = 1;
    block.view = 0;
    block.startTime = static_cast<std::uint32_t>(m_model.RowSeconds(0));
    block.channelMask = Host().m_nChannelMask;
    const std::uint32_t end = m_model.WithEnd() ? static_cast<std::uint32_t>(m_model.RowSeconds(1)) : 0;
    Host().PlayAndHandOver(block, kAllEventKinds, end, false);
}

void CSearchDateTimePage::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    DrawBitmap(p, m_bmpBackground, 0, 0, 403, 417, true, 0);
}

void CSearchDateTimePage::mouseMoveEvent(QMouseEvent* e)
{
    PageHost().ClosePickers();
    Wnd::mouseMoveEvent(e);
}

// ===========================================================================

void RegisterBuiltinSearchPages()
{
    static const bool once = [] {
        RegisterSearchPage(SearchSlot::SearchCalendar, [](CRemoteSearchDlg& h, const SearchPageArgs&) {
            return new CSearchCalendarPage(h, false);
        });
        RegisterSearchPage(SearchSlot::BackupCalendar, [](CRemoteSearchDlg& h, const SearchPageArgs&) {
            return new CSearchCalendarPage(h, true);
        });
        RegisterSearchPage(SearchSlot::SearchTimeline, [](CRemoteSearchDlg& h, const SearchPageArgs& a) {
            return new CSearchTimelinePage(h, a.values[0], a.values[1], a.values[2]);
        });
        RegisterSearchPage(SearchSlot::SearchChannel, [](CRemoteSearchDlg& h, const SearchPageArgs&) {
            return new CSearchChannelPage(h, false);
        });
        RegisterSearchPage(SearchSlot::BackupChannel, [](CRemoteSearchDlg& h, const SearchPageArgs&) {
            return new CSearchChannelPage(h, true);
        });
        RegisterSearchPage(SearchSlot::SearchDateTime, [](CRemoteSearchDlg& h, const SearchPageArgs&) {
            return new CSearchDateTimePage(h, false);
        });
        RegisterSearchPage(SearchSlot::BackupDateTime, [](CRemoteSearchDlg& h, const SearchPageArgs&) {
            return new CSearchDateTimePage(h, true);
        });
        RegisterInfoPages();
        RegisterBackupPages();
        RegisterLogPages();
        RegisterLogViewers();
        return true;
    }();
    (void)once;
}
