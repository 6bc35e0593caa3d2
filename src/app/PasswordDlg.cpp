#include "app/PasswordDlg.h"

#include "app/ResIdsPassword.h"
#include "platform/ResourceLibrary.h"
#include "platform/Skin.h"

CPasswordDlg::CPasswordDlg(QWidget* pParent, BYTE nOpacity)
    : CPromptDlg(pParent, nOpacity), m_editPassword(this), m_btnOK(this), m_btnCancel(this)
{
    m_editPassword.SetDlgCtrlID(kEditId);
    m_btnOK.SetDlgCtrlID(kIdOk);
    m_btnCancel.SetDlgCtrlID(kIdCancel);
}

bool CPasswordDlg::OnInitDialog()
{
    const ResourceLibrary& res = ResourceLibrary::Current();
    LoadFace(IDB_PASSWORD_BACK, IDB_PASSWORD_LABEL);
    SetupCaptionButton(m_btnOK, IDB_PASSWORD_BUTTON, res.LoadResString(IDS_PASSWORD_OK), kPromptButtonText);
    SetupCaptionButton(m_btnCancel, IDB_PASSWORD_BUTTON, res.LoadResString(IDS_PASSWORD_CANCEL),
                       kPromptButtonText);

    m_strPassword.clear();
    m_editPassword.SetWindowText(QString());
    m_editPassword.setMaxLength(kMaxLength);
    m_editPassword.setEchoMode(QLineEdit::Password);
    m_editPassword.setGeometry(130, 21, 210, 17);
    m_editPassword.SetTextColor(0x783C3C);
    m_btnOK.setGeometry(138, 52, 100, 27);
    m_btnCancel.setGeometry(244, 52, 100, 27);
    m_editPassword.setFocus();
    SetTransparent(this, m_nOpacity, m_bmpBack);
    return true;
}

void CPasswordDlg::OnOk()
{
    m_strPassword = m_editPassword.GetWindowText();
}

QString CPasswordDlg::LabelText() const
{
    return ResourceLibrary::Current().LoadResString(IDS_PASSWORD_PROMPT);
}
