// A frameless tool bar that the operator drags by any point of its body.
// Every step of the drag goes through the bar's own snapping (MoveBar), which
// the window manager's move would bypass.
#pragma once

#include "platform/Wnd.h"

#include <QPoint>

class QMouseEvent;

class CSnappingBarDlg : public Dialog
{
    Q_OBJECT
public:
    explicit CSnappingBarDlg(QWidget* pParent) : Dialog(pParent, Qt::Tool | Qt::FramelessWindowHint) {}

    // Moves the bar to `proposed` (screen coordinates) after snapping it;
    // returns where it went.
    virtual QPoint MoveBar(QPoint proposed) = 0;

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    bool m_bDragging = false;
    QPoint m_ptDragOffset;
};
