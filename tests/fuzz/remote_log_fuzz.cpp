// The log and status answers as the recorder might send them: the log
// parser, every list over the parsed table with its buttons and
// re-selection, and the status reader with its rows. All in memory.
#include "search/RemoteLog.h"

#include <cstdint>
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
    }
    StatusInfoRecord status;
    if (ReadStatusRecord(data, size, status))
        (void)StatusRows(status, 16, [](int id) { return std::to_string(id); });
    return 0;
}
