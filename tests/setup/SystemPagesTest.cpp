// The System tab's pages offscreen on the real window: real controls pressed,
// the exact image bytes each change writes, and renders under build/renders.
#include "../WidgetInput.h"
#include "SetupTestSupport.h"

#include "SimTimeServer.h"
#include "app/ResIds2.h"
#include "net/NetMessages.h"
#include "net/NetRecords.h"
#include "setup/BasicSetupPage.h"
#include "setup/ChannelOnOffPage.h"
#include "setup/ClientAccountPage.h"
#include "setup/DstSetupPage.h"
#include "setup/NtpSetupPage.h"
#include "setup/RemoteSetupDlg.h"
#include "setup/SettingRowsPage.h"
#include "setup/SetupMenuPage.h"
#include "setup/SetupPageIds.h"
#include "setup/SystemRules.h"
#include "ui/ListPickerPopup.h"
#include "ui/SkinDraw.h"
#include "ui/UiMessages.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>
#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <thread>

using namespace setuptest;

namespace {

void Pump()
{
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

void Click(QWidget* w, QPoint pos = QPoint(3, 3))
{
    ClickWidget(w, pos);
}

struct NotifyLog : ISetupHost
{
    std::vector<std::pair<int, int>> posts;
    void PostNotifyToMain(WndHandle, int code, int sub) override { posts.emplace_back(code, sub); }
};

RecorderCaps LoggedIn(int user, int channels = 16)
{
    RecorderCaps c = Caps(channels);
    c.userIndex = user;
    c.userMatched = true;
    return c;
}

class SystemPages : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(bundle.Loaded()) << "the bundle is built before the tests"; }
    void TearDown() override
    {
        dlg.reset();
        Pump();
    }
    void Open(RecorderCaps caps, SetupDbImage image)
    {
        dlg.reset();
        Pump();
        m_image = image;
        ConvertDbToHost(m_image.data());
        dlg = std::make_unique<CRemoteSetupDlg>(nullptr, m_image.data(), 255, caps, RecorderLink(), &notify,
                                                &registry);
        ASSERT_TRUE(dlg->Create());
        Pump();
        m_before = m_image;
    }
    template <class T> T* Show(int id, SetupPageArgs args = {})
    {
        dlg->ShowPage(id, args);
        Pump();
        return dynamic_cast<T*>(dlg->Page(id));
    }
    // Clicks the label, checks what the list offers, picks position i.
    std::vector<QString> ClickAndPick(QWidget* label, int i)
    {
        Click(label);
        std::vector<QString> items;
        if (dlg->ListPicker() == nullptr)
            return items;
        const ListPickerRequest& r = dlg->ListPicker()->Request();
        for (int k = 0; k < r.Count; ++k)
            items.push_back(QString::fromLatin1(r.Items[k]));
        if (i >= 0)
            dlg->ListPicker()->OnCellClicked(i);
        Pump();
        return items;
    }
    ::testing::AssertionResult Changed(const std::set<std::size_t>& expected)
    {
        return DiffersExactlyAt(m_before.data(), m_image.data(), m_image.size(), expected);
    }

    BundleScope bundle;
    NotifyLog notify;
    CSetupPageRegistry registry = [] {
        CSetupPageRegistry r;
        RegisterSetupPages(r);
        return r;
    }();
    SetupDbImage m_image{};
    SetupDbImage m_before{};
    std::unique_ptr<CRemoteSetupDlg> dlg;
};

// --- ETC., auto delete, Smart ---------------------------------------------------

TEST_F(SystemPages, EtcRowsFollowTheirGates)
{
    struct Case
    {
        int subMajor, subMinor, vMajor, vMinor;
        bool flag2Bit1, connected;
        bool rs485, fourth;
    } cases[] = {
        {5, 0, 5, 0, true, true, true, true},    {5, 2, 5, 0, true, true, false, true},
        {4, 0, 5, 0, false, true, false, false}, {5, 0, 4, 9, true, true, false, true},
        {0, 0, 4, 6, true, true, false, false},  {0, 0, 4, 7, true, true, false, true},
        {5, 0, 5, 0, true, false, false, false},
    };
    for (const Case& c : cases) {
        RecorderCaps caps = Caps();
        caps.subProductMajor = c.subMajor;
        caps.subProductMinor = c.subMinor;
        caps.helloFlag2Bit1 = c.flag2Bit1;
        caps.hasConnection = c.connected;
        Open(caps, ImageBuilder().Version(c.vMajor, c.vMinor).Build());
        auto* page = Show<CSettingRowsPage>(SetupPage::kEtcSetup);
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(page->m_lblValue[2].isVisible(), c.rs485) << c.subMajor << "." << c.subMinor;
        EXPECT_EQ(page->m_lblValue[3].isVisible(), c.fourth) << c.vMajor << "." << c.vMinor;
        if (c.fourth) {
            EXPECT_EQ(page->m_lblValue[3].y(), c.rs485 ? 77 : 54);
        }
        // A bar behind each shown row: the third and fourth bars only when
        // that many rows are there.
        const QImage shot = page->grab().toImage();
        const QRgb bar = LoadSkinBitmap(2261).pixel(1, 1);
        EXPECT_EQ(shot.pixel(5, 16), bar);
        EXPECT_EQ(shot.pixel(5, 40), bar);
        EXPECT_EQ(shot.pixel(5, 62) == bar, c.rs485 || c.fourth);
        EXPECT_EQ(shot.pixel(5, 85) == bar, c.rs485 && c.fourth);
        shot.save(RenderPath(QString("system_etc_%1_%2.png").arg(c.rs485).arg(c.fourth)));
    }
}

