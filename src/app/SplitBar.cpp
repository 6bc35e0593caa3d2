#include "app/SplitBar.h"

#include "app/ResIds2.h"
#include "platform/ResourceLibrary.h"
#include "platform/Skin.h"
#include "ui/UiMessages.h"

#include <QPainter>

CSplitSelectDlg::CSplitSelectDlg(Wnd* pOwner) : Dialog(pOwner, Qt::Widget), m_pOwner(pOwner)
{
    for (int i = 0; i < 10; ++i) {
        m_btnSplit[i].setParent(this);
        m_btnSplit[i].SetDlgCtrlID(kEscButton - i);
    }
    setAttribute(Qt::WA_ShowWithoutActivating);
}

CSplitSelectDlg::~CSplitSelectDlg() = default;

bool CSplitSelectDlg::OnInitDialog()
{
    Dialog::OnInitDialog();
    const ResourceLibrary& res = ResourceLibrary::Current();
    m_bmpBack = res.LoadBitmap(IDB_SPLITBAR_BACK);
    for (int i = 0; i < 10; ++i) {
        const int id = kFirstButton + i;
        CSkinButton& button = Button(id);
        button.SetBitmap(
            static_cast<UINT>(id == kEscButton ? IDB_SPLITBAR_ESC : IDB_SPLITBAR_LAYOUT_FIRST + i));
        button.setGeometry(4 + 34 * i, 4, 34, 34);
        button.show();
    }
    SetTimer(kTimerFirstShow, kFirstShowMs);
    return true;
}

void CSplitSelectDlg::PopupAt(int left, int /*top*/, int right, int bottom, int alpha)
{
    hide();
    const QSize size = this->size();
    // A floating top-most bar of its own, still owned by the grid.
    setParent(m_pOwner, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_ShowWithoutActivating);
    resize(size);
    move(SplitBarPosition(BarRect{left, 0, right, bottom}, size));
    SetTransparent(this, alpha,
                   m_bmpBack.isNull() ? QImage() : m_bmpBack.copy(0, 0, size.width(), size.height()));
}

void CSplitSelectDlg::ShowAutoHide(int show)
{
    if (show == 0) {
        hide();
        return;
    }
    this->show();
    SetTimer(kTimerAutoHide, kAutoHideMs); // restarts a running period
}

void CSplitSelectDlg::OnTimer(UINT id)
{
    if (id == kTimerFirstShow || id == kTimerAutoHide) {
        KillTimer(id);
        ShowAutoHide(id == kTimerFirstShow ? 1 : 0);
    }
}

void CSplitSelectDlg::OnSplitButton(int id)
{
    if (id < kFirstButton || id > kEscButton || !m_pOwner)
        return;
    // Posted, not sent: the grid destroys this bar when Esc leaves full
    // screen, which must not happen under the button's own click handling.
    PostMessage(m_pOwner->Handle(), WM_SPLIT_SELECT, static_cast<WPARAM>(id), 0);
}

LRESULT CSplitSelectDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_COMMAND && CommandCode(wParam) == BN_CLICKED && CommandId(wParam) >= kFirstButton &&
        CommandId(wParam) <= kEscButton) {
        OnSplitButton(CommandId(wParam));
        return 0;
    }
    return Dialog::WindowProc(msg, wParam, lParam);
}

void CSplitSelectDlg::paintEvent(QPaintEvent*)
{
    if (m_bmpBack.isNull())
        return;
    QPainter p(this);
    p.drawImage(QPoint(0, 0), m_bmpBack, rect()); // unstretched
}
