// The local search window's lists over the download folder: the events of
// the downloaded sets' index entries (the event list of the remote window
// over files, newest first, no Prev) and the downloaded sets themselves (the
// file list). Play asks the window for a local play and closes it; the row
// played is remembered so that the Search tab reopens the list on it.
#pragma once

#include "local/LocalFileSet.h"
#include "local/LocalLists.h"
#include "search/EventListPanel.h"
#include "search/SearchPage.h"
#include "ui/SkinButton.h"
#include "ui/SkinListCtrl.h"

#include <QImage>
#include <vector>

class CLocalSearchDlg;

class CLocalEventPage : public CSearchPage, public IEventListHost
{
    Q_OBJECT
public:
    explicit CLocalEventPage(CLocalSearchDlg& host);
    void OnInitPage() override;

    // Reads the events of kinds 1, 2 and 4 from the folder's sets; true when
    // one was found.
    bool ScanEvents();
    // Play 482 with the selected entry.
    void OnPlay() { OnEventPlay(m_panel.SelectedEntry()); }

    // IEventListHost
    int DateFormat() const override;
    QString Text(int id) const override;
    bool PlayAllowed() const override;
    void OnEventPlay(const EventEntry* entry) override;
    void OnEventBackgroundPress() override;

    CEventListPanel& Panel() { return m_panel; }
    const LocalEventList& Events() const { return m_events; }

private:
    CLocalSearchDlg& m_dlg;
    LocalEventList m_events;
    CEventListPanel m_panel;
};

class CLocalFileListPage : public CSearchPage
{
    Q_OBJECT
public:
    explicit CLocalFileListPage(CLocalSearchDlg& host);
    void OnInitPage() override;

    // Reads the folder's sets in the order of their first times; true when
    // one was found.
    bool ScanFiles();
    // Play 482 with the selected set.
    void OnPlay();

    // The selected set's index in first-time order, -1 when none is.
    int Selected() const { return m_nSelected; }
    const std::vector<LocalSetRef>& FileSets() const { return m_fileSets; }
    // The list row of a set's index and back (the newest set is row 0).
    int RowOfIndex(int index) const { return NewestFirstIndex(static_cast<int>(m_fileSets.size()), index); }
    // Selects and focuses a row as the user does (the selection rules run).
    void SelectRow(int row);

    CSkinListCtrl m_list;
    CSkinTextButton m_btnPlay;

protected:
    void OnCommand(int id, int code) override;
    void paintEvent(QPaintEvent* e) override;

private:
    void FillFileList();
    void OnSelectionChanged();

    CLocalSearchDlg& m_dlg;
    std::vector<LocalSetRef> m_fileSets;
    int m_nSelected = -1;
    bool m_bFilling = false;
    QImage m_bmpBackground;
};
