#include "app/LocalSettings.h"

#include "platform/Paths.h"
#include "platform/RegKey.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

struct LangEntry
{
    const char* language;
    const char* territory; // "" matches any territory not listed
    WORD id;
};

// Windows language ids of the locales this client tells apart. Ids that the
// date-format rule does not name only need to be "some other language".
constexpr LangEntry kLanguages[] = {
    {"zh", "TW", 1028},  {"zh", "HK", 3076},  {"zh", "SG", 4100},  {"zh", "MO", 5124},  {"zh", "CN", 2052},
    {"zh", "", 2052},    {"hu", "", 1038},    {"ja", "", 1041},    {"ko", "", 1042},    {"pl", "", 1045},
    {"fr", "CA", 3084},  {"fr", "BE", 2060},  {"fr", "CH", 4108},  {"fr", "", 1036},    {"en", "US", 1033},
    {"en", "GB", 2057},  {"en", "AU", 3081},  {"en", "CA", 4105},  {"en", "NZ", 5129},  {"en", "IE", 6153},
    {"en", "ZA", 7177},  {"en", "JM", 8201},  {"en", "029", 9225}, {"en", "BZ", 10249}, {"en", "TT", 11273},
    {"en", "ZW", 12297}, {"en", "PH", 13321}, {"en", "IN", 16393}, {"en", "", 1033},    {"es", "PA", 6154},
    {"es", "MX", 2058},  {"es", "", 3082},    {"de", "", 1031},    {"it", "", 1040},    {"nl", "", 1043},
    {"pt", "BR", 1046},  {"pt", "", 2070},    {"ru", "", 1049},    {"sv", "", 1053},    {"cs", "", 1029},
    {"da", "", 1030},    {"el", "", 1032},    {"fi", "", 1035},    {"nb", "", 1044},    {"no", "", 1044},
    {"tr", "", 1055},    {"th", "", 1054},    {"ar", "", 1025},    {"he", "", 1037},    {"uk", "", 1058},
    {"vi", "", 1066},    {"id", "", 1057},
};

// Reading opens existing keys only: loading never writes the store.
bool QueryBytes(const std::string& keyPath, const std::string& name, void* buffer, std::size_t size)
{
    std::size_t len = size;
    return RegKey::ReadValue(keyPath, name, buffer, len);
}

bool QueryDword(const std::string& name, std::uint32_t& value)
{
    unsigned char bytes[4] = {};
    if (!QueryBytes(std::string(CLocalSettings::kRegistryRoot) + name, name, bytes, sizeof bytes))
        return false;
    value = std::uint32_t(bytes[0]) | (std::uint32_t(bytes[1]) << 8) | (std::uint32_t(bytes[2]) << 16) |
            (std::uint32_t(bytes[3]) << 24);
    return true;
}

// "%02d" without printf: a load reads some seventy list values, each naming
// its number twice.
std::string ListValueName(int number)
{
    if (number < 0 || number > 99) {
        char name[16];
        std::snprintf(name, sizeof name, "%02d", number);
        return name;
    }
    const char name[2] = {static_cast<char>('0' + number / 10), static_cast<char>('0' + number % 10)};
    return std::string(name, 2);
}

void AppendListKeyPath(std::string& path, const char* list, int number)
{
    path.append(CLocalSettings::kRegistryRoot).append(list).append("\\").append(ListValueName(number));
}

std::string ListKeyPath(const char* list, int number)
{
    std::string path;
    path.reserve(std::strlen(CLocalSettings::kRegistryRoot) + std::strlen(list) + 4);
    AppendListKeyPath(path, list, number);
    return path;
}

// The first byte of a list value read with a buffer of `bufferSize` bytes.
bool QueryListByte(const char* list, int number, std::size_t bufferSize, BYTE& value)
{
    unsigned char bytes[4] = {};
    // In room kept by the thread: a load reads forty-eight of these.
    thread_local std::string path;
    path.clear();
    AppendListKeyPath(path, list, number);
    if (!QueryBytes(path, ListValueName(number), bytes, bufferSize))
        return false;
    value = bytes[0];
    return true;
}

// A text of at most 259 characters, so that it always fits a 260-byte field
// with its terminator.
bool QueryText(const std::string& keyPath, const std::string& name, std::string& text)
{
    char buffer[260] = {};
    if (!QueryBytes(keyPath, name, buffer, sizeof buffer))
        return false;
    text.assign(buffer, ::strnlen(buffer, sizeof buffer - 1));
    return true;
}

