// The connect dialog and the address book as windows: set-up from the
// registry, the port buttons, a server taken from the book, the full-book
// message, and the book's list, deletion and import. They need a widget
// application (QApplication).
#include "addressbook_testdir.h"
#include "net/AddressBookDlg.h"
#include "net/ConnectDlg.h"
#include "platform/RegKey.h"
#include "ui/UiMessages.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <deque>

namespace {

class FakeDlgHost : public IConnectDlgHost
{
public:
    std::string location;
    bool savePassword = true;
    std::vector<BookMessage> boxes;
    std::deque<int> answers; // kBookMessageOk when empty
    std::string openFile;
    std::string saveFile;

    bool SavePassword() const override { return savePassword; }
    std::string DataLocation() const override { return location; }
    int RunMessageBox(QWidget*, const BookMessage& message) override
    {
        boxes.push_back(message);
        if (answers.empty())
            return kBookMessageOk;
        const int a = answers.front();
        answers.pop_front();
        return a;
    }
    std::uint32_t Now() const override { return 777; }
    std::string AskOpenFile(QWidget*, const std::string&) override { return openFile; }
    std::string AskSaveFile(QWidget*, const std::string&) override { return saveFile; }
};

// A connect dialog whose address book answers at once.
class TestConnectDlg : public CConnectDlg
{
public:
    using CConnectDlg::CConnectDlg;
    BookChoice choice;
    int RunAddressBook(BookChoice& out) override
    {
        out = choice;
        return 1;
    }
};

class FakeTarget : public IConnectTarget
{
public:
    int port = 0;
    std::string address;
    bool StartConnection(const std::string& a, int p, const std::string&, const std::string&,
                         const std::string&) override
    {
        address = a;
        port = p;
        return true;
    }
};

AddressBookRecord Rec(const std::string& address, std::uint32_t port, std::uint32_t lastUse,
                      const std::string& description = std::string())
{
    AddressBookRecord r;
    r.address = address;
    r.port = port;
    r.description = description;
    r.lastUse = lastUse;
    return r;
}

class ConnectDlgWidgetTest : public testing::Test
{
protected:
    void SetUp() override
    {
        if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
            GTEST_SKIP() << "the dialogs need QApplication in this test program's main";
        RegKey::SetStoreFileForTesting(dir.File("registry.conf"));
        host.location = dir.Path();
    }
    void TearDown() override { RegKey::SetStoreFileForTesting(std::string()); }

    void Click(Wnd& dlg, int id)
    {
        SendMessage(dlg.Handle(), WM_COMMAND, MakeCommandWParam(id, BN_CLICKED), 0);
    }
    void SelectRow(CAddressBookDlg& book, int row)
    {
        book.m_list.setCurrentItem(book.m_list.topLevelItem(row));
        book.m_list.topLevelItem(row)->setSelected(true);
    }

    BookTestDir dir;
    FakeDlgHost host;
};

} // namespace

TEST_F(ConnectDlgWidgetTest, SetUpShowsTheRememberedServer)
{
    {
        RegKey key;
        ASSERT_TRUE(key.Create(kServerIpKey));
        key.SetString("IP", "cam.example");
        key.SetString("ID", "viewer");
        key.SetString("Description", "Dock");
    }
    for (const bool save : {true, false}) {
        SCOPED_TRACE(save);
        host.savePassword = save;
        CConnectDlg dlg(nullptr, host, 200);
        ASSERT_TRUE(dlg.Create());
        EXPECT_EQ(dlg.m_editAddress.GetWindowText(), "cam.example");
        EXPECT_EQ(dlg.m_editID.GetWindowText(), save ? "viewer" : "");
        EXPECT_EQ(dlg.m_editDescription.GetWindowText(), "Dock");
        // No port stored: the default port, its field empty and off.
        EXPECT_EQ(dlg.m_bDefaultPort, 1);
        EXPECT_TRUE(dlg.m_btnModify.isVisibleTo(&dlg));
        EXPECT_FALSE(dlg.m_btnDefault.isVisibleTo(&dlg));
        EXPECT_FALSE(dlg.m_editPort.isEnabled());
        EXPECT_EQ(dlg.m_editPort.GetWindowText(), "");
        EXPECT_EQ(dlg.m_editPassword.echoMode(), QLineEdit::Password);
    }
}

