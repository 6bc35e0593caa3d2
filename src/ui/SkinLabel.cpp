#include "ui/SkinLabel.h"

#include "platform/ResourceLibrary.h"
#include "platform/Skin.h"
#include "ui/SkinColors.h"
#include "ui/UiMessages.h"

#include <QMouseEvent>
#include <QPainter>

CSkinLabel::CSkinLabel(QWidget* parent, bool notify)
    : CSkinCtrl(parent), m_crHover(SkinColor::WindowText()), m_crText(SkinColor::WindowText()),
      m_hBkBrush(fromColorRef(SkinColor::ButtonFace()))
{
    RebuildFont(12);
    SetNotify(notify);
}

void CSkinLabel::SetNotify(bool notify)
{
    setAttribute(Qt::WA_TransparentForMouseEvents, !notify);
    setMouseTracking(notify);
}

void CSkinLabel::RebuildFont(int pixelHeight)
{
    m_font = MakeSkinFont("Arial Bold", 9, 700);
    m_font.setPixelSize(std::max(1, pixelHeight));
    m_font.setStyleStrategy(QFont::PreferAntialias);
    m_nFontHeight = -pixelHeight;
}

void CSkinLabel::SetStyle(COLORREF crHover, COLORREF crText, int, BYTE bHoverBitmaps, bool, int nPointSize,
                          const char*)
{
    // Every rebuild goes back to "Arial Bold" at 700: the face and weight
    // arguments never reach the font.
    RebuildFont(FontPixelHeight(nPointSize));
    m_crHover = crHover;
    m_crText = crText;
    repaint();
    m_bHoverBitmaps = bHoverBitmaps;
}

void CSkinLabel::SetFontSize(int nPointSize)
{
    RebuildFont(FontPixelHeight(nPointSize));
    update();
}

void CSkinLabel::SetTextColors(COLORREF crHover, COLORREF crText)
{
    m_crHover = crHover;
    m_crText = crText;
}

void CSkinLabel::SetBkColor(COLORREF cr)
{
    m_hBkBrush = QBrush(fromColorRef(cr));
}

bool CSkinLabel::SetBitmap(int nIndex, UINT nID)
{
    QImage bmp = ResourceLibrary::Current().LoadBitmap(static_cast<int>(nID));
    if (nIndex == 0)
        m_bmpBody = bmp;
    else
        m_bmpEnd = bmp;
    if (bmp.isNull())
        return false;
    resize(bmp.size());
    update();
    return true;
}

void CSkinLabel::SetText(const QString& text)
{
    SetWindowText(text);
}

void CSkinLabel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect r = rect();
    if (m_bHoverBitmaps == 1 && m_bHover) {
        if (!m_bmpBody.isNull() && r.width() > kEndWidth)
            p.drawImage(QRect(r.left(), r.top(), r.width() - kEndWidth, r.height()), m_bmpBody);
        if (!m_bmpEnd.isNull())
            p.drawImage(QPoint(r.right() + 1 - kEndWidth, r.top()), m_bmpEnd,
                        QRect(0, 0, kEndWidth, r.height()));
    } else if (!m_bmpBody.isNull()) {
        p.drawImage(r, m_bmpBody);
    } else {
        // Without a body the label shows its background brush.
        p.fillRect(r, m_hBkBrush);
    }
    p.setFont(m_font);
    p.setPen(fromColorRef(m_bHover == 1 ? m_crHover : m_crText));
    p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, m_strWindowText);
}

void CSkinLabel::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) {
        e->ignore();
        return;
    }
    e->accept();
    m_ptClick = e->position().toPoint();
    NotifyParent(STN_CLICKED);
}

void CSkinLabel::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) {
        e->ignore();
        return;
    }
    e->accept();
    m_ptClick = e->position().toPoint();
    NotifyParent(STN_DBLCLK);
}

void CSkinLabel::mouseMoveEvent(QMouseEvent* e)
{
    e->accept();
    if (!m_bHover) {
        m_bHover = 1;
        update();
    }
}

void CSkinLabel::leaveEvent(QEvent*)
{
    m_bHover = 0;
    update();
}
