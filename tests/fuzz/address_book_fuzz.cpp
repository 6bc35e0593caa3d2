// The address book files: ConnectInfoEx.log as the book itself (read, write
// back, record a server into it) and any file offered for import, the legacy
// ConnectInfo100.log included.
//
// Everything runs on the bytes in memory, through the same readers and
// writer the files go through.
//
// Input: mode byte, then the file's bytes.
//   mode & 1 == 0  the bytes are the book: it is read, written back and read
//                  again, and a server is recorded into the file as found
//                  (bit 1: a server the book holds, else a new one)
//   mode & 1 == 1  the bytes are imported (bit 1: as ConnectInfo100.log, else
//                  as "other.log") into a book of (mode >> 2) & 3 servers, or
//                  of 60 when that is 3; bit 4 answers "overwrite all", bit 5
//                  each single question
#include "FuzzSupport.h"

#include "net/AddressBook.h"

#include <algorithm>
#include <sstream>
#include <string>

namespace {

void CheckTable(const CAddressBook& book)
{
    K5_FUZZ_CHECK(book.Count() <= kAddressBookMaxRecords);
    for (int i = 0; i < book.Count(); ++i) {
        const AddressBookRecord& r = book.At(i);
        K5_FUZZ_CHECK(r.address.size() < kBookAddressField);
        K5_FUZZ_CHECK(r.id.size() < kBookIdField);
        K5_FUZZ_CHECK(r.description.size() < kBookDescriptionField);
        K5_FUZZ_CHECK(r.address.find('\0') == std::string::npos);
        K5_FUZZ_CHECK(r.id.find('\0') == std::string::npos);
        K5_FUZZ_CHECK(r.description.find('\0') == std::string::npos);
        if (i > 0)
            K5_FUZZ_CHECK(book.At(i - 1).lastUse >= r.lastUse);
    }
}

std::size_t WholeRecords(const std::string& file)
{
    return file.size() < kAddressBookHeaderSize ? 0
                                                : (file.size() - kAddressBookHeaderSize) / kAddressBookRecordSize;
}

std::string RecordAt(const std::string& file, std::size_t i)
{
    return file.substr(kAddressBookHeaderSize + i * kAddressBookRecordSize, kAddressBookRecordSize);
}

AddressBookRecord DecodeAt(const std::string& file, std::size_t i)
{
    const std::string bytes = RecordAt(file, i);
    return DecodeBookRecord(reinterpret_cast<const std::uint8_t*>(bytes.data()));
}

// Reading, writing back and reading again gives the same table; the report
// accounts for every record of the file.
BookReadReport LoadBytes(CAddressBook& book, const std::string& bytes)
{
    std::istringstream in(bytes, std::ios::binary);
    return book.LoadConnectInfoFrom(in);
}

std::string BookBytes(const CAddressBook& book)
{
    const std::vector<std::uint8_t> bytes = EncodeBook(book.Records());
    return std::string(bytes.begin(), bytes.end());
}

void CheckBook(const std::string& file)
{
    CAddressBook book;
    const BookReadReport report = LoadBytes(book, file);
    CheckTable(book);
    const std::size_t whole = WholeRecords(file);
    if (file.size() >= kAddressBookHeaderSize) {
        K5_FUZZ_CHECK(static_cast<std::size_t>(report.records + report.skipped + report.leftOut) == whole);
        K5_FUZZ_CHECK(report.strayBytes == (file.size() - kAddressBookHeaderSize) % kAddressBookRecordSize);
    } else {
        K5_FUZZ_CHECK(report.error == BookError::BadHeader && report.records == 0);
    }
    K5_FUZZ_CHECK(report.records == book.Count());
    for (const AddressBookRecord& r : book.Records())
        K5_FUZZ_CHECK(r.port != 0);

    CAddressBook again;
    const BookReadReport second = LoadBytes(again, BookBytes(book));
    K5_FUZZ_CHECK(second.error == BookError::None);
    K5_FUZZ_CHECK(again.Records() == book.Records());
}

void RecordInto(const std::string& file, bool known)
{
    const std::size_t whole = WholeRecords(file);
    AddressBookRecord server;
    if (known && whole > 0) {
        server = DecodeAt(file, whole / 2);
        server.description = "updated";
    } else {
        server.address = "192.168.77.77";
        server.port = 7777;
        server.id = "fuzz";
    }
    std::stringstream stream(file, std::ios::in | std::ios::out | std::ios::binary);
    const RecordResult result = RecordServerIn(stream, server, 4000000000u);
    K5_FUZZ_CHECK(result != RecordResult::CannotOpen);
    const std::string after = stream.str();
    K5_FUZZ_CHECK(after.size() >= kAddressBookHeaderSize);
    K5_FUZZ_CHECK(after.compare(0, 4, std::string("\x08\x20\0\0", 4)) == 0);

    // The first record of the same server is rewritten, else the server is
    // added after the last whole record; every other whole record keeps its
    // bytes.
    std::size_t same = whole;
    for (std::size_t i = 0; i < whole && same == whole; ++i) {
        if (IsSameServer(DecodeAt(file, i), server))
            same = i;
    }
    server.lastUse = 4000000000u;
    std::uint8_t expected[kAddressBookRecordSize];
    EncodeBookRecord(server, expected);
    const std::string expectedBytes(reinterpret_cast<const char*>(expected), sizeof expected);
    if (same < whole) {
        K5_FUZZ_CHECK(result == RecordResult::Updated);
        K5_FUZZ_CHECK(after.size() == std::max(file.size(), kAddressBookHeaderSize));
    } else if (whole < static_cast<std::size_t>(kAddressBookMaxRecords)) {
        K5_FUZZ_CHECK(result == RecordResult::Added);
        K5_FUZZ_CHECK(after.size() == kAddressBookHeaderSize + (whole + 1) * kAddressBookRecordSize);
    } else {
        K5_FUZZ_CHECK(result == RecordResult::Full);
        K5_FUZZ_CHECK(after.compare(kAddressBookHeaderSize, std::string::npos, file, kAddressBookHeaderSize) == 0);
        return;
    }
    for (std::size_t i = 0; i < whole; ++i) {
        if (i != same)
            K5_FUZZ_CHECK(RecordAt(after, i) == RecordAt(file, i));
    }
    K5_FUZZ_CHECK(RecordAt(after, same) == expectedBytes);

    CAddressBook book;
    const BookReadReport report = LoadBytes(book, after);
    K5_FUZZ_CHECK(report.error == BookError::None || report.error == BookError::Truncated);
    CheckTable(book);
}

class FixedPrompt : public IImportPrompt
{
public:
    FixedPrompt(bool all, bool one) : m_all(all), m_one(one) {}
    bool AskOverwriteAll() override { return m_all; }
    bool AskOverwriteOne(const AddressBookRecord&) override { return m_one; }

private:
    bool m_all;
    bool m_one;
};

void ImportInto(std::uint8_t mode, const std::string& file)
{
    const bool old = (mode & 2) != 0;

    std::vector<AddressBookRecord> start;
    // A book near its 2000-record limit would cost two quadratic sorts of it
    // per input (a fuzzer's corpus soon fills with such inputs): the limit is
    // the file tests' case, the largest book here holds 60 servers.
    const int count = (mode >> 2) & 3;
    const int records = count < 3 ? count : 60;
    for (int i = 0; i < records; ++i) {
        AddressBookRecord r;
        r.address = i == 0 ? std::string("10.0.0.1") : "host" + std::to_string(i);
        r.port = i == 0 ? 80u : static_cast<std::uint32_t>(i);
        r.lastUse = static_cast<std::uint32_t>(5000 - i);
        start.push_back(r);
    }
    CAddressBook book;
    book.SetRecords(start);
    FixedPrompt prompt((mode & 0x10) != 0, (mode & 0x20) != 0);
    std::istringstream in(file, std::ios::binary);
    const ImportReport report = book.ImportFrom(in, old ? kOldAddressBookFileName : "other.log", prompt);
    CheckTable(book);
    K5_FUZZ_CHECK(book.Count() == records + report.added);

    const std::size_t recordSize =
        report.format == ImportFormat::Old ? kOldAddressBookRecordSize : kAddressBookRecordSize;
    if (report.format != ImportFormat::None) {
        const std::size_t whole =
            (file.size() - kAddressBookHeaderSize) / recordSize;
        K5_FUZZ_CHECK(static_cast<std::size_t>(report.added + report.overwritten + report.leftOut) <= whole);
        K5_FUZZ_CHECK((report.error == BookError::Truncated) ==
                      ((file.size() - kAddressBookHeaderSize) % recordSize != 0));
    } else {
        K5_FUZZ_CHECK(report.added == 0 && book.Records() == start);
    }

    // Exported and read back, the table comes again without its port 0 rows.
    CAddressBook again;
    const BookReadReport reread = LoadBytes(again, BookBytes(book));
    K5_FUZZ_CHECK(reread.error == BookError::None);
    std::vector<AddressBookRecord> expected;
    for (const AddressBookRecord& r : book.Records()) {
        if (r.port != 0)
            expected.push_back(r);
    }
    K5_FUZZ_CHECK(again.Records() == expected);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    k5fuzz::Reader in(data, size);
    const std::uint8_t mode = in.U8();
    const std::string file = in.Rest();
    if (mode & 1) {
        ImportInto(mode, file);
        return 0;
    }
    CheckBook(file);
    RecordInto(file, (mode & 2) != 0);
    return 0;
}
