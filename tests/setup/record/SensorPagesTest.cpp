// The alarm preset, sensor link and motion grid pages on the real setup
// window offscreen, their headless rules as tables, and the sensitivity
// levels; renders under build/renders.
#include "../SetupTestSupport.h"

#include "setup/ChannelOnOffPage.h"
#include "setup/RemoteSetupDlg.h"
#include "setup/SetupMenuPage.h"
#include "setup/SetupPageIds.h"
#include "setup/record/AlarmPreset.h"
#include "setup/record/AlarmPresetPage.h"
#include "setup/record/MotionGridPage.h"
#include "setup/record/ResIdsSensorPages.h"
#include "setup/record/Sensitivity.h"
#include "ui/ListPickerPopup.h"
#include "ui/SkinDraw.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
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

void Press(QWidget* w, QPoint pos, QEvent::Type type, Qt::MouseButtons buttons)
{
    QMouseEvent e(type, pos, w->mapToGlobal(pos), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void Click(QWidget* w, QPoint pos = QPoint(3, 3))
{
    Press(w, pos, QEvent::MouseButtonPress, Qt::LeftButton);
    Press(w, pos, QEvent::MouseButtonRelease, Qt::NoButton);
}

void Drag(QWidget* w, QPoint from, QPoint to)
{
    Press(w, from, QEvent::MouseButtonPress, Qt::LeftButton);
    Press(w, to, QEvent::MouseMove, Qt::LeftButton);
    Press(w, to, QEvent::MouseButtonRelease, Qt::NoButton);
}

void Type(QWidget* w, const QString& text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
    }
}

void SelectAllText(QLineEdit& edit)
{
    edit.selectAll();
}

void LoseFocus(QWidget* w)
{
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(w, &out);
}

// The main window's side of the grid's grab: a solid still per channel whose
// colour names the channel, or nothing when `live` is off.
class FakeMain : public ISetupHost
{
public:
    void PostNotifyToMain(WndHandle, int, int) override {}
    int GrabStillForMotionGrid(CMotionGridStatic* grid, int channel) override
    {
        ++grabs;
        lastChannel = channel;
        if (!live || !grid)
            return 0;
        std::vector<BYTE> pixels(static_cast<size_t>(width) * height * 3);
        for (size_t i = 0; i < pixels.size(); i += 3) {
            pixels[i] = static_cast<BYTE>(40 + 10 * channel); // blue
            pixels[i + 1] = 100;                              // green
            pixels[i + 2] = static_cast<BYTE>(shade);         // red
        }
        if (!grid->SetImage(this, pixels.data(), 0, width, height))
            return 0;
        grid->m_bShowStill = 1;
        return 1;
    }
    bool live = true;
    int width = 352;
    int height = 280;
    int shade = 20;
    int grabs = 0;
    int lastChannel = -1;
};

class SensorPages : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(bundle.Loaded()) << "the bundle is built before the tests"; }
    // `image` in network order, as the recorder sends it.
    void Open(RecorderCaps caps, SetupDbImage image = ImageBuilder().Build())
    {
        m_image = image;
        dlg = std::make_unique<CRemoteSetupDlg>(nullptr, m_image.data(), 255, caps, RecorderLink(), &main,
                                                &registry);
        ASSERT_TRUE(dlg->Create());
        Pump();
    }
    void TearDown() override
    {
        dlg.reset();
        Pump();
    }
    template <class T> T* Show(int id) { return static_cast<T*>(dlg->ShowPage(id)); }

    BundleScope bundle;
    FakeMain main;
    CSetupPageRegistry registry = [] {
        CSetupPageRegistry r;
        RegisterSetupPages(r);
        return r;
    }();
    SetupDbImage m_image{};
    std::unique_ptr<CRemoteSetupDlg> dlg;
};

std::uint32_t GridByte(int ch, int r, int c)
{
    return static_cast<std::uint32_t>(768 + 99 * ch + 11 * r + c);
}

} // namespace

// --- Headless rules ----------------------------------------------------------

