#include "app/TransferBar.h"

#include "app/ResIds2.h"
#include "platform/ResourceLibrary.h"
#include "platform/Skin.h"
#include "ui/UiMessages.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <climits>

namespace {

int ClampKB(unsigned kb)
{
    return kb > static_cast<unsigned>(INT_MAX) ? INT_MAX : static_cast<int>(kb);
}

} // namespace

CTransferBarDlg::CTransferBarDlg(ITransferBarHost* pMainDlg, QWidget* pParent)
    : CSnappingBarDlg(pParent), m_pMainDlg(pMainDlg)
{
    m_btnStop.setParent(this);
    m_btnStop.SetDlgCtrlID(kIdStop);
    m_progress.setParent(this);
    m_progress.SetDlgCtrlID(kIdProgress);
    // Enter and Esc do nothing, Alt+F4 is swallowed: the skin's key rules.
    SetSkinKeyRules(true);
    setAttribute(Qt::WA_ShowWithoutActivating);
}

CTransferBarDlg::~CTransferBarDlg() = default;

bool CTransferBarDlg::OnInitDialog()
{
    Dialog::OnInitDialog();
    const ResourceLibrary& res = ResourceLibrary::Current();
    m_bmpBack = res.LoadBitmap(IDB_XFERBAR_BACK);
    m_progress.SetBackBitmap(IDB_XFERBAR_PROGRESS_BACK);
    m_progress.SetBarBitmap(IDB_XFERBAR_PROGRESS_FILL);
    m_progress.SetTextStyle(true, 0xFEFE);
    m_progress.setGeometry(20, 11, 280, m_progress.m_bmBack.height());
    m_btnStop.SetBitmap(IDB_XFERBAR_STOP);
    m_btnStop.setGeometry(320, 6, 28, 28);

    setFixedSize(kWidth, kHeight);
    QRect area;
    if (parentWidget())
        area = parentWidget()->window()->frameGeometry();
    else if (QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    MoveBar(area.center() - QPoint(kWidth / 2, kHeight / 2));
    SetTransparent(this, kAlpha, m_bmpBack.isNull() ? QImage() : m_bmpBack.scaled(kWidth, kHeight));
    return true;
}

void CTransferBarDlg::Start(unsigned totalKB)
{
    Create();
    show();
    // A transfer of 0 KByte has the range 0 ... 0; the bar shows 0 % and
    // closes normally.
    m_progress.SetRange(0, ClampKB(totalKB), true);
    m_progress.SetPos(0);
}

void CTransferBarDlg::SetProgress(unsigned receivedKB)
{
    m_progress.SetPos(ClampKB(receivedKB));
}

void CTransferBarDlg::OnStop()
{
    if (m_pMainDlg)
        m_pMainDlg->TransferStop();
}

QPoint CTransferBarDlg::MoveBar(QPoint proposed)
{
    BarRect grid;
    if (m_pMainDlg && m_pMainDlg->TransferGridRect(&grid))
        proposed = SnapTransferBar(proposed, QSize(kWidth, kHeight), grid);
    move(proposed);
    return proposed;
}

LRESULT CTransferBarDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_COMMAND && CommandId(wParam) == kIdStop && CommandCode(wParam) == BN_CLICKED) {
        OnStop();
        return 0;
    }
    return Dialog::WindowProc(msg, wParam, lParam);
}

void CTransferBarDlg::paintEvent(QPaintEvent*)
{
    if (m_bmpBack.isNull())
        return;
    QPainter p(this);
    p.drawImage(m_rcWindow, m_bmpBack); // stretched over the bar
}



