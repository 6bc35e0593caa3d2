// The plain and schedule record pages offscreen on the real window: the same
// cases on both blocks, pressing the real buttons, boxes and sliders and
// checking the image byte by byte.
#include "RecordTestSupport.h"

#include "setup/record/RecordBlock.h"
#include "setup/record/RecordPage.h"

using namespace rectest;

namespace {

struct Member
{
    const char* name;
    int templateId;
    const RecordBlock& block;
};

std::vector<Member> Members()
{
    return {{"plain", SetupPage::kPlainRecord, PlainRecordBlock()},
            {"schedule", SetupPage::kScheduleRecord, ScheduleRecordBlock()}};
}

// NTSC, every block at 4CIF and rate 1, audio off, cameras on, the four
// audio inputs on channels 0-3.
SetupDbImage BaseImage()
{
    SetupDbImage im = ImageBuilder().Build();
    im[SetupDb::VideoStandard.offset] = 0;
    for (const RecordBlock* b : {&PlainRecordBlock(), &ScheduleRecordBlock()})
        for (int ch = 0; ch < 16; ++ch) {
            im[b->resolution.offset + ch] = 0;
            im[b->rate.offset + ch] = 1;
            im[b->audio.offset + ch] = 0;
        }
    for (int ch = 0; ch < 16; ++ch)
        im[SetupDb::CameraEnable.offset + ch] = 1;
    for (int k = 0; k < 4; ++k)
        im[SetupDb::AudioInputChannel.offset + k] = static_cast<std::uint8_t>(k);
    return im;
}

class RecordFamily : public RecordWindow
{
protected:
    CRecordPage* Page(const Member& m) { return Show<CRecordPage>(m.templateId); }
    void Tab(CRecordPage* p, int index) { Click(&p->m_tabs.Button(index)); }
};

} // namespace

TEST_F(RecordFamily, CifOnEightChannelsWritesTheirResolutionsAndRefillsTheirRates)
{
    for (const Member& m : Members()) {
        Open(Kind(8), BaseImage());
        CRecordPage* p = Page(m);
        ASSERT_NE(p, nullptr) << m.name;
        EXPECT_TRUE(p->m_arrCifButton[0].isVisible());
        EXPECT_FALSE(p->m_arrCifButton[1].isVisible());
        EXPECT_FALSE(p->m_rowCheck[0].isVisible());
        Click(&p->m_arrCifButton[0]);
        EXPECT_TRUE(ChangedExactly(Union(Range(m.block.resolution.offset, 8), Range(m.block.rate.offset, 8))))
            << m.name;
        for (int ch = 0; ch < 8; ++ch) {
            EXPECT_EQ(At(m.block.resolution.offset + ch), 2);
            EXPECT_EQ(At(m.block.rate.offset + ch), 30);
        }
        EXPECT_EQ(p->m_arrCifButton[0].m_nState, 1);
        EXPECT_EQ(p->m_arr4CifButton[0].m_nState, 0);
        // The Rate tab shows the refilled rates; rows 9-16 never show.
        Tab(p, 1);
        EXPECT_EQ(p->m_arrSlider[7].GetPos(), 30);
        EXPECT_FALSE(p->m_arrSlider[8].isVisible());
        EXPECT_TRUE(p->m_btnAllCheck.isVisible());
    }
}

TEST_F(RecordFamily, CheckedRowsMoveTogether)
{
    for (const Member& m : Members()) {
        Open(Kind(16), BaseImage());
        CRecordPage* p = Page(m);
        ASSERT_NE(p, nullptr);
        Tab(p, 1);
        Click(&p->m_rowCheck[2]);
        Click(&p->m_rowCheck[5]);
        ASSERT_TRUE(MoveSlider(p->m_arrSlider[2], 3));
        EXPECT_TRUE(ChangedExactly({m.block.rate.offset + 2u, m.block.rate.offset + 5u})) << m.name;
        EXPECT_EQ(At(m.block.rate.offset + 5), 3);
        EXPECT_EQ(p->m_arrSlider[5].GetPos(), 3);
        EXPECT_EQ(p->m_arrRateLabel[5].GetWindowText(), "3 fps");
        Rebase();
        ASSERT_TRUE(MoveSlider(p->m_arrSlider[3], 2));
        EXPECT_TRUE(ChangedExactly({m.block.rate.offset + 3u})) << m.name;
        // Channel 9 at 30 fits; channel 10 then finds 4 x (3 + 3 + 2 + 30 + 11) = 196
        // units used and snaps back to (240 - 196) / 4 = 11.
        ASSERT_TRUE(MoveSlider(p->m_arrSlider[9], 30));
        EXPECT_EQ(At(m.block.rate.offset + 9), 30);
        ASSERT_TRUE(MoveSlider(p->m_arrSlider[10], 30));
        EXPECT_EQ(At(m.block.rate.offset + 10), 11);
        EXPECT_EQ(p->m_arrSlider[10].GetPos(), 11);
        Click(&p->m_btnAllCheck);
        for (int r = 0; r < 16; ++r)
            EXPECT_EQ(p->m_rowCheck[r].GetCheck(), 1);
        Click(&p->m_btnReturnAll);
        EXPECT_EQ(p->m_rowCheck[2].GetCheck(), 0);
    }
}

