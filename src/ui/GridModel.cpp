#include "ui/GridModel.h"

#include <algorithm>

bool GridRect::Intersects(const GridRect& o) const
{
    return std::max(left, o.left) < std::min(right, o.right) &&
           std::max(top, o.top) < std::min(bottom, o.bottom);
}

GridRect GridRect::Normalized() const
{
    return GridRect{std::min(left, right), std::min(top, bottom), std::max(left, right),
                    std::max(top, bottom)};
}

// ---------------------------------------------------------------------------

void CGridModel::AddCell(int left, int top, int right, int bottom)
{
    m_Cells.push_back(CGridCell{GridRect{left, top, right, bottom}, 0});
}

void CGridModel::RemoveAllCells()
{
    m_Cells.clear();
    OnChanged();
}

void CGridModel::SetCell(CGridCell& cell, int value)
{
    cell.m_nValue = value;
    if (!m_pCells)
        return;
    const long index = ByteIndex(cell.rect.left, cell.rect.top);
    if (index >= 0 && static_cast<std::size_t>(index) < ArraySize())
        m_pCells[index] = static_cast<BYTE>(value & 0xFF);
}

void CGridModel::SelectAll()
{
    ForEachCell([this](CGridCell& c) { SetCell(c, 1); });
    OnChanged();
}

void CGridModel::DeselectAll()
{
    ForEachCell([this](CGridCell& c) { SetCell(c, 0); });
    OnChanged();
}

int CGridModel::ValueOf(const GridRect& r) const
{
    for (auto it = m_Cells.rbegin(); it != m_Cells.rend(); ++it) {
        if (it->rect == r)
            return it->m_nValue;
    }
    return -1;
}

void CGridModel::LoadFromArray()
{
    if (!m_pCells)
        return;
    ForEachCell([this](CGridCell& c) {
        const long index = ByteIndex(c.rect.left, c.rect.top);
        if (index >= 0 && static_cast<std::size_t>(index) < ArraySize())
            c.m_nValue = ValueFromByte(m_pCells[index]);
    });
    OnChanged();
}

CGridCell* CGridModel::FirstCellAt(int x, int y)
{
    for (auto it = m_Cells.rbegin(); it != m_Cells.rend(); ++it) {
        if (it->rect.Contains(x, y))
            return &*it;
    }
    return nullptr;
}

void CGridModel::Press(int x, int y, const GridRect* band)
{
    if (IsReadOnly())
        return;
    // A band that ends where it started is a click.
    if (band && band->left == band->right && band->top == band->bottom)
        band = nullptr;
    if (band)
        OnBand(band->Normalized());
    else
        OnClick(x, y);
    AfterPress();
    OnChanged();
}

// ---------------------------------------------------------------------------

long CMotionGridModel::ByteIndex(int left, int top) const
{
    if (left < 0 || top < 0 || m_nChannel < 0 || m_nChannel >= kChannels)
        return -1;
    const int col = left / kCell;
    const int row = top / kCell;
    if (col >= kCols || row >= kRows)
        return -1;
    return (static_cast<long>(m_nChannel) * kRows + row) * kCols + col;
}

void CMotionGridModel::SelectCell(const GridRect& r)
{
    ForEachCell([&](CGridCell& c) {
        if (c.rect == r)
            SetCell(c, 1);
    });
    OnChanged();
}

void CMotionGridModel::DeselectCell(const GridRect& r)
{
    ForEachCell([&](CGridCell& c) {
        if (c.rect == r)
            SetCell(c, 0);
    });
    OnChanged();
}

void CMotionGridModel::OnBand(const GridRect& band)
{
    ForEachCell([&](CGridCell& c) {
        if (c.rect.Intersects(band))
            SetCell(c, c.m_nValue == 1 ? 0 : 1);
    });
}

void CMotionGridModel::OnClick(int x, int y)
{
    if (CGridCell* c = FirstCellAt(x, y))
        SetCell(*c, c->m_nValue == 1 ? 0 : 1);
}

