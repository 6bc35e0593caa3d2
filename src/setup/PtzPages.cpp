#include "setup/PtzPages.h"

#include "setup/MailFields.h"
#include "setup/RemoteSetupDlg.h"
#include "setup/SetupPageIds.h"
#include "ui/SkinDraw.h"
#include "ui/UiMessages.h"

#include <QPainter>
#include <algorithm>

namespace {
constexpr int kSliderChannel = 1695;
constexpr int kSliderActive = 1696;
constexpr int kOffText = 5340;
constexpr COLORREF kLabelColour = 0x783C3C;

void PlaceSlider(CSkinSlider& s, int x, int y, int maximum)
{
    s.SetChannelBitmaps(kSliderChannel, kSliderActive, false, 0, 0, 0);
    s.EnableFocusRect(true, false);
    s.SetMargin(0, 0, 0, 0);
    s.SetRange(0, maximum, false);
    s.setGeometry(x, y, 190, 9);
}
} // namespace

bool PtzUpShown(const RecorderCaps& caps)
{
    return !(caps.hasConnection && !caps.subProduct52);
}

const PtzPageDesc& PtzSetupDesc()
{
    static const PtzPageDesc desc = [] {
        PtzPageDesc d;
        d.templateId = SetupPage::kPtzSetup;
        d.background = 1720;
        d.device = PtzDevice::Camera;
        d.idField = SetupDb::PtzId;
        d.protocolField = SetupDb::PtzProtocol;
        d.baudField = SetupDb::PtzBaud;
        return d;
    }();
    return desc;
}

const PtzPageDesc& PtzControllerDesc()
{
    static const PtzPageDesc desc = [] {
        PtzPageDesc d;
        d.templateId = SetupPage::kPtzController;
        d.background = 1722;
        d.device = PtzDevice::Keyboard;
        d.idField = SetupDb::KeyboardId;
        d.protocolField = SetupDb::KeyboardProtocol;
        d.baudField = SetupDb::KeyboardBaud;
        d.controller = true;
        return d;
    }();
    return desc;
}

// --- PTZ setup and controller -------------------------------------------------

CPtzSetupPage::CPtzSetupPage(const PtzPageDesc& desc)
    : CSetupPage(desc.templateId, desc.background), m_desc(desc)
{
    for (int r = 0; r < kRows; ++r) {
        m_slider[r].setParent(this);
        m_slider[r].SetDlgCtrlID(kFirstSliderId + r);
        m_slider[r].hide();
        m_lblValue[r].setParent(this);
        m_lblValue[r].SetDlgCtrlID(desc.controller ? kControllerCellId : kFirstCellId + r);
        m_lblValue[r].hide();
    }
    for (CSkinTextButton* b : {&m_btnNext, &m_btnUp}) {
        b->setParent(this);
        b->hide();
    }
    m_btnNext.SetDlgCtrlID(kNextId);
    m_btnUp.SetDlgCtrlID(kUpId);
    SetPickerClosePolicy(PickerClosePolicy::SurfacePress);
}

int CPtzSetupPage::Rows() const
{
    return m_desc.controller ? 1 : m_nChannelCount;
}

void CPtzSetupPage::BuildPage()
{
    // The recorder's tables as the window copied them when it opened.
    m_table = PtzProtocolTable::FromCaps(Caps(), m_desc.device);
    m_idChoices = {LoadResString(kOffText), "1", "2", "3", "4", "5", "-1", "+1"};
    m_tabs.Build(this, {{kFirstTabId, 2252, QRect(2, 0, 133, 24), LoadResString(5486)},
                        {kFirstTabId + 1, 2253, QRect(135, 0, 133, 24), LoadResString(5711)},
                        {kFirstTabId + 2, 2254, QRect(268, 0, 133, 24), LoadResString(5712)}});
    if (!m_desc.controller) {
        BuildChannelRows(6, 30, 28, 32, 50);
        SetupCtl::CommandButton(m_btnNext, LoadResString(5584), 305);
    }
    for (int r = 0; r < Rows(); ++r)
        PlaceSlider(m_slider[r], 103, 33 + SetupCtl::kRowPitch * r, 255);
    if (PtzUpShown(Caps()))
        SetupCtl::CommandButton(m_btnUp, "Up", m_desc.controller ? 305 : 204);
    ShowTab(kIdTab);
}

