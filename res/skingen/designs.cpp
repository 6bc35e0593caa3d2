// The main window's design. Its geometry follows the window's fixed control
// layout: the toolbar (53..423, 25..57), the channel and split button rails
// (x 22..52 and 872..906, y 73..617), the video grid (53..868, 72..620), the
// clock (66..183, 643..674), the transport buttons (264..663, 649..681), the
// sound controls (712..885, 637..667) and, during playback, the position bar
// (250..677, 630..644) with the playback clock (518..666, 632..641).
// Every control sits on a solid well, so its own bitmap background matches.
#include "Designs.h"

#include "Icons.h"
#include "Style.h"

#include <QDir>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <functional>
#include <map>
#include <memory>

namespace {

constexpr int kMainW = 928;
constexpr int kMainH = 698;
constexpr qreal kMainRadius = 14;
constexpr QRect kLogoRect(710, 23, 139, 34);

// The colour every control of the main window sits on.
const QColor kWell = Rgb(Pal::Sunken);

void DrawMainBody(QPainter& p, bool playback)
{
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF all(0, 0, kMainW, kMainH);

    // Outline and body: graphite with a gentle vertical falloff.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x050607));
    p.drawPath(RoundedRect(all, kMainRadius));
    QLinearGradient body(0, 0, 0, kMainH);
    body.setColorAt(0, QColor(0x30343b));
    body.setColorAt(0.09, QColor(0x272a30));
    body.setColorAt(0.92, QColor(0x212429));
    body.setColorAt(1, QColor(0x1b1d21));
    p.setBrush(body);
    const QRectF inner = all.adjusted(1, 1, -1, -1);
    p.drawPath(RoundedRect(inner, kMainRadius - 1));
    // Light rim along the top and a darker one at the bottom.
    p.setClipPath(RoundedRect(inner, kMainRadius - 1));
    p.setPen(QPen(QColor(255, 255, 255, 34), 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(RoundedRect(inner, kMainRadius - 1).translated(0, 1));
    p.setClipping(false);

    // Title strip: a fine accent line that runs under the toolbar row, and a
    // grip of dots in the middle of the free top edge for dragging.
    p.setPen(Qt::NoPen);
    QLinearGradient line(48, 0, 640, 0);
    line.setColorAt(0, QColor(0x2f9bff));
    line.setColorAt(0.6, QColor(47, 155, 255, 60));
    line.setColorAt(1, QColor(47, 155, 255, 0));
    p.setBrush(line);
    p.drawRoundedRect(QRectF(48, 11, 590, 2), 1, 1);
    p.setBrush(QColor(255, 255, 255, 38));
    for (int i = 0; i < 6; ++i)
        p.drawEllipse(QPointF(455 + i * 7, 40.5), 1.2, 1.2);

    // Toolbar, version button and minimise button wells.
    DrawWell(p, QRectF(48, 21, 380, 40), 7, kWell);
    DrawWell(p, QRectF(657, 20, 41, 41), 7, kWell);
    DrawWell(p, QRectF(865, 29, 28, 27), 6, kWell);

    // The stage: channel rail, video area and split rail on one dark well.
    DrawWell(p, QRectF(16, 67, 896, 557), 9, kWell);
    // Fine separators between the rails and the video area.
    p.setPen(QPen(QColor(255, 255, 255, 14), 1));
    p.drawLine(QPointF(52.5, 74), QPointF(52.5, 616));
    p.drawLine(QPointF(869.5, 74), QPointF(869.5, 616));
    // The video area itself (the grid covers it when it is shown).
    QRadialGradient vignette(QPointF(460.5, 346), 480);
    vignette.setColorAt(0, QColor(0x1a1c20));
    vignette.setColorAt(1, QColor(0x0c0d0f));
    p.setPen(Qt::NoPen);
    p.setBrush(vignette);
    p.drawRect(QRectF(54, 72, 814, 548));

    // Bottom: clock, transport and sound wells.
    DrawWell(p, QRectF(57, 637, 136, 43), 7, kWell);
    DrawWell(p, QRectF(256, 645, 415, 40), 8, kWell);
    // Sound button and volume; the audio-channel and microphone buttons at
    // 822..885 stay hidden, so the well ends after the volume.
    DrawWell(p, QRectF(705, 632, 119, 41), 8, kWell);

    if (playback) {
        // The position bar: the slider's groove and the playback clock.
        DrawWell(p, QRectF(250, 630, 427, 14), 5, kWell);
        p.setPen(QPen(QColor(255, 255, 255, 20), 1));
        p.drawLine(QPointF(514.5, 632), QPointF(514.5, 642));
    }
}

QImage DrawMain(bool playback)
{
    QImage layer = NewLayer(kMainW, kMainH);
    {
        QPainter p(&layer);
        DrawMainBody(p, playback);
    }
    // The corners outside the rounded outline carry the cut key, which the
    // window turns into holes.
    return Flatten(layer, Rgb(Pal::Cut));
}

// The product mark: a lens ring with a pupil and a highlight.
void DrawMark(QPainter& p, const QPointF& c, qreal r, const QColor& ring, const QColor& pupil)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(ring, r * 0.28));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, r * 0.86, r * 0.86);
    p.setPen(Qt::NoPen);
    p.setBrush(pupil);
    p.drawEllipse(c, r * 0.36, r * 0.36);
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawEllipse(c + QPointF(r * 0.14, -r * 0.14), r * 0.1, r * 0.1);
    p.restore();
}

