// The audio player: collects the recorder's mu-law audio blocks from its
// queue, decodes them to 16-bit PCM and hands them, one write unit at a time,
// to its sound output.
//
// Producers (the receive thread for live view and remote playback, the local
// player for local playback) only hand over blocks with PutBlock and, for
// played-back audio, pause and resume the player with Flush and Resume. The
// owner stops it with Stop (or by destroying it); blocks still queued are freed.
#pragma once

#include "platform/Types.h"
#include "video/AudioClock.h"
#include "video/SoundOutput.h"

#include <chrono>
#include <cstddef>
#include <memory>
#include <thread>

// One audio block of the recorder: 512 mu-law bytes, 64 ms at 8000 samples/s.
constexpr std::size_t AUDIO_BLOCK_BYTES = 512;
constexpr int AUDIO_BLOCK_MS = 64;

// Which entry of the AudioBuf setting (CClientDlg::m_arrAudioBuf) a player takes.
enum AudioBufEntry
{
    AUDIOBUF_LIVE = 0,
    AUDIOBUF_REMOTE_PLAYBACK = 1,
    AUDIOBUF_LOCAL_PLAYBACK = 2
};

// Geometry for the AudioBuf value n: a write unit of n + 3 blocks, that is
// (n + 3) x 1024 bytes of PCM or (n + 3) x 64 ms; the output holds 16 units.
constexpr int AudioBlocksPerWrite(int nBufferSetting)
{
    return (nBufferSetting < 0 ? 0 : nBufferSetting > 255 ? 255 : nBufferSetting) + 3;
}
constexpr DWORD AudioUnitBytes(int nBufferSetting)
{
    return static_cast<DWORD>(AudioBlocksPerWrite(nBufferSetting)) * AUDIO_BLOCK_BYTES *
           SOUND_BYTES_PER_FRAME;
}
constexpr int AudioUnitMs(int nBufferSetting)
{
    return AudioBlocksPerWrite(nBufferSetting) * AUDIO_BLOCK_MS;
}

struct AudioPlayerOptions
{
    std::shared_ptr<CAudioClock> pClock; // null: the system clock
    std::unique_ptr<CSoundSink> pOutput; // null: a CSoundOutput made from `sound`
    SoundOutputOptions sound;            // its clock defaults to the player's
    std::chrono::milliseconds stopBound{2000};
};

class CAudioPlayer
{
public:
    // The pause after the first write of a start and after each flush.
    static constexpr int FIRST_WRITE_PAUSE_MS = 100;

    // nBufferSetting: the AudioBuf value; bPlayback: played-back rather than live audio.
    CAudioPlayer(int nBufferSetting, bool bPlayback, AudioPlayerOptions options = {});
    ~CAudioPlayer();
    CAudioPlayer(const CAudioPlayer&) = delete;
    CAudioPlayer& operator=(const CAudioPlayer&) = delete;

    // Queues one block of nLength mu-law bytes (copied). A short block is
    // played padded with silence, a long one cut to 512 bytes. False when the
    // block was not queued (flushing, stopped, no data).
    bool PutBlock(const BYTE* pData, std::size_t nLength);

    // Pauses the audio: drops the queued blocks and the unit being collected,
    // silences the output and refuses blocks until Resume. The next write
    // after Resume is again followed by the start pause.
    void Flush();
    void Resume();

    // The queue's count as its stoppers know it: 2 when it holds no block,
    // 2 + the number of blocks otherwise.
    int QueueCount() const;
    // Waits until the player has taken every queued block (a count of 2);
    // false when the bound passed first.
    bool WaitQueueDrained(std::chrono::milliseconds bound) const;

    // Stops the play thread; false when it did not end within the bound.
    bool Stop();

    int Blocks() const { return m_nBlocks; }
    bool IsPlayback() const { return m_bPlayback; }
    // Writes to the output since the start or the last flush (1000 folds back to 100).
    int WriteCount() const;

private:
    struct State;
    static void ThreadProc(std::shared_ptr<State> pState);

    const int m_nBlocks;
    const bool m_bPlayback;
    std::shared_ptr<State> m_pState;
    std::thread m_thread;
};
