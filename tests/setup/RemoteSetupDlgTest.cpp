// The setup window offscreen: tabs and menus, one page at a time, the
// pickers' results and who receives them, keys, drag, OK and Cancel, and the
// two display pages on the real window; renders under build/renders.
#include "../WidgetInput.h"
#include "SetupTestSupport.h"

#include "net/NetMessages.h"
#include "setup/CameraEnablePage.h"
#include "setup/ChannelOnOffPage.h"
#include "setup/RemoteSetupDlg.h"
#include "setup/SetupMenuPage.h"
#include "setup/SetupPage.h"
#include "setup/SetupPageIds.h"
#include "ui/ListPickerPopup.h"
#include "ui/SliderPickerPopup.h"
#include "ui/UiMessages.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>
#include <memory>

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

// What probe pages heard; they are deleted as the window sees fit.
struct ProbeLog
{
    std::vector<std::vector<int>> lists;   // {template, item, index}
    std::vector<std::vector<int>> sliders; // {template, item, v1, v2, v3}
    std::vector<int> teardowns;
    std::vector<int> made;
    std::vector<int> times;
};
ProbeLog g_log;

constexpr int kProbeA = SetupPage::kBasicSetup; // 172
constexpr int kProbeB = SetupPage::kAutoDelete; // 178

class ProbePage : public CSetupPage
{
public:
    explicit ProbePage(int id) : CSetupPage(id, 1721) { g_log.made.push_back(id); }
    void OnListPicked(int item, int index) override { g_log.lists.push_back({TemplateId(), item, index}); }
    void OnSliderPicked(int item, int a, int b, int c) override
    {
        g_log.sliders.push_back({TemplateId(), item, a, b, c});
    }
    void OnTeardown() override { g_log.teardowns.push_back(TemplateId()); }
    void OpenNumber(int value) { OpenNumberSlider(*this, QPoint(10, 10), 3, value, 0, 99, 300); }
    void OpenTime() { OpenTimeSlider(*this, QPoint(10, 10), 4, 3, 1, 2, 3, 358); }
    void OpenTwo() { OpenList(*this, QPoint(10, 10), 5, {"one", "two"}, 180, 0, {10, 20}); }
    int Value(int index) const { return PickedValue(5, index); }
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == WM_DVR_TIME_ACK)
            g_log.times.push_back(static_cast<int>(wParam));
        return CSetupPage::WindowProc(msg, wParam, lParam);
    }

protected:
    void BuildPage() override { SetPickerClosePolicy(PickerClosePolicy::SurfacePress); }
};

CSetupPageRegistry TestRegistry()
{
    CSetupPageRegistry r;
    RegisterSetupPages(r);
    r.Register(kProbeA, [] { return new ProbePage(kProbeA); });
    r.Register(kProbeB, [] { return new ProbePage(kProbeB); });
    r.Register(SetupPage::kDstSetup, [] { return new ProbePage(SetupPage::kDstSetup); });
    // Every menu button has its page now: the sensor kinds page (System
    // button 452) stands for one whose factory makes nothing.
    r.Register(SetupPage::kSensorSetup, [] { return static_cast<CSetupPage*>(nullptr); });
    return r;
}

class SetupWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(bundle.Loaded()) << "the bundle is built before the tests";
        g_log = ProbeLog();
    }
    void Open(RecorderCaps caps = Caps(), SetupDbImage image = ImageBuilder().Build())
    {
        m_image = image;
        m_received = image;
        dlg = std::make_unique<CRemoteSetupDlg>(nullptr, m_image.data(), 255, caps, RecorderLink(), nullptr,
                                                &registry);
        ASSERT_TRUE(dlg->Create());
        Pump();
    }
    void TearDown() override
    {
        dlg.reset();
        Pump();
    }
    ProbePage* Probe(int id) { return static_cast<ProbePage*>(dlg->Page(id)); }
    // The image as the recorder would get it back now.
    SetupDbImage Sent()
    {
        SetupDbImage copy = m_image;
        ConvertDbToNetwork(copy.data());
        return copy;
    }

    BundleScope bundle;
    CSetupPageRegistry registry = TestRegistry();
    SetupDbImage m_image{};
    SetupDbImage m_received{};
    std::unique_ptr<CRemoteSetupDlg> dlg;
};

} // namespace

