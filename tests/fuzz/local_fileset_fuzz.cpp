// A downloaded file set as any disk, copy or half-finished download may hold
// it: the input's bytes become the set's three files, which go through every
// scan, the playlist in both modes, the calendar and event lists, and the
// player's engine (commands, a seek) for a bounded number of passes.
//
// Input: mode byte, start offset s (u16), seek offset k (u16), command bytes
// (4), lengths of the .idx overlay, the .vih and the .vid parts (u16 each),
// then the parts. mode bit 0: the .idx is a sound skeleton (header, index
// area, items, trailer) with the overlay laid over its summary and first
// entries and the rest of the part appended as items; else the part is the
// whole .idx. mode bit 1: the .vih and .vid get a sound header first.
#include "FuzzSupport.h"

#include "local/LocalCalendar.h"
#include "local/LocalLists.h"
#include "local/LocalPlayCore.h"
#include "local/LocalPlaylist.h"

#include <cstring>

namespace {

class Clock : public ILocalPlayClock
{
public:
    std::int64_t NowMs() override { return now; }
    void WaitFor(int ms) override { now += ms > 0 ? ms : 1; }
    void Wake() override {}
    std::int64_t now = 0;
};

class Worker : public IDecodeWorker
{
public:
    bool Queue(std::unique_ptr<QueuedFrame> frame) override
    {
        K5_FUZZ_CHECK(frame && frame->item.size() >= kQueuedItemHeadSize + kFrameHeaderSize);
        return true;
    }
    void SetDiscard(bool) override {}
    bool IsDiscarding() const override { return false; }
    int QueueCount() const override { return 2; }
    bool WaitDrained(std::chrono::milliseconds) override { return true; }
    int Channel() const override { return 0; }
    void Stop() override {}
};

class Audio : public IAudioWorker
{
public:
    bool PutBlock(const std::uint8_t*, std::size_t) override { return true; }
    void Flush() override {}
    void Resume() override {}
    bool WaitQueueDrained(std::chrono::milliseconds) override { return true; }
    void Stop() override {}
};

class Sink : public ILocalPlaySink
{
public:
    IDecodeWorker* Worker(int channel) override
    {
        K5_FUZZ_CHECK(channel >= 0 && channel < 16);
        return &worker;
    }
    std::uint16_t VisibleChannels() override { return 0xFFFF; }
    int SingleViewChannel(std::uint16_t mask, int& index) override
    {
        index = 0;
        return mask & 1 ? 0 : -1;
    }
    bool WatermarkOn() override { return true; }
    void SetWatermarkState(int channel, int) override { K5_FUZZ_CHECK(channel >= 0 && channel < 16); }
    void ChainSetup(std::uint32_t, int, bool, int) override {}
    void SetSliderPos(int) override {}
    void SetPlaybackTime(std::uint32_t) override {}
    void CommandDone(int) override {}
    void ReportSkippedSet(const std::string&) override {}
    void PlayEnded() override {}
    std::unique_ptr<IAudioWorker> CreateAudio() override { return std::make_unique<Audio>(); }
    class Worker worker;
};

void SoundHeader(std::string& b)
{
    if (b.size() < 64)
        b.resize(64, '\0');
    std::memcpy(b.data(), "kola5500", 8);
    const std::uint32_t magic = BackupFormat::kHeaderMagic;
    std::memcpy(b.data() + 16, &magic, 4);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    k5fuzz::Reader in(data, size);
    const std::uint8_t mode = in.U8();
    const int startOffset = in.U16();
    const int seekOffset = in.U16();
    std::uint8_t commands[4];
    for (auto& c : commands)
        c = in.U8();
    const std::size_t idxLen = in.U16();
    const std::size_t vihLen = in.U16();
    const std::size_t vidLen = in.U16();
    const std::string idxPart = in.Bytes(idxLen);
    const std::string vihPart = in.Bytes(vihLen);
    const std::string vidPart = in.Bytes(vidLen);

    // The set's files live in memory, read through the same source the disk
    // is read through; their storage stays from input to input (a sound .idx
    // alone is a quarter of a megabyte).
    static CLocalMemoryFiles files;
    static const bool installed = [] {
        SetLocalFileSourceForTesting(&files);
        return true;
    }();
    (void)installed;
    const std::string folder = "/fuzz/Download";
    files.Remove(folder + (mode & 4 ? "/s.vih" : "/s.VIH"));
    std::string& idx = files.File(folder + "/s.idx");
    std::string& vih = files.File(folder + (mode & 4 ? "/s.VIH" : "/s.vih"));
    std::string& vid = files.File(folder + "/s.vid");

    if (mode & 1) {
        idx.assign(BackupFormat::kItemListOffset, '\0');
        SoundHeader(idx);
        const std::size_t overlay = std::min<std::size_t>(idxPart.size(), 64 + 128 + 1024);
        std::memcpy(idx.data() + 64, idxPart.data(), std::min<std::size_t>(overlay, idx.size() - 64));
        idx.append(idxPart, overlay, std::string::npos);
        idx.append(64, '\0');
    } else {
        idx = idxPart;
    }
    vih.clear();
    vid.clear();
    if (mode & 2) {
        SoundHeader(vih);
        SoundHeader(vid);
    }
    vih += vihPart;
    vid += vidPart;

    for (LocalScan scan : {LocalScan::Play, LocalScan::Calendar, LocalScan::Event, LocalScan::FileList})
        ScanDownloadFolder(folder, scan);
    // The builders also meet sets the scan would refuse.
    LocalSetRef ref;
    ref.name = "s";
    ref.idxPath = folder + "/s.idx";
    {
        CLocalFileSet set;
        if (set.OpenFiles(ref.idxPath) == LocalSetFault::None) {
            ref.firstTime = set.FirstTime();
            ref.startStamp = set.StartStamp();
            ref.endStamp = set.EndStamp();
        }
    }
    const std::vector<LocalPlaySet> sets = OrderAndChainSets({ref});
    // Times wrap as the recorder's 32-bit seconds do.
    auto time32 = [](std::int64_t t) { return static_cast<int>(static_cast<std::uint32_t>(t)); };
    const int start = time32(static_cast<std::int64_t>(ref.firstTime) + startOffset - 100);
    LocalYearMap map;
    ScanRecordedDays(folder, 2000 + (startOffset % 38), map);
    BuildLocalEvents({ref});

    for (int m = 0; m < 2; ++m) {
        Playlist list;
        const LocalPlaylistResult res = BuildLocalPlaylist(sets, {m, start, time32(std::int64_t(start) + seekOffset)}, list);
        for (const PlaylistNode& n : list) {
            K5_FUZZ_CHECK(n.nEntryFirstRecord <= n.nEntryRecordsEnd);
            K5_FUZZ_CHECK(n.nFirstPlayRecord >= 64);
        }
        if (res.current == list.end())
            continue;
        Clock clock;
        Sink sink;
        CLocalPlayCore core(sink, clock);
        core.m_nPlayState = 3;
        core.SetPlaylist(&list, res.current);
        core.SetPlayCommand(3);
        if (!core.Begin())
            continue;
        for (int pass = 0; pass < 400; ++pass) {
            if (pass % 100 == 50)
                core.SetPlayCommand(commands[(pass / 100) % 4] % 12);
            if (pass == 120) {
                core.m_nSeekTime = time32(std::int64_t(start) + seekOffset - 30000);
                core.m_nSeekState = 3;
            }
            if (!core.Pass())
                break;
        }
        core.End();
    }
    return 0;
}
