// The motion record page: the record family on the motion block, with the
// Sensitivity tab (a four-position slider per channel, no budget), Region to
// the motion grid page and, on sub product 4 recorders, a second rate set
// that the Rate tab shows in place of the first when Region is pressed there.
#pragma once

#include "setup/record/RecordPage.h"

const RecordPageDesc& MotionRecordDesc();

// On sub product 5 and 6 recorders in record configuration mode 0 the plain
// rate handler leaves a move unclamped.
bool MotionRateUnclamped(const RecorderCaps& caps, std::uint32_t recordConfigMode);

class CMotionRecordPage : public CRecordPage
{
    Q_OBJECT
public:
    CMotionRecordPage();

    bool DualRate() const { return m_bDualRate; }
    int RateSet() const { return m_nRateSet; }

    void OnResolutionTab() override;
    void OnRateTab() override;
    void OnAudioTab() override;
    void OnFourthTab() override { OnSensitivityTab(); }
    void OnSensitivityTab();
    void OnButton482() override; // Region
    void OnRateSliderMoved(int sliderId, int position) override;

protected:
    void BuildExtra() override;

private:
    // Any view but Rate shows rate set 0 with the plain captions.
    void LeaveDualRateView();
    void UseRateSet(int set);
    void SetCaptions(const QString& tab, const QString& region);
    void ChangeSensitivity(int sliderId);
    QString SensitivityText(int position) const;

    bool m_bDualRate = false;
    int m_nRateSet = 0;
};
