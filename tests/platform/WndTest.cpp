#include "platform/Wnd.h"
#include "TestSupport.h"
#include "platform/Messages.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QThread>
#include <QWindow>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

constexpr UINT WM_PING = WM_USER + 1;
constexpr UINT WM_FINISH = WM_USER + 2;

// A dialog that finishes once it has seen a posted message from a worker and
// a few ticks of its timer, all while DoModal's nested loop runs.
class ModalProbe : public Dialog
{
public:
    bool OnInitDialog() override
    {
        ++initCount;
        SetTimer(7, 1);
        const WndHandle self = Handle();
        worker = std::thread([self] { PostMessage(self, WM_PING, 11, 22); });
        return true;
    }
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == WM_PING && wParam == 11 && lParam == 22)
            ++pings;
        else if (msg == WM_FINISH) {
            EndDialog(static_cast<int>(wParam));
            return 0;
        } else
            return Dialog::WindowProc(msg, wParam, lParam);
        MaybeFinish();
        return 0;
    }
    void OnTimer(UINT id) override
    {
        if (id == 7)
            ++ticks;
        MaybeFinish();
    }
    void MaybeFinish()
    {
        if (pings >= 1 && ticks >= 3 && IsModalRunning()) {
            KillTimer(7);
            EndDialog(42);
        }
    }
    ~ModalProbe() override
    {
        if (worker.joinable())
            worker.join();
    }

    int initCount = 0;
    int pings = 0;
    int ticks = 0;
    std::thread worker;
};

TEST(Dialog, DoModalDispatchesPostsAndTimersAndReturnsEndDialogsValue)
{
    ModalProbe dlg;
    EXPECT_EQ(dlg.DoModal(), 42);
    EXPECT_EQ(dlg.initCount, 1);
    EXPECT_EQ(dlg.pings, 1);
    EXPECT_GE(dlg.ticks, 3);
    EXPECT_FALSE(dlg.HasTimer(7));
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_FALSE(dlg.IsModalRunning());

    // A second run does not initialise again and ends on a posted request.
    dlg.worker.join();
    PostMessage(dlg.Handle(), WM_FINISH, 5, 0);
    EXPECT_EQ(dlg.DoModal(), 5);
    EXPECT_EQ(dlg.initCount, 1);
}

class EndsAtOnce : public Dialog
{
public:
    bool OnInitDialog() override
    {
        EndDialog(9);
        return true;
    }
};

TEST(Dialog, EndDialogDuringOnInitDialogReturnsWithoutRunning)
{
    EndsAtOnce dlg;
    EXPECT_EQ(dlg.DoModal(), 9);
    EXPECT_FALSE(dlg.isVisible());
}

TEST(Dialog, OtherWindowsKeepGettingPostsWhileAModalRuns)
{
    struct Counter : Wnd
    {
        LRESULT WindowProc(UINT msg, WPARAM, LPARAM) override
        {
            if (msg == WM_PING)
                ++count;
            return 0;
        }
        int count = 0;
    } other;
    struct Host : Dialog
    {
        Counter* other = nullptr;
        bool OnInitDialog() override
        {
            for (int i = 0; i < 10; ++i)
                PostMessage(other->Handle(), WM_PING, 0, 0);
            SetTimer(1, 1);
            return true;
        }
        void OnTimer(UINT) override
        {
            if (other->count == 10)
                EndDialog(1);
        }
    } host;
    host.other = &other;
    EXPECT_EQ(host.DoModal(), 1);
    EXPECT_EQ(other.count, 10);
}

TEST(Dialog, DestroyWindowEndsARunningModal)
{
    struct Doomed : Dialog
    {
        bool OnInitDialog() override
        {
            SetTimer(1, 1);
            return true;
        }
        void OnTimer(UINT) override { DestroyWindow(); }
    } dlg;
    EXPECT_EQ(dlg.DoModal(), -1);
    EXPECT_TRUE(dlg.IsDestroyed());
    EXPECT_EQ(dlg.DoModal(), -1); // a destroyed dialog does not run again
}

// A modeless window that deletes itself once destroyed, clearing its owner's slot.
class SelfDeleting : public Dialog
{
public:
    explicit SelfDeleting(SelfDeleting** slot) : m_slot(slot) {}
    bool OnInitDialog() override
    {
        ++initCount;
        return true;
    }
    void PostNcDestroy() override
    {
        *m_slot = nullptr;
        delete this;
    }
    int initCount = 0;

private:
    SelfDeleting** m_slot;
};

