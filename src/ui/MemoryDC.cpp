#include "ui/MemoryDC.h"

#include <QPaintDevice>

namespace {

QRect DeviceRect(QPainter* p)
{
    QPaintDevice* dev = p ? p->device() : nullptr;
    return dev ? QRect(0, 0, dev->width(), dev->height()) : QRect();
}

} // namespace

CMemoryDC::CMemoryDC(QPainter* pDC, const QRect* pRect, bool bCopyBackground)
    : m_pDC(pDC), m_rect(pRect ? *pRect : DeviceRect(pDC)),
      m_bMemDC(pDC && pDC->device() && pDC->device()->devType() != QInternal::Printer && !m_rect.isEmpty())
{
    if (!m_bMemDC)
        return;
    m_bitmap = QImage(m_rect.size(), QImage::Format_ARGB32_Premultiplied);
    QPaintDevice* dev = pDC->device();
    if (bCopyBackground) {
        if (dev->devType() == QInternal::Image)
            m_bitmap =
                static_cast<QImage*>(dev)->copy(m_rect).convertToFormat(QImage::Format_ARGB32_Premultiplied);
        else
            m_bitmap.fill(Qt::transparent);
    } else {
        m_bitmap.fill(pDC->background().color());
    }
    m_memPainter.begin(&m_bitmap);
    m_memPainter.translate(-m_rect.topLeft());
    m_memPainter.setFont(pDC->font());
    m_memPainter.setPen(pDC->pen());
    m_memPainter.setBackground(pDC->background());
}

CMemoryDC::~CMemoryDC()
{
    if (!m_bMemDC)
        return;
    m_memPainter.end();
    m_pDC->drawImage(m_rect.topLeft(), m_bitmap);
}
