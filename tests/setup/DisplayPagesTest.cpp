// The display pages on the real setup window, offscreen: colour, names,
// on-screen display, spot monitor sequence and the second event action. The
// controls are pressed as the operator presses them and every edit is checked
// byte for byte against the image; renders go under build/renders.
#include "../WidgetInput.h"
#include "SetupTestSupport.h"

#include "setup/CameraColorPage.h"
#include "setup/CameraNamePage.h"
#include "setup/EventActionPage.h"
#include "setup/OsdSetupPage.h"
#include "setup/RemoteSetupDlg.h"
#include "setup/SetupMenuPage.h"
#include "setup/SetupPageIds.h"
#include "setup/SpotSequencePage.h"
#include "ui/ListPickerPopup.h"
#include "ui/SkinDraw.h"
#include "ui/SliderPickerPopup.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <functional>
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

void Click(QWidget* w, QPoint pos = QPoint(-1, -1))
{
    if (pos == QPoint(-1, -1))
        pos = QPoint(w->width() / 2, w->height() / 2);
    ClickWidget(w, pos);
    Pump();
}

void Key(QWidget* w, int key, const QString& text = QString())
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &release);
}

// Types `text` key by key, as a keyboard would.
void Type(QWidget* w, const QString& text)
{
    for (QChar c : text)
        Key(w, c.toUpper().unicode(), QString(c));
}

// Presses a slider at the pixel of `pos` and lets its reports arrive.
void Slide(CSkinSlider& s, int pos)
{
    Click(&s, QPoint(s.PosToPixel(pos), s.height() / 2));
}

// The image as the window holds it while open.
SetupDbImage Host(SetupDbImage image)
{
    ConvertDbToHost(image.data());
    return image;
}

ImageBuilder& U32(ImageBuilder& b, std::size_t offset, std::uint32_t v)
{
    return b.Bytes(offset, {static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16),
                            static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)});
}

class DisplayPages : public ::testing::Test
{
public: // the table cases of a test reach the fixture
    void SetUp() override { ASSERT_TRUE(bundle.Loaded()) << "the bundle is built before the tests"; }
    void Open(SetupDbImage image = ImageBuilder().Build(), RecorderCaps caps = Caps())
    {
        dlg.reset();
        Pump();
        m_image = image;
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
    template <class P> P* Page(int id) { return dynamic_cast<P*>(dlg->Page(id)); }
    // Opens a page through the Display menu's button `button`.
    template <class P> P* FromMenu(int tab, int button, int id)
    {
        dlg->OnTab(tab);
        Pump();
        dlg->Menu(tab)->OnMenuButton(button);
        Pump();
        return Page<P>(id);
    }
    // Runs `act`; the image (host order) then differs from before exactly by
    // `edit`.
    ::testing::AssertionResult ChangesOnly(const std::function<void()>& act,
                                           const std::function<void(ImageRef)>& edit)
    {
        const SetupDbImage before = m_image;
        act();
        // The edit is applied afterwards, so it may read what the controls show.
        SetupDbImage expected = before;
        edit(ImageRef(expected));
        auto result = DiffersExactlyAt(before.data(), m_image.data(), m_image.size(),
                                       DiffOffsets(before.data(), expected.data(), expected.size()));
        if (result && m_image != expected)
            return ::testing::AssertionFailure() << "the right bytes changed, to other values";
        return result;
    }

    BundleScope bundle;
    CSetupPageRegistry registry = [] {
        CSetupPageRegistry r;
        RegisterSetupPages(r);
        return r;
    }();
    SetupDbImage m_image{};
    std::unique_ptr<CRemoteSetupDlg> dlg;
};

// Colour bytes 8-71: quantity q, channel c holds 10 + 3c + q, channel 1's
// hue is 150 (above the range).
SetupDbImage ColourImage()
{
    ImageBuilder b;
    for (int q = 0; q < 4; ++q)
        for (int c = 0; c < 16; ++c)
            b.Byte(static_cast<std::size_t>(8 + 16 * q + c), static_cast<std::uint8_t>(10 + 3 * c + q));
    return b.Byte(8, 150).Build();
}

} // namespace

// --- Camera colour --------------------------------------------------------

