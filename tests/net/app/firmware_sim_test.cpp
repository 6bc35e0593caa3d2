// The firmware upgrade end to end: the real main window, its FirmUp button,
// the notice, the dialog run modally against the recorder simulator, the
// images as the recorder receives them, and the reboot offer on Close.
#include "MainWindowSim.h"
#include "SimFirmware.h"

#include "app/MainLayout.h"
#include "app/NotifyTable.h"
#include "app/SkinMessageDlg.h"
#include "net/FirmwareUpgradeDlg.h"
#include "net/Wire.h"
#include "platform/ResourceLibrary.h"
#include "ui/UiMessages.h"

#include <QApplication>
#include <QDir>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

using namespace mainsim;
using k5sim::Bytes;
namespace sid = k5sim::id;
namespace fs = std::filesystem;

// A component image with its 64-byte header at the start (or at the end
// behind the 0xEA000014 word).
Bytes Image(const char* name, std::uint32_t version, std::size_t size, bool atEnd = false)
{
    Bytes b(size);
    for (std::size_t i = 0; i < size; ++i)
        b[i] = static_cast<std::uint8_t>(i * 13 + size);
    std::uint8_t header[64] = {};
    WriteBE32(header + 8, version);
    std::memcpy(header + 32, name, std::strlen(name));
    if (atEnd) {
        WriteLE32(b.data(), 0xEA000014);
        std::memcpy(b.data() + size - 64, header, 64);
    } else {
        std::memcpy(b.data(), header, 64);
    }
    return b;
}

CFirmwareUpgradeDlg* FindFirmwareDialog()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* d = dynamic_cast<CFirmwareUpgradeDlg*>(w); d && d->isVisible())
            return d;
    }
    return nullptr;
}

void Click(Wnd& dialog, int id)
{
    PostMessage(dialog.Handle(), WM_COMMAND, MakeCommandWParam(id, BN_CLICKED), 1);
}

class FirmwareSim : public ::testing::Test
{
protected:
    void Start()
    {
        sim.OnHello([](k5sim::RecorderSim& s) { s.Send(sid::RIGHT_CHANGE, RightsFor("admin")); });
        ASSERT_TRUE(sim.Start());
        dialog->script = TypeServer("127.0.0.1", sim.Port(), "admin", "pw", "Yard");
        dlg = std::make_unique<MainWindow>(dialog);
        ASSERT_TRUE(dlg->Create());
        ASSERT_TRUE(
            RunUntil([&] { return dlg->IsConnected() && dlg->m_pNetClient->HasRight(RIGHT_REBOOT); }));
        upgrade = fs::path(scratch.Location()) / "Upgrade";
        fs::create_directories(upgrade);
    }
    void TearDown() override
    {
        if (dlg)
            dlg->Close();
        dlg.reset();
    }
    void Write(const std::string& name, const Bytes& bytes)
    {
        std::ofstream(upgrade / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    // FirmUp, then the notice's OK; `script` runs every 10 ms inside the
    // dialog's modal run until it returns true. Returns when the run ended.
    void RunFirmUp(const std::function<bool(CFirmwareUpgradeDlg&)>& script)
    {
        dlg->OnButton(IDC_FIRMUP);
        ASSERT_TRUE(RunUntil([&] { return dlg->Notified(MakeNotifyParam(NOTIFY_FW_IMAGES, 0)); }));
        bool done = false;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (dlg->m_pMessageDlg && !FindFirmwareDialog()) {
                PostMessage(dlg->m_pMessageDlg->Handle(), WM_COMMAND,
                            MakeCommandWParam(kNotifyBoxOk, BN_CLICKED), 1);
                return;
            }
            if (CFirmwareUpgradeDlg* fw = FindFirmwareDialog(); fw && !done)
                done = script(*fw);
        });
        watch.start(10);
        dlg->NotifyHandler().OnNotifyEvent(dlg->Handle(), NOTIFY_FW_IMAGES, 0);
        watch.stop();
    }

    Scratch scratch;
    k5sim::RecorderSim sim;
    k5sim::SimFirmware firmware{sim};
    std::shared_ptr<FakeConnectDialog> dialog = std::make_shared<FakeConnectDialog>();
    std::unique_ptr<MainWindow> dlg;
    fs::path upgrade;
};

