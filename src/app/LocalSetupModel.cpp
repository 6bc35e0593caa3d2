#include "app/LocalSetupModel.h"

#include "app/ResIdsLocalSetup.h"
#include "platform/ResourceLibrary.h"
#include "ui/ChannelRows.h"

#include <QFile>
#include <algorithm>
#include <cstring>

namespace {

// A rectangle given as left, top, right, bottom.
QRect Ltrb(int l, int t, int r, int b)
{
    return QRect(l, t, r - l, b - t);
}

BYTE* FieldByte(LocalSetupRecord& rec, int offset)
{
    return reinterpret_cast<BYTE*>(&rec) + offset;
}

BYTE FieldByte(const LocalSetupRecord& rec, int offset)
{
    return reinterpret_cast<const BYTE*>(&rec)[offset];
}

QString Res(int id)
{
    return ResourceLibrary::Current().LoadResString(id);
}

} // namespace

LocalListLayout LayoutLocalList(int count, int width, const QRect& anchor, QPoint click, int columnsMode)
{
    LocalListLayout l;
    // The pop-up has 31 cells; a longer list shows its first 31 items.
    l.count = std::clamp(count, 0, kLocalListCells);
    const int w = width;
    const bool four = columnsMode != 0;
    const int h = four ? (l.count / 4 + 1) * kLocalListRowHeight : l.count * kLocalListRowHeight;
    l.width = w;
    l.contentHeight = h;
    l.frame = {Ltrb(0, 0, 5, 5),          Ltrb(5, 0, w - 5, 5),          Ltrb(w - 5, 0, w, 5),
               Ltrb(0, 5, 5, h + 5),      Ltrb(5, 5, w - 5, h + 5),      Ltrb(w - 5, 5, w, h + 5),
               Ltrb(0, h + 5, 5, h + 10), Ltrb(5, h + 5, w - 5, h + 10), Ltrb(w - 5, h + 5, w, h + 10)};
    const int g = (w - 13) / 4;
    for (int i = 0; i < l.count; ++i) {
        if (!four) {
            const int top = 5 + kLocalListRowHeight * i;
            const int bottom = 26 + kLocalListRowHeight * i;
            l.rowParts.push_back(
                {Ltrb(5, top, 10, bottom), Ltrb(10, top, w - 11, bottom), Ltrb(w - 11, top, w - 5, bottom)});
            l.cells.push_back(QRect(w / 4, 9 + kLocalListRowHeight * i, w * 5 / 8, 14));
        } else {
            const int c = i % 4;
            const int r = i / 4;
            const int x0 = c * (g + 1) + 5;
            const int top = 5 + kLocalListRowHeight * r;
            const int bottom = 26 + kLocalListRowHeight * r;
            l.rowParts.push_back({Ltrb(x0, top, x0 + 5, bottom), Ltrb(x0 + 5, top, x0 + g - 6, bottom),
                                  Ltrb(x0 + g - 6, top, x0 + g, bottom)});
            l.cells.push_back(QRect((g + 1) * c + 13, 9 + kLocalListRowHeight * r, g - 16, 14));
        }
    }
    l.window = QRect(anchor.left() + click.x() - w / 2 + 1, anchor.top() + click.y() + 1, w, h + 10);
    return l;
}

const GlobalItem& GlobalItemOf(int item)
{
    static const GlobalItem kItems[kGlobalItems] = {
        {790, 794, 0, 2, 100},   {791, 795, 1, 3, 180},   {792, 796, 2, 3, 100}, {793, 797, -1, 0, 0},
        {798, 799, 278, 2, 150}, {800, 801, 279, 2, 100}, {802, 803, 3, 2, 100},
    };
    return kItems[std::clamp(item, 0, kGlobalItems - 1)];
}

std::vector<QString> GlobalChoices(int item)
{
    switch (item) {
    case 0:
        return {QStringLiteral("YUV"), QStringLiteral("RGB"), QString()};
    case 1:
        return {Res(IDS_DATE_YMD), Res(IDS_DATE_MDY), Res(IDS_DATE_DMY)};
    case 2:
        return {QStringLiteral("JPEG"), QStringLiteral("BMP"), QStringLiteral("TIF")};
    case 4:
        return {Res(IDS_HOUR_12), Res(IDS_HOUR_24)};
    case 5:
    case 6:
        return {Res(IDS_OFF), Res(IDS_ON)};
    default:
        return {};
    }
}

int GlobalChoiceIndex(const LocalSetupRecord& rec, int item)
{
    if (item < 0 || item >= kGlobalItems || item == kGlobalFolderItem)
        return -1;
    const GlobalItem& it = GlobalItemOf(item);
    const int v = FieldByte(rec, it.byteOffset);
    return v < it.choiceCount ? v : -1;
}

bool WriteGlobalPick(LocalSetupRecord& rec, int item, int index)
{
    if (item < 0 || item >= kGlobalItems || item == kGlobalFolderItem)
        return false;
    const GlobalItem& it = GlobalItemOf(item);
    if (index < 0 || index >= it.choiceCount)
        return false;
    *FieldByte(rec, it.byteOffset) = static_cast<BYTE>(index);
    return true;
}

