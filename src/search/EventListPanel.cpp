#include "search/EventListPanel.h"

#include "platform/ResourceLibrary.h"
#include "search/ResIdsEvent.h"
#include "ui/SkinDraw.h"
#include "ui/UiMessages.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace {

constexpr int kIdTabFirst = 470, kIdCalculate = 480, kIdPlay = 482, kIdPrev = 483, kIdSize = 790;
constexpr int kBmpTabFirst = IDB_EVENT_TAB_FIRST;
constexpr int kBmpTextButton = 2258;
constexpr int kBmpSizeBody = 1700;
constexpr int kStrKind[3] = {IDS_EVENT_ALARM, IDS_EVENT_MOTION, IDS_EVENT_AUDIO};
constexpr int kStrPlay = IDS_EVENT_PLAY, kStrPrev = IDS_EVENT_PREV, kStrCalculate = IDS_EVENT_CALCULATE,
              kStrBackup = IDS_BACKUP_BUTTON;
constexpr COLORREF kButtonText[4] = {0xFFFFFF, 0xF1EB62, 0xF1EB62, 0xBEB9B3};
constexpr COLORREF kTabText[4] = {0xFFFFFF, 0x0DB861, 0x0DB861, 0xB2AEAB};

void PlaceButton(CSkinTextButton& b, QWidget* parent, int id, int bitmap, const QString& text,
                 const COLORREF (&colours)[4], const QRect& rect)
{
    b.setParent(parent);
    b.SetDlgCtrlID(id);
    SetupCaptionButton(b, static_cast<UINT>(bitmap), text, colours);
    b.setGeometry(rect);
    b.show();
}

} // namespace

CEventListPanel::CEventListPanel(IEventListHost& host, QWidget* parent) : Wnd(parent), m_host(host)
{
    setGeometry(0, 0, 403, 417);
}

void CEventListPanel::Init(const EventListStyle& style, CEventEntries entries)
{
    m_style = style;
    m_entries = std::move(entries);
    m_bmpBackground = ResourceLibrary::Current().LoadBitmap(style.background);
    for (int i = 0; i < 3; ++i)
        PlaceButton(m_btnTab[i], this, kIdTabFirst + i, kBmpTabFirst + i, m_host.Text(kStrKind[i]), kTabText,
                    QRect(2 + 133 * i, 0, 133, 24));
    m_list.setParent(this);
    m_list.SetDlgCtrlID(914);
    m_list.setGeometry(2, 26, 399, 366);
    m_list.SetStyle(style.cameraColumn ? 3 : 2, 0x783C3C, true, 9, "Arial Bold");
    m_list.setSelectionMode(QAbstractItemView::SingleSelection);
    m_list.setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list.SetShowSelAlways(true);
    m_list.header()->hide();
    m_list.show();
    connect(&m_list, &QTreeWidget::itemSelectionChanged, this, [this] { OnSelectionChanged(); });
    connect(&m_list, &QTreeWidget::currentItemChanged, this, [this] { OnSelectionChanged(); });

    PlaceButton(m_btnPlay, this, kIdPlay, kBmpTextButton, m_host.Text(style.backup ? kStrBackup : kStrPlay),
                kButtonText, QRect(304, 396, 97, 22));
    PlaceButton(m_btnPrev, this, kIdPrev, kBmpTextButton, m_host.Text(kStrPrev), kButtonText,
                QRect(style.prevX, 396, 97, 22));
    m_btnPrev.setVisible(style.prev);
    if (style.backup) {
        PlaceButton(m_btnCalculate, this, kIdCalculate, kBmpTextButton, m_host.Text(kStrCalculate),
                    kButtonText, QRect(2, 396, 97, 22));
        m_lblSize.setParent(this);
        m_lblSize.SetDlgCtrlID(kIdSize);
        m_lblSize.SetNotify(false);
        m_lblSize.SetBitmap(0, kBmpSizeBody);
        m_lblSize.SetStyle(0x783C3C, 0x783C3C, 0, 0, true, 9, "Arial Bold");
        m_lblSize.setGeometry(103, 400, 97, 14);
        m_lblSize.show();
        m_btnCalculate.Enable(false);
    }
    m_btnPlay.Enable(false);
}

const EventEntry* CEventListPanel::SelectedEntry() const
{
    return m_nSelected < 0 ? nullptr : m_entries.Find(m_nCurKind, m_nSelected);
}

int CEventListPanel::RowOfIndex(int index) const
{
    return m_style.newestFirst ? m_entries.KindCount(m_nCurKind) - index - 1 : index;
}

