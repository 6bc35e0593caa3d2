#include "video/VideoGridModel.h"

#include <bit>

namespace {

// A position as column and row spans (inclusive) of its layout's grid.
struct Span
{
    int c0, c1, r0, r1;
};

struct LayoutDef
{
    int grid; // 1, 2, 3 or 4 lines per side
    int count;
    Span pos[16];
};

// clang-format off
const LayoutDef kLayouts[kVideoGridLayouts] = {
    {1, 1, {{0,0,0,0}}},
    {2, 4, {{0,0,0,0},{1,1,0,0},{0,0,1,1},{1,1,1,1}}},
    {3, 6, {{0,1,0,1},{2,2,0,0},{2,2,1,1},{0,0,2,2},{1,1,2,2},{2,2,2,2}}},
    {4, 7, {{0,1,0,1},{2,3,0,1},{0,1,2,3},{2,2,2,2},{3,3,2,2},{2,2,3,3},{3,3,3,3}}},
    {4, 7, {{0,1,0,1},{2,3,0,1},{0,0,2,2},{0,0,3,3},{1,2,2,3},{3,3,2,2},{3,3,3,3}}},
    {4, 8, {{0,2,0,2},{3,3,0,0},{3,3,1,1},{3,3,2,2},{0,0,3,3},{1,1,3,3},{2,2,3,3},{3,3,3,3}}},
    {3, 9, {{0,0,0,0},{1,1,0,0},{2,2,0,0},{0,0,1,1},{1,1,1,1},{2,2,1,1},{0,0,2,2},{1,1,2,2},{2,2,2,2}}},
    {4, 10, {{0,1,0,1},{2,3,0,1},{0,0,2,2},{1,1,2,2},{2,2,2,2},{3,3,2,2},
             {0,0,3,3},{1,1,3,3},{2,2,3,3},{3,3,3,3}}},
    {4, 10, {{0,1,0,1},{2,2,0,0},{3,3,0,0},{2,2,1,1},{3,3,1,1},{0,0,2,2},{1,1,2,2},
             {0,0,3,3},{1,1,3,3},{2,3,2,3}}},
    {4, 10, {{0,0,0,0},{1,1,0,0},{2,2,0,0},{3,3,0,0},{0,1,1,2},{2,3,1,2},
             {0,0,3,3},{1,1,3,3},{2,2,3,3},{3,3,3,3}}},
    {4, 10, {{0,0,0,0},{1,1,0,0},{0,0,1,1},{1,1,1,1},{2,3,0,1},{0,0,2,2},{0,0,3,3},
             {1,2,2,3},{3,3,2,2},{3,3,3,3}}},
    {4, 13, {{0,1,0,1},{2,2,0,0},{3,3,0,0},{2,2,1,1},{3,3,1,1},
             {0,0,2,2},{1,1,2,2},{2,2,2,2},{3,3,2,2},{0,0,3,3},{1,1,3,3},{2,2,3,3},{3,3,3,3}}},
    {4, 13, {{0,0,0,0},{1,1,0,0},{2,2,0,0},{3,3,0,0},{0,1,1,2},{2,2,1,1},{3,3,1,1},
             {2,2,2,2},{3,3,2,2},{0,0,3,3},{1,1,3,3},{2,2,3,3},{3,3,3,3}}},
    {4, 13, {{0,0,0,0},{1,1,0,0},{2,2,0,0},{3,3,0,0},{0,0,1,1},{0,0,2,2},{1,2,1,2},
             {3,3,1,1},{3,3,2,2},{0,0,3,3},{1,1,3,3},{2,2,3,3},{3,3,3,3}}},
    {4, 16, {{0,0,0,0},{1,1,0,0},{2,2,0,0},{3,3,0,0},{0,0,1,1},{1,1,1,1},{2,2,1,1},{3,3,1,1},
             {0,0,2,2},{1,1,2,2},{2,2,2,2},{3,3,2,2},{0,0,3,3},{1,1,3,3},{2,2,3,3},{3,3,3,3}}},
};
// clang-format on

bool ValidLayout(int layout)
{
    return layout >= 0 && layout < kVideoGridLayouts;
}

bool ValidChannel(int channel)
{
    return channel >= 0 && channel < kVideoGridCells;
}

// Line k of a grid of g parts over a length: halves by shifting, thirds and
// quarters as the grid has always cut them.
int Line(int g, int k, int length)
{
    if (k <= 0)
        return 0;
    if (k >= g)
        return length;
    switch (g) {
    case 2:
        return length >> 1;
    case 3:
        return (length / 3) * k;
    case 4:
        return (length >> 2) * k;
    default:
        return 0;
    }
}

std::uint16_t Range(int first, int count, int limit)
{
    std::uint32_t mask = 0;
    for (int c = first; c < first + count; ++c)
        if (c >= 0 && c < limit && c < kVideoGridCells)
            mask |= 1u << c;
    return static_cast<std::uint16_t>(mask);
}

std::uint16_t PositionsFrom(int first, int last)
{
    std::uint32_t mask = 0;
    for (int p = first; p <= last; ++p)
        mask |= 1u << p;
    return static_cast<std::uint16_t>(mask);
}

} // namespace

