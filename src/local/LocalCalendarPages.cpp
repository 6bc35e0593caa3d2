#include "local/LocalCalendarPages.h"

#include "local/LocalLists.h"
#include "local/LocalTimeline.h"
#include "net/TimeUtil.h"

// ===========================================================================
// Calendar

CLocalCalendarPage::CLocalCalendarPage(CLocalSearchDlg& host)
    : CSearchCalendarPage(host, static_cast<int>(LocalSlot::Calendar)), m_host(host)
{
}

bool CLocalCalendarPage::ScanYear(int year, std::array<std::uint8_t, 372>& days)
{
    // Nothing is kept between years: every year tried reads the folder again.
    const LocalScanResult scan = ScanRecordedDays(m_host.DownloadFolder(), year, m_YearMap);
    m_host.ReportSkipped(scan);
    if (m_YearMap.year == 0)
        return false;
    for (std::size_t m = 0; m < 12; ++m)
        for (std::size_t d = 0; d < 31; ++d)
            days[m * 31 + d] = m_YearMap.day_flags[m][d];
    return true;
}

bool CLocalCalendarPage::ChooseYear(int pcYear)
{
    // Kinds 6 and 7 make a month choosable but mark no day.
    return m_model.Init(
        [this](int year, std::array<std::uint8_t, 372>& days) { return ScanYear(year, days); }, pcYear, 0x3F);
}

void CLocalCalendarPage::ReportNoData()
{
    if (ILocalHost* main = m_host.Main())
        main->PostNotifyEvent(ILocalHost::kNotifyNoLocalData, 0);
}

void CLocalCalendarPage::OpenDay(int day0)
{
    const int year = m_model.Year(), month = m_model.Month();
    std::unique_ptr<LocalDayInterval> list = TakeDayIntervals(m_YearMap, month, day0);
    // The timeline's opening closes this page.
    m_host.ShowTimelinePage(year, month, day0, std::move(list));
}

// ===========================================================================
// Day timeline

CLocalTimelinePage::CLocalTimelinePage(CLocalSearchDlg& host, int year, int month, int day,
                                       std::unique_ptr<LocalDayInterval> list)
    : CSearchTimelinePage(host, static_cast<int>(LocalSlot::Timeline), year, month, day), m_host(host),
      m_pIntervals(std::move(list))
{
}

bool CLocalTimelinePage::RestoredTime(std::int64_t& time) const
{
    ILocalHost* main = m_host.Main();
    const LastLocalSearch* last = main ? main->LastSearch() : nullptr;
    if (!last || last->bValid != 1)
        return false;
    time = last->nTime;
    return true;
}

bool CLocalTimelinePage::PlayEnabled() const
{
    const ILocalHost* main = m_host.Main();
    return !main || !main->RemotePlayback().Busy();
}

std::vector<TimelineBar> CLocalTimelinePage::Bars() const
{
    return LocalTimelineBars(m_view, m_pIntervals.get(), m_day);
}

void CLocalTimelinePage::OnPlay()
{
    // An open time pop-up hands its time over first.
    m_host.ClosePickers();
    ILocalHost* main = m_host.Main();
    if (main && main->RemotePlayback().Runs())
        return;
    const int s = m_view.Picked();
    const Usertime u{m_day.year, m_day.month, m_day.day, s / 3600, (s % 3600) / 60, s % 60};
    const int t = static_cast<int>(UsertimeToTime_t(u));
    bool play = true;
    if (main) {
        const Playlist* running = main->RunningPlaylist();
        if (running && !running->empty()) {
            // A running playback whose list holds nothing after t goes on.
            play = LocalPlayStartsNew(true, running, t);
            if (play)
                main->CloseLocalPlayer();
        }
        main->ClearLastLocalSearch();
        if (LastLocalSearch* last = main->LastSearch()) {
            last->bValid = 1;
            last->nPage = 2;
            last->nTime = t;
            for (const LocalDayInterval* n = m_pIntervals.get(); n; n = n->next.get()) {
                auto copy = std::make_unique<LocalDayInterval>();
                copy->channel_mask = n->channel_mask;
                copy->kind = n->kind;
                copy->start_time = n->start_time;
                copy->end_time = n->end_time;
                last->Append(std::move(copy));
            }
        }
    }
    if (play)
        m_host.PostPlayAndClose(0, t, 0);
    else
        PostMessage(m_host.Handle(), WM_CLOSE, 0, 0);
}

void CLocalTimelinePage::OnPrev()
{
    m_host.ClosePickers();
    m_host.ShowCalendarPage();
}

void RegisterLocalCalendarPages()
{
    RegisterLocalPage(LocalSlot::Calendar, [](CLocalSearchDlg& host, LocalPageArgs&) -> CSearchPage* {
        return new CLocalCalendarPage(host);
    });
    RegisterLocalPage(LocalSlot::Timeline, [](CLocalSearchDlg& host, LocalPageArgs& args) -> CSearchPage* {
        return new CLocalTimelinePage(host, args.year, args.month, args.day, std::move(args.list));
    });
}
