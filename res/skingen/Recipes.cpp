#include "Recipes.h"

#include "Designs.h"
#include "Icons.h"
#include "Style.h"

#include <QLinearGradient>
#include <QPainter>
#include <cmath>
#include <functional>
#include <map>

namespace {

constexpr int kMaxButtonFrames = 8;

int PointsToPixels(double points)
{
    return int(points * 1.33 + 0.5);
}

// Copies each flattened frame into its place in the strip.
void PutFrame(QImage& strip, const QImage& frame, int index)
{
    QPainter p(&strip);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(index * frame.width(), 0, frame);
}

QImage NewStrip(const SkinRow& row)
{
    QImage strip(row.width, row.height, QImage::Format_RGB32);
    strip.fill(Qt::black);
    return strip;
}

// ---- fill -----------------------------------------------------------------
QImage Fill(const SkinRow& row, Args& a)
{
    if (!a.CheckKeys({"color", "from", "bg"}))
        return {};
    if (!a.Has("color")) {
        a.Fail("fill needs color=");
        return {};
    }
    const QColor c = a.Color("color", QRgb(0x000000));
    const int from = a.Int("from", 0, 0, row.width);
    const QColor bg = a.Color("bg", Pal::Surface);
    if (!a.Ok())
        return {};
    QImage img = NewStrip(row);
    img.fill(c);
    if (from > 0) {
        QPainter p(&img);
        p.fillRect(QRect(0, 0, from, row.height), bg);
    }
    return img;
}

// ---- panel ----------------------------------------------------------------
QImage Panel(const SkinRow& row, Args& a)
{
    if (!a.CheckKeys({"fill", "border", "bevel", "radius", "corner", "title", "titlebar", "titlesize", "grid",
                      "rows", "hours", "ink"}))
        return {};
    const QColor fill = a.Color("fill", Pal::Surface);
    const bool noBorder = a.Str("border") == "none";
    const QColor border = noBorder ? QColor() : a.Color("border", QColor(0x0c0d10));
    const QString bevel = a.Choice("bevel", {"raised", "sunken", "flat"});
    const int fw = row.FrameWidth(), h = row.height;
    const int radius = a.Int("radius", 0, 0, std::min(fw, h) / 2);
    const QColor corner = a.Color("corner", Pal::Key);
    const QString title = a.Str("title");
    const int titlebar = a.Int("titlebar", title.isEmpty() ? 0 : 24, 0, h);
    const double titlePt = a.Int("titlesize", 9, 5, 40);
    const int grid = a.Int("grid", 0, 0, 512);
    const int rows = a.Int("rows", 0, 0, 512);
    const QRect hours = a.Rect("hours", QRect());
    const QColor ink = a.Color("ink", Pal::Text);
    if (!a.Ok())
        return {};

    QImage layer = NewLayer(fw, h);
    {
        QPainter p(&layer);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF r(0, 0, fw, h);
        const QPainterPath outline = RoundedRect(r, radius);
        p.setPen(Qt::NoPen);
        if (!noBorder) {
            p.setBrush(border);
            p.drawPath(outline);
        }
        const QRectF inner = noBorder ? r : r.adjusted(1, 1, -1, -1);
        const QPainterPath innerPath = RoundedRect(inner, std::max(0, radius - 1));
        QLinearGradient g(0, 0, 0, h);
        g.setColorAt(0, fill.lighter(bevel == "sunken" ? 96 : 106));
        g.setColorAt(1, fill.darker(bevel == "sunken" ? 100 : 104));
        p.setBrush(g);
        p.drawPath(innerPath);
        p.setClipPath(innerPath);
        if (grid > 0) {
            // A faint dot grid, for large empty surfaces.
            p.setPen(QPen(QColor(255, 255, 255, 10), 1));
            for (int y = grid / 2 + titlebar; y < h; y += grid)
                for (int x = grid / 2; x < fw; x += grid)
                    p.drawPoint(x, y);
        }
        if (rows > 0) {
            // A thin line where one row of cells meets the next, so that equal
            // neighbours still read as separate cells.
            p.setPen(QPen(QColor(0, 0, 0, 90), 1));
            for (int y = rows; y < h - 1; y += rows)
                p.drawLine(QPointF(inner.left(), y + 0.5), QPointF(inner.right(), y + 0.5));
        }
        if (titlebar > 0) {
            const QRectF band(inner.left(), inner.top(), inner.width(), titlebar);
            QLinearGradient tg(band.topLeft(), band.bottomLeft());
            tg.setColorAt(0, fill.lighter(125));
            tg.setColorAt(1, fill.lighter(112));
            p.setPen(Qt::NoPen);
            p.setBrush(tg);
            p.drawRect(band);
            p.setPen(QPen(QColor(0, 0, 0, 140), 1));
            p.drawLine(QPointF(band.left(), band.bottom() + 0.5), QPointF(band.right(), band.bottom() + 0.5));
            // The accent tick that marks every window's title.
            p.setPen(Qt::NoPen);
            p.setBrush(Rgb(Pal::Accent));
            const qreal tick = std::max<qreal>(8, titlebar * 0.45);
            p.drawRoundedRect(QRectF(band.left() + 8, band.center().y() - tick / 2, 3, tick), 1.5, 1.5);
            if (!title.isEmpty()) {
                p.setFont(SkinFont(PointsToPixels(titlePt), true));
                p.setPen(Rgb(Pal::Text));
                p.drawText(band.adjusted(18, 0, -8, 0), Qt::AlignVCenter | Qt::AlignLeft, title);
            }
        }
        if (bevel != "flat") {
            const bool raised = bevel == "raised";
            p.setPen(QPen(raised ? QColor(255, 255, 255, 30) : QColor(0, 0, 0, 120), 1));
            p.setBrush(Qt::NoBrush);
            p.drawPath(innerPath.translated(0, 1));
        }
    }
    if (!hours.isEmpty()) {
        // The hours of a day, one box of the given size per hour, stacked
        // downwards: the scale beside a day-by-hour grid.
        QPainter p(&layer);
        p.setRenderHint(QPainter::TextAntialiasing);
        const qreal px = std::min<qreal>(hours.height() - 3, 11);
        for (int hour = 0; hour < 24; ++hour) {
            const QRectF box(hours.x(), hours.y() + hour * hours.height(), hours.width(), hours.height());
            DrawFittedText(p, box, QString::asprintf("%02d:00", hour), ink, false, px, Qt::AlignRight);
        }
    }
    const QImage frame = Flatten(layer, corner);
    QImage strip = NewStrip(row);
    for (int f = 0; f < row.frames; ++f)
        PutFrame(strip, frame, f);
    return strip;
}

// ---- frame ----------------------------------------------------------------
QImage Frame(const SkinRow& row, Args& a)
{
    if (!a.CheckKeys({"design", "at"}))
        return {};
    const QString name = a.Str("design");
    const QPoint at = a.Point("at", QPoint(0, 0));
    if (!a.Ok())
        return {};
    const QImage* design = Design(name);
    if (!design) {
        a.Fail("unknown design '" + name + "' (known: " + DesignNames().join(", ") + ")");
        return {};
    }
    const QRect piece(at, QSize(row.width, row.height));
    if (!design->rect().contains(piece)) {
        a.Fail(
            QString("the piece lies outside the %1 x %2 design").arg(design->width()).arg(design->height()));
        return {};
    }
    return design->copy(piece).convertToFormat(QImage::Format_RGB32);
}

// ---- button ---------------------------------------------------------------
QImage Button(const SkinRow& row, Args& a)
{
    if (!a.CheckKeys({"icon", "text", "icon2", "text2", "style", "bg", "corner", "size", "tint"}))
        return {};
    const QString style = a.Choice("style", {"tool", "flat", "round", "tab", "plain"});
    const QColor bg = a.Color("bg", Pal::Surface);
    const QColor tint = a.Color("tint", Pal::Text);
    const int sizePt = a.Int("size", 0, 0, 40);
    const QString icon = a.Str("icon"), icon2 = a.Str("icon2");
    const QString text = a.Str("text"), text2 = a.Str("text2");
    if (a.Has("corner"))
        a.Fail("corner= is not used by buttons; bg= is the colour around the face");
    for (const QString& n : {icon, icon2})
        if (!n.isEmpty() && !HasIcon(n))
            a.Fail("unknown icon '" + n + "'");
    if (row.frames > kMaxButtonFrames)
        a.Fail(QString("a button strip has at most %1 frames").arg(kMaxButtonFrames));
    if (!a.Ok())
        return {};

    const int fw = row.FrameWidth(), h = row.height;
    const QColor lit = QColor(0x6cb9ff);
    QImage strip = NewStrip(row);
    for (int f = 0; f < row.frames; ++f) {
        const bool second = f >= 4;
        const FaceLook look = static_cast<FaceLook>(f % 4);
        QImage layer = NewLayer(fw, h);
        QPainter p(&layer);
        p.setRenderHint(QPainter::Antialiasing);

        const QRectF r(0, 0, fw, h);
        QPainterPath shape;
        const qreal radius = std::min(fw, h) < 22 ? 3 : 4;
        if (style == "round") {
            const qreal d = std::min(fw, h) - 2;
            shape.addEllipse(QRectF(r.center().x() - d / 2, r.center().y() - d / 2, d, d));
        } else if (style == "tab") {
            const QRectF t = r.adjusted(1, 1, -1, 0);
            shape.addRoundedRect(t.adjusted(0, 0, 0, radius), radius, radius);
            shape = shape.intersected(RoundedRect(t, 0));
        } else {
            shape = RoundedRect(r.adjusted(1, 1, -1, -1), radius);
        }
        const bool face = style == "tool" || style == "round" || style == "tab" ||
                          (style == "flat" && (look == FaceLook::Selected || look == FaceLook::Hover));
        if (face)
            DrawFace(p, shape, shape.boundingRect(), look);

        QColor ink;
        switch (look) {
        case FaceLook::Normal:
            ink = second ? lit : tint;
            break;
        case FaceLook::Selected:
            ink = style == "plain" ? Rgb(Pal::Accent) : QColor(Qt::white);
            break;
        case FaceLook::Hover:
            ink = second ? lit.lighter(115) : QColor(Qt::white);
            break;
        case FaceLook::Disabled:
            ink = Rgb(Pal::Disabled);
            break;
        }
        if (style == "plain" && look == FaceLook::Hover && !second)
            ink = Rgb(Pal::Accent).lighter(130);

        const QString ic = second && !icon2.isEmpty() ? icon2 : icon;
        const QString tx = second && !text2.isEmpty() ? text2 : text;
        const QRectF content = shape.boundingRect().adjusted(2, 2, -2, -2);
        const qreal textPx = sizePt ? PointsToPixels(sizePt) : std::min<qreal>(h * 0.42, 13);
        if (!ic.isEmpty() && !tx.isEmpty()) {
            if (fw >= 2 * h) {
                const qreal side = std::round(std::min(content.height(), h * 0.6));
                const QFontMetricsF fm(SkinFont(textPx));
                const qreal total = side + 5 + fm.horizontalAdvance(tx);
                const qreal x0 = std::round(content.center().x() - total / 2);
                const QRectF ibox(x0, content.center().y() - side / 2, side, side);
                DrawIcon(p, ic, ibox, ink, IconStroke(side));
                DrawFittedText(
                    p,
                    QRectF(x0 + side + 5, content.top(), content.right() - x0 - side - 5, content.height()),
                    tx, ink, false, textPx, Qt::AlignLeft | Qt::AlignVCenter);
            } else {
                const qreal side = std::round(content.height() * 0.55);
                DrawIcon(p, ic, QRectF(content.center().x() - side / 2, content.top(), side, side), ink,
                         IconStroke(side));
                DrawFittedText(
                    p, QRectF(content.left(), content.top() + side, content.width(), content.height() - side),
                    tx, ink, false, textPx);
            }
        } else if (!ic.isEmpty()) {
            const qreal side = std::round(std::min(fw, h) * (style == "plain" ? 0.72 : 0.56));
            DrawIcon(p, ic, QRectF(r.center().x() - side / 2, r.center().y() - side / 2, side, side), ink,
                     IconStroke(side));
        } else if (!tx.isEmpty()) {
            DrawFittedText(p, content, tx, ink, true, textPx);
        }
        p.end();
        PutFrame(strip, Flatten(layer, bg), f);
    }
    return strip;
}

// ---- slider ---------------------------------------------------------------
QImage Slider(const SkinRow& row, Args& a)
{
    if (!a.CheckKeys({"part", "bg", "thick"}))
        return {};
    const QString part = a.Choice("part", {"channel", "active", "thumb", "thumbdrag"});
    const bool thumb = part.startsWith("thumb");
    const QColor bg = a.Color("bg", thumb ? Pal::Key : Pal::Sunken);
    const int fw = row.FrameWidth(), h = row.height;
    const int thick = a.Int("thick", std::max(2, std::min(6, h - 2)), 1, h);
    if (!a.Ok())
        return {};
    QImage layer = NewLayer(fw, h);
    {
        QPainter p(&layer);
        p.setRenderHint(QPainter::Antialiasing);
        if (!thumb) {
            // The groove spans the whole width, so the normal and the active
            // bitmap join seamlessly at any position.
            const QRectF groove(0, (h - thick) / 2.0, fw, thick);
            const qreal rad = thick / 2.0;
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0x070809));
            p.drawRoundedRect(groove, rad, rad);
            const QRectF in = groove.adjusted(1, 1, -1, -1);
            if (part == "active") {
                QLinearGradient g(in.topLeft(), in.bottomLeft());
                g.setColorAt(0, QColor(0x5ab0ff));
                g.setColorAt(1, QColor(0x1f7fdc));
                p.setBrush(g);
            } else {
                p.setBrush(QColor(0x202329));
            }
            if (in.height() > 0)
                p.drawRoundedRect(in, std::max<qreal>(0, rad - 1), std::max<qreal>(0, rad - 1));
        } else {
            const qreal d = std::min(fw, h) - 1;
            const QRectF knob(fw / 2.0 - d / 2, h / 2.0 - d / 2, d, d);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0x0c0d10));
            p.drawEllipse(knob);
            QLinearGradient g(knob.topLeft(), knob.bottomLeft());
            g.setColorAt(0, part == "thumb" ? QColor(0xf2f4f6) : QColor(0x8cc8ff));
            g.setColorAt(1, part == "thumb" ? QColor(0xb4b9c1) : QColor(0x2f9bff));
            p.setBrush(g);
            p.drawEllipse(knob.adjusted(1, 1, -1, -1));
            if (d >= 9) {
                p.setBrush(part == "thumb" ? Rgb(Pal::Accent) : QColor(Qt::white));
                const qreal c = std::max<qreal>(2, d / 5);
                p.drawEllipse(knob.center(), c / 2 + 0.5, c / 2 + 0.5);
            }
        }
    }
    const QImage frame = Flatten(layer, bg);
    QImage strip = NewStrip(row);
    for (int f = 0; f < row.frames; ++f)
        PutFrame(strip, frame, f);
    return strip;
}

