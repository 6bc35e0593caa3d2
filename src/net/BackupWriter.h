// The download writer: backed-up frames become a set of three files in the
// Download folder, an .idx index, a .vih file of 192-byte frame records and a
// .vid file of frame data, split into further sets at a size or entry limit.
//
// CBackupSetWriter is the file logic alone (no threads), driven frame by
// frame; CBackupWriter runs it on a thread of its own behind a queue that is
// bounded in bytes, and tells the main window of start, progress and end.
#pragma once

#include "net/BackupFileLayer.h"
#include "net/NetHost.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace BackupFormat {
constexpr std::size_t kHeaderSize = 64;    // DownloadFileHeader
constexpr std::size_t kTrailerSize = 64;   // DownloadFileTrailer
constexpr std::size_t kPrefixSize = 192;   // RecordedFramePrefix = VihRecord
constexpr std::size_t kFrameHeadSize = 40; // FrameHeader after the prefix
constexpr std::size_t kSummaryOffset = 64; // IdxSummary, 128 bytes
constexpr std::size_t kSummarySize = 128;
constexpr std::size_t kEntryOffset = 192; // IdxEntry slots
constexpr std::size_t kEntrySize = 256;
constexpr std::size_t kEntrySlots = 1024;
constexpr std::uint64_t kItemListOffset = kEntryOffset + kEntrySize * kEntrySlots; // 262336
constexpr std::size_t kItemSize = 8;                                               // IdxSecondItem
constexpr std::uint32_t kHeaderMagic = 0x20070516;
constexpr std::uint32_t kTrailerMagic = 0x19720505;
constexpr std::uint32_t kSummaryMagic = 0xCAFECAFE;
constexpr std::uint32_t kEntryMagic = 0xBC987302;
constexpr std::uint64_t kSplitSize = 650ull * 1048576; // bytes of frames per set
// The longest frame the receive side reassembles (720 x 576 x 3).
constexpr std::size_t kMaxFrame = 1244160;

// Fields the local side reads back (little-endian offsets inside each record).
constexpr std::size_t kStemSize = 16;       // model stem text at 0 of every header
constexpr std::size_t kMagicAt = 16;        // header and trailer magic
constexpr std::size_t kStampAt = 32;        // header start stamp, trailer end stamp
constexpr std::size_t kSummaryFirstAt = 88; // .idx file offsets of the summary's words
constexpr std::size_t kSummaryLastAt = 92;
constexpr std::size_t kSummaryCountAt = 96;
constexpr std::size_t kEntryStartAt = 24; // IdxEntry
constexpr std::size_t kEntryEndAt = 28;
constexpr std::size_t kEntryItemsAt = 32;
constexpr std::size_t kEntryMaskAt = 36;
constexpr std::size_t kEntryAudioAt = 40;
constexpr std::size_t kEntryMask2At = 44;
constexpr std::size_t kEntryEventAt = 50;
constexpr std::size_t kEntryFlagsAt = 54;
constexpr std::size_t kEntryKind2At = 60;
constexpr std::size_t kRecTitleFlagAt = 20; // VihRecord (the frame's prefix)
constexpr std::size_t kRecTimeAt = 24;
constexpr std::size_t kRecSegmentAt = 40;
constexpr std::size_t kRecVidAt = 44;
constexpr std::size_t kRecKindAt = 50;
constexpr std::size_t kRecCheckAt = 51;
constexpr std::size_t kRecChecksumAt = 92;
constexpr std::size_t kRecTitleAt = 96;
constexpr std::size_t kRecTitleSize = 32;
} // namespace BackupFormat

struct BackupSetOptions
{
    std::string folder; // the Download folder (made when missing)
    // As typed; cleaned by Paths::CleanFileName. Empty (or nothing left after
    // cleaning): each set is named by the hex PC time. A name whose set or
    // split sets exist already gets "-2", "-3", ...: no download is replaced.
    std::string name;
    bool servedModel = false; // stem "kola5500", else "mira3140"
    std::uint64_t splitSize = BackupFormat::kSplitSize;
    std::size_t entryLimit = BackupFormat::kEntrySlots; // at most kEntrySlots
    // The PC's time, seconds since 1970 (UTC).
    std::function<std::uint32_t()> clock;
    // Null: the real file system.
    std::shared_ptr<IBackupFileSystem> fileSystem;
};

