// The sensor record page (tab layouts, Preset gate, record profiles) and the
// motion record page (sensitivity tab, dual rate set, clamp exception) on
// the real setup window, pressing their controls.
#include "RecordTestSupport.h"

#include "setup/ChannelOnOffPage.h"
#include "setup/record/MotionRecordPage.h"
#include "setup/record/SensorRecordPage.h"
#include "ui/SkinDraw.h"

using namespace rectest;

namespace {

// A host-order image: every rate, audio and resolution of the blocks these
// pages edit zero, every camera on, sensor links and profile flags marked.
SetupDbImage Zeroed(int major = 4, int minor = 6)
{
    SetupDbImage img = ImageBuilder().Version(major, minor).Build();
    ConvertDbToHost(img.data());
    ImageRef r(img);
    for (const SetupDb::Field& f :
         {SetupDb::SensorRate, SetupDb::SensorAudio, SetupDb::SensorResolution, SetupDb::MotionRate,
          SetupDb::MotionAudio, SetupDb::MotionResolution, SetupDb::SensitivityRate,
          SetupDb::ProfileResolution, SetupDb::ProfileRate, SetupDb::ProfileAudio})
        r.Zero(f);
    for (int ch = 0; ch < 16; ++ch)
        r.Set(SetupDb::CameraEnable, ch, 1);
    r.Set(SetupDb::VideoStandard, 0);
    r.Set(SetupDb::RecordConfigMode, 1);
    // Channel 1 records audio through the first input.
    r.Set(SetupDb::AudioInputChannel, 0, 0);
    return img;
}

RecorderCaps WithFlag2(RecorderCaps c)
{
    c.helloFlag2 = true;
    return c;
}

class SensorRecord : public RecordWindow
{
protected:
    CSensorRecordPage* Open164(const RecorderCaps& caps, const SetupDbImage& image)
    {
        Open(caps, image);
        return Show<CSensorRecordPage>(SetupPage::kSensorRecord);
    }
    void PressTab(CRecordPage* p, int id) { Click(&p->m_tabs.Button(p->m_tabs.IndexOf(id))); }
};

class MotionRecord : public RecordWindow
{
protected:
    CMotionRecordPage* Open165(const RecorderCaps& caps, const SetupDbImage& image)
    {
        Open(caps, image);
        return Show<CMotionRecordPage>(SetupPage::kMotionRecord);
    }
    void PressTab(CRecordPage* p, int id) { Click(&p->m_tabs.Button(p->m_tabs.IndexOf(id))); }
};

} // namespace

// --- Sensor record page ------------------------------------------------------

TEST_F(SensorRecord, TabLayoutsByWhatTheRecorderReported)
{
    const struct
    {
        const char* name;
        RecorderCaps caps;
        SensorTabLayout layout;
        int fourthX; // -1: hidden
    } cases[] = {
        {"no connection", Kind(16, 0, 1, false), SensorTabLayout::Three, -1},
        {"no flag", Kind(16, 0, 1), SensorTabLayout::Three, -1},
        {"hello flag 2", WithFlag2(Kind(16, 0, 1)), SensorTabLayout::Four, 302},
        {"sub product 6", Kind(16, 6, 1), SensorTabLayout::Profile, 2},
    };
    for (const auto& c : cases) {
        CSensorRecordPage* p = Open164(c.caps, Zeroed());
        ASSERT_NE(p, nullptr) << c.name;
        EXPECT_EQ(p->Layout(), c.layout) << c.name;
        const int fourth = p->m_tabs.IndexOf(473);
        if (c.fourthX < 0) {
            EXPECT_EQ(p->m_tabs.Count(), 3) << c.name;
            EXPECT_EQ(p->m_tabs.Button(1).geometry(), QRect(135, 0, 133, 24)) << c.name;
        } else {
            ASSERT_GE(fourth, 0) << c.name;
            EXPECT_EQ(p->m_tabs.Button(fourth).geometry(), QRect(c.fourthX, 0, 100, 24)) << c.name;
        }
        const bool profiles = c.layout == SensorTabLayout::Profile;
        EXPECT_EQ(p->m_btnPrev.isVisible(), profiles) << c.name;
        EXPECT_EQ(p->m_btnNext.isVisible(), profiles) << c.name;
        EXPECT_EQ(p->m_lblProfile.isVisible(), profiles) << c.name;
        // Every layout opens on the Resolution view, profile mode too.
        EXPECT_EQ(p->CurTab(), CRecordPage::kResolutionTab) << c.name;
        EXPECT_EQ(dlg->Page(SetupPage::kSensorRecord), p) << c.name;
        p->grab().save(
            RenderPath(QStringLiteral("setup_sensor_record_%1.png").arg(static_cast<int>(c.layout))));
        if (profiles) {
            EXPECT_EQ(p->m_lblProfile.GetWindowText(), LoadResString(5489) + " : 1 profile");
        }
    }
}

