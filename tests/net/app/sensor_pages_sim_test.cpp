// The alarm preset, sensor link and motion grid pages end to end: the real
// main window against the simulator's setup database (and, for the grid, its
// live streams). Edits go out with OK and come back on the next opening;
// the grid shows the chosen channel's live picture.
#include "MainWindowSim.h"
#include "SetupWindowSim.h"
#include "SimLive.h"
#include "SimLiveStreams.h"
#include "SimSensorImage.h"
#include "SimSetup.h"

#include "app/MainLayout.h"
#include "app/PasswordDlg.h"
#include "setup/ChannelOnOffPage.h"
#include "setup/RemoteSetupDlg.h"
#include "setup/SetupPageIds.h"
#include "setup/record/AlarmPresetPage.h"
#include "setup/record/MotionGridPage.h"
#include "streams/TestStreams.h"
#include "ui/UiMessages.h"
#include "video/YuvToRgb.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <gtest/gtest.h>
#include <set>

namespace {

using namespace mainsim;
using k5sim::Bytes;
namespace sid = k5sim::id;
namespace si = k5sim::sensorimage;

std::set<std::size_t> Diff(const Bytes& a, const Bytes& b)
{
    std::set<std::size_t> out;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        if (a[i] != b[i])
            out.insert(i);
    return out;
}

void Type(QWidget* w, const QString& text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
    }
}

void Press(Wnd& s, int id)
{
    s.WindowProc(WM_COMMAND, MakeCommandWParam(id, BN_CLICKED), 0);
}

constexpr int kWidth = 352;
constexpr int kHeight = 288;

class SensorPagesSim : public ::testing::Test
{
protected:
    void TearDown() override
    {
        if (dlg)
            dlg->Close();
        dlg.reset();
    }
    // A sub product 6 recorder serving a 5.2 image with the pages' recipe;
    // with `live`, its sixteen pattern streams.
    void Start(bool live)
    {
        k5sim::RecorderSim::Config config;
        config.hello.subMajor = 6;
        sim = std::make_unique<k5sim::RecorderSim>(config);
        setup = std::make_unique<k5sim::SimSetup>(*sim, 7000, 5, 2);
        k5sim::ServeSensorPageFields(*setup);
        if (live) {
            liveData = std::make_unique<k5sim::SimLive>(*sim);
            for (int ch = 0; ch < 4; ++ch)
                liveData->SetStream(ch, k5sim::MakePatternStream(ch, kWidth, kHeight, 20, 10));
        }
        sim->OnHello([](k5sim::RecorderSim& s) {
            s.Send(sid::RIGHT_CHANGE, RightsFor("admin"));
            std::array<std::array<std::uint8_t, 16>, 8> allowed{};
            for (auto& user : allowed)
                user.fill(1);
            s.Send(sid::NETLIVE_CH_CHANGE, k5sim::BuildNetliveChChange(allowed));
            s.Send(sid::DB_CHANGE, k5sim::BuildDbChange(k5sim::DbChangeConfig{}));
        });
        ASSERT_TRUE(sim->Start());
        dialog->script = TypeServer("127.0.0.1", sim->Port(), "admin", "pw", "Yard");
        dlg = std::make_unique<MainWindow>(live ? DecodingDeps(dialog) : QuietDeps(dialog));
        dlg->Commands().SetPause(std::chrono::milliseconds(0), [](std::chrono::milliseconds) {});
        ASSERT_TRUE(dlg->Create());
        ASSERT_TRUE(dlg->IsConnected());
        ASSERT_TRUE(RunUntil(
            [&] { return dlg->m_pNetClient->m_bLogin && dlg->m_pNetClient->HasRight(RIGHT_SEARCH); }));
    }
    // Opens the setup window, runs `act` inside its modal run and waits for
    // it to end.
    bool WithSetupWindow(std::function<void(CRemoteSetupDlg&)> act)
    {
        // An opening while the last OK's update waits for its answer is
        // refused: on a slow machine the answer can still be on its way.
        if (!RunUntil([this] { return !dlg->m_pNetClient->m_bDbBusy; }))
            return false;
        // Sub product 6 asks for the password first.
        return RunSetupWindow(*dlg, true, std::move(act));
    }

    std::unique_ptr<k5sim::RecorderSim> sim;
    std::unique_ptr<k5sim::SimSetup> setup;
    std::unique_ptr<k5sim::SimLive> liveData;
    std::shared_ptr<FakeConnectDialog> dialog = std::make_shared<FakeConnectDialog>();
    std::unique_ptr<MainWindow> dlg;
};

} // namespace

