#include "net/BackupWriter.h"

#include "net/NetMessages.h"
#include "net/Wire.h"
#include "platform/Paths.h"
#include "platform/Trace.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>

using namespace BackupFormat;

namespace {

void PutLE32(std::uint8_t* p, std::uint32_t v)
{
    WriteLE32(p, v);
}

void PutLE16(std::uint8_t* p, std::uint16_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

std::uint32_t SystemClock()
{
    return static_cast<std::uint32_t>(std::time(nullptr));
}

// Zeros for the index area of a new .idx (summary and 1024 entry slots).
const std::uint8_t* ZeroIndexArea()
{
    static const std::vector<std::uint8_t> zeros(kItemListOffset - kHeaderSize, 0);
    return zeros.data();
}

} // namespace

// ---------------------------------------------------------------------------
// CBackupSetWriter

CBackupSetWriter::CBackupSetWriter(BackupSetOptions options) : m_opt(std::move(options))
{
    m_fs = m_opt.fileSystem ? m_opt.fileSystem : std::make_shared<CPosixBackupFileSystem>();
    if (!m_opt.clock)
        m_opt.clock = SystemClock;
    // Offsets in the set are 32-bit, and the index has 1024 slots.
    m_opt.splitSize = std::clamp<std::uint64_t>(m_opt.splitSize, 1, kSplitSize);
    m_opt.entryLimit = std::clamp<std::size_t>(m_opt.entryLimit, 1, kEntrySlots);
}

CBackupSetWriter::~CBackupSetWriter()
{
    Close();
}

void CBackupSetWriter::FillStem(std::uint8_t* at) const
{
    std::memset(at, 0, 16);
    const char* stem = m_opt.servedModel ? "kola5500" : "mira3140";
    std::memcpy(at, stem, std::strlen(stem));
}

bool CBackupSetWriter::Fail(int err, bool creating)
{
    if (m_failure == BackupFailure::None) {
        m_failureErrno = err;
        const BackupFailure kind = ClassifyWriteError(err);
        m_failure = creating && kind != BackupFailure::DiskFull ? BackupFailure::NotCreatable : kind;
        TRACE("CBackupWriter: file error %d\n", err);
    }
    return false;
}

std::uint32_t CBackupSetWriter::NextStamp()
{
    // The local side chains sets by equal stamps, so no two may be equal even
    // when two splits fall into one second.
    std::uint32_t t = m_opt.clock();
    if (t <= m_nLastStamp)
        t = m_nLastStamp + 1;
    m_nLastStamp = t;
    return t;
}

std::string CBackupSetWriter::TimeName(std::uint32_t stamp) const
{
    char leaf[16];
    std::snprintf(leaf, sizeof leaf, "%x", stamp);
    return leaf;
}

bool CBackupSetWriter::SetNameUsed(const std::string& base, bool splits)
{
    std::vector<std::string> names;
    m_fs->ListFolder(m_opt.folder, names);
    for (const std::string& file : names) {
        const std::size_t dot = file.rfind('.');
        if (dot == std::string::npos || file.size() - dot != 4)
            continue;
        std::string ext = file.substr(dot + 1);
        for (char& c : ext)
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        if (ext != "idx" && ext != "vih" && ext != "vid")
            continue;
        const std::string stem = file.substr(0, dot);
        if (stem == base)
            return true;
        // base_NNN: a split set of an earlier download under this name.
        if (splits && stem.size() > base.size() + 1 && stem.compare(0, base.size(), base) == 0 &&
            stem[base.size()] == '_' &&
            stem.find_first_not_of("0123456789", base.size() + 1) == std::string::npos)
            return true;
    }
    return false;
}

bool CBackupSetWriter::Open()
{
    if (m_bOpen || m_bClosed || !m_setFiles.empty())
        return m_failure == BackupFailure::None;
    if (const int err = m_fs->CreateFolders(m_opt.folder)) {
        m_bClosed = true;
        return Fail(err, true);
    }
    m_nLastStamp = m_opt.clock();
    // An earlier download is never replaced: a used name takes the first free
    // "-N" (its own splits then follow as name-N_001, ...); a time name moves
    // on to the next free second.
    m_strName = Paths::CleanFileName(m_opt.name);
    if (m_strName.empty()) {
        while (SetNameUsed(TimeName(m_nLastStamp), false))
            ++m_nLastStamp;
    } else {
        const std::string typed = m_strName;
        for (int n = 2; SetNameUsed(m_strName, true); ++n)
            m_strName = typed + "-" + std::to_string(n);
    }
    if (!OpenSet(0)) {
        m_bClosed = true;
        return false;
    }
    return true;
}

bool CBackupSetWriter::OpenSet(std::uint32_t stamp)
{
    std::string folder = m_opt.folder;
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    char leaf[64];
    if (m_strName.empty()) {
        // Named by the time: the first set by the PC time, later ones by their
        // split stamp, which is never repeated.
        m_strBase = folder + TimeName(stamp != 0 ? stamp : m_nLastStamp);
    } else if (m_nSetIndex == 0) {
        m_strBase = folder + m_strName;
    } else {
        std::snprintf(leaf, sizeof leaf, "_%03d", m_nSetIndex);
        m_strBase = folder + m_strName + leaf;
    }
    const std::array<std::string, 3> paths{m_strBase + ".idx", m_strBase + ".vih", m_strBase + ".vid"};
    m_setFiles.push_back(paths);

    std::unique_ptr<IBackupFile>* files[3] = {&m_idx, &m_vih, &m_vid};
    for (int i = 0; i < 3; ++i) {
        if (const int err = m_fs->Create(paths[i], *files[i])) {
            for (auto* f : files) {
                if (*f)
                    (*f)->Close();
                f->reset();
            }
            return Fail(err, true);
        }
    }

    std::uint8_t header[kHeaderSize] = {};
    FillStem(header);
    PutLE32(header + 16, kHeaderMagic);
    PutLE32(header + 32, stamp);
    int err = 0;
    for (auto* f : files) {
        if (!err)
            err = (*f)->Append(header, sizeof header);
    }
    if (!err)
        err = m_idx->Append(ZeroIndexArea(), kItemListOffset - kHeaderSize);
    m_bOpen = true;
    m_nSplitStamp = stamp;
    m_nSetBytes = 0;
    m_nEntryCount = 0;
    m_nMinStart = m_nMaxEnd = 0;
    m_nIdxItemPos = static_cast<std::uint32_t>(kItemListOffset);
    m_seg = Segment();
    // Each set's first frame gets a second item, whatever second it shares
    // with the set before.
    m_bItemDue = true;
    m_bHaveSecond = false;
    if (err) {
        Fail(err);
        return false;
    }
    return true;
}

void CBackupSetWriter::StartSegment(const std::uint8_t* prefix)
{
    m_seg = Segment();
    m_seg.active = true;
    m_seg.number = ReadLE32(prefix + 40);
    m_seg.firstKind = m_seg.currentKind = prefix[50];
    m_seg.startTime = m_seg.endTime = ReadLE32(prefix + 24);
    m_seg.itemPos = m_nIdxItemPos;
}

bool CBackupSetWriter::WriteIdxEntry()
{
    if (m_nEntryCount >= kEntrySlots)
        return Fail(EFBIG);
    std::uint8_t e[kEntrySize] = {};
    const std::uint8_t* last = m_seg.lastPrefix.data();
    FillStem(e);
    PutLE32(e + 16, kEntryMagic);
    PutLE32(e + 24, m_seg.startTime);
    PutLE32(e + 28, m_seg.endTime);
    PutLE32(e + 32, m_seg.itemPos);
    PutLE32(e + 36, m_seg.channelMask);
    PutLE32(e + 40, 1);
    PutLE32(e + 44, m_seg.channelMask);
    e[48] = last[48];
    e[49] = last[49];
    e[50] = m_seg.firstKind != 0 ? m_seg.firstKind : m_seg.currentKind;
    e[51] = last[51];
    const std::uint16_t other = m_seg.firstKind != 0
                                    ? m_seg.otherKindMask
                                    : static_cast<std::uint16_t>(m_seg.otherKindMask ^ m_seg.channelMask);
    PutLE16(e + 54, other);
    e[60] = m_seg.firstKind != 0 ? m_seg.currentKind : 0;
    for (int ch = 0; ch < 16; ++ch)
        PutLE32(e + 80 + 4 * ch, static_cast<std::uint32_t>(m_seg.channelBytes[ch]));
    if (const int err = m_idx->WriteAt(kEntryOffset + kEntrySize * m_nEntryCount, e, sizeof e))
        return Fail(err);
    if (m_nEntryCount == 0 || m_seg.startTime < m_nMinStart)
        m_nMinStart = m_seg.startTime;
    if (m_nEntryCount == 0 || m_seg.endTime > m_nMaxEnd)
        m_nMaxEnd = m_seg.endTime;
    ++m_nEntryCount;
    return true;
}

void CBackupSetWriter::CloseSet(std::uint32_t trailerStamp)
{
    if (!m_bOpen)
        return;
    if (m_seg.active && m_seg.frames > 0)
        WriteIdxEntry();
    m_seg.active = false;

    std::uint8_t trailer[kTrailerSize] = {};
    FillStem(trailer);
    PutLE32(trailer + 16, kTrailerMagic);
    PutLE32(trailer + 36, m_nLastVihPos);
    // A trailer that does not fit is cut away whole: the local side finds the
    // last record at the file's end less 64 bytes.
    auto appendWhole = [this](IBackupFile& f, const std::uint8_t* bytes) {
        const std::uint64_t end = f.Size();
        if (const int err = f.Append(bytes, kTrailerSize)) {
            f.Truncate(end);
            Fail(err);
        }
    };
    appendWhole(*m_vih, trailer);
    appendWhole(*m_vid, trailer);

    std::uint8_t summary[kSummarySize] = {};
    FillStem(summary);
    PutLE32(summary + 16, kSummaryMagic);
    PutLE32(summary + 24, m_nMinStart);
    PutLE32(summary + 28, m_nMaxEnd);
    PutLE32(summary + 32, static_cast<std::uint32_t>(m_nEntryCount));
    if (const int err = m_idx->WriteAt(kSummaryOffset, summary, sizeof summary))
        Fail(err);
    PutLE32(trailer + 32, trailerStamp);
    PutLE32(trailer + 36, 0);
    appendWhole(*m_idx, trailer);

    for (auto* f : {&m_idx, &m_vih, &m_vid}) {
        if (const int err = (*f)->Close())
            Fail(err);
        f->reset();
    }
    m_nEntryCount = 0;
    m_bOpen = false;
}

void CBackupSetWriter::Close()
{
    if (m_bClosed)
        return;
    // The download's last set continues nowhere: its end stamp stays 0 even
    // when it was just about to split.
    CloseSet(0);
    m_bSplitPending = false;
    m_bClosed = true;
}

std::string CBackupSetWriter::SetName() const
{
    if (m_setFiles.empty())
        return {};
    const std::string& idx = m_setFiles.front()[0];
    const std::size_t slash = idx.rfind('/');
    const std::string leaf = slash == std::string::npos ? idx : idx.substr(slash + 1);
    return leaf.substr(0, leaf.size() - 4);
}

bool CBackupSetWriter::WriteFrame(const std::uint8_t* frame, std::size_t length)
{
    if (m_bClosed || m_failure != BackupFailure::None)
        return false;
    if (!m_bOpen && m_setFiles.empty() && !Open())
        return false;
    if (length < kPrefixSize + kFrameHeadSize)
        return true;
    const std::uint8_t* prefix = frame;
    const std::uint32_t time = ReadLE32(prefix + 24);
    const std::uint32_t segment = ReadLE32(prefix + 40);
    const std::uint8_t kind = prefix[50];
    const std::uint8_t* head = frame + kPrefixSize;
    const int channel = static_cast<int>(ReadLE32(head + 8) & 0xF);
    const std::uint32_t dataSize = ReadLE32(head + 20) & 0xFFFFF;

    auto split = [this]() {
        // The next set's name is settled before this one is closed: a time
        // name is the stamp, which both trailer and header then carry.
        std::uint32_t stamp = NextStamp();
        ++m_nSetIndex;
        if (m_strName.empty()) {
            while (SetNameUsed(TimeName(stamp), false))
                stamp = NextStamp();
        } else {
            char leaf[16];
            for (;;) {
                std::snprintf(leaf, sizeof leaf, "_%03d", m_nSetIndex);
                if (!SetNameUsed(m_strName + leaf, false))
                    break;
                ++m_nSetIndex;
            }
        }
        CloseSet(stamp);
        if (m_failure != BackupFailure::None)
            return false;
        return OpenSet(stamp);
    };
    if (m_bSplitPending) {
        m_bSplitPending = false;
        if (!split())
            return false;
    }
    if (m_seg.active && segment != m_seg.number) {
        if (m_nEntryCount + 1 >= m_opt.entryLimit) {
            // The index is full once this segment is in: the set splits as it
            // does at the size limit, and the file format stays as it is.
            if (!split())
                return false;
        } else {
            if (!WriteIdxEntry())
                return false;
            m_bItemDue = true;
            m_seg.active = false;
        }
    }
    if (!m_seg.active)
        StartSegment(prefix);

    const std::uint64_t vihPos = m_vih->Size();
    const std::uint64_t vidPos = m_vid->Size();
    const std::uint64_t idxEnd = m_idx->Size();
    std::uint8_t record[kPrefixSize];
    std::memcpy(record, prefix, kPrefixSize);
    PutLE32(record + 32, m_nPrevVihPos);
    PutLE32(record + 44, static_cast<std::uint32_t>(vidPos));
    int err = m_vih->Append(record, sizeof record);
    if (!err)
        err = m_vid->Append(frame + kPrefixSize, length - kPrefixSize);
    const bool item = !m_bHaveSecond || time != m_nLastSecond || m_bItemDue;
    if (!err && item) {
        std::uint8_t bytes[kItemSize] = {};
        PutLE32(bytes, static_cast<std::uint32_t>(vihPos));
        err = m_idx->Append(bytes, sizeof bytes);
    }
    if (err) {
        // Nothing of this frame stays: the set ends with the last whole one.
        m_vih->Truncate(vihPos);
        m_vid->Truncate(vidPos);
        m_idx->Truncate(idxEnd);
        return Fail(err);
    }

    m_nLastVihPos = static_cast<std::uint32_t>(vihPos);
    m_nPrevVihPos = m_nLastVihPos;
    if (item) {
        m_nIdxItemPos = static_cast<std::uint32_t>(m_idx->Size());
        m_nLastSecond = time;
        m_bHaveSecond = true;
        m_bItemDue = false;
    }
    if (dataSize > 0) {
        m_seg.channelMask |= 1u << channel;
        if (kind != m_seg.firstKind) {
            m_seg.otherKindMask = static_cast<std::uint16_t>(m_seg.otherKindMask | (1u << channel));
            m_seg.currentKind = kind;
        }
        m_seg.channelBytes[channel] += length - kPrefixSize;
    }
    ++m_seg.frames;
    m_seg.endTime = time;
    std::memcpy(m_seg.lastPrefix.data(), prefix, kPrefixSize);
    m_nTotalBytes += length;
    m_nSetBytes += length;
    ++m_nFrames;
    if (m_nSetBytes > m_opt.splitSize)
        m_bSplitPending = true;
    return true;
}

// ---------------------------------------------------------------------------
// CBackupQueue

bool CBackupQueue::Push(BackupItem item, const std::atomic<bool>* abort)
{
    const std::size_t size = item.Footprint();
    std::unique_lock<std::mutex> lock(m_lock);
    bool counted = false;
    while (!m_bClosed && !m_items.empty() && m_bytes + size > m_limit) {
        if (!counted) {
            m_waits.fetch_add(1);
            counted = true;
        }
        if (abort != nullptr && abort->load())
            return false;
        // Closing wakes the wait at once; the bound only lets the abort flag
        // of a producer that nobody wakes be seen.
        m_roomOrClosed.wait_for(lock, std::chrono::milliseconds(50));
    }
    if (m_bClosed)
        return false;
    m_items.push_back(std::move(item));
    m_bytes += size;
    if (m_bytes > m_peak.load())
        m_peak = m_bytes;
    lock.unlock();
    m_itemOrClosed.notify_one();
    return true;
}

bool CBackupQueue::Pop(BackupItem& item)
{
    std::unique_lock<std::mutex> lock(m_lock);
    m_itemOrClosed.wait(lock, [this] { return !m_items.empty() || m_bClosed; });
    if (m_items.empty())
        return false;
    item = std::move(m_items.front());
    m_items.pop_front();
    m_bytes -= item.Footprint();
    lock.unlock();
    m_roomOrClosed.notify_all();
    return true;
}

void CBackupQueue::Close(bool discard)
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_bClosed = true;
        if (discard) {
            m_items.clear();
            m_bytes = 0;
        }
    }
    m_itemOrClosed.notify_all();
    m_roomOrClosed.notify_all();
}

