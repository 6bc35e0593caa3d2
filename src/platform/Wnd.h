// Window and dialog bases in the shape the client's windows are written in:
// a message procedure fed by posted messages, timers by id, OnInitDialog,
// modal runs that keep dispatching posted messages, and self-deleting
// modeless windows.
#pragma once

#include "platform/Messages.h"

#include <QWidget>
#include <map>
#include <memory>

class QEventLoop;

class Wnd : public QWidget
{
    Q_OBJECT
public:
    explicit Wnd(QWidget* parent = nullptr, Qt::WindowFlags flags = {});
    ~Wnd() override;

    WndHandle Handle() const { return m_handle; }

    // Posted and sent messages land here. The default ignores them.
    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);

    // Timers by id; a repeated SetTimer with the same id restarts it. Callable
    // from any thread (the request is carried to the GUI thread).
    void SetTimer(UINT id, UINT milliseconds);
    void KillTimer(UINT id);
    bool HasTimer(UINT id) const; // GUI thread
    virtual void OnTimer(UINT id);

    // Hides the window and schedules PostNcDestroy on the event loop. A
    // self-deleting modeless window deletes itself in PostNcDestroy.
    virtual bool DestroyWindow();
    virtual void PostNcDestroy();
    bool IsDestroyed() const { return m_destroyed; }

    // Enter and Esc never close the window, Alt+F4 is swallowed and a close
    // the user asks for through the window manager is ignored. With the rules
    // off the window keeps the platform's dialog keys instead: Enter reaches
    // WindowProc as WM_COMMAND 1 (OK), Esc as WM_COMMAND 2 (Cancel), and Alt+F4
    // or the window manager's close as WM_CLOSE.
    void SetSkinKeyRules(bool on) { m_skinKeyRules = on; }
    // A press on the window's own background (not on a child) drags it.
    void SetDragFromBackground(bool on) { m_dragFromBackground = on; }

protected:
    bool event(QEvent* e) override;
    void timerEvent(QTimerEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    WndHandle m_handle;
    std::map<UINT, int> m_timers; // id -> QObject timer id
    bool m_destroyed = false;
    bool m_skinKeyRules = true;
    bool m_dragFromBackground = false;
    bool m_dragging = false;
    QPoint m_dragOffset;
};

// With a parent and no window type in the flags, a frameless dialog is still
// its own top-level window (Qt::Dialog); pass Qt::Widget alone for a child.
class Dialog : public Wnd
{
    Q_OBJECT
public:
    explicit Dialog(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::FramelessWindowHint);
    ~Dialog() override;

    // The default ends a modal run on WM_COMMAND 1 (OK) or 2 (Cancel) with
    // that id, and treats WM_CLOSE as Cancel; everything else is ignored.
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    // Runs once, before the dialog is first shown. The return value is kept
    // for symmetry with the callers; it does not change what happens.
    virtual bool OnInitDialog();

    // Shows the dialog and runs a nested event loop (posted messages and
    // timers keep being dispatched) until EndDialog; returns its result.
    // -1 when the dialog is already running or destroyed, or dies while it runs.
    int DoModal();
    void EndDialog(int result);
    bool IsModalRunning() const { return m_loop != nullptr; }

    // Modeless: OnInitDialog then show.
    bool Create();

private:
    friend class Wnd;
    void InitOnce();
    bool m_initDone = false;
    bool m_ended = false;
    int m_result = 0;
    QEventLoop* m_loop = nullptr;
};
