#include "TestSupport.h"

#include "ui/ResIds.h"

#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <gtest/gtest.h>
#include <ostream>
#include <tiffio.h>

namespace uitest {

void PrintTo(const Msg& m, std::ostream* os)
{
    *os << "{msg " << m.msg << ", wParam " << m.wParam << ", lParam " << m.lParam << "}";
}

RecordingWnd::RecordingWnd()
{
    resize(400, 400);
}

LRESULT RecordingWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    const Msg m{msg, wParam, lParam};
    log.push_back(m);
    if (onMessage)
        onMessage(m);
    return 0;
}

std::vector<Msg> RecordingWnd::Of(UINT msg) const
{
    std::vector<Msg> out;
    for (const Msg& m : log)
        if (m.msg == msg)
            out.push_back(m);
    return out;
}

void Pump()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

namespace {

void SendMouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    const QPointF local(pos);
    QMouseEvent e(type, local, w->mapToGlobal(local), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

} // namespace

void Move(QWidget* w, QPoint pos, Qt::MouseButtons buttons)
{
    SendMouse(w, QEvent::MouseMove, pos, Qt::NoButton, buttons);
}

void Press(QWidget* w, QPoint pos)
{
    SendMouse(w, QEvent::MouseButtonPress, pos, Qt::LeftButton, Qt::LeftButton);
}

void Release(QWidget* w, QPoint pos)
{
    SendMouse(w, QEvent::MouseButtonRelease, pos, Qt::LeftButton, Qt::NoButton);
}

void Leave(QWidget* w)
{
    QEvent e(QEvent::Leave);
    QApplication::sendEvent(w, &e);
}

QImage Render(QWidget* w)
{
    QImage img(w->size(), QImage::Format_ARGB32);
    img.fill(0xff000000);
    w->render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
    return img;
}

QRgb Pixel(const QImage& img, int x, int y)
{
    return img.pixel(x, y) | 0xff000000;
}

QRgb FrameColour(int i)
{
    static const QRgb k[8] = {0xff101010, 0xff202080, 0xff208020, 0xff802020,
                              0xff808000, 0xff008080, 0xff800080, 0xffc0c0c0};
    return k[i & 7];
}

QRgb BackColour(int i)
{
    static const QRgb k[3] = {0xff400000, 0xff004000, 0xff000040};
    return k[i % 3];
}

QRgb BarColour(int i)
{
    static const QRgb k[3] = {0xffff8000, 0xff00ff80, 0xff8000ff};
    return k[i % 3];
}

bool WriteTiff(const QString& path, const QImage& image)
{
    const QImage img = image.convertToFormat(QImage::Format_ARGB32);
    TIFF* t = TIFFOpen(QFile::encodeName(path).constData(), "w");
    if (!t)
        return false;
    const int w = img.width();
    const int h = img.height();
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, w);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, h);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 4);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    const uint16_t extra[] = {EXTRASAMPLE_ASSOCALPHA};
    TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, extra);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, h);
    bool ok = true;
    std::vector<uint8_t> row(static_cast<std::size_t>(w) * 4);
    for (int y = 0; y < h && ok; ++y) {
        for (int x = 0; x < w; ++x) {
            const QRgb c = img.pixel(x, y);
            row[4 * x] = uint8_t(qRed(c));
            row[4 * x + 1] = uint8_t(qGreen(c));
            row[4 * x + 2] = uint8_t(qBlue(c));
            row[4 * x + 3] = uint8_t(qAlpha(c));
        }
        ok = TIFFWriteScanline(t, row.data(), static_cast<uint32_t>(y), 0) >= 0;
    }
    TIFFClose(t);
    return ok;
}

