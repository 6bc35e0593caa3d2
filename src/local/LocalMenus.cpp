#include "local/LocalMenus.h"

#include "net/TimeUtil.h"
#include "platform/ResourceLibrary.h"
#include "search/ResIds.h"
#include "ui/SkinDraw.h"
#include "ui/UiMessages.h"

#include <QPainter>

namespace {

constexpr int kIdDateTime = 450, kIdEvent = 451, kIdCalendar = 452, kIdFileList = 454;
constexpr int kIdsFileList = 6173;
constexpr int kSkinFileList = 2030;
constexpr int kSkinLogButton = 2170, kSkinInfoButton = 2176;

struct MenuButton
{
    int id;
    int caption;
    int skin;
    int top;
};

constexpr MenuButton kSearchButtons[] = {
    {kIdDateTime, IDS_SEARCH_DATE_TIME, 2164, 1},
    {kIdEvent, IDS_SEARCH_EVENT, 2165, 41},
    {kIdCalendar, IDS_SEARCH_CALENDAR, 2166, 81},
    {kIdFileList, kIdsFileList, kSkinFileList, 121},
};

constexpr COLORREF kMenuText[4] = {0xFBF1D8, 0xF1EB62, 0xF1EB62, 0xFBF1D8};

} // namespace

int LocalSearchFirstView(bool readOnlyMedia, const LastLocalSearch* last)
{
    if (readOnlyMedia)
        return kIdCalendar;
    if (!last || !last->bValid)
        return kIdDateTime;
    switch (last->nPage) {
    case 1:
        return kIdEvent;
    case 2:
        return kIdCalendar;
    case 4:
        return kIdFileList;
    default:
        return kIdDateTime;
    }
}

CLocalMenuPage::CLocalMenuPage(CLocalSearchDlg& host, LocalTab tab) : Wnd(&host, Qt::Widget), m_host(host), m_tab(tab)
{
    setGeometry(14, 74, 174, 430);
}

CLocalMenuPage::~CLocalMenuPage() = default;

CSkinTextButton* CLocalMenuPage::Button(int id)
{
    for (CSkinTextButton* b : m_buttons) {
        if (b->GetDlgCtrlID() == id)
            return b;
    }
    return nullptr;
}

void CLocalMenuPage::OnInitPage()
{
    const ResourceLibrary& res = ResourceLibrary::Current();
    m_bmpBackground = res.LoadBitmap(IDB_SEARCH_TAB_PAGE);
    if (m_tab == LocalTab::Search) {
        for (const MenuButton& b : kSearchButtons) {
            auto* button = new CSkinTextButton(this);
            button->SetDlgCtrlID(b.id);
            button->SetBitmap(static_cast<UINT>(b.skin));
            button->SetFont(9, 0, 700, "Arial Bold");
            for (int s = 0; s < 4; ++s)
                button->m_crText[s] = kMenuText[s];
            button->SetText(34, QString::fromStdString(m_host.PageText(b.caption)), false);
            button->setGeometry(2, b.top, 170, 35);
            button->show();
            m_buttons.push_back(button);
        }
        ILocalHost* main = m_host.Main();
        switch (LocalSearchFirstView(main && main->ReadOnlyMedia(), main ? main->LastSearch() : nullptr)) {
        case kIdEvent:
            OnEvent();
            break;
        case kIdCalendar:
            OnCalendar();
            break;
        case kIdFileList:
            OnFileList();
            break;
        default:
            OnDateTime();
            break;
        }
        return;
    }
    // The Log and Info columns have one view each: their button stays hidden.
    m_pSingle = new CSkinButton(this);
    m_pSingle->SetDlgCtrlID(kIdDateTime);
    m_pSingle->SetBitmap(static_cast<UINT>(m_tab == LocalTab::Log ? kSkinLogButton : kSkinInfoButton));
    m_pSingle->setGeometry(2, 1, 130, 35);
    m_pSingle->hide();
    if (m_tab == LocalTab::Log) {
        m_host.LoadConnectLog();
        OnAll();
    } else {
        OnInfo();
    }
}

