// A scratch folder per test for the address book and connect dialog tests,
// removed with everything in it when the test ends.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <unistd.h>
#include <vector>

class BookTestDir
{
public:
    BookTestDir()
    {
        static std::atomic<int> counter{0};
        const char* base = std::getenv("K5_TEST_TMP");
        const std::filesystem::path root =
            base && *base ? std::filesystem::path(base) : std::filesystem::temp_directory_path() / "k5test";
        m_path = root / ("book-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~BookTestDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    BookTestDir(const BookTestDir&) = delete;
    BookTestDir& operator=(const BookTestDir&) = delete;

    std::string Path() const { return m_path.string(); }
    std::string File(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

inline std::vector<std::uint8_t> ReadAllBytes(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteAllBytes(const std::string& file, const std::vector<std::uint8_t>& bytes)
{
    std::filesystem::create_directories(std::filesystem::path(file).parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}
