// Which rows of a list print, and with what texts: the All list without
// archive support leaves out the late Operation kinds, the Archive list
// prints its kind without the leading blank.
#include "SimLog.h"
#include "search/RemoteLog.h"
#include "ui/LogPrint.h"

#include <gtest/gtest.h>

namespace {

std::vector<RemoteLogRecord> Table(const std::vector<k5sim::LogEntry>& entries)
{
    const k5sim::Bytes bytes = k5sim::BuildLog(entries);
    std::vector<RemoteLogRecord> table;
    EXPECT_EQ(ParseRemoteLog(bytes.data(), bytes.size(), table), LogParse::Ok);
    return table;
}

k5sim::LogEntry Entry(std::uint32_t number, std::uint32_t category, std::uint32_t sub)
{
    k5sim::LogEntry e;
    e.number = number;
    e.category = category;
    e.subKind = sub;
    e.text = "t";
    return e;
}

LogViewContext Ctx(bool connected, bool archive)
{
    LogViewContext c;
    c.connected = connected;
    c.archiveSupport = archive;
    c.spaced = [](int id) { return std::string(" #").append(std::to_string(id)); };
    c.plain = [](int id) { return std::string("#").append(std::to_string(id)); };
    return c;
}

// The first cells of the rows that print, in print order.
std::vector<std::string> Printed(const CLogListModel& m, const std::vector<RemoteLogRecord>& table,
                                 const LogViewContext& ctx, std::vector<std::string>* kinds = nullptr)
{
    const LogPrintJob job = m.PrintJob(table, ctx, "T");
    std::vector<std::string> out;
    for (int row = 0; row < job.rowCount; ++row) {
        std::vector<std::string> cells(5);
        if (job.rowCells(row, cells)) {
            out.push_back(cells[0]);
            if (kinds)
                kinds->push_back(cells[2]);
        }
    }
    return out;
}

TEST(LogPrintJob, RowsThatPrintByList)
{
    // An Operation entry of sub-kind 17 between two printed rows.
    const auto table = Table({Entry(1, 1, 1), Entry(2, 4, 1u << 17), Entry(3, 4, 1u << 2), Entry(4, 0, 0)});
    for (const auto& [connected, archive, want] :
         std::vector<std::tuple<bool, bool, std::vector<std::string>>>{
             {false, false, {"00004", "00003", "00001"}},
             {true, false, {"00004", "00003", "00001"}},
             {true, true, {"00004", "00003", "00002", "00001"}}}) {
        CLogListModel all(LogList::All);
        const LogViewContext ctx = Ctx(connected, archive);
        all.Build(table, ctx);
        // The list shows every entry (the first user sees sub-kind 17).
        EXPECT_EQ(all.Rows().size(), 4u);
        EXPECT_EQ(Printed(all, table, ctx), want) << connected << archive;
    }
    // The entry without a category prints its number and time only.
    CLogListModel all(LogList::All);
    const LogViewContext ctx = Ctx(false, false);
    all.Build(table, ctx);
    const LogPrintJob job = all.PrintJob(table, ctx, "T");
    std::vector<std::string> cells(5);
    ASSERT_TRUE(job.rowCells(0, cells));
    EXPECT_EQ(cells[0], "00004");
    EXPECT_FALSE(cells[1].empty());
    EXPECT_TRUE(cells[2].empty() && cells[3].empty() && cells[4].empty());
    EXPECT_EQ(job.docName, "Remote Log All");
    EXPECT_EQ(job.face, "Arial Bold");

    // The Archive list: the first user with archive support, the kind unspaced.
    const auto archived = Table({Entry(1, 4, 1u << 9), Entry(2, 4, 1u << 3)});
    CLogListModel archive(LogList::Archive);
    const LogViewContext actx = Ctx(true, true);
    archive.Build(archived, actx);
    std::vector<std::string> kinds;
    EXPECT_EQ(Printed(archive, archived, actx, &kinds), std::vector<std::string>{"00001"});
    EXPECT_EQ(kinds, std::vector<std::string>{"#5585"});
    EXPECT_EQ(archive.Rows()[0].cells[2], " #5585");
    const LogPrintParams params = LogPrintParamsOf(LogList::Archive);
    EXPECT_STREQ(params.face, "Arial");
    EXPECT_EQ(params.titleId, 5526);
}

} // namespace
