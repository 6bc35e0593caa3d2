// The local settings over a settings store found damaged on disk: every value
// whose line is intact is read, reading writes nothing, and the save after OK
// holds every value (and the connect dialog's keys) with the damaged file kept
// aside.
#include "TestSupport.h"

#include "app/LocalSettings.h"
#include "platform/RegKey.h"

#include <QSettings>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace std::string_literals;
constexpr std::time_t kSomeTime = 1215000000;

CLocalSettings Saved()
{
    CLocalSettings s;
    s.LoadClientFile("", 1033, kSomeTime);
    s.m_nDrawMode = 1;
    s.m_nDateFormat = 2;
    s.m_nSaveFormat = 1;
    s.m_strLocation = "/data/k5";
    for (int i = 0; i < 9; ++i)
        s.m_arrOpacity[i] = static_cast<BYTE>(110 + 10 * i);
    s.m_arrAudioBuf = {3, 4, 64};
    for (int i = 0; i < 16; ++i) {
        s.m_arrDeinterlace[i] = static_cast<BYTE>(i % 2);
        s.m_strCameraName[i] = "Cam \xe9 " + std::to_string(i + 1);
    }
    s.m_nHourSystem = 0;
    s.m_nWatermark = 1;
    s.m_nMaxAlarm = 1;
    return s;
}

CLocalSettings Load()
{
    CLocalSettings s;
    s.LoadClientFile("", 1033, kSomeTime);
    s.LoadLocalSetup();
    return s;
}

// The store text a save of Saved() and the connect dialog's address write.
std::vector<std::string> CleanLines(const ScratchDir& dir)
{
    const std::string file = dir.File("clean.conf");
    RegKey::SetStoreFileForTesting(file);
    {
        RegKey key;
        EXPECT_TRUE(key.Create("Software\\Varo\\KOLA5500\\IPSetup\\ServerIP"));
        EXPECT_TRUE(key.SetString("IP", "10.1.2.3"s + std::string(5, '\0')));
    }
    EXPECT_TRUE(Saved().SaveLocalSetup());
    const std::string text = ReadFileBytes(file);
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t nl = text.find('\n', pos);
        lines.push_back(text.substr(pos, nl - pos + 1));
        pos = nl + 1;
    }
    return lines;
}

std::size_t LineOf(const std::vector<std::string>& lines, const std::string& start)
{
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].rfind(start, 0) == 0)
            return i;
    ADD_FAILURE() << start;
    return 0;
}

struct DamageCase
{
    const char* name;
    // Damages the clean lines; returns the file's text.
    std::string (*damage)(std::vector<std::string> lines);
    // Values the damage itself destroyed: they read as their defaults.
    void (*lost)(CLocalSettings& expected);
    // The text itself is damaged (lines that do not read): the file is kept
    // as .bak. Values of the wrong type are readable lines.
    bool keptAside = true;
};

const std::string kHour = "Software\\Varo\\KOLA5500\\LocalSetup\\HourSystem";
const std::string kCam16 = "Software\\Varo\\KOLA5500\\LocalSetup\\CameraName\\16";
const std::string kDraw = "Software\\Varo\\KOLA5500\\LocalSetup\\DrawMode";
const std::string kOpa3 = "Software\\Varo\\KOLA5500\\LocalSetup\\Opacity\\03";

std::string Join(const std::vector<std::string>& lines)
{
    std::string s;
    for (const auto& l : lines)
        s += l;
    return s;
}

void Nothing(CLocalSettings&) {}

const DamageCase kCases[] = {
    {"NulMidFile",
     [](std::vector<std::string> l) {
         l.insert(l.begin() + static_cast<long>(l.size() / 3), std::string(40, '\0') + "\n");
         return Join(l);
     },
     Nothing},
    {"BinaryJunk",
     [](std::vector<std::string> l) {
         l.insert(l.begin() + 2, "\x7f\x45LF\x02\x01\x01\xff\xfe=\x80\x81\n\x00\x00\x9c\r\n"s);
         return Join(l);
     },
     Nothing},
    {"BrokenSectionHeader",
     [](std::vector<std::string> l) {
         l.insert(l.begin() + 5, "[Software\\Varo\n");
         return Join(l);
     },
     Nothing},
    {"FileCutMidLine",
     [](std::vector<std::string> l) {
         std::string& last = l.back();
         last.resize(last.size() - 6);
         return Join(l);
     },
     [](CLocalSettings& e) { e.m_nWatermark = 0; }},
    {"WrongValueTypes",
     [](std::vector<std::string> l) {
         l[LineOf(l, kHour)] = kHour + "\\HourSystem=hex:zz\n";
         l[LineOf(l, kCam16)] = kCam16 + "\\16=dword:\n";
         l[LineOf(l, kDraw)] = kDraw + "\\DrawMode=\"@ByteArray(\\x01\\x00\\x00\\x00\\x00)\"\n";
         l[LineOf(l, kOpa3)] = kOpa3 + "\\03=dword:000000ff\n";
         return Join(l);
     },
     [](CLocalSettings& e) {
         e.m_nHourSystem = 1;
         e.m_strCameraName[15].clear();
         e.m_nDrawMode = 0;
         e.m_arrOpacity[2] = 255; // a DWORD read with a one-byte list buffer of 4: its first byte, 255
     },
     false},
};

class SettingsStoreTest : public ::testing::TestWithParam<DamageCase>
{
protected:
    void TearDown() override { RegKey::SetStoreFileForTesting(std::string()); }
};

