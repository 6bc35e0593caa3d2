// The main window's side of PTZ: the Pan and Zoom buttons, the panels'
// reports (WM_PTZ_MOVE, WM_PTZ_PRESET) and what the panels ask of the main
// window (its buttons, its place on the screen, the grid's cells).
#include "app/ClientDlg.h"

#include "net/NetClient.h"
#include "net/NetRecords.h"

void CClientDlg::TogglePtz(int mode)
{
    if (!m_pNetClient || !m_pNetClient->m_bLive)
        return;
    if (!m_pNetClient->HasRight(RIGHT_PTZ)) {
        m_ptzPanels.ClosePtzPreset();
        m_ptzPanels.ClosePtzMenu();
        m_ptzPanels.ClosePtzControl();
        PostNotifyEvent(NOTIFY_NO_PERMISSION, 0);
        return;
    }
    if (!m_ptzPanels.IsControlOpen()) {
        m_ptzPanels.ShowPtzControl(mode);
        m_ptzPanels.EnableDirections(true);
        return;
    }
    if (m_ptzPanels.ControlMode() == mode) {
        // The lit button toggles the panel off, with the panels it opened.
        m_ptzPanels.ClosePtzPreset();
        m_ptzPanels.ClosePtzMenu();
        m_ptzPanels.ClosePtzControl();
        return;
    }
    m_ptzPanels.ShowPtzControl(mode);
}

void CClientDlg::ClosePtzPanel(int)
{
    // The panel may have gone since the connection asked.
    if (!m_ptzPanels.IsControlOpen())
        return;
    // During live view the request means the PTZ right was withdrawn: the
    // toggle then says so, as it does when the button is pressed without it.
    const bool withdrawn = m_pNetClient && m_pNetClient->m_bLive && !m_pNetClient->HasRight(RIGHT_PTZ);
    m_ptzPanels.ClosePtzPreset();
    m_ptzPanels.ClosePtzMenu();
    m_ptzPanels.ClosePtzControl();
    if (withdrawn)
        PostNotifyEvent(NOTIFY_NO_PERMISSION, 0);
}

void CClientDlg::OnPtzMove(WPARAM wParam, LPARAM lParam)
{
    // The panels check live view and the open direction panel themselves.
    if (m_pNetClient)
        m_ptzPanels.OnPtzMove(wParam, lParam);
}

void CClientDlg::OnPtzPreset(WPARAM wParam, LPARAM lParam)
{
    if (m_pNetClient)
        m_ptzPanels.OnPtzPreset(wParam, lParam);
}

void CClientDlg::SetPtzButtons(int panState, int zoomState)
{
    m_btnPan.SetState(panState);
    m_btnZoom.SetState(zoomState);
}

QRect CClientDlg::MainClientRect() const
{
    return QRect(mapToGlobal(QPoint(0, 0)), size());
}

bool CClientDlg::VideoGridRect(QRect& screenRect) const
{
    if (!m_pVideoWnd)
        return false;
    screenRect = QRect(m_pVideoWnd->mapToGlobal(QPoint(0, 0)), m_pVideoWnd->size());
    return true;
}

bool CClientDlg::VideoGridCells(std::uint32_t& visibleMask, std::array<int, 16>& cellChannel) const
{
    if (!m_pVideoWnd)
        return false;
    int layout = 0;
    std::uint16_t visible = 0;
    m_pVideoWnd->GetLayout(layout, visible);
    visibleMask = visible;
    for (int cell = 0; cell < 16; ++cell)
        cellChannel[static_cast<std::size_t>(cell)] = m_pVideoWnd->GetCellChannel(cell);
    return true;
}
