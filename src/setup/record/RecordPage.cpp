#include "setup/record/RecordPage.h"

#include "setup/RemoteSetupDlg.h"
#include "setup/ResIds.h"
#include "setup/SetupPageIds.h"
#include "setup/record/RecordBudget.h"
#include "setup/record/ResIdsRecord.h"
#include "ui/SkinDraw.h"
#include "ui/UiMessages.h"

#include <algorithm>
#include <iterator>

namespace {

// The resolution buttons share the look of the On/Off pairs.
constexpr COLORREF kRowButtonText[4] = {0xEBE8E6, 0xFFFFFF, 0x62EBF1, 0xB3B9BE};
constexpr COLORREF kRateLabelText = 0x783C3C;

int RowY(int base, int r)
{
    return base + SetupCtl::kRowPitch * r;
}

void RowButton(CSkinTextButton& b, const QString& caption, int x, int y)
{
    b.SetBitmap(IDB_SETUP_CHOICE_RIGHT);
    b.SetFont(9, 0, 700, "Arial Bold");
    std::copy(std::begin(kRowButtonText), std::end(kRowButtonText), b.m_crText);
    b.SetText(38, caption, false);
    b.setGeometry(x, y, 100, 17);
}

} // namespace

std::vector<RecordTabSpec> ThreeRecordTabs()
{
    return {{470, 2252, 2, 133, IDS_RECORD_TAB_RESOLUTION},
            {471, 2253, 135, 133, IDS_RECORD_TAB_RATE},
            {472, 2254, 268, 133, IDS_RECORD_TAB_AUDIO}};
}

std::vector<RecordTabSpec> FourRecordTabs(int secondCaption, int fourthCaption)
{
    return {{470, 2255, 2, 100, IDS_RECORD_TAB_RESOLUTION},
            {471, 2256, 102, 100, secondCaption},
            {472, 2256, 202, 100, IDS_RECORD_TAB_AUDIO},
            {473, 2257, 302, 100, fourthCaption}};
}

const RecordPageDesc& PlainRecordDesc()
{
    static const RecordPageDesc d = [] {
        RecordPageDesc desc;
        desc.block = PlainRecordBlock();
        desc.tabs = ThreeRecordTabs();
        return desc;
    }();
    return d;
}

const RecordPageDesc& ScheduleRecordDesc()
{
    static const RecordPageDesc d = [] {
        RecordPageDesc desc;
        desc.block = ScheduleRecordBlock();
        desc.tabs = ThreeRecordTabs();
        desc.button482Caption = IDS_RECORD_SET;
        desc.button482Page = SetupPage::kWeeklySchedule;
        return desc;
    }();
    return d;
}

CRecordPage::CRecordPage(const RecordPageDesc& desc)
    : CSetupPage(desc.block.templateId, desc.background), m_desc(desc)
{
    for (int r = 0; r < kRows; ++r) {
        const std::pair<QWidget*, int> controls[] = {
            {&m_arrSlider[r], kSliderFirstId + r},   {&m_arrRateLabel[r], kRateLabelFirstId + r},
            {&m_arr4CifButton[r], k4CifFirstId + r}, {&m_arr2CifButton[r], k2CifFirstId + r},
            {&m_arrCifButton[r], kCifFirstId + r},   {&m_arrOnButton[r], kOnFirstId + r},
            {&m_arrOffButton[r], kOffFirstId + r}};
        for (const auto& [w, id] : controls) {
            w->setParent(this);
            w->hide();
        }
        m_arrSlider[r].SetDlgCtrlID(kSliderFirstId + r);
        m_arrRateLabel[r].SetDlgCtrlID(kRateLabelFirstId + r);
        m_arr4CifButton[r].SetDlgCtrlID(k4CifFirstId + r);
        m_arr2CifButton[r].SetDlgCtrlID(k2CifFirstId + r);
        m_arrCifButton[r].SetDlgCtrlID(kCifFirstId + r);
        m_arrOnButton[r].SetDlgCtrlID(kOnFirstId + r);
        m_arrOffButton[r].SetDlgCtrlID(kOffFirstId + r);
    }
    m_btn482.setParent(this);
    m_btn482.SetDlgCtrlID(kButton482Id);
    m_btn482.hide();
}

CRecordPage::~CRecordPage() = default;

