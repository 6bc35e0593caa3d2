#include "video/VideoDecodeThread.h"

#include "platform/ResourceLibrary.h"
#include "platform/Trace.h"
#include "video/ResIdsDecode.h"

#include <cstdio>
#include <cstring>
#include <utility>

namespace {

constexpr int kContextHeld = 4;
constexpr int kContextFirstInit = 5;
constexpr int kContextFormat = 6;
constexpr std::uint32_t kDecoderYuv = 0;
constexpr std::uint32_t kDecoderBgr = 3;

// A caption line holds at most this many characters.
constexpr std::size_t kMaxCaption = 259;

std::uint32_t DecoderFormatWord(int pictureFormat)
{
    return pictureFormat == PictureBuffer::kFormatBgr24 ? kDecoderBgr : kDecoderYuv;
}

std::string CutCaption(std::string s)
{
    if (s.size() > kMaxCaption)
        s.resize(kMaxCaption);
    return s;
}

int AnswerToMark(int answer, bool multi, bool& set)
{
    set = true;
    switch (answer) {
    case 2:
        return 0;
    case 1:
        return 1;
    case 0:
        return -1;
    default:
        // The single-source decision leaves an unknown answer alone; the
        // multi-channel one clears the mark.
        set = multi;
        return -1;
    }
}

} // namespace

// ---------------------------------------------------------------------------

std::optional<GridFrame::AudioMark> DecideAudioMark(int viewMode, bool multi, const AudioMarkInputs& in, int offset)
{
    const GridFrame::AudioMark none{-1, 0, false};
    if (viewMode < 1 || viewMode > 3)
        return none;
    if (!in.source)
        return std::nullopt;
    bool known = false;
    if (viewMode == 1)
        known = in.soloChannel != 0;
    else if (viewMode == 2)
        known = in.soloChannel != 0 && in.playState == 3 && in.playSpeed == 1;
    else
        known = in.playState == 3 && in.playSpeed == 1;
    if (!known)
        return multi ? none : GridFrame::AudioMark{-1, offset, false};
    bool set = false;
    const int mark = AnswerToMark(in.answer, multi, set);
    if (!set)
        return std::nullopt;
    return GridFrame::AudioMark{mark, offset, false};
}

int ShownPictureWidth(int width)
{
    switch (width) {
    case 352:
        return 360;
    case 704:
        return 720;
    case 176:
        return 180;
    default:
        return width;
    }
}

// ---------------------------------------------------------------------------

CVideoDecodeThread::CVideoDecodeThread(int channel, GridSink& grid, DecodeEnv& env,
                                       const DecoderEntryPoints& decoder, DecodeWorkerOptions options)
    : m_nChannel(channel), m_grid(grid), m_env(env), m_decoder(decoder), m_options(std::move(options))
{
    static constexpr int kLabelIds[3] = {IDS_DECODE_LABEL_LIVE, IDS_DECODE_LABEL_REMOTE, IDS_DECODE_LABEL_LOCAL};
    for (int i = 0; i < 3; ++i) {
        if (m_options.modeLabels[i].empty())
            m_options.modeLabels[i] = ResourceLibrary::Current().LoadResString(kLabelIds[i]).toStdString();
    }
    if (m_options.queueLimit < kBacklogCount)
        m_options.queueLimit = kBacklogCount;
    m_bRunning = true;
    m_thread = std::thread([this] { ThreadMain(); });
}

CVideoDecodeThread::~CVideoDecodeThread()
{
    Stop();
}

bool CVideoDecodeThread::Queue(std::unique_ptr<QueuedFrame> frame)
{
    if (!frame)
        return false;
    {
        std::lock_guard<std::mutex> lock(m_csQueue);
        if (m_bDiscard || m_bStop) {
            ++m_stats.refused;
            return false;
        }
        if (static_cast<int>(m_queue.size()) >= m_options.queueLimit) {
            // The worker has fallen this far behind: what waits is stale.
            // The next frame taken starts over at a key frame.
            m_stats.shed += m_queue.size();
            m_queue.clear();
            m_bCutPending = true;
        }
        m_queue.push_back(Entry{std::move(frame), std::exchange(m_bCutPending, false)});
        ++m_stats.queued;
    }
    m_wake.notify_one();
    return true;
}

