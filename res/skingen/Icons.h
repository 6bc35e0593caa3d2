// The vector icon set, by name. Every icon is drawn on a 24 x 24 grid with one
// stroke width, round caps and joins, so that all icons share one weight.
#pragma once

#include <QColor>
#include <QRectF>
#include <QString>
#include <QStringList>

class QPainter;

bool HasIcon(const QString& name);
QStringList IconNames();

// Draws the icon centred in `box` (the grid is scaled to the box's shorter
// side). `strokePx` is the stroke width in output pixels.
void DrawIcon(QPainter& p, const QString& name, const QRectF& box, const QColor& colour, qreal strokePx);

// The stroke width that suits an icon of this size.
qreal IconStroke(qreal boxSide);
