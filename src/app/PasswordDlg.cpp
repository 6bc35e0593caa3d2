#include "app/PasswordDlg.h"

#include "app/ResIdsPassword.h"
#include "platform/ResourceLibrary.h"
#include "platform/Skin.h"
#include "ui/SkinDraw.h"
#include "ui/UiMessages.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <algorithm>

namespace {
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
} // namespace

CPasswordDlg::CPasswordDlg(QWidget* pParent, BYTE nOpacity)
    : Dialog(pParent), m_editPassword(this), m_btnOK(this), m_btnCancel(this), m_nAlpha(nOpacity)
{
    m_editPassword.SetDlgCtrlID(kEditId);
    m_btnOK.SetDlgCtrlID(kIdOk);
    m_btnCancel.SetDlgCtrlID(kIdCancel);
    // The platform's dialog keys: Enter is OK, Esc and Alt+F4 are Cancel.
    SetSkinKeyRules(false);
    SetDragFromBackground(true);
}

bool CPasswordDlg::OnInitDialog()
{
    const ResourceLibrary& res = ResourceLibrary::Current();
    m_bmpBack = res.LoadBitmap(IDB_PASSWORD_BACK);
    m_bmpPrompt = res.LoadBitmap(IDB_PASSWORD_LABEL);
    const COLORREF colours[4] = {0xFFFFFF, 0xFFFFFF, 0xFFFF00, 0xA6A6A6};
    const std::pair<CSkinTextButton*, int> buttons[] = {{&m_btnOK, IDS_PASSWORD_OK},
                                                        {&m_btnCancel, IDS_PASSWORD_CANCEL}};
    for (const auto& [button, text] : buttons) {
        button->SetBitmap(IDB_PASSWORD_BUTTON);
        button->SetFont(9, 0, 700, "Arial Bold");
        std::copy(std::begin(colours), std::end(colours), button->m_crText);
        button->SetText(0, res.LoadResString(text), true);
    }

    setFixedSize(m_rcBack.size());
    if (QWidget* p = parentWidget()) {
        const QRect area = p->window()->frameGeometry();
        move(area.center() - rect().center());
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }

    m_strPassword.clear();
    m_editPassword.SetWindowText(QString());
    m_editPassword.setMaxLength(kMaxLength);
    m_editPassword.setEchoMode(QLineEdit::Password);
    m_editPassword.setGeometry(130, 21, 210, 17);
    m_editPassword.SetTextColor(0x783C3C);
    m_btnOK.setGeometry(138, 52, 100, 27);
    m_btnCancel.setGeometry(244, 52, 100, 27);
    m_editPassword.setFocus();
    SetTransparent(this, m_nAlpha, m_bmpBack);
    return true;
}

LRESULT CPasswordDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_COMMAND && CommandCode(wParam) == BN_CLICKED) {
        const int id = CommandId(wParam);
        if (id == kIdOk) {
            m_strPassword = m_editPassword.GetWindowText();
            EndDialog(kIdOk);
            return 0;
        }
        if (id == kIdCancel) {
            EndDialog(kIdCancel);
            return 0;
        }
    }
    return Dialog::WindowProc(msg, wParam, lParam);
}

void CPasswordDlg::paintEvent(QPaintEvent*)
{
    const ResourceLibrary& res = ResourceLibrary::Current();
    QPainter p(this);
    DrawBitmap(p, m_bmpBack, m_rcBack.left(), m_rcBack.top(), m_rcBack.right() + 1, m_rcBack.bottom() + 1, false,
               0);
    DrawBitmap(p, m_bmpPrompt, m_rcPrompt.left(), m_rcPrompt.top(), m_rcPrompt.right() + 1,
               m_rcPrompt.bottom() + 1, false, 0);
    p.setPen(Qt::white);
    p.setFont(MakeSkinFont("Arial Bold", 9, 700));
    p.drawText(m_rcPrompt, Qt::AlignCenter | Qt::TextSingleLine, res.LoadResString(IDS_PASSWORD_PROMPT));
}
