#include "video/VideoGridDlg.h"

#include "platform/Paths.h"
#include "platform/ResourceLibrary.h"
#include "platform/Skin.h"
#include "video/ResIds.h"
#include "video/VideoGridPainter.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace {

QRect ToQRect(const GridCellRect& r)
{
    return QRect(r.left, r.top, r.Width(), r.Height());
}

bool ValidChannel(int channel)
{
    return channel >= 0 && channel < kVideoGridCells;
}

constexpr QRgb kNoPicture = 0xFF000000;
constexpr COLORREF kFrameColour = 0x969696;
constexpr COLORREF kVideoLossTextColour = 0x00FF00;
constexpr COLORREF kWarningColour = 0x0000FF;

// The skin's icon pairs, by the id of their mask.
constexpr int kIconPairs[] = {OsdIcon::kSpeedPause,   OsdIcon::kSpeedForward, OsdIcon::kSpeedBackward,
                              OsdIcon::kAudioPlayed,  OsdIcon::kAudioOther,   OsdIcon::kPtzState2,
                              OsdIcon::kPtzState1,    OsdIcon::kStepBack,     OsdIcon::kStepForward,
                              OsdIcon::kWatermarkChecked, OsdIcon::kWatermarkNotVerified};

} // namespace

CVideoGridDlg::CVideoGridDlg(QWidget* parent) : Wnd(parent, Qt::Widget)
{
    // Every pixel of the update region is painted here.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    SetOsdFont(13, 700, "Arial Bold");
    LoadPictures();
    LoadSkin();
    setGeometry(0, 0, 815, 548);
}

CVideoGridDlg::~CVideoGridDlg() = default;

void CVideoGridDlg::LoadPictures()
{
    const char* files[3] = {"ComMark.bmp", "VdoLoss.bmp", "VdoLoss.bmp"};
    for (int i = 0; i < 3; ++i) {
        const std::string path = Paths::FindProgramFile(files[i]);
        m_substitute[i] = path.empty() ? QImage() : QImage(QString::fromStdString(path));
    }
    m_substituteScaled.clear();
}

void CVideoGridDlg::LoadSkin()
{
    const ResourceLibrary& res = ResourceLibrary::Current();
    for (int pair : kIconPairs)
        m_icons[pair] = GridPainter::CombineIconPair(res.LoadBitmap(pair), res.LoadBitmap(pair + 1));
}

// ---------------------------------------------------------------------------
// Set-up

void CVideoGridDlg::InitCells(int count)
{
    SetTimer(TIMER_FRAME_RATE, kFrameRatePeriodMs);
    m_nCellCount = count;
    const int buffers = count < 0 ? 0 : (count > kVideoGridCells ? kVideoGridCells : count);
    for (int c = 0; c < buffers; ++c)
        if (!m_arrPicture[c])
            m_arrPicture[c] = std::make_unique<PictureBuffer>();
    // The YUV path needs nothing from the display: it is always ready.
    m_bDirectDrawReady = true;
    m_bDirectDraw = true;
    m_nPictureFormat = PictureBuffer::kFormatYuv420;
    SetChannelCount(count);
}

void CVideoGridDlg::SetChannelCount(int count)
{
    std::lock_guard<std::mutex> lock(m_csModel);
    m_model.SetChannelCount(count);
}

void CVideoGridDlg::MoveView(int left, int top, int right, int bottom, int border, COLORREF colour)
{
    const int width = right - left;
    const int height = bottom - top;
    if (width <= 0 || height <= 0)
        return;
    {
        std::lock_guard<std::mutex> lock(m_csModel);
        m_model.SetViewSize(width, height, border);
    }
    m_crBackground = colour;
    setGeometry(left, top, width, height);
    show();
    update();
}

bool CVideoGridDlg::SetDirectDraw(bool flag)
{
    if (m_bDirectDrawReady) {
        m_bDirectDraw = flag;
        m_nPictureFormat = flag ? PictureBuffer::kFormatYuv420 : PictureBuffer::kFormatBgr24;
        return true;
    }
    m_bDirectDraw = false;
    m_nPictureFormat = PictureBuffer::kFormatBgr24;
    return false;
}

