#include "search/RemoteLog.h"

#include "net/NetRecords.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

std::uint32_t Be32(const std::uint8_t* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

std::string Bounded(const std::uint8_t* p, std::size_t field)
{
    const std::size_t limit = std::min(field, kLogCellLimit);
    std::size_t n = 0;
    while (n < limit && p[n] != 0)
        ++n;
    return std::string(reinterpret_cast<const char*>(p), n);
}

std::string Printf(const char* fmt, auto... args)
{
    char buf[160];
    std::snprintf(buf, sizeof buf, fmt, args...);
    return buf;
}

std::tm Utc(std::uint32_t seconds)
{
    // Recorder seconds are signed; anything before 1970 shows 1970.
    const std::int32_t s = static_cast<std::int32_t>(seconds);
    const std::time_t t = s < 0 ? 0 : s;
    std::tm tm{};
    gmtime_r(&t, &tm);
    return tm;
}

} // namespace

int LowestBit(std::uint32_t value, int maxBit)
{
    for (int b = 0; b <= std::min(maxBit, 31); ++b) {
        if (value & (1u << b))
            return b;
    }
    return -1;
}

RemoteLogRecord RemoteLogRecord::FromBlock(const std::uint8_t* data, std::size_t size)
{
    RemoteLogRecord r;
    if (data)
        std::memcpy(r.block.data(), data, std::min(size, kLogBlockBytes));
    const std::uint8_t* b = r.block.data();
    r.number = Be32(b);
    r.record_size = Be32(b + 4);
    r.category = Be32(b + 8);
    r.sub_kind = Be32(b + 12);
    r.time = Be32(b + 16);
    r.camera = Be32(b + 20);
    return r;
}

std::string RemoteLogRecord::Text() const
{
    return Bounded(block.data() + 24, 128);
}
std::string RemoteLogRecord::Text2() const
{
    return Bounded(block.data() + 152, 48);
}
int RemoteLogRecord::Category() const
{
    return LowestBit(category, 4);
}
int RemoteLogRecord::SubKind(int maxBit) const
{
    return LowestBit(sub_kind, maxBit);
}

LogParse ParseRemoteLog(const std::uint8_t* data, std::size_t size, std::vector<RemoteLogRecord>& out)
{
    out.clear();
    if (size == 0)
        return LogParse::Ok;
    if (!data || size < 8)
        return LogParse::Malformed;
    const std::uint32_t recordSize = Be32(data + 4);
    if (recordSize == 0 || size / recordSize == 0)
        return LogParse::Malformed;
    const std::size_t count = std::min<std::size_t>(size / recordSize, kLogRecordLimit);
    out.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        out.push_back(RemoteLogRecord::FromBlock(data + i * recordSize, recordSize));
    return LogParse::Ok;
}

char* PutLogDigits(char* out, int v, int width)
{
    char digits[12];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v > 0 && n < 12);
    for (int i = n; i < width; ++i)
        *out++ = '0';
    while (n > 0)
        *out++ = digits[--n];
    return out;
}

// Digits written by hand: a full log is 2500 rows, and formatting through
// printf cost more than all the rest of building them.
std::string FormatLogTime(std::uint32_t time, int dateFormat)
{
    const std::int32_t signedTime = static_cast<std::int32_t>(time);
    const std::time_t t = signedTime < 0 ? 0 : signedTime;
    std::tm tm{};
    gmtime_r(&t, &tm);
    const int y = tm.tm_year + 1900, mo = tm.tm_mon + 1, d = tm.tm_mday;
    char buf[48];
    char* p = buf;
    if (dateFormat == 1 || dateFormat == 2) {
        p = PutLogDigits(p, dateFormat == 1 ? mo : d, 2);
        *p++ = '-';
        p = PutLogDigits(p, dateFormat == 1 ? d : mo, 2);
        *p++ = '-';
        p = PutLogDigits(p, y, 4);
    } else {
        p = PutLogDigits(p, y, 4);
        *p++ = '-';
        p = PutLogDigits(p, mo, 2);
        *p++ = '-';
        p = PutLogDigits(p, d, 2);
    }
    *p++ = ' ';
    p = PutLogDigits(p, tm.tm_hour, 2);
    *p++ = ':';
    p = PutLogDigits(p, tm.tm_min, 2);
    *p++ = ':';
    p = PutLogDigits(p, tm.tm_sec, 2);
    return std::string(buf, p);
}

std::string LogCameraList(std::uint32_t mask)
{
    std::string s;
    for (int b = 0; b < 16; ++b) {
        if (mask & (1u << b))
            s += Printf("%02d ", b + 1);
    }
    return s;
}

