// The area grids without their widgets: cells painted with the mouse, each
// written as one byte straight into an array of the owner's (usually a part
// of the recorder's setup image).
//
//   motion   36 x 36 cells, 99 bytes (9 rows of 11) per channel, toggled
//   region   4 x 4 cells, 89 columns x 73 (PAL) or 61 rows per channel, one
//            rectangle per channel whose bounds go to a 4 x 16-byte table
//   schedule 50 x 15 cells, a day per column and an hour per row, values 0-1
//            or 0-3 in the record-mode variants (modes 3 and 4)
#pragma once

#include "platform/Types.h"

#include <cstddef>
#include <vector>

// A rectangle in control pixels; right and bottom are exclusive.
struct GridRect
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool Intersects(const GridRect& o) const;
    GridRect Normalized() const;
    friend bool operator==(const GridRect& a, const GridRect& b)
    {
        return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
    }
};

struct CGridCell
{
    GridRect rect{0, 0, 10, 10};
    int m_nValue = 0;
};

// What every grid shares: the cell list (visited newest first, as cells are
// added at its head), the owner's array and the byte of each cell in it.
class CGridModel
{
public:
    virtual ~CGridModel() = default;

    void AddCell(int left, int top, int right, int bottom);
    void RemoveAllCells();
    void SelectAll();
    void DeselectAll();
    std::size_t CellCount() const { return m_Cells.size(); }
    // The i-th cell in list order (newest first).
    const CGridCell& CellAt(std::size_t i) const { return m_Cells[m_Cells.size() - 1 - i]; }
    // The value of the cell with exactly this rectangle (-1 when none).
    int ValueOf(const GridRect& r) const;

    // Byte of a cell with this top-left corner in the owner's array, -1 when
    // it lies outside the grid's layout (such a cell writes nothing).
    virtual long ByteIndex(int left, int top) const = 0;
    // Size of the owner's whole array (all channels).
    virtual std::size_t ArraySize() const = 0;

    // Sets every cell from its byte of the owner's array (1 selected, or the
    // schedule value): how an owner shows what the array holds.
    void LoadFromArray();

    // A press: with a rubber band (band != nullptr, not yet normalised) or a
    // plain click at (x, y). Read-only grids ignore it.
    void Press(int x, int y, const GridRect* band);

    BYTE* m_pCells = nullptr; // the owner's array, set before cells are added
    int m_nChannel = 0;

protected:
    void SetCell(CGridCell& cell, int value);
    // After every operation that may change what the grid shows.
    virtual void OnChanged() {}
    virtual bool IsReadOnly() const { return false; }
    virtual void OnBand(const GridRect& band) = 0;
    virtual void OnClick(int x, int y) = 0;
    virtual void AfterPress() {}
    virtual int ValueFromByte(BYTE b) const { return b == 1 ? 1 : 0; }
    template <class F> void ForEachCell(F f)
    {
        for (auto it = m_Cells.rbegin(); it != m_Cells.rend(); ++it)
            f(*it);
    }
    CGridCell* FirstCellAt(int x, int y);

    std::vector<CGridCell> m_Cells; // in AddCell order; list order is reversed
};

class CMotionGridModel : public CGridModel
{
public:
    static constexpr int kCell = 36;
    static constexpr int kCols = 11;
    static constexpr int kRows = 9;
    static constexpr int kChannels = 16;

    long ByteIndex(int left, int top) const override;
    std::size_t ArraySize() const override { return std::size_t(kChannels) * kRows * kCols; }
    // Every cell with exactly this rectangle.
    void SelectCell(const GridRect& r);
    void DeselectCell(const GridRect& r);

    BYTE m_bReadOnly = 0;

protected:
    bool IsReadOnly() const override { return m_bReadOnly == 1; }
    void OnBand(const GridRect& band) override;
    void OnClick(int x, int y) override;
};

class CRegionGridModel : public CGridModel
{
public:
    static constexpr int kCell = 4;
    static constexpr int kCols = 89;
    static constexpr int kChannels = 16;

    int Rows() const { return m_bPal == 1 ? 73 : 61; }
    long ByteIndex(int left, int top) const override;
    std::size_t ArraySize() const override { return std::size_t(kChannels) * kCols * Rows(); }
    // Every cell lying wholly inside the rectangle.
    void SelectRect(const GridRect& r);
    void DeselectCell(const GridRect& r);

    // The bounds table: first column at [c], last column at [c + 16], first
    // row at [c + 32], last row at [c + 48], in cells.
    BYTE* m_pBounds = nullptr;
    BYTE m_bPal = 0;

protected:
    void OnBand(const GridRect& band) override;
    void OnClick(int x, int y) override;
    void AfterPress() override;
};

class CScheduleGridModel : public CGridModel
{
public:
    static constexpr int kCellWidth = 50;
    static constexpr int kCellHeight = 15;
    static constexpr int kDays = 7;
    static constexpr int kHours = 24;

    long ByteIndex(int left, int top) const override;
    std::size_t ArraySize() const override { return std::size_t(kDays) * kHours; }
    bool FourValues() const { return m_nMode == 3 || m_nMode == 4; }
    // Every cell with exactly this rectangle gets the value.
    void SetCell(const GridRect& r, int value);

    int m_nBrush = 0; // the value a rubber band paints in modes 3 and 4
    int m_nMode = 0;
    BYTE m_bReadOnly = 0;

protected:
    using CGridModel::SetCell;
    bool IsReadOnly() const override { return m_bReadOnly == 1; }
    void OnBand(const GridRect& band) override;
    void OnClick(int x, int y) override;
    int ValueFromByte(BYTE b) const override { return b; }
};
