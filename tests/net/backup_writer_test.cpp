#include "BackupFrames.h"
#include "BackupSetReader.h"
#include "BackupTestFiles.h"
#include "SessionRig.h"
#include "net/BackupWriter.h"
#include "net/LiveData.h"
#include "net/NetMessages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>

namespace {

using backup_reader::ReadSet;
using backup_reader::Set;

constexpr std::uint32_t kClock = 0x5F000000;

struct Fixture
{
    std::shared_ptr<CMemoryBackupFileSystem> fs = std::make_shared<CMemoryBackupFileSystem>();
    std::uint32_t clock = kClock;

    BackupSetOptions Options(const std::string& name, std::uint64_t split = BackupFormat::kSplitSize,
                             std::size_t entries = 1024)
    {
        BackupSetOptions o;
        o.folder = "/data/Download";
        o.name = name;
        o.servedModel = true;
        o.splitSize = split;
        o.entryLimit = entries;
        o.clock = [this] { return clock; };
        o.fileSystem = fs;
        return o;
    }

    // Reads every set the writer made, checking each.
    std::vector<Set> ReadAll(const std::vector<std::array<std::string, 3>>& files)
    {
        std::vector<Set> sets;
        for (const auto& f : files) {
            Set s;
            std::string error;
            EXPECT_TRUE(ReadSet(fs->Bytes(f[0]), fs->Bytes(f[1]), fs->Bytes(f[2]), s, error))
                << f[0] << ": " << error;
            sets.push_back(std::move(s));
        }
        return sets;
    }
};

// The frame as the set gives it back: the record's link and data offset
// are the writer's, the rest must be byte for byte what arrived.
bool SameFrame(std::vector<std::uint8_t> read, std::vector<std::uint8_t> sent)
{
    if (read.size() != sent.size() || read.size() < 192)
        return false;
    std::memset(read.data() + 32, 0, 4);
    std::memset(read.data() + 44, 0, 4);
    std::memset(sent.data() + 32, 0, 4);
    std::memset(sent.data() + 44, 0, 4);
    return read == sent;
}

void ExpectFramesEqual(const std::vector<Set>& sets, const std::vector<std::vector<std::uint8_t>>& sent)
{
    std::size_t n = 0;
    for (const Set& s : sets) {
        for (const auto& f : s.frames) {
            ASSERT_LT(n, sent.size());
            EXPECT_TRUE(SameFrame(f, sent[n])) << "frame " << n;
            ++n;
        }
    }
    EXPECT_EQ(n, sent.size());
}

TEST(BackupSetWriter, SplitNamesStampsLinksAndTrailers)
{
    struct Case
    {
        const char* name;
        std::vector<const char*> expected;
    };
    const Case cases[] = {
        {"park", {"park", "park_001", "park_002"}},
        {"", {"5f000000", "5f000001", "5f000002"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture fx;
        // Three frames of 1232 bytes per set: the third passes 3000.
        CBackupSetWriter w(fx.Options(c.name, 3000));
        ASSERT_TRUE(w.Open());
        std::vector<std::vector<std::uint8_t>> sent;
        for (int i = 0; i < 7; ++i) {
            BackupFrameSpec s;
            s.time = 1000 + i;
            s.seed = i;
            s.segment = 7;
            sent.push_back(MakeBackupFrame(s));
            ASSERT_TRUE(w.WriteFrame(sent.back().data(), sent.back().size()));
        }
        w.Close();
        ASSERT_EQ(w.SetFiles().size(), 3u);
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(w.SetFiles()[i][0], std::string("/data/Download/") + c.expected[i] + ".idx");
            EXPECT_EQ(w.SetFiles()[i][2], std::string("/data/Download/") + c.expected[i] + ".vid");
        }
        const std::vector<Set> sets = fx.ReadAll(w.SetFiles());
        ASSERT_EQ(sets.size(), 3u);
        ExpectFramesEqual(sets, sent);
        EXPECT_EQ(sets[0].frames.size(), 3u);
        EXPECT_EQ(sets[2].frames.size(), 1u);
        EXPECT_EQ(sets[0].stem, "kola5500");
        // Chained by equal, strictly increasing stamps (all in one second);
        // the last set continues nowhere.
        EXPECT_EQ(sets[0].headerStamp, 0u);
        EXPECT_EQ(sets[0].trailerStamp, kClock + 1);
        EXPECT_EQ(sets[1].headerStamp, kClock + 1);
        EXPECT_EQ(sets[1].trailerStamp, kClock + 2);
        EXPECT_EQ(sets[2].headerStamp, kClock + 2);
        EXPECT_EQ(sets[2].trailerStamp, 0u);
        // The .vih links run across the split: the first record of a set
        // points at the last record of the set before.
        EXPECT_EQ(sets[0].firstLink, 64u);
        EXPECT_EQ(sets[1].firstLink, sets[0].lastRecord);
        EXPECT_EQ(sets[2].firstLink, sets[1].lastRecord);
        // Each set's first frame has its own second item and entry.
        for (const Set& s : sets) {
            ASSERT_EQ(s.entries.size(), 1u);
            EXPECT_EQ(s.entries[0].items.front(), 64u);
        }
        EXPECT_EQ(w.TotalBytes(), 7u * 1232u);
    }
}

TEST(BackupSetWriter, LastSetClosedRightAfterSplitKeepsNoStamp)
{
    Fixture fx;
    CBackupSetWriter w(fx.Options("park", 2000));
    ASSERT_TRUE(w.Open());
    for (int i = 0; i < 2; ++i) {
        BackupFrameSpec s;
        s.time = 50 + i;
        auto f = MakeBackupFrame(s);
        ASSERT_TRUE(w.WriteFrame(f.data(), f.size()));
    }
    // The second frame passed the split size; the download ends there.
    w.Close();
    const auto sets = fx.ReadAll(w.SetFiles());
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].trailerStamp, 0u);
    EXPECT_FALSE(fx.fs->Exists("/data/Download/park_001.idx"));
}

