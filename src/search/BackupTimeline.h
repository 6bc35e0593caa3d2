// The backup day timeline: the search timeline's day view with a marked
// range (a start and an end marker) instead of one picked time, sized by
// Calculate and downloaded by Backup.
#pragma once

#include "search/BackupFlow.h"
#include "search/SearchPages.h"
#include "search/TimelineView.h"

// The marked range of the day, in seconds 0 .. 86400. Every way of moving a
// marker keeps start <= end, and nothing moves while a size request waits
// (its answer must belong to the range shown).
class CBackupMarkers
{
public:
    int Start() const { return m_nStart; }
    int End() const { return m_nEnd; }
    // 0 the start marker is the one set, 1 the end marker.
    int Active() const { return m_nActive; }
    void SetActive(int marker) { m_nActive = marker == 0 ? 0 : 1; }

    // A click on pixel x (the backup timeline's last pixel is 400).
    bool Click(const CTimelineView& view, int x, bool pending);
    // An arrow key: one pixel's worth of seconds.
    bool Step(int secPerPixel, bool later, bool pending);
    // A time from the pop-up for the active marker.
    bool Pick(int seconds, bool pending);

    // Pixels of the markers and of the grid, as drawn.
    static constexpr int kLastPixel = 400;

private:
    bool Set(int marker, int seconds);

    int m_nStart = 0;
    int m_nEnd = kDaySeconds - 1;
    int m_nActive = 0;
};

class CBackupTimelinePage : public CSearchTimelinePage
{
    Q_OBJECT
public:
    CBackupTimelinePage(CRemoteSearchDlg& host, int year, int month, int day);
    void OnInitPage() override;
    void OnTimePicked(int itemId, int hour, int minute, int second) override;
    void OnBackupSizeAnswer(std::uint32_t kb) override;

    const CBackupMarkers& Markers() const { return m_markers; }
    BackupRange Range() const;
    BackupPageState& Backup() { return m_backup; }
    void CalculateBackupSize();
    void StartBackup();
    void OnBackupPrev();
    void OnMarkerSelector(int marker);
    void OnMarkerLabel(int marker);
    // Pixels of the two markers and the grid's span, as the page draws them.
    int StartX() const { return m_view.X(m_markers.Start()); }
    int EndX() const { return m_view.X(m_markers.End()); }

    CSkinTextButton m_btnCalculate, m_btnBackup;
    CSkinLabel m_lblDateEnd, m_lblTimeEnd, m_lblSize;
    CSkinCheckBox* m_chkMarker[2] = {};

protected:
    void OnCommand(int id, int code) override;
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void OnTimelineClick(int x) override;

private:
    void MarkerChanged();

    CBackupMarkers m_markers;
    BackupPageState m_backup;
};
