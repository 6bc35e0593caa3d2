// The address book file: byte layout, reading back, the newest-first sort,
// recording confirmed servers, legacy import, export, and damaged files.
#include "addressbook_testdir.h"
#include "net/AddressBook.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace {

AddressBookRecord Rec(const std::string& address, std::uint32_t port, std::uint32_t lastUse,
                      const std::string& description = std::string(), const std::string& id = std::string())
{
    AddressBookRecord r;
    r.address = address;
    r.port = port;
    r.id = id;
    r.description = description;
    r.lastUse = lastUse;
    return r;
}

std::uint32_t LE32(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return std::uint32_t(b[at]) | (std::uint32_t(b[at + 1]) << 8) | (std::uint32_t(b[at + 2]) << 16) |
           (std::uint32_t(b[at + 3]) << 24);
}

void PutLE32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A legacy 532-byte record, written here byte by byte from its layout.
std::vector<std::uint8_t> OldRecord(const std::string& address, std::uint32_t port, std::uint32_t lastUse,
                                    const std::string& description)
{
    std::vector<std::uint8_t> r(532, 0);
    std::memcpy(r.data(), address.data(), address.size());
    PutLE32(r, 260, port);
    PutLE32(r, 264, lastUse);
    PutLE32(r, 268, 0xDEADBEEF); // never read
    std::memcpy(r.data() + 272, description.data(), description.size());
    return r;
}

std::vector<std::uint8_t> BookBytes(const std::vector<AddressBookRecord>& records)
{
    return EncodeBook(records);
}

class ScriptedPrompt : public IImportPrompt
{
public:
    bool all = false;
    bool one = false;
    int askedAll = 0;
    std::vector<std::string> askedOne;
    bool AskOverwriteAll() override
    {
        ++askedAll;
        return all;
    }
    bool AskOverwriteOne(const AddressBookRecord& r) override
    {
        askedOne.push_back(r.address);
        return one;
    }
};

} // namespace

TEST(AddressBookFile, WritesHeaderAndRecordsAtTheirOffsetsAndReadsThemBack)
{
    BookTestDir dir;
    const std::string path = AddressBookPath(dir.Path());
    EXPECT_EQ(path, dir.Path() + "/Log/ConnectInfoEx.log");

    CAddressBook book;
    book.SetRecords(
        {Rec("recorder.example", 2000, 300, "Lobby", "admin"), Rec("10.0.0.7", 8000, 500, "Yard", "op")});
    ASSERT_TRUE(book.WriteConnectInfoFile(path));

    const std::vector<std::uint8_t> bytes = ReadAllBytes(path);
    ASSERT_EQ(bytes.size(), 8u + 2 * 560);
    EXPECT_EQ(LE32(bytes, 0), 0x2008u);
    EXPECT_EQ(LE32(bytes, 4), 1u);
    const std::size_t r0 = 8;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[r0])), "recorder.example");
    EXPECT_EQ(LE32(bytes, r0 + 260), 2000u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[r0 + 264])), "admin");
    for (std::size_t i = 280; i < 296; ++i)
        EXPECT_EQ(bytes[r0 + i], 0) << "reserved byte " << i;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[r0 + 296])), "Lobby");
    EXPECT_EQ(LE32(bytes, r0 + 556), 300u);
    // Zero-filled after each text.
    EXPECT_EQ(bytes[r0 + 259], 0);
    EXPECT_EQ(bytes[r0 + 555], 0);

    CAddressBook back;
    const BookReadReport report = back.LoadConnectInfo(path);
    EXPECT_EQ(report.error, BookError::None);
    ASSERT_EQ(back.Count(), 2);
    // Newest first after reading.
    EXPECT_EQ(back.At(0), Rec("10.0.0.7", 8000, 500, "Yard", "op"));
    EXPECT_EQ(back.At(1), Rec("recorder.example", 2000, 300, "Lobby", "admin"));
}

TEST(AddressBookFile, SortIsTheExchangeSortNewestFirst)
{
    // Equal last uses come out as the exchange procedure leaves them, which
    // is not the order a stable sort keeps.
    struct Case
    {
        std::vector<std::uint32_t> lastUse;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {{1, 2, 1, 3}, {"3", "1", "2", "0"}},
        {{1, 3, 2, 3}, {"1", "3", "2", "0"}},
        {{5, 4, 3}, {"0", "1", "2"}},
        {{}, {}},
    };
    for (const Case& c : cases) {
        std::vector<AddressBookRecord> records;
        for (std::size_t i = 0; i < c.lastUse.size(); ++i)
            records.push_back(Rec(std::to_string(i), 1, c.lastUse[i]));
        CAddressBook book;
        book.SetRecords(records);
        book.SortByLastUse();
        std::vector<std::string> order;
        for (const AddressBookRecord& r : book.Records())
            order.push_back(r.address);
        EXPECT_EQ(order, c.expected);
    }
}

