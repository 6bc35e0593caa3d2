#include "app/MainCommands.h"

#include "app/NotifyTable.h"
#include "net/PasswordMatch.h"
#include "platform/Paths.h"

#include <thread>
#include <utility>

namespace {

constexpr int kLogTypeSettings = 8;
constexpr int kLogStillSaved = 2;

// Split button k (0-8) is entry 16 + k of the highlightable buttons; channel
// button c is entry c; the playback buttons follow.
constexpr int kChannelButtons = 16;
constexpr int kSplitButtons = 9;

bool IsPlaybackPauseOrStep(int state)
{
    return state == 1 || state == 7;
}

} // namespace

int ChooseFullScreenMonitor(const std::array<MonitorInfo, 4>& monitors, const QPoint& centre)
{
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        if (monitors[i].valid && monitors[i].workArea.contains(centre))
            return static_cast<int>(i);
    }
    // The window lies on no recorded monitor (a fifth one, or moved off
    // screen): the primary monitor is where the user looks first.
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        if (monitors[i].valid && monitors[i].primary)
            return static_cast<int>(i);
    }
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        if (monitors[i].valid)
            return static_cast<int>(i);
    }
    return 0;
}

CMainCommands::CMainCommands(IMainCommandHost& host) : CMainCommands(host, Options())
{
}

CMainCommands::CMainCommands(IMainCommandHost& host, Options options) : m_host(host), m_options(std::move(options))
{
    if (!m_options.sleep)
        m_options.sleep = [](std::chrono::milliseconds ms) { std::this_thread::sleep_for(ms); };
}

CMainCommands::~CMainCommands() = default;

void CMainCommands::SetPause(std::chrono::milliseconds pause, PauseFn sleep)
{
    m_options.pause = pause;
    if (sleep)
        m_options.sleep = std::move(sleep);
}

void CMainCommands::Pause()
{
    m_options.sleep(m_options.pause);
}

void CMainCommands::PostNoPermission()
{
    m_host.PostNotify(WndHandle(), NOTIFY_NO_PERMISSION, 0);
}

bool CMainCommands::SameSession(std::uint32_t session)
{
    IMainConnection* conn = m_host.Connection();
    return conn && conn->Session() == session;
}

// ---------------------------------------------------------------------------
// Dispatch

void CMainCommands::OnButton(int id)
{
    if (id >= IDC_CHANNEL_FIRST && id <= IDC_CHANNEL_LAST) {
        SelectChannel(id - IDC_CHANNEL_FIRST, false);
        return;
    }
    if (id >= IDC_SPLIT_FIRST && id <= IDC_SPLIT_LAST) {
        SetScreenSplit(kSplitLayoutTypes[static_cast<std::size_t>(id - IDC_SPLIT_FIRST)]);
        return;
    }
    switch (id) {
    case IDC_FULL:
        OnFull();
        break;
    case IDC_STEP_BACKWARD:
    case IDC_FAST_BACKWARD:
    case IDC_FAST_FORWARD:
    case IDC_PAUSE:
    case IDC_STEP_FORWARD:
        OnPlayButton(id);
        break;
    case IDC_RECORD:
        OnRecord();
        break;
    case IDC_STOP:
        OnStop();
        break;
    case IDC_REMOTE_SEARCH:
        OnRemoteSearch();
        break;
    case IDC_REMOTE_SETUP:
        OnRemoteSetup();
        break;
    case IDC_LOCAL_SEARCH:
        OnLocalSearch();
        break;
    case IDC_LOCAL_SETUP:
        OnLocalSetup();
        break;
    case IDC_QUIT:
        OnQuit();
        break;
    case IDC_SOUND:
        OnSound();
        break;
    case IDC_VERINFO:
        OnVerInfo();
        break;
    case IDC_LIVE:
        OnLive();
        break;
    case IDC_OSD:
        OnOsd();
        break;
    case IDC_ARRANGE:
        OnArrange();
        break;
    case IDC_SAVE:
        OnSave();
        break;
    case IDC_LOAD:
        OnLoad();
        break;
    case IDC_FIRMUP:
        OnFirmUp();
        break;
    case IDC_MIN:
        m_host.Minimize();
        break;
    case IDC_AUDIO:
        OnAudio();
        break;
    case IDC_REBOOT:
        OnReboot();
        break;
    default:
        // SelAudio and Mike are hidden and do nothing; Connect, Pan and Zoom
        // belong to the connect dialog and the PTZ panels.
        break;
    }
}

