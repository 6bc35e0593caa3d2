// The main window as the connection sees it. The object lives on the GUI
// thread; what the connection's threads ask of the main window is queued to
// it in the order asked and carried out there, so no worker ever waits for
// the GUI thread and no worker touches a widget.
#pragma once

#include "app/MainCommands.h"
#include "net/NetHost.h"
#include "platform/QueuedCall.h"
#include "video/VideoDecodeThread.h"

#include <QObject>
#include <QTimer>
#include <array>
#include <atomic>
#include <mutex>
#include <string>
#include <utility>

class CClientDlg;
class CClientNetHost;
class CNetClient;

// What the decode workers of the connection ask of the main window, from
// their own threads. The local camera names and deinterlace settings are
// copied here on the GUI thread when a stream starts, so the workers never
// read the settings while the local setup changes them.
class CClientDecodeEnv : public DecodeEnv
{
public:
    CClientDecodeEnv(CClientDlg& dlg, CClientNetHost& host) : m_dlg(dlg), m_host(host) {}

    // GUI thread.
    void RefreshSettings();
    // The connection whose workers ask (null once it is being dropped: its
    // workers have ended by then).
    void SetConnection(CNetClient* net) { m_net = net; }

    bool DropLiveFrame(int channel) const override;
    std::uint32_t PlaybackClockTime(int viewMode) const override;
    void SetMainClockTime(std::uint32_t time) override;
    std::string LocalCameraName(int channel) const override;
    std::string RecorderCameraName(int channel) const override;
    bool DeinterlaceOn(int channel) const override;
    bool ServedModel() const override;
    AudioMarkInputs AudioMarkState(int viewMode, int channel, bool multi) const override;
    void ReportDecoderInitError() override;

private:
    CClientDlg& m_dlg;
    CClientNetHost& m_host;
    std::atomic<CNetClient*> m_net{nullptr};
    mutable std::mutex m_lock;
    std::array<std::string, 16> m_localNames;
    std::array<BYTE, 16> m_deinterlace{};
};

class CClientNetHost : public QObject, public NetHost
{
    Q_OBJECT
public:
    explicit CClientNetHost(CClientDlg& dlg);
    ~CClientNetHost() override;

    WndHandle MainWindow() const override;
    void PostMessageTo(WndHandle target, UINT msg, WPARAM wParam, LPARAM lParam) override;
    void PostNotify(LPARAM lParam, WndHandle owner) override;
    void RequestDisconnect(std::uint32_t session) override;
    void ShowPlainMessage(const std::string& text) override;
    void StartHelloTimer(std::chrono::milliseconds timeout) override;
    void KillHelloTimer() override;
    void WriteConnectLog(int type, int subtype, const std::string& user, const std::string& address) override;
    void SetButtonState(int buttonId, int state) override;
    bool IsLocalPlaybackRunning() const override;
    bool HasSoundDevice() const override;
    void RequestLiveStart() override;
    void SetAudioChannel(int channel) override;
    WndHandle PasswordPrompt() const override;
    void ClosePtzPanel(int mode) override;
    void DestroyTransferBar() override;
    // The main window's grid itself: its own locks make it safe from any
    // thread. It lives from the main window's start-up to its shutdown, which
    // ends the connection first, so a connection never outlives it.
    VideoGridSink* VideoGrid() override;
    void OnLiveStopped() override;
    void OnRemotePlayStopped() override;
    std::unique_ptr<NetWorker> CreateAudioPlayer(bool live) override;
    void OnStreamStarting(int viewMode, int layout, int splitButton, const std::array<int, 15>& pageCounts) override;
    void SetPlaybackClockTime(std::uint32_t time) override;
    void OnDownloadClosed(const DownloadSummary& summary) override;

    bool IsHelloTimerRunning() const { return m_helloTimer.isActive(); }
    // GUI thread: a new connection gets the maker of its decode workers; a
    // connection being dropped is forgotten by them.
    void AttachConnection(CNetClient& net);
    void DetachConnection();
    std::uint32_t PlaybackClockTimeNow() const { return m_nPlayClockTime.load(); }
    // The decoder's init error box (one at a time); any thread.
    void ShowDecoderInitError();
    // GUI thread: the local settings confirmed with OK reach the running
    // decode workers and the next audio player.
    void RefreshSettings();
    // What the decode workers and the next audio player read.
    const DecodeEnv& DecodeEnvironment() const { return m_decodeEnv; }
    DecodeEnv& DecodeEnvironment() { return m_decodeEnv; }
    int AudioBufferSetting(bool live) const { return m_arrAudioBuf[live ? 0 : 1].load(); }
    // GUI thread: the hello time-out ends with its connection.
    void StopHelloTimer() { m_helloTimer.stop(); }

    // The main window's open password prompt (null when none); set on the GUI thread.
    std::atomic<WndHandle> m_hPasswordPrompt{WndHandle()};

signals:
    // The hello was accepted while no local playback runs: live view of
    // every channel is due (the live path answers it).
    void liveStartRequested();

private:
    void OnHelloTimeout();
    // Live view or remote playback ended: the grid goes back to sixteen
    // cells with its buttons (GUI thread).
    void ReturnToIdleLayout();
    // Any thread.
    void SetViewMode(int mode);
    template <typename F> void Queue(F&& f)
    {
        PostQueuedCall(this, std::forward<F>(f));
    }
    bool event(QEvent* e) override;

    CClientDlg& m_dlg;
    QTimer m_helloTimer;
    // The playback clock's time as the receive thread last set it; copied to
    // the clock on the GUI thread, one copy for any number of settings.
    std::atomic<std::uint32_t> m_nPlayClockTime{0};
    std::atomic<bool> m_bPlayClockQueued{false};
    std::atomic<bool> m_bInitErrorShown{false};
    CClientDecodeEnv m_decodeEnv{m_dlg, *this};
    // The audio buffers of live and remote-playback audio, for the receive
    // thread that makes the players.
    std::array<std::atomic<int>, 2> m_arrAudioBuf{};
};