void CVideoDecodeThread::SetDiscard(bool discard)
{
    {
        std::lock_guard<std::mutex> lock(m_csQueue);
        m_bDiscard = discard;
    }
    m_wake.notify_all();
}

int CVideoDecodeThread::QueueCount() const
{
    std::lock_guard<std::mutex> lock(m_csQueue);
    return 2 + static_cast<int>(m_queue.size());
}

bool CVideoDecodeThread::WaitDrained(std::chrono::milliseconds bound)
{
    std::unique_lock<std::mutex> lock(m_csQueue);
    return m_drained.wait_for(lock, bound, [this] { return m_queue.empty() && (!m_bTaking || !m_bRunning); });
}

void CVideoDecodeThread::Stop()
{
    {
        std::lock_guard<std::mutex> lock(m_csQueue);
        m_bStop = true;
    }
    m_wake.notify_all();
    std::lock_guard<std::mutex> lock(m_threadLock);
    if (m_thread.joinable()) {
        if (m_thread.get_id() == std::this_thread::get_id())
            m_thread.detach(); // cannot happen from the worker's own calls; never join oneself
        else
            m_thread.join();
    }
}

CVideoDecodeThread::Stats CVideoDecodeThread::GetStats() const
{
    Stats s;
    s.queued = m_stats.queued;
    s.refused = m_stats.refused;
    s.published = m_stats.published;
    s.waitingKey = m_stats.waitingKey;
    s.shed = m_stats.shed;
    s.failed = m_stats.failed;
    s.discarded = m_stats.discarded;
    s.dropLive = m_stats.dropLive;
    s.decoderCalls = m_stats.decoderCalls;
    s.reinits = m_stats.reinits;
    s.notDecoded = m_stats.notDecoded;
    return s;
}

// ---------------------------------------------------------------------------
// The worker's thread

void CVideoDecodeThread::ThreadMain()
{
    std::memset(&m_decContext, 0, sizeof m_decContext);
    m_decContext.word[kContextFirstInit] = 1;
    m_nFormat = m_grid.GetPictureFormat();
    m_decContext.word[kContextFormat] = DecoderFormatWord(m_nFormat);
    if (m_decoder.Init && !InitDecoder()) {
        TRACE("DecodeLoop: decoder init failed on channel %d\n", m_nChannel);
        m_env.ReportDecoderInitError();
    }
    m_bDropping = true;
    int points = 0;
    int weight = 0;
    std::string face;
    m_grid.GetOsdFont(points, weight, face);
    m_nCharWidth = static_cast<int>(points * 0.85);
    m_nViewMode = m_grid.GetViewMode();
    m_grid.ClearZoom();

    for (;;) {
        int count = 0;
        bool afterCut = false;
        std::unique_ptr<QueuedFrame> frame = Take(count, afterCut);
        if (!frame)
            break;
        if (m_bDiscard) {
            ++m_stats.discarded;
        } else {
            try {
                Process(*frame, count, afterCut);
            } catch (...) {
                // A frame that cannot be handled (out of memory building its
                // captions) is lost; the next one is taken as usual.
                ++m_stats.failed;
            }
        }
        frame.reset();
        bool empty = false;
        {
            std::lock_guard<std::mutex> lock(m_csQueue);
            m_bTaking = false;
            empty = m_queue.empty();
        }
        if (empty)
            m_drained.notify_all();
    }

    if (m_decContext.word[kContextHeld] != 0 && m_decoder.Uninit)
        m_decoder.Uninit(&m_decContext);
    m_grid.SetAudioMark(m_nChannel, -1, 0, false);
    {
        std::lock_guard<std::mutex> lock(m_csQueue);
        m_bRunning = false;
    }
    m_drained.notify_all();
}

std::unique_ptr<QueuedFrame> CVideoDecodeThread::Take(int& count, bool& afterCut)
{
    std::unique_lock<std::mutex> lock(m_csQueue);
    m_wake.wait(lock, [this] { return m_bStop || !m_queue.empty(); });
    if (m_bStop)
        return nullptr;
    count = 2 + static_cast<int>(m_queue.size());
    Entry e = std::move(m_queue.front());
    m_queue.pop_front();
    m_bTaking = true;
    afterCut = e.afterCut;
    return std::move(e.frame);
}

