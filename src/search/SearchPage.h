// The page family of the remote search window: the content page base, the
// window's slot table and the registry through which each page class plugs
// in its factory (the log, event, backup-size and information pages live in
// their own files and register themselves the same way).
#pragma once

#include "platform/Wnd.h"

#include <QRect>
#include <array>
#include <functional>
#include <string>
#include <vector>

class CRemoteSearchDlg;

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

// A content page: a child of the window at (197, 83), 403 x 417. It clears
// its slot when it goes; WM_CLOSE destroys it; Enter, Esc and Alt+F4 follow
// the skinned windows' rule; a press or move on its background closes the
// window's pop-ups.
class CSearchPage : public Wnd
{
    Q_OBJECT
public:
    CSearchPage(CRemoteSearchDlg& host, SearchSlot slot);
    ~CSearchPage() override;

    SearchSlot Slot() const { return m_slot; }
    CRemoteSearchDlg& Host() const { return m_host; }

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
    CRemoteSearchDlg& m_host;
    SearchSlot m_slot;
};

using SearchPageFactory = std::function<CSearchPage*(CRemoteSearchDlg& host, const SearchPageArgs& args)>;
// Installs the page class of a slot (the last registration wins).
void RegisterSearchPage(SearchSlot slot, SearchPageFactory factory);
const SearchPageFactory* SearchPageFactoryOf(SearchSlot slot);
// Registers the pages of this folder (idempotent).
void RegisterBuiltinSearchPages();
// The event pages, the backup timeline and the backup flow of the date-time page.
void RegisterBackupPages();
