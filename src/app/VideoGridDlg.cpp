#include "app/VideoGridDlg.h"

#include "platform/Skin.h"

#include <QPainter>

CVideoGridDlg::CVideoGridDlg(QWidget* parent) : Wnd(parent, Qt::Widget) {}

CVideoGridDlg::~CVideoGridDlg() = default;

void CVideoGridDlg::CreateGrid(int cells, const QFont& osdFont)
{
    m_nCells = cells;
    m_osdFont = osdFont;
}

void CVideoGridDlg::Place(int left, int top, int right, int bottom, int border, COLORREF background)
{
    m_nBorder = border;
    m_crBackground = background;
    setGeometry(left, top, right - left, bottom - top);
    update();
}

void CVideoGridDlg::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), fromColorRef(m_crBackground));
    if (m_nBorder > 0) {
        QPen pen(Qt::black);
        pen.setWidth(m_nBorder);
        pen.setJoinStyle(Qt::MiterJoin);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        const int half = m_nBorder / 2;
        p.drawRect(rect().adjusted(half, half, -(m_nBorder - half), -(m_nBorder - half)));
    }
}