// Writes one download, set after set. Not thread-safe: one thread drives it.
class CBackupSetWriter
{
public:
    explicit CBackupSetWriter(BackupSetOptions options);
    ~CBackupSetWriter();
    CBackupSetWriter(const CBackupSetWriter&) = delete;
    CBackupSetWriter& operator=(const CBackupSetWriter&) = delete;

    // Creates the first set's files; false on a file error (see Failure).
    bool Open();
    // One frame: the 192-byte prefix, then the stored frame (header, video,
    // audio). A frame shorter than prefix and header is ignored. False once a
    // file error has ended the download; nothing of the failed frame stays.
    bool WriteFrame(const std::uint8_t* frame, std::size_t length);
    // Closes the open set as the last one of the download. Idempotent.
    void Close();

    BackupFailure Failure() const { return m_failure; }
    int FailureErrno() const { return m_failureErrno; }
    std::uint64_t TotalBytes() const { return m_nTotalBytes; }
    std::uint64_t FramesWritten() const { return m_nFrames; }
    // File names of every set opened so far, .idx first in each triple.
    const std::vector<std::array<std::string, 3>>& SetFiles() const { return m_setFiles; }
    // The first set's name as made (no folder, no extension); empty before
    // Open.
    std::string SetName() const;

private:
    struct Segment
    {
        bool active = false;
        std::uint32_t number = 0;
        std::uint32_t frames = 0;
        std::uint32_t startTime = 0;
        std::uint32_t endTime = 0;
        std::uint32_t channelMask = 0;
        std::uint16_t otherKindMask = 0;
        std::uint8_t firstKind = 0;
        std::uint8_t currentKind = 0;
        std::uint32_t itemPos = 0; // m_nGroupItemPos
        std::array<std::uint64_t, 16> channelBytes{};
        std::array<std::uint8_t, BackupFormat::kPrefixSize> lastPrefix{};
    };

    bool OpenSet(std::uint32_t stamp);
    void CloseSet(std::uint32_t trailerStamp);
    bool WriteIdxEntry();
    void StartSegment(const std::uint8_t* prefix);
    bool Fail(int err, bool creating = false);
    std::uint32_t NextStamp();
    void FillStem(std::uint8_t* at) const;
    // True when the folder holds a file of the set `base` (any of the three
    // extensions) or, with `splits`, of one of its split sets base_NNN.
    bool SetNameUsed(const std::string& base, bool splits);
    std::string TimeName(std::uint32_t stamp) const;

    BackupSetOptions m_opt;
    std::shared_ptr<IBackupFileSystem> m_fs;
    std::unique_ptr<IBackupFile> m_idx, m_vih, m_vid;
    bool m_bOpen = false;
    bool m_bClosed = false;
    bool m_bSplitPending = false;
    std::string m_strName; // the name the sets are made under (cleaned, unique)
    std::string m_strBase; // path without extension of the open set
    int m_nSetIndex = 0;
    std::uint32_t m_nSplitStamp = 0; // stamp in the open set's headers
    std::uint32_t m_nLastStamp = 0;  // the latest time used for a name or stamp
    std::uint64_t m_nTotalBytes = 0;
    std::uint64_t m_nSetBytes = 0;
    std::uint64_t m_nFrames = 0;
    std::uint32_t m_nLastVihPos = 0;
    std::uint32_t m_nPrevVihPos = 64;
    std::uint32_t m_nIdxItemPos = 0;
    std::size_t m_nEntryCount = 0;
    std::uint32_t m_nMinStart = 0, m_nMaxEnd = 0;
    bool m_bHaveSecond = false;
    std::uint32_t m_nLastSecond = 0;
    bool m_bItemDue = false;
    Segment m_seg;
    BackupFailure m_failure = BackupFailure::None;
    int m_failureErrno = 0;
    std::vector<std::array<std::string, 3>> m_setFiles;
};

// One unit of the writer's queue: a whole frame (prefix and stored frame) or
// the end of the transfer. The frame is either in `bytes`, or in `block`, the
// receive side's reassembly buffer handed over whole (`room` bytes, the frame
// its first `length`), which saves copying every frame once more; the writer
// gives such buffers back through the queue for the next frames.
struct BackupItem
{
    bool end = false;
    std::vector<std::uint8_t> bytes;
    std::unique_ptr<std::uint8_t[]> block;
    std::size_t room = 0;
    std::size_t length = 0;

    const std::uint8_t* Data() const { return block ? block.get() : bytes.data(); }
    std::size_t Size() const { return block ? length : bytes.size(); }
    // What the item holds in memory.
    std::size_t Footprint() const { return (block ? room : bytes.size()) + 64; }
};

