// The grid window's interaction offscreen: a mouse drag swaps two cells'
// pictures, a double click zooms into one channel and back, full screen comes
// and goes with its bar, the snapshot copies what is shown; and the preview
// of the Load command's file dialog.
#include "platform/Skin.h"
#include "video/ImageWriter.h"
#include "video/PreviewFileDlg.h"
#include "video/VideoGridDlg.h"
#include "video/YuvToRgb.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <map>
#include <thread>

namespace {

bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 20000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

void Pump()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

struct FakeBar : GridSplitBar
{
    QRect monitor;
    int alpha = 0;
    std::vector<int> shows;
    int* alive = nullptr;
    explicit FakeBar(int* counter) : alive(counter) { ++*alive; }
    ~FakeBar() override { --*alive; }
    void PopupAt(const QRect& m, int a) override
    {
        monitor = m;
        alpha = a;
    }
    void ShowAutoHide(int show) override { shows.push_back(show); }
    QSize BarSize() const override { return QSize(350, 44); }
};

struct FakeHost : VideoGridHost
{
    CVideoGridDlg* grid = nullptr;
    GridLinkState link;
    bool dome = false;
    std::map<int, int> buttons;
    std::vector<std::uint32_t> told;
    std::vector<int> layouts;
    int bars = 0;
    FakeBar* bar = nullptr;
    int mainShown = 0;

    GridLinkState LinkState() const override { return link; }
    bool HasSoundDevice() const override { return false; }
    bool GetPlaySpeed(int, int&) override { return false; }
    void RequestPtzChannel(int) override {}
    void SetGridButton(int index, int state) override { buttons[index] = state; }
    void OnVideoTick() override {}
    bool DomeMenuOpen() const override { return dome; }
    void SelectChannel(int channel, bool keep) override
    {
        if (!keep)
            grid->m_bZoomed = false;
        grid->ShowSingleChannel(channel);
    }
    void SetScreenSplit(int layout) override { layouts.push_back(layout); }
    void TellRecorderView(std::uint32_t visible) override { told.push_back(visible); }
    std::unique_ptr<GridSplitBar> CreateSplitBar(Wnd*) override
    {
        auto b = std::make_unique<FakeBar>(&bars);
        bar = b.get();
        return b;
    }
    void ShowMainWindow() override { ++mainShown; }
};

struct Yuv
{
    std::uint8_t y, u, v;
};
// One colour per channel.
Yuv ChannelColour(int channel)
{
    return Yuv{static_cast<std::uint8_t>(40 + channel * 12),
               static_cast<std::uint8_t>(channel & 1 ? 200 : 60),
               static_cast<std::uint8_t>(channel & 2 ? 200 : 60)};
}
QRgb ToRgb(Yuv c)
{
    std::uint8_t bgr[3];
    YuvPixelToBgr(c.y, c.u, c.v, bgr);
    return qRgb(bgr[2], bgr[1], bgr[0]);
}
bool Near(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) <= 4 && std::abs(qGreen(a) - qGreen(b)) <= 4 &&
           std::abs(qBlue(a) - qBlue(b)) <= 4;
}

void Publish(CVideoGridDlg& grid, int channel, int w = 352, int h = 288)
{
    PictureBuffer* pb = grid.GetPicture(channel);
    const Yuv c = ChannelColour(channel);
    std::uint8_t* p = pb->WriteBuffer();
    std::memset(p, c.y, static_cast<std::size_t>(w) * h);
    std::memset(p + w * h, c.u, static_cast<std::size_t>(w) * h / 4);
    std::memset(p + w * h + w * h / 4, c.v, static_cast<std::size_t>(w) * h / 4);
    GridFrame frame;
    frame.width = w;
    frame.height = h;
    frame.frameTime = 1199243045;
    ASSERT_TRUE(grid.PublishPicture(channel, frame));
}

