#include "local/LocalPlayCore.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstring>

using namespace BackupFormat;

namespace {
constexpr int kRecord = static_cast<int>(kPrefixSize);
constexpr int kWorkerRoom = 2 + 10; // a worker's count is 2 + the frames waiting
constexpr std::int64_t kGapCutMs = 3000;
constexpr std::uint32_t kAudioAreaStart = 1536;
constexpr std::uint32_t kAudioChannelStride = 512;
constexpr std::size_t kInitialFrameBuffer = 64 * 1024; // most recorded frames fit

// A difference of two recorder times for the slider: times from a file may
// lie anywhere in 32 bits.
int TimeDiff(std::int64_t a, std::int64_t b)
{
    return static_cast<int>(std::clamp<std::int64_t>(a - b, INT32_MIN, INT32_MAX));
}
} // namespace

// ---------------------------------------------------------------------------
// CLocalSteadyClock

std::int64_t CLocalSteadyClock::NowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void CLocalSteadyClock::WaitFor(int ms)
{
    std::unique_lock<std::mutex> lock(m_lock);
    m_cv.wait_for(lock, std::chrono::milliseconds(std::max(ms, 0)), [this] { return m_bWoken; });
    m_bWoken = false;
}

void CLocalSteadyClock::Wake()
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_bWoken = true;
    }
    m_cv.notify_all();
}

// ---------------------------------------------------------------------------
// CLocalPlayCore

CLocalPlayCore::CLocalPlayCore(ILocalPlaySink& sink, ILocalPlayClock& clock)
    : m_sink(sink), m_clock(clock), m_frameBuffer(kInitialFrameBuffer)
{
}

CLocalPlayCore::~CLocalPlayCore()
{
    End();
    CloseAudio();
}

void CLocalPlayCore::SetPlaylist(Playlist* list, Playlist::iterator current)
{
    m_pList = list;
    m_cur = current;
}

bool CLocalPlayCore::HasNext() const
{
    return m_pList && m_cur != m_pList->end() && std::next(m_cur) != m_pList->end();
}

bool CLocalPlayCore::HasPrev() const
{
    return m_pList && m_cur != m_pList->begin();
}

void CLocalPlayCore::MoveNext()
{
    ++m_cur;
    m_bReopen = true;
}

void CLocalPlayCore::MovePrev()
{
    --m_cur;
    m_bReopen = true;
}

bool CLocalPlayCore::Begin()
{
    m_bStop = 0;
    m_nGeneration = 0;
    m_nSeekState = 0;
    m_bEnded = false;
    m_bFirstNode = true;
    m_bSkipReported = false;
    m_nLastHighest = -1;
    m_skip.fill(0);
    for (auto& w : m_wm) {
        if (w.handle)
            CallH264Decoder(kH264Close, w.handle, nullptr);
        w = WatermarkSlot();
    }
    if (!m_pList || m_cur == m_pList->end())
        return false;
    return OpenNode(true);
}

void CLocalPlayCore::End()
{
    for (auto& w : m_wm) {
        if (w.handle)
            CallH264Decoder(kH264Close, w.handle, nullptr);
        w.handle = nullptr;
        w.openState = 0;
    }
    m_set.Close();
    m_bOpen = false;
    m_bEnded = true;
}

void CLocalPlayCore::ChainSetupFor(const PlaylistNode& node)
{
    for (int ch = 0; ch < 16; ++ch)
        m_sink.SetWatermarkState(ch, -1);
    m_skip.fill(0);
    CloseAudio();
    m_bAfterSeek = false;
    m_bRedraw = 1;
    m_bResync = 1;
    m_nStepMask = 0;
    m_refTime = m_refTick = m_delay = 0;
    auto first = m_cur;
    while (first != m_pList->begin() && first->bContinuesPrev)
        --first;
    auto last = m_cur;
    while (last->bContinuesNext && std::next(last) != m_pList->end())
        ++last;
    m_nRangeStart = first->nEntryStart;
    m_nRangeEnd = last->nEntryEnd;
    const std::uint32_t mask = node.nChannelMask & 0xFFFF;
    int highest = 0;
    for (int ch = 15; ch >= 0; --ch) {
        if (mask & (1u << ch)) {
            highest = ch;
            break;
        }
    }
    const bool same = highest == m_nLastHighest;
    m_nLastHighest = highest;
    m_sink.ChainSetup(node.nChannelMask, highest, same, TimeDiff(m_nRangeEnd, m_nRangeStart));
}

