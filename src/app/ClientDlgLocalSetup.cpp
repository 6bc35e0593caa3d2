// The main window's side of the local setup window and the bookmark bar.
#include "app/BookmarkDlg.h"
#include "app/ClientDlg.h"
#include "app/LocalSetupDlg.h"
#include "app/SkinMessageDlg.h"
#include "local/LocalPlayer.h"

int CClientDlg::VideoViewMode() const
{
    return m_pVideoWnd ? m_pVideoWnd->m_nViewMode.load() : 0;
}

bool CClientDlg::ReadOnlyMedia() const
{
    return m_bReadOnlyMedia != 0;
}

void CClientDlg::ShowNotice(QWidget* over, const QString& first, const QString& second)
{
    MessageBoxContent content;
    content.lineCount = 2;
    content.text = {first, second, QString()};
    for (int i = 0; i < 2; ++i)
        content.width[static_cast<std::size_t>(i)] =
            NotifyLineWidth(MeasureNotifyText(content.text[static_cast<std::size_t>(i)]), 1.0);
    content.buttonMode = NOTIFY_BUTTONS_OK;
    RunSkinMessageBox(over ? over : this, m_arrOpacity[8], content, &m_pMessageDlg);
}

// ---------------------------------------------------------------------------
// Bookmark bar

void CClientDlg::OnShowBookmarkBar(WPARAM mode)
{
    DestroyBookmarkBar();
    auto* bar = new CBookmarkDlg(this, this, m_arrOpacity[5]);
    bar->SetMode(static_cast<int>(mode));
    m_pBookmarkDlg = bar;
    bar->Create();
}

void CClientDlg::DestroyBookmarkBar()
{
    CBookmarkDlg* bar = m_pBookmarkDlg;
    if (!bar)
        return;
    m_pBookmarkDlg = nullptr;
    bar->DestroyWindow();
    bar->deleteLater();
}

void CClientDlg::ShowBookmarkBar(int mode)
{
    PostMessage(Handle(), WM_SHOW_BOOKMARK_BAR, static_cast<WPARAM>(mode), 0);
}

void CClientDlg::SetBookmarkButtons(int back, int forward)
{
    // Carried to the GUI thread in order with the bar's creation and end.
    PostMessage(Handle(), WM_BOOKMARK_BUTTONS, static_cast<WPARAM>(back), static_cast<LPARAM>(forward));
}

void CClientDlg::EndBookmarkBar()
{
    PostMessage(Handle(), WM_END_BOOKMARK_BAR, 0, 0);
}

QPoint CClientDlg::BookmarkClientOrigin()
{
    return mapToGlobal(QPoint(0, 0));
}

bool CClientDlg::BookmarkVideoArea(BarRect* rect)
{
    return TransferGridRect(rect);
}

void CClientDlg::BookmarkStep(int command)
{
    if (m_pLocalPlayer)
        m_pLocalPlayer->SetPlayCommand(command);
}

void CClientDlg::BookmarkBarGone(CBookmarkDlg* bar)
{
    if (m_pBookmarkDlg != bar)
        return;
    m_pBookmarkDlg = nullptr;
    bar->deleteLater();
}

bool CClientDlg::OnBookmarkMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_SHOW_BOOKMARK_BAR:
        OnShowBookmarkBar(wParam);
        return true;
    case WM_BOOKMARK_BUTTONS:
        // A bar already gone hears nothing.
        if (m_pBookmarkDlg)
            m_pBookmarkDlg->WindowProc(WM_BOOKMARK_BUTTONS, wParam, lParam);
        return true;
    case WM_END_BOOKMARK_BAR:
        DestroyBookmarkBar();
        return true;
    default:
        return false;
    }
}
