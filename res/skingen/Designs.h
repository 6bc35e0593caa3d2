// Whole-window pictures that `frame` rows cut their pieces from, and the
// program's picture files (logo, empty cell, video loss).
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

// The named design, drawn once on first use; null when the name is unknown.
const QImage* Design(const QString& name);
QStringList DesignNames();

// Writes LogoK5.bmp, ComMark.bmp and VdoLoss.bmp into `dir`.
bool WriteProgramPictures(const QString& dir, QStringList& errors);
