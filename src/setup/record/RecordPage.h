// The record page family of the Rec tab: a tab bar, one row per channel with
// its check box, resolution buttons, rate slider and label, and audio On/Off
// pair, All Check and Return All, and an optional command button 482. The
// views and handlers are thin over CRecordBlockModel; pages that add a
// fourth tab, profiles or a second rate set derive from CRecordPage and
// override the hooks. The plain and schedule record pages are this class on
// two descriptors.
#pragma once

#include "setup/SetupControls.h"
#include "setup/SetupPage.h"
#include "setup/record/RecordBlock.h"
#include "ui/SkinSlider.h"

#include <memory>
#include <vector>

struct RecordTabSpec
{
    int id;      // 470-473
    int bitmap;  // 2252-2257
    int x;       // left edge; every tab is at y 0
    int width;   // 133 (three tabs) or 100 (four)
    int caption; // text id
};

struct RecordPageDesc
{
    RecordBlock block;
    int background = 1720;
    std::vector<RecordTabSpec> tabs;
    // Command button 482 (at 304, 396) and the page it opens; 0: none.
    int button482Caption = 0;
    int button482Page = 0;
};

// The three tabs Resolution, Rate, Audio of 133 x 24.
std::vector<RecordTabSpec> ThreeRecordTabs();
// Four tabs of 100 x 24: Resolution, `secondCaption`, Audio, `fourthCaption`.
std::vector<RecordTabSpec> FourRecordTabs(int secondCaption, int fourthCaption);

const RecordPageDesc& PlainRecordDesc();    // 163
const RecordPageDesc& ScheduleRecordDesc(); // 166, Set opens the weekly schedule

class CRecordPage : public CSetupPage
{
    Q_OBJECT
public:
    static constexpr int kTabFirstId = 470;
    static constexpr int kSliderFirstId = 510;
    static constexpr int kRateLabelFirstId = 806;
    static constexpr int k4CifFirstId = 920;
    static constexpr int k2CifFirstId = 940;
    static constexpr int kCifFirstId = 960;
    static constexpr int kOnFirstId = 550;
    static constexpr int kOffFirstId = 570;
    static constexpr int kButton482Id = 482;

    enum Tab
    {
        kResolutionTab = 0,
        kRateTab = 1,
        kAudioTab = 2,
        kFourthTab = 3,
    };

    explicit CRecordPage(const RecordPageDesc& desc);
    ~CRecordPage() override;

    const RecordPageDesc& Desc() const { return m_desc; }
    CRecordBlockModel& Model() { return *m_model; }
    int CurTab() const { return m_nCurTab; }

    // --- Views and handlers ----------------------------------------------------
    virtual void OnResolutionTab();
    virtual void OnRateTab();
    virtual void OnAudioTab();
    virtual void OnFourthTab() {}
    virtual void OnButton482();
    // Every shown channel gets `value`, then the default rates; `row` unused.
    virtual void SetResolution(int value, int row);
    virtual void SetRowOn(int row) { SetRowAudio(row, 1); }
    virtual void SetRowOff(int row) { SetRowAudio(row, 0); }
    // A slider reported a new position; the rate is taken from the slider.
    virtual void OnRateSliderMoved(int sliderId, int position);
    void ApplyRate(int sliderId);
    void ApplyRateGrouped(int sliderId);
    void OnAllCheck() override;
    // The check boxes of the shown rows as a row set.
    ChannelRows CheckedRows();

    CSetupTabBar m_tabs;
    CSkinSlider m_arrSlider[kRows];
    CSkinLabel m_arrRateLabel[kRows];
    CSkinTextButton m_arr4CifButton[kRows];
    CSkinTextButton m_arr2CifButton[kRows];
    CSkinTextButton m_arrCifButton[kRows];
    CSkinTextButton m_arrOnButton[kRows];
    CSkinTextButton m_arrOffButton[kRows];
    CSkinTextButton m_btn482;

protected:
    void BuildPage() override;
    // Controls a member adds; runs after the family's, before the first view.
    virtual void BuildExtra() {}
    // The first view (the Resolution tab unless a member says otherwise).
    virtual void ShowFirstView() { OnResolutionTab(); }
    bool OnCommand(int id, WORD code) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    // Marks tab `tab` shown (by its control id), stores it in m_nCurTab and
    // enables the check box and slider of every shown row.
    void SelectTab(int tabId, int tab);
    void SetRateLabel(int row, int rate);
    void ShowResolutionButtons(int row, int value);
    // One pair per channel (sub product 6) or a single pair for channel 0.
    bool PerChannelAudio() const;
    bool IsAudioInput(int ch) const;
    void SetRowAudio(int row, int value);
    void ApplyMove(int sliderId, bool grouped);

    const RecordPageDesc m_desc;
    std::unique_ptr<CRecordBlockModel> m_model;
    int m_nCurTab = kResolutionTab;
    QString m_fpsText;
};

class CPlainRecordPage : public CRecordPage
{
    Q_OBJECT
public:
    explicit CPlainRecordPage(const RecordPageDesc& desc = PlainRecordDesc()) : CRecordPage(desc) {}
};