std::size_t CBackupQueue::Bytes() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_bytes;
}

void CBackupQueue::Recycle(std::unique_ptr<std::uint8_t[]> block, std::size_t room)
{
    // Enough for the frames in flight between the two threads.
    constexpr std::size_t kMaxSpares = 4;
    if (!block)
        return;
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_spares.size() < kMaxSpares)
        m_spares.emplace_back(std::move(block), room);
}

std::unique_ptr<std::uint8_t[]> CBackupQueue::TakeSpare(std::size_t& room)
{
    std::lock_guard<std::mutex> lock(m_lock);
    room = 0;
    if (m_spares.empty())
        return nullptr;
    auto spare = std::move(m_spares.back());
    m_spares.pop_back();
    room = spare.second;
    return std::move(spare.first);
}

// ---------------------------------------------------------------------------
// CBackupWriter

CBackupWriter::CBackupWriter(IBackupWriterHost& host, std::uint32_t totalKB, BackupSetOptions options,
                             std::size_t queueBytes)
    : m_host(host), m_queue(std::make_shared<CBackupQueue>(queueBytes)), m_set(std::move(options))
{
    m_host.PostTransfer(WM_TRANSFER_START, totalKB);
    m_thread = std::thread([this] { Thread_Transfer(); });
}

CBackupWriter::~CBackupWriter()
{
    DestroyWindow();
}

