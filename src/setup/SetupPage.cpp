#include "setup/SetupPage.h"

#include "setup/RemoteSetupDlg.h"
#include "setup/SetupControls.h"
#include "ui/SkinDraw.h"
#include "ui/UiMessages.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cstring>
#include <memory>

void SetPickerAnchor(const QWidget& anchor, QPoint click, PickerRect& rect, std::int32_t& x, std::int32_t& y)
{
    const QPoint topLeft = anchor.mapToGlobal(QPoint(0, 0));
    rect.left = topLeft.x();
    rect.top = topLeft.y();
    rect.right = topLeft.x() + anchor.width();
    rect.bottom = topLeft.y() + anchor.height();
    x = click.x();
    y = click.y();
}

CSetupPage::CSetupPage(int templateId, int backgroundId)
    : Dialog(nullptr, Qt::Widget), m_nTemplateId(templateId), m_nBackgroundId(backgroundId)
{
    for (int r = 0; r < kRows; ++r) {
        m_rowCheck[r].setParent(this);
        m_rowCheck[r].SetDlgCtrlID(SetupCtl::kFirstRowCheckId + r);
        m_rowCheck[r].hide();
        m_rowLabel[r].setParent(this);
        m_rowLabel[r].SetDlgCtrlID(SetupCtl::kFirstRowLabelId + r);
        m_rowLabel[r].hide();
    }
    m_btnAllCheck.setParent(this);
    m_btnAllCheck.SetDlgCtrlID(SetupCtl::kAllCheckId);
    m_btnAllCheck.hide();
    m_btnReturnAll.setParent(this);
    m_btnReturnAll.SetDlgCtrlID(SetupCtl::kReturnAllId);
    m_btnReturnAll.hide();
}

CSetupPage::~CSetupPage() = default;

bool CSetupPage::Create(CRemoteSetupDlg* pHost, const SetupPageArgs& args)
{
    if (pHost == nullptr)
        return false;
    m_pSetupDlg = pHost;
    m_args = args;
    setParent(pHost);
    return Dialog::Create();
}

bool CSetupPage::OnInitDialog()
{
    Dialog::OnInitDialog();
    m_nChannelCount = std::clamp(Caps().channelCount, 0, kRows);
    SetBackground(m_nBackgroundId);
    BuildPage();
    setGeometry(SetupCtl::kPageX, SetupCtl::kPageY, SetupCtl::kPageWidth, SetupCtl::kPageHeight);
    return true;
}

void CSetupPage::SetPickerClosePolicy(PickerClosePolicy policy)
{
    m_closePolicy = policy;
    // Moves without a button reach the page only while it tracks the mouse.
    setMouseTracking(policy == PickerClosePolicy::SurfaceMove);
}

void CSetupPage::SetBackground(int bitmapId)
{
    m_nBackgroundId = bitmapId;
    m_bmpBack = bitmapId > 0 ? LoadSkinBitmap(bitmapId) : QImage();
    update();
}

ImageRef CSetupPage::Image() const
{
    return m_pSetupDlg ? m_pSetupDlg->Image() : ImageRef();
}

const RecorderCaps& CSetupPage::Caps() const
{
    static const RecorderCaps none;
    return m_pSetupDlg ? m_pSetupDlg->Caps() : none;
}

SetupVersion CSetupPage::Version() const
{
    return m_pSetupDlg ? m_pSetupDlg->Version() : SetupVersion{};
}

void CSetupPage::OnListPicked(int, int) {}

void CSetupPage::OnSliderPicked(int, int, int, int) {}

void CSetupPage::RunTeardown()
{
    if (m_bTornDown)
        return;
    m_bTornDown = true;
    OnTeardown();
}

LRESULT CSetupPage::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_CLOSE) {
        // As an opener does: the pickers first (a slider's value still lands
        // here), then the page leaves its slot at once.
        ClosePickers();
        hide();
        RunTeardown();
        if (m_pSetupDlg)
            m_pSetupDlg->OnPageGone(this);
        DestroyWindow();
        return 0;
    }
    if (msg == WM_COMMAND) {
        const int id = CommandId(wParam);
        const WORD code = CommandCode(wParam);
        if (m_bRows && code == BN_CLICKED && id == SetupCtl::kAllCheckId) {
            OnAllCheck();
            return 0;
        }
        if (m_bRows && code == BN_CLICKED && id == SetupCtl::kReturnAllId) {
            OnReturnAll();
            return 0;
        }
        OnCommand(id, code);
        // Modeless: OK and Cancel of the keyboard end nothing.
        return 0;
    }
    return Wnd::WindowProc(msg, wParam, lParam);
}

bool CSetupPage::OnCommand(int, WORD)
{
    return false;
}

void CSetupPage::DrawExtra(QPainter&) {}

void CSetupPage::PostNcDestroy()
{
    if (m_pSetupDlg)
        m_pSetupDlg->OnPageGone(this);
    deleteLater();
}

