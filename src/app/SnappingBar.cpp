#include "app/SnappingBar.h"

#include <QMouseEvent>

void CSnappingBarDlg::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton && childAt(e->position().toPoint()) == nullptr) {
        m_bDragging = true;
        m_ptDragOffset = e->globalPosition().toPoint() - pos();
        e->accept();
        return;
    }
    Dialog::mousePressEvent(e);
}

void CSnappingBarDlg::mouseMoveEvent(QMouseEvent* e)
{
    if (m_bDragging && (e->buttons() & Qt::LeftButton)) {
        MoveBar(e->globalPosition().toPoint() - m_ptDragOffset);
        e->accept();
        return;
    }
    m_bDragging = false;
    Dialog::mouseMoveEvent(e);
}

void CSnappingBarDlg::mouseReleaseEvent(QMouseEvent* e)
{
    if (m_bDragging && e->button() == Qt::LeftButton) {
        m_bDragging = false;
        e->accept();
        return;
    }
    Dialog::mouseReleaseEvent(e);
}
