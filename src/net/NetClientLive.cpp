// CNetClient: live view and remote playback. Starting live view, the
// handlers of LIVE_CHANNEL_INFO, LIVE_DATA, PLAY_ON_ACK, PLAY_CHANNEL_INFO,
// PLAY_ON_DATA, message 63 and PLAY_ON_DONE, the hand-over of frames to the
// decode workers and of audio blocks to the audio player, and the stop of
// the decode workers. The headless pieces (reassembly, frame checks, audio
// block, speed codes, resume decisions, credits, pacing) are in LiveData.
//
// Slots 0-15 and 16 are reached only under m_slotLock: the receive thread
// queues while holding it, and a stopper takes a worker out under it before
// stopping it, so a producer never reaches a worker that is being stopped.
#include "net/NetClient.h"

#include "net/NetMessages.h"
#include "platform/Trace.h"

#include <array>
#include <chrono>
#include <thread>

namespace {

// How long a stopper waits for a worker's or the player's queue to empty.
constexpr std::chrono::milliseconds kDrainBound{2000};
// The recorder wants a moment between playback controls, and a longer one
// after each playback command: short while playback runs forward or fast
// backward (states 2 and 3), long otherwise.
constexpr std::chrono::milliseconds kPlayCommandGap{50};
constexpr std::chrono::milliseconds kPlayPauseShort{100};
constexpr std::chrono::milliseconds kPlayPauseLong{500};
// The queue's key of the pause that the end of the recording asks for (the
// buttons' commands are keyed by their numbers).
constexpr int kPlayDoneKey = 100;

std::int64_t FrameMs(const FrameInfo& info)
{
    return std::int64_t{info.time_sec} * 1000 + info.time_msec;
}

} // namespace

// ---------------------------------------------------------------------------
// Decode workers and the audio player

void CNetClient::SetDecodeWorkerFactory(DecodeWorkerFactory factory)
{
    std::lock_guard<std::mutex> lock(m_slotLock);
    m_decodeFactory = std::move(factory);
}

void CNetClient::CreateDecodeWorkers(int count)
{
    DecodeWorkerFactory factory;
    {
        std::lock_guard<std::mutex> lock(m_slotLock);
        factory = m_decodeFactory;
    }
    if (!factory)
        return;
    for (int ch = 0; ch < count && ch < 16; ++ch) {
        if (HasWorker(ch))
            continue;
        std::unique_ptr<IDecodeWorker> worker = factory(ch);
        if (!worker)
            continue;
        std::unique_ptr<NetWorker> spare;
        {
            std::lock_guard<std::mutex> lock(m_slotLock);
            if (!m_workers[ch])
                m_workers[ch] = std::move(worker);
            else
                spare = std::move(worker); // another start filled the slot meanwhile
        }
        if (spare)
            spare->Stop();
    }
}

void CNetClient::StopDecodeWorkers()
{
    // Every producer is refused from here on, and what waits is freed.
    {
        std::lock_guard<std::mutex> lock(m_slotLock);
        for (int ch = 0; ch < 16; ++ch) {
            if (auto* w = dynamic_cast<IDecodeWorker*>(m_workers[ch].get()))
                w->SetDiscard(true);
        }
    }
    for (int ch = 0; ch < 16; ++ch) {
        std::unique_ptr<NetWorker> worker = TakeWorker(ch);
        if (!worker)
            continue;
        if (auto* w = dynamic_cast<IDecodeWorker*>(worker.get())) {
            if (!w->WaitDrained(kDrainBound))
                TRACE("StopDecodeWorkers: channel %d did not drain\n", ch);
        }
        worker->Stop();
    }
}

void CNetClient::DrainAndStopAudioPlayer()
{
    std::unique_ptr<NetWorker> player = TakeWorker(kSlotAudioPlayer);
    if (!player)
        return;
    if (auto* a = dynamic_cast<IAudioWorker*>(player.get()))
        a->WaitQueueDrained(kDrainBound);
    player->Stop();
}

