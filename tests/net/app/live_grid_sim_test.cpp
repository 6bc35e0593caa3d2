// Live view end to end: the real main window connects to the simulator on
// loopback, asks for live view of every channel, and the recorder's H.264
// streams travel through the connection, the decode workers and the real
// decoder library into the video grid. What the operator would see is checked
// on the rendered grid (an offscreen grab of the grid window): every cell of
// the sixteen shows its own channel's test pattern, with the probe points of
// the pattern mapped from picture to cell coordinates through the grid's crop
// and scaling, in both drawing modes. Hidden and signal-less channels show
// their substitute pictures in the same grid.
#include "MainWindowSim.h"
#include "SimLive.h"
#include "SimLiveStreams.h"
#include "SimPtz.h"
#include "app/ClientNetHost.h"
#include "app/LocalSetupPages.h"
#include "app/MainLayout.h"
#include "platform/Paths.h"
#include "streams/TestStreams.h"
#include "video/PictureBuffer.h"
#include "video/YuvToRgb.h"

#include <QImage>
#include <QPixmap>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <mutex>
#include <sstream>

namespace {

using namespace mainsim;
namespace sid = k5sim::id;

constexpr int kWidth = 352;
constexpr int kHeight = 288;
constexpr int kFrames = 20;
constexpr int kGop = 10;
// Pictures every channel publishes before the grid is looked at.
constexpr std::uint64_t kSettledPictures = 3;
// The most a rendered probe may differ from the pattern, per colour sample.
constexpr int kProbeTolerance = 8;

// The streams are made once for the whole run (encoding is the slow part).
const k5sim::SimStream& PatternStream(int channel)
{
    static std::mutex m;
    static std::map<int, k5sim::SimStream> cache;
    std::lock_guard<std::mutex> lock(m);
    auto it = cache.find(channel);
    if (it == cache.end())
        it = cache.emplace(channel, k5sim::MakePatternStream(channel, kWidth, kHeight, kFrames, kGop)).first;
    return it->second;
}

k5streams::StreamSpec SpecOf(int channel)
{
    k5streams::StreamSpec spec;
    spec.width = kWidth;
    spec.height = kHeight;
    spec.gop = kGop;
    spec.frames = kFrames;
    spec.channel = channel;
    return spec;
}

QRgb RgbOf(int y, int u, int v)
{
    std::uint8_t bgr[3];
    YuvPixelToBgr(y, u, v, bgr);
    return qRgb(bgr[2], bgr[1], bgr[0]);
}

int Distance(QRgb a, QRgb b)
{
    return std::max(
        {std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

// The mean colour of the 3 x 3 pixels around (x, y).
QRgb Sample(const QImage& image, int x, int y)
{
    int r = 0, g = 0, b = 0;
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            const QRgb p = image.pixel(x + dx, y + dy);
            r += qRed(p);
            g += qGreen(p);
            b += qBlue(p);
        }
    }
    return qRgb(r / 9, g / 9, b / 9);
}

// Where a picture's point lands in its cell: the grid shows the picture's
// rows from PictureCropRows stretched over the whole cell.
QPoint CellPoint(const GridCellRect& cell, int px, int py)
{
    int first = 0, rows = 0;
    PictureCropRows(kHeight, first, rows);
    const int x = cell.left + static_cast<int>((px + 0.5) * cell.Width() / kWidth);
    const int y = cell.top + static_cast<int>((py - first + 0.5) * cell.Height() / rows);
    return QPoint(x, y);
}

// Why the cell does not show `channel`'s pattern; empty when it does. The
// counter columns must each read clearly set or clear and together name a
// frame of the stream; the channel band must be nearer to this channel's
// colour than to any other channel's.
std::string PatternMismatch(const QImage& grid, const GridCellRect& cell, int channel)
{
    std::ostringstream why;
    const std::vector<k5streams::Probe> probes = k5streams::ExpectedProbes(SpecOf(channel), 0);
    const QRgb set = RgbOf(235, 128, 128);
    const QRgb clear = RgbOf(16, 128, 128);
    int index = 0;
    for (std::size_t bit = 0; bit + 1 < probes.size(); ++bit) {
        const QPoint at = CellPoint(cell, probes[bit].x, probes[bit].y);
        const QRgb seen = Sample(grid, at.x(), at.y());
        if (Distance(seen, set) <= kProbeTolerance)
            index |= 1 << bit;
        else if (Distance(seen, clear) > kProbeTolerance)
            why << " counter bit " << bit << " at (" << at.x() << "," << at.y() << ") is #" << std::hex
                << seen << std::dec;
    }
    if (index >= kFrames)
        why << " counter " << index << " names no frame of the stream";

    const k5streams::Probe& band = probes.back();
    const QPoint at = CellPoint(cell, band.x, band.y);
    const QRgb seen = Sample(grid, at.x(), at.y());
    int nearest = -1;
    int best = 1 << 30;
    for (int c = 0; c < 16; ++c) {
        const int d = Distance(seen, RgbOf(band.Y, k5streams::ChannelU(c), k5streams::ChannelV(c)));
        if (d < best) {
            best = d;
            nearest = c;
        }
    }
    if (nearest != channel || best > kProbeTolerance)
        why << " band at (" << at.x() << "," << at.y() << ") is #" << std::hex << seen << std::dec
            << ", nearest channel " << nearest << " off by " << best;
    return why.str();
}

// The largest difference between the cell and a picture of the cell's size.
int CellDifference(const QImage& grid, const GridCellRect& cell, const QImage& expected)
{
    int worst = 0;
    for (int y = 0; y < cell.Height(); ++y)
        for (int x = 0; x < cell.Width(); ++x)
            worst = std::max(worst, Distance(grid.pixel(cell.left + x, cell.top + y), expected.pixel(x, y)));
    return worst;
}

// The main window with the real decoder library; notifications are noted,
// never shown (a box would wait for a click).
class LiveWindow : public MainWindow
{
public:
    explicit LiveWindow(const std::shared_ptr<FakeConnectDialog>& dialog) : MainWindow(DecodingDeps(dialog)) {}
};

// What the recorder tells about the user's view of the cameras.
struct RecorderSetup
{
    std::array<std::uint8_t, 16> liveAllowed{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    std::uint16_t videoLoss = 0;
};

class LiveGrid : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!k5streams::HasH264Encoder())
            GTEST_SKIP() << "libavcodec has no libx264 encoder";
    }
    void TearDown() override { dlg.reset(); }

