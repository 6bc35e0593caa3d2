#include "ui/SkinDraw.h"

#include "platform/ResourceLibrary.h"

#include <QPainter>

void DrawBitmap(QPainter& p, const QImage& bmp, int left, int top, int right, int bottom, bool stretch,
                int frame)
{
    if (bmp.isNull())
        return;
    const int w = right - left;
    const int h = bottom - top;
    if (w <= 0 || h <= 0)
        return;
    const QPainter::CompositionMode oldMode = p.compositionMode();
    p.setCompositionMode(QPainter::CompositionMode_Source);
    if (stretch) {
        p.drawImage(QRect(left, top, w, h), bmp, bmp.rect());
    } else {
        // The wanted piece of the strip, clipped to the bitmap: a frame index
        // past the strip's end copies nothing rather than stray memory.
        const qint64 sx = qint64(w) * frame;
        if (sx > -w && sx < bmp.width()) {
            const QRect src = QRect(int(sx), 0, w, h) & bmp.rect();
            if (!src.isEmpty())
                p.drawImage(QPoint(left + src.x() - int(sx), top + src.y()), bmp, src);
        }
    }
    p.setCompositionMode(oldMode);
}

void DrawBitmap(QPainter* p, const QImage& bmp, int left, int top, int right, int bottom, bool stretch,
                int frame)
{
    if (p)
        DrawBitmap(*p, bmp, left, top, right, bottom, stretch, frame);
}

QImage LoadSkinBitmap(int id)
{
    return ResourceLibrary::Current().LoadBitmap(id);
}

QString LoadResString(int id)
{
    return ResourceLibrary::Current().LoadResString(id);
}

QString LoadResStringSpaced(int id)
{
    return QLatin1Char(' ') + LoadResString(id);
}
