#include "search/RemoteSearchDlg.h"

#include "net/NetClient.h"
#include "net/NetMessages.h"
#include "platform/ResourceLibrary.h"
#include "platform/Skin.h"
#include "platform/Trace.h"
#include "search/RemoteLog.h"
#include "search/ResIds.h"
#include "search/SearchPopups.h"
#include "search/SearchTabPage.h"
#include "ui/SkinDraw.h"
#include "ui/SkinListCtrl.h"
#include "ui/UiMessages.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

namespace {

constexpr UINT kCloseTimer = 1;
constexpr int kIdTabFirst = 430, kIdClose = 435, kIdCancel = 436;
constexpr COLORREF kTextButton[4] = {0xFFFFFF, 0xF1EB62, 0xF1EB62, 0xBEB9B3};

std::size_t Index(SearchSlot slot)
{
    return static_cast<std::size_t>(slot);
}

} // namespace

// ---------------------------------------------------------------------------
// The link

void CSearchFrameLink::ClearRequestPending()
{
    PostMessage(m_frame, WM_SEARCH_CLEAR_PENDING, 0, 0);
}

void CSearchFrameLink::ClearDayRecords()
{
    PostMessage(m_frame, WM_SEARCH_CLEAR_DAYS, 0, 0);
}

void CSearchFrameLink::DeliverAnswer(std::unique_ptr<SearchAnswer> answer)
{
    if (!answer)
        return;
    const SearchAnswerKind kind = answer->kind;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_answers[static_cast<std::size_t>(kind)] = std::move(answer);
    }
    PostMessage(m_frame, SearchAnswerMessage(kind), 0, 0);
}

void CSearchFrameLink::DeliverBackupSize(uint32_t kb)
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_hasSize = true;
        m_sizeKB = kb;
    }
    PostMessage(m_frame, WM_SEARCH_BACKUP_SIZE, 0, 0);
}

std::unique_ptr<SearchAnswer> CSearchFrameLink::Take(SearchAnswerKind kind)
{
    std::lock_guard<std::mutex> lock(m_lock);
    return std::move(m_answers[static_cast<std::size_t>(kind)]);
}

bool CSearchFrameLink::TakeBackupSize(std::uint32_t& kb)
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_hasSize)
        return false;
    m_hasSize = false;
    kb = m_sizeKB;
    return true;
}

// ---------------------------------------------------------------------------
// The window

CRemoteSearchDlg::CRemoteSearchDlg(ISearchMainWindow& main, QWidget* parent)
    : Dialog(parent), m_main(main), m_client(main.NetClient()), m_sender(m_client), m_requests(m_sender)
{
    RegisterBuiltinSearchPages();
    m_link = std::make_shared<CSearchFrameLink>(Handle());
    m_nOpacity = main.Opacity(1);
    const std::shared_ptr<CNetClient> client = Client();
    m_nChannelMask = InitialChannelMask(client ? client->SearchKeep().HandOver() : PlayHandOver(),
                                        client ? client->ChannelCount() : 16);
    setFixedSize(618, 546);
    SetDragFromBackground(true);
    for (int i = 0; i < 4; ++i) {
        m_btnTab[i].setParent(this);
        m_btnTab[i].SetDlgCtrlID(kIdTabFirst + i);
    }
    m_btnOk.setParent(this);
    m_btnOk.SetDlgCtrlID(1);
    m_btnCancel.setParent(this);
    m_btnCancel.SetDlgCtrlID(kIdCancel);
    m_btnClose.setParent(this);
    m_btnClose.SetDlgCtrlID(kIdClose);
}

CRemoteSearchDlg::~CRemoteSearchDlg()
{
    m_bClosing = true;
    ClosePickers();
    for (CSearchPage*& page : m_pages) {
        delete page;
        page = nullptr;
    }
    delete m_pTabPage;
    m_pTabPage = nullptr;
}

