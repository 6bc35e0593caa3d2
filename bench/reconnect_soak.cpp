// Reconnect soak: an operator's day of connects and disconnects. The real main
// window (offscreen) connects through its Connect button's action to the
// recorder simulator on loopback (a child process), shows live video of 16
// channels through the connection, its receive and keep-alive threads, the
// decode workers, the real decoder library and the video grid, and after a
// moment the session ends; again and again. The session ends in turn by the
// client's Disconnect (the Connect button while connected), by the recorder
// closing the connection and by the recorder resetting it; in a few cycles
// the recorder goes silent (the loopback of a network namespace the
// benchmark made goes down) until the client's dead-peer detection, with the
// session's own timings, ends the session.
//
//   reconnect_soak [--cycles N] [--silent N] [--hold-ms N]
//
// Defaults: 1000 cycles, 10 of them silent, 300 ms of live video after every
// channel showed a picture. Notices (Disconnected from the recorder) are
// answered OK at once; nothing else of the client is replaced.
//
// Prints, after cycle 10 and after the last cycle (each measured once the
// session ended): resident memory, threads and open descriptors of the
// client's process, and the time from the Connect action to the first
// published picture (that cycle's and the median of the ten cycles up to it);
// then the growth between. Targets: resident memory grows by less than 5 MB,
// threads and descriptors not at all, every cycle connects and ends, and no
// session's connection object outlives it (its buffers are large but mostly
// untouched, so a kept one would hardly show in resident memory).
#include "NetNamespace.h"
#include "ProcStatus.h"
#include "RecorderSim.h"
#include "SimLive.h"
#include "SimLiveStreams.h"
#include "app/ClientDlg.h"
#include "app/LocalSettings.h"
#include "app/NotifyTable.h"
#include "net/ConnectDlg.h"
#include "net/ConnectForm.h"
#include "net/NetClient.h"
#include "platform/DecoderLibrary.h"
#include "platform/RegKey.h"
#include "video/VideoGridDlg.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <functional>
#include <malloc.h>
#include <string>
#include <sys/socket.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// ---------------------------------------------------------------------------
// The recorder: a child process driven through a socket pair, one byte a
// command, one byte an answer.

constexpr char kCmdClose = 'c';
constexpr char kCmdReset = 'r';
constexpr char kCmdWaitEnded = 'w'; // answers once every session so far has ended
constexpr char kCmdQuit = 'q';

void RunRecorder(int control)
{
    k5sim::RecorderSim sim;
    sim.Settings().hello.channelNum = 16;
    // The recorder gives a dead link up on its own, well before the client's
    // detection ends the session, so the next session finds it free.
    sim.Settings().deadPeerLimit = 5s;
    sim.OnHello([](k5sim::RecorderSim& s) { k5sim::GrantOperator(s, "admin", "1234"); });
    k5sim::SimLive live(sim);
    for (int ch = 0; ch < 16; ++ch)
        live.SetStream(ch, k5sim::MakePatternStream(ch, 352, 288, 25, 25));
    std::uint16_t port = sim.Start() ? sim.Port() : 0;
    if (::write(control, &port, sizeof port) != sizeof port)
        _exit(1);
    for (;;) {
        char cmd = 0;
        if (::read(control, &cmd, 1) != 1 || cmd == kCmdQuit)
            break;
        char answer = 'k';
        if (cmd == kCmdClose)
            sim.CloseClient();
        else if (cmd == kCmdReset)
            sim.ResetClient();
        else if (cmd == kCmdWaitEnded)
            answer = sim.WaitForSessionsEnded(sim.Connections(), 60s) ? 'k' : 'x';
        if (::write(control, &answer, 1) != 1)
            break;
    }
    sim.Stop();
}

class Recorder
{
public:
    bool Start()
    {
        int fds[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
            return false;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(fds[0]);
            RunRecorder(fds[1]);
            _exit(0);
        }
        ::close(fds[1]);
        m_fd = fds[0];
        return m_pid > 0 && ::read(m_fd, &m_port, sizeof m_port) == sizeof m_port && m_port != 0;
    }
    ~Recorder()
    {
        if (m_fd >= 0) {
            const char q = kCmdQuit;
            (void)!::write(m_fd, &q, 1);
            ::close(m_fd);
        }
        if (m_pid > 0)
            ::waitpid(m_pid, nullptr, 0);
    }
    bool Command(char cmd)
    {
        char answer = 0;
        return ::write(m_fd, &cmd, 1) == 1 && ::read(m_fd, &answer, 1) == 1 && answer == 'k';
    }
    std::uint16_t Port() const { return m_port; }

private:
    pid_t m_pid = -1;
    int m_fd = -1;
    std::uint16_t m_port = 0;
};

