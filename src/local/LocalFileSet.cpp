#include "local/LocalFileSet.h"

#include "platform/Paths.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace BackupFormat;

// ---------------------------------------------------------------------------
// The file sources

namespace {

class CDiskReadable : public ILocalReadable
{
public:
    explicit CDiskReadable(int fd) : m_fd(fd) {}
    ~CDiskReadable() override { ::close(m_fd); }
    CDiskReadable(const CDiskReadable&) = delete;
    CDiskReadable& operator=(const CDiskReadable&) = delete;

    std::uint64_t Size() const override
    {
        struct stat st
        {
        };
        if (::fstat(m_fd, &st) != 0 || st.st_size < 0)
            return 0;
        return static_cast<std::uint64_t>(st.st_size);
    }
    long long ReadSome(std::uint64_t offset, void* bytes, std::size_t count) const override
    {
        for (;;) {
            const ssize_t n = ::pread(m_fd, bytes, count, static_cast<off_t>(offset));
            if (n < 0 && errno == EINTR)
                continue;
            return n;
        }
    }

private:
    int m_fd;
};

class CDiskFiles : public ILocalFileSource
{
public:
    bool IsRegularFile(const std::string& path) override
    {
        struct stat st
        {
        };
        return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    }
    std::vector<std::string> Names(const std::string& folder) override
    {
        std::vector<std::string> names;
        if (DIR* dir = ::opendir(folder.c_str())) {
            while (const dirent* d = ::readdir(dir))
                names.emplace_back(d->d_name);
            ::closedir(dir);
        }
        return names;
    }
    std::unique_ptr<ILocalReadable> Open(const std::string& path) override
    {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return nullptr;
        struct stat st
        {
        };
        // A folder named like a set file opens but cannot be read as one.
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            return nullptr;
        }
        return std::make_unique<CDiskReadable>(fd);
    }
};

class CMemoryReadable : public ILocalReadable
{
public:
    explicit CMemoryReadable(const std::string& bytes) : m_bytes(bytes) {}
    std::uint64_t Size() const override { return m_bytes.size(); }
    long long ReadSome(std::uint64_t offset, void* bytes, std::size_t count) const override
    {
        if (offset >= m_bytes.size())
            return 0;
        const std::size_t n = std::min<std::uint64_t>(count, m_bytes.size() - offset);
        std::memcpy(bytes, m_bytes.data() + offset, n);
        return static_cast<long long>(n);
    }

private:
    const std::string& m_bytes;
};

// Atomic: the player opens its sets on its own thread.
std::atomic<ILocalFileSource*> g_testSource{nullptr};

} // namespace

ILocalFileSource& LocalFileSource()
{
    static CDiskFiles disk;
    ILocalFileSource* source = g_testSource.load();
    return source != nullptr ? *source : disk;
}

void SetLocalFileSourceForTesting(ILocalFileSource* source)
{
    g_testSource.store(source);
}

std::vector<std::string> CLocalMemoryFiles::Names(const std::string& folder)
{
    std::string prefix = folder;
    if (prefix.empty() || prefix.back() != '/')
        prefix += '/';
    std::vector<std::string> names;
    for (auto it = m_files.lower_bound(prefix); it != m_files.end() && it->first.compare(0, prefix.size(), prefix) == 0;
         ++it) {
        const std::string name = it->first.substr(prefix.size());
        if (!name.empty() && name.find('/') == std::string::npos)
            names.push_back(name);
    }
    return names;
}

std::unique_ptr<ILocalReadable> CLocalMemoryFiles::Open(const std::string& path)
{
    const auto it = m_files.find(path);
    if (it == m_files.end())
        return nullptr;
    return std::make_unique<CMemoryReadable>(it->second);
}

// ---------------------------------------------------------------------------
// CLocalFile

bool CLocalFile::Open(const std::string& path)
{
    Close();
    if (path.empty())
        return false;
    m_file = LocalFileSource().Open(path);
    return m_file != nullptr;
}

void CLocalFile::Close()
{
    m_file.reset();
}

std::uint64_t CLocalFile::Size() const
{
    return m_file ? m_file->Size() : 0;
}

