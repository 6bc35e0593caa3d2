#include "ui/SkinEdit.h"

#include "platform/Skin.h"
#include "ui/SkinColors.h"
#include "ui/UiMessages.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <climits>
#include <memory>
#include <QValidator>

bool EditAccepts(EditFilter filter, QChar c)
{
    const char16_t u = c.unicode();
    switch (filter) {
    case EditFilter::Name:
        return u == ' ' || u == '-' || u == '.' || u == '/' || (u >= '0' && u <= '9') || u == '@' ||
               (u >= 'A' && u <= 'Z') || u == '_' || (u >= 'a' && u <= 'z');
    case EditFilter::Digit:
        return u >= '0' && u <= '9';
    case EditFilter::FileName:
        if (u < 32 || u == 127)
            return false;
        return u != '\\' && u != '/' && u != ':' && u != '*' && u != '?' && u != '"' && u != '<' &&
               u != '>' && u != '|';
    case EditFilter::None:
        return true;
    }
    return true;
}

QString EditFilterText(EditFilter filter, const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (EditAccepts(filter, c))
            out.append(c);
    }
    return out;
}

// Strips refused characters from what the user adds, keeping the cursor
// where it was relative to the characters that stay. What the user added is
// the part of the new text that is not a common beginning or end of the text
// before: the characters the edit did not touch are kept as they are, so a
// stored text that holds refused characters survives an edit of its other
// characters. Text the program sets passes whole.
class CSkinEdit::InputFilter : public QValidator
{
public:
    InputFilter(EditFilter filter, QObject* parent) : QValidator(parent), m_filter(filter) {}

    // The next validation is of text the program sets.
    void TrustNext(bool bTrust) { m_bTrust = bTrust; }
    void Remember(const QString& text) { m_last = text; }

    State validate(QString& input, int& pos) const override
    {
        if (m_bTrust) {
            m_last = input;
            return Acceptable;
        }
        const qsizetype oldSize = m_last.size();
        const qsizetype newSize = input.size();
        qsizetype head = 0;
        while (head < oldSize && head < newSize && m_last[head] == input[head])
            ++head;
        qsizetype tail = 0;
        while (tail < oldSize - head && tail < newSize - head &&
               m_last[oldSize - 1 - tail] == input[newSize - 1 - tail])
            ++tail;
        QString out;
        out.reserve(newSize);
        int newPos = 0;
        for (qsizetype i = 0; i < newSize; ++i) {
            const bool added = i >= head && i < newSize - tail;
            if (added && !EditAccepts(m_filter, input[i]))
                continue;
            out.append(input[i]);
            if (i < pos)
                ++newPos;
        }
        if (out.size() != newSize) {
            input = out;
            pos = newPos;
        }
        m_last = input;
        return Acceptable;
    }

private:
    EditFilter m_filter;
    bool m_bTrust = false;
    // The text as it stood before the change under validation.
    mutable QString m_last;
};

namespace {

bool IsClipboardOrUndoKey(const QKeyEvent* e)
{
    return e->matches(QKeySequence::Copy) || e->matches(QKeySequence::Cut) ||
           e->matches(QKeySequence::Paste) || e->matches(QKeySequence::Undo) ||
           e->matches(QKeySequence::Redo);
}

} // namespace

CSkinEdit::CSkinEdit(QWidget* parent, EditFilter filter)
    : QLineEdit(parent), CDlgItem(this), m_brush(Qt::white), m_filter(filter)
{
    if (filter != EditFilter::None) {
        m_pInput = new InputFilter(filter, this);
        setValidator(m_pInput);
    }
    setFrame(false);
    setTextMargins(2, 0, 2, 0);
    setFont(MakeSkinFont("Arial", 9, 400));
    setAutoFillBackground(true);
    SetTextColor(0);
    connect(this, &QLineEdit::textChanged, this, [this] { NotifyParent(EN_CHANGE, 0); });
}

void CSkinEdit::setText(const QString& text)
{
    // Shown whole: the filter is for what the user enters.
    if (m_pInput)
        m_pInput->TrustNext(true);
    QLineEdit::setText(text);
    if (m_pInput) {
        m_pInput->TrustNext(false);
        m_pInput->Remember(QLineEdit::text());
    }
}

void CSkinEdit::SetLimitText(int nMax)
{
    m_nLimit = nMax > 0 ? nMax : 0;
}