void CNetClient::ResetPlayAudio(bool play)
{
    std::lock_guard<std::mutex> lock(m_slotLock);
    if (auto* a = dynamic_cast<IAudioWorker*>(m_workers[kSlotAudioPlayer].get())) {
        if (play)
            a->Resume();
        else
            a->Flush();
    }
}

// ---------------------------------------------------------------------------
// Requests

bool CNetClient::SendLiveReq()
{
    if (m_bPlayReqPending || m_bLiveReqPending.exchange(true))
        return false;
    if (m_host.IsLocalPlaybackRunning())
        return false;
    m_nLiveSeq = 0;
    VideoGridSink* grid = m_host.VideoGrid();
    if (grid) {
        grid->SetActiveChannels(0, true);
        grid->Repaint(true);
    }
    const int count = ChannelCount();
    const StartLayout layout = LayoutForChannelCount(count);
    m_host.OnStreamStarting(1, layout.layout, layout.splitButton, layout.pageCounts);
    CreateDecodeWorkers(count);
    std::uint8_t mask[4];
    WriteBE32(mask, 0xFFFF);
    TRACE("Send... LIVE_REQ...\n");
    const bool sent = Send(LIVE_REQ, mask, sizeof mask);
    m_bAudioBit = false;
    m_host.SetButtonState(kButtonLive, kButtonSelected);
    if (grid)
        grid->ClearReceivedChannels();
    return sent;
}

bool CNetClient::SendAudioOnReq()
{
    if (!m_host.HasSoundDevice())
        return false;
    TRACE("Send... AUDIO_ON_REQ...\n");
    return Send(AUDIO_ONOFF_REQ, nullptr, 0, kSubAudio);
}

bool CNetClient::SendAudioOffReq()
{
    if (!m_host.HasSoundDevice())
        return false;
    TRACE("Send... AUDIO_OFF_REQ...\n");
    return Send(AUDIO_ONOFF_REQ);
}

bool CNetClient::SendPlayCommand(std::uint16_t id, std::uint32_t value)
{
    std::uint8_t payload[4];
    WriteBE32(payload, value);
    const bool sent = Send(id, payload, sizeof payload);
    std::this_thread::sleep_for(kPlayCommandGap);
    return sent;
}

bool CNetClient::SendPlayCommand(std::uint16_t id)
{
    const bool sent = Send(id);
    std::this_thread::sleep_for(kPlayCommandGap);
    return sent;
}

void CNetClient::PlayControl(int command)
{
    m_playCommands.Post(command, [this, command] {
        return m_bPlay ? RunPlayControl(command) : std::chrono::milliseconds::zero();
    });
}

