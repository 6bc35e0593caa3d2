// The connection-log viewer's rows: the records of a loaded log, newest
// first, as the list and the printout show them.
#pragma once

#include "net/ConnectLog.h"
#include "search/RemoteLog.h"

#include <array>
#include <string>
#include <vector>

// The string id naming a record's kind by the lowest set type bit (0-3) and
// the lowest listed subtype bit under it; 0 for none.
int ConnectLogKindStringId(std::uint32_t type, std::uint32_t subtype);

// A row's number as the list shows it: "%04d".
std::string LogRowNumber(int k);

struct LocalLogRow
{
    std::array<std::string, 5> cells; // number, time, kind, user, text
};

// Rows newest first: the record at table index k - 1 numbered k. `kindText`
// gives the text of a string id (the list adds one blank in front).
template <class KindText>
std::vector<LocalLogRow> BuildLocalLogRows(const std::vector<ConnectLogRecord>& records, int dateFormat,
                                           KindText kindText);
// The same into `rows`, whose rows and texts are refilled in place.
template <class KindText>
void BuildLocalLogRows(const std::vector<ConnectLogRecord>& records, int dateFormat, KindText kindText,
                       std::vector<LocalLogRow>& rows);

std::string LogCellText(const char* field, std::size_t width);
// The same text into `cell`.
void AssignLogCellText(std::string& cell, const char* field, std::size_t width);

template <class KindText>
std::vector<LocalLogRow> BuildLocalLogRows(const std::vector<ConnectLogRecord>& records, int dateFormat,
                                           KindText kindText)
{
    std::vector<LocalLogRow> rows;
    BuildLocalLogRows(records, dateFormat, kindText, rows);
    return rows;
}

template <class KindText>
void BuildLocalLogRows(const std::vector<ConnectLogRecord>& records, int dateFormat, KindText kindText,
                       std::vector<LocalLogRow>& rows)
{
    rows.resize(records.size());
    for (std::size_t k = records.size(); k >= 1; --k) {
        const ConnectLogRecord& r = records[k - 1];
        LocalLogRow& row = rows[records.size() - k];
        row.cells[0] = LogRowNumber(static_cast<int>(k));
        row.cells[1] = FormatLogTime(r.time, dateFormat);
        const int id = ConnectLogKindStringId(r.type, r.subtype);
        if (id != 0)
            row.cells[2] = kindText(id);
        else
            row.cells[2].clear();
        if ((r.type & 0xF) != 0 && (r.type & 0x3) == 0x2) {
            AssignLogCellText(row.cells[3], r.user, sizeof r.user);
            AssignLogCellText(row.cells[4], r.address, sizeof r.address);
        } else {
            row.cells[3].clear();
            row.cells[4].clear();
        }
    }
}
