// Window messages the connection posts to the windows it feeds, and the
// notification codes it reports to the main window.
#pragma once

#include "platform/Types.h"

#include <cstdint>

// To the firmware dialog (slot 18); the refusals carry the reason in wParam.
constexpr UINT WM_FW_UPDATE_ACK = WM_USER + 20010;
constexpr UINT WM_FW_UPDATE_NACK = WM_USER + 20011;
constexpr UINT WM_FW_DATA_RX_DONE = WM_USER + 20012;
constexpr UINT WM_FW_DATA_RX_FAIL = WM_USER + 20013;
constexpr UINT WM_FW_UPDATE_DONE = WM_USER + 20014;
constexpr UINT WM_FW_UPDATE_FAIL = WM_USER + 20015;

// To the remote search frame (slot 19), wParam 0 and lParam 0.
constexpr UINT WM_PLAY_INFO_MONTH_ACK = WM_USER + 20020;
constexpr UINT WM_EVENT_INFO_ACK = WM_USER + 20021;
constexpr UINT WM_TRANS_INFO_MONTH_ACK = WM_USER + 20022;
constexpr UINT WM_PLAY_INFO_DAY_ACK = WM_USER + 20023;
constexpr UINT WM_TRANS_INFO_DAY_ACK = WM_USER + 20024;
constexpr UINT WM_LOG_INFO_ACK = WM_USER + 20026;
constexpr UINT WM_SYSTEM_INFO_ACK = WM_USER + 20027;
constexpr UINT WM_STATUS_INFO_ACK = WM_USER + 20028;
// wParam 0 search and backup allowed, 1 backup only, 2 search only.
constexpr UINT WM_RIGHT_CHANGE = WM_USER + 20053;

// To the main window.
// A fetched setup image is ready to be copied (CNetClient::CopySetupImage).
constexpr UINT WM_SETUP_DB_READY = WM_USER + 20007;
constexpr UINT WM_ALISTEN_ACK = WM_USER + 20029;
constexpr UINT WM_ALISTEN_NACK = WM_USER + 20030;
// The transfer bar of a backup download: START wParam = the expected KByte,
// PROGRESS wParam = KByte written so far.
constexpr UINT WM_TRANSFER_START = WM_USER + 20040;
constexpr UINT WM_TRANSFER_PROGRESS = WM_USER + 20041;
constexpr UINT WM_TRANSFER_END = WM_USER + 20042;
// Remote playback has started: the main window makes its playback clock.
constexpr UINT WM_REMOTE_PLAY_STARTED = WM_USER + 20050;
constexpr UINT WM_BRING_TO_FRONT = WM_USER + 20056;
constexpr UINT WM_STOP_PLAYBACK = WM_USER + 20058;

// To the time page of the remote setup window: wParam = recorder time.
constexpr UINT WM_DVR_TIME_ACK = WM_USER + 20052;

// Notification codes (the main window's WM_NOTIFY_EVENT carries
// code << 16 | sub-code in lParam).
namespace NetNotify {
constexpr int CONNECTED = 0; // the connect thread could not create its socket
constexpr int CONNECT_FAILED = 1;
constexpr int DISCONNECTED = 2;
constexpr int BYE = 3;
constexpr int NO_DATA = 4;
constexpr int LIVE_REC_NACK = 5;
constexpr int NACK = 6;
// NACK sub-code of an answer that was dropped because it could not be taken
// (too large, or not made of the records it should hold).
constexpr int NACK_ANSWER_DROPPED = 8;
constexpr int DB_UPDATE_NACK = 7;
constexpr int DB_CRC_ERROR = 9;
constexpr int DB_UPDATED = 10;
constexpr int ALISTEN_NACK = 12;
constexpr int NO_PERMISSION = 15;
// A local file could not be written; a download uses sub-codes 0 disk full,
// 1 folder or file not creatable, 2 other write error.
constexpr int WRITE_FAILED = 21;

constexpr LPARAM Param(int code, int sub)
{
    return static_cast<LPARAM>(((std::uint32_t(code) & 0xFFFF) << 16) | (std::uint32_t(sub) & 0xFFFF));
}
} // namespace NetNotify
