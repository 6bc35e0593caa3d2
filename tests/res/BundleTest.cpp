// The built bundle: it loads, holds every id the code declares, and the main
// window's frame keeps its cut key in the corners only.
#include "platform/ResourceLibrary.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <map>
#include <set>

namespace {

const std::string kBundle = K5_BINARY_DIR "/bin/MiraRes.rcc";

struct DeclaredId
{
    QString where; // file and name, for the failure message
    int id;
    bool bitmap;
};

// Every IDB_/IDS_ constant of every ResIds*.h under src/, with _FIRST/_LAST
// pairs expanded to the whole range. Declaration faults are returned as
// messages.
std::vector<DeclaredId> DeclaredIds(QStringList& faults)
{
    std::vector<DeclaredId> ids;
    static const QRegularExpression decl(R"(^\s*constexpr\s+int\s+(\w+)\s*=\s*(\d+)\s*;)");
    QDirIterator it(K5_SOURCE_DIR "/src", {"ResIds*.h"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString shown = path.mid(QString(K5_SOURCE_DIR).size() + 1);
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) {
            faults << shown + ": cannot be read";
            continue;
        }
        std::map<QString, int> firsts, lasts;
        for (const QString& line : QString::fromUtf8(f.readAll()).split('\n')) {
            const auto m = decl.match(line);
            if (!m.hasMatch())
                continue;
            const QString name = m.captured(1);
            const int value = m.captured(2).toInt();
            const bool bitmap = name.startsWith("IDB_");
            if (!bitmap && !name.startsWith("IDS_"))
                continue;
            if (name.endsWith("_FIRST")) {
                firsts[name.chopped(6)] = value;
                continue;
            }
            if (name.endsWith("_LAST")) {
                lasts[name.chopped(5)] = value;
                continue;
            }
            ids.push_back({shown + " " + name, value, bitmap});
        }
        for (const auto& [stem, first] : firsts) {
            const auto last = lasts.find(stem);
            if (last == lasts.end() || last->second < first) {
                faults << shown + ": " + stem + "_FIRST has no matching " + stem + "_LAST";
                continue;
            }
            for (int id = first; id <= last->second; ++id)
                ids.push_back({shown + " " + stem + "_FIRST.._LAST", id, stem.startsWith("IDB_")});
        }
        for (const auto& [stem, last] : lasts)
            if (!firsts.count(stem))
                faults << shown + ": " + stem + "_LAST has no matching " + stem + "_FIRST";
    }
    return ids;
}

TEST(Bundle, LoadsWithTheMainWindowSkin)
{
    ResourceLibrary lib;
    ASSERT_TRUE(lib.Load(kBundle)) << kBundle;
    EXPECT_TRUE(lib.IsLoaded());
    // Sizes the main window's layout relies on.
    const struct
    {
        int id, w, h;
    } sizes[] = {
        {1500, 86, 58},  {1501, 755, 58}, {1502, 87, 58},  {1503, 86, 568}, {1504, 755, 568},
        {1505, 87, 568}, {1506, 86, 72},  {1507, 755, 72}, {1508, 87, 72},  {1584, 427, 14},
    };
    for (const auto& s : sizes) {
        const QImage img = lib.LoadBitmap(s.id);
        ASSERT_FALSE(img.isNull()) << s.id;
        EXPECT_EQ(img.size(), QSize(s.w, s.h)) << s.id;
        EXPECT_EQ(img.format(), QImage::Format_RGB32) << s.id;
        EXPECT_TRUE(lib.HasBitmap(s.id));
    }
    EXPECT_FALSE(lib.LoadResString(5000).isEmpty());
    EXPECT_TRUE(lib.HasString(5000));
    // An id the bundle lacks.
    EXPECT_TRUE(lib.LoadBitmap(64999).isNull());
    EXPECT_FALSE(lib.HasBitmap(64999));
    EXPECT_TRUE(lib.LoadResString(64999).isEmpty());
}

TEST(Bundle, HoldsEveryIdTheCodeDeclares)
{
    QStringList faults;
    const std::vector<DeclaredId> ids = DeclaredIds(faults);
    ASSERT_FALSE(ids.empty());
    ResourceLibrary lib;
    ASSERT_TRUE(lib.Load(kBundle));
    for (const DeclaredId& d : ids) {
        if (d.bitmap ? !lib.HasBitmap(d.id) : !lib.HasString(d.id))
            faults << QString("%1: %2 %3 missing").arg(d.where, d.bitmap ? "bitmap" : "string").arg(d.id);
    }
    EXPECT_TRUE(faults.isEmpty()) << faults.join("\n").toStdString();
}

// The window turns pixels of the cut key into holes, but only in its corners
// (x < 54 or > 868, and y < 51 or > 641): the frame must carry the key in all
// four corners and nowhere else.
TEST(Bundle, MainFrameCarriesTheCutKeyOnlyInItsCorners)
{
    ResourceLibrary lib;
    ASSERT_TRUE(lib.Load(kBundle));
    const int rc[9][2] = {{0, 0},    {86, 0},  {841, 0},  {0, 58},   {86, 58},
                          {841, 58}, {0, 626}, {86, 626}, {841, 626}};
    QImage window(928, 698, QImage::Format_RGB32);
    for (int k = 0; k < 9; ++k) {
        const QImage piece = lib.LoadBitmap(1500 + k);
        ASSERT_FALSE(piece.isNull());
        for (int y = 0; y < piece.height(); ++y)
            for (int x = 0; x < piece.width(); ++x)
                window.setPixel(rc[k][0] + x, rc[k][1] + y, piece.pixel(x, y));
    }
    const QRgb cut = qRgb(0x32, 0x64, 0xAA); // COLORREF 0xAA6432
    int outside = 0;
    for (int y = 0; y < window.height(); ++y)
        for (int x = 0; x < window.width(); ++x)
            if (window.pixel(x, y) == cut && !((x < 54 || x > 868) && (y < 51 || y > 641)))
                ++outside;
    EXPECT_EQ(outside, 0);
    for (const QPoint corner : {QPoint(0, 0), QPoint(927, 0), QPoint(0, 697), QPoint(927, 697)})
        EXPECT_EQ(window.pixel(corner), cut) << corner.x() << "," << corner.y();
    // The play bar sits on the bottom frame and has no holes.
    const QImage bar = lib.LoadBitmap(1584);
    for (int y = 0; y < bar.height(); ++y)
        for (int x = 0; x < bar.width(); ++x)
            ASSERT_NE(bar.pixel(x, y), cut);
}

TEST(Bundle, ProgramPicturesLieBesideTheProgram)
{
    const struct
    {
        const char* name;
        QSize size;
    } pictures[] = {
        {"LogoK5.bmp", QSize(139, 34)},   // the logo rectangle of the main window
        {"ComMark.bmp", QSize(360, 240)}, // cell pictures are stretched, any size works
        {"VdoLoss.bmp", QSize(360, 240)},
    };
    for (const auto& p : pictures) {
        const QImage img(QString(K5_BINARY_DIR "/bin/") + p.name);
        ASSERT_FALSE(img.isNull()) << p.name;
        EXPECT_EQ(img.size(), p.size) << p.name;
    }
}

} // namespace
