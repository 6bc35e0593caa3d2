// Offscreen renders of the search window's pages, for a person to look at.
// Written into the build tree's renders folder only when asked (K5_RENDERS
// set and not 0); a plain test run leaves no files behind.
#pragma once

#include <QDir>
#include <QString>
#include <QWidget>

inline bool RendersAsked()
{
    const QByteArray asked = qgetenv("K5_RENDERS");
    return !asked.isEmpty() && asked != "0";
}

// `name` without extension; the file is renders/<name>.png.
inline void SaveRender(QWidget& widget, const QString& name)
{
    if (!RendersAsked())
        return;
    const QString dir = QStringLiteral(K5_BINARY_DIR "/renders");
    QDir().mkpath(dir);
    widget.grab().save(dir + "/" + name + ".png");
}