// ---------------------------------------------------------------------------
// Layout and channels

void CMainCommands::ClearChannelButtons()
{
    for (int c = 0; c < kChannelButtons; ++c)
        m_host.SetButtonState(IDC_CHANNEL_FIRST + c, kButtonNormal);
}

void CMainCommands::LightFirstPageChannel()
{
    IMainGrid* grid = m_host.Grid();
    const int channel = grid ? grid->FirstPageChannel() : -1;
    if (channel >= 0 && channel < kChannelButtons)
        m_host.SetButtonState(IDC_CHANNEL_FIRST + channel, kButtonSelected);
}

void CMainCommands::SendViewMask()
{
    IMainConnection* conn = m_host.Connection();
    IMainGrid* grid = m_host.Grid();
    if (!conn || !grid)
        return;
    const std::uint32_t visible = grid->VisibleChannels();
    if (conn->LiveOn())
        conn->SendLiveMask(visible & 0xFFFF);
    else if (conn->PlayOn())
        conn->SendPlayViewCh(visible & conn->ChannelMask());
}

void CMainCommands::NoteShownChannelsChanged()
{
    IMainGrid* grid = m_host.Grid();
    if (!grid)
        return;
    const std::uint32_t visible = grid->VisibleChannels();
    IMainConnection* conn = m_host.Connection();
    if (conn && conn->PlayOn() && IsPlaybackPauseOrStep(conn->PlayState()) && visible != conn->LastChannelMask()) {
        conn->SetPlayResync();
        return;
    }
    IMainLocalPlayer* player = m_host.LocalPlayer();
    if (player && player->PlayState() == 4 && static_cast<int>(visible) != m_host.LastChannelMask()) {
        player->SetRedraw();
        m_host.SetLastChannelMask(static_cast<int>(visible));
    }
}

void CMainCommands::SetScreenSplit(int layout)
{
    if (m_host.DomeMenuOpen())
        return;
    IMainGrid* grid = m_host.Grid();
    if (!grid)
        return;
    grid->ClearZoom();
    grid->ClearShownChannels();
    const bool active = grid->SetLayout(layout);
    grid->SetHoldPage(false);
    grid->SetSelectedLayout(layout);

    for (int k = 0; k < kSplitButtons; ++k)
        m_host.SetButtonState(IDC_SPLIT_FIRST + k, kButtonNormal);
    SendViewMask();
    const int button = SplitButtonOfLayout(layout);
    if (button >= 0)
        m_host.SetButtonState(IDC_SPLIT_FIRST + button, kButtonSelected);

    ClearChannelButtons();
    if (layout == 0 && active)
        LightFirstPageChannel();
    NoteShownChannelsChanged();
}

void CMainCommands::SelectChannel(int channel, bool keep)
{
    if (m_host.DomeMenuOpen())
        return;
    IMainGrid* grid = m_host.Grid();
    if (!grid || channel < 0 || channel >= kChannelButtons)
        return;
    if (!keep)
        grid->ClearZoom();
    if (grid->ShowSingleChannel(channel)) {
        ClearChannelButtons();
        m_host.SetButtonState(IDC_CHANNEL_FIRST + channel, kButtonSelected);
    }
    SendViewMask();
    NoteShownChannelsChanged();
}

void CMainCommands::OnArrange()
{
    IMainGrid* grid = m_host.Grid();
    if (!grid)
        return;
    grid->ResetCellMap();
    SendViewMask();
    if (grid->Layout() == 0) {
        ClearChannelButtons();
        LightFirstPageChannel();
    }
}

void CMainCommands::OnOsd()
{
    if (IMainGrid* grid = m_host.Grid()) {
        grid->SetOsdMode((grid->OsdMode() + 1) % 3);
        grid->Repaint(false);
    }
}

