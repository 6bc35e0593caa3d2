// The four skinned buttons: a picture button drawn from a strip of state
// frames (CSkinButton), the same with a caption (CSkinTextButton), the day
// and month cells of the calendars (CCalendarButton); the mask-shaped check
// box lives in SkinCheckBox.h.
#pragma once

#include "ui/SkinCtrl.h"

#include <QFont>
#include <QImage>
#include <QPoint>

// States of CSkinButton; the state is also the index of the frame drawn.
//   0 normal, 1 selected, 2 hover, 3 disabled,
//   4 second normal, 5, 6 second hover, 7 (the second set of a toggle)
// Any other value draws frame 0.
class CSkinButton : public CSkinCtrl
{
    Q_OBJECT
public:
    explicit CSkinButton(QWidget* parent = nullptr);

    // Loads the strip; resizes the button to the whole strip, keeping its
    // place (owners then place and size it). False, and an empty strip, when
    // the id does not load.
    bool SetBitmap(UINT nID);
    // Ignored while the button is disabled.
    void SetState(int nState);
    // TRUE: state 0, normal cursor; FALSE: state 3, no-entry cursor.
    void Enable(bool bEnable);
    void Show(bool bShow);
    // A text activates the tooltip with it; null deactivates the tooltip.
    void SetToolTipText(const QString* text);
    void SetToolTipText(const QString& text) { SetToolTipText(&text); }

    QImage m_bmpStrip;
    Qt::CursorShape m_hCursorNormal = Qt::PointingHandCursor;
    Qt::CursorShape m_hCursorDisabled = Qt::ForbiddenCursor;
    bool m_bDisabledCursor = false;
    bool m_bEnabled = true;
    int m_nState = 0;

protected:
    // The frame a state draws: the state itself, or 0 outside 0-7.
    static int FrameOf(int state) { return state >= 0 && state <= 7 ? state : 0; }
    void DrawFrame(QPainter& p, int frame) const;

    // The pieces that differ between the three picture buttons.
    virtual void OnHoverMove();
    virtual void OnHoverLeave();
    virtual Qt::CursorShape CursorNow() const;
    // The class's own part of a left press or release; false stops the
    // default processing (press tracking and the click).
    virtual bool OnLeftDown(const QPoint& pos);
    virtual bool OnLeftUp(const QPoint& pos);

    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    void Click();
    bool m_bPushed = false; // the default button processing's pushed state
};

class CSkinTextButton : public CSkinButton
{
    Q_OBJECT
public:
    explicit CSkinTextButton(QWidget* parent = nullptr);

    // Owners call it with 9 points, width 0, weight 700, "Arial Bold".
    void SetFont(int nPointSize, int nWidth, int nWeight, const char* face);
    void SetText(int nLeft, const QString& text, bool bCenter);

    QFont m_font;
    bool m_bFontSet = false;
    int m_nFontHeight = 0;
    QString m_strText;
    int m_nTextLeft = 0;
    bool m_bCenter = false;
    // Text colours of states 0-3; owners overwrite all four after SetFont.
    COLORREF m_crText[4] = {0x785A5A, 0x785A5A, 0x785A5A, 0xADADAD};
    QPoint m_ptClick;

protected:
    void OnHoverMove() override;
    void OnHoverLeave() override;
    Qt::CursorShape CursorNow() const override;
    bool OnLeftDown(const QPoint& pos) override;
    bool OnLeftUp(const QPoint& pos) override;
    void paintEvent(QPaintEvent* e) override;
};

// Caption colours of the prompts' and message boxes' buttons: white, white
// when selected, yellow on hover, grey when disabled.
inline constexpr COLORREF kPromptButtonText[4] = {0xFFFFFF, 0xFFFFFF, 0xFFFF00, 0xA6A6A6};

// The owners' usual text button: strip `bitmap` (which sizes the button; the
// owner places it afterwards), 9-point "Arial Bold" of weight 700, `colours`
// for states 0-3, and `text` centred.
void SetupCaptionButton(CSkinTextButton& button, UINT bitmap, const QString& text,
                        const COLORREF (&colours)[4]);

class CCalendarButton : public CSkinButton
{
    Q_OBJECT
public:
    explicit CCalendarButton(QWidget* parent = nullptr);

    void SetFont(int nPointSize, int nWeight, const char* face);
    void SetCaption(const QString& text);

    QFont m_font;
    bool m_bFontSet = false;
    int m_nFontHeight = 0;
    QString m_strCaption;
    COLORREF m_crText[4] = {0, 0, 0, 0}; // written by the calendar windows
    BYTE m_bHasData = 0;                 // the day or month holds recordings
    BYTE m_bMark[3] = {0, 0, 0};         // red, green, blue marker dots

protected:
    void OnHoverMove() override;
    void OnHoverLeave() override;
    Qt::CursorShape CursorNow() const override;
    bool OnLeftDown(const QPoint& pos) override;
    bool OnLeftUp(const QPoint& pos) override;
    void paintEvent(QPaintEvent* e) override;
};
