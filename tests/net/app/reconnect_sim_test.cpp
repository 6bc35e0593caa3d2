// The demo's reconnect, as an operator does it on the shown main window: live
// video of every channel, the Connect button (the plug) pressed to
// disconnect, OK on the notice, the Connect button again with the same
// values in the connect dialog, and live video again from the same recorder.
#include "MainWindowSim.h"
#include "SetupWindowSim.h"
#include "SimLive.h"
#include "SimLiveStreams.h"
#include "app/SkinMessageDlg.h"
#include "video/VideoGridDlg.h"

#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

using namespace mainsim;
namespace sid = k5sim::id;

// The main window with its notices shown as the operator sees them.
class OperatorWindow : public CClientDlg
{
public:
    explicit OperatorWindow(const ClientDeps& deps) : CClientDlg(nullptr, deps) {}
    ~OperatorWindow() override
    {
        Shutdown();
        DestroyWindow();
    }
};

std::array<std::uint64_t, 16> Published(CClientDlg& dlg)
{
    std::array<std::uint64_t, 16> p{};
    for (int ch = 0; ch < 16 && dlg.m_pVideoWnd; ++ch)
        p[static_cast<std::size_t>(ch)] = dlg.m_pVideoWnd->GetPaintStats(ch).published;
    return p;
}

// Every channel published a picture since `before`.
bool AllShowSince(CClientDlg& dlg, const std::array<std::uint64_t, 16>& before)
{
    const auto now = Published(dlg);
    for (std::size_t ch = 0; ch < 16; ++ch) {
        if (now[ch] <= before[ch])
            return false;
    }
    return true;
}

void Press(QWidget& button)
{
    ASSERT_TRUE(button.isVisible());
    QTest::mouseClick(&button, Qt::LeftButton, Qt::NoModifier, button.rect().center());
}

TEST(ReconnectSim, ThePlugDisconnectsAndConnectsAgainToLiveVideo)
{
    Scratch scratch;
    k5sim::RecorderSim sim;
    k5sim::SimLive live(sim);
    for (int ch = 0; ch < 16; ++ch)
        live.SetStream(ch, k5sim::MakePatternStream(ch, 352, 288, 10, 5));
    ASSERT_TRUE(sim.Start());

    auto dialog = std::make_shared<FakeConnectDialog>();
    dialog->script = TypeServer("127.0.0.1", sim.Port(), "admin", "1234", std::string());
    // The built bundle: the buttons have their bitmaps and sizes, the notice its text.
    ClientDeps deps = BundledDeps(dialog);
    deps.loadDecoder = DecodingDeps(dialog).loadDecoder;
    OperatorWindow dlg(deps);
    // No command line: start-up opens the connect dialog, whose OK connects.
    ASSERT_TRUE(dlg.Create());
    dlg.show();
    ASSERT_EQ(dialog->runs, 1);
    ASSERT_TRUE(RunUntil([&] { return AllShowSince(dlg, {}); }));

    // The plug while connected: the session ends and the notice says so.
    QString noticeText;
    QTimer boxWatch;
    QObject::connect(&boxWatch, &QTimer::timeout, [&] {
        CSkinMessageDlg* box = dlg.m_pMessageDlg;
        if (!box || !box->isVisible())
            return;
        boxWatch.stop();
        noticeText = box->m_szLine[0];
        QTest::mouseClick(&box->m_btnOk, Qt::LeftButton, Qt::NoModifier, box->m_btnOk.rect().center());
    });
    boxWatch.start(10);
    Press(dlg.m_btnConnect);
    EXPECT_FALSE(dlg.IsConnected());
    ASSERT_TRUE(RunUntil([&] { return !boxWatch.isActive() && !dlg.m_pMessageDlg; }));
    EXPECT_EQ(noticeText, QStringLiteral("Disconnected from the recorder."));
    ASSERT_TRUE(sim.WaitForSessionsEnded(1));
    EXPECT_EQ(dialog->runs, 1) << "disconnecting asks nothing";

    // The plug again: the dialog with the same values, and live video again
    // from the recorder that took the next session.
    const auto before = Published(dlg);
    Press(dlg.m_btnConnect);
    EXPECT_EQ(dialog->runs, 2);
    ASSERT_TRUE(dlg.IsConnected());
    ASSERT_TRUE(RunUntil([&] { return AllShowSince(dlg, before); }));
    EXPECT_EQ(sim.Connections(), 2u);
    EXPECT_EQ(sim.Turned(), 0u);
    EXPECT_EQ(sim.Count(sid::HELLO), 2u);
}

} // namespace
