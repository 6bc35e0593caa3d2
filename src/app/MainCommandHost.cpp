#include "app/MainCommandHost.h"

#include "app/ClientDlg.h"
#include "app/ClientNetHost.h"
#include "app/ClientSearchWindow.h"
#include "app/FirmwareWindow.h"
#include "local/LocalPlayer.h"
#include "net/NetClient.h"
#include "video/VideoGridDlg.h"

namespace {
constexpr int kConnectLogRecordSize = 184;
} // namespace

// ---------------------------------------------------------------------------
// The connection

void CNetConnectionView::Attach(CNetClient* net, CClientDlg* dlg)
{
    m_net = net;
    m_dlg = dlg;
}

std::uint32_t CNetConnectionView::Session() const
{
    return m_net->Session();
}
bool CNetConnectionView::LoggedIn() const
{
    return m_net->m_bLogin;
}
bool CNetConnectionView::LiveOn() const
{
    return m_net->m_bLive;
}
bool CNetConnectionView::PlayOn() const
{
    return m_net->m_bPlay;
}
bool CNetConnectionView::TransferOn() const
{
    return m_net->m_bTrans;
}
bool CNetConnectionView::Recording() const
{
    return m_net->m_bRecord;
}
bool CNetConnectionView::AListenOn() const
{
    return m_net->m_bAListen;
}
bool CNetConnectionView::AudioOn() const
{
    return m_net->m_bAudio;
}
bool CNetConnectionView::DbBusy() const
{
    return m_net->m_bDbBusy;
}
void CNetConnectionView::ClearDbBusy()
{
    m_net->m_bDbBusy = false;
}
bool CNetConnectionView::HasRight(int k) const
{
    return m_net->HasRight(k);
}
std::string CNetConnectionView::Password() const
{
    return m_net->Password();
}
int CNetConnectionView::HelloAccount() const
{
    return m_net->HelloAccount();
}
int CNetConnectionView::SubProductMajor() const
{
    return m_net->Hello().sub_product_num_major;
}
bool CNetConnectionView::SubProduct6() const
{
    return m_net->m_bSubProduct6;
}
bool CNetConnectionView::ProductVer12() const
{
    return m_net->m_bProductVer12;
}
int CNetConnectionView::PlayState() const
{
    return m_net->m_nPlayState;
}
bool CNetConnectionView::PlayStepFlag() const
{
    // The flag that commands 1, 4 and 7 set and 2, 3 and the start clear.
    return m_net->m_bPlayCmdBusy;
}
std::uint32_t CNetConnectionView::ChannelMask() const
{
    return m_net->m_nChannelMask;
}
std::uint32_t CNetConnectionView::LastChannelMask() const
{
    return m_net->m_nLastChannelMask;
}
void CNetConnectionView::SetPlayResync()
{
    m_net->m_bPlayResync = true;
}
void CNetConnectionView::PlayControl(int command)
{
    m_net->PlayControl(command);
}
bool CNetConnectionView::PlayHandOverActive() const
{
    return m_net->SearchKeep().HandOverActive();
}
void CNetConnectionView::ClearPlayHandOver()
{
    if (m_dlg)
        m_dlg->ClearSearchHandOver();
}
bool CNetConnectionView::SendLiveReq()
{
    return m_net->SendLiveReq();
}
void CNetConnectionView::SendLiveStop()
{
    m_net->SendLiveStop();
}
bool CNetConnectionView::SendRPlayStop()
{
    return m_net->SendRPlayStop();
}
void CNetConnectionView::SendTransOffReq()
{
    m_net->SendTransOffReq();
}
void CNetConnectionView::SendAListenStop()
{
    m_net->SendAListenStop();
}
bool CNetConnectionView::SendLiveMask(std::uint32_t mask)
{
    return m_net->SendLiveReqMask(mask);
}
bool CNetConnectionView::SendPlayViewCh(std::uint32_t mask)
{
    return m_net->SendPlayViewCh(mask);
}
bool CNetConnectionView::SendAudioOnReq()
{
    return m_net->SendAudioOnReq();
}
bool CNetConnectionView::SendAudioOffReq()
{
    return m_net->SendAudioOffReq();
}
bool CNetConnectionView::SendRecOnReq()
{
    return m_net->SendRecOnReq();
}
bool CNetConnectionView::SendRecOffReq()
{
    return m_net->SendRecOffReq();
}
bool CNetConnectionView::SendDBInfoReq()
{
    return m_net->SendDBInfoReq();
}
bool CNetConnectionView::SendDBUpdateReq()
{
    if (m_dlg)
        m_dlg->SendDBUpdateReq();
    return true;
}
bool CNetConnectionView::HasSearchWindow() const
{
    return static_cast<bool>(m_net->SearchFrame());
}
void CNetConnectionView::SetSearchWindow(IMainModalWindow* window)
{
    m_net->SetSearchFrame(window ? window->SearchLink() : nullptr);
}
bool CNetConnectionView::HasSetupWindow() const
{
    return static_cast<bool>(m_net->m_hSetupDlg.load());
}
void CNetConnectionView::SetSetupWindow(IMainModalWindow* window)
{
    m_net->m_hSetupDlg = window ? window->Handle() : WndHandle();
}
bool CNetConnectionView::HasFirmwareWindow() const
{
    return static_cast<bool>(m_net->m_hFirmwareDlg.load());
}
void CNetConnectionView::SetFirmwareWindow(IMainModalWindow* window)
{
    m_net->m_hFirmwareDlg = window ? window->Handle() : WndHandle();
}
bool CNetConnectionView::HasPlaybackClock() const
{
    return static_cast<bool>(m_net->m_hClockWnd.load());
}

