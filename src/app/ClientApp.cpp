#include "app/ClientApp.h"

#include "app/ClientDlg.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace {
constexpr int kFirstUnsupportedOs = 3;
} // namespace

CClientApp::CClientApp(std::string commandLine) : m_strCommandLine(std::move(commandLine))
{
    m_osVersion = [] { return GetOSVersion(); };
    m_messageBox = [](const QString& text) {
        QMessageBox::warning(nullptr, QCoreApplication::applicationName(), text);
    };
    m_runMainWindow = [](const std::string& commandLine) {
        CClientDlg dlg;
        dlg.SetCommandLine(commandLine);
        dlg.DoModal();
        dlg.DestroyWindow();
    };
}

int CClientApp::GetOSVersion()
{
    // Every Linux system the client builds on is a supported one.
    return 0;
}

void CClientApp::SelectQtPlatform()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
}

bool CClientApp::InitInstance()
{
    if (m_osVersion() >= kFirstUnsupportedOs) {
        m_messageBox(QStringLiteral("Unsupported OS version !"));
        return false;
    }
    m_runMainWindow(m_strCommandLine);
    return false;
}
