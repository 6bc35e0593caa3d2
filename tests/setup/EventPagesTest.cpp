// The Event tab pages on the real setup window, offscreen: real controls are
// pressed and the image must change in exactly the expected bytes.
#include "SetupTestSupport.h"

#include "setup/EventActionPage.h"
#include "setup/RemoteSetupDlg.h"
#include "setup/SetupMenuPage.h"
#include "setup/SetupPage.h"
#include "setup/SetupPageIds.h"
#include "ui/ListPickerPopup.h"
#include "ui/SkinDraw.h"
#include "ui/SliderPickerPopup.h"

#include <QApplication>
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

void Click(QWidget* w, QPoint pos = QPoint(3, 3))
{
    QMouseEvent press(QEvent::MouseButtonPress, pos, w->mapToGlobal(pos), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, pos, w->mapToGlobal(pos), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(w, &release);
}

class EventPages : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(bundle.Loaded()) << "the bundle is built before the tests"; }
    void TearDown() override
    {
        dlg.reset();
        Pump();
    }
    void Open(SetupDbImage image, RecorderCaps caps = Caps())
    {
        dlg.reset();
        Pump();
        m_image = image;
        dlg = std::make_unique<CRemoteSetupDlg>(nullptr, m_image.data(), 255, caps, RecorderLink(), nullptr,
                                                &registry);
        ASSERT_TRUE(dlg->Create());
        Pump();
    }
    template <class P> P* Show(int templateId, const SetupPageArgs& args = {})
    {
        auto* page = dynamic_cast<P*>(dlg->ShowPage(templateId, args));
        Pump();
        return page;
    }
    // The image as the window would send it now.
    SetupDbImage Sent() const
    {
        SetupDbImage copy = m_image;
        ConvertDbToNetwork(copy.data());
        return copy;
    }
    // Runs `act` and checks the sent image is the one before with exactly
    // `edit` applied (to a host-order copy).
    ::testing::AssertionResult ChangesOnly(const std::function<void()>& act,
                                           const std::function<void(ImageRef)>& edit)
    {
        const SetupDbImage before = Sent();
        SetupDbImage expected = m_image;
        edit(ImageRef(expected));
        ConvertDbToNetwork(expected.data());
        act();
        const SetupDbImage after = Sent();
        return DiffersExactlyAt(before.data(), after.data(), after.size(),
                                DiffOffsets(before.data(), expected.data(), expected.size()))
               << (after == expected ? "" : " (values differ)");
    }

    static CSetupPageRegistry MakeRegistry()
    {
        CSetupPageRegistry r;
        RegisterSetupPages(r);
        if (!r.Has(SetupPage::kEventActionB))
            r.Register(SetupPage::kEventActionB, [] { return new CEventActionPage(EventActionBDesc()); });
        return r;
    }

    BundleScope bundle;
    CSetupPageRegistry registry = MakeRegistry();
    SetupDbImage m_image{};
    std::unique_ptr<CRemoteSetupDlg> dlg;
};

// The image in network order with a u32 at `offset`.
ImageBuilder& U32(ImageBuilder& b, std::size_t offset, std::uint32_t v)
{
    return b.Bytes(offset, {static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16),
                            static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)});
}

} // namespace

TEST_F(EventPages, RowsAndDurationFollowTheFormatVersion)
{
    struct Case
    {
        int major, minor, page;
        bool row5, durationPair, attach;
    } cases[] = {
        {4, 6, SetupPage::kEventNotify, false, false, false},
        {4, 7, SetupPage::kEventNotify, true, false, false},
        {5, 0, SetupPage::kEventNotify, true, false, true},
        {4, 6, SetupPage::kEventActionA, false, false, false},
        {4, 7, SetupPage::kEventActionA, true, true, false},
        {5, 0, SetupPage::kEventActionA, true, true, false},
    };
    for (const Case& c : cases) {
        ImageBuilder b;
        b.Version(c.major, c.minor);
        Open(U32(b, 4460, 45).Build());
        auto* page = Show<CEventActionPage>(c.page);
        ASSERT_NE(page, nullptr);
        const std::string what =
            std::to_string(c.page) + " at " + std::to_string(c.major) + "." + std::to_string(c.minor);
        for (int r = 0; r < 4; ++r)
            EXPECT_TRUE(page->m_btnYes[r].isVisible()) << what;
        EXPECT_EQ(page->m_btnYes[4].isVisible(), c.row5) << what;
        EXPECT_EQ(page->m_lblTitle[4].isVisible(), c.row5) << what;
        EXPECT_EQ(page->m_btnAttach.isVisible(), c.attach) << what;
        EXPECT_FALSE(page->m_btnYes[CEventActionPage::kModelRow].isVisible()) << what;
        const bool action = c.page == SetupPage::kEventActionA;
        EXPECT_EQ(page->m_lblTitle[5].isVisible(), action) << what;
        EXPECT_EQ(page->m_btnYes[5].isVisible(), c.durationPair) << what;
        EXPECT_EQ(page->m_lblDuration.isVisible(), action && !c.durationPair) << what;
        EXPECT_EQ(page->m_lblUnit.isVisible(), action && !c.durationPair) << what;
        if (action) {
            EXPECT_EQ(page->m_lblTitle[5].y(), c.durationPair ? 124 : 101) << what;
            if (!c.durationPair)
                EXPECT_EQ(page->m_lblDuration.GetWindowText(), "45"); // not a preset, shown as it is
            else
                EXPECT_EQ(page->m_btnNo[5].m_strText, "45 " + LoadResString(5341));
        }
        page->grab().save(RenderPath(QString("event_%1_%2%3.png").arg(c.page).arg(c.major).arg(c.minor)));
    }
}

