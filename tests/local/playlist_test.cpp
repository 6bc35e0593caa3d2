// The folder scan and the playlist over sets written by the real download
// writer: family check, damaged sets, order and chaining of split backups,
// the two play modes with their cuts, and the clamps against bad counts.
#include "streams/LocalSetBuilder.h"
#include "LocalTestDir.h"
#include "local/LocalFileSet.h"
#include "local/LocalPlaylist.h"
#include "net/Wire.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <gtest/gtest.h>

using namespace k5streams;
namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t T0 = 0x50000000;

// Two entries: seconds 0-9 (segment 1) and, after a gap, 20-29 (segment 2).
std::vector<LocalFrameSpec> TwoEntries(std::uint32_t start = T0)
{
    auto a = MakeLocalRun(start, 10, 0x3, 2, 0, 1);
    auto b = MakeLocalRun(start + 20, 10, 0x3, 2, 0, 2);
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::array<std::string, 3> WriteOne(const std::string& dir, const std::string& name,
                                    const std::vector<LocalFrameSpec>& frames, bool served = true)
{
    LocalSetOptions o;
    o.folder = dir;
    o.name = name;
    o.servedModel = served;
    auto files = WriteLocalSets(o, frames);
    EXPECT_EQ(files.size(), 1u);
    return files.empty() ? std::array<std::string, 3>{} : files[0];
}

std::vector<std::uint8_t> LE(std::uint32_t v)
{
    std::vector<std::uint8_t> b(4);
    WriteLE32(b.data(), v);
    return b;
}

std::uint32_t RecordTime(const std::string& vih, int offset)
{
    CLocalFile f;
    EXPECT_TRUE(f.Open(vih));
    bool ok = true;
    return f.ReadU32At(static_cast<std::uint64_t>(offset) + 24, ok);
}

std::vector<const PlaylistNode*> Nodes(const Playlist& list)
{
    std::vector<const PlaylistNode*> v;
    for (const auto& n : list)
        v.push_back(&n);
    return v;
}

} // namespace

TEST(LocalScan, FamilyCaseSiblingsAndDamagedSetsTable)
{
    const std::string dir = LocalScratch();
    const auto good = WriteOne(dir, "a_good", TwoEntries());
    WriteOne(dir, "b_other", TwoEntries(), false);
    const auto caps = WriteOne(dir, "c_caps", TwoEntries());
    ASSERT_TRUE(PatchFile(caps[2], 0, {'K', 'O', 'L', 'A', '5', '5', '0', '0'}));
    ASSERT_TRUE(PatchFile(caps[0], 0, {'K', 'O', 'L', 'A', '5', '5', '0', '0'}));
    const auto upper = WriteOne(dir, "d_upper", TwoEntries());
    fs::rename(upper[1], dir + "/d_upper.VIH");
    fs::rename(upper[2], dir + "/d_upper.Vid");
    struct Damage
    {
        const char* name;
        std::function<void(const std::array<std::string, 3>&)> apply;
        LocalSetFault fault;
    };
    const std::vector<Damage> damages = {
        {"e_novid", [](auto& f) { fs::remove(f[2]); }, LocalSetFault::Missing},
        {"f_shortidx", [](auto& f) { TruncateFile(f[0], 40); }, LocalSetFault::Short},
        {"g_magic", [](auto& f) { PatchFile(f[0], 16, LE(0x12345678)); }, LocalSetFault::Magic},
        {"h_zerosummary", [](auto& f) { PatchFile(f[0], 96, LE(0)); }, LocalSetFault::Summary},
        {"i_items", [](auto& f) { PatchFile(f[0], 192 + 256 + 32, LE(0xFFFFFF00)); }, LocalSetFault::Entries},
        {"j_shortvih", [](auto& f) { TruncateFile(f[1], 10); }, LocalSetFault::Short},
        {"k_cutvih", [](auto& f) { TruncateFile(f[1], 64 + 192 * 3); }, LocalSetFault::Entries},
    };
    for (const Damage& d : damages) {
        const auto files = WriteOne(dir, d.name, TwoEntries());
        d.apply(files);
        CLocalFileSet set;
        LocalSetFault fault = set.OpenFiles(files[0]);
        if (fault == LocalSetFault::None)
            fault = set.Validate(LocalFamilyFile::Idx);
        EXPECT_EQ(fault, d.fault) << d.name << ": " << LocalSetFaultName(fault);
    }
    // A set the writer has not closed yet.
    BackupSetOptions open;
    open.folder = dir;
    open.name = "l_writing";
    open.servedModel = true;
    CBackupSetWriter writing(open);
    ASSERT_TRUE(writing.Open());
    for (const auto& s : MakeLocalRun(T0, 3, 1)) {
        const auto f = MakeLocalFrame(s);
        ASSERT_TRUE(writing.WriteFrame(f.data(), f.size()));
    }

    for (LocalScan scan : {LocalScan::Play, LocalScan::Calendar, LocalScan::Event, LocalScan::FileList}) {
        const LocalScanResult r = ScanDownloadFolder(dir, scan);
        std::vector<std::string> names;
        for (const auto& s : r.sets)
            names.push_back(s.name);
        EXPECT_EQ(names, (std::vector<std::string>{"a_good", "c_caps", "d_upper"}));
        // Damaged sets are counted, the sibling model's are not.
        EXPECT_EQ(r.skipped, 8);
        EXPECT_EQ(r.firstSkipped, "e_novid");
    }
    const LocalScanResult r = ScanDownloadFolder(dir, LocalScan::FileList, 2);
    EXPECT_EQ(r.sets.size(), 2u);
    EXPECT_EQ(r.sets[0].firstTime, T0);
    EXPECT_EQ(r.sets[0].lastTime, T0 + 29);
    EXPECT_EQ(r.sets[0].entries, 2);
    EXPECT_EQ(r.sets[0].bytes, fs::file_size(good[0]) + fs::file_size(good[1]) + fs::file_size(good[2]));
    writing.Close();
}

