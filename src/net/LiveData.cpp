#include "net/LiveData.h"

#include "platform/Trace.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

// ---------------------------------------------------------------------------
// Reassembly

// The buffer is made with the first fragment and grows with the frames, up to
// the capacity: a session that never streams (or a parser run over a message
// that holds no frame) keeps no 1.2 MB, and one whose frames stay small never
// maps and faults in a buffer most of which it would not touch.
CStreamAssembler::CStreamAssembler(std::size_t capacity) : m_capacity(capacity) {}

namespace {

constexpr std::size_t kFirstRoom = 64 * 1024;

} // namespace

std::uint8_t* CStreamAssembler::Reserve(std::size_t length)
{
    if (m_overflow)
        return nullptr;
    if (length > m_capacity - m_length) {
        // The frame cannot fit: nothing of it is kept, the rest of it is drained.
        m_overflow = true;
        m_length = 0;
        return nullptr;
    }
    if (!m_buffer || m_length + length > m_room) {
        // Doubled, so that a frame of n bytes costs O(n) copying at most.
        std::size_t room = std::min(m_capacity, std::max(kFirstRoom, m_room * 2));
        while (room < m_length + length)
            room = std::min(m_capacity, room * 2);
        std::unique_ptr<std::uint8_t[]> grown(new std::uint8_t[room]);
        if (m_length > 0)
            std::memcpy(grown.get(), m_buffer.get(), m_length);
        m_buffer = std::move(grown);
        m_room = room;
    }
    return m_buffer.get() + m_length;
}

void CStreamAssembler::Commit(std::size_t length)
{
    if (!m_overflow)
        m_length += std::min(length, m_room - m_length);
}

bool CStreamAssembler::EndFragment(bool last)
{
    if (!last)
        return false;
    if (m_overflow) {
        TRACE("StreamAssembler: a frame longer than %zu bytes dropped\n", m_capacity);
        ++m_oversize;
        m_overflow = false;
        m_length = 0;
        return false;
    }
    return true;
}

bool CStreamAssembler::Append(const std::uint8_t* bytes, std::size_t length, bool last)
{
    if (std::uint8_t* room = Reserve(length)) {
        if (length > 0)
            std::memcpy(room, bytes, length);
        Commit(length);
    }
    return EndFragment(last);
}

void CStreamAssembler::Reset()
{
    m_length = 0;
    m_overflow = false;
}

std::unique_ptr<std::uint8_t[]> CStreamAssembler::TakeBuffer(std::size_t& room, std::unique_ptr<std::uint8_t[]> spare,
                                                             std::size_t spareRoom)
{
    room = m_buffer ? m_room : 0;
    std::unique_ptr<std::uint8_t[]> taken = std::move(m_buffer);
    m_buffer = std::move(spare);
    m_room = m_buffer ? std::min(spareRoom, m_capacity) : 0;
    Reset();
    return taken;
}

// ---------------------------------------------------------------------------
// Whole frames

namespace {

FrameCheck ParseAt(const std::uint8_t* bytes, std::size_t length, std::size_t offset, int channelCount,
                   ParsedFrame& out)
{
    if (length < offset + kFrameHeaderSize)
        return FrameCheck::TooShort;
    const std::uint8_t* header = bytes + offset;
    FrameHeaderFields f;
    ParseFrameHeader(header, f);
    if (f.marker != kFrameMarker)
        return offset == 0 ? FrameCheck::BadMarker : FrameCheck::BadStem;
    if (channelCount <= 0 || f.channel >= channelCount)
        return FrameCheck::BadChannel;
    // Both sizes come from the recorder: the frame must hold all it declares
    // before anything of it is copied. The sum cannot overflow (20 + 12 bits).
    const std::size_t need = offset + kFrameHeaderSize + std::size_t(f.data_size) + std::size_t(f.audio_size);
    if (need > length)
        return FrameCheck::BadSizes;
    MakeFrameInfo(f, out.info);
    out.frame = header;
    out.frameSize = kFrameHeaderSize + f.data_size;
    out.audio = header + out.frameSize;
    return FrameCheck::Ok;
}

} // namespace

FrameCheck ParseLiveFrame(const std::uint8_t* bytes, std::size_t length, int channelCount, ParsedFrame& out)
{
    out = ParsedFrame();
    if (bytes == nullptr || length < 4)
        return FrameCheck::TooShort;
    return ParseAt(bytes, length, 0, channelCount, out);
}

bool IsKnownModelStem(const std::uint8_t* prefix)
{
    // The stem is a C string; a prefix without a terminator in its first 32
    // bytes matches nothing.
    const void* end = std::memchr(prefix, 0, 32);
    if (end == nullptr)
        return false;
    const std::size_t n = static_cast<std::size_t>(static_cast<const std::uint8_t*>(end) - prefix);
    const char* s = reinterpret_cast<const char*>(prefix);
    return (n == 8 && std::memcmp(s, "mira3140", 8) == 0) || (n == 8 && std::memcmp(s, "kola5500", 8) == 0);
}