// ---------------------------------------------------------------------------
// The grid

int CGridView::ViewMode() const
{
    return m_grid->m_nViewMode;
}
bool CGridView::SetLayout(int layout)
{
    return m_grid->SetLayout(layout);
}
int CGridView::Layout() const
{
    int layout = 0;
    std::uint16_t cells = 0;
    m_grid->GetLayout(layout, cells);
    return layout;
}
void CGridView::SetSelectedLayout(int layout)
{
    m_grid->m_nSelectedLayout = layout;
}
bool CGridView::ShowSingleChannel(int channel)
{
    return m_grid->ShowSingleChannel(channel);
}
void CGridView::ClearZoom()
{
    m_grid->m_bZoomed = false;
}
void CGridView::ClearShownChannels()
{
    m_grid->SetShownChannels(0);
}
void CGridView::SetHoldPage(bool hold)
{
    m_grid->SetHoldPage(hold);
}
std::uint16_t CGridView::VisibleChannels() const
{
    return m_grid->GetVisibleChannels();
}
int CGridView::FirstPageChannel() const
{
    int layout = 0;
    std::uint16_t cells = 0;
    m_grid->GetLayout(layout, cells);
    for (int cell = 0; cell < 16; ++cell) {
        if (cells & (1u << cell))
            return m_grid->GetCellChannel(cell);
    }
    return -1;
}
void CGridView::ResetCellMap()
{
    m_grid->ResetCellMap();
    m_grid->Repaint(true);
}
int CGridView::OsdMode() const
{
    return m_grid->GetOsdMode();
}
void CGridView::SetOsdMode(int mode)
{
    m_grid->SetOsdMode(mode);
}
void CGridView::Repaint(bool erase)
{
    m_grid->Repaint(erase);
}
bool CGridView::SaveSnapshot()
{
    return m_dlg && m_dlg->StartStillSave();
}
bool CGridView::IsFullScreen() const
{
    return m_grid->IsFullScreen();
}
std::array<MonitorInfo, 4> CGridView::Monitors() const
{
    return m_grid->GetMonitors();
}
void CGridView::EnterFullScreen(int monitor)
{
    m_grid->EnterFullScreen(monitor);
}

