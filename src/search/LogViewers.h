// The viewers of one setup-change entry: its decoded rows, the motion region
// over the camera's picture, and the weekly schedule, each before or after
// the change. Read-only; Prev goes back to the list the entry came from.
#pragma once

#include "search/LogDetail.h"
#include "search/SearchPage.h"
#include "ui/GridStatic.h"
#include "ui/SkinButton.h"
#include "ui/SkinLabel.h"
#include "ui/SkinListCtrl.h"

#include <QImage>

// Shared by the three: the entry, where it came from, and the way back.
class CLogViewerPage : public CSearchPage
{
    Q_OBJECT
public:
    CLogViewerPage(CRemoteSearchDlg& host, SearchSlot slot, const SearchPageArgs& args);
    int Origin() const { return m_nOrigin; }
    int RecordIndex() const { return m_nRecord; }
    // The entry, null when the table no longer holds it.
    const RemoteLogRecord* Record() const;
    // Back to the origin list, which selects the entry again. To the All list
    // this asks the recorder again, so it waits for no other answer.
    void OnPrev();

protected:
    void paintEvent(QPaintEvent* e) override;
    QImage m_bmpBackground;
    int m_nOrigin = 0;
    int m_nRecord = -1;
    int m_nSubKind = 0;
};

class CLogDetailPage : public CLogViewerPage
{
    Q_OBJECT
public:
    CLogDetailPage(CRemoteSearchDlg& host, const SearchPageArgs& args);
    void OnInitPage() override;
    void DecodeSetupChange();
    void OnRegion();

    CSkinListCtrl m_lstLog;
    CSkinTextButton m_btnRegion, m_btnPrev;

protected:
    void OnCommand(int id, int code) override;
};

class CLogRegionPage : public CLogViewerPage
{
    Q_OBJECT
public:
    static constexpr UINT kTimer = 21083;
    CLogRegionPage(CRemoteSearchDlg& host, const SearchPageArgs& args);
    ~CLogRegionPage() override;
    void OnInitPage() override;
    void SetupGrid();
    void OnOldRegion();
    void OnNewRegion();
    void RefreshCells();

    CMotionGridStatic m_grid;
    CSkinTextButton m_btnOld, m_btnNew, m_btnPrev;
    bool m_bShowNew = true;
    // The grid reads whole channel blocks; only the first 99 bytes are used.
    std::vector<BYTE> m_oldCells, m_newCells;

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

protected:
    void OnCommand(int id, int code) override;
    void OnTimer(UINT id) override;

private:
    void GrabStill();
    void ShowTable(bool showNew);
};

class CLogSchedulePage : public CLogViewerPage
{
    Q_OBJECT
public:
    CLogSchedulePage(CRemoteSearchDlg& host, const SearchPageArgs& args);
    void OnInitPage() override;
    void SetupGrid(int mode);
    void OnOldSchedule();
    void OnNewSchedule();

    CScheduleGridStatic m_grid;
    CSkinLabel m_lblDays[7];
    CSkinTextButton m_btnOld, m_btnNew, m_btnPrev;
    bool m_bShowNew = true;
    bool m_bGrid = false;
    std::array<std::uint8_t, kScheduleTableBytes> m_oldCells{}, m_newCells{}, m_gridCells{};

protected:
    void OnCommand(int id, int code) override;

private:
    void ShowTable(bool showNew);
};

void RegisterLogViewers();
