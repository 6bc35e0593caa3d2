// Mouse input sent straight to a widget, as the platform would deliver it.
#pragma once

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>
#include <chrono>
#include <functional>

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

// Runs the event loop until `done` holds or `limit` has passed; false then.
inline bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(10))
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}
