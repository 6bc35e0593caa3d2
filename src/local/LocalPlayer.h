// The local playback engine the main window owns while a local playback runs:
// its play thread, play state and speed, and the seek handshake with the
// position slider. The file reading and the decode workers join it later; the
// thread today only marks the playback's start and end in the connection log.
#pragma once

#include "local/LocalHost.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

class CLocalPlayer
{
public:
    explicit CLocalPlayer(ILocalHost* pMainDlg);
    ~CLocalPlayer();
    CLocalPlayer(const CLocalPlayer&) = delete;
    CLocalPlayer& operator=(const CLocalPlayer&) = delete;

    // Puts the grid into local playback, play state 3 and starts the play thread.
    bool Start();
    // Asks the play thread to stop and waits until it has ended.
    bool DestroyWindow();
    // Stops what the playback started and returns the grid to idle.
    void Stop();
    // Playback commands: 1 play, 2 fast backward, 3 forward, 4 pause, 7 resume
    // after a fast-forward pause, 10 step back, 11 step forward.
    void SetPlayCommand(int nCommand);
    // For the grid's speed display.
    int GetPlaySpeed() const;

    bool IsThreadRunning() const { return m_thread.joinable(); }

    std::atomic<int> m_nPlayState{0}; // 1, 2, 3, 4 (paused), 7, 10, 11
    std::atomic<int> m_nSpeed{0};     // 1..6 forward, -2..-6 backward, 7, 10, 11
    std::atomic<int> m_nRangeStart{0};
    std::atomic<int> m_nSeekState{0}; // 1 pressed, 2 dragged, 3 released; 4 seeking, 0 done
    std::atomic<int> m_nSeekTime{0};
    std::atomic<BYTE> m_bRedraw{0};
    std::atomic<BYTE> m_bResync{0};

private:
    void PlayLoop();

    ILocalHost* m_pMainDlg;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_bStop = false;
};