void CSetupPage::BuildChannelRows(int xCheck, int yCheck, int xLabel, int yLabel, int labelWidth,
                                  bool commandButtons)
{
    m_bRows = true;
    for (int r = 0; r < kRows; ++r) {
        SetupCtl::RowCheckBox(m_rowCheck[r], xCheck, yCheck + SetupCtl::kRowPitch * r);
        SetupCtl::ChannelLabel(m_rowLabel[r], r, xLabel, yLabel + SetupCtl::kRowPitch * r, labelWidth);
        m_rowCheck[r].setVisible(r < m_nChannelCount);
        m_rowLabel[r].setVisible(r < m_nChannelCount);
    }
    if (commandButtons) {
        SetupCtl::CommandButton(m_btnAllCheck, LoadResString(5640), 2);
        SetupCtl::CommandButton(m_btnReturnAll, LoadResString(5641), 103);
    }
}

std::vector<int> CSetupPage::RowTargets(int r)
{
    ChannelRows rows(m_nChannelCount);
    for (int i = 0; i < m_nChannelCount; ++i)
        rows.SetChecked(i, m_rowCheck[i].GetCheck() == 1);
    return rows.Targets(r);
}

void CSetupPage::OnAllCheck()
{
    for (int r = 0; r < m_nChannelCount; ++r)
        m_rowCheck[r].SetCheck(1);
}

void CSetupPage::OnReturnAll()
{
    for (int r = 0; r < m_nChannelCount; ++r)
        m_rowCheck[r].SetCheck(0);
}

bool CSetupPage::OpenListFromCell(CSkinLabel& cell, int nItemId, const std::vector<QString>& items, int width,
                                  int nColumnsMode, bool openWhenEmpty, std::vector<int> values)
{
    if (!openWhenEmpty && cell.GetWindowText().isEmpty())
        return false;
    return OpenList(cell, cell.m_ptClick, nItemId, items, width, nColumnsMode, std::move(values));
}

bool CSetupPage::OpenList(QWidget& anchor, QPoint click, int nItemId, const std::vector<QString>& items,
                          int width, int nColumnsMode, std::vector<int> values)
{
    if (!m_pSetupDlg)
        return false;
    auto request = std::make_unique<ListPickerRequest>();
    std::memset(request.get(), 0, sizeof *request);
    const int n = std::min<int>(static_cast<int>(items.size()), ListPickerRequest::kMaxItems);
    request->Count = n;
    for (int i = 0; i < n; ++i)
        SetListPickerItem(*request, i, items[static_cast<size_t>(i)].toLatin1().constData());
    SetPickerAnchor(anchor, click, request->AnchorRect, request->ClickX, request->ClickY);
    request->Width = width;
    m_pickValues[nItemId] = std::move(values);
    m_pSetupDlg->OpenListPicker(this, nItemId, request.get(), nColumnsMode);
    return true;
}

int CSetupPage::PickedValue(int nItemId, int nIndex) const
{
    const auto it = m_pickValues.find(nItemId);
    if (it == m_pickValues.end() || it->second.empty())
        return nIndex;
    if (nIndex < 0 || nIndex >= static_cast<int>(it->second.size()))
        return -1;
    return it->second[static_cast<size_t>(nIndex)];
}

void CSetupPage::OpenNumberSlider(QWidget& anchor, QPoint click, int nItemId, int value, int minimum,
                                  int maximum, int width)
{
    if (!m_pSetupDlg)
        return;
    SliderPickerRequest request{};
    request.Count = 1;
    request.Value1 = value;
    request.Value2 = minimum;
    request.Value3 = maximum;
    SetPickerAnchor(anchor, click, request.AnchorRect, request.ClickX, request.ClickY);
    request.Width = width;
    m_pSetupDlg->OpenSliderPicker(this, nItemId, &request, 0);
}

void CSetupPage::OpenTimeSlider(QWidget& anchor, QPoint click, int nItemId, int count, int hours, int minutes,
                                int seconds, int width)
{
    if (!m_pSetupDlg)
        return;
    SliderPickerRequest request{};
    request.Count = std::clamp(count, 1, 3);
    request.Value1 = hours;
    request.Value2 = minutes;
    request.Value3 = seconds;
    SetPickerAnchor(anchor, click, request.AnchorRect, request.ClickX, request.ClickY);
    request.Width = width;
    m_pSetupDlg->OpenSliderPicker(this, nItemId, &request, 1);
}

void CSetupPage::ClosePickers()
{
    if (m_pSetupDlg)
        m_pSetupDlg->ClosePickers();
}

void CSetupPage::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    DrawBitmap(p, m_bmpBack, 0, 0, SetupCtl::kPageWidth, SetupCtl::kPageHeight, true, 0);
    DrawExtra(p);
}

void CSetupPage::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton && m_closePolicy == PickerClosePolicy::SurfacePress)
        ClosePickers();
    // A page's background does not drag the window.
    e->accept();
}

void CSetupPage::mouseMoveEvent(QMouseEvent* e)
{
    if (m_closePolicy == PickerClosePolicy::SurfaceMove)
        ClosePickers();
    e->accept();
}
