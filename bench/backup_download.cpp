// A backup download end to end against a plain copy of the same bytes.
//
// The recorder simulator (a child process) streams a backup of at least
// 1.5 GB (crossing a split of the file set) over loopback into the headless
// connection and download writer; in the same run the same message bytes go
// over a plain loopback socket into one file in the same folder. Prints both
// throughputs, their ratio (the target is at least 0.8), the writer queue's
// peak and how often the receive thread waited for it. Neither side syncs
// the disk.
//
//   backup_download [FOLDER] [MBYTES]
#include "RecorderSim.h"
#include "SimTransfer.h"
#include "net/NetClient.h"
#include "net/NetMessages.h"

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
constexpr std::uint32_t kStart = 1199145600u;
constexpr std::size_t kVideo = 60000;
constexpr std::size_t kFragment = 32000;

// The main window as the benchmark needs it: nothing shown, the end noted.
class BenchHost : public NetHost
{
public:
    WndHandle MainWindow() const override { return WndHandle(1); }
    void PostMessageTo(WndHandle, UINT msg, WPARAM, LPARAM) override
    {
        if (msg == WM_TRANSFER_END)
            ++ends;
    }
    void PostNotify(LPARAM lParam, WndHandle) override
    {
        std::fprintf(stderr, "notification 0x%lx\n", long(lParam));
    }
    void RequestDisconnect(std::uint32_t) override {}
    void ShowPlainMessage(const std::string&) override {}
    void StartHelloTimer(std::chrono::milliseconds) override {}
    void KillHelloTimer() override {}
    void WriteConnectLog(int, int, const std::string&, const std::string&) override {}
    void SetButtonState(int, int) override {}
    bool IsLocalPlaybackRunning() const override { return false; }
    bool HasSoundDevice() const override { return false; }
    void RequestLiveStart() override { liveAsked = true; }
    void SetAudioChannel(int) override {}
    WndHandle PasswordPrompt() const override { return WndHandle(); }
    void ClosePtzPanel(int) override {}
    void DestroyTransferBar() override {}
    VideoGridSink* VideoGrid() override { return nullptr; }
    void OnLiveStopped() override {}
    void OnRemotePlayStopped() override {}
    std::unique_ptr<NetWorker> CreateAudioPlayer(bool) override { return nullptr; }
    std::atomic<int> ends{0};
    std::atomic<bool> liveAsked{false};
};

k5sim::Bytes Range(std::size_t frames)
{
    (void)frames;
    return k5sim::SimTransfer::RangeBody(0x3, kStart, 0);
}

// The plain side's sender: the same messages the simulator sends.
void ServePlain(int listenFd, const k5sim::SimTransfer& generator, std::size_t frames)
{
    const int fd = accept(listenFd, nullptr, nullptr);
    if (fd < 0)
        return;
    const std::vector<k5sim::CatalogueFrame> plan = generator.Plan(Range(frames));
    for (std::size_t n = 0; n < plan.size(); ++n) {
        const k5sim::Bytes frame = generator.MakeFrameAt(plan[n], n);
        for (std::size_t at = 0; at < frame.size(); at += kFragment) {
            const std::size_t len = std::min(kFragment, frame.size() - at);
            k5sim::Bytes m = k5sim::EncodeHeader(k5sim::id::TRANS_ON_DATA, static_cast<std::uint16_t>(len),
                                                 at + len == frame.size() ? 0x4000 : 0);
            m.insert(m.end(), frame.begin() + static_cast<std::ptrdiff_t>(at),
                     frame.begin() + static_cast<std::ptrdiff_t>(at + len));
            for (std::size_t sent = 0; sent < m.size();) {
                const ssize_t k = send(fd, m.data() + sent, m.size() - sent, MSG_NOSIGNAL);
                if (k <= 0) {
                    close(fd);
                    return;
                }
                sent += static_cast<std::size_t>(k);
            }
        }
    }
    close(fd);
}

int ListenLoopback(std::uint16_t& port)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd, 1) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0)
        return -1;
    port = ntohs(a.sin_port);
    return fd;
}

// The recorder in a child process; ports of the simulator and the plain
// sender through a pipe.
pid_t StartRecorder(std::size_t frames, std::uint16_t ports[2])
{
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        k5sim::RecorderSim sim;
        sim.OnHello([](k5sim::RecorderSim& s) {
            k5sim::UserRow row;
            row.name = "admin";
            row.password = "1234";
            s.Send(k5sim::id::RIGHT_CHANGE, k5sim::BuildRightChange({row}));
        });
        k5sim::SimTransfer transfer(sim);
        auto& c = transfer.Config();
        c.frames = frames;
        c.videoBytes = kVideo;
        c.audioBytes = 2048;
        c.fragment = kFragment;
        c.segmentEvery = 500;
        c.keepFrames = false;
        std::uint16_t p[2] = {0, 0};
        if (sim.Start())
            p[0] = sim.Port();
        const int plain = ListenLoopback(p[1]);
        if (write(fds[1], p, sizeof p) != sizeof p)
            _exit(1);
        close(fds[1]);
        ServePlain(plain, transfer, frames);
        for (;;)
            pause();
    }
    close(fds[1]);
    if (read(fds[0], ports, 2 * sizeof ports[0]) != static_cast<ssize_t>(2 * sizeof ports[0]))
        ports[0] = ports[1] = 0;
    close(fds[0]);
    return pid;
}

