// The backup size decision and the disk-space box it leads to, as a table.
#include "search/BackupFlow.h"
#include "app/NotifyTable.h"

#include <gtest/gtest.h>

namespace {

struct SizeCase
{
    std::uint32_t kb;
    std::int64_t free;
    bool running;
    const char* text;
    bool calculateOn, backupOn, refused;
    int shown, inMB;
    std::int64_t spaceLeft;
    std::int32_t need, freeLess100;
    // The box: 0 none (not refused), 2 two GByte lines, 1 one MByte line.
    int boxSizeLines;
};

TEST(BackupSizeDecision, LabelButtonsStoredValuesAndTheBox)
{
    const SizeCase cases[] = {
        {1023, 100000, false, "1023 KByte", false, true, false, 1023, 0, 0, 0, 0, 0},
        {1024, 100000, false, "1 MByte", false, true, false, 1, 1, 0, 0, 0, 0},
        {1048575, 100000, false, "1023 MByte", false, true, false, 1023, 1, 0, 0, 0, 0},
        // 100 MB exactly left passes; one more MB is refused.
        {512000, 600, false, "500 MByte", false, true, false, 500, 1, 0, 0, 0, 0},
        {513024, 600, false, "", true, false, true, 501, 1, 99, 501, 500, 2},
        // Need 0 on a drive with 50 free: the numbers are not both above 0.
        {800, 50, false, "", true, false, true, 800, 0, 50, 0, -50, 1},
        // An empty range: shown, Calculate stays, Backup off.
        {0, 100000, false, "0 KByte", true, false, false, 0, 0, 0, 0, 0, 0},
        // A transfer already runs: neither button.
        {4096, 100000, true, "4 MByte", false, false, false, 4, 1, 0, 0, 0, 0},
        // An optical or unreadable drive counts as no space.
        {10, 0, false, "", true, false, true, 10, 0, 0, 0, -100, 1},
        // Far more than the drive holds: refused, never wrapped into a pass.
        {0xFFFFFFFFu, 3000, false, "", true, false, true, 4194303, 1, 3000 - 4194303, 4194303, 2900, 2},
    };
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.kb << " KB, free " << c.free);
        const BackupSizeDecision d = SizeDecision(c.kb, c.free, c.running);
        EXPECT_EQ(d.text, c.text);
        EXPECT_EQ(d.calculateOn, c.calculateOn);
        EXPECT_EQ(d.backupOn, c.backupOn);
        EXPECT_EQ(d.refused, c.refused);
        EXPECT_EQ(d.sizeKB, c.kb);
        EXPECT_EQ(d.sizeShown, c.shown);
        EXPECT_EQ(d.sizeInMB, c.inMB);
        if (!c.refused)
            continue;
        EXPECT_EQ(d.spaceLeftMB, c.spaceLeft);
        EXPECT_EQ(d.nackNeedMB, c.need);
        EXPECT_EQ(d.nackFreeMB, c.freeLess100);

        NotifyState s;
        s.connected = s.loggedIn = s.searchWindowOpen = true;
        s.transNackNeededMB = d.nackNeedMB;
        s.transNackFreeMB = d.nackFreeMB;
        s.backupSpareMB = static_cast<int>(d.spaceLeftMB);
        const NotifyBox box = BuildNotifyBox(NOTIFY_BACKUP_SIZE, 0, s);
        if (c.boxSizeLines == 2) {
            ASSERT_EQ(box.lineCount, 3);
            EXPECT_EQ(box.lines[1].kind, NotifyLineKind::GByte);
            EXPECT_EQ(box.lines[1].value[0], c.need);
            EXPECT_EQ(box.lines[2].value[0], c.freeLess100);
            EXPECT_TRUE(box.clearTransNack);
        } else {
            ASSERT_EQ(box.lineCount, 2);
            EXPECT_EQ(box.lines[1].kind, NotifyLineKind::MByte);
            EXPECT_EQ(box.lines[1].value[0], c.spaceLeft);
        }
    }
}

TEST(BackupSizeDecision, NamesAreCutToOneHundredCharacters)
{
    EXPECT_EQ(CutBackupName(std::string(150, 'n')), std::string(100, 'n'));
    EXPECT_EQ(CutBackupName("day"), "day");
    EXPECT_EQ(CutBackupName(""), "");
}

} // namespace

#include "search/BackupTimeline.h"

namespace {

TEST(BackupMarkers, DefaultRangeAndEveryWayKeepsStartBeforeEnd)
{
    CTimelineView view;
    CBackupMarkers m;
    EXPECT_EQ(view.X(m.Start()), 113);
    EXPECT_EQ(view.X(m.End()), 400);

    // Start marker: a click right of the end's pixel, or past it by key or pop-up, is refused.
    ASSERT_TRUE(m.Pick(3600, false));
    EXPECT_EQ(m.Start(), 3600);
    m.SetActive(1);
    ASSERT_TRUE(m.Pick(7200, false));
    m.SetActive(0);
    EXPECT_FALSE(m.Click(view, view.X(7200) + 1, false));
    EXPECT_FALSE(m.Pick(7201, false));
    EXPECT_FALSE(m.Pick(3600, false)); // the same time: nothing happens
    // Start = end is allowed.
    ASSERT_TRUE(m.Pick(7200, false));
    EXPECT_FALSE(m.Step(300, true, false));
    ASSERT_TRUE(m.Step(300, false, false));
    EXPECT_EQ(m.Start(), 6900);

    // End marker: a click on the start's own pixel never goes before the start.
    m.SetActive(1);
    ASSERT_TRUE(m.Pick(6900 + 600, false));
    EXPECT_TRUE(m.Click(view, view.X(6900), false));
    EXPECT_EQ(m.End(), 6900);
    EXPECT_FALSE(m.Click(view, view.X(6900) - 1, false));
    EXPECT_LE(m.Start(), m.End());
    EXPECT_FALSE(m.Step(300, false, false));

    // The end may reach 24:00:00, not beyond.
    ASSERT_TRUE(m.Pick(86100, false));
    ASSERT_TRUE(m.Step(300, true, false));
    EXPECT_EQ(m.End(), 86400);
    EXPECT_FALSE(m.Step(300, true, false));
    // Clicks stop at the last pixel a click can reach (23:55:00).
    m.SetActive(1);
    ASSERT_TRUE(m.Click(view, 405, false));
    EXPECT_EQ(m.End(), 23 * 3600 + 55 * 60);

    // While the size is asked nothing moves.
    m.SetActive(0);
    EXPECT_FALSE(m.Click(view, 113, true));
    EXPECT_FALSE(m.Step(300, false, true));
    EXPECT_FALSE(m.Pick(0, true));
    EXPECT_EQ(m.Start(), 6900);
}

} // namespace
