// The firmware dialog as the main window's commands run it.
#pragma once

#include "app/MainCommands.h"
#include "net/FirmwareUpgradeDlg.h"

#include <memory>

class CFirmwareWindow : public IMainModalWindow
{
public:
    CFirmwareWindow(QWidget* mainDlg, WndHandle main, std::weak_ptr<CNetClient> connection, BYTE opacity,
                    const std::string& dataLocation);
    int Run() override { return m_dlg->DoModal(); }
    WndHandle Handle() const override { return m_dlg->Handle(); }
    int ScanUpgradeFolder() override { return m_dlg->ScanUpgradeFolder(); }
    CFirmwareUpgradeDlg* Dialog() { return m_dlg.get(); }

private:
    std::unique_ptr<CFirmwareUpgradeDlg> m_dlg;
};
