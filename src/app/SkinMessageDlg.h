// The skinned notification box: up to three centred lines over the skin's
// message background, with OK, Cancel or both. Modal, top-most, layered with
// the message-box opacity, dragged by any point of its body.
#pragma once

#include "app/NotifyTable.h"
#include "platform/Wnd.h"
#include "ui/SkinButton.h"
#include "ui/SkinLabel.h"

#include <QImage>
#include <QRect>
#include <QString>

class CSkinMessageDlg : public Dialog
{
    Q_OBJECT
public:
    static constexpr int kWidth = 308;
    static constexpr int kHeight = 136;

    CSkinMessageDlg(QWidget* pParent, BYTE nOpacity);
    ~CSkinMessageDlg() override;

    // Fills the lines, widths, count and mode; call before DoModal.
    void SetContent(const MessageBoxContent& content);

    bool OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    // Where line `index` of a box of `count` lines sits, and its plate bitmap.
    static QRect LineRect(int count, int index, int width);
    static int LineBitmap(int count, int index);

    CSkinTextButton m_btnCancel;
    CSkinTextButton m_btnOk;
    CSkinLabel m_lblLine[3];
    QString m_szLine[3];
    int m_nWidth[3] = {0, 0, 0};
    int m_nLineCount = 1;  // 1 to 3
    int m_nButtonMode = 0; // 0 OK and Cancel, 1 OK only, 2 Cancel only
    BYTE m_nOpacity;
    QWidget* m_pParent;
    QImage m_bmpBack;
    QRect m_rcWindow{0, 0, kWidth, kHeight};
    QRect m_rcLine[3];
    CSkinLabel* m_pLine[3] = {nullptr, nullptr, nullptr};

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    void CentreOnParent();
};

// Creates the box over `parent`, runs it modally and deletes it; *slot holds
// the box while it runs (the main window's m_pMessageDlg). kNotifyBoxOk or
// kNotifyBoxCancel.
int RunSkinMessageBox(QWidget* parent, BYTE opacity, const MessageBoxContent& content,
                      CSkinMessageDlg** slot = nullptr);