bool CVideoDecodeThread::InitDecoder()
{
    if (m_decoder.Uninit)
        m_decoder.Uninit(&m_decContext);
    return m_decoder.Init(&m_decContext) == 0;
}

void CVideoDecodeThread::SetOutputFor(int width, int height)
{
    // The library writes no more than the picture buffer holds.
    if (m_decoder.SetOutput)
        m_decoder.SetOutput(&m_decContext, width, height, static_cast<int>(PictureBuffer::kCapacity));
}

void CVideoDecodeThread::Process(const QueuedFrame& queued, int count, bool afterCut)
{
    FrameInfo info;
    WireHeader header;
    const std::uint8_t* frame = nullptr;
    std::size_t frameSize = 0;
    if (!ReadQueuedItem(queued.item.data(), queued.item.size(), info, header, frame, frameSize) ||
        info.frame_size < kFrameHeaderSize || info.frame_size > frameSize) {
        ++m_stats.failed;
        return;
    }
    if (m_env.DropLiveFrame(m_nChannel)) {
        ++m_stats.dropLive;
        m_bHaveKey = false;
        return;
    }

    std::uint32_t frameTime = 0;
    if (m_nViewMode == 1)
        frameTime = info.time_sec;
    else if (m_nViewMode == 2 || m_nViewMode == 3)
        frameTime = m_env.PlaybackClockTime(m_nViewMode);
    m_env.SetMainClockTime(frameTime);

    // A new stream, or a new picture size within one, waits for a key frame.
    bool keyTest = false;
    const std::int64_t generation = info.stream_seq;
    if (generation != m_nLastGeneration) {
        m_nLastGeneration = generation;
        m_nLastWidth = info.width;
        m_nLastHeight = info.height;
        m_bHaveKey = false;
        keyTest = true;
    } else if (info.width != m_nLastWidth || info.height != m_nLastHeight) {
        m_nLastWidth = info.width;
        m_nLastHeight = info.height;
        m_nLastGeneration = -1; // the frame after this one starts a stream again
        m_bHaveKey = false;
        keyTest = true;
    } else {
        keyTest = !m_bHaveKey;
    }
    if (keyTest) {
        if (info.frame_type != 1) {
            m_bDropping = true;
            ++m_stats.waitingKey;
            return;
        }
        m_bHaveKey = true;
        StartStream(info);
    }

    // Backlog: more than 28 frames waited when this one was taken, or the
    // queue was cut before it.
    if (count > kBacklogCount || afterCut)
        m_bDropping = true;
    switch (info.frame_type) {
    case 1:
        m_bDropping = false;
        break;
    case 0:
    case 2:
        if (m_bDropping) {
            ++m_stats.shed;
            return;
        }
        break;
    default:
        ++m_stats.notDecoded;
        return;
    }
    Decode(info, frame, queued.arrival, frameTime);
}

void CVideoDecodeThread::StartStream(const FrameInfo& info)
{
    // The grid's format, not the setting, decides what the decoder writes.
    m_nFormat = m_grid.GetPictureFormat();
    m_decContext.word[kContextFormat] = DecoderFormatWord(m_nFormat);
    SetOutputFor(info.width, info.height);
    m_grid.ClearPicture(m_nChannel);
}

int CVideoDecodeThread::CallDecoder(const std::uint8_t* data, int length, std::uint8_t* picture)
{
    int result = kDecodeBad;
    for (int calls = 1;; ++calls) {
        result = m_decoder.GetOneFrame(&m_decContext, data, length, picture);
        ++m_stats.decoderCalls;
        if (result == kDecodeReinit) {
            ++m_stats.reinits;
            InitDecoder();
            SetOutputFor(m_nLastWidth, m_nLastHeight);
        } else if (result != kDecodeAgain) {
            return result;
        }
        if (calls >= kMaxDecodeCalls)
            return result;
    }
}

