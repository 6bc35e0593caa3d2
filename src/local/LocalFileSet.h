// Reading downloaded file sets back: a set's three files opened for reading,
// every read bounded by the file as it is now (a set still being written only
// looks short), and the one folder scan that the play request, the calendar,
// the event list and the file list share. The layout is the download
// writer's (net/BackupWriter.h).
#pragma once

#include "net/BackupWriter.h"
#include "net/Wire.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

// An open file as the local side reads it: its size now and positioned reads.
class ILocalReadable
{
public:
    virtual ~ILocalReadable() = default;
    // The size now: a file being written grows under the reader.
    virtual std::uint64_t Size() const = 0;
    // Up to `count` bytes at `offset`; how many were read, -1 on an error.
    virtual long long ReadSome(std::uint64_t offset, void* bytes, std::size_t count) const = 0;
};

// Where the local side finds its files: the disk, or for the tests and the
// fuzz target files held in memory (SetLocalFileSourceForTesting). Every open,
// check and folder listing of the scans, the lists and the player goes
// through the one source.
class ILocalFileSource
{
public:
    virtual ~ILocalFileSource() = default;
    virtual bool IsRegularFile(const std::string& path) = 0;
    // The names of the entries directly in the folder, in no set order.
    virtual std::vector<std::string> Names(const std::string& folder) = 0;
    // Null when the path is not a regular file that can be opened.
    virtual std::unique_ptr<ILocalReadable> Open(const std::string& path) = 0;
};

// The source in use: the disk unless a test has put another in its place.
ILocalFileSource& LocalFileSource();
// Puts `source` in place of the disk (nullptr: the disk again). Only while
// no file is open and no scan runs.
void SetLocalFileSourceForTesting(ILocalFileSource* source);

// Files held in memory under their paths ("/folder/name"), for the tests and
// the fuzz target. Open files read the stored bytes: they must stay stored
// while a reader has them open.
class CLocalMemoryFiles : public ILocalFileSource
{
public:
    // The file's bytes, created empty when missing; the caller fills them
    // (the storage stays with the path, so a refill reuses it).
    std::string& File(const std::string& path) { return m_files[path]; }
    void Remove(const std::string& path) { m_files.erase(path); }

    bool IsRegularFile(const std::string& path) override { return m_files.count(path) != 0; }
    std::vector<std::string> Names(const std::string& folder) override;
    std::unique_ptr<ILocalReadable> Open(const std::string& path) override;

private:
    std::map<std::string, std::string> m_files;
};

// A file opened read-only; positioned reads that succeed only when whole.
class CLocalFile
{
public:
    CLocalFile() = default;
    ~CLocalFile() { Close(); }
    CLocalFile(const CLocalFile&) = delete;
    CLocalFile& operator=(const CLocalFile&) = delete;

    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return m_file != nullptr; }
    // The size now: a file being written grows under the reader.
    std::uint64_t Size() const;
    bool ReadAt(std::uint64_t offset, void* bytes, std::size_t count) const;
    std::uint32_t ReadU32At(std::uint64_t offset, bool& ok) const;

private:
    std::unique_ptr<ILocalReadable> m_file;
};

// One index entry as the local side reads it.
struct LocalIdxEntry
{
    std::uint32_t start = 0;
    std::uint32_t end = 0;
    std::uint32_t itemPos = 0;
    std::uint32_t channelMask = 0; // the two channel words ANDed
    std::uint32_t audioWord = 0;
    std::uint8_t eventType = 0;
    std::uint16_t cameraFlags = 0;
    std::uint8_t kind2 = 0;
};

// Which header the family check reads.
enum class LocalFamilyFile
{
    Idx,
    Vid,
};

// Why a set was left out.
enum class LocalSetFault
{
    None,
    Missing,  // a file of the three cannot be found or opened
    Short,    // a header, the summary or an entry lies past the end
    Magic,    // the .idx header lacks its magic
    Summary,  // no entry in the summary (a set being written has none yet)
    Entries,  // an entry's items or records fall outside the files
    Family,   // another model's stem
};
const char* LocalSetFaultName(LocalSetFault fault);

// A set's three files, open for reading.
class CLocalFileSet
{
public:
    // Opens the three files: the .idx at the path, its siblings found by name
    // without regard to case. Only opens; Validate checks the contents.
    LocalSetFault OpenFiles(const std::string& idxPath);
    // Header magic, family stem, summary, entry table and item/record ranges.
    LocalSetFault Validate(LocalFamilyFile familyFile);
    void Close();

    const std::string& IdxPath() const { return m_idxPath; }
    const std::string& VihPath() const { return m_vihPath; }
    const std::string& VidPath() const { return m_vidPath; }

    std::uint32_t StartStamp() const;
    std::uint32_t EndStamp() const;
    std::uint32_t FirstTime() const;
    std::uint32_t LastTime() const;
    // The summary's entry count, kept to the 1024 slots and to the entries the
    // file holds.
    int EntryCount() const;
    bool ReadEntry(int k, LocalIdxEntry& entry) const;
    // The .vih offset an item names; false past the item area.
    bool ReadItem(std::uint64_t pos, std::uint32_t& vihOffset) const;
    // Past the last item (the .idx trailer).
    std::uint64_t ItemAreaEnd() const;
    // The end of the .vih records (the trailer's offset).
    std::uint32_t VihRecordsEnd() const;
    // Per entry k its first record, and at [count] the end of the records; the
    // values never fall and never pass the records' end.
    std::vector<std::uint32_t> EntryRecordBounds() const;
    bool ReadRecord(std::uint32_t vihOffset, std::uint8_t* record192) const;
    // The 40-byte frame header at a .vid offset.
    bool ReadFrameHeader(std::uint32_t vidOffset, FrameHeaderFields& fields) const;

    CLocalFile m_idx, m_vih, m_vid;

private:
    std::string m_idxPath, m_vihPath, m_vidPath;
};

// True when a header's stem (up to its zero within 16 bytes) names this family.
bool IsFamilyStem(const std::uint8_t* header, std::size_t length);
// The sibling of a file with another extension ("vih", "vid"), matched without
// regard to case; empty when none exists.
std::string FindSiblingFile(const std::string& path, const char* extension);
// The download folder: the Location's "Download" folder, or on read-only
// media the current directory's.
std::string LocalDownloadFolder(const std::string& location, bool readOnlyMedia, const std::string& currentDir);

enum class LocalScan
{
    Play,     // .vid stem, up to 100,000 sets
    Calendar, // .idx stem, no limit
    Event,    // .idx stem, up to 100,000 sets
    FileList, // .idx stem, up to 100,000 rows
};

struct LocalSetRef
{
    std::string name; // file name without folder and ".idx"
    std::string idxPath;
    std::uint32_t firstTime = 0;
    std::uint32_t lastTime = 0;
    std::uint32_t startStamp = 0;
    std::uint32_t endStamp = 0;
    int entries = 0;
    std::uint64_t bytes = 0; // the three files together
};

struct LocalScanResult
{
    std::vector<LocalSetRef> sets;
    int skipped = 0;
    std::string firstSkipped; // name of the first set left out
    LocalSetFault firstFault = LocalSetFault::None;
};

constexpr std::size_t kLocalScanLimit = 100000;

// Finds the sets of this family in the folder (not below it), in name order.
LocalScanResult ScanDownloadFolder(const std::string& folder, LocalScan scan,
                                   std::size_t limit = kLocalScanLimit);