std::string LogKindText(const RemoteLogRecord& r, const ResText& spaced)
{
    const auto load = [&](int id) { return spaced ? spaced(id) : std::string(); };
    switch (r.Category()) {
    case 0: {
        const int s = r.SubKind(2);
        return s < 0 ? std::string() : load(5110 + s);
    }
    case 1: {
        const int s = r.SubKind(4);
        return s < 0 ? std::string() : load(5113 + s);
    }
    case 2: {
        static constexpr int kIds[20] = {5118, 5119, 5120, 5121, 5121, 5585, 5890, 5090, 5891, 5585,
                                         5362, 5363, 5364, 0,    5680, 5209, 5681, 0,    0,    6150};
        const int s = r.SubKind(19);
        if (s < 0)
            return {};
        // The camera number of these entries comes from the recorder: shown as it is.
        if (s == 13)
            return Printf(" Cam%02d Name", static_cast<int>(r.camera));
        if (s == 17)
            return Printf(" Cam%02d Rec", static_cast<int>(r.camera));
        if (s == 18)
            return " Preset on Alarm";
        return load(kIds[s]);
    }
    case 3: {
        const int s = r.SubKind(7);
        return s < 0 ? std::string() : load(5122 + s);
    }
    case 4: {
        const int s = r.SubKind(4);
        return s < 0 ? std::string() : load(5130 + s);
    }
    default:
        return {};
    }
}

// ---------------------------------------------------------------------------

bool CLogListModel::HasDetails() const
{
    return m_list == LogList::All || m_list == LogList::Operation || m_list == LogList::Archive;
}
bool CLogListModel::HasPlay() const
{
    return m_list == LogList::All || m_list == LogList::Event;
}

bool CLogListModel::HiddenByRights(const RemoteLogRecord& r, const LogViewContext& ctx)
{
    if (!ctx.connected || !ctx.archiveSupport)
        return false;
    const int cat = std::max(r.Category(), 0);
    const int sub = std::max(r.SubKind(31), 0);
    if (ctx.userIndex == 0)
        return cat == 2 && sub == 9;
    if (cat == 1)
        return true;
    return cat == 2 && (sub == 2 || sub == 8 || sub == 9 || sub >= 13);
}

void CLogListModel::Build(const std::vector<RemoteLogRecord>& table, const LogViewContext& ctx)
{
    m_rows.clear();
    m_selectedRow = m_selected = -1;
    m_details = m_play = false;
    m_detailKind = 0;
    const bool archiveUser = ctx.connected && ctx.archiveSupport && ctx.userIndex == 0;
    const std::size_t count = std::min(table.size(), kLogRecordLimit);
    for (std::size_t k = count; k-- > 0;) {
        const RemoteLogRecord& r = table[k];
        bool listed = true;
        switch (m_list) {
        case LogList::All:
            listed = !HiddenByRights(r, ctx);
            break;
        case LogList::Power:
            listed = r.category & 1u;
            break;
        case LogList::Record:
            listed = (r.category & 2u) && (!(ctx.connected && ctx.archiveSupport) || ctx.userIndex == 0);
            break;
        case LogList::Operation:
            listed = (r.category & 4u) && !HiddenByRights(r, ctx);
            break;
        case LogList::Client:
            listed = r.category & 8u;
            break;
        case LogList::Event:
            listed = r.category & 16u;
            break;
        case LogList::Archive:
            listed = archiveUser && (r.category & 4u) && (r.sub_kind & (1u << 9));
            break;
        }
        if (!listed)
            continue;
        LogRow row;
        row.record = static_cast<int>(k);
        row.cells[0] = Printf("%05d", static_cast<int>(r.number));
        row.cells[1] = FormatLogTime(r.time, ctx.dateFormat);
        row.cells[2] = m_list == LogList::Archive ? (ctx.spaced ? ctx.spaced(5585) : std::string())
                                                  : LogKindText(r, ctx.spaced);
        const int cat = r.Category();
        if (cat >= 0) {
            row.cells[3] = r.Text2();
            switch (cat) {
            case 0:
                if (r.SubKind(2) == 1)
                    row.cells[4] = r.Text();
                break;
            case 1:
            case 3:
                row.cells[4] = r.Text();
                break;
            case 2: {
                const int s = r.SubKind(31);
                if (s != 2 && s != 8)
                    row.cells[4] = r.Text();
                break;
            }
            case 4:
                row.cells[4] = LogCameraList(r.camera);
                break;
            }
        }
        m_rows.push_back(std::move(row));
    }
}

