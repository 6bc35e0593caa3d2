// The skin's one look: palette, fonts and the shared drawing pieces that every
// recipe uses, so that panels, buttons and frames agree.
#pragma once

#include "Table.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainterPath>
#include <QPoint>
#include <QRect>
#include <QRectF>
#include <QStringList>

class QPainter;

// Palette names of the tables (see res/skin.tsv).
namespace Pal {
constexpr QRgb Window = 0x16181c;
constexpr QRgb Surface = 0x23262c;
constexpr QRgb Raised = 0x2e3239;
constexpr QRgb Sunken = 0x121418;
constexpr QRgb Edge = 0x3d424b;
constexpr QRgb Hilite = 0x4a505a;
constexpr QRgb Accent = 0x2f9bff;
constexpr QRgb AccentDim = 0x1f5f9a;
constexpr QRgb Text = 0xe6e8eb;
constexpr QRgb TextDim = 0x9aa0a8;
constexpr QRgb Disabled = 0x5a5f68;
constexpr QRgb Record = 0xe5484d;
constexpr QRgb Ok = 0x3dbb6c;
constexpr QRgb Key = 0xff00ff;
constexpr QRgb Cut = 0x3264aa; // COLORREF 0xAA6432 (0x00BBGGRR)
} // namespace Pal

inline QColor Rgb(QRgb v)
{
    return QColor::fromRgb(v | 0xff000000u);
}

// "#RRGGBB" or a palette name; false when neither.
bool ParseColor(const QString& text, QColor& out);
QStringList PaletteNames();
bool IsKeyColor(const QColor& c);

// The skin font (Liberation Sans, the metric twin of Arial) at a pixel size.
QFont SkinFont(qreal pixelSize, bool bold = false);

// Typed access to a row's key=value arguments. Complaints go to the error list
// with the row's place; unknown keys are reported by CheckKeys.
class Args
{
public:
    Args(const SkinRow& row, QStringList& errors) : m_row(row), m_errors(errors) {}

    bool CheckKeys(const QStringList& allowed);
    bool Has(const QString& key) const { return m_row.args.count(key) != 0; }
    QString Str(const QString& key, const QString& def = QString()) const;
    int Int(const QString& key, int def, int min, int max);
    QColor Color(const QString& key, QRgb def);
    QColor Color(const QString& key, const QColor& def);
    QPoint Point(const QString& key, QPoint def);
    // "X,Y,W,H" with a width and height above 0.
    QRect Rect(const QString& key, QRect def);
    QString Choice(const QString& key, const QStringList& choices);
    void Fail(const QString& message);
    bool Ok() const { return m_ok; }

private:
    const SkinRow& m_row;
    QStringList& m_errors;
    bool m_ok = true;
};

// Every recipe paints on a transparent layer; Flatten puts the layer on its
// background colour. A key colour must stay exact (a blend of the key with a
// shape's edge would show as a fringe), so over a key a pixel is either the
// shape (at least half covered: the shape over a dark matte) or the key.
QImage NewLayer(int width, int height);
QImage Flatten(const QImage& layer, const QColor& background);

QPainterPath RoundedRect(const QRectF& r, qreal radius);

// A well: a sunken rounded area that controls sit on (solid fill so the
// controls' own backgrounds match it), with a dark inner top line and a faint
// light lower edge.
void DrawWell(QPainter& p, const QRectF& r, qreal radius, const QColor& fill);

// Button faces, by look. `r` is the face rectangle inside a frame.
enum class FaceLook
{
    Normal,
    Selected,
    Hover,
    Disabled
};
void DrawFace(QPainter& p, const QPainterPath& shape, const QRectF& bounds, FaceLook look);

// Text drawn to fit a box: the largest pixel size up to `maxPx` whose tight
// bounds fit. Returns the pixel size used.
qreal DrawFittedText(QPainter& p, const QRectF& box, const QString& text, const QColor& colour, bool bold,
                     qreal maxPx, Qt::Alignment align = Qt::AlignCenter);
