// The file operations the download writer needs, behind an interface so that
// tests can make any of them fail (a full disk at a chosen byte, a folder
// that cannot be made). Every call returns 0 or an errno value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class IBackupFile
{
public:
    virtual ~IBackupFile() = default;
    // Appends at the end of the file. A write that stops short leaves the
    // bytes it managed on disk; the caller cuts them back with Truncate.
    virtual int Append(const void* bytes, std::size_t count) = 0;
    // Overwrites bytes that already exist (index entries, the summary).
    virtual int WriteAt(std::uint64_t offset, const void* bytes, std::size_t count) = 0;
    virtual int Truncate(std::uint64_t size) = 0;
    // The end of the file as this object wrote it.
    virtual std::uint64_t Size() const = 0;
    virtual int Close() = 0;
};

class IBackupFileSystem
{
public:
    virtual ~IBackupFileSystem() = default;
    // Makes the folder with its missing parents.
    virtual int CreateFolders(const std::string& path) = 0;
    // Creates a new, empty file. A file of that name is never replaced: the
    // answer is then EEXIST.
    virtual int Create(const std::string& path, std::unique_ptr<IBackupFile>& file) = 0;
    // The names of the entries in the folder (no "." or "..").
    virtual int ListFolder(const std::string& path, std::vector<std::string>& names) = 0;
};

// The real file system (POSIX); no sync, the page cache does the buffering.
class CPosixBackupFileSystem : public IBackupFileSystem
{
public:
    int CreateFolders(const std::string& path) override;
    int Create(const std::string& path, std::unique_ptr<IBackupFile>& file) override;
    int ListFolder(const std::string& path, std::vector<std::string>& names) override;
};

// The operator's view of a file error: 0 disk full, 1 folder or file not
// creatable, 2 any other write error (the sub-codes of the write-failed
// notification for a download).
enum class BackupFailure : int
{
    None = -1,
    DiskFull = 0,
    NotCreatable = 1,
    WriteError = 2,
};
BackupFailure ClassifyWriteError(int err);
