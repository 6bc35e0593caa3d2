// A saved still picture in a window of its own size: the Load command's
// viewer. A file that does not load closes the viewer at once, unseen.
// Enter and Esc close it; it drags by its title bar.
#pragma once

#include "platform/Wnd.h"
#include "ui/PictureStatic.h"

#include <QImage>
#include <QString>

class CImageViewDlg : public Dialog
{
    Q_OBJECT
public:
    explicit CImageViewDlg(QWidget* pParent);

    bool OnInitDialog() override;

    // Set by the caller before the modal run.
    QString m_strPath;
    QImage m_hBitmap; // null when loading failed
    int m_nWidth = 0;
    int m_nHeight = 0;

protected:
    void paintEvent(QPaintEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
};
