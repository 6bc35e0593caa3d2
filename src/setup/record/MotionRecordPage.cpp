#include "setup/record/MotionRecordPage.h"

#include "setup/RemoteSetupDlg.h"
#include "setup/SetupPageIds.h"
#include "setup/record/ResIdsRecord.h"
#include "setup/record/ResIdsSensorPages.h"
#include "setup/record/Sensitivity.h"
#include "ui/SkinDraw.h"

namespace {
constexpr int kTextMotion = 5131;
constexpr int kTextNormal = 6050;
constexpr int kSensitivityTab = 3;
} // namespace

const RecordPageDesc& MotionRecordDesc()
{
    static const RecordPageDesc d = [] {
        RecordPageDesc desc;
        desc.block = MotionRecordBlock();
        desc.tabs = FourRecordTabs(IDS_RECORD_TAB_RATE, IDS_RECORD_TAB_SENSITIVITY);
        desc.button482Caption = IDS_MOTION_REGION;
        desc.button482Page = SetupPage::kMotionGrid;
        return desc;
    }();
    return d;
}

bool MotionRateUnclamped(const RecorderCaps& caps, std::uint32_t recordConfigMode)
{
    return caps.hasConnection && (caps.subProductMajor == 5 || caps.subProductMajor == 6) &&
           recordConfigMode == 0;
}

CMotionRecordPage::CMotionRecordPage() : CRecordPage(MotionRecordDesc()) {}

void CMotionRecordPage::BuildExtra()
{
    m_bDualRate = Caps().hasConnection && Caps().subProductMajor == 4;
    m_nRateSet = 0;
    if (m_bDualRate)
        Model().SetBlock(MotionDualRateBlock(0));
    Model().SetNoClamp(MotionRateUnclamped(Caps(), Image().Get(SetupDb::RecordConfigMode)));
}

void CMotionRecordPage::UseRateSet(int set)
{
    m_nRateSet = set;
    if (m_bDualRate)
        Model().SetBlock(MotionDualRateBlock(set));
}

void CMotionRecordPage::SetCaptions(const QString& tab, const QString& region)
{
    CSkinTextButton& rate = m_tabs.Button(m_tabs.IndexOf(471));
    rate.SetText(0, tab, true);
    m_btn482.SetText(0, region, true);
    rate.update();
    m_btn482.update();
}

void CMotionRecordPage::LeaveDualRateView()
{
    if (!m_bDualRate)
        return;
    UseRateSet(0);
    SetCaptions(QStringLiteral(" ") + LoadResString(IDS_RECORD_TAB_RATE),
                QStringLiteral(" ") + LoadResString(IDS_MOTION_REGION));
}

void CMotionRecordPage::OnResolutionTab()
{
    LeaveDualRateView();
    CRecordPage::OnResolutionTab();
}

void CMotionRecordPage::OnAudioTab()
{
    LeaveDualRateView();
    CRecordPage::OnAudioTab();
}

void CMotionRecordPage::OnRateTab()
{
    if (m_bDualRate) {
        // The tab names the set on show, the button the other one.
        const QString rate = LoadResString(IDS_RECORD_TAB_RATE);
        const QString motion = LoadResString(kTextMotion) + QStringLiteral(" ") + rate;
        const QString normal = LoadResString(kTextNormal) + QStringLiteral(" ") + rate;
        if (m_nRateSet == 0)
            SetCaptions(motion, normal);
        else
            SetCaptions(normal, motion);
        UseRateSet(m_nRateSet);
    }
    CRecordPage::OnRateTab();
}

QString CMotionRecordPage::SensitivityText(int position) const
{
    const int id = Sensitivity::TextIdOf(position);
    return id != 0 ? LoadResString(id) : QString();
}

void CMotionRecordPage::OnSensitivityTab()
{
    LeaveDualRateView();
    SelectTab(473, kSensitivityTab);
    const ImageRef image = Image();
    for (int r = 0; r < m_nChannelCount; ++r) {
        m_arr4CifButton[r].hide();
        m_arr2CifButton[r].hide();
        m_arrCifButton[r].hide();
        m_arrOnButton[r].hide();
        m_arrOffButton[r].hide();
        m_rowCheck[r].SetCheck(0);
        CSkinSlider& s = m_arrSlider[r];
        s.SetChannelBitmaps(IDB_RECORD_SLIDER_CHANNEL, IDB_SENSITIVITY_ACTIVE, false, 0xFF000000, 0, 0);
        s.SetRange(Sensitivity::kMinPos, Sensitivity::kMaxPos, false);
        s.SetPos(
            Sensitivity::PositionOf(static_cast<std::uint8_t>(image.Get(SetupDb::MotionSensitivity, r))));
        m_arrRateLabel[r].SetText(SensitivityText(s.GetPos()));
        m_rowCheck[r].show();
        m_rowLabel[r].show();
        s.show();
        m_arrRateLabel[r].show();
    }
    m_btnAllCheck.show();
    m_btnReturnAll.show();
}

void CMotionRecordPage::ChangeSensitivity(int sliderId)
{
    const int i = sliderId - kSliderFirstId;
    if (i < 0 || i >= m_nChannelCount)
        return;
    const Sensitivity::Drag d = Sensitivity::DragTo(m_arrSlider[i].GetPos());
    const QString text = LoadResString(d.textId);
    ImageRef image = Image();
    // The dragged row, and with it every checked row when it is checked
    // itself; no budget and no groups here.
    const bool checked = m_rowCheck[i].GetCheck() == 1;
    for (int r = 0; r < m_nChannelCount; ++r) {
        if (r != i && !(checked && m_rowCheck[r].GetCheck() == 1))
            continue;
        m_arrSlider[r].SetPos(d.thumb);
        m_arrRateLabel[r].SetText(text);
        image.Set(SetupDb::MotionSensitivity, r, d.stored);
    }
}

void CMotionRecordPage::OnRateSliderMoved(int sliderId, int position)
{
    if (m_nCurTab == kSensitivityTab)
        ChangeSensitivity(sliderId);
    else if (m_nCurTab == kRateTab)
        CRecordPage::OnRateSliderMoved(sliderId, position);
}

void CMotionRecordPage::OnButton482()
{
    if (m_bDualRate && m_nCurTab == kRateTab) {
        UseRateSet(m_nRateSet == 0 ? 1 : 0);
        OnRateTab();
        return;
    }
    // To the motion grid; the opener destroys this page.
    CRecordPage::OnButton482();
}