TEST(AlarmPresetRules, TypedPresetNumbers)
{
    const struct
    {
        const char* text;
        int stored;
    } cases[] = {
        {"0", 1},
        {"1", 1},
        {"999", 999},
        {"1000", 1},
        {"70000", 1},
        {"", 1},
        {"42", 42},
        {"007", 7},
        {"0999", 999},
        {" 5 ", 5},
        {"12a", 1},
        {"-5", 1},
        {"123456789012345678901234567890", 1},
        {"99999999999999999999999999999999999999", 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AlarmPreset::ParsePreset(QString::fromLatin1(c.text)), c.stored) << '"' << c.text << '"';
}

TEST(AlarmPresetRules, CameraHeldByAnotherEntryIsRefused)
{
    SetupDbImage bytes{};
    ImageRef image(bytes);
    // Sensor 2 (index 1): cameras 3, 0, 0, 0.
    image.SetU8(AlarmPreset::CameraOffset(1, 0), 3);
    const struct
    {
        int entry, camera;
        bool refused;
    } cases[] = {
        {1, 3, true}, {0, 3, false}, {1, 0, false}, {2, 0, false}, {3, 0, false}, {1, 4, false}, {3, 3, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AlarmPreset::CameraRefused(image, 1, c.entry, c.camera), c.refused)
            << "entry " << c.entry << " camera " << c.camera;
    // Another sensor's entries do not count.
    EXPECT_FALSE(AlarmPreset::CameraRefused(image, 0, 1, 3));
}

TEST(AlarmPresetRules, FormsByRecorderAndImage)
{
    const struct
    {
        int major, imgMajor, imgMinor;
        bool extended;
    } cases[] = {
        {6, 5, 2, true},  {6, 5, 3, true},  {6, 6, 0, true},  {6, 5, 1, false},
        {6, 4, 9, false}, {4, 5, 2, false}, {5, 6, 0, false}, {0, 5, 2, false},
    };
    for (const auto& c : cases) {
        RecorderCaps caps;
        caps.subProductMajor = c.major;
        EXPECT_EQ(AlarmPreset::Extended(caps, {c.imgMajor, c.imgMinor}), c.extended)
            << c.major << " " << c.imgMajor << "." << c.imgMinor;
    }
    EXPECT_EQ(AlarmPreset::NumberOffset(7, 3), 6400u + 8 * 7 + 2 * 3);
    EXPECT_EQ(AlarmPreset::ActionOffset(15, 3), 6336u + 63);
}

TEST(SensitivityLevels, StoredValuesAndDrags)
{
    const struct
    {
        int stored, position, text;
    } shown[] = {{0, 3, 5204}, {1, 2, 5205}, {2, 1, 5206}, {3, 0, 0}, {200, 0, 0}, {255, 0, 0}};
    for (const auto& c : shown) {
        const int pos = Sensitivity::PositionOf(static_cast<std::uint8_t>(c.stored));
        EXPECT_EQ(pos, c.position) << c.stored;
        EXPECT_EQ(Sensitivity::TextIdOf(pos), c.text) << c.stored;
    }
    const struct
    {
        int p, stored, thumb, text;
    } drags[] = {{0, 2, 1, 5206}, {1, 1, 2, 5205}, {2, 0, 3, 5204}, {3, 0, 3, 5204}, {-1, 2, 1, 5206}};
    for (const auto& c : drags) {
        const Sensitivity::Drag d = Sensitivity::DragTo(c.p);
        EXPECT_EQ(d.stored, c.stored) << c.p;
        EXPECT_EQ(d.thumb, c.thumb) << c.p;
        EXPECT_EQ(d.textId, c.text) << c.p;
        // What was stored shows where the thumb was left.
        EXPECT_EQ(Sensitivity::PositionOf(d.stored), d.thumb) << c.p;
    }
}

// --- Alarm preset page -------------------------------------------------------

TEST_F(SensorPages, AlarmPresetFormsTabsAndLists)
{
    for (const bool extended : {false, true}) {
        RecorderCaps caps = Caps(4, extended);
        Open(caps, ImageBuilder().Version(5, 2).Bytes(6336, {0, 1, 2, 7}).Bytes(6272, {0, 3, 17, 1}).Build());
        auto* page = Show<CAlarmPresetPage>(SetupPage::kAlarmPreset);
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(page->IsExtended(), extended);
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(page->m_btnTab[i].isVisible(), i < 4) << i;
        EXPECT_EQ(page->m_btnTab[0].m_nState, 1);
        EXPECT_EQ(page->RowLabel(0).isVisible(), extended);
        EXPECT_EQ(page->Cell(0).x(), extended ? 116 : 20);
        EXPECT_EQ(page->Cell(4).width(), extended ? 90 : 127);
        EXPECT_EQ(page->m_editPreset[2].geometry(), QRect(extended ? 328 : 325, 73 + 46, 70, 17));
        // Cameras: none, a number, one beyond 16 by its own number.
        EXPECT_EQ(page->Cell(0).GetWindowText(), LoadResString(5340));
        EXPECT_TRUE(page->Cell(2).GetWindowText().endsWith(" 17"));
        // Actions: 2 shows "Off" also in the plain form, anything else "Preset".
        EXPECT_EQ(page->Cell(5).GetWindowText(), LoadResString(5767));
        EXPECT_EQ(page->Cell(6).GetWindowText(), LoadResString(5340));
        EXPECT_EQ(page->Cell(7).GetWindowText(), LoadResString(5760));
        // The camera list: no camera and cameras 1-4; the action list 2 or 3.
        Click(&page->Cell(1));
        ASSERT_NE(dlg->ListPicker(), nullptr);
        EXPECT_EQ(dlg->ListPicker()->Request().Count, 5);
        EXPECT_EQ(dlg->ListPicker()->Request().Width, 150);
        Click(&page->Cell(5));
        ASSERT_NE(dlg->ListPicker(), nullptr);
        EXPECT_EQ(dlg->ListPicker()->Request().Count, extended ? 3 : 2);
        // A press on the page closes the picker.
        Click(page, QPoint(200, 300));
        Pump();
        EXPECT_EQ(dlg->ListPicker(), nullptr);
        page->grab().save(RenderPath(extended ? "setup_alarm_preset_ext.png" : "setup_alarm_preset.png"));
        dlg.reset();
        Pump();
    }
}

TEST_F(SensorPages, AlarmPresetPicksAndRefusals)
{
    Open(Caps(16, true), ImageBuilder().Version(5, 2).Bytes(6272 + 4, {3, 0, 0, 0}).Build());
    auto* page = Show<CAlarmPresetPage>(SetupPage::kAlarmPreset);
    ASSERT_NE(page, nullptr);
    Click(&page->m_btnTab[1]);
    ASSERT_EQ(page->Sensor(), 1);
    const SetupDbImage before = m_image;
    const QString held = page->Cell(1).GetWindowText();
    // Entry 2 cannot take the camera entry 1 holds: nothing written, text kept.
    dlg->OnListPicked(page, 1, 3);
    EXPECT_TRUE(DiffersExactlyAt(before.data(), m_image.data(), m_image.size(), {}));
    EXPECT_EQ(page->Cell(1).GetWindowText(), held);
    // The entry that holds it may take it again; no camera is never refused.
    dlg->OnListPicked(page, 0, 3);
    for (int k = 1; k < 4; ++k)
        dlg->OnListPicked(page, k, 0);
    EXPECT_TRUE(DiffersExactlyAt(before.data(), m_image.data(), m_image.size(), {}));
    dlg->OnListPicked(page, 2, 16);
    dlg->OnListPicked(page, 7, 2);
    EXPECT_TRUE(DiffersExactlyAt(before.data(), m_image.data(), m_image.size(), {6276 + 2, 6336 + 4 + 3}));
    EXPECT_EQ(m_image[6278], 16);
    EXPECT_EQ(m_image[6343], 2);
    EXPECT_EQ(page->Cell(7).GetWindowText(), LoadResString(5340));
    // Switching away and back shows the entries as they were left.
    Click(&page->m_btnTab[3]);
    Click(&page->m_btnTab[1]);
    EXPECT_EQ(page->Cell(2).GetWindowText(), page->CameraItems()[16]);
}

TEST_F(SensorPages, AlarmPresetNumbersStoredOnFocusLossAndTeardown)
{
    // As the recorder sent it: OK sends it back in the same order.
    const SetupDbImage start = ImageBuilder().Build();
    Open(Caps(8), start);
    auto* page = Show<CAlarmPresetPage>(SetupPage::kAlarmPreset);
    ASSERT_NE(page, nullptr);
    const struct
    {
        const char* typed;
        int stored;
    } cases[] = {{"0", 1}, {"1000", 1}, {"70000", 1}, {"", 1}, {"999", 999}, {"35", 35}};
    for (const auto& c : cases) {
        CDigitEdit& edit = page->m_editPreset[2];
        SelectAllText(edit);
        edit.del();
        Type(&edit, QString::fromLatin1(c.typed));
        LoseFocus(&edit);
        EXPECT_EQ(ImageRef(m_image).U16(6400 + 4), c.stored) << c.typed;
        EXPECT_EQ(edit.GetWindowText(), QString::number(c.stored)) << c.typed;
    }

    // Typed but never left: a menu button removes the page, the number stays.
    Click(&page->m_btnTab[5]);
    CDigitEdit& edit = page->m_editPreset[1];
    SelectAllText(edit);
    edit.del();
    Type(&edit, "999");
    ASSERT_NE(dlg->Menu(0), nullptr);
    dlg->Menu(0)->OnMenuButton(451);
    Pump();
    EXPECT_EQ(dlg->Page(SetupPage::kAlarmPreset), nullptr);
    EXPECT_EQ(ImageRef(m_image).U16(6400 + 8 * 5 + 2), 999);

    // And by OK: the image goes out with 03 E7 at the entry, nothing else of
    // the page's fields changed.
    page = Show<CAlarmPresetPage>(SetupPage::kAlarmPreset);
    ASSERT_NE(page, nullptr);
    CDigitEdit& last = page->m_editPreset[3];
    SelectAllText(last);
    last.del();
    Type(&last, "999");
    dlg->OnOK();
    Pump();
    const std::size_t at = 6400 + 0 + 2 * 3;
    EXPECT_EQ(m_image[at], 0x03);
    EXPECT_EQ(m_image[at + 1], 0xE7);
    EXPECT_TRUE(DiffersExactlyAt(start.data(), m_image.data(), m_image.size(),
                                 {6400 + 4, 6400 + 5, 6400 + 8 * 5 + 2, 6400 + 8 * 5 + 3, at, at + 1}));
}

// --- Sensor link page --------------------------------------------------------

TEST_F(SensorPages, SensorLinkRowsTabsAndChecks)
{
    Open(Caps(16), ImageBuilder().Bytes(6208, {1, 0}).Byte(6208 + 32 + 0, 7).Build());
    auto* page = Show<CChannelOnOffPage>(SetupPage::kSensorLink);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->m_rowCheck[3].geometry().topLeft(), QPoint(6, 30 + 23 * 3));
    EXPECT_EQ(page->m_rowLabel[3].geometry().topLeft(), QPoint(28, 32 + 23 * 3));
    EXPECT_EQ(page->m_btnOn[3].geometry().topLeft(), QPoint(135, 29 + 23 * 3));
    EXPECT_EQ(page->m_btnOff[3].geometry().topLeft(), QPoint(236, 29 + 23 * 3));
    EXPECT_EQ(page->m_tabs.Button(2).geometry(), QRect(202, 0, 100, 24));
    EXPECT_TRUE(page->m_btnBack.isVisible());
    EXPECT_EQ(page->m_btnOn[0].m_nState, 1);
    EXPECT_EQ(page->m_btnOff[1].m_nState, 1);
    page->grab().save(RenderPath("setup_sensor_link.png"));

    // Rows 2, 5 and 9 checked, On on row 5: those three of sensor 1 only.
    SetupDbImage before = m_image;
    for (int r : {1, 4, 8})
        page->m_rowCheck[r].SetCheck(1);
    Click(&page->m_btnOn[4]);
    EXPECT_TRUE(DiffersExactlyAt(before.data(), m_image.data(), m_image.size(), {6209, 6212, 6216}));
    // Rows 2 and 9 checked, On on unchecked row 5: row 5 alone.
    page->m_rowCheck[4].SetCheck(0);
    before = m_image;
    Click(&page->m_btnOff[4]);
    EXPECT_TRUE(DiffersExactlyAt(before.data(), m_image.data(), m_image.size(), {6212}));

    // Sensor 3, channel 1 holds 7: shown off, kept until pressed.
    Click(&page->m_tabs.Button(2));
    EXPECT_EQ(page->Tab(), 2);
    for (int r = 0; r < 16; ++r)
        EXPECT_EQ(page->m_rowCheck[r].GetCheck(), 0) << r;
    EXPECT_EQ(page->m_btnOff[0].m_nState, 1);
    EXPECT_EQ(m_image[6240], 7);
    before = m_image;
    Click(&page->m_btnOn[0]);
    EXPECT_TRUE(DiffersExactlyAt(before.data(), m_image.data(), m_image.size(), {6240}));
    EXPECT_EQ(m_image[6240], 1);
    // Pressing the shown tab again clears the checks too.
    page->m_rowCheck[5].SetCheck(1);
    Click(&page->m_tabs.Button(2));
    EXPECT_EQ(page->m_rowCheck[5].GetCheck(), 0);
    page->grab().save(RenderPath("setup_sensor_link_tab3.png"));
}

TEST_F(SensorPages, SensorLinkEightChannels)
{
    Open(Caps(8));
    auto* page = Show<CChannelOnOffPage>(SetupPage::kSensorLink);
    ASSERT_NE(page, nullptr);
    for (int r = 0; r < 16; ++r) {
        EXPECT_EQ(page->m_rowCheck[r].isVisible(), r < 8) << r;
        EXPECT_EQ(page->m_btnOn[r].isVisible(), r < 8) << r;
    }
    Click(&page->m_btnAllCheck);
    for (int r = 0; r < 16; ++r)
        EXPECT_EQ(page->m_rowCheck[r].GetCheck(), r < 8 ? 1 : 0) << r;
    Click(&page->m_tabs.Button(3));
    Click(&page->m_btnAllCheck);
    const SetupDbImage before = m_image;
    Click(&page->m_btnOn[7]);
    std::set<std::size_t> expected;
    for (int ch = 0; ch < 8; ++ch)
        if (before[6208 + 48 + ch] != 1)
            expected.insert(6208 + 48 + ch);
    EXPECT_TRUE(DiffersExactlyAt(before.data(), m_image.data(), m_image.size(), expected));
    // Back leaves the page.
    Click(&page->m_btnBack);
    Pump();
    EXPECT_EQ(dlg->Page(SetupPage::kSensorLink), nullptr);
}

// --- Motion grid page --------------------------------------------------------

TEST_F(SensorPages, MotionGridOpensCleanAndSelectAllStaysInsideTheBlock)
{
    // Channel 1 holds 2 in a used cell, markers in column 10 and row 8.
    ImageBuilder b;
    b.Byte(GridByte(0, 2, 3), 2)
        .Byte(GridByte(0, 0, 0), 1)
        .Byte(GridByte(0, 0, 10), 2)
        .Byte(GridByte(0, 8, 4), 2);
    Open(Caps(16), b.Build());
    const SetupDbImage start = m_image;
    auto* page = Show<CMotionGridPage>(SetupPage::kMotionGrid);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->m_grid.geometry(), QRect(21, 72, 360, 288));
    EXPECT_EQ(page->m_grid.CellCount(), 80u);
    // The used cells hold only 0 and 1; column 10 and row 8 untouched.
    EXPECT_EQ(m_image[GridByte(0, 2, 3)], 0);
    EXPECT_EQ(m_image[GridByte(0, 0, 0)], 1);
    EXPECT_EQ(m_image[GridByte(0, 0, 10)], 2);
    EXPECT_EQ(m_image[GridByte(0, 8, 4)], 2);
    for (std::size_t i : DiffOffsets(start.data(), m_image.data(), m_image.size())) {
        const int in = static_cast<int>(i) - 768;
        ASSERT_TRUE(in >= 0 && in < 99 && in / 11 < 8 && in % 11 < 10) << i;
    }
    EXPECT_EQ(page->m_grid.ValueOf({108, 72, 144, 108}), 0);
    EXPECT_EQ(page->m_grid.ValueOf({0, 0, 36, 36}), 1);

    // Select all on channel 4 (index 3) writes exactly its 80 used bytes.
    Click(&page->m_btnChannel[3]);
    EXPECT_EQ(page->Channel(), 3);
    EXPECT_EQ(page->m_btnChannel[3].m_nState, 1);
    const SetupDbImage before = m_image;
    Click(&page->m_btnSelectAll);
    std::set<std::size_t> expected;
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 10; ++c)
            if (before[GridByte(3, r, c)] != 1)
                expected.insert(GridByte(3, r, c));
    EXPECT_TRUE(DiffersExactlyAt(before.data(), m_image.data(), m_image.size(), expected));
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 10; ++c)
            EXPECT_EQ(m_image[GridByte(3, r, c)], 1);
    Click(&page->m_btnClearAll);
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 10; ++c)
            EXPECT_EQ(m_image[GridByte(3, r, c)], 0);
}