void CLogListModel::Select(int row, const std::vector<RemoteLogRecord>& table, bool localPlayer)
{
    m_details = m_play = false;
    if (row < 0 || row >= static_cast<int>(m_rows.size()) || m_rows[row].record < 0 ||
        m_rows[row].record >= static_cast<int>(table.size())) {
        m_selectedRow = m_selected = -1;
        return;
    }
    m_selectedRow = row;
    m_selected = m_rows[row].record;
    const RemoteLogRecord& r = table[static_cast<std::size_t>(m_selected)];
    const int cat = r.Category();
    if (m_list == LogList::Archive) {
        m_details = cat == 2 && r.SubKind(17) == 9;
        if (m_details)
            m_detailKind = 9;
        return;
    }
    if (cat == 2 && HasDetails()) {
        const int s = r.SubKind(19);
        if (s == 4 || s == 9 || (s >= 13 && s <= 18)) {
            m_details = true;
            m_detailKind = s;
        }
    } else if (cat == 4 && HasPlay()) {
        const int s = r.SubKind(4);
        m_play = s != 3 && s != 4 && !localPlayer;
    }
}

LogDetailTarget CLogListModel::DetailTarget(const std::vector<RemoteLogRecord>& table) const
{
    if (!m_details || m_selected < 0 || m_selected >= static_cast<int>(table.size()))
        return LogDetailTarget::None;
    const RemoteLogRecord& r = table[static_cast<std::size_t>(m_selected)];
    if (m_list != LogList::Archive && r.Category() == 2 && r.SubKind(31) == 15)
        return LogDetailTarget::Schedule;
    return LogDetailTarget::Detail;
}

int CLogListModel::RowOfNumber(const std::vector<RemoteLogRecord>& table, int number) const
{
    if (number < 0)
        return -1;
    for (std::size_t k = table.size(); k-- > 0;) {
        if (table[k].number != static_cast<std::uint32_t>(number))
            continue;
        for (std::size_t row = 0; row < m_rows.size(); ++row) {
            if (m_rows[row].record == static_cast<int>(k))
                return static_cast<int>(row);
        }
        return -1;
    }
    return -1;
}

LogPrintParams LogPrintParamsOf(LogList list)
{
    switch (list) {
    case LogList::Power:
        return {"Remote Log Power", 5524, "Arial Bold"};
    case LogList::Record:
        return {"Remote Log Record", 5525, "Arial Bold"};
    case LogList::Operation:
        return {"Remote Log Operation", 5523, "Arial Bold"};
    case LogList::Client:
        return {"Remote Log Client", 5521, "Arial Bold"};
    case LogList::Event:
        return {"Remote Log Event", 5522, "Arial Bold"};
    case LogList::Archive:
        return {"Remote Log Archive", 5526, "Arial"};
    case LogList::All:
        break;
    }
    return {"Remote Log All", 5520, "Arial Bold"};
}

bool CLogListModel::Prints(const RemoteLogRecord& r, const LogViewContext& ctx) const
{
    if (m_list != LogList::All || (ctx.connected && ctx.archiveSupport))
        return true;
    return !(r.Category() == 2 && r.SubKind(31) >= 13);
}

LogPrintJob CLogListModel::PrintJob(const std::vector<RemoteLogRecord>& table, const LogViewContext& ctx,
                                    const std::string& title) const
{
    const LogPrintParams params = LogPrintParamsOf(m_list);
    LogPrintJob job;
    job.docName = params.docName;
    job.title = title;
    job.face = params.face;
    job.rowCount = static_cast<int>(m_rows.size());
    job.rowCells = [this, &table, &ctx](int row, std::vector<std::string>& cells) {
        if (row < 0 || row >= static_cast<int>(m_rows.size()))
            return false;
        const LogRow& shown = m_rows[static_cast<std::size_t>(row)];
        if (shown.record < 0 || shown.record >= static_cast<int>(table.size()) ||
            !Prints(table[static_cast<std::size_t>(shown.record)], ctx))
            return false;
        cells.assign(shown.cells.begin(), shown.cells.end());
        if (m_list == LogList::Archive)
            cells[2] = ctx.plain ? ctx.plain(5585) : std::string();
        return true;
    };
    return job;
}

// ---------------------------------------------------------------------------

bool ReadStatusRecord(const std::uint8_t* data, std::size_t size, StatusInfoRecord& out)
{
    out = StatusInfoRecord();
    if (!data || size < 16)
        return false;
    std::uint8_t b[28] = {};
    std::memcpy(b, data, std::min<std::size_t>(size, 28));
    out.CameraMask = Be32(b);
    out.RecordState = Be32(b + 4);
    out.DiskTotalMB = Be32(b + 8);
    out.DiskFreeMB = Be32(b + 12);
    for (int d = 0; d < 4; ++d) {
        out.DiskPresent[d] = b[16 + d];
        out.DiskValue[d] = b[20 + d];
        out.DiskState[d] = b[24 + d];
    }
    out.hasDisks = size != 16;
    return true;
}