std::chrono::milliseconds CNetClient::RunPlayControl(int command)
{
    m_bPlayClockSync = true;
    const int state = m_nPlayState;
    const bool paused = m_nPlayPending == 1;
    const int count = ChannelCount();
    VideoGridSink* grid = m_host.VideoGrid();
    const std::uint32_t visible = grid ? grid->VisibleChannels() : 0xFFFF;
    const std::uint32_t mask = m_nChannelMask & visible;
    const std::uint32_t clock = m_nPlayClockTime;
    auto sendBody = [&](std::uint16_t id, std::uint32_t time) {
        const std::array<std::uint8_t, 24> body = PlayCommandBody(mask, m_bProductVer11, time);
        Send(id, body.data(), body.size());
        std::this_thread::sleep_for(kPlayCommandGap);
    };
    auto sendMask = [&] {
        m_nLastChannelMask = visible;
        SendPlayCommand(PLAY_CHANNEL_MASK, mask);
    };
    // The playback buttons' control ids (backward, forward, pause).
    constexpr int kBackward = 341, kForward = 342, kPause = 343;
    switch (command) {
    case 1:
        m_nPlayPrevKind = (state == 3 || state == 7) ? 2 : 0;
        m_bPlayResync = true;
        ResetPlayAudio(false);
        m_nPlayState = 1;
        m_bPlayCmdBusy = true;
        if (paused) {
            sendBody(PLAY_CONTROL_43, clock + 1);
            m_nPlayPending = 2;
            SendPlayCommand(PLAY_FRAME_REQ, static_cast<std::uint32_t>(count));
            m_nFrameCredit = count;
        } else {
            m_nPlaySpeed = 0;
            m_nSpeedCode = 0;
            SendPlayCommand(PLAY_CONTROL_45);
            SendPlayCommand(PLAY_CONTROL_42);
            sendMask();
            SendPlayCommand(PLAY_FRAME_REQ, 1);
        }
        break;
    case 2:
        m_nPlayPrevKind = (state == 3 || state == 7) ? 2 : 0;
        m_bPlayResync = true;
        ResetPlayAudio(false);
        m_nPlayState = 2;
        m_bPlayCmdBusy = false;
        if (paused) {
            sendBody(PLAY_CONTROL_43, clock + 1);
            m_nPlayPending = 2;
        } else {
            m_nSpeedCode = 0;
            SendPlayCommand(PLAY_CONTROL_43);
            m_nPlayPending = 0;
        }
        SendPlayCommand(PLAY_FRAME_REQ, CFrameCredits::kInitial);
        m_host.SetButtonState(kBackward, kButtonSelected);
        m_host.SetButtonState(kForward, kButtonNormal);
        m_host.SetButtonState(kPause, kButtonNormal);
        break;
    case 3:
        if (state == 1 || state == 2) {
            m_nPlayPrevKind = 1;
            m_bPlayResync = true;
        } else {
            m_nPlayPrevKind = 0;
        }
        m_nPlayState = 3;
        m_bPlayCmdBusy = false;
        if (paused) {
            SendPlayCommand(PLAY_CONTROL_45);
            sendBody(PLAY_CONTROL_44, clock);
            m_nPlayPending = 2;
        } else {
            m_nSpeedCode = 0;
            SendPlayCommand(PLAY_CONTROL_44);
            m_nPlayPending = 0;
        }
        SendPlayCommand(PLAY_FRAME_REQ, CFrameCredits::kInitial);
        m_host.SetButtonState(kBackward, kButtonNormal);
        m_host.SetButtonState(kForward, kButtonSelected);
        m_host.SetButtonState(kPause, kButtonNormal);
        break;
    case 4:
        m_nPlayPending = 1;
        ResetPlayAudio(false);
        m_bPlayCmdBusy = true;
        SendPlayCommand(PLAY_CONTROL_45);
        m_nPlaySpeed = 0;
        m_nSpeedCodePrev = -1;
        m_nSpeedCode = 0;
        m_host.SetButtonState(kBackward, kButtonNormal);
        m_host.SetButtonState(kForward, kButtonNormal);
        m_host.SetButtonState(kPause, kButtonSelected);
        break;
    case 7:
        if (state == 1 || state == 2) {
            m_nPlayPrevKind = 1;
            m_bPlayResync = true;
        } else {
            m_nPlayPrevKind = 0;
        }
        ResetPlayAudio(false);
        m_bPlayCmdBusy = true;
        m_nPlayState = 7;
        m_nPlaySpeed = 0;
        m_nSpeedCode = 0;
        if (paused) {
            sendBody(PLAY_CONTROL_44, clock);
            m_nPlayPending = 2;
            SendPlayCommand(PLAY_FRAME_REQ, 1);
        } else {
            SendPlayCommand(PLAY_CONTROL_45);
            SendPlayCommand(PLAY_CONTROL_46);
            sendMask();
            SendPlayCommand(PLAY_FRAME_REQ, 1);
        }
        break;
    default:
        break;
    }
    if (grid)
        grid->Repaint(false);
    const int now = m_nPlayState;
    return now == 2 || now == 3 ? kPlayPauseShort : kPlayPauseLong;
}

