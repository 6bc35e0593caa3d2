// The spot monitor sequence page: the spot monitor's mode, the dwell of each
// step of its sequence (alone, in groups of four or of eight, by mode) and
// which channels take part in the event modes. Three views behind tabs; the
// Duration and Event On/Off tabs share one place and the mode picks which
// one shows.
#pragma once

#include "setup/SetupControls.h"
#include "setup/SetupPage.h"
#include "ui/SkinSlider.h"

class CSpotSequencePage : public CSetupPage
{
    Q_OBJECT
public:
    static constexpr int kModeTabId = 470;
    static constexpr int kDwellTabId = 471;
    static constexpr int kEventTabId = 472;
    static constexpr int kFirstSliderId = 510;
    static constexpr int kFirstEventOnId = 550;
    static constexpr int kFirstEventOffId = 570;
    static constexpr int kFirstModeId = 590; // 590-596 On, 597-603 Off
    static constexpr int kModes = 7;
    static constexpr int kFirstChannelLabelId = 793;
    static constexpr int kFirstDwellLabelId = 809;
    static constexpr int kFirstQuadLabelId = 825;
    static constexpr int kFirstOctLabelId = 829;
    static constexpr int kMaxSlider = 48; // x 5 seconds
    static constexpr int kBackgrounds[4] = {1729, 1720, 1727, 1728};

    enum class View
    {
        Mode,
        Dwell,
        Event
    };

    CSpotSequencePage();

    View CurrentView() const { return m_view; }
    int BackgroundIndex() const { return m_nBackground; }
    int Mode() const;

    void ShowModeView();
    void ShowDwellView();
    void ShowEventView();
    // 0-6 choose a mode; 7-13 (the Off buttons) do nothing.
    void OnModeButton(int index);
    int OnSliderMoved(int id);
    void OnEventOn(int row) { SetEvents(row, 1); }
    void OnEventOff(int row) { SetEvents(row, 0); }
    // A group's first box was clicked: the group's other boxes follow it.
    void OnGroupCheck(int row);

    CSetupTabBar m_tabs; // 0 Mode, 1 Duration, 2 Event On/Off
    CSkinSlider m_slider[kRows];
    CSkinLabel m_lblEventMode[3];
    CSkinLabel m_lblDwell[kRows];
    CSkinLabel m_lblQuad[4];
    CSkinLabel m_lblOct[2];
    CSkinTextButton m_btnModeOn[kModes];
    CSkinTextButton m_btnModeOff[kModes];
    CSkinTextButton m_btnEventOn[kRows];
    CSkinTextButton m_btnEventOff[kRows];

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

protected:
    void BuildPage() override;
    bool OnCommand(int id, WORD code) override;

private:
    void SetBackgroundIndex(int index);
    void ShowDurationOrEventTab();
    void HideDwellLabels();
    void ShowModeStates();
    void SetEvents(int row, int value);
    QString DwellText(int position) const;
    CSkinLabel* GroupLabel(int mode, int r);

    View m_view = View::Mode;
    int m_nBackground = 0;
    QString m_unit;
};
