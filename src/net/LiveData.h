// The data path of live view and remote playback without the socket: the
// reassembly of fragmented frames, the checks a whole frame must pass before
// any of it is copied, the choice of the audio block, the recorder's speed
// codes, the resume decisions after a pause, the frame credits that keep the
// recorder from running ahead, the pacing of played-back frames and the
// stream numbers that tell a decode worker a new stream began.
//
// Everything here runs on the receive thread except where a comment says
// otherwise; none of it locks.
#pragma once

#include "net/Wire.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// ---------------------------------------------------------------------------
// Reassembly

// The one buffer that live and played-back frames are put together in.
class CStreamAssembler
{
public:
    // 720 x 576 x 3: no frame the recorder sends is larger.
    static constexpr std::size_t kCapacity = 1244160;

    explicit CStreamAssembler(std::size_t capacity = kCapacity);

    // Room for the next fragment of `length` bytes, or null when the frame
    // would outgrow the buffer. The room (and Data()) may move with each
    // call: it is valid until the next. On null the caller reads and drops the
    // fragment's bytes, and the whole frame is dropped: the fragments that
    // follow are drained as well, up to and including the last one.
    std::uint8_t* Reserve(std::size_t length);
    // The reserved bytes were filled.
    void Commit(std::size_t length);
    // Ends one fragment. True when it was the last fragment of a frame that
    // fit: Data()/Length() then hold the frame until Reset.
    bool EndFragment(bool last);

    // Copies a fragment that is already in memory (tests, the simulator).
    // True when a whole frame is ready.
    bool Append(const std::uint8_t* bytes, std::size_t length, bool last);

    const std::uint8_t* Data() const { return m_buffer.get(); }
    std::size_t Length() const { return m_length; }
    std::size_t Capacity() const { return m_capacity; }
    // Starts afresh (a frame was used or dropped, or the stream restarted).
    void Reset();
    // Gives the buffer holding the frame away (Data() up to Length(); its
    // size in `room`) instead of copying the frame out, and starts afresh
    // with `spare` of `spareRoom` bytes (null: a buffer is made when needed).
    std::unique_ptr<std::uint8_t[]> TakeBuffer(std::size_t& room, std::unique_ptr<std::uint8_t[]> spare = nullptr,
                                               std::size_t spareRoom = 0);

    // Frames dropped because they were longer than the buffer.
    std::uint64_t OversizeFrames() const { return m_oversize; }

private:
    std::unique_ptr<std::uint8_t[]> m_buffer;
    std::size_t m_capacity;
    std::size_t m_room = 0; // what m_buffer holds; grows up to m_capacity
    std::size_t m_length = 0;
    bool m_overflow = false;
    std::uint64_t m_oversize = 0;
};

// ---------------------------------------------------------------------------
// Whole frames

inline constexpr std::size_t kRecordedPrefixSize = 192;
inline constexpr std::size_t kPrefixCaptionFlagOffset = 20;
inline constexpr std::size_t kPrefixCaptionOffset = 96;
inline constexpr std::size_t kPrefixCaptionSize = 32;

enum class FrameCheck
{
    Ok,
    TooShort,   // not even the header(s)
    BadMarker,  // live: the first word is not 511
    BadStem,    // playback: neither 511 nor a known model stem
    BadChannel, // a channel at or beyond the recorder's channel count
    BadSizes,   // header + video + audio longer than what arrived
};

// A checked frame inside the reassembly buffer.
struct ParsedFrame
{
    FrameInfo info{};
    bool recorded = false;        // a played-back frame with its 192-byte prefix
    const std::uint8_t* frame = nullptr; // the FrameHeader, then info.data_size bytes of video
    std::size_t frameSize = 0;    // 40 + info.data_size
    const std::uint8_t* audio = nullptr; // the audio section (info.audio_size bytes)
};

// A live frame: marker 511, channel below `channelCount`, and every declared
// size inside `length`. FrameInfo::stream_seq and caption stay zero.
FrameCheck ParseLiveFrame(const std::uint8_t* bytes, std::size_t length, int channelCount, ParsedFrame& out);

// A played-back frame: either as live, or a 192-byte prefix whose model stem
// is exactly "mira3140" or "kola5500" followed by the frame. The caption is
// the prefix's (when its flag word says so, cut to 31 characters and
// terminated) or "CH<n>".
FrameCheck ParsePlayFrame(const std::uint8_t* bytes, std::size_t length, int channelCount, ParsedFrame& out);

// True when the prefix's stem (a C string within its first 32 bytes) is one
// of the two model stems.
bool IsKnownModelStem(const std::uint8_t* prefix);

// ---------------------------------------------------------------------------
// Audio

inline constexpr std::size_t kAudioBlockBase = 1536;
inline constexpr std::size_t kAudioBlockStep = 512;

// What the audio of one frame becomes.
struct AudioChoice
{
    bool play = false;          // queue a block; otherwise the player is stopped
    std::size_t offset = 0;     // of the block inside the audio section
    std::size_t length = 0;     // audio_size / 4
    int audioChannel = -1;      // the main window's audio channel
    int audioIndex = 0;         // its position among the mask's channels
    std::uint32_t soloChannel = 0xFFFF; // the connection's audio-channel field
};

// Picks the block of a frame's audio section. `singleViewChannel` is the
// channel the grid shows alone (layout 0), -1 when it shows several cells.
// With a channel mask the shown channel must be in the mask and its block
// is at 1536 - 512 x (its position among the mask's channels); a single
// audio channel plays only while the grid shows that channel alone, from
// 1536. A block that would not lie wholly inside the audio section is not
// played.
AudioChoice ChooseAudioBlock(const FrameInfo& info, int singleViewChannel);

