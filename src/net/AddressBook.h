// The address book: the servers the operator connected to, kept in
// "ConnectInfoEx.log" in the Log folder under the data folder.
//
// File layout (little-endian):
//   header, 8 bytes:   u32 magic 0x2008, u32 written as 1 (never checked)
//   records, 560 bytes each, back to back, at most 2000:
//     0   260  address as typed, NUL-terminated, zero-filled
//     260   4  port (a record with port 0 is skipped when the book is read)
//     264  16  user ID, NUL-terminated, zero-filled
//     280  16  reserved, written as zero, never read
//     296 260  description, NUL-terminated, zero-filled
//     556   4  last use, seconds since 1970-01-01 00:00 UTC
// No password is ever stored. The older "ConnectInfo100.log" (8-byte head,
// then 532-byte records: address 260, port 4, last use 4, 4 unused,
// description 260) can be imported.
//
// Texts are the recorder's byte strings: kept byte for byte here, shown as
// Latin-1 by the dialogs. Every text read from a file is copied within its
// field, so a field without its terminator can never run into the next one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

inline constexpr std::uint32_t kAddressBookMagic = 0x2008;
inline constexpr std::size_t kAddressBookHeaderSize = 8;
inline constexpr std::size_t kAddressBookRecordSize = 560;
inline constexpr std::size_t kOldAddressBookRecordSize = 532;
inline constexpr int kAddressBookMaxRecords = 2000;

// Field sizes; a text keeps at most size - 1 bytes so that it stays terminated.
inline constexpr std::size_t kBookAddressField = 260;
inline constexpr std::size_t kBookIdField = 16;
inline constexpr std::size_t kBookDescriptionField = 260;

inline constexpr const char* kAddressBookFileName = "ConnectInfoEx.log";
inline constexpr const char* kOldAddressBookFileName = "ConnectInfo100.log";

struct AddressBookRecord
{
    std::string address; // at most 259 bytes
    std::uint32_t port = 0;
    std::string id;          // at most 15 bytes
    std::string description; // at most 259 bytes
    std::uint32_t lastUse = 0;

    friend bool operator==(const AddressBookRecord&, const AddressBookRecord&) = default;
};

// The record as it stands in the file: zero-filled, texts cut to their fields.
void EncodeBookRecord(const AddressBookRecord& record, std::uint8_t out[kAddressBookRecordSize]);
AddressBookRecord DecodeBookRecord(const std::uint8_t in[kAddressBookRecordSize]);
// An old record becomes a new one with the same address, port, description
// and last use and an empty ID.
AddressBookRecord DecodeOldBookRecord(const std::uint8_t in[kOldAddressBookRecordSize]);
// The bytes of a fixed text field up to its first NUL, never past `size - 1`.
std::string BoundedText(const std::uint8_t* field, std::size_t size);

// The book file in a data folder: <location>/Log/ConnectInfoEx.log.
std::string AddressBookFolder(const std::string& location);
std::string AddressBookPath(const std::string& location);

// The same server for the connect dialog: the addresses equal after lower
// case (and, when both are dotted IPv4 texts, after normalising both), and
// the ports equal.
bool IsSameServer(const AddressBookRecord& a, const AddressBookRecord& b);
// The same server for an import: lower-cased addresses and ports equal, no
// IPv4 normalising.
bool IsSameImportedServer(const AddressBookRecord& a, const AddressBookRecord& b);

// What went wrong with a book file, worst first.
enum class BookError
{
    None,
    NotFound,   // the file does not exist (an empty book)
    CannotRead, // it exists but cannot be opened or read
    BadHeader,  // shorter than its 8-byte header, or the magic is not 0x2008
    Truncated,  // the last record is cut off; every whole record was read
};

struct BookReadReport
{
    BookError error = BookError::None;
    int records = 0;            // records taken into the table
    int skipped = 0;            // records with port 0
    int leftOut = 0;            // whole records beyond the 2000-record limit
    std::size_t strayBytes = 0; // bytes of a cut-off last record
    bool Damaged() const { return error == BookError::BadHeader || error == BookError::Truncated; }
};

// The outcome of recording a confirmed server in the book.
enum class RecordResult
{
    Updated,    // the same server was found and rewritten in place
    Added,      // appended as a new record
    Full,       // 2000 records already: nothing recorded
    CannotOpen, // the file could be neither opened nor created
};

