// The backup transfer against the recorder simulator: the size answer, the
// backup start, the frames into the file set, and every way a transfer ends.
#include "BackupFrames.h"
#include "BackupSession.h"
#include "BackupSetReader.h"
#include "BackupTestFiles.h"
#include "TestHost.h"

#include "RecorderSim.h"
#include "SimTransfer.h"
#include "net/NetClient.h"
#include "net/NetMessages.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

namespace {

using k5sim::Bytes;
using k5sim::RecorderSim;
using k5sim::SimTransfer;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

std::vector<std::uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

class BackupTransferTest : public BackupSessionTest
{
protected:
    void SetUp() override
    {
        StartSession(BackupScratchRoot() /
                     (std::string("backup_") + ::testing::UnitTest::GetInstance()->current_test_info()->name()));
    }

    BackupSetOptions Options(const std::string& name, std::uint64_t split = BackupFormat::kSplitSize)
    {
        BackupSetOptions o;
        o.folder = (dir / "Download").string();
        o.name = name;
        o.splitSize = split;
        return o;
    }

    bool Start(const Bytes& range, BackupSetOptions options, std::uint32_t kb = 100)
    {
        std::array<std::uint8_t, 24> body{};
        std::copy(range.begin(), range.end(), body.begin());
        return client->StartBackup(kb, std::move(options), body);
    }

    // The writer's end and the connection's end of the transfer (after the
    // writer has been joined and the transfer unmarked) both reach the bar.
    bool WaitEnded(std::size_t mark = 0)
    {
        return host.WaitFor(
            [mark](const std::vector<HostEvent>& all) {
                return std::count_if(all.begin() + static_cast<std::ptrdiff_t>(std::min(mark, all.size())),
                                     all.end(), [](const HostEvent& e) {
                                         return e.kind == HostEvent::Post && e.msg == WM_TRANSFER_END;
                                     }) >= 2;
            },
            60s);
    }

    // Every set of the download, checked by the independent reader.
    std::vector<backup_reader::Set> ReadSets(const std::string& name, std::size_t expected)
    {
        std::vector<backup_reader::Set> sets;
        for (std::size_t i = 0; i < expected; ++i) {
            char suffix[32] = "";
            if (i > 0)
                std::snprintf(suffix, sizeof suffix, "_%03zu", i);
            const std::string base = (dir / "Download" / (name + suffix)).string();
            backup_reader::Set s;
            std::string error;
            EXPECT_TRUE(backup_reader::ReadSet(ReadFile(base + ".idx"), ReadFile(base + ".vih"),
                                               ReadFile(base + ".vid"), s, error))
                << base << ": " << error;
            sets.push_back(std::move(s));
        }
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, "_%03zu", expected);
        EXPECT_FALSE(fs::exists(dir / "Download" / (name + suffix + ".idx")));
        return sets;
    }

    // The frames in the sets are those sent, byte for byte (the record's link
    // and data offset are the writer's).
    void ExpectFrames(const std::vector<backup_reader::Set>& sets, const std::vector<Bytes>& sent)
    {
        std::size_t n = 0;
        for (const auto& s : sets) {
            for (auto f : s.frames) {
                ASSERT_LT(n, sent.size());
                Bytes want = sent[n];
                ASSERT_EQ(f.size(), want.size()) << n;
                std::memset(f.data() + 32, 0, 4);
                std::memset(f.data() + 44, 0, 4);
                std::memset(want.data() + 32, 0, 4);
                std::memset(want.data() + 44, 0, 4);
                EXPECT_TRUE(f == want) << "frame " << n;
                ++n;
            }
        }
        EXPECT_EQ(n, sent.size());
    }
};