TEST_F(SystemPages, EtcPicksWriteOnlyTheirByteAndRepickWritesNothing)
{
    RecorderCaps caps = Caps();
    caps.subProductMajor = 5;
    caps.helloFlag2Bit1 = true;
    Open(caps, ImageBuilder().Version(5, 0).Byte(4518, 1).Byte(6613, 9).Build());
    auto* page = Show<CSettingRowsPage>(SetupPage::kEtcSetup);
    ASSERT_NE(page, nullptr);
    // A byte with no text shows its number; its list still opens.
    EXPECT_EQ(page->m_lblValue[2].GetWindowText(), "9");
    ClickAndPick(&page->m_lblValue[0], 1); // stored already
    EXPECT_TRUE(Changed({}));
    const std::vector<QString> items = ClickAndPick(&page->m_lblValue[2], 1);
    EXPECT_EQ(items.size(), 2u);
    EXPECT_TRUE(Changed({6613}));
    EXPECT_EQ(m_image[6613], 1);
    ClickAndPick(&page->m_lblValue[3], 0);
    EXPECT_TRUE(Changed({6613, 4516}));
}

TEST_F(SystemPages, AutoDeleteSlider)
{
    Open(Caps(), ImageBuilder().Byte(3104, 120).Build());
    auto* page = Show<CSettingRowsPage>(SetupPage::kAutoDelete);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->m_slider[0].GetPos(), 99);
    EXPECT_TRUE(page->m_lblValue[0].GetWindowText().startsWith("99 "));
    EXPECT_TRUE(Changed({})); // stays until the slider moves
    Click(&page->m_slider[0], QPoint(0, 4));
    Pump();
    EXPECT_EQ(m_image[3104], 0);
    EXPECT_EQ(page->m_lblValue[0].GetWindowText(), LoadResString(5243));
    EXPECT_TRUE(Changed({3104}));
    page->grab().save(RenderPath("system_autodelete.png"));
}

TEST_F(SystemPages, SmartPairsAndSlider)
{
    Open(Caps(), ImageBuilder().Version(4, 7).Bytes(6528, {2, 5, 1}).Build());
    auto* page = Show<CSettingRowsPage>(SetupPage::kSmartSetup);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->m_btnOn[0].m_nState, 0); // 2 shows as off
    EXPECT_EQ(page->m_btnOff[0].m_nState, 1);
    EXPECT_EQ(page->m_btnOn[2].m_nState, 1);
    EXPECT_EQ(page->m_btnOn[2].GetDlgCtrlID(), 551);
    EXPECT_EQ(page->m_btnOff[2].GetDlgCtrlID(), 571);
    EXPECT_EQ(page->m_lblValue[1].GetWindowText(), "05 " + LoadResString(5871));
    Click(&page->m_btnOn[2]); // already selected: writes the same value
    Pump();
    EXPECT_TRUE(Changed({}));
    Click(&page->m_btnOn[0]);
    Pump();
    EXPECT_EQ(m_image[6528], 1);
    EXPECT_EQ(page->m_btnOn[0].m_nState, 1);
    Click(&page->m_slider[1], QPoint(0, 4));
    Pump();
    EXPECT_TRUE(Changed({6528, 6529}));
    EXPECT_EQ(page->m_lblValue[1].GetWindowText(), LoadResString(5243));
    page->grab().save(RenderPath("system_smart.png"));
}

// --- Account live channels ------------------------------------------------------