void CRecordPage::BuildPage()
{
    m_model = std::make_unique<CRecordBlockModel>(Image(), Caps(), m_desc.block);
    m_fpsText = LoadResString(IDS_RECORD_FPS);

    std::vector<CSetupTabBar::Tab> tabs;
    for (const RecordTabSpec& t : m_desc.tabs)
        tabs.push_back({t.id, t.bitmap, QRect(t.x, 0, t.width, 24), LoadResString(t.caption)});
    m_tabs.Build(this, tabs);

    BuildChannelRows(6, 30, 28, 32, 50, true);
    const QString res[3] = {LoadResString(IDS_RECORD_4CIF), LoadResString(IDS_RECORD_2CIF),
                            LoadResString(IDS_RECORD_CIF)};
    const QString on = LoadResString(IDS_SETUP_ON);
    const QString off = LoadResString(IDS_SETUP_OFF);
    for (int r = 0; r < kRows; ++r) {
        CSkinSlider& s = m_arrSlider[r];
        s.EnableFocusRect(true, false);
        s.SetMargin(0, 0, 0, 0);
        s.setGeometry(103, RowY(33, r), 190, 9);

        CSkinLabel& l = m_arrRateLabel[r];
        l.SetBitmap(0, IDB_SETUP_VALUE_CELL);
        l.SetStyle(kRateLabelText, kRateLabelText, 0, 0, true, 9, "Arial Bold");
        l.setGeometry(315, RowY(31, r), 72, 14);

        RowButton(m_arr4CifButton[r], res[0], 90, RowY(29, r));
        RowButton(m_arr2CifButton[r], res[1], 191, RowY(29, r));
        RowButton(m_arrCifButton[r], res[2], 292, RowY(29, r));

        SetupCtl::ChoicePair(m_arrOnButton[r], m_arrOffButton[r], on, off, 135, 236, RowY(29, r));
        m_arrOnButton[r].hide();
        m_arrOffButton[r].hide();
    }
    if (m_desc.button482Page != 0 || m_desc.button482Caption != 0)
        SetupCtl::CommandButton(m_btn482, LoadResString(m_desc.button482Caption), 304);
    BuildExtra();
    ShowFirstView();
}

bool CRecordPage::PerChannelAudio() const
{
    return m_pSetupDlg && m_pSetupDlg->m_bSubProduct6 != 0;
}

bool CRecordPage::IsAudioInput(int ch) const
{
    return m_pSetupDlg ? m_pSetupDlg->IsAudioInputChannel(ch) : true;
}

void CRecordPage::SelectTab(int tabId, int tab)
{
    m_tabs.Show(m_tabs.IndexOf(tabId));
    m_nCurTab = tab;
    for (int r = 0; r < m_nChannelCount; ++r) {
        m_rowCheck[r].setEnabled(true);
        m_arrSlider[r].setEnabled(true);
    }
}

void CRecordPage::SetRateLabel(int row, int rate)
{
    m_arrRateLabel[row].SetText(QStringLiteral("%1 %2").arg(rate).arg(m_fpsText));
}

void CRecordPage::ShowResolutionButtons(int row, int value)
{
    const int shown = RecordBudget::ShownResolution(value);
    m_arr4CifButton[row].SetState(shown == RecordBudget::k4Cif ? 1 : 0);
    m_arr2CifButton[row].SetState(shown == RecordBudget::k2Cif ? 1 : 0);
    m_arrCifButton[row].SetState(shown == RecordBudget::kCif ? 1 : 0);
}

void CRecordPage::OnResolutionTab()
{
    SelectTab(470, kResolutionTab);
    for (int r = 0; r < m_nChannelCount; ++r) {
        m_arrSlider[r].hide();
        m_arrRateLabel[r].hide();
        m_arrOnButton[r].hide();
        m_arrOffButton[r].hide();
        m_rowCheck[r].SetCheck(0);
        ShowResolutionButtons(r, m_model->Resolution(r));
        // One row of buttons stands for every channel.
        m_rowCheck[r].hide();
        m_rowLabel[r].hide();
        m_arr4CifButton[r].setVisible(r == 0);
        m_arr2CifButton[r].setVisible(r == 0);
        m_arrCifButton[r].setVisible(r == 0);
    }
    m_btnAllCheck.hide();
    m_btnReturnAll.hide();
}

