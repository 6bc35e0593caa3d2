// Mouse input sent straight to a widget, as the platform would deliver it.
#pragma once

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

// A left press and release at `pos` (widget coordinates).
inline void ClickWidget(QWidget* w, QPoint pos = QPoint(3, 3))
{
    QMouseEvent press(QEvent::MouseButtonPress, pos, w->mapToGlobal(pos), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, pos, w->mapToGlobal(pos), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(w, &release);
}
