#include "app/ClientNetHost.h"

#include "app/ClientDlg.h"
#include "app/NotifyTable.h"
#include "net/NetClient.h"
#include "net/NetMessages.h"
#include "ui/SkinButton.h"
#include "local/LocalPlayer.h"
#include "video/AudioPlayer.h"

#include <QMessageBox>

namespace {

constexpr int kConnectLogRecordSize = 184;
constexpr int kViewLocalPlayback = 3;

} // namespace

// ---------------------------------------------------------------------------
// Decode workers

void CClientDecodeEnv::RefreshSettings()
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_localNames = m_dlg.m_strCameraName;
    m_deinterlace = m_dlg.m_arrDeinterlace;
}

bool CClientDecodeEnv::DropLiveFrame(int channel) const
{
    const CNetClient* net = m_net.load();
    if (!net || !net->m_bLive || channel < 0 || channel >= 16)
        return false;
    if ((net->m_nLiveMask.load() >> channel) & 1u)
        return true;
    const CVideoGridDlg* grid = m_dlg.m_pVideoWnd.get();
    return grid && grid->IsChannelBlocked(channel);
}

std::uint32_t CClientDecodeEnv::PlaybackClockTime(int viewMode) const
{
    // Remote and local playback both set the playback clock's time as they
    // hand frames over; the decode workers show it on the main clock.
    return viewMode == VIEW_REMOTE_PLAYBACK || viewMode == VIEW_LOCAL_PLAYBACK ? m_host.PlaybackClockTimeNow() : 0;
}

void CClientDecodeEnv::SetMainClockTime(std::uint32_t time)
{
    // The main clock lives for the whole run, longer than any connection.
    if (CClockWnd* clock = m_dlg.m_pClockWnd.get())
        clock->m_nTime = static_cast<std::int32_t>(time);
}

std::string CClientDecodeEnv::LocalCameraName(int channel) const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return channel >= 0 && channel < 16 ? m_localNames[static_cast<std::size_t>(channel)] : std::string();
}

std::string CClientDecodeEnv::RecorderCameraName(int channel) const
{
    const CNetClient* net = m_net.load();
    return net ? net->CameraName(channel) : std::string();
}

bool CClientDecodeEnv::DeinterlaceOn(int channel) const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return channel >= 0 && channel < 16 && m_deinterlace[static_cast<std::size_t>(channel)] == 0;
}

bool CClientDecodeEnv::ServedModel() const
{
    const CNetClient* net = m_net.load();
    return net && net->m_bServedModel;
}

AudioMarkInputs CClientDecodeEnv::AudioMarkState(int viewMode, int channel, bool multi) const
{
    AudioMarkInputs in;
    const CNetClient* net = m_net.load();
    if (viewMode == VIEW_LIVE || viewMode == VIEW_REMOTE_PLAYBACK) {
        in.source = net != nullptr;
        if (net) {
            in.soloChannel = net->m_nSoloChannel;
            in.playState = net->m_nPlayState;
            in.playSpeed = net->GetPlaySpeed();
        }
    }
    in.answer = multi ? m_dlg.GetChannelState(viewMode, channel) : m_dlg.IsAudioChannel(viewMode, channel);
    return in;
}

void CClientDecodeEnv::ReportDecoderInitError()
{
    m_host.ShowDecoderInitError();
}

void CClientNetHost::RefreshSettings()
{
    m_decodeEnv.RefreshSettings();
    m_arrAudioBuf[0] = m_dlg.m_arrAudioBuf[AUDIOBUF_LIVE];
    m_arrAudioBuf[1] = m_dlg.m_arrAudioBuf[AUDIOBUF_REMOTE_PLAYBACK];
}

void CClientNetHost::AttachConnection(CNetClient& net)
{
    RefreshSettings();
    m_decodeEnv.SetConnection(&net);
    net.SetDecodeWorkerFactory([this](int channel) -> std::unique_ptr<IDecodeWorker> {
        // The grid and the decoder library outlive every connection.
        CVideoGridDlg* grid = m_dlg.m_pVideoWnd.get();
        if (!grid)
            return nullptr;
        const DecoderEntryPoints decoder =
            m_dlg.m_hDecoderDll ? DecoderEntryPoints::From(*m_dlg.m_hDecoderDll) : DecoderEntryPoints{};
        return std::make_unique<CVideoDecodeThread>(channel, *grid, m_decodeEnv, decoder);
    });
}

void CClientNetHost::DetachConnection()
{
    m_decodeEnv.SetConnection(nullptr);
}

void CClientNetHost::ShowDecoderInitError()
{
    if (m_bInitErrorShown.exchange(true))
        return;
    Queue([this] {
        auto* box = new QMessageBox(QMessageBox::Warning, QString(), QStringLiteral("H.264 Decoder Init Error !"),
                                    QMessageBox::Ok, &m_dlg);
        box->setAttribute(Qt::WA_DeleteOnClose);
        QObject::connect(box, &QObject::destroyed, this, [this] { m_bInitErrorShown = false; });
        box->open();
    });
}