TEST_F(RecordFamily, SwitchedOffCameraIsLockedAtZero)
{
    for (const Member& m : Members()) {
        SetupDbImage im = BaseImage();
        im[SetupDb::CameraEnable.offset + 4] = 0;
        im[m.block.rate.offset + 4] = 5;
        Open(Kind(16, 6), im);
        CRecordPage* p = Page(m);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(At(m.block.rate.offset + 4), 5) << "nothing before the Rate tab";
        Tab(p, 1);
        EXPECT_TRUE(ChangedExactly({m.block.rate.offset + 4u})) << m.name;
        EXPECT_EQ(At(m.block.rate.offset + 4), 0);
        EXPECT_FALSE(p->m_rowCheck[4].isEnabled());
        EXPECT_FALSE(p->m_arrSlider[4].isEnabled());
        Click(&p->m_btnAllCheck);
        EXPECT_EQ(p->m_rowCheck[4].GetCheck(), 0);
        EXPECT_EQ(p->m_rowCheck[5].GetCheck(), 1);
    }
}

TEST_F(RecordFamily, AudioTabSinglePairAndInputs)
{
    for (const Member& m : Members()) {
        // Without sub product 6: one pair for channel 0, gated by its rate.
        SetupDbImage im = BaseImage();
        im[m.block.rate.offset] = 0;
        im[m.block.audio.offset] = 1;
        Open(Kind(16), im);
        CRecordPage* p = Page(m);
        ASSERT_NE(p, nullptr);
        Tab(p, 2);
        EXPECT_TRUE(p->m_arrOnButton[0].isVisible());
        EXPECT_FALSE(p->m_arrOnButton[1].isVisible());
        EXPECT_FALSE(p->m_rowCheck[0].isVisible());
        EXPECT_FALSE(p->m_arrOnButton[0].isEnabled());
        EXPECT_TRUE(ChangedExactly({m.block.audio.offset})) << m.name;

        // With it, the inputs on channels 0-3: audio 4-15 becomes 0.
        im = BaseImage();
        for (int ch = 0; ch < 16; ++ch)
            im[m.block.audio.offset + ch] = 1;
        Open(Kind(16, 6), im);
        p = Page(m);
        Tab(p, 2);
        EXPECT_TRUE(ChangedExactly(Range(m.block.audio.offset + 4, 12))) << m.name;
        EXPECT_TRUE(p->m_arrOnButton[3].isEnabled());
        EXPECT_FALSE(p->m_arrOnButton[4].isEnabled());
        EXPECT_EQ(p->m_arrOnButton[3].m_nState, 1);
        // Off on row 1 with rows 1 and 2 checked reaches both.
        Rebase();
        Click(&p->m_rowCheck[1]);
        Click(&p->m_rowCheck[2]);
        Click(&p->m_arrOffButton[1]);
        EXPECT_TRUE(ChangedExactly({m.block.audio.offset + 1u, m.block.audio.offset + 2u}));
        EXPECT_EQ(p->m_arrOffButton[2].m_nState, 1);
    }
}

