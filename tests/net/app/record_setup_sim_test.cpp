// The record pages end to end: the real main window against the simulator's
// setup database with plausible record settings. Setup -> Rec -> a page ->
// an edit -> OK; the image that comes back differs from the served one in
// exactly the expected bytes (multi-byte fields big-endian, as on the wire),
// and the next opening shows the recorder's new values.
#include "../../WidgetInput.h"
#include "MainWindowSim.h"
#include "SetupWindowSim.h"
#include "SimRecordImage.h"
#include "SimSetup.h"

#include "app/PasswordDlg.h"
#include "platform/ResourceLibrary.h"
#include "setup/RemoteSetupDlg.h"
#include "setup/SetupMenuPage.h"
#include "setup/SetupPageIds.h"
#include "setup/record/AudioInputPage.h"
#include "setup/record/RecordConfigPage.h"
#include "setup/record/RecordDaysPage.h"
#include "setup/record/RecordModeRankPage.h"
#include "setup/record/RecordPage.h"
#include "setup/record/WeeklySchedulePage.h"
#include "ui/ListPickerPopup.h"
#include "ui/SliderPickerPopup.h"
#include "ui/UiMessages.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTimer>
#include <gtest/gtest.h>
#include <set>

namespace {

using namespace mainsim;
using k5sim::Bytes;
namespace sid = k5sim::id;
namespace off = k5sim::recoff;

void Pump()
{
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

void Click(QWidget* w, QPoint pos = QPoint(3, 3))
{
    ClickWidget(w, pos);
    Pump();
}

bool MoveSlider(CSkinSlider& s, int value)
{
    for (int x = 0; x <= s.width(); ++x)
        if (s.PixelToPos(x) == value) {
            Click(&s, QPoint(x, s.height() / 2));
            return true;
        }
    return false;
}

void PickFromCell(CRemoteSetupDlg& s, QWidget& cell, int position)
{
    Click(&cell);
    ASSERT_NE(s.ListPicker(), nullptr);
    s.ListPicker()->OnCellClicked(position);
    Pump();
}

std::set<std::size_t> Diff(const Bytes& a, const Bytes& b)
{
    std::set<std::size_t> out;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        if (a[i] != b[i])
            out.insert(i);
    return out;
}

struct Case
{
    const char* name;
    std::uint8_t channels, subMajor, flags2;
    int menuButton;
    // Edits the page the menu button opened.
    std::function<void(CRemoteSetupDlg&)> edit;
    std::set<std::size_t> changed;
    // Checks, on the next opening, that the page shows the new values.
    std::function<void(CRemoteSetupDlg&)> shows;
    std::uint8_t versionMajor = 4, versionMinor = 6;
};

class RecordSetupSim : public ::testing::TestWithParam<int>
{
protected:
    void Start(const Case& c)
    {
        k5sim::RecorderSim::Config config;
        config.hello.channelNum = c.channels;
        config.hello.subMajor = c.subMajor;
        config.hello.flags2 = c.flags2;
        m_bPrompt = c.subMajor == 5 || c.subMajor == 6;
        sim = std::make_unique<k5sim::RecorderSim>(config);
        setup = std::make_unique<k5sim::SimSetup>(*sim, 7000, c.versionMajor, c.versionMinor);
        k5sim::SetRecordSettings(*setup, k5sim::SimRecordSettings::Plausible(c.channels));
        sim->OnHello([](k5sim::RecorderSim& s) { s.Send(sid::RIGHT_CHANGE, RightsFor("admin")); });
        ASSERT_TRUE(sim->Start());
        // The bundle: the pages' texts and slider bitmaps are what the test presses.
        dlg = ConnectBundledClient(dialog, sim->Port());
        ASSERT_NE(dlg, nullptr);
    }
    void TearDown() override
    {
        if (dlg)
            dlg->Close();
        dlg.reset();
    }
    CNetClient& Net() { return *dlg->m_pNetClient; }
    // Presses Setup, runs `act` inside the window, which must end it.
    // Sub products 5 and 6 ask for the password first.
    bool WithSetup(std::function<void(CRemoteSetupDlg&)> act)
    {
        return RunSetupWindow(*dlg, m_bPrompt, std::move(act));
    }

    std::unique_ptr<k5sim::RecorderSim> sim;
    std::unique_ptr<k5sim::SimSetup> setup;
    std::shared_ptr<FakeConnectDialog> dialog = std::make_shared<FakeConnectDialog>();
    std::unique_ptr<MainWindow> dlg;
    bool m_bPrompt = false;
};

template <class Page> Page* Current(CRemoteSetupDlg& s, int id)
{
    return dynamic_cast<Page*>(s.Page(id));
}

const std::vector<Case>& Cases()
{
    static const std::vector<Case> cases = {
        // Sub product minor 0, 16 channels at CIF: group mode moves channels 0-3.
        {"plain rate in group mode, 16 ch",
         16,
         0,
         0x04,
         451,
         [](CRemoteSetupDlg& s) {
             auto* p = Current<CRecordPage>(s, SetupPage::kPlainRecord);
             ASSERT_NE(p, nullptr);
             Click(&p->m_tabs.Button(1));
             ASSERT_TRUE(MoveSlider(p->m_arrSlider[3], 7));
         },
         {off::PlainRate + 0, off::PlainRate + 1, off::PlainRate + 2, off::PlainRate + 3},
         [](CRemoteSetupDlg& s) {
             auto* p = Current<CRecordPage>(s, SetupPage::kPlainRecord);
             Click(&p->m_tabs.Button(1));
             EXPECT_EQ(p->m_arrSlider[0].GetPos(), 7);
             EXPECT_EQ(p->m_arrSlider[3].GetPos(), 7);
         }},
        {"schedule resolution, 8 ch",
         8,
         0,
         0x04,
         454,
         [](CRemoteSetupDlg& s) {
             auto* p = Current<CRecordPage>(s, SetupPage::kScheduleRecord);
             ASSERT_NE(p, nullptr);
             Click(&p->m_arr2CifButton[0]);
         },
         // 2CIF on 8 channels NTSC: 15 each, where CIF had 30.
         {off::ScheduleResolution + 0, off::ScheduleResolution + 1, off::ScheduleResolution + 2,
          off::ScheduleResolution + 3, off::ScheduleResolution + 4, off::ScheduleResolution + 5,
          off::ScheduleResolution + 6, off::ScheduleResolution + 7, off::ScheduleRate + 0,
          off::ScheduleRate + 1, off::ScheduleRate + 2, off::ScheduleRate + 3, off::ScheduleRate + 4,
          off::ScheduleRate + 5, off::ScheduleRate + 6, off::ScheduleRate + 7},
         [](CRemoteSetupDlg& s) {
             auto* p = Current<CRecordPage>(s, SetupPage::kScheduleRecord);
             EXPECT_EQ(p->m_arr2CifButton[0].m_nState, 1);
         }},
        {"weekly schedule, four values",
         16,
         3,
         0x04,
         454,
         [](CRemoteSetupDlg& s) {
             auto* p = Current<CWeeklySchedulePage>(s, SetupPage::kWeeklySchedule);
             ASSERT_NE(p, nullptr);
             Click(&p->m_grid, QPoint(50 * 6 + 25, 15 * 2 + 7));
         },
         {off::WeeklySchedule + 6 * 24 + 2},
         [](CRemoteSetupDlg& s) {
             auto* p = Current<CWeeklySchedulePage>(s, SetupPage::kWeeklySchedule);
             EXPECT_EQ(p->m_grid.ValueOf(GridRect{300, 30, 350, 45}), 1);
         }},
        {"record days",
         16,
         0,
         0x04,
         456,
         [](CRemoteSetupDlg& s) {
             auto* p = Current<CRecordDaysPage>(s, SetupPage::kRecordDays);
             ASSERT_NE(p, nullptr);
             Click(&p->m_tabs.Button(3));
             ASSERT_TRUE(MoveSlider(p->DaysSlider(), 62));
         },
         {off::DaysValue},
         [](CRemoteSetupDlg& s) {
             auto* p = Current<CRecordDaysPage>(s, SetupPage::kRecordDays);
             Click(&p->m_tabs.Button(3));
             EXPECT_EQ(p->DaysSlider().GetPos(), 60);
         }},
        {"mode ranking",
         16,
         0,
         0x04,
         457,
         [](CRemoteSetupDlg& s) {
             auto* p = Current<CRecordModeRankPage>(s, SetupPage::kRecordModeRank);
             ASSERT_NE(p, nullptr);
             PickFromCell(s, p->m_cell[4], 1); // sensor, moved from row 1
         },
         {off::RecordModeRank + 1, off::RecordModeRank + 4},
         [](CRemoteSetupDlg& s) {
             auto* p = Current<CRecordModeRankPage>(s, SetupPage::kRecordModeRank);
             EXPECT_EQ(p->m_cell[4].GetWindowText(), "Sensor");
         }},
        {"configuration: post-event and mode, sub product 6",
         16,
         6,
         0x04,
         450,
         [](CRemoteSetupDlg& s) {
             auto* p = Current<CRecordConfigPage>(s, SetupPage::kRecordConfig);
             ASSERT_NE(p, nullptr);
             Click(&p->Label(800));
             ASSERT_NE(s.SliderPicker(), nullptr);
             s.SliderPicker()->m_sliders[0].SetPos(45);
             s.SliderPicker()->OnSliderMoved(0, 45);
             s.ClosePickers();
             Pump();
             PickFromCell(s, p->Label(806), 1);
         },
         // 30 -> 45 is 0x001E -> 0x002D; mode 0 -> 1 in the last byte.
         {off::PostEvent + 1, off::RecordConfigMode + 3},
         [](CRemoteSetupDlg& s) {
             auto* p = Current<CRecordConfigPage>(s, SetupPage::kRecordConfig);
             EXPECT_EQ(p->Label(800).GetWindowText(), "45");
             EXPECT_EQ(p->Label(806).GetWindowText(), "Event + Normal");
         }},
        {"audio inputs, sub product 6 with flag F",
         16,
         6,
         0x05,
         450,
         [](CRemoteSetupDlg& s) {
             auto* p = Current<CRecordConfigPage>(s, SetupPage::kRecordConfig);
             ASSERT_NE(p, nullptr);
             Click(&p->m_btnAudio);
             auto* a = Current<CAudioInputPage>(s, SetupPage::kAudioInput);
             ASSERT_NE(a, nullptr);
             PickFromCell(s, a->m_cell[3], 0);  // channels 4 .. 16 offered: the first is its own
             PickFromCell(s, a->m_cell[2], 12); // 3, 5 .. 16 offered: the last is 16
         },
         {off::AudioInputChannel + 2},
         [](CRemoteSetupDlg& s) {
             auto* p = Current<CRecordConfigPage>(s, SetupPage::kRecordConfig);
             Click(&p->m_btnAudio);
             auto* a = Current<CAudioInputPage>(s, SetupPage::kAudioInput);
             EXPECT_EQ(a->m_cell[2].GetWindowText(), "CH 16");
         }},
        {"plain audio, 4 ch with four inputs",
         4,
         6,
         0x04,
         451,
         [](CRemoteSetupDlg& s) {
             auto* p = Current<CRecordPage>(s, SetupPage::kPlainRecord);
             ASSERT_NE(p, nullptr);
             Click(&p->m_tabs.Button(2));
             ASSERT_TRUE(p->m_arrOnButton[1].isEnabled());
             Click(&p->m_arrOnButton[1]);
         },
         {off::PlainAudio + 1},
         [](CRemoteSetupDlg& s) {
             auto* p = Current<CRecordPage>(s, SetupPage::kPlainRecord);
             Click(&p->m_tabs.Button(2));
             EXPECT_EQ(p->m_arrOnButton[1].m_nState, 1);
         }},
        {"configuration pre-event, sub product 5 at 5.0 with flag F",
         16,
         5,
         0x05,
         450,
         [](CRemoteSetupDlg& s) {
             auto* p = Current<CRecordConfigPage>(s, SetupPage::kRecordConfig);
             ASSERT_NE(p, nullptr);
             ASSERT_EQ(p->Plan().layout, RecordConfig::Layout::A2);
             PickFromCell(s, p->Label(799), 0);
         },
         // 10 -> 0 is 0x000A -> 0x0000.
         {off::PreEvent + 1},
         [](CRemoteSetupDlg& s) {
             auto* p = Current<CRecordConfigPage>(s, SetupPage::kRecordConfig);
             EXPECT_EQ(p->Label(799).GetWindowText(), "0");
         },
         5,
         0},
    };
    return cases;
}

} // namespace

TEST_P(RecordSetupSim, EditsReachTheRecorderAndComeBack)
{
    const Case& c = Cases()[static_cast<std::size_t>(GetParam())];
    SCOPED_TRACE(c.name);
    Start(c);
    const Bytes served = setup->Image();
    ASSERT_TRUE(WithSetup([&c](CRemoteSetupDlg& s) {
        s.OnTab(1);
        s.Menu(1)->OnMenuButton(c.menuButton);
        Pump();
        c.edit(s);
        s.WindowProc(WM_COMMAND, MakeCommandWParam(CRemoteSetupDlg::kIdOk, BN_CLICKED), 0);
    }));
    const auto updates = setup->Updates();
    ASSERT_EQ(updates.size(), 1u);
    EXPECT_TRUE(updates[0].crcOk);
    const Bytes sent(updates[0].payload.begin() + 4, updates[0].payload.end());
    EXPECT_EQ(Diff(served, sent), c.changed);

    ASSERT_TRUE(WithSetup([&c](CRemoteSetupDlg& s) {
        s.OnTab(1);
        s.Menu(1)->OnMenuButton(c.menuButton);
        Pump();
        c.shows(s);
        s.WindowProc(WM_COMMAND, MakeCommandWParam(CRemoteSetupDlg::kIdCancel, BN_CLICKED), 0);
    }));
}

INSTANTIATE_TEST_SUITE_P(Pages, RecordSetupSim, ::testing::Range(0, 9));
