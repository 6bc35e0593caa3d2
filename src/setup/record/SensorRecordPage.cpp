#include "setup/record/SensorRecordPage.h"

#include "setup/RemoteSetupDlg.h"
#include "setup/SetupPageIds.h"
#include "setup/record/ResIdsRecord.h"
#include "setup/record/ResIdsSensorPages.h"
#include "ui/SkinDraw.h"
#include "ui/UiMessages.h"

namespace {
constexpr int kTextSensor = IDS_SENSOR_TAB;
constexpr int kTextPreset = IDS_PRESET_ACTION_PRESET;
constexpr COLORREF kProfileText = 0x783C3C;
} // namespace

SensorTabLayout SensorTabLayoutFor(const RecorderCaps& caps)
{
    if (caps.hasConnection && caps.subProduct6)
        return SensorTabLayout::Profile;
    if (caps.hasConnection && caps.helloFlag2)
        return SensorTabLayout::Four;
    return SensorTabLayout::Three;
}

std::vector<RecordTabSpec> SensorRecordTabs(SensorTabLayout layout)
{
    switch (layout) {
    case SensorTabLayout::Profile:
        return {{473, IDB_RECORD_TAB4_FIRST, 2, 100, IDS_RECORD_SET},
                {470, IDB_RECORD_TAB4_FIRST + 1, 102, 100, IDS_RECORD_TAB_RESOLUTION},
                {471, IDB_RECORD_TAB4_FIRST + 1, 202, 100, IDS_RECORD_TAB_RATE},
                {472, IDB_RECORD_TAB4_LAST, 302, 100, IDS_RECORD_TAB_AUDIO}};
    case SensorTabLayout::Four:
        return FourRecordTabs(IDS_RECORD_TAB_RATE, kTextSensor);
    case SensorTabLayout::Three:
    default:
        return ThreeRecordTabs();
    }
}

const RecordPageDesc& SensorRecordDesc()
{
    static const RecordPageDesc d = [] {
        RecordPageDesc desc;
        desc.block = SensorRecordBlock();
        desc.tabs = ThreeRecordTabs();
        desc.button482Caption = kTextPreset;
        desc.button482Page = SetupPage::kAlarmPreset;
        return desc;
    }();
    return d;
}

CSensorRecordPage::CSensorRecordPage() : CRecordPage(SensorRecordDesc())
{
    m_btnPrev.setParent(this);
    m_btnPrev.SetDlgCtrlID(kPrevId);
    m_btnPrev.hide();
    m_btnNext.setParent(this);
    m_btnNext.SetDlgCtrlID(kNextId);
    m_btnNext.hide();
    m_lblProfile.setParent(this);
    m_lblProfile.SetDlgCtrlID(kProfileLabelId);
    m_lblProfile.hide();
}

void CSensorRecordPage::BuildExtra()
{
    m_layout = SensorTabLayoutFor(Caps());
    if (m_layout != SensorTabLayout::Three) {
        // The family built three tabs; the recorder asks for four.
        std::vector<CSetupTabBar::Tab> tabs;
        for (const RecordTabSpec& t : SensorRecordTabs(m_layout))
            tabs.push_back({t.id, t.bitmap, QRect(t.x, 0, t.width, 24), LoadResString(t.caption)});
        m_tabs.Build(this, tabs);
    }
    // The profiles follow the window's copy of the connection's flag, which
    // holds for the window's life.
    m_bProfileMode = m_pSetupDlg && m_pSetupDlg->m_bSubProduct6 != 0;
    m_nProfile = 0;
    if (m_bProfileMode)
        Model().SetBlock(SensorProfileBlock(m_nProfile));

    // Preset: images later than 4.0 only.
    m_btn482.setGeometry(305, 396, 97, 22);
    m_btn482.setVisible(Version().LaterThan(4, 0));

    const bool profiles = m_layout == SensorTabLayout::Profile;
    if (profiles) {
        m_btnPrev.SetBitmap(IDB_PROFILE_PREV);
        m_btnPrev.setGeometry(4, 396, 30, 22);
        m_btnNext.SetBitmap(IDB_PROFILE_NEXT);
        m_btnNext.setGeometry(170, 396, 30, 22);
        m_lblProfile.SetNotify(false);
        m_lblProfile.SetLabelStyle(kProfileText, kProfileText, 0, 0, true, 9, "Arial Bold");
        // Dark text on the page's own colour, ending with the page's last row.
        m_lblProfile.SetBkColor(SetupCtl::kPageColour);
        m_lblProfile.setGeometry(42, 401, 120, kProfileLabelHeight);
        ShowProfile(m_nProfile);
    }
    m_btnPrev.setVisible(profiles);
    m_btnNext.setVisible(profiles);
    m_lblProfile.setVisible(profiles);
    // The first view is the family's Resolution view in every layout: the
    // sensor tab's hand-over would destroy the page while it is being made.
}

void CSensorRecordPage::ShowProfile(int profile)
{
    const QString sensor = LoadResString(kTextSensor);
    m_lblProfile.hide();
    m_lblProfile.SetText(QString::asprintf("%s : %d profile", sensor.toLatin1().constData(), profile + 1));
    m_lblProfile.show();
}

void CSensorRecordPage::OnFourthTab()
{
    // Writes nothing; the opener destroys this page.
    if (m_pSetupDlg)
        m_pSetupDlg->ShowPage(SetupPage::kSensorLink);
}

void CSensorRecordPage::OnRateTab()
{
    CRecordPage::OnRateTab();
    if (m_bProfileMode) {
        m_btnAllCheck.hide();
        m_btnReturnAll.hide();
    }
}

void CSensorRecordPage::OnPrevProfile()
{
    SwitchProfile(m_nProfile - 1 < 0 ? kProfiles - 1 : m_nProfile - 1);
}

void CSensorRecordPage::OnNextProfile()
{
    SwitchProfile(m_nProfile + 1 >= kProfiles ? 0 : m_nProfile + 1);
}

void CSensorRecordPage::SwitchProfile(int profile)
{
    // Only the view changes: the switch itself writes nothing.
    m_nProfile = profile;
    Model().SetBlock(SensorProfileBlock(m_nProfile));
    ShowProfile(m_nProfile);
    switch (m_nCurTab) {
    case kRateTab:
        OnRateTab();
        break;
    case kAudioTab:
        OnAudioTab();
        break;
    default:
        OnResolutionTab();
        break;
    }
}

bool CSensorRecordPage::OnCommand(int id, WORD code)
{
    if (code == BN_CLICKED && m_bProfileMode && id == kPrevId) {
        OnPrevProfile();
        return true;
    }
    if (code == BN_CLICKED && m_bProfileMode && id == kNextId) {
        OnNextProfile();
        return true;
    }
    return CRecordPage::OnCommand(id, code);
}
