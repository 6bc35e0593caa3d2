#include "SimLive.h"

#include <algorithm>
#include <cstring>

namespace k5sim {

namespace {

void PutLE32(Bytes& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

} // namespace

int FrameSizeCode(int width, int height)
{
    if (width >= 704)
        return height >= 480 ? 1 : 5;
    return 0;
}

Bytes BuildFrameHeader(const FrameFields& f)
{
    Bytes h(40, 0);
    PutLE32(h, 0, 511);
    const std::uint32_t stored = (40u + f.dataSize + f.audioSize) & 0xFFFFF;
    std::uint32_t w8 = (std::uint32_t(f.channel) & 0xF) | (std::uint32_t(FrameSizeCode(f.width, f.height)) << 8) |
                       (stored << 12);
    std::uint32_t source = 0;
    if (f.audioSelect) {
        source = f.audioMask;
    } else if (f.audioChannel >= 0) {
        w8 |= (std::uint32_t(f.audioChannel) & 0xF) << 4;
        source = 1u << (f.audioChannel & 0xF);
    }
    PutLE32(h, 8, w8);
    PutLE32(h, 12, f.timeSec);
    const bool line576 = f.height == 576 || f.height == 288;
    PutLE32(h, 16, line576 ? 1u << 23 : 0u);
    PutLE32(h, 20, (f.dataSize & 0xFFFFF) | ((f.audioSize & 0xFFF) << 20));
    PutLE32(h, 24, (source & 0xFFFF) | (std::uint32_t(f.timeMsec) << 16));
    PutLE32(h, 28, (f.key ? 1u : 0u) | (f.audioSelect ? 1u << 18 : 0u));
    return h;
}

Bytes BuildRecordedPrefix(const std::string& stem, const std::string& caption)
{
    Bytes p(192, 0);
    std::memcpy(p.data(), stem.data(), std::min<std::size_t>(stem.size(), 31));
    if (!caption.empty()) {
        PutLE32(p, 20, 1);
        std::memcpy(p.data() + 96, caption.data(), std::min<std::size_t>(caption.size(), 32));
    }
    return p;
}

// ---------------------------------------------------------------------------

SimLive::SimLive(RecorderSim& sim) : m_sim(sim)
{
    m_sim.SetHandler(id::LIVE_REQ, [this](RecorderSim&, const Message& m) { OnLiveReq(m); });
    m_sim.SetHandler(id::LIVE_STOP, [this](RecorderSim&, const Message&) { OnLiveStop(); });
    m_sim.SetHandler(id::AUDIO_ONOFF_REQ, [this](RecorderSim&, const Message& m) {
        m_audioOn = (m.sub & kAudioSub) != 0;
    });
    m_sim.SetHandler(id::PLAY_ON_REQ, [this](RecorderSim&, const Message& m) {
        {
            std::lock_guard<std::mutex> lock(m_plannerLock);
            if (m_planner)
                m_planner(m.payload, m_play);
        }
        OnPlayOnReq();
    });
    m_sim.SetHandler(id::RPLAY_STOP, [this](RecorderSim&, const Message&) { OnPlayStop(); });
    m_sim.SetHandler(id::PLAY_FRAME_REQ, [this](RecorderSim&, const Message& m) { OnFrameReq(m); });
    // While audio streams, every message of the recorder carries the audio
    // bit (a header without it turns the client's audio off); the keep-alive
    // echo too.
    m_sim.SetHandler(id::ALIVE_REQ, [this](RecorderSim& sim, const Message&) {
        if (sim.Settings().answerAlive)
            sim.Send(id::ALIVE_REQ, Bytes(), 0, AudioSub());
    });
    // Play controls 43 and 44 with a body move the playback to the body's
    // time: each channel goes on from the key frame at or before it.
    for (std::uint16_t control : {id::PLAY_CONTROL_43, id::PLAY_CONTROL_44})
        m_sim.SetHandler(control, [this](RecorderSim&, const Message& m) { OnSeek(m); });
    m_sim.SetHandler(id::PLAY_CHANNEL_MASK, [this](RecorderSim&, const Message& m) {
        if (m.payload.size() >= 4)
            m_playMask = static_cast<std::uint16_t>(GetBE32(m.payload, 0) & m_play.channels);
    });
    // What a session asked for ends with it: the next client asks again.
    m_sim.OnSessionEnd(this, [this](RecorderSim&) {
        m_liveOn = false;
        m_playOn = false;
        m_audioOn = false;
        Wake();
    });
    m_thread = std::thread([this] { Run(); });
}

SimLive::~SimLive()
{
    // A session thread may be inside one of our handlers right now (waking
    // our thread through m_wake): the simulator's threads end first, so no
    // handler runs on a SimLive that is going away. The simulator is not
    // used after us: it is declared before us by everyone who owns both.
    m_sim.Stop();
    m_sim.OnSessionEnd(this, nullptr);
    for (std::uint16_t msg : {id::LIVE_REQ, id::LIVE_STOP, id::AUDIO_ONOFF_REQ, id::PLAY_ON_REQ, id::RPLAY_STOP,
                              id::PLAY_FRAME_REQ, id::PLAY_CHANNEL_MASK, id::PLAY_CONTROL_43, id::PLAY_CONTROL_44})
        m_sim.SetHandler(msg, nullptr);
    m_sim.SetHandler(id::ALIVE_REQ, [](RecorderSim& sim, const Message&) {
        if (sim.Settings().answerAlive)
            sim.Send(id::ALIVE_REQ);
    });
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_quit = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void SimLive::SetPlayPlanner(PlayPlanner planner)
{
    std::lock_guard<std::mutex> lock(m_plannerLock);
    m_planner = std::move(planner);
}

void SimLive::SetStream(int channel, SimStream stream)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_streams[static_cast<std::size_t>(channel & 15)] = std::move(stream);
}

std::size_t SimLive::LiveFramesSent(int channel) const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_liveSent[static_cast<std::size_t>(channel & 15)];
}

std::size_t SimLive::PlayFramesSent() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_playSent;
}

