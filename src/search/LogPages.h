// The seven log lists of the Log tab: one page class, the list it shows
// given by its slot. The rows, filters, button rules and printout come from
// CLogListModel; the page only puts them on screen and acts on its buttons.
#pragma once

#include "search/RemoteLog.h"
#include "search/SearchPage.h"
#include "ui/LogPrint.h"
#include "ui/SkinButton.h"
#include "ui/SkinListCtrl.h"

#include <QImage>

class CLogListPage : public CSearchPage
{
    Q_OBJECT
public:
    CLogListPage(CRemoteSearchDlg& host, SearchSlot slot, LogList list);
    void OnInitPage() override;

    LogList List() const { return m_model.List(); }
    // What the rows and buttons depend on, read from the window and the connection.
    LogViewContext Context() const;
    // The All page: the window's table from the answer (or, after a Play, the
    // connection's copy), and the copy refreshed.
    void BuildLogRecords();
    void FillLogList();
    void SelectRememberedRecord();
    void OnItemChanged(int row);
    CLogPrint::Result PrintLog();
    void ShowDetails();
    void OnPlay();

    // The origin the detail viewers return to: 0 All, 1 Operation, 2 Archive.
    int Origin() const;

    CLogListModel m_model;
    CLogPrint m_print;
    CSkinListCtrl m_lstLog;
    CSkinTextButton m_btnPrint, m_btnDetails, m_btnPlay;

protected:
    void OnCommand(int id, int code) override;
    void paintEvent(QPaintEvent* e) override;

private:
    QImage m_bmpBackground;
    bool m_bFilling = false;
};

SearchSlot LogSlotOf(LogList list);
void RegisterLogPages();
