// The Connect button and the start-up against the simulator: the connect
// dialog's form confirmed and handed to the real main window, which builds
// the connection with the confirmed values; the book then offers the server
// again; Connect while connected disconnects.
#include "MainWindowSim.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace mainsim;

std::string HelloText(const k5sim::Message& hello, std::size_t offset)
{
    if (hello.payload.size() < offset + 16)
        return std::string();
    const char* p = reinterpret_cast<const char*>(hello.payload.data() + offset);
    return std::string(p, strnlen(p, 16));
}

TEST(ConnectDialogSim, StartUpConnectsThroughTheDialogAndTheBookOffersTheServerAgain)
{
    Scratch scratch;
    k5sim::RecorderSim sim;
    ASSERT_TRUE(sim.Start());
    auto dialog = std::make_shared<FakeConnectDialog>();
    // A host name typed: the book keeps it, the connection gets its address.
    dialog->script = TypeServer("recorder.lan", sim.Port(), "Admin", "Secret", "Front gate");
    dialog->resolve = [](const std::string& name, std::string& dotted) {
        if (name != "recorder.lan")
            return false;
        dotted = "127.0.0.1";
        return true;
    };

    MainWindow dlg(dialog);
    // No command line: start-up runs the Connect button's action.
    ASSERT_TRUE(dlg.Create());
    EXPECT_EQ(dialog->runs, 1);
    ASSERT_TRUE(dlg.IsConnected());
    EXPECT_EQ(dlg.m_pNetClient->Address(), "127.0.0.1");
    EXPECT_EQ(dlg.m_pNetClient->Port(), sim.Port());
    EXPECT_EQ(dlg.m_pNetClient->UserId(), "Admin");
    EXPECT_EQ(dlg.m_pNetClient->Description(), "Front gate");
    EXPECT_EQ(dlg.LastConnectRequest().description, "Front gate");

    ASSERT_TRUE(sim.WaitForCount(k5sim::id::HELLO, 1));
    const k5sim::Message hello = sim.ReceivedOf(k5sim::id::HELLO).at(0);
    EXPECT_EQ(HelloText(hello, 0), "admin");
    EXPECT_EQ(HelloText(hello, 16), "secret");
    ASSERT_TRUE(RunUntil([&] { return dlg.m_pNetClient && dlg.m_pNetClient->m_bLogin; }));

    // The book holds the server as typed, without its password.
    EXPECT_EQ(dialog->lastRecord, RecordResult::Added);
    CAddressBook book;
    book.LoadConnectInfo(AddressBookPath(dlg.DataLocation()));
    ASSERT_EQ(book.Count(), 1);
    EXPECT_EQ(book.At(0).address, "recorder.lan");
    EXPECT_EQ(book.At(0).port, sim.Port());
    EXPECT_EQ(book.At(0).description, "Front gate");

    // Connect while connected disconnects, without the dialog.
    dlg.OnConnect();
    EXPECT_FALSE(dlg.IsConnected());
    EXPECT_EQ(dialog->runs, 1);
    ASSERT_TRUE(sim.WaitForCount(k5sim::id::BYE48, 1));

    // Connect again: the server is taken from the book (the book dialog's
    // OK), the password typed, and the dialog confirmed.
    dialog->script = [](CConnectForm& form, IConnectDlgHost& host) {
        CAddressBook saved;
        saved.LoadConnectInfo(AddressBookPath(host.DataLocation()));
        if (saved.Count() == 0)
            return false;
        const AddressBookRecord& r = saved.At(0);
        form.TakeFromBook({r.address, std::to_string(r.port), r.id, std::string(), r.description},
                          host.SavePassword());
        form.m_strPassword = "Secret";
        return true;
    };
    dlg.m_arrOpacity[0] = 201;
    dlg.OnConnect();
    EXPECT_EQ(dialog->runs, 2);
    EXPECT_EQ(dialog->alpha, 201) << "the small dialogs' opacity";
    ASSERT_TRUE(dlg.IsConnected());
    EXPECT_EQ(dlg.m_pNetClient->Address(), "127.0.0.1");
    EXPECT_EQ(dlg.m_pNetClient->Port(), sim.Port());
    EXPECT_EQ(dlg.m_pNetClient->Description(), "Front gate");
    ASSERT_TRUE(sim.WaitForCount(k5sim::id::HELLO, 2));
    EXPECT_EQ(HelloText(sim.ReceivedOf(k5sim::id::HELLO).at(1), 0), "admin");
    EXPECT_EQ(dialog->lastRecord, RecordResult::Updated) << "the same server is rewritten in place";

    dlg.Close();
}

} // namespace
