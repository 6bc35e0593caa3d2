// The local search window over the download folder and the client's own
// connection log. It runs modally from the main window: three tabs (Search,
// Log, Info), a button column per tab at the left, one content page at a time
// to the right and the list and time pop-ups over the pages. Nothing is ever
// requested or awaited: every page reads the folder or the log itself.
#pragma once

#include "local/LocalFileSet.h"
#include "local/LocalHost.h"
#include "net/ConnectLog.h"
#include "platform/Wnd.h"
#include "search/SearchPage.h"
#include "search/SearchPopups.h"
#include "ui/PickerRequests.h"
#include "ui/SkinButton.h"

#include <QImage>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CListPickerPopup;
class CLocalMenuPage;
class CLocalSearchDlg;
class CSkinListCtrl;
class CSliderPickerPopup;

// A page's play request to the window: wParam the start time, lParam the end
// time (a range when m_nSearchMode is 1).
constexpr UINT WM_LOCAL_PLAY = WM_USER + 20008;

// The pop-ups are the remote search window's, owned by this window.
using CLocalSearchListPickerPopup = CSearchListPickerPopup;
using CLocalSearchTimePickerPopup = CSearchTimePickerPopup;

// Content page slots, in the order ShowOnlyPage visits them.
enum class LocalSlot
{
    DateTime,
    Event,
    Calendar,
    Timeline,
    FileList,
    Log,
    Info,
    Count,
};
inline constexpr std::size_t kLocalSlotCount = static_cast<std::size_t>(LocalSlot::Count);

// What an opener hands its page: the timeline's day and its intervals.
struct LocalPageArgs
{
    int year = 0, month = 0, day = 0;
    std::unique_ptr<LocalDayInterval> list;
};

using LocalPageFactory = std::function<CSearchPage*(CLocalSearchDlg& host, LocalPageArgs& args)>;
// Installs the page class of a slot (the last registration wins).
void RegisterLocalPage(LocalSlot slot, LocalPageFactory factory);
// Registers every local page class (idempotent).
void RegisterLocalPages();
// Each page file registers its own classes through one of these.
void RegisterLocalCalendarPages();
void RegisterLocalListPages();
void RegisterLocalDateTimePage();
void RegisterLocalLogPages();

// The three tabs.
enum class LocalTab
{
    None,
    Search,
    Log,
    Info,
};

class CLocalSearchDlg : public Dialog, public IPickerHost, public ISearchPageHost, public SearchListRoutines
{
    Q_OBJECT
public:
    CLocalSearchDlg(ILocalHost* pMainDlg, BYTE nOpacity);
    ~CLocalSearchDlg() override;

    bool OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool DestroyWindow() override;

    ILocalHost* Main() const { return m_pMainDlg; }
    // The download folder for this run.
    std::string DownloadFolder() const;
    // A downloaded set left out by a scan: the operator is told once per window.
    void ReportSkipped(const LocalScanResult& scan);
    void ReportSkipped(const std::string& firstSkipped);

    // A play request (WM_LOCAL_PLAY): scans the folder, builds the playlist
    // from m_nSearchMode, `start` and `end` and starts the player. False when
    // nothing is left to play (the no-data notice).
    bool OnLocalPlay(int start, int end);
    // What a page does on Play: the request is posted, then the window's
    // close, so the play is handled first.
    void PostPlayAndClose(int mode, int start, int end);

    // ---- Tabs and menus --------------------------------------------------------
    void ShowSearchMenu();
    void ShowLogMenu();
    void ShowInfoMenu();
    LocalTab OpenTab() const { return m_openTab; }
    CLocalMenuPage* MenuPage() const { return m_pMenu; }
    void MenuGone(CLocalMenuPage* menu);

    // ---- Content pages -----------------------------------------------------------
    void ShowDateTimePage() { ShowPage(LocalSlot::DateTime); }
    void ShowEventPage() { ShowPage(LocalSlot::Event); }
    void ShowCalendarPage() { ShowPage(LocalSlot::Calendar); }
    // The timeline of a day (month 0-11, day 0-30); the page takes the list over.
    void ShowTimelinePage(int year, int month, int day, std::unique_ptr<LocalDayInterval> list);
    void ShowFileListPage() { ShowPage(LocalSlot::FileList); }
    void ShowLogPage() { ShowPage(LocalSlot::Log); }
    void ShowInfoPage() { ShowPage(LocalSlot::Info); }
    CSearchPage* Page(LocalSlot slot) const;
    // Shows the slot's page (created with `args` when none is open) after
    // closing every other page and the pop-ups; null when no page class is
    // registered for the slot.
    CSearchPage* ShowPage(LocalSlot slot, LocalPageArgs args = LocalPageArgs());
    void ShowOnlyPage(CSearchPage* keep);

    // ---- ISearchPageHost ------------------------------------------------------------
    QWidget* PageParent() override { return this; }
    void OpenListPicker(CSearchPage* owner, int itemId, const ListPickerRequest& request, int firstSelectable,
                        bool fourPerRow) override;
    void OpenTimePicker(CSearchPage* owner, int itemId, const SliderPickerRequest& request) override;
    void ClosePickers() override;
    void PageGone(CSearchPage* page) override;
    std::string PageText(int id) const override;
    int PageDateFormat() const override;
    std::time_t PageNow() const override;

    CListPickerPopup* ListPicker() const { return m_pickers.List(); }
    CSliderPickerPopup* TimePicker() const { return m_pickers.Time(); }
    void OnListPicked(QWidget* owner, int itemId, int index) override;
    void OnSliderPicked(QWidget* owner, int itemId, int h, int m, int s) override;
    void OnPickerGone(Wnd* popup) override;

    // ---- The connection log ------------------------------------------------------------
    // Reads the log file afresh into the buffer (nothing changes when it
    // cannot be opened); the log page parses it into m_arrLogRecord.
    void LoadConnectLog();
    const std::string& LogBuffer() const { return m_pLogBuffer; }
    // The bytes have been parsed: a new view of the log needs a new load.
    void ClearLogBuffer()
    {
        m_pLogBuffer.clear();
        m_nLogLength = 0;
    }
    std::size_t m_nLogLength = 0;
    std::vector<ConnectLogRecord> m_arrLogRecord;
    int m_nLogRecordCount = 0;

    // 0 play from a start time, 1 play a range.
    int m_nSearchMode = 0;
    bool Ended() const { return m_bEnded; }

    CSkinButton m_btnSearch, m_btnLog, m_btnInfo;
    CSkinTextButton m_btnOk, m_btnCancel;
    CSkinButton m_btnClose;

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    void ShowTab(LocalTab tab);
    void End();

    ILocalHost* m_pMainDlg;
    BYTE m_nOpacity;
    std::array<CSearchPage*, kLocalSlotCount> m_pages{};
    CLocalMenuPage* m_pMenu = nullptr;
    LocalTab m_openTab = LocalTab::None;
    CSearchPickerSlots m_pickers;
    std::string m_pLogBuffer;
    QImage m_bmpBackground;
    bool m_bSkipToldOnce = false;
    bool m_bClosing = false;
    bool m_bEnded = false;
};
