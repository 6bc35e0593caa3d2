// The mask-shaped check box every window uses as its per-row box. According
// to the style of the control it stands for it acts as a push button, a check
// box or a radio button; it keeps its own check state and answers BM_SETCHECK
// and BM_GETCHECK.
#pragma once

#include "ui/SkinCtrl.h"
#include "ui/UiMessages.h"

#include <QImage>
#include <QRegion>

class CSkinCheckBox : public CSkinCtrl
{
    Q_OBJECT
public:
    // style: the button style of the control it replaces (low byte counts):
    // BS_AUTOCHECKBOX makes a check box, BS_AUTORADIOBUTTON a radio button,
    // anything else a push button.
    explicit CSkinCheckBox(QWidget* parent = nullptr, UINT style = BS_AUTOCHECKBOX);

    enum Kind
    {
        KindPush = 0,
        KindCheck = 2,
        KindRadio = 4
    };
    static int KindOfStyle(UINT style);

    // Every window calls it as (1693, 1692, 1693, 1693, 1693, 1694, 0, 0, 0).
    // Draw mode 0 draws 1:1 and sizes the window to the mask, 1 stretches,
    // 2 tiles.
    bool SetBitmaps(UINT nNormal, UINT nDown, UINT nOver, UINT nDisabled, UINT nFocus, UINT nMask,
                    short nDrawMode, short nBorder, short nFocusMargin);
    COLORREF SetTextColor(COLORREF cr);
    void SetToolTipText(const QString& text);

    // The button check messages as calls.
    void SetCheck(int check) { WindowProc(BM_SETCHECK, static_cast<WPARAM>(check), 0); }
    int GetCheck() { return static_cast<int>(WindowProc(BM_GETCHECK, 0, 0)); }

    // A radio button clears the others of its group: the controls from the
    // last group start at or before it up to the next group start (in the
    // parent's child order).
    void SetGroupStart(bool on) { m_bGroupStart = on; }
    bool IsGroupStart() const { return m_bGroupStart; }

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    BYTE m_bChecked = 0;
    int m_nKind = KindCheck;
    BYTE m_bTracking = 0;
    BYTE m_bButtonDown = 0;
    QImage m_bmpNormal;
    QImage m_bmpDown;
    QImage m_bmpDisabled;
    QImage m_bmpMask;
    QImage m_bmpOver;
    QImage m_bmpFocus;
    short m_nFocusMargin = 0;
    COLORREF m_crText;
    QRegion m_hClipRgn;
    int m_nBorder = 0;
    short m_nDrawMode = 1;

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;

private:
    bool IsOver(const QPoint& pos) const;
    void ToggleByUser();
    void UncheckGroup();
    void DrawBitmapInMode(QPainter& p, const QImage& bmp, const QRect& r) const;
    void SetPushed(bool pushed);

    bool m_bPushed = false; // the pushed look of the default button processing
    bool m_bSpaceDown = false;
    bool m_bGroupStart = false;
};
