#include "setup/record/AlarmPresetPage.h"

#include "setup/RemoteSetupDlg.h"
#include "setup/SetupControls.h"
#include "setup/SetupPageIds.h"
#include "setup/record/ResIdsSensorPages.h"
#include "ui/SkinDraw.h"
#include "ui/UiMessages.h"

#include <algorithm>

namespace {
constexpr int kBackPlain = IDB_PRESET_BACK;
constexpr int kBackExtended = IDB_PRESET_BACK_EXT;
constexpr int kTextCamera = IDS_PRESET_CAMERA;
constexpr int kTextNone = IDS_PRESET_NONE;
constexpr int kTextSensor = IDS_SENSOR_TAB;
constexpr int kTextBack = IDS_PAGE_BACK;
constexpr int kTextActionPreset = IDS_PRESET_ACTION_PRESET;
constexpr int kTextActionTour = IDS_PRESET_ACTION_TOUR;
constexpr int kTextFirstRow = IDS_PRESET_ROW_TOP;
constexpr int kTextNextRow = IDS_PRESET_ROW_NEXT;
constexpr COLORREF kPresetText = 0x783C3C;
constexpr COLORREF kCommandText[4] = {0xFFFFFF, 0xF1EB62, 0xF1EB62, 0xBEB9B3};
} // namespace

CAlarmPresetPage::CAlarmPresetPage() : CSetupPage(SetupPage::kAlarmPreset, kBackPlain)
{
    for (int i = 0; i < kTabs; ++i) {
        m_btnTab[i].setParent(this);
        m_btnTab[i].SetDlgCtrlID(kFirstTabId + i);
        m_btnTab[i].hide();
    }
    for (int k = 0; k < AlarmPreset::kEntries; ++k) {
        m_editPreset[k].setParent(this);
        m_editPreset[k].SetDlgCtrlID(kFirstPresetId + k);
        m_editPreset[k].hide();
    }
    m_btnBack.setParent(this);
    m_btnBack.SetDlgCtrlID(kBackId);
    m_btnBack.hide();
}

QString CAlarmPresetPage::CameraText(int v) const
{
    if (v == 0)
        return LoadResString(kTextNone);
    return QString::asprintf("%s %d", LoadResString(kTextCamera).toLatin1().constData(), v);
}

QString CAlarmPresetPage::ActionText(int v) const
{
    if (v == 1)
        return m_actionItems[1];
    if (v == 2)
        return m_actionItems[2];
    return m_actionItems[0];
}

void CAlarmPresetPage::BuildPage()
{
    m_bExtended = AlarmPreset::Extended(Caps(), Version());
    SetBackground(m_bExtended ? kBackExtended : kBackPlain);
    // A press on the page closes the open picker.
    SetPickerClosePolicy(PickerClosePolicy::SurfacePress);

    m_cameraItems.clear();
    m_cameraItems.push_back(LoadResString(kTextNone));
    for (int i = 1; i <= 16; ++i)
        m_cameraItems.push_back(CameraText(i));
    m_actionItems = {LoadResString(kTextActionPreset), LoadResString(kTextActionTour),
                     LoadResString(kTextNone)};

    const QString sensor = LoadResString(kTextSensor);
    for (int i = 0; i < kTabs; ++i) {
        CSkinTextButton& b = m_btnTab[i];
        b.SetBitmap(SetupCtl::kCommandBitmap);
        b.SetFont(8, 0, 700, "Arial Bold");
        std::copy(std::begin(kCommandText), std::end(kCommandText), b.m_crText);
        b.SetText(0, QString::asprintf("%s%02d", sensor.toLatin1().constData(), i + 1), true);
        b.setGeometry(2 + 101 * (i % 4), i < 4 ? 6 : 33, 97, 22);
        b.setVisible(i < m_nChannelCount);
    }

    const int xCamera = m_bExtended ? 116 : 20;
    const int wCamera = m_bExtended ? 84 : 114;
    const int xAction = m_bExtended ? 218 : 165;
    const int wAction = m_bExtended ? 90 : 127;
    const int xPreset = m_bExtended ? 328 : 325;
    for (int k = 0; k < AlarmPreset::kEntries; ++k) {
        const int y = 75 + SetupCtl::kRowPitch * k;
        // The cells are the base class's row labels; their ids are the ones
        // OnCommand answers to, whatever the base gave them.
        Cell(k).SetDlgCtrlID(kFirstCellId + k);
        Cell(4 + k).SetDlgCtrlID(kFirstCellId + 4 + k);
        SetupCtl::ValueCell(Cell(k), QString(), xCamera, y, wCamera);
        SetupCtl::ValueCell(Cell(4 + k), QString(), xAction, y, wAction);
        CSkinLabel& row = RowLabel(k);
        row.SetDlgCtrlID(kFirstRowLabelId + k);
        if (m_bExtended)
            SetupCtl::TitleLabel(row, LoadResString(k == 0 ? kTextFirstRow : kTextNextRow), 7, y, 100);
        else
            row.hide();
        CDigitEdit& edit = m_editPreset[k];
        edit.SetTextColor(kPresetText);
        edit.setGeometry(xPreset, 73 + SetupCtl::kRowPitch * k, 70, 17);
        edit.show();
    }
    SetupCtl::CommandButton(m_btnBack, LoadResString(kTextBack), 304);
    SelectSensor(0);
}

