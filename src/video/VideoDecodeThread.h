// CVideoDecodeThread: the worker that turns one channel's queued H.264 frames
// into pictures of the video grid.
//
// Producers on other threads (the receive thread, the local player) queue
// whole frames; the worker's thread takes them in arrival order, waits for a
// key frame before it decodes anything of a stream, sheds a backlog by
// skipping predicted frames until the next key frame, runs each frame through
// the decoder library into the picture the channel's PictureBuffer lets it
// write, builds the cell's captions and publishes the picture to the grid.
//
// Threads and locks: the queue has its own mutex; the picture is written only
// by this thread and published under the channel's lock inside
// PictureBuffer, so the painter never sees a half-written picture and a still
// grab (PictureBuffer::CopyLatest) always copies a whole one. Flags that other
// threads set are atomics. The worker never waits for the GUI thread: a
// decoder that cannot be initialised is reported through DecodeEnv, whose
// implementation posts to the main window.
#pragma once

#include "net/DecodeQueue.h"
#include "platform/DecoderLibrary.h"
#include "video/GridSink.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

// The decoder library's entry points as the worker calls them; a null Init
// or GetOneFrame stands for a missing library.
struct DecoderEntryPoints
{
    PT_H264dec_Init_t Init = nullptr;
    PT_H264dec_Uninit_t Uninit = nullptr;
    PT_H264dec_GetOneFrame_t GetOneFrame = nullptr;
    PT_H264dec_SetOutput_t SetOutput = nullptr;

    static DecoderEntryPoints From(const DecoderLibrary& library)
    {
        return {library.Init, library.Uninit, library.GetOneFrame, library.SetOutput};
    }
};

// Results of PT_H264dec_GetOneFrame.
enum DecodeResult : int
{
    kDecodePicture = 0,
    kDecodeAgain = 1,
    kDecodeNoKey = 2,
    kDecodeBad = 3,
    kDecodeNoFit = 4,
    kDecodePicture5 = 5,
    kDecodeReinit = -5,
};

// No frame takes more decoder calls than this, whatever the library answers.
inline constexpr int kMaxDecodeCalls = 11;

// What decides a cell's audio mark besides the view mode.
struct AudioMarkInputs
{
    bool source = false;          // the connection (modes 1, 2) or the local player (mode 3) exists
    std::uint32_t soloChannel = 0; // the connection's audio-channel field (modes 1, 2)
    int playState = 0;            // modes 2 and 3
    int playSpeed = 0;
    // The main window's answer for (mode, channel): IsAudioChannel for a
    // single audio source, GetChannelState for a multi-channel one.
    int answer = -1;
};

// The mark to set, or nullopt to leave it as it is. `offset` is where the
// mark goes after the second caption line.
std::optional<GridFrame::AudioMark> DecideAudioMark(int viewMode, bool multi, const AudioMarkInputs& in,
                                                    int offset);

// The width a picture is shown with in its first caption line.
int ShownPictureWidth(int width);

// What the worker asks of the main window and the connection (or the local
// player) while it runs. Called on the worker's thread; every call returns
// at once.
class DecodeEnv
{
public:
    virtual ~DecodeEnv() = default;
    // Live view runs and the channel is to show no pictures: the recorder
    // reports no video signal on it, or the camera is hidden from the user.
    virtual bool DropLiveFrame(int channel) const = 0;
    // The playback clock's time (view mode 2: the connection's, 3: the local
    // player's); 0 when there is none.
    virtual std::uint32_t PlaybackClockTime(int viewMode) const = 0;
    // The main window's clock shows the time of the latest picture.
    virtual void SetMainClockTime(std::uint32_t time) = 0;
    // The channel's local camera name (empty when none is set) and the
    // recorder's camera name; both copied for the caller.
    virtual std::string LocalCameraName(int channel) const = 0;
    virtual std::string RecorderCameraName(int channel) const = 0;
    // The channel's Deinterlace setting is 0 (on).
    virtual bool DeinterlaceOn(int channel) const = 0;
    // The connected recorder is of the served model (no field reordering).
    virtual bool ServedModel() const = 0;
    virtual AudioMarkInputs AudioMarkState(int viewMode, int channel, bool multi) const = 0;
    // The decoder could not be initialised; the main window tells the user
    // ("H.264 Decoder Init Error !"). Posted, never waited for.
    virtual void ReportDecoderInitError() = 0;
};

struct DecodeWorkerOptions
{
    // Labels that begin the second caption line in view modes 1, 2 and 3;
    // empty ones are loaded from the resource bundle.
    std::array<std::string, 3> modeLabels;
    // Frames waiting beyond this are shed at once: the queue is cut and the
    // worker skips to the next key frame.
    int queueLimit = 64;
    // Called on the worker's thread after each picture was published, with
    // the time its frame arrived (the benchmark measures the delay).
    std::function<void(int channel, std::chrono::steady_clock::time_point arrival)> onPublished;
};

