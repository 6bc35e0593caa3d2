// The setup image as the pages see it: a flat array of kImageSize bytes whose
// multi-byte fields are in host order while the setup window is open. ImageRef
// reads and writes fields by their named offsets, never beyond the image;
// texts are Latin-1 in fixed NUL-terminated slots.
#pragma once

#include "setup/SetupOffsets.h"

#include <QString>
#include <array>
#include <cstdint>

using SetupDbImage = std::array<std::uint8_t, SetupDb::kImageSize>;

// The byte-order conversion of the multi-byte fields, in place. Both run the
// same list in the same order; everything else is left alone.
void ConvertDbToHost(std::uint8_t* image);
void ConvertDbToNetwork(std::uint8_t* image);

// The image's format version and the three forms a page compares it in.
struct SetupVersion
{
    int major = 0;
    int minor = 0;
    // Later than M.N.
    bool LaterThan(int m, int n) const { return major > m || (major == m && minor > n); }
    // M.N or later.
    bool AtLeast(int m, int n) const { return major > m || (major == m && minor >= n); }
    // Major M or later.
    bool MajorAtLeast(int m) const { return major >= m; }
};

class ImageRef
{
public:
    ImageRef() = default;
    ImageRef(std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    explicit ImageRef(SetupDbImage& image) : m_data(image.data()), m_size(image.size()) {}

    bool IsValid() const { return m_data != nullptr; }
    std::uint8_t* Data() const { return m_data; }
    std::size_t Size() const { return m_size; }
    SetupVersion Version() const { return {U8(0), U8(1)}; }

    // Raw reads and writes at an offset; out-of-range reads give 0 and
    // out-of-range writes do nothing.
    std::uint8_t U8(std::size_t offset) const;
    std::uint16_t U16(std::size_t offset) const; // host order
    std::uint32_t U32(std::size_t offset) const;
    void SetU8(std::size_t offset, std::uint8_t v);
    void SetU16(std::size_t offset, std::uint16_t v);
    void SetU32(std::size_t offset, std::uint32_t v);

    // Element i of a field (its width 1, 2 or 4); i outside the field's
    // count reads 0 and writes nothing.
    std::uint32_t Get(const SetupDb::Field& f, int i = 0) const;
    void Set(const SetupDb::Field& f, int i, std::uint32_t v);
    void Set(const SetupDb::Field& f, std::uint32_t v) { Set(f, 0, v); }
    // Byte `index` of record `record` of a field of records (for example
    // profile k, channel c of ProfileRate).
    std::uint8_t ByteOf(const SetupDb::Field& f, int record, int index) const;
    void SetByteOf(const SetupDb::Field& f, int record, int index, std::uint8_t v);

    // The text of slot i of a text field: Latin-1 up to the first NUL or the
    // slot's end.
    QString Text(const SetupDb::Field& f, int i = 0) const;
    // Writes the text as Latin-1 (other characters become '?'), cut so that
    // its NUL fits the slot (and `maxChars` when given), zero-padded to the
    // slot's end.
    void SetText(const SetupDb::Field& f, int i, const QString& text, int maxChars = -1);
    // Zeroes the whole field.
    void Zero(const SetupDb::Field& f);

private:
    bool Inside(std::size_t offset, std::size_t n) const
    {
        return m_data && offset <= m_size && n <= m_size - offset;
    }
    std::uint8_t* m_data = nullptr;
    std::size_t m_size = 0;
};