// ---------------------------------------------------------------------------
// Playback speed

// The speed the recorder's speed code means on a recorder with version 1.2
// (-6..6, 0 for unknown codes).
int SpeedFromCodeVer12(int code);
// On older recorders, in play state 3 only: 11 -> 1, 12 -> 2, else 0.
// Outside state 3 the speed is left as it is (nullopt).
std::optional<int> SpeedFromCodeOld(int code, int playState);

// The speed the video grid shows (GetPlaySpeed).
int ShownPlaySpeed(bool cmdBusy, bool ver12, int playState, int playSpeed);

// The playback controls (message ids).
enum PlayCmd : std::uint16_t
{
    kCmd42 = PLAY_CONTROL_42,
    kCmd43 = PLAY_CONTROL_43,
    kCmd44 = PLAY_CONTROL_44,
    kCmd45 = PLAY_CONTROL_45,
    kCmd46 = PLAY_CONTROL_46,
    kCmdFrames = PLAY_FRAME_REQ,
    kCmdMask = PLAY_CHANNEL_MASK,
};

struct PlaySend
{
    std::uint16_t id = 0;
    std::uint32_t value = 0; // the u32 of 61 (frames) and 62 (mask); unused for the others
    friend bool operator==(const PlaySend&, const PlaySend&) = default;
};

// The decision on a frame that arrives while playback resumes after a pause.
struct ResumeAction
{
    bool resync = false;       // m_bPlayResync = 1
    bool endPending = false;   // pending = 0: normal playback again
    bool setCredit = false;    // credit = channel count
    std::vector<PlaySend> sends; // 62 carries `mask`
    friend bool operator==(const ResumeAction&, const ResumeAction&) = default;
};

// prevKind 0/1/2, state 1/2/3/7, F and L frame times in ms, credit already
// decreased for this frame, mask = channel mask AND the grid's visible ones.
ResumeAction DecideResume(int prevKind, int state, std::int64_t frameMs, std::int64_t lastMs, int credit,
                          int channelCount, std::uint32_t mask);

// The 24-byte body of controls 43 and 44: the channel mask at 0, byte 5 = 1
// on a version 1.1 recorder, the recorder time at 16; big-endian.
std::array<std::uint8_t, 24> PlayCommandBody(std::uint32_t channelMask, bool ver11, std::uint32_t recorderTime);

// ---------------------------------------------------------------------------
// Frame credits: 93 frames asked for at the start, 48 more after every 48.

class CFrameCredits
{
public:
    static constexpr std::uint32_t kInitial = 93;
    static constexpr std::uint32_t kRefill = 48;

    void Reset() { m_count = 0; }
    // One played-back frame. Returns the count to ask for now (48) or 0.
    // While a playback command is busy nothing is asked and nothing counted.
    std::uint32_t OnFrame(bool cmdBusy);
    int Count() const { return m_count; }

private:
    int m_count = 0;
};

// ---------------------------------------------------------------------------
// Pacing of played-back frames against the PC's clock

class CPlayPacer
{
public:
    using NowFn = std::function<std::int64_t()>;   // milliseconds of a steady clock
    using SleepFn = std::function<void(int ms)>;

    static constexpr std::int64_t kReanchorMs = 3000;

    // Defaults: the steady clock and a real sleep.
    CPlayPacer();
    CPlayPacer(NowFn now, SleepFn sleep);

    void Reset(); // all pacing values zero
    // The first frame after a command anchors the clock 100 ms before it.
    void Anchor(std::int64_t frameMs);
    // The delay after the anchor at which a frame of time `frameMs` is due at
    // `speed`; speeds 0 and -1 keep the previous delay.
    std::int64_t DelayFor(std::int64_t frameMs, int speed);

    enum class Wait
    {
        Due,         // the frame's time has come
        Interrupted, // keepWaiting said no
        Reanchored,  // 3000 ms passed: the anchor moved to this frame
    };
    // Waits in 1 ms steps until the frame is due; `keepWaiting` is asked
    // before every step (stop requested, speed changed, command busy).
    Wait WaitDue(std::int64_t frameMs, int speed, const std::function<bool()>& keepWaiting);

    std::int64_t RefMs() const { return m_refMs; }
    std::int64_t RefTick() const { return m_refTick; }
    std::int64_t Delay() const { return m_delay; }
    std::int64_t Now() const { return m_now(); }

private:
    NowFn m_now;
    SleepFn m_sleep;
    std::int64_t m_refMs = 0;
    std::int64_t m_refTick = 0;
    std::int64_t m_delay = 0;
};

// ---------------------------------------------------------------------------
// Stream numbers

// Played-back frames carry one number per channel: it counts up when the
// recorder starts normal forward play (code 11, every channel) and, on a
// resync, for the channels that were not shown (`shownMask`).
using PlaySeqArray = std::array<std::atomic<std::uint32_t>, 16>;
void BumpPlaySeq(PlaySeqArray& seq, std::uint32_t shownMask = 0);
void ResetPlaySeq(PlaySeqArray& seq);

// ---------------------------------------------------------------------------
// Layout by channel count at live and playback start

struct StartLayout
{
    int layout = 14;
    int splitButton = 24;
    std::array<int, 15> pageCounts{};
};
StartLayout LayoutForChannelCount(int channelCount);