void CVideoDecodeThread::Decode(const FrameInfo& info, const std::uint8_t* frame,
                                std::chrono::steady_clock::time_point arrival, std::uint32_t frameTime)
{
    PictureBuffer* picture = m_grid.GetPicture(m_nChannel);
    if (picture == nullptr) {
        ++m_stats.failed;
        return;
    }
    int result = m_nLastResult;
    if (m_decoder.GetOneFrame) {
        result = CallDecoder(frame + kFrameHeaderSize, static_cast<int>(info.frame_size - kFrameHeaderSize),
                             picture->WriteBuffer());
    }
    if (result != kDecodePicture && result != kDecodePicture5) {
        ++m_stats.failed;
        return;
    }

    const int w = info.width;
    const int h = info.height;
    const bool served = m_env.ServedModel();
    const bool deinterlaceOn = m_env.DeinterlaceOn(m_nChannel);
    if (m_nFormat == PictureBuffer::kFormatBgr24) {
        m_grid.FlipPicture(m_nChannel, w, h, served);
        const bool ownFields = m_nViewMode == 3 || ((m_nViewMode == 1 || m_nViewMode == 2) && served);
        if (!ownFields && (h == 480 || h == 576) && deinterlaceOn)
            m_grid.DeinterlacePicture(m_nChannel, w, h, true, 0);
    } else {
        m_grid.PrepareYuvPicture(m_nChannel, w, h, served, deinterlaceOn);
    }
    Publish(info, frameTime, arrival);
}

std::string CVideoDecodeThread::Title(const FrameInfo& info, int cellWidth)
{
    std::string source = m_env.LocalCameraName(m_nChannel);
    const bool local = !source.empty();
    if (!local) {
        if (m_nViewMode == 1)
            source = m_env.RecorderCameraName(m_nChannel);
        else if (m_nViewMode == 2 || m_nViewMode == 3)
            source.assign(info.caption, strnlen(info.caption, sizeof info.caption));
        else
            return std::string();
    }
    if (source != m_strTitleSource || local != m_bTitleLocal || cellWidth != m_nLastCellWidth || !m_bTitleFitted) {
        m_strTitle = CutCaption(m_grid.FitOsdText(m_nChannel, cellWidth, source, local));
        m_strTitleSource = std::move(source);
        m_bTitleLocal = local;
        m_nLastCellWidth = cellWidth;
        m_bTitleFitted = true;
    }
    return m_strTitle;
}

void CVideoDecodeThread::Publish(const FrameInfo& info, std::uint32_t frameTime,
                                 std::chrono::steady_clock::time_point arrival)
{
    GridFrame g;
    g.width = info.width;
    g.height = info.height;
    g.format = m_nFormat;
    g.frameTime = static_cast<int>(frameTime);

    int cellWidth = 0;
    int cellHeight = 0;
    m_grid.GetCellSize(m_nChannel, cellWidth, cellHeight);
    const std::string title = Title(info, cellWidth);
    char text[kMaxCaption + 1];
    switch (m_grid.GetOsdMode()) {
    case 0:
        std::snprintf(text, sizeof text, "%s %dx%d", title.c_str(), ShownPictureWidth(info.width), info.height);
        g.line1 = text;
        break;
    case 1:
        g.line1 = CutCaption(title);
        break;
    default:
        break;
    }
    if (m_nViewMode >= 1 && m_nViewMode <= 3) {
        std::snprintf(text, sizeof text, "%s  %02d", m_options.modeLabels[m_nViewMode - 1].c_str(),
                      m_grid.GetFrameRate(m_nChannel));
        g.line2 = text;
    }

    const int lineWidth = static_cast<int>(g.line2.size()) * m_nCharWidth;
    m_grid.SetSpeedIconPos(m_nChannel, lineWidth + 5, false);
    m_grid.SetWatermarkIconPos(m_nChannel, lineWidth + 80, false);
    const bool multi = info.audio_select == 1;
    g.audio = DecideAudioMark(m_nViewMode, multi, m_env.AudioMarkState(m_nViewMode, m_nChannel, multi),
                              lineWidth + 40);

    if (m_grid.PublishPicture(m_nChannel, g)) {
        ++m_stats.published;
        if (m_options.onPublished)
            m_options.onPublished(m_nChannel, arrival);
    } else {
        ++m_stats.failed;
    }
}