void CMainCommands::OnFull()
{
    IMainGrid* grid = m_host.Grid();
    if (!grid || grid->IsFullScreen())
        return;
    const int monitor = ChooseFullScreenMonitor(grid->Monitors(), m_host.ClientCentreOnScreen());
    grid->SetHoldPage(false);
    grid->EnterFullScreen(monitor);
}

// ---------------------------------------------------------------------------
// Live view, audio, recording

void CMainCommands::OnLive()
{
    if (m_host.LocalPlayer())
        return;
    IMainConnection* conn = m_host.Connection();
    if (!conn || conn->PlayOn())
        return;
    if (conn->LiveOn())
        conn->SendLiveStop();
    else
        conn->SendLiveReq();
}

void CMainCommands::OnAudio()
{
    IMainConnection* conn = m_host.Connection();
    if (!conn || !(conn->LiveOn() || conn->PlayOn()))
        return;
    if (conn->AudioOn())
        conn->SendAudioOffReq();
    else
        conn->SendAudioOnReq();
}

bool CMainCommands::ConfirmWithPassword(int right)
{
    IMainConnection* conn = m_host.Connection();
    if (!conn)
        return false;
    const std::uint32_t session = conn->Session();
    std::string typed;
    if (!m_host.RunPasswordPrompt(&typed))
        return false;
    // The prompt ran modally: the connection may have ended or the rights
    // changed meanwhile.
    if (!SameSession(session))
        return false;
    conn = m_host.Connection();
    if (!conn->LoggedIn())
        return false;
    if (!conn->HasRight(right)) {
        PostNoPermission();
        return false;
    }
    // A different password does nothing and shows nothing.
    return PasswordMatches(typed, conn->Password());
}

void CMainCommands::OnRecord()
{
    IMainConnection* conn = m_host.Connection();
    if (!conn || !conn->LoggedIn())
        return;
    if (!conn->Recording()) {
        conn->SendRecOnReq();
        return;
    }
    if (!conn->HasRight(RIGHT_STOP_RECORD)) {
        PostNoPermission();
        return;
    }
    if (ConfirmWithPassword(RIGHT_STOP_RECORD))
        m_host.Connection()->SendRecOffReq();
}

void CMainCommands::OnReboot()
{
    // The notification asks for the password and the confirmation.
    if (m_host.Connection())
        m_host.PostNotify(WndHandle(), NOTIFY_REBOOT, 0);
}

void CMainCommands::OnVerInfo()
{
    m_host.PostNotify(WndHandle(), NOTIFY_VERSION, 0);
}

// ---------------------------------------------------------------------------
// Playback

void CMainCommands::OnPlayButton(int id)
{
    int command = 0;
    switch (id) {
    case IDC_STEP_BACKWARD:
        command = 1;
        break;
    case IDC_FAST_BACKWARD:
        command = 2;
        break;
    case IDC_FAST_FORWARD:
        command = 3;
        break;
    case IDC_PAUSE:
        command = 4;
        break;
    case IDC_STEP_FORWARD:
        command = 7;
        break;
    default:
        return;
    }
    IMainGrid* grid = m_host.Grid();
    if (!grid)
        return;
    const int mode = grid->ViewMode();
    if (mode == VIEW_REMOTE_PLAYBACK) {
        IMainConnection* conn = m_host.Connection();
        if (!conn || !conn->PlayOn())
            return;
        const bool step = conn->PlayStepFlag();
        const int state = conn->PlayState();
        bool run = false;
        switch (command) {
        case 1:
        case 7:
            run = step;
            break;
        case 2:
            run = conn->ProductVer12() || state == 3 || step;
            break;
        case 3:
            run = state == 2 || state == 3 || step;
            break;
        case 4:
            run = !step && (state == 2 || state == 3);
            break;
        }
        if (run)
            conn->PlayControl(command);
    } else if (mode == VIEW_LOCAL_PLAYBACK) {
        IMainLocalPlayer* player = m_host.LocalPlayer();
        if (!player)
            return;
        const int state = player->PlayState();
        bool run = false;
        switch (command) {
        case 1:
        case 7:
            run = state == 4;
            break;
        case 2:
        case 3:
            run = true;
            break;
        case 4:
            run = state == 2 || state == 3 || state == 10 || state == 11;
            break;
        }
        if (run)
            player->SetPlayCommand(command);
    }
}

