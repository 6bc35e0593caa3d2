// The demo recorder's setup image end to end: the real main window against
// the simulator serving the plausible image for several kinds of recorder.
// Every page the menus offer, and the sub-pages behind them, is opened and
// each of its views shown; none of them finds a value it has to correct (a
// page corrects by writing), every record block keeps within its frame
// budget, and OK sends the image back byte for byte.
#include "../../WidgetInput.h"
#include "MainWindowSim.h"
#include "SetupWindowSim.h"
#include "SimDemoSetup.h"
#include "SimEvent.h"
#include "SimSetup.h"
#include "SimTimeServer.h"

#include "setup/NtpSetupPage.h"
#include "setup/RemoteSetupDlg.h"
#include "setup/SetupMenuPage.h"
#include "setup/SetupPage.h"
#include "setup/SetupPageIds.h"
#include "setup/TimeClient.h"
#include "setup/record/RecordBlock.h"
#include "ui/SkinDraw.h"
#include "ui/SkinEdit.h"
#include "ui/SkinLabel.h"

#include <QApplication>
#include <QDir>
#include <ctime>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <set>
#include <sstream>

namespace {

using namespace mainsim;
using k5sim::Bytes;
namespace sid = k5sim::id;

void Pump()
{
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

void Click(QWidget* w)
{
    ClickWidget(w, QPoint(w->width() / 2, w->height() / 2));
    Pump();
}

struct Kind
{
    const char* name;
    int channels, subMajor;
    int versionMajor, versionMinor;
    std::uint8_t flags2;
    int videoStandard = 0;
};

// The first is the demo's own recorder (tools/run.sh --demo).
const Kind kKinds[] = {
    {"16ch_4_6", 16, 0, 4, 6, 0x04},
    {"8ch_four_value_schedule", 8, 3, 4, 6, 0x04},
    {"4ch_second_motion_rates", 4, 4, 4, 6, 0x04},
    {"16ch_sub5_5_0", 16, 5, 5, 0, 0x05},
    {"8ch_profiles_5_2", 8, 6, 5, 2, 0x05},
    {"16ch_profiles_4_7", 16, 6, 4, 7, 0x04},
    {"16ch_old_format_4_2", 16, 0, 4, 2, 0x04},
    {"4ch_sub5_4_5", 4, 5, 4, 5, 0x00},
    {"8ch_pal", 8, 0, 4, 6, 0x04, 1},
};

// The pages reached through buttons on other pages rather than the menus.
const int kSubPages[] = {SetupPage::kAlarmPreset,    SetupPage::kSensorLink,     SetupPage::kMotionGrid,
                         SetupPage::kAudioInput,     SetupPage::kAccountChannel, SetupPage::kMailImage,
                         SetupPage::kMailSchedule,   SetupPage::kPtzLimit,       SetupPage::kWeeklySchedule,
                         SetupPage::kScheduleRecord, SetupPage::kEmpty};

// The bytes where `now` differs from `before`, as text.
std::string Changes(const std::uint8_t* before, const std::uint8_t* now, std::size_t n)
{
    std::ostringstream os;
    for (std::size_t i = 0; i < n; ++i)
        if (before[i] != now[i])
            os << ' ' << i << ':' << int(before[i]) << "->" << int(now[i]);
    return os.str();
}

class DemoSetupSim : public ::testing::TestWithParam<int>
{
protected:
    void Start(const Kind& k)
    {
        k5sim::RecorderSim::Config config;
        config.hello.channelNum = static_cast<std::uint8_t>(k.channels);
        config.hello.subMajor = static_cast<std::uint8_t>(k.subMajor);
        config.hello.flags2 = k.flags2;
        m_bPrompt = k.subMajor == 5 || k.subMajor == 6;
        sim = std::make_unique<k5sim::RecorderSim>(config);
        setup = std::make_unique<k5sim::SimSetup>(*sim, 7000, static_cast<std::uint8_t>(k.versionMajor),
                                                  static_cast<std::uint8_t>(k.versionMinor));
        k5sim::DemoSetupKind kind;
        kind.channels = k.channels;
        kind.subMajor = k.subMajor;
        kind.versionMajor = k.versionMajor;
        kind.versionMinor = k.versionMinor;
        kind.videoStandard = k.videoStandard;
        // The summer-time page derives its rule's days in the year of the
        // PC's wall clock.
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        kind.recorderTime = static_cast<std::uint32_t>(now + local.tm_gmtoff);
        setup->SetImage(k5sim::PlausibleSetupImage(kind));
        sim->OnHello([](k5sim::RecorderSim& s) {
            s.Send(sid::RIGHT_CHANGE, RightsFor("admin"));
            // The demo recorder's languages and PTZ protocol lists.
            s.Send(sid::SYS_ETC_INFO_EX,
                   k5sim::BuildSysEtcInfoEx({{"PELCO-P", 4}, {"PELCO-D", 5}, {"", 0}, {"SIM-DOME", 6}},
                                            {{"SIM-KEYS", 3}, {"", 0}, {"RS-KBD", 0}},
                                            {"English", "", "German", "french", "Greek"}));
        });
        ASSERT_TRUE(sim->Start());
        // The time page asks this server, on loopback.
        ASSERT_TRUE(timeServer.Start());
        timeServer.SetTime(k5sim::SimTimeServer::kNow);
        TimeServerConfig tc;
        tc.host1 = "127.0.0.1";
        tc.host2.clear();
        tc.port = timeServer.Port();
        CNtpSetupPage::SetTimeServerForTesting(tc);

        dlg = ConnectBundledClient(dialog, sim->Port());
        ASSERT_NE(dlg, nullptr);
    }
    void TearDown() override
    {
        if (dlg)
            dlg->Close();
        dlg.reset();
        CNtpSetupPage::SetTimeServerForTesting(std::nullopt);
    }
    CNetClient& Net() { return *dlg->m_pNetClient; }

    // Presses Setup and runs `act` inside the window, which must end it.
    bool WithSetup(std::function<void(CRemoteSetupDlg&)> act) { return RunSetupWindow(*dlg, m_bPrompt, act); }

    std::unique_ptr<k5sim::RecorderSim> sim;
    std::unique_ptr<k5sim::SimSetup> setup;
    k5sim::SimTimeServer timeServer;
    std::shared_ptr<FakeConnectDialog> dialog = std::make_shared<FakeConnectDialog>();
    std::unique_ptr<MainWindow> dlg;
    bool m_bPrompt = false;
};

// Shows every view of the page in turn: its tab buttons, pressed where they
// stand, as long as the page stays open; `shown` hears each view.
void ShowEveryView(CRemoteSetupDlg& s, CSetupPage* page, const std::function<void(int tab)>& shown)
{
    const int id = page->TemplateId();
    shown(0);
    for (int tab = 470; tab <= 473; ++tab) {
        if (s.Page(id) != page)
            return;
        for (CSkinTextButton* b : page->findChildren<CSkinTextButton*>())
            if (b->GetDlgCtrlID() == tab && b->isVisible()) {
                Click(b);
                if (s.Page(id) == page)
                    shown(tab);
                break;
            }
    }
}

// The text control `id` of the page shows, or null when it shows nothing
// there.
std::optional<QString> TextOf(QWidget* page, int id)
{
    for (CSkinLabel* l : page->findChildren<CSkinLabel*>())
        if (l->GetDlgCtrlID() == id && l->isVisible())
            return l->GetWindowText();
    for (CSkinEdit* e : page->findChildren<CSkinEdit*>())
        if (e->GetDlgCtrlID() == id && e->isVisible())
            return e->text();
    return std::nullopt;
}

// What a few cells and boxes show on the demo recorder: names and words, not
// numbers standing in for missing entries.
struct Shows
{
    int page;
    int control;
    std::function<QString()> text;
};
const std::vector<Shows>& ShownTexts()
{
    static const std::vector<Shows> shows = {
        {SetupPage::kBasicSetup, 795, [] { return LoadResString(5211); }},
        {SetupPage::kCameraName, 530, [] { return QString::fromStdString(k5sim::DemoCameraName(0)); }},
        {SetupPage::kCameraName, 533, [] { return QString::fromStdString(k5sim::DemoCameraName(3)); }},
        {SetupPage::kMailSetup, 530, [] { return QStringLiteral("security@example.com"); }},
        {SetupPage::kMailSetup, 533, [] { return QStringLiteral("recorder@example.com"); }},
        {SetupPage::kOsdSetup, 793, [] { return LoadResString(5343); }},
    };
    return shows;
}

// The record blocks the recorder's kind edits.
std::vector<RecordBlock> Blocks(const CRemoteSetupDlg& s)
{
    std::vector<RecordBlock> blocks = {PlainRecordBlock(), MotionRecordBlock(), ScheduleRecordBlock()};
    if (s.m_bSubProduct6 == 1)
        for (int p = 0; p < 4; ++p)
            blocks.push_back(SensorProfileBlock(p));
    else
        blocks.push_back(SensorRecordBlock());
    if (s.Caps().subProductMajor == 4)
        blocks.push_back(MotionDualRateBlock(1));
    return blocks;
}

} // namespace

TEST_P(DemoSetupSim, EveryPageOpensOnPlausibleValuesAndOkSendsThemBack)
{
    const Kind& k = kKinds[GetParam()];
    SCOPED_TRACE(k.name);
    Start(k);
    const Bytes served = setup->Image();
    const QString renders = QStringLiteral(K5_BINARY_DIR "/renders");
    QDir().mkpath(renders);
    ASSERT_TRUE(WithSetup([&](CRemoteSetupDlg& s) {
        const std::vector<std::uint8_t> opened(s.Image().Data(), s.Image().Data() + SetupDb::kImageSize);
        std::set<int> seen;
        auto check = [&](CSetupPage* page) {
            ASSERT_NE(page, nullptr);
            const int id = page->TemplateId();
            seen.insert(id);
            for (const Shows& shows : ShownTexts()) {
                if (shows.page == id) {
                    EXPECT_EQ(TextOf(page, shows.control).value_or("(none)").toStdString(),
                              shows.text().toStdString())
                        << "page " << id << ", control " << shows.control;
                }
            }
            ShowEveryView(s, page, [&](int tab) {
                EXPECT_EQ(Changes(opened.data(), s.Image().Data(), opened.size()), "")
                    << "page " << id << ", view " << tab;
                // Renders of the demo's own recorder, the first kind, to look at.
                if (GetParam() == 0)
                    s.grab().save(renders +
                                  QStringLiteral("/demo_%1_%2_%3.png").arg(k.name).arg(id).arg(tab));
            });
        };
        for (int t = 0; t < 4; ++t) {
            Click(&s.m_btnTab[t]);
            CSetupMenuPage* menu = s.Menu(t);
            ASSERT_NE(menu, nullptr) << t;
            for (std::size_t i = 0; i < menu->Plan().size(); ++i) {
                if (menu->Plan()[i].slot < 0)
                    continue;
                Click(&menu->Button(static_cast<int>(i)));
                check(s.CurrentPage());
            }
        }
        for (int id : kSubPages)
            if (!seen.count(id))
                check(s.ShowPage(id));

        for (const RecordBlock& b : Blocks(s)) {
            CRecordBlockModel model(s.Image(), s.Caps(), b);
            const int used = model.UsedUnits({});
            EXPECT_GT(used, 0) << "block " << b.templateId << " profile " << b.profile;
            EXPECT_LE(used, model.Total()) << "block " << b.templateId << " profile " << b.profile;
            for (int ch = 0; ch < model.Channels(); ++ch)
                EXPECT_LE(model.Rate(ch), model.MaxRate()) << "block " << b.templateId << " channel " << ch;
        }
        Click(&s.m_btnOK);
    }));
    const auto updates = setup->Updates();
    ASSERT_EQ(updates.size(), 1u);
    EXPECT_TRUE(updates[0].crcOk);
    const Bytes sent(updates[0].payload.begin() + 4, updates[0].payload.end());
    ASSERT_EQ(sent.size(), served.size());
    EXPECT_EQ(Changes(served.data(), sent.data(), sent.size()), "");
}

INSTANTIATE_TEST_SUITE_P(Kinds, DemoSetupSim,
                         ::testing::Range(0, static_cast<int>(sizeof kKinds / sizeof kKinds[0])));