int CNetClient::GetPlaySpeed() const
{
    return ShownPlaySpeed(m_bPlayCmdBusy, m_bProductVer12, m_nPlayState, m_nPlaySpeed);
}

// ---------------------------------------------------------------------------
// Frames

bool CNetClient::ReceiveFragment(const WireHeader& h, bool running, bool& whole)
{
    whole = false;
    if (!running) {
        // Nothing streams: the fragment is drained by the dispatcher.
        m_stream.Reset();
        return true;
    }
    const std::size_t length = m_nPayloadLeft;
    if (std::uint8_t* room = m_stream.Reserve(length)) {
        if (length > 0 && !LoopReceive(*m_socket, room, length, &m_bStopRecv, m_timings.receiveLimit))
            return false;
        m_nPayloadLeft = 0;
        m_stream.Commit(length);
    }
    const std::uint64_t oversize = m_stream.OversizeFrames();
    whole = m_stream.EndFragment(h.IsLastFragment());
    if (m_stream.OversizeFrames() != oversize)
        ++m_nFramesDropped;
    return true;
}

bool CNetClient::ReceiveFrame(const WireHeader& h, bool running, FrameParser parse, ParsedFrame& frame, bool& ready)
{
    ready = false;
    bool whole = false;
    if (!ReceiveFragment(h, running, whole))
        return false;
    if (!whole)
        return true;
    const FrameCheck check = parse(m_stream.Data(), m_stream.Length(), ChannelCount(), frame);
    if (check != FrameCheck::Ok) {
        TRACE("ReceiveFrame: frame dropped (%d), marker 0x%x\n", int(check),
              m_stream.Length() >= 4 ? ReadLE32(m_stream.Data()) : 0u);
        ++m_nFramesDropped;
        m_stream.Reset();
        return true;
    }
    ready = true;
    return true;
}

void CNetClient::QueueVideo(const ParsedFrame& frame, const WireHeader& h)
{
    auto item = QueuedFrame::Make(frame.info, h, frame.frame, frame.frameSize);
    bool queued = false;
    {
        std::lock_guard<std::mutex> lock(m_slotLock);
        if (auto* w = dynamic_cast<IDecodeWorker*>(m_workers[frame.info.channel].get()))
            queued = !w->IsDiscarding() && w->Queue(std::move(item));
    }
    if (!queued)
        ++m_nFramesDropped;
}

void CNetClient::ShowAudioChannel(int channel)
{
    if (m_nAudioChannelShown.exchange(channel) != channel)
        m_host.SetAudioChannel(channel);
}

void CNetClient::PlayAudio(const ParsedFrame& frame, bool live)
{
    VideoGridSink* grid = m_host.VideoGrid();
    const AudioChoice choice = ChooseAudioBlock(frame.info, grid ? grid->SingleViewChannel() : -1);
    if (!choice.play) {
        m_nSoloChannel = choice.soloChannel;
        ShowAudioChannel(choice.audioChannel);
        if (!m_bAudioReset.exchange(true))
            StopAudioPlayer();
        return;
    }
    if (m_bAudioReset.exchange(false))
        StartAudioPlayer(live);
    m_nSoloChannel = choice.soloChannel;
    ShowAudioChannel(choice.audioChannel);
    std::lock_guard<std::mutex> lock(m_slotLock);
    if (auto* a = dynamic_cast<IAudioWorker*>(m_workers[kSlotAudioPlayer].get()))
        a->PutBlock(frame.audio + choice.offset, choice.length);
}

// ---------------------------------------------------------------------------
// Live view

