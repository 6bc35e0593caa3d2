#include "setup/SpotSequencePage.h"

#include "setup/SetupPageIds.h"
#include "ui/ChannelRows.h"
#include "ui/SkinDraw.h"
#include "ui/UiMessages.h"

#include <algorithm>

namespace {
constexpr int kModeCaption = 5668;
constexpr int kDurationCaption = 5669;
constexpr int kOn = 5344;
constexpr int kOff = 5340;
constexpr int kSec = 5341;
constexpr int kEventModeCaptions[3] = {5130, 5131, 5132};
constexpr int kSliderChannel = 1695;
constexpr int kSliderActive = 1696;
constexpr int kDwellBody = 1700;
constexpr int kQuadBody = 1702;
constexpr int kOctBody = 1703;

void DwellLabel(CSkinLabel& l, int body)
{
    l.SetNotify(false);
    l.SetBitmap(0, static_cast<UINT>(body));
    l.SetStyle(0x783C3C, 0x783C3C, 0, 0, true, 9, "Arial Bold");
}
} // namespace

CSpotSequencePage::CSpotSequencePage() : CSetupPage(SetupPage::kSpotSequence, kBackgrounds[0])
{
    auto adopt = [this](QWidget& w, CDlgItem& item, int id) {
        w.setParent(this);
        item.SetDlgCtrlID(id);
        w.hide();
    };
    for (int r = 0; r < kRows; ++r) {
        adopt(m_slider[r], m_slider[r], kFirstSliderId + r);
        adopt(m_lblDwell[r], m_lblDwell[r], kFirstDwellLabelId + r);
        adopt(m_btnEventOn[r], m_btnEventOn[r], kFirstEventOnId + r);
        adopt(m_btnEventOff[r], m_btnEventOff[r], kFirstEventOffId + r);
        // Here the channel labels follow the three event-mode labels.
        m_rowLabel[r].SetDlgCtrlID(kFirstChannelLabelId + r);
    }
    for (int i = 0; i < 3; ++i)
        adopt(m_lblEventMode[i], m_lblEventMode[i], SetupCtl::kFirstRowLabelId + i);
    for (int i = 0; i < 4; ++i)
        adopt(m_lblQuad[i], m_lblQuad[i], kFirstQuadLabelId + i);
    for (int i = 0; i < 2; ++i)
        adopt(m_lblOct[i], m_lblOct[i], kFirstOctLabelId + i);
    for (int m = 0; m < kModes; ++m) {
        adopt(m_btnModeOn[m], m_btnModeOn[m], kFirstModeId + m);
        adopt(m_btnModeOff[m], m_btnModeOff[m], kFirstModeId + kModes + m);
    }
}

int CSpotSequencePage::Mode() const
{
    return static_cast<int>(Image().Get(SetupDb::SpotMode));
}

QString CSpotSequencePage::DwellText(int position) const
{
    return QString::asprintf("%d %s", position * 5, m_unit.toLatin1().constData());
}

