#include "Table.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

QStringList TableFiles(const QString& resDir, const QString& stem)
{
    QDir dir(resDir);
    QStringList files;
    const QString main = dir.filePath(stem + ".tsv");
    if (QFileInfo::exists(main))
        files << main;
    const QStringList fragments = dir.entryList({stem + "-*.tsv"}, QDir::Files | QDir::Readable, QDir::Name);
    for (const QString& f : fragments)
        files << dir.filePath(f);
    return files;
}

namespace {

// Calls fn(lineNumber, line) for every line that is not blank or a comment.
template <typename Fn> bool ForEachRow(const QString& file, QStringList& errors, Fn fn)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) {
        errors << file + ": cannot be read";
        return false;
    }
    const QByteArray all = f.readAll();
    const QString text = QString::fromUtf8(all);
    if (text.toUtf8() != all) {
        errors << file + ": not valid UTF-8";
        return false;
    }
    const QStringList lines = text.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.trimmed().isEmpty() || line.startsWith('#'))
            continue;
        fn(i + 1, line);
    }
    return true;
}

bool ParseInt(const QString& s, int min, int max, int& out)
{
    bool ok = false;
    const int v = s.trimmed().toInt(&ok, 10);
    if (!ok || v < min || v > max)
        return false;
    out = v;
    return true;
}

QString Shown(const QString& file)
{
    // Messages name files relative to the folder above res/ when possible.
    const QFileInfo fi(file);
    return fi.dir().dirName() + "/" + fi.fileName();
}

} // namespace

void ReadSkinTables(const QStringList& files, std::vector<SkinRow>& rows, QStringList& errors)
{
    std::map<int, QString> seen;
    for (const QString& file : files) {
        const QString name = Shown(file);
        ForEachRow(file, errors, [&](int lineNo, const QString& line) {
            const QStringList f = line.split('\t');
            const QString where = name + ":" + QString::number(lineNo);
            SkinRow row;
            row.file = name;
            row.line = lineNo;
            if (f.size() < 5) {
                errors << where + ": a row needs id, width, height, frames and recipe";
                return;
            }
            if (!ParseInt(f[0], 1, 65535, row.id)) {
                errors << where + ": bad id '" + f[0] + "'";
                return;
            }
            if (!ParseInt(f[1], 1, 4096, row.width) || !ParseInt(f[2], 1, 4096, row.height) ||
                !ParseInt(f[3], 1, 64, row.frames)) {
                errors << where + ": bad width, height or frames";
                return;
            }
            if (row.width % row.frames != 0) {
                errors << where + QString(": width %1 is not a multiple of %2 frames")
                                      .arg(row.width)
                                      .arg(row.frames);
                return;
            }
            row.recipe = f[4].trimmed();
            for (int i = 5; i < f.size(); ++i) {
                const QString a = f[i].trimmed();
                if (a.isEmpty())
                    continue;
                const int eq = a.indexOf('=');
                if (eq <= 0) {
                    errors << where + ": argument '" + a + "' is not key=value";
                    return;
                }
                const QString key = a.left(eq).trimmed();
                if (row.args.count(key)) {
                    errors << where + ": argument '" + key + "' given twice";
                    return;
                }
                row.args[key] = a.mid(eq + 1);
            }
            const auto it = seen.find(row.id);
            if (it != seen.end()) {
                errors << where + QString(": bitmap id %1 is already defined at ").arg(row.id) + it->second;
                return;
            }
            seen[row.id] = where;
            rows.push_back(row);
        });
    }
}

void ReadStringTables(const QStringList& files, std::vector<StringRow>& rows, QStringList& errors)
{
    std::map<int, QString> seen;
    for (const QString& file : files) {
        const QString name = Shown(file);
        ForEachRow(file, errors, [&](int lineNo, const QString& line) {
            const QString where = name + ":" + QString::number(lineNo);
            const int tab = line.indexOf('\t');
            StringRow row;
            row.file = name;
            row.line = lineNo;
            if (tab < 0 || !ParseInt(line.left(tab), 1, 65535, row.id)) {
                errors << where + ": a row is id<TAB>text";
                return;
            }
            if (!Unescape(line.mid(tab + 1), row.text)) {
                errors << where + ": unknown escape (only \\n, \\t and \\\\ are allowed)";
                return;
            }
            const auto it = seen.find(row.id);
            if (it != seen.end()) {
                errors << where + QString(": string id %1 is already defined at ").arg(row.id) + it->second;
                return;
            }
            seen[row.id] = where;
            rows.push_back(row);
        });
    }
}

bool Unescape(const QString& in, QString& out)
{
    out.clear();
    out.reserve(in.size());
    for (int i = 0; i < in.size(); ++i) {
        const QChar c = in[i];
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i >= in.size())
            return false;
        switch (in[i].unicode()) {
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case '\\':
            out += '\\';
            break;
        default:
            return false;
        }
    }
    return true;
}

QString Escape(const QString& in)
{
    QString out;
    out.reserve(in.size());
    for (const QChar c : in) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else
            out += c;
    }
    return out;
}
