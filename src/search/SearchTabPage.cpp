#include "search/SearchTabPage.h"

#include "net/NetClient.h"
#include "net/TimeUtil.h"
#include "platform/ResourceLibrary.h"
#include "search/RemoteSearchDlg.h"
#include "search/ResIds.h"
#include "ui/SkinDraw.h"
#include "ui/UiMessages.h"

#include <QPainter>
#include <QPointer>

namespace {

struct TabButton
{
    int id;
    int caption;
    int skin;
    int top;
};

std::vector<TabButton> ButtonsOf(SearchTab tab)
{
    switch (tab) {
    case SearchTab::Search:
    case SearchTab::Backup:
        return {{450, IDS_SEARCH_DATE_TIME, 2164, 1},
                {451, IDS_SEARCH_EVENT, 2165, 41},
                {452, IDS_SEARCH_CALENDAR, 2166, 81},
                {453, IDS_SEARCH_SELECT_CHANNEL, 2167, 395}};
    case SearchTab::Log:
        return {{450, IDS_LOG_ALL, 2170, 1},      {451, IDS_LOG_POWER, 2171, 41},
                {452, IDS_LOG_RECORD, 2172, 81},  {453, IDS_LOG_OPERATION, 2173, 121},
                {454, IDS_LOG_CLIENT, 2174, 161}, {455, IDS_SEARCH_EVENT, 2175, 201},
                {456, IDS_LOG_ARCHIVE, 2176, 241}};
    case SearchTab::Info:
        return {{450, IDS_INFO_SYSTEM, 2176, 1}, {451, IDS_INFO_STATUS, 2177, 41}};
    default:
        return {};
    }
}

constexpr COLORREF kTabText[4] = {0xFBF1D8, 0xF1EB62, 0xF1EB62, 0xFBF1D8};

} // namespace

CSearchTabPage::CSearchTabPage(CRemoteSearchDlg& host, SearchTab tab)
    : Wnd(&host, Qt::Widget), m_host(host), m_tab(tab)
{
    setGeometry(14, 74, 174, 430);
}

CSearchTabPage::~CSearchTabPage() = default;

CSkinTextButton* CSearchTabPage::Button(int k)
{
    return k >= 0 && k < ButtonCount() ? m_buttons[static_cast<std::size_t>(k)] : nullptr;
}

void CSearchTabPage::OnInitPage()
{
    Layout();
    OpenFirstView();
}

void CSearchTabPage::Layout()
{
    if (!m_buttons.empty())
        return;
    const ResourceLibrary& res = ResourceLibrary::Current();
    m_bmpBackground = res.LoadBitmap(IDB_SEARCH_TAB_PAGE);
    for (const TabButton& b : ButtonsOf(m_tab)) {
        auto* button = new CSkinTextButton(this);
        button->SetDlgCtrlID(b.id);
        button->SetBitmap(static_cast<UINT>(b.skin));
        button->SetFont(9, 0, 700, "Arial Bold");
        for (int s = 0; s < 4; ++s)
            button->m_crText[s] = kTabText[s];
        button->SetText(34, QString::fromStdString(m_host.Main().LoadResString(b.caption)), false);
        button->setGeometry(2, b.top, 170, 35);
        m_buttons.push_back(button);
    }
    std::shared_ptr<CNetClient> client = m_host.Client();
    if (m_tab == SearchTab::Log && Button(6))
        Button(6)->setVisible(client && client->m_bArchiveSupport);
}

void CSearchTabPage::OpenFirstView()
{
    std::shared_ptr<CNetClient> client = m_host.Client();
    if (!client)
        return;
    CSearchKeep& keep = client->SearchKeep();
    const PlayHandOver handOver = keep.HandOver();
    bool forget = false;
    switch (m_tab) {
    case SearchTab::Search: {
        const SearchView view = SearchTabFirstView(handOver, forget);
        if (forget)
            keep.ClearHandOverAndKept();
        OnButton(view == SearchView::Event ? 1 : (view == SearchView::Timeline ? 2 : 0));
        break;
    }
    case SearchTab::Backup:
        keep.ClearHandOver();
        OnButton(0);
        break;
    case SearchTab::Log: {
        const int view = LogTabFirstView(handOver, forget);
        if (forget) {
            keep.ClearHandOver();
            keep.ClearKeptLog();
        }
        OnButton(view == 1 ? 5 : 0);
        break;
    }
    case SearchTab::Info:
        keep.ClearHandOver();
        OnButton(0);
        break;
    default:
        break;
    }
}

void CSearchTabPage::Select(int k)
{
    for (int i = 0; i < ButtonCount(); ++i)
        m_buttons[static_cast<std::size_t>(i)]->SetState(i == k ? 1 : 0);
}

