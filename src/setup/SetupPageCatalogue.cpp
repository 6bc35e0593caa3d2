// Every page class of the setup window, by the template id its openers use.
#include "setup/BasicSetupPage.h"
#include "setup/CameraEnablePage.h"
#include "setup/ClientAccountPage.h"
#include "setup/DstSetupPage.h"
#include "setup/NtpSetupPage.h"
#include "setup/ChannelOnOffPage.h"
#include "setup/SettingRowsPage.h"
#include "setup/SetupPageIds.h"
#include "setup/SetupPageRegistry.h"

void RegisterSetupPages(CSetupPageRegistry& registry)
{
    // Display tab.
    registry.Register(SetupPage::kCameraCovert, [] { return new CChannelOnOffPage(CameraCovertDesc()); });
    registry.Register(SetupPage::kCameraEnable, [] { return new CCameraEnablePage(); });
    // System tab.
    registry.Register(SetupPage::kBasicSetup, [] { return new CBasicSetupPage(); });
    registry.Register(SetupPage::kClientAccount, [] { return new CClientAccountPage(); });
    registry.Register(SetupPage::kDstSetup, [] { return new CDstSetupPage(); });
    registry.Register(SetupPage::kNtpSetup, [] { return new CNtpSetupPage(); });
    registry.Register(SetupPage::kAccountChannel, [] { return new CChannelOnOffPage(AccountChannelDesc()); });
    registry.Register(SetupPage::kEtcSetup, [] { return new CSettingRowsPage(EtcSetupDesc()); });
    registry.Register(SetupPage::kAutoDelete, [] { return new CSettingRowsPage(AutoDeleteDesc()); });
    registry.Register(SetupPage::kSmartSetup, [] { return new CSettingRowsPage(SmartSetupDesc()); });
}
