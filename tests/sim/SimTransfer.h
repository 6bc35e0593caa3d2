// Backups on the recorder simulator: TRANS_ON_REQ answered with the size of
// the range (or a refusal), and TRANS_DATA_REQ answered with a TRANS_ON_DATA
// stream of recorded frames
// (192-byte prefix, frame header, video, audio) cut into fragments, the
// channels interleaved, several frames a second, with segment and kind
// changes, ending in TRANS_ON_DONE or TRANS_ON_FAIL; TRANS_OFF_REQ stops it.
//
// The frames follow from the range (channel mask, start and end): from the
// recording catalogue when one is set (its pictures of the range), else
// `fps` pictures a second of every camera of the mask from the start (a
// range without an end gives `frames` pictures). The size answer is the
// recorder's estimate from the catalogue (rate times recorded seconds), or
// without one (or kbPerSecond 0) exactly the stream's. Faults: a wrong
// marker, a wrong stored size, a frame larger than any the client keeps.
#pragma once

#include "RecorderSim.h"
#include "SimCatalogue.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <limits>
#include <mutex>
#include <thread>
#include <vector>

namespace k5sim {

namespace id {
constexpr std::uint16_t TRANS_ON_REQ = 99, TRANS_ON_ACK = 101, TRANS_ON_NACK = 102;
constexpr std::uint16_t TRANS_OFF_ACK = 104, TRANS_OFF_NACK = 105;
constexpr std::uint16_t TRANS_DATA_REQ = 294, TRANS_ON_DATA = 295, TRANS_ON_DONE = 297, TRANS_ON_FAIL = 298;
} // namespace id

struct TransferConfig
{
    std::int32_t refuseReason = 0;  // non-zero: TRANS_ON_NACK instead of the size
    std::uint32_t nackNeededMB = 0; // with reason 87: the 12-byte form
    std::uint32_t nackFreeMB = 0;
    // With a catalogue, TRANS_ON_ACK answers the recorder's estimate: this
    // many KB for every camera and recorded second of the range (an event's
    // kind: its stretches only). 0: the exact size of the frames the stream
    // then sends.
    std::uint32_t kbPerSecond = 64;
    bool longSizeAnswer = false;   // TRANS_ON_ACK with 8 bytes more after the size
    std::size_t frames = 60;       // frames of a range without an end
    int fps = 5;                   // frames a second of each channel
    std::size_t videoBytes = 3000; // each frame's video varies around this
    std::size_t audioBytes = 256;  // every third frame carries audio
    std::size_t fragment = 8000;   // payload bytes per TRANS_ON_DATA
    std::size_t segmentEvery = 40; // frames per recorded segment
    std::size_t kindEvery = 25;    // frames per event kind
    std::int32_t failReason = 0;   // non-zero: TRANS_ON_FAIL(reason) instead of DONE
    std::size_t badMarkerAt = std::numeric_limits<std::size_t>::max(); // frame numbers with a fault
    std::size_t wrongSizeAt = std::numeric_limits<std::size_t>::max();
    std::size_t oversizeAt = std::numeric_limits<std::size_t>::max();
    std::size_t holdAfter = 0;        // stop sending after this many frames until Release (0: never)
    std::int32_t offRefuseReason = 0; // non-zero: TRANS_OFF_NACK(reason) instead of TRANS_OFF_ACK
    bool keepFrames = true;           // keep the good frames sent, for comparison
    std::string stem = "kola5500";
};

class SimTransfer
{
public:
    explicit SimTransfer(RecorderSim& sim);
    ~SimTransfer();
    SimTransfer(const SimTransfer&) = delete;
    SimTransfer& operator=(const SimTransfer&) = delete;

    TransferConfig& Config() { return m_config; }
    // The recordings the backups come from (null: the generated plan). The
    // catalogue must outlive its use.
    void SetCatalogue(const SimCatalogue* catalogue) { m_catalogue = catalogue; }

    // Whose and when each picture of a range is, in sending order.
    std::vector<CatalogueFrame> Plan(const Bytes& range) const;

    // The 24-byte range body the client sends.
    static Bytes RangeBody(std::uint32_t channelMask, std::uint32_t start, std::uint32_t end);
    // Frames the stream for a range sends, good and faulty.
    std::size_t FrameCount(const Bytes& range) const;
    // KByte (rounded up) of the good frames sent for a range.
    std::uint32_t SizeKB(const Bytes& range) const;
    // What TRANS_ON_ACK answers for a range (see kbPerSecond).
    std::uint32_t AnswerKB(const Bytes& range) const;
    // Frame `n` of a range as sent (faults applied).
    Bytes MakeFrame(const Bytes& range, std::size_t n) const;
    // `inSecond`: which picture of its channel's second it is (0 first).
    Bytes MakeFrameAt(const CatalogueFrame& where, std::size_t n, int inSecond = 0) const;
    bool IsGood(std::size_t n) const;

    // Makes the good frames (prefix, header, video, audio) in place of the
    // recognisable bytes, e.g. real pictures; the faulty ones stay as they
    // are. Set before a stream starts.
    using FrameMaker = std::function<Bytes(const CatalogueFrame& where, std::size_t n, int inSecond)>;
    void SetFrameMaker(FrameMaker maker) { m_frameMaker = std::move(maker); }

    // The good frames sent so far (when keepFrames).
    std::vector<Bytes> GoodFrames() const;
    std::size_t FramesSent() const { return m_sent.load(); }
    std::uint64_t BytesSent() const { return m_bytes.load(); }
    bool WaitFramesSent(std::size_t n, std::chrono::milliseconds timeout = std::chrono::seconds(30));
    // TRANS_DATA_REQ messages that started a stream so far.
    std::size_t Streams() const;
    bool WaitStreams(std::size_t n, std::chrono::milliseconds timeout = std::chrono::seconds(30));
    // The stream has ended (its end message sent, or it was stopped).
    bool WaitStreamEnd(std::chrono::milliseconds timeout = std::chrono::seconds(60));
    void Release();

private:
    void OnDataReq(const Message& m);
    void OnOffReq();
    void StopStream();
    void Run(Bytes range);

    RecorderSim& m_sim;
    TransferConfig m_config;
    const SimCatalogue* m_catalogue = nullptr;
    Bytes m_pool; // recognisable bytes frames are cut from
    FrameMaker m_frameMaker;

    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<Bytes> m_good;
    bool m_released = false;
    bool m_running = false;
    std::size_t m_streams = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<std::size_t> m_sent{0};
    std::atomic<std::uint64_t> m_bytes{0};
    std::mutex m_threadLock; // guards m_thread
    std::thread m_thread;
};

} // namespace k5sim
