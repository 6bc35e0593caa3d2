#include "search/EventPages.h"

#include "net/NetClient.h"
#include "platform/ResourceLibrary.h"
#include "platform/Trace.h"
#include "search/RemoteSearchDlg.h"
#include "search/ResIds.h"
#include "search/ResIdsEvent.h"
#include "search/SearchPages.h"
#include "ui/SkinDraw.h"
#include "ui/UiMessages.h"

#include <QMouseEvent>
#include <QPainter>
#include <cstring>
#include <ctime>
#include <memory>

namespace {

constexpr COLORREF kNextText[4] = {0xFFFFFF, 0xF1EB62, 0xF1EB62, 0xBEB9B3};

QString PageText(const CRemoteSearchDlg& host, int id)
{
    return QString::fromStdString(host.Main().LoadResString(id));
}

void Caption(CSkinLabel& label, QWidget* parent, int id, const QString& text, const QRect& rect)
{
    label.setParent(parent);
    label.SetDlgCtrlID(id);
    label.SetNotify(false);
    label.SetStyle(0x785A5A, 0x785A5A, 0, 0, true, 9, "Arial Bold");
    label.SetText(text);
    label.setGeometry(rect);
    label.show();
}

void Cell(CSkinLabel& label, QWidget* parent, int id, const QRect& rect, bool notify = true)
{
    label.setParent(parent);
    label.SetDlgCtrlID(id);
    label.SetNotify(notify);
    label.SetBitmap(0, kBmpCellBody);
    label.SetStyle(0xE6D200, 0x783C3C, 0, 1, true, 9, "Arial Bold");
    label.setGeometry(rect);
    label.show();
}

} // namespace

// ===========================================================================
// The event time range page

CEventTimeRangePage::CEventTimeRangePage(CRemoteSearchDlg& host)
    : CSearchPage(host, SearchSlot::EventTimeRange), m_model(DateTimeVariant{}, 2000, 0, 0)
{
    const std::time_t now = host.Main().Now();
    std::tm tm{};
    localtime_r(&now, &tm);
    // Today from midnight up to the end of the recorder's calendar.
    m_model = CSearchDateTimeModel(DateTimeVariant{}, tm.tm_year + 1900, tm.tm_mon, tm.tm_mday - 1);
    m_model.SetWithEnd(true);
}

void CEventTimeRangePage::OnInitPage()
{
    CRemoteSearchDlg& host = Host();
    m_model.SetDateFormat(host.Main().DateFormat());
    m_bmpBackground = ResourceLibrary::Current().LoadBitmap(IDB_EVENT_RANGE_BACKGROUND);
    const int captions[7] = {IDS_DT_START, IDS_DT_DATE, IDS_DT_TIME,    IDS_DT_END,
                             IDS_DT_DATE,  IDS_DT_TIME, IDS_EVENT_KINDS};
    const int ys[7] = {9, 32, 55, 80, 103, 126, 173};
    for (int i = 0; i < 7; ++i)
        Caption(m_lblCaption[i], this, i < 6 ? 790 + i : 804, PageText(host, captions[i]),
                QRect(15, ys[i], 70, 14));
    for (int p = 0; p < 3; ++p) {
        Cell(m_lblCell[p], this, 796 + p, QRect(140 + 75 * p, 30, 70, 14));
        Cell(m_lblCell[4 + p], this, 800 + p, QRect(140 + 75 * p, 103, 70, 14));
    }
    Cell(m_lblCell[3], this, 799, QRect(180, 53, 190, 14));
    Cell(m_lblCell[7], this, 803, QRect(180, 126, 190, 14));
    const int kindTexts[3] = {IDS_EVENT_ALARM, IDS_EVENT_MOTION, IDS_EVENT_AUDIO};
    for (int k = 0; k < 3; ++k) {
        auto* box = new CSkinCheckBox(this);
        box->SetDlgCtrlID(490 + k);
        box->SetBitmaps(kBmpCheckOff, kBmpCheckOn, kBmpCheckOff, kBmpCheckOff, kBmpCheckOff, kBmpCheckMask, 0,
                        0, 0);
        box->setGeometry(124, 171 + 23 * k, 15, 15);
        box->SetCheck((m_byKindMask >> k) & 1);
        m_chkKind[k] = box;
        Cell(m_lblKind[k], this, 805 + k, QRect(180, 172 + 23 * k, 190, 14), false);
        m_lblKind[k].SetText(PageText(host, kindTexts[k]));
        // The audio row stays hidden; its bit keeps its value.
        box->setVisible(k < 2);
        m_lblKind[k].setVisible(k < 2);
    }
    m_btnNext.setParent(this);
    m_btnNext.SetDlgCtrlID(482);
    SetupCaptionButton(m_btnNext, kBmpRowButton, PageText(host, IDS_EVENT_NEXT), kNextText);
    m_btnNext.setGeometry(304, 396, 97, 22);
    m_btnNext.show();
    ShowTexts();
}