void CMainCommands::OnStop()
{
    IMainGrid* grid = m_host.Grid();
    const int mode = grid ? grid->ViewMode() : VIEW_IDLE;
    if (mode == VIEW_REMOTE_PLAYBACK) {
        IMainConnection* conn = m_host.Connection();
        if (conn && conn->PlayOn())
            conn->SendRPlayStop();
        conn = m_host.Connection();
        if (conn && conn->PlayHandOverActive())
            conn->ClearPlayHandOver();
    } else if (mode == VIEW_LOCAL_PLAYBACK) {
        m_host.ClearLastLocalSearch();
        m_host.CloseLocalPlayer();
    }
}

void CMainCommands::SeekToSliderPos(int position)
{
    IMainLocalPlayer* player = m_host.LocalPlayer();
    if (!player)
        return;
    player->SetSeekState(3);
    player->SetSeekTime(position + player->RangeStart());
    if (player->PlayState() == 4)
        player->SetPlayCommand(player->Speed() == 7 ? 7 : 1);
}

// ---------------------------------------------------------------------------
// Windows

void CMainCommands::OnRemoteSearch()
{
    IMainConnection* conn = m_host.Connection();
    if (!conn || !conn->LoggedIn())
        return;
    const bool search = conn->HasRight(RIGHT_SEARCH);
    const bool backup = conn->HasRight(RIGHT_BACKUP);
    if (!search && !backup) {
        PostNoPermission();
        return;
    }
    // A user who may only back up gets no window while a backup runs.
    if (!search && conn->TransferOn())
        return;
    if (conn->HasSearchWindow() || conn->DbBusy())
        return;
    std::unique_ptr<IMainModalWindow> window = m_host.CreateRemoteSearchWindow();
    if (!window)
        return;
    const std::uint32_t session = conn->Session();
    conn->SetSearchWindow(window.get());
    window->Run();
    // The window is gone whatever became of the connection meanwhile; only
    // the connection that still holds it has its slot emptied.
    if (SameSession(session))
        m_host.Connection()->SetSearchWindow(nullptr);
    window.reset();
}

void CMainCommands::OnRemoteSetup()
{
    IMainConnection* conn = m_host.Connection();
    if (!conn || !conn->LoggedIn())
        return;
    if (!conn->HasRight(RIGHT_REMOTE_SETUP)) {
        PostNoPermission();
        return;
    }
    if (conn->SubProductMajor() != 5 && !conn->SubProduct6()) {
        conn->SendDBInfoReq();
        return;
    }
    if (ConfirmWithPassword(RIGHT_REMOTE_SETUP))
        m_host.Connection()->SendDBInfoReq();
}

void CMainCommands::OnSetupDbReady()
{
    IMainConnection* conn = m_host.Connection();
    if (!conn || !conn->LoggedIn() || conn->HasSetupWindow())
        return;
    std::unique_ptr<IMainModalWindow> window = m_host.CreateRemoteSetupWindow();
    if (!window) {
        // Nothing edits the image: the exchange is over.
        conn->ClearDbBusy();
        return;
    }
    const std::uint32_t session = conn->Session();
    conn->SetSetupWindow(window.get());
    const int result = window->Run();
    // The setup window is deleted in every case; the busy flag and the slot
    // belong to the connection that opened it, and only while it exists.
    if (SameSession(session)) {
        conn = m_host.Connection();
        if (result == kModalOk) {
            if (conn->LoggedIn())
                conn->SendDBUpdateReq();
        } else {
            conn->ClearDbBusy();
        }
        conn->SetSetupWindow(nullptr);
    }
    window.reset();
}