TEST_F(SensorRecord, PresetFollowsTheImageVersionAndOpensThePresetPage)
{
    const struct
    {
        int major, minor;
        bool shown;
    } cases[] = {{3, 9, false}, {4, 0, false}, {4, 1, true}, {5, 0, true}};
    for (const auto& c : cases) {
        CSensorRecordPage* p = Open164(Kind(16, 0, 1), Zeroed(c.major, c.minor));
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->m_btn482.isVisible(), c.shown) << c.major << "." << c.minor;
        EXPECT_EQ(p->m_btn482.geometry(), QRect(305, 396, 97, 22));
    }
    CSensorRecordPage* p = Open164(Kind(16, 0, 1), Zeroed(5, 0));
    Click(&p->m_btn482);
    EXPECT_NE(dlg->Page(SetupPage::kAlarmPreset), nullptr);
    EXPECT_EQ(dlg->Page(SetupPage::kSensorRecord), nullptr);
    EXPECT_TRUE(ChangedExactly({}));
}

TEST_F(SensorRecord, TheSensorTabHandsOverWritingNothing)
{
    for (const RecorderCaps& caps : {WithFlag2(Kind(16, 0, 1)), Kind(16, 6, 1)}) {
        CSensorRecordPage* p = Open164(caps, Zeroed());
        ASSERT_NE(p, nullptr);
        PressTab(p, 473);
        EXPECT_NE(dlg->Page(SetupPage::kSensorLink), nullptr);
        EXPECT_EQ(dlg->Page(SetupPage::kSensorRecord), nullptr);
        EXPECT_TRUE(ChangedExactly({}));
        // And back.
        auto* link = static_cast<CChannelOnOffPage*>(dlg->Page(SetupPage::kSensorLink));
        Click(&link->m_btnBack);
        EXPECT_NE(dlg->Page(SetupPage::kSensorRecord), nullptr);
    }
}

TEST_F(SensorRecord, ProfilesCycleAndShowTheirOwnArrays)
{
    SetupDbImage img = Zeroed();
    ImageRef r(img);
    for (int p = 0; p < 4; ++p)
        for (int ch = 0; ch < 16; ++ch)
            r.SetByteOf(SetupDb::ProfileRate, p, ch, static_cast<std::uint8_t>(p * 5 + ch % 5 + 1));
    CSensorRecordPage* p = Open164(Kind(16, 6, 1), img);
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(p->ProfileMode());
    PressTab(p, 471);
    EXPECT_FALSE(p->m_btnAllCheck.isVisible());
    for (int ch = 0; ch < 16; ++ch)
        EXPECT_EQ(p->m_arrSlider[ch].GetPos(), ch % 5 + 1) << ch;
    Click(&p->m_btnPrev);
    EXPECT_EQ(p->Profile(), 3);
    EXPECT_TRUE(p->m_lblProfile.GetWindowText().endsWith(" 4 profile"));
    EXPECT_EQ(p->CurTab(), CRecordPage::kRateTab);
    for (int ch = 0; ch < 16; ++ch)
        EXPECT_EQ(p->m_arrSlider[ch].GetPos(), At(6908 + ch)) << ch;
    Click(&p->m_btnNext);
    EXPECT_EQ(p->Profile(), 0);
    EXPECT_TRUE(p->m_lblProfile.GetWindowText().endsWith(" 1 profile"));
    EXPECT_TRUE(ChangedExactly({}));
}

