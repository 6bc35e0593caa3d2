// Registration of the event and backup pages, and the backup flow of the
// backup date-time page.
#include "search/BackupFlow.h"
#include "search/BackupTimeline.h"
#include "search/EventPages.h"
#include "search/RemoteSearchDlg.h"
#include "search/SearchPages.h"

namespace {

BackupRange DateTimeRange(CSearchDateTimePage& page)
{
    BackupRange r;
    r.start = static_cast<std::uint32_t>(page.Model().RowSeconds(0));
    r.end = static_cast<std::uint32_t>(page.Model().RowSeconds(1));
    return r;
}

BackupPageState& DateTimeState(CSearchDateTimePage& page)
{
    BackupPageState& s = page.m_backup;
    s.calculate = &page.m_btnCalculate;
    s.backup = &page.m_btnPlay;
    s.size = &page.m_lblSize;
    return s;
}

} // namespace

void AttachDefaultBackupDateTimeFlow()
{
    BackupDateTimeFlow flow;
    flow.calculate = [](CSearchDateTimePage& page) {
        CBackupFlow::Calculate(page.Host(), kBackupDateTimeTraits, DateTimeState(page),
                               [&page] { return DateTimeRange(page); });
    };
    flow.start = [](CSearchDateTimePage& page) {
        CBackupFlow::Start(page.Host(), kBackupDateTimeTraits, DateTimeState(page),
                           [&page] { return DateTimeRange(page); });
    };
    flow.size = [](CSearchDateTimePage& page, std::uint32_t kb) {
        CBackupFlow::SizeAnswer(page.Host(), DateTimeState(page), kb,
                                [&page] { return DateTimeRange(page); });
    };
    AttachBackupDateTimeFlow(std::move(flow));
}

void RegisterBackupPages()
{
    AttachDefaultBackupDateTimeFlow();
    RegisterSearchPage(SearchSlot::EventTimeRange,
                       [](CRemoteSearchDlg& h, const SearchPageArgs&) { return new CEventTimeRangePage(h); });
    RegisterSearchPage(SearchSlot::SearchEvent, [](CRemoteSearchDlg& h, const SearchPageArgs&) {
        return new CSearchEventPage(h, false);
    });
    RegisterSearchPage(SearchSlot::BackupTimeline, [](CRemoteSearchDlg& h, const SearchPageArgs& a) {
        return new CBackupTimelinePage(h, a.values[0], a.values[1], a.values[2]);
    });
    RegisterSearchPage(SearchSlot::BackupEvent, [](CRemoteSearchDlg& h, const SearchPageArgs&) {
        return new CSearchEventPage(h, true);
    });
}
