// The floating progress bar of a backup transfer: percent and a Stop button.
// The main window opens it on WM_TRANSFER_START, moves it on
// WM_TRANSFER_PROGRESS and deletes it on WM_TRANSFER_END; the connection
// keeps it in its transfer-bar slot. Dragged by its body, it snaps to the
// edges of the video grid and stays within the grid's area.
#pragma once

#include "app/BarGeometry.h"
#include "net/NetMessages.h"
#include "app/SnappingBar.h"
#include "platform/Wnd.h"
#include "ui/SkinButton.h"
#include "ui/SkinProgress.h"

#include <QImage>
#include <QRect>

// WM_TRANSFER_START, _PROGRESS and _END come with the connection's messages.

// What the bar needs of the main window.
class ITransferBarHost
{
public:
    virtual ~ITransferBarHost() = default;
    // The video grid's view rectangle in screen coordinates (right and bottom
    // exclusive); false when there is no grid.
    virtual bool TransferGridRect(BarRect* rect) = 0;
    // Stop pressed: when connected, ask the recorder to stop the transfer
    // (TRANS_OFF_REQ); WM_TRANSFER_END follows.
    virtual void TransferStop() = 0;
};

class CTransferBarDlg : public CSnappingBarDlg
{
    Q_OBJECT
public:
    static constexpr int kWidth = 354;
    static constexpr int kHeight = 40;
    static constexpr int kIdProgress = 422;
    static constexpr int kIdStop = 913;
    static constexpr int kAlpha = 200;

    CTransferBarDlg(ITransferBarHost* pMainDlg, QWidget* pParent);
    ~CTransferBarDlg() override;

    // WM_TRANSFER_START: create the window, show it, range 0 ... totalKB, position 0.
    void Start(unsigned totalKB);
    // WM_TRANSFER_PROGRESS.
    void SetProgress(unsigned receivedKB);
    void OnStop();

    // Moves the bar to `proposed` (screen coordinates) after snapping it to
    // the grid; returns where it went.
    QPoint MoveBar(QPoint proposed) override;

    bool OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    CSkinButton m_btnStop;
    CSkinProgress m_progress;
    ITransferBarHost* m_pMainDlg;
    QImage m_bmpBack;
    QRect m_rcWindow{0, 0, kWidth, kHeight};

protected:
    void paintEvent(QPaintEvent* e) override;

};
