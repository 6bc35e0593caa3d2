#include "TestSupport.h"

#include "app/LocalSettings.h"
#include "platform/RegKey.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <ctime>
#include <functional>

namespace {

constexpr std::time_t kSomeTime = 1215000000; // July 2008

std::string Key(const std::string& tail)
{
    return std::string(CLocalSettings::kRegistryRoot) + tail;
}

void SetDword(const std::string& name, std::uint32_t value)
{
    RegKey key;
    ASSERT_TRUE(key.Create(Key(name)));
    ASSERT_TRUE(key.SetDword(name, value));
}

void SetListBinary(const std::string& list, const std::string& number, const std::string& bytes)
{
    RegKey key;
    ASSERT_TRUE(key.Create(Key(list + "\\" + number)));
    ASSERT_TRUE(key.SetBinary(number, bytes.data(), bytes.size()));
}

void SetListString(const std::string& keyTail, const std::string& name, const std::string& bytes)
{
    RegKey key;
    ASSERT_TRUE(key.Create(Key(keyTail)));
    ASSERT_TRUE(key.SetString(name, bytes));
}

struct FileCase
{
    const char* name;
    std::string bytes; // empty name of a file: no file at all
    bool present;
    WORD langId;
    std::string title;
    std::string folder;
    const char* dateText;
    const char* drawText;
    BYTE savePassword;
    int drawMode; // after reading the (empty) settings keys
    int dateFormat;
};

class SettingsFileTest : public ::testing::TestWithParam<FileCase>
{
};

TEST_P(SettingsFileTest, LinesGiveTitleFolderAndDefaults)
{
    const FileCase& c = GetParam();
    ScratchDir dir;
    ScopedRegistry reg(dir);
    std::string path;
    if (c.present) {
        path = dir.File("ClientK5.bin");
        WriteFileBytes(path, c.bytes);
    }
    CLocalSettings s;
    s.LoadClientFile(path, c.langId, kSomeTime);
    EXPECT_EQ(s.m_strTitle, c.title);
    EXPECT_EQ(s.m_strFolder, c.folder);
    EXPECT_EQ(s.m_strDateFormatText, c.dateText);
    EXPECT_EQ(s.m_strDrawModeText, c.drawText);
    EXPECT_EQ(s.m_bSavePassword, c.savePassword);

    s.LoadLocalSetup();
    EXPECT_EQ(s.m_nDrawMode, c.drawMode);
    EXPECT_EQ(s.m_nDateFormat, c.dateFormat);
    // The default data folder is the folder name under the home folder.
    const char* home = std::getenv("HOME");
    ASSERT_NE(home, nullptr);
    EXPECT_EQ(s.m_strLocation, std::string(home) + "/" + c.folder);
}

const std::string kLong300(300, 'T');
// A NUL ends the text of its line.
const char kNulLines[] = "Title\nFol\0\0der\n\0x\nrgb\0zz\npass_save=no\0";

INSTANTIATE_TEST_SUITE_P(
    Cases, SettingsFileTest,
    ::testing::Values(FileCase{"NoFile", "", false, 1033, "H264K5", "H264K5", "YYYY-MM-DD", "YUV", 1, 0, 0},
                      FileCase{"TitleAndFolderCrLf", "My Client\r\nCamData", true, 1033, "My Client",
                               "CamData", "YYYY-MM-DD", "YUV", 1, 0, 0},
                      FileCase{"ThirdLineUsesLanguage1033", "T\r\nF\r\nanything", true, 1033, "T", "F",
                               "MM-DD-YYYY", "YUV", 1, 0, 1},
                      FileCase{"ThirdLineUsesLanguage1041", "T\r\nF\r\nx", true, 1041, "T", "F", "YYYY-MM-DD",
                               "YUV", 1, 0, 0},
                      FileCase{"ThirdLineUsesOtherLanguage", "T\r\nF\r\nx", true, 1031, "T", "F",
                               "DD-MM-YYYY", "YUV", 1, 0, 2},
                      FileCase{"EmptyLinesKeepDefaults", "\r\n\r\n\r\nrgb\r\npass_save=no", true, 1033,
                               "H264K5", "H264K5", "YYYY-MM-DD", "rgb", 0, 1, 0},
                      FileCase{"PassSaveIsCaseSensitive", "T\r\nF\r\n\r\nYUV\r\nPASS_SAVE=NO", true, 1033,
                               "T", "F", "YYYY-MM-DD", "YUV", 1, 0, 0},
                      FileCase{"BareLineFeedsEndLines", "T\nF\n\nRGB\npass_save=no\n", true, 1033, "T", "F",
                               "YYYY-MM-DD", "RGB", 0, 1, 0},
                      FileCase{"BareCarriageReturnsEndLines", "T\rF\r\rRGB", true, 1033, "T", "F",
                               "YYYY-MM-DD", "RGB", 1, 1, 0},
                      FileCase{"LongLineIsCut", kLong300 + "\r\nF", true, 1033, std::string(259, 'T'), "F",
                               "YYYY-MM-DD", "YUV", 1, 0, 0},
                      FileCase{"NulEndsALine", std::string(kNulLines, sizeof kNulLines - 1), true, 1033, "Title",
                               "Fol", "YYYY-MM-DD", "rgb", 0, 1, 0},
                      FileCase{"SixthLineIgnored", "T\nF\n\nYUV\npass_save=yes\nextra", true, 1033, "T", "F",
                               "YYYY-MM-DD", "YUV", 1, 0, 0}),
    [](const ::testing::TestParamInfo<FileCase>& info) { return std::string(info.param.name); });

TEST(SettingsFileTest, LongLineKeepsItsFirst259Characters)
{
    const auto lines = SplitSettingsLines(std::string(300, 'a') + "\r\nb");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], std::string(259, 'a'));
    EXPECT_EQ(lines[1], "b");
}

