// The main window as the video grid's host: the connection's state the grid
// decides and draws by, the play speed it shows, the PTZ channel it chooses
// and the buttons it lights. All of it runs on the GUI thread.
#include "app/ClientDlg.h"

#include "app/SplitBar.h"
#include "local/LocalPlayer.h"
#include "net/NetClient.h"
#include "video/GridInteraction.h"

#include <QPointer>

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

// ---------------------------------------------------------------------------
// What the operator does on the grid

namespace {

// The split bar of full screen as the grid drives it; the bar is a child of
// the grid until it pops up, and goes with this holder.
class CGridSplitBar : public GridSplitBar
{
public:
    explicit CGridSplitBar(Wnd* owner) : m_bar(new CSplitSelectDlg(owner))
    {
        m_bar->resize(CSplitSelectDlg::kWidth, CSplitSelectDlg::kHeight);
        m_bar->Create();
    }
    ~CGridSplitBar() override { delete m_bar.data(); }

    void PopupAt(const QRect& monitor, int alpha) override
    {
        if (m_bar)
            m_bar->PopupAt(monitor.x(), monitor.y(), monitor.x() + monitor.width(), monitor.y() + monitor.height(),
                           alpha);
    }
    void ShowAutoHide(int show) override
    {
        if (m_bar)
            m_bar->ShowAutoHide(show);
    }
    QSize BarSize() const override { return m_bar ? m_bar->size() : QSize(); }

private:
    QPointer<CSplitSelectDlg> m_bar;
};

} // namespace

bool CClientDlg::DomeMenuOpen() const
{
    const CPtzControlDlg* panel = m_ptzPanels.Control();
    return panel && panel->m_bDomeMenu;
}

void CClientDlg::SelectChannel(int channel, bool keep)
{
    Commands().SelectChannel(channel, keep);
}

void CClientDlg::SetScreenSplit(int layout)
{
    Commands().SetScreenSplit(layout);
}

void CClientDlg::TellRecorderView(std::uint32_t visible)
{
    CNetClient* net = m_pNetClient.get();
    if (!net)
        return;
    const GridViewTell tell = ViewTellFor(true, net->m_bLive, net->m_bPlay, visible, net->m_nChannelMask);
    if (tell.kind == GridViewTell::Live)
        net->SendLiveReqMask(tell.mask);
    else if (tell.kind == GridViewTell::Playback)
        net->SendPlayViewCh(tell.mask);
}

std::unique_ptr<GridSplitBar> CClientDlg::CreateSplitBar(Wnd* owner)
{
    return std::make_unique<CGridSplitBar>(owner);
}

void CClientDlg::ShowMainWindow()
{
    show();
    raise();
    activateWindow();
}
