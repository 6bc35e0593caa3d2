// The address book dialog: the servers of the book newest first, one list
// row per record (row i is record i, also for a record without an address).
// The operator picks one (OK), deletes one, edits a description, imports
// another book or exports this one. Whenever the dialog closes, OK or Cancel,
// the book is written back, newest first.
#pragma once

#include "net/AddressBook.h"
#include "net/ConnectDlg.h"
#include "platform/Wnd.h"
#include "ui/SkinButton.h"
#include "ui/SkinEdit.h"
#include "ui/SkinListCtrl.h"

#include <QImage>

class CAddressBookDlg : public Dialog, private IImportPrompt
{
    Q_OBJECT
public:
    static constexpr int kWidth = 433;
    static constexpr int kHeight = 457;

    static constexpr int IDC_LIST = 914;
    static constexpr int IDC_DELETE = 480;
    static constexpr int IDC_EDIT = 481;
    static constexpr int IDC_SAVE = 482;
    static constexpr int IDC_IMPORT = 483;
    static constexpr int IDC_EXPORT = 484;
    static constexpr int IDC_DESCRIPTION = 530;

    CAddressBookDlg(QWidget* parent, IConnectDlgHost& host, BYTE alpha);
    ~CAddressBookDlg() override;

    bool OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // Writes the book back (once) and closes.
    bool DestroyWindow() override;

    void LoadConnectInfo();
    void SortByLastUse() { m_book.SortByLastUse(); }
    void FillList();
    // Rewrites the book file from the table. A book file that exists but
    // could not be read is left alone, so that nothing in it is lost.
    void WriteConnectInfoFile();

    void OnOK();
    void OnCancel();
    void OnDelete();
    void OnEdit();
    void OnSave();
    void OnImport();
    void OnExport();
    // A row became selected and focused.
    void OnItemChangedList(int row);

    // The chosen server after OK (empty before).
    BookChoice Result() const;

    IConnectDlgHost& m_host;
    BYTE m_nAlpha;
    std::string m_strPath; // the book file
    CAddressBook m_book;
    BookReadReport m_loadReport;
    int m_nSelected = -1;

    // Results of OK.
    std::string m_strAddress;
    std::string m_strPort;
    std::string m_strID;
    std::string m_strPassword;
    std::string m_strDescription;

    CSkinListCtrl m_list;
    CSkinTextButton m_btnOK;
    CSkinTextButton m_btnCancel;
    CSkinTextButton m_btnDelete;
    CSkinTextButton m_btnEdit;
    CSkinTextButton m_btnSave;
    CSkinTextButton m_btnImport;
    CSkinTextButton m_btnExport;
    CColorEdit m_editDescription;
    QImage m_bmpBack;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    bool AskOverwriteAll() override;
    bool AskOverwriteOne(const AddressBookRecord& imported) override;
    void AbandonEdit();
    void EnableRowButtons(bool enable);
    void CheckSelection();
    int DescriptionColumn() const;
    void ShowLines(std::initializer_list<QString> lines, int buttons, int* answer = nullptr);
    void Close(int result);

    bool m_bWritten = false;
};