bool CLocalFile::ReadAt(std::uint64_t offset, void* bytes, std::size_t count) const
{
    if (!m_file)
        return false;
    auto* p = static_cast<std::uint8_t*>(bytes);
    while (count > 0) {
        const long long n = m_file->ReadSome(offset, p, count);
        if (n <= 0)
            return false;
        p += n;
        offset += static_cast<std::uint64_t>(n);
        count -= static_cast<std::size_t>(n);
    }
    return true;
}

std::uint32_t CLocalFile::ReadU32At(std::uint64_t offset, bool& ok) const
{
    std::uint8_t b[4];
    if (!ReadAt(offset, b, 4)) {
        ok = false;
        return 0;
    }
    return ReadLE32(b);
}

// ---------------------------------------------------------------------------
// Helpers

const char* LocalSetFaultName(LocalSetFault fault)
{
    switch (fault) {
    case LocalSetFault::None:
        return "none";
    case LocalSetFault::Missing:
        return "missing file";
    case LocalSetFault::Short:
        return "short file";
    case LocalSetFault::Magic:
        return "no header magic";
    case LocalSetFault::Summary:
        return "empty summary";
    case LocalSetFault::Entries:
        return "damaged entries";
    case LocalSetFault::Family:
        return "other model";
    }
    return "?";
}

bool IsFamilyStem(const std::uint8_t* header, std::size_t length)
{
    static const char kFamily[] = "kola5";
    if (header == nullptr)
        return false;
    const std::size_t n = std::min(length, kStemSize);
    for (std::size_t i = 0; i < 5; ++i) {
        if (i >= n || header[i] == 0)
            return false;
        if (std::tolower(header[i]) != kFamily[i])
            return false;
    }
    return true;
}

namespace {

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

bool IsRegularFile(const std::string& path)
{
    return LocalFileSource().IsRegularFile(path);
}

} // namespace

std::string FindSiblingFile(const std::string& path, const char* extension)
{
    const std::size_t dot = path.rfind('.');
    const std::size_t slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    const std::string stem = path.substr(0, dot + 1);
    // The writer's own lower case first; sets copied from other systems may
    // carry any case in the name.
    for (const std::string& ext : {std::string(extension), Lower(extension)}) {
        if (IsRegularFile(stem + ext))
            return stem + ext;
    }
    std::string upper = extension;
    std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
    if (IsRegularFile(stem + upper))
        return stem + upper;
    const std::string folder = slash == std::string::npos ? std::string(".") : path.substr(0, slash);
    const std::string want = Lower(path.substr(slash == std::string::npos ? 0 : slash + 1, dot - (slash + 1)) +
                                   "." + extension);
    for (const std::string& name : LocalFileSource().Names(folder)) {
        if (Lower(name) == want) {
            const std::string candidate = folder + "/" + name;
            if (IsRegularFile(candidate))
                return candidate;
        }
    }
    return {};
}

std::string LocalDownloadFolder(const std::string& location, bool readOnlyMedia, const std::string& currentDir)
{
    return Paths::Join(readOnlyMedia ? currentDir : location, "\\Download\\");
}

// ---------------------------------------------------------------------------
// CLocalFileSet

LocalSetFault CLocalFileSet::OpenFiles(const std::string& idxPath)
{
    Close();
    m_idxPath = idxPath;
    m_vihPath = FindSiblingFile(idxPath, "vih");
    m_vidPath = FindSiblingFile(idxPath, "vid");
    if (!m_idx.Open(m_idxPath) || !m_vih.Open(m_vihPath) || !m_vid.Open(m_vidPath)) {
        Close();
        m_idxPath = idxPath;
        return LocalSetFault::Missing;
    }
    return LocalSetFault::None;
}

void CLocalFileSet::Close()
{
    m_idx.Close();
    m_vih.Close();
    m_vid.Close();
}

std::uint32_t CLocalFileSet::StartStamp() const
{
    bool ok = true;
    const std::uint32_t v = m_idx.ReadU32At(kStampAt, ok);
    return ok ? v : 0;
}

std::uint32_t CLocalFileSet::EndStamp() const
{
    const std::uint64_t size = m_idx.Size();
    if (size < kItemListOffset + kTrailerSize)
        return 0;
    bool ok = true;
    const std::uint32_t v = m_idx.ReadU32At(size - kTrailerSize + kStampAt, ok);
    return ok ? v : 0;
}