void CPtzSetupPage::ShowTab(int tab)
{
    if (tab < kIdTab || tab > kBaudTab)
        return;
    ClosePickers();
    m_nTab = tab;
    m_tabs.Show(tab);
    for (int r = 0; r < Rows(); ++r) {
        CSkinLabel& cell = m_lblValue[r];
        if (tab == kIdTab) {
            m_slider[r].SetPos(IdOf(r));
            SetupCtl::ValueCell(cell, IdText(m_slider[r].GetPos()), 315, 31 + SetupCtl::kRowPitch * r, 72);
            m_slider[r].show();
        } else {
            m_slider[r].hide();
            const QString text = tab == kProtocolTab ? m_table.Name(ProtocolOf(r)) : BaudCellText(r);
            SetupCtl::ValueCell(cell, text, 165, 31 + SetupCtl::kRowPitch * r, 180);
        }
        m_rowCheck[r].SetCheck(0);
    }
}

QString CPtzSetupPage::IdText(int id) const
{
    return id > 0 ? QString::number(id) : LoadResString(kOffText);
}

QString CPtzSetupPage::BaudCellText(int r) const
{
    if (m_desc.controller && m_table.MaxBaud(ProtocolOf(r)) == 0)
        return QStringLiteral("None");
    return PtzProtocolTable::BaudText(BaudOf(r));
}

void CPtzSetupPage::ShowCell(int r)
{
    if (m_nTab == kIdTab)
        m_lblValue[r].SetText(IdText(IdOf(r)));
    else if (m_nTab == kProtocolTab)
        m_lblValue[r].SetText(m_table.Name(ProtocolOf(r)));
    else
        m_lblValue[r].SetText(BaudCellText(r));
}

bool CPtzSetupPage::OnCommand(int id, WORD code)
{
    const int tab = m_tabs.IndexOf(id);
    if (tab >= 0 && code == BN_CLICKED) {
        ShowTab(tab);
        return true;
    }
    if (code == STN_CLICKED) {
        if (m_desc.controller && id == kControllerCellId) {
            OpenRowPicker(0);
            return true;
        }
        if (!m_desc.controller && id >= kFirstCellId && id < kFirstCellId + kRows) {
            OpenRowPicker(id - kFirstCellId);
            return true;
        }
    }
    if (id == kNextId && code == BN_CLICKED && !m_desc.controller) {
        if (m_pSetupDlg)
            m_pSetupDlg->ShowPage(SetupPage::kPtzLimit);
        return true;
    }
    if (id == kUpId && code == BN_CLICKED) {
        if (m_pSetupDlg)
            m_pSetupDlg->ShowPage(SetupPage::kSerialSetup);
        return true;
    }
    return false;
}

LRESULT CPtzSetupPage::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_SLIDER_MOVED) {
        const int r = static_cast<int>(wParam) - kFirstSliderId;
        if (r >= 0 && r < Rows())
            OnIdSliderMoved(r);
        return 0;
    }
    return CSetupPage::WindowProc(msg, wParam, lParam);
}

void CPtzSetupPage::OpenRowPicker(int r)
{
    if (r < 0 || r >= Rows())
        return;
    CSkinLabel& cell = m_lblValue[r];
    // The lists open also from an empty cell: a row without a protocol can
    // still get one.
    if (m_nTab == kIdTab) {
        OpenList(cell, cell.m_ptClick, r, m_idChoices, 100);
    } else if (m_nTab == kProtocolTab) {
        if (m_desc.controller && m_table.IsNamed() && m_table.Name(0).isEmpty())
            return;
        // Free entries are left out: each line keeps the position it stands for.
        OpenList(cell, cell.m_ptClick, r, m_table.Lines(), 140, 0, m_table.LinePositions());
    } else {
        const int m = m_table.MaxBaud(ProtocolOf(r));
        if (m_desc.controller && m_table.IsNamed() && m == 0)
            return;
        OpenList(cell, cell.m_ptClick, r, PtzProtocolTable::BaudLines(m), 140);
    }
}

std::vector<int> CPtzSetupPage::Targets(int r)
{
    if (m_desc.controller)
        return r == 0 ? std::vector<int>{0} : std::vector<int>{};
    return RowTargets(r);
}

void CPtzSetupPage::SetId(int r, int id)
{
    ImageRef image = Image();
    image.SetU8(m_desc.idField.At(static_cast<std::uint32_t>(r)), static_cast<std::uint8_t>(id));
    m_slider[r].SetPos(id);
    m_lblValue[r].SetText(IdText(id));
}

