#include "platform/SettingsFile.h"
#include "TestSupport.h"
#include "platform/RegKey.h"

#include <QSettings>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace std::string_literals;

const std::string kA = "Software/Varo/KOLA5500/LocalSetup/DrawMode/DrawMode";
const std::string kB = "Software/Varo/KOLA5500/LocalSetup/Opacity/01/01";
const std::string kC = "Software/Varo/KOLA5500/IPSetup/ServerIP/IP";

const std::string kLineA = "Software\\Varo\\KOLA5500\\LocalSetup\\DrawMode\\DrawMode=dword:00000001\n";
const std::string kLineB = "Software\\Varo\\KOLA5500\\LocalSetup\\Opacity\\01\\01=hex:c8\n";
const std::string kLineC = "Software\\Varo\\KOLA5500\\IPSetup\\ServerIP\\IP=\"@ByteArray(10.0.0.1\\0\\0)\"\n";

struct ParseCase
{
    const char* name;
    std::string text;
    std::vector<std::string> keys; // every key that must be read
    bool damaged;
};

class SettingsParseTest : public ::testing::TestWithParam<ParseCase>
{
};

TEST_P(SettingsParseTest, EveryIntactLineIsRead)
{
    const ParseCase& c = GetParam();
    const SettingsParse p = ParseSettingsText(c.text);
    EXPECT_EQ(p.damaged, c.damaged);
    for (const std::string& key : c.keys)
        EXPECT_TRUE(p.entries.count(key)) << key;
    EXPECT_EQ(p.entries.size(), c.keys.size());
    if (p.entries.count(kA)) {
        EXPECT_EQ(p.entries.at(kA), (SettingsValue{false, "dword:00000001"}));
    }
    if (p.entries.count(kC)) {
        EXPECT_EQ(p.entries.at(kC), (SettingsValue{true, "10.0.0.1\0\0"s}));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SettingsParseTest,
    ::testing::Values(
        ParseCase{"Clean", kLineA + kLineB + kLineC, {kA, kB, kC}, false},
        ParseCase{"CleanCrLfAndComments", "; note\r\n\r\n" + kLineA + "# other\n" + kLineC, {kA, kC}, false},
        ParseCase{"NulMidFile", kLineA + "\0\0\0\0"s + kLineB + kLineC, {kA, kC}, true},
        ParseCase{"NulInsideALine", kLineA + "Software\\X=ab\0cd\n"s + kLineC, {kA, kC}, true},
        ParseCase{"BinaryJunk", "\x89PNG\r\n\x1a\n\xff\xfe junk=\x80\n"s + kLineA + kLineC, {kA, kC}, true},
        ParseCase{"LineWithoutEquals", kLineA + "garbage here\n" + kLineC, {kA, kC}, true},
        ParseCase{"BrokenSectionKeysAreWholePaths", "[Software\n" + kLineA + "[]\n" + kLineC, {kA, kC}, true},
        ParseCase{"QtLayoutSection",
                  "[Software]\nVaro\\KOLA5500\\LocalSetup\\DrawMode\\DrawMode=dword:00000001\n"
                  "Varo\\KOLA5500\\IPSetup\\ServerIP\\IP=@ByteArray(10.0.0.1\\0\\0)\n",
                  {kA, kC},
                  false},
        ParseCase{
            "FileCutMidLine", kLineA + kLineC + "Software\\Varo\\KOLA5500\\X=dword:000", {kA, kC}, true},
        ParseCase{"UnterminatedQuote", kLineA + "Software\\Q=\"abc\n" + kLineC, {kA, kC}, true},
        ParseCase{"BadEscape", kLineA + "Software\\Q=\"a\\qb\"\n" + kLineC, {kA, kC}, true},
        ParseCase{"ByteArrayWithoutClose", kLineA + "Software\\Q=@ByteArray(abc\n" + kLineC, {kA, kC}, true},
        ParseCase{"Empty", "", {}, false}),
    [](const ::testing::TestParamInfo<ParseCase>& info) { return std::string(info.param.name); });

TEST(SettingsText, EveryByteRoundTripsAndQtReadsTheSameValues)
{
    std::string all;
    for (int i = 0; i < 256; ++i)
        all += static_cast<char>(i);
    SettingsEntries entries;
    entries["Software/Varo/KOLA5500/IPSetup/ServerIP/IP"] = {true, all};
    entries["Software/Varo/KOLA5500/IPSetup/ServerIP/Des cr;ip=t,"] = {true, "a 1b\\\"c, d;e"};
    entries["Software/Varo/KOLA5500/LocalSetup/CameraName/01/01"] = {true, "Cam \xe9"
                                                                           "1f"};
    entries["Software/Varo/KOLA5500/LocalSetup/Opacity/01/01"] = {false, "hex:ff"};
    entries["Software/Varo/KOLA5500/LocalSetup/X/@"] = {false, "@at, sign"};
    entries["Software/Varo/KOLA5500/LocalSetup/Y/.key"] = {false, ""};
    const std::string text = FormatSettingsText(entries);

    const SettingsParse back = ParseSettingsText(text);
    EXPECT_FALSE(back.damaged);
    EXPECT_EQ(back.entries, entries);

    // An independent reader: the Qt settings class finds the same values.
    const std::string file = k5test::ScratchDir("settings-text") + "/qt.conf";
    std::ofstream(file, std::ios::binary) << text;
    QSettings qt(QString::fromStdString(file), QSettings::IniFormat);
    ASSERT_EQ(qt.status(), QSettings::NoError);
    EXPECT_EQ(static_cast<std::size_t>(qt.allKeys().size()), entries.size());
    for (const auto& [key, value] : entries) {
        const QVariant v = qt.value(QString::fromLatin1(key.data(), static_cast<qsizetype>(key.size())));
        ASSERT_TRUE(v.isValid()) << key;
        if (value.isBytes) {
            EXPECT_EQ(v.typeId(), QMetaType::QByteArray) << key;
            EXPECT_EQ(v.toByteArray().toStdString(), value.data) << key;
        } else {
            EXPECT_EQ(v.toString().toLatin1().toStdString(), value.data) << key;
        }
    }
}

class StoreFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dir = k5test::ScratchDir("store-file");
        m_file = m_dir + "/KOLA5500.conf";
        RegKey::SetStoreFileForTesting(m_file);
    }
    void TearDown() override { RegKey::SetStoreFileForTesting(""); }
    static std::string Read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::string m_dir;
    std::string m_file;
};