// The same folder read from memory (the fuzz target's way in) and from the
// disk: every scan finds the same sets, skips the same ones and reads the
// same times and sizes; sibling names are matched without regard to case in
// both; and the disk is the source again once the memory is taken away.
TEST(LocalScan, FilesInMemoryScanAsTheSameFilesOnDisk)
{
    const std::string dir = LocalScratch();
    WriteOne(dir, "a_good", TwoEntries());
    WriteOne(dir, "b_other", TwoEntries(), false);
    const auto upper = WriteOne(dir, "c_upper", TwoEntries(T0 + 100));
    fs::rename(upper[1], dir + "/c_upper.VIH");
    fs::rename(upper[2], dir + "/c_upper.Vid");
    const auto cut = WriteOne(dir, "d_cut", TwoEntries());
    TruncateFile(cut[1], 64 + 192 * 3);
    const auto novid = WriteOne(dir, "e_novid", TwoEntries());
    fs::remove(novid[2]);
    fs::create_directories(dir + "/below");
    WriteOne(dir + "/below", "f_below", TwoEntries());

    CLocalMemoryFiles memory;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        if (!entry.is_regular_file())
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        memory.File(entry.path().string()).assign(std::istreambuf_iterator<char>(in), {});
    }

    for (LocalScan scan : {LocalScan::Play, LocalScan::Calendar, LocalScan::Event, LocalScan::FileList}) {
        SCOPED_TRACE(static_cast<int>(scan));
        const LocalScanResult disk = ScanDownloadFolder(dir, scan);
        SetLocalFileSourceForTesting(&memory);
        const LocalScanResult held = ScanDownloadFolder(dir, scan);
        SetLocalFileSourceForTesting(nullptr);
        ASSERT_EQ(disk.sets.size(), 2u);
        ASSERT_EQ(held.sets.size(), disk.sets.size());
        for (std::size_t i = 0; i < disk.sets.size(); ++i) {
            EXPECT_EQ(held.sets[i].name, disk.sets[i].name);
            EXPECT_EQ(held.sets[i].idxPath, disk.sets[i].idxPath);
            EXPECT_EQ(held.sets[i].firstTime, disk.sets[i].firstTime);
            EXPECT_EQ(held.sets[i].lastTime, disk.sets[i].lastTime);
            EXPECT_EQ(held.sets[i].startStamp, disk.sets[i].startStamp);
            EXPECT_EQ(held.sets[i].endStamp, disk.sets[i].endStamp);
            EXPECT_EQ(held.sets[i].entries, disk.sets[i].entries);
            EXPECT_EQ(held.sets[i].bytes, disk.sets[i].bytes);
        }
        EXPECT_EQ(held.skipped, disk.skipped);
        EXPECT_EQ(disk.skipped, 2);
        EXPECT_EQ(held.firstSkipped, disk.firstSkipped);
        EXPECT_EQ(held.firstFault, disk.firstFault);
    }

    // The player's reads go through the source too: the same records.
    SetLocalFileSourceForTesting(&memory);
    const std::uint32_t held = RecordTime(dir + "/c_upper.VIH", 64 + 192 * 2);
    memory.Remove(dir + "/c_upper.VIH");
    CLocalFileSet gone;
    EXPECT_EQ(gone.OpenFiles(dir + "/c_upper.idx"), LocalSetFault::Missing);
    SetLocalFileSourceForTesting(nullptr);
    EXPECT_EQ(held, RecordTime(dir + "/c_upper.VIH", 64 + 192 * 2));
    CLocalFileSet back;
    EXPECT_EQ(back.OpenFiles(dir + "/c_upper.idx"), LocalSetFault::None);
}