TEST(LocalSetupRegistry, FirstRunGivesDefaultsAndWritesNothing)
{
    ScratchDir dir;
    ScopedRegistry reg(dir, true);
    CLocalSettings s;
    s.LoadClientFile("", 1033, kSomeTime);
    s.LoadLocalSetup();
    for (BYTE v : s.m_arrOpacity)
        EXPECT_EQ(v, 255);
    for (BYTE v : s.m_arrAudioBuf)
        EXPECT_EQ(v, 2);
    for (BYTE v : s.m_arrDeinterlace)
        EXPECT_EQ(v, 0);
    EXPECT_EQ(s.m_nHourSystem, 1);
    EXPECT_EQ(s.m_nWatermark, 0);
    EXPECT_EQ(s.m_nMaxAlarm, 0);
    EXPECT_EQ(s.m_nSaveFormat, 0);
    for (int i = 0; i < 16; ++i) {
        EXPECT_TRUE(s.m_strCameraName[i].empty());
        EXPECT_EQ(s.m_szCameraName[i][0], 0);
    }
    // Reading never writes: no store file (nor its folder) appears.
    EXPECT_FALSE(std::filesystem::exists(RegKey::StoreFile()));
}

struct RangeCase
{
    const char* name;
    std::function<void()> store;
    std::function<void(const CLocalSettings&)> check;
};

class RegistryRangeTest : public ::testing::TestWithParam<RangeCase>
{
};