TEST(BackupSetWriter, SegmentsSecondsAndEntries)
{
    Fixture fx;
    CBackupSetWriter w(fx.Options("seg"));
    ASSERT_TRUE(w.Open());
    struct F
    {
        std::uint32_t time, segment;
        int channel;
        std::uint32_t video, audio;
        std::uint8_t b48, b49, b51;
    };
    // Segments 7, 7, 8 (8 starts within the second of the last 7), then a
    // second frame in one second, a new second, and audio-only frames.
    const F frames[] = {
        {100, 7, 0, 500, 0, 1, 2, 3}, {101, 7, 3, 700, 64, 4, 5, 6},   {101, 8, 1, 300, 0, 7, 8, 9},
        {101, 8, 1, 300, 0, 7, 8, 9}, {102, 8, 2, 0, 128, 10, 11, 12},
    };
    std::vector<std::vector<std::uint8_t>> sent;
    for (const F& f : frames) {
        BackupFrameSpec s;
        s.time = f.time;
        s.segment = f.segment;
        s.channel = f.channel;
        s.video = f.video;
        s.audio = f.audio;
        s.b48 = f.b48;
        s.b49 = f.b49;
        s.b51 = f.b51;
        sent.push_back(MakeBackupFrame(s));
        ASSERT_TRUE(w.WriteFrame(sent.back().data(), sent.back().size()));
    }
    w.Close();
    const auto sets = fx.ReadAll(w.SetFiles());
    ASSERT_EQ(sets.size(), 1u);
    ExpectFramesEqual(sets, sent);
    const Set& s = sets[0];
    ASSERT_EQ(s.entries.size(), 2u);
    EXPECT_EQ(s.summaryCount, 2u);
    EXPECT_EQ(s.summaryMin, 100u);
    EXPECT_EQ(s.summaryMax, 102u);
    const auto& e7 = s.entries[0];
    EXPECT_EQ(e7.start, 100u);
    EXPECT_EQ(e7.end, 101u); // the time of segment 7's second frame
    EXPECT_EQ(e7.mask, 0x9u);
    EXPECT_EQ(e7.channelBytes[0], 540u);
    EXPECT_EQ(e7.channelBytes[3], 804u);
    EXPECT_EQ(e7.b48, 4);
    EXPECT_EQ(e7.b49, 5);
    EXPECT_EQ(e7.b51, 6);
    EXPECT_EQ(e7.items, (std::vector<std::uint32_t>{64, 64 + 192}));
    const auto& e8 = s.entries[1];
    // Segment 8's first frame shares second 101 and still has an item.
    EXPECT_EQ(e8.items, (std::vector<std::uint32_t>{64 + 2 * 192, 64 + 4 * 192}));
    EXPECT_EQ(e8.mask, 0x2u); // channel 2 sent audio only
    EXPECT_EQ(e8.channelBytes[1], 2u * 340u);
    EXPECT_EQ(e8.channelBytes[2], 0u);
    EXPECT_EQ(e8.b48, 10);
}

