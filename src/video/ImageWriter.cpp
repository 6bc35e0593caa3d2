#include "video/ImageWriter.h"

#include "platform/Skin.h"
#include "ui/TiffMemory.h"
#include "video/PictureBuffer.h"
#include "video/YuvToRgb.h"

#include <QFontMetrics>
#include <QPainter>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <jpeglib.h>

namespace {

void PutLe16(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void PutLe32(std::uint8_t* p, std::uint32_t v)
{
    PutLe16(p, v);
    PutLe16(p + 2, v >> 16);
}

// libjpeg's own error manager ends the process; this one returns to the
// call that started the coding instead.
struct JpegError
{
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

void JpegErrorExit(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}

void JpegSilent(j_common_ptr, int) {}

// Rows of R, G, B pixels, top row first, as the JPEG and TIFF coders take them.
QImage AsRgb888(const QImage& image)
{
    return image.format() == QImage::Format_RGB888 ? image : image.convertToFormat(QImage::Format_RGB888);
}

} // namespace

bool StillCropRect(int width, int height, StillCrop& crop)
{
    if (width > 700)
        crop = StillCrop{12, 12, width - 22, height - 20};
    else
        crop = StillCrop{6, 6, width - 11, height - 10};
    return crop.width > 0 && crop.height > 0;
}

const char* StillExtension(int format)
{
    switch (format) {
    case kStillFormatJpeg:
        return ".jpg";
    case kStillFormatBmp:
        return ".bmp";
    default:
        return ".tif";
    }
}

StillError StillErrorOfOpen(int err)
{
    switch (err) {
    case ENOSPC:
    case EDQUOT:
        return kStillDiskFull;
    case ENOENT:
    case ENOTDIR:
    case EISDIR:
    case EACCES:
    case EPERM:
    case EROFS:
    case ENAMETOOLONG:
    case EEXIST:
        return kStillNotCreatable;
    default:
        return kStillWriteError;
    }
}

StillError StillErrorOfWrite(int err)
{
    // EFBIG: the file is larger than the file system (or the process) allows,
    // to the operator the same as no room for it.
    return err == ENOSPC || err == EDQUOT || err == EFBIG ? kStillDiskFull : kStillWriteError;
}

// ---------------------------------------------------------------------------

void CImageWriter::CreateCaptionFont(int points, int weight, const std::string& face)
{
    m_fontCaption = MakeSkinFont(face, points, weight);
    m_nCaptionHeight = -FontPixelHeight(points);
    m_bHasFont = true;
}

QImage CImageWriter::PictureToImage(const std::uint8_t* picture, std::size_t bytes, int width, int height,
                                    int kind)
{
    const int format = kind == kStillKindRgb24    ? PictureBuffer::kFormatBgr24
                       : kind == kStillKindYuv420 ? PictureBuffer::kFormatYuv420
                                                  : 0;
    const std::size_t need = PictureBuffer::PictureBytes(width, height, format);
    if (!picture || need == 0 || bytes < need)
        return QImage();
    QImage image(width, height, QImage::Format_BGR888);
    if (image.isNull())
        return image;
    const std::size_t row = static_cast<std::size_t>(width) * 3;
    if (kind == kStillKindRgb24) {
        // Stored bottom-up: the last row in memory is the top of the picture.
        for (int y = 0; y < height; ++y)
            std::memcpy(image.scanLine(y), picture + static_cast<std::size_t>(height - 1 - y) * row, row);
        return image;
    }
    const std::uint8_t* py = picture;
    const std::uint8_t* pu = py + static_cast<std::size_t>(width) * height;
    const std::uint8_t* pv = pu + static_cast<std::size_t>(width) * height / 4;
    std::vector<std::uint8_t> bgr(row * static_cast<std::size_t>(height));
    YuvToRgb24(bgr.data(), width, py, pu, pv, width, width / 2, width, height);
    // The conversion leaves the columns after the last whole group of eight.
    for (int y = 0; y < height; ++y)
        for (int x = width & ~7; x < width; ++x)
            YuvPixelToBgr(py[static_cast<std::size_t>(y) * width + x],
                          pu[static_cast<std::size_t>(y / 2) * (width / 2) + x / 2],
                          pv[static_cast<std::size_t>(y / 2) * (width / 2) + x / 2],
                          bgr.data() + static_cast<std::size_t>(y) * row + static_cast<std::size_t>(x) * 3);
    for (int y = 0; y < height; ++y)
        std::memcpy(image.scanLine(y), bgr.data() + static_cast<std::size_t>(y) * row, row);
    return image;
}

QPoint CImageWriter::CaptionPoint(int outWidth, int outHeight, std::size_t length) const
{
    const int len = static_cast<int>(length > 1000 ? 1000 : length);
    return QPoint((outWidth + (len * m_nCaptionHeight) / 2) / 2, outHeight + m_nCaptionHeight - 10);
}

void CImageWriter::DrawCaption(QImage& image, const std::string& caption, COLORREF colour) const
{
    QPainter p(&image);
    const QFont font = m_bHasFont ? m_fontCaption : MakeSkinFont("Tahoma", 16, 400);
    p.setFont(font);
    p.setPen(fromColorRef(colour));
    const QPoint at = CaptionPoint(image.width(), image.height(), caption.size());
    // The point is the top of the text cell; Qt draws from the baseline.
    p.drawText(QPoint(at.x(), at.y() + QFontMetrics(font).ascent()), QString::fromLatin1(caption));
}

QImage CImageWriter::RenderDib(const QImage& picture, int outWidth, int outHeight, const std::string& caption,
                               COLORREF colour) const
{
    StillCrop crop;
    if (picture.isNull() || outWidth <= 0 || outHeight <= 0 ||
        !StillCropRect(picture.width(), picture.height(), crop))
        return QImage();
    QImage out(outWidth, outHeight, QImage::Format_RGB888);
    if (out.isNull())
        return out;
    out.fill(Qt::black);
    {
        QPainter p(&out);
        // Pixels are picked, not blended, as the grid's stretch does.
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        p.drawImage(QRect(0, 0, outWidth, outHeight), picture,
                    QRect(crop.x, crop.y, crop.width, crop.height));
    }
    DrawCaption(out, caption, colour);
    return out;
}

std::vector<std::uint8_t> CImageWriter::EncodeBmp(const QImage& source)
{
    const QImage image = AsRgb888(source);
    const int w = image.width();
    const int h = image.height();
    const std::size_t row = (static_cast<std::size_t>(w) * 3 + 3) & ~std::size_t(3);
    const std::size_t pixels = row * static_cast<std::size_t>(h);
    std::vector<std::uint8_t> out(54 + pixels, 0);
    std::uint8_t* hdr = out.data();
    hdr[0] = 'B';
    hdr[1] = 'M';
    PutLe32(hdr + 2, static_cast<std::uint32_t>(out.size()));
    PutLe32(hdr + 10, 54);
    PutLe32(hdr + 14, 40);
    PutLe32(hdr + 18, static_cast<std::uint32_t>(w));
    PutLe32(hdr + 22, static_cast<std::uint32_t>(h));
    PutLe16(hdr + 26, 1);
    PutLe16(hdr + 28, 24);
    PutLe32(hdr + 34, static_cast<std::uint32_t>(pixels));
    // Bottom row first, B, G, R.
    for (int y = 0; y < h; ++y) {
        const uchar* src = image.constScanLine(h - 1 - y);
        std::uint8_t* dst = out.data() + 54 + static_cast<std::size_t>(y) * row;
        for (int x = 0; x < w; ++x) {
            dst[3 * x] = src[3 * x + 2];
            dst[3 * x + 1] = src[3 * x + 1];
            dst[3 * x + 2] = src[3 * x];
        }
    }
    return out;
}

namespace {

// The coding between the jump point and its end touches only what the
// pointers lead to, so nothing of this frame is lost by a jump back.
bool CompressJpeg(jpeg_compress_struct* cinfo, JpegError* err, const QImage* image, unsigned char** buffer,
                  unsigned long* size)
{
    if (setjmp(err->jump))
        return false;
    jpeg_create_compress(cinfo);
    jpeg_mem_dest(cinfo, buffer, size);
    cinfo->image_width = static_cast<JDIMENSION>(image->width());
    cinfo->image_height = static_cast<JDIMENSION>(image->height());
    cinfo->input_components = 3;
    cinfo->in_color_space = JCS_RGB;
    jpeg_set_defaults(cinfo);
    jpeg_start_compress(cinfo, TRUE);
    while (cinfo->next_scanline < cinfo->image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(image->constScanLine(static_cast<int>(cinfo->next_scanline)));
        jpeg_write_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_compress(cinfo);
    return true;
}

} // namespace

std::vector<std::uint8_t> CImageWriter::EncodeJpeg(const QImage& source)
{
    const QImage image = AsRgb888(source);
    if (image.isNull())
        return {};
    jpeg_compress_struct cinfo{};
    JpegError err{};
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegErrorExit;
    err.mgr.emit_message = JpegSilent;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const bool ok = CompressJpeg(&cinfo, &err, &image, &buffer, &size);
    jpeg_destroy_compress(&cinfo);
    std::vector<std::uint8_t> out;
    if (ok && buffer)
        out.assign(buffer, buffer + size);
    std::free(buffer);
    return out;
}

std::vector<std::uint8_t> CImageWriter::EncodeTiff(const QImage& source)
{
    const QImage image = AsRgb888(source);
    if (image.isNull())
        return {};
    TiffMemoryStream stream;
    {
        // "b": big-endian byte order.
        TiffHandle tif = OpenTiffMemory(stream, "wb");
        if (!tif)
            return {};
        TIFF* t = tif.get();
        TIFFSetField(t, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(image.width()));
        TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(image.height()));
        TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_PACKBITS);
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 1);
        TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_NONE);
        TIFFSetField(t, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
        std::vector<std::uint8_t> row(static_cast<std::size_t>(image.width()) * 3);
        for (int y = 0; y < image.height(); ++y) {
            std::memcpy(row.data(), image.constScanLine(y), row.size());
            if (TIFFWriteScanline(t, row.data(), static_cast<std::uint32_t>(y), 0) < 0)
                return {};
        }
        if (!TIFFFlush(t))
            return {};
    }
    return std::move(stream.data);
}

