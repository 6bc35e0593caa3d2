// Reads a printout back with poppler's tools (pdfinfo, pdftotext, pdffonts),
// independent of the code that wrote it.
#pragma once

#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

namespace pdftools {

inline QString Run(const QString& tool, const QStringList& args)
{
    QProcess p;
    p.start(tool, args);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The page count, -1 when the file is not a readable PDF.
inline int Pages(const QString& path)
{
    const QString info = Run(QStringLiteral("pdfinfo"), {path});
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)"), QRegularExpression::MultilineOption)
            .match(info);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// The text of pages first..last (1-based), in reading order.
inline QString Text(const QString& path, int first = 0, int last = 0)
{
    QStringList args{QStringLiteral("-layout")};
    if (first > 0)
        args << QStringLiteral("-f") << QString::number(first);
    if (last > 0)
        args << QStringLiteral("-l") << QString::number(last);
    args << path << QStringLiteral("-");
    return Run(QStringLiteral("pdftotext"), args);
}

// The text without any white space.
inline QString Squeezed(QString text)
{
    text.remove(QRegularExpression(QStringLiteral("\\s+")));
    return text;
}

// The base names of the embedded fonts, without the subset prefix.
inline QStringList Fonts(const QString& path)
{
    QStringList names;
    const QStringList lines = Run(QStringLiteral("pdffonts"), {path}).split('\n', Qt::SkipEmptyParts);
    for (int i = 2; i < lines.size(); ++i) {
        QString name = lines[i].section(' ', 0, 0);
        const int plus = name.indexOf('+');
        if (plus >= 0)
            name = name.mid(plus + 1);
        if (!names.contains(name))
            names << name;
    }
    names.sort();
    return names;
}

} // namespace pdftools
