// The record days page: the family without rates. Its second tab switches
// recording per channel, its audio follows that switch, its fourth tab sets
// the days recordings are kept, and in group mode the switches act on whole
// groups of four channels.
#pragma once

#include "setup/record/RecordPage.h"

const RecordPageDesc& RecordDaysDesc();

class CRecordDaysPage : public CRecordPage
{
    Q_OBJECT
public:
    CRecordDaysPage();

    // Tab 471 is the record switch view.
    void OnRateTab() override { OnRecordTab(); }
    void OnRecordTab();
    void OnResolutionTab() override;
    void OnAudioTab() override;
    void OnFourthTab() override { OnDaysTab(); }
    void OnDaysTab();
    void OnRateSliderMoved(int sliderId, int position) override;
    void SetRowOn(int row) override { SetRowSwitch(row, 1); }
    void SetRowOff(int row) override { SetRowSwitch(row, 0); }

    // The Days slider and its label are row 0's slider and label.
    CSkinSlider& DaysSlider() { return m_arrSlider[0]; }
    CSkinLabel& DaysLabel() { return m_arrRateLabel[0]; }

protected:
    void DrawExtra(QPainter& p) override;

private:
    // The steps every tab of this page begins with.
    void BeginTab(int tabId, int tab);
    void SetRowSwitch(int row, int value);
    void SetDaysLabel(int days);
};