TEST_P(RegistryRangeTest, ValueOutsideItsRangeReadsAsDefault)
{
    ScratchDir dir;
    ScopedRegistry reg(dir);
    GetParam().store();
    CLocalSettings s;
    s.LoadClientFile("", 1033, kSomeTime);
    s.LoadLocalSetup();
    GetParam().check(s);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RegistryRangeTest,
    ::testing::Values(
        RangeCase{"OpacityZero", [] { SetListBinary("Opacity", "01", std::string(1, '\0')); },
                  [](const CLocalSettings& s) { EXPECT_EQ(s.m_arrOpacity[0], 255); }},
        RangeCase{"OpacityBelowPageRange", [] { SetListBinary("Opacity", "02", "\x63"); },
                  [](const CLocalSettings& s) { EXPECT_EQ(s.m_arrOpacity[1], 255); }},
        RangeCase{"OpacityInRangeKept", [] { SetListBinary("Opacity", "09", "\x64"); },
                  [](const CLocalSettings& s) { EXPECT_EQ(s.m_arrOpacity[8], 100); }},
        RangeCase{"AudioBufBelowTwo", [] { SetListBinary("AudioBuf", "01", "\x01"); },
                  [](const CLocalSettings& s) { EXPECT_EQ(s.m_arrAudioBuf[0], 2); }},
        RangeCase{"AudioBufAbove64", [] { SetListBinary("AudioBuf", "02", "\x41"); },
                  [](const CLocalSettings& s) { EXPECT_EQ(s.m_arrAudioBuf[1], 2); }},
        RangeCase{"AudioBuf64Kept", [] { SetListBinary("AudioBuf", "03", "\x40"); },
                  [](const CLocalSettings& s) { EXPECT_EQ(s.m_arrAudioBuf[2], 64); }},
        RangeCase{"DrawModeBeyondList", [] { SetDword("DrawMode", 2); },
                  [](const CLocalSettings& s) { EXPECT_EQ(s.m_nDrawMode, 0); }},
        RangeCase{"DateFormatBeyondList", [] { SetDword("DateFormat", 7); },
                  [](const CLocalSettings& s) { EXPECT_EQ(s.m_nDateFormat, 0); }},
        RangeCase{"SaveFormatBeyondList", [] { SetDword("SaveFormat", 3); },
                  [](const CLocalSettings& s) { EXPECT_EQ(s.m_nSaveFormat, 0); }},
        RangeCase{"HourSystemBeyondList", [] { SetDword("HourSystem", 5); },
                  [](const CLocalSettings& s) { EXPECT_EQ(s.m_nHourSystem, 1); }},
        RangeCase{"WatermarkBeyondList", [] { SetDword("Watermark", 2); },
                  [](const CLocalSettings& s) { EXPECT_EQ(s.m_nWatermark, 0); }},
        RangeCase{"MaxAlarmAllOnes", [] { SetDword("MaxAlarm", 0xFFFFFFFFu); },
                  [](const CLocalSettings& s) { EXPECT_EQ(s.m_nMaxAlarm, 0); }},
        RangeCase{"ValidChoicesKept",
                  [] {
                      SetDword("DrawMode", 1);
                      SetDword("DateFormat", 2);
                      SetDword("SaveFormat", 2);
                      SetDword("HourSystem", 0);
                      SetDword("Watermark", 1);
                      SetDword("MaxAlarm", 1);
                  },
                  [](const CLocalSettings& s) {
                      EXPECT_EQ(s.m_nDrawMode, 1);
                      EXPECT_EQ(s.m_nDateFormat, 2);
                      EXPECT_EQ(s.m_nSaveFormat, 2);
                      EXPECT_EQ(s.m_nHourSystem, 0);
                      EXPECT_EQ(s.m_nWatermark, 1);
                      EXPECT_EQ(s.m_nMaxAlarm, 1);
                  }},
        RangeCase{"DeinterlaceLongerThanOneByteIsMissing",
                  [] { SetListBinary("Deinterlace", "01", "\x01\x01"); },
                  [](const CLocalSettings& s) { EXPECT_EQ(s.m_arrDeinterlace[0], 0); }},
        RangeCase{"DeinterlaceOtherValueKept", [] { SetListBinary("Deinterlace", "02", "\x07"); },
                  [](const CLocalSettings& s) { EXPECT_EQ(s.m_arrDeinterlace[1], 7); }},
        RangeCase{"Location260BytesIsTerminated",
                  [] { SetListString("Location", "Location", std::string(260, 'L')); },
                  [](const CLocalSettings& s) { EXPECT_EQ(s.m_strLocation, std::string(259, 'L')); }},
        RangeCase{"LocationTooLongIsMissing",
                  [] { SetListString("Location", "Location", std::string(261, 'L')); },
                  [](const CLocalSettings& s) {
                      EXPECT_EQ(s.m_strLocation, std::string(std::getenv("HOME")) + "/H264K5");
                  }},
        RangeCase{"LocationEmptyIsMissing", [] { SetListString("Location", "Location", ""); },
                  [](const CLocalSettings& s) {
                      EXPECT_EQ(s.m_strLocation, std::string(std::getenv("HOME")) + "/H264K5");
                  }},
        RangeCase{"CameraName260BytesIsTerminated",
                  [] { SetListString("CameraName\\05", "05", std::string(260, 'C')); },
                  [](const CLocalSettings& s) {
                      EXPECT_EQ(s.m_strCameraName[4], std::string(259, 'C'));
                      EXPECT_EQ(s.m_szCameraName[4][258], 'C');
                      EXPECT_EQ(s.m_szCameraName[4][259], '\0');
                  }}),
    [](const ::testing::TestParamInfo<RangeCase>& info) { return std::string(info.param.name); });

