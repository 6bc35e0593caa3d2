// Still pictures end to end: the real main window watches sixteen live
// channels from the simulator, the operator presses Save and types a name,
// and one still per shown channel lands in the Saved folder, each showing its
// own channel's test pattern. A Saved folder that cannot be made is reported
// once, after the last worker.
#include "MainWindowSim.h"
#include "SimLive.h"
#include "SimLiveStreams.h"
#include "app/MainLayout.h"
#include "streams/TestStreams.h"
#include "ui/NameEntryDlg.h"
#include "video/YuvToRgb.h"

#include <QApplication>
#include <QImage>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>

namespace {

using namespace mainsim;
namespace sid = k5sim::id;
namespace fs = std::filesystem;

constexpr int kWidth = 352;
constexpr int kHeight = 288;

const k5sim::SimStream& PatternStream(int channel)
{
    static std::mutex m;
    static std::map<int, k5sim::SimStream> cache;
    std::lock_guard<std::mutex> lock(m);
    auto it = cache.find(channel);
    if (it == cache.end())
        it = cache.emplace(channel, k5sim::MakePatternStream(channel, kWidth, kHeight, 20, 10)).first;
    return it->second;
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

// The channel whose band colour the still shows, with how far off it is. A
// 352-wide picture's crop is (6, 6) 341 x 278, stretched to 800 x 600.
int NearestChannel(const QImage& still, int& off)
{
    k5streams::StreamSpec spec;
    spec.width = kWidth;
    spec.height = kHeight;
    spec.gop = 10;
    spec.frames = 20;
    const k5streams::Probe band = k5streams::ExpectedProbes(spec, 0).back();
    const int x = static_cast<int>((band.x - 6 + 0.5) * 800 / 341);
    const int y = static_cast<int>((band.y - 6 + 0.5) * 600 / 278);
    int r = 0, g = 0, b = 0;
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx) {
            const QRgb p = still.pixel(x + dx, y + dy);
            r += qRed(p);
            g += qGreen(p);
            b += qBlue(p);
        }
    const QRgb seen = qRgb(r / 25, g / 25, b / 25);
    int nearest = -1;
    off = 1 << 30;
    for (int c = 0; c < 16; ++c) {
        const int d = Distance(seen, RgbOf(band.Y, k5streams::ChannelU(c), k5streams::ChannelV(c)));
        if (d < off) {
            off = d;
            nearest = c;
        }
    }
    return nearest;
}

class StillWindow : public MainWindow
{
public:
    explicit StillWindow(const std::shared_ptr<FakeConnectDialog>& dialog) : MainWindow(DecodingDeps(dialog)) {}
};

// Types into the name prompt once it runs and presses OK.
void AnswerNamePrompt(const QString& name)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, name] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* prompt = qobject_cast<CNameEntryDlg*>(w);
            if (prompt && prompt->IsModalRunning()) {
                prompt->m_editName.SetWindowText(name);
                prompt->EndDialog(CNameEntryDlg::kIdOk);
                timer->deleteLater();
                timer->stop();
                return;
            }
        }
    });
    timer->start();
}

class StillSave : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!k5streams::HasH264Encoder())
            GTEST_SKIP() << "libavcodec has no libx264 encoder";
    }
    void TearDown() override { dlg.reset(); }

    void Start(int saveFormat)
    {
        RegKey key;
        ASSERT_TRUE(key.Create(std::string(CLocalSettings::kRegistryRoot) + "SaveFormat"));
        ASSERT_TRUE(key.SetDword("SaveFormat", static_cast<std::uint32_t>(saveFormat)));
        for (int ch = 0; ch < 16; ++ch)
            live.SetStream(ch, PatternStream(ch));
        sim.OnHello([](k5sim::RecorderSim& s) {
            s.Send(sid::RIGHT_CHANGE, RightsFor("admin"));
            std::array<std::array<std::uint8_t, 16>, 8> allowed{};
            for (auto& user : allowed)
                user.fill(1);
            s.Send(sid::NETLIVE_CH_CHANGE, k5sim::BuildNetliveChChange(allowed));
            s.Send(sid::DB_CHANGE, k5sim::BuildDbChange(k5sim::DbChangeConfig{}));
        });
        ASSERT_TRUE(sim.Start());
        dialog->script = TypeServer("127.0.0.1", sim.Port(), "admin", "pw", "Yard");
        dlg = std::make_unique<StillWindow>(dialog);
        ASSERT_TRUE(dlg->Create());
        ASSERT_TRUE(dlg->IsConnected());
        ASSERT_TRUE(dlg->m_hDecoderDll);
        ASSERT_TRUE(RunUntil(
            [&] {
                if (!dlg->m_pNetClient || !dlg->m_pNetClient->m_bLive ||
                    dlg->m_pVideoWnd->GetActiveChannels() != 0xFFFF)
                    return false;
                for (int ch = 0; ch < 16; ++ch)
                    if (dlg->m_pVideoWnd->GetPaintStats(ch).published < 3)
                        return false;
                return true;
            },
            std::chrono::seconds(30)));
    }

    bool SaveReaped()
    {
        return RunUntil(
            [&] {
                for (const auto& w : dlg->m_arrSaveThread)
                    if (w)
                        return false;
                return dlg->Button(IDC_SAVE) && dlg->Button(IDC_SAVE)->isEnabled();
            },
            std::chrono::seconds(60));
    }

    Scratch scratch;
    k5sim::RecorderSim sim;
    k5sim::SimLive live{sim};
    std::shared_ptr<FakeConnectDialog> dialog = std::make_shared<FakeConnectDialog>();
    std::unique_ptr<StillWindow> dlg;
};

TEST_F(StillSave, TypedNameWritesOneStillPerShownChannel)
{
    Start(0);
    AnswerNamePrompt(QStringLiteral("Gate"));
    dlg->Commands().OnButton(IDC_SAVE);
    EXPECT_FALSE(dlg->Button(IDC_SAVE)->isEnabled()) << "disabled while the workers run";
    ASSERT_TRUE(SaveReaped());

    const fs::path saved = fs::path(scratch.Location()) / "Saved";
    int files = 0;
    for (const auto& e : fs::directory_iterator(saved)) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(files, 16);
    for (int ch = 0; ch < 16; ++ch) {
        char name[32];
        std::snprintf(name, sizeof name, "Gate_%02d.jpg", ch + 1);
        const QImage still(QString::fromStdString((saved / name).string()));
        ASSERT_EQ(still.size(), QSize(800, 600)) << name;
        int off = 0;
        EXPECT_EQ(NearestChannel(still, off), ch) << name;
        EXPECT_LE(off, 24) << name;
    }
    EXPECT_TRUE(dlg->notifications.empty());
}

TEST_F(StillSave, SavedFolderThatCannotBeMadeIsReportedOnce)
{
    Start(1);
    fs::create_directories(scratch.Location());
    std::ofstream(fs::path(scratch.Location()) / "Saved") << "a file where the folder goes";
    AnswerNamePrompt(QString());
    dlg->Commands().OnButton(IDC_SAVE);
    ASSERT_TRUE(SaveReaped());
    // A few more poll ticks report nothing more.
    RunUntil([] { return false; }, std::chrono::milliseconds(1500));
    int reports = 0;
    for (LPARAM l : dlg->notifications)
        if (l == MakeNotifyParam(NOTIFY_WRITE_FAILED, WRITE_FAILED_PICTURE_NOT_CREATABLE))
            ++reports;
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(dlg->notifications.size(), 1u);
    EXPECT_TRUE(dlg->m_pNetClient) << "the client lives on";
}

} // namespace
