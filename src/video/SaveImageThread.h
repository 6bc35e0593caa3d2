// The save worker of one still picture: made by the grid's snapshot with its
// own copy of the channel's picture and everything else it needs (size,
// format, caption, name, the Saved folder, the time of saving), so it never
// reads the grid or the main window, which may be rebuilt or closed while it
// works. It names the file, creates the folder, writes the still and marks
// itself done; the main window's poll timer reaps it. Destroying a worker
// waits for its thread.
#pragma once

#include "video/ImageWriter.h"

#include <atomic>
#include <cstdint>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

// The still's file name with its extension: "<name>_<channel 1-16>" with a
// usable typed name (cleaned by Paths::CleanFileName), else the local time of
// saving and the channel ("YYYYMMDDhhmmss_00NN"); the name is cut at a
// character boundary so the whole file name fits 255 bytes. The file written
// may carry a further suffix: an existing picture is never replaced.
std::string StillFileName(const std::string& typed, int channel, int saveFormat, const std::tm& local);

class CSaveImageThread
{
public:
    struct Job
    {
        int channel = 0; // 0-15
        int width = 0;
        int height = 0;
        int pictureFormat = 0; // PictureBuffer::kFormatYuv420 or kFormatBgr24
        std::vector<std::uint8_t> picture;
        std::string timeText; // the caption
        int saveFormat = kStillFormatJpeg;
        std::string name;    // as typed, possibly empty
        std::string folder;  // the Saved folder, ending with '/'
        std::time_t now = 0; // the time of saving (names without a typed name)
    };

    explicit CSaveImageThread(Job job);
    ~CSaveImageThread();
    CSaveImageThread(const CSaveImageThread&) = delete;
    CSaveImageThread& operator=(const CSaveImageThread&) = delete;

    bool IsDone() const { return m_bDone.load(std::memory_order_acquire); }
    // After IsDone: kStillOk or why the still was not written.
    StillError Result() const { return static_cast<StillError>(m_nResult.load(std::memory_order_acquire)); }
    // After IsDone: the file written (with the suffix that kept it from
    // replacing an earlier picture), or the one attempted.
    const std::string& Path() const { return m_strPath; }
    int Channel() const { return m_job.channel; }
    // Waits for the thread (at once when it is done).
    void DestroyWindow();

private:
    void SaveLoop();

    Job m_job;
    std::string m_strPath;
    std::atomic<int> m_nResult{kStillOk};
    std::atomic<bool> m_bDone{false};
    std::thread m_thread;
};
