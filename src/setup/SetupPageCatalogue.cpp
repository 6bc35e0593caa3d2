// Every page class of the setup window, by the template id its openers use.
#include "setup/CameraEnablePage.h"
#include "setup/ChannelOnOffPage.h"
#include "setup/EventActionPage.h"
#include "setup/SetupPageIds.h"
#include "setup/SetupPageRegistry.h"

void RegisterSetupPages(CSetupPageRegistry& registry)
{
    // Display tab.
    registry.Register(SetupPage::kCameraCovert, [] { return new CChannelOnOffPage(CameraCovertDesc()); });
    registry.Register(SetupPage::kCameraEnable, [] { return new CCameraEnablePage(); });
    // Event tab.
    registry.Register(SetupPage::kEventNotify, [] { return new CEventActionPage(EventNotifyDesc()); });
    registry.Register(SetupPage::kEventActionA, [] { return new CEventActionPage(EventActionADesc()); });
}
