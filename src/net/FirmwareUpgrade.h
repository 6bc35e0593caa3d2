// The firmware upgrade without its window: probing the images of the Upgrade
// folder, the FW_UPDATE_REQ payload, the upload in FW_DATA chunks, and the
// answers' state machine that the dialog shows.
#pragma once

#include "net/NetRecords.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

inline constexpr int kFirmwareRows = 5;
inline constexpr std::size_t kFirmwareChunk = 8000;
inline constexpr std::size_t kFwUpdateRequestSize = 56;
inline constexpr std::size_t kFirmwareProbeSize = 256;
inline constexpr std::size_t kFirmwarePathLimit = 259;

// Row of the dialog -> component type, and back (-1 for a type without a row).
int GetIdxToType(int row);
int GetTypeToIdx(int type);

struct FirmwareComponentRecord
{
    bool selected = false;
    std::string path;
    std::uint32_t version = 0; // host order; big-endian in the request
    std::array<std::uint8_t, kFwUpdateRequestSize> request{};
};

// What an image says of itself.
struct FirmwareImageInfo
{
    bool boot = false;
    int type = -1; // component type (0 boot, else the index in the recorder's list)
    std::uint32_t version = 0;
    std::array<std::uint8_t, 32> name{}; // as it goes into the request
};

// The build time of a boot image from its first bytes: the parenthesised date
// "(Mon dd yyyy xxx hh:mm:ss" read as a calendar time in UTC (the recorder's
// own time scale: local wall-clock seconds). 0, or -1 when no date is there,
// a field lies outside the bytes or outside its range.
int ParseBuildDate(const std::uint8_t* bytes, std::size_t count, std::uint32_t& time);

// Probes a file by its first 256 bytes (and its last 64 when the header is
// kept there). Only regular files are opened; a file too short for what is
// read, a name without its terminating zero, a boot image without a date:
// false.
bool ProbeFirmwareImage(const std::string& path, const HelloRecord& hello, FirmwareImageInfo& info);
// The same decision on bytes in memory: the file's size, its first bytes
// (`head`, at most 256 used) and its last 64 bytes (`tail`, may be null when
// the file is shorter).
bool ProbeFirmwareBytes(std::uint64_t fileSize, const std::uint8_t* head, std::size_t headLength,
                        const std::uint8_t* tail, const HelloRecord& hello, FirmwareImageInfo& info);

// The 56-byte FW_UPDATE_REQ payload.
std::array<std::uint8_t, kFwUpdateRequestSize> MakeFwUpdateRequest(std::uint32_t version, int type,
                                                                   const std::array<std::uint8_t, 32>& name);

// The rows' records from the folder's images: for each row the newest image
// newer than the recorder's component. Returns the images accepted (each one
// that was, at its turn, newer than what the row held).
int ScanFirmwareFolder(const std::string& folder, const HelloRecord& hello,
                       std::array<FirmwareComponentRecord, 20>& records);

// The upload of one image. `send` sends one FW_DATA message (flags 0x4000 on
// the last chunk); `progress` gets the row's percentage after each chunk.
// Ends: Done (the last chunk went out), Stopped (*stop was set), SendFailed,
// OpenFailed (nothing sent), Truncated (the file gave fewer bytes than its
// size promised: the short chunk is not sent, no chunk carries the last flag).
enum class FwUploadResult : int
{
    Done = 0,
    Stopped = 1,
    SendFailed = 2,
    OpenFailed = 3,
    Truncated = 4,
};
struct FwUploadIo
{
    // Reads up to n bytes; 0 at the end of the file, -1 on an error.
    std::function<long(std::uint8_t*, std::size_t)> read;
    std::function<bool(const std::uint8_t*, std::size_t, bool last)> send;
    std::function<void(int)> progress;
};
FwUploadResult RunFirmwareUpload(std::uint64_t total, FwUploadIo& io, const std::atomic<bool>& stop);
// The same over a file path (opened regular files only).
FwUploadResult UploadFirmwareFile(const std::string& path, FwUploadIo& io, const std::atomic<bool>& stop);

// The dialog's state: rows, their check boxes and status texts, the buttons,
// the current row and what the recorder answered. The GUI thread alone uses
// it; the upload runs elsewhere and reports its end through OnUploadEnded.
class CFirmwareSession
{
public:
    enum class Action
    {
        None,
        SendRequest, // send row Current()'s FW_UPDATE_REQ
        StartUpload, // start the upload thread for row Current()
        StopUpload,  // set the upload's stop flag; OnUploadEnded follows
    };

    CFirmwareSession() = default;
    // From the scan: ticks and enables the rows that have an image.
    void Init(const std::array<FirmwareComponentRecord, 20>& records);

    // Start: when no upload runs, the next ticked row's request.
    Action OnStart();
    Action OnStop();
    // A recorder answer (WM_FW_... message) with its reason.
    Action OnAnswer(unsigned msg, int reason);
    // The upload thread has ended (its own end message). Runs what waited for
    // it (the next request after a refusal).
    Action OnUploadEnded(FwUploadResult result);
    // Close: true when the reboot is to be offered.
    bool OnClose() const { return m_nDoneCount > 0; }
    void SetTicked(int row, bool ticked);

    int Current() const { return m_nCurrent; }
    int DoneCount() const { return m_nDoneCount; }
    int StatusMode() const { return m_nStatusMode; }
    bool UploadRunning() const { return m_bUploading; }
    const FirmwareComponentRecord& Record(int row) const { return m_rows[row]; }
    // Per row: check box ticked / enabled, status string id (0 empty), progress.
    bool Ticked(int row) const { return m_ticked[row]; }
    bool CheckEnabled(int row) const { return m_checkEnabled[row]; }
    int StatusText(int row) const { return m_status[row]; }
    int Progress(int row) const { return m_progress[row]; }
    void SetProgress(int row, int percent) { m_progress[row] = percent; }
    bool StartShown() const { return m_bStartShown; }
    bool StartEnabled() const { return m_bStartEnabled; }
    bool StopShown() const { return m_bStopShown; }
    bool StopEnabled() const { return m_bStopEnabled; }
    bool CloseEnabled() const { return m_bCloseEnabled; }

private:
    Action SendNext();
    void UpdateStartButton();
    Action StopThenGoOn();

    std::array<FirmwareComponentRecord, kFirmwareRows> m_rows{};
    std::array<bool, kFirmwareRows> m_ticked{};
    std::array<bool, kFirmwareRows> m_checkEnabled{};
    std::array<int, kFirmwareRows> m_status{};
    std::array<int, kFirmwareRows> m_progress{};
    int m_nCurrent = 0;
    int m_nDoneCount = 0;
    int m_nStatusMode = 0;
    bool m_bUploading = false;
    bool m_bGoOnAfterUpload = false;
    bool m_bStartShown = true, m_bStartEnabled = false;
    bool m_bStopShown = false, m_bStopEnabled = false;
    bool m_bCloseEnabled = true;
};

// Status texts of the rows (string ids).
inline constexpr int IDS_FW_STATUS_NACK_1 = 5083;
inline constexpr int IDS_FW_STATUS_STOPPED = 5190;
inline constexpr int IDS_FW_STATUS_NACK_17 = 5191;
inline constexpr int IDS_FW_STATUS_NACK_18 = 5192;
inline constexpr int IDS_FW_STATUS_FAILED = 5193;
inline constexpr int IDS_FW_STATUS_DONE = 5194;