TEST_F(BackupTransferTest, SizeAnswersReachTheBackupPage)
{
    const Bytes range = SimTransfer::RangeBody(0x5, kStart, kStart + 20);
    transfer->Config().longSizeAnswer = true; // the rest of the payload is drained
    ASSERT_TRUE(client->Send(99, range.data(), range.size()));
    RoundTrip();
    EXPECT_EQ(frame->backupSizes.load(), 1);
    EXPECT_EQ(frame->backupSize.load(), transfer->SizeKB(range));
    EXPECT_GT(frame->backupSize.load(), 0u);
    EXPECT_EQ(frame->clearedPending.load(), 1);

    // Both refusal forms: the 4-byte one (the reason alone) stores nothing,
    // also for reason 87; only 87 in its 12-byte form keeps needed and free
    // MByte for the box. Every one ends the wait and reaches no page.
    struct Case
    {
        std::int32_t reason;
        std::uint32_t needMB, freeMB; // both 0: the 4-byte form
        LPARAM note;
        std::int32_t storedNeed, storedFree;
    };
    const Case cases[] = {
        {83, 0, 0, 0x40000, 0, 0},
        {87, 900, 120, 0x60005, 900, 120},
        // Later 4-byte refusals, 87 too, leave the stored pair as it is.
        {87, 0, 0, 0x60005, 900, 120},
        {86, 0, 0, 0x60003, 900, 120},
    };
    int cleared = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        transfer->Config().refuseReason = c.reason;
        transfer->Config().nackNeededMB = c.needMB;
        transfer->Config().nackFreeMB = c.freeMB;
        const std::size_t mark = host.Mark();
        ASSERT_TRUE(client->Send(99, range.data(), range.size()));
        RoundTrip();
        EXPECT_EQ(client->m_nTransNackInfo[0].load(), c.storedNeed);
        EXPECT_EQ(client->m_nTransNackInfo[1].load(), c.storedFree);
        EXPECT_EQ(frame->clearedPending.load(), ++cleared);
        EXPECT_EQ(frame->backupSizes.load(), 1);
        std::vector<LPARAM> notes;
        for (const HostEvent& e : host.EventsSince(mark)) {
            if (e.kind == HostEvent::Notify)
                notes.push_back(e.lParam);
        }
        EXPECT_EQ(notes, std::vector<LPARAM>{c.note});
    }
    EXPECT_TRUE(client->m_bLogin); // a refusal is no reason to drop the connection
}

TEST_F(BackupTransferTest, DownloadWritesEveryGoodFrameAcrossSplits)
{
    // Two channels, 30 s: 300 frames. The frame without its marker and the one
    // past the reassembly's bound are dropped; the one whose stored size
    // disagrees with its header's sizes is written all the same.
    auto& c = transfer->Config();
    c.badMarkerAt = 10;
    c.wrongSizeAt = 50;
    c.oversizeAt = 120;
    c.segmentEvery = 70;
    const Bytes range = SimTransfer::RangeBody(0x9, kStart, kStart + 30);
    ASSERT_TRUE(Start(range, Options("park", 400000), 777));
    EXPECT_TRUE(client->m_bTrans);
    ASSERT_TRUE(WaitEnded());
    ASSERT_TRUE(sim->WaitForCount(102, 1));
    // The start went out as TRANS_DATA_REQ (0x9300) with the range body, and
    // the end as TRANS_OFF_REQ (0x3300).
    const auto reqs = sim->ReceivedOf(294);
    ASSERT_EQ(reqs.size(), 1u);
    EXPECT_EQ(reqs[0].payload, range);
    EXPECT_EQ(reqs[0].length, 24);
    const auto start = host.PostsOf(WM_TRANSFER_START);
    ASSERT_EQ(start.size(), 1u);
    EXPECT_EQ(start[0].wParam, 777u);
    EXPECT_EQ(start[0].target, TestHost::kMain);
    EXPECT_FALSE(host.PostsOf(WM_TRANSFER_PROGRESS).empty());
    EXPECT_FALSE(client->m_bTrans);
    EXPECT_FALSE(client->HasWorker(kSlotBackupWriter));
    EXPECT_EQ(client->TransFramesDropped(), 2u);

    const auto good = transfer->GoodFrames();
    ASSERT_EQ(good.size(), 298u);
    std::uint64_t bytes = 0;
    for (const Bytes& f : good)
        bytes += f.size();
    EXPECT_EQ(transfer->SizeKB(range), (bytes + 1023) / 1024);
    const std::size_t sets = static_cast<std::size_t>((bytes + 399999) / 400000);
    const auto read = ReadSets("park", sets);
    ExpectFrames(read, good);
    for (std::size_t i = 1; i < read.size(); ++i)
        EXPECT_EQ(read[i].headerStamp, read[i - 1].trailerStamp);
    EXPECT_EQ(read.back().trailerStamp, 0u);
    EXPECT_TRUE(host.Notifications().empty());
    // The closing summary counts this download's two dropped frames.
    const auto closed = host.Downloads();
    ASSERT_EQ(closed.size(), 1u);
    EXPECT_EQ(closed[0].setName, "park");
    EXPECT_EQ(closed[0].askedName, "park");
    EXPECT_EQ(closed[0].framesDropped, 2u);
    EXPECT_EQ(closed[0].framesWritten, 298u);
    EXPECT_FALSE(closed[0].failed);
}

