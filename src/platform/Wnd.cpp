#include "platform/Wnd.h"

#include "platform/QueuedCall.h"
#include "platform/WndRegistry.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QThread>
#include <QTimerEvent>
#include <QWindow>
#include <algorithm>
#include <climits>

namespace {

constexpr WPARAM kIdOk = 1;
constexpr WPARAM kIdCancel = 2;

bool IsEnter(const QKeyEvent* e)
{
    return e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
}

bool IsAltF4(const QKeyEvent* e)
{
    return e->key() == Qt::Key_F4 && (e->modifiers() & Qt::AltModifier);
}

Qt::WindowFlags DialogFlags(QWidget* parent, Qt::WindowFlags flags)
{
    // A frameless dialog given a parent is meant as a window of its own; Qt
    // would otherwise embed it in the parent as a child widget.
    if (parent && (flags & Qt::WindowType_Mask) == Qt::Widget && flags.testFlag(Qt::FramelessWindowHint))
        flags |= Qt::Dialog;
    return flags;
}

} // namespace

Wnd::Wnd(QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags)
{
    m_handle = WndHandle(k5detail::RegisterWnd(this));
}

Wnd::~Wnd()
{
    // First of all: from here on no thread can queue a message for us.
    k5detail::UnregisterWnd(m_handle.Id());
}

LRESULT Wnd::WindowProc(UINT, WPARAM, LPARAM)
{
    return 0;
}

void Wnd::SetTimer(UINT id, UINT milliseconds)
{
    if (QThread::currentThread() != thread()) {
        PostQueuedCall(this, [this, id, milliseconds] { SetTimer(id, milliseconds); });
        return;
    }
    if (m_destroyed)
        return;
    auto it = m_timers.find(id);
    if (it != m_timers.end()) {
        killTimer(it->second);
        m_timers.erase(it);
    }
    // A zero interval would fire on every pass of the event loop.
    const int qtId = startTimer(static_cast<int>(std::clamp<UINT>(milliseconds, 1, INT32_MAX)));
    if (qtId != 0)
        m_timers[id] = qtId;
}

void Wnd::KillTimer(UINT id)
{
    if (QThread::currentThread() != thread()) {
        PostQueuedCall(this, [this, id] { KillTimer(id); });
        return;
    }
    auto it = m_timers.find(id);
    if (it == m_timers.end())
        return;
    killTimer(it->second);
    m_timers.erase(it);
}

bool Wnd::HasTimer(UINT id) const
{
    return m_timers.count(id) != 0;
}

void Wnd::OnTimer(UINT) {}

bool Wnd::DestroyWindow()
{
    if (m_destroyed)
        return false;
    m_destroyed = true;
    k5detail::UnregisterWnd(m_handle.Id());
    for (const auto& [id, qtId] : m_timers)
        killTimer(qtId);
    m_timers.clear();
    // A modal run of a destroyed dialog could never end otherwise.
    if (auto* dialog = qobject_cast<Dialog*>(this); dialog && dialog->m_loop && !dialog->m_ended)
        dialog->EndDialog(-1);
    hide();
    // Queued with this object as context: nothing runs if the owner deletes the
    // window first, and PostNcDestroy may delete the window itself.
    QMetaObject::invokeMethod(
        this, [this] { PostNcDestroy(); }, Qt::QueuedConnection);
    return true;
}

void Wnd::PostNcDestroy() {}

bool Wnd::event(QEvent* e)
{
    // Whatever posted the event (PostMessage and PostQueuedCall mark each)
    // happened before this: RunQueuedCall marks the acquire for any event.
    if (RunQueuedCall(e))
        return true;
    if (e->type() == k5detail::MessageEventType()) {
        auto* m = static_cast<k5detail::MessageEvent*>(e);
        // Messages still queued when the window was destroyed are dropped.
        if (!m_destroyed)
            WindowProc(m->m_msg, m->m_wParam, m->m_lParam);
        return true;
    }
    return QWidget::event(e);
}

void Wnd::timerEvent(QTimerEvent* e)
{
    for (const auto& [id, qtId] : m_timers) {
        if (qtId == e->timerId()) {
            OnTimer(id);
            return;
        }
    }
    QWidget::timerEvent(e);
}

