// A static that shows a picture file (.bmp, .jpg or .tif) stretched to its
// size, and the file loader behind it, which others call directly.
#pragma once

#include "ui/SkinCtrl.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <cstdint>
#include <vector>

namespace PictureFile {

// Which reader a path goes to, by a lower-case copy of the whole path: any
// ".tif" in it means TIFF (so ".tiff" too), else any ".bmp" or ".jpg" the
// BMP/JPEG reader; nothing else is read.
enum class Kind
{
    None,
    Tiff,
    BmpJpeg
};
Kind KindOfPath(const QString& path);

// A TIFF's 24-bit bottom-up picture rows: width x 3 bytes padded to 4.
int DibRowBytes(int width);
// Bottom-up rows of blue, green, red pixels, `rowBytes` apart (the first row
// is the picture's bottom), to a top-down image.
QImage BottomUpBgrToImage(const std::uint8_t* rows, int width, int height, std::size_t rowBytes);
// A colour value weighted by alpha, rounded to the nearest: an opaque pixel
// keeps its value, a transparent one becomes 0.
inline std::uint8_t Premultiply(int value, int alpha)
{
    return static_cast<std::uint8_t>((value * alpha + 127) / 255);
}
// libtiff's RGBA raster (first row = bottom row) to bottom-up rows of blue,
// green, red, premultiplied by alpha.
std::vector<std::uint8_t> RasterToDib(const std::uint32_t* raster, int width, int height);

// The picture, or a null image when the path is empty, the file cannot be
// opened, its name is of another kind or its content cannot be read. A TIFF
// whose pixels cannot be read gives a black picture of its size.
QImage Load(const QString& path, int* bitsPerPixel = nullptr);
// The same from a file's bytes already in memory, by the kind its name gave.
QImage LoadBytes(const QByteArray& bytes, Kind kind, int* bitsPerPixel = nullptr);

} // namespace PictureFile

class CPictureStatic : public CSkinCtrl
{
    Q_OBJECT
public:
    explicit CPictureStatic(QWidget* parent = nullptr);

    // True when the picture loaded: its sizes and depth are taken from it and
    // it is drawn at once; without one they are 0 and nothing is drawn.
    bool LoadPicture(const QString& path);
    static QImage LoadImageFile(const QString& path) { return PictureFile::Load(path); }

    int m_nWidth = 0;
    int m_nHeight = 0;
    QImage m_hBitmap;
    int m_nBitsPixel = 0;

protected:
    void paintEvent(QPaintEvent* e) override;
};
