// The local setup window's rules apart from its widgets: the list pop-up's
// geometry, the per-row rule, the Global page's record bytes and folder
// rule, the bookmark bar's layouts and snapping.
#include "app/BarGeometry.h"
#include "app/LocalSetupModel.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(LocalListLayout, GeometryTable)
{
    const struct
    {
        const char* name;
        int count, width, columns;
        QRect anchor;
        QPoint click;
        int shown, contentHeight;
        QRect window;
    } cases[] = {
        {"8 in one column", 8, 100, 0, QRect(0, 0, 10, 10), QPoint(0, 0), 8, 168, QRect(-49, 1, 100, 178)},
        {"8 in four columns: 3 rows, the last empty", 8, 200, 1, QRect(0, 0, 10, 10), QPoint(0, 0), 8, 63,
         QRect(-99, 1, 200, 73)},
        {"7 in four columns", 7, 200, 1, QRect(0, 0, 10, 10), QPoint(0, 0), 7, 42, QRect(-99, 1, 200, 52)},
        {"placement under the click", 2, 180, 0, QRect(500, 300, 150, 14), QPoint(10, 5), 2, 42,
         QRect(421, 306, 180, 52)},
        {"count 40 shows 31", 40, 100, 0, QRect(0, 0, 10, 10), QPoint(0, 0), 31, 31 * 21,
         QRect(-49, 1, 100, 31 * 21 + 10)},
        {"a negative count shows nothing", -3, 100, 0, QRect(0, 0, 10, 10), QPoint(0, 0), 0, 0,
         QRect(-49, 1, 100, 10)},
    };
    for (const auto& c : cases) {
        const LocalListLayout l = LayoutLocalList(c.count, c.width, c.anchor, c.click, c.columns);
        EXPECT_EQ(l.count, c.shown) << c.name;
        EXPECT_EQ(l.contentHeight, c.contentHeight) << c.name;
        EXPECT_EQ(l.window, c.window) << c.name;
        EXPECT_EQ(l.cells.size(), static_cast<std::size_t>(c.shown)) << c.name;
        EXPECT_EQ(l.rowParts.size(), static_cast<std::size_t>(c.shown)) << c.name;
    }
    // Cells and row pieces: one column and four columns.
    const LocalListLayout one = LayoutLocalList(3, 100, QRect(), QPoint(), 0);
    EXPECT_EQ(one.cells[2], QRect(25, 51, 62, 14));
    EXPECT_EQ(one.rowParts[2][0], QRect(5, 47, 5, 21));
    EXPECT_EQ(one.rowParts[2][1], QRect(10, 47, 79, 21));
    EXPECT_EQ(one.rowParts[2][2], QRect(89, 47, 6, 21));
    EXPECT_EQ(one.frame[8], QRect(95, 68, 5, 5));
    const LocalListLayout four = LayoutLocalList(6, 213, QRect(), QPoint(), 1); // g = 50
    EXPECT_EQ(four.cells[5], QRect(51 + 13, 30, 34, 14));                       // column 1, row 1
    EXPECT_EQ(four.rowParts[5][0], QRect(56, 26, 5, 21));
    EXPECT_EQ(four.rowParts[5][2], QRect(100, 26, 6, 21));
}

