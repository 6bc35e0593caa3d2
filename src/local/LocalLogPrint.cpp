#include "local/LocalLogPrint.h"

LogPrintJob MakeConnectLogPrintJob(const std::vector<LocalLogRow>& rows, const std::string& title)
{
    LogPrintJob job;
    job.docName = "Local Log";
    job.title = title;
    job.titleBox = TwipsRect{3700, -900, 7700, -1400};
    job.columns = {400, 1100, 3700, 6800, 8100, 10800};
    job.face = "Arial Bold";
    job.rowCount = static_cast<int>(rows.size());
    job.rowCells = [&rows](int row, std::vector<std::string>& cells) {
        if (row < 0 || row >= static_cast<int>(rows.size()))
            return false;
        const auto& r = rows[static_cast<std::size_t>(row)].cells;
        cells.assign(r.begin(), r.end());
        return true;
    };
    return job;
}