TEST_F(SensorPagesSim, EditsOfTheThreePagesGoOutWithOkAndComeBack)
{
    Start(false);
    const Bytes served = setup->Image();
    bool plainGrid = false;
    ASSERT_TRUE(WithSetupWindow([&](CRemoteSetupDlg& s) {
        auto* preset = static_cast<CAlarmPresetPage*>(s.ShowPage(SetupPage::kAlarmPreset));
        ASSERT_NE(preset, nullptr);
        EXPECT_TRUE(preset->IsExtended());
        // Sensor 2: entry 2 takes camera 5; entry 3's number typed, never left.
        Press(*preset, CAlarmPresetPage::kFirstTabId + 1);
        s.OnListPicked(preset, 1, 5);
        CDigitEdit& box = preset->m_editPreset[2];
        box.selectAll();
        box.del();
        Type(&box, "999");

        auto* link = static_cast<CChannelOnOffPage*>(s.ShowPage(SetupPage::kSensorLink));
        ASSERT_NE(link, nullptr);
        link->SelectTab(2);
        link->OnRowOn(1);

        auto* grid = static_cast<CMotionGridPage*>(s.ShowPage(SetupPage::kMotionGrid));
        ASSERT_NE(grid, nullptr);
        // No live view: the plain background.
        plainGrid = grid->m_grid.m_bShowStill == 0;
        grid->SelectChannel(3);
        grid->m_grid.Press(10, 10, nullptr);
        Press(s, CRemoteSetupDlg::kIdOk);
    }));
    EXPECT_TRUE(plainGrid);
    ASSERT_TRUE(RunUntil([&] { return setup->Updates().size() == 1; }));
    const auto updates = setup->Updates();
    ASSERT_TRUE(updates[0].crcOk);
    const Bytes sent(updates[0].payload.begin() + 4, updates[0].payload.end());

    std::set<std::size_t> expected{si::kPresetCamera + 4 + 1, si::kSensorLink + 32 + 1};
    const std::size_t number = si::kPresetNumber + 8 * 1 + 2 * 2;
    for (std::size_t at : {number, number + 1})
        if (served[at] != (at == number ? 0x03 : 0xE7))
            expected.insert(at);
    // Both channels shown on the grid lose their 2s; channel 4's first cell
    // is toggled.
    for (int ch : {0, 3})
        for (int r = 0; r < 8; ++r)
            for (int c = 0; c < 10; ++c)
                if (si::CellValue(ch, r, c) == 2 || (ch == 3 && r == 0 && c == 0))
                    expected.insert(si::kMotionGrid + 99 * ch + 11 * r + c);
    EXPECT_EQ(Diff(served, sent), expected);
    EXPECT_EQ(sent[number], 0x03);
    EXPECT_EQ(sent[number + 1], 0xE7);
    EXPECT_EQ(sent[si::kPresetCamera + 5], 5);
    EXPECT_EQ(sent[si::kSensorLink + 33], 1);
    EXPECT_EQ(sent[si::kMotionGrid + 99 * 3], 1);

    // The next opening shows what the recorder stored.
    ASSERT_TRUE(WithSetupWindow([&](CRemoteSetupDlg& s) {
        auto* preset = static_cast<CAlarmPresetPage*>(s.ShowPage(SetupPage::kAlarmPreset));
        ASSERT_NE(preset, nullptr);
        Press(*preset, CAlarmPresetPage::kFirstTabId + 1);
        EXPECT_EQ(preset->m_editPreset[2].GetWindowText(), "999");
        EXPECT_EQ(preset->m_editPreset[0].GetWindowText(), QString::number(si::PresetNumber(1, 0)));
        EXPECT_EQ(preset->Cell(1).GetWindowText(), preset->CameraItems()[5]);
        auto* link = static_cast<CChannelOnOffPage*>(s.ShowPage(SetupPage::kSensorLink));
        ASSERT_NE(link, nullptr);
        link->SelectTab(2);
        EXPECT_TRUE(link->RowIsOn(1));
        Press(s, CRemoteSetupDlg::kIdCancel);
    }));
}

TEST_F(SensorPagesSim, TheGridShowsTheChosenChannelsLivePicture)
{
    if (!k5streams::HasH264Encoder())
        GTEST_SKIP() << "libavcodec has no libx264 encoder";
    Start(true);
    ASSERT_TRUE(dlg->m_hDecoderDll) << "the decoder library did not load";
    ASSERT_TRUE(RunUntil([&] { return sim->Count(sid::LIVE_REQ) >= 1; }));
    ASSERT_TRUE(
        RunUntil([&] { return dlg->m_pVideoWnd && dlg->m_pVideoWnd->GetPaintStats(2).published >= 3; },
                 std::chrono::seconds(30)));

    k5streams::StreamSpec spec;
    spec.width = kWidth;
    spec.height = kHeight;
    spec.gop = 10;
    spec.frames = 20;
    spec.channel = 2;
    const k5streams::Probe band = k5streams::ExpectedProbes(spec, 0).back();
    bool shown = false, changed = false;
    int nearest = -1;
    ASSERT_TRUE(WithSetupWindow([&](CRemoteSetupDlg& s) {
        auto* page = static_cast<CMotionGridPage*>(s.ShowPage(SetupPage::kMotionGrid));
        ASSERT_NE(page, nullptr);
        page->SelectChannel(2);
        page->m_grid.DeselectAll();
        CMotionGridStatic& grid = page->m_grid;
        // The timer's grabs run inside the window's modal loop.
        shown = RunUntil([&] { return grid.m_bShowStill == 1; }, std::chrono::seconds(20));
        if (shown) {
            // The still is the picture less its top 8 lines, over 360 x 288.
            const QImage first = grid.grab().toImage();
            // Off the cells' outlines (every 36 pixels).
            const int x = static_cast<int>((band.x + 0.5) * 360 / kWidth) + 8;
            const int y = static_cast<int>((band.y - 8 + 0.5) * 288 / (kHeight - 8));
            const QRgb seen = first.pixel(x, y);
            int best = 1 << 30;
            for (int c = 0; c < 16; ++c) {
                std::uint8_t bgr[3];
                YuvPixelToBgr(band.Y, k5streams::ChannelU(c), k5streams::ChannelV(c), bgr);
                const int d = std::max({std::abs(qRed(seen) - bgr[2]), std::abs(qGreen(seen) - bgr[1]),
                                        std::abs(qBlue(seen) - bgr[0])});
                if (d < best) {
                    best = d;
                    nearest = c;
                }
            }
            // A later grab shows a later picture (the counter columns move).
            const QImage still = grid.m_imgStill.copy();
            changed = RunUntil([&] { return grid.m_imgStill != still; }, std::chrono::seconds(20));
        }
        Press(s, CRemoteSetupDlg::kIdCancel);
    }));
    EXPECT_TRUE(shown);
    EXPECT_EQ(nearest, 2);
    EXPECT_TRUE(changed);
}