bool CNetClient::RecvFn_LiveChannelInfo(const WireHeader&)
{
    TRACE("Recv...LIVE_CHANNEL_INFO...\n");
    if (!ReadPayload(m_payload))
        return false;
    if (m_payload.size() < 4)
        return true;
    m_bLiveReqPending = false;
    ++m_nLiveSeq;
    m_stream.Reset();
    std::uint32_t mask = ReadBE32(m_payload.data());
    VideoGridSink* grid = m_host.VideoGrid();
    if (grid) {
        for (int ch = 0; ch < 16; ++ch) {
            if (grid->IsChannelBlocked(ch))
                mask &= ~(1u << ch);
        }
    }
    std::uint32_t loss = 0;
    {
        std::lock_guard<std::mutex> lock(m_slotLock);
        for (int ch = 0; ch < 16; ++ch) {
            if (m_workers[ch] && ((mask >> (16 + ch)) & 1))
                loss |= 1u << ch;
        }
    }
    m_nLiveMask = loss;
    if (grid) {
        grid->SetActiveChannels(mask & 0xFFFF, false);
        grid->Repaint(false);
    }
    m_bLive = true;
    return true;
}

bool CNetClient::RecvFn_LiveData(const WireHeader& h)
{
    ParsedFrame frame;
    bool ready = false;
    if (!ReceiveFrame(h, m_bLive, ParseLiveFrame, frame, ready))
        return false;
    if (!ready)
        return true;
    frame.info.stream_seq = m_nLiveSeq;
    if (frame.info.data_size > 0)
        QueueVideo(frame, h);
    if (frame.info.audio_size > 0 && m_bAudio)
        PlayAudio(frame, true);
    m_stream.Reset();
    return true;
}

// ---------------------------------------------------------------------------
// Remote playback

bool CNetClient::RecvFn_PlayOnAck(const WireHeader&)
{
    TRACE("Recv...PLAY_ON_ACK...\n");
    m_bPlayReqPending = false;
    if (m_bLive)
        SendLiveStop();
    ResetPlaySeq(m_arrPlaySeq);
    m_nLastChannelMask = 0;
    m_nPlayPrevKind = 0;
    m_bPlayCmdBusy = false;
    m_lastPlayInfo = FrameInfo{};
    VideoGridSink* grid = m_host.VideoGrid();
    if (grid) {
        grid->SetActiveChannels(0, true);
        grid->Repaint(true);
    }
    const int count = ChannelCount();
    const StartLayout layout = LayoutForChannelCount(count);
    m_host.OnStreamStarting(2, layout.layout, layout.splitButton, layout.pageCounts);
    CreateDecodeWorkers(count);
    m_stream.Reset();
    m_frameCredits.Reset();
    SendPlayCommand(PLAY_FRAME_REQ, CFrameCredits::kInitial);
    m_bPlayResync = true;
    m_bPlayClockSync = true;
    m_nPlayState = 3;
    m_nPlayPending = 0;
    m_pacer.Reset();
    m_nSpeedCodePrev = -1;
    m_nSpeedCode = 0;
    m_bAudioBit = false;
    m_bPlay = true;
    // The main window makes the playback clock that shows the played time.
    PostTo(m_host.MainWindow(), WM_REMOTE_PLAY_STARTED);
    if (grid)
        grid->ClearReceivedChannels();
    return true;
}

bool CNetClient::RecvFn_PlayChannelInfo(const WireHeader&)
{
    TRACE("Recv...PLAY_CHANNEL_INFO...\n");
    if (!ReadPayload(m_payload))
        return false;
    m_stream.Reset();
    return true;
}

bool CNetClient::RecvFn_PlayOnData(const WireHeader& h)
{
    ParsedFrame frame;
    bool ready = false;
    if (!ReceiveFrame(h, m_bPlay, ParsePlayFrame, frame, ready))
        return false;
    if (!ready)
        return true;
    if (const std::uint32_t more = m_frameCredits.OnFrame(m_bPlayCmdBusy))
        SendPlayCommand(PLAY_FRAME_REQ, more);
    if (frame.info.data_size > 0)
        PlayDataFrame(frame, h);
    if (frame.info.audio_size > 0 && m_bAudio)
        PlayAudio(frame, false);
    m_stream.Reset();
    return true;
}

