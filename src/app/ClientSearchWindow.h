// The main window's side of the remote search window: the narrow interface
// the window uses, over CClientDlg, and the modal run the commands drive.
#pragma once

#include "app/MainCommands.h"
#include "search/SearchHost.h"

#include <memory>

class CClientDlg;

class CClientSearchMain : public ISearchMainWindow
{
public:
    explicit CClientSearchMain(CClientDlg& dlg) : m_dlg(dlg) {}

    QWidget* MainWidget() override;
    WndHandle MainHandle() const override;
    std::shared_ptr<CNetClient> NetClient() const override;
    int DateFormat() const override;
    std::uint8_t Opacity(int index) const override;
    std::string LoadResString(int id) const override;
    std::int64_t DiskSpace() const override;
    std::string DownloadFolder() const override;
    bool LocalPlayerRunning() const override;
    int ViewMode() const override;
    void Notify(int code, int sub, WndHandle owner) override;
    void InvalidatePlaybackStrip() override;
    bool PromptArchivePassword(std::string& typed, const std::function<void(WndHandle)>& opened) override;
    int GrabStillForMotionGrid(CMotionGridStatic* grid, int channel) override;

private:
    CClientDlg& m_dlg;
};

std::unique_ptr<IMainModalWindow> MakeRemoteSearchWindow(CClientDlg& dlg);