TEST_F(DisplayPages, ColourPageEditsTheShownQuantityOfItsRows)
{
    const SetupDbImage served = ColourImage();
    Open(served);
    auto* page = Page<CCameraColorPage>(SetupPage::kCameraColor);
    ASSERT_NE(page, nullptr) << "the window opens on the colour page";
    EXPECT_EQ(dlg->CurrentPage(), page);
    EXPECT_EQ(m_image, Host(served)) << "opening writes nothing";
    EXPECT_EQ(page->m_tabs.Button(0).m_nState, 1);
    // A stored 150 shows 100; its byte stays.
    EXPECT_EQ(page->m_slider[0].GetPos(), 100);
    EXPECT_EQ(page->m_lblValue[0].GetWindowText(), "100");
    EXPECT_EQ(page->m_lblValue[5].GetWindowText(), "25");

    // Reset with nothing checked changes nothing.
    EXPECT_TRUE(ChangesOnly([&] { Click(&page->m_btnReset); }, [](ImageRef) {}));
    Click(&page->m_rowCheck[1]);
    Click(&page->m_rowCheck[3]);
    ASSERT_EQ(page->m_rowCheck[1].GetCheck(), 1);
    // An unchecked row's slider changes its row only.
    EXPECT_TRUE(ChangesOnly([&] { Slide(page->m_slider[2], 70); },
                            [&](ImageRef im) { im.Set(SetupDb::Hue, 2, page->m_slider[2].GetPos()); }));
    const int v2 = page->m_slider[2].GetPos();
    EXPECT_NEAR(v2, 70, 1);
    EXPECT_EQ(page->m_lblValue[2].GetWindowText(), QString::number(v2));
    // A checked row's slider reaches every checked row, on the shown quantity.
    EXPECT_TRUE(ChangesOnly([&] { Slide(page->m_slider[1], 40); },
                            [&](ImageRef im) {
                                im.Set(SetupDb::Hue, 1, page->m_slider[1].GetPos());
                                im.Set(SetupDb::Hue, 3, page->m_slider[1].GetPos());
                            }));
    EXPECT_EQ(page->m_slider[3].GetPos(), page->m_slider[1].GetPos());
    EXPECT_EQ(page->m_lblValue[3].GetWindowText(), QString::number(page->m_slider[1].GetPos()));
    // Reset: the checked rows of the shown quantity go to 50.
    EXPECT_TRUE(ChangesOnly([&] { Click(&page->m_btnReset); },
                            [](ImageRef im) {
                                im.Set(SetupDb::Hue, 1, 50);
                                im.Set(SetupDb::Hue, 3, 50);
                            }));
    EXPECT_EQ(page->m_lblValue[1].GetWindowText(), "50");

    // Another view clears the checks and shows its own bytes; back again
    // shows what was written, and the 150 is still kept.
    for (int view = 1; view < 4; ++view) {
        Click(&page->m_tabs.Button(view));
        EXPECT_EQ(page->View(), view);
        EXPECT_EQ(page->m_tabs.Button(view).m_nState, 1);
        EXPECT_EQ(page->m_tabs.Button(0).m_nState, 0);
        for (int r = 0; r < 16; ++r)
            EXPECT_EQ(page->m_rowCheck[r].GetCheck(), 0) << view << " row " << r;
        EXPECT_EQ(page->m_slider[4].GetPos(), 10 + 12 + view);
        page->grab().save(RenderPath(QString("display_colour_view%1.png").arg(view)));
    }
    Click(&page->m_btnAllCheck);
    EXPECT_TRUE(ChangesOnly([&] { Click(&page->m_btnReset); },
                            [](ImageRef im) {
                                for (int c = 0; c < 16; ++c)
                                    im.Set(SetupDb::Brightness, c, 50);
                            }));
    Click(&page->m_tabs.Button(0));
    EXPECT_EQ(page->m_rowCheck[0].GetCheck(), 0);
    EXPECT_EQ(page->m_slider[1].GetPos(), 50);
    EXPECT_EQ(page->m_slider[2].GetPos(), v2);
    EXPECT_EQ(m_image[8], 150);
    EXPECT_TRUE(ChangesOnly([&] { Slide(page->m_slider[0], 20); },
                            [&](ImageRef im) { im.Set(SetupDb::Hue, 0, page->m_slider[0].GetPos()); }));

    // Probes of the layout: tabs along the top, rows 23 pixels apart.
    EXPECT_EQ(page->m_tabs.Button(3).geometry(), QRect(302, 0, 100, 24));
    EXPECT_EQ(page->m_slider[15].geometry(), QRect(103, 33 + 23 * 15, 190, 9));
    EXPECT_EQ(page->m_lblValue[1].geometry(), QRect(315, 54, 72, 14));
    EXPECT_EQ(page->m_btnReset.geometry(), QRect(304, 396, 97, 22));
    const QImage shot = page->grab().toImage();
    EXPECT_NE(shot.pixel(150, 37), shot.pixel(150, 48)) << "a slider row is drawn";
    shot.save(RenderPath("display_colour_view0.png"));
}

