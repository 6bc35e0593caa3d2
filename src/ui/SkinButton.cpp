#include "ui/SkinButton.h"

#include "platform/ResourceLibrary.h"
#include "platform/Skin.h"
#include "ui/SkinDraw.h"
#include "ui/UiMessages.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <algorithm>
#include <iterator>

CSkinButton::CSkinButton(QWidget* parent) : CSkinCtrl(parent)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(m_hCursorNormal);
}

void SetupCaptionButton(CSkinTextButton& button, UINT bitmap, const QString& text,
                        const COLORREF (&colours)[4])
{
    button.SetBitmap(bitmap);
    button.SetFont(9, 0, 700, "Arial Bold");
    std::copy(std::begin(colours), std::end(colours), button.m_crText);
    button.SetText(0, text, true);
}

bool CSkinButton::SetBitmap(UINT nID)
{
    m_bmpStrip = ResourceLibrary::Current().LoadBitmap(static_cast<int>(nID));
    if (m_bmpStrip.isNull()) {
        update();
        return false;
    }
    resize(m_bmpStrip.size());
    update();
    return true;
}

void CSkinButton::SetState(int nState)
{
    if (!m_bEnabled)
        return;
    m_nState = nState;
    update();
}

void CSkinButton::Enable(bool bEnable)
{
    m_nState = bEnable ? 0 : 3;
    m_bDisabledCursor = !bEnable;
    m_bEnabled = bEnable;
    setCursor(CursorNow());
    update();
    setEnabled(bEnable);
}

void CSkinButton::Show(bool bShow)
{
    setVisible(bShow);
}

void CSkinButton::SetToolTipText(const QString* text)
{
    setToolTip(text ? *text : QString());
}

void CSkinButton::DrawFrame(QPainter& p, int frame) const
{
    DrawBitmap(p, m_bmpStrip, 0, 0, width(), height(), false, frame);
}

void CSkinButton::OnHoverMove()
{
    if (!m_bEnabled)
        return;
    if (m_nState == 0)
        m_nState = 2;
    else if (m_nState == 4)
        m_nState = 6;
    update();
}

void CSkinButton::OnHoverLeave()
{
    if (m_nState == 2)
        m_nState = 0;
    else if (m_nState == 6)
        m_nState = 4;
    update();
}

Qt::CursorShape CSkinButton::CursorNow() const
{
    return m_bDisabledCursor ? m_hCursorDisabled : m_hCursorNormal;
}

bool CSkinButton::OnLeftDown(const QPoint&)
{
    if (!m_bEnabled)
        return false;
    // Sent, not posted: the PTZ panel starts moving before the press is over.
    SendToParent(WM_BUTTON_UPDOWN, Handle().Id(), 0);
    return true;
}

bool CSkinButton::OnLeftUp(const QPoint&)
{
    if (!m_bEnabled)
        return false;
    SendToParent(WM_BUTTON_UPDOWN, Handle().Id(), 1);
    return true;
}

void CSkinButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    DrawFrame(p, FrameOf(m_nState));
}

void CSkinButton::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) {
        e->ignore();
        return;
    }
    e->accept();
    QPointer<CSkinButton> self(this);
    if (!OnLeftDown(e->position().toPoint()) || !self)
        return;
    m_bPushed = true;
    setFocus(Qt::MouseFocusReason);
}

void CSkinButton::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) {
        e->ignore();
        return;
    }
    e->accept();
    QPointer<CSkinButton> self(this);
    if (!OnLeftUp(e->position().toPoint()) || !self)
        return;
    const bool click = m_bPushed && rect().contains(e->position().toPoint());
    m_bPushed = false;
    if (click)
        Click();
}

void CSkinButton::mouseMoveEvent(QMouseEvent* e)
{
    e->accept();
    if (rect().contains(e->position().toPoint()))
        setCursor(CursorNow());
    OnHoverMove();
}

void CSkinButton::leaveEvent(QEvent*)
{
    OnHoverLeave();
}

void CSkinButton::keyPressEvent(QKeyEvent* e)
{
    // The space bar presses a focused button as the mouse does, without the
    // mouse's press and release messages.
    if (e->key() == Qt::Key_Space && !e->isAutoRepeat() && e->modifiers() == Qt::NoModifier) {
        m_bPushed = true;
        e->accept();
        return;
    }
    CSkinCtrl::keyPressEvent(e);
}

void CSkinButton::keyReleaseEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Space && !e->isAutoRepeat()) {
        e->accept();
        if (m_bPushed) {
            m_bPushed = false;
            Click();
        }
        return;
    }
    CSkinCtrl::keyReleaseEvent(e);
}

void CSkinButton::focusOutEvent(QFocusEvent* e)
{
    m_bPushed = false;
    CSkinCtrl::focusOutEvent(e);
}