void CNetClient::PlayDataFrame(ParsedFrame& frame, const WireHeader& h)
{
    // The recorder's speed code.
    const int code = h.flags() & 0x3F;
    m_nSpeedCode = code;
    if (code != m_nSpeedCodePrev) {
        if (code == 11)
            BumpPlaySeq(m_arrPlaySeq);
        if (m_bProductVer12) {
            m_nPlaySpeed = SpeedFromCodeVer12(code);
            ResetPlayAudio(m_nPlaySpeed == 1);
        } else if (const std::optional<int> speed = SpeedFromCodeOld(code, m_nPlayState)) {
            m_nPlaySpeed = *speed;
            ResetPlayAudio(*speed == 1);
        }
        m_nSpeedCodePrev = code;
    }

    VideoGridSink* grid = m_host.VideoGrid();
    const std::uint32_t visible = grid ? grid->VisibleChannels() : 0xFFFF;
    const std::int64_t frameMs = FrameMs(frame.info);
    switch (m_nPlayPending.load()) {
    case 0:
        break;
    case 1:
        std::this_thread::yield();
        return;
    default: {
        // Resuming after a pause: frames pass until they reach the paused one.
        const int credit = --m_nFrameCredit;
        const std::uint32_t mask = m_nChannelMask & visible;
        const ResumeAction a = DecideResume(m_nPlayPrevKind, m_nPlayState, frameMs, FrameMs(m_lastPlayInfo), credit,
                                            ChannelCount(), mask);
        if (a.resync)
            m_bPlayResync = true;
        if (a.endPending)
            m_nPlayPending = 0;
        for (const PlaySend& send : a.sends) {
            if (send.id == PLAY_FRAME_REQ || send.id == PLAY_CHANNEL_MASK) {
                if (send.id == PLAY_CHANNEL_MASK)
                    m_nLastChannelMask = visible;
                SendPlayCommand(send.id, send.value);
            } else {
                SendPlayCommand(send.id);
            }
        }
        if (a.setCredit)
            m_nFrameCredit = ChannelCount();
        return;
    }
    }

    if (m_bPlayClockSync.exchange(false))
        m_pacer.Anchor(frameMs);
    if (m_bPlayResync.exchange(false)) {
        BumpPlaySeq(m_arrPlaySeq, m_nLastChannelMask);
        m_nLastChannelMask = visible;
    }
    frame.info.stream_seq = m_arrPlaySeq[frame.info.channel];
    m_lastPlayInfo = frame.info;
    m_nPlayClockTime = frame.info.time_sec;
    m_host.SetPlaybackClockTime(frame.info.time_sec);
    QueueVideo(frame, h);

    // Pacing against the PC's clock, unless a command asked for a resync.
    if (!m_bPlayResync) {
        const int speed = m_nPlaySpeed;
        m_pacer.WaitDue(frameMs, speed,
                        [&] { return !m_bStopRecv && m_nPlaySpeed == speed && !m_bPlayCmdBusy; });
    }
}

bool CNetClient::RecvFn_Msg63(const WireHeader&)
{
    // The payload is dropped by the dispatcher.
    if (m_nPlayPending == 2)
        SendPlayCommand(PLAY_FRAME_REQ, 1);
    return true;
}

bool CNetClient::RecvFn_PlayOnDone(const WireHeader&)
{
    TRACE("Recv...PLAY_ON_DONE...\n");
    // The end of the recording pauses the playback (the state is kept), in
    // turn with the buttons' commands.
    if (!m_bPlay)
        return true;
    m_playCommands.Post(kPlayDoneKey, [this] {
        if (!m_bPlay)
            return std::chrono::milliseconds::zero();
        const std::chrono::milliseconds pause = RunPlayControl(4);
        m_nPlayPending = 0;
        return pause;
    });
    return true;
}
