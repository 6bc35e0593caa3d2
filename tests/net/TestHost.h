// A NetHost that records what the connection asks of the main window, with
// condition waits for the tests.
#pragma once

#include "net/NetHost.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

struct HostEvent
{
    enum Kind
    {
        Notify,
        Post,
        Disconnect,
        PlainMessage,
        HelloTimerStart,
        HelloTimerKill,
        Log,
        Button,
        LiveStart,
        AudioChannel,
        ClosePtz,
        DestroyTransferBar,
        LiveStopped,
        PlayStopped,
    };
    explicit HostEvent(Kind k, WndHandle t = WndHandle(), UINT m = 0, WPARAM w = 0, LPARAM l = 0)
        : kind(k), target(t), msg(m), wParam(w), lParam(l)
    {
    }
    Kind kind;
    WndHandle target;
    UINT msg = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    std::string text;
    int a = 0;
    int b = 0;
};

class FakeGrid : public VideoGridSink
{
public:
    void SetChannelBlocked(int channel, bool blocked) override
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_blocked.at(channel) = blocked;
    }
    bool IsChannelBlocked(int channel) const override
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_blocked.at(channel);
    }
    void SetActiveChannels(std::uint32_t mask, bool reset) override
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_activeCalls.push_back({mask, reset});
    }
    void Repaint(bool) override
    {
        std::lock_guard<std::mutex> lock(m_lock);
        ++m_repaints;
    }
    void LeaveFullScreen() override
    {
        std::lock_guard<std::mutex> lock(m_lock);
        ++m_leaveFullScreen;
    }
    std::array<bool, 16> Blocked() const
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_blocked;
    }
    std::vector<std::pair<std::uint32_t, bool>> ActiveCalls() const
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_activeCalls;
    }
    int Repaints() const
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_repaints;
    }
    void Reset()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_blocked = {};
        m_activeCalls.clear();
        m_repaints = 0;
        m_leaveFullScreen = 0;
    }
    int LeaveFullScreenCalls() const
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_leaveFullScreen;
    }

private:
    mutable std::mutex m_lock;
    std::array<bool, 16> m_blocked{};
    std::vector<std::pair<std::uint32_t, bool>> m_activeCalls;
    int m_repaints = 0;
    int m_leaveFullScreen = 0;
};

class TestHost : public NetHost
{
public:
    static constexpr WndHandle kMain{1000};

