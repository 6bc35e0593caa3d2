#include "local/LocalListPages.h"

#include "local/LocalSearchDlg.h"
#include "platform/ResourceLibrary.h"
#include "search/EventList.h"
#include "search/ResIdsEvent.h"
#include "ui/SkinDraw.h"
#include "ui/UiMessages.h"

#include <QHeaderView>
#include <QPainter>

namespace {

constexpr int kIdPlay = 482, kIdList = 914;
constexpr int kBmpTextButton = 2258;
constexpr COLORREF kButtonText[4] = {0xFFFFFF, 0xF1EB62, 0xF1EB62, 0xBEB9B3};
constexpr BYTE kPageEventList = 1, kPageFileList = 4;

const LastLocalSearch* Remembered(CLocalSearchDlg& dlg, BYTE page)
{
    ILocalHost* main = dlg.Main();
    const LastLocalSearch* last = main ? main->LastSearch() : nullptr;
    return last && last->bValid == 1 && last->nPage == page ? last : nullptr;
}

bool RemoteBusy(const CLocalSearchDlg& dlg)
{
    return dlg.Main() && dlg.Main()->RemotePlayback().Busy();
}

// Play of either list. `chosen`: the selected row's event or set was found;
// `start`/`end` what the window is asked to play; `row` the list row that
// reopens the list.
void PlayFromList(CLocalSearchDlg& dlg, bool chosen, int start, int end, BYTE page, BYTE mode, int row)
{
    ILocalHost* main = dlg.Main();
    if (!main)
        return;
    switch (DecideLocalListPlay(main->RemotePlayback().Runs(), chosen, main->RunningPlaylist(), start)) {
    case LocalListPlay::Ignored:
        return;
    case LocalListPlay::PlayAndClose:
        main->CloseLocalPlayer();
        // Both lists play from the chosen time on, as far as the folder goes.
        // The mode is set here rather than left to an earlier page.
        dlg.PostPlayAndClose(0, start, end);
        break;
    case LocalListPlay::CloseOnly:
        PostMessage(dlg.Handle(), WM_CLOSE, 0, 0);
        break;
    }
    main->ClearLastLocalSearch();
    if (LastLocalSearch* last = main->LastSearch()) {
        last->bValid = 1;
        last->nPage = page;
        last->nMode = mode;
        last->nSelectedRow = row;
    }
}

} // namespace

// ===========================================================================
// The event list

CLocalEventPage::CLocalEventPage(CLocalSearchDlg& host)
    : CSearchPage(host, static_cast<int>(LocalSlot::Event)), m_dlg(host), m_panel(*this, this)
{
}

bool CLocalEventPage::ScanEvents()
{
    LocalScanResult scan = ScanDownloadFolder(m_dlg.DownloadFolder(), LocalScan::Event);
    m_dlg.ReportSkipped(scan);
    m_events = BuildLocalEvents(SortByFirstTime(std::move(scan.sets)));
    return m_events.Count(kEventAlarm) + m_events.Count(kEventMotion) + m_events.Count(kEventAudio) > 0;
}

void CLocalEventPage::OnInitPage()
{
    if (!ScanEvents() && m_dlg.Main())
        m_dlg.Main()->PostNotifyEvent(ILocalHost::kNotifyNoLocalData, 0);
    CEventEntries entries;
    for (const LocalEvent& e : m_events.entries)
        entries.Add(0, static_cast<std::uint8_t>(e.kind), e.start, e.end);
    EventListStyle style;
    style.background = IDB_EVENT_LIST_BACKGROUND;
    style.prev = false;
    style.cameraColumn = false; // the files' events carry no cameras
    style.newestFirst = true;
    style.pendingGuards = false;
    // A fill still forgets the row: after a tab of another kind Play would
    // otherwise play an event of that kind that no row shows selected.
    style.fillResets = true;
    m_panel.Init(style, std::move(entries));
    m_panel.show();
    const LastLocalSearch* last = Remembered(m_dlg, kPageEventList);
    m_panel.ShowKind(FirstLocalEventKind(m_events, last != nullptr, last ? last->nMode : 0));
    if (last)
        m_panel.RestoreRow(last->nSelectedRow);
}

int CLocalEventPage::DateFormat() const
{
    return m_dlg.PageDateFormat();
}

QString CLocalEventPage::Text(int id) const
{
    return QString::fromStdString(m_dlg.PageText(id));
}

bool CLocalEventPage::PlayAllowed() const
{
    return !RemoteBusy(m_dlg);
}

void CLocalEventPage::OnEventPlay(const EventEntry* entry)
{
    const int kind = m_panel.CurKind();
    const int row = NewestFirstIndex(m_panel.Entries().KindCount(kind), m_panel.Selected());
    PlayFromList(m_dlg, entry != nullptr, entry ? entry->start : 0, entry ? entry->end : 0, kPageEventList,
                 static_cast<BYTE>(kind), row);
}

void CLocalEventPage::OnEventBackgroundPress()
{
    m_dlg.ClosePickers();
}

// ===========================================================================
// The file list

