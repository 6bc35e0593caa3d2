// Still pictures: the crop, the names, the three file formats read back by
// independent readers (a BMP parser here, libjpeg, libtiff, QImage), the
// caption's place, and files that cannot be written.
#include "video/ImageWriter.h"
#include "video/PictureBuffer.h"
#include "video/SaveImageThread.h"

#include <QCoreApplication>
#include <QImage>
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <tiffio.h>

#include <chrono>
#include <csignal>
#include <sys/resource.h>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

namespace fs = std::filesystem;

namespace {

fs::path Scratch(const std::string& name)
{
    const char* base = std::getenv("K5_TEST_TMP");
    fs::path dir = base && *base ? fs::path(base) : fs::temp_directory_path();
    dir /= "stills-" + name + "-" + std::to_string(QCoreApplication::applicationPid());
    std::error_code ec;
    fs::remove_all(dir, ec);
    fs::create_directories(dir, ec);
    return dir;
}

std::vector<std::uint8_t> ReadAll(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::uint32_t Le32(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t(b[at + 3]) << 24);
}
std::uint16_t Le16(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

// A 720 x 576 YUV 4:2:0 picture: a red stripe over the top 64 rows, a grey
// ramp from left to right below.
std::vector<std::uint8_t> YuvPicture(int w = 720, int h = 576)
{
    std::vector<std::uint8_t> pic(static_cast<std::size_t>(w) * h * 3 / 2);
    std::uint8_t* y = pic.data();
    std::uint8_t* u = y + w * h;
    std::uint8_t* v = u + w * h / 4;
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c)
            y[r * w + c] = r < 64 ? 81 : static_cast<std::uint8_t>(16 + (c * 219) / w);
    for (int r = 0; r < h / 2; ++r)
        for (int c = 0; c < w / 2; ++c) {
            u[r * (w / 2) + c] = r < 32 ? 90 : 128;
            v[r * (w / 2) + c] = r < 32 ? 240 : 128;
        }
    return pic;
}

// The same picture as the RGB path holds it: B, G, R rows bottom-up.
std::vector<std::uint8_t> RgbOf(const std::vector<std::uint8_t>& yuv, int w = 720, int h = 576)
{
    const QImage img = CImageWriter::PictureToImage(yuv.data(), yuv.size(), w, h, kStillKindYuv420);
    std::vector<std::uint8_t> out(static_cast<std::size_t>(w) * h * 3);
    for (int r = 0; r < h; ++r)
        std::memcpy(out.data() + static_cast<std::size_t>(h - 1 - r) * w * 3, img.constScanLine(r), w * 3);
    return out;
}

const std::string kCaption = "2008-01-02  03:04:05"; // 20 characters

CImageWriter Writer()
{
    CImageWriter w;
    w.CreateCaptionFont(16, 400, "Tahoma");
    return w;
}

QImage Rendered(const std::vector<std::uint8_t>& yuv)
{
    const CImageWriter w = Writer();
    return w
        .RenderDib(CImageWriter::PictureToImage(yuv.data(), yuv.size(), 720, 576, kStillKindYuv420), 800, 600,
                   kCaption, 0xFFFF00)
        .convertToFormat(QImage::Format_RGB888);
}

TEST(StillCrop, ByWidth)
{
    struct Case
    {
        int w, h;
        bool ok;
        StillCrop crop;
    };
    const Case cases[] = {
        {720, 576, true, {12, 12, 698, 556}},
        {704, 576, true, {12, 12, 682, 556}},
        {700, 480, true, {6, 6, 689, 470}},
        {352, 288, true, {6, 6, 341, 278}},
        {12, 12, true, {6, 6, 1, 2}},
        {11, 12, false, {}},
        {352, 10, false, {}},
        {702, 20, false, {}},
    };
    for (const Case& c : cases) {
        StillCrop crop;
        EXPECT_EQ(StillCropRect(c.w, c.h, crop), c.ok) << c.w << "x" << c.h;
        if (c.ok) {
            EXPECT_EQ(crop.x, c.crop.x);
            EXPECT_EQ(crop.y, c.crop.y);
            EXPECT_EQ(crop.width, c.crop.width);
            EXPECT_EQ(crop.height, c.crop.height);
        }
    }
}

TEST(StillNames, TypedTimeStampedAndSanitised)
{
    std::tm t{};
    t.tm_year = 108;
    t.tm_mon = 0;
    t.tm_mday = 2;
    t.tm_hour = 3;
    t.tm_min = 4;
    t.tm_sec = 5;
    struct Case
    {
        std::string typed;
        int channel, format;
        std::string file;
    };
    const Case cases[] = {
        {"Door", 2, kStillFormatJpeg, "Door_03.jpg"},
        {"", 0, kStillFormatBmp, "20080102030405_0001.bmp"},
        {"", 15, kStillFormatTiff, "20080102030405_0016.tif"},
        {"../../etc/x", 0, kStillFormatBmp, "etcx_01.bmp"},
        {".hidden", 0, kStillFormatJpeg, "hidden_01.jpg"},
        {"..", 0, kStillFormatJpeg, "20080102030405_0001.jpg"},
        {"a.b..c", 0, kStillFormatJpeg, "a.b..c_01.jpg"},
        {"a\\b\tc\x7f"
         "d",
         1, kStillFormatJpeg, "abcd_02.jpg"},
        {std::string("x\0y", 3), 3, kStillFormatJpeg, "xy_04.jpg"},
        {"///", 0, kStillFormatJpeg, "20080102030405_0001.jpg"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StillFileName(c.typed, c.channel, c.format, t), c.file) << c.typed;

    // 100 two-byte characters and more: cut at a character boundary so the
    // file name fits 255 bytes with room for the suffix of a taken name.
    std::string longName;
    for (int i = 0; i < 150; ++i)
        longName += "\xc3\xa9";
    const std::string file = StillFileName(longName, 0, kStillFormatTiff, t);
    EXPECT_LE(file.size(), 249u);
    EXPECT_GE(file.size(), 248u);
    ASSERT_EQ(file.substr(file.size() - 7), "_01.tif");
    const std::string stem = file.substr(0, file.size() - 7);
    EXPECT_EQ(stem.size() % 2, 0u) << "no half character";
    EXPECT_EQ(stem.back(), '\xa9');

    // The names tried after a taken one keep the extension, and still fit.
    EXPECT_EQ(StillNameWithSuffix("/s/Saved/door_01.jpg", 2), "/s/Saved/door_01-2.jpg");
    EXPECT_EQ(StillNameWithSuffix("/s/Saved/20080102030405_0001.bmp", 13), "/s/Saved/20080102030405_0001-13.bmp");
    EXPECT_EQ(StillNameWithSuffix("/s.d/noext", 2), "/s.d/noext-2");
    EXPECT_EQ(StillNameWithSuffix("/s/" + file, 99999), "/s/" + stem + "_01-99999.tif");
    const std::string cut = StillNameWithSuffix("/s/" + longName + ".tif", 2);
    EXPECT_EQ(cut.size() - 3, 254u) << "a name too long is cut by whole characters";
    EXPECT_EQ(cut.substr(cut.size() - 7), "\xa9-2.tif");
}

TEST(StillWriter, BmpHeaderRowsAndQImageAgree)
{
    const fs::path dir = Scratch("bmp");
    const auto yuv = YuvPicture();
    CImageWriter w = Writer();
    ASSERT_TRUE(w.SaveImage(yuv.data(), yuv.size(), 720, 576, kStillKindYuv420, kStillFormatBmp,
                            dir.string() + "/", 800, 600, kCaption, "shot", 0xFFFF00));
    const auto b = ReadAll(dir / "shot.bmp");
    ASSERT_EQ(b.size(), 1440054u);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(Le32(b, 2), 1440054u);
    EXPECT_EQ(Le32(b, 6), 0u);
    EXPECT_EQ(Le32(b, 10), 54u);
    EXPECT_EQ(Le32(b, 14), 40u);
    EXPECT_EQ(Le32(b, 18), 800u);
    EXPECT_EQ(Le32(b, 22), 600u);
    EXPECT_EQ(Le16(b, 26), 1);
    EXPECT_EQ(Le16(b, 28), 24);
    EXPECT_EQ(Le32(b, 30), 0u);
    EXPECT_EQ(Le32(b, 34), 1440000u);
    for (std::size_t at = 38; at < 54; at += 4)
        EXPECT_EQ(Le32(b, at), 0u);

    // Bottom row first, B, G, R.
    const QImage ref = Rendered(yuv);
    for (int fileRow : {0, 299, 599}) {
        const int y = 599 - fileRow;
        for (int x : {0, 400, 799}) {
            const std::uint8_t* p = b.data() + 54 + fileRow * 2400 + x * 3;
            const QRgb c = ref.pixel(x, y);
            ASSERT_EQ(p[0], qBlue(c)) << x << "," << y;
            ASSERT_EQ(p[1], qGreen(c));
            ASSERT_EQ(p[2], qRed(c));
        }
    }
    // The top rows of the file's last rows are the red stripe.
    const std::uint8_t* top = b.data() + 54 + 599 * 2400 + 400 * 3;
    EXPECT_GT(top[2], 150);
    EXPECT_LT(top[1], 100);

    const QImage back(QString::fromStdString((dir / "shot.bmp").string()));
    ASSERT_EQ(back.size(), QSize(800, 600));
    EXPECT_EQ(back.convertToFormat(QImage::Format_RGB888), ref);
}

TEST(StillWriter, YuvAndRgbOfOnePictureAgree)
{
    const fs::path dir = Scratch("kinds");
    const auto yuv = YuvPicture();
    const auto rgb = RgbOf(yuv);
    CImageWriter w = Writer();
    ASSERT_TRUE(w.SaveImage(yuv.data(), yuv.size(), 720, 576, kStillKindYuv420, kStillFormatBmp,
                            dir.string() + "/", 800, 600, kCaption, "yuv", 0xFFFF00));
    ASSERT_TRUE(w.SaveImage(rgb.data(), rgb.size(), 720, 576, kStillKindRgb24, kStillFormatBmp,
                            dir.string() + "/", 800, 600, kCaption, "rgb", 0xFFFF00));
    EXPECT_EQ(ReadAll(dir / "yuv.bmp"), ReadAll(dir / "rgb.bmp"));
}

TEST(StillWriter, JpegReadByLibjpeg)
{
    const fs::path dir = Scratch("jpeg");
    const auto yuv = YuvPicture();
    CImageWriter w = Writer();
    ASSERT_TRUE(w.SaveImage(yuv.data(), yuv.size(), 720, 576, kStillKindYuv420, kStillFormatJpeg,
                            dir.string() + "/", 800, 600, kCaption, "shot", 0xFFFF00));
    const auto bytes = ReadAll(dir / "shot.jpg");
    ASSERT_GT(bytes.size(), 1000u);

    jpeg_decompress_struct d;
    jpeg_error_mgr err;
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, bytes.data(), static_cast<unsigned long>(bytes.size()));
    ASSERT_EQ(jpeg_read_header(&d, TRUE), JPEG_HEADER_OK);
    d.out_color_space = JCS_RGB;
    jpeg_start_decompress(&d);
    ASSERT_EQ(d.output_width, 800u);
    ASSERT_EQ(d.output_height, 600u);
    ASSERT_EQ(d.output_components, 3);
    std::vector<std::uint8_t> pixels(800 * 600 * 3);
    while (d.output_scanline < d.output_height) {
        JSAMPROW row = pixels.data() + d.output_scanline * 2400;
        jpeg_read_scanlines(&d, &row, 1);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);

    // The red stripe is on top.
    const std::uint8_t* top = pixels.data() + 20 * 2400 + 400 * 3;
    EXPECT_GT(top[0], 150);
    EXPECT_LT(top[1], 100);
    const std::uint8_t* below = pixels.data() + 300 * 2400 + 400 * 3;
    EXPECT_LT(std::abs(below[0] - below[2]), 20) << "grey below";

    const QImage ref = Rendered(yuv);
    double diff = 0;
    for (int y = 0; y < 600; y += 7)
        for (int x = 0; x < 800; x += 7) {
            const QRgb c = ref.pixel(x, y);
            const std::uint8_t* p = pixels.data() + y * 2400 + x * 3;
            diff += std::abs(p[0] - qRed(c)) + std::abs(p[1] - qGreen(c)) + std::abs(p[2] - qBlue(c));
        }
    const double samples = (600 / 7 + 1) * (800 / 7 + 1) * 3.0;
    EXPECT_LT(diff / samples, 6.0) << "close to the rendered picture";
}

TEST(StillWriter, TiffReadByLibtiff)
{
    const fs::path dir = Scratch("tiff");
    const auto yuv = YuvPicture();
    CImageWriter w = Writer();
    ASSERT_TRUE(w.SaveImage(yuv.data(), yuv.size(), 720, 576, kStillKindYuv420, kStillFormatTiff,
                            dir.string() + "/", 800, 600, kCaption, "shot", 0xFFFF00));
    const auto bytes = ReadAll(dir / "shot.tif");
    ASSERT_GT(bytes.size(), 8u);
    EXPECT_EQ(bytes[0], 'M') << "big-endian";
    EXPECT_EQ(bytes[1], 'M');

    TIFF* t = TIFFOpen((dir / "shot.tif").string().c_str(), "r");
    ASSERT_NE(t, nullptr);
    EXPECT_TRUE(TIFFIsBigEndian(t));
    std::uint32_t u32 = 0;
    std::uint16_t u16 = 0;
    EXPECT_TRUE(TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &u32));
    EXPECT_EQ(u32, 800u);
    EXPECT_TRUE(TIFFGetField(t, TIFFTAG_IMAGELENGTH, &u32));
    EXPECT_EQ(u32, 600u);
    EXPECT_TRUE(TIFFGetField(t, TIFFTAG_ROWSPERSTRIP, &u32));
    EXPECT_EQ(u32, 1u);
    const std::pair<ttag_t, std::uint16_t> tags[] = {
        {TIFFTAG_BITSPERSAMPLE, 8},
        {TIFFTAG_COMPRESSION, COMPRESSION_PACKBITS},
        {TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB},
        {TIFFTAG_SAMPLESPERPIXEL, 3},
        {TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG},
        {TIFFTAG_RESOLUTIONUNIT, RESUNIT_NONE},
        {TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT},
    };
    for (const auto& [tag, value] : tags) {
        EXPECT_TRUE(TIFFGetField(t, tag, &u16)) << tag;
        EXPECT_EQ(u16, value) << tag;
    }
    // Top row first, R, G, B, exactly the rendered pixels.
    const QImage ref = Rendered(yuv);
    std::vector<std::uint8_t> row(2400);
    for (std::uint32_t y : {0u, 300u, 599u}) {
        ASSERT_EQ(TIFFReadScanline(t, row.data(), y, 0), 1);
        EXPECT_EQ(0, std::memcmp(row.data(), ref.constScanLine(static_cast<int>(y)), 2400)) << y;
    }
    TIFFClose(t);
}