TEST_F(RecordFamily, AudioOnSkipsCheckedRowsThatCannotCarryAudio)
{
    // Sub product 6, inputs on channels 0-3, every channel recording at rate
    // 1: rows 1 and 5 checked, and On pressed on row 1. Row 5 has no input
    // (its pair is greyed): On leaves it at 0; Off may still write its 0.
    struct Page
    {
        const char* name;
        int templateId;
        RecordBlock block; // the arrays the page edits on this recorder
    };
    const Page pages[] = {
        {"plain", SetupPage::kPlainRecord, PlainRecordBlock()},
        {"schedule", SetupPage::kScheduleRecord, ScheduleRecordBlock()},
        {"sensor, profile 0", SetupPage::kSensorRecord, SensorProfileBlock(0)},
        {"motion", SetupPage::kMotionRecord, MotionRecordBlock()},
    };
    for (const Page& pg : pages) {
        SetupDbImage im = BaseImage();
        for (int ch = 0; ch < 16; ++ch) {
            im[pg.block.rate.offset + ch] = 1;
            im[pg.block.audio.offset + ch] = 0;
        }
        Open(Kind(16, 6), im);
        CRecordPage* p = Show<CRecordPage>(pg.templateId);
        ASSERT_NE(p, nullptr) << pg.name;
        Click(&p->m_tabs.Button(p->m_tabs.IndexOf(472)));
        ASSERT_TRUE(p->m_arrOnButton[1].isEnabled()) << pg.name;
        ASSERT_FALSE(p->m_arrOnButton[5].isEnabled()) << pg.name;
        ASSERT_TRUE(p->m_rowCheck[5].isEnabled()) << pg.name << ": a row without input can be checked";
        Rebase();
        Click(&p->m_rowCheck[1]);
        Click(&p->m_rowCheck[5]);
        Click(&p->m_arrOnButton[1]);
        EXPECT_TRUE(ChangedExactly({pg.block.audio.offset + 1u})) << pg.name;
        EXPECT_EQ(p->m_arrOnButton[1].m_nState, 1) << pg.name;
        EXPECT_NE(p->m_arrOnButton[5].m_nState, 1) << pg.name << ": the greyed pair does not show On";
        Click(&p->m_arrOffButton[1]);
        EXPECT_TRUE(ChangedExactly({})) << pg.name;
        // Reopening the Audio view finds nothing to take back.
        Click(&p->m_tabs.Button(p->m_tabs.IndexOf(471)));
        Click(&p->m_tabs.Button(p->m_tabs.IndexOf(472)));
        EXPECT_TRUE(ChangedExactly({})) << pg.name;
    }
}

TEST(RecordBlockAudio, OnReachesOnlyChannelsThatMayCarryAudio)
{
    // The model's rule on its own, per channel: rate 0, no input, a locked
    // camera; and the single switch of recorders without sub product 6.
    SetupDbImage im = BaseImage();
    const RecordBlock& b = PlainRecordBlock();
    im[b.rate.offset + 2] = 0;                // does not record
    im[SetupDb::CameraEnable.offset + 3] = 0; // locked
    RecorderCaps caps = Kind(16, 6);
    CRecordBlockModel model(ImageRef(im), caps, b);
    const auto inputs = [](int ch) { return ch < 4; };
    const std::vector<int> all = {0, 1, 2, 3, 4};
    EXPECT_EQ(model.SwitchAudio(all, 1, true, inputs), (std::vector<int>{0, 1}));
    for (int ch = 0; ch < 5; ++ch)
        EXPECT_EQ(im[b.audio.offset + ch], ch < 2 ? 1 : 0) << ch;
    EXPECT_EQ(model.SwitchAudio(all, 0, true, inputs), all) << "Off reaches every shown channel";
    // The single switch edits channel 0 only, while it records.
    EXPECT_EQ(model.SwitchAudio(all, 1, false, nullptr), (std::vector<int>{0}));
    im[b.rate.offset] = 0;
    EXPECT_TRUE(model.SwitchAudio({0}, 1, false, nullptr).empty());
}

TEST_F(RecordFamily, GroupModeMovesGroupsOfFour)
{
    for (const Member& m : Members()) {
        SetupDbImage im = BaseImage();
        for (int ch = 0; ch < 16; ++ch) {
            im[m.block.resolution.offset + ch] = 2;
            im[m.block.rate.offset + ch] = 10;
        }
        Open(Kind(16, 0, 0), im);
        CRecordPage* p = Page(m);
        ASSERT_NE(p, nullptr);
        Tab(p, 1);
        EXPECT_FALSE(p->m_rowCheck[0].isVisible());
        EXPECT_FALSE(p->m_btnAllCheck.isVisible());
        ASSERT_TRUE(MoveSlider(p->m_arrSlider[5], 20));
        EXPECT_TRUE(ChangedExactly(Range(m.block.rate.offset + 4, 4))) << m.name;
        EXPECT_EQ(p->m_arrSlider[7].GetPos(), 20);
        EXPECT_EQ(At(m.block.rate.offset + 7), 20);
    }
}

TEST_F(RecordFamily, ScheduleSetOpensTheWeeklySchedule)
{
    Open(Kind(16), BaseImage());
    CRecordPage* p = Show<CRecordPage>(SetupPage::kScheduleRecord);
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(p->m_btn482.isVisible());
    CRecordPage* plain = Show<CRecordPage>(SetupPage::kPlainRecord);
    EXPECT_FALSE(plain->m_btn482.isVisible());
}
