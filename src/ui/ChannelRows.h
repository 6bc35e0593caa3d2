// The row rule of every per-channel page: one row per channel, a check box
// per row, "check all" and "clear all" for the rows that exist, and an edit
// made on a row reaching that row and, when its own box is checked, every
// other checked row. Rows at or beyond the channel count are never written.
#pragma once

#include <vector>

class ChannelRows
{
public:
    static constexpr int kMaxRows = 16;

    // The channel count is held to 0 - maxRows; maxRows to 0-64.
    explicit ChannelRows(int channelCount = kMaxRows, int maxRows = kMaxRows);

    int Count() const { return m_nCount; }
    int MaxRows() const { return static_cast<int>(m_checked.size()); }
    // A row is shown when it lies below the channel count.
    bool IsShown(int row) const { return row >= 0 && row < m_nCount; }

    bool IsChecked(int row) const;
    // Rows that are not shown stay unchecked.
    void SetChecked(int row, bool checked);
    void CheckAll();
    void ClearAll();

    // The rows an edit made on `row` applies to: `row` first, then every
    // other checked row in order when `row` itself is checked. Empty when
    // `row` is not shown.
    std::vector<int> Targets(int row) const;

    template <class Fn> void Apply(int row, Fn&& fn) const
    {
        for (int r : Targets(row))
            fn(r);
    }

private:
    int m_nCount;
    std::vector<bool> m_checked;
};
