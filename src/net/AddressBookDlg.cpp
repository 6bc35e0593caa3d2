#include "net/AddressBookDlg.h"

#include "net/ResIds.h"
#include "platform/ResourceLibrary.h"
#include "platform/Skin.h"
#include "ui/PromptDlg.h"
#include "ui/SkinDraw.h"
#include "ui/UiMessages.h"

#include <QHeaderView>
#include <QPainter>
#include <QSignalBlocker>
#include <algorithm>

namespace {

constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;

constexpr COLORREF kListText = RGB(60, 60, 120);

void SetupButton(CSkinTextButton& button, int textId, int x, int y)
{
    SetupDialogTextButton(button, IDB_DIALOG_BUTTON, textId, x, y);
}

std::string Lower(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

} // namespace

CAddressBookDlg::CAddressBookDlg(QWidget* parent, IConnectDlgHost& host, BYTE alpha)
    : Dialog(parent), m_host(host), m_nAlpha(alpha), m_strPath(AddressBookPath(host.DataLocation())),
      m_list(this), m_btnOK(this), m_btnCancel(this), m_btnDelete(this), m_btnEdit(this), m_btnSave(this),
      m_btnImport(this), m_btnExport(this), m_editDescription(this)
{
    m_list.SetDlgCtrlID(IDC_LIST);
    m_btnOK.SetDlgCtrlID(kIdOk);
    m_btnCancel.SetDlgCtrlID(kIdCancel);
    m_btnDelete.SetDlgCtrlID(IDC_DELETE);
    m_btnEdit.SetDlgCtrlID(IDC_EDIT);
    m_btnSave.SetDlgCtrlID(IDC_SAVE);
    m_btnImport.SetDlgCtrlID(IDC_IMPORT);
    m_btnExport.SetDlgCtrlID(IDC_EXPORT);
    m_editDescription.SetDlgCtrlID(IDC_DESCRIPTION);
    SetSkinKeyRules(false);
    SetDragFromBackground(true);
    connect(&m_list, &QTreeWidget::itemSelectionChanged, this, [this] { CheckSelection(); });
    connect(&m_list, &QTreeWidget::currentItemChanged, this, [this] { CheckSelection(); });
}

CAddressBookDlg::~CAddressBookDlg()
{
    WriteConnectInfoFile();
}

bool CAddressBookDlg::OnInitDialog()
{
    m_bmpBack = ResourceLibrary::Current().LoadBitmap(IDB_BOOK_BACK);
    setFixedSize(kWidth, kHeight);
    CenterOverOwner(*this);

    m_list.setGeometry(10, 12, 414, 370);
    m_list.setSelectionMode(QAbstractItemView::SingleSelection);
    m_list.setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list.setHeaderHidden(true);
    m_list.setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    SetupButton(m_btnOK, IDS_DIALOG_OK, 228, 424);
    SetupButton(m_btnCancel, IDS_DIALOG_CANCEL, 327, 424);
    SetupButton(m_btnDelete, IDS_BOOK_DELETE, 13, 391);
    SetupButton(m_btnEdit, IDS_BOOK_EDIT, 113, 391);
    SetupButton(m_btnSave, IDS_BOOK_SAVE, 113, 391);
    SetupButton(m_btnImport, IDS_BOOK_IMPORT, 13, 424);
    SetupButton(m_btnExport, IDS_BOOK_EXPORT, 113, 424);
    m_btnSave.Show(false);
    m_editDescription.setGeometry(219, 393, 196, 22);
    m_editDescription.SetTextColor(kListText);
    m_editDescription.setMaxLength(static_cast<int>(kBookDescriptionField - 1));
    m_editDescription.SetWindowText(QString());
    m_editDescription.setEnabled(false);
    EnableRowButtons(false);

    LoadConnectInfo();
    FillList();
    SetTransparent(this, m_nAlpha, m_bmpBack);

    if (m_loadReport.Damaged() || m_loadReport.error == BookError::CannotRead)
        ShowLines({ResourceLibrary::Current().LoadResString(IDS_BOOK_DAMAGED),
                   ResourceLibrary::Current().LoadResString(IDS_BOOK_DAMAGED_KEPT)},
                  BookMessage::OkOnly);
    return true;
}

void CAddressBookDlg::LoadConnectInfo()
{
    m_loadReport = m_book.LoadConnectInfo(m_strPath);
}

int CAddressBookDlg::DescriptionColumn() const
{
    return m_host.SavePassword() ? 3 : 2;
}

void CAddressBookDlg::FillList()
{
    const QSignalBlocker block(&m_list);
    m_list.DeleteAllItems();
    const bool withId = m_host.SavePassword();
    if (m_list.columnCount() == 0) {
        const std::vector<int> widths =
            withId ? std::vector<int>{220, 50, 70, 250} : std::vector<int>{220, 50, 250};
        for (std::size_t i = 0; i < widths.size(); ++i)
            m_list.InsertColumn(static_cast<int>(i), QString(), widths[i]);
        m_list.SetStyle(static_cast<int>(widths.size()), kListText, true, 9, "Arial Bold");
    }
    // Every record gets its row, an empty address too, so that row i always
    // stands for record i.
    for (int i = 0; i < m_book.Count(); ++i) {
        const AddressBookRecord& r = m_book.At(i);
        const int row = m_list.InsertItem(i, FromBytes(r.address));
        m_list.SetItemText(row, 1, QString::number(r.port));
        if (withId)
            m_list.SetItemText(row, 2, FromBytes(r.id));
        m_list.SetItemText(row, DescriptionColumn(), FromBytes(r.description));
    }
}

void CAddressBookDlg::WriteConnectInfoFile()
{
    if (m_bWritten)
        return;
    m_bWritten = true;
    if (m_loadReport.error == BookError::CannotRead)
        return;
    m_book.WriteConnectInfoFile(m_strPath);
}

bool CAddressBookDlg::DestroyWindow()
{
    WriteConnectInfoFile();
    return Dialog::DestroyWindow();
}

void CAddressBookDlg::Close(int result)
{
    WriteConnectInfoFile();
    EndDialog(result);
}

LRESULT CAddressBookDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_CLOSE) {
        OnCancel();
        return 0;
    }
    if (msg == WM_COMMAND && CommandCode(wParam) == BN_CLICKED) {
        switch (CommandId(wParam)) {
        case kIdOk:
            OnOK();
            return 0;
        case kIdCancel:
            OnCancel();
            return 0;
        case IDC_DELETE:
            OnDelete();
            return 0;
        case IDC_EDIT:
            OnEdit();
            return 0;
        case IDC_SAVE:
            OnSave();
            return 0;
        case IDC_IMPORT:
            OnImport();
            return 0;
        case IDC_EXPORT:
            OnExport();
            return 0;
        default:
            break;
        }
    }
    return Dialog::WindowProc(msg, wParam, lParam);
}

