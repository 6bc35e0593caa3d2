// The text of the per-user settings store, apart from the file it lives in.
//
// The store is an INI text in the layout the Qt settings classes read and
// write: "key=value" lines, keys made of path parts separated by '\' (a
// "[section]" line puts its path in front of the keys below it), values that
// may be quoted and carry C-like escapes, byte strings as "@ByteArray(...)".
//
// The reader is our own because a store damaged on disk must not lose what
// is still intact: it takes every line that reads whole, whatever damage
// precedes it, and tells the caller that damage was seen so that the damaged
// file can be kept aside before it is replaced. The writer writes every key
// with its whole path, so no line depends on a section line above it.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>

struct SettingsValue
{
    // A byte string ("@ByteArray(...)") or a plain text; both hold bytes
    // (a plain text is read as Latin-1).
    bool isBytes = false;
    std::string data;

    bool operator==(const SettingsValue&) const = default;
};

// Full key ("Software/Varo/KOLA5500/LocalSetup/DrawMode/DrawMode", parts of
// Latin-1 bytes separated by '/') -> value.
using SettingsEntries = std::map<std::string, SettingsValue>;

struct SettingsParse
{
    SettingsEntries entries;
    // Some part of the text could not be read: a NUL or other byte no writer
    // puts there, a line without '=', a broken section line (the keys under
    // it are taken as whole paths), an escape that does not read, a last line
    // without its line end (the file was cut).
    bool damaged = false;
    std::size_t skippedLines = 0;
};

SettingsParse ParseSettingsText(std::string_view text);
std::string FormatSettingsText(const SettingsEntries& entries);

// One key part and one value as they stand in the text (exposed for tests).
std::string EscapeSettingsKey(std::string_view key);
std::string EscapeSettingsValue(const SettingsValue& value);
