// The daylight-saving page: off, a rule of the user's (the n-th weekday or a
// day of a month, start and end, and an offset) or a preset of the recorder.
// It asks the recorder for its clock when it opens; when it goes after a
// change while that clock lies in the hour that repeats at the rule's end,
// a small box asks whether to apply the rule, and the answer goes into the
// image.
#pragma once

#include "setup/SetupPage.h"
#include "setup/TextTable.h"

#include <chrono>
#include <cstdint>
#include <functional>

class QLabel;

// The confirm box: frameless, topmost, dragged by its message.
class CDstConfirmDlg : public Dialog
{
    Q_OBJECT
public:
    explicit CDstConfirmDlg(QWidget* owner, int alpha = 255);
    bool OnInitDialog() override;
    CSkinLabel m_lblMessage;
    CSkinTextButton m_btnOk;
    CSkinTextButton m_btnCancel;

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;

private:
    QWidget* m_pOwner;
    int m_nAlpha;
    QImage m_bmpBack;
    QPoint m_dragFrom;
    bool m_dragging = false;
};

class CDstSetupPage : public CSetupPage
{
    Q_OBJECT
public:
    enum Item
    {
        kMode = 0,
        kStartMonth = 1,
        kStartWeekOrDay = 2,
        kStartWeekday = 3,
        kStartTime = 4,
        kEndMonth = 5,
        kEndWeekOrDay = 6,
        kEndWeekday = 7,
        kEndTime = 8,
        kOffset = 9,
    };
    static constexpr int kWeekdayFormId = 550;
    static constexpr int kDayFormId = 570;
    static constexpr int kFirstValueId = 795;

    // The PC's clock as the page sees it: UTC seconds and the zone offset.
    struct PcClock
    {
        std::function<std::int64_t()> utcNow;
        std::function<int()> zoneOffset;
        std::function<std::chrono::steady_clock::time_point()> steadyNow;
    };
    static void SetPcClockForTesting(PcClock clock);
    // Replaces the confirm box (returns true for OK); empty restores it.
    static void SetConfirmForTesting(std::function<bool()> confirm);

    CDstSetupPage();

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnListPicked(int nItemId, int nIndex) override;
    void OnSliderPicked(int nItemId, int nValue1, int nValue2, int nValue3) override;
    void OnTeardown() override;
    void ShowWeekdayForm();
    void ShowDayForm();
    void OpenItem(int item);
    // The page clock now: naive wall-clock seconds.
    std::int64_t ClockNow() const;
    bool Changed() const { return m_bChanged; }
    int Year() const { return m_nYear; }

    CSkinLabel m_lblCaption[5]; // 790-794
    CSkinLabel m_lblValue[10];  // 795-804, item = index
    CSkinTextButton m_btnWeekdayForm;
    CSkinTextButton m_btnDayForm;

protected:
    void BuildPage() override;
    bool OnCommand(int id, WORD code) override;

private:
    void RequestRecorderTime();
    void OnDvrTimeAck(std::uint32_t seconds);
    void ShowMode(int mode);
    void HideRule();
    void ShowRuleLabels(bool weekdayForm);
    void RefreshRuleTexts();
    void Recompute(bool start);
    QString TimeText(int item) const;

    TextTable m_modes, m_months, m_weeks, m_weekdays, m_days;
    bool m_bWeekdayForm = true;
    bool m_bChanged = false;
    int m_nYear = 2000;
    std::int64_t m_clock = 0;
    std::chrono::steady_clock::time_point m_clockAt;
};
