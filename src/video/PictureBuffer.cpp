#include "video/PictureBuffer.h"

#include <cstdlib>
#include <cstring>
#include <utility>

void PictureBuffer::FreeDeleter::operator()(std::uint8_t* p) const
{
    std::free(p);
}

PictureBuffer::PictureBuffer()
{
    // calloc: zeroed pages that cost nothing until a picture touches them.
    for (int i = 0; i < 3; ++i) {
        m_owned[i].reset(static_cast<std::uint8_t*>(std::calloc(kCapacity, 1)));
        m_buffers[i] = m_owned[i].get();
    }
}

PictureBuffer::~PictureBuffer() = default;

std::size_t PictureBuffer::PictureBytes(int width, int height, int format)
{
    if (width <= 0 || height <= 0 || width > 4096 || height > 4096)
        return 0;
    const std::size_t pixels = std::size_t(width) * std::size_t(height);
    std::size_t bytes = 0;
    if (format == kFormatYuv420) {
        if ((width & 1) || (height & 1))
            return 0;
        bytes = pixels * 3 / 2;
    } else if (format == kFormatBgr24) {
        bytes = pixels * 3;
    } else {
        return 0;
    }
    return bytes <= kCapacity ? bytes : 0;
}

void PictureBuffer::ClearWrite()
{
    if (m_buffers[m_write])
        std::memset(m_buffers[m_write], 0, kCapacity);
}

bool PictureBuffer::Publish(int width, int height, int format)
{
    if (PictureBytes(width, height, format) == 0 || !m_buffers[m_write])
        return false;
    std::lock_guard<std::mutex> lock(m_lock);
    std::swap(m_write, m_ready);
    m_fresh = true;
    ++m_published;
    m_readyMeta = Meta{width, height, format, m_published};
    return true;
}

PictureBuffer::View PictureBuffer::Acquire()
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_fresh) {
        std::swap(m_ready, m_front);
        m_frontMeta = m_readyMeta;
        m_fresh = false;
    }
    if (m_frontMeta.serial == 0)
        return View{};
    return View{m_buffers[m_front], m_frontMeta.width, m_frontMeta.height, m_frontMeta.format,
                m_frontMeta.serial};
}

bool PictureBuffer::CopyLatest(std::vector<std::uint8_t>& out, int& width, int& height, int& format) const
{
    std::lock_guard<std::mutex> lock(m_lock);
    const Meta& meta = m_fresh ? m_readyMeta : m_frontMeta;
    const std::uint8_t* data = m_buffers[m_fresh ? m_ready : m_front];
    if (meta.serial == 0 || !data)
        return false;
    const std::size_t bytes = PictureBytes(meta.width, meta.height, meta.format);
    out.assign(data, data + bytes);
    width = meta.width;
    height = meta.height;
    format = meta.format;
    return true;
}

void PictureBuffer::LatestSize(int& width, int& height, int& format) const
{
    std::lock_guard<std::mutex> lock(m_lock);
    const Meta& meta = m_fresh ? m_readyMeta : m_frontMeta;
    width = meta.width;
    height = meta.height;
    format = meta.format;
}

std::uint64_t PictureBuffer::PublishCount() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_published;
}

// ---------------------------------------------------------------------------

void PictureCropRows(int height, int& firstRow, int& rowCount)
{
    const bool fullLines = height == 480 || height == 576;
    const int top = fullLines ? 16 : 8;
    const int bottom = fullLines ? 8 : 4;
    firstRow = top;
    rowCount = height - top - bottom;
    if (rowCount <= 0) {
        // Too small to crop: show what there is.
        firstRow = 0;
        rowCount = height > 0 ? height : 0;
    }
}

bool PictureHasSplitFields(int height, int viewMode, bool servedModel)
{
    if (height != 480 && height != 576)
        return false;
    if (viewMode == 0)
        return true;
    return (viewMode == 1 || viewMode == 2) && !servedModel;
}

