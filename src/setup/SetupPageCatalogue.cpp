// Every page class of the setup window, by the template id its openers use.
#include "setup/CameraEnablePage.h"
#include "setup/ChannelOnOffPage.h"
#include "setup/EventActionPage.h"
#include "setup/MailPages.h"
#include "setup/PtzPages.h"
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
    registry.Register(SetupPage::kMailImage, [] { return new CChannelOnOffPage(MailImageDesc()); });
    registry.Register(SetupPage::kMailSetup, [] { return new CMailSetupPage(); });
    registry.Register(SetupPage::kMailSchedule, [] { return new CMailSchedulePage(); });
    // System tab: serial line and sensors.
    registry.Register(SetupPage::kSensorSetup, [] { return new CChannelOnOffPage(SensorSetupDesc()); });
    registry.Register(SetupPage::kPtzSetup, [] { return new CPtzSetupPage(PtzSetupDesc()); });
    registry.Register(SetupPage::kPtzController, [] { return new CPtzSetupPage(PtzControllerDesc()); });
    registry.Register(SetupPage::kPtzLimit, [] { return new CPtzLimitPage(); });
    registry.Register(SetupPage::kSerialSetup, [] { return new CSerialSetupPage(); });
}
