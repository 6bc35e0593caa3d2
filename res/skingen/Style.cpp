#include "Style.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <cmath>
#include <map>

namespace {

const std::map<QString, QRgb>& Palette()
{
    static const std::map<QString, QRgb> kPalette = {
        {"window", Pal::Window},
        {"surface", Pal::Surface},
        {"raised", Pal::Raised},
        {"sunken", Pal::Sunken},
        {"edge", Pal::Edge},
        {"hilite", Pal::Hilite},
        {"accent", Pal::Accent},
        {"accentdim", Pal::AccentDim},
        {"text", Pal::Text},
        {"textdim", Pal::TextDim},
        {"disabled", Pal::Disabled},
        {"record", Pal::Record},
        {"ok", Pal::Ok},
        {"key", Pal::Key},
        {"cut", Pal::Cut},
        {"black", 0x000000},
        {"white", 0xffffff},
    };
    return kPalette;
}

} // namespace

bool ParseColor(const QString& text, QColor& out)
{
    const QString t = text.trimmed();
    const auto it = Palette().find(t.toLower());
    if (it != Palette().end()) {
        out = Rgb(it->second);
        return true;
    }
    if (t.size() == 7 && t[0] == '#') {
        bool ok = false;
        const uint v = t.mid(1).toUInt(&ok, 16);
        if (ok) {
            out = Rgb(v);
            return true;
        }
    }
    return false;
}

QStringList PaletteNames()
{
    QStringList names;
    for (const auto& [name, value] : Palette())
        names << name;
    return names;
}

bool IsKeyColor(const QColor& c)
{
    const QRgb v = c.rgb() & 0xffffff;
    return v == Pal::Key || v == Pal::Cut;
}

