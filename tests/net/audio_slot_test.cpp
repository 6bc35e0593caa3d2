// The audio channel the main window marks and the audio player's slot, with
// the receive thread and the GUI thread meeting: a DB_CHANGE between audio
// frames, and a playback stop while the receive thread makes a player.
#include "SessionRig.h"

#include <condition_variable>
#include <mutex>

namespace {

using namespace sessionrig;
namespace sid = k5sim::id;

std::vector<int> AudioChannels(const TestHost& host)
{
    std::vector<int> out;
    for (const HostEvent& e : host.EventsOf(HostEvent::AudioChannel))
        out.push_back(e.a);
    return out;
}

TEST(AudioMark, FramesOfThePlayedChannelWinBackTheMarkAfterADbChange)
{
    Session s;
    s.live.SetStream(3, PlainStream(50));
    s.live.Live().channels = 1u << 3;
    s.live.Live().audioChannel = 3;
    s.LogIn();
    ASSERT_TRUE(s.client->SendLiveReq());
    ASSERT_TRUE(s.client->SendAudioOnReq());
    auto marked = [&](int channel, std::size_t from) {
        return WaitUntil([&] {
            const std::vector<int> all = AudioChannels(s.host);
            return std::find(all.begin() + static_cast<std::ptrdiff_t>(std::min(from, all.size())), all.end(),
                             channel) != all.end();
        });
    };
    ASSERT_TRUE(marked(3, 0));
    ASSERT_TRUE(s.client->m_bAudio.load());

    // The recorder's setup names channel 5 for audio; the header keeps the
    // audio bit, as every header does while audio streams.
    k5sim::DbChangeConfig db;
    db.audioChannel = 5;
    const std::size_t before = AudioChannels(s.host).size();
    ASSERT_TRUE(s.sim.Send(sid::DB_CHANGE, k5sim::BuildDbChange(db), 0, k5sim::kAudioSub));
    ASSERT_TRUE(marked(5, before));
    // Channel 3's sound goes on: the mark returns to it.
    const std::size_t after = AudioChannels(s.host).size();
    EXPECT_TRUE(marked(3, after)) << "the mark stays on the DB_CHANGE's channel";
    EXPECT_TRUE(s.client->m_bAudio.load());
}

// A host whose audio player is made only when the test lets it.
class GatedHost : public TestHost
{
public:
    std::unique_ptr<NetWorker> CreateAudioPlayer(bool) override
    {
        std::unique_lock<std::mutex> lock(m_lock);
        m_bEntered = true;
        m_cv.notify_all();
        m_cv.wait(lock, [&] { return m_bReleased; });
        return std::make_unique<TestWorker>(stops);
    }
    bool WaitEntered()
    {
        std::unique_lock<std::mutex> lock(m_lock);
        return m_cv.wait_for(lock, 10s, [&] { return m_bEntered; });
    }
    void Release()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_bReleased = true;
        m_cv.notify_all();
    }
    std::atomic<int> stops{0};

private:
    std::mutex m_lock;
    std::condition_variable m_cv;
    bool m_bEntered = false;
    bool m_bReleased = false;
};

TEST(AudioSlot, APlayerMadeForAStoppedPlaybackIsNotKept)
{
    GatedHost host;
    Session s(host);
    // Whatever fails, the receive thread is let go before the session ends.
    struct ReleaseAtEnd
    {
        GatedHost& h;
        ~ReleaseAtEnd() { h.Release(); }
    } release{host};
    s.LogIn();
    s.StartPlayback();
    // The audio bit arrives: the receive thread makes the player ...
    ASSERT_TRUE(s.sim.Send(sid::MSG_257, k5sim::Bytes(12, 0), 0, k5sim::kAudioSub));
    ASSERT_TRUE(host.WaitEntered());
    // ... while the GUI thread stops the playback and empties the slot.
    ASSERT_TRUE(s.client->SendRPlayStop());
    EXPECT_FALSE(s.client->HasWorker(kSlotAudioPlayer));
    host.Release();
    // The late player is stopped at once instead of idling in the slot.
    ASSERT_TRUE(WaitUntil([&] { return host.stops.load() == 1; })) << "the player idles in the slot";
    EXPECT_FALSE(s.client->HasWorker(kSlotAudioPlayer));
}

} // namespace
