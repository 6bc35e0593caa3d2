// The page family of the remote search window: the content page base, the
// window's slot table and the registry through which each page class plugs
// in its factory (the log, event, backup-size and information pages live in
// their own files and register themselves the same way).
#pragma once

#include "platform/Wnd.h"

#include <QRect>
#include <array>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

class CRemoteSearchDlg;
class CSearchPage;
struct ListPickerRequest;
struct SliderPickerRequest;

// Content page slots, in the order ShowOnlyPage visits them.
enum class SearchSlot
{
    SearchDateTime,
    SearchEvent,
    SearchCalendar,
    SearchTimeline,
    SearchChannel,
    EventTimeRange,
    BackupDateTime,
    BackupEvent,
    BackupChannel,
    BackupCalendar,
    BackupTimeline,
    LogAll,
    LogPower,
    LogRecord,
    LogOperation,
    LogClient,
    LogEvent,
    LogArchive,
    LogDetail,
    LogSchedule,
    LogRegion,
    SystemInfo,
    StatusInfo,
    Count,
};
inline constexpr std::size_t kSearchSlotCount = static_cast<std::size_t>(SearchSlot::Count);

// The values some openers pass to their page (timeline day, log details).
struct SearchPageArgs
{
    std::array<int, 3> values{};
};

// A list pop-up's request: items, the clicked control's screen rectangle, the
// click point in it and the pop-up's width.
struct SearchListRequest
{
    std::vector<std::string> items;
    QRect anchor;
    int clickX = 0, clickY = 0;
    int width = 150;
};
// A time pop-up's request: up to three sliders (hour, minute, second).
struct SearchTimeRequest
{
    int count = 3;
    int hour = 0, minute = 0, second = 0;
    QRect anchor;
    int clickX = 0, clickY = 0;
    int width = 358;
};

class CSkinListCtrl;

// The list routines of the search windows' log and information pages.
struct SearchListRoutines
{
    // Columns 0 - n-1 (n at most 5), left-aligned, no headings, the list's
    // text colour and grid look. Rows fill left to right: column 0 appends a
    // row, a later column sets that cell of the last row. Texts are taken
    // whole, whatever their length.
    static void InitLogListColumns(CSkinListCtrl& list, int nColumns, int w0, int w1, int w2, int w3, int w4);
    static void AddLogListItem(CSkinListCtrl& list, int nColumn, const std::string& text);
    static void InitInfoListColumns(CSkinListCtrl& list, int nColumns, int w0, int w1, int w2, int w3, int w4)
    {
        InitLogListColumns(list, nColumns, w0, w1, w2, w3, w4);
    }
    static void AddInfoListItem(CSkinListCtrl& list, int nColumn, const std::string& text)
    {
        AddLogListItem(list, nColumn, text);
    }
};

// What a content page needs of the window it lives in. The remote search
// window is one; the local search window over the download folder is the
// other, so the calendar, timeline and date-time pages serve both.
class ISearchPageHost
{
public:
    virtual ~ISearchPageHost() = default;

    // The window the pages are children of.
    virtual QWidget* PageParent() = 0;
    // One request outstanding at a time (the local window never waits).
    virtual bool RequestPending() const { return false; }
    virtual void OpenListPicker(CSearchPage* owner, int itemId, const ListPickerRequest& request,
                                int firstSelectable, bool fourPerRow) = 0;
    virtual void OpenTimePicker(CSearchPage* owner, int itemId, const SliderPickerRequest& request) = 0;
    virtual void ClosePickers() = 0;
    // Called by a page as it goes.
    virtual void PageGone(CSearchPage* page) = 0;
    virtual std::string PageText(int id) const = 0;
    // 0 year-month-day, 1 month-day-year, 2 day-month-year.
    virtual int PageDateFormat() const = 0;
    // "Now" for the calendars and date pages.
    virtual std::time_t PageNow() const { return std::time(nullptr); }
};

// A content page: a child of the window at (197, 83), 403 x 417. It clears
// its slot when it goes; WM_CLOSE destroys it; Enter, Esc and Alt+F4 follow
// the skinned windows' rule; a press or move on its background closes the
// window's pop-ups.
class CSearchPage : public Wnd
{
    Q_OBJECT
public:
    CSearchPage(CRemoteSearchDlg& host, SearchSlot slot);
    // A page of another window; `slot` is that window's own numbering.
    CSearchPage(ISearchPageHost& host, int slot);
    ~CSearchPage() override;

    SearchSlot Slot() const { return static_cast<SearchSlot>(m_slot); }
    int SlotIndex() const { return m_slot; }
    // The remote search window; only its own pages call this.
    CRemoteSearchDlg& Host() const;
    ISearchPageHost& PageHost() const { return m_host; }

    // Builds the controls once, before the first show.
    virtual void OnInitPage() {}
    // Pop-up results routed by the window.
    virtual void OnListPicked(int itemId, int index) { (void)itemId, (void)index; }
    virtual void OnTimePicked(int itemId, int hour, int minute, int second)
    {
        (void)itemId, (void)hour, (void)minute, (void)second;
    }
    // A calendar: the year, month 0-11 and day 0-30 of its last day request.
    virtual bool CalendarDay(int& year, int& month, int& day) const
    {
        (void)year, (void)month, (void)day;
        return false;
    }
    // A backup range's size (the backup pages).
    virtual void OnBackupSizeAnswer(std::uint32_t kb) { (void)kb; }

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // Empties the page's slot at once; the page deletes itself afterwards.
    bool DestroyWindow() override;
    void PostNcDestroy() override;

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    // WM_COMMAND from a control: id and notification code.
    virtual void OnCommand(int id, int code) { (void)id, (void)code; }

private:
    ISearchPageHost& m_host;
    CRemoteSearchDlg* m_pRemote = nullptr;
    int m_slot;
};

using SearchPageFactory = std::function<CSearchPage*(CRemoteSearchDlg& host, const SearchPageArgs& args)>;
// Installs the page class of a slot (the last registration wins).
void RegisterSearchPage(SearchSlot slot, SearchPageFactory factory);
const SearchPageFactory* SearchPageFactoryOf(SearchSlot slot);
// Registers the pages of this folder (idempotent).
void RegisterBuiltinSearchPages();
// The event pages, the backup timeline and the backup flow of the date-time page.
void RegisterBackupPages();