TEST(StillWriter, LibjpegErrorsReturnInsteadOfEndingTheProcess)
{
    // Wider than libjpeg codes: its error handling must come back to us.
    QImage wide(70000, 1, QImage::Format_RGB888);
    wide.fill(Qt::gray);
    EXPECT_TRUE(CImageWriter::EncodeJpeg(wide).empty());
    QImage fine(16, 16, QImage::Format_RGB888);
    fine.fill(Qt::gray);
    EXPECT_FALSE(CImageWriter::EncodeJpeg(fine).empty()) << "and the next picture codes again";
}

TEST(StillWriter, CaptionCellStartsAtItsPoint)
{
    const CImageWriter w = Writer();
    EXPECT_EQ(w.CaptionHeight(), -21);
    EXPECT_EQ(w.CaptionPoint(800, 600, 20), QPoint(295, 569));

    std::vector<std::uint8_t> black(720 * 576 * 3, 0);
    const QImage img =
        w.RenderDib(CImageWriter::PictureToImage(black.data(), black.size(), 720, 576, kStillKindRgb24), 800,
                    600, kCaption, 0xFFFF00)
            .convertToFormat(QImage::Format_RGB888);
    int cyan = 0, minX = 800, minY = 600, maxY = 0;
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x)
            if (img.pixel(x, y) != qRgb(0, 0, 0)) {
                minX = std::min(minX, x);
                minY = std::min(minY, y);
                maxY = std::max(maxY, y);
                cyan += img.pixel(x, y) == qRgb(0, 255, 255);
            }
    EXPECT_GT(cyan, 100) << "COLORREF 0xFFFF00 is red 0, green 255, blue 255";
    EXPECT_GE(minX, 295);
    EXPECT_LE(minX, 300);
    EXPECT_GE(minY, 569) << "the text cell's top, not the baseline";
    EXPECT_LE(minY, 575);
    EXPECT_LT(maxY, 569 + 21 + 6);
}

