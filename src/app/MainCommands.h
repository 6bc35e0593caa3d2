// The main window's commands without the window: what every button, slider,
// timer and private message of the main window does, and the checks before
// each (connection, login, the user's rights, busy flags, password prompts).
//
// CMainCommands reads and drives the main window, the connection, the video
// grid and the local player only through the narrow interfaces below, so the
// whole command set runs in tests without a display or a recorder. The main
// window implements them over its real members (MainCommandHost.h) and hands
// every click, slider move, timer and message to one CMainCommands.
//
// Everything here runs on the GUI thread.
#pragma once

#include "app/MainLayout.h"
#include "net/NetHost.h"
#include "net/NetMessages.h"
#include "net/NetRecords.h"
#include "platform/System.h"
#include "platform/Types.h"

#include <QPoint>
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// Timers of the main window.
constexpr UINT TIMER_SAVE_POLL = 21027;   // watches the still-picture save workers
constexpr UINT kSavePollMs = 1000;
constexpr UINT TIMER_HELLO_REPLY = 21058; // waits for the hello answer

// Private messages the main window receives (besides WM_NOTIFY_EVENT and the
// transfer bar's).
constexpr UINT WM_SHOW_BOOKMARK_BAR = WM_USER + 20054;

// The Sound button's look while the speakers are muted.
constexpr int kButtonMuted = 4;
// The results of a modal run.
constexpr int kModalOk = 1;
constexpr int kModalCancel = 2;

// The grid's view modes.
enum MainViewMode
{
    VIEW_IDLE = 0,
    VIEW_LIVE = 1,
    VIEW_REMOTE_PLAYBACK = 2,
    VIEW_LOCAL_PLAYBACK = 3,
};

// The monitor (0-3) whose work area holds `centre`; when none does, the
// primary monitor, else the first valid one, else 0.
int ChooseFullScreenMonitor(const std::array<MonitorInfo, 4>& monitors, const QPoint& centre);

// A window that later work brings (remote search and setup, local search
// and setup, firmware upgrade): created by the host, run modally by the
// commands, and deleted when its run is over.
class IMainModalWindow
{
public:
    virtual ~IMainModalWindow() = default;
    // Runs modally; kModalOk, kModalCancel, or another value when it could not run.
    virtual int Run() = 0;
    virtual WndHandle Handle() const = 0;
    // The remote search window's link for the connection's slot (others: null).
    virtual std::shared_ptr<SearchFrameLink> SearchLink() { return nullptr; }
    // The firmware dialog's scan of the Upgrade folder: images found (0 or less: none).
    virtual int ScanUpgradeFolder() { return 0; }
};

// The connection as the commands see it. Every call runs on the GUI thread.
class IMainConnection
{
public:
    virtual ~IMainConnection() = default;

    // Identifies the session: a window run that outlives its connection must
    // not touch the next one.
    virtual std::uint32_t Session() const = 0;

    virtual bool LoggedIn() const = 0;
    virtual bool LiveOn() const = 0;
    virtual bool PlayOn() const = 0;   // remote playback
    virtual bool TransferOn() const = 0;
    virtual bool Recording() const = 0;
    virtual bool AListenOn() const = 0;
    virtual bool AudioOn() const = 0;
    virtual bool DbBusy() const = 0;
    virtual void ClearDbBusy() = 0;
    virtual bool HasRight(int k) const = 0;
    // The login password, lower-cased (prompts compare through PasswordMatches).
    virtual std::string Password() const = 0;
    // The hello record's account byte and sub-product numbers.
    virtual int HelloAccount() const = 0;
    virtual int SubProductMajor() const = 0;
    virtual bool SubProduct6() const = 0;
    virtual bool ProductVer12() const = 0;

    // Remote playback.
    virtual int PlayState() const = 0;       // 1, 2, 3 or 7
    virtual bool PlayStepFlag() const = 0;   // set by commands 1, 4, 7; cleared by 2, 3 and the start
    virtual std::uint32_t ChannelMask() const = 0;
    virtual std::uint32_t LastChannelMask() const = 0; // the channels shown at the last resync
    virtual void SetPlayResync() = 0;
    virtual void PlayControl(int command) = 0;
    // The search windows' play hand-over block and the answer lists it needs.
    virtual bool PlayHandOverActive() const = 0;
    virtual void ClearPlayHandOver() = 0;

    // Requests.
    virtual bool SendLiveReq() = 0;
    virtual void SendLiveStop() = 0;
    virtual bool SendRPlayStop() = 0;
    virtual void SendTransOffReq() = 0;
    virtual void SendAListenStop() = 0;
    // LIVE_REQ with the channels on the grid's page; PLAY_VIEW_CH with the
    // shown channels of a playback.
    virtual bool SendLiveMask(std::uint32_t mask) = 0;
    virtual bool SendPlayViewCh(std::uint32_t mask) = 0;
    virtual bool SendAudioOnReq() = 0;
    virtual bool SendAudioOffReq() = 0;
    virtual bool SendRecOnReq() = 0;
    virtual bool SendRecOffReq() = 0;
    virtual bool SendDBInfoReq() = 0;
    virtual bool SendDBUpdateReq() = 0;