TEST(LocalScan, PlayScanChecksTheVidStemAndPagesTheIdxStem)
{
    const std::string dir = LocalScratch();
    const auto f = WriteOne(dir, "s", TwoEntries());
    ASSERT_TRUE(PatchFile(f[2], 0, {'m', 'i', 'r', 'a'}));
    EXPECT_TRUE(ScanDownloadFolder(dir, LocalScan::Play).sets.empty());
    EXPECT_EQ(ScanDownloadFolder(dir, LocalScan::Event).sets.size(), 1u);
    EXPECT_EQ(LocalDownloadFolder("/data", false, "/media/cd"), "/data/Download/");
    EXPECT_EQ(LocalDownloadFolder("/data", true, "/media/cd"), "/media/cd/Download/");
}

TEST(LocalPlaylist, SplitPairPlaysBackToBackAheadOfAnEarlierSet)
{
    const std::string dir = LocalScratch();
    // One backup split into two sets (first times T0 and T0+200), and another
    // backup whose first time (T0+100) falls between them.
    std::vector<LocalFrameSpec> frames = MakeLocalRun(T0, 4, 1, 1, 0, 1);
    auto later = MakeLocalRun(T0 + 200, 4, 1, 1, 0, 2);
    frames.insert(frames.end(), later.begin(), later.end());
    LocalSetOptions o;
    o.folder = dir;
    o.name = "split";
    o.splitSize = 1500; // splits after the first segment's frames
    const auto sets = WriteLocalSets(o, frames);
    ASSERT_GE(sets.size(), 2u);
    WriteOne(dir, "a_middle", MakeLocalRun(T0 + 100, 4, 1, 1, 0, 1));

    const auto ordered = OrderAndChainSets(ScanDownloadFolder(dir, LocalScan::Play).sets);
    ASSERT_EQ(ordered.size(), sets.size() + 1);
    EXPECT_EQ(ordered[0].ref.name, "split");
    for (std::size_t i = 1; i < sets.size(); ++i) {
        EXPECT_EQ(ordered[i].ref.idxPath, sets[i][0]);
        EXPECT_TRUE(ordered[i].continuesPrev);
        EXPECT_TRUE(ordered[i - 1].continuesNext);
    }
    EXPECT_FALSE(ordered[0].continuesPrev);
    EXPECT_EQ(ordered.back().ref.name, "a_middle");
    EXPECT_FALSE(ordered.back().continuesPrev);
    EXPECT_FALSE(ordered[sets.size() - 1].continuesNext);

    Playlist list;
    LocalPlayRequest rq;
    rq.nStart = static_cast<int>(T0);
    const auto res = BuildLocalPlaylist(ordered, rq, list);
    ASSERT_NE(res.current, list.end());
    const auto nodes = Nodes(list);
    EXPECT_EQ(nodes.front()->nEntryStart, static_cast<int>(T0));
    // The node that starts the later part continues the earlier one.
    bool sawContinuation = false;
    for (const auto* n : nodes)
        sawContinuation = sawContinuation || (n->bContinuesPrev && n->nEntryStart == static_cast<int>(T0 + 200));
    EXPECT_TRUE(sawContinuation);
    EXPECT_EQ(nodes.back()->nEntryStart, static_cast<int>(T0 + 100));
}

