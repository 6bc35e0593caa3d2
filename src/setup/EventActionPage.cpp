#include "setup/EventActionPage.h"

#include "setup/RemoteSetupDlg.h"
#include "setup/ResIdsEvent.h"
#include "setup/SetupControls.h"
#include "setup/SetupPageIds.h"
#include "ui/SkinDraw.h"
#include "ui/UiMessages.h"

#include <QPainter>
#include <algorithm>

namespace {
constexpr int kBackground = IDB_EVENT_BACK;
constexpr int kRowBar = IDB_EVENT_ROW_BAR;
constexpr int kYesText = IDS_EVENT_YES;
constexpr int kNoText = IDS_EVENT_NO;
constexpr int kDurationTitleText = IDS_EVENT_DURATION;
constexpr int kDurationZeroText = IDS_EVENT_DURATION_ZERO;
constexpr int kUnitText = IDS_EVENT_SECONDS;
constexpr int kAttachImageText = IDS_EVENT_ATTACH_IMAGE;
constexpr int kModelRowText = IDS_EVENT_MODEL_ROW;
constexpr int kVideoLossText = 5133;
constexpr int kRowTitleText[5] = {kVideoLossText, IDS_EVENT_ROW_FIRST, IDS_EVENT_ROW_FIRST + 1,
                                  IDS_EVENT_ROW_DISK, IDS_EVENT_ROW_SMART};
constexpr int kPresetSeconds[CEventActionPage::kPresetCount] = {5, 10, 30, 60, 90, 120, 150, 180, 210, 240};
constexpr COLORREF kUnitColour = 0x783C3C;
constexpr int kYesX = 175;
constexpr int kNoX = 276;

bool ModelRowOfActionB(const RecorderCaps& caps, SetupVersion version)
{
    return caps.subProduct6 || (caps.hasConnection && caps.subProductMajor == 5 && version.MajorAtLeast(5));
}
} // namespace

const EventActionDesc& EventNotifyDesc()
{
    static const EventActionDesc desc = [] {
        EventActionDesc d;
        d.templateId = SetupPage::kEventNotify;
        d.rowField = SetupDb::NotifyOnEvent;
        d.extRowField = SetupDb::NotifyOnEventExt;
        d.row4TitleId = 794;
        d.yesNoClosePickers = false;
        d.attachImagePage = SetupPage::kMailImage;
        return d;
    }();
    return desc;
}

const EventActionDesc& EventActionADesc()
{
    static const EventActionDesc desc = [] {
        EventActionDesc d;
        d.templateId = SetupPage::kEventActionA;
        d.rowField = SetupDb::ActionAOnEvent;
        d.extRowField = SetupDb::ActionAOnEventExt;
        d.durationField = SetupDb::ActionADuration;
        return d;
    }();
    return desc;
}

const EventActionDesc& EventActionBDesc()
{
    static const EventActionDesc desc = [] {
        EventActionDesc d;
        d.templateId = SetupPage::kEventActionB;
        d.rowField = SetupDb::ActionBOnEvent;
        d.extRowField = SetupDb::ActionBOnEventExt;
        d.extraRowField = SetupDb::ActionBExtraRow;
        d.extraRowShown = ModelRowOfActionB;
        d.durationField = SetupDb::ActionBDuration;
        return d;
    }();
    return desc;
}

CEventActionPage::CEventActionPage(const EventActionDesc& desc)
    : CSetupPage(desc.templateId, kBackground), m_desc(desc)
{
    for (int r = 0; r < kRowCount; ++r) {
        for (QWidget* w : {static_cast<QWidget*>(&m_lblTitle[r]), static_cast<QWidget*>(&m_btnYes[r]),
                           static_cast<QWidget*>(&m_btnNo[r])}) {
            w->setParent(this);
            w->hide();
        }
        m_btnYes[r].SetDlgCtrlID(kFirstYesId + r);
        m_btnNo[r].SetDlgCtrlID(kFirstNoId + r);
    }
    for (int r = 0; r < 4; ++r)
        m_lblTitle[r].SetDlgCtrlID(kFirstTitleId + r);
    m_lblTitle[4].SetDlgCtrlID(desc.row4TitleId);
    m_lblTitle[kDurationRow].SetDlgCtrlID(kDurationTitleId);
    m_lblTitle[kModelRow].SetDlgCtrlID(kModelTitleId);
    for (QWidget* w : {static_cast<QWidget*>(&m_lblDuration), static_cast<QWidget*>(&m_lblUnit),
                       static_cast<QWidget*>(&m_btnAttach)}) {
        w->setParent(this);
        w->hide();
    }
    m_lblDuration.SetDlgCtrlID(kDurationCellId);
    m_lblUnit.SetDlgCtrlID(kDurationUnitId);
    m_btnAttach.SetDlgCtrlID(kAttachImageId);
}