void CVideoGridDlg::SetPictureFormat(int format)
{
    if (format == PictureBuffer::kFormatYuv420 && m_bDirectDrawReady)
        m_nPictureFormat = format;
    else if (format == PictureBuffer::kFormatBgr24)
        m_nPictureFormat = format;
}

void CVideoGridDlg::SetOsdFont(int points, int weight, const std::string& face)
{
    m_osdFont = MakeSkinFont(face, points, weight);
    // Workers fit titles with these widths, never with the font itself.
    const QFontMetrics fm(m_osdFont);
    std::array<int, 256> advances{};
    for (int c = 32; c < 256; ++c)
        advances[c] = fm.horizontalAdvance(QChar(c));
    auto table = std::make_shared<const OsdWidthTable>(advances);
    std::lock_guard<std::mutex> lock(m_csOsd);
    m_osdWidths = std::move(table);
    m_nOsdWeight = weight;
    m_strOsdFace = face;
    m_nOsdPixelHeight = FontPixelHeight(points);
}

void CVideoGridDlg::GetOsdFont(int& points, int& weight, std::string& face) const
{
    std::lock_guard<std::mutex> lock(m_csOsd);
    points = OsdFontPointsFromPixels(m_nOsdPixelHeight);
    weight = m_nOsdWeight;
    face = m_strOsdFace;
}

void CVideoGridDlg::SetOsdMode(int mode)
{
    m_nOsdMode = mode;
    update();
}

int CVideoGridDlg::Border() const
{
    std::lock_guard<std::mutex> lock(m_csModel);
    return m_model.Border();
}

// ---------------------------------------------------------------------------
// Layout and paging

GridLinkState CVideoGridDlg::Link() const
{
    return m_pHost ? m_pHost->LinkState() : GridLinkState{};
}

void CVideoGridDlg::AfterVisibleCellsChanged()
{
    if (m_pHost) {
        const GridLinkState link = Link();
        int channel = -1;
        {
            std::lock_guard<std::mutex> lock(m_csModel);
            channel = m_model.PtzChannelToRequest(link);
        }
        if (channel >= 0)
            m_pHost->RequestPtzChannel(channel);
    }
    update();
}

bool CVideoGridDlg::SetLayout(int layout)
{
    bool result = false;
    {
        std::lock_guard<std::mutex> lock(m_csModel);
        result = m_model.SetLayout(layout);
    }
    AfterVisibleCellsChanged();
    return result;
}

bool CVideoGridDlg::ShowSingleChannel(int channel)
{
    {
        std::lock_guard<std::mutex> lock(m_csModel);
        if (!m_model.ShowSingleChannel(channel))
            return false;
    }
    m_nSelectedLayout = kVideoLayoutSingle;
    if (m_pHost) {
        const GridLinkState link = Link();
        if (link.connected && link.ptzPanelOpen && link.live && channel != link.ptzChannel)
            m_pHost->RequestPtzChannel(channel);
    }
    update();
    if (m_pHost) {
        // The lit channel button is the channel's own, wherever a drag has
        // put the channel.
        for (int i = 0; i < kVideoGridCells; ++i)
            m_pHost->SetGridButton(kGridChannelButtonFirst + i, i == channel ? 1 : 0);
        for (int k = 0; k < static_cast<int>(GridLayout::kSplitLayouts.size()); ++k)
            m_pHost->SetGridButton(kGridSplitButtonFirst + k, k == 0 ? 1 : 0);
    }
    return true;
}

void CVideoGridDlg::GetLayout(int& layout, std::uint16_t& visible) const
{
    std::lock_guard<std::mutex> lock(m_csModel);
    layout = m_model.Layout();
    visible = m_model.VisibleCells();
}

int CVideoGridDlg::GetPage() const
{
    std::lock_guard<std::mutex> lock(m_csModel);
    return m_model.Page();
}

void CVideoGridDlg::SetHoldPage(bool hold)
{
    std::lock_guard<std::mutex> lock(m_csModel);
    m_model.SetHoldPage(hold);
}

