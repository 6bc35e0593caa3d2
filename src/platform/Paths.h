// File-system services: the program's folder, the default data folder,
// read-only media, free space and folder creation.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace Paths {

// Folder of the running executable (no trailing slash).
std::string ProgramDir();
// $HOME (or the passwd entry when unset).
std::string HomeDir();
// The default data folder for a data-folder name: $HOME/<name>.
std::string DefaultLocation(const std::string& folderName);
// Joins a folder and a Windows-style sub-path ("\Log\", "\Download\"):
// backslashes become '/', with exactly one separator between the parts.
std::string Join(const std::string& folder, const std::string& sub);

// True when the program's own file system is mounted read-only or is a
// CD/DVD file system (iso9660, udf). Tests may force the answer.
bool IsReadOnlyMedia();
void SetReadOnlyMediaOverride(std::optional<bool> value);

// Free and total bytes of the file system that holds `path`; false when the
// path (or its nearest existing parent) cannot be examined.
bool GetDiskSpace(const std::string& path, std::uint64_t& freeBytes, std::uint64_t& totalBytes);

// Creates the folder with any missing parents; true when it exists afterwards.
bool CreateFolders(const std::string& path);

// A name the operator typed, made safe as one file name inside the folder it
// is meant for: path separators ('/', '\\'), NUL, control characters and DEL
// go, and so do leading dots, so that no name climbs out of the folder
// ("../x"), names the folder itself (".", "..") or hides its file. Empty when
// nothing is left. Stills and downloads are named by this one rule.
std::string CleanFileName(const std::string& typed);

// A program picture or data file looked up in the current directory, then
// beside the executable. Empty when neither has it.
std::string FindProgramFile(const std::string& name);

// The settings file: ClientK5.bin in the current directory, then
// /etc/clientk5/ClientK5.bin. Empty when neither exists.
std::string FindSettingsFile();

} // namespace Paths
