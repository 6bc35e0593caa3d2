// The main window as the operator sees it: every control at its place with
// its strip and tooltip, the skin with its cut corners and play bar, and the
// notification box and transfer bar wired in.
#include "TestSupport.h"

#include "app/ClientDlg.h"
#include "app/ClientNetHost.h"
#include "app/ClockText.h"
#include "app/ConnectLog.h"
#include "app/MainLayout.h"
#include "app/ResIds.h"
#include "app/ResIds2.h"
#include "app/ResIdsMain.h"
#include "app/SkinMessageDlg.h"
#include "app/SplitBar.h"
#include "local/LocalPlayer.h"
#include "net/NetClient.h"
#include "platform/RegKey.h"
#include "platform/Skin.h"
#include "ui/SkinDraw.h"

#include <QCoreApplication>
#include <QDir>
#include <QHelpEvent>
#include <QPainter>
#include <QTimer>
#include <QToolTip>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>

namespace {

std::string BundleFile()
{
    return std::string(K5_BINARY_DIR) + "/bin/MiraRes.rcc";
}

QString OutDir()
{
    const QString out = QStringLiteral(K5_BINARY_DIR "/testtmp/app/layout");
    QDir().mkpath(out);
    return out;
}

// The bundle as the tests read it, apart from the window's own copy.
const ResourceLibrary& Bundle()
{
    static ResourceLibrary lib;
    if (!lib.IsLoaded())
        lib.Load(BundleFile());
    return lib;
}

// The window with the real bundle and quiet fakes for the machine.
ClientDeps LayoutDeps()
{
    ClientDeps d;
    d.inhibitScreenSaver = [] { return std::shared_ptr<void>(); };
    d.hasSoundDevice = [] { return false; };
    d.loadDecoder = []() -> std::unique_ptr<DecoderLibrary> { return nullptr; };
    d.loadResources = []() -> std::unique_ptr<ResourceLibrary> {
        auto lib = std::make_unique<ResourceLibrary>();
        return lib->Load(BundleFile()) ? std::move(lib) : nullptr;
    };
    d.createMixer = [] { return CreateInProcessMixer(12345, false); };
    d.enumMonitors = [] {
        std::array<MonitorInfo, 4> m{};
        m[0].monitor = m[0].workArea = QRect(0, 0, 1920, 1080);
        m[0].valid = m[0].primary = true;
        return m;
    };
    d.isReadOnlyMedia = [] { return false; };
    d.createConnectLog = []() -> std::unique_ptr<CConnectLog> { return nullptr; };
    d.now = [] { return std::time_t(1215000000); };
    d.findSettingsFile = [] { return std::string(); };
    d.userLanguageId = [] { return WORD(1033); };
    d.startConnection = [](const ConnectRequest&) { return true; };
    // No connect dialog window at start: the run is cancelled at once.
    d.runConnectDialog = [](QWidget*, IConnectDlgHost&, IConnectTarget&, BYTE) { return false; };
    return d;
}

// Counts the notification boxes and lets a test act while one is shown.
class LayoutDlg : public CClientDlg
{
public:
    LayoutDlg() : CClientDlg(nullptr, LayoutDeps()) {}

    std::function<void(LayoutDlg&)> onBox;
    std::vector<MessageBoxContent> boxes;

    int RunNotifyBox(WndHandle sender, const MessageBoxContent& content) override
    {
        boxes.push_back(content);
        QTimer::singleShot(0, this, [this] {
            if (onBox)
                onBox(*this);
            else if (m_pMessageDlg)
                m_pMessageDlg->EndDialog(kNotifyBoxOk);
        });
        return CClientDlg::RunNotifyBox(sender, content);
    }
};

class LayoutTest : public ::testing::Test
{
protected:
    LayoutTest() : reg(dir)
    {
        RegKey key;
        key.Create(std::string(CLocalSettings::kRegistryRoot) + "Location");
        key.SetString("Location", dir.File("data"));
    }
    ~LayoutTest() override
    {
        if (dlg.m_pNetClient) {
            dlg.m_pNetClient->DestroyWindow();
            dlg.m_pNetClient.reset();
        }
        host.reset();
        dlg.DestroyWindow();
    }

