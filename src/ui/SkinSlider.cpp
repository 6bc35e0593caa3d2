#include "ui/SkinSlider.h"

#include "platform/ResourceLibrary.h"
#include "platform/Skin.h"
#include "ui/SkinColors.h"
#include "ui/UiMessages.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace {

constexpr COLORREF kTransFromPixel = 0xFF000000;

QImage LoadById(UINT id)
{
    return ResourceLibrary::Current().LoadBitmap(static_cast<int>(id));
}

// The key colour's pixels become fully transparent, which is what drawing
// through the mask (destination AND mask, then OR bitmap) shows.
QImage Keyed(const QImage& bmp, COLORREF crTrans, int x, int y)
{
    QImage out = bmp.convertToFormat(QImage::Format_ARGB32);
    QRgb key;
    if (crTrans == kTransFromPixel) {
        if (!out.rect().contains(x, y))
            return out;
        key = out.pixel(x, y) & 0xFFFFFF;
    } else {
        key = fromColorRef(crTrans).rgb() & 0xFFFFFF;
    }
    for (int row = 0; row < out.height(); ++row) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(row));
        for (int col = 0; col < out.width(); ++col) {
            if ((line[col] & 0xFFFFFF) == key)
                line[col] = 0;
        }
    }
    return out;
}

} // namespace

CSkinSlider::CSkinSlider(QWidget* parent) : CSkinCtrl(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    m_rcClient = rect();
    m_sizeChannel = size();
}

bool CSkinSlider::SetChannelBitmaps(UINT nChannelID, UINT nActiveID, bool bTransparent, COLORREF crTrans,
                                    int nTransX, int nTransY)
{
    if (nChannelID == 0) {
        m_bChannelSet = 0;
        m_bmpChannel = QImage();
        m_bmpChannelActive = QImage();
        m_bChannelActive = 0;
        update();
        return true;
    }
    QImage channel = LoadById(nChannelID);
    if (channel.isNull()) {
        m_bmpChannel = QImage();
        m_bChannelSet = 0;
        return false;
    }
    if (bTransparent)
        channel = Keyed(channel, crTrans, nTransX, nTransY);
    QImage active;
    if (nActiveID != 0) {
        active = LoadById(nActiveID);
        if (active.isNull()) {
            m_bmpChannel = QImage();
            m_bmpChannelActive = QImage();
            m_bChannelSet = 0;
            m_bChannelActive = 0;
            return false;
        }
        if (bTransparent)
            active = Keyed(active, crTrans, nTransX, nTransY);
        m_bChannelActive = 1;
    } else {
        m_bChannelActive = 0;
    }
    m_bmpChannel = channel;
    m_bmpChannelActive = active;
    m_sizeChannel = m_bmpChannel.size();
    resize(m_sizeChannel);
    m_rcClient = rect();
    m_bChannelTransparent = bTransparent ? 1 : 0;
    m_bChannelSet = 1;
    update();
    return true;
}

bool CSkinSlider::SetThumbBitmaps(UINT nThumbID, UINT nActiveID, bool bTransparent, COLORREF crTrans,
                                  int nTransX, int nTransY)
{
    if (nThumbID == 0) {
        m_bThumbSet = 0;
        m_bmpThumb = QImage();
        m_bmpThumbActive = QImage();
        m_bThumbActive = 0;
        update();
        return true;
    }
    QImage thumb = LoadById(nThumbID);
    if (thumb.isNull()) {
        m_bmpThumb = QImage();
        m_bThumbSet = 0;
        return false;
    }
    if (bTransparent)
        thumb = Keyed(thumb, crTrans, nTransX, nTransY);
    QImage active;
    if (nActiveID != 0) {
        active = LoadById(nActiveID);
        if (active.isNull()) {
            m_bmpThumb = QImage();
            m_bmpThumbActive = QImage();
            m_bThumbSet = 0;
            m_bThumbActive = 0;
            return false;
        }
        if (bTransparent)
            active = Keyed(active, crTrans, nTransX, nTransY);
        m_bThumbActive = 1;
    } else {
        m_bThumbActive = 0;
    }
    m_bmpThumb = thumb;
    m_bmpThumbActive = active;
    m_sizeThumb = m_bmpThumb.size();
    if (!m_bChannelSet) {
        m_rcClient = rect();
        m_sizeChannel = size();
    }
    m_bThumbTransparent = bTransparent ? 1 : 0;
    m_bThumbSet = 1;
    update();
    return true;
}

void CSkinSlider::SetRange(int nMin, int nMax, bool bRedraw)
{
    m_nMin = nMin;
    m_nMax = nMax;
    if (bRedraw)
        update();
}

void CSkinSlider::SetPos(int nPos)
{
    if (nPos > m_nMax)
        nPos = m_nMax;
    if (nPos < m_nMin)
        nPos = m_nMin;
    m_nPos = nPos;
    update();
}

