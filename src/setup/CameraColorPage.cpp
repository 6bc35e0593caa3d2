#include "setup/CameraColorPage.h"

#include "setup/SetupPageIds.h"
#include "ui/SkinDraw.h"
#include "ui/UiMessages.h"

#include <algorithm>

namespace {
constexpr int kBackground = 1720;
constexpr int kTabBitmaps[4] = {2255, 2256, 2256, 2257};
constexpr int kTabCaptions[4] = {5664, 5665, 5666, 5667};
constexpr int kResetCaption = 5642;
constexpr int kSliderChannel = 1695;
constexpr int kSliderActive = 1696;
} // namespace

CCameraColorPage::CCameraColorPage() : CSetupPage(SetupPage::kCameraColor, kBackground)
{
    for (int r = 0; r < kRows; ++r) {
        m_slider[r].setParent(this);
        m_slider[r].SetDlgCtrlID(kFirstSliderId + r);
        m_slider[r].hide();
        m_lblValue[r].setParent(this);
        m_lblValue[r].SetDlgCtrlID(kFirstValueId + r);
        m_lblValue[r].hide();
    }
    m_btnReset.setParent(this);
    m_btnReset.SetDlgCtrlID(kResetId);
    m_btnReset.hide();
}

const SetupDb::Field& CCameraColorPage::ViewField(int view)
{
    static const SetupDb::Field fields[kViews] = {SetupDb::Hue, SetupDb::Saturation, SetupDb::Contrast,
                                                  SetupDb::Brightness};
    return fields[std::clamp(view, 0, kViews - 1)];
}

void CCameraColorPage::BuildPage()
{
    std::vector<CSetupTabBar::Tab> tabs;
    for (int i = 0; i < kViews; ++i)
        tabs.push_back({kFirstTabId + i, kTabBitmaps[i], QRect(2 + 100 * i, 0, 100, 24),
                        LoadResString(kTabCaptions[i])});
    m_tabs.Build(this, tabs);

    BuildChannelRows(6, 30, 28, 32, 50);
    SetupCtl::CommandButton(m_btnReset, LoadResString(kResetCaption), 304);
    for (int r = 0; r < kRows; ++r) {
        const int y = SetupCtl::kRowPitch * r;
        CSkinSlider& s = m_slider[r];
        s.SetChannelBitmaps(kSliderChannel, kSliderActive, false, 0, 0, 0);
        s.EnableFocusRect(true, false);
        s.SetMargin(0, 0, 0, 0);
        s.SetRange(0, 100, false);
        s.setGeometry(103, 33 + y, 190, 9);
        s.setVisible(r < m_nChannelCount);

        CSkinLabel& v = m_lblValue[r];
        v.SetNotify(false);
        v.SetBitmap(0, SetupCtl::kValueCellBitmap);
        v.SetStyle(0x783C3C, 0x783C3C, 0, 0, true, 9, "Arial Bold");
        v.setGeometry(315, 31 + y, 72, 14);
        v.setVisible(r < m_nChannelCount);
    }
    ShowView(0);
}

void CCameraColorPage::ShowView(int view)
{
    m_nView = std::clamp(view, 0, kViews - 1);
    m_tabs.Show(m_nView);
    const ImageRef image = Image();
    for (int r = 0; r < m_nChannelCount; ++r) {
        // A stored byte above the range shows at the end; the byte stays.
        m_slider[r].SetPos(static_cast<int>(image.Get(ViewField(m_nView), r)));
        m_rowCheck[r].SetCheck(0);
        m_lblValue[r].SetText(QString::number(m_slider[r].GetPos()));
    }
}

void CCameraColorPage::SetRowValue(int r, int value)
{
    m_lblValue[r].SetText(QString::number(value));
    Image().Set(ViewField(m_nView), r, static_cast<std::uint32_t>(value));
}

int CCameraColorPage::OnSliderMoved(int id)
{
    const int row = id - kFirstSliderId;
    if (row < 0 || row >= m_nChannelCount)
        return 0;
    // The slider's own position: a queued report may be older than it.
    const int value = m_slider[row].GetPos();
    for (int r : RowTargets(row)) {
        if (r != row)
            m_slider[r].SetPos(value);
        SetRowValue(r, value);
    }
    return 0;
}

void CCameraColorPage::OnReset()
{
    for (int r = 0; r < m_nChannelCount; ++r) {
        if (m_rowCheck[r].GetCheck() != 1)
            continue;
        m_slider[r].SetPos(kResetValue);
        SetRowValue(r, m_slider[r].GetPos());
    }
}

bool CCameraColorPage::OnCommand(int id, WORD code)
{
    if (code != BN_CLICKED)
        return false;
    if (const int tab = m_tabs.IndexOf(id); tab >= 0) {
        ShowView(tab);
        return true;
    }
    if (id == kResetId) {
        OnReset();
        return true;
    }
    return false;
}

LRESULT CCameraColorPage::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_SLIDER_MOVED)
        return OnSliderMoved(static_cast<int>(wParam));
    return CSetupPage::WindowProc(msg, wParam, lParam);
}
