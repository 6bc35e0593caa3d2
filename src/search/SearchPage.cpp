#include "search/SearchPage.h"

#include "search/RemoteSearchDlg.h"
#include "ui/UiMessages.h"

#include <QMouseEvent>
#include <map>
#include <mutex>

CSearchPage::CSearchPage(CRemoteSearchDlg& host, SearchSlot slot)
    : CSearchPage(static_cast<ISearchPageHost&>(host), static_cast<int>(slot))
{
    m_pRemote = &host;
}

CSearchPage::CSearchPage(ISearchPageHost& host, int slot)
    : Wnd(host.PageParent(), Qt::Widget), m_host(host), m_slot(slot)
{
    setGeometry(197, 83, 403, 417);
    setMouseTracking(true);
}

CRemoteSearchDlg& CSearchPage::Host() const
{
    // A remote-only page built on another window is a programming error.
    Q_ASSERT(m_pRemote);
    return *m_pRemote;
}

CSearchPage::~CSearchPage() = default;

LRESULT CSearchPage::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_CLOSE) {
        DestroyWindow();
        return 0;
    }
    if (msg == WM_COMMAND) {
        OnCommand(CommandId(wParam), CommandCode(wParam));
        return 0;
    }
    return Wnd::WindowProc(msg, wParam, lParam);
}

bool CSearchPage::DestroyWindow()
{
    if (!IsDestroyed())
        m_host.PageGone(this);
    return Wnd::DestroyWindow();
}

void CSearchPage::PostNcDestroy()
{
    deleteLater();
}

void CSearchPage::mousePressEvent(QMouseEvent* e)
{
    m_host.ClosePickers();
    Wnd::mousePressEvent(e);
}

void CSearchPage::mouseMoveEvent(QMouseEvent* e)
{
    if (!(e->buttons() & Qt::LeftButton))
        m_host.ClosePickers();
    Wnd::mouseMoveEvent(e);
}

namespace {

std::mutex& RegistryLock()
{
    static std::mutex lock;
    return lock;
}

std::map<SearchSlot, SearchPageFactory>& Registry()
{
    static std::map<SearchSlot, SearchPageFactory> registry;
    return registry;
}

} // namespace

void RegisterSearchPage(SearchSlot slot, SearchPageFactory factory)
{
    std::lock_guard<std::mutex> lock(RegistryLock());
    Registry()[slot] = std::move(factory);
}

const SearchPageFactory* SearchPageFactoryOf(SearchSlot slot)
{
    std::lock_guard<std::mutex> lock(RegistryLock());
    auto it = Registry().find(slot);
    return it == Registry().end() || !it->second ? nullptr : &it->second;
}