std::uint32_t CLocalFileSet::FirstTime() const
{
    bool ok = true;
    const std::uint32_t v = m_idx.ReadU32At(kSummaryFirstAt, ok);
    return ok ? v : 0;
}

std::uint32_t CLocalFileSet::LastTime() const
{
    bool ok = true;
    const std::uint32_t v = m_idx.ReadU32At(kSummaryLastAt, ok);
    return ok ? v : 0;
}

int CLocalFileSet::EntryCount() const
{
    bool ok = true;
    const std::uint32_t count = m_idx.ReadU32At(kSummaryCountAt, ok);
    if (!ok)
        return 0;
    // The index area holds 1024 slots; a larger count would read the items as
    // entries.
    const std::uint64_t size = m_idx.Size();
    std::uint64_t held = 0;
    if (size > kEntryOffset)
        held = std::min<std::uint64_t>((size - kEntryOffset) / kEntrySize, kEntrySlots);
    return static_cast<int>(std::min<std::uint64_t>(count, held));
}

bool CLocalFileSet::ReadEntry(int k, LocalIdxEntry& e) const
{
    if (k < 0 || k >= static_cast<int>(kEntrySlots))
        return false;
    std::uint8_t b[kEntrySize];
    if (!m_idx.ReadAt(kEntryOffset + kEntrySize * static_cast<std::uint64_t>(k), b, sizeof b))
        return false;
    e.start = ReadLE32(b + kEntryStartAt);
    e.end = ReadLE32(b + kEntryEndAt);
    e.itemPos = ReadLE32(b + kEntryItemsAt);
    e.channelMask = ReadLE32(b + kEntryMaskAt) & ReadLE32(b + kEntryMask2At);
    e.audioWord = ReadLE32(b + kEntryAudioAt);
    e.eventType = b[kEntryEventAt];
    e.cameraFlags = static_cast<std::uint16_t>(b[kEntryFlagsAt] | (b[kEntryFlagsAt + 1] << 8));
    e.kind2 = b[kEntryKind2At];
    return true;
}

std::uint64_t CLocalFileSet::ItemAreaEnd() const
{
    const std::uint64_t size = m_idx.Size();
    return size >= kTrailerSize ? size - kTrailerSize : 0;
}

bool CLocalFileSet::ReadItem(std::uint64_t pos, std::uint32_t& vihOffset) const
{
    if (pos < kItemListOffset || pos + kItemSize > ItemAreaEnd())
        return false;
    bool ok = true;
    vihOffset = m_idx.ReadU32At(pos, ok);
    return ok;
}

std::uint32_t CLocalFileSet::VihRecordsEnd() const
{
    const std::uint64_t size = m_vih.Size();
    if (size < kHeaderSize + kTrailerSize)
        return static_cast<std::uint32_t>(kHeaderSize);
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(size - kTrailerSize, 0xFFFFFFFFu));
}

std::vector<std::uint32_t> CLocalFileSet::EntryRecordBounds() const
{
    const int n = EntryCount();
    const std::uint32_t end = VihRecordsEnd();
    std::vector<std::uint32_t> a(static_cast<std::size_t>(n) + 1, end);
    std::uint32_t floor = static_cast<std::uint32_t>(kHeaderSize);
    for (int k = 0; k < n; ++k) {
        LocalIdxEntry e;
        std::uint32_t first = end;
        if (ReadEntry(k, e) && ReadItem(e.itemPos, first))
            first = std::clamp(first, floor, end);
        else
            first = std::max(floor, end);
        a[static_cast<std::size_t>(k)] = first;
        floor = first;
    }
    return a;
}

bool CLocalFileSet::ReadRecord(std::uint32_t vihOffset, std::uint8_t* record) const
{
    if (vihOffset < kHeaderSize || static_cast<std::uint64_t>(vihOffset) + kPrefixSize > VihRecordsEnd())
        return false;
    return m_vih.ReadAt(vihOffset, record, kPrefixSize);
}

