// An in-memory file system for the download writer's tests, with faults:
// a full disk at a chosen byte of a chosen file, files or folders that
// cannot be created.
#pragma once

#include "net/BackupFileLayer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

class CMemoryBackupFileSystem : public IBackupFileSystem
{
public:
    struct Stored
    {
        std::vector<std::uint8_t> bytes;
        bool open = false;
    };

    // The first write that would pass byte `at` of a file whose name ends in
    // `suffix` writes up to that byte and fails with ENOSPC (once).
    void FailAt(const std::string& suffix, std::uint64_t at, int err = ENOSPC)
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_faults.push_back({suffix, at, err, false});
    }
    void RefuseCreate(const std::string& suffix, int err = EACCES)
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_refuse[suffix] = err;
    }
    void RefuseFolders(int err) { m_folderErr = err; }

    int CreateFolders(const std::string& path) override
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_folderErr)
            return m_folderErr;
        m_folders.insert(path);
        return 0;
    }
    int Create(const std::string& path, std::unique_ptr<IBackupFile>& file) override;

    std::vector<std::uint8_t> Bytes(const std::string& path)
    {
        std::lock_guard<std::mutex> lock(m_lock);
        auto it = m_files.find(path);
        return it == m_files.end() ? std::vector<std::uint8_t>() : it->second.bytes;
    }
    bool Exists(const std::string& path)
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_files.count(path) != 0;
    }
    bool AnyOpen()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return std::any_of(m_files.begin(), m_files.end(), [](const auto& f) { return f.second.open; });
    }
    std::vector<std::string> Names()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        std::vector<std::string> n;
        for (const auto& f : m_files)
            n.push_back(f.first);
        return n;
    }

private:
    friend class CMemoryBackupFile;
    struct Fault
    {
        std::string suffix;
        std::uint64_t at;
        int err;
        bool fired;
    };
    static bool EndsWith(const std::string& s, const std::string& suffix)
    {
        return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
    }

    std::mutex m_lock;
    std::map<std::string, Stored> m_files;
    std::set<std::string> m_folders;
    std::vector<Fault> m_faults;
    std::map<std::string, int> m_refuse;
    int m_folderErr = 0;

public:
    // Called by a file under the lock-free part of its write.
    int WriteBytes(const std::string& path, std::uint64_t offset, const void* bytes, std::size_t count)
    {
        std::lock_guard<std::mutex> lock(m_lock);
        Stored& f = m_files[path];
        std::size_t allowed = count;
        int err = 0;
        for (Fault& fault : m_faults) {
            if (!fault.fired && EndsWith(path, fault.suffix) && offset + count > fault.at) {
                fault.fired = true;
                allowed = offset >= fault.at ? 0 : static_cast<std::size_t>(fault.at - offset);
                err = fault.err;
                break;
            }
        }
        if (f.bytes.size() < offset + allowed)
            f.bytes.resize(offset + allowed);
        if (allowed > 0)
            std::memcpy(f.bytes.data() + offset, bytes, allowed);
        return err;
    }
    void TruncateBytes(const std::string& path, std::uint64_t size)
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_files[path].bytes.resize(size);
    }
    void SetOpen(const std::string& path, bool open)
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_files[path].open = open;
    }
};

class CMemoryBackupFile : public IBackupFile
{
public:
    CMemoryBackupFile(CMemoryBackupFileSystem& fs, std::string path) : m_fs(fs), m_path(std::move(path)) {}
    ~CMemoryBackupFile() override { Close(); }
    int Append(const void* bytes, std::size_t count) override { return WriteAt(m_size, bytes, count); }
    int WriteAt(std::uint64_t offset, const void* bytes, std::size_t count) override
    {
        if (m_closed)
            return EBADF;
        const int err = m_fs.WriteBytes(m_path, offset, bytes, count);
        const std::uint64_t end = m_fs.Bytes(m_path).size();
        m_size = std::max(m_size, end);
        return err;
    }
    int Truncate(std::uint64_t size) override
    {
        m_fs.TruncateBytes(m_path, size);
        m_size = size;
        return 0;
    }
    std::uint64_t Size() const override { return m_size; }
    int Close() override
    {
        if (!m_closed)
            m_fs.SetOpen(m_path, false);
        m_closed = true;
        return 0;
    }

private:
    CMemoryBackupFileSystem& m_fs;
    std::string m_path;
    std::uint64_t m_size = 0;
    bool m_closed = false;
};

inline int CMemoryBackupFileSystem::Create(const std::string& path, std::unique_ptr<IBackupFile>& file)
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        for (const auto& [suffix, err] : m_refuse) {
            if (EndsWith(path, suffix))
                return err;
        }
        m_files[path] = Stored{{}, true};
    }
    file = std::make_unique<CMemoryBackupFile>(*this, path);
    return 0;
}
