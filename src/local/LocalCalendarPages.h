// The local search window's calendar and day timeline: the search window's
// own pages fed from the index files of the download folder instead of a
// recorder's answers.
#pragma once

#include "local/LocalCalendar.h"
#include "local/LocalSearchDlg.h"
#include "search/SearchPages.h"

#include <memory>

class CLocalCalendarPage : public CSearchCalendarPage
{
    Q_OBJECT
public:
    explicit CLocalCalendarPage(CLocalSearchDlg& host);

    // The map of the year shown (or last tried).
    const LocalYearMap& YearMap() const { return m_YearMap; }

protected:
    bool ChooseYear(int pcYear) override;
    void ReportNoData() override;
    void OpenDay(int day0) override;

private:
    // Reads the download folder afresh for `year`.
    bool ScanYear(int year, std::array<std::uint8_t, 372>& days);

    CLocalSearchDlg& m_host;
    LocalYearMap m_YearMap;
};

class CLocalTimelinePage : public CSearchTimelinePage
{
    Q_OBJECT
public:
    // The page takes the day's list over.
    CLocalTimelinePage(CLocalSearchDlg& host, int year, int month, int day,
                       std::unique_ptr<LocalDayInterval> list);

    void OnPlay() override;
    void OnPrev() override;
    std::vector<TimelineBar> Bars() const override;
    const LocalDayInterval* Intervals() const { return m_pIntervals.get(); }

protected:
    bool RestoredTime(std::int64_t& time) const override;
    bool PlayEnabled() const override;

private:
    CLocalSearchDlg& m_host;
    std::unique_ptr<LocalDayInterval> m_pIntervals;
};