TEST_F(DisplayPages, ColourPageWithFourChannels)
{
    Open(ColourImage(), Caps(4));
    auto* page = Page<CCameraColorPage>(SetupPage::kCameraColor);
    ASSERT_NE(page, nullptr);
    for (int r = 0; r < 16; ++r) {
        EXPECT_EQ(page->m_slider[r].isVisible(), r < 4) << r;
        EXPECT_EQ(page->m_rowCheck[r].isVisible(), r < 4) << r;
        EXPECT_EQ(page->m_lblValue[r].isVisible(), r < 4) << r;
        EXPECT_EQ(page->m_rowLabel[r].isVisible(), r < 4) << r;
    }
    Click(&page->m_btnAllCheck);
    EXPECT_TRUE(ChangesOnly([&] { Click(&page->m_btnReset); },
                            [](ImageRef im) {
                                for (int c = 0; c < 4; ++c)
                                    im.Set(SetupDb::Hue, c, 50);
                            }));
    page->grab().save(RenderPath("display_colour_4ch.png"));
}

// --- Camera names ---------------------------------------------------------

TEST_F(DisplayPages, NamesAreWrittenOnlyByTheUser)
{
    ImageBuilder b;
    // Row 1: 31 letters and a NUL.
    for (int i = 0; i < 31; ++i)
        b.Byte(static_cast<std::size_t>(88 + i), static_cast<std::uint8_t>('A' + i % 26));
    b.Byte(88 + 31, 0);
    for (int i = 0; i < 32; ++i) // row 2: 32 letters, no NUL in the field
        b.Byte(static_cast<std::size_t>(120 + i), 'B');
    b.Bytes(152, {'g', 'a', 't', 'e', 0, 'x', 'y'}); // row 3: stored lower case
    b.Bytes(184, {'Y', 'A', 'R', 'D', 0});
    b.Bytes(216, {'D', 'O', 'O', 'R', 0});
    const SetupDbImage served = b.Build();
    Open(served);
    auto* page = FromMenu<CCameraNamePage>(0, 452, SetupPage::kCameraName);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(m_image, Host(served)) << "opening writes nothing";
    EXPECT_EQ(page->m_edit[0].text().size(), 31);
    EXPECT_EQ(page->m_edit[1].text(), QString(32, QLatin1Char('B'))) << "read within the field only";
    EXPECT_EQ(page->m_edit[2].text(), "gate");
    EXPECT_EQ(page->m_edit[0].geometry(), QRect(87, 6, 278, 17));
    EXPECT_EQ(page->m_rowLabel[15].geometry(), QRect(9, 9 + 23 * 15, 50, 14));

    // A cleared box stores an empty name: its first byte only.
    EXPECT_TRUE(ChangesOnly(
        [&] {
            page->m_edit[3].selectAll();
            Key(&page->m_edit[3], Qt::Key_Backspace);
        },
        [](ImageRef im) { im.SetU8(184, 0); }));
    // Typed lower case is stored upper case; refused characters never arrive.
    EXPECT_TRUE(ChangesOnly([&] { Type(&page->m_edit[3], "cam#1,x"); },
                            [](ImageRef im) {
                                const char* text = "CAM1X";
                                for (int i = 0; i < 6; ++i)
                                    im.SetU8(184 + static_cast<std::size_t>(i),
                                             static_cast<std::uint8_t>(text[i]));
                            }));
    EXPECT_EQ(page->m_edit[3].text(), "CAM1X");
    // The 31st character is refused: 30 and a NUL at most.
    page->m_edit[4].selectAll();
    Key(&page->m_edit[4], Qt::Key_Backspace);
    Type(&page->m_edit[4], QString(31, QLatin1Char('q')));
    EXPECT_EQ(page->m_edit[4].text(), QString(30, QLatin1Char('Q')));
    for (int i = 0; i < 30; ++i)
        EXPECT_EQ(m_image[216 + i], 'Q');
    EXPECT_EQ(m_image[246], 0);
    EXPECT_EQ(m_image[247], served[247]) << "nothing past the NUL";
    // Shortening the stored 32 letters keeps the NUL inside the field.
    page->m_edit[1].end(false);
    EXPECT_TRUE(ChangesOnly([&] { Key(&page->m_edit[1], Qt::Key_Backspace); },
                            [](ImageRef im) { im.SetU8(120 + 31, 0); }));
    EXPECT_EQ(m_image[152], 'g') << "the next name is untouched";
    page->grab().save(RenderPath("display_names.png"));
}