CSkinLabel* CEventTimeRangePage::CellOf(int itemId)
{
    return itemId >= 0 && itemId < 8 ? &m_lblCell[itemId] : nullptr;
}

void CEventTimeRangePage::ShowTexts()
{
    for (int row = 0; row < 2; ++row)
        for (int p = 0; p < 3; ++p)
            m_lblCell[row * 4 + p].SetText(QString::fromStdString(m_model.DateCellText(row, p)));
    m_lblCell[3].SetText(QString::fromStdString(m_model.TimeCellText(0)));
    m_lblCell[7].SetText(QString::fromStdString(m_model.TimeCellText(1)));
}

void CEventTimeRangePage::OnCommand(int id, int code)
{
    if (code != BN_CLICKED)
        return;
    if (id >= 796 && id <= 798)
        OnDateCellClicked(id - 796);
    else if (id >= 800 && id <= 802)
        OnDateCellClicked(4 + id - 800);
    else if (id == 799)
        OnTimeCellClicked(3);
    else if (id == 803)
        OnTimeCellClicked(7);
    else if (id >= 490 && id <= 492)
        OnKindToggled(id);
    else if (id == 482)
        RequestEventTime();
}

void CEventTimeRangePage::OnDateCellClicked(int itemId)
{
    CSkinLabel* cell = CellOf(itemId);
    if (Host().RequestPending() || !cell || cell->GetWindowText().isEmpty())
        return;
    OpenDateCellList(*this, Host(), itemId, *cell, m_model.ListFor(itemId));
}

void CEventTimeRangePage::OnTimeCellClicked(int itemId)
{
    if (Host().RequestPending())
        return;
    CSkinLabel& cell = m_lblCell[itemId == 3 ? 3 : 7];
    const Usertime& u = itemId == 3 ? m_model.Start() : m_model.End();
    SliderPickerRequest r{};
    r.Count = 3;
    r.Value1 = u.hour;
    r.Value2 = u.minute;
    r.Value3 = u.second;
    r.AnchorRect = ScreenRect(cell);
    r.ClickX = cell.m_ptClick.x();
    r.ClickY = cell.m_ptClick.y();
    r.Width = 358;
    Host().OpenTimePicker(this, itemId, r);
}

void CEventTimeRangePage::OnKindToggled(int id)
{
    const int k = id - 490;
    if (k < 0 || k > 2 || !m_chkKind[k])
        return;
    const std::uint8_t bit = static_cast<std::uint8_t>(1u << k);
    if (m_chkKind[k]->GetCheck())
        m_byKindMask |= bit;
    else
        m_byKindMask &= static_cast<std::uint8_t>(~bit);
}

void CEventTimeRangePage::OnListPicked(int itemId, int index)
{
    // The shared date rules: the day clamped to its month, then start before end, else reverted.
    m_model.OnListPicked(itemId, index);
    ShowTexts();
}

void CEventTimeRangePage::OnTimePicked(int itemId, int hour, int minute, int second)
{
    m_model.OnTimePicked(itemId == 3 ? 3 : 7, hour, minute, second);
    ShowTexts();
}

bool CEventTimeRangePage::RequestEventTime()
{
    Host().ClosePickers();
    const auto start = static_cast<std::uint32_t>(m_model.RowSeconds(0));
    const auto end = static_cast<std::uint32_t>(m_model.RowSeconds(1));
    TRACE("Send...EVENT_TIME_REQ...%d...%u %u\n", m_byKindMask, start, end);
    return Host().SendEventTimeRequest(m_byKindMask, start, end);
}

void CEventTimeRangePage::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    DrawBitmap(p, m_bmpBackground, 0, 0, 403, 417, true, 0);
}

void CEventTimeRangePage::mouseMoveEvent(QMouseEvent* e)
{
    Host().ClosePickers();
    Wnd::mouseMoveEvent(e);
}

// ===========================================================================
// The event lists

