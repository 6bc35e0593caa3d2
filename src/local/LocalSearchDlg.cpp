#include "local/LocalSearchDlg.h"

#include "local/LocalMenus.h"
#include "local/LocalPlaylist.h"
#include "platform/ResourceLibrary.h"
#include "platform/Skin.h"
#include "search/RemoteSearchDlg.h"
#include "search/ResIds.h"
#include "search/SearchRules.h"
#include "ui/SkinDraw.h"
#include "ui/UiMessages.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <filesystem>
#include <map>
#include <mutex>
#include <system_error>

namespace {

constexpr int kIdSearchTab = 430, kIdLogTab = 432, kIdInfoTab = 433, kIdClose = 435, kIdCancel = 2;
constexpr int kSkinSearchTab = 2160, kSkinLogTab = 2162, kSkinInfoTab = 2163;
constexpr COLORREF kTextButton[4] = {0xFFFFFF, 0xF1EB62, 0xF1EB62, 0xBEB9B3};

std::size_t Index(LocalSlot slot)
{
    return static_cast<std::size_t>(slot);
}

std::mutex& RegistryLock()
{
    static std::mutex lock;
    return lock;
}

std::map<LocalSlot, LocalPageFactory>& Registry()
{
    static std::map<LocalSlot, LocalPageFactory> registry;
    return registry;
}

} // namespace

void RegisterLocalPage(LocalSlot slot, LocalPageFactory factory)
{
    std::lock_guard<std::mutex> lock(RegistryLock());
    Registry()[slot] = std::move(factory);
}

void RegisterLocalPages()
{
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterLocalCalendarPages();
        RegisterLocalListPages();
        RegisterLocalDateTimePage();
        RegisterLocalLogPages();
    });
}

CLocalSearchDlg::CLocalSearchDlg(ILocalHost* pMainDlg, BYTE nOpacity)
    : Dialog(nullptr), m_pMainDlg(pMainDlg), m_nOpacity(nOpacity)
{
    RegisterLocalPages();
    setFixedSize(618, 546);
    SetDragFromBackground(true);
    struct
    {
        CSkinButton* button;
        int id;
    } const tabs[] = {{&m_btnSearch, kIdSearchTab}, {&m_btnLog, kIdLogTab}, {&m_btnInfo, kIdInfoTab}};
    for (const auto& t : tabs) {
        t.button->setParent(this);
        t.button->SetDlgCtrlID(t.id);
    }
    m_btnOk.setParent(this);
    m_btnOk.SetDlgCtrlID(1);
    m_btnCancel.setParent(this);
    m_btnCancel.SetDlgCtrlID(kIdCancel);
    m_btnClose.setParent(this);
    m_btnClose.SetDlgCtrlID(kIdClose);
}

CLocalSearchDlg::~CLocalSearchDlg()
{
    m_bClosing = true;
    ClosePickers();
    for (CSearchPage*& page : m_pages) {
        delete page;
        page = nullptr;
    }
    delete m_pMenu;
    m_pMenu = nullptr;
}

std::string CLocalSearchDlg::DownloadFolder() const
{
    if (!m_pMainDlg)
        return {};
    std::error_code ec;
    const std::string cwd = std::filesystem::current_path(ec).string();
    return LocalDownloadFolder(m_pMainDlg->DataLocation(), m_pMainDlg->ReadOnlyMedia(), cwd);
}

void CLocalSearchDlg::ReportSkipped(const LocalScanResult& scan)
{
    if (scan.skipped > 0)
        ReportSkipped(scan.firstSkipped);
}

void CLocalSearchDlg::ReportSkipped(const std::string& firstSkipped)
{
    if (m_bSkipToldOnce || !m_pMainDlg)
        return;
    m_bSkipToldOnce = true;
    m_pMainDlg->ReportSkippedSet(firstSkipped);
}

bool CLocalSearchDlg::OnInitDialog()
{
    Dialog::OnInitDialog();
    const ResourceLibrary& res = ResourceLibrary::Current();
    m_bmpBackground = res.LoadBitmap(IDB_SEARCH_BACKGROUND);
    m_btnSearch.SetBitmap(kSkinSearchTab);
    m_btnSearch.setGeometry(22, 1, 71, 65);
    m_btnLog.SetBitmap(kSkinLogTab);
    m_btnLog.setGeometry(93, 1, 71, 65);
    m_btnInfo.SetBitmap(kSkinInfoTab);
    m_btnInfo.setGeometry(164, 1, 71, 65);
    // From media that is not a fixed disk nothing is written to the log, so
    // there is nothing to read: Info takes the Log tab's place.
    if (m_pMainDlg && m_pMainDlg->ReadOnlyMedia()) {
        m_btnLog.hide();
        m_btnInfo.setGeometry(93, 1, 71, 65);
    }
    m_btnClose.SetBitmap(IDB_SEARCH_CLOSE);
    m_btnClose.setGeometry(580, 12, 26, 26);
    SetupCaptionButton(m_btnOk, IDB_SEARCH_TEXT_BUTTON, QString::fromStdString(PageText(IDS_SEARCH_OK)),
                       kTextButton);
    m_btnOk.setGeometry(400, 516, 97, 22);
    m_btnOk.hide();
    SetupCaptionButton(m_btnCancel, IDB_SEARCH_TEXT_BUTTON, QString::fromStdString(PageText(IDS_SEARCH_CANCEL)),
                       kTextButton);
    m_btnCancel.setGeometry(501, 516, 97, 22);

    QScreen* screen = parentWidget() ? parentWidget()->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen)
        move(screen->availableGeometry().center() - rect().center());
    ShowSearchMenu();
    SetTransparent(this, m_nOpacity, m_bmpBackground);
    return true;
}

