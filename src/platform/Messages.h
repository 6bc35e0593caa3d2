// Window handles and posted messages.
//
// A WndHandle is a registered id, never a pointer, so a worker may keep one
// after the window is gone: a post to a destroyed window is dropped. Posts
// from any thread to one target arrive in the order they were made.
#pragma once

#include "platform/Types.h"

class Wnd;

class WndHandle
{
public:
    constexpr WndHandle() = default;
    constexpr explicit WndHandle(std::uint32_t id) : m_id(id) {}
    constexpr std::uint32_t Id() const { return m_id; }
    constexpr bool IsNull() const { return m_id == 0; }
    constexpr explicit operator bool() const { return m_id != 0; }
    friend constexpr bool operator==(WndHandle a, WndHandle b) { return a.m_id == b.m_id; }

private:
    std::uint32_t m_id = 0;
};

// Queues (msg, wParam, lParam) for the window's WindowProc on the GUI thread.
// Safe from any thread. False when the window no longer exists.
bool PostMessage(WndHandle target, UINT msg, WPARAM wParam, LPARAM lParam);

// Calls the window's WindowProc at once. GUI thread only; 0 when the window
// no longer exists.
LRESULT SendMessage(WndHandle target, UINT msg, WPARAM wParam, LPARAM lParam);

// True when the handle still names a live window.
bool IsWindow(WndHandle target);
