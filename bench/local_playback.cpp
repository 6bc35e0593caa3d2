// Local playback end to end: one downloaded file set of 16 channels of
// 704 x 576 H.264 at 25 frames per second with sensor noise, every frame
// with a 16-bit checksum (check kind 3) and the Watermark setting on, played
// at speed 1 by CLocalPlayer into 16 decode workers and the headless grid
// (picture buffers, no widgets). In the same run the same frames are decoded
// by plain libavcodec in one thread and converted to the grid's picture
// format as the yardstick.
//
//   local_playback [--seconds N] [--channels N] [--noise 0|1]
//
// Prints: CPU time per decoded frame of the client (all its threads while the
// set plays) against the yardstick's (target <= 1.15), and the frames shed,
// failed or refused by the workers and the frames of the set never published
// (target 0). The set is written to a temporary folder and removed.
#include "BenchHeadless.h"
#include "local/LocalPlayer.h"
#include "local/LocalPlaylist.h"
#include "platform/DecoderLibrary.h"
#include "streams/LocalSetBuilder.h"
#include "streams/TestStreams.h"
#include "video/VideoDecodeThread.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>


namespace {

using Clock = std::chrono::steady_clock;

class BenchEnv : public DecodeEnv
{
public:
    bool DropLiveFrame(int) const override { return false; }
    std::uint32_t PlaybackClockTime(int) const override { return 0; }
    void SetMainClockTime(std::uint32_t) override {}
    std::string LocalCameraName(int) const override { return std::string(); }
    std::string RecorderCameraName(int channel) const override { return "CAM " + std::to_string(channel + 1); }
    bool DeinterlaceOn(int) const override { return false; }
    bool ServedModel() const override { return true; }
    AudioMarkInputs AudioMarkState(int, int, bool) const override { return AudioMarkInputs{}; }
    void ReportDecoderInitError() override { std::fprintf(stderr, "local_playback: decoder init failed\n"); }
};

// The main window as the player sees it: workers on the headless grid, the
// Watermark setting on, no sound device.
class BenchLocalHost : public ILocalHost
{
public:
    explicit BenchLocalHost(const DecoderEntryPoints& entries) : m_entries(entries) {}
    WndHandle HostHandle() const override { return WndHandle(); }
    std::string DataLocation() const override { return {}; }
    void PostNotifyEvent(int, int) override {}
    void WriteConnectLog(int, int, int, int, const char*, const char*) override {}
    void SetVideoViewMode(int) override {}
    void SetLastChannelMask(int) override {}
    std::unique_ptr<IDecodeWorker> CreateLocalWorker(int channel) override
    {
        auto w = std::make_unique<CVideoDecodeThread>(channel, grid, env, m_entries, options);
        std::lock_guard<std::mutex> lock(m);
        workers[static_cast<std::size_t>(channel)] = w.get();
        return w;
    }
    bool WatermarkOn() override { return true; }
    void SetWatermarkState(int, int state) override
    {
        if (state == 2)
            ++tampered;
    }
    void ReportSkippedSet(const std::string& name) override
    {
        std::fprintf(stderr, "local_playback: set %s skipped\n", name.c_str());
    }
    void LocalPlayEnded() override
    {
        std::lock_guard<std::mutex> lock(m);
        ended = true;
        cv.notify_all();
    }

    CVideoDecodeThread::Stats Totals()
    {
        CVideoDecodeThread::Stats sum;
        std::lock_guard<std::mutex> lock(m);
        for (CVideoDecodeThread* w : workers) {
            if (!w)
                continue;
            const auto s = w->GetStats();
            sum.published += s.published;
            sum.shed += s.shed;
            sum.failed += s.failed;
            sum.refused += s.refused;
            sum.queued += s.queued;
        }
        return sum;
    }

    HeadlessGrid grid{3};
    BenchEnv env;
    DecodeWorkerOptions options;
    std::mutex m;
    std::condition_variable cv;
    bool ended = false;
    std::array<CVideoDecodeThread*, 16> workers{};
    std::atomic<int> tampered{0};

private:
    DecoderEntryPoints m_entries;
};

} // namespace