void CBackupWriter::Stop()
{
    m_queue->Close(false);
    if (m_thread.joinable())
        m_thread.join();
}

void CBackupWriter::DestroyWindow()
{
    m_queue->Close(true);
    if (m_thread.joinable())
        m_thread.join();
}

std::vector<std::array<std::string, 3>> CBackupWriter::SetFiles() const
{
    std::lock_guard<std::mutex> lock(m_filesLock);
    return m_files;
}

std::string CBackupWriter::SetName() const
{
    std::lock_guard<std::mutex> lock(m_filesLock);
    return m_strSetName;
}

void CBackupWriter::Thread_Transfer()
{
    bool ok = m_set.Open();
    {
        std::lock_guard<std::mutex> lock(m_filesLock);
        m_strSetName = m_set.SetName();
    }
    std::uint64_t shown = 0;
    BackupItem item;
    while (ok && m_queue->Pop(item)) {
        if (item.end)
            break;
        ok = m_set.WriteFrame(item.Data(), item.Size());
        item.bytes.clear();
        item.bytes.shrink_to_fit();
        m_queue->Recycle(std::move(item.block), item.room);
        item.room = item.length = 0;
        const std::uint64_t total = m_set.TotalBytes();
        m_nTotalBytes = total;
        m_nFrames = m_set.FramesWritten();
        // The bar moves by whole 64 KB steps: a message per frame would only
        // load the GUI thread.
        if ((total >> 16) != (shown >> 16)) {
            shown = total;
            m_host.PostTransfer(WM_TRANSFER_PROGRESS, static_cast<WPARAM>(total >> 10));
        }
    }
    if (m_set.TotalBytes() != shown)
        m_host.PostTransfer(WM_TRANSFER_PROGRESS, static_cast<WPARAM>(m_set.TotalBytes() >> 10));
    // Stopped, ended or failed: whatever is still queued is not written.
    m_queue->Close(true);
    m_set.Close();
    {
        std::lock_guard<std::mutex> lock(m_filesLock);
        m_files = m_set.SetFiles();
    }
    const BackupFailure failure = m_set.Failure();
    if (failure != BackupFailure::None) {
        m_bFailed = true;
        m_host.NotifyWriteFailed(static_cast<int>(failure));
    }
    m_host.PostTransfer(WM_TRANSFER_END, 0);
    m_bDone = true;
    if (failure != BackupFailure::None)
        m_host.OnWriterFailed();
}

std::size_t CheckBackupFrame(const std::uint8_t* frame, std::size_t length)
{
    if (frame == nullptr || length < kPrefixSize + kFrameHeadSize)
        return 0;
    FrameHeaderFields f;
    ParseFrameHeader(frame + kPrefixSize, f);
    if (f.marker != kFrameMarker)
        return 0;
    // What is kept is what the header says the frame holds: the local side
    // reads video and audio by their own sizes, never by the stored size, so
    // a recorder that pads or miscounts that field loses nothing.
    const std::uint64_t body = std::uint64_t(f.data_size) + f.audio_size + kFrameHeadSize;
    const std::uint64_t keep = kPrefixSize + body;
    if (keep > length || keep > kMaxFrame)
        return 0;
    if (f.body_size != body)
        TRACE("CheckBackupFrame: stored size %u, frame %llu\n", f.body_size,
              static_cast<unsigned long long>(body));
    return static_cast<std::size_t>(keep);
}