    // Window slots.
    virtual bool HasSearchWindow() const = 0;
    virtual void SetSearchWindow(IMainModalWindow* window) = 0; // null empties the slot
    virtual bool HasSetupWindow() const = 0;
    virtual void SetSetupWindow(IMainModalWindow* window) = 0;
    virtual bool HasFirmwareWindow() const = 0;
    virtual void SetFirmwareWindow(IMainModalWindow* window) = 0;
    virtual bool HasPlaybackClock() const = 0;
};

// The video grid as the commands drive it.
class IMainGrid
{
public:
    virtual ~IMainGrid() = default;
    virtual int ViewMode() const = 0;
    // Selects a layout; true when a channel is active on it.
    virtual bool SetLayout(int layout) = 0;
    virtual int Layout() const = 0;
    virtual void SetSelectedLayout(int layout) = 0;
    // Single view of the channel; true when the grid shows it alone.
    virtual bool ShowSingleChannel(int channel) = 0;
    virtual void ClearZoom() = 0;
    virtual void ClearShownChannels() = 0;
    virtual void SetHoldPage(bool hold) = 0;
    // Bit c: the cell showing channel c is on the current page.
    virtual std::uint16_t VisibleChannels() const = 0;
    // The channel in the first cell of the current page (-1 when none).
    virtual int FirstPageChannel() const = 0;
    virtual void ResetCellMap() = 0;
    virtual int OsdMode() const = 0;
    virtual void SetOsdMode(int mode) = 0;
    virtual void Repaint(bool erase) = 0;
    // Starts the still-picture save of the shown pictures; false when none started.
    virtual bool SaveSnapshot() = 0;
    virtual bool IsFullScreen() const = 0;
    virtual std::array<MonitorInfo, 4> Monitors() const = 0;
    virtual void EnterFullScreen(int monitor) = 0;
};

// The local player as the commands drive it.
class IMainLocalPlayer
{
public:
    virtual ~IMainLocalPlayer() = default;
    virtual int PlayState() const = 0; // 4 paused
    virtual int Speed() const = 0;
    virtual int RangeStart() const = 0;
    virtual void SetPlayCommand(int command) = 0;
    virtual void SetSeekState(int state) = 0;
    virtual void SetSeekTime(int time) = 0;
    virtual void SetRedraw() = 0;
};

// The main window as the commands drive it.
class IMainCommandHost
{
public:
    virtual ~IMainCommandHost() = default;

    // The parts; null when absent.
    virtual IMainConnection* Connection() = 0;
    virtual IMainGrid* Grid() = 0;
    virtual IMainLocalPlayer* LocalPlayer() = 0;
    virtual MasterMixer* Mixer() = 0;

    // Controls by id.
    virtual void SetButtonState(int id, int state) = 0;
    virtual void EnableButton(int id, bool enable) = 0;
    virtual void SetSliderPos(int id, int pos) = 0;
    virtual void EnableSlider(int id, bool enable) = 0;

    // Members of the main window the commands keep.
    virtual bool MuteState() const = 0;
    virtual void SetMuteState(bool mute) = 0;
    virtual void SetVolumeState(int volume) = 0;
    virtual int LastChannelMask() const = 0;
    virtual void SetLastChannelMask(int mask) = 0;
    virtual bool DomeMenuOpen() const = 0;
    virtual bool ReadOnlyMedia() const = 0;
    virtual std::string DataLocation() const = 0;
    virtual int MaxAlarm() const = 0;

    // Messages, timers, log.
    virtual void PostNotify(WndHandle owner, int code, int sub) = 0; // null owner: the main window
    virtual void SetTimer(UINT id, UINT ms) = 0;
    virtual void KillTimer(UINT id) = 0;
    virtual void WriteConnectLog(int type, int subtype) = 0;

    // The password prompt; true on OK with the typed text.
    virtual bool RunPasswordPrompt(std::string* typed) = 0;

    // Windows that come with later work; null while there are none.
    virtual std::unique_ptr<IMainModalWindow> CreateRemoteSearchWindow() = 0;
    virtual std::unique_ptr<IMainModalWindow> CreateRemoteSetupWindow() = 0;
    virtual std::unique_ptr<IMainModalWindow> CreateLocalSetupWindow() = 0;
    virtual std::unique_ptr<IMainModalWindow> CreateFirmwareWindow() = 0;
    // The local search window's modal run.
    virtual void RunLocalSearchWindow() = 0;
    // The Load button: a saved picture chosen in the file dialog (false: none
    // or no dialog), then shown in the picture viewer.
    virtual bool ChooseSavedPicture(const std::string& folder, std::string* path) = 0;
    virtual void ShowSavedPicture(const std::string& path) = 0;
    // The local setup's edit copy: applied on OK, reset on Cancel.
    virtual void ApplyLocalSetup() = 0;
    virtual void ResetLocalSetup() = 0;

