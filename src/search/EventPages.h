// The event pages of the remote search window: the event time range page
// (recorders that answer events of a period) and the event lists of the
// Search and Backup tabs.
#pragma once

#include "search/BackupFlow.h"
#include "search/EventListPanel.h"
#include "search/SearchDateTime.h"
#include "search/SearchPage.h"
#include "ui/SkinButton.h"
#include "ui/SkinCheckBox.h"
#include "ui/SkinLabel.h"

#include <QImage>

class CEventTimeRangePage : public CSearchPage
{
    Q_OBJECT
public:
    explicit CEventTimeRangePage(CRemoteSearchDlg& host);
    void OnInitPage() override;
    void OnListPicked(int itemId, int index) override;
    void OnTimePicked(int itemId, int hour, int minute, int second) override;

    void OnDateCellClicked(int itemId);
    void OnTimeCellClicked(int itemId);
    void OnKindToggled(int id);
    // Next: EVENT_TIME_REQ for the range and the kinds.
    bool RequestEventTime();

    CSearchDateTimeModel& Model() { return m_model; }
    std::uint8_t KindMask() const { return m_byKindMask; }
    CSkinLabel* CellOf(int itemId);

    CSkinTextButton m_btnNext;
    CSkinLabel m_lblCaption[7];
    CSkinLabel m_lblCell[8]; // 796-803
    CSkinLabel m_lblKind[3]; // 805-807
    CSkinCheckBox* m_chkKind[3] = {};

protected:
    void OnCommand(int id, int code) override;
    void paintEvent(QPaintEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;

private:
    void ShowTexts();

    CSearchDateTimeModel m_model;
    std::uint8_t m_byKindMask = 7;
    QImage m_bmpBackground;
};

// The event list of the Search tab (Play) and of the Backup tab (Calculate, Backup).
class CSearchEventPage : public CSearchPage, public IEventListHost
{
    Q_OBJECT
public:
    CSearchEventPage(CRemoteSearchDlg& host, bool backup);
    void OnInitPage() override;
    void OnBackupSizeAnswer(std::uint32_t kb) override;
    bool IsBackup() const { return m_bBackup; }

    // IEventListHost
    int DateFormat() const override;
    QString Text(int id) const override;
    bool RequestPending() const override;
    bool PlayAllowed() const override;
    void OnEventPlay(const EventEntry* entry) override;
    void OnEventPrev() override;
    void OnEventCalculate(const EventEntry* entry) override;
    void OnEventBackup(const EventEntry* entry) override;
    void OnEventBackgroundPress() override;

    CEventListPanel& Panel() { return m_panel; }
    BackupPageState& Backup() { return m_backup; }
    bool NoEndTime() const { return m_bNoEndTime; }

private:
    bool m_bBackup;
    bool m_bNoEndTime = false;
    CEventListPanel m_panel;
    BackupPageState m_backup;
};
using CBackupEventPage = CSearchEventPage;