// ---------------------------------------------------------------------------
// Host

CClientNetHost::CClientNetHost(CClientDlg& dlg) : m_dlg(dlg)
{
    m_helloTimer.setSingleShot(true);
    connect(&m_helloTimer, &QTimer::timeout, this, [this] { OnHelloTimeout(); });
}

bool CClientNetHost::event(QEvent* e)
{
    return RunQueuedCall(e) || QObject::event(e);
}

CClientNetHost::~CClientNetHost()
{
    // The session this object served ends with it: no thread may call a
    // host that is gone.
    if (m_dlg.m_pNetClient) {
        m_dlg.m_pNetClient->DestroyWindow();
        m_dlg.m_pNetClient.reset();
    }
}

VideoGridSink* CClientNetHost::VideoGrid()
{
    return m_dlg.m_pVideoWnd.get();
}

WndHandle CClientNetHost::MainWindow() const
{
    return m_dlg.Handle();
}

void CClientNetHost::PostMessageTo(WndHandle target, UINT msg, WPARAM wParam, LPARAM lParam)
{
    PostMessage(target, msg, wParam, lParam);
}

void CClientNetHost::PostNotify(LPARAM lParam, WndHandle owner)
{
    // Through the same queue as the disconnect requests, so that a failed
    // connect disconnects before its box is shown.
    const WndHandle main = m_dlg.Handle();
    const WPARAM wParam = owner ? owner.Id() : main.Id();
    Queue([main, wParam, lParam] { PostMessage(main, WM_NOTIFY_EVENT, wParam, lParam); });
}

void CClientNetHost::RequestDisconnect(std::uint32_t session)
{
    Queue([this, session] {
        if (m_dlg.m_pNetClient && m_dlg.m_pNetClient->Session() == session)
            m_dlg.Disconnect();
    });
}

void CClientNetHost::ShowPlainMessage(const std::string& text)
{
    Queue([this, text] {
        // Shown without a nested loop: the disconnect that follows goes on meanwhile.
        auto* box = new QMessageBox(QMessageBox::Warning, QString(), QString::fromLatin1(text.c_str()),
                                    QMessageBox::Ok, &m_dlg);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    });
}

void CClientNetHost::StartHelloTimer(std::chrono::milliseconds timeout)
{
    Queue([this, timeout] { m_helloTimer.start(static_cast<int>(timeout.count())); });
}

void CClientNetHost::KillHelloTimer()
{
    Queue([this] { m_helloTimer.stop(); });
}

void CClientNetHost::OnHelloTimeout()
{
    // Reports and disconnects only while a connection is there to end.
    m_dlg.Commands().HandleTimer(TIMER_HELLO_REPLY);
}

void CClientNetHost::WriteConnectLog(int type, int subtype, const std::string& user,
                                     const std::string& address)
{
    m_dlg.WriteConnectLog(kConnectLogRecordSize, type, subtype, 0, user.c_str(), address.c_str());
}

void CClientNetHost::SetButtonState(int buttonId, int state)
{
    Queue([this, buttonId, state] {
        for (CSkinButton* button : m_dlg.findChildren<CSkinButton*>()) {
            if (button->GetDlgCtrlID() != buttonId)
                continue;
            if (state == kButtonDisabled) {
                button->Enable(false);
            } else {
                button->Enable(true);
                button->SetState(state);
            }
        }
    });
}

bool CClientNetHost::IsLocalPlaybackRunning() const
{
    return m_dlg.m_pVideoWnd && m_dlg.m_pVideoWnd->m_nViewMode.load() == kViewLocalPlayback;
}

bool CClientNetHost::HasSoundDevice() const
{
    return m_dlg.m_bSoundDevice != 0;
}

void CClientNetHost::RequestLiveStart()
{
    Queue([this] {
        emit liveStartRequested();
        // Live view of every channel, unless a local playback took the grid meanwhile.
        if (m_dlg.m_pNetClient && !m_dlg.m_pLocalPlayer)
            m_dlg.m_pNetClient->SendLiveReq();
    });
}

void CClientNetHost::SetAudioChannel(int channel)
{
    m_dlg.m_nAudioChannel = channel;
}

WndHandle CClientNetHost::PasswordPrompt() const
{
    return m_hPasswordPrompt.load();
}

void CClientNetHost::ClosePtzPanel(int mode)
{
    // The panels live on the GUI thread; the main window closes them there.
    Queue([this, mode] { m_dlg.ClosePtzPanel(mode); });
}

void CClientNetHost::DestroyTransferBar()
{
    // The main window deletes the bar on WM_TRANSFER_END; a second one finds
    // it gone.
    PostMessage(m_dlg.Handle(), WM_TRANSFER_END, 0, 0);
}

void CClientNetHost::SetViewMode(int mode)
{
    // The grid lives longer than any connection; its view mode is an atomic.
    if (CVideoGridDlg* grid = m_dlg.m_pVideoWnd.get())
        grid->m_nViewMode = mode;
}

