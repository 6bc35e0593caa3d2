#include "net/ConnectDlg.h"

#include "net/AddressBookDlg.h"
#include "net/ResIds.h"
#include "net/Wire.h"
#include "platform/ResourceLibrary.h"
#include "platform/Skin.h"
#include "ui/PromptDlg.h"
#include "ui/SkinDraw.h"
#include "ui/UiMessages.h"

#include <QFileDialog>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <ctime>

namespace {

constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;

// Text buttons of both dialogs: white, white, cyan on hover, grey disabled.
constexpr COLORREF kButtonText[4] = {RGB(255, 255, 255), RGB(255, 255, 255), RGB(0, 255, 255),
                                     RGB(156, 156, 156)};
constexpr COLORREF kEditText = RGB(60, 60, 120);

constexpr int kLabelIds[5] = {IDS_CONNECT_ADDRESS, IDS_CONNECT_PORT, IDS_CONNECT_ID, IDS_CONNECT_PASSWORD,
                              IDS_CONNECT_DESCRIPTION};

void SetupEdit(CSkinEdit& edit, int x, int y, int width, int maxLength)
{
    edit.setGeometry(x, y, width, 16);
    edit.SetTextColor(kEditText);
    edit.setMaxLength(maxLength);
}

} // namespace

QString FromBytes(const std::string& bytes)
{
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string ToBytes(const QString& text)
{
    const QByteArray bytes = text.toLatin1();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

BookMessage MakeBookMessage(const QFont& font, std::initializer_list<QString> lines, int buttons)
{
    BookMessage box;
    box.lineCount = static_cast<int>(std::min<std::size_t>(lines.size(), box.text.size()));
    std::size_t i = 0;
    for (const QString& line : lines) {
        if (i >= box.text.size())
            break;
        box.text[i] = line;
        box.width[i] = BookMessageWidth(font, line);
        ++i;
    }
    box.buttons = buttons;
    return box;
}

void SetupDialogTextButton(CSkinTextButton& button, int bitmap, int textId, int x, int y)
{
    SetupCaptionButton(button, static_cast<UINT>(bitmap), ResourceLibrary::Current().LoadResString(textId),
                       kButtonText);
    button.setGeometry(x, y, 100, 27);
}

int BookMessageWidth(const QFont& font, const QString& text)
{
    return static_cast<int>(QFontMetrics(font).horizontalAdvance(text) * 1.2);
}

std::uint32_t IConnectDlgHost::Now() const
{
    return static_cast<std::uint32_t>(std::time(nullptr));
}

std::string IConnectDlgHost::AskOpenFile(QWidget* over, const std::string& folder)
{
    return ToBytes(
        QFileDialog::getOpenFileName(over, QString(), FromBytes(folder), QStringLiteral("(*.log)")));
}

std::string IConnectDlgHost::AskSaveFile(QWidget* over, const std::string& folder)
{
    return ToBytes(
        QFileDialog::getSaveFileName(over, QString(), FromBytes(folder), QStringLiteral("(*.log)")));
}

CConnectDlg::CConnectDlg(QWidget* parent, IConnectDlgHost& host, BYTE alpha, HostResolver resolve)
    : Dialog(parent), m_host(host), m_nAlpha(alpha), m_resolve(std::move(resolve)), m_editAddress(this),
      m_editPort(this), m_editID(this), m_editPassword(this), m_editDescription(this), m_btnAddressBook(this),
      m_btnDefault(this), m_btnModify(this), m_btnOK(this), m_btnCancel(this)
{
    m_editAddress.SetDlgCtrlID(IDC_ADDRESS);
    m_editPort.SetDlgCtrlID(IDC_PORT);
    m_editID.SetDlgCtrlID(IDC_ID);
    m_editPassword.SetDlgCtrlID(IDC_PASSWORD);
    m_editDescription.SetDlgCtrlID(IDC_DESCRIPTION);
    m_btnAddressBook.SetDlgCtrlID(IDC_ADDRESS_BOOK);
    m_btnDefault.SetDlgCtrlID(IDC_DEFAULT);
    m_btnModify.SetDlgCtrlID(IDC_MODIFY);
    m_btnOK.SetDlgCtrlID(kIdOk);
    m_btnCancel.SetDlgCtrlID(kIdCancel);
    SetSkinKeyRules(false);
    SetDragFromBackground(true);
}

bool CConnectDlg::OnInitDialog()
{
    const ResourceLibrary& res = ResourceLibrary::Current();
    m_bmpBack = res.LoadBitmap(IDB_CONNECT_BACK);
    for (int i = 0; i < 5; ++i) {
        m_bmpLabel[static_cast<std::size_t>(i)] = res.LoadBitmap(IDB_CONNECT_LABEL_FIRST + i);
        m_strLabel[static_cast<std::size_t>(i)] = res.LoadResString(kLabelIds[i]);
    }
    SetupEdit(m_editAddress, 130, 23, 152, kAddressEditLimit);
    SetupEdit(m_editPort, 130, 46, 107, kPortEditLimit);
    SetupEdit(m_editID, 130, 69, 210, kIdEditLimit);
    SetupEdit(m_editPassword, 130, 92, 210, kPasswordEditLimit);
    m_editPassword.setEchoMode(QLineEdit::Password);
    SetupEdit(m_editDescription, 130, 115, 210, kDescriptionEditLimit);
    m_btnAddressBook.SetBitmap(IDB_CONNECT_BOOK_BUTTON);
    m_btnAddressBook.setGeometry(327, 20, 17, 23);
    SetupDialogTextButton(m_btnDefault, IDB_CONNECT_PORT_BUTTON, IDS_CONNECT_DEFAULT_PORT, 246, 41);
    SetupDialogTextButton(m_btnModify, IDB_CONNECT_PORT_BUTTON, IDS_CONNECT_CHOOSE_PORT, 246, 41);
    SetupDialogTextButton(m_btnOK, IDB_DIALOG_BUTTON, IDS_DIALOG_OK, 138, 148);
    SetupDialogTextButton(m_btnCancel, IDB_DIALOG_BUTTON, IDS_DIALOG_CANCEL, 244, 148);

    setFixedSize(kWidth, kHeight);
    CenterOverOwner(*this);

    LoadServerIP();
    m_editAddress.SetWindowText(FromBytes(m_strAddress));
    if (m_host.SavePassword()) {
        m_editID.SetWindowText(FromBytes(m_strID));
        m_editPassword.SetWindowText(FromBytes(m_strPassword));
    } else {
        m_editID.SetWindowText(QString());
        m_editPassword.SetWindowText(QString());
    }
    m_editDescription.SetWindowText(FromBytes(m_strDescription));
    if (!m_bDefaultPort)
        m_strPort = std::to_string(m_nPort);
    else
        m_strPort.clear();
    m_editPort.SetWindowText(FromBytes(m_strPort));
    ShowPortMode();
    SetTransparent(this, m_nAlpha, m_bmpBack);
    m_bReady = 1;
    return true;
}

void CConnectDlg::ShowPortMode()
{
    m_btnModify.Show(m_bDefaultPort != 0);
    m_btnDefault.Show(m_bDefaultPort == 0);
    m_editPort.setEnabled(m_bDefaultPort == 0);
}

void CConnectDlg::TakeFields()
{
    m_strAddress = ToBytes(m_editAddress.GetWindowText());
    m_strPort = ToBytes(m_editPort.GetWindowText());
    m_strID = ToBytes(m_editID.GetWindowText());
    m_strPassword = ToBytes(m_editPassword.GetWindowText());
    m_strDescription = ToBytes(m_editDescription.GetWindowText());
}

void CConnectDlg::PutFields()
{
    // Putting the values back is no edit of the operator's.
    const BYTE ready = m_bReady;
    m_bReady = 0;
    m_editAddress.SetWindowText(FromBytes(m_strAddress));
    m_editPort.SetWindowText(FromBytes(m_strPort));
    m_editID.SetWindowText(FromBytes(m_strID));
    m_editPassword.SetWindowText(FromBytes(m_strPassword));
    m_editDescription.SetWindowText(FromBytes(m_strDescription));
    m_bReady = ready;
}

LRESULT CConnectDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_CLOSE) {
        OnCancel();
        return 0;
    }
    if (msg == WM_COMMAND) {
        const int id = CommandId(wParam);
        const WORD code = CommandCode(wParam);
        if (code == EN_CHANGE) {
            if (id == IDC_ADDRESS)
                OnChangeAddress();
            else if (id == IDC_PORT)
                OnChangePort();
            return 0;
        }
        if (code == BN_CLICKED) {
            switch (id) {
            case kIdOk:
                OnOK();
                return 0;
            case kIdCancel:
                OnCancel();
                return 0;
            case IDC_ADDRESS_BOOK:
                OnAddressBook();
                return 0;
            case IDC_DEFAULT:
                OnDefault();
                return 0;
            case IDC_MODIFY:
                OnModify();
                return 0;
            default:
                break;
            }
        }
    }
    return Dialog::WindowProc(msg, wParam, lParam);
}

