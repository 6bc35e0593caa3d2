// The local player's engine without a thread or a widget: one pass of the
// frame loop at a time over the playlist, with the grid, the controls, the
// decode workers, the audio output and the clock behind narrow interfaces.
// CLocalPlayer runs it on its play thread; tests drive it pass by pass with a
// fake clock and fake sinks.
#pragma once

#include "local/LocalFileSet.h"
#include "local/LocalRecords.h"
#include "local/h264/H264Decoder.h"
#include "net/DecodeQueue.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// Time for pacing, and the waits that a command, a seek or a stop cut short.
class ILocalPlayClock
{
public:
    virtual ~ILocalPlayClock() = default;
    virtual std::int64_t NowMs() = 0;
    // Waits up to `ms`; returns early when woken.
    virtual void WaitFor(int ms) = 0;
    // Ends the current wait (any thread).
    virtual void Wake() = 0;
};

// The steady clock with a condition-variable wait.
class CLocalSteadyClock : public ILocalPlayClock
{
public:
    std::int64_t NowMs() override;
    void WaitFor(int ms) override;
    void Wake() override;

private:
    std::mutex m_lock;
    std::condition_variable m_cv;
    bool m_bWoken = false;
};

// What the engine does to the world. Every call is made on the play thread;
// implementations post to the GUI and never wait for it.
class ILocalPlaySink
{
public:
    virtual ~ILocalPlaySink() = default;
    // The channel's decode worker, or null.
    virtual IDecodeWorker* Worker(int channel) = 0;
    // The channels the grid shows now.
    virtual std::uint16_t VisibleChannels() = 0;
    // The single-view channel among a mask's channels (its index in the mask
    // into `index`), -1 when the grid does not show one of them alone.
    virtual int SingleViewChannel(std::uint16_t mask, int& index) = 0;
    virtual bool WatermarkOn() = 0;
    // The cell's check mark: -1 not checked, 0 nothing to check, 1 verified,
    // 2 failed.
    virtual void SetWatermarkState(int channel, int state) = 0;
    // A new chain: the layout for the channels (highest channel `highest`;
    // `sameLayout` when it equals the last chain's) and the slider's range.
    virtual void ChainSetup(std::uint32_t channelMask, int highest, bool sameLayout, int sliderMax) = 0;
    virtual void SetSliderPos(int pos) = 0;
    virtual void SetPlaybackTime(std::uint32_t time) = 0;
    // The buttons and the bookmark bar after a command; a repaint of the grid
    // after a pause or a step.
    virtual void CommandDone(int command) = 0;
    // A node that could not be read was skipped (told once per run).
    virtual void ReportSkippedSet(const std::string& name) = 0;
    virtual void PlayEnded() = 0;
    // The audio output of local playback; null when the PC has no sound.
    virtual std::unique_ptr<IAudioWorker> CreateAudio() = 0;
};

class CLocalPlayCore
{
public:
    CLocalPlayCore(ILocalPlaySink& sink, ILocalPlayClock& clock);
    ~CLocalPlayCore();
    CLocalPlayCore(const CLocalPlayCore&) = delete;
    CLocalPlayCore& operator=(const CLocalPlayCore&) = delete;

    // The playlist and the node to start at; both stay the caller's.
    void SetPlaylist(Playlist* list, Playlist::iterator current);
    // Start of a run: all per-channel state zeroed, the current node opened.
    // False when no node can be opened.
    bool Begin();
    // One pass of the frame loop; false once the run has ended.
    bool Pass();
    // Releases decoders and files.
    void End();

    // Any thread (the GUI's buttons, the engine's own pauses).
    void SetPlayCommand(int command);
    int GetPlaySpeed() const;
    void RequestStop();
    void CloseAudio();
    bool HasAudio();

    Playlist::iterator Current() const { return m_cur; }
    std::uint32_t Position() const { return m_pos; }

    std::atomic<int> m_nPlayState{0};
    std::atomic<int> m_nSpeed{0};
    std::atomic<int> m_nRangeStart{0};
    std::atomic<int> m_nRangeEnd{0};
    std::atomic<int> m_nSeekState{0};
    std::atomic<int> m_nSeekTime{0};
    std::atomic<int> m_nGeneration{0};
    std::atomic<BYTE> m_bRedraw{1};
    std::atomic<BYTE> m_bResync{1};
    std::atomic<BYTE> m_bStop{0};
    std::atomic<BYTE> m_bAudioReset{1};
    std::atomic<int> m_nAudioChannel{-1};

    // What a test or the benchmark reads back.
    struct Stats
    {
        std::uint64_t shown = 0;
        std::uint64_t queued = 0;
        std::uint64_t checked = 0;
        std::uint64_t audioChunks = 0;
        std::int64_t lastDelay = 0;
    };
    Stats m_stats;

private:
    struct WatermarkSlot
    {
        H264DecoderHandle* handle = nullptr;
        int width = 0;
        int height = 0;
        int openState = 0;
        WatermarkContext ctx{};
    };

    bool OpenNode(bool firstOfRun);
    void ChainSetupFor(const PlaylistNode& node);
    bool HasNext() const;
    bool HasPrev() const;
    void MoveNext();
    void MovePrev();
    int ReadNextFrame();
    int ReadPrevFrame();
    int ReadRecordAt(std::uint32_t at);
    int SeekToTime();
    bool FindNodeForTime();
    bool SeekInNode();
    void Show();
    void CheckFrame(const std::uint8_t* data, std::uint32_t length);
    void Audio(const std::uint8_t* area, std::uint32_t length);
    void OpenAudio();
    void Pace();
    bool WaitWorkerRoom(int channel);
    bool SkipByCounter(int channel, int speedStep);
    bool StepBackHitsLower();
    int BackwardRead(bool stepState);
    void PassForward();
    void PassBackward();
    void PassStepBack();
    void PassStepForward();

    ILocalPlaySink& m_sink;
    ILocalPlayClock& m_clock;
    Playlist* m_pList = nullptr;
    Playlist::iterator m_cur;
    CLocalFileSet m_set;
    bool m_bOpen = false;
    bool m_bFirstNode = true;
    bool m_bReopen = false;
    bool m_bEnded = false;
    bool m_bSkipReported = false;
    bool m_bAfterSeek = false;
    std::uint32_t m_lower = 0, m_upper = 0, m_pos = 0;
    std::uint8_t m_record[BackupFormat::kPrefixSize] = {};
    FrameInfo m_info{};
    // The channels shown in the current step; a new step starts empty.
    std::atomic<std::uint32_t> m_nStepMask{0};
    std::int64_t m_refTime = 0, m_refTick = 0, m_delay = 0;
    std::array<int, 16> m_skip{};
    std::array<WatermarkSlot, 16> m_wm{};
    int m_nLastHighest = -1;
    std::vector<std::uint8_t> m_frameBuffer;

    std::mutex m_csAudio;
    std::unique_ptr<IAudioWorker> m_pAudio;
};
