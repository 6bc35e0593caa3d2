// The icon table: add an icon by adding one entry to Table() below.
#include "Icons.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <functional>
#include <map>

namespace {

// Drawing context on the 24-unit grid.
struct Pen
{
    QPainter& p;
    QColor c;
    qreal w; // stroke in grid units

    void Stroke() const
    {
        QPen pen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
    }
    void Fill() const
    {
        p.setPen(QPen(c, w * 0.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(c);
    }
    void Line(qreal x1, qreal y1, qreal x2, qreal y2) const
    {
        Stroke();
        p.drawLine(QPointF(x1, y1), QPointF(x2, y2));
    }
    void Poly(std::initializer_list<QPointF> pts, bool filled, bool closed = true) const
    {
        QPolygonF poly(pts);
        if (filled) {
            Fill();
            p.drawPolygon(poly);
        } else if (closed) {
            Stroke();
            p.drawPolygon(poly);
        } else {
            Stroke();
            p.drawPolyline(poly);
        }
    }
    void Rect(qreal x, qreal y, qreal w_, qreal h, qreal r, bool filled) const
    {
        filled ? Fill() : Stroke();
        p.drawRoundedRect(QRectF(x, y, w_, h), r, r);
    }
    void Circle(qreal cx, qreal cy, qreal r, bool filled) const
    {
        filled ? Fill() : Stroke();
        p.drawEllipse(QPointF(cx, cy), r, r);
    }
    // Arc on a circle, angles in degrees counter-clockwise from 3 o'clock.
    void Arc(qreal cx, qreal cy, qreal r, qreal start, qreal span) const
    {
        Stroke();
        p.drawArc(QRectF(cx - r, cy - r, 2 * r, 2 * r), int(start * 16), int(span * 16));
    }
    void Path(const QPainterPath& path, bool filled) const
    {
        filled ? Fill() : Stroke();
        p.drawPath(path);
    }
    // An arrow head (open chevron) pointing from (x, y) in direction deg.
    void Chevron(qreal x, qreal y, qreal deg, qreal size) const
    {
        const qreal a = deg * M_PI / 180;
        const qreal a1 = a + M_PI * 0.75, a2 = a - M_PI * 0.75;
        Poly({QPointF(x + size * std::cos(a1), y - size * std::sin(a1)), QPointF(x, y),
              QPointF(x + size * std::cos(a2), y - size * std::sin(a2))},
             false, false);
    }
};

// A filled arrow (triangle) of the PTZ pad pointing in direction deg.
void PadArrow(const Pen& k, qreal deg)
{
    // A notched dart: the notch at its back makes the direction unmistakable
    // also on the diagonals. y grows downwards, so the sine is subtracted.
    const qreal a = deg * M_PI / 180;
    const qreal c = std::cos(a), s = std::sin(a);
    auto at = [&](qreal along, qreal across) {
        return QPointF(12 + along * c + across * s, 12 - along * s + across * c);
    };
    k.Poly({at(9, 0), at(-6, -7.5), at(-2.5, 0), at(-6, 7.5)}, true);
}

void Speaker(const Pen& k)
{
    k.Poly(
        {QPointF(3, 9), QPointF(7, 9), QPointF(12, 4.5), QPointF(12, 19.5), QPointF(7, 15), QPointF(3, 15)},
        true);
}

void Camera(const Pen& k, qreal dx = 0)
{
    k.Rect(2 + dx, 7, 13, 10, 2, false);
    k.Poly({QPointF(15 + dx, 10.5), QPointF(21 + dx, 7.5), QPointF(21 + dx, 16.5), QPointF(15 + dx, 13.5)},
           false);
}

// The corners of a viewfinder, framing the focus icons.
void FocusFrame(const Pen& k)
{
    k.Line(3, 8, 3, 3);
    k.Line(3, 3, 8, 3);
    k.Line(21, 8, 21, 3);
    k.Line(21, 3, 16, 3);
    k.Line(3, 16, 3, 21);
    k.Line(3, 21, 8, 21);
    k.Line(21, 16, 21, 21);
    k.Line(21, 21, 16, 21);
}

// An iris: six blades from the rim towards a centre of radius `inner`, each
// turned by `turn` radians (a wider turn closes the iris further).
void Iris(const Pen& k, qreal inner, qreal turn)
{
    k.Circle(12, 12, 9, false);
    for (int i = 0; i < 6; ++i) {
        const qreal a = i * M_PI / 3;
        k.Line(12 + 9 * std::cos(a), 12 + 9 * std::sin(a), 12 + inner * std::cos(a + turn),
               12 + inner * std::sin(a + turn));
    }
}

void Magnifier(const Pen& k, qreal cx, qreal cy, qreal r)
{
    k.Circle(cx, cy, r, false);
    k.Line(cx + r * 0.72, cy + r * 0.72, 21, 21);
}

void Lock(const Pen& k, bool open)
{
    k.Rect(5, 11, 14, 10, 2, true);
    if (open) {
        // Shackle raised and swung free on the right.
        k.Arc(12, 5.5, 4.5, 0, 180);
        k.Line(7.5, 5.5, 7.5, 11);
        k.Line(16.5, 5.5, 16.5, 7);
    } else {
        k.Arc(12, 8, 4.5, 0, 180);
        k.Line(7.5, 8, 7.5, 11);
        k.Line(16.5, 8, 16.5, 11);
    }
}

// A mains plug: two prongs, the body and the cable.
void Plug(const Pen& k)
{
    k.Line(9, 2.5, 9, 7);
    k.Line(15, 2.5, 15, 7);
    k.Path(
        [] {
            QPainterPath p;
            p.moveTo(5.5, 7);
            p.lineTo(18.5, 7);
            p.lineTo(18.5, 11);
            p.cubicTo(18.5, 14.5, 15.5, 16.5, 12, 16.5);
            p.cubicTo(8.5, 16.5, 5.5, 14.5, 5.5, 11);
            p.closeSubpath();
            return p;
        }(),
        false);
    k.Line(12, 16.5, 12, 21.5);
}

// Split layouts: cells of an n x n grid; big cells span several.
void Split(const Pen& k, int n, std::initializer_list<QRect> big)
{
    const qreal x0 = 3, size = 18, gap = 1.6;
    const qreal cell = (size + gap) / n;
    std::vector<std::vector<bool>> used(n, std::vector<bool>(n, false));
    auto tile = [&](int cx, int cy, int cw, int ch) {
        k.p.setPen(Qt::NoPen);
        k.p.setBrush(k.c);
        k.p.drawRoundedRect(QRectF(x0 + cx * cell, x0 + cy * cell, cw * cell - gap, ch * cell - gap), 0.8,
                            0.8);
    };
    for (const QRect& b : big) {
        tile(b.x(), b.y(), b.width(), b.height());
        for (int y = b.top(); y <= b.bottom(); ++y)
            for (int x = b.left(); x <= b.right(); ++x)
                used[y][x] = true;
    }
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
            if (!used[y][x])
                tile(x, y, 1, 1);
}

using IconFn = std::function<void(const Pen&)>;

const std::map<QString, IconFn>& Table()
{
    static const std::map<QString, IconFn> kIcons = {
        // Transport
        {"play",
         [](const Pen& k) {
             k.Poly({QPointF(7, 4.5), QPointF(19.5, 12), QPointF(7, 19.5)}, true);
         }},
        {"pause",
         [](const Pen& k) {
             k.Rect(6, 4.5, 4, 15, 1, true);
             k.Rect(14, 4.5, 4, 15, 1, true);
         }},
        {"stop", [](const Pen& k) { k.Rect(5.5, 5.5, 13, 13, 1.5, true); }},
        {"ff",
         [](const Pen& k) {
             k.Poly({QPointF(2.5, 6), QPointF(11.5, 12), QPointF(2.5, 18)}, true);
             k.Poly({QPointF(12, 6), QPointF(21, 12), QPointF(12, 18)}, true);
         }},
        {"rew",
         [](const Pen& k) {
             k.Poly({QPointF(21.5, 6), QPointF(12.5, 12), QPointF(21.5, 18)}, true);
             k.Poly({QPointF(12, 6), QPointF(3, 12), QPointF(12, 18)}, true);
         }},
        {"stepf",
         [](const Pen& k) {
             k.Poly({QPointF(5, 5.5), QPointF(15, 12), QPointF(5, 18.5)}, true);
             k.Rect(16.5, 5.5, 3, 13, 1, true);
         }},
        {"stepb",
         [](const Pen& k) {
             k.Poly({QPointF(19, 5.5), QPointF(9, 12), QPointF(19, 18.5)}, true);
             k.Rect(4.5, 5.5, 3, 13, 1, true);
         }},
        {"record", [](const Pen& k) { k.Circle(12, 12, 6.5, true); }},
        // Sound
        {"speaker",
         [](const Pen& k) {
             Speaker(k);
             k.Arc(12, 12, 4.5, -50, 100);
             k.Arc(12, 12, 8.5, -50, 100);
         }},
        {"audio",
         [](const Pen& k) {
             k.Line(9, 17, 9, 5);
             k.Line(9, 5, 19, 3);
             k.Line(19, 3, 19, 15);
             k.Circle(6.5, 17.5, 2.8, true);
             k.Circle(16.5, 15.5, 2.8, true);
         }},
        {"mute",
         [](const Pen& k) {
             Speaker(k);
             k.Line(15.5, 9, 21, 15);
             k.Line(21, 9, 15.5, 15);
         }},
        {"mic",
         [](const Pen& k) {
             k.Rect(9, 2.5, 6, 11, 3, true);
             k.Arc(12, 10, 6, 180, 180);
             k.Line(12, 16, 12, 20.5);
             k.Line(8.5, 20.5, 15.5, 20.5);
         }},
        // PTZ pad
        {"up", [](const Pen& k) { PadArrow(k, 90); }},
        {"down", [](const Pen& k) { PadArrow(k, 270); }},
        {"left", [](const Pen& k) { PadArrow(k, 180); }},
        {"right", [](const Pen& k) { PadArrow(k, 0); }},
        {"upleft", [](const Pen& k) { PadArrow(k, 135); }},
        {"upright", [](const Pen& k) { PadArrow(k, 45); }},
        {"downleft", [](const Pen& k) { PadArrow(k, 225); }},
        {"downright", [](const Pen& k) { PadArrow(k, 315); }},
        {"zoomin",
         [](const Pen& k) {
             Magnifier(k, 10, 10, 6.5);
             k.Line(7, 10, 13, 10);
             k.Line(10, 7, 10, 13);
         }},
        {"zoomout",
         [](const Pen& k) {
             Magnifier(k, 10, 10, 6.5);
             k.Line(7, 10, 13, 10);
         }},
        {"focusnear",
         [](const Pen& k) {
             FocusFrame(k);
             k.Circle(12, 12, 4.5, true);
         }},
        {"focusfar",
         [](const Pen& k) {
             FocusFrame(k);
             k.Circle(12, 12, 1.8, true);
             k.Circle(12, 12, 5.5, false);
         }},
        {"irisopen", [](const Pen& k) { Iris(k, 4, 1.3); }},
        {"irisclose", [](const Pen& k) { Iris(k, 1.5, 1.9); }},
        {"ptz",
         [](const Pen& k) {
             k.Circle(12, 12, 3, true);
             k.Chevron(12, 2.5, 90, 3.5);
             k.Chevron(12, 21.5, 270, 3.5);
             k.Chevron(2.5, 12, 180, 3.5);
             k.Chevron(21.5, 12, 0, 3.5);
         }},
        {"preset",
         [](const Pen& k) {
             k.Path(
                 [] {
                     QPainterPath p;
                     p.moveTo(12, 21.5);
                     p.cubicTo(12, 21.5, 4.5, 13.5, 4.5, 9.5);
                     p.arcTo(QRectF(4.5, 2, 15, 15), 180, -180);
                     p.cubicTo(19.5, 13.5, 12, 21.5, 12, 21.5);
                     return p;
                 }(),
                 false);
             k.Circle(12, 9.5, 2.5, true);
         }},
        {"tour",
         [](const Pen& k) {
             k.Arc(12, 12, 8, 100, 290);
             k.Chevron(13.5, 4, 10, 4);
             k.Circle(12, 12, 2, true);
         }},
        {"home",
         [](const Pen& k) {
             k.Poly({QPointF(3, 11.5), QPointF(12, 3.5), QPointF(21, 11.5)}, false, false);
             k.Poly({QPointF(5.5, 10), QPointF(5.5, 20.5), QPointF(18.5, 20.5), QPointF(18.5, 10)}, false,
                    false);
             k.Rect(10, 14, 4, 6.5, 0.5, true);
         }},
        // Objects
        {"lock", [](const Pen& k) { Lock(k, false); }},
        {"unlock", [](const Pen& k) { Lock(k, true); }},
        {"camera", [](const Pen& k) { Camera(k); }},
        {"snapshot",
         [](const Pen& k) {
             k.Rect(2.5, 6.5, 19, 14, 2.5, false);
             k.Poly({QPointF(8, 6.5), QPointF(9.5, 3.5), QPointF(14.5, 3.5), QPointF(16, 6.5)}, false, false);
             k.Circle(12, 13.5, 3.8, false);
         }},
        {"folder",
         [](const Pen& k) {
             k.Poly({QPointF(2.5, 19.5), QPointF(2.5, 4.5), QPointF(9, 4.5), QPointF(11, 7), QPointF(21.5, 7),
                     QPointF(21.5, 19.5)},
                    false);
             k.Line(2.5, 10, 21.5, 10);
         }},
        {"disk",
         [](const Pen& k) {
             k.Poly({QPointF(3.5, 3.5), QPointF(17, 3.5), QPointF(20.5, 7), QPointF(20.5, 20.5),
                     QPointF(3.5, 20.5)},
                    false);
             k.Rect(7.5, 3.5, 8, 5, 0.5, true);
             k.Rect(7, 13, 10, 7.5, 1, false);
         }},
        {"save",
         [](const Pen& k) {
             k.Line(12, 3, 12, 15);
             k.Chevron(12, 15, 270, 5);
             k.Poly({QPointF(3.5, 15), QPointF(3.5, 20.5), QPointF(20.5, 20.5), QPointF(20.5, 15)}, false,
                    false);
         }},
        {"load",
         [](const Pen& k) {
             k.Rect(3, 4, 18, 16, 2, false);
             k.Poly({QPointF(3.5, 17), QPointF(9, 11), QPointF(13, 15), QPointF(15.5, 12.5),
                     QPointF(20.5, 17.5)},
                    false, false);
             k.Circle(15.5, 8.5, 1.7, true);
         }},
        {"print",
         [](const Pen& k) {
             k.Rect(6.5, 3, 11, 6, 0.5, false);
             k.Rect(2.5, 9, 19, 8.5, 2, false);
             k.Rect(6.5, 14, 11, 7, 0.5, true);
         }},
        {"calendar",
         [](const Pen& k) {
             k.Rect(3, 5, 18, 16, 2, false);
             k.Line(3, 10, 21, 10);
             k.Line(8, 2.5, 8, 6.5);
             k.Line(16, 2.5, 16, 6.5);
             k.Rect(7, 13, 3, 3, 0.5, true);
             k.Rect(14, 13, 3, 3, 0.5, true);
         }},
        {"list",
         [](const Pen& k) {
             for (int i = 0; i < 3; ++i) {
                 k.Circle(4.5, 6 + 6 * i, 1.3, true);
                 k.Line(9, 6 + 6 * i, 20.5, 6 + 6 * i);
             }
         }},
        {"bookmark",
         [](const Pen& k) {
             k.Poly({QPointF(6, 3), QPointF(18, 3), QPointF(18, 21), QPointF(12, 16), QPointF(6, 21)}, false);
         }},
        {"search", [](const Pen& k) { Magnifier(k, 10, 10, 6.5); }},
        {"info",
         [](const Pen& k) {
             k.Circle(12, 12, 9.5, false);
             k.Line(12, 11, 12, 17);
             k.Circle(12, 7.3, 0.9, true);
         }},
        {"check",
         [](const Pen& k) {
             k.Poly({QPointF(4.5, 12.5), QPointF(10, 18), QPointF(19.5, 6.5)}, false, false);
         }},
        {"plus",
         [](const Pen& k) {
             k.Line(12, 5, 12, 19);
             k.Line(5, 12, 19, 12);
         }},
        {"minus", [](const Pen& k) { k.Line(5, 12, 19, 12); }},
        {"close",
         [](const Pen& k) {
             k.Line(6, 6, 18, 18);
             k.Line(18, 6, 6, 18);
         }},
        {"min", [](const Pen& k) { k.Line(6, 17, 18, 17); }},
        {"max", [](const Pen& k) { k.Rect(5.5, 5.5, 13, 13, 1, false); }},
        // Commands of the main window
        {"connect", [](const Pen& k) { Plug(k); }},
        {"disconnect",
         [](const Pen& k) {
             Plug(k);
             k.Line(3.5, 3.5, 20.5, 20.5);
         }},
        {"setup",
         [](const Pen& k) {
             // Outline of a wheel with eight teeth: add one tooth at the top,
             // turn by 45 degrees, eight times; stroked like the other icons.
             QPainterPath gear;
             for (int i = 0; i < 8; ++i) {
                 gear.addRoundedRect(QRectF(-2.2, -10, 4.4, 5), 0.8, 0.8);
                 gear = QTransform().rotate(45).map(gear);
             }
             gear.addEllipse(QPointF(0, 0), 6.8, 6.8);
             gear.setFillRule(Qt::WindingFill);
             k.p.save();
             k.p.translate(12, 12);
             k.Path(gear.simplified(), false);
             k.Circle(0, 0, 2.8, false);
             k.p.restore();
         }},
        {"tune",
         [](const Pen& k) {
             // Three faders: the client's own preferences, apart from the
             // recorder's setup (the gear).
             const qreal knob[3] = {15.5, 8.5, 13};
             for (int i = 0; i < 3; ++i) {
                 const qreal y = 5.5 + 6.5 * i;
                 k.Line(3.5, y, 20.5, y);
                 k.Circle(knob[i], y, 2.6, true);
             }
         }},
        {"fullscreen",
         [](const Pen& k) {
             k.Poly({QPointF(3.5, 9), QPointF(3.5, 3.5), QPointF(9, 3.5)}, false, false);
             k.Poly({QPointF(15, 3.5), QPointF(20.5, 3.5), QPointF(20.5, 9)}, false, false);
             k.Poly({QPointF(3.5, 15), QPointF(3.5, 20.5), QPointF(9, 20.5)}, false, false);
             k.Poly({QPointF(15, 20.5), QPointF(20.5, 20.5), QPointF(20.5, 15)}, false, false);
             k.Rect(8, 8, 8, 8, 1, true);
         }},
        {"live",
         [](const Pen& k) {
             k.Circle(12, 12, 2.8, true);
             k.Arc(12, 12, 6, -45, 90);
             k.Arc(12, 12, 6, 135, 90);
             k.Arc(12, 12, 10, -40, 80);
             k.Arc(12, 12, 10, 140, 80);
         }},
        {"osd",
         [](const Pen& k) {
             k.Rect(2.5, 4.5, 19, 15, 2, false);
             k.Line(6, 9, 13, 9);
             k.Line(6, 15, 10, 15);
             k.Rect(14.5, 13, 3.5, 3.5, 0.5, true);
         }},
        {"arrange",
         [](const Pen& k) {
             k.Rect(3, 3, 7.5, 7.5, 1.2, false);
             k.Rect(13.5, 3, 7.5, 7.5, 1.2, true);
             k.Rect(3, 13.5, 7.5, 7.5, 1.2, true);
             k.Rect(13.5, 13.5, 7.5, 7.5, 1.2, false);
         }},
        {"firmware",
         [](const Pen& k) {
             k.Rect(6, 6, 12, 12, 1.5, false);
             k.Rect(9.5, 9.5, 5, 5, 0.5, true);
             for (qreal t : {9.0, 12.0, 15.0}) {
                 k.Line(t, 2.5, t, 6);
                 k.Line(t, 18, t, 21.5);
                 k.Line(2.5, t, 6, t);
                 k.Line(18, t, 21.5, t);
             }
         }},
        {"reboot",
         [](const Pen& k) {
             k.Arc(12, 12.5, 8, 120, 300);
             k.Chevron(7.8, 5.6, 60, 4.2);
         }},
        {"power",
         [](const Pen& k) {
             k.Arc(12, 13, 8, 125, 290);
             k.Line(12, 2.5, 12, 11);
         }},
        // Screen splits
        {"grid1", [](const Pen& k) { Split(k, 1, {}); }},
        {"grid4", [](const Pen& k) { Split(k, 2, {}); }},
        {"grid6", [](const Pen& k) { Split(k, 3, {QRect(0, 0, 2, 2)}); }},
        {"grid7",
         [](const Pen& k) {
             Split(k, 4, {QRect(0, 0, 2, 2), QRect(2, 0, 2, 2), QRect(0, 2, 2, 2)});
         }},
        {"grid8", [](const Pen& k) { Split(k, 4, {QRect(0, 0, 3, 3)}); }},
        {"grid9", [](const Pen& k) { Split(k, 3, {}); }},
        {"grid10",
         [](const Pen& k) {
             Split(k, 4, {QRect(0, 0, 2, 2), QRect(2, 0, 2, 2)});
         }},
        {"grid13", [](const Pen& k) { Split(k, 4, {QRect(1, 1, 2, 2)}); }},
        {"grid16", [](const Pen& k) { Split(k, 4, {}); }},
    };
    return kIcons;
}

} // namespace

bool HasIcon(const QString& name)
{
    return Table().count(name) != 0;
}

QStringList IconNames()
{
    QStringList names;
    for (const auto& [name, fn] : Table())
        names << name;
    return names;
}

qreal IconStroke(qreal side)
{
    // About 1/12 of the icon, never thinner than 1.5 px so small icons stay
    // legible, and rounded to half pixels so neighbouring icons match.
    return std::clamp(std::round(side / 12 * 2) / 2, 1.5, 3.0);
}

void DrawIcon(QPainter& p, const QString& name, const QRectF& box, const QColor& colour, qreal strokePx)
{
    const auto it = Table().find(name);
    if (it == Table().end())
        return;
    const qreal side = std::min(box.width(), box.height());
    const qreal scale = side / 24;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(box.center().x() - side / 2, box.center().y() - side / 2);
    p.scale(scale, scale);
    const Pen k{p, colour, strokePx / scale};
    it->second(k);
    p.restore();
}