TEST_F(SystemPages, AccountChannelsByLoggedInAccount)
{
    Open(LoggedIn(1), ImageBuilder().Build());
    auto* page = Show<CChannelOnOffPage>(SetupPage::kAccountChannel, {3, 0});
    ASSERT_NE(page, nullptr);
    Click(&page->m_btnOff[4]);
    Pump();
    EXPECT_EQ(m_image[6668], 0);
    EXPECT_TRUE(Changed({6668}) || m_before[6668] == 0);

    for (int logged : {2, 6}) {
        Open(LoggedIn(logged), ImageBuilder().Build());
        page = Show<CChannelOnOffPage>(SetupPage::kAccountChannel, {3, 0});
        ASSERT_NE(page, nullptr);
        page->m_rowCheck[0].SetCheck(1); // ticking by hand works for anyone
        Click(&page->m_btnOn[0]);
        Click(&page->m_btnOff[1]);
        Click(&page->m_btnAllCheck);
        Pump();
        EXPECT_TRUE(Changed({})) << logged;
        EXPECT_EQ(page->m_rowCheck[5].GetCheck(), 0) << logged;
    }
    // Prev returns to the account page with the account kept.
    Open(LoggedIn(0), ImageBuilder().Version(5, 0).Build());
    page = Show<CChannelOnOffPage>(SetupPage::kAccountChannel, {4, 0});
    ASSERT_NE(page, nullptr);
    Click(&page->m_btnBack);
    Pump();
    auto* account = dynamic_cast<CClientAccountPage*>(dlg->Page(SetupPage::kClientAccount));
    ASSERT_NE(account, nullptr);
    EXPECT_EQ(account->SelectedUser(), 4);
    Click(&account->m_btnLiveCh);
    Pump();
    ASSERT_NE(dlg->Page(SetupPage::kAccountChannel), nullptr);
    EXPECT_EQ(dlg->Page(SetupPage::kAccountChannel)->Args().a, 4);
}

// --- Basic ------------------------------------------------------------------------

TEST_F(SystemPages, BasicLanguageStoresTheEntryNotThePosition)
{
    RecorderCaps caps = Caps(8);
    caps.hasSysEtcInfoEx = true;
    std::memcpy(caps.sysEtcInfoEx.bytes + 16 * 0, "English", 7);
    std::memcpy(caps.sysEtcInfoEx.bytes + 16 * 3, "german", 6);
    std::memcpy(caps.sysEtcInfoEx.bytes + 16 * 4, "Greek", 5);
    Open(caps, ImageBuilder().Byte(2660, 0).Build());
    auto* page = Show<CBasicSetupPage>(SetupPage::kBasicSetup);
    ASSERT_NE(page, nullptr);
    const std::vector<QString> items = ClickAndPick(&page->m_lblValue[0], 1);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[1], LoadResString(5213));
    EXPECT_EQ(items[2], "Greek");
    EXPECT_EQ(m_image[2660], 3);
    EXPECT_EQ(page->m_lblValue[0].GetWindowText(), LoadResString(5213));
    EXPECT_TRUE(Changed({2660}));
}

TEST_F(SystemPages, BasicStandardDeviceAndInitialize)
{
    Open(Caps(8), ImageBuilder().Byte(2, 0).Byte(644, 1).Byte(2661, 7).Byte(3, 120).Build());
    auto* page = Show<CBasicSetupPage>(SetupPage::kBasicSetup);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->m_lblValue[1].GetWindowText(), "7");
    EXPECT_EQ(page->m_lblValue[3].GetWindowText(), "120");
    ClickAndPick(&page->m_lblValue[2], 0); // NTSC again: nothing
    EXPECT_TRUE(Changed({}));
    ClickAndPick(&page->m_lblValue[2], 1);
    SetupDbImage expected = m_before;
    RebuildRatesForStandard(ImageRef(expected), 1, 8, false);
    EXPECT_EQ(expected, m_image);
    EXPECT_EQ(m_image[647], 12);
    EXPECT_EQ(m_image[656 + 2], 6);
    m_before = m_image;
    const std::vector<QString> devices = ClickAndPick(&page->m_lblValue[3], 15);
    EXPECT_EQ(devices.size(), 16u);
    EXPECT_EQ(devices.back(), "15");
    EXPECT_TRUE(Changed({3}));
    m_before = m_image;
    Click(&page->m_btnInitialize);
    Pump();
    ASSERT_EQ(notify.posts.size(), 1u);
    EXPECT_EQ(notify.posts[0], std::make_pair(16, 0));
    EXPECT_TRUE(Changed({}));
    page->grab().save(RenderPath("system_basic.png"));

    // Sub product 2: the device number comes from a 0-99 slider.
    RecorderCaps two = Caps(16);
    two.subProductMajor = 2;
    Open(two, ImageBuilder().Build());
    page = Show<CBasicSetupPage>(SetupPage::kBasicSetup);
    Click(&page->m_lblValue[3]);
    ASSERT_NE(dlg->SliderPicker(), nullptr);
    dlg->OnSliderPicked(page, CBasicSetupPage::kDeviceSlider, 42, 0, 0);
    EXPECT_EQ(m_image[3], 42);
    EXPECT_EQ(page->m_lblValue[3].GetWindowText(), "42");
}

// --- Accounts ------------------------------------------------------------------

