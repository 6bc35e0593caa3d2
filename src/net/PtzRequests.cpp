#include "net/PtzRequests.h"

#include "net/Wire.h"
#include "platform/Trace.h"

PtzPayload PtzChannelPayload(int channel, int panelMode)
{
    return {static_cast<std::uint8_t>(channel & 0xFF), static_cast<std::uint8_t>(panelMode & 0xFF), 0, 0};
}

int PtzMoveCommand(int panelMode, unsigned direction)
{
    static constexpr int kPan[4] = {2, 3, 1, 0};
    static constexpr int kZoom[4] = {4, 5, 7, 6};
    if (direction > kPtzRight)
        return -1;
    return panelMode == kPtzModeZoom ? kZoom[direction] : kPan[direction];
}

PtzPayload PtzCommandPayload(std::uint8_t command)
{
    return {command, 0, 0, 0};
}

PtzPayload PtzPresetPayload(int action, int number)
{
    return {static_cast<std::uint8_t>((action + 8) & 0xFF), static_cast<std::uint8_t>(number & 0xFF), 0,
            static_cast<std::uint8_t>((number >> 8) & 0xFF)};
}

bool PtzAckHasPtz(const std::uint8_t* payload, std::size_t length)
{
    return payload && length > 0 && payload[0] == 1;
}

int ChoosePtzChannel(int current, std::uint32_t visibleMask, const std::array<int, 16>& cellChannel,
                     std::uint32_t videoLossMask)
{
    auto hasVideo = [&](int c) { return c >= 0 && c < 16 && (videoLossMask & (1u << c)) == 0; };
    // The visible mask counts cells, and a rearranged grid shows a channel
    // in another cell than its own number.
    auto onVisibleCell = [&](int c) {
        for (int i = 0; i < 16; ++i) {
            if ((visibleMask & (1u << i)) != 0 && cellChannel[static_cast<std::size_t>(i)] == c)
                return true;
        }
        return false;
    };
    if (hasVideo(current) && onVisibleCell(current))
        return current;
    for (int i = 0; i < 16; ++i) {
        if ((visibleMask & (1u << i)) == 0)
            continue;
        const int c = cellChannel[static_cast<std::size_t>(i)];
        if (hasVideo(c))
            return c;
    }
    return -1;
}

void CPtzState::OnChannelAck(const std::uint8_t* payload, std::size_t length)
{
    const WndHandle panel = m_hPtzControlDlg.load();
    if (!panel)
        return;
    const bool hasPtz = PtzAckHasPtz(payload, length);
    TRACE("RecvFn_PtzChannelAck... %d\n", hasPtz ? 1 : 0);
    m_nPtzMode = hasPtz ? kPtzStateHasPtz : kPtzStateNoPtz;
    // The buttons belong to the GUI thread: the panel changes them itself.
    PostMessage(panel, WM_PTZ_CHANNEL_STATE, hasPtz ? 1 : 0, m_bPresetPending.load() ? 1 : 0);
}

bool SendPtzChannelReq(IPtzConnection& connection)
{
    CPtzState& s = connection.PtzState();
    const PtzPayload p = PtzChannelPayload(s.m_nPtzChannel.load(), s.m_nPanelMode.load());
    TRACE("Send... PTZ_CHANNEL_REQ... %d\n", p[0]);
    return connection.SendPtzMessage(PTZ_CHANNEL_REQ, p.data(), p.size());
}

bool SendPtzMoveReq(IPtzConnection& connection, int released, unsigned direction)
{
    if (released != 0) {
        TRACE("Send... PTZ_MOVE_STOP...\n");
        return connection.SendPtzMessage(PTZ_MOVE_STOP, nullptr, 0);
    }
    const int command = PtzMoveCommand(connection.PtzState().m_nPanelMode.load(), direction);
    if (command < 0)
        return false;
    return SendPtzCommand(connection, static_cast<std::uint8_t>(command));
}

bool SendPtzPresetReq(IPtzConnection& connection, int action, int number)
{
    const PtzPayload p = PtzPresetPayload(action, number);
    TRACE("Send... PTZ_MOVE_REQ... preset %d %d\n", action, number);
    return connection.SendPtzMessage(PTZ_MOVE_REQ, p.data(), p.size());
}

bool SendPtzCommand(IPtzConnection& connection, std::uint8_t command)
{
    const PtzPayload p = PtzCommandPayload(command);
    TRACE("Send... PTZ_MOVE_REQ... %d\n", command);
    return connection.SendPtzMessage(PTZ_MOVE_REQ, p.data(), p.size());
}
