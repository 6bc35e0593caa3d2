// skingen: draws the client's skin bitmaps from res/skin*.tsv, gathers the
// string table from res/strings*.tsv, writes the bundle's .qrc and the program
// pictures. Run at build time on the offscreen platform.
//
//   skingen --res DIR --out DIR --bin DIR    build everything
//           [--table FILE]...                 only these tables (the build
//                                             names them, so that adding or
//                                             removing a fragment reruns it)
//   skingen --icons                          list the icon names
#include "Designs.h"
#include "Icons.h"
#include "Recipes.h"
#include "Table.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <map>

namespace {

void Print(const QString& s)
{
    std::fprintf(stderr, "%s\n", qPrintable(s));
}

bool WriteText(const QString& path, const QByteArray& data, QStringList& errors)
{
    // Rewrite only on change, so the bundle is not rebuilt for nothing.
    QFile old(path);
    if (old.open(QIODevice::ReadOnly) && old.readAll() == data)
        return true;
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size() || !f.commit()) {
        errors << path + ": cannot be written";
        return false;
    }
    return true;
}

QString Escaped(const QString& s)
{
    return s.toHtmlEscaped();
}

bool TableOrder(const QString& a, const QString& b)
{
    const bool mainA = !a.section('/', -1).contains('-');
    const bool mainB = !b.section('/', -1).contains('-');
    if (mainA != mainB)
        return mainA;
    return a < b;
}

// A contact sheet for people reviewing the skin: the main window put together
// from its frame pieces, logo and (where the tables have them) its controls,
// idle and during playback; then every bitmap with its id. Not part of the
// bundle.
struct Placement
{
    int id, x, y, w, h;
};

std::vector<Placement> MainWindowControls()
{
    std::vector<Placement> v;
    for (int i = 0; i < 16; ++i)
        v.push_back({1520 + i, 22, 73 + 34 * i, 30, 34});
    for (int i = 0; i < 9; ++i)
        v.push_back({1510 + i, 872, 73 + 34 * i, 34, 34});
    const int right[] = {1538, 1541, 1542, 1543, 1544, 1545, 1546};
    for (int i = 0; i < 7; ++i)
        v.push_back({right[i], 872, 379 + 34 * i, 34, 34});
    const int top[] = {1624, 1620, 1621, 1622, 1623, 1564, 1565, 1566, 2351, 1569};
    for (int i = 0; i < 10; ++i)
        v.push_back({top[i], 53 + 37 * i, 25, 37, 32});
    const Placement rest[] = {
        {1550, 264, 649, 76, 32}, {1551, 340, 649, 50, 32}, {1552, 390, 649, 50, 32},
        {1553, 440, 649, 50, 32}, {1554, 490, 649, 50, 32}, {1555, 540, 649, 50, 32},
        {1556, 590, 649, 73, 32}, {1596, 662, 24, 32, 32},  {1573, 870, 34, 18, 17},
        {1570, 712, 638, 28, 29}, {1575, 747, 647, 69, 16},
    };
    v.insert(v.end(), std::begin(rest), std::end(rest));
    return v;
}