// The word mark: "KOLA" in the text colour and "5500" in the accent.
void DrawWordmark(QPainter& p, const QPointF& baseline, qreal px, qreal alpha = 1)
{
    QColor light = Rgb(Pal::Text), accent = Rgb(Pal::Accent);
    light.setAlphaF(alpha);
    accent.setAlphaF(alpha);
    QFont f = SkinFont(px, true);
    f.setLetterSpacing(QFont::AbsoluteSpacing, px * 0.04);
    p.setFont(f);
    p.setPen(light);
    p.drawText(baseline, "KOLA");
    const qreal w = QFontMetricsF(f).horizontalAdvance("KOLA");
    p.setPen(accent);
    p.drawText(baseline + QPointF(w + px * 0.08, 0), "5500");
}

QImage DrawLogo()
{
    // Drawn over the main window's own pixels at the logo's place, so it has
    // no box of its own.
    QImage logo = Design("main")->copy(kLogoRect).convertToFormat(QImage::Format_RGB32);
    QPainter p(&logo);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    DrawMark(p, QPointF(17, 17), 14, Rgb(Pal::Accent), Rgb(Pal::Text));
    DrawWordmark(p, QPointF(38, 19), 16);
    QFont small = SkinFont(7.5, false);
    small.setLetterSpacing(QFont::AbsoluteSpacing, 1.1);
    p.setFont(small);
    p.setPen(Rgb(Pal::TextDim));
    p.drawText(QPointF(39, 29), "NETWORK CLIENT");
    return logo;
}

// Cell pictures are stretched over cells of any size, so they stay simple and
// keep their content inside the 12-pixel border that some paths crop away.
QImage CellBase()
{
    QImage img(360, 240, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient g(QPointF(180, 120), 230);
    g.setColorAt(0, QColor(0x1c1e23));
    g.setColorAt(1, QColor(0x0d0e10));
    p.fillRect(img.rect(), g);
    return img;
}

QImage DrawEmptyCell()
{
    QImage img = CellBase();
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    // The product mark and word mark, quiet, centred as one group.
    QFont f = SkinFont(24, true);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 1);
    const QFontMetricsF fm(f);
    const qreal kola = fm.horizontalAdvance("KOLA");
    const qreal total = 40 + 10 + kola + 2 + fm.horizontalAdvance("5500");
    const qreal x0 = std::round((img.width() - total) / 2);
    DrawMark(p, QPointF(x0 + 20, 120), 20, QColor(0x3a3f48), QColor(0x4a505a));
    p.setFont(f);
    p.setPen(QColor(0x3f444d));
    p.drawText(QPointF(x0 + 50, 129), "KOLA");
    p.setPen(QColor(0x2a4f75));
    p.drawText(QPointF(x0 + 50 + kola + 2, 129), "5500");
    return img;
}

QImage DrawVideoLoss()
{
    QImage img = CellBase();
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    // A camera with a slash through it, and a quiet caption.
    const QColor ink(0x5a5f68);
    DrawIcon(p, "camera", QRectF(150, 72, 60, 60), ink, 4);
    p.setPen(QPen(QColor(0x0d0e10), 9, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(154, 78), QPointF(206, 128));
    p.setPen(QPen(Rgb(Pal::Record).darker(130), 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(154, 78), QPointF(206, 128));
    QFont f = SkinFont(15, true);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 2);
    p.setFont(f);
    p.setPen(ink);
    p.drawText(QRectF(0, 142, 360, 24), Qt::AlignHCenter | Qt::AlignVCenter, "NO VIDEO");
    return img;
}

using DesignFn = std::function<QImage()>;

const std::map<QString, DesignFn>& DesignTable()
{
    static const std::map<QString, DesignFn> kDesigns = {
        {"main", [] { return DrawMain(false); }},
        {"mainplay", [] { return DrawMain(true); }},
    };
    return kDesigns;
}

} // namespace

const QImage* Design(const QString& name)
{
    static std::map<QString, std::unique_ptr<QImage>> cache;
    const auto it = cache.find(name);
    if (it != cache.end())
        return it->second.get();
    const auto d = DesignTable().find(name);
    if (d == DesignTable().end())
        return nullptr;
    return (cache[name] = std::make_unique<QImage>(d->second())).get();
}

QStringList DesignNames()
{
    QStringList names;
    for (const auto& [name, fn] : DesignTable())
        names << name;
    return names;
}

bool WriteProgramPictures(const QString& dir, QStringList& errors)
{
    QDir().mkpath(dir);
    const std::pair<const char*, QImage> pictures[] = {
        {"LogoK5.bmp", DrawLogo()},
        {"ComMark.bmp", DrawEmptyCell()},
        {"VdoLoss.bmp", DrawVideoLoss()},
    };
    bool ok = true;
    for (const auto& [name, image] : pictures) {
        const QString path = QDir(dir).filePath(name);
        // 24-bit BMP, as the picture files always were.
        if (!image.convertToFormat(QImage::Format_RGB888).save(path, "BMP")) {
            errors << path + ": cannot be written";
            ok = false;
        }
    }
    return ok;
}