TEST_F(DisplayPages, StoredNamesKeepCharactersTheBoxWouldNotTake)
{
    // The box refuses '#', '(' and Latin-1 letters when typed; stored names
    // that hold them are still the recorder's names.
    const QByteArray names[] = {"CAM#1 (LOBBY)", "Caf\xE9 S\xFC\x64", "GATE:2"};
    ImageBuilder b;
    for (int r = 0; r < 3; ++r) {
        for (int i = 0; i < names[r].size(); ++i)
            b.Byte(static_cast<std::size_t>(88 + 32 * r + i), static_cast<std::uint8_t>(names[r][i]));
        b.Byte(static_cast<std::size_t>(88 + 32 * r + names[r].size()), 0);
    }
    const SetupDbImage served = b.Build();
    Open(served);
    auto* page = FromMenu<CCameraNamePage>(0, 452, SetupPage::kCameraName);
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(dlg->isVisible());
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(page->m_edit[r].text(), QString::fromLatin1(names[r])) << r << ": shown whole";
        EXPECT_EQ(page->m_edit[r].cursorPosition(), 0) << r;
    }
    EXPECT_EQ(m_image, Host(served)) << "opening writes nothing";

    // One key typed at the end keeps every character before it.
    page->m_edit[0].setFocus();
    page->m_edit[0].end(false);
    Type(&page->m_edit[0], "2");
    EXPECT_EQ(page->m_edit[0].text(), "CAM#1 (LOBBY)2");
    EXPECT_EQ(ImageRef(m_image).Text(SetupDb::CameraName, 0), "CAM#1 (LOBBY)2");
    // A word replaced in the middle: the refused characters around it stay,
    // a refused one typed into it does not arrive.
    page->m_edit[0].setSelection(7, 5);
    Type(&page->m_edit[0], "ha#ll");
    EXPECT_EQ(page->m_edit[0].text(), "CAM#1 (HALL)2");
    // Backspace at the end of the Latin-1 name: the other letters stay, byte
    // for byte.
    page->m_edit[1].setFocus();
    page->m_edit[1].end(false);
    Key(&page->m_edit[1], Qt::Key_Backspace);
    const std::uint8_t cafe[] = {'C', 'a', 'f', 0xE9, ' ', 'S', 0xFC, 0};
    for (std::size_t i = 0; i < sizeof cafe; ++i)
        EXPECT_EQ(m_image[88 + 32 + i], cafe[i]) << i;

    // OK sends the untouched third name as it came.
    Click(&dlg->m_btnOK);
    Pump();
    for (std::size_t i = 0; i < 32; ++i)
        EXPECT_EQ(m_image[88 + 64 + i], served[88 + 64 + i]) << i;
}

// --- On-screen display ------------------------------------------------------