    void SetUp() override
    {
        ASSERT_TRUE(Bundle().IsLoaded()) << BundleFile();
        ASSERT_TRUE(dlg.Create());
        ASSERT_TRUE(dlg.m_hResDll);
    }

    // A connection object that never connects: its flags stand for the
    // recorder's state.
    CNetClient& Connect()
    {
        host = std::make_unique<CClientNetHost>(dlg);
        dlg.m_pNetClient = CNetClient::Create(*host);
        return *dlg.m_pNetClient;
    }

    QImage Shot() { return dlg.grab().toImage().convertToFormat(QImage::Format_RGB32); }

    ScratchDir dir;
    ScopedRegistry reg;
    LayoutDlg dlg;
    std::unique_ptr<CClientNetHost> host;
};

// ---- The table --------------------------------------------------------------

struct PartRow
{
    int id, x, y, w, h, bitmap;
};

// The controls as the window's design lays them out, written down apart from
// the code's table.
std::vector<PartRow> PartLayout()
{
    std::vector<PartRow> rows;
    for (int i = 0; i < 16; ++i)
        rows.push_back({300 + i, 22, 73 + 34 * i, 30, 34, 1520 + i});
    for (int i = 0; i < 9; ++i)
        rows.push_back({320 + i, 872, 73 + 34 * i, 34, 34, 1510 + i});
    const PartRow fixed[] = {
        {329, 872, 379, 34, 34, 1538}, {369, 872, 413, 34, 34, 1541}, {370, 872, 447, 34, 34, 1542},
        {371, 872, 481, 34, 34, 1543}, {372, 872, 515, 34, 34, 1544}, {373, 872, 549, 34, 34, 1545},
        {378, 872, 583, 34, 34, 1546}, {340, 264, 649, 76, 32, 1550}, {341, 340, 649, 50, 32, 1551},
        {342, 390, 649, 50, 32, 1552}, {343, 440, 649, 50, 32, 1553}, {344, 490, 649, 50, 32, 1554},
        {345, 540, 649, 50, 32, 1555}, {346, 590, 649, 73, 32, 1556}, {360, 53, 25, 37, 32, 1624},
        {361, 90, 25, 37, 32, 1620},   {362, 127, 25, 37, 32, 1621},  {363, 164, 25, 37, 32, 1622},
        {364, 201, 25, 37, 32, 1623},  {355, 238, 25, 37, 32, 1564},  {356, 275, 25, 37, 32, 1565},
        {374, 312, 25, 37, 32, 1566},  {1072, 349, 25, 37, 32, 2351}, {365, 386, 25, 37, 32, 1569},
        {367, 662, 24, 32, 32, 1596},  {377, 870, 34, 18, 17, 1573},  {366, 712, 638, 28, 29, 1570},
        {368, 822, 637, 28, 29, 1571}, {376, 857, 637, 28, 29, 1572}, {421, 747, 647, 69, 16, 1575},
        {420, 260, 632, 252, 8, 1581},
    };
    rows.insert(rows.end(), std::begin(fixed), std::end(fixed));
    return rows;
}

TEST(MainLayoutTable, HoldsEveryControlAtItsPlaceWithItsStrip)
{
    const auto& table = MainLayout();
    const std::vector<PartRow> part = PartLayout();
    ASSERT_EQ(part.size(), table.size());
    std::set<int> ids;
    int buttons = 0, sliders = 0;
    for (const MainControl& c : table) {
        EXPECT_TRUE(ids.insert(c.id).second) << "id " << c.id << " twice";
        (c.kind == MainCtrlKind::Button ? buttons : sliders)++;
    }
    EXPECT_EQ(buttons, 54);
    EXPECT_EQ(sliders, 2);
    for (const PartRow& row : part) {
        const MainControl* c = FindMainControl(row.id);
        ASSERT_TRUE(c) << row.id;
        EXPECT_EQ(QRect(c->x, c->y, c->w, c->h), QRect(row.x, row.y, row.w, row.h)) << row.id;
        EXPECT_EQ(c->bitmap, row.bitmap) << row.id;
    }
    // Sliders: the volume fills from the left; the position slider also has
    // its thumbs.
    const MainControl* volume = FindMainControl(421);
    EXPECT_EQ(volume->active, 1574);
    EXPECT_EQ(volume->thumb, 0);
    const MainControl* position = FindMainControl(420);
    EXPECT_EQ(position->active, 1580);
    EXPECT_EQ(position->thumb, 1582);
    EXPECT_EQ(position->thumbDrag, 1583);
    EXPECT_FALSE(FindMainControl(330)) << "no control 330";

    // The highlightable buttons come first: channels, splits, playback 340-346.
    for (int i = 0; i < kHighlightButtonCount; ++i) {
        const int want = i < 16 ? 300 + i : i < 25 ? 320 + i - 16 : 340 + i - 25;
        EXPECT_EQ(table[static_cast<std::size_t>(i)].id, want) << i;
    }
    EXPECT_EQ(SplitButtonOfLayout(14), 8);
    EXPECT_EQ(SplitButtonOfLayout(5), 4);
    EXPECT_EQ(SplitButtonOfLayout(4), -1) << "no split button shows layout 4";
}

// Each strip holds whole frames of its control's size; slider pieces are the
// slider's size; the thumbs fit its height and carry their transparent colour
// in the corner.
TEST(MainLayoutTable, BundleHoldsEveryStripInItsControlsSize)
{
    const ResourceLibrary& res = Bundle();
    ASSERT_TRUE(res.IsLoaded());
    for (const MainControl& c : MainLayout()) {
        const QImage strip = res.LoadBitmap(c.bitmap);
        ASSERT_FALSE(strip.isNull()) << c.id;
        EXPECT_EQ(strip.size(), QSize(c.w * c.frames, c.h)) << c.id;
        if (c.kind == MainCtrlKind::Button) {
            EXPECT_GE(c.frames, 4) << c.id << ": normal, selected, hover and disabled";
        }
        if (c.active) {
            EXPECT_EQ(res.LoadBitmap(c.active).size(), strip.size()) << c.id;
        }
        for (int thumbId : {c.thumb, c.thumbDrag}) {
            if (!thumbId)
                continue;
            const QImage thumb = res.LoadBitmap(thumbId);
            ASSERT_FALSE(thumb.isNull()) << thumbId;
            EXPECT_LE(thumb.height(), c.h) << thumbId;
            EXPECT_NE(thumb.pixel(thumb.width() / 2, thumb.height() / 2), thumb.pixel(0, 0)) << thumbId;
        }
    }
    // The muted Sound button needs the second set.
    EXPECT_EQ(FindMainControl(366)->frames, 8);
}

TEST(MainLayoutTable, ToolTipTextsFollowTheState)
{
    const auto load = [](int id) { return QStringLiteral("<%1>").arg(id); };
    const MainTipState idle;
    MainTipState connected;
    connected.connected = true;
    MainTipState loggedIn = connected;
    loggedIn.loggedIn = true;
    MainTipState recording = loggedIn;
    recording.recording = true;

    const struct
    {
        int id;
        MainTipState state;
        const char* text;
    } cases[] = {
        {300, idle, "<5009> 1"},
        {309, idle, "<5009> 10"},
        {315, idle, "<5009> 16"},
        {320, idle, "<5010>"},
        {321, idle, "<5011>"},
        {322, idle, "6"},
        {326, idle, "10"},
        {327, idle, "13"},
        {328, idle, "16"},
        {329, idle, "<5012>"},
        {369, idle, "<5013>"},
        {370, idle, "<5014>"},
        {371, idle, "<5015>"},
        {372, idle, "<5016>"},
        {373, idle, "<5017>"},
        {378, idle, "<5030>"},
        {340, idle, "<5022>"},
        {341, idle, "<5023>"},
        {342, idle, "<5024>"},
        {343, idle, "<5025>"},
        {345, idle, "<5027>"},
        {346, idle, "<5028>"},
        {361, idle, "<5001>"},
        {362, idle, "<5002>"},
        {363, idle, "<5003>"},
        {364, idle, "<5004>"},
        {355, idle, "<5005>"},
        {356, idle, "<5006>"},
        {374, idle, "<5007>"},
        {1072, idle, "<6020>"},
        {365, idle, "<5008>"},
        {367, idle, "<5410>"},
        {377, idle, "<5029>"},
        {366, idle, "<5018>"},
        {368, idle, "<5020>"},
        {376, idle, "<5021>"},
        {421, idle, "<5019>"},
        {420, idle, ""},
        {999, idle, ""},
        // Connect: Disconnect once logged in.
        {360, idle, "<5000>"},
        {360, connected, "<5000>"},
        {360, loggedIn, "<5830>"},
        // Record: nothing without a connection, then start or stop.
        {344, idle, ""},
        {344, connected, "<5883>"},
        {344, recording, "<5882>"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MainToolTipText(c.id, c.state, load), QString::fromLatin1(c.text)) << c.id;

    // A text longer than the request's buffer is cut to 79 characters.
    const auto longText = [](int) { return QString(200, QLatin1Char('x')); };
    EXPECT_EQ(MainToolTipText(300, idle, longText).size(), 79);
}

// ---- The window -------------------------------------------------------------

TEST_F(LayoutTest, EveryControlSitsAtItsRectangleWithItsStripAndStartState)
{
    for (const MainControl& c : MainLayout()) {
        QWidget* w = dlg.Control(c.id);
        ASSERT_TRUE(w) << c.id;
        EXPECT_EQ(w->parentWidget(), &dlg) << c.id;
        EXPECT_EQ(w->geometry(), QRect(c.x, c.y, c.w, c.h)) << c.id;
        EXPECT_EQ(w->isVisible(), !c.hidden) << c.id;
        EXPECT_EQ(dynamic_cast<CDlgItem*>(w)->GetDlgCtrlID(), c.id);
        if (CSkinButton* b = dlg.Button(c.id)) {
            EXPECT_EQ(b->m_bmpStrip.size(), QSize(c.w * c.frames, c.h)) << c.id;
            EXPECT_EQ(b->m_bEnabled, !c.disabled && c.id != IDC_LIVE) << c.id;
        }
    }
    for (int i = 0; i < kHighlightButtonCount; ++i)
        EXPECT_EQ(dlg.m_arrButton[static_cast<std::size_t>(i)],
                  dlg.Button(MainLayout()[static_cast<std::size_t>(i)].id))
            << i;

    // Start states: 16 cells with their split button lit, Live disabled, the
    // playback keys but record disabled, SelAudio and Mike hidden.
    EXPECT_EQ(dlg.Button(328)->m_nState, 1);
    for (int id = 320; id < 328; ++id)
        EXPECT_EQ(dlg.Button(id)->m_nState, 0) << id;
    EXPECT_EQ(dlg.Button(IDC_LIVE)->m_nState, 3);
    for (int id : {340, 341, 342, 343, 345, 346})
        EXPECT_EQ(dlg.Button(id)->m_nState, 3) << id;
    EXPECT_EQ(dlg.Button(344)->m_nState, 0);
    EXPECT_FALSE(dlg.Button(368)->isVisible());
    EXPECT_FALSE(dlg.Button(376)->isVisible());

    // Sliders: the volume at 40000 of 65535 with the speakers set to it; the
    // position at 50 of 100.
    const CSkinSlider* volume = dlg.Slider(421);
    EXPECT_EQ(volume->m_nMax, 65535);
    EXPECT_EQ(volume->GetPos(), 40000);
    EXPECT_TRUE(volume->m_bChannelActive);
    EXPECT_FALSE(volume->m_bThumbSet);
    EXPECT_EQ(dlg.m_nVolume, 40000);
    EXPECT_EQ(dlg.m_pMixer->GetVolume(), 40000);
    const CSkinSlider* position = dlg.Slider(420);
    EXPECT_EQ(position->m_nMax, 100);
    EXPECT_EQ(position->GetPos(), 50);
    EXPECT_TRUE(position->m_bThumbSet);
    EXPECT_TRUE(position->m_bThumbTransparent);
    EXPECT_TRUE(position->m_bDrawFocusRect);

    // The clocks paint on the skin where no control is: the main clock left
    // of the transport row, a playback clock on the play bar right of the
    // position slider.
    ASSERT_TRUE(dlg.m_pClockWnd);
    EXPECT_EQ(dlg.m_pClockWnd->geometry(), ClockArea(0));
    EXPECT_TRUE(QRect(250, 630, 427, 14).contains(ClockArea(1)));
    for (const MainControl& c : MainLayout()) {
        const QRect r(c.x, c.y, c.w, c.h);
        EXPECT_FALSE(r.intersects(ClockArea(0))) << c.id;
        EXPECT_FALSE(r.intersects(ClockArea(1))) << c.id;
    }
}

// The window as painted: each control shows its strip's frame of its state at
// its place, the corners are cut exactly where the skin shows the cut key.
TEST_F(LayoutTest, RendersControlsOnTheSkinAndCutsOnlyKeyedCorners)
{
    const QImage shot = Shot();
    EXPECT_TRUE(shot.save(OutDir() + QStringLiteral("/main-window.png")));

    for (const MainControl& c : MainLayout()) {
        QWidget* w = dlg.Control(c.id);
        if (!w->isVisible())
            continue;
        const QImage own = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(shot.copy(c.x, c.y, c.w, c.h), own) << c.id << " is painted at its place, uncovered";
        if (const CSkinButton* b = dlg.Button(c.id)) {
            const QImage frame =
                b->m_bmpStrip.copy(c.w * b->m_nState, 0, c.w, c.h).convertToFormat(QImage::Format_RGB32);
            EXPECT_EQ(own, frame) << c.id << " shows frame " << b->m_nState;
        }
    }

    const QImage skin = dlg.ComposeSkin();
    const QRgb key = fromColorRef(CClientDlg::kCornerKey).rgb() & 0xFFFFFF;
    const QRegion mask = dlg.mask();
    ASSERT_EQ(dlg.m_bRegionPending, 0);
    int holes = 0, wrong = 0;
    for (int y = 0; y < CClientDlg::kHeight; ++y) {
        for (int x = 0; x < CClientDlg::kWidth; ++x) {
            const bool corner = (x < 54 || x > 868) && (y < 51 || y > 641);
            const bool keyed = (skin.pixel(x, y) & 0xFFFFFF) == key;
            const bool hole = !mask.contains(QPoint(x, y));
            holes += hole;
            wrong += hole != (corner && keyed);
        }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(holes, 4);
    for (const QPoint p : {QPoint(0, 0), QPoint(927, 0), QPoint(0, 697), QPoint(927, 697)})
        EXPECT_FALSE(mask.contains(p)) << p.x() << "," << p.y();
}

// The play bar shows while a local player exists or remote playback is on, and
// goes with them.
TEST_F(LayoutTest, PlayBarOnlyWhilePlaybackIsOn)
{
    const QRect bar(250, 630, 427, 14);
    const QImage playBar = Bundle().LoadBitmap(1584).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(playBar.size(), bar.size());
    auto barShown = [&] { return dlg.ComposeSkin().copy(bar) == playBar; };
    // As painted: every pixel of the bar that no control covers.
    auto barPainted = [&] {
        const QImage shot = Shot();
        int same = 0, seen = 0;
        for (int y = 0; y < bar.height(); ++y)
            for (int x = 0; x < bar.width(); ++x)
                if (!dlg.childAt(bar.topLeft() + QPoint(x, y))) {
                    ++seen;
                    same += shot.pixel(bar.topLeft() + QPoint(x, y)) == playBar.pixel(x, y);
                }
        return seen > 0 && same == seen;
    };

    EXPECT_FALSE(barShown());
    EXPECT_FALSE(barPainted());
    dlg.m_pLocalPlayer = std::make_unique<CLocalPlayer>(&dlg);
    EXPECT_TRUE(barShown()) << "local playback";
    EXPECT_TRUE(barPainted());

    // The finished look of a local playback, for the eye: the player shows the
    // position slider, enables the keys and runs its clock.
    dlg.Slider(IDC_POSITION)->show();
    for (int id : {340, 341, 342, 343, 345, 346})
        dlg.Button(id)->Enable(true);
    dlg.Button(342)->SetState(1);
    CClockWnd playClock(&dlg, 1);
    playClock.m_nTime = 1215000000;
    playClock.Tick(0);
    EXPECT_TRUE(Shot().save(OutDir() + QStringLiteral("/main-window-playback.png")));
    playClock.DestroyWindow();

    dlg.CloseLocalPlayer();
    EXPECT_FALSE(barShown()) << "gone after Stop";
    EXPECT_FALSE(barPainted());

    CNetClient& net = Connect();
    EXPECT_FALSE(barShown());
    net.m_bPlay = true;
    EXPECT_TRUE(barShown()) << "remote playback";
    EXPECT_TRUE(barPainted());
    net.m_bPlay = false;
    EXPECT_FALSE(barShown());
    EXPECT_FALSE(barPainted());
}

// Tooltips come from the string table when they are about to show: channel
// numbers, the Connect and record texts by the connection's state, none for
// the record button without a connection.
TEST_F(LayoutTest, ToolTipsAskForTheirTextWhenAboutToShow)
{
    const ResourceLibrary& res = Bundle();
    auto tipOf = [this](int id, bool* shown) {
        QWidget* w = dlg.Control(id);
        QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), w->mapToGlobal(QPoint(2, 2)));
        QCoreApplication::sendEvent(w, &help);
        *shown = help.isAccepted();
        return QToolTip::text();
    };
    bool shown = false;
    for (int ch = 0; ch < 16; ++ch) {
        const QString want = res.LoadResString(IDS_TIP_CHANNEL) + QStringLiteral(" %1").arg(ch + 1);
        EXPECT_EQ(dlg.OnToolTipNeedText(300 + ch), want);
        EXPECT_EQ(tipOf(300 + ch, &shown), want);
        EXPECT_TRUE(shown);
    }
    for (const MainControl& c : MainLayout()) {
        if (c.tipKind == TipKind::Text) {
            EXPECT_EQ(dlg.OnToolTipNeedText(c.id), res.LoadResString(c.tip)) << c.id;
        }
        if (c.tipKind != TipKind::None && c.tipKind != TipKind::Record) {
            EXPECT_FALSE(dlg.OnToolTipNeedText(c.id).isEmpty()) << c.id;
        }
    }
    EXPECT_EQ(tipOf(324, &shown), QStringLiteral("8"));

    // Not connected: Connect offers to connect, record has no tooltip.
    EXPECT_EQ(dlg.OnToolTipNeedText(IDC_CONNECT), res.LoadResString(IDS_TIP_CONNECT));
    EXPECT_TRUE(dlg.OnToolTipNeedText(IDC_RECORD).isEmpty());
    tipOf(IDC_RECORD, &shown);
    EXPECT_FALSE(shown) << "no tooltip for the record button";
    tipOf(IDC_POSITION, &shown);
    EXPECT_FALSE(shown) << "no tooltip for the position slider";

    CNetClient& net = Connect();
    EXPECT_EQ(tipOf(IDC_RECORD, &shown), res.LoadResString(IDS_TIP_RECORD_START));
    EXPECT_TRUE(shown);
    net.m_bLogin = true;
    net.m_bRecord = true;
    EXPECT_EQ(tipOf(IDC_RECORD, &shown), res.LoadResString(IDS_TIP_RECORD_STOP));
    EXPECT_EQ(tipOf(IDC_CONNECT, &shown), res.LoadResString(IDS_TIP_DISCONNECT));

    // An inactive tooltip control shows nothing.
    dlg.m_ToolTip.Activate(false);
    tipOf(300, &shown);
    EXPECT_FALSE(shown);
    dlg.m_ToolTip.Activate(true);
}

// ---- Notifications ------------------------------------------------------------

TEST_F(LayoutTest, NotificationShowsTheSkinnedBoxAndDropsOthersMeanwhile)
{
    CNetClient& net = Connect();
    net.m_bLogin = true;
    int checked = 0;
    dlg.onBox = [&checked, &net](LayoutDlg& d) {
        ASSERT_TRUE(d.m_pMessageDlg);
        EXPECT_TRUE(d.m_pMessageDlg->isVisible());
        EXPECT_EQ(d.m_pMessageDlg->m_nButtonMode, NOTIFY_BUTTONS_CANCEL);
        EXPECT_EQ(d.m_pMessageDlg->m_szLine[0], Bundle().LoadResString(IDS_NOTIFY_NO_PERMISSION));
        EXPECT_EQ(d.m_pMessageDlg->m_nOpacity, d.m_arrOpacity[8]);
        // Dropped while the box shows, but a lost connection still
        // disconnects.
        SendMessage(d.Handle(), WM_NOTIFY_EVENT, d.Handle().Id(), MakeNotifyParam(NOTIFY_DISCONNECTED, 0));
        EXPECT_FALSE(d.m_pNetClient);
        ++checked;
        d.m_pMessageDlg->EndDialog(kNotifyBoxCancel);
    };
    auto keep = dlg.m_pNetClient; // the disconnected object stays with its threads
    PostMessage(dlg.Handle(), WM_NOTIFY_EVENT, dlg.Handle().Id(), MakeNotifyParam(NOTIFY_NO_PERMISSION, 0));
    QCoreApplication::processEvents();
    EXPECT_EQ(checked, 1);
    EXPECT_EQ(dlg.boxes.size(), 1u) << "the notification that came during the box was dropped";
    EXPECT_FALSE(dlg.m_pMessageDlg);
    keep->DestroyWindow();
}

// The snapshot the notices read comes from the connection: a refused backup's
// sizes are shown once and used up.
TEST_F(LayoutTest, NotificationReadsAndClearsTheConnectionsState)
{
    EXPECT_FALSE(dlg.NotifySnapshot().connected);
    CNetClient& net = Connect();
    net.m_nTransNackInfo[0] = 3 * 1024;
    net.m_nTransNackInfo[1] = 2 * 1024 + 512;
    const NotifyState state = dlg.NotifySnapshot();
    EXPECT_TRUE(state.connected);
    EXPECT_EQ(state.transNackNeededMB, 3u * 1024);
    EXPECT_EQ(state.transNackFreeMB, 2u * 1024 + 512);
    EXPECT_EQ(state.version, dlg.m_arrVersion);

    dlg.NotifyHandler().OnNotifyEventMsg(dlg.Handle().Id(), MakeNotifyParam(NOTIFY_NACK, 5));
    ASSERT_EQ(dlg.boxes.size(), 1u);
    EXPECT_EQ(dlg.boxes[0].lineCount, 3);
    EXPECT_TRUE(dlg.boxes[0].text[1].startsWith(Bundle().LoadResString(IDS_NOTIFY_SIZE_NEEDED)));
    EXPECT_TRUE(dlg.boxes[0].text[1].contains(QLatin1Char('3'))) << dlg.boxes[0].text[1].toStdString();
    EXPECT_TRUE(dlg.boxes[0].text[2].startsWith(Bundle().LoadResString(IDS_NOTIFY_SIZE_FREE)));
    EXPECT_EQ(net.m_nTransNackInfo[0].load(), 0);
    EXPECT_EQ(net.m_nTransNackInfo[1].load(), 0);
}

// ---- Transfer bar -------------------------------------------------------------

TEST_F(LayoutTest, TransferBarFollowsTheTransferMessages)
{
    // Without a connection the start is ignored.
    SendMessage(dlg.Handle(), WM_TRANSFER_START, 2048, 0);
    EXPECT_FALSE(dlg.m_pTransferBarDlg);

    CNetClient& net = Connect();
    SendMessage(dlg.Handle(), WM_TRANSFER_START, 2048, 0);
    ASSERT_TRUE(dlg.m_pTransferBarDlg);
    CTransferBarDlg* first = dlg.m_pTransferBarDlg.get();
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(net.m_hTransferBarDlg.load(), first->Handle());
    EXPECT_EQ(first->m_progress.m_nUpper, 2048);
    SendMessage(dlg.Handle(), WM_TRANSFER_PROGRESS, 1024, 0);
    EXPECT_EQ(first->m_progress.m_nPos, 1024);

    // The bar stays inside the grid's area.
    BarRect grid;
    ASSERT_TRUE(dlg.TransferGridRect(&grid));
    const QPoint gridTopLeft = dlg.m_pVideoWnd->mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(grid.left, gridTopLeft.x());
    EXPECT_EQ(grid.bottom - grid.top, dlg.m_pVideoWnd->height());
    EXPECT_EQ(first->MoveBar(QPoint(grid.left + 19, grid.top + 100)).x(), grid.left);

    // A second start replaces the bar; an empty transfer shows too.
    SendMessage(dlg.Handle(), WM_TRANSFER_START, 0, 0);
    ASSERT_TRUE(dlg.m_pTransferBarDlg);
    EXPECT_EQ(dlg.m_pTransferBarDlg->m_progress.m_nUpper, 0);
    EXPECT_EQ(net.m_hTransferBarDlg.load(), dlg.m_pTransferBarDlg->Handle());

    // Stop asks the recorder to stop; the end message closes the bar.
    dlg.m_pTransferBarDlg->OnStop();
    QCoreApplication::processEvents();
    EXPECT_FALSE(dlg.m_pTransferBarDlg);
    EXPECT_FALSE(net.m_hTransferBarDlg.load());

    // A bar still open when the connection ends is closed by the end message
    // that the disconnect sends.
    SendMessage(dlg.Handle(), WM_TRANSFER_START, 100, 0);
    ASSERT_TRUE(dlg.m_pTransferBarDlg);
    auto keep = dlg.m_pNetClient;
    dlg.m_pNetClient.reset();
    SendMessage(dlg.Handle(), WM_TRANSFER_PROGRESS, 50, 0);
    EXPECT_EQ(dlg.m_pTransferBarDlg->m_progress.m_nPos, 0) << "no progress without a connection";
    SendMessage(dlg.Handle(), WM_TRANSFER_END, 0, 0);
    EXPECT_FALSE(dlg.m_pTransferBarDlg);
    keep->DestroyWindow();
}

// ---- Split bar ----------------------------------------------------------------

// The full-screen split bar shows the main window's split strips, in order,
// and its Esc key.
TEST_F(LayoutTest, SplitBarShowsTheSplitButtonsStrips)
{
    CSplitSelectDlg bar(dlg.m_pVideoWnd.get());
    ASSERT_TRUE(bar.Create());
    bar.resize(CSplitSelectDlg::kWidth, CSplitSelectDlg::kHeight);
    for (int i = 0; i < 9; ++i) {
        const CSkinButton& own = bar.Button(400 + i);
        ASSERT_FALSE(own.m_bmpStrip.isNull()) << i;
        EXPECT_EQ(own.m_bmpStrip, dlg.Button(320 + i)->m_bmpStrip) << i;
    }
    EXPECT_FALSE(bar.Button(409).m_bmpStrip.isNull());
    const QImage shot = bar.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_TRUE(shot.save(OutDir() + QStringLiteral("/split-bar.png")));
    EXPECT_EQ(shot.copy(4, 4, 34, 34),
              bar.Button(400).m_bmpStrip.copy(0, 0, 34, 34).convertToFormat(QImage::Format_RGB32));
    bar.DestroyWindow();
}

} // namespace
