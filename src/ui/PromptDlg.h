// What the skinned one-line prompts (file name, password) share: a 356 x 86
// back, a label plate with a text drawn on it, the window centred over its
// owner, and the platform's dialog keys (Enter is OK; Esc, the window's close
// and a posted WM_CLOSE are Cancel). Each prompt adds its edit box and buttons
// and takes the typed text in OnOk.
#pragma once

#include "platform/Wnd.h"

#include <QImage>
#include <QRect>
#include <QString>

class QWidget;

// Centres `dlg` over its owner's top-level window, or over the primary
// screen when it has no owner.
void CenterOverOwner(QWidget& dlg);

class CPromptDlg : public Dialog
{
    Q_OBJECT
public:
    static constexpr int kIdOk = 1;
    static constexpr int kIdCancel = 2;

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

protected:
    // nOpacity: the main window's opacity entry for this prompt.
    CPromptDlg(QWidget* pParent, BYTE nOpacity);

    // Loads the back and the label plate, fixes the window to the back's
    // size and centres it over the owner.
    void LoadFace(int backId, int labelId);
    // What OK does before the prompt ends with kIdOk: keep the typed text.
    virtual void OnOk() = 0;
    // The text drawn centred on the label plate.
    virtual QString LabelText() const = 0;

    void paintEvent(QPaintEvent* e) override;
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

    QImage m_bmpBack;
    QRect m_rcBack{0, 0, 356, 86};
    QImage m_bmpLabel;
    QRect m_rcLabel{QPoint(14, 22), QPoint(119, 36)}; // (14, 22)-(120, 37)
    BYTE m_nOpacity;

private:
    // Set from each show until the prompt's window is first on the screen.
    bool m_bActivateOnExpose = false;
};
