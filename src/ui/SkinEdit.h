// Edit boxes of the skinned windows: a white field with an owner-chosen text
// colour and, for three of them, a filter on the characters they take.
//
//   CNameEdit      letters A-Z a-z, digits, space - . / @ _
//   CDigitEdit     digits
//   CFileNameEdit  everything but \ / : * ? " < > | (and control characters)
//   CColorEdit     everything
//
// The filter holds for every change of the text: a refused character typed
// is dropped before it reaches the box, and pasted, dropped or set text loses
// its refused characters, so the text never holds one. In the name and digit
// boxes the clipboard and undo keys do nothing.
//
// The parent hears EN_SETFOCUS, EN_CHANGE and EN_KILLFOCUS through WM_COMMAND.
#pragma once

#include "platform/Types.h"
#include "ui/DlgItem.h"

#include <QBrush>
#include <QLineEdit>
#include <QString>

enum class EditFilter
{
    Name,
    Digit,
    FileName,
    None
};

// Whether the box keeps character c.
bool EditAccepts(EditFilter filter, QChar c);
// The text with every refused character removed.
QString EditFilterText(EditFilter filter, const QString& text);

class CSkinEdit : public QLineEdit, public CDlgItem
{
    Q_OBJECT
public:
    void SetTextColor(COLORREF cr);
    void SetWindowText(const QString& text) { setText(text); }
    QString GetWindowText() const { return text(); }
    EditFilter Filter() const { return m_filter; }

    QBrush m_brush;
    COLORREF m_crText = 0;

protected:
    CSkinEdit(QWidget* parent, EditFilter filter);

    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    EditFilter m_filter;
};

class CNameEdit : public CSkinEdit
{
    Q_OBJECT
public:
    explicit CNameEdit(QWidget* parent = nullptr) : CSkinEdit(parent, EditFilter::Name) {}
};

class CDigitEdit : public CSkinEdit
{
    Q_OBJECT
public:
    explicit CDigitEdit(QWidget* parent = nullptr) : CSkinEdit(parent, EditFilter::Digit) {}
};

class CFileNameEdit : public CSkinEdit
{
    Q_OBJECT
public:
    explicit CFileNameEdit(QWidget* parent = nullptr) : CSkinEdit(parent, EditFilter::FileName) {}
};

class CColorEdit : public CSkinEdit
{
    Q_OBJECT
public:
    explicit CColorEdit(QWidget* parent = nullptr) : CSkinEdit(parent, EditFilter::None) {}
};
