// Live view and remote playback on the recorder simulator: LIVE_REQ answered
// with LIVE_CHANNEL_INFO and a LIVE_DATA stream per channel, audio switched
// by AUDIO_ONOFF_REQ, LIVE_STOP; PLAY_ON_REQ answered with PLAY_ON_ACK and a
// PLAY_ON_DATA stream that honours the client's frame requests (control 61),
// ends with PLAY_ON_DONE or PLAY_ON_FAIL, moves to the time that controls 43
// and 44 name, and stops at RPLAY_STOP.
//
// Frames are H.264 access units the caller supplies (the simulator encodes
// nothing itself); each channel's frames are sent in a loop. Every frame gets
// a 40-byte frame header written here from the protocol, with every field
// the client decodes, and is split into fragments with 0x4000 on the last.
#pragma once

#include "RecorderSim.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace k5sim {

namespace id {
constexpr std::uint16_t LIVE_CHANNEL_INFO = 17, LIVE_DATA = 18, LIVE_STOP_ACK = 21, AUDIO_ONOFF_REQ = 23;
constexpr std::uint16_t PLAY_ON_REQ = 51, PLAY_CHANNEL_INFO = 52, PLAY_ON_ACK = 53, PLAY_ON_NACK = 54;
constexpr std::uint16_t PLAY_CONTROL_43 = 43, PLAY_CONTROL_44 = 44;
constexpr std::uint16_t PLAY_OFF_ACK = 56, PLAY_FRAME_REQ = 61, PLAY_CHANNEL_MASK = 62;
constexpr std::uint16_t PLAY_ON_DATA = 266, PLAY_ON_FAIL = 267, PLAY_ON_DONE = 268;
} // namespace id

inline constexpr std::uint16_t kLastFragment = 0x4000;
inline constexpr std::uint8_t kAudioSub = 0x08; // header parameter bit: audio streams
inline constexpr std::size_t kAudioSectionSize = 2048;

// One access unit of a channel's stream.
struct SimFrame
{
    Bytes data;
    bool key = false;
};

struct SimStream
{
    int width = 352;
    int height = 288;
    std::vector<SimFrame> frames; // sent in a loop
};

// The fields of a 40-byte frame header (little-endian words).
struct FrameFields
{
    int channel = 0;
    int width = 352;
    int height = 288;
    std::uint32_t dataSize = 0;
    std::uint32_t audioSize = 0;
    bool key = false;
    std::uint32_t timeSec = 0;
    std::uint16_t timeMsec = 0;
    // Audio source: with audioSelect the u16 at 24 is `audioMask`; else a
    // single channel `audioChannel` (u16 at 24 non-zero, word 8 bits 4-7).
    bool audioSelect = false;
    std::uint16_t audioMask = 0;
    int audioChannel = -1; // -1: no audio source
};
Bytes BuildFrameHeader(const FrameFields& fields);
// Size code of word 8 bits 8-11 for a picture size.
int FrameSizeCode(int width, int height);

// The 192-byte prefix of a recorded frame.
Bytes BuildRecordedPrefix(const std::string& stem, const std::string& caption);

struct LiveConfig
{
    int fps = 25;
    std::size_t fragment = 16384;     // payload bytes per data message (at most 65535)
    std::uint16_t videoLoss = 0;      // channels reported without video signal (no frames sent)
    std::uint16_t channels = 0xFFFF;  // channels the recorder streams
    std::uint32_t startTime = 1199145600u;
    // Frames per channel before the stream pauses (0: no limit).
    std::size_t frameLimit = 0;
    // Audio of the data: a single channel, or with audioSelect a mask.
    bool audioSelect = false;
    std::uint16_t audioMask = 0x000F;
    int audioChannel = 0;
};

struct PlayConfig
{
    int fps = 25;
    std::size_t fragment = 16384;
    std::uint16_t channels = 0x000F;
    std::uint32_t startTime = 1199145600u;
    bool recordedPrefix = false;      // frames carry the 192-byte prefix
    std::string stem = "kola5500";
    std::string caption;              // non-empty: the prefix names the channel caption
    std::uint8_t speedCode = 11;      // flags bits 0-5 of every data header
    std::size_t frames = 0;           // frames in all, then PLAY_ON_DONE (0: no end)
    std::int32_t failReason = 0;      // non-zero: PLAY_ON_FAIL with it instead of PLAY_ON_DONE
    std::int32_t refuseReason = 0;    // non-zero: PLAY_ON_NACK with it instead of PLAY_ON_ACK
    bool honourCredits = true;        // send only frames the client asked for
};

class SimLive
{
public:
    // Registers the handlers of live view and playback on `sim`.
    explicit SimLive(RecorderSim& sim);
    // Stops streaming and removes the handlers.
    ~SimLive();
    SimLive(const SimLive&) = delete;
    SimLive& operator=(const SimLive&) = delete;

    // Before the client asks.
    void SetStream(int channel, SimStream stream);
    LiveConfig& Live() { return m_live; }
    PlayConfig& Play() { return m_play; }

    bool LiveRunning() const { return m_liveOn; }
    bool PlayRunning() const { return m_playOn; }
    bool AudioOn() const { return m_audioOn; }
    // Frames sent so far.
    std::size_t LiveFramesSent(int channel) const;
    std::size_t PlayFramesSent() const;
    std::int64_t PlayCredits() const;
    // Waits until every streamed channel sent at least n live frames.
    bool WaitLiveFrames(std::size_t n, std::chrono::milliseconds timeout = std::chrono::seconds(10));

    // The playback's speed code from now on.
    void SetSpeedCode(std::uint8_t code) { m_speedCode = code; }

    // Called with each PLAY_ON_REQ's body before it is answered, to fit the
    // playback to what the recorder holds (channels, start, refusal).
    using PlayPlanner = std::function<void(const Bytes& body, PlayConfig& play)>;
    void SetPlayPlanner(PlayPlanner planner);

private:
    void OnLiveReq(const Message& m);
    void OnLiveStop();
    void OnPlayOnReq();
    void OnPlayStop();
    void OnFrameReq(const Message& m);
    void OnSeek(const Message& m);
    void Run();
    bool SendFrame(std::uint16_t msgId, const Bytes& frame, std::uint16_t flagBits, std::uint8_t sub,
                   std::size_t fragment);
    Bytes MakeLiveFrame(int channel, std::size_t number, bool audio);
    Bytes MakePlayFrame(int channel, std::size_t number);
    Bytes AudioSection(std::size_t number) const;
    void Wake();
    std::uint8_t AudioSub() const { return m_audioOn ? kAudioSub : 0; }

    RecorderSim& m_sim;
    std::mutex m_plannerLock;
    PlayPlanner m_planner;
    LiveConfig m_live;
    PlayConfig m_play;
    std::array<SimStream, 16> m_streams;

    std::atomic<bool> m_liveOn{false};
    std::atomic<bool> m_playOn{false};
    std::atomic<bool> m_audioOn{false};
    std::atomic<std::uint16_t> m_liveMask{0};
    std::atomic<std::uint16_t> m_playMask{0};
    std::atomic<std::uint8_t> m_speedCode{11};
    std::atomic<std::int64_t> m_credits{0};

    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    std::condition_variable m_progress;
    bool m_quit = false;
    std::array<std::size_t, 16> m_liveSent{};
    std::size_t m_playSent = 0;
    std::array<std::size_t, 16> m_playNext{}; // each channel's next played frame
    std::chrono::steady_clock::time_point m_liveStart;
    std::chrono::steady_clock::time_point m_playStart;
    std::thread m_thread;
};

} // namespace k5sim