TEST_F(SensorRecord, ARateInProfileTwoWritesItsRowOnlyWithTheWholeBudget)
{
    SetupDbImage img = Zeroed();
    ImageRef r(img);
    // Profile 1 far over the budget: 4CIF at 30 on every channel.
    for (int ch = 0; ch < 16; ++ch) {
        r.SetByteOf(SetupDb::ProfileRate, 0, ch, 30);
        r.SetByteOf(SetupDb::ProfileResolution, 1, ch, 2); // CIF
        r.SetByteOf(SetupDb::ProfileAudio, 1, ch, 1);
    }
    r.SetByteOf(SetupDb::ProfileRate, 1, 5, 3);
    r.Set(SetupDb::SensorRate, 0, 9);
    CSensorRecordPage* p = Open164(Kind(16, 6, 1), img);
    ASSERT_NE(p, nullptr);
    Click(&p->m_btnNext);
    PressTab(p, 471);
    ASSERT_TRUE(MoveSlider(p->m_arrSlider[0], 30));
    EXPECT_EQ(At(6876), 30) << "profile 1 takes nothing of profile 2's budget";
    EXPECT_TRUE(ChangedExactly({6876}));
    Rebase();
    ASSERT_TRUE(MoveSlider(p->m_arrSlider[5], 0));
    EXPECT_TRUE(ChangedExactly({6876 + 5, 6940 + 5}));
    EXPECT_EQ(At(6940 + 5), 0);
}

TEST_F(SensorRecord, ResolutionAndAudioInProfilesThreeAndTwo)
{
    SetupDbImage img = Zeroed();
    ImageRef(img).SetByteOf(SetupDb::ProfileRate, 1, 0, 5);
    CSensorRecordPage* p = Open164(Kind(16, 6, 1), img);
    ASSERT_NE(p, nullptr);
    Click(&p->m_btnNext);
    Click(&p->m_btnNext);
    ASSERT_EQ(p->Profile(), 2);
    Click(&p->m_arrCifButton[0]);
    // CIF on 16 NTSC channels: 15 each.
    EXPECT_TRUE(ChangedExactly(Union(Range(6828, 16), Range(6892, 16))));
    EXPECT_EQ(At(6892), 15);
    Rebase();
    Click(&p->m_btnPrev);
    PressTab(p, 472);
    ASSERT_TRUE(p->m_arrOnButton[0].isVisible());
    Click(&p->m_arrOnButton[0]);
    EXPECT_TRUE(ChangedExactly({6940}));
    // Profile flags and sensor links are never this page's.
    for (std::size_t off = 6792; off < 6796; ++off)
        EXPECT_EQ(At(off), m_before[off]);
}

// --- Motion record page ------------------------------------------------------

TEST_F(MotionRecord, SensitivityViewAndDrags)
{
    SetupDbImage img = Zeroed();
    ImageRef r(img);
    const int stored[] = {0, 1, 2, 3, 200};
    for (int ch = 0; ch < 16; ++ch)
        r.Set(SetupDb::MotionSensitivity, ch, static_cast<std::uint32_t>(ch < 5 ? stored[ch] : 1));
    CMotionRecordPage* p = Open165(Kind(16, 0, 1), img);
    ASSERT_NE(p, nullptr);
    PressTab(p, 473);
    const struct
    {
        int pos;
        int text;
    } shown[] = {{3, 5204}, {2, 5205}, {1, 5206}, {0, 0}, {0, 0}};
    for (int ch = 0; ch < 5; ++ch) {
        EXPECT_EQ(p->m_arrSlider[ch].GetPos(), shown[ch].pos) << ch;
        EXPECT_EQ(p->m_arrRateLabel[ch].GetWindowText(),
                  shown[ch].text ? LoadResString(shown[ch].text) : QString())
            << ch;
    }
    EXPECT_TRUE(ChangedExactly({}));
    p->grab().save(RenderPath("setup_motion_record_sensitivity.png"));

    // Rows 6 and 7 checked: a drag of row 6 to 1 stores 1 in both, thumbs at 2.
    p->m_rowCheck[5].SetCheck(1);
    p->m_rowCheck[6].SetCheck(1);
    r = ImageRef(m_image);
    ASSERT_TRUE(MoveSlider(p->m_arrSlider[5], 0));
    EXPECT_TRUE(ChangedExactly({752 + 5, 752 + 6}));
    EXPECT_EQ(At(752 + 5), 2);
    EXPECT_EQ(p->m_arrSlider[6].GetPos(), 1);
    Rebase();
    // Unchecked row: alone, even with others checked.
    ASSERT_TRUE(MoveSlider(p->m_arrSlider[8], 2));
    EXPECT_TRUE(ChangedExactly({752 + 8}));
    EXPECT_EQ(p->m_arrSlider[8].GetPos(), 3);
    EXPECT_EQ(p->m_arrRateLabel[8].GetWindowText(), LoadResString(5204));
    // The top position counts as the highest level (never 255).
    Rebase();
    ASSERT_TRUE(MoveSlider(p->m_arrSlider[9], 3));
    EXPECT_EQ(At(752 + 9), 0);
    EXPECT_EQ(p->m_arrSlider[9].GetPos(), 3);
    EXPECT_EQ(p->m_arrRateLabel[9].GetWindowText(), LoadResString(5204));

    // All Check checks every row, rate 0 or not.
    Click(&p->m_btnAllCheck);
    for (int ch = 0; ch < 16; ++ch)
        EXPECT_EQ(p->m_rowCheck[ch].GetCheck(), 1) << ch;
    // The Rate tab is itself again.
    PressTab(p, 471);
    EXPECT_EQ(p->m_arrSlider[0].GetPos(), 0);
    ASSERT_TRUE(MoveSlider(p->m_arrSlider[0], 30));
    EXPECT_GT(At(720), 3);
}