TEST(StillWriter, RefusesWhatItCannotDraw)
{
    const fs::path dir = Scratch("refuse");
    std::vector<std::uint8_t> tiny(10 * 10 * 3, 0);
    CImageWriter w = Writer();
    EXPECT_FALSE(w.SaveImage(tiny.data(), tiny.size(), 10, 10, kStillKindRgb24, kStillFormatBmp,
                             dir.string() + "/", 800, 600, kCaption, "tiny", 0xFFFF00))
        << "too small for the crop";
    EXPECT_EQ(w.Error(), kStillWriteError);
    const auto yuv = YuvPicture();
    EXPECT_FALSE(w.SaveImage(yuv.data(), yuv.size(), 720, 576, 7, kStillFormatBmp, dir.string() + "/", 800,
                             600, kCaption, "kind", 0xFFFF00));
    EXPECT_FALSE(w.SaveImage(yuv.data(), yuv.size() - 1, 720, 576, kStillKindYuv420, kStillFormatBmp,
                             dir.string() + "/", 800, 600, kCaption, "short", 0xFFFF00));
    EXPECT_TRUE(fs::is_empty(dir));
}

// Every format saved three times under one name: each save takes the next
// free name, and the earlier files keep every byte.
TEST(StillWriter, SameNameSavesKeepEveryEarlierFile)
{
    const fs::path dir = Scratch("same");
    const auto yuv = YuvPicture();
    for (int format : {kStillFormatBmp, kStillFormatJpeg, kStillFormatTiff}) {
        const std::string ext = StillExtension(format);
        std::vector<std::vector<std::uint8_t>> kept;
        for (int i = 0; i < 3; ++i) {
            CImageWriter w = Writer();
            // A different caption each time, so that every file differs.
            ASSERT_TRUE(w.SaveImage(yuv.data(), yuv.size(), 720, 576, kStillKindYuv420, format,
                                    dir.string() + "/", 800, 600, kCaption + std::to_string(i), "door_01",
                                    0xFFFF00));
            const fs::path expected = dir / (i == 0 ? "door_01" + ext : "door_01-" + std::to_string(i + 1) + ext);
            EXPECT_EQ(w.LastPath(), expected.string());
            kept.push_back(ReadAll(expected));
            ASSERT_FALSE(kept.back().empty());
            for (std::size_t k = 0; k + 1 < kept.size(); ++k)
                EXPECT_NE(kept[k], kept.back());
        }
        EXPECT_EQ(ReadAll(dir / ("door_01" + ext)), kept[0]);
        EXPECT_EQ(ReadAll(dir / ("door_01-2" + ext)), kept[1]);
        EXPECT_EQ(ReadAll(dir / ("door_01-3" + ext)), kept[2]);
    }
    // No temporary file stays behind.
    std::size_t files = 0;
    for (const auto& e : fs::directory_iterator(dir)) {
        EXPECT_NE(e.path().filename().string().front(), '.') << e.path();
        ++files;
    }
    EXPECT_EQ(files, 9u);
}

