// The main window's still pictures: the Save button's snapshot with one save
// worker per shown channel, the reaping of the workers and the one report of
// a failed Save, and the Load button's file dialog and picture viewer.
#include "app/ClientDlg.h"

#include "app/ImageViewDlg.h"
#include "platform/Paths.h"
#include "ui/NameEntryDlg.h"
#include "video/PreviewFileDlg.h"

#include <QPointer>

namespace {

// The name prompt keeps this many characters of what was typed.
constexpr int kMaxTypedName = 100;

} // namespace

bool CClientDlg::StartStillSave()
{
    if (!m_pVideoWnd)
        return false;
    std::vector<CVideoGridDlg::SnapshotPicture> pictures = m_pVideoWnd->TakeSnapshot(m_nDateFormat);
    if (pictures.empty())
        return false;

    QString typed;
    {
        QPointer<CNameEntryDlg> prompt =
            new CNameEntryDlg(this, this, m_arrOpacity[0], QStringLiteral("File Name"));
        prompt->DoModal();
        if (!prompt)
            return false; // went with the main window
        // Whatever way the prompt was closed, its text is the name.
        typed = prompt->m_editName.GetWindowText().left(kMaxTypedName);
        delete prompt.data();
    }
    const std::string name = typed.toUtf8().toStdString();
    std::string folder = Paths::Join(m_strLocation, "\\Saved\\");
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    const std::time_t now = m_deps.now ? m_deps.now() : std::time(nullptr);

    m_nSaveFailure = 0;
    for (CVideoGridDlg::SnapshotPicture& shot : pictures) {
        CSaveImageThread::Job job;
        job.channel = shot.channel;
        job.width = shot.width;
        job.height = shot.height;
        job.pictureFormat = shot.format;
        job.picture = std::move(shot.picture);
        job.timeText = std::move(shot.timeText);
        job.saveFormat = m_nSaveFormat;
        job.name = name;
        job.folder = folder;
        job.now = now;
        auto& slot = m_arrSaveThread[static_cast<std::size_t>(shot.channel)];
        slot.reset(); // an earlier worker of the channel ends first
        slot = std::make_unique<CSaveImageThread>(std::move(job));
    }
    return true;
}

int CClientDlg::ReapSaveWorkers()
{
    int running = 0;
    for (auto& worker : m_arrSaveThread) {
        if (!worker)
            continue;
        if (!worker->IsDone()) {
            ++running;
            continue;
        }
        worker->DestroyWindow();
        if (worker->Result() != kStillOk && m_nSaveFailure == 0)
            m_nSaveFailure = worker->Result();
        worker.reset();
    }
    if (running == 0 && m_nSaveFailure != 0) {
        // One report for the whole Save, after its last worker.
        PostMessage(Handle(), WM_NOTIFY_EVENT, Handle().Id(),
                    MakeNotifyParam(NOTIFY_WRITE_FAILED, m_nSaveFailure));
        m_nSaveFailure = 0;
    }
    return running;
}

bool CClientDlg::ChooseSavedPicture(const std::string& folder, std::string* path)
{
    if (!path || m_pFileDlg)
        return false;
    QPointer<CPreviewFileDlg> dialog = new CPreviewFileDlg(this, QString::fromStdString(folder));
    m_pFileDlg = dialog.data();
    const int result = dialog->exec();
    if (!dialog)
        return false; // went with the main window
    m_pFileDlg = nullptr;
    const QStringList files = dialog->selectedFiles();
    delete dialog.data();
    if (result != QDialog::Accepted || files.isEmpty())
        return false;
    *path = files.first().toStdString();
    return true;
}

void CClientDlg::ShowSavedPicture(const std::string& path)
{
    if (m_pImageViewDlg)
        return;
    QPointer<CImageViewDlg> viewer = new CImageViewDlg(this);
    viewer->m_strPath = QString::fromStdString(path);
    m_pImageViewDlg = viewer.data();
    viewer->DoModal();
    if (!viewer)
        return; // went with the main window
    m_pImageViewDlg = nullptr;
    delete viewer.data();
}
