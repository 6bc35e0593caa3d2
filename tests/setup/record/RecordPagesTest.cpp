// The record days, weekly schedule and mode ranking pages offscreen on the
// real window, pressing their controls and checking the image.
#include "RecordTestSupport.h"

#include "setup/SetupMenuPage.h"
#include "setup/record/RecordDaysPage.h"
#include "setup/record/RecordModeRankPage.h"
#include "setup/record/RecordPage.h"
#include "setup/record/WeeklySchedulePage.h"
#include "ui/ListPickerPopup.h"

using namespace rectest;

namespace {

constexpr std::size_t kOn = SetupDb::DaysRecordOn.offset;
constexpr std::size_t kAudio = SetupDb::DaysAudio.offset;
constexpr std::size_t kRes = SetupDb::DaysResolution.offset;
constexpr std::size_t kDays = SetupDb::DaysValue.offset;
constexpr std::size_t kSchedule = SetupDb::WeeklySchedule.offset;
constexpr std::size_t kRank = SetupDb::RecordModeRank.offset;

SetupDbImage DaysImage(std::initializer_list<int> recording, int resolution = 0)
{
    SetupDbImage im = ImageBuilder().Build();
    for (int ch = 0; ch < 16; ++ch) {
        im[kOn + ch] = 0;
        im[kAudio + ch] = 0;
        im[kRes + ch] = static_cast<std::uint8_t>(resolution);
        im[SetupDb::CameraEnable.offset + ch] = 1;
    }
    for (int ch : recording)
        im[kOn + ch] = 1;
    im[kDays] = 30;
    return im;
}

} // namespace

class RecordDays : public RecordWindow
{
protected:
    CRecordDaysPage* Open168(const RecorderCaps& caps, const SetupDbImage& im)
    {
        Open(caps, im);
        return Show<CRecordDaysPage>(SetupPage::kRecordDays);
    }
    std::vector<int> Recording() const
    {
        std::vector<int> out;
        for (int ch = 0; ch < 16; ++ch)
            if (At(kOn + ch) == 1)
                out.push_back(ch);
        return out;
    }
};

TEST_F(RecordDays, DaysSliderSnaps)
{
    CRecordDaysPage* p = Open168(Kind(16), DaysImage({}));
    ASSERT_NE(p, nullptr);
    Click(&p->m_tabs.Button(3));
    EXPECT_EQ(p->CurTab(), 3);
    EXPECT_TRUE(p->DaysSlider().isVisible());
    EXPECT_EQ(p->DaysSlider().GetPos(), 30);
    EXPECT_FALSE(p->m_rowCheck[0].isVisible());
    const std::pair<int, int> table[] = {{0, 5},   {3, 5},   {5, 5},   {6, 10},  {10, 10}, {14, 10},
                                         {15, 20}, {24, 20}, {84, 80}, {85, 90}, {90, 90}};
    for (auto [pos, days] : table) {
        ASSERT_TRUE(MoveSlider(p->DaysSlider(), pos)) << pos;
        EXPECT_EQ(At(kDays), days) << pos;
        EXPECT_EQ(p->DaysSlider().GetPos(), days) << pos;
        EXPECT_EQ(p->DaysLabel().GetWindowText(), QString("%1 Days").arg(days));
    }
    // Away from the Days tab the slider is hidden and writes nothing.
    Click(&p->m_tabs.Button(1));
    EXPECT_FALSE(p->DaysSlider().isVisible());
    EXPECT_TRUE(ChangedExactly({kDays}));
}

