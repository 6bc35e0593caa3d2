// What the setup tests share: an image builder, a recorder description to
// hand the window, an assertion that two images differ in exactly the listed
// bytes, and the built bundle made current.
#pragma once

#include "platform/ResourceLibrary.h"
#include "setup/RecorderCaps.h"
#include "setup/SetupImage.h"

#include <QDir>
#include <QString>
#include <cstdint>
#include <gtest/gtest.h>
#include <initializer_list>
#include <random>
#include <set>
#include <sstream>
#include <vector>

namespace setuptest {

// An image in network order: every byte i = (i * 13 + seed) & 0xFF, then the
// version and the bytes set by the caller.
class ImageBuilder
{
public:
    explicit ImageBuilder(std::uint8_t seed = 0x21)
    {
        for (std::size_t i = 0; i < m_image.size(); ++i)
            m_image[i] = static_cast<std::uint8_t>((i * 13 + seed) & 0xFF);
        Version(4, 6);
    }
    ImageBuilder& Version(int major, int minor)
    {
        m_image[0] = static_cast<std::uint8_t>(major);
        m_image[1] = static_cast<std::uint8_t>(minor);
        return *this;
    }
    ImageBuilder& Byte(std::size_t offset, std::uint8_t v)
    {
        m_image.at(offset) = v;
        return *this;
    }
    ImageBuilder& Bytes(std::size_t offset, std::initializer_list<std::uint8_t> v)
    {
        for (std::uint8_t b : v)
            m_image.at(offset++) = b;
        return *this;
    }
    ImageBuilder& Random(std::uint32_t seed)
    {
        std::mt19937 rng(seed);
        for (auto& b : m_image)
            b = static_cast<std::uint8_t>(rng());
        return *this;
    }
    SetupDbImage Build() const { return m_image; }

private:
    SetupDbImage m_image{};
};

// A recorder description without a connection object behind it.
inline RecorderCaps Caps(int channels = 16, bool subProduct6 = false)
{
    RecorderCaps c;
    c.channelCount = channels;
    c.subProduct6 = subProduct6;
    c.hasConnection = true;
    c.subProductMajor = subProduct6 ? 6 : 0;
    return c;
}

// The offsets where two equally long byte ranges differ.
inline std::set<std::size_t> DiffOffsets(const std::uint8_t* a, const std::uint8_t* b, std::size_t n)
{
    std::set<std::size_t> out;
    for (std::size_t i = 0; i < n; ++i)
        if (a[i] != b[i])
            out.insert(i);
    return out;
}

inline ::testing::AssertionResult DiffersExactlyAt(const std::uint8_t* before, const std::uint8_t* after,
                                                   std::size_t n, const std::set<std::size_t>& expected)
{
    const std::set<std::size_t> got = DiffOffsets(before, after, n);
    if (got == expected)
        return ::testing::AssertionSuccess();
    std::ostringstream os;
    os << "changed bytes {";
    for (std::size_t o : got)
        os << ' ' << o;
    os << " } expected {";
    for (std::size_t o : expected)
        os << ' ' << o;
    os << " }";
    return ::testing::AssertionFailure() << os.str();
}

// Makes the built bundle current while it lives.
class BundleScope
{
public:
    BundleScope()
    {
        m_loaded = m_lib.Load(K5_BINARY_DIR "/bin/MiraRes.rcc");
        m_previous = &ResourceLibrary::Current();
        if (m_loaded)
            ResourceLibrary::SetCurrent(&m_lib);
    }
    ~BundleScope() { ResourceLibrary::SetCurrent(m_previous); }
    bool Loaded() const { return m_loaded; }

private:
    ResourceLibrary m_lib;
    ResourceLibrary* m_previous = nullptr;
    bool m_loaded = false;
};

inline QString RenderPath(const QString& name)
{
    const QString dir = QStringLiteral(K5_BINARY_DIR "/renders");
    QDir().mkpath(dir);
    return dir + "/" + name;
}

} // namespace setuptest
