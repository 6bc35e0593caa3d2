// The grid window drawn offscreen: published pictures in both drawing
// modes, the substitute pictures, captions and icons, and what the grid asks
// of its host. Every render is also written as a PNG under the build tree.
#include "platform/ResourceLibrary.h"
#include "video/VideoGridDlg.h"
#include "video/YuvToRgb.h"

#include <QCoreApplication>
#include <QDir>
#include <QFontMetrics>
#include <QTemporaryDir>
#include <cstdlib>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <memory>

namespace {

struct FakeHost : VideoGridHost
{
    GridLinkState link;
    bool sound = false;
    int speed = 0;
    std::vector<int> ptzRequests;
    std::map<int, int> buttons;
    int ticks = 0;

    GridLinkState LinkState() const override { return link; }
    bool HasSoundDevice() const override { return sound; }
    bool GetPlaySpeed(int, int& code) override
    {
        code = speed;
        return true;
    }
    void RequestPtzChannel(int channel) override { ptzRequests.push_back(channel); }
    void SetGridButton(int index, int state) override { buttons[index] = state; }
    void OnVideoTick() override { ++ticks; }
};

struct Yuv
{
    std::uint8_t y, u, v;
};
constexpr Yuv kRed{81, 90, 240};
constexpr Yuv kGreen{145, 54, 34};
constexpr Yuv kBlue{41, 240, 110};
constexpr Yuv kWhite{235, 128, 128};
constexpr Yuv kMagenta{105, 212, 234};
constexpr Yuv kDark{40, 128, 128};

QRgb ToRgb(Yuv c)
{
    std::uint8_t bgr[3];
    YuvPixelToBgr(c.y, c.u, c.v, bgr);
    return qRgb(bgr[2], bgr[1], bgr[0]);
}

// Four quadrants in the rows the grid shows, magenta in the rows it cuts.
Yuv Quadrants(int x, int y, int w, int h)
{
    int first = 0, rows = 0;
    PictureCropRows(h, first, rows);
    if (y < first || y >= first + rows)
        return kMagenta;
    const bool right = x >= w / 2;
    const bool bottom = y >= h / 2;
    return bottom ? (right ? kWhite : kBlue) : (right ? kGreen : kRed);
}

// Writes a picture into the buffer in the grid's format: planar YUV, or the
// same colours as bottom-up B, G, R.
void WritePicture(PictureBuffer& pb, int w, int h, int format, const std::function<Yuv(int, int)>& colour)
{
    std::uint8_t* p = pb.WriteBuffer();
    if (format == PictureBuffer::kFormatYuv420) {
        std::uint8_t* u = p + w * h;
        std::uint8_t* v = u + (w / 2) * (h / 2);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const Yuv c = colour(x, y);
                p[y * w + x] = c.y;
                if (!(x & 1) && !(y & 1)) {
                    u[(y / 2) * (w / 2) + x / 2] = c.u;
                    v[(y / 2) * (w / 2) + x / 2] = c.v;
                }
            }
        return;
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            // The chroma of the pixel's 2 x 2 block, as the YUV picture has it.
            const Yuv c = colour(x, y);
            const Yuv block = colour(x & ~1, y & ~1);
            YuvPixelToBgr(c.y, block.u, block.v, p + (std::size_t(h - 1 - y) * w + x) * 3);
        }
}

bool Near(QRgb a, QRgb b, int tolerance = 3)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

::testing::AssertionResult PixelIs(const QImage& img, int x, int y, QRgb expected, int tolerance = 3)
{
    const QRgb got = img.pixel(x, y);
    if (Near(got, expected, tolerance))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << std::hex
                                         << (got & 0xFFFFFF) << ", expected " << (expected & 0xFFFFFF);
}

// Pixels of a rectangle that pass a test.
int Count(const QImage& img, const QRect& r, const std::function<bool(QRgb)>& test)
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (test(img.pixel(x, y)))
                ++n;
    return n;
}

QRect Bounds(const QImage& img, const QRect& r, const std::function<bool(QRgb)>& test)
{
    QRect b;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (test(img.pixel(x, y)))
                b |= QRect(x, y, 1, 1);
    return b;
}