// A second download named like the first: the first download's sets keep
// every byte, the second goes under park-2 with its own split sets, and the
// closing summary names it. A name with a path in it stays in the folder.
TEST_F(BackupTransferTest, SecondDownloadUnderAUsedNameLeavesTheFirstWhole)
{
    transfer->Config().segmentEvery = 70;
    const Bytes range = SimTransfer::RangeBody(0x3, kStart, kStart + 20);
    ASSERT_TRUE(Start(range, Options("park", 300000)));
    ASSERT_TRUE(WaitEnded());
    std::map<std::string, std::vector<std::uint8_t>> first;
    for (const auto& e : fs::directory_iterator(dir / "Download"))
        first[e.path().filename().string()] = ReadFile(e.path().string());
    ASSERT_GE(first.size(), 6u) << "the first download split";
    ASSERT_EQ(first.count("park_001.vid"), 1u);

    struct Case
    {
        const char* typed;
        const char* made;
    };
    const Case cases[] = {{"park", "park-2"}, {"park", "park-3"}, {"../park", "park-4"}, {"a/b", "ab"}};
    std::size_t mark = host.Events().size();
    std::size_t n = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        ASSERT_TRUE(Start(range, Options(c.typed, 300000)));
        ASSERT_TRUE(WaitEnded(mark));
        mark = host.Events().size();
        const auto closed = host.Downloads();
        ASSERT_EQ(closed.size(), ++n);
        EXPECT_EQ(closed.back().askedName, c.typed);
        EXPECT_EQ(closed.back().setName, c.made);
        const auto sets = ReadSets(c.made, first.size() / 3);
        ExpectFrames(sets, transfer->GoodFrames());
    }
    // Nothing was written outside the Download folder, and the first
    // download is as it was.
    for (const auto& e : fs::directory_iterator(dir))
        EXPECT_EQ(e.path().filename(), "Download");
    for (const auto& [name, bytes] : first)
        EXPECT_EQ(ReadFile((dir / "Download" / name).string()), bytes) << name;
}