std::int64_t SimLive::PlayCredits() const
{
    return m_credits;
}

bool SimLive::WaitLiveFrames(std::size_t n, std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(m_lock);
    return m_progress.wait_for(lock, timeout, [&] {
        const std::uint16_t mask = m_liveMask;
        for (int ch = 0; ch < 16; ++ch) {
            if (((mask >> ch) & 1) && !m_streams[ch].frames.empty() && m_liveSent[ch] < n)
                return false;
        }
        return mask != 0;
    });
}

void SimLive::Wake()
{
    m_wake.notify_all();
}

void SimLive::OnLiveReq(const Message& m)
{
    const std::uint32_t asked = m.payload.size() >= 4 ? GetBE32(m.payload, 0) : 0;
    const int count = m_sim.Settings().hello.channelNum;
    const std::uint32_t present = count >= 16 ? 0xFFFFu : ((1u << count) - 1);
    // The answer names every camera the recorder has (the client pages over
    // them); only the channels asked for are streamed.
    const std::uint16_t shown = static_cast<std::uint16_t>(m_live.channels & present);
    const std::uint16_t loss = static_cast<std::uint16_t>(m_live.videoLoss & shown);
    m_sim.Send(id::LIVE_CHANNEL_INFO, BE32((std::uint32_t(loss) << 16) | shown), 0, AudioSub());
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_liveSent.fill(0);
        m_liveStart = std::chrono::steady_clock::now();
        m_liveMask = static_cast<std::uint16_t>(asked & shown & ~loss);
    }
    m_liveOn = true;
    Wake();
}

void SimLive::OnLiveStop()
{
    m_liveOn = false;
    m_sim.Send(id::LIVE_STOP_ACK, Bytes(), 0, AudioSub());
    Wake();
}

void SimLive::OnPlayOnReq()
{
    if (m_play.refuseReason != 0) {
        m_sim.SendReason(id::PLAY_ON_NACK, m_play.refuseReason);
        return;
    }
    // A playback replaces live view on the recorder.
    m_liveOn = false;
    m_sim.Send(id::PLAY_ON_ACK, Bytes(), 0, AudioSub());
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_playSent = 0;
        m_playNext.fill(0);
        m_playStart = std::chrono::steady_clock::now();
    }
    m_credits = 0;
    m_playMask = m_play.channels;
    m_speedCode = m_play.speedCode;
    m_playOn = true;
    Wake();
}

void SimLive::OnPlayStop()
{
    m_playOn = false;
    m_sim.Send(id::PLAY_OFF_ACK, Bytes(), 0, AudioSub());
    Wake();
}