void CSpotSequencePage::BuildPage()
{
    m_unit = LoadResString(kSec);
    m_tabs.Build(
        this, {{kModeTabId, 2250, QRect(2, 0, 200, 24), LoadResString(kModeCaption)},
               {kDwellTabId, 2251, QRect(202, 0, 200, 24), LoadResString(kDurationCaption)},
               {kEventTabId, 2251, QRect(202, 0, 200, 24), LoadResString(kOn) + "/" + LoadResString(kOff)}});
    BuildChannelRows(6, 30, 28, 32, 60);
    const QString on = LoadResString(kOn);
    const QString off = LoadResString(kOff);
    for (int r = 0; r < kRows; ++r) {
        CSkinSlider& s = m_slider[r];
        s.SetChannelBitmaps(kSliderChannel, kSliderActive, false, 0, 0, 0);
        s.EnableFocusRect(true, false);
        s.SetMargin(0, 0, 0, 0);
        s.SetRange(0, kMaxSlider, false);
        s.setGeometry(103, 33 + SetupCtl::kRowPitch * r, 190, 9);
        DwellLabel(m_lblDwell[r], kDwellBody);
        SetupCtl::ChoicePair(m_btnEventOn[r], m_btnEventOff[r], on, off, 135, 236,
                             29 + SetupCtl::kRowPitch * r);
    }
    for (CSkinLabel& l : m_lblQuad)
        DwellLabel(l, kQuadBody);
    for (CSkinLabel& l : m_lblOct)
        DwellLabel(l, kOctBody);
    for (int i = 0; i < 3; ++i)
        SetupCtl::TitleLabel(m_lblEventMode[i], LoadResString(kEventModeCaptions[i]), 12,
                             9 + SetupCtl::kRowPitch * (4 + i), 115);
    for (int m = 0; m < kModes; ++m)
        SetupCtl::ChoicePair(m_btnModeOn[m], m_btnModeOff[m], on, off, 175, 276,
                             29 + SetupCtl::kRowPitch * m);

    if (Caps().hasConnection) {
        // Split modes need the channels to fill them.
        const int n = Caps().channelCount;
        if (n <= 4)
            for (int m : {2, 3}) {
                m_btnModeOn[m].Enable(false);
                m_btnModeOff[m].Enable(false);
            }
        else if (n <= 8) {
            m_btnModeOn[3].Enable(false);
            m_btnModeOff[3].Enable(false);
        }
        for (int r = m_nChannelCount; r < kRows; ++r) {
            m_rowCheck[r].setEnabled(false);
            m_rowLabel[r].setEnabled(false);
            m_slider[r].setEnabled(false);
            m_btnEventOn[r].Enable(false);
            m_btnEventOff[r].Enable(false);
        }
    }
    ShowModeView();
}

void CSpotSequencePage::SetBackgroundIndex(int index)
{
    m_nBackground = std::clamp(index, 0, 3);
    SetBackground(kBackgrounds[m_nBackground]);
}

void CSpotSequencePage::ShowDurationOrEventTab()
{
    const bool dwellModes = Mode() < 4;
    m_tabs.Button(1).setVisible(dwellModes);
    m_tabs.Button(2).setVisible(!dwellModes);
}

void CSpotSequencePage::HideDwellLabels()
{
    for (CSkinLabel& l : m_lblDwell)
        l.hide();
    for (CSkinLabel& l : m_lblQuad)
        l.hide();
    for (CSkinLabel& l : m_lblOct)
        l.hide();
}

void CSpotSequencePage::ShowModeStates()
{
    const int mode = Mode();
    for (int m = 0; m < kModes; ++m) {
        // A disabled mode keeps its disabled look.
        if (!m_btnModeOn[m].m_bEnabled)
            continue;
        SetupCtl::ShowChoice(m_btnModeOn[m], m_btnModeOff[m], m == mode);
    }
}

void CSpotSequencePage::ShowModeView()
{
    m_view = View::Mode;
    SetBackgroundIndex(0);
    m_tabs.Show(0);
    ShowDurationOrEventTab();
    m_btnAllCheck.hide();
    m_btnReturnAll.hide();
    for (int r = 0; r < m_nChannelCount; ++r) {
        m_rowCheck[r].hide();
        m_slider[r].hide();
        m_btnEventOn[r].hide();
        m_btnEventOff[r].hide();
    }
    for (CSkinLabel& l : m_rowLabel)
        l.hide();
    HideDwellLabels();
    for (int m = 0; m < kModes; ++m) {
        const int y = 29 + SetupCtl::kRowPitch * m;
        m_btnModeOn[m].setGeometry(175, y, 100, 17);
        m_btnModeOff[m].setGeometry(276, y, 100, 17);
        m_btnModeOn[m].show();
        m_btnModeOff[m].show();
    }
    ShowModeStates();
    // The alarm and audio modes are not offered; motion takes the fifth row.
    for (int m : {4, 6}) {
        m_btnModeOn[m].hide();
        m_btnModeOff[m].hide();
    }
    m_lblEventMode[0].hide();
    m_lblEventMode[2].hide();
    m_btnModeOn[5].move(175, 121);
    m_btnModeOff[5].move(276, 121);
    m_lblEventMode[1].setGeometry(12, 124, 115, 14);
    m_lblEventMode[1].show();
}

