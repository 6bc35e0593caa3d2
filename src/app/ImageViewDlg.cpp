#include "app/ImageViewDlg.h"

#include "ui/UiMessages.h"

#include <QKeyEvent>
#include <QPainter>

namespace {
constexpr int kIdCancel = 2;
}

CImageViewDlg::CImageViewDlg(QWidget* pParent)
    : Dialog(pParent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

bool CImageViewDlg::OnInitDialog()
{
    Dialog::OnInitDialog();
    m_hBitmap = PictureFile::Load(m_strPath);
    if (m_hBitmap.isNull()) {
        // Never shown: the run ends as if cancelled.
        setAttribute(Qt::WA_DontShowOnScreen, true);
        PostMessage(Handle(), WM_CLOSE, 0, 0);
        return true;
    }
    m_nWidth = m_hBitmap.width();
    m_nHeight = m_hBitmap.height();
    setWindowTitle(m_strPath.section(QLatin1Char('/'), -1));
    // The client area is the picture; the window manager adds the frame.
    resize(m_nWidth, m_nHeight);
    return true;
}

void CImageViewDlg::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (m_hBitmap.isNull()) {
        p.fillRect(rect(), Qt::black);
        return;
    }
    p.drawImage(rect(), m_hBitmap);
}

void CImageViewDlg::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter || e->key() == Qt::Key_Escape) {
        EndDialog(kIdCancel);
        e->accept();
        return;
    }
    Dialog::keyPressEvent(e);
}
