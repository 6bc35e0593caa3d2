#include "net/ConnectLog.h"

#include "platform/Paths.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Every writer of the process goes through this lock, so two threads never
// pick the same slot from the same header; flock keeps a second client
// process out as well.
std::mutex& FileMutex()
{
    static std::mutex m;
    return m;
}

void PutLe32(unsigned char* p, std::uint32_t v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

std::uint32_t GetLe32(const unsigned char* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

class FileDescriptor
{
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};

// Repeats `step(done)`, one pread or pwrite of what is left after `done`
// bytes, until all `size` bytes are through; an interrupted call is tried
// again, an error or the end of the file is false.
template <typename Step> bool TransferAll(std::size_t size, Step step)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = step(done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The log file, open and locked by the caller.
class FileStorage : public ConnectLogStorage
{
public:
    explicit FileStorage(int fd) : m_fd(fd) {}
    std::int64_t Size() override
    {
        struct stat st
        {
        };
        if (::fstat(m_fd, &st) != 0)
            return -1;
        return st.st_size;
    }
    bool ReadAt(void* buffer, std::size_t size, std::int64_t offset) override
    {
        auto* p = static_cast<unsigned char*>(buffer);
        return TransferAll(size, [&](std::size_t done) {
            return ::pread(m_fd, p + done, size - done, static_cast<off_t>(offset) + static_cast<off_t>(done));
        });
    }
    bool WriteAt(const void* buffer, std::size_t size, std::int64_t offset) override
    {
        const auto* p = static_cast<const unsigned char*>(buffer);
        return TransferAll(size, [&](std::size_t done) {
            return ::pwrite(m_fd, p + done, size - done, static_cast<off_t>(offset) + static_cast<off_t>(done));
        });
    }

private:
    int m_fd;
};

std::int64_t SlotOffset(std::uint32_t slot)
{
    return kConnectLogHeaderSize + static_cast<std::int64_t>(slot) * kConnectLogRecordSize;
}

// A header is usable when its fields are in range and the file holds every
// record it claims; anything else would place the next record at a wrong or
// far-away offset.
bool HeaderIsSound(const ConnectLogHeader& h, std::int64_t fileSize)
{
    if (h.wrapped > 1 || h.next >= static_cast<std::uint32_t>(kConnectLogSlots))
        return false;
    const std::int64_t needed = h.wrapped ? kConnectLogFileSize : SlotOffset(h.next);
    return fileSize >= needed;
}

// True when the slot holds a whole record that carries its own slot number
// and the record size.
bool SlotHoldsRecord(ConnectLogStorage& storage, std::uint32_t slot, std::int64_t fileSize)
{
    if (SlotOffset(slot) + kConnectLogRecordSize > fileSize)
        return false;
    unsigned char bytes[8];
    if (!storage.ReadAt(bytes, sizeof bytes, SlotOffset(slot)))
        return false;
    return GetLe32(bytes) == slot && GetLe32(bytes + 4) == static_cast<std::uint32_t>(kConnectLogRecordSize);
}

// Rebuilds the header from the records the file still holds: the ring goes on
// after the last intact record, so the records before it are kept.
ConnectLogHeader RecoverHeader(ConnectLogStorage& storage, std::int64_t fileSize)
{
    ConnectLogHeader h;
    std::int64_t whole =
        fileSize > kConnectLogHeaderSize ? (fileSize - kConnectLogHeaderSize) / kConnectLogRecordSize : 0;
    if (whole > kConnectLogSlots)
        whole = kConnectLogSlots;
    // Read in blocks of records: the whole ring is 460 KB.
    constexpr std::int64_t kBlock = 64;
    std::vector<unsigned char> bytes(static_cast<std::size_t>(kBlock) * kConnectLogRecordSize);
    std::vector<std::uint32_t> times;
    times.reserve(static_cast<std::size_t>(whole));
    for (std::int64_t first = 0; first < whole; first += kBlock) {
        const std::int64_t count = std::min(kBlock, whole - first);
        if (!storage.ReadAt(bytes.data(), static_cast<std::size_t>(count) * kConnectLogRecordSize,
                            SlotOffset(static_cast<std::uint32_t>(first))))
            return h;
        for (std::int64_t i = 0; i < count; ++i) {
            const std::int64_t s = first + i;
            const ConnectLogRecord r =
                DecodeConnectLogRecord(&bytes[static_cast<std::size_t>(i) * kConnectLogRecordSize]);
            if (r.index != static_cast<std::uint32_t>(s) ||
                r.size != static_cast<std::uint32_t>(kConnectLogRecordSize)) {
                h.next = static_cast<std::uint32_t>(s);
                return h;
            }
            times.push_back(r.time);
        }
    }
    if (whole < kConnectLogSlots) {
        h.next = static_cast<std::uint32_t>(whole);
        return h;
    }
    // A full ring: the oldest record is the first whose time falls behind its
    // predecessor's.
    h.wrapped = 1;
    for (std::size_t s = 1; s < times.size(); ++s) {
        if (times[s] < times[s - 1]) {
            h.next = static_cast<std::uint32_t>(s);
            break;
        }
    }
    return h;
}

void CopyField(char* field, std::size_t width, const char* text)
{
    std::memset(field, 0, width);
    if (text)
        std::memcpy(field, text, ::strnlen(text, width));
}

} // namespace

std::array<unsigned char, kConnectLogHeaderSize> EncodeConnectLogHeader(const ConnectLogHeader& h)
{
    std::array<unsigned char, kConnectLogHeaderSize> b{};
    PutLe32(&b[0], h.wrapped);
    PutLe32(&b[4], h.next);
    return b;
}

ConnectLogHeader DecodeConnectLogHeader(const unsigned char* bytes)
{
    ConnectLogHeader h;
    h.wrapped = GetLe32(bytes);
    h.next = GetLe32(bytes + 4);
    return h;
}

std::array<unsigned char, kConnectLogRecordSize> EncodeConnectLogRecord(const ConnectLogRecord& r)
{
    std::array<unsigned char, kConnectLogRecordSize> b{};
    PutLe32(&b[0], r.index);
    PutLe32(&b[4], r.size);
    PutLe32(&b[8], r.type);
    PutLe32(&b[12], r.subtype);
    PutLe32(&b[16], r.time);
    PutLe32(&b[20], r.reserved);
    std::memcpy(&b[24], r.address, sizeof r.address);
    std::memcpy(&b[152], r.user, sizeof r.user);
    return b;
}

ConnectLogRecord DecodeConnectLogRecord(const unsigned char* bytes)
{
    ConnectLogRecord r;
    r.index = GetLe32(bytes);
    r.size = GetLe32(bytes + 4);
    r.type = GetLe32(bytes + 8);
    r.subtype = GetLe32(bytes + 12);
    r.time = GetLe32(bytes + 16);
    r.reserved = GetLe32(bytes + 20);
    std::memcpy(r.address, bytes + 24, sizeof r.address);
    std::memcpy(r.user, bytes + 152, sizeof r.user);
    return r;
}

CConnectLog::CConnectLog(std::function<std::time_t()> clock) : m_clock(std::move(clock))
{
    if (!m_clock)
        m_clock = [] { return std::time(nullptr); };
}

void CConnectLog::SetLocation(const std::string& location)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_location = location;
}

std::string CConnectLog::LogFolder() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return Paths::Join(m_location, "\\Log\\");
}

