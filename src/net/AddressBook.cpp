#include "net/AddressBook.h"

#include "net/Wire.h"
#include "platform/Paths.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace {

constexpr std::size_t kOffPort = 260;
constexpr std::size_t kOffId = 264;
constexpr std::size_t kOffReserved = 280;
constexpr std::size_t kOffDescription = 296;
constexpr std::size_t kOffLastUse = 556;

constexpr std::size_t kOldOffPort = 260;
constexpr std::size_t kOldOffLastUse = 264;
constexpr std::size_t kOldOffDescription = 272;

std::uint32_t GetLE32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

void PutLE32(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

void PutText(std::uint8_t* field, std::size_t size, const std::string& text)
{
    const std::size_t n = std::min(text.size(), size - 1);
    std::memcpy(field, text.data(), n);
    // The rest of the field is already zero: the text stays terminated.
}

std::string Cut(const std::string& text, std::size_t field)
{
    // What a field keeps, up to a NUL inside the text too (the file could not
    // hold more).
    std::string out = text.substr(0, std::min(text.size(), field - 1));
    const auto nul = out.find('\0');
    if (nul != std::string::npos)
        out.resize(nul);
    return out;
}

std::string Lower(const std::string& text)
{
    std::string out = text;
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

void PutHeader(std::uint8_t out[kAddressBookHeaderSize])
{
    PutLE32(out, kAddressBookMagic);
    PutLE32(out + 4, 1);
}

std::string FileNameOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::uint64_t FileSize(std::iostream& f)
{
    f.clear();
    f.seekg(0, std::ios::end);
    const auto end = f.tellg();
    return end < 0 ? 0 : static_cast<std::uint64_t>(end);
}

// Reads up to n bytes; the count actually read.
std::size_t ReadSome(std::istream& in, std::uint8_t* buffer, std::size_t n)
{
    in.read(reinterpret_cast<char*>(buffer), static_cast<std::streamsize>(n));
    return static_cast<std::size_t>(in.gcount());
}

} // namespace

std::string BoundedText(const std::uint8_t* field, std::size_t size)
{
    if (size == 0)
        return std::string();
    const auto* end = static_cast<const std::uint8_t*>(std::memchr(field, 0, size - 1));
    const std::size_t n = end ? static_cast<std::size_t>(end - field) : size - 1;
    return std::string(reinterpret_cast<const char*>(field), n);
}

void EncodeBookRecord(const AddressBookRecord& record, std::uint8_t out[kAddressBookRecordSize])
{
    std::memset(out, 0, kAddressBookRecordSize);
    PutText(out, kBookAddressField, Cut(record.address, kBookAddressField));
    PutLE32(out + kOffPort, record.port);
    PutText(out + kOffId, kBookIdField, Cut(record.id, kBookIdField));
    // kOffReserved: 16 zero bytes.
    static_assert(kOffReserved + 16 == kOffDescription);
    PutText(out + kOffDescription, kBookDescriptionField, Cut(record.description, kBookDescriptionField));
    PutLE32(out + kOffLastUse, record.lastUse);
}

AddressBookRecord DecodeBookRecord(const std::uint8_t in[kAddressBookRecordSize])
{
    AddressBookRecord r;
    r.address = BoundedText(in, kBookAddressField);
    r.port = GetLE32(in + kOffPort);
    r.id = BoundedText(in + kOffId, kBookIdField);
    r.description = BoundedText(in + kOffDescription, kBookDescriptionField);
    r.lastUse = GetLE32(in + kOffLastUse);
    return r;
}

AddressBookRecord DecodeOldBookRecord(const std::uint8_t in[kOldAddressBookRecordSize])
{
    AddressBookRecord r;
    r.address = BoundedText(in, kBookAddressField);
    r.port = GetLE32(in + kOldOffPort);
    r.lastUse = GetLE32(in + kOldOffLastUse);
    r.description = BoundedText(in + kOldOffDescription, kBookDescriptionField);
    return r;
}

std::string AddressBookFolder(const std::string& location)
{
    return Paths::Join(location, "\\Log\\");
}

std::string AddressBookPath(const std::string& location)
{
    return AddressBookFolder(location) + kAddressBookFileName;
}

bool IsSameServer(const AddressBookRecord& a, const AddressBookRecord& b)
{
    if (a.port != b.port)
        return false;
    std::string x = Lower(Cut(a.address, kBookAddressField));
    std::string y = Lower(Cut(b.address, kBookAddressField));
    if (IsIPAddressText(x) && IsIPAddressText(y)) {
        NormalizeIPAddress(x);
        NormalizeIPAddress(y);
    }
    return x == y;
}

bool IsSameImportedServer(const AddressBookRecord& a, const AddressBookRecord& b)
{
    return a.port == b.port && Lower(a.address) == Lower(b.address);
}

std::vector<std::uint8_t> EncodeBook(const std::vector<AddressBookRecord>& records)
{
    std::vector<std::uint8_t> bytes(kAddressBookHeaderSize + records.size() * kAddressBookRecordSize);
    PutHeader(bytes.data());
    std::uint8_t* p = bytes.data() + kAddressBookHeaderSize;
    for (const AddressBookRecord& r : records) {
        EncodeBookRecord(r, p);
        p += kAddressBookRecordSize;
    }
    return bytes;
}

RecordResult RecordServer(const std::string& path, AddressBookRecord record, std::uint32_t now)
{
    const auto slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0)
        Paths::CreateFolders(path.substr(0, slash));
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    if (!f.is_open()) {
        f.open(path, std::ios::in | std::ios::out | std::ios::binary | std::ios::trunc);
        if (!f.is_open())
            return RecordResult::CannotOpen;
    }
    return RecordServerIn(f, std::move(record), now);
}