TEST_F(MotionRecord, DualRateSetsCaptionsAndRefill)
{
    SetupDbImage img = Zeroed();
    ImageRef r(img);
    for (int ch = 0; ch < 16; ++ch) {
        r.Set(SetupDb::MotionRate, ch, 2);
        r.Set(SetupDb::SensitivityRate, ch, 7);
    }
    CMotionRecordPage* p = Open165(Kind(16, 4, 1), img);
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(p->DualRate());
    const QString rate = LoadResString(5683);
    PressTab(p, 471);
    CSkinTextButton& tab = p->m_tabs.Button(p->m_tabs.IndexOf(471));
    EXPECT_EQ(tab.m_strText, LoadResString(5131) + " " + rate);
    EXPECT_EQ(p->m_btn482.m_strText, LoadResString(6050) + " " + rate);
    EXPECT_EQ(p->m_arrSlider[0].GetPos(), 2);
    Click(&p->m_btn482);
    EXPECT_EQ(p->RateSet(), 1);
    EXPECT_EQ(p->m_arrSlider[0].GetPos(), 7);
    EXPECT_EQ(tab.m_strText, LoadResString(6050) + " " + rate);
    EXPECT_EQ(p->m_btn482.m_strText, LoadResString(5131) + " " + rate);
    p->grab().save(RenderPath("setup_motion_record_set1.png"));
    // Set 1 at 0 clears the motion audio.
    r = ImageRef(m_image);
    r.Set(SetupDb::MotionAudio, 3, 1);
    Rebase();
    ASSERT_TRUE(MoveSlider(p->m_arrSlider[3], 0));
    EXPECT_TRUE(ChangedExactly({2552 + 3, 736 + 3}));
    // Audio then Rate: set 0 again, plain captions meanwhile.
    PressTab(p, 472);
    EXPECT_EQ(p->RateSet(), 0);
    EXPECT_EQ(tab.m_strText, " " + rate);
    PressTab(p, 471);
    EXPECT_EQ(p->m_arrSlider[0].GetPos(), 2);
    // A resolution writes the same defaults into both sets.
    PressTab(p, 470);
    Rebase();
    Click(&p->m_arrCifButton[0]);
    for (int ch = 0; ch < 16; ++ch) {
        EXPECT_EQ(At(720 + ch), 15) << ch;
        EXPECT_EQ(At(2552 + ch), 15) << ch;
    }
    // Outside the Rate tab Region opens the grid.
    Click(&p->m_btn482);
    EXPECT_NE(dlg->Page(SetupPage::kMotionGrid), nullptr);
}

