// The password prompt: asks the user to type a password again before a
// guarded action (remote setup on some recorders, stopping the recording,
// rebooting the recorder). It only collects the text; the caller compares it.
// Enter is OK; Esc, the window's close and a posted WM_CLOSE (the connection
// ends, or the user's rights change) are Cancel.
#pragma once

#include "platform/Wnd.h"
#include "ui/SkinButton.h"
#include "ui/SkinEdit.h"

#include <QImage>
#include <QRect>
#include <QString>

class CPasswordDlg : public Dialog
{
    Q_OBJECT
public:
    static constexpr int kEditId = 383;
    static constexpr int kMaxLength = 8;

    // pParent: the main window; nOpacity: its opacity entry 0.
    CPasswordDlg(QWidget* pParent, BYTE nOpacity);

    bool OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    // The typed text after OK.
    QString m_strPassword;
    CNameEdit m_editPassword;
    CSkinTextButton m_btnOK;
    CSkinTextButton m_btnCancel;
    QImage m_bmpBack;
    QRect m_rcBack{0, 0, 356, 86};
    QImage m_bmpPrompt;
    QRect m_rcPrompt{QPoint(14, 22), QPoint(119, 36)}; // (14, 22)-(120, 37)
    BYTE m_nAlpha;

protected:
    void paintEvent(QPaintEvent* e) override;
};