// ---------------------------------------------------------------------------
// The local player

int CLocalPlayerView::PlayState() const
{
    return m_player->m_nPlayState;
}
int CLocalPlayerView::Speed() const
{
    return m_player->m_nSpeed;
}
int CLocalPlayerView::RangeStart() const
{
    return m_player->m_nRangeStart;
}
void CLocalPlayerView::SetPlayCommand(int command)
{
    m_player->SetPlayCommand(command);
}
void CLocalPlayerView::SetSeekState(int state)
{
    m_player->m_nSeekState = state;
}
void CLocalPlayerView::SetSeekTime(int time)
{
    m_player->m_nSeekTime = time;
}
void CLocalPlayerView::SetRedraw()
{
    m_player->m_bRedraw = 1;
}

// ---------------------------------------------------------------------------
// The main window

IMainConnection* CClientCommandHost::Connection()
{
    if (!m_dlg.m_pNetClient)
        return nullptr;
    m_connection.Attach(m_dlg.m_pNetClient.get(), &m_dlg);
    return &m_connection;
}

IMainGrid* CClientCommandHost::Grid()
{
    if (!m_dlg.m_pVideoWnd)
        return nullptr;
    m_grid.Attach(m_dlg.m_pVideoWnd.get(), &m_dlg);
    return &m_grid;
}

IMainLocalPlayer* CClientCommandHost::LocalPlayer()
{
    if (!m_dlg.m_pLocalPlayer)
        return nullptr;
    m_player.Attach(m_dlg.m_pLocalPlayer.get());
    return &m_player;
}

MasterMixer* CClientCommandHost::Mixer()
{
    return m_dlg.m_pMixer.get();
}

void CClientCommandHost::SetButtonState(int id, int state)
{
    if (CSkinButton* button = m_dlg.Button(id))
        button->SetState(state);
}

void CClientCommandHost::EnableButton(int id, bool enable)
{
    if (CSkinButton* button = m_dlg.Button(id))
        button->Enable(enable);
}

void CClientCommandHost::SetSliderPos(int id, int pos)
{
    if (CSkinSlider* slider = m_dlg.Slider(id))
        slider->SetPos(pos);
}

void CClientCommandHost::EnableSlider(int id, bool enable)
{
    if (CSkinSlider* slider = m_dlg.Slider(id)) {
        slider->setEnabled(enable);
        slider->update();
    }
}

bool CClientCommandHost::MuteState() const
{
    return m_dlg.m_bMute != 0;
}
void CClientCommandHost::SetMuteState(bool mute)
{
    m_dlg.m_bMute = mute ? 1 : 0;
}
void CClientCommandHost::SetVolumeState(int volume)
{
    m_dlg.m_nVolume = volume;
}
int CClientCommandHost::LastChannelMask() const
{
    return m_dlg.m_nLastChannelMask;
}
void CClientCommandHost::SetLastChannelMask(int mask)
{
    m_dlg.m_nLastChannelMask = mask;
}
bool CClientCommandHost::DomeMenuOpen() const
{
    const CPtzControlDlg* panel = m_dlg.PtzPanels().Control();
    return panel && panel->m_bDomeMenu;
}
bool CClientCommandHost::ReadOnlyMedia() const
{
    return m_dlg.m_bReadOnlyMedia != 0;
}
std::string CClientCommandHost::DataLocation() const
{
    return m_dlg.m_strLocation;
}
int CClientCommandHost::MaxAlarm() const
{
    return m_dlg.m_nMaxAlarm;
}

void CClientCommandHost::PostNotify(WndHandle owner, int code, int sub)
{
    const WndHandle main = m_dlg.Handle();
    PostMessage(main, WM_NOTIFY_EVENT, owner ? owner.Id() : main.Id(), MakeNotifyParam(code, sub));
}

void CClientCommandHost::SetTimer(UINT id, UINT ms)
{
    m_dlg.SetTimer(id, ms);
}

