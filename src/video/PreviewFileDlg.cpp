#include "video/PreviewFileDlg.h"

#include <QGridLayout>

#include <algorithm>

const char* const CPreviewFileDlg::kFilter =
    "JPEG files(*.jpg), BMP files(*.bmp), TIFF files(*.tif) (*.jpg *.bmp *.tif)";

CPreviewFileDlg::CPreviewFileDlg(QWidget* parent, const QString& folder)
    : QFileDialog(parent), m_wndTemplate(this), m_wndFrame(&m_wndTemplate), m_wndPreview(&m_wndTemplate),
      m_wndSize(&m_wndTemplate)
{
    // The platform's own dialog could not take the preview area.
    setOption(QFileDialog::DontUseNativeDialog, true);
    setAcceptMode(QFileDialog::AcceptOpen);
    setFileMode(QFileDialog::ExistingFile);
    setNameFilter(QString::fromLatin1(kFilter));
    setDirectory(folder);

    m_wndTemplate.setFixedSize(kAreaWidth, kAreaHeight);
    m_wndFrame.setFrameStyle(QFrame::Box | QFrame::Sunken);
    m_wndFrame.setGeometry((kAreaWidth - kFrameWidth) / 2, (kAreaHeight - kFrameHeight) / 2, kFrameWidth,
                           kFrameHeight);
    m_wndPreview.setGeometry((kAreaWidth - kPreviewWidth) / 2, (kAreaHeight - kPreviewHeight) / 2,
                             kPreviewWidth, kPreviewHeight);
    m_wndPreview.raise();
    m_wndSize.setGeometry(248, 10, 160, 19);
    if (auto* grid = qobject_cast<QGridLayout*>(layout()))
        grid->addWidget(&m_wndTemplate, grid->rowCount(), 0, 1, grid->columnCount());
    // Room for the file list above the preview area.
    resize(std::max(sizeHint().width(), 720), std::max(sizeHint().height() + 160, 680));

    connect(this, &QFileDialog::currentChanged, this, &CPreviewFileDlg::OnFileNameChange);
    connect(this, &QFileDialog::directoryEntered, this, &CPreviewFileDlg::OnFolderChange);
}

void CPreviewFileDlg::OnFileNameChange(const QString& path)
{
    if (m_wndPreview.LoadPicture(path))
        m_wndSize.setText(QStringLiteral("(%1 x %2)").arg(m_wndPreview.m_nWidth).arg(m_wndPreview.m_nHeight));
    else
        m_wndSize.clear();
}

void CPreviewFileDlg::OnFolderChange(const QString&)
{
    m_wndPreview.LoadPicture(QString());
    m_wndSize.clear();
}
