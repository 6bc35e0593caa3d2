#include "ui/SliderPickerPopup.h"

#include "ui/ResIds.h"
#include "ui/ResIdsPicker.h"
#include "ui/SkinDraw.h"
#include "ui/UiMessages.h"

#include <cstring>

CSliderPickerPopup::CSliderPickerPopup(QWidget* pOwnerPage, int nItemId, const SliderPickerRequest* pRequest,
                                       int bTimeMode, QWidget* pParent)
    : CPickerPopupBase(pOwnerPage, nItemId, pParent), m_bTimeMode(bTimeMode != 0)
{
    if (pRequest)
        std::memcpy(&m_request, pRequest, sizeof m_request);
    for (int i = 0; i < 8; ++i) {
        m_labels[i].setParent(this);
        m_labels[i].SetDlgCtrlID(kFirstNameId + i);
        m_labels[i].hide();
    }
    for (int i = 0; i < 3; ++i) {
        m_sliders[i].setParent(this);
        m_sliders[i].SetDlgCtrlID(kFirstSliderId + i);
        m_sliders[i].hide();
    }
}

CSliderPickerPopup::~CSliderPickerPopup() = default;

bool CSliderPickerPopup::Create(IPickerHost* pHost)
{
    return CreatePopup(pHost);
}

void CSliderPickerPopup::ShowValue(int k, int pos)
{
    m_labels[3 + k].SetText(QString::asprintf("%d", pos));
}

bool CSliderPickerPopup::OnInitDialog()
{
    Dialog::OnInitDialog();
    m_nRows = SliderPickerShownRows(m_request.Count);
    m_nWidth = ClampPickerWidth(m_request.Width);
    m_nRowHeight = m_nRows * kPickerRowHeight;
    LoadFrameBitmaps();
    m_strips.clear();
    for (int i = 0; i < m_nRows; ++i) {
        int n = 0;
        const auto strips = SliderPickerStrips(i, m_nWidth, m_bTimeMode, &n);
        for (int s = 0; s < n; ++s)
            m_strips.push_back(strips[static_cast<size_t>(s)]);
    }
    static const int kNames[3] = {IDS_PICKER_HOUR, IDS_PICKER_MINUTE, IDS_PICKER_SECOND};
    for (int i = 0; i < m_nRows; ++i) {
        CSkinLabel& name = m_labels[i];
        name.SetBitmap(0, IDB_PICKER_CELL);
        name.SetStyle(0x783C3C, 0x783C3C, 0, 0, true, 9, "Arial Bold");
        name.SetText(LoadResString(kNames[i]));
        name.setGeometry(SliderPickerNameRect(i));
        name.setVisible(m_bTimeMode);

        CSkinLabel& value = m_labels[3 + i];
        value.SetBitmap(0, IDB_PICKER_CELL);
        value.SetStyle(0x783C3C, 0x783C3C, 0, 0, true, 9, "Arial Bold");
        value.setGeometry(SliderPickerValueRect(i, m_bTimeMode));
        value.show();

        CSkinSlider& slider = m_sliders[i];
        slider.SetChannelBitmaps(IDB_SETUP_SLIDER_CHANNEL, IDB_SETUP_SLIDER_ACTIVE, false, 0, 0, 0);
        slider.EnableFocusRect(true, false);
        slider.SetMargin(0, 0, 0, 0);
        slider.setGeometry(SliderPickerSliderRect(i, m_bTimeMode));
        slider.show();
    }
    if (m_bTimeMode) {
        const int values[3] = {m_request.Value1, m_request.Value2, m_request.Value3};
        for (int i = 0; i < m_nRows; ++i) {
            m_sliders[i].SetRange(0, i == 0 ? 23 : 59, false);
            m_sliders[i].SetPos(values[i]);
        }
    } else if (m_nRows > 0) {
        m_sliders[0].SetRange(m_request.Value2, m_request.Value3, false);
        m_sliders[0].SetPos(m_request.Value1);
        for (int id : {kMinusId, kPlusId}) {
            CSkinLabel& step = m_labels[id - kFirstNameId];
            step.SetBitmap(0, IDB_PICKER_CELL);
            step.SetStyle(0xE6D200, 0x783C3C, 0, 0, true, 9, "Arial Bold");
            step.SetText(id == kMinusId ? QStringLiteral("-") : QStringLiteral("+"));
            step.setGeometry(id == kMinusId ? 20 : 243, 9, 20, 14);
            step.show();
        }
    }
    // The request's values, not the clamped positions, until the user acts.
    m_nResult[0] = m_request.Value1;
    m_nResult[1] = m_request.Value2;
    m_nResult[2] = m_request.Value3;
    for (int i = 0; i < m_nRows; ++i) {
        m_nTakenPos[i] = m_sliders[i].GetPos();
        ShowValue(i, m_nTakenPos[i]);
    }
    PlaceAndShape(m_request.AnchorRect, m_request.ClickX, m_request.ClickY);
    return true;
}

LRESULT CSliderPickerPopup::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_SLIDER_MOVED) {
        const int k = static_cast<int>(wParam) - kFirstSliderId;
        if (k >= 0 && k < m_nRows)
            OnSliderMoved(k, m_sliders[k].GetPos());
        return 0;
    }
    if (msg == WM_COMMAND && CommandCode(wParam) == STN_CLICKED) {
        if (CommandId(wParam) == kMinusId) {
            OnMinus();
            return 0;
        }
        if (CommandId(wParam) == kPlusId) {
            OnPlus();
            return 0;
        }
    }
    return CPickerPopupBase::WindowProc(msg, wParam, lParam);
}

void CSliderPickerPopup::OnSliderMoved(int k, int pos)
{
    if (k < 0 || k >= m_nRows)
        return;
    ShowValue(k, pos);
    m_nResult[k] = pos;
    m_nTakenPos[k] = pos;
}

void CSliderPickerPopup::Step(int delta)
{
    if (m_bTimeMode || m_nRows < 1)
        return;
    const int pos = m_sliders[0].GetPos();
    const int p =
        delta < 0 ? SliderPickerMinus(pos, m_request.Value2) : SliderPickerPlus(pos, m_request.Value3);
    ShowValue(0, p);
    m_sliders[0].SetPos(p);
    m_nResult[0] = p;
    m_nTakenPos[0] = m_sliders[0].GetPos();
}

void CSliderPickerPopup::OnMinus()
{
    Step(-1);
}

void CSliderPickerPopup::OnPlus()
{
    Step(+1);
}

bool CSliderPickerPopup::DestroyWindow()
{
    if (IsDestroyed())
        return false;
    if (!m_bReported) {
        m_bReported = true;
        // A drag whose message has not been handled yet still counts.
        for (int k = 0; k < m_nRows; ++k)
            if (m_sliders[k].GetPos() != m_nTakenPos[k])
                OnSliderMoved(k, m_sliders[k].GetPos());
        if (m_pHost)
            m_pHost->OnSliderPicked(m_pOwner.data(), m_nItemId, m_nResult[0], m_nResult[1], m_nResult[2]);
    }
    return CPickerPopupBase::DestroyWindow();
}
