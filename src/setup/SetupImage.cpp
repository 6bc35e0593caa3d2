#include "setup/SetupImage.h"

#include <algorithm>
#include <cstring>

namespace {

// The multi-byte fields in the order they are converted.
template <class Fn16, class Fn32> void ForEachMultiByte(Fn16 f16, Fn32 f32)
{
    using namespace SetupDb;
    f32(RecorderTime.offset);
    f16(PreEventDuration.offset);
    f16(PostEventDuration.offset);
    f32(Reserved3504.offset);
    f32(Reserved3508.offset);
    f16(Reserved4216.offset);
    f16(Reserved4218.offset);
    for (std::uint32_t k = 0; k < 16; ++k) {
        f16(PanLow.At(k));
        f16(PanHigh.At(k));
        f16(TiltLow.At(k));
        f16(TiltHigh.At(k));
    }
    f32(Reserved4448.offset);
    f32(RecordConfigMode.offset);
    f32(ActionADuration.offset);
    f32(ActionBDuration.offset);
    for (std::uint32_t k = 0; k < Reserved4600.count; ++k)
        f16(Reserved4600.At(k));
    for (std::uint32_t k = 0; k < PresetNumber.count; ++k)
        f16(PresetNumber.At(k));
}

std::uint16_t ReadBE16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

std::uint32_t ReadBE32(const std::uint8_t* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

void WriteBE16(std::uint8_t* p, std::uint16_t v)
{
    p[0] = static_cast<std::uint8_t>(v >> 8);
    p[1] = static_cast<std::uint8_t>(v);
}

void WriteBE32(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
}

} // namespace

void ConvertDbToHost(std::uint8_t* image)
{
    if (image == nullptr)
        return;
    ForEachMultiByte(
        [image](std::uint32_t off) {
            const std::uint16_t v = ReadBE16(image + off);
            std::memcpy(image + off, &v, 2);
        },
        [image](std::uint32_t off) {
            const std::uint32_t v = ReadBE32(image + off);
            std::memcpy(image + off, &v, 4);
        });
}

void ConvertDbToNetwork(std::uint8_t* image)
{
    if (image == nullptr)
        return;
    ForEachMultiByte(
        [image](std::uint32_t off) {
            std::uint16_t v;
            std::memcpy(&v, image + off, 2);
            WriteBE16(image + off, v);
        },
        [image](std::uint32_t off) {
            std::uint32_t v;
            std::memcpy(&v, image + off, 4);
            WriteBE32(image + off, v);
        });
}

std::uint8_t ImageRef::U8(std::size_t offset) const
{
    return Inside(offset, 1) ? m_data[offset] : 0;
}

std::uint16_t ImageRef::U16(std::size_t offset) const
{
    std::uint16_t v = 0;
    if (Inside(offset, 2))
        std::memcpy(&v, m_data + offset, 2);
    return v;
}

std::uint32_t ImageRef::U32(std::size_t offset) const
{
    std::uint32_t v = 0;
    if (Inside(offset, 4))
        std::memcpy(&v, m_data + offset, 4);
    return v;
}

void ImageRef::SetU8(std::size_t offset, std::uint8_t v)
{
    if (Inside(offset, 1))
        m_data[offset] = v;
}

void ImageRef::SetU16(std::size_t offset, std::uint16_t v)
{
    if (Inside(offset, 2))
        std::memcpy(m_data + offset, &v, 2);
}

void ImageRef::SetU32(std::size_t offset, std::uint32_t v)
{
    if (Inside(offset, 4))
        std::memcpy(m_data + offset, &v, 4);
}

std::uint32_t ImageRef::Get(const SetupDb::Field& f, int i) const
{
    if (i < 0 || static_cast<std::uint32_t>(i) >= f.count)
        return 0;
    const std::size_t off = f.At(static_cast<std::uint32_t>(i));
    switch (f.width) {
    case 2:
        return U16(off);
    case 4:
        return U32(off);
    default:
        return U8(off);
    }
}

void ImageRef::Set(const SetupDb::Field& f, int i, std::uint32_t v)
{
    if (i < 0 || static_cast<std::uint32_t>(i) >= f.count)
        return;
    const std::size_t off = f.At(static_cast<std::uint32_t>(i));
    switch (f.width) {
    case 2:
        SetU16(off, static_cast<std::uint16_t>(v));
        break;
    case 4:
        SetU32(off, v);
        break;
    default:
        SetU8(off, static_cast<std::uint8_t>(v));
        break;
    }
}

std::uint8_t ImageRef::ByteOf(const SetupDb::Field& f, int record, int index) const
{
    if (record < 0 || static_cast<std::uint32_t>(record) >= f.count || index < 0 ||
        static_cast<std::uint32_t>(index) >= f.width)
        return 0;
    return U8(f.At(static_cast<std::uint32_t>(record)) + static_cast<std::uint32_t>(index));
}

void ImageRef::SetByteOf(const SetupDb::Field& f, int record, int index, std::uint8_t v)
{
    if (record < 0 || static_cast<std::uint32_t>(record) >= f.count || index < 0 ||
        static_cast<std::uint32_t>(index) >= f.width)
        return;
    SetU8(f.At(static_cast<std::uint32_t>(record)) + static_cast<std::uint32_t>(index), v);
}

QString ImageRef::Text(const SetupDb::Field& f, int i) const
{
    if (i < 0 || static_cast<std::uint32_t>(i) >= f.count)
        return QString();
    const std::size_t off = f.At(static_cast<std::uint32_t>(i));
    if (!Inside(off, f.width))
        return QString();
    const char* p = reinterpret_cast<const char*>(m_data + off);
    const std::size_t n = ::strnlen(p, f.width);
    return QString::fromLatin1(p, static_cast<qsizetype>(n));
}

void ImageRef::SetText(const SetupDb::Field& f, int i, const QString& text, int maxChars)
{
    if (i < 0 || static_cast<std::uint32_t>(i) >= f.count || f.width == 0)
        return;
    const std::size_t off = f.At(static_cast<std::uint32_t>(i));
    if (!Inside(off, f.width))
        return;
    std::size_t limit = f.width - 1;
    if (maxChars >= 0)
        limit = std::min<std::size_t>(limit, static_cast<std::size_t>(maxChars));
    const QByteArray bytes = text.toLatin1(); // unmappable characters become '?'
    const std::size_t n = std::min<std::size_t>(limit, static_cast<std::size_t>(bytes.size()));
    std::memset(m_data + off, 0, f.width);
    std::memcpy(m_data + off, bytes.constData(), n);
    // A NUL inside the text ends it there, as it would on the recorder.
}

void ImageRef::Zero(const SetupDb::Field& f)
{
    if (Inside(f.offset, f.Size()))
        std::memset(m_data + f.offset, 0, f.Size());
}
