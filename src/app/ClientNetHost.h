// The main window as the connection sees it. The object lives on the GUI
// thread; what the connection's threads ask of the main window is queued to
// it in the order asked and carried out there, so no worker ever waits for
// the GUI thread and no worker touches a widget.
#pragma once

#include "net/NetHost.h"

#include <QObject>
#include <QTimer>
#include <array>
#include <atomic>
#include <utility>

class CClientDlg;

// The main window's timer that waits for the hello answer.
constexpr UINT TIMER_HELLO_REPLY = 21058;

// Blocked channels and the active-channel mask as the receive thread sets
// them; the grid reads them when it draws. Repaints are requested here and
// done on the GUI thread.
class CClientGridState : public QObject, public VideoGridSink
{
    Q_OBJECT
public:
    explicit CClientGridState(CClientDlg& dlg) : m_dlg(dlg) {}

    void SetChannelBlocked(int channel, bool blocked) override;
    bool IsChannelBlocked(int channel) const override;
    void SetActiveChannels(std::uint32_t mask, bool reset) override;
    void Repaint(bool erase) override;
    void LeaveFullScreen() override;

    std::uint32_t ActiveChannels() const { return m_activeMask.load(); }

private:
    CClientDlg& m_dlg;
    std::array<std::atomic<bool>, 16> m_blocked{};
    std::atomic<std::uint32_t> m_activeMask{0};
    std::atomic<bool> m_repaintQueued{false};
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
    VideoGridSink* VideoGrid() override { return &m_grid; }
    void OnLiveStopped() override;
    void OnRemotePlayStopped() override;
    std::unique_ptr<NetWorker> CreateAudioPlayer(bool live) override;

    bool IsHelloTimerRunning() const { return m_helloTimer.isActive(); }
    CClientGridState& GridState() { return m_grid; }

    // The main window's open password prompt (null when none); set on the GUI thread.
    std::atomic<WndHandle> m_hPasswordPrompt{WndHandle()};

signals:
    // The hello was accepted while no local playback runs: live view of
    // every channel is due (the live path answers it).
    void liveStartRequested();

private:
    void OnHelloTimeout();
    template <typename F> void Queue(F&& f)
    {
        QMetaObject::invokeMethod(this, std::forward<F>(f), Qt::QueuedConnection);
    }

    CClientDlg& m_dlg;
    QTimer m_helloTimer;
    CClientGridState m_grid;
};
