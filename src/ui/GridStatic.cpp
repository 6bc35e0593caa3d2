#include "ui/GridStatic.h"

#include "ui/MemoryDC.h"
#include "ui/PictureStatic.h"
#include "ui/ResIds.h"
#include "ui/SkinDraw.h"

#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <algorithm>
#include <cstring>

namespace {

QRect ToQRect(const GridRect& r)
{
    return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

// The cell's rectangle in still pixels: client coordinates scaled by still
// size / client size on each axis, integer arithmetic.
QRect StillPiece(const GridRect& r, int stillW, int stillH, int clientW, int clientH)
{
    if (clientW <= 0 || clientH <= 0)
        return QRect();
    const int l = r.left * stillW / clientW;
    const int t = r.top * stillH / clientH;
    const int rr = r.right * stillW / clientW;
    const int b = r.bottom * stillH / clientH;
    return QRect(l, t, rr - l, b - t);
}

// Bottom-up 24-bit rows (blue, green, red), packed without padding, to a
// top-down image.
QImage FromBottomUp(const std::vector<BYTE>& buf, int w, int h)
{
    return PictureFile::BottomUpBgrToImage(buf.data(), w, h, static_cast<std::size_t>(w) * 3);
}

} // namespace

// ---------------------------------------------------------------------------

CGridStaticBase::CGridStaticBase(QWidget* parent) : CSkinCtrl(parent) {}

void CGridStaticBase::mousePressEvent(QMouseEvent* e)
{
    e->accept();
    if (e->button() != Qt::LeftButton || !TakesMouse())
        return;
    m_ptPress = e->position().toPoint();
    m_bTracking = true;
    if (!m_pBand)
        m_pBand = new QRubberBand(QRubberBand::Rectangle, this);
    m_pBand->setGeometry(QRect(m_ptPress, QSize()));
}

void CGridStaticBase::mouseMoveEvent(QMouseEvent* e)
{
    e->accept();
    if (!m_bTracking || !m_pBand)
        return;
    m_pBand->setGeometry(QRect(m_ptPress, e->position().toPoint()).normalized());
    m_pBand->show();
}

void CGridStaticBase::mouseReleaseEvent(QMouseEvent* e)
{
    e->accept();
    if (e->button() != Qt::LeftButton || !m_bTracking)
        return;
    m_bTracking = false;
    if (m_pBand)
        m_pBand->hide();
    const QPoint end = e->position().toPoint();
    const GridRect band{m_ptPress.x(), m_ptPress.y(), end.x(), end.y()};
    Model().Press(m_ptPress.x(), m_ptPress.y(), &band);
}

// ---------------------------------------------------------------------------

CStillBuffers::CStillBuffers()
    : m_pStill(static_cast<std::size_t>(kMaxWidth) * kMaxHeight * 3),
      m_pStillSel(static_cast<std::size_t>(kMaxWidth) * kMaxHeight * 3)
{
}

bool CStillBuffers::Copy(const BYTE* pixels, int width, int height)
{
    // The buffers hold 720 x 576; a larger picture would run past them.
    if (!pixels || width <= 0 || height <= 0 || width > kMaxWidth || height > kMaxHeight)
        return false;
    const std::size_t bytes = static_cast<std::size_t>(width) * height * 3;
    std::memcpy(m_pStill.data(), pixels, bytes);
    std::memcpy(m_pStillSel.data(), pixels, bytes);
    m_nStillWidth = width;
    m_nStillHeight = height;
    return true;
}

void CStillBuffers::MakeImages()
{
    m_imgStill = FromBottomUp(m_pStill, m_nStillWidth, m_nStillHeight);
    m_imgStillSel = FromBottomUp(m_pStillSel, m_nStillWidth, m_nStillHeight);
}

// ---------------------------------------------------------------------------

CMotionGridStatic::CMotionGridStatic(QWidget* parent) : CGridStaticBase(parent) {}

void CMotionGridStatic::LoadBitmaps(const ResourceLibrary& res)
{
    m_bmpBack = res.LoadBitmap(IDB_MOTION_GRID_BACK);
    m_bmpSel = res.LoadBitmap(IDB_MOTION_GRID_SEL);
    update();
}

bool CMotionGridStatic::SetImage(void*, const BYTE* pixels, BYTE, int nWidth, int nHeight)
{
    if (!Copy(pixels, nWidth, nHeight))
        return false;
    const std::size_t bytes = static_cast<std::size_t>(nWidth) * nHeight * 3;
    for (std::size_t i = 0; i < bytes; i += 3) {
        BYTE* px = m_pStillSel.data() + i;
        px[0] = static_cast<BYTE>(std::max(px[0] - 80, 0));
        px[1] = static_cast<BYTE>(std::min(px[1] + 80, 255));
        px[2] = static_cast<BYTE>(std::min(px[2] + 80, 255));
    }
    MakeImages();
    return true;
}

void CMotionGridStatic::paintEvent(QPaintEvent*)
{
    QPainter screen(this);
    const QRect client = rect();
    CMemoryDC dc(&screen, &client, false);
    QPainter& p = dc.Painter();
    const bool still = m_bShowStill == 1 && !m_imgStill.isNull();
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    if (still)
        p.drawImage(client, m_imgStill);
    else
        DrawBitmap(p, m_bmpBack, 0, 0, width(), height(), false, 0);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::NoBrush);
    for (std::size_t i = 0; i < CellCount(); ++i) {
        const CGridCell& cell = CellAt(i);
        const QRect r = ToQRect(cell.rect);
        if (cell.m_nValue == 1) {
            if (still)
                p.drawImage(r, m_imgStillSel,
                            StillPiece(cell.rect, m_nStillWidth, m_nStillHeight, width(), height()));
            else if (!m_bmpSel.isNull())
                p.drawImage(r.topLeft(), m_bmpSel, r);
        }
        // A one-pixel black line just outside the cell.
        p.drawRect(r.adjusted(-1, -1, 0, 0));
    }
}