LRESULT CLocalSearchDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_COMMAND:
        if (CommandCode(wParam) == BN_CLICKED) {
            switch (CommandId(wParam)) {
            case kIdSearchTab:
                ShowSearchMenu();
                return 0;
            case kIdLogTab:
                ShowLogMenu();
                return 0;
            case kIdInfoTab:
                ShowInfoMenu();
                return 0;
            case kIdClose:
            case kIdCancel:
                End();
                return 0;
            case 1:
                return 0; // the hidden OK
            default:
                break;
            }
        }
        break;
    case WM_LOCAL_PLAY:
        OnLocalPlay(static_cast<int>(wParam), static_cast<int>(lParam));
        return 0;
    case WM_CLOSE:
        End();
        return 0;
    default:
        break;
    }
    return Dialog::WindowProc(msg, wParam, lParam);
}

void CLocalSearchDlg::End()
{
    if (m_bEnded)
        return;
    m_bEnded = true;
    EndDialog(kIdCancel);
}

bool CLocalSearchDlg::DestroyWindow()
{
    if (!IsDestroyed()) {
        ShowOnlyPage(nullptr);
        m_arrLogRecord.clear();
        m_nLogRecordCount = 0;
        m_pLogBuffer.clear();
        m_pLogBuffer.shrink_to_fit();
        m_nLogLength = 0;
    }
    return Dialog::DestroyWindow();
}

bool CLocalSearchDlg::OnLocalPlay(int start, int end)
{
    LocalScanResult scan = ScanDownloadFolder(DownloadFolder(), LocalScan::Play);
    Playlist list;
    const LocalPlaylistResult built =
        BuildLocalPlaylist(OrderAndChainSets(std::move(scan.sets)), {m_nSearchMode, start, end}, list);
    if (scan.skipped > 0)
        ReportSkipped(scan.firstSkipped);
    else if (built.skipped > 0)
        ReportSkipped(built.firstSkipped);
    if (built.current == list.end()) {
        if (m_pMainDlg)
            m_pMainDlg->PostNotifyEvent(ILocalHost::kNotifyNoData, 0);
        return false;
    }
    return m_pMainDlg && m_pMainDlg->StartLocalPlayer(list, built.current);
}

void CLocalSearchDlg::PostPlayAndClose(int mode, int start, int end)
{
    m_nSearchMode = mode;
    PostMessage(Handle(), WM_LOCAL_PLAY, static_cast<WPARAM>(static_cast<std::uint32_t>(start)),
                static_cast<LPARAM>(end));
    PostMessage(Handle(), WM_CLOSE, 0, 0);
}

// ---------------------------------------------------------------------------
// Tabs

void CLocalSearchDlg::ShowTab(LocalTab tab)
{
    m_btnSearch.SetState(0);
    m_btnLog.SetState(0);
    m_btnInfo.SetState(0);
    (tab == LocalTab::Search ? m_btnSearch : tab == LocalTab::Log ? m_btnLog : m_btnInfo).SetState(1);
    if (m_pMenu && m_pMenu->Tab() != tab)
        m_pMenu->DestroyWindow();
    if (m_pMenu) {
        m_pMenu->show();
    } else {
        auto* menu = new CLocalMenuPage(*this, tab);
        m_pMenu = menu;
        m_openTab = tab;
        menu->show();
        menu->OnInitPage();
    }
    if (tab != LocalTab::Search && m_pMainDlg)
        m_pMainDlg->ClearLastLocalSearch();
}

void CLocalSearchDlg::ShowSearchMenu()
{
    ShowTab(LocalTab::Search);
}

void CLocalSearchDlg::ShowLogMenu()
{
    ShowTab(LocalTab::Log);
}

void CLocalSearchDlg::ShowInfoMenu()
{
    ShowTab(LocalTab::Info);
}

void CLocalSearchDlg::MenuGone(CLocalMenuPage* menu)
{
    if (m_pMenu == menu) {
        m_pMenu = nullptr;
        m_openTab = LocalTab::None;
    }
}

// ---------------------------------------------------------------------------
// Pages

CSearchPage* CLocalSearchDlg::Page(LocalSlot slot) const
{
    return slot < LocalSlot::Count ? m_pages[Index(slot)] : nullptr;
}

