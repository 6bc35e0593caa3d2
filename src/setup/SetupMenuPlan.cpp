#include "setup/SetupMenuPlan.h"

#include "setup/SetupPageIds.h"

namespace {

SetupMenuButton Button(int index, int bitmap, int caption, int page)
{
    SetupMenuButton b;
    b.id = kSetupMenuFirstButton + index;
    b.slot = index;
    b.bitmap = bitmap;
    b.captionId = caption;
    b.page = page;
    return b;
}

std::vector<SetupMenuButton> DisplayMenu(const SetupMenuCaps& caps)
{
    using namespace SetupPage;
    std::vector<SetupMenuButton> b = {
        Button(0, 2030, 5660, kCameraColor), Button(1, 2031, 5661, kCameraCovert),
        Button(2, 2032, 5452, kCameraName),  Button(3, 2033, 5662, kSpotSequence),
        Button(4, 2034, 5663, kOsdSetup),    Button(5, 2034, 6123, kCameraEnable),
    };
    if (!caps.channelLock)
        b[5].slot = -1;
    if (caps.servedModel) {
        b[3].slot = -1;
        b[4].slot = 3;
    }
    return b;
}

std::vector<SetupMenuButton> RecMenu(const SetupMenuCaps& caps)
{
    using namespace SetupPage;
    const bool weekly = caps.subProductMajor == 3 || caps.subProductMajor == 4;
    std::vector<SetupMenuButton> b = {
        Button(0, 2040, 5680, kRecordConfig),
        Button(1, 2041, weekly ? 6050 : 5208, kPlainRecord),
        Button(2, 2042, 5130, kSensorRecord),
        Button(3, 2043, 5131, kMotionRecord),
        Button(4, 2044, 5209, weekly ? kWeeklySchedule : kScheduleRecord),
        Button(5, 2045, 5132, kSensitivityRecord),
        Button(6, 2046, 5210, kRecordDays),
        Button(7, 2047, 5681, kRecordModeRank),
    };
    b[5].slot = -1;
    b[6].slot = 5;
    b[7].slot = 6;
    if (weekly) {
        b[6].slot = -1;
        b[7].slot = -1;
    }
    return b;
}

std::vector<SetupMenuButton> SystemMenu(const SetupMenuCaps& caps)
{
    using namespace SetupPage;
    const int etcCaption = caps.subProductMajor == 5 || caps.subProductMajor == 6 ? 6093 : 5834;
    std::vector<SetupMenuButton> b = {
        Button(0, 2050, 5700, kBasicSetup),  Button(1, 2050, 5861, kClientAccount),
        Button(2, 2050, 5489, kSensorSetup), Button(3, 2050, 5702, kAutoDelete),
        Button(4, 2050, 5703, kPtzSetup),    Button(5, 2050, 5704, kPtzController),
        Button(6, 2050, 5705, kDstSetup),    Button(7, 2050, 5708, kNtpSetup),
        Button(8, 2050, 5837, kSmartSetup),  Button(9, 2050, etcCaption, kEtcSetup),
        Button(10, 2050, 0, kSerialSetup),
    };
    b[10].fixedCaption = "Serial Setup";
    // The account page opens as from the menu: not returning, user 0.
    b[1].args = SetupPageArgs{0, 0};
    // Rule 2: the Smart page from format 4.7.
    if (caps.version.LaterThan(4, 6)) {
        b[8].slot = 8;
        b[9].slot = 9;
    } else {
        b[8].slot = -1;
        b[9].slot = 8;
    }
    // Rule 3: sub product 5.2 has a serial page instead of the two PTZ pages.
    if (caps.subProduct52) {
        b[4].slot = -1;
        b[5].slot = -1;
        b[6].slot = 5;
        b[7].slot = 6;
        if (b[8].slot >= 0)
            b[8].slot = 7;
        b[9].slot = 8;
        b[10].slot = 4;
    } else {
        b[10].slot = -1;
    }
    return b;
}

std::vector<SetupMenuButton> EventMenu()
{
    using namespace SetupPage;
    return {Button(0, 2060, 5730, kMailSetup), Button(1, 2061, 5731, kEventNotify),
            Button(2, 2062, 5732, kEventActionA), Button(3, 2063, 5733, kEventActionB)};
}

} // namespace

std::vector<SetupMenuButton> PlanSetupMenu(SetupMenuKind kind, const SetupMenuCaps& caps)
{
    switch (kind) {
    case SetupMenuKind::Display:
        return DisplayMenu(caps);
    case SetupMenuKind::Rec:
        return RecMenu(caps);
    case SetupMenuKind::System:
        return SystemMenu(caps);
    case SetupMenuKind::Event:
        return EventMenu();
    }
    return {};
}

QRect SetupMenuSlotRect(int slot)
{
    return QRect(2, 1 + 40 * slot, 170, 35);
}
