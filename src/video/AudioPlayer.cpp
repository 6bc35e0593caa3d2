#include "video/AudioPlayer.h"

#include "platform/Trace.h"
#include "video/MuLaw.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <vector>

namespace {

struct AudioBlock
{
    std::array<BYTE, AUDIO_BLOCK_BYTES> data;
    std::size_t nLength = 0; // bytes the producer handed over, at most 512
};

} // namespace

struct CAudioPlayer::State
{
    const int nBlocks;
    const std::size_t nMaxQueued; // a ring's worth of audio; older blocks are shed beyond it
    const std::chrono::milliseconds stopBound;
    std::shared_ptr<CAudioClock> pClock;
    std::unique_ptr<CSoundSink> pOutput;

    mutable std::mutex csQueue;                // guards everything below
    std::condition_variable cvWake;            // to the play thread: a block, a flush, the stop
    mutable std::condition_variable cvDrained; // from the play thread: a block taken, the end
    std::deque<AudioBlock> queue;
    bool bFlush = false;
    bool bThreadDone = false;
    int nWriteCount = 0;
    std::atomic<bool> bStop{false};
    std::atomic<std::uint64_t> nFlushSeq{0}; // changes on every flush

    // Held across each write to the output and the flush's clear, so a unit
    // collected before a flush never reaches the output after it.
    std::mutex csWrite;

    State(int blocks, AudioPlayerOptions& options)
        : nBlocks(blocks), nMaxQueued(static_cast<std::size_t>(blocks) * SOUND_UNITS),
          stopBound(options.stopBound), pClock(options.pClock ? options.pClock : SystemAudioClock()),
          pOutput(std::move(options.pOutput))
    {
    }
};

CAudioPlayer::CAudioPlayer(int nBufferSetting, bool bPlayback, AudioPlayerOptions options)
    : m_nBlocks(AudioBlocksPerWrite(nBufferSetting)), m_bPlayback(bPlayback),
      m_pState(std::make_shared<State>(m_nBlocks, options))
{
    State& s = *m_pState;
    if (!s.pOutput) {
        SoundOutputOptions sound = std::move(options.sound);
        if (!sound.pClock)
            sound.pClock = s.pClock;
        auto output = std::make_unique<CSoundOutput>(bPlayback, std::move(sound));
        // Without a ring every write answers false; the player still consumes its queue.
        if (output->CreateBuffer(AudioUnitBytes(nBufferSetting)) != 0)
            TRACE("Audio output buffer not created\n");
        s.pOutput = std::move(output);
    }
    m_thread = std::thread(&CAudioPlayer::ThreadProc, m_pState);
}

CAudioPlayer::~CAudioPlayer()
{
    Stop();
}

bool CAudioPlayer::PutBlock(const BYTE* pData, std::size_t nLength)
{
    if (pData == nullptr && nLength != 0)
        return false;
    State& s = *m_pState;
    std::lock_guard<std::mutex> lock(s.csQueue);
    if (s.bStop.load() || s.bFlush)
        return false;
    if (s.queue.size() >= s.nMaxQueued) {
        // The play thread cannot keep up; the oldest audio is the least worth keeping.
        s.queue.pop_front();
        TRACE("Audio queue full; oldest block dropped\n");
    }
    AudioBlock& block = s.queue.emplace_back();
    block.nLength = std::min(nLength, AUDIO_BLOCK_BYTES);
    if (block.nLength != 0)
        std::memcpy(block.data.data(), pData, block.nLength);
    s.cvWake.notify_all();
    return true;
}

void CAudioPlayer::Flush()
{
    State& s = *m_pState;
    {
        std::lock_guard<std::mutex> lock(s.csQueue);
        s.bFlush = true;
        s.queue.clear();
        s.nWriteCount = 0;
        s.nFlushSeq.fetch_add(1);
        s.cvWake.notify_all();
        s.cvDrained.notify_all();
    }
    std::lock_guard<std::mutex> write(s.csWrite);
    s.pOutput->Clear();
}

