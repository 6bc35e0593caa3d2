// The weekly record schedule: 7 day columns by 24 hour rows over the image's
// schedule bytes. Recorders of sub product 3 and 4 keep one of four record
// choices per hour and the buttons choose what the mouse paints; the others
// keep on/off per hour, with all on, all off and back to the schedule record
// page.
#pragma once

#include "setup/SetupPage.h"
#include "ui/GridStatic.h"

class CWeeklySchedulePage : public CSetupPage
{
    Q_OBJECT
public:
    static constexpr int kGridId = 437;
    static constexpr int kFirstButtonId = 480;

    CWeeklySchedulePage();

    bool FourValues() const { return m_bFourValues; }
    void OnButton(int index);
    // Clamps every byte to the form's largest value and shows it.
    void ClampAndShow();

    CScheduleGridStatic m_grid;
    CSkinTextButton m_btn[4];
    CSkinLabel m_dayLabel[7];

protected:
    void BuildPage() override;
    bool OnCommand(int id, WORD code) override;
    void OnTeardown() override { m_grid.RemoveAllCells(); }

private:
    bool m_bFourValues = false;
    bool m_bGrid = false;
};
