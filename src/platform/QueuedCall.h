// A call run later on the thread of a receiver object, after whatever the
// posting thread posted before it (Qt keeps posted events in order). The
// call is built completely before it is posted, and the posting marks a
// release that the run acquires: ThreadSanitizer then sees the order Qt's
// uninstrumented queue gives. A queued lambda given to Qt's invokeMethod is
// copied into Qt's slot object after any mark the caller could make, so its
// captures read as racing with the run.
#pragma once

#include <QEvent>
#include <QObject>

#include <functional>

class QueuedCallEvent : public QEvent
{
public:
    explicit QueuedCallEvent(std::function<void()> call);
    static QEvent::Type EventType();
    std::function<void()> m_call;
};

// Any thread. The call is dropped with the event if the receiver dies first.
void PostQueuedCall(QObject* receiver, std::function<void()> call);

// From the receiver's event(): runs the call if `e` is one; true if it was.
// It marks the acquire for any posted event, so a receiver that posts events
// of its own, marked as PostQueuedCall marks them, needs no acquire of its own.
bool RunQueuedCall(QEvent* e);