TEST_F(SystemPages, ButtonsAndRightsSayWhatTheyDo)
{
    // The Initialize button names its action; the question the main window
    // asks before the reset has a text of its own.
    Open(Caps(8), ImageBuilder().Build());
    auto* basic = Show<CBasicSetupPage>(SetupPage::kBasicSetup);
    ASSERT_NE(basic, nullptr);
    const QString action = basic->m_btnInitialize.m_strText;
    EXPECT_FALSE(action.isEmpty());
    EXPECT_FALSE(action.contains('?')) << action.toStdString();
    EXPECT_NE(action, LoadResString(IDS_NOTIFY_DB_INIT_ASK));
    EXPECT_TRUE(LoadResString(IDS_NOTIFY_DB_INIT_ASK).endsWith('?'));

    // Each rights box reads differently, and says the right the client
    // itself checks under that index.
    RecorderCaps caps = LoggedIn(0);
    Open(caps, ImageBuilder().Version(4, 8).Build());
    auto* page = Show<CClientAccountPage>(SetupPage::kClientAccount);
    ASSERT_NE(page, nullptr);
    std::map<int, QString> byRight;
    std::set<QString> texts;
    for (int box = 0; box < 8; ++box) {
        const QString t = page->m_lblRight[box].GetWindowText();
        EXPECT_FALSE(t.isEmpty()) << box;
        texts.insert(t);
        byRight[CClientAccountPage::kRightOfBox[box]] = t;
    }
    EXPECT_EQ(texts.size(), 8u) << "no two rights read alike";
    EXPECT_EQ(byRight[RIGHT_REMOTE_SETUP], "Setup");
    EXPECT_EQ(byRight[RIGHT_SEARCH], "Search");
    EXPECT_EQ(byRight[RIGHT_PTZ], "PTZ");
    EXPECT_EQ(byRight[RIGHT_REBOOT], "Reboot");
    EXPECT_EQ(byRight[RIGHT_STOP_RECORD], "Stop Recording");
    EXPECT_EQ(byRight[RIGHT_HIDDEN_CAMERA], "Hidden Cameras");
}

TEST_F(SystemPages, AccountPermissionsAndApply)
{
    RecorderCaps caps = LoggedIn(1);
    caps.archiveSupport = true;
    caps.autoLogoutSupport = true;
    SetupDbImage img = ImageBuilder().Version(4, 8).Build();
    ImageRef ref(img);
    for (int u = 0; u < 8; ++u) {
        ref.SetText(SetupDb::UserName, u, QString("user%1").arg(u));
        ref.SetText(SetupDb::UserPassword, u, QString("%1%1%1%1").arg(u));
    }
    Open(caps, img);
    auto* page = Show<CClientAccountPage>(SetupPage::kClientAccount);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->SelectedUser(), 1);
    EXPECT_TRUE(page->m_tabs.Button(2).isVisible());
    EXPECT_EQ(page->m_tabs.Button(2).m_nState, 3); // archive tab disabled for account 1
    // Account 1 on itself: rights are undone, no name list.
    page->m_check[0].SetCheck(1 - page->m_check[0].GetCheck());
    page->OnRightCheck(0);
    Click(&page->m_lblValue[1]);
    EXPECT_EQ(dlg->ListPicker(), nullptr);
    EXPECT_TRUE(Changed({}));
    // Pick user 3 (position 2 of users 1-5) and give it a new name.
    const std::vector<QString> users = ClickAndPick(&page->m_lblValue[0], 2);
    EXPECT_EQ(users.size(), 5u);
    EXPECT_EQ(page->SelectedUser(), 3);
    ClickAndPick(&page->m_lblValue[1], 0);
    EXPECT_TRUE(page->m_editName.isEnabled());
    page->m_editName.SetWindowText("USER2"); // user 2's name in other case
    page->m_editPassword.SetWindowText("5555");
    page->m_editConfirm.SetWindowText("5555");
    EXPECT_TRUE(page->m_btnApply.m_bEnabled);
    Click(&page->m_btnApply);
    EXPECT_TRUE(Changed({}));
    page->m_editName.SetWindowText("user7");    // slot 7 is not compared
    page->m_editPassword.SetWindowText("1111"); // user 1's password
    page->m_editConfirm.SetWindowText("1111");
    Click(&page->m_btnApply);
    EXPECT_TRUE(Changed({}));
    page->m_editPassword.SetWindowText("8350");
    page->m_editConfirm.SetWindowText("8350");
    EXPECT_FALSE(page->m_btnApply.m_bEnabled); // reserved
    page->m_editPassword.SetWindowText("5656");
    page->m_editConfirm.SetWindowText("5656");
    page->m_editName.SetWindowText(""); // cleared after both passwords
    Click(&page->m_btnApply);
    EXPECT_TRUE(Changed({}));
    page->m_editName.SetWindowText("user7");
    Click(&page->m_btnApply);
    std::set<std::size_t> expected;
    for (std::size_t i = 0; i < 32; ++i) {
        if (m_before[5696 + 96 + i] != m_image[5696 + 96 + i])
            expected.insert(5696 + 96 + i);
        if (m_before[5952 + 96 + i] != m_image[5952 + 96 + i])
            expected.insert(5952 + 96 + i);
    }
    EXPECT_TRUE(Changed(expected));
    EXPECT_EQ(ImageRef(m_image).Text(SetupDb::UserName, 3), "user7");
    EXPECT_EQ(ImageRef(m_image).Text(SetupDb::UserPassword, 3), "5656");
    EXPECT_FALSE(page->m_editName.isEnabled());
    page->grab().save(RenderPath("system_account.png"));

    // Logged in from slot 6: shown by number, nothing offered.
    Open(LoggedIn(6), img);
    page = Show<CClientAccountPage>(SetupPage::kClientAccount);
    EXPECT_EQ(page->m_lblValue[0].GetWindowText(), "6");
    EXPECT_EQ(page->m_lblValue[1].GetWindowText(), "user6");
    for (QWidget* w :
         std::initializer_list<QWidget*>{&page->m_lblValue[0], &page->m_lblValue[1], &page->m_lblValue[2]}) {
        Click(w);
        EXPECT_EQ(dlg->ListPicker(), nullptr);
    }

    // Account 0: the archive password, four digits and 28 NULs.
    Open(LoggedIn(0), img);
    page = Show<CClientAccountPage>(SetupPage::kClientAccount);
    page->ShowView(CClientAccountPage::kArchiveView);
    EXPECT_EQ(page->CurrentView(), CClientAccountPage::kAccountView); // no tab offered
    caps = LoggedIn(0);
    caps.archiveSupport = true;
    Open(caps, img);
    page = Show<CClientAccountPage>(SetupPage::kClientAccount);
    EXPECT_EQ(page->m_tabs.Count(), 2); // Account and Archive Log only
    page->ShowView(CClientAccountPage::kArchiveView);
    ASSERT_EQ(page->CurrentView(), CClientAccountPage::kArchiveView);
    page->m_editArchive[0].SetWindowText("1234");
    page->m_editArchive[1].SetWindowText("1234");
    Click(&page->m_btnArchive);
    std::set<std::size_t> archive;
    for (std::size_t i = 0; i < 32; ++i) {
        EXPECT_EQ(m_image[6540 + i], i < 4 ? "1234"[i] : 0);
        if (m_before[6540 + i] != m_image[6540 + i])
            archive.insert(6540 + i);
    }
    EXPECT_TRUE(Changed(archive));
    // Box 492 of account 0 stays checked.
    page->ShowView(CClientAccountPage::kAccountView);
    ClickAndPick(&page->m_lblValue[0], 0);
    page->m_check[2].SetCheck(0);
    page->OnRightCheck(2);
    EXPECT_EQ(page->m_check[2].GetCheck(), 1);
    EXPECT_TRUE(Changed(archive));
}