// ---- progress -------------------------------------------------------------
QImage Progress(const SkinRow& row, Args& a)
{
    if (!a.CheckKeys({"part", "bg"}))
        return {};
    const QString part = a.Choice("part", {"back", "bar"});
    const QColor bg = a.Color("bg", Pal::Surface);
    if (row.frames != 3)
        a.Fail("a progress strip has 3 frames: left cap, middle, right cap");
    if (!a.Ok())
        return {};
    const int h = row.height;
    // One bar across the whole strip: its ends fall into the cap frames.
    QImage layer = NewLayer(row.width, h);
    {
        QPainter p(&layer);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF r(0.5, 0.5, row.width - 1, h - 1);
        const qreal rad = std::min<qreal>(h / 2.0, row.FrameWidth());
        p.setPen(Qt::NoPen);
        if (part == "back") {
            p.setBrush(QColor(0x070809));
            p.drawRoundedRect(r, rad, rad);
            p.setBrush(QColor(0x1a1c21));
            p.drawRoundedRect(r.adjusted(1, 1, -1, -1), rad - 1, rad - 1);
        } else {
            QLinearGradient g(r.topLeft(), r.bottomLeft());
            g.setColorAt(0, QColor(0x63b5ff));
            g.setColorAt(0.5, QColor(0x2f9bff));
            g.setColorAt(1, QColor(0x1d74c9));
            p.setBrush(g);
            p.drawRoundedRect(r.adjusted(1, 1, -1, -1), rad - 1, rad - 1);
        }
    }
    return Flatten(layer, bg);
}