TEST_F(DisplayPages, OsdRowsByFormatVersion)
{
    struct Case
    {
        int minor;
        bool extended;
        int yN;
    } cases[] = {{3, false, 78}, {4, true, 147}};
    for (const Case& c : cases) {
        // A: 2, switches off and 5, N out of its table, B 1, M1 0, M2 9.
        ImageBuilder b;
        b.Version(4, c.minor).Bytes(636, {2, 0, 5, 9}).Bytes(6536, {1, 0, 9});
        Open(b.Build());
        auto* page = FromMenu<COsdSetupPage>(0, 454, SetupPage::kOsdSetup);
        ASSERT_NE(page, nullptr) << c.minor;
        EXPECT_EQ(page->Extended(), c.extended);
        for (int row : {COsdSetupPage::kRowB, COsdSetupPage::kRowM1, COsdSetupPage::kRowM2}) {
            EXPECT_EQ(page->m_lblName[row].isVisible(), c.extended) << c.minor;
            EXPECT_EQ(page->m_lblValue[row].isVisible(), c.extended) << c.minor;
        }
        EXPECT_EQ(page->m_lblName[COsdSetupPage::kRowN].y(), c.yN);
        EXPECT_EQ(page->m_lblValue[COsdSetupPage::kRowN].y(), c.yN - 1);
        EXPECT_EQ(page->m_lblValue[COsdSetupPage::kRowA].GetWindowText(), "10 " + LoadResString(5341));
        EXPECT_EQ(page->m_btnOff[0].m_nState, 1);
        EXPECT_EQ(page->m_btnOff[1].m_nState, 1) << "only a stored 1 shows On";
        // A byte past its table shows its number, and its list still opens.
        EXPECT_EQ(page->m_lblValue[COsdSetupPage::kRowN].GetWindowText(), "9");
        Click(&page->m_lblValue[COsdSetupPage::kRowN]);
        ASSERT_NE(dlg->ListPicker(), nullptr);
        EXPECT_EQ(dlg->ListPicker()->ShownCount(), 7);
        EXPECT_TRUE(
            ChangesOnly([&] { dlg->ListPicker()->OnCellClicked(4); }, [](ImageRef im) { im.SetU8(639, 4); }));
        EXPECT_EQ(page->m_lblValue[COsdSetupPage::kRowN].GetWindowText(), "4");

        // Both boxes checked switch both rows; otherwise the pressed row alone.
        Click(&page->m_btnAllCheck);
        EXPECT_TRUE(ChangesOnly([&] { Click(&page->m_btnOn[1]); },
                                [](ImageRef im) {
                                    im.SetU8(637, 1);
                                    im.SetU8(638, 1);
                                }));
        EXPECT_EQ(page->m_btnOn[0].m_nState, 1);
        Click(&page->m_rowCheck[1]);
        EXPECT_TRUE(ChangesOnly([&] { Click(&page->m_btnOff[0]); }, [](ImageRef im) { im.SetU8(637, 0); }));
        EXPECT_EQ(page->m_btnOn[1].m_nState, 1);
        Click(&page->m_btnReturnAll);
        EXPECT_EQ(page->m_rowCheck[0].GetCheck(), 0);

        if (c.extended) {
            EXPECT_EQ(page->m_lblValue[COsdSetupPage::kRowM2].GetWindowText(), "9");
            EXPECT_EQ(page->m_lblValue[COsdSetupPage::kRowB].GetWindowText(), "5" + LoadResString(5341));
            Click(&page->m_lblValue[COsdSetupPage::kRowM2]);
            ASSERT_NE(dlg->ListPicker(), nullptr);
            EXPECT_EQ(dlg->ListPicker()->width(), 100);
            EXPECT_TRUE(ChangesOnly([&] { dlg->ListPicker()->OnCellClicked(1); },
                                    [](ImageRef im) { im.SetU8(6538, 1); }));
            EXPECT_EQ(page->m_lblValue[COsdSetupPage::kRowM2].GetWindowText(), "5" + LoadResString(5351));
        } else {
            // The rows of newer images are never offered or written.
            EXPECT_TRUE(ChangesOnly([&] { page->OnListPicked(COsdSetupPage::kRowB, 2); }, [](ImageRef) {}));
            page->OpenListRow(COsdSetupPage::kRowM1);
            EXPECT_EQ(dlg->ListPicker(), nullptr);
        }
        page->grab().save(RenderPath(QString("display_osd_4%1.png").arg(c.minor)));
    }
}

TEST_F(DisplayPages, OsdTextsAndTheEmptyPage)
{
    Open();
    auto* page = FromMenu<COsdSetupPage>(0, 454, SetupPage::kOsdSetup);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->ListText(COsdSetupPage::kRowA, 3), LoadResString(5343));
    EXPECT_EQ(page->ListText(COsdSetupPage::kRowM1, 1), "5" + LoadResString(5351));
    EXPECT_EQ(page->ListText(COsdSetupPage::kRowA, 200), "200");
    // The empty page: its opener and nothing on it.
    dlg->ShowEmptyPage();
    Pump();
    CSetupPage* empty = dlg->Page(SetupPage::kEmpty);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(dlg->CurrentPage(), empty);
    empty->grab().save(RenderPath("display_empty.png"));
}

// --- Spot monitor sequence --------------------------------------------------

