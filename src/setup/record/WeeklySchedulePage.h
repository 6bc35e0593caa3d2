// The weekly record schedule: 7 day columns by 24 hour rows over the image's
// schedule bytes. Recorders of sub product 3 and 4 keep one of four record
// choices per hour and the buttons choose what the mouse paints; the others
// keep on/off per hour, with all on, all off and back to the schedule record
// page.
#pragma once

#include "setup/SetupPage.h"
#include "ui/GridStatic.h"

// A paint button of the four-value form: the command button with a bar in
// the colour its value has in the grid, so that the buttons name the colours.
class CSchedulePaintButton : public CSkinTextButton
{
    Q_OBJECT
public:
    // The bar's place inside the button: under the caption, clear of the
    // face's rounded ends.
    static constexpr int kBarLeft = 8;
    static constexpr int kBarTop = 17;
    static constexpr int kBarHeight = 3;

    // An invalid colour draws no bar.
    void SetValueColour(const QColor& colour);
    QColor ValueColour() const { return m_crValue; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QColor m_crValue;
};

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
    // The colour a value's cells show: the middle of the first cell of the
    // value's bitmap (invalid without the bitmap).
    QColor ValueColour(int value) const;

    CScheduleGridStatic m_grid;
    CSchedulePaintButton m_btn[4];
    CSkinLabel m_dayLabel[7];

protected:
    void BuildPage() override;
    bool OnCommand(int id, WORD code) override;
    void OnTeardown() override { m_grid.RemoveAllCells(); }

private:
    bool m_bFourValues = false;
    bool m_bGrid = false;
};
