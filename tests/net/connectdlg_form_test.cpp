// The connect dialog's rules without its widgets: the registry entry, the
// default port, OK's checks, the book entry and the hand-over.
#include "addressbook_testdir.h"
#include "net/ConnectForm.h"
#include "platform/RegKey.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class ConnectFormTest : public testing::Test
{
protected:
    void SetUp() override { RegKey::SetStoreFileForTesting(dir.File("registry.conf")); }
    void TearDown() override { RegKey::SetStoreFileForTesting(std::string()); }

    std::string Value(const char* name, std::size_t size = 300)
    {
        RegKey key;
        EXPECT_TRUE(key.Open(kServerIpKey));
        std::string buffer(size, '\x7F');
        std::size_t got = size;
        if (!key.QueryValue(name, buffer.data(), got))
            return "<missing>";
        buffer.resize(got);
        return buffer;
    }

    BookTestDir dir;
};

struct Handed
{
    std::string address;
    int port = 0;
    std::string user;
    std::string password;
    std::string description;
    int calls = 0;
};

class FakeTarget : public IConnectTarget
{
public:
    Handed got;
    bool StartConnection(const std::string& address, int port, const std::string& user,
                         const std::string& password, const std::string& description) override
    {
        got = {address, port, user, password, description, got.calls + 1};
        return true;
    }
};

std::string Padded(const std::string& text, std::size_t size)
{
    std::string out = text;
    out.resize(size, '\0');
    return out;
}

} // namespace

TEST_F(ConnectFormTest, RegistryEntryRoundTripNeverKeepsThePassword)
{
    CConnectForm form;
    form.m_strAddress = "Recorder.example";
    form.m_nPort = 8000;
    form.m_strID = "admin";
    form.m_strPassword = "secret";
    form.m_strDescription = "Caf\xE9 entrance"; // a Latin-1 byte stays as it is
    form.SaveServerIP();

    EXPECT_EQ(Value("IP"), Padded("Recorder.example", 260));
    EXPECT_EQ(Value("ID"), Padded("admin", 16));
    EXPECT_EQ(Value("Password"), std::string(16, '\0'));
    EXPECT_EQ(Value("Description"), Padded("Caf\xE9 entrance", 260));
    RegKey key;
    ASSERT_TRUE(key.Open(kServerIpKey));
    std::uint32_t port = 0;
    ASSERT_TRUE(key.QueryDword("Port", port));
    EXPECT_EQ(port, 8000u);

    CConnectForm back;
    back.m_strPassword = "typed";
    back.LoadServerIP();
    EXPECT_EQ(back.m_strAddress, "Recorder.example");
    EXPECT_EQ(back.m_nPort, 8000);
    EXPECT_EQ(back.m_bDefaultPort, 0);
    EXPECT_EQ(back.m_strID, "admin");
    EXPECT_EQ(back.m_strDescription, "Caf\xE9 entrance");
    EXPECT_EQ(back.m_strPassword, "typed"); // "Password" is never read
}

TEST_F(ConnectFormTest, MissingValuesKeepTheDefaults)
{
    {
        // Only an address: no port means the default port.
        RegKey key;
        ASSERT_TRUE(key.Create(kServerIpKey));
        key.SetString("IP", Padded("10.0.0.1", 260));
        key.SetString("Description", std::string(261, 'x')); // larger than its buffer: unreadable
    }
    CConnectForm form;
    form.m_strDescription = "as constructed";
    form.LoadServerIP();
    EXPECT_EQ(form.m_strAddress, "10.0.0.1");
    EXPECT_EQ(form.m_bDefaultPort, 1);
    EXPECT_EQ(form.m_nPort, 2000);
    EXPECT_EQ(form.m_strID, "");
    EXPECT_EQ(form.m_strDescription, "as constructed");
}

