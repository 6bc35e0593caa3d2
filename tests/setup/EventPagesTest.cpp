// The Event tab pages on the real setup window, offscreen: real controls are
// pressed and the image must change in exactly the expected bytes.
#include "PageFixture.h"

using namespace pagetest;

namespace {
class EventPages : public PageTest
{
};
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

TEST_F(EventPages, MailImageRowsFollowTheRowRule)
{
    Open(ImageBuilder().Version(5, 0).Bytes(6760, {0, 2, 0, 0, 9, 9}).Build(), Caps(4));
    auto* notify = Show<CEventActionPage>(SetupPage::kEventNotify);
    ASSERT_NE(notify, nullptr);
    ASSERT_TRUE(notify->m_btnAttach.isVisible());
    Click(&notify->m_btnAttach);
    Pump();
    auto* page = dynamic_cast<CChannelOnOffPage*>(dlg->CurrentPage());
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->TemplateId(), SetupPage::kMailImage);
    EXPECT_EQ(page->m_btnOff[1].m_nState, 1); // a stored 2 shows Off
    EXPECT_FALSE(page->m_btnOn[4].isVisible());
    Click(&page->m_btnAllCheck);
    for (int r = 0; r < 16; ++r)
        EXPECT_EQ(page->m_rowCheck[r].GetCheck(), r < 4 ? 1 : 0);
    page->m_rowCheck[2].SetCheck(0);
    EXPECT_TRUE(ChangesOnly([&] { Click(&page->m_btnOn[1]); },
                            [](ImageRef im) {
                                for (int ch : {0, 1, 3})
                                    im.SetU8(6760 + ch, 1);
                            }));
    page->grab().save(RenderPath("event_1004_mail_image.png"));
    Click(&page->m_btnBack);
    Pump();
    EXPECT_EQ(dlg->CurrentPage()->TemplateId(), SetupPage::kEventNotify);
}

namespace {
QByteArray FieldBytes(const SetupDbImage& image, std::size_t offset, int n)
{
    return QByteArray(reinterpret_cast<const char*>(image.data() + offset), n);
}

void Type(QWidget* w, const QString& text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
    }
}
} // namespace

TEST_F(EventPages, MailTextsWriteOnlyTheirTextAndNul)
{
    ImageBuilder b;
    b.Version(4, 7);
    const QByteArray full(127, 'Q');
    b.Bytes(3512, {'A', 'B', 'C', 'D', 'E', 'F', 0});
    for (int i = 0; i < 127; ++i)
        b.Byte(3640 + i, 'Q');
    b.Byte(3640 + 127, 0);
    for (int i = 0; i < 128; ++i) // no NUL anywhere in the third field
        b.Byte(3768 + i, 'x');
    b.Bytes(3896, {'m', 0}).Byte(4024, 5);
    const SetupDbImage stored = b.Build();
    Open(stored);
    auto* page = Show<CMailSetupPage>(SetupPage::kMailSetup);
    ASSERT_NE(page, nullptr);
    // Opening writes nothing, not even the unterminated field's NUL.
    const SetupDbImage sent = Sent();
    EXPECT_TRUE(DiffersExactlyAt(stored.data(), sent.data(), sent.size(), {}));
    EXPECT_EQ(page->m_edit[1].GetWindowText(), QString::fromLatin1(full)); // shown whole
    EXPECT_EQ(page->m_edit[2].GetWindowText().size(), 127);
    EXPECT_FALSE(page->m_btnChange.isVisible());
    EXPECT_TRUE(page->m_btnTestMail.isVisible());
    // A stored mode beyond the list shows its number and still opens the list.
    EXPECT_EQ(page->m_lblMode.GetWindowText(), "5");

    page->m_edit[0].SetWindowText("ABC");
    EXPECT_EQ(FieldBytes(m_image, 3512, 7), QByteArray("ABC\0EF\0", 7));
    // An edit of the unterminated field puts its NUL inside the field.
    page->m_edit[2].SetWindowText("y");
    EXPECT_EQ(FieldBytes(m_image, 3768, 3), QByteArray("y\0x", 3));
    EXPECT_EQ(FieldBytes(m_image, 3768 + 127, 1), QByteArray("x", 1));

    // Typed letters become capitals; typing stops at 120 characters.
    page->m_edit[3].setFocus();
    page->m_edit[3].selectAll();
    Type(&page->m_edit[3], QString(125, 'k'));
    EXPECT_EQ(page->m_edit[3].GetWindowText(), QString(120, 'K'));
    EXPECT_EQ(FieldBytes(m_image, 3896, 121), QByteArray(120, 'K') + QByteArray(1, '\0'));

    Click(&page->m_lblMode);
    ASSERT_NE(dlg->ListPicker(), nullptr);
    EXPECT_EQ(dlg->ListPicker()->ShownCount(), 3);
    EXPECT_TRUE(
        ChangesOnly([&] { dlg->ListPicker()->OnCellClicked(2); }, [](ImageRef im) { im.SetU8(4024, 2); }));
    EXPECT_EQ(page->m_lblMode.GetWindowText(), page->m_szMailMode[2]);
    page->grab().save(RenderPath("event_185_mail_47.png"));
}

