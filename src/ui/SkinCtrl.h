// Base of the kit's window controls: a child Wnd with a control id, a window
// text, and keys it does not use passed on to its dialog (so Enter and Esc
// still reach the dialog's default and cancel handling).
#pragma once

#include "platform/Wnd.h"
#include "ui/DlgItem.h"

#include <QString>

class CSkinCtrl : public Wnd, public CDlgItem
{
    Q_OBJECT
public:
    explicit CSkinCtrl(QWidget* parent = nullptr);

    void SetWindowText(const QString& text);
    QString GetWindowText() const { return m_strWindowText; }

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    // WM_COMMAND to the parent with this control's handle in lParam.
    LRESULT NotifyParent(WORD code) const;

    QString m_strWindowText;
};