TEST_F(SensorPages, MotionGridMouseEditsAndChannelSwitch)
{
    Open(Caps(4), ImageBuilder().Build());
    auto* page = Show<CMotionGridPage>(SetupPage::kMotionGrid);
    ASSERT_NE(page, nullptr);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(page->m_btnChannel[i].isVisible(), i < 4) << i;
    Click(&page->m_btnChannel[1]);
    CMotionGridStatic& grid = page->m_grid;
    // Cells (0,0) and (0,2) selected, then a band over row 0, columns 0-2
    // inverts each: 0 and 2 clear, 1 selected.
    Click(&grid, QPoint(10, 10));
    Click(&grid, QPoint(80, 10));
    EXPECT_EQ(m_image[GridByte(1, 0, 0)], 1);
    EXPECT_EQ(m_image[GridByte(1, 0, 2)], 1);
    const std::uint8_t before1 = m_image[GridByte(1, 0, 1)];
    Drag(&grid, QPoint(5, 5), QPoint(100, 30));
    EXPECT_EQ(m_image[GridByte(1, 0, 0)], 0);
    EXPECT_EQ(m_image[GridByte(1, 0, 1)], before1 == 1 ? 0 : 1);
    EXPECT_EQ(m_image[GridByte(1, 0, 2)], 0);
    // A band that only touches row 1's top edge leaves row 1 alone.
    const std::uint8_t row1 = m_image[GridByte(1, 1, 0)];
    Drag(&grid, QPoint(5, 20), QPoint(30, 36));
    EXPECT_EQ(m_image[GridByte(1, 1, 0)], row1);
    // A click on a shared edge goes right, and down.
    const std::uint8_t right = m_image[GridByte(1, 3, 3)];
    Click(&grid, QPoint(108, 3 * 36 + 10));
    EXPECT_EQ(m_image[GridByte(1, 3, 3)], right ^ 1);
    const std::uint8_t below = m_image[GridByte(1, 4, 5)];
    Click(&grid, QPoint(5 * 36 + 10, 144));
    EXPECT_EQ(m_image[GridByte(1, 4, 5)], below ^ 1);

    // Channel 2 -> 5 is not offered on 4 channels; 2 -> 4 and back keeps it.
    const SetupDbImage edited = m_image;
    Click(&page->m_btnChannel[3]);
    Click(&page->m_btnChannel[1]);
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 10; ++c)
            EXPECT_EQ(grid.ValueOf({36 * c, 36 * r, 36 * c + 36, 36 * r + 36}),
                      edited[GridByte(1, r, c)] == 1)
                << r << "," << c;
}

