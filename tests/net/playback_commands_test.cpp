// The playback buttons' commands on the wire: each command's controls in
// order, the recorder's pause after each command before the next one goes
// out, a GUI thread that does not wait for those pauses, and the resume
// after a pause.
#include "SessionRig.h"

#include <algorithm>
#include <vector>

namespace {

using namespace sessionrig;
namespace sid = k5sim::id;

constexpr std::uint16_t k42 = 42, k43 = 43, k44 = 44, k45 = 45, k46 = 46, k61 = 61, k62 = 62;

bool IsPlayControl(std::uint16_t id)
{
    return (id >= k42 && id <= k46) || id == k61 || id == k62;
}

// A control as a test names it: the id, and the u32 value of 61 and 62 or
// the time of a 24-byte body (0 without payload).
struct Control
{
    std::uint16_t id;
    std::uint32_t value = 0;
    bool operator==(const Control&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Control& c)
{
    return os << c.id << "(" << c.value << ")";
}

Control ControlOf(const k5sim::Message& m)
{
    Control c{m.id};
    if (m.payload.size() == 4)
        c.value = k5sim::GetBE32(m.payload, 0);
    else if (m.payload.size() == 24)
        c.value = k5sim::GetBE32(m.payload, 16);
    return c;
}

// The playback controls among `all` after the first `skip` of them.
std::vector<k5sim::Message> ControlsAfter(const std::vector<k5sim::Message>& all, std::size_t skip)
{
    std::vector<k5sim::Message> out;
    for (const k5sim::Message& m : all)
        if (IsPlayControl(m.id))
            out.push_back(m);
    out.erase(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(std::min(skip, out.size())));
    return out;
}

std::vector<Control> Controls(const std::vector<k5sim::Message>& ms)
{
    std::vector<Control> out;
    for (const auto& m : ms)
        out.push_back(ControlOf(m));
    return out;
}

std::chrono::milliseconds Gap(const k5sim::Message& a, const k5sim::Message& b)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(b.time - a.time);
}

TEST(PlayCommands, CommandsGoOutWholeWithTheRecordersPauseBetweenThem)
{
    Session s;
    s.LogIn();
    s.client->m_nChannelMask = 0x0005;
    s.StartPlayback();
    const std::size_t start = ControlsAfter(s.sim.Received(), 0).size(); // 61 with 93

    // Fast forward, backward play twice, fast backward: clicked at once.
    for (int command : {7, 1, 1, 2})
        s.client->PlayControl(command);
    // The GUI thread did not wait: the last command cannot be out yet, as
    // two long pauses stand before it.
    EXPECT_EQ(s.sim.Count(k43), 0u);
    ASSERT_TRUE(s.client->WaitPlayCommandsIdle(20s));
    ASSERT_TRUE(s.sim.WaitFor(
        [&](const std::vector<k5sim::Message>& all) { return ControlsAfter(all, start).size() >= 10; }));

    const std::vector<k5sim::Message> got = ControlsAfter(s.sim.Received(), start);
    // The repeated backward play waited behind the first: it ran once.
    EXPECT_EQ(Controls(got), (std::vector<Control>{{k45},
                                                   {k46},
                                                   {k62, 0x0005},
                                                   {k61, 1}, // 7
                                                   {k45},
                                                   {k42},
                                                   {k62, 0x0005},
                                                   {k61, 1}, // 1
                                                   {k43},
                                                   {k61, 93}})); // 2
    ASSERT_EQ(got.size(), 10u);
    // After fast forward and backward play (states 7 and 1) the recorder gets
    // 500 ms; the controls inside a command are 50 ms apart.
    EXPECT_GE(Gap(got[3], got[4]), 500ms);
    EXPECT_GE(Gap(got[7], got[8]), 500ms);
    EXPECT_GE(Gap(got[0], got[1]), 40ms);
    EXPECT_EQ(s.client->m_nPlayState.load(), 2);
    EXPECT_EQ(s.client->m_nPlayPending.load(), 0);
}

// Playback of channel 0 runs and is paused; returns the paused time.
std::uint32_t PlayAndPause(Session& s)
{
    s.live.SetStream(0, PlainStream(1000));
    s.live.Play().channels = 0x0001;
    s.live.Play().fps = 100;
    s.LogIn();
    s.client->m_nChannelMask = 0x0001;
    s.StartPlayback();
    EXPECT_TRUE(WaitUntil([&] { return s.client->m_nPlayClockTime.load() != 0; }));
    s.client->PlayControl(4);
    EXPECT_TRUE(s.client->WaitPlayCommandsIdle(10s));
    EXPECT_EQ(s.client->m_nPlayPending.load(), 1);
    // The simulator does not stop at the pause: it sends what it was asked
    // for. Once that is out, only the next command's requests bring frames.
    EXPECT_TRUE(WaitUntil([&] { return s.live.PlayCredits() <= 0; }));
    return s.client->m_nPlayClockTime;
}

TEST(PlayCommands, CommandsAfterAPauseMoveToThePausedTime)
{
    struct Case
    {
        const char* name;
        int command;
        // The controls after the pause's 45, for the paused time t.
        std::vector<Control> (*expected)(std::uint32_t t);
    };
    const Case cases[] = {
        {"fast backward", 2,
         [](std::uint32_t t) {
             return std::vector<Control>{{k43, t + 1}, {k61, 93}};
         }},
        {"fast forward", 7,
         [](std::uint32_t t) {
             return std::vector<Control>{{k44, t}, {k61, 1}};
         }},
        {"backward play", 1,
         [](std::uint32_t t) {
             return std::vector<Control>{{k43, t + 1}, {k61, 16}};
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Session s;
        const std::uint32_t clock = PlayAndPause(s);
        const std::size_t before = ControlsAfter(s.sim.Received(), 0).size();
        s.client->PlayControl(c.command);
        ASSERT_TRUE(s.client->WaitPlayCommandsIdle(10s));
        const std::vector<Control> want = c.expected(clock);
        ASSERT_TRUE(s.sim.WaitFor([&](const std::vector<k5sim::Message>& all) {
            return ControlsAfter(all, before).size() >= want.size();
        }));
        std::vector<k5sim::Message> got = ControlsAfter(s.sim.Received(), before);
        got.resize(want.size());
        EXPECT_EQ(Controls(got), want);
        // The pause's 45 came first, and the recorder had its 100 ms (the
        // pause keeps state 3) before the next command.
        const k5sim::Message pause45 = ControlsAfter(s.sim.Received(), before - 1).front();
        EXPECT_EQ(pause45.id, k45);
        EXPECT_GE(Gap(pause45, got.front()), 100ms);
    }
}

TEST(PlayCommands, PauseThenBackwardPlayResumesAtTheFirstFrameNotAfterThePausedOne)
{
    Session s;
    const std::uint32_t clock = PlayAndPause(s);
    const std::size_t before = ControlsAfter(s.sim.Received(), 0).size();
    s.client->PlayControl(1);
    // The recorder goes back to the key frame before the asked time (its
    // first frame): that frame is not after the paused one, so the client
    // leaves the resume and plays backward from there.
    ASSERT_TRUE(WaitUntil([&] { return s.client->m_nPlayPending.load() == 0; }, 20s));
    ASSERT_TRUE(s.sim.WaitFor([&](const std::vector<k5sim::Message>& all) {
        const auto got = Controls(ControlsAfter(all, before));
        return !got.empty() && got.back() == Control{k61, 1};
    }));
    std::vector<Control> got = Controls(ControlsAfter(s.sim.Received(), before));
    // Frames after the paused one that were under way ask for more (61 with
    // the channel count) and change nothing else.
    ASSERT_GE(got.size(), 2u);
    EXPECT_EQ(got[0], (Control{k43, clock + 1}));
    EXPECT_EQ(got[1], (Control{k61, 16}));
    got.erase(std::remove(got.begin(), got.end(), Control{k61, 16}), got.end());
    EXPECT_EQ(got, (std::vector<Control>{{k43, clock + 1}, {k45}, {k42}, {k62, 0x0001}, {k61, 1}}));
    EXPECT_EQ(s.client->m_nPlayState.load(), 1);
}

} // namespace