// Opens the current node; a node whose files cannot be read is skipped in the
// direction of play, and the run ends only when none is left.
bool CLocalPlayCore::OpenNode(bool firstOfRun)
{
    m_bReopen = false;
    for (;;) {
        if (m_bStop)
            return false;
        const int state = m_nPlayState;
        const PlaylistNode& node = *m_cur;
        const bool backward = state == 2 || state == 10 || state == 1;
        bool newChain = false;
        if (state == 3 || state == 11)
            newChain = !node.bContinuesPrev;
        else if (state == 2 || state == 10)
            newChain = !node.bContinuesNext;
        if (m_nSeekState == 0 && (firstOfRun || newChain))
            ChainSetupFor(node);

        m_set.Close();
        m_bOpen = false;
        bool ok = m_set.OpenFiles(node.strIdxPath) == LocalSetFault::None;
        std::uint8_t header[kHeaderSize];
        ok = ok && m_set.m_idx.ReadAt(0, header, sizeof header) && ReadLE32(header + kMagicAt) == kHeaderMagic;
        if (!ok) {
            if (!m_bSkipReported) {
                m_bSkipReported = true;
                const std::string& p = node.strIdxPath;
                const std::size_t slash = p.rfind('/');
                std::string name = p.substr(slash == std::string::npos ? 0 : slash + 1);
                if (name.size() > 4)
                    name.resize(name.size() - 4);
                m_sink.ReportSkippedSet(name);
            }
            if (backward ? HasPrev() : HasNext()) {
                if (backward)
                    --m_cur;
                else
                    ++m_cur;
                continue;
            }
            return false;
        }
        m_bOpen = true;
        const std::uint32_t recordsEnd = m_set.VihRecordsEnd();
        auto clampRec = [recordsEnd](int v) {
            return std::clamp<std::uint32_t>(static_cast<std::uint32_t>(std::max(v, 64)), 64, recordsEnd);
        };
        const std::uint32_t entryFirst = clampRec(node.nEntryFirstRecord);
        const std::uint32_t entryEnd = std::max(entryFirst, clampRec(node.nEntryRecordsEnd));
        const std::uint32_t firstPlay = std::clamp(clampRec(node.nFirstPlayRecord), entryFirst, entryEnd);
        m_lower = node.nCutKind == 2 ? firstPlay : entryFirst;
        m_upper = node.nCutKind == 3 ? firstPlay : entryEnd;
        if (state == 1 || state == 2 || state == 10) {
            if (m_nSeekState == 0) {
                m_sink.SetSliderPos(TimeDiff(node.nEntryEnd, m_nRangeStart));
                m_pos = entryEnd;
            }
        } else {
            if (m_bFirstNode)
                m_sink.SetSliderPos(TimeDiff(node.nPlayStart, m_nRangeStart));
            else if (m_nSeekState == 0)
                m_sink.SetSliderPos(TimeDiff(node.nEntryStart, m_nRangeStart));
            m_pos = node.nCutKind == 3 ? entryFirst : firstPlay;
        }
        m_bFirstNode = false;
        return true;
    }
}

int CLocalPlayCore::ReadRecordAt(std::uint32_t at)
{
    if (!m_set.ReadRecord(at, m_record))
        return -2;
    FrameHeaderFields f;
    const std::uint32_t vid = ReadLE32(m_record + kRecVidAt);
    if (!m_set.ReadFrameHeader(vid, f))
        return -2;
    MakeFrameInfo(f, m_info);
    m_info.stream_seq = static_cast<std::uint32_t>(m_nGeneration.load());
    return IsValidVideoSize(m_info.width, m_info.height) ? 0 : 1;
}

// 0 valid, 1 a size to skip, -2 nothing more to read in this node.
int CLocalPlayCore::ReadNextFrame()
{
    const int r = ReadRecordAt(m_pos);
    if (r == -2)
        return -2;
    m_pos += kRecord;
    return r;
}

// Reads the record before the position; the position stays just after it.
int CLocalPlayCore::ReadPrevFrame()
{
    if (m_pos < kHeaderSize + kRecord)
        return -1;
    return ReadRecordAt(m_pos - kRecord);
}

