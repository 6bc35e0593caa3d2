#include "net/BackupFileLayer.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class CPosixBackupFile : public IBackupFile
{
public:
    explicit CPosixBackupFile(int fd) : m_fd(fd) {}
    ~CPosixBackupFile() override { Close(); }

    int Append(const void* bytes, std::size_t count) override
    {
        const int err = WriteAt(m_size, bytes, count);
        return err;
    }

    int WriteAt(std::uint64_t offset, const void* bytes, std::size_t count) override
    {
        if (m_fd < 0)
            return EBADF;
        const auto* p = static_cast<const std::uint8_t*>(bytes);
        while (count > 0) {
            const ssize_t n = ::pwrite(m_fd, p, count, static_cast<off_t>(offset));
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return errno;
            }
            if (n == 0)
                return EIO;
            p += n;
            offset += static_cast<std::uint64_t>(n);
            count -= static_cast<std::size_t>(n);
            if (offset > m_size)
                m_size = offset;
        }
        return 0;
    }

    int Truncate(std::uint64_t size) override
    {
        if (m_fd < 0)
            return EBADF;
        if (::ftruncate(m_fd, static_cast<off_t>(size)) != 0)
            return errno;
        m_size = size;
        return 0;
    }

    std::uint64_t Size() const override { return m_size; }

    int Close() override
    {
        if (m_fd < 0)
            return 0;
        const int rc = ::close(m_fd);
        m_fd = -1;
        return rc == 0 ? 0 : errno;
    }

private:
    int m_fd;
    std::uint64_t m_size = 0;
};

} // namespace

int CPosixBackupFileSystem::CreateFolders(const std::string& path)
{
    if (path.empty())
        return ENOENT;
    std::string partial;
    std::size_t pos = 0;
    while (pos != std::string::npos) {
        pos = path.find('/', pos + 1);
        partial = path.substr(0, pos);
        if (partial.empty())
            continue;
        if (::mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST)
            return errno;
    }
    struct stat st
    {
    };
    if (::stat(path.c_str(), &st) != 0)
        return errno;
    // A regular file where the folder should be cannot hold the set.
    return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

int CPosixBackupFileSystem::Create(const std::string& path, std::unique_ptr<IBackupFile>& file)
{
    // O_EXCL: an earlier download under this name is never truncated, even
    // when it appears between the writer's look at the folder and this call.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return errno;
    file = std::make_unique<CPosixBackupFile>(fd);
    return 0;
}

int CPosixBackupFileSystem::ListFolder(const std::string& path, std::vector<std::string>& names)
{
    names.clear();
    DIR* dir = ::opendir(path.c_str());
    if (dir == nullptr)
        return errno;
    while (const dirent* d = ::readdir(dir)) {
        const std::string name = d->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(dir);
    return 0;
}

BackupFailure ClassifyWriteError(int err)
{
    switch (err) {
    case 0:
        return BackupFailure::None;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return BackupFailure::DiskFull;
    default:
        return BackupFailure::WriteError;
    }
}