void Wnd::keyPressEvent(QKeyEvent* e)
{
    const bool enter = IsEnter(e);
    const bool esc = e->key() == Qt::Key_Escape;
    const bool altF4 = IsAltF4(e);
    // The rules belong to windows: a child (a control, an embedded page) lets
    // the keys travel on to the window that holds it.
    if ((!enter && !esc && !altF4) || !isWindow()) {
        QWidget::keyPressEvent(e);
        return;
    }
    e->accept();
    if (m_skinKeyRules)
        return; // swallowed
    if (altF4)
        WindowProc(WM_CLOSE, 0, 0);
    else
        WindowProc(WM_COMMAND, enter ? kIdOk : kIdCancel, 0);
}

void Wnd::mousePressEvent(QMouseEvent* e)
{
    if (m_dragFromBackground && isWindow() && e->button() == Qt::LeftButton &&
        childAt(e->position().toPoint()) == nullptr) {
        e->accept();
        // The window manager moves the window where it can; elsewhere (and on
        // the offscreen platform) we move it ourselves.
        if (windowHandle() && windowHandle()->startSystemMove())
            return;
        m_dragging = true;
        m_dragOffset = e->globalPosition().toPoint() - pos();
        return;
    }
    QWidget::mousePressEvent(e);
}

void Wnd::mouseMoveEvent(QMouseEvent* e)
{
    if (m_dragging) {
        if (!(e->buttons() & Qt::LeftButton)) {
            m_dragging = false;
        } else {
            move(e->globalPosition().toPoint() - m_dragOffset);
            e->accept();
            return;
        }
    }
    QWidget::mouseMoveEvent(e);
}

void Wnd::mouseReleaseEvent(QMouseEvent* e)
{
    if (m_dragging && e->button() == Qt::LeftButton) {
        m_dragging = false;
        e->accept();
        return;
    }
    QWidget::mouseReleaseEvent(e);
}

void Wnd::closeEvent(QCloseEvent* e)
{
    if (!e->spontaneous()) {
        QWidget::closeEvent(e);
        return;
    }
    // The window manager's close (its button, Alt+F4) never closes the window
    // behind the client's back.
    e->ignore();
    if (!m_skinKeyRules)
        WindowProc(WM_CLOSE, 0, 0);
}

// ---------------------------------------------------------------------------

Dialog::Dialog(QWidget* parent, Qt::WindowFlags flags) : Wnd(parent, DialogFlags(parent, flags)) {}

Dialog::~Dialog()
{
    if (m_loop)
        m_loop->exit();
}

LRESULT Dialog::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_CLOSE)
        return WindowProc(WM_COMMAND, kIdCancel, 0);
    if (msg == WM_COMMAND && (wParam == kIdOk || wParam == kIdCancel) && lParam == 0) {
        if (m_loop)
            EndDialog(static_cast<int>(wParam));
        return 0;
    }
    return Wnd::WindowProc(msg, wParam, lParam);
}

bool Dialog::OnInitDialog()
{
    return true;
}

void Dialog::InitOnce()
{
    if (m_initDone)
        return;
    m_initDone = true;
    OnInitDialog();
}

int Dialog::DoModal()
{
    if (m_loop || IsDestroyed())
        return -1;
    QPointer<Dialog> self(this);
    m_ended = false;
    InitOnce();
    if (!self)
        return -1;
    if (!m_ended && !IsDestroyed()) {
        setWindowModality(parentWidget() ? Qt::WindowModal : Qt::ApplicationModal);
        show();
        raise();
        activateWindow();
        if (!self)
            return -1;
        if (!m_ended && !IsDestroyed()) {
            QEventLoop loop;
            m_loop = &loop;
            loop.exec(QEventLoop::DialogExec);
            if (!self)
                return -1;
            m_loop = nullptr;
        }
    }
    hide();
    setWindowModality(Qt::NonModal);
    return m_result;
}

void Dialog::EndDialog(int result)
{
    m_result = result;
    m_ended = true;
    if (m_loop)
        m_loop->exit(0);
}

bool Dialog::Create()
{
    if (IsDestroyed())
        return false;
    QPointer<Dialog> self(this);
    InitOnce();
    if (!self || IsDestroyed())
        return false;
    show();
    return true;
}
