// The client's own settings as found on disk: the installation file
// ClientK5.bin (read at start-up, its lines give the title, the data folder's
// name and the defaults) and the per-user settings store the local settings
// are read from. Whatever the two files hold, every working value must come
// out inside the range its users index with, every text must fit its
// 260-byte field, and saving and reading again must give the same values.
//
// The store's text is first read in memory: every entry it gives has a whole
// key, and writing the entries and reading them again gives the same entries
// from an undamaged text.
//
// Input: a 16-bit length n, n bytes of ClientK5.bin, then the bytes of the
// settings store. The first byte of the ClientK5.bin part also
// picks the time zone (the byte modulo 7), the language (bits 3-5) and, when
// bits 5, 6 and 7 are all set, a save and a second read of the settings. Both
// files are read from memory, through the same code the files go through.
#include "FuzzSupport.h"

#include "app/LocalSettings.h"
#include "platform/RegKey.h"
#include "platform/SettingsFile.h"

#include <cstring>
#include <ctime>
#include <string>

namespace {

// Time zones with odd offsets, west and east, with and without summer time.
constexpr const char* kZones[] = {"UTC0", "EST5EDT,M3.2.0,M11.1.0", "<+0530>-5:30", "<+0545>-5:45",
                                  "<-0330>3:30<-0230>,M3.2.0,M11.1.0", "<+14>-14", "<-12>12"};
constexpr WORD kLanguages[] = {0, 1033, 1041, 2057, 3084, 7177, 1031, 0xFFFF};

void CheckText(const std::string& s)
{
    K5_FUZZ_CHECK(s.size() <= 259);
}

void CheckField(const char* field)
{
    K5_FUZZ_CHECK(::strnlen(field, 260) < 260);
}

void CheckRanges(const CLocalSettings& s)
{
    K5_FUZZ_CHECK(s.m_nDrawMode == 0 || s.m_nDrawMode == 1);
    K5_FUZZ_CHECK(s.m_nDateFormat >= 0 && s.m_nDateFormat <= 2);
    K5_FUZZ_CHECK(s.m_nSaveFormat >= 0 && s.m_nSaveFormat <= 2);
    K5_FUZZ_CHECK(s.m_nHourSystem == 0 || s.m_nHourSystem == 1);
    K5_FUZZ_CHECK(s.m_nWatermark == 0 || s.m_nWatermark == 1);
    K5_FUZZ_CHECK(s.m_nMaxAlarm == 0 || s.m_nMaxAlarm == 1);
    for (BYTE v : s.m_arrOpacity)
        K5_FUZZ_CHECK(v >= 100);
    for (BYTE v : s.m_arrAudioBuf)
        K5_FUZZ_CHECK(v >= 2 && v <= 64);
    CheckText(s.m_strLocation);
    K5_FUZZ_CHECK(!s.m_strLocation.empty());
    for (int i = 0; i < 16; ++i) {
        CheckText(s.m_strCameraName[i]);
        CheckField(s.m_szCameraName[i]);
        K5_FUZZ_CHECK(s.m_strCameraName[i] == s.m_szCameraName[i]);
    }
}

void CheckSame(const CLocalSettings& a, const CLocalSettings& b)
{
    K5_FUZZ_CHECK(a.m_nDrawMode == b.m_nDrawMode);
    K5_FUZZ_CHECK(a.m_nDateFormat == b.m_nDateFormat);
    K5_FUZZ_CHECK(a.m_nSaveFormat == b.m_nSaveFormat);
    K5_FUZZ_CHECK(a.m_strLocation == b.m_strLocation);
    K5_FUZZ_CHECK(a.m_arrOpacity == b.m_arrOpacity);
    K5_FUZZ_CHECK(a.m_arrAudioBuf == b.m_arrAudioBuf);
    K5_FUZZ_CHECK(a.m_arrDeinterlace == b.m_arrDeinterlace);
    K5_FUZZ_CHECK(a.m_nHourSystem == b.m_nHourSystem);
    K5_FUZZ_CHECK(a.m_nWatermark == b.m_nWatermark);
    K5_FUZZ_CHECK(a.m_nMaxAlarm == b.m_nMaxAlarm);
    K5_FUZZ_CHECK(a.m_strCameraName == b.m_strCameraName);
}

void CheckStoreText(const std::string& bytes)
{
    const SettingsParse parsed = ParseSettingsText(bytes);
    K5_FUZZ_CHECK(parsed.damaged || parsed.skippedLines == 0);
    for (const auto& [key, value] : parsed.entries) {
        K5_FUZZ_CHECK(!key.empty() && key.front() != '/' && key.back() != '/');
        K5_FUZZ_CHECK(key.find("//") == std::string::npos);
    }
    const std::string text = FormatSettingsText(parsed.entries);
    const SettingsParse again = ParseSettingsText(text);
    K5_FUZZ_CHECK(!again.damaged);
    K5_FUZZ_CHECK(again.entries == parsed.entries);
}

void CheckLines(const std::string& bytes)
{
    const std::vector<std::string> lines = SplitSettingsLines(bytes);
    K5_FUZZ_CHECK(lines.size() <= 5);
    std::size_t total = 0;
    for (const std::string& line : lines) {
        K5_FUZZ_CHECK(line.size() <= 259);
        K5_FUZZ_CHECK(line.find_first_of("\r\n") == std::string::npos);
        total += line.size();
    }
    K5_FUZZ_CHECK(total <= bytes.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static std::string store;
    static const bool once = [] {
        // Nothing of the run may reach the real home folder or settings.
        const k5fuzz::ScratchDir& dir = k5fuzz::Scratch();
        ::setenv("HOME", dir.Path().c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
        return true;
    }();
    (void)once;

    k5fuzz::Reader in(data, size);
    const std::string binFile = in.Bytes(in.U16());
    store = in.Rest();
    RegKey::SetMemoryStoreForTesting(&store);
    // Emptied before the input ends: memory still held afterwards would make
    // the fuzzer look for a leak after every input.
    struct Emptied
    {
        std::string& store;
        ~Emptied()
        {
            RegKey::SetMemoryStoreForTesting(nullptr);
            std::string().swap(store);
        }
    } emptied{store};
    const std::uint8_t pick = binFile.empty() ? 0 : static_cast<std::uint8_t>(binFile[0]);

    ::setenv("TZ", kZones[pick % std::size(kZones)], 1);
    ::tzset();
    const WORD lang = kLanguages[(pick >> 3) % std::size(kLanguages)];

    CheckLines(binFile);
    CheckStoreText(store);

    CLocalSettings s;
    s.LoadClientText(binFile, lang, static_cast<std::time_t>(1700000000 + 86400 * (pick % 200)));
    CheckText(s.m_strTitle);
    CheckText(s.m_strFolder);
    K5_FUZZ_CHECK(!s.m_strTitle.empty() && !s.m_strFolder.empty());
    K5_FUZZ_CHECK(s.m_bSavePassword <= 1);
    const int zone = s.ZoneOffsetSeconds();
    K5_FUZZ_CHECK(zone >= -12 * 3600 && zone <= 14 * 3600);
    K5_FUZZ_CHECK(zone == 0 || (zone < 0) == (s.m_nZoneHour < 0 || s.m_nZoneMin < 0 || s.m_nZoneSec < 0));

    s.LoadLocalSetup();
    CheckRanges(s);

    // The local setup window's copy and back.
    LocalSetupRecord rec;
    s.FillLocalSetup(rec, false);
    CheckField(rec.Location);
    for (const auto& name : rec.CameraName)
        CheckField(name);
    CLocalSettings edited = s;
    K5_FUZZ_CHECK(!edited.ApplyLocalSetupValues(rec, false));
    CheckSame(s, edited);

    // Saved and read again: the same values. Saving writes every key, more
    // than the reading costs: this runs for one input in eight.
    if ((pick & 0xE0) != 0xE0)
        return 0;
    K5_FUZZ_CHECK(s.SaveLocalSetup());
    CLocalSettings reread;
    reread.m_strDrawModeText = s.m_strDrawModeText;
    reread.m_strDateFormatText = s.m_strDateFormatText;
    reread.m_strFolder = s.m_strFolder;
    reread.LoadLocalSetup();
    CheckSame(s, reread);
    return 0;
}