QPoint Centre(const CVideoGridDlg& grid, int cell)
{
    const GridCellRect r = grid.ModelSnapshot().CellRect(cell);
    return QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

void Mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::LeftButton)
{
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent ev(type, QPointF(at), QPointF(w->mapToGlobal(at)),
                   type == QEvent::MouseMove ? Qt::NoButton : button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &ev);
}

void Key(QWidget* w, QEvent::Type type, int key)
{
    QKeyEvent ev(type, key, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &ev);
}

class GridInteractionWidget : public ::testing::Test
{
protected:
    void SetUp() override
    {
        parent.resize(900, 700);
        grid = std::make_unique<CVideoGridDlg>(&parent);
        host.grid = grid.get();
        grid->SetHost(&host);
        grid->InitCells(16);
        grid->MoveView(10, 20, 825, 568, 1, 0x969696);
        grid->SetDirectDraw(true);
        for (int c = 0; c < 16; ++c)
            Publish(*grid, c);
        grid->SetLayout(kVideoLayout16);
        parent.show();
        Pump();
    }
    QRgb At(const QImage& img, QPoint p) const { return img.pixel(p); }

    QWidget parent;
    FakeHost host;
    std::unique_ptr<CVideoGridDlg> grid;
};

TEST_F(GridInteractionWidget, MouseDragSwapsTwoCellsPictures)
{
    const QPoint a = Centre(*grid, 0);
    const QPoint b = Centre(*grid, 5);
    QImage before = grid->grab().toImage();
    ASSERT_TRUE(Near(At(before, a), ToRgb(ChannelColour(0))));
    ASSERT_TRUE(Near(At(before, b), ToRgb(ChannelColour(5))));

    Mouse(grid.get(), QEvent::MouseButtonPress, a);
    ASSERT_TRUE(grid->Interaction().Drag().dragging);
    Mouse(grid.get(), QEvent::MouseMove, (a + b) / 2);
    Mouse(grid.get(), QEvent::MouseMove, b);
    // The drag image follows: its frame colour around the picture it carries.
    const QImage dragging = grid->grab().toImage();
    const GridDragState& d = grid->Interaction().Drag();
    EXPECT_TRUE(
        Near(dragging.pixel(d.imageX, d.imageY + 20), fromColorRef(CVideoGridDlg::kDragFrameColour).rgb()));
    EXPECT_TRUE(Near(dragging.pixel(d.imageX + 20, d.imageY + 20), ToRgb(ChannelColour(0))));

    Mouse(grid.get(), QEvent::MouseButtonRelease, b);
    EXPECT_FALSE(grid->Interaction().Drag().dragging);
    EXPECT_EQ(grid->GetCellChannel(0), 5);
    EXPECT_EQ(grid->GetCellChannel(5), 0);
    Pump();
    const QImage after = grid->grab().toImage();
    EXPECT_TRUE(Near(At(after, a), ToRgb(ChannelColour(5))));
    EXPECT_TRUE(Near(At(after, b), ToRgb(ChannelColour(0))));
}

TEST_F(GridInteractionWidget, ReleaseWithTheDomeMenuOpenEndsTheDrag)
{
    Mouse(grid.get(), QEvent::MouseButtonPress, Centre(*grid, 0));
    Mouse(grid.get(), QEvent::MouseMove, Centre(*grid, 5));
    host.dome = true;
    Mouse(grid.get(), QEvent::MouseButtonRelease, Centre(*grid, 5));
    EXPECT_FALSE(grid->Interaction().Drag().dragging);
    EXPECT_EQ(grid->GetCellChannel(0), 0);
    const QImage after = grid->grab().toImage();
    EXPECT_TRUE(Near(At(after, Centre(*grid, 5)), ToRgb(ChannelColour(5)))) << "no image left behind";
}

