// The Log and Info tabs' pages of the local search window: the client's own
// connection log (newest first, printable) and the program's version.
#pragma once

#include "local/LocalLogModel.h"
#include "search/SearchPage.h"
#include "ui/LogPrint.h"
#include "ui/SkinButton.h"
#include "ui/SkinListCtrl.h"

#include <QImage>
#include <vector>

class CLocalSearchDlg;

class CLocalLogPage : public CSearchPage
{
    Q_OBJECT
public:
    explicit CLocalLogPage(CLocalSearchDlg& host);
    void OnInitPage() override;

    // The window's loaded bytes into its record table, oldest first; the
    // bytes are used once (the Log menu loads the file afresh each time).
    void ParseConnectLog();
    void FillLogList();
    CLogPrint::Result PrintLog();
    // The rows as listed and printed, newest first.
    const std::vector<LocalLogRow>& Rows() const { return m_rows; }

    CSkinListCtrl m_lstLog;
    CSkinTextButton m_btnPrint;
    CLogPrint m_print;

protected:
    void OnCommand(int id, int code) override;
    void paintEvent(QPaintEvent* e) override;

private:
    CLocalSearchDlg& m_pSearchDlg;
    QImage m_bmpBackground;
    std::vector<LocalLogRow> m_rows;
};

class CLocalInfoPage : public CSearchPage
{
    Q_OBJECT
public:
    explicit CLocalInfoPage(CLocalSearchDlg& host);
    void OnInitPage() override;
    void FillInfoList();

    CSkinListCtrl m_lstInfo;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    CLocalSearchDlg& m_pSearchDlg;
    QImage m_bmpBackground;
};
