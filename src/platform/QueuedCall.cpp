#include "platform/QueuedCall.h"

#include "platform/ThreadSanitizer.h"

#include <QCoreApplication>

#include <utility>

QueuedCallEvent::QueuedCallEvent(std::function<void()> call) : QEvent(EventType()), m_call(std::move(call)) {}

QEvent::Type QueuedCallEvent::EventType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void PostQueuedCall(QObject* receiver, std::function<void()> call)
{
    auto* event = new QueuedCallEvent(std::move(call));
    TsanRelease(event);
    QCoreApplication::postEvent(receiver, event);
}

bool RunQueuedCall(QEvent* e)
{
    // Before the type is read: the poster wrote it too.
    TsanAcquire(e);
    if (e->type() != QueuedCallEvent::EventType())
        return false;
    if (auto& call = static_cast<QueuedCallEvent*>(e)->m_call)
        call();
    return true;
}
