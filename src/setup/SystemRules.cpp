#include "setup/SystemRules.h"

#include "setup/SetupImage.h"

#include <algorithm>
#include <array>

namespace {
constexpr std::array<const char*, 13> kBuiltInLanguages = {
    "English", "Chinese", "French",    "German", "Italian",    "Dutch",   "Russian",
    "Polish",  "Spanish", "Hungarian", "Slovak", "Portuguese", "Japanese"};
constexpr std::array<const char*, 19> kLocalisedLanguages = {
    "English",       "French",    "German", "Italian",    "Dutch",  "Russian",  "Polish",
    "Spanish",       "Hungarian", "Slovak", "Portuguese", "Korean", "Japanese", "S.Chinese",
    "Chinese(Big5)", "Turkish",   "Danish", "Czech",      "Persian"};
constexpr int kLanguageNamesOffset = 0; // SysEtcInfoEx
constexpr int kLanguageIdsOffset = 0;   // SysEtcInfo
} // namespace

int FullSizeDefaultRate(int videoStandard, int channels, int channel)
{
    const int budget = videoStandard == 1 ? 200 : 240;
    const int q = budget / 4;
    const int n = std::clamp(channels, 1, 16);
    if (channel < 0 || channel >= n)
        return 0;
    return q / n + (channel < q % n ? 1 : 0);
}

void RebuildRatesForStandard(ImageRef image, int videoStandard, int channels, bool subProduct6)
{
    using namespace SetupDb;
    image.Set(VideoStandard, static_cast<std::uint32_t>(videoStandard));
    const int n = std::clamp(channels, 1, 16);
    const int budget = videoStandard == 1 ? 200 : 240;
    const int groups = n <= 4 ? 4 : (n <= 8 ? 8 : 16);
    const int mode = static_cast<int>(image.Get(EventMode));
    const int weight = mode == 0 ? 4 : (mode == 1 ? 2 : 1);
    image.Set(EventModeValue, static_cast<std::uint32_t>(budget / (groups * weight)));
    for (int c = 0; c < n; ++c) {
        for (const Field& f :
             {PlainResolution, MotionResolution, ScheduleResolution, SensitivityResolution, DaysResolution})
            image.Set(f, c, 0);
        const auto rate = static_cast<std::uint8_t>(FullSizeDefaultRate(videoStandard, n, c));
        for (const Field& f : {SensitivityRate, ScheduleRate, MotionRate, PlainRate})
            image.Set(f, c, rate);
        if (subProduct6) {
            for (int k = 0; k < 4; ++k) {
                image.SetByteOf(ProfileResolution, k, c, 0);
                image.SetByteOf(ProfileRate, k, c, rate);
            }
        } else {
            image.Set(SensorResolution, c, 0);
            image.Set(SensorRate, c, rate);
        }
    }
}

QString RecorderLanguageName(const SysEtcInfoEx& ex, int entry)
{
    if (entry < 0 || entry >= kLanguageEntries)
        return {};
    const char* slot =
        reinterpret_cast<const char*>(ex.bytes) + kLanguageNamesOffset + kLanguageNameBytes * entry;
    // At most 15 characters: the slot's last byte is its terminator even when
    // the recorder left none.
    const char* end = std::find(slot, slot + kLanguageNameBytes - 1, '\0');
    return QString::fromLatin1(slot, static_cast<int>(end - slot));
}

QString BuiltInLanguageName(int id)
{
    if (id < 1 || id > static_cast<int>(kBuiltInLanguages.size()))
        return {};
    return QString::fromLatin1(kBuiltInLanguages[static_cast<std::size_t>(id - 1)]);
}

