// The queue a decode worker offers to the threads that feed it (the receive
// thread for live view and remote playback, the local player's thread), and
// what the connection hands to the audio player. The workers themselves live
// in the video library; the connection knows them only through these
// interfaces, and the main window injects the factory that makes them.
#pragma once

#include "net/NetHost.h"
#include "net/Wire.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// One frame for a decode worker: one block laid out as MakeQueuedItem makes
// it (FrameInfo, the carrying message's header with the channel in its
// flags, then the 40-byte FrameHeader and the H.264 data).
struct QueuedFrame
{
    std::vector<std::uint8_t> item;
    // When the frame's last fragment arrived; the worker hands it on with the
    // picture so that the delay from arrival to screen can be measured.
    std::chrono::steady_clock::time_point arrival{};

    static std::unique_ptr<QueuedFrame> Make(const FrameInfo& info, const WireHeader& header, const void* frame,
                                             std::size_t frameSize,
                                             std::chrono::steady_clock::time_point arrival =
                                                 std::chrono::steady_clock::now())
    {
        auto q = std::make_unique<QueuedFrame>();
        q->item = MakeQueuedItem(info, header, frame, frameSize);
        q->arrival = arrival;
        return q;
    }
};

// A channel's decode worker as its producers and stoppers see it.
//
// The owner keeps it in a slot guarded by a lock that producers hold while
// they queue, so a worker is never reached after it was taken out to be
// stopped. The stop sequence of every owner is: SetDiscard(true) on every
// worker first (producers are refused from then on), then for each
// WaitDrained and Stop.
class IDecodeWorker : public NetWorker
{
public:
    // Queues the frame unless the worker discards or has stopped; the frame
    // is then dropped and false returned. Wakes the worker.
    virtual bool Queue(std::unique_ptr<QueuedFrame> frame) = 0;

    // While set, producers queue nothing and the worker frees every frame it
    // takes without decoding it. The worker never clears it itself.
    virtual void SetDiscard(bool discard) = 0;
    virtual bool IsDiscarding() const = 0;

    // 2 + the frames waiting: the count the stoppers know (2 = idle).
    virtual int QueueCount() const = 0;
    // Waits until no frame waits (a count of 2) and the one taken last has
    // been handled; false when the bound passed.
    virtual bool WaitDrained(std::chrono::milliseconds bound) = 0;

    virtual int Channel() const = 0;
};

// Makes the decode worker of a channel (live view or remote playback). Null
// when it cannot be made; the channel's frames are then dropped.
using DecodeWorkerFactory = std::function<std::unique_ptr<IDecodeWorker>(int channel)>;

// The audio player as the receive thread feeds it.
class IAudioWorker : public NetWorker
{
public:
    // Queues one block (copied); false when it was not queued.
    virtual bool PutBlock(const std::uint8_t* data, std::size_t length) = 0;
    // Pauses (drops what is queued and refuses blocks) and resumes.
    virtual void Flush() = 0;
    virtual void Resume() = 0;
    virtual bool WaitQueueDrained(std::chrono::milliseconds bound) = 0;
};

// An audio player (the video library's CAudioPlayer or any type with the
// same calls) as the connection's IAudioWorker, for NetHost::CreateAudioPlayer.
template <class Player> class AudioWorkerOf final : public IAudioWorker
{
public:
    explicit AudioWorkerOf(std::unique_ptr<Player> player) : m_player(std::move(player)) {}
    bool PutBlock(const std::uint8_t* data, std::size_t length) override { return m_player->PutBlock(data, length); }
    void Flush() override { m_player->Flush(); }
    void Resume() override { m_player->Resume(); }
    bool WaitQueueDrained(std::chrono::milliseconds bound) override { return m_player->WaitQueueDrained(bound); }
    void Stop() override { m_player->Stop(); }
    Player& Get() { return *m_player; }

private:
    std::unique_ptr<Player> m_player;
};
