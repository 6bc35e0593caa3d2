// Fakes of the main window, the connection, the grid and the local player
// for the headless command tests: state is plain fields the test sets, and
// every call with an effect is written to one shared log, in order.
#pragma once

#include "app/MainCommands.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace cmdtest {

using Log = std::vector<std::string>;

inline std::string Hex(std::uint32_t v)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04X", v);
    return buf;
}

class FakeConnection : public IMainConnection
{
public:
    explicit FakeConnection(Log& log, std::uint32_t id = 1) : session(id), m_log(log) {}

    std::uint32_t session;
    bool loggedIn = true, live = false, play = false, trans = false, recording = false, alisten = false,
         audio = false, dbBusy = false;
    std::array<bool, 8> rights{{true, true, true, true, true, true, true, true}};
    std::string password = "pass";
    int account = 0, subMajor = 0;
    bool sub6 = false, ver12 = false;
    int playState = 3;
    bool step = false;
    std::uint32_t channelMask = 0xFFFF, lastMask = 0;
    bool handOver = false;
    IMainModalWindow* searchSlot = nullptr;
    IMainModalWindow* setupSlot = nullptr;
    IMainModalWindow* firmwareSlot = nullptr;
    bool clock = false;
    bool resync = false;

    std::uint32_t Session() const override { return session; }
    bool LoggedIn() const override { return loggedIn; }
    bool LiveOn() const override { return live; }
    bool PlayOn() const override { return play; }
    bool TransferOn() const override { return trans; }
    bool Recording() const override { return recording; }
    bool AListenOn() const override { return alisten; }
    bool AudioOn() const override { return audio; }
    bool DbBusy() const override { return dbBusy; }
    void ClearDbBusy() override
    {
        dbBusy = false;
        Note("ClearDbBusy");
    }
    bool HasRight(int k) const override { return k >= 0 && k < 8 && rights[static_cast<std::size_t>(k)]; }
    std::string Password() const override { return password; }
    int HelloAccount() const override { return account; }
    int SubProductMajor() const override { return subMajor; }
    bool SubProduct6() const override { return sub6; }
    bool ProductVer12() const override { return ver12; }
    int PlayState() const override { return playState; }
    bool PlayStepFlag() const override { return step; }
    std::uint32_t ChannelMask() const override { return channelMask; }
    std::uint32_t LastChannelMask() const override { return lastMask; }
    void SetPlayResync() override
    {
        resync = true;
        Note("SetPlayResync");
    }
    void PlayControl(int command) override { Note("PlayControl " + std::to_string(command)); }
    bool PlayHandOverActive() const override { return handOver; }
    void ClearPlayHandOver() override
    {
        handOver = false;
        Note("ClearPlayHandOver");
    }
    bool SendLiveReq() override
    {
        Note("LIVE_REQ all");
        return true;
    }
    void SendLiveStop() override
    {
        live = false;
        Note("LIVE_STOP");
    }
    bool SendRPlayStop() override
    {
        play = false;
        Note("RPLAY_STOP");
        return true;
    }
    void SendTransOffReq() override
    {
        trans = false;
        Note("TRANS_OFF_REQ");
    }
    void SendAListenStop() override { Note("AListenStop"); }
    bool SendLiveMask(std::uint32_t mask) override
    {
        Note("LIVE_REQ " + Hex(mask));
        return true;
    }
    bool SendPlayViewCh(std::uint32_t mask) override
    {
        Note("PLAY_VIEW_CH " + Hex(mask));
        return true;
    }
    bool SendAudioOnReq() override
    {
        Note("AUDIO_ON");
        return true;
    }
    bool SendAudioOffReq() override
    {
        Note("AUDIO_OFF");
        return true;
    }
    bool SendRecOnReq() override
    {
        Note("REC_ON_REQ");
        return true;
    }
    bool SendRecOffReq() override
    {
        Note("REC_OFF_REQ");
        return true;
    }
    bool SendDBInfoReq() override
    {
        Note("DB_INFO_REQ");
        return true;
    }
    bool SendDBUpdateReq() override
    {
        Note("DB_UPDATE_REQ");
        return true;
    }
    bool HasSearchWindow() const override { return searchSlot != nullptr; }
    void SetSearchWindow(IMainModalWindow* w) override
    {
        searchSlot = w;
        Note(w ? "search slot set" : "search slot cleared");
    }
    bool HasSetupWindow() const override { return setupSlot != nullptr; }
    void SetSetupWindow(IMainModalWindow* w) override
    {
        setupSlot = w;
        Note(w ? "setup slot set" : "setup slot cleared");
    }
    bool HasFirmwareWindow() const override { return firmwareSlot != nullptr; }
    void SetFirmwareWindow(IMainModalWindow* w) override
    {
        firmwareSlot = w;
        Note(w ? "firmware slot set" : "firmware slot cleared");
    }
    bool HasPlaybackClock() const override { return clock; }

private:
    void Note(const std::string& s) { m_log.push_back("conn" + std::to_string(session) + " " + s); }
    Log& m_log;
};

