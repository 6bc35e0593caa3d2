// The password prompt: asks the user to type a password again before a
// guarded action (remote setup on some recorders, stopping the recording,
// rebooting the recorder). It only collects the text; the caller compares it.
// Enter is OK; Esc, the window's close and a posted WM_CLOSE (the connection
// ends, or the user's rights change) are Cancel.
#pragma once

#include "ui/PromptDlg.h"
#include "ui/SkinButton.h"
#include "ui/SkinEdit.h"

#include <QString>

class CPasswordDlg : public CPromptDlg
{
    Q_OBJECT
public:
    static constexpr int kEditId = 383;
    static constexpr int kMaxLength = 8;

    // pParent: the main window; nOpacity: its opacity entry 0.
    CPasswordDlg(QWidget* pParent, BYTE nOpacity);

    bool OnInitDialog() override;

    // The typed text after OK.
    QString m_strPassword;
    CNameEdit m_editPassword;
    CSkinTextButton m_btnOK;
    CSkinTextButton m_btnCancel;

protected:
    void OnOk() override;
    QString LabelText() const override;
};
