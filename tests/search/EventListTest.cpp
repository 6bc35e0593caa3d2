// The event list: entries of an answer, kind numbering, time and camera
// texts, and the list panel offscreen (tabs, rows, selection rules).
#include "search/EventList.h"
#include "search/EventListPanel.h"

#include "ui/UiMessages.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace {

DayIntervalRecord Rec(std::uint32_t mask, std::uint8_t kind, std::uint32_t start, std::uint32_t end)
{
    DayIntervalRecord r;
    r.channelMask = mask;
    r.eventKinds = kind;
    r.startTime = start;
    r.endTime = end;
    return r;
}

TEST(EventEntries, KindsAreNumberedWithinTheirKindAndOthersBelongToNoTab)
{
    CEventEntries entries;
    BuildEventEntries({Rec(1, 2, 10, 20), Rec(1, 1, 30, 40), Rec(1, 3, 50, 60), Rec(1, 2, 70, 80),
                       Rec(1, 4, 90, 95), Rec(1, 0, 1, 2)},
                      entries);
    ASSERT_EQ(entries.Count(), 6);
    const int expected[6] = {0, 0, -1, 1, 0, -1};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(entries.All()[static_cast<std::size_t>(i)].index, expected[i]) << i;
    EXPECT_EQ(entries.KindCount(1), 1);
    EXPECT_EQ(entries.KindCount(2), 2);
    EXPECT_EQ(entries.KindCount(4), 1);
    EXPECT_EQ(entries.KindCount(3), 0);
    ASSERT_NE(entries.Find(2, 1), nullptr);
    EXPECT_EQ(entries.Find(2, 1)->start, 70);
    EXPECT_EQ(entries.Find(3, -1), nullptr);
    EXPECT_EQ(entries.Find(2, 2), nullptr);
}

TEST(EventEntries, OpeningKindIsTheFirstWithEntries)
{
    CEventEntries entries;
    EXPECT_EQ(entries.FirstKindWithEntries(), 1);
    BuildEventEntries({Rec(1, 2, 10, 20), Rec(1, 2, 30, 40)}, entries);
    EXPECT_EQ(entries.FirstKindWithEntries(), 2);
    BuildEventEntries({Rec(1, 4, 10, 20), Rec(1, 7, 30, 40)}, entries);
    EXPECT_EQ(entries.FirstKindWithEntries(), 4);
    // Rebuilding starts the numbering again.
    EXPECT_EQ(entries.KindCount(2), 0);
    EXPECT_EQ(EventKindOfHandOver(1), 2);
    EXPECT_EQ(EventKindOfHandOver(2), 4);
    EXPECT_EQ(EventKindOfHandOver(0), 1);
    EXPECT_EQ(EventKindOfHandOver(9), 1);
    EXPECT_EQ(HandOverKindOfEvent(4), 2);
}

TEST(EventEntries, TheListHoldsAtMostOneHundredThousand)
{
    std::vector<DayIntervalRecord> records(kMaxEventEntries + 5, Rec(1, 1, 1, 2));
    CEventEntries entries;
    BuildEventEntries(records, entries);
    EXPECT_EQ(entries.Count(), kMaxEventEntries);
    EXPECT_EQ(entries.KindCount(1), kMaxEventEntries);
}

