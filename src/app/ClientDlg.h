// The main window: the hub of the client. It owns the video grid, the
// connection object, the local player, the mixer, the local settings and
// their edit copy and the main clock for the whole run; other windows and
// workers read its members. This file holds its start-up, its shutdown, the
// command line, the skin it paints and the services it offers the local
// windows and the clock.
#pragma once

#include "app/BookmarkDlg.h"
#include "app/ClientDeps.h"
#include "app/ClockWnd.h"
#include "app/CommandLine.h"
#include "app/LocalSettings.h"
#include "app/LocalSetupDlg.h"
#include "app/MainCommands.h"
#include "app/MainLayout.h"
#include "app/MainServices.h"
#include "app/NotifyTable.h"
#include "app/TransferBar.h"
#include "local/LocalHost.h"
#include "local/LocalRecords.h"
#include "net/ConnectDlg.h"
#include "platform/Wnd.h"
#include "video/PtzPanels.h"
#include "video/SaveImageThread.h"
#include "video/VideoGridDlg.h"
#include "ui/SkinButton.h"
#include "ui/SkinSlider.h"

#include <QImage>
#include <QRect>
#include <QRegion>
#include <array>
#include <atomic>
#include <memory>
#include <string>

class CBookmarkDlg;
class CConnectLog;
class CLocalPlayer;
class CLocalSetupDlg;
class CLocalSearchDlg;
class CNetClient;
class CSkinMessageDlg;
class CClientNetHost;
class CClientCommandHost;
class CPasswordDlg;
class CPreviewFileDlg;
class CImageViewDlg;
class CMotionGridStatic;
class CRegionGridStatic;

// Posted by the main window to itself at the end of start-up.
constexpr UINT WM_OPEN_LOCAL_SEARCH = WM_USER + 20051;
// Posted to the main window from any thread: the bookmark bar ends.
constexpr UINT WM_END_BOOKMARK_BAR = WM_USER + 20071;