void CRecordPage::OnRateTab()
{
    SelectTab(471, kRateTab);
    CRecordBlockModel& model = *m_model;
    for (int r = 0; r < m_nChannelCount; ++r) {
        m_arr4CifButton[r].hide();
        m_arr2CifButton[r].hide();
        m_arrCifButton[r].hide();
        m_arrOnButton[r].hide();
        m_arrOffButton[r].hide();
        m_rowCheck[r].SetCheck(0);
        CSkinSlider& s = m_arrSlider[r];
        s.SetChannelBitmaps(IDB_RECORD_SLIDER_CHANNEL, IDB_RECORD_SLIDER_ACTIVE, false, 0xFF000000, 0, 0);
        s.SetRange(0, model.MaxRate(), false);
        s.SetPos(model.Rate(r));
        SetRateLabel(r, s.GetPos());
        m_rowCheck[r].show();
        m_rowLabel[r].show();
        s.show();
        m_arrRateLabel[r].show();
    }
    for (int r : model.LockRates()) {
        m_rowCheck[r].SetCheck(0);
        m_rowCheck[r].setEnabled(false);
        m_arrSlider[r].SetPos(0);
        m_arrSlider[r].setEnabled(false);
        SetRateLabel(r, 0);
    }
    m_btnAllCheck.show();
    m_btnReturnAll.show();
    if (model.GroupMode()) {
        for (int r = 0; r < kRows; ++r)
            m_rowCheck[r].hide();
        m_btnAllCheck.hide();
        m_btnReturnAll.hide();
    }
}

void CRecordPage::OnAudioTab()
{
    SelectTab(472, kAudioTab);
    CRecordBlockModel& model = *m_model;
    const bool perChannel = PerChannelAudio();
    const std::vector<bool> enabled =
        model.NormaliseAudio(perChannel, [this](int ch) { return IsAudioInput(ch); });
    auto showPair = [&](int r) {
        if (enabled[static_cast<size_t>(r)]) {
            m_arrOnButton[r].Enable(true);
            m_arrOffButton[r].Enable(true);
            SetupCtl::ShowChoice(m_arrOnButton[r], m_arrOffButton[r], model.Audio(r) == 1);
        } else {
            SetupCtl::ShowChoice(m_arrOnButton[r], m_arrOffButton[r], false);
            m_arrOnButton[r].Enable(false);
            m_arrOffButton[r].Enable(false);
        }
        m_arrOnButton[r].show();
        m_arrOffButton[r].show();
    };
    if (!perChannel) {
        for (int r = 0; r < kRows; ++r) {
            m_rowCheck[r].SetCheck(0);
            for (QWidget* w :
                 std::initializer_list<QWidget*>{&m_rowCheck[r], &m_rowLabel[r], &m_arr4CifButton[r],
                                                 &m_arr2CifButton[r], &m_arrCifButton[r], &m_arrSlider[r],
                                                 &m_arrRateLabel[r], &m_arrOnButton[r], &m_arrOffButton[r]})
                w->hide();
        }
        if (m_nChannelCount > 0)
            showPair(0);
    } else {
        for (int r = 0; r < m_nChannelCount; ++r) {
            m_rowCheck[r].SetCheck(0);
            m_rowCheck[r].show();
            m_rowLabel[r].show();
            m_arr4CifButton[r].hide();
            m_arr2CifButton[r].hide();
            m_arrCifButton[r].hide();
            m_arrSlider[r].hide();
            m_arrRateLabel[r].hide();
            showPair(r);
        }
        for (int r = 0; r < m_nChannelCount; ++r) {
            if (model.Locked(r)) {
                m_rowCheck[r].SetCheck(0);
                m_rowCheck[r].setEnabled(false);
                SetupCtl::ShowChoice(m_arrOnButton[r], m_arrOffButton[r], false);
                m_arrOnButton[r].Enable(false);
                m_arrOffButton[r].Enable(false);
            }
            if (!model.Records(r)) {
                m_rowCheck[r].SetCheck(0);
                m_rowCheck[r].setEnabled(false);
            }
        }
    }
    m_btnAllCheck.hide();
    m_btnReturnAll.hide();
}

