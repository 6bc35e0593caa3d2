// Edit boxes of the skinned windows: a white field with an owner-chosen text
// colour and, for three of them, a filter on the characters they take.
//
//   CNameEdit      letters A-Z a-z, digits, space - . / @ _
//   CDigitEdit     digits
//   CFileNameEdit  everything but \ / : * ? " < > | (and control characters)
//   CColorEdit     everything
//
// The filter holds for what the user enters: a refused character typed is
// dropped before it reaches the box, and pasted or dropped text loses its
// refused characters. Text the program sets (a stored name, a mail address)
// is shown whole, and an edit keeps the characters it did not touch, so a
// stored text is never shortened behind the user's back. In the name and
// digit boxes the clipboard and undo keys do nothing.
//
// An upper-case box turns the letters the user types, pastes or drops into
// capitals; text the program sets is shown as it is.
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
    // The most characters the user can type, paste or drop (0: no limit).
    // Text the program sets is never cut: a longer one is shown whole, and
    // the user may still shorten it.
    void SetLimitText(int nMax);
    int LimitText() const { return m_nLimit; }
    void SetUpperCase(bool bUpper) { m_bUpperCase = bUpper; }
    bool UpperCase() const { return m_bUpperCase; }
    // Text the program sets: shown whole, whatever the filter. Hides
    // QLineEdit::setText so that every caller through this class is seen.
    void setText(const QString& text);
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
    void contextMenuEvent(QContextMenuEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    class InputFilter;

    // Characters the user may still add in place of the selection.
    int Room() const;
    void InsertLimited(const QString& pasted);
    // What the user's text becomes in this box.
    QString UserText(const QString& text) const;

    EditFilter m_filter;
    InputFilter* m_pInput = nullptr; // owned by this box; null without a filter
    int m_nLimit = 0;
    bool m_bUpperCase = false;
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
