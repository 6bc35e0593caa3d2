// A backup download end to end against a plain copy of the same bytes.
//
// The recorder simulator (a child process) streams a backup of 1.6 GB by
// default (crossing a split of the file set) over loopback into the headless
// connection and download writer; a plain loopback socket carries the same
// message bytes into one file. The two sides alternate over several rounds
// (download, plain, download, plain, ...), each into a folder of its own that
// is emptied before the next side runs, and each ends with the same
// durability step: its files are fsync'ed inside its timed window.
//
// Why fsync: an operator's download is hours of footage, far beyond what the
// kernel lets sit dirty in the page cache (dirty_ratio), so a real download
// runs at the pace its bytes reach the disk; a download of 1.6 GB that ends
// while its bytes are still in the cache would leave their writeback to
// whichever side runs next. With the fsync each side pays for its own bytes
// and for nothing else, whatever the cache holds when it starts.
//
// FOLDER on a memory-backed file system (/dev/shm/...) leaves only the CPU's
// part: the fsync then costs nothing, and the ratio shows what the download
// path adds in copies and system calls.
//
// Prints each round's times, the median of each side in MB/s of the wire
// stream both receive, and the ratio of the medians (download / plain, the
// target is at least 0.9) with its spread (the lowest and highest ratio of
// one round's pair).
//
//   backup_download [FOLDER] [MBYTES] [ROUNDS]
#include "RecorderSim.h"
#include "SimTransfer.h"
#include "net/NetClient.h"
#include "net/NetMessages.h"

#include <algorithm>
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
        for (;;)
            ServePlain(plain, transfer, frames);
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

// Every regular file under the folder to disk; false when one cannot be.
bool SyncFolder(const fs::path& folder)
{
    bool ok = true;
    for (const auto& e : fs::directory_iterator(folder)) {
        const int fd = open(e.path().c_str(), O_RDONLY | O_CLOEXEC);
        ok = fd >= 0 && fsync(fd) == 0 && ok;
        if (fd >= 0)
            close(fd);
    }
    return ok;
}

// Plain loopback socket into one file: read and write, then the fsync.
bool PlainCopy(std::uint16_t port, const fs::path& file, std::uint64_t& bytes, double& seconds, double& sync)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
        return false;
    const int out = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
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
    const auto received = Clock::now();
    const bool synced = fsync(out) == 0;
    close(out);
    seconds = Seconds(t0, Clock::now());
    sync = Seconds(received, Clock::now());
    close(fd);
    return synced;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n == 0 ? 0 : n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

} // namespace

int main(int argc, char** argv)
{
    const fs::path folder = argc > 1 ? fs::path(argv[1]) : fs::current_path() / "backup_bench";
    const double megabytes = argc > 2 ? std::atof(argv[2]) : 1600.0;
    const int rounds = std::max(1, argc > 3 ? std::atoi(argv[3]) : 5);
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

    const double mb = 1048576.0;
    const fs::path download = folder / "Download";
    const fs::path plainFolder = folder / "plain";
    std::array<std::uint8_t, 24> body{};
    const k5sim::Bytes range = Range(frames);
    std::copy(range.begin(), range.end(), body.begin());
    std::vector<double> ours, plain, ratios;
    std::uint64_t wire = 0, written = 0, dropped = 0;
    int sets = 0;
    bool ok = true;
    for (int round = 0; round < rounds && ok; ++round) {
        // The download: from the request to its files on disk.
        fs::remove_all(download);
        BackupSetOptions options;
        options.folder = download.string();
        options.name = "bench";
        host.ends = 0;
        const std::uint64_t droppedBefore = client->TransFramesDropped();
        const auto t0 = Clock::now();
        client->StartBackup(0, options, body);
        while ((host.ends < 2 || client->m_bTrans) && Clock::now() < t0 + std::chrono::minutes(30))
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        const auto received = Clock::now();
        ok = host.ends >= 2 && SyncFolder(download);
        const double downloadSeconds = Seconds(t0, Clock::now());
        const double downloadSync = Seconds(received, Clock::now());
        dropped += client->TransFramesDropped() - droppedBefore;
        written = 0;
        sets = 0;
        for (const auto& e : fs::directory_iterator(download)) {
            written += e.file_size();
            sets += e.path().extension() == ".idx";
        }
        fs::remove_all(download);

        // The plain copy of the same stream, into a folder of its own.
        fs::remove_all(plainFolder);
        fs::create_directories(plainFolder);
        std::uint64_t plainBytes = 0;
        double plainSeconds = 0, plainSync = 0;
        ok = ok && PlainCopy(ports[1], plainFolder / "plain.bin", plainBytes, plainSeconds, plainSync);
        fs::remove_all(plainFolder);
        if (!ok || plainSeconds <= 0 || downloadSeconds <= 0)
            break;
        // Both sides receive the same wire bytes: rates of that stream.
        wire = plainBytes;
        ours.push_back(double(wire) / mb / downloadSeconds);
        plain.push_back(double(wire) / mb / plainSeconds);
        ratios.push_back(ours.back() / plain.back());
        std::printf("round %d: download %.2f s (fsync %.2f s, %.1f MB/s), plain %.2f s (fsync %.2f s, %.1f MB/s), "
                    "ratio %.2f\n",
                    round + 1, downloadSeconds, downloadSync, ours.back(), plainSeconds, plainSync, plain.back(),
                    ratios.back());
        std::fflush(stdout);
    }
    const auto queue = client->BackupQueue();
    client->DestroyWindow();
    client.reset();
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    fs::remove_all(folder);
    if (!ok || ours.empty()) {
        std::fprintf(stderr, "backup_download: a round failed\n");
        return 1;
    }

    std::printf("frames %zu, %.0f MB on the wire, %d file sets, %.0f MB on disk, %llu frames dropped\n", frames,
                double(wire) / mb, sets, double(written) / mb, static_cast<unsigned long long>(dropped));
    std::printf("both sides fsync their files inside the timed window; %zu rounds, alternating\n", ours.size());
    const double medianOurs = Median(ours), medianPlain = Median(plain);
    std::printf("download: median %.1f MB/s\n", medianOurs);
    std::printf("plain socket-to-file copy: median %.1f MB/s\n", medianPlain);
    std::printf("ratio of medians download / plain = %.2f (per-round ratios %.2f .. %.2f; target >= 0.9)\n",
                medianOurs / medianPlain, *std::min_element(ratios.begin(), ratios.end()),
                *std::max_element(ratios.begin(), ratios.end()));
    if (queue)
        std::printf("writer queue peak %.2f MB, receive-thread waits %llu\n", double(queue->PeakBytes()) / mb,
                    static_cast<unsigned long long>(queue->ProducerWaits()));
    return 0;
}