// ---- check ----------------------------------------------------------------
QImage Check(const SkinRow& row, Args& a)
{
    if (!a.CheckKeys({"state", "bg"}))
        return {};
    const QString state = a.Choice("state", {"off", "on", "mask"});
    const QColor bg = a.Color("bg", Pal::Surface);
    if (!a.Ok())
        return {};
    const int fw = row.FrameWidth(), h = row.height;
    const qreal side = std::min(fw, h) - 2;
    const QRectF box((fw - side) / 2.0, (h - side) / 2.0, side, side);
    const qreal rad = std::max<qreal>(2, side / 5);
    QImage layer = NewLayer(fw, h);
    {
        QPainter p(&layer);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        if (state == "mask") {
            p.setBrush(Qt::black);
            p.drawRoundedRect(box, rad, rad);
        } else {
            p.setBrush(QColor(0x07080a));
            p.drawRoundedRect(box, rad, rad);
            const QRectF in = box.adjusted(1, 1, -1, -1);
            if (state == "on") {
                QLinearGradient g(in.topLeft(), in.bottomLeft());
                g.setColorAt(0, QColor(0x4aa8ff));
                g.setColorAt(1, QColor(0x1f7fdc));
                p.setBrush(g);
                p.drawRoundedRect(in, rad - 1, rad - 1);
                DrawIcon(p, "check", in.adjusted(1, 1, -1, -1), Qt::white, std::max<qreal>(1.5, side / 7));
            } else {
                QLinearGradient g(in.topLeft(), in.bottomLeft());
                g.setColorAt(0, QColor(0x15171b));
                g.setColorAt(1, QColor(0x24272d));
                p.setBrush(g);
                p.drawRoundedRect(in, rad - 1, rad - 1);
                p.setPen(QPen(QColor(0x4a505a), 1));
                p.setBrush(Qt::NoBrush);
                p.drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), rad, rad);
            }
        }
    }
    QImage frame;
    if (state == "mask") {
        // Black where the box shows, white outside: the owner cuts its window
        // region from the white pixels, so the edge is hard.
        frame = QImage(fw, h, QImage::Format_RGB32);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < fw; ++x)
                frame.setPixel(x, y, qAlpha(layer.pixel(x, y)) >= 128 ? 0xff000000u : 0xffffffffu);
    } else {
        frame = Flatten(layer, bg);
    }
    QImage strip = NewStrip(row);
    for (int f = 0; f < row.frames; ++f)
        PutFrame(strip, frame, f);
    return strip;
}