TEST_F(StoreFileTest, ReadingLeavesADamagedFileAloneAndTheFirstWriteKeepsItAsBak)
{
    const std::string damaged = kLineA + "\0\0junk\xff\n"s + kLineC;
    std::ofstream(m_file, std::ios::binary) << damaged;

    RegKey key;
    ASSERT_TRUE(key.Open("Software\\Varo\\KOLA5500\\IPSetup\\ServerIP"));
    char ip[16] = {};
    std::size_t size = sizeof ip;
    ASSERT_TRUE(key.QueryValue("IP", ip, size));
    EXPECT_EQ(std::string(ip, size), "10.0.0.1\0\0"s);
    EXPECT_EQ(Read(m_file), damaged);
    EXPECT_FALSE(std::filesystem::exists(m_file + ".bak"));

    // The write reports success although the file it replaced was damaged.
    RegKey draw;
    ASSERT_TRUE(draw.Open("Software\\Varo\\KOLA5500\\LocalSetup\\DrawMode"));
    ASSERT_TRUE(draw.SetDword("DrawMode", 0));
    EXPECT_EQ(Read(m_file + ".bak"), damaged);
    const SettingsParse now = ParseSettingsText(Read(m_file));
    EXPECT_FALSE(now.damaged);
    EXPECT_EQ(now.entries.at(kC), (SettingsValue{true, "10.0.0.1\0\0"s}));
    EXPECT_EQ(now.entries.at(kA), (SettingsValue{false, "dword:00000000"}));

    // Once clean, later writes leave the kept copy as it is.
    ASSERT_TRUE(draw.SetDword("DrawMode", 1));
    EXPECT_EQ(Read(m_file + ".bak"), damaged);
}

TEST_F(StoreFileTest, ABatchReplacesTheFileOnceAndAFailedWriteIsReported)
{
    {
        RegKey key;
        ASSERT_TRUE(key.Create("Software\\Varo\\KOLA5500\\IPSetup\\ServerIP"));
        ASSERT_TRUE(key.SetDword("Port", 2000));
    }
    struct stat before
    {
    };
    ASSERT_EQ(::stat(m_file.c_str(), &before), 0);
    {
        RegBatch batch;
        for (int i = 0; i < 20; ++i) {
            RegKey key;
            ASSERT_TRUE(key.Create("Software\\Varo\\KOLA5500\\LocalSetup\\V" + std::to_string(i)));
            ASSERT_TRUE(key.SetDword("V", static_cast<std::uint32_t>(i)));
        }
        // Nothing reached the file yet.
        struct stat during
        {
        };
        ASSERT_EQ(::stat(m_file.c_str(), &during), 0);
        EXPECT_EQ(during.st_ino, before.st_ino);
        ASSERT_TRUE(batch.Commit());
    }
    struct stat after
    {
    };
    ASSERT_EQ(::stat(m_file.c_str(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino); // replaced by a rename, not rewritten in place
    const SettingsParse p = ParseSettingsText(Read(m_file));
    EXPECT_EQ(p.entries.size(), 21u); // no key markers left beside the values
    EXPECT_EQ(p.entries.count("Software/Varo/KOLA5500/IPSetup/ServerIP/Port"), 1u);

    // A batch dropped without Commit writes nothing.
    {
        RegBatch dropped;
        RegKey key;
        ASSERT_TRUE(key.Create("Software\\Varo\\KOLA5500\\LocalSetup\\Dropped"));
        ASSERT_TRUE(key.SetDword("D", 1));
    }
    EXPECT_EQ(ParseSettingsText(Read(m_file)).entries.size(), 21u);

    // A store whose folder cannot be made (a file stands in its place, which
    // holds even for root): the write is reported failed.
    const std::string blocked = m_dir + "/blocked";
    std::ofstream(blocked) << "a file";
    RegKey::SetStoreFileForTesting(blocked + "/KOLA5500.conf");
    RegKey key;
    ASSERT_TRUE(key.Create("Software\\Varo\\KOLA5500\\IPSetup\\ServerIP") == false);
    RegKey::SetStoreFileForTesting(m_file);
    ASSERT_TRUE(key.Open("Software\\Varo\\KOLA5500\\IPSetup\\ServerIP"));
    RegKey::SetStoreFileForTesting(blocked + "/KOLA5500.conf");
    EXPECT_FALSE(key.SetDword("Port", 3000));
    RegKey::SetStoreFileForTesting(m_file);
    std::uint32_t port = 0;
    EXPECT_TRUE(key.QueryDword("Port", port));
    EXPECT_EQ(port, 2000u);
}

} // namespace