TEST(EventTexts, CamerasAndTimes)
{
    EXPECT_EQ(EventCameraText(0x8005), "01 03 16 ");
    EXPECT_EQ(EventCameraText(0x8001), "01 16 ");
    EXPECT_EQ(EventCameraText(0xFFFF0000), "");
    // 2008-03-20 13:04:05 as wall-clock seconds.
    const std::int64_t t = 1206018245;
    const struct
    {
        std::int64_t t;
        int format;
        const char* text;
    } cases[] = {
        {t, 0, "2008-03-20 13:04:05"},
        {t, 1, "03-20-2008 13:04:05"},
        {t, 2, "20-03-2008 13:04:05"},
        {t, 3, ""},
        {-5, 0, "1970-01-01 00:00:00"},
        {-5, 1, "01-01-1970 00:00:00"},
        {-5, 2, "01-01-1970 00:00:00"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatEventTime(c.t, c.format), c.text) << c.t << " " << c.format;
}

class FakeListHost : public IEventListHost
{
public:
    int DateFormat() const override { return 0; }
    QString Text(int id) const override { return QString::number(id); }
    bool RequestPending() const override { return pending; }
    bool PlayAllowed() const override { return playAllowed; }
    void OnEventPlay(const EventEntry* e) override { played.push_back(e ? e->start : -1); }
    void OnEventCalculate(const EventEntry* e) override { calculated.push_back(e ? e->start : -1); }
    void OnEventBackup(const EventEntry* e) override { backedUp.push_back(e ? e->start : -1); }

    bool pending = false;
    bool playAllowed = true;
    std::vector<int> played, calculated, backedUp;
};

CEventEntries ThreeMotionOneAlarm()
{
    CEventEntries entries;
    BuildEventEntries({Rec(0x8005, 2, 100, 200), Rec(1, 1, 300, 400), Rec(2, 2, 500, 600), Rec(4, 2, 700, 800)},
                      entries);
    return entries;
}

void Click(CSkinButton& b)
{
    SendMessage(b.parentWidget() ? static_cast<Wnd*>(b.parentWidget())->Handle() : WndHandle(), WM_COMMAND,
                MakeCommandWParam(b.GetDlgCtrlID(), BN_CLICKED), 0);
}

TEST(EventListPanel, SearchListRowsSelectionAndPlay)
{
    FakeListHost host;
    QWidget page;
    CEventListPanel panel(host, &page);
    panel.Init(EventListStyle{}, ThreeMotionOneAlarm());
    panel.ShowKind(2);
    ASSERT_EQ(panel.m_list.GetItemCount(), 3);
    EXPECT_EQ(panel.m_list.columnCount(), 3);
    EXPECT_EQ(panel.m_list.GetItemText(0, 0), "1970-01-01 00:01:40");
    EXPECT_EQ(panel.m_list.GetItemText(0, 2), "01 03 16 ");
    EXPECT_EQ(panel.m_btnTab[1].m_nState, 1);
    EXPECT_EQ(panel.m_btnTab[0].m_nState, 0);
    EXPECT_FALSE(panel.m_btnPlay.m_bEnabled);
    EXPECT_EQ(panel.Selected(), -1);

    panel.SelectRow(1);
    EXPECT_EQ(panel.Selected(), 1);
    EXPECT_TRUE(panel.m_btnPlay.m_bEnabled);
    Click(panel.m_btnPlay);
    ASSERT_EQ(host.played.size(), 1u);
    EXPECT_EQ(host.played[0], 500);

    // Another tab forgets the selection; no selection plays nothing.
    Click(panel.m_btnTab[0]);
    EXPECT_EQ(panel.CurKind(), 1);
    EXPECT_EQ(panel.Selected(), -1);
    Click(panel.m_btnPlay);
    EXPECT_EQ(host.played.back(), -1);

    // Tabs wait while a request is pending.
    host.pending = true;
    Click(panel.m_btnTab[2]);
    EXPECT_EQ(panel.CurKind(), 1);
}

TEST(EventListPanel, PlayStaysOffWhileLocalPlaybackRuns)
{
    FakeListHost host;
    host.playAllowed = false;
    QWidget page;
    CEventListPanel panel(host, &page);
    panel.Init(EventListStyle{}, ThreeMotionOneAlarm());
    panel.ShowKind(2);
    panel.SelectRow(0);
    EXPECT_EQ(panel.Selected(), 0);
    EXPECT_FALSE(panel.m_btnPlay.m_bEnabled);
}

TEST(EventListPanel, BackupListSelectionEnablesCalculateOnly)
{
    FakeListHost host;
    QWidget page;
    CEventListPanel panel(host, &page);
    EventListStyle style;
    style.backup = true;
    style.prevX = 205;
    style.selectionClears = false;
    panel.Init(style, ThreeMotionOneAlarm());
    panel.ShowKind(2);
    EXPECT_FALSE(panel.m_btnCalculate.m_bEnabled);
    EXPECT_FALSE(panel.m_btnPlay.m_bEnabled);
    EXPECT_EQ(panel.m_btnPrev.x(), 205);
    panel.SelectRow(2);
    EXPECT_EQ(panel.Selected(), 2);
    EXPECT_TRUE(panel.m_btnCalculate.m_bEnabled);
    EXPECT_FALSE(panel.m_btnPlay.m_bEnabled);
    Click(panel.m_btnCalculate);
    ASSERT_EQ(host.calculated.size(), 1u);
    EXPECT_EQ(host.calculated[0], 700);
    // While the size is asked, a new selection changes nothing.
    host.pending = true;
    panel.SelectRow(0);
    EXPECT_EQ(panel.Selected(), 2);
}

TEST(EventListPanel, NewestFirstMapsRowsBackToIndexes)
{
    FakeListHost host;
    QWidget page;
    CEventListPanel panel(host, &page);
    EventListStyle style;
    style.prev = false;
    style.cameraColumn = false;
    style.newestFirst = true;
    style.fillResets = false;
    style.pendingGuards = false;
    panel.Init(style, ThreeMotionOneAlarm());
    panel.ShowKind(2);
    EXPECT_EQ(panel.m_list.columnCount(), 2);
    EXPECT_TRUE(panel.m_btnPrev.isHidden());
    EXPECT_EQ(panel.m_list.GetItemText(0, 0), "1970-01-01 00:11:40");
    panel.SelectRow(0);
    EXPECT_EQ(panel.Selected(), 2);
    ASSERT_NE(panel.SelectedEntry(), nullptr);
    EXPECT_EQ(panel.SelectedEntry()->start, 700);
    EXPECT_EQ(panel.RowOfIndex(2), 0);
}

} // namespace
