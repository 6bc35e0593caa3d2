#include "video/SoundOutput.h"

#include "platform/Trace.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <optional>
#include <vector>

static_assert(std::endian::native == std::endian::little, "the PCM is handed over as little-endian bytes");

namespace {

constexpr DWORD MAX_BLOCK_SIZE = 1u << 20; // far above the largest AudioBuf unit

int Slot(std::int64_t index)
{
    return static_cast<int>(((index % SOUND_UNITS) + SOUND_UNITS) % SOUND_UNITS);
}

std::int64_t RoundUpToLap(std::int64_t index)
{
    const int slot = Slot(index);
    return slot == 0 ? index : index + (SOUND_UNITS - slot);
}

} // namespace

struct CSoundOutput::State
{
    const bool bPlayback;
    std::shared_ptr<CAudioClock> pClock;
    std::unique_ptr<CSoundDevice> pDevice; // touched by the play thread (and Interrupt)
    const int nReopenMs;
    const std::chrono::milliseconds stopBound;

    mutable std::mutex csLock;                // guards everything below
    std::condition_variable cvWake;           // to the play thread: a start, a reset, the stop
    mutable std::condition_variable cvPlayed; // from the play thread: a unit played, the end

    DWORD nBlockSize = 0;
    unsigned long nUnitFrames = 0;
    std::vector<std::int16_t> ring; // SOUND_UNITS units
    std::int64_t nWriteIndex = 0;   // unit number of the next write; its slot is the write position
    std::int64_t nPlayIndex = 0;    // unit number the play thread takes next
    bool bFirst = true;             // the next write starts playing
    std::uint64_t nStartSeq = 0;    // starts so far; a new start is not checked at its first unit
    bool bDropDevice = false;       // the device's held audio is to be discarded
    bool bDeviceOpen = false;
    bool bThreadDone = false;
    std::int64_t nReopenAt = 0;
    Status status;

    std::atomic<bool> bStop{false};
    std::atomic<std::uint64_t> nGeneration{0}; // changes on every reset: a unit in flight is abandoned

    State(bool playback, SoundOutputOptions& options)
        : bPlayback(playback), pClock(options.pClock ? options.pClock : SystemAudioClock()),
          pDevice(std::move(options.pDevice)), nReopenMs(options.nReopenMs), stopBound(options.stopBound)
    {
        if (!pDevice && !options.bSilent)
            pDevice = CreateAlsaSoundDevice(options.strPcmName);
    }

    std::int16_t* Unit(std::int64_t index) { return ring.data() + Slot(index) * nUnitFrames; }

    // Back to "first": what waits in the ring is dropped, the write position kept.
    void Reset(ResetReason reason)
    {
        bFirst = true;
        nPlayIndex = nWriteIndex;
        nGeneration.fetch_add(1);
        ++status.arrResets[reason];
        // After an underrun the device holds only the tail of good audio; let it play out.
        if (reason != RESET_UNDERRUN)
            bDropDevice = true;
        TRACE("Sound output reset %d\n", static_cast<int>(reason));
        cvWake.notify_all();
    }

    // The checks made when a unit has been played and the next one is due.
    std::optional<ResetReason> CheckPositions()
    {
        const std::int64_t lead = nWriteIndex - nPlayIndex;
        if (bPlayback) {
            const std::int64_t now = pClock->NowMs();
            const std::int64_t stamp = pClock->m_nResyncStamp.load();
            if (stamp != CAudioClock::NO_STAMP && now - stamp > PLAYBACK_RESYNC_MS) {
                pClock->m_nResyncStamp.store(now);
                return RESET_RESYNC;
            }
            if (lead <= 0)
                return RESET_UNDERRUN;
            return std::nullopt;
        }
        if (lead <= 0)
            return RESET_UNDERRUN;
        if (lead > 1)
            return RESET_LEAD;
        return std::nullopt;
    }

    // A unit boundary is judged when the unit has been heard. A device with a
    // buffer takes the unit's last frames while it still holds the frames
    // before them; until those have played the next unit is not late, so
    // without one the play thread waits that long for a write. Answers false
    // when a reset or the stop came meanwhile.
    bool AwaitPlayedOut(std::unique_lock<std::mutex>& lock)
    {
        if (!bDeviceOpen || nWriteIndex > nPlayIndex)
            return true;
        const int queued = pDevice->QueuedFrames();
        if (queued <= 0)
            return true;
        const std::uint64_t generation = nGeneration.load();
        const std::int64_t written = nWriteIndex;
        const auto frames = std::min<std::int64_t>(queued, nUnitFrames);
        const std::int64_t heardAt = pClock->NowMs() + (frames * 1000 + SOUND_RATE - 1) / SOUND_RATE;
        pClock->WaitUntil(lock, cvWake, heardAt, [&] {
            return bStop.load() || nGeneration.load() != generation || nWriteIndex != written;
        });
        return !bStop.load() && nGeneration.load() == generation;
    }