class CVideoDecodeThread final : public IDecodeWorker
{
public:
    // The queue count (sentinels included) above which predicted frames are
    // skipped until the next key frame: more than 28 frames waiting.
    static constexpr int kBacklogCount = 30;

    // Starts the worker's thread at once; it idles until frames come.
    CVideoDecodeThread(int channel, GridSink& grid, DecodeEnv& env, const DecoderEntryPoints& decoder,
                       DecodeWorkerOptions options = {});
    // Stops the thread (as Stop) and frees what is still queued.
    ~CVideoDecodeThread() override;
    CVideoDecodeThread(const CVideoDecodeThread&) = delete;
    CVideoDecodeThread& operator=(const CVideoDecodeThread&) = delete;

    // IDecodeWorker
    bool Queue(std::unique_ptr<QueuedFrame> frame) override;
    void SetDiscard(bool discard) override;
    bool IsDiscarding() const override { return m_bDiscard.load(); }
    int QueueCount() const override;
    bool WaitDrained(std::chrono::milliseconds bound) override;
    int Channel() const override { return m_nChannel; }
    // Ends the thread after the frame it is decoding; the decoder is
    // uninitialised and the channel's audio mark cleared. Idempotent.
    void Stop() override;

    bool IsRunning() const { return m_bRunning.load(); }
    bool IsStopRequested() const { return m_bStop.load(); }
    bool IsDropping() const { return m_bDropping.load(); }

    struct Stats
    {
        std::uint64_t queued = 0;     // frames accepted by Queue
        std::uint64_t refused = 0;    // frames Queue refused (discarding, stopped)
        std::uint64_t published = 0;  // pictures handed to the grid
        std::uint64_t waitingKey = 0; // predicted frames before a stream's key frame
        std::uint64_t shed = 0;       // frames skipped or cut because of a backlog
        std::uint64_t failed = 0;     // frames the decoder gave no picture for
        std::uint64_t discarded = 0;  // frames freed while discarding
        std::uint64_t dropLive = 0;   // frames of a channel without signal or hidden
        std::uint64_t decoderCalls = 0;
        std::uint64_t reinits = 0;    // re-initialisations after -5
        std::uint64_t notDecoded = 0; // frames of a kind that is never decoded
    };
    Stats GetStats() const;

private:
    struct Counters
    {
        std::atomic<std::uint64_t> queued{0}, refused{0}, published{0}, waitingKey{0}, shed{0}, failed{0},
            discarded{0}, dropLive{0}, decoderCalls{0}, reinits{0}, notDecoded{0};
    };

    struct Entry
    {
        std::unique_ptr<QueuedFrame> frame;
        bool afterCut = false; // the first frame queued after the queue was cut
    };

    void ThreadMain();
    // Takes the oldest frame; `count` is the queue count before the take.
    // Null when the thread is to end.
    std::unique_ptr<QueuedFrame> Take(int& count, bool& afterCut);
    void Process(const QueuedFrame& frame, int count, bool afterCut);
    void StartStream(const FrameInfo& info);
    void Decode(const FrameInfo& info, const std::uint8_t* frame, std::chrono::steady_clock::time_point arrival,
                std::uint32_t frameTime);
    int CallDecoder(const std::uint8_t* data, int length, std::uint8_t* picture);
    bool InitDecoder();
    void SetOutputFor(int width, int height);
    void Publish(const FrameInfo& info, std::uint32_t frameTime, std::chrono::steady_clock::time_point arrival);
    std::string Title(const FrameInfo& info, int cellWidth);

    const int m_nChannel;
    GridSink& m_grid;
    DecodeEnv& m_env;
    const DecoderEntryPoints m_decoder;
    DecodeWorkerOptions m_options;

    // Set by other threads; the worker never clears m_bStop or m_bDiscard,
    // so a request made before its first pass is kept.
    std::atomic<bool> m_bStop{false};
    std::atomic<bool> m_bDiscard{false};
    std::atomic<bool> m_bDropping{true};
    std::atomic<bool> m_bRunning{false};

    mutable std::mutex m_csQueue;
    std::condition_variable m_wake;    // frames queued, discard or stop
    std::condition_variable m_drained; // the queue ran empty, or the thread ended
    std::deque<Entry> m_queue;
    bool m_bTaking = false;    // a taken frame is still being worked on
    bool m_bCutPending = false; // the queue was cut; the next frame queued is marked

    Counters m_stats;

    // The worker thread's own state.
    H264DecContext m_decContext{};
    int m_nViewMode = 0;
    int m_nCharWidth = 0;
    int m_nFormat = PictureBuffer::kFormatYuv420;
    std::int64_t m_nLastGeneration = 0;
    int m_nLastWidth = 352;
    int m_nLastHeight = 240;
    bool m_bHaveKey = false;
    int m_nLastResult = 0;
    int m_nLastCellWidth = 0;
    std::string m_strTitleSource; // the text the fitted title was made from
    bool m_bTitleLocal = false;
    bool m_bTitleFitted = false;
    std::string m_strTitle; // the worker's own copy of the fitted title

    std::mutex m_threadLock;
    std::thread m_thread;
};