std::string FormatDiskSizeOne(std::uint32_t mb)
{
    if (mb < 1024)
        return Printf("%5lld MByte", static_cast<long long>(mb));
    const std::uint32_t g = mb >> 10;
    if (g >= 1024)
        return Printf("%6.2f TByte", g / 1024.0);
    return Printf("%5lld GByte", static_cast<long long>(g));
}

DiskSizeTexts FormatDiskSize(std::uint32_t totalMB, std::uint32_t freeMB)
{
    // More free than total is a recorder fault: nothing counts as used.
    const std::uint32_t used = freeMB > totalMB ? 0 : totalMB - freeMB;
    return {FormatDiskSizeOne(totalMB), FormatDiskSizeOne(used), FormatDiskSizeOne(freeMB)};
}

std::vector<InfoRow> StatusRows(const StatusInfoRecord& r, int channels, const ResText& spaced)
{
    const auto load = [&](int id) { return spaced ? spaced(id) : std::string(); };
    std::vector<InfoRow> rows;
    const DiskSizeTexts sizes = FormatDiskSize(r.DiskTotalMB, r.DiskFreeMB);
    rows.push_back({load(5135), sizes.total, {}});
    rows.push_back({load(5136), sizes.used, {}});
    rows.push_back({load(5137), sizes.free, {}});
    rows.push_back({});
    static constexpr int kState[6] = {5138, 5139, 5140, 5142, 5141, 5143};
    const std::string state = r.RecordState < 6 ? load(kState[r.RecordState]) : load(5144);
    const std::string ch = load(5152);
    for (int c = 1; c <= std::clamp(channels, 0, 16); ++c) {
        const bool on = r.CameraMask & (1u << (c - 1));
        rows.push_back({Printf("%s %02d", ch.c_str(), c), on ? state : load(5144), {}});
    }
    if (r.hasDisks) {
        rows.push_back({});
        const std::string disk = load(5880);
        for (int d = 0; d < 4; ++d) {
            if (!r.DiskPresent[d])
                continue;
            const std::string value =
                r.DiskValue[d] ? Printf("%d %s", r.DiskValue[d], load(5871).c_str()) : load(5872);
            rows.push_back({Printf("%s%d", disk.c_str(), d + 1), load(5870), value});
            const std::uint8_t s = r.DiskState[d];
            rows.push_back(InfoRow{std::string(), load(5837), s <= 2 ? load(5872 + s) : Printf("%d", s)});
        }
    }
    return rows;
}

std::string FormatFirmDate(std::uint32_t ver)
{
    const std::tm tm = Utc(ver);
    return Printf("%04d  %02d%02d  %02d%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                  tm.tm_min);
}

SystemInfoInput SystemInfoFromHello(const HelloRecord& hello)
{
    SystemInfoInput in;
    in.connected = true;
    std::memcpy(in.mac.data(), hello.mac_address, 6);
    for (int i = 0; i < 20; ++i) {
        const char* name = hello.FirmName[i];
        in.firmName[i] = std::string(name, strnlen(name, 32));
        in.firmVer[i] = hello.FirmVer[i];
    }
    return in;
}

std::vector<InfoRow> SystemRows(const SystemInfoInput& in, const ResText& spaced)
{
    std::vector<InfoRow> rows;
    if (!in.connected)
        return rows;
    const auto load = [&](int id) { return spaced ? spaced(id) : std::string(); };
    rows.push_back({load(5497), in.address, {}});
    rows.push_back({load(5540), Printf("%d", in.port), {}});
    rows.push_back({load(5881), in.description, {}});
    rows.push_back({load(5145),
                    Printf("%02X:%02X:%02X:%02X:%02X:%02X", in.mac[0], in.mac[1], in.mac[2], in.mac[3],
                           in.mac[4], in.mac[5]),
                    {}});
    rows.push_back({});
    static constexpr std::pair<int, int> kFirm[5] = {{5146, 0}, {5147, 3}, {5148, 4}, {5150, 5}, {5151, 6}};
    for (const auto& [id, c] : kFirm) {
        const std::string& name = in.firmName[static_cast<std::size_t>(c)];
        rows.push_back({load(id), FormatFirmDate(in.firmVer[static_cast<std::size_t>(c)]),
                        name.substr(0, std::min<std::size_t>(name.size(), 32))});
    }
    return rows;
}