TEST(LocalRows, ACheckedRowReachesEveryCheckedRow)
{
    std::vector<bool> checked(9, false);
    checked[0] = checked[2] = checked[5] = true;
    EXPECT_EQ(RowsReached(checked, 2), (std::vector<int>{0, 2, 5}));
    EXPECT_EQ(RowsReached(checked, 1), (std::vector<int>{1}));
    EXPECT_TRUE(RowsReached(checked, 9).empty());

    LocalSetupRecord rec{};
    std::memset(rec.Opacity, 200, sizeof rec.Opacity);
    const SliderMove m = MoveSliderRow(kOpacityRows, checked, 2, 150, rec);
    EXPECT_EQ(m.rows, (std::vector<int>{0, 2, 5}));
    const BYTE want[9] = {150, 200, 150, 200, 200, 150, 200, 200, 200};
    EXPECT_EQ(std::memcmp(rec.Opacity, want, 9), 0);

    // Audio buffers: 0 and 1 become 2, 64 is the top.
    for (auto [moved, stored] : {std::pair{0, 2}, {1, 2}, {2, 2}, {40, 40}, {64, 64}}) {
        LocalSetupRecord a{};
        const SliderMove am = MoveSliderRow(kAudioBufferRows, std::vector<bool>(3, false), 1, moved, a);
        EXPECT_EQ(am.value, stored) << moved;
        EXPECT_EQ(a.AudioBuf[1], stored) << moved;
        EXPECT_EQ(a.AudioBuf[0], 0);
    }

    // Deinterlace: rows 1, 4 and 9 checked.
    std::vector<bool> dchecked(16, false);
    dchecked[1] = dchecked[4] = dchecked[9] = true;
    LocalSetupRecord d{};
    EXPECT_EQ(SetDeinterlaceRows(dchecked, 4, false, d), (std::vector<int>{1, 4, 9}));
    EXPECT_EQ(SetDeinterlaceRows(dchecked, 2, false, d), (std::vector<int>{2}));
    BYTE dwant[16] = {};
    dwant[1] = dwant[2] = dwant[4] = dwant[9] = 1;
    EXPECT_EQ(std::memcmp(d.Deinterlace, dwant, 16), 0);
}

TEST(LocalGlobal, PickWritesItsByteAndOnlyInsideTheList)
{
    const int bytes[kGlobalItems] = {0, 1, 2, -1, 278, 279, 3};
    for (int item = 0; item < kGlobalItems; ++item) {
        LocalSetupRecord rec{};
        LocalSetupRecord before = rec;
        const bool written = WriteGlobalPick(rec, item, 1);
        EXPECT_EQ(written, item != kGlobalFolderItem) << item;
        if (bytes[item] >= 0) {
            before = rec;
            EXPECT_EQ(reinterpret_cast<const BYTE*>(&rec)[bytes[item]], 1) << item;
            reinterpret_cast<BYTE*>(&before)[bytes[item]] = 0;
            LocalSetupRecord zero{};
            EXPECT_EQ(std::memcmp(&before, &zero, sizeof zero), 0) << "item " << item << " wrote elsewhere";
            // An index outside the list writes nothing.
            EXPECT_FALSE(WriteGlobalPick(rec, item, GlobalItemOf(item).choiceCount));
            EXPECT_FALSE(WriteGlobalPick(rec, item, -1));
        } else {
            EXPECT_EQ(std::memcmp(&rec, &before, sizeof rec), 0);
        }
    }
    // A stored byte outside its list shows nothing (and opens no pop-up).
    LocalSetupRecord rec{};
    rec.DrawMode = 2;
    rec.DateFormat = 2;
    rec.HourSystem = 200;
    EXPECT_EQ(GlobalChoiceIndex(rec, 0), -1);
    EXPECT_EQ(GlobalChoiceIndex(rec, 1), 2);
    EXPECT_EQ(GlobalChoiceIndex(rec, 4), -1);
    EXPECT_EQ(GlobalChoiceIndex(rec, kGlobalFolderItem), -1);
    EXPECT_EQ(GlobalChoiceIndex(rec, 7), -1);
}