TEST(BackupSetWriter, KindMasks)
{
    struct Case
    {
        const char* what;
        std::vector<std::pair<int, std::uint8_t>> frames; // channel, kind
        std::uint8_t byte50;
        std::uint16_t mask54;
        std::uint8_t byte60;
    };
    const Case cases[] = {
        {"one kind", {{0, 1}, {1, 1}}, 1, 0x0, 1},
        {"channel 3 turns to kind 2", {{0, 1}, {3, 2}}, 1, 0x8, 2},
        {"last differing kind wins", {{0, 1}, {3, 2}, {4, 4}}, 1, 0x18, 4},
        {"first kind 0", {{0, 0}, {3, 2}, {5, 0}}, 2, 0x21, 0},
        {"first kind 0, no other", {{0, 0}, {1, 0}}, 0, 0x3, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fixture fx;
        CBackupSetWriter w(fx.Options("kinds"));
        ASSERT_TRUE(w.Open());
        std::uint32_t t = 10;
        for (auto [channel, kind] : c.frames) {
            BackupFrameSpec s;
            s.time = t++;
            s.channel = channel;
            s.kind = kind;
            auto f = MakeBackupFrame(s);
            ASSERT_TRUE(w.WriteFrame(f.data(), f.size()));
        }
        w.Close();
        const auto sets = fx.ReadAll(w.SetFiles());
        ASSERT_EQ(sets.size(), 1u);
        ASSERT_EQ(sets[0].entries.size(), 1u);
        EXPECT_EQ(sets[0].entries[0].kind, c.byte50);
        EXPECT_EQ(sets[0].entries[0].otherMask, c.mask54);
        EXPECT_EQ(sets[0].entries[0].kind2, c.byte60);
    }
}

TEST(BackupSetWriter, EntryLimitSplitsTheSet)
{
    Fixture fx;
    CBackupSetWriter w(fx.Options("many", BackupFormat::kSplitSize, 3));
    ASSERT_TRUE(w.Open());
    std::vector<std::vector<std::uint8_t>> sent;
    for (std::uint32_t seg = 1; seg <= 7; ++seg) {
        BackupFrameSpec s;
        s.time = 500; // all in one second
        s.segment = seg;
        s.seed = seg;
        sent.push_back(MakeBackupFrame(s));
        ASSERT_TRUE(w.WriteFrame(sent.back().data(), sent.back().size()));
    }
    w.Close();
    const auto sets = fx.ReadAll(w.SetFiles());
    ASSERT_EQ(sets.size(), 3u);
    ExpectFramesEqual(sets, sent);
    EXPECT_EQ(sets[0].entries.size(), 3u);
    EXPECT_EQ(sets[1].entries.size(), 3u);
    EXPECT_EQ(sets[2].entries.size(), 1u);
    EXPECT_EQ(sets[1].headerStamp, sets[0].trailerStamp);
    EXPECT_LT(sets[0].trailerStamp, sets[1].trailerStamp);
    EXPECT_EQ(sets[2].trailerStamp, 0u);
}

TEST(BackupSetWriter, FullIndexOfTheRealLimit)
{
    Fixture fx;
    CBackupSetWriter w(fx.Options("full"));
    ASSERT_TRUE(w.Open());
    for (std::uint32_t seg = 0; seg < 1030; ++seg) {
        BackupFrameSpec s;
        s.time = 1000 + seg;
        s.segment = seg;
        s.video = 8;
        auto f = MakeBackupFrame(s);
        ASSERT_TRUE(w.WriteFrame(f.data(), f.size()));
    }
    w.Close();
    const auto sets = fx.ReadAll(w.SetFiles());
    ASSERT_EQ(sets.size(), 2u);
    EXPECT_EQ(sets[0].entries.size(), 1024u);
    EXPECT_EQ(sets[1].entries.size(), 6u);
}

// A full disk at a chosen byte of each file, or a file that cannot be made:
// the download stops, and the set reads back with every whole frame.
TEST(BackupSetWriter, FileErrorsKeepWholeFrames)
{
    struct Case
    {
        const char* what;
        const char* suffix;
        std::uint64_t at;
        int err;
        BackupFailure failure;
        std::size_t framesKept;
    };
    // Frames are 1232 bytes: 192 in the .vih, 1040 in the .vid.
    const Case cases[] = {
        {"vid full in frame 4", ".vid", 64 + 3 * 1040 + 500, ENOSPC, BackupFailure::DiskFull, 3},
        {"vid full at a frame's end", ".vid", 64 + 5 * 1040, ENOSPC, BackupFailure::DiskFull, 5},
        {"vih full in frame 2", ".vih", 64 + 192 + 10, ENOSPC, BackupFailure::DiskFull, 1},
        {"idx item fails", ".idx", 262336 + 8 * 2 + 3, EIO, BackupFailure::WriteError, 2},
        {"quota on the vid", ".vid", 64 + 2 * 1040 + 1, EDQUOT, BackupFailure::DiskFull, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fixture fx;
        fx.fs->FailAt(c.suffix, c.at, c.err);
        CBackupSetWriter w(fx.Options("fail"));
        ASSERT_TRUE(w.Open());
        std::vector<std::vector<std::uint8_t>> sent;
        bool ok = true;
        for (int i = 0; i < 8 && ok; ++i) {
            BackupFrameSpec s;
            s.time = 100 + i; // one item per frame
            s.seed = i;
            auto f = MakeBackupFrame(s);
            ok = w.WriteFrame(f.data(), f.size());
            if (ok)
                sent.push_back(f);
        }
        EXPECT_FALSE(ok);
        EXPECT_EQ(w.Failure(), c.failure);
        w.Close();
        EXPECT_FALSE(fx.fs->AnyOpen());
        const auto sets = fx.ReadAll(w.SetFiles());
        ASSERT_EQ(sets.size(), 1u);
        EXPECT_EQ(sets[0].frames.size(), c.framesKept);
        ExpectFramesEqual(sets, sent);
        EXPECT_EQ(sets[0].trailerStamp, 0u);
    }
}

TEST(BackupSetWriter, UncreatableFilesAndFolders)
{
    {
        Fixture fx;
        fx.fs->RefuseCreate(".vih", EACCES);
        CBackupSetWriter w(fx.Options("x"));
        EXPECT_FALSE(w.Open());
        EXPECT_EQ(w.Failure(), BackupFailure::NotCreatable);
        auto f = MakeBackupFrame({});
        EXPECT_FALSE(w.WriteFrame(f.data(), f.size()));
        EXPECT_FALSE(fx.fs->AnyOpen());
    }
    {
        Fixture fx;
        fx.fs->RefuseFolders(ENOTDIR);
        CBackupSetWriter w(fx.Options("x"));
        EXPECT_FALSE(w.Open());
        EXPECT_EQ(w.Failure(), BackupFailure::NotCreatable);
    }
    {
        // A file of the second set cannot be made: the first set stays whole.
        Fixture fx;
        fx.fs->RefuseCreate("x_001.vid", ENOSPC);
        CBackupSetWriter w(fx.Options("x", 1000));
        ASSERT_TRUE(w.Open());
        auto f = MakeBackupFrame({});
        EXPECT_TRUE(w.WriteFrame(f.data(), f.size()));
        EXPECT_FALSE(w.WriteFrame(f.data(), f.size()));
        EXPECT_EQ(w.Failure(), BackupFailure::DiskFull);
        w.Close();
        Set s;
        std::string error;
        EXPECT_TRUE(ReadSet(fx.fs->Bytes("/data/Download/x.idx"), fx.fs->Bytes("/data/Download/x.vih"),
                            fx.fs->Bytes("/data/Download/x.vid"), s, error))
            << error;
        EXPECT_EQ(s.frames.size(), 1u);
    }
}

// On the real file system: a regular file where the Download folder should
// be stops the download even for root.
TEST(BackupSetWriter, RegularFileInPlaceOfTheFolder)
{
    const std::filesystem::path dir = BackupScratchRoot() / "backup_blocked";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "Download") << "not a folder";
    BackupSetOptions o;
    o.folder = (dir / "Download").string();
    o.name = "park";
    CBackupSetWriter w(o);
    EXPECT_FALSE(w.Open());
    EXPECT_EQ(w.Failure(), BackupFailure::NotCreatable);
    std::filesystem::remove_all(dir);
}

BackupItem Item(std::vector<std::uint8_t> bytes)
{
    BackupItem item;
    item.bytes = std::move(bytes);
    return item;
}

// The thread and queue around the set writer.
class RecordingHost : public IBackupWriterHost
{
public:
    void PostTransfer(UINT msg, WPARAM wParam) override
    {
        std::lock_guard<std::mutex> lock(m);
        posts.emplace_back(msg, wParam);
    }
    void NotifyWriteFailed(int sub) override
    {
        std::lock_guard<std::mutex> lock(m);
        notified.push_back(sub);
    }
    void OnWriterFailed() override
    {
        std::lock_guard<std::mutex> lock(m);
        failedCalls++;
        cv.notify_all();
    }
    bool WaitFailed()
    {
        std::unique_lock<std::mutex> lock(m);
        return cv.wait_for(lock, std::chrono::seconds(30), [this] { return failedCalls > 0; });
    }
    std::mutex m;
    std::condition_variable cv;
    std::vector<std::pair<UINT, WPARAM>> posts;
    std::vector<int> notified;
    int failedCalls = 0;
};

TEST(BackupWriterThread, WritesQueuedFramesAndReportsProgress)
{
    Fixture fx;
    RecordingHost host;
    std::vector<std::vector<std::uint8_t>> sent;
    std::vector<std::array<std::string, 3>> files;
    {
        CBackupWriter w(host, 1234, fx.Options("t", 300000), 100000);
        auto queue = w.Queue();
        // The writer falls behind until the queue is full and the producer
        // has to wait for room.
        fx.fs->HoldWrites(true);
        std::thread release([&] {
            sessionrig::WaitUntil([&] { return queue->ProducerWaits() > 0; }, std::chrono::seconds(60));
            fx.fs->HoldWrites(false);
        });
        bool pushed = true;
        for (int i = 0; i < 200 && pushed; ++i) {
            BackupFrameSpec s;
            s.time = 7000 + i / 10;
            s.video = 5000;
            s.seed = i;
            sent.push_back(MakeBackupFrame(s));
            pushed = queue->Push(Item(sent.back()));
        }
        release.join();
        ASSERT_TRUE(pushed);
        w.Stop();
        EXPECT_FALSE(w.Failed());
        EXPECT_EQ(w.FramesWritten(), 200u);
        EXPECT_FALSE(queue->Push(Item(sent[0]))); // stopped: dropped
        EXPECT_GT(queue->ProducerWaits(), 0u);
        EXPECT_LE(queue->PeakBytes(), 100000u);
        files = w.SetFiles();
    }
    EXPECT_GT(files.size(), 1u);
    ExpectFramesEqual(fx.ReadAll(files), sent);
    ASSERT_GE(host.posts.size(), 3u);
    EXPECT_EQ(host.posts.front(), std::make_pair(WM_TRANSFER_START, WPARAM(1234)));
    EXPECT_EQ(host.posts.back().first, WM_TRANSFER_END);
    EXPECT_EQ(host.posts[host.posts.size() - 2],
              std::make_pair(WM_TRANSFER_PROGRESS, WPARAM(200 * (232 + 5000) >> 10)));
    EXPECT_TRUE(host.notified.empty());
    EXPECT_EQ(host.failedCalls, 0);
}

// Frames handed over in the reassembly's own buffers are written as they
// are, and the writer gives the buffers back for the next frames.
TEST(BackupWriterThread, HandedOverBuffersAreWrittenAndComeBack)
{
    Fixture fx;
    RecordingHost host;
    std::vector<std::vector<std::uint8_t>> sent;
    CStreamAssembler stream;
    std::vector<const std::uint8_t*> handed;
    std::vector<std::array<std::string, 3>> files;
    {
        CBackupWriter w(host, 10, fx.Options("h"));
        auto queue = w.Queue();
        for (int i = 0; i < 20; ++i) {
            BackupFrameSpec spec;
            spec.time = 500 + i;
            spec.seed = i;
            spec.video = 3000 + 100 * i;
            sent.push_back(MakeBackupFrame(spec));
            // Two fragments, the second one the last.
            const std::size_t half = sent.back().size() / 2;
            ASSERT_FALSE(stream.Append(sent.back().data(), half, false));
            ASSERT_TRUE(stream.Append(sent.back().data() + half, sent.back().size() - half, true));
            BackupItem item;
            item.length = stream.Length();
            std::size_t spareRoom = 0;
            auto spare = queue->TakeSpare(spareRoom);
            item.block = stream.TakeBuffer(item.room, std::move(spare), spareRoom);
            handed.push_back(item.block.get());
            ASSERT_TRUE(queue->Push(std::move(item)));
            // Written before the next frame: its buffer is back for reuse.
            ASSERT_TRUE(sessionrig::WaitUntil([&] { return w.FramesWritten() == sent.size(); },
                                              std::chrono::seconds(30)));
        }
        w.Stop();
        files = w.SetFiles();
    }
    ExpectFramesEqual(fx.ReadAll(files), sent);
    std::sort(handed.begin(), handed.end());
    EXPECT_LT(std::unique(handed.begin(), handed.end()) - handed.begin(), 5) << "buffers are reused";
}

TEST(BackupWriterThread, FailureStopsDiscardsAndTells)
{
    Fixture fx;
    RecordingHost host;
    fx.fs->FailAt(".vid", 100000);
    CBackupWriter w(host, 10, fx.Options("f"), 50000);
    auto queue = w.Queue();
    std::atomic<bool> abort{false};
    int accepted = 0;
    for (int i = 0; i < 300; ++i) {
        BackupFrameSpec s;
        s.time = i;
        s.video = 4000;
        auto f = MakeBackupFrame(s);
        // After the failure the producer is never kept waiting.
        if (queue->Push(Item(std::move(f)), &abort))
            ++accepted;
    }
    ASSERT_TRUE(host.WaitFailed());
    EXPECT_TRUE(w.Failed());
    EXPECT_LT(accepted, 300);
    w.Stop();
    EXPECT_EQ(host.notified, std::vector<int>{0});
    EXPECT_EQ(host.posts.back().first, WM_TRANSFER_END);
    const auto sets = fx.ReadAll(w.SetFiles());
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].frames.size(), (100000 - 64) / (4040));
}