std::shared_ptr<CNetClient> CRemoteSearchDlg::Client() const
{
    return m_client.lock();
}

PlayHandOver CRemoteSearchDlg::HandOver() const
{
    const std::shared_ptr<CNetClient> client = Client();
    return client ? client->SearchKeep().HandOver() : PlayHandOver();
}

SearchRights CRemoteSearchDlg::Rights() const
{
    SearchRights r;
    const std::shared_ptr<CNetClient> client = Client();
    r.connected = client != nullptr;
    if (client) {
        r.search = client->HasRight(RIGHT_SEARCH);
        r.backup = client->HasRight(RIGHT_BACKUP);
        r.transferRunning = client->m_bTrans;
    }
    return r;
}

bool CRemoteSearchDlg::NewerThan14() const
{
    const std::shared_ptr<CNetClient> client = Client();
    if (!client)
        return false;
    const HelloRecord hello = client->Hello();
    return hello.product_major_ver > 1 || (hello.product_major_ver == 1 && hello.product_minor_ver > 4);
}

bool CRemoteSearchDlg::OnInitDialog()
{
    Dialog::OnInitDialog();
    const ResourceLibrary& res = ResourceLibrary::Current();
    m_bmpBackground = res.LoadBitmap(IDB_SEARCH_BACKGROUND);
    for (int i = 0; i < 4; ++i) {
        m_btnTab[i].SetBitmap(static_cast<UINT>(IDB_SEARCH_TAB_FIRST + i));
        m_btnTab[i].setGeometry(22 + 71 * i, 1, 71, 65);
    }
    m_btnClose.SetBitmap(IDB_SEARCH_CLOSE);
    m_btnClose.setGeometry(580, 12, 26, 26);
    SetupCaptionButton(m_btnCancel, IDB_SEARCH_TEXT_BUTTON,
                       QString::fromStdString(m_main.LoadResString(IDS_SEARCH_CANCEL)), kTextButton);
    m_btnCancel.setGeometry(501, 516, 97, 22);
    SetupCaptionButton(m_btnOk, IDB_SEARCH_TEXT_BUTTON,
                       QString::fromStdString(m_main.LoadResString(IDS_SEARCH_OK)), kTextButton);
    m_btnOk.setGeometry(400, 516, 97, 22);
    m_btnOk.hide();

    // Centred on the main window's screen.
    QScreen* screen = nullptr;
    if (QWidget* main = m_main.MainWidget())
        screen = main->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen)
        move(screen->availableGeometry().center() - rect().center());
    // Layered like every skinned window: the background's key-colour corners
    // become holes in the window's shape.
    SetTransparent(this, m_nOpacity, m_bmpBackground);

    const SearchRights rights = Rights();
    if (rights.connected) {
        const std::array<bool, 4> enabled = SearchTabsEnabled(rights);
        for (int i = 0; i < 4; ++i)
            m_btnTab[i].Enable(enabled[static_cast<std::size_t>(i)]);
        bool closeNow = false;
        const SearchTab tab = InitialSearchTab(rights, HandOver(), closeNow);
        if (closeNow)
            PostMessage(Handle(), WM_CLOSE, 0, 0);
        else
            ShowTab(tab);
    }
    return true;
}

