// The main window as the video grid's host: the connection's state the grid
// decides and draws by, the play speed it shows, the PTZ channel it chooses
// and the buttons it lights. All of it runs on the GUI thread.
#include "app/ClientDlg.h"

#include "local/LocalPlayer.h"
#include "net/NetClient.h"

namespace {

constexpr int kViewRemotePlayback = 2;
constexpr int kViewLocalPlayback = 3;

} // namespace

GridLinkState CClientDlg::LinkState() const
{
    GridLinkState link;
    const CNetClient* net = m_pNetClient.get();
    if (!net)
        return link;
    link.connected = true;
    link.live = net->m_bLive;
    link.remotePlayback = net->m_bPlay;
    link.subProductOther = net->m_bSubProductOther;
    link.servedModel = net->m_bServedModel;
    link.videoLossMask = static_cast<std::uint16_t>(net->m_nLiveMask.load() & 0xFFFF);
    const CamInfoChange cameras = net->CamInfo();
    for (int c = 0; c < 16; ++c) {
        if (cameras.in_use[c] == 1)
            link.camerasInUse = static_cast<std::uint16_t>(link.camerasInUse | (1u << c));
    }
    // The panels of this window serve the current connection only.
    link.ptzPanelOpen = m_ptzPanels.IsControlOpen();
    link.ptzMode = net->m_ptz.m_nPtzMode;
    link.ptzChannel = net->m_ptz.m_nPtzChannel;
    return link;
}

bool CClientDlg::GetPlaySpeed(int viewMode, int& code)
{
    if (viewMode == kViewRemotePlayback && m_pNetClient) {
        code = m_pNetClient->GetPlaySpeed();
        return true;
    }
    if (viewMode == kViewLocalPlayback && m_pLocalPlayer) {
        code = m_pLocalPlayer->GetPlaySpeed();
        return true;
    }
    return false;
}

void CClientDlg::RequestPtzChannel(int channel)
{
    // The panels send nothing unless the direction panel is open on a live
    // connection.
    m_ptzPanels.SetPtzChannel(channel);
}

void CClientDlg::SetGridButton(int index, int state)
{
    if (index < 0 || index >= kHighlightButtonCount)
        return;
    if (CSkinButton* button = m_arrButton[static_cast<std::size_t>(index)])
        button->SetState(state);
}

void CClientDlg::OnVideoTick()
{
    // The frame rates the tick refreshes are read by the decode workers for
    // their captions; the main window shows nothing of them.
}
