#include "video/SaveImageThread.h"

#include "platform/Paths.h"
#include "video/PictureBuffer.h"

#include <cstdio>

namespace {

// One file name component on the file systems we write to.
constexpr std::size_t kMaxFileNameBytes = 255;
// The caption: the picture's time in light cyan at the bottom.
constexpr COLORREF kCaptionColour = 0xFFFF00;
constexpr int kStillWidth = 800;
constexpr int kStillHeight = 600;

// Cuts UTF-8 text to at most `limit` bytes without splitting a character.
std::string CutAtCharacter(const std::string& text, std::size_t limit)
{
    if (text.size() <= limit)
        return text;
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

} // namespace

std::string SanitiseStillName(const std::string& typed)
{
    std::string out;
    out.reserve(typed.size());
    for (const char ch : typed) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F || c == '/' || c == '\\')
            continue;
        out.push_back(ch);
    }
    return out;
}

std::string StillFileName(const std::string& typed, int channel, int saveFormat, const std::tm& local)
{
    const std::string ext = StillExtension(saveFormat);
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "_%02d", channel + 1);
    const std::string name = SanitiseStillName(typed);
    if (!name.empty())
        return CutAtCharacter(name, kMaxFileNameBytes - ext.size() - std::string(suffix).size()) + suffix +
               ext;
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
    }
    m_job.picture.clear();
    m_job.picture.shrink_to_fit();
    m_nResult.store(result, std::memory_order_release);
    m_bDone.store(true, std::memory_order_release);
}