// Components as the recorder lists them: type 3 "app", 6 "fpga" (rows 1, 4).
TEST_F(FirmwareSim, TwoComponentsWrittenThenCloseOffersTheReboot)
{
    Start();
    const Bytes app = Image("app", 1300000000u, 20000);
    const Bytes fpga = Image("fpga", 1300000000u, 8001, true);
    Write("app.bin", app);
    Write("app-old.bin", Image("app", 1250000000u, 5000));
    Write("fpga.bin", fpga);
    int step = 0;
    RunFirmUp([&](CFirmwareUpgradeDlg& fw) {
        if (step == 0) {
            EXPECT_TRUE(fw.Session().Ticked(1));
            EXPECT_TRUE(fw.Session().Ticked(4));
            EXPECT_FALSE(fw.Session().CheckEnabled(0));
            Click(fw, CFirmwareUpgradeDlg::kIdStart);
            step = 1;
            return false;
        }
        if (fw.Session().DoneCount() < 2)
            return false;
        EXPECT_EQ(fw.Session().StatusText(1), IDS_FW_STATUS_DONE);
        EXPECT_EQ(fw.Session().StatusText(4), IDS_FW_STATUS_DONE);
        EXPECT_EQ(fw.m_prgRow[1].m_nPos, 100);
        Click(fw, CFirmwareUpgradeDlg::kIdClose);
        return true;
    });
    EXPECT_EQ(firmware.RequestedTypes(), (std::vector<int>{3, 6}));
    const auto images = firmware.Images();
    ASSERT_EQ(images.size(), 2u);
    EXPECT_TRUE(images.at(3) == app);
    EXPECT_TRUE(images.at(6) == fpga);
    // The requests: version big-endian at 4, type at 16, name at 21.
    const auto reqs = sim.ReceivedOf(sid::FW_UPDATE_REQ);
    ASSERT_EQ(reqs.size(), 2u);
    EXPECT_EQ(reqs[0].length, 56);
    EXPECT_EQ(k5sim::GetBE32(reqs[0].payload, 4), 1300000000u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&reqs[0].payload[21])), "app");
    // 20,000 bytes: three chunks, the last flagged.
    const auto chunks = sim.ReceivedOf(sid::FW_DATA);
    ASSERT_EQ(chunks.size(), 5u);
    EXPECT_EQ(chunks[0].length, 8000);
    EXPECT_EQ(chunks[2].length, 4000);
    EXPECT_EQ(chunks[2].flags, 0x4000);
    EXPECT_EQ(chunks[1].flags, 0);
    EXPECT_EQ(chunks[4].length, 1);
    EXPECT_EQ(chunks[4].flags, 0x4000);

    // Close posted the reboot offer; its OK reboots the recorder.
    ASSERT_TRUE(RunUntil([&] { return dlg->Notified(MakeNotifyParam(NOTIFY_FW_UPGRADE, 5)); }));
    QTimer boxWatch;
    QObject::connect(&boxWatch, &QTimer::timeout, [&] {
        if (!dlg->m_pMessageDlg)
            return;
        boxWatch.stop();
        PostMessage(dlg->m_pMessageDlg->Handle(), WM_COMMAND, MakeCommandWParam(kNotifyBoxOk, BN_CLICKED), 1);
    });
    boxWatch.start(10);
    dlg->NotifyHandler().OnNotifyEvent(dlg->Handle(), NOTIFY_FW_UPGRADE, 5);
    ASSERT_TRUE(sim.WaitForCount(sid::REBOOT_REQ, 1));
    EXPECT_FALSE(dlg->m_pNetClient->m_hFirmwareDlg.load());
}

TEST_F(FirmwareSim, RefusalGoesOnWithTheNextAndNothingIsOffered)
{
    Start();
    k5sim::FirmwareAnswer refuse;
    refuse.refuseReason = 17;
    firmware.SetAnswer(3, refuse);
    Write("app.bin", Image("app", 1300000000u, 3000));
    Write("fpga.bin", Image("fpga", 1300000000u, 3000));
    RunFirmUp([&](CFirmwareUpgradeDlg& fw) {
        if (fw.Session().StartShown() && fw.Session().StartEnabled()) {
            Click(fw, CFirmwareUpgradeDlg::kIdStart);
            return false;
        }
        if (fw.Session().DoneCount() < 1 || !fw.Session().CloseEnabled())
            return false;
        EXPECT_EQ(fw.Session().StatusText(1), IDS_FW_STATUS_NACK_17);
        EXPECT_EQ(fw.Session().StatusText(4), IDS_FW_STATUS_DONE);
        Click(fw, CFirmwareUpgradeDlg::kIdClose);
        return true;
    });
    EXPECT_EQ(firmware.Images().size(), 1u);
    EXPECT_EQ(firmware.Images().count(6), 1u);
    ASSERT_TRUE(RunUntil([&] { return dlg->Notified(MakeNotifyParam(NOTIFY_FW_UPGRADE, 5)); }));
}

