#include "ui/PictureStatic.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include "ui/TiffMemory.h"

#include <memory>

namespace PictureFile {

namespace {

// Large enough for any camera still or scanned page, small enough that a
// damaged header cannot make us allocate gigabytes.
constexpr std::int64_t kMaxPixels = 64LL * 1024 * 1024;

// A picture file larger than this is no still of ours; it is not read.
constexpr qint64 kMaxFileBytes = 256LL * 1024 * 1024;

QImage DibToImage(const std::vector<std::uint8_t>& dib, int width, int height)
{
    return BottomUpBgrToImage(dib.data(), width, height, static_cast<std::size_t>(DibRowBytes(width)));
}

QImage LoadTiff(const QByteArray& bytes)
{
    TiffMemoryStream stream;
    stream.data.assign(bytes.begin(), bytes.end());
    TiffHandle tif = OpenTiffMemory(stream, "r");
    if (!tif)
        return QImage();
    std::uint32_t width = 0;
    std::uint32_t length = 0;
    std::uint16_t samples = 0;
    TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &length);
    TIFFGetField(tif.get(), TIFFTAG_SAMPLESPERPIXEL, &samples);
    if (width < 1 || length < 1)
        return QImage();
    if (static_cast<std::int64_t>(width) * length > kMaxPixels || width > 65535 || length > 65535)
        return QImage();
    const int w = static_cast<int>(width);
    const int h = static_cast<int>(length);

    std::vector<std::uint8_t> dib(static_cast<std::size_t>(DibRowBytes(w)) * h, 0);
    std::vector<std::uint32_t> raster(static_cast<std::size_t>(w) * h);
    if (TIFFReadRGBAImage(tif.get(), width, length, raster.data(), 0) != 0)
        dib = RasterToDib(raster.data(), w, h);
    return DibToImage(dib, w, h);
}

QImage LoadBmpJpeg(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QByteArray format = reader.format();
    if (format != "bmp" && format != "jpeg")
        return QImage();
    return reader.read();
}

} // namespace

Kind KindOfPath(const QString& path)
{
    const QString lower = path.toLower();
    if (lower.contains(QLatin1String(".tif")))
        return Kind::Tiff;
    if (lower.contains(QLatin1String(".bmp")) || lower.contains(QLatin1String(".jpg")))
        return Kind::BmpJpeg;
    return Kind::None;
}

int DibRowBytes(int width)
{
    return (width * 3 + 3) & ~3;
}

QImage BottomUpBgrToImage(const std::uint8_t* rows, int width, int height, std::size_t rowBytes)
{
    QImage img(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* src = rows + static_cast<std::size_t>(height - 1 - y) * rowBytes;
        uchar* dst = img.scanLine(y);
        for (int x = 0; x < width; ++x) {
            dst[3 * x] = src[3 * x + 2];
            dst[3 * x + 1] = src[3 * x + 1];
            dst[3 * x + 2] = src[3 * x];
        }
    }
    return img;
}

std::vector<std::uint8_t> RasterToDib(const std::uint32_t* raster, int width, int height)
{
    const int row = DibRowBytes(width);
    std::vector<std::uint8_t> dib(static_cast<std::size_t>(row) * height, 0);
    for (int y = 0; y < height; ++y) {
        const std::uint32_t* src = raster + static_cast<std::size_t>(y) * width;
        std::uint8_t* dst = dib.data() + static_cast<std::size_t>(y) * row;
        for (int x = 0; x < width; ++x) {
            const std::uint32_t px = src[x];
            const int a = static_cast<int>(TIFFGetA(px));
            dst[3 * x] = Premultiply(static_cast<int>(TIFFGetB(px)), a);
            dst[3 * x + 1] = Premultiply(static_cast<int>(TIFFGetG(px)), a);
            dst[3 * x + 2] = Premultiply(static_cast<int>(TIFFGetR(px)), a);
        }
    }
    return dib;
}

QImage Load(const QString& path, int* bitsPerPixel)
{
    if (bitsPerPixel)
        *bitsPerPixel = 0;
    if (path.isEmpty())
        return QImage();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFileBytes)
        return QImage();
    const QByteArray bytes = file.read(kMaxFileBytes);
    file.close();
    return LoadBytes(bytes, KindOfPath(path), bitsPerPixel);
}

QImage LoadBytes(const QByteArray& bytes, Kind kind, int* bitsPerPixel)
{
    if (bitsPerPixel)
        *bitsPerPixel = 0;
    QImage img;
    switch (kind) {
    case Kind::Tiff:
        img = LoadTiff(bytes);
        if (bitsPerPixel && !img.isNull())
            *bitsPerPixel = 24;
        return img;
    case Kind::BmpJpeg:
        img = LoadBmpJpeg(bytes);
        if (bitsPerPixel && !img.isNull())
            *bitsPerPixel = img.depth();
        return img;
    case Kind::None:
        break;
    }
    return QImage();
}

} // namespace PictureFile

CPictureStatic::CPictureStatic(QWidget* parent) : CSkinCtrl(parent) {}

bool CPictureStatic::LoadPicture(const QString& path)
{
    // Only a picture that loaded has a size to show.
    int bits = 0;
    m_hBitmap = PictureFile::Load(path, &bits);
    if (!m_hBitmap.isNull()) {
        m_nWidth = m_hBitmap.width();
        m_nHeight = m_hBitmap.height();
        m_nBitsPixel = bits;
    } else {
        m_nWidth = m_nHeight = m_nBitsPixel = 0;
    }
    update();
    return !m_hBitmap.isNull();
}

void CPictureStatic::paintEvent(QPaintEvent*)
{
    if (m_hBitmap.isNull())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(rect(), m_hBitmap);
}