TEST(AddressBookFile, FieldsWithoutTerminatorAreCutToTheirFields)
{
    BookTestDir dir;
    std::vector<std::uint8_t> bytes = BookBytes({Rec("x", 2000, 1)});
    std::memset(&bytes[8], 'A', 260);       // address without NUL
    std::memset(&bytes[8 + 264], 'I', 16);  // ID without NUL
    std::memset(&bytes[8 + 296], 'D', 260); // description without NUL
    const std::string path = AddressBookPath(dir.Path());
    WriteAllBytes(path, bytes);

    CAddressBook book;
    book.LoadConnectInfo(path);
    ASSERT_EQ(book.Count(), 1);
    EXPECT_EQ(book.At(0).address, std::string(259, 'A'));
    EXPECT_EQ(book.At(0).port, 2000u); // not swallowed by the address
    EXPECT_EQ(book.At(0).id, std::string(15, 'I'));
    EXPECT_EQ(book.At(0).description, std::string(259, 'D'));
    EXPECT_EQ(book.At(0).lastUse, 1u);
}

TEST(AddressBookFile, PortZeroIsSkippedAndAnEmptyAddressKeepsItsRow)
{
    BookTestDir dir;
    const std::string path = AddressBookPath(dir.Path());
    WriteAllBytes(path, BookBytes({Rec("a", 0, 9), Rec("", 2000, 5, "no address"), Rec("b", 2001, 1)}));
    CAddressBook book;
    const BookReadReport report = book.LoadConnectInfo(path);
    EXPECT_EQ(report.skipped, 1);
    ASSERT_EQ(book.Count(), 2);
    EXPECT_EQ(book.At(0).description, "no address");
    EXPECT_EQ(book.At(1).address, "b");
}