void SimLive::OnSeek(const Message& m)
{
    if (m.payload.size() != 24)
        return;
    const std::uint32_t time = GetBE32(m.payload, 16);
    std::lock_guard<std::mutex> lock(m_lock);
    const std::size_t fps = static_cast<std::size_t>(std::max(1, m_play.fps));
    const std::size_t target = time > m_play.startTime ? std::size_t(time - m_play.startTime) * fps : 0;
    for (std::size_t ch = 0; ch < 16; ++ch) {
        const auto& frames = m_streams[ch].frames;
        if (frames.empty())
            continue;
        std::size_t k = target;
        while (k > 0 && !frames[k % frames.size()].key)
            --k;
        m_playNext[ch] = k;
    }
}

void SimLive::OnFrameReq(const Message& m)
{
    if (m.payload.size() >= 4)
        m_credits += GetBE32(m.payload, 0);
    Wake();
}

Bytes SimLive::AudioSection(std::size_t number) const
{
    // Four blocks of 512 mu-law bytes; block k is filled with 0x40 + k and its
    // first byte counts the frames, so a test sees which block was played.
    Bytes a(kAudioSectionSize);
    for (std::size_t k = 0; k < 4; ++k) {
        std::fill(a.begin() + 512 * k, a.begin() + 512 * (k + 1), static_cast<std::uint8_t>(0x40 + k));
        a[512 * k] = static_cast<std::uint8_t>(number);
    }
    return a;
}

Bytes SimLive::MakeLiveFrame(int channel, std::size_t number, bool audio)
{
    const SimStream& s = m_streams[static_cast<std::size_t>(channel)];
    const SimFrame& f = s.frames[number % s.frames.size()];
    FrameFields h;
    h.channel = channel;
    h.width = s.width;
    h.height = s.height;
    h.dataSize = static_cast<std::uint32_t>(f.data.size());
    h.audioSize = audio ? static_cast<std::uint32_t>(kAudioSectionSize) : 0;
    h.key = f.key;
    const int fps = std::max(1, m_live.fps);
    h.timeSec = m_live.startTime + static_cast<std::uint32_t>(number / std::size_t(fps));
    h.timeMsec = static_cast<std::uint16_t>((number % std::size_t(fps)) * 1000 / std::size_t(fps));
    if (audio) {
        h.audioSelect = m_live.audioSelect;
        h.audioMask = m_live.audioMask;
        h.audioChannel = m_live.audioChannel;
    }
    Bytes out = BuildFrameHeader(h);
    out.insert(out.end(), f.data.begin(), f.data.end());
    if (audio) {
        const Bytes a = AudioSection(number);
        out.insert(out.end(), a.begin(), a.end());
    }
    return out;
}

Bytes SimLive::MakePlayFrame(int channel, std::size_t number)
{
    const SimStream& s = m_streams[static_cast<std::size_t>(channel)];
    const SimFrame& f = s.frames[number % s.frames.size()];
    FrameFields h;
    h.channel = channel;
    h.width = s.width;
    h.height = s.height;
    h.dataSize = static_cast<std::uint32_t>(f.data.size());
    h.key = f.key;
    const int fps = std::max(1, m_play.fps);
    h.timeSec = m_play.startTime + static_cast<std::uint32_t>(number / std::size_t(fps));
    h.timeMsec = static_cast<std::uint16_t>((number % std::size_t(fps)) * 1000 / std::size_t(fps));
    Bytes out;
    if (m_play.recordedPrefix)
        out = BuildRecordedPrefix(m_play.stem, m_play.caption);
    const Bytes header = BuildFrameHeader(h);
    out.insert(out.end(), header.begin(), header.end());
    out.insert(out.end(), f.data.begin(), f.data.end());
    return out;
}

bool SimLive::SendFrame(std::uint16_t msgId, const Bytes& frame, std::uint16_t flagBits, std::uint8_t sub,
                        std::size_t fragment)
{
    fragment = std::clamp<std::size_t>(fragment, 1, 65535);
    Bytes message;
    for (std::size_t at = 0; at < frame.size(); at += fragment) {
        const std::size_t n = std::min(fragment, frame.size() - at);
        const bool last = at + n == frame.size();
        const std::uint16_t flags = static_cast<std::uint16_t>(flagBits | (last ? kLastFragment : 0));
        message = EncodeHeader(msgId, static_cast<std::uint16_t>(n), flags, sub);
        message.insert(message.end(), frame.begin() + static_cast<std::ptrdiff_t>(at),
                       frame.begin() + static_cast<std::ptrdiff_t>(at + n));
        if (!m_sim.SendRaw(message))
            return false;
    }
    return true;
}