TEST_F(SensorPages, MotionGridStillsTimerAndLeaving)
{
    Open(Caps(16), ImageBuilder().Build());
    auto* page = Show<CMotionGridPage>(SetupPage::kMotionGrid);
    ASSERT_NE(page, nullptr);
    EXPECT_GT(main.grabs, 0);
    EXPECT_TRUE(page->HasTimer(CMotionGridPage::kGrabTimer));
    CMotionGridStatic& grid = page->m_grid;
    EXPECT_EQ(grid.m_bShowStill, 1);
    // Cell (0,0) selected, (0,1) not: the selected one shows the tinted still.
    grid.SelectCell({0, 0, 36, 36});
    grid.DeselectCell({36, 0, 72, 36});
    QImage shot = grid.grab().toImage();
    const QColor plain = shot.pixelColor(54, 18);
    const QColor tinted = shot.pixelColor(18, 18);
    EXPECT_NEAR(plain.blue(), 40, 3);
    EXPECT_NEAR(plain.red(), 20, 3);
    EXPECT_NEAR(tinted.blue(), 0, 3);
    EXPECT_NEAR(tinted.green(), 180, 3);
    EXPECT_NEAR(tinted.red(), 100, 3);
    page->grab().save(RenderPath("setup_motion_grid_still.png"));

    // The timer's tick grabs the shown channel again.
    Click(&page->m_btnChannel[5]);
    const int grabs = main.grabs;
    main.shade = 200;
    grid.DeselectAll();
    page->OnTimer(CMotionGridPage::kGrabTimer);
    EXPECT_EQ(main.grabs, grabs + 1);
    EXPECT_EQ(main.lastChannel, 5);
    EXPECT_NEAR(grid.grab().toImage().pixelColor(54, 54).red(), 200, 3);

    // Without a picture: the plain background.
    main.live = false;
    page->OnTimer(CMotionGridPage::kGrabTimer);
    EXPECT_EQ(grid.m_bShowStill, 0);
    page->grab().save(RenderPath("setup_motion_grid_plain.png"));

    // Leaving stops the grabs before the page goes.
    QPointer<CMotionGridPage> gone(page);
    Click(&page->m_btnBack);
    const int after = main.grabs;
    Pump();
    EXPECT_TRUE(gone.isNull());
    EXPECT_EQ(main.grabs, after);
}