// ---- digits ---------------------------------------------------------------
QImage Digits(const SkinRow& row, Args& a)
{
    if (!a.CheckKeys({"glyphs", "color", "bg", "bold"}))
        return {};
    const QStringList glyphs = a.Str("glyphs").split(',');
    const QColor colour = a.Color("color", Pal::Text);
    const QColor bg = a.Color("bg", Pal::Sunken);
    const bool bold = a.Int("bold", 0, 0, 1) == 1;
    if (glyphs.size() != row.frames)
        a.Fail(QString("%1 glyphs for %2 frames").arg(glyphs.size()).arg(row.frames));
    for (const QString& g : glyphs) {
        static const QStringList words = {"am", "pm", "24h", "blank"};
        if (!(g.size() == 1 && QString("0123456789:/-.").contains(g)) && !words.contains(g))
            a.Fail("unknown glyph '" + g + "'");
    }
    if (!a.Ok())
        return {};
    const int fw = row.FrameWidth(), h = row.height;
    // One size for every digit: the largest whose digits fit the cell.
    const int pad = h >= 12 ? 2 : 1;
    qreal px = h * 1.6;
    for (; px > 4; px -= 0.5) {
        const QFontMetricsF fm(SkinFont(px, bold));
        if (fm.tightBoundingRect("0").height() <= h - pad && fm.horizontalAdvance("0") <= fw + 0.6)
            break;
    }
    const QFont font = SkinFont(px, bold);
    const QFontMetricsF fm(font);
    const qreal digitTop = fm.tightBoundingRect("0").top();
    const qreal digitH = fm.tightBoundingRect("0").height();
    const qreal baseline = std::round((h - digitH) / 2 - digitTop);
    QImage strip = NewStrip(row);
    for (int f = 0; f < row.frames; ++f) {
        const QString g = glyphs[f];
        QImage layer = NewLayer(fw, h);
        QPainter p(&layer);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        if (g == "am" || g == "pm" || g == "24h") {
            const QString word = g == "24h" ? "24H" : g.toUpper();
            DrawFittedText(p, QRectF(0, 0, fw, h), word, colour, true, h);
        } else if (g == ":") {
            // Two square dots read better than the font's colon at small sizes.
            const qreal d = std::max<qreal>(1.5, std::round(digitH / 6));
            const qreal cx = std::round(fw / 2.0 - d / 2);
            const qreal top = baseline - digitH;
            p.setPen(Qt::NoPen);
            p.setBrush(colour);
            p.drawRect(QRectF(cx, std::round(top + digitH * 0.28 - d / 2), d, d));
            p.drawRect(QRectF(cx, std::round(top + digitH * 0.78 - d / 2), d, d));
        } else if (g != "blank") {
            p.setFont(font);
            p.setPen(colour);
            const qreal w = fm.horizontalAdvance(g);
            p.drawText(QPointF(std::round((fw - w) / 2), baseline), g);
        }
        p.end();
        PutFrame(strip, Flatten(layer, bg), f);
    }
    return strip;
}

