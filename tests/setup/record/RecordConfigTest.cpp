// The record configuration and audio input pages: the layout plan as a
// table, the event-rate tables, and the pages offscreen on the real window.
#include "RecordTestSupport.h"

#include "setup/record/AudioInputPage.h"
#include "setup/record/RecordConfig.h"
#include "setup/record/RecordConfigPage.h"
#include "setup/record/RecordPage.h"
#include "ui/ListPickerPopup.h"
#include "ui/SliderPickerPopup.h"

using namespace rectest;
using RecordConfig::Layout;
using RecordConfig::Row;

namespace {

RecorderCaps ConfigKind(int channels, int major, bool flagF, bool connected = true)
{
    RecorderCaps c = Kind(channels, major, 1, connected);
    c.helloFlag2Bit0 = connected && flagF;
    return c;
}

} // namespace

TEST(RecordConfigPlan, LayoutsByVersionAndRecorder)
{
    struct Case
    {
        int major, minor;
        RecorderCaps caps;
        Layout layout;
        std::vector<Row> rows;
        bool audioButton;
    };
    using R = Row;
    const Case cases[] = {
        {4,
         2,
         ConfigKind(16, 6, true),
         Layout::L,
         {R::SwitchA, R::SwitchB, R::EventMode, R::EventRate, R::PreEvent, R::PostEvent, R::Choice,
          R::AudioChannel},
         false},
        {4,
         3,
         ConfigKind(16, 0, false),
         Layout::B3,
         {R::SwitchB, R::PostEvent, R::Choice, R::AudioChannel},
         false},
        {4,
         3,
         ConfigKind(16, 0, false, false),
         Layout::B1,
         {R::SwitchB, R::PostEvent, R::Choice, R::ConfigMode, R::Block},
         true},
        {4,
         3,
         ConfigKind(16, 6, false),
         Layout::B1,
         {R::SwitchB, R::PostEvent, R::Choice, R::ConfigMode, R::Block},
         true},
        {4,
         3,
         ConfigKind(4, 6, true),
         Layout::A1,
         {R::SwitchB, R::PreEvent, R::PostEvent, R::Choice, R::ConfigMode, R::Block},
         false},
        {5,
         0,
         ConfigKind(16, 5, true),
         Layout::A2,
         {R::SwitchB, R::PreEvent, R::PostEvent, R::Choice, R::AudioChannel, R::ConfigMode, R::Block},
         false},
        {4,
         3,
         ConfigKind(16, 5, true),
         Layout::A3,
         {R::SwitchB, R::PreEvent, R::PostEvent, R::Choice, R::AudioChannel},
         false},
        {5,
         0,
         ConfigKind(8, 5, false),
         Layout::B2,
         {R::SwitchB, R::PostEvent, R::Choice, R::AudioChannel, R::ConfigMode, R::Block},
         false},
        {4,
         9,
         ConfigKind(8, 5, false),
         Layout::B3,
         {R::SwitchB, R::PostEvent, R::Choice, R::AudioChannel},
         false},
    };
    for (const Case& c : cases) {
        const RecordConfig::Plan p = RecordConfig::PlanFor({c.major, c.minor}, c.caps);
        EXPECT_EQ(p.layout, c.layout) << c.major << "." << c.minor;
        EXPECT_EQ(p.rows, c.rows) << c.major << "." << c.minor;
        EXPECT_EQ(p.audioButton, c.audioButton) << c.major << "." << c.minor;
    }
    // Bars: sub product 6 with flag F on an old image keeps the A1 bars.
    const auto bars = RecordConfig::PlanFor({4, 2}, ConfigKind(16, 6, true)).bars;
    ASSERT_EQ(bars.size(), 8u);
    EXPECT_TRUE(bars[5].left);
    EXPECT_FALSE(bars[6].left);
    EXPECT_EQ(bars[7].row, 7);
    EXPECT_EQ(RecordConfig::PlanFor({4, 3}, ConfigKind(16, 0, false)).bars.size(), 4u);
}

TEST(RecordConfigPlan, EventRateTables)
{
    struct Row
    {
        int channels, standard;
        int count[3], rate[3];
    };
    const Row rows[] = {
        {1, 0, {8, 16, 31}, {7, 15, 30}}, {4, 0, {8, 16, 31}, {7, 15, 30}}, {4, 1, {7, 13, 26}, {6, 12, 25}},
        {8, 0, {4, 8, 16}, {3, 7, 15}},   {5, 1, {4, 7, 13}, {3, 6, 12}},   {16, 0, {2, 4, 8}, {1, 3, 7}},
        {16, 1, {2, 4, 7}, {1, 3, 6}},    {12, 0, {8, 16, 31}, {1, 3, 7}},  {20, 1, {7, 13, 26}, {1, 3, 6}},
    };
    for (const Row& r : rows)
        for (int mode = 0; mode < 3; ++mode) {
            EXPECT_EQ(RecordConfig::EventRateCount(r.channels, r.standard, mode), r.count[mode])
                << r.channels << " ch, standard " << r.standard << ", mode " << mode;
            EXPECT_EQ(RecordConfig::DefaultEventRate(r.channels, r.standard, mode), r.rate[mode])
                << r.channels << " ch, standard " << r.standard << ", mode " << mode;
        }
    // A mode beyond the table counts as 0.
    EXPECT_EQ(RecordConfig::EventRateCount(8, 0, 7), 4);
    EXPECT_EQ(RecordConfig::DefaultEventRate(8, 0, 255), 3);
}