    WndHandle MainWindow() const override { return kMain; }
    void PostMessageTo(WndHandle target, UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        HostEvent e(HostEvent::Post, target, msg, wParam, lParam);
        Add(e);
    }
    void PostNotify(LPARAM lParam, WndHandle owner) override
    {
        HostEvent e(HostEvent::Notify, owner ? owner : kMain, 0, 0, lParam);
        Add(e);
    }
    void RequestDisconnect(std::uint32_t session) override
    {
        HostEvent e(HostEvent::Disconnect);
        e.a = static_cast<int>(session);
        Add(e);
    }
    void ShowPlainMessage(const std::string& text) override
    {
        HostEvent e(HostEvent::PlainMessage);
        e.text = text;
        Add(e);
    }
    void StartHelloTimer(std::chrono::milliseconds timeout) override
    {
        HostEvent e(HostEvent::HelloTimerStart);
        e.a = static_cast<int>(timeout.count());
        Add(e);
    }
    void KillHelloTimer() override { Add(HostEvent(HostEvent::HelloTimerKill)); }
    void WriteConnectLog(int type, int subtype, const std::string& user, const std::string& address) override
    {
        HostEvent e(HostEvent::Log);
        e.a = type;
        e.b = subtype;
        e.text = user + "@" + address;
        Add(e);
    }
    void SetButtonState(int buttonId, int state) override
    {
        HostEvent e(HostEvent::Button);
        e.a = buttonId;
        e.b = state;
        Add(e);
    }
    bool IsLocalPlaybackRunning() const override { return localPlayback; }
    bool HasSoundDevice() const override { return soundDevice; }
    void RequestLiveStart() override { Add(HostEvent(HostEvent::LiveStart)); }
    void SetAudioChannel(int channel) override
    {
        HostEvent e(HostEvent::AudioChannel);
        e.a = channel;
        Add(e);
    }
    WndHandle PasswordPrompt() const override { return passwordPrompt; }
    void ClosePtzPanel(int mode) override
    {
        HostEvent e(HostEvent::ClosePtz);
        e.a = mode;
        Add(e);
    }
    void DestroyTransferBar() override { Add(HostEvent(HostEvent::DestroyTransferBar)); }
    VideoGridSink* VideoGrid() override { return &grid; }
    void OnLiveStopped() override { Add(HostEvent(HostEvent::LiveStopped)); }
    void OnRemotePlayStopped() override { Add(HostEvent(HostEvent::PlayStopped)); }
    std::unique_ptr<NetWorker> CreateAudioPlayer(bool) override { return nullptr; }
    void OnDownloadClosed(const DownloadSummary& summary) override
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_downloads.push_back(summary);
    }

    // --- Inspection ---------------------------------------------------------
    // The closing summaries of the downloads, in order.
    std::vector<DownloadSummary> Downloads() const
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_downloads;
    }
    std::vector<HostEvent> Events() const
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_events;
    }
    std::vector<HostEvent> EventsOf(HostEvent::Kind kind) const
    {
        std::vector<HostEvent> out;
        for (const HostEvent& e : Events()) {
            if (e.kind == kind)
                out.push_back(e);
        }
        return out;
    }
    std::vector<LPARAM> Notifications() const
    {
        std::vector<LPARAM> out;
        for (const HostEvent& e : EventsOf(HostEvent::Notify))
            out.push_back(e.lParam);
        return out;
    }
    std::vector<HostEvent> PostsOf(UINT msg) const
    {
        std::vector<HostEvent> out;
        for (const HostEvent& e : EventsOf(HostEvent::Post)) {
            if (e.msg == msg)
                out.push_back(e);
        }
        return out;
    }
    // The text of the last plain message box asked for, or empty.
    std::string PlainMessage() const
    {
        const auto boxes = EventsOf(HostEvent::PlainMessage);
        return boxes.empty() ? std::string() : boxes.back().text;
    }
    bool WaitFor(const std::function<bool(const std::vector<HostEvent>&)>& predicate,
                 std::chrono::milliseconds timeout = std::chrono::seconds(60))
    {
        std::unique_lock<std::mutex> lock(m_lock);
        return m_changed.wait_for(lock, timeout, [&] { return predicate(m_events); });
    }
    bool WaitForNotify(LPARAM lParam, std::chrono::milliseconds timeout = std::chrono::seconds(60))
    {
        return WaitFor(
            [lParam](const std::vector<HostEvent>& all) {
                return std::any_of(all.begin(), all.end(), [lParam](const HostEvent& e) {
                    return e.kind == HostEvent::Notify && e.lParam == lParam;
                });
            },
            timeout);
    }
    bool WaitForKind(HostEvent::Kind kind, std::size_t count = 1,
                     std::chrono::milliseconds timeout = std::chrono::seconds(60))
    {
        return WaitFor(
            [kind, count](const std::vector<HostEvent>& all) {
                return static_cast<std::size_t>(std::count_if(
                           all.begin(), all.end(), [kind](const HostEvent& e) { return e.kind == kind; })) >=
                       count;
            },
            timeout);
    }
    void Clear()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_events.clear();
    }
    std::size_t Mark() const
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_events.size();
    }
    std::vector<HostEvent> EventsSince(std::size_t mark) const
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return std::vector<HostEvent>(
            m_events.begin() + static_cast<std::ptrdiff_t>(std::min(mark, m_events.size())), m_events.end());
    }

    bool localPlayback = false;
    bool soundDevice = true;
    WndHandle passwordPrompt;
    FakeGrid grid;

private:
    void Add(const HostEvent& e)
    {
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_events.push_back(e);
        }
        m_changed.notify_all();
    }

    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<HostEvent> m_events;
    std::vector<DownloadSummary> m_downloads;
};

// A search frame link whose calls are counted.
class TestSearchFrame : public SearchFrameLink
{
public:
    explicit TestSearchFrame(WndHandle frame, WndHandle archivePrompt = WndHandle())
        : m_frame(frame), m_archive(archivePrompt)
    {
    }
    WndHandle Frame() const override { return m_frame; }
    WndHandle ArchivePasswordPrompt() const override { return m_archive; }
    void ClearRequestPending() override { ++clearedPending; }
    void ClearDayRecords() override { ++clearedDays; }
    void DeliverAnswer(std::unique_ptr<SearchAnswer> answer) override
    {
        std::lock_guard<std::mutex> lock(m_answerLock);
        m_answers.push_back(std::move(*answer));
    }
    std::vector<SearchAnswer> Answers() const
    {
        std::lock_guard<std::mutex> lock(m_answerLock);
        return m_answers;
    }
    void DeliverBackupSize(uint32_t kb) override
    {
        backupSize = kb;
        ++backupSizes;
    }
    std::atomic<std::uint32_t> backupSize{0};
    std::atomic<int> backupSizes{0};
    std::atomic<int> clearedPending{0};
    std::atomic<int> clearedDays{0};

private:
    WndHandle m_frame;
    WndHandle m_archive;
    mutable std::mutex m_answerLock;
    std::vector<SearchAnswer> m_answers;
};

// A worker that notes its stop.
class TestWorker : public NetWorker
{
public:
    explicit TestWorker(std::atomic<int>& stops) : m_stops(stops) {}
    void Stop() override { ++m_stops; }

private:
    std::atomic<int>& m_stops;
};