int CEventActionPage::PresetSeconds(int index)
{
    return index >= 0 && index < kPresetCount ? kPresetSeconds[index] : kPresetSeconds[0];
}

QString CEventActionPage::PresetText(int index)
{
    return QString::number(PresetSeconds(index));
}

bool CEventActionPage::RowShown(int r) const
{
    if (r >= 0 && r < 4)
        return true;
    if (r == 4)
        return m_bEventRow5;
    if (r == kDurationRow)
        return HasDuration();
    if (r == kModelRow)
        return m_bModelRow;
    return false;
}

std::uint32_t CEventActionPage::RowOffset(int r) const
{
    if (r >= 0 && r < 4)
        return m_desc.rowField.At(static_cast<std::uint32_t>(r));
    if (r == 4)
        return m_desc.extRowField.offset;
    return m_desc.extraRowField.offset;
}

std::uint32_t CEventActionPage::Duration() const
{
    return Image().Get(m_desc.durationField);
}

void CEventActionPage::SetDuration(std::uint32_t seconds)
{
    ImageRef image = Image();
    image.Set(m_desc.durationField, seconds);
}

QString CEventActionPage::DurationCaption(std::uint32_t seconds) const
{
    if (seconds == 0)
        return QString();
    return QString("%1 %2").arg(seconds).arg(LoadResString(kUnitText));
}

void CEventActionPage::BuildPage()
{
    const SetupVersion v = Version();
    m_bEventRow5 = v.LaterThan(4, 6);
    m_bDurationChoice = m_bEventRow5;
    m_bModelRow =
        m_desc.extraRowField.count != 0 && m_desc.extraRowShown != nullptr && m_desc.extraRowShown(Caps(), v);
    m_bmpRowBar = LoadSkinBitmap(kRowBar);

    const ImageRef image = Image();
    const QString yes = LoadResString(kYesText);
    const QString no = LoadResString(kNoText);
    for (int r = 0; r < kRowCount; ++r) {
        if (!IsEventRow(r) || !RowShown(r))
            continue;
        const int y = r == kModelRow ? 147 : 9 + SetupCtl::kRowPitch * r;
        SetupCtl::TitleLabel(m_lblTitle[r], LoadResString(r == kModelRow ? kModelRowText : kRowTitleText[r]),
                             14, y);
        SetupCtl::ChoicePair(m_btnYes[r], m_btnNo[r], yes, no, kYesX, kNoX, y - 3);
        SetupCtl::ShowChoice(m_btnYes[r], m_btnNo[r], image.U8(RowOffset(r)) == 1);
    }

    if (HasDuration()) {
        const std::uint32_t seconds = Duration();
        SetupCtl::TitleLabel(m_lblTitle[kDurationRow], LoadResString(kDurationTitleText), 14,
                             m_bDurationChoice ? 124 : 101);
        if (m_bDurationChoice) {
            SetupCtl::ChoicePair(m_btnYes[kDurationRow], m_btnNo[kDurationRow],
                                 LoadResString(kDurationZeroText), DurationCaption(seconds), kYesX, kNoX,
                                 121);
            SetupCtl::ShowChoice(m_btnYes[kDurationRow], m_btnNo[kDurationRow], seconds == 0);
        } else {
            // Such images only ever get the presets; any stored value shows as
            // its number until one is picked.
            SetupCtl::ValueCell(m_lblDuration, QString::number(seconds), 225, 100, 100);
            m_lblUnit.SetNotify(false);
            m_lblUnit.SetBitmap(0, SetupCtl::kValueCellBitmap);
            m_lblUnit.SetStyle(kUnitColour, kUnitColour, 0, 0, true, 9, "Arial Bold");
            m_lblUnit.SetText(LoadResString(kUnitText));
            m_lblUnit.setGeometry(350, 100, 40, 14);
            m_lblUnit.show();
        }
    }

    if (m_desc.attachImagePage != 0 && v.MajorAtLeast(5))
        SetupCtl::WideCommandButton(m_btnAttach, LoadResString(kAttachImageText));
}