void CPtzSetupPage::OnListPicked(int nItemId, int nIndex)
{
    const int r = nItemId;
    if (r < 0 || r >= Rows() || nIndex < 0)
        return;
    ImageRef image = Image();
    if (m_nTab == kIdTab) {
        if (nIndex > kIdPlusLine)
            return;
        for (int i : Targets(r)) {
            const int id = IdOf(i);
            // Each row steps from its own value.
            if (nIndex == kIdMinusLine)
                SetId(i, id <= 1 ? 0 : id - 1);
            else if (nIndex == kIdPlusLine)
                SetId(i, std::min(id + 1, 255));
            else
                SetId(i, nIndex);
        }
    } else if (m_nTab == kProtocolTab) {
        const int position = PickedValue(r, nIndex);
        if (position < 0)
            return;
        const int m = m_table.MaxBaud(position);
        for (int i : Targets(r)) {
            image.SetU8(m_desc.protocolField.At(static_cast<std::uint32_t>(i)),
                        static_cast<std::uint8_t>(position));
            // A rate the new protocol does not allow becomes its last one
            // (255 when it allows none).
            if (BaudOf(i) >= m)
                image.SetU8(m_desc.baudField.At(static_cast<std::uint32_t>(i)),
                            static_cast<std::uint8_t>(m - 1));
            ShowCell(i);
        }
    } else {
        for (int i : Targets(r)) {
            int baud = nIndex;
            if (i != r) {
                const int m = m_table.MaxBaud(ProtocolOf(i));
                if (baud >= m)
                    baud = m - 1;
            }
            image.SetU8(m_desc.baudField.At(static_cast<std::uint32_t>(i)), static_cast<std::uint8_t>(baud));
            ShowCell(i);
        }
    }
}

void CPtzSetupPage::OnIdSliderMoved(int r)
{
    if (m_nTab != kIdTab)
        return;
    const int v = m_slider[r].GetPos();
    for (int i : Targets(r))
        SetId(i, v);
}

// --- PTZ limits ---------------------------------------------------------------

CPtzLimitPage::CPtzLimitPage() : CSetupPage(SetupPage::kPtzLimit, 1720)
{
    for (int r = 0; r < kRows; ++r) {
        m_slider[r].setParent(this);
        m_slider[r].SetDlgCtrlID(kFirstSliderId + r);
        m_slider[r].hide();
        m_lblValue[r].setParent(this);
        m_lblValue[r].SetDlgCtrlID(kFirstLabelId + r);
        m_lblValue[r].hide();
    }
    for (CSkinTextButton* b : {&m_btnPrev, &m_btnUp}) {
        b->setParent(this);
        b->hide();
    }
    m_btnPrev.SetDlgCtrlID(kPrevId);
    m_btnUp.SetDlgCtrlID(kUpId);
}

const SetupDb::Field& CPtzLimitPage::Field() const
{
    static const SetupDb::Field fields[4] = {SetupDb::PanLow, SetupDb::PanHigh, SetupDb::TiltLow,
                                             SetupDb::TiltHigh};
    return fields[std::clamp(m_nTab, 0, 3)];
}

void CPtzLimitPage::BuildPage()
{
    m_tabs.Build(this, {{kFirstTabId, 2255, QRect(2, 0, 100, 24), LoadResString(5720)},
                        {kFirstTabId + 1, 2256, QRect(102, 0, 100, 24), LoadResString(5721)},
                        {kFirstTabId + 2, 2256, QRect(202, 0, 100, 24), LoadResString(5722)},
                        {kFirstTabId + 3, 2257, QRect(302, 0, 100, 24), LoadResString(5723)}});
    BuildChannelRows(6, 30, 28, 32, 50);
    for (int r = 0; r < kRows; ++r) {
        PlaceSlider(m_slider[r], 103, 33 + SetupCtl::kRowPitch * r, 10);
        CSkinLabel& l = m_lblValue[r];
        l.SetNotify(false);
        l.SetBitmap(0, SetupCtl::kValueCellBitmap);
        l.SetStyle(kLabelColour, kLabelColour, 0, 0, true, 9, "Arial Bold");
        l.setGeometry(315, 31 + SetupCtl::kRowPitch * r, 72, 14);
        m_slider[r].setVisible(r < m_nChannelCount);
        l.setVisible(r < m_nChannelCount);
    }
    SetupCtl::CommandButton(m_btnPrev, LoadResString(5583), 305);
    if (PtzUpShown(Caps()))
        SetupCtl::CommandButton(m_btnUp, "Up", 204);
    ShowTab(0);
}

void CPtzLimitPage::ShowTab(int tab)
{
    if (tab < 0 || tab > 3)
        return;
    m_nTab = tab;
    m_tabs.Show(tab);
    const ImageRef image = Image();
    for (int r = 0; r < m_nChannelCount; ++r) {
        // A stored value above 9 shows at the right end and stays as it is
        // until the row's slider moves.
        m_slider[r].SetPos(static_cast<int>(image.Get(Field(), r)) + 1);
        m_rowCheck[r].SetCheck(0);
        m_lblValue[r].SetText(QString::number(m_slider[r].GetPos()));
    }
}

