// PTZ requests: the payloads of PTZ_CHANNEL_REQ, PTZ_MOVE_REQ and the reading
// of PTZ_CHANNEL_ACK as pure functions, the choice of the PTZ channel, the
// PTZ state a connection keeps (read by the video grid, written by the
// receive thread and the GUI thread), and the narrow interface through which
// the PTZ panels reach the connection.
//
// Every PTZ payload is 4 bytes:
//   PTZ_CHANNEL_REQ            channel, panel mode (0 pan, 1 zoom), 0, 0
//   PTZ_MOVE_REQ, direction    command, 0, 0, 0
//   PTZ_MOVE_REQ, preset       action + 8, number bits 0-7, 0, number bits 8-15
//   PTZ_MOVE_STOP              no payload
//   PTZ_CHANNEL_ACK (received) byte 0: 1 = the channel has PTZ
#pragma once

#include "platform/Messages.h"
#include "platform/Types.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

// The direction panel reports presses and releases to the main window
// (wParam 0 pressed, 1 released; lParam the direction code 0-4).
constexpr UINT WM_PTZ_MOVE = WM_USER + 20025;
// The keypad's result to the main window (wParam the action code, lParam the
// number); the PTZ panels' manager sends code 3 itself to complete a pending
// Learn-mode Set.
constexpr UINT WM_PTZ_PRESET = WM_USER + 20031;
// The channel answer, carried from the receive thread to the direction panel
// (wParam 1: the channel has PTZ; lParam 1: a Learn-mode Set is pending).
constexpr UINT WM_PTZ_CHANNEL_STATE = WM_USER + 20110;

using PtzPayload = std::array<std::uint8_t, 4>;

// Panel modes of the direction panel.
constexpr int kPtzModePan = 0;
constexpr int kPtzModeZoom = 1;

// Direction codes of the panel's buttons (4: the preset button).
constexpr unsigned kPtzUp = 0;
constexpr unsigned kPtzDown = 1;
constexpr unsigned kPtzLeft = 2;
constexpr unsigned kPtzRight = 3;
constexpr unsigned kPtzPreset = 4;

// Keypad action codes of WM_PTZ_PRESET.
constexpr int kPresetSet = 0;
constexpr int kPresetCall = 1;
constexpr int kPresetLearnSet = 2;
constexpr int kPresetLearnComplete = 3;
constexpr int kPresetLearnCall = 4;
constexpr int kPresetTour = 9;

// PTZ_MOVE_REQ commands the dome menu keys send.
constexpr std::uint8_t kPtzDomeMenuAccess = 13;
constexpr std::uint8_t kPtzMenuEnter = 14;
constexpr std::uint8_t kPtzMenuEsc = 15;
constexpr std::uint8_t kPtzDomeMenuExit = 16;

// CNetClient::m_nPtzMode values.
constexpr int kPtzStateNoPanel = 0;
constexpr int kPtzStateNoPtz = 1;
constexpr int kPtzStateHasPtz = 2;

PtzPayload PtzChannelPayload(int channel, int panelMode);
// The PTZ_MOVE_REQ command of a direction button in a panel mode: pan 2, 3, 1,
// 0 and zoom 4, 5, 7, 6 for up, down, left, right; -1 for any other code.
int PtzMoveCommand(int panelMode, unsigned direction);
PtzPayload PtzCommandPayload(std::uint8_t command);
PtzPayload PtzPresetPayload(int action, int number);
// True only when the answer's first byte is 1; an empty answer means no PTZ.
bool PtzAckHasPtz(const std::uint8_t* payload, std::size_t length);

// The PTZ channel when the direction panel opens: the current channel when
// a visible cell shows it and it has video; else the channel of the first
// visible cell (0-15) without video loss; -1 when none qualifies (nothing is
// sent). visibleMask is by cell, cellChannel the channel each cell shows.
int ChoosePtzChannel(int current, std::uint32_t visibleMask, const std::array<int, 16>& cellChannel,
                     std::uint32_t videoLossMask);

// The PTZ members of a connection. The GUI thread opens and closes the panels
// and writes the slots; the receive thread reads the direction panel's slot
// and writes m_nPtzMode; the video grid reads the channel and the mode.
class CPtzState
{
public:
    std::atomic<int> m_nPtzChannel{0};
    std::atomic<int> m_nPtzMode{kPtzStateNoPanel};
    std::atomic<int> m_nPresetValue{0};
    std::atomic<bool> m_bPresetPending{false};
    // Worker slots 22-24: the direction panel, the keypad, the dome menu panel.
    std::atomic<WndHandle> m_hPtzControlDlg{WndHandle()};
    std::atomic<WndHandle> m_hPtzPresetDlg{WndHandle()};
    std::atomic<WndHandle> m_hPtzMenuDlg{WndHandle()};
    // The direction panel's mode (0 pan, 1 zoom), for its channel request.
    std::atomic<int> m_nPanelMode{kPtzModePan};

    // PTZ_CHANNEL_ACK, on the receive thread, with the payload as it came.
    // Nothing when the direction panel is closed. Otherwise the mode becomes
    // 2 (PTZ) or 1 (no PTZ, also for an empty payload) and the panel is told
    // by a posted WM_PTZ_CHANNEL_STATE to enable or disable its buttons.
    void OnChannelAck(const std::uint8_t* payload, std::size_t length);
};

// What the PTZ panels need of the connection. The connection implements it:
// a send goes out whole under the connection's send lock, and fails once the
// connection is closed.
class IPtzConnection
{
public:
    virtual ~IPtzConnection() = default;
    virtual bool SendPtzMessage(std::uint16_t id, const void* payload, std::size_t length) = 0;
    virtual CPtzState& PtzState() = 0;
    // The hello record's account byte (non-zero: the keypad's Set is off).
    virtual int HelloAccount() const = 0;
    // The connection's video-loss mask (bit c: channel c has no video).
    virtual std::uint32_t VideoLossMask() const = 0;
    virtual bool IsLiveOn() const = 0;
};

// The request senders on a connection's state (GUI thread). False when the
// message did not go out (the connection is closed).
bool SendPtzChannelReq(IPtzConnection& connection);
// released 0: PTZ_MOVE_REQ with the direction's command in the panel's mode;
// otherwise PTZ_MOVE_STOP.
bool SendPtzMoveReq(IPtzConnection& connection, int released, unsigned direction);
bool SendPtzPresetReq(IPtzConnection& connection, int action, int number);
bool SendPtzCommand(IPtzConnection& connection, std::uint8_t command);
