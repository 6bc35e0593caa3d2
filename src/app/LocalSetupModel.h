// The arithmetic and rules of the local setup window and the bookmark bar,
// apart from their widgets: the list pop-up's geometry, the Global page's
// items and their record bytes, the data-folder rule, the slider-rows pages'
// descriptors and their move rule, and the bookmark bar's layouts.
#pragma once

#include "app/LocalSettings.h"

#include <QPoint>
#include <QRect>
#include <QString>
#include <array>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------
// List pop-up

constexpr int kLocalListCells = 31;
constexpr int kLocalListRowHeight = 21;

struct LocalListLayout
{
    int count = 0;                              // items shown: the request's count clamped to 0-31
    int width = 0;                              // W
    int contentHeight = 0;                      // H
    QRect window;                               // screen rectangle, W x (H + 10)
    std::array<QRect, 9> frame;                 // bitmaps 1710-1718 in order
    std::vector<std::array<QRect, 3>> rowParts; // per item: 1654, 1655, 1656
    std::vector<QRect> cells;                   // per item: the cell label
};

// count and width as the request gives them; anchor the clicked control's
// screen rectangle, click the mouse-down point inside it; columnsMode 0 one
// column, otherwise four.
LocalListLayout LayoutLocalList(int count, int width, const QRect& anchor, QPoint click, int columnsMode);

// ---------------------------------------------------------------------------
// Global page

constexpr int kGlobalItems = 7;
constexpr int kGlobalFolderItem = 3;

struct GlobalItem
{
    int nameId;      // name label id
    int valueId;     // value label id
    int byteOffset;  // in LocalSetupRecord; -1 for the folder
    int choiceCount; // entries of its list (0 for the folder)
    int popupWidth;
};
// Items 0-6: draw mode, date format, save format, data folder, hour system,
// watermark check, bring to front on alarm.
const GlobalItem& GlobalItemOf(int item);

// The choice texts of an item's list (the draw-mode list has an empty third
// entry; the folder none).
std::vector<QString> GlobalChoices(int item);

// The list entry a record byte shows: -1 when the byte lies outside the list
// (the label then stays empty and opens no pop-up).
int GlobalChoiceIndex(const LocalSetupRecord& rec, int item);

// A pick of the pop-up: writes index into the item's record byte. False (and
// nothing written) for the folder, an unknown item or an index outside the
// item's list.
bool WriteGlobalPick(LocalSetupRecord& rec, int item, int index);

enum class FolderResult
{
    Stored,
    TooLong,
    Empty,
};
// A folder the browser returned, as the record stores it: the file system's
// own bytes (the local 8-bit encoding), "/" kept as is, deeper folders
// without a trailing '/'. A path of more than 259 bytes does not fit and is
// refused: cutting it would name another folder. Location is changed only
// when the result is Stored.
FolderResult StoreChosenFolder(const QString& chosen, LocalSetupRecord& rec);
// The record's folder as the page shows it and as the browser starts from.
QString LocationText(const LocalSetupRecord& rec);

// ---------------------------------------------------------------------------
// Per-row pages (Opacity, Audio buffer, Deinterlace)

// The rows a change on `row` reaches: that row, and when its check box is
// checked every other checked row.
std::vector<int> RowsReached(const std::vector<bool>& checked, int row);

struct SliderRowsDesc
{
    int rows;
    int background;
    std::array<int, 9> nameText; // string ids of the row names
    int nameWidth;
    int sliderX;
    int valueX;
    int valueIdBase; // 799 (Opacity) or 793 (Audio buffer)
    int min;
    int max;
    int lowest;      // a moved value below it becomes it (2 for audio buffers; min otherwise)
    int fieldOffset; // first record byte of the edited field
};
extern const SliderRowsDesc kOpacityRows;
extern const SliderRowsDesc kAudioBufferRows;

// A slider moved to v on `row`: the value stored and shown (the page's
// lowest value applied) and the rows whose byte becomes it.
struct SliderMove
{
    int value;
    std::vector<int> rows;
};
SliderMove MoveSliderRow(const SliderRowsDesc& desc, const std::vector<bool>& checked, int row, int v,
                         LocalSetupRecord& rec);

// Deinterlace On (on = true, byte 0) or Off (byte 1) pressed on `row`.
std::vector<int> SetDeinterlaceRows(const std::vector<bool>& checked, int row, bool on,
                                    LocalSetupRecord& rec);

// A camera name as typed: Latin-1 bytes, at most 259 of them, NUL-terminated
// in the record entry. False when a character has no single byte.
bool StoreCameraName(LocalSetupRecord& rec, int row, const QString& text);
QString CameraNameText(const LocalSetupRecord& rec, int row);
// Whether a typed character can stand in a camera name.
bool CameraNameAccepts(QChar c);

// ---------------------------------------------------------------------------
// Bookmark bar

struct BookmarkLayout
{
    int width;                    // 162 (mode 1) or 55 (mode 0)
    QPoint start;                 // from the main window's client origin
    std::array<QRect, 3> back;    // 2280, 2281 (stretched), 2282
    std::array<QRect, 5> buttons; // 1011-1015
    std::array<bool, 5> shown;
};
BookmarkLayout BookmarkLayoutOf(int mode);
