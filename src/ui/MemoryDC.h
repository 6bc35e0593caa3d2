// Flicker-free painting: draw everything into an off-screen picture of the
// painted rectangle, which is copied to the target in one piece when the
// object goes out of scope. Drawing uses the target's coordinates. On a
// printer there is nothing to gain and the target is used directly.
#pragma once

#include <QImage>
#include <QPainter>
#include <QRect>

class CMemoryDC
{
public:
    // rect null: the target's whole device. copyBackground: start from what
    // the target shows there (a target that cannot be read back, such as a
    // widget, shows through where nothing is drawn); otherwise start from
    // the target's background colour.
    CMemoryDC(QPainter* pDC, const QRect* pRect, bool bCopyBackground);
    ~CMemoryDC();
    CMemoryDC(const CMemoryDC&) = delete;
    CMemoryDC& operator=(const CMemoryDC&) = delete;

    QPainter& Painter() { return m_bMemDC ? m_memPainter : *m_pDC; }
    QPainter* operator->() { return &Painter(); }
    bool IsMemDC() const { return m_bMemDC; }
    const QRect& Rect() const { return m_rect; }

private:
    QImage m_bitmap;
    QPainter* m_pDC;
    QRect m_rect;
    bool m_bMemDC;
    QPainter m_memPainter;
};