TEST_F(GridInteractionWidget, DoubleClickSingleViewAndBack)
{
    const QPoint p = Centre(*grid, 6);
    Mouse(grid.get(), QEvent::MouseButtonPress, p);
    Mouse(grid.get(), QEvent::MouseButtonRelease, p);
    Mouse(grid.get(), QEvent::MouseButtonDblClick, p);
    Mouse(grid.get(), QEvent::MouseButtonRelease, p);
    int layout = -1;
    std::uint16_t cells = 0;
    grid->GetLayout(layout, cells);
    EXPECT_EQ(layout, 0);
    EXPECT_TRUE(grid->m_bZoomed);
    ASSERT_EQ(host.told.size(), 1u);
    EXPECT_EQ(host.told[0], 1u << 6);
    // A new view shows each channel from its next picture on.
    Publish(*grid, 6);
    Pump();
    QImage img = grid->grab().toImage();
    EXPECT_TRUE(Near(img.pixel(img.width() / 2, img.height() / 2), ToRgb(ChannelColour(6))));

    Mouse(grid.get(), QEvent::MouseButtonPress, p);
    Mouse(grid.get(), QEvent::MouseButtonRelease, p);
    Mouse(grid.get(), QEvent::MouseButtonDblClick, p);
    grid->GetLayout(layout, cells);
    EXPECT_EQ(layout, 14);
    EXPECT_FALSE(grid->m_bZoomed);
    EXPECT_EQ(grid->m_nSelectedLayout.load(), 14);
    EXPECT_EQ(host.buttons[kGridSplitButtonFirst + 8], 1) << "button 24 lit";
    EXPECT_EQ(host.buttons[kGridSplitButtonFirst + 0], 0);
    ASSERT_EQ(host.told.size(), 2u);
    EXPECT_EQ(host.told[1], 0xFFFFu);
    Publish(*grid, 2);
    Pump();
    img = grid->grab().toImage();
    EXPECT_TRUE(Near(At(img, Centre(*grid, 2)), ToRgb(ChannelColour(2))));
}

TEST_F(GridInteractionWidget, FullScreenWithTheBarAndBack)
{
    const QRect saved = grid->geometry();
    grid->EnterFullScreen(3); // no such monitor: the screen of the main window
    ASSERT_TRUE(grid->IsFullScreen());
    EXPECT_TRUE(grid->isWindow());
    EXPECT_TRUE(grid->hasMouseTracking());
    const QRect screen = parent.screen()->geometry();
    EXPECT_EQ(grid->geometry(), screen);
    ASSERT_EQ(host.bars, 1);
    EXPECT_EQ(host.bar->monitor, screen);
    EXPECT_EQ(host.bar->alpha, 150);

    grid->EnterFullScreen(0);
    EXPECT_EQ(host.bars, 1) << "twice keeps the first";

    // The reveal zone at the bottom centre shows the bar.
    Mouse(grid.get(), QEvent::MouseMove, QPoint(screen.width() / 2, screen.height() - 5));
    ASSERT_TRUE(PumpUntil([&] { return host.bar && !host.bar->shows.empty(); }));
    EXPECT_EQ(host.bar->shows.back(), 1);

    // The bar's layout buttons choose layouts; its Esc leaves.
    grid->WindowProc(CVideoGridDlg::WM_SPLIT_SELECT, 401, 0);
    ASSERT_EQ(host.layouts.size(), 1u);
    EXPECT_EQ(host.layouts[0], 1);
    grid->WindowProc(CVideoGridDlg::WM_SPLIT_SELECT, 409, 0);
    EXPECT_FALSE(grid->IsFullScreen());
    EXPECT_EQ(host.bars, 0);
    EXPECT_EQ(grid->parentWidget(), &parent);
    EXPECT_EQ(grid->geometry(), saved);
    EXPECT_EQ(grid->Border(), 1);
    EXPECT_EQ(host.mainShown, 1);

    // Esc and the right button leave too; the disconnect from another thread posts.
    grid->EnterFullScreen(0);
    Key(grid.get(), QEvent::KeyPress, Qt::Key_Escape);
    EXPECT_FALSE(grid->IsFullScreen());
    grid->EnterFullScreen(0);
    Mouse(grid.get(), QEvent::MouseButtonRelease, QPoint(5, 5), Qt::RightButton);
    EXPECT_FALSE(grid->IsFullScreen());
    grid->EnterFullScreen(0);
    std::thread([&] { grid->LeaveFullScreen(); }).join();
    EXPECT_TRUE(grid->IsFullScreen());
    ASSERT_TRUE(PumpUntil([&] { return !grid->IsFullScreen(); }));
    EXPECT_EQ(grid->geometry(), saved);
}

