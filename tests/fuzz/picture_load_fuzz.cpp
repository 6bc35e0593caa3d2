// The picture loader of the Load command's preview and viewer: any bytes a
// file named .bmp, .jpg or .tif may hold. The loader must refuse or decode
// them without reading out of bounds, hanging or allocating without limit;
// a picture it gives is never empty-sized.
//
// Input: the first byte picks the reader (even: BMP/JPEG, odd: TIFF), the
// rest is the file's content.
#include "FuzzSupport.h"

#include "ui/PictureStatic.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QImageReader>

#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Lives to the end of the process: taking it down among the exit
    // handlers would run after Qt's own globals are gone.
    static QGuiApplication* app = new QGuiApplication(*argc, *argv);
    (void)app;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const PictureFile::Kind kind = (data[0] & 1) ? PictureFile::Kind::Tiff : PictureFile::Kind::BmpJpeg;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    int bits = 0;
    const QImage img = PictureFile::LoadBytes(bytes, kind, &bits);
    if (!img.isNull()) {
        K5_FUZZ_CHECK(img.width() > 0 && img.height() > 0);
        K5_FUZZ_CHECK(bits > 0);
    } else {
        K5_FUZZ_CHECK(bits == 0);
    }
    return 0;
}
