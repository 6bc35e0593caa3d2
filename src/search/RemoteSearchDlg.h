// The remote search window: four tabs (Search, Backup, Log, Info), one
// content page at a time, the list and time pop-ups, one request outstanding
// at a time, the answers of the recorder taken over on the GUI thread, and
// the playback hand-over that the next window restores.
#pragma once

#include "net/NetHost.h"
#include "net/SearchAnswers.h"
#include "net/SearchKeep.h"
#include "search/RemoteLog.h"
#include "search/SearchHost.h"
#include "search/SearchPage.h"
#include "search/SearchPopups.h"
#include "search/SearchRequests.h"
#include "search/SearchRules.h"
#include "ui/PickerRequests.h"
#include "ui/SkinButton.h"

#include <QImage>
#include <QPointer>
#include <array>
#include <memory>
#include <mutex>

class CListPickerPopup;
class CSkinListCtrl;
class CSliderPickerPopup;
class CSearchTabPage;

// Messages of the window's own (posted by its link from the receive thread).
constexpr UINT WM_SEARCH_CLEAR_PENDING = WM_USER + 20060;
constexpr UINT WM_SEARCH_CLEAR_DAYS = WM_USER + 20061;
constexpr UINT WM_SEARCH_BACKUP_SIZE = WM_USER + 20062;

// The window's side of the connection's slot 19: any thread hands answers
// over here; the window takes them on the GUI thread.
class CSearchFrameLink : public SearchFrameLink
{
public:
    explicit CSearchFrameLink(WndHandle frame) : m_frame(frame) {}
    WndHandle Frame() const override { return m_frame; }
    WndHandle ArchivePasswordPrompt() const override { return m_archivePrompt.load(); }
    void ClearRequestPending() override;
    void ClearDayRecords() override;
    void DeliverAnswer(std::unique_ptr<SearchAnswer> answer) override;
    void DeliverBackupSize(uint32_t kb) override;

    void SetArchivePrompt(WndHandle prompt) { m_archivePrompt = prompt; }
    int SpaceLeftMB() const override { return m_spaceLeftMB.load(); }
    void SetSpaceLeftMB(int mb) { m_spaceLeftMB = mb; }
    std::unique_ptr<SearchAnswer> Take(SearchAnswerKind kind);
    bool TakeBackupSize(std::uint32_t& kb);

private:
    const WndHandle m_frame;
    std::atomic<WndHandle> m_archivePrompt{WndHandle()};
    std::mutex m_lock;
    std::array<std::unique_ptr<SearchAnswer>, kSearchAnswerKinds> m_answers;
    std::atomic<int> m_spaceLeftMB{0};
    bool m_hasSize = false;
    std::uint32_t m_sizeKB = 0;
};

class CRemoteSearchDlg : public Dialog, public IPickerHost, public ISearchPageHost, public SearchListRoutines
{
    Q_OBJECT
public:
    CRemoteSearchDlg(ISearchMainWindow& main, QWidget* parent = nullptr);
    ~CRemoteSearchDlg() override;

    bool OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool DestroyWindow() override;

    std::shared_ptr<CSearchFrameLink> Link() const { return m_link; }
    ISearchMainWindow& Main() const { return m_main; }
    std::shared_ptr<CNetClient> Client() const;
    CSearchRequests& Requests() { return m_requests; }

    // ---- The one-request rule ----------------------------------------------
    bool RequestPending() const override { return m_pending.IsSet(); }
    void SetPending(PendingKind kind)
    {
        m_pending.Set(kind);
        update();
    }
    void ClearPending()
    {
        m_pending.Clear();
        update();
    }
    PendingKind Pending() const { return m_pending.Kind(); }

    // ---- What the pages read ------------------------------------------------
    std::uint32_t m_nChannelMask = 0xFFFF;
    const std::vector<YearRecord>& YearRecords() const { return m_years; }
    const std::vector<DayIntervalRecord>& DayRecords() const { return m_days; }
    void SetYearRecords(std::vector<YearRecord> records) { m_years = std::move(records); }
    void SetDayRecords(std::vector<DayIntervalRecord> records) { m_days = std::move(records); }
    // The last log and status answers (the log and information pages take them).
    const SearchAnswer* LogAnswer() const { return m_log.get(); }
    const SearchAnswer* StatusAnswer() const { return m_status.get(); }
    int m_nLogSelected = -1;
    // The log records every log page and viewer reads, by index.
    std::vector<RemoteLogRecord> m_arrLogRecord;
    int m_nLogFilter = -1;
    int m_nSpaceLeftMB = 0;
    // A refused backup size: what would remain on the drive (the main
    // window's disk-space message reads it through the link).
    void SetSpaceLeftMB(int mb)
    {
        m_nSpaceLeftMB = mb;
        m_link->SetSpaceLeftMB(mb);
    }
    // Posts WM_CLOSE to the window now (0) or after `ms` milliseconds.
    void CloseAfter(int ms);
    PlayHandOver HandOver() const;
    // The recorder answers events of a chosen period (above version 1.4).
    bool EventRangesKnown() const { return NewerThan14(); }