void CConnectDlg::OnChangeAddress()
{
    if (!m_bReady)
        return;
    OnAddressOrPortChanged();
    m_editDescription.SetWindowText(QString());
}

void CConnectDlg::OnChangePort()
{
    OnChangeAddress();
}

void CConnectDlg::OnDefault()
{
    m_btnModify.Show(true);
    m_btnDefault.Show(false);
    UseDefaultPort();
    m_editPort.SetWindowText(FromBytes(m_strPort));
    m_editPort.setEnabled(false);
    // The port changed even when its text did not.
    OnChangePort();
    TakeFields();
}

void CConnectDlg::OnModify()
{
    m_btnDefault.Show(true);
    m_btnModify.Show(false);
    ChoosePort();
    m_editPort.SetWindowText(QString());
    m_editPort.setEnabled(true);
    m_editPort.setFocus();
    OnChangePort();
    TakeFields();
}

void CConnectDlg::OnOK()
{
    TakeFields();
    if (!TakePort()) {
        m_editPort.SetWindowText(QString());
        m_editPort.setFocus();
        return;
    }
    LimitTexts();
    SaveServerIP();
    m_lastRecord = SaveConnectInfo(m_host.DataLocation(), m_host.Now());
    if (m_lastRecord == RecordResult::Full) {
        m_host.RunMessageBox(this, MakeBookMessage(font(),
                                                   {QStringLiteral("Connection lists are Full..."),
                                                    QStringLiteral("Your data goes unrecorded.")},
                                                   BookMessage::OkOnly));
    }
    ResolveAddress(m_resolve);
    PutFields();
    EndDialog(kIdOk);
}