void CAudioPlayer::Resume()
{
    State& s = *m_pState;
    std::lock_guard<std::mutex> lock(s.csQueue);
    s.bFlush = false;
}

int CAudioPlayer::QueueCount() const
{
    const State& s = *m_pState;
    std::lock_guard<std::mutex> lock(s.csQueue);
    return 2 + static_cast<int>(s.queue.size());
}

bool CAudioPlayer::WaitQueueDrained(std::chrono::milliseconds bound) const
{
    const State& s = *m_pState;
    std::unique_lock<std::mutex> lock(s.csQueue);
    return s.cvDrained.wait_for(lock, bound, [&] { return s.queue.empty(); });
}

int CAudioPlayer::WriteCount() const
{
    const State& s = *m_pState;
    std::lock_guard<std::mutex> lock(s.csQueue);
    return s.nWriteCount;
}

bool CAudioPlayer::Stop()
{
    State& s = *m_pState;
    {
        std::lock_guard<std::mutex> lock(s.csQueue);
        s.bStop.store(true);
        s.cvWake.notify_all();
    }
    if (!m_thread.joinable())
        return true;
    bool ended;
    {
        std::unique_lock<std::mutex> lock(s.csQueue);
        ended = s.cvDrained.wait_for(lock, s.stopBound, [&] { return s.bThreadDone; });
    }
    if (ended) {
        m_thread.join();
    } else {
        TRACE("Audio player thread did not stop in time\n");
        m_thread.detach();
    }
    return ended;
}

void CAudioPlayer::ThreadProc(std::shared_ptr<State> pState)
{
    State& s = *pState;
    const std::size_t unitBytes = static_cast<std::size_t>(s.nBlocks) * AUDIO_BLOCK_BYTES;
    std::vector<BYTE> collected(unitBytes);
    std::vector<std::int16_t> pcm(unitBytes);
    std::size_t fill = 0;

    std::unique_lock<std::mutex> lock(s.csQueue);
    std::uint64_t flushSeen = s.nFlushSeq.load();
    while (true) {
        s.cvWake.wait(lock,
                      [&] { return s.bStop.load() || !s.queue.empty() || s.nFlushSeq.load() != flushSeen; });
        if (s.bStop.load())
            break;
        if (s.nFlushSeq.load() != flushSeen) {
            // A flush discards the unit being collected.
            flushSeen = s.nFlushSeq.load();
            fill = 0;
        }
        if (s.queue.empty())
            continue;

        const AudioBlock& block = s.queue.front();
        std::memcpy(collected.data() + fill, block.data.data(), block.nLength);
        std::memset(collected.data() + fill + block.nLength, MULAW_SILENCE,
                    AUDIO_BLOCK_BYTES - block.nLength);
        fill += AUDIO_BLOCK_BYTES;
        s.queue.pop_front();
        if (s.queue.empty())
            s.cvDrained.notify_all();
        if (fill < unitBytes)
            continue;
        fill = 0;

        lock.unlock();
        MuLawDecode(collected.data(), unitBytes, pcm.data());
        bool flushed;
        {
            std::lock_guard<std::mutex> write(s.csWrite);
            flushed = s.nFlushSeq.load() != flushSeen;
            if (!flushed)
                s.pOutput->Write(static_cast<DWORD>(unitBytes * sizeof(std::int16_t)),
                                 reinterpret_cast<const BYTE*>(pcm.data()));
        }
        lock.lock();
        if (flushed)
            continue;
        if (++s.nWriteCount == 1) {
            // Let the next unit gather before the output needs it.
            const std::int64_t until = s.pClock->NowMs() + FIRST_WRITE_PAUSE_MS;
            s.pClock->WaitUntil(lock, s.cvWake, until, [&] { return s.bStop.load(); });
        } else if (s.nWriteCount > 1000) {
            s.nWriteCount = 100;
        }
    }
    s.bThreadDone = true;
    s.cvDrained.notify_all();
}
