#include "ui/ChannelRows.h"

#include <algorithm>

ChannelRows::ChannelRows(int channelCount, int maxRows)
{
    maxRows = std::clamp(maxRows, 0, 64);
    m_checked.assign(static_cast<size_t>(maxRows), false);
    m_nCount = std::clamp(channelCount, 0, maxRows);
}

bool ChannelRows::IsChecked(int row) const
{
    return IsShown(row) && m_checked[static_cast<size_t>(row)];
}

void ChannelRows::SetChecked(int row, bool checked)
{
    if (IsShown(row))
        m_checked[static_cast<size_t>(row)] = checked;
}

void ChannelRows::CheckAll()
{
    for (int r = 0; r < m_nCount; ++r)
        m_checked[static_cast<size_t>(r)] = true;
}

void ChannelRows::ClearAll()
{
    std::fill(m_checked.begin(), m_checked.end(), false);
}

std::vector<int> ChannelRows::Targets(int row) const
{
    std::vector<int> rows;
    if (!IsShown(row))
        return rows;
    rows.push_back(row);
    if (!IsChecked(row))
        return rows;
    for (int r = 0; r < m_nCount; ++r)
        if (r != row && IsChecked(r))
            rows.push_back(r);
    return rows;
}
