// The slider pop-up: one slider with -/+ steps for a number (Count 1), or up
// to three sliders for a time of day (hours, minutes, seconds). It has no OK
// button: it reports its values once, when it is destroyed, whatever
// destroyed it, from inside DestroyWindow so that a window closing its
// pop-ups before its pages delivers the value to a page still open.
#pragma once

#include "ui/PickerPopupBase.h"
#include "ui/SkinLabel.h"
#include "ui/SkinSlider.h"

class CSliderPickerPopup : public CPickerPopupBase
{
    Q_OBJECT
public:
    static constexpr int kFirstNameId = 790;
    static constexpr int kFirstValueId = 793;
    static constexpr int kMinusId = 796;
    static constexpr int kPlusId = 797;
    static constexpr int kFirstSliderId = 510;

    CSliderPickerPopup(QWidget* pOwnerPage, int nItemId, const SliderPickerRequest* pRequest, int bTimeMode,
                       QWidget* pParent = nullptr);
    ~CSliderPickerPopup() override;

    bool Create(IPickerHost* pHost);
    bool OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // Reports the values (once), then hides and schedules the deletion.
    bool DestroyWindow() override;

    void OnSliderMoved(int k, int pos);
    void OnMinus();
    void OnPlus();

    const SliderPickerRequest& Request() const { return m_request; }
    bool IsTimeMode() const { return m_bTimeMode; }
    int ShownRows() const { return m_nRows; }
    int Result(int k) const { return k >= 0 && k < 3 ? m_nResult[k] : 0; }

    CSkinLabel m_labels[8]; // 790-792 names, 793-795 values, 796 "-", 797 "+"
    CSkinSlider m_sliders[3];

private:
    void Step(int delta);
    void ShowValue(int k, int pos);

    SliderPickerRequest m_request{};
    bool m_bTimeMode = false;
    int m_nRows = 0;
    int m_nResult[3] = {0, 0, 0};
    // The position each slider had when its value was last taken: a slider
    // whose drag message is still queued at destruction differs from it.
    int m_nTakenPos[3] = {0, 0, 0};
    bool m_bReported = false;
};