TEST_F(ConnectFormTest, PortInForceOnOk)
{
    struct Case
    {
        BYTE defaultPort;
        const char* text;
        bool ok;
        int port;
    };
    const Case cases[] = {
        {1, "", true, 2000},       {1, "9999", true, 2000},    {0, "8000", true, 8000}, {0, "1", true, 1},
        {0, "65534", true, 65534}, {0, "65535", false, 65535}, {0, "0", false, 0},      {0, "", false, 0},
        {0, "abc", false, 0},      {0, "12ab", true, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        CConnectForm form;
        form.m_bDefaultPort = c.defaultPort;
        form.m_strPort = c.text;
        EXPECT_EQ(form.TakePort(), c.ok);
        EXPECT_EQ(form.m_nPort, c.port);
        if (!c.ok) {
            EXPECT_EQ(form.m_strPort, ""); // the field is emptied for a new try
        }
    }
}

TEST_F(ConnectFormTest, PortButtonsAndEditsEmptyTheDescriptionOnceReady)
{
    CConnectForm form;
    form.m_strDescription = "kept while setting up";
    form.OnAddressOrPortChanged();
    EXPECT_EQ(form.m_strDescription, "kept while setting up");

    form.m_bReady = 1;
    form.ChoosePort();
    EXPECT_EQ(form.m_bDefaultPort, 0);
    EXPECT_EQ(form.m_strPort, "");
    EXPECT_EQ(form.m_strDescription, "");

    form.m_strDescription = "again";
    form.UseDefaultPort();
    EXPECT_EQ(form.m_bDefaultPort, 1);
    EXPECT_EQ(form.m_strPort, "2000");
    EXPECT_EQ(form.m_strDescription, "");
}

TEST_F(ConnectFormTest, AServerFromTheBookConnectsToItsOwnPort)
{
    const BookChoice choice{"cam.example", "8123", "viewer", "", "Warehouse"};
    for (const bool savePassword : {true, false}) {
        SCOPED_TRACE(savePassword);
        CConnectForm form;
        form.m_bReady = 1;
        form.m_bDefaultPort = 1; // the default port was in force
        form.m_strPassword = "typed before";
        form.m_strID = "someone";
        form.TakeFromBook(choice, savePassword);
        ASSERT_TRUE(form.TakePort());
        EXPECT_EQ(form.m_nPort, 8123);
        EXPECT_EQ(form.m_bDefaultPort, 0);
        EXPECT_EQ(form.m_strPort, "8123");
        EXPECT_EQ(form.m_strAddress, "cam.example");
        EXPECT_EQ(form.m_strDescription, "Warehouse");
        EXPECT_EQ(form.m_strPassword, ""); // the book never has one
        EXPECT_EQ(form.m_strID, savePassword ? "viewer" : "");
    }
}

TEST_F(ConnectFormTest, OkRecordsTheServerWithoutItsPassword)
{
    CConnectForm form;
    form.m_strAddress = "192.168.001.010";
    form.m_nPort = 2000;
    form.m_strID = "user";
    form.m_strPassword = "pa55word";
    form.m_strDescription = "Front";
    EXPECT_EQ(form.SaveConnectInfo(dir.Path(), 1234), RecordResult::Added);
    form.m_strDescription = "Front door";
    EXPECT_EQ(form.SaveConnectInfo(dir.Path(), 1300), RecordResult::Updated);

    const std::vector<std::uint8_t> bytes = ReadAllBytes(dir.Path() + "/Log/ConnectInfoEx.log");
    ASSERT_EQ(bytes.size(), 8u + 560);
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(text.find("pa55word"), std::string::npos);
    CAddressBook book;
    book.LoadConnectInfo(AddressBookPath(dir.Path()));
    ASSERT_EQ(book.Count(), 1);
    EXPECT_EQ(book.At(0).description, "Front door");
    EXPECT_EQ(book.At(0).lastUse, 1300u);
}

TEST_F(ConnectFormTest, HostNamesResolveAndDottedAddressesStayAsTyped)
{
    std::vector<std::string> asked;
    const HostResolver resolver = [&](const std::string& name, std::string& dotted) {
        asked.push_back(name);
        if (name != "cam.example")
            return false;
        dotted = "10.2.3.4";
        return true;
    };
    struct Case
    {
        const char* typed;
        const char* result;
        bool lookedUp;
    };
    const Case cases[] = {
        {"cam.example", "10.2.3.4", true},
        {"unknown.example", "unknown.example", true},
        {"192.168.001.010", "192.168.001.010", false},
        {"", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        asked.clear();
        CConnectForm form;
        form.m_strAddress = c.typed;
        form.ResolveAddress(resolver);
        EXPECT_EQ(form.m_strAddress, c.result);
        EXPECT_EQ(asked.size(), c.lookedUp ? 1u : 0u);
    }
}

TEST_F(ConnectFormTest, HandOverGivesTheConfirmedValuesToTheTarget)
{
    CConnectForm form;
    form.m_strAddress = "cam.example";
    form.m_bDefaultPort = 0;
    form.m_strPort = "7000";
    form.m_strID = std::string(20, 'u');
    form.m_strPassword = "pw";
    form.m_strDescription = "Dock";
    ASSERT_TRUE(form.TakePort());
    form.LimitTexts();
    form.ResolveAddress([](const std::string&, std::string& dotted) {
        dotted = "172.16.0.9";
        return true;
    });
    FakeTarget target;
    EXPECT_TRUE(form.HandOver(target));
    EXPECT_EQ(target.got.calls, 1);
    EXPECT_EQ(target.got.address, "172.16.0.9");
    EXPECT_EQ(target.got.port, 7000);
    EXPECT_EQ(target.got.user, std::string(15, 'u'));
    EXPECT_EQ(target.got.password, "pw");
    EXPECT_EQ(target.got.description, "Dock");
}