// The node holding the seek target: backward while the node starts after it,
// then forward while the node ends before it. A target in a gap lands on the
// start of the first node ending after it; the walk stops at the list's ends.
bool CLocalPlayCore::FindNodeForTime()
{
    const auto before = m_cur;
    const int target = m_nSeekTime;
    while (m_cur->nEntryStart > target && m_cur != m_pList->begin())
        --m_cur;
    while (m_cur->nEntryEnd < target && std::next(m_cur) != m_pList->end())
        ++m_cur;
    return m_cur == before;
}

bool CLocalPlayCore::SeekInNode()
{
    const PlaylistNode& node = *m_cur;
    LocalIdxEntry e;
    if (!m_set.ReadEntry(node.nEntryIndex, e))
        return true;
    // The entry's own items only: from its list's start to the first item that
    // names a record past the node.
    const std::uint64_t areaEnd = m_set.ItemAreaEnd();
    if (e.itemPos < kItemListOffset || e.itemPos >= areaEnd)
        return true;
    const std::uint64_t span = std::min<std::uint64_t>(areaEnd - e.itemPos, 8ull * 86400 * 2);
    std::vector<std::uint8_t> raw(static_cast<std::size_t>(span / kItemSize * kItemSize));
    if (raw.empty() || !m_set.m_idx.ReadAt(e.itemPos, raw.data(), raw.size()))
        return true;
    std::vector<std::uint32_t> items;
    for (std::size_t i = 0; i + kItemSize <= raw.size(); i += kItemSize) {
        const std::uint32_t at = ReadLE32(raw.data() + i);
        if (at < m_lower || at >= m_upper)
            break;
        items.push_back(at);
    }
    if (items.empty()) {
        // Nothing of this node can be sought: on to the next, or stay.
        if (HasNext()) {
            MoveNext();
            return false;
        }
        return true;
    }
    const std::int64_t target = m_nSeekTime;
    std::int64_t idx = std::clamp<std::int64_t>(target - node.nEntryStart, 0, static_cast<std::int64_t>(items.size()) - 1);
    int dir = 0;
    auto take = [this, &items](std::int64_t i) {
        const std::uint32_t at = items[static_cast<std::size_t>(i)];
        const int r = ReadRecordAt(at);
        m_pos = at + kRecord;
        return r;
    };
    for (;;) {
        const int r = take(idx);
        const std::int64_t t = r == -2 ? 0 : static_cast<std::int64_t>(ReadLE32(m_record + kRecTimeAt));
        if (r != 0 || t < 1) {
            if (idx > 0)
                take(idx - 1);
            return true;
        }
        if (t == target)
            return true;
        if (t < target) {
            if (dir < 0 || idx + 1 >= static_cast<std::int64_t>(items.size())) {
                // The target's second holds no record: the first record after it.
                if (dir < 0)
                    take(idx + 1);
                return true;
            }
            ++idx;
            dir = 1;
        } else {
            if (dir > 0 || idx == 0)
                return true;
            --idx;
            dir = -1;
        }
    }
}

int CLocalPlayCore::SeekToTime()
{
    int expected = 3;
    m_nSeekState.compare_exchange_strong(expected, 4);
    if (m_nSeekState != 4)
        return 0;
    m_bRedraw = 1;
    if (!FindNodeForTime()) {
        m_bReopen = true;
        return -1;
    }
    if (!SeekInNode())
        return -1;
    return IsValidVideoSize(m_info.width, m_info.height) ? 0 : 1;
}

bool CLocalPlayCore::WaitWorkerRoom(int channel)
{
    IDecodeWorker* w = m_sink.Worker(channel);
    while (w && w->QueueCount() > kWorkerRoom) {
        if (m_bStop)
            return false;
        m_clock.WaitFor(1);
    }
    return true;
}

bool CLocalPlayCore::SkipByCounter(int channel, int speedStep)
{
    // speedStep 0 shows every key frame, n every (n + 1)th.
    if (speedStep <= 0)
        return false;
    int& c = m_skip[static_cast<std::size_t>(channel)];
    if (c < speedStep) {
        ++c;
        return true;
    }
    c = 0;
    return false;
}