TEST(LocalPlaylist, ModesCutsAndCurrentNodeTable)
{
    const std::string dir = LocalScratch();
    const auto f = WriteOne(dir, "s", TwoEntries());
    const auto ordered = OrderAndChainSets(ScanDownloadFolder(dir, LocalScan::Play).sets);
    ASSERT_EQ(ordered.size(), 1u);
    const int t0 = static_cast<int>(T0);
    struct Case
    {
        const char* name;
        int mode, start, end;
        std::vector<int> cuts;       // per node
        int current;                 // index of the current node, -1 none
        int playStart;               // of the current node
        int firstRecordTime;         // time of the current node's first record to play
    };
    const std::vector<Case> cases = {
        {"start in the second entry", 0, t0 + 23, 0, {0, 0}, 1, t0 + 23, t0 + 23},
        {"start in the first entry", 0, t0 + 4, 0, {0, 0}, 0, t0 + 4, t0 + 4},
        {"start in the gap", 0, t0 + 15, 0, {0, 0}, 1, t0 + 20, t0 + 20},
        {"start after every node", 0, t0 + 100, 0, {0, 0}, -1, 0, 0},
        {"range inside one entry ignores the end", 1, t0 + 2, t0 + 5, {2}, 0, t0 + 2, t0 + 2},
        {"range over both entries", 1, t0 + 3, t0 + 25, {2, 3}, 0, t0 + 3, t0 + 3},
        {"range from the gap past the end", 1, t0 + 12, t0 + 500, {3}, 0, t0 + 29, -1},
        {"range before everything", 1, t0 - 50, t0 - 10, {}, -1, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Playlist list;
        LocalPlayRequest rq{c.mode, c.start, c.end};
        const auto res = BuildLocalPlaylist(ordered, rq, list);
        std::vector<int> cuts;
        for (const auto& n : list)
            cuts.push_back(n.nCutKind);
        EXPECT_EQ(cuts, c.cuts);
        if (c.current < 0) {
            EXPECT_EQ(res.current, list.end());
            continue;
        }
        ASSERT_NE(res.current, list.end());
        EXPECT_EQ(std::distance(list.begin(), res.current), c.current);
        EXPECT_EQ(res.current->nPlayStart, c.playStart);
        if (c.firstRecordTime >= 0)
            EXPECT_EQ(RecordTime(f[1], res.current->nFirstPlayRecord), static_cast<std::uint32_t>(c.firstRecordTime));
        else
            EXPECT_EQ(res.current->nFirstPlayRecord, res.current->nEntryRecordsEnd);
        EXPECT_EQ(res.current->nChannelMask, 0x3u);
        EXPECT_EQ(res.current->strVihPath, f[1]);
        EXPECT_LE(res.current->nEntryFirstRecord, res.current->nFirstPlayRecord);
    }
    // The range's end entry is cut at the first record after the end.
    Playlist list;
    BuildLocalPlaylist(ordered, {1, t0 + 3, t0 + 25}, list);
    EXPECT_EQ(RecordTime(f[1], list.back().nFirstPlayRecord), T0 + 26);
    EXPECT_EQ(list.back().nPlayStart, t0 + 26);
    EXPECT_EQ(list.front().nEntryRecordsEnd, list.back().nEntryFirstRecord);
}

TEST(LocalPlaylist, BadCountsAndUnreadableItemsAreClamped)
{
    const std::string dir = LocalScratch();
    const auto f = WriteOne(dir, "s", TwoEntries());
    const auto ordered = OrderAndChainSets(ScanDownloadFolder(dir, LocalScan::Play).sets);
    ASSERT_EQ(ordered.size(), 1u);
    // A count past the index area's 1024 slots: no item is read as an entry.
    ASSERT_TRUE(PatchFile(f[0], 96, LE(5000)));
    Playlist list;
    BuildLocalPlaylist(ordered, {0, static_cast<int>(T0), 0}, list);
    EXPECT_EQ(list.size(), 2u);

    // The second entry's items name records past its end: the walk reads
    // nothing and the node starts at its entry's end.
    ASSERT_TRUE(PatchFile(f[0], 96, LE(2)));
    CLocalFileSet set;
    ASSERT_EQ(set.OpenFiles(f[0]), LocalSetFault::None);
    LocalIdxEntry e;
    ASSERT_TRUE(set.ReadEntry(1, e));
    for (std::uint64_t pos = e.itemPos + 8; pos + 8 <= set.ItemAreaEnd(); pos += 8)
        ASSERT_TRUE(PatchFile(f[0], pos, LE(0x7FFFFFF0)));
    BuildLocalPlaylist(ordered, {0, static_cast<int>(T0) + 25, 0}, list);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list.back().nFirstPlayRecord, list.back().nEntryRecordsEnd);

    // A set that disappears between the scan and the build is skipped and named.
    fs::remove(f[2]);
    const auto res = BuildLocalPlaylist(ordered, {0, static_cast<int>(T0), 0}, list);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(res.skipped, 1);
    EXPECT_EQ(res.firstSkipped, "s");
}