// A write that finds no room (here: a file-size limit below the still's size)
// fails as a full disk, leaves nothing, and the picture already saved under
// the name keeps every byte. A folder that does not exist is not creatable.
TEST(StillWriter, FullDiskAndUncreatableFilesFailAndLeaveNothing)
{
    const fs::path dir = Scratch("bad");
    const auto yuv = YuvPicture();
    CImageWriter first = Writer();
    ASSERT_TRUE(first.SaveImage(yuv.data(), yuv.size(), 720, 576, kStillKindYuv420, kStillFormatJpeg,
                                dir.string() + "/", 800, 600, kCaption, "full", 0xFFFF00));
    const auto earlier = ReadAll(dir / "full.jpg");
    ASSERT_FALSE(earlier.empty());
    {
        struct rlimit old{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
        const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = old;
        small.rlim_cur = 4096;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        for (int format : {kStillFormatBmp, kStillFormatJpeg, kStillFormatTiff}) {
            CImageWriter w = Writer();
            EXPECT_FALSE(w.SaveImage(yuv.data(), yuv.size(), 720, 576, kStillKindYuv420, format,
                                     dir.string() + "/", 800, 600, kCaption, "full", 0xFFFF00));
            EXPECT_EQ(w.Error(), kStillDiskFull) << format;
        }
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldSignal);
    }
    EXPECT_EQ(ReadAll(dir / "full.jpg"), earlier);
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"full.jpg"}) << "the partial files are removed";

    CImageWriter w = Writer();
    EXPECT_FALSE(w.SaveImage(yuv.data(), yuv.size(), 720, 576, kStillKindYuv420, kStillFormatBmp,
                             (dir / "missing/").string(), 800, 600, kCaption, "x", 0xFFFF00));
    EXPECT_EQ(w.Error(), kStillNotCreatable);
}