void CClientCommandHost::KillTimer(UINT id)
{
    // The hello time-out runs on the connection's host; the others are the window's.
    if (id == TIMER_HELLO_REPLY) {
        if (CClientNetHost* host = m_dlg.ConnectionHost())
            host->StopHelloTimer();
        return;
    }
    m_dlg.KillTimer(id);
}

void CClientCommandHost::WriteConnectLog(int type, int subtype)
{
    m_dlg.WriteConnectLog(kConnectLogRecordSize, type, subtype, 0, nullptr, nullptr);
}

bool CClientCommandHost::RunPasswordPrompt(std::string* typed)
{
    return m_dlg.RunPasswordPrompt(typed);
}

std::unique_ptr<IMainModalWindow> CClientCommandHost::CreateRemoteSearchWindow()
{
    return MakeRemoteSearchWindow(m_dlg);
}

// The windows below come with their own work; until then nothing opens.
std::unique_ptr<IMainModalWindow> CClientCommandHost::CreateLocalSetupWindow()
{
    return MakeLocalSetupWindow(&m_dlg, &m_dlg, &m_dlg.m_LocalSetup, m_dlg.m_arrOpacity[4], &m_dlg.m_pLocalSetupDlg);
}
std::unique_ptr<IMainModalWindow> CClientCommandHost::CreateFirmwareWindow()
{
    return std::make_unique<CFirmwareWindow>(&m_dlg, m_dlg.Handle(), m_dlg.m_pNetClient, m_dlg.m_arrOpacity[6],
                                             m_dlg.DataLocation());
}

void CClientCommandHost::RunLocalSearchWindow()
{
    m_dlg.RunLocalSearchDialog();
}

bool CClientCommandHost::ChooseSavedPicture(const std::string& folder, std::string* path)
{
    return m_dlg.ChooseSavedPicture(folder, path);
}

void CClientCommandHost::ShowSavedPicture(const std::string& path)
{
    m_dlg.ShowSavedPicture(path);
}

void CClientCommandHost::ApplyLocalSetup()
{
    m_dlg.ApplyLocalSetup();
}
void CClientCommandHost::ResetLocalSetup()
{
    m_dlg.ResetLocalSetup();
}

int CClientCommandHost::ReapSaveWorkers()
{
    return m_dlg.ReapSaveWorkers();
}

void CClientCommandHost::CreatePlaybackClock()
{
    m_dlg.CreatePlaybackClock();
}

void CClientCommandHost::CloseLocalPlayer()
{
    m_dlg.CloseLocalPlayer();
}
void CClientCommandHost::ClearLastLocalSearch()
{
    m_dlg.ClearLastLocalSearch();
}
void CClientCommandHost::EndConnection()
{
    m_dlg.EndConnection();
}

void CClientCommandHost::DestroyVideoGrid()
{
    if (m_dlg.m_pVideoWnd) {
        m_dlg.m_pVideoWnd->DestroyWindow();
        m_dlg.m_pVideoWnd.reset();
    }
}

void CClientCommandHost::EndModalLoop(int result)
{
    m_dlg.EndDialog(result);
}

void CClientCommandHost::Minimize()
{
    m_dlg.showMinimized();
}
bool CClientCommandHost::IsMinimized() const
{
    return m_dlg.isMinimized();
}
void CClientCommandHost::Restore()
{
    m_dlg.showNormal();
}
bool CClientCommandHost::ModalDialogOpen() const
{
    return m_dlg.ModalDialogOpen();
}
bool CClientCommandHost::AppActive() const
{
    return m_dlg.m_bAppActive != 0;
}
void CClientCommandHost::RaiseAboveOthers()
{
    m_dlg.raise();
    m_dlg.activateWindow();
}
QPoint CClientCommandHost::ClientCentreOnScreen() const
{
    return m_dlg.mapToGlobal(m_dlg.rect().center());
}
