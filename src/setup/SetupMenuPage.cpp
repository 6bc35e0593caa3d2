#include "setup/SetupMenuPage.h"

#include "setup/RemoteSetupDlg.h"
#include "ui/SkinDraw.h"
#include "ui/UiMessages.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace {
constexpr int kMenuBack = 1652;
constexpr COLORREF kMenuText[4] = {0xFBF1D8, 0xF1EB62, 0xF1EB62, 0xFBF1D8};
} // namespace

CSetupMenuPage::CSetupMenuPage(SetupMenuKind kind, const SetupMenuCaps& caps)
    : Dialog(nullptr, Qt::Widget), m_kind(kind), m_plan(PlanSetupMenu(kind, caps))
{
}

CSetupMenuPage::~CSetupMenuPage() = default;

bool CSetupMenuPage::Create(CRemoteSetupDlg* pHost)
{
    m_pHost = pHost;
    setParent(pHost);
    return Dialog::Create();
}

bool CSetupMenuPage::OnInitDialog()
{
    Dialog::OnInitDialog();
    m_bmpBack = LoadSkinBitmap(kMenuBack);
    const size_t n = std::min(m_plan.size(), m_buttons.size());
    for (size_t i = 0; i < n; ++i) {
        const SetupMenuButton& plan = m_plan[i];
        CSkinTextButton& b = m_buttons[i];
        b.setParent(this);
        b.SetDlgCtrlID(plan.id);
        b.SetBitmap(static_cast<UINT>(plan.bitmap));
        b.SetFont(9, 0, 700, "Arial Bold");
        std::copy(std::begin(kMenuText), std::end(kMenuText), b.m_crText);
        b.SetText(34,
                  plan.fixedCaption ? QString::fromLatin1(plan.fixedCaption) : LoadResString(plan.captionId),
                  false);
        if (plan.slot >= 0) {
            b.setGeometry(SetupMenuSlotRect(plan.slot));
            b.show();
        } else {
            b.hide();
        }
    }
    setGeometry(14, 74, 174, 430);
    if (!m_plan.empty())
        OnMenuButton(m_plan.front().id);
    return true;
}

LRESULT CSetupMenuPage::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_CLOSE) {
        DestroyWindow();
        return 0;
    }
    if (msg == WM_COMMAND && CommandCode(wParam) == BN_CLICKED) {
        const int id = CommandId(wParam);
        if (id >= kSetupMenuFirstButton && id < kSetupMenuFirstButton + static_cast<int>(m_plan.size()))
            OnMenuButton(id);
        return 0;
    }
    return Wnd::WindowProc(msg, wParam, lParam);
}

void CSetupMenuPage::OnMenuButton(int id)
{
    const size_t index = static_cast<size_t>(id - kSetupMenuFirstButton);
    if (index >= m_plan.size() || index >= m_buttons.size() || m_plan[index].slot < 0)
        return;
    for (size_t i = 0; i < m_plan.size() && i < m_buttons.size(); ++i)
        m_buttons[i].SetState(0);
    m_buttons[index].SetState(1);
    if (m_pHost)
        m_pHost->ShowPage(m_plan[index].page, m_plan[index].args);
}

void CSetupMenuPage::PostNcDestroy()
{
    if (m_pHost)
        m_pHost->OnMenuGone(this);
    deleteLater();
}

void CSetupMenuPage::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    DrawBitmap(p, m_bmpBack, 0, 0, 174, 430, true, 0);
}

void CSetupMenuPage::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton && m_pHost)
        m_pHost->ClosePickers();
    // The menu's background is not the frame's: it does not drag the window.
    e->accept();
}
