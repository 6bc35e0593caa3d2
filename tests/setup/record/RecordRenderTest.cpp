// Renders of every record page in each layout, form and tab under
// build/renders, with the controls probed at the places the layouts give.
#include "RecordTestSupport.h"

#include "setup/record/AudioInputPage.h"
#include "setup/record/RecordDaysPage.h"
#include "setup/record/RecordModeRankPage.h"
#include "setup/record/RecordPage.h"
#include "setup/record/WeeklySchedulePage.h"

using namespace rectest;

namespace {

SetupDbImage PlausibleImage()
{
    SetupDbImage im = ImageBuilder().Build();
    im[SetupDb::VideoStandard.offset] = 0;
    for (int ch = 0; ch < 16; ++ch) {
        for (const RecordBlock* b : {&PlainRecordBlock(), &ScheduleRecordBlock()}) {
            im[b->resolution.offset + ch] = 0;
            im[b->rate.offset + ch] = static_cast<std::uint8_t>(ch < 12 ? 4 : 3);
            im[b->audio.offset + ch] = ch % 2;
        }
        im[SetupDb::DaysRecordOn.offset + ch] = ch % 3 != 0;
        im[SetupDb::DaysResolution.offset + ch] = 0;
        im[SetupDb::CameraEnable.offset + ch] = 1;
    }
    for (int i = 0; i < 168; ++i)
        im[SetupDb::WeeklySchedule.offset + i] = static_cast<std::uint8_t>((i / 24 + i % 24) % 4);
    const std::uint8_t rank[5] = {0, 1, 2, 3, 6};
    std::copy(std::begin(rank), std::end(rank), im.begin() + SetupDb::RecordModeRank.offset);
    im[SetupDb::DaysValue.offset] = 30;
    return im;
}

void Save(QWidget* w, const QString& name)
{
    w->grab().save(RenderPath(name + ".png"));
}

} // namespace

class RecordRender : public RecordWindow
{
};

TEST_F(RecordRender, FamilyTabsAtTheirPlaces)
{
    struct Member
    {
        int id;
        const char* name;
        int tabs;
    };
    for (const Member m :
         {Member{SetupPage::kPlainRecord, "plain", 3}, Member{SetupPage::kScheduleRecord, "schedule", 3},
          Member{SetupPage::kRecordDays, "days", 4}}) {
        Open(Kind(16, 6), PlausibleImage());
        auto* p = Show<CRecordPage>(m.id);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->geometry(), QRect(197, 83, 403, 417));
        for (int t = 0; t < m.tabs; ++t) {
            const QRect tab = p->m_tabs.Button(t).geometry();
            EXPECT_EQ(tab, m.tabs == 3 ? QRect(2 + 133 * t, 0, 133, 24) : QRect(2 + 100 * t, 0, 100, 24));
            Click(&p->m_tabs.Button(t));
            Save(p, QString("record_%1_tab%2").arg(m.name).arg(t));
        }
        EXPECT_EQ(p->m_arr4CifButton[0].geometry(), QRect(90, 29, 100, 17));
        EXPECT_EQ(p->m_arrCifButton[15].geometry(), QRect(292, 29 + 23 * 15, 100, 17));
        EXPECT_EQ(p->m_arrSlider[2].geometry(), QRect(103, 33 + 46, 190, 9));
        EXPECT_EQ(p->m_arrRateLabel[2].geometry(), QRect(315, 31 + 46, 72, 14));
        EXPECT_EQ(p->m_arrOnButton[3].geometry(), QRect(135, 29 + 69, 100, 17));
        EXPECT_EQ(p->m_arrOffButton[3].geometry(), QRect(236, 29 + 69, 100, 17));
        EXPECT_EQ(p->m_rowCheck[1].geometry(), QRect(6, 53, 15, 15));
        EXPECT_EQ(p->m_rowLabel[1].geometry(), QRect(28, 55, 50, 14));
    }
}

TEST_F(RecordRender, ScheduleFormsRankAndAudioInputs)
{
    for (int major : {0, 3, 4}) {
        Open(Kind(16, major), PlausibleImage());
        auto* p = Show<CWeeklySchedulePage>(SetupPage::kWeeklySchedule);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->m_grid.geometry(), QRect(53, 30, 350, 360));
        EXPECT_EQ(p->m_dayLabel[6].geometry(), QRect(356, 14, 46, 14));
        EXPECT_EQ(p->m_btn[3].geometry().topLeft(), QPoint(302, 396));
        Save(p, QString("record_weekly_%1").arg(major));
    }
    Open(Kind(16, 3), PlausibleImage());
    auto* rank = Show<CRecordModeRankPage>(SetupPage::kRecordModeRank);
    ASSERT_NE(rank, nullptr);
    EXPECT_EQ(rank->m_cell[4].geometry(), QRect(165, 8 + 92, 190, 14));
    EXPECT_EQ(rank->m_rankLabel[2].geometry(), QRect(15, 9 + 46, 80, 14));
    Save(rank, "record_rank");
    auto* audio = Show<CAudioInputPage>(SetupPage::kAudioInput);
    ASSERT_NE(audio, nullptr);
    EXPECT_EQ(audio->m_cell[3].geometry(), QRect(200, 8 + 69, 190, 14));
    EXPECT_EQ(audio->m_title[0].geometry(), QRect(20, 9, 110, 14));
    Save(audio, "record_audio_inputs");
}