class RecordConfigPageTest : public RecordWindow
{
protected:
    CRecordConfigPage* Open162(const RecorderCaps& caps, SetupDbImage im)
    {
        Open(caps, im);
        return Show<CRecordConfigPage>(SetupPage::kRecordConfig);
    }
    static SetupDbImage Image(int major, int minor, int standard = 0)
    {
        SetupDbImage im = ImageBuilder().Version(major, minor).Build();
        im[SetupDb::VideoStandard.offset] = static_cast<std::uint8_t>(standard);
        im[SetupDb::EventMode.offset] = 2;
        im[SetupDb::EventModeValue.offset] = 5;
        im[SetupDb::EventListChoice.offset] = 1;
        im[SetupDb::EventListChoiceB.offset] = 3;
        // 16-bit and 32-bit fields in host order (Open turns them around).
        ImageRef ref(im);
        ref.Set(SetupDb::PreEventDuration, 0);
        ref.Set(SetupDb::PostEventDuration, 30);
        ref.Set(SetupDb::RecordConfigMode, 0);
        return im;
    }
    // Clicks a value cell and picks a position of the list it opens.
    void Pick(CRecordConfigPage* p, int cellId, int position)
    {
        Click(&p->Label(cellId));
        ASSERT_NE(dlg->ListPicker(), nullptr) << cellId;
        dlg->ListPicker()->OnCellClicked(position);
        Pump();
    }
    int ListCount(CRecordConfigPage* p, int cellId)
    {
        Click(&p->Label(cellId));
        const int n = dlg->ListPicker() ? dlg->ListPicker()->ShownCount() : -1;
        dlg->ClosePickers();
        Pump();
        return n;
    }
};

TEST_F(RecordConfigPageTest, LayoutsPerVersionAndKind)
{
    struct Case
    {
        int major, minor;
        RecorderCaps caps;
        std::vector<int> shown, hidden;
    };
    const Case cases[] = {
        {4,
         2,
         ConfigKind(16, 0, false),
         {790, 791, 792, 797, 798, 799, 800, 801, 807, 808},
         {805, 806, 812, 816}},
        {4, 3, ConfigKind(16, 0, false), {791, 795, 800, 801, 808}, {790, 792, 794, 799, 805, 812}},
        {4, 3, ConfigKind(16, 6, true), {791, 794, 799, 800, 805, 806, 812, 816, 818}, {790, 807, 808}},
        {5, 0, ConfigKind(16, 5, true), {791, 794, 808, 805, 806, 812, 818}, {790, 792}},
        {5, 0, ConfigKind(8, 5, false), {791, 800, 808, 806, 816}, {794, 799}},
        {4, 3, ConfigKind(16, 5, true), {791, 794, 799, 808}, {805, 806, 812}},
        {4, 3, ConfigKind(8, 6, false), {791, 800, 806, 812}, {794, 807, 808}},
    };
    for (const Case& c : cases) {
        CRecordConfigPage* p = Open162(c.caps, Image(c.major, c.minor));
        ASSERT_NE(p, nullptr);
        for (int id : c.shown)
            EXPECT_TRUE(p->Label(id).isVisible()) << c.major << "." << c.minor << " " << id;
        for (int id : c.hidden)
            EXPECT_FALSE(p->Label(id).isVisible()) << c.major << "." << c.minor << " " << id;
        p->grab().save(RenderPath(QString("record_config_%1_%2_%3.png")
                                      .arg(c.major)
                                      .arg(c.minor)
                                      .arg(static_cast<int>(p->Plan().layout))));
    }
    // Layout L: switch A shown disabled with neither button chosen.
    CRecordConfigPage* p = Open162(ConfigKind(16, 0, false), Image(4, 2));
    EXPECT_FALSE(p->m_btnAOn.isEnabled());
    EXPECT_EQ(p->Label(794).GetWindowText(), "Pre Event");
    EXPECT_EQ(p->Label(797).GetWindowText(), "CIF");
    EXPECT_EQ(p->Label(808).GetWindowText(), "CH04");
    // The literal titles of the newer layouts, and the pair at row 0.
    p = Open162(ConfigKind(16, 6, true), Image(4, 3));
    EXPECT_EQ(p->Label(794).GetWindowText(), "Pre Event Duration");
    EXPECT_EQ(p->Label(805).GetWindowText(), "Event Mode");
    EXPECT_EQ(p->m_block[0].GetWindowText(), "Non-Motion FPS");
    EXPECT_EQ(p->m_btnBOn.y(), 6);
}