LRESULT CRemoteSearchDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    SearchAnswerKind kind;
    switch (msg) {
    case WM_COMMAND:
        if (CommandCode(wParam) == BN_CLICKED) {
            const int id = CommandId(wParam);
            if (id >= kIdTabFirst && id < kIdTabFirst + 4) {
                ShowTab(static_cast<SearchTab>(static_cast<int>(SearchTab::Search) + id - kIdTabFirst));
                return 0;
            }
            if (id == kIdClose) {
                OnCloseButton();
                return 0;
            }
            if (id == kIdCancel) {
                OnCancelButton();
                return 0;
            }
            if (id == 1)
                return 0; // the hidden OK
        }
        break;
    case WM_SEARCH_CLEAR_PENDING:
        ClearPending();
        return 0;
    case WM_SEARCH_CLEAR_DAYS:
        m_days.clear();
        return 0;
    case WM_SEARCH_BACKUP_SIZE:
        OnBackupSize();
        return 0;
    case WM_RIGHT_CHANGE:
        OnRightChange(static_cast<int>(wParam));
        return 0;
    case WM_CLOSE:
        // A page's Play or the connection: the window ends as cancelled.
        m_bEnded = true;
        EndDialog(2);
        return 0;
    default:
        for (int k = 0; k < static_cast<int>(kSearchAnswerKinds); ++k) {
            kind = static_cast<SearchAnswerKind>(k);
            if (msg == SearchAnswerMessage(kind)) {
                OnAnswer(kind);
                return 0;
            }
        }
        break;
    }
    return Dialog::WindowProc(msg, wParam, lParam);
}

bool CRemoteSearchDlg::DestroyWindow()
{
    if (!IsDestroyed()) {
        if (const std::shared_ptr<CNetClient> client = Client())
            client->m_nChannelMask = m_nChannelMask;
        ShowOnlyPage(nullptr);
    }
    return Dialog::DestroyWindow();
}

void CRemoteSearchDlg::OnAnswer(SearchAnswerKind kind)
{
    std::unique_ptr<SearchAnswer> answer = m_link->Take(kind);
    // An answer this window did not ask for belongs to nobody here.
    if (!m_asked[static_cast<std::size_t>(kind)])
        return;
    switch (kind) {
    case SearchAnswerKind::PlayMonth:
    case SearchAnswerKind::TransMonth: {
        ClearPending();
        m_years = answer ? std::move(answer->years) : std::vector<YearRecord>();
        const SearchSlot slot =
            kind == SearchAnswerKind::PlayMonth ? SearchSlot::SearchCalendar : SearchSlot::BackupCalendar;
        if (!Page(slot))
            ShowPage(slot);
        break;
    }
    case SearchAnswerKind::PlayDay:
    case SearchAnswerKind::TransDay: {
        const bool backup = kind == SearchAnswerKind::TransDay;
        CSearchPage* calendar = Page(backup ? SearchSlot::BackupCalendar : SearchSlot::SearchCalendar);
        int y = 0, m = 0, d = 0;
        if (!calendar || !calendar->CalendarDay(y, m, d)) {
            // No calendar to say which day it was: nothing to show.
            ClearPending();
            break;
        }
        if (!answer || answer->days.empty()) {
            ClearPending();
            m_main.Notify(NetNotify::NO_DATA, 0, Handle());
            break;
        }
        m_days = std::move(answer->days);
        backup ? ShowBackupTimelinePage(y, m, d) : ShowSearchTimelinePage(y, m, d);
        break;
    }
    case SearchAnswerKind::Event:
        ClearPending();
        m_days = answer ? std::move(answer->days) : std::vector<DayIntervalRecord>();
        if (m_openTab == SearchTab::Search)
            ShowPage(SearchSlot::SearchEvent);
        else if (m_openTab == SearchTab::Backup)
            ShowPage(SearchSlot::BackupEvent);
        break;
    case SearchAnswerKind::Log: {
        ClearPending();
        std::vector<RemoteLogRecord> records;
        if (answer && ParseRemoteLog(answer->raw.data(), answer->raw.size(), records) != LogParse::Ok) {
            // Unreadable: the operator is told, the window stays as it was.
            m_main.Notify(NetNotify::NACK, kNackAnswerUnreadable, Handle());
            break;
        }
        m_log = std::move(answer);
        ShowPage(SearchSlot::LogAll);
        break;
    }
    case SearchAnswerKind::Status: {
        StatusInfoRecord status;
        if (answer && !ReadStatusRecord(answer->raw.data(), answer->raw.size(), status)) {
            m_main.Notify(NetNotify::NACK, kNackAnswerUnreadable, Handle());
            break;
        }
        m_status = std::move(answer);
        ShowPage(SearchSlot::StatusInfo);
        break;
    }
    case SearchAnswerKind::System:
        break;
    }
}