// ---- icon -----------------------------------------------------------------
QImage Icon(const SkinRow& row, Args& a)
{
    if (!a.CheckKeys({"name", "color", "bg", "stroke", "pad"}))
        return {};
    const QString name = a.Str("name");
    if (!HasIcon(name))
        a.Fail("unknown icon '" + name + "'");
    const QColor colour = a.Color("color", Pal::Text);
    const QColor bg = a.Color("bg", Pal::Surface);
    const int fw = row.FrameWidth(), h = row.height;
    const int pad = a.Int("pad", std::max(1, std::min(fw, h) / 8), 0, std::min(fw, h) / 2 - 1);
    const qreal side = std::min(fw, h) - 2 * pad;
    const int stroke = a.Int("stroke", 0, 0, 16);
    if (!a.Ok())
        return {};
    QImage layer = NewLayer(fw, h);
    {
        QPainter p(&layer);
        DrawIcon(p, name, QRectF((fw - side) / 2, (h - side) / 2, side, side), colour,
                 stroke ? stroke : IconStroke(side));
    }
    const QImage frame = Flatten(layer, bg);
    QImage strip = NewStrip(row);
    for (int f = 0; f < row.frames; ++f)
        PutFrame(strip, frame, f);
    return strip;
}

// ---- text -----------------------------------------------------------------
QImage Text(const SkinRow& row, Args& a)
{
    if (!a.CheckKeys({"text", "color", "bg", "size", "bold", "align"}))
        return {};
    const QString text = a.Str("text");
    const QColor colour = a.Color("color", Pal::Text);
    const QColor bg = a.Color("bg", Pal::Surface);
    const int sizePt = a.Int("size", 9, 4, 72);
    const bool bold = a.Int("bold", 0, 0, 1) == 1;
    const QString align = a.Choice("align", {"left", "center", "right"});
    if (!a.Ok())
        return {};
    const int fw = row.FrameWidth(), h = row.height;
    QImage layer = NewLayer(fw, h);
    {
        QPainter p(&layer);
        p.setFont(SkinFont(PointsToPixels(sizePt), bold));
        p.setPen(colour);
        const Qt::Alignment al = align == "left"    ? Qt::AlignLeft
                                 : align == "right" ? Qt::AlignRight
                                                    : Qt::AlignHCenter;
        p.drawText(QRectF(2, 0, fw - 4, h), al | Qt::AlignVCenter, text);
    }
    const QImage frame = Flatten(layer, bg);
    QImage strip = NewStrip(row);
    for (int f = 0; f < row.frames; ++f)
        PutFrame(strip, frame, f);
    return strip;
}

using RecipeFn = std::function<QImage(const SkinRow&, Args&)>;

const std::map<QString, RecipeFn>& Recipes()
{
    static const std::map<QString, RecipeFn> kRecipes = {
        {"fill", Fill},         {"panel", Panel}, {"frame", Frame},   {"button", Button}, {"slider", Slider},
        {"progress", Progress}, {"check", Check}, {"digits", Digits}, {"icon", Icon},     {"text", Text},
    };
    return kRecipes;
}

} // namespace

QStringList RecipeNames()
{
    QStringList names;
    for (const auto& [name, fn] : Recipes())
        names << name;
    return names;
}

QImage RenderRow(const SkinRow& row, QStringList& errors)
{
    Args args(row, errors);
    const auto it = Recipes().find(row.recipe);
    if (it == Recipes().end()) {
        args.Fail("unknown recipe '" + row.recipe + "' (known: " + RecipeNames().join(", ") + ")");
        return {};
    }
    QImage img = it->second(row, args);
    if (!args.Ok())
        return {};
    if (img.size() != QSize(row.width, row.height)) {
        args.Fail("drew a picture of the wrong size");
        return {};
    }
    return img.convertToFormat(QImage::Format_RGB32);
}