// The worker: its own copy, its folder, the kind from the picture, done.
CSaveImageThread::Job MakeJob(const fs::path& folder, std::vector<std::uint8_t> picture, int format)
{
    CSaveImageThread::Job job;
    job.channel = 2;
    job.width = 720;
    job.height = 576;
    job.pictureFormat = format;
    job.picture = std::move(picture);
    job.timeText = kCaption;
    job.saveFormat = kStillFormatBmp;
    job.name = "Door";
    job.folder = folder.string() + "/Saved/";
    job.now = 1199243045;
    return job;
}

bool WaitDone(const CSaveImageThread& worker)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!worker.IsDone()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

TEST(SaveWorker, WritesIntoTheSavedFolderItCreates)
{
    const fs::path dir = Scratch("worker");
    const auto yuv = YuvPicture();
    CSaveImageThread yuvWorker(MakeJob(dir / "a", yuv, PictureBuffer::kFormatYuv420));
    CSaveImageThread rgbWorker(MakeJob(dir / "b", RgbOf(yuv), PictureBuffer::kFormatBgr24));
    ASSERT_TRUE(WaitDone(yuvWorker));
    ASSERT_TRUE(WaitDone(rgbWorker));
    EXPECT_EQ(yuvWorker.Result(), kStillOk);
    EXPECT_EQ(rgbWorker.Result(), kStillOk);
    EXPECT_EQ(yuvWorker.Path(), (dir / "a/Saved/Door_03.bmp").string());
    const auto a = ReadAll(dir / "a/Saved/Door_03.bmp");
    EXPECT_EQ(a.size(), 1440054u);
    EXPECT_EQ(a, ReadAll(dir / "b/Saved/Door_03.bmp")) << "the kind follows the picture";
}