// Records a server the connect dialog was confirmed with (the book file
// `path`, its folder created when missing). The same server is rewritten in
// place with the new record (its ID and description replace the stored ones);
// a new one is appended while the book holds fewer than 2000 records. The
// last use becomes `now` either way. A damaged header is rewritten, and a
// cut-off last record is overwritten by the new one, so that every record
// stays on its 560-byte step.
RecordResult RecordServer(const std::string& path, AddressBookRecord record, std::uint32_t now);
// The same on a book already open for reading and writing (the file, or a
// string stream in tests).
RecordResult RecordServerIn(std::iostream& book, AddressBookRecord record, std::uint32_t now);

// The answers an import needs when it meets a server the book already holds.
class IImportPrompt
{
public:
    virtual ~IImportPrompt() = default;
    // Asked once per import at the first duplicate: true overwrites every
    // duplicate without asking again, false asks for each one.
    virtual bool AskOverwriteAll() = 0;
    // Asked per duplicate after AskOverwriteAll said false: true overwrites.
    virtual bool AskOverwriteOne(const AddressBookRecord& imported) = 0;
};

enum class ImportFormat
{
    None,    // nothing read: the book's own file, a file that cannot be opened, or neither format
    Current, // "ConnectInfoEx.log" layout (magic 0x2008)
    Old,     // "ConnectInfo100.log" 532-byte records
};

struct ImportReport
{
    ImportFormat format = ImportFormat::None;
    BookError error = BookError::None; // CannotRead, or Truncated (every whole record was taken)
    int added = 0;
    int overwritten = 0;
    int leftOut = 0; // new servers that did not fit under the 2000-record limit
};

// The table of the address book dialog: row i of its list is record i.
class CAddressBook
{
public:
    // Reads a book file: records after the 8-byte header until the end or
    // until 2000 are kept; port 0 records are skipped. A bad header or a
    // cut-off last record is reported, and every whole record is still read,
    // so rewriting the book repairs it without losing a server. The table is
    // then sorted newest first.
    BookReadReport LoadConnectInfo(const std::string& path);
    // The same rules on the bytes of an open book (the file, or memory).
    BookReadReport LoadConnectInfoFrom(std::istream& in);
    // Writes the header and every record in table order, replacing the file
    // only once the whole new one is written. False when it cannot be written.
    bool WriteConnectInfoFile(const std::string& path) const;
    // Newest first: an exchange sort over the table that swaps i and j (j
    // after i) when i's last use is strictly smaller.
    void SortByLastUse();

    bool Delete(int index);
    // Replaces a record's description with at most 259 bytes of `text`.
    bool SetDescription(int index, const std::string& text);

    // Looks for the imported server in the table (IsSameImportedServer).
    // Not found: true (the caller appends it). Found: overwritten as the
    // prompt decides, and false.
    bool AddImportedRecord(const AddressBookRecord& record, IImportPrompt& prompt,
                           bool* overwritten = nullptr);
    // Imports another book file by its name: "ConnectInfoEx.log" itself is
    // refused; a file whose first u32 is 0x2008 is read as 560-byte records,
    // else a file named "ConnectInfo100.log" as 532-byte records. New servers
    // are appended up to the 2000-record limit; the rest are counted as left
    // out. The table is sorted afterwards.
    ImportReport Import(const std::string& path, IImportPrompt& prompt);
    // The same on the bytes of a file already open; `name` is its file name.
    ImportReport ImportFrom(std::istream& in, const std::string& name, IImportPrompt& prompt);
    // Writes the table to another file (header and records in table order).
    bool Export(const std::string& path) const { return WriteConnectInfoFile(path); }

    int Count() const { return static_cast<int>(m_arrRecords.size()); }
    const AddressBookRecord& At(int index) const { return m_arrRecords.at(static_cast<std::size_t>(index)); }
    const std::vector<AddressBookRecord>& Records() const { return m_arrRecords; }
    void SetRecords(std::vector<AddressBookRecord> records);

    // 0 not asked yet in this import, 1 overwrite every duplicate, 2 ask each.
    int m_nDuplicateAnswer = 0;

private:
    std::vector<AddressBookRecord> m_arrRecords;
};

// The whole file as bytes (header and records), as written and exported.
std::vector<std::uint8_t> EncodeBook(const std::vector<AddressBookRecord>& records);
