// The client's own settings: the working values every part of the client
// reads, the per-user settings keys that keep them between runs, the optional
// installation file ClientK5.bin (window title, data-folder name, defaults),
// the edit copy the local setup window works on, the default date format of
// the user's language and the PC's time-zone offset.
#pragma once

#include "platform/Types.h"

#include <array>
#include <cstddef>
#include <ctime>
#include <string>
#include <vector>

// The edit copy of the local settings, in the byte positions the local setup
// pages use.
struct LocalSetupRecord
{
    BYTE DrawMode;
    BYTE DateFormat;
    BYTE SaveFormat;
    BYTE MaxAlarm;
    char Location[260];
    BYTE Opacity[9];
    BYTE Unused[2];
    BYTE AudioBuf[3];
    BYTE HourSystem;
    BYTE Watermark;
    BYTE Deinterlace[16];
    char CameraName[16][260];
};
static_assert(sizeof(LocalSetupRecord) == 4456);
static_assert(offsetof(LocalSetupRecord, Location) == 4);
static_assert(offsetof(LocalSetupRecord, Opacity) == 264);
static_assert(offsetof(LocalSetupRecord, AudioBuf) == 275);
static_assert(offsetof(LocalSetupRecord, HourSystem) == 278);
static_assert(offsetof(LocalSetupRecord, Watermark) == 279);
static_assert(offsetof(LocalSetupRecord, Deinterlace) == 280);
static_assert(offsetof(LocalSetupRecord, CameraName) == 296);

// Windows language id of the user's locale (LC_ALL, LC_TIME, LANG, in that
// order), e.g. 1033 for en_US; 0 when the locale names no known language.
WORD GetUserDefaultLangId();
// The language id of a locale name such as "en_US.UTF-8" or "ja_JP".
WORD LangIdFromLocaleName(const std::string& name);
// 0 year-month-day, 1 month-day-year, 2 day-month-year, for a language id.
int GetDefaultDateFormat(WORD langId);
int GetDefaultDateFormat();
// "YYYY-MM-DD", "MM-DD-YYYY" or "DD-MM-YYYY" for a date format.
const char* DateFormatText(int dateFormat);

// Splits the settings file's bytes into its lines: a line ends at CR, LF or
// CR LF, or at the end of the file. At most `maxLines` lines; a longer line
// is cut to `maxLength` characters.
std::vector<std::string> SplitSettingsLines(const std::string& bytes, std::size_t maxLines = 5,
                                            std::size_t maxLength = 259);

class CLocalSettings
{
public:
    CLocalSettings();

    // Where the settings keys lie (under the current user's store).
    static constexpr const char* kRegistryRoot = "Software\\Varo\\KOLA5500\\LocalSetup\\";

    // Sets every default, reads the settings file (empty path: none) and
    // computes the zone offset for `now`. `langId` chooses the date-format
    // text when the file's third line asks for it.
    void LoadClientFile(const std::string& settingsFile, WORD langId, std::time_t now);
    // The same with the file's bytes in hand (a missing file reads as none).
    void LoadClientText(const std::string& bytes, WORD langId, std::time_t now);
    // Reads the settings keys into the working values; a missing, oversized
    // or out-of-range value gives its default. Nothing is written.
    void LoadLocalSetup();
    // Writes the working values to the settings keys, all in one replacement
    // of the store; false when the store could not be written.
    bool SaveLocalSetup() const;

    // The edit copy from the working values (start-up and Cancel). On
    // read-only media the data folder stays empty.
    void FillLocalSetup(LocalSetupRecord& rec, bool readOnlyMedia) const;
    // Takes the edit copy into the working values (OK); on read-only media
    // the data folder is not taken. Returns true when the draw mode changed.
    // Saving is the caller's next step.
    bool ApplyLocalSetupValues(const LocalSetupRecord& rec, bool readOnlyMedia);

    // The PC's standard-time offset for `now`, split into hours, minutes and
    // seconds (all negative west of Greenwich).
    void ComputeZoneOffset(std::time_t now);
    int ZoneOffsetSeconds() const { return m_nZoneHour * 3600 + m_nZoneMin * 60 + m_nZoneSec; }

    // Working values.
    int m_nDrawMode = 0;       // 0 YUV, 1 RGB
    int m_nActiveDrawMode = 0; // the draw mode the first video grid was made with
    int m_nDateFormat = 0;     // 0 Y-M-D, 1 M-D-Y, 2 D-M-Y
    int m_nSaveFormat = 0;     // 0 JPEG, 1 BMP, 2 TIF
    std::string m_strLocation; // the data folder
    std::array<BYTE, 9> m_arrOpacity{};
    std::array<BYTE, 3> m_arrAudioBuf{};
    std::array<BYTE, 16> m_arrDeinterlace{}; // 0 = deinterlace on
    int m_nHourSystem = 1;                   // 0 12-hour, 1 24-hour
    int m_nWatermark = 0;
    int m_nMaxAlarm = 0;
    std::array<std::string, 16> m_strCameraName;
    char m_szCameraName[16][260] = {};

    // From the settings file.
    std::string m_strTitle;
    std::string m_strFolder;
    std::string m_strDateFormatText;
    std::string m_strDrawModeText;
    BYTE m_bSavePassword = 1;

    int m_nZoneHour = 0;
    int m_nZoneMin = 0;
    int m_nZoneSec = 0;

private:
    void SetCameraName(int index, const std::string& name);
};