CLocalFileListPage::CLocalFileListPage(CLocalSearchDlg& host)
    : CSearchPage(host, static_cast<int>(LocalSlot::FileList)), m_dlg(host)
{
}

bool CLocalFileListPage::ScanFiles()
{
    LocalScanResult scan = ScanDownloadFolder(m_dlg.DownloadFolder(), LocalScan::FileList);
    m_dlg.ReportSkipped(scan);
    m_fileSets = SortByFirstTime(std::move(scan.sets));
    return !m_fileSets.empty();
}

void CLocalFileListPage::OnInitPage()
{
    if (!ScanFiles() && m_dlg.Main())
        m_dlg.Main()->PostNotifyEvent(ILocalHost::kNotifyNoLocalData, 0);
    m_bmpBackground = ResourceLibrary::Current().LoadBitmap(IDB_EVENT_LIST_BACKGROUND);
    m_list.setParent(this);
    m_list.SetDlgCtrlID(kIdList);
    m_list.setGeometry(2, 2, 399, 390);
    m_list.SetStyle(3, 0x783C3C, true, 9, "Arial Bold");
    m_list.setSelectionMode(QAbstractItemView::SingleSelection);
    m_list.setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list.SetShowSelAlways(true);
    m_list.header()->hide();
    m_list.show();
    connect(&m_list, &QTreeWidget::itemSelectionChanged, this, [this] { OnSelectionChanged(); });
    connect(&m_list, &QTreeWidget::currentItemChanged, this, [this] { OnSelectionChanged(); });
    m_btnPlay.setParent(this);
    m_btnPlay.SetDlgCtrlID(kIdPlay);
    SetupCaptionButton(m_btnPlay, kBmpTextButton, QString::fromStdString(m_dlg.PageText(IDS_EVENT_PLAY)),
                       kButtonText);
    m_btnPlay.setGeometry(304, 396, 97, 22);
    m_btnPlay.show();
    FillFileList();
    if (const LastLocalSearch* last = Remembered(m_dlg, kPageFileList)) {
        if (QTreeWidgetItem* item = m_list.topLevelItem(last->nSelectedRow)) {
            SelectRow(last->nSelectedRow);
            m_list.scrollToItem(item, QAbstractItemView::PositionAtTop);
        }
    }
}

void CLocalFileListPage::FillFileList()
{
    m_bFilling = true;
    m_list.clear();
    m_list.setColumnCount(0);
    const int widths[3] = {200, 145, 145};
    for (int c = 0; c < 3; ++c)
        m_list.InsertColumn(c, QString(), widths[c]);
    m_nSelected = -1;
    m_btnPlay.Enable(false);
    const int format = m_dlg.PageDateFormat();
    for (auto it = m_fileSets.rbegin(); it != m_fileSets.rend(); ++it) {
        const int row = m_list.InsertItem(m_list.GetItemCount(), QString::fromLocal8Bit(it->name.c_str()));
        m_list.SetItemText(
            row, 1,
            QString::fromStdString(FormatEventTime(static_cast<std::int32_t>(it->firstTime), format)));
        m_list.SetItemText(
            row, 2, QString::fromStdString(FormatEventTime(static_cast<std::int32_t>(it->lastTime), format)));
    }
    m_list.setCurrentItem(nullptr);
    m_bFilling = false;
}

void CLocalFileListPage::SelectRow(int row)
{
    if (m_list.SelectRow(row))
        OnSelectionChanged();
}

void CLocalFileListPage::OnSelectionChanged()
{
    if (m_bFilling)
        return;
    QTreeWidgetItem* current = m_list.currentItem();
    if (!current || !current->isSelected()) {
        m_nSelected = -1;
        m_btnPlay.Enable(false);
        return;
    }
    m_nSelected = NewestFirstIndex(static_cast<int>(m_fileSets.size()), m_list.indexOfTopLevelItem(current));
    m_btnPlay.Enable(!RemoteBusy(m_dlg));
}

void CLocalFileListPage::OnPlay()
{
    const int count = static_cast<int>(m_fileSets.size());
    const LocalSetRef* set = m_nSelected >= 0 && m_nSelected < count
                                 ? &m_fileSets[static_cast<std::size_t>(m_nSelected)]
                                 : nullptr;
    PlayFromList(m_dlg, set != nullptr, set ? static_cast<std::int32_t>(set->firstTime) : 0, 0, kPageFileList,
                 0, NewestFirstIndex(count, m_nSelected));
}

void CLocalFileListPage::OnCommand(int id, int code)
{
    if (id == kIdPlay && code == BN_CLICKED)
        OnPlay();
}

void CLocalFileListPage::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    DrawBitmap(p, m_bmpBackground, 0, 0, 403, 417, true, 0);
}

// ===========================================================================

void RegisterLocalListPages()
{
    RegisterLocalPage(LocalSlot::Event, [](CLocalSearchDlg& host, LocalPageArgs&) -> CSearchPage* {
        return new CLocalEventPage(host);
    });
    RegisterLocalPage(LocalSlot::FileList, [](CLocalSearchDlg& host, LocalPageArgs&) -> CSearchPage* {
        return new CLocalFileListPage(host);
    });
}
