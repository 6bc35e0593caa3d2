#include "platform/Paths.h"

#include <filesystem>
#include <linux/magic.h>
#include <mutex>
#include <pwd.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace Paths {

namespace {

std::mutex& OverrideMutex()
{
    static std::mutex m;
    return m;
}

std::optional<bool>& ReadOnlyOverride()
{
    static std::optional<bool> value; // guarded by OverrideMutex
    return value;
}

#ifndef UDF_SUPER_MAGIC
constexpr long UDF_SUPER_MAGIC = 0x15013346;
#endif

bool IsRegularFile(const std::string& path)
{
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

std::string CurrentDir()
{
    std::error_code ec;
    const fs::path cwd = fs::current_path(ec);
    return ec ? std::string(".") : cwd.string();
}

// The path itself when it exists, else its nearest existing parent.
std::string NearestExisting(const std::string& path)
{
    std::error_code ec;
    fs::path p = fs::absolute(path, ec);
    if (ec)
        return {};
    p = p.lexically_normal();
    while (true) {
        if (fs::exists(p, ec))
            return p.string();
        if (!p.has_parent_path() || p.parent_path() == p)
            return {};
        p = p.parent_path();
    }
}

} // namespace

std::string ProgramDir()
{
    std::vector<char> buf(4096);
    const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    if (n <= 0)
        return CurrentDir();
    const fs::path exe(std::string(buf.data(), static_cast<std::size_t>(n)));
    std::string dir = exe.parent_path().string();
    return dir.empty() ? std::string("/") : dir;
}

std::string HomeDir()
{
    if (const char* home = std::getenv("HOME"); home && home[0] != '\0')
        return home;
    std::vector<char> buf(16384);
    passwd pw{};
    passwd* result = nullptr;
    if (::getpwuid_r(::getuid(), &pw, buf.data(), buf.size(), &result) == 0 && result && result->pw_dir)
        return result->pw_dir;
    return CurrentDir();
}

std::string DefaultLocation(const std::string& folderName)
{
    return Join(HomeDir(), folderName);
}

std::string Join(const std::string& folder, const std::string& sub)
{
    std::string tail;
    tail.reserve(sub.size());
    for (char c : sub) {
        const char out = c == '\\' ? '/' : c;
        if (out == '/' && !tail.empty() && tail.back() == '/')
            continue; // "\\Log\\\\" keeps one separator
        tail += out;
    }
    std::string head = folder;
    while (head.size() > 1 && head.back() == '/')
        head.pop_back();
    if (head.empty())
        return tail;
    if (tail.empty())
        return head;
    if (head == "/")
        head.clear();
    if (tail.front() != '/')
        tail.insert(tail.begin(), '/');
    return head + tail;
}

bool IsReadOnlyMedia()
{
    {
        std::lock_guard lock(OverrideMutex());
        if (ReadOnlyOverride())
            return *ReadOnlyOverride();
    }
    const std::string dir = ProgramDir();
    struct statvfs vfs
    {
    };
    if (::statvfs(dir.c_str(), &vfs) == 0 && (vfs.f_flag & ST_RDONLY))
        return true;
    struct statfs sfs
    {
    };
    if (::statfs(dir.c_str(), &sfs) == 0) {
        const auto type = static_cast<long>(sfs.f_type);
        if (type == ISOFS_SUPER_MAGIC || type == UDF_SUPER_MAGIC)
            return true;
    }
    return false;
}

void SetReadOnlyMediaOverride(std::optional<bool> value)
{
    std::lock_guard lock(OverrideMutex());
    ReadOnlyOverride() = value;
}

bool GetDiskSpace(const std::string& path, std::uint64_t& freeBytes, std::uint64_t& totalBytes)
{
    if (path.empty())
        return false;
    const std::string existing = NearestExisting(path);
    if (existing.empty())
        return false;
    struct statvfs vfs
    {
    };
    if (::statvfs(existing.c_str(), &vfs) != 0)
        return false;
    const std::uint64_t unit = vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize;
    freeBytes = static_cast<std::uint64_t>(vfs.f_bavail) * unit;
    totalBytes = static_cast<std::uint64_t>(vfs.f_blocks) * unit;
    return true;
}

bool CreateFolders(const std::string& path)
{
    if (path.empty())
        return false;
    std::error_code ec;
    fs::create_directories(path, ec);
    return fs::is_directory(path, ec);
}

std::string CleanFileName(const std::string& typed)
{
    std::string out;
    out.reserve(typed.size());
    for (const char ch : typed) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F || c == '/' || c == '\\')
            continue;
        if (c == '.' && out.empty())
            continue;
        out.push_back(ch);
    }
    return out;
}

std::string FindProgramFile(const std::string& name)
{
    if (name.empty())
        return {};
    const std::string inCwd = Join(CurrentDir(), name);
    if (IsRegularFile(inCwd))
        return inCwd;
    const std::string beside = Join(ProgramDir(), name);
    if (IsRegularFile(beside))
        return beside;
    return {};
}

std::string FindSettingsFile()
{
    const std::string inCwd = Join(CurrentDir(), "ClientK5.bin");
    if (IsRegularFile(inCwd))
        return inCwd;
    const std::string system = "/etc/clientk5/ClientK5.bin";
    if (IsRegularFile(system))
        return system;
    return {};
}

} // namespace Paths
