// The main window's side of local playback: the player's workers, audio and
// grid, and what the play thread changes on the window, posted in order.
#include "app/ClientDlg.h"
#include "app/ClientNetHost.h"
#include "app/ClockWnd.h"
#include "local/LocalPlayer.h"
#include "net/ConnectLog.h"
#include "net/NetClient.h"
#include "platform/QueuedCall.h"
#include "video/AudioPlayer.h"
#include "video/VideoDecodeThread.h"

#include <QTimer>

bool CClientDlg::StartLocalPlayer(Playlist& list, Playlist::iterator current)
{
    CloseLocalPlayer();
    if (current == list.end())
        return false;
    // Splicing keeps every node where it is, so `current` stays valid.
    m_Playlist.splice(m_Playlist.end(), list);
    if (m_pNetClient && m_pNetClient->m_bLogin && m_pNetClient->m_bLive)
        m_pNetClient->SendLiveStop();
    m_bLocalWatermark = m_nWatermark == 1;
    m_pLocalPlayer = std::make_unique<CLocalPlayer>(this);
    m_pLocalPlayer->SetPlaylist(&m_Playlist, current);
    m_pLocalPlayer->Start();
    m_pLocalPlayer->SetPlayCommand(3);
    // The played position's time, as in remote playback.
    if (!m_pPlayClockWnd)
        m_pPlayClockWnd = std::make_unique<CClockWnd>(this, 1);
    m_sliderPosition.show();
    update();
    return true;
}

std::unique_ptr<IDecodeWorker> CClientDlg::CreateLocalWorker(int channel)
{
    CVideoGridDlg* grid = m_pVideoWnd.get();
    if (!grid || !m_pNetHost)
        return nullptr;
    const DecoderEntryPoints decoder = m_hDecoderDll ? DecoderEntryPoints::From(*m_hDecoderDll) : DecoderEntryPoints{};
    return std::make_unique<CVideoDecodeThread>(channel, *grid, m_pNetHost->DecodeEnvironment(), decoder);
}

std::unique_ptr<IAudioWorker> CClientDlg::CreateLocalAudio()
{
    if (!m_bSoundDevice)
        return nullptr;
    return std::make_unique<AudioWorkerOf<CAudioPlayer>>(
        std::make_unique<CAudioPlayer>(m_arrAudioBuf[AUDIOBUF_LOCAL_PLAYBACK], true));
}

std::uint16_t CClientDlg::VisibleChannels()
{
    return m_pVideoWnd ? m_pVideoWnd->GetVisibleChannels() : 0;
}

int CClientDlg::SingleViewChannel(std::uint16_t mask, int& index)
{
    return m_pVideoWnd ? m_pVideoWnd->GetSingleViewChannel(mask, index) : -1;
}

void CClientDlg::SetWatermarkState(int channel, int state)
{
    if (m_pVideoWnd)
        m_pVideoWnd->SetWatermarkState(channel, state);
}

void CClientDlg::LocalChainSetup(std::uint32_t mask, int highest, bool sameLayout, int sliderMax)
{
    if (!m_pNetHost)
        return;
    if (!sameLayout) {
        const StartLayout layout = LayoutForChannelCount(highest < 4 ? 4 : highest < 8 ? 8 : 16);
        if (m_pVideoWnd)
            m_pVideoWnd->SetActiveChannels(0xFFFF, true);
        m_pNetHost->OnStreamStarting(VIEW_LOCAL_PLAYBACK, layout.layout, layout.splitButton, layout.pageCounts);
        if (m_pVideoWnd)
            m_pVideoWnd->SetActiveChannels(0, true);
    } else if (m_pVideoWnd) {
        m_pVideoWnd->SetActiveChannels(mask & 0xFFFF, false);
        m_pVideoWnd->ClearHiddenCells(static_cast<std::uint16_t>(mask));
    }
    PostQueuedCall(this, [this, sliderMax] { m_sliderPosition.SetRange(0, sliderMax, true); });
}

void CClientDlg::SetLocalSliderPos(int pos)
{
    // Coalesced: only the latest position is carried to the slider.
    m_nLocalSliderPos = pos;
    if (!m_pNetHost || m_bLocalSliderQueued.exchange(true))
        return;
    PostQueuedCall(this, [this] {
        m_bLocalSliderQueued = false;
        m_sliderPosition.SetPos(m_nLocalSliderPos.load());
    });
}

