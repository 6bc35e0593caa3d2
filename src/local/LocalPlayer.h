// The local playback engine the main window owns while a local playback runs:
// its play thread around CLocalPlayCore, the sixteen decode workers and the
// audio output of local playback. The thread never touches a widget nor waits
// for the GUI thread: what it changes there goes through ILocalHost, whose
// main window posts it.
#pragma once

#include "local/LocalHost.h"
#include "local/LocalPlayCore.h"

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

class CLocalPlayer : private ILocalPlaySink
{
public:
    // `clock` (tests) replaces the steady clock of the thread's pauses and
    // pacing; it must outlive the player.
    explicit CLocalPlayer(ILocalHost* pMainDlg, ILocalPlayClock* clock = nullptr);
    ~CLocalPlayer() override;
    CLocalPlayer(const CLocalPlayer&) = delete;
    CLocalPlayer& operator=(const CLocalPlayer&) = delete;

    // The playlist (the main window's) and the node to begin with.
    void SetPlaylist(Playlist* list, Playlist::iterator current);
    // Puts the grid into local playback, makes the workers, play state 3 and
    // starts the play thread. Always true.
    bool Start();
    // Asks the play thread to stop and waits until it has ended.
    bool DestroyWindow();
    // Stops what the playback started and returns the grid to idle.
    void Stop();
    // Playback commands: 1 step back, 2 fast backward, 3 forward, 4 pause,
    // 7 step forward, 10 slow backward, 11 slow forward.
    void SetPlayCommand(int nCommand);
    // For the grid's speed display.
    int GetPlaySpeed() const;

    bool IsThreadRunning() const { return m_thread.joinable(); }
    // The channel's worker (the main window's still grab), or null.
    IDecodeWorker* Channel(int channel);

    // Shared with the main window; the core owns them.
    std::atomic<int>& m_nPlayState;
    std::atomic<int>& m_nSpeed;
    std::atomic<int>& m_nRangeStart;
    std::atomic<int>& m_nSeekState;
    std::atomic<int>& m_nSeekTime;
    std::atomic<BYTE>& m_bRedraw;
    std::atomic<BYTE>& m_bResync;

    const CLocalPlayCore::Stats& Stats() const { return m_core.m_stats; }

private:
    void PlayLoop();

    // ILocalPlaySink
    IDecodeWorker* Worker(int channel) override;
    std::uint16_t VisibleChannels() override;
    int SingleViewChannel(std::uint16_t mask, int& index) override;
    bool WatermarkOn() override;
    void SetWatermarkState(int channel, int state) override;
    void ChainSetup(std::uint32_t channelMask, int highest, bool sameLayout, int sliderMax) override;
    void SetSliderPos(int pos) override;
    void SetPlaybackTime(std::uint32_t time) override;
    void CommandDone(int command) override;
    void ReportSkippedSet(const std::string& name) override;
    void PlayEnded() override;
    std::unique_ptr<IAudioWorker> CreateAudio() override;

    ILocalHost* m_pMainDlg;
    CLocalSteadyClock m_clock;
    ILocalPlayClock& m_rClock;
    CLocalPlayCore m_core;
    Playlist* m_pList = nullptr;
    Playlist::iterator m_start;
    std::mutex m_csWorkers;
    std::array<std::unique_ptr<IDecodeWorker>, 16> m_arrChannel;
    std::thread m_thread;
};