// Two saves of one channel under one name, and two unnamed ones in the same
// second: the second worker takes the next name, the first file stays.
TEST(SaveWorker, SecondSaveOfANameTakesTheNextName)
{
    const fs::path dir = Scratch("again");
    const auto yuv = YuvPicture();
    for (const char* name : {"Door", ""}) {
        SCOPED_TRACE(name);
        std::tm local{};
        const std::time_t now = MakeJob(dir, {}, 0).now;
        localtime_r(&now, &local);
        const std::string file = StillFileName(name, 2, kStillFormatBmp, local);
        const std::string stem = file.substr(0, file.size() - 4);
        std::vector<std::uint8_t> first;
        for (int i = 0; i < 2; ++i) {
            CSaveImageThread::Job job = MakeJob(dir, yuv, PictureBuffer::kFormatYuv420);
            job.name = name;
            job.timeText = kCaption + std::to_string(i);
            CSaveImageThread worker(std::move(job));
            ASSERT_TRUE(WaitDone(worker));
            EXPECT_EQ(worker.Result(), kStillOk);
            const fs::path expected = dir / "Saved" / (stem + (i == 0 ? "" : "-2") + ".bmp");
            EXPECT_EQ(worker.Path(), expected.string());
            if (i == 0)
                first = ReadAll(expected);
            else
                EXPECT_NE(ReadAll(expected), first);
        }
        EXPECT_EQ(ReadAll(dir / "Saved" / (stem + ".bmp")), first);
    }
}

TEST(SaveWorker, DestroyingAWorkerWaitsForItsFile)
{
    const fs::path dir = Scratch("quit");
    {
        CSaveImageThread worker(MakeJob(dir, YuvPicture(), PictureBuffer::kFormatYuv420));
    }
    EXPECT_EQ(fs::file_size(dir / "Saved/Door_03.bmp"), 1440054u) << "the file is whole when the owner goes";
}

TEST(SaveWorker, RegularFileInTheSavedFolderPlace)
{
    const fs::path dir = Scratch("blocked");
    std::ofstream(dir / "Saved") << "not a folder";
    CSaveImageThread worker(MakeJob(dir, YuvPicture(), PictureBuffer::kFormatYuv420));
    ASSERT_TRUE(WaitDone(worker));
    EXPECT_EQ(worker.Result(), kStillNotCreatable);
}

} // namespace
