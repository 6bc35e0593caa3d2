// The Event and PTZ setup pages end to end: the real main window against
// the simulator. The test mail goes out over the live connection with the
// page's edits in it; edits on several pages reach the recorder on OK as
// exactly the changed bytes, multi-byte fields big-endian.
#include "MainWindowSim.h"
#include "SetupWindowSim.h"
#include "SimEvent.h"
#include "SimSetup.h"

#include "app/MainLayout.h"
#include "setup/EventActionPage.h"
#include "setup/MailPages.h"
#include "setup/PtzPages.h"
#include "setup/RemoteSetupDlg.h"
#include "setup/SetupMenuPage.h"
#include "setup/SetupPageIds.h"
#include "ui/ListPickerPopup.h"
#include "ui/SliderPickerPopup.h"
#include "ui/UiMessages.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <set>
#include <thread>

namespace {

using namespace mainsim;
using k5sim::Bytes;
namespace sid = k5sim::id;

std::set<std::size_t> Diff(const Bytes& a, const Bytes& b)
{
    std::set<std::size_t> out;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        if (a[i] != b[i])
            out.insert(i);
    return out;
}

void Press(QWidget& w)
{
    QTest::mouseClick(&w, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
}

class EventSetupSim : public ::testing::Test
{
protected:
    void Start()
    {
        sim = std::make_unique<k5sim::RecorderSim>();
        setup = std::make_unique<k5sim::SimSetup>(*sim, 7000, 4, 7);
        mail = std::make_unique<k5sim::SimTestMail>(*sim);
        const char* texts[] = {"FIRST@YARD", "SECOND@YARD", "THIRD", "SENDER@YARD"};
        for (std::size_t r = 0; r < 4; ++r)
            setup->SetText(3512 + 128 * r, 128, texts[r]);
        setup->SetByte(3141, 0); // row 1's baud index: allowed by every protocol
        sim->OnHello([](k5sim::RecorderSim& s) {
            s.Send(sid::RIGHT_CHANGE, RightsFor("admin"));
            s.Send(sid::SYS_ETC_INFO, k5sim::BuildSysEtcInfo({{1, 4}}, {{1, 4}}));
            s.Send(sid::SYS_ETC_INFO_EX,
                   k5sim::BuildSysEtcInfoEx({{"ALPHA", 3}, {"", 0}, {"GAMMA", 2}}, {{"KEYS", 2}}));
        });
        ASSERT_TRUE(sim->Start());
        dialog->script = TypeServer("127.0.0.1", sim->Port(), "admin", "pw", "Yard");
        dlg = std::make_unique<MainWindow>(dialog);
        dlg->Commands().SetPause(0ms, [](std::chrono::milliseconds) {});
        ASSERT_TRUE(dlg->Create());
        ASSERT_TRUE(dlg->IsConnected());
        ASSERT_TRUE(RunUntil([&] { return Net().m_bLogin && Net().m_bHasSysEtcInfoEx; }));
    }
    void TearDown() override
    {
        if (dlg)
            dlg->Close();
        dlg.reset();
    }
    CNetClient& Net() { return *dlg->m_pNetClient; }

    void WhenSetupOpens(std::function<void(CRemoteSetupDlg&)> act)
    {
        mainsim::WhenSetupOpens(dlg.get(), std::move(act));
    }
    void Fence()
    {
        const std::size_t n = sim->Count(sid::ALIVE_REQ);
        ASSERT_TRUE(Net().Send(sid::ALIVE_REQ));
        ASSERT_TRUE(sim->WaitForCount(sid::ALIVE_REQ, n + 1));
    }

    std::unique_ptr<k5sim::RecorderSim> sim;
    std::unique_ptr<k5sim::SimSetup> setup;
    std::unique_ptr<k5sim::SimTestMail> mail;
    std::shared_ptr<FakeConnectDialog> dialog = std::make_shared<FakeConnectDialog>();
    std::unique_ptr<MainWindow> dlg;
};

} // namespace

TEST_F(EventSetupSim, TestMailCarriesThePageAsItStands)
{
    Start();
    const Bytes served = setup->Image();
    const std::size_t before = dlg->notifications.size();
    struct Send
    {
        k5sim::SimTestMail::Answer answer;
        std::int32_t reason;
    } sends[] = {{k5sim::SimTestMail::Answer::Ack, 0},
                 {k5sim::SimTestMail::Answer::Nack, 2},
                 {k5sim::SimTestMail::Answer::Nack, 1},
                 {k5sim::SimTestMail::Answer::Silent, 0}};
    bool done = false;
    WhenSetupOpens([&](CRemoteSetupDlg& s) {
        s.OnTab(3);
        s.Menu(3)->OnMenuButton(450);
        auto* page = dynamic_cast<CMailSetupPage*>(s.CurrentPage());
        ASSERT_NE(page, nullptr);
        page->m_edit[0].SetWindowText("ABC");
        std::size_t n = 0;
        for (const Send& send : sends) {
            mail->SetAnswer(send.answer, send.reason);
            Press(page->m_btnTestMail);
            // The handler has taken its answer before the next one is set.
            ++n;
            const auto deadline = std::chrono::steady_clock::now() + 20s;
            while (mail->Requests().size() < n && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(1ms);
            EXPECT_EQ(mail->Requests().size(), n);
        }
        // Not logged in: nothing goes out.
        Net().m_bLogin = false;
        EXPECT_FALSE(page->OnSendTestMail());
        Net().m_bLogin = true;
        done = true;
        s.WindowProc(WM_COMMAND, MakeCommandWParam(CRemoteSetupDlg::kIdCancel, BN_CLICKED), 0);
    });
    dlg->Commands().OnButton(IDC_REMOTE_SETUP);
    ASSERT_TRUE(RunUntil([&] { return done && !OpenSetupWindow(); }));
    ASSERT_TRUE(RunUntil([&] { return dlg->Notified(0x60000); }));
    Fence();
    // The answers come in order: once the refusal with reason 1 has shown,
    // the ACK and the refusal with reason 2 have been handled, without a box.
    EXPECT_EQ(std::vector<LPARAM>(dlg->notifications.begin() + static_cast<std::ptrdiff_t>(before),
                                  dlg->notifications.end()),
              std::vector<LPARAM>{0x60000});

    const auto requests = sim->ReceivedOf(sid::SEND_TEST_MAIL_REQ);
    ASSERT_EQ(requests.size(), 4u);
    Bytes expected(served.begin() + 3512, served.begin() + 4028);
    expected[0] = 'A';
    expected[1] = 'B';
    expected[2] = 'C';
    expected[3] = 0;
    for (const auto& m : requests) {
        // 00 00 A9 80 00 00 02 04, then eight zero bytes.
        EXPECT_EQ(m.id, 339);
        EXPECT_EQ(m.sub, 0);
        EXPECT_EQ(m.flags, 0);
        EXPECT_EQ(m.length, 516);
        EXPECT_EQ(m.payload, expected);
    }
    EXPECT_EQ(sim->Count(sid::DB_UPDATE_REQ), 0u);
}

TEST_F(EventSetupSim, EditsOnFourPagesReachTheRecorderOnOk)
{
    Start();
    const Bytes served = setup->Image();
    WhenSetupOpens([](CRemoteSetupDlg& s) {
        // A mail text.
        s.OnTab(3);
        s.Menu(3)->OnMenuButton(450);
        auto* mailPage = dynamic_cast<CMailSetupPage*>(s.CurrentPage());
        ASSERT_NE(mailPage, nullptr);
        mailPage->m_edit[1].SetWindowText("NEW@YARD");
        // Action A's duration from the slider (u32).
        s.Menu(3)->OnMenuButton(452);
        auto* action = dynamic_cast<CEventActionPage*>(s.CurrentPage());
        ASSERT_NE(action, nullptr);
        Press(action->m_btnNo[CEventActionPage::kDurationRow]);
        ASSERT_NE(s.SliderPicker(), nullptr);
        s.SliderPicker()->m_sliders[0].SetPos(300);
        s.SliderPicker()->OnSliderMoved(0, 300);
        // A protocol from the named table, past its free entry.
        s.OnTab(2);
        s.Menu(2)->OnMenuButton(454);
        auto* ptz = dynamic_cast<CPtzSetupPage*>(s.CurrentPage());
        ASSERT_NE(ptz, nullptr);
        Press(ptz->m_tabs.Button(1));
        Press(ptz->m_lblValue[1]);
        ASSERT_NE(s.ListPicker(), nullptr);
        s.ListPicker()->OnCellClicked(1);
        // A pan limit (u16).
        Press(ptz->m_btnNext);
        auto* limits = dynamic_cast<CPtzLimitPage*>(s.CurrentPage());
        ASSERT_NE(limits, nullptr);
        Press(limits->m_tabs.Button(1));
        limits->m_slider[3].SetPos(8);
        SendMessage(limits->Handle(), WM_SLIDER_MOVED, 513, 8);
        s.WindowProc(WM_COMMAND, MakeCommandWParam(CRemoteSetupDlg::kIdOk, BN_CLICKED), 0);
    });
    dlg->Commands().OnButton(IDC_REMOTE_SETUP);
    ASSERT_TRUE(RunUntil([&] { return setup->Updates().size() == 1; }));
    const auto updates = setup->Updates();
    ASSERT_TRUE(updates[0].crcOk);
    const Bytes sent(updates[0].payload.begin() + 4, updates[0].payload.end());

    Bytes expected = served;
    const char text[] = "NEW@YARD";
    std::copy(text, text + sizeof text, expected.begin() + 3640); // with its NUL
    k5sim::PutBE32(expected, 4460, 300);
    expected[3125] = 2; // GAMMA is entry 2
    expected[4352 + 6] = 0;
    expected[4352 + 7] = 7;
    EXPECT_EQ(Diff(served, sent), Diff(served, expected));
    EXPECT_EQ(sent, expected);
}