// --- DST ---------------------------------------------------------------------------

class DstPage : public SystemPages
{
protected:
    void SetUp() override
    {
        SystemPages::SetUp();
        // 10 June 2027 12:00 UTC on the PC, zone +1:00.
        CDstSetupPage::PcClock clock;
        clock.utcNow = [] { return std::int64_t(1812628800); };
        clock.zoneOffset = [] { return 3600; };
        clock.steadyNow = [this] { return m_steady; };
        CDstSetupPage::SetPcClockForTesting(clock);
        CDstSetupPage::SetConfirmForTesting([this] {
            ++m_confirms;
            return m_answer;
        });
    }
    void TearDown() override
    {
        SystemPages::TearDown();
        CDstSetupPage::SetPcClockForTesting({});
        CDstSetupPage::SetConfirmForTesting({});
    }
    std::chrono::steady_clock::time_point m_steady{};
    int m_confirms = 0;
    bool m_answer = true;
};

TEST_F(DstPage, FormsAndDays)
{
    // User rule in the day form: start 31 March.
    Open(Caps(), ImageBuilder().Bytes(3204, {1, 1, 2, 0, 0, 30, 2, 0, 9, 4, 0, 30, 3, 0, 1, 0, 0}).Build());
    auto* page = Show<CDstSetupPage>(SetupPage::kDstSetup);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->Year(), 2027);
    EXPECT_FALSE(page->m_lblValue[3].isVisible());
    // The form switch alone writes the derived bytes but sets no change.
    EXPECT_EQ(m_image[3207], 4); // 31 March 2027: the last Wednesday
    EXPECT_EQ(m_image[3208], 3);
    // February clamps day 31 to 28 (2027 is not a leap year).
    ClickAndPick(&page->m_lblValue[1], 1);
    EXPECT_EQ(m_image[3209], 27);
    EXPECT_EQ(page->m_lblValue[2].GetWindowText(), "28");
    const std::vector<QString> days = ClickAndPick(&page->m_lblValue[2], -1);
    EXPECT_EQ(days.size(), 28u);
    dlg->ClosePickers();
    // Weekday form and back: month, weekday and week as they were.
    Click(&page->m_btnWeekdayForm);
    Pump();
    EXPECT_EQ(m_image[3205], 0);
    EXPECT_EQ(m_image[3209], 27); // last Sunday of February 2027 is the 28th
    Click(&page->m_btnDayForm);
    Click(&page->m_btnWeekdayForm);
    Pump();
    EXPECT_EQ(m_image[3207], 4);
    // Mode 0 hides the rule.
    ClickAndPick(&page->m_lblValue[0], 0);
    EXPECT_FALSE(page->m_lblValue[1].isVisible());
    EXPECT_FALSE(page->m_btnDayForm.isVisible());
    page->grab().save(RenderPath("system_dst.png"));
}