void CRemoteSearchDlg::OnBackupSize()
{
    std::uint32_t kb = 0;
    if (!m_link->TakeBackupSize(kb))
        return;
    ClearPending();
    for (SearchSlot slot :
         {SearchSlot::BackupDateTime, SearchSlot::BackupEvent, SearchSlot::BackupTimeline}) {
        if (CSearchPage* page = Page(slot)) {
            page->OnBackupSizeAnswer(kb);
            return;
        }
    }
}

void CRemoteSearchDlg::PlayAndHandOver(const PlayHandOver& block, std::uint8_t kinds, std::uint32_t end,
                                       bool keepLists)
{
    PlayAndHandOver(block, kinds, end, keepLists, block.channelMask);
}

void CRemoteSearchDlg::PlayAndHandOver(const PlayHandOver& block, std::uint8_t kinds, std::uint32_t end,
                                       bool keepLists, std::uint32_t requestMask)
{
    TRACE("Send... PLAY_ON_REQ...%u\n", block.startTime);
    m_requests.SendPlayOnReq(requestMask, kinds, block.startTime, end);
    if (const std::shared_ptr<CNetClient> client = Client()) {
        client->SearchKeep().WriteHandOver(block, keepLists);
        client->m_bPlayReqPending = true;
    }
    m_main.InvalidatePlaybackStrip();
    // A short pause so the request leaves before the window goes.
    SetTimer(kCloseTimer, 50);
}

void CRemoteSearchDlg::CloseAfter(int ms)
{
    if (ms <= 0)
        PostMessage(Handle(), WM_CLOSE, 0, 0);
    else
        SetTimer(kCloseTimer, static_cast<UINT>(ms));
}

void CRemoteSearchDlg::OnTimer(UINT id)
{
    if (id == kCloseTimer) {
        KillTimer(kCloseTimer);
        PostMessage(Handle(), WM_CLOSE, 0, 0);
        return;
    }
    Dialog::OnTimer(id);
}

// ---------------------------------------------------------------------------
// Pages

CSearchPage* CRemoteSearchDlg::Page(SearchSlot slot) const
{
    return slot < SearchSlot::Count ? m_pages[Index(slot)] : nullptr;
}

CSearchPage* CRemoteSearchDlg::ShowPage(SearchSlot slot, const SearchPageArgs& args)
{
    if (slot >= SearchSlot::Count || m_bClosing)
        return nullptr;
    ShowOnlyPage(Page(slot));
    CSearchPage* page = Page(slot);
    if (!page) {
        const SearchPageFactory* factory = SearchPageFactoryOf(slot);
        if (!factory)
            return nullptr;
        page = (*factory)(*this, args);
        if (!page)
            return nullptr;
        m_pages[Index(slot)] = page;
        page->OnInitPage();
    }
    page->show();
    page->raise();
    return page;
}

void CRemoteSearchDlg::ShowOnlyPage(CSearchPage* keep)
{
    ClosePickers();
    for (CSearchPage* page : m_pages) {
        if (page && page != keep)
            page->DestroyWindow();
    }
}

void CRemoteSearchDlg::PageGone(CSearchPage* page)
{
    for (CSearchPage*& p : m_pages) {
        if (p == page)
            p = nullptr;
    }
}

void CRemoteSearchDlg::TabPageGone(CSearchTabPage* page)
{
    if (m_pTabPage == page) {
        m_pTabPage = nullptr;
        m_openTab = SearchTab::None;
    }
}