TEST_F(SetupWindow, OpensOnTheDisplayTabAndShowsOnePageAtATime)
{
    Open(Caps(16, true));
    EXPECT_EQ(dlg->CurrentTab(), 0);
    EXPECT_EQ(dlg->m_btnTab[0].m_nState, 1);
    ASSERT_NE(dlg->Menu(0), nullptr);
    // The Display menu opens its first page, the colour page, with 450 selected.
    ASSERT_NE(dlg->Page(SetupPage::kCameraColor), nullptr);
    EXPECT_EQ(dlg->CurrentPage(), dlg->Page(SetupPage::kCameraColor));
    EXPECT_EQ(dlg->Menu(0)->Button(0).m_nState, 1);
    dlg->Menu(0)->OnMenuButton(451);
    ASSERT_NE(dlg->Page(SetupPage::kCameraCovert), nullptr);
    dlg->Menu(0)->OnMenuButton(455);
    Pump();
    EXPECT_EQ(dlg->Page(SetupPage::kCameraCovert), nullptr);
    ASSERT_NE(dlg->Page(SetupPage::kCameraEnable), nullptr);
    EXPECT_EQ(dlg->Menu(0)->Button(5).m_nState, 1);
    EXPECT_EQ(dlg->Menu(0)->Button(1).m_nState, 0);

    dlg->OnTab(2);
    Pump();
    EXPECT_EQ(dlg->Menu(0), nullptr);
    EXPECT_EQ(dlg->CurrentPage(), dlg->Page(kProbeA)); // the System menu opened its first page
    EXPECT_EQ(dlg->Page(SetupPage::kCameraEnable), nullptr);
    // A button whose page is not built yet opens nothing and keeps the page.
    dlg->Menu(2)->OnMenuButton(452);
    EXPECT_EQ(dlg->CurrentPage(), dlg->Page(kProbeA));

    const char* names[] = {"display", "rec", "system", "event"};
    for (int tab = 0; tab < 4; ++tab) {
        dlg->OnTab(tab);
        Pump();
        ASSERT_NE(dlg->Menu(tab), nullptr);
        EXPECT_TRUE(dlg->Menu(tab)->isVisible());
        dlg->Menu(tab)->grab().save(RenderPath(QString("setup_menu_%1.png").arg(names[tab])));
    }
}

TEST_F(SetupWindow, ReopeningTheShownPageKeepsItsStateAndClosesThePickers)
{
    Open();
    dlg->Menu(0)->OnMenuButton(451);
    QPointer<CSetupPage> page = dlg->Page(SetupPage::kCameraCovert);
    ASSERT_TRUE(page);
    page->m_rowCheck[2].SetCheck(1);
    dlg->OnTab(2);
    Probe(kProbeA)->OpenTwo();
    ASSERT_NE(dlg->ListPicker(), nullptr);
    dlg->ShowPage(kProbeA);
    EXPECT_EQ(dlg->ListPicker(), nullptr);
    EXPECT_TRUE(g_log.lists.empty());
    EXPECT_EQ(g_log.made, (std::vector<int>{kProbeA}));
    // Back on Display the covert page is a new one.
    dlg->OnTab(0);
    dlg->Menu(0)->OnMenuButton(451);
    Pump();
    EXPECT_TRUE(page.isNull());
    dlg->Page(SetupPage::kCameraCovert)->m_rowCheck[2].SetCheck(1);
    dlg->Menu(0)->OnMenuButton(451);
    EXPECT_EQ(dlg->Page(SetupPage::kCameraCovert)->m_rowCheck[2].GetCheck(), 1);
}