void CMainCommands::OnLocalSearch()
{
    IMainConnection* conn = m_host.Connection();
    if (conn && conn->DbBusy())
        return;
    m_host.SetButtonState(IDC_LOCAL_SEARCH, kButtonSelected);
    m_host.RunLocalSearchWindow();
    m_host.SetButtonState(IDC_LOCAL_SEARCH, kButtonNormal);
}

void CMainCommands::OnLocalSetup()
{
    m_host.SetButtonState(IDC_LOCAL_SETUP, kButtonSelected);
    IMainConnection* conn = m_host.Connection();
    if (!(conn && conn->DbBusy())) {
        if (std::unique_ptr<IMainModalWindow> window = m_host.CreateLocalSetupWindow()) {
            const int result = window->Run();
            if (result == kModalOk)
                m_host.ApplyLocalSetup();
            else
                m_host.ResetLocalSetup();
        }
    }
    m_host.SetButtonState(IDC_LOCAL_SETUP, kButtonNormal);
}

void CMainCommands::OnFirmUp()
{
    IMainConnection* conn = m_host.Connection();
    if (!conn || !conn->LoggedIn())
        return;
    if (conn->HelloAccount() != 0) {
        PostNoPermission();
        return;
    }
    if (conn->HasFirmwareWindow() || conn->DbBusy() || m_bFirmwareRunning)
        return;
    // A dialog left from an earlier connection, whose notice never ran it.
    m_pFirmwareDlg.reset();
    std::unique_ptr<IMainModalWindow> window = m_host.CreateFirmwareWindow();
    if (!window)
        return;
    m_pFirmwareDlg = std::move(window);
    m_nFirmwareSession = conn->Session();
    conn->SetFirmwareWindow(m_pFirmwareDlg.get());
    const int images = m_pFirmwareDlg->ScanUpgradeFolder();
    m_host.PostNotify(m_pFirmwareDlg->Handle(), NOTIFY_FW_IMAGES, images <= 0 ? 1 : 0);
}

void CMainCommands::RunFirmwareDialog()
{
    if (!m_pFirmwareDlg || m_bFirmwareRunning)
        return;
    m_bFirmwareRunning = true;
    m_pFirmwareDlg->Run();
    m_bFirmwareRunning = false;
    DeleteFirmwareDialog();
}

void CMainCommands::DeleteFirmwareDialog()
{
    // A dialog in its modal run is deleted when the run returns.
    if (m_bFirmwareRunning)
        return;
    if (SameSession(m_nFirmwareSession))
        m_host.Connection()->SetFirmwareWindow(nullptr);
    m_pFirmwareDlg.reset();
    m_nFirmwareSession = 0;
}

void CMainCommands::OnSave()
{
    IMainGrid* grid = m_host.Grid();
    if (!grid || grid->ViewMode() == VIEW_IDLE)
        return;
    grid->SaveSnapshot();
    m_host.SetTimer(TIMER_SAVE_POLL, kSavePollMs);
    m_host.EnableButton(IDC_SAVE, false);
    m_host.WriteConnectLog(kLogTypeSettings, kLogStillSaved);
}

void CMainCommands::OnLoad()
{
    IMainConnection* conn = m_host.Connection();
    if (conn && conn->DbBusy())
        return;
    std::string path;
    if (m_host.ChooseSavedPicture(Paths::Join(m_host.DataLocation(), "\\Saved\\"), &path))
        m_host.ShowSavedPicture(path);
}

// ---------------------------------------------------------------------------
// Sound and sliders

void CMainCommands::OnSound()
{
    MasterMixer* mixer = m_host.Mixer();
    const bool mute = !m_host.MuteState();
    m_host.EnableSlider(IDC_VOLUME, !mute);
    m_host.SetButtonState(IDC_SOUND, mute ? kButtonMuted : kButtonNormal);
    if (mixer)
        mixer->SetMute(mute);
    m_host.SetMuteState(mute);
}

void CMainCommands::OnSliderPressed(int id, int /*pos*/)
{
    // The volume only changes when the thumb moves or is released.
    if (id == IDC_POSITION) {
        if (IMainLocalPlayer* player = m_host.LocalPlayer())
            player->SetSeekState(1);
    }
}

