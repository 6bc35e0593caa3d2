#include "ui/PromptDlg.h"

#include "platform/ResourceLibrary.h"
#include "platform/Skin.h"
#include "ui/SkinDraw.h"
#include "ui/UiMessages.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QWindow>

void CenterOverOwner(QWidget& dlg)
{
    if (const QWidget* p = dlg.parentWidget())
        dlg.move(p->window()->frameGeometry().center() - dlg.rect().center());
    else if (const QScreen* screen = QGuiApplication::primaryScreen())
        dlg.move(screen->availableGeometry().center() - dlg.rect().center());
}

CPromptDlg::CPromptDlg(QWidget* pParent, BYTE nOpacity) : Dialog(pParent), m_nOpacity(nOpacity)
{
    SetSkinKeyRules(false);
    SetDragFromBackground(true);
}

void CPromptDlg::LoadFace(int backId, int labelId)
{
    const ResourceLibrary& res = ResourceLibrary::Current();
    m_bmpBack = res.LoadBitmap(backId);
    m_bmpLabel = res.LoadBitmap(labelId);
    setFixedSize(m_rcBack.size());
    CenterOverOwner(*this);
}

LRESULT CPromptDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_COMMAND && CommandCode(wParam) == BN_CLICKED) {
        const int id = CommandId(wParam);
        if (id == kIdOk) {
            OnOk();
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

void CPromptDlg::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    DrawBitmap(p, m_bmpBack, m_rcBack.left(), m_rcBack.top(), m_rcBack.right() + 1, m_rcBack.bottom() + 1,
               false, 0);
    DrawBitmap(p, m_bmpLabel, m_rcLabel.left(), m_rcLabel.top(), m_rcLabel.right() + 1,
               m_rcLabel.bottom() + 1, false, 0);
    p.setPen(Qt::white);
    p.setFont(MakeSkinFont("Arial Bold", 9, 700));
    p.drawText(m_rcLabel, Qt::AlignCenter | Qt::TextSingleLine, LabelText());
}

void CPromptDlg::showEvent(QShowEvent* e)
{
    Dialog::showEvent(e);
    m_bActivateOnExpose = true;
    if (QWindow* w = windowHandle())
        w->installEventFilter(this);
}

bool CPromptDlg::eventFilter(QObject* watched, QEvent* e)
{
    // Without a window manager the activation asked for at show can be lost
    // when the prompt opens over a modal window that blocks its owner (the
    // archive log's password prompt over the search window): the keyboard
    // stayed there. Asked again once the prompt is on the screen, typing and
    // Return reach the prompt's edit box, its focus since initialisation.
    if (e->type() == QEvent::Expose && m_bActivateOnExpose && watched == windowHandle() && isVisible()) {
        QWindow* w = windowHandle();
        if (w->isExposed()) {
            m_bActivateOnExpose = false;
            if (!isActiveWindow())
                w->requestActivate();
        }
    }
    return Dialog::eventFilter(watched, e);
}
