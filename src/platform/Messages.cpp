#include "platform/Messages.h"

#include "platform/Wnd.h"
#include "platform/ThreadSanitizer.h"
#include "platform/WndRegistry.h"

#include <QCoreApplication>
#include <QThread>
#include <mutex>
#include <unordered_map>

namespace {

std::mutex& RegistryMutex()
{
    static std::mutex m;
    return m;
}

std::unordered_map<std::uint32_t, Wnd*>& Registry()
{
    static std::unordered_map<std::uint32_t, Wnd*> windows;
    return windows;
}

std::uint32_t g_lastId = 0; // guarded by RegistryMutex

bool OnGuiThread()
{
    auto* app = QCoreApplication::instance();
    return app == nullptr || QThread::currentThread() == app->thread();
}

} // namespace

namespace k5detail {

QEvent::Type MessageEventType()
{
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

std::uint32_t RegisterWnd(Wnd* wnd)
{
    std::lock_guard lock(RegistryMutex());
    auto& windows = Registry();
    do {
        ++g_lastId;
    } while (g_lastId == 0 || windows.count(g_lastId) != 0);
    windows.emplace(g_lastId, wnd);
    return g_lastId;
}

void UnregisterWnd(std::uint32_t id)
{
    std::lock_guard lock(RegistryMutex());
    Registry().erase(id);
}

} // namespace k5detail

bool PostMessage(WndHandle target, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (target.IsNull())
        return false;
    // The lock is held across postEvent: a window unregisters under the same
    // lock before it starts to die, so the receiver is alive while the event is
    // queued, and Qt drops what is still queued when the object goes.
    std::lock_guard lock(RegistryMutex());
    auto& windows = Registry();
    auto it = windows.find(target.Id());
    if (it == windows.end())
        return false;
    auto* event = new k5detail::MessageEvent(msg, wParam, lParam);
    TsanRelease(event);
    QCoreApplication::postEvent(it->second, event);
    return true;
}

LRESULT SendMessage(WndHandle target, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (target.IsNull() || !OnGuiThread())
        return 0;
    Wnd* wnd = nullptr;
    {
        std::lock_guard lock(RegistryMutex());
        auto& windows = Registry();
        auto it = windows.find(target.Id());
        if (it == windows.end())
            return 0;
        wnd = it->second;
    }
    // Windows die on the GUI thread only, which is this one.
    return wnd->WindowProc(msg, wParam, lParam);
}

bool IsWindow(WndHandle target)
{
    if (target.IsNull())
        return false;
    std::lock_guard lock(RegistryMutex());
    return Registry().count(target.Id()) != 0;
}