TEST_F(ConnectDlgWidgetTest, PortButtonsAndABadPort)
{
    CConnectDlg dlg(nullptr, host, 255, [](const std::string&, std::string&) { return false; });
    ASSERT_TRUE(dlg.Create());
    dlg.m_editAddress.SetWindowText("10.0.0.5");
    dlg.m_editDescription.SetWindowText("Hall");
    Click(dlg, CConnectDlg::IDC_MODIFY);
    EXPECT_TRUE(dlg.m_editPort.isEnabled());
    EXPECT_EQ(dlg.m_editDescription.GetWindowText(), ""); // the port changed
    dlg.m_editPort.SetWindowText("70000");
    Click(dlg, 1);
    // Refused: the field is emptied and nothing is stored.
    EXPECT_EQ(dlg.m_editPort.GetWindowText(), "");
    std::uint32_t stored = 0;
    RegKey key;
    EXPECT_FALSE(key.Open(kServerIpKey) && key.QueryDword("Port", stored));

    Click(dlg, CConnectDlg::IDC_DEFAULT);
    EXPECT_EQ(dlg.m_editPort.GetWindowText(), "2000");
    EXPECT_FALSE(dlg.m_editPort.isEnabled());
    Click(dlg, 1);
    EXPECT_EQ(dlg.m_nPort, 2000);
    EXPECT_EQ(dlg.m_lastRecord, RecordResult::Added);
}

TEST_F(ConnectDlgWidgetTest, AServerTakenFromTheBookKeepsItsPort)
{
    TestConnectDlg dlg(nullptr, host, 255, [](const std::string&, std::string&) { return false; });
    ASSERT_TRUE(dlg.Create());
    dlg.m_editPassword.SetWindowText("typed");
    dlg.choice = BookChoice{"cam.example", "8123", "viewer", "", "Warehouse"};
    Click(dlg, CConnectDlg::IDC_ADDRESS_BOOK);
    EXPECT_EQ(dlg.m_editAddress.GetWindowText(), "cam.example");
    EXPECT_EQ(dlg.m_editPort.GetWindowText(), "8123");
    EXPECT_TRUE(dlg.m_editPort.isEnabled());
    EXPECT_EQ(dlg.m_editPassword.GetWindowText(), "");
    EXPECT_EQ(dlg.m_editDescription.GetWindowText(), "Warehouse");
    Click(dlg, 1);
    FakeTarget target;
    ASSERT_TRUE(dlg.HandOver(target));
    EXPECT_EQ(target.port, 8123);
    EXPECT_EQ(target.address, "cam.example");
}

TEST_F(ConnectDlgWidgetTest, AFullBookSaysSoAndTheConnectionGoesAhead)
{
    std::vector<AddressBookRecord> full;
    for (int i = 0; i < 2000; ++i)
        full.push_back(Rec("h" + std::to_string(i), 2000, 1));
    WriteAllBytes(AddressBookPath(dir.Path()), EncodeBook(full));
    CConnectDlg dlg(nullptr, host, 255, [](const std::string&, std::string&) { return false; });
    ASSERT_TRUE(dlg.Create());
    dlg.m_editAddress.SetWindowText("new.example");
    Click(dlg, 1);
    EXPECT_EQ(dlg.m_lastRecord, RecordResult::Full);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].lineCount, 2);
    EXPECT_EQ(host.boxes[0].text[0], "Connection lists are Full...");
    EXPECT_EQ(host.boxes[0].text[1], "Your data goes unrecorded.");
    EXPECT_EQ(host.boxes[0].buttons, BookMessage::OkOnly);
    EXPECT_GT(host.boxes[0].width[0], 0);
    // The registry is written all the same.
    RegKey key;
    std::uint32_t port = 0;
    ASSERT_TRUE(key.Open(kServerIpKey));
    EXPECT_TRUE(key.QueryDword("Port", port));
}