void ExpectSame(const CLocalSettings& a, const CLocalSettings& b)
{
    EXPECT_EQ(a.m_nDrawMode, b.m_nDrawMode);
    EXPECT_EQ(a.m_nDateFormat, b.m_nDateFormat);
    EXPECT_EQ(a.m_nSaveFormat, b.m_nSaveFormat);
    EXPECT_EQ(a.m_strLocation, b.m_strLocation);
    EXPECT_EQ(a.m_arrOpacity, b.m_arrOpacity);
    EXPECT_EQ(a.m_arrAudioBuf, b.m_arrAudioBuf);
    EXPECT_EQ(a.m_arrDeinterlace, b.m_arrDeinterlace);
    EXPECT_EQ(a.m_nHourSystem, b.m_nHourSystem);
    EXPECT_EQ(a.m_nWatermark, b.m_nWatermark);
    EXPECT_EQ(a.m_nMaxAlarm, b.m_nMaxAlarm);
    EXPECT_EQ(a.m_strCameraName, b.m_strCameraName);
}

TEST_P(SettingsStoreTest, IntactValuesAreReadAndTheSaveKeepsEverything)
{
    const DamageCase& c = GetParam();
    ScratchDir dir;
    std::vector<std::string> lines = CleanLines(dir);
    // The last line of the clean text is the Watermark value (sorted keys).
    ASSERT_NE(lines.back().find("Watermark"), std::string::npos);
    const std::string damaged = c.damage(lines);
    const std::string file = dir.File("KOLA5500.conf");
    WriteFileBytes(file, damaged);
    RegKey::SetStoreFileForTesting(file);

    CLocalSettings expected = Saved();
    c.lost(expected);
    const CLocalSettings loaded = Load();
    ExpectSame(loaded, expected);
    EXPECT_EQ(ReadFileBytes(file), damaged) << "reading wrote the store";

    // OK: every value is saved, the connect dialog's keys stay, the damaged
    // file is kept aside.
    ASSERT_TRUE(loaded.SaveLocalSetup());
    if (c.keptAside) {
        EXPECT_EQ(ReadFileBytes(file + ".bak"), damaged);
    } else {
        EXPECT_FALSE(std::filesystem::exists(file + ".bak"));
    }
    ExpectSame(Load(), expected);

    QSettings qt(QString::fromStdString(file), QSettings::IniFormat);
    // Looked up among the keys the reader lists.
    auto value = [&qt](const char* key) {
        for (const QString& k : qt.allKeys())
            if (k == QLatin1String(key))
                return qt.value(k);
        return QVariant();
    };
    EXPECT_EQ(qt.status(), QSettings::NoError) << ReadFileBytes(file);
    EXPECT_EQ(value("Software/Varo/KOLA5500/IPSetup/ServerIP/IP").toByteArray(),
              QByteArray("10.1.2.3\0\0\0\0\0", 13));
    EXPECT_EQ(value("Software/Varo/KOLA5500/LocalSetup/CameraName/05/05").toByteArray(),
              QByteArray("Cam \xe9 5"));
    EXPECT_EQ(value("Software/Varo/KOLA5500/LocalSetup/Opacity/09/09").toString(), "hex:be");
    EXPECT_EQ(value("Software/Varo/KOLA5500/LocalSetup/DateFormat/DateFormat").toString(), "dword:00000002");
    // 4 + 9 + 3 + 16 + 3 + 16 values, one each, and no key markers.
    EXPECT_EQ(qt.allKeys().filter("LocalSetup").size(), 51);
}

INSTANTIATE_TEST_SUITE_P(Cases, SettingsStoreTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<DamageCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(SettingsStore, NoFileNoFolderGivesDefaultsAndMakesNothing)
{
    ScratchDir dir;
    const std::string folder = dir.File("none/Varo");
    RegKey::SetStoreFileForTesting(folder + "/KOLA5500.conf");
    const CLocalSettings s = Load();
    EXPECT_EQ(s.m_arrOpacity[0], 255);
    EXPECT_EQ(s.m_nHourSystem, 1);
    EXPECT_FALSE(std::filesystem::exists(dir.File("none")));

    // The first save makes the folder and a clean file (no .bak: nothing was damaged).
    ASSERT_TRUE(Saved().SaveLocalSetup());
    EXPECT_TRUE(std::filesystem::exists(folder + "/KOLA5500.conf"));
    EXPECT_FALSE(std::filesystem::exists(folder + "/KOLA5500.conf.bak"));
    ExpectSame(Load(), Saved());
    RegKey::SetStoreFileForTesting(std::string());
}

TEST(SettingsStore, AnUnwritableStoreFailsTheSave)
{
    ScratchDir dir;
    // A file where the store's folder should be: nothing can be written
    // there, not even by root.
    WriteFileBytes(dir.File("blocked"), "a file");
    RegKey::SetStoreFileForTesting(dir.File("blocked") + "/KOLA5500.conf");
    EXPECT_FALSE(Saved().SaveLocalSetup());
    // A folder that cannot take the new file (when not root): the old file stays.
    const std::string folder = dir.File("ro");
    std::filesystem::create_directories(folder);
    const std::string file = folder + "/KOLA5500.conf";
    RegKey::SetStoreFileForTesting(file);
    ASSERT_TRUE(Saved().SaveLocalSetup());
    const std::string before = ReadFileBytes(file);
    ::chmod(folder.c_str(), 0555);
    CLocalSettings changed = Saved();
    changed.m_nHourSystem = 1;
    if (::geteuid() != 0) {
        EXPECT_FALSE(changed.SaveLocalSetup());
    }
    ::chmod(folder.c_str(), 0755);
    if (::geteuid() != 0) {
        EXPECT_EQ(ReadFileBytes(file), before);
    }
    RegKey::SetStoreFileForTesting(std::string());
}

} // namespace
