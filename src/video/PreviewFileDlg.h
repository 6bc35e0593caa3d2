// The Load command's open-file dialog with a picture preview: beside the
// file list a framed preview of the file under the cursor and its size.
// Qt's own (non-native) file dialog, so the preview area can join it.
#pragma once

#include "ui/PictureStatic.h"

#include <QFileDialog>
#include <QFrame>
#include <QLabel>
#include <QWidget>

class CPreviewFileDlg : public QFileDialog
{
    Q_OBJECT
public:
    static constexpr int kAreaWidth = 656;
    static constexpr int kAreaHeight = 340;
    static constexpr int kPreviewWidth = 360;
    static constexpr int kPreviewHeight = 240;
    static constexpr int kFrameWidth = 400;
    static constexpr int kFrameHeight = 280;

    // The filter of saved stills; the dialog opens in `folder`.
    static const char* const kFilter;

    CPreviewFileDlg(QWidget* parent, const QString& folder);

    // A file became current: its preview and "(w x h)", or both empty when
    // it does not load.
    void OnFileNameChange(const QString& path);
    // Another folder: the preview and the size are cleared.
    void OnFolderChange(const QString& folder);

    QWidget m_wndTemplate;
    QFrame m_wndFrame;
    CPictureStatic m_wndPreview;
    QLabel m_wndSize;
};