TEST_F(EventPages, YesAndNoWriteTheirRowsByteOnly)
{
    ImageBuilder b;
    b.Version(4, 7).Bytes(4028, {2, 1, 0, 7}).Byte(6531, 1).Bytes(4032, {1, 1, 2, 0}).Byte(6532, 0);
    Open(b.Build());
    struct Case
    {
        int page;
        std::uint32_t rows[5];
    } cases[] = {{SetupPage::kEventNotify, {4028, 4029, 4030, 4031, 6531}},
                 {SetupPage::kEventActionA, {4032, 4033, 4034, 4035, 6532}}};
    for (const Case& c : cases) {
        auto* page = Show<CEventActionPage>(c.page);
        ASSERT_NE(page, nullptr);
        for (int r = 0; r < 5; ++r) {
            // Only a stored 1 shows Yes.
            const bool yes = m_image[c.rows[r]] == 1;
            EXPECT_EQ(page->m_btnYes[r].m_nState, yes ? 1 : 0) << c.page << " row " << r;
            EXPECT_EQ(page->m_btnNo[r].m_nState, yes ? 0 : 1) << c.page << " row " << r;
        }
        for (int r = 0; r < 5; ++r) {
            const std::uint32_t at = c.rows[r];
            EXPECT_TRUE(
                ChangesOnly([&] { Click(&page->m_btnYes[r]); }, [&](ImageRef im) { im.SetU8(at, 1); }))
                << c.page << " row " << r;
            EXPECT_EQ(page->m_btnYes[r].m_nState, 1);
            EXPECT_TRUE(ChangesOnly([&] { Click(&page->m_btnNo[r]); }, [&](ImageRef im) { im.SetU8(at, 0); }))
                << c.page << " row " << r;
            EXPECT_EQ(page->m_btnNo[r].m_nState, 1);
            EXPECT_EQ(page->m_btnYes[r].m_nState, 0);
        }
    }
    // Before 4.7 the fifth row's byte is neither shown nor written.
    Open(ImageBuilder().Version(4, 6).Build());
    auto* page = Show<CEventActionPage>(SetupPage::kEventActionA);
    EXPECT_TRUE(ChangesOnly([&] { page->OnYes(4); }, [](ImageRef) {}));
}

TEST_F(EventPages, PresetsOnOlderImagesStoreTheirSeconds)
{
    ImageBuilder b;
    b.Version(4, 6);
    Open(U32(b, 4460, 45).Build());
    auto* page = Show<CEventActionPage>(SetupPage::kEventActionA);
    ASSERT_NE(page, nullptr);
    Click(&page->m_lblDuration);
    ASSERT_NE(dlg->ListPicker(), nullptr);
    EXPECT_EQ(dlg->ListPicker()->ShownCount(), 10);
    EXPECT_EQ(dlg->ListPicker()->width(), 70);
    dlg->ListPicker()->grab().save(RenderPath("event_187_presets.png"));
    EXPECT_TRUE(ChangesOnly([&] { dlg->ListPicker()->OnCellClicked(0); },
                            [](ImageRef im) { im.Set(SetupDb::ActionADuration, 5); }));
    EXPECT_EQ(page->m_lblDuration.GetWindowText(), "5");
    Click(&page->m_lblDuration);
    EXPECT_TRUE(ChangesOnly([&] { dlg->ListPicker()->OnCellClicked(9); },
                            [](ImageRef im) { im.Set(SetupDb::ActionADuration, 240); }));
    EXPECT_EQ(page->m_lblDuration.GetWindowText(), "240");
    EXPECT_EQ(CEventActionPage::PresetSeconds(10), 5);
    EXPECT_EQ(CEventActionPage::PresetSeconds(-1), 5);
}

