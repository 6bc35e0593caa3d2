#include "setup/TextTable.h"

#include "ui/SkinDraw.h"

TextTable::TextTable(std::initializer_list<int> ids)
{
    m_texts.reserve(ids.size());
    for (int id : ids)
        m_texts.push_back(LoadResString(id));
}

TextTable TextTable::FromTexts(std::vector<QString> texts)
{
    TextTable t;
    t.m_texts = std::move(texts);
    return t;
}

QString TextTable::At(int i, const QString& fallback) const
{
    return Has(i) ? m_texts[static_cast<size_t>(i)] : fallback;
}

QString TextTable::AtOrFirst(int i) const
{
    if (Has(i))
        return m_texts[static_cast<size_t>(i)];
    return m_texts.empty() ? QString() : m_texts.front();
}
