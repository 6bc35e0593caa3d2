// Feeds arbitrary bytes, as a recorder would send them, to the connection's
// receive loop and dispatcher. The first byte chooses which streams the
// session pretends to run, so that the stream-dependent paths are reached.
#include "net/NetClient.h"

#include <cstdint>
#include <cstdlib>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

// A grid that traps on a channel outside 0-15.
class CheckingGrid : public VideoGridSink
{
public:
    void SetChannelBlocked(int channel, bool blocked) override { m_blocked[Check(channel)] = blocked; }
    bool IsChannelBlocked(int channel) const override { return m_blocked[Check(channel)]; }
    void SetActiveChannels(std::uint32_t, bool) override {}
    void Repaint(bool) override {}
    void LeaveFullScreen() override {}

private:
    static int Check(int channel)
    {
        if (channel < 0 || channel >= 16)
            std::abort();
        return channel;
    }
    bool m_blocked[16] = {};
};

class QuietWorker : public NetWorker
{
public:
    void Stop() override {}
};

class NullHost : public NetHost
{
public:
    WndHandle MainWindow() const override { return WndHandle(1); }
    void PostMessageTo(WndHandle, UINT, WPARAM, LPARAM) override {}
    void PostNotify(LPARAM, WndHandle) override {}
    void RequestDisconnect(std::uint32_t) override {}
    void ShowPlainMessage(const std::string&) override {}
    void StartHelloTimer(std::chrono::milliseconds) override {}
    void KillHelloTimer() override {}
    void WriteConnectLog(int, int, const std::string&, const std::string&) override {}
    void SetButtonState(int, int) override {}
    bool IsLocalPlaybackRunning() const override { return false; }
    bool HasSoundDevice() const override { return true; }
    void RequestLiveStart() override {}
    void SetAudioChannel(int) override {}
    WndHandle PasswordPrompt() const override { return WndHandle(2); }
    void ClosePtzPanel(int) override {}
    void DestroyTransferBar() override {}
    VideoGridSink* VideoGrid() override { return &grid; }
    void OnLiveStopped() override {}
    void OnRemotePlayStopped() override {}
    std::unique_ptr<NetWorker> CreateAudioPlayer(bool) override { return std::make_unique<QuietWorker>(); }

    CheckingGrid grid;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    static NullHost host;
    const std::uint8_t mode = data[0];
    ++data;
    --size;

    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
        return 0;

    NetTimings timings;
    timings.keepAlive = std::chrono::hours(1);
    timings.receiveLimit = std::chrono::milliseconds(200);
    timings.idleWait = std::chrono::milliseconds(200);
    auto client = CNetClient::Create(host, timings);
    client->SetConnectInfo("127.0.0.1", 1, (mode & 0x10) ? "Admin" : "guest", "pw");
    client->AttachSocketForTesting(std::make_unique<TcpSocket>(fds[0]));
    client->m_bLive = (mode & 0x01) != 0;
    client->m_bPlay = (mode & 0x02) != 0;
    client->m_bTrans = (mode & 0x04) != 0;
    client->m_bAudio = (mode & 0x08) != 0;

    // The recorder's side writes everything and then closes; the loop reads
    // until the close or until a handler ends it.
    std::thread writer([fd = fds[1], data, size] {
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = ::send(fd, data + done, size - done, MSG_NOSIGNAL);
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        ::shutdown(fd, SHUT_WR);
    });
    client->Thread_Connecting();
    // A loop that ended early leaves the writer blocked on a full buffer.
    ::shutdown(fds[1], SHUT_RDWR);
    writer.join();
    client->DestroyWindow();
    client.reset();
    ::close(fds[1]);
    return 0;
}