double Seconds(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double>(b - a).count();
}

// Plain loopback socket into one file: read and write, nothing else.
bool PlainCopy(std::uint16_t port, const fs::path& file, std::uint64_t& bytes, double& seconds)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
        return false;
    const int out = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0)
        return false;
    std::vector<std::uint8_t> buffer(1 << 20);
    bytes = 0;
    const auto t0 = Clock::now();
    for (;;) {
        const ssize_t n = recv(fd, buffer.data(), buffer.size(), 0);
        if (n <= 0)
            break;
        if (write(out, buffer.data(), static_cast<std::size_t>(n)) != n)
            return false;
        bytes += static_cast<std::uint64_t>(n);
    }
    close(out);
    seconds = Seconds(t0, Clock::now());
    close(fd);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    const fs::path folder = argc > 1 ? fs::path(argv[1]) : fs::current_path() / "backup_bench";
    const double megabytes = argc > 2 ? std::atof(argv[2]) : 1600.0;
    const std::size_t frameBytes = 232 + kVideo + 254 + 2048 / 3;
    const auto frames = static_cast<std::size_t>(megabytes * 1048576.0 / double(frameBytes));
    fs::remove_all(folder);
    fs::create_directories(folder);

    std::uint16_t ports[2] = {0, 0};
    const pid_t child = StartRecorder(frames, ports);
    if (child <= 0 || ports[0] == 0 || ports[1] == 0) {
        std::fprintf(stderr, "backup_download: the recorder did not start\n");
        return 1;
    }

    // The yardstick first, so that the download does not find the page
    // cache warmed by it.
    std::uint64_t plainBytes = 0;
    double plainSeconds = 0;
    const bool plainOk = PlainCopy(ports[1], folder / "plain.bin", plainBytes, plainSeconds);
    fs::remove(folder / "plain.bin");

    BenchHost host;
    NetTimings timings;
    timings.receiveLimit = std::chrono::seconds(60);
    auto client = CNetClient::Create(host, timings);
    client->SetConnectInfo("127.0.0.1", ports[0], "admin", "1234");
    client->Connect();
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    while (!(host.liveAsked && client->HasRight(RIGHT_BACKUP)) && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!client->HasRight(RIGHT_BACKUP)) {
        std::fprintf(stderr, "backup_download: no login\n");
        kill(child, SIGTERM);
        return 1;
    }

    BackupSetOptions options;
    options.folder = (folder / "Download").string();
    options.name = "bench";
    std::array<std::uint8_t, 24> body{};
    const k5sim::Bytes range = Range(frames);
    std::copy(range.begin(), range.end(), body.begin());
    const auto t0 = Clock::now();
    client->StartBackup(0, options, body);
    while ((host.ends < 2 || client->m_bTrans) && Clock::now() < t0 + std::chrono::minutes(30))
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const double ours = Seconds(t0, Clock::now());
    std::uint64_t written = 0;
    int sets = 0;
    for (const auto& e : fs::directory_iterator(folder / "Download")) {
        written += e.file_size();
        if (e.path().extension() == ".idx")
            ++sets;
    }
    const auto queue = client->BackupQueue();
    const std::uint64_t dropped = client->TransFramesDropped();
    client->DestroyWindow();
    client.reset();

    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);

    const double mb = 1048576.0;
    std::printf("frames %zu, %.0f MB of frames, %d file sets, %.0f MB on disk, %llu frames dropped\n", frames,
                double(frames) * double(frameBytes) / mb, sets, double(written) / mb,
                static_cast<unsigned long long>(dropped));
    std::printf("download: %.1f MB/s (%.2f s)\n", double(written) / mb / ours, ours);
    if (plainOk && plainSeconds > 0) {
        std::printf("plain socket-to-file copy: %.1f MB/s (%.2f s, %.0f MB)\n",
                    double(plainBytes) / mb / plainSeconds, plainSeconds, double(plainBytes) / mb);
        std::printf("ratio download / plain = %.2f (target >= 0.8)\n",
                    (double(written) / ours) / (double(plainBytes) / plainSeconds));
    }
    if (queue)
        std::printf("writer queue peak %.2f MB, receive-thread waits %llu\n", double(queue->PeakBytes()) / mb,
                    static_cast<unsigned long long>(queue->ProducerWaits()));
    fs::remove_all(folder);
    return 0;
}
