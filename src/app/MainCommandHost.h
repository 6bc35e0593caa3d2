// The main window's commands over the real window: the interfaces of
// MainCommands.h implemented on CClientDlg, its connection object, its video
// grid and its local player. Thin: every call is a member read or a call of
// the part it names.
#pragma once

#include "app/MainCommands.h"

#include <memory>

class CClientDlg;
class CNetClient;
class CVideoGridDlg;
class CLocalPlayer;

class CNetConnectionView : public IMainConnection
{
public:
    // The connection the view answers for, as the main window holds it at
    // the moment of the call (the view keeps no reference of its own).
    void Attach(CNetClient* net, CClientDlg* dlg);

    std::uint32_t Session() const override;
    bool LoggedIn() const override;
    bool LiveOn() const override;
    bool PlayOn() const override;
    bool TransferOn() const override;
    bool Recording() const override;
    bool AListenOn() const override;
    bool AudioOn() const override;
    bool DbBusy() const override;
    void ClearDbBusy() override;
    bool HasRight(int k) const override;
    std::string Password() const override;
    int HelloAccount() const override;
    int SubProductMajor() const override;
    bool SubProduct6() const override;
    bool ProductVer12() const override;
    int PlayState() const override;
    bool PlayStepFlag() const override;
    std::uint32_t ChannelMask() const override;
    std::uint32_t LastChannelMask() const override;
    void SetPlayResync() override;
    void PlayControl(int command) override;
    bool PlayHandOverActive() const override;
    void ClearPlayHandOver() override;
    bool SendLiveReq() override;
    void SendLiveStop() override;
    bool SendRPlayStop() override;
    void SendTransOffReq() override;
    void SendAListenStop() override;
    bool SendLiveMask(std::uint32_t mask) override;
    bool SendPlayViewCh(std::uint32_t mask) override;
    bool SendAudioOnReq() override;
    bool SendAudioOffReq() override;
    bool SendRecOnReq() override;
    bool SendRecOffReq() override;
    bool SendDBInfoReq() override;
    bool SendDBUpdateReq() override;
    bool HasSearchWindow() const override;
    void SetSearchWindow(IMainModalWindow* window) override;
    bool HasSetupWindow() const override;
    void SetSetupWindow(IMainModalWindow* window) override;
    bool HasFirmwareWindow() const override;
    void SetFirmwareWindow(IMainModalWindow* window) override;
    bool HasPlaybackClock() const override;

private:
    CNetClient* m_net = nullptr;
    CClientDlg* m_dlg = nullptr;
};

class CGridView : public IMainGrid
{
public:
    void Attach(CVideoGridDlg* grid, CClientDlg* dlg = nullptr)
    {
        m_grid = grid;
        m_dlg = dlg;
    }

    int ViewMode() const override;
    bool SetLayout(int layout) override;
    int Layout() const override;
    void SetSelectedLayout(int layout) override;
    bool ShowSingleChannel(int channel) override;
    void ClearZoom() override;
    void ClearShownChannels() override;
    void SetHoldPage(bool hold) override;
    std::uint16_t VisibleChannels() const override;
    int FirstPageChannel() const override;
    void ResetCellMap() override;
    int OsdMode() const override;
    void SetOsdMode(int mode) override;
    void Repaint(bool erase) override;
    bool SaveSnapshot() override;
    bool IsFullScreen() const override;
    std::array<MonitorInfo, 4> Monitors() const override;
    void EnterFullScreen(int monitor) override;

private:
    CVideoGridDlg* m_grid = nullptr;
    CClientDlg* m_dlg = nullptr;
};

class CLocalPlayerView : public IMainLocalPlayer
{
public:
    void Attach(CLocalPlayer* player) { m_player = player; }

    int PlayState() const override;
    int Speed() const override;
    int RangeStart() const override;
    void SetPlayCommand(int command) override;
    void SetSeekState(int state) override;
    void SetSeekTime(int time) override;
    void SetRedraw() override;

private:
    CLocalPlayer* m_player = nullptr;
};

class CClientCommandHost : public IMainCommandHost
{
public:
    explicit CClientCommandHost(CClientDlg& dlg) : m_dlg(dlg) {}

    IMainConnection* Connection() override;
    IMainGrid* Grid() override;
    IMainLocalPlayer* LocalPlayer() override;
    MasterMixer* Mixer() override;
    void SetButtonState(int id, int state) override;
    void EnableButton(int id, bool enable) override;
    void SetSliderPos(int id, int pos) override;
    void EnableSlider(int id, bool enable) override;
    bool MuteState() const override;
    void SetMuteState(bool mute) override;
    void SetVolumeState(int volume) override;
    int LastChannelMask() const override;
    void SetLastChannelMask(int mask) override;
    bool DomeMenuOpen() const override;
    bool ReadOnlyMedia() const override;
    std::string DataLocation() const override;
    int MaxAlarm() const override;
    void PostNotify(WndHandle owner, int code, int sub) override;
    void SetTimer(UINT id, UINT ms) override;
    void KillTimer(UINT id) override;
    void WriteConnectLog(int type, int subtype) override;
    bool RunPasswordPrompt(std::string* typed) override;
    std::unique_ptr<IMainModalWindow> CreateRemoteSearchWindow() override;
    std::unique_ptr<IMainModalWindow> CreateRemoteSetupWindow() override;
    std::unique_ptr<IMainModalWindow> CreateLocalSetupWindow() override;
    std::unique_ptr<IMainModalWindow> CreateFirmwareWindow() override;
    void RunLocalSearchWindow() override;
    bool ChooseSavedPicture(const std::string& folder, std::string* path) override;
    void ShowSavedPicture(const std::string& path) override;
    void ApplyLocalSetup() override;
    void ResetLocalSetup() override;
    int ReapSaveWorkers() override;
    void CreatePlaybackClock() override;
    void CloseLocalPlayer() override;
    void ClearLastLocalSearch() override;
    void EndConnection() override;
    void DestroyVideoGrid() override;
    void EndModalLoop(int result) override;
    void Minimize() override;
    bool IsMinimized() const override;
    void Restore() override;
    bool ModalDialogOpen() const override;
    bool AppActive() const override;
    void RaiseAboveOthers() override;
    QPoint ClientCentreOnScreen() const override;

private:
    CClientDlg& m_dlg;
    CNetConnectionView m_connection;
    CGridView m_grid;
    CLocalPlayerView m_player;
};