void CRemoteSearchDlg::ShowTab(SearchTab tab)
{
    if (tab == SearchTab::None || RequestPending())
        return;
    for (int i = 0; i < 4; ++i)
        m_btnTab[i].SetState(0);
    m_btnTab[static_cast<int>(tab) - static_cast<int>(SearchTab::Search)].SetState(1);
    if (m_pTabPage && m_pTabPage->Tab() == tab) {
        m_pTabPage->show();
        return;
    }
    if (m_pTabPage)
        m_pTabPage->DestroyWindow();
    auto* page = new CSearchTabPage(*this, tab);
    m_pTabPage = page;
    m_openTab = tab;
    // The column is built before the page goes on screen, so its buttons show
    // with it; once the window is up, children made later would stay hidden.
    page->Layout();
    page->show();
    // The mask first: the tab's first view may send it.
    if (tab == SearchTab::Search || tab == SearchTab::Backup) {
        const std::shared_ptr<CNetClient> client = Client();
        const int channels = client ? client->ChannelCount() : 16;
        m_nChannelMask =
            tab == SearchTab::Search ? InitialChannelMask(HandOver(), channels) : AllCamerasMask(channels);
    }
    page->OpenFirstView();
}

void CRemoteSearchDlg::ShowSearchTab()
{
    ShowTab(SearchTab::Search);
}
void CRemoteSearchDlg::ShowBackupTab()
{
    ShowTab(SearchTab::Backup);
}
void CRemoteSearchDlg::ShowLogTab()
{
    ShowTab(SearchTab::Log);
}
void CRemoteSearchDlg::ShowInfoTab()
{
    ShowTab(SearchTab::Info);
}

bool CRemoteSearchDlg::RequestingOpener(SearchSlot slot, PendingKind kind, bool (CSearchRequests::*send)())
{
    ShowOnlyPage(Page(slot));
    if (CSearchPage* page = Page(slot)) {
        page->show();
        if (kind != PendingKind::None)
            ClearPending();
        return false;
    }
    m_years.clear();
    if (!(m_requests.*send)()) {
        // Nothing went out, so nothing will come back.
        if (kind != PendingKind::None)
            ClearPending();
        return false;
    }
    if (kind != PendingKind::None)
        SetPending(kind);
    return true;
}

void CRemoteSearchDlg::RequestPlayInfoMonth()
{
    m_asked[static_cast<std::size_t>(SearchAnswerKind::PlayMonth)] = true;
    RequestingOpener(SearchSlot::SearchCalendar, PendingKind::Month, &CSearchRequests::SendPlayInfoMonthReq);
}

void CRemoteSearchDlg::RequestTransInfoMonth()
{
    m_asked[static_cast<std::size_t>(SearchAnswerKind::TransMonth)] = true;
    RequestingOpener(SearchSlot::BackupCalendar, PendingKind::Month, &CSearchRequests::SendTransInfoMonthReq);
}

void CRemoteSearchDlg::RequestSearchEvents()
{
    RequestEvents(SearchSlot::SearchEvent);
}

void CRemoteSearchDlg::RequestBackupEvents()
{
    RequestEvents(SearchSlot::BackupEvent);
}

void CRemoteSearchDlg::RequestEvents(SearchSlot list)
{
    m_asked[static_cast<std::size_t>(SearchAnswerKind::Event)] = true;
    // An open list is shown again whatever the recorder's version: asking
    // anew would throw away the list and the range it came from.
    if (Page(list)) {
        RequestingOpener(list, PendingKind::Event, &CSearchRequests::SendEventInfoReq);
        return;
    }
    if (NewerThan14()) {
        ShowOnlyPage(nullptr);
        ClearPending();
        ShowPage(SearchSlot::EventTimeRange);
        return;
    }
    RequestingOpener(list, PendingKind::Event, &CSearchRequests::SendEventInfoReq);
}

