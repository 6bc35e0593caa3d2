// The picture viewer of the Load command: a still in a window of its size,
// Enter and Esc close it, and a file that does not load closes it unseen,
// whatever the file holds.
#include "app/ImageViewDlg.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <chrono>

namespace {

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// A JPEG header claiming 65535 x 65535 pixels, and no data after it.
QByteArray HugeJpegHeader()
{
    QImage small(8, 8, QImage::Format_RGB888);
    small.fill(Qt::green);
    QByteArray bytes;
    {
        QBuffer b(&bytes);
        b.open(QIODevice::WriteOnly);
        small.save(&b, "JPEG");
    }
    // The frame header (SOF0): FF C0, length, precision, height, width.
    const int sof = bytes.indexOf(QByteArray("\xFF\xC0", 2));
    if (sof >= 0) {
        bytes[sof + 5] = '\xFF';
        bytes[sof + 6] = '\xFF';
        bytes[sof + 7] = '\xFF';
        bytes[sof + 8] = '\xFF';
    }
    return bytes.left(sof + 64);
}

// Runs the viewer; answers the run's result, whether it was ever visible,
// and the client size it had (Esc closes a viewer that opens).
struct ViewRun
{
    int result = -99;
    bool shown = false;
    QSize client;
};
ViewRun RunViewer(const QString& path)
{
    ViewRun run;
    CImageViewDlg dlg(nullptr);
    dlg.m_strPath = path;
    QTimer probe;
    probe.setInterval(5);
    const auto start = std::chrono::steady_clock::now();
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (!dlg.IsModalRunning())
            return;
        if (dlg.isVisible() && !dlg.testAttribute(Qt::WA_DontShowOnScreen)) {
            run.shown = true;
            run.client = dlg.size();
            QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QCoreApplication::sendEvent(&dlg, &esc);
        } else if (std::chrono::steady_clock::now() - start > std::chrono::seconds(30)) {
            dlg.EndDialog(-2); // never reached: the viewer would hang
        }
    });
    probe.start();
    run.result = dlg.DoModal();
    return run;
}

TEST(ImageViewer, StillInAWindowOfItsSize)
{
    QTemporaryDir dir;
    QImage still(720, 576, QImage::Format_RGB888);
    still.fill(Qt::blue);
    ASSERT_TRUE(still.save(dir.filePath("a.jpg"), "JPEG"));
    const ViewRun run = RunViewer(dir.filePath("a.jpg"));
    EXPECT_TRUE(run.shown);
    EXPECT_EQ(run.client, QSize(720, 576));
    EXPECT_EQ(run.result, 2);
}

TEST(ImageViewer, EnterClosesAndThePictureFillsTheClientArea)
{
    QTemporaryDir dir;
    QImage still(80, 60, QImage::Format_RGB888);
    still.fill(Qt::red);
    ASSERT_TRUE(still.save(dir.filePath("b.bmp"), "BMP"));
    CImageViewDlg dlg(nullptr);
    dlg.m_strPath = dir.filePath("b.bmp");
    dlg.OnInitDialog();
    ASSERT_EQ(dlg.size(), QSize(80, 60));
    dlg.resize(160, 120);
    const QImage shown = dlg.grab().toImage();
    EXPECT_EQ(shown.pixel(150, 110), qRgb(255, 0, 0)) << "stretched over the client area";
    QTimer::singleShot(0, [&] {
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(&dlg, &enter);
    });
    EXPECT_EQ(dlg.DoModal(), 2);
}

TEST(ImageViewer, FilesThatDoNotLoadCloseItUnseen)
{
    QTemporaryDir dir;
    QImage still(320, 240, QImage::Format_RGB888);
    still.fill(Qt::white);
    ASSERT_TRUE(still.save(dir.filePath("whole.jpg"), "JPEG"));
    QFile whole(dir.filePath("whole.jpg"));
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    const QByteArray jpeg = whole.readAll();

    WriteBytes(dir.filePath("zero.jpg"), QByteArray());
    WriteBytes(dir.filePath("garbage.jpg"), QByteArray(4096, '\x5A'));
    WriteBytes(dir.filePath("garbage.tif"), QByteArray("II*\0garbage", 11));
    WriteBytes(dir.filePath("huge.jpg"), HugeJpegHeader());
    for (const char* name : {"zero.jpg", "garbage.jpg", "garbage.tif", "huge.jpg", "missing.bmp"}) {
        const ViewRun run = RunViewer(dir.filePath(name));
        EXPECT_FALSE(run.shown) << name;
        EXPECT_EQ(run.result, 2) << name << ": closed as if cancelled";
    }

    // A truncated JPEG is shown as far as it decodes, or refused: either
    // way the run ends.
    WriteBytes(dir.filePath("cut.jpg"), jpeg.left(jpeg.size() / 2));
    const ViewRun cut = RunViewer(dir.filePath("cut.jpg"));
    EXPECT_EQ(cut.result, 2);
    if (cut.shown) {
        EXPECT_EQ(cut.client, QSize(320, 240));
    }
}

} // namespace