bool CLocalFileSet::ReadFrameHeader(std::uint32_t vidOffset, FrameHeaderFields& fields) const
{
    std::uint8_t b[kFrameHeadSize];
    if (vidOffset < kHeaderSize || !m_vid.ReadAt(vidOffset, b, sizeof b))
        return false;
    ParseFrameHeader(b, fields);
    return true;
}

LocalSetFault CLocalFileSet::Validate(LocalFamilyFile familyFile)
{
    std::uint8_t header[kHeaderSize];
    if (!m_idx.ReadAt(0, header, sizeof header))
        return LocalSetFault::Short;
    if (ReadLE32(header + kMagicAt) != kHeaderMagic)
        return LocalSetFault::Magic;
    std::uint8_t stem[kStemSize];
    const CLocalFile& checked = familyFile == LocalFamilyFile::Vid ? m_vid : m_idx;
    if (!checked.ReadAt(0, stem, sizeof stem))
        return LocalSetFault::Short;
    if (!IsFamilyStem(stem, sizeof stem))
        return LocalSetFault::Family;
    std::uint8_t vihHeader[kHeaderSize];
    if (!m_vih.ReadAt(0, vihHeader, sizeof vihHeader) || !m_vid.ReadAt(0, vihHeader, sizeof vihHeader))
        return LocalSetFault::Short;
    // Until the writer closes a set its summary stays zero and it has no
    // trailer: such a set is not yet one to read.
    if (m_idx.Size() < kItemListOffset + kTrailerSize)
        return LocalSetFault::Short;
    bool ok = true;
    const std::uint32_t count = m_idx.ReadU32At(kSummaryCountAt, ok);
    if (!ok || count == 0)
        return LocalSetFault::Summary;
    const int n = EntryCount();
    const std::uint32_t recordsEnd = VihRecordsEnd();
    std::uint32_t previous = static_cast<std::uint32_t>(kHeaderSize);
    for (int k = 0; k < n; ++k) {
        LocalIdxEntry e;
        std::uint32_t first = 0;
        if (!ReadEntry(k, e) || !ReadItem(e.itemPos, first))
            return LocalSetFault::Entries;
        if (first < previous || first >= recordsEnd || (first - kHeaderSize) % kPrefixSize != 0)
            return LocalSetFault::Entries;
        previous = first;
    }
    return LocalSetFault::None;
}

// ---------------------------------------------------------------------------
// The folder scan

LocalScanResult ScanDownloadFolder(const std::string& folder, LocalScan scan, std::size_t limit)
{
    LocalScanResult result;
    std::vector<std::string> names;
    std::string base = folder;
    if (!base.empty() && base.back() != '/')
        base += '/';
    for (std::string& file : LocalFileSource().Names(folder)) {
        if (file.size() > 4 && Lower(file.substr(file.size() - 4)) == ".idx" && IsRegularFile(base + file))
            names.push_back(std::move(file));
    }
    // A fixed order, so that equal first times keep one order from run to run.
    std::sort(names.begin(), names.end());
    const LocalFamilyFile family = scan == LocalScan::Play ? LocalFamilyFile::Vid : LocalFamilyFile::Idx;
    const std::size_t cap = scan == LocalScan::Calendar ? names.size() : std::min(limit, names.size());
    for (const std::string& file : names) {
        if (result.sets.size() >= cap)
            break;
        CLocalFileSet set;
        LocalSetFault fault = set.OpenFiles(base + file);
        if (fault == LocalSetFault::None)
            fault = set.Validate(family);
        const std::string name = file.substr(0, file.size() - 4);
        if (fault != LocalSetFault::None) {
            // Another model's sets are not ours to report as damaged.
            if (fault != LocalSetFault::Family) {
                if (result.skipped++ == 0) {
                    result.firstSkipped = name;
                    result.firstFault = fault;
                }
            }
            continue;
        }
        LocalSetRef ref;
        ref.name = name;
        ref.idxPath = base + file;
        ref.firstTime = set.FirstTime();
        ref.lastTime = set.LastTime();
        ref.startStamp = set.StartStamp();
        ref.endStamp = set.EndStamp();
        ref.entries = set.EntryCount();
        ref.bytes = set.m_idx.Size() + set.m_vih.Size() + set.m_vid.Size();
        result.sets.push_back(std::move(ref));
    }
    return result;
}
