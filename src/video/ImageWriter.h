// The still-picture writer: one channel's picture, as the grid holds it, to
// an 800 x 600 captioned still in a BMP, JPEG or TIFF file. It runs on a save
// worker's thread and touches no window: the picture is drawn into a 24-bit
// image in memory, coded there and written to its file in one step, so a
// failed write is seen (and the partial file removed) in one place.
#pragma once

#include "platform/Types.h"

#include <QFont>
#include <QImage>
#include <cstdint>
#include <string>
#include <vector>

// The picture kinds SaveImage takes.
constexpr int kStillKindYuv420 = 0;
constexpr int kStillKindRgb24 = 1; // B, G, R, rows bottom-up

// The file formats (the SaveFormat setting).
constexpr int kStillFormatJpeg = 0;
constexpr int kStillFormatBmp = 1;
constexpr int kStillFormatTiff = 2;

// Why a still was not written; the values are the write-failed
// notification's sub-codes for pictures.
enum StillError : int
{
    kStillOk = 0,
    kStillDiskFull = 3,
    kStillNotCreatable = 4,
    kStillWriteError = 5
};

// The part of a w x h picture a still shows, rows counted from the top of the
// picture as shown. False for a picture too small to crop.
struct StillCrop
{
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};
bool StillCropRect(int width, int height, StillCrop& crop);

// The extension a format's file takes (".jpg", ".bmp", ".tif").
const char* StillExtension(int format);

// One file name component on the file systems stills are written to.
constexpr std::size_t kStillMaxFileName = 255;
// What a typed name leaves free for the suffix of a taken name ("-99999").
constexpr std::size_t kStillSuffixRoom = 6;
// UTF-8 text cut to at most `limit` bytes without splitting a character.
std::string CutUtf8(const std::string& text, std::size_t limit);
// The n-th name tried for a still whose name is taken (n >= 2):
// "door_01.jpg" -> "door_01-2.jpg", the stem cut so the name still fits.
std::string StillNameWithSuffix(const std::string& fileName, int n);

// The error a failed open (creating the file) or write answers by errno.
StillError StillErrorOfOpen(int err);
StillError StillErrorOfWrite(int err);

class CImageWriter
{
public:
    CImageWriter() = default;

    // The caption font: the face and weight at the size in points; its
    // character height is kept (negative, as the font helper makes it).
    void CreateCaptionFont(int points, int weight, const std::string& face);
    int CaptionHeight() const { return m_nCaptionHeight; }

    // Draws the picture (kind kStillKindRgb24 or kStillKindYuv420, `bytes`
    // long) at outWidth x outHeight with the caption at the bottom and writes
    // it as `folder` + `name` + the format's extension. False when the kind,
    // size or bytes are wrong or the file could not be written (Error() says
    // why; nothing of the file is left behind).
    bool SaveImage(const std::uint8_t* picture, std::size_t bytes, int width, int height, int kind,
                   int format, const std::string& folder, int outWidth, int outHeight,
                   const std::string& caption, const std::string& name, COLORREF colour);
    StillError Error() const { return m_nError; }
    // The path of the last file written (with its suffix), or attempted.
    const std::string& LastPath() const { return m_strPath; }

    // The steps, open for tests.
    // The picture as a top-down 24-bit image; null for a wrong kind or size.
    static QImage PictureToImage(const std::uint8_t* picture, std::size_t bytes, int width, int height,
                                 int kind);
    QImage RenderDib(const QImage& picture, int outWidth, int outHeight, const std::string& caption,
                     COLORREF colour) const;
    // Where the caption's text cell starts (its top-left corner).
    QPoint CaptionPoint(int outWidth, int outHeight, std::size_t length) const;
    void DrawCaption(QImage& image, const std::string& caption, COLORREF colour) const;
    static std::vector<std::uint8_t> EncodeBmp(const QImage& image);
    // Empty when libjpeg or libtiff failed.
    static std::vector<std::uint8_t> EncodeJpeg(const QImage& image);
    static std::vector<std::uint8_t> EncodeTiff(const QImage& image);
    // Writes the bytes as a new file at `path`, never replacing a file there:
    // they go to a temporary file in the same folder first, which is then
    // linked into place under the first free name of `path`,
    // StillNameWithSuffix(path, 2), ... The name used goes to `written`. On
    // failure nothing is left behind and no existing file was touched.
    static StillError WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes,
                                     std::string* written = nullptr);

private:
    QFont m_fontCaption;
    bool m_bHasFont = false;
    int m_nCaptionHeight = 0;
    StillError m_nError = kStillOk;
    std::string m_strPath;
};