TEST_F(EventPages, TheDurationPairFromFormat47)
{
    ImageBuilder b;
    b.Version(4, 7);
    Open(U32(b, 4460, 0).Build());
    auto* page = Show<CEventActionPage>(SetupPage::kEventActionA);
    ASSERT_NE(page, nullptr);
    CSkinTextButton& zero = page->m_btnYes[5];
    CSkinTextButton& timed = page->m_btnNo[5];
    EXPECT_EQ(zero.m_nState, 1);
    EXPECT_TRUE(timed.m_strText.isEmpty());
    EXPECT_EQ(zero.m_strText, LoadResString(6050));

    // No opens the slider at the stored value, 1-999; the image waits for it.
    EXPECT_TRUE(ChangesOnly([&] { Click(&timed); }, [](ImageRef) {}));
    ASSERT_NE(dlg->SliderPicker(), nullptr);
    EXPECT_EQ(dlg->SliderPicker()->Request().Value2, 1);
    EXPECT_EQ(dlg->SliderPicker()->Request().Value3, 999);
    EXPECT_EQ(dlg->SliderPicker()->Request().Width, 328);
    struct Case
    {
        int picked;
        std::uint32_t stored;
    } cases[] = {{0, 1}, {1200, 999}, {300, 300}};
    for (const Case& c : cases) {
        EXPECT_TRUE(ChangesOnly([&] { dlg->OnSliderPicked(page, 5, c.picked, 0, 0); },
                                [&](ImageRef im) { im.Set(SetupDb::ActionADuration, c.stored); }))
            << c.picked;
        EXPECT_EQ(timed.m_strText, QString::number(c.stored) + " " + LoadResString(5341));
        EXPECT_EQ(timed.m_nState, 1);
        EXPECT_EQ(zero.m_nState, 0);
    }

    // The left button pressed while the slider is open: the slider's value
    // lands first, then the 0 that was chosen stays.
    Click(&timed);
    ASSERT_NE(dlg->SliderPicker(), nullptr);
    EXPECT_EQ(dlg->SliderPicker()->Request().Value1, 300);
    dlg->SliderPicker()->OnPlus();
    EXPECT_TRUE(ChangesOnly([&] { Click(&zero); }, [](ImageRef im) { im.Set(SetupDb::ActionADuration, 0); }));
    EXPECT_EQ(dlg->SliderPicker(), nullptr);
    EXPECT_EQ(zero.m_nState, 1);
    EXPECT_EQ(timed.m_nState, 0);
    EXPECT_TRUE(timed.m_strText.isEmpty());
    page->grab().save(RenderPath("event_187_zero.png"));
}

TEST_F(EventPages, YesAndNoCloseThePickersOnTheActionPageOnly)
{
    Open(ImageBuilder().Version(4, 7).Build());
    auto* page = Show<CEventActionPage>(SetupPage::kEventActionA);
    Click(&page->m_btnNo[5]);
    ASSERT_NE(dlg->SliderPicker(), nullptr);
    Click(&page->m_btnYes[2]);
    EXPECT_EQ(dlg->SliderPicker(), nullptr);
    Click(&page->m_btnNo[5]);
    // A press on the page's surface leaves it open.
    Click(page, QPoint(390, 300));
    EXPECT_NE(dlg->SliderPicker(), nullptr);
    Click(&page->m_btnNo[1]);
    EXPECT_EQ(dlg->SliderPicker(), nullptr);
}

TEST_F(EventPages, TheModelRowOfTheSecondAction)
{
    struct Case
    {
        int major, minor;
        bool subProduct6;
        int subMajor;
        bool row6;
    } cases[] = {
        {4, 6, true, 6, true}, {5, 0, false, 5, true}, {4, 9, false, 5, false}, {5, 0, false, 0, false}};
    for (const Case& c : cases) {
        RecorderCaps caps = Caps(16, c.subProduct6);
        caps.subProductMajor = c.subMajor;
        Open(ImageBuilder().Version(c.major, c.minor).Byte(6612, 1).Build(), caps);
        auto* p = Show<CEventActionPage>(SetupPage::kEventActionB);
        ASSERT_NE(p, nullptr);
        CEventActionPage& page = *p;
        EXPECT_EQ(page.m_btnYes[6].isVisibleTo(&page), c.row6) << c.major << "." << c.minor;
        if (!c.row6)
            continue;
        EXPECT_EQ(page.m_lblTitle[6].y(), 147);
        EXPECT_EQ(page.m_btnYes[6].y(), 144);
        EXPECT_EQ(page.m_btnYes[6].m_nState, 1);
        EXPECT_TRUE(ChangesOnly([&] { page.OnNo(6); }, [](ImageRef im) { im.SetU8(6612, 0); }));
        if (c.major == 4) {
            // Without the version flag: the duration is the preset cell, no
            // bar between it and the model row.
            EXPECT_TRUE(page.m_lblDuration.isVisibleTo(&page));
            const QImage shot = page.grab().toImage();
            EXPECT_NE(shot.pixel(395, 130), shot.pixel(395, 150));
            EXPECT_EQ(shot.pixel(395, 110), shot.pixel(395, 150));
            shot.save(RenderPath("event_188_model_46.png"));
        }
    }
}