void CClientDlg::SetLocalPlaybackTime(std::uint32_t time)
{
    if (m_pNetHost)
        m_pNetHost->SetPlaybackClockTime(time);
}

void CClientDlg::LocalCommandDone(int command)
{
    if (!m_pNetHost)
        return;
    PostQueuedCall(this, [this, command] {
        const int lit = command == 2 ? IDC_FAST_BACKWARD : command == 3 ? IDC_FAST_FORWARD : command == 4 ? IDC_PAUSE : 0;
        if (command == 2 || command == 3 || command == 4 || command == 10 || command == 11) {
            for (int id : {IDC_FAST_BACKWARD, IDC_FAST_FORWARD, IDC_PAUSE})
                if (CSkinButton* b = Button(id))
                    b->SetState(id == lit ? kButtonSelected : kButtonNormal);
        }
        // A still picture shows after the step or pause has had its moment.
        if (command != 2 && command != 3)
            QTimer::singleShot(500, this, [this] {
                if (m_pVideoWnd)
                    m_pVideoWnd->Repaint(false);
            });
    });
}

void CClientDlg::SetLocalPlaybackButtons(bool enabled)
{
    for (int id = IDC_PLAY_FIRST; id <= IDC_PLAY_LAST; ++id) {
        // The record button belongs to the recorder, not to local playback.
        if (id == IDC_RECORD)
            continue;
        CSkinButton* b = Button(id);
        if (!b)
            continue;
        if (!enabled && (id == IDC_FAST_BACKWARD || id == IDC_FAST_FORWARD || id == IDC_PAUSE))
            b->SetState(kButtonNormal);
        b->Enable(enabled);
    }
}

void CClientDlg::ReportSkippedSet(const std::string& name)
{
    {
        std::lock_guard<std::mutex> lock(m_csSkippedSet);
        m_strSkippedSet = name;
    }
    PostNotifyEvent(NOTIFY_NO_LOCAL_DATA, 1);
}

void CClientDlg::ReportDownloadClosed(const DownloadSummary& summary)
{
    const bool renamed = !summary.askedName.empty() && summary.setName != summary.askedName;
    if (summary.failed || summary.setName.empty() || (!renamed && summary.framesDropped == 0))
        return;
    m_lastDownload = summary;
    PostNotifyEvent(NOTIFY_DOWNLOAD_CLOSED, 0);
}

std::string CClientDlg::SkippedSetName() const
{
    std::lock_guard<std::mutex> lock(m_csSkippedSet);
    return m_strSkippedSet;
}

void CClientDlg::LocalPlayEnded()
{
    if (m_pVideoWnd)
        m_pVideoWnd->m_nViewMode = VIEW_IDLE;
    PostQueuedCall(this, [this] {
        for (int k = IDC_SPLIT_FIRST; k <= IDC_SPLIT_LAST; ++k)
            if (CSkinButton* button = Button(k))
                button->SetState(kButtonNormal);
        const StartLayout idle = LayoutForChannelCount(16);
        if (m_pVideoWnd) {
            m_pVideoWnd->SetPageCounts(idle.pageCounts);
            m_pVideoWnd->SetLayout(idle.layout);
            m_pVideoWnd->m_nSelectedLayout = idle.layout;
        }
        if (CSkinButton* split = Button(IDC_SPLIT_FIRST + idle.splitButton - 16))
            split->SetState(kButtonSelected);
        update();
    });
}

const Playlist* CClientDlg::RunningPlaylist() const
{
    return m_pLocalPlayer ? &m_Playlist : nullptr;
}

RemotePlaybackState CClientDlg::RemotePlayback() const
{
    RemotePlaybackState state;
    if (!m_pNetClient)
        return state;
    state.connected = true;
    state.login = m_pNetClient->m_bLogin;
    state.play = m_pNetClient->m_bPlay;
    state.liveReqPending = m_pNetClient->m_bLiveReqPending;
    state.playReqPending = m_pNetClient->m_bPlayReqPending;
    return state;
}

std::string CClientDlg::ConnectLogFile() const
{
    return m_pLog ? m_pLog->FilePath() : ILocalHost::ConnectLogFile();
}

void CClientDlg::ClearReceivedChannels()
{
    if (m_pVideoWnd)
        m_pVideoWnd->ClearReceivedChannels();
}
