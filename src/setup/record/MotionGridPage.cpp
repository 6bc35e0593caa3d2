#include "setup/record/MotionGridPage.h"

#include "setup/RemoteSetupDlg.h"
#include "setup/SetupControls.h"
#include "setup/SetupPageIds.h"
#include "setup/record/ResIdsSensorPages.h"
#include "ui/SkinDraw.h"
#include "ui/UiMessages.h"

#include <algorithm>

namespace {
constexpr int kBackground = IDB_MOTION_GRID_BACK;
constexpr int kChannelBitmap = IDB_MOTION_GRID_CHANNEL;
constexpr int kTextBack = IDS_PAGE_BACK;
constexpr COLORREF kCommandText[4] = {0xFFFFFF, 0xF1EB62, 0xF1EB62, 0xBEB9B3};
} // namespace

CMotionGridPage::CMotionGridPage() : CSetupPage(SetupPage::kMotionGrid, kBackground)
{
    m_grid.setParent(this);
    m_grid.SetDlgCtrlID(kGridId);
    for (int i = 0; i < kRows; ++i) {
        m_btnChannel[i].setParent(this);
        m_btnChannel[i].SetDlgCtrlID(kFirstChannelId + i);
        m_btnChannel[i].hide();
    }
    for (auto* b : {&m_btnSelectAll, &m_btnClearAll, &m_btnBack})
        b->setParent(this);
    m_btnSelectAll.SetDlgCtrlID(kSelectAllId);
    m_btnClearAll.SetDlgCtrlID(kClearAllId);
    m_btnBack.SetDlgCtrlID(kBackId);
}

void CMotionGridPage::BuildPage()
{
    const QString channel = LoadResString(SetupCtl::kChannelText);
    for (int i = 0; i < kRows; ++i) {
        CSkinTextButton& b = m_btnChannel[i];
        b.SetBitmap(kChannelBitmap);
        b.SetFont(8, 0, 700, "Arial Bold");
        std::copy(std::begin(kCommandText), std::end(kCommandText), b.m_crText);
        b.SetText(0, QString::asprintf("%s%02d", channel.toLatin1().constData(), i + 1), true);
        b.setGeometry(8 + 49 * (i % 8), i < 8 ? 6 : 33, 45, 22);
        b.setVisible(i < m_nChannelCount);
    }
    SetupCtl::CommandButton(m_btnSelectAll, LoadResString(5640), 2);
    SetupCtl::CommandButton(m_btnClearAll, LoadResString(5641), 103);
    SetupCtl::CommandButton(m_btnBack, LoadResString(kTextBack), 304);

    // 10 x 36 by 8 x 36: a 720 x 576 picture at half its size.
    m_grid.setGeometry(kGridX, kGridY, kCols * kCell, kRowsUsed * kCell);
    m_grid.LoadBitmaps();
    m_grid.m_pCells = Image().IsValid() && Image().Size() >= SetupDb::MotionGrid.End()
                          ? Image().Data() + SetupDb::MotionGrid.offset
                          : nullptr;
    for (int r = 0; r < kRowsUsed; ++r)
        for (int c = 0; c < kCols; ++c)
            m_grid.AddCell(kCell * c, kCell * r, kCell * c + kCell, kCell * r + kCell);
    m_grid.show();
    SelectChannel(0);
    SetTimer(kGrabTimer, kGrabPeriodMs);
}

bool CMotionGridPage::Grab()
{
    m_grid.m_bShowStill = 0;
    ISetupHost* host = m_pSetupDlg ? m_pSetupDlg->SetupHost() : nullptr;
    return host != nullptr && host->GrabStillForMotionGrid(&m_grid, m_nChannel) != 0;
}

void CMotionGridPage::SelectChannel(int ch)
{
    if (ch < 0 || ch >= kRows)
        return;
    m_nChannel = ch;
    Grab();
    m_grid.m_nChannel = ch;
    // Anything but 1 in a used cell is shown clear and stored as 0.
    for (int r = 0; r < kRowsUsed; ++r) {
        for (int c = 0; c < kCols; ++c) {
            const GridRect rect{kCell * c, kCell * r, kCell * c + kCell, kCell * r + kCell};
            const std::uint32_t at = SetupDb::MotionGrid.At(static_cast<std::uint32_t>(ch)) +
                                     static_cast<std::uint32_t>(11 * r + c);
            if (Image().U8(at) == 1)
                m_grid.SelectCell(rect);
            else
                m_grid.DeselectCell(rect);
        }
    }
    for (int i = 0; i < kRows; ++i)
        m_btnChannel[i].SetState(0);
    m_btnChannel[ch].SetState(1);
    m_grid.update();
}

void CMotionGridPage::OnSelectAll()
{
    m_grid.SelectAll();
}

void CMotionGridPage::OnClearAll()
{
    m_grid.DeselectAll();
}

void CMotionGridPage::OnTimer(UINT)
{
    if (TornDown())
        return;
    Grab();
    // Only the grid changes; the page's background stays as it is.
    m_grid.update();
}

void CMotionGridPage::StopGrabbing()
{
    KillTimer(kGrabTimer);
}

void CMotionGridPage::OnTeardown()
{
    StopGrabbing();
}

bool CMotionGridPage::DestroyWindow()
{
    StopGrabbing();
    const bool done = CSetupPage::DestroyWindow();
    m_grid.RemoveAllCells();
    return done;
}

void CMotionGridPage::OnBack()
{
    if (m_pSetupDlg)
        m_pSetupDlg->ShowPage(SetupPage::kMotionRecord);
}

bool CMotionGridPage::OnCommand(int id, WORD code)
{
    if (code != BN_CLICKED)
        return false;
    if (id >= kFirstChannelId && id < kFirstChannelId + kRows) {
        SelectChannel(id - kFirstChannelId);
        return true;
    }
    switch (id) {
    case kSelectAllId:
        OnSelectAll();
        return true;
    case kClearAllId:
        OnClearAll();
        return true;
    case kBackId:
        OnBack();
        return true;
    default:
        return false;
    }
}