    // Opens the device with the lock released (opening may take a while).
    void TryOpen(std::unique_lock<std::mutex>& lock)
    {
        lock.unlock();
        const bool ok = !bStop.load() && pDevice->Open();
        lock.lock();
        bDeviceOpen = ok;
        if (ok)
            ++status.nOpens;
        else
            nReopenAt = pClock->NowMs() + nReopenMs;
    }

    void CloseDevice(std::unique_lock<std::mutex>& lock)
    {
        lock.unlock();
        pDevice->Close();
        lock.lock();
        bDeviceOpen = false;
    }

    // Plays the unit in `unit` through the device, or paces it by the clock
    // when there is none. Returns false when the unit was abandoned (a reset
    // or the stop came first).
    bool PlayUnit(std::unique_lock<std::mutex>& lock, const std::vector<std::int16_t>& unit,
                  std::uint64_t generation, bool fresh, std::int64_t& silentEnd)
    {
        if (pDevice && !bDeviceOpen && pClock->NowMs() >= nReopenAt)
            TryOpen(lock);

        unsigned long done = 0;
        if (bDeviceOpen) {
            lock.unlock();
            const unsigned long chunk = std::max(1ul, pDevice->ChunkFrames());
            int retries = 0;
            bool failed = false;
            int recovered = 0;
            while (done < nUnitFrames) {
                if (bStop.load() || nGeneration.load() != generation)
                    break;
                long n = pDevice->Write(unit.data() + done, std::min(chunk, nUnitFrames - done));
                if (n == 0)
                    n = -EIO; // a blocking write that takes nothing is as good as a failure
                if (n > 0) {
                    done += static_cast<unsigned long>(n);
                    retries = 0;
                    continue;
                }
                if (bStop.load())
                    break;
                if (++retries <= 3 && pDevice->Recover(n)) {
                    ++recovered;
                    continue;
                }
                TRACE("Sound device error %ld; reopening\n", n);
                failed = true;
                break;
            }
            lock.lock();
            status.nRecoveries += recovered;
            if (failed) {
                ++status.nDeviceErrors;
                CloseDevice(lock);
                nReopenAt = pClock->NowMs() + nReopenMs;
            }
            if (done == nUnitFrames) {
                silentEnd = CAudioClock::NO_STAMP;
                return true;
            }
            if (!failed)
                return false;
            fresh = true; // the rest of the unit is paced from now
        }

        // No device: keep the unit's time. Consecutive silent units follow one
        // another without drift.
        const std::int64_t now = pClock->NowMs();
        const std::int64_t start = (fresh || silentEnd == CAudioClock::NO_STAMP) ? now : silentEnd;
        silentEnd = start + static_cast<std::int64_t>((nUnitFrames - done) * 1000 / SOUND_RATE);
        const bool interrupted = pClock->WaitUntil(
            lock, cvWake, silentEnd, [&] { return bStop.load() || nGeneration.load() != generation; });
        return !interrupted;
    }
};

CSoundOutput::CSoundOutput(bool bPlayback, SoundOutputOptions options)
    : m_pState(std::make_shared<State>(bPlayback, options))
{
}

CSoundOutput::~CSoundOutput()
{
    StopThread();
}

int CSoundOutput::CreateBuffer(DWORD nBlockSize)
{
    State& s = *m_pState;
    {
        std::lock_guard<std::mutex> lock(s.csLock);
        if (s.nBlockSize != 0 || nBlockSize == 0 || nBlockSize % SOUND_BYTES_PER_FRAME != 0 ||
            nBlockSize > MAX_BLOCK_SIZE)
            return -1;
        s.nBlockSize = nBlockSize;
        s.nUnitFrames = nBlockSize / SOUND_BYTES_PER_FRAME;
        s.ring.assign(static_cast<std::size_t>(s.nUnitFrames) * SOUND_UNITS, 0);
        s.status.bCreated = true;
    }
    m_thread = std::thread(&CSoundOutput::ThreadProc, m_pState);
    return 0;
}

bool CSoundOutput::Write(DWORD nCount, const BYTE* pData)
{
    State& s = *m_pState;
    std::lock_guard<std::mutex> lock(s.csLock);
    if (s.nBlockSize == 0 || nCount > s.nBlockSize || nCount % SOUND_BYTES_PER_FRAME != 0 ||
        (nCount != 0 && pData == nullptr))
        return false;
    if (!s.bFirst && s.nWriteIndex - s.nPlayIndex >= SOUND_UNITS)
        s.Reset(RESET_OVERRUN);
    if (s.bFirst) {
        if (s.bPlayback) {
            // Played-back audio starts from the ring's first unit, after one
            // unit of silence in the last.
            std::fill(s.ring.begin(), s.ring.end(), std::int16_t{0});
            s.nWriteIndex = RoundUpToLap(s.nWriteIndex);
            s.nPlayIndex = s.nWriteIndex - 1;
        } else {
            s.nPlayIndex = s.nWriteIndex;
        }
        s.bFirst = false;
        ++s.nStartSeq;
        s.cvWake.notify_all();
    }
    std::int16_t* unit = s.Unit(s.nWriteIndex);
    std::memcpy(unit, pData, nCount);
    std::fill(unit + nCount / SOUND_BYTES_PER_FRAME, unit + s.nUnitFrames, std::int16_t{0});
    ++s.nWriteIndex;
    if (s.status.nUnitsWritten++ == 0)
        s.status.nFirstWriteMs = s.pClock->NowMs();
    s.cvWake.notify_all(); // the play thread may be waiting for this unit
    return true;
}