void CLocalPlayCore::PassForward()
{
    if (m_pos >= m_upper) {
        if (HasNext()) {
            MoveNext();
            m_nSeekState = 0;
            return;
        }
        if (m_nSeekState == 0) {
            CloseAudio();
            SetPlayCommand(4);
            return;
        }
        m_pos = m_upper > m_lower + kRecord ? m_upper - kRecord : m_lower;
    }
    int r;
    if (m_nSeekState >= 3) {
        CloseAudio();
        r = SeekToTime();
        if (r == 0)
            m_nSeekState = 0;
    } else {
        r = ReadNextFrame();
    }
    if (r == 1)
        return;
    if (r == -1) {
        m_bReopen = true;
        return;
    }
    if (r == -2) {
        m_pos = m_upper; // a short read ends the node
        return;
    }
    const int speed = m_nSpeed;
    if (speed == 1) {
        if (!HasAudio() && m_cur->bAudio == 1)
            OpenAudio();
        Show();
        return;
    }
    if (speed == 11 || m_nPlayState == 11) {
        Show();
        return;
    }
    if (speed >= 2 && speed <= 6) {
        if (!WaitWorkerRoom(m_info.channel))
            return;
        if (m_info.frame_type != 1)
            return;
        if (SkipByCounter(m_info.channel, speed - 2))
            return;
        Show();
    }
}

// One record back: the position moves to the start of the record last read.
// True when that is the node's first record, so nothing lies before it.
bool CLocalPlayCore::StepBackHitsLower()
{
    if (m_pos >= kHeaderSize + kRecord)
        m_pos -= kRecord;
    return m_pos <= m_lower;
}

// The backward read of a pass: the seek's frame, or the record before the
// position. 0 a frame to handle, 1 a frame to skip, -1 the pass is done.
int CLocalPlayCore::BackwardRead(bool stepState)
{
    if (m_nSeekState >= 3) {
        const int r = SeekToTime();
        if (r == 0) {
            m_nSeekState = 0;
            return 0;
        }
        if (r == -1)
            m_bReopen = true;
        return -1;
    }
    if (StepBackHitsLower()) {
        if (HasPrev()) {
            if (!stepState) {
                MovePrev();
                m_nSeekState = 0;
            } else if (m_cur->bContinuesPrev) {
                MovePrev();
            } else {
                m_nPlayState = 4;
            }
            return -1;
        }
        if (m_nSeekState == 0) {
            SetPlayCommand(4);
            return -1;
        }
        // While the slider is held the first record is read again.
        m_pos = m_lower + kRecord;
    }
    const int r = ReadPrevFrame();
    if (r == 1)
        return 1;
    if (r < 0) {
        m_pos = m_lower;
        return -1;
    }
    return 0;
}

void CLocalPlayCore::PassBackward()
{
    if (BackwardRead(false) != 0)
        return;
    if (!WaitWorkerRoom(m_info.channel))
        return;
    if (m_info.frame_type != 1)
        return;
    const int speed = m_nSpeed;
    const int step = speed <= -3 && speed >= -6 ? -speed - 2 : 0;
    if (SkipByCounter(m_info.channel, step))
        return;
    Show();
}

void CLocalPlayCore::PassStepBack()
{
    if (BackwardRead(true) != 0)
        return;
    if (m_info.frame_type != 1 || m_info.data_size == 0)
        return;
    const std::uint32_t bit = 1u << m_info.channel;
    if (m_nStepMask.load() & bit) {
        SetPlayCommand(4);
        m_bRedraw = 1;
        return;
    }
    if ((m_sink.VisibleChannels() & bit) == 0)
        return;
    m_nStepMask |= bit;
    Show();
}

void CLocalPlayCore::PassStepForward()
{
    if (m_pos >= m_upper) {
        if (HasNext() && m_cur->bContinuesNext) {
            MoveNext();
            return;
        }
        if (HasNext()) {
            if (m_nSeekState < 3) {
                SetPlayCommand(4);
                return;
            }
        } else if (m_nSeekState == 0) {
            m_nPlayState = 4;
            return;
        } else {
            m_pos = m_upper > m_lower + kRecord ? m_upper - kRecord : m_lower;
        }
    }
    int r;
    if (m_nSeekState >= 3) {
        r = SeekToTime();
        if (r == 0)
            m_nSeekState = 0;
        m_bAfterSeek = true;
    } else {
        r = ReadNextFrame();
    }
    if (r == 1)
        return;
    if (r == -1) {
        m_bReopen = true;
        return;
    }
    if (r == -2) {
        m_pos = m_upper;
        return;
    }
    if (m_bAfterSeek && m_info.frame_type != 1)
        return;
    if (m_info.data_size == 0)
        return;
    const std::uint32_t bit = 1u << m_info.channel;
    if (m_nStepMask.load() & bit) {
        SetPlayCommand(4);
        m_pos -= kRecord;
        if (m_bAfterSeek) {
            m_bRedraw = 1;
            m_bAfterSeek = false;
        }
        return;
    }
    if ((m_sink.VisibleChannels() & bit) == 0)
        return;
    if (m_bRedraw && m_info.frame_type == 0)
        return;
    m_nStepMask |= bit;
    Show();
}