void CVideoGridDlg::UpdateVisibleCells()
{
    {
        std::lock_guard<std::mutex> lock(m_csModel);
        m_model.UpdateVisibleCells();
    }
    AfterVisibleCellsChanged();
}

void CVideoGridDlg::SetPageCounts(const std::array<int, kVideoGridLayouts>& counts)
{
    std::lock_guard<std::mutex> lock(m_csModel);
    m_model.SetPageCounts(counts);
}

// ---------------------------------------------------------------------------
// Masks and map

void CVideoGridDlg::SetActiveChannels(std::uint32_t mask, bool reset)
{
    std::lock_guard<std::mutex> lock(m_csModel);
    m_model.SetActiveChannels(static_cast<std::uint16_t>(mask & 0xFFFF), reset);
}

void CVideoGridDlg::MarkChannelVideo(int channel)
{
    std::lock_guard<std::mutex> lock(m_csModel);
    m_model.MarkChannelVideo(channel);
}

void CVideoGridDlg::SetShownChannels(std::uint16_t mask)
{
    std::lock_guard<std::mutex> lock(m_csModel);
    m_model.SetShownChannels(mask);
}

void CVideoGridDlg::ClearReceivedChannels()
{
    std::lock_guard<std::mutex> lock(m_csModel);
    m_model.ClearReceivedChannels();
}

std::uint16_t CVideoGridDlg::GetActiveChannels() const
{
    std::lock_guard<std::mutex> lock(m_csModel);
    return m_model.ActiveChannels();
}

int CVideoGridDlg::GetCellChannel(int cell) const
{
    std::lock_guard<std::mutex> lock(m_csModel);
    return m_model.GetCellChannel(cell);
}

int CVideoGridDlg::FindChannelCell(int channel) const
{
    std::lock_guard<std::mutex> lock(m_csModel);
    return m_model.FindChannelCell(channel);
}

void CVideoGridDlg::ResetCellMap()
{
    {
        std::lock_guard<std::mutex> lock(m_csModel);
        m_model.ResetCellMap();
    }
    Repaint(true);
}

void CVideoGridDlg::SwapCells(int a, int b)
{
    {
        std::lock_guard<std::mutex> lock(m_csModel);
        m_model.SwapCells(a, b);
    }
    Repaint(true);
}

std::uint16_t CVideoGridDlg::GetVisibleChannels() const
{
    std::lock_guard<std::mutex> lock(m_csModel);
    return m_model.VisibleChannels();
}

int CVideoGridDlg::GetSingleViewChannel(std::uint16_t mask, int& index) const
{
    std::lock_guard<std::mutex> lock(m_csModel);
    return m_model.GetSingleViewChannel(mask, index);
}

int CVideoGridDlg::SingleViewChannel() const
{
    int index = 0;
    return GetSingleViewChannel(0xFFFF, index);
}

bool CVideoGridDlg::IsSingleViewChannel(int channel, std::uint16_t mask) const
{
    std::lock_guard<std::mutex> lock(m_csModel);
    return m_model.IsSingleViewChannel(channel, mask);
}

bool CVideoGridDlg::IsChannelBlocked(int channel) const
{
    std::lock_guard<std::mutex> lock(m_csModel);
    return m_model.IsChannelBlocked(channel);
}

void CVideoGridDlg::SetChannelBlocked(int channel, bool blocked)
{
    std::lock_guard<std::mutex> lock(m_csModel);
    m_model.SetChannelBlocked(channel, blocked);
}

void CVideoGridDlg::Repaint(bool /*erase*/)
{
    // Every repaint paints the whole region it covers, so erasing first
    // changes nothing.
    m_dirtyAll = true;
    if (!m_repaintPosted.exchange(true))
        PostMessage(Handle(), WM_GRID_REPAINT, 0, 0);
}

void CVideoGridDlg::ClearHiddenCells(std::uint16_t mask)
{
    {
        std::lock_guard<std::mutex> lock(m_csModel);
        std::uint16_t shown = m_model.ShownChannels();
        const std::uint16_t visible = m_model.VisibleCells();
        for (int cell = 0; cell < kVideoGridCells; ++cell)
            if ((visible & (1u << cell)) && !(mask & (1u << cell)))
                shown = static_cast<std::uint16_t>(shown & ~(1u << m_model.GetCellChannel(cell)));
        m_model.SetShownChannels(shown);
    }
    Repaint(true);
}