    // Starts the recorder and the main window in drawing mode `drawMode`;
    // the window connects through its dialog and live view starts by itself.
    void Start(int drawMode, const RecorderSetup& setup = RecorderSetup())
    {
        RegKey key;
        ASSERT_TRUE(key.Create(std::string(CLocalSettings::kRegistryRoot) + "DrawMode"));
        ASSERT_TRUE(key.SetDword("DrawMode", static_cast<std::uint32_t>(drawMode)));

        for (int ch = 0; ch < 16; ++ch) {
            ASSERT_FALSE(PatternStream(ch).frames.empty());
            live.SetStream(ch, PatternStream(ch));
        }
        live.Live().videoLoss = setup.videoLoss;
        sim.OnHello([setup](k5sim::RecorderSim& s) {
            s.Send(sid::RIGHT_CHANGE, RightsFor("admin"));
            std::array<std::array<std::uint8_t, 16>, 8> allowed{};
            for (auto& user : allowed)
                user = setup.liveAllowed;
            s.Send(sid::NETLIVE_CH_CHANGE, k5sim::BuildNetliveChChange(allowed));
            // The live permissions take effect with the camera set-up.
            s.Send(sid::DB_CHANGE, k5sim::BuildDbChange(k5sim::DbChangeConfig{}));
        });
        ASSERT_TRUE(sim.Start());
        dialog->script = TypeServer("127.0.0.1", sim.Port(), "admin", "pw", "Yard");
        dlg = std::make_unique<LiveWindow>(dialog);
        ASSERT_TRUE(dlg->Create());
        ASSERT_TRUE(dlg->IsConnected());
        ASSERT_TRUE(dlg->m_hDecoderDll) << "the decoder library did not load";
        // The hello's answer asks for live view through the GUI thread.
        ASSERT_TRUE(RunUntil([&] { return sim.Count(sid::LIVE_REQ) >= 1; }));
    }

