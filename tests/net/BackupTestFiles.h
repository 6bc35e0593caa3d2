// An in-memory file system for the download writer's tests, with faults:
// a full disk at a chosen byte of a chosen file, files or folders that
// cannot be created.
#pragma once

#include "net/BackupFileLayer.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
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
    // While held, every write waits (a test makes the writer fall behind).
    void HoldWrites(bool hold) { m_hold = hold; }

    int CreateFolders(const std::string& path) override
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_folderErr)
            return m_folderErr;
        m_folders.insert(path);
        return 0;
    }
    int Create(const std::string& path, std::unique_ptr<IBackupFile>& file) override;
    int ListFolder(const std::string& path, std::vector<std::string>& names) override
    {
        std::lock_guard<std::mutex> lock(m_lock);
        names.clear();
        const std::string prefix = path.empty() || path.back() == '/' ? path : path + "/";
        for (const auto& f : m_files) {
            if (f.first.compare(0, prefix.size(), prefix) == 0 &&
                f.first.find('/', prefix.size()) == std::string::npos)
                names.push_back(f.first.substr(prefix.size()));
        }
        return 0;
    }
    // A file put there by someone else (an earlier download).
    void Put(const std::string& path, std::vector<std::uint8_t> bytes)
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_files[path].bytes = std::move(bytes);
    }

    std::vector<std::uint8_t> Bytes(const std::string& path)
    {
        std::lock_guard<std::mutex> lock(m_lock);
        auto it = m_files.find(path);
        return it == m_files.end() ? std::vector<std::uint8_t>() : it->second.bytes;
    }
    // The stored bytes themselves, valid until the next write or Reset; for a
    // reader that needs no copy.
    const std::vector<std::uint8_t>& View(const std::string& path)
    {
        static const std::vector<std::uint8_t> kNone;
        std::lock_guard<std::mutex> lock(m_lock);
        auto it = m_files.find(path);
        return it == m_files.end() ? kNone : it->second.bytes;
    }
    // Back to an empty file system without faults. The files' storage is
    // kept for the next files created, so that a caller that starts over
    // many times a second (the fuzz target) does not map and fault in a
    // quarter of a megabyte per index file each time.
    void Reset()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        for (auto& [path, f] : m_files) {
            f.bytes.clear();
            m_spare.push_back(std::move(f.bytes));
        }
        m_files.clear();
        m_folders.clear();
        m_faults.clear();
        m_refuse.clear();
        m_folderErr = 0;
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
    std::vector<std::vector<std::uint8_t>> m_spare;
    std::atomic<bool> m_hold{false};

public:
    // Called by a file under the lock-free part of its write.
    // Returns the error and leaves the file's size in `size` (no copy of the
    // bytes: a set's index file alone is a quarter of a megabyte).
    int WriteBytes(const std::string& path, std::uint64_t offset, const void* bytes, std::size_t count,
                   std::uint64_t& size)
    {
        while (m_hold.load())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
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
        size = f.bytes.size();
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
        std::uint64_t end = 0;
        const int err = m_fs.WriteBytes(m_path, offset, bytes, count, end);
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
        if (m_files.count(path) != 0)
            return EEXIST;
        Stored& f = m_files[path];
        f.open = true;
        f.bytes.clear();
        if (!m_spare.empty() && f.bytes.capacity() == 0) {
            f.bytes = std::move(m_spare.back());
            m_spare.pop_back();
        }
    }
    file = std::make_unique<CMemoryBackupFile>(*this, path);
    return 0;
}
