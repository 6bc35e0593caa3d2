// What every control of the kit shares: a control id, and the way it reaches
// its parent window (the nearest Wnd above it) with messages.
#pragma once

#include "platform/Messages.h"

class QWidget;

class CDlgItem
{
public:
    void SetDlgCtrlID(int id) { m_nDlgCtrlID = id; }
    int GetDlgCtrlID() const { return m_nDlgCtrlID; }

    // The window that hears this control: its parent, or the nearest
    // ancestor that is a Wnd when the control sits in a plain container.
    WndHandle ParentHandle() const;

protected:
    explicit CDlgItem(QWidget* self) : m_self(self) {}
    ~CDlgItem() = default;
    CDlgItem(const CDlgItem&) = delete;
    CDlgItem& operator=(const CDlgItem&) = delete;

    LRESULT SendToParent(UINT msg, WPARAM wParam, LPARAM lParam) const;
    bool PostToParent(UINT msg, WPARAM wParam, LPARAM lParam) const;
    // WM_COMMAND (control id, code) sent to the parent; lParam names the
    // control's own window when it has one.
    LRESULT NotifyParent(WORD code, LPARAM lParam) const;

private:
    QWidget* m_self;
    int m_nDlgCtrlID = 0;
};