bool CLocalPlayCore::Pass()
{
    if (m_bEnded || m_bStop || !m_bOpen)
        return false;
    if (m_bReopen && !OpenNode(false)) {
        m_bEnded = true;
        return false;
    }
    switch (m_nPlayState.load()) {
    case 4:
        m_nStepMask = 0;
        m_clock.WaitFor(50);
        break;
    case 3:
    case 11:
        PassForward();
        break;
    case 2:
    case 10:
        PassBackward();
        break;
    case 1:
        PassStepBack();
        break;
    case 7:
        PassStepForward();
        break;
    default:
        m_clock.WaitFor(50);
        break;
    }
    return !m_bStop;
}

void CLocalPlayCore::Show()
{
    const std::uint32_t time = ReadLE32(m_record + kRecTimeAt);
    m_sink.SetPlaybackTime(time);
    const std::int64_t rel = static_cast<std::int64_t>(time) - m_nRangeStart;
    if (m_nSeekState == 0 && rel <= static_cast<std::int64_t>(m_nRangeEnd) - m_nRangeStart)
        m_sink.SetSliderPos(static_cast<int>(rel));
    std::memset(m_info.caption, 0, sizeof m_info.caption);
    if (ReadLE32(m_record + kRecTitleFlagAt) != 0)
        std::memcpy(m_info.caption, m_record + kRecTitleAt, sizeof m_info.caption - 1);
    else
        std::snprintf(m_info.caption, sizeof m_info.caption, "CH%d", m_info.channel + 1);
    const std::int64_t t = static_cast<std::int64_t>(m_info.time_sec) * 1000 + m_info.time_msec;
    if (m_bRedraw || m_bResync) {
        m_refTime = t - 100;
        m_refTick = m_clock.NowMs();
        if (m_bRedraw.exchange(0))
            ++m_nGeneration;
        m_bResync = 0;
    }
    m_info.stream_seq = static_cast<std::uint32_t>(m_nGeneration.load());

    // The whole frame or nothing: a short read ends the node.
    const std::uint64_t total = static_cast<std::uint64_t>(m_info.frame_size) + m_info.audio_size;
    const std::uint32_t vid = ReadLE32(m_record + kRecVidAt);
    // The buffer grows to the largest frame played, up to the largest a
    // recorder writes: a player of small frames never holds a megabyte.
    if (total <= kMaxFrame && total > m_frameBuffer.size())
        m_frameBuffer.resize(static_cast<std::size_t>(total));
    if (total > m_frameBuffer.size() || !m_set.m_vid.ReadAt(vid, m_frameBuffer.data(), total)) {
        m_pos = (m_nPlayState == 2 || m_nPlayState == 10 || m_nPlayState == 1) ? m_lower : m_upper;
        return;
    }
    ++m_stats.shown;
    if (m_info.data_size > 0) {
        if (IDecodeWorker* w = m_sink.Worker(m_info.channel); w && !w->IsDiscarding()) {
            WireHeader h{};
            h.word[0] = 0x0901;
            h.word[1] = static_cast<std::uint32_t>((m_info.channel & 0xF) << 6) << 16;
            if (w->Queue(QueuedFrame::Make(m_info, h, m_frameBuffer.data(), m_info.frame_size)))
                ++m_stats.queued;
        }
    }
    if (m_info.frame_size > kFrameHeadSize)
        CheckFrame(m_frameBuffer.data() + kFrameHeadSize, m_info.data_size);
    if (m_bRedraw)
        return;
    if (m_nSpeed == 1 && m_info.audio_size > 0)
        Audio(m_frameBuffer.data() + m_info.frame_size, m_info.audio_size);
    Pace();
}

