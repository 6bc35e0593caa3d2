#include "ui/SkinCheckBox.h"

#include "platform/ResourceLibrary.h"
#include "platform/Skin.h"
#include "ui/SkinColors.h"
#include "ui/UiMessages.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <algorithm>

namespace {

QImage LoadById(UINT id)
{
    return id != 0 ? ResourceLibrary::Current().LoadBitmap(static_cast<int>(id)) : QImage();
}

// The bitmap where the mask is black and nothing where it is white: what the
// XOR, AND, XOR sequence leaves over the pixels already there.
QImage Masked(const QImage& bmp, const QImage& mask)
{
    QImage out = bmp.convertToFormat(QImage::Format_ARGB32);
    const QImage m = mask.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        const auto* mline = y < m.height() ? reinterpret_cast<const QRgb*>(m.constScanLine(y)) : nullptr;
        for (int x = 0; x < out.width(); ++x) {
            const bool shows = mline && x < m.width() && qGray(mline[x]) < 128;
            if (!shows)
                line[x] = 0;
        }
    }
    return out;
}

void DrawEdge(QPainter& p, const QRect& r, bool sunken)
{
    const QColor light = SkinColor::Of(SkinColor::kHilite);
    const QColor dark = SkinColor::Of(SkinColor::kSunken);
    const QColor topLeft = sunken ? dark : light;
    const QColor bottomRight = sunken ? light : dark;
    p.setPen(topLeft);
    p.drawLine(r.left(), r.top(), r.right(), r.top());
    p.drawLine(r.left(), r.top(), r.left(), r.bottom());
    p.setPen(bottomRight);
    p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
    p.drawLine(r.right(), r.top(), r.right(), r.bottom());
}

} // namespace

CSkinCheckBox::CSkinCheckBox(QWidget* parent, UINT style)
    : CSkinCtrl(parent), m_nKind(KindOfStyle(style)), m_crText(SkinColor::ButtonText())
{
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
}

int CSkinCheckBox::KindOfStyle(UINT style)
{
    const UINT s = style & 0xFF;
    if ((s & 3) == 3)
        return KindCheck;
    if ((s & 9) == 9)
        return KindRadio;
    return KindPush;
}

bool CSkinCheckBox::SetBitmaps(UINT nNormal, UINT nDown, UINT nOver, UINT nDisabled, UINT nFocus, UINT nMask,
                               short nDrawMode, short nBorder, short nFocusMargin)
{
    m_bmpNormal = LoadById(nNormal);
    m_bmpDown = LoadById(nDown);
    m_bmpOver = LoadById(nOver);
    m_bmpFocus = LoadById(nFocus);
    m_bmpDisabled = LoadById(nDisabled != 0 ? nDisabled : nNormal);
    m_bmpMask = QImage();
    bool ok = (nNormal == 0 || !m_bmpNormal.isNull()) && (nDown == 0 || !m_bmpDown.isNull()) &&
              (nOver == 0 || !m_bmpOver.isNull()) && (nFocus == 0 || !m_bmpFocus.isNull());

    m_nDrawMode = static_cast<short>(std::clamp<int>(nDrawMode, 0, 2));
    m_nBorder = nBorder;
    m_nFocusMargin = static_cast<short>(std::max<int>(nFocusMargin, 0));

    if (nMask != 0) {
        m_bmpMask = LoadById(nMask);
        ok = ok && !m_bmpMask.isNull();
        m_hClipRgn = RegionWithoutColor(m_bmpMask, 0xFFFFFF);
        if (!m_hClipRgn.isEmpty()) {
            setMask(m_hClipRgn);
            if (m_nDrawMode == 0)
                resize(m_bmpMask.size());
        } else {
            clearMask();
        }
    }
    update();
    return ok;
}

COLORREF CSkinCheckBox::SetTextColor(COLORREF cr)
{
    const COLORREF old = m_crText;
    m_crText = cr;
    update();
    return old;
}

void CSkinCheckBox::SetToolTipText(const QString& text)
{
    setToolTip(text);
}

LRESULT CSkinCheckBox::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case BM_SETCHECK:
        m_bChecked = wParam != 0 ? 1 : 0;
        if (m_nKind == KindPush)
            m_bChecked = 0;
        else if (m_nKind == KindRadio && m_bChecked)
            UncheckGroup();
        update();
        return 0;
    case BM_GETCHECK:
        return m_bChecked;
    case BM_GETSTATE:
        return (m_bChecked ? BST_CHECKED : BST_UNCHECKED) | (m_bPushed ? BST_PUSHED : 0);
    case BM_SETSTATE:
        SetPushed(wParam != 0);
        return 0;
    case WM_UNCHECK_BUTTON:
        if (m_bChecked) {
            m_bChecked = 0;
            update();
        }
        return 0;
    default:
        return CSkinCtrl::WindowProc(msg, wParam, lParam);
    }
}

bool CSkinCheckBox::IsOver(const QPoint& pos) const
{
    if (!rect().contains(pos))
        return false;
    return mask().isEmpty() || mask().contains(pos);
}

void CSkinCheckBox::SetPushed(bool pushed)
{
    if (m_bPushed != pushed) {
        m_bPushed = pushed;
        update();
    }
}

void CSkinCheckBox::ToggleByUser()
{
    if (m_nKind == KindCheck)
        SetCheck(m_bChecked ? 0 : 1);
    else if (m_nKind == KindRadio)
        SetCheck(1);
}