void CRemoteSearchDlg::RequestLogInfo()
{
    if (m_nLogFilter != 0)
        m_nLogSelected = -1;
    m_nLogFilter = 0;
    m_asked[static_cast<std::size_t>(SearchAnswerKind::Log)] = true;
    RequestingOpener(SearchSlot::LogAll, PendingKind::Log, &CSearchRequests::SendLogInfoReq);
}

void CRemoteSearchDlg::RequestStatusInfo()
{
    m_asked[static_cast<std::size_t>(SearchAnswerKind::Status)] = true;
    RequestingOpener(SearchSlot::StatusInfo, PendingKind::None, &CSearchRequests::SendStatusInfoReq);
}

void CRemoteSearchDlg::ShowSearchTimelinePage(int year, int month, int day)
{
    ClearPending();
    ShowPage(SearchSlot::SearchTimeline, SearchPageArgs{{year, month, day}});
}

void CRemoteSearchDlg::ShowBackupTimelinePage(int year, int month, int day)
{
    ClearPending();
    ShowPage(SearchSlot::BackupTimeline, SearchPageArgs{{year, month, day}});
}

void CRemoteSearchDlg::ShowLogPage(SearchSlot slot, int filter)
{
    if (m_nLogFilter != filter)
        m_nLogSelected = -1;
    m_nLogFilter = filter;
    ShowPage(slot);
}

bool CRemoteSearchDlg::SendDayRequest(bool backup, int year, int month1, int day1)
{
    if (RequestPending())
        return false;
    m_days.clear();
    const bool sent = backup ? m_requests.SendTransInfoDayReq(year, month1, day1)
                             : m_requests.SendPlayInfoDayReq(year, month1, day1);
    if (!sent)
        return false;
    m_asked[static_cast<std::size_t>(backup ? SearchAnswerKind::TransDay : SearchAnswerKind::PlayDay)] = true;
    SetPending(PendingKind::Day);
    if (!backup) {
        if (const std::shared_ptr<CNetClient> client = Client())
            client->SearchKeep().ClearHandOver();
    }
    return true;
}

bool CRemoteSearchDlg::SendEventTimeRequest(std::uint8_t kinds, std::uint32_t start, std::uint32_t end)
{
    if (RequestPending() || !m_requests.SendEventTimeReq(m_nChannelMask, kinds, start, end))
        return false;
    m_asked[static_cast<std::size_t>(SearchAnswerKind::Event)] = true;
    SetPending(PendingKind::Event);
    if (const std::shared_ptr<CNetClient> client = Client())
        client->SearchKeep().ClearHandOver();
    return true;
}

// ---------------------------------------------------------------------------
// Pop-ups

void CRemoteSearchDlg::OpenListPicker(CSearchPage* owner, int itemId, const ListPickerRequest& request,
                                      int firstSelectable, bool fourPerRow)
{
    m_pickers.OpenList(this, this, owner, itemId, request, firstSelectable, fourPerRow);
}

void CRemoteSearchDlg::OpenTimePicker(CSearchPage* owner, int itemId, const SliderPickerRequest& request)
{
    m_pickers.OpenTime(this, this, owner, itemId, request);
}

void CRemoteSearchDlg::ClosePickers()
{
    m_pickers.Close();
}

void CRemoteSearchDlg::OnListPicked(QWidget* owner, int itemId, int index)
{
    if (index < 0 || !owner)
        return;
    for (CSearchPage* page : m_pages) {
        if (page && page == owner && !page->IsDestroyed()) {
            page->OnListPicked(itemId, index);
            return;
        }
    }
}

void CRemoteSearchDlg::OnSliderPicked(QWidget* owner, int itemId, int h, int m, int s)
{
    if (!owner)
        return;
    const TimeOfDay t = ClampTimeResult(h, m, s);
    for (CSearchPage* page : m_pages) {
        if (page && page == owner && !page->IsDestroyed()) {
            page->OnTimePicked(itemId, t.hour, t.minute, t.second);
            return;
        }
    }
}