TEST(AddressBookFile, DamagedFilesReportAndKeepEveryWholeRecord)
{
    const std::vector<AddressBookRecord> three = {Rec("one", 1, 3), Rec("two", 2, 2), Rec("three", 3, 1)};
    struct Case
    {
        const char* name;
        std::function<std::vector<std::uint8_t>()> bytes;
        BookError error;
        int records;
        std::size_t stray;
    };
    const Case cases[] = {
        {"cut-off last record",
         [&] {
             auto b = BookBytes(three);
             b.resize(b.size() + 100, 0x55);
             return b;
         },
         BookError::Truncated, 3, 100},
        {"bad magic",
         [&] {
             auto b = BookBytes(three);
             PutLE32(b, 0, 0x1234);
             return b;
         },
         BookError::BadHeader, 3, 0},
        {"shorter than a header",
         [] {
             return std::vector<std::uint8_t>{0x08, 0x20, 0};
         },
         BookError::BadHeader, 0, 0},
        {"empty file", [] { return std::vector<std::uint8_t>{}; }, BookError::BadHeader, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BookTestDir dir;
        const std::string path = AddressBookPath(dir.Path());
        WriteAllBytes(path, c.bytes());
        CAddressBook book;
        const BookReadReport report = book.LoadConnectInfo(path);
        EXPECT_EQ(report.error, c.error);
        EXPECT_TRUE(report.Damaged());
        EXPECT_EQ(report.records, c.records);
        EXPECT_EQ(report.strayBytes, c.stray);
        // Writing the book back repairs it and keeps every server it read.
        ASSERT_TRUE(book.WriteConnectInfoFile(path));
        CAddressBook again;
        EXPECT_EQ(again.LoadConnectInfo(path).error, BookError::None);
        EXPECT_EQ(again.Records(), book.Records());
        EXPECT_EQ(again.Count(), c.records);
    }

    BookTestDir dir;
    CAddressBook none;
    EXPECT_EQ(none.LoadConnectInfo(AddressBookPath(dir.Path())).error, BookError::NotFound);
    EXPECT_EQ(none.Count(), 0);
}

TEST(AddressBookFile, ReadingStopsAt2000Records)
{
    BookTestDir dir;
    std::vector<AddressBookRecord> many;
    for (int i = 0; i < 2003; ++i)
        many.push_back(Rec("h" + std::to_string(i), 2000, static_cast<std::uint32_t>(i)));
    const std::string path = AddressBookPath(dir.Path());
    WriteAllBytes(path, EncodeBook(many));
    CAddressBook book;
    const BookReadReport report = book.LoadConnectInfo(path);
    EXPECT_EQ(book.Count(), 2000);
    EXPECT_EQ(report.leftOut, 3);
    EXPECT_EQ(book.At(0).address, "h1999");
}

TEST(AddressBookFile, RecordingFindsTheSameServerAndAppendsNewOnes)
{
    BookTestDir dir;
    const std::string path = AddressBookPath(dir.Path());
    // A missing file (and folder) is created with its header.
    EXPECT_EQ(RecordServer(path, Rec("192.168.1.10", 2000, 0, "old", "u1"), 100), RecordResult::Added);
    EXPECT_EQ(RecordServer(path, Rec("Recorder.Example", 2000, 0, "host"), 110), RecordResult::Added);
    // The same server typed differently: updated in place with the new ID,
    // description and last use.
    EXPECT_EQ(RecordServer(path, Rec("192.168.001.010", 2000, 0, "new", "u2"), 200), RecordResult::Updated);
    EXPECT_EQ(RecordServer(path, Rec("recorder.EXAMPLE", 2000, 0, "host 2"), 210), RecordResult::Updated);
    // Another port is another server.
    EXPECT_EQ(RecordServer(path, Rec("192.168.1.10", 2001, 0), 300), RecordResult::Added);

    const std::vector<std::uint8_t> bytes = ReadAllBytes(path);
    ASSERT_EQ(bytes.size(), 8u + 3 * 560);
    EXPECT_EQ(LE32(bytes, 0), 0x2008u);
    CAddressBook book;
    book.LoadConnectInfo(path);
    ASSERT_EQ(book.Count(), 3);
    EXPECT_EQ(book.At(0), Rec("192.168.1.10", 2001, 300));
    EXPECT_EQ(book.At(1), Rec("recorder.EXAMPLE", 2000, 210, "host 2"));
    EXPECT_EQ(book.At(2), Rec("192.168.001.010", 2000, 200, "new", "u2"));
}

TEST(AddressBookFile, RecordingIntoAFullBookOnlyUpdates)
{
    BookTestDir dir;
    const std::string path = AddressBookPath(dir.Path());
    std::vector<AddressBookRecord> full;
    for (int i = 0; i < 2000; ++i)
        full.push_back(Rec("10.0." + std::to_string(i / 256) + "." + std::to_string(i % 256), 2000, 1));
    WriteAllBytes(path, EncodeBook(full));
    EXPECT_EQ(RecordServer(path, Rec("10.0.7.207", 2000, 0, "known"), 50), RecordResult::Updated);
    EXPECT_EQ(RecordServer(path, Rec("10.9.9.9", 2000, 0), 60), RecordResult::Full);
    EXPECT_EQ(ReadAllBytes(path).size(), 8u + 2000 * 560);
}

TEST(AddressBookFile, RecordingIntoACutOffBookKeepsRecordsOnTheirSteps)
{
    BookTestDir dir;
    const std::string path = AddressBookPath(dir.Path());
    auto bytes = BookBytes({Rec("one", 1, 1), Rec("two", 2, 2)});
    bytes.resize(bytes.size() + 37, 0x7F);
    PutLE32(bytes, 0, 0); // and a damaged header
    WriteAllBytes(path, bytes);
    EXPECT_EQ(RecordServer(path, Rec("three", 3, 0), 3), RecordResult::Added);
    EXPECT_EQ(ReadAllBytes(path).size(), 8u + 3 * 560);
    CAddressBook book;
    EXPECT_EQ(book.LoadConnectInfo(path).error, BookError::None);
    ASSERT_EQ(book.Count(), 3);
    EXPECT_EQ(book.At(0).address, "three");
    EXPECT_EQ(book.At(2).address, "one");
}

TEST(AddressBookFile, ImportsTheLegacyBookByItsName)
{
    BookTestDir dir;
    std::vector<std::uint8_t> legacy = {0x64, 0, 0, 0, 0, 0, 0, 0}; // first u32 is not 0x2008
    for (const auto& r : {OldRecord("old.example", 2000, 70, "Gate"), OldRecord("skipped", 0, 80, "x"),
                          OldRecord("10.1.1.1", 3000, 90, "Shop")})
        legacy.insert(legacy.end(), r.begin(), r.end());
    legacy.resize(legacy.size() + 10); // a cut-off tail
    WriteAllBytes(dir.File("ConnectInfo100.log"), legacy);
    WriteAllBytes(dir.File("other.log"), legacy);

    CAddressBook book;
    book.SetRecords({Rec("mine", 2000, 100, "", "me")});
    ScriptedPrompt prompt;

    const ImportReport wrongName = book.Import(dir.File("other.log"), prompt);
    EXPECT_EQ(wrongName.format, ImportFormat::None);
    EXPECT_EQ(book.Count(), 1);

    const ImportReport report = book.Import(dir.File("ConnectInfo100.log"), prompt);
    EXPECT_EQ(report.format, ImportFormat::Old);
    EXPECT_EQ(report.error, BookError::Truncated);
    EXPECT_EQ(report.added, 2);
    ASSERT_EQ(book.Count(), 3);
    EXPECT_EQ(book.At(0), Rec("mine", 2000, 100, "", "me"));
    EXPECT_EQ(book.At(1), Rec("10.1.1.1", 3000, 90, "Shop"));
    EXPECT_EQ(book.At(2), Rec("old.example", 2000, 70, "Gate"));
    EXPECT_EQ(prompt.askedAll, 0);
}

TEST(AddressBookFile, ImportAsksAboutDuplicatesAndNeverReadsItsOwnBook)
{
    BookTestDir dir;
    const std::vector<AddressBookRecord> incoming = {Rec("A.example", 2000, 50, "new A"),
                                                     Rec("192.168.001.010", 2000, 51, "not the same text"),
                                                     Rec("b.example", 2000, 52, "new B")};
    WriteAllBytes(dir.File("export.log"), EncodeBook(incoming));
    WriteAllBytes(dir.File("ConnectInfoEx.log"), EncodeBook(incoming));
    const std::vector<AddressBookRecord> mine = {Rec("a.example", 2000, 10, "old A"),
                                                 Rec("B.EXAMPLE", 2000, 11, "old B"),
                                                 Rec("192.168.1.10", 2000, 12, "ip")};

    {
        CAddressBook book;
        book.SetRecords(mine);
        ScriptedPrompt prompt;
        EXPECT_EQ(book.Import(dir.File("ConnectInfoEx.log"), prompt).format, ImportFormat::None);
        EXPECT_EQ(book.Records(), mine);
    }
    {
        // OK to the first question: every duplicate is overwritten.
        CAddressBook book;
        book.SetRecords(mine);
        ScriptedPrompt prompt;
        prompt.all = true;
        const ImportReport report = book.Import(dir.File("export.log"), prompt);
        EXPECT_EQ(report.format, ImportFormat::Current);
        EXPECT_EQ(prompt.askedAll, 1);
        EXPECT_TRUE(prompt.askedOne.empty());
        EXPECT_EQ(report.overwritten, 2);
        EXPECT_EQ(report.added, 1); // the dotted texts differ: a new record
        ASSERT_EQ(book.Count(), 4);
        EXPECT_EQ(book.At(0).description, "new B");
        EXPECT_EQ(book.At(1).description, "not the same text");
        EXPECT_EQ(book.At(2).description, "new A");
    }
    {
        // Cancel to the first question: asked for each, here declined.
        CAddressBook book;
        book.SetRecords(mine);
        ScriptedPrompt prompt;
        const ImportReport report = book.Import(dir.File("export.log"), prompt);
        EXPECT_EQ(prompt.askedAll, 1);
        EXPECT_EQ(prompt.askedOne, (std::vector<std::string>{"A.example", "b.example"}));
        EXPECT_EQ(report.overwritten, 0);
        EXPECT_EQ(book.Count(), 4);
        EXPECT_EQ(book.m_nDuplicateAnswer, 2);
    }
}

TEST(AddressBookFile, ImportStopsAtTheLimitAndCountsWhatWasLeftOut)
{
    BookTestDir dir;
    std::vector<AddressBookRecord> table;
    for (int i = 0; i < 1998; ++i)
        table.push_back(Rec("t" + std::to_string(i), 2000, 1));
    std::vector<AddressBookRecord> incoming = {Rec("t5", 2000, 9, "dup")};
    for (int i = 0; i < 6; ++i)
        incoming.push_back(Rec("n" + std::to_string(i), 2000, 2));
    WriteAllBytes(dir.File("in.log"), EncodeBook(incoming));

    CAddressBook book;
    book.SetRecords(table);
    ScriptedPrompt prompt;
    prompt.all = true;
    const ImportReport report = book.Import(dir.File("in.log"), prompt);
    EXPECT_EQ(report.added, 2);
    EXPECT_EQ(report.leftOut, 4);
    EXPECT_EQ(report.overwritten, 1);
    EXPECT_EQ(book.Count(), 2000);
}

TEST(AddressBookFile, ExportWritesTheTableInOrder)
{
    BookTestDir dir;
    CAddressBook book;
    const std::vector<AddressBookRecord> records = {Rec("z", 1, 1), Rec("y", 2, 9, "d", "id")};
    book.SetRecords(records);
    ASSERT_TRUE(book.Export(dir.File("out.log")));
    EXPECT_EQ(ReadAllBytes(dir.File("out.log")), EncodeBook(records));
    // A folder that cannot exist: nothing is written.
    WriteAllBytes(dir.File("blocker"), {1});
    EXPECT_FALSE(book.Export(dir.File("blocker/out.log")));
    // Deleting and editing change what is written.
    EXPECT_TRUE(book.Delete(0));
    EXPECT_FALSE(book.Delete(5));
    EXPECT_TRUE(book.SetDescription(0, std::string(300, 'q')));
    EXPECT_EQ(book.At(0).description.size(), 259u);
}
