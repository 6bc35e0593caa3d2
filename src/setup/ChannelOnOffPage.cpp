#include "setup/ChannelOnOffPage.h"

#include "setup/RemoteSetupDlg.h"
#include "setup/SetupControls.h"
#include "setup/SetupPageIds.h"
#include "setup/SystemRules.h"
#include "setup/record/ResIdsRecord.h"
#include "setup/record/ResIdsSensorPages.h"
#include "ui/SkinDraw.h"
#include "ui/UiMessages.h"

#include <algorithm>

const ChannelOnOffDesc& CameraCovertDesc()
{
    static const ChannelOnOffDesc desc = [] {
        ChannelOnOffDesc d;
        d.templateId = SetupPage::kCameraCovert;
        d.background = 1721;
        d.field = SetupDb::Covert;
        return d;
    }();
    return desc;
}

const ChannelOnOffDesc& SensorLinkDesc()
{
    static const ChannelOnOffDesc desc = [] {
        ChannelOnOffDesc d;
        d.templateId = SetupPage::kSensorLink;
        d.background = IDB_RECORD_BACK;
        d.field = SetupDb::SensorLink;
        d.rowOffsetY = 23;
        d.tabCount = 4;
        d.tabCaption = IDS_SENSOR_TAB;
        d.backCaption = IDS_PAGE_BACK;
        d.backPage = SetupPage::kSensorRecord;
        return d;
    }();
    return desc;
}

const ChannelOnOffDesc& AccountChannelDesc()
{
    static const ChannelOnOffDesc desc = [] {
        ChannelOnOffDesc d;
        d.templateId = SetupPage::kAccountChannel;
        d.background = 1721;
        d.field = SetupDb::UserLiveChannel;
        d.recordFromArgs = true;
        d.backCaption = 5583;
        d.backPage = SetupPage::kClientAccount;
        d.backWithArgs = true;
        d.canEdit = CanEditLiveChannels;
        return d;
    }();
    return desc;
}

CChannelOnOffPage::CChannelOnOffPage(const ChannelOnOffDesc& desc)
    : CSetupPage(desc.templateId, desc.background), m_desc(desc)
{
    for (int r = 0; r < kRows; ++r) {
        m_btnOn[r].setParent(this);
        m_btnOn[r].SetDlgCtrlID(kFirstOnId + r);
        m_btnOn[r].hide();
        m_btnOff[r].setParent(this);
        m_btnOff[r].SetDlgCtrlID(kFirstOffId + r);
        m_btnOff[r].hide();
    }
    m_btnBack.setParent(this);
    m_btnBack.SetDlgCtrlID(kBackId);
    m_btnBack.hide();
}

std::uint32_t CChannelOnOffPage::Offset(int channel) const
{
    if (m_desc.tabCount > 0)
        return m_desc.field.At(static_cast<std::uint32_t>(m_nTab)) + static_cast<std::uint32_t>(channel);
    if (!m_desc.recordFromArgs)
        return m_desc.field.At(static_cast<std::uint32_t>(channel));
    const int record = std::clamp(Args().a, 0, static_cast<int>(m_desc.field.count) - 1);
    return m_desc.field.At(static_cast<std::uint32_t>(record)) + static_cast<std::uint32_t>(channel);
}

bool CChannelOnOffPage::RowIsOn(int r) const
{
    return Image().U8(Offset(r)) == 1;
}

void CChannelOnOffPage::ShowRows()
{
    for (int r = 0; r < m_nChannelCount; ++r)
        SetupCtl::ShowChoice(m_btnOn[r], m_btnOff[r], RowIsOn(r));
}

bool CChannelOnOffPage::CanEdit() const
{
    return m_desc.canEdit == nullptr || m_desc.canEdit(Caps());
}

void CChannelOnOffPage::BuildPage()
{
    const int dy = m_desc.rowOffsetY;
    const int tabs = std::clamp(m_desc.tabCount, 0, std::min(4, static_cast<int>(m_desc.field.count)));
    if (tabs > 0) {
        const QString caption = LoadResString(m_desc.tabCaption);
        std::vector<CSetupTabBar::Tab> bar;
        for (int t = 0; t < tabs; ++t) {
            // The first and last tabs have their own ends.
            const int bitmap = t == 0          ? IDB_RECORD_TAB4_FIRST
                               : t == tabs - 1 ? IDB_RECORD_TAB4_LAST
                                               : IDB_RECORD_TAB4_FIRST + 1;
            bar.push_back({kFirstTabId + t, bitmap, QRect(2 + 100 * t, 0, 100, 24),
                           QString::asprintf("%s %d", caption.toLatin1().constData(), t + 1)});
        }
        m_tabs.Build(this, bar);
        m_tabs.Show(0);
    }
    BuildChannelRows(6, 7 + dy, 28, 9 + dy);
    const QString on = LoadResString(m_desc.onCaption);
    const QString off = LoadResString(m_desc.offCaption);
    for (int r = 0; r < kRows; ++r) {
        const int y = 6 + dy + SetupCtl::kRowPitch * r;
        SetupCtl::ChoicePair(m_btnOn[r], m_btnOff[r], on, off, 135, 236, y);
        m_btnOn[r].setVisible(r < m_nChannelCount);
        m_btnOff[r].setVisible(r < m_nChannelCount);
    }
    ShowRows();
    if (m_desc.backPage != 0)
        SetupCtl::CommandButton(m_btnBack, LoadResString(m_desc.backCaption), 304);
}

bool CChannelOnOffPage::OnCommand(int id, WORD code)
{
    if (code != BN_CLICKED)
        return false;
    if (const int t = m_tabs.IndexOf(id); t >= 0) {
        SelectTab(t);
        return true;
    }
    if (id >= kFirstOnId && id < kFirstOnId + kRows) {
        OnRowOn(id - kFirstOnId);
        return true;
    }
    if (id >= kFirstOffId && id < kFirstOffId + kRows) {
        OnRowOff(id - kFirstOffId);
        return true;
    }
    if (id == kBackId && m_desc.backPage != 0) {
        OnBack();
        return true;
    }
    return false;
}

void CChannelOnOffPage::SetRows(int r, int value)
{
    if (!CanEdit())
        return;
    ImageRef image = Image();
    for (int row : RowTargets(r)) {
        SetupCtl::ShowChoice(m_btnOn[row], m_btnOff[row], value == 1);
        image.SetU8(Offset(row), static_cast<std::uint8_t>(value));
    }
}

void CChannelOnOffPage::SelectTab(int t)
{
    if (t < 0 || t >= m_tabs.Count())
        return;
    m_nTab = t;
    m_tabs.Show(t);
    // Checks belong to one record's rows; even the shown tab pressed again
    // starts unchecked.
    for (int r = 0; r < kRows; ++r)
        m_rowCheck[r].SetCheck(0);
    ShowRows();
}

void CChannelOnOffPage::OnBack()
{
    if (!m_pSetupDlg || m_desc.backPage == 0)
        return;
    // The opener destroys this page; nothing of it is touched afterwards.
    m_pSetupDlg->ShowPage(m_desc.backPage,
                          m_desc.backWithArgs ? SetupPageArgs{1, Args().a} : SetupPageArgs{});
}

void CChannelOnOffPage::OnAllCheck()
{
    if (CanEdit())
        CSetupPage::OnAllCheck();
}

void CChannelOnOffPage::OnReturnAll()
{
    if (CanEdit())
        CSetupPage::OnReturnAll();
}