class FakeGrid : public IMainGrid
{
public:
    explicit FakeGrid(Log& log) : m_log(log) {}

    int viewMode = 0;
    int layout = 14;
    int selected = 14;
    bool activeOnLayout = true;
    bool showsSingle = true;
    std::uint16_t visible = 0xFFFF;
    // What SetLayout / ShowSingleChannel make visible (layout -> mask); absent: unchanged.
    std::map<int, std::uint16_t> visibleByLayout;
    int firstChannel = 0;
    int osd = 0;
    bool fullScreen = false;
    std::array<MonitorInfo, 4> monitors{};
    bool holdPage = true;

    int ViewMode() const override { return viewMode; }
    bool SetLayout(int l) override
    {
        layout = l;
        if (auto it = visibleByLayout.find(l); it != visibleByLayout.end())
            visible = it->second;
        Note("SetLayout " + std::to_string(l));
        return activeOnLayout;
    }
    int Layout() const override { return layout; }
    void SetSelectedLayout(int l) override { selected = l; }
    bool ShowSingleChannel(int channel) override
    {
        Note("ShowSingle " + std::to_string(channel));
        if (!showsSingle)
            return false;
        layout = 0;
        visible = static_cast<std::uint16_t>(1u << channel);
        firstChannel = channel;
        return true;
    }
    void ClearZoom() override { Note("ClearZoom"); }
    void ClearShownChannels() override { Note("ClearShown"); }
    void SetHoldPage(bool hold) override { holdPage = hold; }
    std::uint16_t VisibleChannels() const override { return visible; }
    int FirstPageChannel() const override { return firstChannel; }
    void ResetCellMap() override { Note("ResetCellMap"); }
    int OsdMode() const override { return osd; }
    void SetOsdMode(int mode) override { osd = mode; }
    void Repaint(bool erase) override { Note(erase ? "Repaint erase" : "Repaint"); }
    bool SaveSnapshot() override
    {
        Note("SaveSnapshot");
        return true;
    }
    bool IsFullScreen() const override { return fullScreen; }
    std::array<MonitorInfo, 4> Monitors() const override { return monitors; }
    void EnterFullScreen(int monitor) override { Note("FullScreen " + std::to_string(monitor)); }

private:
    void Note(const std::string& s) { m_log.push_back("grid " + s); }
    Log& m_log;
};

class FakePlayer : public IMainLocalPlayer
{
public:
    explicit FakePlayer(Log& log) : m_log(log) {}
    int state = 3, speed = 1, rangeStart = 0, seekState = 0, seekTime = 0;
    bool redraw = false;

    int PlayState() const override { return state; }
    int Speed() const override { return speed; }
    int RangeStart() const override { return rangeStart; }
    void SetPlayCommand(int command) override { m_log.push_back("player command " + std::to_string(command)); }
    void SetSeekState(int s) override { seekState = s; }
    void SetSeekTime(int t) override { seekTime = t; }
    void SetRedraw() override { redraw = true; }

private:
    Log& m_log;
};

class FakeWindow : public IMainModalWindow
{
public:
    FakeWindow(Log& log, std::string name, int result, std::function<void()> during = {})
        : m_log(log), m_name(std::move(name)), m_result(result), m_during(std::move(during))
    {
    }
    ~FakeWindow() override { m_log.push_back(m_name + " deleted"); }
    int Run() override
    {
        m_log.push_back(m_name + " run");
        if (m_during)
            m_during();
        return m_result;
    }
    WndHandle Handle() const override { return WndHandle(77); }
    int ScanUpgradeFolder() override { return images; }
    int images = 0;

private:
    Log& m_log;
    std::string m_name;
    int m_result;
    std::function<void()> m_during;
};

class FakeMixer : public MasterMixer
{
public:
    bool IsReal() const override { return false; }
    int GetVolume() override { return volume; }
    bool SetVolume(int v) override
    {
        volume = v;
        return true;
    }
    bool GetMute() override { return mute; }
    bool SetMute(bool m) override
    {
        mute = m;
        return true;
    }
    int volume = 0;
    bool mute = false;
};

class FakeHost : public IMainCommandHost
{
public:
    Log log;
    std::unique_ptr<FakeConnection> conn;
    std::unique_ptr<FakeGrid> grid = std::make_unique<FakeGrid>(log);
    std::unique_ptr<FakePlayer> player;
    FakeMixer mixer;
    std::map<int, int> buttonState;
    std::map<int, bool> buttonEnabled;
    std::map<int, int> sliderPos;
    std::map<int, bool> sliderEnabled;
    std::vector<std::tuple<std::uint32_t, int, int>> notices; // owner, code, sub
    std::map<UINT, UINT> timers;
    bool mute = false;
    int volume = 0;
    int lastMask = 0;
    bool domeMenu = false;
    bool readOnly = false;
    int maxAlarm = 0;
    bool minimized = false, modalOpen = false, appActive = false;
    QPoint centre{100, 100};
    int saveWorkersRunning = 0;
    // The password prompt: nullopt cancels; the function runs while it is open.
    std::optional<std::string> typed;
    std::function<void()> duringPrompt;
    // Window factories; null functions give no window.
    std::function<std::unique_ptr<IMainModalWindow>()> makeSearch, makeSetup, makeLocalSetup, makeFirmware;
    std::string chosenPicture;

