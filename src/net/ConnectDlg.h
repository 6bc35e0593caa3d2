// The connect dialog: the operator names the recorder (address, port, user
// ID, password, description), opens the address book, and confirms. OK
// remembers the server in the registry and in the address book; the caller
// then hands the values to the connection (RunConnectDialog does both).
//
// Unlike the client's floating panels it keeps the platform's dialog keys:
// Enter is OK, Esc and the window's close are Cancel.
#pragma once

#include "net/ConnectForm.h"
#include "platform/Wnd.h"
#include "ui/SkinButton.h"
#include "ui/SkinEdit.h"

#include <QImage>
#include <QString>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>

// A skinned message box as the two dialogs ask for it: one to three lines,
// each with its label width, and OK alone or OK and Cancel.
struct BookMessage
{
    enum Buttons
    {
        OkCancel = 0,
        OkOnly = 1
    };
    int lineCount = 1;
    std::array<QString, 3> text;
    std::array<int, 3> width{};
    int buttons = OkOnly;
};
// The box's answers.
constexpr int kBookMessageOk = 1;
constexpr int kBookMessageCancel = 2;

// What the connect dialog and the address book need of the main window.
class IConnectDlgHost
{
public:
    virtual ~IConnectDlgHost() = default;
    // The settings file's password rule (m_bSavePassword): false leaves ID
    // and password empty and hides the book's ID column.
    virtual bool SavePassword() const = 0;
    // The data folder (m_strLocation); the book lies in its Log folder.
    virtual std::string DataLocation() const = 0;
    // Runs the skinned message box modally over `over`; kBookMessageOk or
    // kBookMessageCancel.
    virtual int RunMessageBox(QWidget* over, const BookMessage& message) = 0;
    // Seconds since 1970 (UTC) for a record's last use.
    virtual std::uint32_t Now() const;
    // The platform's file dialogs for import and export, filter "(*.log)",
    // starting in `folder`; empty when the operator cancels.
    virtual std::string AskOpenFile(QWidget* over, const std::string& folder);
    virtual std::string AskSaveFile(QWidget* over, const std::string& folder);
};

// A message box line and its width: 1.2 times the text's extent in `font`.
int BookMessageWidth(const QFont& font, const QString& text);
// A box of up to three of `lines` (more are dropped), each measured in `font`.
BookMessage MakeBookMessage(const QFont& font, std::initializer_list<QString> lines, int buttons);

// A text button of both dialogs: strip `bitmap`, text `textId` in white (cyan
// on hover, grey when disabled), 100 x 27 at (x, y).
void SetupDialogTextButton(CSkinTextButton& button, int bitmap, int textId, int x, int y);

class CConnectDlg : public Dialog, public CConnectForm
{
    Q_OBJECT
public:
    static constexpr int kWidth = 356;
    static constexpr int kHeight = 182;

    static constexpr int IDC_ADDRESS = 380;
    static constexpr int IDC_PORT = 381;
    static constexpr int IDC_ID = 382;
    static constexpr int IDC_PASSWORD = 383;
    static constexpr int IDC_DEFAULT = 384;
    static constexpr int IDC_MODIFY = 385;
    static constexpr int IDC_DESCRIPTION = 386;
    static constexpr int IDC_ADDRESS_BOOK = 993;

    CConnectDlg(QWidget* parent, IConnectDlgHost& host, BYTE alpha, HostResolver resolve = ResolveHostIPv4);

    bool OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    void OnOK();
    void OnCancel();
    void OnAddressBook();
    void OnDefault();
    void OnModify();
    void OnChangeAddress();
    void OnChangePort();

    // Field texts into the members, and back.
    void TakeFields();
    void PutFields();
    // Shows the port buttons and the port field as m_bDefaultPort says.
    void ShowPortMode();

    // Runs the address book; tests replace it. IDOK with the chosen server.
    virtual int RunAddressBook(BookChoice& choice);

    IConnectDlgHost& m_host;
    BYTE m_nAlpha;
    HostResolver m_resolve;
    // What the last OK did with the book.
    RecordResult m_lastRecord = RecordResult::CannotOpen;

    CNameEdit m_editAddress;
    CNameEdit m_editPort;
    CNameEdit m_editID;
    CNameEdit m_editPassword;
    CColorEdit m_editDescription;
    CSkinButton m_btnAddressBook;
    CSkinTextButton m_btnDefault;
    CSkinTextButton m_btnModify;
    CSkinTextButton m_btnOK;
    CSkinTextButton m_btnCancel;

    QImage m_bmpBack;
    std::array<QImage, 5> m_bmpLabel;
    std::array<QString, 5> m_strLabel;

protected:
    void paintEvent(QPaintEvent* e) override;
};

// Runs the connect dialog modally and, on OK, hands the confirmed values to
// `target`. True when a connection was handed over.
bool RunConnectDialog(QWidget* parent, IConnectDlgHost& host, IConnectTarget& target, BYTE alpha,
                      HostResolver resolve = ResolveHostIPv4);

// Texts between the dialogs and the byte strings they stand for.
QString FromBytes(const std::string& bytes);
std::string ToBytes(const QString& text);
