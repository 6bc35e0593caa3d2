// The password prompt the guarded commands run: what it takes, what it
// answers, and that a posted close cancels it.
#include "app/PasswordDlg.h"
#include "ui/UiMessages.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

namespace {

void Type(QWidget* w, const QString& text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
    }
}

// Runs the prompt modally; `inside` runs from within its modal loop.
int RunPrompt(CPasswordDlg& dlg, const std::function<void()>& inside)
{
    QTimer::singleShot(0, &dlg, inside);
    return dlg.DoModal();
}

TEST(PasswordPrompt, TakesEightNameCharactersAndAnswersOk)
{
    CPasswordDlg dlg(nullptr, 255);
    const int result = RunPrompt(dlg, [&] {
        Type(&dlg.m_editPassword, QStringLiteral("ab*c:d1234567"));
        PostMessage(dlg.Handle(), WM_COMMAND, MakeCommandWParam(1, BN_CLICKED), 0);
    });
    EXPECT_EQ(result, 1);
    // '*' and ':' are no name characters; the ninth character is refused.
    EXPECT_EQ(dlg.m_strPassword, QStringLiteral("abcd1234"));
    EXPECT_EQ(dlg.m_editPassword.echoMode(), QLineEdit::Password);
}

TEST(PasswordPrompt, EnterWithAnEmptyBoxIsOkWithAnEmptyText)
{
    CPasswordDlg dlg(nullptr, 255);
    const int result = RunPrompt(dlg, [&] {
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(&dlg, &enter);
    });
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(dlg.m_strPassword.isEmpty());
}

TEST(PasswordPrompt, PostedCloseAndCancelEndItAsCancel)
{
    for (const UINT msg : {UINT(WM_CLOSE), UINT(WM_COMMAND)}) {
        CPasswordDlg dlg(nullptr, 255);
        const int result = RunPrompt(dlg, [&] {
            Type(&dlg.m_editPassword, QStringLiteral("pw"));
            PostMessage(dlg.Handle(), msg, msg == WM_COMMAND ? MakeCommandWParam(2, BN_CLICKED) : 0, 0);
        });
        EXPECT_EQ(result, 2);
        EXPECT_TRUE(dlg.m_strPassword.isEmpty());
    }
}

} // namespace