int CEventListPanel::IndexOfRow(int row) const
{
    return m_style.newestFirst ? m_entries.KindCount(m_nCurKind) - row - 1 : row;
}

void CEventListPanel::ShowKind(int kind)
{
    if (EventKindSlot(kind) < 0)
        kind = kEventAlarm;
    m_nCurKind = kind;
    for (int i = 0; i < 3; ++i)
        m_btnTab[i].SetState(0);
    m_btnTab[EventKindSlot(kind)].SetState(1);
    FillEventList();
}

void CEventListPanel::ResetButtons()
{
    m_btnPlay.Enable(false);
    if (m_style.backup) {
        m_lblSize.SetText(QString());
        m_btnCalculate.Enable(false);
    }
}

void CEventListPanel::FillEventList()
{
    m_bFilling = true;
    m_list.clear();
    m_list.setColumnCount(0);
    const int widths[3] = {180, 180, 334};
    const int columns = m_style.cameraColumn ? 3 : 2;
    for (int c = 0; c < columns; ++c)
        m_list.InsertColumn(c, QString(), widths[c]);
    if (m_style.fillResets) {
        m_nSelected = -1;
        ResetButtons();
    }
    const int format = m_host.DateFormat();
    std::vector<const EventEntry*> rows;
    for (const EventEntry& e : m_entries.All())
        if (e.kind == m_nCurKind)
            rows.push_back(&e);
    if (m_style.newestFirst)
        std::reverse(rows.begin(), rows.end());
    for (const EventEntry* e : rows) {
        const int row = m_list.InsertItem(m_list.GetItemCount(),
                                          QString::fromStdString(FormatEventTime(e->start, format)));
        m_list.SetItemText(row, 1, QString::fromStdString(FormatEventTime(e->end, format)));
        if (columns > 2)
            m_list.SetItemText(row, 2, QString::fromStdString(EventCameraText(e->channelMask)));
    }
    m_list.setCurrentItem(nullptr);
    m_bFilling = false;
}

void CEventListPanel::SelectRow(int row)
{
    if (m_list.SelectRow(row))
        OnSelectionChanged();
}

void CEventListPanel::RestoreRow(int row)
{
    QTreeWidgetItem* item = m_list.topLevelItem(row);
    if (!item)
        return;
    SelectRow(row);
    m_list.scrollToItem(item, QAbstractItemView::PositionAtTop);
}

void CEventListPanel::OnSelectionChanged()
{
    if (m_bFilling)
        return;
    if (m_style.pendingGuards && m_style.backup && m_host.RequestPending())
        return;
    QTreeWidgetItem* current = m_list.currentItem();
    const bool chosen = current && current->isSelected();
    if (!chosen) {
        if (m_style.selectionClears) {
            m_nSelected = -1;
            m_btnPlay.Enable(false);
        }
        return;
    }
    const int row = m_list.indexOfTopLevelItem(current);
    if (m_style.backup) {
        m_nSelected = IndexOfRow(row);
        m_lblSize.SetText(QString());
        m_btnCalculate.Enable(true);
        m_btnPlay.Enable(false);
        return;
    }
    m_nSelected = IndexOfRow(row);
    m_btnPlay.Enable(m_host.PlayAllowed());
}

LRESULT CEventListPanel::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_COMMAND && CommandCode(wParam) == BN_CLICKED) {
        const int id = CommandId(wParam);
        if (id >= kIdTabFirst && id < kIdTabFirst + 3) {
            if (!(m_style.pendingGuards && m_host.RequestPending()))
                ShowKind(EventKindOfSlot(id - kIdTabFirst));
            return 0;
        }
        switch (id) {
        case kIdPlay:
            m_style.backup ? m_host.OnEventBackup(SelectedEntry()) : m_host.OnEventPlay(SelectedEntry());
            return 0;
        case kIdPrev:
            if (m_style.prev)
                m_host.OnEventPrev();
            return 0;
        case kIdCalculate:
            if (m_style.backup)
                m_host.OnEventCalculate(SelectedEntry());
            return 0;
        default:
            break;
        }
    }
    return Wnd::WindowProc(msg, wParam, lParam);
}

void CEventListPanel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    DrawBitmap(p, m_bmpBackground, 0, 0, 403, 417, true, 0);
}

void CEventListPanel::mousePressEvent(QMouseEvent* e)
{
    m_host.OnEventBackgroundPress();
    Wnd::mousePressEvent(e);
}