// Backups of the recorder's recordings: the size answer is exactly what the
// stream then sends, and the stream holds the catalogue's pictures.
TEST_F(BackupTransferTest, CatalogueRangeSizedAndStreamedAlike)
{
    const k5sim::SimCatalogue catalogue = k5sim::SimCatalogue::Standard(2008, 1);
    transfer->SetCatalogue(&catalogue);
    transfer->Config().fps = 2;
    transfer->Config().kbPerSecond = 0; // the answer is the stream's own size
    // Day 2, 08:59-09:20: camera 2 until 09:15 (camera 1 all along).
    const std::uint32_t from = k5sim::RecorderTime(2008, 1, 2, 8, 59),
                        to = k5sim::RecorderTime(2008, 1, 2, 9, 20);
    const Bytes range = SimTransfer::RangeBody(0x3, from, to);
    ASSERT_TRUE(client->Send(99, range.data(), range.size()));
    RoundTrip();
    const std::uint32_t kb = frame->backupSize.load();
    ASSERT_TRUE(Start(range, Options("cat"), kb));
    ASSERT_TRUE(WaitEnded());
    const auto good = transfer->GoodFrames();
    EXPECT_EQ(good.size(), catalogue.Frames(0x3, from, to, 2).size());
    std::uint64_t bytes = 0;
    std::uint32_t channels = 0;
    for (const Bytes& f : good) {
        bytes += f.size();
        channels |= 1u << (f[192 + 8] & 0xF);
    }
    EXPECT_EQ(kb, (bytes + 1023) / 1024);
    EXPECT_EQ(channels, 0x3u);
    const auto sets = ReadSets("cat", 1);
    ExpectFrames(sets, good);
    EXPECT_EQ(sets[0].summaryMin, from);
    EXPECT_EQ(sets[0].summaryMax, to - 1);
}

TEST_F(BackupTransferTest, StopRefusalsAreReported)
{
    struct Case
    {
        std::int32_t reason;
        LPARAM note;
    };
    for (const Case c : {Case{1, 0x60000}, Case{2, 0x60001}}) {
        transfer->Config().offRefuseReason = c.reason;
        transfer->Config().frames = 500;
        transfer->Config().holdAfter = 5;
        const std::size_t mark = host.Mark();
        const std::size_t streams = transfer->Streams();
        ASSERT_TRUE(
            Start(SimTransfer::RangeBody(0x1, kStart, 0), Options("refused" + std::to_string(c.reason))));
        ASSERT_TRUE(transfer->WaitStreams(streams + 1));
        ASSERT_TRUE(transfer->WaitFramesSent(5));
        client->SendTransOffReq();
        ASSERT_TRUE(host.WaitForNotify(c.note, 30s));
        ASSERT_TRUE(WaitEnded(mark));
    }
}

TEST_F(BackupTransferTest, FailEndsWithOffRequestThenNotification)
{
    transfer->Config().frames = 20;
    transfer->Config().failReason = 53;
    const Bytes range = SimTransfer::RangeBody(0x1, kStart, 0);
    ASSERT_TRUE(Start(range, Options("fail")));
    ASSERT_TRUE(host.WaitForNotify(0x60004, 60s));
    ASSERT_TRUE(sim->WaitForCount(102, 1));
    const auto off = sim->ReceivedOf(102);
    EXPECT_EQ(off[0].length, 0);
    // TRANS_OFF_REQ and the bar's end come before the box.
    const auto events = host.Events();
    std::size_t end = events.size(), note = events.size();
    for (std::size_t i = 0; i < events.size(); ++i) {
        if (events[i].kind == HostEvent::Post && events[i].msg == WM_TRANSFER_END && end == events.size())
            end = i;
        if (events[i].kind == HostEvent::Notify && events[i].lParam == 0x60004)
            note = i;
    }
    EXPECT_LT(end, note);
    ExpectFrames(ReadSets("fail", 1), transfer->GoodFrames());
}