void CLocalMenuPage::Light(int id)
{
    for (CSkinTextButton* b : m_buttons)
        b->SetState(b->GetDlgCtrlID() == id ? 1 : 0);
}

void CLocalMenuPage::OnDateTime()
{
    Light(kIdDateTime);
    m_host.ShowDateTimePage();
}

void CLocalMenuPage::OnEvent()
{
    Light(kIdEvent);
    ILocalHost* main = m_host.Main();
    const LastLocalSearch* last = main ? main->LastSearch() : nullptr;
    if (last && last->bValid && last->nPage != 1)
        main->ClearLastLocalSearch();
    m_host.ShowEventPage();
}

void CLocalMenuPage::OnCalendar()
{
    Light(kIdCalendar);
    ILocalHost* main = m_host.Main();
    LastLocalSearch* last = main ? main->LastSearch() : nullptr;
    if (!last || !last->bValid) {
        m_host.ShowCalendarPage();
        return;
    }
    if (last->nPage != 2) {
        main->ClearLastLocalSearch();
        m_host.ShowCalendarPage();
        return;
    }
    // The remembered day comes back with its bars, without the calendar.
    if (CSearchPage* timeline = m_host.Page(LocalSlot::Timeline)) {
        m_host.ShowOnlyPage(timeline);
        timeline->show();
        return;
    }
    Usertime u{};
    GetTime_tToUsertime(last->nTime < 0 ? 0 : last->nTime, u);
    std::unique_ptr<LocalDayInterval> head;
    LocalDayInterval* tail = nullptr;
    for (const LocalDayInterval* n = last->pHead.get(); n; n = n->next.get()) {
        auto copy = std::make_unique<LocalDayInterval>();
        copy->channel_mask = n->channel_mask;
        copy->kind = n->kind;
        copy->start_time = n->start_time;
        copy->end_time = n->end_time;
        LocalDayInterval* raw = copy.get();
        if (tail)
            tail->next = std::move(copy);
        else
            head = std::move(copy);
        tail = raw;
    }
    m_host.ShowTimelinePage(u.year, u.month, u.day, std::move(head));
}

void CLocalMenuPage::OnFileList()
{
    Light(kIdFileList);
    ILocalHost* main = m_host.Main();
    const LastLocalSearch* last = main ? main->LastSearch() : nullptr;
    if (last && last->bValid && last->nPage != 4)
        main->ClearLastLocalSearch();
    m_host.ShowFileListPage();
}

void CLocalMenuPage::OnAll()
{
    if (m_pSingle) {
        m_pSingle->SetState(0);
        m_pSingle->SetState(1);
    }
    m_host.ShowLogPage();
}

void CLocalMenuPage::OnInfo()
{
    if (m_pSingle) {
        m_pSingle->SetState(0);
        m_pSingle->SetState(1);
    }
    m_host.ShowInfoPage();
}

LRESULT CLocalMenuPage::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_CLOSE) {
        DestroyWindow();
        return 0;
    }
    if (msg == WM_COMMAND && CommandCode(wParam) == BN_CLICKED) {
        switch (CommandId(wParam)) {
        case kIdDateTime:
            if (m_tab == LocalTab::Search)
                OnDateTime();
            else if (m_tab == LocalTab::Log)
                OnAll();
            else
                OnInfo();
            return 0;
        case kIdEvent:
            OnEvent();
            return 0;
        case kIdCalendar:
            OnCalendar();
            return 0;
        case kIdFileList:
            OnFileList();
            return 0;
        default:
            break;
        }
    }
    return Wnd::WindowProc(msg, wParam, lParam);
}

bool CLocalMenuPage::DestroyWindow()
{
    if (!IsDestroyed())
        m_host.MenuGone(this);
    return Wnd::DestroyWindow();
}

void CLocalMenuPage::PostNcDestroy()
{
    deleteLater();
}

void CLocalMenuPage::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    DrawBitmap(p, m_bmpBackground, 0, 0, 174, 430, false, 0);
}

void CLocalMenuPage::mousePressEvent(QMouseEvent* e)
{
    m_host.ClosePickers();
    Wnd::mousePressEvent(e);
}