bool CSoundOutput::Clear()
{
    State& s = *m_pState;
    std::lock_guard<std::mutex> lock(s.csLock);
    if (s.nBlockSize == 0)
        return true;
    std::fill(s.ring.begin(), s.ring.end(), std::int16_t{0});
    s.nWriteIndex = RoundUpToLap(s.nWriteIndex);
    s.Reset(RESET_CLEAR);
    return true;
}

bool CSoundOutput::StopThread()
{
    State& s = *m_pState;
    {
        std::lock_guard<std::mutex> lock(s.csLock);
        s.bStop.store(true);
        s.cvWake.notify_all();
    }
    if (!m_thread.joinable())
        return true;
    if (s.pDevice)
        s.pDevice->Interrupt();
    bool ended;
    {
        std::unique_lock<std::mutex> lock(s.csLock);
        ended = s.cvPlayed.wait_for(lock, s.stopBound, [&] { return s.bThreadDone; });
    }
    if (ended) {
        m_thread.join();
    } else {
        TRACE("Sound output thread did not stop in time\n");
        m_thread.detach();
    }
    return ended;
}

bool CSoundOutput::IsPlayback() const
{
    return m_pState->bPlayback;
}

DWORD CSoundOutput::BlockSize() const
{
    std::lock_guard<std::mutex> lock(m_pState->csLock);
    return m_pState->nBlockSize;
}

CSoundOutput::Status CSoundOutput::GetStatus() const
{
    const State& s = *m_pState;
    std::lock_guard<std::mutex> lock(s.csLock);
    Status status = s.status;
    status.bPlaying = !s.bFirst;
    status.bDeviceOpen = s.bDeviceOpen;
    status.nLead = s.bFirst ? 0 : s.nWriteIndex - s.nPlayIndex;
    return status;
}

bool CSoundOutput::WaitUnitsPlayed(std::int64_t nUnits, std::chrono::milliseconds bound) const
{
    const State& s = *m_pState;
    std::unique_lock<std::mutex> lock(s.csLock);
    return s.cvPlayed.wait_for(lock, bound, [&] { return s.status.nUnitsPlayed >= nUnits; });
}

void CSoundOutput::ThreadProc(std::shared_ptr<State> pState)
{
    State& s = *pState;
    std::unique_lock<std::mutex> lock(s.csLock);
    if (s.pDevice)
        s.TryOpen(lock);
    if (s.bPlayback) {
        std::int64_t none = CAudioClock::NO_STAMP;
        s.pClock->m_nResyncStamp.compare_exchange_strong(none, s.pClock->NowMs());
    }

    std::vector<std::int16_t> unit(s.nUnitFrames);
    std::uint64_t lastStart = 0; // writes made before the thread ran are a start too
    std::int64_t silentEnd = CAudioClock::NO_STAMP;
    while (!s.bStop.load()) {
        if (s.bDropDevice) {
            s.bDropDevice = false;
            if (s.bDeviceOpen) {
                lock.unlock();
                s.pDevice->Drop();
                lock.lock();
            }
            continue;
        }
        if (s.bFirst) {
            s.cvWake.wait(lock, [&] { return s.bStop.load() || !s.bFirst || s.bDropDevice; });
            continue;
        }
        // A unit boundary. The first unit of a start is not checked: the
        // start itself placed it.
        const bool fresh = s.nStartSeq != lastStart;
        lastStart = s.nStartSeq;
        if (!fresh) {
            if (!s.AwaitPlayedOut(lock))
                continue;
            if (const auto reason = s.CheckPositions()) {
                s.Reset(*reason);
                continue;
            }
        }
        std::copy_n(s.Unit(s.nPlayIndex), s.nUnitFrames, unit.begin());
        ++s.nPlayIndex;
        if (s.status.nFirstPlayMs == CAudioClock::NO_STAMP)
            s.status.nFirstPlayMs = s.pClock->NowMs();
        if (s.PlayUnit(lock, unit, s.nGeneration.load(), fresh, silentEnd)) {
            ++s.status.nUnitsPlayed;
            s.cvPlayed.notify_all();
        }
    }
    if (s.pDevice && s.bDeviceOpen)
        s.CloseDevice(lock);
    s.bThreadDone = true;
    s.cvPlayed.notify_all();
}