TEST_F(RecordConfigPageTest, EventModeRateAndDurations)
{
    // 4 channels NTSC in mode 2: the same mode again writes 30, the list has 31 items.
    CRecordConfigPage* p = Open162(ConfigKind(4, 0, false), Image(4, 2));
    EXPECT_EQ(ListCount(p, 798), 31);
    Pick(p, 797, 2);
    EXPECT_TRUE(ChangedExactly({SetupDb::EventModeValue.offset}));
    EXPECT_EQ(At(SetupDb::EventModeValue.offset), 30);
    EXPECT_EQ(p->Label(798).GetWindowText(), "30");

    // 8 channels PAL in mode 1: "0" to "6"; mode 2 writes 12 and offers up to 12.
    SetupDbImage im = Image(4, 2, 1);
    im[SetupDb::EventMode.offset] = 1;
    p = Open162(ConfigKind(8, 0, false), im);
    EXPECT_EQ(ListCount(p, 798), 7);
    Pick(p, 797, 2);
    EXPECT_EQ(At(SetupDb::EventMode.offset), 2);
    EXPECT_EQ(At(SetupDb::EventModeValue.offset), 12);
    EXPECT_EQ(ListCount(p, 798), 13);
    Pick(p, 798, 9);
    EXPECT_EQ(At(SetupDb::EventModeValue.offset), 9);

    // Pre-event 10 and post-event 45 as 16-bit fields.
    Rebase();
    Pick(p, 799, 1);
    EXPECT_EQ(ImageRef(m_image).Get(SetupDb::PreEventDuration), 10u);
    EXPECT_EQ(p->Label(799).GetWindowText(), "10");
    Click(&p->Label(800));
    ASSERT_NE(dlg->SliderPicker(), nullptr);
    EXPECT_EQ(dlg->SliderPicker()->m_sliders[0].m_nMin, 10);
    EXPECT_EQ(dlg->SliderPicker()->m_sliders[0].m_nMax, 240);
    dlg->SliderPicker()->m_sliders[0].SetPos(45);
    dlg->SliderPicker()->OnSliderMoved(0, 45);
    dlg->ClosePickers();
    Pump();
    EXPECT_EQ(ImageRef(m_image).Get(SetupDb::PostEventDuration), 45u);
    EXPECT_EQ(p->Label(800).GetWindowText(), "45");
    // Host order while the window is open: the low bytes changed.
    EXPECT_TRUE(ChangedExactly({648, 650}));
    Pick(p, 799, 0);
    EXPECT_EQ(ImageRef(m_image).Get(SetupDb::PreEventDuration), 0u);
}

TEST_F(RecordConfigPageTest, ConfigModeResetsMotionOnSubProduct6Only)
{
    for (int major : {6, 0}) {
        SetupDbImage im = Image(4, 3);
        for (int ch = 0; ch < 16; ++ch) {
            im[SetupDb::MotionResolution.offset + ch] = ch == 0 ? 2 : 0;
            im[SetupDb::MotionRate.offset + ch] = 1;
        }
        CRecordConfigPage* p = Open162(ConfigKind(16, major, false), im);
        ASSERT_TRUE(p->Label(806).isVisible() || major != 6);
        // Reach the list through the cell when it is shown, else straight.
        if (p->Label(806).isVisible())
            Pick(p, 806, 1);
        else
            p->OnListPicked(CRecordConfigPage::kItemConfigMode, 1);
        std::set<std::size_t> expected = {SetupDb::RecordConfigMode.offset};
        if (major == 6)
            expected = Union(Union(expected, Range(SetupDb::MotionResolution.offset + 1, 15)),
                             Range(SetupDb::MotionRate.offset, 16));
        EXPECT_TRUE(ChangedExactly(expected)) << major;
        if (major == 6)
            EXPECT_EQ(At(SetupDb::MotionRate.offset + 15), 15);
        // 1 -> 0 and 0 -> 0 write only the mode.
        Rebase();
        p->OnListPicked(CRecordConfigPage::kItemConfigMode, 0);
        p->OnListPicked(CRecordConfigPage::kItemConfigMode, 0);
        EXPECT_TRUE(ChangedExactly({SetupDb::RecordConfigMode.offset})) << major;
    }
}