TEST_F(DstPage, ConfirmOnlyInTheOverlapAfterAChange)
{
    // The rule ends 31 October 03:00, offset 1:00.
    const auto image =
        ImageBuilder().Bytes(3204, {1, 1, 2, 0, 0, 30, 2, 0, 9, 4, 0, 30, 3, 0, 1, 0, 7}).Build();
    const std::int64_t end = 1824951600; // 31 October 2027 03:00 (wall clock)
    struct Case
    {
        std::int64_t recorder;
        bool change;
        int shown;
    } cases[] = {
        {end, true, 1}, {end - 3600, true, 1}, {end - 3601, true, 0}, {end + 1, true, 0}, {end, false, 0},
    };
    for (const Case& c : cases) {
        m_confirms = 0;
        Open(Caps(), image);
        auto* page = Show<CDstSetupPage>(SetupPage::kDstSetup);
        ASSERT_NE(page, nullptr);
        // The answer as the receive thread posts it, less the PC zone offset
        // that the clock adds back.
        dlg->WindowProc(WM_DVR_TIME_ACK, static_cast<WPARAM>(c.recorder), 0);
        EXPECT_EQ(page->ClockNow(), c.recorder);
        if (c.change)
            dlg->OnSliderPicked(page, CDstSetupPage::kOffset, 1, 0, 0);
        dlg->ShowPage(SetupPage::kNtpSetup); // leaving runs the teardown
        Pump();
        EXPECT_EQ(m_confirms, c.shown) << c.recorder - end;
        EXPECT_EQ(m_image[3220], c.shown ? 1 : 7);
    }
    // Cancel of the box stores 0; OK of the window runs it too.
    m_answer = false;
    Open(Caps(), image);
    auto* page = Show<CDstSetupPage>(SetupPage::kDstSetup);
    dlg->WindowProc(WM_DVR_TIME_ACK, static_cast<WPARAM>(end - 10), 0);
    m_steady += std::chrono::seconds(10); // the clock runs on monotonic time
    ClickAndPick(&page->m_lblValue[0], 1);
    dlg->OnOK();
    EXPECT_EQ(m_confirms, 1);
    EXPECT_EQ(ImageRef(m_image).U8(3220), 0);
}

TEST_F(DstPage, SessionEndWhileTheBoxIsUpBuildsNoPageAndSendsNothing)
{
    // The real box: it runs its own event loop inside the page switch (or
    // inside OK), and the session's end reaches the window in that loop.
    CDstSetupPage::SetConfirmForTesting({});
    const auto image =
        ImageBuilder().Bytes(3204, {1, 1, 2, 0, 0, 30, 2, 0, 9, 4, 0, 30, 3, 0, 1, 0, 7}).Build();
    const std::int64_t end = 1824951600; // in the overlap: the box is asked
    for (const bool viaOk : {false, true}) {
        SCOPED_TRACE(viaOk ? "OK" : "page switch");
        Open(Caps(), image);
        dlg->OnTab(2);
        Pump();
        CSetupMenuPage* menu = dlg->Menu(2);
        ASSERT_NE(menu, nullptr);
        int dstButton = -1, ntpButton = -1;
        for (const SetupMenuButton& b : menu->Plan()) {
            if (b.page == SetupPage::kDstSetup)
                dstButton = b.id - kSetupMenuFirstButton;
            if (b.page == SetupPage::kNtpSetup)
                ntpButton = b.id - kSetupMenuFirstButton;
        }
        ASSERT_GE(dstButton, 0);
        ASSERT_GE(ntpButton, 0);
        Click(&menu->Button(dstButton));
        Pump();
        auto* page = dynamic_cast<CDstSetupPage*>(dlg->Page(SetupPage::kDstSetup));
        ASSERT_NE(page, nullptr);
        dlg->WindowProc(WM_DVR_TIME_ACK, static_cast<WPARAM>(end), 0);
        dlg->OnSliderPicked(page, CDstSetupPage::kOffset, 1, 0, 0);
        const SetupDbImage edited = m_image;

        bool sawBox = false, boxOutlivedWindow = false;
        QPointer<CDstConfirmDlg> box;
        // Runs inside the box's loop: the connection posts WM_CLOSE to the
        // window as the session ends.
        QTimer::singleShot(0, dlg.get(), [&] {
            box = dlg->findChild<CDstConfirmDlg*>();
            sawBox = box && box->IsModalRunning() && box->isVisible();
            PostMessage(dlg->Handle(), WM_CLOSE, 0, 0);
            // Only if the box were left asking for a window that has gone:
            // the operator answers it, so that the test ends either way.
            QTimer::singleShot(5000, dlg.get(), [&] {
                if (box && box->IsModalRunning()) {
                    boxOutlivedWindow = true;
                    box->EndDialog(1);
                }
            });
        });
        if (viaOk)
            Click(&dlg->m_btnOK);
        else
            Click(&menu->Button(ntpButton));
        Pump();

        EXPECT_TRUE(sawBox);
        EXPECT_FALSE(boxOutlivedWindow) << "the box goes with the window";
        EXPECT_FALSE(dlg->Stands());
        EXPECT_EQ(dlg->Page(SetupPage::kNtpSetup), nullptr) << "no page built in the ended window";
        EXPECT_EQ(dlg->CurrentPage(), nullptr);
        // Cancelled, not sent: the image stays as edited, in the window's
        // byte order, with the box's question unanswered (0).
        SetupDbImage expected = edited;
        expected[3220] = 0;
        EXPECT_TRUE(DiffersExactlyAt(expected.data(), m_image.data(), m_image.size(), {}));
    }
}