void CSkinSlider::SetMargin(int nLeft, int nTop, int nRight, int nBottom)
{
    m_nMarginLeft = nLeft;
    m_nMarginTop = nTop;
    m_nMarginRight = nRight;
    m_nMarginBottom = nBottom;
}

void CSkinSlider::EnableFocusRect(bool bDraw, bool bRedraw)
{
    m_bDrawFocusRect = bDraw ? 1 : 0;
    if (bRedraw)
        update();
}

int CSkinSlider::PosToPixel(int nPos) const
{
    const int w = m_sizeThumb.width();
    const int travel = m_sizeChannel.width() - m_nMarginRight - w - m_nMarginLeft;
    const int span = m_nMax - m_nMin;
    // An empty range keeps the thumb at the start instead of dividing by 0.
    const double part = span != 0 ? static_cast<double>(nPos - m_nMin) / span * travel : 0.0;
    return m_nMarginLeft + w / 2 + static_cast<int>(std::trunc(part));
}

int CSkinSlider::PixelToPos(int x) const
{
    const int w = m_sizeThumb.width();
    const int travel = m_sizeChannel.width() - m_nMarginRight - m_nMarginLeft - w;
    if (travel <= 0)
        return m_nMin;
    const double pos = static_cast<double>(x - w / 2 - m_nMarginLeft) / travel * (m_nMax - m_nMin) + m_nMin;
    return static_cast<int>(std::trunc(pos));
}

void CSkinSlider::DragStep(int x)
{
    const int w2 = HalfThumb();
    int p = x - m_nGrabOffset;
    p = std::max(p, m_nMarginLeft + w2);
    p = std::min(p, m_sizeChannel.width() - w2 - m_nMarginRight);
    if (p != PosToPixel(m_nPos)) {
        SetPos(PixelToPos(p));
        // Every pixel the pointer moves is news, even when the value stays.
        PostToParent(WM_SLIDER_MOVED, static_cast<WPARAM>(GetDlgCtrlID()), m_nPos);
    }
}

void CSkinSlider::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) {
        e->ignore();
        return;
    }
    e->accept();
    setFocus(Qt::MouseFocusReason);
    m_bDragging = 1;
    const int x = e->position().toPoint().x();
    const int c = PosToPixel(m_nPos);
    m_nGrabOffset = std::abs(x - c) > HalfThumb() ? 0 : x - c;
    DragStep(x);
    update();
    PostToParent(WM_SLIDER_PRESSED, static_cast<WPARAM>(GetDlgCtrlID()), m_nPos);
}

void CSkinSlider::mouseMoveEvent(QMouseEvent* e)
{
    e->accept();
    if (!m_bDragging)
        return;
    DragStep(e->position().toPoint().x());
}

void CSkinSlider::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) {
        e->ignore();
        return;
    }
    e->accept();
    m_bDragging = 0;
    update();
    PostToParent(WM_SLIDER_RELEASED, static_cast<WPARAM>(GetDlgCtrlID()), m_nPos);
    // The focus rectangle goes with the release; the keyboard focus stays.
    m_bHasFocus = 0;
    update();
}

void CSkinSlider::focusInEvent(QFocusEvent* e)
{
    CSkinCtrl::focusInEvent(e);
    m_bHasFocus = 1;
    update();
}

void CSkinSlider::focusOutEvent(QFocusEvent* e)
{
    CSkinCtrl::focusOutEvent(e);
    m_bHasFocus = 0;
    update();
}

void CSkinSlider::keyPressEvent(QKeyEvent* e)
{
    // The slider wants every key but Tab (which Qt keeps for focus moves) and
    // does nothing with them.
    e->accept();
}

void CSkinSlider::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const int h = m_sizeChannel.height();
    if (m_bChannelSet) {
        if (m_bChannelActive) {
            // (An empty source rectangle would mean the whole bitmap to Qt.)
            const int P = std::clamp(PosToPixel(m_nPos), 0, m_sizeChannel.width());
            if (P < m_sizeChannel.width())
                p.drawImage(QPoint(P, 0), m_bmpChannel, QRect(P, 0, m_sizeChannel.width() - P, h));
            if (P > 0)
                p.drawImage(QPoint(0, 0), m_bmpChannelActive, QRect(0, 0, P, m_bmpChannelActive.height()));
        } else {
            p.drawImage(QPoint(0, 0), m_bmpChannel);
        }
    }
    if (m_bThumbSet) {
        const QImage& thumb = (m_bThumbActive && m_bDragging) ? m_bmpThumbActive : m_bmpThumb;
        p.drawImage(QPoint(PosToPixel(m_nPos) - HalfThumb(), m_nMarginTop), thumb);
    }
    if (m_bDrawFocusRect && m_bHasFocus) {
        QPen pen(SkinColor::Of(SkinColor::kText), 1, Qt::DotLine);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawRect(m_rcClient.adjusted(0, 0, -1, -1));
    }
}
