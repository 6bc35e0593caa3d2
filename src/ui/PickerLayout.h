// The arithmetic of the list and slider pop-ups: how many cells a request
// shows, the nine frame pieces, the row strips, the cell and control
// rectangles and where the pop-up opens. Plain data, no widgets.
#pragma once

#include "ui/PickerRequests.h"

#include <QPoint>
#include <QRect>
#include <array>

constexpr int kPickerRowHeight = 21;
constexpr int kPickerBorder = 5;
constexpr int kListPickerMaxCells = 31;
constexpr int kSliderPickerMaxRows = 3;
// Widths outside this range make no usable window; callers use 60-700.
constexpr int kPickerMinWidth = 20;
constexpr int kPickerMaxWidth = 2000;

// A drawn piece: the bitmap's index among its group, where it goes
// (left, top, right, bottom; right and bottom exclusive) and whether it is
// stretched into that rectangle.
struct PickerPiece
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool stretch = false;
    QRect Rect() const { return QRect(left, top, right - left, bottom - top); }
};

// Left cap, middle, right cap of one 21-pixel strip.
using PickerStrip = std::array<PickerPiece, 3>;

// Top-left, top, top-right, left, centre, right, bottom-left, bottom,
// bottom-right of the 5-pixel frame around content h pixels high.
std::array<PickerPiece, 9> PickerFramePieces(int w, int h);

int ClampPickerWidth(int width);

// The cells a list request can show: its Count held to 0-31.
int ListPickerShownCount(int count);
// Rows for n shown cells: n in one column, n / 4 rounded up in four.
int ListPickerRows(int shown, int nColumnsMode);
PickerStrip ListPickerStripRect(int i, int w, int nColumnsMode);
// The label of cell i.
QRect ListPickerCellRect(int i, int w, int nColumnsMode);

// Top-left of a pop-up w x totalHeight opened from the request's anchor:
// centred on the mouse-down point and one pixel below it, then moved inside
// `screen` when it would stick out (an empty screen leaves it alone).
QPoint PickerPlacement(const PickerRect& anchor, int clickX, int clickY, int w, int totalHeight,
                       const QRect& screen);

// Slider pop-up, row i: its strips (one in number mode, name and slider part
// in time mode), name label, value label and slider.
int SliderPickerShownRows(int count);
std::array<PickerStrip, 2> SliderPickerStrips(int i, int w, bool bTimeMode, int* pStripCount);
QRect SliderPickerNameRect(int i);
QRect SliderPickerValueRect(int i, bool bTimeMode);
QRect SliderPickerSliderRect(int i, bool bTimeMode);

// The -/+ steps of number mode: one step, held at the request's limits.
int SliderPickerMinus(int pos, int minimum);
int SliderPickerPlus(int pos, int maximum);
