#include "video/SaveImageThread.h"

#include "platform/Paths.h"
#include "video/PictureBuffer.h"

#include <cstdio>

namespace {

// The caption: the picture's time in light cyan at the bottom.
constexpr COLORREF kCaptionColour = 0xFFFF00;
constexpr int kStillWidth = 800;
constexpr int kStillHeight = 600;

} // namespace

std::string StillFileName(const std::string& typed, int channel, int saveFormat, const std::tm& local)
{
    const std::string ext = StillExtension(saveFormat);
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "_%02d", channel + 1);
    const std::string name = Paths::CleanFileName(typed);
    // Room is left for the "-N" a taken name gets (up to five digits), so
    // that the channel number always stays in the name.
    if (!name.empty())
        return CutUtf8(name, kStillMaxFileName - kStillSuffixRoom - ext.size() - std::string(suffix).size()) +
               suffix + ext;
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d%02d%02d%02d_00%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, channel + 1);
    return stamp + ext;
}

CSaveImageThread::CSaveImageThread(Job job) : m_job(std::move(job))
{
    m_thread = std::thread([this] { SaveLoop(); });
}

CSaveImageThread::~CSaveImageThread()
{
    DestroyWindow();
}

void CSaveImageThread::DestroyWindow()
{
    if (m_thread.joinable())
        m_thread.join();
}

void CSaveImageThread::SaveLoop()
{
    std::tm local{};
    localtime_r(&m_job.now, &local);
    const std::string file = StillFileName(m_job.name, m_job.channel, m_job.saveFormat, local);
    const std::string stem =
        file.substr(0, file.size() - std::string(StillExtension(m_job.saveFormat)).size());
    m_strPath = m_job.folder + file;

    StillError result = kStillOk;
    if (!Paths::CreateFolders(m_job.folder)) {
        result = kStillNotCreatable;
    } else {
        // The kind follows the picture itself, not the grid's drawing path.
        const int kind =
            m_job.pictureFormat == PictureBuffer::kFormatYuv420 ? kStillKindYuv420 : kStillKindRgb24;
        CImageWriter writer;
        writer.CreateCaptionFont(16, 400, "Tahoma");
        if (!writer.SaveImage(m_job.picture.data(), m_job.picture.size(), m_job.width, m_job.height, kind,
                              m_job.saveFormat, m_job.folder, kStillWidth, kStillHeight, m_job.timeText, stem,
                              kCaptionColour))
            result = writer.Error() == kStillOk ? kStillWriteError : writer.Error();
        if (!writer.LastPath().empty())
            m_strPath = writer.LastPath();
    }
    m_job.picture.clear();
    m_job.picture.shrink_to_fit();
    m_nResult.store(result, std::memory_order_release);
    m_bDone.store(true, std::memory_order_release);
}