TEST_F(RecordDays, CifMergesGroupsAndSwitchesActOnGroups)
{
    // 16 channels, minor 0: CIF turns 4-7 on; On for 9 turns 8-11 on; Off for
    // 10 turns them off again, on the record and on the audio tab.
    CRecordDaysPage* p = Open168(Kind(16, 0, 0), DaysImage({5}));
    ASSERT_NE(p, nullptr);
    Click(&p->m_arrCifButton[0]);
    EXPECT_EQ(Recording(), (std::vector<int>{4, 5, 6, 7}));
    Click(&p->m_tabs.Button(1));
    EXPECT_FALSE(p->m_rowCheck[0].isVisible());
    EXPECT_FALSE(p->m_btnAllCheck.isVisible());
    Click(&p->m_arrOnButton[9]);
    EXPECT_EQ(Recording(), (std::vector<int>{4, 5, 6, 7, 8, 9, 10, 11}));
    EXPECT_EQ(p->m_arrOnButton[11].m_nState, 1);
    Click(&p->m_arrOffButton[10]);
    EXPECT_EQ(Recording(), (std::vector<int>{4, 5, 6, 7}));
    Rebase();
    Click(&p->m_tabs.Button(2));
    // Without sub product 6 one pair for channel 0, which does not record.
    EXPECT_FALSE(p->m_arrOnButton[0].isEnabled());
    EXPECT_FALSE(p->m_arrOnButton[1].isVisible());

    // With it, On for channel 1 on the audio tab reaches the channels of its
    // group that may carry audio: 0 does not record, 2 is locked, 3 has no
    // input; only 1 gets audio. Off reaches the whole group.
    SetupDbImage im = DaysImage({1, 2, 3, 5}, 2);
    for (int k = 0; k < 4; ++k)
        im[SetupDb::AudioInputChannel.offset + k] = static_cast<std::uint8_t>(k == 3 ? 8 : k);
    im[SetupDb::CameraEnable.offset + 2] = 0;
    p = Open168(Kind(16, 6, 0), im);
    Click(&p->m_tabs.Button(2));
    Rebase();
    Click(&p->m_arrOnButton[1]);
    EXPECT_TRUE(ChangedExactly({kAudio + 1}));
    for (int ch : {0, 2, 3})
        EXPECT_NE(p->m_arrOnButton[ch].m_nState, 1) << ch;
    EXPECT_EQ(p->m_arrOnButton[1].m_nState, 1);
    Click(&p->m_arrOffButton[1]);
    EXPECT_TRUE(ChangedExactly({}));
}

TEST_F(RecordDays, FourChannelsMergeButKeepTheirBoxesAnd4CifChangesOneRow)
{
    CRecordDaysPage* p = Open168(Kind(4, 0, 0), DaysImage({2}));
    Click(&p->m_arrCifButton[0]);
    EXPECT_EQ(Recording(), (std::vector<int>{0, 1, 2, 3}));
    Click(&p->m_tabs.Button(1));
    EXPECT_TRUE(p->m_rowCheck[0].isVisible());

    p = Open168(Kind(16, 0, 0), DaysImage({}));
    Click(&p->m_tabs.Button(1));
    Click(&p->m_arrOnButton[9]);
    EXPECT_TRUE(ChangedExactly({kOn + 9}));
}

TEST_F(RecordDays, SwitchedOffCameraIsLockedOnTheRecordTab)
{
    SetupDbImage im = DaysImage({3});
    im[SetupDb::CameraEnable.offset + 3] = 0;
    CRecordDaysPage* p = Open168(Kind(16, 6), im);
    Click(&p->m_tabs.Button(1));
    EXPECT_TRUE(ChangedExactly({kOn + 3}));
    EXPECT_FALSE(p->m_rowCheck[3].isEnabled());
    Click(&p->m_btnAllCheck);
    EXPECT_EQ(p->m_rowCheck[3].GetCheck(), 0);
    EXPECT_EQ(p->m_rowCheck[2].GetCheck(), 1);
}

