#include "ui/NameEntryDlg.h"

#include "platform/ResourceLibrary.h"
#include "platform/Skin.h"
#include "ui/ResIds.h"

CNameEntryDlg::CNameEntryDlg(QWidget* pParent, QWidget*, BYTE nOpacity, const QString& label)
    : CPromptDlg(pParent, nOpacity), m_editName(this), m_btnOK(this), m_szLabel(label.left(kMaxLabel))
{
    m_editName.SetDlgCtrlID(kEditId);
    m_btnOK.SetDlgCtrlID(kIdOk);
}

bool CNameEntryDlg::OnInitDialog()
{
    LoadFace(IDB_PROMPT_BACK, IDB_PROMPT_LABEL);
    SetupCaptionButton(m_btnOK, IDB_PROMPT_BUTTON, ResourceLibrary::Current().LoadResString(IDS_OK),
                       kPromptButtonText);

    m_strName.clear();
    m_editName.SetWindowText(QString());
    m_btnOK.setGeometry(244, 52, 100, 27);
    m_editName.setGeometry(130, 21, 210, 17);
    m_editName.SetTextColor(0x783C3C);
    m_editName.setFocus();
    SetTransparent(this, m_nOpacity, m_bmpBack);
    return true;
}

void CNameEntryDlg::OnOk()
{
    m_strName = m_editName.GetWindowText();
}