TEST_F(RecordConfigPageTest, AudioButtonOnSixteenChannelsOpensTheInputs)
{
    CRecordConfigPage* p = Open162(ConfigKind(4, 6, true), Image(4, 3));
    EXPECT_FALSE(p->m_btnAudio.isVisible());
    EXPECT_FALSE(p->Label(808).isVisible());
    p = Open162(ConfigKind(16, 6, true), Image(4, 3));
    EXPECT_TRUE(p->m_btnAudio.isVisible());
    Click(&p->m_btnAudio);
    auto* audio = dynamic_cast<CAudioInputPage*>(dlg->Page(SetupPage::kAudioInput));
    ASSERT_NE(audio, nullptr);
    EXPECT_EQ(dlg->Page(SetupPage::kRecordConfig), nullptr);
    Click(&audio->m_btnBack);
    EXPECT_NE(dlg->Page(SetupPage::kRecordConfig), nullptr);
}

TEST_F(RecordConfigPageTest, BytesBeyondTheTablesShowTheirNumbers)
{
    SetupDbImage im = Image(4, 2);
    im[SetupDb::EventMode.offset] = 7;
    im[SetupDb::EventListChoice.offset] = 3;
    im[SetupDb::EventListChoiceB.offset] = 16;
    CRecordConfigPage* p = Open162(ConfigKind(16, 0, false), im);
    EXPECT_EQ(p->Label(797).GetWindowText(), "7");
    EXPECT_EQ(p->Label(801).GetWindowText(), "3");
    EXPECT_EQ(p->Label(808).GetWindowText(), "16");
    // Mode 7 lists as mode 0: two items on 16 channels.
    EXPECT_EQ(ListCount(p, 798), 2);
    Pick(p, 801, 2);
    EXPECT_EQ(At(SetupDb::EventListChoice.offset), 2);
    Pick(p, 797, 0);
    EXPECT_EQ(p->Label(797).GetWindowText(), "4CIF");
    EXPECT_EQ(At(SetupDb::EventModeValue.offset), 1);
}

class AudioInputPageTest : public RecordWindow
{
};

TEST_F(AudioInputPageTest, OfferedListsPicksAndTheRecordPages)
{
    SetupDbImage im = ImageBuilder().Build();
    for (int k = 0; k < 4; ++k)
        im[SetupDb::AudioInputChannel.offset + k] = static_cast<std::uint8_t>(k);
    for (int ch = 0; ch < 16; ++ch) {
        im[SetupDb::PlainRate.offset + ch] = 1;
        im[SetupDb::PlainAudio.offset + ch] = 1;
    }
    Open(Kind(16, 6), im);
    auto* p = Show<CAudioInputPage>(SetupPage::kAudioInput);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->m_cell[0].GetWindowText(), "CH 1");
    Click(&p->m_cell[0]);
    ASSERT_NE(dlg->ListPicker(), nullptr);
    EXPECT_EQ(dlg->ListPicker()->ShownCount(), 13);
    EXPECT_EQ(dlg->ListPicker()->ItemText(1), "CH 5");
    dlg->ListPicker()->OnCellClicked(4);
    Pump();
    EXPECT_TRUE(ChangedExactly({SetupDb::AudioInputChannel.offset}));
    EXPECT_EQ(At(SetupDb::AudioInputChannel.offset), 7);
    EXPECT_EQ(p->m_cell[0].GetWindowText(), "CH 8");
    // Input 2 to channel 9: input 1's list no longer offers it.
    EXPECT_EQ(AudioInput::Offered(ImageRef(m_image), 16, 0).size(), 13u);
    Click(&p->m_cell[1]);
    dlg->ListPicker()->OnCellClicked(5); // 1, 5, 6, 7, 9 ...: the sixth is channel index 8 ("CH 9")
    Pump();
    EXPECT_EQ(At(SetupDb::AudioInputChannel.offset + 1), 8);
    const auto offered = AudioInput::Offered(ImageRef(m_image), 16, 0);
    EXPECT_EQ(std::count(offered.begin(), offered.end(), 8), 0);
    // The plain record page now offers audio on channels 2, 3, 7 and 8 only.
    auto* rec = Show<CRecordPage>(SetupPage::kPlainRecord);
    Click(&rec->m_tabs.Button(2));
    for (int ch = 0; ch < 16; ++ch)
        EXPECT_EQ(rec->m_arrOnButton[ch].isEnabled(), ch == 2 || ch == 3 || ch == 7 || ch == 8) << ch;

    // All four inputs on channel 1: input 1 offers channels 2-16.
    for (int k = 0; k < 4; ++k)
        im[SetupDb::AudioInputChannel.offset + k] = 0;
    EXPECT_EQ(AudioInput::Offered(ImageRef(im), 16, 0).size(), 15u);
}