TEST_F(DstPage, RecorderAnswersAreClamped)
{
    Open(Caps(), ImageBuilder().Build());
    auto* page = Show<CDstSetupPage>(SetupPage::kDstSetup);
    ASSERT_NE(page, nullptr);
    const std::int64_t pc = 1812628800 + 3600;
    EXPECT_EQ(page->ClockNow(), pc);
    dlg->WindowProc(WM_DVR_TIME_ACK, 0, 0);
    EXPECT_EQ(page->ClockNow(), pc);
    dlg->WindowProc(WM_DVR_TIME_ACK, 0x80000000u, 0);
    EXPECT_EQ(page->ClockNow(), 3600);
    dlg->WindowProc(WM_DVR_TIME_ACK, 2114380801u, 0);
    EXPECT_EQ(page->ClockNow(), 2114380800);
}

// --- NTP ---------------------------------------------------------------------------

class NtpPage : public SystemPages
{
protected:
    void SetUp() override
    {
        SystemPages::SetUp();
        ASSERT_TRUE(server.Start());
        TimeServerConfig c;
        c.host1 = "127.0.0.1";
        c.port = server.Port();
        CNtpSetupPage::SetTimeServerForTesting(c);
        CNtpSetupPage::SetSteadyClockForTesting([this] { return m_steady; });
    }
    void TearDown() override
    {
        SystemPages::TearDown();
        CNtpSetupPage::SetTimeServerForTesting(std::nullopt);
        CNtpSetupPage::SetSteadyClockForTesting({});
    }
    bool WaitAnswer(CNtpSetupPage* page)
    {
        for (int i = 0; i < 30000 && page->QueryPending(); ++i) {
            Pump();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return !page->QueryPending();
    }
    k5sim::SimTimeServer server;
    std::chrono::steady_clock::time_point m_steady{};
};

TEST_F(NtpPage, ZoneClockFromTheServer)
{
    server.SetTime(1924991999); // 31 December 2030 23:59:59 UTC
    Open(Caps(), ImageBuilder().Version(4, 2).Bytes(4140, {1, 1}).Byte(2661, 1).Byte(3204, 0).Build());
    auto* page = Show<CNtpSetupPage>(SetupPage::kNtpSetup);
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(WaitAnswer(page));
    EXPECT_EQ(page->m_lbl[1].GetWindowText(), "12-31-2030  23:59:59");
    m_steady += std::chrono::milliseconds(1500);
    page->OnTimer(CNtpSetupPage::kClockTimer);
    EXPECT_EQ(page->m_lbl[1].GetWindowText(), "01-01-2031  00:00:00");
    Click(&page->m_tabs.Button(1));
    Pump();
    ASSERT_TRUE(page->ZoneTabShown());
    // 25 zones from 4.2: position 11 is +9:30, 12 is zone 11.
    std::vector<QString> zones = ClickAndPick(&page->m_lbl[0], 11);
    EXPECT_EQ(zones.size(), 25u);
    EXPECT_EQ(m_image[4140], 24);
    ASSERT_TRUE(WaitAnswer(page));
    EXPECT_EQ(page->m_lbl[1].GetWindowText(), "01-01-2031  09:29:59");
    ClickAndPick(&page->m_lbl[0], 12);
    EXPECT_EQ(m_image[4140], 11);
    ASSERT_TRUE(WaitAnswer(page));
    // Highlight k over map rectangle k (zone 11: 171-203), the map elsewhere.
    const QImage shot = page->grab().toImage();
    const QRgb highlight = LoadSkinBitmap(1807).pixel(1, 1);
    EXPECT_EQ(shot.pixel(187, 200), highlight);
    EXPECT_NE(shot.pixel(100, 200), highlight);
    EXPECT_NE(shot.pixel(215, 200), highlight);
    shot.save(RenderPath("system_ntp_zone.png"));
    ClickAndPick(&page->m_lbl[0], 0);
    EXPECT_EQ(m_image[4140], 0);
    EXPECT_EQ(page->m_lbl[1].GetWindowText(), "");
    EXPECT_TRUE(Changed({4140}));
}

TEST_F(NtpPage, SilentServerLeavesTheWindowResponsive)
{
    server.SetMode(k5sim::SimTimeServer::Mode::Silent);
    TimeServerConfig c;
    c.host1 = "127.0.0.1";
    c.port = server.Port();
    c.readTimeout = std::chrono::minutes(10);
    CNtpSetupPage::SetTimeServerForTesting(c);
    Open(Caps(), ImageBuilder().Bytes(4140, {5, 1}).Build());
    auto* page = Show<CNtpSetupPage>(SetupPage::kNtpSetup);
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(page->QueryPending());
    // The GUI thread runs on: another page opens at once, and the query is
    // cancelled without waiting for it.
    const auto t0 = std::chrono::steady_clock::now();
    dlg->ShowPage(SetupPage::kBasicSetup);
    Pump();
    EXPECT_EQ(dlg->Page(SetupPage::kNtpSetup), nullptr);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::minutes(5));
}

