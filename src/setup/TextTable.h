// A page's list of texts loaded by string id: a lookup that never reads past
// the table, with a fallback for indices the table does not have (an image
// byte outside the list).
#pragma once

#include <QString>
#include <initializer_list>
#include <vector>

class TextTable
{
public:
    TextTable() = default;
    // Loads every id from the current resource library.
    explicit TextTable(std::initializer_list<int> ids);
    static TextTable FromTexts(std::vector<QString> texts);

    int Size() const { return static_cast<int>(m_texts.size()); }
    bool Has(int i) const { return i >= 0 && i < Size(); }
    // Text i, or `fallback` when i lies outside the table.
    QString At(int i, const QString& fallback = QString()) const;
    // Text i, or the first text when i lies outside the table (a stored value
    // the list does not know shows as its first choice).
    QString AtOrFirst(int i) const;
    const std::vector<QString>& Texts() const { return m_texts; }

private:
    std::vector<QString> m_texts;
};