bool SetDwordValue(const std::string& name, std::uint32_t value)
{
    RegKey key;
    return key.Create(std::string(CLocalSettings::kRegistryRoot) + name) && key.SetDword(name, value);
}

bool SetListByte(const char* list, int number, BYTE value)
{
    RegKey key;
    return key.Create(ListKeyPath(list, number)) && key.SetBinary(ListValueName(number), &value, 1);
}

std::string Field(const std::string& text)
{
    return text.substr(0, 259);
}

void CopyToField(char* field, const std::string& text)
{
    std::memset(field, 0, 260);
    const std::string cut = Field(text);
    std::memcpy(field, cut.data(), cut.size());
}

std::string FromField(const char* field)
{
    return std::string(field, ::strnlen(field, 259));
}

std::string Upper(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return s;
}

bool InRange(std::uint32_t v, std::uint32_t lo, std::uint32_t hi)
{
    return v >= lo && v <= hi;
}

constexpr BYTE kOpacityMin = 100;
constexpr BYTE kAudioBufMin = 2;
constexpr BYTE kAudioBufMax = 64;

} // namespace

WORD LangIdFromLocaleName(const std::string& name)
{
    if (name.empty() || name == "C" || name == "POSIX" || name.rfind("C.", 0) == 0)
        return 1033;
    std::string base = name.substr(0, name.find_first_of(".@"));
    const std::size_t sep = base.find_first_of("_-");
    std::string language = base.substr(0, sep);
    std::string territory = sep == std::string::npos ? std::string() : base.substr(sep + 1);
    std::transform(language.begin(), language.end(), language.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    territory = Upper(territory);
    for (const LangEntry& e : kLanguages) {
        if (language == e.language && territory == e.territory)
            return e.id;
    }
    for (const LangEntry& e : kLanguages) {
        if (language == e.language && e.territory[0] == '\0')
            return e.id;
    }
    return 0;
}

WORD GetUserDefaultLangId()
{
    for (const char* var : {"LC_ALL", "LC_TIME", "LANG"}) {
        const char* value = std::getenv(var);
        if (value && *value)
            return LangIdFromLocaleName(value);
    }
    return LangIdFromLocaleName("C");
}

int GetDefaultDateFormat(WORD langId)
{
    switch (langId) {
    case 1028:
    case 1038:
    case 1041:
    case 1042:
    case 1045:
    case 2052:
    case 3084:
    case 7177:
        return 0;
    case 1033:
    case 6154:
    case 9225:
    case 12297:
    case 13321:
        return 1;
    default:
        return 2;
    }
}

int GetDefaultDateFormat()
{
    return GetDefaultDateFormat(GetUserDefaultLangId());
}

const char* DateFormatText(int dateFormat)
{
    switch (dateFormat) {
    case 1:
        return "MM-DD-YYYY";
    case 2:
        return "DD-MM-YYYY";
    default:
        return "YYYY-MM-DD";
    }
}

std::vector<std::string> SplitSettingsLines(const std::string& bytes, std::size_t maxLines,
                                            std::size_t maxLength)
{
    std::vector<std::string> lines;
    std::string line;
    bool open = false; // characters since the last line end
    for (std::size_t i = 0; i < bytes.size() && lines.size() < maxLines; ++i) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(line);
            line.clear();
            open = false;
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
            continue;
        }
        open = true;
        if (line.size() < maxLength)
            line.push_back(c);
    }
    if (open && lines.size() < maxLines)
        lines.push_back(line);
    return lines;
}

CLocalSettings::CLocalSettings()
{
    m_arrOpacity.fill(255);
    m_arrAudioBuf.fill(2);
}

void CLocalSettings::SetCameraName(int index, const std::string& name)
{
    m_strCameraName[index] = Field(name);
    CopyToField(m_szCameraName[index], m_strCameraName[index]);
}

void CLocalSettings::LoadClientFile(const std::string& settingsFile, WORD langId, std::time_t now)
{
    std::string bytes;
    if (!settingsFile.empty()) {
        std::ifstream in(settingsFile, std::ios::binary);
        if (in) {
            // The file is a handful of short lines; anything beyond a generous
            // size cannot hold a line that is used.
            constexpr std::size_t kMaxRead = 64 * 1024;
            bytes.assign(kMaxRead, '\0');
            in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            bytes.resize(static_cast<std::size_t>(in.gcount()));
        }
    }
    LoadClientText(bytes, langId, now);
}