RecordResult RecordServerIn(std::iostream& f, AddressBookRecord record, std::uint32_t now)
{
    // The record as the file will hold it: no password, reserved zero.
    record.address = Cut(record.address, kBookAddressField);
    record.id = Cut(record.id, kBookIdField);
    record.description = Cut(record.description, kBookDescriptionField);
    record.lastUse = now;
    std::uint8_t bytes[kAddressBookRecordSize];
    EncodeBookRecord(record, bytes);

    const std::uint64_t size = FileSize(f);
    f.clear();
    f.seekg(0);
    std::uint8_t head[kAddressBookHeaderSize] = {};
    const bool headOk = size >= kAddressBookHeaderSize && ReadSome(f, head, sizeof head) == sizeof head &&
                        GetLE32(head) == kAddressBookMagic;
    if (!headOk) {
        // A new file, or a damaged header: the records behind it are still
        // read as records, so only the header is written anew.
        PutHeader(head);
        f.clear();
        f.seekp(0);
        f.write(reinterpret_cast<const char*>(head), sizeof head);
        if (!f)
            return RecordResult::CannotOpen;
    }

    const std::uint64_t whole =
        size >= kAddressBookHeaderSize ? (size - kAddressBookHeaderSize) / kAddressBookRecordSize : 0;
    f.clear();
    f.seekg(static_cast<std::streamoff>(kAddressBookHeaderSize));
    std::uint8_t stored[kAddressBookRecordSize];
    for (std::uint64_t i = 0; i < whole; ++i) {
        if (ReadSome(f, stored, sizeof stored) != sizeof stored)
            break;
        if (!IsSameServer(DecodeBookRecord(stored), record))
            continue;
        f.clear();
        f.seekp(static_cast<std::streamoff>(kAddressBookHeaderSize + i * kAddressBookRecordSize));
        f.write(reinterpret_cast<const char*>(bytes), sizeof bytes);
        f.flush();
        return f ? RecordResult::Updated : RecordResult::CannotOpen;
    }

    if (whole >= static_cast<std::uint64_t>(kAddressBookMaxRecords))
        return RecordResult::Full;
    // Right after the last whole record: a cut-off tail is overwritten.
    f.clear();
    f.seekp(static_cast<std::streamoff>(kAddressBookHeaderSize + whole * kAddressBookRecordSize));
    f.write(reinterpret_cast<const char*>(bytes), sizeof bytes);
    f.flush();
    return f ? RecordResult::Added : RecordResult::CannotOpen;
}

BookReadReport CAddressBook::LoadConnectInfo(const std::string& path)
{
    BookReadReport report;
    m_arrRecords.clear();
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        report.error = BookError::NotFound;
        return report;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open()) {
        report.error = BookError::CannotRead;
        return report;
    }
    return LoadConnectInfoFrom(in);
}

BookReadReport CAddressBook::LoadConnectInfoFrom(std::istream& in)
{
    BookReadReport report;
    m_arrRecords.clear();
    std::uint8_t head[kAddressBookHeaderSize];
    const std::size_t got = ReadSome(in, head, sizeof head);
    if (got != sizeof head || GetLE32(head) != kAddressBookMagic)
        report.error = BookError::BadHeader;
    if (got == sizeof head) {
        std::uint8_t rec[kAddressBookRecordSize];
        for (;;) {
            const std::size_t n = ReadSome(in, rec, sizeof rec);
            if (n < sizeof rec) {
                if (n > 0) {
                    report.strayBytes = n;
                    if (report.error == BookError::None)
                        report.error = BookError::Truncated;
                }
                break;
            }
            if (static_cast<int>(m_arrRecords.size()) >= kAddressBookMaxRecords) {
                ++report.leftOut;
                continue;
            }
            AddressBookRecord r = DecodeBookRecord(rec);
            if (r.port == 0) {
                ++report.skipped;
                continue;
            }
            m_arrRecords.push_back(std::move(r));
        }
    }
    if (in.bad())
        report.error = BookError::CannotRead;
    report.records = Count();
    SortByLastUse();
    return report;
}