bool CPtzLimitPage::OnCommand(int id, WORD code)
{
    if (code != BN_CLICKED)
        return false;
    const int tab = m_tabs.IndexOf(id);
    if (tab >= 0) {
        ShowTab(tab);
        return true;
    }
    if (id == kPrevId || id == kUpId) {
        if (m_pSetupDlg)
            m_pSetupDlg->ShowPage(id == kPrevId ? SetupPage::kPtzSetup : SetupPage::kSerialSetup);
        return true;
    }
    return false;
}

LRESULT CPtzLimitPage::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_SLIDER_MOVED) {
        const int r = static_cast<int>(wParam) - kFirstSliderId;
        if (r >= 0 && r < m_nChannelCount)
            OnLimitSliderMoved(r);
        return 0;
    }
    return CSetupPage::WindowProc(msg, wParam, lParam);
}

void CPtzLimitPage::OnLimitSliderMoved(int r)
{
    int p = m_slider[r].GetPos();
    if (p == 0) {
        // The left end does not stay: it springs back to the first step.
        m_slider[r].SetPos(1);
        p = 1;
    }
    ImageRef image = Image();
    for (int i : RowTargets(r)) {
        m_slider[i].SetPos(p);
        m_lblValue[i].SetText(QString::number(p));
        image.Set(Field(), i, static_cast<std::uint32_t>(p - 1));
    }
}

// --- Serial setup -------------------------------------------------------------

CSerialSetupPage::CSerialSetupPage() : CSetupPage(SetupPage::kSerialSetup, 1751)
{
    m_lblCaption.setParent(this);
    m_lblCaption.SetDlgCtrlID(kCaptionId);
    m_lblUse.setParent(this);
    m_lblUse.SetDlgCtrlID(kUseCellId);
    m_btnTelemetry.setParent(this);
    m_btnTelemetry.SetDlgCtrlID(kTelemetryId);
    m_btnKeyboard.setParent(this);
    m_btnKeyboard.SetDlgCtrlID(kKeyboardId);
    for (QWidget* w : {static_cast<QWidget*>(&m_lblCaption), static_cast<QWidget*>(&m_lblUse),
                       static_cast<QWidget*>(&m_btnTelemetry), static_cast<QWidget*>(&m_btnKeyboard)})
        w->hide();
    SetPickerClosePolicy(PickerClosePolicy::SurfacePress);
}

void CSerialSetupPage::BuildPage()
{
    m_uses = {QStringLiteral("Keyboard Input"), QStringLiteral("Telemetry Output")};
    m_bmpBar = LoadSkinBitmap(2261);
    SetupCtl::TitleLabel(m_lblCaption, QStringLiteral("RS485"), 10, 9, 120);
    SetupCtl::ValueCell(m_lblUse,
                        MailFields::ChoiceText(m_uses, static_cast<int>(Image().Get(SetupDb::Rs485Use))), 190,
                        8, 150);
    SetupCtl::WideCommandButton(m_btnTelemetry, m_uses[1], 241, 368);
    SetupCtl::WideCommandButton(m_btnKeyboard, m_uses[0], 241, 396);
}

void CSerialSetupPage::DrawExtra(QPainter& p)
{
    DrawBitmap(p, m_bmpBar, 0, 5, 403, 28, true, 0);
}

bool CSerialSetupPage::OnCommand(int id, WORD code)
{
    if (id == kUseCellId && code == STN_CLICKED) {
        OpenUsePicker();
        return true;
    }
    if ((id == kTelemetryId || id == kKeyboardId) && code == BN_CLICKED) {
        if (m_pSetupDlg)
            m_pSetupDlg->ShowPage(id == kTelemetryId ? SetupPage::kPtzSetup : SetupPage::kPtzController);
        return true;
    }
    return false;
}

void CSerialSetupPage::OpenUsePicker()
{
    OpenListFromCell(m_lblUse, 0, m_uses, 180);
}

void CSerialSetupPage::OnListPicked(int nItemId, int nIndex)
{
    if (nItemId != 0 || nIndex < 0 || nIndex >= static_cast<int>(m_uses.size()))
        return;
    if (static_cast<int>(Image().Get(SetupDb::Rs485Use)) == nIndex)
        return;
    ImageRef image = Image();
    image.Set(SetupDb::Rs485Use, static_cast<std::uint32_t>(nIndex));
    m_lblUse.SetText(m_uses[static_cast<std::size_t>(nIndex)]);
}
