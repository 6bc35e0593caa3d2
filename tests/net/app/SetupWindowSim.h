// The remote setup window as the tests of the real main window reach it: the
// window once its modal run has started, an act run inside that run (the act
// ends the window; one left open past the limit is closed and reported), and
// the password prompt that some recorders put before it.
#pragma once

#include "MainWindowSim.h"
#include "app/PasswordDlg.h"
#include "platform/ResourceLibrary.h"
#include "setup/RemoteSetupDlg.h"
#include "ui/UiMessages.h"

#include <QApplication>
#include <QString>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace mainsim {

// QuietDeps with the built bundle: the pages' texts, value cells and slider
// bitmaps are what a test reads and presses.
inline ClientDeps BundledDeps(const std::shared_ptr<FakeConnectDialog>& dialog)
{
    ClientDeps deps = QuietDeps(dialog);
    deps.loadResources = []() -> std::unique_ptr<ResourceLibrary> {
        auto lib = std::make_unique<ResourceLibrary>();
        if (!lib->Load(K5_BINARY_DIR "/bin/MiraRes.rcc"))
            return nullptr;
        return lib;
    };
    return deps;
}

// The main window with the built bundle, connected to the simulator on
// loopback `port` as admin and logged in with the setup right; null when it
// got no further.
inline std::unique_ptr<MainWindow> ConnectBundledClient(const std::shared_ptr<FakeConnectDialog>& dialog,
                                                        std::uint16_t port)
{
    dialog->script = TypeServer("127.0.0.1", port, "admin", "pw", "Yard");
    auto dlg = std::make_unique<MainWindow>(BundledDeps(dialog));
    dlg->Commands().SetPause(0ms, [](std::chrono::milliseconds) {});
    if (!dlg->Create() || !dlg->IsConnected())
        return nullptr;
    CNetClient* net = dlg->m_pNetClient.get();
    if (!RunUntil([net] { return net->m_bLogin && net->HasRight(RIGHT_REMOTE_SETUP); }))
        return nullptr;
    return dlg;
}

// The setup window in its modal run, or null.
inline CRemoteSetupDlg* OpenSetupWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<CRemoteSetupDlg*>(w); d && d->IsModalRunning() && !d->IsDestroyed())
            return d;
    return nullptr;
}

// Runs `act` on the setup window once its modal run has started; `owner`
// holds the watch until then.
inline void WhenSetupOpens(QObject* owner, std::function<void(CRemoteSetupDlg&)> act)
{
    auto* timer = new QTimer(owner);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (CRemoteSetupDlg* s = OpenSetupWindow()) {
            timer->stop();
            timer->deleteLater();
            // A window the test fails to end must not hang the run.
            QTimer::singleShot(kStuckWindowLimit, s, [s] {
                ADD_FAILURE() << "the setup window was still open";
                PostMessage(s->Handle(), WM_CLOSE, 0, 0);
            });
            act(*s);
        }
    });
    timer->start();
}

// Answers the main window's next password prompt with `text`.
inline void AnswerPasswordPrompt(CClientDlg& dlg, const QString& text)
{
    QTimer::singleShot(0, &dlg, [&dlg, text] {
        CPasswordDlg* prompt = dlg.m_pPasswordDlg;
        ASSERT_NE(prompt, nullptr);
        prompt->m_editPassword.SetWindowText(text);
        PostMessage(prompt->Handle(), WM_COMMAND, MakeCommandWParam(1, BN_CLICKED), 1);
    });
}

// Presses Setup on `dlg` (answering its password prompt with "pw" when
// `prompt`), runs `act` inside the window, which must end it, and waits until
// the window is gone and an update it sent has its answer.
inline bool RunSetupWindow(MainWindow& dlg, bool prompt, std::function<void(CRemoteSetupDlg&)> act)
{
    bool done = false;
    WhenSetupOpens(&dlg, [act, &done](CRemoteSetupDlg& s) {
        act(s);
        done = true;
    });
    if (prompt)
        AnswerPasswordPrompt(dlg, QStringLiteral("pw"));
    dlg.Commands().OnButton(IDC_REMOTE_SETUP);
    return RunUntil([&] { return done && !OpenSetupWindow() && !dlg.m_pNetClient->m_bDbBusy; });
}

} // namespace mainsim
