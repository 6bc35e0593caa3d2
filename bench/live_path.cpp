// The live path end to end: 16 channels of 704 x 576 H.264 at 25 frames per
// second from the recorder simulator (a child process) over loopback into
// the headless client core (connection, reassembly, queues, 16 decode
// workers, picture buffers; no widgets), and in the same run the same frames
// decoded by plain libavcodec in one thread as the yardstick.
//
//   live_path [--seconds N] [--channels N] [--noise 0|1]
//
// --noise 1 (the default) adds sensor noise to every picture, so that a frame
// costs as much to decode as a camera's; --noise 0 decodes cheaply and shows
// the client's own overhead more plainly.
//
// Prints: CPU time per decoded frame of the client against the yardstick
// (target <= 1.15), frames shed or dropped (target 0), the delay from a
// frame's arrival to its published picture (p50, p99; target p99 < 40 ms)
// and the client's peak resident memory.
#include "SimLive.h"
#include "net/NetClient.h"
#include "platform/DecoderLibrary.h"
#include "streams/TestStreams.h"
#include "video/VideoDecodeThread.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace {

using Clock = std::chrono::steady_clock;

double CpuSeconds(int who)
{
    rusage u{};
    getrusage(who, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double ThreadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

long StatusKb(const char* key)
{
    std::ifstream f("/proc/self/status");
    std::string line;
    while (std::getline(f, line)) {
        if (line.rfind(key, 0) == 0)
            return std::atol(line.c_str() + std::strlen(key));
    }
    return -1;
}

// The picture buffers and nothing that draws.
class HeadlessGrid : public GridSink
{
public:
    HeadlessGrid()
    {
        for (auto& p : m_pictures)
            p = std::make_unique<PictureBuffer>();
    }
    void SetChannelBlocked(int, bool) override {}
    bool IsChannelBlocked(int) const override { return false; }
    void SetActiveChannels(std::uint32_t, bool) override {}
    void Repaint(bool) override {}
    void LeaveFullScreen() override {}
    int GetPictureFormat() const override { return PictureBuffer::kFormatYuv420; }
    PictureBuffer* GetPicture(int channel) override
    {
        return channel >= 0 && channel < 16 ? m_pictures[channel].get() : nullptr;
    }
    void ClearPicture(int channel) override { m_pictures[channel]->ClearWrite(); }
    void FlipPicture(int, int, int, bool) override {}
    void DeinterlacePicture(int, int, int, bool, int) override {}
    void PrepareYuvPicture(int, int, int, bool, bool) override {}
    int GetViewMode() const override { return 1; }
    int GetOsdMode() const override { return 0; }
    void GetOsdFont(int& points, int& weight, std::string& face) const override
    {
        points = 13;
        weight = 700;
        face = "Arial Bold";
    }
    bool GetCellSize(int, int& width, int& height) const override
    {
        width = 200;
        height = 135;
        return true;
    }
    std::string FitOsdText(int, int, std::string_view text, bool) const override { return std::string(text); }
    int GetFrameRate(int) const override { return 25; }
    void SetSpeedIconPos(int, int, bool) override {}
    void SetWatermarkIconPos(int, int, bool) override {}
    void SetAudioMark(int, int, int, bool) override {}
    void SetWatermarkState(int, int) override {}
    bool PublishPicture(int channel, const GridFrame& frame) override
    {
        return m_pictures[channel]->Publish(frame.width, frame.height, PictureBuffer::kFormatYuv420);
    }
    void ClearZoom() override {}

private:
    std::array<std::unique_ptr<PictureBuffer>, 16> m_pictures;
};

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
    void ReportDecoderInitError() override { std::fprintf(stderr, "live_path: decoder init failed\n"); }
};

// The main window's part as the connection needs it, without windows.
class BenchHost : public NetHost
{
public:
    std::shared_ptr<CNetClient> client;
    WndHandle MainWindow() const override { return WndHandle(); }
    void PostMessageTo(WndHandle, UINT, WPARAM, LPARAM) override {}
    void PostNotify(LPARAM, WndHandle) override {}
    void RequestDisconnect(std::uint32_t) override {}
    void ShowPlainMessage(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
    void StartHelloTimer(std::chrono::milliseconds) override {}
    void KillHelloTimer() override {}
    void WriteConnectLog(int, int, const std::string&, const std::string&) override {}
    void SetButtonState(int, int) override {}
    bool IsLocalPlaybackRunning() const override { return false; }
    bool HasSoundDevice() const override { return false; }
    void RequestLiveStart() override { m_liveWanted = true; }
    void SetAudioChannel(int) override {}
    WndHandle PasswordPrompt() const override { return WndHandle(); }
    void ClosePtzPanel(int) override {}
    void DestroyTransferBar() override {}
    VideoGridSink* VideoGrid() override { return &grid; }
    void OnLiveStopped() override {}
    void OnRemotePlayStopped() override {}
    std::unique_ptr<NetWorker> CreateAudioPlayer(bool) override { return nullptr; }

    HeadlessGrid grid;
    std::atomic<bool> m_liveWanted{false};
};

// The recorder in a child process, so that its sending does not count as the
// client's CPU time. Returns the port (0 on failure) through a pipe.
pid_t StartRecorder(const std::vector<k5streams::EncodedFrame>& frames, int channels, std::uint16_t& port)
{
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        k5sim::RecorderSim sim;
        sim.Settings().hello.channelNum = 16;
        sim.OnHello([](k5sim::RecorderSim& s) {
            k5sim::UserRow row;
            row.name = "admin";
            row.password = "1234";
            s.Send(k5sim::id::RIGHT_CHANGE, k5sim::BuildRightChange({row}));
            std::array<std::array<std::uint8_t, 16>, 8> allowed{};
            for (auto& u : allowed)
                u.fill(1);
            s.Send(k5sim::id::NETLIVE_CH_CHANGE, k5sim::BuildNetliveChChange(allowed));
        });
        k5sim::SimLive live(sim);
        live.Live().fps = 25;
        live.Live().channels = static_cast<std::uint16_t>(channels >= 16 ? 0xFFFF : (1u << channels) - 1);
        for (int ch = 0; ch < 16; ++ch) {
            k5sim::SimStream s;
            s.width = 704;
            s.height = 576;
            for (const auto& f : frames)
                s.frames.push_back(k5sim::SimFrame{f.data, f.key});
            live.SetStream(ch, std::move(s));
        }
        std::uint16_t p = sim.Start() ? sim.Port() : 0;
        if (write(fds[1], &p, sizeof p) != sizeof p)
            _exit(1);
        close(fds[1]);
        // Until the parent ends it.
        for (;;)
            pause();
    }
    close(fds[1]);
    if (read(fds[0], &port, sizeof port) != sizeof port)
        port = 0;
    close(fds[0]);
    return pid;
}

// Plain libavcodec in one thread: CPU seconds per frame over `count` frames
// of the stream, decoded in a loop from its start.
double YardstickPerFrame(const std::vector<k5streams::EncodedFrame>& frames, std::size_t count)
{
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
    AVCodecContext* c = avcodec_alloc_context3(codec);
    c->thread_count = 1;
    c->flags |= AV_CODEC_FLAG_LOW_DELAY;
    if (avcodec_open2(c, codec, nullptr) < 0)
        return 0;
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    std::vector<std::vector<std::uint8_t>> padded;
    for (const auto& f : frames) {
        padded.push_back(f.data);
        padded.back().resize(f.data.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
    }
    std::size_t decoded = 0;
    const double start = ThreadCpuSeconds();
    for (std::size_t i = 0; i < count; ++i) {
        auto& p = padded[i % padded.size()];
        packet->data = p.data();
        packet->size = static_cast<int>(frames[i % frames.size()].data.size());
        if (avcodec_send_packet(c, packet) == 0) {
            while (avcodec_receive_frame(c, frame) == 0) {
                ++decoded;
                av_frame_unref(frame);
            }
        }
    }
    const double spent = ThreadCpuSeconds() - start;
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&c);
    return decoded > 0 ? spent / double(decoded) : 0;
}

double Percentile(std::vector<double> v, double q)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const std::size_t i = std::min(v.size() - 1, static_cast<std::size_t>(q * double(v.size())));
    return v[i];
}

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

    // A camera-like stream: interlaced (MBAFF), sensor noise, a key frame a second.
    k5streams::StreamSpec spec;
    spec.width = 704;
    spec.height = 576;
    spec.interlaced = true;
    spec.noise = noise;
    spec.gop = 25;
    spec.frames = 50;
    const std::vector<k5streams::EncodedFrame> frames = k5streams::MakeH264Stream(spec);
    if (frames.empty()) {
        std::fprintf(stderr, "live_path: no libx264 encoder\n");
        return 1;
    }
    std::size_t bytes = 0;
    for (const auto& f : frames)
        bytes += f.data.size();
    std::printf("stream: 704x576 MBAFF%s, %zu frames looped, %.1f KB per frame, %d channels at 25 fps, %u CPUs\n",
                noise ? " with noise" : "", frames.size(), double(bytes) / 1024.0 / double(frames.size()), channels,
                std::thread::hardware_concurrency());

    std::uint16_t port = 0;
    const pid_t recorder = StartRecorder(frames, channels, port);
    if (recorder <= 0 || port == 0) {
        std::fprintf(stderr, "live_path: the recorder simulator did not start\n");
        return 1;
    }

    // The client's own peak from here on (the encoder's memory is not the client's).
    {
        std::ofstream clear("/proc/self/clear_refs");
        clear << "5";
    }

    DecoderLibrary library;
    if (!library.Load()) {
        std::fprintf(stderr, "live_path: libH264_D1.so not found beside the program\n");
        kill(recorder, SIGTERM);
        return 1;
    }

    BenchHost host;
    BenchEnv env;
    std::mutex latencyLock;
    std::vector<double> latencies;
    std::atomic<bool> measuring{false};
    std::atomic<std::uint64_t> publishedInWindow{0};
    std::array<CVideoDecodeThread*, 16> workers{};
    std::mutex workersLock;

    DecodeWorkerOptions options;
    options.modeLabels = {"Live", "Playback", "Local"};
    options.onPublished = [&](int, Clock::time_point arrival) {
        if (!measuring)
            return;
        ++publishedInWindow;
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - arrival).count();
        std::lock_guard<std::mutex> lock(latencyLock);
        latencies.push_back(ms);
    };
    const DecoderEntryPoints entries = DecoderEntryPoints::From(library);

    NetTimings timings;
    auto client = CNetClient::Create(host, timings);
    host.client = client;
    client->SetDecodeWorkerFactory([&](int channel) -> std::unique_ptr<IDecodeWorker> {
        auto w = std::make_unique<CVideoDecodeThread>(channel, host.grid, env, entries, options);
        std::lock_guard<std::mutex> lock(workersLock);
        workers[static_cast<std::size_t>(channel)] = w.get();
        return w;
    });
    client->SetConnectInfo("127.0.0.1", port, "admin", "1234");
    client->Connect();
    for (int i = 0; i < 500 && !host.m_liveWanted; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!host.m_liveWanted || !client->SendLiveReq()) {
        std::fprintf(stderr, "live_path: the hello was not accepted\n");
        client->DestroyWindow();
        kill(recorder, SIGTERM);
        return 1;
    }

    // Warm up: every channel shows pictures.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    auto totals = [&](CVideoDecodeThread::Stats& sum) {
        sum = CVideoDecodeThread::Stats();
        std::lock_guard<std::mutex> lock(workersLock);
        for (CVideoDecodeThread* w : workers) {
            if (!w)
                continue;
            const auto s = w->GetStats();
            sum.published += s.published;
            sum.shed += s.shed;
            sum.failed += s.failed;
            sum.refused += s.refused;
            sum.waitingKey += s.waitingKey;
            sum.queued += s.queued;
        }
    };
    CVideoDecodeThread::Stats before;
    totals(before);
    const std::uint64_t droppedBefore = client->FramesDropped();
    const double cpuStart = CpuSeconds(RUSAGE_SELF);
    const auto wallStart = Clock::now();
    measuring = true;
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    measuring = false;
    const double cpuSpent = CpuSeconds(RUSAGE_SELF) - cpuStart;
    const double wall = std::chrono::duration<double>(Clock::now() - wallStart).count();
    CVideoDecodeThread::Stats after;
    totals(after);
    const std::uint64_t droppedByConnection = client->FramesDropped() - droppedBefore;
    const long peakKb = StatusKb("VmHWM:");

    client->SendLiveStop();
    client->DestroyWindow();
    kill(recorder, SIGTERM);
    waitpid(recorder, nullptr, 0);

    const std::uint64_t published = after.published - before.published;
    const std::uint64_t shed = after.shed - before.shed;
    const std::uint64_t failed = after.failed - before.failed;
    const std::uint64_t refused = after.refused - before.refused;
    const double expected = 25.0 * channels * wall;
    const double clientPerFrame = published > 0 ? cpuSpent / double(published) : 0;
    const double yardstick = YardstickPerFrame(frames, static_cast<std::size_t>(published));

    std::printf("window: %.2f s, pictures published %llu (%.1f per channel per second; sent about %.0f)\n", wall,
                static_cast<unsigned long long>(published), double(published) / channels / wall, expected);
    std::printf("client CPU per decoded frame   %.3f ms (all threads of the client process)\n",
                clientPerFrame * 1e3);
    std::printf("yardstick CPU per decoded frame %.3f ms (libavcodec, one thread)\n", yardstick * 1e3);
    std::printf("ratio client/yardstick          %.3f   (target <= 1.15)\n",
                yardstick > 0 ? clientPerFrame / yardstick : 0.0);
    std::printf("frames shed %llu, decoder failures %llu, refused %llu, dropped by the connection %llu"
                "   (target 0)\n",
                static_cast<unsigned long long>(shed), static_cast<unsigned long long>(failed),
                static_cast<unsigned long long>(refused), static_cast<unsigned long long>(droppedByConnection));
    std::printf("arrival to published: p50 %.2f ms, p99 %.2f ms, max %.2f ms   (target p99 < 40 ms)\n",
                Percentile(latencies, 0.50), Percentile(latencies, 0.99), Percentile(latencies, 1.0));
    std::printf("peak RSS of the client: %.1f MB\n", double(peakKb) / 1024.0);
    return 0;
}
