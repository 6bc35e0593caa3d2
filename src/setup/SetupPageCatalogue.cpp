// Every page class of the setup window, by the template id its openers use.
#include "setup/CameraColorPage.h"
#include "setup/CameraEnablePage.h"
#include "setup/CameraNamePage.h"
#include "setup/ChannelOnOffPage.h"
#include "setup/EventActionPage.h"
#include "setup/OsdSetupPage.h"
#include "setup/SetupPageIds.h"
#include "setup/SetupPageRegistry.h"
#include "setup/SpotSequencePage.h"
#include "setup/record/RecordPage.h"

void RegisterSetupPages(CSetupPageRegistry& registry)
{
    // Display tab.
    registry.Register(SetupPage::kCameraCovert, [] { return new CChannelOnOffPage(CameraCovertDesc()); });
    registry.Register(SetupPage::kCameraEnable, [] { return new CCameraEnablePage(); });
    // Rec tab.
    registry.Register(SetupPage::kPlainRecord, [] { return new CPlainRecordPage(PlainRecordDesc()); });
    registry.Register(SetupPage::kScheduleRecord, [] { return new CPlainRecordPage(ScheduleRecordDesc()); });
    // Event tab.
    registry.Register(SetupPage::kEventNotify, [] { return new CEventActionPage(EventNotifyDesc()); });
    registry.Register(SetupPage::kEventActionA, [] { return new CEventActionPage(EventActionADesc()); });
    // Display pages.
    registry.Register(SetupPage::kCameraColor, [] { return new CCameraColorPage(); });
    registry.Register(SetupPage::kCameraName, [] { return new CCameraNamePage(); });
    registry.Register(SetupPage::kSpotSequence, [] { return new CSpotSequencePage(); });
    registry.Register(SetupPage::kOsdSetup, [] { return new COsdSetupPage(); });
    registry.Register(SetupPage::kEmpty, [] { return new CEmptyPage(); });
    registry.Register(SetupPage::kEventActionB, [] { return new CEventActionPage(EventActionBDesc()); });
}
