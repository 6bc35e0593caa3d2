// The local setup window with its real controls pressed: what each page
// shows when it opens, what a press writes into the record (the whole record
// is compared), the pop-up's life, keys, Close, the folder chooser, read-only
// media and the typing limit; renders of every page.
#include "app/LocalSetupDlg.h"
#include "app/LocalSetupPages.h"
#include "app/MainCommands.h"

#include "SkinBundle.h"
#include "ui/UiMessages.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstring>

namespace {

class FakeSetupHost : public ILocalSetupHost
{
public:
    int VideoViewMode() const override { return viewMode; }
    bool ReadOnlyMedia() const override { return readOnly; }
    void ShowNotice(QWidget*, const QString& first, const QString& second) override
    {
        notices.push_back(first + " / " + second);
    }
    int viewMode = 0;
    bool readOnly = false;
    std::vector<QString> notices;
};

LocalSetupRecord SomeRecord()
{
    LocalSetupRecord rec{};
    rec.DrawMode = 0;
    rec.DateFormat = 1;
    rec.SaveFormat = 2;
    rec.MaxAlarm = 0;
    std::strcpy(rec.Location, "/data/k5");
    std::memset(rec.Opacity, 230, sizeof rec.Opacity);
    rec.Opacity[3] = 0; // below the slider's range
    std::memset(rec.AudioBuf, 4, sizeof rec.AudioBuf);
    rec.HourSystem = 1;
    rec.Watermark = 0;
    rec.Deinterlace[6] = 7;                  // neither on nor off as the page writes them
    std::memset(rec.CameraName[2], 'N', 40); // longer than can be typed
    std::strcpy(rec.CameraName[0], "Gate");
    return rec;
}

void Pump()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void Click(QWidget& w, QPoint at = QPoint(-1, -1))
{
    QTest::mouseClick(&w, Qt::LeftButton, Qt::NoModifier, at.x() < 0 ? w.rect().center() : at);
    Pump();
}

bool SameRecord(const LocalSetupRecord& a, const LocalSetupRecord& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

class LocalSetupWindowTest : public testing::Test
{
protected:
    void SetUp() override
    {
        UseBundle();
        m_rec = SomeRecord();
    }
    // A frame shown modeless, its menu and Global page open.
    std::unique_ptr<CLocalSetupDlg> Open()
    {
        auto dlg = std::make_unique<CLocalSetupDlg>(nullptr, &m_host, &m_rec, 230);
        dlg->SetFolderChooser([this](QWidget*, const QString& title, const QString& start, QString* chosen) {
            chooserCalls.push_back(title + "|" + start);
            if (chooserAnswer.isNull())
                return false;
            *chosen = chooserAnswer;
            return true;
        });
        dlg->Create();
        Pump();
        return dlg;
    }
    CSkinTextButton& Menu(CLocalSetupDlg& dlg, int id) { return dlg.m_pMenuPage->m_btnMenu[id - 450]; }

    FakeSetupHost m_host;
    LocalSetupRecord m_rec;
    std::vector<QString> chooserCalls;
    QString chooserAnswer;
};

TEST_F(LocalSetupWindowTest, FrameMenuAndGlobalPageOpenAsLaidOut)
{
    auto dlg = Open();
    EXPECT_EQ(dlg->size(), QSize(618, 546));
    ASSERT_NE(dlg->m_pMenuPage, nullptr);
    ASSERT_NE(dlg->m_pGlobalPage, nullptr) << "the menu opens Global first";
    EXPECT_EQ(dlg->m_pMenuPage->geometry(), QRect(14, 74, 174, 430));
    EXPECT_EQ(dlg->m_pGlobalPage->geometry(), QRect(197, 83, 403, 417));
    EXPECT_EQ(dlg->m_btnOk.geometry(), QRect(400, 516, 97, 22));
    EXPECT_EQ(dlg->m_btnClose.geometry(), QRect(580, 12, 26, 26));
    EXPECT_EQ(Menu(*dlg, 450).m_nState, 1);
    EXPECT_TRUE(Menu(*dlg, 453).isVisible());
    EXPECT_FALSE(Menu(*dlg, 454).isVisible()) << "Deinterlace is not reachable from the menu";
    CLocalGlobalPage& g = *dlg->m_pGlobalPage;
    EXPECT_EQ(g.m_lblValue[0].GetWindowText(), "YUV");
    EXPECT_EQ(g.m_lblValue[1].GetWindowText(), "MM-DD-YYYY");
    EXPECT_EQ(g.m_lblValue[2].GetWindowText(), "TIF");
    EXPECT_EQ(g.m_lblValue[3].GetWindowText(), "/data/k5");
    EXPECT_EQ(g.m_lblValue[3].geometry(), QRect(160, 146, 230, 14));
    EXPECT_EQ(g.m_lblValue[4].geometry(), QRect(198, 77, 150, 14));
    EXPECT_TRUE(SameRecord(m_rec, SomeRecord())) << "opening writes nothing";
    dlg->grab().save(RenderDir() + "/localsetup_global.png");
}

TEST_F(LocalSetupWindowTest, GlobalPicksWriteTheirByteAndThePopUpGoesAway)
{
    auto dlg = Open();
    CLocalGlobalPage* g = dlg->m_pGlobalPage;
    // Date format: a three-row pop-up 180 wide under the click.
    Click(g->m_lblValue[1], QPoint(10, 5));
    ASSERT_NE(dlg->m_pListPicker, nullptr);
    const QPoint at = g->m_lblValue[1].mapToGlobal(QPoint(10, 5));
    EXPECT_EQ(dlg->m_pListPicker->geometry(), QRect(at.x() - 90 + 1, at.y() + 1, 180, 73));
    EXPECT_EQ(dlg->m_pListPicker->ShownCount(), 3);
    EXPECT_EQ(dlg->m_pListPicker->m_cells[2].geometry(), QRect(45, 51, 112, 14));
    dlg->grab().save(RenderDir() + "/localsetup_global_popup.png");
    dlg->m_pListPicker->grab().save(RenderDir() + "/localsetup_list_popup.png");
    Click(dlg->m_pListPicker->m_cells[2]);
    EXPECT_EQ(dlg->m_pListPicker, nullptr);
    LocalSetupRecord want = SomeRecord();
    want.DateFormat = 2;
    EXPECT_TRUE(SameRecord(m_rec, want));
    EXPECT_EQ(g->m_lblValue[1].GetWindowText(), "DD-MM-YYYY");

    // Hour system, watermark, alarm and save format.
    for (auto [item, cell] : {std::pair{4, 0}, {5, 1}, {6, 1}, {2, 0}}) {
        Click(g->m_lblValue[item]);
        ASSERT_NE(dlg->m_pListPicker, nullptr) << item;
        Click(dlg->m_pListPicker->m_cells[cell]);
    }
    want.HourSystem = 0;
    want.Watermark = 1;
    want.MaxAlarm = 1;
    want.SaveFormat = 0;
    EXPECT_TRUE(SameRecord(m_rec, want));

    // A page switch drops the pop-up without a pick; so does the page's background.
    Click(g->m_lblValue[0]);
    ASSERT_NE(dlg->m_pListPicker, nullptr);
    QPointer<CLocalListPickerPopup> popup = dlg->m_pListPicker;
    Click(Menu(*dlg, 451));
    EXPECT_EQ(dlg->m_pListPicker, nullptr);
    EXPECT_EQ(dlg->m_pGlobalPage, nullptr);
    // The destroyed page's pop-up can no longer deliver a pick.
    if (popup)
        popup->OnCellClicked(1);
    Click(Menu(*dlg, 450));
    g = dlg->m_pGlobalPage;
    Click(g->m_lblValue[0]);
    ASSERT_NE(dlg->m_pListPicker, nullptr);
    Click(*g, QPoint(300, 300));
    EXPECT_EQ(dlg->m_pListPicker, nullptr);
    EXPECT_TRUE(SameRecord(m_rec, want));

    // A pop-up whose page went another way delivers nothing.
    Click(g->m_lblValue[2]);
    ASSERT_NE(dlg->m_pListPicker, nullptr);
    CLocalListPickerPopup* orphan = dlg->m_pListPicker;
    g->DestroyWindow();
    EXPECT_EQ(dlg->m_pGlobalPage, nullptr);
    QTest::mouseClick(&orphan->m_cells[1], Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    Pump();
    EXPECT_TRUE(SameRecord(m_rec, want));

    // Four columns: 8 items take 3 rows; a count of 40 shows 31 cells.
    Click(Menu(*dlg, 450));
    ListPickerRequest req;
    std::memset(&req, 0, sizeof req);
    req.Count = 8;
    req.Width = 213;
    for (int i = 0; i < 8; ++i)
        SetListPickerItem(req, i, "item");
    dlg->OpenListPicker(dlg->m_pGlobalPage, 9, &req, 1);
    ASSERT_NE(dlg->m_pListPicker, nullptr);
    EXPECT_EQ(dlg->m_pListPicker->height(), 3 * 21 + 10);
    EXPECT_EQ(dlg->m_pListPicker->m_cells[5].geometry(), QRect(64, 30, 34, 14));
    dlg->m_pListPicker->grab().save(RenderDir() + "/localsetup_list_popup_four.png");
    req.Count = 40;
    dlg->OpenListPicker(dlg->m_pGlobalPage, 9, &req, 0);
    ASSERT_NE(dlg->m_pListPicker, nullptr);
    EXPECT_EQ(dlg->m_pListPicker->ShownCount(), 31);
    // An item id the page does not know writes nothing.
    Click(dlg->m_pListPicker->m_cells[0]);
    EXPECT_TRUE(SameRecord(m_rec, want));
}

TEST_F(LocalSetupWindowTest, AStoredValueOutsideItsListShowsNothingAndOpensNothing)
{
    m_rec.DrawMode = 5;
    m_rec.HourSystem = 2;
    auto dlg = Open();
    CLocalGlobalPage* g = dlg->m_pGlobalPage;
    EXPECT_EQ(g->m_lblValue[0].GetWindowText(), "");
    EXPECT_EQ(g->m_lblValue[4].GetWindowText(), "");
    Click(g->m_lblValue[0]);
    Click(g->m_lblValue[4]);
    EXPECT_EQ(dlg->m_pListPicker, nullptr);
    Click(g->m_lblValue[5]);
    EXPECT_NE(dlg->m_pListPicker, nullptr);
}

TEST_F(LocalSetupWindowTest, WhileVideoRunsDrawModeAndAudioBufferAreInert)
{
    m_host.viewMode = 1;
    auto dlg = Open();
    CLocalGlobalPage* g = dlg->m_pGlobalPage;
    Click(g->m_lblValue[0]);
    EXPECT_EQ(dlg->m_pListPicker, nullptr);
    Click(g->m_lblValue[1]);
    EXPECT_NE(dlg->m_pListPicker, nullptr) << "the other rows still open";
    Click(Menu(*dlg, 452));
    EXPECT_EQ(dlg->m_pAudioBufferPage, nullptr);
    EXPECT_NE(dlg->m_pGlobalPage, nullptr);
    EXPECT_EQ(Menu(*dlg, 450).m_nState, 1);
    EXPECT_EQ(Menu(*dlg, 452).m_nState, 3);
    // The video stopping meanwhile does not enable it.
    m_host.viewMode = 0;
    Click(Menu(*dlg, 452));
    EXPECT_EQ(dlg->m_pAudioBufferPage, nullptr);
}

TEST_F(LocalSetupWindowTest, OpacityRowsFollowTheCheckedRule)
{
    auto dlg = Open();
    Click(Menu(*dlg, 451));
    CLocalSliderRowsPage* p = dlg->m_pOpacityPage;
    ASSERT_NE(p, nullptr);
    // A byte below the range shows the minimum and stays as stored.
    EXPECT_EQ(p->m_slider[3].GetPos(), 100);
    EXPECT_EQ(p->m_lblValue[3].GetWindowText(), "100");
    EXPECT_EQ(m_rec.Opacity[3], 0);
    EXPECT_EQ(p->m_slider[2].geometry(), QRect(188, 56, 150, 9));
    dlg->grab().save(RenderDir() + "/localsetup_opacity.png");

    Click(p->m_chkRow[0]);
    Click(p->m_chkRow[2]);
    Click(p->m_chkRow[5]);
    // Row 2 near its top: rows 0, 2 and 5 follow.
    QTest::mouseClick(&p->m_slider[2], Qt::LeftButton, Qt::NoModifier, QPoint(149, 4));
    Pump();
    const int v = p->m_slider[2].GetPos();
    EXPECT_GT(v, 240);
    LocalSetupRecord want = SomeRecord();
    want.Opacity[0] = want.Opacity[2] = want.Opacity[5] = static_cast<BYTE>(v);
    EXPECT_TRUE(SameRecord(m_rec, want));
    EXPECT_EQ(p->m_lblValue[5].GetWindowText(), QString::number(v));
    EXPECT_EQ(p->m_slider[0].GetPos(), v);
    // The unchecked row 1 alone.
    QTest::mouseClick(&p->m_slider[1], Qt::LeftButton, Qt::NoModifier, QPoint(0, 4));
    Pump();
    want.Opacity[1] = 100;
    EXPECT_TRUE(SameRecord(m_rec, want));

    // Clear all, then another page and back: the checks are gone, the values re-read.
    Click(p->m_btnAllCheck);
    for (int r = 0; r < 9; ++r)
        EXPECT_EQ(p->m_chkRow[r].GetCheck(), 1);
    Click(Menu(*dlg, 453));
    EXPECT_EQ(dlg->m_pOpacityPage, nullptr);
    Click(Menu(*dlg, 451));
    p = dlg->m_pOpacityPage;
    for (int r = 0; r < 9; ++r)
        EXPECT_EQ(p->m_chkRow[r].GetCheck(), 0);
    EXPECT_EQ(p->m_slider[5].GetPos(), v);
    // The menu button of the page shown keeps the page (and its checks).
    Click(p->m_chkRow[4]);
    Click(Menu(*dlg, 451));
    EXPECT_EQ(dlg->m_pOpacityPage, p);
    EXPECT_EQ(p->m_chkRow[4].GetCheck(), 1);
}

TEST_F(LocalSetupWindowTest, AudioBufferSnapsToTwo)
{
    auto dlg = Open();
    Click(Menu(*dlg, 452));
    CLocalSliderRowsPage* p = dlg->m_pAudioBufferPage;
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->m_slider[0].geometry(), QRect(178, 10, 150, 9));
    dlg->grab().save(RenderDir() + "/localsetup_audiobuffer.png");
    QTest::mouseClick(&p->m_slider[1], Qt::LeftButton, Qt::NoModifier, QPoint(0, 4));
    Pump();
    EXPECT_EQ(p->m_slider[1].GetPos(), 2);
    EXPECT_EQ(p->m_lblValue[1].GetWindowText(), "2");
    LocalSetupRecord want = SomeRecord();
    want.AudioBuf[1] = 2;
    EXPECT_TRUE(SameRecord(m_rec, want));
}

TEST_F(LocalSetupWindowTest, CameraNamesAndTheTypingLimit)
{
    auto dlg = Open();
    Click(Menu(*dlg, 453));
    CLocalCameraNamePage* p = dlg->m_pCameraNamePage;
    ASSERT_NE(p, nullptr);
    // A stored 40-character name is shown whole and kept whole.
    EXPECT_EQ(p->m_editName[2].text(), QString(40, QLatin1Char('N')));
    EXPECT_TRUE(SameRecord(m_rec, SomeRecord()));
    EXPECT_EQ(p->m_lblChannel[2].GetWindowText(), "CH03");
    dlg->grab().save(RenderDir() + "/localsetup_cameraname.png");

    p->m_editName[4].setFocus();
    QTest::keyClicks(&p->m_editName[4], QString(31, QLatin1Char('x')));
    EXPECT_EQ(p->m_editName[4].text().size(), 30) << "the 31st typed character is refused";
    p->m_editName[5].setFocus();
    QTest::keyClicks(&p->m_editName[5], QString(29, QLatin1Char('y')));
    QApplication::clipboard()->setText("ab");
    QTest::keyClick(&p->m_editName[5], Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(p->m_editName[5].text(), QString(29, QLatin1Char('y')) + "a")
        << "the 31st pasted character is refused";
    // Latin-1 only; other characters are refused as typed.
    p->m_editName[0].setFocus();
    p->m_editName[0].end(false);
    for (QChar c : QStringLiteral(" \u00e9\u20ac")) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(&p->m_editName[0], &press);
    }
    EXPECT_EQ(p->m_editName[0].text(), QStringLiteral("Gate \u00e9"));
    // Clearing a box stores an empty name at once.
    p->m_editName[1].clear();

    LocalSetupRecord want = SomeRecord();
    std::memset(want.CameraName[4], 'x', 30);
    std::memset(want.CameraName[5], 'y', 29);
    want.CameraName[5][29] = 'a';
    std::strcpy(want.CameraName[0], "Gate \xe9");
    EXPECT_TRUE(SameRecord(m_rec, want));
}

TEST_F(LocalSetupWindowTest, DeinterlaceRowsAndStoredOtherValues)
{
    auto dlg = Open();
    dlg->ShowDeinterlacePage();
    Pump();
    CLocalDeinterlacePage* p = dlg->m_pDeinterlacePage;
    ASSERT_NE(p, nullptr);
    // 7 shows as off and stays 7.
    EXPECT_EQ(p->m_btnOff[6].m_nState, 1);
    EXPECT_EQ(p->m_btnOn[6].m_nState, 0);
    EXPECT_EQ(p->m_btnOn[0].m_nState, 1);
    EXPECT_EQ(m_rec.Deinterlace[6], 7);
    dlg->grab().save(RenderDir() + "/localsetup_deinterlace.png");

    Click(p->m_chkRow[1]);
    Click(p->m_chkRow[4]);
    Click(p->m_chkRow[9]);
    Click(p->m_btnOff[4]);
    Click(p->m_btnOff[2]);
    LocalSetupRecord want = SomeRecord();
    want.Deinterlace[1] = want.Deinterlace[2] = want.Deinterlace[4] = want.Deinterlace[9] = 1;
    EXPECT_TRUE(SameRecord(m_rec, want));
    EXPECT_EQ(p->m_btnOff[9].m_nState, 1);
    Click(p->m_btnOn[9]);
    want.Deinterlace[1] = want.Deinterlace[4] = want.Deinterlace[9] = 0;
    EXPECT_TRUE(SameRecord(m_rec, want));
}

TEST_F(LocalSetupWindowTest, FolderChooser)
{
    auto dlg = Open();
    CLocalGlobalPage* g = dlg->m_pGlobalPage;
    // Cancelled: nothing changes.
    Click(g->m_lblValue[3]);
    ASSERT_EQ(chooserCalls.size(), 1u);
    EXPECT_TRUE(SameRecord(m_rec, SomeRecord()));
    // The root stays "/".
    chooserAnswer = QStringLiteral("/");
    Click(g->m_lblValue[3]);
    LocalSetupRecord want = SomeRecord();
    std::memset(want.Location, 0, sizeof want.Location);
    want.Location[0] = '/';
    EXPECT_TRUE(SameRecord(m_rec, want));
    EXPECT_EQ(g->m_lblValue[3].GetWindowText(), "/");
    // 300 bytes are refused with a notice.
    chooserAnswer = QStringLiteral("/") + QString(299, QLatin1Char('d'));
    Click(g->m_lblValue[3]);
    EXPECT_TRUE(SameRecord(m_rec, want));
    ASSERT_EQ(m_host.notices.size(), 1u);
    EXPECT_EQ(m_host.notices[0], "The folder path is too long. / Choose a folder of at most 259 bytes.");
    // The browser opens at the current folder when it exists.
    EXPECT_TRUE(chooserCalls.back().endsWith("|/"));
    EXPECT_TRUE(chooserCalls.back().startsWith("Choose the data folder"));
}

TEST_F(LocalSetupWindowTest, ReadOnlyMediaKeepsTheFolder)
{
    m_host.readOnly = true;
    std::memset(m_rec.Location, 0, sizeof m_rec.Location); // the edit copy holds none there
    const LocalSetupRecord before = m_rec;
    auto dlg = Open();
    chooserAnswer = QStringLiteral("/tmp");
    Click(dlg->m_pGlobalPage->m_lblValue[3]);
    EXPECT_TRUE(chooserCalls.empty());
    EXPECT_TRUE(SameRecord(m_rec, before));
    Click(dlg->m_pGlobalPage->m_lblValue[2]);
    EXPECT_NE(dlg->m_pListPicker, nullptr) << "the other rows work as usual";
}

TEST_F(LocalSetupWindowTest, KeysDoNothingAndCloseIsCancel)
{
    const struct
    {
        const char* name;
        int button; // 1 OK, 2 Cancel, 435 Close
        int result;
    } cases[] = {{"OK", 1, kModalOk}, {"Cancel", 2, kModalCancel}, {"Close", 435, kModalCancel}};
    for (const auto& c : cases) {
        CLocalSetupDlg dlg(nullptr, &m_host, &m_rec, 255);
        QTimer::singleShot(0, &dlg, [&] {
            QWidget* focus = dlg.m_pGlobalPage ? static_cast<QWidget*>(dlg.m_pGlobalPage) : &dlg;
            QTest::keyClick(&dlg, Qt::Key_Return);
            QTest::keyClick(&dlg, Qt::Key_Escape);
            QTest::keyClick(focus, Qt::Key_Escape);
            QTest::keyClick(&dlg, Qt::Key_F4, Qt::AltModifier);
            Pump();
            EXPECT_TRUE(dlg.IsModalRunning()) << c.name;
            CSkinButton* b = c.button == 1   ? static_cast<CSkinButton*>(&dlg.m_btnOk)
                             : c.button == 2 ? static_cast<CSkinButton*>(&dlg.m_btnCancel)
                                             : &dlg.m_btnClose;
            QTest::mouseClick(b, Qt::LeftButton, Qt::NoModifier, b->rect().center());
        });
        EXPECT_EQ(dlg.DoModal(), c.result) << c.name;
    }
}

} // namespace
