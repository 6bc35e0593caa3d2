#include "ui/SkinCtrl.h"

#include <QKeyEvent>

CSkinCtrl::CSkinCtrl(QWidget* parent) : Wnd(parent), CDlgItem(this) {}

void CSkinCtrl::SetWindowText(const QString& text)
{
    m_strWindowText = text;
    update();
}

void CSkinCtrl::keyPressEvent(QKeyEvent* e)
{
    // Not Wnd's key rules: those belong to top-level windows.
    QWidget::keyPressEvent(e);
}

void CSkinCtrl::keyReleaseEvent(QKeyEvent* e)
{
    QWidget::keyReleaseEvent(e);
}

LRESULT CSkinCtrl::NotifyParent(WORD code) const
{
    return CDlgItem::NotifyParent(code, static_cast<LPARAM>(Handle().Id()));
}