TEST_F(DisplayPages, SpotSequenceEdgeCases)
{
    // Dwell bytes 604-619: channel c holds 10 + 5c; event bytes all 2.
    const auto image = [](int mode, std::uint8_t dwell0 = 10) {
        ImageBuilder b;
        b.Byte(600, static_cast<std::uint8_t>(mode));
        for (int c = 0; c < 16; ++c) {
            b.Byte(static_cast<std::size_t>(604 + c), static_cast<std::uint8_t>(10 + 5 * c));
            b.Byte(static_cast<std::size_t>(620 + c), 2);
        }
        return b.Byte(604, dwell0).Build();
    };
    using Check = std::function<void(DisplayPages&, CSpotSequencePage&)>;
    struct Case
    {
        const char* name;
        int channels;
        SetupDbImage image;
        Check check;
    } cases[] = {
        {"4 channels: modes 2 and 3 off, mode 1 has no Duration view", 4, image(0),
         [](DisplayPages& t, CSpotSequencePage& p) {
             for (int m : {2, 3}) {
                 EXPECT_FALSE(p.m_btnModeOn[m].isEnabled());
                 EXPECT_EQ(p.m_btnModeOn[m].m_nState, 3);
             }
             EXPECT_TRUE(p.m_btnModeOn[1].isEnabled());
             EXPECT_FALSE(p.m_rowCheck[4].isEnabled());
             Click(&p.m_btnModeOn[1]);
             Click(&p.m_tabs.Button(1));
             EXPECT_EQ(p.CurrentView(), CSpotSequencePage::View::Mode);
             EXPECT_EQ(p.BackgroundIndex(), 0);
             EXPECT_EQ(p.m_tabs.Button(0).m_nState, 1);
             (void)t;
         }},
        {"8 channels: mode 3 off, mode 2 has no Duration view", 8, image(2),
         [](DisplayPages&, CSpotSequencePage& p) {
             EXPECT_FALSE(p.m_btnModeOn[3].isEnabled());
             EXPECT_TRUE(p.m_btnModeOn[2].isEnabled());
             Click(&p.m_tabs.Button(1));
             EXPECT_EQ(p.CurrentView(), CSpotSequencePage::View::Mode);
         }},
        {"mode 1 copies the dwell of each group at once; mode 0 keeps it", 16, image(0),
         [](DisplayPages& t, CSpotSequencePage& p) {
             EXPECT_TRUE(t.ChangesOnly([&] { Click(&p.m_btnModeOn[1]); },
                                       [](ImageRef im) {
                                           im.Set(SetupDb::SpotMode, 1);
                                           for (int c = 0; c < 16; ++c)
                                               im.Set(SetupDb::SpotDwell, c,
                                                      c < 4 ? 10 : 10 + 5 * (c / 4 * 4));
                                       }));
             EXPECT_EQ(p.m_btnModeOn[1].m_nState, 1);
             EXPECT_EQ(p.m_btnModeOn[0].m_nState, 0);
             EXPECT_TRUE(t.ChangesOnly([&] { Click(&p.m_btnModeOn[0]); },
                                       [](ImageRef im) { im.Set(SetupDb::SpotMode, 0); }));
             Click(&p.m_tabs.Button(1));
             EXPECT_EQ(p.BackgroundIndex(), 1);
             EXPECT_EQ(p.m_lblDwell[5].GetWindowText(), "30 " + LoadResString(5341));
         }},
        {"mode 2 copies in groups of eight, the Duration view groups them", 16, image(0),
         [](DisplayPages& t, CSpotSequencePage& p) {
             EXPECT_TRUE(t.ChangesOnly([&] { Click(&p.m_btnModeOn[2]); },
                                       [](ImageRef im) {
                                           im.Set(SetupDb::SpotMode, 2);
                                           for (int c = 0; c < 16; ++c)
                                               im.Set(SetupDb::SpotDwell, c, c < 8 ? 10 : 50);
                                       }));
             Click(&p.m_tabs.Button(1));
             EXPECT_EQ(p.BackgroundIndex(), 3);
             EXPECT_TRUE(p.m_slider[8].isVisible());
             EXPECT_FALSE(p.m_slider[9].isVisible());
             EXPECT_EQ(p.m_slider[8].geometry(), QRect(103, 113 + 23 * 8, 190, 9));
             EXPECT_EQ(p.m_lblOct[1].geometry(), QRect(315, 111 + 23 * 8, 72, 14));
             // Group checks: 490 carries 491-497, and checked groups share.
             Click(&p.m_rowCheck[0]);
             EXPECT_EQ(p.m_rowCheck[7].GetCheck(), 1);
             Click(&p.m_rowCheck[8]);
             EXPECT_EQ(p.m_rowCheck[15].GetCheck(), 1);
             EXPECT_TRUE(t.ChangesOnly([&] { Slide(p.m_slider[0], 48); },
                                       [](ImageRef im) {
                                           for (int c = 0; c < 16; ++c)
                                               im.Set(SetupDb::SpotDwell, c, 240);
                                       }));
             EXPECT_EQ(p.m_lblOct[1].GetWindowText(), "240 " + LoadResString(5341));
         }},
        {"dwell 7 shows 1 and 5; above 240 shows 48 and 240; 48 stores 240, 0 stores 0", 16, image(0, 7),
         [](DisplayPages& t, CSpotSequencePage& p) {
             t.m_image[605] = 250;
             Click(&p.m_tabs.Button(1));
             EXPECT_EQ(p.CurrentView(), CSpotSequencePage::View::Dwell);
             EXPECT_EQ(p.m_slider[0].GetPos(), 1);
             EXPECT_EQ(p.m_lblDwell[0].GetWindowText(), "5 " + LoadResString(5341));
             EXPECT_EQ(p.m_slider[1].GetPos(), 48);
             EXPECT_EQ(p.m_lblDwell[1].GetWindowText(), "240 " + LoadResString(5341));
             EXPECT_EQ(t.m_image[604], 7);
             EXPECT_TRUE(
                 t.ChangesOnly([&] { Slide(p.m_slider[2], 48); }, [](ImageRef im) { im.SetU8(606, 240); }));
             EXPECT_TRUE(
                 t.ChangesOnly([&] { Slide(p.m_slider[2], 0); }, [](ImageRef im) { im.SetU8(606, 0); }));
             // A checked row's slider reaches the other checked rows.
             Click(&p.m_rowCheck[3]);
             Click(&p.m_rowCheck[9]);
             EXPECT_TRUE(t.ChangesOnly([&] { Slide(p.m_slider[3], 48); },
                                       [](ImageRef im) {
                                           im.SetU8(607, 240);
                                           im.SetU8(613, 240);
                                       }));
             EXPECT_EQ(p.m_slider[9].GetPos(), 48);
         }},
        {"mode 3: the Duration tab shows but does nothing", 16, image(3),
         [](DisplayPages& t, CSpotSequencePage& p) {
             EXPECT_TRUE(p.m_tabs.Button(1).isVisible());
             EXPECT_TRUE(t.ChangesOnly([&] { Click(&p.m_tabs.Button(1)); }, [](ImageRef) {}));
             EXPECT_EQ(p.CurrentView(), CSpotSequencePage::View::Mode);
             EXPECT_TRUE(p.m_btnModeOn[0].isVisible());
         }},
        {"mode 5 brings the Event tab in place of Duration, still in the Mode view", 16, image(0),
         [](DisplayPages& t, CSpotSequencePage& p) {
             EXPECT_EQ(p.m_btnModeOn[5].geometry(), QRect(175, 121, 100, 17));
             EXPECT_FALSE(p.m_btnModeOn[4].isVisible());
             EXPECT_FALSE(p.m_btnModeOn[6].isVisible());
             EXPECT_EQ(p.m_lblEventMode[1].geometry(), QRect(12, 124, 115, 14));
             Click(&p.m_btnModeOn[5]);
             EXPECT_EQ(t.m_image[600], 5);
             EXPECT_FALSE(p.m_tabs.Button(1).isVisible());
             EXPECT_TRUE(p.m_tabs.Button(2).isVisible());
             EXPECT_EQ(p.CurrentView(), CSpotSequencePage::View::Mode);
             Click(&p.m_tabs.Button(2));
             EXPECT_EQ(p.CurrentView(), CSpotSequencePage::View::Event);
             EXPECT_EQ(p.m_btnEventOff[0].m_nState, 1) << "a stored 2 shows Off";
             Click(&p.m_rowCheck[1]);
             Click(&p.m_rowCheck[4]);
             EXPECT_TRUE(t.ChangesOnly([&] { Click(&p.m_btnEventOn[1]); },
                                       [](ImageRef im) {
                                           im.SetU8(621, 1);
                                           im.SetU8(624, 1);
                                       }));
             EXPECT_TRUE(
                 t.ChangesOnly([&] { Click(&p.m_btnEventOff[2]); }, [](ImageRef im) { im.SetU8(622, 0); }));
         }},
        {"the Off buttons of the Mode view change nothing", 16, image(1),
         [](DisplayPages& t, CSpotSequencePage& p) {
             for (int m = 0; m < 7; ++m) {
                 if (p.m_btnModeOff[m].isVisible()) {
                     EXPECT_TRUE(t.ChangesOnly([&] { Click(&p.m_btnModeOff[m]); }, [](ImageRef) {})) << m;
                 }
             }
             EXPECT_EQ(p.m_btnModeOn[1].m_nState, 1);
         }},
        {"the Duration and Event views clear the checks, the Mode view only hides them", 16, image(0),
         [](DisplayPages&, CSpotSequencePage& p) {
             Click(&p.m_tabs.Button(1));
             Click(&p.m_rowCheck[2]);
             Click(&p.m_tabs.Button(0));
             EXPECT_FALSE(p.m_rowCheck[2].isVisible());
             EXPECT_EQ(p.m_rowCheck[2].GetCheck(), 1);
             Click(&p.m_tabs.Button(1));
             EXPECT_EQ(p.m_rowCheck[2].GetCheck(), 0);
             EXPECT_TRUE(p.m_btnAllCheck.isVisible());
         }},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecorderCaps caps = Caps(c.channels);
        caps.servedModel = false;
        Open(c.image, caps);
        // The Display menu offers the page only to recorders without the
        // served-model flag: 453 in slot 3, 454 in slot 4.
        ASSERT_TRUE(dlg->Menu(0)->Button(3).isVisible());
        EXPECT_EQ(dlg->Menu(0)->Button(3).y(), 1 + 40 * 3);
        EXPECT_EQ(dlg->Menu(0)->Button(4).y(), 1 + 40 * 4);
        dlg->Menu(0)->OnMenuButton(453);
        Pump();
        auto* page = Page<CSpotSequencePage>(SetupPage::kSpotSequence);
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(page->CurrentView(), CSpotSequencePage::View::Mode);
        c.check(*this, *page);
        page->grab().save(RenderPath(QString("display_spot_%1ch_mode%2_%3.png")
                                         .arg(c.channels)
                                         .arg(m_image[600])
                                         .arg(static_cast<int>(page->CurrentView()))));
    }
    // Its opener reaches it too.
    Open(image(0));
    dlg->ShowSpotSequencePage();
    Pump();
    EXPECT_NE(Page<CSpotSequencePage>(SetupPage::kSpotSequence), nullptr);
}