void CAlarmPresetPage::SelectSensor(int s)
{
    if (s < 0 || s >= kTabs)
        return;
    FlushTypedPresets();
    m_nSensor = s;
    for (int i = 0; i < kTabs; ++i)
        m_btnTab[i].SetState(0);
    m_btnTab[s].SetState(1);
    const ImageRef image = Image();
    for (int k = 0; k < AlarmPreset::kEntries; ++k) {
        Cell(k).SetText(CameraText(image.U8(AlarmPreset::CameraOffset(s, k))));
        Cell(4 + k).SetText(ActionText(image.U8(AlarmPreset::ActionOffset(s, k))));
        m_editPreset[k].SetWindowText(QString::number(image.U16(AlarmPreset::NumberOffset(s, k))));
    }
}

void CAlarmPresetPage::OpenCellPicker(int c)
{
    if (c < 0 || c > 7)
        return;
    std::vector<QString> items;
    if (c < 4) {
        const int n = std::min<int>(m_nChannelCount + 1, static_cast<int>(m_cameraItems.size()));
        items.assign(m_cameraItems.begin(), m_cameraItems.begin() + n);
    } else {
        items.assign(m_actionItems.begin(), m_actionItems.begin() + (m_bExtended ? 3 : 2));
    }
    OpenListFromCell(Cell(c), c, items, kPickerWidth);
}

void CAlarmPresetPage::OnListPicked(int nItemId, int nIndex)
{
    if (nIndex < 0)
        return;
    ImageRef image = Image();
    if (nItemId >= 0 && nItemId < 4) {
        const int k = nItemId;
        if (nIndex >= static_cast<int>(m_cameraItems.size()) ||
            AlarmPreset::CameraRefused(image, m_nSensor, k, nIndex))
            return;
        image.SetU8(AlarmPreset::CameraOffset(m_nSensor, k), static_cast<std::uint8_t>(nIndex));
        Cell(k).SetText(m_cameraItems[static_cast<size_t>(nIndex)]);
    } else if (nItemId >= 4 && nItemId < 8) {
        const int k = nItemId - 4;
        if (nIndex >= (m_bExtended ? 3 : 2))
            return;
        image.SetU8(AlarmPreset::ActionOffset(m_nSensor, k), static_cast<std::uint8_t>(nIndex));
        Cell(nItemId).SetText(m_actionItems[static_cast<size_t>(nIndex)]);
    }
}

void CAlarmPresetPage::StorePreset(int k)
{
    const std::uint16_t v = AlarmPreset::ParsePreset(m_editPreset[k].GetWindowText());
    Image().SetU16(AlarmPreset::NumberOffset(m_nSensor, k), v);
    // The box always shows what was stored.
    m_editPreset[k].SetWindowText(QString::number(v));
}

void CAlarmPresetPage::OnPresetKillFocus(int k)
{
    // A focus loss while the page goes (or after) must not write: OK may
    // already have turned the image back to the recorder's byte order.
    if (k < 0 || k >= AlarmPreset::kEntries || TornDown())
        return;
    StorePreset(k);
}

void CAlarmPresetPage::FlushTypedPresets()
{
    for (int k = 0; k < AlarmPreset::kEntries; ++k)
        if (m_editPreset[k].isModified())
            StorePreset(k);
}

void CAlarmPresetPage::OnTeardown()
{
    // A menu button or OK removes the page while a box may still have the
    // focus; what was typed there is kept, before OK converts the image.
    FlushTypedPresets();
}

void CAlarmPresetPage::OnBack()
{
    if (m_pSetupDlg)
        m_pSetupDlg->ShowPage(SetupPage::kSensorRecord);
}

bool CAlarmPresetPage::OnCommand(int id, WORD code)
{
    if (id >= kFirstPresetId && id < kFirstPresetId + AlarmPreset::kEntries) {
        if (code == EN_KILLFOCUS)
            OnPresetKillFocus(id - kFirstPresetId);
        return true;
    }
    if (code != BN_CLICKED)
        return false;
    if (id >= kFirstTabId && id < kFirstTabId + kTabs) {
        SelectSensor(id - kFirstTabId);
        return true;
    }
    if (id >= kFirstCellId && id < kFirstCellId + 8) {
        OpenCellPicker(id - kFirstCellId);
        return true;
    }
    if (id == kBackId) {
        OnBack();
        return true;
    }
    return false;
}