TEST_F(SetupWindow, TheSlidersValueLandsOnPageSwitchAndOk)
{
    Open();
    dlg->OnTab(2);
    Probe(kProbeA)->OpenNumber(50);
    dlg->SliderPicker()->OnPlus();
    dlg->ShowPage(kProbeB);
    ASSERT_EQ(g_log.sliders.size(), 1u);
    EXPECT_EQ(g_log.sliders[0], (std::vector<int>{kProbeA, 3, 51, 0, 99}));
    EXPECT_EQ(g_log.teardowns, (std::vector<int>{kProbeA}));

    Probe(kProbeB)->OpenTime();
    dlg->SliderPicker()->m_sliders[0].SetPos(7);
    dlg->SliderPicker()->OnSliderMoved(0, 7);
    dlg->OnOK();
    ASSERT_EQ(g_log.sliders.size(), 2u);
    EXPECT_EQ(g_log.sliders[1], (std::vector<int>{kProbeB, 4, 7, 2, 3}));
    EXPECT_EQ(g_log.teardowns, (std::vector<int>{kProbeA, kProbeB}));
    EXPECT_EQ(dlg->CurrentPage(), nullptr);
    // OK turned the image back: it is as received.
    EXPECT_EQ(m_image, m_received);
}

TEST_F(SetupWindow, PicksReachOnlyAnOpenOwner)
{
    Open();
    dlg->OnTab(2);
    ProbePage* a = Probe(kProbeA);
    a->OpenTwo();
    dlg->ListPicker()->OnCellClicked(1);
    ASSERT_EQ(g_log.lists.size(), 1u);
    EXPECT_EQ(g_log.lists[0], (std::vector<int>{kProbeA, 5, 1}));
    EXPECT_EQ(a->Value(1), 20);
    EXPECT_EQ(a->Value(2), -1);
    EXPECT_EQ(dlg->ListPicker(), nullptr);

    // The owner closes itself while its list is open: the list goes first,
    // and a pick made for it afterwards is dropped; its slot is free at once.
    a->OpenTwo();
    QPointer<CListPickerPopup> list = dlg->ListPicker();
    SendMessage(a->Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(dlg->ListPicker(), nullptr);
    EXPECT_EQ(dlg->Page(kProbeA), nullptr);
    if (list)
        list->OnCellClicked(0);
    dlg->OnListPicked(a, 5, 0);
    dlg->OnListPicked(nullptr, 5, 0);
    EXPECT_EQ(g_log.lists.size(), 1u);
    Pump();
    // Opening it again makes a new page.
    dlg->ShowPage(kProbeA);
    EXPECT_EQ(g_log.made, (std::vector<int>{kProbeA, kProbeA}));
    // Index -1 is never delivered.
    dlg->ShowPage(kProbeB);
    dlg->OnListPicked(dlg->Page(kProbeB), 1, -1);
    EXPECT_EQ(g_log.lists.size(), 1u);
}

TEST_F(SetupWindow, KeysCloseNothingAndAPostedCloseIsCancel)
{
    Open();
    dlg->OnTab(2);
    for (int key : {Qt::Key_Return, Qt::Key_Escape}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(dlg.get(), &press);
        QApplication::sendEvent(dlg->Page(kProbeA), &press);
    }
    QKeyEvent altF4(QEvent::KeyPress, Qt::Key_F4, Qt::AltModifier);
    QApplication::sendEvent(dlg.get(), &altF4);
    Pump();
    EXPECT_TRUE(dlg->isVisible());
    ASSERT_NE(dlg->Page(kProbeA), nullptr);
    EXPECT_TRUE(g_log.teardowns.empty());

    // Modal: a posted WM_CLOSE ends the run as Cancel, without teardown and
    // without turning the image back.
    dlg.reset();
    m_image = ImageBuilder().Bytes(4320, {0x01, 0x02}).Build();
    m_received = m_image;
    dlg = std::make_unique<CRemoteSetupDlg>(nullptr, m_image.data(), 255, Caps(), RecorderLink(), nullptr,
                                            &registry);
    QTimer::singleShot(0, dlg.get(), [this] {
        EXPECT_EQ(dlg->Image().Get(SetupDb::PanLow, 0), 258u);
        PostMessage(dlg->Handle(), WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(dlg->DoModal(), CRemoteSetupDlg::kIdCancel);
    EXPECT_EQ(ImageRef(m_image).Get(SetupDb::PanLow, 0), 258u); // still host order: never sent
}

TEST_F(SetupWindow, DraggingTheBackgroundMovesTheWindowAndClosesThePickers)
{
    Open();
    dlg->OnTab(2);
    Probe(kProbeA)->OpenNumber(5);
    ASSERT_NE(dlg->SliderPicker(), nullptr);
    const QPoint before = dlg->pos();
    const QPoint at(450, 40); // the title area: no child there
    ASSERT_EQ(dlg->childAt(at), nullptr);
    QMouseEvent press(QEvent::MouseButtonPress, at, dlg->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(dlg.get(), &press);
    EXPECT_EQ(dlg->SliderPicker(), nullptr);
    ASSERT_EQ(g_log.sliders.size(), 1u); // closed by the background: still delivered
    const QPoint to = at + QPoint(40, 30);
    QMouseEvent move(QEvent::MouseMove, to, dlg->mapToGlobal(at) + QPoint(40, 30), Qt::LeftButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(dlg.get(), &move);
    QMouseEvent release(QEvent::MouseButtonRelease, to, dlg->mapToGlobal(to), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(dlg.get(), &release);
    EXPECT_EQ(dlg->pos(), before + QPoint(40, 30));

    // A press on a menu's background and on a page's closes them too; the
    // window stays where it is.
    Probe(kProbeA)->OpenTwo();
    Click(dlg->Menu(2), QPoint(100, 420));
    EXPECT_EQ(dlg->ListPicker(), nullptr);
    Probe(kProbeA)->OpenTwo();
    Click(dlg->Page(kProbeA), QPoint(390, 300));
    EXPECT_EQ(dlg->ListPicker(), nullptr);
    EXPECT_EQ(dlg->pos(), before + QPoint(40, 30));
}

TEST_F(SetupWindow, CovertRowsFollowTheRowRule)
{
    Open(Caps(4), ImageBuilder().Byte(72, 2).Byte(73, 1).Byte(74, 0).Byte(75, 0).Build());
    dlg->Menu(0)->OnMenuButton(451);
    auto* page = static_cast<CChannelOnOffPage*>(dlg->Page(SetupPage::kCameraCovert));
    ASSERT_NE(page, nullptr);
    // A stored 2 shows off; rows beyond the 4 channels are hidden.
    EXPECT_EQ(page->m_btnOff[0].m_nState, 1);
    EXPECT_EQ(page->m_btnOn[1].m_nState, 1);
    EXPECT_FALSE(page->m_btnOn[4].isVisible());
    EXPECT_FALSE(page->m_rowCheck[4].isVisible());
    const SetupDbImage before = m_image;
    // All Check reaches rows 1-4 only.
    Click(&page->m_btnAllCheck);
    for (int r = 0; r < 16; ++r)
        EXPECT_EQ(page->m_rowCheck[r].GetCheck(), r < 4 ? 1 : 0) << r;
    Click(&page->m_btnReturnAll);
    page->m_rowCheck[0].SetCheck(1);
    page->m_rowCheck[2].SetCheck(1);
    page->m_rowCheck[3].SetCheck(1);
    Click(&page->m_btnOn[2]);
    EXPECT_TRUE(DiffersExactlyAt(before.data(), m_image.data(), m_image.size(), {72, 74, 75}));
    EXPECT_EQ(m_image[72], 1);
    EXPECT_EQ(page->m_btnOn[0].m_nState, 1);
    // An unchecked row changes alone.
    Click(&page->m_btnOff[1]);
    EXPECT_EQ(m_image[73], 0);
    EXPECT_EQ(m_image[72], 1);
    page->grab().save(RenderPath("setup_covert_page.png"));
    dlg->grab().save(RenderPath("setup_window.png"));
    dlg->Menu(0)->grab().save(RenderPath("setup_menu_display.png"));
}

TEST_F(SetupWindow, CameraOffZeroesExactlyTheChannelsRecordBytes)
{
    struct Case
    {
        bool subProduct6;
    } cases[] = {{true}, {false}};
    for (const Case& c : cases) {
        ImageBuilder b;
        // Every byte that may be zeroed starts non-zero, so the diff sees it.
        for (int ch = 0; ch < 16; ++ch)
            for (std::uint32_t off : CameraOffZeroedOffsets(ch, c.subProduct6))
                b.Byte(off, 0x55);
        b.Byte(6776 + 2, 7).Byte(6776 + 1, 1).Byte(6776 + 4, 1);
        Open(Caps(16, c.subProduct6), b.Build());
        dlg->Menu(0)->OnMenuButton(455);
        auto* page = static_cast<CCameraEnablePage*>(dlg->ShowPage(SetupPage::kCameraEnable));
        ASSERT_NE(page, nullptr);
        const QString onText = page->m_lblValue[1].GetWindowText();
        EXPECT_EQ(page->m_lblValue[2].GetWindowText(), onText); // a stored 7 shows "on"
        const SetupDbImage before = m_image;
        page->OpenChoice(2);
        ASSERT_NE(dlg->ListPicker(), nullptr);
        EXPECT_EQ(dlg->ListPicker()->ShownCount(), 2);
        EXPECT_EQ(dlg->ListPicker()->width(), 180);
        if (c.subProduct6)
            dlg->ListPicker()->grab().save(RenderPath("setup_enable_list.png"));
        dlg->ListPicker()->OnCellClicked(0);
        std::set<std::size_t> expected{6776 + 2};
        for (std::uint32_t off : CameraOffZeroedOffsets(2, c.subProduct6))
            expected.insert(off);
        EXPECT_TRUE(DiffersExactlyAt(before.data(), m_image.data(), m_image.size(), expected))
            << "sub product 6: " << c.subProduct6;
        EXPECT_EQ(m_image[6776 + 2], 0);
        EXPECT_NE(page->m_lblValue[2].GetWindowText(), onText);
        // Rows 2 and 5 checked: a pick on row 2 reaches 5; choosing on changes CameraEnable only.
        page->m_rowCheck[1].SetCheck(1);
        page->m_rowCheck[4].SetCheck(1);
        const SetupDbImage before2 = m_image;
        page->OpenChoice(1);
        dlg->ListPicker()->OnCellClicked(1);
        EXPECT_TRUE(DiffersExactlyAt(before2.data(), m_image.data(), m_image.size(), {}));
        m_image[6776 + 1] = 0;
        m_image[6776 + 4] = 0;
        page->OpenChoice(1);
        dlg->ListPicker()->OnCellClicked(1);
        EXPECT_EQ(m_image[6776 + 1], 1);
        EXPECT_EQ(m_image[6776 + 4], 1);
        // The page's background closes the list without a change.
        page->OpenChoice(3);
        const SetupDbImage before3 = m_image;
        Click(page, QPoint(390, 300));
        EXPECT_EQ(dlg->ListPicker(), nullptr);
        EXPECT_EQ(m_image, before3);
        page->grab().save(
            RenderPath(c.subProduct6 ? "setup_enable_page.png" : "setup_enable_page_plain.png"));
        dlg.reset();
        Pump();
    }
}

TEST_F(SetupWindow, AudioInputChannelsOnRecordersWithFourInputs)
{
    Open(Caps(16, false), ImageBuilder().Bytes(6988, {3, 5, 200, 9}).Build());
    for (int ch = 0; ch < 16; ++ch)
        EXPECT_TRUE(dlg->IsAudioInputChannel(ch));
    dlg.reset();
    Open(Caps(16, true), ImageBuilder().Bytes(6988, {3, 5, 200, 9}).Build());
    for (int ch = 0; ch < 16; ++ch)
        EXPECT_EQ(dlg->IsAudioInputChannel(ch), ch == 3 || ch == 5 || ch == 9) << ch;
    EXPECT_TRUE(dlg->IsAudioInputChannel(200));
}

TEST_F(SetupWindow, TheRecordersTimeReachesTheOpenTimePageOnly)
{
    Open();
    dlg->OnTab(2);
    SendMessage(dlg->Handle(), WM_DVR_TIME_ACK, 1000, 0); // no time page: dropped
    dlg->ShowPage(SetupPage::kDstSetup);
    SendMessage(dlg->Handle(), WM_DVR_TIME_ACK, 2000, 0);
    dlg->ShowPage(kProbeA);
    SendMessage(dlg->Handle(), WM_DVR_TIME_ACK, 3000, 0);
    EXPECT_EQ(g_log.times, (std::vector<int>{2000}));
}