TEST_F(NtpPage, ServerRows)
{
    SetupDbImage img = ImageBuilder().Bytes(4140, {0, 1, 0, 0, 0}).Build();
    std::memcpy(img.data() + 4148, "fixed.example.invalid\0", 22);
    std::memcpy(img.data() + 4184, "typed.invalid\0", 14);
    Open(Caps(), img);
    auto* page = Show<CNtpSetupPage>(SetupPage::kNtpSetup);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->m_edit.GetWindowText(), "fixed.example.invalid");
    EXPECT_FALSE(page->m_edit.isEnabled());
    EXPECT_TRUE(Changed({})); // the recorder's name is not copied
    ClickAndPick(&page->m_lbl[6], 1);
    EXPECT_EQ(page->m_edit.GetWindowText(), "typed.invalid");
    page->m_edit.SetWindowText(QString(40, 'a')); // program text is not cut
    for (int i = 0; i < 32; ++i)
        ASSERT_EQ(m_image[4184 + static_cast<std::size_t>(i)], 'a');
    ClickAndPick(&page->m_lbl[6], 2);
    page->m_ip.FieldEdit(2)->setText("77");
    EXPECT_EQ(m_image[4182], 77);
    page->grab().save(RenderPath("system_ntp.png"));
    ClickAndPick(&page->m_lbl[5], 0); // off
    EXPECT_FALSE(page->m_lbl[6].isVisible());
    EXPECT_FALSE(page->m_ip.isVisible());
    EXPECT_EQ(page->m_tabs.Button(1).m_nState, 3);
    ClickAndPick(&page->m_lbl[5], 1);
    EXPECT_NE(page->m_tabs.Button(1).m_nState, 3);
}

} // namespace

namespace {

// Format 4.7 and older: the Account view alone, and the old rules of who may
// change what.
TEST_F(SystemPages, AccountOldFormat)
{
    SetupDbImage img = ImageBuilder().Version(4, 7).Build();
    ImageRef ref(img);
    ref.SetText(SetupDb::UserName, 3, "carol");
    ref.SetText(SetupDb::UserPassword, 3, "3333");
    for (int k = 0; k < 8; ++k)
        ref.SetByteOf(SetupDb::UserRight, k, 1, 0);
    RecorderCaps caps = LoggedIn(1);
    caps.archiveSupport = caps.autoLogoutSupport = true;
    Open(caps, img);
    auto* page = Show<CClientAccountPage>(SetupPage::kClientAccount);
    ASSERT_NE(page, nullptr);
    EXPECT_FALSE(page->NewFormat());
    EXPECT_EQ(page->m_tabs.Count(), 0);
    EXPECT_FALSE(page->m_lblLogoutValue[0].isVisible());
    EXPECT_EQ(page->m_check[0].y(), 191);
    // Account 1 may change its own rights here.
    page->m_check[0].SetCheck(1);
    page->OnRightCheck(0);
    EXPECT_TRUE(Changed({5624 + 1}));
    // Delete the name of user 3: only the 32 name bytes go.
    ClickAndPick(&page->m_lblValue[0], 2); // users 1-5: position 2 is user 3
    ASSERT_EQ(page->SelectedUser(), 3);
    const std::vector<QString> actions = ClickAndPick(&page->m_lblValue[1], 1);
    EXPECT_EQ(actions.size(), 2u);
    std::set<std::size_t> name{5624 + 1};
    for (std::size_t i = 5792; i < 5824; ++i)
        if (m_before[i] != 0)
            name.insert(i);
    EXPECT_TRUE(Changed(name));
    EXPECT_EQ(page->m_lblValue[1].GetWindowText(), "");

    // Account 0: its own rights change, its name and on/off value do not.
    Open(LoggedIn(0), img);
    page = Show<CClientAccountPage>(SetupPage::kClientAccount);
    Click(&page->m_lblValue[1]);
    EXPECT_EQ(dlg->ListPicker(), nullptr);
    Click(&page->m_lblValue[2]);
    EXPECT_EQ(dlg->ListPicker(), nullptr);
    page->m_check[1].SetCheck(1 - page->m_check[1].GetCheck());
    page->OnRightCheck(1);
    EXPECT_EQ(m_image[5624 + 8 * 5], page->m_check[1].GetCheck());
}

} // namespace