bool IsGreenText(QRgb c)
{
    return qGreen(c) > 180 && qRed(c) < 90 && qBlue(c) < 90;
}
bool IsCyanText(QRgb c)
{
    return qGreen(c) > 180 && qBlue(c) > 180 && qRed(c) < 90;
}
bool IsAccent(QRgb c) // the skin's accent, #2f9bff
{
    return qBlue(c) > 180 && qGreen(c) > 100 && qRed(c) < 110;
}

constexpr QRgb kEmptyColour = 0xFF304050;
constexpr QRgb kLossColour = 0xFF705030;

QRect Cell(const CVideoGridDlg& grid, int cell)
{
    const GridCellRect r = grid.ModelSnapshot().CellRect(cell);
    return QRect(r.left, r.top, r.Width(), r.Height());
}

class GridRender : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // The program pictures, in colours the probes know, in the folder
        // the grid looks in first.
        ASSERT_TRUE(m_dir.isValid());
        QImage empty(64, 48, QImage::Format_RGB32);
        empty.fill(kEmptyColour);
        ASSERT_TRUE(empty.save(m_dir.filePath("ComMark.bmp"), "BMP"));
        QImage loss(64, 48, QImage::Format_RGB32);
        loss.fill(kLossColour);
        ASSERT_TRUE(loss.save(m_dir.filePath("VdoLoss.bmp"), "BMP"));
        m_oldDir = QDir::currentPath();
        QDir::setCurrent(m_dir.path());
    }
    void TearDown() override
    {
        QDir::setCurrent(m_oldDir);
        if (m_bundleSet)
            ResourceLibrary::SetCurrent(nullptr);
    }

    std::unique_ptr<CVideoGridDlg> MakeGrid(int drawMode, bool withHost = true)
    {
        auto grid = std::make_unique<CVideoGridDlg>();
        if (withHost)
            grid->SetHost(&host);
        grid->InitCells(16);
        grid->SetOsdFont(13, 700, "Arial Bold");
        grid->MoveView(0, 0, 815, 548, 1, 0x969696);
        grid->SetDirectDraw(drawMode == 0);
        grid->SetLayout(kVideoLayout16);
        return grid;
    }

    // The real bundle's icons and texts.
    bool UseBundle()
    {
        if (!m_bundle.Load(K5_BINARY_DIR "/bin/MiraRes.rcc"))
            return false;
        ResourceLibrary::SetCurrent(&m_bundle);
        m_bundleSet = true;
        return true;
    }

    static bool Publish(CVideoGridDlg& grid, int channel, int w, int h,
                        const std::function<Yuv(int, int)>& colour, GridFrame frame = {})
    {
        WritePicture(*grid.GetPicture(channel), w, h, grid.GetPictureFormat(), colour);
        frame.width = w;
        frame.height = h;
        return grid.PublishPicture(channel, frame);
    }

    static QImage Render(CVideoGridDlg& grid, const char* name)
    {
        const QImage img = grid.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QDir().mkpath(K5_BINARY_DIR "/testtmp/grid");
        img.save(QString(K5_BINARY_DIR "/testtmp/grid/") + name + ".png");
        return img;
    }

    FakeHost host;

private:
    QTemporaryDir m_dir;
    QString m_oldDir;
    ResourceLibrary m_bundle;
    bool m_bundleSet = false;
};

