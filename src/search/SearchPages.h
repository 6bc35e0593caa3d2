// The search window's own content pages: the calendars, the day timeline,
// the camera selection and the date-time pages. Search and backup twins are
// one class each with a variant flag.
#pragma once

#include "search/BackupFlow.h"
#include "search/SearchCalendar.h"
#include "search/SearchDateTime.h"
#include "search/SearchPage.h"
#include "search/TimelineView.h"
#include "ui/ChannelRows.h"
#include "ui/PickerRequests.h"
#include "ui/SkinButton.h"
#include "ui/SkinCheckBox.h"
#include "ui/SkinLabel.h"

#include <QImage>
#include <array>
#include <functional>

class CSearchCalendarPage : public CSearchPage
{
    Q_OBJECT
public:
    CSearchCalendarPage(CRemoteSearchDlg& host, bool backup);
    void OnInitPage() override;
    void OnListPicked(int itemId, int index) override;
    bool CalendarDay(int& year, int& month, int& day) const override;

    void OnYearClicked();
    void OnMonthClicked(int month0);
    void OnDayClicked(int day0);
    const CSearchCalendarModel& Model() const { return m_model; }

    CCalendarButton m_btnMonth[12];
    CCalendarButton m_btnDay[31];
    CSkinLabel m_lblCaption[9];
    CSkinLabel m_lblYear;

protected:
    // A calendar of another window (the local search over the download
    // folder); `slot` is that window's numbering.
    CSearchCalendarPage(ISearchPageHost& host, int slot);
    void OnCommand(int id, int code) override;
    void paintEvent(QPaintEvent* e) override;
    // Where the years come from: chooses the year and month to show; false
    // when no year holds recordings.
    virtual bool ChooseYear(int pcYear);
    // No year of the list holds recordings.
    virtual void ReportNoData();
    // A click on a marked day (the day is already picked in the model).
    virtual void OpenDay(int day0);
    void Refresh();

    bool m_bBackup;
    CSearchCalendarModel m_model;
    QImage m_bmpBackground;
};

class CSearchTimelinePage : public CSearchPage
{
    Q_OBJECT
public:
    CSearchTimelinePage(CRemoteSearchDlg& host, int year, int month, int day);
    void OnInitPage() override;
    void OnTimePicked(int itemId, int hour, int minute, int second) override;

    virtual void OnPlay();
    virtual void OnPrev();
    void OnTimeLabelClick();
    CTimelineView& View() { return m_view; }
    const TimelineDay& Day() const { return m_day; }
    // The bars as the page draws them now.
    virtual std::vector<TimelineBar> Bars() const;

    CSkinTextButton m_btnPlay, m_btnPrev;
    CSkinLabel m_lblDate, m_lblTime;
    // 790 and 791 name the two rows above the timeline, 792 heads the
    // camera column.
    CSkinLabel m_lblCaption[3];
    CSkinLabel m_lblTicks[4];
    CSkinLabel m_lblRows[16];
    CSkinLabel m_lblSwatch[6];
    CSkinLabel m_lblLegend[6];

protected:
    void OnCommand(int id, int code) override;
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

    // The backup timeline: the same day view in its own slot.
    CSearchTimelinePage(CRemoteSearchDlg& host, SearchSlot slot, int year, int month, int day);
    // A day timeline of another window (the local search); `slot` is that
    // window's numbering.
    CSearchTimelinePage(ISearchPageHost& host, int slot, int year, int month, int day);
    // The time (recorder seconds) to show as picked when the page opens, if
    // any: the playback this page started last.
    virtual bool RestoredTime(std::int64_t& time) const;
    // Play is offered when the page opens.
    virtual bool PlayEnabled() const;
    // A click (button up where it went down) at pixel x of the timeline.
    virtual void OnTimelineClick(int x);
    void ShowPicked();
    void ShowTicks();

    TimelineDay m_day;
    CTimelineView m_view;
    int m_nDragStart = -1;
    int m_nDragRectLeft = -1, m_nDragRectRight = -1;
    QImage m_bmpBackground, m_bmpGrid;
    std::array<QImage, 6> m_bmpBars;
};

class CSearchChannelPage : public CSearchPage
{
    Q_OBJECT
public:
    CSearchChannelPage(CRemoteSearchDlg& host, bool backup);
    void OnInitPage() override;
    void OnOnOff(int row, bool on);
    const ChannelRows& Rows() const { return m_rows; }

    CSkinCheckBox* m_chkRow[16] = {};
    CSkinLabel m_lblRow[16];
    CSkinTextButton m_btnOn[16], m_btnOff[16];
    CSkinTextButton m_btnCheckAll, m_btnClearAll;

protected:
    void OnCommand(int id, int code) override;
    void paintEvent(QPaintEvent* e) override;

private:
    void ShowStates();

    ChannelRows m_rows;
    QImage m_bmpBackground;
};

// A picker's anchor: the widget's rectangle on the screen.
PickerRect ScreenRect(const QWidget& w);
// Opens the list of a date cell (year, month or day) of a date-time page at
// the cell, as the cell's click asked.
void OpenDateCellList(CSearchPage& page, ISearchPageHost& host, int itemId, const CSkinLabel& cell,
                      const CSearchDateTimeModel::ListSpec& list);

class CSearchDateTimePage;

// What Calculate (480), Backup (482) and the size answer of the backup
// date-time page do: the backup flow attaches them; unattached, they do
// nothing.
struct BackupDateTimeFlow
{
    std::function<void(CSearchDateTimePage& page)> calculate;
    std::function<void(CSearchDateTimePage& page)> start;
    std::function<void(CSearchDateTimePage& page, std::uint32_t kb)> size;
};
void AttachBackupDateTimeFlow(BackupDateTimeFlow flow);

class CSearchDateTimePage : public CSearchPage
{
    Q_OBJECT
public:
    CSearchDateTimePage(CRemoteSearchDlg& host, bool backup);
    void OnInitPage() override;
    void OnListPicked(int itemId, int index) override;
    void OnTimePicked(int itemId, int hour, int minute, int second) override;
    void OnBackupSizeAnswer(std::uint32_t kb) override;
    bool IsBackup() const { return m_bBackup; }

    void OnDateCellClicked(int itemId);
    void OnTimeCellClicked(int itemId);
    virtual void OnPlay();
    CSearchDateTimeModel& Model() { return m_model; }
    // The label of an item id.
    CSkinLabel* CellOf(int itemId);

    CSkinTextButton m_btnPlay, m_btnCalculate;
    CSkinLabel m_lblCell[14];
    CSkinLabel m_lblSize;
    // The size members of a backup page (the backup flow fills them).
    BackupPageState m_backup;

protected:
    // The search page of another window (the local search): the two-row
    // layout; `slot` is that window's numbering.
    CSearchDateTimePage(ISearchPageHost& host, int slot);
    void OnCommand(int id, int code) override;
    void paintEvent(QPaintEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    // The end row is shown (the remote page asks the recorder's version).
    virtual bool WithEndRow() const;
    // Play is offered when the page is built.
    virtual bool PlayEnabled() const;
    // The cells ignore clicks while the window waits for an answer.
    virtual bool CellsWait() const;

private:
    void ShowTexts();
    void AfterPick();

    bool m_bBackup;
    CSearchDateTimeModel m_model;
    QImage m_bmpBackground;
};