    CVideoGridDlg& Grid() { return *dlg->m_pVideoWnd; }

    // Waits until the grid knows the `active` channels and every channel in
    // `pictured` has published a few pictures.
    bool WaitForPictures(std::uint16_t active, std::uint16_t pictured)
    {
        return RunUntil(
            [&] {
                if (!dlg->m_pNetClient || !dlg->m_pNetClient->m_bLive || Grid().GetActiveChannels() != active)
                    return false;
                for (int ch = 0; ch < 16; ++ch)
                    if ((pictured >> ch) & 1u && Grid().GetPaintStats(ch).published < kSettledPictures)
                        return false;
                return true;
            },
            std::chrono::seconds(20));
    }

    // The grid as it paints itself now.
    QImage Render()
    {
        QCoreApplication::processEvents();
        return Grid().grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

    Scratch scratch;
    k5sim::RecorderSim sim;
    k5sim::SimLive live{sim};
    k5sim::SimPtz ptz{sim};
    std::shared_ptr<FakeConnectDialog> dialog = std::make_shared<FakeConnectDialog>();
    std::unique_ptr<LiveWindow> dlg;
};

class LiveGridSim : public LiveGrid, public ::testing::WithParamInterface<int>
{
};

TEST_P(LiveGridSim, EveryCellShowsItsOwnChannelsLivePictures)
{
    const int drawMode = GetParam();
    Start(drawMode);
    ASSERT_EQ(Grid().IsDirectDraw(), drawMode == 0);
    ASSERT_EQ(Grid().GetPictureFormat(),
              drawMode == 0 ? PictureBuffer::kFormatYuv420 : PictureBuffer::kFormatBgr24);
    ASSERT_TRUE(WaitForPictures(0xFFFF, 0xFFFF));

    EXPECT_EQ(Grid().m_nViewMode.load(), 1);
    const VideoGridModel model = Grid().ModelSnapshot();
    ASSERT_EQ(model.Layout(), kVideoLayout16);
    ASSERT_EQ(model.VisibleCells(), 0xFFFF);
    const QImage image = Render();
    ASSERT_EQ(image.width(), model.ViewWidth());
    ASSERT_EQ(image.height(), model.ViewHeight());
    for (int cell = 0; cell < 16; ++cell) {
        const GridCellRect r = model.CellRect(cell);
        ASSERT_GT(r.Width(), 150);
        ASSERT_GT(r.Height(), 100);
        EXPECT_EQ(PatternMismatch(image, r, model.GetCellChannel(cell)), "") << "cell " << cell;
    }
    EXPECT_TRUE(dlg->notifications.empty());
    const CNetClient& net = *dlg->m_pNetClient;
    EXPECT_EQ(net.FramesDropped(), 0u);

    // The pictures keep coming: a later render shows a later frame.
    const std::uint64_t before = Grid().GetPaintStats(0).published;
    ASSERT_TRUE(RunUntil([&] { return Grid().GetPaintStats(0).published >= before + 5; }));
    // (A worker that fell behind sheds to a key frame, which may be the one
    // shown before: wait for a render that differs.)
    const GridCellRect r = model.CellRect(0);
    const QRect first(r.left, r.top, r.Width(), r.Height());
    QImage later;
    EXPECT_TRUE(RunUntil([&] {
        later = Render();
        return later.copy(first) != image.copy(first);
    }));
    EXPECT_EQ(PatternMismatch(later, r, 0), "");
}

INSTANTIATE_TEST_SUITE_P(DrawModes, LiveGridSim, ::testing::Values(0, 1),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return info.param == 0 ? std::string("Yuv") : std::string("Rgb");
                         });

