// The host a fuzzed session reports to: every call answered and dropped,
// except that a channel outside 0-15 handed to the grid traps.
#pragma once

#include "net/NetClient.h"

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace k5fuzz {

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


// The session as the first input byte pretends it runs: bit 0 live view, bit 1
// remote playback, bit 2 a backup, bit 3 audio, bit 4 logged in as Admin.
inline void ApplySessionMode(CNetClient& client, std::uint8_t mode)
{
    client.SetConnectInfo("127.0.0.1", 1, (mode & 0x10) ? "Admin" : "guest", "pw");
    client.m_bLive = (mode & 0x01) != 0;
    client.m_bPlay = (mode & 0x02) != 0;
    client.m_bTrans = (mode & 0x04) != 0;
    client.m_bAudio = (mode & 0x08) != 0;
}

} // namespace k5fuzz
