// A small skinned modal prompt for a file name: a label, one edit box that
// refuses the characters a file name cannot hold, and OK. Enter is OK, Esc
// and the window's close are Cancel; after OK the name is in m_strName.
#pragma once

#include "platform/Wnd.h"
#include "ui/SkinButton.h"
#include "ui/SkinEdit.h"

#include <QImage>
#include <QRect>
#include <QString>

class CNameEntryDlg : public Dialog
{
    Q_OBJECT
public:
    static constexpr int kEditId = 383;
    static constexpr int kMaxLabel = 259;

    // pMainDlg: the main window, kept for the callers' sake; the prompt's
    // bitmaps and texts come from the current resource library.
    CNameEntryDlg(QWidget* pParent, QWidget* pMainDlg, BYTE nOpacity, const QString& label);

    bool OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    CFileNameEdit m_editName;
    QString m_strName;
    CSkinTextButton m_btnOK;
    QImage m_bmpBack;
    QRect m_rcBack{0, 0, 356, 86};
    QRect m_rcDrag{0, 0, 356, 86};
    QImage m_bmpLabel;
    QRect m_rcLabel{QPoint(14, 22), QPoint(119, 36)}; // (14, 22)-(120, 37)
    BYTE m_nOpacity;
    QString m_szLabel;

protected:
    void paintEvent(QPaintEvent* e) override;
};