CLocalSettings SomeSettings()
{
    CLocalSettings s;
    s.LoadClientFile("", 1033, kSomeTime);
    s.m_nDrawMode = 1;
    s.m_nDateFormat = 2;
    s.m_nSaveFormat = 1;
    s.m_strLocation = "/data/k5";
    for (int i = 0; i < 9; ++i)
        s.m_arrOpacity[i] = static_cast<BYTE>(100 + 10 * i);
    s.m_arrAudioBuf = {3, 4, 64};
    s.m_arrDeinterlace[3] = 1;
    s.m_nHourSystem = 0;
    s.m_nWatermark = 1;
    s.m_nMaxAlarm = 1;
    s.m_strCameraName[0] = "Gate";
    s.m_strCameraName[15] = std::string("Hall \xE9", 6);
    return s;
}

TEST(LocalSetupRegistry, SavedValuesReadBack)
{
    ScratchDir dir;
    ScopedRegistry reg(dir);
    const CLocalSettings saved = SomeSettings();
    ASSERT_TRUE(saved.SaveLocalSetup());

    CLocalSettings s;
    s.LoadClientFile("", 1033, kSomeTime);
    s.LoadLocalSetup();
    EXPECT_EQ(s.m_nDrawMode, 1);
    EXPECT_EQ(s.m_nDateFormat, 2);
    EXPECT_EQ(s.m_nSaveFormat, 1);
    EXPECT_EQ(s.m_strLocation, "/data/k5");
    EXPECT_EQ(s.m_arrOpacity, saved.m_arrOpacity);
    EXPECT_EQ(s.m_arrAudioBuf, saved.m_arrAudioBuf);
    EXPECT_EQ(s.m_arrDeinterlace, saved.m_arrDeinterlace);
    EXPECT_EQ(s.m_nHourSystem, 0);
    EXPECT_EQ(s.m_nWatermark, 1);
    EXPECT_EQ(s.m_nMaxAlarm, 1);
    EXPECT_EQ(s.m_strCameraName, saved.m_strCameraName);
    EXPECT_STREQ(s.m_szCameraName[0], "Gate");

    // The layout of the store: one key per value, lists numbered from 01.
    RegKey key;
    ASSERT_TRUE(key.Open(Key("Opacity\\03")));
    unsigned char b[4] = {};
    std::size_t size = sizeof b;
    RegType type = RegType::None;
    ASSERT_TRUE(key.QueryValue("03", b, size, &type));
    EXPECT_EQ(size, 1u);
    EXPECT_EQ(type, RegType::Binary);
    EXPECT_EQ(b[0], 120);
    ASSERT_TRUE(key.Open(Key("Location")));
    char text[300] = {};
    size = sizeof text;
    ASSERT_TRUE(key.QueryValue("Location", text, size, &type));
    EXPECT_EQ(type, RegType::String);
    EXPECT_EQ(size, 8u) << "stored without its terminator";
}

TEST(LocalSetupRecordTest, FillApplyAndReset)
{
    CLocalSettings s = SomeSettings();
    LocalSetupRecord rec;
    std::memset(&rec, 0xCC, sizeof rec);
    s.FillLocalSetup(rec, false);
    EXPECT_EQ(rec.DrawMode, 1);
    EXPECT_EQ(rec.DateFormat, 2);
    EXPECT_EQ(rec.SaveFormat, 1);
    EXPECT_EQ(rec.MaxAlarm, 1);
    EXPECT_STREQ(rec.Location, "/data/k5");
    EXPECT_EQ(rec.Opacity[8], 180);
    EXPECT_EQ(rec.Unused[0], 0);
    EXPECT_EQ(rec.Unused[1], 0);
    EXPECT_EQ(rec.AudioBuf[2], 64);
    EXPECT_EQ(rec.HourSystem, 0);
    EXPECT_EQ(rec.Watermark, 1);
    EXPECT_EQ(rec.Deinterlace[3], 1);
    EXPECT_STREQ(rec.CameraName[0], "Gate");
    const auto* bytes = reinterpret_cast<const unsigned char*>(&rec);
    EXPECT_EQ(bytes[264 + 8], 180) << "Opacity[8] at byte 272";
    EXPECT_EQ(bytes[296], 'G') << "first camera name at byte 296";

    // Same values: the draw mode did not change.
    EXPECT_FALSE(s.ApplyLocalSetupValues(rec, false));

    // Unterminated texts in the edit copy are cut to 259 characters.
    std::memset(rec.Location, 'x', sizeof rec.Location);
    std::memset(rec.CameraName[2], 'n', sizeof rec.CameraName[2]);
    rec.DrawMode = 0;
    rec.Opacity[0] = 200;
    EXPECT_TRUE(s.ApplyLocalSetupValues(rec, false));
    EXPECT_EQ(s.m_nDrawMode, 0);
    EXPECT_EQ(s.m_strLocation, std::string(259, 'x'));
    EXPECT_EQ(s.m_strCameraName[2], std::string(259, 'n'));
    EXPECT_EQ(s.m_szCameraName[2][259], '\0');
    EXPECT_EQ(s.m_arrOpacity[0], 200);

    // Reset (Cancel) gives back the working values.
    LocalSetupRecord again;
    s.FillLocalSetup(again, false);
    EXPECT_EQ(again.Opacity[0], 200);
    EXPECT_EQ(again.Location[258], 'x');
    EXPECT_EQ(again.Location[259], '\0');
}