TEST(BackupFrameCheck, MarkerSizesAndFit)
{
    BackupFrameSpec s;
    s.video = 100;
    s.audio = 20;
    const auto good = MakeBackupFrame(s);
    const std::size_t whole = good.size(); // 192 + 40 + 100 + 20
    auto stored = [&good](std::uint32_t size) {
        auto f = good;
        PutLE32Test(&f[192 + 8], size << 12);
        return f;
    };
    auto marker = good;
    marker[192] = 0;
    auto longer = good;
    longer.resize(whole + 50);
    struct Case
    {
        const char* what;
        std::vector<std::uint8_t> frame;
        std::size_t length;
        std::size_t keep;
    };
    const Case cases[] = {
        {"as sent", good, whole, whole},
        {"bytes past the frame are not kept", longer, longer.size(), whole},
        {"no 511 marker", marker, whole, 0},
        {"stored size padded", stored(40 + 100 + 20 + 1), whole, whole},
        {"stored size far too large", stored(0xFFFFF), whole, whole},
        {"stored size zero", stored(0), whole, whole},
        {"stored size small", stored(40 + 100), whole, whole},
        {"cut short", good, whole - 1, 0},
        {"prefix and part of the header", good, 231, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CheckBackupFrame(c.frame.data(), c.length), c.keep) << c.what;

    // Video and audio sizes that claim more than arrived: dropped.
    auto claims = good;
    PutLE32Test(&claims[192 + 20], 0xFFFFF | (20u << 20));
    EXPECT_EQ(CheckBackupFrame(claims.data(), claims.size()), 0u);
}

// Typed names go through the one cleaning rule: every set stays in the
// Download folder, and a name with nothing left is a time name.
TEST(BackupSetWriter, NamesAreCleaned)
{
    struct Case
    {
        std::string typed;
        std::string made;
    };
    const Case cases[] = {
        {"park", "park"},
        {"a/b", "ab"},
        {"../x", "x"},
        {"..\\..\\y", "y"},
        {"/etc/passwd", "etcpasswd"},
        {".hidden", "hidden"},
        {"tab\there", "tabhere"},
        {"gate 2.old", "gate 2.old"},
        {"..", "5f000000"},
        {"//", "5f000000"},
        {"", "5f000000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        Fixture fx;
        CBackupSetWriter w(fx.Options(c.typed));
        ASSERT_TRUE(w.Open());
        w.Close();
        EXPECT_EQ(w.SetName(), c.made);
        ASSERT_EQ(w.SetFiles().size(), 1u);
        EXPECT_EQ(w.SetFiles()[0][1], "/data/Download/" + c.made + ".vih");
        for (const std::string& name : fx.fs->Names())
            EXPECT_EQ(name.rfind("/data/Download/", 0), 0u) << name;
    }
}

// Earlier downloads are never replaced: a name whose set or any of its split
// sets is there takes the next "-N", whose own splits follow as -N_001; a
// time name moves on to a free second, also at a split, and the chain
// stamps still agree.
TEST(BackupSetWriter, UsedNamesAreMadeUnique)
{
    Fixture fx;
    const std::vector<std::uint8_t> old{1, 2, 3};
    fx.fs->Put("/data/Download/park.idx", old);
    fx.fs->Put("/data/Download/park-2_004.VID", old); // a split set left alone
    fx.fs->Put("/data/Download/park_12.txt", old);    // not a set
    fx.fs->Put("/data/Download/5f000000.vih", old);
    fx.fs->Put("/data/Download/5f000002.idx", old);
    fx.fs->Put("/data/Other/park-3.idx", old); // another folder
    struct Case
    {
        const char* typed;
        std::vector<std::string> sets;
    };
    const Case cases[] = {
        {"park", {"park-3", "park-3_001"}},
        {"park", {"park-4", "park-4_001"}},
        {"", {"5f000001", "5f000003"}},
        {"park-2", {"park-2-2", "park-2-2_001"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        // Each frame passes the split size: two frames, two sets.
        CBackupSetWriter w(fx.Options(c.typed, 1000));
        ASSERT_TRUE(w.Open());
        std::vector<std::vector<std::uint8_t>> sent;
        for (int i = 0; i < 2; ++i) {
            BackupFrameSpec spec;
            spec.time = 100 + i;
            sent.push_back(MakeBackupFrame(spec));
            ASSERT_TRUE(w.WriteFrame(sent.back().data(), sent.back().size()));
        }
        w.Close();
        ASSERT_EQ(w.SetFiles().size(), c.sets.size());
        for (std::size_t i = 0; i < c.sets.size(); ++i)
            EXPECT_EQ(w.SetFiles()[i][0], "/data/Download/" + c.sets[i] + ".idx");
        EXPECT_EQ(w.SetName(), c.sets[0]);
        const auto sets = fx.ReadAll(w.SetFiles());
        ExpectFramesEqual(sets, sent);
        ASSERT_EQ(sets.size(), 2u);
        EXPECT_EQ(sets[1].headerStamp, sets[0].trailerStamp);
    }
    for (const char* path : {"/data/Download/park.idx", "/data/Download/park-2_004.VID",
                             "/data/Download/5f000000.vih", "/data/Download/5f000002.idx"})
        EXPECT_EQ(fx.fs->Bytes(path), old) << path;

    // A file of the name that appears after the writer looked is not
    // replaced either: the set cannot be created, and the file keeps its bytes.
    class LateFiles : public CMemoryBackupFileSystem
    {
    public:
        int ListFolder(const std::string&, std::vector<std::string>& names) override
        {
            names.clear();
            return 0;
        }
    };
    auto late = std::make_shared<LateFiles>();
    late->Put("/data/Download/gate.vid", old);
    BackupSetOptions options = fx.Options("gate");
    options.fileSystem = late;
    CBackupSetWriter w(options);
    EXPECT_FALSE(w.Open());
    EXPECT_EQ(w.Failure(), BackupFailure::NotCreatable);
    EXPECT_EQ(late->Bytes("/data/Download/gate.vid"), old);
}

} // namespace