TEST_F(FirmwareSim, StopAndDisconnectMidUploadDoNotHang)
{
    Start();
    // The recorder says nothing after the image: Stop is the way out.
    k5sim::FirmwareAnswer silent;
    silent.end = k5sim::FirmwareAnswer::Silence;
    firmware.SetDefault(silent);
    Write("app.bin", Image("app", 1300000000u, 40u << 20));
    bool stopped = false;
    RunFirmUp([&](CFirmwareUpgradeDlg& fw) {
        if (fw.Session().StartEnabled() && fw.Session().StartShown() && !stopped) {
            Click(fw, CFirmwareUpgradeDlg::kIdStart);
            return false;
        }
        if (!stopped && fw.Session().UploadRunning() && sim.Count(sid::FW_DATA) > 3) {
            Click(fw, CFirmwareUpgradeDlg::kIdStop);
            stopped = true;
            return false;
        }
        if (!stopped || fw.Session().UploadRunning())
            return false;
        EXPECT_EQ(fw.Session().StatusText(1), IDS_FW_STATUS_STOPPED);
        EXPECT_TRUE(fw.Session().CloseEnabled());
        Click(fw, CFirmwareUpgradeDlg::kIdClose);
        return true;
    });
    EXPECT_LT(sim.Count(sid::FW_DATA), (40u << 20) / 8000);
    EXPECT_FALSE(dlg->Notified(MakeNotifyParam(NOTIFY_FW_UPGRADE, 5)));

    // A disconnect in the middle of an upload closes the dialog.
    Write("fpga.bin", Image("fpga", 1300000000u, 40u << 20));
    const std::size_t before = sim.Count(sid::FW_DATA);
    bool disconnected = false;
    dlg->notifications.clear();
    RunFirmUp([&](CFirmwareUpgradeDlg& fw) {
        if (fw.Session().StartEnabled() && fw.Session().StartShown() && !disconnected) {
            Click(fw, CFirmwareUpgradeDlg::kIdStart);
            return false;
        }
        if (!disconnected && fw.Session().UploadRunning() && sim.Count(sid::FW_DATA) > before + 3) {
            dlg->OnButton(IDC_CONNECT);
            disconnected = true;
            return true;
        }
        return false;
    });
    EXPECT_TRUE(disconnected);
    EXPECT_FALSE(dlg->IsConnected());
}

// The dialog drawn from the built bundle, probed where the layout puts
// things.
TEST(FirmwareDialogRender, LayoutFromTheBundle)
{
    static ResourceLibrary bundle;
    ASSERT_TRUE(bundle.Load(K5_BINARY_DIR "/bin/MiraRes.rcc"));
    ResourceLibrary* previous = &ResourceLibrary::Current();
    ResourceLibrary::SetCurrent(&bundle);
    {
        CFirmwareUpgradeDlg fw(nullptr, std::weak_ptr<CNetClient>(), 255, "/nonexistent");
        ASSERT_TRUE(fw.Create());
        fw.m_lblStatus[1].SetText(QStringLiteral("Written"));
        const QImage shot = fw.grab().toImage();
        const QString dir = QStringLiteral(K5_BINARY_DIR "/renders");
        QDir().mkpath(dir);
        shot.save(dir + QStringLiteral("/firmware_dialog.png"));
        ASSERT_EQ(shot.size(), QSize(398, 222));
        // The panel, the sunken status line and the button faces differ.
        const QColor panel = shot.pixelColor(200, 10);
        const QColor status = shot.pixelColor(200, 166);
        const QColor close = shot.pixelColor(349, 190);
        EXPECT_NE(panel, status);
        EXPECT_NE(panel, close);
        EXPECT_LT(status.lightness(), panel.lightness());
        // Row 0's label plate and progress trough sit at y = 19.
        EXPECT_NE(shot.pixelColor(60, 25), panel);
        EXPECT_NE(shot.pixelColor(150, 24), panel);
        // Start is shown (no image: disabled), Stop hidden.
        EXPECT_TRUE(fw.m_btnStart.isVisible());
        EXPECT_FALSE(fw.m_btnStop.isVisible());
        fw.DestroyWindow();
    }
    ResourceLibrary::SetCurrent(previous);
}

} // namespace