void CClientNetHost::ReturnToIdleLayout()
{
    m_dlg.m_bAudioReset = 0;
    for (int c = IDC_CHANNEL_FIRST; c <= IDC_CHANNEL_LAST; ++c)
        if (CSkinButton* button = m_dlg.Button(c))
            button->SetState(kButtonNormal);
    for (int k = IDC_SPLIT_FIRST; k <= IDC_SPLIT_LAST; ++k)
        if (CSkinButton* button = m_dlg.Button(k))
            button->SetState(kButtonNormal);
    if (CVideoGridDlg* grid = m_dlg.m_pVideoWnd.get()) {
        grid->SetPageCounts(LayoutForChannelCount(16).pageCounts);
        grid->SetLayout(kVideoLayout16);
        grid->m_nSelectedLayout = kVideoLayout16;
        grid->Repaint(true);
    }
    if (CSkinButton* split = m_dlg.Button(IDC_SPLIT_FIRST + SplitButtonOfLayout(kVideoLayout16)))
        split->SetState(kButtonSelected);
}

void CClientNetHost::OnLiveStopped()
{
    // The cells lose their channels at once, in order with the stream's own
    // calls on this thread; the rest is the GUI thread's.
    if (CVideoGridDlg* grid = m_dlg.m_pVideoWnd.get())
        grid->SetActiveChannels(0, true);
    SetViewMode(VIEW_IDLE);
    Queue([this] {
        ReturnToIdleLayout();
        if (CSkinButton* live = m_dlg.Button(IDC_LIVE))
            live->SetState(kButtonNormal);
    });
}

void CClientNetHost::OnRemotePlayStopped()
{
    m_dlg.EndBookmarkBar();
    if (CVideoGridDlg* grid = m_dlg.m_pVideoWnd.get())
        grid->SetActiveChannels(0, true);
    SetViewMode(VIEW_IDLE);
    Queue([this] {
        m_dlg.DestroyPlaybackClock();
        // The play buttons go with the playback; the record button stays.
        for (int id = IDC_PLAY_FIRST; id <= IDC_PLAY_LAST; ++id) {
            CSkinButton* button = m_dlg.Button(id);
            if (!button || id == IDC_RECORD)
                continue;
            button->SetState(kButtonNormal);
            button->Show(false);
        }
        m_dlg.Commands().SetScreenSplit(kVideoLayout16);
        ReturnToIdleLayout();
        m_dlg.update();
    });
}

void CClientNetHost::OnStreamStarting(int viewMode, int layout, int splitButton,
                                      const std::array<int, 15>& pageCounts)
{
    // The decode workers made next read the view mode as their stream starts.
    SetViewMode(viewMode);
    Queue([this, viewMode, layout, splitButton, pageCounts] {
        m_decodeEnv.RefreshSettings();
        for (int k = IDC_SPLIT_FIRST; k <= IDC_SPLIT_LAST; ++k)
            if (CSkinButton* button = m_dlg.Button(k))
                button->SetState(kButtonNormal);
        if (CVideoGridDlg* grid = m_dlg.m_pVideoWnd.get()) {
            grid->SetPageCounts(pageCounts);
            grid->SetLayout(layout);
            grid->m_nSelectedLayout = layout;
            grid->Repaint(true);
        }
        // splitButton counts the highlightable buttons: 16 + k is split button k.
        if (CSkinButton* split = m_dlg.Button(IDC_SPLIT_FIRST + splitButton - 16))
            split->SetState(kButtonSelected);
        if (viewMode == VIEW_REMOTE_PLAYBACK) {
            for (int id = IDC_PLAY_FIRST; id <= IDC_PLAY_LAST; ++id) {
                CSkinButton* button = m_dlg.Button(id);
                if (!button || id == IDC_RECORD)
                    continue;
                button->Show(true);
                // A local playback ended before leaves them disabled.
                button->Enable(true);
                button->SetState(id == IDC_FAST_FORWARD ? kButtonSelected : kButtonNormal);
            }
        }
        m_dlg.update();
    });
}

void CClientNetHost::OnDownloadClosed(const DownloadSummary& summary)
{
    Queue([this, summary] { m_dlg.ReportDownloadClosed(summary); });
}

void CClientNetHost::SetPlaybackClockTime(std::uint32_t time)
{
    m_nPlayClockTime = time;
    if (m_bPlayClockQueued.exchange(true))
        return;
    Queue([this] {
        m_bPlayClockQueued = false;
        if (m_dlg.m_pPlayClockWnd)
            m_dlg.m_pPlayClockWnd->m_nTime = static_cast<std::int32_t>(m_nPlayClockTime.load());
    });
}

std::unique_ptr<NetWorker> CClientNetHost::CreateAudioPlayer(bool live)
{
    // The receive thread asks: it reads the copies the GUI thread refreshes.
    if (!m_dlg.m_bSoundDevice)
        return nullptr;
    const int setting = m_arrAudioBuf[live ? 0 : 1].load();
    return std::make_unique<AudioWorkerOf<CAudioPlayer>>(std::make_unique<CAudioPlayer>(setting, !live));
}