class CClientDlg : public Dialog,
                   public CLocalSettings,
                   public ILocalHost,
                   public IClockHost,
                   public INotifyHost,
                   public ITransferBarHost,
                   public IPtzHost,
                   public IConnectDlgHost,
                   public IConnectTarget,
                   public VideoGridHost,
                   public ILocalSetupHost,
                   public IBookmarkHost
{
    Q_OBJECT
public:
    static constexpr int kWidth = 928;
    static constexpr int kHeight = 698;
    // The key colour of the skin's cut corners (COLORREF).
    static constexpr COLORREF kCornerKey = 0xAA6432;

    explicit CClientDlg(QWidget* parent = nullptr, ClientDeps deps = ClientDeps::Defaults());
    ~CClientDlg() override;

    // The arguments after the program, joined with single blanks.
    void SetCommandLine(const std::string& args) { m_strCommandLine = args; }

    // Start-up.
    bool OnInitDialog() override;
    void InitDevices();
    void InitChildren();

    // Shutdown: Quit's work before the modal loop ends, then the clean-up
    // when the window is destroyed.
    void OnQuit();
    void Shutdown();
    void CloseLocalPlayer() override;
    void FreePlaylist();
    bool DestroyWindow() override;
    void Cleanup();

    // The connection. StartConnection creates and starts the connection
    // object; Disconnect ends it (the object itself is left to its threads).
    bool StartConnection(const std::string& address, int port, const std::string& user,
                         const std::string& password,
                         const std::string& description = std::string()) override;
    void Disconnect() override;
    bool IsConnected() const { return static_cast<bool>(m_pNetClient); }
    bool IsRemotePlaybackOn() const;
    // The main window as the connection sees it (exists once a connection was started).
    CClientNetHost* ConnectionHost() const { return m_pNetHost.get(); }
    // The last connection asked for by the command line or the Connect button.
    const ConnectRequest& LastConnectRequest() const { return m_lastConnectRequest; }

    // Buttons whose handlers the start-up and the messages reach. Connect:
    // disconnects when connected, else runs the connect dialog; nothing on
    // read-only media.
    void OnConnect();
    void OnLocalSearch();
    void OnOpenLocalSearch();

    // Local settings: the edit copy's OK and Cancel.
    void ApplyLocalSetup();
    void ResetLocalSetup();

    // ILocalSetupHost
    int VideoViewMode() const override;
    bool ReadOnlyMedia() const override;
    void ShowNotice(QWidget* over, const QString& first, const QString& second) override;

    // The bookmark bar of local playback (GUI thread): WM_SHOW_BOOKMARK_BAR
    // replaces any bar with a new one of mode wParam.
    void OnShowBookmarkBar(WPARAM mode);
    void DestroyBookmarkBar();
    // ILocalHost: the bar asked for from any thread, carried out in order on
    // the GUI thread; a request when no bar exists is dropped.
    void ShowBookmarkBar(int mode) override;
    void SetBookmarkButtons(int back, int forward) override;
    void EndBookmarkBar() override;
    // IBookmarkHost
    QPoint BookmarkClientOrigin() override;
    bool BookmarkVideoArea(BarRect* rect) override;
    void BookmarkStep(int command) override;
    void BookmarkBarGone(CBookmarkDlg* bar) override;

    // The connection log; any thread.
    void WriteConnectLog(int nSize, int nType, int nSubType, int nReserved, const char* pUser,
                         const char* pAddress) override;

    // A string-table text of the resource library (empty when it lacks the id).
    static QString LoadResString(int id);

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    // Skin.
    void LoadSkin();
    // The whole window's skin as it is painted.
    QImage ComposeSkin() const;
    // The key-coloured pixels in the four corners (x < 54 or x > 868, and
    // y < 51 or y > 641) of a picture of the window.
    static QRegion CornerKeyRegion(const QImage& image);
    // Cuts the corners once, from the painted skin; until a skin shows key
    // pixels in its corners the window stays rectangular and is scanned again.
    void CutWindowRegion(const QImage& skin);

    // Controls: their places, strips and tooltips are the table of
    // MainLayout.h. The button or slider with control id `id`; null for ids
    // the window has no such control for.
    CSkinButton* Button(int id);
    CSkinSlider* Slider(int id);
    QWidget* Control(int id);
    // The tooltip text of control `id` as the window's state now chooses it;
    // empty for controls without one (the record button while not connected).
    QString OnToolTipNeedText(int id) const;
    // Every button click of the main window arrives here with the button's id.
    void OnButton(int id);

    // The commands behind the buttons, sliders, timers and messages.
    CMainCommands& Commands() { return *m_pCommands; }
    void OnTimer(UINT id) override;
    // Pieces the commands use: the connection's disconnect and drop, the
    // local search window's run, the playback clock, whether a modal dialog
    // of the main window is open.
    void EndConnection();
    void RunLocalSearchDialog();
    void CreatePlaybackClock();
    void DestroyPlaybackClock();
    bool ModalDialogOpen() const;

    // Services for other windows and the decode workers. The grabs put the
    // channel's current picture under a setup page's grid control (1 when
    // they did); the audio answers run on the workers' threads; the disk
    // space is in units of 1,024,000 bytes, false on an optical disc.
    int GrabStillForMotionGrid(CMotionGridStatic* grid, int channel);
    int GrabStillForRegionGrid(CRegionGridStatic* grid, int channel);
    int IsAudioChannel(int source, int channel) const;
    int GetChannelState(int source, int channel) const;
    bool GetDiskSpace(int* freeUnits, int* totalUnits) const;

    // Notifications (WM_NOTIFY_EVENT): one box at a time.
    CNotifyHandler& NotifyHandler() { return m_notify; }
    // INotifyHost
    NotifyState NotifySnapshot() override;
    int UserLanguageId() override;
    int RunNotifyBox(WndHandle sender, const MessageBoxContent& content) override;
    void OpenRemoteSearch() override;
    void ClearSearchHandOver() override;
    void ClearTransNackInfo() override;
    void SendDBUpdateReq() override;
    void SendDBInitReq() override;
    void SendRebootReq() override;
    void RunFirmwareDialog() override;
    void DeleteFirmwareDialog() override;
    bool RunPasswordPrompt(std::string* typed) override;

    // The progress bar of a backup download (WM_TRANSFER_START, _PROGRESS, _END).
    void OnTransferStart(unsigned totalKB);
    void OnTransferProgress(unsigned receivedKB);
    void OnTransferEnd();
    // ITransferBarHost
    bool TransferGridRect(BarRect* rect) override;
    void TransferStop() override;

    // ILocalHost
    WndHandle HostHandle() const override { return Handle(); }
    std::string DataLocation() const override { return m_strLocation; }
    LastLocalSearch* LastSearch() override { return &m_LastLocalSearch; }
    void ClearLastLocalSearch() override;
    int LocalDateFormat() const override { return m_nDateFormat; }
    const Playlist* RunningPlaylist() const override;
    void ClearReceivedChannels() override;
    RemotePlaybackState RemotePlayback() const override;
    std::string ConnectLogFile() const override;
    void PostNotifyEvent(int code, int subCode) override;
    void SetVideoViewMode(int mode) override;
    void SetLastChannelMask(int mask) override { m_nLastChannelMask = mask; }
    bool StartLocalPlayer(Playlist& list, Playlist::iterator current) override;
    std::unique_ptr<IDecodeWorker> CreateLocalWorker(int channel) override;
    std::unique_ptr<IAudioWorker> CreateLocalAudio() override;
    std::uint16_t VisibleChannels() override;
    int SingleViewChannel(std::uint16_t mask, int& index) override;
    bool WatermarkOn() override { return m_bLocalWatermark.load(); }
    void SetWatermarkState(int channel, int state) override;
    void LocalChainSetup(std::uint32_t mask, int highest, bool sameLayout, int sliderMax) override;
    void SetLocalSliderPos(int pos) override;
    void SetLocalPlaybackTime(std::uint32_t time) override;
    void LocalCommandDone(int command) override;
    void SetLocalPlaybackButtons(bool enabled) override;
    void ReportSkippedSet(const std::string& name) override;
    void LocalPlayEnded() override;
    // The name of the first downloaded set a local scan or playback left out.
    std::string SkippedSetName() const;
    // GUI thread: a backup download has ended. The closing notice names the
    // set when it is not the name typed (cleaned, or made unique beside an
    // earlier download) and counts the frames left out as damaged; a
    // download that went as asked, or that a file error ended (its own
    // notice), shows none.
    void ReportDownloadClosed(const DownloadSummary& summary);

    // IClockHost
    QWidget* ClockSurface() override { return this; }
    int ClockHourSystem() override { return m_nHourSystem; }
    int ClockDateFormat() override { return m_nDateFormat; }
    int ClockViewMode() override { return m_pVideoWnd ? m_pVideoWnd->m_nViewMode.load() : 0; }

    // PTZ: the Pan and Zoom buttons open, switch or close the direction
    // panel (only while connected with live view on); the panels' reports
    // become requests on the connection.
    void TogglePtzPan() override { TogglePtz(kPtzModePan); }
    void TogglePtzZoom() override { TogglePtz(kPtzModeZoom); }
    void TogglePtz(int mode);
    // The connection asks for the panel to go (the PTZ right was withdrawn,
    // or live view stopped): closed as its own toggle closes it.
    void ClosePtzPanel(int mode);
    void OnPtzMove(WPARAM wParam, LPARAM lParam);
    void OnPtzPreset(WPARAM wParam, LPARAM lParam);
    CPtzPanels& PtzPanels() { return m_ptzPanels; }
    // IPtzHost
    WndHandle MainWindow() const override { return Handle(); }
    void SetPtzButtons(int panState, int zoomState) override;
    QRect MainClientRect() const override;
    bool VideoGridRect(QRect& screenRect) const override;
    bool VideoGridCells(std::uint32_t& visibleMask, std::array<int, 16>& cellChannel) const override;
    BYTE PanelOpacity() const override { return m_arrOpacity[5]; }

    // VideoGridHost: what the video grid reads of the connection, the local
    // player and the main window while it paints and changes layout (GUI
    // thread).
    GridLinkState LinkState() const override;
    bool HasSoundDevice() const override { return m_bSoundDevice != 0; }
    bool GetPlaySpeed(int viewMode, int& code) override;
    void RequestPtzChannel(int channel) override;
    void SetGridButton(int index, int state) override;
    void OnVideoTick() override;
    bool DomeMenuOpen() const override;
    void SelectChannel(int channel, bool keep) override;
    void SetScreenSplit(int layout) override;
    void TellRecorderView(std::uint32_t visible) override;
    std::unique_ptr<GridSplitBar> CreateSplitBar(Wnd* owner) override;
    void ShowMainWindow() override;

    // Still pictures (ClientDlgStill.cpp): the Save button's snapshot and its
    // workers, the Load button's file dialog and viewer.
    bool StartStillSave();
    int ReapSaveWorkers();
    bool ChooseSavedPicture(const std::string& folder, std::string* path);
    void ShowSavedPicture(const std::string& path);

    // IConnectDlgHost (DataLocation is ILocalHost's)
    bool SavePassword() const override { return m_bSavePassword != 0; }
    int RunMessageBox(QWidget* over, const BookMessage& message) override;
    std::uint32_t Now() const override;

    // Members other parts of the client read.
    LastLocalSearch m_LastLocalSearch;
    std::unique_ptr<CVideoGridDlg> m_pVideoWnd;
    std::shared_ptr<CNetClient> m_pNetClient;
    std::unique_ptr<CLocalPlayer> m_pLocalPlayer;
    std::unique_ptr<CClockWnd> m_pClockWnd;
    std::unique_ptr<CLocalSearchDlg> m_pLocalSearchDlg;
    std::unique_ptr<MasterMixer> m_pMixer;
    LocalSetupRecord m_LocalSetup{};
    // The recorder's setup image while the setup window edits it.
    std::array<std::uint8_t, 8176> m_SetupDb{};
    // The local setup window while it runs; the bookmark bar while it exists.
    CLocalSetupDlg* m_pLocalSetupDlg = nullptr;
    CBookmarkDlg* m_pBookmarkDlg = nullptr;
    Playlist m_Playlist;
    // Copies the play thread reads.
    std::atomic<bool> m_bLocalWatermark{false};
    std::atomic<int> m_nLocalSliderPos{-1};
    std::atomic<bool> m_bLocalSliderQueued{false};
    mutable std::mutex m_csSkippedSet;
    std::string m_strSkippedSet;
    DownloadSummary m_lastDownload; // GUI thread
    std::atomic<int> m_nAudioChannel{-1};
    std::atomic<int> m_nAudioIndex{0};
    std::atomic<BYTE> m_bAudioReset{0};
    std::atomic<int> m_nLastChannelMask{0};
    BYTE m_bMute = 0;
    int m_nVolume = 0;
    BYTE m_bSavedMute = 0;
    int m_nSavedVolume = 0;
    std::unique_ptr<ResourceLibrary> m_hResDll;    // null when the bundle is missing
    std::unique_ptr<DecoderLibrary> m_hDecoderDll; // null when the decoder is missing
    std::array<std::uint16_t, 4> m_arrVersion{};
    BYTE m_bSoundDevice = 0;
    int m_bAppActive = 0;
    std::array<MonitorInfo, 4> m_arrMonitor{};
    BYTE m_bReadOnlyMedia = 0;

    // Skin.
    std::array<QImage, 9> m_bmpFrame;
    QImage m_bmpCentre;
    QImage m_bmpPlayBar;
    QImage m_bmpLogo;
    std::array<QRect, 9> m_rcFrame;
    QRect m_rcCentre;
    QRect m_rcLogo;
    BYTE m_bRegionPending = 1;

    // Controls, bound to their ids and placed by the layout at start.
    CMainToolTip m_ToolTip;
    CSkinButton m_btnChannel[16];
    CSkinButton m_btnSplit[9];
    CSkinButton m_btnPlay[7]; // 340-346
    CSkinButton m_btnPan, m_btnZoom;
    CSkinButton m_btnConnect, m_btnRemoteSearch, m_btnRemoteSetup, m_btnLocalSearch, m_btnLocalSetup;
    CSkinButton m_btnQuit;
    CSkinButton m_btnOsd, m_btnArrange, m_btnSound, m_btnSelAudio, m_btnMike, m_btnMin;
    CSkinSlider m_sliderVolume, m_sliderPosition;
    CSkinButton m_btnSave, m_btnLoad, m_btnAudio, m_btnLive, m_btnFirmUp, m_btnFull;
    CSkinButton m_btnVerInfo, m_btnReboot;
    // Highlightable buttons: [0..15] channels, [16..24] splits, [25..31] playback 340-346.
    std::array<CSkinButton*, kHighlightButtonCount> m_arrButton{};
    // The notification box while one is shown.
    CSkinMessageDlg* m_pMessageDlg = nullptr;
    // The transfer bar while a backup downloads; the connection's transfer-bar
    // slot holds its handle.
    std::unique_ptr<CTransferBarDlg> m_pTransferBarDlg;

    // The password prompt while it runs (a disconnect closes it).
    CPasswordDlg* m_pPasswordDlg = nullptr;
    // Still-picture save workers, one slot per channel; a failure seen while
    // reaping (a write-failed sub-code, 0 none) is reported once the last
    // worker of the Save has been reaped.
    std::array<std::unique_ptr<CSaveImageThread>, 16> m_arrSaveThread;
    int m_nSaveFailure = 0;
    // The Load button's file dialog and picture viewer while they run.
    CPreviewFileDlg* m_pFileDlg = nullptr;
    CImageViewDlg* m_pImageViewDlg = nullptr;
    // The playback clock of a remote playback (the connection's slot 21 holds its handle).
    std::unique_ptr<CClockWnd> m_pPlayClockWnd;

    // Where the master volume is set at start.
    static constexpr int kStartVolume = 40000;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    bool OnBookmarkMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void LoadClientFile();
    void LayoutControls();
    void PlaceControl(const MainControl& control);
    void CloseTransferBar();
    // The play bar shows while a local player exists or remote playback is on.
    bool PlayBarShown() const;
    void CreateVideoGrid();
    void ProcessCommandLine();
    // The facts of the audio answers, as the workers' threads may read them.
    AudioChannelFacts AudioFacts() const;
    bool GrabStill(int channel, GridStill& still);

    ClientDeps m_deps;
    // Declared after m_pNetClient so that it goes first: its end ends the session it serves.
    std::unique_ptr<CClientNetHost> m_pNetHost;
    std::unique_ptr<CConnectLog> m_pLog;
    std::shared_ptr<void> m_screenSaver;
    std::string m_strCommandLine;
    ConnectRequest m_lastConnectRequest;
    bool m_bStarted = false;
    bool m_bCleanedUp = false;
    CNotifyHandler m_notify{*this};
    std::unique_ptr<CClientCommandHost> m_pCommandHost;
    std::unique_ptr<CMainCommands> m_pCommands;
    // The connection as the decode workers' threads see it: set with
    // m_pNetClient and cleared before the connection is dropped (its workers
    // have ended by then).
    std::atomic<CNetClient*> m_pAudioNet{nullptr};
    // The PTZ panels of the current connection (GUI thread).
    CPtzPanels m_ptzPanels{*this};
    // The composed skin and whether it shows the play bar.
    QImage m_skinCache;
    bool m_bSkinCachePlayBar = false;
};