void CVideoGridDlg::DrawCellFrames()
{
    m_bDrawFrames = true;
    Repaint(false);
}

VideoGridModel CVideoGridDlg::ModelSnapshot() const
{
    std::lock_guard<std::mutex> lock(m_csModel);
    return m_model;
}

// ---------------------------------------------------------------------------
// Per-channel data for the workers

PictureBuffer* CVideoGridDlg::GetPicture(int channel)
{
    return ValidChannel(channel) ? m_arrPicture[channel].get() : nullptr;
}

void CVideoGridDlg::ClearPicture(int channel)
{
    if (PictureBuffer* pb = GetPicture(channel))
        pb->ClearWrite();
}

void CVideoGridDlg::FlipPicture(int channel, int width, int height, bool servedModel)
{
    PictureBuffer* pb = GetPicture(channel);
    if (!pb)
        return;
    const bool split = PictureHasSplitFields(height, m_nViewMode.load(), servedModel);
    FlipRgbPicture(pb->WriteBuffer(), width, height, split, m_prepScratch[channel]);
}

void CVideoGridDlg::DeinterlacePicture(int channel, int width, int height, bool rgb, int method)
{
    if (PictureBuffer* pb = GetPicture(channel))
        ::DeinterlacePicture(pb->WriteBuffer(), width, height, rgb, method);
}

void CVideoGridDlg::PrepareYuvPicture(int channel, int width, int height, bool servedModel, bool doubleLines)
{
    PictureBuffer* pb = GetPicture(channel);
    if (!pb || !PictureHasSplitFields(height, m_nViewMode.load(), servedModel))
        return;
    WeaveYuvFields(pb->WriteBuffer(), width, height, doubleLines, m_prepScratch[channel]);
}

bool CVideoGridDlg::GetCellSize(int channel, int& width, int& height) const
{
    std::lock_guard<std::mutex> lock(m_csModel);
    const int cell = m_model.FindChannelCell(channel);
    if (cell < 0)
        return false;
    const GridCellRect r = m_model.CellRect(cell);
    width = r.Width();
    height = r.Height();
    return true;
}

std::string CVideoGridDlg::FitOsdText(int channel, int cellWidth, std::string_view text, bool localName) const
{
    std::shared_ptr<const OsdWidthTable> widths;
    {
        std::lock_guard<std::mutex> lock(m_csOsd);
        widths = m_osdWidths;
    }
    OsdTextMeasurer measure;
    if (widths)
        measure = [widths](std::string_view t) { return widths->Measure(t); };
    return FitOsdCaption(text, channel, localName, cellWidth, measure);
}

void CVideoGridDlg::SetSpeedIconPos(int /*channel*/, int offset, bool top)
{
    std::lock_guard<std::mutex> lock(m_csOsd);
    m_iconPos.speedOffset = offset;
    m_iconPos.speedTop = top;
}

void CVideoGridDlg::SetWatermarkIconPos(int /*channel*/, int offset, bool /*flag*/)
{
    std::lock_guard<std::mutex> lock(m_csOsd);
    m_iconPos.watermarkOffset = offset;
}

void CVideoGridDlg::SetAudioMark(int channel, int mark, int offset, bool top)
{
    std::lock_guard<std::mutex> lock(m_csOsd);
    if (ValidChannel(channel))
        m_osd[channel].audioMark = mark;
    m_iconPos.audioOffset = offset;
    m_iconPos.audioTop = top;
}

void CVideoGridDlg::SetWatermarkState(int channel, int state)
{
    if (!ValidChannel(channel))
        return;
    std::lock_guard<std::mutex> lock(m_csOsd);
    m_osd[channel].watermarkState = state;
}

