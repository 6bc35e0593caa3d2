// The filtered edit boxes: what they keep, typed or pasted, and what they
// tell their parent.
#include "TestSupport.h"

#include "ui/SkinEdit.h"
#include "ui/UiMessages.h"

#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <gtest/gtest.h>

using namespace uitest;

TEST(EditFilterTable, EachBoxKeepsItsCharacters)
{
    const struct
    {
        EditFilter filter;
        const char16_t* kept;
        const char16_t* refused;
    } cases[] = {
        {EditFilter::Name, u"azAZ09 -./@_", u"#%,:;!?\\*\"<>|~é\t"},
        {EditFilter::Digit, u"0123456789", u"a -.+é"},
        {EditFilter::FileName, u"aZ09 -._#%,;!()[]é", u"\\/:*?\"<>|\t\n"},
        {EditFilter::None, u"aZ09 \\/:*?\"<>|é", u""},
    };
    for (const auto& c : cases) {
        for (const char16_t* p = c.kept; *p; ++p)
            EXPECT_TRUE(EditAccepts(c.filter, QChar(*p))) << int(c.filter) << " keeps " << int(*p);
        for (const char16_t* p = c.refused; *p; ++p)
            EXPECT_FALSE(EditAccepts(c.filter, QChar(*p))) << int(c.filter) << " refuses " << int(*p);
    }
}

TEST(SkinEdit, TypedCharactersAreFiltered)
{
    const struct
    {
        EditFilter filter;
        const char* typed;
        const char* text;
    } cases[] = {
        {EditFilter::Digit, "12a3", "123"},
        {EditFilter::Name, "cam#1%,x/y@z_", "cam1x/y@z_"},
        {EditFilter::FileName, "ab?c:d/e\\f", "abcdef"},
        {EditFilter::None, "a/b:c", "a/b:c"},
    };
    for (const auto& c : cases) {
        std::unique_ptr<CSkinEdit> edit;
        switch (c.filter) {
        case EditFilter::Name:
            edit = std::make_unique<CNameEdit>();
            break;
        case EditFilter::Digit:
            edit = std::make_unique<CDigitEdit>();
            break;
        case EditFilter::FileName:
            edit = std::make_unique<CFileNameEdit>();
            break;
        case EditFilter::None:
            edit = std::make_unique<CColorEdit>();
            break;
        }
        QTest::keyClicks(edit.get(), c.typed);
        EXPECT_EQ(edit->text().toStdString(), c.text);
    }
}

TEST(SkinEdit, ARefusedKeyDoesNotReplaceTheSelection)
{
    CFileNameEdit edit;
    edit.setText("holiday");
    edit.selectAll();
    QTest::keyClick(&edit, '?');
    EXPECT_EQ(edit.text(), "holiday");
}