// ---------------------------------------------------------------------------
// The client's process

int OpenDescriptors()
{
    int n = 0;
    if (DIR* d = ::opendir("/proc/self/fd")) {
        while (dirent* e = ::readdir(d)) {
            if (e->d_name[0] != '.')
                ++n;
        }
        ::closedir(d);
    }
    return n - 1; // the directory's own
}

struct Sample
{
    int cycle = 0;
    long rssKb = 0;
    long threads = 0;
    int fds = 0;
    double heapMb = 0;          // what the allocator has handed out and not got back
    double heldMb = 0;          // what the allocator holds from the system, handed out or free
    double firstPictureMs = 0;  // this cycle
    double medianPictureMs = 0; // the ten cycles up to this one
};

Sample Take(int cycle, const std::vector<double>& pictureMs)
{
    Sample s;
    s.cycle = cycle;
    s.rssKb = ProcStatusValue("VmRSS:");
    s.threads = ProcStatusValue("Threads:");
    s.fds = OpenDescriptors();
    const struct mallinfo2 mi = ::mallinfo2();
    s.heapMb = double(mi.uordblks + mi.hblkhd) / (1024.0 * 1024.0);
    s.heldMb = double(mi.arena + mi.hblkhd) / (1024.0 * 1024.0);
    s.firstPictureMs = pictureMs.empty() ? 0 : pictureMs.back();
    std::vector<double> last(pictureMs.end() - std::min<std::ptrdiff_t>(10, std::ssize(pictureMs)),
                             pictureMs.end());
    std::sort(last.begin(), last.end());
    s.medianPictureMs = last.empty() ? 0 : last[last.size() / 2];
    return s;
}

void Print(const Sample& s)
{
    std::printf("cycle %4d: RSS %8.1f MB (heap in use %.1f MB, held %.1f MB)   threads %3ld   descriptors "
                "%3d   connect -> first "
                "picture %7.1f ms (median of 10: %.1f ms)\n",
                s.cycle, double(s.rssKb) / 1024.0, s.heapMb, s.heldMb, s.threads, s.fds, s.firstPictureMs,
                s.medianPictureMs);
}

// The main window with its notices answered OK at once: a box would wait for
// a click.
class SoakWindow : public CClientDlg
{
public:
    using CClientDlg::CClientDlg;
    int RunNotifyBox(WndHandle, const MessageBoxContent&) override
    {
        ++notices;
        return kNotifyBoxOk;
    }
    int notices = 0;
};

bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    const auto end = Clock::now() + timeout;
    while (!done()) {
        if (Clock::now() > end)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

void RunFor(std::chrono::milliseconds span)
{
    const auto end = Clock::now() + span;
    while (Clock::now() < end)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

std::string ProgramFolder()
{
    char buf[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return ".";
    std::string path(buf, static_cast<std::size_t>(n));
    return path.substr(0, path.rfind('/'));
}

enum class Ending
{
    Disconnect,
    RecorderClose,
    RecorderReset,
    Silent,
};

const char* Name(Ending e)
{
    switch (e) {
    case Ending::Disconnect:
        return "client Disconnect";
    case Ending::RecorderClose:
        return "recorder closes";
    case Ending::RecorderReset:
        return "recorder resets";
    case Ending::Silent:
        return "recorder silent";
    }
    return "";
}

} // namespace

int main(int argc, char** argv)
{
    int cycles = 1000;
    int silent = 10;
    int holdMs = 300;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--cycles") == 0)
            cycles = std::max(10, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--silent") == 0)
            silent = std::max(0, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--hold-ms") == 0)
            holdMs = std::max(0, std::atoi(argv[i + 1]));
    }
    silent = std::min(silent, cycles / 10);

    // Before any thread starts: a namespace of our own, whose loopback the
    // silent cycles may take down. The recorder lives in it too.
    const bool privateNet = EnterPrivateNetwork();
    if (!privateNet && silent > 0) {
        std::fprintf(stderr,
                     "reconnect_soak: no network namespace of our own here; the %d silent cycles are "
                     "left out\n",
                     silent);
        silent = 0;
    }

    Recorder recorder;
    if (!recorder.Start()) {
        std::fprintf(stderr, "reconnect_soak: the recorder simulator did not start\n");
        return 1;
    }

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    // Settings and data of our own.
    QTemporaryDir scratch(QDir::tempPath() + QStringLiteral("/reconnect-soak-XXXXXX"));
    const std::string store = scratch.path().toStdString() + "/settings.conf";
    RegKey::SetStoreFileForTesting(store);
    {
        CLocalSettings s;
        s.LoadClientFile(std::string(), 1033, 0);
        s.LoadLocalSetup();
        RegKey key;
        key.Create(std::string(CLocalSettings::kRegistryRoot) + "Location");
        key.SetString("Location", scratch.path().toStdString() + "/data");
    }

    ClientDeps deps = ClientDeps::Defaults();
    deps.inhibitScreenSaver = [] { return std::shared_ptr<void>(); };
    deps.hasSoundDevice = [] { return false; };
    deps.findSettingsFile = [] { return std::string(); };
    deps.isReadOnlyMedia = [] { return false; };
    const std::string decoderPath = ProgramFolder() + "/libH264_D1.so";
    deps.loadDecoder = [decoderPath]() -> std::unique_ptr<DecoderLibrary> {
        auto lib = std::make_unique<DecoderLibrary>();
        if (!lib->Load(decoderPath))
            return nullptr;
        return lib;
    };
    // The connect dialog's OK with the demo's values; Cancel at start-up.
    bool dialogArmed = false;
    const std::uint16_t port = recorder.Port();
    deps.runConnectDialog = [&dialogArmed, port](QWidget*, IConnectDlgHost&, IConnectTarget& target, BYTE) {
        if (!dialogArmed)
            return false;
        CConnectForm form;
        form.m_strAddress = "127.0.0.1";
        form.m_nPort = port;
        form.m_strID = "admin";
        form.m_strPassword = "1234";
        return form.HandOver(target);
    };

    auto dlg = std::make_unique<SoakWindow>(nullptr, deps);
    if (!dlg->Create()) {
        std::fprintf(stderr, "reconnect_soak: the main window was not made\n");
        return 1;
    }
    RunFor(200ms);

    utsname un{};
    ::uname(&un);
    std::printf(
        "reconnect_soak: %d cycles (%d silent), %d ms of live video a cycle, 16 channels 352x288 at 25 fps; "
        "%u CPUs, %s %s; silent cycles: %s\n",
        cycles, silent, holdMs, std::thread::hardware_concurrency(), un.sysname, un.release,
        silent > 0 ? "loopback of a private network namespace taken down" : "none");

    auto published = [&] {
        std::array<std::uint64_t, 16> p{};
        if (dlg->m_pVideoWnd) {
            for (int ch = 0; ch < 16; ++ch)
                p[static_cast<std::size_t>(ch)] = dlg->m_pVideoWnd->GetPaintStats(ch).published;
        }
        return p;
    };

    std::vector<double> pictureMs;
    std::vector<double> deadPeerMs;
    int failedConnect = 0, failedEnd = 0, keptSessions = 0;
    std::array<int, 4> endings{};
    Sample at10, atEnd;
    const int silentEvery = silent > 0 ? cycles / silent : 0;
    const auto started = Clock::now();

    for (int cycle = 1; cycle <= cycles; ++cycle) {
        Ending ending = static_cast<Ending>(cycle % 3);
        if (silentEvery > 0 && cycle % silentEvery == silentEvery / 2)
            ending = Ending::Silent;

        // Connect (the plug), the dialog's OK.
        const std::array<std::uint64_t, 16> before = published();
        const auto t0 = Clock::now();
        dialogArmed = true;
        dlg->OnConnect();
        dialogArmed = false;
        // The session's connection object: released once the session ended.
        std::weak_ptr<CNetClient> session = dlg->m_pNetClient;
        bool firstSeen = false;
        double firstMs = 0;
        const bool allShown = RunUntil(
            [&] {
                const auto now = published();
                int shown = 0;
                for (std::size_t ch = 0; ch < 16; ++ch)
                    shown += now[ch] > before[ch] ? 1 : 0;
                if (shown > 0 && !firstSeen) {
                    firstSeen = true;
                    firstMs = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
                }
                return shown == 16;
            },
            20s);
        if (!allShown || !dlg->IsConnected()) {
            ++failedConnect;
            std::fprintf(stderr, "cycle %d: live video of 16 channels did not come (%s)\n", cycle,
                         firstSeen ? "some channels showed" : "no picture");
            ending = Ending::Disconnect;
        } else {
            pictureMs.push_back(firstMs);
        }
        RunFor(std::chrono::milliseconds(holdMs));

        // End the session.
        bool ended = true;
        switch (ending) {
        case Ending::Disconnect:
            if (dlg->IsConnected())
                dlg->OnConnect();
            break;
        case Ending::RecorderClose:
            ended = recorder.Command(kCmdClose);
            break;
        case Ending::RecorderReset:
            ended = recorder.Command(kCmdReset);
            break;
        case Ending::Silent: {
            const auto s0 = Clock::now();
            SetLoopbackUp(false);
            ended = RunUntil([&] { return !dlg->IsConnected(); }, 120s);
            deadPeerMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - s0).count());
            SetLoopbackUp(true);
            break;
        }
        }
        ended = ended && RunUntil([&] { return !dlg->IsConnected(); }, 60s);
        ended = ended && recorder.Command(kCmdWaitEnded);
        if (!ended) {
            ++failedEnd;
            std::fprintf(stderr, "cycle %d: the session did not end (%s)\n", cycle, Name(ending));
            if (dlg->IsConnected())
                dlg->OnConnect();
            recorder.Command(kCmdReset);
            recorder.Command(kCmdWaitEnded);
        }
        ++endings[static_cast<std::size_t>(ending)];
        // Let the posted clean-up of the window run.
        RunFor(20ms);
        if (!RunUntil([&] { return session.expired(); }, 5s)) {
            ++keptSessions;
            if (keptSessions <= 3)
                std::fprintf(stderr, "cycle %d: the connection object outlived its session (%ld holders)\n",
                             cycle, session.use_count());
        }

        if (cycle == 10) {
            at10 = Take(cycle, pictureMs);
            Print(at10);
        }
        if (cycle % 100 == 0)
            std::fprintf(stderr, "cycle %d of %d, %.0f s\n", cycle, cycles,
                         std::chrono::duration<double>(Clock::now() - started).count());
    }
    atEnd = Take(cycles, pictureMs);
    Print(atEnd);

    const double growthMb = double(atEnd.rssKb - at10.rssKb) / 1024.0;
    std::printf("growth cycle 10 -> %d: RSS %+.2f MB (target < 5; heap in use %+.2f MB), threads %+ld "
                "(target 0), descriptors %+d "
                "(target 0), connect -> first picture %+.1f ms (medians)\n",
                cycles, growthMb, atEnd.heapMb - at10.heapMb, atEnd.threads - at10.threads,
                atEnd.fds - at10.fds, atEnd.medianPictureMs - at10.medianPictureMs);
    std::printf("endings: %d client Disconnect, %d recorder closes, %d recorder resets, %d recorder silent\n",
                endings[0], endings[1], endings[2], endings[3]);
    if (!deadPeerMs.empty()) {
        std::sort(deadPeerMs.begin(), deadPeerMs.end());
        std::printf("dead-peer detection (loopback down -> session ended): min %.1f s, max %.1f s\n",
                    deadPeerMs.front() / 1000.0, deadPeerMs.back() / 1000.0);
    }
    std::printf(
        "cycles that failed to connect: %d, to end: %d; connection objects kept after their session: %d "
        "(target 0 each); notices answered: %d; %.0f s in all\n",
        failedConnect, failedEnd, keptSessions, dlg->notices,
        std::chrono::duration<double>(Clock::now() - started).count());

    dlg->Shutdown();
    dlg->DestroyWindow();
    dlg.reset();
    RegKey::SetStoreFileForTesting(std::string());
    const bool met = growthMb < 5.0 && atEnd.threads == at10.threads && atEnd.fds == at10.fds &&
                     failedConnect == 0 && failedEnd == 0 && keptSessions == 0;
    std::printf("targets %s\n", met ? "met" : "NOT met");
    return met ? 0 : 3;
}
