#include "app/FirmwareWindow.h"

#include "platform/Paths.h"

CFirmwareWindow::CFirmwareWindow(QWidget* mainDlg, WndHandle main, std::weak_ptr<CNetClient> connection,
                                 BYTE opacity, const std::string& dataLocation)
    : m_dlg(std::make_unique<CFirmwareUpgradeDlg>(mainDlg, std::move(connection), opacity,
                                                  Paths::Join(dataLocation, "\\Upgrade\\")))
{
    m_dlg->SetMainWindow(main);
}
