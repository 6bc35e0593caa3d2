// How busy drawing keeps the GUI thread: worker threads publish pictures at
// 25 per second per channel, as decode workers do, while the grid repaints on
// the GUI thread. Prints, per case, the GUI thread's CPU time per second of
// wall time and the pictures painted against the pictures published.
//
//   grid_paint [seconds per case, default 4] [case number, default all]
//
// Runs on the offscreen platform unless another is set, so the figures
// leave out the display server's own share.
#include "video/VideoGridDlg.h"
#include "video/YuvToRgb.h"

#include <QApplication>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <thread>
#include <vector>

namespace {

double ThreadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// A few different pictures per channel so every frame is new content.
std::vector<std::vector<std::uint8_t>> MakePictures(int w, int h, int format, int channel)
{
    std::vector<std::vector<std::uint8_t>> pictures;
    for (int k = 0; k < 4; ++k) {
        std::vector<std::uint8_t> yuv(std::size_t(w) * h * 3 / 2);
        std::uint8_t* y = yuv.data();
        std::uint8_t* u = y + w * h;
        std::uint8_t* v = u + (w / 2) * (h / 2);
        for (int r = 0; r < h; ++r)
            for (int x = 0; x < w; ++x)
                y[r * w + x] = static_cast<std::uint8_t>(16 + ((x + r + 37 * k + 11 * channel) % 220));
        for (int r = 0; r < h / 2; ++r)
            for (int x = 0; x < w / 2; ++x) {
                u[r * (w / 2) + x] = static_cast<std::uint8_t>(64 + ((x * 2 + k * 9) % 128));
                v[r * (w / 2) + x] = static_cast<std::uint8_t>(64 + ((r * 2 + channel * 7) % 128));
            }
        if (format == PictureBuffer::kFormatYuv420) {
            pictures.push_back(std::move(yuv));
            continue;
        }
        std::vector<std::uint8_t> rgb(std::size_t(w) * h * 3);
        for (int r = 0; r < h; ++r)
            for (int x = 0; x < w; ++x)
                YuvPixelToBgr(y[r * w + x], u[(r / 2) * (w / 2) + x / 2], v[(r / 2) * (w / 2) + x / 2],
                              rgb.data() + (std::size_t(h - 1 - r) * w + x) * 3);
        pictures.push_back(std::move(rgb));
    }
    return pictures;
}

struct Case
{
    const char* name;
    int channels;
    int pictureW, pictureH;
    int viewW, viewH;
    int layout;
    int drawMode; // 0 YUV, 1 RGB
};

void Run(const Case& c, double seconds)
{
    CVideoGridDlg grid;
    grid.InitCells(16);
    grid.SetOsdFont(13, 700, "Arial Bold");
    grid.MoveView(0, 0, c.viewW, c.viewH, 1, 0x969696);
    grid.SetDirectDraw(c.drawMode == 0);
    grid.SetActiveChannels(c.channels >= 16 ? 0xFFFF : (1u << c.channels) - 1, false);
    grid.SetLayout(c.layout);
    grid.m_nViewMode = 1;
    QApplication::processEvents();

    const int format = grid.GetPictureFormat();
    std::vector<std::vector<std::vector<std::uint8_t>>> pictures;
    for (int ch = 0; ch < c.channels; ++ch)
        pictures.push_back(MakePictures(c.pictureW, c.pictureH, format, ch));

    std::atomic<bool> stop{false};
    std::vector<std::thread> workers;
    const auto start = std::chrono::steady_clock::now();
    for (int ch = 0; ch < c.channels; ++ch) {
        workers.emplace_back([&, ch] {
            const auto period = std::chrono::microseconds(40000);
            // Channels start spread over one period, as real cameras do.
            auto next = start + period * ch / c.channels;
            GridFrame frame;
            frame.width = c.pictureW;
            frame.height = c.pictureH;
            char line[64];
            std::snprintf(line, sizeof line, "CH%d Camera %d %dx%d", ch + 1, ch + 1, c.pictureW, c.pictureH);
            frame.line1 = line;
            frame.line2 = "Live view  25";
            for (int k = 0; !stop; ++k) {
                std::this_thread::sleep_until(next);
                next += period;
                const auto& pic = pictures[ch][k % 4];
                std::memcpy(grid.GetPicture(ch)->WriteBuffer(), pic.data(), pic.size());
                grid.PublishPicture(ch, frame);
            }
        });
    }

    const double cpu0 = ThreadCpuSeconds();
    QTimer::singleShot(int(seconds * 1000), [] { QApplication::quit(); });
    QApplication::exec();
    const double cpu = ThreadCpuSeconds() - cpu0;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    stop = true;
    for (auto& t : workers)
        t.join();

    std::uint64_t published = 0, painted = 0;
    for (int ch = 0; ch < c.channels; ++ch) {
        const auto stats = grid.GetPaintStats(ch);
        published += stats.published;
        painted += stats.painted;
    }
    std::printf("%-34s GUI thread %5.1f ms/s (%4.1f%% busy)  published %6.1f/s  painted %6.1f/s  (%.0f%%)\n",
                c.name, cpu / wall * 1000.0, cpu / wall * 100.0, published / wall, painted / wall,
                published ? 100.0 * double(painted) / double(published) : 0.0);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? std::max(1.0, std::atof(argv[1])) : 4.0;
    const Case cases[] = {
        {"16 x D1 704x576, 16 cells, YUV", 16, 704, 576, 815, 548, 14, 0},
        {"16 x D1 704x576, 16 cells, RGB", 16, 704, 576, 815, 548, 14, 1},
        {"16 x CIF 352x288, 16 cells, YUV", 16, 352, 288, 815, 548, 14, 0},
        {"16 x CIF 352x288, 16 cells, RGB", 16, 352, 288, 815, 548, 14, 1},
        {"1 x D1, single view 1920x1080, YUV", 1, 704, 576, 1920, 1080, 0, 0},
        {"1 x D1, single view 1920x1080, RGB", 1, 704, 576, 1920, 1080, 0, 1},
    };
    std::printf("grid_paint: %d s per case, 25 pictures per second per channel\n", int(seconds));
    const int only = argc > 2 ? std::atoi(argv[2]) : -1;
    int index = 0;
    for (const Case& c : cases)
        if (only < 0 || only == index++)
            Run(c, seconds);
    return 0;
}
