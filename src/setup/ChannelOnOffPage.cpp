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
        d.labelWidth = 50;
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

const ChannelOnOffDesc& MailImageDesc()
{
    static const ChannelOnOffDesc desc = [] {
        ChannelOnOffDesc d;
        d.templateId = SetupPage::kMailImage;
        d.field = SetupDb::MailImageAttach;
        d.backCaption = 5583; // Prev
        d.backPage = SetupPage::kEventNotify;
        return d;
    }();
    return desc;
}

const ChannelOnOffDesc& SensorSetupDesc()
{
    static const ChannelOnOffDesc desc = [] {
        ChannelOnOffDesc d;
        d.templateId = SetupPage::kSensorSetup;
        d.field = SetupDb::SensorKind;
        d.thirdCaption = 5243;
        d.thirdValue = 0;
        d.xThird = 75;
        d.offCaption = 5709;
        d.offValue = 1;
        d.xOff = 170;
        d.onCaption = 5710;
        d.onValue = 2;
        d.xOn = 265;
        d.buttonWidth = 95;
        d.buttonBitmap = 2140;
        d.rowLabelText = 5489;
        d.xLabel = 25;
        d.labelWidth = 90;
        // The recorder has four sensor inputs.
        d.shownRows = 4;
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
        m_btnThird[r].setParent(this);
        m_btnThird[r].SetDlgCtrlID(kFirstThirdId + r);
        m_btnThird[r].hide();
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
        ShowRow(r, Image().U8(Offset(r)));
}

void CChannelOnOffPage::ShowRow(int r, int value)
{
    if (!ThreeWay()) {
        SetupCtl::ShowChoice(m_btnOn[r], m_btnOff[r], value == 1);
        return;
    }
    m_btnOn[r].SetState(value == m_desc.onValue ? 1 : 0);
    m_btnOff[r].SetState(value == m_desc.offValue ? 1 : 0);
    m_btnThird[r].SetState(value == m_desc.thirdValue ? 1 : 0);
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
    BuildChannelRows(6, 7 + dy, m_desc.xLabel, 9 + dy, m_desc.labelWidth);
    const QString on = LoadResString(m_desc.onCaption);
    const QString off = LoadResString(m_desc.offCaption);
    const QString third = ThreeWay() ? LoadResString(m_desc.thirdCaption) : QString();
    const QByteArray label =
        m_desc.rowLabelText ? LoadResString(m_desc.rowLabelText).toLatin1() : QByteArray();
    for (int r = 0; r < kRows; ++r) {
        const int y = 6 + dy + SetupCtl::kRowPitch * r;
        SetupCtl::ChoicePair(m_btnOn[r], m_btnOff[r], on, off, m_desc.xOn, m_desc.xOff, y);
        if (ThreeWay())
            SetupCtl::ChoicePair(m_btnThird[r], m_btnThird[r], third, third, m_desc.xThird, m_desc.xThird, y);
        const bool shown = r < m_nChannelCount && r < m_desc.shownRows;
        for (CSkinTextButton* b : {&m_btnOn[r], &m_btnOff[r], &m_btnThird[r]}) {
            if (m_desc.buttonBitmap != 0)
                b->SetBitmap(static_cast<UINT>(m_desc.buttonBitmap));
            b->resize(m_desc.buttonWidth, 17);
            b->setVisible(shown && (b != &m_btnThird[r] || ThreeWay()));
        }
        if (m_desc.rowLabelText != 0)
            m_rowLabel[r].SetText(QString::asprintf("%s%02d", label.constData(), r + 1));
        m_rowCheck[r].setVisible(shown);
        m_rowLabel[r].setVisible(shown);
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
    if (ThreeWay() && id >= kFirstThirdId && id < kFirstThirdId + kRows) {
        OnRowThird(id - kFirstThirdId);
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
        ShowRow(row, value);
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