FolderResult StoreChosenFolder(const QString& chosen, LocalSetupRecord& rec)
{
    QByteArray bytes = QFile::encodeName(chosen);
    while (bytes.size() > 1 && bytes.endsWith('/'))
        bytes.chop(1);
    if (bytes.isEmpty())
        return FolderResult::Empty;
    if (bytes.size() > static_cast<qsizetype>(sizeof rec.Location) - 1)
        return FolderResult::TooLong;
    std::memset(rec.Location, 0, sizeof rec.Location);
    std::memcpy(rec.Location, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return FolderResult::Stored;
}

QString LocationText(const LocalSetupRecord& rec)
{
    return QFile::decodeName(QByteArray(rec.Location, static_cast<qsizetype>(::strnlen(rec.Location, 259))));
}

std::vector<int> RowsReached(const std::vector<bool>& checked, int row)
{
    const int n = static_cast<int>(checked.size());
    ChannelRows rows(n, n);
    for (int i = 0; i < n; ++i)
        rows.SetChecked(i, checked[static_cast<std::size_t>(i)]);
    std::vector<int> targets = rows.Targets(row);
    std::sort(targets.begin(), targets.end());
    return targets;
}

const SliderRowsDesc kOpacityRows = {
    9,
    IDB_LSETUP_OPACITY_BACK,
    {IDS_OPACITY_SMALL, IDS_OPACITY_REMOTE_SEARCH, IDS_OPACITY_REMOTE_SETUP, IDS_OPACITY_LOCAL_SEARCH,
     IDS_OPACITY_LOCAL_SETUP, IDS_OPACITY_BARS, IDS_OPACITY_FIRMWARE, IDS_OPACITY_SPARE,
     IDS_OPACITY_MESSAGES},
    150,
    188,
    348,
    799,
    100,
    255,
    100,
    static_cast<int>(offsetof(LocalSetupRecord, Opacity)),
};

const SliderRowsDesc kAudioBufferRows = {
    3,
    IDB_LSETUP_AUDIOBUF_BACK,
    {IDS_AUDIOBUF_FIRST, IDS_AUDIOBUF_FIRST + 1, IDS_AUDIOBUF_FIRST + 2},
    130,
    178,
    338,
    793,
    0,
    64,
    2,
    static_cast<int>(offsetof(LocalSetupRecord, AudioBuf)),
};

SliderMove MoveSliderRow(const SliderRowsDesc& desc, const std::vector<bool>& checked, int row, int v,
                         LocalSetupRecord& rec)
{
    SliderMove m;
    m.value = std::clamp(v, std::max(desc.min, desc.lowest), desc.max);
    if (row < 0 || row >= desc.rows || static_cast<int>(checked.size()) != desc.rows)
        return m;
    m.rows = RowsReached(checked, row);
    for (int r : m.rows)
        *FieldByte(rec, desc.fieldOffset + r) = static_cast<BYTE>(m.value);
    return m;
}

std::vector<int> SetDeinterlaceRows(const std::vector<bool>& checked, int row, bool on, LocalSetupRecord& rec)
{
    std::vector<int> rows = RowsReached(checked, row);
    for (int r : rows) {
        if (r < 16)
            rec.Deinterlace[r] = on ? 0 : 1;
    }
    return rows;
}

bool CameraNameAccepts(QChar c)
{
    return c.unicode() != 0 && c.unicode() <= 0xFF;
}

bool StoreCameraName(LocalSetupRecord& rec, int row, const QString& text)
{
    if (row < 0 || row >= 16)
        return false;
    for (QChar c : text) {
        if (!CameraNameAccepts(c))
            return false;
    }
    const QByteArray bytes = text.toLatin1().left(259);
    std::memset(rec.CameraName[row], 0, sizeof rec.CameraName[row]);
    std::memcpy(rec.CameraName[row], bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return true;
}

QString CameraNameText(const LocalSetupRecord& rec, int row)
{
    if (row < 0 || row >= 16)
        return QString();
    return QString::fromLatin1(rec.CameraName[row],
                               static_cast<qsizetype>(::strnlen(rec.CameraName[row], 259)));
}

BookmarkLayout BookmarkLayoutOf(int mode)
{
    BookmarkLayout l;
    if (mode == 1) {
        l.width = 162;
        l.start = QPoint(295, 606);
        l.back = {Ltrb(0, 0, 5, 54), Ltrb(5, 0, 156, 54), Ltrb(156, 0, 161, 54)};
        l.buttons = {QRect(17, 12, 67, 32), QRect(84, 12, 67, 32), QRect(10, 10, 34, 34),
                     QRect(162, 10, 34, 34), QRect(203, 10, 34, 34)};
        // 1014 and 1015 lie right of the bar and are never seen.
        l.shown = {true, true, false, true, true};
    } else {
        l.width = 55;
        l.start = QPoint(384, 606);
        l.back = {Ltrb(0, 0, 5, 54), Ltrb(5, 0, 50, 54), Ltrb(50, 0, 55, 54)};
        l.buttons = {QRect(17, 12, 67, 32), QRect(84, 12, 67, 32), QRect(10, 10, 34, 34),
                     QRect(162, 10, 34, 34), QRect(203, 10, 34, 34)};
        l.shown = {false, false, true, false, false};
    }
    return l;
}