void WriteSheet(const QString& path, const std::map<int, QImage>& bitmaps, const QString& binDir)
{
    const int margin = 16, labelH = 14, maxW = 1900;
    QImage logo(QDir(binDir).filePath("LogoK5.bmp"));
    QImage window;
    auto frame0 = [&](QPainter& p, int id, int x, int y, int w, int h) {
        const auto it = bitmaps.find(id);
        if (it != bitmaps.end())
            p.drawImage(QPoint(x, y), it->second, QRect(0, 0, w, h));
    };
    if (bitmaps.count(1500) && bitmaps.count(1508)) {
        static const int rc[9][4] = {{0, 0, 86, 58},    {86, 0, 841, 58},    {841, 0, 928, 58},
                                     {0, 58, 86, 626},  {86, 58, 841, 626},  {841, 58, 928, 626},
                                     {0, 626, 86, 698}, {86, 626, 841, 698}, {841, 626, 928, 698}};
        window = QImage(928 * 2 + margin, 698, QImage::Format_RGB32);
        window.fill(QColor(0x808080));
        QPainter p(&window);
        for (int copy = 0; copy < 2; ++copy) {
            const int dx = copy * (928 + margin);
            for (int k = 0; k < 9; ++k) {
                const auto it = bitmaps.find(1500 + k);
                if (it != bitmaps.end())
                    p.drawImage(QRect(dx + rc[k][0], rc[k][1], rc[k][2] - rc[k][0], rc[k][3] - rc[k][1]),
                                it->second);
            }
            if (!logo.isNull())
                p.drawImage(dx + 710, 23, logo);
            for (const Placement& c : MainWindowControls())
                frame0(p, c.id, dx + c.x, c.y, c.w, c.h);
            // The volume level up to about 60 %.
            frame0(p, 1574, dx + 747, 647, 42, 16);
            if (copy == 1) {
                frame0(p, 1584, dx + 250, 630, 427, 14);
                frame0(p, 1581, dx + 260, 632, 252, 8);
                frame0(p, 1580, dx + 260, 632, 100, 8);
                const auto thumb = bitmaps.find(1582);
                if (thumb != bitmaps.end()) {
                    QImage t = thumb->second.convertToFormat(QImage::Format_ARGB32);
                    const QRgb key = t.pixel(0, 0);
                    for (int y = 0; y < t.height(); ++y)
                        for (int x = 0; x < t.width(); ++x)
                            if (t.pixel(x, y) == key)
                                t.setPixel(x, y, 0);
                    p.drawImage(dx + 260 + 100 - t.width() / 2, 636 - t.height() / 2, t);
                }
            }
        }
    }
    // Shelf layout of the bitmaps.
    struct Placed
    {
        int id;
        QPoint at;
    };
    std::vector<Placed> placed;
    int x = margin, y = window.height() + 2 * margin, shelf = 0;
    for (const auto& [id, img] : bitmaps) {
        const int w = std::max(img.width(), 40);
        if (x + w > maxW) {
            x = margin;
            y += shelf + labelH + margin;
            shelf = 0;
        }
        placed.push_back({id, QPoint(x, y + labelH)});
        x += w + margin;
        shelf = std::max(shelf, img.height());
    }
    QImage sheet(maxW, y + shelf + labelH + margin, QImage::Format_RGB32);
    sheet.fill(QColor(0x808080));
    QPainter p(&sheet);
    if (!window.isNull())
        p.drawImage(margin, margin, window);
    p.setFont(QFont("Liberation Sans", 8));
    for (const Placed& pl : placed) {
        const QImage& img = bitmaps.at(pl.id);
        p.setPen(Qt::black);
        p.drawText(pl.at + QPoint(0, -3), QString::number(pl.id));
        p.drawImage(pl.at, img);
    }
    QDir().mkpath(QFileInfo(path).path());
    sheet.save(path, "PNG");
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QString resDir, outDir, binDir;
    QStringList tables;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == "--icons") {
            for (const QString& n : IconNames())
                std::printf("%s\n", qPrintable(n));
            return 0;
        }
        if (i + 1 >= args.size()) {
            Print("skingen: " + a + " needs a value");
            return 2;
        }
        if (a == "--res")
            resDir = args[++i];
        else if (a == "--out")
            outDir = args[++i];
        else if (a == "--bin")
            binDir = args[++i];
        else if (a == "--table")
            tables << args[++i];
        else {
            Print("skingen: unknown argument " + a);
            return 2;
        }
    }
    if (resDir.isEmpty() || outDir.isEmpty() || binDir.isEmpty()) {
        Print("usage: skingen --res DIR --out DIR --bin DIR | --icons");
        return 2;
    }

    QStringList errors;
    std::vector<SkinRow> skin;
    std::vector<StringRow> strings;
    QStringList skinFiles = TableFiles(resDir, "skin");
    QStringList stringFiles = TableFiles(resDir, "strings");
    if (!tables.isEmpty()) {
        skinFiles = tables.filter(QRegularExpression("/skin(-[^/]*)?\\.tsv$"));
        stringFiles = tables.filter(QRegularExpression("/strings(-[^/]*)?\\.tsv$"));
        // The main file first, then the fragments by name.
        std::sort(skinFiles.begin(), skinFiles.end(), TableOrder);
        std::sort(stringFiles.begin(), stringFiles.end(), TableOrder);
    }
    if (skinFiles.isEmpty())
        errors << resDir + ": no skin.tsv";
    if (stringFiles.isEmpty())
        errors << resDir + ": no strings.tsv";
    ReadSkinTables(skinFiles, skin, errors);
    ReadStringTables(stringFiles, strings, errors);

    const QDir out(outDir);
    out.mkpath("bmp");
    QStringList written;
    std::map<int, QImage> drawn;
    for (const SkinRow& row : skin) {
        const QImage img = RenderRow(row, errors);
        if (img.isNull())
            continue;
        const QString name = QString("bmp/%1.png").arg(row.id);
        if (!img.save(out.filePath(name), "PNG"))
            errors << out.filePath(name) + ": cannot be written";
        written << name;
        drawn[row.id] = img;
    }
    // Pictures of rows that are gone would only confuse whoever looks here.
    for (const QString& f : QDir(out.filePath("bmp")).entryList({"*.png"}, QDir::Files))
        if (!written.contains("bmp/" + f))
            QFile::remove(out.filePath("bmp/" + f));

    QByteArray table = "# id<TAB>text, escapes \\n \\t \\\\\n";
    for (const StringRow& s : strings)
        table += QByteArray::number(s.id) + '\t' + Escape(s.text).toUtf8() + '\n';
    WriteText(out.filePath("strings.tsv"), table, errors);

    QString qrc = "<!DOCTYPE RCC><RCC version=\"1.0\">\n<qresource prefix=\"/\">\n";
    qrc += "  <file alias=\"strings.tsv\">" + Escaped(out.absoluteFilePath("strings.tsv")) + "</file>\n";
    for (const QString& name : written)
        qrc += "  <file alias=\"" + name + "\">" + Escaped(out.absoluteFilePath(name)) + "</file>\n";
    qrc += "</qresource>\n</RCC>\n";
    WriteText(out.filePath("MiraRes.qrc"), qrc.toUtf8(), errors);

    WriteProgramPictures(binDir, errors);
    WriteSheet(out.filePath("sheet.png"), drawn, binDir);

    for (const QString& e : errors)
        Print(e);
    if (!errors.isEmpty()) {
        Print(QString("skingen: %1 error(s)").arg(errors.size()));
        return 1;
    }
    std::printf("skingen: %zu bitmaps, %zu strings\n", skin.size(), strings.size());
    return 0;
}
