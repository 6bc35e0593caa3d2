// Drawing one bitmap from its table row.
#pragma once

#include "Table.h"

#include <QImage>
#include <QStringList>

QStringList RecipeNames();

// The bitmap of a row (Format_RGB32, the row's size), or a null image with the
// reasons appended to `errors`.
QImage RenderRow(const SkinRow& row, QStringList& errors);