void CLocalSettings::LoadClientText(const std::string& bytes, WORD langId, std::time_t now)
{
    m_nDrawMode = m_nActiveDrawMode = m_nDateFormat = m_nSaveFormat = 0;
    m_arrDeinterlace.fill(0);
    for (int i = 0; i < 16; ++i)
        SetCameraName(i, std::string());

    m_strDateFormatText = "YYYY-MM-DD";
    m_strDrawModeText = "YUV";
    m_strTitle = m_strFolder = "H264K5";
    m_bSavePassword = 1;

    const std::vector<std::string> lines = SplitSettingsLines(bytes);
    for (std::size_t n = 0; n < lines.size(); ++n) {
        // Each line is a text: a NUL ends it. Kept whole, it would make a
        // data folder whose name differs from the path the system opens and
        // from what the settings keys give back.
        const std::string line = lines[n].substr(0, lines[n].find('\0'));
        if (line.empty())
            continue;
        switch (n) {
        case 0:
            m_strTitle = line;
            break;
        case 1:
            m_strFolder = line;
            break;
        case 2:
            m_strDateFormatText = DateFormatText(GetDefaultDateFormat(langId));
            break;
        case 3:
            m_strDrawModeText = line;
            break;
        case 4:
            if (line == "pass_save=no")
                m_bSavePassword = 0;
            break;
        default:
            break;
        }
    }

    m_arrOpacity.fill(255);
    m_arrAudioBuf.fill(2);
    ComputeZoneOffset(now);
}

void CLocalSettings::ComputeZoneOffset(std::time_t now)
{
    std::tm local{};
    std::tm utc{};
    ::localtime_r(&now, &local);
    ::gmtime_r(&now, &utc);
    // The UTC fields read back as local standard time give the standard
    // offset; daylight saving is added where recorder times are converted.
    utc.tm_isdst = 0;
    const long long d =
        static_cast<long long>(std::mktime(&local)) - static_cast<long long>(std::mktime(&utc));
    m_nZoneHour = static_cast<int>(d / 3600);
    m_nZoneMin = static_cast<int>((d % 3600) / 60);
    m_nZoneSec = static_cast<int>(d % 60);
}

void CLocalSettings::LoadLocalSetup()
{
    m_strDrawModeText = Upper(m_strDrawModeText);
    m_strDateFormatText = Upper(m_strDateFormatText);
    const int defaultDrawMode = m_strDrawModeText == "RGB" ? 1 : 0;
    const int defaultDateFormat = m_strDateFormatText == "MM-DD-YYYY"   ? 1
                                  : m_strDateFormatText == "DD-MM-YYYY" ? 2
                                                                        : 0;

    // A value outside its list of choices would index past the setup pages'
    // lists and the program's own tables: it reads as its default.
    auto choice = [](const char* name, std::uint32_t count, int fallback) {
        std::uint32_t v = 0;
        return QueryDword(name, v) && v < count ? static_cast<int>(v) : fallback;
    };
    m_nDrawMode = choice("DrawMode", 2, defaultDrawMode);
    m_nDateFormat = choice("DateFormat", 3, defaultDateFormat);
    m_nSaveFormat = choice("SaveFormat", 3, 0);

    std::string location;
    const std::string locationKey = std::string(kRegistryRoot) + "Location";
    if (QueryText(locationKey, "Location", location) && !location.empty())
        m_strLocation = location;
    else
        m_strLocation = Field(Paths::DefaultLocation(m_strFolder));

    for (int i = 0; i < 9; ++i) {
        BYTE v = 0;
        // An alpha below the setup page's range would leave a window all but
        // invisible.
        m_arrOpacity[i] = QueryListByte("Opacity", i + 1, 4, v) && v >= kOpacityMin ? v : 255;
    }
    for (int i = 0; i < 3; ++i) {
        BYTE v = 0;
        m_arrAudioBuf[i] =
            QueryListByte("AudioBuf", i + 1, 4, v) && InRange(v, kAudioBufMin, kAudioBufMax) ? v : 2;
    }
    for (int i = 0; i < 16; ++i) {
        BYTE v = 0;
        m_arrDeinterlace[i] = QueryListByte("Deinterlace", i + 1, 1, v) ? v : 0;
    }

    m_nHourSystem = choice("HourSystem", 2, 1);
    m_nWatermark = choice("Watermark", 2, 0);
    m_nMaxAlarm = choice("MaxAlarm", 2, 0);

    for (int i = 0; i < 16; ++i) {
        std::string name;
        if (!QueryText(ListKeyPath("CameraName", i + 1), ListValueName(i + 1), name))
            name.clear();
        SetCameraName(i, name);
    }
}