void CAddressBookDlg::EnableRowButtons(bool enable)
{
    m_btnOK.Enable(enable);
    m_btnDelete.Enable(enable);
    m_btnEdit.Enable(enable);
}

void CAddressBookDlg::AbandonEdit()
{
    m_editDescription.SetWindowText(QString());
    m_editDescription.setEnabled(false);
    m_btnEdit.Show(true);
    m_btnSave.Show(false);
}

void CAddressBookDlg::CheckSelection()
{
    const int row = m_list.GetFocusedItem();
    const QTreeWidgetItem* item = row >= 0 ? m_list.topLevelItem(row) : nullptr;
    if (item && item->isSelected())
        OnItemChangedList(row);
}

void CAddressBookDlg::OnItemChangedList(int row)
{
    if (row < 0 || row >= m_book.Count())
        return;
    if (row != m_nSelected)
        AbandonEdit();
    m_nSelected = row;
    EnableRowButtons(true);
}

void CAddressBookDlg::OnDelete()
{
    if (m_nSelected < 0 || m_nSelected >= m_book.Count())
        return;
    AbandonEdit();
    const int row = m_nSelected;
    m_book.Delete(row);
    {
        // The list must not pick a row of its own meanwhile.
        const QSignalBlocker block(&m_list);
        delete m_list.takeTopLevelItem(row);
        m_list.clearSelection();
    }
    if (m_book.Count() > 0) {
        m_nSelected = std::min(row, m_book.Count() - 1);
        EnableRowButtons(true);
    } else {
        m_nSelected = -1;
        EnableRowButtons(false);
    }
}