TEST(Wnd, DestroyWindowRunsPostNcDestroyFromTheEventLoop)
{
    SelfDeleting* slot = nullptr;
    slot = new SelfDeleting(&slot);
    QPointer<SelfDeleting> watch(slot);
    ASSERT_TRUE(slot->Create());
    EXPECT_TRUE(slot->isVisible());
    EXPECT_EQ(slot->initCount, 1);
    const WndHandle h = slot->Handle();

    EXPECT_TRUE(slot->DestroyWindow());
    // Not yet: PostNcDestroy waits for the event loop.
    ASSERT_NE(slot, nullptr);
    EXPECT_FALSE(slot->isVisible());
    EXPECT_TRUE(slot->IsDestroyed());
    EXPECT_FALSE(IsWindow(h));
    EXPECT_FALSE(slot->DestroyWindow()); // a second call does nothing
    EXPECT_FALSE(slot->Create());

    ASSERT_TRUE(k5test::PumpUntil([&] { return slot == nullptr; }));
    EXPECT_TRUE(watch.isNull());
}

TEST(Wnd, DeletingAWindowBeforeItsPostNcDestroyRunsIsSafe)
{
    struct Counting : Wnd
    {
        int* calls;
        explicit Counting(int* c) : calls(c) {}
        void PostNcDestroy() override { ++*calls; }
    };
    int calls = 0;
    auto* wnd = new Counting(&calls);
    wnd->DestroyWindow();
    delete wnd;
    k5test::Pump();
    EXPECT_EQ(calls, 0);
}

struct TimerWnd : Wnd
{
    std::vector<UINT> fired;
    Qt::HANDLE firedOn = nullptr;
    void OnTimer(UINT id) override
    {
        fired.push_back(id);
        firedOn = QThread::currentThreadId();
    }
};

TEST(Wnd, TimersByIdFromTheGuiThreadAndFromWorkers)
{
    TimerWnd wnd;
    wnd.SetTimer(3, 1);
    wnd.SetTimer(3, 1); // restarts, still one timer
    ASSERT_TRUE(k5test::PumpUntil([&] { return wnd.fired.size() >= 2; }));
    EXPECT_EQ(wnd.fired[0], 3u);
    wnd.KillTimer(3);
    EXPECT_FALSE(wnd.HasTimer(3));
    wnd.fired.clear();
    k5test::Pump();
    EXPECT_TRUE(wnd.fired.empty());

    // From a worker the request is carried to the GUI thread.
    std::thread([&] { wnd.SetTimer(9, 1); }).join();
    ASSERT_TRUE(k5test::PumpUntil([&] { return !wnd.fired.empty(); }));
    EXPECT_EQ(wnd.fired[0], 9u);
    EXPECT_EQ(wnd.firedOn, QThread::currentThreadId());
    std::thread([&] { wnd.KillTimer(9); }).join();
    ASSERT_TRUE(k5test::PumpUntil([&] { return !wnd.HasTimer(9); }));

    // A destroyed window keeps no timers and takes no new ones.
    wnd.SetTimer(4, 1);
    wnd.DestroyWindow();
    EXPECT_FALSE(wnd.HasTimer(4));
    wnd.SetTimer(5, 1);
    EXPECT_FALSE(wnd.HasTimer(5));
}

// Records what the key and close rules let through to WindowProc.
class KeyProbe : public Dialog
{
public:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        seen.push_back({msg, wParam});
        return Dialog::WindowProc(msg, wParam, lParam);
    }
    std::vector<std::pair<UINT, WPARAM>> seen;
};

struct KeyCase
{
    const char* name;
    int key;
    Qt::KeyboardModifiers mods;
    UINT msgWithoutRules;
    WPARAM wParamWithoutRules;
};