namespace GridLayout {

int PositionCount(int layout)
{
    return ValidLayout(layout) ? kLayouts[layout].count : 0;
}

GridCellRect PositionRect(int layout, int position, int w, int h, int border)
{
    if (!ValidLayout(layout) || position < 0 || position >= kLayouts[layout].count)
        return {};
    const LayoutDef& def = kLayouts[layout];
    const Span& s = def.pos[position];
    const int g = def.grid;
    const int v = border;
    GridCellRect r;
    r.left = s.c0 == 0 ? 2 * v : Line(g, s.c0, w) + v;
    r.right = s.c1 + 1 == g ? w - 2 * v : Line(g, s.c1 + 1, w) - v;
    r.top = s.r0 == 0 ? 2 * v : Line(g, s.r0, h) + v;
    r.bottom = s.r1 + 1 == g ? h - 2 * v : Line(g, s.r1 + 1, h) - v;
    return r;
}

int CellPosition(int layout, int page, int cell)
{
    if (!ValidLayout(layout) || cell < 0 || cell >= kVideoGridCells)
        return -1;
    if (layout == 6) {
        // Nine places for sixteen cells: page 0 shows cells 0-8, every other
        // page cells 7-15.
        if (cell < 7)
            return cell;
        if (cell < 9)
            return page == 0 ? cell : cell - 7;
        return cell - 7;
    }
    return cell % kLayouts[layout].count;
}

bool PageCounts(int channelCount, std::array<int, kVideoGridLayouts>& counts)
{
    if (channelCount > 16)
        return false;
    if (channelCount <= 4)
        counts = {4, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    else if (channelCount <= 8)
        counts = {8, 2, 2, 2, 2, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0};
    else
        counts = {16, 4, 3, 3, 3, 2, 2, 2, 2, 2, 2, 2, 2, 2, 1};
    return true;
}

std::uint16_t VisibleCells(int layout, int page, int n)
{
    const int p = page < 0 ? 0 : page;
    switch (layout) {
    case 0:
        return Range(p, 1, kVideoGridCells);
    case 1:
        return Range(4 * p, 4, kVideoGridCells);
    case 2:
        return Range(6 * p, 6, n);
    case 3:
    case 4:
        return Range(7 * p, 7, n);
    case 5:
        return Range(8 * p, 8, kVideoGridCells);
    case 6:
        return p == 0 ? Range(0, 9, kVideoGridCells) : Range(7, 9, kVideoGridCells);
    case 7:
    case 8:
    case 9:
    case 10:
        return Range(10 * p, 10, n);
    case 11:
    case 12:
    case 13:
        return Range(13 * p, 13, n);
    case 14:
        return 0xFFFF;
    default:
        return 0;
    }
}

PagePlan PlanPage(int layout, int page)
{
    const int p = page < 0 ? 0 : page;
    switch (layout) {
    case 0:
        return {Range(p, 1, kVideoGridCells), 0};
    case 1:
        return {Range(4 * (p < 3 ? p : 3), 4, kVideoGridCells), 0};
    case 2:
        if (p < 2)
            return {Range(6 * p, 6, kVideoGridCells), 0};
        return {Range(12, 4, kVideoGridCells), PositionsFrom(4, 5)};
    case 3:
    case 4:
        if (p < 2)
            return {Range(7 * p, 7, kVideoGridCells), 0};
        return {Range(14, 2, kVideoGridCells), PositionsFrom(2, 6)};
    case 5:
        return {p == 0 ? Range(0, 8, kVideoGridCells) : Range(8, 8, kVideoGridCells), 0};
    case 6:
        return {p == 0 ? Range(0, 9, kVideoGridCells) : Range(7, 9, kVideoGridCells), 0};
    case 7:
    case 8:
    case 9:
    case 10:
        if (p == 0)
            return {Range(0, 10, kVideoGridCells), 0};
        return {Range(10, 6, kVideoGridCells), PositionsFrom(6, 9)};
    case 11:
    case 12:
    case 13:
        if (p == 0)
            return {Range(0, 13, kVideoGridCells), 0};
        return {Range(13, 3, kVideoGridCells), PositionsFrom(3, 12)};
    case 14:
        return {0xFFFF, 0};
    default:
        return {};
    }
}

int SplitButtonOfLayout(int layout)
{
    for (int k = 0; k < static_cast<int>(kSplitLayouts.size()); ++k)
        if (kSplitLayouts[k] == layout)
            return k;
    return -1;
}

int CellFrameRects(int layout, int w, int h, int border, std::array<GridCellRect, 16>& out)
{
    if (SplitButtonOfLayout(layout) < 0)
        return 0;
    int n = 0;
    auto add = [&](int position) {
        GridCellRect r = PositionRect(layout, position, w, h, border);
        out[n++] = GridCellRect{r.left - 1, r.top - 1, r.right + 2, r.bottom + 2};
    };
    const int count = PositionCount(layout);
    for (int p = 0; p < count && n < 16; ++p)
        add(p);
    // The thirteen-way layout has always drawn its three first frames twice.
    if (layout == 13)
        for (int p = 0; p < 3 && n < 16; ++p)
            add(p);
    return n;
}

} // namespace GridLayout

// ---------------------------------------------------------------------------

VideoGridModel::VideoGridModel()
{
    GridLayout::PageCounts(16, m_arrPageCount);
    ResetCellMap();
    for (auto& b : m_arrBlocked)
        b = false;
    UpdateVisibleCells();
}

void VideoGridModel::SetChannelCount(int count)
{
    m_nChannelCount = count;
    GridLayout::PageCounts(count, m_arrPageCount);
    UpdateVisibleCells();
}

int VideoGridModel::NextPage() const
{
    const int next = m_nPage + 1;
    return next >= m_arrPageCount[m_nLayout] ? 0 : next;
}

bool VideoGridModel::SetLayout(int layout)
{
    if (!ValidLayout(layout))
        return false;
    if (layout != m_nLayout) {
        m_nLayout = layout;
        m_nPage = 0;
    } else if (!m_bHoldPage) {
        m_nPage = NextPage();
    }
    UpdateVisibleCells();
    if (m_wActiveChannels == 0)
        return false;
    const std::uint16_t activeCells = ActiveCells();
    int turns = 0;
    while ((m_wVisibleCells & activeCells) == 0) {
        if (turns == 17) {
            m_nPage = 0;
            UpdateVisibleCells();
            break;
        }
        m_nPage = NextPage();
        UpdateVisibleCells();
        ++turns;
    }
    return true;
}

bool VideoGridModel::ShowSingleChannel(int channel)
{
    if (!ValidChannel(channel) || !(m_wActiveChannels & (1u << channel)))
        return false;
    const int cell = FindChannelCell(channel);
    if (cell < 0)
        return false;
    m_nLayout = kVideoLayoutSingle;
    m_nPage = cell;
    m_wVisibleCells = static_cast<std::uint16_t>(1u << cell);
    m_wShownChannels = 0;
    m_bHoldPage = true;
    return true;
}

void VideoGridModel::SetPage(int layout, int page)
{
    if (!ValidLayout(layout))
        return;
    m_nLayout = layout;
    m_nPage = page < 0 ? 0 : page;
}

void VideoGridModel::UpdateVisibleCells()
{
    m_wVisibleCells = GridLayout::VisibleCells(m_nLayout, m_nPage, m_nChannelCount);
}

void VideoGridModel::SetViewSize(int width, int height, int border)
{
    m_nViewWidth = width;
    m_nViewHeight = height;
    m_nBorder = border;
}

GridCellRect VideoGridModel::CellRectIn(int layout, int page, int cell) const
{
    const int position = GridLayout::CellPosition(layout, page, cell);
    if (position < 0)
        return {};
    return GridLayout::PositionRect(layout, position, m_nViewWidth, m_nViewHeight, m_nBorder);
}

GridCellRect VideoGridModel::CellRect(int cell) const
{
    return CellRectIn(m_nLayout, m_nPage, cell);
}

GridCellRect VideoGridModel::PositionRect(int position) const
{
    return GridLayout::PositionRect(m_nLayout, position, m_nViewWidth, m_nViewHeight, m_nBorder);
}

int VideoGridModel::ActiveCellAt(int x, int y) const
{
    const std::uint16_t candidates = m_wVisibleCells & ActiveCells();
    for (int cell = 0; cell < kVideoGridCells; ++cell)
        if ((candidates & (1u << cell)) && CellRect(cell).Contains(x, y))
            return cell;
    return -1;
}

bool VideoGridModel::SetActiveChannels(std::uint16_t mask, bool reset)
{
    const bool changed = mask != m_wActiveChannels;
    m_wActiveChannels = mask;
    m_wShownChannels = mask;
    if (reset && mask == 0)
        ResetCellMap();
    return changed;
}

void VideoGridModel::MarkChannelVideo(int channel)
{
    if (!ValidChannel(channel))
        return;
    const auto bit = static_cast<std::uint16_t>(1u << channel);
    m_wActiveChannels |= bit;
    m_wShownChannels |= bit;
    m_wReceivedChannels |= bit;
}

std::uint16_t VideoGridModel::ActiveCells() const
{
    std::uint32_t cells = 0;
    for (int cell = 0; cell < kVideoGridCells; ++cell)
        if (m_wActiveChannels & (1u << m_arrCellChannel[cell]))
            cells |= 1u << cell;
    return static_cast<std::uint16_t>(cells);
}

std::uint16_t VideoGridModel::VisibleChannels() const
{
    std::uint32_t channels = 0;
    for (int cell = 0; cell < kVideoGridCells; ++cell)
        if (m_wVisibleCells & (1u << cell))
            channels |= 1u << m_arrCellChannel[cell];
    return static_cast<std::uint16_t>(channels);
}

int VideoGridModel::GetCellChannel(int cell) const
{
    return cell >= 0 && cell < kVideoGridCells ? m_arrCellChannel[cell] : -1;
}

int VideoGridModel::FindChannelCell(int channel) const
{
    for (int cell = 0; cell < kVideoGridCells; ++cell)
        if (m_arrCellChannel[cell] == channel)
            return cell;
    return -1;
}

void VideoGridModel::ResetCellMap()
{
    for (int cell = 0; cell < kVideoGridCells; ++cell)
        m_arrCellChannel[cell] = cell;
}

void VideoGridModel::SwapCells(int a, int b)
{
    if (a < 0 || a >= kVideoGridCells || b < 0 || b >= kVideoGridCells)
        return;
    std::swap(m_arrCellChannel[a], m_arrCellChannel[b]);
}

int VideoGridModel::GetSingleViewChannel(std::uint16_t mask, int& index) const
{
    if (m_nLayout != kVideoLayoutSingle)
        return -1;
    const int channel = GetCellChannel(m_nPage);
    if (channel < 0 || !(mask & (1u << channel)))
        return -1;
    index = std::popcount(static_cast<unsigned>(mask & ((1u << channel) - 1)));
    return channel;
}

bool VideoGridModel::IsSingleViewChannel(int channel, std::uint16_t mask) const
{
    if (!ValidChannel(channel) || !(mask & (1u << channel)) || m_nLayout != kVideoLayoutSingle)
        return false;
    return GetCellChannel(m_nPage) == channel;
}

bool VideoGridModel::IsChannelBlocked(int channel) const
{
    return ValidChannel(channel) && m_arrBlocked[channel];
}

void VideoGridModel::SetChannelBlocked(int channel, bool blocked)
{
    if (ValidChannel(channel))
        m_arrBlocked[channel] = blocked;
}

CellShow VideoGridModel::DecideCell(int cell, const GridLinkState& link) const
{
    const int c = GetCellChannel(cell);
    if (c < 0)
        return CellShow::Empty;
    const unsigned bit = 1u << c;
    const bool visible = (m_wVisibleCells & (1u << cell)) != 0;
    const bool shown = (m_wShownChannels & bit) != 0;
    const bool received = (m_wReceivedChannels & bit) != 0;
    const bool blocked = m_arrBlocked[c];
    const bool loss = (link.videoLossMask & bit) != 0;
    const bool connectedView = link.connected && (link.live || (link.remotePlayback && link.subProductOther));

    if (visible && shown) {
        if (connectedView) {
            if (blocked)
                return CellShow::Blocked;
            if (received)
                return CellShow::Picture;
            if (link.live && loss)
                return CellShow::VideoLoss;
            return CellShow::Empty;
        }
        return received ? CellShow::Picture : CellShow::Empty;
    }
    if (!link.connected)
        return CellShow::Empty;
    if (link.live) {
        if (loss)
            return CellShow::VideoLoss;
        return blocked ? CellShow::Blocked : CellShow::Empty;
    }
    if (link.remotePlayback && link.subProductOther)
        return blocked ? CellShow::Blocked : CellShow::Empty;
    return CellShow::Empty;
}

int VideoGridModel::PtzChannelToRequest(const GridLinkState& link) const
{
    if (!link.connected || !link.ptzPanelOpen || !link.live)
        return -1;
    auto hasVideo = [&](int channel) {
        return ValidChannel(channel) && !(link.videoLossMask & (1u << channel));
    };
    const int ptzCell = FindChannelCell(link.ptzChannel);
    if (ptzCell >= 0 && (m_wVisibleCells & (1u << ptzCell)) && hasVideo(link.ptzChannel))
        return link.ptzChannel;
    for (int cell = 0; cell < kVideoGridCells; ++cell)
        if ((m_wVisibleCells & (1u << cell)) && hasVideo(m_arrCellChannel[cell]))
            return m_arrCellChannel[cell];
    return -1;
}

// ---------------------------------------------------------------------------

void FrameRateCounter::Count(int channel)
{
    if (ValidChannel(channel))
        m_count[channel].fetch_add(1, std::memory_order_relaxed);
}

void FrameRateCounter::Tick()
{
    for (int c = 0; c < kVideoGridCells; ++c) {
        const int count = m_count[c].exchange(0, std::memory_order_relaxed);
        m_rate[c].store((count + 1) / 2, std::memory_order_relaxed);
    }
}

int FrameRateCounter::Rate(int channel) const
{
    return ValidChannel(channel) ? m_rate[channel].load(std::memory_order_relaxed) : 0;
}
