// Every page class of the setup window, by the template id its openers use.
#include "setup/BasicSetupPage.h"
#include "setup/CameraColorPage.h"
#include "setup/CameraEnablePage.h"
#include "setup/CameraNamePage.h"
#include "setup/ClientAccountPage.h"
#include "setup/DstSetupPage.h"
#include "setup/NtpSetupPage.h"
#include "setup/ChannelOnOffPage.h"
#include "setup/EventActionPage.h"
#include "setup/MailPages.h"
#include "setup/OsdSetupPage.h"
#include "setup/PtzPages.h"
#include "setup/SettingRowsPage.h"
#include "setup/SetupPageIds.h"
#include "setup/SetupPageRegistry.h"
#include "setup/SpotSequencePage.h"
#include "setup/record/AlarmPresetPage.h"
#include "setup/record/AudioInputPage.h"
#include "setup/record/MotionGridPage.h"
#include "setup/record/MotionRecordPage.h"
#include "setup/record/RecordConfigPage.h"
#include "setup/record/RecordDaysPage.h"
#include "setup/record/RecordModeRankPage.h"
#include "setup/record/RecordPage.h"
#include "setup/record/SensorRecordPage.h"
#include "setup/record/WeeklySchedulePage.h"

void RegisterSetupPages(CSetupPageRegistry& registry)
{
    // Display tab.
    registry.Register(SetupPage::kCameraCovert, [] { return new CChannelOnOffPage(CameraCovertDesc()); });
    registry.Register(SetupPage::kCameraEnable, [] { return new CCameraEnablePage(); });
    // Rec tab.
    registry.Register(SetupPage::kRecordConfig, [] { return new CRecordConfigPage(); });
    registry.Register(SetupPage::kAudioInput, [] { return new CAudioInputPage(); });
    registry.Register(SetupPage::kPlainRecord, [] { return new CPlainRecordPage(PlainRecordDesc()); });
    registry.Register(SetupPage::kScheduleRecord, [] { return new CPlainRecordPage(ScheduleRecordDesc()); });
    registry.Register(SetupPage::kRecordDays, [] { return new CRecordDaysPage(); });
    registry.Register(SetupPage::kWeeklySchedule, [] { return new CWeeklySchedulePage(); });
    registry.Register(SetupPage::kRecordModeRank, [] { return new CRecordModeRankPage(); });
    // Rec tab: sensor and motion recording and their sub-pages.
    registry.Register(SetupPage::kSensorRecord, [] { return new CSensorRecordPage(); });
    registry.Register(SetupPage::kMotionRecord, [] { return new CMotionRecordPage(); });
    registry.Register(SetupPage::kAlarmPreset, [] { return new CAlarmPresetPage(); });
    registry.Register(SetupPage::kSensorLink, [] { return new CChannelOnOffPage(SensorLinkDesc()); });
    registry.Register(SetupPage::kMotionGrid, [] { return new CMotionGridPage(); });
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
    // System tab.
    registry.Register(SetupPage::kBasicSetup, [] { return new CBasicSetupPage(); });
    registry.Register(SetupPage::kClientAccount, [] { return new CClientAccountPage(); });
    registry.Register(SetupPage::kDstSetup, [] { return new CDstSetupPage(); });
    registry.Register(SetupPage::kNtpSetup, [] { return new CNtpSetupPage(); });
    registry.Register(SetupPage::kAccountChannel, [] { return new CChannelOnOffPage(AccountChannelDesc()); });
    registry.Register(SetupPage::kEtcSetup, [] { return new CSettingRowsPage(EtcSetupDesc()); });
    registry.Register(SetupPage::kAutoDelete, [] { return new CSettingRowsPage(AutoDeleteDesc()); });
    registry.Register(SetupPage::kSmartSetup, [] { return new CSettingRowsPage(SmartSetupDesc()); });
    // Event tab.
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