void FlipRgbPicture(std::uint8_t* picture, int width, int height, bool splitFields,
                    std::vector<std::uint8_t>& scratch)
{
    if (!picture || width <= 0 || height <= 0)
        return;
    const std::size_t line = std::size_t(width) * 3;
    const std::size_t bytes = line * std::size_t(height);
    if (bytes > PictureBuffer::kCapacity)
        return;
    scratch.resize(bytes);
    std::memcpy(scratch.data(), picture, bytes);
    const int half = height / 2;
    for (int n = 0; n < height; ++n) {
        int target = height - 1 - n;
        if (splitFields)
            target = n < half ? height - 1 - 2 * n : height - 2 - 2 * (n - half);
        if (target < 0 || target >= height)
            continue;
        std::memcpy(picture + line * std::size_t(target), scratch.data() + line * std::size_t(n), line);
    }
}

namespace {

void DeinterlacePlane(std::uint8_t* plane, std::size_t line, int rows, int method)
{
    if (method == 0) {
        for (int k = 0; 2 * k + 1 < rows; ++k)
            std::memcpy(plane + line * std::size_t(2 * k + 1), plane + line * std::size_t(2 * k), line);
        return;
    }
    if (rows <= 2)
        return;
    for (int k = 0; 2 * k + 2 < rows; ++k) {
        const std::uint8_t* above = plane + line * std::size_t(2 * k);
        const std::uint8_t* below = plane + line * std::size_t(2 * k + 2);
        std::uint8_t* row = plane + line * std::size_t(2 * k + 1);
        for (std::size_t i = 0; i < line; ++i)
            row[i] = static_cast<std::uint8_t>((above[i] + below[i]) >> 1);
    }
}

void WeavePlane(std::uint8_t* plane, std::size_t line, int rows, bool doubleLines, std::uint8_t* tmp)
{
    const int half = rows / 2;
    for (int i = 0; i < half; ++i) {
        const std::uint8_t* upper = plane + line * std::size_t(i);
        const std::uint8_t* lower = plane + line * std::size_t(half + i);
        std::memcpy(tmp + line * std::size_t(2 * i), upper, line);
        std::memcpy(tmp + line * std::size_t(2 * i + 1), doubleLines ? upper : lower, line);
    }
    std::memcpy(plane, tmp, line * std::size_t(2 * half));
}

} // namespace

void DeinterlacePicture(std::uint8_t* picture, int width, int height, bool rgb, int method)
{
    if (!picture || width <= 0 || height <= 0 || (method != 0 && method != 1))
        return;
    if (rgb) {
        if (PictureBuffer::PictureBytes(width, height, PictureBuffer::kFormatBgr24) == 0)
            return;
        DeinterlacePlane(picture, std::size_t(width) * 3, height, method);
        return;
    }
    if (PictureBuffer::PictureBytes(width, height, PictureBuffer::kFormatYuv420) == 0)
        return;
    const std::size_t luma = std::size_t(width) * height;
    const std::size_t chroma = luma / 4;
    DeinterlacePlane(picture, width, height, method);
    DeinterlacePlane(picture + luma, width / 2, height / 2, method);
    DeinterlacePlane(picture + luma + chroma, width / 2, height / 2, method);
}

void WeaveYuvFields(std::uint8_t* picture, int width, int height, bool doubleLines,
                    std::vector<std::uint8_t>& scratch)
{
    if (!picture || PictureBuffer::PictureBytes(width, height, PictureBuffer::kFormatYuv420) == 0)
        return;
    const std::size_t luma = std::size_t(width) * height;
    const std::size_t chroma = luma / 4;
    scratch.resize(luma);
    WeavePlane(picture, width, height, doubleLines, scratch.data());
    WeavePlane(picture + luma, width / 2, height / 2, doubleLines, scratch.data());
    WeavePlane(picture + luma + chroma, width / 2, height / 2, doubleLines, scratch.data());
}
