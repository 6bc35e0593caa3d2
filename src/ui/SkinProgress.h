// The skinned progress bar: a background and a fill, each a strip of three
// frames (left cap, middle, right cap), with an optional centred percent text.
#pragma once

#include "ui/SkinCtrl.h"

#include <QImage>
#include <QSize>

class CSkinProgress : public CSkinCtrl
{
    Q_OBJECT
public:
    explicit CSkinProgress(QWidget* parent = nullptr);

    // Position 0, percent 0, text "0 %".
    void SetRange(int nLower, int nUpper, bool bRedraw);
    // Clamps to the range; with the text on, the text is the percent with one
    // decimal ("12.5 %").
    void SetPos(int nPos);
    void SetTextStyle(bool bShowText, COLORREF crText);
    bool SetBackBitmap(UINT nID);
    bool SetBarBitmap(UINT nID);

    // The percent text for a position of a range (equal ends give 0 %).
    static QString PercentText(int lower, int upper, int pos, float* percent = nullptr);
    // Right edge of the stretched middle of the fill, for a client width.
    static int FillRight(int lower, int upper, int pos, int clientWidth, int frameWidth);

    int m_nUpper = 0;
    int m_nLower = 0;
    int m_nPos = 0;
    QImage m_bmpBack;
    QImage m_bmpBar;
    QSize m_bmBack;
    int m_bShowText = 0;
    COLORREF m_crText = 0x783C3C;
    QString m_strText = QStringLiteral("0.00%");
    float m_fPercent = 0.0f;
    int m_nFrames = 3;

protected:
    void paintEvent(QPaintEvent* e) override;
};
