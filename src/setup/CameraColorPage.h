// The camera colour page: hue, saturation, contrast and brightness of every
// camera, one quantity at a time on one set of sliders. Tabs choose the
// quantity; a change goes straight into the image.
#pragma once

#include "setup/SetupControls.h"
#include "setup/SetupPage.h"
#include "ui/SkinSlider.h"

class CCameraColorPage : public CSetupPage
{
    Q_OBJECT
public:
    static constexpr int kFirstTabId = 470;
    static constexpr int kResetId = 482;
    static constexpr int kFirstSliderId = 510;
    static constexpr int kFirstValueId = 806;
    static constexpr int kViews = 4;
    static constexpr int kResetValue = 50;

    CCameraColorPage();

    int View() const { return m_nView; }
    // Shows quantity `view` (0 hue .. 3 brightness); every row check is cleared.
    void ShowView(int view);
    // The slider of row id - 510 moved: its value reaches its row and, when
    // that row is checked, every other checked row.
    int OnSliderMoved(int id);
    // Checked rows go back to the middle.
    void OnReset();
    // The image field of a view.
    static const SetupDb::Field& ViewField(int view);

    CSetupTabBar m_tabs;
    CSkinTextButton m_btnReset;
    CSkinSlider m_slider[kRows];
    CSkinLabel m_lblValue[kRows];

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

protected:
    void BuildPage() override;
    bool OnCommand(int id, WORD code) override;

private:
    void SetRowValue(int r, int value);
    int m_nView = 0;
};