// ---------------------------------------------------------------------------

long CRegionGridModel::ByteIndex(int left, int top) const
{
    if (left < 0 || top < 0 || m_nChannel < 0 || m_nChannel >= kChannels)
        return -1;
    const int col = left / kCell;
    const int row = top / kCell;
    if (col >= kCols || row >= Rows())
        return -1;
    return (static_cast<long>(m_nChannel) * Rows() + row) * kCols + col;
}

void CRegionGridModel::SelectRect(const GridRect& r)
{
    ForEachCell([&](CGridCell& c) {
        if (c.rect.left >= r.left && c.rect.right <= r.right && c.rect.top >= r.top &&
            c.rect.bottom <= r.bottom)
            SetCell(c, 1);
    });
    OnChanged();
}

void CRegionGridModel::DeselectCell(const GridRect& r)
{
    ForEachCell([&](CGridCell& c) {
        if (c.rect == r)
            SetCell(c, 0);
    });
    OnChanged();
}

void CRegionGridModel::OnBand(const GridRect& band)
{
    DeselectAll();
    ForEachCell([&](CGridCell& c) {
        if (c.rect.Intersects(band))
            SetCell(c, 1);
    });
}

void CRegionGridModel::OnClick(int x, int y)
{
    DeselectAll();
    if (CGridCell* c = FirstCellAt(x, y))
        SetCell(*c, c->m_nValue == 1 ? 0 : 1);
}

void CRegionGridModel::AfterPress()
{
    const int c = m_nChannel;
    if (!m_pCells || !m_pBounds || c < 0 || c >= kChannels)
        return;
    const int rows = Rows();
    const BYTE* block = m_pCells + static_cast<std::size_t>(c) * kCols * rows;

    [&] {
        for (int row = 0; row < rows; ++row)
            for (int col = 0; col < kCols; ++col)
                if (block[row * kCols + col] == 1) {
                    m_pBounds[c] = static_cast<BYTE>(col);
                    m_pBounds[c + 32] = static_cast<BYTE>(row);
                    return;
                }
    }();
    [&] {
        for (int row = rows - 1; row >= 0; --row)
            for (int col = kCols - 1; col >= 0; --col)
                if (block[row * kCols + col] == 1) {
                    m_pBounds[c + 16] = static_cast<BYTE>(col);
                    m_pBounds[c + 48] = static_cast<BYTE>(row);
                    return;
                }
    }();
    // A region one column wide or one row high is no region.
    if (m_pBounds[c] == m_pBounds[c + 16] || m_pBounds[c + 32] == m_pBounds[c + 48]) {
        DeselectAll();
        m_pBounds[c] = m_pBounds[c + 16] = m_pBounds[c + 32] = m_pBounds[c + 48] = 0;
    }
}

// ---------------------------------------------------------------------------

long CScheduleGridModel::ByteIndex(int left, int top) const
{
    if (left < 0 || top < 0)
        return -1;
    const int day = left / kCellWidth;
    const int hour = top / kCellHeight;
    if (day >= kDays || hour >= kHours)
        return -1;
    return static_cast<long>(day) * kHours + hour;
}

void CScheduleGridModel::SetCell(const GridRect& r, int value)
{
    ForEachCell([&](CGridCell& c) {
        if (c.rect == r)
            CGridModel::SetCell(c, value);
    });
    OnChanged();
}

void CScheduleGridModel::OnBand(const GridRect& band)
{
    const int value = FourValues() ? m_nBrush : 1;
    ForEachCell([&](CGridCell& c) {
        if (c.rect.Intersects(band))
            CGridModel::SetCell(c, value);
    });
}

void CScheduleGridModel::OnClick(int x, int y)
{
    CGridCell* c = FirstCellAt(x, y);
    if (!c)
        return;
    const int last = FourValues() ? 3 : 1;
    const int next = c->m_nValue >= 0 && c->m_nValue < last ? c->m_nValue + 1 : 0;
    CGridModel::SetCell(*c, next);
}