    FakeConnection& Connect(std::uint32_t session = 1)
    {
        conn = std::make_unique<FakeConnection>(log, session);
        return *conn;
    }
    bool Logged(const std::string& entry) const { return std::find(log.begin(), log.end(), entry) != log.end(); }
    // The log entries that start with `prefix`, in order.
    std::vector<std::string> Only(const std::string& prefix) const
    {
        std::vector<std::string> out;
        for (const auto& e : log)
            if (e.rfind(prefix, 0) == 0)
                out.push_back(e);
        return out;
    }

    IMainConnection* Connection() override { return conn.get(); }
    IMainGrid* Grid() override { return grid.get(); }
    IMainLocalPlayer* LocalPlayer() override { return player.get(); }
    MasterMixer* Mixer() override { return &mixer; }
    void SetButtonState(int id, int state) override { buttonState[id] = state; }
    void EnableButton(int id, bool enable) override { buttonEnabled[id] = enable; }
    void SetSliderPos(int id, int pos) override { sliderPos[id] = pos; }
    void EnableSlider(int id, bool enable) override { sliderEnabled[id] = enable; }
    bool MuteState() const override { return mute; }
    void SetMuteState(bool m) override { mute = m; }
    void SetVolumeState(int v) override { volume = v; }
    int LastChannelMask() const override { return lastMask; }
    void SetLastChannelMask(int mask) override { lastMask = mask; }
    bool DomeMenuOpen() const override { return domeMenu; }
    bool ReadOnlyMedia() const override { return readOnly; }
    std::string DataLocation() const override { return "/data/K5"; }
    int MaxAlarm() const override { return maxAlarm; }
    void PostNotify(WndHandle owner, int code, int sub) override { notices.emplace_back(owner.Id(), code, sub); }
    void SetTimer(UINT id, UINT ms) override { timers[id] = ms; }
    void KillTimer(UINT id) override
    {
        timers.erase(id);
        log.push_back("KillTimer " + std::to_string(id));
    }
    void WriteConnectLog(int type, int subtype) override
    {
        log.push_back("connlog " + std::to_string(type) + "/" + std::to_string(subtype));
    }
    bool RunPasswordPrompt(std::string* out) override
    {
        log.push_back("prompt");
        if (duringPrompt)
            duringPrompt();
        if (!typed)
            return false;
        *out = *typed;
        return true;
    }
    std::unique_ptr<IMainModalWindow> CreateRemoteSearchWindow() override { return makeSearch ? makeSearch() : nullptr; }
    std::unique_ptr<IMainModalWindow> CreateRemoteSetupWindow() override { return makeSetup ? makeSetup() : nullptr; }
    std::unique_ptr<IMainModalWindow> CreateLocalSetupWindow() override
    {
        return makeLocalSetup ? makeLocalSetup() : nullptr;
    }
    std::unique_ptr<IMainModalWindow> CreateFirmwareWindow() override { return makeFirmware ? makeFirmware() : nullptr; }
    void RunLocalSearchWindow() override
    {
        log.push_back("local search run, LSearch state " + std::to_string(buttonState[IDC_LOCAL_SEARCH]));
    }
    bool ChooseSavedPicture(const std::string& folder, std::string* path) override
    {
        log.push_back("file dialog " + folder);
        if (chosenPicture.empty())
            return false;
        *path = chosenPicture;
        return true;
    }
    void ShowSavedPicture(const std::string& path) override { log.push_back("viewer " + path); }
    void ApplyLocalSetup() override { log.push_back("ApplyLocalSetup"); }
    void ResetLocalSetup() override { log.push_back("ResetLocalSetup"); }
    int ReapSaveWorkers() override { return saveWorkersRunning; }
    void CreatePlaybackClock() override { log.push_back("playback clock"); }
    void CloseLocalPlayer() override
    {
        player.reset();
        log.push_back("CloseLocalPlayer");
    }
    void ClearLastLocalSearch() override { log.push_back("ClearLastLocalSearch"); }
    void EndConnection() override
    {
        log.push_back("EndConnection");
        conn.reset();
    }
    void DestroyVideoGrid() override
    {
        log.push_back("DestroyVideoGrid");
        grid.reset();
    }
    void EndModalLoop(int result) override { log.push_back("EndModal " + std::to_string(result)); }
    void Minimize() override { log.push_back("Minimize"); }
    bool IsMinimized() const override { return minimized; }
    void Restore() override { log.push_back("Restore"); }
    bool ModalDialogOpen() const override { return modalOpen; }
    bool AppActive() const override { return appActive; }
    void RaiseAboveOthers() override { log.push_back("Raise"); }
    QPoint ClientCentreOnScreen() const override { return centre; }
};

} // namespace cmdtest
