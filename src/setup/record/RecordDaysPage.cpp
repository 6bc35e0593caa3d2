#include "setup/record/RecordDaysPage.h"

#include "setup/SetupPageIds.h"
#include "setup/record/ResIdsRecord.h"
#include "ui/SkinDraw.h"

#include "platform/Skin.h"

#include <QPainter>

const RecordPageDesc& RecordDaysDesc()
{
    static const RecordPageDesc d = [] {
        RecordPageDesc desc;
        desc.block = RecordDaysBlock();
        desc.tabs = FourRecordTabs(IDS_RECORD_TAB_RECORD, IDS_RECORD_DAYS);
        return desc;
    }();
    return d;
}

CRecordDaysPage::CRecordDaysPage() : CRecordPage(RecordDaysDesc()) {}

void CRecordDaysPage::BeginTab(int tabId, int tab)
{
    SelectTab(tabId, tab);
    // The Days tab has a background of its own.
    SetBackground(tab == kFourthTab ? IDB_RECORD_BACK_DAYS : IDB_RECORD_BACK);
    if (tab == kFourthTab)
        return;
    for (int r = 0; r < m_nChannelCount; ++r) {
        m_arrOnButton[r].Enable(true);
        m_arrOffButton[r].Enable(true);
    }
    DaysSlider().hide();
    DaysLabel().hide();
}

void CRecordDaysPage::OnResolutionTab()
{
    BeginTab(470, kResolutionTab);
    CRecordPage::OnResolutionTab();
}

void CRecordDaysPage::OnRecordTab()
{
    BeginTab(471, kRateTab);
    CRecordBlockModel& model = Model();
    for (int r = 0; r < m_nChannelCount; ++r) {
        m_arr4CifButton[r].hide();
        m_arr2CifButton[r].hide();
        m_arrCifButton[r].hide();
        m_rowCheck[r].SetCheck(0);
        m_rowCheck[r].setEnabled(true);
        SetupCtl::ShowChoice(m_arrOnButton[r], m_arrOffButton[r], model.RecordOn(r) == 1);
        m_rowCheck[r].show();
        m_rowLabel[r].show();
        m_arrOnButton[r].show();
        m_arrOffButton[r].show();
    }
    m_btnAllCheck.show();
    m_btnReturnAll.show();
    for (int r : model.LockRecordSwitches()) {
        m_rowCheck[r].SetCheck(0);
        m_rowCheck[r].setEnabled(false);
        SetupCtl::ShowChoice(m_arrOnButton[r], m_arrOffButton[r], false);
        m_arrOnButton[r].Enable(false);
        m_arrOffButton[r].Enable(false);
    }
    if (model.GroupMode()) {
        for (int r = 0; r < kRows; ++r)
            m_rowCheck[r].hide();
        m_btnAllCheck.hide();
        m_btnReturnAll.hide();
    }
}

void CRecordDaysPage::OnAudioTab()
{
    BeginTab(472, kAudioTab);
    CRecordPage::OnAudioTab();
}

void CRecordDaysPage::OnDaysTab()
{
    BeginTab(473, kFourthTab);
    for (int r = 0; r < m_nChannelCount; ++r) {
        m_rowCheck[r].hide();
        m_rowLabel[r].hide();
        m_arr4CifButton[r].hide();
        m_arr2CifButton[r].hide();
        m_arrCifButton[r].hide();
        m_arrOnButton[r].hide();
        m_arrOffButton[r].hide();
        m_arrSlider[r].hide();
        m_arrRateLabel[r].hide();
    }
    CSkinSlider& s = DaysSlider();
    s.SetChannelBitmaps(IDB_RECORD_SLIDER_CHANNEL, IDB_RECORD_SLIDER_ACTIVE, false, 0xFF000000, 0, 0);
    s.SetRange(0, 90, false);
    s.SetPos(static_cast<int>(Image().Get(SetupDb::DaysValue)));
    SetDaysLabel(s.GetPos());
    s.setEnabled(true);
    s.show();
    DaysLabel().show();
    m_btnAllCheck.hide();
    m_btnReturnAll.hide();
}

void CRecordDaysPage::SetDaysLabel(int days)
{
    DaysLabel().SetText(QStringLiteral("%1 %2").arg(days).arg(LoadResString(IDS_RECORD_DAYS)));
}

void CRecordDaysPage::OnRateSliderMoved(int sliderId, int)
{
    if (m_nCurTab != kFourthTab || sliderId != kSliderFirstId)
        return;
    const int days = SnapRecordDays(DaysSlider().GetPos());
    DaysSlider().SetPos(days);
    SetDaysLabel(days);
    ImageRef image = Image();
    image.Set(SetupDb::DaysValue, static_cast<std::uint32_t>(days));
}

void CRecordDaysPage::SetRowSwitch(int row, int value)
{
    CRecordBlockModel& model = Model();
    const std::vector<int> targets = model.SwitchTargets(row, CheckedRows(), true);
    if (m_nCurTab == kRateTab) {
        for (int r : targets)
            SetupCtl::ShowChoice(m_arrOnButton[r], m_arrOffButton[r], value == 1);
        model.SetRecordOn(targets, value);
        return;
    }
    // On the Audio tab a group or checked row that cannot carry audio keeps
    // its 0 (see the model).
    const std::vector<int> written =
        model.SwitchAudio(targets, value, PerChannelAudio(), [this](int ch) { return IsAudioInput(ch); });
    for (int r : written)
        SetupCtl::ShowChoice(m_arrOnButton[r], m_arrOffButton[r], value == 1);
}

void CRecordDaysPage::DrawExtra(QPainter& p)
{
    if (m_nCurTab != kFourthTab)
        return;
    p.setPen(fromColorRef(0xC3C300));
    p.setFont(font());
    const int flags = Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine;
    p.drawText(QRect(0, 180, 403, 20), flags, LoadResString(IDS_RECORD_DAYS_LINE1));
    p.drawText(QRect(0, 205, 403, 20), flags, LoadResString(IDS_RECORD_DAYS_LINE2));
}