// ---------------------------------------------------------------------------

CRegionGridStatic::CRegionGridStatic(QWidget* parent) : CGridStaticBase(parent) {}

void CRegionGridStatic::LoadBitmaps(const ResourceLibrary& res, QWidget* pOwner)
{
    m_pOwner = pOwner;
    m_bmpBack = res.LoadBitmap(m_bPal == 1 ? IDB_REGION_GRID_PAL_BACK : IDB_REGION_GRID_NTSC_BACK);
    m_bmpSel = res.LoadBitmap(m_bPal == 1 ? IDB_REGION_GRID_PAL_SEL : IDB_REGION_GRID_NTSC_SEL);
    update();
}

bool CRegionGridStatic::SetImage(const BYTE* pixels, BYTE, int nWidth, int nHeight)
{
    if (!Copy(pixels, nWidth, nHeight))
        return false;
    std::fill_n(m_pStillSel.begin(), static_cast<std::size_t>(nWidth) * nHeight * 3, BYTE(0));
    MakeImages();
    return true;
}

void CRegionGridStatic::paintEvent(QPaintEvent*)
{
    {
        QPainter screen(this);
        const QRect client = rect();
        CMemoryDC dc(&screen, &client, false);
        QPainter& p = dc.Painter();
        const bool still = m_bShowStill == 1 && !m_imgStill.isNull();
        if (still) {
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            p.drawImage(client, m_imgStill);
            p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        } else {
            DrawBitmap(p, m_bmpBack, 0, 0, width(), height(), false, 0);
        }
        for (std::size_t i = 0; i < CellCount(); ++i) {
            const CGridCell& cell = CellAt(i);
            if (cell.m_nValue != 1)
                continue;
            const QRect r = ToQRect(cell.rect);
            if (still)
                p.fillRect(r, Qt::black);
            else if (!m_bmpSel.isNull())
                p.drawImage(r.topLeft(), m_bmpSel, r);
        }
    }
    // The owner shows the region's bounds in a strip under the grid; keep it
    // current. The grid's own area is left out so this cannot repaint us.
    QWidget* owner = m_pOwner ? m_pOwner.data() : parentWidget();
    if (owner) {
        const QRect strip =
            m_bPal == 1 ? QRect(QPoint(0, 370), QPoint(406, 389)) : QRect(QPoint(0, 350), QPoint(406, 369));
        QRegion area(strip);
        if (owner == parentWidget())
            area -= geometry();
        if (!area.isEmpty())
            owner->update(area);
    }
}

// ---------------------------------------------------------------------------

CScheduleGridStatic::CScheduleGridStatic(QWidget* parent) : CGridStaticBase(parent) {}

void CScheduleGridStatic::LoadBitmaps(const ResourceLibrary& res, int nMode)
{
    m_nMode = nMode;
    for (QImage& look : m_bmpLook)
        look = QImage();
    if (FourValues()) {
        for (int v = 0; v < 4; ++v)
            m_bmpLook[v] = res.LoadBitmap(IDB_SCHEDULE_VALUE_FIRST + v);
    } else {
        m_bmpLook[0] = res.LoadBitmap(IDB_SCHEDULE_OFF);
        m_bmpLook[1] = res.LoadBitmap(IDB_SCHEDULE_ON);
    }
    update();
}

void CScheduleGridStatic::paintEvent(QPaintEvent*)
{
    QPainter screen(this);
    const QRect client = rect();
    CMemoryDC dc(&screen, &client, false);
    QPainter& p = dc.Painter();
    DrawBitmap(p, m_bmpLook[0], 0, 0, width(), height(), false, 0);
    const int values = FourValues() ? 4 : 2;
    for (std::size_t i = 0; i < CellCount(); ++i) {
        const CGridCell& cell = CellAt(i);
        if (cell.m_nValue < 0 || cell.m_nValue >= values || m_bmpLook[cell.m_nValue].isNull())
            continue;
        const QRect r = ToQRect(cell.rect);
        p.drawImage(r.topLeft(), m_bmpLook[cell.m_nValue], r);
    }
}
