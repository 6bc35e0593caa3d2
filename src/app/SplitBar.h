// The split-layout bar of full screen: the nine layout buttons and Esc, at
// the bottom of the monitor, shown 100 ms after creation and whenever the
// grid asks, and hidden again 4 seconds later. Its buttons tell the owner
// (the video grid) with WM_SPLIT_SELECT.
#pragma once

#include "app/BarGeometry.h"
#include "platform/Wnd.h"
#include "ui/SkinButton.h"

#include <QImage>

constexpr UINT WM_SPLIT_SELECT = WM_USER + 20000; // wParam the button id (400-409)

class CSplitSelectDlg : public Dialog
{
    Q_OBJECT
public:
    static constexpr int kWidth = 350;
    static constexpr int kHeight = 44;
    static constexpr int kFirstButton = 400; // layouts 400-408, Esc 409
    static constexpr int kEscButton = 409;
    static constexpr UINT kTimerFirstShow = 21028;
    static constexpr UINT kTimerAutoHide = 21029;
    static constexpr UINT kFirstShowMs = 100;
    static constexpr UINT kAutoHideMs = 4000;

    // Made as a child of the owner; PopupAt turns it into a floating bar.
    explicit CSplitSelectDlg(Wnd* pOwner);
    ~CSplitSelectDlg() override;

    bool OnInitDialog() override;
    // The monitor's rectangle (right and bottom exclusive) and the opacity;
    // top is not used.
    void PopupAt(int left, int top, int right, int bottom, int alpha);
    // 0 hides the bar; any other value shows it and (re)starts the 4 s hide.
    void ShowAutoHide(int show);
    void OnSplitButton(int id);

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    // Ten buttons bound to 409, 408, ..., 400.
    CSkinButton m_btnSplit[10];
    Wnd* m_pOwner;
    QImage m_bmpBack;

    CSkinButton& Button(int id) { return m_btnSplit[kEscButton - id]; }

    // 21028 (first show) and 21029 (auto-hide).
    void OnTimer(UINT id) override;

protected:
    void paintEvent(QPaintEvent* e) override;
};
