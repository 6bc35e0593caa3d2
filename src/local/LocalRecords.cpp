#include "local/LocalRecords.h"

LocalDayInterval::~LocalDayInterval()
{
    // A long chain would otherwise be freed by one nested destructor call per
    // node; unlink the nodes one at a time instead.
    std::unique_ptr<LocalDayInterval> rest = std::move(next);
    while (rest) {
        std::unique_ptr<LocalDayInterval> following = std::move(rest->next);
        rest = std::move(following);
    }
}

void LastLocalSearch::Clear()
{
    pHead.reset();
    pTail = nullptr;
    bValid = 0;
    nPage = 0;
    nMode = 0;
    nSelectedRow = 0;
    nTime = 0;
}

void LastLocalSearch::Append(std::unique_ptr<LocalDayInterval> node)
{
    if (!node)
        return;
    node->next.reset();
    LocalDayInterval* raw = node.get();
    if (!pHead)
        pHead = std::move(node);
    else
        pTail->next = std::move(node);
    pTail = raw;
}

int LastLocalSearch::Count() const
{
    int n = 0;
    for (const LocalDayInterval* p = pHead.get(); p; p = p->next.get())
        ++n;
    return n;
}
