// The password prompt takes the keyboard when it opens. The archive log's
// gate opens it over the modal remote search window with the main window as
// its owner; on a desktop without a window manager the keyboard then stayed
// with the search window. The offscreen platform activates every window it
// shows, so the check runs on a private X server (Xvfb, no window manager):
// the test starts one and runs itself again as a child on it.
#include "../WidgetInput.h"
#include "app/PasswordDlg.h"
#include "platform/Wnd.h"

#include <QApplication>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <QWindow>
#include <QtTest/QTest>
#include <gtest/gtest.h>

namespace {

constexpr const char* kChildMarker = "K5_PROMPT_FOCUS_CHILD";
constexpr const char* kTestName = "PromptFocus.ArchivePasswordPromptOverAModalWindowTakesTheKeyboard";

// The child's part: an owner, a modal window over it, and the prompt opened
// from that modal window with the owner as its parent. Keys go where the X
// server's keyboard focus is.
void RunOnX()
{
    QWidget owner;
    owner.resize(800, 600);
    owner.show();
    owner.activateWindow();
    ASSERT_TRUE(PumpUntil([&] { return owner.isActiveWindow(); }));

    Dialog modal(&owner);
    modal.resize(618, 546);
    int result = -1;
    QString typed;
    bool hadKeyboard = false;
    QTimer::singleShot(0, &modal, [&] {
        // The operator presses Archive in the active search window.
        EXPECT_TRUE(PumpUntil([&] { return modal.isActiveWindow(); }));
        CPasswordDlg prompt(&owner, 255);
        QPointer<CPasswordDlg> alive(&prompt);
        QTimer::singleShot(0, &prompt, [&] {
            hadKeyboard = PumpUntil(
                [&] {
                    return prompt.isActiveWindow() && QApplication::focusWidget() == &prompt.m_editPassword;
                },
                std::chrono::seconds(5));
            if (QWindow* focus = QGuiApplication::focusWindow()) {
                for (const char c : {'4', '3', '2', '1'})
                    QTest::keyClick(focus, c);
                QTest::keyClick(focus, Qt::Key_Return);
            }
            // Keys that went elsewhere leave the prompt open: close it.
            if (alive && alive->isVisible())
                PostMessage(alive->Handle(), WM_CLOSE, 0, 0);
        });
        result = prompt.DoModal();
        typed = prompt.m_strPassword;
        modal.EndDialog(2);
    });
    modal.DoModal();
    EXPECT_TRUE(hadKeyboard);
    EXPECT_EQ(result, CPromptDlg::kIdOk);
    EXPECT_EQ(typed, QStringLiteral("4321"));
}

} // namespace

TEST(PromptFocus, ArchivePasswordPromptOverAModalWindowTakesTheKeyboard)
{
    if (qEnvironmentVariableIsSet(kChildMarker)) {
        RunOnX();
        return;
    }
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty())
        GTEST_SKIP() << "Xvfb is not installed (tools/deps.sh installs it)";

    // A private X server on a free display, reached through its local socket.
    QProcess server;
    server.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                        QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                        QStringLiteral("1024x768x24")});
    ASSERT_TRUE(server.waitForStarted(10000));
    QByteArray number;
    while (!number.contains('\n') && server.waitForReadyRead(10000))
        number += server.readAllStandardOutput();
    ASSERT_TRUE(number.contains('\n')) << "Xvfb named no display";

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":") + QString::fromLatin1(number.trimmed()));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QString::fromLatin1(kChildMarker), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=") + QString::fromLatin1(kTestName)});
    ASSERT_TRUE(child.waitForStarted(10000));
    const bool finished = child.waitForFinished(120000);
    const QString output = QString::fromLocal8Bit(child.readAll());
    if (!finished)
        child.kill();
    server.terminate();
    server.waitForFinished(10000);
    ASSERT_TRUE(finished) << output.toStdString();
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << output.toStdString();
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << output.toStdString();
}
