// The connection log: one file of fixed size in the data folder's "Log"
// folder, a ring of 2500 records of 184 bytes behind an 8-byte header, all
// integers 32-bit little-endian. The newest record overwrites the oldest once
// the ring is full. Writers are the GUI thread, the connection's threads and
// the local player's thread.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

constexpr int kConnectLogSlots = 2500;
constexpr int kConnectLogHeaderSize = 8;
constexpr int kConnectLogRecordSize = 184;
constexpr std::int64_t kConnectLogFileSize =
    kConnectLogHeaderSize + std::int64_t(kConnectLogSlots) * kConnectLogRecordSize;

struct ConnectLogHeader
{
    std::uint32_t wrapped = 0; // 0 until the ring has been filled once, then 1
    std::uint32_t next = 0;    // the slot the next record takes
};

struct ConnectLogRecord
{
    std::uint32_t index = 0; // the slot number
    std::uint32_t size = 0;  // 184
    std::uint32_t type = 0;
    std::uint32_t subtype = 0;
    std::uint32_t time = 0; // local seconds since 1970 (UTC plus the standard zone offset)
    std::uint32_t reserved = 0;
    char address[128] = {}; // zero-padded, not terminated when full
    char user[32] = {};     // zero-padded
};

// Byte images of the file's records (little-endian whatever the host).
std::array<unsigned char, kConnectLogHeaderSize> EncodeConnectLogHeader(const ConnectLogHeader& h);
ConnectLogHeader DecodeConnectLogHeader(const unsigned char* bytes);
std::array<unsigned char, kConnectLogRecordSize> EncodeConnectLogRecord(const ConnectLogRecord& r);
ConnectLogRecord DecodeConnectLogRecord(const unsigned char* bytes);

// The bytes of a log, wherever they live: the file, or memory (tests and
// fuzz targets run the ring's rules on a byte string).
class ConnectLogStorage
{
public:
    virtual ~ConnectLogStorage() = default;
    // The current size in bytes; negative when it cannot be told.
    virtual std::int64_t Size() = 0;
    // Exactly `size` bytes at `offset`; false on an error or the end.
    virtual bool ReadAt(void* buffer, std::size_t size, std::int64_t offset) = 0;
    // Exactly `size` bytes at `offset`, the storage growing as needed.
    virtual bool WriteAt(const void* buffer, std::size_t size, std::int64_t offset) = 0;
};

// A log held in a byte string the caller owns.
class MemoryConnectLogStorage : public ConnectLogStorage
{
public:
    explicit MemoryConnectLogStorage(std::string& bytes) : m_bytes(bytes) {}
    std::int64_t Size() override { return static_cast<std::int64_t>(m_bytes.size()); }
    bool ReadAt(void* buffer, std::size_t size, std::int64_t offset) override;
    bool WriteAt(const void* buffer, std::size_t size, std::int64_t offset) override;

private:
    std::string& m_bytes;
};

// Puts `record` into the ring the storage holds: the slot the header names
// when the header agrees with the records, else the slot after the intact
// records (the header is rebuilt from them); then the header moves on. The
// record's index becomes its slot. False when a read or write failed. The
// caller keeps other writers out.
bool AppendConnectLogRecord(ConnectLogStorage& storage, ConnectLogRecord record);

// The viewer's side. The most a loaded log holds (the window's buffer).
constexpr std::size_t kConnectLogLoadLimit = 2400000;

// Reads the log file under the writers' file lock (shared), at most `limit`
// bytes. False when it cannot be opened; `bytes` is then empty.
bool LoadConnectLogFile(const std::string& path, std::string& bytes, std::size_t limit = kConnectLogLoadLimit);

// The records of a loaded log, oldest first: in file order before the ring
// has wrapped, else from the slot the header names round to the one before
// it. Only whole records inside the bytes are taken, each 184 bytes whatever
// its size field says; a header whose next slot lies outside the ring reads
// as not wrapped. At most 2500 records.
std::vector<ConnectLogRecord> ParseConnectLog(const std::string& bytes);
// The same into `out`, whose room is reused (a full ring is 460 KB of records).
void ParseConnectLog(const std::string& bytes, std::vector<ConnectLogRecord>& out);

class CConnectLog
{
public:
    // `clock` gives the current UTC time; the default is the system clock.
    explicit CConnectLog(std::function<std::time_t()> clock = {});
    virtual ~CConnectLog() = default;
    CConnectLog(const CConnectLog&) = delete;
    CConnectLog& operator=(const CConnectLog&) = delete;

    static constexpr const char* kFileName = "KOLA5500.log";

    // The data folder; the log lies in its "Log" folder. Any thread.
    void SetLocation(const std::string& location);
    std::string LogFolder() const;
    std::string FilePath() const;
    // Nothing is written while set (the program runs from read-only media).
    void SetReadOnly(bool readOnly);
    // The PC's standard time-zone offset in seconds, added to UTC.
    void SetZoneOffset(int seconds);

    // Appends one record. `user` and `address` are zero-terminated texts (at
    // most 32 and 128 bytes are taken) or null for none. False when the record
    // was dropped (read-only media, folder or file unusable, short write).
    virtual bool Write(std::uint32_t size, int type, int subtype, const char* user, const char* address);

private:
    std::function<std::time_t()> m_clock;
    mutable std::mutex m_mutex; // guards the settings below, not the file
    std::string m_location;
    bool m_readOnly = false;
    int m_zoneOffset = 0;
};
