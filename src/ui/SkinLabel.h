// The skinned static text: a bold caption over a stretched skin bitmap, with
// a second text colour (and optionally a second background piece) while the
// mouse is over it. With the notify style it reports clicks to its parent
// (WM_COMMAND, STN_CLICKED) and keeps the click point for pop-ups.
#pragma once

#include "ui/SkinCtrl.h"

#include <QBrush>
#include <QFont>
#include <QImage>
#include <QPoint>

class CSkinLabel : public CSkinCtrl
{
    Q_OBJECT
public:
    // notify: the label takes the mouse (hover, click point, STN_CLICKED);
    // without it the mouse goes through to the window behind.
    explicit CSkinLabel(QWidget* parent = nullptr, bool notify = true);

    void SetNotify(bool notify);

    // The same operation under two names. Only the point size and the
    // colours last: the caption is always "Arial Bold" at weight 700.
    void SetStyle(COLORREF crHover, COLORREF crText, int nUnused, BYTE bHoverBitmaps, bool bBold,
                  int nPointSize, const char* face);
    void SetLabelStyle(COLORREF crHover, COLORREF crText, int nUnused, BYTE bHoverBitmaps, bool bBold,
                       int nPointSize, const char* face)
    {
        SetStyle(crHover, crText, nUnused, bHoverBitmaps, bBold, nPointSize, face);
    }
    void SetFontSize(int nPointSize);
    void SetTextColors(COLORREF crHover, COLORREF crText);
    void SetBkColor(COLORREF cr);
    // nIndex 0 the body, 1 the end piece; resizes the label to the bitmap.
    bool SetBitmap(int nIndex, UINT nID);
    void SetText(const QString& text);

    COLORREF m_crHover;
    COLORREF m_crText;
    QBrush m_hBkBrush;
    QFont m_font;
    int m_nFontHeight = -12;
    QImage m_bmpBody;
    QImage m_bmpEnd;
    int m_bHover = 0;
    QPoint m_ptClick; // last press, client coordinates; pages read it
    BYTE m_bHoverBitmaps = 0;

    // Width of the end piece shown while hovered.
    static constexpr int kEndWidth = 9;

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;

private:
    void RebuildFont(int pixelHeight);
};