void CRecordPage::OnAllCheck()
{
    for (int r = 0; r < m_nChannelCount; ++r) {
        bool allowed = true;
        if (m_nCurTab == kRateTab)
            allowed = m_model->CanCheckOnRateView(r);
        else if (m_nCurTab == kAudioTab)
            allowed = m_model->CanCheckOnAudioView(r);
        if (allowed)
            m_rowCheck[r].SetCheck(1);
    }
}

ChannelRows CRecordPage::CheckedRows()
{
    ChannelRows rows(m_nChannelCount);
    for (int r = 0; r < m_nChannelCount; ++r)
        rows.SetChecked(r, m_rowCheck[r].GetCheck() == 1);
    return rows;
}

void CRecordPage::SetResolution(int value, int)
{
    for (int r = 0; r < m_nChannelCount; ++r)
        ShowResolutionButtons(r, value);
    m_model->SetResolution(value);
}

void CRecordPage::SetRowAudio(int row, int value)
{
    const std::vector<int> targets = m_model->SwitchTargets(row, CheckedRows(), false);
    const std::vector<int> written =
        m_model->SwitchAudio(targets, value, PerChannelAudio(), [this](int ch) { return IsAudioInput(ch); });
    for (int r : written)
        SetupCtl::ShowChoice(m_arrOnButton[r], m_arrOffButton[r], value == 1);
}

void CRecordPage::OnRateSliderMoved(int sliderId, int)
{
    if (m_model->GroupedHandler())
        ApplyRateGrouped(sliderId);
    else
        ApplyRate(sliderId);
}

void CRecordPage::ApplyRate(int sliderId)
{
    ApplyMove(sliderId, false);
}

void CRecordPage::ApplyRateGrouped(int sliderId)
{
    ApplyMove(sliderId, true);
}

void CRecordPage::ApplyMove(int sliderId, bool grouped)
{
    const int c = sliderId - kSliderFirstId;
    if (c < 0 || c >= m_nChannelCount)
        return;
    const CRecordBlockModel::RateMove move =
        m_model->MoveRate(c, m_arrSlider[c].GetPos(), CheckedRows(), grouped);
    for (int ch : move.channels) {
        m_arrSlider[ch].SetPos(move.rate);
        SetRateLabel(ch, move.rate);
        if (move.rate == 0) {
            m_arrOnButton[ch].Enable(false);
            m_arrOffButton[ch].Enable(false);
        } else {
            m_rowCheck[ch].setEnabled(true);
            m_arrOnButton[ch].Enable(true);
            m_arrOffButton[ch].Enable(true);
        }
    }
}

void CRecordPage::OnButton482()
{
    if (m_pSetupDlg && m_desc.button482Page != 0)
        // The opener destroys this page; nothing of it is touched afterwards.
        m_pSetupDlg->ShowPage(m_desc.button482Page);
}

bool CRecordPage::OnCommand(int id, WORD code)
{
    if (code != BN_CLICKED)
        return false;
    switch (id) {
    case 470:
        OnResolutionTab();
        return true;
    case 471:
        OnRateTab();
        return true;
    case 472:
        OnAudioTab();
        return true;
    case 473:
        OnFourthTab();
        return true;
    case kButton482Id:
        OnButton482();
        return true;
    default:
        break;
    }
    if (id >= k4CifFirstId && id < k4CifFirstId + kRows) {
        SetResolution(RecordBudget::k4Cif, id - k4CifFirstId);
        return true;
    }
    if (id >= k2CifFirstId && id < k2CifFirstId + kRows) {
        SetResolution(RecordBudget::k2Cif, id - k2CifFirstId);
        return true;
    }
    if (id >= kCifFirstId && id < kCifFirstId + kRows) {
        SetResolution(RecordBudget::kCif, id - kCifFirstId);
        return true;
    }
    if (id >= kOnFirstId && id < kOnFirstId + kRows) {
        SetRowOn(id - kOnFirstId);
        return true;
    }
    if (id >= kOffFirstId && id < kOffFirstId + kRows) {
        SetRowOff(id - kOffFirstId);
        return true;
    }
    return false;
}

LRESULT CRecordPage::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_SLIDER_MOVED) {
        const int id = static_cast<int>(wParam);
        if (id >= kSliderFirstId && id < kSliderFirstId + kRows && m_model)
            OnRateSliderMoved(id, static_cast<int>(lParam));
        return 0;
    }
    return CSetupPage::WindowProc(msg, wParam, lParam);
}