TEST_F(LiveGrid, HiddenAndSignallessChannelsShowTheirPicturesAmongTheLiveOnes)
{
    // Channel 5 is not the user's to watch; channel 9 has no video signal.
    RecorderSetup setup;
    setup.liveAllowed[5] = 0;
    setup.videoLoss = 1u << 9;
    Start(0, setup);
    const std::uint16_t streaming = 0xFFFF & ~(1u << 5) & ~(1u << 9);
    // The recorder lists the signal-less channel among those it streams; the
    // hidden one is taken out.
    ASSERT_TRUE(WaitForPictures(0xFFFF & ~(1u << 5), streaming));
    EXPECT_EQ(dlg->m_pNetClient->m_nLiveMask.load(), 1u << 9);
    EXPECT_TRUE(Grid().IsChannelBlocked(5));
    EXPECT_FALSE(Grid().IsChannelBlocked(9));
    EXPECT_EQ(Grid().GetPaintStats(5).published, 0u);

    const VideoGridModel model = Grid().ModelSnapshot();
    const QImage image = Render();
    for (int cell = 0; cell < 16; ++cell) {
        const int channel = model.GetCellChannel(cell);
        if ((streaming >> channel) & 1u) {
            EXPECT_EQ(PatternMismatch(image, model.CellRect(cell), channel), "") << "cell " << cell;
        }
    }
    // Both substitutes are the video-loss picture stretched over the cell;
    // the signal-less camera, which the recorder reports in use, is named in
    // green across the top.
    const std::string file = Paths::FindProgramFile("VdoLoss.bmp");
    ASSERT_FALSE(file.empty());
    const QImage loss(QString::fromStdString(file));
    constexpr int kTextRows = 24;
    for (int channel : {5, 9}) {
        const GridCellRect r = model.CellRect(model.FindChannelCell(channel));
        const QImage expected =
            loss.scaled(r.Width(), r.Height(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                .convertToFormat(QImage::Format_RGB32);
        const GridCellRect below{r.left, r.top + kTextRows, r.right, r.bottom};
        EXPECT_LE(
            CellDifference(image, below, expected.copy(0, kTextRows, r.Width(), r.Height() - kTextRows)), 2)
            << "channel " << channel;
        int green = 0;
        for (int y = r.top; y < r.top + kTextRows; ++y)
            for (int x = r.left; x < r.right; ++x)
                green += image.pixel(x, y) == qRgb(0, 255, 0) ? 1 : 0;
        if (channel == 9) {
            EXPECT_GT(green, 50) << "no video-loss text";
        } else {
            EXPECT_EQ(green, 0) << "text on the hidden channel's cell";
        }
    }
}

TEST_F(LiveGrid, WhileThePtzPanelIsOpenTheGridsPageChoosesThePtzChannel)
{
    Start(0);
    ASSERT_TRUE(WaitForPictures(0xFFFF, 0xFFFF));
    auto requests = [&] { return k5sim::PtzChannelRequests(sim); };
    auto waitRequests = [&](std::size_t n) { return sim.WaitForCount(sid::PTZ_CHANNEL_REQ, n); };

    dlg->TogglePtzPan();
    ASSERT_TRUE(dlg->PtzPanels().IsControlOpen());
    ASSERT_TRUE(waitRequests(1));
    ASSERT_TRUE(RunUntil([&] { return dlg->m_pNetClient->m_ptz.m_nPtzMode == kPtzStateHasPtz; }));
    GridLinkState link = dlg->LinkState();
    EXPECT_TRUE(link.connected && link.live && link.ptzPanelOpen);
    EXPECT_EQ(link.ptzMode, kPtzStateHasPtz);
    EXPECT_EQ(link.ptzChannel, 0);

    // Four cells, page 0: the PTZ channel stays in view and is asked again;
    // page 1: the first cell's channel takes its place.
    Grid().SetHoldPage(false);
    ASSERT_TRUE(Grid().SetLayout(1));
    ASSERT_TRUE(waitRequests(2));
    ASSERT_TRUE(Grid().SetLayout(1));
    ASSERT_EQ(Grid().GetPage(), 1);
    ASSERT_TRUE(waitRequests(3));
    const auto sent = requests();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[1].channel, 0);
    EXPECT_EQ(sent[2].channel, 4);
    EXPECT_EQ(sent[2].mode, kPtzModePan);
    EXPECT_EQ(dlg->LinkState().ptzChannel, 4);

    // With the panel closed, paging asks for nothing.
    dlg->TogglePtzPan();
    ASSERT_TRUE(RunUntil([&] { return !dlg->PtzPanels().IsControlOpen(); }));
    EXPECT_FALSE(dlg->LinkState().ptzPanelOpen);
    ASSERT_TRUE(Grid().SetLayout(1));
    // Whatever the GUI thread sent before this message has arrived with it.
    const std::size_t alive = sim.Count(sid::ALIVE_REQ);
    ASSERT_TRUE(dlg->m_pNetClient->Send(sid::ALIVE_REQ));
    ASSERT_TRUE(sim.WaitForCount(sid::ALIVE_REQ, alive + 1));
    EXPECT_EQ(requests().size(), 3u);
}

TEST_F(LiveGrid, ChangingTheDrawModeDuringLiveViewSwitchesTheGridsPathAndLiveViewGoesOn)
{
    Start(0);
    ASSERT_TRUE(WaitForPictures(0xFFFF, 0xFFFF));

    std::array<std::uint64_t, 16> before{};
    for (int ch = 0; ch < 16; ++ch)
        before[static_cast<std::size_t>(ch)] = Grid().GetPaintStats(ch).published;
    dlg->m_LocalSetup.DrawMode = 1;
    dlg->ApplyLocalSetup();
    // The same grid on the new path; live view stopped and asked again.
    EXPECT_FALSE(Grid().IsDirectDraw());
    EXPECT_EQ(Grid().GetPictureFormat(), PictureBuffer::kFormatBgr24);
    ASSERT_TRUE(sim.WaitForCount(sid::LIVE_STOP, 1));
    ASSERT_TRUE(RunUntil([&] { return sim.Count(sid::LIVE_REQ) >= 2; }));
    // The grid counts on from before the change: a few pictures of the new
    // stream in every channel.
    ASSERT_TRUE(RunUntil(
        [&] {
            if (!dlg->m_pNetClient->m_bLive || Grid().GetActiveChannels() != 0xFFFF)
                return false;
            for (int ch = 0; ch < 16; ++ch)
                if (Grid().GetPaintStats(ch).published < before[static_cast<std::size_t>(ch)] + kSettledPictures)
                    return false;
            return true;
        },
        std::chrono::seconds(20)));

    const VideoGridModel model = Grid().ModelSnapshot();
    ASSERT_EQ(model.Layout(), kVideoLayout16);
    const QImage image = Render();
    for (int cell = 0; cell < 16; ++cell)
        EXPECT_EQ(PatternMismatch(image, model.CellRect(cell), model.GetCellChannel(cell)), "")
            << "cell " << cell;
    EXPECT_EQ(dlg->m_pNetClient->FramesDropped(), 0u);
}

TEST_F(LiveGrid, LocalSetupOkReachesTheRunningDecodeWorkersAtOnce)
{
    Start(0);
    ASSERT_TRUE(WaitForPictures(0xFFFF, 0xFFFF));
    ASSERT_NE(dlg->ConnectionHost(), nullptr);
    const DecodeEnv& env = dlg->ConnectionHost()->DecodeEnvironment();
    ASSERT_EQ(env.LocalCameraName(2), "");
    ASSERT_TRUE(env.DeinterlaceOn(2));

    auto pump = [] {
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
    };
    // LSetup: camera 3 renamed and its deinterlace switched off, then OK.
    QTimer::singleShot(0, dlg.get(), [&] {
        CLocalSetupDlg* w = dlg->m_pLocalSetupDlg;
        ASSERT_NE(w, nullptr);
        w->ShowCameraNamePage();
        pump();
        CColorEdit& name = w->m_pCameraNamePage->m_editName[2];
        name.setFocus();
        QTest::keyClicks(&name, "Gate");
        w->ShowDeinterlacePage();
        pump();
        QTest::mouseClick(&w->m_pDeinterlacePage->m_btnOff[2], Qt::LeftButton, Qt::NoModifier, QPoint(50, 8));
        pump();
        QTest::mouseClick(&w->m_btnOk, Qt::LeftButton, Qt::NoModifier, QPoint(40, 10));
    });
    dlg->OnButton(IDC_LOCAL_SETUP);
    // The running workers read them with their next frame: no restart.
    EXPECT_EQ(env.LocalCameraName(2), "Gate");
    EXPECT_FALSE(env.DeinterlaceOn(2));
    EXPECT_TRUE(env.DeinterlaceOn(3));
    EXPECT_EQ(sim.Count(sid::LIVE_REQ), 1u);
    EXPECT_EQ(sim.Count(sid::LIVE_STOP), 0u);
    const std::uint64_t before = Grid().GetPaintStats(2).published;
    ASSERT_TRUE(RunUntil([&] { return Grid().GetPaintStats(2).published >= before + 3; }));

    // Cancel forgets: the edit copy goes back to what is in force.
    QTimer::singleShot(0, dlg.get(), [&] {
        CLocalSetupDlg* w = dlg->m_pLocalSetupDlg;
        ASSERT_NE(w, nullptr);
        w->ShowCameraNamePage();
        pump();
        w->m_pCameraNamePage->m_editName[2].setText("Other");
        QTest::mouseClick(&w->m_btnCancel, Qt::LeftButton, Qt::NoModifier, QPoint(40, 10));
    });
    dlg->OnButton(IDC_LOCAL_SETUP);
    EXPECT_STREQ(dlg->m_LocalSetup.CameraName[2], "Gate");
    EXPECT_EQ(env.LocalCameraName(2), "Gate");

    // With live view stopped (idle), an audio buffer set through the page
    // reaches the next live audio player.
    dlg->OnButton(IDC_LIVE);
    ASSERT_TRUE(sim.WaitForCount(sid::LIVE_STOP, 1));
    ASSERT_TRUE(RunUntil([&] { return Grid().m_nViewMode.load() == 0; }));
    QTimer::singleShot(0, dlg.get(), [&] {
        CLocalSetupDlg* w = dlg->m_pLocalSetupDlg;
        ASSERT_NE(w, nullptr);
        w->ShowAudioBufferPage();
        pump();
        ASSERT_NE(w->m_pAudioBufferPage, nullptr) << "idle: the page opens";
        QTest::mouseClick(&w->m_pAudioBufferPage->m_slider[0], Qt::LeftButton, Qt::NoModifier,
                          QPoint(149, 4));
        pump();
        QTest::mouseClick(&w->m_btnOk, Qt::LeftButton, Qt::NoModifier, QPoint(40, 10));
    });
    dlg->OnButton(IDC_LOCAL_SETUP);
    const int buffers = dlg->m_arrAudioBuf[0];
    EXPECT_NE(buffers, 2) << "the default was replaced";
    EXPECT_EQ(dlg->ConnectionHost()->AudioBufferSetting(true), buffers);
}

} // namespace