TEST_F(GridInteractionWidget, SnapshotCopiesShownActiveChannels)
{
    grid->SetActiveChannels(0xFFFB, false); // channel 2 not active
    grid->SetLayout(1);                     // cells 0-3
    const auto shots = grid->TakeSnapshot(0);
    ASSERT_EQ(shots.size(), 3u);
    const int expected[] = {0, 1, 3};
    for (std::size_t i = 0; i < shots.size(); ++i) {
        EXPECT_EQ(shots[i].channel, expected[i]);
        EXPECT_EQ(shots[i].width, 352);
        EXPECT_EQ(shots[i].height, 288);
        EXPECT_EQ(shots[i].format, PictureBuffer::kFormatYuv420);
        EXPECT_EQ(shots[i].timeText, "2008-01-02  03:04:05");
        EXPECT_EQ(shots[i].picture[0], ChannelColour(expected[i]).y);
    }
}

// The preview of the file dialog: a size for a file that loads, nothing for
// one that does not, and nothing after a folder change.
TEST(PreviewFileDialog, LabelFollowsTheCurrentFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QImage img(720, 576, QImage::Format_RGB888);
    img.fill(Qt::red);
    ASSERT_TRUE(img.save(dir.filePath("a.bmp"), "BMP"));
    QFile bad(dir.filePath("bad.jpg"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("not a picture at all");
    bad.close();

    CPreviewFileDlg dlg(nullptr, dir.path());
    EXPECT_EQ(dlg.m_wndTemplate.size(), QSize(656, 340));
    EXPECT_EQ(dlg.m_wndPreview.geometry(), QRect(148, 50, 360, 240));
    EXPECT_EQ(dlg.m_wndFrame.geometry(), QRect(128, 30, 400, 280));
    EXPECT_EQ(dlg.m_wndSize.geometry(), QRect(248, 10, 160, 19));
    EXPECT_EQ(dlg.directory().absolutePath(), QDir(dir.path()).absolutePath());

    dlg.OnFileNameChange(dir.filePath("a.bmp"));
    EXPECT_EQ(dlg.m_wndSize.text(), QStringLiteral("(720 x 576)"));
    EXPECT_FALSE(dlg.m_wndPreview.m_hBitmap.isNull());
    dlg.OnFileNameChange(dir.filePath("bad.jpg"));
    EXPECT_EQ(dlg.m_wndSize.text(), QString()) << "no (0 x 0) for a file that does not load";
    dlg.OnFileNameChange(dir.filePath("a.bmp"));
    dlg.OnFolderChange(dir.path());
    EXPECT_EQ(dlg.m_wndSize.text(), QString());
    EXPECT_TRUE(dlg.m_wndPreview.m_hBitmap.isNull());

    // The dialog's own signals drive the same (its folder listing loads in
    // the background: the file is chosen again until the list has it).
    dlg.show();
    auto* list = dlg.findChild<QAbstractItemView*>(QStringLiteral("listView"));
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(PumpUntil([&] {
        dlg.selectFile(dir.filePath("a.bmp"));
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        const QModelIndexList chosen = list->selectionModel()->selectedIndexes();
        if (!chosen.isEmpty())
            list->selectionModel()->setCurrentIndex(chosen.first(), QItemSelectionModel::NoUpdate);
        return dlg.m_wndSize.text() == QStringLiteral("(720 x 576)");
    }));
    dlg.setDirectory(QDir::tempPath());
    ASSERT_TRUE(PumpUntil([&] { return dlg.m_wndSize.text().isEmpty(); }));
}

} // namespace