// The same picture, published as YUV and as RGB, draws the same pixels:
// same crop, same scaling; the quadrants land where they belong and the cut
// rows never show.
TEST_F(GridRender, BothDrawModesShowThePublishedPictureAlike)
{
    struct Case
    {
        const char* name;
        int w, h, layout;
    };
    const Case cases[] = {{"d1_16", 704, 576, kVideoLayout16},
                          {"cif_16", 352, 288, kVideoLayout16},
                          {"d1_single", 704, 576, 0},
                          {"cif_single", 352, 288, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QImage cells[2];
        for (int mode = 0; mode < 2; ++mode) {
            auto grid = MakeGrid(mode, false);
            ASSERT_EQ(grid->IsDirectDraw(), mode == 0);
            ASSERT_TRUE(Publish(*grid, 0, c.w, c.h, [&](int x, int y) { return Quadrants(x, y, c.w, c.h); }));
            grid->SetLayout(c.layout);
            const QImage img = Render(*grid, (std::string(c.name) + (mode == 0 ? "_yuv" : "_rgb")).c_str());
            const QRect r = Cell(*grid, 0);
            cells[mode] = img.copy(r);
            const int qx = r.width() / 4, qy = r.height() / 4;
            EXPECT_TRUE(PixelIs(img, r.left() + qx, r.top() + qy, ToRgb(kRed)));
            EXPECT_TRUE(PixelIs(img, r.right() - qx, r.top() + qy, ToRgb(kGreen)));
            EXPECT_TRUE(PixelIs(img, r.left() + qx, r.bottom() - qy, ToRgb(kBlue)));
            EXPECT_TRUE(PixelIs(img, r.right() - qx, r.bottom() - qy, ToRgb(kWhite)));
            // The first and last rows of the cell are the first and last
            // shown rows, never the cut magenta.
            EXPECT_TRUE(PixelIs(img, r.left() + qx, r.top(), ToRgb(kRed)));
            EXPECT_TRUE(PixelIs(img, r.left() + qx, r.bottom(), ToRgb(kBlue)));
            EXPECT_TRUE(PixelIs(img, r.right() - qx, r.bottom(), ToRgb(kWhite)));
            // The other cells show the empty picture, the gaps the background.
            if (c.layout == kVideoLayout16) {
                EXPECT_TRUE(
                    PixelIs(img, Cell(*grid, 1).center().x(), Cell(*grid, 1).center().y(), kEmptyColour));
            }
            EXPECT_TRUE(PixelIs(img, r.right() + 1, r.top() + 10, 0xFF969696));
        }
        ASSERT_EQ(cells[0].size(), cells[1].size());
        EXPECT_EQ(cells[0], cells[1]) << "YUV and RGB pictures must draw the same pixels";
    }
}

TEST_F(GridRender, SubstitutePicturesByState)
{
    auto grid = MakeGrid(1);
    host.link.connected = true;
    host.link.live = true;
    host.link.videoLossMask = 1u << 1;
    host.link.camerasInUse = 1u << 1;
    grid->SetActiveChannels(0b0110, false);
    grid->SetChannelBlocked(2, true);
    grid->SetChannelBlocked(5, true);
    ASSERT_TRUE(Publish(*grid, 0, 352, 288, [](int, int) { return kDark; }));

    const QImage img = Render(*grid, "substitutes");
    const QRect text(7, 3, 150, 17);
    // Channel 0: its picture.
    EXPECT_TRUE(PixelIs(img, Cell(*grid, 0).center().x(), Cell(*grid, 0).center().y(), ToRgb(kDark)));
    // Channel 1: video loss with its text.
    const QRect c1 = Cell(*grid, 1);
    EXPECT_TRUE(PixelIs(img, c1.center().x(), c1.center().y(), kLossColour));
    EXPECT_GT(Count(img, text.translated(c1.topLeft()), IsGreenText), 20) << "\"CH2  Video Loss\"";
    // Channel 2: blocked: the same picture, no text.
    const QRect c2 = Cell(*grid, 2);
    EXPECT_TRUE(PixelIs(img, c2.center().x(), c2.center().y(), kLossColour));
    EXPECT_EQ(Count(img, text.translated(c2.topLeft()), IsGreenText), 0);
    // Channel 3: nothing known: empty. Channel 5, blocked and idle: blocked.
    EXPECT_TRUE(PixelIs(img, Cell(*grid, 3).center().x(), Cell(*grid, 3).center().y(), kEmptyColour));
    EXPECT_TRUE(PixelIs(img, Cell(*grid, 5).center().x(), Cell(*grid, 5).center().y(), kLossColour));

    // A blocked channel stays blocked though it delivers pictures.
    ASSERT_TRUE(Publish(*grid, 2, 352, 288, [](int, int) { return kDark; }));
    const QImage again = Render(*grid, "substitutes_blocked");
    EXPECT_TRUE(PixelIs(again, c2.center().x(), c2.center().y(), kLossColour));

    // Without a camera in use the loss picture has no text.
    host.link.camerasInUse = 0;
    const QImage quiet = Render(*grid, "substitutes_no_camera");
    EXPECT_EQ(Count(quiet, text.translated(c1.topLeft()), IsGreenText), 0);
}

TEST_F(GridRender, CaptionsInPlace)
{
    auto grid = MakeGrid(0);
    GridFrame frame;
    frame.line1 = "CH1 Front door 704x576";
    frame.line2 = "Live view  25";
    ASSERT_TRUE(Publish(
        *grid, 0, 704, 576, [](int, int) { return kDark; }, frame));
    const QRect r = Cell(*grid, 0);

    const QImage img = Render(*grid, "captions");
    const QRect line1 = Bounds(img, r, IsGreenText);
    ASSERT_FALSE(line1.isEmpty());
    EXPECT_GE(line1.left(), r.left() + 7);
    EXPECT_LE(line1.left(), r.left() + 9);
    EXPECT_GE(line1.top(), r.top() + 3);
    EXPECT_LE(line1.bottom(), r.top() + 3 + 17);
    const QRect line2 = Bounds(img, r, IsCyanText);
    ASSERT_FALSE(line2.isEmpty());
    EXPECT_GE(line2.top(), r.top() + SecondCaptionTop(r.height(), 17));
    EXPECT_LE(line2.bottom(), r.bottom());
    EXPECT_LE(line1.right(), r.right()) << "captions stay inside their cell";

    grid->SetOsdMode(1);
    const QImage titles = Render(*grid, "captions_mode1");
    EXPECT_FALSE(Bounds(titles, r, IsGreenText).isEmpty());
    EXPECT_TRUE(Bounds(titles, r, IsCyanText).isEmpty());
    grid->SetOsdMode(2);
    const QImage bare = Render(*grid, "captions_mode2");
    EXPECT_TRUE(Bounds(bare, r, IsGreenText).isEmpty());
}

TEST_F(GridRender, IconsAndTheWatermarkWarning)
{
    ASSERT_TRUE(UseBundle()) << "the resource bundle is built with the program (bin/MiraRes.rcc)";
    auto grid = MakeGrid(0);
    grid->m_nViewMode = 1;
    host.sound = true;
    host.link.connected = true;
    host.link.live = true;
    host.link.ptzMode = 2;
    host.link.ptzChannel = 0;
    grid->SetLayout(0);
    ASSERT_TRUE(Publish(*grid, 0, 704, 576, [](int, int) { return kDark; }));
    grid->SetAudioMark(0, 0, 157, false);
    const QRect r = Cell(*grid, 0);
    const QRect audio(r.left() + 157, r.bottom() + 1 - 18, 16, 16);
    const QRect ptz(r.left() + 100, r.bottom() + 1 - 18, 16, 16);

    QImage img = Render(*grid, "icons_live");
    EXPECT_GT(Count(img, audio, IsAccent), 10);
    EXPECT_GT(Count(img, ptz, IsAccent), 10);
    EXPECT_EQ(Count(img, QRect(r.left() + 120, r.bottom() - 17, 30, 16), IsAccent), 0) << "nothing between";

    host.sound = false;
    host.link.ptzChannel = 3;
    img = Render(*grid, "icons_live_quiet");
    EXPECT_EQ(Count(img, audio, IsAccent), 0);
    EXPECT_EQ(Count(img, ptz, IsAccent), 0);

    // Remote playback at speed 3: three forward arrows after the speed offset.
    grid->m_nViewMode = 2;
    host.speed = 3;
    img = Render(*grid, "icons_speed3");
    EXPECT_GT(Count(img, QRect(r.left() + 117 + 5, r.bottom() - 17, 7 * 3 + 11, 16), IsAccent), 20);

    // Local playback of a recording that failed its watermark check.
    grid->m_nViewMode = 3;
    grid->SetWatermarkState(0, 2);
    grid->SetWatermarkIconPos(0, 200, false);
    img = Render(*grid, "icons_watermark");
    const auto isRed = [](QRgb c) { return qRed(c) > 200 && qGreen(c) < 80 && qBlue(c) < 80; };
    EXPECT_GT(Count(img, QRect(r.center().x() - 150, r.center().y() - 40, 300, 80), isRed), 100);

    // The icon reads "checked" (closed padlock) for verified and tampered
    // pictures and "not verified" (open padlock) otherwise; never red or green,
    // which would claim a verdict the icon cannot carry for both states.
    const QRect icon(r.left() + 200, r.bottom() - 17, 16, 16);
    const auto isLit = [](QRgb c) { return qGray(c) > 90; };
    const auto topRow = [&](const QImage& im) {
        for (int y = icon.top(); y <= icon.bottom(); ++y)
            for (int x = icon.left(); x <= icon.right(); ++x)
                if (isLit(im.pixel(x, y)))
                    return y - icon.top();
        return -1;
    };
    const auto isColoured = [](QRgb c) {
        return std::abs(qRed(c) - qGreen(c)) > 60 || std::abs(qGreen(c) - qBlue(c)) > 60;
    };
    struct Case
    {
        int state;
        bool closed;
    };
    int closedTop = -1;
    int openTop = -1;
    for (const Case& c : {Case{2, true}, Case{1, true}, Case{0, false}}) {
        grid->SetWatermarkState(0, c.state);
        const QImage im = Render(*grid, "icons_watermark_state");
        const int top = topRow(im);
        ASSERT_GE(top, 0) << "state " << c.state << " draws an icon";
        EXPECT_EQ(Count(im, icon, isColoured), 0) << "state " << c.state;
        (c.closed ? closedTop : openTop) = top;
        if (c.closed) {
            EXPECT_EQ(top, closedTop) << "states 1 and 2 draw the same icon";
        }
    }
    EXPECT_GT(closedTop, openTop) << "the closed shackle sits lower than the raised one";
}

// A tampered recording whose picture could not be shown still says so: the
// warning stands over the blank cell of its own channel, and nowhere else.
TEST_F(GridRender, WatermarkWarningOverABlankCell)
{
    ASSERT_TRUE(UseBundle()) << "the resource bundle is built with the program (bin/MiraRes.rcc)";
    auto grid = MakeGrid(0);
    ASSERT_TRUE(grid->isVisible());
    grid->m_nViewMode = 3;
    grid->SetLayout(1);
    grid->SetActiveChannels(0x000F, false);
    const auto isRed = [](QRgb c) { return qRed(c) > 200 && qGreen(c) < 80 && qBlue(c) < 80; };
    struct Case
    {
        int state;
        bool warned;
    };
    for (const Case& c : {Case{2, true}, Case{1, false}, Case{0, false}, Case{-1, false}}) {
        SCOPED_TRACE(c.state);
        grid->SetWatermarkState(0, c.state);
        grid->SetWatermarkState(1, 1);
        const QImage img = Render(*grid, "warning_blank_cell");
        const QRect r0 = Cell(*grid, 0);
        const QRect r1 = Cell(*grid, 1);
        // No picture: both cells show the empty-cell picture.
        EXPECT_EQ(img.pixel(r0.left() + 2, r0.bottom() - 2), kEmptyColour);
        EXPECT_EQ(img.pixel(r1.left() + 2, r1.bottom() - 2), kEmptyColour);
        const QRect middle(r0.center().x() - 150, r0.center().y() - 30, 300, 60);
        if (c.warned) {
            EXPECT_GT(Count(img, middle, isRed), 100);
        } else {
            EXPECT_EQ(Count(img, r0, isRed), 0);
        }
        EXPECT_EQ(Count(img, r1, isRed), 0);
    }
}

TEST_F(GridRender, SingleViewLightsTheChannelsOwnButton)
{
    auto grid = MakeGrid(1);
    grid->SetActiveChannels(0xFFFF, false);
    grid->SwapCells(0, 5); // channel 5 now in cell 0
    ASSERT_TRUE(grid->ShowSingleChannel(5));
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(host.buttons[i], i == 5 ? 1 : 0) << "channel button " << i;
    EXPECT_EQ(host.buttons[16], 1);
    for (int i = 17; i <= 24; ++i)
        EXPECT_EQ(host.buttons[i], 0);
    EXPECT_EQ(grid->m_nSelectedLayout.load(), 0);
    EXPECT_EQ(grid->GetPage(), 0);
}

TEST_F(GridRender, PtzChannelAskedForAfterPageChanges)
{
    auto grid = MakeGrid(1);
    host.link.connected = true;
    host.link.live = true;
    host.link.ptzPanelOpen = true;
    host.link.ptzChannel = 6;
    host.link.videoLossMask = 0x0001;
    grid->SetActiveChannels(0xFFFF, false);
    host.ptzRequests.clear();
    grid->SetLayout(14);
    EXPECT_EQ(host.ptzRequests, (std::vector<int>{6}));
    host.ptzRequests.clear();
    grid->SetLayout(1); // cells 0-3, channel 0 without video
    EXPECT_EQ(host.ptzRequests, (std::vector<int>{1}));
    host.ptzRequests.clear();
    ASSERT_TRUE(grid->ShowSingleChannel(9));
    EXPECT_EQ(host.ptzRequests, (std::vector<int>{9}));
}

TEST_F(GridRender, PublicationsAreCoalescedIntoRepaints)
{
    auto grid = MakeGrid(0);
    ASSERT_TRUE(grid->isVisible());
    for (int k = 0; k < 5; ++k)
        ASSERT_TRUE(Publish(*grid, 3, 352, 288, [](int, int) { return kDark; }));
    EXPECT_EQ(grid->GetPaintStats(3).painted, 0u) << "workers never paint";
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    const auto stats = grid->GetPaintStats(3);
    EXPECT_EQ(stats.published, 5u);
    EXPECT_EQ(stats.painted, 1u) << "five publications, one repaint";
    EXPECT_EQ(grid->GetFrameRate(3), 0);
    grid->OnTimer(CVideoGridDlg::TIMER_FRAME_RATE);
    EXPECT_EQ(grid->GetFrameRate(3), 3);
    EXPECT_EQ(host.ticks, 1);
}

TEST_F(GridRender, WorkerFacingCalls)
{
    auto grid = MakeGrid(0);
    int points = 0, weight = 0;
    std::string face;
    grid->GetOsdFont(points, weight, face);
    EXPECT_EQ(points, 12);
    EXPECT_EQ(weight, 700);
    EXPECT_EQ(face, "Arial Bold");

    int w = 0, h = 0;
    ASSERT_TRUE(grid->GetCellSize(0, w, h));
    EXPECT_EQ(w, 200);
    EXPECT_EQ(h, 134);
    EXPECT_EQ(grid->GetPicture(16), nullptr);
    EXPECT_FALSE(grid->PublishPicture(0, GridFrame{}));
    GridFrame odd;
    odd.width = 353;
    odd.height = 288;
    EXPECT_FALSE(grid->PublishPicture(0, odd)) << "YUV pictures have even sizes";

    // Titles fitted with the caption font: a long one is cut for a 200-pixel cell.
    const std::string fitted = grid->FitOsdText(2, 200, "The long driveway by the north gate", true);
    EXPECT_EQ(fitted.substr(0, 4), "CH3 ");
    EXPECT_EQ(fitted.substr(fitted.size() - 3), "...");
    EXPECT_LE(QFontMetrics(grid->OsdFont())
                  .horizontalAdvance(QString::fromStdString(fitted.substr(0, fitted.size() - 3))),
              105 + 2);

    EXPECT_TRUE(grid->SetDirectDraw(false));
    EXPECT_EQ(grid->GetPictureFormat(), PictureBuffer::kFormatBgr24);
    EXPECT_TRUE(grid->SetDirectDraw(true));
    EXPECT_EQ(grid->GetPictureFormat(), PictureBuffer::kFormatYuv420);
}

} // namespace
