// The event list of the event pages: three kind tabs, the list of one kind,
// and the page's buttons. One class serves the remote search list (Play,
// Prev), the remote backup list (Calculate, Backup, the size label, Prev) and
// the local event list (Play, newest first); the page it sits on supplies the
// entries and acts on the buttons through IEventListHost.
#pragma once

#include "platform/Wnd.h"
#include "search/EventList.h"
#include "ui/SkinButton.h"
#include "ui/SkinLabel.h"
#include "ui/SkinListCtrl.h"

#include <QImage>
#include <QString>

// How one page uses the list.
struct EventListStyle
{
    int background = 1751;       // the page's background bitmap, drawn by the panel
    bool backup = false;         // Calculate 480, Backup 482, size label 790 instead of Play 482
    bool prev = true;            // Prev 483 (shown only when the recorder knows event ranges)
    int prevX = 2;               // 2 on the search list, 205 on the backup list
    bool cameraColumn = true;    // the third column, the event's cameras
    bool newestFirst = false;    // rows from the last entry to the first
    bool fillResets = true;      // a fill forgets the selection and disables the buttons
    bool pendingGuards = true;   // tabs and selection wait while the host's request is pending
    bool selectionClears = true; // a change away from "selected and focused" forgets the selection
};

class IEventListHost
{
public:
    virtual ~IEventListHost() = default;
    virtual int DateFormat() const = 0;
    virtual QString Text(int id) const = 0;
    virtual bool RequestPending() const { return false; }
    // Whether Play may be enabled for a selected row now (no local or remote
    // playback in the way).
    virtual bool PlayAllowed() const { return true; }
    // The buttons; `entry` is the selected entry, or null when none is.
    virtual void OnEventPlay(const EventEntry* entry) = 0;
    virtual void OnEventPrev() {}
    virtual void OnEventCalculate(const EventEntry* entry) { (void)entry; }
    virtual void OnEventBackup(const EventEntry* entry) { (void)entry; }
    // A press on the panel's background (the host closes its pop-ups).
    virtual void OnEventBackgroundPress() {}
};

class CEventListPanel : public Wnd
{
    Q_OBJECT
public:
    CEventListPanel(IEventListHost& host, QWidget* parent);

    // Builds the controls with the page's style and takes the page's entries.
    void Init(const EventListStyle& style, CEventEntries entries);
    const EventListStyle& Style() const { return m_style; }
    const CEventEntries& Entries() const { return m_entries; }

    // Tab 470, 471, 472: kind 1, 2, 4 shown and the list filled.
    void ShowKind(int kind);
    int CurKind() const { return m_nCurKind; }
    // The selected entry's index within the current kind, -1 when none.
    int Selected() const { return m_nSelected; }
    void SetSelected(int index) { m_nSelected = index; }
    const EventEntry* SelectedEntry() const;
    // The list row of an index within the current kind, and back.
    int RowOfIndex(int index) const;
    int IndexOfRow(int row) const;
    // Selects and focuses a row as the user does (the selection rules run).
    void SelectRow(int row);
    // Selects and focuses a row and scrolls it to the top (a reopened local
    // list). The selection rules run as for a click: the row's entry becomes
    // the selection and Play follows the host. A row the list no longer has
    // selects nothing.
    void RestoreRow(int row);

    CSkinTextButton m_btnTab[3];
    CSkinListCtrl m_list;
    CSkinTextButton m_btnPlay;      // 482: Play, or Backup on the backup list
    CSkinTextButton m_btnPrev;      // 483
    CSkinTextButton m_btnCalculate; // 480 (backup list)
    CSkinLabel m_lblSize;           // 790 (backup list)

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    void FillEventList();
    void OnSelectionChanged();
    void ResetButtons();

    IEventListHost& m_host;
    EventListStyle m_style;
    CEventEntries m_entries;
    int m_nCurKind = kEventAlarm;
    int m_nSelected = -1;
    bool m_bFilling = false;
    QImage m_bmpBackground;
};