TEST_F(MotionRecord, DualRateClampCountsTheLargerRate)
{
    for (int set : {0, 1}) {
        SetupDbImage img = Zeroed();
        ImageRef r(img);
        r.Set(SetupDb::MotionRate, 0, 10);
        r.Set(SetupDb::SensitivityRate, 0, 50);
        CMotionRecordPage* p = Open165(Kind(16, 4, 1), img);
        ASSERT_NE(p, nullptr);
        PressTab(p, 471);
        if (set == 1)
            Click(&p->m_btn482);
        ASSERT_EQ(p->RateSet(), set);
        ASSERT_TRUE(MoveSlider(p->m_arrSlider[1], 30));
        EXPECT_EQ(At((set == 0 ? 720 : 2552) + 1), 10) << "set " << set;
    }
}

TEST_F(MotionRecord, TheClampExceptionMatrix)
{
    const struct
    {
        int major, minor;
        std::uint32_t mode;
        bool connected;
        bool exception; // the plain handler leaves moves unclamped
        bool unclamped; // what a move does (minor 0: the grouped handler clamps)
    } cases[] = {
        {5, 1, 0, true, true, true},   {6, 1, 0, true, true, true},    {5, 1, 1, true, false, false},
        {6, 1, 2, true, false, false}, {5, 0, 0, true, true, false},   {4, 1, 0, true, false, false},
        {0, 1, 0, true, false, false}, {5, 1, 0, false, false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MotionRateUnclamped(Kind(16, c.major, c.minor, c.connected), c.mode), c.exception);
        SetupDbImage img = Zeroed();
        ImageRef r(img);
        r.Set(SetupDb::RecordConfigMode, c.mode);
        // Channels 1-15 use 15 x 4 x 4 = 240: the whole NTSC budget.
        for (int ch = 1; ch < 16; ++ch)
            r.Set(SetupDb::MotionRate, ch, 4);
        for (int ch = 0; ch < 16; ++ch)
            r.Set(SetupDb::MotionResolution, ch, 0);
        CMotionRecordPage* p = Open165(Kind(16, c.major, c.minor, c.connected), img);
        ASSERT_NE(p, nullptr);
        PressTab(p, 471);
        ASSERT_TRUE(MoveSlider(p->m_arrSlider[0], 20));
        EXPECT_EQ(At(720), c.unclamped ? 20 : 0) << c.major << "." << c.minor << " mode " << c.mode;
    }
}

TEST_F(SensorRecord, RendersOfEveryLayoutAndTab)
{
    const struct
    {
        const char* name;
        RecorderCaps caps;
    } kinds[] = {{"three", Kind(16, 0, 1)}, {"four", WithFlag2(Kind(8, 0, 1))}, {"profile", Kind(16, 6, 1)}};
    for (const auto& k : kinds) {
        CSensorRecordPage* p = Open164(k.caps, Zeroed(5, 0));
        ASSERT_NE(p, nullptr);
        for (int tab : {470, 471, 472}) {
            PressTab(p, tab);
            const QImage shot = p->grab().toImage();
            shot.save(RenderPath(QStringLiteral("setup_sensor_record_%1_%2.png").arg(k.name).arg(tab)));
            // Preset's face at the bottom right is drawn, not the background.
            EXPECT_NE(shot.pixel(350, 406), shot.pixel(250, 406)) << k.name << " " << tab;
        }
        if (p->ProfileMode()) {
            EXPECT_EQ(p->m_btnPrev.geometry(), QRect(4, 396, 30, 22));
            EXPECT_EQ(p->m_btnNext.geometry(), QRect(170, 396, 30, 22));
            EXPECT_EQ(p->m_lblProfile.geometry(), QRect(42, 401, 120, 16));
        }
    }
}

TEST_F(MotionRecord, RendersOfEveryTab)
{
    for (const RecorderCaps& caps : {Kind(16, 0, 1), Kind(4, 4, 1)}) {
        CMotionRecordPage* p = Open165(caps, Zeroed());
        ASSERT_NE(p, nullptr);
        for (int tab : {470, 471, 472, 473}) {
            PressTab(p, tab);
            p->grab().save(RenderPath(
                QStringLiteral("setup_motion_record_%1_%2.png").arg(caps.subProductMajor).arg(tab)));
            EXPECT_EQ(p->m_tabs.Button(p->m_tabs.IndexOf(tab)).m_nState, 1);
        }
        EXPECT_EQ(p->m_btn482.geometry(), QRect(304, 396, 97, 22));
    }
}
