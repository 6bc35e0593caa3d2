#include "local/LocalPlayer.h"

#include <chrono>

namespace {
constexpr int kLogRecordSize = 184;
constexpr int kLogTypeLocalPlay = 4;
constexpr auto kDrainBound = std::chrono::seconds(5);
// Lets the workers settle on the new view mode before the bar comes up.
constexpr int kStartPauseMs = 200;
} // namespace

CLocalPlayer::CLocalPlayer(ILocalHost* pMainDlg, ILocalPlayClock* clock)
    : m_nPlayState(m_core.m_nPlayState), m_nSpeed(m_core.m_nSpeed), m_nRangeStart(m_core.m_nRangeStart),
      m_nSeekState(m_core.m_nSeekState), m_nSeekTime(m_core.m_nSeekTime), m_bRedraw(m_core.m_bRedraw),
      m_bResync(m_core.m_bResync), m_pMainDlg(pMainDlg), m_rClock(clock ? *clock : m_clock),
      m_core(*this, m_rClock)
{
}

CLocalPlayer::~CLocalPlayer()
{
    DestroyWindow();
    std::array<std::unique_ptr<IDecodeWorker>, 16> workers;
    {
        std::lock_guard<std::mutex> lock(m_csWorkers);
        workers.swap(m_arrChannel);
    }
    for (auto& w : workers)
        if (w)
            w->SetDiscard(true);
    for (auto& w : workers)
        if (w)
            w->Stop();
}

void CLocalPlayer::SetPlaylist(Playlist* list, Playlist::iterator current)
{
    m_pList = list;
    m_start = current;
}

bool CLocalPlayer::Start()
{
    if (m_thread.joinable())
        return true;
    // Each worker reads the view mode when it starts: local playback first.
    if (m_pMainDlg) {
        m_pMainDlg->SetVideoViewMode(3);
        m_pMainDlg->SetLastChannelMask(0);
    }
    m_nPlayState = 3;
    m_nSpeed = 0;
    if (m_pMainDlg) {
        std::lock_guard<std::mutex> lock(m_csWorkers);
        for (int ch = 0; ch < 16; ++ch)
            if (!m_arrChannel[static_cast<std::size_t>(ch)])
                m_arrChannel[static_cast<std::size_t>(ch)] = m_pMainDlg->CreateLocalWorker(ch);
    }
    if (m_pMainDlg)
        m_pMainDlg->SetLocalPlaybackButtons(true);
    m_core.SetPlaylist(m_pList, m_pList ? m_start : Playlist::iterator());
    m_core.m_bStop = 0;
    m_thread = std::thread([this] { PlayLoop(); });
    return true;
}

void CLocalPlayer::PlayLoop()
{
    if (m_pMainDlg) {
        m_pMainDlg->WriteConnectLog(kLogRecordSize, kLogTypeLocalPlay, 1, 0, nullptr, nullptr);
        m_pMainDlg->ClearReceivedChannels();
        // A stop wakes the pause at once.
        if (!m_core.m_bStop)
            m_rClock.WaitFor(kStartPauseMs);
        m_pMainDlg->ShowBookmarkBar(1);
    }
    if (m_pList && m_core.Begin()) {
        while (m_core.Pass()) {
        }
    }
    m_core.End();
    if (m_pMainDlg) {
        m_pMainDlg->LocalPlayEnded();
        m_pMainDlg->WriteConnectLog(kLogRecordSize, kLogTypeLocalPlay, 2, 0, nullptr, nullptr);
    }
}

bool CLocalPlayer::DestroyWindow()
{
    m_core.RequestStop();
    if (m_thread.joinable())
        m_thread.join();
    m_core.CloseAudio();
    return true;
}

void CLocalPlayer::Stop()
{
    m_nSpeed = 0;
    DestroyWindow();
    // Producers are refused first, then each worker drains and ends.
    std::array<std::unique_ptr<IDecodeWorker>, 16> workers;
    {
        std::lock_guard<std::mutex> lock(m_csWorkers);
        workers.swap(m_arrChannel);
    }
    for (auto& w : workers)
        if (w)
            w->SetDiscard(true);
    for (auto& w : workers) {
        if (!w)
            continue;
        w->WaitDrained(kDrainBound);
        w->Stop();
        w.reset();
    }
    m_core.CloseAudio();
    m_core.m_bAudioReset = 0;
    m_bRedraw = 0;
    if (m_pMainDlg) {
        m_pMainDlg->EndBookmarkBar();
        m_pMainDlg->SetLocalPlaybackButtons(false);
        m_pMainDlg->SetVideoViewMode(0);
    }
}

void CLocalPlayer::SetPlayCommand(int nCommand)
{
    m_core.SetPlayCommand(nCommand);
}

int CLocalPlayer::GetPlaySpeed() const
{
    return m_core.GetPlaySpeed();
}

IDecodeWorker* CLocalPlayer::Channel(int channel)
{
    if (channel < 0 || channel >= 16)
        return nullptr;
    std::lock_guard<std::mutex> lock(m_csWorkers);
    return m_arrChannel[static_cast<std::size_t>(channel)].get();
}

// ---------------------------------------------------------------------------
// The core's sink, on the play thread (CommandDone also on the GUI thread).

IDecodeWorker* CLocalPlayer::Worker(int channel)
{
    // The slots change only in Start and Stop, while the thread does not run.
    return channel >= 0 && channel < 16 ? m_arrChannel[static_cast<std::size_t>(channel)].get() : nullptr;
}

std::uint16_t CLocalPlayer::VisibleChannels()
{
    return m_pMainDlg ? m_pMainDlg->VisibleChannels() : 0xFFFF;
}

int CLocalPlayer::SingleViewChannel(std::uint16_t mask, int& index)
{
    return m_pMainDlg ? m_pMainDlg->SingleViewChannel(mask, index) : -1;
}

bool CLocalPlayer::WatermarkOn()
{
    return m_pMainDlg && m_pMainDlg->WatermarkOn();
}

void CLocalPlayer::SetWatermarkState(int channel, int state)
{
    if (m_pMainDlg)
        m_pMainDlg->SetWatermarkState(channel, state);
}

void CLocalPlayer::ChainSetup(std::uint32_t channelMask, int highest, bool sameLayout, int sliderMax)
{
    if (m_pMainDlg)
        m_pMainDlg->LocalChainSetup(channelMask, highest, sameLayout, sliderMax);
}

void CLocalPlayer::SetSliderPos(int pos)
{
    if (m_pMainDlg)
        m_pMainDlg->SetLocalSliderPos(pos);
}

void CLocalPlayer::SetPlaybackTime(std::uint32_t time)
{
    if (m_pMainDlg)
        m_pMainDlg->SetLocalPlaybackTime(time);
}

void CLocalPlayer::CommandDone(int command)
{
    if (!m_pMainDlg)
        return;
    m_pMainDlg->LocalCommandDone(command);
    // The bar lights the button of the step it is in; commands 1 and 7 leave it.
    if (command == 10 || command == 11)
        m_pMainDlg->SetBookmarkButtons(command == 10 ? 1 : 0, command == 11 ? 1 : 0);
    else if (command >= 2 && command <= 4)
        m_pMainDlg->SetBookmarkButtons(0, 0);
}

void CLocalPlayer::ReportSkippedSet(const std::string& name)
{
    if (m_pMainDlg)
        m_pMainDlg->ReportSkippedSet(name);
}

void CLocalPlayer::PlayEnded() {}

std::unique_ptr<IAudioWorker> CLocalPlayer::CreateAudio()
{
    return m_pMainDlg ? m_pMainDlg->CreateLocalAudio() : nullptr;
}