TEST_F(BackupTransferTest, StopDisconnectAndWithdrawnRightEndMidStream)
{
    enum Way
    {
        BarStop,
        Disconnect,
        RightWithdrawn
    };
    for (Way way : {BarStop, Disconnect, RightWithdrawn}) {
        SCOPED_TRACE(int(way));
        const std::string name = "mid" + std::to_string(int(way));
        transfer->Config().frames = 1000;
        transfer->Config().holdAfter = 40;
        const std::size_t mark = host.Mark();
        const std::size_t streams = transfer->Streams();
        ASSERT_TRUE(Start(SimTransfer::RangeBody(0x3, kStart, 0), Options(name)));
        ASSERT_TRUE(transfer->WaitStreams(streams + 1));
        ASSERT_TRUE(transfer->WaitFramesSent(40));
        RoundTrip(); // the 40 frames are in the writer's queue
        const std::size_t offs = sim->Count(102);
        if (way == BarStop) {
            client->SendTransOffReq();
        } else if (way == Disconnect) {
            client->DestroyWindow();
        } else {
            sim->Send(270, k5sim::BuildRightChange({Row("admin", {{1, 1, 1, 0, 1, 1, 1, 1}})}));
        }
        ASSERT_TRUE(sim->WaitForCount(102, offs + 1, 30s));
        ASSERT_TRUE(WaitEnded(mark));
        transfer->Release();
        ASSERT_TRUE(transfer->WaitStreamEnd());
        EXPECT_FALSE(client->m_bTrans);
        EXPECT_FALSE(client->HasWorker(kSlotBackupWriter));
        ExpectFrames(ReadSets(name, 1), transfer->GoodFrames());
        if (way == Disconnect) {
            EXPECT_FALSE(host.EventsOf(HostEvent::DestroyTransferBar).empty());
        }
        if (way != Disconnect) {
            // The recorder's answer to the stop is taken quietly.
            RoundTrip();
            EXPECT_TRUE(host.Notifications().empty());
            sim->Send(270, k5sim::BuildRightChange({Row("admin", {{1, 1, 1, 1, 1, 1, 1, 1}})}));
            RoundTrip();
        }
        if (way == Disconnect)
            break;
    }
}

TEST_F(BackupTransferTest, FileErrorsStopTheDownloadAndTellTheOperator)
{
    struct Case
    {
        const char* what;
        LPARAM note;
    };
    // A full disk part-way through the .vid; a regular file in the Download
    // folder's place.
    const Case cases[] = {{"disk full", 0x150000}, {"folder blocked", 0x150001}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::size_t mark = host.Mark();
        transfer->Config().frames = 400;
        BackupSetOptions o = Options(c.what);
        std::shared_ptr<CMemoryBackupFileSystem> memory;
        if (c.note == 0x150000) {
            memory = std::make_shared<CMemoryBackupFileSystem>();
            memory->FailAt(".vid", 200000);
            o.fileSystem = memory;
        } else {
            fs::create_directories(dir);
            std::ofstream(dir / "Download") << "a file";
        }
        ASSERT_TRUE(Start(SimTransfer::RangeBody(0x1, kStart, 0), o));
        ASSERT_TRUE(host.WaitForNotify(c.note, 60s));
        ASSERT_TRUE(sim->WaitForCount(102, 1, 30s));
        ASSERT_TRUE(WaitEnded(mark));
        // A late end notice of the previous case can count among the two: the
        // transfer is over once the connection has unmarked it.
        const auto until = std::chrono::steady_clock::now() + 30s;
        while (client->m_bTrans && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(5ms);
        EXPECT_FALSE(client->m_bTrans);
        if (memory) {
            const std::string base = (dir / "Download" / c.what).string();
            backup_reader::Set s;
            std::string error;
            ASSERT_TRUE(backup_reader::ReadSet(memory->Bytes(base + ".idx"), memory->Bytes(base + ".vih"),
                                               memory->Bytes(base + ".vid"), s, error))
                << error;
            const auto good = transfer->GoodFrames();
            ASSERT_GT(s.frames.size(), 10u);
            ASSERT_LT(s.frames.size(), good.size());
            ExpectFrames({s}, std::vector<Bytes>(
                                  good.begin(), good.begin() + static_cast<std::ptrdiff_t>(s.frames.size())));
        }
        fs::remove_all(dir);
        sim->ClearReceived();
    }
}

} // namespace