void CAddressBookDlg::OnEdit()
{
    if (m_nSelected < 0 || m_nSelected >= m_book.Count())
        return;
    m_editDescription.SetWindowText(FromBytes(m_book.At(m_nSelected).description));
    m_editDescription.setEnabled(true);
    m_editDescription.setFocus();
    m_btnEdit.Show(false);
    m_btnSave.Show(true);
}

void CAddressBookDlg::OnSave()
{
    if (m_nSelected < 0 || m_nSelected >= m_book.Count())
        return;
    m_book.SetDescription(m_nSelected, ToBytes(m_editDescription.GetWindowText()));
    m_editDescription.setEnabled(false);
    m_btnEdit.Show(true);
    m_btnSave.Show(false);
    m_list.SetItemText(m_nSelected, DescriptionColumn(), FromBytes(m_book.At(m_nSelected).description));
    m_list.setFocus();
}

BookChoice CAddressBookDlg::Result() const
{
    return BookChoice{m_strAddress, m_strPort, m_strID, m_strPassword, m_strDescription};
}

void CAddressBookDlg::OnOK()
{
    // Enter without a chosen row would hand back an empty server.
    if (m_nSelected < 0 || m_nSelected >= m_book.Count())
        return;
    const AddressBookRecord& r = m_book.At(m_nSelected);
    m_strAddress = r.address;
    m_strPort = std::to_string(r.port);
    m_strID = r.id;
    m_strPassword.clear();
    m_strDescription = r.description;
    Close(kIdOk);
}

void CAddressBookDlg::OnCancel()
{
    Close(kIdCancel);
}

void CAddressBookDlg::ShowLines(std::initializer_list<QString> lines, int buttons, int* answer)
{
    const int result = m_host.RunMessageBox(this, MakeBookMessage(font(), lines, buttons));
    if (answer)
        *answer = result;
}

bool CAddressBookDlg::AskOverwriteAll()
{
    int answer = kBookMessageCancel;
    ShowLines({ResourceLibrary::Current().LoadResString(IDS_BOOK_OVERWRITE_ALL)}, BookMessage::OkCancel,
              &answer);
    return answer == kBookMessageOk;
}

bool CAddressBookDlg::AskOverwriteOne(const AddressBookRecord& imported)
{
    int answer = kBookMessageCancel;
    ShowLines({FromBytes(Lower(imported.address)), QString::number(imported.port),
               ResourceLibrary::Current().LoadResString(IDS_BOOK_OVERWRITE_ONE)},
              BookMessage::OkCancel, &answer);
    return answer == kBookMessageOk;
}

void CAddressBookDlg::OnImport()
{
    const std::string file = m_host.AskOpenFile(this, AddressBookFolder(m_host.DataLocation()));
    if (file.empty())
        return;
    const ImportReport report = m_book.Import(file, *this);
    if (report.format == ImportFormat::None)
        return;
    // The rows now stand for other records: nothing stays chosen.
    AbandonEdit();
    m_nSelected = -1;
    EnableRowButtons(false);
    FillList();
    if (report.leftOut > 0) {
        const ResourceLibrary& res = ResourceLibrary::Current();
        ShowLines(
            {QStringLiteral("%1 %2").arg(report.leftOut).arg(res.LoadResString(IDS_BOOK_LEFT_OUT)),
             QStringLiteral("%1 %2").arg(kAddressBookMaxRecords).arg(res.LoadResString(IDS_BOOK_LIMIT))},
            BookMessage::OkOnly);
    }
    if (report.error == BookError::Truncated) {
        ShowLines({ResourceLibrary::Current().LoadResString(IDS_BOOK_DAMAGED),
                   ResourceLibrary::Current().LoadResString(IDS_BOOK_DAMAGED_KEPT)},
                  BookMessage::OkOnly);
    }
}

void CAddressBookDlg::OnExport()
{
    const std::string file = m_host.AskSaveFile(this, AddressBookFolder(m_host.DataLocation()));
    if (file.empty())
        return;
    // A file that cannot be written is skipped, as the operator chose it.
    m_book.Export(file);
}

void CAddressBookDlg::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    DrawBitmap(p, m_bmpBack, 0, 0, kWidth, kHeight, false, 0);
}