CSearchEventPage::CSearchEventPage(CRemoteSearchDlg& host, bool backup)
    : CSearchPage(host, backup ? SearchSlot::BackupEvent : SearchSlot::SearchEvent), m_bBackup(backup),
      m_panel(*this, this)
{
}

void CSearchEventPage::OnInitPage()
{
    CRemoteSearchDlg& host = Host();
    const std::shared_ptr<CNetClient> client = host.Client();
    m_bNoEndTime = client && client->m_bProductVer11;
    CEventEntries entries;
    BuildEventEntries(host.DayRecords(), entries);
    EventListStyle style;
    style.background = m_bBackup ? IDB_EVENT_BACKUP_LIST_BACKGROUND : IDB_EVENT_LIST_BACKGROUND;
    style.backup = m_bBackup;
    style.prev = host.EventRangesKnown();
    style.prevX = m_bBackup ? 205 : 2;
    style.selectionClears = !m_bBackup;
    m_panel.Init(style, std::move(entries));
    m_panel.show();
    if (m_bBackup) {
        m_backup.calculate = &m_panel.m_btnCalculate;
        m_backup.backup = &m_panel.m_btnPlay;
        m_backup.size = &m_panel.m_lblSize;
        m_panel.ShowKind(m_panel.Entries().FirstKindWithEntries());
        return;
    }
    // Without a connection no tab is chosen; a Play of this list comes back to its tab.
    if (!client)
        return;
    const PlayHandOver handOver = host.HandOver();
    m_panel.ShowKind(handOver.active ? EventKindOfHandOver(handOver.eventKind)
                                     : m_panel.Entries().FirstKindWithEntries());
}

int CSearchEventPage::DateFormat() const
{
    return Host().Main().DateFormat();
}

QString CSearchEventPage::Text(int id) const
{
    return PageText(Host(), id);
}

bool CSearchEventPage::RequestPending() const
{
    return Host().RequestPending();
}

bool CSearchEventPage::PlayAllowed() const
{
    return !Host().Main().LocalPlayerRunning();
}

void CSearchEventPage::OnEventPlay(const EventEntry* entry)
{
    CRemoteSearchDlg& host = Host();
    const std::shared_ptr<CNetClient> client = host.Client();
    if (!client || !client->m_bLogin) {
        host.CloseAfter(0);
        return;
    }
    if (!entry) {
        host.Main().InvalidatePlaybackStrip();
        host.CloseAfter(0);
        return;
    }
    PlayHandOver block;
    block.active = 1;
    block.fromLog = 0;
    block.view = 1;
    block.eventKind = static_cast<std::uint8_t>(HandOverKindOfEvent(entry->kind));
    block.startTime = static_cast<std::uint32_t>(entry->start);
    block.channelMask = host.m_nChannelMask;
    const auto kinds = static_cast<std::uint8_t>(1u << (entry->kind & 7));
    host.PlayAndHandOver(block, kinds, m_bNoEndTime ? 0 : static_cast<std::uint32_t>(entry->end), true);
}

void CSearchEventPage::OnEventPrev()
{
    CRemoteSearchDlg& host = Host();
    if (host.RequestPending())
        return;
    // The list page goes with the others; the range page opens with its defaults.
    host.ShowPage(SearchSlot::EventTimeRange);
}

namespace {

// An entry's recording as a backup range; no entry, no range.
BackupRange EventRange(const EventEntry* entry)
{
    BackupRange r;
    if (entry) {
        r.start = static_cast<std::uint32_t>(entry->start);
        r.end = static_cast<std::uint32_t>(entry->end);
        r.eventKind = entry->kind;
    }
    return r;
}

} // namespace

void CSearchEventPage::OnEventCalculate(const EventEntry* entry)
{
    if (!m_bBackup || !entry)
        return;
    CBackupFlow::Calculate(Host(), kBackupEventTraits, m_backup, [entry] { return EventRange(entry); });
}

void CSearchEventPage::OnEventBackup(const EventEntry* entry)
{
    if (!m_bBackup)
        return;
    if (!entry) {
        Host().CloseAfter(0);
        return;
    }
    CBackupFlow::Start(Host(), kBackupEventTraits, m_backup, [entry] { return EventRange(entry); });
}

void CSearchEventPage::OnBackupSizeAnswer(std::uint32_t kb)
{
    if (m_bBackup)
        CBackupFlow::SizeAnswer(Host(), m_backup, kb, [this] { return EventRange(m_panel.SelectedEntry()); });
}

void CSearchEventPage::OnEventBackgroundPress()
{
    Host().ClosePickers();
}