void CLocalPlayCore::CheckFrame(const std::uint8_t* data, std::uint32_t length)
{
    const int ch = m_info.channel;
    if (m_nSpeed != 1 || !m_sink.WatermarkOn()) {
        m_sink.SetWatermarkState(ch, -1);
        return;
    }
    ++m_stats.checked;
    const std::uint8_t kind = m_record[kRecCheckAt];
    if (kind == 3) {
        const std::uint16_t want =
            static_cast<std::uint16_t>(m_record[kRecChecksumAt] | (m_record[kRecChecksumAt + 1] << 8));
        if (ComputeItemChecksum(data, length) == want) {
            m_sink.SetWatermarkState(ch, 1);
        } else {
            SetPlayCommand(4);
            m_sink.SetWatermarkState(ch, 2);
        }
        return;
    }
    if (kind != 2) {
        m_sink.SetWatermarkState(ch, 0);
        return;
    }
    WatermarkSlot& s = m_wm[static_cast<std::size_t>(ch)];
    if (m_info.width != s.width || m_info.height != s.height) {
        if (m_info.frame_type == 1) {
            if (s.openState == 0 || s.openState == -1)
                s.openState = 1;
            else if (s.openState == 3 || s.openState == -2)
                s.openState = 2;
            s.width = m_info.width;
            s.height = m_info.height;
        } else if (s.openState == 0) {
            s.openState = -1;
        } else if (s.openState == 3) {
            s.openState = -2;
        }
    }
    if (s.openState == 1 || s.openState == 2) {
        if (s.openState == 2 && s.handle) {
            CallH264Decoder(kH264Close, s.handle, nullptr);
            s.handle = nullptr;
        }
        H264DecoderHandle* h = nullptr;
        if (CallH264Decoder(kH264Open, nullptr, &h) == 0)
            s.handle = h;
        s.openState = 3;
    }
    if (s.openState != 3)
        return;
    if (!s.handle || length == 0) {
        // Nothing was decoded: no verdict rather than a stale one.
        m_sink.SetWatermarkState(ch, 0);
        return;
    }
    s.ctx.m_bInitialised = 0;
    s.ctx.m_bEnable = 1;
    s.ctx.m_dwKey = kWatermarkKey;
    s.ctx.m_nMismatches = 0;
    H264DecodeIo io;
    io.m_nLength = static_cast<int>(length);
    io.m_pData = data;
    io.m_pWatermark = &s.ctx;
    CallH264Decoder(kH264Decode, s.handle, &io);
    switch (GetWatermarkVerdict(s.ctx)) {
    case WatermarkVerdict::Verified:
        m_sink.SetWatermarkState(ch, 1);
        break;
    case WatermarkVerdict::Tampered:
        SetPlayCommand(4);
        m_sink.SetWatermarkState(ch, 2);
        break;
    case WatermarkVerdict::CannotVerify:
        m_sink.SetWatermarkState(ch, 0);
        break;
    }
}

void CLocalPlayCore::Audio(const std::uint8_t* area, std::uint32_t length)
{
    PlaylistNode& node = *m_cur;
    bool wanted = false;
    int index = 0;
    if (m_info.audio_channel == 0xFFFF) {
        node.nAudioSelection = 0;
        m_nAudioChannel = -1;
    } else if (m_info.audio_select == 1) {
        node.nAudioSelection = m_info.audio_channel;
        const int ch = m_sink.SingleViewChannel(m_info.audio_channel, index);
        m_nAudioChannel = ch;
        wanted = ch >= 0;
    } else {
        node.nAudioSelection = 0xFFFF;
        m_nAudioChannel = m_info.audio_channel;
        int unused = 0;
        wanted = m_info.audio_channel < 16 &&
                 m_sink.SingleViewChannel(static_cast<std::uint16_t>(1u << m_info.audio_channel), unused) ==
                     static_cast<int>(m_info.audio_channel);
        index = 0;
    }
    if (!wanted) {
        if (m_bAudioReset == 0) {
            CloseAudio();
            m_bAudioReset = 1;
        }
        return;
    }
    if (m_bAudioReset == 1) {
        OpenAudio();
        m_bAudioReset = 0;
    }
    // Only a chunk that lies inside the area is played; a channel index from
    // 4 up would start before it.
    const std::int64_t offset =
        static_cast<std::int64_t>(kAudioAreaStart) -
        (m_info.audio_select == 1 ? static_cast<std::int64_t>(kAudioChannelStride) * index : 0);
    const std::uint32_t chunk = length / 4;
    if (offset < 0 || chunk == 0 || offset + chunk > length)
        return;
    std::lock_guard<std::mutex> lock(m_csAudio);
    if (m_pAudio && m_pAudio->PutBlock(area + offset, chunk))
        ++m_stats.audioChunks;
}

