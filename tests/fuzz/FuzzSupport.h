// Small helpers the fuzz targets share: a scratch folder of the process for
// targets whose code under test reads files, whole-file reads and writes, a
// reader of the input's leading fields, and a check that stops the run with
// its reason so that libFuzzer keeps the input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

#define K5_FUZZ_CHECK(cond)                                                                         \
    do {                                                                                            \
        if (!(cond)) {                                                                              \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond);          \
            std::abort();                                                                           \
        }                                                                                           \
    } while (0)

namespace k5fuzz {

// One folder per fuzzing process, removed when the process ends normally.
class ScratchDir
{
public:
    ScratchDir()
    {
        std::string base = "/tmp";
        if (const char* t = std::getenv("TMPDIR"); t && t[0] == '/')
            base = t;
        std::string pattern = base + "/k5fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        m_path = pattern;
    }
    ~ScratchDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }
    // Empties the folder between inputs.
    void Clear() const
    {
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(m_path, ec))
            std::filesystem::remove_all(entry.path(), ec);
    }

private:
    std::string m_path;
};

inline ScratchDir& Scratch()
{
    static ScratchDir dir;
    return dir;
}

inline void WriteFileBytes(const std::string& path, const void* data, std::size_t size)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    K5_FUZZ_CHECK(out.good());
}

inline std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Takes leading fields off the input; missing bytes read as zero.
class Reader
{
public:
    Reader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    std::uint8_t U8()
    {
        if (m_pos >= m_size)
            return 0;
        return m_data[m_pos++];
    }
    std::uint16_t U16() { return static_cast<std::uint16_t>(U8() | (U8() << 8)); }
    std::uint32_t U32() { return std::uint32_t(U16()) | (std::uint32_t(U16()) << 16); }
    // Up to n bytes as they stand.
    std::string Bytes(std::size_t n)
    {
        const std::size_t take = n < Left() ? n : Left();
        std::string s(reinterpret_cast<const char*>(m_data + m_pos), take);
        m_pos += take;
        return s;
    }
    std::string Rest() { return Bytes(Left()); }
    const std::uint8_t* Here() const { return m_data + m_pos; }
    std::size_t Left() const { return m_size - m_pos; }
    void Skip(std::size_t n) { m_pos += n < Left() ? n : Left(); }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

} // namespace k5fuzz