void CRemoteSearchDlg::OnPickerGone(Wnd* popup)
{
    m_pickers.Gone(popup);
}

// ---------------------------------------------------------------------------
// Lists of the log and information pages

void SearchListRoutines::InitLogListColumns(CSkinListCtrl& list, int nColumns, int w0, int w1, int w2, int w3,
                                          int w4)
{
    list.SetTextColor(0x783C3C);
    list.setRootIsDecorated(false);
    list.setSelectionBehavior(QAbstractItemView::SelectRows);
    // The columns have no headings: an empty header strip would only push the
    // rows down.
    list.header()->hide();
    const int widths[5] = {w0, w1, w2, w3, w4};
    for (int i = 0; i < std::clamp(nColumns, 0, 5); ++i)
        list.InsertColumn(i, QString(), widths[i]);
}

void SearchListRoutines::AddLogListItem(CSkinListCtrl& list, int nColumn, const std::string& text)
{
    // Recorder texts are bytes: shown as Latin-1, never cut to a buffer.
    const QString cell = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    if (nColumn == 0)
        list.InsertItem(list.GetItemCount(), cell);
    else if (list.GetItemCount() > 0)
        list.SetItemText(list.GetItemCount() - 1, nColumn, cell);
}

// ---------------------------------------------------------------------------
// Buttons and rights

void CRemoteSearchDlg::OnCloseButton()
{
    // During a remote playback the hand-over stays for the next window.
    if (m_main.ViewMode() != 2) {
        if (const std::shared_ptr<CNetClient> client = Client())
            client->SearchKeep().ClearHandOver();
    }
    m_bEnded = true;
    EndDialog(2);
}

void CRemoteSearchDlg::OnCancelButton()
{
    m_requests.SendCapaCalCancel();
    OnCloseButton();
}

void CRemoteSearchDlg::OnRightChange(int value)
{
    if (!Client())
        return;
    if (value == 1) {
        m_btnTab[0].Enable(false);
        m_btnTab[1].Enable(true);
        m_btnTab[2].Enable(false);
        m_btnTab[3].Enable(false);
        if (Client()->m_bTrans) {
            PostMessage(Handle(), WM_CLOSE, 0, 0);
        } else {
            ClearPending();
            ShowTab(SearchTab::Backup);
        }
        return;
    }
    const bool both = value == 0;
    for (int i = 0; i < 4; ++i)
        m_btnTab[i].Enable(i != 1 || both);
    if (!both && m_openTab == SearchTab::Backup) {
        const PlayHandOver h = HandOver();
        ClearPending();
        ShowTab(h.active && h.fromLog ? SearchTab::Log : SearchTab::Search);
        return;
    }
    for (int i = 0; i < 4; ++i) {
        if (i == 1 && !both)
            continue;
        m_btnTab[i].SetState(m_pTabPage && static_cast<int>(m_openTab) - 1 == i ? 1 : 0);
    }
}

// ---------------------------------------------------------------------------
// Drawing and the background

void CRemoteSearchDlg::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    DrawBitmap(p, m_bmpBackground, 0, 0, 618, 546, false, 0);
    if (RequestPending()) {
        p.setPen(fromColorRef(0xD7D700));
        p.setFont(MakeSkinFont("Arial Bold", 11, 700));
        p.drawText(QRect(QPoint(194, 78), QPoint(602, 500)), Qt::AlignCenter | Qt::TextSingleLine,
                   QString::fromStdString(m_main.LoadResString(IDS_SEARCH_WAITING)));
    }
}

void CRemoteSearchDlg::mousePressEvent(QMouseEvent* e)
{
    ClosePickers();
    Dialog::mousePressEvent(e);
}

std::unique_ptr<CRemoteSearchDlg> CreateRemoteSearchDlg(ISearchMainWindow& main)
{
    return std::make_unique<CRemoteSearchDlg>(main, main.MainWidget());
}