namespace {

// Writes all the bytes to an open file; 0 or the errno of the failure.
int WriteAll(int fd, const std::vector<std::uint8_t>& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : ENOSPC;
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

// The file system cannot make a second link to a file (or rename without
// replacing): the next way of putting the file in place is tried.
bool Unsupported(int err)
{
    return err == EPERM || err == ENOTSUP || err == EOPNOTSUPP || err == ENOSYS || err == EINVAL ||
           err == EXDEV;
}

enum class Placed
{
    Done,
    Taken,
    Unsupported,
    Failed
};

// Puts the finished temporary file in place under `target` unless a file of
// that name exists: a hard link where the file system has them, else a
// rename that refuses to replace.
Placed PlaceNoReplace(const std::string& temp, const std::string& target, int& err)
{
    if (::link(temp.c_str(), target.c_str()) == 0)
        return Placed::Done;
    err = errno;
    if (err == EEXIST)
        return Placed::Taken;
    if (!Unsupported(err))
        return Placed::Failed;
    if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
        return Placed::Done;
    err = errno;
    if (err == EEXIST)
        return Placed::Taken;
    return Unsupported(err) ? Placed::Unsupported : Placed::Failed;
}

} // namespace

std::string CutUtf8(const std::string& text, std::size_t limit)
{
    if (text.size() <= limit)
        return text;
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

std::string StillNameWithSuffix(const std::string& fileName, int n)
{
    const std::size_t slash = fileName.rfind('/');
    const std::size_t leafAt = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = fileName.rfind('.');
    const std::size_t extAt = dot == std::string::npos || dot < leafAt ? fileName.size() : dot;
    const std::string ext = fileName.substr(extAt);
    const std::string suffix = "-" + std::to_string(n);
    const std::size_t room = kStillMaxFileName > ext.size() + suffix.size()
                                 ? kStillMaxFileName - ext.size() - suffix.size()
                                 : 0;
    const std::string stem = CutUtf8(fileName.substr(leafAt, extAt - leafAt), room);
    return fileName.substr(0, leafAt) + stem + suffix + ext;
}

StillError CImageWriter::WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes,
                                        std::string* written)
{
    // Names taken before this many tries mean something else is wrong.
    constexpr int kMaxTries = 10000;
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    std::string temp = folder + ".still-XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return StillErrorOfOpen(errno);
    ::fchmod(fd, 0644);
    int err = WriteAll(fd, bytes);
    if (::close(fd) != 0 && err == 0)
        err = errno;
    if (err != 0) {
        // A full disk ends here: the earlier pictures were never opened.
        ::unlink(temp.c_str());
        return StillErrorOfWrite(err);
    }
    StillError result = kStillNotCreatable;
    bool unsupported = false;
    for (int n = 1; n <= kMaxTries; ++n) {
        const std::string target = n == 1 ? path : StillNameWithSuffix(path, n);
        if (!unsupported) {
            const Placed placed = PlaceNoReplace(temp, target, err);
            if (placed == Placed::Taken)
                continue;
            if (placed == Placed::Done) {
                if (written)
                    *written = target;
                result = kStillOk;
                break;
            }
            if (placed == Placed::Failed) {
                result = StillErrorOfOpen(err);
                break;
            }
            unsupported = true;
        }
        // No links and no safe rename here: the bytes are written once more
        // into a file that only this call can have created.
        const int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (out < 0) {
            if (errno == EEXIST)
                continue;
            result = StillErrorOfOpen(errno);
            break;
        }
        err = WriteAll(out, bytes);
        if (::close(out) != 0 && err == 0)
            err = errno;
        if (err != 0) {
            ::unlink(target.c_str());
            result = StillErrorOfWrite(err);
            break;
        }
        if (written)
            *written = target;
        result = kStillOk;
        break;
    }
    // The link made a second name (or the rename moved it): the temporary
    // name goes either way.
    ::unlink(temp.c_str());
    return result;
}

bool CImageWriter::SaveImage(const std::uint8_t* picture, std::size_t bytes, int width, int height, int kind,
                             int format, const std::string& folder, int outWidth, int outHeight,
                             const std::string& caption, const std::string& name, COLORREF colour)
{
    m_nError = kStillWriteError;
    m_strPath = folder + name + StillExtension(format);
    const QImage source = PictureToImage(picture, bytes, width, height, kind);
    if (source.isNull())
        return false;
    const QImage rendered = RenderDib(source, outWidth, outHeight, caption, colour);
    if (rendered.isNull())
        return false;
    std::vector<std::uint8_t> file;
    if (format == kStillFormatBmp)
        file = EncodeBmp(rendered);
    else if (format == kStillFormatJpeg)
        file = EncodeJpeg(rendered);
    else
        file = EncodeTiff(rendered);
    if (file.empty())
        return false;
    std::string written;
    m_nError = WriteFileBytes(m_strPath, file, &written);
    if (m_nError == kStillOk)
        m_strPath = written;
    return m_nError == kStillOk;
}