bool CLocalSettings::SaveLocalSetup() const
{
    // Every value, then one replacement of the store.
    RegBatch batch;
    bool ok = SetDwordValue("DrawMode", static_cast<std::uint32_t>(m_nDrawMode));
    ok = SetDwordValue("DateFormat", static_cast<std::uint32_t>(m_nDateFormat)) && ok;
    ok = SetDwordValue("SaveFormat", static_cast<std::uint32_t>(m_nSaveFormat)) && ok;
    {
        RegKey key;
        ok = key.Create(std::string(kRegistryRoot) + "Location") &&
             key.SetString("Location", Field(m_strLocation)) && ok;
    }
    for (int i = 0; i < 9; ++i)
        ok = SetListByte("Opacity", i + 1, m_arrOpacity[i]) && ok;
    for (int i = 0; i < 3; ++i)
        ok = SetListByte("AudioBuf", i + 1, m_arrAudioBuf[i]) && ok;
    for (int i = 0; i < 16; ++i)
        ok = SetListByte("Deinterlace", i + 1, m_arrDeinterlace[i]) && ok;
    ok = SetDwordValue("HourSystem", static_cast<std::uint32_t>(m_nHourSystem)) && ok;
    ok = SetDwordValue("Watermark", static_cast<std::uint32_t>(m_nWatermark)) && ok;
    ok = SetDwordValue("MaxAlarm", static_cast<std::uint32_t>(m_nMaxAlarm)) && ok;
    for (int i = 0; i < 16; ++i) {
        RegKey key;
        ok = key.Create(ListKeyPath("CameraName", i + 1)) &&
             key.SetString(ListValueName(i + 1), Field(m_strCameraName[i])) && ok;
    }
    return batch.Commit() && ok;
}

void CLocalSettings::FillLocalSetup(LocalSetupRecord& rec, bool readOnlyMedia) const
{
    std::memset(&rec, 0, sizeof rec);
    rec.DrawMode = static_cast<BYTE>(m_nDrawMode);
    rec.DateFormat = static_cast<BYTE>(m_nDateFormat);
    rec.SaveFormat = static_cast<BYTE>(m_nSaveFormat);
    rec.MaxAlarm = static_cast<BYTE>(m_nMaxAlarm);
    if (!readOnlyMedia)
        CopyToField(rec.Location, m_strLocation);
    std::copy(m_arrOpacity.begin(), m_arrOpacity.end(), rec.Opacity);
    std::copy(m_arrAudioBuf.begin(), m_arrAudioBuf.end(), rec.AudioBuf);
    rec.HourSystem = static_cast<BYTE>(m_nHourSystem);
    rec.Watermark = static_cast<BYTE>(m_nWatermark);
    std::copy(m_arrDeinterlace.begin(), m_arrDeinterlace.end(), rec.Deinterlace);
    for (int i = 0; i < 16; ++i)
        CopyToField(rec.CameraName[i], m_strCameraName[i]);
}

bool CLocalSettings::ApplyLocalSetupValues(const LocalSetupRecord& rec, bool readOnlyMedia)
{
    const bool drawModeChanged = rec.DrawMode != m_nDrawMode;
    m_nDrawMode = rec.DrawMode;
    m_nSaveFormat = rec.SaveFormat;
    m_nDateFormat = rec.DateFormat;
    m_nMaxAlarm = rec.MaxAlarm;
    if (!readOnlyMedia)
        m_strLocation = FromField(rec.Location);
    std::copy(std::begin(rec.Opacity), std::end(rec.Opacity), m_arrOpacity.begin());
    std::copy(std::begin(rec.AudioBuf), std::end(rec.AudioBuf), m_arrAudioBuf.begin());
    std::copy(std::begin(rec.Deinterlace), std::end(rec.Deinterlace), m_arrDeinterlace.begin());
    m_nHourSystem = rec.HourSystem;
    m_nWatermark = rec.Watermark;
    for (int i = 0; i < 16; ++i)
        SetCameraName(i, FromField(rec.CameraName[i]));
    return drawModeChanged;
}
