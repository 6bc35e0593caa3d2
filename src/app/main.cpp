#include "app/ClientApp.h"
#include "app/CommandLine.h"
#include "platform/System.h"
#include "ui/MixerVolume.h"

#include <QApplication>

int main(int argc, char** argv)
{
    // The command line is the client's own: taken before Qt looks at it.
    const std::string commandLine = JoinArguments(argc, argv);
    CClientApp::SelectQtPlatform();
    // The speakers' mixer is the sound card's when the machine has one.
    SetMixerFactory(&CreateAlsaMasterMixer);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ClientK5"));
    CClientApp theApp(commandLine);
    theApp.InitInstance();
    return 0;
}
