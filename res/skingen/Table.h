// Reading the skin and string tables (res/skin*.tsv, res/strings*.tsv).
#pragma once

#include <QString>
#include <QStringList>
#include <map>
#include <vector>

struct SkinRow
{
    int id = 0;
    int width = 0;
    int height = 0;
    int frames = 1;
    QString recipe;
    std::map<QString, QString> args;
    QString file; // as named in messages
    int line = 0;

    QString Where() const { return file + ":" + QString::number(line); }
    int FrameWidth() const { return width / frames; }
};

struct StringRow
{
    int id = 0;
    QString text; // unescaped
    QString file;
    int line = 0;
};

// The table files of a resource folder in reading order: the main file first,
// then its fragments by name. `stem` is "skin" or "strings".
QStringList TableFiles(const QString& resDir, const QString& stem);

// Each reader appends its rows and its complaints (one "file:line: message" per
// entry); duplicate ids across all files read are complaints too.
void ReadSkinTables(const QStringList& files, std::vector<SkinRow>& rows, QStringList& errors);
void ReadStringTables(const QStringList& files, std::vector<StringRow>& rows, QStringList& errors);

// The escapes of the string table: \n, \t, \\. False on any other escape or a
// trailing backslash.
bool Unescape(const QString& in, QString& out);
QString Escape(const QString& in);
