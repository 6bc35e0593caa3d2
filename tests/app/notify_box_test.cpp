// The skinned message box: line and button placement for each line count and
// button mode, how a run ends, and an offscreen render of three boxes.
#include "app/SkinMessageDlg.h"

#include "SkinBundle.h"
#include "platform/ResourceLibrary.h"
#include "ui/UiMessages.h"

#include <QTimer>
#include <gtest/gtest.h>

namespace {

MessageBoxContent Content(int lines, int mode, std::initializer_list<int> widths = {150, 200, 120})
{
    MessageBoxContent c;
    c.lineCount = lines;
    c.buttonMode = mode;
    const char* texts[3] = {"First line", "Second line", "Third line"};
    int i = 0;
    for (int w : widths) {
        c.text[static_cast<std::size_t>(i)] = QString::fromLatin1(texts[i]);
        c.width[static_cast<std::size_t>(i)] = w;
        ++i;
    }
    return c;
}

class NotifyBoxTest : public testing::Test
{
protected:
    void SetUp() override { UseBundle(); }
};

TEST_F(NotifyBoxTest, LinesAreCentredInTheirRows)
{
    struct Case
    {
        int count;
        std::vector<QRect> rects;
    };
    const Case cases[] = {
        {1, {QRect(79, 45, 150, 20)}},
        {2, {QRect(79, 22, 150, 20), QRect(54, 45, 200, 20)}},
        {3, {QRect(79, 22, 150, 20), QRect(54, 45, 200, 20), QRect(94, 68, 120, 20)}},
    };
    for (const Case& c : cases) {
        CSkinMessageDlg box(nullptr, 255);
        box.SetContent(Content(c.count, NOTIFY_BUTTONS_OK));
        box.Create();
        EXPECT_EQ(box.size(), QSize(308, 136));
        for (int i = 0; i < 3; ++i) {
            const bool used = i < c.count;
            EXPECT_EQ(box.m_lblLine[i].isVisible(), used) << c.count << " line " << i;
            if (!used)
                continue;
            EXPECT_EQ(box.m_lblLine[i].geometry(), c.rects[static_cast<std::size_t>(i)])
                << c.count << " line " << i;
            EXPECT_EQ(box.m_lblLine[i].GetWindowText(), box.m_szLine[i]);
            EXPECT_EQ(box.m_pLine[i], &box.m_lblLine[i]);
        }
        box.DestroyWindow();
    }
    // The plates: one line uses the middle plate, more lines go from the top.
    EXPECT_EQ(CSkinMessageDlg::LineBitmap(1, 0), 1642);
    EXPECT_EQ(CSkinMessageDlg::LineBitmap(2, 0), 1641);
    EXPECT_EQ(CSkinMessageDlg::LineBitmap(3, 2), 1643);
    // An odd width: x = (309 - width) / 2; a line wider than the box is cut to it.
    EXPECT_EQ(CSkinMessageDlg::LineRect(1, 0, 101).left(), 104);
    EXPECT_EQ(CSkinMessageDlg::LineRect(2, 1, 400), QRect(0, 45, 308, 20));
}

TEST_F(NotifyBoxTest, ButtonsByMode)
{
    struct Case
    {
        int mode;
        bool ok;
        QPoint okAt;
        bool cancel;
        QPoint cancelAt;
    };
    const Case cases[] = {
        {NOTIFY_BUTTONS_OK_CANCEL, true, QPoint(50, 103), true, QPoint(158, 103)},
        {NOTIFY_BUTTONS_OK, true, QPoint(111, 103), false, QPoint()},
        {NOTIFY_BUTTONS_CANCEL, false, QPoint(), true, QPoint(111, 103)},
    };
    for (const Case& c : cases) {
        CSkinMessageDlg box(nullptr, 200);
        box.SetContent(Content(1, c.mode));
        box.Create();
        EXPECT_EQ(box.m_btnOk.isVisible(), c.ok) << c.mode;
        EXPECT_EQ(box.m_btnCancel.isVisible(), c.cancel) << c.mode;
        if (c.ok) {
            EXPECT_EQ(box.m_btnOk.geometry(), QRect(c.okAt, QSize(100, 27))) << c.mode;
        }
        if (c.cancel) {
            EXPECT_EQ(box.m_btnCancel.geometry(), QRect(c.cancelAt, QSize(100, 27))) << c.mode;
        }
        EXPECT_EQ(box.m_btnOk.m_crText[2], 0xFFFF00u);
        EXPECT_EQ(box.m_btnCancel.m_crText[3], 0xA6A6A6u);
        box.DestroyWindow();
    }
}

// How a modal run ends: a button's click, or Enter and Esc (a box without OK
// does not let Enter confirm).
TEST_F(NotifyBoxTest, RunEndsOnButtonsAndKeys)
{
    struct Case
    {
        int mode;
        int id;
        bool fromKey;
        int result;
    };
    const Case cases[] = {
        {NOTIFY_BUTTONS_OK_CANCEL, 1, false, kNotifyBoxOk},
        {NOTIFY_BUTTONS_OK_CANCEL, 2, false, kNotifyBoxCancel},
        {NOTIFY_BUTTONS_OK_CANCEL, 1, true, kNotifyBoxOk},
        {NOTIFY_BUTTONS_OK, 2, true, kNotifyBoxCancel},
        {NOTIFY_BUTTONS_CANCEL, 1, true, kNotifyBoxCancel},
        {NOTIFY_BUTTONS_CANCEL, 2, false, kNotifyBoxCancel},
    };
    for (const Case& c : cases) {
        CSkinMessageDlg* seen = nullptr;
        CSkinMessageDlg* slot = nullptr;
        QTimer::singleShot(0, [&] {
            seen = slot;
            ASSERT_NE(slot, nullptr);
            const LPARAM from = c.fromKey ? 0 : static_cast<LPARAM>(slot->m_btnOk.Handle().Id());
            PostMessage(slot->Handle(), WM_COMMAND, MakeCommandWParam(c.id, BN_CLICKED), from);
        });
        const int result = RunSkinMessageBox(nullptr, 255, Content(1, c.mode), &slot);
        EXPECT_EQ(result, c.result) << "mode " << c.mode << " id " << c.id;
        EXPECT_NE(seen, nullptr);
        EXPECT_EQ(slot, nullptr);
    }
}

TEST_F(NotifyBoxTest, RenderToPng)
{
    const QString dir = RenderDir();
    // A host that only measures and loads texts (its defaults).
    struct Measure : INotifyHost
    {
        NotifyState NotifySnapshot() override { return {}; }
        int UserLanguageId() override { return 1033; }
        int RunNotifyBox(WndHandle, const MessageBoxContent&) override { return 0; }
        void Disconnect() override {}
        void PostNotifyEvent(int, int) override {}
        void OpenRemoteSearch() override {}
        void ClearSearchHandOver() override {}
        void ClearTransNackInfo() override {}
        void SendDBUpdateReq() override {}
        void SendDBInitReq() override {}
        void SendRebootReq() override {}
        void RunFirmwareDialog() override {}
        void DeleteFirmwareDialog() override {}
        bool RunPasswordPrompt(std::string*) override { return false; }
    } host;
    CNotifyHandler handler(host);
    NotifyState sizes;
    sizes.connected = sizes.loggedIn = true;
    sizes.transNackNeededMB = 3000;
    sizes.transNackFreeMB = 700;
    const struct
    {
        const char* file;
        NotifyBox box;
    } shots[] = {
        {"notify_box_1_ok.png", BuildNotifyBox(NOTIFY_DISCONNECTED, 0, sizes)},
        {"notify_box_2_okcancel.png", BuildNotifyBox(NOTIFY_FW_UPGRADE, 5, sizes)},
        {"notify_box_3_sizes.png", BuildNotifyBox(NOTIFY_NACK, 5, sizes)},
        {"notify_box_1_cancel.png", BuildNotifyBox(NOTIFY_NO_PERMISSION, 0, sizes)},
    };
    for (const auto& shot : shots) {
        CSkinMessageDlg box(nullptr, 255);
        box.SetContent(handler.MakeContent(shot.box, 1.2));
        box.Create();
        const QImage image = box.grab().toImage();
        EXPECT_EQ(image.size(), QSize(308, 136));
        EXPECT_TRUE(image.save(dir + "/" + shot.file)) << shot.file;
        box.DestroyWindow();
    }
}

} // namespace
