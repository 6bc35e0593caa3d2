// A small skinned modal prompt for a file name: a label, one edit box that
// refuses the characters a file name cannot hold, and OK. Enter is OK, Esc
// and the window's close are Cancel; after OK the name is in m_strName.
#pragma once

#include "ui/PromptDlg.h"
#include "ui/SkinButton.h"
#include "ui/SkinEdit.h"

#include <QRect>
#include <QString>

class CNameEntryDlg : public CPromptDlg
{
    Q_OBJECT
public:
    static constexpr int kEditId = 383;
    static constexpr int kMaxLabel = 259;

    // pMainDlg: the main window, kept for the callers' sake; the prompt's
    // bitmaps and texts come from the current resource library.
    CNameEntryDlg(QWidget* pParent, QWidget* pMainDlg, BYTE nOpacity, const QString& label);

    bool OnInitDialog() override;

    CFileNameEdit m_editName;
    QString m_strName;
    CSkinTextButton m_btnOK;
    QRect m_rcDrag{0, 0, 356, 86};
    QString m_szLabel;

protected:
    void OnOk() override;
    QString LabelText() const override { return m_szLabel; }
};
