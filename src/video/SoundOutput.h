// The sound output of the audio players: a ring of 16 write units of 16-bit
// PCM (8000 samples per second, one channel) that a play thread of its own
// hands to the sound device, unit after unit.
//
// The ring keeps the timing rules of the output:
// - the first write after a reset starts playing at once: live audio at the
//   unit just written; played-back audio after one unit of silence;
// - at every unit boundary the play thread checks the writer's lead (units
//   written but not yet played). The boundary is the end of the unit as heard:
//   a device with a buffer takes a unit's last frames well before it has
//   played them, and the next unit is not due until then. Live audio must
//   lead by exactly one unit: no unit written (underrun) or more than one
//   unit waiting (the stream got ahead of the play position) resets the
//   output, and the next write starts it afresh. Played-back audio may lead by up to the whole ring; an underrun
//   resets it, and it is resynchronised (reset) every 30 seconds;
// - a write that would overwrite a unit not yet played resets the output and
//   starts afresh with that write.
// A reset drops the units waiting in the ring (and, except after an underrun,
// what the device still holds); the write position is kept.
//
// Without a device (no sound card, or the PCM cannot be opened) the play
// thread paces the units by the clock and discards them, so the producers see
// the same timing. A device error (an underrun, a suspend) is recovered; a
// device that fails or disappears is closed and reopened every few seconds.
#pragma once

#include "platform/Types.h"
#include "video/AudioClock.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

constexpr unsigned SOUND_RATE = 8000;         // samples per second
constexpr unsigned SOUND_BYTES_PER_FRAME = 2; // one channel, 16 bits, little-endian
constexpr int SOUND_UNITS = 16;               // write units in the ring
constexpr std::int64_t PLAYBACK_RESYNC_MS = 30000;

// What the audio player needs of an output.
class CSoundSink
{
public:
    virtual ~CSoundSink() = default;
    // One write unit at most (count in bytes of PCM). False: the data was not taken.
    virtual bool Write(DWORD nCount, const BYTE* pData) = 0;
    // Silences the output at once and forgets what was written.
    virtual bool Clear() = 0;
};

// A playback device as the play thread uses it. Every call but Interrupt comes
// from the play thread.
class CSoundDevice
{
public:
    virtual ~CSoundDevice() = default;
    // Opens (or reopens) the device for the output's format. False: unavailable.
    virtual bool Open() = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // Hands frames to the device, blocking while it is full. Answers the frames
    // taken, or a negative errno.
    virtual long Write(const std::int16_t* pFrames, unsigned long nFrames) = 0;
    // After a failed Write: true when the device can be written again (an
    // underrun or a suspend recovered), false when it has to be reopened.
    virtual bool Recover(long nError) = 0;
    // Discards what the device holds and readies it for the next Write.
    virtual void Drop() = 0;
    // Frames per blocking Write, so that a stop is seen between them.
    virtual unsigned long ChunkFrames() const = 0;
    // Frames taken by Write and not yet heard (what the device's buffer still
    // holds). A device whose Write returns only once the frames have played
    // holds none. Called with the output's lock held: it must not block.
    virtual int QueuedFrames() { return 0; }
    // Ends a Write blocked in another thread as soon as the device allows; the
    // device is then left to be closed. Safe from any thread.
    virtual void Interrupt() = 0;
};

// The ALSA PCM of that name, opened in blocking mode.
std::unique_ptr<CSoundDevice> CreateAlsaSoundDevice(const std::string& strPcmName);

struct SoundOutputOptions
{
    std::string strPcmName = "default";
    bool bSilent = false;                  // no device: the clock-paced silent sink only
    std::unique_ptr<CSoundDevice> pDevice; // used instead of the ALSA PCM when set
    std::shared_ptr<CAudioClock> pClock;   // null: the system clock
    int nReopenMs = 2000;                  // pause between attempts to reopen a lost device
    std::chrono::milliseconds stopBound{2000};
};

class CSoundOutput final : public CSoundSink
{
public:
    enum ResetReason
    {
        RESET_UNDERRUN, // the unit due was not written
        RESET_LEAD,     // live audio got more than one unit ahead
        RESET_OVERRUN,  // a write would have overwritten a unit not yet played
        RESET_RESYNC,   // the periodic resynchronisation of played-back audio
        RESET_CLEAR,    // Clear
        RESET_REASONS
    };

    struct Status
    {
        bool bCreated = false;
        bool bPlaying = false; // false: the next write starts playing
        bool bDeviceOpen = false;
        std::int64_t nLead = 0;        // units written and not yet taken by the play thread
        std::int64_t nUnitsPlayed = 0; // units played out to their end (silent units included)
        // Units taken by Write, and the clock times (CAudioClock::NowMs) of
        // the first of them and of the play thread starting on its first unit
        // (device or silent pacing); NO_STAMP until then.
        std::int64_t nUnitsWritten = 0;
        std::int64_t nFirstWriteMs = CAudioClock::NO_STAMP;
        std::int64_t nFirstPlayMs = CAudioClock::NO_STAMP;
        std::array<int, RESET_REASONS> arrResets{};
        int nRecoveries = 0;   // device errors recovered in place
        int nDeviceErrors = 0; // device errors that closed the device
        int nOpens = 0;        // successful opens of the device
    };

    // bPlayback selects the rules of played-back audio instead of live audio.
    explicit CSoundOutput(bool bPlayback, SoundOutputOptions options = {});
    ~CSoundOutput() override;
    CSoundOutput(const CSoundOutput&) = delete;
    CSoundOutput& operator=(const CSoundOutput&) = delete;

    // Makes the ring of 16 units of nBlockSize bytes (even, non-zero) and
    // starts the play thread. 0, or -1 when the size is unusable or the ring
    // exists already.
    int CreateBuffer(DWORD nBlockSize);

    bool Write(DWORD nCount, const BYTE* pData) override;
    bool Clear() override;

    // Stops the play thread; false when it did not end within the bound (it
    // is then left to finish on its own; it holds nothing of this object's).
    bool StopThread();

    bool IsPlayback() const;
    DWORD BlockSize() const;
    Status GetStatus() const;
    // Waits until nUnits units have been played since creation; false when
    // the bound passed first.
    bool WaitUnitsPlayed(std::int64_t nUnits, std::chrono::milliseconds bound) const;

private:
    struct State;
    static void ThreadProc(std::shared_ptr<State> pState);

    std::shared_ptr<State> m_pState;
    std::thread m_thread;
};
