// The recorder's log and information answers, read headless: log records,
// the one model behind the seven log lists, the status record and the rows of
// the status and system pages. The pages only put these rows on screen.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/LogPrint.h"

struct HelloRecord;

inline constexpr std::size_t kLogBlockBytes = 200;
inline constexpr std::size_t kLogRecordLimit = 2500;
// A list or print cell holds at most this many bytes of a recorder text.
inline constexpr std::size_t kLogCellLimit = 127;
// The request layer's notice for an answer it could not read (NOTIFY_NACK).
inline constexpr int kNackAnswerUnreadable = 8;

// One log entry: the six leading fields in host order and the 200-byte block
// as received (the fields still big-endian there, zero past the record).
struct RemoteLogRecord
{
    std::uint32_t number = 0;
    std::uint32_t record_size = 0;
    std::uint32_t category = 0;
    std::uint32_t sub_kind = 0;
    std::uint32_t time = 0;
    std::uint32_t camera = 0;
    std::array<std::uint8_t, kLogBlockBytes> block{};

    // The block's first `size` bytes (at most 200); missing bytes read 0.
    static RemoteLogRecord FromBlock(const std::uint8_t* data, std::size_t size);
    std::vector<std::uint8_t> Block() const { return {block.begin(), block.end()}; }

    // Bytes 24-151 and 152-199, to their NUL, at most kLogCellLimit bytes.
    std::string Text() const;
    std::string Text2() const;
    // Lowest set bit of the category among 0-4, -1 when none.
    int Category() const;
    // Lowest set bit of sub_kind among 0..maxBit, -1 when none.
    int SubKind(int maxBit = 31) const;
};

// Lowest set bit of `value` among 0..maxBit, -1 when none.
int LowestBit(std::uint32_t value, int maxBit);

enum class LogParse
{
    Ok,
    Malformed, // 1-7 bytes, record_size 0, or not one whole record
};
// Splits a LOG_INFO answer; beyond kLogRecordLimit records the first are kept.
LogParse ParseRemoteLog(const std::uint8_t* data, std::size_t size, std::vector<RemoteLogRecord>& out);

// "%04d-%02d-%02d %02d:%02d:%02d" in the order of `dateFormat` (0 y-m-d,
// 1 m-d-y, 2 d-m-y) of recorder seconds read as UTC; negative counts as 0.
std::string FormatLogTime(std::uint32_t time, int dateFormat);
// Writes v >= 0 with at least `width` digits (zeros in front); returns the end.
char* PutLogDigits(char* out, int v, int width);

using ResText = std::function<std::string(int id)>;
// The kind text (ids loaded spaced), empty without a kind.
std::string LogKindText(const RemoteLogRecord& r, const ResText& spaced);
// Event cameras: "%02d " for each set bit 0-15.
std::string LogCameraList(std::uint32_t mask);

// The seven lists, numbered as the Log tab's filters.
enum class LogList
{
    All = 0,
    Power = 1,
    Record = 2,
    Operation = 3,
    Client = 4,
    Event = 5,
    Archive = 6,
};

struct LogViewContext
{
    bool connected = false;
    bool archiveSupport = false;
    int userIndex = 0;
    bool localPlayer = false;
    int dateFormat = 0;
    ResText spaced;
    ResText plain; // without the leading blank (printing)
};

// How a list prints: document name, title string and face.
struct LogPrintParams
{
    const char* docName;
    int titleId;
    const char* face;
};
LogPrintParams LogPrintParamsOf(LogList list);

struct LogRow
{
    int record = -1;
    std::array<std::string, 5> cells;
};

// What Details opens for the selected entry.
enum class LogDetailTarget
{
    None,
    Detail,   // the setup-change detail viewer with DetailKind()
    Schedule, // the schedule viewer
};

class CLogListModel
{
public:
    explicit CLogListModel(LogList list) : m_list(list) {}

    LogList List() const { return m_list; }
    bool HasDetails() const;
    bool HasPlay() const;
    // The All page's entry filter (also the Operation and Record pages').
    static bool HiddenByRights(const RemoteLogRecord& r, const LogViewContext& ctx);

    // Rows of `table`, last record first. Clears the selection.
    void Build(const std::vector<RemoteLogRecord>& table, const LogViewContext& ctx);
    const std::vector<LogRow>& Rows() const { return m_rows; }

    // A row selected (-1: none): the selected record and the buttons.
    void Select(int row, const std::vector<RemoteLogRecord>& table, bool localPlayer);
    int SelectedRow() const { return m_selectedRow; }
    int SelectedRecord() const { return m_selected; }
    int DetailKind() const { return m_detailKind; }
    bool DetailsEnabled() const { return m_details; }
    bool PlayEnabled() const { return m_play; }
    LogDetailTarget DetailTarget(const std::vector<RemoteLogRecord>& table) const;

    // The row that shows the last record numbered `number`, -1 when no row
    // shows it (a filtered list selects nothing rather than a stranger).
    int RowOfNumber(const std::vector<RemoteLogRecord>& table, int number) const;

    // Whether a listed record prints (the All page leaves out, without
    // archive support, the Operation entries of sub-kind 13 and above).
    bool Prints(const RemoteLogRecord& r, const LogViewContext& ctx) const;
    // The printout of the rows; `table` and `ctx` must outlive the job.
    LogPrintJob PrintJob(const std::vector<RemoteLogRecord>& table, const LogViewContext& ctx,
                         const std::string& title) const;

private:
    LogList m_list;
    std::vector<LogRow> m_rows;
    int m_selectedRow = -1;
    int m_selected = -1;
    int m_detailKind = 0;
    bool m_details = false;
    bool m_play = false;
};

// ---- Status and system information ---------------------------------------------

struct StatusInfoRecord
{
    std::uint32_t CameraMask = 0;
    std::uint32_t RecordState = 0;
    std::uint32_t DiskTotalMB = 0;
    std::uint32_t DiskFreeMB = 0;
    std::array<std::uint8_t, 4> DiskPresent{};
    std::array<std::uint8_t, 4> DiskValue{};
    std::array<std::uint8_t, 4> DiskState{};
    bool hasDisks = false; // false for the 16-byte form
};
// False for an answer under 16 bytes; exactly 16 has no disks, anything
// longer is the 28-byte form (missing bytes 0).
bool ReadStatusRecord(const std::uint8_t* data, std::size_t size, StatusInfoRecord& out);

struct DiskSizeTexts
{
    std::string total, used, free;
};
std::string FormatDiskSizeOne(std::uint32_t mb);
// Used is total - free, 0 when free exceeds total.
DiskSizeTexts FormatDiskSize(std::uint32_t totalMB, std::uint32_t freeMB);

using InfoRow = std::array<std::string, 3>;
std::vector<InfoRow> StatusRows(const StatusInfoRecord& r, int channels, const ResText& spaced);

struct SystemInfoInput
{
    bool connected = false;
    std::string address;
    int port = 0;
    std::string description;
    std::array<std::uint8_t, 6> mac{};
    std::array<std::string, 20> firmName;
    std::array<std::uint32_t, 20> firmVer{};
};
SystemInfoInput SystemInfoFromHello(const HelloRecord& hello);
std::vector<InfoRow> SystemRows(const SystemInfoInput& in, const ResText& spaced);
// "%04d  %02d%02d  %02d%02d" of UTC seconds; negative counts as 0.
std::string FormatFirmDate(std::uint32_t ver);
