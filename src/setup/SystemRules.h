// The headless rules of the System tab's basic and account pages: the record
// rates a video-standard change leaves behind, the recorder's language table,
// and who may change which account.
#pragma once

#include "setup/RecorderCaps.h"

#include <QString>
#include <cstdint>
#include <vector>

class ImageRef;

// --- Video standard ---------------------------------------------------------
// Frames per second all channels share at 4CIF: B / 4 of the budget B (240
// NTSC, 200 PAL); channel c of n gets Q / n, the first Q mod n one more.
int FullSizeDefaultRate(int videoStandard, int channels, int channel);
// A change of standard: every record block's channels below `channels` go to
// 4CIF at their default rate, and EventModeValue is set from the budget.
void RebuildRatesForStandard(ImageRef image, int videoStandard, int channels, bool subProduct6);

// --- Languages --------------------------------------------------------------
inline constexpr int kLanguageEntries = 64;
inline constexpr int kLanguageNameBytes = 16;
// A recorder name (at most 15 bytes of its slot, Latin-1) of entry e of the
// named list; empty for a free or absent entry.
QString RecorderLanguageName(const SysEtcInfoEx& ex, int entry);
// The built-in name of language id 1-13; empty for any other.
QString BuiltInLanguageName(int id);
// Position 0-18 of `name` in the 19 English names the client translates
// (case ignored), or -1.
int LocalisedLanguageIndex(const QString& name);
inline constexpr int kLocalisedLanguageFirst = 5211;

struct LanguageEntry
{
    int entry = 0;
    QString name;
};
// The language table's used entries in order, with the names the page shows
// (`translate` turns a localised position into its text). An empty entry is
// skipped, so the list position is not the entry: store `entry`.
std::vector<LanguageEntry> LanguageEntries(const RecorderCaps& caps, QString (*translate)(int) = nullptr);
// What the label shows for stored entry `entry`: its name, or the number
// when the entry has no name.
QString LanguageLabel(const RecorderCaps& caps, int entry, QString (*translate)(int) = nullptr);

// --- Accounts ---------------------------------------------------------------
inline constexpr int kAccountSlots = 6; // shown and compared
struct AccountAccess
{
    int loggedIn = -1; // -1: no account matched, nothing is allowed
    bool newFormat = true;

    static AccountAccess From(const RecorderCaps& caps, bool newFormat);
    bool CanPickUser() const { return loggedIn == 0 || loggedIn == 1; }
    // The users the user list offers.
    std::vector<int> PickableUsers() const;
    bool CanName(int user) const;
    bool CanLevel(int user) const;
    bool CanLogout(int user) const;
    bool CanRights(int user) const;
    bool CanArchive() const { return newFormat && loggedIn == 0; }
};
// May the live-channel page of any account be changed.
bool CanEditLiveChannels(const RecorderCaps& caps);

// The apply button: name, password and confirmation all typed, the two
// passwords equal, and no reserved password unless the recorder allows it.
bool AccountApplyReady(const QString& name, const QString& password, const QString& confirm,
                       bool reservedAllowed);
enum class AccountRefusal
{
    None,
    Empty,    // a text was cleared after the button was enabled
    Name,     // another shown account has this name (case ignored)
    Password, // another shown account has this password (case ignored)
};
AccountRefusal CheckAccountApply(const ImageRef& image, int user, const QString& name,
                                 const QString& password, const QString& confirm, bool passwordsMayRepeat);