TEST_F(ConnectDlgWidgetTest, BookRowsStandForRecordsAndDeletionsAreKept)
{
    const std::string path = AddressBookPath(dir.Path());
    WriteAllBytes(path, EncodeBook({Rec("a.example", 2000, 30, "A"), Rec("", 2001, 20, "no address"),
                                    Rec("c.example", 2002, 10, "C")}));
    host.savePassword = false;
    {
        CAddressBookDlg book(nullptr, host, 255);
        ASSERT_TRUE(book.Create());
        ASSERT_EQ(book.m_list.GetItemCount(), 3);
        EXPECT_EQ(book.m_list.columnCount(), 3);
        EXPECT_EQ(book.m_list.GetItemText(1, 0), "");
        EXPECT_EQ(book.m_list.GetItemText(1, 2), "no address");
        EXPECT_FALSE(book.m_btnOK.m_bEnabled);

        SelectRow(book, 2);
        EXPECT_EQ(book.m_nSelected, 2);
        EXPECT_TRUE(book.m_btnDelete.m_bEnabled);
        Click(book, CAddressBookDlg::IDC_DELETE);
        // The last row went: the new last row is chosen.
        EXPECT_EQ(book.m_nSelected, 1);
        EXPECT_EQ(book.m_list.GetItemCount(), 2);

        Click(book, CAddressBookDlg::IDC_EDIT);
        EXPECT_TRUE(book.m_editDescription.isEnabled());
        book.m_editDescription.SetWindowText("Gate");
        Click(book, CAddressBookDlg::IDC_SAVE);
        EXPECT_EQ(book.m_list.GetItemText(1, 2), "Gate");

        Click(book, 1);
        EXPECT_EQ(book.Result().address, "");
        EXPECT_EQ(book.Result().port, "2001");
        EXPECT_EQ(book.Result().description, "Gate");
        EXPECT_EQ(book.Result().password, "");
    }
    CAddressBook after;
    after.LoadConnectInfo(path);
    ASSERT_EQ(after.Count(), 2);
    EXPECT_EQ(after.At(1).description, "Gate");

    {
        // Cancel keeps deletions too.
        CAddressBookDlg book(nullptr, host, 255);
        ASSERT_TRUE(book.Create());
        SelectRow(book, 0);
        Click(book, CAddressBookDlg::IDC_DELETE);
        Click(book, 2);
    }
    after.LoadConnectInfo(path);
    ASSERT_EQ(after.Count(), 1);
    EXPECT_EQ(after.At(0).port, 2001u);
}

TEST_F(ConnectDlgWidgetTest, ImportTellsHowManyServersWereLeftOut)
{
    std::vector<AddressBookRecord> mine;
    for (int i = 0; i < 1999; ++i)
        mine.push_back(Rec("m" + std::to_string(i), 2000, 1));
    WriteAllBytes(AddressBookPath(dir.Path()), EncodeBook(mine));
    WriteAllBytes(dir.File("other.log"), EncodeBook({Rec("x", 1, 5), Rec("y", 1, 6), Rec("z", 1, 7)}));
    host.openFile = dir.File("other.log");
    CAddressBookDlg book(nullptr, host, 255);
    ASSERT_TRUE(book.Create());
    Click(book, CAddressBookDlg::IDC_IMPORT);
    EXPECT_EQ(book.m_list.GetItemCount(), 2000);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_TRUE(host.boxes[0].text[0].startsWith("2 ")) << host.boxes[0].text[0].toStdString();
    EXPECT_TRUE(host.boxes[0].text[1].startsWith("2000 ")) << host.boxes[0].text[1].toStdString();
}

TEST_F(ConnectDlgWidgetTest, ADamagedBookIsReportedWhenItOpens)
{
    auto bytes = EncodeBook({Rec("a", 1, 1)});
    bytes.resize(bytes.size() + 9);
    WriteAllBytes(AddressBookPath(dir.Path()), bytes);
    CAddressBookDlg book(nullptr, host, 255);
    ASSERT_TRUE(book.Create());
    EXPECT_EQ(book.m_list.GetItemCount(), 1);
    EXPECT_EQ(host.boxes.size(), 1u);
}