TEST(LocalSetupRecordTest, ReadOnlyMediaShowsNoFolderAndKeepsLocation)
{
    CLocalSettings s = SomeSettings();
    LocalSetupRecord rec;
    s.FillLocalSetup(rec, true);
    EXPECT_EQ(rec.Location[0], '\0');
    std::strcpy(rec.Location, "/elsewhere");
    rec.SaveFormat = 2;
    s.ApplyLocalSetupValues(rec, true);
    EXPECT_EQ(s.m_strLocation, "/data/k5");
    EXPECT_EQ(s.m_nSaveFormat, 2);
}

struct LangCase
{
    const char* locale;
    WORD id;
    int dateFormat;
};

TEST(DefaultDateFormat, ByLanguageOfTheLocale)
{
    const LangCase cases[] = {
        {"en_US.UTF-8", 1033, 1}, {"C", 1033, 1},           {"ja_JP.UTF-8", 1041, 0}, {"ko_KR", 1042, 0},
        {"zh_TW.UTF-8", 1028, 0}, {"zh_CN", 2052, 0},       {"hu_HU", 1038, 0},       {"pl_PL", 1045, 0},
        {"fr_CA", 3084, 0},       {"en_ZA.UTF-8", 7177, 0}, {"es_PA", 6154, 1},       {"en_ZW", 12297, 1},
        {"en_PH", 13321, 1},      {"fr_FR.UTF-8", 1036, 2}, {"de_DE@euro", 1031, 2},  {"en_GB", 2057, 2},
        {"xx_YY", 0, 2},
    };
    for (const LangCase& c : cases) {
        EXPECT_EQ(LangIdFromLocaleName(c.locale), c.id) << c.locale;
        EXPECT_EQ(GetDefaultDateFormat(LangIdFromLocaleName(c.locale)), c.dateFormat) << c.locale;
    }
    EXPECT_EQ(GetDefaultDateFormat(9225), 1);

    ScopedEnv all("LC_ALL", nullptr);
    ScopedEnv time("LC_TIME", "ja_JP.UTF-8");
    ScopedEnv lang("LANG", "en_US.UTF-8");
    EXPECT_EQ(GetUserDefaultLangId(), 1041);
}

struct ZoneCase
{
    const char* tz;
    int hour, minute, second;
};

TEST(ZoneOffset, StandardOffsetSplitTowardZero)
{
    const ZoneCase cases[] = {
        {"UTC0", 0, 0, 0},
        {"IST-5:30", 5, 30, 0},
        {"NPT-5:45", 5, 45, 0},
        {"EST5EDT,M3.2.0,M11.1.0", -5, 0, 0}, // July: daylight saving is not included
        {"NST3:30NDT,M3.2.0,M11.1.0", -3, -30, 0},
        {"CET-1CEST,M3.5.0,M10.5.0/3", 1, 0, 0},
    };
    for (const ZoneCase& c : cases) {
        ScopedEnv tz("TZ", c.tz);
        ::tzset();
        CLocalSettings s;
        s.ComputeZoneOffset(kSomeTime);
        EXPECT_EQ(s.m_nZoneHour, c.hour) << c.tz;
        EXPECT_EQ(s.m_nZoneMin, c.minute) << c.tz;
        EXPECT_EQ(s.m_nZoneSec, c.second) << c.tz;
        EXPECT_EQ(s.ZoneOffsetSeconds(), c.hour * 3600 + c.minute * 60 + c.second) << c.tz;
    }
    ::tzset();
}

} // namespace