void CLocalSearchDlg::ShowTimelinePage(int year, int month, int day, std::unique_ptr<LocalDayInterval> list)
{
    LocalPageArgs args;
    args.year = year;
    args.month = month;
    args.day = day;
    args.list = std::move(list);
    ShowPage(LocalSlot::Timeline, std::move(args));
}

CSearchPage* CLocalSearchDlg::ShowPage(LocalSlot slot, LocalPageArgs args)
{
    if (slot >= LocalSlot::Count || m_bClosing)
        return nullptr;
    ShowOnlyPage(Page(slot));
    CSearchPage* page = Page(slot);
    if (!page) {
        LocalPageFactory factory;
        {
            std::lock_guard<std::mutex> lock(RegistryLock());
            auto it = Registry().find(slot);
            if (it == Registry().end() || !it->second)
                return nullptr;
            factory = it->second;
        }
        page = factory(*this, args);
        if (!page)
            return nullptr;
        m_pages[Index(slot)] = page;
        page->OnInitPage();
        // Opening a page may already have closed it (a page that finds
        // nothing to show hands over to another view).
        if (Page(slot) != page)
            return Page(slot);
    }
    page->show();
    page->raise();
    return page;
}

void CLocalSearchDlg::ShowOnlyPage(CSearchPage* keep)
{
    ClosePickers();
    for (CSearchPage* page : m_pages) {
        if (page && page != keep)
            page->DestroyWindow();
    }
}

void CLocalSearchDlg::PageGone(CSearchPage* page)
{
    for (CSearchPage*& p : m_pages) {
        if (p == page)
            p = nullptr;
    }
}

std::string CLocalSearchDlg::PageText(int id) const
{
    return ResourceLibrary::Current().LoadResString(id).toStdString();
}

int CLocalSearchDlg::PageDateFormat() const
{
    return m_pMainDlg ? m_pMainDlg->LocalDateFormat() : 0;
}

std::time_t CLocalSearchDlg::PageNow() const
{
    return m_pMainDlg ? m_pMainDlg->LocalNow() : std::time(nullptr);
}

// ---------------------------------------------------------------------------
// Pop-ups

void CLocalSearchDlg::OpenListPicker(CSearchPage* owner, int itemId, const ListPickerRequest& request,
                                     int firstSelectable, bool fourPerRow)
{
    m_pickers.OpenList(this, this, owner, itemId, request, firstSelectable, fourPerRow);
}

void CLocalSearchDlg::OpenTimePicker(CSearchPage* owner, int itemId, const SliderPickerRequest& request)
{
    m_pickers.OpenTime(this, this, owner, itemId, request);
}

void CLocalSearchDlg::ClosePickers()
{
    m_pickers.Close();
}

void CLocalSearchDlg::OnListPicked(QWidget* owner, int itemId, int index)
{
    if (index < 0 || !owner)
        return;
    // Only the date-time page and the calendar take list results.
    for (LocalSlot slot : {LocalSlot::DateTime, LocalSlot::Calendar}) {
        CSearchPage* page = Page(slot);
        if (page && page == owner && !page->IsDestroyed()) {
            page->OnListPicked(itemId, index);
            return;
        }
    }
}

void CLocalSearchDlg::OnSliderPicked(QWidget* owner, int itemId, int h, int m, int s)
{
    if (!owner)
        return;
    const TimeOfDay t = ClampTimeResult(h, m, s);
    for (LocalSlot slot : {LocalSlot::DateTime, LocalSlot::Timeline}) {
        CSearchPage* page = Page(slot);
        if (page && page == owner && !page->IsDestroyed()) {
            page->OnTimePicked(itemId, t.hour, t.minute, t.second);
            return;
        }
    }
}

void CLocalSearchDlg::OnPickerGone(Wnd* popup)
{
    m_pickers.Gone(popup);
}

// ---------------------------------------------------------------------------
// The connection log

void CLocalSearchDlg::LoadConnectLog()
{
    if (!m_pMainDlg)
        return;
    std::string bytes;
    if (!LoadConnectLogFile(m_pMainDlg->ConnectLogFile(), bytes, kConnectLogLoadLimit))
        return;
    m_pLogBuffer = std::move(bytes);
    m_nLogLength = m_pLogBuffer.size();
}

// ---------------------------------------------------------------------------
// Drawing

void CLocalSearchDlg::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    DrawBitmap(p, m_bmpBackground, 0, 0, 618, 546, false, 0);
    // Shows only where no content page covers the background.
    p.setPen(fromColorRef(0xD7D700));
    p.setFont(MakeSkinFont("Arial Bold", 11, 700));
    p.drawText(QRect(QPoint(194, 78), QPoint(602, 500)), Qt::AlignCenter | Qt::TextSingleLine,
               QString::fromStdString(PageText(IDS_SEARCH_WAITING)));
}

void CLocalSearchDlg::mousePressEvent(QMouseEvent* e)
{
    ClosePickers();
    Dialog::mousePressEvent(e);
}
