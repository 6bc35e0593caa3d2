#include "ui/DlgItem.h"

#include "platform/Wnd.h"
#include "ui/UiMessages.h"

WndHandle CDlgItem::ParentHandle() const
{
    for (QWidget* w = m_self ? m_self->parentWidget() : nullptr; w; w = w->parentWidget()) {
        if (auto* wnd = qobject_cast<Wnd*>(w))
            return wnd->Handle();
    }
    return WndHandle();
}

LRESULT CDlgItem::SendToParent(UINT msg, WPARAM wParam, LPARAM lParam) const
{
    return SendMessage(ParentHandle(), msg, wParam, lParam);
}

bool CDlgItem::PostToParent(UINT msg, WPARAM wParam, LPARAM lParam) const
{
    return PostMessage(ParentHandle(), msg, wParam, lParam);
}

LRESULT CDlgItem::NotifyParent(WORD code, LPARAM lParam) const
{
    return SendToParent(WM_COMMAND, MakeCommandWParam(m_nDlgCtrlID, code), lParam);
}