bool CVideoGridDlg::PublishPicture(int channel, const GridFrame& frame)
{
    PictureBuffer* pb = GetPicture(channel);
    const int format = frame.format >= 0 ? frame.format : m_nPictureFormat.load();
    if (!pb || !pb->Publish(frame.width, frame.height, format))
        return false;
    {
        std::lock_guard<std::mutex> lock(m_csOsd);
        ChannelOsd& osd = m_osd[channel];
        osd.line1.assign(frame.line1, 0, kMaxCaptionChars);
        osd.line2.assign(frame.line2, 0, kMaxCaptionChars);
        osd.colour1 = frame.colour1;
        osd.colour2 = frame.colour2;
        osd.frameTime = frame.frameTime;
        if (frame.audio) {
            osd.audioMark = frame.audio->mark;
            m_iconPos.audioOffset = frame.audio->offset;
            m_iconPos.audioTop = frame.audio->top;
        }
    }
    m_frameRate.Count(channel);
    {
        std::lock_guard<std::mutex> lock(m_csModel);
        m_model.MarkChannelVideo(channel);
    }
    RequestRepaint(channel);
    return true;
}

CVideoGridDlg::PaintStats CVideoGridDlg::GetPaintStats(int channel) const
{
    PaintStats stats;
    if (!ValidChannel(channel))
        return stats;
    if (const PictureBuffer* pb = m_arrPicture[channel].get())
        stats.published = pb->PublishCount();
    stats.painted = m_painted[channel].load();
    return stats;
}

// ---------------------------------------------------------------------------
// Repaints

void CVideoGridDlg::RequestRepaint(int channel)
{
    m_dirtyChannels.fetch_or(1u << channel);
    if (!m_repaintPosted.exchange(true))
        PostMessage(Handle(), WM_GRID_REPAINT, 0, 0);
}

void CVideoGridDlg::OnGridRepaint()
{
    m_repaintPosted = false;
    const std::uint32_t channels = m_dirtyChannels.exchange(0);
    if (m_dirtyAll.exchange(false)) {
        update();
        return;
    }
    std::lock_guard<std::mutex> lock(m_csModel);
    const GridLayout::PagePlan plan = GridLayout::PlanPage(m_model.Layout(), m_model.Page());
    for (int channel = 0; channel < kVideoGridCells; ++channel) {
        if (!(channels & (1u << channel)))
            continue;
        const int cell = m_model.FindChannelCell(channel);
        if (cell >= 0 && (plan.cells & (1u << cell)))
            update(ToQRect(m_model.CellRect(cell)));
    }
}

LRESULT CVideoGridDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_GRID_REPAINT) {
        OnGridRepaint();
        return 0;
    }
    if (msg == WM_SPLIT_SELECT) {
        OnSplitSelect(static_cast<int>(wParam));
        return 0;
    }
    if (msg == WM_SHOW_SPLIT_BAR) {
        OnShowSplitBar(static_cast<int>(wParam));
        return 0;
    }
    if (msg == WM_GRID_LEAVE_FULL) {
        LeaveFullScreen();
        return 0;
    }
    return Wnd::WindowProc(msg, wParam, lParam);
}

void CVideoGridDlg::OnTimer(UINT id)
{
    if (id != TIMER_FRAME_RATE) {
        Wnd::OnTimer(id);
        return;
    }
    m_frameRate.Tick();
    if (m_pHost)
        m_pHost->OnVideoTick();
}

bool CVideoGridDlg::DestroyWindow()
{
    KillTimer(TIMER_FRAME_RATE);
    return Wnd::DestroyWindow();
}

// ---------------------------------------------------------------------------
// Painting

const QImage& CVideoGridDlg::ScaledSubstitute(Substitute which, int width, int height)
{
    const std::array<int, 3> key{int(which), width, height};
    auto it = m_substituteScaled.find(key);
    if (it != m_substituteScaled.end())
        return it->second;
    if (m_substituteScaled.size() > 64)
        m_substituteScaled.clear();
    QImage scaled;
    if (!m_substitute[which].isNull())
        scaled = m_substitute[which]
                     .scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                     .convertToFormat(QImage::Format_RGB32);
    return m_substituteScaled.emplace(key, std::move(scaled)).first->second;
}

void CVideoGridDlg::DrawSubstitute(QPainter& p, Substitute which, const GridCellRect& r)
{
    const QImage& img = ScaledSubstitute(which, r.Width(), r.Height());
    if (img.isNull())
        p.fillRect(ToQRect(r), QColor::fromRgb(kNoPicture));
    else
        p.drawImage(QPoint(r.left, r.top), img);
}