void CMainCommands::OnSliderMoved(int id, int pos)
{
    if (id == IDC_POSITION) {
        if (IMainLocalPlayer* player = m_host.LocalPlayer())
            player->SetSeekState(2);
    } else if (id == IDC_VOLUME) {
        const int volume = pos < 0 ? 0 : pos > kVolumeMax ? kVolumeMax : pos;
        m_host.SetSliderPos(IDC_VOLUME, volume);
        m_host.SetVolumeState(volume);
        if (MasterMixer* mixer = m_host.Mixer())
            mixer->SetVolume(volume);
    }
}

void CMainCommands::OnSliderReleased(int id, int pos)
{
    if (id == IDC_POSITION)
        SeekToSliderPos(pos);
    else if (id == IDC_VOLUME)
        OnSliderMoved(id, pos);
}

// ---------------------------------------------------------------------------
// Timers and messages

void CMainCommands::HandleTimer(UINT id)
{
    if (id == TIMER_SAVE_POLL) {
        if (m_host.ReapSaveWorkers() == 0) {
            m_host.KillTimer(TIMER_SAVE_POLL);
            m_host.EnableButton(IDC_SAVE, true);
        }
    } else if (id == TIMER_HELLO_REPLY) {
        m_host.KillTimer(TIMER_HELLO_REPLY);
        // A time-out that outlived its connection reports nothing.
        if (m_host.Connection()) {
            m_host.PostNotify(WndHandle(), NOTIFY_CONNECT_FAILED, 4);
            Disconnect();
        }
    }
}

void CMainCommands::OnRemotePlayStarted()
{
    IMainConnection* conn = m_host.Connection();
    if (conn && !conn->HasPlaybackClock())
        m_host.CreatePlaybackClock();
}

void CMainCommands::OnBringToFront()
{
    if (!m_host.MaxAlarm())
        return;
    if (m_host.IsMinimized()) {
        m_host.Restore();
        return;
    }
    if (m_host.ModalDialogOpen())
        return;
    if (IMainConnection* conn = m_host.Connection()) {
        if (conn->HasFirmwareWindow() || conn->HasSearchWindow() || conn->HasSetupWindow())
            return;
    }
    IMainGrid* grid = m_host.Grid();
    if ((grid && grid->IsFullScreen()) || m_host.AppActive())
        return;
    m_host.RaiseAboveOthers();
}

// ---------------------------------------------------------------------------
// Disconnect and shutdown

void CMainCommands::Disconnect()
{
    // The hello time-out belongs to the connection that ends here.
    m_host.KillTimer(TIMER_HELLO_REPLY);
    if (m_host.Connection())
        m_host.EndConnection();
    // A firmware dialog whose notice is still to come has no connection left.
    if (m_pFirmwareDlg && !SameSession(m_nFirmwareSession))
        DeleteFirmwareDialog();
    m_host.EnableButton(IDC_LIVE, false);
    m_host.SetButtonState(IDC_REMOTE_SEARCH, kButtonNormal);
    m_host.SetButtonState(IDC_REMOTE_SETUP, kButtonNormal);
}

void CMainCommands::Shutdown()
{
    m_host.CloseLocalPlayer();
    if (IMainConnection* conn = m_host.Connection()) {
        // What streams is stopped first, each request given its time on the wire.
        if (conn->LiveOn()) {
            conn->SendLiveStop();
            Pause();
        }
        if (conn->PlayOn()) {
            conn->SendRPlayStop();
            Pause();
        }
        if (conn->TransferOn()) {
            conn->SendTransOffReq();
            Pause();
        }
        if (conn->AListenOn()) {
            conn->SendAListenStop();
            Pause();
        }
        m_host.KillTimer(TIMER_HELLO_REPLY);
        m_host.EndConnection();
    }
    if (m_host.Grid()) {
        m_host.DestroyVideoGrid();
        Pause();
    }
}

void CMainCommands::OnQuit()
{
    Shutdown();
    m_host.EndModalLoop(kModalOk);
}