    // Every Play of the window's pages ends here: PLAY_ON_REQ for `mask`,
    // `kinds`, `start`, `end`, the hand-over block (with the lists kept when
    // `keepLists`), the playback request flagged, the strip redrawn and the
    // window closed after a short pause.
    void PlayAndHandOver(const PlayHandOver& block, std::uint8_t kinds, std::uint32_t end, bool keepLists);
    // The same with a request for `requestMask` while the note keeps the
    // block's own mask (a log entry's cameras).
    void PlayAndHandOver(const PlayHandOver& block, std::uint8_t kinds, std::uint32_t end, bool keepLists,
                         std::uint32_t requestMask);

    // ---- Pages ------------------------------------------------------------------
    CSearchPage* Page(SearchSlot slot) const;
    // Shows the slot's page (created with `args` when none is open), after
    // closing every other page and the pop-ups; null when no page class is
    // registered for it.
    CSearchPage* ShowPage(SearchSlot slot, const SearchPageArgs& args = SearchPageArgs());
    void ShowOnlyPage(CSearchPage* keep);
    // Called by a page as it goes.
    void PageGone(CSearchPage* page) override;
    QWidget* PageParent() override { return this; }
    std::string PageText(int id) const override { return m_main.LoadResString(id); }
    int PageDateFormat() const override { return m_main.DateFormat(); }
    std::time_t PageNow() const override { return m_main.Now(); }

    void ShowSearchTab();
    void ShowBackupTab();
    void ShowLogTab();
    void ShowInfoTab();
    SearchTab OpenTab() const { return m_openTab; }
    CSearchTabPage* TabPage() const { return m_pTabPage; }
    void TabPageGone(CSearchTabPage* page);

    // Requesting openers.
    void RequestPlayInfoMonth();
    void RequestTransInfoMonth();
    void RequestSearchEvents();
    void RequestBackupEvents();
    void RequestLogInfo();
    void RequestStatusInfo();
    void ShowSearchTimelinePage(int year, int month, int day);
    void ShowBackupTimelinePage(int year, int month, int day);
    void ShowLogPage(SearchSlot slot, int filter);
    // The calendars' day requests and the event pages' ranged request.
    bool SendDayRequest(bool backup, int year, int month1, int day1);
    bool SendEventTimeRequest(std::uint8_t kinds, std::uint32_t start, std::uint32_t end);

    // ---- Pop-ups ------------------------------------------------------------------
    void OpenListPicker(CSearchPage* owner, int itemId, const ListPickerRequest& request, int firstSelectable,
                        bool fourPerRow) override;
    void OpenTimePicker(CSearchPage* owner, int itemId, const SliderPickerRequest& request) override;
    void ClosePickers() override;
    CListPickerPopup* ListPicker() const { return m_pickers.List(); }
    CSliderPickerPopup* TimePicker() const { return m_pickers.Time(); }
    void OnListPicked(QWidget* owner, int itemId, int index) override;
    void OnSliderPicked(QWidget* owner, int itemId, int h, int m, int s) override;
    void OnPickerGone(Wnd* popup) override;

    // ---- Window buttons ------------------------------------------------------------
    void OnCloseButton();
    void OnCancelButton();
    void OnRightChange(int value);
    // The window has ended (Close, Cancel, WM_CLOSE); its modal run returns.
    bool Ended() const { return m_bEnded; }

    CSkinButton m_btnTab[4];
    CSkinTextButton m_btnOk, m_btnCancel;
    CSkinButton m_btnClose;

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void OnTimer(UINT id) override;

private:
    void OnAnswer(SearchAnswerKind kind);
    void OnBackupSize();
    bool RequestingOpener(SearchSlot slot, PendingKind kind, bool (CSearchRequests::*send)());
    // The Event buttons of the Search and Backup tabs; `list` is the tab's event list.
    void RequestEvents(SearchSlot list);
    void ShowTab(SearchTab tab);
    SearchRights Rights() const;
    bool NewerThan14() const;

    ISearchMainWindow& m_main;
    std::weak_ptr<CNetClient> m_client;
    CNetSearchSender m_sender;
    CSearchRequests m_requests;
    std::shared_ptr<CSearchFrameLink> m_link;
    CSearchPending m_pending;
    std::array<bool, kSearchAnswerKinds> m_asked{};
    std::vector<YearRecord> m_years;
    std::vector<DayIntervalRecord> m_days;
    std::unique_ptr<SearchAnswer> m_log, m_status;
    std::array<CSearchPage*, kSearchSlotCount> m_pages{};
    CSearchTabPage* m_pTabPage = nullptr;
    SearchTab m_openTab = SearchTab::None;
    CSearchPickerSlots m_pickers;
    QImage m_bmpBackground;
    std::uint8_t m_nOpacity = 255;
    bool m_bClosing = false;
    bool m_bEnded = false;
};

// The window made for the main window's RSearch.
std::unique_ptr<CRemoteSearchDlg> CreateRemoteSearchDlg(ISearchMainWindow& main);