// --- Second event action ----------------------------------------------------

TEST_F(DisplayPages, SecondEventActionDuration)
{
    // 4.6: five bars, the preset list; a stored 45 shows as it is.
    ImageBuilder b46;
    b46.Version(4, 6);
    Open(U32(b46, 4464, 45).Build());
    auto* page = FromMenu<CEventActionPage>(3, 453, SetupPage::kEventActionB);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->m_lblDuration.GetWindowText(), "45");
    EXPECT_FALSE(page->m_btnYes[4].isVisible());
    Click(&page->m_lblDuration);
    ASSERT_NE(dlg->ListPicker(), nullptr);
    EXPECT_TRUE(ChangesOnly([&] { dlg->ListPicker()->OnCellClicked(3); },
                            [](ImageRef im) { im.Set(SetupDb::ActionBDuration, 60); }));
    page->grab().save(RenderPath("display_event_188_46.png"));

    // 4.7: six bars, 555 for 0 with an empty 575; the slider's ends.
    ImageBuilder b47;
    b47.Version(4, 7);
    Open(U32(b47, 4464, 0).Build());
    page = FromMenu<CEventActionPage>(3, 453, SetupPage::kEventActionB);
    ASSERT_NE(page, nullptr);
    CSkinTextButton& zero = page->m_btnYes[5];
    CSkinTextButton& timed = page->m_btnNo[5];
    EXPECT_TRUE(page->m_btnYes[4].isVisible());
    EXPECT_EQ(zero.m_nState, 1);
    EXPECT_TRUE(timed.m_strText.isEmpty());
    Click(&timed);
    ASSERT_NE(dlg->SliderPicker(), nullptr);
    for (auto [picked, stored] : {std::pair{0, 1u}, std::pair{1000, 999u}, std::pair{120, 120u}})
        EXPECT_TRUE(ChangesOnly([&] { dlg->OnSliderPicked(page, 5, picked, 0, 0); },
                                [&](ImageRef im) { im.Set(SetupDb::ActionBDuration, stored); }))
            << picked;
    // 555 pressed while the slider is open: the slider's value lands first,
    // then 0 stays and 555 stays selected.
    Click(&timed);
    ASSERT_NE(dlg->SliderPicker(), nullptr);
    dlg->SliderPicker()->OnPlus();
    EXPECT_TRUE(ChangesOnly([&] { Click(&zero); }, [](ImageRef im) { im.Set(SetupDb::ActionBDuration, 0); }));
    EXPECT_EQ(dlg->SliderPicker(), nullptr);
    EXPECT_EQ(zero.m_nState, 1);
    EXPECT_EQ(timed.m_nState, 0);
    page->grab().save(RenderPath("display_event_188_47.png"));
}