std::string CConnectLog::FilePath() const
{
    return Paths::Join(LogFolder(), kFileName);
}

void CConnectLog::SetReadOnly(bool readOnly)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_readOnly = readOnly;
}

void CConnectLog::SetZoneOffset(int seconds)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_zoneOffset = seconds;
}

bool CConnectLog::Write(std::uint32_t size, int type, int subtype, const char* user, const char* address)
{
    std::string location;
    int zoneOffset = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_readOnly || m_location.empty())
            return false;
        location = m_location;
        zoneOffset = m_zoneOffset;
    }

    ConnectLogRecord record;
    record.size = size;
    record.type = static_cast<std::uint32_t>(type);
    record.subtype = static_cast<std::uint32_t>(subtype);
    record.time = static_cast<std::uint32_t>(static_cast<std::int64_t>(m_clock()) + zoneOffset);
    CopyField(record.address, sizeof record.address, address);
    CopyField(record.user, sizeof record.user, user);

    const std::string folder = Paths::Join(location, "\\Log\\");
    std::lock_guard<std::mutex> fileLock(FileMutex());
    if (!Paths::CreateFolders(folder))
        return false;
    const std::string path = Paths::Join(folder, kFileName);
    FileDescriptor fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (fd.Get() < 0)
        return false;
    if (::flock(fd.Get(), LOCK_EX) != 0)
        return false;

    FileStorage storage(fd.Get());
    return AppendConnectLogRecord(storage, record);
}

