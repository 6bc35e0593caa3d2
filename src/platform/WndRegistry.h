// Internal to the platform layer: the table of live windows behind WndHandle
// and the one event type that carries a posted message.
#pragma once

#include "platform/Types.h"

#include <QEvent>
#include <cstdint>

class Wnd;

namespace k5detail {

QEvent::Type MessageEventType();

class MessageEvent : public QEvent
{
public:
    MessageEvent(UINT msg, WPARAM wParam, LPARAM lParam)
        : QEvent(MessageEventType()), m_msg(msg), m_wParam(wParam), m_lParam(lParam)
    {
    }
    UINT m_msg;
    WPARAM m_wParam;
    LPARAM m_lParam;
};

// A new id for the window; ids are never handed out twice in a run.
std::uint32_t RegisterWnd(Wnd* wnd);
// After this no post reaches the window. Safe to call more than once.
void UnregisterWnd(std::uint32_t id);

} // namespace k5detail
