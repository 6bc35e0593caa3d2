#include "net/FirmwareUpgrade.h"

#include "net/NetMessages.h"
#include "net/Wire.h"
#include "platform/Trace.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kRowTypes[kFirmwareRows] = {0, 3, 4, 5, 6};

// Days since 1970-01-01 of a proleptic Gregorian date (month 1-12).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

bool IsLeap(int y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

// A decimal field at `at`: blanks skipped, then digits up to the first
// non-digit, which must lie inside the bytes (else the number may be cut).
bool ReadField(const std::uint8_t* b, std::size_t n, std::size_t at, int& value)
{
    while (at < n && b[at] == ' ')
        ++at;
    int v = 0, digits = 0;
    while (at < n && b[at] >= '0' && b[at] <= '9') {
        v = v * 10 + (b[at] - '0');
        if (++digits > 6)
            return false;
        ++at;
    }
    if (digits == 0 || at >= n)
        return false;
    value = v;
    return true;
}

// Text of at most `limit` bytes (up to its first zero).
std::string BoundedText(const void* p, std::size_t limit)
{
    const char* c = static_cast<const char*>(p);
    return std::string(c, strnlen(c, limit));
}

bool ReadExactly(int fd, std::uint64_t offset, std::uint8_t* buffer, std::size_t count)
{
    while (count > 0) {
        const ssize_t n = ::pread(fd, buffer, count, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        buffer += n;
        offset += static_cast<std::uint64_t>(n);
        count -= static_cast<std::size_t>(n);
    }
    return true;
}

// Opens a regular file for reading; -1 for anything else (a FIFO would block
// the caller, a device or folder is no image).
int OpenRegular(const std::string& path, std::uint64_t& size)
{
    if (path.size() > kFirmwarePathLimit)
        return -1;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    // Back to blocking reads for the upload.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    size = static_cast<std::uint64_t>(st.st_size);
    return fd;
}

struct FdCloser
{
    int fd;
    ~FdCloser()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

int GetIdxToType(int row)
{
    return row >= 0 && row < kFirmwareRows ? kRowTypes[row] : -1;
}

int GetTypeToIdx(int type)
{
    for (int row = 0; row < kFirmwareRows; ++row) {
        if (kRowTypes[row] == type)
            return row;
    }
    TRACE("GetTypeToIdx");
    return -1;
}

int ParseBuildDate(const std::uint8_t* bytes, std::size_t count, std::uint32_t& time)
{
    static const char* const kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::size_t n = std::min(count, kFirmwareProbeSize);
    const auto* open = static_cast<const std::uint8_t*>(std::memchr(bytes, '(', n));
    if (open == nullptr) {
        TRACE("can't find < ( >...\n");
        return -1;
    }
    const std::size_t p = static_cast<std::size_t>(open - bytes);
    int month = -1;
    if (p + 4 <= n) {
        for (int m = 0; m < 12; ++m) {
            if (std::memcmp(bytes + p + 1, kMonths[m], 3) == 0)
                month = m;
        }
    }
    if (month < 0) {
        TRACE("can't find month!\n");
        return -1;
    }
    int day = 0, year = 0, hour = 0, minute = 0, second = 0;
    if (!ReadField(bytes, n, p + 5, day) || !ReadField(bytes, n, p + 8, year) ||
        !ReadField(bytes, n, p + 15, hour) || !ReadField(bytes, n, p + 18, minute) ||
        !ReadField(bytes, n, p + 21, second))
        return -1;
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    // The recorder counts 32-bit seconds from 1970.
    if (year < 1970 || year > 2105 || hour > 23 || minute > 59 || second > 59 || day < 1 ||
        day > kDays[month] + (month == 1 && IsLeap(year) ? 1 : 0))
        return -1;
    // Local wall-clock time is the recorder's scale: the calendar time read
    // as UTC, the same for every zone and daylight saving.
    const std::int64_t t =
        DaysFromCivil(year, static_cast<unsigned>(month + 1), static_cast<unsigned>(day)) * 86400 +
        hour * 3600 + minute * 60 + second;
    time = static_cast<std::uint32_t>(t);
    return 0;
}

bool ProbeFirmwareBytes(std::uint64_t fileSize, const std::uint8_t* head, std::size_t headLength,
                        const std::uint8_t* tail, const HelloRecord& hello, FirmwareImageInfo& info)
{
    info = FirmwareImageInfo();
    if (fileSize < kFirmwareProbeSize || headLength < kFirmwareProbeSize || head == nullptr)
        return false;
    const std::uint8_t* probe = head;

    if (std::memcmp(probe + 3, "VBoot", 5) == 0) {
        if (BoundedText(probe + 4, 11) != BoundedText(hello.FirmName[0], 32))
            return false;
        std::uint32_t t = 0;
        if (ParseBuildDate(probe, kFirmwareProbeSize, t) != 0)
            return false;
        info.boot = true;
        info.type = 0;
        info.version = t;
        std::memcpy(info.name.data(), probe, 15);
        return true;
    }

    const std::uint8_t* header = probe;
    if (ReadLE32(probe) == 0xEA000014) {
        if (tail == nullptr)
            return false;
        header = tail;
    }
    const std::uint8_t* name = header + 32;
    if (std::memchr(name, 0, 32) == nullptr || name[0] == 0)
        return false;
    const std::string text = BoundedText(name, 32);
    int type = -1;
    for (int j = 0; j < 20; ++j) {
        if (BoundedText(hello.FirmName[j], 32) == text) {
            type = j;
            break;
        }
    }
    if (type < 0 || GetTypeToIdx(type) < 0)
        return false;
    info.type = type;
    info.version = ReadBE32(header + 8);
    std::memcpy(info.name.data(), name, 32);
    return true;
}

bool ProbeFirmwareImage(const std::string& path, const HelloRecord& hello, FirmwareImageInfo& info)
{
    info = FirmwareImageInfo();
    std::uint64_t size = 0;
    const int fd = OpenRegular(path, size);
    if (fd < 0)
        return false;
    FdCloser closer{fd};
    std::uint8_t probe[kFirmwareProbeSize];
    std::uint8_t tail[64];
    if (size < kFirmwareProbeSize || !ReadExactly(fd, 0, probe, sizeof probe))
        return false;
    const bool tailRead =
        ReadLE32(probe) == 0xEA000014 && ReadExactly(fd, size - sizeof tail, tail, sizeof tail);
    return ProbeFirmwareBytes(size, probe, sizeof probe, tailRead ? tail : nullptr, hello, info);
}

std::array<std::uint8_t, kFwUpdateRequestSize> MakeFwUpdateRequest(std::uint32_t version, int type,
                                                                   const std::array<std::uint8_t, 32>& name)
{
    std::array<std::uint8_t, kFwUpdateRequestSize> r{};
    WriteBE32(r.data() + 4, version);
    r[16] = static_cast<std::uint8_t>(type);
    std::memcpy(r.data() + 21, name.data(), 32);
    return r;
}

int ScanFirmwareFolder(const std::string& folder, const HelloRecord& hello,
                       std::array<FirmwareComponentRecord, 20>& records)
{
    records.fill(FirmwareComponentRecord());
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return 0;
    std::string base = folder;
    if (!base.empty() && base.back() != '/')
        base += '/';
    int accepted = 0;
    while (const dirent* e = ::readdir(dir)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
            continue;
        const std::string path = base + e->d_name;
        FirmwareImageInfo info;
        if (!ProbeFirmwareImage(path, hello, info))
            continue;
        const int row = GetTypeToIdx(info.type);
        FirmwareComponentRecord& rec = records[row];
        if (info.version > hello.FirmVer[info.type] && info.version > rec.version) {
            rec.selected = true;
            rec.version = info.version;
            rec.path = path;
            rec.request = MakeFwUpdateRequest(info.version, info.type, info.name);
            ++accepted;
        }
    }
    ::closedir(dir);
    return accepted;
}

FwUploadResult RunFirmwareUpload(std::uint64_t total, FwUploadIo& io, const std::atomic<bool>& stop)
{
    std::vector<std::uint8_t> buffer(kFirmwareChunk);
    std::uint64_t remaining = total;
    if (total == 0)
        return FwUploadResult::Truncated;
    while (remaining > 0) {
        if (stop.load())
            return FwUploadResult::Stopped;
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kFirmwareChunk, remaining));
        // Whole chunks only: a file that ends early is not an image to send.
        std::size_t got = 0;
        while (got < want) {
            const long n = io.read(buffer.data() + got, want - got);
            if (n <= 0)
                return FwUploadResult::Truncated;
            got += static_cast<std::size_t>(n);
        }
        const bool last = remaining <= kFirmwareChunk;
        if (!io.send(buffer.data(), want, last))
            return FwUploadResult::SendFailed;
        if (last) {
            if (io.progress)
                io.progress(100);
            return FwUploadResult::Done;
        }
        remaining -= want;
        if (io.progress)
            io.progress(static_cast<int>((total - remaining) * 100 / total));
    }
    return FwUploadResult::Done;
}

FwUploadResult UploadFirmwareFile(const std::string& path, FwUploadIo& io, const std::atomic<bool>& stop)
{
    std::uint64_t size = 0;
    const int fd = OpenRegular(path, size);
    if (fd < 0)
        return FwUploadResult::OpenFailed;
    FdCloser closer{fd};
    FwUploadIo fileIo = io;
    fileIo.read = [fd](std::uint8_t* b, std::size_t n) -> long {
        for (;;) {
            const ssize_t r = ::read(fd, b, n);
            if (r < 0 && errno == EINTR)
                continue;
            return static_cast<long>(r);
        }
    };
    return RunFirmwareUpload(size, fileIo, stop);
}

// ---------------------------------------------------------------------------
// CFirmwareSession

void CFirmwareSession::Init(const std::array<FirmwareComponentRecord, 20>& records)
{
    m_bStartShown = true;
    m_bStartEnabled = false;
    for (int row = 0; row < kFirmwareRows; ++row) {
        m_rows[row] = records[row];
        const bool has = m_rows[row].selected;
        m_ticked[row] = has;
        m_checkEnabled[row] = has;
        m_status[row] = 0;
        m_progress[row] = 0;
        if (has)
            m_bStartEnabled = true;
    }
}

void CFirmwareSession::SetTicked(int row, bool ticked)
{
    if (row < 0 || row >= kFirmwareRows || !m_checkEnabled[row])
        return;
    m_ticked[row] = ticked;
    UpdateStartButton();
}

void CFirmwareSession::UpdateStartButton()
{
    int count = 0;
    for (int row = 0; row < kFirmwareRows; ++row)
        count += m_ticked[row] && m_checkEnabled[row];
    m_bStartShown = true;
    m_bStartEnabled = count > 0;
}

CFirmwareSession::Action CFirmwareSession::SendNext()
{
    int row = m_nCurrent;
    while (row < kFirmwareRows && !(m_rows[row].selected && m_ticked[row]))
        ++row;
    m_nCurrent = row;
    if (row < kFirmwareRows) {
        m_bStartShown = false;
        m_bStopShown = true;
        m_bStopEnabled = true;
        m_rows[row].selected = false;
        return Action::SendRequest;
    }
    m_nStatusMode = 0;
    m_bStartShown = true;
    m_bStartEnabled = false;
    m_bStopShown = false;
    m_bCloseEnabled = true;
    for (int r = 0; r < kFirmwareRows; ++r) {
        if (m_rows[r].selected)
            m_checkEnabled[r] = true;
    }
    m_nCurrent = 0;
    return Action::None;
}

CFirmwareSession::Action CFirmwareSession::OnStart()
{
    if (m_bUploading)
        return Action::None;
    return SendNext();
}

CFirmwareSession::Action CFirmwareSession::StopThenGoOn()
{
    if (m_bUploading) {
        // The next request waits for the upload's end, which its own thread
        // reports; the window never waits for it.
        m_bGoOnAfterUpload = true;
        return Action::StopUpload;
    }
    return SendNext();
}

CFirmwareSession::Action CFirmwareSession::OnStop()
{
    m_bCloseEnabled = true;
    if (m_nCurrent < kFirmwareRows)
        m_status[m_nCurrent] = IDS_FW_STATUS_STOPPED;
    m_nStatusMode = 0;
    return m_bUploading ? Action::StopUpload : Action::None;
}

CFirmwareSession::Action CFirmwareSession::OnAnswer(unsigned msg, int reason)
{
    const int row = m_nCurrent < kFirmwareRows ? m_nCurrent : -1;
    auto status = [&](int id) {
        if (row >= 0)
            m_status[row] = id;
    };
    switch (msg) {
    case WM_FW_UPDATE_ACK:
        if (m_bUploading || row < 0)
            return Action::None;
        m_bUploading = true;
        m_nStatusMode = 1;
        m_bCloseEnabled = false;
        m_bStopEnabled = true;
        for (int r = 0; r < kFirmwareRows; ++r)
            m_checkEnabled[r] = false;
        return Action::StartUpload;
    case WM_FW_UPDATE_NACK:
        m_nStatusMode = 0;
        if (reason == 1)
            status(IDS_FW_STATUS_NACK_1);
        else if (reason == 17)
            status(IDS_FW_STATUS_NACK_17);
        else if (reason == 18)
            status(IDS_FW_STATUS_NACK_18);
        return StopThenGoOn();
    case WM_FW_DATA_RX_DONE:
        m_nStatusMode = 3;
        return Action::None;
    case WM_FW_DATA_RX_FAIL:
    case WM_FW_UPDATE_FAIL:
        status(IDS_FW_STATUS_FAILED);
        m_nStatusMode = 0;
        return StopThenGoOn();
    case WM_FW_UPDATE_DONE:
        status(IDS_FW_STATUS_DONE);
        m_nStatusMode = 0;
        ++m_nDoneCount;
        return StopThenGoOn();
    default:
        return Action::None;
    }
}

CFirmwareSession::Action CFirmwareSession::OnUploadEnded(FwUploadResult result)
{
    if (!m_bUploading)
        return Action::None;
    m_bUploading = false;
    m_bStopEnabled = false;
    if (result == FwUploadResult::Truncated && m_nCurrent < kFirmwareRows) {
        m_status[m_nCurrent] = IDS_FW_STATUS_FAILED;
        m_nStatusMode = 0;
    }
    if (result != FwUploadResult::Done)
        m_bCloseEnabled = true;
    if (result == FwUploadResult::OpenFailed)
        m_bStopEnabled = true;
    if (m_bGoOnAfterUpload) {
        m_bGoOnAfterUpload = false;
        return SendNext();
    }
    return Action::None;
}