int LocalisedLanguageIndex(const QString& name)
{
    for (std::size_t i = 0; i < kLocalisedLanguages.size(); ++i)
        if (name.compare(QLatin1String(kLocalisedLanguages[i]), Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

namespace {
QString EntryName(const RecorderCaps& caps, int entry, QString (*translate)(int))
{
    if (entry < 0 || entry >= kLanguageEntries)
        return {};
    if (caps.hasSysEtcInfoEx) {
        const QString name = RecorderLanguageName(caps.sysEtcInfoEx, entry);
        if (name.isEmpty())
            return {};
        const int i = LocalisedLanguageIndex(name);
        if (i >= 0 && translate != nullptr) {
            const QString local = translate(i);
            if (!local.isEmpty())
                return local.left(kLanguageNameBytes - 1);
        }
        return name;
    }
    const int id = caps.sysEtcInfo.bytes[kLanguageIdsOffset + entry];
    if (id == 0)
        return {};
    const QString name = BuiltInLanguageName(id);
    return name.isEmpty() ? QString::number(id) : name;
}
} // namespace

std::vector<LanguageEntry> LanguageEntries(const RecorderCaps& caps, QString (*translate)(int))
{
    std::vector<LanguageEntry> out;
    for (int e = 0; e < kLanguageEntries; ++e) {
        QString name = EntryName(caps, e, translate);
        if (!name.isEmpty())
            out.push_back({e, std::move(name)});
    }
    return out;
}

QString LanguageLabel(const RecorderCaps& caps, int entry, QString (*translate)(int))
{
    const QString name = EntryName(caps, entry, translate);
    return name.isEmpty() ? QString::number(entry) : name;
}

AccountAccess AccountAccess::From(const RecorderCaps& caps, bool newFormat)
{
    AccountAccess a;
    a.newFormat = newFormat;
    // Without a connection, or with no row of the rights table matching the
    // login, nobody may change anything.
    a.loggedIn = caps.hasConnection && caps.userMatched ? caps.userIndex : -1;
    return a;
}

std::vector<int> AccountAccess::PickableUsers() const
{
    std::vector<int> users;
    if (!CanPickUser())
        return users;
    for (int u = loggedIn == 0 ? 0 : 1; u < kAccountSlots; ++u)
        users.push_back(u);
    return users;
}

bool AccountAccess::CanName(int u) const
{
    if (newFormat)
        return loggedIn == 0 || (loggedIn == 1 && u >= 2);
    return (loggedIn == 0 || loggedIn == 1) && u >= 1;
}

bool AccountAccess::CanLevel(int u) const
{
    if (newFormat)
        return (loggedIn == 0 && u >= 1) || (loggedIn == 1 && u >= 2);
    return (loggedIn == 0 || loggedIn == 1) && u >= 1;
}

bool AccountAccess::CanLogout(int u) const
{
    return newFormat && (loggedIn == 0 || (loggedIn == 1 && u >= 2));
}

bool AccountAccess::CanRights(int u) const
{
    if (newFormat)
        return loggedIn == 0 || (loggedIn == 1 && u >= 2);
    return loggedIn == 0 || loggedIn == 1;
}

bool CanEditLiveChannels(const RecorderCaps& caps)
{
    return caps.hasConnection && caps.userMatched && caps.userIndex >= 0 && caps.userIndex <= 1;
}

bool AccountApplyReady(const QString& name, const QString& password, const QString& confirm,
                       bool reservedAllowed)
{
    if (name.isEmpty() || password.isEmpty() || confirm.isEmpty() || password != confirm)
        return false;
    if (!reservedAllowed && (password == QLatin1String("8350") || password == QLatin1String("6047")))
        return false;
    return true;
}

AccountRefusal CheckAccountApply(const ImageRef& image, int user, const QString& name,
                                 const QString& password, const QString& confirm, bool passwordsMayRepeat)
{
    if (name.isEmpty() || password.isEmpty() || confirm.isEmpty())
        return AccountRefusal::Empty;
    // Compared as the slots hold them: at most 31 bytes.
    const QString n = name.left(31);
    const QString p = password.left(31);
    for (int j = 0; j < kAccountSlots; ++j)
        if (j != user && image.Text(SetupDb::UserName, j).compare(n, Qt::CaseInsensitive) == 0)
            return AccountRefusal::Name;
    if (!passwordsMayRepeat)
        for (int j = 0; j < kAccountSlots; ++j)
            if (j != user && image.Text(SetupDb::UserPassword, j).compare(p, Qt::CaseInsensitive) == 0)
                return AccountRefusal::Password;
    return AccountRefusal::None;
}
