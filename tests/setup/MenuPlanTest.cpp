// The tab menus' slot plans: which buttons show, in which slot, by model and
// format version.
#include "setup/SetupMenuPlan.h"
#include "setup/SetupPageIds.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

// Slot of each button in id order (-1 hidden).
std::vector<int> Slots(SetupMenuKind kind, const SetupMenuCaps& caps)
{
    std::vector<int> out;
    for (const SetupMenuButton& b : PlanSetupMenu(kind, caps))
        out.push_back(b.slot);
    return out;
}

SetupMenuCaps MakeCaps(bool lock, bool served, bool sub52, int subMajor, int major, int minor)
{
    SetupMenuCaps c;
    c.channelLock = lock;
    c.servedModel = served;
    c.subProduct52 = sub52;
    c.subProductMajor = subMajor;
    c.version = SetupVersion{major, minor};
    return c;
}

} // namespace

TEST(SetupMenuPlan, SlotsByModelAndVersion)
{
    struct Case
    {
        const char* name;
        SetupMenuKind kind;
        SetupMenuCaps caps;
        std::vector<int> expected;
    } cases[] = {
        {"display plain",
         SetupMenuKind::Display,
         MakeCaps(false, false, false, 0, 4, 6),
         {0, 1, 2, 3, 4, -1}},
        {"display served",
         SetupMenuKind::Display,
         MakeCaps(false, true, false, 0, 4, 6),
         {0, 1, 2, -1, 3, -1}},
        {"display served, lock",
         SetupMenuKind::Display,
         MakeCaps(true, true, false, 6, 4, 6),
         {0, 1, 2, -1, 3, 5}},
        {"display lock", SetupMenuKind::Display, MakeCaps(true, false, false, 6, 4, 6), {0, 1, 2, 3, 4, 5}},
        {"rec", SetupMenuKind::Rec, MakeCaps(false, false, false, 0, 4, 6), {0, 1, 2, 3, 4, -1, 5, 6}},
        {"rec sub 3",
         SetupMenuKind::Rec,
         MakeCaps(false, false, false, 3, 4, 6),
         {0, 1, 2, 3, 4, -1, -1, -1}},
        {"rec sub 4",
         SetupMenuKind::Rec,
         MakeCaps(false, false, false, 4, 4, 6),
         {0, 1, 2, 3, 4, -1, -1, -1}},
        {"system 4.6",
         SetupMenuKind::System,
         MakeCaps(false, false, false, 0, 4, 6),
         {0, 1, 2, 3, 4, 5, 6, 7, -1, 8, -1}},
        {"system 4.7",
         SetupMenuKind::System,
         MakeCaps(false, false, false, 0, 4, 7),
         {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, -1}},
        {"system 5.2, 4.6",
         SetupMenuKind::System,
         MakeCaps(false, false, true, 5, 4, 6),
         {0, 1, 2, 3, -1, -1, 5, 6, -1, 8, 4}},
        {"system 5.2, 5.0",
         SetupMenuKind::System,
         MakeCaps(false, false, true, 5, 5, 0),
         {0, 1, 2, 3, -1, -1, 5, 6, 7, 8, 4}},
        {"event", SetupMenuKind::Event, MakeCaps(false, false, false, 0, 4, 6), {0, 1, 2, 3}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Slots(c.kind, c.caps), c.expected) << c.name;
}

TEST(SetupMenuPlan, CaptionsAndPagesByModel)
{
    const auto rec = PlanSetupMenu(SetupMenuKind::Rec, MakeCaps(false, false, false, 0, 4, 6));
    EXPECT_EQ(rec[1].captionId, 5208);
    EXPECT_EQ(rec[4].page, SetupPage::kScheduleRecord);
    const auto rec3 = PlanSetupMenu(SetupMenuKind::Rec, MakeCaps(false, false, false, 3, 4, 6));
    EXPECT_EQ(rec3[1].captionId, 6050);
    EXPECT_EQ(rec3[4].page, SetupPage::kWeeklySchedule);

    const auto sys = PlanSetupMenu(SetupMenuKind::System, MakeCaps(false, false, false, 0, 4, 6));
    EXPECT_EQ(sys[9].captionId, 5834);
    EXPECT_STREQ(sys[10].fixedCaption, "Serial Setup");
    EXPECT_EQ(sys[1].page, SetupPage::kClientAccount);
    EXPECT_EQ(sys[1].args, (SetupPageArgs{0, 0}));
    for (int sub : {5, 6})
        EXPECT_EQ(PlanSetupMenu(SetupMenuKind::System, MakeCaps(false, false, false, sub, 4, 6))[9].captionId,
                  6093);

    const auto display = PlanSetupMenu(SetupMenuKind::Display, MakeCaps(true, false, false, 6, 4, 6));
    EXPECT_EQ(display[1].page, SetupPage::kCameraCovert);
    EXPECT_EQ(display[5].page, SetupPage::kCameraEnable);
    EXPECT_EQ(SetupMenuSlotRect(3), QRect(2, 121, 170, 35));
}
