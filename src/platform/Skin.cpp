#include "platform/Skin.h"

#include <QWidget>
#include <algorithm>
#include <vector>

QColor fromColorRef(COLORREF c)
{
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

COLORREF toColorRef(const QColor& c)
{
    const QColor rgb = c.toRgb();
    return RGB(rgb.red(), rgb.green(), rgb.blue());
}

int FontPixelHeight(double points)
{
    return static_cast<int>(points * 1.33 + 0.5);
}

QFont MakeSkinFont(const std::string& face, double points, int weight)
{
    QString family = QString::fromStdString(face);
    if (face == "Arial Bold") {
        family = QStringLiteral("Liberation Sans");
        weight = std::max(weight, 700);
    } else if (face == "Arial" || face == "Tahoma") {
        family = QStringLiteral("Liberation Sans");
    }
    QFont font(family);
    font.setPixelSize(std::max(1, FontPixelHeight(points)));
    font.setWeight(static_cast<QFont::Weight>(std::clamp(weight, 1, 1000)));
    return font;
}

QRegion RegionWithoutColor(const QImage& image, COLORREF key)
{
    if (image.isNull())
        return QRegion();
    const QImage img = image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
                           ? image
                           : image.convertToFormat(QImage::Format_RGB32);
    const QRgb keyRgb = fromColorRef(key).rgb() & 0xFFFFFF;
    const int w = img.width();
    const int h = img.height();

    // Runs of kept pixels per line; equal consecutive lines share one band, so
    // the rectangles meet QRegion::setRects' banding rules as they are built.
    std::vector<QRect> rects;
    std::vector<std::pair<int, int>> prevRuns;
    std::vector<std::pair<int, int>> runs;
    std::size_t bandStart = 0; // index of the previous band's first rectangle
    for (int y = 0; y < h; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        runs.clear();
        int x = 0;
        while (x < w) {
            while (x < w && (line[x] & 0xFFFFFF) == keyRgb)
                ++x;
            if (x >= w)
                break;
            const int start = x;
            while (x < w && (line[x] & 0xFFFFFF) != keyRgb)
                ++x;
            runs.emplace_back(start, x - start);
        }
        if (!runs.empty() && runs == prevRuns && rects.size() > bandStart &&
            rects[bandStart].bottom() == y - 1) {
            for (std::size_t i = bandStart; i < rects.size(); ++i)
                rects[i].setBottom(y);
        } else {
            bandStart = rects.size();
            for (const auto& [x0, len] : runs)
                rects.emplace_back(x0, y, len, 1);
        }
        prevRuns.swap(runs);
    }
    QRegion region;
    if (!rects.empty())
        region.setRects(rects.data(), static_cast<int>(rects.size()));
    return region;
}

bool SetTransparent(QWidget* window, int alpha, const QImage& background)
{
    if (!window || !window->isWindow())
        return false;
    window->setWindowOpacity(std::clamp(alpha, 0, 255) / 255.0);
    // Without a background the shape is left as it is: a region the window
    // set for itself (other key colours) must survive a change of opacity.
    if (!background.isNull()) {
        const QRegion kept = RegionWithoutColor(background, kColorKey);
        if (kept == QRegion(background.rect()))
            window->clearMask();
        else
            window->setMask(kept);
    }
    return true;
}