TEST(LocalGlobal, ChosenFolderIsStoredWholeOrRefused)
{
    const struct
    {
        QString chosen;
        FolderResult result;
        const char* stored;
    } cases[] = {
        {QStringLiteral("/"), FolderResult::Stored, "/"},
        {QStringLiteral("/data/k5/"), FolderResult::Stored, "/data/k5"},
        {QStringLiteral("/data/caf\u00e9"), FolderResult::Stored, "/data/caf\xc3\xa9"},
        {QString(), FolderResult::Empty, "/old"},
        {QStringLiteral("/") + QString(258, QLatin1Char('a')), FolderResult::Stored, nullptr},
        {QStringLiteral("/") + QString(259, QLatin1Char('a')), FolderResult::TooLong, "/old"},
        {QStringLiteral("/") + QString(299, QLatin1Char('b')), FolderResult::TooLong, "/old"},
    };
    for (const auto& c : cases) {
        LocalSetupRecord rec{};
        std::memset(rec.Location, 'x', sizeof rec.Location);
        std::memcpy(rec.Location, "/old", 5);
        const LocalSetupRecord before = rec;
        EXPECT_EQ(StoreChosenFolder(c.chosen, rec), c.result) << c.chosen.size();
        if (c.result != FolderResult::Stored) {
            EXPECT_EQ(std::memcmp(&rec, &before, sizeof rec), 0);
            continue;
        }
        if (c.stored)
            EXPECT_STREQ(rec.Location, c.stored);
        else
            EXPECT_EQ(std::strlen(rec.Location), 259u);
        EXPECT_EQ(rec.Location[259], '\0');
        EXPECT_EQ(LocationText(rec),
                  c.chosen.size() > 1 && c.chosen.endsWith('/') ? c.chosen.chopped(1) : c.chosen);
    }
}

TEST(LocalCameraName, LatinOneOnly)
{
    LocalSetupRecord rec{};
    EXPECT_TRUE(StoreCameraName(rec, 2, QStringLiteral("Gate \u00e9")));
    EXPECT_STREQ(rec.CameraName[2], "Gate \xe9");
    EXPECT_EQ(CameraNameText(rec, 2), QStringLiteral("Gate \u00e9"));
    EXPECT_FALSE(StoreCameraName(rec, 2, QStringLiteral("\u20ac")));
    EXPECT_STREQ(rec.CameraName[2], "Gate \xe9");
    EXPECT_TRUE(StoreCameraName(rec, 2, QString()));
    EXPECT_EQ(rec.CameraName[2][0], '\0');
    EXPECT_FALSE(StoreCameraName(rec, 16, QStringLiteral("x")));
}

TEST(BookmarkBar, LayoutsAndSnapping)
{
    const BookmarkLayout one = BookmarkLayoutOf(1);
    EXPECT_EQ(one.width, 162);
    EXPECT_EQ(one.start, QPoint(295, 606));
    EXPECT_EQ(one.back[1], QRect(5, 0, 151, 54));
    EXPECT_EQ(one.buttons[0], QRect(17, 12, 67, 32));
    EXPECT_TRUE(one.shown[0] && one.shown[1] && !one.shown[2]);
    const BookmarkLayout zero = BookmarkLayoutOf(0);
    EXPECT_EQ(zero.width, 55);
    EXPECT_EQ(zero.start, QPoint(384, 606));
    EXPECT_TRUE(!zero.shown[0] && !zero.shown[1] && zero.shown[2]);

    // The bar's magnetic edges inside the video area (L 100, T 200, R 968, B 820).
    const BarRect area{100, 200, 968, 820};
    const QSize bar(162, 54);
    const struct
    {
        const char* name;
        QPoint proposed;
        QSize size;
        QPoint placed;
    } cases[] = {
        {"left of the area", QPoint(40, 400), bar, QPoint(100, 400)},
        {"15 px from the right", QPoint(968 - 162 - 15, 400), bar, QPoint(968 - 162, 400)},
        {"21 px from the right stays", QPoint(968 - 162 - 21, 400), bar, QPoint(968 - 162 - 21, 400)},
        {"above and near the bottom", QPoint(300, 820 - 54 - 5), bar, QPoint(300, 820 - 54)},
        {"wider than the area", QPoint(50, 400), QSize(900, 54), QPoint(968 - 900, 400)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SnapTransferBar(c.proposed, c.size, area), c.placed) << c.name;
}

} // namespace