void CEventActionPage::DrawExtra(QPainter& p)
{
    // One bar behind each shown row, the model row at its own place.
    int bars = 4 + (m_bEventRow5 ? 1 : 0) + (HasDuration() ? 1 : 0);
    for (int r = 0; r < bars; ++r)
        DrawBitmap(p, m_bmpRowBar, 2, 5 + SetupCtl::kRowPitch * r, 402, 24 + SetupCtl::kRowPitch * r, true,
                   0);
    if (m_bModelRow)
        DrawBitmap(p, m_bmpRowBar, 2, 143, 402, 162, true, 0);
}

bool CEventActionPage::OnCommand(int id, WORD code)
{
    if (id >= kFirstYesId && id < kFirstYesId + kRowCount && code == BN_CLICKED) {
        OnYes(id - kFirstYesId);
        return true;
    }
    if (id >= kFirstNoId && id < kFirstNoId + kRowCount && code == BN_CLICKED) {
        OnNo(id - kFirstNoId);
        return true;
    }
    if (id == kDurationCellId && code == STN_CLICKED) {
        OnDurationCell();
        return true;
    }
    if (id == kAttachImageId && code == BN_CLICKED) {
        OnAttachImage();
        return true;
    }
    return false;
}

void CEventActionPage::OnYes(int r)
{
    if (r < 0 || r >= kRowCount || !RowShown(r))
        return;
    if (r == kDurationRow) {
        if (!m_bDurationChoice)
            return;
        // An open duration slider reports when it closes; closing it first
        // keeps it from overwriting the 0 chosen here.
        ClosePickers();
        SetDuration(0);
        m_btnNo[kDurationRow].SetText(38, QString(), false);
        SetupCtl::ShowChoice(m_btnYes[r], m_btnNo[r], true);
        return;
    }
    SetupCtl::ShowChoice(m_btnYes[r], m_btnNo[r], true);
    ImageRef image = Image();
    image.SetU8(RowOffset(r), 1);
    if (m_desc.yesNoClosePickers)
        ClosePickers();
}

void CEventActionPage::OnNo(int r)
{
    if (r < 0 || r >= kRowCount || !RowShown(r))
        return;
    SetupCtl::ShowChoice(m_btnYes[r], m_btnNo[r], false);
    if (r == kDurationRow) {
        if (!m_bDurationChoice)
            return;
        // Written when the slider reports.
        OpenNumberSlider(m_btnNo[r], m_btnNo[r].m_ptClick, kDurationSliderItem, static_cast<int>(Duration()),
                         1, kDurationMax, 328);
        return;
    }
    ImageRef image = Image();
    image.SetU8(RowOffset(r), 0);
    if (m_desc.yesNoClosePickers)
        ClosePickers();
}

void CEventActionPage::OnDurationCell()
{
    if (!HasDuration() || m_bDurationChoice)
        return;
    std::vector<QString> items;
    for (int i = 0; i < kPresetCount; ++i)
        items.push_back(PresetText(i));
    OpenListFromCell(m_lblDuration, kPresetListItem, items, 70);
}

void CEventActionPage::OnAttachImage()
{
    if (m_pSetupDlg && m_desc.attachImagePage != 0)
        m_pSetupDlg->ShowPage(m_desc.attachImagePage); // this page is gone afterwards
}

void CEventActionPage::OnListPicked(int nItemId, int nIndex)
{
    if (nItemId != kPresetListItem || !HasDuration())
        return;
    SetDuration(static_cast<std::uint32_t>(PresetSeconds(nIndex)));
    m_lblDuration.hide();
    m_lblDuration.SetText(PresetText(nIndex));
    m_lblDuration.show();
}

void CEventActionPage::OnSliderPicked(int, int nValue1, int, int)
{
    if (!HasDuration())
        return;
    const auto seconds = static_cast<std::uint32_t>(std::clamp(nValue1, 1, kDurationMax));
    SetDuration(seconds);
    m_btnNo[kDurationRow].SetText(38, DurationCaption(seconds), false);
    SetupCtl::ShowChoice(m_btnYes[kDurationRow], m_btnNo[kDurationRow], false);
}