void CVideoGridDlg::DrawPictureCell(QPainter& p, int channel, const GridCellRect& r,
                                    const GridLinkState& link, const VideoGridModel& model)
{
    PictureBuffer* pb = GetPicture(channel);
    const PictureBuffer::View view = pb ? pb->Acquire() : PictureBuffer::View{};
    CellCache& cache = m_cellCache[channel];
    if (cache.image.width() != r.Width() || cache.image.height() != r.Height()) {
        cache.image = QImage(r.Width(), r.Height(), QImage::Format_RGB32);
        cache.serial = 0;
    }
    if (!view.data) {
        p.fillRect(ToQRect(r), QColor::fromRgb(kNoPicture));
    } else {
        if (view.serial != cache.serial) {
            if (GridPainter::RenderPicture(view, cache.image, m_scratch))
                cache.serial = view.serial;
            else
                cache.image.fill(kNoPicture);
            m_painted[channel].fetch_add(1);
        }
        p.drawImage(QPoint(r.left, r.top), cache.image);
    }
    DrawOverlays(p, channel, r, link, model);
}

void CVideoGridDlg::DrawOverlays(QPainter& p, int channel, const GridCellRect& r, const GridLinkState& link,
                                 const VideoGridModel& /*model*/)
{
    const int osdMode = m_nOsdMode.load();
    if (!OsdShowsCaptions(osdMode))
        return;
    ChannelOsd osd;
    IconPositions pos;
    {
        std::lock_guard<std::mutex> lock(m_csOsd);
        osd = m_osd[channel];
        pos = m_iconPos;
    }
    const int viewMode = m_nViewMode.load();
    const int cw = r.Width();
    const int ch = r.Height();
    p.save();
    p.setClipRect(ToQRect(r));

    // Captions.
    p.setFont(m_osdFont);
    const int ascent = QFontMetrics(m_osdFont).ascent();
    p.setPen(fromColorRef(osd.colour1));
    p.drawText(r.left + kCaptionX, r.top + kCaptionY + ascent, QString::fromLatin1(osd.line1));
    if (OsdShowsSecondLine(osdMode)) {
        p.setPen(fromColorRef(osd.colour2));
        p.drawText(r.left + kCaptionX, r.top + SecondCaptionTop(ch, m_nOsdPixelHeight) + ascent,
                   QString::fromLatin1(osd.line2));
    }

    // Icons.
    OsdCellState s;
    s.viewMode = viewMode;
    s.osdMode = osdMode;
    s.channel = channel;
    s.soundDevice = m_pHost && m_pHost->HasSoundDevice();
    s.audioMark = osd.audioMark;
    s.audioOffset = pos.audioOffset;
    s.audioTop = pos.audioTop;
    s.ptzShown = link.connected && link.ptzMode != 0 && link.ptzChannel == channel;
    s.ptzMode = link.ptzMode;
    s.speedCode = m_nSpeedCode;
    s.speedOffset = pos.speedOffset;
    s.speedTop = pos.speedTop;
    s.watermarkState = osd.watermarkState;
    s.watermarkOffset = pos.watermarkOffset;
    for (const OsdIconBlit& blit : LayoutOsdIcons(s, cw, ch)) {
        const auto it = m_icons.find(blit.pair);
        if (it == m_icons.end() || it->second.isNull())
            continue;
        const QImage& icon = it->second;
        const int width = std::min(blit.width, icon.width() - blit.srcX);
        if (width <= 0)
            continue;
        p.drawImage(QPoint(r.left + blit.x, r.top + blit.y), icon,
                    QRect(blit.srcX, 0, width, std::min(OsdIcon::kSize, icon.height())));
    }

    DrawWatermarkWarning(p, channel, r);
    p.restore();
}