TEST(Wnd, SkinKeyRulesSwallowEnterEscAndAltF4)
{
    const KeyCase cases[] = {
        {"Return", Qt::Key_Return, Qt::NoModifier, WM_COMMAND, 1},
        {"Enter", Qt::Key_Enter, Qt::KeypadModifier, WM_COMMAND, 1},
        {"Escape", Qt::Key_Escape, Qt::NoModifier, WM_COMMAND, 2},
        {"Alt+F4", Qt::Key_F4, Qt::AltModifier, WM_CLOSE, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        KeyProbe dlg;
        dlg.Create();
        QKeyEvent press(QEvent::KeyPress, c.key, c.mods);
        QApplication::sendEvent(&dlg, &press);
        EXPECT_TRUE(press.isAccepted());
        EXPECT_TRUE(dlg.seen.empty());
        EXPECT_TRUE(dlg.isVisible());

        // Without the rules the platform's dialog keys reach WindowProc.
        dlg.SetSkinKeyRules(false);
        QKeyEvent again(QEvent::KeyPress, c.key, c.mods);
        QApplication::sendEvent(&dlg, &again);
        ASSERT_EQ(dlg.seen.size(), c.msgWithoutRules == WM_CLOSE ? 2u : 1u);
        EXPECT_EQ(dlg.seen[0].first, c.msgWithoutRules);
        EXPECT_EQ(dlg.seen[0].second, c.wParamWithoutRules);
        EXPECT_TRUE(dlg.isVisible()); // a modeless dialog is not ended by them
    }

    // A child window (a control) lets the keys travel on to its window.
    {
        KeyProbe dlg;
        dlg.SetSkinKeyRules(false);
        auto* control = new Wnd(&dlg);
        dlg.Create();
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(control, &enter);
        ASSERT_EQ(dlg.seen.size(), 1u);
        EXPECT_EQ(dlg.seen[0], std::make_pair(WM_COMMAND, WPARAM(1)));
    }

    // Other keys are left to the widget's parents.
    KeyProbe dlg;
    QKeyEvent other(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QApplication::sendEvent(&dlg, &other);
    EXPECT_FALSE(other.isAccepted());
}

TEST(Wnd, EscWithoutSkinRulesCancelsAModalDialog)
{
    struct Cancelled : KeyProbe
    {
        bool OnInitDialog() override
        {
            SetSkinKeyRules(false);
            QMetaObject::invokeMethod(
                this,
                [this] {
                    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                    QApplication::sendEvent(this, &esc);
                },
                Qt::QueuedConnection);
            return true;
        }
    } dlg;
    EXPECT_EQ(dlg.DoModal(), 2);
}

} // namespace

// QEvent lets this one class mark an event as coming from the window system,
// which is how a close from the window manager arrives.
class QSpontaneKeyEvent
{
public:
    static void MakeSpontaneous(QEvent* e) { e->setSpontaneous(); }
};

namespace {

TEST(Wnd, WindowManagerCloseIsIgnoredButProgramCloseIsNot)
{
    KeyProbe dlg;
    dlg.Create();
    QCloseEvent fromWm;
    QSpontaneKeyEvent::MakeSpontaneous(&fromWm);
    qApp->notify(&dlg, &fromWm); // sendEvent would clear the flag
    EXPECT_FALSE(fromWm.isAccepted());
    EXPECT_TRUE(dlg.seen.empty());

    dlg.SetSkinKeyRules(false);
    QCloseEvent again;
    QSpontaneKeyEvent::MakeSpontaneous(&again);
    qApp->notify(&dlg, &again);
    EXPECT_FALSE(again.isAccepted());
    ASSERT_EQ(dlg.seen.size(), 2u); // WM_CLOSE, then Dialog's own Cancel
    EXPECT_EQ(dlg.seen[0].first, WM_CLOSE);
    EXPECT_EQ(dlg.seen[1], std::make_pair(WM_COMMAND, WPARAM(2)));
    EXPECT_TRUE(dlg.isVisible());

    EXPECT_TRUE(dlg.close()); // the program's own close still works
    EXPECT_FALSE(dlg.isVisible());
}

void SendMouse(QWidget* w, QEvent::Type type, QPoint local, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent e(type, QPointF(local), QPointF(w->mapToGlobal(local)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

TEST(Wnd, DragFromBackgroundMovesTheWindowButNotFromAChild)
{
    Dialog dlg;
    dlg.setGeometry(100, 100, 200, 150);
    auto* child = new QLabel(QStringLiteral("x"), &dlg);
    child->setGeometry(10, 10, 40, 20);
    dlg.SetDragFromBackground(true);
    dlg.Create();
    const QPoint start = dlg.pos();

    // From the background: the window follows the mouse.
    SendMouse(&dlg, QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton, Qt::LeftButton);
    QMouseEvent move(QEvent::MouseMove, QPointF(100, 100),
                     QPointF(dlg.mapToGlobal(QPoint(100, 100)) + QPoint(30, 20)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&dlg, &move);
    SendMouse(&dlg, QEvent::MouseButtonRelease, {100, 100}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(dlg.pos(), start + QPoint(30, 20));

    // From a child's area: nothing moves.
    const QPoint before = dlg.pos();
    SendMouse(&dlg, QEvent::MouseButtonPress, {20, 15}, Qt::LeftButton, Qt::LeftButton);
    QMouseEvent move2(QEvent::MouseMove, QPointF(20, 15),
                      QPointF(dlg.mapToGlobal(QPoint(20, 15)) + QPoint(50, 50)), Qt::NoButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&dlg, &move2);
    SendMouse(&dlg, QEvent::MouseButtonRelease, {20, 15}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(dlg.pos(), before);

    // Turned off: nothing moves either.
    dlg.SetDragFromBackground(false);
    SendMouse(&dlg, QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton, Qt::LeftButton);
    QApplication::sendEvent(&dlg, &move);
    EXPECT_EQ(dlg.pos(), before);
}

TEST(Dialog, FramelessDialogWithParentIsATopLevelWindow)
{
    QWidget owner;
    Dialog dlg(&owner);
    EXPECT_TRUE(dlg.isWindow());
    Dialog page(&owner, Qt::Widget);
    EXPECT_FALSE(page.isWindow());
}

} // namespace