bool MemoryConnectLogStorage::ReadAt(void* buffer, std::size_t size, std::int64_t offset)
{
    if (offset < 0 || static_cast<std::uint64_t>(offset) > m_bytes.size() ||
        m_bytes.size() - static_cast<std::size_t>(offset) < size)
        return false;
    if (size > 0)
        std::memcpy(buffer, m_bytes.data() + offset, size);
    return true;
}

bool MemoryConnectLogStorage::WriteAt(const void* buffer, std::size_t size, std::int64_t offset)
{
    if (offset < 0 || offset > kConnectLogFileSize)
        return false;
    const auto at = static_cast<std::size_t>(offset);
    if (m_bytes.size() < at + size)
        m_bytes.resize(at + size);
    if (size > 0)
        std::memcpy(m_bytes.data() + at, buffer, size);
    return true;
}

bool AppendConnectLogRecord(ConnectLogStorage& storage, ConnectLogRecord record)
{
    const std::int64_t fileSize = storage.Size();
    if (fileSize < 0)
        return false;

    ConnectLogHeader header;
    if (fileSize > 0) {
        bool sound = false;
        if (fileSize >= kConnectLogHeaderSize) {
            unsigned char bytes[kConnectLogHeaderSize];
            if (!storage.ReadAt(bytes, sizeof bytes, 0))
                return false;
            header = DecodeConnectLogHeader(bytes);
            sound = HeaderIsSound(header, fileSize);
            // Before the ring is full the slot `next` is free. A record in it
            // means the header lags behind its records (a write cut off
            // between the record and the header, or an older header put
            // back): following it would overwrite the records after it.
            if (sound && header.wrapped == 0 && SlotHoldsRecord(storage, header.next, fileSize))
                sound = false;
        }
        if (!sound)
            header = RecoverHeader(storage, fileSize);
    }

    record.index = header.next;
    const std::int64_t offset = SlotOffset(header.next);
    if (header.next < static_cast<std::uint32_t>(kConnectLogSlots - 1)) {
        header.next += 1;
    } else {
        header.wrapped = 1;
        header.next = 0;
    }
    const auto recordBytes = EncodeConnectLogRecord(record);
    if (!storage.WriteAt(recordBytes.data(), recordBytes.size(), offset))
        return false;
    const auto headerBytes = EncodeConnectLogHeader(header);
    return storage.WriteAt(headerBytes.data(), headerBytes.size(), 0);
}
bool LoadConnectLogFile(const std::string& path, std::string& bytes, std::size_t limit)
{
    bytes.clear();
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0)
        return false;
    // A writer holds the lock across record and header: the copy is one state.
    if (::flock(fd.Get(), LOCK_SH) != 0)
        return false;
    struct stat st
    {
    };
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    const std::size_t size = std::min<std::uint64_t>(static_cast<std::uint64_t>(std::max<off_t>(st.st_size, 0)), limit);
    bytes.resize(size);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd.Get(), bytes.data() + done, size - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    ::flock(fd.Get(), LOCK_UN);
    return true;
}

std::vector<ConnectLogRecord> ParseConnectLog(const std::string& bytes)
{
    std::vector<ConnectLogRecord> out;
    ParseConnectLog(bytes, out);
    return out;
}

void ParseConnectLog(const std::string& bytes, std::vector<ConnectLogRecord>& out)
{
    out.clear();
    if (bytes.size() < static_cast<std::size_t>(kConnectLogHeaderSize))
        return;
    const auto* base = reinterpret_cast<const unsigned char*>(bytes.data());
    const ConnectLogHeader header = DecodeConnectLogHeader(base);
    const std::size_t inFile = std::min<std::size_t>(
        (bytes.size() - kConnectLogHeaderSize) / kConnectLogRecordSize, kConnectLogSlots);
    out.reserve(inFile);
    auto take = [&](std::size_t slot) {
        if (slot < inFile)
            out.push_back(DecodeConnectLogRecord(base + kConnectLogHeaderSize + slot * kConnectLogRecordSize));
    };
    const bool wrapped = header.wrapped != 0 && header.next < static_cast<std::uint32_t>(kConnectLogSlots);
    if (!wrapped) {
        for (std::size_t i = 0; i < inFile; ++i)
            take(i);
        return;
    }
    for (std::size_t i = header.next; i < static_cast<std::size_t>(kConnectLogSlots); ++i)
        take(i);
    for (std::size_t i = 0; i < header.next; ++i)
        take(i);
}