QFont SkinFont(qreal pixelSize, bool bold)
{
    QFont f("Liberation Sans");
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(std::max(1, int(std::lround(pixelSize))));
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

bool Args::CheckKeys(const QStringList& allowed)
{
    for (const auto& [key, value] : m_row.args) {
        if (!allowed.contains(key))
            Fail("unknown argument '" + key + "' for recipe " + m_row.recipe +
                 " (allowed: " + allowed.join(", ") + ")");
    }
    return m_ok;
}

QString Args::Str(const QString& key, const QString& def) const
{
    const auto it = m_row.args.find(key);
    return it == m_row.args.end() ? def : it->second;
}

int Args::Int(const QString& key, int def, int min, int max)
{
    if (!Has(key))
        return def;
    bool ok = false;
    const int v = Str(key).trimmed().toInt(&ok);
    if (!ok || v < min || v > max) {
        Fail(QString("%1 must be a number from %2 to %3").arg(key).arg(min).arg(max));
        return def;
    }
    return v;
}

QColor Args::Color(const QString& key, QRgb def)
{
    return Color(key, Rgb(def));
}

QColor Args::Color(const QString& key, const QColor& def)
{
    if (!Has(key))
        return def;
    QColor c;
    if (!ParseColor(Str(key), c)) {
        Fail(key + ": '" + Str(key) + "' is neither #RRGGBB nor a palette name");
        return def;
    }
    return c;
}

QPoint Args::Point(const QString& key, QPoint def)
{
    if (!Has(key))
        return def;
    const QStringList xy = Str(key).split(',');
    bool okx = false, oky = false;
    if (xy.size() == 2) {
        const int x = xy[0].trimmed().toInt(&okx);
        const int y = xy[1].trimmed().toInt(&oky);
        if (okx && oky)
            return QPoint(x, y);
    }
    Fail(key + " must be X,Y");
    return def;
}

QRect Args::Rect(const QString& key, QRect def)
{
    if (!Has(key))
        return def;
    const QStringList parts = Str(key).split(',');
    if (parts.size() == 4) {
        int v[4] = {0, 0, 0, 0};
        bool ok = true;
        for (int i = 0; i < 4 && ok; ++i)
            v[i] = parts[i].trimmed().toInt(&ok);
        if (ok && v[2] > 0 && v[3] > 0)
            return QRect(v[0], v[1], v[2], v[3]);
    }
    Fail(key + " must be X,Y,W,H with W and H above 0");
    return def;
}

QString Args::Choice(const QString& key, const QStringList& choices)
{
    if (!Has(key))
        return choices.first();
    const QString v = Str(key).trimmed();
    if (!choices.contains(v)) {
        Fail(key + " must be one of " + choices.join(", "));
        return choices.first();
    }
    return v;
}

void Args::Fail(const QString& message)
{
    m_ok = false;
    m_errors << m_row.Where() + QString(": bitmap %1: ").arg(m_row.id) + message;
}

QImage NewLayer(int width, int height)
{
    QImage layer(width, height, QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    return layer;
}

QImage Flatten(const QImage& layer, const QColor& background)
{
    QImage out(layer.size(), QImage::Format_RGB32);
    if (!IsKeyColor(background)) {
        out.fill(background);
        QPainter p(&out);
        p.drawImage(0, 0, layer);
        return out;
    }
    const QColor matte = Rgb(Pal::Window);
    const QRgb key = background.rgb();
    for (int y = 0; y < layer.height(); ++y) {
        const auto* src = reinterpret_cast<const QRgb*>(layer.constScanLine(y));
        auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < layer.width(); ++x) {
            const QRgb s = src[x];
            const int a = qAlpha(s);
            if (a < 128) {
                dst[x] = key;
                continue;
            }
            // Premultiplied source over the matte.
            const int r = qRed(s) + matte.red() * (255 - a) / 255;
            const int g = qGreen(s) + matte.green() * (255 - a) / 255;
            const int b = qBlue(s) + matte.blue() * (255 - a) / 255;
            QRgb v = qRgb(std::min(r, 255), std::min(g, 255), std::min(b, 255));
            // A shape pixel that happens to equal a key would turn into a hole.
            if ((v & 0xffffff) == Pal::Key || (v & 0xffffff) == Pal::Cut)
                v ^= 0x000001;
            dst[x] = v;
        }
    }
    return out;
}

QPainterPath RoundedRect(const QRectF& r, qreal radius)
{
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

void DrawWell(QPainter& p, const QRectF& r, qreal radius, const QColor& fill)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    // Faint light lip below, so the well reads as cut into the surface.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 18));
    p.drawPath(RoundedRect(r.adjusted(0, 0, 0, 1), radius));
    p.setBrush(QColor(0, 0, 0, 150));
    p.drawPath(RoundedRect(r, radius));
    p.setBrush(fill);
    p.drawPath(RoundedRect(r.adjusted(1, 1, -1, -1), std::max<qreal>(0, radius - 1)));
    // Inner shadow along the top.
    p.setPen(QPen(QColor(0, 0, 0, 90), 1));
    p.drawLine(QPointF(r.left() + radius, r.top() + 1.5), QPointF(r.right() - radius, r.top() + 1.5));
    p.restore();
}

void DrawFace(QPainter& p, const QPainterPath& shape, const QRectF& b, FaceLook look)
{
    QColor top, bottom, edge, shine;
    switch (look) {
    case FaceLook::Normal:
        top = QColor(0x363a42);
        bottom = QColor(0x2a2d33);
        edge = QColor(0x0c0d10);
        shine = QColor(255, 255, 255, 28);
        break;
    case FaceLook::Hover:
        top = QColor(0x434852);
        bottom = QColor(0x33373e);
        edge = QColor(0x0c0d10);
        shine = QColor(255, 255, 255, 40);
        break;
    case FaceLook::Selected:
        top = QColor(0x1d5d99);
        bottom = QColor(0x174a7a);
        edge = QColor(0x0a1826);
        shine = QColor(0x6bb8ff).darker(100);
        shine.setAlpha(90);
        break;
    case FaceLook::Disabled:
        top = QColor(0x25282d);
        bottom = QColor(0x222429);
        edge = QColor(0x101114);
        shine = QColor(255, 255, 255, 10);
        break;
    }
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(b.topLeft(), b.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.setPen(Qt::NoPen);
    p.setBrush(edge);
    p.drawPath(shape);
    // The face proper sits one pixel inside the dark outline.
    const qreal sx = (b.width() - 2) / b.width();
    const qreal sy = (b.height() - 2) / b.height();
    QTransform t;
    t.translate(b.center().x(), b.center().y());
    t.scale(sx, sy);
    t.translate(-b.center().x(), -b.center().y());
    const QPainterPath inner = t.map(shape);
    p.setBrush(g);
    p.drawPath(inner);
    // A one-pixel sheen along the top edge of the face.
    p.setClipPath(inner);
    p.setPen(QPen(shine, 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(t.map(shape).translated(0, 1));
    if (look == FaceLook::Selected) {
        p.setPen(QPen(QColor(0x2f9bff), 1));
        p.drawPath(inner);
    }
    p.restore();
}

qreal DrawFittedText(QPainter& p, const QRectF& box, const QString& text, const QColor& colour, bool bold,
                     qreal maxPx, Qt::Alignment align)
{
    qreal px = std::floor(maxPx);
    const QStringList lines = text.split('\n');
    for (; px > 5; px -= 1) {
        const QFontMetricsF fm(SkinFont(px, bold));
        qreal w = 0;
        for (const QString& l : lines)
            w = std::max(w, fm.horizontalAdvance(l));
        if (w <= box.width() &&
            fm.capHeight() * lines.size() + (lines.size() - 1) * fm.descent() <= box.height())
            break;
    }
    const QFont font = SkinFont(px, bold);
    const QFontMetricsF fm(font);
    p.save();
    p.setFont(font);
    p.setPen(colour);
    // Centre on the cap height rather than the line box, so digits and capitals
    // sit visually in the middle of their cell.
    const qreal lineStep = fm.capHeight() + fm.descent();
    const qreal total = fm.capHeight() + lineStep * (lines.size() - 1);
    qreal baseline = std::round(box.top() + (box.height() - total) / 2 + fm.capHeight());
    for (const QString& l : lines) {
        const qreal w = fm.horizontalAdvance(l);
        qreal x = box.left();
        if (align & Qt::AlignHCenter)
            x = box.left() + (box.width() - w) / 2;
        else if (align & Qt::AlignRight)
            x = box.right() - w;
        p.drawText(QPointF(std::round(x), baseline), l);
        baseline += std::round(lineStep);
    }
    p.restore();
    return px;
}