FrameCheck ParsePlayFrame(const std::uint8_t* bytes, std::size_t length, int channelCount, ParsedFrame& out)
{
    out = ParsedFrame();
    if (bytes == nullptr || length < 4)
        return FrameCheck::TooShort;
    const bool recorded = ReadLE32(bytes) != kFrameMarker;
    std::size_t offset = 0;
    if (recorded) {
        if (length < kRecordedPrefixSize)
            return FrameCheck::TooShort;
        if (!IsKnownModelStem(bytes))
            return FrameCheck::BadStem;
        offset = kRecordedPrefixSize;
    }
    const FrameCheck check = ParseAt(bytes, length, offset, channelCount, out);
    if (check != FrameCheck::Ok)
        return check;
    out.recorded = recorded;
    char* caption = out.info.caption;
    if (recorded && ReadLE32(bytes + kPrefixCaptionFlagOffset) != 0) {
        // 32 bytes that need not be terminated: keep 31 and terminate.
        std::size_t n = 0;
        while (n < kPrefixCaptionSize - 1 && bytes[kPrefixCaptionOffset + n] != 0)
            ++n;
        std::memcpy(caption, bytes + kPrefixCaptionOffset, n);
        caption[n] = '\0';
    } else {
        std::snprintf(caption, sizeof out.info.caption, "CH%d", out.info.channel + 1);
    }
    return FrameCheck::Ok;
}

// ---------------------------------------------------------------------------
// Audio

AudioChoice ChooseAudioBlock(const FrameInfo& info, int singleViewChannel)
{
    AudioChoice c;
    c.length = info.audio_size / 4;
    if (info.audio_select == 1) {
        const std::uint32_t mask = info.audio_channel;
        c.soloChannel = mask;
        c.audioChannel = -1;
        if (singleViewChannel >= 0 && singleViewChannel < 16 && (mask >> singleViewChannel) & 1) {
            c.audioChannel = singleViewChannel;
            c.audioIndex = std::popcount(mask & ((1u << singleViewChannel) - 1));
        }
        if (c.audioChannel < 0)
            return c;
        const std::size_t step = kAudioBlockStep * static_cast<std::size_t>(c.audioIndex);
        if (step > kAudioBlockBase)
            return c; // a fifth channel of a mask has no block
        c.offset = kAudioBlockBase - step;
    } else {
        c.soloChannel = 0xFFFF;
        c.audioChannel = info.audio_channel == 0xFFFF ? -1 : info.audio_channel;
        if (c.audioChannel < 0 || c.audioChannel != singleViewChannel)
            return c;
        c.offset = kAudioBlockBase;
    }
    c.play = c.length > 0 && c.offset + c.length <= info.audio_size;
    return c;
}

// ---------------------------------------------------------------------------
// Playback speed

int SpeedFromCodeVer12(int code)
{
    switch (code) {
    case 4: return -6;
    case 5: return -5;
    case 6: return -4;
    case 7: return -3;
    case 8: return -2;
    case 9: return -1;
    case 11: return 1;
    case 12: return 2;
    case 13: return 3;
    case 14: return 4;
    case 15: return 5;
    case 16: return 6;
    default: return 0;
    }
}

std::optional<int> SpeedFromCodeOld(int code, int playState)
{
    if (playState != 3)
        return std::nullopt;
    if (code == 11)
        return 1;
    if (code == 12)
        return 2;
    return 0;
}

int ShownPlaySpeed(bool cmdBusy, bool ver12, int playState, int playSpeed)
{
    if (cmdBusy)
        return 0;
    if (ver12) {
        if (playSpeed > 0)
            return playSpeed;
        if (playSpeed < 0)
            return playSpeed + 1;
        return 0;
    }
    if (playState == 3)
        return playSpeed == 1 || playSpeed == 2 ? playSpeed : 0;
    if (playState == 2)
        return -1;
    return 0;
}

namespace {

std::vector<PlaySend> ResumeBackward(std::uint32_t mask)
{
    return {{kCmd45, 0}, {kCmd42, 0}, {kCmdMask, mask}, {kCmdFrames, 1}};
}

std::vector<PlaySend> ResumeForward(std::uint32_t mask)
{
    return {{kCmd45, 0}, {kCmd46, 0}, {kCmdMask, mask}, {kCmdFrames, 1}};
}

} // namespace

