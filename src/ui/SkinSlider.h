// The skinned horizontal slider: a channel bitmap, the part left of the
// position drawn from an active variant, and an optional thumb. It tells its
// parent about press, drag and release with WM_SLIDER_PRESSED, _MOVED and
// _RELEASED (wParam the control id, lParam the position), all posted.
#pragma once

#include "ui/SkinCtrl.h"

#include <QImage>
#include <QRect>
#include <QSize>

class CSkinSlider : public CSkinCtrl
{
    Q_OBJECT
public:
    explicit CSkinSlider(QWidget* parent = nullptr);

    // crTrans 0xFF000000 takes the transparent colour from pixel (nTransX,
    // nTransY) of each bitmap. An id of 0 removes that part. False when a
    // bitmap does not load (a failing active bitmap also unloads the normal).
    bool SetChannelBitmaps(UINT nChannelID, UINT nActiveID, bool bTransparent, COLORREF crTrans, int nTransX,
                           int nTransY);
    bool SetThumbBitmaps(UINT nThumbID, UINT nActiveID, bool bTransparent, COLORREF crTrans, int nTransX,
                         int nTransY);
    // The position is not clamped again.
    void SetRange(int nMin, int nMax, bool bRedraw);
    // Clamps, stores and redraws; posts nothing.
    void SetPos(int nPos);
    int GetPos() const { return m_nPos; }
    void SetMargin(int nLeft, int nTop, int nRight, int nBottom);
    void EnableFocusRect(bool bDraw, bool bRedraw);

    int PosToPixel(int nPos) const;
    int PixelToPos(int x) const;

    int m_nMax = 100;
    int m_nMin = 0;
    int m_nPos = 0; // read directly by owners
    QRect m_rcClient;
    QSize m_sizeChannel;
    QSize m_sizeThumb{0, 0};
    int m_nMarginLeft = 0;
    int m_nMarginRight = 0;
    int m_nMarginTop = 0;
    int m_nMarginBottom = 0;
    int m_nGrabOffset = 0;
    int m_bChannelActive = 0;
    int m_bThumbActive = 0;
    int m_bChannelTransparent = 0;
    int m_bThumbTransparent = 0;
    int m_bThumbSet = 0;
    int m_bChannelSet = 0;
    int m_bDragging = 0;
    int m_bHasFocus = 0;
    int m_bDrawFocusRect = 1;
    // A transparent bitmap keeps its mask in its alpha channel: the key
    // colour's pixels are fully transparent.
    QImage m_bmpChannel;
    QImage m_bmpChannelActive;
    QImage m_bmpThumb;
    QImage m_bmpThumbActive;

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void DragStep(int x);
    int HalfThumb() const { return m_sizeThumb.width() / 2; }
};