bool CAddressBook::WriteConnectInfoFile(const std::string& path) const
{
    const auto slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0)
        Paths::CreateFolders(path.substr(0, slash));
    const std::vector<std::uint8_t> bytes = EncodeBook(m_arrRecords);
    // The old file stays until the new one is complete.
    const std::string temp = path + ".new";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out.is_open())
            return false;
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            out.close();
            std::error_code ec;
            std::filesystem::remove(temp, ec);
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    if (ec) {
        std::filesystem::remove(temp, ec);
        return false;
    }
    return true;
}

void CAddressBook::SortByLastUse()
{
    const std::size_t n = m_arrRecords.size();
    for (std::size_t i = 0; i + 1 < n; ++i) {
        for (std::size_t j = i + 1; j < n; ++j) {
            if (m_arrRecords[i].lastUse < m_arrRecords[j].lastUse)
                std::swap(m_arrRecords[i], m_arrRecords[j]);
        }
    }
}

bool CAddressBook::Delete(int index)
{
    if (index < 0 || index >= Count())
        return false;
    m_arrRecords.erase(m_arrRecords.begin() + index);
    return true;
}

bool CAddressBook::SetDescription(int index, const std::string& text)
{
    if (index < 0 || index >= Count())
        return false;
    m_arrRecords[static_cast<std::size_t>(index)].description = Cut(text, kBookDescriptionField);
    return true;
}

void CAddressBook::SetRecords(std::vector<AddressBookRecord> records)
{
    if (records.size() > static_cast<std::size_t>(kAddressBookMaxRecords))
        records.resize(static_cast<std::size_t>(kAddressBookMaxRecords));
    m_arrRecords = std::move(records);
}

bool CAddressBook::AddImportedRecord(const AddressBookRecord& record, IImportPrompt& prompt,
                                     bool* overwritten)
{
    if (overwritten)
        *overwritten = false;
    auto found = std::find_if(m_arrRecords.begin(), m_arrRecords.end(),
                              [&](const AddressBookRecord& r) { return IsSameImportedServer(r, record); });
    if (found == m_arrRecords.end())
        return true;
    if (m_nDuplicateAnswer == 0)
        m_nDuplicateAnswer = prompt.AskOverwriteAll() ? 1 : 2;
    const bool overwrite = m_nDuplicateAnswer == 1 || prompt.AskOverwriteOne(record);
    if (overwrite) {
        *found = record;
        if (overwritten)
            *overwritten = true;
    }
    return false;
}

ImportReport CAddressBook::Import(const std::string& path, IImportPrompt& prompt)
{
    ImportReport report;
    m_nDuplicateAnswer = 0;
    const std::string name = FileNameOf(path);
    if (name == kAddressBookFileName)
        return report;
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open()) {
        report.error = BookError::CannotRead;
        return report;
    }
    return ImportFrom(in, name, prompt);
}

ImportReport CAddressBook::ImportFrom(std::istream& in, const std::string& name, IImportPrompt& prompt)
{
    ImportReport report;
    m_nDuplicateAnswer = 0;
    if (name == kAddressBookFileName)
        return report;
    std::uint8_t head[kAddressBookHeaderSize];
    if (ReadSome(in, head, sizeof head) != sizeof head)
        return report; // neither format
    std::size_t recordSize = 0;
    if (GetLE32(head) == kAddressBookMagic) {
        report.format = ImportFormat::Current;
        recordSize = kAddressBookRecordSize;
    } else if (name == kOldAddressBookFileName) {
        report.format = ImportFormat::Old;
        recordSize = kOldAddressBookRecordSize;
    } else {
        return report;
    }

    std::uint8_t rec[kAddressBookRecordSize];
    for (;;) {
        const std::size_t n = ReadSome(in, rec, recordSize);
        if (n < recordSize) {
            if (n > 0)
                report.error = BookError::Truncated;
            break;
        }
        AddressBookRecord r;
        if (report.format == ImportFormat::Old) {
            r = DecodeOldBookRecord(rec);
            if (r.port == 0)
                continue;
        } else {
            // Port 0 records come in as they are and vanish on the next read
            // of the book, as they always did.
            r = DecodeBookRecord(rec);
        }
        bool overwritten = false;
        if (!AddImportedRecord(r, prompt, &overwritten)) {
            report.overwritten += overwritten ? 1 : 0;
            continue;
        }
        if (Count() >= kAddressBookMaxRecords) {
            ++report.leftOut;
            continue;
        }
        m_arrRecords.push_back(std::move(r));
        ++report.added;
    }
    if (in.bad())
        report.error = BookError::CannotRead;
    SortByLastUse();
    return report;
}
