// The application object: checks that the platform is one the client runs
// on, then runs the main window modally; when the modal loop ends the process
// ends.
#pragma once

#include <QString>
#include <functional>
#include <string>

class CClientApp
{
public:
    explicit CClientApp(std::string commandLine);

    // The OS class of the running system: 0 for a supported one. Classes 3
    // and above are refused.
    static int GetOSVersion();

    // Picks the X11 platform plugin when none is chosen and an X display
    // exists: the client places frameless windows at absolute positions.
    // Call before the QApplication is made.
    static void SelectQtPlatform();

    // Runs the client; always false (the process ends afterwards).
    bool InitInstance();

    const std::string& CommandLine() const { return m_strCommandLine; }

    // Replaceable for tests: the OS check, the plain message box and the
    // modal run of the main window.
    std::function<int()> m_osVersion;
    std::function<void(const QString&)> m_messageBox;
    std::function<void(const std::string& commandLine)> m_runMainWindow;

private:
    std::string m_strCommandLine;
};