// The queue between the receive thread and the writer thread, bounded by the
// bytes it holds. A producer waits while it is full; closing it (stop or
// failure) wakes the producer, whose items are then dropped.
class CBackupQueue
{
public:
    explicit CBackupQueue(std::size_t limitBytes) : m_limit(limitBytes) {}

    // False when the item was dropped (queue closed, or *abort set while
    // waiting for room).
    bool Push(BackupItem item, const std::atomic<bool>* abort = nullptr);
    // Writer side: waits for an item; false once closed and empty.
    bool Pop(BackupItem& item);
    // No more items are accepted; drop those waiting when `discard`.
    void Close(bool discard);
    std::size_t Bytes() const;

    // Buffers of written frames, kept for the receive side to fill again
    // (a few; the rest are freed). Either side, any time.
    void Recycle(std::unique_ptr<std::uint8_t[]> block, std::size_t room);
    // A kept buffer, or null; its size in `room`.
    std::unique_ptr<std::uint8_t[]> TakeSpare(std::size_t& room);

    std::size_t PeakBytes() const { return m_peak.load(); }
    std::uint64_t ProducerWaits() const { return m_waits.load(); }

private:
    mutable std::mutex m_lock;
    std::condition_variable m_roomOrClosed;
    std::condition_variable m_itemOrClosed;
    std::deque<BackupItem> m_items;
    std::vector<std::pair<std::unique_ptr<std::uint8_t[]>, std::size_t>> m_spares;
    std::size_t m_bytes = 0;
    const std::size_t m_limit;
    bool m_bClosed = false;
    std::atomic<std::size_t> m_peak{0};
    std::atomic<std::uint64_t> m_waits{0};
};

// What the writer tells the world; any thread, never waits for the GUI.
class IBackupWriterHost
{
public:
    virtual ~IBackupWriterHost() = default;
    // WM_TRANSFER_START, _PROGRESS and _END to the main window.
    virtual void PostTransfer(UINT msg, WPARAM wParam) = 0;
    // The write-failed notification for a download (sub-code 0-2).
    virtual void NotifyWriteFailed(int sub) = 0;
    // The writer gave up on a file error; the transfer is to be ended from
    // another thread (ending it joins the writer).
    virtual void OnWriterFailed() = 0;
};

class CBackupWriter : public NetWorker
{
public:
    static constexpr std::size_t kDefaultQueueBytes = 8u << 20;

    // Posts WM_TRANSFER_START with the expected size (KB) and starts the
    // writer thread, which opens the first set.
    CBackupWriter(IBackupWriterHost& host, std::uint32_t totalKB, BackupSetOptions options,
                  std::size_t queueBytes = kDefaultQueueBytes);
    ~CBackupWriter() override;

    // The producer's side; stays valid after the writer is gone.
    std::shared_ptr<CBackupQueue> Queue() const { return m_queue; }
    // Writes what is queued, closes the set and joins the thread.
    void Stop() override;
    // Drops what is queued, closes the set and joins the thread.
    void DestroyWindow();

    bool Failed() const { return m_bFailed.load(); }
    bool Finished() const { return m_bDone.load(); }
    std::uint64_t TotalBytes() const { return m_nTotalBytes.load(); }
    std::uint64_t FramesWritten() const { return m_nFrames.load(); }
    std::vector<std::array<std::string, 3>> SetFiles() const;
    // The first set's name (no folder, no extension), once the set is open.
    std::string SetName() const;

private:
    void Thread_Transfer();

    IBackupWriterHost& m_host;
    std::shared_ptr<CBackupQueue> m_queue;
    CBackupSetWriter m_set;
    std::atomic<bool> m_bStop{false};
    std::atomic<bool> m_bDone{false};
    std::atomic<bool> m_bFailed{false};
    std::atomic<std::uint64_t> m_nTotalBytes{0};
    std::atomic<std::uint64_t> m_nFrames{0};
    mutable std::mutex m_filesLock;
    std::vector<std::array<std::string, 3>> m_files;
    std::string m_strSetName;
    std::thread m_thread;
};

// Checks a reassembled backup frame before it is queued: the 511 marker after
// the prefix, and header + video + audio within what arrived. Gives the bytes
// to keep (prefix, header, video and audio), 0 when the frame is to be
// dropped. The header's stored size is not trusted either way: a frame whose
// stored size disagrees is kept (and traced) when its parts fit.
std::size_t CheckBackupFrame(const std::uint8_t* frame, std::size_t length);