void CSearchTabPage::OnButton(int k)
{
    const bool waits =
        m_tab == SearchTab::Search || m_tab == SearchTab::Backup || (m_tab == SearchTab::Log && k == 0);
    if (waits && m_host.RequestPending())
        return;
    std::shared_ptr<CNetClient> client = m_host.Client();
    const PlayHandOver handOver = client ? client->SearchKeep().HandOver() : PlayHandOver();
    if (m_tab == SearchTab::Log && k == 6) {
        OnArchive();
        return;
    }
    Select(k);
    switch (m_tab) {
    case SearchTab::Search:
    case SearchTab::Backup: {
        const bool search = m_tab == SearchTab::Search;
        if (k == 0) {
            m_host.ShowPage(search ? SearchSlot::SearchDateTime : SearchSlot::BackupDateTime);
        } else if (k == 3) {
            m_host.ShowPage(search ? SearchSlot::SearchChannel : SearchSlot::BackupChannel);
        } else {
            m_host.SetPending(PendingKind::Button);
            if (!client) {
                // Nothing can answer: the window must not wait for ever.
                m_host.ClearPending();
                return;
            }
            const bool events = k == 1;
            if (search && handOver.active) {
                const bool same = handOver.fromLog == 0 && handOver.view == (events ? 1 : 2);
                if (same) {
                    CSearchKeep& keep = client->SearchKeep();
                    m_host.SetDayRecords(keep.KeptDay());
                    if (!events)
                        m_host.SetYearRecords(keep.KeptMonth());
                    const SearchSlot slot = events ? SearchSlot::SearchEvent : SearchSlot::SearchTimeline;
                    m_host.ShowOnlyPage(m_host.Page(slot));
                    m_host.ClearPending();
                    if (events) {
                        m_host.ShowPage(slot);
                    } else {
                        Usertime u{};
                        const std::int64_t start = static_cast<std::int32_t>(handOver.startTime);
                        GetTime_tToUsertime(start < 0 ? 0 : start, u);
                        m_host.ShowSearchTimelinePage(u.year, u.month, u.day);
                    }
                    return;
                }
                client->SearchKeep().ClearHandOverAndKept();
            }
            if (events)
                search ? m_host.RequestSearchEvents() : m_host.RequestBackupEvents();
            else
                search ? m_host.RequestPlayInfoMonth() : m_host.RequestTransInfoMonth();
        }
        break;
    }
    case SearchTab::Log: {
        static constexpr SearchSlot kSlots[] = {SearchSlot::LogAll,    SearchSlot::LogPower,
                                                SearchSlot::LogRecord, SearchSlot::LogOperation,
                                                SearchSlot::LogClient, SearchSlot::LogEvent};
        if (k == 0) {
            m_host.SetPending(PendingKind::Button);
            if (!client) {
                m_host.ClearPending();
                return;
            }
            if (!handOver.active) {
                m_host.RequestLogInfo();
                return;
            }
            m_host.ClearPending();
            m_host.ShowLogPage(SearchSlot::LogAll, 0);
        } else if (k == 5) {
            if (!client)
                return;
            if (handOver.active)
                m_host.ClearPending();
            m_host.ShowLogPage(SearchSlot::LogEvent, 5);
        } else if (k >= 1 && k <= 4) {
            m_host.ShowLogPage(kSlots[k], k);
        }
        break;
    }
    case SearchTab::Info:
        if (k == 0)
            m_host.ShowPage(SearchSlot::SystemInfo);
        else
            m_host.RequestStatusInfo();
        break;
    default:
        break;
    }
}

void CSearchTabPage::OnArchive()
{
    std::shared_ptr<CNetClient> client = m_host.Client();
    ArchiveGateInput in;
    in.connected = client != nullptr;
    in.userIndex = client ? client->UserIndex() : 0;
    if (ArchiveGateNeedsPrompt(in.connected, in.userIndex)) {
        client.reset(); // the prompt may outlive the connection
        QPointer<CSearchTabPage> self(this);
        std::shared_ptr<CSearchFrameLink> link = m_host.Link();
        std::string typed;
        const bool ok =
            m_host.Main().PromptArchivePassword(typed, [link](WndHandle h) { link->SetArchivePrompt(h); });
        link->SetArchivePrompt(WndHandle());
        // The prompt ran a nested loop: the page, the window or the
        // connection may have gone meanwhile.
        if (!self)
            return;
        client = m_host.Client();
        in.connected = client != nullptr;
        in.promptOk = ok;
        in.typed = typed;
        if (client) {
            in.userIndex = client->UserIndex();
            in.loggedIn = client->m_bLogin;
            in.searchRight = client->HasRight(RIGHT_SEARCH);
            const std::string pass = client->ArchivePassword();
            std::snprintf(in.archivePass.data(), in.archivePass.size(), "%s", pass.c_str());
        }
    }
    if (client && !client->HasRight(RIGHT_SEARCH) && !client->HasRight(RIGHT_BACKUP)) {
        PostMessage(m_host.Handle(), WM_CLOSE, 0, 0);
        return;
    }
    if (!ArchiveGateOpen(in))
        return;
    Select(6);
    m_host.ShowLogPage(SearchSlot::LogArchive, 6);
}

LRESULT CSearchTabPage::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_CLOSE) {
        DestroyWindow();
        return 0;
    }
    if (msg == WM_COMMAND && CommandCode(wParam) == BN_CLICKED) {
        const int k = CommandId(wParam) - 450;
        if (k >= 0 && k < ButtonCount()) {
            OnButton(k);
            return 0;
        }
    }
    return Wnd::WindowProc(msg, wParam, lParam);
}

bool CSearchTabPage::DestroyWindow()
{
    if (!IsDestroyed())
        m_host.TabPageGone(this);
    return Wnd::DestroyWindow();
}

void CSearchTabPage::PostNcDestroy()
{
    deleteLater();
}

void CSearchTabPage::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    DrawBitmap(p, m_bmpBackground, 0, 0, 174, 430, false, 0);
}

void CSearchTabPage::mousePressEvent(QMouseEvent* e)
{
    m_host.ClosePickers();
    Wnd::mousePressEvent(e);
}
