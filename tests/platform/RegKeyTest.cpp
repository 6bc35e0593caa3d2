#include "platform/RegKey.h"
#include "TestSupport.h"

#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

const std::string kLocal = "Software\\Varo\\KOLA5500\\LocalSetup\\";

class RegKeyTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dir = k5test::ScratchDir("regkey");
        RegKey::SetStoreFileForTesting(m_dir + "/KOLA5500.conf");
    }
    void TearDown() override { RegKey::SetStoreFileForTesting(""); }
    std::string m_dir;
};

TEST_F(RegKeyTest, CreateMakesTheKeyAndItsParentsExistWithoutValues)
{
    {
        RegKey probe;
        EXPECT_FALSE(probe.Open(kLocal + "DrawMode"));
        EXPECT_FALSE(probe.IsOpen());
    }
    {
        RegKey key;
        ASSERT_TRUE(key.Create(kLocal + "DrawMode"));
        EXPECT_TRUE(key.IsOpen());
    }
    RegKey again;
    EXPECT_TRUE(again.Open(kLocal + "DrawMode"));
    EXPECT_TRUE(again.Open("Software\\Varo\\KOLA5500\\LocalSetup"));
    EXPECT_TRUE(
        again.Open("Software/Varo/KOLA5500/LocalSetup/DrawMode/")); // either separator, trailing one ignored
    EXPECT_FALSE(again.Open(kLocal + "Other"));
    EXPECT_FALSE(again.Create(""));

    // Values can neither be read nor written through a closed key.
    RegKey closed;
    std::uint32_t v = 0;
    EXPECT_FALSE(closed.SetDword("x", 1));
    EXPECT_FALSE(closed.QueryDword("x", v));
}

TEST_F(RegKeyTest, TypedValuesRoundTrip)
{
    RegKey key;
    ASSERT_TRUE(key.Create(kLocal + "Mixed"));
    ASSERT_TRUE(key.SetDword("DrawMode", 0xDEADBEEF));
    std::string bytes;
    for (int i = 0; i < 256; ++i)
        bytes += static_cast<char>(i); // NUL, controls, Latin-1: all kept byte for byte
    ASSERT_TRUE(key.SetString("Name", bytes));
    const std::uint8_t one = 200;
    ASSERT_TRUE(key.SetBinary("01", &one, 1));
    ASSERT_TRUE(key.SetString("Empty", ""));

    std::uint32_t dw = 0;
    EXPECT_TRUE(key.QueryDword("DrawMode", dw));
    EXPECT_EQ(dw, 0xDEADBEEFu);

    char buf[300];
    std::size_t size = sizeof(buf);
    RegType type = RegType::None;
    ASSERT_TRUE(key.QueryValue("Name", buf, size, &type));
    EXPECT_EQ(type, RegType::String);
    ASSERT_EQ(size, 256u);
    EXPECT_EQ(std::string(buf, size), bytes);

    std::uint8_t four[4] = {0, 0, 0, 0};
    size = sizeof(four);
    ASSERT_TRUE(key.QueryValue("01", four, size, &type));
    EXPECT_EQ(type, RegType::Binary);
    EXPECT_EQ(size, 1u);
    EXPECT_EQ(four[0], 200);

    size = sizeof(four);
    ASSERT_TRUE(key.QueryValue("DrawMode", four, size, &type));
    EXPECT_EQ(type, RegType::Dword);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(four[0], 0xEF); // little-endian, as the registry holds it
    EXPECT_EQ(four[3], 0xDE);

    size = 0;
    EXPECT_TRUE(key.QueryValue("Empty", nullptr, size, &type));
    EXPECT_EQ(type, RegType::String);

    // A later write replaces the value and its type.
    ASSERT_TRUE(key.SetString("DrawMode", "RGB"));
    EXPECT_FALSE(key.QueryDword("DrawMode", dw));
}