void CConnectDlg::OnCancel()
{
    EndDialog(kIdCancel);
}

int CConnectDlg::RunAddressBook(BookChoice& choice)
{
    CAddressBookDlg book(parentWidget(), m_host, 255);
    const int result = book.DoModal();
    if (result == kIdOk)
        choice = book.Result();
    return result;
}

void CConnectDlg::OnAddressBook()
{
    hide();
    BookChoice choice;
    if (RunAddressBook(choice) == kIdOk) {
        TakeFromBook(choice, m_host.SavePassword());
        PutFields();
        ShowPortMode();
        TakeFields();
    }
    show();
}

void CConnectDlg::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    DrawBitmap(p, m_bmpBack, 0, 0, kWidth, kHeight, false, 0);
    p.setFont(BuildBoldLogFont(9));
    p.setPen(Qt::white);
    for (int i = 0; i < 5; ++i) {
        const int y = 39 + 23 * i;
        DrawBitmap(p, m_bmpLabel[static_cast<std::size_t>(i)], 14, y - 15, 120, y, false, 0);
        p.drawText(QRect(QPoint(14, y - 15), QPoint(119, y - 1)), Qt::AlignCenter | Qt::TextSingleLine,
                   m_strLabel[static_cast<std::size_t>(i)]);
    }
}

bool RunConnectDialog(QWidget* parent, IConnectDlgHost& host, IConnectTarget& target, BYTE alpha,
                      HostResolver resolve)
{
    CConnectDlg dlg(parent, host, alpha, std::move(resolve));
    if (dlg.DoModal() != kIdOk)
        return false;
    return dlg.HandOver(target);
}