namespace {

QImage Solid(int w, int h, QRgb c)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

QImage Strip(int frames, int fw, int h, QRgb (*colour)(int))
{
    QImage img(frames * fw, h, QImage::Format_RGB32);
    QPainter p(&img);
    for (int i = 0; i < frames; ++i)
        p.fillRect(i * fw, 0, fw, h, QColor::fromRgb(colour(i)));
    return img;
}

QImage Thumb(QRgb centre)
{
    QImage img = Solid(10, 8, 0xffff00ff);
    QPainter p(&img);
    p.fillRect(2, 1, 6, 6, QColor::fromRgb(centre));
    return img;
}

QImage CheckMask()
{
    QImage img = Solid(15, 15, 0xffffffff);
    QPainter p(&img);
    p.fillRect(2, 2, 11, 11, Qt::black);
    return img;
}

// Builds the bundle once per run; the path of the .rcc ("" on failure).
std::string BuildBundle()
{
    const QByteArray tmp = qgetenv("K5_TEST_TMP");
    const QString base = tmp.isEmpty() ? QDir::tempPath() : QString::fromLocal8Bit(tmp);
    QDir().mkpath(base);
    // Removed again when the run ends.
    static QTemporaryDir dir(base + QStringLiteral("/ui-bundle-XXXXXX"));
    if (!dir.isValid())
        return {};
    const QString root = dir.path();
    QDir().mkpath(root + "/bmp");

    std::vector<std::pair<int, QImage>> bitmaps = {
        {ids::kStrip8, Strip(8, 20, 10, FrameColour)},
        {ids::kStrip4, Strip(4, 160, 26, FrameColour)},
        {ids::kChannel, Solid(200, 8, kGrey)},
        {ids::kActive, Solid(200, 8, kBlue)},
        {ids::kThumb, Thumb(0xffffffff)},
        {ids::kThumbDrag, Thumb(0xffffff00)},
        {ids::kProgBack, Strip(3, 6, 10, BackColour)},
        {ids::kProgBar, Strip(3, 6, 10, BarColour)},
        {ids::kCheckOff, Solid(15, 15, kCheckOffColour)},
        {ids::kCheckOn, Solid(15, 15, kCheckOnColour)},
        {ids::kCheckOver, Solid(15, 15, kCheckOverColour)},
        {ids::kCheckMask, CheckMask()},
        {ids::kLabelBody, Solid(40, 12, kLabelBodyColour)},
        {ids::kLabelEnd, Solid(9, 12, kLabelEndColour)},
        {IDB_MOTION_GRID_BACK, Solid(360, 288, 0xff202020)},
        {IDB_MOTION_GRID_SEL, Solid(360, 288, 0xff3060c0)},
        {IDB_REGION_GRID_NTSC_BACK, Solid(356, 244, 0xff202020)},
        {IDB_REGION_GRID_NTSC_SEL, Solid(356, 244, 0xff3060c0)},
        {IDB_REGION_GRID_PAL_BACK, Solid(356, 292, 0xff202020)},
        {IDB_REGION_GRID_PAL_SEL, Solid(356, 292, 0xff3060c0)},
        {IDB_SCHEDULE_ON, Solid(350, 360, FrameColour(1))},
        {IDB_SCHEDULE_OFF, Solid(350, 360, FrameColour(0))},
        {IDB_PROMPT_LABEL, Solid(106, 15, 0xff303030)},
        {IDB_PROMPT_BUTTON, Strip(4, 100, 27, FrameColour)},
        {IDB_PROMPT_BACK, Solid(356, 86, 0xff23262c)},
    };
    for (int v = 0; v < 4; ++v)
        bitmaps.push_back({IDB_SCHEDULE_VALUE_FIRST + v, Solid(350, 360, FrameColour(4 + v))});

    QFile qrc(root + "/test.qrc");
    if (!qrc.open(QIODevice::WriteOnly))
        return {};
    QTextStream out(&qrc);
    out << "<RCC><qresource prefix=\"/\">\n<file>strings.tsv</file>\n";
    for (const auto& [id, img] : bitmaps) {
        if (!img.save(QStringLiteral("%1/bmp/%2.png").arg(root).arg(id)))
            return {};
        out << "<file>bmp/" << id << ".png</file>\n";
    }
    out << "</qresource></RCC>\n";
    out.flush();
    qrc.close();

    QFile strings(root + "/strings.tsv");
    if (!strings.open(QIODevice::WriteOnly))
        return {};
    strings.write(QStringLiteral("%1\tOK\n").arg(IDS_OK).toUtf8());
    strings.close();

    const QString rcc = root + "/test.rcc";
    QProcess p;
    p.setWorkingDirectory(root);
    p.start(K5_RCC, {"--binary", "--no-zstd", "-o", rcc, root + "/test.qrc"});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    return rcc.toStdString();
}

const std::string& BundleFile()
{
    static const std::string file = BuildBundle();
    return file;
}

} // namespace

TestBundle::TestBundle() : m_previous(&ResourceLibrary::Current())
{
    if (m_lib.Load(BundleFile()))
        ResourceLibrary::SetCurrent(&m_lib);
}

TestBundle::~TestBundle()
{
    ResourceLibrary::SetCurrent(m_previous);
}

} // namespace uitest