void CSkinCheckBox::UncheckGroup()
{
    QWidget* parent = parentWidget();
    if (!parent)
        return;
    // The parent's check boxes in child order, cut into groups at every box
    // that starts a group.
    std::vector<CSkinCheckBox*> group;
    bool mine = false;
    for (QObject* o : parent->children()) {
        auto* box = qobject_cast<CSkinCheckBox*>(o);
        if (!box)
            continue;
        if (box->m_bGroupStart) {
            if (mine)
                break;
            group.clear();
        }
        group.push_back(box);
        if (box == this)
            mine = true;
    }
    for (CSkinCheckBox* box : group) {
        if (box != this)
            PostMessage(box->Handle(), WM_UNCHECK_BUTTON, 0, 0);
    }
}

void CSkinCheckBox::DrawBitmapInMode(QPainter& p, const QImage& bmp, const QRect& r) const
{
    if (m_nDrawMode == 2) {
        for (int y = r.top(); y <= r.bottom(); y += bmp.height()) {
            for (int x = r.left(); x <= r.right(); x += bmp.width()) {
                const int w = std::min(bmp.width(), r.right() + 1 - x);
                const int h = std::min(bmp.height(), r.bottom() + 1 - y);
                p.drawImage(QPoint(x, y), bmp, QRect(0, 0, w, h));
            }
        }
        return;
    }
    const QImage src = m_bmpMask.isNull() ? bmp : Masked(bmp, m_bmpMask);
    if (m_nDrawMode == 1)
        p.drawImage(r, src);
    else
        p.drawImage(r.topLeft(), src, QRect(0, 0, r.width(), r.height()));
}

void CSkinCheckBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect item = rect();
    const int margin = m_nFocusMargin;
    QRect text = item.adjusted(margin + 2, 0, -(margin + 2), 0);
    const int textFlags = Qt::AlignCenter | Qt::TextSingleLine;
    p.setFont(font());
    auto drawLook = [&](const QImage& bmp) {
        if (bmp.isNull())
            p.fillRect(item, fromColorRef(SkinColor::ButtonFace()));
        else
            DrawBitmapInMode(p, bmp, item);
    };

    if (!isEnabled()) {
        drawLook(m_bmpDisabled);
        if (m_nBorder != 0)
            DrawEdge(p, item, false);
        p.setPen(fromColorRef(SkinColor::Hilite3D()));
        p.drawText(text, textFlags, m_strWindowText);
        p.setPen(fromColorRef(SkinColor::GrayText()));
        p.drawText(text.translated(-1, -1), textFlags, m_strWindowText);
        return;
    }

    if (m_bPushed || m_bChecked) {
        drawLook(m_bmpDown);
        text.translate(1, 1);
        if (m_nBorder != 0)
            DrawEdge(p, item, true);
    } else {
        const QImage* look = &m_bmpNormal;
        if (!m_bmpNormal.isNull()) {
            if (m_bTracking && !m_bmpOver.isNull())
                look = &m_bmpOver;
            else if (hasFocus() && !m_bmpFocus.isNull())
                look = &m_bmpFocus;
        }
        drawLook(*look);
        if (m_nBorder != 0)
            DrawEdge(p, item, false);
    }
    if (hasFocus() && margin > 0) {
        QPen pen(fromColorRef(m_crText), 1, Qt::DotLine);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawRect(item.adjusted(margin, margin, -margin - 1, -margin - 1));
    }
    p.setPen(fromColorRef(m_crText));
    p.drawText(text, textFlags, m_strWindowText);
}

void CSkinCheckBox::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) {
        e->ignore();
        return;
    }
    e->accept();
    m_bTracking = 0;
    setFocus(Qt::MouseFocusReason);
    SetPushed(true);
    m_bButtonDown = 1;
}

void CSkinCheckBox::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) {
        e->ignore();
        return;
    }
    e->accept();
    const QPoint pos = e->position().toPoint();
    const bool wasDown = m_bButtonDown != 0;
    // The parent sees the new check state when the click arrives.
    if (wasDown && IsOver(pos))
        ToggleByUser();
    m_bButtonDown = 0;
    const bool click = m_bPushed;
    SetPushed(false);
    if (click)
        NotifyParent(BN_CLICKED);
}

void CSkinCheckBox::mouseMoveEvent(QMouseEvent* e)
{
    e->accept();
    const QPoint pos = e->position().toPoint();
    if (m_bButtonDown) {
        SetPushed(IsOver(pos));
    } else if (!m_bTracking) {
        m_bTracking = 1;
        update();
    }
}

void CSkinCheckBox::leaveEvent(QEvent*)
{
    m_bTracking = 0;
    update();
}

void CSkinCheckBox::focusInEvent(QFocusEvent* e)
{
    CSkinCtrl::focusInEvent(e);
    update();
}

void CSkinCheckBox::focusOutEvent(QFocusEvent* e)
{
    m_bButtonDown = 0;
    m_bSpaceDown = false;
    SetPushed(false);
    CSkinCtrl::focusOutEvent(e);
    update();
}

void CSkinCheckBox::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Space && e->modifiers() == Qt::NoModifier) {
        e->accept();
        if (e->isAutoRepeat())
            return;
        ToggleByUser();
        m_bSpaceDown = true;
        SetPushed(true);
        return;
    }
    CSkinCtrl::keyPressEvent(e);
}

void CSkinCheckBox::keyReleaseEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Space && !e->isAutoRepeat()) {
        e->accept();
        if (m_bSpaceDown) {
            m_bSpaceDown = false;
            SetPushed(false);
            NotifyParent(BN_CLICKED);
        }
        return;
    }
    CSkinCtrl::keyReleaseEvent(e);
}