// A recording that failed its watermark check says so across the cell, also
// where no picture of it could be shown (a tampered frame the decoder refused).
void CVideoGridDlg::DrawWatermarkWarning(QPainter& p, int channel, const GridCellRect& r)
{
    if (channel < 0 || channel >= kVideoGridCells || m_nViewMode.load() != 3 ||
        !OsdShowsCaptions(m_nOsdMode.load()))
        return;
    {
        std::lock_guard<std::mutex> lock(m_csOsd);
        if (m_osd[channel].watermarkState != 2)
            return;
    }
    p.save();
    p.setClipRect(ToQRect(r));
    QFont warn = MakeSkinFont("Arial", 10, 700);
    warn.setPixelSize(std::max(1, r.Height() / 8));
    p.setFont(warn);
    p.setPen(fromColorRef(kWarningColour));
    p.drawText(ToQRect(r), Qt::AlignCenter | Qt::TextSingleLine,
               ResourceLibrary::Current().LoadResString(IDS_GRID_WATERMARK_WARNING));
    p.restore();
}

void CVideoGridDlg::paintEvent(QPaintEvent* e)
{
    QPainter p(this);
    const VideoGridModel model = ModelSnapshot();
    const GridLinkState link = Link();
    const int viewMode = m_nViewMode.load();
    if ((viewMode == 2 || viewMode == 3) && m_pHost) {
        int code = 0;
        if (m_pHost->GetPlaySpeed(viewMode, code))
            m_nSpeedCode = code;
    }
    const QRegion& region = e->region();
    const GridLayout::PagePlan plan = GridLayout::PlanPage(model.Layout(), model.Page());

    // The background shows only between the cells.
    QRegion background = region;
    for (int i = 0; i < kVideoGridCells; ++i) {
        if (plan.cells & (1u << i))
            background -= ToQRect(model.CellRect(i));
        if (plan.emptyPositions & (1u << i))
            background -= ToQRect(model.PositionRect(i));
    }
    for (const QRect& r : background)
        p.fillRect(r, fromColorRef(m_crBackground));

    for (int cell = 0; cell < kVideoGridCells; ++cell) {
        if (!(plan.cells & (1u << cell)))
            continue;
        const GridCellRect r = model.CellRect(cell);
        if (r.IsEmpty() || !region.intersects(ToQRect(r)))
            continue;
        const int channel = model.GetCellChannel(cell);
        switch (model.DecideCell(cell, link)) {
        case CellShow::Picture:
            DrawPictureCell(p, channel, r, link, model);
            break;
        case CellShow::Empty:
            DrawSubstitute(p, kSubEmpty, r);
            DrawWatermarkWarning(p, channel, r);
            break;
        case CellShow::Blocked:
            DrawSubstitute(p, kSubBlocked, r);
            break;
        case CellShow::VideoLoss: {
            DrawSubstitute(p, kSubLoss, r);
            const int osdMode = m_nOsdMode.load();
            if (OsdShowsCaptions(osdMode) && (link.camerasInUse & (1u << channel))) {
                p.save();
                p.setClipRect(ToQRect(r));
                p.setFont(m_osdFont);
                p.setPen(fromColorRef(kVideoLossTextColour));
                p.drawText(r.left + kCaptionX, r.top + kCaptionY + QFontMetrics(m_osdFont).ascent(),
                           QString::fromStdString(VideoLossText(channel, osdMode)));
                p.restore();
            }
            break;
        }
        }
    }
    for (int position = 0; position < kVideoGridCells; ++position) {
        if (!(plan.emptyPositions & (1u << position)))
            continue;
        const GridCellRect r = model.PositionRect(position);
        if (!r.IsEmpty() && region.intersects(ToQRect(r)))
            DrawSubstitute(p, kSubEmpty, r);
    }

    if (m_bDrawFrames.exchange(false)) {
        std::array<GridCellRect, 16> frames;
        const int n = GridLayout::CellFrameRects(model.Layout(), model.ViewWidth(), model.ViewHeight(),
                                                 model.Border(), frames);
        QPen pen(fromColorRef(kFrameColour));
        pen.setWidth(2);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        for (int i = 0; i < n; ++i) {
            const GridCellRect& f = frames[i];
            p.drawRect(QRect(f.left, f.top, f.Width() - 1, f.Height() - 1));
        }
    }
    DrawDragImage(p);
}