CSkinLabel* CSpotSequencePage::GroupLabel(int mode, int r)
{
    if (mode == 1)
        return &m_lblQuad[r / 4];
    if (mode == 2)
        return &m_lblOct[r / 8];
    return &m_lblDwell[r];
}

void CSpotSequencePage::ShowDwellView()
{
    const int mode = Mode();
    const int n = m_nChannelCount;
    if (mode == 0)
        SetBackgroundIndex(1);
    else if (mode == 1 && n > 4)
        SetBackgroundIndex(2);
    else if (mode == 2 && n > 8)
        SetBackgroundIndex(3);
    else {
        // No sequence to time here: the page stays as it is.
        SetBackgroundIndex(0);
        return;
    }
    m_view = View::Dwell;
    m_tabs.Show(1);
    m_btnAllCheck.show();
    m_btnReturnAll.show();
    for (int r = 0; r < kRows; ++r) {
        m_btnEventOn[r].hide();
        m_btnEventOff[r].hide();
    }
    for (int m = 0; m < kModes; ++m) {
        m_btnModeOn[m].hide();
        m_btnModeOff[m].hide();
    }
    for (CSkinLabel& l : m_lblEventMode)
        l.hide();
    HideDwellLabels();
    const ImageRef image = Image();
    const int group = mode == 0 ? 1 : mode == 1 ? 4 : 8;
    // A group's row sits level with the middle of its channel labels.
    const int yShift = mode == 0 ? 0 : mode == 1 ? 35 : 81;
    for (int r = 0; r < n; ++r) {
        const int y = SetupCtl::kRowPitch * r;
        m_rowLabel[r].setGeometry(28, 32 + y, 60, 14);
        m_rowLabel[r].show();
        m_rowCheck[r].SetCheck(0);
        m_slider[r].SetPos(static_cast<int>(image.Get(SetupDb::SpotDwell, r)) / 5);
        const bool lead = r % group == 0;
        m_rowCheck[r].setVisible(lead);
        m_slider[r].setVisible(lead);
        if (!lead)
            continue;
        m_rowCheck[r].setGeometry(6, 30 + yShift + y, 15, 15);
        m_slider[r].setGeometry(103, 33 + (mode == 0 ? 0 : yShift - 1) + y, 190, 9);
        CSkinLabel* label = GroupLabel(mode, r);
        label->setGeometry(315, 31 + (mode == 0 ? 0 : yShift - 1) + y, 72, 14);
        label->SetText(DwellText(m_slider[r].GetPos()));
        label->show();
    }
}

void CSpotSequencePage::ShowEventView()
{
    m_view = View::Event;
    SetBackgroundIndex(1);
    m_tabs.Show(2);
    m_btnAllCheck.show();
    m_btnReturnAll.show();
    for (CSkinLabel& l : m_lblEventMode)
        l.hide();
    HideDwellLabels();
    const ImageRef image = Image();
    for (int r = 0; r < m_nChannelCount; ++r) {
        const int y = SetupCtl::kRowPitch * r;
        m_rowLabel[r].setGeometry(28, 32 + y, 60, 14);
        m_rowLabel[r].show();
        m_rowCheck[r].SetCheck(0);
        m_rowCheck[r].setGeometry(6, 30 + y, 15, 15);
        m_rowCheck[r].show();
        m_slider[r].hide();
        m_btnEventOn[r].show();
        m_btnEventOff[r].show();
        SetupCtl::ShowChoice(m_btnEventOn[r], m_btnEventOff[r], image.Get(SetupDb::SpotEvent, r) == 1);
    }
    for (int m = 0; m < kModes; ++m) {
        m_btnModeOn[m].hide();
        m_btnModeOff[m].hide();
    }
}

