// The built skin bundle for the application's window tests, and the folder
// their offscreen renders go to.
#pragma once

#include "platform/ResourceLibrary.h"

#include <QApplication>
#include <QDir>
#include <QString>

// Makes the built bundle (bin/MiraRes.rcc) the current resource library,
// starting an application first when none runs yet. Without the bundle the
// windows draw nothing and the tests that look at pixels say so.
inline void UseBundle()
{
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "app_tests";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv);
    }
    static ResourceLibrary bundle;
    if (!bundle.IsLoaded())
        bundle.Load(K5_BINARY_DIR "/bin/MiraRes.rcc");
    if (bundle.IsLoaded())
        ResourceLibrary::SetCurrent(&bundle);
}

// The renders folder of the build tree, made when missing.
inline QString RenderDir()
{
    const QString dir = QStringLiteral(K5_BINARY_DIR "/renders");
    QDir().mkpath(dir);
    return dir;
}