TEST_F(EventPages, StoredMailTextsAreShownWholeAndKeptByAnEdit)
{
    // Texts the box would not take when typed (':', '+', Latin-1), one long
    // enough to scroll.
    const QByteArray texts[] = {"SMTP.MAIL.COM:25", "ops+alarm@site.example",
                                "Caf\xE9 Nord <alarm@caf\xE9.example>",
                                "a.very.long.mailbox.name.for.the.night.shift.and.the.weekend.crew@"
                                "mail.of.the.main.site.example.com"};
    ImageBuilder b;
    b.Version(4, 7);
    for (int r = 0; r < 4; ++r) {
        for (int i = 0; i < texts[r].size(); ++i)
            b.Byte(static_cast<std::size_t>(3512 + 128 * r + i), static_cast<std::uint8_t>(texts[r][i]));
        b.Byte(static_cast<std::size_t>(3512 + 128 * r + texts[r].size()), 0);
    }
    const SetupDbImage stored = b.Build();
    Open(stored);
    auto* page = Show<CMailSetupPage>(SetupPage::kMailSetup);
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(page->isVisible());
    for (int r = 0; r < 4; ++r) {
        EXPECT_EQ(page->m_edit[r].GetWindowText(), QString::fromLatin1(texts[r])) << r << ": shown whole";
        // Opened at the start of the text, not scrolled to its tail.
        EXPECT_EQ(page->m_edit[r].cursorPosition(), 0) << r;
    }
    EXPECT_TRUE(DiffersExactlyAt(stored.data(), Sent().data(), stored.size(), {}))
        << "opening writes nothing";

    // The port typed over: the server and its colon stay.
    page->m_edit[0].setFocus();
    page->m_edit[0].end(false);
    for (int i = 0; i < 2; ++i) {
        QKeyEvent back(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
        QApplication::sendEvent(&page->m_edit[0], &back);
    }
    Type(&page->m_edit[0], "587");
    EXPECT_EQ(page->m_edit[0].GetWindowText(), "SMTP.MAIL.COM:587");
    EXPECT_EQ(FieldBytes(m_image, 3512, 18), QByteArray("SMTP.MAIL.COM:587\0", 18));
    // A letter typed in the middle of the Latin-1 text: capitalised, the rest
    // kept byte for byte.
    page->m_edit[2].setFocus();
    page->m_edit[2].setCursorPosition(4);
    Type(&page->m_edit[2], "s");
    EXPECT_EQ(FieldBytes(m_image, 3768, texts[2].size() + 2),
              QByteArray("Caf\xE9S Nord <alarm@caf\xE9.example>\0", texts[2].size() + 2));

    // The untouched texts go back as they came.
    for (int r : {1, 3})
        EXPECT_EQ(FieldBytes(m_image, 3512 + 128 * r, 128), FieldBytes(stored, 3512 + 128 * r, 128)) << r;
}

TEST_F(EventPages, MailScheduleLayoutsAndPicks)
{
    struct Case
    {
        int mode;
        std::vector<int> shown; // cells 790-796
    } cases[] = {{0, {790, 791, 792, 793}}, {1, {794}}, {2, {795, 796}}, {5, {795, 796}}};
    for (const Case& c : cases) {
        Open(ImageBuilder()
                 .Version(5, 0)
                 .Byte(4024, static_cast<std::uint8_t>(c.mode))
                 .Bytes(6744, {7, 5, 0})
                 .Byte(6753, 9)
                 .Build());
        auto* mail = Show<CMailSetupPage>(SetupPage::kMailSetup);
        ASSERT_NE(mail, nullptr);
        ASSERT_TRUE(mail->m_btnChange.isVisible());
        Click(&mail->m_btnChange);
        Pump();
        auto* page = dynamic_cast<CMailSchedulePage*>(dlg->CurrentPage());
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(page->MailMode(), c.mode);
        for (int i = 0; i < 7; ++i) {
            const bool shown = std::find(c.shown.begin(), c.shown.end(), 790 + i) != c.shown.end();
            EXPECT_EQ(page->m_arrCell[i].isVisible(), shown) << "mode " << c.mode << " cell " << 790 + i;
        }
        page->grab().save(RenderPath(QString("event_1003_mode%1.png").arg(c.mode)));
        if (c.mode == 0) {
            EXPECT_EQ(page->m_arrCell[2].GetWindowText(), "07 : 05 : 00");
            Click(&page->m_arrCell[3]);
            ASSERT_NE(dlg->SliderPicker(), nullptr);
            EXPECT_EQ(dlg->SliderPicker()->Request().Width, 358);
            EXPECT_TRUE(ChangesOnly([&] { dlg->OnSliderPicked(page, 4, 23, 59, 59); },
                                    [](ImageRef im) {
                                        im.SetU8(6747, 23);
                                        im.SetU8(6748, 59);
                                        im.SetU8(6749, 59);
                                    }));
            EXPECT_EQ(page->m_arrCell[3].GetWindowText(), "23 : 59 : 59");
            // Moves over a cell leave the slider open, over the surface close it.
            Click(&page->m_arrCell[2]);
            QMouseEvent overCell(QEvent::MouseMove, QPoint(5, 5),
                                 page->m_arrCell[2].mapToGlobal(QPoint(5, 5)), Qt::NoButton, Qt::NoButton,
                                 Qt::NoModifier);
            QApplication::sendEvent(&page->m_arrCell[2], &overCell);
            EXPECT_NE(dlg->SliderPicker(), nullptr);
            QMouseEvent overPage(QEvent::MouseMove, QPoint(200, 300), page->mapToGlobal(QPoint(200, 300)),
                                 Qt::NoButton, Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(page, &overPage);
            EXPECT_EQ(dlg->SliderPicker(), nullptr);
        }
        if (c.mode == 2 || c.mode == 5) {
            EXPECT_EQ(page->m_arrCell[5].GetWindowText(), "9"); // a day beyond the list shows its number
            Click(&page->m_arrCell[5]);
            ASSERT_NE(dlg->ListPicker(), nullptr);
            EXPECT_EQ(dlg->ListPicker()->ShownCount(), 7);
            EXPECT_TRUE(ChangesOnly([&] { dlg->ListPicker()->OnCellClicked(3); },
                                    [](ImageRef im) { im.SetU8(6753, 3); }));
            EXPECT_EQ(page->m_arrCell[5].GetWindowText(), page->m_szDay[3]);
            // Prev with the slider open: its values land first.
            Click(&page->m_arrCell[6]);
            ASSERT_NE(dlg->SliderPicker(), nullptr);
            dlg->SliderPicker()->m_sliders[0].SetPos(4);
            dlg->SliderPicker()->OnSliderMoved(0, 4);
            const std::uint8_t minutes = m_image[6755], seconds = m_image[6756];
            EXPECT_TRUE(ChangesOnly(
                [&] {
                    Click(&page->m_btnPrev);
                    Pump();
                },
                [&](ImageRef im) {
                    im.SetU8(6754, 4);
                    im.SetU8(6755, minutes);
                    im.SetU8(6756, seconds);
                }));
            EXPECT_EQ(dlg->CurrentPage()->TemplateId(), SetupPage::kMailSetup);
        }
    }
}