class WeeklySchedule : public RecordWindow
{
protected:
    CWeeklySchedulePage* Open171(const RecorderCaps& caps, SetupDbImage im)
    {
        Open(caps, im);
        return Show<CWeeklySchedulePage>(SetupPage::kWeeklySchedule);
    }
    static SetupDbImage Image(std::uint8_t fill)
    {
        SetupDbImage im = ImageBuilder().Build();
        for (std::size_t i = 0; i < 168; ++i)
            im[kSchedule + i] = fill;
        return im;
    }
    static QPoint Cell(int day, int hour) { return QPoint(50 * day + 25, 15 * hour + 7); }
    // A band from the middle of one cell to the middle of another, 20 pixels wide.
    void Drag(QWidget* w, QPoint from, QPoint to)
    {
        from -= QPoint(10, 0);
        to += QPoint(10, 0);
        QMouseEvent press(QEvent::MouseButtonPress, from, w->mapToGlobal(from), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w, &press);
        QMouseEvent move(QEvent::MouseMove, to, w->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(w, &move);
        QMouseEvent release(QEvent::MouseButtonRelease, to, w->mapToGlobal(to), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(w, &release);
        Pump();
    }
};

TEST_F(WeeklySchedule, OpeningClampsInBothForms)
{
    SetupDbImage im = Image(0);
    im[kSchedule + 5] = 2;
    im[kSchedule + 6] = 255;
    im[kSchedule + 7] = 9;
    CWeeklySchedulePage* p = Open171(Kind(16), im);
    ASSERT_NE(p, nullptr);
    EXPECT_FALSE(p->FourValues());
    EXPECT_TRUE(ChangedExactly({kSchedule + 5, kSchedule + 6, kSchedule + 7}));
    EXPECT_EQ(At(kSchedule + 5), 1);
    EXPECT_EQ(At(kSchedule + 6), 1);
    EXPECT_EQ(At(kSchedule + 0), 0);
    EXPECT_FALSE(p->m_btn[2].isVisible());

    p = Open171(Kind(16, 4), im);
    EXPECT_TRUE(p->FourValues());
    EXPECT_EQ(At(kSchedule + 5), 2);
    EXPECT_EQ(At(kSchedule + 6), 3);
    EXPECT_EQ(At(kSchedule + 7), 3);
    EXPECT_EQ(p->m_btn[0].m_nState, 1);
}

TEST_F(WeeklySchedule, BandsClicksAndAllOnOff)
{
    CWeeklySchedulePage* p = Open171(Kind(16), Image(0));
    SetupDbImage im = Host();
    // A band over hours 8-11 of Tuesday (day 2).
    Drag(&p->m_grid, Cell(2, 8), Cell(2, 11));
    EXPECT_TRUE(ChangedExactly(Range(kSchedule + 2 * 24 + 8, 4)));
    Rebase();
    Drag(&p->m_grid, Cell(2, 8), Cell(2, 11));
    EXPECT_TRUE(ChangedExactly({}));
    Click(&p->m_grid, Cell(2, 9));
    EXPECT_EQ(At(kSchedule + 2 * 24 + 9), 0);
    Click(&p->m_btn[0]);
    EXPECT_TRUE(std::all_of(m_image.begin() + kSchedule, m_image.begin() + kSchedule + 168,
                            [](std::uint8_t b) { return b == 1; }));
    Click(&p->m_btn[1]);
    EXPECT_TRUE(std::all_of(m_image.begin() + kSchedule, m_image.begin() + kSchedule + 168,
                            [](std::uint8_t b) { return b == 0; }));
    // Back to the schedule record page.
    Click(&p->m_btn[3]);
    EXPECT_NE(dlg->Page(SetupPage::kScheduleRecord), nullptr);
    EXPECT_EQ(dlg->Page(SetupPage::kWeeklySchedule), nullptr);
}

TEST_F(WeeklySchedule, FourValuePaintAndStep)
{
    SetupDbImage im = Image(0);
    im[kSchedule + 24 * 3 + 4] = 3;
    CWeeklySchedulePage* p = Open171(Kind(16, 3), im);
    Click(&p->m_btn[2]);
    EXPECT_EQ(p->m_grid.m_nBrush, 2);
    EXPECT_EQ(p->m_btn[2].m_nState, 1);
    EXPECT_EQ(p->m_btn[0].m_nState, 0);
    Click(&p->m_grid, Cell(3, 4));
    EXPECT_EQ(At(kSchedule + 24 * 3 + 4), 0);
    Drag(&p->m_grid, Cell(3, 4), Cell(3, 5));
    EXPECT_EQ(At(kSchedule + 24 * 3 + 4), 2);
    EXPECT_EQ(At(kSchedule + 24 * 3 + 5), 2);
    Click(&p->m_btn[3]);
    EXPECT_EQ(p->m_grid.m_nBrush, 3);
    EXPECT_EQ(dlg->Page(SetupPage::kWeeklySchedule), p);
}

TEST_F(WeeklySchedule, WithoutConnectionNoGridButAllOnOff)
{
    SetupDbImage im = Image(0);
    im[kSchedule + 1] = 7;
    CWeeklySchedulePage* p = Open171(Kind(16, 0, 0, false), im);
    EXPECT_FALSE(p->m_grid.isVisible());
    EXPECT_TRUE(ChangedExactly({}));
    Click(&p->m_btn[0]);
    EXPECT_EQ(At(kSchedule + 1), 1);
    EXPECT_EQ(At(kSchedule + 167), 1);
}

class ModeRank : public RecordWindow
{
protected:
    CRecordModeRankPage* Open169(const RecorderCaps& caps, std::initializer_list<std::uint8_t> rows)
    {
        SetupDbImage im = ImageBuilder().Build();
        std::size_t i = kRank;
        for (std::uint8_t v : rows)
            im[i++] = v;
        Open(caps, im);
        return Show<CRecordModeRankPage>(SetupPage::kRecordModeRank);
    }
    void PickRow(CRecordModeRankPage* p, int row, int position)
    {
        Click(&p->m_cell[row]);
        ASSERT_NE(dlg->ListPicker(), nullptr);
        dlg->ListPicker()->OnCellClicked(position);
        Pump();
    }
    std::vector<int> Rows() const
    {
        return {At(kRank), At(kRank + 1), At(kRank + 2), At(kRank + 3), At(kRank + 4)};
    }
};

TEST_F(ModeRank, PicksMoveModesAndMapPositions)
{
    CRecordModeRankPage* p = Open169(Kind(16, 5), {1, 2, 3, 6, 6});
    ASSERT_NE(p, nullptr);
    PickRow(p, 4, 2);
    EXPECT_EQ(Rows(), (std::vector<int>{1, 6, 3, 6, 2}));
    PickRow(p, 1, 4); // rows 1-4: position 4 is none
    PickRow(p, 2, 4);
    EXPECT_EQ(Rows(), (std::vector<int>{1, 6, 6, 6, 2}));
    PickRow(p, 0, 4); // row 0: position 4 is value 5
    EXPECT_EQ(Rows()[0], 5);
    EXPECT_EQ(p->m_cell[0].GetWindowText(), "Days");
    PickRow(p, 0, 0);
    EXPECT_EQ(p->m_cell[0].GetWindowText(), "Continuous");
    // A press on the page closes the picker.
    Click(&p->m_cell[1]);
    ASSERT_NE(dlg->ListPicker(), nullptr);
    EXPECT_EQ(dlg->ListPicker()->ShownCount(), 5);
    Click(p, QPoint(380, 300));
    EXPECT_EQ(dlg->ListPicker(), nullptr);
}

TEST_F(ModeRank, StoredFourAndBytesBeyondTheNames)
{
    CRecordModeRankPage* p = Open169(Kind(16, 3), {0, 9, 2, 4, 6});
    EXPECT_EQ(p->m_cell[0].GetWindowText(), "Normal");
    EXPECT_EQ(p->m_cell[3].GetWindowText(), "Sensitivity");
    EXPECT_EQ(p->m_cell[1].GetWindowText(), "9");
    PickRow(p, 1, 1);
    EXPECT_EQ(Rows(), (std::vector<int>{0, 1, 2, 4, 6}));
    PickRow(p, 3, 3);
    EXPECT_EQ(Rows(), (std::vector<int>{0, 1, 2, 3, 6}));
    EXPECT_TRUE(ChangedExactly({kRank + 1, kRank + 3}));
}

class RecMenu : public RecordWindow
{
};

TEST_F(RecMenu, EveryButtonReachesItsPage)
{
    struct Case
    {
        int major;
        std::vector<std::pair<int, int>> buttons; // menu button, page opened
    };
    const Case cases[] = {
        {0,
         {{451, SetupPage::kPlainRecord},
          {454, SetupPage::kScheduleRecord},
          {456, SetupPage::kRecordDays},
          {457, SetupPage::kRecordModeRank},
          {450, SetupPage::kRecordConfig}}},
        {3, {{454, SetupPage::kWeeklySchedule}}},
        {4, {{454, SetupPage::kWeeklySchedule}}},
    };
    for (const Case& c : cases) {
        Open(Kind(16, c.major), ImageBuilder().Build());
        dlg->OnTab(1);
        Pump();
        // The Rec tab opens on the record configuration page.
        EXPECT_NE(dlg->Page(SetupPage::kRecordConfig), nullptr) << c.major;
        ASSERT_NE(dlg->Menu(1), nullptr);
        for (auto [button, page] : c.buttons) {
            dlg->Menu(1)->OnMenuButton(button);
            Pump();
            EXPECT_EQ(dlg->CurrentPage(), dlg->Page(page)) << c.major << " " << button;
            EXPECT_NE(dlg->Page(page), nullptr) << c.major << " " << button;
        }
    }
    // 166's Set and 171's back.
    Open(Kind(16), ImageBuilder().Build());
    auto* schedule = Show<CRecordPage>(SetupPage::kScheduleRecord);
    Click(&schedule->m_btn482);
    auto* weekly = dynamic_cast<CWeeklySchedulePage*>(dlg->Page(SetupPage::kWeeklySchedule));
    ASSERT_NE(weekly, nullptr);
    Click(&weekly->m_btn[3]);
    EXPECT_NE(dlg->Page(SetupPage::kScheduleRecord), nullptr);
}