void CLocalPlayCore::OpenAudio()
{
    CloseAudio();
    std::unique_ptr<IAudioWorker> audio = m_sink.CreateAudio();
    std::lock_guard<std::mutex> lock(m_csAudio);
    m_pAudio = std::move(audio);
}

void CLocalPlayCore::CloseAudio()
{
    std::unique_ptr<IAudioWorker> old;
    {
        std::lock_guard<std::mutex> lock(m_csAudio);
        old = std::move(m_pAudio);
    }
    if (old)
        old->Stop();
}

bool CLocalPlayCore::HasAudio()
{
    std::lock_guard<std::mutex> lock(m_csAudio);
    return m_pAudio != nullptr;
}

void CLocalPlayCore::Pace()
{
    const std::int64_t t = static_cast<std::int64_t>(m_info.time_sec) * 1000 + m_info.time_msec;
    const std::int64_t frameTick = m_clock.NowMs();
    const int speed = m_nSpeed;
    static const int kShift[7] = {0, 0, 1, 2, 4, 6, 8};
    if (speed == 1)
        m_delay = t - m_refTime;
    else if (speed >= 2 && speed <= 6)
        m_delay = (t - m_refTime) >> kShift[speed];
    else if (speed <= -2 && speed >= -6)
        m_delay = (m_refTime - t) >> kShift[-speed];
    const int state = m_nPlayState;
    if (state == 10)
        m_delay = (m_refTime - t) * 2;
    else if (state == 11)
        m_delay = (t - m_refTime) * 2;
    m_stats.lastDelay = m_delay;
    for (;;) {
        if (m_bStop)
            return;
        const int s = m_nPlayState;
        if (m_nSpeed != speed || s == 1 || s == 4 || s == 7 || m_nSeekState >= 3 || m_bRedraw)
            return;
        const std::int64_t now = m_clock.NowMs();
        if (now - m_refTick >= m_delay)
            return;
        if (now >= frameTick && now - frameTick > kGapCutMs) {
            // A gap in the recording is cut to three seconds.
            m_refTime = t;
            m_refTick = now;
            return;
        }
        const std::int64_t left = std::min(m_delay - (now - m_refTick), kGapCutMs + 1 - (now - frameTick));
        m_clock.WaitFor(static_cast<int>(std::max<std::int64_t>(1, left)));
    }
}

void CLocalPlayCore::SetPlayCommand(int command)
{
    switch (command) {
    case 1:
        m_nStepMask = 0;
        m_nPlayState = 1;
        CloseAudio();
        break;
    case 2: {
        m_bResync = 1;
        m_nPlayState = 2;
        const int speed = m_nSpeed;
        m_nSpeed = (speed >= -5 && speed <= -2) ? speed - 1 : -2;
        CloseAudio();
        break;
    }
    case 3: {
        m_nPlayState = 3;
        const int speed = m_nSpeed;
        if (speed >= 1 && speed <= 5) {
            m_nSpeed = speed + 1;
            CloseAudio();
        } else {
            m_nSpeed = 1;
        }
        m_bRedraw = 1;
        break;
    }
    case 4: {
        m_bResync = 1;
        const int state = m_nPlayState;
        if (state == 2 || state == 10) {
            m_nSpeed = 0;
            m_bRedraw = 1;
        } else if (state == 3 || state == 11) {
            const int speed = m_nSpeed;
            if (speed >= 2 && speed <= 6)
                m_bRedraw = 1;
            m_nSpeed = 7;
        }
        m_nPlayState = 4;
        CloseAudio();
        break;
    }
    case 7:
        m_nStepMask = 0;
        m_nPlayState = 7;
        CloseAudio();
        break;
    case 10:
        m_bResync = 1;
        m_nPlayState = 10;
        m_nSpeed = 10;
        CloseAudio();
        break;
    case 11:
        m_nPlayState = 11;
        m_nSpeed = 11;
        m_bRedraw = 1;
        CloseAudio();
        break;
    default:
        return;
    }
    m_clock.Wake();
    m_sink.CommandDone(command);
}

int CLocalPlayCore::GetPlaySpeed() const
{
    const int state = m_nPlayState;
    if (state == 10 || state == 11)
        return state;
    const int speed = m_nSpeed;
    if (speed >= 1 && speed <= 6)
        return speed;
    if (speed < 0)
        return speed + 1;
    return 0;
}

void CLocalPlayCore::RequestStop()
{
    m_bStop = 1;
    m_clock.Wake();
}