TEST_F(RegKeyTest, QueryFailsForMissingWrongTypeOrTooLargeValues)
{
    RegKey key;
    ASSERT_TRUE(key.Create(kLocal + "Deinterlace\\03"));
    ASSERT_TRUE(key.SetBinary("03", "\x01\x02", 2));
    ASSERT_TRUE(key.SetString("Location", std::string(260, 'a')));

    std::uint8_t one = 0x77;
    std::size_t size = 1;
    EXPECT_FALSE(key.QueryValue("03", &one, size)); // a two-byte value in a one-byte buffer
    EXPECT_EQ(one, 0x77);                           // buffer untouched
    EXPECT_EQ(size, 1u);

    std::vector<char> exact(260, 0);
    size = exact.size();
    EXPECT_TRUE(key.QueryValue("Location", exact.data(), size)); // exactly fits
    std::vector<char> small(259, 'z');
    size = small.size();
    EXPECT_FALSE(key.QueryValue("Location", small.data(), size));
    EXPECT_EQ(small[0], 'z');

    std::uint32_t dw = 5;
    EXPECT_FALSE(key.QueryDword("Location", dw)); // wrong type
    EXPECT_FALSE(key.QueryDword("03", dw));
    EXPECT_FALSE(key.QueryDword("Missing", dw));
    EXPECT_EQ(dw, 5u);
    size = sizeof(dw);
    EXPECT_FALSE(key.QueryValue("Missing", &dw, size));
}

TEST_F(RegKeyTest, ValuesPersistInTheFile)
{
    const std::string padded = std::string("192.168.0.5") + std::string(249, '\0');
    {
        RegKey key;
        ASSERT_TRUE(key.Create("Software\\Varo\\KOLA5500\\IPSetup\\ServerIP"));
        ASSERT_TRUE(key.SetString("IP", padded));
        ASSERT_TRUE(key.SetDword("Port", 2000));
    }
    // A copy of the file under a new name is read from disk, not from a cache.
    const std::string copy = m_dir + "/copy.conf";
    std::filesystem::copy_file(m_dir + "/KOLA5500.conf", copy);
    RegKey::SetStoreFileForTesting(copy);
    RegKey key;
    ASSERT_TRUE(key.Open("Software\\Varo\\KOLA5500\\IPSetup\\ServerIP"));
    std::vector<char> buf(260, 'x');
    std::size_t size = buf.size();
    ASSERT_TRUE(key.QueryValue("IP", buf.data(), size));
    EXPECT_EQ(std::string(buf.data(), size), padded);
    std::uint32_t port = 0;
    EXPECT_TRUE(key.QueryDword("Port", port));
    EXPECT_EQ(port, 2000u);
}

TEST_F(RegKeyTest, DefaultStoreFollowsXdgConfigHome)
{
    RegKey::SetStoreFileForTesting("");
    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = old ? old : "";
    setenv("XDG_CONFIG_HOME", (m_dir + "/xdg").c_str(), 1);
    EXPECT_EQ(RegKey::StoreFile(), m_dir + "/xdg/Varo/KOLA5500.conf");
    RegKey key;
    EXPECT_TRUE(key.Create(kLocal + "HourSystem"));
    EXPECT_TRUE(std::filesystem::exists(m_dir + "/xdg/Varo/KOLA5500.conf"));
    if (old)
        setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}

TEST_F(RegKeyTest, ConcurrentWritersLoseNothing)
{
    constexpr int kThreads = 4;
    constexpr int kValues = 10;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            RegKey key;
            std::string path = kLocal; // appended step by step: GCC 12 misreports "a + b + c" here
            path += 'T';
            path += std::to_string(t);
            if (!key.Create(path))
                return;
            for (int i = 0; i < kValues; ++i)
                key.SetDword("V" + std::to_string(i), static_cast<std::uint32_t>(t * 1000 + i));
        });
    }
    for (auto& th : threads)
        th.join();
    for (int t = 0; t < kThreads; ++t) {
        RegKey key;
        ASSERT_TRUE(key.Open(kLocal + "T" + std::to_string(t)));
        for (int i = 0; i < kValues; ++i) {
            std::uint32_t v = 0;
            ASSERT_TRUE(key.QueryDword("V" + std::to_string(i), v));
            EXPECT_EQ(v, static_cast<std::uint32_t>(t * 1000 + i));
        }
    }
}

} // namespace