void SimLive::Run()
{
    using Clock = std::chrono::steady_clock;
    std::size_t liveTick = 0;
    std::size_t playTick = 0;
    bool liveWasOn = false;
    bool playWasOn = false;
    std::unique_lock<std::mutex> lock(m_lock);
    while (!m_quit) {
        const bool liveOn = m_liveOn;
        const bool playOn = m_playOn;
        if (liveOn && !liveWasOn)
            liveTick = 0;
        if (playOn && !playWasOn)
            playTick = 0;
        liveWasOn = liveOn;
        playWasOn = playOn;
        const auto now = Clock::now();
        Clock::time_point next = now + std::chrono::seconds(1);

        if (liveOn) {
            const auto period = std::chrono::microseconds(1000000 / std::max(1, m_live.fps));
            const auto due = m_liveStart + period * static_cast<std::int64_t>(liveTick);
            if (now >= due) {
                const std::uint16_t mask = m_liveMask;
                bool sentAny = false;
                for (int ch = 0; ch < 16 && m_liveOn; ++ch) {
                    if (!((mask >> ch) & 1) || m_streams[ch].frames.empty())
                        continue;
                    if (m_live.frameLimit != 0 && m_liveSent[ch] >= m_live.frameLimit)
                        continue;
                    // The header's audio bit and the frame's audio section agree.
                    const bool audio = m_audioOn;
                    const Bytes frame = MakeLiveFrame(ch, liveTick, audio);
                    const std::uint8_t sub = audio ? kAudioSub : 0x00;
                    ++m_liveSent[ch];
                    lock.unlock();
                    const bool ok = SendFrame(id::LIVE_DATA, frame, 0, sub, m_live.fragment);
                    lock.lock();
                    if (!ok) {
                        m_liveOn = false;
                        break;
                    }
                    sentAny = true;
                }
                ++liveTick;
                if (sentAny)
                    m_progress.notify_all();
                continue;
            }
            next = std::min(next, due);
        }

        if (playOn) {
            const auto period = std::chrono::microseconds(1000000 / std::max(1, m_play.fps));
            const auto due = m_playStart + period * static_cast<std::int64_t>(playTick);
            const bool mayAsk = !m_play.honourCredits || m_credits > 0;
            if (now >= due && mayAsk) {
                const std::uint16_t mask = m_playMask;
                for (int ch = 0; ch < 16 && m_playOn; ++ch) {
                    if (!((mask >> ch) & 1) || m_streams[ch].frames.empty())
                        continue;
                    if (m_play.honourCredits && m_credits <= 0)
                        break;
                    if (m_play.frames != 0 && m_playSent >= m_play.frames)
                        break;
                    // Each channel goes on with its own next frame, also when
                    // the credits ran out in the middle of a tick.
                    const Bytes frame = MakePlayFrame(ch, m_playNext[ch]);
                    // Counted before it goes out: a client that has read it
                    // finds it counted.
                    --m_credits;
                    ++m_playSent;
                    ++m_playNext[ch];
                    lock.unlock();
                    const bool ok =
                        SendFrame(id::PLAY_ON_DATA, frame, m_speedCode & 0x3F, AudioSub(), m_play.fragment);
                    lock.lock();
                    if (!ok) {
                        m_playOn = false;
                        break;
                    }
                }
                ++playTick;
                if (m_playOn && m_play.frames != 0 && m_playSent >= m_play.frames) {
                    m_playOn = false;
                    const std::int32_t fail = m_play.failReason;
                    lock.unlock();
                    if (fail != 0)
                        m_sim.Send(id::PLAY_ON_FAIL, BE32(static_cast<std::uint32_t>(fail)), 0, AudioSub());
                    else
                        m_sim.Send(id::PLAY_ON_DONE, Bytes(), 0, AudioSub());
                    lock.lock();
                }
                m_progress.notify_all();
                continue;
            }
            if (mayAsk)
                next = std::min(next, due);
        }
        m_wake.wait_until(lock, next);
    }
}

} // namespace k5sim