void CSpotSequencePage::OnModeButton(int index)
{
    if (index < 0 || index >= kModes)
        return; // the Off buttons choose nothing
    const int mode = index;
    ImageRef image = Image();
    image.Set(SetupDb::SpotMode, static_cast<std::uint32_t>(mode));
    ShowModeStates();
    ShowDurationOrEventTab();
    // The split modes share one dwell per group; every channel's byte follows,
    // whatever the channel count, as the recorder reads them all.
    if (mode == 1 || mode == 2) {
        const int group = mode == 1 ? 4 : 8;
        for (int c = 0; c < SetupDb::kChannels; ++c)
            if (c % group != 0)
                image.Set(SetupDb::SpotDwell, c, image.Get(SetupDb::SpotDwell, c - c % group));
    }
}

int CSpotSequencePage::OnSliderMoved(int id)
{
    const int row = id - kFirstSliderId;
    const int mode = Mode();
    if (row < 0 || row >= m_nChannelCount || mode > 2 || m_view != View::Dwell)
        return 0;
    const int v = m_slider[row].GetPos();
    const QString text = DwellText(v);
    const int group = mode == 0 ? 1 : mode == 1 ? 4 : 8;
    ChannelRows rows(m_nChannelCount);
    for (int r = 0; r < m_nChannelCount; ++r)
        rows.SetChecked(r, m_rowCheck[r].GetCheck() == 1);
    ImageRef image = Image();
    for (int r = 0; r < m_nChannelCount; ++r) {
        const bool inGroup = r / group * group == row;
        const bool checked = rows.IsChecked(row) && rows.IsChecked(r);
        if (!inGroup && !checked)
            continue;
        if (!inGroup)
            m_slider[r].SetPos(v);
        GroupLabel(mode, r)->SetText(text);
        image.Set(SetupDb::SpotDwell, r, static_cast<std::uint32_t>(v * 5));
    }
    return 0;
}

void CSpotSequencePage::OnGroupCheck(int row)
{
    const int mode = Mode();
    int span = 0;
    if (mode == 1)
        span = 4;
    else if (mode == 2 && row % 8 == 0)
        span = 8;
    const int state = m_rowCheck[row].GetCheck();
    for (int r = row + 1; r < row + span && r < kRows; ++r)
        m_rowCheck[r].SetCheck(state);
}

void CSpotSequencePage::SetEvents(int row, int value)
{
    ImageRef image = Image();
    for (int r : RowTargets(row)) {
        SetupCtl::ShowChoice(m_btnEventOn[r], m_btnEventOff[r], value == 1);
        image.Set(SetupDb::SpotEvent, r, static_cast<std::uint32_t>(value));
    }
}

bool CSpotSequencePage::OnCommand(int id, WORD code)
{
    if (code != BN_CLICKED)
        return false;
    if (id == kModeTabId)
        ShowModeView();
    else if (id == kDwellTabId)
        ShowDwellView();
    else if (id == kEventTabId)
        ShowEventView();
    else if (id >= kFirstModeId && id < kFirstModeId + 2 * kModes)
        OnModeButton(id - kFirstModeId);
    else if (id >= kFirstEventOnId && id < kFirstEventOnId + kRows)
        OnEventOn(id - kFirstEventOnId);
    else if (id >= kFirstEventOffId && id < kFirstEventOffId + kRows)
        OnEventOff(id - kFirstEventOffId);
    else if (id >= SetupCtl::kFirstRowCheckId && id < SetupCtl::kFirstRowCheckId + kRows &&
             (id - SetupCtl::kFirstRowCheckId) % 4 == 0)
        OnGroupCheck(id - SetupCtl::kFirstRowCheckId);
    else
        return false;
    return true;
}

LRESULT CSpotSequencePage::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_SLIDER_MOVED)
        return OnSliderMoved(static_cast<int>(wParam));
    return CSetupPage::WindowProc(msg, wParam, lParam);
}