ResumeAction DecideResume(int prevKind, int state, std::int64_t F, std::int64_t L, int credit, int channelCount,
                          std::uint32_t mask)
{
    ResumeAction a;
    auto askMore = [&](bool inState) {
        if (inState && credit <= 0) {
            a.sends.push_back({kCmdFrames, static_cast<std::uint32_t>(channelCount)});
            a.setCredit = true;
        }
    };
    switch (prevKind) {
    case 0:
        if (state == 3 || state == 7) {
            if (F < L)
                break;
            a.resync = F > L;
            a.endPending = true;
            if (state == 7)
                a.sends = ResumeForward(mask);
        } else if (F <= L) {
            a.endPending = true;
            if (state == 1)
                a.sends = ResumeBackward(mask);
        } else {
            askMore(state == 1);
        }
        break;
    case 1:
        if (F >= L) {
            a.resync = true;
            a.endPending = true;
            if (state == 7)
                a.sends = ResumeForward(mask);
        } else {
            askMore(state == 7);
        }
        break;
    case 2:
        if (F <= L) {
            a.resync = true;
            a.endPending = true;
            if (state == 1)
                a.sends = ResumeBackward(mask);
        } else {
            askMore(state == 1);
        }
        break;
    default:
        break;
    }
    return a;
}

std::array<std::uint8_t, 24> PlayCommandBody(std::uint32_t channelMask, bool ver11, std::uint32_t recorderTime)
{
    std::array<std::uint8_t, 24> body{};
    WriteBE32(body.data(), channelMask);
    body[5] = ver11 ? 1 : 0;
    WriteBE32(body.data() + 16, recorderTime);
    return body;
}

// ---------------------------------------------------------------------------
// Frame credits

std::uint32_t CFrameCredits::OnFrame(bool cmdBusy)
{
    if (cmdBusy)
        return 0;
    std::uint32_t ask = 0;
    if (m_count >= static_cast<int>(kRefill)) {
        m_count = 0;
        ask = kRefill;
    }
    ++m_count;
    return ask;
}

// ---------------------------------------------------------------------------
// Pacing

CPlayPacer::CPlayPacer()
    : CPlayPacer(
          [] {
              return std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::steady_clock::now().time_since_epoch())
                  .count();
          },
          [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); })
{
}

CPlayPacer::CPlayPacer(NowFn now, SleepFn sleep) : m_now(std::move(now)), m_sleep(std::move(sleep)) {}

void CPlayPacer::Reset()
{
    m_refMs = 0;
    m_refTick = 0;
    m_delay = 0;
}

void CPlayPacer::Anchor(std::int64_t frameMs)
{
    m_refMs = frameMs - 100;
    m_refTick = m_now();
}

std::int64_t CPlayPacer::DelayFor(std::int64_t frameMs, int speed)
{
    static constexpr int kForwardShift[7] = {0, 0, 1, 2, 4, 6, 8}; // by speed 1..6
    static constexpr int kBackwardShift[7] = {0, 0, 1, 2, 4, 6, 8}; // by -speed 2..6
    if (speed >= 1 && speed <= 6)
        m_delay = (frameMs - m_refMs) >> kForwardShift[speed];
    else if (speed <= -2 && speed >= -6)
        m_delay = (m_refMs - frameMs) >> kBackwardShift[-speed];
    return m_delay;
}

CPlayPacer::Wait CPlayPacer::WaitDue(std::int64_t frameMs, int speed, const std::function<bool()>& keepWaiting)
{
    const std::int64_t delay = DelayFor(frameMs, speed);
    const std::int64_t begun = m_now();
    for (;;) {
        if (keepWaiting && !keepWaiting())
            return Wait::Interrupted;
        const std::int64_t now = m_now();
        if (now - m_refTick >= delay)
            return Wait::Due;
        if (now - begun > kReanchorMs) {
            m_refMs = frameMs;
            m_refTick = now;
            return Wait::Reanchored;
        }
        m_sleep(1);
    }
}

// ---------------------------------------------------------------------------
// Stream numbers

void BumpPlaySeq(PlaySeqArray& seq, std::uint32_t shownMask)
{
    for (std::size_t ch = 0; ch < seq.size(); ++ch) {
        if (!((shownMask >> ch) & 1))
            ++seq[ch];
    }
}

void ResetPlaySeq(PlaySeqArray& seq)
{
    for (auto& s : seq)
        s = 0;
}

// ---------------------------------------------------------------------------
// Layout

StartLayout LayoutForChannelCount(int channelCount)
{
    StartLayout s;
    if (channelCount <= 4) {
        s.layout = 1;
        s.splitButton = 17;
        s.pageCounts = {4, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    } else if (channelCount <= 8) {
        s.layout = 6;
        s.splitButton = 21;
        s.pageCounts = {8, 2, 2, 2, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    } else {
        s.layout = 14;
        s.splitButton = 24;
        s.pageCounts = {16, 4, 3, 3, 3, 2, 2, 2, 2, 2, 2, 2, 2, 2, 1};
    }
    return s;
}