    // Still-picture save workers: ends the finished ones and returns how
    // many still run.
    virtual int ReapSaveWorkers() = 0;

    // The playback clock of a remote playback.
    virtual void CreatePlaybackClock() = 0;

    // Shutdown and the connection's end.
    virtual void CloseLocalPlayer() = 0;
    virtual void ClearLastLocalSearch() = 0;
    // The connection's disconnect (its threads joined, socket closed); the
    // main window then drops it.
    virtual void EndConnection() = 0;
    virtual void DestroyVideoGrid() = 0;
    virtual void EndModalLoop(int result) = 0;

    // The main window itself.
    virtual void Minimize() = 0;
    virtual bool IsMinimized() const = 0;
    virtual void Restore() = 0;
    // A modal dialog of the main window is open (local search or setup,
    // password, file dialog, notification box).
    virtual bool ModalDialogOpen() const = 0;
    virtual bool AppActive() const = 0;
    virtual void RaiseAboveOthers() = 0;
    virtual QPoint ClientCentreOnScreen() const = 0;
};

class CMainCommands
{
public:
    using PauseFn = std::function<void(std::chrono::milliseconds)>;

    struct Options
    {
        // The pause after each stop request of the shutdown and after the
        // grid's end; the program waits 100 ms, tests 0.
        std::chrono::milliseconds pause{100};
        // How a pause is waited (default: the calling thread sleeps).
        PauseFn sleep;
    };

    explicit CMainCommands(IMainCommandHost& host);
    CMainCommands(IMainCommandHost& host, Options options);
    ~CMainCommands();
    CMainCommands(const CMainCommands&) = delete;
    CMainCommands& operator=(const CMainCommands&) = delete;

    // The shutdown's pause and how it is waited (tests: 0 and a recorder).
    void SetPause(std::chrono::milliseconds pause, PauseFn sleep = {});

    // A click of the main window's button `id`.
    void OnButton(int id);

    // Layout and channels.
    void SetScreenSplit(int layout);
    void SelectChannel(int channel, bool keep);
    void OnArrange();
    void OnOsd();
    void OnFull();

    // Live view, audio, recording.
    void OnLive();
    void OnAudio();
    void OnRecord();
    void OnReboot();
    void OnVerInfo();

    // Playback.
    // The playback buttons 340-343 and 346 (commands 1, 2, 3, 4, 7).
    void OnPlayButton(int id);
    void OnStop();
    void SeekToSliderPos(int position);

    // Windows.
    void OnRemoteSearch();
    void OnRemoteSetup();
    void OnSetupDbReady();
    void OnLocalSearch();
    void OnLocalSetup();
    void OnFirmUp();
    // The firmware notice's OK: runs the firmware dialog; afterwards it is deleted.
    void RunFirmwareDialog();
    void DeleteFirmwareDialog();
    bool HasFirmwareDialog() const { return static_cast<bool>(m_pFirmwareDlg); }
    void OnSave();
    void OnLoad();

    // Sound and volume.
    void OnSound();
    void OnSliderPressed(int id, int pos);
    void OnSliderMoved(int id, int pos);
    void OnSliderReleased(int id, int pos);

    // Timers and messages.
    void HandleTimer(UINT id);
    void OnRemotePlayStarted();
    void OnBringToFront();
    void OnStopPlayback() { OnStop(); }

    // The connection ends (Connect button, notifications, hello time-out).
    void Disconnect();
    // Quit: the shutdown order, then the modal loop ends.
    void OnQuit();
    void Shutdown();

private:
    // Step 4 of a split change: the recorder is told the channels now shown.
    void SendViewMask();
    // Step 7: a playback paused or stepping learns that the shown channels changed.
    void NoteShownChannelsChanged();
    void LightFirstPageChannel();
    void ClearChannelButtons();
    // The password prompt of a guarded action: true when, after it, the same
    // session is still logged in, the right is still granted and the typed
    // text equals the login password. Posts NOTIFY_NO_PERMISSION when the
    // right was withdrawn meanwhile.
    bool ConfirmWithPassword(int right);
    bool SameSession(std::uint32_t session);
    void Pause();
    void PostNoPermission();

    IMainCommandHost& m_host;
    Options m_options;
    // The firmware dialog from the FirmUp button until its notice is over.
    std::unique_ptr<IMainModalWindow> m_pFirmwareDlg;
    std::uint32_t m_nFirmwareSession = 0;
    bool m_bFirmwareRunning = false;
};