int main(int argc, char** argv)
{
    int seconds = 10;
    int channels = 16;
    bool noise = true;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--seconds") == 0)
            seconds = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--channels") == 0)
            channels = std::clamp(std::atoi(argv[i + 1]), 1, 16);
        else if (std::strcmp(argv[i], "--noise") == 0)
            noise = std::atoi(argv[i + 1]) != 0;
    }

    k5streams::StreamSpec spec;
    spec.width = 704;
    spec.height = 576;
    spec.interlaced = true;
    spec.noise = noise;
    spec.gop = 25;
    spec.frames = 50;
    const std::vector<k5streams::EncodedFrame> frames = k5streams::MakeH264Stream(spec);
    if (frames.empty()) {
        std::fprintf(stderr, "local_playback: no libx264 encoder\n");
        return 1;
    }
    std::vector<std::shared_ptr<const std::vector<std::uint8_t>>> payloads;
    std::size_t bytes = 0;
    for (const auto& f : frames) {
        payloads.push_back(std::make_shared<const std::vector<std::uint8_t>>(f.data));
        bytes += f.data.size();
    }
    std::printf("stream: 704x576 MBAFF%s, %zu frames looped, %.1f KB per frame, %d channels at 25 fps for %d s, "
                "%u CPUs\n",
                noise ? " with noise" : "", frames.size(), double(bytes) / 1024.0 / double(frames.size()), channels,
                seconds, std::thread::hardware_concurrency());

    // One set: every channel's n-th frame is the stream's n-th picture.
    const std::uint16_t mask = static_cast<std::uint16_t>((1u << channels) - 1u);
    const std::uint32_t start = 0x60000000;
    std::vector<k5streams::LocalFrameSpec> specs = k5streams::MakeLocalRun(start, seconds, mask, 25, 3, 1, 25);
    for (std::size_t i = 0; i < specs.size(); ++i) {
        auto& s = specs[i];
        const std::size_t n = i / static_cast<std::size_t>(channels);
        s.payload = payloads[n % payloads.size()];
        s.key = frames[n % frames.size()].key;
        s.width = 704;
        s.height = 576;
    }
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("local_playback." + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    k5streams::LocalSetOptions o;
    o.folder = folder.string();
    o.name = "bench";
    if (k5streams::WriteLocalSets(o, specs).empty()) {
        std::fprintf(stderr, "local_playback: the set could not be written to %s\n", o.folder.c_str());
        std::filesystem::remove_all(folder);
        return 1;
    }

    Playlist list;
    const auto built = BuildLocalPlaylist(OrderAndChainSets(ScanDownloadFolder(o.folder, LocalScan::Play).sets),
                                          {0, static_cast<int>(start), 0}, list);
    if (built.current == list.end()) {
        std::fprintf(stderr, "local_playback: the written set gives no playlist\n");
        std::filesystem::remove_all(folder);
        return 1;
    }

    DecoderLibrary library;
    if (!library.Load()) {
        std::fprintf(stderr, "local_playback: libH264_D1.so not found beside the program\n");
        std::filesystem::remove_all(folder);
        return 1;
    }
    BenchLocalHost host(DecoderEntryPoints::From(library));
    host.options.modeLabels = {"Live", "Playback", "Local"};

    const double cpuStart = CpuSeconds(RUSAGE_SELF);
    const auto wallStart = Clock::now();
    CVideoDecodeThread::Stats totals;
    std::uint64_t checked = 0;
    bool ended = false;
    {
        CLocalPlayer player(&host);
        player.SetPlaylist(&list, built.current);
        player.Start();
        player.SetPlayCommand(3);
        // The player pauses at the end of the set's last frame.
        const auto bound = Clock::now() + std::chrono::seconds(seconds * 4 + 30);
        while (Clock::now() < bound) {
            std::unique_lock<std::mutex> lock(host.m);
            if (host.cv.wait_for(lock, std::chrono::milliseconds(10), [&] { return host.ended; }))
                break;
            lock.unlock();
            if (player.m_nPlayState == 4) {
                ended = true;
                break;
            }
        }
        ended = ended || host.ended;
        player.DestroyWindow();
        checked = player.Stats().checked;
        // What the workers still hold is decoded before the counts are read.
        for (int ch = 0; ch < 16; ++ch)
            if (IDecodeWorker* w = player.Channel(ch))
                w->WaitDrained(std::chrono::seconds(30));
        totals = host.Totals();
        {
            std::lock_guard<std::mutex> lock(host.m);
            host.workers.fill(nullptr);
        }
        player.Stop();
    }
    const double cpuSpent = CpuSeconds(RUSAGE_SELF) - cpuStart;
    const double wall = std::chrono::duration<double>(Clock::now() - wallStart).count();
    std::filesystem::remove_all(folder);

    const std::uint64_t inSet = specs.size();
    const std::uint64_t missing = totals.published < inSet ? inSet - totals.published : 0;
    const double clientPerFrame = totals.published > 0 ? cpuSpent / double(totals.published) : 0;
    const double yardstick = YardstickPerFrame(frames, static_cast<std::size_t>(totals.published), true);
    std::printf("played %s in %.2f s: %llu frames in the set, %llu pictures published, %llu checked, "
                "%d tampered marks\n",
                ended ? "to the end" : "until the bound (not to the end)", wall, static_cast<unsigned long long>(inSet),
                static_cast<unsigned long long>(totals.published), static_cast<unsigned long long>(checked),
                host.tampered.load());
    std::printf("client CPU per decoded frame   %.3f ms (all threads of the process while playing)\n",
                clientPerFrame * 1e3);
    std::printf("yardstick CPU per decoded frame %.3f ms (libavcodec, one thread, with conversion)\n",
                yardstick * 1e3);
    std::printf("ratio client/yardstick          %.3f   (target <= 1.15)\n",
                yardstick > 0 ? clientPerFrame / yardstick : 0.0);
    std::printf("frames shed %llu, decoder failures %llu, refused %llu, never published %llu   (target 0)\n",
                static_cast<unsigned long long>(totals.shed), static_cast<unsigned long long>(totals.failed),
                static_cast<unsigned long long>(totals.refused), static_cast<unsigned long long>(missing));
    return ended ? 0 : 1;
}
