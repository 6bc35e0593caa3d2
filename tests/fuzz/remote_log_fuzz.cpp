// The log and status answers as the recorder might send them: the log
// parser, every list over the parsed table with its buttons and
// re-selection, the setup-change decoders and unpackers, and the status
// reader with its rows. All in memory.
#include "search/LogDetail.h"
#include "search/RemoteLog.h"

#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<RemoteLogRecord> table;
    if (ParseRemoteLog(data, size, table) == LogParse::Ok) {
        if (table.size() > kLogRecordLimit)
            __builtin_trap();
        LogViewContext ctx;
        ctx.connected = true;
        ctx.archiveSupport = size & 1;
        ctx.userIndex = static_cast<int>(size % 3);
        ctx.dateFormat = static_cast<int>(size % 4);
        ctx.spaced = [](int id) { return " " + std::to_string(id); };
        for (int list = 0; list <= 6; ++list) {
            CLogListModel m(static_cast<LogList>(list));
            m.Build(table, ctx);
            for (std::size_t row = 0; row < m.Rows().size(); ++row) {
                for (const std::string& cell : m.Rows()[row].cells) {
                    if (cell.size() > 160)
                        __builtin_trap();
                }
                m.Select(static_cast<int>(row), table, false);
                (void)m.DetailTarget(table);
            }
            if (!table.empty())
                (void)m.RowOfNumber(table, static_cast<int>(table.back().number));
        }
        LogDetailContext dctx;
        dctx.connected = size & 2;
        dctx.subProductMajor = static_cast<int>(size % 8);
        dctx.helloFlag2Bit0 = size & 4;
        dctx.subProduct6 = size & 8;
        dctx.spaced = ctx.spaced;
        dctx.plain = [](int id) { return std::to_string(id); };
        // The viewer decodes a record under the one sub-kind its row names;
        // here the record's number picks it, so that every decoder meets
        // every kind of record across inputs without seven decodes of each.
        static constexpr int kSubKinds[] = {4, 9, 13, 14, 16, 17, 18};
        for (const RemoteLogRecord& r : table) {
            (void)DecodeSetupChange(r, kSubKinds[r.number % std::size(kSubKinds)], dctx);
            // Likewise one of the two layouts of each unpacker.
            const bool second = (r.number >> 3) & 1;
            (void)UnpackRegion(r, second ? 124 : 93);
            (void)UnpackSchedule(r, second ? 120 : 88);
            if (RegionChannel(r) < 0 || RegionChannel(r) > 15)
                __builtin_trap();
        }
    }
    StatusInfoRecord status;
    if (ReadStatusRecord(data, size, status))
        (void)StatusRows(status, 16, [](int id) { return std::to_string(id); });
    return 0;
}
