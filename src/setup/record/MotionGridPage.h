// The motion grid page: per channel, 10 x 8 cells of 36 pixels over the
// channel's current picture, each cell in or out of the motion area. The
// grid writes each toggled cell straight into the channel's 99-byte block of
// the image (rows 0-7, columns 0-9 only). While the page is open a timer
// fetches the channel's picture every 100 ms from the main window; the copy
// is taken there under the channel's lock, the page holds none.
#pragma once

#include "setup/SetupPage.h"
#include "ui/GridStatic.h"

class CMotionGridPage : public CSetupPage
{
    Q_OBJECT
public:
    static constexpr int kGridId = 437;
    static constexpr int kSelectAllId = 480;
    static constexpr int kClearAllId = 481;
    static constexpr int kBackId = 482;
    static constexpr int kFirstChannelId = 550;
    static constexpr UINT kGrabTimer = 21083;
    static constexpr int kGrabPeriodMs = 100;
    static constexpr int kCell = 36;
    static constexpr int kCols = 10;
    static constexpr int kRowsUsed = 8;
    static constexpr int kGridX = 21;
    static constexpr int kGridY = 72;

    CMotionGridPage();

    void SelectChannel(int ch);
    void OnSelectAll();
    void OnClearAll();
    void OnBack();
    void OnTimer(UINT id) override;
    bool DestroyWindow() override;

    int Channel() const { return m_nChannel; }
    // The still fetched for the shown channel (and whether one came).
    bool Grab();

    CMotionGridStatic m_grid;
    CSkinTextButton m_btnChannel[kRows];
    CSkinTextButton m_btnSelectAll;
    CSkinTextButton m_btnClearAll;
    CSkinTextButton m_btnBack;

protected:
    void BuildPage() override;
    bool OnCommand(int id, WORD code) override;
    void OnTeardown() override;

private:
    void StopGrabbing();

    int m_nChannel = 0;
};