int CSkinEdit::Room() const
{
    if (m_nLimit <= 0)
        return INT_MAX;
    const qsizetype kept = text().size() - selectedText().size();
    return kept >= m_nLimit ? 0 : static_cast<int>(m_nLimit - kept);
}

QString CSkinEdit::UserText(const QString& text) const
{
    if (!m_bUpperCase)
        return text;
    // Letter by letter, so that the text keeps its length.
    QString out = text;
    for (QChar& c : out)
        c = c.toUpper();
    return out;
}

void CSkinEdit::InsertLimited(const QString& pasted)
{
    // What fits goes in; the characters beyond the limit are refused.
    const QString kept = EditFilterText(m_filter, UserText(pasted));
    const int room = Room();
    if (room > 0 && !kept.isEmpty())
        insert(kept.left(room));
}

void CSkinEdit::contextMenuEvent(QContextMenuEvent* e)
{
    std::unique_ptr<QMenu> menu(createStandardContextMenu());
    if (m_nLimit > 0 || m_bUpperCase) {
        for (QAction* action : menu->actions()) {
            if (action->objectName() != QLatin1String("edit-paste"))
                continue;
            action->disconnect();
            connect(action, &QAction::triggered, this,
                    [this] { InsertLimited(QGuiApplication::clipboard()->text()); });
        }
    }
    menu->exec(e->globalPos());
}

void CSkinEdit::dropEvent(QDropEvent* e)
{
    if (m_bUpperCase && e->mimeData() && e->mimeData()->hasText()) {
        // The dropped text goes in through the same door as a paste.
        if (EditFilterText(m_filter, e->mimeData()->text()).size() > Room()) {
            e->ignore();
            return;
        }
        setCursorPosition(cursorPositionAt(e->position().toPoint()));
        InsertLimited(e->mimeData()->text());
        e->acceptProposedAction();
        return;
    }
    if (m_nLimit > 0 && e->mimeData() && e->mimeData()->hasText() &&
        EditFilterText(m_filter, e->mimeData()->text()).size() > Room()) {
        e->ignore();
        return;
    }
    QLineEdit::dropEvent(e);
}

void CSkinEdit::SetTextColor(COLORREF cr)
{
    m_crText = cr;
    QPalette pal = palette();
    pal.setBrush(QPalette::Base, m_brush);
    pal.setBrush(QPalette::Window, m_brush);
    pal.setColor(QPalette::Text, fromColorRef(cr));
    pal.setColor(QPalette::Highlight, SkinColor::Of(SkinColor::kAccent));
    pal.setColor(QPalette::HighlightedText, Qt::white);
    setPalette(pal);
}

void CSkinEdit::keyPressEvent(QKeyEvent* e)
{
    if ((m_filter == EditFilter::Name || m_filter == EditFilter::Digit) && IsClipboardOrUndoKey(e)) {
        e->accept();
        return;
    }
    if ((m_nLimit > 0 || m_bUpperCase) && e->matches(QKeySequence::Paste)) {
        InsertLimited(QGuiApplication::clipboard()->text());
        e->accept();
        return;
    }
    const QString typed = e->text();
    if (m_nLimit > 0 && !typed.isEmpty() && typed[0].unicode() >= 32 && typed[0].unicode() != 127 &&
        typed.size() > Room()) {
        // A full box takes no more typed characters.
        e->accept();
        return;
    }
    if (m_filter != EditFilter::None && !typed.isEmpty() && typed[0].unicode() >= 32 &&
        typed[0].unicode() != 127) {
        // A refused character neither shows nor acts (it does not replace a
        // selection either).
        for (QChar c : typed) {
            if (!EditAccepts(m_filter, c)) {
                e->accept();
                return;
            }
        }
    }
    if (m_bUpperCase && !typed.isEmpty() && UserText(typed) != typed) {
        QKeyEvent upper(e->type(), e->key(), e->modifiers(), UserText(typed), e->isAutoRepeat(),
                        static_cast<ushort>(e->count()));
        QLineEdit::keyPressEvent(&upper);
        e->setAccepted(upper.isAccepted());
        return;
    }
    QLineEdit::keyPressEvent(e);
}

void CSkinEdit::focusInEvent(QFocusEvent* e)
{
    QLineEdit::focusInEvent(e);
    NotifyParent(EN_SETFOCUS, 0);
}

void CSkinEdit::focusOutEvent(QFocusEvent* e)
{
    QLineEdit::focusOutEvent(e);
    NotifyParent(EN_KILLFOCUS, 0);
}