void CSkinButton::Click()
{
    NotifyParent(BN_CLICKED);
}

// ---------------------------------------------------------------------------

CSkinTextButton::CSkinTextButton(QWidget* parent) : CSkinButton(parent)
{
    m_hCursorDisabled = Qt::ArrowCursor;
    setCursor(CursorNow());
}

void CSkinTextButton::SetFont(int nPointSize, int /*nWidth: the face's own width is kept*/, int nWeight,
                              const char* face)
{
    m_font = MakeSkinFont(face ? face : "", nPointSize, nWeight);
    m_font.setStyleStrategy(QFont::PreferAntialias);
    m_nFontHeight = -FontPixelHeight(nPointSize);
    m_bFontSet = true;
    update();
}

void CSkinTextButton::SetText(int nLeft, const QString& text, bool bCenter)
{
    m_strText = text;
    m_nTextLeft = nLeft;
    m_bCenter = bCenter;
    update();
}

void CSkinTextButton::OnHoverMove()
{
    if (!m_bEnabled)
        return;
    if (m_nState == 0) {
        m_nState = 2;
        update();
    }
}

void CSkinTextButton::OnHoverLeave()
{
    if (m_nState == 2) {
        m_nState = 0;
        update();
    }
}

Qt::CursorShape CSkinTextButton::CursorNow() const
{
    return m_hCursorDisabled;
}

bool CSkinTextButton::OnLeftDown(const QPoint& pos)
{
    m_ptClick = pos;
    return true;
}

bool CSkinTextButton::OnLeftUp(const QPoint&)
{
    return true;
}

void CSkinTextButton::paintEvent(QPaintEvent*)
{
    const int look = m_nState >= 0 && m_nState <= 3 ? m_nState : 0;
    QPainter p(this);
    DrawFrame(p, look);
    p.setFont(m_bFontSet ? m_font : font());
    p.setPen(fromColorRef(m_crText[look]));
    QRect text = rect();
    text.setLeft(text.left() + m_nTextLeft);
    const Qt::Alignment align = Qt::AlignVCenter | (m_bCenter ? Qt::AlignHCenter : Qt::AlignLeft);
    p.drawText(text, static_cast<int>(align) | Qt::TextSingleLine, m_strText);
}

// ---------------------------------------------------------------------------

CCalendarButton::CCalendarButton(QWidget* parent) : CSkinButton(parent)
{
    m_hCursorDisabled = Qt::ArrowCursor;
    setCursor(CursorNow());
}

void CCalendarButton::SetFont(int nPointSize, int nWeight, const char* face)
{
    m_font = MakeSkinFont(face ? face : "", nPointSize, nWeight);
    m_nFontHeight = -FontPixelHeight(nPointSize);
    m_bFontSet = true;
    update();
}

void CCalendarButton::SetCaption(const QString& text)
{
    m_strCaption = text;
    update();
}

void CCalendarButton::OnHoverMove()
{
    // Only days that hold recordings answer the mouse.
    if (m_bHasData == 1 && m_nState == 1) {
        m_nState = 2;
        update();
    }
}

void CCalendarButton::OnHoverLeave()
{
    if (m_nState == 2) {
        m_nState = 1;
        update();
    }
}

Qt::CursorShape CCalendarButton::CursorNow() const
{
    if (m_bDisabledCursor)
        return m_hCursorDisabled;
    return m_bHasData == 1 ? m_hCursorNormal : Qt::ArrowCursor;
}

bool CCalendarButton::OnLeftDown(const QPoint&)
{
    return true;
}

bool CCalendarButton::OnLeftUp(const QPoint&)
{
    return true;
}

void CCalendarButton::paintEvent(QPaintEvent*)
{
    int frame = 0;
    int colour = 0;
    switch (m_nState) {
    case 1:
        frame = 1;
        colour = 1;
        break;
    case 2:
        frame = 1;
        colour = 2;
        break;
    case 3:
        frame = 3;
        colour = 3;
        break;
    default:
        break;
    }
    QPainter p(this);
    DrawFrame(p, frame);
    if (m_bHasData == 1) {
        static const COLORREF kMarks[3] = {0x0000FF, 0x00FF00, 0xFF0000};
        p.save();
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        for (int i = 0; i < 3; ++i) {
            if (m_bMark[i] != 1)
                continue;
            p.setBrush(fromColorRef(kMarks[i]));
            p.drawEllipse(QRectF(8 + 10 * i, 18, 6, 6));
        }
        p.restore();
    }
    p.setFont(m_bFontSet ? m_font : font());
    p.setPen(fromColorRef(m_crText[colour]));
    p.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, m_strCaption);
}