TEST(SkinEdit, PastedTextLosesRefusedCharacters)
{
    QClipboard* clip = QApplication::clipboard();
    clip->setText("/home/me:snap*1?.jpg");

    CFileNameEdit file;
    file.setText("x");
    file.end(false);
    QTest::keyClick(&file, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(file.text(), "xhomemesnap1.jpg") << "no path separator ever reaches a file name";
    EXPECT_EQ(file.cursorPosition(), file.text().size());

    // The name box drops the paste key, but a paste by other means (the
    // context menu, a drop) is filtered all the same.
    CNameEdit name;
    QTest::keyClick(&name, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(name.text(), "");
    name.paste();
    EXPECT_EQ(name.text(), "/home/mesnap1.jpg");

    CDigitEdit digits;
    digits.insert("12:30");
    EXPECT_EQ(digits.text(), "1230");
}

TEST(SkinEdit, TextTheProgramSetsIsShownWholeAndEditsKeepWhatTheyDoNotTouch)
{
    // A shown box, as the operator meets it.
    RecordingWnd parent;
    CNameEdit name(&parent);
    name.SetUpperCase(true);
    parent.show();
    name.setFocus();
    const QString stored = QString::fromLatin1("CAM#1 (LOBBY) \xC9t\xE9");
    name.SetWindowText(stored);
    EXPECT_EQ(name.text(), stored);

    // Typed: refused characters still refused, the stored ones kept.
    name.end(false);
    QTest::keyClicks(&name, "x#");
    EXPECT_EQ(name.text(), stored + "X");
    QTest::keyClick(&name, Qt::Key_Backspace);
    EXPECT_EQ(name.text(), stored);
    // Replacing a selection touches only the selection.
    name.setSelection(7, 5);
    QTest::keyClicks(&name, "hall");
    EXPECT_EQ(name.text(), QString::fromLatin1("CAM#1 (HALL) \xC9t\xE9"));
    EXPECT_EQ(name.cursorPosition(), 11);
    // What is pasted or dropped is filtered, what was there is not.
    name.setCursorPosition(0);
    name.insert("#a(b)");
    EXPECT_EQ(name.text(), QString::fromLatin1("abCAM#1 (HALL) \xC9t\xE9"));
    EXPECT_EQ(name.cursorPosition(), 2);
    // A pasted character equal to a stored refused neighbour is refused too.
    name.setCursorPosition(5);
    name.insert("#");
    EXPECT_EQ(name.text(), QString::fromLatin1("abCAM#1 (HALL) \xC9t\xE9"));
    // Clearing and typing again: the new text is all the user's.
    name.selectAll();
    QTest::keyClick(&name, Qt::Key_Backspace);
    QTest::keyClicks(&name, "a:b");
    EXPECT_EQ(name.text(), "AB");

    // The file-name box and the digit box alike.
    CFileNameEdit file(&parent);
    file.setText("C:\\snap?.jpg");
    EXPECT_EQ(file.text(), "C:\\snap?.jpg");
    file.end(false);
    file.insert("/x");
    EXPECT_EQ(file.text(), "C:\\snap?.jpgx");
    CDigitEdit digits(&parent);
    digits.SetWindowText("12:30");
    digits.setCursorPosition(2);
    QTest::keyClick(&digits, Qt::Key_Delete);
    EXPECT_EQ(digits.text(), "1230");
}

TEST(SkinEdit, ClipboardAndUndoKeysDoNothingInNameAndDigitBoxes)
{
    CNameEdit name;
    QTest::keyClicks(&name, "abc");
    name.selectAll();
    QTest::keyClick(&name, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(name.text(), "abc");
    QTest::keyClick(&name, Qt::Key_Backspace);
    EXPECT_EQ(name.text(), "");
    QTest::keyClick(&name, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(name.text(), "");
}

TEST(SkinEdit, NotificationsReachTheParent)
{
    RecordingWnd parent;
    CDigitEdit edit(&parent);
    edit.SetDlgCtrlID(383);
    edit.SetTextColor(0x783C3C);
    EXPECT_EQ(edit.palette().color(QPalette::Text), QColor(0x3C, 0x3C, 0x78));
    EXPECT_EQ(edit.palette().color(QPalette::Base), QColor(Qt::white));

    QTest::keyClicks(&edit, "7x");
    const auto cmds = parent.Of(WM_COMMAND);
    ASSERT_EQ(cmds.size(), 1u) << "the refused x changes nothing";
    EXPECT_EQ(cmds[0].wParam, MakeCommandWParam(383, EN_CHANGE));

    parent.show();
    edit.setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return edit.hasFocus(); }));
    edit.clearFocus();
    std::vector<WORD> codes;
    for (const Msg& m : parent.Of(WM_COMMAND))
        codes.push_back(CommandCode(m.wParam));
    EXPECT_EQ(codes, (std::vector<WORD>{EN_CHANGE, EN_SETFOCUS, EN_KILLFOCUS}));
}

TEST(SkinEdit, TheTypingLimitHoldsForTypingAndPastingOnly)
{
    CColorEdit edit;
    edit.SetLimitText(30);
    QTest::keyClicks(&edit, QString(31, QLatin1Char('a')));
    EXPECT_EQ(edit.text(), QString(30, QLatin1Char('a'))) << "the 31st typed character is refused";

    QApplication::clipboard()->setText("xyz");
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit.text().size(), 30) << "a full box takes nothing pasted";
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit.text(), QString(29, QLatin1Char('a')) + "x") << "what fits of a paste goes in";

    // Text the program sets is never cut, and the user may shorten it.
    const QString stored(40, QLatin1Char('n'));
    edit.setText(stored);
    EXPECT_EQ(edit.text(), stored);
    edit.end(false);
    QTest::keyClick(&edit, 'q');
    EXPECT_EQ(edit.text(), stored);
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.text().size(), 39);

    // A selection makes room for what replaces it.
    edit.setText(QString(30, QLatin1Char('b')));
    edit.setSelection(0, 2);
    QTest::keyClick(&edit, 'c');
    EXPECT_EQ(edit.text(), "c" + QString(28, QLatin1Char('b')));
}

TEST(SkinEdit, AnUpperCaseBoxCapitalisesWhatTheUserEntersOnly)
{
    CNameEdit edit;
    edit.SetUpperCase(true);
    edit.SetLimitText(30);
    // Set by the program: shown as stored, nothing cut.
    const QString stored = "Gate " + QString(30, QLatin1Char('x'));
    edit.setText(stored);
    EXPECT_EQ(edit.text(), stored);

    edit.clear();
    QTest::keyClicks(&edit, "cam-1 a#b");
    EXPECT_EQ(edit.text(), "CAM-1 AB") << "typed letters capitalised, refused ones still dropped";
    edit.end(false);
    QTest::keyClicks(&edit, QString(30, QLatin1Char('q')));
    EXPECT_EQ(edit.text().size(), 30) << "the limit holds for capitalised typing too";

    // A box without the style keeps the user's case.
    CNameEdit plain;
    QTest::keyClicks(&plain, "cam");
    EXPECT_EQ(plain.text(), "cam");
}
