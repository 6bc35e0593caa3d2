#include "ui/NameEntryDlg.h"

#include "platform/ResourceLibrary.h"
#include "platform/Skin.h"
#include "ui/ResIds.h"
#include "ui/SkinDraw.h"
#include "ui/UiMessages.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace {
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
} // namespace

CNameEntryDlg::CNameEntryDlg(QWidget* pParent, QWidget*, BYTE nOpacity, const QString& label)
    : Dialog(pParent), m_editName(this), m_btnOK(this), m_nOpacity(nOpacity), m_szLabel(label.left(kMaxLabel))
{
    m_editName.SetDlgCtrlID(kEditId);
    m_btnOK.SetDlgCtrlID(kIdOk);
    // The platform's dialog keys: Enter is OK, Esc and Alt+F4 are Cancel.
    SetSkinKeyRules(false);
    SetDragFromBackground(true);
}

bool CNameEntryDlg::OnInitDialog()
{
    const ResourceLibrary& res = ResourceLibrary::Current();
    m_bmpBack = res.LoadBitmap(IDB_PROMPT_BACK);
    m_btnOK.SetBitmap(IDB_PROMPT_BUTTON);
    m_bmpLabel = res.LoadBitmap(IDB_PROMPT_LABEL);

    m_btnOK.SetFont(9, 0, 700, "Arial Bold");
    const COLORREF colours[4] = {0xFFFFFF, 0xFFFFFF, 0xFFFF00, 0xA6A6A6};
    std::copy(std::begin(colours), std::end(colours), m_btnOK.m_crText);
    m_btnOK.SetText(0, res.LoadResString(IDS_OK), true);

    setFixedSize(m_rcBack.size());
    if (QWidget* p = parentWidget()) {
        const QRect area = p->window()->frameGeometry();
        move(area.center() - rect().center());
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }

    m_strName.clear();
    m_editName.SetWindowText(QString());
    m_btnOK.setGeometry(244, 52, 100, 27);
    m_editName.setGeometry(130, 21, 210, 17);
    m_editName.SetTextColor(0x783C3C);
    m_editName.setFocus();
    SetTransparent(this, m_nOpacity, m_bmpBack);
    return true;
}

LRESULT CNameEntryDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_COMMAND && CommandCode(wParam) == BN_CLICKED) {
        const int id = CommandId(wParam);
        if (id == kIdOk) {
            // What the OK handling exchanges before the prompt closes.
            m_strName = m_editName.GetWindowText();
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

void CNameEntryDlg::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    DrawBitmap(p, m_bmpBack, m_rcBack.left(), m_rcBack.top(), m_rcBack.right() + 1, m_rcBack.bottom() + 1,
               false, 0);
    DrawBitmap(p, m_bmpLabel, m_rcLabel.left(), m_rcLabel.top(), m_rcLabel.right() + 1,
               m_rcLabel.bottom() + 1, false, 0);
    p.setPen(Qt::white);
    p.setFont(MakeSkinFont("Arial Bold", 9, 700));
    p.drawText(m_rcLabel, Qt::AlignCenter | Qt::TextSingleLine, m_szLabel);
}
